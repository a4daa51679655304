// The records of the network settings and statistics queries, described for
// the record schema.
#include <netrov/network_records.h>
#include <netrov/tuva.h>

#include "record_schema_families.h"

namespace netrov::core {

namespace {

#define F NETROV_FIELD
#define A NETROV_FIELD_ALWAYS
#define IP NETROV_FIELD_ADDRESS

// The TCP/IP texts are looked up even when their setting was not read.
constexpr FieldSchema kTcpFields[] = {
    F(TcpSettings, enabled, enabledValid, "tcpIpEnabled"),
    A(TcpSettings, enabledText, "tcpIpEnabledText"),
    F(TcpSettings, assignment, assignmentValid, "addressAssignment"),
    A(TcpSettings, assignmentText, "addressAssignmentText"),
    IP(TcpSettings, address, addressValid, "ipAddress"),
    IP(TcpSettings, subnetMask, subnetMaskValid, "subnetMask"),
    IP(TcpSettings, gateway, gatewayValid, "defaultGateway"),
};

constexpr FieldSchema kTcpOptionFields[] = {
    F(TcpOptions, dnsEnabled, dnsEnabledValid, "dnsEnabled"),
    F(TcpOptions, dnsEnabledText, dnsEnabledValid, "dnsEnabledText"),
    F(TcpOptions, dnsEnabledItemText, dnsEnabledValid, "dnsEnabledItemText"),
    F(TcpOptions, hostNameItemText, hostNameValid, "hostNameItemText"),
    F(TcpOptions, hostName, hostNameValid, "hostName"),
    F(TcpOptions, domainName, domainNameValid, "domainName"),
    F(TcpOptions, domainNameItemText, domainNameValid, "domainNameItemText"),
    IP(TcpOptions, dns1, dns1Valid, "dnsServer1"),
    F(TcpOptions, dns1Text, dns1Valid, "dnsServer1Text"),
    IP(TcpOptions, dns2, dns2Valid, "dnsServer2"),
    F(TcpOptions, dns2Text, dns2Valid, "dnsServer2Text"),
    IP(TcpOptions, wins1, wins1Valid, "winsServer1"),
    F(TcpOptions, wins1Text, wins1Valid, "winsServer1Text"),
    IP(TcpOptions, wins2, wins2Valid, "winsServer2"),
    F(TcpOptions, wins2Text, wins2Valid, "winsServer2Text"),
};

constexpr FieldSchema kIpv6Fields[] = {
    F(Ipv6Settings, protocol, protocolValid, "ipv6Enabled"),
    F(Ipv6Settings, protocolText, protocolValid, "ipv6EnabledText"),
    F(Ipv6Settings, protocolItemText, protocolValid, "ipv6EnabledItemText"),
    F(Ipv6Settings, autoConfig, autoConfigValid, "autoConfiguration"),
    F(Ipv6Settings, autoConfigText, autoConfigValid, "autoConfigurationText"),
    F(Ipv6Settings, autoConfigItemText, autoConfigValid, "autoConfigurationItemText"),
    IP(Ipv6Settings, address, addressValid, "ipv6Address"),
    F(Ipv6Settings, addressShow, addressValid, "ipv6AddressShow"),
    F(Ipv6Settings, addressText, addressValid, "ipv6AddressText"),
    IP(Ipv6Settings, router, routerValid, "routerAddress"),
    F(Ipv6Settings, routerShow, routerValid, "routerAddressShow"),
    F(Ipv6Settings, routerText, routerValid, "routerAddressText"),
};

constexpr FieldSchema kNetWareFields[] = {
    F(NetWareSettings, enabled, enabledValid, "netWareEnabled"),
    F(NetWareSettings, enabledText, enabledValid, "netWareEnabledText"),
    F(NetWareSettings, frameType, frameTypeValid, "frameType"),
    F(NetWareSettings, frameTypeText, frameTypeValid, "frameTypeText"),
    F(NetWareSettings, mode, modeValid, "mode"),
    F(NetWareSettings, modeText, modeValid, "modeText"),
    F(NetWareSettings, bindery, binderyValid, "bindery"),
    F(NetWareSettings, binderyText, binderyValid, "binderyText"),
    F(NetWareSettings, name, nameValid, "printServerName"),
    F(NetWareSettings, tree, treeValid, "tree"),
    F(NetWareSettings, context, contextValid, "context"),
    F(NetWareSettings, polling, pollingValid, "pollingInterval"),
};

constexpr FieldSchema kSmbFields[] = {
    F(SmbSettings, netbeui, netbeuiValid, "netbeui"),
    F(SmbSettings, netbeuiText, netbeuiValid, "netbeuiText"),
    F(SmbSettings, netbiosOverTcp, netbiosOverTcpValid, "netbiosOverTcp"),
    F(SmbSettings, netbiosOverTcpText, netbiosOverTcpValid, "netbiosOverTcpText"),
    F(SmbSettings, computerName, computerNameValid, "computerName"),
    F(SmbSettings, workgroup, workgroupValid, "workgroup"),
    F(SmbSettings, comment, commentValid, "comment"),
};

constexpr FieldSchema kAppleTalkFields[] = {
    F(AppleTalkSettings, enabled, enabledValid, "appleTalkEnabled"),
    F(AppleTalkSettings, enabledText, enabledValid, "appleTalkEnabledText"),
    F(AppleTalkSettings, name, nameValid, "printerName"),
    F(AppleTalkSettings, zone, zoneValid, "zone"),
};

constexpr FieldSchema kRendezvousFields[] = {
    F(RendezvousSettings, enabled, enabledValid, "rendezvousEnabled"),
    F(RendezvousSettings, enabledText, enabledValid, "rendezvousEnabledText"),
    F(RendezvousSettings, name, nameValid, "serviceName"),
    F(RendezvousSettings, autoIp, autoIpValid, "autoIp"),
};

#define COUNTER(member, jsonName) F(NetworkStatistics, member.value, member.valid, jsonName)
constexpr FieldSchema kStatisticsFields[] = {
    F(NetworkStatistics, macAddress, macAddressValid, "macAddress"),
    F(NetworkStatistics, upTime, upTimeValid, "upTimeSeconds"),
    COUNTER(inUnicast, "inUnicastPackets"),
    COUNTER(outUnicast, "outUnicastPackets"),
    COUNTER(inNonUnicast, "inNonUnicastPackets"),
    COUNTER(outNonUnicast, "outNonUnicastPackets"),
    COUNTER(inErrors, "inErrors"),
    COUNTER(outErrors, "outErrors"),
    COUNTER(inIp, "inIpDatagrams"),
    COUNTER(outIp, "outIpDatagrams"),
    COUNTER(inSnmp, "inSnmpPackets"),
    COUNTER(outSnmp, "outSnmpPackets"),
    COUNTER(inTcp, "inTcpSegments"),
    COUNTER(outTcp, "outTcpSegments"),
    COUNTER(inUdp, "inUdpDatagrams"),
    COUNTER(outUdp, "outUdpDatagrams"),
    COUNTER(inIcmp, "inIcmpMessages"),
    COUNTER(outIcmp, "outIcmpMessages"),
    COUNTER(inIcmpErrors, "inIcmpErrors"),
    COUNTER(outIcmpErrors, "outIcmpErrors"),
    COUNTER(inIcmpUnreachable, "inIcmpUnreachable"),
};
#undef COUNTER

#undef F
#undef A
#undef IP

#define NETROV_RECORD(Type, fields) constexpr RecordSchema k##Type##Schema{#Type, sizeof(Type), fields}
NETROV_RECORD(TcpSettings, kTcpFields);
NETROV_RECORD(TcpOptions, kTcpOptionFields);
NETROV_RECORD(Ipv6Settings, kIpv6Fields);
NETROV_RECORD(NetWareSettings, kNetWareFields);
NETROV_RECORD(SmbSettings, kSmbFields);
NETROV_RECORD(AppleTalkSettings, kAppleTalkFields);
NETROV_RECORD(RendezvousSettings, kRendezvousFields);
NETROV_RECORD(NetworkStatistics, kStatisticsFields);
#undef NETROV_RECORD

constexpr QuerySchema kQueries[] = {
    {"GetDevTCP", &kTcpSettingsSchema, TUVA_GetDevTCP, 1},
    {"GetDevTCPOpt", &kTcpOptionsSchema, TUVA_GetDevTCPOpt, 1},
    {"GetDevTCPIPv6", &kIpv6SettingsSchema, TUVA_GetDevTCPIPv6, 8},
    {"GetDevNetWare", &kNetWareSettingsSchema, TUVA_GetDevNetWare, 1},
    {"GetDevSMB", &kSmbSettingsSchema, TUVA_GetDevSMB, 1},
    {"GetDevAppleTalk", &kAppleTalkSettingsSchema, TUVA_GetDevAppleTalk, 1},
    {"GetDevRendezvous", &kRendezvousSettingsSchema, TUVA_GetDevRendezvous, 1},
    {"GetDevNetInfo", &kNetworkStatisticsSchema, TUVA_GetDevNetInfo, 1},
};

}  // namespace

std::span<const QuerySchema> networkQuerySchemas()
{
    return kQueries;
}

}  // namespace netrov::core
