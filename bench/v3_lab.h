// snmpd agents that answer both a community and an SNMPv3 user, in a private network namespace, for the v3 benchmarks.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "temp_dir.h"
#include "v3_agents.h"

namespace netrov::bench {

inline constexpr const char* kBenchCommunity = "benchread";
inline constexpr const char* kBenchProfile = "bench";

// One snmpd serving several loopback addresses: the same agent answers the
// community and the user, so v1, v2c and v3 read the very same objects.
class MultiAgent {
public:
    // objects: snmpd configuration lines for the printer objects served
    // beside the agent's own.
    MultiAgent(const std::vector<std::string>& addresses, const test::V3User& user, const std::string& objects,
               const std::string& dir, int number)
    {
        const std::string name = dir + "/snmpd-" + std::to_string(number);
        const std::string config = name + ".conf";
        const std::string state = name + ".state";
        mkdir(state.c_str(), 0700);
        // Private to its owner before any pass phrase goes in.
        const int fd = open(config.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fd < 0) return;
        close(fd);
        {
            std::ofstream conf(config);
            conf << "agentAddress ";
            for (size_t i = 0; i < addresses.size(); ++i) conf << (i ? "," : "") << "udp:" << addresses[i] << ":161";
            conf << "\nmaster no\nagentXSocket " << name << ".agentx\n";
            conf << "sysName bench-printer\nsysLocation Bench shelf\n" << objects;
            conf << "rocommunity " << kBenchCommunity << " 127.0.0.0/8\n";
            conf << "createUser " << user.name << ' ' << user.auth << " \"" << user.authPhrase << "\" " << user.priv
                 << " \"" << user.privPhrase << "\"\nrouser " << user.name << " priv\n";
        }
        pid_ = fork();
        if (pid_ == 0) {
            setenv("SNMP_PERSISTENT_DIR", state.c_str(), 1);
            setenv("SNMPCONFPATH", dir.c_str(), 1);
            const int null = open("/dev/null", O_RDWR);
            dup2(null, 1);
            dup2(null, 2);
            execl(test::kSnmpdProgram, "snmpd", "-f", "-C", "-c", config.c_str(), "-Lf", "/dev/null",
                  static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    ~MultiAgent()
    {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
    }
    MultiAgent(const MultiAgent&) = delete;
    MultiAgent& operator=(const MultiAgent&) = delete;

    bool started() const { return pid_ > 0; }

private:
    pid_t pid_ = -1;
};

// The lab: the namespace, the agents spread over a few processes, and the
// profile file (in dir/config/netrov, named by XDG_CONFIG_HOME) that reaches
// them by authPriv, SHA-256 and AES-128.
struct V3Lab {
    std::string whyNot;  // non-empty: the benchmark cannot run here
    test::TempDir dir;
    std::string profiles;
    std::vector<std::unique_ptr<MultiAgent>> agents;

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
        for (size_t first = 0, n = 0; first < addresses.size(); first += per, ++n) {
            const std::vector<std::string> part(addresses.begin() + static_cast<std::ptrdiff_t>(first),
                                                addresses.begin() + static_cast<std::ptrdiff_t>(std::min(addresses.size(), first + per)));
            agents.push_back(std::make_unique<MultiAgent>(part, user, objects, dir.path().string(), static_cast<int>(n)));
            if (!agents.back()->started()) whyNot = "snmpd could not be started";
        }
    }
};

}  // namespace netrov::bench
