// Search settings, the address list, and the address text rules.
#include "search_settings.h"

#include "device_list.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include <netrov/snmp_version.h>

namespace netrov::core {

SearchSettings defaultSearchSettings()
{
    SearchSettings s{};
    s.BroadCast = 1;
    s.Filter = 0;
    s.IPSearch = 0;
    s.Retry = 0;
    s.TimeOut = kDefaultTimeOut;
    setCommunity(s, kDefaultCommunity);
    return s;
}

void setCommunity(SearchSettings& settings, std::string_view text)
{
    std::memset(settings.ComName, 0, sizeof settings.ComName);
    const size_t n = std::min(text.size(), sizeof settings.ComName - 1);
    // An empty view may have no data at all.
    if (n != 0) std::memcpy(settings.ComName, text.data(), n);
}

std::vector<std::string> communityList(const SearchSettings& settings, const SearchExtent& extent)
{
    std::vector<std::string> list;
    const auto add = [&list](const std::string& community) {
        if (!community.empty() && std::find(list.begin(), list.end(), community) == list.end()) list.push_back(community);
    };
    add(fieldText(settings.ComName));
    for (const std::string& community : extent.moreCommunities) add(community.substr(0, sizeof settings.ComName - 1));
    return list;
}

void setCommunityList(SearchSettings& settings, SearchExtent& extent, const std::vector<std::string>& communities)
{
    setCommunity(settings, communities.empty() ? std::string_view() : std::string_view(communities.front()));
    extent.moreCommunities.assign(communities.begin() + (communities.empty() ? 0 : 1), communities.end());
}

namespace {

struct VersionWord {
    int32_t version;
    const char* text;
};
constexpr VersionWord kVersionWords[] = {
    {NETROV_SNMP_V1, "1"}, {NETROV_SNMP_V2C, "2c"}, {NETROV_SNMP_AUTO, "auto"}, {NETROV_SNMP_V3, "3"}};

}  // namespace

std::optional<int32_t> parseSnmpVersion(std::string_view text)
{
    // Version 3 needs settings of its own and is not chosen by a word alone.
    for (const VersionWord& word : kVersionWords)
        if (word.version != NETROV_SNMP_V3 && text == word.text) return word.version;
    return std::nullopt;
}

std::string snmpVersionText(int32_t version)
{
    for (const VersionWord& word : kVersionWords)
        if (word.version == version) return word.text;
    return "1";
}

namespace {

std::string_view trimmedView(std::string_view text)
{
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    const size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

std::optional<uint32_t> spanAddress(std::string_view text, std::string& error)
{
    const auto address = parseDottedQuad(trimmedView(text));
    if (!address) {
        error = ipv6NotYetText(trimmedView(text));
        if (error.empty()) error = "'" + std::string(text) + "' is not an IPv4 address (four numbers 0-255 joined by '.')";
    }
    return address;
}

}  // namespace

std::string ipv6NotYetText(std::string_view text)
{
    const std::string_view address = text.substr(0, text.find('%'));
    // Every IPv6 address has two colons at least; "192.0.2.1:161" is no IPv6 address.
    if (std::count(address.begin(), address.end(), ':') < 2 ||
        address.find_first_not_of("0123456789abcdefABCDEF:.") != std::string_view::npos)
        return {};
    return "'" + std::string(text) + "' is an IPv6 address; the desktop's blocks take IPv4 addresses only (netrov-cli's --range, --address and --targets take IPv6)";
}

ParsedSpan parseAddressSpan(std::string_view raw)
{
    const std::string_view text = trimmedView(raw);
    const std::string shown(text);
    std::string error;
    if (const size_t slash = text.find('/'); slash != std::string_view::npos) {
        const auto base = spanAddress(text.substr(0, slash), error);
        if (!base) return {std::nullopt, error};
        const std::string_view prefixText = text.substr(slash + 1);
        if (prefixText.empty() || prefixText.size() > 2 || prefixText.find_first_not_of("0123456789") != std::string_view::npos)
            return {std::nullopt, "'" + shown + "' is not an address block (write ADDRESS/PREFIX, e.g. 192.0.2.0/24)"};
        int prefix = 0;
        for (const char digit : prefixText) prefix = prefix * 10 + (digit - '0');
        if (prefix > 32) return {std::nullopt, "'" + shown + "': a prefix is at most 32"};
        if (prefix < 8) return {std::nullopt, "block " + shown + " is larger than a /8 (16,777,216 addresses)"};
        const uint64_t size = uint64_t{1} << (32 - prefix);
        const uint32_t network = *base & ~static_cast<uint32_t>(size - 1);
        // The network and broadcast addresses of a subnet are nobody's.
        if (size >= 4) return {AddressSpan{network + 1, size - 2}, {}};
        return {AddressSpan{network, size}, {}};
    }
    if (const size_t dash = text.find('-'); dash != std::string_view::npos) {
        if (text.find('-', dash + 1) != std::string_view::npos)
            return {std::nullopt, "'" + shown + "' is not an address range (write START-END, e.g. 127.0.0.1-127.0.0.9)"};
        const auto start = spanAddress(text.substr(0, dash), error);
        if (!start) return {std::nullopt, error};
        const auto end = spanAddress(text.substr(dash + 1), error);
        if (!end) return {std::nullopt, error};
        if (*end < *start) return {std::nullopt, "range " + shown + " is reversed: its end is below its start"};
        const uint64_t count = uint64_t{*end} - *start + 1;
        if (count > kMaxSpanAddresses) return {std::nullopt, "range " + shown + " is larger than a /8 (16,777,216 addresses)"};
        return {AddressSpan{*start, count}, {}};
    }
    const auto one = spanAddress(text, error);
    if (!one) return {std::nullopt, error};
    return {AddressSpan{*one, 1}, {}};
}

std::vector<uint32_t> expandBlocks(const std::vector<std::string>& blocks, uint64_t cap)
{
    std::vector<uint32_t> out;
    for (const std::string& text : blocks) {
        const ParsedSpan parsed = parseAddressSpan(text);
        if (!parsed.span) continue;
        for (uint64_t i = 0; i < parsed.span->count && out.size() < cap; ++i)
            out.push_back(static_cast<uint32_t>(parsed.span->first + i));
        if (out.size() >= cap) break;
    }
    return out;
}

int attempts(const SearchSettings& settings)
{
    // A negative retry count from the start-up file would otherwise mean no
    // query at all; a huge one is kept as it is.
    return settings.Retry < 0 ? 1 : static_cast<int>(std::min<int64_t>(int64_t{settings.Retry} + 1, INT32_MAX));
}

int64_t expectedDurationMs(const SearchSettings& settings)
{
    const int64_t tries = int64_t{settings.Retry} + 1;
    const int64_t timeOut = settings.TimeOut;
    if (settings.BroadCast == 1)
        return tries * timeOut * 2000 + 5000;
    return (tries * timeOut + 5) * 1000;
}

std::string SearchAddressList::entry(size_t i) const
{
    return i < entries_.size() ? entries_[i] : std::string();
}

void SearchAddressList::append(std::string_view text)
{
    entries_.emplace_back(text.substr(0, kMaxEntryLength));
}

uint32_t addressFromText(std::string_view text)
{
    uint32_t address = 0;
    size_t pos = 0;
    for (int part = 0; part < 4; ++part) {
        uint32_t octet = 0;
        if (pos <= text.size()) {
            const size_t dot = text.find('.', pos);
            const std::string_view piece = text.substr(pos, dot == std::string_view::npos ? std::string_view::npos : dot - pos);
            // Only the low 8 bits count, so reducing as we go avoids overflow.
            for (char c : piece) {
                if (c < '0' || c > '9') break;
                octet = (octet * 10 + static_cast<uint32_t>(c - '0')) & 0xFF;
            }
            pos = dot == std::string_view::npos ? text.size() + 1 : dot + 1;
        }
        address = (address << 8) | octet;
    }
    return address;
}

std::optional<uint32_t> parseDottedQuad(std::string_view text)
{
    uint32_t address = 0;
    size_t pos = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (pos >= text.size() || text[pos] != '.') return std::nullopt;
            ++pos;
        }
        size_t digits = 0;
        uint32_t value = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && digits < 4) {
            value = value * 10 + static_cast<uint32_t>(text[pos] - '0');
            ++pos;
            ++digits;
        }
        if (digits == 0 || digits > 3 || value > 255) return std::nullopt;
        address = (address << 8) | value;
    }
    if (pos != text.size()) return std::nullopt;
    return address;
}

