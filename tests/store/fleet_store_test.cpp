// The fleet store: refusals that leave the file alone, migrations, the device matching rule, change-only rounds, crashes.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "fleet_store.h"
#include "forecast.h"
#include "series.h"
#include "temp_dir.h"

namespace netrov::store {
namespace {

using test::kMonday;

SupplyReading toner(int32_t index, int32_t level, const char* colour = "black") {
    SupplyReading s;
    s.index = index;
    s.kind = 3;
    s.colour = colour;
    s.description = std::string(colour) + " toner";
    s.level = level;
    s.maximum = 100;
    s.unit = kUnitPercent;
    return s;
}

DeviceReading printer(const std::string& address, const std::string& mac, const std::string& serial,
                      std::optional<int64_t> pages = 1000, std::vector<SupplyReading> supplies = {}) {
    DeviceReading d;
    d.identity = {address, mac, serial, "Model 9"};
    d.pageCount = pages;
    d.supplies = std::move(supplies);
    return d;
}

StoreStatus writeOne(FleetStore& store, int64_t time, const DeviceReading& device, RoundSummary* summary = nullptr) {
    return store.writeRound(time, std::span<const DeviceReading>(&device, 1), summary);
}

// Runs SQL on a store file directly, as an older NetRov or another program would have.
void rawExec(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    std::unique_ptr<sqlite3, ConnectionCloser> owner(db);
    char* error = nullptr;
    int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
    std::string message = error ? error : "";
    sqlite3_free(error);
    ASSERT_EQ(rc, SQLITE_OK) << message;
}

std::string schemaOf(const std::string& path) {
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    std::unique_ptr<sqlite3, ConnectionCloser> owner(db);
    Connection connection(owner.release());
    Statement stmt = connection.prepare("SELECT type, name, sql FROM sqlite_master ORDER BY name");
    std::string out;
    while (stmt.step() == SQLITE_ROW)
        out += stmt.text(0) + " " + stmt.text(1) + ": " + stmt.text(2) + "\n";
    return out;
}

void makeStore(const std::string& path) {
    FleetStore store;
    ASSERT_TRUE(store.open(path).ok());
    ASSERT_TRUE(writeOne(store, kMonday, printer("10.0.0.5", "00:11:22:33:44:55", "SN1", 1000, {toner(1, 80)})).ok());
}

// ---- refusals ----

struct RefusalCase {
    const char* name;
    std::function<void(const std::string& path, std::unique_ptr<FleetStore>& holder)> setUp;
    OpenMode mode;
    StoreResult expected;
};

class StoreOpenRefusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(StoreOpenRefusal, NamesTheFaultAndLeavesTheFileAsItWas) {
    const RefusalCase& c = GetParam();
    test::TempDir dir;
    const std::string path = dir.file("fleet.db");
    std::unique_ptr<FleetStore> holder;
    c.setUp(path, holder);
    const std::string before = test::readFile(path);
    const bool walBefore = std::filesystem::exists(path + "-wal");

