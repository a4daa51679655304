// An in-process stand-in for the front library: devices by address, scripted answers, call records.
#pragma once

#include <atomic>
#include <chrono>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include <netrov/device_records.h>
#include <netrov/result_codes.h>

#include "front_library.h"
#include "search_settings.h"

namespace netrov::test {

struct FakeDevice {
    std::string model = "Veltrano LX-1";
    std::string name = "printer";
    bool answersBroadcast = true;
    std::string community;  // empty: answers every community
    int32_t infoResult = NETROV_OK;
    int32_t statusResult = NETROV_OK;
    std::vector<int32_t> simpleStatus{3};
    // Results returned before the scripted one, one per call (e.g. 100, 100).
    std::vector<int32_t> infoFailuresFirst;
};

class FakeDevices {
public:
    std::map<uint32_t, FakeDevice> devices;
    std::chrono::milliseconds searchDelay{0};
    // A local search reports this many extra devices (to overflow the first array).
    int32_t extraBroadcastDevices = 0;

    std::atomic<int> initCalls{0};
    std::atomic<int> releaseCalls{0};
    std::mutex mutex;
    struct SearchCall {
        uint32_t address;
        int32_t transport;
        int32_t capacity;
        int32_t timeout;
        std::string community;
        int32_t snmpVersion;
    };
    std::vector<SearchCall> searches;
    std::vector<int32_t> queryTimeouts;
    std::map<uint32_t, int> infoCalls;

    core::DeviceAccess access();

    std::vector<SearchCall> searchesTo(uint32_t address)
    {
        std::lock_guard lock(mutex);
        std::vector<SearchCall> out;
        for (const auto& s : searches)
            if (s.address == address) out.push_back(s);
        return out;
    }

private:
    int32_t search(DeviceIdentity* request, DeviceIdentity* found, int32_t capacity, int32_t* count);
    int32_t info(DeviceIdentity* device, void* records, int32_t capacity, int32_t* count);
    int32_t status(DeviceIdentity* device, void* records, int32_t capacity, int32_t* count);
};

// A device's answer to an information query as the service gives it: its
// record and a count of 1; without a record (a device that does not answer),
// the caller's records cleared and NETROV_NO_REPLY.
int32_t answerInfo(const DeviceInfo* info, void* records, int32_t capacity, int32_t* count);
// The same for a status query: the device's records as far as the capacity
// allows, counted all the same.
int32_t answerStatus(const DeviceStatus* statuses, size_t n, void* records, int32_t capacity, int32_t* count);

inline DeviceIdentity identityFor(uint32_t address, const std::string& model)
{
    DeviceIdentity id;
    std::memset(&id, 0, sizeof id);
    std::strncpy(id.modelName, model.c_str(), sizeof id.modelName - 1);
    id.interfaceKind = NETROV_INTERFACE_NETWORK;
    id.transport = NETROV_TRANSPORT_SNMP;
    id.timeout = 7;
    core::storeAddress(address, id.address);
    return id;
}

}  // namespace netrov::test
