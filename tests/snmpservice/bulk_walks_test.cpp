// Table walks by GetBulk against scripted agents: the same rows as by
// GetNext in fewer exchanges, GetNext taking over from agents that answer
// GetBulk badly, and the version of each device ("auto" included).
#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <chrono>
#include <string>
#include <vector>

#include "device_versions.h"
#include "entry_points.h"
#include "framework.h"
#include "message.h"
#include "table_walk.h"
#include "netrov/result_codes.h"
#include "netrov/snmp_version.h"
#include "read_deadline.h"
#include "service_fixture.h"
#include "v2c_agent.h"

using namespace netrov::test;
using namespace netrov::tessel;

namespace {

constexpr uint8_t kGetNext = 0xA1;
constexpr uint8_t kGetBulk = 0xA5;
constexpr int32_t kV1 = 0;
constexpr int32_t kV2c = 1;

// prtAlertCode, prtAlertGroup and prtAlertGroupIndex of 40 alerts, then a
// column that is no part of the walk. Alert n has code 1100 + n, group 5 and
// index n; alert 7 has no group.
constexpr int kAlerts = 40;
constexpr char kCode[] = "1.3.6.1.2.1.43.18.1.1.7.1.";
constexpr char kGroup[] = "1.3.6.1.2.1.43.18.1.1.4.1.";
constexpr char kIndex[] = "1.3.6.1.2.1.43.18.1.1.5.1.";

constexpr KeyEntry kKeys[] = {
    {"def", "GETDEVSTATUS_ALERTCODE1", "", kKindInteger},
    {"def", "GETDEVSTATUS_ALERTGROUP1", "", kKindInteger},
    {"def", "GETDEVSTATUS_ALERTINDEX1", "", kKindInteger},
};

class BulkWalks : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!table.ok()) GTEST_SKIP() << table.error();
        forgetDevices();
        for (int n = 1; n <= kAlerts; ++n) {
            const std::string row = std::to_string(n);
            table.add(kCode + row, AgentValue::integer(1100 + n));
            if (n != 7) table.add(kGroup + row, AgentValue::integer(5));
            table.add(kIndex + row, AgentValue::integer(n));
        }
        table.add("1.3.6.1.2.1.43.18.1.1.8.1.1", AgentValue::octets("past the table"));
    }
    void TearDown() override { forgetDevices(); }

    RowsResult walk(int32_t version)
    {
        DeviceIdentity device = snmpDevice(table.addressValue(), "public", 1);
        netrovSetSnmpVersion(&device, version);
        QuerySetup setup;
        EXPECT_EQ(prepareQuery(&setup, device, kKeys, service.record()), NETROV_OK);
        return walkTable(setup);
    }

    TableAgent table;
    Service service{Service::FromFile{}, Service::standardDefinition()};
};

// The three columns of a row as numbers; -1 where the row has no value.
std::vector<int32_t> numbers(const ReplyRow& row)
{
    std::vector<int32_t> out;
    for (const ReplyValue& v : row.values) out.push_back(v.kind == kKindInteger ? v.integer() : -1);
    return out;
}

std::vector<std::vector<int32_t>> allNumbers(const RowsResult& walk)
{
    std::vector<std::vector<int32_t>> out;
    for (const ReplyRow& row : walk.rows) out.push_back(numbers(row));
    return out;
}

// A few rows of the table, by hand.
void expectKnownRows(const RowsResult& walk)
{
    ASSERT_EQ(walk.code, NETROV_OK);
    // The group column ends one row early (alert 7 lacks it), so the GetNext
    // walk reads 40 rows and the group of row 40 is past the column.
    ASSERT_EQ(walk.rows.size(), 40u);
    EXPECT_EQ(numbers(walk.rows[0]), (std::vector<int32_t>{1101, 5, 1}));
    EXPECT_EQ(numbers(walk.rows[6]), (std::vector<int32_t>{1107, 5, 7}));  // group of alert 8
    EXPECT_EQ(numbers(walk.rows[38]), (std::vector<int32_t>{1139, 5, 39}));
    EXPECT_EQ(numbers(walk.rows[39]), (std::vector<int32_t>{1140, -1, 40}));
    EXPECT_EQ(walk.rows[39].values[0].identifier, "1.3.6.1.2.1.43.18.1.1.7.1.40");
}

}  // namespace

