// A service library for the tuva tests: records every TUVASRV_ call it receives.
#include "fake_service.h"

#include "netrov/tuva_queries.h"

#include <cstring>
#include <mutex>
#include <vector>

#define FAKE_EXPORT extern "C" NETROV_EXPORT

namespace {

std::mutex lock;
std::vector<FakeCall> calls;
std::vector<DeviceIdentity> searchResult;

void copyText(char* target, std::size_t size, const char* text)
{
    std::strncpy(target, text != nullptr ? text : "", size - 1);
    target[size - 1] = '\0';
}

[[maybe_unused]] void record(const char* entry, DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records,
            int32_t capacity, int32_t* count, ServiceRecord* service)
{
    FakeCall call {};
    copyText(call.entry, sizeof call.entry, entry);
    if (device != nullptr) call.device = *device;
    call.option1 = option1;
    call.option2 = option2;
    call.records = records;
    call.capacity = capacity;
    call.count = count;
    call.service = service;
    if (service != nullptr) {
        call.library = service->library;
        call.hasDocument = service->document != nullptr;
        call.hasLibraryFile = service->libraryFile != nullptr;
        call.hasDefinitionFile = service->definitionFile != nullptr;
        copyText(call.libraryFile, sizeof call.libraryFile, service->libraryFile);
        copyText(call.definitionFile, sizeof call.definitionFile, service->definitionFile);
        copyText(call.languageFile, sizeof call.languageFile, service->languageFile);
        copyText(call.imageDirectory, sizeof call.imageDirectory, service->imageDirectory);
    }
    std::lock_guard<std::mutex> guard(lock);
    calls.push_back(call);
}

}  // namespace

FAKE_EXPORT int32_t FAKESRV_CallCount()
{
    std::lock_guard<std::mutex> guard(lock);
    return static_cast<int32_t>(calls.size());
}

FAKE_EXPORT const FakeCall* FAKESRV_Call(int32_t index)
{
    std::lock_guard<std::mutex> guard(lock);
    return index >= 0 && static_cast<std::size_t>(index) < calls.size() ? &calls[static_cast<std::size_t>(index)] : nullptr;
}

FAKE_EXPORT void FAKESRV_SetSearchResult(const DeviceIdentity* records, int32_t count)
{
    searchResult.assign(records, records + count);
}

#ifndef FAKE_SERVICE_BARE

// The entry points have the calling convention of the real services'.
FAKE_EXPORT int32_t NETROV_CALL TUVASRV_SearchDevice(DeviceIdentity* filter, intptr_t option1, intptr_t option2,
                                                     void* found, int32_t capacity, int32_t* count,
                                                     ServiceRecord* service)
{
    record("TUVASRV_SearchDevice", filter, option1, option2, found, capacity, count, service);
    auto* out = static_cast<DeviceIdentity*>(found);
    int32_t n = 0;
    for (const DeviceIdentity& device : searchResult) {
        if (n < capacity) out[n] = device;
        ++n;
    }
    *count = n;
    return 0;
}

#define FAKE_DEFINE_ENTRY(ordinal, Name)                                                                    \
    FAKE_EXPORT int32_t NETROV_CALL TUVASRV_##Name(DeviceIdentity* device, intptr_t option1, intptr_t option2, \
                                                   void* records, int32_t capacity, int32_t* count,          \
                                                   ServiceRecord* service)                                   \
    {                                                                                                       \
        record("TUVASRV_" #Name, device, option1, option2, records, capacity, count, service);             \
        return fakeResultOf(ordinal);                                                                       \
    }
NETROV_FORWARDED_QUERIES(FAKE_DEFINE_ENTRY)
#undef FAKE_DEFINE_ENTRY

#endif