    FleetStore store;
    StoreOptions options;
    options.mode = c.mode;
    StoreStatus status = store.open(path, options);
    EXPECT_EQ(status.result, c.expected) << status.message;
    EXPECT_NE(status.message.find(path), std::string::npos) << status.message;
    EXPECT_FALSE(store.isOpen());
    EXPECT_EQ(test::readFile(path), before);
    EXPECT_EQ(std::filesystem::exists(path + "-wal"), walBefore);
}

const RefusalCase kRefusals[] = {
    {"NotSqlite", [](const std::string& p, auto&) { test::writeFile(p, "name,address\nprinter,10.0.0.1\n"); },
     OpenMode::Writer, StoreResult::NotSqlite},
    {"NotSqliteForAReader", [](const std::string& p, auto&) { test::writeFile(p, std::string(5000, 'x')); },
     OpenMode::Reader, StoreResult::NotSqlite},
    {"DamagedAfterTheMagic",
     [](const std::string& p, auto&) { test::writeFile(p, std::string("SQLite format 3\0", 16) + std::string(4000, '\x7f')); },
     OpenMode::Writer, StoreResult::NotSqlite},
    {"NewerSchema",
     [](const std::string& p, auto&) {
         makeStore(p);
         rawExec(p, "PRAGMA user_version = 99");
     },
     OpenMode::Writer, StoreResult::NewerSchema},
    {"NewerSchemaForAReader",
     [](const std::string& p, auto&) {
         makeStore(p);
         rawExec(p, "PRAGMA user_version = 99");
     },
     OpenMode::Reader, StoreResult::NewerSchema},
    {"OlderSchemaForAReader",
     [](const std::string& p, auto&) {
         rawExec(p, storeMigrations()[0].sql + std::string("; PRAGMA user_version = 1"));
     },
     OpenMode::Reader, StoreResult::OlderSchema},
    {"ReadOnlyFile",
     [](const std::string& p, auto&) {
         makeStore(p);
         ASSERT_EQ(chmod(p.c_str(), 0444), 0);
     },
     OpenMode::Writer, StoreResult::ReadOnly},
    {"AnotherWriter",
     [](const std::string& p, auto& holder) {
         makeStore(p);
         holder = std::make_unique<FleetStore>();
         ASSERT_TRUE(holder->open(p).ok());
     },
     OpenMode::Writer, StoreResult::Locked},
    {"AnotherWriterThroughAHardLink",
     [](const std::string& p, auto& holder) {
         makeStore(p);
         std::filesystem::create_hard_link(p, p + ".link");
         holder = std::make_unique<FleetStore>();
         ASSERT_TRUE(holder->open(p + ".link").ok());
     },
     OpenMode::Writer, StoreResult::Locked},
    {"AnotherProgramsFile",
     [](const std::string& p, auto&) {
         rawExec(p, "PRAGMA journal_mode = DELETE; CREATE TABLE notes(id INTEGER PRIMARY KEY, text TEXT);"
                    "INSERT INTO notes(text) VALUES('keep me')");
     },
     OpenMode::Writer, StoreResult::Foreign},
    {"AnotherProgramsFileForAReader",
     [](const std::string& p, auto&) { rawExec(p, "CREATE TABLE notes(id INTEGER PRIMARY KEY, text TEXT)"); },
     OpenMode::Reader, StoreResult::Foreign},
    {"AnotherProgramsFileWithAVersion",
     [](const std::string& p, auto&) { rawExec(p, "CREATE TABLE devices(id INTEGER); PRAGMA user_version = 2"); },
     OpenMode::Writer, StoreResult::Foreign},
};

INSTANTIATE_TEST_SUITE_P(Faults, StoreOpenRefusal, ::testing::ValuesIn(kRefusals),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(StoreOpen, OneWriterAtATimeWhileReadersRead) {
    test::TempDir dir;
    const std::string path = dir.file("fleet.db");
    FleetStore first;
    ASSERT_TRUE(first.open(path).ok());
    ASSERT_TRUE(writeOne(first, kMonday, printer("10.0.0.5", "", "SN1")).ok());

    FleetStore second;
    EXPECT_EQ(second.open(path).result, StoreResult::Locked);

    // Another process, by another path to the same file: the lock is the kernel's, on the file.
    const std::string link = dir.file("link.db");
    std::filesystem::create_hard_link(path, link);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        FleetStore other;
        FleetStore linked;
        _exit(other.open(path).result == StoreResult::Locked && linked.open(link).result == StoreResult::Locked ? 0 : 1);
    }
    int wstatus = 0;
    ASSERT_EQ(waitpid(child, &wstatus, 0), child);
    EXPECT_TRUE(WIFEXITED(wstatus) && WEXITSTATUS(wstatus) == 0);

    FleetStore reader;
    StoreOptions readOnly;
    readOnly.mode = OpenMode::Reader;
    ASSERT_TRUE(reader.open(path, readOnly).ok());
    std::vector<DeviceRecord> devices;
    ASSERT_TRUE(reader.devices(devices).ok());
    EXPECT_EQ(devices.size(), 1u);
    EXPECT_EQ(writeOne(reader, kMonday + 900, printer("10.0.0.5", "", "SN1")).result, StoreResult::ReadOnly);

    // The reader in this process goes; the writer's locks stay with it.
    reader.close();
    EXPECT_TRUE(writeOne(first, kMonday + 900, printer("10.0.0.6", "", "SN1")).ok());
    first.close();
    EXPECT_TRUE(second.open(path).ok());
    EXPECT_TRUE(std::filesystem::exists(path + "-writer"));
}

TEST(StoreOpen, ANewStoreInAReadOnlyFolderIsRefused) {
    test::TempDir dir;
    const std::filesystem::path folder = dir.path() / "locked";
    std::filesystem::create_directory(folder);
    ASSERT_EQ(chmod(folder.c_str(), 0555), 0);
    FleetStore store;
    StoreStatus status = store.open((folder / "fleet.db").string());
    EXPECT_EQ(status.result, StoreResult::ReadOnly) << status.message;
    EXPECT_TRUE(std::filesystem::is_empty(folder));
    ASSERT_EQ(chmod(folder.c_str(), 0755), 0);
}

TEST(StoreOpen, AReaderReadsAStoreInAFolderItCannotWriteAndLeavesNothingThere) {
    test::TempDir dir;
    const std::filesystem::path folder = dir.path() / "media";
    std::filesystem::create_directory(folder);
    const std::string path = (folder / "fleet.db").string();
    makeStore(path);
    ASSERT_EQ(chmod(folder.c_str(), 0555), 0);
    std::vector<std::string> before;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        before.push_back(entry.path().filename().string());

    FleetStore reader;
    StoreOptions readOnly;
    readOnly.mode = OpenMode::Reader;
    StoreStatus status = reader.open(path, readOnly);
    ASSERT_TRUE(status.ok()) << status.message;
    std::vector<DeviceRecord> devices;
    ASSERT_TRUE(reader.devices(devices).ok());
    EXPECT_EQ(devices.size(), 1u);
    reader.close();
    std::vector<std::string> after;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        after.push_back(entry.path().filename().string());
    std::sort(before.begin(), before.end());
    std::sort(after.begin(), after.end());
    EXPECT_EQ(after, before);
    ASSERT_EQ(chmod(folder.c_str(), 0755), 0);
}

// ---- migrations ----

TEST(StoreMigration, FromTheFirstVersionKeepsItsRows) {
    test::TempDir dir;
    const std::string path = dir.file("fleet.db");
    rawExec(path, storeMigrations()[0].sql + std::string(
        "; PRAGMA user_version = 1;"
        "INSERT INTO devices(id, address, mac, serial, model, first_seen, last_seen, answering)"
        " VALUES(1, '10.0.0.7', '00:aa:bb:cc:dd:ee', 'SN7', 'Model 7', 1767571200, 1767574800, 1);"
        "INSERT INTO supplies(id, device_id, idx, kind, colour) VALUES(1, 1, 1, 3, 'black');"
        "INSERT INTO supply_values VALUES(1, 1, 1767571200, 0, 64, 100, 19, 'black toner', '', 5000);"
        "INSERT INTO events VALUES(1, 1767574000, 1)"));

    FleetStore store;
    StoreStatus status = store.open(path);
    ASSERT_TRUE(status.ok()) << status.message;
    EXPECT_EQ(store.schemaVersion(), storeSchemaVersion());

    DeviceRecord device;
    ASSERT_TRUE(store.findDevice("SN7", device).ok());
    EXPECT_EQ(device.identity.address, "10.0.0.7");
    EXPECT_EQ(device.lastSeen, 1767574800);
    EXPECT_FALSE(device.pageCount);
    EXPECT_FALSE(device.foundByDesktop);  // who stored it before is not known: not the desktop
    std::vector<SupplyValue> values;
    ASSERT_TRUE(store.supplyHistory(1, values).ok());
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(values[0].level, 64);
    EXPECT_EQ(values[0].description, "black toner");
    EXPECT_EQ(values[0].pages, 5000);

    // The migrated store goes on: the same device at a new address, its level lower.
    RoundSummary summary;
    ASSERT_TRUE(writeOne(store, kMonday + 7200, printer("10.0.0.8", "00:aa:bb:cc:dd:ee", "SN7", 5100, {toner(1, 63)}),
                         &summary).ok());
    EXPECT_EQ(summary.newDevices, 0);
    EXPECT_EQ(summary.supplyValues, 1);
    ASSERT_TRUE(store.supplyHistory(1, values).ok());
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[1].level, 63);
    EXPECT_EQ(values[1].description, "black toner");
    store.close();

