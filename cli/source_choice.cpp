// Checking netrov-cli's choice of source.
#include "source_choice.h"

#include <nlohmann/json.hpp>

#include "alert_report.h"
#include "attention.h"
#include "exit_codes.h"
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
    return {};
}

bool statusFromReading(const core::SourceOptions& source, bool snmpAnswered)
{
    if (source.source == core::Source::Ipp || source.source == core::Source::Both) return true;
    return !snmpAnswered && source.source == core::Source::Auto;
}

int printReadingStatus(const core::DeviceReport& report, bool json, std::ostream& out, std::ostream& err)
{
    if (!report.answered || !report.printer) {
        err << "netrov-cli: " << report.address << " was not read";
        for (const std::string& p : report.problems) err << "; " << terminalSafe(p);
        err << "\n";
        return kExitFailed;
    }
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
    if (!report.answered || !report.printer) {
        err << "netrov-cli: " << report.address << " was not read";
        for (const std::string& p : report.problems) err << "; " << terminalSafe(p);
        err << "\n";
        return kExitFailed;
    }
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

}  // namespace netrov::cli
