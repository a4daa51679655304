// Reading a device for its window.
#include "device_details.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

#include <netrov/consumable_records.h>
#include <netrov/printer_mib.h>
#include <netrov/result_codes.h>

#include "fleet_report.h"
#include "search_run.h"
#include "words.h"

namespace netrov::core {

namespace {

constexpr const char* kStatusQueries[] = {"GetDevStatus"};
constexpr const char* kSupplyQueries[] = {"GetDevToner", "GetDevSupplies", "GetDevMarker", "GetDevTonerSave"};
constexpr const char* kPaperQueries[] = {"GetDevTray", "GetDevImageArea"};
constexpr const char* kDeviceQueries[] = {
    "GetDevInfo",    "GetDevSerial",  "GetDevVersion", "GetDevInterpreter", "GetDevLang",
    "GetDevMemory",  "GetDevHdd",     "GetDevFinInfo", "GetDevCounter",     "GetDevSpeed",
    "GetDevPowerSave", "GetDevDispMsg", "GetDevSrvInfo"};
constexpr const char* kNetworkQueries[] = {"GetDevTCP",    "GetDevTCPIPv6", "GetDevTCPOpt",    "GetDevNetInfo",
                                           "GetDevNetWare", "GetDevSMB",    "GetDevAppleTalk", "GetDevRendezvous"};

constexpr DetailSection kSections[] = {
    {"Status", kStatusQueries}, {"Supplies", kSupplyQueries}, {"Paper", kPaperQueries},
    {"Device", kDeviceQueries}, {"Network", kNetworkQueries},
};

std::string sentence(const std::string& words)
{
    std::string out;
    for (size_t i = 0; i < words.size(); ++i) {
        const auto c = static_cast<unsigned char>(words[i]);
        const bool upper = std::isupper(c) != 0;
        const bool prevLower = i > 0 && std::islower(static_cast<unsigned char>(words[i - 1]));
        const bool nextLower = i + 1 < words.size() && std::islower(static_cast<unsigned char>(words[i + 1]));
        const bool prevUpper = i > 0 && std::isupper(static_cast<unsigned char>(words[i - 1]));
        // A new word starts at an upper-case letter after a lower-case one, or
        // at the last capital of an abbreviation that a word follows.
        if (upper && i > 0 && (prevLower || (prevUpper && nextLower))) out += ' ';
        const bool abbreviation = upper && ((i + 1 < words.size() && std::isupper(static_cast<unsigned char>(words[i + 1]))) || prevUpper);
        out += static_cast<char>(abbreviation || out.empty() ? c : std::tolower(c));
    }
    if (!out.empty()) out[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(out[0])));
    return out;
}

// How a field reads on a page. Hidden fields are codes or display hints that
// another field of the record already says in words.
enum class Show : uint8_t { Hidden, Plain, Count, Words, KiB, Duration, Percent, YesNo, Resolution, Speed, Size };

// A field that the generic rules below would not show right. query empty:
// whatever query the record comes from.
struct FieldView {
    const char* query;
    const char* field;
    Show show;
    const char* words;  // the field that holds this one's words, when not <field>Text or <field>Name
    const char* label = nullptr;  // what the line stands for where a field's own label would not say it
    std::optional<Enumeration> enumeration = std::nullopt;  // the words of a code, before the device's own
};
constexpr FieldView kFieldViews[] = {
    {"", "colorantIndex", Show::Hidden, nullptr},
    {"", "colour", Show::Hidden, nullptr},
    {"", "remainingText", Show::Hidden, nullptr},
    {"", "remainingPercentage", Show::Percent, nullptr},
    {"", "maximumCapacity", Show::Count, nullptr},
    {"", "currentLevel", Show::Count, nullptr},
    {"", "count", Show::Count, nullptr},
    {"", "maximum", Show::Count, nullptr},
    {"", "lifeCount", Show::Count, nullptr},
    {"", "powerOnCount", Show::Count, nullptr},
    {"", "markingTechnology", Show::Words, "technologyName", nullptr, Enumeration::MarkingTechnology},
    {"", "counterUnit", Show::Words, nullptr, nullptr, Enumeration::CounterUnit},
    {"", "supplyType", Show::Words, nullptr, nullptr, Enumeration::SupplyType},
    {"GetDevTray", "capacityUnit", Show::Words, nullptr, nullptr, Enumeration::CapacityUnit},
    {"", "capacityUnit", Show::Words, nullptr, nullptr, Enumeration::SupplyUnit},
    {"", "technologyName", Show::Hidden, nullptr},
    {"", "colourCapable", Show::YesNo, nullptr},
    {"", "xAddressability", Show::Resolution, nullptr, "Resolution"},
    {"", "yAddressability", Show::Hidden, nullptr},
    {"", "addressabilityUnit", Show::Hidden, nullptr},
    {"", "addressabilityUnitName", Show::Hidden, nullptr},
    {"", "rawValue", Show::Words, "displayText"},
    {"", "displayText", Show::Hidden, nullptr},
    {"", "sizeX", Show::Size, nullptr, "Size"},
    {"", "sizeY", Show::Hidden, nullptr},
    {"", "sizeUnit", Show::Hidden, nullptr},
    {"", "sizeUnitName", Show::Hidden, nullptr},
    {"", "paperSizeCode", Show::Hidden, nullptr},
    {"", "paperName", Show::Hidden, nullptr},
    {"", "mediaCode", Show::Hidden, nullptr},
    {"", "type", Show::Words, "typeName"},
    {"", "family", Show::Words, nullptr, nullptr, Enumeration::InterpreterLanguage},
    {"", "index", Show::Hidden, nullptr},
    {"", "speed", Show::Speed, nullptr},
    {"", "unit", Show::Hidden, nullptr},
    {"", "unitText", Show::Hidden, nullptr},
    {"", "seconds", Show::Duration, nullptr},
    {"", "upTimeSeconds", Show::Duration, nullptr, "Up time"},
    {"", "staple", Show::YesNo, nullptr},
    {"", "shift", Show::YesNo, nullptr},
    {"", "punch", Show::YesNo, nullptr},
    {"", "fold", Show::YesNo, nullptr},
    {"", "stitch", Show::YesNo, nullptr},
    {"GetDevTCPIPv6", "ipv6AddressShow", Show::YesNo, nullptr},
    {"GetDevTCPIPv6", "routerAddressShow", Show::YesNo, nullptr},
    {"GetDevMemory", "value", Show::KiB, nullptr, "Installed memory"},
    {"GetDevHdd", "value", Show::KiB, nullptr, "Disk capacity"},
};

const FieldView* fieldView(std::string_view query, std::string_view field)
{
    const FieldView* general = nullptr;
    for (const FieldView& view : kFieldViews) {
        if (field != view.field) continue;
        if (query == view.query) return &view;
        if (*view.query == '\0') general = &view;
    }
    return general;
}

// The field of the record that holds this one's words: <name>Text, else <name>Name.
const FieldSchema* wordsOf(const RecordSchema& schema, const FieldSchema& field, const FieldView* view)
{
    if (view && view->words) return findField(schema, view->words);
    for (const char* suffix : {"Text", "Name"}) {
        if (const FieldSchema* words = findField(schema, std::string(field.name) + suffix)) return words;
    }
    return nullptr;
}

// A field that only says another one's value in words, or how to show it.
bool helperField(const RecordSchema& schema, std::string_view name)
{
    for (std::string_view suffix : {"ItemText", "Text", "Show", "Name"}) {
        if (name.size() > suffix.size() && name.substr(name.size() - suffix.size()) == suffix &&
            findField(schema, name.substr(0, name.size() - suffix.size())))
            return true;
    }
    return false;
}

std::optional<int64_t> numberOf(const RecordSchema& schema, std::string_view name, const void* record)
{
    const FieldSchema* field = findField(schema, name);
    if (!field || !fieldPresent(*field, record)) return std::nullopt;
    const nlohmann::json value = fieldJson(*field, record);
    if (!value.is_number_integer()) return std::nullopt;
    return value.get<int64_t>();
}

std::string textOf(const RecordSchema& schema, std::string_view name, const void* record)
{
    const FieldSchema* field = findField(schema, name);
    return field && fieldPresent(*field, record) ? fieldText(*field, record) : std::string();
}

bool allDigits(const std::string& text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)) || c == '-'; });
}

