// A printer for hostile-device tests: a project walk answered by a fake agent,
// with parts of it silenced, a supply table of any length, or slow replies.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "fake_agent.h"

namespace netrov::test {

class ScriptedDevice {
public:
    // Serves tests/devices/<walk>.snmprec; ok() is false when the agent or the walk could not start.
    explicit ScriptedDevice(const std::string& walk);
    ~ScriptedDevice();

    bool ok() const { return whyNot_.empty(); }
    const std::string& whyNot() const { return whyNot_; }
    const std::string& address() const { return agent_.address(); }
    size_t requestCount() const { return agent_.requestCount(); }

    // Sets or replaces one object of the walk.
    void set(const std::string& oid, AgentValue value);
    // Requests for objects under prefix go unanswered.
    void silence(const std::string& prefix);
    // Replaces the walk's supply table by rows black toners, each at level
    // 50 of 100.
    void supplyRows(uint32_t rows);
    // Every reply waits this long.
    void delay(std::chrono::milliseconds wait) { delay_ = wait; }

private:
    using Oid = std::vector<uint32_t>;
    std::vector<AgentReply> answer(const AgentRequest& request);
    // The first object after oid, in the walk or in the supply rows; false past the end.
    bool next(const Oid& oid, Oid& found, AgentValue& value) const;
    bool get(const Oid& oid, AgentValue& value) const;
    bool silenced(const Oid& oid) const;

    FakeAgent agent_;
    std::string whyNot_;
    std::map<Oid, AgentValue> objects_;
    std::vector<Oid> silenced_;
    uint32_t supplyRows_ = 0;
    std::atomic<std::chrono::milliseconds> delay_{std::chrono::milliseconds(0)};
};

}  // namespace netrov::test
