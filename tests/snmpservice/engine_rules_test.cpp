// The rules of the engine and configuration queries that can go wrong, each
// as a table of cases against the in-process fake agent.
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "entry_points.h"
#include "fake_agent.h"
#include "netrov/result_codes.h"
#include "service_fixture.h"

using namespace netrov::test;

namespace {

const std::string kBase = "1.3.6.1.4.1.32473.9.";

// Where the test document puts each key. Get keys name their instance.
struct KeyObject {
    const char* key;
    std::string object;
};

const std::vector<KeyObject> kPageCounterObjects = {
    {"GETDEVCOUNTER_MONO", kBase + "1.1.0"},
    {"GETDEVCOUNTER_COLOR", kBase + "1.2.0"},
    {"GETDEVCOUNTER_SIMMONO", kBase + "1.3.0"},
    {"GETDEVCOUNTER_SIMCOLOR", kBase + "1.4.0"},
};
const std::vector<KeyObject> kCounterTableObjects = {
    {"GETDEVCOUNTER_CLASS", kBase + "2.1"}, {"GETDEVCOUNTER_ROLL", kBase + "2.2"},
    {"GETDEVCOUNTER_TYPE", kBase + "2.3"},  {"GETDEVCOUNTER_LEVEL", kBase + "2.4"},
    {"GETDEVCOUNTER_MAX", kBase + "2.5"},
};
const std::vector<KeyObject> kOtherObjects = {
    {"GETDEVVERSION_CONTROLLER", kBase + "3.1.0"},
    {"GETDEVVERSION_ENGINE", kBase + "3.2.0"},
    {"GETDEVVERSION_TYPE", kBase + "3.3"},
    {"GETDEVVERSION_VERSION", kBase + "3.4"},
    {"GETDEVVERSION_NUMBER", kBase + "3.5"},
    {"GETDEVSPEED_UNIT", kBase + "4.1"},
    {"GETDEVSPEED_MAXSPEED", kBase + "4.2"},
    {"GETDEVPOWERSAVE_MODE", kBase + "5.1.0"},
    {"GETDEVPOWERSAVE_TIME", kBase + "5.2.0"},
    {"GETDEVHDD_SIZE", kBase + "6.1"},
    {"GETDEVHDD_TYPE", kBase + "6.2"},
    {"GETDEVFININFO_STAT", kBase + "7.1"},
    {"GETDEVFININFO_DESC", kBase + "7.2"},
    {"GETDEVFININFO_FOLD", kBase + "7.3"},
    {"GETDEVFININFO_STITCH", kBase + "7.4"},
    {"GETDEVFININFO_PUNCH", kBase + "7.5"},
    {"GETDEVFININFO_SHIFT", kBase + "7.6"},
    {"GETDEVFININFO_STAPLE", kBase + "7.7"},
    {"GETDEVOPTION_1", kBase + "8.1"},
    {"GETDEVLANG_INDEX", kBase + "9.1"},
    {"GETDEVLANG_LANG", kBase + "9.2"},
    {"GETDEVLANG_COUNTRY", kBase + "9.3"},
    {"GETDEVMEMORY_SIZE", kBase + "10.1"},
};

const char* const kTables = R"(
<keyword name="GETDEVCOUNTER_TYPE">
  <exchange key1="1000">Black and white</exchange>
  <exchange key1="1001">Colour</exchange>
  <exchange key1="7">Life count</exchange>
</keyword>
<keyword name="GETDEVCOUNTER_UNIT">
  <exchange key1="1000">pages</exchange>
  <exchange key1="7">impressions</exchange>
</keyword>
<keyword name="GETDEVVERSION_TYPE">
  <exchange key1="3">Controller</exchange>
  <exchange key1="4">Engine</exchange>
  <exchange key1="9">Module</exchange>
  <exchange key1="10"></exchange>
</keyword>
<keyword name="GETDEVSPEED_UNIT">
  <exchange key1="7">pages per minute</exchange>
</keyword>
<keyword name="GETDEVPOWERSAVE_MODE">
  <exchange key1="0">Off</exchange>
  <exchange key1="1">After a while</exchange>
</keyword>
<keyword name="GETDEVLANG_CONVERT">
  <exchange key1="de" key2="AT">German (Austria)</exchange>
</keyword>
)";

