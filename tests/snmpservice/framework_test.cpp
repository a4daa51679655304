// Edge cases of the shared query machinery against the in-process fake agent.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "entry_points.h"
#include "fake_agent.h"
#include "framework.h"
#include "netrov/result_codes.h"
#include "queries.h"
#include "service_fixture.h"

using namespace netrov::test;
using namespace netrov::tessel;

namespace {

constexpr const char* kSysName = "1.3.6.1.2.1.1.5.0";
constexpr const char* kSysLocation = "1.3.6.1.2.1.1.6.0";
constexpr const char* kSysServices = "1.3.6.1.2.1.1.7.0";
constexpr const char* kIfPhys1 = "1.3.6.1.2.1.2.2.1.6.1";

class FrameworkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!agent.ok()) GTEST_SKIP() << "fake agent: " << agent.error();
        device = snmpDevice(agent.addressValue());
    }
    std::vector<std::string> requestedNames(size_t request = 0) const
    {
        std::vector<std::string> names;
        const auto all = agent.requests();
        if (request < all.size()) {
            for (const auto& b : all[request].bindings) names.push_back(b.oid);
        }
        return names;
    }

    FakeAgent agent;
    DeviceIdentity device{};
};

}  // namespace

TEST_F(FrameworkTest, DocumentWithoutTheQueryKeysReturns8AndSendsNothing)
{
    Service service(document("<oid def=\"GETDEVTONER_LEVEL\">1.3.6.1.2.1.43.11.1.1.9</oid>"));
    ASSERT_TRUE(service.loaded());
    DeviceInfo info[2];
    int32_t count = -1;
    EXPECT_EQ(TUVASRV_GetDevInfo(&device, 0, 0, info, 2, &count, service.record()), NETROV_NOT_DEFINED);
    EXPECT_EQ(count, 0);
    int32_t sought = -1;
    DeviceIdentity request = device;
    EXPECT_EQ(TUVASRV_SearchDevice(&request, 0, 0, nullptr, 0, &sought, service.record()), NETROV_NOT_DEFINED);
    EXPECT_EQ(agent.requestCount(), 0u);
}

TEST_F(FrameworkTest, OidWithoutDefServesEveryKey)
{
    Service service(document("<oid>1.3.6.1.2.1.1.5</oid>\n"
                             "<oid def=\"GETDEVINFO_LOCATION\">1.3.6.1.2.1.1.6</oid>"));
    agent.setObject(kSysName, AgentValue::octets("printer-7"));
    DeviceInfo info;
    int32_t count = 0;
    ASSERT_EQ(TUVASRV_GetDevInfo(&device, 0, 0, &info, 1, &count, service.record()), NETROV_OK);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(requestedNames(), (std::vector<std::string>{"1.3.6.1.2.1.1.5", "1.3.6.1.2.1.1.5", "1.3.6.1.2.1.1.5"}));
    EXPECT_STREQ(info.name, "printer-7");
    EXPECT_STREQ(info.location, "printer-7");
    EXPECT_EQ(info.macAddressValid, 1);
    EXPECT_EQ(memcmp(info.macAddress, "printe", 6), 0);
}

TEST_F(FrameworkTest, PrefixAndSuffixStarPatterns)
{
    Service service(document("<oid def=\"*_MACADDRESS\">1.3.6.1.2.1.2.2.1.6</oid>\n"
                             "<oid def=\"GETDEVINFO_*\">1.3.6.1.2.1.1.6</oid>"));
    agent.setObject(kSysLocation, AgentValue::octets("Lab"));
    agent.setObject(kIfPhys1, AgentValue::octets(std::vector<uint8_t>{0, 0x15, 0xA3, 1, 2, 3}));
    DeviceInfo info;
    int32_t count = 0;
    ASSERT_EQ(TUVASRV_GetDevInfo(&device, 0, 0, &info, 1, &count, service.record()), NETROV_OK);
    EXPECT_EQ(requestedNames(), (std::vector<std::string>{"1.3.6.1.2.1.1.6", "1.3.6.1.2.1.1.6", "1.3.6.1.2.1.2.2.1.6"}));
    EXPECT_STREQ(info.name, "Lab");
    EXPECT_STREQ(info.location, "Lab");
    const uint8_t mac[6] = {0, 0x15, 0xA3, 1, 2, 3};
    EXPECT_EQ(memcmp(info.macAddress, mac, 6), 0);
}

TEST_F(FrameworkTest, GetNextLeavingTheSubtreeLeavesTheFieldUnset)
{
    Service service(Service::FromFile{}, Service::standardDefinition());
    agent.setObject(kSysName, AgentValue::octets("printer-7"));
    agent.setObject(kSysServices, AgentValue::integer(72));  // what follows sysLocation
    agent.setObject("1.3.6.1.2.1.99.1.0", AgentValue::integer(1));  // what follows ifPhysAddress
    DeviceInfo info;
    int32_t count = 0;
    ASSERT_EQ(TUVASRV_GetDevInfo(&device, 0, 0, &info, 1, &count, service.record()), NETROV_OK);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(info.nameValid, 1);
    EXPECT_EQ(info.locationValid, 0);
    EXPECT_EQ(info.location[0], '\0');
    EXPECT_EQ(info.macAddressValid, 0);
}

