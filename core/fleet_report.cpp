// Reading and writing fleet reports.
#include "fleet_report.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <iterator>
#include <string_view>
#include <type_traits>

#include <netrov/consumable_records.h>
#include <netrov/device_records.h>
#include <netrov/engine_records.h>
#include <netrov/printer_mib.h>
#include <netrov/result_codes.h>

#include "alert_messages.h"
#include "device_list.h"
#include "query_reading.h"
#include "record_schema.h"
#include "result_text.h"
#include "search_run.h"
#include "search_settings.h"
#include "snmp/read_deadline.h"
#include "words.h"
#include "net_address.h"

namespace netrov::core {

namespace {

// The message service's words for the alert, else its numbers.
std::string alertText(const DeviceStatus& alert, const AlertMessage* message)
{
    if (message && !message->message.empty()) return message->message;
    return "alert " + std::to_string(alert.alertCode) + " (group " + std::to_string(alert.alertGroup) + ", index " +
           std::to_string(alert.alertIndex) + ")";
}

std::optional<int32_t> flagged(uint8_t valid, int32_t value)
{
    return valid ? std::optional(value) : std::nullopt;
}

// Runs a query by name; none when this build has no such query.
std::optional<QueryReading> run(const char* name, DeviceIdentity& device)
{
    const QuerySchema* query = findQuery(name);
    if (!query) return std::nullopt;
    return readQuery(*query, device);
}

// The alert table's rows whole give each status alert its severity,
// training level, location and the device's own text. A device or package
// without the query keeps the alerts as the status gave them.
void readAlertDetails(DeviceIdentity& device, std::vector<AlertReading>& alerts)
{
    const std::optional<QueryReading> rows = run("GetDevAlerts", device);
    if (!rows || rows->result != NETROV_OK) return;
    std::vector<AlertFacts*> facts;
    for (AlertReading& a : alerts) facts.push_back(&a.facts);
    addAlertDetails(*rows, facts);
}

// A level is a percentage only when the device gives a real maximum and the
// level lies within it; anything else (no maximum, above it, a wrapped
// product) is not reported rather than a number that could alarm.
// Toner, supply and tray records name these fields alike.
template <class Entry>
std::optional<int32_t> levelPercent(const Entry& entry)
{
    if (!entry.remainingPercentValid || !entry.maxCapacityValid || entry.maxCapacity <= 0) return std::nullopt;
    if (entry.remainingPercent < 0 || entry.remainingPercent > 100) return std::nullopt;
    if (entry.currentLevelValid && entry.currentLevel > entry.maxCapacity) return std::nullopt;
    return entry.remainingPercent;
}

// The device's own level code (other, unknown, some remaining) where it
// gives one instead of a level.
template <class Entry>
std::optional<int32_t> levelCode(const Entry& entry)
{
    if (!entry.remainingPercentValid) return std::nullopt;
    if (entry.remainingPercent >= kLevelSomeRemaining && entry.remainingPercent <= kLevelOther)
        return entry.remainingPercent;
    return std::nullopt;
}

// Gives each toner and other supply its own prtMarkerSuppliesIndex, so an
// alert that names a row finds its supply whatever order the printer keeps
// its table in. The two queries each walk the table in order and keep the
// rows of their types, so each of their rows is the next table row of its
// type; a row that finds none keeps the place it had.
void placeSupplyRows(DeviceIdentity& device, DeviceReport& report)
{
    const std::optional<QueryReading> rows = run("GetDevSupplyIndex", device);
    if (!rows || rows->result != NETROV_OK || rows->stored() == 0) return;
    std::vector<const SupplyIndexEntry*> table;
    for (int32_t i = 0; i < rows->stored(); ++i) table.push_back(static_cast<const SupplyIndexEntry*>(rows->record(i)));
    std::vector<bool> used(table.size(), false);
    const auto place = [&](auto& supplies) {
        size_t next = 0;
        for (auto& s : supplies) {
            if constexpr (std::is_same_v<std::decay_t<decltype(s)>, SupplyLevel>) {
                if (s.kind == SupplyKind::Paper) continue;
            }
            for (size_t k = next; k < table.size(); ++k) {
                const SupplyIndexEntry& row = *table[k];
                if (used[k] || !row.typeValid || row.supplyType != s.supplyType || s.supplyType == 0) continue;
                used[k] = true;
                s.row = row.rowIndex;
                next = k + 1;
                break;
            }
        }
    };
    place(report.toner);
    place(report.supplies);
}

// The kind of a row of the other supplies: a toner or ink that the toner
// query left there is a supply without thresholds of its own kind here.
SupplyKind otherKindOf(int32_t supplyType)
{
    const SupplyKind kind = supplyKindOf(supplyType);
    return kind == SupplyKind::Toner || kind == SupplyKind::Ink ? SupplyKind::Other : kind;
}

// "2026-01-05T09:00:00Z"
std::string utcNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
#ifdef _WIN32
    gmtime_s(&parts, &now);
#else
    gmtime_r(&now, &parts);
#endif
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return text;
}

std::string joined(const std::vector<std::string>& items)
{
    std::string out;
    for (const std::string& item : items) out += (out.empty() ? "" : "; ") + item;
    return out;
}

}  // namespace

