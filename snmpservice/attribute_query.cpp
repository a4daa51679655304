// The frame of the attribute queries.
#include "attribute_query.h"

#include <strings.h>

#include <string>
#include <utility>
#include <vector>

#include "decoders.h"
#include "netrov/result_codes.h"
#include "netrov/zomsnmp.h"

namespace netrov::tessel {

const ReplyValue* RowReader::value(const char* key) const
{
    return values_.get(key);
}

std::optional<int32_t> RowReader::integer(const char* key) const
{
    const ReplyValue* v = value(key);
    if (!v) return std::nullopt;
    return v->integer();
}

const ReplyValue* RowReader::present(const char* key) const
{
    const ReplyValue* v = valueAt(rawValues_, values_.index(key));
    return v && v->kind != kKindNone ? v : nullptr;
}

void RowReader::indexFrom(std::initializer_list<const char*> keys)
{
    rowIndex_ = 0;
    for (const char* key : keys) {
        if (const ReplyValue* v = value(key)) {
            rowIndex_ = lastArcOf(v->identifier);
            return;
        }
    }
}

uint32_t RowReader::rowIndex() const
{
    if (!rowIndex_) codingFault("a rule asks for the row index before setting it with indexFrom", "");
    return *rowIndex_;
}

bool RowReader::converts(const char* table, std::optional<int32_t> key1, std::optional<int32_t> key2) const
{
    char unused[256];
    return lookupExchange(&call_.service, table, key1, key2, std::nullopt, unused, sizeof unused) == 1;
}

namespace {

int prepareCall(QuerySetup* setup, const QueryCall& call, std::span<const KeyEntry> keys)
{
    return prepareQuery(setup, call.device, keys, &call.service);
}

}  // namespace

RequestResult requestKeys(const QueryCall& call, std::span<const KeyEntry> keys, RequestShape shape)
{
    QuerySetup setup;
    if (const int prepared = prepareCall(&setup, call, keys); prepared != NETROV_OK) return RequestResult{prepared, {}};
    return requestValues(setup, shape == RequestShape::GetNext ? SNMP_PDU_GETNEXT : SNMP_PDU_GET);
}

int32_t runRows(const QueryCall& call, std::span<const KeyEntry> keys, RequestShape shape,
                const std::function<void(RowReader&)>& onRow,
                const std::function<void(const std::vector<ReplyRow>&)>& beforeRows)
{
    if (shape == RequestShape::Walk) {
        QuerySetup setup;
        if (const int prepared = prepareCall(&setup, call, keys); prepared != NETROV_OK) return prepared;
        const RowsResult walk = walkTable(setup);
        if (walk.code != NETROV_OK) return walk.code;
        if (beforeRows) beforeRows(walk.rows);
        for (const ReplyRow& row : walk.rows) {
            RowReader reader(call, keys, row.values);
            onRow(reader);
        }
        return NETROV_OK;
    }
    const RequestResult reply = requestKeys(call, keys, shape);
    if (reply.code != NETROV_OK) return reply.code;
    RowReader reader(call, keys, reply.values);
    onRow(reader);
    return NETROV_OK;
}

bool sizeByDimensions(const RowReader& row, const char* table, int32_t first, int32_t second, char (&name)[256])
{
    for (const auto& [a, b] : {std::pair{first, second}, std::pair{second, first}}) {
        for (int32_t i = 0; i < 3; ++i) {
            for (int32_t j = 0; j < 3; ++j) {
                if (row.convert(name, table, a - 1 + i, b - 1 + j)) return true;
            }
        }
    }
    return false;
}

int32_t dotsPerUnit(int32_t value, int32_t unit)
{
    return static_cast<int32_t>(scaleByUnit(static_cast<double>(value) * 10000, unit));
}

void forEachCapability(const RowReader& row, const char* key, const std::function<void(const Capability&)>& onItem)
{
    const ReplyValue* value = row.present(key);
    if (!value || value->kind != kKindOctets) return;
    Capability item{};
    item.bits = readBigEndianHigh(value->data(), value->length < 4 ? value->length : 4);
    for (int32_t bit = 0; bit < 32; ++bit) {
        if ((item.bits & (0x80000000u >> bit)) == 0) continue;
        if (!row.convert(item.text, key, bit)) continue;
        item.bitNumber = bit;
        onItem(item);
    }
}

int32_t runRequests(const QueryCall& call, std::span<const std::span<const KeyEntry>> requests,
                    RequestShape shape, const std::function<void(RowReader&)>& onRow)
{
    std::vector<KeyEntry> keys;
    ValueList values;
    for (size_t i = 0; i < requests.size(); ++i) {
        keys.insert(keys.end(), requests[i].begin(), requests[i].end());
        QuerySetup setup;
        const int prepared = prepareQuery(&setup, call.device, requests[i], &call.service);
        RequestResult reply;
        if (prepared == NETROV_OK) {
            reply = requestValues(setup, shape == RequestShape::Get ? SNMP_PDU_GET : SNMP_PDU_GETNEXT);
        }
        // A later request that the document does not define, or whose
        // objects the device lacks, adds nothing; it does not discard what
        // the requests before it read.
        const int code = prepared != NETROV_OK ? prepared : reply.code;
        const bool nothingMore = i > 0 && (code == NETROV_NOT_DEFINED || code == NETROV_NO_VALUE);
        if (code != NETROV_OK && !nothingMore) return code;
        if (code != NETROV_OK) reply.values.assign(requests[i].size(), ReplyValue());
        for (ReplyValue& v : reply.values) values.push_back(std::move(v));
    }
    RowReader reader(call, keys, values);
    onRow(reader);
    return NETROV_OK;
}

RequestShape documentShape(const ServiceRecord& service, const char* table, RequestShape shape)
{
    if (shape == RequestShape::Walk) return shape;
    char text[16];
    if (lookupExchange(&service, table, std::nullopt, std::nullopt, std::nullopt, text, sizeof text) != 1) {
        return shape;
    }
    if (strcasecmp(text, "GETNEXT") == 0) return RequestShape::GetNext;
    if (strcasecmp(text, "GET") == 0) return RequestShape::Get;
    return shape;
}

namespace {

// The Printer-MIB's codes for a level or a maximum that is not a number.
constexpr int32_t kCodeOther = -1;
constexpr int32_t kCodeUnknown = -2;
constexpr int32_t kLevelSomeRemaining = -3;

bool levelCode(int32_t value)
{
    return value == kCodeOther || value == kCodeUnknown || value == kLevelSomeRemaining;
}

bool maximumCode(int32_t value)
{
    return value == kCodeOther || value == kCodeUnknown;
}

}  // namespace

std::optional<int32_t> remainingPercent(std::optional<int32_t> maximum, std::optional<int32_t> level)
{
    if (level && *level < 0) return levelCode(*level) ? level : std::nullopt;
    if (maximum && *maximum > 0) {
        if (!level || *level > *maximum) return std::nullopt;
        return static_cast<int32_t>(static_cast<int64_t>(*level) * 100 / *maximum);
    }
    if (maximum && maximumCode(*maximum)) return maximum;
    return std::nullopt;
}

std::optional<int32_t> reportablePercent(std::optional<int32_t> percent)
{
    if (!percent) return std::nullopt;
    if (*percent < 0) return levelCode(*percent) ? percent : std::nullopt;
    return *percent <= 100 ? percent : std::nullopt;
}

std::optional<std::array<int32_t, 3>> parseColourText(const char* text)
{
    if (!text) return std::nullopt;
    const char* first = strchr(text, '-');
    const char* second = first ? strchr(first + 1, '-') : nullptr;
    if (!second) return std::nullopt;
    // Each component is read from its own text, so a "-" that ends one
    // component is never taken as the sign of the next.
    const std::string red(text, first);
    const std::string green(first + 1, second);
    return std::array<int32_t, 3>{decimalValue(red.c_str()), decimalValue(green.c_str()), decimalValue(second + 1)};
}

}  // namespace netrov::tessel
