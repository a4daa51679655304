// Fuzzes the filter that every device text passes before netrov-cli prints it, its JSON form,
// the monitoring check's line and the report's CSV on a terminal.
//
// Input: any bytes, as a device may send them.
#include <cstdint>
#include <cstdlib>
#include <string>

#include <nlohmann/json.hpp>

#include "fleet_commands.h"
#include "fleet_report.h"
#include "report.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string safe = netrov::cli::terminalSafe(text);
    if (safe.size() > text.size()) std::abort();
    for (size_t i = 0; i < safe.size(); ++i) {
        const auto byte = static_cast<unsigned char>(safe[i]);
        if (byte < 0x20 || byte == 0x7F) std::abort();
        // U+0080 to U+009F in UTF-8 never get through.
        if (byte == 0xC2 && i + 1 < safe.size() && static_cast<unsigned char>(safe[i + 1]) <= 0x9F &&
            static_cast<unsigned char>(safe[i + 1]) >= 0x80)
            std::abort();
    }
    // What was made safe stays as it is.
    if (netrov::cli::terminalSafe(safe) != safe) std::abort();
    // JSON output is plain ASCII and reads back.
    const std::string json = netrov::cli::dumpJson(nlohmann::json(text));
    for (const char c : json)
        if (static_cast<unsigned char>(c) >= 0x80) std::abort();
    // Escaped, it is still well-formed JSON.
    if (!nlohmann::json::accept(json)) std::abort();

    // The check stays one line with one "|" and labels of [a-z0-9_].
    netrov::core::DeviceReport report;
    report.model = text;
    report.alerts = {text};
    report.statusCode = 4;
    report.status = "Warning";
    const int32_t none[3] = {};
    report.toner.push_back({netrov::core::tonerColumn(none, false, text, 0), text, 3, text, std::nullopt});
    const std::string line = netrov::cli::checkVerdict(report, netrov::cli::CheckThresholds{}).line;
    if (line.find_first_of("\r\n") != std::string::npos) std::abort();
    const size_t bar = line.find('|');
    if (bar == std::string::npos || line.find('|', bar + 1) != std::string::npos) std::abort();
    for (size_t i = line.find(" toner_", bar); i != std::string::npos; i = line.find(" toner_", i + 1)) {
        for (size_t k = i + 1; k < line.size() && line[k] != '='; ++k) {
            const char c = line[k];
            if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_')) std::abort();
        }
    }

    // The report's CSV on a terminal: only the records' own line ends.
    const std::string csv = netrov::core::reportCsv({report}, netrov::cli::terminalSafe);
    size_t controls = 0;
    for (const char c : csv) controls += static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
    if (controls != 4) std::abort();  // CR LF after the header and after the row
    return 0;
}
