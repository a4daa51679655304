// Search settings: address texts, range expansion, the Add rules, stored form, expected duration.
#include <gtest/gtest.h>

#include <map>

#include <netrov/snmp_version.h>

#include "net_address.h"
#include "search_settings.h"

namespace netrov::core {
namespace {

uint32_t ip(const char* text) { return *parseDottedQuad(text); }

TEST(AddressText, LenientConversionTakesLeadingDigitsAndLowBits)
{
    EXPECT_EQ(addressFromText("127.0.0.1"), 0x7F000001u);
    EXPECT_EQ(addressFromText("256.1.2.3"), 0x00010203u);  // 256 keeps its low 8 bits
    EXPECT_EQ(addressFromText("1x.2y.z.4"), 0x01020004u);
    EXPECT_EQ(addressFromText("1.2"), 0x01020000u);
    EXPECT_EQ(addressFromText(""), 0u);
    EXPECT_EQ(addressFromText("1.2.3.4.5"), 0x01020304u);
    EXPECT_EQ(addressFromText("99999999999999999999.0.0.1"), 0xFF000001u);  // 10^20 - 1 is 255 modulo 256
}

TEST(AddressText, StrictParseAcceptsOnlyDottedQuads)
{
    EXPECT_EQ(parseDottedQuad("127.0.0.1"), 0x7F000001u);
    EXPECT_EQ(parseDottedQuad("255.255.255.255"), 0xFFFFFFFFu);
    for (const char* bad : {"", "1.2.3", "1.2.3.4.", "1.2.3.256", "1..2.3", "a.b.c.d", "1.2.3.4 ", " 1.2.3.4",
                            "0001.2.3.4", "1.2.3.-4", "1,2,3,4", "printer.local"})
        EXPECT_FALSE(parseDottedQuad(bad)) << bad;
    EXPECT_EQ(addressToText(0x7FA80101u), "127.168.1.1");
    uint8_t bytes[4];
    storeAddress(0x7F000002u, bytes);
    EXPECT_EQ(bytes[0], 127);  // first octet in the lowest byte
    EXPECT_EQ(bytes[3], 2);
    EXPECT_EQ(loadAddress(bytes), 0x7F000002u);
}

TEST(AddressText, BothFamiliesParseShowSortAndTravelInARecord)
{
    // text as given, as shown ("" when refused)
    const std::pair<const char*, const char*> rows[] = {
        {"192.0.2.7", "192.0.2.7"},
        {"2001:DB8:0:0:0:0:0:17", "2001:db8::17"},
        {"[::1]", "::1"},
        {"fe80::1%eth0", "fe80::1%eth0"},
        {"::ffff:192.0.2.1", "::ffff:192.0.2.1"},
        {"2001:db8::1%eth0", ""},  // a zone only on a link-local address
        {"fe80::1%", ""},
        {"fe80::1%eth0;rm", ""},
        {"fe80::1%interfacenamethatislong", ""},
        {"2001:db8::1::2", ""},
        {"printer.local", ""},
        {"1.2.3", ""},
        {"[::1", ""},
    };
    for (const auto& [given, shown] : rows) {
        const std::optional<NetAddress> a = parseNetAddress(given);
        EXPECT_EQ(a ? netAddressText(*a) : "", shown) << given;
    }
    EXPECT_EQ(netAddressHost(*parseNetAddress("2001:db8::17")), "[2001:db8::17]");

    std::vector<std::string> texts{"2001:db8::2", "10.0.0.9", "fe80::1%eth0", "name", "10.0.0.10", "::1"};
    std::sort(texts.begin(), texts.end(), [](const std::string& a, const std::string& b) { return addressTextLess(a, b); });
    EXPECT_EQ(texts, (std::vector<std::string>{"10.0.0.9", "10.0.0.10", "::1", "2001:db8::2", "fe80::1%eth0", "name"}));

    DeviceIdentity six{}, other{};
    six.transport = other.transport = NETROV_TRANSPORT_SNMP;
    six.interfaceKind = other.interfaceKind = NETROV_INTERFACE_NETWORK;
    setDeviceAddress(six, *parseNetAddress("fe80::1%eth0"));
    setDeviceAddress(other, *parseNetAddress("fe80::2%eth0"));
    EXPECT_EQ(deviceAddressText(six), "fe80::1%eth0");
    EXPECT_FALSE(deviceIdentityEqual(&six, &other));
    setDeviceAddress(six, *parseNetAddress("192.0.2.7"));  // back to IPv4: the host text goes
    EXPECT_EQ(deviceAddressText(six), "192.0.2.7");
    EXPECT_EQ(netrovDeviceHost(&six), nullptr);
}

TEST(AddressList, Ipv6RangesHoldAtMost65536AddressesOfOneZone)
{
    // first, last, count (0 when refused)
    const std::tuple<const char*, const char*, size_t> rows[] = {
        {"2001:db8::1", "2001:db8::3", 3},
        {"2001:db8::ffff", "2001:db8::1:1", 3},  // across the 16-bit boundary
        {"2001:db8::", "2001:db8::ffff", 65536},
        {"2001:db8::", "2001:db8::1:0", 0},
        {"2001:db8::5", "2001:db8::4", 0},
        {"2001:db8::1", "2001:db9::1", 0},
        {"fe80::1%eth0", "fe80::2%eth1", 0},
        {"fe80::1%eth0", "fe80::2%eth0", 2},
    };
    for (const auto& [first, last, count] : rows) {
        std::string error;
        const auto all = ipv6Range(*parseNetAddress(first), *parseNetAddress(last), &error);
        EXPECT_EQ(all ? all->size() : 0, count) << first << " " << last;
        EXPECT_EQ(error.empty(), count != 0) << first << " " << last;
        if (all && count) {
            EXPECT_EQ(netAddressText(all->back()), netAddressText(*parseNetAddress(last)));
        }
    }
}

TEST(AddressList, RangesExpandInOrderAndWrapModulo32Bits)
{
    SearchAddressList list;
    list.append("127.0.0.1,127.0.0.3");
    list.append("127.0.0.9");
    list.append("127.0.0.5,");  // nothing after the comma: one address
    EXPECT_EQ(expandAddressList(list),
              (std::vector<uint32_t>{ip("127.0.0.1"), ip("127.0.0.2"), ip("127.0.0.3"), ip("127.0.0.9"), ip("127.0.0.5")}));

    SearchAddressList wrap;
    wrap.append("255.255.255.255,0.0.0.1");
    EXPECT_EQ(expandAddressList(wrap), (std::vector<uint32_t>{0xFFFFFFFFu, 0u, 1u}));

    SearchAddressList empty;
    empty.append("127.0.0.2,127.0.0.1");  // end one below start: n = 0
    EXPECT_TRUE(expandAddressList(empty).empty());
}

TEST(AddressList, ExpansionStopsAt255Addresses)
{
    SearchAddressList list;
    list.append("127.0.0.0,127.0.0.200");
    list.append("127.0.1.0,127.0.1.200");
    list.append("127.0.2.1");
    const auto addresses = expandAddressList(list);
    ASSERT_EQ(addresses.size(), 255u);
    EXPECT_EQ(addresses.back(), ip("127.0.1.53"));

    SearchAddressList huge;
    huge.append("0.0.0.2,0.0.0.0");  // n is 2^32 - 1
    EXPECT_EQ(expandAddressList(huge).size(), 255u);
}

TEST(AddressList, EntriesAreCutTo255AndOutOfRangeGivesEmptyText)
{
    SearchAddressList list;
    list.append(std::string(300, '1'));
    EXPECT_EQ(list.entry(0).size(), 255u);
    EXPECT_EQ(list.entry(1), "");
}

TEST(AddRules, RangeSizeDuplicatesAndTotal)
{
    SearchAddressList list;
    EXPECT_EQ(addEntry(list, ip("127.0.0.5"), ip("127.0.0.4")), AddResult::RangeTooLarge);  // n = 0
    EXPECT_EQ(addEntry(list, ip("127.0.0.5"), ip("127.0.0.3")), AddResult::RangeTooLarge);  // n wraps
    EXPECT_EQ(addEntry(list, ip("127.0.0.0"), ip("127.0.1.0")), AddResult::RangeTooLarge);  // 257
    EXPECT_EQ(addEntry(list, ip("127.0.0.1"), ip("127.0.0.255")), AddResult::Added);        // exactly 255
    EXPECT_EQ(list.entry(0), "127.0.0.1,127.0.0.255");
    EXPECT_EQ(addEntry(list, ip("127.0.0.1"), ip("127.0.0.255")), AddResult::AlreadyAdded);
    EXPECT_EQ(addEntry(list, ip("127.9.9.9")), AddResult::TotalTooLarge);
    EXPECT_EQ(list.count(), 1u);

    SearchAddressList small;
    EXPECT_EQ(addEntry(small, ip("127.0.0.1"), ip("127.0.0.3")), AddResult::Added);
    EXPECT_EQ(addEntry(small, ip("127.0.0.1")), AddResult::Added);  // start of a range: texts differ
    EXPECT_EQ(addEntry(small, ip("127.0.0.1")), AddResult::AlreadyAdded);
    EXPECT_EQ(small.count(), 2u);
}

class MapStore : public SettingsStore {
public:
    std::map<std::string, std::string> values;
    int32_t readInt(const std::string& s, const std::string& k, int32_t fallback) override
    {
        auto it = values.find(s + "/" + k);
        return it == values.end() ? fallback : std::stoi(it->second);
    }
    std::string readString(const std::string& s, const std::string& k, const std::string& fallback) override
    {
        auto it = values.find(s + "/" + k);
        return it == values.end() ? fallback : it->second;
    }
    void writeInt(const std::string& s, const std::string& k, int32_t v) override { values[s + "/" + k] = std::to_string(v); }
    void writeString(const std::string& s, const std::string& k, const std::string& v) override { values[s + "/" + k] = v; }
};

TEST(StoredForm, DefaultsWhenTheStoreIsEmpty)
{
    MapStore store;
    SearchSettings s;
    SearchAddressList list;
    loadSearchSettings(store, {}, s, list);
    EXPECT_EQ(s.BroadCast, 1);
    EXPECT_EQ(s.Filter, 0);
    EXPECT_EQ(s.IPSearch, 0);
    EXPECT_EQ(s.Retry, 0);
    EXPECT_EQ(s.TimeOut, 3);
    EXPECT_STREQ(s.ComName, "tarpon");
    EXPECT_EQ(list.count(), 0u);
}

TEST(StoredForm, RoundTripAndTheInstallationValuesWin)
{
    MapStore store;
    SearchSettings s = defaultSearchSettings();
    s.BroadCast = 0;
    s.Filter = 1;
    s.IPSearch = 1;
    s.TimeOut = 9;
    s.Retry = 4;
    setCommunity(s, "private");
    SearchAddressList list;
    list.append("127.0.0.1");
    list.append("127.0.0.5,127.0.0.9");
    saveSearchSettings(store, s, list);
    EXPECT_EQ(store.values["SearchOption/IPList1"], "127.0.0.5,127.0.0.9");

    SearchSettings loaded;
    SearchAddressList loadedList;
    loadSearchSettings(store, InstallationSearchValues{1, 2}, loaded, loadedList);
    EXPECT_EQ(loaded.BroadCast, 1);  // saved as 0, still the installation's value
    EXPECT_EQ(loaded.Retry, 2);
    EXPECT_EQ(loaded.Filter, 1);
    EXPECT_EQ(loaded.TimeOut, 9);
    EXPECT_STREQ(loaded.ComName, "private");
    EXPECT_EQ(loadedList.entries(), list.entries());
}

TEST(StoredForm, LongCommunityIsIgnoredAndTheListEndsAtTheFirstGap)
{
    MapStore store;
    store.values["SearchOption/ComName"] = std::string(128, 'c');
    store.values["SearchOption/IPListNum"] = "4";
    store.values["SearchOption/IPList0"] = "127.0.0.1";
    store.values["SearchOption/IPList1"] = "";
    store.values["SearchOption/IPList2"] = "127.0.0.3";
    SearchSettings s;
    SearchAddressList list;
    loadSearchSettings(store, {}, s, list);
    EXPECT_STREQ(s.ComName, "");
    EXPECT_EQ(list.count(), 1u);
}

TEST(StoredForm, AFileFromBeforeLoadsWithOneCommunityVersionOneAndNoBlocks)
{
    MapStore store;
    store.values["SearchOption/ComName"] = "site7";
    store.values["SearchOption/IPListNum"] = "1";
    store.values["SearchOption/IPList0"] = "127.0.0.1,127.0.0.9";
    SearchSettings s;
    SearchAddressList list;
    SearchExtent extent;
    extent.blocks = {"stale"};
    loadSearchSettings(store, {}, s, list);
    loadSearchExtent(store, extent);
    EXPECT_EQ(communityList(s, extent), std::vector<std::string>{"site7"});
    EXPECT_EQ(extent.snmpVersion, NETROV_SNMP_V1);
    EXPECT_TRUE(extent.blocks.empty());
    EXPECT_TRUE(extent.probeV3);  // the SNMPv3 probe is on until the user turns it off
    EXPECT_EQ(list.entries(), std::vector<std::string>{"127.0.0.1,127.0.0.9"});
}

TEST(StoredForm, TheExtentRoundTripsUnderNewKeysAndTheOldKeysAreUnchanged)
{
    SearchSettings s = defaultSearchSettings();
    SearchAddressList list;
    list.append("127.0.0.1");
    MapStore before;
    saveSearchSettings(before, s, list);

    SearchExtent extent;
    setCommunityList(s, extent, {"site7", "public", "tarpon"});
    extent.snmpVersion = NETROV_SNMP_AUTO;
    extent.blocks = {"10.1.0.0/22", "10.2.0.1-10.2.9.255"};
    extent.probeV3 = false;
    MapStore store;
    saveSearchSettings(store, s, list);
    saveSearchExtent(store, extent);
    for (const auto& [key, value] : before.values) {
        if (key == "SearchOption/ComName") continue;
        EXPECT_EQ(store.values[key], value) << key;
    }
    EXPECT_EQ(store.values["SearchOption/ComName"], "site7");  // an older program reads the first community
    EXPECT_EQ(store.values["SearchOption/ComNameNum"], "3");
    EXPECT_EQ(store.values["SearchOption/ComName2"], "tarpon");
    EXPECT_EQ(store.values["SearchOption/SnmpVersion"], "auto");
    EXPECT_EQ(store.values["SearchOption/Block0"], "10.1.0.0/22");

    SearchSettings loaded;
    SearchAddressList loadedList;
    SearchExtent loadedExtent;
    loadSearchSettings(store, {}, loaded, loadedList);
    loadSearchExtent(store, loadedExtent);
    EXPECT_EQ(communityList(loaded, loadedExtent), (std::vector<std::string>{"site7", "public", "tarpon"}));
    EXPECT_EQ(loadedExtent.snmpVersion, NETROV_SNMP_AUTO);
    EXPECT_EQ(loadedExtent.blocks, extent.blocks);
    EXPECT_EQ(store.values["SearchOption/V3Probe"], "0");
    EXPECT_FALSE(loadedExtent.probeV3);
    EXPECT_EQ(loadedList.entries(), list.entries());
}

TEST(StoredForm, BadExtentEntriesAreDroppedAndTheListsEndAtTheFirstGap)
{
    MapStore store;
    store.values["SearchOption/ComNameNum"] = "4";
    store.values["SearchOption/ComName1"] = std::string(128, 'c');  // too long: dropped
    store.values["SearchOption/ComName2"] = "public";
    store.values["SearchOption/ComName3"] = "";
    store.values["SearchOption/SnmpVersion"] = "7";
    store.values["SearchOption/BlockNum"] = "4";
    store.values["SearchOption/Block0"] = "10.0.0.0/4";  // larger than a /8
    store.values["SearchOption/Block1"] = "10.0.0.0/8";
    store.values["SearchOption/Block2"] = "11.0.0.0-11.0.0.9";  // over the total of a /8
    store.values["SearchOption/Block3"] = "nonsense";
    SearchExtent extent;
    loadSearchExtent(store, extent);
    EXPECT_EQ(extent.moreCommunities, std::vector<std::string>{"public"});
    EXPECT_EQ(extent.snmpVersion, NETROV_SNMP_V1);
    EXPECT_EQ(extent.blocks, std::vector<std::string>{"10.0.0.0/8"});
}

TEST(CommunityList, ComNameFirstThenTheRestWithoutEmptiesOrRepeats)
{
    SearchSettings s = defaultSearchSettings();
    SearchExtent extent;
    extent.moreCommunities = {"", "site7", "tarpon", "site7", std::string(200, 'x')};
    EXPECT_EQ(communityList(s, extent), (std::vector<std::string>{"tarpon", "site7", std::string(127, 'x')}));
    setCommunityList(s, extent, {});
    EXPECT_STREQ(s.ComName, "");
    EXPECT_TRUE(communityList(s, extent).empty());
}

TEST(SnmpVersionWords, OnlyTheThreeWordsOfTheCommandLineParse)
{
    const struct {
        const char* text;
        std::optional<int32_t> version;
    } cases[] = {{"1", NETROV_SNMP_V1},    {"2c", NETROV_SNMP_V2C}, {"auto", NETROV_SNMP_AUTO},
                 {"3", std::nullopt},      {"2", std::nullopt},     {"v1", std::nullopt},
                 {"AUTO", std::nullopt},   {"", std::nullopt},      {"1 ", std::nullopt}};
    for (const auto& c : cases) EXPECT_EQ(parseSnmpVersion(c.text), c.version) << c.text;
    for (const int32_t v : {NETROV_SNMP_V1, NETROV_SNMP_V2C, NETROV_SNMP_AUTO})
        EXPECT_EQ(parseSnmpVersion(snmpVersionText(v)), v);
    EXPECT_EQ(snmpVersionText(99), "1");
}

TEST(AddressSpans, BlocksRangesAndSingleAddresses)
{
    const struct {
        const char* text;
        const char* first;  // nullptr: refused
        uint64_t count;
        const char* mention;  // in the error
    } cases[] = {
        {"10.1.0.0/22", "10.1.0.1", 1022, nullptr},
        {"10.1.2.3/22", "10.1.0.1", 1022, nullptr},  // host bits ignored
        {"192.0.2.8/30", "192.0.2.9", 2, nullptr},
        {"192.0.2.8/31", "192.0.2.8", 2, nullptr},
        {"192.0.2.8/32", "192.0.2.8", 1, nullptr},
        {"10.0.0.0/8", "10.0.0.1", 16777214, nullptr},
        {" 10.0.0.1 - 10.0.3.255 ", "10.0.0.1", 1023, nullptr},
        {"127.0.0.7", "127.0.0.7", 1, nullptr},
        {"10.0.0.0/7", nullptr, 0, "/8"},
        {"10.0.0.0/33", nullptr, 0, "at most 32"},
        {"10.0.0.0/", nullptr, 0, "ADDRESS/PREFIX"},
        {"10.0.0.0/x", nullptr, 0, "ADDRESS/PREFIX"},
        {"10.0.0.9-10.0.0.1", nullptr, 0, "reversed"},
        {"9.0.0.0-10.0.0.0", nullptr, 0, "/8"},
        {"1-2-3", nullptr, 0, "START-END"},
        {"printer.example", nullptr, 0, "not an IPv4 address"},
        {"2001:db8::/64", nullptr, 0, "is an IPv6 address"},
        {"::1-::5", nullptr, 0, "'::1' is an IPv6 address"},
        {"192.0.2.1:161", nullptr, 0, "not an IPv4 address"},
    };
    for (const auto& c : cases) {
        const ParsedSpan parsed = parseAddressSpan(c.text);
        if (!c.first) {
            EXPECT_FALSE(parsed.span) << c.text;
            EXPECT_NE(parsed.error.find(c.mention), std::string::npos) << c.text << ": " << parsed.error;
            continue;
        }
        ASSERT_TRUE(parsed.span) << c.text << ": " << parsed.error;
        EXPECT_EQ(parsed.span->first, ip(c.first)) << c.text;
        EXPECT_EQ(parsed.span->count, c.count) << c.text;
    }
    EXPECT_EQ(expandBlocks({"192.0.2.8/30", "bad", "192.0.2.1-192.0.2.2"}),
              (std::vector<uint32_t>{ip("192.0.2.9"), ip("192.0.2.10"), ip("192.0.2.1"), ip("192.0.2.2")}));
    EXPECT_EQ(expandBlocks({"10.0.0.0/8"}, 3).size(), 3u);
}

TEST(ExpectedDuration, FollowsBroadcastRetryAndTimeOut)
{
    SearchSettings s = defaultSearchSettings();
    EXPECT_EQ(expectedDurationMs(s), 11000);
    s.BroadCast = 0;
    s.Retry = 1;
    s.TimeOut = 2;
    EXPECT_EQ(expectedDurationMs(s), 9000);
    s.Retry = INT32_MAX;  // no overflow
    s.TimeOut = 60;
    EXPECT_GT(expectedDurationMs(s), 0);
    s.Retry = -5;
    EXPECT_EQ(attempts(s), 1);
}

}  // namespace
}  // namespace netrov::core
