// Checks of netrov-cli's command-line values: addresses, ranges, time-out, retry count.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "net_address.h"
#include "search_settings.h"

namespace netrov::cli {

// A check either gives its value or one line saying what is wrong.
template <typename T>
struct Checked {
    std::optional<T> value;
    std::string error;
};

// A dotted quad, or an IPv6 address (brackets allowed) with a zone only on
// a link-local address, and then one naming an interface of this machine.
Checked<core::NetAddress> checkAddress(const std::string& text);

// An address as checkAddress takes it, or a host name resolved by the
// system's resolver to its first IPv4 address, else its first IPv6 one (as
// the SNMP engine picks). A name that does not resolve, or text that is
// neither, gives an error naming it.
Checked<core::NetAddress> resolveAddress(const std::string& text);

// The communities of a command in the order given; {"tarpon"} when none was
// given. Empty ones, and ones of 128 characters or more, are refused.
Checked<std::vector<std::string>> checkCommunities(const std::vector<std::string>& given);

// Profile names of a command, each in the profile file at path; an error
// names the first missing one or says why the file is refused (with its line
// number, never a value from it).
Checked<std::vector<std::string>> checkProfiles(const std::vector<std::string>& given, const std::filesystem::path& path);

// "1", "2c" or "auto" as the number NETROV_SNMP_* of include/netrov/snmp_version.h.
Checked<int32_t> checkSnmpVersion(const std::string& text);

// The stderr hint of a search that found nothing: the communities it tried,
// and what to try next.
std::string nothingAnsweredHint(const std::vector<std::string>& communities, int32_t snmpVersion);

// "A-B": two dotted addresses; at most 255 addresses from A up to B (larger
// ranges go to the sweep, see targets.h).
Checked<std::string> checkRange(const std::string& text);

// Checked entries (one address, or "start,end") as a search address list, in
// the order given; at most 255 addresses in all.
Checked<core::SearchAddressList> buildAddressList(const std::vector<std::string>& entries);

Checked<int32_t> checkTimeOut(int64_t seconds);
Checked<int32_t> checkRetry(int64_t retries);

}  // namespace netrov::cli
