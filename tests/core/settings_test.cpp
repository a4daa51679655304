// Search settings: address texts, range expansion, the Add rules, stored form, expected duration.
#include <gtest/gtest.h>

#include <map>

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
