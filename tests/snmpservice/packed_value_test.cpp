// Unpacking of packed job values: both forms of the entry table, the
// extended numbers, the checks against the value's bounds, and how entries
// fill the current job and log records.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "packed_builder.h"
#include "packed_value.h"

using namespace netrov::test;
using namespace netrov::tessel;

namespace {

CurrentJobRecord currentJobOf(const Bytes& packed, const Bytes* definition = nullptr, int32_t defaultValue = 0)
{
    CurrentJobRecord job;
    memset(&job, 0, sizeof job);
    std::optional<std::span<const uint8_t>> view;
    if (definition) view = std::span<const uint8_t>(*definition);
    unpackCurrentJob(packed, view, defaultValue, job);
    return job;
}

LogRecord logOf(const Bytes& packed, int32_t defaultValue = 0)
{
    LogRecord entry;
    memset(&entry, 0, sizeof entry);
    unpackLogEntry(packed, std::nullopt, defaultValue, entry);
    return entry;
}

struct FormCase {
    const char* name;
    bool withDefinition;
    bool extended;
};

}  // namespace

// The same items give the same record in either form, with plain or
// extended numbers.
TEST(PackedValue, BothFormsAndExtendedNumbersGiveTheSameRecord)
{
    const std::vector<PackedItem> items = {
        {118, bigEndian(7, 2)},         {200, bigEndian(0x01020304, 4)}, {127, bigEndian(9, 2)},
        {100, bigEndian(65535, 2)},     {112, textBytes("report.pdf")},  {113, textBytes("alice")},
        {510, {0x01, 0x02, 0x03, 0x04}}, {999, textBytes("ignored")},
    };
    const FormCase cases[] = {
        {"self-described", false, false},
        {"self-described, extended", false, true},
        {"tag definition", true, false},
        {"tag definition, extended", true, true},
    };
    for (const FormCase& c : cases) {
        SCOPED_TRACE(c.name);
        CurrentJobRecord job;
        if (c.withDefinition) {
            const auto [definition, values] = withDefinition(items, c.extended);
            job = currentJobOf(values, &definition);
        } else {
            job = currentJobOf(selfDescribed(items, c.extended));
        }
        EXPECT_EQ(job.tag118Valid, 1);
        EXPECT_EQ(job.tag118, 7);
        EXPECT_EQ(job.tag200, 0x01020304);
        EXPECT_EQ(job.tag127, 9);
        EXPECT_EQ(job.tag100, 65535);
        EXPECT_STREQ(job.tag112, "report.pdf");
        EXPECT_STREQ(job.tag113, "alice");
        EXPECT_EQ(job.tag510Valid, 1);
        EXPECT_EQ(job.tag510, 0x04030201);  // least significant byte first
        EXPECT_EQ(job.tag114Valid, 0);
        EXPECT_EQ(job.reservedFlag, 0);
    }
}

TEST(PackedValue, ExtendedNumberIsTheFourBytesAfterIt)
{
    // One entry, every number extended; its value is 00 00 01 00.
    Bytes packed = bigEndian(1, 2);
    appendEntry(packed, 118, 4, 26, true);
    packed.insert(packed.end(), {0x00, 0x00, 0x01, 0x00});
    ASSERT_EQ(packed.size(), 30u);
    const CurrentJobRecord job = currentJobOf(packed);
    EXPECT_EQ(job.tag118Valid, 1);
    EXPECT_EQ(job.tag118, 256);
}

TEST(PackedValue, IntegersByLength)
{
    struct Case {
        Bytes value;
        int32_t expected;
    };
    const Case cases[] = {
        {{0x12, 0x34}, 0x1234},
        {{0xFF, 0xFF}, 0xFFFF},  // 2 bytes are unsigned
        {{0x80, 0x00, 0x00, 0x01}, static_cast<int32_t>(0x80000001u)},
        {{0x05}, 0},
        {{0x01, 0x02, 0x03}, 0},
        {{1, 2, 3, 4, 5, 6, 7, 8}, 0},
        {{}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value.size());
        const LogRecord entry = logOf(selfDescribed({{193, c.value}}));
        EXPECT_EQ(entry.tag193Valid, 1);
        EXPECT_EQ(entry.tag193, c.expected);
    }
    // Tag 510 reads its first four bytes least significant first, and never
    // more than the value holds.
    EXPECT_EQ(entryInteger(510, Bytes{0x78, 0x56, 0x34, 0x12, 0x99}), 0x12345678);
    EXPECT_EQ(entryInteger(510, Bytes{0x34, 0x12}), 0x1234);
    EXPECT_EQ(entryInteger(510, Bytes{}), 0);
}

