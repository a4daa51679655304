// The common frame of every entry point.
#include "entry_frame.h"

#include <new>

#include "framework.h"
#include "netrov/result_codes.h"

namespace netrov::tessel {

int32_t runQuery(const QueryInfo& query, DeviceIdentity* device, intptr_t option1, intptr_t option2,
                 void* records, int32_t capacity, int32_t* count, ServiceRecord* service) noexcept
{
    const bool producesRecords = query.recordSize != kNoRecords;
    if (!producesRecords) {
        records = nullptr;
        capacity = 0;
        count = nullptr;
    }
    if (count) *count = 0;
    if (capacity > 0 && records) memset(records, 0, static_cast<size_t>(capacity) * query.recordSize);
    if (!service || !device) return NETROV_BAD_ARGUMENT;
    const bool served = query.transport == TransportRule::SearchMask
                            ? (device->transport & NETROV_TRANSPORT_SNMP) != 0
                            : device->transport == NETROV_TRANSPORT_SNMP;
    if (!served) return NETROV_NOT_SNMP;

    Output out(records, capacity, query.recordSize);
    const QueryClock clock;
    int32_t result;
    try {
        result = query.rule(QueryCall{*device, option1, option2, *service, out});
    } catch (...) {
        // Only allocation can throw inside: the call reports the exhausted
        // heap and no records.
        if (count) *count = 0;
        return NETROV_NO_MEMORY;
    }
    if (count) *count = out.count();
    return result;
}

}  // namespace netrov::tessel
