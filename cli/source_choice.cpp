// Checking netrov-cli's choice of source.
#include "source_choice.h"

#include <nlohmann/json.hpp>

#include "alert_report.h"
#include "attention.h"
#include "exit_codes.h"
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

}  // namespace netrov::cli
