// Checking netrov-cli's choice of source.
#include "source_choice.h"

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

}  // namespace netrov::cli
