// Checks of netrov-cli's command-line values.
#include "cli_input.h"

#ifdef _WIN32
#  include <winsock2.h>
#  include <ws2tcpip.h>
#else
#  include <arpa/inet.h>
#  include <net/if.h>
#  include <netdb.h>
#  include <sys/socket.h>
#endif

#include <algorithm>
#include <cstring>
#include <memory>

#include <netrov/snmp_version.h>

#include "profiles.h"

namespace netrov::cli {

namespace {

// Letters, digits, '-', '_' and '.' in labels of at most 63, at most 253 in
// all: anything else is not looked up, so a typing mistake is named as such.
bool looksLikeHostName(const std::string& text)
{
    if (text.empty() || text.size() > 253 || text.front() == '.' || text.front() == '-') return false;
    size_t label = 0;
    for (const char c : text) {
        const bool word = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
        if (c == '.') {
            if (label == 0) return false;
            label = 0;
        } else if (!word || ++label > 63) {
            return false;
        }
    }
    // All digits and dots is a mistyped address, not a name.
    return text.find_first_not_of("0123456789.") != std::string::npos;
}

// An address's zone must name an interface here: the kernel would
// otherwise send nowhere, and the user learns nothing of the typing mistake.
std::string zoneRefusal(const std::string& text, const core::NetAddress& address)
{
#ifdef _WIN32
    (void)text;
    (void)address;
#else
    if (!address.zone.empty() && if_nametoindex(address.zone.c_str()) == 0)
        return "'" + text + "': this machine has no network interface '" + address.zone + "'";
#endif
    return {};
}

std::string notAnAddressText(const std::string& text, const char* orWhat = "")
{
    // No host name holds a colon.
    if (text.find(':') != std::string::npos)
        return "'" + text + "' is not an IPv6 address" +
               " (eight groups of hex digits joined by ':', '::' for zeros, '%zone' only after a link-local fe80:: address)";
    return "'" + text + "' is neither an IPv4 address (four numbers 0-255 joined by '.') nor an IPv6 address" + orWhat;
}

}  // namespace

Checked<core::NetAddress> checkAddress(const std::string& text)
{
    if (auto address = core::parseNetAddress(text)) {
        if (std::string refusal = zoneRefusal(text, *address); !refusal.empty()) return {std::nullopt, refusal};
        return {std::move(address), {}};
    }
    return {std::nullopt, notAnAddressText(text)};
}

Checked<core::NetAddress> resolveAddress(const std::string& text)
{
    if (core::parseNetAddress(text)) return checkAddress(text);
    if (!looksLikeHostName(text)) return {std::nullopt, notAnAddressText(text, " nor a host name")};
    int status = 0;
    if (std::optional<core::NetAddress> address = core::resolveHostName(text, true, &status)) return {std::move(address), {}};
    return {std::nullopt, "cannot resolve host name '" + text + "' to an address" +
                              (status != 0 ? std::string(" (") + gai_strerror(status) + ")" : std::string())};
}

Checked<std::vector<std::string>> checkCommunities(const std::vector<std::string>& given)
{
    if (given.empty()) return {std::vector<std::string>{core::kDefaultCommunity}, {}};
    std::vector<std::string> communities;
    for (const std::string& community : given) {
        if (community.empty()) return {std::nullopt, "a community is empty"};
        if (community.size() >= sizeof(core::SearchSettings::ComName))
            return {std::nullopt, "community is longer than 127 characters"};
        if (std::find(communities.begin(), communities.end(), community) == communities.end())
            communities.push_back(community);
    }
    return {std::move(communities), {}};
}

Checked<std::vector<std::string>> checkProfiles(const std::vector<std::string>& given, const std::filesystem::path& path)
{
    Checked<std::vector<std::string>> checked;
    if (given.empty()) {
        checked.value.emplace();
        return checked;
    }
    if (path.empty()) {
        checked.error = "--profile needs a profile file, but neither XDG_CONFIG_HOME nor HOME is set";
        return checked;
    }
    std::vector<core::CredentialProfile> profiles;
    core::ProfileError error;
    if (!core::loadProfiles(path, profiles, error)) {
        checked.error = error.message;
        return checked;
    }
    for (const std::string& name : given) {
        if (!core::findProfile(profiles, name)) {
            checked.error = "no profile [" + name + "] in " + path.string();
            return checked;
        }
    }
    checked.value = given;
    return checked;
}

Checked<int32_t> checkSnmpVersion(const std::string& text)
{
    if (const auto version = core::parseSnmpVersion(text)) return {version, {}};
    return {std::nullopt, "SNMP version '" + text + "' is not one of 1, 2c, auto"};
}

std::string nothingAnsweredHint(const std::vector<std::string>& communities, int32_t snmpVersion)
{
    std::string tried;
    for (const std::string& community : communities) tried += (tried.empty() ? "\"" : ", \"") + community + "\"";
    std::string hint = "no device answered with the " + std::string(communities.size() == 1 ? "community " : "communities ") +
                       tried + " (SNMP version " + core::snmpVersionText(snmpVersion) + ")";
    hint += "; if devices are there, give their read community with --community (repeatable)";
    if (snmpVersion == NETROV_SNMP_V1) hint += " or try --snmp-version 2c";
    return hint;
}

Checked<std::string> checkRange(const std::string& text)
{
    const size_t dash = text.find('-');
    if (dash == std::string::npos || text.find('-', dash + 1) != std::string::npos)
        return {std::nullopt, "'" + text + "' is not an address range (write START-END, e.g. 127.0.0.1-127.0.0.9)"};
    const auto start = checkAddress(text.substr(0, dash));
    if (!start.value) return {std::nullopt, start.error};
    const auto end = checkAddress(text.substr(dash + 1));
    if (!end.value) return {std::nullopt, end.error};
    // IPv6 ranges are swept (targets.h); this list holds IPv4 addresses.
    if (start.value->v6 || end.value->v6) return {std::nullopt, "'" + text + "' is not a range of IPv4 addresses"};
    const uint32_t n = core::rangeSize(start.value->v4, end.value->v4);
    if (n == 0 || n >= 256)
        return {std::nullopt, "range " + text + " is over 255 addresses (the end must not be below the start)"};
    return {core::addressToText(start.value->v4) + "," + core::addressToText(end.value->v4), {}};
}

Checked<core::SearchAddressList> buildAddressList(const std::vector<std::string>& entries)
{
    core::SearchAddressList list;
    uint64_t total = 0;
    for (const std::string& entry : entries) {
        const core::AddressEntry parsed = core::splitEntry(entry);
        total += parsed.end ? core::rangeSize(parsed.start, *parsed.end) : 1;
        if (total > core::kMaxAddresses)
            return {std::nullopt, "the addresses and ranges add up to over 255 addresses"};
        list.append(entry);
    }
    return {list, {}};
}

Checked<int32_t> checkTimeOut(int64_t seconds)
{
    if (seconds < core::kMinTimeOut || seconds > core::kMaxTimeOut)
        return {std::nullopt, "time-out " + std::to_string(seconds) + " is outside 1 to 60 seconds"};
    return {static_cast<int32_t>(seconds), {}};
}

Checked<int32_t> checkRetry(int64_t retries)
{
    if (retries < 0 || retries > 10) return {std::nullopt, "retry count " + std::to_string(retries) + " is outside 0 to 10"};
    return {static_cast<int32_t>(retries), {}};
}

}  // namespace netrov::cli
