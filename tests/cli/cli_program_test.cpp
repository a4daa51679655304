// netrov-cli's handling of bad input: one line on stderr, exit status 2, nothing sent.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <filesystem>

#include "installation.h"
#include "run_program.h"
#include "temp_dir.h"

namespace netrov::test {
namespace {

const std::string kCli = std::string(NETROV_OUTPUT_DIR) + "/netrov-cli";

void expectBadInput(const std::vector<std::string>& args, const std::string& mention)
{
    std::vector<std::string> argv{kCli};
    argv.insert(argv.end(), args.begin(), args.end());
    const ProgramResult r = runProgram(argv);
    std::string shown;
    for (const auto& a : args) shown += a + " ";
    EXPECT_EQ(r.status, 2) << shown << "\n" << r.err;
    EXPECT_EQ(lineCount(r.err), 1u) << shown << "\n" << r.err;
    EXPECT_EQ(r.err.rfind("netrov-cli: ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find(mention), std::string::npos) << shown << "\n" << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;
}

TEST(CliBadInput, MalformedAddresses)
{
    expectBadInput({"search", "--no-broadcast", "--address", "127.0.0"}, "127.0.0");
    expectBadInput({"search", "--no-broadcast", "--address", "127.0.0.256"}, "127.0.0.256");
    expectBadInput({"search", "--no-broadcast", "--range", "127.0.0.1"}, "127.0.0.1");
    expectBadInput({"search", "--no-broadcast", "--range", "127.0.0.1-127.0.0.x"}, "127.0.0.x");
    expectBadInput({"info", "printer.example"}, "printer.example");
    expectBadInput({"status", "1.2.3.4.5"}, "1.2.3.4.5");
    expectBadInput({"model", "-1.2.3.4"}, "");
}

TEST(CliBadInput, SweepTargetsAndRate)
{
    // Ranges and blocks of any size up to a /8 are searched; these are not.
    expectBadInput({"search", "--no-broadcast", "--range", "127.0.0.9-127.0.0.1"}, "reversed");
    expectBadInput({"search", "--no-broadcast", "--range", "127.0.0.0/7"}, "larger than a /8");
    expectBadInput({"search", "--no-broadcast", "--range", "127.0.0.0-128.0.0.0"}, "larger than a /8");
    expectBadInput({"search", "--no-broadcast", "--range", "127.0.0.0/33"}, "at most 32");
    expectBadInput({"search", "--no-broadcast", "--range", "127.0.0.0/16", "--rate", "0"}, "1 to 1000000");
    expectBadInput({"search", "--no-broadcast", "--range", "127.0.0.0/16", "--rate", "1000001"}, "1 to 1000000");
    expectBadInput({"search", "--no-broadcast", "--targets", "/nonexistent/targets.txt"}, "/nonexistent/targets.txt");

    TempDir dir;
    const std::string file = dir.file("targets.txt");
    writeFile(file, "# printers\n127.0.0.1\n127.0.0.300\n\n127.0.1.0/24\n127.0.2.9-127.0.2.1\n");
    const ProgramResult r = runProgram({kCli, "search", "--no-broadcast", "--targets", file});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("targets.txt:3: "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("targets.txt:6: "), std::string::npos) << r.err;
    EXPECT_EQ(lineCount(r.err), 2u) << r.err;
    EXPECT_TRUE(r.out.empty());
}

TEST(CliBadInput, ATargetsFilePastTheLimitIsRefusedAtOnce)
{
    // 5,000 blocks of a /8 each: the first fills the limit, the rest are
    // refused without being expanded.
    TempDir dir;
    const std::string file = dir.file("targets.txt");
    std::string lines;
    for (int i = 0; i < 5000; ++i) lines += "10.0.0.0/8\n";
    writeFile(file, lines);
    const auto started = std::chrono::steady_clock::now();
    const ProgramResult r = runProgram({kCli, "search", "--no-broadcast", "--targets", file}, 30);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_NE(r.err.find("targets.txt:2: the targets add up to more than a /8"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("(4979 more bad lines)"), std::string::npos) << r.err;
    // Expanding the blocks would take minutes; refusing them takes about a
    // second, and a few under a sanitizer on a busy machine.
    EXPECT_LT(seconds, 6.0);
    EXPECT_TRUE(r.out.empty());
}

TEST(CliBadInput, TimeOutOutside1To60)
{
    expectBadInput({"search", "--no-broadcast", "--address", "127.0.0.1", "--timeout", "0"}, "1 to 60");
    expectBadInput({"search", "--no-broadcast", "--address", "127.0.0.1", "--timeout", "61"}, "1 to 60");
    expectBadInput({"info", "127.0.0.1", "--timeout", "-5"}, "");
    expectBadInput({"status", "127.0.0.1", "--timeout", "abc"}, "timeout");
}

TEST(CliBadInput, UsageMistakes)
{
    expectBadInput({}, "subcommand");
    expectBadInput({"serach", "--no-broadcast"}, "unknown command \"serach\" (commands: search,");
    expectBadInput({"info", "127.0.0.1", "extra"}, "extra");
    // Nothing to search is a mistake, not an empty result.
    expectBadInput({"search", "--no-broadcast"}, "--no-broadcast needs --address or --range");
    expectBadInput({"search", "--no-broadcast", "--json"}, "--no-broadcast needs --address or --range");
    expectBadInput({"search", "--no-broadcast", "--bogus"}, "bogus");
    expectBadInput({"info"}, "ADDRESS");
    expectBadInput({"search", "--no-broadcast", "--retry", "-1"}, "retry");
    expectBadInput({"search", "--no-broadcast", "--community", std::string(200, 'c')}, "community");
}

TEST(CliProgram, VersionNamesTheProgramAndExitsZero)
{
    const ProgramResult r = runProgram({kCli, "--version"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("netrov-cli ", 0), 0u) << r.out;
    EXPECT_NE(r.out.find('.'), std::string::npos) << r.out;
}

TEST(CliBadInput, UnreadableInstallation)
{
    // The program and its libraries without any support package beside them.
    TempDir dir;
    namespace fs = std::filesystem;
    strippedInstallation(dir.path());
    const ProgramResult r = runProgram({(dir.path() / "netrov-cli").string(), "search", "--no-broadcast", "--address", "127.0.0.1"});
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_EQ(lineCount(r.err), 1u) << r.err;
    EXPECT_NE(r.err.find("installation"), std::string::npos) << r.err;
    const ProgramResult info = runProgram({(dir.path() / "netrov-cli").string(), "info", "127.0.0.1"});
    EXPECT_EQ(info.status, 2) << info.err;

    // A FIFO in place of support.ini or NetRov.ini is no file to wait on.
    fs::create_directory(dir.path() / "fifo");
    ASSERT_EQ(::mkfifo((dir.path() / "fifo" / "support.ini").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo((dir.path() / "NetRov.ini").c_str(), 0600), 0);
    const ProgramResult fifo = runProgram({(dir.path() / "netrov-cli").string(), "model", "127.0.0.1"}, 5);
    EXPECT_EQ(fifo.status, 2) << fifo.err;
    EXPECT_NE(fifo.err.find("installation"), std::string::npos) << fifo.err;
    const ProgramResult endApp = runProgram({(dir.path() / "netrov-cli").string(), "end-app"}, 5);
    EXPECT_GE(endApp.status, 0) << endApp.err;  // it ends, whatever it reports
}

TEST(CliHelp, HelpIsNotAnError)
{
    const ProgramResult r = runProgram({kCli, "search", "--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("--no-broadcast"), std::string::npos);
}

}  // namespace
}  // namespace netrov::test
