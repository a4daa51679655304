// Search, information and status of the project's own device walks, served
// by snmpsim on a loopback address through the standard support package.
#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "entry_points.h"
#include "netrov/result_codes.h"
#include "service_fixture.h"
#include "snmpsim_runner.h"
#include "project_walks.h"
#include "walk_files.h"

using namespace netrov::test;

namespace {

constexpr const char* kAddress = "127.0.44.1";
constexpr const char* kNobodyThere = "127.0.44.99";

uint32_t addressValue(const char* dotted)
{
    in_addr a{};
    inet_pton(AF_INET, dotted, &a);
    return a.s_addr;
}

// Walks that lack the model's objects in turn: the model is hrDeviceDescr,
// else prtGeneralPrinterName, else sysDescr up to its first separator;
// without any, no device.
struct ModelSource {
    const char* walk;
    const char* model;  // null: not found
};
constexpr ModelSource kModelSources[] = {
    {"mono_laser", "Tarnwell ML-210"},               // all three: the description wins
    {"empty_description", "Tarnwell ML-150"},        // empty description
    {"no_host_table", "Tarnwell ML-160"},            // no hrDeviceTable
    {"sysdescr_only", "Tarnwell ML-170 mono laser"},  // the description up to its first separator
    {"no_model", nullptr},
};

class SnmpSimDevices : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        std::vector<std::string> walks;
        for (const Expected& e : printers()) walks.push_back(projectWalk(e.walk));
        walks.push_back(projectWalk("switch"));
        for (const ModelSource& m : kModelSources) walks.push_back(projectWalk(m.walk));
        simulator = std::make_unique<SnmpSimRunner>(walks, std::vector<std::string>{kAddress});
    }
    static void TearDownTestSuite() { simulator.reset(); }
    void SetUp() override
    {
        if (!simulator->ready()) GTEST_SKIP() << simulator->whyNot();
    }
    static DeviceIdentity device(const char* community) { return snmpDevice(addressValue(kAddress), community, 2); }

    static std::unique_ptr<SnmpSimRunner> simulator;
    Service service{Service::FromFile{}, Service::standardDefinition()};
};

std::unique_ptr<SnmpSimRunner> SnmpSimDevices::simulator;

}  // namespace

TEST_F(SnmpSimDevices, SearchFindsEachPrinterWithModelAndSystemIdentifier)
{
    for (const Expected& e : printers()) {
        SCOPED_TRACE(e.walk);
        DeviceIdentity request = device(e.walk);
        request.transport = NETROV_TRANSPORT_ALL;
        DeviceIdentity found[4];
        int32_t count = 0;
        ASSERT_EQ(TUVASRV_SearchDevice(&request, 0, 0, found, 4, &count, service.record()), NETROV_OK);
        ASSERT_EQ(count, 1);
        EXPECT_STREQ(found[0].modelName, e.model);
        EXPECT_STREQ(found[0].sysObjectId, e.sysObjectId);
        EXPECT_STREQ(found[0].community, e.walk);
        EXPECT_EQ(memcmp(found[0].address, request.address, 4), 0);
        EXPECT_EQ(found[0].transport, NETROV_TRANSPORT_SNMP);
    }
}

TEST_F(SnmpSimDevices, ModelFallsBackToPrinterNameThenSystemDescription)
{
    for (const ModelSource& m : kModelSources) {
        SCOPED_TRACE(m.walk);
        DeviceIdentity request = device(m.walk);
        DeviceIdentity found[2];
        int32_t count = -1;
        ASSERT_EQ(TUVASRV_SearchDevice(&request, 0, 0, found, 2, &count, service.record()), NETROV_OK);
        DeviceIdentity entered = device(m.walk);
        int32_t none = 0;
        const int32_t named = TUVASRV_GetDevModelName(&entered, 0, 0, nullptr, 0, &none, service.record());
        if (!m.model) {
            EXPECT_EQ(count, 0);
            EXPECT_EQ(named, NETROV_NO_VALUE);
            continue;
        }
        ASSERT_EQ(count, 1);
        EXPECT_STREQ(found[0].modelName, m.model);
        EXPECT_EQ(named, NETROV_OK);
        EXPECT_STREQ(entered.modelName, m.model);
    }
}

TEST_F(SnmpSimDevices, SwitchIsNotFound)
{
    DeviceIdentity request = device("switch");
    DeviceIdentity found[4];
    int32_t count = -1;
    ASSERT_EQ(TUVASRV_SearchDevice(&request, 0, 0, found, 4, &count, service.record()), NETROV_OK);
    EXPECT_EQ(count, 0);
}

