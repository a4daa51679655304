/* Output records of the network queries: TCP/IP, DNS and WINS, IPv6,
   NetWare, SMB, AppleTalk, Rendezvous and the traffic statistics (fixed
   layouts). */
#ifndef NETROV_NETWORK_RECORDS_H
#define NETROV_NETWORK_RECORDS_H

#include <stddef.h>
#include <stdint.h>

#include "export.h"

/* Every record begins with 4 reserved bytes. A flag of 1 says that the value
   after it was read; an absent value is 0. Texts are 256-byte fields that
   always end in a NUL byte; a setting's texts come from the definition
   document's conversion tables. IPv4 addresses are four bytes, first octet
   first; IPv6 addresses sixteen bytes in network order. Padding is spelled
   out, so the layout is the same for every compiler and word size. */

/* TUVASRV_GetDevTCP: one record. */
typedef struct TcpSettings {
    int32_t reserved0;
    uint8_t enabledValid;
    uint8_t padding0[3];
    int32_t enabled;
    char enabledText[256];
    uint8_t assignmentValid; /* how the address is assigned (DHCP...) */
    uint8_t padding1[3];
    int32_t assignment;
    char assignmentText[256];
    uint8_t addressValid;
    uint8_t padding2[3];
    uint8_t address[4];
    uint8_t subnetMaskValid;
    uint8_t padding3[3];
    uint8_t subnetMask[4];
    uint8_t gatewayValid;
    uint8_t padding4[3];
    uint8_t gateway[4];
} TcpSettings;

NETROV_STATIC_ASSERT(sizeof(TcpSettings) == 556, "TcpSettings size");
NETROV_STATIC_ASSERT(offsetof(TcpSettings, enabledValid) == 4, "enabledValid");
NETROV_STATIC_ASSERT(offsetof(TcpSettings, enabled) == 8, "enabled");
NETROV_STATIC_ASSERT(offsetof(TcpSettings, enabledText) == 12, "enabledText");
NETROV_STATIC_ASSERT(offsetof(TcpSettings, assignmentValid) == 268, "assignmentValid");
NETROV_STATIC_ASSERT(offsetof(TcpSettings, assignment) == 272, "assignment");
NETROV_STATIC_ASSERT(offsetof(TcpSettings, assignmentText) == 276, "assignmentText");
NETROV_STATIC_ASSERT(offsetof(TcpSettings, addressValid) == 532, "addressValid");
NETROV_STATIC_ASSERT(offsetof(TcpSettings, address) == 536, "address");
NETROV_STATIC_ASSERT(offsetof(TcpSettings, subnetMaskValid) == 540, "subnetMaskValid");
NETROV_STATIC_ASSERT(offsetof(TcpSettings, subnetMask) == 544, "subnetMask");
NETROV_STATIC_ASSERT(offsetof(TcpSettings, gatewayValid) == 548, "gatewayValid");
NETROV_STATIC_ASSERT(offsetof(TcpSettings, gateway) == 552, "gateway");

/* TUVASRV_GetDevTCPOpt: DNS and WINS, one record. Every item text is a
   conversion of the DNS enabled setting. */
typedef struct TcpOptions {
    int32_t reserved0;
    uint8_t dnsEnabledValid;
    uint8_t padding0[3];
    int32_t dnsEnabled;
    char dnsEnabledText[256];
    char dnsEnabledItemText[256];
    uint8_t hostNameValid;
    char hostNameItemText[256];
    char hostName[256];
    uint8_t domainNameValid;
    char domainName[256];
    char domainNameItemText[256];
    uint8_t dns1Valid;
    uint8_t padding1[1];
    uint8_t dns1[4];
    char dns1Text[256];
    uint8_t dns2Valid;
    uint8_t padding2[3];
    uint8_t dns2[4];
    char dns2Text[256];
    uint8_t wins1Valid;
    uint8_t padding3[3];
    uint8_t wins1[4];
    char wins1Text[256];
    uint8_t wins2Valid;
    uint8_t padding4[3];
    uint8_t wins2[4];
    char wins2Text[256];
} TcpOptions;

