// Files that are not settings files at all: binary junk, NUL bytes, directories.
#include <gtest/gtest.h>
#include <netrov/zomini.h>

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <string>

#include "platform/regular_file.h"
#include "temp_dir.h"

using netrov::test::readFile;
using netrov::test::TempDir;
using netrov::test::writeFile;

namespace {

TEST(IniGarbage, ReadingStopsAtTheFirstNul)
{
    TempDir dir;
    std::string file = dir.file("nul.ini");
    writeFile(file, std::string("[S]\na=1\nb=2\0\nc=3\n[T]\nd=4\n", 26));
    char buffer[16];
    EXPECT_EQ(ZOMINI_IniReadString("S", "b", "-", buffer, sizeof buffer, file.c_str()), 2);
    EXPECT_STREQ(buffer, "2");
    EXPECT_EQ(ZOMINI_IniReadInt("S", "c", -1, file.c_str()), -1);
    EXPECT_EQ(ZOMINI_IniReadInt("T", "d", -1, file.c_str()), -1);
    EXPECT_EQ(ZOMINI_IniEnumSections(buffer, sizeof buffer, file.c_str()), 2);
}

TEST(IniGarbage, RandomBinaryJunkIsReadAndRewrittenSafely)
{
    TempDir dir;
    std::string file = dir.file("junk.ini");
    std::mt19937 random(1234);
    for (int round = 0; round < 50; ++round) {
        std::string junk(1 + random() % 3000, '\0');
        for (char& c : junk) c = static_cast<char>(random() % 256);
        if (round % 2 == 0) {
            for (char& c : junk) {
                if (c == '\0') c = '[';
            }
        }
        writeFile(file, junk);
        char buffer[64];
        ZOMINI_IniReadString("S", "k", "d", buffer, sizeof buffer, file.c_str());
        ZOMINI_IniReadInt("S", "k", 0, file.c_str());
        int32_t total = ZOMINI_IniEnumSections(buffer, sizeof buffer, file.c_str());
        EXPECT_GE(total, 0);
        ASSERT_EQ(ZOMINI_IniWriteString("Added", "key", "value", file.c_str()), 0);
        EXPECT_EQ(ZOMINI_IniReadString("Added", "key", "", buffer, sizeof buffer, file.c_str()), 6);
        EXPECT_STREQ(buffer, "value");
        // A rewrite of the rewritten file changes nothing more.
        std::string once = readFile(file);
        ASSERT_EQ(ZOMINI_IniWriteString("Added", "key", "value", file.c_str()), 0);
        EXPECT_EQ(readFile(file), once);
    }
}

TEST(IniGarbage, DirectoryAsPathGivesDefaults)
{
    TempDir dir;
    std::string path = dir.path().string();
    char buffer[16];
    EXPECT_EQ(ZOMINI_IniReadString("S", "k", "dflt", buffer, sizeof buffer, path.c_str()), 5);
    EXPECT_STREQ(buffer, "dflt");
    EXPECT_EQ(ZOMINI_IniReadInt("S", "k", 3, path.c_str()), 3);
    EXPECT_EQ(ZOMINI_IniEnumSections(buffer, sizeof buffer, path.c_str()), 0);
    EXPECT_EQ(ZOMINI_IniWriteString("S", "k", "v", path.c_str()), -1);
    EXPECT_TRUE(std::filesystem::is_directory(path));
}

TEST(IniGarbage, FifosDevicesAndHugeFilesGiveDefaultsAtOnce)
{
    TempDir dir;
    const std::string fifo = dir.file("support.ini");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string huge = dir.file("huge.ini");
    writeFile(huge, "[S]\nk=1\n" + std::string(netrov::platform::kMaxFileSize, ';'));
    const auto start = std::chrono::steady_clock::now();
    for (const std::string& path : {fifo, std::string("/dev/zero"), huge}) {
        char buffer[16];
        EXPECT_EQ(ZOMINI_IniReadString("S", "k", "dflt", buffer, sizeof buffer, path.c_str()), 5) << path;
        EXPECT_EQ(ZOMINI_IniReadInt("S", "k", 3, path.c_str()), 3) << path;
    }
    // Rewriting a file that could not be read would lose it.
    EXPECT_EQ(ZOMINI_IniWriteString("S", "k", "2", huge.c_str()), -1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST(IniGarbage, VeryLongLinesAndNames)
{
    TempDir dir;
    std::string file = dir.file("long.ini");
    std::string name(100000, 'n');
    std::string value(200000, 'v');
    ASSERT_EQ(ZOMINI_IniWriteString(name.c_str(), "k", value.c_str(), file.c_str()), 0);
    char buffer[8];
    EXPECT_EQ(ZOMINI_IniReadString(name.c_str(), "k", "", buffer, sizeof buffer, file.c_str()), 200001);
    EXPECT_EQ(std::string(buffer), "vvvvvvv");
    EXPECT_EQ(ZOMINI_IniEnumSections(buffer, sizeof buffer, file.c_str()), 100001);
    EXPECT_EQ(buffer[0], 'v');  // nothing copied: the name does not fit
}

}  // namespace
