// The record and query tables, and the generic reading of a described field.
#include "record_schema.h"

#include "platform/socket.h"

#include <cstdio>
#include <cstring>

#include <algorithm>
#include <vector>

#include "device_list.h"
#include "record_schema_families.h"

namespace netrov::core {

namespace {

const uint8_t* at(const void* record, uint32_t offset)
{
    return static_cast<const uint8_t*>(record) + offset;
}

template <class T>
T load(const void* record, uint32_t offset)
{
    T value;
    memcpy(&value, at(record, offset), sizeof value);
    return value;
}

std::string textOf(const FieldSchema& field, const void* record)
{
    return fieldText(reinterpret_cast<const char*>(at(record, field.offset)), field.size);
}

std::string hexPairs(const FieldSchema& field, const void* record, char separator)
{
    std::string out;
    for (uint32_t i = 0; i < field.size; ++i) {
        char pair[4];
        snprintf(pair, sizeof pair, "%02X", at(record, field.offset)[i]);
        if (i) out += separator;
        out += pair;
    }
    return out;
}

// Dotted quad, or IPv6 in its compressed form (RFC 5952, as inet_ntop writes it).
std::string addressText(const FieldSchema& field, const void* record)
{
    char text[INET6_ADDRSTRLEN] = {};
    const int family = field.size == 16 ? AF_INET6 : field.size == 4 ? AF_INET : 0;
    if (!family || !inet_ntop(family, at(record, field.offset), text, sizeof text)) return hexPairs(field, record, ':');
    return text;
}

}  // namespace

bool fieldPresent(const FieldSchema& field, const void* record)
{
    return field.presentOffset == kAlwaysPresent || *at(record, field.presentOffset) != 0;
}

nlohmann::json fieldJson(const FieldSchema& field, const void* record)
{
    if (!fieldPresent(field, record)) return nullptr;
    switch (field.kind) {
    case FieldKind::Int32: return load<int32_t>(record, field.offset);
    case FieldKind::UInt32: return load<uint32_t>(record, field.offset);
    case FieldKind::Double: return load<double>(record, field.offset);
    case FieldKind::Flag: return *at(record, field.offset) != 0;
    case FieldKind::Text: return textOf(field, record);
    case FieldKind::Bytes: return hexPairs(field, record, ':');
    case FieldKind::Address: return addressText(field, record);
    case FieldKind::Int32List: {
        nlohmann::json list = nlohmann::json::array();
        for (uint32_t i = 0; i + sizeof(int32_t) <= field.size; i += sizeof(int32_t)) {
            list.push_back(load<int32_t>(record, field.offset + i));
        }
        return list;
    }
    }
    return nullptr;
}

std::string fieldText(const FieldSchema& field, const void* record)
{
    if (!fieldPresent(field, record)) return {};
    switch (field.kind) {
    case FieldKind::Text: return textOf(field, record);
    case FieldKind::Bytes: return hexPairs(field, record, ':');
    case FieldKind::Address: return addressText(field, record);
    case FieldKind::Flag: return *at(record, field.offset) ? "yes" : "no";
    case FieldKind::Double: {
        char number[64];
        snprintf(number, sizeof number, "%.4g", load<double>(record, field.offset));
        return number;
    }
    case FieldKind::Int32List: {
        std::string out;
        for (uint32_t i = 0; i + sizeof(int32_t) <= field.size; i += sizeof(int32_t)) {
            if (i) out += ',';
            out += std::to_string(load<int32_t>(record, field.offset + i));
        }
        return out;
    }
    case FieldKind::Int32:
    case FieldKind::UInt32: return fieldJson(field, record).dump();
    }
    return {};
}

nlohmann::json recordJson(const RecordSchema& schema, const void* record)
{
    nlohmann::json out = nlohmann::json::object();
    for (const FieldSchema& field : schema.fields) out[field.name] = fieldJson(field, record);
    return out;
}

const FieldSchema* findField(const RecordSchema& schema, std::string_view name)
{
    for (const FieldSchema& field : schema.fields) {
        if (name == field.name) return &field;
    }
    return nullptr;
}

namespace {

struct Tables {
    std::vector<QuerySchema> queries;
    std::vector<const RecordSchema*> records;
};

const Tables& tables()
{
    static const Tables all = [] {
        Tables t;
        for (auto family : {deviceQuerySchemas, consumableQuerySchemas, engineQuerySchemas, jobQuerySchemas, networkQuerySchemas}) {
            for (const QuerySchema& query : family()) {
                t.queries.push_back(query);
                if (std::find(t.records.begin(), t.records.end(), query.record) == t.records.end())
                    t.records.push_back(query.record);
            }
        }
        return t;
    }();
    return all;
}

}  // namespace

std::span<const QuerySchema> deviceQueries()
{
    return tables().queries;
}

const QuerySchema* findQuery(std::string_view name)
{
    for (const QuerySchema& query : deviceQueries()) {
        if (name == query.name) return &query;
    }
    return nullptr;
}

std::span<const RecordSchema* const> recordSchemas()
{
    return tables().records;
}

}  // namespace netrov::core
