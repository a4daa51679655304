// Declarations of the service's exported entry points (bound by name).
#pragma once

#include "netrov/device_identity.h"
#include "netrov/device_records.h"
#include "netrov/service_record.h"

#ifdef TESSEL_BUILD
#  define TESSEL_API NETROV_EXTERN_C NETROV_EXPORT
#else
#  define TESSEL_API NETROV_EXTERN_C NETROV_IMPORT
#endif

#define TESSEL_QUERY(Name, RecordArg, recordSize, transport, rule)                              \
    TESSEL_API int32_t NETROV_CALL TUVASRV_##Name(DeviceIdentity* device, intptr_t option1,     \
                                                  intptr_t option2, RecordArg records,          \
                                                  int32_t capacity, int32_t* count,             \
                                                  ServiceRecord* service) NETROV_NOEXCEPT;
#include "queries.def"
#undef TESSEL_QUERY
