// The report's last_seen and days_left columns and the check's days thresholds, read from a fleet store.
#include <gtest/gtest.h>

#include <ctime>
#include <fstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "csv_records.h"
#include "exit_codes.h"
#include "fleet_commands.h"
#include "fleet_report.h"
#include "fleet_store.h"
#include "run_program.h"
#include "store_commands.h"
#include "temp_dir.h"
#include "walk_agents.h"

namespace netrov::test {
namespace {

const std::string kCli = std::string(NETROV_OUTPUT_DIR) + "/netrov-cli";
constexpr int64_t kDay = 86400;

// The report's columns before the store's, in the order scripts found them.
const std::vector<std::string> kFixedColumns = {
    "address", "model", "name", "location", "mac", "status", "attention", "attention_reasons", "alerts", "serial",
    "pages", "toner_black", "black_state", "toner_cyan", "cyan_state", "toner_magenta", "magenta_state",
    "toner_yellow", "yellow_state", "toner_other", "problems"};
const std::vector<std::string> kStoreColumns = {"last_seen", "days_left_black", "days_left_cyan", "days_left_magenta",
                                                "days_left_yellow"};

core::DeviceReport readyPrinter()
{
    core::DeviceReport r;
    r.address = "192.0.2.5";
    r.model = "Laser 5";
    r.statusCode = 3;
    r.status = "Ready";
    r.statusRead = true;
    r.toner.push_back({"black", "Black", 80, "", std::nullopt});
    r.toner.push_back({"cyan", "Cyan", 70, "", std::nullopt});
    return r;
}

core::StoredDevice storedWith(std::optional<int64_t> blackDays)
{
    core::StoredDevice s;
    s.lastSeen = "2026-01-05T09:00:00Z";
    s.daysLeft.push_back({"black", blackDays, blackDays ? "" : "needs readings over 3 days"});
    s.daysLeft.push_back({"cyan", std::nullopt, "needs readings over 3 days"});
    return s;
}

TEST(StoreColumns, TheStoreColumnsFollowTheFixedOnesWhateverTheStoreHolds)
{
    core::DeviceReport without = readyPrinter();
    core::DeviceReport absent = readyPrinter();
    absent.stored.emplace().missing = "not in the store";
    core::DeviceReport known = readyPrinter();
    known.stored = storedWith(20);
    const auto rows = parseCsv(core::reportCsv({without, absent, known}));
    ASSERT_EQ(rows.size(), 4u);
    std::vector<std::string> header = kFixedColumns;
    header.insert(header.end(), kStoreColumns.begin(), kStoreColumns.end());
    EXPECT_EQ(rows[0], header);
    for (size_t i = 1; i <= 2; ++i)
        EXPECT_EQ(std::vector<std::string>(rows[i].end() - 5, rows[i].end()), std::vector<std::string>(5, "")) << i;
    EXPECT_EQ(std::vector<std::string>(rows[3].end() - 5, rows[3].end()),
              (std::vector<std::string>{"2026-01-05T09:00:00Z", "20", "", "", ""}));
    EXPECT_EQ(rows[3][11], "80");  // toner_black where it always was

    const nlohmann::json doc = core::reportJson({without, absent, known});
    EXPECT_TRUE(doc[0]["lastSeen"].is_null());
    EXPECT_TRUE(doc[0]["toner"]["black"]["daysLeft"].is_null());
    EXPECT_EQ(doc[0]["toner"]["black"]["daysLeftReason"], "no store read");
    EXPECT_EQ(doc[1]["toner"]["yellow"]["daysLeftReason"], "not in the store");
    EXPECT_EQ(doc[2]["lastSeen"], "2026-01-05T09:00:00Z");
    EXPECT_EQ(doc[2]["toner"]["black"]["daysLeft"], 20);
    EXPECT_EQ(doc[2]["toner"]["black"]["daysLeftReason"], "");
    EXPECT_TRUE(doc[2]["toner"]["cyan"]["daysLeft"].is_null());
    EXPECT_EQ(doc[2]["toner"]["cyan"]["daysLeftReason"], "needs readings over 3 days");
    EXPECT_EQ(doc[2]["toner"]["magenta"]["daysLeftReason"], "no stored readings of this colour");
}

TEST(StoreColumns, DaysThresholdsJudgeTheForecastAndNeverTheMissingOne)
{
    struct Case {
        const char* what;
        int warning;
        int critical;
        std::optional<core::StoredDevice> stored;
        int exitCode;
        const char* inText;      // expected in the status text, or ""
        const char* perf;        // the days label expected, or "" when there must be none
    };
    core::StoredDevice unreadable;
    unreadable.missing = "store not read: /x/fleet.db: no such store";
    unreadable.unreadable = true;
    core::StoredDevice absent;
    absent.missing = "not in the store";
    const Case cases[] = {
        {"no thresholds", -1, -1, storedWith(20), cli::kCheckOk, "", "days_left_black=20;;"},
        {"within the warning", 30, 10, storedWith(20), cli::kCheckWarning, "black empty in 20 days", "days_left_black=20;30:;10:"},
        {"within the critical", 30, 25, storedWith(20), cli::kCheckCritical, "black empty in 20 days", "days_left_black=20;30:;25:"},
        {"beyond both", 10, 5, storedWith(20), cli::kCheckOk, "", "days_left_black=20;10:;5:"},
        {"on the threshold", 20, -1, storedWith(20), cli::kCheckOk, "", "days_left_black=20;20:;"},
        {"no forecast", 30, 10, storedWith(std::nullopt), cli::kCheckOk, "no forecast in the store (black: needs readings over 3 days)", ""},
        {"not in the store", 30, 10, absent, cli::kCheckOk, "no forecast in the store (not in the store)", ""},
        {"no store", 30, 10, std::nullopt, cli::kCheckOk, "no forecast: no fleet store", ""},
        {"unreadable store", -1, -1, unreadable, cli::kCheckOk, "store not read: /x/fleet.db: no such store", ""},
    };
    for (const Case& c : cases) {
        core::DeviceReport report = readyPrinter();
        report.stored = c.stored;
        cli::CheckThresholds thresholds;
        thresholds.daysWarning = c.warning;
        thresholds.daysCritical = c.critical;
        const cli::CheckVerdict verdict = cli::checkVerdict(report, thresholds);
        EXPECT_EQ(verdict.exitCode, c.exitCode) << c.what << ": " << verdict.line;
        const std::string text = verdict.line.substr(0, verdict.line.find('|'));
        EXPECT_NE(text.find(c.inText), std::string::npos) << c.what << ": " << verdict.line;
        if (*c.perf)
            EXPECT_NE((verdict.line + " ").find(std::string(" ") + c.perf + " "), std::string::npos) << c.what << ": " << verdict.line;
        else
            EXPECT_EQ(verdict.line.find("days_left_"), std::string::npos) << c.what << ": " << verdict.line;
    }
}

TEST(StoreColumns, DaysThresholdsTakeDaysAndTheCriticalIsTheSmaller)
{
    const std::pair<const char*, std::optional<int>> texts[] = {
        {"30", 30}, {"30:", 30}, {"0", 0}, {"3650", 3650}, {"3651", std::nullopt}, {"-1", std::nullopt},
        {"", std::nullopt}, {"7d", std::nullopt}, {"~:7", std::nullopt}};
    for (const auto& [text, days] : texts) EXPECT_EQ(cli::parseDaysThreshold(text), days) << text;
    cli::CheckThresholds t;
    t.daysWarning = 10;
    t.daysCritical = 20;
    EXPECT_EQ(cli::thresholdsError(t), "the critical days threshold is above the warning one");
    t.daysCritical = 5;
    EXPECT_EQ(cli::thresholdsError(t), "");
}

// A mono printer the store has watched for 19 days, its black falling two
// points a day to 42 % a minute ago (so it empties in about 21 days), and a
// printer the store has never seen.
const char* const kWatched = "127.0.64.1";
const char* const kUnseen = "127.0.64.2";

class StoreColumnsAgents : public WalkAgentsSuite<StoreColumnsAgents> {
public:
    static bool serve(WalkAgents& agents)
    {
        return agents.serve("mono_laser", {kWatched}) && agents.serve("mfp", {kUnseen});
    }

protected:
    void SetUp() override
    {
        WalkAgentsSuite<StoreColumnsAgents>::SetUp();
        if (IsSkipped()) return;
        // The store matches the device as watch does, by what the device says of itself.
        const ProgramResult r = runProgram({kCli, "report", "--range", std::string(kWatched) + "-" + kWatched, "--json",
                                            "--timeout", "1", "--store", dir_.file("none.db")});
        ASSERT_EQ(r.status, 0) << r.err;
        const nlohmann::json device = nlohmann::json::parse(r.out).at(0);
        store::DeviceReading reading;
        reading.identity = {kWatched, device.at("mac").get<std::string>(), device.at("serial").get<std::string>(),
                            device.at("model").get<std::string>()};
        for (char& c : reading.identity.mac) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        store::FleetStore fleet;
        ASSERT_TRUE(fleet.open(store_).ok());
        lastSeen_ = std::time(nullptr) - 60;
        for (int day = 19; day >= 0; --day) {
            reading.pageCount = 10000 + (19 - day) * 100;
            reading.supplies = {{1, 3, "black", "Black Toner Cartridge", "", 42 + 2 * day, 100, 19}};
            ASSERT_TRUE(fleet.writeRound(lastSeen_ - day * kDay, {&reading, 1}).ok());
        }
    }

