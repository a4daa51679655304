// Toner and trays of every walk that carries the Printer-MIB supplies or
// input table, ours and the real captures, served by snmpsim and read
// through the standard document: the records hold the walk file's rows and
// values, and the remaining percentages read off our walks by hand.
#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "entry_points.h"
#include "netrov/result_codes.h"
#include "service_fixture.h"
#include "snmpsim_runner.h"
#include "walk_files.h"

using namespace netrov::test;
namespace fs = std::filesystem;

namespace {

constexpr const char* kAddress = "127.0.44.3";
const std::string kSupplies = "1.3.6.1.2.1.43.11.1.1";
const std::string kInputs = "1.3.6.1.2.1.43.8.2.1";
// The supply types the standard document reports as toner.
const std::set<int> kTonerTypes = {3, 5, 6, 7, 12, 13, 21, 35, 36};

// Instances in walk order: arc by arc.
struct InstanceOrder {
    bool operator()(const std::string& a, const std::string& b) const { return netrov::tessel::compareOids(a, b) < 0; }
};
using Rows = std::set<std::string, InstanceOrder>;
// Column -> instance -> value of one table of a walk.
using Table = std::map<int, std::map<std::string, std::string, InstanceOrder>>;

Rows rowsOf(const Table& table, std::initializer_list<int> columns)
{
    Rows rows;
    for (const int column : columns) {
        if (!table.count(column)) continue;
        for (const auto& [instance, value] : table.at(column)) rows.insert(instance);
    }
    return rows;
}

Table tableOf(const std::vector<WalkRecord>& walk, const std::string& entry)
{
    Table table;
    for (const WalkRecord& r : walk) {
        if (!netrov::tessel::identifierUnder(r.oid, entry) || r.oid.size() <= entry.size() + 1) continue;
        const std::string rest = r.oid.substr(entry.size() + 1);
        const size_t dot = rest.find('.');
        if (dot == std::string::npos) continue;
        table[std::stoi(rest.substr(0, dot))][rest.substr(dot + 1)] = r.value;
    }
    return table;
}

std::optional<int> number(const Table& table, int column, const std::string& instance)
{
    const auto c = table.find(column);
    if (c == table.end()) return std::nullopt;
    const auto v = c->second.find(instance);
    if (v == c->second.end()) return std::nullopt;
    return std::stoi(v->second);
}

std::string text(const Table& table, int column, const std::string& instance)
{
    const auto c = table.find(column);
    if (c == table.end() || !c->second.count(instance)) return {};
    return c->second.at(instance).substr(0, 255);
}

// Remaining percentages of our walks, read off the files by hand: the level
// as a share of the maximum, rounded down, or the device's code (-3 some
// remaining, -2 unknown) as it stands. Toner, other supplies, trays.
struct KnownPercents {
    const char* walk;
    std::vector<int> toner;
    std::vector<int> others;
    std::vector<int> trays;
};
const KnownPercents kKnownPercents[] = {
    {"mono_laser", {81}, {70}, {80}},                  // drum 21000 of 30000, tray 200 of 250
    {"colour_laser", {64, 52, 47, 70}, {-3, 62}, {64, 0}},  // drum 31250 of 50000, 320 of 500 sheets
    {"mfp", {9, 40, 38, 44}, {60}, {96, 24}},          // fuser 90210 of 150000, 480 and 120 of 500
    {"power_save", {-3}, {}, {-3}},                    // a maximum of -2 does not hide the level's code
    {"jam_door", {60, 61, 62, 63}, {}, {50}},
    {"toner_empty", {0}, {}, {36}},                    // 90 of 250 sheets
    {"inkjet", {72, -3, 15, 0}, {-2}, {-3}},
};

const KnownPercents* knownPercents(const std::string& walk)
{
    for (const KnownPercents& k : kKnownPercents) {
        if (walk == k.walk) return &k;
    }
    return nullptr;
}

// Whatever the walk: a percentage from 0 to 100, or the device's code.
void expectBounded(uint8_t valid, int32_t percent)
{
    if (valid) {
        EXPECT_TRUE(percent >= -3 && percent <= 100) << percent;
    } else {
        EXPECT_EQ(percent, 0);
    }
}

struct Walk {
    std::string path;
    std::string community;
    std::vector<WalkRecord> records;
};

std::vector<Walk> walksWithConsumables()
{
    std::vector<Walk> walks;
    std::vector<std::string> paths;
    for (const char* name : {"mono_laser", "colour_laser", "mfp", "power_save", "jam_door", "toner_empty", "inkjet"})
        paths.push_back(projectWalk(name));
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(realDeviceDir(), ec)) {
        if (entry.path().extension() == ".snmprec") paths.push_back(entry.path().string());
    }
    for (const std::string& path : paths) {
        Walk w{path, SnmpSimRunner::communityOf(path), readWalk(path)};
        if (firstUnder(w.records, kSupplies) || firstUnder(w.records, kInputs)) walks.push_back(std::move(w));
    }
    return walks;
}

