// The texts inside IPP attribute values that a printer fills: the
// "key=value;" lists of supplies, trays and alerts, the device ID's fields and
// the state-reason keywords. Every value is untrusted; the parsers bound what
// they keep and never read past the text.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "words.h"

namespace netrov::core::ipp {

// A list keeps at most this many pairs, each key and value at most
// kMaxValueLength bytes; the rest of a longer list is dropped.
inline constexpr size_t kMaxKeyValues = 32;
inline constexpr size_t kMaxValueLength = 1023;

using KeyValues = std::vector<std::pair<std::string, std::string>>;

// "type=toner;level=80;colorantname=black;" as pairs in order. A backslash
// keeps the next byte as it is (an escaped ';' or '='); a part without '='
// or with an empty key is skipped.
KeyValues parseKeyValues(std::string_view text);
// The value of the first pair with the key (compared without case); empty when absent.
std::string valueOf(const KeyValues& pairs, std::string_view key);
// The value as a whole decimal number within int32_t; none when absent or not one.
std::optional<int32_t> numberOf(const KeyValues& pairs, std::string_view key);

// A field of an IEEE 1284 device ID ("MFG:Acme;MDL:Laser 1;SN:X123;"), by
// any of its names (compared without case); empty when absent.
std::string deviceIdField(std::string_view deviceId, std::initializer_list<std::string_view> keys);

// The value an enumeration gives a printer's keyword: the MIB label
// ("tonerCartridge", "coverOpen") or the IPP spelling with hyphens
// ("toner-cartridge"), or a decimal number. None when it names nothing.
std::optional<int32_t> enumValueOf(Enumeration enumeration, std::string_view keyword);

// A printer-state-reasons keyword split into its reason and severity
// ("media-jam-error" -> "media-jam", Error). A reason without a suffix is
// an error, as printers that omit it mean.
enum class ReasonSeverity : uint8_t { Report, Warning, Error };
struct StateReason {
    std::string reason;
    ReasonSeverity severity = ReasonSeverity::Error;
};
StateReason splitStateReason(std::string_view keyword);
// The error-state bits (include/netrov/printer_mib.h) a reason stands for; 0 for none.
uint32_t stateReasonBits(std::string_view reason);

// "#00FFFF" as red, green and blue; none when it is not six hex digits after '#'.
std::optional<std::array<int32_t, 3>> rgbOf(std::string_view colour);

}  // namespace netrov::core::ipp
