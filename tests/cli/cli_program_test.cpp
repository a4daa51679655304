// netrov-cli's handling of bad input: one line on stderr, exit status 2, nothing sent.
#include <gtest/gtest.h>

#include <filesystem>

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

TEST(CliBadInput, RangeOver255Addresses)
{
    expectBadInput({"search", "--no-broadcast", "--range", "127.0.0.1-127.0.1.1"}, "over 255");
    expectBadInput({"search", "--no-broadcast", "--range", "127.0.0.9-127.0.0.1"}, "over 255");
    expectBadInput({"search", "--no-broadcast", "--range", "127.0.1.1-127.0.1.200", "--range", "127.0.2.1-127.0.2.56"},
                   "over 255");
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
    for (const auto& entry : fs::directory_iterator(NETROV_OUTPUT_DIR)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_regular_file() && (name == "netrov-cli" || name.find(".so") != std::string::npos))
            fs::copy_file(entry.path(), dir.path() / name);
    }
    const ProgramResult r = runProgram({(dir.path() / "netrov-cli").string(), "search", "--no-broadcast", "--address", "127.0.0.1"});
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_EQ(lineCount(r.err), 1u) << r.err;
    EXPECT_NE(r.err.find("installation"), std::string::npos) << r.err;
    const ProgramResult info = runProgram({(dir.path() / "netrov-cli").string(), "info", "127.0.0.1"});
    EXPECT_EQ(info.status, 2) << info.err;
}

TEST(CliHelp, HelpIsNotAnError)
{
    const ProgramResult r = runProgram({kCli, "search", "--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("--no-broadcast"), std::string::npos);
}

}  // namespace
}  // namespace netrov::test
