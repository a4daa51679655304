// The order in which MIB-II lists local addresses and interfaces.
#include "platform/net_interfaces.h"

#include <algorithm>

#include "platform/socket.h"

namespace netrov::platform {

void orderAsTheTablesDo(LocalAddressTable& table)
{
    std::stable_sort(table.addresses.begin(), table.addresses.end(),
                     [](const Ipv4AddressRow& a, const Ipv4AddressRow& b) { return ntohl(a.address) < ntohl(b.address); });
    std::stable_sort(table.interfaces.begin(), table.interfaces.end(),
                     [](const InterfaceRow& a, const InterfaceRow& b) { return a.interfaceIndex < b.interfaceIndex; });
}

}  // namespace netrov::platform
