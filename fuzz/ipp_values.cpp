// Fuzzes the parsers of the texts inside a printer's IPP values: the
// "key=value;" lists of supplies, trays and alerts, the device ID's fields,
// state reasons and colours.
//
// Input: any bytes, as a printer may send them in one value.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "ipp_values.h"

namespace ipp = netrov::core::ipp;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const ipp::KeyValues pairs = ipp::parseKeyValues(text);
    if (pairs.size() > ipp::kMaxKeyValues) std::abort();
    for (const auto& [key, value] : pairs) {
        if (key.empty() || key.size() > ipp::kMaxValueLength || value.size() > ipp::kMaxValueLength) std::abort();
        // The first pair of a key is the one found.
        (void)ipp::numberOf(pairs, key);
    }
    // A key finds the first pair whose key it names, case aside.
    const auto folded = [](std::string text) {
        for (char& c : text) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
        return text;
    };
    for (const auto& [key, value] : pairs) {
        for (const auto& [k, v] : pairs) {
            if (folded(k) == folded(key)) {
                if (ipp::valueOf(pairs, key) != v) std::abort();
                break;
            }
        }
    }
    if (ipp::deviceIdField(text, {"SN", "SERIALNUMBER"}).size() > ipp::kMaxValueLength) std::abort();
    const ipp::StateReason reason = ipp::splitStateReason(text);
    if (reason.reason.size() > text.size()) std::abort();
    (void)ipp::stateReasonBits(reason.reason);
    (void)ipp::enumValueOf(netrov::core::Enumeration::SupplyType, text);
    if (const auto rgb = ipp::rgbOf(text)) {
        for (const int32_t c : *rgb) {
            if (c < 0 || c > 255) std::abort();
        }
    }
    return 0;
}
