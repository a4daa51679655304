// Reads that special files cannot hold up, and replacements that links and rival writers cannot subvert
// (hard links, mode and read-only folders: tests/inifile/write_test.cpp).
#include "platform/profile_file.h"
#include "platform/regular_file.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#  include <sys/stat.h>
#endif

#include <chrono>
#include <filesystem>
#include <thread>

namespace netrov::platform {
namespace {

namespace fs = std::filesystem;
using netrov::test::readFile;
using netrov::test::TempDir;
using netrov::test::writeFile;
using Clock = std::chrono::steady_clock;

size_t entriesIn(const fs::path& dir)
{
    size_t n = 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
        (void)entry;
        ++n;
    }
    return n;
}

TEST(ReadRegularFile, SpecialFilesAreRefusedAtOnceAndSizeIsBounded)
{
    TempDir dir;
#ifdef _WIN32
    // Devices are what Windows has of special files.
    const std::string fifo = "NUL";
    const std::string endless = "CONIN$";
#else
    const std::string fifo = dir.file("NetRov.ini");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string endless = "/dev/zero";
#endif
    writeFile(dir.file("big.ini"), std::string(4096, 'x'));
    fs::create_directory(dir.file("folder"));

    struct Case {
        std::string path;
        size_t limit;
        ReadStatus status;
    };
    const Case cases[] = {
        {fifo, kMaxFileSize, ReadStatus::Unreadable},           // no writer: would block for ever
        {endless, kMaxFileSize, ReadStatus::Unreadable},
        {dir.file("folder"), kMaxFileSize, ReadStatus::Unreadable},
        {dir.file("big.ini"), 4095, ReadStatus::Unreadable},    // one byte over the limit
        {dir.file("big.ini"), 4096, ReadStatus::Read},
        {dir.file("missing.ini"), kMaxFileSize, ReadStatus::Missing},
        {"", kMaxFileSize, ReadStatus::Missing},
    };
    const auto start = Clock::now();
    for (const Case& c : cases) {
        const FileBytes file = readRegularFile(c.path, c.limit);
        EXPECT_EQ(file.status, c.status) << c.path;
        EXPECT_EQ(file.bytes.size(), c.status == ReadStatus::Read ? 4096u : 0u) << c.path;
    }
    // The profile reader answers from its fallback instead of waiting.
    EXPECT_EQ(getPrivateProfileString("Main", "Language", "none", fifo), "none");
    EXPECT_EQ(getPrivateProfileInt("Main", "Retry", 7, endless), 7);
    EXPECT_FALSE(writePrivateProfileString("Main", "Retry", "1", fifo));
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
}

#ifndef _WIN32
TEST(ReplaceFile, PlantedLinksAtTheOldTemporaryNameAreNeverFollowed)
{
    TempDir dir;
    const std::string victim = dir.file("victim");
    writeFile(victim, "precious");
    const std::string path = dir.file("MfpList.ini");
    for (const char* planted : {".tmp", ".~0", ".~00000000000000000"})
        fs::create_symlink(victim, path + planted);

    ASSERT_TRUE(writePrivateProfileString("Devices", "\"LX\"", "3,,192.0.2.1,\"\",\"tarpon\",", path));
    ASSERT_TRUE(replaceFile(path, "[Devices]\r\n"));
    EXPECT_EQ(readFile(victim), "precious");
    EXPECT_EQ(readFile(path), "[Devices]\r\n");
    EXPECT_EQ(entriesIn(dir.path()), 5u);  // victim, the file and the three links: nothing left over
}
#endif

TEST(ReplaceFile, TwoWritersNeverMixTheirFiles)
{
    TempDir dir;
    const std::string path = dir.file("shared.ini");
    const std::string a(256 * 1024, 'a');
    const std::string b(256 * 1024, 'b');
    bool okA = true, okB = true;
    std::thread first([&] {
        for (int i = 0; i < 50; ++i) okA = replaceFile(path, a) && okA;
    });
    std::thread second([&] {
        for (int i = 0; i < 50; ++i) okB = replaceFile(path, b) && okB;
    });
    first.join();
    second.join();
    EXPECT_TRUE(okA);
    EXPECT_TRUE(okB);
    const std::string result = readFile(path);
    EXPECT_TRUE(result == a || result == b);
    EXPECT_EQ(entriesIn(dir.path()), 1u);
}

}  // namespace
}  // namespace netrov::platform
