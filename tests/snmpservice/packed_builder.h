// Builds packed job values the way devices send them: an entry table (tag,
// unused, value length, value offset) and the values, in the self-described
// form or as a separate tag definition.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace netrov::test {

using Bytes = std::vector<uint8_t>;

struct PackedItem {
    uint32_t tag;
    Bytes value;
};

inline Bytes bigEndian(uint32_t number, size_t length)
{
    Bytes out(length);
    for (size_t i = 0; i < length; ++i) out[i] = static_cast<uint8_t>(number >> (8 * (length - 1 - i)));
    return out;
}

inline Bytes textBytes(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

// One number of an entry: 2 bytes, or 0xFFFF and 4 bytes when extended.
inline void appendNumber(Bytes& out, uint32_t number, bool extended)
{
    const Bytes bytes = extended ? bigEndian(number, 4) : bigEndian(number, 2);
    if (extended) out.insert(out.end(), {0xFF, 0xFF});
    out.insert(out.end(), bytes.begin(), bytes.end());
}

inline void appendEntry(Bytes& out, uint32_t tag, uint32_t length, uint32_t offset, bool extended = false)
{
    appendNumber(out, tag, extended);
    appendNumber(out, 0, extended);
    appendNumber(out, length, extended);
    appendNumber(out, offset, extended);
}

// Count, entries, then the values in order.
inline Bytes selfDescribed(const std::vector<PackedItem>& items, bool extended = false)
{
    const size_t entrySize = extended ? 24 : 8;
    size_t offset = 2 + items.size() * entrySize;
    Bytes out = bigEndian(static_cast<uint32_t>(items.size()), 2);
    for (const PackedItem& item : items) {
        appendEntry(out, item.tag, static_cast<uint32_t>(item.value.size()), static_cast<uint32_t>(offset), extended);
        offset += item.value.size();
    }
    for (const PackedItem& item : items) out.insert(out.end(), item.value.begin(), item.value.end());
    return out;
}

// The tag definition and the values it describes.
inline std::pair<Bytes, Bytes> withDefinition(const std::vector<PackedItem>& items, bool extended = false)
{
    Bytes definition;
    Bytes values;
    for (const PackedItem& item : items) {
        appendEntry(definition, item.tag, static_cast<uint32_t>(item.value.size()),
                    static_cast<uint32_t>(values.size()), extended);
        values.insert(values.end(), item.value.begin(), item.value.end());
    }
    return {definition, values};
}

inline std::string hexText(const Bytes& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (uint8_t b : bytes) {
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

}  // namespace netrov::test
