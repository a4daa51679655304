// The device list's column kinds, cell texts and the row comparison of the sort, free of any widget.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "attention.h"
#include "device_details.h"
#include "device_list.h"
#include "fleet_report.h"
#include "forecast.h"

namespace netrov::ui {

// Column kinds in their fixed order; the number is the kind.
enum ColumnKind : int32_t {
    kColumnModel = 0,
    kColumnDevice = 1,
    kColumnLocation = 2,
    kColumnInterface = 3,
    kColumnIpAddress = 4,
    kColumnMacAddress = 5,
    kColumnStatus = 6,
    // Filled in the background after a search: the lowest toner level, the page count.
    kColumnToner = 7,
    kColumnPages = 8,
    // From the fleet store after a search: days until the first supply empties.
    kColumnEmptyIn = 9,
};
inline constexpr int32_t kColumnKinds = 10;

// The words the cells and the comparison use, from the string table.
struct RowWords {
    std::string network;
    std::string ready;
    std::string warning;
    std::string error;
    std::string powerSave;
    std::string unknown;
    std::string powerOff;
    // The Toner column's words for a supply that needs attention.
    std::string empty = "Empty";
    std::string low = "low";
};

using core::fieldText;

// "Network" for network devices, "port (driver)" for local ones, else "".
std::string interfaceText(const core::DeviceListEntry& entry, const RowWords& words);
// The address of a network device as shown ("192.0.2.7", "2001:db8::17"), else "--".
std::string ipAddressText(const core::DeviceListEntry& entry);
// Colon-separated MAC of a network device with a valid MAC, else "".
std::string macAddressText(const core::DeviceListEntry& entry);
// The status word of a status code as the status column shows it ("--" outside the table).
std::string statusText(int32_t code, const RowWords& words);
// Whether another source than SNMP gave (part of) an answered reading.
bool readBeyondSnmp(const core::DeviceReport& reading);
// Where a reading came from, for people: "SNMP", "IPP", "SNMP and IPP"; another word as it is.
std::string sourceText(const std::string& source);
// A cell's text; an empty text shows as "--".
std::string cellText(const core::DeviceListEntry& entry, int32_t kind, const RowWords& words);

// The sort's row comparison: below 0 puts a before b. direction is 1
// (ascending) or -1. Equal keys give 1 whatever the direction, so it is no
// ordering: sort with stableMergeSort only.
int compareRows(const core::DeviceListEntry& a, const core::DeviceListEntry& b, int32_t kind, int32_t direction,
                const RowWords& words);

// What the Toner and Pages columns know of a device: every supply and the page count.
struct ListGauge {
    std::vector<core::TonerLevel> toner;
    std::optional<uint32_t> pages;
    // The whole reading the two come from (status, alerts, error bits, the
    // other supplies and trays); empty for a device that was not read.
    core::DeviceReport reading{};
};

// A reading's toner and ink, then its other supplies and trays, as the level
// rows of the device window: named by colour, else by the device's name,
// drawn in their process colour, a tray with the media it holds.
std::vector<core::LevelLine> readingLevels(const core::DeviceReport& reading);

// The lowest measured level of the supplies; none when no supply has a number.
std::optional<int32_t> lowestLevel(std::span<const core::TonerLevel> toner);

// The Toner cell: the lowest level, or the empty word when a supply is empty
// (0 % is no level to draw as a bar), red when a supply's state by the
// threshold table (or the printer's own word) is low or empty, and a tooltip
// naming each supply by its colour.
struct TonerCell {
    std::string text;              // "40 %", the empty word, or "--"
    std::optional<int32_t> level;  // the bar's level; none draws no bar
    bool alarm = false;            // shown in red
    std::string toolTip;           // one line per supply: "Yellow: Empty", "Black: 81 %"
};
TonerCell tonerCell(std::span<const core::TonerLevel> toner, const RowWords& words);

// The days until the first of a device's supplies empties; none when no forecast has days.
std::optional<double> firstEmptyDays(std::span<const store::Forecast> forecasts);

// The Empty-in cell of a device whose first supply empties in days (none:
// unknown, an empty cell): "in 1 day", "in 12 days", "today" below one day.
std::string emptyInText(std::optional<double> days);

}  // namespace netrov::ui
