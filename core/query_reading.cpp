// Reading a described query.
#include "query_reading.h"

#include <algorithm>

#include <netrov/result_codes.h>

#include "result_text.h"

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
    if (reading.result != NETROV_OK) out["error"] = resultWords(reading.result);
    return out;
}

}  // namespace netrov::core
