// The in-process front library stand-in.
#include "fake_devices.h"

#include <thread>

#include "device_list.h"

namespace netrov::test {

core::DeviceAccess FakeDevices::access()
{
    core::DeviceAccess a;
    a.init = [this](DeviceIdentity*) {
        ++initCalls;
        return 0;
    };
    a.release = [this] {
        ++releaseCalls;
        return 0;
    };
    a.searchDevice = [this](DeviceIdentity* request, intptr_t, intptr_t, DeviceIdentity* found, int32_t capacity,
                            int32_t* count) { return search(request, found, capacity, count); };
    a.getDevInfo = [this](DeviceIdentity* d, intptr_t, intptr_t, void* r, int32_t c, int32_t* n) { return info(d, r, c, n); };
    a.getDevStatus = [this](DeviceIdentity* d, intptr_t, intptr_t, void* r, int32_t c, int32_t* n) {
        return status(d, r, c, n);
    };
    return a;
}

int32_t FakeDevices::search(DeviceIdentity* request, DeviceIdentity* found, int32_t capacity, int32_t* count)
{
    const uint32_t address = core::loadAddress(request->address);
    {
        std::lock_guard lock(mutex);
        searches.push_back({address, request->transport, capacity, request->timeout, request->community});
    }
    if (searchDelay.count() > 0) std::this_thread::sleep_for(searchDelay);
    std::memset(found, 0, sizeof(DeviceIdentity) * static_cast<size_t>(capacity));
    *count = 0;
    auto add = [&](const DeviceIdentity& id) {
        if (*count < capacity) found[*count] = id;
        ++*count;
    };
    if (address == 0xFFFFFFFFu) {
        for (const auto& [a, d] : devices)
            if (d.answersBroadcast) add(identityFor(a, d.model));
        for (int32_t i = 0; i < extraBroadcastDevices; ++i)
            add(identityFor(0x7F630000u + static_cast<uint32_t>(i), "extra"));
    } else if (auto it = devices.find(address); it != devices.end()) {
        add(identityFor(address, it->second.model));
    }
    return 0;
}

int32_t FakeDevices::info(DeviceIdentity* device, void* records, int32_t capacity, int32_t* count)
{
    const uint32_t address = core::loadAddress(device->address);
    std::lock_guard lock(mutex);
    queryTimeouts.push_back(device->timeout);
    const int call = infoCalls[address]++;
    std::memset(records, 0, sizeof(DeviceInfo) * static_cast<size_t>(capacity));
    *count = 0;
    auto it = devices.find(address);
    if (it == devices.end()) return NETROV_NO_REPLY;
    const FakeDevice& d = it->second;
    if (call < static_cast<int>(d.infoFailuresFirst.size())) return d.infoFailuresFirst[static_cast<size_t>(call)];
    if (d.infoResult != NETROV_OK) return d.infoResult;
    auto* info = static_cast<DeviceInfo*>(records);
    info->nameValid = 1;
    std::strncpy(info->name, d.name.c_str(), sizeof info->name - 1);
    *count = 1;
    return NETROV_OK;
}

int32_t FakeDevices::status(DeviceIdentity* device, void* records, int32_t capacity, int32_t* count)
{
    const uint32_t address = core::loadAddress(device->address);
    std::lock_guard lock(mutex);
    std::memset(records, 0, sizeof(DeviceStatus) * static_cast<size_t>(capacity));
    *count = 0;
    auto* status = static_cast<DeviceStatus*>(records);
    auto it = devices.find(address);
    if (it == devices.end() || it->second.statusResult != NETROV_OK) {
        status[0].failed = 1;
        status[0].simpleStatus = -1;
        *count = 1;
        return it == devices.end() ? NETROV_NO_REPLY : it->second.statusResult;
    }
    for (int32_t code : it->second.simpleStatus) {
        if (*count < capacity) {
            status[*count].simpleStatusValid = 1;
            status[*count].simpleStatus = code;
        }
        ++*count;
    }
    return NETROV_OK;
}

}  // namespace netrov::test
