// Local address table from getifaddrs: IPv4 entries for addresses and masks,
// AF_PACKET entries for hardware addresses.
#include "net_interfaces.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <netpacket/packet.h>
#include <sys/socket.h>

namespace netrov::platform {

namespace {

struct IfAddrsDeleter {
    void operator()(ifaddrs* list) const noexcept { freeifaddrs(list); }
};

uint32_t indexOf(const char* name)
{
    // Alias labels ("eth0:1") name no interface of their own.
    std::string base(name);
    if (auto colon = base.find(':'); colon != std::string::npos) base.resize(colon);
    return if_nametoindex(base.c_str());
}

}  // namespace

LocalAddressTable localAddressTable()
{
    LocalAddressTable table;
    ifaddrs* raw = nullptr;
    if (getifaddrs(&raw) != 0) return table;
    std::unique_ptr<ifaddrs, IfAddrsDeleter> list(raw);

    for (ifaddrs* entry = raw; entry; entry = entry->ifa_next) {
        if (!entry->ifa_addr || !entry->ifa_name) continue;
        if (entry->ifa_addr->sa_family == AF_INET) {
            Ipv4AddressRow row;
            row.address = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr.s_addr;
            if (entry->ifa_netmask) row.mask = reinterpret_cast<const sockaddr_in*>(entry->ifa_netmask)->sin_addr.s_addr;
            row.interfaceIndex = indexOf(entry->ifa_name);
            table.addresses.push_back(row);
        } else if (entry->ifa_addr->sa_family == AF_PACKET) {
            const auto* link = reinterpret_cast<const sockaddr_ll*>(entry->ifa_addr);
            InterfaceRow row;
            row.interfaceIndex = static_cast<uint32_t>(link->sll_ifindex);
            row.hardwareLength = std::min<uint8_t>(link->sll_halen, 6);
            std::memcpy(row.hardwareAddress.data(), link->sll_addr, row.hardwareLength);
            table.interfaces.push_back(row);
        }
    }
    orderAsTheTablesDo(table);
    return table;
}

}  // namespace netrov::platform
