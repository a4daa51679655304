// netrov-cli's search inputs against simulated printers: several communities, host names, the hint, Ctrl-C in a sweep.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <set>

#include <nlohmann/json.hpp>

#include "exit_codes.h"
#include "run_program.h"
#include "temp_dir.h"
#include "walk_agents.h"

namespace netrov::test {
namespace {

const std::string kCli = std::string(NETROV_OUTPUT_DIR) + "/netrov-cli";

std::set<std::string> addressesIn(const std::string& searchJson)
{
    std::set<std::string> found;
    const nlohmann::json search = nlohmann::json::parse(searchJson);
    for (const auto& device : search.at("devices")) found.insert(device.at("ipAddress").get<std::string>());
    return found;
}

// Two printers that answer different communities, and one printer for the
// sweep that Ctrl-C interrupts.
class SearchInputs : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        tarpon_ = std::make_unique<WalkAgents>("tarpon");
        site_ = std::make_unique<WalkAgents>("site7");
        if (!tarpon_->serve("mono_laser", {"127.0.57.1", "127.0.58.1", "127.0.58.2"}))
            whyNot_ = tarpon_->whyNot();
        else if (!site_->serve("colour_laser", {"127.0.57.2"}))
            whyNot_ = site_->whyNot();
    }
    static void TearDownTestSuite()
    {
        tarpon_.reset();
        site_.reset();
    }
    void SetUp() override
    {
        if (!whyNot_.empty()) GTEST_SKIP() << whyNot_;
    }
    static inline std::unique_ptr<WalkAgents> tarpon_;
    static inline std::unique_ptr<WalkAgents> site_;
    static inline std::string whyNot_;
};

TEST_F(SearchInputs, TwoPrintersWithDifferentCommunitiesAreFoundInOneSearch)
{
    const std::vector<std::string> both = {"--community", "tarpon", "--community", "site7"};
    std::vector<std::string> byAddress = {kCli, "search", "--no-broadcast", "--address", "127.0.57.1", "--address",
                                          "127.0.57.2", "--timeout", "1", "--json"};
    byAddress.insert(byAddress.end(), both.begin(), both.end());
    const ProgramResult listed = runProgram(byAddress);
    ASSERT_EQ(listed.status, 0) << listed.err;
    EXPECT_EQ(addressesIn(listed.out), (std::set<std::string>{"127.0.57.1", "127.0.57.2"})) << listed.out;

    // The sweep asks every community too.
    std::vector<std::string> swept = {kCli, "search", "--no-broadcast", "--range", "127.0.57.0/24", "--rate", "20000",
                                      "--timeout", "1", "--json"};
    swept.insert(swept.end(), both.begin(), both.end());
    const ProgramResult sweep = runProgram(swept);
    ASSERT_EQ(sweep.status, 0) << sweep.err;
    EXPECT_EQ(nlohmann::json::parse(sweep.out), nlohmann::json::parse(listed.out));

    // One community finds only its printer (without the SNMPv3 probe, which
    // would list the other as needing credentials).
    const ProgramResult one = runProgram({kCli, "search", "--no-broadcast", "--address", "127.0.57.1", "--address",
                                          "127.0.57.2", "--timeout", "1", "--json", "--community", "site7",
                                          "--no-v3-probe"});
    ASSERT_EQ(one.status, 0) << one.err;
    EXPECT_EQ(addressesIn(one.out), std::set<std::string>{"127.0.57.2"});
}

TEST_F(SearchInputs, ADeviceCommandReadsWithTheCommunityThatAnswers)
{
    const ProgramResult model = runProgram(
        {kCli, "model", "127.0.57.2", "--community", "tarpon", "--community", "site7", "--timeout", "1"});
    ASSERT_EQ(model.status, 0) << model.err;
    EXPECT_EQ(model.out, "Tarnwell CL-560 Color\n");
    const ProgramResult v2c = runProgram({kCli, "model", "127.0.57.1", "--snmp-version", "2c", "--timeout", "1"});
    EXPECT_EQ(v2c.status, 0) << v2c.err;  // the simulator answers either version
}