    // Every step in order gives what a new store has.
    const std::string fresh = dir.file("fresh.db");
    makeStore(fresh);
    EXPECT_EQ(schemaOf(path), schemaOf(fresh));
}

// ---- devices ----

struct MatchCase {
    const char* name;
    DeviceIdentity before;
    DeviceIdentity after;
    bool sameDevice;
};

class StoreDeviceMatching : public ::testing::TestWithParam<MatchCase> {};

TEST_P(StoreDeviceMatching, FollowsTheMatchingRule) {
    const MatchCase& c = GetParam();
    test::TempDir dir;
    FleetStore store;
    ASSERT_TRUE(store.open(dir.file("fleet.db")).ok());
    DeviceReading first = printer("", "", "", 1000, {toner(1, 80)});
    first.identity = c.before;
    DeviceReading second = printer("", "", "", 1010, {toner(1, 79)});
    second.identity = c.after;
    ASSERT_TRUE(writeOne(store, kMonday, first).ok());
    ASSERT_TRUE(writeOne(store, kMonday + 900, second).ok());

    std::vector<DeviceRecord> devices;
    ASSERT_TRUE(store.devices(devices).ok());
    ASSERT_EQ(devices.size(), c.sameDevice ? 1u : 2u);
    const DeviceRecord& latest = devices.back();
    EXPECT_EQ(latest.identity.address, c.after.address);
    EXPECT_EQ(latest.lastSeen, kMonday + 900);
    std::vector<SupplyRecord> supplies;
    ASSERT_TRUE(store.supplies(latest.id, supplies).ok());
    ASSERT_EQ(supplies.size(), 1u);
    std::vector<SupplyValue> values;
    ASSERT_TRUE(store.supplyHistory(supplies[0].id, values).ok());
    EXPECT_EQ(values.size(), c.sameDevice ? 2u : 1u);
    // A MAC belongs to one device at a time.
    if (!c.sameDevice && !c.after.mac.empty()) {
        EXPECT_EQ(devices.front().identity.mac.empty(), c.before.mac == c.after.mac);
    }
}

const MatchCase kMatchCases[] = {
    {"NewAddressSameSerialAndMac", {"10.0.0.5", "00:11:22:33:44:55", "SN1", ""},
     {"10.0.0.9", "00:11:22:33:44:55", "SN1", ""}, true},
    {"NewAddressSameMacNoSerial", {"10.0.0.5", "00:11:22:33:44:55", "", ""}, {"10.0.0.9", "00:11:22:33:44:55", "", ""},
     true},
    {"NewNetworkCardSameSerial", {"10.0.0.5", "00:11:22:33:44:55", "SN1", ""},
     {"10.0.0.9", "00:11:22:33:44:66", "SN1", ""}, true},
    {"SerialLearnedLater", {"10.0.0.5", "00:11:22:33:44:55", "", ""}, {"10.0.0.5", "00:11:22:33:44:55", "SN1", ""},
     true},
    {"PrintServerMovedToAnotherPrinter", {"10.0.0.5", "00:11:22:33:44:55", "SN1", ""},
     {"10.0.0.5", "00:11:22:33:44:55", "SN2", ""}, false},
    {"NoIdentitySameAddress", {"10.0.0.5", "", "", ""}, {"10.0.0.5", "", "", ""}, true},
    {"NoIdentityNewAddress", {"10.0.0.5", "", "", ""}, {"10.0.0.6", "", "", ""}, false},
    {"OtherSerialAtTheSameAddress", {"10.0.0.5", "", "SN1", ""}, {"10.0.0.5", "", "SN2", ""}, false},
};

INSTANTIATE_TEST_SUITE_P(Rule, StoreDeviceMatching, ::testing::ValuesIn(kMatchCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(StoreDevices, ASerialNumberThatChangesEveryRoundIsOneReplacementNotADeviceARound) {
    test::TempDir dir;
    FleetStore store;
    ASSERT_TRUE(store.open(dir.file("fleet.db")).ok());
    ASSERT_TRUE(writeOne(store, kMonday, printer("10.0.0.5", "00:11:22:33:44:55", "SN1", 1000, {toner(1, 80)})).ok());
    // Weeks later the serial number changes on the same MAC and address, then every round.
    const int64_t later = kMonday + 30 * 86400;
    for (int round = 0; round < 50; ++round)
        ASSERT_TRUE(writeOne(store, later + round * 900,
                             printer("10.0.0.5", "00:11:22:33:44:55", "X" + std::to_string(round), 1000, {toner(1, 80)}))
                        .ok());
    std::vector<DeviceRecord> devices;
    ASSERT_TRUE(store.devices(devices).ok());
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[0].identity.serial, "SN1");
    EXPECT_FALSE(devices[0].answering);  // replaced, not answering for ever beside its successor
    EXPECT_EQ(devices[1].identity.serial, "X49");
    EXPECT_TRUE(devices[1].answering);
    std::vector<DeviceEvent> events;
    ASSERT_TRUE(store.events(devices[0].id, events).ok());
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, DeviceEventKind::Replaced);
    EXPECT_EQ(events[0].time, later);
    ASSERT_TRUE(store.events(devices[1].id, events).ok());
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, DeviceEventKind::Replacing);
    StoreStats stats;
    ASSERT_TRUE(store.stats(stats).ok());
    EXPECT_EQ(stats.supplyValues, 2);
}

