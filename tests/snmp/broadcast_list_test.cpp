// Filtering and ordering of the local broadcast addresses.
#include <gtest/gtest.h>

#include "platform/socket.h"

#include "broadcast_list.h"

using netrov::platform::InterfaceRow;
using netrov::platform::Ipv4AddressRow;
using netrov::platform::LocalAddressTable;
using netrov::snmp::broadcastAddresses;

namespace {

uint32_t ip(const char* text) { return inet_addr(text); }

InterfaceRow iface(uint32_t index, std::array<uint8_t, 6> hw) { return {index, hw, 6}; }

constexpr std::array<uint8_t, 6> kEthernet{0x00, 0x1B, 0x21, 0x3C, 0x4D, 0x5E};
constexpr std::array<uint8_t, 6> kOther{0x02, 0x42, 0xAC, 0x11, 0x00, 0x02};

TEST(BroadcastList, AddressOrInvertedMaskInTableOrder)
{
    LocalAddressTable table;
    table.addresses = {{ip("203.0.113.3"), ip("255.255.255.0"), 2}, {ip("198.18.7.9"), ip("255.255.0.0"), 3}};
    table.interfaces = {iface(2, kEthernet), iface(3, kOther)};
    EXPECT_EQ(broadcastAddresses(table), (std::vector<uint32_t>{ip("203.0.113.255"), ip("198.18.255.255")}));
}

TEST(BroadcastList, SkipsLoopbackUnsetAndPlaceholderAdapters)
{
    LocalAddressTable table;
    table.addresses = {
        {ip("127.0.0.1"), ip("255.0.0.0"), 2},      // loopback address
        {ip("0.0.0.0"), ip("0.0.0.0"), 2},           // no address yet
        {ip("198.51.1.1"), ip("255.255.255.0"), 4},    // remote access adapter
        {ip("198.51.2.1"), ip("255.255.255.0"), 5},    // no hardware address
        {ip("198.51.3.1"), ip("255.255.255.0"), 6},    // dial-up placeholder
        {ip("198.51.4.1"), ip("255.255.255.0"), 9},    // interface unknown
        {ip("198.51.5.1"), ip("255.255.255.0"), 2},
        {ip("198.51.5.2"), ip("255.255.255.0"), 7},    // same network again
        {ip("127.0.0.2"), ip("255.0.0.0"), 7},       // only 127.0.0.1 itself is skipped
    };
    table.interfaces = {iface(2, kEthernet),
                        iface(4, {0x44, 0x45, 0x53, 0x54, 0x00, 0x01}),
                        iface(5, {}),
                        iface(6, {0x00, 0x53, 0x45, 0x00, 0x00, 0x00}),
                        iface(7, kOther)};
    EXPECT_EQ(broadcastAddresses(table), (std::vector<uint32_t>{ip("198.51.5.255"), ip("127.255.255.255")}));
}

TEST(BroadcastList, LoopbackOnlyMachineHasNone)
{
    LocalAddressTable table;
    table.addresses = {{ip("127.0.0.1"), ip("255.0.0.0"), 1}};
    table.interfaces = {iface(1, {})};
    EXPECT_TRUE(broadcastAddresses(table).empty());
    EXPECT_TRUE(broadcastAddresses({}).empty());
}

TEST(LocalAddressTable, ListsLoopbackInAscendingOrder)
{
    auto table = netrov::platform::localAddressTable();
    bool loopback = false;
    for (const auto& row : table.addresses) loopback = loopback || row.address == ip("127.0.0.1");
    EXPECT_TRUE(loopback);
    for (size_t i = 1; i < table.addresses.size(); ++i)
        EXPECT_LE(ntohl(table.addresses[i - 1].address), ntohl(table.addresses[i].address));
}

}  // namespace
