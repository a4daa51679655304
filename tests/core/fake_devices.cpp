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

namespace {

// A device with a community of its own is silent to every other.
bool answersCommunity(const FakeDevice& d, const DeviceIdentity* request)
{
    return d.community.empty() || d.community == core::fieldText(request->community);
}

}  // namespace

int32_t FakeDevices::search(DeviceIdentity* request, DeviceIdentity* found, int32_t capacity, int32_t* count)
{
    const uint32_t address = core::loadAddress(request->address);
    {
        std::lock_guard lock(mutex);
        searches.push_back({address, request->transport, capacity, request->timeout, request->community,
                            request->reserved1[0]});
    }
    if (searchDelay.count() > 0) std::this_thread::sleep_for(searchDelay);
    std::memset(found, 0, sizeof(DeviceIdentity) * static_cast<size_t>(capacity));
    *count = 0;
    // As the service does: a found record carries the request's community and version byte.
    auto add = [&](DeviceIdentity id) {
        std::memcpy(id.community, request->community, sizeof id.community);
        id.reserved1[0] = request->reserved1[0];
        if (*count < capacity) found[*count] = id;
        ++*count;
    };
    const auto answers = [&](const FakeDevice& d) { return answersCommunity(d, request); };
    if (address == 0xFFFFFFFFu) {
        for (const auto& [a, d] : devices)
            if (d.answersBroadcast && answers(d)) add(identityFor(a, d.model));
        for (int32_t i = 0; i < extraBroadcastDevices; ++i)
            add(identityFor(0x7F630000u + static_cast<uint32_t>(i), "extra"));
    } else if (auto it = devices.find(address); it != devices.end() && answers(it->second)) {
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
    auto it = devices.find(address);
    if (it == devices.end() || !answersCommunity(it->second, device)) return answerInfo(nullptr, records, capacity, count);
    const FakeDevice& d = it->second;
    int32_t failure = d.infoResult;
    if (call < static_cast<int>(d.infoFailuresFirst.size())) failure = d.infoFailuresFirst[static_cast<size_t>(call)];
    if (failure != NETROV_OK) {
        answerInfo(nullptr, records, capacity, count);
        return failure;
    }
    DeviceInfo info{};
    info.nameValid = 1;
    std::strncpy(info.name, d.name.c_str(), sizeof info.name - 1);
    return answerInfo(&info, records, capacity, count);
}

int32_t FakeDevices::status(DeviceIdentity* device, void* records, int32_t capacity, int32_t* count)
{
    const uint32_t address = core::loadAddress(device->address);
    std::lock_guard lock(mutex);
    auto it = devices.find(address);
    if (it != devices.end() && !answersCommunity(it->second, device)) it = devices.end();
    if (it != devices.end() && it->second.statusResult == NETROV_NO_VALUE) {
        // No status objects: the service's record of an unknown status.
        DeviceStatus unknown{};
        unknown.simpleStatusValid = 1;
        unknown.simpleStatus = core::kStatusUnknown;
        answerStatus(&unknown, 1, records, capacity, count);
        return NETROV_NO_VALUE;
    }
    if (it == devices.end() || it->second.statusResult != NETROV_OK) {
        // The service's failure record.
        DeviceStatus failure{};
        failure.failed = 1;
        failure.simpleStatus = core::kStatusNoAnswer;
        answerStatus(&failure, 1, records, capacity, count);
        return it == devices.end() ? NETROV_NO_REPLY : it->second.statusResult;
    }
    std::vector<DeviceStatus> statuses(it->second.simpleStatus.size());
    for (size_t i = 0; i < statuses.size(); ++i) {
        statuses[i].simpleStatusValid = 1;
        statuses[i].simpleStatus = it->second.simpleStatus[i];
    }
    return answerStatus(statuses.data(), statuses.size(), records, capacity, count);
}

int32_t answerInfo(const DeviceInfo* info, void* records, int32_t capacity, int32_t* count)
{
    std::memset(records, 0, sizeof(DeviceInfo) * static_cast<size_t>(capacity));
    *count = 0;
    if (!info) return NETROV_NO_REPLY;
    if (capacity > 0) *static_cast<DeviceInfo*>(records) = *info;
    *count = 1;
    return NETROV_OK;
}

int32_t answerStatus(const DeviceStatus* statuses, size_t n, void* records, int32_t capacity, int32_t* count)
{
    std::memset(records, 0, sizeof(DeviceStatus) * static_cast<size_t>(capacity));
    *count = 0;
    if (!statuses) return NETROV_NO_REPLY;
    for (size_t i = 0; i < n; ++i) {
        if (*count < capacity) static_cast<DeviceStatus*>(records)[*count] = statuses[i];
        ++*count;
    }
    return NETROV_OK;
}

}  // namespace netrov::test
