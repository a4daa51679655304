// Value decoders: hexadecimal texts, identifiers, units and byte fields.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "decoders.h"

using namespace netrov::tessel;

TEST(HexPairsToBytes, PairsHighDigitFirstAndOddLastDigit)
{
    uint8_t out[4] = {};
    size_t count = 99;
    ASSERT_EQ(hexPairsToBytes("0aFf7", out, sizeof out, &count), 0);
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(out[0], 0x0A);
    EXPECT_EQ(out[1], 0xFF);
    EXPECT_EQ(out[2], 0x70);
}

TEST(HexPairsToBytes, OtherCharactersCountAsZero)
{
    uint8_t out[2] = {};
    size_t count = 0;
    ASSERT_EQ(hexPairsToBytes("zG1x", out, sizeof out, &count), 0);
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(out[0], 0x00);
    EXPECT_EQ(out[1], 0x10);
}

TEST(HexPairsToBytes, RefusesTextLongerThanTwiceTheCapacity)
{
    uint8_t out[2] = {0x55, 0x55};
    size_t count = 7;
    EXPECT_EQ(hexPairsToBytes("0102", out, 2, &count), 0);
    EXPECT_EQ(hexPairsToBytes("01020", out, 2, &count), -1);
    EXPECT_EQ(hexPairsToBytes("", out, 0, &count), 0);
    EXPECT_EQ(count, 0u);
}

TEST(Identifiers, ParseAcceptsOnlyDottedDecimal)
{
    std::vector<uint32_t> arcs;
    EXPECT_TRUE(parseOid("1.3.6.1.2.1.1.5", &arcs));
    EXPECT_EQ(arcs.size(), 8u);
    EXPECT_TRUE(parseOid(".1.3", &arcs));
    EXPECT_TRUE(parseOid("1.3.4294967295", &arcs));
    EXPECT_EQ(arcs.back(), 4294967295u);
    for (const char* bad : {"", ".", "1..3", "1.3.", "1.3.a", "sysName", "1.3.4294967296", "1 .3", "-1.3"}) {
        EXPECT_FALSE(parseOid(bad, &arcs)) << bad;
    }
    std::string many = "1";
    for (int i = 0; i < 127; ++i) many += ".1";
    EXPECT_TRUE(parseOid(many, nullptr));
    EXPECT_FALSE(parseOid(many + ".1", nullptr));
}