TEST(StoreDevices, FindsADeviceByAddressSerialOrMac) {
    test::TempDir dir;
    FleetStore store;
    ASSERT_TRUE(store.open(dir.file("fleet.db")).ok());
    ASSERT_TRUE(writeOne(store, kMonday, printer("10.0.0.5", "00:11:22:33:44:55", "SN1")).ok());
    for (const char* key : {"10.0.0.5", "SN1", "00:11:22:33:44:55", "00:11:22:33:44:55"}) {
        DeviceRecord device;
        EXPECT_TRUE(store.findDevice(key, device).ok()) << key;
        EXPECT_EQ(device.identity.serial, "SN1");
    }
    DeviceRecord none;
    EXPECT_EQ(store.findDevice("10.0.0.6", none).result, StoreResult::NotFound);
}

// ---- rounds ----

TEST(StoreRounds, IdenticalRoundsAddNoValueRows) {
    test::TempDir dir;
    FleetStore store;
    ASSERT_TRUE(store.open(dir.file("fleet.db")).ok());
    std::vector<DeviceReading> fleet;
    for (int i = 0; i < 3; ++i)
        fleet.push_back(printer("10.0.0." + std::to_string(10 + i), "", "SN" + std::to_string(i), 5000 + i,
                                {toner(1, 80, "black"), toner(2, 70, "cyan"), toner(3, -3, "magenta"),
                                 toner(4, -2, "yellow")}));
    RoundSummary first;
    ASSERT_TRUE(store.writeRound(kMonday, fleet, &first).ok());
    EXPECT_EQ(first.newDevices, 3);
    EXPECT_EQ(first.supplyValues, 12);
    StoreStats before;
    ASSERT_TRUE(store.stats(before).ok());
    for (int round = 1; round < 1000; ++round) {
        RoundSummary summary;
        ASSERT_TRUE(store.writeRound(kMonday + round * 900, fleet, &summary).ok());
        ASSERT_EQ(summary.supplyValues + summary.counterValues + summary.events + summary.newDevices, 0);
    }
    StoreStats after;
    ASSERT_TRUE(store.stats(after).ok());
    EXPECT_EQ(after.devices, 3);
    EXPECT_EQ(after.supplies, 12);
    EXPECT_EQ(after.supplyValues, 12);
    EXPECT_EQ(after.counterValues, 3);
    EXPECT_EQ(after.statusValues, 3);
    EXPECT_EQ(after.events, 0);
    std::vector<DeviceRecord> devices;
    ASSERT_TRUE(store.devices(devices).ok());
    EXPECT_EQ(devices[0].firstSeen, kMonday);
    EXPECT_EQ(devices[0].lastSeen, kMonday + 999 * 900);
}