NETROV_STATIC_ASSERT(sizeof(TcpOptions) == 2604, "TcpOptions size");
NETROV_STATIC_ASSERT(offsetof(TcpOptions, dnsEnabledValid) == 4, "dnsEnabledValid");
NETROV_STATIC_ASSERT(offsetof(TcpOptions, dnsEnabled) == 8, "dnsEnabled");
NETROV_STATIC_ASSERT(offsetof(TcpOptions, dnsEnabledText) == 12, "dnsEnabledText");
NETROV_STATIC_ASSERT(offsetof(TcpOptions, dnsEnabledItemText) == 268, "dnsEnabledItemText");
NETROV_STATIC_ASSERT(offsetof(TcpOptions, hostNameValid) == 524, "hostNameValid");
NETROV_STATIC_ASSERT(offsetof(TcpOptions, hostNameItemText) == 525, "hostNameItemText");
NETROV_STATIC_ASSERT(offsetof(TcpOptions, hostName) == 781, "hostName");
NETROV_STATIC_ASSERT(offsetof(TcpOptions, domainNameValid) == 1037, "domainNameValid");
NETROV_STATIC_ASSERT(offsetof(TcpOptions, domainName) == 1038, "domainName");
NETROV_STATIC_ASSERT(offsetof(TcpOptions, domainNameItemText) == 1294, "domainNameItemText");
NETROV_STATIC_ASSERT(offsetof(TcpOptions, dns1Valid) == 1550, "dns1Valid");
NETROV_STATIC_ASSERT(offsetof(TcpOptions, dns1) == 1552, "dns1");
NETROV_STATIC_ASSERT(offsetof(TcpOptions, dns1Text) == 1556, "dns1Text");
NETROV_STATIC_ASSERT(offsetof(TcpOptions, dns2Valid) == 1812, "dns2Valid");
NETROV_STATIC_ASSERT(offsetof(TcpOptions, dns2) == 1816, "dns2");
NETROV_STATIC_ASSERT(offsetof(TcpOptions, dns2Text) == 1820, "dns2Text");
NETROV_STATIC_ASSERT(offsetof(TcpOptions, wins1Valid) == 2076, "wins1Valid");
NETROV_STATIC_ASSERT(offsetof(TcpOptions, wins1) == 2080, "wins1");
NETROV_STATIC_ASSERT(offsetof(TcpOptions, wins1Text) == 2084, "wins1Text");
NETROV_STATIC_ASSERT(offsetof(TcpOptions, wins2Valid) == 2340, "wins2Valid");
NETROV_STATIC_ASSERT(offsetof(TcpOptions, wins2) == 2344, "wins2");
NETROV_STATIC_ASSERT(offsetof(TcpOptions, wins2Text) == 2348, "wins2Text");

/* TUVASRV_GetDevTCPIPv6: one record per row of the device's IPv6 table. */
typedef struct Ipv6Settings {
    int32_t reserved0;
    uint8_t protocolValid;
    uint8_t padding0[3];
    int32_t protocol;
    char protocolText[256];
    char protocolItemText[256];
    uint8_t autoConfigValid;
    uint8_t padding1[3];
    int32_t autoConfig;
    char autoConfigText[256];
    char autoConfigItemText[256];
    uint8_t addressValid;
    uint8_t padding2[3];
    uint8_t address[16];
    int32_t addressShow; /* whether to show the address, from the document */
    char addressText[256];
    uint8_t routerValid;
    uint8_t padding3[3];
    uint8_t router[16];
    int32_t routerShow;
    char routerText[256];
} Ipv6Settings;

