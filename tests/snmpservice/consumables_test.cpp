// The consumables rules that can go wrong, against the fake agent serving a
// Printer-MIB supplies and input table through the standard document.
#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "attribute_query.h"
#include "entry_points.h"
#include "fake_agent.h"
#include "netrov/result_codes.h"
#include "service_fixture.h"

using namespace netrov::test;
using namespace netrov::tessel;

namespace {

const std::string kSupply = "1.3.6.1.2.1.43.11.1.1.";
const std::string kColorant = "1.3.6.1.2.1.43.12.1.1.4.1.";
const std::string kInput = "1.3.6.1.2.1.43.8.2.1.";

// The standard document with extra elements in front, so they win.
std::string standardWith(const std::string& extra)
{
    std::ifstream in(Service::standardDefinition());
    std::stringstream text;
    text << in.rdbuf();
    std::string document = text.str();
    document.insert(document.find("<definition>") + 12, "\n" + extra);
    return document;
}

class ConsumablesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!agent.ok()) GTEST_SKIP() << "fake agent: " << agent.error();
        device = snmpDevice(agent.addressValue());
        // Something after the tables, as on any real agent: a GetNext past
        // the last object fails the whole SNMPv1 request.
        agent.setObject("1.3.6.1.4.1.32473.1.0", AgentValue::integer(0));
    }
    void supply(int row, int type, const std::string& description, int max, int level, int colorant = 0)
    {
        const std::string i = ".1." + std::to_string(row);
        agent.setObject(kSupply + "3" + i, AgentValue::integer(colorant));
        agent.setObject(kSupply + "5" + i, AgentValue::integer(type));
        agent.setObject(kSupply + "6" + i, AgentValue::octets(description));
        agent.setObject(kSupply + "7" + i, AgentValue::integer(19));
        agent.setObject(kSupply + "8" + i, AgentValue::integer(max));
        agent.setObject(kSupply + "9" + i, AgentValue::integer(level));
    }
    std::vector<TonerEntry> toner(ServiceRecord* record, int32_t capacity, int32_t* count, int32_t* result = nullptr)
    {
        std::vector<TonerEntry> entries(static_cast<size_t>(capacity));
        const int32_t r = TUVASRV_GetDevToner(&device, 0, 0, entries.data(), capacity, count, record);
        if (result) *result = r;
        return entries;
    }

    FakeAgent agent;
    DeviceIdentity device{};
    Service standard{Service::FromFile{}, Service::standardDefinition()};
};

}  // namespace

TEST(RemainingPercent, IsAPercentageOrTheDevicesCodeOrNotReported)
{
    constexpr std::optional<int32_t> no;
    struct Case {
        std::optional<int32_t> level, max, expected;
    };
    const Case cases[] = {
        {250, 1000, 25},      {100, 100, 100},     {2, 3, 66},  // rounded down
        {0, 100, 0},          {0, 1, 0},           {2000000000, 2000000000, 100},
        {-1, 100, -1},        {-2, 100, -2},       {-3, 100, -3},  // the level's codes
        {-3, -2, -3},         {-1, no, -1},        {-3, 0, -3},
        {-4, 100, no},        {INT32_MIN, 100, no},                  // no code
        {0, -2, -2},          {50, -1, -1},        {no, -2, -2},     // the maximum's codes
        {50, -3, no},         {50, INT32_MIN, no},
        {900, 100, no},       {101, 100, no},      {2147483647, 1, no},  // above the maximum
        {50, 0, no},          {0, 0, no},          {no, 0, no},          // a maximum of 0
        {50, no, no},         {0, no, no},         {no, no, no},         // no maximum
        {no, 500, no},                                                   // no level
    };
    for (const Case& c : cases) {
        const auto percent = remainingPercent(c.max, c.level);
        EXPECT_EQ(percent, c.expected) << "level " << c.level.value_or(-99) << " of " << c.max.value_or(-99);
        if (percent) {
            EXPECT_TRUE(*percent <= 100 && *percent >= -3);
        }
    }
}