TEST_F(FrameworkTest, NeighbourColumnWithALongerArcIsOutsideTheSubtree)
{
    // 1.3.6.1.2.1.1.50 starts with the text of 1.3.6.1.2.1.1.5 but is not below it.
    Service service(document("<oid def=\"GETDEVINFO_DEVICE\">1.3.6.1.2.1.1.5</oid>"));
    agent.setObject("1.3.6.1.2.1.1.50.0", AgentValue::octets("not a name"));
    DeviceInfo info;
    int32_t count = 0;
    EXPECT_EQ(TUVASRV_GetDevInfo(&device, 0, 0, &info, 1, &count, service.record()), NETROV_NO_VALUE);
    EXPECT_EQ(count, 0);
}

TEST_F(FrameworkTest, WalkOverAnEmptyTableReturnsNoRows)
{
    Service service(Service::FromFile{}, Service::standardDefinition());
    agent.setObject("1.3.6.1.2.1.43.19.1.0", AgentValue::integer(1));  // past the alert table
    static constexpr KeyEntry keys[] = {{"def", "GETDEVSTATUS_ALERTCODE1", "", kKindInteger}};
    QuerySetup setup;
    ASSERT_EQ(prepareQuery(&setup, device.address, keys, 1, "public", service.record()), 0);
    const RowsResult walk = walkTable(setup);
    EXPECT_EQ(walk.code, 0);
    EXPECT_TRUE(walk.rows.empty());
    EXPECT_EQ(agent.requestCount(), 1u);
}

TEST_F(FrameworkTest, AgentThatDoesNotAdvanceEndsTheWalk)
{
    Service service(Service::FromFile{}, Service::standardDefinition());
    agent.setObject("1.3.6.1.2.1.43.18.1.1.7.1.1", AgentValue::integer(8));
    agent.setLoop(true);
    static constexpr KeyEntry keys[] = {{"def", "GETDEVSTATUS_ALERTCODE1", "", kKindInteger}};
    QuerySetup setup;
    ASSERT_EQ(prepareQuery(&setup, device.address, keys, 1, "public", service.record()), 0);
    setup.requested[0] = "1.3.6.1.2.1.43.18.1.1.7.1.1";
    const RowsResult walk = walkTable(setup);
    EXPECT_EQ(walk.code, 0);
    EXPECT_TRUE(walk.rows.empty());
    EXPECT_EQ(agent.requestCount(), 1u);
}

namespace {

// Every GetNext gets the next instance of the same column, endlessly, each
// answer after delay.
FakeAgent::Handler endlessTable(std::chrono::milliseconds delay = {})
{
    return [delay](const AgentRequest& r) -> std::vector<AgentReply> {
        std::vector<AgentBinding> out;
        for (const auto& b : r.bindings) {
            const size_t dot = b.oid.rfind('.');
            const uint64_t next = std::stoull(b.oid.substr(dot + 1)) + 1;
            out.push_back({"1.3.6.1.4.1.32473.5.1." + std::to_string(next), AgentValue::integer(7)});
        }
        return {AgentReply{FakeAgent::encodeResponse(r.requestId, r.community, 0, 0, out), delay}};
    };
}

}  // namespace

TEST_F(FrameworkTest, AgentThatAdvancesForEverEndsTheWalkAtTheBound)
{
    agent.setHandler(endlessTable());
    Service service(document("<oid def=\"LOOP\">1.3.6.1.4.1.32473.5.1</oid>"));
    static constexpr KeyEntry keys[] = {{"def", "LOOP", ".0", kKindInteger}};
    QuerySetup setup;
    ASSERT_EQ(prepareQuery(&setup, device.address, keys, 2, "public", service.record()), 0);
    const RowsResult walk = walkTable(setup);
    EXPECT_EQ(walk.code, 0);
    ASSERT_EQ(walk.rows.size(), kMaxWalkRows);
    EXPECT_EQ(walk.rows.back().values[0].identifier, "1.3.6.1.4.1.32473.5.1." + std::to_string(kMaxWalkRows));
    EXPECT_EQ(agent.requestCount(), kMaxWalkRows);
}