void addAlertDetails(const QueryReading& rows, std::vector<AlertFacts*> alerts)
{
    std::vector<bool> used(static_cast<size_t>(rows.stored()), false);
    for (AlertFacts* facts : alerts) {
        for (int32_t i = 0; i < rows.stored(); ++i) {
            const auto* row = static_cast<const AlertEntry*>(rows.record(i));
            const int32_t index = row->groupIndexValid ? row->groupIndex : 0;
            if (used[static_cast<size_t>(i)] || !row->codeValid || row->code != facts->code || !row->groupValid ||
                row->group != facts->group || index != facts->index)
                continue;
            used[static_cast<size_t>(i)] = true;
            facts->severity = flagged(row->severityValid, row->severity);
            facts->trainingLevel = flagged(row->trainingLevelValid, row->trainingLevel);
            facts->location = flagged(row->locationValid, row->location);
            if (row->descriptionValid) facts->description = fieldText(row->description, sizeof row->description);
            break;
        }
    }
}

std::string alertWords(const AlertFacts& alert, const std::string& ourWords)
{
    const auto same = [](std::string_view a, std::string_view b) {
        const auto trim = [](std::string_view t) {
            const size_t first = t.find_first_not_of(" \t\r\n");
            if (first == std::string_view::npos) return std::string_view();
            return t.substr(first, t.find_last_not_of(" \t\r\n") - first + 1);
        };
        a = trim(a);
        b = trim(b);
        return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
                   return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
               });
    };
    const std::string& text = alert.description;
    if (text.find_first_not_of(" \t\r\n") == std::string::npos || same(text, ourWords)) return ourWords;
    return ourWords + " (the printer says: " + text + ")";
}

LevelState levelStateOf(std::optional<int32_t> percent, std::optional<int32_t> levelCode, int32_t criticalPercent)
{
    return levelState(percent ? percent : levelCode, criticalPercent);
}

Attention deviceAttention(const DeviceReport& read, int32_t)
{
    // Judged afresh, so a reading built by hand or kept from earlier agrees with the table now.
    DeviceReport report = read;
    judgeReading(report);
    std::vector<LevelState> states;
    for (const TonerLevel& t : report.toner) states.push_back(t.state);
    for (const SupplyLevel& s : report.supplies) {
        // An empty tray is the paper, not a supply; the device raises an alert for it when it matters.
        if (s.kind != SupplyKind::Paper) states.push_back(s.state);
    }
    size_t alerts = 0;
    if (!report.alertReadings.empty()) {
        for (const AlertReading& a : report.alertReadings) alerts += a.informational ? 0 : 1;
    } else {
        for (size_t i = 0; i < report.alerts.size(); ++i) {
            alerts += alertNeedsAttention(i < report.alertCodes.size() ? std::optional(report.alertCodes[i])
                                                                      : std::nullopt);
        }
    }
    return judgeAttention(states, report.errorBits, alerts);
}

