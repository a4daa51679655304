// netrov-cli with --profile against snmpd agents in a private network namespace: v1, v3 with a fitting profile, v3 without.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "run_program.h"
#include "temp_dir.h"
#include "v3_agents.h"

namespace netrov::test {
namespace {

const std::string kCli = std::string(NETROV_OUTPUT_DIR) + "/netrov-cli";
constexpr const char* kV1Address = "127.0.0.1";
constexpr const char* kFittingAddress = "127.0.0.2";
constexpr const char* kHardenedAddress = "127.0.0.3";

class V3Cli : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        skipReason_ = enterPrivateNamespace();
        if (!skipReason_.empty()) return;
        dir_ = std::make_unique<TempDir>();
        const std::string dir = dir_->path().string();
        const V3User monitor{"monitor", "SHA-256", randomPassphrase(), "AES", randomPassphrase()};
        const V3User keeper{"keeper", "SHA", randomPassphrase(), "AES", randomPassphrase()};
        V3User wrongAuth = monitor;
        wrongAuth.authPhrase = randomPassphrase();
        phrases_ = {monitor.authPhrase, monitor.privPhrase, keeper.authPhrase, keeper.privPhrase, wrongAuth.authPhrase};
        agents_.push_back(std::make_unique<V3Agent>(AgentSetup{kV1Address, {"tarpon"}, {}, "bench-v1"}, dir));
        agents_.push_back(std::make_unique<V3Agent>(AgentSetup{kFittingAddress, {}, {monitor}, "bench-fitting"}, dir));
        agents_.push_back(std::make_unique<V3Agent>(AgentSetup{kHardenedAddress, {}, {keeper}, "bench-hardened"}, dir));
        std::filesystem::create_directories(dir_->path() / "config" / "netrov");
        profiles_ = (dir_->path() / "config" / "netrov" / "profiles.ini").string();
        writeProfiles(profiles_, profileSection("office", monitor) + profileSection("wrongauth", wrongAuth));
        setenv("XDG_CONFIG_HOME", (dir_->path() / "config").c_str(), 1);
        // Up when the v1 agent answers a model read.
        for (int i = 0; i < 50; ++i) {
            if (run({"model", kV1Address, "--timeout", "1"}).status == 0) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        skipReason_ = "snmpd did not answer";
    }

    static void TearDownTestSuite()
    {
        agents_.clear();
        dir_.reset();
    }

    void SetUp() override
    {
        if (!skipReason_.empty()) GTEST_SKIP() << skipReason_;
    }

    // Every run's output is kept for the search for pass phrases.
    static ProgramResult run(std::vector<std::string> args)
    {
        args.insert(args.begin(), kCli);
        ProgramResult r = runProgram(args, 60);
        written_ += r.out + r.err;
        return r;
    }

