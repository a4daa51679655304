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

struct Expected {
    const char* walk;
    const char* model;
    const char* sysObjectId;
    const char* name;
    const char* location;
    uint8_t mac[6];
    // (code, group, index, simple status) per record; the no-alert record has
    // group and index 0.
    std::vector<std::array<int32_t, 4>> status;
};

const std::vector<Expected>& printers()
{
    static const std::vector<Expected> all = {
        {"mono_laser", "Tarnwell ML-210", "1.3.6.1.4.1.32473.7.1.210", "ml210-office", "Room 101, first floor",
         {0x00, 0x15, 0xA3, 0x10, 0x02, 0x10}, {{507, 0, 0, 1}}},
        {"colour_laser", "Tarnwell CL-560 Color", "1.3.6.1.4.1.32473.7.1.560", "cl560-design",
         "Design studio, second floor", {0x00, 0x15, 0xA3, 0x20, 0x05, 0x60}, {{507, 0, 0, 2}}},
        {"mfp", "Tarnwell MX-4400 MFP", "1.3.6.1.4.1.32473.7.2.4400", "mx4400-reception", "Reception desk",
         {0x00, 0x15, 0xA3, 0x30, 0x44, 0x00}, {{1104, 11, 1, 4}}},
        {"power_save", "Tarnwell ML-330", "1.3.6.1.4.1.32473.7.1.330", "ml330-hall", "Main hall",
         {0x00, 0x15, 0xA3, 0x40, 0x03, 0x30}, {{23, 5, 1, 6}}},
        {"jam_door", "Tarnwell CL-720 Color", "1.3.6.1.4.1.32473.7.1.720", "cl720-print-room", "Print room",
         {0x00, 0x15, 0xA3, 0x50, 0x07, 0x20}, {{8, 13, 1, 5}, {3, 6, 2, 5}}},
        {"toner_empty", "Tarnwell ML-410", "1.3.6.1.4.1.32473.7.1.410", "ml410-warehouse", "Warehouse office",
         {0x00, 0x15, 0xA3, 0x60, 0x04, 0x10}, {{1101, 11, 1, 5}}},
    };
    return all;
}

class SnmpSimDevices : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        std::vector<std::string> walks;
        for (const Expected& e : printers()) walks.push_back(projectWalk(e.walk));
        walks.push_back(projectWalk("switch"));
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