TEST_F(FrameworkTest, SlowEndlessTableEndsAtTheWalkAndQueryDeadlines)
{
    using namespace std::chrono_literals;
    using Clock = std::chrono::steady_clock;
    agent.setHandler(endlessTable(200ms));
    Service service(document("<oid def=\"LOOP\">1.3.6.1.4.1.32473.5.1</oid>"));
    static constexpr KeyEntry keys[] = {{"def", "LOOP", ".0", kKindInteger}};
    QuerySetup setup;
    ASSERT_EQ(prepareQuery(&setup, device.address, keys, 2, "public", service.record()), 0);

    // The walk's own deadline: no request that could outlast it (a whole
    // second of time-out); the rows read by then are its result.
    auto start = Clock::now();
    const RowsResult walk = walkTable(setup, kMaxWalkRows, 2500ms);
    EXPECT_LE(Clock::now() - start, 2500ms);
    EXPECT_EQ(walk.code, NETROV_OK);
    EXPECT_GE(walk.rows.size(), 5u);
    EXPECT_LE(walk.rows.size(), 9u);

    // The call's deadline ends the walk the same way; a request after it
    // fails as unanswered without being sent.
    agent.clearRequests();
    start = Clock::now();
    {
        const QueryClock clock(1500ms);
        const RowsResult cut = walkTable(setup);
        EXPECT_EQ(cut.code, NETROV_OK);
        EXPECT_GE(cut.rows.size(), 1u);
        EXPECT_LE(cut.rows.size(), 3u);
        EXPECT_EQ(requestValues(setup, SNMP_PDU_GET).code, NETROV_NO_REPLY);
    }
    EXPECT_LE(Clock::now() - start, 1500ms);
    EXPECT_LE(agent.requestCount(), 3u);

    // Once the clock is gone, requests go out again.
    EXPECT_EQ(walkTable(setup, 2).rows.size(), 2u);
}

TEST_F(FrameworkTest, SlowEndlessTableEndsAQueryWithinItsDeadlineLastRequestIncluded)
{
    using namespace std::chrono_literals;
    using Clock = std::chrono::steady_clock;
    static_assert(kQueryDeadline <= 60s, "a query with a 1 s time-out ends within a minute");
    static_assert(kWalkDeadline <= kQueryDeadline);
    // Every answer comes late in its second: a last request sent with less
    // than its time-out left would outlast the deadline.
    agent.setHandler(endlessTable(900ms));
    Service service(document("<oid def=\"GETDEVSTATUS_DEVSTATUS\">1.3.6.1.4.1.32473.5.1</oid>\n"
                             "<oid def=\"GETDEVSTATUS_ALERTCODE1\">1.3.6.1.4.1.32473.5.1</oid>"));
    device.timeout = 1;
    DeviceStatus status[8];
    int32_t count = 0;
    const auto start = Clock::now();
    {
        // The call's deadline, shortened for the test: the same rule as at 60 s.
        // (The frame linked into the test, whose clock this is.)
        const QueryClock clock(3000ms);
        EXPECT_EQ(runQuery(kQueryGetDevStatus, &device, 0, 0, status, 8, &count, service.record()), NETROV_OK);
    }
    const auto took = Clock::now() - start;
    // The status and two alert rows (0.9 s each) fit; a fourth request would end past 3 s.
    EXPECT_LE(took, 3000ms + 200ms) << "200 ms for scheduling on a busy machine";
    EXPECT_EQ(count, 1) << "the alert rows read by the deadline (one alert, twice) are reported";
    EXPECT_EQ(agent.requestCount(), 3u);
}

TEST_F(FrameworkTest, ColumnsOfDifferentLengthsWalkTogether)
{
    Service service(document("<oid def=\"A\">1.3.6.1.4.1.32473.6.1</oid><oid def=\"B\">1.3.6.1.4.1.32473.6.2</oid>"));
    for (int row = 1; row <= 3; ++row) agent.setObject("1.3.6.1.4.1.32473.6.1." + std::to_string(row), AgentValue::integer(row));
    agent.setObject("1.3.6.1.4.1.32473.6.2.1", AgentValue::octets("only row"));
    agent.setObject("1.3.6.1.4.1.32473.7.0", AgentValue::integer(0));
    static constexpr KeyEntry keys[] = {{"def", "A", "", kKindInteger}, {"def", "B", "", kKindOctets}};
    QuerySetup setup;
    ASSERT_EQ(prepareQuery(&setup, device.address, keys, 1, "public", service.record()), 0);
    const RowsResult walk = walkTable(setup);
    ASSERT_EQ(walk.code, 0);
    ASSERT_EQ(walk.rows.size(), 3u);
    EXPECT_EQ(agent.requestCount(), 4u);
    EXPECT_EQ(walk.rows[0].values[1].kind, kKindOctets);
    EXPECT_EQ(walk.rows[1].values[1].kind, kKindNone);
    EXPECT_EQ(walk.rows[2].values[0].integer(), 3);
    EXPECT_EQ(lastArc(walk.rows[2].values, 0), 3u);
    EXPECT_EQ(lastArc(walk.rows[2].values, 5), 0u);
    // The ended column is asked again with its last identifier inside the column.
    const auto requests = agent.requests();
    EXPECT_EQ(requests[2].bindings[1].oid, "1.3.6.1.4.1.32473.6.2.1");
}

