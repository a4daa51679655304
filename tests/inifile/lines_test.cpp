// The line parser and editor on byte buffers, without files.
#include <gtest/gtest.h>

#include <string>

#include "ini_lines.h"

namespace ini = netrov::ini;

namespace {

TEST(IniLines, ParseThenSerializeKeepsEveryLine)
{
    std::string text = "; c\n\n[A] x\nk = v\n[B\nplain\n";
    ini::Lines lines = ini::parseLines(text);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[2].kind, ini::LineKind::Section);
    EXPECT_EQ(lines[2].text, "A");
    EXPECT_EQ(lines[3].kind, ini::LineKind::Entry);
    EXPECT_EQ(lines[4].kind, ini::LineKind::Other);
    EXPECT_EQ(ini::serializeLines(lines), "; c\r\r\n\r\r\n[A]\r\r\nk = v\r\r\n[B\r\r\nplain\r\r\n");
    // Reading the written form gives the same lines back.
    ini::Lines again = ini::parseLines(ini::serializeLines(lines));
    ASSERT_EQ(again.size(), lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(again[i].kind, lines[i].kind);
        EXPECT_EQ(again[i].text, lines[i].text);
    }
}

TEST(IniLines, OnlyOneExtraCarriageReturnIsStripped)
{
    ini::Lines lines = ini::parseLines("a\r\r\r\nb\r\r");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].text, "a\r");
    EXPECT_EQ(lines[1].text, "b\r");
    EXPECT_EQ(ini::serializeLines(lines), "a\r\r\r\nb\r\r\r\n");
}

TEST(IniLines, KeyAndValueTrimming)
{
    EXPECT_EQ(ini::entryKey(" k \t= v "), " k");
    EXPECT_EQ(ini::entryValue(" k \t= v "), "v ");
    EXPECT_EQ(ini::entryKey("=v"), "");
    EXPECT_EQ(ini::entryValue("k=a=b"), "a=b");
    EXPECT_EQ(ini::entryValue("k=   "), "");
}

}  // namespace
