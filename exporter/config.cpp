// Reading the configuration files and checking addresses.
#include "config.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <iterator>
#include <memory>

#include <yaml-cpp/yaml.h>

#include "profiles.h"
#include "search_settings.h"

namespace netrov::exporter {

namespace {

// Reads a regular file of at most kMaxConfigBytes: a device, a FIFO or a
// huge file is refused before it can make the exporter wait or fill memory.
std::optional<std::string> readWhole(const std::string& path, std::string& text, mode_t* mode = nullptr)
{
    // Non-blocking, so opening a FIFO with no writer returns at once.
    struct Descriptor {
        int fd;
        ~Descriptor()
        {
            if (fd >= 0) ::close(fd);
        }
    } const file{::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY)};
    const int fd = file.fd;
    if (fd < 0) return "cannot read " + path + ": " + std::strerror(errno);
    struct stat status {};
    if (::fstat(fd, &status) != 0) return "cannot read " + path + ": " + std::strerror(errno);
    if (!S_ISREG(status.st_mode)) return path + " is not a regular file";
    if (status.st_size > static_cast<off_t>(kMaxConfigBytes))
        return path + " is larger than " + std::to_string(kMaxConfigBytes / 1024) + " KiB";
    if (mode) *mode = status.st_mode;
    text.clear();
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return "cannot read " + path + ": " + std::strerror(errno);
        if (got == 0) break;
        // A file that grows while it is read is held to the same bound.
        if (text.size() + static_cast<size_t>(got) > kMaxConfigBytes)
            return path + " is larger than " + std::to_string(kMaxConfigBytes / 1024) + " KiB";
        text.append(buffer, static_cast<size_t>(got));
    }
    return std::nullopt;
}

// "3", "3s" or "1500ms" as whole seconds (rounded up), 1 to the maximum.
std::optional<int32_t> parseSeconds(const std::string& text)
{
    std::string digits = text;
    int64_t scale = 1000;
    if (digits.size() > 2 && digits.compare(digits.size() - 2, 2, "ms") == 0) {
        digits.resize(digits.size() - 2);
        scale = 1;
    } else if (!digits.empty() && digits.back() == 's') {
        digits.pop_back();
    }
    if (digits.empty() || digits.size() > 9) return std::nullopt;
    for (const char c : digits) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
    }
    const int64_t ms = std::stoll(digits) * scale;
    const int64_t seconds = (ms + 999) / 1000;
    if (seconds < 1 || seconds > kMaxTimeOutSeconds) return std::nullopt;
    return static_cast<int32_t>(seconds);
}

std::optional<int32_t> parseCount(const YAML::Node& node, int32_t least, int32_t most)
{
    try {
        const int64_t value = node.as<int64_t>();
        if (value < least || value > most) return std::nullopt;
        return static_cast<int32_t>(value);
    } catch (const YAML::Exception&) {
        return std::nullopt;
    }
}

// An IPv4-mapped IPv6 address (::ffff:A.B.C.D) is A.B.C.D: that is the
// printer it reaches, whichever way it is written.
core::NetAddress unmapped(core::NetAddress a)
{
    constexpr uint8_t kMappedPrefix[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff};
    if (!a.v6 || !std::equal(std::begin(kMappedPrefix), std::end(kMappedPrefix), a.bytes.begin())) return a;
    return core::ipv4Address(uint32_t{a.bytes[12]} << 24 | uint32_t{a.bytes[13]} << 16 | uint32_t{a.bytes[14]} << 8 |
                             a.bytes[15]);
}

uint32_t ipv4Mask(int prefix)
{
    return prefix == 0 ? 0 : ~uint32_t{0} << (32 - prefix);
}

// The byte of an IPv6 mask at index.
uint8_t ipv6MaskByte(int prefix, size_t index)
{
    const int bits = std::clamp(prefix - static_cast<int>(index) * 8, 0, 8);
    return static_cast<uint8_t>(0xff00 >> bits);
}

}  // namespace

bool Network::contains(const core::NetAddress& target) const
{
    const core::NetAddress a = unmapped(target);
    if (a.v6 != address.v6) return false;
    if (!a.v6) return (a.v4 & ipv4Mask(prefix)) == address.v4;
    for (size_t i = 0; i < a.bytes.size(); ++i) {
        if ((a.bytes[i] & ipv6MaskByte(prefix, i)) != address.bytes[i]) return false;
    }
    return true;
}

std::optional<Network> parseNetwork(const std::string& text)
{
    const size_t slash = text.find('/');
    std::optional<core::NetAddress> address = core::parseNetAddress(text.substr(0, slash));
    // A network is written bare; a zone belongs to one link's address, not to a network.
    if (!address || text.front() == '[' || !address->zone.empty()) return std::nullopt;
    const int bitCount = address->v6 ? 128 : 32;
    int prefix = bitCount;
    if (slash != std::string::npos) {
        const std::string bits = text.substr(slash + 1);
        if (bits.empty() || bits.size() > 3) return std::nullopt;
        for (const char c : bits) {
            if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
        }
        prefix = std::stoi(bits);
        if (prefix > bitCount) return std::nullopt;
    }
    Network network;
    network.prefix = prefix;
    network.address = *address;
    if (address->v6) {
        for (size_t i = 0; i < address->bytes.size(); ++i) network.address.bytes[i] &= ipv6MaskByte(prefix, i);
    } else {
        network.address.v4 &= ipv4Mask(prefix);
    }
    return network;
}

