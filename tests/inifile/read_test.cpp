// Lookups through the exports: trimming, case, repeated sections, buffers, enumeration.
#include <gtest/gtest.h>
#include <netrov/zomini.h>

#include <cstring>
#include <string>

#include "temp_dir.h"

using netrov::test::TempDir;
using netrov::test::writeFile;

namespace {

class IniRead : public ::testing::Test {
protected:
    std::string path(const std::string& content)
    {
        std::string file = dir_.file("settings.ini");
        writeFile(file, content);
        return file;
    }
    std::string read(const char* section, const char* key, const std::string& file, const char* def = "<none>")
    {
        char buffer[256];
        std::memset(buffer, 'x', sizeof buffer);
        int32_t result = ZOMINI_IniReadString(section, key, def, buffer, sizeof buffer, file.c_str());
        EXPECT_EQ(result, static_cast<int32_t>(std::strlen(buffer) + 1));
        return buffer;
    }
    TempDir dir_;
};

TEST_F(IniRead, BlanksAroundEqualsAndLeadingBlankInKey)
{
    std::string file = path("[Main]\r\nName = value  \r\n  Indented=yes\r\nTabbed\t=\t x\r\n");
    EXPECT_EQ(read("Main", "Name", file), "value  ");  // trailing blanks of a value stay
    EXPECT_EQ(read("Main", "Name ", file), "<none>");
    EXPECT_EQ(read("Main", "Indented", file), "<none>");
    EXPECT_EQ(read("Main", "  Indented", file), "yes");
    EXPECT_EQ(read("Main", "Tabbed", file), "x");
}

TEST_F(IniRead, SectionsAndKeysMatchCaseSensitively)
{
    std::string file = path("[main]\nkey=1\n[MAIN]\nKEY=2\n");
    EXPECT_EQ(read("MAIN", "key", file), "<none>");
    EXPECT_EQ(read("main", "key", file), "1");
    EXPECT_EQ(read("MAIN", "KEY", file), "2");
    EXPECT_EQ(read("Main", "KEY", file), "<none>");
}

TEST_F(IniRead, RepeatedSectionsAreSearchedInFileOrder)
{
    std::string file = path("[A]\nx=1\n[B]\ny=2\nx=other\n[A]\nz=3\nx=late\n");
    EXPECT_EQ(read("A", "z", file), "3");
    EXPECT_EQ(read("A", "x", file), "1");  // the first occurrence wins
    EXPECT_EQ(read("B", "z", file), "<none>");
}

TEST_F(IniRead, LineKindsAndHeaders)
{
    std::string file = path(
        "orphan=1\n"
        "[ Spaced ]\n"
        "a=1\n"
        "[Comment] ; trailing words\n"
        ";b=2\n"
        "c=3\n"
        "[NoClose\n"
        "d=4\n"
        "[x=y]\n"
        "e=5\n");
    EXPECT_EQ(read("", "orphan", file), "<none>");  // entries before any header are never found
    EXPECT_EQ(read(" Spaced ", "a", file), "1");
    EXPECT_EQ(read("Spaced", "a", file), "<none>");
    EXPECT_EQ(read("Comment", ";b", file), "<none>");
    EXPECT_EQ(read("Comment", "c", file), "3");
    EXPECT_EQ(read("Comment", "[NoClose", file), "<none>");  // no "=": not an entry
    EXPECT_EQ(read("Comment", "d", file), "4");               // still under [Comment]
    EXPECT_EQ(read("x=y", "e", file), "5");
}

TEST_F(IniRead, LineEndsOfEveryKindAndLastLineWithoutEnd)
{
    std::string file = path("[S]\r\r\na=1\r\r\nb=2\r\nc=3\ne=5\r\r\r\nd=4\r");
    EXPECT_EQ(read("S", "a", file), "1");
    EXPECT_EQ(read("S", "b", file), "2");
    EXPECT_EQ(read("S", "c", file), "3");
    EXPECT_EQ(read("S", "d", file), "4");
    EXPECT_EQ(read("S", "e", file), "5\r");  // only two CRs belong to the line end
}

TEST_F(IniRead, HighBytesAreNeverBlanks)
{
    std::string file = path("[S]\nk\xA0=\xA0v\xFF\nk=\x01\x1F\x20w\n");
    EXPECT_EQ(read("S", "k\xA0", file), "\xA0v\xFF");
    EXPECT_EQ(read("S", "k", file), "w");
}

TEST_F(IniRead, ShortBufferGetsACutTerminatedCopyAndTheFullSize)
{
    std::string file = path("[S]\nk=abcdef\n");
    char buffer[8];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(ZOMINI_IniReadString("S", "k", "", buffer, 4, file.c_str()), 7);
    EXPECT_STREQ(buffer, "abc");
    EXPECT_EQ(buffer[4], 'x');
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(ZOMINI_IniReadString("S", "k", "", buffer, 7, file.c_str()), 7);
    EXPECT_STREQ(buffer, "abcdef");
    EXPECT_EQ(ZOMINI_IniReadString("S", "missing", "dflt", buffer, 0, file.c_str()), 5);
    EXPECT_EQ(ZOMINI_IniReadString("S", "k", "", nullptr, 100, file.c_str()), 7);
}

TEST_F(IniRead, ReadIntConvertsLikeAtoi)
{
    std::string file = path("[N]\na=42\nb= -17xyz\nc=abc\nd=+8\ne=99999999999\nf=-99999999999\ng=\n");
    const std::string& f = file;
    EXPECT_EQ(ZOMINI_IniReadInt("N", "a", 5, f.c_str()), 42);
    EXPECT_EQ(ZOMINI_IniReadInt("N", "b", 5, f.c_str()), -17);
    EXPECT_EQ(ZOMINI_IniReadInt("N", "c", 5, f.c_str()), 0);
    EXPECT_EQ(ZOMINI_IniReadInt("N", "d", 5, f.c_str()), 8);
    EXPECT_EQ(ZOMINI_IniReadInt("N", "e", 5, f.c_str()), INT32_MAX);
    EXPECT_EQ(ZOMINI_IniReadInt("N", "f", 5, f.c_str()), INT32_MIN);
    EXPECT_EQ(ZOMINI_IniReadInt("N", "g", 5, f.c_str()), 0);
    EXPECT_EQ(ZOMINI_IniReadInt("N", "missing", -3, f.c_str()), -3);
    EXPECT_EQ(ZOMINI_IniReadInt("n", "a", -3, f.c_str()), -3);
}

TEST_F(IniRead, EnumerationKeepsRunningTotalPastAShortBuffer)
{
    std::string file = path("[First]\n[Second]\nx=1\n[Third]\n[First]\n");
    char buffer[64] = {};
    // Every name with its NUL, duplicates included, no final extra NUL.
    EXPECT_EQ(ZOMINI_IniEnumSections(buffer, sizeof buffer, file.c_str()), 6 + 7 + 6 + 6);
    EXPECT_EQ(std::string(buffer, 25), std::string("First\0Second\0Third\0First\0", 25));

    // "First" needs 5+0+2 < size; "Second" needs 6+6+2 < size: 10 holds the first only.
    std::memset(buffer, 0, sizeof buffer);
    EXPECT_EQ(ZOMINI_IniEnumSections(buffer, 10, file.c_str()), 25);
    EXPECT_STREQ(buffer, "First");
    EXPECT_EQ(buffer[6], '\0');

    // At exactly the limit a name is not copied; and no later name is either.
    std::memset(buffer, 0, sizeof buffer);
    EXPECT_EQ(ZOMINI_IniEnumSections(buffer, 7, file.c_str()), 25);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(ZOMINI_IniEnumSections(nullptr, 64, file.c_str()), 25);
}

TEST_F(IniRead, EmptyFileBehavesLikeAMissingFile)
{
    std::string empty = path("");
    std::string missing = dir_.file("missing.ini");
    for (const std::string& f : {empty, missing}) {
        EXPECT_EQ(read("S", "k", f, "dflt"), "dflt");
        EXPECT_EQ(ZOMINI_IniReadInt("S", "k", 77, f.c_str()), 77);
        char buffer[8] = {};
        EXPECT_EQ(ZOMINI_IniEnumSections(buffer, sizeof buffer, f.c_str()), 0);
    }
}

TEST_F(IniRead, NullArgumentsNeverCrash)
{
    std::string file = path("[S]\nk=v\n");
    char buffer[16];
    EXPECT_EQ(ZOMINI_IniReadString(nullptr, "k", "d", buffer, sizeof buffer, file.c_str()), 2);
    EXPECT_STREQ(buffer, "d");
    EXPECT_EQ(ZOMINI_IniReadString("S", nullptr, "d", buffer, sizeof buffer, file.c_str()), 2);
    EXPECT_EQ(ZOMINI_IniReadString("S", "k", nullptr, buffer, sizeof buffer, file.c_str()), 2);
    EXPECT_EQ(ZOMINI_IniReadString("S", "missing", nullptr, buffer, sizeof buffer, file.c_str()), 1);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(ZOMINI_IniReadString("S", "k", "d", buffer, sizeof buffer, nullptr), 2);
    EXPECT_EQ(ZOMINI_IniReadString("S", "k", "d", buffer, sizeof buffer, ""), 2);
    EXPECT_EQ(ZOMINI_IniReadInt(nullptr, "k", 9, file.c_str()), 9);
    EXPECT_EQ(ZOMINI_IniReadInt("S", nullptr, 9, file.c_str()), 9);
    EXPECT_EQ(ZOMINI_IniReadInt("S", "k", 9, nullptr), 9);
    EXPECT_EQ(ZOMINI_IniEnumSections(buffer, sizeof buffer, nullptr), 0);
    EXPECT_EQ(ZOMINI_IniWriteString(nullptr, "k", "v", file.c_str()), -1);
    EXPECT_EQ(ZOMINI_IniWriteString("S", nullptr, "v", file.c_str()), -1);
    EXPECT_EQ(ZOMINI_IniWriteString("S", "k", nullptr, file.c_str()), -1);
    EXPECT_EQ(ZOMINI_IniWriteString("S", "k", "v", nullptr), -1);
    EXPECT_EQ(ZOMINI_IniWriteInt(nullptr, "k", 1, file.c_str()), -1);
    EXPECT_EQ(ZOMINI_IniWriteInt("S", "k", 1, ""), -1);
}

}  // namespace