TEST_F(BulkWalks, GetBulkReadsTheRowsOfGetNextInTwoExchanges)
{
    const RowsResult byGetNext = walk(NETROV_SNMP_V1);
    expectKnownRows(byGetNext);
    EXPECT_EQ(table.count(kGetNext, kV1), 41u);

    const RowsResult byBulk = walk(NETROV_SNMP_V2C);
    expectKnownRows(byBulk);
    EXPECT_EQ(allNumbers(byBulk), allNumbers(byGetNext));
    for (size_t r = 0; r < byBulk.rows.size(); ++r) {
        for (size_t c = 0; c < 3; ++c) {
            EXPECT_EQ(byBulk.rows[r].values[c].identifier, byGetNext.rows[r].values[c].identifier) << r << "," << c;
        }
    }
    // 25 rows, then the other 15 and the end of the table.
    EXPECT_EQ(table.count(kGetBulk, kV2c), 2u);
    EXPECT_EQ(table.count(kGetNext, kV2c), 0u);
}

TEST_F(BulkWalks, RowBoundHoldsAndNoRepetitionAsksPastIt)
{
    DeviceIdentity device = snmpDevice(table.addressValue(), "public", 1);
    netrovSetSnmpVersion(&device, NETROV_SNMP_V2C);
    QuerySetup setup;
    ASSERT_EQ(prepareQuery(&setup, device, kKeys, service.record()), NETROV_OK);
    const RowsResult walk = walkTable(setup, 10);
    ASSERT_EQ(walk.rows.size(), 10u);
    EXPECT_EQ(numbers(walk.rows[9]), (std::vector<int32_t>{1110, 5, 10}));
    const auto requests = table.agent().requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].errorIndex, 10);  // max-repetitions
}

