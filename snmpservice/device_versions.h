// What the service learns about each device address while the process runs:
// the SNMP version that answered an "auto" device, and agents whose GetBulk
// answers cannot be trusted.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace netrov::tessel {

// The version (NETROV_SNMP_V1 or NETROV_SNMP_V2C) that answered the address
// last; none when no "auto" exchange has been answered yet.
std::optional<int32_t> rememberedVersion(const std::string& address);
void rememberVersion(const std::string& address, int32_t version);

// True once the address answered GetBulk badly: its walks go by GetNext.
bool bulkRefused(const std::string& address);
void refuseBulk(const std::string& address);

// Forgets everything, cached answers and SNMPv3 engines included (tests start
// from a clean slate).
void forgetDevices();

}  // namespace netrov::tessel
