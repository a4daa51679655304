// Reading and writing fleet reports.
#include "fleet_report.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <map>
#include <iterator>
#include <string_view>

#include <netrov/consumable_records.h>
#include <netrov/engine_records.h>
#include <netrov/result_codes.h>

#include "alert_messages.h"
#include "device_list.h"
#include "query_reading.h"
#include "record_schema.h"
#include "result_text.h"
#include "search_run.h"
#include "search_settings.h"
#include "snmp/read_deadline.h"

namespace netrov::core {

namespace {

// The message service's words for the alert, else its numbers.
std::string alertText(const DeviceStatus& alert, const AlertMessage* message)
{
    if (message && !message->message.empty()) return message->message;
    return "alert " + std::to_string(alert.alertCode) + " (group " + std::to_string(alert.alertGroup) + ", index " +
           std::to_string(alert.alertIndex) + ")";
}

// Runs a query by name; none when this build has no such query.
std::optional<QueryReading> run(const char* name, DeviceIdentity& device)
{
    const QuerySchema* query = findQuery(name);
    if (!query) return std::nullopt;
    return readQuery(*query, device);
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

// prtMarkerSuppliesType values of the kinds a check has thresholds for.
constexpr struct {
    int32_t type;
    SupplyKind kind;
} kSupplyKinds[] = {
    {4, SupplyKind::Waste},   // wasteToner
    {8, SupplyKind::Waste},   // wasteInk
    {14, SupplyKind::Waste},  // wasteWax
    {24, SupplyKind::Waste},  // wasteWater
    {9, SupplyKind::Drum},    // opc
    {15, SupplyKind::Fuser},
};

constexpr const char* kSupplyKindKeys[] = {"drum", "fuser", "waste", "paper", "other"};

std::string joined(const std::vector<std::string>& items)
{
    std::string out;
    for (const std::string& item : items) out += (out.empty() ? "" : "; ") + item;
    return out;
}

}  // namespace

const char* supplyKindKey(SupplyKind kind) { return kSupplyKindKeys[static_cast<size_t>(kind)]; }

SupplyKind supplyKindOf(int32_t supplyType)
{
    for (const auto& k : kSupplyKinds) {
        if (k.type == supplyType) return k.kind;
    }
    return SupplyKind::Other;
}

LevelState levelStateOf(std::optional<int32_t> percent, std::optional<int32_t> levelCode, int32_t criticalPercent)
{
    return levelState(percent ? percent : levelCode, criticalPercent);
}

Attention deviceAttention(const DeviceReport& report, int32_t criticalPercent)
{
    std::vector<LevelState> states;
    for (const TonerLevel& t : report.toner) states.push_back(levelStateOf(t.percent, t.levelCode, criticalPercent));
    for (const SupplyLevel& s : report.supplies) {
        // An empty tray is the paper, not a supply; the device raises an alert for it when it matters.
        if (s.kind != SupplyKind::Paper) states.push_back(levelStateOf(s.percent, s.levelCode, criticalPercent));
    }
    size_t alerts = 0;
    for (size_t i = 0; i < report.alerts.size(); ++i) {
        alerts += alertNeedsAttention(i < report.alertCodes.size() ? std::optional(report.alertCodes[i]) : std::nullopt);
    }
    return judgeAttention(states, report.errorBits, alerts);
}

std::string tonerColumn(const int32_t colour[3], bool colourValid, const std::string& name, size_t position)
{
    if (colourValid) {
        static const struct {
            int32_t r, g, b;
            const char* name;
        } primaries[] = {{0, 0, 0, "black"}, {0, 255, 255, "cyan"}, {255, 0, 255, "magenta"}, {255, 255, 0, "yellow"}};
        for (const auto& p : primaries) {
            if (colour[0] == p.r && colour[1] == p.g && colour[2] == p.b) return p.name;
        }
    }
    std::string word;
    for (const char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (std::isalnum(u) && u < 0x80)
            word += static_cast<char>(std::tolower(u));
        else if (!word.empty() && word.back() != '_')
            word += '_';
    }
    while (!word.empty() && word.back() == '_') word.pop_back();
    return word.empty() ? "toner" + std::to_string(position + 1) : word;
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
    const int32_t timeOut = timeOutSeconds > 0 ? timeOutSeconds : 3;
    return std::chrono::steady_clock::now() + std::chrono::seconds(int64_t{timeOut} * kDeviceReadTimeOuts);
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
            std::map<std::string, int> seen;
            for (int32_t i = 0; i < toner->stored(); ++i) {
                const auto* t = static_cast<const TonerEntry*>(toner->record(i));
                TonerLevel level;
                level.name = fieldText(t->name, sizeof t->name);
                level.colour = tonerColumn(t->color, t->colorValid, level.name, static_cast<size_t>(i));
                // Two supplies of one colour (a second black cartridge) keep apart.
                if (const int n = ++seen[level.colour]; n > 1) level.colour += "_" + std::to_string(n);
                level.percent = levelPercent(*t);
                level.levelCode = levelCode(*t);
                level.remainingText = fieldText(t->remainingText, sizeof t->remainingText);
                report.toner.push_back(std::move(level));
            }
        } else if (toner->result != NETROV_NOT_DEFINED) {
            report.problems.push_back(std::string("toner: ") + resultWords(toner->result));
            report.suppliesFailed = true;
        }
    }
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
            report.supplies.push_back({e->typeValid ? supplyKindOf(e->supplyType) : SupplyKind::Other,
                                       e->nameValid ? fieldText(e->name, sizeof e->name) : std::string(),
                                       levelPercent(*e), levelCode(*e)});
        }
    }
    if (traysQuery && std::chrono::steady_clock::now() < deadline) {
        const QueryReading trays = readOnce(*traysQuery, device, kMaxSupplies);
        failed("trays", trays.result);
        for (int32_t i = 0; trays.result == NETROV_OK && i < trays.stored(); ++i) {
            const auto* e = static_cast<const TrayEntry*>(trays.record(i));
            report.supplies.push_back({SupplyKind::Paper,
                                       e->trayNameValid ? fieldText(e->trayName, sizeof e->trayName) : std::string(),
                                       levelPercent(*e), levelCode(*e)});
        }
    }
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
    DeviceIdentity device = entry.identity;
    report.address = addressToText(loadAddress(device.address));
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
        if (!records.empty() && records[0].simpleStatusValid) {
            report.statusCode = records[0].simpleStatus;
            report.statusRead = status->result == NETROV_OK;
        }
        const std::vector<DeviceStatus> alerts = alertsAmong(records);
        const std::vector<AlertMessage> messages = alertMessages(FrontLibrary::tuva().access(), device, alerts);
        for (size_t i = 0; i < alerts.size(); ++i) {
            report.alerts.push_back(alertText(alerts[i], i < messages.size() ? &messages[i] : nullptr));
            report.alertCodes.push_back(alerts[i].alertCode);
        }
        if (status->result != NETROV_OK) report.problems.push_back(std::string("status: ") + resultWords(status->result));
    }
    report.status = statusWordText(report.statusCode);
    // Devices without the printer table's error state only lack its bits.
    if (auto errorState = run("GetDevErrorState", device);
        errorState && errorState->result == NETROV_OK && errorState->stored() > 0) {
        const auto* info = static_cast<const ErrorStateInfo*>(errorState->record(0));
        if (info->errorStateValid) report.errorBits = info->errorState;
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
    return t ? levelStateName(levelStateOf(t->percent, t->levelCode)) : kLevelNotReported;
}