TEST(PackedValue, LaterEntryOfATagWins)
{
    const CurrentJobRecord job =
        currentJobOf(selfDescribed({{112, textBytes("a much longer first name")}, {112, textBytes("short")},
                                    {118, bigEndian(1, 2)}, {118, bigEndian(2, 2)}}));
    EXPECT_EQ(job.tag118, 2);
    EXPECT_STREQ(job.tag112, "short");
    // Nothing of the earlier, longer text is left behind the terminator.
    for (size_t i = 5; i < sizeof job.tag112; ++i) ASSERT_EQ(job.tag112[i], 0) << i;
}

// Entries that point outside the value are dropped, also when offset and
// length, added in 32 bits, would wrap around into the value.
TEST(PackedValue, EntriesBeyondTheValueGetNoValue)
{
    struct Case {
        const char* name;
        uint32_t length;
        uint32_t offset;
        bool kept;
    };
    // The packed value: count, one extended entry (26 bytes), 4 value bytes.
    const Case cases[] = {
        {"inside", 4, 26, true},
        {"up to the last byte", 2, 28, true},
        {"empty at the end", 0, 30, true},
        {"one byte too far", 4, 27, false},
        {"offset past the end", 0, 31, false},
        {"offset wraps", 0x20, 0xFFFFFFF0u, false},
        {"length wraps", 0xFFFFFFF0u, 0x20, false},
        {"both near 2^32", 0xFFFFFFFFu, 0xFFFFFFFFu, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes packed = bigEndian(1, 2);
        appendEntry(packed, 118, c.length, c.offset, true);
        packed.insert(packed.end(), {0x00, 0x00, 0x00, 0x2A});
        const auto entries = packedEntries(packed, std::nullopt);
        ASSERT_EQ(entries.size(), 1u);
        EXPECT_EQ(entries[0].value.has_value(), c.kept);
        EXPECT_EQ(currentJobOf(packed).tag118Valid, c.kept ? 1 : 0);
    }
}

TEST(PackedValue, TableStopsWhereTheBytesEnd)
{
    struct Case {
        const char* name;
        Bytes packed;
        size_t entries;
    };
    Bytes claimsThree = bigEndian(3, 2);  // says three, holds one and a half
    appendEntry(claimsThree, 118, 0, 0);
    claimsThree.insert(claimsThree.end(), {0x00, 0x70, 0x00});
    Bytes cutExtension = bigEndian(1, 2);  // 0xFFFF with only two of its four bytes
    cutExtension.insert(cutExtension.end(), {0xFF, 0xFF, 0x00, 0x00});
    const Case cases[] = {
        {"empty", {}, 0},
        {"one byte", {0x00}, 0},
        {"count only", {0x00, 0x05}, 0},
        {"count larger than the entries", claimsThree, 1},
        {"extension cut short", cutExtension, 0},
        {"count of 0", selfDescribed({}), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(packedEntries(c.packed, std::nullopt).size(), c.entries);
    }
    // A tag definition is read while whole entries fit in it.
    auto [definition, values] = withDefinition({{118, bigEndian(5, 2)}, {200, bigEndian(6, 2)}});
    definition.insert(definition.end(), {0x00, 0x76, 0x00});
    const auto entries = packedEntries(values, std::span<const uint8_t>(definition));
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].tag, 200u);
    EXPECT_EQ(entries[1].offset, 2u);
}

