// The network family's one rule, over every member, against the in-process
// fake agent: which flags a reply sets, which conversions are made (and with
// what key), the polling division, the time since start, hardware and IPv6
// address lengths, and the two requests of the statistics.
#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "entry_points.h"
#include "fake_agent.h"
#include "netrov/network_records.h"
#include "netrov/result_codes.h"
#include "netrov/zomsnmp.h"
#include "service_fixture.h"

using namespace netrov::test;

namespace {

using EntryPoint = decltype(&TUVASRV_GetDevTCP);
using Objects = std::vector<std::pair<std::string, AgentValue>>;

// Objects under the documentation enterprise number.
std::string object(int n)
{
    return "1.3.6.1.4.1.32473.9." + std::to_string(n);
}

std::string oid(const char* key, int n, bool instance = true)
{
    return std::string("<oid def=\"") + key + "\">" + object(n) + (instance ? ".0" : "") + "</oid>\n";
}

std::string table(const char* name, const std::vector<std::pair<std::string, std::string>>& rows)
{
    std::string out = std::string("<keyword name=\"") + name + "\">";
    for (const auto& [key1, text] : rows) out += "<exchange key1=\"" + key1 + "\">" + text + "</exchange>";
    return out + "</keyword>\n";
}

std::vector<uint8_t> ipv4(const char* dotted)
{
    uint8_t bytes[4] = {};
    inet_pton(AF_INET, dotted, bytes);
    return {bytes, bytes + 4};
}

std::vector<uint8_t> ipv6(const char* text)
{
    uint8_t bytes[16] = {};
    inet_pton(AF_INET6, text, bytes);
    return {bytes, bytes + 16};
}

template <size_t N>
void setText(char (&field)[N], const std::string& text)
{
    memset(field, 0, N);
    memcpy(field, text.data(), std::min(text.size(), N - 1));
}

struct Case {
    const char* name;
    EntryPoint entry;
    std::string document;
    Objects objects;
    int32_t result;
    std::vector<std::vector<uint8_t>> records;  // every byte of each expected record
};

template <class Record>
std::vector<uint8_t> record(const std::function<void(Record&)>& fill)
{
    Record r;
    memset(&r, 0, sizeof r);
    fill(r);
    const auto* bytes = reinterpret_cast<const uint8_t*>(&r);
    return {bytes, bytes + sizeof r};
}

std::vector<Case> memberCases()
{
    const std::string onOff = table("GETDEVTCP_ENABLE", {{"0", "Off"}, {"1", "On"}}) +
                              table("GETDEVTCP_DHCP", {{"0", "Static"}, {"1", "DHCP"}});
    std::vector<Case> cases;

    cases.push_back({"tcp: only the address answers; both texts are those of 0", TUVASRV_GetDevTCP,
                     oid("GETDEVTCP_IP", 1) + onOff,
                     {{object(1) + ".0", AgentValue::ipAddress("192.0.2.7")}},
                     NETROV_OK,
                     {record<TcpSettings>([](TcpSettings& r) {
                         r.addressValid = 1;
                         memcpy(r.address, ipv4("192.0.2.7").data(), 4);
                         setText(r.enabledText, "Off");
                         setText(r.assignmentText, "Static");
                     })}});

    cases.push_back({"tcp: a switch of the wrong kind stays unread; any kind gives an address", TUVASRV_GetDevTCP,
                     oid("GETDEVTCP_ENABLE", 1) + oid("GETDEVTCP_SUBNET", 2) + oid("GETDEVTCP_DHCP", 3) + onOff,
                     {{object(1) + ".0", AgentValue::octets("1")},
                      {object(2) + ".0", AgentValue::octets(std::vector<uint8_t>{255, 255, 255, 128, 9})},
                      {object(3) + ".0", AgentValue::integer(1)}},
                     NETROV_OK,
                     {record<TcpSettings>([](TcpSettings& r) {
                         setText(r.enabledText, "Off");
                         r.subnetMaskValid = 1;
                         memcpy(r.subnetMask, ipv4("255.255.255.128").data(), 4);
                         r.assignmentValid = 1;
                         r.assignment = 1;
                         setText(r.assignmentText, "DHCP");
                     })}});

    // Each item text is keyed by the DNS switch and made only when its own
    // item was read: here the switch itself was not, so its texts stay empty.
    const std::string dnsTables = table("GETDEVTCPOPT_DNSENABLE", {{"0", "switch 0"}}) +
                                  table("GETDEVTCPOPT_ITEM_DNSENABLE", {{"0", "item 0"}}) +
                                  table("GETDEVTCPOPT_ITEM_DNSHOSTNAME", {{"0", "host 0"}, {"1", "host 1"}}) +
                                  table("GETDEVTCPOPT_ITEM_DNS1", {{"0", "dns 0"}, {"1", "dns 1"}}) +
                                  table("GETDEVTCPOPT_ITEM_WINS1", {{"*", "wins"}});
    cases.push_back({"tcpopt: item texts keyed by the switch, made for read items only", TUVASRV_GetDevTCPOpt,
                     oid("GETDEVTCPOPT_DNSHOSTNAME", 1) + oid("GETDEVTCPOPT_DNS_1", 2) + oid("GETDEVTCPOPT_WINS_1", 3) +
                         dnsTables,
                     {{object(1) + ".0", AgentValue::octets("printer-7")},
                      {object(2) + ".0", AgentValue::ipAddress("198.51.100.53")},
                      {object(3) + ".0", AgentValue::octets(std::vector<uint8_t>{198, 51, 100, 54})}},
                     NETROV_OK,
                     {record<TcpOptions>([](TcpOptions& r) {
                         r.hostNameValid = 1;
                         setText(r.hostName, "printer-7");
                         setText(r.hostNameItemText, "host 0");
                         r.dns1Valid = 1;
                         memcpy(r.dns1, ipv4("198.51.100.53").data(), 4);
                         setText(r.dns1Text, "dns 0");
                     })}});

    cases.push_back({"tcpopt: the switch read keys every item", TUVASRV_GetDevTCPOpt,
                     oid("GETDEVTCPOPT_DNSENABLE", 1) + oid("GETDEVTCPOPT_DNS_1", 2) + dnsTables,
                     {{object(1) + ".0", AgentValue::integer(1)}, {object(2) + ".0", AgentValue::ipAddress("198.51.100.53")}},
                     NETROV_OK,
                     {record<TcpOptions>([](TcpOptions& r) {
                         r.dnsEnabledValid = 1;
                         r.dnsEnabled = 1;
                         r.dns1Valid = 1;
                         memcpy(r.dns1, ipv4("198.51.100.53").data(), 4);
                         setText(r.dns1Text, "dns 1");
                     })}});

    // Two rows; texts and show values by the row index of each address.
    const std::string ipv6Doc = oid("GETDEVTCPIPV6_ADDRESS", 1, false) + oid("GETDEVTCPIPV6_AUTOCONF", 2, false) +
                                table("GETDEVTCPIPV6_AUTOCONF", {{"5", "Stateless"}}) +
                                table("GETDEVTCPIPV6_ITEM_IPV6", {{"3", "third"}, {"7", "seventh"}}) +
                                table("GETDEVTCPIPV6_IPV6SHOW", {{"3", "1"}});
    cases.push_back({"ipv6: two rows; a short address fills only its bytes", TUVASRV_GetDevTCPIPv6, ipv6Doc,
                     {{object(1) + ".3", AgentValue::octets(ipv6("2001:db8::3"))},
                      {object(1) + ".7", AgentValue::octets(std::vector<uint8_t>{0x20, 0x01, 0x0d, 0xb8})},
                      {object(2) + ".3", AgentValue::integer(5)},
                      {object(2) + ".7", AgentValue::integer(2)}},
                     NETROV_OK,
                     {record<Ipv6Settings>([](Ipv6Settings& r) {
                          r.autoConfigValid = 1;
                          r.autoConfig = 5;
                          setText(r.autoConfigText, "Stateless");
                          r.addressValid = 1;
                          memcpy(r.address, ipv6("2001:db8::3").data(), 16);
                          r.addressShow = 1;
                          setText(r.addressText, "third");
                      }),
                      record<Ipv6Settings>([](Ipv6Settings& r) {
                          r.autoConfigValid = 1;
                          r.autoConfig = 2;
                          r.addressValid = 1;
                          memcpy(r.address, ipv6("2001:db8::").data(), 4);
                          setText(r.addressText, "seventh");
                      })}});

    cases.push_back({"ipv6: an address that the table keeps in its index", TUVASRV_GetDevTCPIPv6,
                     oid("GETDEVTCPIPV6_ADDRESS", 1, false),
                     {{object(1) + ".2.16.32.1.13.184.0.0.0.0.0.0.0.0.0.0.0.9", AgentValue::integer(1)}},
                     NETROV_OK,
                     {record<Ipv6Settings>([](Ipv6Settings& r) {
                         r.addressValid = 1;
                         memcpy(r.address, ipv6("2001:db8::9").data(), 16);
                     })}});

    // The polling interval is divided by the mode's divisor when that is a
    // number other than 0.
    const std::string divisors = table("GETDEVNETWARE_POLLINGDIV", {{"2", "60"}, {"3", "0"}, {"4", "often"}, {"5", "-1"}}) +
                                 table("GETDEVNETWARE_MODE", {{"2", "Queue server"}}) +
                                 table("GETDEVNETWARE_ENABLE", {{"0", "Off"}});
    // A quotient that does not fit 32 bits leaves the interval undivided too.
    struct Polling {
        int32_t mode, interval, reported;
    };
    for (const Polling p : {Polling{2, 600, 10}, Polling{3, 600, 600}, Polling{4, 600, 600},
                            Polling{5, INT32_MIN, INT32_MIN}, Polling{5, 600, -600}}) {
        const int32_t mode = p.mode, polling = p.reported;
        cases.push_back({"netware: the polling interval by the mode's divisor", TUVASRV_GetDevNetWare,
                         oid("GETDEVNETWARE_MODE", 1) + oid("GETDEVNETWARE_POLLING", 2) + divisors,
                         {{object(1) + ".0", AgentValue::integer(mode)}, {object(2) + ".0", AgentValue::integer(p.interval)}},
                         NETROV_OK,
                         {record<NetWareSettings>([mode, polling](NetWareSettings& r) {
                             r.modeValid = 1;
                             r.mode = mode;
                             if (mode == 2) setText(r.modeText, "Queue server");
                             r.pollingValid = 1;
                             r.polling = polling;
                         })}});
    }

    cases.push_back({"smb: texts and the NetBIOS switch", TUVASRV_GetDevSMB,
                     oid("GETDEVSMB_NETBOTCP", 1) + oid("GETDEVSMB_WORK", 2) + oid("GETDEVSMB_COMT", 3) +
                         table("GETDEVSMB_NETBOTCP", {{"1", "On"}}) + table("GETDEVSMB_NETB", {{"0", "Off"}}),
                     {{object(1) + ".0", AgentValue::integer(1)},
                      {object(2) + ".0", AgentValue::octets("OFFICE")},
                      {object(3) + ".0", AgentValue::octets(std::string(300, 'c'))}},
                     NETROV_OK,
                     {record<SmbSettings>([](SmbSettings& r) {
                         r.netbiosOverTcpValid = 1;
                         r.netbiosOverTcp = 1;
                         setText(r.netbiosOverTcpText, "On");
                         r.workgroupValid = 1;
                         setText(r.workgroup, "OFFICE");
                         r.commentValid = 1;
                         setText(r.comment, std::string(255, 'c'));
                     })}});

    cases.push_back({"appletalk: name and zone", TUVASRV_GetDevAppleTalk,
                     oid("GETDEVAPPLETALK_ENABLE", 1) + oid("GETDEVAPPLETALK_ZONE", 2) +
                         table("GETDEVAPPLETALK_ENABLE", {{"2", "Off"}}),
                     {{object(1) + ".0", AgentValue::integer(2)}, {object(2) + ".0", AgentValue::octets("Design")}},
                     NETROV_OK,
                     {record<AppleTalkSettings>([](AppleTalkSettings& r) {
                         r.enabledValid = 1;
                         r.enabled = 2;
                         setText(r.enabledText, "Off");
                         r.zoneValid = 1;
                         setText(r.zone, "Design");
                     })}});

    cases.push_back({"rendezvous: the automatic address as its four bytes", TUVASRV_GetDevRendezvous,
                     oid("GETDEVRENDEZVOUS_NAME", 1) + oid("GETDEVRENDEZVOUS_AUTOIP", 2),
                     {{object(1) + ".0", AgentValue::octets("Printer 7")},
                      {object(2) + ".0", AgentValue::ipAddress("169.254.7.7")}},
                     NETROV_OK,
                     {record<RendezvousSettings>([](RendezvousSettings& r) {
                         r.nameValid = 1;
                         setText(r.name, "Printer 7");
                         r.autoIpValid = 1;
                         memcpy(r.autoIp, ipv4("169.254.7.7").data(), 4);
                     })}});

    cases.push_back({"rendezvous: values came back, none of its kind: no record", TUVASRV_GetDevRendezvous,
                     oid("GETDEVRENDEZVOUS_ENABLE", 1) + oid("GETDEVRENDEZVOUS_NAME", 2) +
                         table("GETDEVRENDEZVOUS_ENABLE", {{"*", "any"}}),
                     {{object(1) + ".0", AgentValue::octets("1")}, {object(2) + ".0", AgentValue::integer(7)}},
                     NETROV_OK,
                     {}});

    cases.push_back({"statistics: an 8-byte hardware address is cut to 6; 599 hundredths are 5 s", TUVASRV_GetDevNetInfo,
                     oid("GETDEVNETINFO_MACADDRESS", 1, false) + oid("GETDEVNETINFO_TIME", 2, false) +
                         oid("GETDEVNETINFO_INERR", 3, false) + oid("GETDEVNETINFO_OUTUDP", 4, false),
                     {{object(1) + ".1", AgentValue::octets(std::vector<uint8_t>{0, 0x15, 0xA3, 1, 2, 3, 4, 5})},
                      {object(2) + ".0", AgentValue::timeTicks(599)},
                      {object(3) + ".1", AgentValue::counter(4000000000u)},
                      {object(4) + ".0", AgentValue::counter(17)}},
                     NETROV_OK,
                     {record<NetworkStatistics>([](NetworkStatistics& r) {
                         r.macAddressValid = 1;
                         const uint8_t mac[6] = {0, 0x15, 0xA3, 1, 2, 3};
                         memcpy(r.macAddress, mac, 6);
                         r.upTimeValid = 1;
                         r.upTime = 5;
                         r.inErrors = {1, {}, 4000000000u};
                         r.outUdp = {1, {}, 17};
                     })}});
    return cases;
}

class NetworkFamily : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!agent.ok()) GTEST_SKIP() << "fake agent: " << agent.error();
        device = snmpDevice(agent.addressValue());
    }
    std::vector<AgentRequest> requests() const { return agent.requests(); }

    FakeAgent agent;
    DeviceIdentity device{};
};

}  // namespace

