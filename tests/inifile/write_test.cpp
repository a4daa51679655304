// Writes through the exports: bytes on disk, where new lines go, what a rewrite loses.
#include <gtest/gtest.h>
#include <netrov/zomini.h>
#ifndef _WIN32
#  include <sys/stat.h>
#  include <sys/wait.h>
#  include <unistd.h>
#endif

#include <climits>
#include <filesystem>
#include <string>

#include "temp_dir.h"

using netrov::test::readFile;
using netrov::test::TempDir;
using netrov::test::writeFile;

namespace {

class IniWrite : public ::testing::Test {
protected:
    TempDir& dir() { return dir_; }

    TempDir dir_;
    std::string file_ = dir_.file("out.ini");
};

TEST_F(IniWrite, MissingFileIsCreatedWithCrCrLfLines)
{
    ASSERT_EQ(ZOMINI_IniWriteString("Main", "Key", "Value", file_.c_str()), 0);
    EXPECT_EQ(readFile(file_), "[Main]\r\r\nKey=Value\r\r\n");
    char buffer[32];
    EXPECT_EQ(ZOMINI_IniReadString("Main", "Key", "", buffer, sizeof buffer, file_.c_str()), 6);
    EXPECT_STREQ(buffer, "Value");
}

TEST_F(IniWrite, ExistingEntryLineIsReplacedWithoutItsBlanks)
{
    writeFile(file_, "[S]\r\n  k = old \r\nz=1\r\n");
    ASSERT_EQ(ZOMINI_IniWriteString("S", "  k", "new", file_.c_str()), 0);
    EXPECT_EQ(readFile(file_), "[S]\r\r\n  k=new\r\r\nz=1\r\r\n");
}

TEST_F(IniWrite, NewKeyGoesAfterTheLastLineOfTheFirstOccurrence)
{
    writeFile(file_, "[A]\na=1\n\n; closing comment\n[B]\nb=1\n[A]\nlate=1\n");
    ASSERT_EQ(ZOMINI_IniWriteString("A", "n", "2", file_.c_str()), 0);
    EXPECT_EQ(readFile(file_),
              "[A]\r\r\na=1\r\r\n\r\r\n; closing comment\r\r\nn=2\r\r\n[B]\r\r\nb=1\r\r\n[A]\r\r\nlate=1\r\r\n");
    // A key that only the second occurrence holds is replaced there.
    ASSERT_EQ(ZOMINI_IniWriteInt("A", "late", -5, file_.c_str()), 0);
    EXPECT_EQ(ZOMINI_IniReadInt("A", "late", 0, file_.c_str()), -5);
    EXPECT_NE(readFile(file_).find("[A]\r\r\nlate=-5\r\r\n"), std::string::npos);
}

TEST_F(IniWrite, NewKeyInLastSectionHoldingOnlyItsHeader)
{
    writeFile(file_, "[A]\r\na=1\r\n[Last]\r\n");
    ASSERT_EQ(ZOMINI_IniWriteString("Last", "k", "v", file_.c_str()), 0);
    EXPECT_EQ(readFile(file_), "[A]\r\r\na=1\r\r\n[Last]\r\r\nk=v\r\r\n");
}

TEST_F(IniWrite, NewSectionIsAppendedAndOtherLinesStayUnchanged)
{
    writeFile(file_, "; top comment\r\norphan=1\r\n[Header] ; lost after a write\r\nodd line\r\n");
    ASSERT_EQ(ZOMINI_IniWriteInt("New", "n", INT_MIN, file_.c_str()), 0);
    EXPECT_EQ(readFile(file_),
              "; top comment\r\r\norphan=1\r\r\n[Header]\r\r\nodd line\r\r\n[New]\r\r\nn=-2147483648\r\r\n");
    EXPECT_EQ(ZOMINI_IniReadInt("New", "n", 0, file_.c_str()), INT_MIN);
}

TEST_F(IniWrite, RewritingIsStableOverManyRounds)
{
    for (int i = 0; i < 5; ++i) ASSERT_EQ(ZOMINI_IniWriteInt("S", "n", i, file_.c_str()), 0);
    EXPECT_EQ(readFile(file_), "[S]\r\r\nn=4\r\r\n");
}

TEST_F(IniWrite, TextsThatWouldBreakTheLinesAreRefused)
{
    writeFile(file_, "[S]\r\nk=v\r\n");
    const std::string before = readFile(file_);
    EXPECT_EQ(ZOMINI_IniWriteString("S", "k", "two\nlines", file_.c_str()), -1);
    EXPECT_EQ(ZOMINI_IniWriteString("S", "k", "x\r[Evil]", file_.c_str()), -1);
    EXPECT_EQ(ZOMINI_IniWriteString("S\n", "k", "v", file_.c_str()), -1);
    EXPECT_EQ(ZOMINI_IniWriteString("S]x", "k", "v", file_.c_str()), -1);
    EXPECT_EQ(ZOMINI_IniWriteString("S", "a=b", "v", file_.c_str()), -1);
    EXPECT_EQ(ZOMINI_IniWriteString("S", ";k", "v", file_.c_str()), -1);
    EXPECT_EQ(ZOMINI_IniWriteString("S", "[k", "v", file_.c_str()), -1);
    EXPECT_EQ(readFile(file_), before);
    // A value may hold "=" and blanks; leading blanks are lost on reading.
    ASSERT_EQ(ZOMINI_IniWriteString("S", "k", "  a=b ", file_.c_str()), 0);
    char buffer[16];
    ZOMINI_IniReadString("S", "k", "", buffer, sizeof buffer, file_.c_str());
    EXPECT_STREQ(buffer, "a=b ");
}

TEST_F(IniWrite, FailedWritesLeaveEverythingAsItWas)
{
    std::string noDir = dir().file("absent/out.ini");
    EXPECT_EQ(ZOMINI_IniWriteString("S", "k", "v", noDir.c_str()), -1);
    EXPECT_FALSE(std::filesystem::exists(dir().file("absent")));

    std::string asDir = dir().file("dir.ini");
    std::filesystem::create_directory(asDir);
    EXPECT_EQ(ZOMINI_IniWriteString("S", "k", "v", asDir.c_str()), -1);
    EXPECT_TRUE(std::filesystem::is_directory(asDir));

#ifdef _WIN32
    EXPECT_EQ(ZOMINI_IniWriteString("S", "k", "v", "NUL"), -1);
    std::string fifo = dir().file("fifo.ini");
    writeFile(fifo, "");  // keeps the count below the same on both systems
#else
    std::string fifo = dir().file("fifo.ini");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(ZOMINI_IniWriteString("S", "k", "v", fifo.c_str()), -1);
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
#endif

    // No temporary file is left behind by any of these.
    size_t entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir().path())) {
        (void)entry;
        ++entries;
    }
    EXPECT_EQ(entries, 2u);
}

