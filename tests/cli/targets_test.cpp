// Sweep targets: blocks, ranges of any size, files of them.
#include <gtest/gtest.h>

#include <sstream>

#include "sweep_search.h"
#include "targets.h"

namespace netrov::cli {
namespace {

constexpr uint32_t ip(uint32_t a, uint32_t b, uint32_t c, uint32_t d)
{
    return a << 24 | b << 16 | c << 8 | d;
}

TEST(Targets, ExpandBlocksRangesAndAddresses)
{
    struct Case {
        const char* text;
        size_t count;
        uint32_t first, last;
    };
    const Case cases[] = {
        {"192.0.2.0/24", 254, ip(192, 0, 2, 1), ip(192, 0, 2, 254)},  // network and broadcast left out
        {"192.0.2.77/24", 254, ip(192, 0, 2, 1), ip(192, 0, 2, 254)},  // host bits ignored
        {"198.51.100.8/30", 2, ip(198, 51, 100, 9), ip(198, 51, 100, 10)},
        {"198.51.100.8/31", 2, ip(198, 51, 100, 8), ip(198, 51, 100, 9)},  // point-to-point: both
        {"198.51.100.8/32", 1, ip(198, 51, 100, 8), ip(198, 51, 100, 8)},
        {"127.0.0.0/16", 65534, ip(127, 0, 0, 1), ip(127, 0, 255, 254)},
        {"11.0.0.0/8", 16777214, ip(11, 0, 0, 1), ip(11, 255, 255, 254)},
        {"203.0.113.250-203.0.114.5", 12, ip(203, 0, 113, 250), ip(203, 0, 114, 5)},
        {" 203.0.113.7 - 203.0.113.7 ", 1, ip(203, 0, 113, 7), ip(203, 0, 113, 7)},
        {"203.0.113.9", 1, ip(203, 0, 113, 9), ip(203, 0, 113, 9)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const auto expanded = expandTarget(c.text);
        ASSERT_TRUE(expanded.value) << expanded.error;
        ASSERT_EQ(expanded.value->size(), c.count);
        EXPECT_EQ(expanded.value->front(), c.first);
        EXPECT_EQ(expanded.value->back(), c.last);
    }
}

TEST(Targets, BadTargetsSayWhy)
{
    const std::pair<const char*, const char*> cases[] = {
        {"12.0.0.0/7", "larger than a /8"},
        {"0.0.0.0-255.255.255.255", "larger than a /8"},
        {"192.0.2.9-192.0.2.1", "reversed"},
        {"192.0.2.0/", "not an address block"},
        {"192.0.2.0/2x", "not an address block"},
        {"192.0.2.0/40", "at most 32"},
        {"192.0.2.0/24/8", "not an address block"},
        {"192.0.2.1-192.0.2.2-192.0.2.3", "not an address range"},
        {"192.0.2", "192.0.2"},
        {"printer.example", "printer.example"},
    };
    for (const auto& [text, mention] : cases) {
        const auto expanded = expandTarget(text);
        EXPECT_FALSE(expanded.value) << text;
        EXPECT_NE(expanded.error.find(mention), std::string::npos) << text << ": " << expanded.error;
    }
}

TEST(Targets, Ipv6TargetsExpandWithinASlash112)
{
    struct Case {
        const char* text;
        size_t count;  // 0: refused, error names mention
        const char* first;
        const char* last;
        const char* mention;
    };
    const Case cases[] = {
        {"2001:db8::17", 1, "2001:db8::17", "2001:db8::17", ""},
        {"[2001:DB8:0::17]", 1, "2001:db8::17", "2001:db8::17", ""},
        {"2001:db8::fffe-2001:db8::1:1", 4, "2001:db8::fffe", "2001:db8::1:1", ""},  // a carry past the last group
        {"2001:db8::/120", 255, "2001:db8::1", "2001:db8::ff", ""},             // the anycast address left out
        {"2001:db8::77/126", 3, "2001:db8::75", "2001:db8::77", ""},            // host bits ignored
        {"2001:db8::7/127", 2, "2001:db8::6", "2001:db8::7", ""},
        {"2001:db8::/112", 65535, "2001:db8::1", "2001:db8::ffff", ""},
        {"fe80::1%br-lan-fe80::3%br-lan", 3, "fe80::1%br-lan", "fe80::3%br-lan", ""},  // a zone with dashes
        {"fe80::%eth0/126", 3, "fe80::1%eth0", "fe80::3%eth0", ""},
        {"2001:db8::0-2001:db8::1:0", 0, "", "", "at most 65536"},
        {"2001:db8::/111", 0, "", "", "larger than a /112"},
        {"2001:db8::/129", 0, "", "", "at most 128"},
        {"2001:db8::/1x", 0, "", "", "not an IPv6 block"},
        {"2001:db8::9-2001:db8::1", 0, "", "", "ends before it starts"},
        {"fe80::1%a-fe80::2%b", 0, "", "", "same zone"},
        {"2001:db8::1-192.0.2.1", 0, "", "", "not an IPv6 address, range or block"},
        {"2001:db8:::1", 0, "", "", "not an IPv6 address"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const auto expanded = expandAnyTarget(c.text);
        if (c.count == 0) {
            EXPECT_FALSE(expanded.value);
            EXPECT_NE(expanded.error.find(c.mention), std::string::npos) << expanded.error;
            continue;
        }
        ASSERT_TRUE(expanded.value) << expanded.error;
        EXPECT_TRUE(expanded.value->v4.empty());
        ASSERT_EQ(expanded.value->v6.size(), c.count);
        EXPECT_EQ(core::netAddressText(expanded.value->v6.front()), c.first);
        EXPECT_EQ(core::netAddressText(expanded.value->v6.back()), c.last);
    }
}

TEST(Targets, FilesReportEveryBadLineAndGiveNothing)
{
    std::istringstream good("# office\n192.0.2.1\n\n  192.0.2.8/30   # printers\r\n203.0.113.1-203.0.113.3\n"
                            "2001:db8::5 # the plotter\n2001:db8::/126\n");
    const auto all = readTargets(good, "list");
    ASSERT_TRUE(all.value) << all.error;
    EXPECT_EQ(all.value->v4, (std::vector<uint32_t>{ip(192, 0, 2, 1), ip(192, 0, 2, 9), ip(192, 0, 2, 10),
                                                    ip(203, 0, 113, 1), ip(203, 0, 113, 2), ip(203, 0, 113, 3)}));
    std::vector<std::string> v6;
    for (const core::NetAddress& a : all.value->v6) v6.push_back(core::netAddressText(a));
    EXPECT_EQ(v6, (std::vector<std::string>{"2001:db8::5", "2001:db8::1", "2001:db8::2", "2001:db8::3"}));

    std::istringstream bad("192.0.2.1\nnot an address\n192.0.2.0/4\n192.0.2.2\n2001:db8::/64\n2001:db8::1\n");
    const auto none = readTargets(bad, "list");
    EXPECT_FALSE(none.value);
    EXPECT_EQ(none.error.find("list:2: "), 0u) << none.error;
    EXPECT_NE(none.error.find("\nlist:3: "), std::string::npos) << none.error;
    EXPECT_EQ(none.error.find("list:4"), std::string::npos);
    EXPECT_NE(none.error.find("\nlist:5: IPv6 block 2001:db8::/64 is larger than a /112"), std::string::npos) << none.error;
    EXPECT_EQ(none.error.find("list:6"), std::string::npos);

    std::string many;
    for (int i = 0; i < 100; ++i) many += "x\n";
    std::istringstream flood(many);
    const auto flooded = readTargets(flood, "f");
    EXPECT_NE(flooded.error.find("(80 more bad lines)"), std::string::npos);
}

TEST(Targets, TheTotalStaysWithinASlashEight)
{
    TargetList all;
    all.v4.assign(kMaxTargets - 1, 0);
    TargetList one;
    one.v4 = {1};
    std::string error;
    EXPECT_TRUE(appendTargets(&all, one, &error));
    EXPECT_FALSE(appendTargets(&all, one, &error));
    EXPECT_NE(error.find("/8"), std::string::npos);

    // IPv6 addresses take far more room each: sixteen /112 ranges in all.
    core::NetAddress any6;
    any6.v6 = true;
    TargetList v6;
    v6.v6.assign(kMaxIpv6Targets, any6);
    TargetList none;
    EXPECT_TRUE(appendTargets(&none, v6, &error));
    TargetList more;
    more.v6.assign(1, any6);
    EXPECT_FALSE(appendTargets(&none, more, &error));
    EXPECT_NE(error.find("1,048,576"), std::string::npos) << error;
}

TEST(Targets, ProgressLineKeepsItsWidth)
{
    EXPECT_EQ(sweepProgressLine(7, 65534, 2, 1.2), "sweeping     7/65534 sent, 2 answered, about 2 s left");
    EXPECT_EQ(sweepProgressLine(65534, 65534, 20, 0), "sweeping 65534/65534 sent, 20 answered, about 0 s left");
}

}  // namespace
}  // namespace netrov::cli