TEST_F(SearchInputs, NothingAnsweringGivesAHintNamingTheCommunitiesTried)
{
    const ProgramResult r = runProgram({kCli, "search", "--no-broadcast", "--address", "127.0.57.1", "--timeout", "1",
                                        "--community", "wrong", "--community", "other"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("no devices found"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("communities \"wrong\", \"other\""), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("--snmp-version"), std::string::npos) << r.err;

    const ProgramResult found = runProgram({kCli, "search", "--no-broadcast", "--address", "127.0.57.1", "--timeout", "1"});
    ASSERT_EQ(found.status, 0) << found.err;
    EXPECT_EQ(found.err.find("no device answered"), std::string::npos) << found.err;
}

TEST_F(SearchInputs, EveryDeviceCommandTakesTheShortCommunityAndTimeOut)
{
    for (const char* command : {"model", "info", "status", "toner", "supplies", "trays", "counters", "check"}) {
        SCOPED_TRACE(command);
        const ProgramResult r = runProgram({kCli, command, "127.0.57.2", "-C", "wrong", "-C", "site7", "-t", "1"});
        EXPECT_LT(r.status, 2) << r.out << r.err;  // a check may warn
        EXPECT_EQ(r.err.find("not expected"), std::string::npos) << r.err;
    }
}

TEST_F(SearchInputs, MakerMatchesInAnyCase)
{
    struct Case {
        const char* maker;
        std::set<std::string> found;
    };
    const Case cases[] = {
        {"Tarnwell", {"127.0.57.1", "127.0.57.2"}},
        {"tarnwell cl", {"127.0.57.2"}},
        {"ML-2", {"127.0.57.1"}},
        {"Veltrano", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.maker);
        const ProgramResult r = runProgram({kCli, "search", "--no-broadcast", "--address", "127.0.57.1", "--address",
                                            "127.0.57.2", "-C", "tarpon", "-C", "site7", "-t", "1", "--json", "--maker", c.maker});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(addressesIn(r.out), c.found) << r.out;
    }
}

TEST_F(SearchInputs, CtrlCDuringASweepListsWhatAnsweredSoFar)
{
    // 766 addresses at 40 a second take 19 seconds; the two printers are
    // the first addresses asked, and the interrupt comes once both answered.
    // One Ctrl-C may arrive twice at once (`timeout` and shells signal the
    // program and then its process group): that is still the first one.
    for (const int signals : {1, 2}) {
        SCOPED_TRACE(std::to_string(signals) + " signals");
        const auto start = std::chrono::steady_clock::now();
        const ProgramResult r =
            interruptWhen({kCli, "search", "--no-broadcast", "--range", "127.0.58.1-127.0.60.254", "--rate", "40",
                           "--timeout", "2", "--progress", "--json"},
                          [](const std::string& err) { return err.find(" 2 answered") != std::string::npos; }, 60, signals);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(15));
        ASSERT_EQ(r.status, cli::kExitInterrupted) << r.err.substr(0, 2000);
        EXPECT_NE(r.err.find("listing what was found so far"), std::string::npos) << r.err;
        EXPECT_EQ(addressesIn(r.out), (std::set<std::string>{"127.0.58.1", "127.0.58.2"})) << r.out;
    }
}

TEST_F(SearchInputs, EveryPathOptionTakesARelativePathFromTheCurrentDirectory)
{
    // The rows run in order from one folder: the later ones read the store
    // the watch row wrote there.
    struct Case {
        std::vector<std::string> args;
        const char* written;  // the file the row writes, relative; "" for none
        const char* shown;    // text in the output or the file written
        const char* notShown;
    };
    const Case cases[] = {
        {{"search", "--no-broadcast", "--targets", "targets.txt", "--timeout", "1", "--json"}, "", "127.0.57.1", "cannot read"},
        {{"report", "--targets", "targets.txt", "--timeout", "1"}, "", "127.0.57.1", "cannot read"},
        {{"watch", "--targets", "targets.txt", "--rounds", "1", "--timeout", "1", "--store", "fleet.db"}, "fleet.db", "", ""},
        {{"fleet", "--store", "fleet.db", "--json"}, "", "127.0.57.1", ""},
        {{"history", "127.0.57.1", "--store", "fleet.db"}, "", "", "no such"},
        {{"report", "--range", "127.0.57.1-127.0.57.1", "--timeout", "1", "--store", "fleet.db", "--output", "fleet.csv"},
         "fleet.csv", "127.0.57.1", "stay empty"},
        {{"check", "127.0.57.1", "-t", "1", "--store", "fleet.db", "--days-warning", "1"}, "", "NETROV", "store not read"},
    };
    TempDir dir;
    writeFile(dir.file("targets.txt"), "127.0.57.1\n");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.front());
        std::vector<std::string> argv{kCli};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        const ProgramResult r = runProgramIn(dir.path().string(), argv);
        EXPECT_EQ(r.status, 0) << r.out << r.err;
        std::string seen = r.out + r.err;
        if (*c.written) {
            EXPECT_TRUE(std::filesystem::is_regular_file(dir.path() / c.written));
            if (std::string(c.written).ends_with(".csv")) seen += readFile(dir.file(c.written));
        }
        EXPECT_NE(seen.find(c.shown), std::string::npos) << seen;
        if (*c.notShown) {
            EXPECT_EQ(seen.find(c.notShown), std::string::npos) << seen;
        }
    }
}

