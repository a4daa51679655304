// Loading documents: the node structures, malformed input and refused DTDs.
#include <gtest/gtest.h>
#include <netrov/zomxml.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "xml_test_util.h"

using namespace netrov::test;

namespace {

TEST(XmlLoad, BuildsTheTreeTextsAndAttributes)
{
    TempDir dir;
    DocumentPtr doc = loadText(dir,
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<!-- leading comment -->\n"
        "<root version=\"2\">\n"
        "  <oid key=\"GETDEVINFO_NAME\" empty=\"\" amp=\"a&amp;b\">  1.3.6.1\t\n</oid>\n"
        "  <mixed>one<b>inner</b> two <![CDATA[<three>]]></mixed>\n"
        "  <blank>  \n </blank>\n"
        "  <utf>\xC3\xA9t\xC3\xA9</utf>\n"
        "</root>\n");
    ASSERT_TRUE(doc);
    EXPECT_EQ(std::string(doc->path), dir.file("doc.xml"));
    const ZomXmlNode* root = doc->top;
    ASSERT_TRUE(root);
    EXPECT_STREQ(root->name, "root");
    EXPECT_EQ(root->parent, nullptr);
    EXPECT_EQ(root->nextSibling, nullptr);
    EXPECT_EQ(root->text, nullptr);  // blanks between children only
    EXPECT_EQ(attribute(root, "version"), "2");

    const ZomXmlNode* oid = root->firstChild;
    ASSERT_TRUE(oid);
    EXPECT_STREQ(oid->name, "oid");
    EXPECT_STREQ(oid->text, "1.3.6.1");
    EXPECT_EQ(oid->parent, root);
    EXPECT_EQ(oid->previousSibling, nullptr);
    // Attributes in document order, an empty value as null.
    ASSERT_TRUE(oid->attributes);
    EXPECT_STREQ(oid->attributes->name, "key");
    EXPECT_EQ(oid->attributes->owner, oid);
    EXPECT_STREQ(oid->attributes->next->name, "empty");
    EXPECT_EQ(oid->attributes->next->value, nullptr);
    EXPECT_EQ(attribute(oid, "amp"), "a&b");

    const ZomXmlNode* mixed = oid->nextSibling;
    ASSERT_TRUE(mixed);
    EXPECT_EQ(mixed->previousSibling, oid);
    EXPECT_STREQ(mixed->text, "one two <three>");  // only the element's own character data
    EXPECT_STREQ(mixed->firstChild->text, "inner");

    const ZomXmlNode* blank = mixed->nextSibling;
    EXPECT_EQ(blank->text, nullptr);
    EXPECT_EQ(blank->firstChild, nullptr);
    EXPECT_EQ(blank->attributes, nullptr);
    EXPECT_STREQ(blank->nextSibling->text, "\xC3\xA9t\xC3\xA9");
}

TEST(XmlLoad, MalformedOrMissingDocumentsGiveNull)
{
    TempDir dir;
    const char* bad[] = {
        "",
        "   \n",
        "<root>",
        "<root></wrong>",
        "<a/><b/>",
        "<root a=\"1\" a=\"2\"/>",
        "<root>&undefined;</root>",
        "<root attr=noquotes/>",
        "text only",
        "<root>\x01</root>",
        "<?xml version=\"1.0\" encoding=\"x-unknown\"?><root/>",
        "<root>\xFF\xFE</root>",
        "<root/>trailing",
    };
    int index = 0;
    for (const char* text : bad) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(loadText(dir, text, "bad" + std::to_string(index++) + ".xml"));
    }
    EXPECT_EQ(ZOMXML_Load(dir.file("missing.xml").c_str()), nullptr);
    EXPECT_EQ(ZOMXML_Load(dir.path().string().c_str()), nullptr);
    EXPECT_EQ(ZOMXML_Load(nullptr), nullptr);
    EXPECT_EQ(ZOMXML_Load(""), nullptr);
    EXPECT_EQ(ZOMXML_Free(nullptr), 0);
    EXPECT_EQ(ZOMXML_FreeElements(nullptr), 0);
}

TEST(XmlLoad, EveryTruncationOfAValidDocumentIsRefusedCleanly)
{
    TempDir dir;
    const std::string text = "<root a=\"1\"><x>t</x><y b=\"&lt;\"/></root>";
    for (size_t length = 0; length < text.size(); ++length) {
        EXPECT_FALSE(loadText(dir, text.substr(0, length))) << length;
    }
    EXPECT_TRUE(loadText(dir, text));
}

