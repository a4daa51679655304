// The exported entry point of mirrel.
#include "message_lookup.h"

#include "entry_points.h"

MIRREL_API int32_t NETROV_CALL TUVASRV_GetMsg(DeviceIdentity* device, intptr_t request, intptr_t alertCount,
                                              void* records, int32_t capacity, int32_t* count,
                                              ServiceRecord* service) noexcept
{
    return netrov::mirrel::getMessages(device, request, alertCount, records, capacity, count, service);
}