    static inline std::string skipReason_;
    static inline std::unique_ptr<TempDir> dir_;
    static inline std::vector<std::unique_ptr<V3Agent>> agents_;
    static inline std::vector<std::string> phrases_;
    static inline std::string profiles_;
    static inline std::string written_;
};

TEST_F(V3Cli, ASearchListsV1AndV3PrintersAndTheOneThatNeedsCredentials)
{
    const ProgramResult r = run({"search", "--no-broadcast", "--address", kV1Address, "--address", kFittingAddress,
                                 "--address", kHardenedAddress, "--profile", "office", "--timeout", "1", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    const nlohmann::json search = nlohmann::json::parse(r.out);
    std::map<std::string, nlohmann::json> byAddress;
    for (const auto& device : search.at("devices")) byAddress[device.at("address").get<std::string>()] = device;
    ASSERT_EQ(byAddress.size(), 3u) << r.out;
    EXPECT_EQ(search.at("count"), 3);
    EXPECT_EQ(byAddress[kV1Address].at("name"), "bench-v1");
    EXPECT_FALSE(byAddress[kV1Address].contains("credentialsNeeded"));
    EXPECT_EQ(byAddress[kFittingAddress].at("name"), "bench-fitting");
    EXPECT_EQ(byAddress[kFittingAddress].at("profile"), "office");
    EXPECT_FALSE(byAddress[kV1Address].contains("profile"));
    EXPECT_FALSE(byAddress[kFittingAddress].contains("credentialsNeeded"));
    EXPECT_EQ(byAddress[kHardenedAddress].at("credentialsNeeded"), true);
    EXPECT_EQ(byAddress[kHardenedAddress].at("enterprise"), 8072);  // net-snmp's own number

    const ProgramResult text = run({"search", "--no-broadcast", "--address", kHardenedAddress, "--profile", "office",
                                    "--timeout", "1"});
    EXPECT_EQ(text.status, 0) << text.err;
    EXPECT_NE(text.out.find("SNMPv3: credentials needed"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find(kHardenedAddress), std::string::npos);

    // One exchange tells that the printer speaks only SNMPv3: no community
    // keeps it waiting a time-out (these three would take at least 6 s).
    const auto start = std::chrono::steady_clock::now();
    const ProgramResult fitting = run({"search", "--no-broadcast", "--address", kFittingAddress, "--community", "one",
                                       "--community", "two", "--community", "three", "--profile", "office",
                                       "--timeout", "2", "--json"});
    const auto took = std::chrono::steady_clock::now() - start;
    ASSERT_EQ(fitting.status, 0) << fitting.err;
    EXPECT_EQ(nlohmann::json::parse(fitting.out).at("devices").at(0).at("profile"), "office");
    EXPECT_LT(took, std::chrono::seconds(5));
}

// With no profile at all the probe still goes out, in the same exchange as
// the community; --no-v3-probe leaves it out.
TEST_F(V3Cli, APrinterThatSpeaksOnlyV3IsListedWithoutAProfileUnlessTheProbeIsOff)
{
    struct Case {
        std::vector<std::string> more;
        bool listed;
    };
    const Case cases[] = {{{}, true}, {{"--no-v3-probe"}, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.listed);
        std::vector<std::string> args{"search", "--no-broadcast", "--address", kV1Address, "--address",
                                      kHardenedAddress, "--timeout", "1", "--json"};
        args.insert(args.end(), c.more.begin(), c.more.end());
        const auto start = std::chrono::steady_clock::now();
        const ProgramResult r = run(args);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
        ASSERT_EQ(r.status, 0) << r.err;
        const nlohmann::json search = nlohmann::json::parse(r.out);
        std::map<std::string, nlohmann::json> byAddress;
        for (const auto& device : search.at("devices")) byAddress[device.at("address").get<std::string>()] = device;
        ASSERT_TRUE(byAddress.contains(kV1Address)) << r.out;
        EXPECT_EQ(byAddress[kV1Address].value("name", ""), "bench-v1");
        EXPECT_EQ(byAddress.contains(kHardenedAddress), c.listed) << r.out;
        if (c.listed) {
            EXPECT_EQ(byAddress[kHardenedAddress].value("enterprise", 0), 8072);
        }
    }
}

TEST_F(V3Cli, ASweptBlockReadsThePrinterThatSpeaksOnlyV3ByItsProfile)
{
    // A block goes through the paced sweep, which finds the v3-only agents by
    // its probe: the one the profile fits is read, the other needs credentials.
    const std::string targets = dir_->file("targets.txt");
    writeFile(targets, "127.0.0.0/29\n");
    const ProgramResult r = run({"search", "--no-broadcast", "--no-progress", "--targets", targets, "--profile",
                                 "office", "--timeout", "1", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    const nlohmann::json search = nlohmann::json::parse(r.out);
    EXPECT_EQ(search.at("count"), 3);
    std::map<std::string, nlohmann::json> byAddress;
    for (const auto& device : search.at("devices")) byAddress[device.at("address").get<std::string>()] = device;
    EXPECT_EQ(byAddress[kV1Address].value("name", ""), "bench-v1");
    EXPECT_FALSE(byAddress[kV1Address].contains("profile"));
    EXPECT_EQ(byAddress[kFittingAddress].value("name", ""), "bench-fitting");
    EXPECT_EQ(byAddress[kFittingAddress].value("profile", ""), "office");
    EXPECT_EQ(byAddress[kHardenedAddress].value("credentialsNeeded", false), true) << r.out;
    EXPECT_EQ(byAddress[kHardenedAddress].value("enterprise", 0), 8072);

    const ProgramResult text = run({"search", "--no-broadcast", "--no-progress", "--targets", targets, "--profile",
                                    "office", "--timeout", "1"});
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_NE(text.err.find("1 more that needs SNMPv3 credentials"), std::string::npos) << text.err;
    const size_t at = text.out.find(std::string(kHardenedAddress) + " ");
    ASSERT_NE(at, std::string::npos) << text.out;
    const size_t start = text.out.rfind('\n', at) + 1;  // npos + 1 is the first line
    const std::string line = text.out.substr(start, text.out.find('\n', at) - start);
    EXPECT_NE(line.find("SNMPv3: credentials needed"), std::string::npos) << line;
    EXPECT_NE(line.find("enterprise 8072"), std::string::npos) << line;
}

TEST_F(V3Cli, DeviceCommandsReadWithTheProfileThatAnswers)
{
    // The wrong profile first: the one that answers is kept.
    const ProgramResult r = run({"info", kFittingAddress, "--profile", "wrongauth", "--profile", "office", "--timeout",
                                 "1", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(nlohmann::json::parse(r.out).at("name"), "bench-fitting");
}

TEST_F(V3Cli, FaultsAreNamed)
{
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* says;
    };
    // The agent's report is final: each ends at once (2 s), whatever the
    // time-out, and the check is UNKNOWN.
    const Case cases[] = {
        {{"info", kFittingAddress, "--profile", "nosuch"}, 2, "no profile [nosuch]"},
        {{"info", kFittingAddress, "--profile", "wrongauth", "--timeout", "1"}, -2, "wrong authentication pass phrase"},
        {{"info", kHardenedAddress, "--profile", "office", "--timeout", "1"}, -2, "knows no such user"},
        {{"model", kFittingAddress, "--profile", "wrongauth", "--timeout", "5"}, -2, "wrong authentication pass phrase"},
        {{"check", kFittingAddress, "--profile", "wrongauth", "--timeout", "5"}, 3, "NETROV UNKNOWN"},
        {{"check", kFittingAddress, "--profile", "wrongauth", "--timeout", "5"}, 3, "wrong authentication pass phrase"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.front() + " " + c.args[3]);
        const auto start = std::chrono::steady_clock::now();
        const ProgramResult r = run(c.args);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
        if (c.status >= 0) {
            EXPECT_EQ(r.status, c.status);
        } else {
            EXPECT_NE(r.status, 0);
        }
        EXPECT_NE((r.out + r.err).find(c.says), std::string::npos) << r.out << r.err;
    }
}

// The outputs of a search and a device read that fail and succeed, and every file the agents wrote.
TEST_F(V3Cli, NoPassPhraseInAnyOutputOrFileButTheProfilesAndTheAgentsConfiguration)
{
    run({"info", kFittingAddress, "--profile", "wrongauth", "--timeout", "1", "--json"});
    run({"search", "--no-broadcast", "--address", kFittingAddress, "--address", kHardenedAddress, "--profile",
         "wrongauth", "--profile", "office", "--timeout", "1", "--json"});
    std::string everything = written_;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir_->path())) {
        if (!entry.is_regular_file()) continue;
        const std::string name = entry.path().filename().string();
        if (entry.path().string() == profiles_ || name.starts_with("snmpd-")) continue;
        everything += readFile(entry.path().string());
    }
    for (const std::string& phrase : phrases_) EXPECT_EQ(everything.find(phrase), std::string::npos);
    const std::string profiles = readFile(profiles_);
    EXPECT_NE(profiles.find(phrases_.front()), std::string::npos);
}

}  // namespace
}  // namespace netrov::test