std::string formatted(const char* format, double value)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

// Positions per 10000 units: ten-thousandths of an inch give dots per inch,
// micrometres dots per centimetre.
std::string resolution(const RecordSchema& schema, const void* record)
{
    const auto x = numberOf(schema, "xAddressability", record);
    const auto y = numberOf(schema, "yAddressability", record);
    const auto unit = numberOf(schema, "addressabilityUnit", record);
    if (!x || *x <= 0) return notReported();
    const double scale = unit == NETROV_UNIT_MICROMETERS ? 2.54 : 1.0;
    const auto dpi = [&](int64_t v) { return static_cast<int32_t>(std::lround(static_cast<double>(v) * scale)); };
    return formatDpi(dpi(*x), y && *y > 0 ? dpi(*y) : dpi(*x));
}

// The record gives the speed per minute already (the MIB's is per hour):
// impressions or sheets read as pages per minute, other units with their
// words, which name the MIB's hour.
std::string speed(const RecordSchema& schema, const void* record)
{
    const auto value = numberOf(schema, "speed", record);
    const auto unit = numberOf(schema, "unit", record);
    if (!value || *value < 0) return notReported();
    if (unit == NETROV_UNIT_IMPRESSIONS || unit == NETROV_UNIT_SHEETS)
        return formatPagesPerMinute(static_cast<int32_t>(std::min<int64_t>(*value, INT32_MAX)));
    std::string words = unit ? enumWord(Enumeration::MediaPathSpeedUnit, static_cast<int32_t>(*unit)) : std::string();
    if (const size_t hour = words.rfind(" per hour"); hour != std::string::npos) words.replace(hour, 9, " per minute");
    return formatCount(*value) + (words.empty() ? "" : " " + words);
}

