// An alert's message, hint and picture as text lines or JSON.
#include "alert_report.h"

#include <algorithm>

#include "report.h"
#include "words.h"

namespace netrov::cli {

namespace {

nlohmann::json textOrNull(const std::string& text)
{
    return text.empty() ? nlohmann::json() : nlohmann::json(text);
}

nlohmann::json optionalJson(const std::optional<int32_t>& value)
{
    return value ? nlohmann::json(*value) : nlohmann::json();
}

// "black 9 %, yellow empty": the supplies the attention judgement concerns.
std::string concernedSupplies(const core::DeviceReport& report)
{
    std::string list;
    for (const core::TonerLevel& t : report.toner) {
        if (t.state != core::LevelState::Low && t.state != core::LevelState::Empty) continue;
        list += (list.empty() ? "" : ", ") + t.colour + " " +
                (t.percent ? std::to_string(*t.percent) + " %" : core::levelStateName(t.state));
    }
    return list;
}

}  // namespace

void addStatusJson(const core::DeviceReport& read, nlohmann::json& out)
{
    core::DeviceReport report = read;
    core::judgeReading(report);
    const core::Attention attention = core::deviceAttention(report);
    const auto& records = report.statusRecords;
    out["attention"] = attention.needed();
    out["attentionReasons"] = core::attentionKeys(attention);
    out["status"] = records.empty() ? std::string() : statusText(records[0].record.simpleStatus);
    out["statusCode"] = records.empty() ? 0 : records[0].record.simpleStatus;
    nlohmann::json list = nlohmann::json::array();
    for (const core::StatusRecord& r : records) {
        nlohmann::json entry = toJson(r.record, r.message);
        // What only the alert table whole gives: null when the device did not say.
        const core::AlertFacts* facts = r.alert ? &report.alertReadings[*r.alert].facts : nullptr;
        entry["severity"] = facts ? optionalJson(facts->severity) : nlohmann::json();
        entry["trainingLevel"] = facts ? optionalJson(facts->trainingLevel) : nlohmann::json();
        entry["location"] = facts ? optionalJson(facts->location) : nlohmann::json();
        entry["deviceText"] = facts ? textOrNull(core::validUtf8(facts->description)) : nlohmann::json();
        entry["informational"] = r.alert ? nlohmann::json(report.alertReadings[*r.alert].informational) : nlohmann::json();
        list.push_back(entry);
    }
    // A reading without status records (one read over IPP) lists its alerts.
    if (records.empty()) {
        out["status"] = report.status;
        out["statusCode"] = report.statusCode;
        for (const core::AlertReading& a : report.alertReadings) {
            list.push_back({{"alertCode", a.facts.code},
                            {"alertGroup", a.facts.group},
                            {"alertIndex", a.facts.index},
                            {"message", textOrNull(a.message)},
                            {"severity", optionalJson(a.facts.severity)},
                            {"trainingLevel", optionalJson(a.facts.trainingLevel)},
                            {"location", optionalJson(a.facts.location)},
                            {"deviceText", textOrNull(core::validUtf8(a.facts.description))},
                            {"informational", a.informational}});
        }
    }
    out["records"] = list;
    out["recordCount"] = records.empty() ? static_cast<int32_t>(list.size()) : report.statusRecordCount;
    out["source"] = report.source;
    out["sourceDisagreements"] = report.sourceDisagreements;
}

std::string statusLines(const core::DeviceReport& read)
{
    core::DeviceReport report = read;
    core::judgeReading(report);
    const auto& records = report.statusRecords;
    const std::string word = records.empty() ? (report.status.empty() ? std::string("--") : terminalSafe(report.status))
                                             : statusText(records[0].record.simpleStatus);
    std::string out = "Status: " + word + "\n";
    for (const core::StatusRecord& s : records) {
        const DeviceStatus& r = s.record;
        // "Alert: toner low (marker supplies 1): Warning"; the numbers are in the JSON.
        out += "  Alert";
        if (r.alertCodeValid) out += ": " + core::capitalised(core::enumWord(core::Enumeration::AlertCode, r.alertCode));
        if (r.alertGroupValid) {
            out += " (" + core::enumWord(core::Enumeration::AlertGroup, r.alertGroup);
            if (r.alertIndexValid && r.alertIndex > 0) out += " " + std::to_string(r.alertIndex);
            out += ")";
        }
        out += ": " + (r.simpleStatusValid ? statusText(r.simpleStatus) : std::string("--")) + "\n";
        out += messageLines(s.message);
        if (s.alert) {
            const core::AlertReading& a = report.alertReadings[*s.alert];
            // The device's own words, beside ours when they say something else.
            const std::string beside = core::alertWords(a.facts, s.message.message);
            if (beside != s.message.message) out += "    The printer says: " + terminalSafe(a.facts.description) + "\n";
        }
    }
    if (records.empty()) {
        for (const core::AlertReading& a : report.alertReadings) {
            out += "  Alert: " + terminalSafe(a.message);
            if (!a.facts.description.empty()) out += ": " + terminalSafe(a.facts.description);
            out += "\n";
        }
    }
    const int32_t shown = static_cast<int32_t>(records.size());
    if (report.statusRecordCount > shown) out += "  (" + std::to_string(report.statusRecordCount - shown) + " more not shown)\n";
    const core::Attention attention = core::deviceAttention(report);
    out += "Attention: " + std::string(attention.needed() ? "needed, " : "") + core::attentionWords(attention);
    const std::string list = concernedSupplies(report);
    if (!list.empty()) out += " (" + terminalSafe(list) + ")";
    out += "\n";
    // Where the reading came from, when it is not SNMP alone.
    if (report.source != "snmp") out += "Source: " + terminalSafe(report.source) + "\n";
    for (const std::string& d : report.sourceDisagreements) out += "Sources disagree: " + terminalSafe(d) + "\n";
    return out;
}

nlohmann::json toJson(const DeviceStatus& status, const core::AlertMessage& message)
{
    nlohmann::json out = toJson(status);
    out["message"] = textOrNull(message.message);
    out["hint"] = textOrNull(message.hint);
    out["image"] = textOrNull(message.image);
    return out;
}

std::string messageLines(const core::AlertMessage& message)
{
    std::string lines;
    if (!message.message.empty()) lines += "    " + terminalSafe(message.message) + "\n";
    if (!message.hint.empty()) lines += "    " + terminalSafe(message.hint) + "\n";
    if (!message.image.empty()) lines += "    Picture: " + terminalSafe(message.image) + "\n";
    return lines;
}

}  // namespace netrov::cli