TEST_F(SnmpSimDevices, InformationGivesNameLocationAndHardwareAddress)
{
    for (const Expected& e : printers()) {
        SCOPED_TRACE(e.walk);
        DeviceIdentity d = device(e.walk);
        DeviceInfo info[2];
        int32_t count = 0;
        ASSERT_EQ(TUVASRV_GetDevInfo(&d, 0, 0, info, 2, &count, service.record()), NETROV_OK);
        ASSERT_EQ(count, 1);
        EXPECT_STREQ(info[0].name, e.name);
        EXPECT_STREQ(info[0].location, e.location);
        EXPECT_EQ(info[0].macAddressValid, 1);
        EXPECT_EQ(memcmp(info[0].macAddress, e.mac, 6), 0);
    }
}

TEST_F(SnmpSimDevices, ModelNameOfADeviceEnteredByAddress)
{
    DeviceIdentity d = device("mfp");
    int32_t count = 0;
    ASSERT_EQ(TUVASRV_GetDevModelName(&d, 0, 0, nullptr, 0, &count, service.record()), NETROV_OK);
    EXPECT_STREQ(d.modelName, "Tarnwell MX-4400 MFP");
}

TEST_F(SnmpSimDevices, StatusGivesAlertsAndSimpleStatus)
{
    for (const Expected& e : printers()) {
        SCOPED_TRACE(e.walk);
        DeviceIdentity d = device(e.walk);
        DeviceStatus status[8];
        int32_t count = 0;
        ASSERT_EQ(TUVASRV_GetDevStatus(&d, 0, 0, status, 8, &count, service.record()), NETROV_OK);
        ASSERT_EQ(static_cast<size_t>(count), e.status.size());
        for (size_t i = 0; i < e.status.size(); ++i) {
            EXPECT_EQ(status[i].failed, 0);
            EXPECT_EQ(status[i].alertCodeValid, 1);
            EXPECT_EQ(status[i].alertCode, e.status[i][0]);
            EXPECT_EQ(status[i].alertGroup, e.status[i][1]);
            EXPECT_EQ(status[i].alertIndex, e.status[i][2]);
            EXPECT_EQ(status[i].simpleStatusValid, 1);
            EXPECT_EQ(status[i].simpleStatus, e.status[i][3]);
        }
    }
}

TEST_F(SnmpSimDevices, AlertInBothTablesIsReportedOnce)
{
    // The standard document with the second alert table naming the same columns.
    std::string doc = readFile(Service::standardDefinition());
    const size_t end = doc.rfind("</definition>");
    ASSERT_NE(end, std::string::npos);
    doc.insert(end, "<oid def=\"GETDEVSTATUS_ALERTCODE2\">1.3.6.1.2.1.43.18.1.1.7</oid>\n"
                    "<oid def=\"GETDEVSTATUS_ALERTGROUP2\">1.3.6.1.2.1.43.18.1.1.4</oid>\n"
                    "<oid def=\"GETDEVSTATUS_ALERTINDEX2\">1.3.6.1.2.1.43.18.1.1.5</oid>\n");
    Service twoTables(doc);
    ASSERT_TRUE(twoTables.loaded());
    DeviceIdentity d = device("jam_door");
    DeviceStatus status[8];
    int32_t count = 0;
    ASSERT_EQ(TUVASRV_GetDevStatus(&d, 0, 0, status, 8, &count, twoTables.record()), NETROV_OK);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(status[0].alertCode, 8);
    EXPECT_EQ(status[1].alertCode, 3);
}

TEST_F(SnmpSimDevices, SilentDeviceGivesTheFailureRecordAnd100)
{
    DeviceIdentity d = snmpDevice(addressValue(kNobodyThere), "mono_laser", 1);
    DeviceStatus status[2];
    int32_t count = 0;
    EXPECT_EQ(TUVASRV_GetDevStatus(&d, 0, 0, status, 2, &count, service.record()), NETROV_NO_REPLY);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(status[0].failed, 1);
    EXPECT_EQ(status[0].failureValue, 1);
    EXPECT_EQ(status[0].simpleStatus, -1);
    // An unknown community is silence too.
    DeviceIdentity wrong = device("no_such_walk");
    EXPECT_EQ(TUVASRV_GetDevStatus(&wrong, 0, 0, status, 2, &count, service.record()), NETROV_NO_REPLY);
    EXPECT_EQ(status[0].simpleStatus, -1);
}