TEST_F(BulkWalks, GetNextTakesOverFromAgentsThatAnswerGetBulkBadly)
{
    struct Case {
        Manner manner;
        const char* what;
    };
    const Case cases[] = {
        {Manner::OutOfOrder, "identifiers out of order"},
        {Manner::Repeated, "identifiers repeated"},
        {Manner::TooBig, "tooBig down to one repetition"},
        {Manner::SilentToBulk, "silence to GetBulk only"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        forgetDevices();
        table.agent().clearRequests();
        table.setManner(c.manner);
        const RowsResult first = walk(NETROV_SNMP_V2C);
        expectKnownRows(first);
        EXPECT_GE(table.count(kGetBulk, kV2c), 1u);
        EXPECT_GE(table.count(kGetNext, kV2c), 40u);
        // The device is remembered: the next walk asks no GetBulk at all.
        table.agent().clearRequests();
        expectKnownRows(walk(NETROV_SNMP_V2C));
        EXPECT_EQ(table.count(kGetBulk, kV2c), 0u);
        EXPECT_EQ(table.count(kGetNext, kV2c), 41u);
    }
}

TEST_F(BulkWalks, TooBigHalvesTheRepetitions)
{
    // tooBig only for more than 6 repetitions: 25, 12 and 6 are asked, then
    // never more than 6.
    table.agent().setHandler([&](const AgentRequest& r) -> std::vector<AgentReply> {
        if (r.pduType == kGetBulk && r.errorIndex > 6) {
            return {{TableAgent::asV2c(FakeAgent::encodeResponse(r.requestId, r.community, 1, 0, {}))}};
        }
        return {};
    });
    // Only the first requests matter here; the agent goes silent after them.
    (void)walk(NETROV_SNMP_V2C);
    std::vector<int32_t> asked;
    for (const AgentRequest& r : table.agent().requests()) {
        if (r.pduType == kGetBulk) asked.push_back(r.errorIndex);
    }
    ASSERT_GE(asked.size(), 3u);
    EXPECT_EQ(asked[0], 25);
    EXPECT_EQ(asked[1], 12);
    EXPECT_EQ(asked[2], 6);
}

TEST_F(BulkWalks, AReplyOfTheOtherVersionIsNoAnswer)
{
    table.setManner(Manner::V2cAnswersV1);
    const RowsResult walk = this->walk(NETROV_SNMP_V1);
    EXPECT_EQ(walk.code, NETROV_NO_REPLY);
    EXPECT_TRUE(walk.rows.empty());
}

TEST_F(BulkWalks, AutoFallsBackToV1AndRemembersIt)
{
    table.setManner(Manner::V1Only);
    expectKnownRows(walk(NETROV_SNMP_AUTO));
    EXPECT_EQ(table.count(kGetNext, kV2c), 1u);  // the one v2c try
    table.agent().clearRequests();
    expectKnownRows(walk(NETROV_SNMP_AUTO));
    EXPECT_EQ(table.count(kGetNext, kV2c) + table.count(kGetBulk, kV2c), 0u);
    EXPECT_EQ(table.count(kGetNext, kV1), 41u);
}

TEST_F(BulkWalks, AutoPrefersV2cAndWalksByGetBulk)
{
    // The first GetNext finds the version; GetBulk reads rows 2 to 26, then the rest.
    expectKnownRows(walk(NETROV_SNMP_AUTO));
    EXPECT_EQ(table.count(kGetNext, kV2c), 1u);
    EXPECT_EQ(table.count(kGetBulk, kV2c), 2u);
    EXPECT_EQ(table.count(kGetNext, kV1), 0u);
}

TEST_F(BulkWalks, SearchRecordsTheVersionThatAnswered)
{
    table.add("1.3.6.1.2.1.1.2.0", AgentValue::oid("1.3.6.1.4.1.32473.7.1.210"));
    table.add("1.3.6.1.2.1.25.3.2.1.3.1", AgentValue::octets("Tarnwell ML-210"));
    table.add("1.3.6.1.2.1.43.5.1.1.1.1", AgentValue::integer(1));
    struct Case {
        Manner manner;
        int32_t asked;
        int32_t recorded;
    };
    const Case cases[] = {
        {Manner::Good, NETROV_SNMP_V1, NETROV_SNMP_V1},
        {Manner::Good, NETROV_SNMP_V2C, NETROV_SNMP_V2C},
        {Manner::Good, NETROV_SNMP_AUTO, NETROV_SNMP_V2C},
        {Manner::V1Only, NETROV_SNMP_AUTO, NETROV_SNMP_V1},
        {Manner::V2cOnly, NETROV_SNMP_AUTO, NETROV_SNMP_V2C},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.manner) * 10 + c.asked);
        forgetDevices();
        table.setManner(c.manner);
        DeviceIdentity request = snmpDevice(table.addressValue(), "public", 1);
        netrovSetSnmpVersion(&request, c.asked);
        DeviceIdentity found[2];
        int32_t count = 0;
        ASSERT_EQ(TUVASRV_SearchDevice(&request, 0, 0, found, 2, &count, service.record()), NETROV_OK);
        ASSERT_EQ(count, 1);
        EXPECT_STREQ(found[0].modelName, "Tarnwell ML-210");
        EXPECT_EQ(netrovSnmpVersion(&found[0]), c.recorded);
        for (size_t i = 1; i < sizeof found[0].reserved1; ++i) EXPECT_EQ(found[0].reserved1[i], 0);
    }
}

