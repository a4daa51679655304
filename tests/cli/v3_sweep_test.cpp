// A swept block with --profile against snmpd agents in a private network namespace: the v3-only printer no profile fits is listed as needing credentials.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <thread>
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
constexpr const char* kHardenedAddress = "127.0.0.5";

class V3Sweep : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        skipReason_ = enterPrivateNamespace();
        if (!skipReason_.empty()) return;
        dir_ = std::make_unique<TempDir>();
        const std::string dir = dir_->path().string();
        const V3User monitor{"monitor", "SHA-256", randomPassphrase(), "AES", randomPassphrase()};
        const V3User keeper{"keeper", "SHA", randomPassphrase(), "AES", randomPassphrase()};
        agents_.push_back(std::make_unique<V3Agent>(AgentSetup{kV1Address, {"tarpon"}, {}, "sweep-v1"}, dir));
        agents_.push_back(std::make_unique<V3Agent>(AgentSetup{kFittingAddress, {}, {monitor}, "sweep-fitting"}, dir));
        agents_.push_back(std::make_unique<V3Agent>(AgentSetup{kHardenedAddress, {}, {keeper}, "sweep-hardened"}, dir));
        std::filesystem::create_directories(dir_->path() / "config" / "netrov");
        writeProfiles((dir_->path() / "config" / "netrov" / "profiles.ini").string(), profileSection("office", monitor));
        setenv("XDG_CONFIG_HOME", (dir_->path() / "config").c_str(), 1);
        targets_ = dir_->file("targets.txt");
        writeFile(targets_, "127.0.0.0/29\n");
        // Up when every agent answers: the v1 one a model read, the others the sweep's probe.
        for (int i = 0; i < 50; ++i) {
            const ProgramResult r = search(true);
            if (r.status == 0 && nlohmann::json::parse(r.out, nullptr, false).value("count", 0) == 3) return;
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

    static ProgramResult search(bool json)
    {
        std::vector<std::string> args{kCli,      "search", "--no-broadcast", "--no-progress", "--targets", targets_,
                                      "--community", "tarpon", "--profile", "office", "--timeout", "1"};
        if (json) args.push_back("--json");
        return runProgram(args, 60);
    }

    static inline std::string skipReason_;
    static inline std::string targets_;
    static inline std::unique_ptr<TempDir> dir_;
    static inline std::vector<std::unique_ptr<V3Agent>> agents_;
};

// What each address of the block shows, in text and in JSON.
TEST_F(V3Sweep, TheBlockListsEachPrinterByHowItWasReached)
{
    struct Expected {
        const char* address;
        const char* name;   // null: not read
        const char* profile;  // null: no profile reached it
        bool credentialsNeeded;
    };
    const Expected kExpected[] = {
        {kV1Address, "sweep-v1", nullptr, false},
        {kFittingAddress, "sweep-fitting", "office", false},
        {kHardenedAddress, nullptr, nullptr, true},
    };

    const ProgramResult r = search(true);
    ASSERT_EQ(r.status, 0) << r.err;
    const nlohmann::json document = nlohmann::json::parse(r.out);
    EXPECT_EQ(document.at("count"), 3);
    std::map<std::string, nlohmann::json> byAddress;
    for (const auto& device : document.at("devices")) byAddress[device.at("address").get<std::string>()] = device;
    EXPECT_EQ(byAddress.size(), 3u) << r.out;

    const ProgramResult text = search(false);
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_NE(text.err.find("1 more that need SNMPv3 credentials"), std::string::npos) << text.err;

    for (const Expected& e : kExpected) {
        SCOPED_TRACE(e.address);
        const nlohmann::json& device = byAddress[e.address];
        ASSERT_TRUE(device.is_object()) << r.out;
        if (e.name) {
            EXPECT_EQ(device.at("name"), e.name);
        }
        if (e.profile) {
            EXPECT_EQ(device.at("profile"), e.profile);
        } else {
            EXPECT_FALSE(device.contains("profile"));
        }
        EXPECT_EQ(device.value("credentialsNeeded", false), e.credentialsNeeded);
        if (e.credentialsNeeded) {
            EXPECT_EQ(device.at("enterprise"), 8072);  // net-snmp's own number
        }

        // The text table's line for this address.
        const size_t at = text.out.find(std::string(e.address) + " ");
        ASSERT_NE(at, std::string::npos) << text.out;
        const size_t start = text.out.rfind('\n', at) + 1;  // npos + 1 is the first line
        const std::string line = text.out.substr(start, text.out.find('\n', at) - start);
        EXPECT_EQ(line.find("SNMPv3: credentials needed") != std::string::npos, e.credentialsNeeded) << line;
        if (e.credentialsNeeded) {
            EXPECT_NE(line.find("enterprise 8072"), std::string::npos) << line;
        }
    }
}

}  // namespace
}  // namespace netrov::test
