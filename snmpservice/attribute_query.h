// The frame that every attribute query shares (consumables, engine and
// configuration, network, fax and scanner): prepare the query's keys, run its
// request (or requests, one after the other), let the query's rule turn each
// reply row into a record, and count records past the caller's capacity. A
// query is its key table, its request shape and a row rule.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <optional>
#include <span>
#include <vector>

#include "entry_frame.h"
#include "framework.h"

namespace netrov::tessel {

enum class RequestShape : uint8_t {
    Walk,     // GetNext row by row: one record candidate per table row
    Get,      // one Get of the keys' objects: one record candidate
    GetNext,  // one GetNext: the first instance of each column
};

// One row of a reply (a table row, or the one reply of a Get or GetNext),
// read by key. Values are accepted only in the key's own expected kind. A key
// that is not in the query's key table is a fault in the rule, not a value
// the device lacks: the reader ends the program rather than report nothing.
// Reads never touch the row index; a rule that needs it says where it comes
// from with indexFrom().
class RowReader {
public:
    RowReader(const QueryCall& call, std::span<const KeyEntry> keys, const ValueList& values)
        : call_(call), keys_(keys), rawValues_(values), values_(keys, values) {}

    const ReplyValue* value(const char* key) const;
    std::optional<int32_t> integer(const char* key) const;
    // The key's value when the reply holds one inside the key's object, of
    // whatever kind.
    const ReplyValue* present(const char* key) const;

    // Stores a read integer and its flag; false (both untouched) when not read.
    template <class Number>
    bool read(const char* key, uint8_t& flag, Number& field) const
    {
        const auto v = integer(key);
        if (!v) return false;
        flag = 1;
        field = static_cast<Number>(*v);
        return true;
    }

    // Copies a read string into a text field (at most size - 1 bytes); false
    // when not read.
    template <size_t N>
    bool readText(const char* key, char (&field)[N]) const
    {
        const ReplyValue* v = value(key);
        if (!v) return false;
        copyText(field, N, v->data(), v->length);
        return true;
    }

    // Sets the row index: the last arc of the identifier (the table
    // instance) of the first of these keys that holds a usable value; 0 when
    // none does. Later keys stand in for a column the device leaves empty.
    void indexFrom(std::initializer_list<const char*> keys);

    // Conversion table lookup into a text field; 1 on a matching row.
    template <size_t N>
    bool convert(char (&field)[N], const char* table, std::optional<int32_t> key1,
                 std::optional<int32_t> key2 = std::nullopt, std::optional<int32_t> key3 = std::nullopt) const
    {
        return lookupExchange(&call_.service, table, key1, key2, key3, field, N) == 1;
    }
    bool converts(const char* table, std::optional<int32_t> key1, std::optional<int32_t> key2 = std::nullopt) const;

    // The index set by indexFrom(); asking before it is a fault in the rule.
    uint32_t rowIndex() const;
    const QueryCall& call() const { return call_; }
    const ServiceRecord& service() const { return call_.service; }
    // Records produced so far by this call, stored or only counted.
    int32_t counted() const { return call_.out.count(); }

private:
    const QueryCall& call_;
    std::span<const KeyEntry> keys_;
    const ValueList& rawValues_;
    KeyedValues values_;
    std::optional<uint32_t> rowIndex_;
};

// One Get or GetNext of the keys for this call: the failure of the prepare
// step (NETROV_NOT_DEFINED when none of the keys is defined) or the
// request's result.
RequestResult requestKeys(const QueryCall& call, std::span<const KeyEntry> keys, RequestShape shape);

// Runs the frame with a rule that sees each row; the rule produces records
// itself through row.call().out.
// A walk's rows are all handed to beforeRows first, when given, so a rule
// can ask what its rows need in one request rather than one per row.
int32_t runRows(const QueryCall& call, std::span<const KeyEntry> keys, RequestShape shape,
                const std::function<void(RowReader&)>& onRow,
                const std::function<void(const std::vector<ReplyRow>&)>& beforeRows = {});

// Several requests in turn (Get or GetNext), each sent only after the one
// before succeeded: an error is returned and the rule never runs. A later
// request whose keys the document leaves undefined (NETROV_NOT_DEFINED) or
// whose reply held no usable value (NETROV_NO_VALUE) only adds no values.
// The rule sees the keys and values of every request as one row.
int32_t runRequests(const QueryCall& call, std::span<const std::span<const KeyEntry>> requests,
                    RequestShape shape, const std::function<void(RowReader&)>& onRow);

// The request a definition document asks for instead of a query's own Get
// or GetNext: conversion table `table` (no keys) answering "GET" or
// "GETNEXT". A document can so name table columns without an instance for a
// query that otherwise asks for exact instances. Walks stay walks.
RequestShape documentShape(const ServiceRecord& service, const char* table, RequestShape shape);

// The usual form: a zero-filled record per row, produced when the rule
// returns true.
template <class Record>
int32_t runAttributeQuery(const QueryCall& call, std::span<const KeyEntry> keys, RequestShape shape,
                          bool (*rule)(RowReader&, Record&))
{
    return runRows(call, keys, shape, [&](RowReader& row) {
        Record record;
        memset(&record, 0, sizeof record);
        if (rule(row, record)) call.out.produce(record);
    });
}

// The remaining-percentage rule of toner, supplies and trays. What it gives
// is a percentage from 0 to 100 or one of the device's codes, never anything
// else:
// - a level of -1 (other), -2 (unknown) or -3 (some remaining) is that code;
// - a level from 0 up to a positive maximum is its share of the maximum,
//   rounded down;
// - a maximum of -1 (other) or -2 (unknown) is that code;
// - everything else is not reported: no level or no maximum, a maximum of 0,
//   any other negative value, and a level above its maximum. The device
//   contradicts itself there; clamping to 100 would show a full supply that
//   may be empty, and the records have no flag to say it was clamped.
std::optional<int32_t> remainingPercent(std::optional<int32_t> maximum, std::optional<int32_t> level);

// The device's own percentage, when it gives one: the same bounds hold.
std::optional<int32_t> reportablePercent(std::optional<int32_t> percent);

// Looks a paper or document size up by its dimensions in whole millimetres
// in a conversion table keyed (width, length), allowing 1 mm either way in
// each dimension and either orientation; the first match wins.
bool sizeByDimensions(const RowReader& row, const char* table, int32_t first, int32_t second, char (&name)[256]);

// A resolution or addressability given in dots per 10000 units of a length
// unit, as dots per unit (truncated).
int32_t dotsPerUnit(int32_t value, int32_t unit);

// One supported item of a capability bit set (a fax's widths, resolutions
// or compression methods).
struct Capability {
    uint32_t bits;      // the whole set: the value's first four bytes, the first most significant
    int32_t bitNumber;  // 0 is the most significant bit of the value's first byte
    char text[256];     // the item as the key's conversion table names it
};

// Calls onItem for each set bit that the key's own conversion table names,
// in increasing bit number; nothing when the value is no octet string.
void forEachCapability(const RowReader& row, const char* key, const std::function<void(const Capability&)>& onItem);

// A colour text "R-G-B" (three decimal numbers joined by "-") as components;
// nothing when the text has fewer than two "-".
std::optional<std::array<int32_t, 3>> parseColourText(const char* text);

}  // namespace netrov::tessel
