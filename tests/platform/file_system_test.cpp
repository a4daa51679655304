// Directory listing, readability tests, path helpers and the current directory.
#include "platform/file_system.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#  include <sys/stat.h>
#  include <unistd.h>
#endif

#include <algorithm>
#include <filesystem>
#include <map>

namespace netrov::platform {
namespace {

namespace fs = std::filesystem;
using netrov::test::TempDir;
using netrov::test::writeFile;

TEST(ListDirectory, ListsEntriesWithKindsAndWithoutDotEntries)
{
    TempDir temp;
    fs::create_directories(temp.path() / "pkg");
    fs::create_directories(temp.path() / "other");
    writeFile(temp.file("file.txt"), "x");
    std::map<std::string, bool> expected {{"pkg", true}, {"other", true}, {"file.txt", false}};
#ifndef _WIN32
    // Links count as what they point to.
    fs::create_directory_symlink(temp.path() / "pkg", temp.path() / "pkglink");
    fs::create_symlink(temp.path() / "file.txt", temp.path() / "filelink");
    expected.insert({{"pkglink", true}, {"filelink", false}});
#endif

    std::map<std::string, bool> seen;
    for (const DirectoryEntry& entry : listDirectory(temp.path().string())) {
        EXPECT_TRUE(seen.emplace(entry.name, entry.isDirectory).second) << entry.name;
    }
    EXPECT_EQ(seen, expected);
}

TEST(ListDirectory, KeepsTheFileSystemOrderAndFailsQuietly)
{
    TempDir temp;
    for (const char* name : {"b", "a", "c", "z", "m"}) fs::create_directories(temp.path() / name);
    std::vector<std::string> first, second;
    for (const auto& entry : listDirectory(temp.path().string())) first.push_back(entry.name);
    for (const auto& entry : listDirectory(temp.path().string())) second.push_back(entry.name);
    EXPECT_EQ(first, second);
    EXPECT_EQ(first.size(), 5u);

    EXPECT_TRUE(listDirectory(temp.file("missing")).empty());
    writeFile(temp.file("plain"), "x");
    EXPECT_TRUE(listDirectory(temp.file("plain")).empty());
}

TEST(FileTests, ReadableFileExcludesDirectoriesAndMissingFiles)
{
    TempDir temp;
    writeFile(temp.file("support.ini"), "[CONFIG]\n");
    fs::create_directories(temp.path() / "dir");
    EXPECT_TRUE(isReadableFile(temp.file("support.ini")));
    EXPECT_TRUE(isRegularFile(temp.file("support.ini")));
    EXPECT_FALSE(isReadableFile(temp.file("dir")));
    EXPECT_FALSE(isRegularFile(temp.file("dir")));
    EXPECT_FALSE(isReadableFile(temp.file("missing")));
    EXPECT_FALSE(isRegularFile(temp.file("missing")));
#ifndef _WIN32
    if (geteuid() != 0) {  // root reads everything
        chmod(temp.file("support.ini").c_str(), 0);
        EXPECT_FALSE(isReadableFile(temp.file("support.ini")));
    }
#endif
}

TEST(Paths, JoinAndCutAtTheLastSeparator)
{
    EXPECT_EQ(joinPath("/a/b/", "c"), "/a/b/c");
    EXPECT_EQ(joinPath("", "c"), "c");
    EXPECT_EQ(directoryOf("/a/b/libtuva.so"), "/a/b");
    EXPECT_EQ(directoryOf("/libtuva.so"), "/");
    EXPECT_EQ(directoryOf("libtuva.so"), "");
    // A relative name is taken from the folder given; an absolute one, or no folder, leaves it.
    EXPECT_EQ(resolvePath("/opt/netrov", "other/support.ini"), joinPath("/opt/netrov", "other/support.ini"));
    EXPECT_EQ(resolvePath("/opt/netrov", "/etc/x.ini"), "/etc/x.ini");
    EXPECT_EQ(resolvePath("", "x.ini"), "x.ini");
    EXPECT_EQ(resolvePath("/opt/netrov", ""), "");
#ifdef _WIN32
    // Both separators, the drive's root, and joining with the system's own.
    EXPECT_EQ(joinPath("C:\\a", "c"), "C:\\a\\c");
    EXPECT_EQ(joinPath("C:\\a\\", "c"), "C:\\a\\c");
    EXPECT_EQ(directoryOf("C:\\a\\b/tuva.dll"), "C:\\a\\b");
    EXPECT_EQ(directoryOf("C:\\a/b\\tuva.dll"), "C:\\a/b");
    EXPECT_EQ(directoryOf("C:\\tuva.dll"), "C:\\");
#else
    EXPECT_EQ(joinPath("/a/b", "c"), "/a/b/c");
    EXPECT_EQ(directoryOf("C:\\a\\tuva.dll"), "");  // a plain name here
#endif
}

TEST(CurrentDirectory, IsTheProcesssOwn)
{
    TempDir temp;
    const fs::path saved = fs::current_path();
    fs::current_path(temp.path());
    EXPECT_EQ(fs::canonical(currentDirectory()), fs::canonical(temp.path()));
    fs::current_path(saved);
}

}  // namespace
}  // namespace netrov::platform