std::string definitions(bool pageCounters = true, bool counterTable = true)
{
    std::string body = kTables;
    auto add = [&](const std::vector<KeyObject>& objects) {
        for (const KeyObject& o : objects) body += std::string("<oid def=\"") + o.key + "\">" + o.object + "</oid>\n";
    };
    if (pageCounters) add(kPageCounterObjects);
    if (counterTable) add(kCounterTableObjects);
    add(kOtherObjects);
    return document(body);
}

std::string column(const char* key, int row)
{
    for (const auto* list : {&kPageCounterObjects, &kCounterTableObjects, &kOtherObjects}) {
        for (const KeyObject& o : *list) {
            if (std::string(o.key) == key) return o.object + "." + std::to_string(row);
        }
    }
    ADD_FAILURE() << "no object for " << key;
    return {};
}

std::string scalar(const char* key)
{
    const std::string withRow = column(key, 0);
    return withRow.substr(0, withRow.size() - 2);
}

class EngineRules : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!agent.ok()) GTEST_SKIP() << "fake agent: " << agent.error();
        device = snmpDevice(agent.addressValue());
        restart();
    }
    // No objects but the one every walk ends at.
    void restart()
    {
        agent.clearObjects();
        agent.setObject("1.3.6.1.4.1.32473.99.0", AgentValue::integer(0));
    }
    template <class Record>
    int32_t run(TuvaServiceFn query, std::vector<Record>& records, int32_t* count, const std::string& doc)
    {
        Service service(doc);
        EXPECT_TRUE(service.loaded());
        return query(&device, 0, 0, records.data(), static_cast<int32_t>(records.size()), count, service.record());
    }

    FakeAgent agent;
    DeviceIdentity device{};
};

struct CounterCase {
    const char* name;
    bool pageKeys;
    bool tableKeys;
    int32_t result;
    std::vector<int32_t> types;
};

TEST_F(EngineRules, CountersWithAndWithoutPageCounterKeys)
{
    agent.setObject(scalar("GETDEVCOUNTER_MONO"), AgentValue::integer(1200));
    agent.setObject(scalar("GETDEVCOUNTER_COLOR"), AgentValue::integer(300));
    // No type name for simplex mono: not reported. Simplex colour of the
    // wrong kind: not read. (A Get with an object missing fails as a whole.)
    agent.setObject(scalar("GETDEVCOUNTER_SIMMONO"), AgentValue::integer(700));
    agent.setObject(scalar("GETDEVCOUNTER_SIMCOLOR"), AgentValue::octets("500"));
    // Row 1: the life count as a Counter32. Row 2: a type without a name.
    agent.setObject(column("GETDEVCOUNTER_CLASS", 1), AgentValue::integer(3));
    agent.setObject(column("GETDEVCOUNTER_ROLL", 1), AgentValue::integer(999999));
    agent.setObject(column("GETDEVCOUNTER_TYPE", 1), AgentValue::integer(7));
    agent.setObject(column("GETDEVCOUNTER_LEVEL", 1), AgentValue::counter(3000000000u));
    agent.setObject(column("GETDEVCOUNTER_MAX", 1), AgentValue::gauge(5000));
    agent.setObject(column("GETDEVCOUNTER_TYPE", 2), AgentValue::integer(99));
    agent.setObject(column("GETDEVCOUNTER_LEVEL", 2), AgentValue::integer(5));

    const CounterCase cases[] = {
        {"both", true, true, NETROV_OK, {1000, 1001, 7}},
        {"table only", false, true, NETROV_OK, {7}},
        {"page counters only", true, false, NETROV_OK, {1000, 1001}},
        {"neither", false, false, NETROV_NOT_DEFINED, {}},
    };
    for (const CounterCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<CounterEntry> records(8);
        int32_t count = -1;
        EXPECT_EQ(run(TUVASRV_GetDevCounter, records, &count, definitions(c.pageKeys, c.tableKeys)), c.result);
        ASSERT_EQ(count, static_cast<int32_t>(c.types.size()));
        for (size_t i = 0; i < c.types.size(); ++i) {
            const CounterEntry& r = records[i];
            EXPECT_EQ(r.typeValid, 1);
            EXPECT_EQ(r.type, c.types[i]);
            EXPECT_EQ(r.levelValid, 1);
            if (r.type == 1000) {
                EXPECT_EQ(r.level, 1200);
                EXPECT_STREQ(r.typeName, "Black and white");
                EXPECT_STREQ(r.unitName, "pages");
                EXPECT_EQ(r.maximumValid + r.rollOverValid + r.counterClassValid, 0);
            }
            if (r.type == 1001) {
                EXPECT_STREQ(r.unitName, "");
            }
            if (r.type == 7) {
                EXPECT_EQ(static_cast<uint32_t>(r.level), 3000000000u);
                EXPECT_EQ(r.maximumValid, 1);
                EXPECT_EQ(r.maximum, 5000);
                EXPECT_EQ(r.rollOver, 999999);
                EXPECT_EQ(r.counterClass, 3);
                EXPECT_STREQ(r.unitName, "impressions");
            }
        }
    }
}

