// The attribute test of message documents, and the texts of key values.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "attribute_match.h"
#include "message_lookup.h"
#include "netrov/zomxml.h"
#include "temp_dir.h"

using namespace netrov;

namespace {

struct AttributeCase {
    const char* attributes;  // of the element, as written in the document
    const char* name;
    const char* value;
    bool passes;
};

const AttributeCase kAttributeCases[] = {
    // A "5" and a "*": the star must be reached inside the value.
    {R"(value="5*")", "value", "512", true},
    {R"(value="5*")", "value", "55", true},
    {R"(value="5*")", "value", "15", false},
    {R"(value="5*")", "value", "5", false},
    // A status that could not be read.
    {R"(value="#")", "value", "#", true},
    {R"(value="#")", "value", "8", false},
    {R"(value="8")", "value", "#", false},
    // Absent attributes pass; an absent or empty value meets only "*".
    {R"(group="11")", "value", "8", true},
    {R"(value="8")", "group", "13", true},
    {R"(value="*")", "value", "", true},
    {R"(value="8")", "value", "", false},
    {R"(value="?")", "value", "", false},
    // "?" stands for one character, so the length must agree.
    {R"(value="1?0?")", "value", "1101", true},
    {R"(value="1?0?")", "value", "110", false},
    {R"(value="30?08")", "value", "30208", true},
    // Names and values compare ignoring case.
    {R"(IMAGEKEY="alert_JAM")", "imageKey", "ALERT_jam", true},
    {R"(imagekey="alert_jam")", "imageKey", "alert_door", false},
    // The first attribute of the name with a value decides.
    {R"(value="8" Value="3")", "value", "3", false},
};

class AttributeTest : public ::testing::TestWithParam<AttributeCase> {};

}  // namespace

TEST_P(AttributeTest, ElementPassesOrFails)
{
    const AttributeCase& c = GetParam();
    test::TempDir dir;
    test::writeFile(dir.file("d.xml"), std::string("<d><alertcode ") + c.attributes + "/></d>");
    ZomXmlDocument* document = ZOMXML_Load(dir.file("d.xml").c_str());
    ASSERT_NE(document, nullptr) << c.attributes;
    const ZomXmlNode* element = document->top->firstChild;
    EXPECT_EQ(definition::requirementHolds(*element, {c.name, c.value}), c.passes)
        << c.attributes << " with " << c.name << "=\"" << c.value << "\"";
    ZOMXML_Free(document);
}

INSTANTIATE_TEST_SUITE_P(Cases, AttributeTest, ::testing::ValuesIn(kAttributeCases),
                         [](const auto& info) { return "case" + std::to_string(info.index); });

namespace {

OptionValue optionValue(uint8_t kind, std::vector<uint8_t> bytes, int32_t length)
{
    OptionValue v;
    std::memset(&v, 0, sizeof v);
    v.kind = kind;
    std::memcpy(v.value, bytes.data(), std::min(bytes.size(), sizeof v.value));
    v.length = length;
    return v;
}

std::vector<uint8_t> words(std::initializer_list<int32_t> values)
{
    std::vector<uint8_t> bytes;
    for (int32_t value : values) {
        uint8_t b[4];
        std::memcpy(b, &value, 4);
        bytes.insert(bytes.end(), b, b + 4);
    }
    return bytes;
}

}  // namespace

TEST(KeyText, EachKindCodeHasItsText)
{
    const struct {
        OptionValue value;
        std::string text;
    } cases[] = {
        {optionValue(1, words({-42}), 4), "-42"},
        {optionValue(2, words({-1}), 4), "4294967295"},
        {optionValue(3, {'A', '4', ' ', 'x'}, 3), "A4 "},
        {optionValue(4, words({1, 3, 6, 1, 2}), 20), "1.3.6.1.2"},
        {optionValue(4, words({1, 3, 6}), 10), "1.3"},  // a partial arc is left out
        {optionValue(5, {192, 0, 2, 255}, 4), "192.0.2.255"},
        {optionValue(0, words({7}), 4), ""},
        {optionValue(6, words({7}), 4), ""},
        {optionValue(200, words({7}), 4), ""},
    };
    for (const auto& c : cases) EXPECT_EQ(mirrel::keyText(c.value), c.text) << "kind " << int(c.value.kind);
}

TEST(KeyText, LengthsOutsideTheValueStayInsideIt)
{
    std::vector<uint8_t> full(255, 'a');
    EXPECT_EQ(mirrel::keyText(optionValue(3, full, 1000)), std::string(255, 'a'));
    EXPECT_EQ(mirrel::keyText(optionValue(3, full, -5)), "");
    // 63 arcs of ten digits would be far longer than a text field.
    std::vector<uint8_t> arcs;
    for (int i = 0; i < 63; ++i) {
        const auto w = words({2000000000});
        arcs.insert(arcs.end(), w.begin(), w.end());
    }
    const std::string oid = mirrel::keyText(optionValue(4, arcs, 252));
    EXPECT_EQ(oid.size(), mirrel::kMaxText);
    EXPECT_EQ(oid.rfind("2000000000.2000000000", 0), 0u);
}
