// Network settings and statistics: TCP/IP, DNS and WINS, IPv6, NetWare,
// SMB, AppleTalk, Rendezvous and the traffic counters. Each query is data:
// its request, the fields its keys fill and the conversions that turn
// settings into texts. One rule fills any of them.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "attribute_query.h"
#include "decoders.h"
#include "netrov/network_records.h"
#include "network_family.h"
#include "queries.h"
#include "read_cache.h"

namespace netrov::tessel {

namespace {

uint8_t* at(uint8_t* record, uint16_t offset)
{
    return record + offset;
}

int32_t loadInt(const uint8_t* record, uint16_t offset)
{
    int32_t value;
    memcpy(&value, record + offset, sizeof value);
    return value;
}

void storeInt(uint8_t* record, uint16_t offset, int32_t value)
{
    memcpy(record + offset, &value, sizeof value);
}

const NetworkField* fieldOf(const NetworkQuery& query, const char* key)
{
    for (const NetworkField& field : query.fields) {
        if (strcmp(field.key, key) == 0) return &field;
    }
    return nullptr;
}

// An address that a table carries only in its index: the last arcs of the
// identifier as a length-prefixed octet string ("16.b1....b16"), the form
// the SMI gives a variable-length string index.
bool addressFromInstance(const std::string& identifier, uint8_t* out, size_t width)
{
    std::vector<uint32_t> arcs;
    if (!parseOid(identifier, &arcs) || arcs.size() < width + 1 || arcs[arcs.size() - width - 1] != width) {
        return false;
    }
    for (size_t i = 0; i < width; ++i) {
        if (arcs[arcs.size() - width + i] > 255) return false;
    }
    for (size_t i = 0; i < width; ++i) out[i] = static_cast<uint8_t>(arcs[arcs.size() - width + i]);
    return true;
}

bool fillField(RowReader& row, const NetworkField& field, uint8_t* record)
{
    const ReplyValue* v = row.value(field.key);
    if (!v) {
        const ReplyValue* other = field.fill == Fill::AddressOrIndex ? row.present(field.key) : nullptr;
        if (!other || !addressFromInstance(other->identifier, at(record, field.value), field.width)) {
            return false;
        }
        *at(record, field.flag) = 1;
        return true;
    }
    switch (field.fill) {
    case Fill::Integer: storeInt(record, field.value, v->integer()); break;
    case Fill::Bytes:
    case Fill::AddressOrIndex:
        // A shorter value fills only as many bytes; the rest stay 0.
        memcpy(at(record, field.value), v->data(), v->length < field.width ? v->length : field.width);
        break;
    case Fill::Text:
        copyText(reinterpret_cast<char*>(at(record, field.value)), field.width, v->data(), v->length);
        break;
    case Fill::Hundredths: {
        const uint32_t seconds = static_cast<uint32_t>(v->integer()) / 100;
        memcpy(at(record, field.value), &seconds, sizeof seconds);
        break;
    }
    }
    *at(record, field.flag) = 1;
    return true;
}

void convert(const RowReader& row, const NetworkQuery& query, const NetworkConversion& conversion,
             uint8_t* record)
{
    const NetworkField* from = fieldOf(query, conversion.from);
    const NetworkField* when = conversion.when ? fieldOf(query, conversion.when) : nullptr;
    if (!from || (conversion.when && (!when || !*at(record, when->flag)))) return;
    int32_t key1 = loadInt(record, from->value);
    if (conversion.key1 == Key1::RowIndex) {
        const ReplyValue* v = row.present(conversion.from);
        key1 = v ? static_cast<int32_t>(lastArcOf(v->identifier)) : 0;
    }
    const ServiceRecord* service = &row.service();
    if (conversion.use == Use::Text) {
        lookupExchange(service, conversion.table, key1, std::nullopt, std::nullopt,
                       reinterpret_cast<char*>(at(record, conversion.target)), kNetworkTextSize);
        return;
    }
    char text[kNetworkTextSize];
    if (lookupExchange(service, conversion.table, key1, std::nullopt, std::nullopt, text, sizeof text) != 1) {
        return;
    }
    const int32_t number = decimalValue(text);
    if (conversion.use == Use::Number) {
        storeInt(record, conversion.target, number);
    } else if (number != 0) {
        // A divisor of 0, or a text that is no number, leaves the value as it is.
        const int64_t divided = static_cast<int64_t>(loadInt(record, conversion.target)) / number;
        if (divided >= INT32_MIN && divided <= INT32_MAX) storeInt(record, conversion.target, static_cast<int32_t>(divided));
    }
}

// Field tables list the keys in the order of the request.
#define NETROV_AT(Record, member) static_cast<uint16_t>(offsetof(Record, member))
#define INT(Record, key, kind, member) \
    {key, kind, 0, Fill::Integer, NETROV_AT(Record, member##Valid), NETROV_AT(Record, member), 4}
#define BYTES(Record, key, kind, member, width) \
    {key, kind, 0, Fill::Bytes, NETROV_AT(Record, member##Valid), NETROV_AT(Record, member), width}
#define TEXT(Record, key, member) \
    {key, kKindOctets, 0, Fill::Text, NETROV_AT(Record, member##Valid), NETROV_AT(Record, member), 256}
#define COUNTER(request, key, member)                                                                     \
    {key, kKindUnsigned, request, Fill::Integer, NETROV_AT(NetworkStatistics, member.valid),               \
     NETROV_AT(NetworkStatistics, member.value), 4}

constexpr NetworkField kTcpFields[] = {
    INT(TcpSettings, "GETDEVTCP_ENABLE", kKindInteger, enabled),
    BYTES(TcpSettings, "GETDEVTCP_IP", kKindAny, address, 4),
    BYTES(TcpSettings, "GETDEVTCP_SUBNET", kKindAny, subnetMask, 4),
    BYTES(TcpSettings, "GETDEVTCP_GATEWAY", kKindAny, gateway, 4),
    INT(TcpSettings, "GETDEVTCP_DHCP", kKindInteger, assignment),
};
// Made even when the setting was not read: then with the integer 0.
constexpr NetworkConversion kTcpConversions[] = {
    {"GETDEVTCP_ENABLE", "GETDEVTCP_ENABLE", Key1::Value, nullptr, Use::Text, NETROV_AT(TcpSettings, enabledText)},
    {"GETDEVTCP_DHCP", "GETDEVTCP_DHCP", Key1::Value, nullptr, Use::Text, NETROV_AT(TcpSettings, assignmentText)},
};

constexpr NetworkField kTcpOptionFields[] = {
    INT(TcpOptions, "GETDEVTCPOPT_DNSENABLE", kKindInteger, dnsEnabled),
    TEXT(TcpOptions, "GETDEVTCPOPT_DNSHOSTNAME", hostName),
    TEXT(TcpOptions, "GETDEVTCPOPT_DNSDOMAINNAME", domainName),
    BYTES(TcpOptions, "GETDEVTCPOPT_DNS_1", kKindIpAddress, dns1, 4),
    BYTES(TcpOptions, "GETDEVTCPOPT_DNS_2", kKindIpAddress, dns2, 4),
    BYTES(TcpOptions, "GETDEVTCPOPT_WINS_1", kKindIpAddress, wins1, 4),
    BYTES(TcpOptions, "GETDEVTCPOPT_WINS_2", kKindIpAddress, wins2, 4),
};
// Every item text is a conversion of the DNS switch, made when its own item
// was read.
#define DNS_ITEM(table, when, member) \
    {table, "GETDEVTCPOPT_DNSENABLE", Key1::Value, when, Use::Text, NETROV_AT(TcpOptions, member)}
constexpr NetworkConversion kTcpOptionConversions[] = {
    DNS_ITEM("GETDEVTCPOPT_DNSENABLE", "GETDEVTCPOPT_DNSENABLE", dnsEnabledText),
    DNS_ITEM("GETDEVTCPOPT_ITEM_DNSENABLE", "GETDEVTCPOPT_DNSENABLE", dnsEnabledItemText),
    DNS_ITEM("GETDEVTCPOPT_ITEM_DNSHOSTNAME", "GETDEVTCPOPT_DNSHOSTNAME", hostNameItemText),
    DNS_ITEM("GETDEVTCPOPT_ITEM_DNSDOMAINNAME", "GETDEVTCPOPT_DNSDOMAINNAME", domainNameItemText),
    DNS_ITEM("GETDEVTCPOPT_ITEM_DNS1", "GETDEVTCPOPT_DNS_1", dns1Text),
    DNS_ITEM("GETDEVTCPOPT_ITEM_DNS2", "GETDEVTCPOPT_DNS_2", dns2Text),
    DNS_ITEM("GETDEVTCPOPT_ITEM_WINS1", "GETDEVTCPOPT_WINS_1", wins1Text),
    DNS_ITEM("GETDEVTCPOPT_ITEM_WINS2", "GETDEVTCPOPT_WINS_2", wins2Text),
};

constexpr NetworkField kIpv6Fields[] = {
    INT(Ipv6Settings, "GETDEVTCPIPV6_PROTOCOL", kKindInteger, protocol),
    INT(Ipv6Settings, "GETDEVTCPIPV6_AUTOCONF", kKindInteger, autoConfig),
    {"GETDEVTCPIPV6_ADDRESS", kKindOctets, 0, Fill::AddressOrIndex, NETROV_AT(Ipv6Settings, addressValid),
     NETROV_AT(Ipv6Settings, address), 16},
    {"GETDEVTCPIPV6_ROUTERADDRESS", kKindOctets, 0, Fill::AddressOrIndex, NETROV_AT(Ipv6Settings, routerValid),
     NETROV_AT(Ipv6Settings, router), 16},
};
#define SETTING(Record, table, key, member) {table, key, Key1::Value, key, Use::Text, NETROV_AT(Record, member)}
// The address texts and show values are looked up by the row index of the
// address (the last arc of its identifier).
#define BY_ROW(table, key, use, member) {table, key, Key1::RowIndex, key, use, NETROV_AT(Ipv6Settings, member)}
constexpr NetworkConversion kIpv6Conversions[] = {
    SETTING(Ipv6Settings, "GETDEVTCPIPV6_ENABLE", "GETDEVTCPIPV6_PROTOCOL", protocolText),
    SETTING(Ipv6Settings, "GETDEVTCPIPV6_ITEM_ENABLE", "GETDEVTCPIPV6_PROTOCOL", protocolItemText),
    SETTING(Ipv6Settings, "GETDEVTCPIPV6_AUTOCONF", "GETDEVTCPIPV6_AUTOCONF", autoConfigText),
    SETTING(Ipv6Settings, "GETDEVTCPIPV6_ITEM_AUTOCONF", "GETDEVTCPIPV6_AUTOCONF", autoConfigItemText),
    BY_ROW("GETDEVTCPIPV6_ITEM_IPV6", "GETDEVTCPIPV6_ADDRESS", Use::Text, addressText),
    BY_ROW("GETDEVTCPIPV6_IPV6SHOW", "GETDEVTCPIPV6_ADDRESS", Use::Number, addressShow),
    BY_ROW("GETDEVTCPIPV6_ITEM_IPV6ROUTER", "GETDEVTCPIPV6_ROUTERADDRESS", Use::Text, routerText),
    BY_ROW("GETDEVTCPIPV6_IPV6ROUTERSHOW", "GETDEVTCPIPV6_ROUTERADDRESS", Use::Number, routerShow),
};

constexpr NetworkField kNetWareFields[] = {
    INT(NetWareSettings, "GETDEVNETWARE_ENABLE", kKindInteger, enabled),
    INT(NetWareSettings, "GETDEVNETWARE_FRAME", kKindInteger, frameType),
    INT(NetWareSettings, "GETDEVNETWARE_MODE", kKindInteger, mode),
    INT(NetWareSettings, "GETDEVNETWARE_BIN", kKindInteger, bindery),
    TEXT(NetWareSettings, "GETDEVNETWARE_NAME", name),
    TEXT(NetWareSettings, "GETDEVNETWARE_TREE", tree),
    TEXT(NetWareSettings, "GETDEVNETWARE_CONT", context),
    INT(NetWareSettings, "GETDEVNETWARE_POLLING", kKindInteger, polling),
};
constexpr NetworkConversion kNetWareConversions[] = {
    SETTING(NetWareSettings, "GETDEVNETWARE_ENABLE", "GETDEVNETWARE_ENABLE", enabledText),
    SETTING(NetWareSettings, "GETDEVNETWARE_FRAME", "GETDEVNETWARE_FRAME", frameTypeText),
    SETTING(NetWareSettings, "GETDEVNETWARE_MODE", "GETDEVNETWARE_MODE", modeText),
    SETTING(NetWareSettings, "GETDEVNETWARE_BIN", "GETDEVNETWARE_BIN", binderyText),
    // The polling interval's unit depends on the mode: the document gives the divisor.
    {"GETDEVNETWARE_POLLINGDIV", "GETDEVNETWARE_MODE", Key1::Value, "GETDEVNETWARE_POLLING", Use::Divisor,
     NETROV_AT(NetWareSettings, polling)},
};

constexpr NetworkField kSmbFields[] = {
    INT(SmbSettings, "GETDEVSMB_NETB", kKindInteger, netbeui),
    INT(SmbSettings, "GETDEVSMB_NETBOTCP", kKindInteger, netbiosOverTcp),
    TEXT(SmbSettings, "GETDEVSMB_COMP", computerName),
    TEXT(SmbSettings, "GETDEVSMB_WORK", workgroup),
    TEXT(SmbSettings, "GETDEVSMB_COMT", comment),
};
constexpr NetworkConversion kSmbConversions[] = {
    SETTING(SmbSettings, "GETDEVSMB_NETB", "GETDEVSMB_NETB", netbeuiText),
    SETTING(SmbSettings, "GETDEVSMB_NETBOTCP", "GETDEVSMB_NETBOTCP", netbiosOverTcpText),
};

constexpr NetworkField kAppleTalkFields[] = {
    INT(AppleTalkSettings, "GETDEVAPPLETALK_ENABLE", kKindInteger, enabled),
    TEXT(AppleTalkSettings, "GETDEVAPPLETALK_PNAME", name),
    TEXT(AppleTalkSettings, "GETDEVAPPLETALK_ZONE", zone),
};
constexpr NetworkConversion kAppleTalkConversions[] = {
    SETTING(AppleTalkSettings, "GETDEVAPPLETALK_ENABLE", "GETDEVAPPLETALK_ENABLE", enabledText),
};

constexpr NetworkField kRendezvousFields[] = {
    INT(RendezvousSettings, "GETDEVRENDEZVOUS_ENABLE", kKindInteger, enabled),
    TEXT(RendezvousSettings, "GETDEVRENDEZVOUS_NAME", name),
    BYTES(RendezvousSettings, "GETDEVRENDEZVOUS_AUTOIP", kKindAny, autoIp, 4),
};
constexpr NetworkConversion kRendezvousConversions[] = {
    SETTING(RendezvousSettings, "GETDEVRENDEZVOUS_ENABLE", "GETDEVRENDEZVOUS_ENABLE", enabledText),
};

// The statistics ask twice: the interface and IP counters first, the
// protocol counters only when the first request succeeded.
constexpr NetworkField kStatisticsFields[] = {
    {"GETDEVNETINFO_MACADDRESS", kKindOctets, 0, Fill::Bytes, NETROV_AT(NetworkStatistics, macAddressValid),
     NETROV_AT(NetworkStatistics, macAddress), 6},
    {"GETDEVNETINFO_TIME", kKindUnsigned, 0, Fill::Hundredths, NETROV_AT(NetworkStatistics, upTimeValid),
     NETROV_AT(NetworkStatistics, upTime), 4},
    COUNTER(0, "GETDEVNETINFO_INUCAST", inUnicast),
    COUNTER(0, "GETDEVNETINFO_OUTUCAST", outUnicast),
    COUNTER(0, "GETDEVNETINFO_INNUCAST", inNonUnicast),
    COUNTER(0, "GETDEVNETINFO_OUTNUCAST", outNonUnicast),
    COUNTER(0, "GETDEVNETINFO_INERR", inErrors),
    COUNTER(0, "GETDEVNETINFO_OUTERR", outErrors),
    COUNTER(0, "GETDEVNETINFO_INIP", inIp),
    COUNTER(0, "GETDEVNETINFO_OUTIP", outIp),
    COUNTER(1, "GETDEVNETINFO_INSNMP", inSnmp),
    COUNTER(1, "GETDEVNETINFO_OUTSNMP", outSnmp),
    COUNTER(1, "GETDEVNETINFO_INTCP", inTcp),
    COUNTER(1, "GETDEVNETINFO_OUTTCP", outTcp),
    COUNTER(1, "GETDEVNETINFO_INUDP", inUdp),
    COUNTER(1, "GETDEVNETINFO_OUTUDP", outUdp),
    COUNTER(1, "GETDEVNETINFO_INICMP", inIcmp),
    COUNTER(1, "GETDEVNETINFO_OUTICMP", outIcmp),
    COUNTER(1, "GETDEVNETINFO_INICMPERR", inIcmpErrors),
    COUNTER(1, "GETDEVNETINFO_OUTICMPERR", outIcmpErrors),
    COUNTER(1, "GETDEVNETINFO_DESTICMP", inIcmpUnreachable),
};

#undef INT
#undef BYTES
#undef TEXT
#undef COUNTER
#undef DNS_ITEM
#undef SETTING
#undef BY_ROW

// Every field and text lies inside its record.
constexpr bool fits(std::span<const NetworkField> fields, std::span<const NetworkConversion> conversions,
                    size_t size)
{
    for (const NetworkField& f : fields) {
        if (f.flag >= size || f.value + f.width > size) return false;
    }
    for (const NetworkConversion& c : conversions) {
        if (c.target + (c.use == Use::Text ? kNetworkTextSize : sizeof(int32_t)) > size) return false;
    }
    return true;
}

#define NETROV_MEMBER(name, Record, table, shape, fields, conversions)                 \
    static_assert(fits(fields, conversions, sizeof(Record)), #Record " field table"); \
    constexpr NetworkQuery name{table, shape, sizeof(Record), fields, conversions}

NETROV_MEMBER(kTcp, TcpSettings, "GETDEVTCP_REQUEST", RequestShape::Get, kTcpFields, kTcpConversions);
NETROV_MEMBER(kTcpOptions, TcpOptions, "GETDEVTCPOPT_REQUEST", RequestShape::Get, kTcpOptionFields,
              kTcpOptionConversions);
NETROV_MEMBER(kIpv6, Ipv6Settings, nullptr, RequestShape::Walk, kIpv6Fields, kIpv6Conversions);
NETROV_MEMBER(kNetWare, NetWareSettings, "GETDEVNETWARE_REQUEST", RequestShape::Get, kNetWareFields,
              kNetWareConversions);
NETROV_MEMBER(kSmb, SmbSettings, "GETDEVSMB_REQUEST", RequestShape::Get, kSmbFields, kSmbConversions);
NETROV_MEMBER(kAppleTalk, AppleTalkSettings, "GETDEVAPPLETALK_REQUEST", RequestShape::Get, kAppleTalkFields,
              kAppleTalkConversions);
NETROV_MEMBER(kRendezvous, RendezvousSettings, "GETDEVRENDEZVOUS_REQUEST", RequestShape::Get, kRendezvousFields,
              kRendezvousConversions);
NETROV_MEMBER(kStatistics, NetworkStatistics, nullptr, RequestShape::GetNext, kStatisticsFields,
              std::span<const NetworkConversion>{});
#undef NETROV_MEMBER
#undef NETROV_AT

// The keys of each request of a query.
std::vector<std::vector<KeyEntry>> singleRequestKeys(const NetworkQuery& query)
{
    std::vector<std::vector<KeyEntry>> tables;
    for (const NetworkField& field : query.fields) {
        if (field.request >= tables.size()) tables.resize(field.request + 1u);
        tables[field.request].push_back({"def", field.key, "", field.kind});
    }
    return tables;
}

// The single requests of a reading, asked together from a v2c device, each
// in the exchange the document gives it.
const ReadAhead kReadAhead[] = {
    {SNMP_PDU_GET, kTcp.requestTable, singleRequestKeys(kTcp)},
    {SNMP_PDU_GET, kTcpOptions.requestTable, singleRequestKeys(kTcpOptions)},
    {SNMP_PDU_GET, kNetWare.requestTable, singleRequestKeys(kNetWare)},
    {SNMP_PDU_GET, kSmb.requestTable, singleRequestKeys(kSmb)},
    {SNMP_PDU_GET, kAppleTalk.requestTable, singleRequestKeys(kAppleTalk)},
    {SNMP_PDU_GET, kRendezvous.requestTable, singleRequestKeys(kRendezvous)},
    {SNMP_PDU_GETNEXT, nullptr, singleRequestKeys(kStatistics)},
};

}  // namespace

bool fillNetworkRecord(RowReader& row, const NetworkQuery& query, uint8_t* record)
{
    bool any = false;
    for (const NetworkField& field : query.fields) any |= fillField(row, field, record);
    for (const NetworkConversion& conversion : query.conversions) convert(row, query, conversion, record);
    return any;
}

namespace {

template <class Record>
int32_t runNetworkQuery(const QueryCall& call, const NetworkQuery& query)
{
    // One key table per request, in the order of the field table.
    std::vector<std::vector<KeyEntry>> tables;
    for (const NetworkField& field : query.fields) {
        if (field.request >= tables.size()) tables.resize(field.request + 1u);
        tables[field.request].push_back({"def", field.key, "", field.kind});
    }
    const std::vector<std::span<const KeyEntry>> requests(tables.begin(), tables.end());
    const auto onRow = [&](RowReader& row) {
        Record record;
        memset(&record, 0, sizeof record);
        if (fillNetworkRecord(row, query, reinterpret_cast<uint8_t*>(&record))) call.out.produce(record);
    };
    if (query.shape == RequestShape::Walk) return runRows(call, requests.front(), query.shape, onRow);
    const RequestShape shape =
        query.requestTable ? documentShape(call.service, query.requestTable, query.shape) : query.shape;
    return runRequests(call, requests, shape, onRow);
}

}  // namespace

int32_t getDevTCP(const QueryCall& call) { return runNetworkQuery<TcpSettings>(call, kTcp); }
int32_t getDevTCPOpt(const QueryCall& call) { return runNetworkQuery<TcpOptions>(call, kTcpOptions); }
int32_t getDevTCPIPv6(const QueryCall& call) { return runNetworkQuery<Ipv6Settings>(call, kIpv6); }
int32_t getDevNetWare(const QueryCall& call) { return runNetworkQuery<NetWareSettings>(call, kNetWare); }
int32_t getDevSMB(const QueryCall& call) { return runNetworkQuery<SmbSettings>(call, kSmb); }
int32_t getDevAppleTalk(const QueryCall& call) { return runNetworkQuery<AppleTalkSettings>(call, kAppleTalk); }
int32_t getDevRendezvous(const QueryCall& call) { return runNetworkQuery<RendezvousSettings>(call, kRendezvous); }
int32_t getDevNetInfo(const QueryCall& call) { return runNetworkQuery<NetworkStatistics>(call, kStatistics); }

}  // namespace netrov::tessel