TEST_F(EngineRules, VersionsOncePerTypeAndCountedPastTheCapacity)
{
    agent.setObject(scalar("GETDEVVERSION_CONTROLLER"), AgentValue::octets("C-1.0"));
    agent.setObject(scalar("GETDEVVERSION_ENGINE"), AgentValue::octets("E-2.0"));
    const struct {
        int32_t type;
        const char* version;
    } rows[] = {{3, "table controller"}, {9, "M-1"}, {9, "M-2"}, {10, "no name"}, {11, "not listed"}};
    for (int i = 0; i < static_cast<int>(std::size(rows)); ++i) {
        agent.setObject(column("GETDEVVERSION_TYPE", i + 1), AgentValue::integer(rows[i].type));
        agent.setObject(column("GETDEVVERSION_VERSION", i + 1), AgentValue::octets(rows[i].version));
        agent.setObject(column("GETDEVVERSION_NUMBER", i + 1), AgentValue::octets("N-" + std::to_string(i + 1)));
    }

    const std::vector<std::pair<int32_t, const char*>> all = {{3, "C-1.0"}, {4, "E-2.0"}, {9, "M-1"}};
    for (int32_t capacity : {8, 3, 1, 0}) {
        SCOPED_TRACE(capacity);
        std::vector<VersionEntry> records(static_cast<size_t>(capacity));
        int32_t count = -1;
        ASSERT_EQ(run(TUVASRV_GetDevVersion, records, &count, definitions()), NETROV_OK);
        // The engine record counts even when the array is full (with capacity
        // 1 the controller is stored and the engine and the module counted).
        EXPECT_EQ(count, 3);
        for (size_t i = 0; i < records.size() && i < all.size(); ++i) {
            EXPECT_EQ(records[i].type, all[i].first);
            EXPECT_EQ(records[i].versionValid, 1);
            EXPECT_STREQ(records[i].version, all[i].second);
        }
    }
    std::vector<VersionEntry> records(8);
    int32_t count = 0;
    ASSERT_EQ(run(TUVASRV_GetDevVersion, records, &count, definitions()), NETROV_OK);
    EXPECT_STREQ(records[1].typeName, "Engine");
    EXPECT_EQ(records[2].numberValid, 1);
    EXPECT_STREQ(records[2].number, "N-2");

    // Without the controller's value the table's row of type 3 is reported.
    agent.removeObject(scalar("GETDEVVERSION_CONTROLLER"));
    ASSERT_EQ(run(TUVASRV_GetDevVersion, records, &count, definitions()), NETROV_OK);
    ASSERT_EQ(count, 3);
    EXPECT_EQ(records[0].type, 4);
    EXPECT_EQ(records[1].type, 3);
    EXPECT_STREQ(records[1].version, "table controller");
}