std::optional<ListenAddress> parseListenAddress(const std::string& text)
{
    const size_t colon = text.rfind(':');
    if (colon == std::string::npos) return std::nullopt;
    ListenAddress listen;
    listen.host = text.substr(0, colon);
    const std::string port = text.substr(colon + 1);
    if (port.empty() || port.size() > 5) return std::nullopt;
    for (const char c : port) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
    }
    const int value = std::stoi(port);
    if (value < 1 || value > 65535) return std::nullopt;
    listen.port = static_cast<uint16_t>(value);
    if (listen.host == "localhost") listen.host = "127.0.0.1";
    // An empty host means every address, as Prometheus exporters read ":9100".
    if (listen.host.empty()) listen.host = "0.0.0.0";
    // An IPv6 host comes in brackets, so its colons are not the port's.
    const bool bracketed = listen.host.front() == '[';
    auto address = core::parseNetAddress(listen.host);
    if (!address || address->v6 != bracketed) return std::nullopt;
    listen.address = std::move(*address);
    listen.host = core::netAddressText(listen.address);
    return listen;
}

bool ListenAddress::loopback() const
{
    static const std::optional<core::NetAddress> kIpv6Loopback = core::parseNetAddress("::1");
    return address.v6 ? address == *kIpv6Loopback : (address.v4 >> 24) == 127;
}

std::string checkExposure(const Config& config, const ListenAddress& listen)
{
    if (listen.loopback() || !config.allowedNetworks.empty()) return {};
    return "listening on " + listen.host +
           " needs allowed_networks in the configuration file: without them anyone could aim the exporter at any "
           "address";
}

// Parses YAML text whose top level must be a mapping; a null document is an
// empty configuration (root stays null). what names the file in the error.
static std::optional<std::string> loadMapping(const std::string& yaml, const char* what, YAML::Node& root)
{
    try {
        root = YAML::Load(yaml);
    } catch (const YAML::Exception& e) {
        return std::string("not YAML: ") + e.what();
    }
    if (!root.IsNull() && !root.IsMap()) return std::string("the ") + what + " is not a mapping of keys";
    return std::nullopt;
}

std::optional<std::string> parseConfig(const std::string& yaml, Config& config)
{
    YAML::Node root;
    if (auto error = loadMapping(yaml, "configuration", root)) return error;
    if (root.IsNull()) return std::nullopt;
    for (const auto& item : root) {
        const std::string key = item.first.as<std::string>();
        const YAML::Node& value = item.second;
        if (key == "listen_address") {
            if (!value.IsScalar() || !parseListenAddress(value.as<std::string>()))
                return "listen_address: expected HOST:PORT with an IPv4 address or [IPv6 address]:PORT";
            config.listenAddress = value.as<std::string>();
        } else if (key == "timeout") {
            const auto seconds = value.IsScalar() ? parseSeconds(value.as<std::string>()) : std::nullopt;
            if (!seconds) return "timeout: expected 1s to 60s";
            config.timeOutSeconds = *seconds;
        } else if (key == "scrape_timeout") {
            const auto seconds = value.IsScalar() ? parseSeconds(value.as<std::string>()) : std::nullopt;
            if (!seconds) return "scrape_timeout: expected 1s to 60s";
            config.scrapeTimeOutSeconds = *seconds;
        } else if (key == "retries") {
            const auto retries = value.IsScalar() ? parseCount(value, 0, kMaxRetries) : std::nullopt;
            if (!retries) return "retries: expected 0 to 10";
            config.retries = *retries;
        } else if (key == "ipp_port") {
            const auto port = value.IsScalar() ? parseCount(value, 1, 65535) : std::nullopt;
            if (!port) return "ipp_port: expected 1 to 65535";
            config.ippPort = *port;
        } else if (key == "max_parallel_probes") {
            const auto limit = value.IsScalar() ? parseCount(value, 1, kMaxParallelProbes) : std::nullopt;
            if (!limit) return "max_parallel_probes: expected 1 to 1024";
            config.maxParallelProbes = *limit;
        } else if (key == "snmp_version") {
            const auto version = value.IsScalar() ? core::parseSnmpVersion(value.as<std::string>()) : std::nullopt;
            if (!version) return std::string("snmp_version: expected 1, 2c or auto");
            config.snmpVersion = *version;
        } else if (key == "communities") {
            if (!value.IsMap()) return std::string("communities: expected a mapping of names to communities");
            for (const auto& c : value) {
                if (!c.second.IsScalar()) return "communities: the community of " + c.first.as<std::string>() + " is not text";
                const std::string community = c.second.as<std::string>();
                if (community.size() >= 128) return "communities: " + c.first.as<std::string>() + " is longer than 127 characters";
                config.communities[c.first.as<std::string>()] = community;
            }
        } else if (key == "profile") {
            if (!value.IsScalar() || !validProfileName(value.as<std::string>()))
                return std::string("profile: expected a profile name (letters, digits, '.', '_', '-')");
            config.profile = value.as<std::string>();
        } else if (key == "allowed_networks") {
            if (!value.IsSequence()) return std::string("allowed_networks: expected a list of A.B.C.D/P or X:X::X/P");
            for (const auto& n : value) {
                const auto network = n.IsScalar() ? parseNetwork(n.as<std::string>()) : std::nullopt;
                if (!network) return "allowed_networks: " + (n.IsScalar() ? n.as<std::string>() : std::string("?")) +
                                     " is not A.B.C.D/P or X:X::X/P";
                config.allowedNetworks.push_back(*network);
            }
        } else {
            return "unknown key " + key;
        }
    }
    config.fromFile = true;
    return std::nullopt;
}

