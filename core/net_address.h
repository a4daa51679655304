// A device's network address, IPv4 or IPv6, as the user writes it, as a
// device record carries it, as it is shown and as it sorts.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <netrov/device_identity.h>

namespace netrov::core {

struct NetAddress {
    bool v6 = false;
    uint32_t v4 = 0;                   // first octet most significant
    std::array<uint8_t, 16> bytes{};   // IPv6, first byte on the wire first
    std::string zone;                  // a link-local address's interface, as written
};

inline NetAddress ipv4Address(uint32_t address)
{
    NetAddress a;
    a.v4 = address;
    return a;
}

// Whether the IPv6 address is link-local (fe80::/10): only such takes a zone.
inline bool linkLocal(const std::array<uint8_t, 16>& bytes) { return bytes[0] == 0xfe && (bytes[1] & 0xc0) == 0x80; }

// A host name's first IPv4 address, else its first IPv6 one (a link-local
// one with the zone the resolver gives, or passed over when linkLocalToo is
// false); none when it names neither, with getaddrinfo's status in *status.
std::optional<NetAddress> resolveHostName(const std::string& name, bool linkLocalToo, int* status = nullptr);

// A strict dotted quad, or an IPv6 address (RFC 4291 text) with an optional
// "%zone", optionally in brackets; none for any other text. A zone is taken
// only on a link-local address, and only of interface-name characters.
std::optional<NetAddress> parseNetAddress(std::string_view text);

// "192.0.2.1", "2001:db8::17" (RFC 5952 form), "fe80::1%eth0".
std::string netAddressText(const NetAddress& address);
// The same with an IPv6 address in brackets, for "host:port" and URLs.
std::string netAddressHost(const NetAddress& address);

// IPv4 addresses first in numeric order, then IPv6 ones by their bytes and zone.
bool netAddressLess(const NetAddress& a, const NetAddress& b);
bool operator==(const NetAddress& a, const NetAddress& b);

// Address texts ordered as addresses where both are (IPv4 before IPv6),
// before any other text, which sorts as text.
bool addressTextLess(std::string_view a, std::string_view b);

// A key the user gives for a stored device: an address in the one form the
// store keeps ("2001:DB8:0::17" and "[2001:db8::17]" are "2001:db8::17"),
// anything else (a serial number, a MAC address) as it is.
std::string storedKey(const std::string& key);

// The address a device record names (netrovDeviceHost for IPv6); none for a
// locally connected device (parallel port, USB).
std::optional<NetAddress> deviceNetAddress(const DeviceIdentity& device);
// The record's address as shown; "" when it has none.
std::string deviceAddressText(const DeviceIdentity& device);
// Writes the address into a device record: the IPv4 field, or 0.0.0.0 and
// the IPv6 text in the port name.
void setDeviceAddress(DeviceIdentity& device, const NetAddress& address);

// At most this many addresses in one IPv6 range (a /112).
inline constexpr size_t kMaxIpv6Range = 65536;
// Every address from first to last inclusive, both IPv6 with the same zone
// and at most kMaxIpv6Range apart; none with the reason in error otherwise.
std::optional<std::vector<NetAddress>> ipv6Range(const NetAddress& first, const NetAddress& last, std::string* error);

}  // namespace netrov::core