TEST_F(FrameworkTest, GetAndSetRequestsWithASuffixForOneCall)
{
    Service service(document("<oid def=\"GETDEVTEST_*\">1.3.6.1.4.1.32473.6.1</oid>"));
    static constexpr KeyEntry keys[] = {{"def", "GETDEVTEST_VALUE", "", kKindInteger}};
    agent.setObject("1.3.6.1.4.1.32473.6.1.2", AgentValue::integer(40));
    const SuffixedKeys instance(keys, ".2");
    EXPECT_STREQ(keys[0].suffix, "");
    QuerySetup setup;
    ASSERT_EQ(prepareQuery(&setup, device.address, instance.keys(), 1, "public", service.record()), 0);
    RequestResult got = requestValues(setup, 0xA0);
    ASSERT_EQ(got.code, 0);
    EXPECT_EQ(KeyedValues(keys, got.values).integer("getdevtest_value"), 40);

    const std::vector<SetValue> values = {{0x02, {3, 0, 0, 0}}};
    RequestResult set = requestValues(setup, 0xA3, values);
    ASSERT_EQ(set.code, 0);
    EXPECT_EQ(agent.object("1.3.6.1.4.1.32473.6.1.2"), AgentValue::integer(3));
    EXPECT_EQ(agent.requests().back().pduType, 0xA3);

    // A Get of a missing instance answers noSuchName: nothing usable.
    const SuffixedKeys missing(keys, ".9");
    ASSERT_EQ(prepareQuery(&setup, device.address, missing.keys(), 1, "public", service.record()), 0);
    EXPECT_EQ(requestValues(setup, 0xA0).code, NETROV_NO_VALUE);
    // A Set without its value cannot be encoded.
    EXPECT_EQ(requestValues(setup, 0xA3, {}).code, NETROV_NOT_ENCODABLE);
}

TEST_F(FrameworkTest, HashOutputsAreReadFromTheLanguageFile)
{
    Service service(document("<keyword name=\"GETDEVTEST_NAME\">\n"
                             "  <exchange key1=\"1\">#IDS_ONE</exchange>\n"
                             "  <exchange key1=\"2\">#IDS_MISSING</exchange>\n"
                             "  <exchange key1=\"3\">plain text</exchange>\n"
                             "</keyword>"),
                    "[STRING]\n#IDS_ONE=First tray\nIDS_ONE=wrong key\n");
    char out[64];
    EXPECT_EQ(lookupExchange(service.record(), "GETDEVTEST_NAME", 1, std::nullopt, std::nullopt, out, sizeof out), 1);
    EXPECT_STREQ(out, "First tray");
    EXPECT_EQ(lookupExchange(service.record(), "GETDEVTEST_NAME", 2, std::nullopt, std::nullopt, out, sizeof out), 1);
    EXPECT_STREQ(out, "");
    char small[6];
    EXPECT_EQ(lookupExchange(service.record(), "GETDEVTEST_NAME", 3, std::nullopt, std::nullopt, small, sizeof small), 1);
    EXPECT_STREQ(small, "plain");
    EXPECT_EQ(lookupExchange(service.record(), "GETDEVTEST_NAME", 4, std::nullopt, std::nullopt, out, sizeof out), 0);
    EXPECT_EQ(lookupExchange(service.record(), "OTHER_TABLE", 1, std::nullopt, std::nullopt, out, sizeof out), 0);
}

TEST_F(FrameworkTest, HashOutputDrivesTheNoAlertCode)
{
    Service service(document("<oid def=\"GETDEVSTATUS_DEVSTATUS\">1.3.6.1.2.1.25.3.2.1.5</oid>\n"
                             "<keyword name=\"GETDEVSTATUS_ALERT\"><exchange key1=\"*\">#IDS_CODE</exchange></keyword>\n"
                             "<keyword name=\"GETDEVSTATUSSIMPLE_ALERT\"><exchange>1</exchange></keyword>"),
                    "[STRING]\n#IDS_CODE=507\n");
    agent.setObject("1.3.6.1.2.1.25.3.2.1.5.1", AgentValue::integer(2));
    DeviceStatus status[2];
    int32_t count = 0;
    ASSERT_EQ(TUVASRV_GetDevStatus(&device, 0, 0, status, 2, &count, service.record()), NETROV_OK);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(status[0].alertCode, 507);
    EXPECT_EQ(status[0].simpleStatus, 1);
}

namespace {

void addAlert(FakeAgent& agent, int row, int code, int group, int index)
{
    const std::string r = ".1." + std::to_string(row);
    agent.setObject("1.3.6.1.2.1.43.18.1.1.4" + r, AgentValue::integer(group));
    agent.setObject("1.3.6.1.2.1.43.18.1.1.5" + r, AgentValue::integer(index));
    agent.setObject("1.3.6.1.2.1.43.18.1.1.7" + r, AgentValue::integer(code));
}

void printerState(FakeAgent& agent, int deviceStatus, int printerStatus)
{
    agent.setObject("1.3.6.1.2.1.25.3.2.1.5.1", AgentValue::integer(deviceStatus));
    agent.setObject("1.3.6.1.2.1.25.3.5.1.1.1", AgentValue::integer(printerStatus));
}

}  // namespace

