// Local address table from the adapter table (GetAdaptersAddresses): the IPv4
// unicast addresses with their prefix lengths, and each adapter's hardware address.
#include "platform/net_interfaces.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace netrov::platform {

namespace {

uint32_t maskOfLength(unsigned length)
{
    const uint32_t hostOrder = length == 0 ? 0 : length >= 32 ? 0xFFFFFFFFu : ~((1u << (32 - length)) - 1);
    return htonl(hostOrder);
}

}  // namespace

LocalAddressTable localAddressTable()
{
    LocalAddressTable table;
    const ULONG flags = GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;
    std::vector<unsigned char> buffer(16 * 1024);
    ULONG size = static_cast<ULONG>(buffer.size());
    ULONG rc = ERROR_BUFFER_OVERFLOW;
    // The table may grow between the two calls; a few rounds settle it.
    for (int attempt = 0; attempt < 4 && rc == ERROR_BUFFER_OVERFLOW; ++attempt) {
        buffer.resize(size);
        rc = ::GetAdaptersAddresses(AF_INET, flags, nullptr, reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()),
                                    &size);
    }
    if (rc != NO_ERROR) return table;

    for (auto* adapter = reinterpret_cast<const IP_ADAPTER_ADDRESSES*>(buffer.data()); adapter;
         adapter = adapter->Next) {
        InterfaceRow link;
        link.interfaceIndex = adapter->IfIndex;
        link.hardwareLength = static_cast<uint8_t>(std::min<ULONG>(adapter->PhysicalAddressLength, 6));
        std::memcpy(link.hardwareAddress.data(), adapter->PhysicalAddress, link.hardwareLength);
        table.interfaces.push_back(link);
        for (auto* unicast = adapter->FirstUnicastAddress; unicast; unicast = unicast->Next) {
            const SOCKADDR* address = unicast->Address.lpSockaddr;
            if (!address || address->sa_family != AF_INET) continue;
            Ipv4AddressRow row;
            row.address = reinterpret_cast<const sockaddr_in*>(address)->sin_addr.s_addr;
            row.mask = maskOfLength(unicast->OnLinkPrefixLength);
            row.interfaceIndex = adapter->IfIndex;
            table.addresses.push_back(row);
        }
    }
    orderAsTheTablesDo(table);
    return table;
}

}  // namespace netrov::platform