struct SpeedCase {
    const char* name;
    std::vector<std::pair<int32_t, std::optional<int32_t>>> rows;  // speed, unit
    int32_t count;
    int32_t speed;
    bool unit;
};

TEST_F(EngineRules, SpeedIsTheFastestPathPerMinute)
{
    const SpeedCase cases[] = {
        {"unit in the fastest row", {{0, 8}, {3600, 7}, {1200, 8}}, 1, 60, true},
        {"fastest row without unit", {{1200, 7}, {3600, std::nullopt}}, 1, 60, true},
        {"no unit at all", {{1800, std::nullopt}}, 1, 1800, false},
        {"nothing positive", {{0, std::nullopt}, {-1, std::nullopt}}, 0, 0, false},
    };
    for (const SpeedCase& c : cases) {
        SCOPED_TRACE(c.name);
        restart();
        for (size_t i = 0; i < c.rows.size(); ++i) {
            const int row = static_cast<int>(i) + 1;
            agent.setObject(column("GETDEVSPEED_MAXSPEED", row), AgentValue::integer(c.rows[i].first));
            if (c.rows[i].second) agent.setObject(column("GETDEVSPEED_UNIT", row), AgentValue::integer(*c.rows[i].second));
        }
        std::vector<SpeedInfo> records(1);
        int32_t count = -1;
        ASSERT_EQ(run(TUVASRV_GetDevSpeed, records, &count, definitions()), NETROV_OK);
        ASSERT_EQ(count, c.count);
        if (!count) continue;
        EXPECT_EQ(records[0].speed, c.speed);
        EXPECT_EQ(records[0].unitValid, c.unit);
        EXPECT_STREQ(records[0].unitText, c.unit ? "pages per minute" : "");
    }
}

struct PowerSaveCase {
    const char* name;
    std::optional<AgentValue> mode;
    std::optional<AgentValue> time;
    int32_t count;
    int32_t seconds;
    const char* text;
};

TEST_F(EngineRules, PowerSaveTimeInSeconds)
{
    const PowerSaveCase cases[] = {
        {"both", AgentValue::integer(1), AgentValue::timeTicks(90000), 1, 900, "After a while"},
        {"time only", AgentValue::octets("1"), AgentValue::counter(599), 1, 5, "Off"},
        {"largest time", AgentValue::octets("1"), AgentValue::timeTicks(UINT32_MAX), 1, 42949672, "Off"},
        {"time of the wrong kind", AgentValue::octets("1"), AgentValue::integer(600), 0, 0, ""},
    };
    for (const PowerSaveCase& c : cases) {
        SCOPED_TRACE(c.name);
        agent.clearObjects();
        if (c.mode) agent.setObject(scalar("GETDEVPOWERSAVE_MODE"), *c.mode);
        if (c.time) agent.setObject(scalar("GETDEVPOWERSAVE_TIME"), *c.time);
        std::vector<PowerSaveInfo> records(1);
        int32_t count = -1;
        const int32_t result = run(TUVASRV_GetDevPowerSave, records, &count, definitions());
        EXPECT_EQ(result, NETROV_OK);
        ASSERT_EQ(count, c.count);
        if (!count) continue;
        EXPECT_EQ(records[0].timeValid, 1);
        EXPECT_EQ(records[0].seconds, c.seconds);
        EXPECT_EQ(records[0].modeValid, c.mode->asInteger().has_value());
        EXPECT_STREQ(records[0].modeText, c.text);
    }
}

struct StorageCase {
    const char* name;
    std::vector<std::pair<int32_t, int32_t>> rows;  // type, size
    int32_t count;
    int32_t total;
};