nlohmann::json levelJson(std::optional<int32_t> percent)
{
    return percent ? nlohmann::json(*percent) : nlohmann::json();
}

// "photo_black_ink 72; black_2 some_remaining": colourants without a column of their own.
std::string otherToner(const DeviceReport& d)
{
    std::vector<std::string> items;
    for (const TonerLevel& t : d.toner) {
        if (processColour(t.colour) && tonerOf(d, t.colour) == &t) continue;
        items.push_back(t.colour + " " + (t.percent ? std::to_string(*t.percent) : stateKey(&t)));
    }
    return joined(items);
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
    for (const DeviceReport& d : devices) {
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
    for (const DeviceReport& d : devices) {
        nlohmann::json toner = nlohmann::json::object();
        for (const char* c : kProcessColours) {
            toner[c] = {{"name", ""}, {"level", nullptr}, {"levelState", kLevelNotReported},
                        {"percent", nullptr}, {"remainingText", ""}};
        }
        for (const TonerLevel& t : d.toner) {
            toner[t.colour] = {{"name", validUtf8(t.name)},
                               {"level", levelJson(t.percent)},
                               {"levelState", stateKey(&t)},
                               {"percent", levelJson(t.percent)},
                               {"remainingText", validUtf8(t.remainingText)}};
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
            supplies.push_back({{"kind", supplyKindKey(s.kind)},
                                {"name", validUtf8(s.name)},
                                {"level", levelJson(s.percent)},
                                {"levelState", levelStateName(levelStateOf(s.percent, s.levelCode))}});
        }
        nlohmann::json alerts = nlohmann::json::array();
        for (const std::string& a : d.alerts) alerts.push_back(validUtf8(a));
        nlohmann::json problems = nlohmann::json::array();
        for (const std::string& p : d.problems) problems.push_back(p);
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
                       {"supplies", supplies},
                       {"problems", problems},
                       {"lastSeen", d.stored && !d.stored->lastSeen.empty() ? nlohmann::json(d.stored->lastSeen) : nlohmann::json()}});
    }
    return all;
}

}  // namespace netrov::core
