// Address texts of both families through the system's own conversions.
#include "net_address.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <tuple>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <net/if.h>
#include <netdb.h>
#include <sys/socket.h>
#endif

#include "search_settings.h"

namespace netrov::core {
namespace {

bool zoneCharacter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
           c == '.';
}

// The longest interface name a zone can be (IFNAMSIZ less its terminator).
constexpr size_t kMaxZone = 15;
// "ffff:ffff:ffff:ffff:ffff:ffff:255.255.255.255" is the longest IPv6 text.
constexpr size_t kMaxIpv6Text = 45;

}  // namespace

std::optional<NetAddress> parseNetAddress(std::string_view text)
{
    if (const std::optional<uint32_t> v4 = parseDottedQuad(text)) return ipv4Address(*v4);
    if (text.size() >= 2 && text.front() == '[' && text.back() == ']') text = text.substr(1, text.size() - 2);
    std::string_view zone;
    if (const size_t percent = text.find('%'); percent != std::string_view::npos) {
        zone = text.substr(percent + 1);
        text = text.substr(0, percent);
        if (zone.empty() || zone.size() > kMaxZone || !std::all_of(zone.begin(), zone.end(), zoneCharacter)) {
            return std::nullopt;
        }
    }
    if (text.empty() || text.size() > kMaxIpv6Text || text.find(':') == std::string_view::npos) return std::nullopt;
    char copy[kMaxIpv6Text + 1] = {};
    std::memcpy(copy, text.data(), text.size());
    NetAddress address;
    address.v6 = true;
    if (inet_pton(AF_INET6, copy, address.bytes.data()) != 1) return std::nullopt;
    if (!zone.empty() && !linkLocal(address.bytes)) return std::nullopt;
    address.zone = std::string(zone);
    return address;
}

std::optional<NetAddress> resolveHostName(const std::string& name, bool linkLocalToo, int* status)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    const int result = getaddrinfo(name.c_str(), nullptr, &hints, &found);
    if (status) *status = result;
    const std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> owner(result == 0 ? found : nullptr, freeaddrinfo);
    std::optional<NetAddress> v6;
    for (const addrinfo* a = owner.get(); a; a = a->ai_next) {
        if (!a->ai_addr) continue;
        if (a->ai_addr->sa_family == AF_INET && a->ai_addrlen >= sizeof(sockaddr_in))
            return ipv4Address(ntohl(reinterpret_cast<const sockaddr_in*>(a->ai_addr)->sin_addr.s_addr));
        if (a->ai_addr->sa_family != AF_INET6 || a->ai_addrlen < sizeof(sockaddr_in6) || v6) continue;
        const auto* in6 = reinterpret_cast<const sockaddr_in6*>(a->ai_addr);
        NetAddress address;
        address.v6 = true;
        std::memcpy(address.bytes.data(), &in6->sin6_addr, address.bytes.size());
        if (linkLocal(address.bytes)) {
            if (!linkLocalToo) continue;
#ifndef _WIN32
            char zone[IF_NAMESIZE] = {};
            if (in6->sin6_scope_id != 0 && if_indextoname(in6->sin6_scope_id, zone)) address.zone = zone;
#endif
        }
        v6 = std::move(address);
    }
    return v6;
}

std::string netAddressText(const NetAddress& address)
{
    if (!address.v6) return addressToText(address.v4);
    char text[INET6_ADDRSTRLEN] = {};
    if (!inet_ntop(AF_INET6, address.bytes.data(), text, sizeof text)) return {};
    std::string out = text;
    if (!address.zone.empty()) out += "%" + address.zone;
    return out;
}

std::string netAddressHost(const NetAddress& address)
{
    return address.v6 ? "[" + netAddressText(address) + "]" : netAddressText(address);
}

bool netAddressLess(const NetAddress& a, const NetAddress& b)
{
    if (a.v6 != b.v6) return !a.v6;
    if (!a.v6) return a.v4 < b.v4;
    return std::tie(a.bytes, a.zone) < std::tie(b.bytes, b.zone);
}

bool operator==(const NetAddress& a, const NetAddress& b)
{
    if (a.v6 != b.v6) return false;
    return a.v6 ? a.bytes == b.bytes && a.zone == b.zone : a.v4 == b.v4;
}

bool addressTextLess(std::string_view a, std::string_view b)
{
    const std::optional<NetAddress> x = parseNetAddress(a);
    const std::optional<NetAddress> y = parseNetAddress(b);
    if (x && y) return netAddressLess(*x, *y);
    if (x || y) return x.has_value();
    return a < b;
}

std::string storedKey(const std::string& key)
{
    const std::optional<NetAddress> address = parseNetAddress(key);
    return address ? netAddressText(*address) : key;
}

std::optional<NetAddress> deviceNetAddress(const DeviceIdentity& device)
{
    if (const char* host = netrovDeviceHost(&device)) return parseNetAddress(host);
    // Only a locally connected device has no network address; a record a
    // caller filled with an address alone names that address.
    if (device.interfaceKind == NETROV_INTERFACE_PARALLEL || device.interfaceKind == NETROV_INTERFACE_USB) {
        return std::nullopt;
    }
    return ipv4Address(loadAddress(device.address));
}

std::string deviceAddressText(const DeviceIdentity& device)
{
    const std::optional<NetAddress> address = deviceNetAddress(device);
    return address ? netAddressText(*address) : std::string();
}

void setDeviceAddress(DeviceIdentity& device, const NetAddress& address)
{
    std::memset(device.portName, 0, sizeof device.portName);
    if (!address.v6) {
        storeAddress(address.v4, device.address);
        return;
    }
    std::memset(device.address, 0, sizeof device.address);
    const std::string text = netAddressText(address);
    std::memcpy(device.portName, text.data(), std::min(text.size(), sizeof device.portName - 1));
}

std::optional<std::vector<NetAddress>> ipv6Range(const NetAddress& first, const NetAddress& last, std::string* error)
{
    const auto fail = [&](const std::string& why) -> std::optional<std::vector<NetAddress>> {
        if (error) *error = why;
        return std::nullopt;
    };
    if (!first.v6 || !last.v6) return fail("both ends of the range must be IPv6 addresses");
    if (first.zone != last.zone) return fail("both ends of the range must have the same zone");
    if (netAddressLess(last, first)) return fail("the range ends before it starts");
    // Up to 2^16 addresses differ in their last 16 bits only, with at most
    // one carry into the 17th; anything wider is refused before counting.
    if (!std::equal(first.bytes.begin(), first.bytes.begin() + 13, last.bytes.begin())) {
        return fail("an IPv6 range holds at most 65536 addresses");
    }
    const auto low = [](const NetAddress& a) {
        return (uint32_t{a.bytes[13]} << 16) | (uint32_t{a.bytes[14]} << 8) | a.bytes[15];
    };
    const uint32_t start = low(first);
    const uint32_t end = low(last);
    if (end - start + 1 > kMaxIpv6Range) return fail("an IPv6 range holds at most 65536 addresses");
    std::vector<NetAddress> all;
    all.reserve(end - start + 1);
    for (uint32_t n = start;; ++n) {
        NetAddress a = first;
        a.bytes[13] = static_cast<uint8_t>(n >> 16);
        a.bytes[14] = static_cast<uint8_t>(n >> 8);
        a.bytes[15] = static_cast<uint8_t>(n);
        all.push_back(std::move(a));
        if (n == end) break;
    }
    return all;
}

}  // namespace netrov::core
