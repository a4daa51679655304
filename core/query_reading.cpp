// Reading a described query.
#include "query_reading.h"

#include <algorithm>

#include <netrov/result_codes.h>

namespace netrov::core {

QueryReading readQuery(const DeviceAccess& access, const QuerySchema& query, DeviceIdentity& device)
{
    QueryReading reading;
    reading.recordSize = query.record->size;
    if (!access.described) {
        reading.result = NETROV_NO_ENTRY_POINT;
        return reading;
    }
    int32_t capacity = query.capacity;
    for (int attempt = 0; attempt < 2; ++attempt) {
        reading.records.assign(static_cast<size_t>(capacity) * reading.recordSize, 0);
        reading.count = 0;
        reading.result = access.described(query, &device, 0, 0, reading.records.data(), capacity, &reading.count);
        if (reading.result != NETROV_OK || reading.count <= capacity || capacity >= kMaxQueryRecords) break;
        capacity = std::min(reading.count, kMaxQueryRecords);
    }
    const int32_t stored = std::clamp(reading.count, 0, capacity);
    reading.records.resize(static_cast<size_t>(stored) * reading.recordSize);
    return reading;
}

QueryReading readQuery(const QuerySchema& query, DeviceIdentity& device)
{
    return readQuery(FrontLibrary::tuva().access(), query, device);
}

nlohmann::json readingJson(const QuerySchema& query, const QueryReading& reading)
{
    nlohmann::json records = nlohmann::json::array();
    for (int32_t i = 0; i < reading.stored(); ++i) records.push_back(recordJson(*query.record, reading.record(i)));
    nlohmann::json out = {{"result", reading.result}, {"count", reading.count}, {"records", records}};
    if (reading.result != NETROV_OK) out["error"] = resultText(reading.result);
    return out;
}

const char* resultText(int32_t result)
{
    switch (result) {
    case NETROV_OK: return "done";
    case NETROV_NO_SERVICE: return "no support package serves this device";
    case NETROV_NO_LIBRARY: return "the device's service library is not loaded";
    case NETROV_NO_ENTRY_POINT: return "the device's service does not offer this query";
    case NETROV_NO_MEMORY: return "out of memory";
    case NETROV_BAD_ARGUMENT: return "bad argument";
    case NETROV_NOT_SNMP: return "the device is not reached over SNMP";
    case NETROV_NOT_DEFINED: return "not reported by this device";
    case NETROV_NOT_ENCODABLE: return "the request could not be encoded";
    case NETROV_NO_VALUE: return "the device's answer held no usable value";
    case NETROV_NO_REPLY: return "no answer (the device is off line, or uses another community)";
    case NETROV_SET_UNCONFIRMED: return "the device did not confirm the setting";
    default: return "failed";
    }
}

}  // namespace netrov::core
