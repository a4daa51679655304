// Packed job values: one OCTET STRING of a job table row (or of a job or
// fax notification) that holds many attributes, located by an entry table.
// The bytes come from a device, so every count, offset and length is checked
// before use and no read leaves the value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "netrov/job_records.h"

namespace netrov::tessel {

// One entry of the table: tag, where its value lies, and the value itself
// when it lies wholly inside the packed value.
struct PackedEntry {
    uint32_t tag = 0;
    uint32_t length = 0;
    uint32_t offset = 0;
    std::optional<std::span<const uint8_t>> value;
};

// The entry table. With a tag definition, its entries are read until its
// bytes are used up (a partial entry at its end is dropped). Without one the
// packed value describes itself: a 2-byte number of entries, then the
// entries, read while bytes remain. Each entry is four numbers (tag, unused,
// value length, value offset), 2 bytes each, most significant first, where
// 0xFFFF means the real number follows in the next 4 bytes.
std::vector<PackedEntry> packedEntries(std::span<const uint8_t> packed,
                                       std::optional<std::span<const uint8_t>> tagDefinition);

// Integer attributes: 2 or 4 bytes most significant first, any other length
// 0. Tag 510 holds its number least significant byte first (fewer than four
// bytes fill the low bytes).
int32_t entryInteger(uint32_t tag, std::span<const uint8_t> value);

// The record of one packed value; later entries of a tag win, entries with
// other tags or without a value are ignored. The default replaces a 0 in
// tag 127 (current job) or tag 200 (logs) and sets its flag.
void unpackCurrentJob(std::span<const uint8_t> packed, std::optional<std::span<const uint8_t>> tagDefinition,
                      int32_t defaultValue, CurrentJobRecord& record);
void unpackLogEntry(std::span<const uint8_t> packed, std::optional<std::span<const uint8_t>> tagDefinition,
                    int32_t defaultValue, LogRecord& record);

}  // namespace netrov::tessel
