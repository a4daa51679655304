// The desktop's search of the IPv6 addresses of its search settings, one by
// one beside the search of the IPv4 list (which takes IPv4 addresses only).
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "device_list.h"
#include "front_library.h"
#include "net_address.h"
#include "search_settings.h"

namespace netrov::ui {

// Asks each address, all at once, by the search's communities in order
// (stopping at the first that answers) and SNMP version, then reads the
// information and status of what answered, as a refresh does. With a maker,
// only the devices whose model holds it. Devices that answer the search but
// not their information are left out, as the search leaves them out. stop
// (set from another thread) ends it before its next request.
std::vector<core::DeviceListEntry> searchIpv6Addresses(const core::DeviceAccess& access,
                                                       const std::vector<core::NetAddress>& addresses,
                                                       const core::SearchSettings& settings,
                                                       const core::SearchExtent& extent, const std::string& maker,
                                                       const std::atomic<bool>& stop);

}  // namespace netrov::ui
