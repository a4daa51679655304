// Fuzzes the filter that every device text passes before netrov-cli prints it, and its JSON form.
//
// Input: any bytes, as a device may send them.
#include <cstdint>
#include <cstdlib>
#include <string>

#include <nlohmann/json.hpp>

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
    return 0;
}