TEST_F(FrameworkTest, StatusOfThreeAlertsCostsFiveRequests)
{
    Service service(Service::FromFile{}, Service::standardDefinition());
    printerState(agent, 5, 1);
    addAlert(agent, 3, 8, 13, 1);
    addAlert(agent, 5, 3, 6, 2);
    addAlert(agent, 9, 1101, 11, 1);
    DeviceStatus status[4];
    int32_t count = 0;
    ASSERT_EQ(TUVASRV_GetDevStatus(&device, 0, 0, status, 4, &count, service.record()), NETROV_OK);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(agent.requestCount(), 5u);
    EXPECT_EQ(status[0].alertCode, 8);
    EXPECT_EQ(status[1].alertCode, 3);
    EXPECT_EQ(status[2].alertCode, 1101);
    EXPECT_EQ(status[2].alertGroup, 11);
    EXPECT_EQ(status[1].alertIndex, 2);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(status[i].simpleStatusValid, 1);
        EXPECT_EQ(status[i].simpleStatus, 5);
    }
    EXPECT_EQ(status[3].alertCodeValid, 0);
}

TEST_F(FrameworkTest, CountAboveCapacityKeepsTheFirstRecords)
{
    Service service(Service::FromFile{}, Service::standardDefinition());
    printerState(agent, 3, 3);
    addAlert(agent, 1, 1104, 11, 1);
    addAlert(agent, 2, 807, 8, 2);
    addAlert(agent, 3, 902, 9, 1);
    DeviceStatus status[2];
    memset(&status[1], 0xAB, sizeof status[1]);
    int32_t count = 0;
    ASSERT_EQ(TUVASRV_GetDevStatus(&device, 0, 0, status, 1, &count, service.record()), NETROV_OK);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(status[0].alertCode, 1104);
    EXPECT_EQ(status[0].simpleStatus, 4);
    EXPECT_EQ(status[1].reserved0, static_cast<int32_t>(0xABABABAB)) << "wrote past the capacity";
    count = 0;
    ASSERT_EQ(TUVASRV_GetDevStatus(&device, 0, 0, nullptr, 0, &count, service.record()), NETROV_OK);
    EXPECT_EQ(count, 3);
}

TEST_F(FrameworkTest, SameAlertInBothTablesIsReportedOnce)
{
    std::string doc = "<oid def=\"GETDEVSTATUS_DEVSTATUS\">1.3.6.1.2.1.25.3.2.1.5</oid>\n"
                      "<oid def=\"GETDEVSTATUS_ALERTCODE?\">1.3.6.1.2.1.43.18.1.1.7</oid>\n"
                      "<oid def=\"GETDEVSTATUS_ALERTGROUP?\">1.3.6.1.2.1.43.18.1.1.4</oid>\n"
                      "<oid def=\"GETDEVSTATUS_ALERTINDEX?\">1.3.6.1.2.1.43.18.1.1.5</oid>\n";
    Service service(document(doc));
    printerState(agent, 3, 3);
    addAlert(agent, 1, 1104, 11, 1);
    addAlert(agent, 2, 807, 8, 2);
    DeviceStatus status[4];
    int32_t count = 0;
    ASSERT_EQ(TUVASRV_GetDevStatus(&device, 0, 0, status, 4, &count, service.record()), NETROV_OK);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(status[0].alertCode, 1104);
    EXPECT_EQ(status[1].alertCode, 807);
    EXPECT_EQ(agent.requestCount(), 1u + 3u + 3u);
}

TEST_F(FrameworkTest, PowerSaveAlertWinsOverTheStatuses)
{
    Service service(Service::FromFile{}, Service::standardDefinition());
    printerState(agent, 5, 1);
    addAlert(agent, 1, 23, 5, 1);
    addAlert(agent, 2, 8, 13, 1);
    DeviceStatus status[2];
    int32_t count = 0;
    ASSERT_EQ(TUVASRV_GetDevStatus(&device, 0, 0, status, 2, &count, service.record()), NETROV_OK);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(status[0].simpleStatus, 6);
    EXPECT_EQ(status[1].simpleStatus, 5);
}

TEST_F(FrameworkTest, AlertRowsWithCodeZeroAreSkipped)
{
    Service service(Service::FromFile{}, Service::standardDefinition());
    printerState(agent, 2, 3);
    addAlert(agent, 1, 0, 5, 1);
    DeviceStatus status[2];
    int32_t count = 0;
    ASSERT_EQ(TUVASRV_GetDevStatus(&device, 0, 0, status, 2, &count, service.record()), NETROV_OK);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(status[0].alertCode, 507);  // the no-alert code of a ready printer
    EXPECT_EQ(status[0].simpleStatus, 1);
}

