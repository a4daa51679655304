// Element searches: document order, starting points, large documents, many threads.
#include <gtest/gtest.h>
#include <netrov/zomxml.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "xml_test_util.h"

using namespace netrov::test;

namespace {

const char* const kDefinition =
    "<definition>\n"
    "  <oid key=\"A\">1</oid>\n"
    "  <group>\n"
    "    <oid key=\"B\">2</oid>\n"
    "    <keyword name=\"K1\"><exchange in=\"1\" out=\"x\"/><exchange in=\"2\"/></keyword>\n"
    "    <oid key=\"C\"><oid key=\"D\">4</oid></oid>\n"
    "  </group>\n"
    "  <keyword name=\"K2\"><exchange in=\"3\"/></keyword>\n"
    "  <oid key=\"E\">5</oid>\n"
    "  <OID key=\"upper\"/>\n"
    "</definition>\n";

std::vector<std::string> keys(const std::vector<const ZomXmlNode*>& nodes, const char* attr = "key")
{
    std::vector<std::string> out;
    for (const ZomXmlNode* node : nodes) out.push_back(attribute(node, attr));
    return out;
}

TEST(XmlSearch, FromTheTopFindsEveryElementInDocumentOrder)
{
    TempDir dir;
    DocumentPtr doc = loadText(dir, kDefinition);
    ASSERT_TRUE(doc);
    EXPECT_EQ(keys(search(doc->top, "oid")), (std::vector<std::string>{"A", "B", "C", "D", "E"}));
    EXPECT_EQ(keys(search(doc->top, "exchange"), "in"), (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_EQ(search(doc->top, "definition").size(), 1u);  // the start node itself counts
    EXPECT_EQ(keys(search(doc->top, "OID")), (std::vector<std::string>{"upper"}));
    EXPECT_TRUE(search(doc->top, "Oid").empty());
    EXPECT_TRUE(search(doc->top, "").empty());
    EXPECT_EQ(ZOMXML_GetElements(doc->top, "missing"), nullptr);
    EXPECT_EQ(ZOMXML_GetElements(nullptr, "oid"), nullptr);
    EXPECT_EQ(ZOMXML_GetElements(doc->top, nullptr), nullptr);
}

TEST(XmlSearch, FromAFirstChildFindsOnlyWhatIsBelowTheElement)
{
    TempDir dir;
    DocumentPtr doc = loadText(dir, kDefinition);
    ASSERT_TRUE(doc);
    std::vector<const ZomXmlNode*> keywords = search(doc->top, "keyword");
    ASSERT_EQ(keywords.size(), 2u);
    EXPECT_EQ(keys(search(keywords[0]->firstChild, "exchange"), "in"), (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(keys(search(keywords[1]->firstChild, "exchange"), "in"), (std::vector<std::string>{"3"}));

    const ZomXmlNode* group = search(doc->top, "group").at(0);
    EXPECT_EQ(keys(search(group->firstChild, "oid")), (std::vector<std::string>{"B", "C", "D"}));
    // From a middle child: that child, its later siblings and their descendants.
    const ZomXmlNode* keyword = group->firstChild->nextSibling;
    EXPECT_EQ(keys(search(keyword, "oid")), (std::vector<std::string>{"C", "D"}));
    // Attribute without a value in a search result.
    EXPECT_EQ(attribute(search(keywords[0]->firstChild, "exchange")[1], "out"), "<absent>");
}

TEST(XmlSearch, SeveralListsAtOnceStayValidUntilFreed)
{
    TempDir dir;
    DocumentPtr doc = loadText(dir, kDefinition);
    ASSERT_TRUE(doc);
    ZomXmlElementList* first = ZOMXML_GetElements(doc->top, "oid");
    ZomXmlElementList* second = ZOMXML_GetElements(doc->top, "oid");
    ASSERT_TRUE(first && second);
    EXPECT_NE(first, second);
    EXPECT_EQ(first->element, second->element);
    ZOMXML_FreeElements(first);
    EXPECT_STREQ(second->element->text, "1");  // freeing a list leaves the document alone
    ZOMXML_FreeElements(second);
}

std::string bigDocument(int count)
{
    std::string text = "<definition>";
    for (int i = 0; i < count; ++i) {
        text += "<oid key=\"K" + std::to_string(i) + "\">" + std::to_string(i) + "</oid>";
        if (i % 100 == 0) text += "<group><keyword name=\"" + std::to_string(i) + "\"/></group>";
    }
    return text + "</definition>";
}

TEST(XmlSearch, TenThousandElements)
{
    TempDir dir;
    DocumentPtr doc = loadText(dir, bigDocument(10000));
    ASSERT_TRUE(doc);
    std::vector<const ZomXmlNode*> oids = search(doc->top, "oid");
    ASSERT_EQ(oids.size(), 10000u);
    for (int i = 0; i < 10000; ++i) ASSERT_EQ(std::string(oids[i]->text), std::to_string(i));
    EXPECT_EQ(search(doc->top, "keyword").size(), 100u);
}

TEST(XmlSearch, ConcurrentSearchesOfOneDocument)
{
    TempDir dir;
    DocumentPtr doc = loadText(dir, bigDocument(2000));
    ASSERT_TRUE(doc);
    std::atomic<int> mismatches{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 40; ++round) {
                const char* tag = (round + t) % 2 ? "oid" : "keyword";
                size_t expected = (round + t) % 2 ? 2000 : 20;
                ZomXmlElementList* list = ZOMXML_GetElements(doc->top, tag);
                size_t count = 0;
                for (ZomXmlElementList* cell = list; cell; cell = cell->next) ++count;
                ZOMXML_FreeElements(list);
                if (count != expected) ++mismatches;
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(mismatches.load(), 0);
}

}  // namespace
