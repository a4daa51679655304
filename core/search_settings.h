// Search settings, the search address list, and the rules for address texts and ranges.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace netrov::core {

// One per application; the search threads work on copies.
struct SearchSettings {
    int32_t BroadCast;  // 1: the local search also broadcasts
    int32_t Filter;     // 1: keep only devices whose model name holds the manufacturer text
    int32_t IPSearch;   // 1: also query every address of the address list
    int32_t Retry;      // additional attempts of per-address searches and queries
    int32_t TimeOut;    // reply time-out in seconds, 1 to 60
    char ComName[128];  // SNMP read community, NUL-terminated
};

static_assert(sizeof(SearchSettings) == 148);
static_assert(offsetof(SearchSettings, ComName) == 20);
static_assert(std::is_standard_layout_v<SearchSettings> && std::is_trivially_copyable_v<SearchSettings>);

inline constexpr int32_t kMinTimeOut = 1;
inline constexpr int32_t kMaxTimeOut = 60;
inline constexpr int32_t kDefaultTimeOut = 3;
inline constexpr const char* kDefaultCommunity = "tarpon";
inline constexpr size_t kMaxEntryLength = 255;
inline constexpr size_t kMaxAddresses = 255;

SearchSettings defaultSearchSettings();

// What a search takes beyond SearchSettings, whose layout is fixed: more
// communities, the SNMP version, and blocks and ranges of any size. A
// default-constructed value searches exactly as SearchSettings alone.
struct SearchExtent {
    // Tried after ComName, in order, for every address that does not answer
    // the ones before; the found device keeps the community that answered.
    std::vector<std::string> moreCommunities;
    // NETROV_SNMP_V1, NETROV_SNMP_V2C or NETROV_SNMP_AUTO
    // (include/netrov/snmp_version.h), copied into every request.
    int32_t snmpVersion = 0;
    // Credential profile names, tried by SNMPv3 after the communities for
    // every address that answered none; the found device keeps the profile
    // that answered where a community goes, with version 3.
    std::vector<std::string> profiles;
    // Sends the SNMPv3 discovery probe (it carries no secret) in the same
    // exchange as the communities to every address searched one by one, and
    // lists the agents that answer only it as needing credentials. It costs
    // no time-out of its own; netrov-cli's search sends it unless told not
    // to. An address that answers neither is not asked again, so callers
    // whose devices answer no datagram (test services) leave it off.
    bool probeV3 = false;
    // False asks the addresses searched one by one by profile alone: a sweep
    // found them silent to every community already.
    bool askCommunities = true;
    // Also browses for printers by mDNS beside the search (the desktop's
    // choice; off unless the user turns it on), and lists those only mDNS
    // found as not answering SNMP.
    bool mdns = false;
    // "A/P" blocks (P from 8 to 32) and "A-B" ranges of any size, searched by
    // the paced sweep and then per address, beside the 255-address list.
    std::vector<std::string> blocks;
};

// ComName first, then the more communities; empty ones and repeats left out.
std::vector<std::string> communityList(const SearchSettings& settings, const SearchExtent& extent);
// The first community becomes ComName (cut to 127 characters), the rest
// the more communities. An empty list leaves ComName empty.
void setCommunityList(SearchSettings& settings, SearchExtent& extent, const std::vector<std::string>& communities);

// "1", "2c" or "auto" as the version number; nothing for any other text.
std::optional<int32_t> parseSnmpVersion(std::string_view text);
// The words of a version: "1", "2c", "auto", "3"; "1" for unknown numbers.
std::string snmpVersionText(int32_t version);

// A block or range of the extent as its first address and number of
// addresses; the network and broadcast addresses of a block of four or more
// addresses are left out. error says what is wrong when there is no value.
struct AddressSpan {
    uint32_t first = 0;
    uint64_t count = 0;
};
struct ParsedSpan {
    std::optional<AddressSpan> span;
    std::string error;
};
// At most a /8 in one block or range: larger ones are almost always a typing mistake.
inline constexpr uint64_t kMaxSpanAddresses = uint64_t{1} << 24;
ParsedSpan parseAddressSpan(std::string_view text);
// Every address of the blocks, in order, repeats kept; stops before cap.
std::vector<uint32_t> expandBlocks(const std::vector<std::string>& blocks, uint64_t cap = kMaxSpanAddresses);