void judgeReading(DeviceReport& report, const ThresholdTable& table)
{
    for (TonerLevel& t : report.toner) t.printerSays = PrinterSays::Nothing;
    for (SupplyLevel& s : report.supplies) s.printerSays = PrinterSays::Nothing;
    const auto raise = [](PrinterSays& said, PrinterSays now) {
        if (static_cast<int>(now) > static_cast<int>(said)) said = now;
    };
    // The toner bits name no supply: they are a supply's own only on a printer with one.
    if (report.toner.size() == 1) {
        if (report.errorBits & NETROV_ERROR_LOW_TONER) raise(report.toner[0].printerSays, PrinterSays::Low);
        if (report.errorBits & NETROV_ERROR_NO_TONER) raise(report.toner[0].printerSays, PrinterSays::Empty);
    }
    for (AlertReading& a : report.alertReadings) {
        a.informational = alertInformational(a.facts);
        a.toner.reset();
        a.supply.reset();
        if (alertPointsAtSupply(a.facts)) {
            for (size_t i = 0; i < report.toner.size(); ++i) {
                if (report.toner[i].row == a.facts.index) a.toner = i;
            }
            for (size_t i = 0; !a.toner && i < report.supplies.size(); ++i) {
                if (report.supplies[i].kind != SupplyKind::Paper && report.supplies[i].row == a.facts.index) a.supply = i;
            }
        } else if (alertPointsAtColorant(a.facts)) {
            size_t matches = 0;
            for (size_t i = 0; i < report.toner.size(); ++i) {
                if (report.toner[i].colorantIndex == a.facts.index && matches++ == 0) a.toner = i;
            }
            if (matches != 1) a.toner.reset();
        }
        if (a.informational) continue;
        const PrinterSays says = alertSaysOfSupply(a.facts.code);
        if (a.toner) raise(report.toner[*a.toner].printerSays, says);
        if (a.supply) raise(report.supplies[*a.supply].printerSays, says);
    }
    for (TonerLevel& t : report.toner) t.state = supplyState(t.kind, t.percent, t.levelCode, t.printerSays, table);
    for (SupplyLevel& s : report.supplies) s.state = supplyState(s.kind, s.percent, s.levelCode, s.printerSays, table);
}

std::string tonerColumn(const int32_t colour[3], bool colourValid, const std::string& name, size_t)
{
    return supplyColour(colour, colourValid, name);
}

QueryReading readOnce(const QuerySchema& query, DeviceIdentity& device, int32_t capacity)
{
    QueryReading reading;
    reading.recordSize = query.record->size;
    reading.records.assign(static_cast<size_t>(capacity) * reading.recordSize, 0);
    reading.result = query.function(&device, 0, 0, reading.records.data(), capacity, &reading.count);
    const int32_t stored = reading.result == NETROV_OK ? std::clamp(reading.count, 0, capacity) : 0;
    reading.records.resize(static_cast<size_t>(stored) * reading.recordSize);
    return reading;
}

Deadline deviceReadDeadline(int32_t timeOutSeconds)
{
    const int64_t timeOut = timeOutSeconds > 0 ? timeOutSeconds : 3;
    // The query under way may run one time-out past the deadline, so the whole
    // read stays within kDeviceReadSeconds; a time-out longer than half of it
    // still gets one query.
    const int64_t seconds = std::clamp(kDeviceReadSeconds - timeOut, timeOut, timeOut * kDeviceReadTimeOuts);
    return std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
}

std::string pastDeadlineText(const std::string& what)
{
    return "not read: " + what + " (the device read passed its deadline)";
}

