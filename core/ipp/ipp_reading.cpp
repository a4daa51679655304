// Reading a printer over IPP: one Get-Printer-Attributes exchange through
// libcups, its attributes turned into the reading's fields.
#include "ipp_reading.h"

#include <algorithm>
#include <array>
#include <ctime>
#include <memory>

#include <netrov/printer_mib.h>

#include "device_list.h"
#include "ipp_exchange.h"
#include "ipp_values.h"
#include "reading.h"
#include "words.h"

namespace netrov::core::ipp {

namespace {

constexpr const char* kRequested[] = {
    "printer-make-and-model", "printer-name", "printer-info", "printer-location", "printer-device-id",
    "printer-uuid", "printer-state", "printer-state-reasons", "printer-state-message", "printer-alert",
    "printer-alert-description", "printer-supply", "printer-supply-description", "marker-names",
    "marker-levels", "marker-types", "marker-colors", "printer-input-tray", "printer-impressions-completed",
};

// IPP's printer-state values.
constexpr int kStateIdle = 3;
constexpr int kStateProcessing = 4;
constexpr int kStateStopped = 5;

std::string utcNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    gmtime_r(&now, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return text;
}

ipp_attribute_t* find(ipp_t* response, const char* name)
{
    return ippFindAttribute(response, name, IPP_TAG_ZERO);
}

std::string firstText(ipp_t* response, const char* name)
{
    return attributeText(find(response, name), 0);
}

int countOf(ipp_attribute_t* attribute)
{
    return attribute ? std::min(ippGetCount(attribute), static_cast<int>(kMaxSupplies)) : 0;
}

// A level's percentage of its maximum when both are real and the level lies
// within it, as the SNMP reading has it.
std::optional<int32_t> percentOf(std::optional<int32_t> level, std::optional<int32_t> maximum)
{
    if (!level || !maximum || *maximum <= 0 || *level < 0 || *level > *maximum) return std::nullopt;
    return static_cast<int32_t>(static_cast<int64_t>(*level) * 100 / *maximum);
}

std::optional<int32_t> codeOf(std::optional<int32_t> level)
{
    if (level && *level >= kLevelSomeRemaining && *level <= kLevelOther) return level;
    return std::nullopt;
}

void fillIdentity(DeviceReport& report, ipp_t* response)
{
    report.model = firstText(response, "printer-make-and-model");
    report.name = firstText(response, "printer-info");
    if (report.name.empty()) report.name = firstText(response, "printer-name");
    report.location = firstText(response, "printer-location");
    report.serialNumber = deviceIdField(firstText(response, "printer-device-id"), {"SN", "SERN", "SERIALNUMBER"});
    std::string uuid = firstText(response, "printer-uuid");
    if (uuid.starts_with("urn:uuid:")) uuid.erase(0, 9);
    report.uuid = uuid;
    if (ipp_attribute_t* pages = find(response, "printer-impressions-completed");
        pages && ippGetValueTag(pages) == IPP_TAG_INTEGER && ippGetInteger(pages, 0) >= 0)
        report.pageCount = static_cast<uint32_t>(ippGetInteger(pages, 0));
}

void fillStatus(DeviceReport& report, ipp_t* response)
{
    ipp_attribute_t* state = find(response, "printer-state");
    if (!state || ippGetValueTag(state) != IPP_TAG_ENUM) {
        report.status = statusWordText(report.statusCode = kStatusUnknown);
        return;
    }
    const int value = ippGetInteger(state, 0);
    int32_t code = value == kStateIdle ? kStatusReady
                 : value == kStateProcessing ? kStatusPrinting
                 : value == kStateStopped ? kStatusError : kStatusUnknown;
    ipp_attribute_t* reasons = find(response, "printer-state-reasons");
    for (int i = 0; i < countOf(reasons); ++i) {
        const StateReason reason = splitStateReason(attributeText(reasons, i));
        if (reason.reason == "none") continue;
        // The bits are the device's facts whatever their severity, as the
        // SNMP reading takes them; the severity decides the status alone.
        report.errorBits |= stateReasonBits(reason.reason);
        if (reason.severity == ReasonSeverity::Report) continue;
        if (reason.severity == ReasonSeverity::Error && reason.reason != "paused" && reason.reason != "moving-to-paused")
            code = kStatusError;
        else if (isReadyStatus(code))
            code = kStatusWarning;
    }
    report.errorBitsRead = true;
    report.statusRead = true;
    report.statusCode = code;
    report.status = statusWordText(code);
}

void fillAlerts(DeviceReport& report, ipp_t* response)
{
    ipp_attribute_t* alerts = find(response, "printer-alert");
    ipp_attribute_t* descriptions = find(response, "printer-alert-description");
    for (int i = 0; i < countOf(alerts); ++i) {
        const KeyValues pairs = parseKeyValues(attributeText(alerts, i));
        AlertReading alert;
        alert.facts.code = enumValueOf(Enumeration::AlertCode, valueOf(pairs, "code")).value_or(1);
        alert.facts.group = enumValueOf(Enumeration::AlertGroup, valueOf(pairs, "group")).value_or(0);
        alert.facts.index = std::max(numberOf(pairs, "index").value_or(0), 0);
        alert.facts.severity = enumValueOf(Enumeration::AlertSeverity, valueOf(pairs, "severity"));
        alert.facts.trainingLevel = enumValueOf(Enumeration::AlertTrainingLevel, valueOf(pairs, "training"));
        alert.facts.description = attributeText(descriptions, i);
        alert.message = capitalised(enumWord(Enumeration::AlertCode, alert.facts.code));
        report.alerts.push_back(alert.message);
        report.alertCodes.push_back(alert.facts.code);
        report.alertReadings.push_back(std::move(alert));
    }
}

// One supply of either form, placed as the SNMP reading places it: toner and
// ink with their colour, the rest among the other supplies.
void addSupply(DeviceReport& report, int32_t row, int32_t supplyType, std::string name, std::string colourName,
               const std::optional<std::array<int32_t, 3>>& rgb, std::optional<int32_t> level,
               std::optional<int32_t> maximum, std::optional<int32_t> unit)
{
    const SupplyKind kind = supplyKindOf(supplyType);
    if (kind == SupplyKind::Toner || kind == SupplyKind::Ink) {
        TonerLevel toner;
        toner.kind = kind;
        toner.name = name;
        const std::array<int32_t, 3> colour = rgb.value_or(std::array<int32_t, 3>{});
        toner.colour = rgb ? supplyColour(colour.data(), true, name)
                     : colourName.empty() ? colourFromName(name) : colourFromName(colourName);
        if (!rgb && !colourName.empty() && toner.colour == kOtherColour) toner.colour = colourFromName(name);
        toner.percent = percentOf(level, maximum);
        toner.levelCode = codeOf(level);
        toner.supplyType = supplyType;
        toner.maximum = maximum;
        toner.current = level;
        toner.unit = unit;
        toner.partNumber = partNumberOf(name);
        toner.row = row;
        report.toner.push_back(std::move(toner));
        return;
    }
    SupplyLevel supply{kind == SupplyKind::Paper ? SupplyKind::Other : kind, name, percentOf(level, maximum), codeOf(level)};
    supply.supplyType = supplyType;
    supply.maximum = maximum;
    supply.current = level;
    supply.unit = unit;
    supply.partNumber = partNumberOf(name);
    supply.row = row;
    report.supplies.push_back(std::move(supply));
}

void fillSupplies(DeviceReport& report, ipp_t* response)
{
    ipp_attribute_t* supplies = find(response, "printer-supply");
    ipp_attribute_t* descriptions = find(response, "printer-supply-description");
    for (int i = 0; i < countOf(supplies); ++i) {
        const KeyValues pairs = parseKeyValues(attributeText(supplies, i));
        std::string name = attributeText(descriptions, i);
        if (name.empty()) name = valueOf(pairs, "colorantname");
        const std::optional<int32_t> index = numberOf(pairs, "index");
        addSupply(report, index && *index > 0 ? *index : i + 1,
                  enumValueOf(Enumeration::SupplyType, valueOf(pairs, "type")).value_or(1), name,
                  valueOf(pairs, "colorantname"), std::nullopt, numberOf(pairs, "level"),
                  numberOf(pairs, "maxcapacity"), enumValueOf(Enumeration::SupplyUnit, valueOf(pairs, "unit")));
    }
    if (countOf(supplies) > 0) return;
    // The older marker attributes: levels in percent, one list per field.
    ipp_attribute_t* names = find(response, "marker-names");
    ipp_attribute_t* levels = find(response, "marker-levels");
    ipp_attribute_t* types = find(response, "marker-types");
    ipp_attribute_t* colours = find(response, "marker-colors");
    const int count = std::max(countOf(names), countOf(levels));
    for (int i = 0; i < count; ++i) {
        std::optional<int32_t> level;
        if (levels && i < ippGetCount(levels) && ippGetValueTag(levels) == IPP_TAG_INTEGER) level = ippGetInteger(levels, i);
        addSupply(report, i + 1, enumValueOf(Enumeration::SupplyType, attributeText(types, i)).value_or(1), attributeText(names, i), {},
                  rgbOf(attributeText(colours, i)), level, 100, std::nullopt);
    }
}

void fillTrays(DeviceReport& report, ipp_t* response)
{
    ipp_attribute_t* trays = find(response, "printer-input-tray");
    for (int i = 0; i < countOf(trays); ++i) {
        const KeyValues pairs = parseKeyValues(attributeText(trays, i));
        const std::optional<int32_t> level = numberOf(pairs, "level");
        const std::optional<int32_t> maximum = numberOf(pairs, "maxcapacity");
        SupplyLevel tray{SupplyKind::Paper, valueOf(pairs, "name"), percentOf(level, maximum), codeOf(level)};
        tray.maximum = maximum;
        tray.current = level;
        tray.unit = numberOf(pairs, "unit");
        tray.row = i + 1;
        report.supplies.push_back(std::move(tray));
    }
}

}  // namespace

void fillFromAttributes(DeviceReport& report, const void* response)
{
    auto* ipp = static_cast<ipp_t*>(const_cast<void*>(response));
    fillIdentity(report, ipp);
    fillStatus(report, ipp);
    fillAlerts(report, ipp);
    fillSupplies(report, ipp);
    fillTrays(report, ipp);
    report.printer = true;
    judgeReading(report);
}

DeviceReport readIppReport(const IppTarget& target)
{
    DeviceReport report;
    report.source = "ipp";
    report.readAt = utcNow();
    report.address = hostText(target.host);
    Exchange answer = exchange(target, IPP_OP_GET_PRINTER_ATTRIBUTES, [](ipp_t* request) {
        ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                      static_cast<int>(std::size(kRequested)), nullptr, kRequested);
    });
    report.problems = std::move(answer.problems);
    switch (answer.result) {
    case ExchangeResult::Answered: fillFromAttributes(report, answer.response.get()); return report;
    case ExchangeResult::NotTrusted:
        report.answered = true;
        report.printer = false;
        report.suppliesFailed = true;
        report.statusCode = kStatusUnknown;
        break;
    case ExchangeResult::Refused:
    case ExchangeResult::NoAnswer:
    case ExchangeResult::Failed:
        report.answered = answer.result == ExchangeResult::Refused;
        report.suppliesFailed = true;
        report.statusCode = kStatusNoAnswer;
        break;
    }
    report.status = statusWordText(report.statusCode);
    return report;
}

}  // namespace netrov::core::ipp
