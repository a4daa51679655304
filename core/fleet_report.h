// One line per device for fleet reports and monitoring checks: identity,
// status with its alerts, serial number, page count, every toner level and
// the other supplies, read through the front library, with the judgement of
// whether it needs attention. Written as CSV (RFC 4180, UTF-8) or JSON.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "alert_messages.h"
#include "attention.h"
#include "device_list.h"
#include "query_reading.h"
#include "reading.h"

namespace netrov::core {

// One toner or ink: the device's marker supply with a colour.
struct TonerLevel {
    std::string colour;   // "black", "cyan", "magenta", "yellow" or "other" (core/reading.h)
    std::string name;     // the device's name of the supply
    std::optional<int32_t> percent;  // 0..100; none when the device cannot tell or tells nonsense
    std::string remainingText;       // the device's special level in words
    std::optional<int32_t> levelCode;  // -1 other, -2 unknown, -3 some remaining, when there is no percentage
    SupplyKind kind = SupplyKind::Toner;  // Toner or Ink
    int32_t supplyType = 0;               // prtMarkerSuppliesType; 0 when not given
    std::optional<int32_t> maximum{};       // prtMarkerSuppliesMaxCapacity, in unit
    std::optional<int32_t> current{};       // prtMarkerSuppliesLevel, in unit (or a level code)
    std::optional<int32_t> unit{};          // prtMarkerSuppliesSupplyUnit
    std::optional<int32_t> colorantIndex{};
    std::string partNumber{};               // from the name, when it carries one
    int32_t row = 0;  // the supply's prtMarkerSuppliesIndex as the reading places it; 0: unknown
    PrinterSays printerSays = PrinterSays::Nothing;  // the printer's own low or empty
    LevelState state = LevelState::Unknown;          // from kind, level and printerSays
};

// The supplies beside toner and ink, and the paper in the trays.
struct SupplyLevel {
    SupplyKind kind = SupplyKind::Other;
    std::string name;  // the device's name of the supply or tray
    std::optional<int32_t> percent;
    std::optional<int32_t> levelCode;
    int32_t supplyType = 0;  // prtMarkerSuppliesType; 0 for a tray
    std::optional<int32_t> maximum{};
    std::optional<int32_t> current{};
    std::optional<int32_t> unit{};  // supply unit, or a tray's capacity unit
    std::string partNumber{};
    int32_t row = 0;  // prtMarkerSuppliesIndex or prtInputIndex as the reading places it; 0: unknown
    PrinterSays printerSays = PrinterSays::Nothing;
    LevelState state = LevelState::Unknown;
    std::string media{};  // the media a tray holds, as the device names it; empty for a supply
};

// One alert of the reading: the device's facts, our words, the device's own
// text beside them, and the supply or tray it points at.
struct AlertReading {
    AlertFacts facts{};
    std::string message{};  // our words (the message service's, with the subject named)
    std::string hint{};
    std::string image{};
    bool informational = false;  // asks nothing of anyone (core/reading.h)
    // The toner (report.toner) or other supply (report.supplies) it points at.
    std::optional<size_t> toner{};
    std::optional<size_t> supply{};
};

// One record of the device's status as it gave it (an alert, or the one
// record of a device without alerts), with its message: what `status` shows.
struct StatusRecord {
    DeviceStatus record{};
    AlertMessage message{};
    std::optional<size_t> alert{};  // its entry in alertReadings, when it is an alert
};

// Our words of an alert with the device's own text beside them, when it
// says something else: "Toner low (the printer says: Black toner low)".
// The text is data: each output escapes the result as it escapes any text.
std::string alertWords(const AlertFacts& alert, const std::string& ourWords);

// Fills each alert's severity, training level, location and the device's own
// text from the rows of the alert table whole (GetDevAlerts): a row matches
// the alert with its group, group index and code, each row once. Alerts
// without a row keep what they have.
void addAlertDetails(const QueryReading& rows, std::vector<AlertFacts*> alerts);

// A level as the judgement sees it: a percentage first, else the device's
// code. A toner's state by the threshold table is its state field.
LevelState levelStateOf(std::optional<int32_t> percent, std::optional<int32_t> levelCode,
                        int32_t criticalPercent = kDefaultCriticalPercent);

// Supplies that a report row, the check and netrov-cli's supply commands
// keep; a longer table is walked once and the rest only counted.
inline constexpr int32_t kMaxSupplies = 256;

// What the fleet store says of a supply's colour: the whole days until it
// empties, or why there is no number (or why the number is less sure).
struct StoredDaysLeft {
    std::string colour;
    std::optional<int64_t> days;
    std::string reason;
};

// What the fleet store knows of a device, beside what it says now. A report
// read without a store has none.
struct StoredDevice {
    std::string lastSeen;  // ISO 8601 UTC: "2026-01-05T09:00:00Z"; empty when the store does not hold the device
    std::string missing;   // why it holds nothing of the device ("not in the store", "store not read: ...")
    bool unreadable = false;  // the store could not be read at all
    std::vector<StoredDaysLeft> daysLeft;  // one per colour the store keeps, in the device's order
    // The first of colour, or none.
    const StoredDaysLeft* of(std::string_view colour) const;
};

struct DeviceReport {
    std::string address;
    std::string model;
    std::string name;
    std::string location;
    std::string macAddress;
    int32_t statusCode = 0;  // simple status: 1-3 ready, 4 warning, 5 error, 6 power save, 7 unknown
    std::string status;      // the status word
    std::vector<std::string> alerts;  // our words of each alert
    std::vector<int32_t> alertCodes;  // the code of each alert, in the same order
    std::vector<AlertReading> alertReadings{};  // each alert whole, in the same order
    std::string serialNumber;
    std::optional<uint32_t> pageCount;
    std::vector<TonerLevel> toner;
    std::vector<SupplyLevel> supplies;  // drums, fusers, waste containers, other supplies, then the trays
    // hrPrinterDetectedErrorState bits (core/attention.h), 0 when the device
    // does not report them.
    uint32_t errorBits = 0;
    bool statusRead = false;      // the device gave its status
    bool suppliesFailed = false;  // the toner could not be read (not: the device has none)
    std::vector<std::string> problems;  // queries that failed, with the reason
    bool answered = true;               // false: the device did not answer at all
    bool printer = true;                // false: it answered, but with no printer object (a switch)
    std::optional<StoredDevice> stored;  // from the fleet store, when one was asked
    bool errorBitsRead = false;          // the device reported hrPrinterDetectedErrorState
    std::string readAt{};                // ISO 8601 UTC of the reading: "2026-01-05T09:00:00Z"
    // Where the reading came from: "snmp", "ipp", or "snmp+ipp" when IPP
    // filled what SNMP lacked.
    std::string source = "snmp";
    // Where two sources disagree (a level by more than 10 points, the state),
    // one sentence each; empty with one source.
    std::vector<std::string> sourceDisagreements{};
    std::string uuid{};  // the device's UUID when a source reports one (IPP's printer-uuid)
    // The status query's records (the first kStatusRecords), how many the
    // device has in all, and the query's result code.
    std::vector<StatusRecord> statusRecords{};
    int32_t statusRecordCount = 0;
    int32_t statusResult = 0;
};

// Places the printer's own words on the supplies (the low and empty its
// error-state bits and its alerts point at), names each alert's supply,
// marks the informational alerts and sets every supply's state from the
// threshold table. readDeviceReport calls it; a reading built by hand (a
// test, a stored reading) calls it once its fields are in.
void judgeReading(DeviceReport& report, const ThresholdTable& table = activeThresholds());

// The one judgement of whether the device needs attention, from the reading
// alone: a toner or other supply (not the paper) whose state is low or
// empty, any error-state bit, and the alerts that are not informational
// (alertReadings; a report without them counts its alertCodes). Every
// surface calls this. criticalPercent is no longer used: the states come
// from the threshold table.
Attention deviceAttention(const DeviceReport& report, int32_t criticalPercent = kDefaultCriticalPercent);

// A device read (a report row, a check, netrov-cli's inventory) starts no
// query once this many of the device's time-outs have passed since it began:
// 45 s with the usual 3 s. It reports what it has; a query under way ends
// by its own time-out.
inline constexpr int32_t kDeviceReadTimeOuts = 15;
// ...and one device's read ends within this many seconds in all, the query
// under way included, whatever the time-out (up to 30 s a time-out).
inline constexpr int64_t kDeviceReadSeconds = 60;
using Deadline = std::chrono::steady_clock::time_point;
// Now plus kDeviceReadTimeOuts time-outs of timeOutSeconds (3 s when not above
// 0), but no later than kDeviceReadSeconds less one time-out.
Deadline deviceReadDeadline(int32_t timeOutSeconds);
// "not read: WHAT (the device read passed its deadline)"
std::string pastDeadlineText(const std::string& what);

// Reads everything the report holds about a device found by a search (its
// identity, information and first status already known), starting no query
// after the deadline. Safe on many threads at once.
DeviceReport readDeviceReport(const DeviceListEntry& entry);
DeviceReport readDeviceReport(const DeviceListEntry& entry, Deadline deadline);

// Asks the query once for at most capacity records: the device's table is
// walked once, whatever its length; count still says how many it has.
QueryReading readOnce(const QuerySchema& query, DeviceIdentity& device, int32_t capacity);

// Reads the page count and the toner levels into the report, failures into
// its problems: the part of a report row that the desktop program's list
// shows too.
void readSupplyLevels(DeviceIdentity& device, DeviceReport& report, Deadline deadline = Deadline::max());
// Reads the other supplies and the trays into the report's supplies.
void readOtherSupplies(DeviceIdentity& device, DeviceReport& report, Deadline deadline = Deadline::max());

// The column name of a toner: the primary colour its colour triple shows,
// else the device's name of it made into a lower-case word.
std::string tonerColumn(const int32_t colour[3], bool colourValid, const std::string& name, size_t position);

// Makes a cell's text fit for where the CSV goes (a terminal strips controls).
using CellText = std::function<std::string(const std::string&)>;

// The version of the report's columns and keys, written into every JSON
// device object; it grows only when a column or key changes meaning.
inline constexpr int kReportSchemaVersion = 1;

// CSV with a header that is the same for every fleet: a level and a state
// column per process colour, other colourants in one text column, then when
// the store last saw the device and each process colour's days left. CR LF line
// ends; texts that are not UTF-8 have their bad bytes replaced. Every cell
// goes through cellText first, when one is given.
std::string reportCsv(const std::vector<DeviceReport>& devices, const CellText& cellText = {});
// An array of device objects, each with "schemaVersion".
nlohmann::json reportJson(const std::vector<DeviceReport>& devices);
// Put before CSV that a spreadsheet opens, so it reads the text as UTF-8.
inline constexpr const char* kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// One CSV field as RFC 4180 writes it; a field that a spreadsheet would
// evaluate (beginning with =, +, -, @, tab or carriage return) gets a
// leading apostrophe and is quoted.
std::string csvField(const std::string& text);
// Replaces every byte that does not belong to valid UTF-8 with U+FFFD.
std::string validUtf8(const std::string& text);

}  // namespace netrov::core