std::string addressToText(uint32_t address)
{
    uint8_t bytes[4];
    storeAddress(address, bytes);
    return dottedQuad(bytes);
}

void storeAddress(uint32_t address, uint8_t out[4])
{
    out[0] = static_cast<uint8_t>(address >> 24);
    out[1] = static_cast<uint8_t>(address >> 16);
    out[2] = static_cast<uint8_t>(address >> 8);
    out[3] = static_cast<uint8_t>(address);
}

uint32_t loadAddress(const uint8_t in[4])
{
    return (uint32_t{in[0]} << 24) | (uint32_t{in[1]} << 16) | (uint32_t{in[2]} << 8) | uint32_t{in[3]};
}

uint32_t rangeSize(uint32_t start, uint32_t end)
{
    return end - start + 1u;
}

AddressEntry splitEntry(std::string_view text)
{
    const size_t comma = text.find(',');
    if (comma == std::string_view::npos) return {addressFromText(text), std::nullopt};
    const std::string_view endText = text.substr(comma + 1);
    AddressEntry entry{addressFromText(text.substr(0, comma)), std::nullopt};
    if (!endText.empty()) entry.end = addressFromText(endText);
    return entry;
}

std::vector<uint32_t> expandAddressList(const SearchAddressList& list, size_t cap)
{
    std::vector<uint32_t> out;
    for (const std::string& text : list.entries()) {
        if (out.size() >= cap) break;
        const AddressEntry entry = splitEntry(text);
        if (!entry.end) {
            out.push_back(entry.start);
            continue;
        }
        const uint32_t n = rangeSize(entry.start, *entry.end);
        // n == 0 starts nothing; addresses wrap modulo 2^32 like the size.
        for (uint32_t k = 0; k < n && out.size() < cap; ++k)
            out.push_back(entry.start + k);
    }
    return out;
}