TEST(XmlLoad, PlainDoctypesLoadAndInternalSubsetsAreRefused)
{
    TempDir dir;
    std::string secret = dir.file("secret.txt");
    writeFile(secret, "<!ENTITY ext \"secret\">");
    const struct {
        std::string text;
        bool loads;
    } cases[] = {
        {"<!DOCTYPE root><root>a &amp; b</root>", true},
        {"<?xml version=\"1.0\"?>\n<!DOCTYPE root>\n<root>a &amp; b</root>", true},
        {"<!DOCTYPE root SYSTEM \"file://" + secret + "\"><root>a &amp; b</root>", true},
        {"<!DOCTYPE root PUBLIC \"-//NetRov//Definition//EN\" \"definition.dtd\"><root>a &amp; b</root>", true},
        // The named DTD is never read, so its entities stay unknown.
        {"<!DOCTYPE root SYSTEM \"file://" + secret + "\"><root>&ext;</root>", false},
        {"<!DOCTYPE root []><root/>", false},
        {"<!DOCTYPE root [<!ELEMENT root ANY>]><root/>", false},
        {"<!DOCTYPE root [<!ENTITY e \"x\">]><root>&e;</root>", false},
        {"<!DOCTYPE root [<!ENTITY ext SYSTEM \"file://" + secret + "\">]><root>&ext;</root>", false},
        {"<!DOCTYPE root [<!ENTITY % p \"x\">]><root/>", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        DocumentPtr doc = loadText(dir, c.text);
        ASSERT_EQ(static_cast<bool>(doc), c.loads);
        if (doc) {
            EXPECT_STREQ(doc->top->text, "a & b");
        }
    }
}

TEST(XmlLoad, SingleByteCharacterSetsLoadAsUtf8)
{
    TempDir dir;
    const struct {
        const char* encoding;
        std::string bytes;   // element text in that encoding
        const char* utf8;    // the same text as the library returns it
    } cases[] = {
        {"windows-1252", "\x80 \x93ok\x94 caf\xE9", "\xE2\x82\xAC \xE2\x80\x9Cok\xE2\x80\x9D caf\xC3\xA9"},
        {"cp1252", "\x80", "\xE2\x82\xAC"},
        {"ISO-8859-1", "caf\xE9", "caf\xC3\xA9"},
        {"ISO-8859-2", "\xB1\xE6", "\xC4\x85\xC4\x87"},
        {"iso-8859-5", "\xBF\xE0", "\xD0\x9F\xD1\x80"},
        {"ISO-8859-7", "\xE1", "\xCE\xB1"},
        {"ISO-8859-15", "\xA4", "\xE2\x82\xAC"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.encoding);
        const std::string text = std::string("<?xml version=\"1.0\" encoding=\"") + c.encoding + "\"?>\n<root a=\"" +
                                 c.bytes + "\">" + c.bytes + "</root>";
        DocumentPtr doc = loadText(dir, text);
        ASSERT_TRUE(doc);
        EXPECT_STREQ(doc->top->text, c.utf8);
        EXPECT_EQ(attribute(doc->top, "a"), c.utf8);
    }
    // Unknown names and character sets of more than one byte per character are refused.
    for (const char* encoding : {"x-unknown", "Shift_JIS", "ISO-2022-JP", "IBM037"}) {
        SCOPED_TRACE(encoding);
        EXPECT_FALSE(loadText(dir, std::string("<?xml version=\"1.0\" encoding=\"") + encoding + "\"?><root/>"));
    }
    // A byte the character set leaves undefined is an error, not a lost character.
    EXPECT_FALSE(loadText(dir, "<?xml version=\"1.0\" encoding=\"windows-1252\"?><root>\x81</root>"));
}

TEST(XmlLoad, BillionLaughsIsRefusedFast)
{
    std::string text = "<?xml version=\"1.0\"?>\n<!DOCTYPE lolz [\n<!ENTITY lol \"lol\">\n";
    text += "<!ENTITY lol1 \"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\">\n";
    for (int i = 2; i <= 9; ++i) {
        text += "<!ENTITY lol" + std::to_string(i) + " \"";
        for (int j = 0; j < 10; ++j) text += "&lol" + std::to_string(i - 1) + ";";
        text += "\">\n";
    }
    text += "]>\n<lolz>&lol9;</lolz>\n";
    TempDir dir;
    auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(loadText(dir, text));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(500));
}

TEST(XmlLoad, DeepNestingLoadsAndSearches)
{
    constexpr int kDepth = 20000;
    std::string text;
    for (int i = 0; i < kDepth; ++i) text += "<d>";
    text += "<leaf/>";
    for (int i = 0; i < kDepth; ++i) text += "</d>";
    TempDir dir;
    DocumentPtr doc = loadText(dir, text);
    ASSERT_TRUE(doc);
    EXPECT_EQ(search(doc->top, "d").size(), static_cast<size_t>(kDepth));
    EXPECT_EQ(search(doc->top, "leaf").size(), 1u);
}

}  // namespace
