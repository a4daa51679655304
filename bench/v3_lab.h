// snmpd agents that answer both a community and an SNMPv3 user, in a private network namespace, for the v3 benchmarks.
#pragma once


#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "temp_dir.h"
#include "v3_agents.h"

namespace netrov::bench {

inline constexpr const char* kBenchCommunity = "benchread";
inline constexpr const char* kBenchProfile = "bench";

// The lab: the namespace, the agents spread over a few processes, and the
// profile file (in dir/config/netrov, named by XDG_CONFIG_HOME) that reaches
// them by authPriv, SHA-256 and AES-128.
struct V3Lab {
    std::string whyNot;  // non-empty: the benchmark cannot run here
    test::TempDir dir;
    std::string profiles;
    std::vector<std::unique_ptr<test::V3Agent>> agents;

    V3Lab(const std::vector<std::string>& addresses, size_t processes,
          const std::string& objects = test::kPrinterObjects)
    {
        whyNot = test::enterPrivateNamespace();
        if (!whyNot.empty()) return;
        const test::V3User user{"benchuser", "SHA-256", test::randomPassphrase(), "AES", test::randomPassphrase()};
        const std::string config = dir.path().string() + "/config/netrov";
        std::filesystem::create_directories(config);
        profiles = config + "/profiles.ini";
        test::writeProfiles(profiles, test::profileSection(kBenchProfile, user));
        setenv("XDG_CONFIG_HOME", (dir.path() / "config").c_str(), 1);
        const size_t per = (addresses.size() + processes - 1) / processes;
        for (size_t first = 0; first < addresses.size(); first += per) {
            const std::vector<std::string> part(addresses.begin() + static_cast<std::ptrdiff_t>(first),
                                                addresses.begin() + static_cast<std::ptrdiff_t>(std::min(addresses.size(), first + per)));
            // One agent answers the community and the user, so v1, v2c and
            // v3 read the very same objects.
            const test::AgentSetup setup{part.front(), {kBenchCommunity}, {user}, "bench-printer"};
            agents.push_back(std::make_unique<test::V3Agent>(setup, dir.path().string(), objects,
                                                             std::vector<std::string>(part.begin() + 1, part.end())));
            if (!agents.back()->started()) whyNot = "snmpd could not be started";
        }
    }
};

}  // namespace netrov::bench
