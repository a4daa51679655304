// Local IPv4 addresses and interface hardware addresses, from getifaddrs.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace netrov::platform {

// One local IPv4 address; address and mask in network order.
struct Ipv4AddressRow {
    uint32_t address = 0;
    uint32_t mask = 0;
    uint32_t interfaceIndex = 0;
};

// One interface with its link-level address (zero-filled when the link has
// none or a shorter one).
struct InterfaceRow {
    uint32_t interfaceIndex = 0;
    std::array<uint8_t, 6> hardwareAddress{};
    uint8_t hardwareLength = 0;
};

// The two tables MIB-II keeps: addresses in ascending address order, as
// the address table lists them, and interfaces in interface index order.
struct LocalAddressTable {
    std::vector<Ipv4AddressRow> addresses;
    std::vector<InterfaceRow> interfaces;
};

// Sorts both lists into the order above (stable, so equal keys keep theirs).
void orderAsTheTablesDo(LocalAddressTable& table);

// Reads the table of the calling process's network namespace; empty when
// the system cannot tell. Throws std::bad_alloc.
LocalAddressTable localAddressTable();

}  // namespace netrov::platform