    TempDir dir_;
    std::string store_ = dir_.file("fleet.db");
    int64_t lastSeen_ = 0;
};

TEST_F(StoreColumnsAgents, TheReportGivesLastSeenAndDaysLeftFromTheStore)
{
    const ProgramResult r = runProgram({kCli, "report", "--range", std::string(kWatched) + "-" + kUnseen, "--timeout",
                                        "1", "--store", store_});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto rows = parseCsv(r.out);
    ASSERT_EQ(rows.size(), 3u) << r.out;
    ASSERT_EQ(rows[0].size(), kFixedColumns.size() + kStoreColumns.size());
    const size_t at = kFixedColumns.size();
    EXPECT_EQ(rows[1][0], kWatched);
    EXPECT_EQ(rows[1][at], cli::utcText(lastSeen_));
    const std::string days = rows[1][at + 1];
    ASSERT_FALSE(days.empty()) << r.out;
    EXPECT_NEAR(std::stoi(days), 21, 1) << r.out;
    EXPECT_EQ(rows[1][at + 2], "");  // a mono printer has no cyan forecast
    EXPECT_EQ(rows[2][0], kUnseen);
    EXPECT_EQ(std::vector<std::string>(rows[2].begin() + at, rows[2].end()), std::vector<std::string>(5, ""));

    const ProgramResult j = runProgram({kCli, "report", "--range", std::string(kWatched) + "-" + kUnseen, "--json",
                                        "--timeout", "1", "--store", store_});
    ASSERT_EQ(j.status, 0) << j.err;
    const nlohmann::json doc = nlohmann::json::parse(j.out);
    EXPECT_EQ(doc[0]["lastSeen"], cli::utcText(lastSeen_));
    EXPECT_EQ(doc[0]["toner"]["black"]["daysLeft"], std::stoi(days));
    EXPECT_TRUE(doc[1]["lastSeen"].is_null());
    EXPECT_TRUE(doc[1]["toner"]["black"]["daysLeft"].is_null());
    EXPECT_EQ(doc[1]["toner"]["black"]["daysLeftReason"], "not in the store");
}

TEST_F(StoreColumnsAgents, AStoreThatCannotBeReadLeavesTheColumnsEmptyAndTheCheckAsItWas)
{
    const std::string bad = dir_.file("not-a-store.db");
    std::ofstream(bad) << "just some text, not a database\n";
    const ProgramResult r = runProgram({kCli, "report", "--range", std::string(kWatched) + "-" + kWatched,
                                        "--timeout", "1", "--store", bad});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("not a NetRov store"), std::string::npos) << r.err;
    const auto rows = parseCsv(r.out);
    ASSERT_EQ(rows.size(), 2u) << r.out;
    EXPECT_EQ(std::vector<std::string>(rows[1].end() - 5, rows[1].end()), std::vector<std::string>(5, ""));

