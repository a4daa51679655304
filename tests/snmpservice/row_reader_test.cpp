// The row reader's and the output array's checks against faults in a query's
// own rule: a key outside the key table, a row index never set, a record of
// another size than the query's.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "attribute_query.h"
#include "netrov/consumable_records.h"
#include "netrov/engine_records.h"

using namespace netrov::tessel;

namespace {

constexpr KeyEntry kKeys[] = {
    {"def", "GETDEVTEST_NAME", "", kKindOctets},
    {"def", "GETDEVTEST_LEVEL", "", kKindInteger},
};

ReplyValue integerAt(const std::string& identifier, int32_t number)
{
    ReplyValue v;
    v.kind = kKindInteger;
    v.identifier = identifier;
    v.bytes.resize(sizeof number + 1);
    memcpy(v.bytes.data(), &number, sizeof number);
    v.length = sizeof number;
    return v;
}

// A call whose rule is never run: enough for a reader and an output array.
struct Call {
    DeviceIdentity device{};
    ServiceRecord service{};
    std::vector<TonerEntry> records = std::vector<TonerEntry>(2);
    Output out{records.data(), 2, sizeof(TonerEntry)};
    QueryCall call{device, 0, 0, service, out};
};

}  // namespace

TEST(RowReader, TheRowIndexComesFromTheFirstNamedKeyWithAValue)
{
    Call c;
    const ValueList values = {ReplyValue(), integerAt("1.3.6.1.4.1.32473.1.2.1.7", 40)};
    RowReader row(c.call, kKeys, values);
    EXPECT_EQ(row.integer("GETDEVTEST_LEVEL"), 40);
    EXPECT_EQ(row.integer("getdevtest_level"), 40) << "key names compare without case";
    EXPECT_EQ(row.value("GETDEVTEST_NAME"), nullptr) << "a key without a value reads as not reported";
    row.indexFrom({"GETDEVTEST_NAME", "GETDEVTEST_LEVEL"});
    EXPECT_EQ(row.rowIndex(), 7u);
    row.indexFrom({"GETDEVTEST_NAME"});
    EXPECT_EQ(row.rowIndex(), 0u) << "no key with a value: no index";
}

// Death tests run where a child process can be forked for them; the rules
// they check do not depend on the system.
#if GTEST_HAS_DEATH_TEST && !defined(_WIN32)
TEST(RowReaderDeathTest, AKeyOutsideTheKeyTableEndsTheProgram)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    Call c;
    const ValueList values = {ReplyValue(), integerAt("1.3.6.1.4.1.32473.1.2.1.7", 40)};
    RowReader row(c.call, kKeys, values);
    EXPECT_DEATH(row.integer("GETDEVTEST_LEVL"), "not in the query's key table: GETDEVTEST_LEVL");
    EXPECT_DEATH(row.value("GETDEVTEST_LEVEL "), "not in the query's key table");
    EXPECT_DEATH(row.present("GETDEVTEST"), "not in the query's key table");
    EXPECT_DEATH(row.indexFrom({"GETDEVTEST_NAME", "GETDEVTEST_LEVELS"}), "not in the query's key table");
    EXPECT_DEATH(row.rowIndex(), "before setting it with indexFrom");
}

TEST(OutputDeathTest, ARecordOfAnotherSizeThanTheQuerysEndsTheProgram)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    Call c;
    TonerEntry toner{};
    toner.remainingPercent = 55;
    c.out.produce(toner);
    ASSERT_EQ(c.out.count(), 1);
    EXPECT_EQ(c.records[0].remainingPercent, 55);
    // Stored, a record of another size would overrun the array or leave part of it.
    static_assert(sizeof(TextEntry) != sizeof(TonerEntry));
    const TextEntry wrong{};
    EXPECT_DEATH(c.out.produce(wrong), "record of another size");
    EXPECT_DEATH(c.out.stored<TextEntry>(0), "record of another size");
    EXPECT_EQ(c.out.count(), 1);
}
#endif