TEST(PackedValue, DefaultReplacesAZeroOfTag127Or200)
{
    struct Case {
        const char* name;
        std::vector<PackedItem> items;
        int32_t expected;
    };
    const Case cases[] = {
        {"absent", {{118, bigEndian(1, 2)}}, 44},
        {"zero", {{127, bigEndian(0, 2)}, {200, bigEndian(0, 2)}}, 44},
        {"set", {{127, bigEndian(3, 2)}, {200, bigEndian(3, 2)}}, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes packed = selfDescribed(c.items);
        const CurrentJobRecord job = currentJobOf(packed, nullptr, 44);
        EXPECT_EQ(job.tag127Valid, 1);
        EXPECT_EQ(job.tag127, c.expected);
        const LogRecord entry = logOf(packed, 44);
        EXPECT_EQ(entry.tag200Valid, 1);
        EXPECT_EQ(entry.tag200, c.expected);
    }
}

TEST(PackedValue, TextsAndBytesAtTheirFieldLimits)
{
    struct Case {
        uint32_t tag;
        size_t length;
        size_t kept;
    };
    const Case cases[] = {
        {112, 127, 127}, {112, 128, 127}, {112, 300, 127}, {113, 200, 127},
        {114, 63, 63},   {114, 100, 63},  {187, 128, 127}, {187, 5, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.tag) + " of " + std::to_string(c.length));
        const LogRecord entry = logOf(selfDescribed({{c.tag, Bytes(c.length, 'x')}}));
        const char* text = c.tag == 112 ? entry.tag112 : c.tag == 113 ? entry.tag113 : c.tag == 114 ? entry.tag114
                                                                                                     : entry.tag187;
        EXPECT_EQ(strlen(text), c.kept);
        if (c.tag == 114) {
            EXPECT_EQ(entry.tag114Length, static_cast<int32_t>(c.length));
        }
    }

    struct BytesCase {
        uint32_t tag;
        size_t length;
        bool first;
    };
    const BytesCase byteCases[] = {{122, 10, true}, {195, 40, true}, {123, 32, false}, {196, 33, false}};
    for (const BytesCase& c : byteCases) {
        SCOPED_TRACE(c.tag);
        Bytes value(c.length);
        for (size_t i = 0; i < value.size(); ++i) value[i] = static_cast<uint8_t>(i + 1);
        const LogRecord entry = logOf(selfDescribed({{c.tag, value}}));
        const LogBytes& field = c.first ? entry.bytes1 : entry.bytes2;
        const LogBytes& other = c.first ? entry.bytes2 : entry.bytes1;
        const size_t kept = c.length < 32 ? c.length : 32;
        EXPECT_EQ(field.valid, 1);
        EXPECT_EQ(field.length, static_cast<int32_t>(kept));
        EXPECT_EQ(memcmp(field.bytes, value.data(), kept), 0);
        EXPECT_EQ(other.valid, 0);
    }
}

TEST(PackedValue, LogTagsReachTheirFields)
{
    struct Case {
        uint32_t tag;
        int32_t LogRecord::*field;
        uint8_t LogRecord::*flag;
    };
    const Case cases[] = {
        {192, &LogRecord::sequence, &LogRecord::sequenceValid}, {193, &LogRecord::tag193, &LogRecord::tag193Valid},
        {120, &LogRecord::tag120, &LogRecord::tag120Valid},     {144, &LogRecord::tag144, &LogRecord::tag144Valid},
        {181, &LogRecord::tag181, &LogRecord::tag181Valid},     {184, &LogRecord::tag184, &LogRecord::tag184Valid},
        {189, &LogRecord::tag184, &LogRecord::tag184Valid},     {183, &LogRecord::tag183, &LogRecord::tag183Valid},
        {188, &LogRecord::tag183, &LogRecord::tag183Valid},     {191, &LogRecord::tag191, &LogRecord::tag191Valid},
        {118, &LogRecord::tag118, &LogRecord::tag118Valid},     {127, &LogRecord::tag127, &LogRecord::tag127Valid},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tag);
        const LogRecord entry = logOf(selfDescribed({{c.tag, bigEndian(4321, 2)}}));
        EXPECT_EQ(entry.*(c.flag), 1);
        EXPECT_EQ(entry.*(c.field), 4321);
    }
    // Tag 100 belongs to current jobs only.
    EXPECT_EQ(currentJobOf(selfDescribed({{100, bigEndian(8, 2)}})).tag100, 8);
    const LogRecord entry = logOf(selfDescribed({{100, bigEndian(8, 2)}}));
    EXPECT_EQ(entry.tag118Valid + entry.tag127Valid + entry.sequenceValid, 0);
}