struct LevelCase {
    const char* name;
    std::vector<int32_t> rounds;  // raw levels, one per round
    std::vector<std::pair<LevelState, std::optional<int32_t>>> rows;
    LevelState lastState;
};

class StoreLevelStates : public ::testing::TestWithParam<LevelCase> {};

TEST_P(StoreLevelStates, StoresNumbersOnlyForMeasuredLevels) {
    const LevelCase& c = GetParam();
    test::TempDir dir;
    FleetStore store;
    ASSERT_TRUE(store.open(dir.file("fleet.db")).ok());
    for (size_t i = 0; i < c.rounds.size(); ++i)
        ASSERT_TRUE(writeOne(store, kMonday + static_cast<int64_t>(i) * 900,
                             printer("10.0.0.5", "", "SN1", 1000, {toner(1, c.rounds[i])})).ok());
    DeviceRecord device;
    ASSERT_TRUE(store.findDevice("SN1", device).ok());
    std::vector<SupplyRecord> supplies;
    ASSERT_TRUE(store.supplies(device.id, supplies).ok());
    ASSERT_EQ(supplies.size(), 1u);
    EXPECT_EQ(supplies[0].state, c.lastState);
    std::vector<SupplyValue> values;
    ASSERT_TRUE(store.supplyHistory(supplies[0].id, values).ok());
    ASSERT_EQ(values.size(), c.rows.size());
    for (size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ(values[i].state, c.rows[i].first) << i;
        EXPECT_EQ(values[i].level, c.rows[i].second) << i;
    }
}

const LevelCase kLevelCases[] = {
    {"SleepingPrinterKeepsItsLevel", {-2, -2, 40, -2, -2, 40, 39, -2},
     {{LevelState::Unknown, std::nullopt}, {LevelState::Measured, 40}, {LevelState::Measured, 39}},
     LevelState::Unknown},
    {"SomeRemainingIsAState", {50, -3, -3, 49},
     {{LevelState::Measured, 50}, {LevelState::SomeRemaining, std::nullopt}, {LevelState::Measured, 49}},
     LevelState::Measured},
    {"OtherIsAState", {-1, -1, -1}, {{LevelState::Other, std::nullopt}}, LevelState::Other},
    {"UnknownAfterSomeRemainingIsWritten", {-3, -2}, {{LevelState::SomeRemaining, std::nullopt},
                                                      {LevelState::Unknown, std::nullopt}}, LevelState::Unknown},
};

