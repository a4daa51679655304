// Parsing the texts inside IPP attribute values.
#include "ipp_values.h"

#include <algorithm>
#include <charconv>

#include <netrov/printer_mib.h>

namespace netrov::core::ipp {

namespace {

bool sameWord(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return (x >= 'A' && x <= 'Z' ? x + 32 : x) == (y >= 'A' && y <= 'Z' ? y + 32 : y);
           });
}

std::optional<int32_t> decimal(std::string_view text)
{
    int32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || ptr != end) return std::nullopt;
    return value;
}

// "toner-cartridge" as the MIB spells it: "tonerCartridge".
std::string camelCase(std::string_view keyword)
{
    std::string out;
    bool upper = false;
    for (const char c : keyword) {
        if (c == '-') {
            upper = true;
            continue;
        }
        out += upper && c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
        upper = false;
    }
    return out;
}

struct ReasonBits {
    const char* reason;
    uint32_t bits;
};

// The state reasons that the printer's error-state bits also have.
constexpr ReasonBits kReasonBits[] = {
    {"media-jam", NETROV_ERROR_JAMMED},
    {"cover-open", NETROV_ERROR_DOOR_OPEN},
    {"door-open", NETROV_ERROR_DOOR_OPEN},
    {"interlock-open", NETROV_ERROR_DOOR_OPEN},
    {"toner-low", NETROV_ERROR_LOW_TONER},
    {"marker-supply-low", NETROV_ERROR_LOW_TONER},
    {"toner-empty", NETROV_ERROR_NO_TONER},
    {"marker-supply-empty", NETROV_ERROR_NO_TONER},
    {"marker-supply-missing", NETROV_ERROR_MARKER_SUPPLY_MISSING},
    {"media-low", NETROV_ERROR_LOW_PAPER},
    {"media-empty", NETROV_ERROR_NO_PAPER},
    {"media-needed", NETROV_ERROR_NO_PAPER},
    {"offline", NETROV_ERROR_OFFLINE},
    {"shutdown", NETROV_ERROR_OFFLINE},
    {"input-tray-missing", NETROV_ERROR_INPUT_TRAY_MISSING},
    {"output-tray-missing", NETROV_ERROR_OUTPUT_TRAY_MISSING},
    {"output-area-almost-full", NETROV_ERROR_OUTPUT_NEAR_FULL},
    {"output-area-full", NETROV_ERROR_OUTPUT_FULL},
};

struct SeveritySuffix {
    std::string_view suffix;
    ReasonSeverity severity;
};
constexpr SeveritySuffix kSeveritySuffixes[] = {
    {"-report", ReasonSeverity::Report},
    {"-warning", ReasonSeverity::Warning},
    {"-error", ReasonSeverity::Error},
};

}  // namespace

KeyValues parseKeyValues(std::string_view text)
{
    KeyValues pairs;
    std::string key;
    std::string value;
    bool inValue = false;
    const auto finish = [&] {
        if (inValue && !key.empty() && pairs.size() < kMaxKeyValues) pairs.emplace_back(key, value);
        key.clear();
        value.clear();
        inValue = false;
    };
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        bool literal = false;
        if (c == '\\' && i + 1 < text.size()) {
            c = text[++i];
            literal = true;
        }
        if (!literal && c == ';') {
            finish();
            continue;
        }
        if (!literal && c == '=' && !inValue) {
            inValue = true;
            continue;
        }
        std::string& into = inValue ? value : key;
        if (into.size() < kMaxValueLength) into += c;
    }
    finish();
    return pairs;
}

std::string valueOf(const KeyValues& pairs, std::string_view key)
{
    for (const auto& [k, v] : pairs) {
        if (sameWord(k, key)) return v;
    }
    return {};
}

std::optional<int32_t> numberOf(const KeyValues& pairs, std::string_view key)
{
    return decimal(valueOf(pairs, key));
}

std::string deviceIdField(std::string_view deviceId, std::initializer_list<std::string_view> keys)
{
    size_t pos = 0;
    while (pos < deviceId.size()) {
        size_t end = deviceId.find(';', pos);
        if (end == std::string_view::npos) end = deviceId.size();
        const std::string_view field = deviceId.substr(pos, end - pos);
        const size_t colon = field.find(':');
        if (colon != std::string_view::npos) {
            std::string_view key = field.substr(0, colon);
            while (!key.empty() && key.front() == ' ') key.remove_prefix(1);
            for (const std::string_view wanted : keys) {
                if (sameWord(key, wanted)) return std::string(field.substr(colon + 1, kMaxValueLength));
            }
        }
        pos = end + 1;
    }
    return {};
}

std::optional<int32_t> enumValueOf(Enumeration enumeration, std::string_view keyword)
{
    if (const auto number = decimal(keyword)) return number;
    const std::string label = camelCase(keyword);
    for (const EnumName& name : enumNames(enumeration)) {
        if (sameWord(name.label, label)) return name.value;
    }
    return std::nullopt;
}

StateReason splitStateReason(std::string_view keyword)
{
    for (const SeveritySuffix& s : kSeveritySuffixes) {
        if (keyword.size() > s.suffix.size() && keyword.ends_with(s.suffix))
            return {std::string(keyword.substr(0, keyword.size() - s.suffix.size())), s.severity};
    }
    return {std::string(keyword), ReasonSeverity::Error};
}

uint32_t stateReasonBits(std::string_view reason)
{
    for (const ReasonBits& r : kReasonBits) {
        if (reason == r.reason) return r.bits;
    }
    return 0;
}

std::optional<std::array<int32_t, 3>> rgbOf(std::string_view colour)
{
    if (colour.size() != 7 || colour[0] != '#') return std::nullopt;
    std::array<int32_t, 3> rgb{};
    for (size_t i = 0; i < 3; ++i) {
        const std::string_view part = colour.substr(1 + 2 * i, 2);
        uint32_t value = 0;
        const auto [ptr, error] = std::from_chars(part.data(), part.data() + 2, value, 16);
        if (error != std::errc() || ptr != part.data() + 2) return std::nullopt;
        rgb[i] = static_cast<int32_t>(value);
    }
    return rgb;
}

}  // namespace netrov::core::ipp