NETROV_STATIC_ASSERT(sizeof(Ipv6Settings) == 1604, "Ipv6Settings size");
NETROV_STATIC_ASSERT(offsetof(Ipv6Settings, protocolValid) == 4, "protocolValid");
NETROV_STATIC_ASSERT(offsetof(Ipv6Settings, protocol) == 8, "protocol");
NETROV_STATIC_ASSERT(offsetof(Ipv6Settings, protocolText) == 12, "protocolText");
NETROV_STATIC_ASSERT(offsetof(Ipv6Settings, protocolItemText) == 268, "protocolItemText");
NETROV_STATIC_ASSERT(offsetof(Ipv6Settings, autoConfigValid) == 524, "autoConfigValid");
NETROV_STATIC_ASSERT(offsetof(Ipv6Settings, autoConfig) == 528, "autoConfig");
NETROV_STATIC_ASSERT(offsetof(Ipv6Settings, autoConfigText) == 532, "autoConfigText");
NETROV_STATIC_ASSERT(offsetof(Ipv6Settings, autoConfigItemText) == 788, "autoConfigItemText");
NETROV_STATIC_ASSERT(offsetof(Ipv6Settings, addressValid) == 1044, "addressValid");
NETROV_STATIC_ASSERT(offsetof(Ipv6Settings, address) == 1048, "address");
NETROV_STATIC_ASSERT(offsetof(Ipv6Settings, addressShow) == 1064, "addressShow");
NETROV_STATIC_ASSERT(offsetof(Ipv6Settings, addressText) == 1068, "addressText");
NETROV_STATIC_ASSERT(offsetof(Ipv6Settings, routerValid) == 1324, "routerValid");
NETROV_STATIC_ASSERT(offsetof(Ipv6Settings, router) == 1328, "router");
NETROV_STATIC_ASSERT(offsetof(Ipv6Settings, routerShow) == 1344, "routerShow");
NETROV_STATIC_ASSERT(offsetof(Ipv6Settings, routerText) == 1348, "routerText");

/* TUVASRV_GetDevNetWare: one record. */
typedef struct NetWareSettings {
    int32_t reserved0;
    uint8_t enabledValid;
    uint8_t padding0[3];
    int32_t enabled;
    char enabledText[256];
    uint8_t frameTypeValid;
    uint8_t padding1[3];
    int32_t frameType;
    char frameTypeText[256];
    uint8_t modeValid;
    uint8_t padding2[3];
    int32_t mode;
    char modeText[256];
    uint8_t binderyValid;
    uint8_t padding3[3];
    int32_t bindery;
    char binderyText[256];
    uint8_t nameValid;
    char name[256];
    uint8_t treeValid;
    char tree[256];
    uint8_t contextValid;
    char context[256];
    uint8_t pollingValid;
    int32_t polling; /* the polling interval, divided as the mode says */
} NetWareSettings;

NETROV_STATIC_ASSERT(sizeof(NetWareSettings) == 1836, "NetWareSettings size");
NETROV_STATIC_ASSERT(offsetof(NetWareSettings, enabledValid) == 4, "enabledValid");
NETROV_STATIC_ASSERT(offsetof(NetWareSettings, enabled) == 8, "enabled");
NETROV_STATIC_ASSERT(offsetof(NetWareSettings, enabledText) == 12, "enabledText");
NETROV_STATIC_ASSERT(offsetof(NetWareSettings, frameTypeValid) == 268, "frameTypeValid");
NETROV_STATIC_ASSERT(offsetof(NetWareSettings, frameType) == 272, "frameType");
NETROV_STATIC_ASSERT(offsetof(NetWareSettings, frameTypeText) == 276, "frameTypeText");
NETROV_STATIC_ASSERT(offsetof(NetWareSettings, modeValid) == 532, "modeValid");
NETROV_STATIC_ASSERT(offsetof(NetWareSettings, mode) == 536, "mode");
NETROV_STATIC_ASSERT(offsetof(NetWareSettings, modeText) == 540, "modeText");
NETROV_STATIC_ASSERT(offsetof(NetWareSettings, binderyValid) == 796, "binderyValid");
NETROV_STATIC_ASSERT(offsetof(NetWareSettings, bindery) == 800, "bindery");
NETROV_STATIC_ASSERT(offsetof(NetWareSettings, binderyText) == 804, "binderyText");
NETROV_STATIC_ASSERT(offsetof(NetWareSettings, nameValid) == 1060, "nameValid");
NETROV_STATIC_ASSERT(offsetof(NetWareSettings, name) == 1061, "name");
NETROV_STATIC_ASSERT(offsetof(NetWareSettings, treeValid) == 1317, "treeValid");
NETROV_STATIC_ASSERT(offsetof(NetWareSettings, tree) == 1318, "tree");
NETROV_STATIC_ASSERT(offsetof(NetWareSettings, contextValid) == 1574, "contextValid");
NETROV_STATIC_ASSERT(offsetof(NetWareSettings, context) == 1575, "context");
NETROV_STATIC_ASSERT(offsetof(NetWareSettings, pollingValid) == 1831, "pollingValid");
NETROV_STATIC_ASSERT(offsetof(NetWareSettings, polling) == 1832, "polling");

