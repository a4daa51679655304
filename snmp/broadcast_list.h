// The local broadcast addresses a collecting request is sent to, in order.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/net_interfaces.h"

namespace netrov::snmp {

// Distinct broadcast addresses (network order) of the table's addresses, in
// table order. Skipped: 127.0.0.1 and 0.0.0.0, addresses whose interface is
// not in the table, and interfaces whose hardware address is all zeros or
// belongs to a dial-up or tunnel adapter. Throws std::bad_alloc.
std::vector<uint32_t> broadcastAddresses(const platform::LocalAddressTable& table);

}  // namespace netrov::snmp
