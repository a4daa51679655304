// The per-address search of IPv6 addresses through the front library.
#include "ipv6_search.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <thread>

#include <netrov/snmp_version.h>

#include "search_run.h"

namespace netrov::ui {

namespace {

// The devices the address answers with, by the first community that answers; empty for none.
std::vector<DeviceIdentity> askAddress(const core::DeviceAccess& access, const core::NetAddress& address,
                                       const core::SearchSettings& settings, const core::SearchExtent& extent,
                                       const std::atomic<bool>& stop)
{
    DeviceIdentity request;
    std::memset(&request, 0, sizeof request);
    request.transport = NETROV_TRANSPORT_SNMP;
    request.timeout = settings.TimeOut;
    core::setDeviceAddress(request, address);
    std::vector<DeviceIdentity> found(core::kFirstResultCapacity);
    for (const std::string& community : core::communityList(settings, extent)) {
        core::setFieldText(request.community, community);
        netrovSetSnmpVersion(&request, extent.snmpVersion);
        int32_t count = 0;
        for (int i = 0; i < core::attempts(settings) && count == 0 && !stop.load(); ++i) {
            count = 0;
            access.searchDevice(&request, 0, 0, found.data(), core::kFirstResultCapacity, &count);
        }
        if (count <= 0) continue;
        found.resize(static_cast<size_t>(std::min(count, core::kFirstResultCapacity)));
        return found;
    }
    return {};
}

}  // namespace

std::vector<core::DeviceListEntry> searchIpv6Addresses(const core::DeviceAccess& access,
                                                       const std::vector<core::NetAddress>& addresses,
                                                       const core::SearchSettings& settings,
                                                       const core::SearchExtent& extent, const std::string& maker,
                                                       const std::atomic<bool>& stop)
{
    if (!access.searchDevice) return {};
    // One thread per address, as the search asks its list: a silent address costs its time-outs once, not in turn.
    std::vector<std::vector<DeviceIdentity>> answers(addresses.size());
    {
        std::vector<std::jthread> threads;
        for (size_t i = 0; i < addresses.size(); ++i) {
            try {
                threads.emplace_back([&, i] { answers[i] = askAddress(access, addresses[i], settings, extent, stop); });
            } catch (const std::system_error&) {
                break;  // no thread for the rest: they are not asked
            }
        }
    }
    core::DeviceList found;
    for (const std::vector<DeviceIdentity>& answer : answers) {
        for (const DeviceIdentity& identity : answer) {
            core::DeviceListEntry entry;
            std::memset(&entry, 0, sizeof entry);
            entry.identity = identity;
            entry.identity.timeout = core::kFoundDeviceTimeOut;
            if (extent.snmpVersion != NETROV_SNMP_AUTO) netrovSetSnmpVersion(&entry.identity, extent.snmpVersion);
            if (!maker.empty() && core::fieldText(entry.identity.modelName).find(maker) == std::string::npos) continue;
            found.appendUnique(entry);
        }
    }
    core::refreshDevices(access, found, settings, &stop);
    std::vector<core::DeviceListEntry> out;
    for (const core::DeviceListEntry& entry : found.copyAll())
        if (core::statusCode(entry) != core::kStatusNoAnswer) out.push_back(entry);
    return out;
}

}  // namespace netrov::ui
