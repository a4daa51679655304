// What the device window shows about one device: every described query read
// once, the alerts in words, and the sections the queries are shown in.
#pragma once

#include <atomic>
#include <chrono>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "alert_messages.h"
#include "attention.h"
#include "device_list.h"
#include "front_library.h"
#include "query_reading.h"
#include "reading.h"

namespace netrov::core {

// The window's pages and the queries each one shows, by name. A query this
// build does not describe yet shows as not reported, and fills in by itself
// once its family is described.
struct DetailSection {
    const char* title;
    std::span<const char* const> queries;
};
std::span<const DetailSection> detailSections();

struct DeviceDetails {
    DeviceListEntry entry{};
    bool answered = false;  // false: the device did not answer its information
    int32_t statusCode = 0;
    std::vector<DeviceStatus> alerts;
    std::vector<AlertMessage> messages;  // one per alert
    // One per alert: what the alert table whole adds (severity, training
    // level, location, the device's own text), when the device gives it.
    std::vector<AlertFacts> alertFacts{};
    std::map<std::string, QueryReading> readings;  // by query name
    std::chrono::system_clock::time_point readAt{};  // when the device answered (or did not)
};

// Reads the device's information and status, then every query of the
// sections, all through access; a device that does not answer is not asked
// further. stop, when set by another thread, ends the reading between two
// queries. The front library must have been started.
DeviceDetails readDeviceDetails(const DeviceAccess& access, const DeviceListEntry& entry,
                                const std::atomic<bool>& stop);
// Starts the library when it was not, then reads through its access.
DeviceDetails readDeviceDetails(FrontLibrary& library, const DeviceListEntry& entry,
                                const std::atomic<bool>& stop);

// What the list's Toner and Pages columns show of a device.
struct DeviceGauge {
    std::optional<int32_t> lowestToner;  // the lowest measured toner or ink level, 0..100
    std::optional<uint32_t> pages;       // the life page count
};
// Asks the device (through the front library's exports) for its toner levels and page count.
DeviceGauge readDeviceGauge(const DeviceListEntry& entry);

// One line of a page: the label's key (a translation replaces the label by
// it), the label, and the value as people read it.
struct DetailLine {
    std::string key;
    std::string label;
    std::string value;
};
// A record's fields for people: enumerations in words, numbers with units and
// grouping, codes that a text beside them already names left out. query
// decides what a field of a shared record means (memory and disk sizes).
std::vector<DetailLine> describeRecord(std::string_view query, const RecordSchema& schema, const void* record);
// Whether the field of the query holds a yes-or-no flag (0 or 1) that people read as "yes" or "no".
bool yesNoField(std::string_view query, std::string_view field);

// A supply or tray level as the pages draw it.
struct LevelLine {
    std::string name;
    std::optional<int32_t> percent;  // 0..100 or a level code; none when not given
    LevelState state = LevelState::Unknown;
    std::optional<uint32_t> rgb;     // 0xRRGGBB when the device names the colour
    std::string detail;              // kind and capacity, or size and media for a tray
};
// The levels of one query's records (toner, supplies, trays), in the device's order.
std::vector<LevelLine> levelLines(std::string_view query, const QueryReading& reading);
// "40 %", or the words of a level code.
std::string levelWords(const LevelLine& level);

// What the Status page opens with.
struct DeviceSummary {
    std::string model;
    std::string serial;                 // empty: not reported
    std::optional<uint64_t> pages;      // the life page count
    std::optional<LevelLine> lowest;    // the lowest measured supply
    size_t alerts = 0;
    Attention attention;
};
DeviceSummary summarize(const DeviceDetails& details);
// "Needs attention: a supply is empty, an alert" or "Nothing needs attention".
std::string attentionSentence(const Attention& attention);

// A field's name for people: "remainingPercent" gives "Remaining percent".
std::string fieldTitle(const std::string& name);

}  // namespace netrov::core
