// The engine and configuration queries on the project's walks and on every
// real-device capture that holds their objects, served by snmpsim through the
// standard support package: each record equals what the test reads from the
// walk file itself, or the values read off the walks by hand where the test
// would otherwise repeat the rule it checks.
#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "entry_points.h"
#include "netrov/result_codes.h"
#include "project_walks.h"
#include "service_fixture.h"
#include "snmpsim_runner.h"
#include "walk_files.h"

using namespace netrov::test;
namespace fs = std::filesystem;

namespace {

constexpr const char* kAddress = "127.0.47.12";

// Standard objects the queries read (see the standard support package).
constexpr const char* kCounterUnit = "1.3.6.1.2.1.43.10.2.1.3";
constexpr const char* kLifeCount = "1.3.6.1.2.1.43.10.2.1.4";
constexpr const char* kSerial = "1.3.6.1.2.1.43.5.1.1.17.1";
constexpr const char* kMemory = "1.3.6.1.2.1.25.2.2";
constexpr const char* kInterpreterFamily = "1.3.6.1.2.1.43.15.1.1.2";
constexpr const char* kInterpreterLevel = "1.3.6.1.2.1.43.15.1.1.3";
constexpr const char* kInterpreterVersion = "1.3.6.1.2.1.43.15.1.1.4";
constexpr const char* kInterpreterDescription = "1.3.6.1.2.1.43.15.1.1.5";
constexpr const char* kPanelLine = "1.3.6.1.2.1.43.16.5.1.2";
constexpr const char* kLocalization = "1.3.6.1.2.1.43.5.1.1.2";
constexpr const char* kLanguage = "1.3.6.1.2.1.43.7.1.1.2";
constexpr const char* kCountry = "1.3.6.1.2.1.43.7.1.1.3";
constexpr const char* kDiskMedia = "1.3.6.1.2.1.25.3.6.1.2";
constexpr const char* kPathType = "1.3.6.1.2.1.43.13.4.1.9";
constexpr const char* kServicePerson = "1.3.6.1.2.1.43.5.1.1.5";

struct Capture {
    std::string path;
    std::string community;
    std::vector<WalkRecord> records;
};

// The rows of a table as the walk holds them: per instance (the part of the
// identifier after the column), the value of each column asked for.
using Row = std::map<std::string, const WalkRecord*>;

std::vector<Row> tableOf(const Capture& capture, const std::vector<const char*>& columns)
{
    std::map<std::string, Row> byInstance;
    std::vector<std::string> order;
    for (const WalkRecord& r : capture.records) {
        for (const char* column : columns) {
            if (!netrov::tessel::identifierUnder(r.oid, column) || r.oid.size() == strlen(column)) continue;
            const std::string instance = r.oid.substr(strlen(column));
            if (!byInstance.count(instance)) order.push_back(instance);
            byInstance[instance][column] = &r;
        }
    }
    // Walk order of the instances.
    std::sort(order.begin(), order.end(), [](const std::string& a, const std::string& b) {
        return netrov::tessel::compareOids("0" + a, "0" + b) < 0;
    });
    std::vector<Row> rows;
    for (const std::string& instance : order) rows.push_back(byInstance[instance]);
    return rows;
}

const WalkRecord* at(const Row& row, const char* column)
{
    const auto it = row.find(column);
    return it == row.end() ? nullptr : it->second;
}

std::optional<int32_t> integerOf(const WalkRecord* r, bool counterToo = false)
{
    if (!r || (r->type != "2" && !(counterToo && (r->type == "65" || r->type == "66")))) return std::nullopt;
    return static_cast<int32_t>(std::stoll(r->value));
}

std::optional<std::string> textOf(const WalkRecord* r)
{
    if (!r || r->type.substr(0, 1) != "4") return std::nullopt;
    return r->value.substr(0, 255);
}

const WalkRecord* exactly(const Capture& capture, const std::string& oid)
{
    for (const WalkRecord& r : capture.records) {
        if (r.oid == oid) return &r;
    }
    return nullptr;
}

uint32_t addressValue(const char* dotted)
{
    in_addr a{};
    inet_pton(AF_INET, dotted, &a);
    return a.s_addr;
}

// The project's printers and every real capture that holds one of the
// objects above.
std::vector<Capture> captures()
{
    std::vector<Capture> all;
    for (const Expected& e : printers()) {
        const std::string path = projectWalk(e.walk);
        all.push_back({path, e.walk, readWalk(path)});
    }
    const std::vector<const char*> objects = {kLifeCount,   kSerial,   kMemory,    kInterpreterFamily, kPanelLine,
                                              kLanguage,    kDiskMedia, kPathType, kServicePerson};
    std::error_code ec;
    std::vector<Capture> real;
    for (const auto& entry : fs::directory_iterator(realDeviceDir(), ec)) {
        if (entry.path().extension() != ".snmprec") continue;
        Capture c{entry.path().string(), SnmpSimRunner::communityOf(entry.path().string()),
                  readWalk(entry.path().string())};
        for (const char* object : objects) {
            if (firstUnder(c.records, object)) {
                real.push_back(std::move(c));
                break;
            }
        }
    }
    std::sort(real.begin(), real.end(), [](const Capture& a, const Capture& b) { return a.community < b.community; });
    all.insert(all.end(), std::make_move_iterator(real.begin()), std::make_move_iterator(real.end()));
    return all;
}

class EngineWalks : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        all = new std::vector<Capture>(captures());
        std::vector<std::string> files;
        for (const Capture& c : *all) files.push_back(c.path);
        simulator = std::make_unique<SnmpSimRunner>(files, std::vector<std::string>{kAddress});
    }
    static void TearDownTestSuite()
    {
        simulator.reset();
        delete all;
        all = nullptr;
    }
    void SetUp() override
    {
        if (!simulator->ready()) GTEST_SKIP() << simulator->whyNot();
        ASSERT_TRUE(service.loaded());
    }

    template <class Record>
    int32_t run(TuvaServiceFn query, const Capture& c, std::vector<Record>& records, int32_t* count)
    {
        DeviceIdentity d = snmpDevice(addressValue(kAddress), c.community.c_str(), 3);
        records.assign(16, Record{});
        *count = -1;
        return query(&d, 0, 0, records.data(), static_cast<int32_t>(records.size()), count, service.record());
    }

    static std::vector<Capture>* all;
    static std::unique_ptr<SnmpSimRunner> simulator;
    Service service{Service::FromFile{}, Service::standardDefinition()};
};

