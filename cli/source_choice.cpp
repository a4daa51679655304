// Checking netrov-cli's choice of source.
#include "source_choice.h"

#include <nlohmann/json.hpp>

#include "alert_report.h"
#include "attention.h"
#include "exit_codes.h"
#include "platform/file_system.h"
#include "query_commands.h"
#include "words.h"
#include "report.h"

namespace netrov::cli {

std::string checkSourceChoice(const SourceChoice& given, core::SourceOptions& out)
{
    const auto source = core::sourceNamed(given.source);
    if (!source) return "--source is " + std::string(core::kSourceWords) + ", not \"" + terminalSafe(given.source) + "\"";
    if (given.ippPort < 1 || given.ippPort > 65535) return "--ipp-port is a port from 1 to 65535";
    if (*source != core::Source::Snmp && *source != core::Source::Auto && !core::ippAvailable())
        return "reading over IPP is not available in this build (it needs libcups)";
    out.source = *source == core::Source::Auto && !core::ippAvailable() ? core::Source::Snmp : *source;
    out.ippPort = static_cast<int>(given.ippPort);
    if (!given.ippCredentials.empty()) {
        if (!core::ippAvailable()) return "--ipp-credentials: reading over IPP is not available in this build (it needs libcups)";
        if (!platform::isReadableFile(given.ippCredentials))
            return "--ipp-credentials: cannot read " + terminalSafe(given.ippCredentials) + " (missing, or not a regular file)";
        out.ippCredentialsFile = given.ippCredentials;
    }
    return {};
}

bool statusFromReading(const core::SourceOptions& source, bool snmpAnswered)
{
    if (source.source == core::Source::Ipp || source.source == core::Source::Both) return true;
    return !snmpAnswered && source.source == core::Source::Auto;
}

namespace {

// A device neither source read: what each said, on one line. False when it was read.
bool notRead(const core::DeviceReport& report, std::ostream& err)
{
    if (report.answered && report.printer) return false;
    err << "netrov-cli: " << terminalSafe(report.address) << " was not read";
    for (const std::string& p : report.problems) err << "; " << terminalSafe(p);
    err << "\n";
    return true;
}

}  // namespace

int printReadingStatus(const core::DeviceReport& report, bool json, std::ostream& out, std::ostream& err)
{
    if (notRead(report, err)) return kExitFailed;
    if (json) {
        nlohmann::json object = {{"ipAddress", report.address}, {"model", report.model}};
        addStatusJson(report, object);
        out << dumpJson(object) << "\n";
    } else {
        out << statusLines(report);
    }
    return kExitOk;
}

namespace {

// "2400/8000" in the supply's own unit, as the SNMP tables show it; "-" without a level.
std::string levelCell(const std::optional<int32_t>& current, const std::optional<int32_t>& maximum)
{
    if (!current || *current < 0) return "-";
    std::string cell = std::to_string(*current);
    if (maximum && *maximum > 0) cell += "/" + std::to_string(*maximum);
    return cell;
}

std::string remainingCell(const std::optional<int32_t>& percent, const std::string& remainingText, bool bars)
{
    return percentCell(percent.has_value(), percent.value_or(0), terminalSafe(remainingText), bars);
}

}  // namespace

int printReadingSupplies(const core::DeviceReport& report, bool toner, bool json, bool bars, std::ostream& out,
                         std::ostream& err)
{
    if (notRead(report, err)) return kExitFailed;
    const nlohmann::json device = core::reportJson({report}).at(0);
    if (json) {
        nlohmann::json object = {{"address", report.address}, {"model", device.at("model")}, {"source", report.source}};
        if (toner) {
            object["toners"] = device.at("toners");
        } else {
            // Paper is the trays command's.
            nlohmann::json supplies = nlohmann::json::array();
            for (size_t i = 0; i < report.supplies.size(); ++i) {
                if (report.supplies[i].kind != core::SupplyKind::Paper) supplies.push_back(device.at("supplies").at(i));
            }
            object["supplies"] = supplies;
        }
        out << dumpJson(object) << "\n";
        return kExitOk;
    }
    std::vector<std::vector<std::string>> rows;
    if (toner) {
        for (const core::TonerLevel& t : report.toner)
            rows.push_back({terminalSafe(t.name), t.colour, levelCell(t.current, t.maximum), remainingCell(t.percent, t.remainingText, bars)});
    } else {
        for (const core::SupplyLevel& s : report.supplies) {
            if (s.kind == core::SupplyKind::Paper) continue;
            rows.push_back({terminalSafe(s.name), core::capitalised(core::supplyKindKey(s.kind)),
                            levelCell(s.current, s.maximum), remainingCell(s.percent, {}, bars)});
        }
    }
    out << "Model: " << terminalSafe(report.model) << "\nSource: " << report.source << "\n"
        << formatColumns({toner ? "Toner" : "Supply", toner ? "Colour" : "Type", "Level", "Remaining"}, rows);
    if (rows.empty()) out << "(none reported)\n";
    return kExitOk;
}

std::string snmpOnlyText(const std::string& command)
{
    return command + " is read over SNMP only (--source snmp or auto)";
}

int printReadingView(ReadingView view, const core::DeviceReport& report, bool json, bool bars, std::ostream& out,
                     std::ostream& err)
{
    if (notRead(report, err)) return kExitFailed;
    const nlohmann::json device = core::reportJson({report}).at(0);
    nlohmann::json object;
    std::string text;
    switch (view) {
    case ReadingView::Model:
        if (report.model.empty()) {
            err << "netrov-cli: " << terminalSafe(report.address) << " answered, but names no model\n";
            return kExitFailed;
        }
        object = {{"ipAddress", report.address}, {"model", device.at("model")}, {"source", report.source}};
        text = terminalSafe(report.model) + "\n";
        break;
    case ReadingView::Info: {
        const auto orNull = [](const std::string& value, const nlohmann::json& shown) {
            return value.empty() ? nlohmann::json() : shown;
        };
        object = {{"ipAddress", report.address}, {"model", device.at("model")}, {"source", report.source}};
        object["name"] = object["device"] = orNull(report.name, device.at("name"));
        object["location"] = orNull(report.location, device.at("location"));
        object["mac"] = object["macAddress"] = orNull(report.macAddress, device.at("mac"));
        const auto dash = [](const std::string& value) { return value.empty() ? std::string("-") : terminalSafe(value); };
        text = "Model:       " + terminalSafe(report.model) + "\nDevice:      " + dash(report.name) +
               "\nLocation:    " + dash(report.location) + "\nIP address:  " + terminalSafe(report.address) +
               "\nMAC address: " + dash(report.macAddress) + "\nSource:      " + report.source + "\n";
        break;
    }
    case ReadingView::Trays: {
        object = {{"address", report.address}, {"model", device.at("model")}, {"source", report.source}};
        nlohmann::json trays = nlohmann::json::array();
        std::vector<std::vector<std::string>> rows;
        for (size_t i = 0; i < report.supplies.size(); ++i) {
            const core::SupplyLevel& s = report.supplies[i];
            if (s.kind != core::SupplyKind::Paper) continue;
            trays.push_back(device.at("supplies").at(i));
            rows.push_back({terminalSafe(s.name), "-", "-", s.media.empty() ? "-" : terminalSafe(s.media),
                            levelCell(s.current, s.maximum), remainingCell(s.percent, {}, bars)});
        }
        object["trays"] = trays;
        text = "Model: " + terminalSafe(report.model) + "\nSource: " + report.source + "\n" +
               formatColumns({"Tray", "Paper", "Size", "Media", "Level", "Remaining"}, rows) +
               (rows.empty() ? "(none reported)\n" : "");
        break;
    }
    case ReadingView::Counters: {
        // The printer's impressions, under the keys of a counter record.
        nlohmann::json records = nlohmann::json::array();
        std::vector<std::vector<std::string>> rows;
        if (report.pageCount) {
            records.push_back({{"typeName", "Impressions completed"}, {"count", *report.pageCount}, {"unitName", "Impressions"}});
            rows.push_back({"Impressions completed", std::to_string(*report.pageCount), "Impressions"});
        }
        object = {{"schemaVersion", kSchemaVersion}, {"address", report.address}, {"model", device.at("model")},
                  {"source", report.source}, {"count", records.size()}, {"records", records}};
        text = "Model: " + terminalSafe(report.model) + "\nSource: " + report.source + "\n" +
               formatColumns({"Counter", "Count", "Unit"}, rows) + (rows.empty() ? "(none reported)\n" : "");
        break;
    }
    }
    out << (json ? dumpJson(object) + "\n" : text);
    return kExitOk;
}

}  // namespace netrov::cli