TEST_F(IniWrite, HardLinksStayOneFile)
{
    writeFile(file_, "[S]\nk=1\n");
    const std::string twin = dir().file("twin.ini");
    std::filesystem::create_hard_link(file_, twin);
    ASSERT_EQ(ZOMINI_IniWriteString("S", "k", "2", file_.c_str()), 0);
    EXPECT_EQ(ZOMINI_IniReadInt("S", "k", 0, twin.c_str()), 2);
#ifndef _WIN32  // the Windows C runtime's stat counts one link whatever there are
    EXPECT_EQ(std::filesystem::hard_link_count(file_), 2u);
#endif
}

#ifndef _WIN32
TEST_F(IniWrite, ModeAndSymbolicLinkSurviveARewrite)
{
    writeFile(file_, "[S]\nk=1\n");
    ASSERT_EQ(::chmod(file_.c_str(), 0640), 0);
    std::string link = dir().file("link.ini");
    std::filesystem::create_symlink(file_, link);
    ASSERT_EQ(ZOMINI_IniWriteString("S", "k", "2", link.c_str()), 0);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ZOMINI_IniReadInt("S", "k", 0, file_.c_str()), 2);
    struct stat info {};
    ASSERT_EQ(::stat(file_.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST_F(IniWrite, ReadOnlyFoldersAreWrittenInPlace)
{
    // Nobody may create files in the folder, but may write the file itself.
    writeFile(file_, "[S]\nk=2\n");
    ASSERT_EQ(::chmod(file_.c_str(), 0666), 0);
    ASSERT_EQ(::chmod(dir().path().c_str(), 0555), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(10);
        _exit(ZOMINI_IniWriteString("S", "k", "3", file_.c_str()) == 0 ? 0 : 11);
    }
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ::chmod(dir().path().c_str(), 0700);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ZOMINI_IniReadInt("S", "k", 0, file_.c_str()), 3);
    struct stat info {};
    ASSERT_EQ(::stat(file_.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0666u);
}
#endif

TEST_F(IniWrite, RelativePathsResolveAgainstTheCurrentDirectory)
{
    std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(dir().path());
    EXPECT_EQ(ZOMINI_IniWriteString("S", "k", "rel", "relative.ini"), 0);
    std::filesystem::current_path(previous);
    EXPECT_EQ(readFile(dir().file("relative.ini")), "[S]\r\r\nk=rel\r\r\n");
}

}  // namespace
