// Packed job values: the entry table and the records filled from it.
#include "packed_value.h"

#include <cstring>

#include "decoders.h"
#include "framework.h"

namespace netrov::tessel {

namespace {

constexpr uint32_t kExtended = 0xFFFF;

// Reads the numbers of an entry table; nothing once the bytes run out.
class NumberReader {
public:
    explicit NumberReader(std::span<const uint8_t> bytes, size_t start = 0) : bytes_(bytes), position_(start) {}

    bool atEnd() const { return position_ >= bytes_.size(); }

    std::optional<uint32_t> next()
    {
        if (bytes_.size() - position_ < 2) return std::nullopt;
        uint32_t number = readBigEndian(bytes_.data() + position_, 2);
        position_ += 2;
        if (number != kExtended) return number;
        if (bytes_.size() - position_ < 4) return std::nullopt;
        number = readBigEndian(bytes_.data() + position_, 4);
        position_ += 4;
        return number;
    }

private:
    std::span<const uint8_t> bytes_;
    size_t position_;
};

std::optional<PackedEntry> nextEntry(NumberReader& reader, std::span<const uint8_t> packed)
{
    const auto tag = reader.next();
    const auto unused = reader.next();
    const auto length = reader.next();
    const auto offset = reader.next();
    if (!tag || !unused || !length || !offset) return std::nullopt;
    PackedEntry entry{*tag, *length, *offset, std::nullopt};
    // In 64 bits an offset and a length near 2^32 cannot wrap around.
    if (static_cast<uint64_t>(*offset) + *length <= packed.size()) entry.value = packed.subspan(*offset, *length);
    return entry;
}

void setInteger(uint8_t& flag, int32_t& field, const PackedEntry& entry)
{
    flag = 1;
    field = entryInteger(entry.tag, *entry.value);
}

template <size_t N>
void setText(uint8_t& flag, char (&field)[N], const PackedEntry& entry)
{
    flag = 1;
    memset(field, 0, N);
    copyText(field, N, entry.value->data(), entry.value->size());
}

void setBytes(LogBytes& field, const PackedEntry& entry)
{
    field.valid = 1;
    memset(field.bytes, 0, sizeof field.bytes);
    const size_t n = entry.value->size() < sizeof field.bytes ? entry.value->size() : sizeof field.bytes;
    if (n) memcpy(field.bytes, entry.value->data(), n);
    field.length = static_cast<int32_t>(n);
}

// Fills the fields both record kinds share; false for a tag they do not.
template <class Record>
bool setCommon(Record& record, const PackedEntry& entry)
{
    switch (entry.tag) {
    case 118: setInteger(record.tag118Valid, record.tag118, entry); return true;
    case 200: setInteger(record.tag200Valid, record.tag200, entry); return true;
    case 127: setInteger(record.tag127Valid, record.tag127, entry); return true;
    case 112: setText(record.tag112Valid, record.tag112, entry); return true;
    case 113: setText(record.tag113Valid, record.tag113, entry); return true;
    case 114:
        setText(record.tag114Valid, record.tag114, entry);
        record.tag114Length = static_cast<int32_t>(entry.length);
        return true;
    case 510: setInteger(record.tag510Valid, record.tag510, entry); return true;
    default: return false;
    }
}

void applyDefault(uint8_t& flag, int32_t& field, int32_t defaultValue)
{
    if (field != 0) return;
    flag = 1;
    field = defaultValue;
}

}  // namespace

std::vector<PackedEntry> packedEntries(std::span<const uint8_t> packed,
                                       std::optional<std::span<const uint8_t>> tagDefinition)
{
    std::vector<PackedEntry> entries;
    if (tagDefinition) {
        NumberReader reader(*tagDefinition);
        while (!reader.atEnd()) {
            auto entry = nextEntry(reader, packed);
            if (!entry) break;
            entries.push_back(*entry);
        }
        return entries;
    }
    if (packed.size() < 2) return entries;
    const uint32_t count = readBigEndian(packed.data(), 2);
    NumberReader reader(packed, 2);
    while (entries.size() < count && !reader.atEnd()) {
        auto entry = nextEntry(reader, packed);
        if (!entry) break;
        entries.push_back(*entry);
    }
    return entries;
}

int32_t entryInteger(uint32_t tag, std::span<const uint8_t> value)
{
    if (tag == 510) {
        uint32_t number = 0;
        for (size_t i = 0; i < value.size() && i < 4; ++i) number |= static_cast<uint32_t>(value[i]) << (8 * i);
        return static_cast<int32_t>(number);
    }
    return static_cast<int32_t>(readBigEndian(value.data(), value.size()));
}

void unpackCurrentJob(std::span<const uint8_t> packed, std::optional<std::span<const uint8_t>> tagDefinition,
                      int32_t defaultValue, CurrentJobRecord& record)
{
    for (const PackedEntry& entry : packedEntries(packed, tagDefinition)) {
        if (!entry.value || setCommon(record, entry)) continue;
        if (entry.tag == 100) setInteger(record.tag100Valid, record.tag100, entry);
    }
    applyDefault(record.tag127Valid, record.tag127, defaultValue);
}

void unpackLogEntry(std::span<const uint8_t> packed, std::optional<std::span<const uint8_t>> tagDefinition,
                    int32_t defaultValue, LogRecord& record)
{
    for (const PackedEntry& entry : packedEntries(packed, tagDefinition)) {
        if (!entry.value || setCommon(record, entry)) continue;
        switch (entry.tag) {
        case 192: setInteger(record.sequenceValid, record.sequence, entry); break;
        case 193: setInteger(record.tag193Valid, record.tag193, entry); break;
        case 120: setInteger(record.tag120Valid, record.tag120, entry); break;
        case 122:
        case 195: setBytes(record.bytes1, entry); break;
        case 123:
        case 196: setBytes(record.bytes2, entry); break;
        case 144: setInteger(record.tag144Valid, record.tag144, entry); break;
        case 181: setInteger(record.tag181Valid, record.tag181, entry); break;
        case 184:
        case 189: setInteger(record.tag184Valid, record.tag184, entry); break;
        case 183:
        case 188: setInteger(record.tag183Valid, record.tag183, entry); break;
        case 187: setText(record.tag187Valid, record.tag187, entry); break;
        case 191: setInteger(record.tag191Valid, record.tag191, entry); break;
        default: break;
        }
    }
    applyDefault(record.tag200Valid, record.tag200, defaultValue);
}

}  // namespace netrov::tessel
