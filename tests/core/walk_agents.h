// Simulated printers for agent tests: project walks served by snmpsimd on chosen loopback addresses.
#pragma once

#include <gtest/gtest.h>

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

// A GoogleTest suite whose simulated printers start once for all its tests:
// Suite::serve(agents) starts them, and every test skips with the reason
// when they could not start.
template <class Suite>
class WalkAgentsSuite : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        agents_ = std::make_unique<WalkAgents>();
        if (!Suite::serve(*agents_)) whyNot_ = agents_->whyNot();
    }
    static void TearDownTestSuite() { agents_.reset(); }
    void SetUp() override
    {
        if (!whyNot_.empty()) GTEST_SKIP() << whyNot_;
    }
    static inline std::unique_ptr<WalkAgents> agents_;
    static inline std::string whyNot_;
};

}  // namespace netrov::test