TEST(SearchInputNames, HostNamesAreTakenAndAnUnknownNameIsBadInput)
{
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"search", "--no-broadcast", "--address", "printer.invalid"},
          std::vector<std::string>{"status", "printer.invalid"}, std::vector<std::string>{"toner", "printer.invalid"}}) {
        std::vector<std::string> argv = {kCli};
        argv.insert(argv.end(), command.begin(), command.end());
        const ProgramResult r = runProgram(argv);
        EXPECT_EQ(r.status, cli::kExitBadInput) << command[0] << ": " << r.err;
        EXPECT_NE(r.err.find("cannot resolve host name 'printer.invalid'"), std::string::npos) << r.err;
    }
    const ProgramResult check = runProgram({kCli, "check", "printer.invalid"});
    EXPECT_EQ(check.status, 3) << check.out;  // the monitoring check says UNKNOWN
    // localhost resolves; nothing need answer there for the search to run.
    const ProgramResult local =
        runProgram({kCli, "search", "--no-broadcast", "--address", "localhost", "--timeout", "1", "--json"});
    EXPECT_EQ(local.status, 0) << local.err;
}

TEST(SearchInputNames, ConflictingOptionsAreRefused)
{
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"report", "--range", "127.0.57.0/30", "--csv", "--json"},
          std::vector<std::string>{"search", "--no-broadcast", "--address", "127.0.57.1", "--progress", "--no-progress"},
          std::vector<std::string>{"status", "127.0.57.1", "--snmp-version", "3"},
          std::vector<std::string>{"status", "127.0.57.1", "--community", ""}}) {
        std::vector<std::string> argv = {kCli};
        argv.insert(argv.end(), command.begin(), command.end());
        const ProgramResult r = runProgram(argv);
        EXPECT_EQ(r.status, cli::kExitBadInput) << command.back() << ": " << r.err;
        EXPECT_EQ(r.out, "");
    }
}

TEST(SearchInputNames, Ipv6TargetsPastTheirLimitsAreBadInputNamingTheLimit)
{
    TempDir dir;
    writeFile(dir.file("targets"), "2001:db8::1\n2001:db8::/100\n");
    const struct {
        std::vector<std::string> command;
        const char* mention;
    } cases[] = {
        {{"report", "--range", "2001:db8::/64"}, "larger than a /112 (65,536 addresses)"},
        {{"search", "--no-broadcast", "--range", "2001:db8::1-2001:db8::1:1"}, "at most 65536 addresses"},
        {{"watch", "--range", "2001:db8::/129", "--rounds", "1"}, "an IPv6 prefix is at most 128"},
        {{"report", "--targets", dir.file("targets")}, ":2: IPv6 block 2001:db8::/100 is larger than a /112"},
        {{"search", "--no-broadcast", "--address", "2001:db8::1", "--range", "2001:db8::5-192.0.2.1"},
         "not an IPv6 address, range or block"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> argv = {kCli};
        argv.insert(argv.end(), c.command.begin(), c.command.end());
        const ProgramResult r = runProgram(argv);
        EXPECT_EQ(r.status, cli::kExitBadInput) << c.command[2] << ": " << r.err;
        EXPECT_NE(r.err.find(c.mention), std::string::npos) << r.err;
    }
}

}  // namespace
}  // namespace netrov::test
