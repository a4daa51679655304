/* DeviceIdentity: the 1296-byte record that names a device in every query. */
#ifndef NETROV_DEVICE_IDENTITY_H
#define NETROV_DEVICE_IDENTITY_H

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "export.h"

/* Transport codes; a query names one, a search request a mask. */
#define NETROV_TRANSPORT_MSG 1
#define NETROV_TRANSPORT_SNMP 2
#define NETROV_TRANSPORT_LPT 4
#define NETROV_TRANSPORT_USB 8
#define NETROV_TRANSPORT_ALL (-1)

/* Interface kinds of a found device. */
#define NETROV_INTERFACE_NETWORK 2
#define NETROV_INTERFACE_PARALLEL 4
#define NETROV_INTERFACE_USB 8

#define NETROV_DEFAULT_TIMEOUT 3

/* Owned by the caller. Texts are NUL-terminated; the address is in network
   order (first octet in the lowest byte). */
typedef struct DeviceIdentity {
    int32_t reserved0;
    char modelName[256];
    char sysObjectId[256];     /* dotted decimal, no leading dot */
    int32_t interfaceKind;     /* NETROV_INTERFACE_* */
    int32_t transport;         /* one code in a record, a mask in a search */
    char community[128];
    int32_t timeout;           /* seconds; 0 means the default of 3 */
    uint8_t address[4];
    uint8_t reserved1[16];
    char driverName[256];      /* locally connected devices only */
    char localDevice[128];
    char portName[236];
} DeviceIdentity;

NETROV_STATIC_ASSERT(sizeof(DeviceIdentity) == 1296, "DeviceIdentity size");
NETROV_STATIC_ASSERT(offsetof(DeviceIdentity, reserved0) == 0, "reserved0");
NETROV_STATIC_ASSERT(offsetof(DeviceIdentity, modelName) == 4, "modelName");
NETROV_STATIC_ASSERT(offsetof(DeviceIdentity, sysObjectId) == 260, "sysObjectId");
NETROV_STATIC_ASSERT(offsetof(DeviceIdentity, interfaceKind) == 516, "interfaceKind");
NETROV_STATIC_ASSERT(offsetof(DeviceIdentity, transport) == 520, "transport");
NETROV_STATIC_ASSERT(offsetof(DeviceIdentity, community) == 524, "community");
NETROV_STATIC_ASSERT(offsetof(DeviceIdentity, timeout) == 652, "timeout");
NETROV_STATIC_ASSERT(offsetof(DeviceIdentity, address) == 656, "address");
NETROV_STATIC_ASSERT(offsetof(DeviceIdentity, reserved1) == 660, "reserved1");
NETROV_STATIC_ASSERT(offsetof(DeviceIdentity, driverName) == 676, "driverName");
NETROV_STATIC_ASSERT(offsetof(DeviceIdentity, localDevice) == 932, "localDevice");
NETROV_STATIC_ASSERT(offsetof(DeviceIdentity, portName) == 1060, "portName");

/* Compares fixed text fields as NUL-terminated texts without reading past
   the field when a record lacks its terminator. */
static inline int netrovFieldTextEqual(const char* a, const char* b, size_t size)
{
    size_t i;
    for (i = 0; i < size; ++i) {
        if (a[i] != b[i]) return 0;
        if (a[i] == '\0') return 1;
    }
    return 1;
}

/* A network device reached over IPv6 holds 0.0.0.0 as its IPv4 address and
   its IPv6 address as text in the port name ("2001:db8::17"; a link-local
   one with its zone, "fe80::1%eth0"). The port name of every IPv4 network
   device stays empty, as in every record written before, so the equality
   rule below tells two such devices apart by the text. The host text, or
   NULL for a device named by its IPv4 address or by no network address. */
static inline const char* netrovDeviceHost(const DeviceIdentity* device)
{
    if (device->transport != NETROV_TRANSPORT_SNMP) return NULL;
    if (device->address[0] | device->address[1] | device->address[2] | device->address[3]) return NULL;
    if (device->portName[0] == '\0' || !memchr(device->portName, '\0', sizeof device->portName)) return NULL;
    return device->portName;
}

/* The one equality rule of two device records: address, transport,
   interface kind, and model name, local device text and port name compared
   exactly. Used by the search merge and the application's device list. */
static inline int deviceIdentityEqual(const DeviceIdentity* a, const DeviceIdentity* b)
{
    return memcmp(a->address, b->address, sizeof a->address) == 0
        && a->transport == b->transport
        && a->interfaceKind == b->interfaceKind
        && netrovFieldTextEqual(a->modelName, b->modelName, sizeof a->modelName)
        && netrovFieldTextEqual(a->localDevice, b->localDevice, sizeof a->localDevice)
        && netrovFieldTextEqual(a->portName, b->portName, sizeof a->portName);
}

#endif