std::vector<Capture>* EngineWalks::all = nullptr;
std::unique_ptr<SnmpSimRunner> EngineWalks::simulator;

// Unit codes the standard package names (PrtMarkerCounterUnitTC, and 0 for a
// marker without a unit object).
bool namedCounterUnit(int32_t unit)
{
    for (int32_t known : {0, 3, 4, 5, 6, 7, 8, 9, 11, 16, 17}) {
        if (unit == known) return true;
    }
    return false;
}

TEST_F(EngineWalks, CountersAreTheMarkersLifeCounts)
{
    int oursWithCounters = 0;
    int realWithCounters = 0;
    for (const Capture& c : *all) {
        SCOPED_TRACE(c.community);
        std::vector<CounterEntry> expected;
        for (const Row& row : tableOf(c, {kCounterUnit, kLifeCount})) {
            CounterEntry e{};
            e.type = integerOf(at(row, kCounterUnit)).value_or(0);
            if (!namedCounterUnit(e.type)) continue;
            const auto count = integerOf(at(row, kLifeCount), true);
            e.levelValid = count.has_value();
            e.level = count.value_or(0);
            expected.push_back(e);
        }
        std::vector<CounterEntry> records;
        int32_t count = 0;
        ASSERT_EQ(run(TUVASRV_GetDevCounter, c, records, &count), NETROV_OK);
        ASSERT_EQ(count, static_cast<int32_t>(expected.size()));
        const bool ours = c.path.rfind(std::string(NETROV_SOURCE_DIR) + "/tests/devices/", 0) == 0;
        (ours ? oursWithCounters : realWithCounters) += count > 0;
        for (size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(records[i].typeValid, 1);
            EXPECT_EQ(records[i].type, expected[i].type);
            EXPECT_STREQ(records[i].typeName, "Life count");
            EXPECT_EQ(records[i].levelValid, expected[i].levelValid);
            EXPECT_EQ(records[i].level, expected[i].level);
        }
    }
    EXPECT_EQ(oursWithCounters, static_cast<int>(printers().size())) << "each of our printers has a life count";
    if (!fs::is_directory(realDeviceDir())) GTEST_SKIP() << "no real-device captures at " << realDeviceDir();
    EXPECT_GE(realWithCounters, 4) << "the real captures hold life counts";
}