TEST(RemainingPercent, TheDevicesOwnPercentageKeepsTheSameBounds)
{
    constexpr std::optional<int32_t> no;
    const std::pair<std::optional<int32_t>, std::optional<int32_t>> cases[] = {
        {0, 0}, {55, 55}, {100, 100}, {101, no}, {900, no}, {-1, -1}, {-2, -2}, {-3, -3}, {-4, no}, {no, no},
    };
    for (const auto& [given, expected] : cases) {
        EXPECT_EQ(reportablePercent(given), expected) << given.value_or(-99);
    }
}

TEST(ColourText, ThreeNumbersJoinedByDashes)
{
    EXPECT_EQ(parseColourText("0-255-128"), (std::array<int32_t, 3>{0, 255, 128}));
    EXPECT_EQ(parseColourText("12--7"), (std::array<int32_t, 3>{12, 0, 7}));  // no sign taken from a dash
    EXPECT_EQ(parseColourText("1-2-3-4"), (std::array<int32_t, 3>{1, 2, 3}));
    EXPECT_EQ(parseColourText("x-y-z"), (std::array<int32_t, 3>{0, 0, 0}));
    EXPECT_FALSE(parseColourText("255-0"));
    EXPECT_FALSE(parseColourText(""));
}

TEST_F(ConsumablesTest, UnlistedTonerTypesAndOtherSuppliesGoToTheirOwnQuery)
{
    supply(1, 3, "Black Toner", 1000, 250, 1);
    supply(2, 1, "Something else", 100, 10);  // "other": listed by neither toner nor exception table
    supply(3, 9, "Drum", 0, 0);               // a drum without maximum or level
    supply(4, 21, "Cyan Cartridge", 500, 500, 2);
    agent.setObject(kColorant + "1", AgentValue::octets("black"));
    agent.setObject(kColorant + "2", AgentValue::octets("Cyan"));

    int32_t count = 0;
    const auto toners = toner(standard.record(), 4, &count);
    ASSERT_EQ(count, 2);
    EXPECT_STREQ(toners[0].name, "Black Toner");
    EXPECT_EQ(toners[0].remainingPercent, 25);
    EXPECT_EQ(toners[0].color[0] + toners[0].color[1] + toners[0].color[2], 0);
    EXPECT_EQ(toners[0].colorValid, 1);
    EXPECT_STREQ(toners[1].name, "Cyan Cartridge");
    EXPECT_EQ(toners[1].supplyType, 21);
    EXPECT_EQ(toners[1].remainingPercent, 100);
    EXPECT_EQ(toners[1].color[0], 0);
    EXPECT_EQ(toners[1].color[1], 255);

    SupplyEntry supplies[4];
    ASSERT_EQ(TUVASRV_GetDevSupplies(&device, 0, 0, supplies, 4, &count, standard.record()), NETROV_OK);
    ASSERT_EQ(count, 2);
    EXPECT_STREQ(supplies[0].name, "Something else");
    EXPECT_EQ(supplies[0].remainingPercent, 10);
    EXPECT_STREQ(supplies[1].name, "Drum");
    EXPECT_EQ(supplies[1].remainingPercentValid, 0);  // a maximum of 0: no share to give
    EXPECT_STREQ(supplies[1].remainingText, "");
}

TEST_F(ConsumablesTest, CountsPastCapacityAndCutsLongDescriptions)
{
    const std::string longName(300, 'n');
    for (int row = 1; row <= 5; ++row) supply(row, 3, row == 1 ? longName : "Toner", 100, 50);
    int32_t count = 0;
    int32_t result = -1;
    const auto toners = toner(standard.record(), 2, &count, &result);
    EXPECT_EQ(result, NETROV_OK);
    EXPECT_EQ(count, 5);
    EXPECT_EQ(std::string(toners[0].name), longName.substr(0, 255));
    EXPECT_EQ(toners[0].name[255], '\0');
    EXPECT_EQ(toners[1].remainingPercent, 50);
}

