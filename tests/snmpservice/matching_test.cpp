// Wildcard patterns of definition documents and element selection.
#include <gtest/gtest.h>

#include <deque>
#include <vector>

#include "matching.h"

using netrov::tessel::patternMatch;
using netrov::tessel::Requirement;
using netrov::tessel::selectElement;

TEST(PatternMatch, ExactTextIgnoringCase)
{
    EXPECT_TRUE(patternMatch("GETDEVINFO_DEVICE", "GETDEVINFO_DEVICE"));
    EXPECT_TRUE(patternMatch("getdevinfo_device", "GETDEVINFO_DEVICE"));
    EXPECT_FALSE(patternMatch("GETDEVINFO_DEVICE", "GETDEVINFO_DEVICES"));
    EXPECT_FALSE(patternMatch("GETDEVINFO_DEVICES", "GETDEVINFO_DEVICE"));
    EXPECT_FALSE(patternMatch("GETDEVINFO_DEVICE", "GETDEVINFO_LOCATION"));
    EXPECT_FALSE(patternMatch("5", "50"));
}

TEST(PatternMatch, PrefixStarServesEveryKeyWithThatPrefix)
{
    EXPECT_TRUE(patternMatch("GETDEVTONER_*", "GETDEVTONER_LEVEL"));
    EXPECT_TRUE(patternMatch("GETDEVTONER_*", "getdevtoner_max"));
    EXPECT_FALSE(patternMatch("GETDEVTONER_*", "GETDEVTRAY_LEVEL"));
}

TEST(PatternMatch, SuffixStarServesEveryKeyWithThatSuffix)
{
    EXPECT_TRUE(patternMatch("*_LEVEL", "GETDEVTONER_LEVEL"));
    EXPECT_TRUE(patternMatch("*_LEVEL", "GETDEVTRAY_LEVEL"));
    EXPECT_FALSE(patternMatch("*_LEVEL", "GETDEVTRAY_MAX"));
}

TEST(PatternMatch, BothScansMustSucceed)
{
    // Forward stops at the star; the backward scan still checks the tail.
    EXPECT_TRUE(patternMatch("GET*LEVEL", "GETDEVTONER_LEVEL"));
    EXPECT_FALSE(patternMatch("GET*LEVEL", "GETDEVTONER_MAX"));
    EXPECT_FALSE(patternMatch("SET*LEVEL", "GETDEVTONER_LEVEL"));
    // Without a star each scan needs equal lengths.
    EXPECT_FALSE(patternMatch("AB*", "AB"));
}

TEST(PatternMatch, QuestionMarkMatchesOneCharacterOfItsOwnLength)
{
    EXPECT_TRUE(patternMatch("GETDEVOPTION_?", "GETDEVOPTION_3"));
    EXPECT_FALSE(patternMatch("GETDEVOPTION_?", "GETDEVOPTION_12"));
    EXPECT_TRUE(patternMatch("1?", "17"));
}

TEST(PatternMatch, EmptyTextMatchesOnlyASingleStar)
{
    EXPECT_TRUE(patternMatch("*", ""));
    EXPECT_TRUE(patternMatch("*", nullptr));
    EXPECT_FALSE(patternMatch("**", ""));
    EXPECT_FALSE(patternMatch("?", ""));
    EXPECT_FALSE(patternMatch("", ""));
    EXPECT_FALSE(patternMatch("", "A"));
    EXPECT_TRUE(patternMatch("*", "anything"));
}

namespace {

// Hand-built elements in the layout the XML library hands out.
class Elements {
public:
    ZomXmlNode* add(std::vector<std::pair<const char*, const char*>> attributes, const char* text = "x")
    {
        ZomXmlNode& node = nodes_.emplace_back();
        node = ZomXmlNode{"oid", text, nullptr, nullptr, nullptr, nullptr, nullptr};
        ZomXmlAttribute* previous = nullptr;
        for (auto& [name, value] : attributes) {
            ZomXmlAttribute& a = attributes_.emplace_back();
            a = ZomXmlAttribute{nullptr, &node, name, value};
            if (previous) previous->next = &a;
            else node.attributes = &a;
            previous = &a;
        }
        cells_.emplace_back();
        cells_.back().element = &node;
        if (cells_.size() > 1) cells_[cells_.size() - 2].next = &cells_.back();
        return &node;
    }
    const ZomXmlElementList* list() const { return cells_.empty() ? nullptr : &cells_.front(); }

private:
    std::deque<ZomXmlNode> nodes_;
    std::deque<ZomXmlAttribute> attributes_;
    std::deque<ZomXmlElementList> cells_;
};

const ZomXmlNode* select(const Elements& e, std::vector<Requirement> r)
{
    return selectElement(e.list(), r);
}

}  // namespace

TEST(ElementSelection, FirstElementInDocumentOrderWins)
{
    Elements e;
    e.add({{"def", "GETDEVINFO_LOCATION"}});
    ZomXmlNode* star = e.add({{"def", "GETDEVINFO_*"}});
    e.add({{"def", "GETDEVINFO_DEVICE"}});
    EXPECT_EQ(select(e, {{"def", "GETDEVINFO_DEVICE"}}), star);
    EXPECT_EQ(select(e, {{"def", "GETDEVSTATUS_DEVSTATUS"}}), nullptr);
}

TEST(ElementSelection, ElementWithoutTheAttributeSatisfiesEveryKey)
{
    Elements e;
    ZomXmlNode* bare = e.add({{"other", "x"}});
    e.add({{"def", "GETDEVINFO_DEVICE"}});
    EXPECT_EQ(select(e, {{"def", "GETDEVINFO_DEVICE"}}), bare);
    EXPECT_EQ(select(e, {{"def", "ANY_KEY"}}), bare);
}

TEST(ElementSelection, AttributeNamesIgnoreCaseAndValuelessOnesDoNotMatch)
{
    Elements e;
    e.add({{"DEF", nullptr}});                          // named, but carries no value
    ZomXmlNode* second = e.add({{"Def", nullptr}, {"dEf", "KEY_A"}});
    EXPECT_EQ(select(e, {{"def", "KEY_A"}}), second);
    EXPECT_EQ(select(e, {{"def", "KEY_B"}}), nullptr);
}

TEST(ElementSelection, OnlyTheFirstValuedAttributeOfANameCounts)
{
    Elements e;
    e.add({{"def", "KEY_A"}, {"def", "KEY_B"}});
    EXPECT_EQ(select(e, {{"def", "KEY_B"}}), nullptr);
}

TEST(ElementSelection, EveryRequirementMustHoldAndNamelessOnesNever)
{
    Elements e;
    e.add({{"key1", "2"}, {"key2", "1"}});
    ZomXmlNode* running = e.add({{"key1", "2"}});
    ZomXmlNode* any = e.add({{"key1", "*"}, {"key2", "*"}});
    EXPECT_EQ(select(e, {{"key1", "2"}, {"key2", "3"}, {"key3", ""}}), running);
    EXPECT_EQ(select(e, {{"key1", "5"}, {"key2", "0"}, {"key3", ""}}), any);
    EXPECT_EQ(select(e, {{"key1", "2"}, {nullptr, "2"}}), nullptr);
    EXPECT_EQ(select(e, {{"", "2"}}), nullptr);
    EXPECT_EQ(selectElement(nullptr, std::vector<Requirement>{{"key1", "2"}}), nullptr);
}