uint32_t addressValue(const char* dotted)
{
    in_addr a{};
    inet_pton(AF_INET, dotted, &a);
    return a.s_addr;
}

}  // namespace

TEST(ConsumableWalks, TonerAndTraysEqualTheWalks)
{
    const std::vector<Walk> walks = walksWithConsumables();
    std::vector<std::string> files;
    for (const Walk& w : walks) files.push_back(w.path);
    SnmpSimRunner simulator(files, {kAddress});
    if (!simulator.ready()) GTEST_SKIP() << simulator.whyNot();
    Service service(Service::FromFile{}, Service::standardDefinition());
    ASSERT_TRUE(service.loaded());

    size_t knownWalks = 0;
    for (const Walk& w : walks) {
        SCOPED_TRACE(w.community);
        const KnownPercents* known = knownPercents(w.community);
        knownWalks += known != nullptr;
        DeviceIdentity device = snmpDevice(addressValue(kAddress), w.community.c_str(), 3);

        const Table supplies = tableOf(w.records, kSupplies);
        // A row without a type is no toner: the supplies query reports it.
        std::vector<std::string> tonerRows;
        size_t otherRows = 0;
        for (const std::string& row : rowsOf(supplies, {3, 5, 6, 7, 8, 9})) {
            if (kTonerTypes.count(number(supplies, 5, row).value_or(0)))
                tonerRows.push_back(row);
            else
                ++otherRows;
        }
        std::vector<TonerEntry> toner(64);
        int32_t count = -1;
        ASSERT_EQ(TUVASRV_GetDevToner(&device, 0, 0, toner.data(), 64, &count, service.record()), NETROV_OK);
        ASSERT_EQ(static_cast<size_t>(count), tonerRows.size());
        for (size_t i = 0; i < tonerRows.size(); ++i) {
            const std::string& row = tonerRows[i];
            SCOPED_TRACE("supply " + row);
            EXPECT_EQ(toner[i].supplyType, number(supplies, 5, row));
            EXPECT_EQ(std::string(toner[i].name), text(supplies, 6, row));
            const auto max = number(supplies, 8, row);
            const auto level = number(supplies, 9, row);
            EXPECT_EQ(toner[i].maxCapacityValid, max.has_value());
            EXPECT_EQ(toner[i].currentLevel, level.value_or(0));
            expectBounded(toner[i].remainingPercentValid, toner[i].remainingPercent);
            if (known) {
                ASSERT_EQ(known->toner.size(), tonerRows.size());
                EXPECT_EQ(toner[i].remainingPercentValid, 1);
                EXPECT_EQ(toner[i].remainingPercent, known->toner[i]);
            }
        }

        std::vector<SupplyEntry> others(64);
        ASSERT_EQ(TUVASRV_GetDevSupplies(&device, 0, 0, others.data(), 64, &count, service.record()), NETROV_OK);
        EXPECT_EQ(static_cast<size_t>(count), otherRows) << "every supply row goes to exactly one of the two queries";
        for (size_t j = 0; j < otherRows && j < others.size(); ++j) {
            expectBounded(others[j].remainingPercentValid, others[j].remainingPercent);
            if (known) {
                ASSERT_EQ(known->others.size(), otherRows);
                EXPECT_EQ(others[j].remainingPercentValid, 1);
                EXPECT_EQ(others[j].remainingPercent, known->others[j]) << others[j].name;
            }
        }

        const Table inputs = tableOf(w.records, kInputs);
        const Rows trayRows = rowsOf(inputs, {3, 4, 5, 8, 9, 10, 12, 13, 18, 21});
        std::vector<TrayEntry> trays(64);
        ASSERT_EQ(TUVASRV_GetDevTray(&device, 0, 0, trays.data(), 64, &count, service.record()), NETROV_OK);
        ASSERT_EQ(static_cast<size_t>(count), trayRows.size());
        size_t i = 0;
        for (const std::string& row : trayRows) {
            SCOPED_TRACE("input " + row);
            const TrayEntry& tray = trays[i++];
            const std::string name = text(inputs, 18, row).empty() ? text(inputs, 13, row) : text(inputs, 18, row);
            EXPECT_EQ(std::string(tray.trayName), name);
            const auto max = number(inputs, 9, row);
            const auto level = number(inputs, 10, row);
            EXPECT_EQ(tray.maxCapacity, max.value_or(0));
            EXPECT_EQ(tray.currentLevel, level.value_or(0));
            expectBounded(tray.remainingPercentValid, tray.remainingPercent);
            if (known) {
                ASSERT_EQ(known->trays.size(), trayRows.size());
                EXPECT_EQ(tray.remainingPercentValid, 1);
                EXPECT_EQ(tray.remainingPercent, known->trays[i - 1]);
            }
        }
        std::cout << w.community << ": " << tonerRows.size() << " toner, " << otherRows << " other supplies, "
                  << trayRows.size() << " trays\n";
    }
    EXPECT_EQ(knownWalks, std::size(kKnownPercents)) << "each walk with known percentages was read";
}