// The paper's name when the device gives one, else its dimensions.
std::string paperSize(const RecordSchema& schema, const void* record)
{
    const std::string name = textOf(schema, "paperName", record);
    if (!name.empty() && !allDigits(name)) return name;
    const auto x = numberOf(schema, "sizeX", record);
    const auto y = numberOf(schema, "sizeY", record);
    const auto unit = numberOf(schema, "sizeUnit", record);
    if (!x || !y || *x <= 0 || *y <= 0) return notReported();
    // The record holds millimetres for the MIB's micrometres and inches for its ten-thousandths.
    const auto a = static_cast<double>(*x);
    const auto b = static_cast<double>(*y);
    if (unit == NETROV_UNIT_MICROMETERS) return formatted("%.0f", a) + " x " + formatted("%.0f mm", b);
    if (unit == NETROV_UNIT_TEN_THOUSANDTHS_OF_INCHES) return formatted("%.1f", a) + " x " + formatted("%.1f in", b);
    return formatted("%.0f", a) + " x " + formatted("%.0f", b);
}

std::string percentWords(int64_t percent)
{
    switch (percent) {
    case kLevelOther: return "no restriction";
    case kLevelUnknown: return "level unknown";
    case kLevelSomeRemaining: return "some remaining";
    default: return percent >= 0 && percent <= 100 ? std::to_string(percent) + " %" : notReported();
    }
}

