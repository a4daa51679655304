// The network queries as data: each is its request, the record fields its
// keys fill, and the conversions that turn settings into texts and numbers.
// One rule (fillNetworkRecord) fills any of them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "attribute_query.h"

namespace netrov::tessel {

inline constexpr size_t kNetworkTextSize = 256;

enum class Fill : uint8_t {
    Integer,         // the 32-bit integer of the first four value bytes
    Bytes,           // the first `width` value bytes; a shorter value fills only as many
    Text,            // at most width - 1 bytes, NUL-terminated
    Hundredths,      // an unsigned count of hundredths, stored in whole units
    AddressOrIndex,  // Bytes; when the object holds another kind, the address
                     // its identifier ends with (a length-prefixed index)
};

struct NetworkField {
    const char* key;
    uint8_t kind;     // the value kind the key accepts
    uint8_t request;  // 0 first request, 1 second
    Fill fill;
    uint16_t flag;    // offset of the one-byte flag
    uint16_t value;   // offset of the value
    uint16_t width;   // bytes of the value field
};

enum class Key1 : uint8_t {
    Value,     // the integer field of `from`
    RowIndex,  // the last arc of the identifier of `from`'s value
};

enum class Use : uint8_t {
    Text,     // the conversion's text into the text field at `target`
    Number,   // its decimal value into the int32 at `target`, when a row matched
    Divisor,  // divides the int32 at `target` by it, when a row matched and it is not 0
};

struct NetworkConversion {
    const char* table;
    const char* from;  // the key whose field gives key1
    Key1 key1;
    const char* when;  // the key whose flag must be set; null: always made
    Use use;
    uint16_t target;
};

struct NetworkQuery {
    const char* requestTable;  // document table that may change Get into GetNext
    RequestShape shape;
    size_t recordSize;
    std::span<const NetworkField> fields;
    std::span<const NetworkConversion> conversions;
};

// Fills a zeroed record from one row: every field its key gave, then the
// conversions in table order. True when any field was read.
bool fillNetworkRecord(RowReader& row, const NetworkQuery& query, uint8_t* record);

}  // namespace netrov::tessel
