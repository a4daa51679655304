// Current jobs, the job log and the fax log: counts, table reads of packed
// rows, and the unpacking of packed values that came in notifications.
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "attribute_query.h"
#include "decoders.h"
#include "netrov/job_records.h"
#include "netrov/result_codes.h"
#include "packed_value.h"
#include "queries.h"
#include "read_cache.h"

namespace netrov::tessel {

namespace {

// The log probe looks at every tenth row.
constexpr uint32_t kLogProbeStep = 10;

// The keys of one job table and the document element of its notifications'
// tag definition.
struct JobTable {
    KeyEntry count[1];
    KeyEntry definition[1];
    KeyEntry rows[1];
    const char* trapTagDefinition;
};

constexpr JobTable kCurrentJobs{{{"def", "GETCURRENTJOBNUM_VAL", "", kKindInteger}},
                                {{"def", "GETCURRENTJOBINFO_DEF", "", kKindOctets}},
                                {{"def", "GETCURRENTJOBINFO_VAL", "", kKindOctets}},
                                "deviceTrapTagDef"};
constexpr JobTable kJobLog{{{"def", "GETJOBLOGNUM_VAL", "", kKindInteger}},
                           {{"def", "GETJOBLOGINFO_DEF", "", kKindOctets}},
                           {{"def", "GETJOBLOGINFO_VAL", "", kKindOctets}},
                           "jobTrapTagDef"};
constexpr JobTable kFaxLog{{{"def", "GETFAXLOGNUM_VAL", "", kKindInteger}},
                           {{"def", "GETFAXLOGINFO_DEF", "", kKindOctets}},
                           {{"def", "GETFAXLOGINFO_VAL", "", kKindOctets}},
                           "faxTrapTagDef"};

// The single requests of a reading, asked together from a v2c device.
const ReadAhead kReadAheadGets{SNMP_PDU_GET,
                               {kCurrentJobs.count, kJobLog.count, kFaxLog.count, kCurrentJobs.definition,
                                kJobLog.definition, kFaxLog.definition}};

// The tag definition bytes of a device's rows, when it has one.
using TagDefinition = std::optional<std::vector<uint8_t>>;

std::optional<std::span<const uint8_t>> viewOf(const TagDefinition& definition)
{
    if (!definition) return std::nullopt;
    return std::span<const uint8_t>(*definition);
}

std::span<const uint8_t> bytesOf(const ReplyValue& value)
{
    return {value.data(), value.length};
}

// Best effort: without a readable definition the rows describe themselves.
TagDefinition deviceTagDefinition(const QueryCall& call, const JobTable& table)
{
    const RequestResult reply = requestKeys(call, table.definition, RequestShape::Get);
    if (reply.code != NETROV_OK) return std::nullopt;
    const ReplyValue* value = KeyedValues(table.definition, reply.values).get(table.definition[0].key);
    if (!value || value->length == 0) return std::nullopt;
    return std::vector<uint8_t>(value->data(), value->data() + value->length);
}

TagDefinition documentTagDefinition(const QueryCall& call, const JobTable& table)
{
    std::vector<uint8_t> bytes(1024);
    size_t count = 0;
    if (hexTextToBytes(table.trapTagDefinition, bytes.data(), bytes.size(), &count, &call.service) != 0 || count == 0)
        return std::nullopt;
    bytes.resize(count);
    return bytes;
}

void addErrorType(const ServiceRecord& service, CurrentJobRecord& job)
{
    char output[256];
    if (lookupExchange(&service, "CURRENTJOBINFO_ERRTYPE", job.tag127, std::nullopt, std::nullopt, output,
                       sizeof output) == 1) {
        job.errorTypeValid = 1;
        job.errorType = decimalValue(output);
    }
}

void addNotification(const ServiceRecord& service, LogRecord& entry)
{
    char output[256];
    if (lookupExchange(&service, "LOGINFO_NOTIFYTYPE", entry.tag200, entry.tag118, entry.tag120, output,
                       sizeof output) == 1) {
        entry.notifyTypeValid = 1;
        entry.notifyType = decimalValue(output);
    }
    entry.messageValid = lookupExchange(&service, "LOGINFO_MSG", entry.tag200, entry.tag118, entry.tag120,
                                        entry.message, sizeof entry.message) == 1;
}

// A zeroed record filled from a packed value, then its conversions.
template <class Record, void (*Unpack)(std::span<const uint8_t>, std::optional<std::span<const uint8_t>>, int32_t,
                                       Record&),
          void (*Convert)(const ServiceRecord&, Record&)>
Record packedRecord(std::span<const uint8_t> packed, const TagDefinition& definition, int32_t defaultValue,
                    const ServiceRecord& service)
{
    Record record;
    memset(&record, 0, sizeof record);
    Unpack(packed, viewOf(definition), defaultValue, record);
    Convert(service, record);
    return record;
}

constexpr auto currentJob = packedRecord<CurrentJobRecord, unpackCurrentJob, addErrorType>;
constexpr auto logEntry = packedRecord<LogRecord, unpackLogEntry, addNotification>;

int32_t countQuery(const QueryCall& call, const JobTable& table)
{
    return runRows(call, table.count, RequestShape::Get, [&](RowReader& row) {
        const auto count = row.integer(table.count[0].key);
        if (!count) return;
        JobCount record{0, 1, *count};
        call.out.produce(record);
    });
}

int32_t currentJobs(const QueryCall& call)
{
    const TagDefinition definition = deviceTagDefinition(call, kCurrentJobs);
    const char* key = kCurrentJobs.rows[0].key;
    return runRows(call, kCurrentJobs.rows, RequestShape::Walk, [&](RowReader& row) {
        if (const ReplyValue* value = row.value(key))
            call.out.produce(currentJob(bytesOf(*value), definition, 0, call.service));
    });
}

// The probe steps through the rows 1, 11, 21, ... while their sequence
// identifiers lie below the wanted one, and gives the last such row (0 when
// the first row is already at or past it, or cannot be read). It stops where
// a walk would: a device that lies about its identifiers cannot keep it
// going.
uint32_t probeLogStart(const QueryCall& call, const JobTable& table, const TagDefinition& definition,
                       uint32_t wanted)
{
    uint32_t start = 0;
    for (uint32_t row = 1; row <= kMaxWalkRows; row += kLogProbeStep) {
        const SuffixedKeys keys(table.rows, "." + std::to_string(row));
        const RequestResult reply = requestKeys(call, keys.keys(), RequestShape::Get);
        if (reply.code != NETROV_OK) break;
        const ReplyValue* value = KeyedValues(keys.keys(), reply.values).get(table.rows[0].key);
        if (!value) break;
        const LogRecord entry = logEntry(bytesOf(*value), definition, 0, call.service);
        if (static_cast<uint32_t>(entry.sequence) >= wanted) break;
        start = row;
    }
    return start;
}

int32_t logQuery(const QueryCall& call, const JobTable& table)
{
    const TagDefinition definition = deviceTagDefinition(call, table);
    const auto* position = reinterpret_cast<const LogPosition*>(call.option1);
    const uint32_t start = position ? probeLogStart(call, table, definition, position->firstSequence) : 0;
    // The walk goes on from the probed row, for this call only.
    const SuffixedKeys keys(table.rows, start ? "." + std::to_string(start) : std::string());
    const char* key = table.rows[0].key;
    return runRows(call, keys.keys(), RequestShape::Walk, [&](RowReader& row) {
        if (const ReplyValue* value = row.value(key))
            call.out.produce(logEntry(bytesOf(*value), definition, 0, call.service));
    });
}

// A packed value from a notification, with the definition of the document.
template <class Make>
int32_t parseQuery(const QueryCall& call, const JobTable& table, Make make)
{
    const auto* trap = reinterpret_cast<const JobTrapValue*>(call.option1);
    if (!trap) return NETROV_BAD_ARGUMENT;
    std::span<const uint8_t> packed;
    if (trap->value && trap->length > 0) packed = {trap->value, static_cast<size_t>(trap->length)};
    call.out.produce(make(packed, documentTagDefinition(call, table), trap->defaultValue, call.service));
    return NETROV_OK;
}

}  // namespace

int32_t getCurrentJobNum(const QueryCall& call)
{
    return countQuery(call, kCurrentJobs);
}

int32_t getJobLogNum(const QueryCall& call)
{
    return countQuery(call, kJobLog);
}

int32_t getFaxLogNum(const QueryCall& call)
{
    return countQuery(call, kFaxLog);
}

int32_t getCurrentJobInfo(const QueryCall& call)
{
    return currentJobs(call);
}

int32_t getJobLogInfo(const QueryCall& call)
{
    return logQuery(call, kJobLog);
}

int32_t getFaxLogInfo(const QueryCall& call)
{
    return logQuery(call, kFaxLog);
}

int32_t parseCurrentJobInfo(const QueryCall& call)
{
    return parseQuery(call, kCurrentJobs, currentJob);
}

int32_t parseJobLogInfo(const QueryCall& call)
{
    return parseQuery(call, kJobLog, logEntry);
}

int32_t parseFaxLogInfo(const QueryCall& call)
{
    return parseQuery(call, kFaxLog, logEntry);
}

}  // namespace netrov::tessel
