// The exporter's configuration: listen address, probe time-out, retries,
// named communities, the limit of parallel probes and the networks that may
// be probed, from flags and a YAML file; the web configuration file of TLS
// and basic authentication in the exporter toolkit's format.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "net_address.h"

namespace netrov::exporter {

// Not used by any other exporter on Prometheus's list of default port
// allocations: that list has given out every port from 9100 to 9999, and
// new exporters take ports from 10000 up.
inline constexpr uint16_t kDefaultPort = 10109;
inline constexpr const char* kDefaultListenAddress = "127.0.0.1:10109";
inline constexpr int32_t kMaxTimeOutSeconds = 60;
inline constexpr int32_t kMaxRetries = 10;
inline constexpr int32_t kMaxParallelProbes = 1024;
// The configuration files are regular files of at most this size.
inline constexpr size_t kMaxConfigBytes = 1024 * 1024;
// The name a probe uses when it names no community.
inline constexpr const char* kDefaultCommunityName = "default";

// An IPv4 or IPv6 network; its address has the bits past the prefix cleared
// and no zone.
struct Network {
    core::NetAddress address;
    int prefix = 0;
    // An IPv4-mapped IPv6 address (::ffff:A.B.C.D) reaches A.B.C.D, so it is
    // the IPv4 networks that decide it. A zone does not matter.
    bool contains(const core::NetAddress& a) const;
};

struct ListenAddress {
    core::NetAddress address;
    uint16_t port = 0;
    std::string host;  // as text, for binding (IPv6 without brackets)
    // 127.0.0.0/8 or ::1.
    bool loopback() const;
};

struct Config {
    std::string listenAddress = kDefaultListenAddress;
    int32_t timeOutSeconds = 3;
    // The whole probe when the scrape does not say how long Prometheus waits.
    int32_t scrapeTimeOutSeconds = 10;
    int32_t retries = 0;
    int32_t ippPort = 631;  // where a printer is read over IPP (&source=)
    int32_t maxParallelProbes = 16;
    // include/netrov/snmp_version.h: 0 SNMPv1 (the default), 1 v2c, 2 auto.
    int32_t snmpVersion = 0;
    // Names to communities: a scrape names a community, never sends one.
    std::map<std::string, std::string> communities;
    // The SNMPv3 profile of scrapes that name neither a community nor a
    // profile; empty: they read by the default community. Only the name is
    // kept: the pass phrases stay in the profile file.
    std::string profile;
    std::vector<Network> allowedNetworks;
    bool fromFile = false;
    // Said at start: the file is readable by others.
    std::string warning;
};

struct WebConfig {
    std::string certFile;
    std::string keyFile;
    std::map<std::string, std::string> basicAuthUsers;  // user to bcrypt hash
    bool tls() const { return !certFile.empty(); }
};

// Fills from the YAML text; the error names the key at fault.
std::optional<std::string> parseConfig(const std::string& yaml, Config& config);
std::optional<std::string> loadConfig(const std::string& path, Config& config);
std::optional<std::string> parseWebConfig(const std::string& yaml, WebConfig& web);
std::optional<std::string> loadWebConfig(const std::string& path, WebConfig& web);

// A profile name as the profile file's sections and the device record take
// it: 1 to 127 letters, digits, '.', '_' or '-'.
bool validProfileName(const std::string& name);

// Whether the profile file has the profile. Only names are compared; no
// value read from the file leaves this call.
enum class ProfileLookup { Found, Unknown, Refused };
ProfileLookup lookUpProfile(const std::string& name);

// "A.B.C.D/P", "X:X::X/P" or a single address.
std::optional<Network> parseNetwork(const std::string& text);
// "HOST:PORT" with an IPv4 address, an IPv6 address in brackets
// ("[::1]:10109") or "localhost" as host.
std::optional<ListenAddress> parseListenAddress(const std::string& text);

// The configuration as the exporter may run it: any address but loopback
// needs allowed networks. Empty when it may.
std::string checkExposure(const Config& config, const ListenAddress& listen);

// A probe target's address as Prometheus users write it: a dotted quad, an
// IPv6 address bare or in brackets, a link-local one with its zone after
// "%" (or "%25" in brackets, as a URL writes it). An IPv4-mapped IPv6
// address comes back as the IPv4 address it reaches, so it is one printer
// with it. No port: a printer is read on the ports its protocols use.
std::optional<core::NetAddress> parseTarget(std::string_view text);

// A probe target: an address, or a host name resolved to one (its first
// IPv4 address, else its first IPv6 one). Texts of neither form are refused
// before any name look-up.
struct TargetCheck {
    std::optional<core::NetAddress> address;
    std::string error;
};
inline constexpr const char* kBadTargetText = "target is neither an IPv4 or IPv6 address nor a host name";
TargetCheck resolveTarget(const std::string& target);
bool validHostName(const std::string& name);

}  // namespace netrov::exporter
