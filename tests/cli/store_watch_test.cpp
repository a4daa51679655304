// watch against simulated printers whose toner falls between rounds, then history and fleet reading the store.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>
#include <thread>

#include <nlohmann/json.hpp>
#include <sqlite3.h>

#include <netrov/printer_mib.h>

#include "fleet_store.h"
#include "loopback6.h"
#include "run_program.h"
#include "store_commands.h"
#include "supply_readings.h"
#include "temp_dir.h"
#include "walk_agents.h"

namespace netrov::test {
namespace {

const std::string kCli = std::string(NETROV_OUTPUT_DIR) + "/netrov-cli";
const char* const kPrinter = "127.0.61.1";
// The black toner's level and the page counter of the mono_laser walk.
const char* const kBlackLevel = "1.3.6.1.2.1.43.11.1.1.9.1.1";
const char* const kPageCounter = "1.3.6.1.2.1.43.10.2.1.4.1.1";

std::map<std::string, std::string> printerAt(int level, int pages)
{
    return {{kBlackLevel, std::string(kBlackLevel) + "|2|" + std::to_string(level)},
            {kPageCounter, std::string(kPageCounter) + "|65|" + std::to_string(pages)}};
}

ProgramResult watchOnce(const std::string& store)
{
    return runProgram({kCli, "watch", "--address", kPrinter, "--rounds", "1", "--timeout", "1", "--store", store});
}

// A watcher running in the background with its output in a file.
class BackgroundWatch {
public:
    BackgroundWatch(const std::string& store, const std::string& log)
    {
        pid_ = fork();
        if (pid_ == 0) {
            const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(fd, STDOUT_FILENO);
            dup2(fd, STDERR_FILENO);
            execl(kCli.c_str(), kCli.c_str(), "watch", "--address", kPrinter, "--interval", "1h", "--timeout", "1",
                  "--store", store.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    ~BackgroundWatch()
    {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    // The exit status after signal, or -1 when it died of it.
    int stop(int signal)
    {
        kill(pid_, signal);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t pid_ = -1;
};

bool waitForText(const std::string& file, const std::string& text)
{
    for (int i = 0; i < 300; ++i) {
        if (std::filesystem::exists(file) && readFile(file).find(text) != std::string::npos) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

class StoreWatch : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!serve(81, 48213)) GTEST_SKIP() << agents_->whyNot();
    }
    bool serve(int level, int pages)
    {
        agents_.reset();
        agents_ = std::make_unique<WalkAgents>();
        return agents_->serve("mono_laser", {kPrinter}, printerAt(level, pages));
    }
    nlohmann::json history()
    {
        const ProgramResult r = runProgram({kCli, "history", kPrinter, "--json", "--store", store_});
        EXPECT_EQ(r.status, 0) << r.err;
        return nlohmann::json::parse(r.out, nullptr, false);
    }
    TempDir dir_;
    std::string store_ = dir_.file("fleet.db");
    std::unique_ptr<WalkAgents> agents_;
};

std::vector<std::string> addressesOf(const nlohmann::json& list)
{
    std::vector<std::string> out;
    for (const nlohmann::json& item : list) out.push_back(item.at("address").get<std::string>());
    return out;
}

// Printers on IPv6 addresses of the test's own namespace beside an IPv4 one:
// an IPv6 range finds them, the report reads them, watch keeps them over
// rounds and the fleet lists every device by address, IPv4 first.
TEST(Ipv6Fleet, BothFamiliesAreSweptReportedWatchedAndListedInAddressOrder)
{
    const std::string v4 = "127.0.61.31";
    if (const std::string why = addLoopbackIpv6({"fd00:6e72::11", "fd00:6e72::12"}); !why.empty()) GTEST_SKIP() << why;
    WalkAgents agents;
    if (!agents.serve("mono_laser", {v4}) || !agents.serve("colour_laser", {"fd00:6e72::11"}) ||
        !agents.serve("inkjet", {"fd00:6e72::12"}))
        GTEST_SKIP() << agents.whyNot();
    TempDir dir;
    const auto run = [&](std::vector<std::string> args) {
        args.insert(args.begin(), kCli);
        args.insert(args.end(), {"--timeout", "1"});
        return runProgram(args);
    };

    // A targets file of both families goes through the sweep.
    writeFile(dir.file("targets"), "fd00:6e72::10-fd00:6e72::13\n" + v4 + "\n");
    const ProgramResult swept = run({"report", "--targets", dir.file("targets"), "--json", "--rate", "20000", "--no-progress"});
    ASSERT_EQ(swept.status, 0) << swept.err;
    const nlohmann::json reports = nlohmann::json::parse(swept.out);
    EXPECT_EQ(addressesOf(reports), (std::vector<std::string>{v4, "fd00:6e72::11", "fd00:6e72::12"})) << swept.out;
    for (const nlohmann::json& report : reports) EXPECT_FALSE(report.at("model").get<std::string>().empty()) << report;

    // A small block is asked address by address.
    const ProgramResult csv = run({"report", "--range", "[fd00:6e72::]/123", "--csv", "--no-progress"});
    ASSERT_EQ(csv.status, 0) << csv.err;
    EXPECT_NE(csv.out.find("\r\nfd00:6e72::11,"), std::string::npos) << csv.out;
    EXPECT_LT(csv.out.find("\r\nfd00:6e72::11,"), csv.out.find("\r\nfd00:6e72::12,")) << csv.out;

    const std::string store = dir.file("fleet.db");
    const std::vector<std::string> watch = {"watch", "--range", "fd00:6e72::10-fd00:6e72::13", "--address", v4,
                                            "--store", store, "--rounds", "2", "--interval", "1"};
    const ProgramResult rounds = run(watch);
    ASSERT_EQ(rounds.status, 0) << rounds.err;
    EXPECT_NE(rounds.out.find("3 answered, 0 silent, 3 new"), std::string::npos) << rounds.out;
    EXPECT_NE(rounds.out.find("round 2 at "), std::string::npos) << rounds.out;
    EXPECT_NE(rounds.out.find("3 answered, 0 silent, 0 new"), std::string::npos) << rounds.out;

    // A silent IPv6 printer is known as the one it was, by its address.
    agents.stop("colour_laser");
    std::vector<std::string> once = watch;
    once[once.size() - 3] = "1";
    const ProgramResult quiet = run(once);
    EXPECT_NE(quiet.out.find("2 answered, 1 silent, 0 new"), std::string::npos) << quiet.out;
    EXPECT_NE(quiet.out.find("silent: fd00:6e72::11\n"), std::string::npos) << quiet.out;

    const ProgramResult fleet = runProgram({kCli, "fleet", "--json", "--store", store});
    ASSERT_EQ(fleet.status, 0) << fleet.err;
    const nlohmann::json devices = nlohmann::json::parse(fleet.out)["devices"];
    // The inkjet needs attention and comes first; the rest go by address.
    EXPECT_EQ(addressesOf(devices), (std::vector<std::string>{"fd00:6e72::12", v4, "fd00:6e72::11"})) << fleet.out;
    // Any way of writing the address finds the stored device.
    const ProgramResult history = runProgram({kCli, "history", "[FD00:6E72:0::11]", "--json", "--store", store});
    ASSERT_EQ(history.status, 0) << history.err;
    EXPECT_EQ(nlohmann::json::parse(history.out)["address"], "fd00:6e72::11");
    const ProgramResult events = runProgram({kCli, "events", "[FD00:6E72:0::11]", "--json", "--store", store});
    EXPECT_EQ(events.status, 0) << events.err;
}

TEST_F(StoreWatch, RoundsOfFallingTonerAndACartridgeChangeReadBackAsHistory)
{
    // 81 %, then 60 % after 2,000 pages, then a new cartridge at 100 %.
    ProgramResult r = watchOnce(store_);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("round 1 at "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("1 answered, 0 silent, 1 new"), std::string::npos) << r.out;
    ASSERT_TRUE(serve(60, 50213));
    ASSERT_EQ(watchOnce(store_).status, 0);
    ASSERT_TRUE(serve(100, 50313));
    ASSERT_EQ(watchOnce(store_).status, 0);

    const nlohmann::json doc = history();
    ASSERT_FALSE(doc.is_discarded());
    EXPECT_EQ(doc["schemaVersion"], 1);
    EXPECT_EQ(doc["address"], kPrinter);
    EXPECT_EQ(doc["pageCount"], 50313);
    EXPECT_TRUE(doc["answering"].get<bool>());
    const nlohmann::json& black = doc["supplies"][0];
    EXPECT_EQ(black["index"], 1);
    EXPECT_EQ(black["type"], 3);
    EXPECT_EQ(black["typeText"], "toner");
    EXPECT_EQ(black["level"], 100);
    EXPECT_EQ(black["levelState"], "ok");
    ASSERT_EQ(black["cartridges"].size(), 2u) << black.dump();
    EXPECT_EQ(black["cartridges"][0]["why"], "first seen");
    EXPECT_EQ(black["cartridges"][0]["pages"], 2100);  // 48213 to 50313, where the new one was first seen
    EXPECT_EQ(black["cartridges"][1]["why"], "level rose");
    // Three rounds within seconds give no number, but a reason.
    EXPECT_TRUE(black["forecast"]["days"].is_null());
    EXPECT_FALSE(black["forecast"]["reasons"].empty());

    const ProgramResult table = runProgram({kCli, "history", kPrinter, "--store", store_});
    ASSERT_EQ(table.status, 0) << table.err;
    EXPECT_NE(table.out.find("level rose"), std::string::npos) << table.out;
    EXPECT_NE(table.out.find("forecast: "), std::string::npos) << table.out;
}

TEST_F(StoreWatch, ASilentPrinterKeepsItsValuesAndGetsOneEventEachWay)
{
    ASSERT_EQ(watchOnce(store_).status, 0);
    agents_.reset();
    for (int i = 0; i < 2; ++i) {
        const ProgramResult r = watchOnce(store_);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.out.find("0 answered, 1 silent"), std::string::npos) << r.out;
        EXPECT_NE(r.out.find(" s); silent: 127.0.61.1\n"), std::string::npos) << r.out;
        EXPECT_NE(r.out.find(i == 0 ? "1 events" : "0 events"), std::string::npos) << r.out;
    }
    ProgramResult fleet = runProgram({kCli, "fleet", "--json", "--store", store_});
    ASSERT_EQ(fleet.status, 0) << fleet.err;
    nlohmann::json doc = nlohmann::json::parse(fleet.out);
    ASSERT_EQ(doc["devices"].size(), 1u);
    EXPECT_FALSE(doc["devices"][0]["answering"].get<bool>());
    EXPECT_EQ(history()["supplies"][0]["level"], 81);

    ASSERT_TRUE(serve(80, 48300));
    const ProgramResult back = watchOnce(store_);
    EXPECT_NE(back.out.find("1 answered, 0 silent, 0 new, 1 level changes, 1 events"), std::string::npos) << back.out;
    const ProgramResult csv = runProgram({kCli, "fleet", "--csv", "--store", store_});
    ASSERT_EQ(csv.status, 0) << csv.err;
    EXPECT_EQ(csv.out.rfind("address,name,model,serial,last_seen,answering,attention,first_empty,days_left,empty_date\r\n", 0), 0u)
        << csv.out;
    EXPECT_NE(csv.out.find("127.0.61.1,"), std::string::npos);
    EXPECT_NE(csv.out.find(",yes,"), std::string::npos);
}

TEST_F(StoreWatch, ASecondWatcherIsRefusedAndTheFirstEndsCleanlyOnSigterm)
{
    const std::string log = dir_.file("watch.log");
    BackgroundWatch first(store_, log);
    ASSERT_TRUE(waitForText(log, "round 1 at ")) << readFile(log);
    const ProgramResult second = watchOnce(store_);
    EXPECT_EQ(second.status, 2);
    EXPECT_NE(second.err.find("another watcher is writing this store"), std::string::npos) << second.err;
    // Readers go on while the watcher holds the store.
    EXPECT_EQ(history()["supplies"][0]["level"], 81);
    EXPECT_EQ(first.stop(SIGTERM), 0);
    EXPECT_EQ(watchOnce(store_).status, 0);
}

TEST_F(StoreWatch, ARoundTheStoreCannotTakeIsSkippedAndWatchingGoesOn)
{
    ASSERT_EQ(watchOnce(store_).status, 0);
    // Every write of a known device fails, as on a full disk, until the trigger goes.
    const auto sql = [&](const char* text) {
        sqlite3* raw = nullptr;
        ASSERT_EQ(sqlite3_open(store_.c_str(), &raw), SQLITE_OK);
        store::Connection db(raw);
        ASSERT_EQ(db.exec(text), SQLITE_OK) << db.lastMessage();
    };
    sql("CREATE TRIGGER full BEFORE UPDATE ON devices BEGIN SELECT RAISE(ABORT, 'database or disk is full'); END");
    const ProgramResult failing = runProgram({kCli, "watch", "--address", kPrinter, "--rounds", "2", "--interval", "1s",
                                              "--timeout", "1", "--store", store_});
    EXPECT_EQ(failing.status, 1) << failing.err;  // its last round was not stored
    for (const char* round : {"round 1 at ", "round 2 at "}) {
        const size_t at = failing.err.find(round);
        ASSERT_NE(at, std::string::npos) << failing.err;
        EXPECT_NE(failing.err.find("not stored: ", at), std::string::npos) << failing.err;
    }
    EXPECT_NE(failing.err.find("disk is full; watching on"), std::string::npos) << failing.err;
    sql("DROP TRIGGER full");
    ASSERT_TRUE(serve(70, 49000));
    ASSERT_EQ(watchOnce(store_).status, 0);
    EXPECT_EQ(history()["supplies"][0]["level"], 70);
}

TEST_F(StoreWatch, AKilledWatcherLeavesAReadableStore)
{
    const std::string log = dir_.file("watch.log");
    {
        BackgroundWatch watcher(store_, log);
        ASSERT_TRUE(waitForText(log, "round 1 at ")) << readFile(log);
        EXPECT_EQ(watcher.stop(SIGKILL), -1);
    }
    EXPECT_EQ(history()["supplies"][0]["level"], 81);
    ASSERT_TRUE(serve(79, 48400));
    EXPECT_EQ(watchOnce(store_).status, 0);
    EXPECT_EQ(history()["supplies"][0]["level"], 79);
}

// ---- bad store files: a clear message, exit 2, the file as it was ----

struct BadStore {
    const char* name;
    std::function<void(const std::string& path)> make;
    const char* says;
};

void writeText(const std::string& path, const std::string& text)
{
    writeFile(path, text);
}

void newerStore(const std::string& path)
{
    store::FleetStore fleet;
    ASSERT_TRUE(fleet.open(path).ok());
    fleet.close();
    // The schema version sits in the header's user version.
    std::string bytes = readFile(path);
    bytes[63] = 99;
    writeFile(path, bytes);
}

const BadStore kBadStores[] = {
    {"NotSqlite", [](const std::string& p) { writeText(p, "address,name\n10.0.0.1,printer\n"); }, "not a NetRov store"},
    {"NewerSchema", newerStore, "written by a newer NetRov"},
    {"AnotherProgramsFile",
     [](const std::string& p) {
         store::Connection db;
         sqlite3* raw = nullptr;
         ASSERT_EQ(sqlite3_open(p.c_str(), &raw), SQLITE_OK);
         db = store::Connection(raw);
         ASSERT_EQ(db.exec("CREATE TABLE notes(text TEXT); INSERT INTO notes VALUES('mine')"), SQLITE_OK);
     },
     "another program"},
    {"Missing", [](const std::string&) {}, "no such store"},
};

class StoreCommandRefusal : public ::testing::TestWithParam<BadStore> {};

TEST_P(StoreCommandRefusal, NamesTheFaultAndLeavesTheFile)
{
    TempDir dir;
    const std::string path = dir.file("fleet.db");
    GetParam().make(path);
    const bool existed = std::filesystem::exists(path);
    const std::string before = existed ? readFile(path) : std::string();
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{kCli, "fleet", "--store", path}, {kCli, "history", "10.0.0.1", "--store", path},
          {kCli, "fleet", "--json", "--store", path}}) {
        const ProgramResult r = runProgram(command);
        EXPECT_EQ(r.status, 2) << command[1] << ": " << r.err;
        EXPECT_NE(r.err.find(GetParam().says), std::string::npos) << command[1] << ": " << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
    }
    if (std::string(GetParam().name) != "Missing") {
        // A watcher refuses it too, before any search.
        const ProgramResult r = runProgram({kCli, "watch", "--address", "127.0.61.9", "--rounds", "1", "--store", path});
        EXPECT_EQ(r.status, 2) << r.err;
        EXPECT_NE(r.err.find(GetParam().says), std::string::npos) << r.err;
    }
    EXPECT_EQ(std::filesystem::exists(path), existed);
    if (existed) {
        EXPECT_EQ(readFile(path), before);
    }
}

INSTANTIATE_TEST_SUITE_P(Files, StoreCommandRefusal, ::testing::ValuesIn(kBadStores),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- a report and its supply table as the store keeps them ----

struct TonerCase {
    const char* name;
    bool levelValid;
    int32_t level;
    bool maximumValid;
    int32_t maximum;
    store::LevelState state;  // what the store makes of it
    std::optional<int32_t> stored;
};

const TonerCase kTonerCases[] = {
    {"Measured", true, 40, true, 100, store::LevelState::Measured, 40},
    {"SomeRemaining", true, -3, true, 100, store::LevelState::SomeRemaining, std::nullopt},
    {"Unknown", true, -2, true, 100, store::LevelState::Unknown, std::nullopt},
    {"Other", true, -1, true, -2, store::LevelState::Other, std::nullopt},
    {"NotGiven", false, 55, false, 100, store::LevelState::Unknown, std::nullopt},
};

TEST(StoreReading, KeepsRawLevelsSoSpecialLevelsStayStates)
{
    core::DeviceReport report;
    report.address = "192.0.2.7";
    report.macAddress = "00:1A:2B:3C:4D:5E";
    report.serialNumber = "SN7";
    report.model = "Model 7";
    report.name = "Front desk";
    report.statusCode = 4;
    report.alerts = {"Toner low"};
    report.pageCount = 4242;
    for (const TonerCase& c : kTonerCases) {
        core::TonerLevel level;
        level.colour = c.name;
        level.name = std::string(c.name) + " toner";
        level.supplyType = 3;
        if (c.levelValid) level.current = c.level;
        if (c.maximumValid) level.maximum = c.maximum;
        level.unit = store::kUnitPercent;
        level.row = static_cast<int32_t>(report.toner.size() + 1);
        report.toner.push_back(level);
    }
    const store::DeviceReading reading = store::readingOf(report);
    EXPECT_EQ(reading.identity.mac, "00:1a:2b:3c:4d:5e");
    EXPECT_EQ(reading.identity.serial, "SN7");
    EXPECT_EQ(reading.pageCount, 4242);
    EXPECT_EQ(reading.status, 4);
    EXPECT_EQ(reading.alerts, std::vector<std::string>{"Toner low"});
    ASSERT_EQ(reading.supplies.size(), std::size(kTonerCases));

    // Stored, a special level is a state and never a number.
    TempDir dir;
    store::FleetStore fleet;
    ASSERT_TRUE(fleet.open(dir.file("fleet.db")).ok());
    ASSERT_TRUE(fleet.writeRound(1767571200, std::span(&reading, 1)).ok());
    store::DeviceRecord device;
    ASSERT_TRUE(fleet.findDevice("SN7", device).ok());
    std::vector<store::SupplyRecord> supplies;
    ASSERT_TRUE(fleet.supplies(device.id, supplies).ok());
    ASSERT_EQ(supplies.size(), std::size(kTonerCases));
    for (size_t i = 0; i < supplies.size(); ++i) {
        const TonerCase& c = kTonerCases[i];
        EXPECT_EQ(supplies[i].index, static_cast<int32_t>(i + 1)) << c.name;
        EXPECT_EQ(supplies[i].colour, c.name);
        std::vector<store::SupplyValue> values;
        ASSERT_TRUE(fleet.supplyHistory(supplies[i].id, values).ok());
        ASSERT_EQ(values.size(), 1u) << c.name;
        EXPECT_EQ(values[0].state, c.state) << c.name;
        EXPECT_EQ(values[0].level, c.stored) << c.name;
        EXPECT_EQ(values[0].description, std::string(c.name) + " toner");
    }
}

// ---- fleet: one judgement of attention, attention first, then by address ----

TEST(StoreFleet, JudgesEachStoredReadingAsTheReportDoesAndListsAttentionFirst)
{
    struct Row {
        const char* address;
        std::vector<std::string> alerts;
        std::vector<int32_t> codes;
        uint32_t errorBits;
        int32_t black;
        std::vector<std::string> reasons;
        std::vector<std::string> texts = {};  // the device's own
    };
    const Row rows[] = {
        {"10.0.0.20", {}, {}, 0, 80, {}},
        {"10.0.0.9", {"Paper jam"}, {NETROV_ALERT_JAM}, 0, 80, {"alert"}},
        {"10.0.0.3", {}, {}, 0, 80, {}},
        {"10.0.0.4", {"Power saver"}, {NETROV_ALERT_SUBUNIT_POWER_SAVER}, 0, 80, {}},  // asks nothing of anyone
        {"10.0.0.30", {}, {}, 0x0400, 80, {"error_state"}},
        {"10.0.0.11", {}, {}, 0, 2, {"supply_low"}},
        // Information by its device text alone, and a text that asks for someone.
        {"10.0.0.12", {"Printer message"}, {NETROV_ALERT_OTHER}, 0, 80, {}, {"Ready"}},
        {"10.0.0.13", {"Printer message"}, {NETROV_ALERT_OTHER}, 0, 80, {"alert"}, {"Call service"}},
    };
    TempDir dir;
    const std::string path = dir.file("fleet.db");
    {
        store::FleetStore fleet;
        ASSERT_TRUE(fleet.open(path).ok());
        std::vector<store::DeviceReading> readings;
        for (const Row& row : rows) {
            store::DeviceReading& r = readings.emplace_back();
            r.identity = {row.address, "00:aa:bb:cc:dd:" + std::to_string(readings.size() + 10), "", "Model"};
            r.alerts = row.alerts;
            r.alertCodes = row.codes;
            r.alertTexts = row.texts;
            r.errorBits = row.errorBits;
            r.supplies.push_back({1, 3, "black", "Black toner", "", row.black, 100, store::kUnitPercent});
        }
        ASSERT_TRUE(fleet.writeRound(1767571200, readings).ok());
    }
    std::ostringstream out, err;
    ASSERT_EQ(cli::runFleet(path, cli::FleetFormat::Json, out, err), 0) << err.str();
    const nlohmann::json doc = nlohmann::json::parse(out.str());
    const std::vector<std::string> order = {"10.0.0.9",  "10.0.0.11", "10.0.0.13", "10.0.0.30",
                                            "10.0.0.3", "10.0.0.4",  "10.0.0.12", "10.0.0.20"};
    ASSERT_EQ(doc["devices"].size(), order.size());
    for (size_t i = 0; i < order.size(); ++i) {
        const nlohmann::json& d = doc["devices"][i];
        EXPECT_EQ(d["address"], order[i]) << i;
        const Row& row = *std::find_if(std::begin(rows), std::end(rows), [&](const Row& r) { return d["address"] == r.address; });
        EXPECT_EQ(d["attentionReasons"].get<std::vector<std::string>>(), row.reasons) << row.address;
        EXPECT_EQ(d["attention"].get<bool>(), !row.reasons.empty()) << row.address;
        EXPECT_EQ(d["mac"].get<std::string>().substr(0, 8), "00:AA:BB") << row.address;
    }
}

// ---- values of the command line ----

TEST(StoreInterval, TakesSecondsOrAUnit)
{
    const std::pair<const char*, std::optional<int64_t>> cases[] = {
        {"900", 900}, {"30s", 30}, {"15m", 900}, {"2h", 7200}, {"1d", 86400}, {"7d", 604800},
        {"0", std::nullopt}, {"8d", std::nullopt}, {"", std::nullopt}, {"m", std::nullopt}, {"-5", std::nullopt},
        {"1.5h", std::nullopt}, {"15 m", std::nullopt}, {"99999999999999", std::nullopt},
    };
    for (const auto& [text, seconds] : cases) {
        const auto parsed = cli::parseInterval(text);
        EXPECT_EQ(parsed.value, seconds) << text;
        if (!seconds) {
            EXPECT_FALSE(parsed.error.empty()) << text;
        }
    }
}

}  // namespace
}  // namespace netrov::test
