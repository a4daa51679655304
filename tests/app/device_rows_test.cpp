// The device list's row comparison, cell texts, and the merge sort under inconsistent comparisons.
#include <algorithm>
#include <cstring>
#include <numeric>
#include <random>

#include <gtest/gtest.h>

#include "device_rows.h"
#include "mdns_rows.h"
#include "merge_sort.h"
#include "net_address.h"

namespace netrov::ui {
namespace {

const RowWords kWords{"Network", "Ready", "Warning", "Error", "Power Save", "Unknown", "No Answer"};

core::DeviceListEntry networkDevice(const char* model, uint8_t a, uint8_t b, uint8_t c, uint8_t d, int32_t status = 1)
{
    core::DeviceListEntry entry{};
    std::strcpy(entry.identity.modelName, model);
    entry.identity.interfaceKind = NETROV_INTERFACE_NETWORK;
    entry.identity.transport = 2;
    const uint8_t address[4] = {a, b, c, d};
    std::memcpy(entry.identity.address, address, 4);
    entry.status[0].simpleStatus = status;
    return entry;
}

// A network device named by its IPv6 address, as the search records one.
core::DeviceListEntry ipv6Device(const char* model, const char* address)
{
    core::DeviceListEntry entry = networkDevice(model, 0, 0, 0, 0);
    core::setDeviceAddress(entry.identity, *core::parseNetAddress(address));
    return entry;
}

core::DeviceListEntry usbDevice(const char* model, int32_t kind = NETROV_INTERFACE_USB)
{
    core::DeviceListEntry entry{};
    std::strcpy(entry.identity.modelName, model);
    entry.identity.interfaceKind = kind;
    std::strcpy(entry.identity.portName, "USB001");
    std::strcpy(entry.identity.driverName, "Tarnwell Driver");
    entry.status[0].simpleStatus = 1;
    return entry;
}

int both(const core::DeviceListEntry& a, const core::DeviceListEntry& b, int32_t kind, int32_t direction)
{
    return compareRows(a, b, kind, direction, kWords);
}

TEST(RowCompare, TextColumnsFollowTheDirection)
{
    const auto a = networkDevice("Alpha", 10, 0, 0, 1);
    const auto b = networkDevice("Beta", 10, 0, 0, 2);
    EXPECT_LT(both(a, b, kColumnModel, 1), 0);
    EXPECT_GT(both(b, a, kColumnModel, 1), 0);
    EXPECT_GT(both(a, b, kColumnModel, -1), 0);
    EXPECT_LT(both(b, a, kColumnModel, -1), 0);
    // Equal texts give 1 in both directions and both orders.
    EXPECT_EQ(both(a, a, kColumnModel, 1), 1);
    EXPECT_EQ(both(a, a, kColumnModel, -1), 1);
    EXPECT_EQ(both(a, b, kColumnLocation, 1), 1);
    EXPECT_EQ(both(b, a, kColumnLocation, -1), 1);
}

TEST(RowCompare, TextColumnsSortLowerAndUpperCaseTogether)
{
    // As under the C locale of a service or a bare shell.
    const char* const sorted[] = {"alpha", "Beta", "beta-2", "\xC3\xA9" "cole", "Gamma", "zeta", "Zulu"};
    for (int32_t kind : {kColumnModel, kColumnDevice, kColumnLocation}) {
        for (size_t i = 0; i + 1 < std::size(sorted); ++i) {
            core::DeviceListEntry a = networkDevice("Tarnwell", 10, 0, 0, 1);
            core::DeviceListEntry b = networkDevice("Tarnwell", 10, 0, 0, 2);
            char* fieldA = kind == kColumnModel ? a.identity.modelName : kind == kColumnDevice ? a.info.name : a.info.location;
            char* fieldB = kind == kColumnModel ? b.identity.modelName : kind == kColumnDevice ? b.info.name : b.info.location;
            std::strcpy(fieldA, sorted[i]);
            std::strcpy(fieldB, sorted[i + 1]);
            EXPECT_LT(both(a, b, kind, 1), 0) << sorted[i] << " / " << sorted[i + 1];
            EXPECT_GT(both(b, a, kind, 1), 0) << sorted[i + 1] << " / " << sorted[i];
        }
    }
}

TEST(RowCompare, EmptyModelNameGivesTheDirection)
{
    const auto named = networkDevice("Alpha", 10, 0, 0, 1);
    core::DeviceListEntry empty = networkDevice("", 10, 0, 0, 2);
    for (int32_t kind = 0; kind < kColumnKinds; ++kind) {
        EXPECT_EQ(both(named, empty, kind, 1), 1);
        EXPECT_EQ(both(empty, named, kind, -1), -1);
    }
}

TEST(RowCompare, EqualStatusesCompareOneBothWays)
{
    const auto a = networkDevice("A", 10, 0, 0, 1, 2);
    const auto b = networkDevice("B", 10, 0, 0, 2, 2);
    EXPECT_EQ(both(a, b, kColumnStatus, 1), 1);
    EXPECT_EQ(both(b, a, kColumnStatus, 1), 1);
    EXPECT_EQ(both(a, b, kColumnStatus, -1), 1);
    EXPECT_EQ(both(b, a, kColumnStatus, -1), 1);
    // Different codes with the same word still compare by word: 0, so 1.
    const auto c = networkDevice("C", 10, 0, 0, 3, 3);
    EXPECT_EQ(both(a, c, kColumnStatus, 1), 1);
    EXPECT_EQ(both(c, a, kColumnStatus, 1), 1);
}

TEST(RowCompare, StatusWordsOrderFromLastToFirstOnTheFirstClick)
{
    const auto ready = networkDevice("A", 10, 0, 0, 1, 1);
    const auto error = networkDevice("B", 10, 0, 0, 2, 5);
    const auto warning = networkDevice("C", 10, 0, 0, 3, 4);
    const auto unknown = networkDevice("D", 10, 0, 0, 4, 7);  // compares as "-"
    // B's word first: "Warning" > "Ready" puts Warning before Ready ascending.
    EXPECT_LT(both(warning, ready, kColumnStatus, 1), 0);
    EXPECT_GT(both(ready, warning, kColumnStatus, 1), 0);
    EXPECT_LT(both(ready, error, kColumnStatus, 1), 0);
    EXPECT_GT(both(unknown, error, kColumnStatus, 1), 0);
    EXPECT_LT(both(unknown, error, kColumnStatus, -1), 0);
}

TEST(RowCompare, InterfaceKindsAndWords)
{
    const auto net = networkDevice("A", 10, 0, 0, 1);
    const auto net2 = networkDevice("B", 10, 0, 0, 2);
    const auto usb = usbDevice("C");
    const auto lpt = usbDevice("D", NETROV_INTERFACE_PARALLEL);
    EXPECT_EQ(both(net, net2, kColumnInterface, 1), 1);
    EXPECT_EQ(both(net2, net, kColumnInterface, -1), 1);
    // Same text, different kinds: 0 gives 1.
    EXPECT_EQ(both(usb, lpt, kColumnInterface, 1), 1);
    // "USB001 (...)" > "Network": B first puts USB before Network ascending.
    EXPECT_LT(both(usb, net, kColumnInterface, 1), 0);
    EXPECT_GT(both(net, usb, kColumnInterface, 1), 0);
    EXPECT_GT(both(usb, net, kColumnInterface, -1), 0);
}

TEST(RowCompare, IpAddressesAsNumbersAndLocalDevices)
{
    const auto low = networkDevice("A", 10, 0, 0, 9);
    const auto mid = networkDevice("B", 10, 0, 1, 0);
    const auto high = networkDevice("C", 200, 0, 0, 1);
    const auto local = usbDevice("D");
    const auto local2 = usbDevice("E");
    EXPECT_LT(both(low, mid, kColumnIpAddress, 1), 0);
    EXPECT_GT(both(mid, low, kColumnIpAddress, 1), 0);
    EXPECT_GT(both(low, mid, kColumnIpAddress, -1), 0);
    // First octets 128 or more apart still order by value.
    EXPECT_LT(both(low, high, kColumnIpAddress, 1), 0);
    EXPECT_GT(both(high, low, kColumnIpAddress, 1), 0);
    EXPECT_EQ(both(low, low, kColumnIpAddress, -1), 1);
    // Network device against local: network first ascending, last descending.
    EXPECT_EQ(both(low, local, kColumnIpAddress, 1), -1);
    EXPECT_EQ(both(local, low, kColumnIpAddress, 1), 1);
    EXPECT_EQ(both(low, local, kColumnIpAddress, -1), 1);
    EXPECT_EQ(both(local, low, kColumnIpAddress, -1), -1);
    // Two local devices: -D.
    EXPECT_EQ(both(local, local2, kColumnIpAddress, 1), -1);
    EXPECT_EQ(both(local, local2, kColumnIpAddress, -1), 1);
    // IPv6 after every IPv4 address, in the order of their bytes, not of their text.
    const auto v6low = ipv6Device("F", "2001:db8::9");
    const auto v6high = ipv6Device("G", "2001:db8::1:0");
    EXPECT_LT(both(high, v6low, kColumnIpAddress, 1), 0);
    EXPECT_GT(both(v6low, high, kColumnIpAddress, 1), 0);
    EXPECT_LT(both(v6low, v6high, kColumnIpAddress, 1), 0);
    EXPECT_GT(both(v6low, v6high, kColumnIpAddress, -1), 0);
    EXPECT_EQ(both(v6low, local, kColumnIpAddress, 1), -1);
}

TEST(RowCompare, MacAddressesHighPartThenLowPart)
{
    auto a = networkDevice("A", 10, 0, 0, 1);
    auto b = networkDevice("B", 10, 0, 0, 2);
    const uint8_t macA[6] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
    const uint8_t macB[6] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x56};
    std::memcpy(a.info.macAddress, macA, 6);
    std::memcpy(b.info.macAddress, macB, 6);
    EXPECT_LT(both(a, b, kColumnMacAddress, 1), 0);
    EXPECT_GT(both(a, b, kColumnMacAddress, -1), 0);
    b.info.macAddress[0] = 0xF0;  // high part decides, above 2^31 too
    b.info.macAddress[5] = 0x00;
    EXPECT_LT(both(a, b, kColumnMacAddress, 1), 0);
    EXPECT_GT(both(b, a, kColumnMacAddress, 1), 0);
    EXPECT_EQ(both(a, a, kColumnMacAddress, -1), 1);
    const auto local = usbDevice("C");
    EXPECT_EQ(both(a, local, kColumnMacAddress, 1), 1);
    EXPECT_EQ(both(local, a, kColumnMacAddress, -1), -1);
}

TEST(DeviceCells, EveryRuleAndDashes)
{
    auto net = networkDevice("Tarnwell MX", 192, 0, 2, 7, 6);
    std::strcpy(net.info.location, "Floor 2");
    EXPECT_EQ(cellText(net, kColumnModel, kWords), "Tarnwell MX");
    EXPECT_EQ(cellText(net, kColumnDevice, kWords), "--");
    EXPECT_EQ(cellText(net, kColumnLocation, kWords), "Floor 2");
    EXPECT_EQ(cellText(net, kColumnInterface, kWords), "Network");
    EXPECT_EQ(cellText(net, kColumnIpAddress, kWords), "192.0.2.7");
    EXPECT_EQ(cellText(net, kColumnMacAddress, kWords), "--");
    net.info.macAddressValid = 1;
    const uint8_t mac[6] = {0x00, 0x1b, 0xa9, 0x0c, 0xde, 0xf0};
    std::memcpy(net.info.macAddress, mac, 6);
    EXPECT_EQ(cellText(net, kColumnMacAddress, kWords), "00:1B:A9:0C:DE:F0");
    EXPECT_EQ(cellText(net, kColumnStatus, kWords), "Power Save");

    EXPECT_EQ(cellText(ipv6Device("V6", "2001:DB8:0::17"), kColumnIpAddress, kWords), "2001:db8::17");
    EXPECT_EQ(cellText(ipv6Device("V6", "fe80::1%eth0"), kColumnIpAddress, kWords), "fe80::1%eth0");

    const auto usb = usbDevice("Tarnwell LX");
    EXPECT_EQ(cellText(usb, kColumnInterface, kWords), "USB001 (Tarnwell Driver)");
    EXPECT_EQ(cellText(usb, kColumnIpAddress, kWords), "--");
    EXPECT_EQ(cellText(usb, kColumnMacAddress, kWords), "--");

    // Status words: the table of codes, an empty word shows as "--".
    EXPECT_EQ(statusText(3, kWords), "Ready");
    EXPECT_EQ(statusText(4, kWords), "Warning");
    EXPECT_EQ(statusText(5, kWords), "Error");
    EXPECT_EQ(statusText(7, kWords), "Unknown");
    EXPECT_EQ(statusText(-1, kWords), "No Answer");
    EXPECT_EQ(statusText(0, kWords), "--");
    EXPECT_EQ(statusText(99, kWords), "--");
    auto silent = networkDevice("X", 10, 0, 0, 1, -1);
    RowWords noPowerOff = kWords;
    noPowerOff.powerOff.clear();
    EXPECT_EQ(cellText(silent, kColumnStatus, noPowerOff), "--");
}

TEST(DeviceCells, UnterminatedFieldsStayInside)
{
    core::DeviceListEntry entry{};
    std::memset(entry.identity.modelName, 'M', sizeof entry.identity.modelName);
    std::memset(entry.info.name, 'N', sizeof entry.info.name);
    EXPECT_EQ(cellText(entry, kColumnModel, kWords).size(), sizeof entry.identity.modelName);
    EXPECT_EQ(cellText(entry, kColumnDevice, kWords).size(), sizeof entry.info.name);
}

core::TonerLevel supply(const char* colour, std::optional<int32_t> percent, const char* remaining = "")
{
    return core::TonerLevel{colour, std::string(colour) + " cartridge", percent, remaining, std::nullopt};
}

// The Toner cell: an empty supply reads as empty and in red, never as a bar at 0 %.
TEST(TonerCells, EmptyLowKnownAndUnknown)
{
    struct Case {
        const char* name;
        std::vector<core::TonerLevel> toner;
        std::string text;
        std::optional<int32_t> level;
        bool alarm;
        std::string toolTip;
    };
    const Case cases[] = {
        {"yellow ink empty", {supply("black", 81), supply("yellow", 0)}, "Empty", std::nullopt, true,
         "Black: 81 %\nYellow: Empty"},
        {"15 % is no attention yet", {supply("black", 15), supply("cyan", 40)}, "15 %", 15, false,
         "Black: 15 %\nCyan: 40 %"},
        {"9 % is low by the threshold table", {supply("black", 9), supply("cyan", 40)}, "9 %", 9, true,
         "Black: 9 % (low)\nCyan: 40 %"},
        {"5 % is low", {supply("magenta", 5)}, "5 %", 5, true, "Magenta: 5 % (low)"},
        {"full", {supply("black", 100)}, "100 %", 100, false, "Black: 100 %"},
        {"unknown level", {supply("black", std::nullopt)}, "--", std::nullopt, false, "Black: Unknown"},
        {"some remaining beside a level", {supply("black", std::nullopt, "some remaining"), supply("cyan", 60)},
         "60 %", 60, false, "Black: some remaining\nCyan: 60 %"},
        {"no colour: the device's name", {core::TonerLevel{"", "Waste box", 0, "", std::nullopt}}, "Empty", std::nullopt, true,
         "Waste box: Empty"},
        {"no supplies", {}, "--", std::nullopt, false, ""},
    };
    for (const Case& c : cases) {
        const TonerCell cell = tonerCell(c.toner, kWords);
        EXPECT_EQ(cell.text, c.text) << c.name;
        EXPECT_EQ(cell.level, c.level) << c.name;
        EXPECT_EQ(cell.alarm, c.alarm) << c.name;
        EXPECT_EQ(cell.toolTip, c.toolTip) << c.name;
    }
}

TEST(TonerCells, LowestLevelSkipsSuppliesWithoutANumber)
{
    const std::vector<core::TonerLevel> toner = {supply("black", std::nullopt), supply("cyan", 30), supply("yellow", 12)};
    EXPECT_EQ(lowestLevel(toner), 12);
    EXPECT_EQ(lowestLevel(std::vector<core::TonerLevel>{supply("black", std::nullopt)}), std::nullopt);
}

TEST(MergeSort, SortsStablyWithTheRowComparison)
{
    std::vector<core::DeviceListEntry> devices{networkDevice("C", 10, 0, 0, 3), networkDevice("A", 10, 0, 0, 1),
                                               networkDevice("B", 10, 0, 0, 2), networkDevice("A", 10, 0, 0, 4)};
    std::vector<int> rows{0, 1, 2, 3};
    const auto sortBy = [&](int32_t kind, int32_t direction) {
        stableMergeSort(rows, [&](int a, int b) {
            return compareRows(devices[static_cast<size_t>(a)], devices[static_cast<size_t>(b)], kind, direction,
                               kWords) < 0;
        });
    };
    sortBy(kColumnModel, 1);
    EXPECT_EQ(rows, (std::vector<int>{1, 3, 2, 0}));
    sortBy(kColumnModel, -1);
    EXPECT_EQ(rows, (std::vector<int>{0, 2, 1, 3}));
    // All statuses equal: 1 both ways keeps the order.
    sortBy(kColumnStatus, 1);
    EXPECT_EQ(rows, (std::vector<int>{0, 2, 1, 3}));
    sortBy(kColumnIpAddress, 1);
    EXPECT_EQ(rows, (std::vector<int>{1, 2, 0, 3}));
}

TEST(MergeSort, InconsistentComparisonsEndInAPermutationDeterministically)
{
    for (size_t n : {0u, 1u, 2u, 3u, 7u, 64u, 1000u}) {
        std::vector<int> first(n), second(n);
        std::iota(first.begin(), first.end(), 0);
        std::iota(second.begin(), second.end(), 0);
        // Always true, always "before": a comparison no sort may rely on.
        std::vector<int> always = first;
        stableMergeSort(always, [](int, int) { return true; });
        std::vector<int> sorted = always;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(sorted, first);
        // Random answers: the same seed gives the same order, still a permutation.
        std::mt19937 generatorA(42), generatorB(42);
        stableMergeSort(first, [&](int, int) { return (generatorA() & 1) != 0; });
        stableMergeSort(second, [&](int, int) { return (generatorB() & 1) != 0; });
        EXPECT_EQ(first, second);
        std::sort(first.begin(), first.end());
        std::vector<int> expected(n);
        std::iota(expected.begin(), expected.end(), 0);
        EXPECT_EQ(first, expected);
    }
    // A cyclic comparison (rock, paper, scissors).
    std::vector<int> cycle{0, 1, 2, 0, 1, 2};
    stableMergeSort(cycle, [](int a, int b) { return (a + 1) % 3 == b; });
    std::vector<int> copy = cycle;
    std::sort(copy.begin(), copy.end());
    EXPECT_EQ(copy, (std::vector<int>{0, 0, 1, 1, 2, 2}));
}

// A forecast with days only (the Empty-in cell reads nothing else).
store::Forecast inDays(std::optional<double> days)
{
    store::Forecast forecast;
    if (days) forecast.days = store::Estimate{*days, *days, *days};
    else forecast.notes.push_back(store::ForecastNote::NeedsDays);
    return forecast;
}

store::Forecast nearlyEmpty()
{
    store::Forecast forecast = inDays(std::nullopt);
    forecast.notes.push_back(store::ForecastNote::NearlyEmpty);
    return forecast;
}

TEST(EmptyInCell, TheFirstSupplyToEmptyInWholeDays)
{
    struct Case {
        const char* what;
        std::vector<store::Forecast> supplies;
        std::string text;
    };
    const Case cases[] = {
        {"no supplies", {}, ""},
        {"no forecast", {inDays(std::nullopt), inDays(std::nullopt)}, ""},
        {"one forecast among none", {inDays(std::nullopt), inDays(12.7)}, "in 13 days"},
        {"the soonest wins", {inDays(40.0), inDays(3.2), inDays(17.0)}, "in 3 days"},
        {"one day", {inDays(1.4)}, "in 1 day"},
        {"nearly empty without a rate comes first", {inDays(3.2), nearlyEmpty()}, "below 5 %, no rate yet"},
        {"under a day", {inDays(0.4)}, "today"},
        {"already past", {inDays(-2.0)}, "today"},
    };
    for (const Case& c : cases) EXPECT_EQ(emptyInText(firstEmptyDays(c.supplies)), c.text) << c.what;
}

// From a stored series: 5 points a day from 100, read daily for ten days, 55 a day ago.
TEST(EmptyInCell, FromASteadilyFallingToner)
{
    constexpr int64_t kDay = 86400;
    const int64_t now = 1'800'000'000;
    std::vector<store::SupplyValue> values;
    for (int64_t day = 0; day < 10; ++day) {
        store::SupplyValue& v = values.emplace_back();
        v.time = now - (10 - day) * kDay;
        v.state = store::LevelState::Measured;
        v.level = static_cast<int32_t>(100 - 5 * day);
        v.maximum = 100;
        v.unit = store::kUnitPercent;
    }
    const store::Forecast forecast = store::forecastSupply(values, now, std::nullopt);
    const std::optional<double> days = firstEmptyDays(std::span(&forecast, 1));
    ASSERT_TRUE(days);
    EXPECT_NEAR(*days, 10.0, 1.0);
    // Two days of readings are too few: no number, an empty cell.
    values.erase(values.begin(), values.end() - 2);
    const store::Forecast young = store::forecastSupply(values, now, std::nullopt);
    EXPECT_EQ(emptyInText(firstEmptyDays(std::span(&young, 1))), "");
}

mdns::Printer announced(std::vector<mdns::Address> addresses, std::string model, std::string product = {})
{
    mdns::Printer p;
    p.name = "Office printer";
    p.note = "Hall 2";
    p.addresses = std::move(addresses);
    p.model = std::move(model);
    p.product = std::move(product);
    return p;
}

TEST(MdnsRows, OnlyNewPrintersOfTheMakerAreListed)
{
    const mdns::Address listed{"10.0.0.5", 4}, v6{"fd00::8", 6}, v4{"10.0.0.8", 4}, listedV6{"FD00:0::5", 6};
    struct Row {
        const char* what;
        mdns::Printer printer;
        const char* maker;
        const char* address;  // the entry's, or null for none
        const char* model;
    } rows[] = {
        {"an address SNMP listed already", announced({v6, listed}, "Tarnwell ML-210"), "", nullptr, nullptr},
        {"IPv6 only", announced({v6}, "Tarnwell CL-560"), "", "fd00::8", "Tarnwell CL-560"},
        {"a listed IPv6 address spelled otherwise", announced({listedV6}, "Tarnwell CL-560"), "", nullptr, nullptr},
        {"another maker with the filter", announced({v4}, "Other X1"), "tarnwell", nullptr, nullptr},
        {"the product names the model", announced({v6, v4}, "", "(Tarnwell CL-560)"), "tarnwell", "10.0.0.8",
         "Tarnwell CL-560"},
    };
    const std::vector<core::DeviceListEntry> list{networkDevice("Tarnwell ML-210", 10, 0, 0, 5),
                                                  ipv6Device("Tarnwell ML-210", "fd00::5")};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::vector<core::DeviceListEntry> entries = mdnsOnlyEntries({row.printer}, list, row.maker);
        ASSERT_EQ(entries.size(), row.address ? 1u : 0u);
        if (!row.address) continue;
        EXPECT_EQ(ipAddressText(entries[0]), row.address);
        EXPECT_EQ(cellText(entries[0], kColumnModel, kWords), row.model);
        EXPECT_EQ(cellText(entries[0], kColumnDevice, kWords), "Office printer");
        EXPECT_EQ(cellText(entries[0], kColumnLocation, kWords), "Hall 2");
        EXPECT_EQ(core::statusCode(entries[0]), core::kStatusNoAnswer);
    }
}

}  // namespace
}  // namespace netrov::ui
