// The BER reader and writer primitives: exact encodings, bounds and sticky failure.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "ber.h"
#include "hex.h"

using namespace netrov::snmp;
using netrov::test::hexBytes;
using netrov::test::toHex;

namespace {

template <typename F>
std::string written(F&& write)
{
    std::array<uint8_t, 64> buffer{};
    BerWriter w(buffer);
    write(w);
    return toHex(buffer.data(), w.written());
}

TEST(BerWriter, IntegersUseTheShortestTwosComplementForm)
{
    EXPECT_EQ(written([](BerWriter& w) { w.writeInt(kTagInteger, 127); }), "02 01 7F");
    EXPECT_EQ(written([](BerWriter& w) { w.writeInt(kTagInteger, 128); }), "02 02 00 80");
    EXPECT_EQ(written([](BerWriter& w) { w.writeInt(kTagInteger, -1); }), "02 01 FF");
    EXPECT_EQ(written([](BerWriter& w) { w.writeInt(kTagInteger, 0); }), "02 01 00");
    EXPECT_EQ(written([](BerWriter& w) { w.writeInt(kTagInteger, -129); }), "02 02 FF 7F");
    EXPECT_EQ(written([](BerWriter& w) { w.writeInt(kTagInteger, INT32_MIN); }), "02 04 80 00 00 00");
    EXPECT_EQ(written([](BerWriter& w) { w.writeInt(kTagInteger, INT32_MAX); }), "02 04 7F FF FF FF");
}

TEST(BerWriter, UnsignedValuesGetALeadingZeroWhenTheTopBitIsSet)
{
    EXPECT_EQ(written([](BerWriter& w) { w.writeUnsigned(kTagTimeTicks, 4294967295u); }), "43 05 00 FF FF FF FF");
    EXPECT_EQ(written([](BerWriter& w) { w.writeUnsigned(kTagCounter, 128); }), "41 02 00 80");
    EXPECT_EQ(written([](BerWriter& w) { w.writeUnsigned(kTagGauge, 0); }), "42 01 00");
    EXPECT_EQ(written([](BerWriter& w) { w.writeUnsigned(kTagGauge, 0x7FFF); }), "42 02 7F FF");
}

TEST(BerWriter, ObjectIdentifiers)
{
    std::array<uint32_t, 9> sysObjectId{1, 3, 6, 1, 2, 1, 1, 2, 0};
    EXPECT_EQ(written([&](BerWriter& w) { w.writeOid(kTagOid, sysObjectId.data(), sysObjectId.size()); }),
              "06 08 2B 06 01 02 01 01 02 00");
    std::array<uint32_t, 4> big{1, 3, 128, 4294967295u};
    EXPECT_EQ(written([&](BerWriter& w) { w.writeOid(kTagOid, big.data(), big.size()); }),
              "06 08 2B 81 00 8F FF FF FF 7F");
    std::array<uint32_t, 1> one{1};
    EXPECT_EQ(written([&](BerWriter& w) { w.writeOid(kTagOid, one.data(), one.size()); }), "06 01 00");
}

// Names whose arcs all fit one byte take a shorter path: its edges, where
// one arc or the first two together need a second byte, and the size agrees.
TEST(BerWriter, ObjectIdentifiersAtTheOneByteEdge)
{
    struct Case {
        std::vector<uint32_t> arcs;
        const char* hex;
    };
    const Case cases[] = {
        {{1, 3, 127}, "06 02 2B 7F"},
        {{1, 3, 128}, "06 03 2B 81 00"},
        {{2, 47, 1}, "06 02 7F 01"},
        {{2, 48, 1}, "06 03 81 00 01"},
        {{0, 39}, "06 01 27"},
        {{1, 40}, "06 01 50"},  // a second arc of 40 spills into the first
        {{3, 0}, "06 01 78"},
        {{1, 3, 6, 1, 4, 1, 2435, 2}, "06 08 2B 06 01 04 01 93 03 02"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.hex);
        EXPECT_EQ(written([&](BerWriter& w) { w.writeOid(kTagOid, c.arcs.data(), c.arcs.size()); }), c.hex);
        EXPECT_EQ(elementSize(oidContentSize(c.arcs.data(), c.arcs.size())), hexBytes(c.hex).size());
    }
}

TEST(BerWriter, LengthForms)
{
    EXPECT_EQ(lengthSize(127), 1u);
    EXPECT_EQ(lengthSize(128), 2u);
    EXPECT_EQ(lengthSize(255), 2u);
    EXPECT_EQ(lengthSize(256), 3u);
    std::vector<uint8_t> data(300, 0x41);
    std::vector<uint8_t> out(600);
    BerWriter w(out);
    w.writeOctets(kTagOctets, data.data(), 200);
    w.writeOctets(kTagOctets, data.data(), 300);
    EXPECT_EQ(toHex(out.data(), 3), "04 81 C8");
    EXPECT_EQ(toHex(out.data() + 203, 4), "04 82 01 2C");
}

TEST(BerReader, ReadsWhatTheWriterWrites)
{
    auto bytes = hexBytes("30 0E 02 01 FF 43 05 00 FF FF FF FF 04 02 41 42");
    BerReader outer(bytes);
    BerReader seq = outer.enter(kTagSequence);
    int32_t i = 0;
    uint32_t u = 0;
    std::span<const uint8_t> text;
    ASSERT_TRUE(seq.readInt(i));
    ASSERT_TRUE(seq.readUnsigned(kTagTimeTicks, u));
    ASSERT_TRUE(seq.readOctets(kTagOctets, 2, text));
    EXPECT_EQ(i, -1);
    EXPECT_EQ(u, 4294967295u);
    EXPECT_EQ(text.size(), 2u);
    EXPECT_TRUE(seq.atEnd());
    EXPECT_TRUE(outer.atEnd());
}

TEST(BerReader, FailureIsSticky)
{
    auto bytes = hexBytes("04 01 41 02 01 05");
    BerReader r(bytes);
    int32_t v = 0;
    EXPECT_FALSE(r.readInt(v));  // wrong tag
    EXPECT_FALSE(r.ok());
    std::span<const uint8_t> text;
    EXPECT_FALSE(r.readOctets(kTagOctets, 10, text));
    EXPECT_FALSE(r.readInt(v));
    EXPECT_TRUE(r.atEnd());
    EXPECT_EQ(r.remaining(), 0u);
    BerReader child = r.enter(kTagSequence);
    EXPECT_FALSE(child.ok());
}

TEST(BerReader, RejectsBadLengths)
{
    uint8_t tag = 0;
    uint32_t length = 0;
    for (const char* bad : {"04 80 00 00",                  // indefinite
                            "04 85 00 00 00 00 01 41",      // five length bytes
                            "04 05 41 42",                  // past the end
                            "04 82 00",                     // length bytes cut off
                            "04 84 FF FF FF FF 41",         // huge
                            "1F 01 00",                     // high tag number
                            "3F 01 00"}) {
        auto bytes = hexBytes(bad);
        BerReader r(bytes);
        EXPECT_FALSE(r.readTag(tag) && r.readLength(length)) << bad;
    }
    auto good = hexBytes("04 84 00 00 00 01 41");
    BerReader r(good);
    EXPECT_TRUE(r.readTag(tag) && r.readLength(length));
    EXPECT_EQ(length, 1u);
}

TEST(BerReader, IntegerAndUnsignedWidths)
{
    int32_t i = 0;
    uint32_t u = 0;
    auto five = hexBytes("00 00 00 00 01");
    EXPECT_FALSE(BerReader::decodeInt(five, i));
    EXPECT_FALSE(BerReader::decodeInt({}, i));
    EXPECT_TRUE(BerReader::decodeUnsigned(five, u));
    EXPECT_EQ(u, 1u);
    auto fiveNonZero = hexBytes("01 00 00 00 00");
    EXPECT_FALSE(BerReader::decodeUnsigned(fiveNonZero, u));
    auto negative = hexBytes("FF 7F");
    EXPECT_TRUE(BerReader::decodeInt(negative, i));
    EXPECT_EQ(i, -129);
    // Unsigned values are sign-extended from the first byte as well.
    auto noLeadingZero = hexBytes("80");
    EXPECT_TRUE(BerReader::decodeUnsigned(noLeadingZero, u));
    EXPECT_EQ(u, 0xFFFFFF80u);
}

TEST(BerReader, ObjectIdentifierRules)
{
    std::array<uint32_t, kMaxArcs> arcs{};
    size_t count = 0;
    ASSERT_TRUE(BerReader::decodeOid({}, arcs.data(), arcs.size(), count));
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(arcs[0], 0u);
    EXPECT_EQ(arcs[1], 0u);

    auto v82 = hexBytes("52 05");
    ASSERT_TRUE(BerReader::decodeOid(v82, arcs.data(), arcs.size(), count));
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(arcs[0], 2u);
    EXPECT_EQ(arcs[1], 2u);
    EXPECT_EQ(arcs[2], 5u);

    auto maxArc = hexBytes("2B 8F FF FF FF 7F");
    ASSERT_TRUE(BerReader::decodeOid(maxArc, arcs.data(), arcs.size(), count));
    EXPECT_EQ(arcs[2], 4294967295u);
    auto overflow = hexBytes("2B 90 80 80 80 00");
    EXPECT_FALSE(BerReader::decodeOid(overflow, arcs.data(), arcs.size(), count));
    auto unfinished = hexBytes("2B 06 81");
    EXPECT_FALSE(BerReader::decodeOid(unfinished, arcs.data(), arcs.size(), count));

    std::vector<uint8_t> arcs128(127, 0x01);
    arcs128[0] = 0x2B;  // 1.3 plus 126 arcs
    EXPECT_TRUE(BerReader::decodeOid(arcs128, arcs.data(), arcs.size(), count));
    EXPECT_EQ(count, 128u);
    arcs128.push_back(0x01);
    EXPECT_FALSE(BerReader::decodeOid(arcs128, arcs.data(), arcs.size(), count));
}

}  // namespace
