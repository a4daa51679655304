// Declaration of the service's exported entry point; the front library
// binds it by name with the TuvaServiceFn signature.
#pragma once

#include "netrov/device_identity.h"
#include "netrov/message_records.h"
#include "netrov/service_record.h"

#ifdef MIRREL_BUILD
#  define MIRREL_API NETROV_EXTERN_C NETROV_EXPORT
#else
#  define MIRREL_API NETROV_EXTERN_C NETROV_IMPORT
#endif

/* Messages for a list of alerts: request points at a MessageRequest,
   alertCount is the number of its alerts; records are MessageRecord, one
   per alert. Only transport 1 (message service) is served. */
MIRREL_API int32_t NETROV_CALL TUVASRV_GetMsg(DeviceIdentity* device, intptr_t request, intptr_t alertCount,
                                              void* records, int32_t capacity, int32_t* count,
                                              ServiceRecord* service) NETROV_NOEXCEPT;