// Copies text into ComName, cutting it to 127 characters.
void setCommunity(SearchSettings& settings, std::string_view text);

// Attempts per query: Retry + 1, never fewer than one.
int attempts(const SearchSettings& settings);

// Milliseconds the progress display expects a run to last.
int64_t expectedDurationMs(const SearchSettings& settings);

// The ordered address list. Entries are one dotted address, or a start and
// an end address joined by ",".
class SearchAddressList {
public:
    size_t count() const { return entries_.size(); }
    // Empty text when i is out of range.
    std::string entry(size_t i) const;
    // Entries longer than 255 characters are cut.
    void append(std::string_view text);
    void clear() { entries_.clear(); }
    const std::vector<std::string>& entries() const { return entries_; }

private:
    std::vector<std::string> entries_;
};

// Addresses are 32-bit numbers with the first octet most significant.

// The lenient conversion the search uses: four "."-separated parts, each its
// leading decimal digits (none gives 0), octet = low 8 bits; missing parts 0.
uint32_t addressFromText(std::string_view text);

// For a text written as an IPv6 address (a "%zone" allowed), the words that
// say the desktop's address blocks take IPv4 only; empty for any other text.
std::string ipv6NotYetText(std::string_view text);

// Strict dotted-quad check for user input: exactly four decimal parts of one
// to three digits, each at most 255.
std::optional<uint32_t> parseDottedQuad(std::string_view text);

std::string addressToText(uint32_t address);

// Record form: first octet in the lowest byte.
void storeAddress(uint32_t address, uint8_t out[4]);
uint32_t loadAddress(const uint8_t in[4]);

// Number of addresses of the inclusive range, modulo 2^32 (0 when end is one
// below start).
uint32_t rangeSize(uint32_t start, uint32_t end);

// Entry text split at the first ",": the end is absent when nothing follows.
struct AddressEntry {
    uint32_t start;
    std::optional<uint32_t> end;
};
AddressEntry splitEntry(std::string_view text);

// Addresses of the per-address searches in the order they start, at most cap.
std::vector<uint32_t> expandAddressList(const SearchAddressList& list, size_t cap = kMaxAddresses);

// The settings dialog's Add rules.
enum class AddResult { Added, RangeTooLarge, AlreadyAdded, TotalTooLarge };
AddResult addEntry(SearchAddressList& list, uint32_t start, std::optional<uint32_t> end = std::nullopt);

// Where settings are stored (the per-user store; sections hold keys).
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual int32_t readInt(const std::string& section, const std::string& key, int32_t fallback) = 0;
    virtual std::string readString(const std::string& section, const std::string& key, const std::string& fallback) = 0;
    virtual void writeInt(const std::string& section, const std::string& key, int32_t value) = 0;
    virtual void writeString(const std::string& section, const std::string& key, const std::string& value) = 0;
};

// Values that the installation's start-up file sets and the store never overrides.
struct InstallationSearchValues {
    int32_t broadCast = 1;
    int32_t retry = 0;
};

void loadSearchSettings(SettingsStore& store, const InstallationSearchValues& installation,
                        SearchSettings& settings, SearchAddressList& list);
void saveSearchSettings(SettingsStore& store, const SearchSettings& settings, const SearchAddressList& list);

// The extent lives under keys of its own in the same section ("ComNameNum"
// and "ComName1".., "SnmpVersion", "BlockNum" and "Block0"..,
// "V3Probe", "Mdns"), so a file without them loads as before and the keys
// above never change meaning. The probe is on unless "V3Probe" is 0; mDNS
// is off unless "Mdns" is 1.
// Entries that do not parse are dropped on loading.
void loadSearchExtent(SettingsStore& store, SearchExtent& extent);
void saveSearchExtent(SettingsStore& store, const SearchExtent& extent);

}  // namespace netrov::core