TEST_F(EngineWalks, SerialNumberMemoryAndPanelLines)
{
    for (const Capture& c : *all) {
        SCOPED_TRACE(c.community);
        const auto serial = textOf(exactly(c, kSerial));
        std::vector<TextEntry> texts;
        int32_t count = 0;
        const int32_t result = run(TUVASRV_GetDevSerial, c, texts, &count);
        if (serial) {
            ASSERT_EQ(result, NETROV_OK);
            ASSERT_EQ(count, 1);
            EXPECT_EQ(std::string(texts[0].text), *serial);
        } else {
            EXPECT_EQ(count, 0);
        }

        const auto memory = integerOf(firstUnder(c.records, kMemory));
        std::vector<ValueSetting> values;
        const int32_t memoryResult = run(TUVASRV_GetDevMemory, c, values, &count);
        if (memory) {
            ASSERT_EQ(memoryResult, NETROV_OK);
            ASSERT_EQ(count, 1);
            EXPECT_EQ(values[0].value, *memory);
        } else {
            EXPECT_EQ(count, 0);
        }

        std::vector<std::string> lines;
        for (const Row& row : tableOf(c, {kPanelLine})) lines.push_back(*textOf(at(row, kPanelLine)));
        ASSERT_EQ(run(TUVASRV_GetDevDispMsg, c, texts, &count), NETROV_OK);
        ASSERT_EQ(count, static_cast<int32_t>(lines.size()));
        for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(std::string(texts[i].text), lines[i]);

        std::vector<std::string> contacts;
        for (const Row& row : tableOf(c, {kServicePerson})) contacts.push_back(*textOf(at(row, kServicePerson)));
        std::vector<ServiceInfoEntry> service;
        ASSERT_EQ(run(TUVASRV_GetDevSrvInfo, c, service, &count), NETROV_OK);
        ASSERT_EQ(count, static_cast<int32_t>(contacts.size()));
        for (size_t i = 0; i < contacts.size(); ++i) EXPECT_EQ(std::string(service[i].description), contacts[i]);
    }
}

TEST_F(EngineWalks, InterpretersAndLanguage)
{
    for (const Capture& c : *all) {
        SCOPED_TRACE(c.community);
        const auto rows = tableOf(c, {kInterpreterFamily, kInterpreterLevel, kInterpreterVersion, kInterpreterDescription});
        std::vector<InterpreterEntry> records;
        int32_t count = 0;
        ASSERT_EQ(run(TUVASRV_GetDevInterpreter, c, records, &count), NETROV_OK);
        ASSERT_EQ(count, static_cast<int32_t>(rows.size()));
        for (size_t i = 0; i < rows.size(); ++i) {
            const InterpreterEntry& r = records[i];
            EXPECT_EQ(r.family, integerOf(at(rows[i], kInterpreterFamily)).value_or(0));
            EXPECT_EQ(std::string(r.name), textOf(at(rows[i], kInterpreterDescription)).value_or(""));
            EXPECT_EQ(std::string(r.level), textOf(at(rows[i], kInterpreterLevel)).value_or(""));
            EXPECT_EQ(r.versionValid, textOf(at(rows[i], kInterpreterVersion)).has_value());
        }

        const auto index = integerOf(firstUnder(c.records, kLocalization));
        std::vector<LanguageInfo> language;
        const int32_t result = run(TUVASRV_GetDevLang, c, language, &count);
        if (!index) continue;
        const std::string instance = ".1." + std::to_string(*index);
        const auto code = textOf(exactly(c, kLanguage + instance));
        const auto country = textOf(exactly(c, kCountry + instance));
        if (!code || !country) {
            EXPECT_NE(result, NETROV_OK);
            continue;
        }
        ASSERT_EQ(result, NETROV_OK);
        ASSERT_EQ(count, 1);
        EXPECT_EQ(language[0].index, *index);
        EXPECT_EQ(std::string(language[0].language), *code);
        EXPECT_EQ(std::string(language[0].country), *country);
        EXPECT_EQ(language[0].displayNameValid, 1);
    }
}