    const ProgramResult plain = runProgram({kCli, "check", kWatched, "-t", "1", "--store", dir_.file("none.db")});
    const ProgramResult c = runProgram({kCli, "check", kWatched, "-t", "1", "--days-warning", "300", "--store", bad});
    EXPECT_EQ(c.status, plain.status) << c.out;
    EXPECT_NE(c.out.find("store not read: "), std::string::npos) << c.out;
    EXPECT_EQ(c.out.find("days_left_"), std::string::npos) << c.out;
}

TEST_F(StoreColumnsAgents, TheCheckJudgesTheStoredForecast)
{
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        const char* inLine;
    };
    const Case cases[] = {
        {{"--days-warning", "30", "--days-critical", "10"}, cli::kCheckWarning, ";30:;10: "},
        {{"--days-warning", "60", "--days-critical", "30:"}, cli::kCheckCritical, "black empty in "},
        {{"--days-warning", "5", "--days-critical", "2"}, cli::kCheckOk, "days_left_black="},
        {{"--days-warning", "10", "--days-critical", "20"}, cli::kCheckUnknown, "critical days threshold is above"},
        {{"--days-warning", "soon"}, cli::kCheckUnknown, "is not days from 0 to 3650"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> argv = {kCli, "check", kWatched, "-t", "1", "--store", store_};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        const ProgramResult r = runProgram(argv);
        EXPECT_EQ(r.status, c.exitCode) << c.args[1] << ": " << r.out;
        EXPECT_NE(r.out.find(c.inLine), std::string::npos) << c.args[1] << ": " << r.out;
    }
    // The device the store never saw keeps its verdict, and says why there is no forecast.
    const ProgramResult plain = runProgram({kCli, "check", kUnseen, "-t", "1", "--store", store_});
    const ProgramResult unseen = runProgram({kCli, "check", kUnseen, "-t", "1", "--store", store_, "--days-critical", "300"});
    EXPECT_EQ(unseen.status, plain.status) << unseen.out;
    EXPECT_NE(unseen.out.find("no forecast in the store (not in the store)"), std::string::npos) << unseen.out;
    EXPECT_EQ(unseen.out.find("days_left_"), std::string::npos) << unseen.out;
}

}  // namespace
}  // namespace netrov::test
