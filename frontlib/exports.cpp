// The exported TUVA_ functions: thin shims over the package list, the dispatch and the questions.
#include "netrov/tuva.h"
#include "netrov/tuva_queries.h"
#include "netrov/service_record.h"

#include "dispatch.h"
#include "package_list.h"
#include "questions.h"

#include <new>
#include <type_traits>

using namespace netrov::tuva;

namespace {

// Runs body and turns an escaping exception (an exhausted heap while the
// packages are read) into the export's documented result. Only code that can
// throw is wrapped: the dispatch and the search are noexcept themselves, and a
// service library's entry points are C functions that never throw.
template <class Result, class Body>
Result guarded(Result onFailure, Body&& body) noexcept
{
    try {
        return body();
    } catch (...) {
        return onFailure;
    }
}

}  // namespace

TUVA_API int32_t NETROV_CALL TUVA_Init(DeviceIdentity* filter) noexcept
{
    return guarded<int32_t>(0, [&] {
        packageList().init(filter);
        return 0;
    });
}

TUVA_API int32_t NETROV_CDECL TUVA_Free(void) noexcept
{
    packageList().clear();
    return 0;
}

TUVA_API int32_t NETROV_CALL TUVA_SupportModel(TUVA_SUPPORT_MODEL* records, int32_t capacity, int32_t* count) noexcept
{
    return supportModels(records, capacity, count);
}

TUVA_API int32_t NETROV_CALL TUVA_GetModelNameFromSysOID(const char* sysObjectId, char* buffer, int32_t size) noexcept
{
    return modelNameFromSysObjectId(sysObjectId, buffer, size);
}

TUVA_API int32_t NETROV_CALL TUVA_IsDeviceTrap(const DeviceIdentity* device, const char* trapId) noexcept
{
    return isTrap(TrapKind::kDevice, device, trapId);
}

TUVA_API int32_t NETROV_CALL TUVA_IsJobTrap(const DeviceIdentity* device, const char* trapId) noexcept
{
    return isTrap(TrapKind::kJob, device, trapId);
}

TUVA_API int32_t NETROV_CALL TUVA_IsFaxTrap(const DeviceIdentity* device, const char* trapId) noexcept
{
    return isTrap(TrapKind::kFax, device, trapId);
}

TUVA_API const char* NETROV_CALL TUVA_Vigil_Help(const DeviceIdentity* device) noexcept
{
    return helpFile(device);
}

TUVA_API int32_t NETROV_CALL TUVA_Vigil_IsShowDevicePage(const DeviceIdentity* device) noexcept
{
    return showPage(kDevicePage, device);
}

TUVA_API int32_t NETROV_CALL TUVA_Vigil_IsShowNetworkPage(const DeviceIdentity* device) noexcept
{
    return showPage(kNetworkPage, device);
}

TUVA_API int32_t NETROV_CALL TUVA_Vigil_IsShowLinksPage(const DeviceIdentity* device) noexcept
{
    return showPage(kLinksPage, device);
}

TUVA_API int32_t NETROV_CALL TUVA_SearchDevice(DeviceIdentity* filter, intptr_t option1, intptr_t option2,
                                               DeviceIdentity* found, int32_t capacity, int32_t* count) noexcept
{
    return searchDevices(filter, option1, option2, found, capacity, count);
}

// Every other query has the same shape: forward to the entry point of the same name.
#define TUVA_DEFINE_FORWARDER(ordinal, Name)                                                              \
    TUVA_API int32_t NETROV_CALL TUVA_##Name(DeviceIdentity* device, intptr_t option1, intptr_t option2,  \
                                             void* records, int32_t capacity, int32_t* count) noexcept    \
    {                                                                                                     \
        return forwardQuery("TUVASRV_" #Name, device, option1, option2, records, capacity, count);        \
    }                                                                                                     \
    static_assert(std::is_convertible_v<decltype(&TUVA_##Name), TuvaQueryFn>, "TUVA_" #Name " signature");

NETROV_FORWARDED_QUERIES(TUVA_DEFINE_FORWARDER)

#undef TUVA_DEFINE_FORWARDER
