/* The SNMP version a device is read with. It travels in the first byte of a
   DeviceIdentity's 16 reserved bytes (offset 660): a record whose byte is 0,
   as every record written before versions existed, is read by SNMPv1 exactly
   as before. A search copies the request's byte into every record it finds;
   with NETROV_SNMP_AUTO the found record holds the version that answered.
   The other 15 reserved bytes stay 0. */
#ifndef NETROV_SNMP_VERSION_H
#define NETROV_SNMP_VERSION_H

#include "device_identity.h"

#define NETROV_SNMP_V1 0   /* the default: community-based SNMPv1 */
#define NETROV_SNMP_V2C 1  /* community-based SNMPv2c; walks by GetBulk */
#define NETROV_SNMP_AUTO 2 /* SNMPv2c first, SNMPv1 when v2c gets no answer */
#define NETROV_SNMP_V3 3   /* the user-based security model */

#define NETROV_SNMP_VERSION_OFFSET 660

static inline int32_t netrovSnmpVersion(const DeviceIdentity* device)
{
    return device->reserved1[0];
}

static inline void netrovSetSnmpVersion(DeviceIdentity* device, int32_t version)
{
    device->reserved1[0] = (uint8_t)version;
}

#endif
