// Reads one query of a device into memory, whatever its record, with an
// array as large as the device's count asks for.
#pragma once

#include <cstdint>
#include <vector>

#include <nlohmann/json.hpp>

#include "front_library.h"
#include "record_schema.h"

namespace netrov::core {

// A query's records are asked again with a larger array when the device has
// more than the first array held, up to this many.
inline constexpr int32_t kMaxQueryRecords = 4096;

struct QueryReading {
    int32_t result = 0;
    int32_t count = 0;  // records the device reported
    std::vector<uint8_t> records;
    uint32_t recordSize = 0;

    int32_t stored() const { return recordSize ? static_cast<int32_t>(records.size() / recordSize) : 0; }
    const void* record(int32_t index) const { return records.data() + static_cast<size_t>(index) * recordSize; }
};

// Through the access's described call; NETROV_NO_ENTRY_POINT when it has none.
QueryReading readQuery(const DeviceAccess& access, const QuerySchema& query, DeviceIdentity& device);
// Through the front library's own access.
QueryReading readQuery(const QuerySchema& query, DeviceIdentity& device);

// {"result": 0, "count": 2, "records": [...]}: records through the schema.
nlohmann::json readingJson(const QuerySchema& query, const QueryReading& reading);

}  // namespace netrov::core