TEST_F(NetworkFamily, EachMemberFillsItsRecordFromItsTables)
{
    for (const Case& c : memberCases()) {
        SCOPED_TRACE(c.name);
        agent.clearObjects();
        for (const auto& [name, value] : c.objects) agent.setObject(name, value);
        Service service(document(c.document));
        ASSERT_TRUE(service.loaded());
        const size_t size = c.records.empty() ? 2048 : c.records.front().size();
        std::vector<uint8_t> out(size * 4, 0xEE);
        int32_t count = -1;
        ASSERT_EQ(c.entry(&device, 0, 0, out.data(), 4, &count, service.record()), c.result);
        ASSERT_EQ(count, static_cast<int32_t>(c.records.size()));
        for (size_t i = 0; i < c.records.size(); ++i) {
            const std::vector<uint8_t> got(out.begin() + static_cast<long>(i * size),
                                           out.begin() + static_cast<long>((i + 1) * size));
            for (size_t b = 0; b < size; ++b) {
                if (got[b] != c.records[i][b]) {
                    ADD_FAILURE() << "record " << i << " differs first at byte " << b << ": "
                                  << int(got[b]) << " instead of " << int(c.records[i][b]);
                    break;
                }
            }
        }
    }
}

TEST_F(NetworkFamily, StatisticsAskTwiceTheSecondOnlyAfterTheFirstSucceeded)
{
    // Both requests name their own keys in table order.
    Service service(Service::FromFile{}, Service::standardDefinition());
    agent.setObject("1.3.6.1.2.1.1.3.0", AgentValue::timeTicks(8641230));
    agent.setObject("1.3.6.1.2.1.2.2.1.11.1", AgentValue::counter(70));
    agent.setObject("1.3.6.1.2.1.11.1.0", AgentValue::counter(11));
    agent.setObject("1.3.6.1.2.1.99.1.0", AgentValue::integer(1));  // something after every counter
    NetworkStatistics statistics;
    int32_t count = 0;
    ASSERT_EQ(TUVASRV_GetDevNetInfo(&device, 0, 0, &statistics, 1, &count, service.record()), NETROV_OK);
    ASSERT_EQ(count, 1);
    const auto sent = requests();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].pduType, SNMP_PDU_GETNEXT);
    EXPECT_EQ(sent[0].bindings.size(), 10u);
    EXPECT_EQ(sent[1].bindings.size(), 11u);
    EXPECT_EQ(sent[1].bindings.front().oid, "1.3.6.1.2.1.11.1");
    EXPECT_EQ(statistics.upTime, 86412u);
    EXPECT_EQ(statistics.inUnicast.value, 70u);
    EXPECT_EQ(statistics.inSnmp.value, 11u);
    EXPECT_EQ(statistics.outSnmp.valid, 0);

    // A first request that fails ends the query: no second request, no record.
    agent.clearRequests();
    agent.setErrorStatus(5);
    count = -1;
    EXPECT_EQ(TUVASRV_GetDevNetInfo(&device, 0, 0, &statistics, 1, &count, service.record()), NETROV_NO_VALUE);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(agent.requestCount(), 1u);

    // No reply to the first request: the second is never sent either.
    agent.setErrorStatus(0);
    agent.clearRequests();
    agent.setSilent(true);
    EXPECT_EQ(TUVASRV_GetDevNetInfo(&device, 0, 0, &statistics, 1, &count, service.record()), NETROV_NO_REPLY);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(agent.requestCount(), 1u);
}