void readSupplyLevels(DeviceIdentity& device, DeviceReport& report, Deadline deadline)
{
    if (std::chrono::steady_clock::now() >= deadline) {
        report.problems.push_back(pastDeadlineText("page count, toner"));
        report.suppliesFailed = true;
        return;
    }
    if (auto marker = run("GetDevMarker", device)) {
        if (marker->result == NETROV_OK && marker->stored() > 0) {
            const auto* m = static_cast<const MarkerInfo*>(marker->record(0));
            if (m->lifeCountValid) report.pageCount = m->lifeCount;
        } else if (marker->result != NETROV_NOT_DEFINED) {
            report.problems.push_back(std::string("page count: ") + resultWords(marker->result));
        }
    }
    if (std::chrono::steady_clock::now() >= deadline) {
        report.problems.push_back(pastDeadlineText("toner"));
        report.suppliesFailed = true;
        return;
    }
    const QuerySchema* tonerQuery = findQuery("GetDevToner");
    if (auto toner = tonerQuery ? std::optional(readOnce(*tonerQuery, device, kMaxSupplies)) : std::nullopt) {
        if (toner->result == NETROV_OK) {
            for (int32_t i = 0; i < toner->stored(); ++i) {
                const auto* t = static_cast<const TonerEntry*>(toner->record(i));
                TonerLevel level;
                level.name = fieldText(t->name, sizeof t->name);
                level.colour = supplyColour(t->color, t->colorValid != 0, level.name);
                level.percent = levelPercent(*t);
                level.levelCode = levelCode(*t);
                level.remainingText = fieldText(t->remainingText, sizeof t->remainingText);
                if (t->typeValid) {
                    level.supplyType = t->supplyType;
                    if (supplyKindOf(t->supplyType) == SupplyKind::Ink) level.kind = SupplyKind::Ink;
                }
                level.maximum = flagged(t->maxCapacityValid, t->maxCapacity);
                level.current = flagged(t->currentLevelValid, t->currentLevel);
                level.unit = flagged(t->unitValid, t->unit);
                level.colorantIndex = flagged(t->colorantIndexValid, t->colorantIndex);
                level.partNumber = partNumberOf(level.name);
                level.row = i + 1;
                report.toner.push_back(std::move(level));
            }
        } else if (toner->result != NETROV_NOT_DEFINED) {
            report.problems.push_back(std::string("toner: ") + resultWords(toner->result));
            report.suppliesFailed = true;
        }
    }
    judgeReading(report);
}

void readOtherSupplies(DeviceIdentity& device, DeviceReport& report, Deadline deadline)
{
    const auto failed = [&](const char* what, int32_t result) {
        if (result != NETROV_OK && result != NETROV_NOT_DEFINED)
            report.problems.push_back(std::string(what) + ": " + resultWords(result));
    };
    const QuerySchema* suppliesQuery = findQuery("GetDevSupplies");
    const QuerySchema* traysQuery = findQuery("GetDevTray");
    if (suppliesQuery && std::chrono::steady_clock::now() < deadline) {
        const QueryReading supplies = readOnce(*suppliesQuery, device, kMaxSupplies);
        failed("supplies", supplies.result);
        for (int32_t i = 0; supplies.result == NETROV_OK && i < supplies.stored(); ++i) {
            const auto* e = static_cast<const SupplyEntry*>(supplies.record(i));
            SupplyLevel supply{e->typeValid ? otherKindOf(e->supplyType) : SupplyKind::Other,
                               e->nameValid ? fieldText(e->name, sizeof e->name) : std::string(),
                               levelPercent(*e), levelCode(*e)};
            supply.supplyType = e->typeValid ? e->supplyType : 0;
            supply.maximum = flagged(e->maxCapacityValid, e->maxCapacity);
            supply.current = flagged(e->currentLevelValid, e->currentLevel);
            supply.unit = flagged(e->unitValid, e->unit);
            supply.partNumber = partNumberOf(supply.name);
            // The toner query walks the supplies table's toner and ink rows,
            // this one the rest; until placeSupplyRows gives the table's own
            // index, the rows follow on from the toner's.
            supply.row = static_cast<int32_t>(report.toner.size()) + i + 1;
            report.supplies.push_back(std::move(supply));
        }
    }
    if (traysQuery && std::chrono::steady_clock::now() < deadline) {
        const QueryReading trays = readOnce(*traysQuery, device, kMaxSupplies);
        failed("trays", trays.result);
        for (int32_t i = 0; trays.result == NETROV_OK && i < trays.stored(); ++i) {
            const auto* e = static_cast<const TrayEntry*>(trays.record(i));
            SupplyLevel tray{SupplyKind::Paper,
                             e->trayNameValid ? fieldText(e->trayName, sizeof e->trayName) : std::string(),
                             levelPercent(*e), levelCode(*e)};
            tray.maximum = flagged(e->maxCapacityValid, e->maxCapacity);
            tray.current = flagged(e->currentLevelValid, e->currentLevel);
            tray.unit = flagged(e->capacityUnitValid, e->capacityUnit);
            tray.row = i + 1;
            if (e->mediaNameValid) tray.media = fieldText(e->mediaName, sizeof e->mediaName);
            report.supplies.push_back(std::move(tray));
        }
    }
    judgeReading(report);
}

