// Simulated printers for agent tests: project walks served by snmpsimd on chosen loopback addresses.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "snmpsim_runner.h"
#include "temp_dir.h"

namespace netrov::test {

// Every walk is served under one community, so a single search finds
// different devices at different addresses.
class WalkAgents {
public:
    explicit WalkAgents(std::string community = "tarpon") : community_(std::move(community)) {}

    // Serves tests/devices/<walk>.snmprec (with lines replaced by edits, keyed
    // by object identifier) on the addresses. False with whyNot() on failure.
    bool serve(const std::string& walk, const std::vector<std::string>& addresses,
               const std::map<std::string, std::string>& edits = {});
    // Stops the simulator serving walk (its devices fall silent).
    void stop(const std::string& walk);

    const std::string& whyNot() const { return whyNot_; }
    const std::string& community() const { return community_; }

private:
    std::string community_;
    TempDir dir_;
    std::map<std::string, std::unique_ptr<SnmpSimRunner>> runners_;
    std::string whyNot_;
};

}  // namespace netrov::test