TEST_F(EngineRules, StorageAddsUpTheHardDisks)
{
    const StorageCase cases[] = {
        {"types 3, 2, 3", {{3, 10}, {2, 20}, {3, 30}}, 1, 40},
        {"no hard disk", {{2, 20}, {8, 64}}, 0, 0},
        {"hard disk of size 0", {{3, 0}}, 1, 0},
        {"larger than 32 bits", {{3, INT32_MAX}, {3, INT32_MAX}}, 1, INT32_MAX},
    };
    for (const StorageCase& c : cases) {
        SCOPED_TRACE(c.name);
        restart();
        for (size_t i = 0; i < c.rows.size(); ++i) {
            const int row = static_cast<int>(i) + 1;
            agent.setObject(column("GETDEVHDD_TYPE", row), AgentValue::integer(c.rows[i].first));
            agent.setObject(column("GETDEVHDD_SIZE", row), AgentValue::integer(c.rows[i].second));
        }
        std::vector<ValueSetting> records(1);
        int32_t count = -1;
        ASSERT_EQ(run(TUVASRV_GetDevHdd, records, &count, definitions()), NETROV_OK);
        ASSERT_EQ(count, c.count);
        if (!count) continue;
        EXPECT_EQ(records[0].valueValid, 1);
        EXPECT_EQ(records[0].value, c.total);
    }
}

// Feature rows: fold, stitch, punch, shift, staple (0: no value in that row).
struct FinisherCase {
    const char* name;
    std::vector<std::array<int32_t, 5>> rows;
    std::array<int, 5> present;  // staple, shift, punch, fold, stitch
    std::array<int, 5> capable;
};

TEST_F(EngineRules, FinisherCapabilities)
{
    const FinisherCase cases[] = {
        {"staple unknown twice", {{0, 0, 0, 0, 2}, {0, 0, 0, 0, 2}}, {1, 0, 0, 0, 0}, {0, 0, 0, 0, 0}},
        {"staple in the second row", {{0, 0, 0, 0, 2}, {0, 0, 0, 0, 5}}, {1, 0, 0, 0, 0}, {1, 0, 0, 0, 0}},
        {"shift 4 and 5", {{0, 0, 0, 5, 0}, {0, 0, 0, 4, 0}}, {0, 1, 0, 0, 0}, {0, 1, 0, 0, 0}},
        {"shift not present", {{0, 0, 0, 5, 0}}, {0, 1, 0, 0, 0}, {0, 0, 0, 0, 0}},
        {"punch other, fold unknown", {{2, 0, 1, 0, 0}}, {0, 0, 1, 1, 0}, {0, 0, 1, 0, 0}},
        {"stitch 3, then 1", {{0, 3, 0, 0, 0}, {0, 1, 0, 0, 0}}, {0, 0, 0, 0, 1}, {0, 0, 0, 0, 1}},
    };
    const char* keys[] = {"GETDEVFININFO_FOLD", "GETDEVFININFO_STITCH", "GETDEVFININFO_PUNCH", "GETDEVFININFO_SHIFT",
                          "GETDEVFININFO_STAPLE"};
    for (const FinisherCase& c : cases) {
        SCOPED_TRACE(c.name);
        restart();
        agent.setObject(column("GETDEVFININFO_STAT", 1), AgentValue::integer(0));
        for (size_t i = 0; i < c.rows.size(); ++i) {
            for (size_t k = 0; k < 5; ++k) {
                if (c.rows[i][k]) {
                    agent.setObject(column(keys[k], static_cast<int>(i) + 1), AgentValue::integer(c.rows[i][k]));
                }
            }
        }
        std::vector<FinisherInfo> records(1);
        int32_t count = -1;
        ASSERT_EQ(run(TUVASRV_GetDevFinInfo, records, &count, definitions()), NETROV_OK);
        ASSERT_EQ(count, 1);
        const FinisherInfo& f = records[0];
        EXPECT_EQ(f.statusValid, 1);
        EXPECT_EQ((std::array<int, 5>{f.stapleValid, f.shiftValid, f.punchValid, f.foldValid, f.stitchValid}), c.present);
        EXPECT_EQ((std::array<int, 5>{f.stapleCapable, f.shiftCapable, f.punchCapable, f.foldCapable, f.stitchCapable}),
                  c.capable);
    }

    // A finisher status without any feature row: nothing, and no failure.
    restart();
    agent.setObject(column("GETDEVFININFO_STAT", 1), AgentValue::integer(0));
    std::vector<FinisherInfo> records(1);
    int32_t count = -1;
    EXPECT_EQ(run(TUVASRV_GetDevFinInfo, records, &count, definitions()), NETROV_OK);
    EXPECT_EQ(count, 0);
}