TEST_F(FrameworkTest, SilentDeviceGivesTheFailureRecord)
{
    Service service(Service::FromFile{}, Service::standardDefinition());
    agent.setSilent(true);
    DeviceStatus status[2];
    int32_t count = 0;
    EXPECT_EQ(TUVASRV_GetDevStatus(&device, 0, 0, status, 2, &count, service.record()), NETROV_NO_REPLY);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(status[0].failed, 1);
    EXPECT_EQ(status[0].failureValue, 1);
    EXPECT_EQ(status[0].simpleStatus, -1);
    EXPECT_EQ(agent.requestCount(), 1u);
}

TEST_F(FrameworkTest, StatusKeysMissingGiveTheFailureRecordWith8)
{
    Service service(document("<oid def=\"GETDEVINFO_DEVICE\">1.3.6.1.2.1.1.5</oid>"));
    DeviceStatus status;
    int32_t count = 0;
    EXPECT_EQ(TUVASRV_GetDevStatus(&device, 0, 0, &status, 1, &count, service.record()), NETROV_NOT_DEFINED);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(status.simpleStatus, -1);
    EXPECT_EQ(agent.requestCount(), 0u);
}

TEST_F(FrameworkTest, InformationKinds)
{
    Service service(Service::FromFile{}, Service::standardDefinition());
    // Values of another kind than octet string: no record, no error.
    agent.setObject(kSysName, AgentValue::integer(5));
    agent.setObject(kSysLocation, AgentValue::integer(6));
    agent.setObject(kIfPhys1, AgentValue::counter(7));
    DeviceInfo info;
    int32_t count = 9;
    EXPECT_EQ(TUVASRV_GetDevInfo(&device, 0, 0, &info, 1, &count, service.record()), NETROV_OK);
    EXPECT_EQ(count, 0);
    // A hardware address longer than 6 bytes is cut.
    agent.setObject(kIfPhys1, AgentValue::octets(std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8}));
    ASSERT_EQ(TUVASRV_GetDevInfo(&device, 0, 0, &info, 1, &count, service.record()), NETROV_OK);
    ASSERT_EQ(count, 1);
    const uint8_t mac[6] = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(memcmp(info.macAddress, mac, 6), 0);
    EXPECT_EQ(info.reserved1[0], 0);
    // An empty address (loopback listed first) is not flagged.
    agent.setObject(kSysName, AgentValue::octets("printer-7"));
    agent.setObject(kIfPhys1, AgentValue::octets(""));
    ASSERT_EQ(TUVASRV_GetDevInfo(&device, 0, 0, &info, 1, &count, service.record()), NETROV_OK);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(info.nameValid, 1);
    EXPECT_EQ(info.macAddressValid, 0);
    // Nothing usable at all: 11.
    agent.clearObjects();
    agent.setObject("1.3.6.1.2.1.99.1.0", AgentValue::integer(1));
    EXPECT_EQ(TUVASRV_GetDevInfo(&device, 0, 0, &info, 1, &count, service.record()), NETROV_NO_VALUE);
    EXPECT_EQ(count, 0);
}

TEST_F(FrameworkTest, ModelNameIsTerminated)
{
    Service service(Service::FromFile{}, Service::standardDefinition());
    agent.setObject("1.3.6.1.2.1.25.3.2.1.3.1", AgentValue::octets("Short"));
    strcpy(device.modelName, "A much longer previous model name");
    uint8_t scratch[24];
    memset(scratch, 0xEE, sizeof scratch);
    int32_t count = 5;
    ASSERT_EQ(TUVASRV_GetDevModelName(&device, 0, 0, scratch, 2, &count, service.record()), NETROV_OK);
    EXPECT_STREQ(device.modelName, "Short");
    EXPECT_EQ(count, 0);
    EXPECT_EQ(scratch[0], 0);
    EXPECT_EQ(scratch[23], 0);
}

