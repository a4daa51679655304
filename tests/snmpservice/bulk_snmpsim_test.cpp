// Every reading query of the project's device walks, served by snmpsim,
// gives the same records over SNMPv2c (tables by GetBulk) as over SNMPv1
// (tables by GetNext).
#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <memory>
#include <string>
#include <vector>

#include "delay_relay.h"
#include "device_versions.h"
#include "netrov/result_codes.h"
#include "netrov/snmp_version.h"
#include "project_walks.h"
#include "queries.h"
#include "read_cache.h"
#include "service_fixture.h"
#include "snmpsim_runner.h"
#include "walk_files.h"

using namespace netrov::test;
using namespace netrov::tessel;

namespace {

constexpr const char* kAddress = "127.0.45.1";
constexpr const char* kRelay = "127.0.45.2";  // counts the exchanges with the simulator

struct Reading {
    int32_t code = 0;
    int32_t count = 0;
    std::vector<uint8_t> records;
};

class BulkSnmpSim : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        std::vector<std::string> walks;
        for (const Expected& e : printers()) walks.push_back(projectWalk(e.walk));
        walks.push_back(projectWalk("inkjet"));
        simulator = std::make_unique<SnmpSimRunner>(walks, std::vector<std::string>{kAddress});
    }
    static void TearDownTestSuite() { simulator.reset(); }
    void SetUp() override
    {
        if (!simulator->ready()) GTEST_SKIP() << simulator->whyNot();
        forgetDevices();
    }

    Reading read(const QueryInfo& query, const char* walk, int32_t version, const char* at = kAddress)
    {
        in_addr a{};
        inet_pton(AF_INET, at, &a);
        DeviceIdentity device = snmpDevice(a.s_addr, walk, 2);
        netrovSetSnmpVersion(&device, version);
        Reading r;
        r.records.assign(query.recordSize * 32, 0);
        r.code = runQuery(query, &device, 0, 0, r.records.data(), 32, &r.count, service.record());
        return r;
    }

    static std::unique_ptr<SnmpSimRunner> simulator;
    Service service{Service::FromFile{}, Service::standardDefinition()};
};

std::unique_ptr<SnmpSimRunner> BulkSnmpSim::simulator;

bool readingQuery(const QueryInfo& query)
{
    return query.recordSize > 0 && std::string(query.name).rfind("TUVASRV_Get", 0) == 0;
}

}  // namespace

TEST_F(BulkSnmpSim, EveryReadingQueryGivesTheSameRecordsByGetBulk)
{
    std::vector<const char*> walks;
    for (const Expected& e : printers()) walks.push_back(e.walk);
    walks.push_back("inkjet");
    size_t compared = 0;
    for (const char* walk : walks) {
        for (const QueryInfo& query : kQueries) {
            if (!readingQuery(query)) continue;
            SCOPED_TRACE(std::string(walk) + " " + query.name);
            const Reading v1 = read(query, walk, NETROV_SNMP_V1);
            const Reading v2c = read(query, walk, NETROV_SNMP_V2C);
            EXPECT_EQ(v2c.code, v1.code);
            EXPECT_EQ(v2c.count, v1.count);
            EXPECT_EQ(v2c.records, v1.records);
            compared += v1.code == NETROV_OK && v1.count > 0 ? 1 : 0;
        }
    }
    EXPECT_GT(compared, 40u);  // most queries read something from these walks
}

TEST_F(BulkSnmpSim, AlertsOfTheJamWalkByGetBulk)
{
    const Reading r = read(kQueryGetDevStatus, "jam_door", NETROV_SNMP_V2C);
    ASSERT_EQ(r.code, NETROV_OK);
    ASSERT_EQ(r.count, 2);
    const auto* alerts = reinterpret_cast<const DeviceStatus*>(r.records.data());
    EXPECT_EQ(alerts[0].alertCode, 8);
    EXPECT_EQ(alerts[0].alertGroup, 13);
    EXPECT_EQ(alerts[0].alertIndex, 1);
    EXPECT_EQ(alerts[1].alertCode, 3);
    EXPECT_EQ(alerts[1].alertGroup, 6);
    EXPECT_EQ(alerts[1].alertIndex, 2);
}

TEST_F(BulkSnmpSim, AutoReadsTheSameAsV1)
{
    const Reading v1 = read(kQueryGetDevTray, "colour_laser", NETROV_SNMP_V1);
    const Reading automatic = read(kQueryGetDevTray, "colour_laser", NETROV_SNMP_AUTO);
    ASSERT_EQ(v1.code, NETROV_OK);
    EXPECT_GT(v1.count, 1);
    EXPECT_EQ(automatic.count, v1.count);
    EXPECT_EQ(automatic.records, v1.records);
}

// The single objects of every query share requests over SNMPv2c and tables
// come by GetBulk: the same inventory in at most half the exchanges, from
// the process's first reading on.
TEST_F(BulkSnmpSim, AnInventoryOverV2cTakesAtMostHalfTheExchanges)
{
    netrov::bench::DelayRelay relay(kRelay, 161, kAddress, 161);
    if (!relay.ok()) GTEST_SKIP() << relay.error();
    const auto inventory = [&](int32_t version, std::vector<std::vector<uint8_t>>& records) {
        forgetDevices();
        askedObjects().clear();
        relay.resetExchanges();
        for (const QueryInfo& query : kQueries) {
            if (!readingQuery(query)) continue;
            Reading r = read(query, "mfp", version, kRelay);
            r.records.resize(r.code == NETROV_OK ? query.recordSize * static_cast<size_t>(r.count) : 0);
            records.push_back(std::move(r.records));
        }
        return relay.exchanges();
    };
    std::vector<std::vector<uint8_t>> v1Records;
    std::vector<std::vector<uint8_t>> v2cRecords;
    const size_t v1 = inventory(NETROV_SNMP_V1, v1Records);
    const size_t v2c = inventory(NETROV_SNMP_V2C, v2cRecords);
    RecordProperty("v1Exchanges", static_cast<int>(v1));
    RecordProperty("v2cExchanges", static_cast<int>(v2c));
    EXPECT_EQ(v2cRecords, v1Records);
    EXPECT_GE(v1, 50u);
    EXPECT_LE(v2c * 2, v1);
}