/* TUVASRV_GetDevSMB: one record. */
typedef struct SmbSettings {
    int32_t reserved0;
    uint8_t netbeuiValid;
    uint8_t padding0[3];
    int32_t netbeui;
    char netbeuiText[256];
    uint8_t netbiosOverTcpValid;
    uint8_t padding1[3];
    int32_t netbiosOverTcp;
    char netbiosOverTcpText[256];
    uint8_t computerNameValid;
    char computerName[256];
    uint8_t workgroupValid;
    char workgroup[256];
    uint8_t commentValid;
    char comment[256];
    uint8_t padding2[1];
} SmbSettings;

NETROV_STATIC_ASSERT(sizeof(SmbSettings) == 1304, "SmbSettings size");
NETROV_STATIC_ASSERT(offsetof(SmbSettings, netbeuiValid) == 4, "netbeuiValid");
NETROV_STATIC_ASSERT(offsetof(SmbSettings, netbeui) == 8, "netbeui");
NETROV_STATIC_ASSERT(offsetof(SmbSettings, netbeuiText) == 12, "netbeuiText");
NETROV_STATIC_ASSERT(offsetof(SmbSettings, netbiosOverTcpValid) == 268, "netbiosOverTcpValid");
NETROV_STATIC_ASSERT(offsetof(SmbSettings, netbiosOverTcp) == 272, "netbiosOverTcp");
NETROV_STATIC_ASSERT(offsetof(SmbSettings, netbiosOverTcpText) == 276, "netbiosOverTcpText");
NETROV_STATIC_ASSERT(offsetof(SmbSettings, computerNameValid) == 532, "computerNameValid");
NETROV_STATIC_ASSERT(offsetof(SmbSettings, computerName) == 533, "computerName");
NETROV_STATIC_ASSERT(offsetof(SmbSettings, workgroupValid) == 789, "workgroupValid");
NETROV_STATIC_ASSERT(offsetof(SmbSettings, workgroup) == 790, "workgroup");
NETROV_STATIC_ASSERT(offsetof(SmbSettings, commentValid) == 1046, "commentValid");
NETROV_STATIC_ASSERT(offsetof(SmbSettings, comment) == 1047, "comment");

/* TUVASRV_GetDevAppleTalk: one record. */
typedef struct AppleTalkSettings {
    int32_t reserved0;
    uint8_t enabledValid;
    uint8_t padding0[3];
    int32_t enabled;
    char enabledText[256];
    uint8_t nameValid;
    char name[256];
    uint8_t zoneValid;
    char zone[256];
    uint8_t padding1[2];
} AppleTalkSettings;

NETROV_STATIC_ASSERT(sizeof(AppleTalkSettings) == 784, "AppleTalkSettings size");
NETROV_STATIC_ASSERT(offsetof(AppleTalkSettings, enabledValid) == 4, "enabledValid");
NETROV_STATIC_ASSERT(offsetof(AppleTalkSettings, enabled) == 8, "enabled");
NETROV_STATIC_ASSERT(offsetof(AppleTalkSettings, enabledText) == 12, "enabledText");
NETROV_STATIC_ASSERT(offsetof(AppleTalkSettings, nameValid) == 268, "nameValid");
NETROV_STATIC_ASSERT(offsetof(AppleTalkSettings, name) == 269, "name");
NETROV_STATIC_ASSERT(offsetof(AppleTalkSettings, zoneValid) == 525, "zoneValid");
NETROV_STATIC_ASSERT(offsetof(AppleTalkSettings, zone) == 526, "zone");