INSTANTIATE_TEST_SUITE_P(States, StoreLevelStates, ::testing::ValuesIn(kLevelCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(StoreRounds, OneEventWhenSilentAndOneWhenBack) {
    test::TempDir dir;
    FleetStore store;
    ASSERT_TRUE(store.open(dir.file("fleet.db")).ok());
    DeviceReading answering = printer("10.0.0.5", "", "SN1", 1000, {toner(1, 80)});
    DeviceReading silent = answering;
    silent.answered = false;
    silent.supplies.clear();
    DeviceReading refilled = printer("10.0.0.5", "", "SN1", 1000, {toner(1, 97)});
    const std::vector<const DeviceReading*> rounds = {&answering, &silent, &silent,    &silent,
                                                      &answering, &answering, &refilled, &refilled};
    for (size_t i = 0; i < rounds.size(); ++i) {
        ASSERT_TRUE(writeOne(store, kMonday + static_cast<int64_t>(i) * 900, *rounds[i]).ok());
        DeviceRecord device;
        ASSERT_TRUE(store.findDevice("SN1", device).ok());
        EXPECT_EQ(device.answering, rounds[i]->answered) << i;
        EXPECT_EQ(device.lastSeen, kMonday + (rounds[i]->answered ? static_cast<int64_t>(i) * 900 : 0)) << i;
    }
    DeviceRecord device;
    ASSERT_TRUE(store.findDevice("SN1", device).ok());
    std::vector<DeviceEvent> events;
    ASSERT_TRUE(store.events(device.id, events).ok());
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].kind, DeviceEventKind::WentSilent);
    EXPECT_EQ(events[0].time, kMonday + 900);
    EXPECT_EQ(events[1].kind, DeviceEventKind::CameBack);
    EXPECT_EQ(events[1].time, kMonday + 4 * 900);
    // The new cartridge is one event, however many rounds see it.
    EXPECT_EQ(events[2].kind, DeviceEventKind::CartridgeChanged);
    EXPECT_EQ(events[2].time, kMonday + 6 * 900);
    EXPECT_EQ(events[2].detail, "supply 1 (black)");

    // A device never seen that does not answer leaves nothing behind.
    DeviceReading stranger = printer("10.0.0.99", "", "SN99");
    stranger.answered = false;
    ASSERT_TRUE(writeOne(store, kMonday + 9000, stranger).ok());
    std::vector<DeviceRecord> devices;
    ASSERT_TRUE(store.devices(devices).ok());
    EXPECT_EQ(devices.size(), 1u);
}

TEST(StoreRounds, AlertsAreKeptAsChangesAndThroughASilence) {
    test::TempDir dir;
    FleetStore store;
    ASSERT_TRUE(store.open(dir.file("fleet.db")).ok());
    DeviceReading quiet = printer("10.0.0.5", "", "SN1", 1000, {toner(1, 80)});
    quiet.name = "Front desk";
    quiet.location = "Hall, floor 2";
    DeviceReading jammed = quiet;
    jammed.alerts = {"Paper jam in tray 2", "Door open\x1e(front)"};
    jammed.alertTexts = {"Jam T2", ""};  // the device's own, one blank
    DeviceReading silent = quiet;
    silent.answered = false;
    // Alert rows: the jam, then its clearing; a silence and a repeat write none.
    const std::vector<std::pair<const DeviceReading*, int64_t>> rounds = {
        {&quiet, 0}, {&jammed, 1}, {&jammed, 1}, {&silent, 1}, {&jammed, 1}, {&quiet, 2}};
    for (size_t i = 0; i < rounds.size(); ++i) {
        ASSERT_TRUE(writeOne(store, kMonday + static_cast<int64_t>(i) * 900, *rounds[i].first).ok());
        StoreStats stats;
        ASSERT_TRUE(store.stats(stats).ok());
        EXPECT_EQ(stats.alertValues, rounds[i].second) << i;
        DeviceRecord device;
        ASSERT_TRUE(store.findDevice("SN1", device).ok());
        const bool jam = rounds[i].first == &jammed || (rounds[i].first == &silent);
        EXPECT_EQ(device.alerts.size(), jam ? 2u : 0u) << i;
        if (jam) {
            EXPECT_EQ(device.alerts[0], "Paper jam in tray 2");
            EXPECT_EQ(device.alerts[1], "Door open (front)");  // the separator never comes back as one
            EXPECT_EQ(device.alertTexts, (std::vector<std::string>{"Jam T2", " "}));
        }
        EXPECT_EQ(device.name, "Front desk");
        EXPECT_EQ(device.location, "Hall, floor 2");
    }
}

