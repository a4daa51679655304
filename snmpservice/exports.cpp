// The exported entry points of tessel: thin shims into the common frame.
#include "entry_points.h"
#include "queries.h"

#define TESSEL_QUERY(Name, RecordArg, recordSize, transport, rule)                                  \
    TESSEL_API int32_t NETROV_CALL TUVASRV_##Name(DeviceIdentity* device, intptr_t option1,         \
                                                  intptr_t option2, RecordArg records,              \
                                                  int32_t capacity, int32_t* count,                 \
                                                  ServiceRecord* service) noexcept                  \
    {                                                                                               \
        return netrov::tessel::runQuery(netrov::tessel::kQuery##Name, device, option1, option2,     \
                                        records, capacity, count, service);                         \
    }
#include "queries.def"
#undef TESSEL_QUERY