TEST_F(EngineRules, OptionValuesKeepKindAndFullLength)
{
    std::string longValue;
    for (int i = 0; i < 300; ++i) longValue += static_cast<char>('A' + i % 26);
    const struct {
        AgentValue value;
        uint8_t kind;
        int32_t length;
    } rows[] = {
        {AgentValue::integer(7), 1, 4},          {AgentValue::counter(9), 2, 4},
        {AgentValue::octets(longValue), 3, 300}, {AgentValue::oid("1.3.6.1.4.1"), 5, -1},
        {AgentValue::ipAddress("192.0.2.7"), 5, 4},
    };
    for (size_t i = 0; i < std::size(rows); ++i) {
        agent.setObject(column("GETDEVOPTION_1", static_cast<int>(i) + 1), rows[i].value);
    }
    std::vector<OptionValue> records(8);
    int32_t count = -1;
    ASSERT_EQ(run(TUVASRV_GetDevOption1, records, &count, definitions()), NETROV_OK);
    ASSERT_EQ(count, static_cast<int32_t>(std::size(rows)));
    for (size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(records[i].present, 1);
        EXPECT_EQ(records[i].kind, rows[i].kind);
        if (rows[i].length >= 0) {
            EXPECT_EQ(records[i].length, rows[i].length);
        }
    }
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(records[2].value), 255), longValue.substr(0, 255));
    const uint8_t address[4] = {192, 0, 2, 7};
    EXPECT_EQ(memcmp(records[4].value, address, 4), 0);
    // The other three option queries read their own keys only.
    EXPECT_EQ(run(TUVASRV_GetDevOption2, records, &count, definitions()), NETROV_NOT_DEFINED);
}

TEST_F(EngineRules, LanguageOfTheCurrentIndex)
{
    agent.setObject(column("GETDEVLANG_INDEX", 1), AgentValue::integer(2));
    agent.setObject(kBase + "9.2.1.1", AgentValue::octets("en"));
    agent.setObject(kBase + "9.3.1.1", AgentValue::octets("US"));
    agent.setObject(kBase + "9.2.1.2", AgentValue::octets("de"));
    agent.setObject(kBase + "9.3.1.2", AgentValue::octets("AT"));
    std::vector<LanguageInfo> records(1);
    int32_t count = -1;
    ASSERT_EQ(run(TUVASRV_GetDevLang, records, &count, definitions()), NETROV_OK);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(records[0].index, 2);
    EXPECT_STREQ(records[0].language, "de");
    EXPECT_STREQ(records[0].country, "AT");
    EXPECT_EQ(records[0].displayNameValid, 1);
    EXPECT_STREQ(records[0].displayName, "German (Austria)");

    // An index that is not an INTEGER.
    agent.setObject(column("GETDEVLANG_INDEX", 1), AgentValue::octets("2"));
    EXPECT_EQ(run(TUVASRV_GetDevLang, records, &count, definitions()), -1);
    EXPECT_EQ(count, 0);
}

TEST_F(EngineRules, MemoryOfAnotherKindGivesNoRecord)
{
    const struct {
        AgentValue value;
        int32_t count;
    } cases[] = {{AgentValue::integer(524288), 1}, {AgentValue::octets("512 MB"), 0}, {AgentValue::gauge(5), 0}};
    for (const auto& c : cases) {
        agent.setObject(column("GETDEVMEMORY_SIZE", 0), c.value);
        std::vector<ValueSetting> records(1);
        int32_t count = -1;
        EXPECT_EQ(run(TUVASRV_GetDevMemory, records, &count, definitions()), NETROV_OK);
        ASSERT_EQ(count, c.count);
        if (count) {
            EXPECT_EQ(records[0].value, 524288);
        }
    }
}

}  // namespace