std::optional<std::string> loadConfig(const std::string& path, Config& config)
{
    std::string text;
    mode_t mode = 0;
    if (auto error = readWhole(path, text, &mode)) return error;
    if (mode & S_IROTH)
        config.warning = path + " holds communities and others may read it: chmod o-r " + path;
    if (auto error = parseConfig(text, config)) return path + ": " + *error;
    return std::nullopt;
}

std::optional<std::string> parseWebConfig(const std::string& yaml, WebConfig& web)
{
    YAML::Node root;
    if (auto error = loadMapping(yaml, "web configuration", root)) return error;
    if (root.IsNull()) return std::nullopt;
    try {
        for (const auto& item : root) {
            const std::string key = item.first.as<std::string>();
            if (key == "tls_server_config") {
                for (const auto& t : item.second) {
                    const std::string name = t.first.as<std::string>();
                    if (name == "cert_file") web.certFile = t.second.as<std::string>();
                    else if (name == "key_file") web.keyFile = t.second.as<std::string>();
                    else return "tls_server_config: " + name + " is not supported";
                }
                if (web.certFile.empty() != web.keyFile.empty())
                    return std::string("tls_server_config: cert_file and key_file go together");
            } else if (key == "basic_auth_users") {
                for (const auto& u : item.second) web.basicAuthUsers[u.first.as<std::string>()] = u.second.as<std::string>();
            } else if (key == "http_server_config") {
                // Its settings (HTTP/2, headers) do not apply to this server.
            } else {
                return "unknown key " + key;
            }
        }
    } catch (const YAML::Exception& e) {
        return std::string("bad value: ") + e.what();
    }
    return std::nullopt;
}

std::optional<std::string> loadWebConfig(const std::string& path, WebConfig& web)
{
    std::string text;
    if (auto error = readWhole(path, text)) return error;
    if (auto error = parseWebConfig(text, web)) return path + ": " + *error;
    return std::nullopt;
}

bool validHostName(const std::string& name)
{
    if (name.empty() || name.size() > 253) return false;
    size_t label = 0;
    bool letter = false;
    for (size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (c == '.') {
            if (label == 0 || name[i - 1] == '-') return false;
            label = 0;
            continue;
        }
        if (!std::isalnum(c) && c != '-') return false;
        if (c == '-' && label == 0) return false;
        if (std::isalpha(c) || c == '-') letter = true;
        if (++label > 63) return false;
    }
    // All digits and dots is an address, checked as one.
    return letter && name.back() != '-';
}

std::optional<core::NetAddress> parseTarget(std::string_view text)
{
    // Inside brackets a URL writes the zone's "%" as "%25" (RFC 6874).
    std::string unescaped;
    if (const size_t percent = text.find("%25"); !text.empty() && text.front() == '[' && percent != std::string_view::npos) {
        unescaped = std::string(text.substr(0, percent)) + "%" + std::string(text.substr(percent + 3));
        text = unescaped;
    }
    std::optional<core::NetAddress> address = core::parseNetAddress(text);
    if (address) address = unmapped(std::move(*address));
    return address;
}

TargetCheck resolveTarget(const std::string& target)
{
    TargetCheck check;
    if (auto address = parseTarget(target)) {
        check.address = std::move(address);
        return check;
    }
    if (!validHostName(target)) {
        check.error = kBadTargetText;
        return check;
    }
    // A link-local address needs a zone, which the target did not name.
    if (std::optional<core::NetAddress> address = core::resolveHostName(target, false)) check.address = unmapped(*address);
    if (!check.address) check.error = "target name does not resolve to an address";
    return check;
}

bool validProfileName(const std::string& name)
{
    if (name.empty() || name.size() > 127) return false;
    for (const char c : name) {
        const bool letterOrDigit = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!letterOrDigit && c != '.' && c != '_' && c != '-') return false;
    }
    return true;
}

ProfileLookup lookUpProfile(const std::string& name)
{
    // Read at every scrape, so an edited file counts without a restart.
    std::vector<core::CredentialProfile> profiles;
    core::ProfileError error;
    if (!core::loadProfiles(core::profilesPath(), profiles, error)) return ProfileLookup::Refused;
    return core::findProfile(profiles, name) ? ProfileLookup::Found : ProfileLookup::Unknown;
}

}  // namespace netrov::exporter