TEST_F(NetworkFamily, ASecondRequestWithNothingUsableKeepsTheFirstOnesValues)
{
    // Many printers lack the SNMP, TCP, UDP and ICMP groups: the SNMPv1
    // GetNext past the last object fails, which must not hide the interface
    // counters the first request read.
    Service service(Service::FromFile{}, Service::standardDefinition());
    agent.setObject("1.3.6.1.2.1.2.2.1.6.1", AgentValue::octets(std::vector<uint8_t>{0, 0x15, 0xA3, 9, 9, 9}));
    agent.setObject("1.3.6.1.2.1.2.2.1.11.1", AgentValue::counter(70));
    agent.setObject("1.3.6.1.2.1.4.10.0", AgentValue::counter(7));
    NetworkStatistics statistics;
    int32_t count = 0;
    ASSERT_EQ(TUVASRV_GetDevNetInfo(&device, 0, 0, &statistics, 1, &count, service.record()), NETROV_OK);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(agent.requestCount(), 2u);
    EXPECT_EQ(statistics.inUnicast.value, 70u);
    EXPECT_EQ(statistics.outIp.value, 7u);
    EXPECT_EQ(statistics.inSnmp.valid, 0);
}

TEST_F(NetworkFamily, StandardTcpIpSkipsTheLoopbackRowsAndReadsTheDefaultRoute)
{
    // The document turns the query's Get into a GetNext that starts after
    // 127.255.255.255 and, for the gateway, just before the 0.0.0.0 route.
    Service service(Service::FromFile{}, Service::standardDefinition());
    for (const char* address : {"127.0.0.1", "192.0.2.9"}) {
        agent.setObject(std::string("1.3.6.1.2.1.4.20.1.1.") + address, AgentValue::ipAddress(address));
        agent.setObject(std::string("1.3.6.1.2.1.4.20.1.3.") + address,
                        AgentValue::ipAddress(address[0] == '1' && address[1] == '2' ? "255.0.0.0" : "255.255.255.0"));
        agent.setObject(std::string("1.3.6.1.2.1.4.34.1.6.1.4.") + address, AgentValue::integer(address[1] == '2' ? 2 : 4));
    }
    agent.setObject("1.3.6.1.2.1.4.21.1.7.0.0.0.0", AgentValue::ipAddress("192.0.2.1"));
    agent.setObject("1.3.6.1.2.1.4.21.1.7.192.0.2.0", AgentValue::ipAddress("192.0.2.9"));
    TcpSettings tcp;
    int32_t count = 0;
    ASSERT_EQ(TUVASRV_GetDevTCP(&device, 0, 0, &tcp, 1, &count, service.record()), NETROV_OK);
    ASSERT_EQ(count, 1);
    ASSERT_EQ(agent.requestCount(), 1u);
    EXPECT_EQ(requests()[0].pduType, SNMP_PDU_GETNEXT);
    EXPECT_EQ(requests()[0].bindings[0].oid, "1.3.6.1.2.1.4.20.1.1.127.255.255.255");
    EXPECT_EQ(tcp.addressValid, 1);
    EXPECT_EQ(std::vector<uint8_t>(tcp.address, tcp.address + 4), ipv4("192.0.2.9"));
    EXPECT_EQ(std::vector<uint8_t>(tcp.subnetMask, tcp.subnetMask + 4), ipv4("255.255.255.0"));
    EXPECT_EQ(std::vector<uint8_t>(tcp.gateway, tcp.gateway + 4), ipv4("192.0.2.1"));
    EXPECT_EQ(tcp.assignment, 4);
    EXPECT_STREQ(tcp.assignmentText, "DHCP");

    // Without a default route the next route's hop is not taken for one.
    agent.removeObject("1.3.6.1.2.1.4.21.1.7.0.0.0.0");
    ASSERT_EQ(TUVASRV_GetDevTCP(&device, 0, 0, &tcp, 1, &count, service.record()), NETROV_OK);
    EXPECT_EQ(tcp.gatewayValid, 0);
    EXPECT_EQ(tcp.addressValid, 1);
}
