// Targets of large sweeps: addresses, ranges of any size, address blocks
// (CIDR) and files of them, IPv4 and IPv6.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "cli_input.h"
#include "net_address.h"

namespace netrov::cli {

// At most a /8 in all: larger sweeps are almost always a typing mistake.
inline constexpr uint64_t kMaxTargets = core::kMaxSpanAddresses;

// "A", "A-B" (any size, not reversed) or "A/P" (P from 8 to 32; the network
// and broadcast addresses of a block of four or more addresses are left out).
// Addresses are 32-bit numbers, first octet most significant.
Checked<std::vector<uint32_t>> expandTarget(const std::string& text);
bool isBlockOrRange(const std::string& text);

// At most sixteen full IPv6 ranges in all: each address is held as a
// NetAddress, many times the size of an IPv4 number.
inline constexpr uint64_t kMaxIpv6Targets = 16 * core::kMaxIpv6Range;

// Targets of both families in the order given within each: IPv4 ones as
// numbers (a /8 of them must fit), IPv6 ones apart.
struct TargetList {
    std::vector<uint32_t> v4;
    std::vector<core::NetAddress> v6;
    size_t size() const { return v4.size() + v6.size(); }
    bool empty() const { return v4.empty() && v6.empty(); }
};

// An IPv6 "A" (a "%zone" and brackets allowed), "A-B" (at most
// core::kMaxIpv6Range addresses, one zone) or "A/P" (P from 112 to 128; the
// subnet-router anycast address, all host bits zero, of a block of four or
// more addresses is left out, as IPv4 leaves out the network address).
// None for text that is no IPv6 target, with the reason when it was meant
// as one (it holds a ':').
Checked<std::vector<core::NetAddress>> expandIpv6Target(const std::string& text);
// An IPv4 target as expandTarget takes it, or an IPv6 one.
Checked<TargetList> expandAnyTarget(const std::string& text);

// One target per line, either family; blank lines and text after "#" are
// ignored. Every bad line is reported with its line number, and then nothing
// is returned.
Checked<TargetList> readTargets(std::istream& in, const std::string& name);

// Appends, failing when the total would pass kMaxTargets, or the IPv6
// targets kMaxIpv6Targets.
bool appendTargets(TargetList* all, const TargetList& more, std::string* error);

}  // namespace netrov::cli