// A printer without alerts: the first rows, read ahead with the status,
// show the alert tables empty, and no GetBulk has its agent compute rows of
// whatever follows them. A printer with alerts still has them walked whole.
TEST_F(BulkWalks, AStatusReadWalksNoAlertTableTheReadAheadShowsEmpty)
{
    TableAgent quiet;
    ASSERT_TRUE(quiet.ok()) << quiet.error();
    for (TableAgent* agent : {&quiet, &table}) {
        agent->add("1.3.6.1.2.1.25.3.2.1.5.1", AgentValue::integer(2));  // hrDeviceStatus: running
        agent->add("1.3.6.1.2.1.25.3.5.1.1.1", AgentValue::integer(3));  // hrPrinterStatus: idle
    }
    quiet.add("1.3.6.1.2.1.43.18.1.1.8.1.1", AgentValue::octets("past the table"));
    struct Case {
        TableAgent* agent;
        int32_t records;  // one "no alert" record, or one per alert
        size_t bulks;
    };
    const Case cases[] = {{&quiet, 1, 0}, {&table, kAlerts, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.records);
        DeviceIdentity device = snmpDevice(c.agent->addressValue(), "public", 1);
        netrovSetSnmpVersion(&device, NETROV_SNMP_V2C);
        std::vector<DeviceStatus> records(64);
        int32_t count = 0;
        ASSERT_EQ(TUVASRV_GetDevStatus(&device, 0, 0, records.data(), 64, &count, service.record()), NETROV_OK);
        EXPECT_EQ(count, c.records);
        EXPECT_EQ(c.agent->count(kGetBulk, kV2c), c.bulks);
    }
}

// A printer that drips its alerts, one late reply per row: the device
// read's deadline ends the status read, walk included, with what was read.
TEST_F(BulkWalks, TheDeviceReadsDeadlineEndsAWalkUnderWay)
{
    using namespace std::chrono;
    table.add("1.3.6.1.2.1.25.3.2.1.5.1", AgentValue::integer(2));  // hrDeviceStatus: running
    table.add("1.3.6.1.2.1.25.3.5.1.1.1", AgentValue::integer(3));  // hrPrinterStatus: idle
    table.agent().setReplyDelay(milliseconds(200));
    struct Case {
        milliseconds budget;
        int32_t code;
        bool someAlerts;
    };
    const Case cases[] = {
        {milliseconds(2500), NETROV_OK, true},
        {milliseconds(0), NETROV_NO_REPLY, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.budget.count());
        forgetDevices();
        DeviceIdentity device = snmpDevice(table.addressValue(), "public", 1);  // SNMPv1: a GetNext per row
        std::vector<DeviceStatus> records(64);
        int32_t count = 0;
        const auto start = steady_clock::now();
        int32_t code = 0;
        {
            const netrov::snmp::ReadDeadlineScope read(start + c.budget);
            code = TUVASRV_GetDevStatus(&device, 0, 0, records.data(), 64, &count, service.record());
        }
        const auto took = steady_clock::now() - start;
        EXPECT_EQ(code, c.code);
        EXPECT_LT(took, c.budget + milliseconds(1200));
        // Some rows, not all 40: the walk stopped inside the table.
        if (c.someAlerts) {
            EXPECT_GT(count, 1);
            EXPECT_LT(count, kAlerts);
        }
    }
}