TEST_F(ConsumablesTest, SpecialLevelsGiveTheirTexts)
{
    supply(1, 3, "A", 100, -3);
    supply(2, 3, "B", -2, 0);
    supply(3, 3, "C", 500, 0);
    agent.removeObject(kSupply + "9.1.3");  // no level: no percentage, no text
    int32_t count = 0;
    const auto toners = toner(standard.record(), 3, &count);
    ASSERT_EQ(count, 3);
    EXPECT_EQ(toners[0].remainingPercent, -3);
    EXPECT_STREQ(toners[0].remainingText, "Some remaining");
    EXPECT_EQ(toners[1].remainingPercent, -2);
    EXPECT_STREQ(toners[1].remainingText, "Unknown");
    EXPECT_EQ(toners[2].remainingPercentValid, 0);
    EXPECT_STREQ(toners[2].remainingText, "");
}

TEST_F(ConsumablesTest, SupplyWithAMaximumButNoLevelIsNotReported)
{
    supply(1, 9, "Fuser", 200, 50);
    supply(2, 9, "Drum", 500, 0);
    agent.removeObject(kSupply + "9.1.2");  // the last row, so no later level stands in
    SupplyEntry supplies[2];
    int32_t count = 0;
    ASSERT_EQ(TUVASRV_GetDevSupplies(&device, 0, 0, supplies, 2, &count, standard.record()), NETROV_OK);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(supplies[0].remainingPercentValid, 1);
    EXPECT_EQ(supplies[0].remainingPercent, 25);
    EXPECT_STREQ(supplies[1].name, "Drum");
    EXPECT_EQ(supplies[1].maxCapacity, 500);
    EXPECT_EQ(supplies[1].currentLevelValid, 0);
    EXPECT_EQ(supplies[1].remainingPercentValid, 0);
    EXPECT_EQ(supplies[1].remainingPercent, 0);
    EXPECT_STREQ(supplies[1].remainingText, "") << "not \"Empty\"";
}

TEST_F(ConsumablesTest, LevelsAboveTheirMaximumAndUnknownMaximaAreNotReported)
{
    supply(1, 3, "Over", 100, 900);
    supply(2, 3, "Wrapping", 1, 2147483647);
    supply(3, 3, "No maximum", 0, 40);
    int32_t count = 0;
    const auto toners = toner(standard.record(), 3, &count);
    ASSERT_EQ(count, 3);
    for (const TonerEntry& t : toners) {
        SCOPED_TRACE(t.name);
        EXPECT_EQ(t.remainingPercentValid, 0);
        EXPECT_EQ(t.remainingPercent, 0);
        EXPECT_STREQ(t.remainingText, "");
        EXPECT_EQ(t.currentLevelValid, 1) << "the level itself is still reported";
    }
    EXPECT_EQ(toners[0].currentLevel, 900);
}

TEST_F(ConsumablesTest, OneWalkAndAColourRequestOnlyWhereTheDocumentGaveNoColour)
{
    for (int row = 1; row <= 3; ++row) supply(row, 3, "Toner", 100, 50, row);
    agent.setObject(kColorant + "1", AgentValue::octets("magenta"));

    int32_t count = 0;
    toner(standard.record(), 3, &count);
    ASSERT_EQ(count, 3);
    // Four GetNext requests walk three rows; then one Get per toner, each for
    // its own colorant.
    const auto requests = agent.requests();
    ASSERT_EQ(requests.size(), 4u + 3u);
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(requests[i].pduType, 0xA1);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(requests[4 + i].pduType, 0xA0);
        ASSERT_EQ(requests[4 + i].bindings.size(), 1u);
        EXPECT_EQ(requests[4 + i].bindings[0].oid, kColorant + std::to_string(i + 1));
    }

    // A document that colours by position asks the device no more.
    Service positional(standardWith("<keyword name=\"GETDEVTONER_COLORINDEX\"><exchange key1=\"*\">1-2-3</exchange></keyword>"));
    agent.clearRequests();
    const auto coloured = toner(positional.record(), 3, &count);
    EXPECT_EQ(agent.requestCount(), 4u);
    EXPECT_EQ(coloured[2].color[2], 3);
}

