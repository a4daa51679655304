// netrov-cli's value checks and output forms.
#include <gtest/gtest.h>

#include <cstring>
#include <string_view>

#include <netrov/snmp_version.h>

#include "cli_input.h"
#include "report.h"

namespace netrov::cli {
namespace {

TEST(CliInput, AddressesAndRanges)
{
    EXPECT_EQ(checkAddress("127.0.0.1").value->v4, 0x7F000001u);
    EXPECT_FALSE(checkAddress("127.0.0").value);
    EXPECT_FALSE(checkAddress("localhost").value);  // names are resolveAddress's
    EXPECT_NE(checkAddress("127.0.0").error.find("127.0.0"), std::string::npos);

    EXPECT_EQ(checkRange("127.0.0.1-127.0.0.3").value, "127.0.0.1,127.0.0.3");
    EXPECT_EQ(checkRange("198.51.0.1-198.51.0.255").value, "198.51.0.1,198.51.0.255");  // 255 addresses
    EXPECT_FALSE(checkRange("198.51.0.0-198.51.0.255").value);                      // 256
    EXPECT_FALSE(checkRange("198.51.0.5-198.51.0.4").value);                        // end below start
    EXPECT_FALSE(checkRange("198.51.0.1").value);
    EXPECT_FALSE(checkRange("198.51.0.1-198.51.0.2-198.51.0.3").value);
    EXPECT_FALSE(checkRange("198.51.0.1-x").value);
    EXPECT_FALSE(checkRange("2001:db8::1-2001:db8::9").value);  // swept, not listed
    EXPECT_NE(checkRange("198.51.0.0-198.51.1.0").error.find("over 255"), std::string::npos);
}

TEST(CliInput, AddressesAndNamesResolveAndBadOnesAreNamed)
{
    const struct {
        const char* text;
        const char* shown;    // the address as netAddressText gives it, when mention is null
        const char* mention;  // in the error
    } cases[] = {
        {"127.0.0.1", "127.0.0.1", nullptr},
        {"localhost", "127.0.0.1", nullptr},  // a name's IPv4 address comes first
        {"::1", "::1", nullptr},
        {"[::1]", "::1", nullptr},
        {"2001:DB8:0:0:0:0:0:17", "2001:db8::17", nullptr},
        {"[2001:db8::17]", "2001:db8::17", nullptr},
        {"fe80::1%lo", "fe80::1%lo", nullptr},
        {"[fe80::1%lo]", "fe80::1%lo", nullptr},
        {"fe80::1%nosuchif9", nullptr, "this machine has no network interface 'nosuchif9'"},
        {"2001:db8::17%lo", nullptr, "is not an IPv6 address"},  // a zone only on link-local
        {"fe80::1%", nullptr, "is not an IPv6 address"},
        {"2001:db8::17::1", nullptr, "is not an IPv6 address"},
        {"[::1", nullptr, "is not an IPv6 address"},
        {"192.0.2.1:161", nullptr, "is not an IPv6 address"},
        {"printer.invalid", nullptr, "cannot resolve host name 'printer.invalid'"},
        {"bad host!", nullptr, "neither an IPv4 address"},
        {"127.0.0", nullptr, "neither an IPv4 address"},  // a mistyped address is not looked up
        {"127.0.0.256", nullptr, "neither an IPv4 address"},
        {"-printer", nullptr, "neither an IPv4 address"},
        {"a..b", nullptr, "neither an IPv4 address"},
        {"", nullptr, "neither an IPv4 address"},
    };
    for (const auto& c : cases) {
        const auto resolved = resolveAddress(c.text);
        if (!c.mention) {
            ASSERT_TRUE(resolved.value) << c.text << ": " << resolved.error;
            EXPECT_EQ(core::netAddressText(*resolved.value), c.shown) << c.text;
            continue;
        }
#ifdef _WIN32
        // Windows names its interfaces otherwise; a zone is not checked there.
        if (std::string_view(c.mention).find("network interface") != std::string_view::npos) continue;
#endif
        EXPECT_FALSE(resolved.value) << c.text;
        EXPECT_NE(resolved.error.find(c.mention), std::string::npos) << c.text << ": " << resolved.error;
    }
}

TEST(CliInput, CommunitiesVersionAndTheHint)
{
    EXPECT_EQ(checkCommunities({}).value, std::vector<std::string>{"tarpon"});
    EXPECT_EQ(checkCommunities({"site7", "public", "site7"}).value, (std::vector<std::string>{"site7", "public"}));
    EXPECT_FALSE(checkCommunities({"site7", ""}).value);
    EXPECT_FALSE(checkCommunities({std::string(128, 'c')}).value);
    EXPECT_TRUE(checkCommunities({std::string(127, 'c')}).value);

    EXPECT_EQ(checkSnmpVersion("2c").value, NETROV_SNMP_V2C);
    EXPECT_EQ(checkSnmpVersion("auto").value, NETROV_SNMP_AUTO);
    EXPECT_NE(checkSnmpVersion("3").error.find("1, 2c, auto"), std::string::npos);

    const std::string one = nothingAnsweredHint({"tarpon"}, NETROV_SNMP_V1);
    EXPECT_NE(one.find("community \"tarpon\""), std::string::npos) << one;
    EXPECT_NE(one.find("--community"), std::string::npos) << one;
    EXPECT_NE(one.find("--snmp-version 2c"), std::string::npos) << one;
    const std::string two = nothingAnsweredHint({"tarpon", "site7"}, NETROV_SNMP_AUTO);
    EXPECT_NE(two.find("communities \"tarpon\", \"site7\""), std::string::npos) << two;
    EXPECT_EQ(two.find("--snmp-version"), std::string::npos) << two;  // auto already tried both
}

TEST(CliInput, TotalTimeOutAndRetry)
{
    EXPECT_TRUE(buildAddressList({"198.51.0.1,198.51.0.200", "198.51.1.1,198.51.1.55"}).value);  // 255
    const auto over = buildAddressList({"198.51.0.1,198.51.0.200", "198.51.1.1,198.51.1.55", "198.51.2.1"});
    EXPECT_FALSE(over.value);
    EXPECT_NE(over.error.find("255"), std::string::npos);
    EXPECT_TRUE(checkTimeOut(1).value);
    EXPECT_TRUE(checkTimeOut(60).value);
    EXPECT_FALSE(checkTimeOut(0).value);
    EXPECT_FALSE(checkTimeOut(61).value);
    EXPECT_FALSE(checkTimeOut(-3).value);
    EXPECT_FALSE(checkRetry(-1).value);
    EXPECT_FALSE(checkRetry(11).value);
}

core::DeviceListEntry sampleEntry()
{
    core::DeviceListEntry e;
    std::memset(&e, 0, sizeof e);
    std::strcpy(e.identity.modelName, "Tarnwell ML-210");
    e.identity.interfaceKind = NETROV_INTERFACE_NETWORK;
    core::storeAddress(0x7F2A0001u, e.identity.address);
    e.info.nameValid = 1;
    std::strcpy(e.info.name, "office\x1b[2Jx");  // a terminal escape from the device
    e.info.locationValid = 1;
    std::strcpy(e.info.location, "Room \xff\xfe 1");  // not UTF-8
    e.info.macAddressValid = 1;
    const uint8_t mac[6] = {0x00, 0x1b, 0xa9, 0x0a, 0xbc, 0xde};
    std::memcpy(e.info.macAddress, mac, 6);
    e.status[0].simpleStatusValid = 1;
    e.status[0].simpleStatus = 6;
    return e;
}

TEST(Report, RowTableAndJson)
{
    const DeviceRow row = rowOf(sampleEntry());
    EXPECT_EQ(row.ipAddress, "127.42.0.1");
    EXPECT_EQ(row.macAddress, "00:1B:A9:0A:BC:DE");
    EXPECT_EQ(row.status, "Power Save");
    EXPECT_EQ(row.interface, "Network");

    const std::string table = formatTable({row});
    EXPECT_EQ(table.rfind("Model", 0), 0u);
    for (const char* column : {"Device", "Location", "Interface", "IP address", "MAC address", "Status"})
        EXPECT_NE(table.find(column), std::string::npos) << column;
    EXPECT_EQ(table.find('\x1b'), std::string::npos);
    EXPECT_NE(table.find("office?[2Jx"), std::string::npos);

    const std::string json = dumpJson(toJson(std::vector<DeviceRow>{row}));  // must not throw on bad UTF-8
    const auto parsed = nlohmann::json::parse(json);
    EXPECT_EQ(parsed["count"], 1);
    EXPECT_EQ(parsed["devices"][0]["model"], "Tarnwell ML-210");
    EXPECT_EQ(parsed["devices"][0]["statusCode"], 6);
    EXPECT_EQ(parsed["devices"][0]["device"], "office\x1b[2Jx");  // JSON escapes it instead
}

TEST(Report, TerminalSafeReplacesC0AndC1ControlsInEveryEncoding)
{
    struct Case {
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        {"plain text", "plain text"},
        {"esc\x1b[2J", "esc?[2J"},
        {"del\x7f", "del?"},
        {"csi\x9b" "31m", "csi?31m"},              // C1 as one byte
        {"csi\xc2\x9b" "31m", "csi?31m"},          // U+009B in UTF-8
        {"nel\xc2\x85", "nel?"},                   // U+0085
        {"B\xc3\xbcro \xe2\x82\xac", "B\xc3\xbcro \xe2\x82\xac"},  // "Büro €" stays whole
        {"nbsp\xc2\xa0", "nbsp\xc2\xa0"},          // U+00A0 is no control
        {"latin1 B\xfcro", "latin1 B\xfcro"},       // single-byte text stays
        {"cut \xe2\x82", "cut \xe2?"},              // a broken sequence: its 0x82 is C1 as a byte
    };
    for (const Case& c : cases) EXPECT_EQ(terminalSafe(c.in), c.out) << c.in;

    // JSON carries the same text, escaped so that no terminal acts on it.
    DeviceRow row = rowOf(sampleEntry());
    row.model = "csi\xc2\x9b" "31m";
    const std::string json = dumpJson(toJson(std::vector<DeviceRow>{row}));
    EXPECT_EQ(json.find('\xc2'), std::string::npos);
    EXPECT_EQ(nlohmann::json::parse(json)["devices"][0]["model"], "csi\xc2\x9b" "31m");
}

TEST(Report, CountsInTheCommandLinesWords)
{
    struct Case {
        size_t n;
        const char* text;
    };
    for (const Case c : {Case{0, "no devices"}, Case{1, "1 device"}, Case{2, "2 devices"}, Case{255, "255 devices"}})
        EXPECT_EQ(countText(c.n, "device", "devices"), c.text);
}

TEST(Report, MakerNamesMatchInAnyCase)
{
    struct Case {
        const char* model;
        const char* maker;
        bool matches;
    };
    const Case cases[] = {
        {"Tarnwell CL-560 Color", "tarnwell", true},
        {"Tarnwell CL-560 Color", "CL-560 COLOR", true},
        {"Tarnwell CL-560 Color", "", true},
        {"", "", true},
        {"Tarnwell CL-560 Color", "Veltrano", false},
        {"Tarn", "Tarnwell", false},
        {"B\xc3\xbcro", "\xc3\xbc", true},  // bytes beyond ASCII match as they are
    };
    for (const Case& c : cases) EXPECT_EQ(containsIgnoringCase(c.model, c.maker), c.matches) << c.model << " / " << c.maker;
}

TEST(Report, StatusWordsWithoutTheResourceDots)
{
    EXPECT_EQ(statusText(1), "Ready");
    EXPECT_EQ(statusText(2), "Ready (printing)");
    EXPECT_EQ(statusText(3), "Ready (warming up)");
    EXPECT_EQ(statusText(4), "Warning");
    EXPECT_EQ(statusText(5), "Error");
    EXPECT_EQ(statusText(7), "Unknown");
    EXPECT_EQ(statusText(0), "--");
    EXPECT_EQ(statusText(-1), "No answer");
}

}  // namespace
}  // namespace netrov::cli
