// The report's store columns from the core's reading of a store, which the desktop's Export report uses, against the command line's.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "fleet_report.h"
#include "fleet_store.h"
#include "store_commands.h"
#include "stored_views.h"
#include "temp_dir.h"

namespace netrov::test {
namespace {

constexpr int64_t kDay = 86400;
constexpr int64_t kLastRound = 1767571200 + 19 * kDay;  // the store's last round
constexpr int64_t kNow = kLastRound + 60;

// A mono printer watched for 19 days, its black falling two points a day to
// 42 % (empty in about 21 days), and a colour one read once.
void writeStore(const std::string& path)
{
    store::FleetStore fleet;
    ASSERT_TRUE(fleet.open(path).ok());
    store::DeviceReading mono;
    mono.identity = {"192.0.2.5", "00:1b:a9:0c:11:22", "SN-MONO", "Laser 5"};
    store::DeviceReading colour;
    colour.identity = {"192.0.2.6", "", "SN-COLOUR", "Colour 9"};
    colour.supplies = {{1, 3, "cyan", "Cyan Toner", "", 70, 100, 19}, {2, 3, "", "Waste Toner", "", 50, 100, 19}};
    for (int day = 19; day >= 0; --day) {
        mono.pageCount = 10000 + (19 - day) * 100;
        mono.supplies = {{1, 3, "black", "Black Toner Cartridge", "", 42 + 2 * day, 100, 19}};
        ASSERT_TRUE(fleet.writeRound(kLastRound - day * kDay, {&mono, 1}).ok());
    }
    ASSERT_TRUE(fleet.writeRound(kLastRound, {&colour, 1}).ok());
}

core::DeviceReport reportOf(const char* address, const char* mac, const char* serial)
{
    core::DeviceReport r;
    r.address = address;
    r.macAddress = mac;
    r.serialNumber = serial;
    r.model = "Laser 5";
    return r;
}

struct ViewCase {
    const char* name;
    core::DeviceReport report;
    bool storeFile;                      // false: the path holds a file that is no store
    const char* lastSeen;                // "" when the store has not the device
    std::optional<int64_t> blackDays;
    const char* missing;
};

class StoredViews : public ::testing::TestWithParam<ViewCase> {};

TEST_P(StoredViews, TheDesktopsColumnsAreTheCommandLines)
{
    const ViewCase& c = GetParam();
    TempDir dir;
    const std::string path = dir.file("fleet.db");
    if (c.storeFile) writeStore(path);
    else writeFile(path, "not a store\n");

    std::vector<core::DeviceReport> desktop{c.report};
    std::vector<core::DeviceReport> line{c.report};
    EXPECT_EQ(core::addStoredViews(path, desktop, kNow).empty(), c.storeFile);
    EXPECT_EQ(cli::addStoredViews(path, line, kNow).empty(), c.storeFile);
    ASSERT_TRUE(desktop[0].stored);
    EXPECT_EQ(core::reportCsv(desktop), core::reportCsv(line));
    EXPECT_EQ(core::reportJson(desktop), core::reportJson(line));

    const core::StoredDevice& stored = *desktop[0].stored;
    EXPECT_EQ(stored.lastSeen, c.lastSeen[0] ? core::utcText(kLastRound) : "");
    const core::StoredDaysLeft* black = stored.of("black");
    EXPECT_EQ(black && black->days ? black->days : std::nullopt, c.blackDays);
    EXPECT_EQ(stored.missing.substr(0, std::string(c.missing).size()), c.missing);
    EXPECT_EQ(stored.unreadable, !c.storeFile);
}

const ViewCase kViewCases[] = {
    {"MatchedBySerialAtAnotherAddress", reportOf("192.0.2.99", "", "SN-MONO"), true, "last", 21, ""},
    {"MatchedByTheMacInCapitals", reportOf("192.0.2.98", "00:1B:A9:0C:11:22", ""), true, "last", 21, ""},
    {"MatchedByTheAddressAlone", reportOf("192.0.2.5", "", ""), true, "last", 21, ""},
    {"AColourWithoutARateHasNoDays", reportOf("192.0.2.6", "", "SN-COLOUR"), true, "last", std::nullopt, ""},
    {"NotInTheStore", reportOf("192.0.2.7", "", "SN-OTHER"), true, "", std::nullopt, "not in the store"},
    {"NoStoreAtThePath", reportOf("192.0.2.5", "", "SN-MONO"), false, "", std::nullopt, "store not read: "},
};

INSTANTIATE_TEST_SUITE_P(Rows, StoredViews, ::testing::ValuesIn(kViewCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace netrov::test