std::string valueOf(std::string_view query, const RecordSchema& schema, const FieldSchema& field,
                    const FieldView* view, const void* record)
{
    const Show show = view ? view->show : Show::Plain;
    const nlohmann::json json = fieldJson(field, record);
    switch (show) {
    case Show::Hidden: return {};
    case Show::Resolution: return resolution(schema, record);
    case Show::Speed: return speed(schema, record);
    case Show::Size: return paperSize(schema, record);
    case Show::KiB:  // kibibytes, as the host resources count memory and disks
        return json.is_number_integer() && json.get<int64_t>() >= 0 ? formatBytes(json.get<uint64_t>() * 1024) : notReported();
    case Show::Duration:
        return json.is_number_integer() && json.get<int64_t>() >= 0 ? formatUpTime(json.get<uint64_t>()) : notReported();
    case Show::Percent: return json.is_number_integer() ? percentWords(json.get<int64_t>()) : notReported();
    case Show::YesNo:
        if (json.is_number_integer() && (json.get<int64_t>() == 0 || json.get<int64_t>() == 1))
            return json.get<int64_t>() ? "yes" : "no";
        break;
    case Show::Count:
        if (json.is_number_integer()) {
            const int64_t n = json.get<int64_t>();
            return n >= 0 ? formatCount(n) : percentWords(n);
        }
        break;
    case Show::Words:
    case Show::Plain: break;
    }
    (void)query;
    // A code reads as the standard's words for it, else as the device's text beside it.
    const bool code = json.is_number_integer();
    if (code && view && view->enumeration && enumNamed(*view->enumeration, json.get<int32_t>()))
        return capitalised(enumWord(*view->enumeration, json.get<int32_t>()));
    if (const FieldSchema* words = wordsOf(schema, field, view)) {
        const std::string text = fieldPresent(*words, record) ? fieldText(*words, record) : std::string();
        if (!text.empty() && !allDigits(text)) return text;
        if (code) return "other (" + std::to_string(json.get<int64_t>()) + ")";
    }
    if (code && show == Show::Words) return "other (" + std::to_string(json.get<int64_t>()) + ")";
    if (code && field.kind != FieldKind::Flag) return formatCount(json.get<int64_t>());
    const std::string text = fieldText(field, record);
    return text.empty() ? notReported() : text;
}

}  // namespace

std::vector<DetailLine> describeRecord(std::string_view query, const RecordSchema& schema, const void* record)
{
    std::vector<DetailLine> lines;
    for (const FieldSchema& field : schema.fields) {
        const FieldView* view = fieldView(query, field.name);
        if (view && view->show == Show::Hidden) continue;
        if (!view && helperField(schema, field.name)) continue;
        if (!fieldPresent(field, record)) continue;
        const std::string value = valueOf(query, schema, field, view, record);
        if (value.empty()) continue;
        if (view && view->label) lines.push_back({std::string(query) + "." + field.name, view->label, value});
        else lines.push_back({"field." + std::string(field.name), fieldLabel(field.name), value});
    }
    return lines;
}

bool yesNoField(std::string_view query, std::string_view field)
{
    const FieldView* view = fieldView(query, field);
    return view && view->show == Show::YesNo;
}