// What the walks that hold storage or media paths say, read off the walk
// files by hand; every other walk holds neither, so it gives no records.
struct KnownEngine {
    const char* walk;
    std::optional<int32_t> diskKilobytes;
    int32_t perMinute;  // the fastest path
    bool duplex;
};
const KnownEngine kKnownEngines[] = {
    // A hard disk of 244140625 KB beside a RAM disk of 65536 KB that does not
    // count; paths of 2640 and 2400 impressions an hour, the second long-edge
    // duplex.
    {"mfp", 244140625, 44, true},
    // One path of 1800 impressions an hour that prints one side only.
    {"colour_laser", std::nullopt, 30, false},
};

TEST_F(EngineWalks, StorageSpeedAndDuplexUnit)
{
    for (const Capture& c : *all) {
        SCOPED_TRACE(c.community);
        const KnownEngine* known = nullptr;
        for (const KnownEngine& k : kKnownEngines) {
            if (c.community == k.walk) known = &k;
        }
        std::vector<ValueSetting> storage;
        int32_t count = 0;
        ASSERT_EQ(run(TUVASRV_GetDevHdd, c, storage, &count), NETROV_OK);
        ASSERT_EQ(count, known && known->diskKilobytes ? 1 : 0);
        if (count) {
            EXPECT_EQ(storage[0].value, *known->diskKilobytes);
        }

        std::vector<SpeedInfo> speed;
        ASSERT_EQ(run(TUVASRV_GetDevSpeed, c, speed, &count), NETROV_OK);
        ASSERT_EQ(count, known ? 1 : 0);
        if (known) {
            EXPECT_EQ(speed[0].speed, known->perMinute);
            EXPECT_STREQ(speed[0].unitText, "Impressions per minute");
        }

        std::vector<CodedSetting> duplexUnit;
        ASSERT_EQ(run(TUVASRV_GetDevADU, c, duplexUnit, &count), NETROV_OK);
        ASSERT_EQ(count, known ? 1 : 0);
        if (known) {
            EXPECT_EQ(duplexUnit[0].value, known->duplex ? 1 : 0);
            EXPECT_STREQ(duplexUnit[0].text, known->duplex ? "Installed" : "Not installed");
        }
    }
}

TEST_F(EngineWalks, MfpFinisherAndVersions)
{
    // The one walk with a finisher and ENTITY-MIB components: what it holds.
    const Capture* mfp = nullptr;
    for (const Capture& c : *all) {
        if (c.community == "mfp") mfp = &c;
    }
    ASSERT_NE(mfp, nullptr);
    std::vector<FinisherInfo> finisher;
    int32_t count = 0;
    ASSERT_EQ(run(TUVASRV_GetDevFinInfo, *mfp, finisher, &count), NETROV_OK);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(std::string(finisher[0].description), *textOf(firstUnder(mfp->records, "1.3.6.1.2.1.43.30.1.1.10")));
    EXPECT_EQ(finisher[0].status, *integerOf(firstUnder(mfp->records, "1.3.6.1.2.1.43.30.1.1.9")));
    EXPECT_EQ(finisher[0].shiftValid, 1);
    EXPECT_EQ(finisher[0].shiftCapable, 1);
    EXPECT_EQ(finisher[0].stapleValid + finisher[0].punchValid + finisher[0].foldValid + finisher[0].stitchValid, 0);

    // One version per named component class, in walk order.
    const char* cls = "1.3.6.1.2.1.47.1.1.1.1.5";
    const char* firmware = "1.3.6.1.2.1.47.1.1.1.1.9";
    std::vector<std::pair<int32_t, std::string>> expected;
    for (const Row& row : tableOf(*mfp, {cls, firmware})) {
        const int32_t type = integerOf(at(row, cls)).value_or(0);
        bool seen = false;
        for (const auto& e : expected) seen |= e.first == type;
        if (!seen && (type == 3 || type == 9 || type == 12)) expected.emplace_back(type, *textOf(at(row, firmware)));
    }
    std::vector<VersionEntry> versions;
    ASSERT_EQ(run(TUVASRV_GetDevVersion, *mfp, versions, &count), NETROV_OK);
    ASSERT_EQ(count, static_cast<int32_t>(expected.size()));
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(versions[i].type, expected[i].first);
        EXPECT_EQ(std::string(versions[i].version), expected[i].second);
    }
}

}  // namespace