DeviceReport readDeviceReport(const DeviceListEntry& entry)
{
    return readDeviceReport(entry, deviceReadDeadline(entry.identity.timeout));
}

DeviceReport readDeviceReport(const DeviceListEntry& entry, Deadline deadline)
{
    // The query under way, table walk included, ends a time-out after the deadline at the latest.
    const snmp::ReadDeadlineScope budget(
        deadline, std::chrono::seconds(entry.identity.timeout > 0 ? entry.identity.timeout : 3));
    const auto late = [&] { return std::chrono::steady_clock::now() >= deadline; };
    DeviceReport report;
    report.readAt = utcNow();
    DeviceIdentity device = entry.identity;
    report.address = deviceAddressText(device);
    report.model = fieldText(device.modelName, sizeof device.modelName);
    if (entry.info.nameValid) report.name = fieldText(entry.info.name, sizeof entry.info.name);
    if (entry.info.locationValid) report.location = fieldText(entry.info.location, sizeof entry.info.location);
    if (entry.info.macAddressValid) report.macAddress = hardwareAddressText(entry.info.macAddress);
    report.statusCode = statusCode(entry);

    if (late()) {
        report.status = statusWordText(report.statusCode);
        report.problems.push_back(pastDeadlineText("status, serial number, page count, toner"));
        report.suppliesFailed = true;
        return report;
    }
    if (auto status = run("GetDevStatus", device)) {
        if (status->result == NETROV_NO_REPLY) {
            report.answered = false;
            report.statusCode = kStatusNoAnswer;
            report.status = statusWordText(report.statusCode);
            report.problems.push_back(std::string("status: ") + resultWords(status->result));
            return report;
        }
        const std::vector<DeviceStatus> records = statusRecords(*status);
        report.statusResult = status->result;
        report.statusRecordCount = status->count;
        if (!records.empty() && records[0].simpleStatusValid) {
            report.statusCode = records[0].simpleStatus;
            report.statusRead = status->result == NETROV_OK;
        }
        const std::vector<AlertMessage> messages = alertMessages(FrontLibrary::tuva().access(), device, records);
        for (size_t i = 0; i < records.size(); ++i) {
            StatusRecord kept{records[i], i < messages.size() ? messages[i] : AlertMessage{}, std::nullopt};
            const DeviceStatus& r = records[i];
            if (r.alertGroupValid && r.alertCodeValid) {
                report.alerts.push_back(alertText(r, i < messages.size() ? &messages[i] : nullptr));
                report.alertCodes.push_back(r.alertCode);
                AlertReading reading;
                reading.facts.code = r.alertCode;
                reading.facts.group = r.alertGroup;
                reading.facts.index = r.alertIndexValid ? r.alertIndex : 0;
                if (i < messages.size()) {
                    reading.message = report.alerts.back();
                    reading.hint = messages[i].hint;
                    reading.image = messages[i].image;
                }
                kept.alert = report.alertReadings.size();
                report.alertReadings.push_back(std::move(reading));
            }
            // As many as the device list holds; the rest are counted.
            if (i < static_cast<size_t>(kStatusRecords)) report.statusRecords.push_back(std::move(kept));
        }
        if (status->result != NETROV_OK) report.problems.push_back(std::string("status: ") + resultWords(status->result));
        if (!report.alertReadings.empty() && !late()) readAlertDetails(device, report.alertReadings);
    }
    report.status = statusWordText(report.statusCode);
    // Devices without the printer table's error state only lack its bits.
    if (auto errorState = run("GetDevErrorState", device);
        errorState && errorState->result == NETROV_OK && errorState->stored() > 0) {
        const auto* info = static_cast<const ErrorStateInfo*>(errorState->record(0));
        if (info->errorStateValid) report.errorBits = info->errorState;
        report.errorBitsRead = info->errorStateValid != 0;
    }

    if (late()) {
        report.problems.push_back(pastDeadlineText("serial number, page count, toner"));
        report.suppliesFailed = true;
        return report;
    }
    if (auto serial = run("GetDevSerial", device)) {
        if (serial->result == NETROV_OK && serial->stored() > 0) {
            const auto* text = static_cast<const TextEntry*>(serial->record(0));
            if (text->textValid) report.serialNumber = fieldText(text->text, sizeof text->text);
        } else if (serial->result != NETROV_NOT_DEFINED && serial->result != NETROV_OK) {
            report.problems.push_back(std::string("serial number: ") + resultWords(serial->result));
        }
    }
    readSupplyLevels(device, report, deadline);
    readOtherSupplies(device, report, deadline);
    if (!late()) {
        // A table as long as the reading keeps (a hostile or broken device)
        // is not walked a third time for its row numbers: its rows keep
        // their places.
        if (report.toner.size() + report.supplies.size() < static_cast<size_t>(kMaxSupplies))
            placeSupplyRows(device, report);
        judgeReading(report);
    }
    // A device that answers with no printer status, no page count and no
    // supply at all holds no printer object: a switch, a router, a computer.
    report.printer = report.statusRead || report.pageCount || !report.toner.empty() || !report.supplies.empty() ||
                     !report.alerts.empty() || report.suppliesFailed;
    return report;
}