namespace {

bool equalIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

uint64_t entrySize(std::string_view text)
{
    const AddressEntry entry = splitEntry(text);
    return entry.end ? rangeSize(entry.start, *entry.end) : 1;
}

}  // namespace

AddResult addEntry(SearchAddressList& list, uint32_t start, std::optional<uint32_t> end)
{
    std::string candidate = addressToText(start);
    uint64_t n = 1;
    if (end) {
        n = rangeSize(start, *end);
        if (n == 0 || n >= 256) return AddResult::RangeTooLarge;
        candidate += ',' + addressToText(*end);
    }
    uint64_t total = 0;
    for (const std::string& existing : list.entries()) {
        if (equalIgnoringCase(existing, candidate)) return AddResult::AlreadyAdded;
        total += entrySize(existing);
    }
    if (n + total >= 256) return AddResult::TotalTooLarge;
    list.append(candidate);
    return AddResult::Added;
}

namespace {
constexpr const char* kSection = "SearchOption";
}

void loadSearchSettings(SettingsStore& store, const InstallationSearchValues& installation,
                        SearchSettings& settings, SearchAddressList& list)
{
    settings = SearchSettings{};
    settings.BroadCast = store.readInt(kSection, "BroadCast", 1);
    settings.Filter = store.readInt(kSection, "Filter", 0);
    settings.IPSearch = store.readInt(kSection, "IPSearch", 0);
    settings.TimeOut = store.readInt(kSection, "TimeOut", kDefaultTimeOut);
    settings.Retry = store.readInt(kSection, "Retry", 0);
    const std::string community = store.readString(kSection, "ComName", kDefaultCommunity);
    if (community.size() < sizeof settings.ComName) setCommunity(settings, community);

    settings.BroadCast = installation.broadCast;
    settings.Retry = installation.retry;

    list.clear();
    const int32_t n = store.readInt(kSection, "IPListNum", 0);
    for (int32_t i = 0; i < n; ++i) {
        const std::string value = store.readString(kSection, "IPList" + std::to_string(i), "");
        if (value.empty()) break;
        list.append(value);
    }
}