TEST_F(ConsumablesTest, ColourRequestsOnManyThreadsKeepTheirOwnInstances)
{
    const char* names[] = {"black", "cyan", "magenta", "yellow"};
    for (int row = 1; row <= 4; ++row) {
        supply(row, 3, names[row - 1], 100, 50, row);
        agent.setObject(kColorant + std::to_string(row), AgentValue::octets(names[row - 1]));
    }
    const int32_t expectedGreen[] = {0, 255, 0, 255};
    std::vector<std::thread> threads;
    std::atomic<int> wrong{0};
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&] {
            DeviceIdentity own = device;
            TonerEntry entries[4];
            int32_t count = 0;
            if (TUVASRV_GetDevToner(&own, 0, 0, entries, 4, &count, standard.record()) != NETROV_OK || count != 4) {
                ++wrong;
                return;
            }
            for (int i = 0; i < 4; ++i) {
                if (!entries[i].colorValid || entries[i].color[1] != expectedGreen[i]) ++wrong;
            }
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(wrong.load(), 0);
}

TEST_F(ConsumablesTest, TrayPaperIsFoundBySizeInEitherOrientation)
{
    Service papers(document(R"(
        <oid def="GETDEVTRAY_SIZEUNIT">1.3.6.1.2.1.43.8.2.1.3</oid>
        <oid def="GETDEVTRAY_SIZEX">1.3.6.1.2.1.43.8.2.1.5</oid>
        <oid def="GETDEVTRAY_SIZEY">1.3.6.1.2.1.43.8.2.1.4</oid>
        <keyword name="GETDEVTRAY_PAPER">
          <exchange key1="211" key2="298">A4</exchange>
          <exchange key1="0" key2="1">Other unit</exchange>
        </keyword>)"));
    struct Case {
        int unit, x, y;
        const char* paper;
        double sizeX, sizeY;
    };
    const Case cases[] = {
        {4, 210000, 297000, "A4", 210, 297},             // 209..211 x 296..298
        {4, 297000, 210000, "A4", 297, 210},             // found with the edges exchanged
        {3, 82677, 116929, "", 8.2677, 11.6929},         // 209 x 296 mm: keys 208..210, 211 is out of reach
        {4, 213000, 297000, "", 213, 297},               // 3 mm off: no paper
        {12, 210000, 297000, "Other unit", 210, 297},    // no length unit: both sizes 0, keys -1..1
        {5, 210000, 297000, "Other unit", 210000, 297000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.unit * 1000000 + c.x);
        agent.setObject(kInput + "3.1.1", AgentValue::integer(c.unit));
        agent.setObject(kInput + "5.1.1", AgentValue::integer(c.x));
        agent.setObject(kInput + "4.1.1", AgentValue::integer(c.y));
        TrayEntry tray[1];
        int32_t count = 0;
        ASSERT_EQ(TUVASRV_GetDevTray(&device, 0, 0, tray, 1, &count, papers.record()), NETROV_OK);
        ASSERT_EQ(count, 1);
        EXPECT_STREQ(tray[0].paperName, c.paper);
        EXPECT_EQ(tray[0].paperNameValid, c.paper[0] != '\0');
        EXPECT_NEAR(tray[0].sizeX, c.sizeX, 1e-9);
        EXPECT_NEAR(tray[0].sizeY, c.sizeY, 1e-9);
    }
}

TEST_F(ConsumablesTest, UndefinedQueriesAnswer8WithoutARequest)
{
    int32_t count = -1;
    CodedSetting setting[1];
    TonerCapEntry capacities[1];
    ImageAreaInfo area[1];
    ColorCalibInfo calibration[1];
    EXPECT_EQ(TUVASRV_GetDevTonerSave(&device, 0, 0, setting, 1, &count, standard.record()), NETROV_NOT_DEFINED);
    EXPECT_EQ(TUVASRV_GetDevTonerCap(&device, 0, 0, capacities, 1, &count, standard.record()), NETROV_NOT_DEFINED);
    EXPECT_EQ(TUVASRV_GetDevImageArea(&device, 0, 0, area, 1, &count, standard.record()), NETROV_NOT_DEFINED);
    EXPECT_EQ(TUVASRV_GetDevColorCalib(&device, 0, 0, calibration, 1, &count, standard.record()), NETROV_NOT_DEFINED);
    EXPECT_EQ(agent.requestCount(), 0u);
}
