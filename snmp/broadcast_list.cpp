// Filtering and ordering of the local broadcast addresses.
#include "broadcast_list.h"

#include <algorithm>
#include <array>

#include "platform/socket.h"

namespace netrov::snmp {

namespace {

using Hardware = std::array<uint8_t, 6>;

// Adapters that carry no broadcast-capable LAN: remote-access ("DEST")
// and the zero/"SE" placeholder of a dial-up adapter.
bool skippedHardware(const Hardware& hw)
{
    static constexpr std::array<uint8_t, 4> kRemoteAccess{0x44, 0x45, 0x53, 0x54};
    static constexpr Hardware kZero{};
    static constexpr Hardware kDialUp{0x00, 0x53, 0x45, 0x00, 0x00, 0x00};
    return std::equal(kRemoteAccess.begin(), kRemoteAccess.end(), hw.begin()) || hw == kZero || hw == kDialUp;
}

}  // namespace

std::vector<uint32_t> broadcastAddresses(const platform::LocalAddressTable& table)
{
    std::vector<uint32_t> out;
    for (const auto& row : table.addresses) {
        auto iface = std::find_if(table.interfaces.begin(), table.interfaces.end(),
                                  [&](const platform::InterfaceRow& i) { return i.interfaceIndex == row.interfaceIndex; });
        if (iface == table.interfaces.end()) continue;
        if (row.address == htonl(INADDR_LOOPBACK) || row.address == 0) continue;
        if (skippedHardware(iface->hardwareAddress)) continue;
        uint32_t broadcast = row.address | ~row.mask;
        if (std::find(out.begin(), out.end(), broadcast) != out.end()) continue;
        out.push_back(broadcast);
    }
    return out;
}

}  // namespace netrov::snmp