std::vector<LevelLine> levelLines(std::string_view query, const QueryReading& reading)
{
    std::vector<LevelLine> lines;
    const QuerySchema* schema = findQuery(query);
    if (!schema || reading.result != NETROV_OK) return lines;
    const RecordSchema& record = *schema->record;
    if (!findField(record, "remainingPercentage")) return lines;
    for (int32_t i = 0; i < reading.stored(); ++i) {
        const void* at = reading.record(i);
        LevelLine line;
        line.name = textOf(record, "name", at);
        if (line.name.empty()) line.name = textOf(record, "trayName", at);
        if (line.name.empty()) line.name = std::to_string(i + 1);
        if (const auto percent = numberOf(record, "remainingPercentage", at)) line.percent = static_cast<int32_t>(*percent);
        // The state by the threshold table, with the kind the record says.
        const bool trayRecord = findField(record, "trayName") != nullptr;
        const auto type = numberOf(record, "supplyType", at);
        SupplyKind kind = trayRecord ? SupplyKind::Paper : type ? supplyKindOf(static_cast<int32_t>(*type)) : SupplyKind::Other;
        if (query == "GetDevToner" && kind != SupplyKind::Ink) kind = SupplyKind::Toner;
        const bool measured = line.percent && *line.percent >= 0 && *line.percent <= 100;
        line.state = supplyState(kind, measured ? line.percent : std::nullopt, measured ? std::nullopt : line.percent,
                                 PrinterSays::Nothing);
        if (const FieldSchema* colour = findField(record, "colour"); colour && fieldPresent(*colour, at)) {
            const nlohmann::json rgb = fieldJson(*colour, at);
            if (rgb.is_array() && rgb.size() == 3) {
                const auto part = [&](size_t k) { return static_cast<uint32_t>(std::clamp(rgb[k].get<int>(), 0, 255)); };
                line.rgb = part(0) << 16 | part(1) << 8 | part(2);
            }
        }
        std::vector<std::string> parts;
        const bool tray = findField(record, "trayName") != nullptr;
        if (tray) {
            if (const std::string size = paperSize(record, at); size != notReported()) parts.push_back(size);
            if (const std::string media = textOf(record, "mediaName", at); !media.empty()) parts.push_back(media);
        } else if (const FieldSchema* type = findField(record, "supplyType"); type && fieldPresent(*type, at)) {
            parts.push_back(valueOf(query, record, *type, fieldView(query, "supplyType"), at));
        }
        if (const auto capacity = numberOf(record, "maximumCapacity", at); capacity && *capacity > 0) {
            const auto unit = numberOf(record, "capacityUnit", at);
            const Enumeration units = tray ? Enumeration::CapacityUnit : Enumeration::SupplyUnit;
            const std::string unitWords = unit && enumNamed(units, static_cast<int32_t>(*unit)) ? enumWord(units, static_cast<int32_t>(*unit)) : "";
            parts.push_back("capacity " + formatCount(*capacity) + (unitWords.empty() ? "" : " " + unitWords));
        }
        for (const std::string& part : parts) line.detail += (line.detail.empty() ? "" : " · ") + part;
        lines.push_back(std::move(line));
    }
    return lines;
}

std::string levelWords(const LevelLine& level)
{
    return level.percent ? percentWords(*level.percent) : notReported();
}

DeviceSummary summarize(const DeviceDetails& details)
{
    DeviceSummary summary;
    summary.model = fieldText(details.entry.identity.modelName);
    if (const auto serial = details.readings.find("GetDevSerial");
        serial != details.readings.end() && serial->second.result == NETROV_OK && serial->second.stored() > 0) {
        if (const QuerySchema* query = findQuery("GetDevSerial"))
            summary.serial = textOf(*query->record, "text", serial->second.record(0));
    }
    if (const auto marker = details.readings.find("GetDevMarker");
        marker != details.readings.end() && marker->second.result == NETROV_OK && marker->second.stored() > 0) {
        if (const QuerySchema* query = findQuery("GetDevMarker")) {
            const auto count = numberOf(*query->record, "lifeCount", marker->second.record(0));
            if (count && *count >= 0) summary.pages = static_cast<uint64_t>(*count);
        }
    }
    std::vector<LevelState> states;
    for (const char* name : {"GetDevToner", "GetDevSupplies"}) {
        const auto reading = details.readings.find(name);
        if (reading == details.readings.end()) continue;
        for (LevelLine& line : levelLines(name, reading->second)) {
            states.push_back(line.state);
            const bool measured = line.percent && *line.percent >= 0 && *line.percent <= 100;
            if (measured && (!summary.lowest || *line.percent < *summary.lowest->percent)) summary.lowest = std::move(line);
        }
    }
    summary.alerts = details.alerts.size();
    // Alerts that only inform (ready, power save) ask nothing, as in every other judgement.
    const auto asking = std::count_if(details.alerts.begin(), details.alerts.end(), [](const DeviceStatus& a) {
        AlertFacts facts;
        facts.code = a.alertCodeValid ? a.alertCode : 0;
        return !a.alertCodeValid || !alertInformational(facts);
    });
    summary.attention = judgeAttention(states, 0, static_cast<size_t>(asking));
    return summary;
}

std::string attentionSentence(const Attention& attention)
{
    if (!attention.needed()) return "Nothing needs attention";
    return "Needs attention: " + attentionWords(attention);
}

std::span<const DetailSection> detailSections() { return kSections; }