TEST(ConsumableWalks, OurPrintersShowColoursPaperAndPageCounts)
{
    SnmpSimRunner simulator({projectWalk("colour_laser"), projectWalk("inkjet"), projectWalk("switch")}, {kAddress});
    if (!simulator.ready()) GTEST_SKIP() << simulator.whyNot();
    Service service(Service::FromFile{}, Service::standardDefinition());

    DeviceIdentity laser = snmpDevice(addressValue(kAddress), "colour_laser", 3);
    TonerEntry toner[8];
    int32_t count = 0;
    ASSERT_EQ(TUVASRV_GetDevToner(&laser, 0, 0, toner, 8, &count, service.record()), NETROV_OK);
    ASSERT_EQ(count, 4);
    const int32_t expected[4][3] = {{0, 0, 0}, {0, 255, 255}, {255, 0, 255}, {255, 255, 0}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(toner[i].colorValid, 1);
        EXPECT_EQ(std::vector<int32_t>(toner[i].color, toner[i].color + 3), std::vector<int32_t>(expected[i], expected[i] + 3));
    }
    TrayEntry trays[4];
    ASSERT_EQ(TUVASRV_GetDevTray(&laser, 0, 0, trays, 4, &count, service.record()), NETROV_OK);
    ASSERT_EQ(count, 2);
    EXPECT_STREQ(trays[0].paperName, "A4");
    EXPECT_STREQ(trays[0].sizeUnitName, "mm");
    EXPECT_STREQ(trays[1].paperName, "Letter");
    EXPECT_DOUBLE_EQ(trays[1].sizeX, 8.5);
    MarkerInfo marker[1];
    ASSERT_EQ(TUVASRV_GetDevMarker(&laser, 0, 0, marker, 1, &count, service.record()), NETROV_OK);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(marker[0].lifeCount, 128734u);
    EXPECT_STREQ(marker[0].counterUnitName, "Impressions");
    EXPECT_EQ(marker[0].colorCapable, 1);
    EXPECT_EQ(marker[0].xAddressability, 600);

    DeviceIdentity inkjet = snmpDevice(addressValue(kAddress), "inkjet", 3);
    ASSERT_EQ(TUVASRV_GetDevToner(&inkjet, 0, 0, toner, 8, &count, service.record()), NETROV_OK);
    ASSERT_EQ(count, 4);
    EXPECT_EQ(toner[0].colorValid, 1);  // "photo black"
    EXPECT_STREQ(toner[1].remainingText, "Some remaining");
    EXPECT_STREQ(toner[3].remainingText, "Empty");

    // A device without the tables: nothing, and no error.
    DeviceIdentity plain = snmpDevice(addressValue(kAddress), "switch", 3);
    ASSERT_EQ(TUVASRV_GetDevToner(&plain, 0, 0, toner, 8, &count, service.record()), NETROV_OK);
    EXPECT_EQ(count, 0);
    ASSERT_EQ(TUVASRV_GetDevTray(&plain, 0, 0, trays, 4, &count, service.record()), NETROV_OK);
    EXPECT_EQ(count, 0);
}