/* TUVASRV_GetDevRendezvous: one record. */
typedef struct RendezvousSettings {
    int32_t reserved0;
    uint8_t enabledValid;
    uint8_t padding0[3];
    int32_t enabled;
    char enabledText[256];
    uint8_t nameValid;
    char name[256];
    uint8_t autoIpValid;
    uint8_t padding1[2];
    uint8_t autoIp[4]; /* the device's four value bytes as they came */
} RendezvousSettings;

NETROV_STATIC_ASSERT(sizeof(RendezvousSettings) == 532, "RendezvousSettings size");
NETROV_STATIC_ASSERT(offsetof(RendezvousSettings, enabledValid) == 4, "enabledValid");
NETROV_STATIC_ASSERT(offsetof(RendezvousSettings, enabled) == 8, "enabled");
NETROV_STATIC_ASSERT(offsetof(RendezvousSettings, enabledText) == 12, "enabledText");
NETROV_STATIC_ASSERT(offsetof(RendezvousSettings, nameValid) == 268, "nameValid");
NETROV_STATIC_ASSERT(offsetof(RendezvousSettings, name) == 269, "name");
NETROV_STATIC_ASSERT(offsetof(RendezvousSettings, autoIpValid) == 525, "autoIpValid");
NETROV_STATIC_ASSERT(offsetof(RendezvousSettings, autoIp) == 528, "autoIp");

/* A traffic counter and its flag. */
typedef struct FlaggedCounter {
    uint8_t valid;
    uint8_t padding0[3];
    uint32_t value;
} FlaggedCounter;

NETROV_STATIC_ASSERT(sizeof(FlaggedCounter) == 8, "FlaggedCounter size");

/* TUVASRV_GetDevNetInfo: one record of traffic statistics. */
typedef struct NetworkStatistics {
    int32_t reserved0;
    uint8_t macAddressValid;
    uint8_t macAddress[6];
    uint8_t upTimeValid;
    uint32_t upTime; /* seconds since the agent started */
    FlaggedCounter inUnicast;
    FlaggedCounter outUnicast;
    FlaggedCounter inNonUnicast;
    FlaggedCounter outNonUnicast;
    FlaggedCounter inErrors;
    FlaggedCounter outErrors;
    FlaggedCounter inIp;
    FlaggedCounter outIp;
    FlaggedCounter inSnmp;
    FlaggedCounter outSnmp;
    FlaggedCounter inTcp;
    FlaggedCounter outTcp;
    FlaggedCounter inUdp;
    FlaggedCounter outUdp;
    FlaggedCounter inIcmp;
    FlaggedCounter outIcmp;
    FlaggedCounter inIcmpErrors;
    FlaggedCounter outIcmpErrors;
    FlaggedCounter inIcmpUnreachable;
} NetworkStatistics;

NETROV_STATIC_ASSERT(sizeof(NetworkStatistics) == 168, "NetworkStatistics size");
NETROV_STATIC_ASSERT(offsetof(NetworkStatistics, macAddressValid) == 4, "macAddressValid");
NETROV_STATIC_ASSERT(offsetof(NetworkStatistics, macAddress) == 5, "macAddress");
NETROV_STATIC_ASSERT(offsetof(NetworkStatistics, upTimeValid) == 11, "upTimeValid");
NETROV_STATIC_ASSERT(offsetof(NetworkStatistics, upTime) == 12, "upTime");
NETROV_STATIC_ASSERT(offsetof(NetworkStatistics, inUnicast) == 16, "inUnicast");
NETROV_STATIC_ASSERT(offsetof(NetworkStatistics, outIp) == 72, "outIp");
NETROV_STATIC_ASSERT(offsetof(NetworkStatistics, inSnmp) == 80, "inSnmp");
NETROV_STATIC_ASSERT(offsetof(NetworkStatistics, inIcmpUnreachable) == 160, "inIcmpUnreachable");

#endif