TEST_F(FrameworkTest, SearchAcceptsOnlyAnswersWithModelAndFilter)
{
    Service service(Service::FromFile{}, Service::standardDefinition());
    agent.setObject("1.3.6.1.2.1.1.2.0", AgentValue::oid("1.3.6.1.4.1.32473.7.1"));
    agent.setObject("1.3.6.1.2.1.25.3.2.1.3.1", AgentValue::octets("Tarnwell ML-210"));
    agent.setObject("1.3.6.1.2.1.43.5.1.1.1.1", AgentValue::counter(3));
    DeviceIdentity request = device;
    request.transport = NETROV_TRANSPORT_ALL;
    DeviceIdentity found[2];
    int32_t count = 0;
    ASSERT_EQ(TUVASRV_SearchDevice(&request, 0, 0, found, 2, &count, service.record()), NETROV_OK);
    ASSERT_EQ(count, 1);
    EXPECT_STREQ(found[0].modelName, "Tarnwell ML-210");
    EXPECT_STREQ(found[0].sysObjectId, "1.3.6.1.4.1.32473.7.1");
    EXPECT_EQ(found[0].transport, NETROV_TRANSPORT_SNMP);
    EXPECT_EQ(found[0].interfaceKind, NETROV_INTERFACE_NETWORK);
    EXPECT_STREQ(found[0].community, "public");
    EXPECT_EQ(found[0].timeout, 1);
    EXPECT_EQ(memcmp(found[0].address, device.address, 4), 0);

    // Capacity 0 still counts.
    ASSERT_EQ(TUVASRV_SearchDevice(&request, 0, 0, nullptr, 0, &count, service.record()), NETROV_OK);
    EXPECT_EQ(count, 1);
    // An empty model name is skipped.
    agent.setObject("1.3.6.1.2.1.25.3.2.1.3.1", AgentValue::octets(""));
    ASSERT_EQ(TUVASRV_SearchDevice(&request, 0, 0, found, 2, &count, service.record()), NETROV_OK);
    EXPECT_EQ(count, 0);
    // Without the filter object the device is no printer.
    agent.setObject("1.3.6.1.2.1.25.3.2.1.3.1", AgentValue::octets("Tarnwell ML-210"));
    agent.removeObject("1.3.6.1.2.1.43.5.1.1.1.1");
    agent.setObject("1.3.6.1.2.1.47.1.1.1.1.2.1", AgentValue::octets("chassis"));
    ASSERT_EQ(TUVASRV_SearchDevice(&request, 0, 0, found, 2, &count, service.record()), NETROV_OK);
    EXPECT_EQ(count, 0);
    // No address: 5 before anything is sent.
    const size_t sent = agent.requestCount();
    memset(request.address, 0, 4);
    EXPECT_EQ(TUVASRV_SearchDevice(&request, 0, 0, found, 2, &count, service.record()), NETROV_BAD_ARGUMENT);
    EXPECT_EQ(agent.requestCount(), sent);
}

TEST_F(FrameworkTest, FallbacksAreAskedInTheSameRequestAndTheFirstUsableWins)
{
    Service service(document("<oid def=\"GETDEVINFO_DEVICE\">1.3.6.1.4.1.32473.9.1"
                             "<fallback>1.3.6.1.4.1.32473.9.2.</fallback>"
                             "<fallback>nothing</fallback>"
                             "<fallback>1.3.6.1.4.1.32473.9.3</fallback></oid>"));
    static constexpr KeyEntry keys[] = {{"def", "GETDEVINFO_DEVICE", "", kKindOctets}};
    const std::pair<const char*, AgentValue> last{"1.3.6.1.4.1.32473.10.0", AgentValue::integer(0)};
    const struct {
        std::vector<std::pair<const char*, AgentValue>> objects;
        const char* expected;  // null: nothing usable
        size_t requests;
    } cases[] = {
        {{{"1.3.6.1.4.1.32473.9.1.0", AgentValue::octets("own")}, {"1.3.6.1.4.1.32473.9.3.0", AgentValue::octets("third")}, last}, "own", 1},
        {{{"1.3.6.1.4.1.32473.9.1.0", AgentValue::octets("")}, {"1.3.6.1.4.1.32473.9.2.0", AgentValue::octets("second")}, last}, "second", 1},
        {{{"1.3.6.1.4.1.32473.9.2.0", AgentValue::integer(4)}, {"1.3.6.1.4.1.32473.9.3.0", AgentValue::octets("third")}, last}, "third", 1},
        {{{"1.3.6.1.4.1.32473.9.4.0", AgentValue::octets("outside")}}, nullptr, 1},
        // Fallbacks past the agent's last object: SNMPv1 fails the whole
        // request, so each is dropped in turn and the key's own answer kept.
        {{{"1.3.6.1.4.1.32473.9.1.0", AgentValue::octets("own")}}, "own", 3},
    };
    for (const auto& c : cases) {
        agent.clearObjects();
        agent.clearRequests();
        for (const auto& [oid, value] : c.objects) agent.setObject(oid, value);
        QuerySetup setup;
        ASSERT_EQ(prepareQuery(&setup, device.address, keys, 1, "public", service.record()), 0);
        const RequestResult r = requestValues(setup, SNMP_PDU_GETNEXT);
        ASSERT_EQ(agent.requestCount(), c.requests);
        EXPECT_EQ(requestedNames(), (std::vector<std::string>{"1.3.6.1.4.1.32473.9.1", "1.3.6.1.4.1.32473.9.2",
                                                              "1.3.6.1.4.1.32473.9.3"}));
        if (!c.expected) {
            EXPECT_EQ(r.code, NETROV_NO_VALUE);
            continue;
        }
        ASSERT_EQ(r.code, 0);
        const ReplyValue* v = KeyedValues(keys, r.values).get("GETDEVINFO_DEVICE");
        ASSERT_NE(v, nullptr) << c.expected;
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(v->data()), v->length), c.expected);
    }
    // A walk follows the key's own object only.
    agent.clearRequests();
    QuerySetup setup;
    ASSERT_EQ(prepareQuery(&setup, device.address, keys, 1, "public", service.record()), 0);
    walkTable(setup);
    EXPECT_EQ(requestedNames(), std::vector<std::string>{"1.3.6.1.4.1.32473.9.1"});
}