std::string validUtf8(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        size_t length = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        bool good = length > 0 && i + length <= text.size();
        for (size_t k = 1; good && k < length; ++k) good = (static_cast<unsigned char>(text[i + k]) >> 6) == 0x2;
        if (good && length > 1) {
            // No over-long forms, surrogates or values past U+10FFFF.
            uint32_t cp = c & (0xFF >> (length + 1));
            for (size_t k = 1; k < length; ++k) cp = cp << 6 | (static_cast<unsigned char>(text[i + k]) & 0x3F);
            static const uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
            good = cp >= least[length] && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF);
        }
        if (good) {
            out.append(text, i, length);
            i += length;
        } else {
            out += "\xEF\xBF\xBD";
            ++i;
        }
    }
    return out;
}

std::string csvField(const std::string& text)
{
    const std::string clean = validUtf8(text);
    // A spreadsheet evaluates a cell that begins with one of these as a
    // formula; a leading apostrophe keeps it text. The report's numbers are
    // never negative, so no number loses its sign this way.
    const bool formula = !clean.empty() && std::string_view("=+-@\t\r").find(clean.front()) != std::string_view::npos;
    if (!formula && clean.find_first_of(",\"\r\n") == std::string::npos) return clean;
    std::string out = formula ? "\"'" : "\"";
    for (const char c : clean) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

namespace {

// The toner of a process colour (its first supply of that colour), or none.
const TonerLevel* tonerOf(const DeviceReport& d, std::string_view colour)
{
    for (const TonerLevel& t : d.toner) {
        if (t.colour == colour) return &t;
    }
    return nullptr;
}

bool processColour(const std::string& colour)
{
    return std::find(std::begin(kProcessColours), std::end(kProcessColours), colour) != std::end(kProcessColours);
}

std::string stateKey(const TonerLevel* t)
{
    return t ? levelStateName(t->state) : kLevelNotReported;
}

nlohmann::json levelJson(std::optional<int32_t> percent)
{
    return percent ? nlohmann::json(*percent) : nlohmann::json();
}

// "Photo Black Ink 72; Black Cartridge some_remaining": the toner and ink
// without a column of their own (a colour beside the four, a second
// cartridge of one), by the device's name.
std::string otherToner(const DeviceReport& d)
{
    std::vector<std::string> items;
    for (const TonerLevel& t : d.toner) {
        if (processColour(t.colour) && tonerOf(d, t.colour) == &t) continue;
        items.push_back((t.name.empty() ? t.colour : t.name) + " " +
                        (t.percent ? std::to_string(*t.percent) : stateKey(&t)));
    }
    return joined(items);
}

nlohmann::json optionalJson(const std::optional<int32_t>& value)
{
    return value ? nlohmann::json(*value) : nlohmann::json();
}

// One marker supply, toner or other, as the JSON lists it.
template <class Supply>
nlohmann::json supplyJson(const Supply& s)
{
    return {{"kind", supplyKindKey(s.kind)},
            {"name", validUtf8(s.name)},
            {"level", levelJson(s.percent)},
            {"levelState", levelStateName(s.state)},
            {"maximum", optionalJson(s.maximum)},
            {"current", optionalJson(s.current)},
            {"unit", optionalJson(s.unit)},
            {"partNumber", validUtf8(s.partNumber)},
            {"printerLow", s.printerSays != PrinterSays::Nothing}};
}

// An alert whole: the device's facts, our words and its own text beside
// them, and the supply it points at.
nlohmann::json alertJson(const DeviceReport& d, const AlertReading& a)
{
    nlohmann::json subject;
    if (a.toner) subject = {{"kind", supplyKindKey(d.toner[*a.toner].kind)}, {"colour", d.toner[*a.toner].colour},
                            {"name", validUtf8(d.toner[*a.toner].name)}};
    if (a.supply) subject = {{"kind", supplyKindKey(d.supplies[*a.supply].kind)},
                             {"name", validUtf8(d.supplies[*a.supply].name)}};
    return {{"code", a.facts.code},
            {"codeText", enumWord(Enumeration::AlertCode, a.facts.code)},
            {"group", a.facts.group},
            {"groupText", enumWord(Enumeration::AlertGroup, a.facts.group)},
            {"index", a.facts.index},
            {"severity", optionalJson(a.facts.severity)},
            {"trainingLevel", optionalJson(a.facts.trainingLevel)},
            {"location", optionalJson(a.facts.location)},
            {"deviceText", validUtf8(a.facts.description)},
            {"message", validUtf8(a.message)},
            {"hint", validUtf8(a.hint)},
            {"informational", a.informational},
            {"supply", subject}};
}

// The error-state bits as the device gave them: the number and its words.
nlohmann::json errorStateJson(const DeviceReport& d)
{
    if (!d.errorBitsRead) return nullptr;
    return {{"bits", d.errorBits}, {"words", errorStateWords(d.errorBits)}};
}

}  // namespace

const StoredDaysLeft* StoredDevice::of(std::string_view colour) const
{
    for (const StoredDaysLeft& d : daysLeft) {
        if (d.colour == colour) return &d;
    }
    return nullptr;
}

std::string reportCsv(const std::vector<DeviceReport>& devices, const CellText& cellText)
{
    std::vector<std::string> header = {"address", "model", "name", "location", "mac", "status", "attention",
                                       "attention_reasons", "alerts", "serial", "pages"};
    for (const char* c : kProcessColours) {
        header.push_back(std::string("toner_") + c);
        header.push_back(std::string(c) + "_state");
    }
    header.push_back("toner_other");
    header.push_back("problems");
    // The store's columns come last, so every column before keeps its place.
    header.push_back("last_seen");
    for (const char* c : kProcessColours) header.push_back(std::string("days_left_") + c);
    std::string out;
    auto line = [&](const std::vector<std::string>& fields) {
        for (size_t i = 0; i < fields.size(); ++i) out += (i ? "," : "") + csvField(cellText ? cellText(fields[i]) : fields[i]);
        out += "\r\n";
    };
    line(header);
    for (const DeviceReport& read : devices) {
        DeviceReport d = read;
        judgeReading(d);
        const Attention attention = deviceAttention(d);
        std::vector<std::string> fields = {d.address, d.model, d.name, d.location, d.macAddress, d.status,
                                           attention.needed() ? "yes" : "no", joined(attentionKeys(attention)),
                                           joined(d.alerts), d.serialNumber,
                                           d.pageCount ? std::to_string(*d.pageCount) : std::string()};
        for (const char* c : kProcessColours) {
            const TonerLevel* t = tonerOf(d, c);
            // Only numbers in the level column; what the level is instead goes in the state column.
            fields.push_back(t && t->percent ? std::to_string(*t->percent) : std::string());
            fields.push_back(stateKey(t));
        }
        fields.push_back(otherToner(d));
        fields.push_back(joined(d.problems));
        fields.push_back(d.stored ? d.stored->lastSeen : std::string());
        for (const char* c : kProcessColours) {
            const StoredDaysLeft* days = d.stored ? d.stored->of(c) : nullptr;
            fields.push_back(days && days->days ? std::to_string(*days->days) : std::string());
        }
        line(fields);
    }
    return out;
}

nlohmann::json reportJson(const std::vector<DeviceReport>& devices)
{
    nlohmann::json all = nlohmann::json::array();
    for (const DeviceReport& read : devices) {
        DeviceReport d = read;
        judgeReading(d);
        nlohmann::json toner = nlohmann::json::object();
        for (const char* c : kProcessColours) {
            toner[c] = {{"name", ""}, {"level", nullptr}, {"levelState", kLevelNotReported},
                        {"percent", nullptr}, {"remainingText", ""}, {"partNumber", ""}};
        }
        // Only the process colours are keys; every toner and ink is in "toners".
        nlohmann::json toners = nlohmann::json::array();
        for (const TonerLevel& t : d.toner) {
            nlohmann::json entry = supplyJson(t);
            entry["colour"] = t.colour;
            entry["remainingText"] = validUtf8(t.remainingText);
            toners.push_back(entry);
            if (!processColour(t.colour) || tonerOf(d, t.colour) != &t) continue;
            toner[t.colour] = {{"name", validUtf8(t.name)},
                               {"level", levelJson(t.percent)},
                               {"levelState", stateKey(&t)},
                               {"percent", levelJson(t.percent)},
                               {"remainingText", validUtf8(t.remainingText)},
                               {"partNumber", validUtf8(t.partNumber)}};
        }
        // Every colour object has the store's keys, whatever the store holds.
        for (auto& [colour, entry] : toner.items()) {
            const StoredDaysLeft* days = d.stored ? d.stored->of(colour) : nullptr;
            entry["daysLeft"] = days && days->days ? nlohmann::json(*days->days) : nlohmann::json();
            std::string reason = "no store read";
            if (days) reason = days->reason;
            else if (d.stored) reason = d.stored->missing.empty() ? "no stored readings of this colour" : d.stored->missing;
            entry["daysLeftReason"] = validUtf8(reason);
        }
        nlohmann::json supplies = nlohmann::json::array();
        for (const SupplyLevel& s : d.supplies) {
            nlohmann::json entry = supplyJson(s);
            if (s.kind == SupplyKind::Paper) entry["media"] = validUtf8(s.media);
            supplies.push_back(entry);
        }
        nlohmann::json alerts = nlohmann::json::array();
        for (const std::string& a : d.alerts) alerts.push_back(validUtf8(a));
        nlohmann::json alertDetails = nlohmann::json::array();
        for (const AlertReading& a : d.alertReadings) alertDetails.push_back(alertJson(d, a));
        nlohmann::json problems = nlohmann::json::array();
        for (const std::string& p : d.problems) problems.push_back(p);
        nlohmann::json disagreements = nlohmann::json::array();
        for (const std::string& s : d.sourceDisagreements) disagreements.push_back(validUtf8(s));
        const Attention attention = deviceAttention(d);
        all.push_back({{"schemaVersion", kReportSchemaVersion},
                       {"address", d.address},
                       {"model", validUtf8(d.model)},
                       {"name", validUtf8(d.name)},
                       {"location", validUtf8(d.location)},
                       {"mac", d.macAddress},
                       {"macAddress", d.macAddress},
                       {"status", d.status},
                       {"statusCode", d.statusCode},
                       {"attention", attention.needed()},
                       {"attentionReasons", attentionKeys(attention)},
                       {"alerts", alerts},
                       {"serial", validUtf8(d.serialNumber)},
                       {"serialNumber", validUtf8(d.serialNumber)},
                       {"pageCount", d.pageCount ? nlohmann::json(*d.pageCount) : nlohmann::json()},
                       {"toner", toner},
                       {"toners", toners},
                       {"supplies", supplies},
                       {"alertDetails", alertDetails},
                       {"errorState", errorStateJson(d)},
                       {"readAt", d.readAt},
                       {"problems", problems},
                       {"lastSeen", d.stored && !d.stored->lastSeen.empty() ? nlohmann::json(d.stored->lastSeen) : nlohmann::json()},
                       // Where the reading came from ("snmp", "ipp", "snmp+ipp") and where two sources disagree.
                       {"source", d.source},
                       {"sourceDisagreements", disagreements},
                       {"uuid", validUtf8(d.uuid)}});
    }
    return all;
}

}  // namespace netrov::core