void saveSearchSettings(SettingsStore& store, const SearchSettings& settings, const SearchAddressList& list)
{
    store.writeInt(kSection, "BroadCast", settings.BroadCast);
    store.writeInt(kSection, "Filter", settings.Filter);
    store.writeInt(kSection, "IPSearch", settings.IPSearch);
    store.writeInt(kSection, "TimeOut", settings.TimeOut);
    store.writeInt(kSection, "Retry", settings.Retry);
    store.writeString(kSection, "ComName", fieldText(settings.ComName));
    store.writeInt(kSection, "IPListNum", static_cast<int32_t>(list.count()));
    for (size_t i = 0; i < list.count(); ++i)
        store.writeString(kSection, "IPList" + std::to_string(i), list.entry(i));
}

void loadSearchExtent(SettingsStore& store, SearchExtent& extent)
{
    extent = SearchExtent{};
    const int32_t communities = store.readInt(kSection, "ComNameNum", 0);
    for (int32_t i = 1; i < communities; ++i) {
        const std::string value = store.readString(kSection, "ComName" + std::to_string(i), "");
        if (value.empty()) break;
        if (value.size() < sizeof SearchSettings::ComName) extent.moreCommunities.push_back(value);
    }
    extent.snmpVersion = parseSnmpVersion(store.readString(kSection, "SnmpVersion", "1")).value_or(NETROV_SNMP_V1);
    extent.probeV3 = store.readInt(kSection, "V3Probe", 1) != 0;
    extent.mdns = store.readInt(kSection, "Mdns", 0) == 1;
    const int32_t blocks = store.readInt(kSection, "BlockNum", 0);
    uint64_t total = 0;
    for (int32_t i = 0; i < blocks; ++i) {
        const std::string value = store.readString(kSection, "Block" + std::to_string(i), "");
        if (value.empty()) break;
        const ParsedSpan parsed = parseAddressSpan(value);
        if (!parsed.span || total + parsed.span->count > kMaxSpanAddresses) continue;
        total += parsed.span->count;
        extent.blocks.push_back(value);
    }
}

void saveSearchExtent(SettingsStore& store, const SearchExtent& extent)
{
    // ComName itself is the first community and is written by saveSearchSettings.
    store.writeInt(kSection, "ComNameNum", static_cast<int32_t>(extent.moreCommunities.size() + 1));
    for (size_t i = 0; i < extent.moreCommunities.size(); ++i)
        store.writeString(kSection, "ComName" + std::to_string(i + 1), extent.moreCommunities[i]);
    store.writeString(kSection, "SnmpVersion", snmpVersionText(extent.snmpVersion));
    store.writeInt(kSection, "V3Probe", extent.probeV3 ? 1 : 0);
    store.writeInt(kSection, "Mdns", extent.mdns ? 1 : 0);
    store.writeInt(kSection, "BlockNum", static_cast<int32_t>(extent.blocks.size()));
    for (size_t i = 0; i < extent.blocks.size(); ++i)
        store.writeString(kSection, "Block" + std::to_string(i), extent.blocks[i]);
}

}  // namespace netrov::core
