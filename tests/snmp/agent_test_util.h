// Helpers of the request engine's tests against fake agents.
#pragma once

#include <chrono>

#include "fake_agent.h"

namespace netrov::test {

using Clock = std::chrono::steady_clock;

inline long millisSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

}  // namespace netrov::test

// Binding port 161 needs root: without it the test is skipped, not failed.
#define START_AGENT(agent)                                  \
    ::netrov::test::FakeAgent agent;                        \
    if (!agent.ok()) GTEST_SKIP() << agent.error()
