// Runs Debian's snmpsimd on loopback addresses, port 161, serving .snmprec
// walk files (community = file name without .snmprec), for agent tests.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <sys/types.h>

#include "temp_dir.h"

namespace netrov::test {

class SnmpSimRunner {
public:
    // Copies the walks into a private data directory and starts one
    // simulator that answers on every given address (e.g. "127.0.44.1", or
    // "::1" in the test's own network namespace).
    // Waits until each address answers; on any failure the simulator is
    // stopped and ready() is false with the reason in whyNot().
    SnmpSimRunner(const std::vector<std::string>& walkFiles, const std::vector<std::string>& addresses);
    ~SnmpSimRunner();
    SnmpSimRunner(const SnmpSimRunner&) = delete;
    SnmpSimRunner& operator=(const SnmpSimRunner&) = delete;

    bool ready() const { return ready_; }
    const std::string& whyNot() const { return whyNot_; }
    // The simulator's own output, for failure messages.
    std::string log() const;

    // Community of a walk file: its name without the extension.
    static std::string communityOf(const std::string& walkFile);

private:
    bool start(const std::vector<std::string>& walkFiles, const std::vector<std::string>& addresses);
    void stop();

    std::unique_ptr<TempDir> dir_;
    pid_t pid_ = -1;
    bool ready_ = false;
    std::string whyNot_;
};

// One SNMPv1 Get of sysDescr.0 to address:161 (IPv4 or IPv6); true when any answer
// arrives within the time-out. Used to wait for agents to come up.
bool agentAnswers(const std::string& address, const std::string& community, int timeoutMs);

}  // namespace netrov::test