TEST(StoreRounds, ADesktopSearchAfterAWatcherAddsItsReadingsAndOverwritesNothing) {
    test::TempDir dir;
    FleetStore store;
    ASSERT_TRUE(store.open(dir.file("fleet.db")).ok());
    // The watcher: a jammed printer with its cover open, toner counted in grams, silent once and back.
    SupplyReading grams = toner(1, 1200);
    grams.maximum = 2400;
    grams.unit = 13;
    SupplyReading cyan = toner(2, 60, "cyan");
    DeviceReading watched = printer("10.0.0.5", "00:11:22:33:44:55", "SN1", 1000, {grams, cyan});
    watched.name = "Front desk";
    watched.alerts = {"Paper jam", "Cover open"};
    watched.alertCodes = {8, 3};
    watched.errorBits = 0x0400;
    DeviceReading silent = watched;
    silent.answered = false;
    const DeviceReading* rounds[] = {&watched, &silent, &watched};
    for (int64_t i = 0; i < 3; ++i)
        ASSERT_TRUE(writeOne(store, kMonday + i * 600, *rounds[i]).ok());
    // The desktop's list: percentages only, no alerts, no error state, no name, no supply kind.
    DeviceReading listed = printer("10.0.0.5", "00:11:22:33:44:55", "", 1010);
    listed.foundByDesktop = true;
    listed.fullReading = false;
    for (auto [index, level, colour] : {std::tuple{1, 50, "black"}, std::tuple{2, 58, "cyan"}}) {
        SupplyReading s = toner(index, level, colour);
        s.kind = 0;
        s.description.clear();
        listed.supplies.push_back(s);
    }
    StoreStats before;
    ASSERT_TRUE(store.stats(before).ok());
    RoundSummary summary;
    ASSERT_TRUE(writeOne(store, kMonday + 1800, listed, &summary).ok());
    EXPECT_EQ(summary.events, 0);

    DeviceRecord device;
    ASSERT_TRUE(store.findDevice("SN1", device).ok());
    EXPECT_EQ(device.alerts, (std::vector<std::string>{"Paper jam", "Cover open"}));
    EXPECT_EQ(device.alertCodes, (std::vector<int32_t>{8, 3}));
    EXPECT_EQ(device.errorBits, 0x0400u);
    EXPECT_EQ(device.name, "Front desk");
    EXPECT_TRUE(device.foundByDesktop);
    EXPECT_EQ(device.lastSeen, kMonday + 1800);
    std::vector<DeviceEvent> events;
    ASSERT_TRUE(store.events(device.id, events).ok());
    EXPECT_EQ(events.size(), 2u);  // silent and back, once each
    std::vector<SupplyRecord> supplies;
    ASSERT_TRUE(store.supplies(device.id, supplies).ok());
    ASSERT_EQ(supplies.size(), 2u);
    EXPECT_EQ(supplies[0].kind, 3);
    std::vector<SupplyValue> values;
    ASSERT_TRUE(store.supplyHistory(supplies[0].id, values).ok());
    ASSERT_EQ(values.size(), 1u);  // grams stay grams
    EXPECT_EQ(values[0].level, 1200);
    ASSERT_TRUE(store.supplyHistory(supplies[1].id, values).ok());
    ASSERT_EQ(values.size(), 2u);  // a percentage adds the desktop's own reading
    EXPECT_EQ(values[1].level, 58);
    EXPECT_EQ(values[1].description, "cyan toner");
    StoreStats after;
    ASSERT_TRUE(store.stats(after).ok());
    EXPECT_EQ(after.alertValues, before.alertValues);
}

TEST(StoreRounds, PageCounterRowsAreSpacedUnlessTheCounterGoesBack) {
    test::TempDir dir;
    FleetStore store;
    ASSERT_TRUE(store.open(dir.file("fleet.db")).ok());
    // Hourly rounds, ten pages an hour, then a reset in the ninth hour.
    for (int i = 0; i < 8; ++i)
        ASSERT_TRUE(writeOne(store, kMonday + i * 3600, printer("10.0.0.5", "", "SN1", 100 + 10 * i)).ok());
    ASSERT_TRUE(writeOne(store, kMonday + 8 * 3600, printer("10.0.0.5", "", "SN1", 5)).ok());
    DeviceRecord device;
    ASSERT_TRUE(store.findDevice("SN1", device).ok());
    EXPECT_EQ(device.pageCount, 5);
    std::vector<CounterValue> counters;
    ASSERT_TRUE(store.counterHistory(device.id, counters).ok());
    const std::vector<std::pair<int64_t, int64_t>> expected = {
        {kMonday, 100}, {kMonday + 4 * 3600, 140}, {kMonday + 8 * 3600, 5}};
    ASSERT_EQ(counters.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(counters[i].time, expected[i].first) << i;
        EXPECT_EQ(counters[i].pages, expected[i].second) << i;
    }
}

TEST(StoreRounds, ACrashMidRoundKeepsTheEarlierRoundWhole) {
    test::TempDir dir;
    const std::string path = dir.file("fleet.db");
    {
        FleetStore store;
        ASSERT_TRUE(store.open(path).ok());
        ASSERT_TRUE(writeOne(store, kMonday, printer("10.0.0.5", "", "SN1", 1000, {toner(1, 80), toner(2, 60)})).ok());
    }
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The writer dies between two devices of a round, with rows written but not committed.
        FleetStore store;
        bool ok = store.open(path).ok() && store.beginRound(kMonday + 900).ok() &&
                  store.addReading(printer("10.0.0.5", "", "SN1", 1200, {toner(1, 70), toner(2, 50)})).ok() &&
                  store.addReading(printer("10.0.0.6", "", "SN2", 10, {toner(1, 90)})).ok();
        _exit(ok ? 0 : 1);
    }
    int wstatus = 0;
    ASSERT_EQ(waitpid(child, &wstatus, 0), child);
    ASSERT_TRUE(WIFEXITED(wstatus) && WEXITSTATUS(wstatus) == 0);

    FleetStore store;
    StoreStatus status = store.open(path);
    ASSERT_TRUE(status.ok()) << status.message;
    std::vector<DeviceRecord> devices;
    ASSERT_TRUE(store.devices(devices).ok());
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].lastSeen, kMonday);
    EXPECT_EQ(devices[0].pageCount, 1000);
    std::vector<SupplyRecord> supplies;
    ASSERT_TRUE(store.supplies(devices[0].id, supplies).ok());
    ASSERT_EQ(supplies.size(), 2u);
    for (const auto& [supply, level] : {std::pair{supplies[0].id, 80}, std::pair{supplies[1].id, 60}}) {
        std::vector<SupplyValue> values;
        ASSERT_TRUE(store.supplyHistory(supply, values).ok());
        ASSERT_EQ(values.size(), 1u);
        EXPECT_EQ(values[0].level, level);
    }
    // The next round goes on from there.
    RoundSummary summary;
    ASSERT_TRUE(writeOne(store, kMonday + 1800, printer("10.0.0.5", "", "SN1", 1300, {toner(1, 69), toner(2, 60)}),
                         &summary).ok());
    EXPECT_EQ(summary.supplyValues, 1);
}