std::string fieldTitle(const std::string& name) { return sentence(name); }

DeviceGauge readDeviceGauge(const DeviceListEntry& entry)
{
    DeviceGauge gauge;
    DeviceIdentity device = entry.identity;
    DeviceReport report;
    readSupplyLevels(device, report);
    for (const TonerLevel& toner : report.toner) {
        if (toner.percent) gauge.lowestToner = std::min(gauge.lowestToner.value_or(100), *toner.percent);
    }
    gauge.pages = report.pageCount;
    return gauge;
}

DeviceDetails readDeviceDetails(FrontLibrary& library, const DeviceListEntry& entry,
                                const std::atomic<bool>& stop)
{
    library.ensureInitialised();
    return readDeviceDetails(library.access(), entry, stop);
}

DeviceDetails readDeviceDetails(const DeviceAccess& access, const DeviceListEntry& entry,
                                const std::atomic<bool>& stop)
{
    DeviceDetails details;
    details.entry = entry;
    details.statusCode = kStatusNoAnswer;
    details.readAt = std::chrono::system_clock::now();
    DeviceIdentity device = entry.identity;

    // Information and status through the search's own calls, as the list read them.
    QueryReading info;
    info.recordSize = sizeof(DeviceInfo);
    info.records.assign(sizeof(DeviceInfo), 0);
    info.result = access.getDevInfo ? access.getDevInfo(&device, 0, 0, info.records.data(), 1, &info.count)
                                    : NETROV_NO_ENTRY_POINT;
    if (info.result != NETROV_OK || info.count < 1) {
        info.records.clear();
        details.readings["GetDevInfo"] = std::move(info);
        return details;
    }
    info.count = 1;
    details.answered = true;
    std::memcpy(&details.entry.info, info.record(0), sizeof(DeviceInfo));
    details.readings["GetDevInfo"] = std::move(info);

    QueryReading status;
    status.recordSize = sizeof(DeviceStatus);
    status.records.assign(sizeof(DeviceStatus) * kStatusRecords, 0);
    status.result = access.getDevStatus ? access.getDevStatus(&device, 0, 0, status.records.data(), kStatusRecords,
                                                              &status.count)
                                        : NETROV_NO_ENTRY_POINT;
    status.records.resize(sizeof(DeviceStatus) *
                          static_cast<size_t>(status.result == NETROV_OK ? std::clamp(status.count, 0, kStatusRecords) : 0));
    details.readings["GetDevStatus"] = std::move(status);

    // An access without described queries (a stand-in's) leaves them not reported.
    for (const DetailSection& section : kSections) {
        for (const char* name : section.queries) {
            if (stop.load()) return details;
            if (details.readings.count(name) || !access.described) continue;
            const QuerySchema* query = findQuery(name);
            if (!query) continue;
            details.readings[name] = readQuery(access, *query, device);
        }
    }

    const QueryReading& read = details.readings["GetDevStatus"];
    if (read.result == NETROV_OK && read.stored() > 0) {
        const std::vector<DeviceStatus> records = statusRecords(read);
        if (records[0].simpleStatusValid) details.statusCode = records[0].simpleStatus;
        details.alerts = alertsAmong(records);
        details.entry.status[0] = records[0];
    } else {
        details.statusCode = statusCode(entry);
    }
    details.messages = alertMessages(access, device, details.alerts);
    for (const DeviceStatus& a : details.alerts)
        details.alertFacts.push_back({a.alertCode, a.alertGroup, a.alertIndexValid ? a.alertIndex : 0, {}, {}, ""});
    const QuerySchema* alertRows = findQuery("GetDevAlerts");
    if (alertRows && access.described && !details.alerts.empty() && !stop.load()) {
        std::vector<AlertFacts*> facts;
        for (AlertFacts& f : details.alertFacts) facts.push_back(&f);
        const QueryReading rows = readQuery(access, *alertRows, device);
        if (rows.result == NETROV_OK) addAlertDetails(rows, facts);
    }
    return details;
}

}  // namespace netrov::core
