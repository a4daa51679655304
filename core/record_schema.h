// The output records of the device queries described as data: one table per
// record type (field name, offset, kind, present flag), and one table of the
// queries that produce them. The command line's tables and JSON and the
// desktop program's device window are drawn from these tables, so a new
// query shows everywhere once its record is described here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

#include <nlohmann/json.hpp>

#include <netrov/device_identity.h>

namespace netrov::core {

enum class FieldKind : uint8_t {
    Int32,
    UInt32,
    Double,
    Text,       // NUL-terminated characters of a fixed field
    Bytes,      // raw bytes (a hardware address)
    Int32List,  // consecutive int32 values (a colour triple)
    Flag,       // a one-byte yes/no value
    Address,    // an IPv4 (4 bytes) or IPv6 (16 bytes) address, network order
};

inline constexpr uint32_t kAlwaysPresent = UINT32_MAX;

struct FieldSchema {
    const char* name;        // lowerCamelCase, as in JSON
    uint32_t offset;
    uint32_t size;           // bytes of the value
    FieldKind kind;
    uint32_t presentOffset;  // the one-byte present flag, or kAlwaysPresent
};

struct RecordSchema {
    const char* name;  // the record type, e.g. "TonerEntry"
    uint32_t size;
    std::span<const FieldSchema> fields;
};

template <class T>
constexpr FieldKind fieldKindOf()
{
    using V = std::remove_cv_t<T>;
    if constexpr (std::is_same_v<V, int32_t>) return FieldKind::Int32;
    else if constexpr (std::is_same_v<V, uint32_t>) return FieldKind::UInt32;
    else if constexpr (std::is_same_v<V, double>) return FieldKind::Double;
    else if constexpr (std::is_same_v<V, uint8_t>) return FieldKind::Flag;
    else if constexpr (std::is_array_v<V> && std::is_same_v<std::remove_extent_t<V>, char>) return FieldKind::Text;
    else if constexpr (std::is_array_v<V> && std::is_same_v<std::remove_extent_t<V>, uint8_t>) return FieldKind::Bytes;
    else if constexpr (std::is_array_v<V> && std::is_same_v<std::remove_extent_t<V>, int32_t>) return FieldKind::Int32List;
    else static_assert(sizeof(V) == 0, "field type without a schema kind");
}

// A field with a present flag, and one that is always there.
#define NETROV_FIELD(Record, member, flag, jsonName)                                                    \
    ::netrov::core::FieldSchema{jsonName, offsetof(Record, member), sizeof(Record::member),            \
                                ::netrov::core::fieldKindOf<decltype(Record::member)>(),                \
                                static_cast<uint32_t>(offsetof(Record, flag))}
#define NETROV_FIELD_ALWAYS(Record, member, jsonName)                                                   \
    ::netrov::core::FieldSchema{jsonName, offsetof(Record, member), sizeof(Record::member),            \
                                ::netrov::core::fieldKindOf<decltype(Record::member)>(),                \
                                ::netrov::core::kAlwaysPresent}

// A field whose bytes are an IPv4 or IPv6 address.
#define NETROV_FIELD_ADDRESS(Record, member, flag, jsonName)                                            \
    ::netrov::core::FieldSchema{jsonName, offsetof(Record, member), sizeof(Record::member),            \
                                ::netrov::core::FieldKind::Address, static_cast<uint32_t>(offsetof(Record, flag))}

// Whether a field's value was reported (its flag is 1, or it has none).
bool fieldPresent(const FieldSchema& field, const void* record);
// The value as JSON: a number, a string, an array; null when not present.
nlohmann::json fieldJson(const FieldSchema& field, const void* record);
// The value as people read it; empty when not present.
std::string fieldText(const FieldSchema& field, const void* record);
// Every field; reserved fields are not described, so they never show.
nlohmann::json recordJson(const RecordSchema& schema, const void* record);
const FieldSchema* findField(const RecordSchema& schema, std::string_view name);

// A forwarded query of the front library, with the record it produces.
// The standard calling convention of the exports on 32-bit Windows is part of
// the type.
using QueryFunction = int32_t(NETROV_CALL*)(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records,
                                            int32_t capacity, int32_t* count) noexcept;

struct QuerySchema {
    const char* name;  // e.g. "GetDevToner", as the TUVA_ export without its prefix
    const RecordSchema* record;
    QueryFunction function;
    int32_t capacity;  // records asked for first; a larger count asks again
};

// Every query a device can be asked for by name, in a stable order.
std::span<const QuerySchema> deviceQueries();
const QuerySchema* findQuery(std::string_view name);
// Every record schema, for the layout test.
std::span<const RecordSchema* const> recordSchemas();

}  // namespace netrov::core