TEST(Identifiers, DefinitionTextsAreReadAsRunsOfDigits)
{
    const struct {
        const char* text;
        const char* identifier;
    } cases[] = {
        {"1.3.6.1.2.1.1.5", "1.3.6.1.2.1.1.5"},
        {".1.3.6", "1.3.6"},
        {"1.3.6.1.2.1.1.5.", "1.3.6.1.2.1.1.5"},  // a trailing dot keeps the key defined
        {" 1.3.6.1 ", "1.3.6.1"},
        {"1..3", "1.3"},
        {"1.3.x", "1.3"},
        {"1.3.006", "1.3.6"},
        {"1.3.4294967295", "1.3.4294967295"},
        {"1.3.4294967296", ""},
        {"sysName", ""},
        {"", ""},
        {".", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(normalisedOid(c.text), c.identifier) << '"' << c.text << '"';
    std::string many = "1";
    for (int i = 0; i < 127; ++i) many += ".1";
    EXPECT_EQ(normalisedOid(many), many);
    EXPECT_EQ(normalisedOid(many + ".1"), "");
    std::string longText = "1.3";
    while (longText.size() < 256) longText += ".1234567";
    EXPECT_EQ(normalisedOid(longText), "");
}

TEST(Identifiers, UnderBaseMeansWholeArcs)
{
    EXPECT_TRUE(identifierUnder("1.3.6.1.2.1.43.5.1.1.1.1", "1.3.6.1.2.1.43"));
    EXPECT_TRUE(identifierUnder("1.3.6.1.2.1.43", "1.3.6.1.2.1.43"));
    EXPECT_FALSE(identifierUnder("1.3.6.1.2.1.430.1", "1.3.6.1.2.1.43"));
    EXPECT_FALSE(identifierUnder("1.3.6.1.2.1.47.1", "1.3.6.1.2.1.43"));
    EXPECT_FALSE(identifierUnder("1.3.6.1.2.1.43.5.1.1.16.1", "1.3.6.1.2.1.43.5.1.1.1"));
    EXPECT_FALSE(identifierUnder("", "1.3"));
}

TEST(Identifiers, OrderArcByArc)
{
    EXPECT_LT(compareOids("1.3.6.1.2", "1.3.6.1.10"), 0);
    EXPECT_GT(compareOids("1.3.6.1.2.1", "1.3.6.1.2"), 0);
    EXPECT_EQ(compareOids("1.3.6", ".1.3.6"), 0);
    EXPECT_LT(compareOids("junk", "1.3"), 0);
}

TEST(LastArc, NumberAfterTheLastDot)
{
    EXPECT_EQ(lastArcOf("1.3.6.1.2.1.43.11.1.1.9.1.3"), 3u);
    EXPECT_EQ(lastArcOf("1.3.6.1.4294967295"), 4294967295u);
    EXPECT_EQ(lastArcOf("17"), 0u);
    EXPECT_EQ(lastArcOf(""), 0u);
    EXPECT_EQ(lastArcOf("1.3."), 0u);
}

TEST(DecimalValue, LikeTheRuntimeConversion)
{
    EXPECT_EQ(decimalValue("507"), 507);
    EXPECT_EQ(decimalValue("  -12abc"), -12);
    EXPECT_EQ(decimalValue(""), 0);
    EXPECT_EQ(decimalValue("x1"), 0);
    EXPECT_EQ(decimalValue(nullptr), 0);
    EXPECT_EQ(decimalValue("99999999999999"), INT32_MAX);
    EXPECT_EQ(decimalValue("-99999999999999"), INT32_MIN);
}

TEST(Scaling, ByUnitCodes)
{
    EXPECT_DOUBLE_EQ(scaleByUnit(2100000, 3), 210.0);
    EXPECT_DOUBLE_EQ(scaleByUnit(297000, 4), 297.0);
    EXPECT_DOUBLE_EQ(scaleByUnit(297000, 12), 297.0);
    EXPECT_DOUBLE_EQ(scaleByUnit(600, 11), 10.0);
    EXPECT_DOUBLE_EQ(scaleByUnit(25, 13), 2.5);
    EXPECT_DOUBLE_EQ(scaleByUnit(42, 5), 42.0);
    EXPECT_DOUBLE_EQ(scaleLength(100000, 3), 254.0);
    EXPECT_DOUBLE_EQ(scaleLength(210000, 4), 210.0);
    EXPECT_DOUBLE_EQ(scaleLength(210000, 5), 0.0);
}

TEST(BigEndian, TwoOrFourBytes)
{
    const uint8_t b[] = {0x12, 0x34, 0x56, 0x78, 0x9A};
    EXPECT_EQ(readBigEndian(b, 2), 0x1234u);
    EXPECT_EQ(readBigEndian(b, 4), 0x12345678u);
    EXPECT_EQ(readBigEndian(b, 1), 0u);
    EXPECT_EQ(readBigEndian(b, 3), 0u);
    EXPECT_EQ(readBigEndian(b, 5), 0u);
    EXPECT_EQ(readBigEndian(nullptr, 2), 0u);
}

TEST(BigEndian, HighPlacesFromTheTopByte)
{
    const uint8_t b[] = {0x12, 0x34, 0x56, 0x78, 0x9A};
    EXPECT_EQ(readBigEndianHigh(b, 1), 0x12000000u);
    EXPECT_EQ(readBigEndianHigh(b, 2), 0x12340000u);
    EXPECT_EQ(readBigEndianHigh(b, 4), 0x12345678u);
    EXPECT_EQ(readBigEndianHigh(b, 5), 0x12345678u);
    EXPECT_EQ(readBigEndianHigh(b, 0), 0u);
}
