// The record schema against the records it describes: every field lies inside
// its record, no two fields share a byte, each present flag is a byte of its
// own before its value, and setting a flag shows exactly the fields it
// governs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <vector>

#include "record_schema.h"

namespace netrov::core {
namespace {

bool lowerCamelCase(const char* name)
{
    if (!name || !std::islower(static_cast<unsigned char>(name[0]))) return false;
    for (const char* c = name; *c; ++c) {
        if (!std::isalnum(static_cast<unsigned char>(*c))) return false;
    }
    return true;
}

TEST(RecordSchema, EveryRecordIsLaidOutAsItsFieldsSay)
{
    ASSERT_FALSE(recordSchemas().empty());
    for (const RecordSchema* schema : recordSchemas()) {
        SCOPED_TRACE(schema->name);
        ASSERT_FALSE(schema->fields.empty());
        std::vector<std::pair<uint32_t, uint32_t>> spans;  // value bytes [first, end)
        std::set<std::string> names;
        for (const FieldSchema& field : schema->fields) {
            SCOPED_TRACE(field.name);
            EXPECT_TRUE(lowerCamelCase(field.name));
            EXPECT_TRUE(names.insert(field.name).second) << "name used twice";
            EXPECT_LE(field.offset + field.size, schema->size);
            if (field.kind == FieldKind::Text) {
                // The text widths of the records: most are 256, job texts 128 and 64.
                EXPECT_TRUE(field.size == 256u || field.size == 128u || field.size == 64u) << field.size;
            }
            if (field.kind == FieldKind::Int32 || field.kind == FieldKind::UInt32) {
                EXPECT_EQ(field.size, 4u);
            }
            if (field.kind == FieldKind::Double) {
                EXPECT_EQ(field.offset % 8, 0u);
            }
            if (field.presentOffset != kAlwaysPresent) {
                EXPECT_LT(field.presentOffset, field.offset) << "a flag stands before its value";
            }
            spans.emplace_back(field.offset, field.offset + field.size);
        }
        // Flags are bytes that no value covers.
        for (const FieldSchema& field : schema->fields) {
            if (field.presentOffset == kAlwaysPresent) continue;
            for (const auto& [first, end] : spans) {
                EXPECT_FALSE(field.presentOffset >= first && field.presentOffset < end)
                    << field.name << "'s flag lies inside a value";
            }
        }
        std::sort(spans.begin(), spans.end());
        for (size_t i = 1; i < spans.size(); ++i) EXPECT_LE(spans[i - 1].second, spans[i].first) << "fields overlap";
    }
}

TEST(RecordSchema, AFlagShowsExactlyTheFieldsItGoverns)
{
    for (const RecordSchema* schema : recordSchemas()) {
        SCOPED_TRACE(schema->name);
        std::vector<uint8_t> record(schema->size, 0);
        for (const FieldSchema& field : schema->fields) {
            if (field.presentOffset == kAlwaysPresent) continue;
            std::fill(record.begin(), record.end(), 0);
            record[field.presentOffset] = 1;
            for (const FieldSchema& other : schema->fields) {
                const bool expected = other.presentOffset == kAlwaysPresent || other.presentOffset == field.presentOffset;
                EXPECT_EQ(!fieldJson(other, record.data()).is_null(), expected) << field.name << " / " << other.name;
            }
        }
    }
}

TEST(RecordSchema, QueriesAreFoundByNameAndNamedOnce)
{
    std::set<std::string> names;
    for (const QuerySchema& query : deviceQueries()) {
        EXPECT_TRUE(names.insert(query.name).second) << query.name;
        EXPECT_EQ(findQuery(query.name), &query);
        EXPECT_NE(query.function, nullptr);
        EXPECT_GT(query.capacity, 0);
    }
    EXPECT_EQ(findQuery("GetDevNothing"), nullptr);
}

TEST(RecordSchema, ValuesReadAsTheirKinds)
{
    const FieldSchema text{"text", 0, 8, FieldKind::Text, kAlwaysPresent};
    const FieldSchema bytes{"bytes", 0, 3, FieldKind::Bytes, kAlwaysPresent};
    const FieldSchema list{"list", 0, 8, FieldKind::Int32List, kAlwaysPresent};
    const char full[8] = {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'};  // no NUL: stops at the field's end
    EXPECT_EQ(fieldJson(text, full), "abcdefgh");
    const uint8_t mac[3] = {0x00, 0x1A, 0xFF};
    EXPECT_EQ(fieldJson(bytes, mac), "00:1A:FF");
    const int32_t pair[2] = {-1, 255};
    EXPECT_EQ(fieldJson(list, pair), nlohmann::json({-1, 255}));
    EXPECT_EQ(fieldText(list, pair), "-1,255");
}

}  // namespace
}  // namespace netrov::core
