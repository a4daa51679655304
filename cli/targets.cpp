// Target expansion for large sweeps.
#include "targets.h"

#include <istream>
#include <optional>
#include <utility>

#include "search_settings.h"

namespace netrov::cli {

namespace {

std::string trimmed(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    const size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

Checked<std::vector<uint32_t>> sequence(uint32_t first, uint64_t count)
{
    std::vector<uint32_t> addresses;
    addresses.reserve(static_cast<size_t>(count));
    for (uint64_t i = 0; i < count; ++i) addresses.push_back(static_cast<uint32_t>(first + i));
    return {std::move(addresses), {}};
}

}  // namespace

bool isBlockOrRange(const std::string& text)
{
    return text.find('/') != std::string::npos || text.find('-') != std::string::npos;
}

namespace {

// A target's text is read by the core's one rule for blocks and ranges.
using TargetSpan = core::AddressSpan;

Checked<TargetSpan> parseTarget(const std::string& raw)
{
    core::ParsedSpan parsed = core::parseAddressSpan(raw);
    return {parsed.span, std::move(parsed.error)};
}

const char* const kTooMany = "the targets add up to more than a /8 (16,777,216 addresses)";
const char* const kTooManyIpv6 = "the IPv6 targets add up to more than 1,048,576 addresses (sixteen /112 ranges)";

// The shortest IPv6 block taken: a /112 holds core::kMaxIpv6Range addresses.
constexpr int kShortestIpv6Prefix = 128 - 16;

bool meantAsIpv6(const std::string& text)
{
    return text.find(':') != std::string::npos;
}

std::optional<core::NetAddress> ipv6Of(const std::string& text)
{
    std::optional<core::NetAddress> address = core::parseNetAddress(trimmed(text));
    if (address && !address->v6) return std::nullopt;
    return address;
}

Checked<std::vector<core::NetAddress>> ipv6Block(const std::string& text, size_t slash)
{
    const std::string shown = "'" + text + "' is not an IPv6 block (write ADDRESS/PREFIX, e.g. 2001:db8::/120)";
    const std::optional<core::NetAddress> base = ipv6Of(text.substr(0, slash));
    const std::string prefixText = trimmed(text.substr(slash + 1));
    if (!base || prefixText.empty() || prefixText.size() > 3 || prefixText.find_first_not_of("0123456789") != std::string::npos)
        return {std::nullopt, shown};
    const int prefix = std::stoi(prefixText);
    if (prefix > 128) return {std::nullopt, "'" + text + "': an IPv6 prefix is at most 128"};
    if (prefix < kShortestIpv6Prefix)
        return {std::nullopt, "IPv6 block " + text + " is larger than a /112 (65,536 addresses)"};
    core::NetAddress first = *base;
    core::NetAddress last = *base;
    for (int bit = prefix; bit < 128; ++bit) {
        const auto mask = static_cast<uint8_t>(0x80u >> (bit % 8));
        first.bytes[static_cast<size_t>(bit / 8)] &= static_cast<uint8_t>(~mask);
        last.bytes[static_cast<size_t>(bit / 8)] |= mask;
    }
    std::string error;
    std::optional<std::vector<core::NetAddress>> all = core::ipv6Range(first, last, &error);
    if (!all) return {std::nullopt, "IPv6 block " + text + ": " + error};
    // The all-zero host address of a subnet is its routers' anycast address, no printer's.
    if (all->size() >= 4) all->erase(all->begin());
    return {std::move(*all), {}};
}

}  // namespace

Checked<std::vector<core::NetAddress>> expandIpv6Target(const std::string& raw)
{
    const std::string text = trimmed(raw);
    if (!meantAsIpv6(text)) return {std::nullopt, "'" + text + "' is not an IPv6 address"};
    if (const std::optional<core::NetAddress> one = ipv6Of(text)) return {std::vector<core::NetAddress>{*one}, {}};
    if (const size_t slash = text.find('/'); slash != std::string::npos) return ipv6Block(text, slash);
    // A zone may hold a "-" (br-lan): every dash is tried as the one between the ends.
    for (size_t dash = text.find('-'); dash != std::string::npos; dash = text.find('-', dash + 1)) {
        const std::optional<core::NetAddress> first = ipv6Of(text.substr(0, dash));
        const std::optional<core::NetAddress> last = ipv6Of(text.substr(dash + 1));
        if (!first || !last) continue;
        std::string error;
        std::optional<std::vector<core::NetAddress>> all = core::ipv6Range(*first, *last, &error);
        if (!all) return {std::nullopt, "range " + text + ": " + error};
        return {std::move(*all), {}};
    }
    return {std::nullopt,
            "'" + text + "' is not an IPv6 address, range or block (e.g. 2001:db8::17, 2001:db8::1-2001:db8::ff, 2001:db8::/120)"};
}

Checked<TargetList> expandAnyTarget(const std::string& text)
{
    TargetList list;
    if (meantAsIpv6(text)) {
        auto v6 = expandIpv6Target(text);
        if (!v6.value) return {std::nullopt, v6.error};
        list.v6 = std::move(*v6.value);
        return {std::move(list), {}};
    }
    auto v4 = expandTarget(text);
    if (!v4.value) return {std::nullopt, v4.error};
    list.v4 = std::move(*v4.value);
    return {std::move(list), {}};
}

Checked<std::vector<uint32_t>> expandTarget(const std::string& text)
{
    const auto span = parseTarget(text);
    if (!span.value) return {std::nullopt, span.error};
    return sequence(span.value->first, span.value->count);
}

bool appendTargets(TargetList* all, const TargetList& more, std::string* error)
{
    if (all->size() + more.size() > kMaxTargets) {
        *error = kTooMany;
        return false;
    }
    if (all->v6.size() + more.v6.size() > kMaxIpv6Targets) {
        *error = kTooManyIpv6;
        return false;
    }
    all->v4.insert(all->v4.end(), more.v4.begin(), more.v4.end());
    all->v6.insert(all->v6.end(), more.v6.begin(), more.v6.end());
    return true;
}

Checked<TargetList> readTargets(std::istream& in, const std::string& name)
{
    TargetList all;
    uint64_t total = 0;
    uint64_t total6 = 0;
    std::string errors;
    std::string line;
    size_t number = 0;
    size_t bad = 0;
    while (std::getline(in, line)) {
        ++number;
        if (const size_t hash = line.find('#'); hash != std::string::npos) line.erase(hash);
        line = trimmed(line);
        if (line.empty()) continue;
        if (meantAsIpv6(line)) {
            // An IPv6 line holds at most a /112, so it is expanded to be counted.
            auto v6 = expandIpv6Target(line);
            std::string error = v6.error;
            if (v6.value && (total + v6.value->size() > kMaxTargets || total6 + v6.value->size() > kMaxIpv6Targets))
                error = total + v6.value->size() > kMaxTargets ? kTooMany : kTooManyIpv6;
            if (error.empty()) {
                total += v6.value->size();
                total6 += v6.value->size();
                if (bad == 0) all.v6.insert(all.v6.end(), v6.value->begin(), v6.value->end());
            } else if (++bad <= 20) {
                errors += name + ":" + std::to_string(number) + ": " + error + "\n";
            }
            continue;
        }
        // The limit is checked before a line is expanded, and nothing is
        // expanded once a line is bad: a file of blocks past the limit costs
        // no more than its first /8.
        const auto span = parseTarget(line);
        std::string error = span.error;
        const bool fits = span.value && total + span.value->count <= kMaxTargets;
        if (span.value && !fits) error = kTooMany;
        if (fits) {
            total += span.value->count;
            for (uint64_t i = 0; bad == 0 && i < span.value->count; ++i)
                all.v4.push_back(static_cast<uint32_t>(span.value->first + i));
        } else {
            // Enough lines to fix a file, never a flood.
            if (++bad <= 20) errors += name + ":" + std::to_string(number) + ": " + error + "\n";
        }
    }
    if (in.bad()) return {std::nullopt, "cannot read " + name};
    if (bad > 20) errors += "(" + std::to_string(bad - 20) + " more bad lines)\n";
    if (bad) {
        errors.pop_back();
        return {std::nullopt, errors};
    }
    return {std::move(all), {}};
}

}  // namespace netrov::cli
