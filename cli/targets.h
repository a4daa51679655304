// Targets of large sweeps: addresses, ranges of any size, address blocks
// (CIDR) and files of them.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "cli_input.h"

namespace netrov::cli {

// At most a /8 in all: larger sweeps are almost always a typing mistake.
inline constexpr uint64_t kMaxTargets = core::kMaxSpanAddresses;

// "A", "A-B" (any size, not reversed) or "A/P" (P from 8 to 32; the network
// and broadcast addresses of a block of four or more addresses are left out).
// Addresses are 32-bit numbers, first octet most significant.
Checked<std::vector<uint32_t>> expandTarget(const std::string& text);
bool isBlockOrRange(const std::string& text);

// One target per line; blank lines and text after "#" are ignored. Every bad
// line is reported with its line number, and then nothing is returned.
Checked<std::vector<uint32_t>> readTargets(std::istream& in, const std::string& name);

// Appends, failing when the total would pass kMaxTargets.
bool appendTargets(std::vector<uint32_t>* all, const std::vector<uint32_t>& more, std::string* error);

}  // namespace netrov::cli
