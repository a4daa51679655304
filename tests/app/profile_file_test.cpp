// Tests of the profile-file module: matching, trimming, quotes, line ends and section removal.
#include <gtest/gtest.h>

#include "platform/profile_file.h"
#include "temp_dir.h"

using netrov::platform::getPrivateProfileInt;
using netrov::platform::getPrivateProfileString;
using netrov::platform::writePrivateProfileString;
using netrov::test::readFile;
using netrov::test::TempDir;
using netrov::test::writeFile;

TEST(ProfileFileRead, MatchesIgnoringCaseAndTrimsBlanks)
{
    TempDir dir;
    const std::string path = dir.file("a.ini");
    writeFile(path, "; comment = not a key\r\n[ Main ]\r\n  Company =  Korrin Ltd  \r\nMutexName=NetRov\n");
    EXPECT_EQ(getPrivateProfileString("main", "COMPANY", "x", path), "Korrin Ltd");
    EXPECT_EQ(getPrivateProfileString("MAIN", "mutexname", "x", path), "NetRov");
    EXPECT_EQ(getPrivateProfileString("Main", "; comment", "none", path), "none");
    EXPECT_EQ(getPrivateProfileString("Main", "Missing", "dflt  ", path), "dflt");
    EXPECT_EQ(getPrivateProfileString("Other", "Company", "", path), "");
    EXPECT_EQ(getPrivateProfileString("Main", "Company", "", dir.file("absent.ini")), "");
    EXPECT_EQ(getPrivateProfileString("Main", "Company", "none", dir.path().string()), "none");
}

TEST(ProfileFileRead, MatchingQuotesAreRemovedAndBufferSizeCuts)
{
    TempDir dir;
    const std::string path = dir.file("a.ini");
    writeFile(path, "[S]\nA=\"quoted text\"\nB='single'\nC=\"unbalanced\nD=\"x\",\"y\"\nE=abcdef\n");
    EXPECT_EQ(getPrivateProfileString("S", "A", "", path), "quoted text");
    EXPECT_EQ(getPrivateProfileString("S", "B", "", path), "single");
    EXPECT_EQ(getPrivateProfileString("S", "C", "", path), "\"unbalanced");
    EXPECT_EQ(getPrivateProfileString("S", "D", "", path), "x\",\"y");
    EXPECT_EQ(getPrivateProfileString("S", "E", "", path, 4), "abc");
}

TEST(ProfileFileRead, FirstSectionAndFirstKeyWin)
{
    TempDir dir;
    const std::string path = dir.file("a.ini");
    writeFile(path, "[S]\nK=1\nK=2\n[T]\nK=3\n[s]\nK=4\nL=5\n");
    EXPECT_EQ(getPrivateProfileInt("S", "K", 0, path), 1);
    EXPECT_EQ(getPrivateProfileInt("T", "K", 0, path), 3);
    EXPECT_EQ(getPrivateProfileInt("S", "L", 9, path), 9);
}

TEST(ProfileFileRead, IntegersTakeTheLeadingNumber)
{
    TempDir dir;
    const std::string path = dir.file("a.ini");
    writeFile(path, "[S]\nA=12abc\nB=-3\nC=x\nD=0x1F\nE=\n");
    EXPECT_EQ(getPrivateProfileInt("S", "A", 7, path), 12);
    EXPECT_EQ(getPrivateProfileInt("S", "B", 7, path), -3);
    EXPECT_EQ(getPrivateProfileInt("S", "C", 7, path), 0);
    EXPECT_EQ(getPrivateProfileInt("S", "D", 7, path), 31);
    EXPECT_EQ(getPrivateProfileInt("S", "E", 7, path), 0);
    EXPECT_EQ(getPrivateProfileInt("S", "F", 7, path), 7);
}

TEST(ProfileFileWrite, CreatesReplacesAndAddsWithCrLf)
{
    TempDir dir;
    const std::string path = dir.file("out.ini");
    ASSERT_TRUE(writePrivateProfileString("Devices", "\"M1\"", "3,,1.2.3.4,\"x\",\"tarpon\",", path));
    EXPECT_EQ(readFile(path), "[Devices]\r\n\"M1\"=3,,1.2.3.4,\"x\",\"tarpon\",\r\n");
    ASSERT_TRUE(writePrivateProfileString("devices", "\"m1\"", "v2", path));
    ASSERT_TRUE(writePrivateProfileString("Devices", "K2", "v3", path));
    EXPECT_EQ(readFile(path), "[Devices]\r\n\"m1\"=v2\r\nK2=v3\r\n");
    EXPECT_EQ(getPrivateProfileString("Devices", "\"M1\"", "", path), "v2");
}

TEST(ProfileFileWrite, NewKeyGoesToTheEndOfItsSectionAndOtherLinesStay)
{
    TempDir dir;
    const std::string path = dir.file("out.ini");
    writeFile(path, "; keep me\n[A]\nx=1\n\n[B]\ny=2\n");
    ASSERT_TRUE(writePrivateProfileString("A", "z", "3", path));
    EXPECT_EQ(readFile(path), "; keep me\r\n[A]\r\nx=1\r\nz=3\r\n\r\n[B]\r\ny=2\r\n");
}

TEST(ProfileFileWrite, NoKeyRemovesTheSectionNoValueRemovesTheKey)
{
    TempDir dir;
    const std::string path = dir.file("out.ini");
    writeFile(path, "[Other]\na=1\n[Devices]\n\"M\"=1\n\"M(1)\"=2\n[Last]\nb=2\n");
    ASSERT_TRUE(writePrivateProfileString("DEVICES", std::nullopt, std::nullopt, path));
    EXPECT_EQ(readFile(path), "[Other]\r\na=1\r\n[Last]\r\nb=2\r\n");
    ASSERT_TRUE(writePrivateProfileString("Other", "A", std::nullopt, path));
    EXPECT_EQ(readFile(path), "[Other]\r\n[Last]\r\nb=2\r\n");
}

TEST(ProfileFileWrite, NamesWithBlanksAreFoundAgainWithoutADuplicateSection)
{
    TempDir dir;
    const std::string path = dir.file("out.ini");
    ASSERT_TRUE(writePrivateProfileString(" Devices ", " K ", "v", path));
    ASSERT_TRUE(writePrivateProfileString(" Devices ", " K ", "w", path));
    EXPECT_EQ(readFile(path), "[Devices]\r\nK=w\r\n");
    EXPECT_EQ(getPrivateProfileString(" Devices ", " K ", "", path), "w");
    EXPECT_EQ(getPrivateProfileString("\tdevices", "k\t", "", path), "w");
    ASSERT_TRUE(writePrivateProfileString(" Devices", "K ", std::nullopt, path));
    EXPECT_EQ(readFile(path), "[Devices]\r\n");
    ASSERT_TRUE(writePrivateProfileString("Devices ", std::nullopt, std::nullopt, path));
    EXPECT_EQ(readFile(path), "");
}

TEST(ProfileFileWrite, MissingFileAndUnwritableDirectory)
{
    TempDir dir;
    EXPECT_TRUE(writePrivateProfileString("Devices", std::nullopt, std::nullopt, dir.file("none.ini")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("none.ini")));
    EXPECT_FALSE(writePrivateProfileString("Devices", "k", "v", dir.file("no/such/dir.ini")));
}
