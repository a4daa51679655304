// Small value decoders shared by the queries.
#include "decoders.h"

#include <limits>
#include <string>

namespace netrov::tessel {

namespace {

constexpr size_t kMaxArcs = 128;
constexpr size_t kMaxIdentifierText = 255;

int hexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 0;
}

}  // namespace

int hexPairsToBytes(std::string_view text, uint8_t* out, size_t capacity, size_t* count)
{
    if (text.size() > 2 * capacity) return -1;
    size_t n = 0;
    for (size_t i = 0; i < text.size(); i += 2) {
        const int high = hexDigit(text[i]);
        const int low = i + 1 < text.size() ? hexDigit(text[i + 1]) : 0;
        out[n++] = static_cast<uint8_t>(high << 4 | low);
    }
    if (count) *count = n;
    return 0;
}

bool parseOid(std::string_view text, std::vector<uint32_t>* arcs)
{
    if (!text.empty() && text.front() == '.') text.remove_prefix(1);
    if (text.empty()) return false;
    if (arcs) arcs->clear();
    size_t count = 0;
    size_t i = 0;
    while (true) {
        if (i >= text.size() || text[i] < '0' || text[i] > '9') return false;
        uint64_t arc = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            arc = arc * 10 + static_cast<uint64_t>(text[i] - '0');
            if (arc > std::numeric_limits<uint32_t>::max()) return false;
            ++i;
        }
        if (++count > kMaxArcs) return false;
        if (arcs) arcs->push_back(static_cast<uint32_t>(arc));
        if (i == text.size()) return true;
        if (text[i] != '.') return false;
        ++i;
    }
}

std::string normalisedOid(std::string_view text)
{
    // As the codec reads a request's names: each run of digits is an arc and
    // anything else separates arcs, so a trailing dot or a stray blank in a
    // document does not undefine its key.
    std::string out;
    size_t arcs = 0;
    for (size_t i = 0; i < text.size();) {
        if (text[i] < '0' || text[i] > '9') {
            ++i;
            continue;
        }
        uint64_t arc = 0;
        for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
            arc = arc * 10 + static_cast<uint64_t>(text[i] - '0');
            if (arc > std::numeric_limits<uint32_t>::max()) return {};
        }
        if (++arcs > kMaxArcs) return {};
        if (!out.empty()) out += '.';
        out += std::to_string(arc);
        if (out.size() > kMaxIdentifierText) return {};
    }
    return out;
}

int compareOids(std::string_view a, std::string_view b)
{
    std::vector<uint32_t> x, y;
    const bool okA = parseOid(a, &x);
    const bool okB = parseOid(b, &y);
    if (!okA || !okB) return okA == okB ? 0 : (okA ? 1 : -1);
    for (size_t i = 0; i < x.size() && i < y.size(); ++i) {
        if (x[i] != y[i]) return x[i] < y[i] ? -1 : 1;
    }
    if (x.size() == y.size()) return 0;
    return x.size() < y.size() ? -1 : 1;
}

bool identifierUnder(std::string_view identifier, std::string_view base)
{
    if (!identifier.empty() && identifier.front() == '.') identifier.remove_prefix(1);
    if (!base.empty() && base.front() == '.') base.remove_prefix(1);
    if (base.empty() || identifier.size() < base.size()) return false;
    if (identifier.compare(0, base.size(), base) != 0) return false;
    return identifier.size() == base.size() || identifier[base.size()] == '.';
}

uint32_t lastArcOf(std::string_view identifier)
{
    const size_t dot = identifier.rfind('.');
    if (dot == std::string_view::npos) return 0;
    uint64_t value = 0;
    for (size_t i = dot + 1; i < identifier.size(); ++i) {
        const char c = identifier[i];
        if (c < '0' || c > '9') break;
        value = value * 10 + static_cast<uint64_t>(c - '0');
        if (value > std::numeric_limits<uint32_t>::max()) return std::numeric_limits<uint32_t>::max();
    }
    return static_cast<uint32_t>(value);
}

int32_t decimalValue(const char* text)
{
    if (!text) return 0;
    while (*text == ' ' || (*text >= '\t' && *text <= '\r')) ++text;
    bool negative = false;
    if (*text == '+' || *text == '-') negative = *text++ == '-';
    int64_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 + (*text - '0');
        if (value > static_cast<int64_t>(std::numeric_limits<int32_t>::max()) + 1) break;
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

double scaleByUnit(double number, int32_t unit)
{
    switch (unit) {
    case 3: return number * 0.0001;
    case 4:
    case 12: return number * 0.001;
    case 11: return number / 60.0;
    case 13: return number * 0.1;
    default: return number;
    }
}

double scaleLength(double number, int32_t unit)
{
    switch (unit) {
    case 3: return number * 0.00254;
    case 4: return number * 0.001;
    default: return 0.0;
    }
}

uint32_t readBigEndian(const uint8_t* bytes, size_t length)
{
    if (!bytes) return 0;
    if (length == 2) return static_cast<uint32_t>(bytes[0]) << 8 | bytes[1];
    if (length == 4) {
        return static_cast<uint32_t>(bytes[0]) << 24 | static_cast<uint32_t>(bytes[1]) << 16
             | static_cast<uint32_t>(bytes[2]) << 8 | bytes[3];
    }
    return 0;
}

uint32_t readBigEndianHigh(const uint8_t* bytes, size_t length)
{
    if (!bytes) return 0;
    uint32_t value = 0;
    for (size_t i = 0; i < length && i < 4; ++i) value |= static_cast<uint32_t>(bytes[i]) << (24 - 8 * i);
    return value;
}

uint32_t namedBits(const uint8_t* bytes, size_t length)
{
    if (!bytes) return 0;
    uint32_t value = 0;
    for (size_t octet = 0; octet < length && octet < 2; ++octet) {
        for (int bit = 0; bit < 8; ++bit) {
            if (bytes[octet] & (0x80u >> bit)) value |= 1u << (8 * octet + bit);
        }
    }
    return value;
}

}  // namespace netrov::tessel