TEST_F(FrameworkTest, MalformedDefinitionsNeverSendGarbage)
{
    // Texts without digits, or with an arc too large, leave their key undefined.
    Service service(document("<oid def=\"GETDEVINFO_DEVICE\">sysName</oid>\n"
                             "<oid def=\"GETDEVINFO_LOCATION\">iso.org.dod</oid>\n"
                             "<oid def=\"GETDEVINFO_MACADDRESS\"> </oid>\n"
                             "<oid def=\"SEARCHDEVICE_MODEL\">1.3.6.1.2.1.25.3.2.1.3.99999999999</oid>\n"
                             "<oid def=\"GETDEVSTATUS_DEVSTATUS\">.1.3.6.1.2.1.25.3.2.1.5.</oid>\n"
                             "<keyword name=\"GETDEVSTATUSSIMPLE_ALERT\"><exchange key1=\"\" key7=\"?\"/></keyword>\n"
                             "<keyword name=\"GETDEVSTATUS_ALERT\"/>"));
    ASSERT_TRUE(service.loaded());
    DeviceInfo info;
    int32_t count = 0;
    EXPECT_EQ(TUVASRV_GetDevInfo(&device, 0, 0, &info, 1, &count, service.record()), NETROV_NOT_DEFINED);
    EXPECT_EQ(TUVASRV_GetDevModelName(&device, 0, 0, nullptr, 0, &count, service.record()), NETROV_NOT_DEFINED);
    EXPECT_EQ(agent.requestCount(), 0u);

    // A leading or trailing dot is tolerated; odd conversion rows give an unset value.
    agent.setObject("1.3.6.1.2.1.25.3.2.1.5.1", AgentValue::integer(2));
    DeviceStatus status;
    ASSERT_EQ(TUVASRV_GetDevStatus(&device, 0, 0, &status, 1, &count, service.record()), NETROV_OK);
    EXPECT_EQ(requestedNames(), std::vector<std::string>{"1.3.6.1.2.1.25.3.2.1.5"});
    ASSERT_EQ(count, 1);
    EXPECT_EQ(status.alertCode, 0);
    EXPECT_EQ(status.simpleStatus, 0);
}

TEST_F(FrameworkTest, MissingDocumentGives8)
{
    Service service("<definition><oid def=\"GETDEVINFO_DEVICE\">1.3</oid>");  // not well-formed
    ASSERT_FALSE(service.loaded());
    DeviceInfo info;
    int32_t count = 0;
    EXPECT_EQ(TUVASRV_GetDevInfo(&device, 0, 0, &info, 1, &count, service.record()), NETROV_NOT_DEFINED);
    EXPECT_EQ(agent.requestCount(), 0u);
}

// Failure messages name the entry point instead of dumping the record's bytes.
namespace netrov::tessel {
void PrintTo(const QueryInfo& query, std::ostream* os) { *os << query.name; }
}  // namespace netrov::tessel

// Every entry point runs through the same frame.
class EntryFrame : public ::testing::TestWithParam<QueryInfo> {};

TEST_P(EntryFrame, ZeroesTheArrayAndChecksServiceAndTransport)
{
    const QueryInfo& query = GetParam();
    Service service(document(""));  // nothing defined: no call sends anything
    DeviceIdentity device = snmpDevice(0x0100007F);
    std::vector<uint8_t> records(3 * query.recordSize + 8, 0x5A);
    int32_t count = 77;

    EXPECT_EQ(runQuery(query, &device, 0, 0, records.data(), 3, &count, nullptr), NETROV_BAD_ARGUMENT);
    // The Set operations take no array: whatever the caller passes stays as it was.
    EXPECT_EQ(count, query.recordSize == kNoRecords ? 77 : 0);
    for (size_t i = 0; i < 3 * query.recordSize; ++i) ASSERT_EQ(records[i], 0) << "byte " << i;
    for (size_t i = 3 * query.recordSize; i < records.size(); ++i) ASSERT_EQ(records[i], 0x5A) << "byte " << i;

    device.transport = NETROV_TRANSPORT_LPT;
    EXPECT_EQ(runQuery(query, &device, 0, 0, records.data(), 3, &count, service.record()), NETROV_NOT_SNMP);
    device.transport = NETROV_TRANSPORT_ALL;
    const int32_t allMask = runQuery(query, &device, 0, 0, nullptr, 0, &count, service.record());
    if (query.transport == TransportRule::SearchMask) {
        EXPECT_EQ(allMask, NETROV_NOT_DEFINED);
    } else {
        EXPECT_EQ(allMask, NETROV_NOT_SNMP);
    }
    EXPECT_EQ(runQuery(query, nullptr, 0, 0, nullptr, 0, &count, service.record()), NETROV_BAD_ARGUMENT);
}

INSTANTIATE_TEST_SUITE_P(AllQueries, EntryFrame, ::testing::ValuesIn(kQueries),
                         [](const auto& info) { return std::string(info.param.name).substr(8); });