TEST(StoreRounds, AFullDiskKeepsTheEarlierRounds) {
    test::TempDir dir;
    const std::string path = dir.file("fleet.db");
    FleetStore store;
    StoreOptions small;
    small.sizeLimitBytes = 96 * 1024;
    ASSERT_TRUE(store.open(path, small).ok());
    StoreStats before;
    StoreStatus status;
    int round = 0;
    for (; round < 500; ++round) {
        ASSERT_TRUE(store.stats(before).ok());
        std::vector<DeviceReading> fleet;
        for (int i = 0; i < 20; ++i) {
            SupplyReading s = toner(1, 99 - round % 90);
            s.description = std::string(100, 'a' + round % 26);  // a new cartridge each round
            fleet.push_back(printer("10.0.1." + std::to_string(i), "", "SN" + std::to_string(i), 10 + round, {s}));
        }
        status = store.writeRound(kMonday + round * 900, fleet);
        if (!status.ok())
            break;
    }
    ASSERT_LT(round, 500);
    EXPECT_EQ(status.result, StoreResult::DiskFull) << status.message;
    EXPECT_NE(status.message.find("no room"), std::string::npos);
    StoreStats after;
    ASSERT_TRUE(store.stats(after).ok());
    EXPECT_EQ(after.supplyValues, before.supplyValues);
    EXPECT_EQ(after.counterValues, before.counterValues);
    store.close();

    FleetStore again;
    ASSERT_TRUE(again.open(path).ok());
    std::vector<DeviceRecord> devices;
    ASSERT_TRUE(again.devices(devices).ok());
    ASSERT_EQ(devices.size(), 20u);
    EXPECT_EQ(devices[0].lastSeen, kMonday + (round - 1) * 900);
}

// ---- a generated printer through the store ----

TEST(StoreSeries, ASleepingPrintersHistoryComesBackAsWritten) {
    test::SeriesConfig config;
    config.days = 12;
    config.sleeps = true;
    config.changeDay = 8;
    test::Series series = test::generateSeries(config);
    test::TempDir dir;
    FleetStore store;
    ASSERT_TRUE(store.open(dir.file("fleet.db")).ok());
    for (const test::Round& round : series.rounds) {
        SupplyReading s = toner(1, round.reported);
        s.description = "Black toner";
        s.serial = "CRG-" + std::to_string(round.cartridge);
        ASSERT_TRUE(writeOne(store, round.time, printer("10.0.0.5", "", "SN1", round.pages, {s})).ok());
    }
    DeviceRecord device;
    ASSERT_TRUE(store.findDevice("SN1", device).ok());
    std::vector<SupplyRecord> supplies;
    ASSERT_TRUE(store.supplies(device.id, supplies).ok());
    std::vector<SupplyValue> values;
    ASSERT_TRUE(store.supplyHistory(supplies[0].id, values).ok());
    // The first round is at midnight, asleep: one unknown row, then the measured changes only.
    ASSERT_EQ(values.size(), series.values.size() + 1);
    EXPECT_EQ(values[0].state, LevelState::Unknown);
    for (size_t i = 0; i < series.values.size(); ++i) {
        EXPECT_EQ(values[i + 1].level, series.values[i].level) << i;
        EXPECT_EQ(values[i + 1].time, series.values[i].time) << i;
        EXPECT_EQ(values[i + 1].serial, series.values[i].serial) << i;
        EXPECT_EQ(values[i + 1].description, "Black toner") << i;
    }
    std::vector<Cartridge> cartridges = splitCartridges(values, device.pageCount);
    ASSERT_EQ(cartridges.size(), 2u);
    EXPECT_EQ(cartridges[1].why, CartridgeStart::SerialChanged);
    // Days 0..7 are Monday to the next Monday: six workdays at 150 pages before the change at 9:00.
    EXPECT_NEAR(static_cast<double>(*cartridges[0].pages), 6 * 150 + 15, 20);
}

}  // namespace
}  // namespace netrov::store