// ifPhysAddress by interface: the first interface that has an address
// gives it, past loopbacks and tunnels that have none.
TEST_F(BulkWalks, TheHardwareAddressIsTheFirstInterfacesThatHasOne)
{
    const std::vector<uint8_t> kMac{0x00, 0x15, 0xA3, 0x70, 0x01, 0x60};
    const std::vector<uint8_t> kZeros(6, 0);
    struct Case {
        const char* name;
        std::vector<std::vector<uint8_t>> interfaces;
        bool found;
    };
    const Case cases[] = {
        {"first has one", {kMac, {}}, true},
        {"after an empty one", {{}, kMac}, true},
        {"after empty and zero ones", {{}, kZeros, kMac}, true},
        {"none has one", {{}, kZeros}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TableAgent agent;
        ASSERT_TRUE(agent.ok()) << agent.error();
        agent.add("1.3.6.1.2.1.1.5.0", AgentValue::octets("annex"));
        for (size_t i = 0; i < c.interfaces.size(); ++i) {
            agent.add("1.3.6.1.2.1.2.2.1.6." + std::to_string(i + 1), AgentValue::raw(0x04, c.interfaces[i]));
        }
        agent.add("1.3.6.1.2.1.2.2.1.7.1", AgentValue::integer(1));
        for (const int32_t version : {kV1, kV2c}) {
            forgetDevices();
            DeviceIdentity device = snmpDevice(agent.addressValue(), "public", 1);
            netrovSetSnmpVersion(&device, version);
            DeviceInfo info{};
            int32_t count = 0;
            ASSERT_EQ(TUVASRV_GetDevInfo(&device, 0, 0, &info, 1, &count, service.record()), NETROV_OK);
            ASSERT_EQ(count, 1);
            EXPECT_EQ(info.macAddressValid, c.found ? 1 : 0);
            if (c.found) {
                EXPECT_EQ(std::vector<uint8_t>(info.macAddress, info.macAddress + 6), kMac);
            }
        }
    }
}

// A printer without the host-resources device table: its alerts, with an
// unknown status, and a result that says the status objects gave nothing.
TEST_F(BulkWalks, AStatusReadWithoutHostTableGivesTheAlertsAndAnUnknownStatus)
{
    struct Case {
        bool hostTable;
        int32_t code;
        int32_t simpleStatus;
    };
    const Case cases[] = {{false, NETROV_NO_VALUE, NETROV_SIMPLE_STATUS_UNKNOWN}, {true, NETROV_OK, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.hostTable);
        forgetDevices();
        if (c.hostTable) {
            table.add("1.3.6.1.2.1.25.3.2.1.5.1", AgentValue::integer(2));
            table.add("1.3.6.1.2.1.25.3.5.1.1.1", AgentValue::integer(3));
        }
        DeviceIdentity device = snmpDevice(table.addressValue(), "public", 1);
        netrovSetSnmpVersion(&device, NETROV_SNMP_V2C);
        std::vector<DeviceStatus> records(64);
        int32_t count = 0;
        EXPECT_EQ(TUVASRV_GetDevStatus(&device, 0, 0, records.data(), 64, &count, service.record()), c.code);
        ASSERT_EQ(count, kAlerts);
        EXPECT_EQ(records[0].failed, 0);
        EXPECT_EQ(records[0].alertCode, 1101);
        EXPECT_EQ(records[kAlerts - 1].alertCode, 1100 + kAlerts);
        if (c.simpleStatus) {
            EXPECT_EQ(records[0].simpleStatus, c.simpleStatus);
        }
    }
}

TEST_F(BulkWalks, AVersionTheServiceCannotSpeakSendsNothing)
{
    // A version byte no release has given a meaning.
    const RowsResult walk = this->walk(NETROV_SNMP_V3 + 1);
    EXPECT_EQ(walk.code, NETROV_NOT_ENCODABLE);
    EXPECT_EQ(table.agent().requestCount(), 0u);
}

namespace {

// One repetition of the three columns at alert n.
std::vector<AgentBinding> alertRow(int n)
{
    const std::string row = std::to_string(n);
    return {{kCode + row, AgentValue::integer(1100 + n)},
            {kGroup + row, AgentValue::integer(5)},
            {kIndex + row, AgentValue::integer(n)}};
}

std::vector<AgentBinding> join(std::initializer_list<std::vector<AgentBinding>> parts)
{
    std::vector<AgentBinding> out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

}  // namespace

TEST(BulkReply, EachReplyEndsItsStepWithTheRowsAGetNextWalkWouldRead)
{
    Service service{Service::FromFile{}, Service::standardDefinition()};
    const AgentValue endOfMib = AgentValue::raw(0x82, {});
    struct Case {
        const char* what;
        std::vector<AgentBinding> bindings;
        int32_t status;
        int32_t repetitions;
        BulkStep step;
        size_t rows;
    };
    const Case cases[] = {
        {"two rows", join({alertRow(4), alertRow(5)}), 0, 2, BulkStep::More, 2},
        {"tooBig", {}, 1, 25, BulkStep::TooBig, 0},
        {"genErr", alertRow(4), 5, 25, BulkStep::Fault, 0},
        {"no binding", {}, 0, 25, BulkStep::Fault, 0},
        {"more bindings than asked", join({alertRow(4), alertRow(5)}), 0, 1, BulkStep::Fault, 0},
        {"out of order", join({alertRow(5), alertRow(4)}), 0, 25, BulkStep::Fault, 0},
        {"repeated", join({alertRow(4), alertRow(4)}), 0, 25, BulkStep::Fault, 0},
        {"backwards from the cursor", alertRow(2), 0, 25, BulkStep::Fault, 0},
        {"last repetition cut short", join({alertRow(4), {alertRow(5)[0]}}), 0, 25, BulkStep::More, 1},
        {"endOfMibView", join({alertRow(4), {{kCode + std::string("4"), endOfMib}, {kGroup + std::string("4"), endOfMib},
                                            {kIndex + std::string("4"), endOfMib}}}),
         0, 25, BulkStep::Ended, 1},
        {"past the table", join({alertRow(4), {{"1.3.6.1.2.1.43.18.1.1.8.1.1", AgentValue::octets("x")},
                                               {kIndex + std::string("1"), AgentValue::integer(1)},
                                               {"1.3.6.1.2.1.43.19.1.0", AgentValue::integer(1)}}}),
         0, 25, BulkStep::Ended, 1},
        {"noSuchObject ends its column only",
         join({{{kCode + std::string("4"), AgentValue::raw(0x80, {})}, alertRow(4)[1], alertRow(4)[2]}}), 0, 25,
         BulkStep::More, 1},
        {"Counter64 ends its column only",
         join({{{kCode + std::string("4"), AgentValue::raw(0x46, {1, 0, 0, 0, 0, 0, 0, 1})}, alertRow(4)[1],
                alertRow(4)[2]}}),
         0, 25, BulkStep::More, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const DeviceIdentity device = snmpDevice(htonl(INADDR_LOOPBACK), "public", 1);
        QuerySetup setup;
        ASSERT_EQ(prepareQuery(&setup, device, kKeys, service.record()), NETROV_OK);
        WalkCursor cursor(setup);
        cursor.current = {kCode + std::string("3"), kGroup + std::string("3"), kIndex + std::string("3")};
        const auto before = cursor.current;
        const std::vector<uint8_t> bytes =
            TableAgent::asV2c(FakeAgent::encodeResponse(9, "public", c.status, 0, c.bindings));
        const netrov::snmp::Unwrapped reply =
            netrov::snmp::CommunityModel(netrov::snmp::kVersion2c, "public").unwrap(bytes, 0x0100007F);
        ASSERT_EQ(reply.status, netrov::snmp::UnwrapStatus::Ok);
        std::vector<ReplyRow> rows;
        EXPECT_EQ(takeBulkReply(setup, cursor, *reply.message, c.repetitions, 100, &rows), c.step);
        ASSERT_EQ(rows.size(), c.rows);
        if (c.rows == 0) {
            EXPECT_EQ(cursor.current, before);  // nothing taken, nothing moved
        } else {
            EXPECT_EQ(numbers(rows[0])[2], 4);  // the index column of alert 4
        }
    }
}

TEST(BulkReply, RowBoundStopsInsideAReply)
{
    Service service{Service::FromFile{}, Service::standardDefinition()};
    const DeviceIdentity device = snmpDevice(htonl(INADDR_LOOPBACK), "public", 1);
    QuerySetup setup;
    ASSERT_EQ(prepareQuery(&setup, device, kKeys, service.record()), NETROV_OK);
    WalkCursor cursor(setup);
    const std::vector<uint8_t> bytes = TableAgent::asV2c(
        FakeAgent::encodeResponse(9, "public", 0, 0, join({alertRow(1), alertRow(2), alertRow(3)})));
    const netrov::snmp::Unwrapped reply =
        netrov::snmp::CommunityModel(netrov::snmp::kVersion2c, "public").unwrap(bytes, 0x0100007F);
    ASSERT_EQ(reply.status, netrov::snmp::UnwrapStatus::Ok);
    std::vector<ReplyRow> rows;
    EXPECT_EQ(takeBulkReply(setup, cursor, *reply.message, 3, 2, &rows), BulkStep::More);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(cursor.current[0], kCode + std::string("2"));  // the next request starts after row 2
}
