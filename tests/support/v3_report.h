// An SNMPv3 agent's answer to the discovery probe, encoded independently of the library under test.
#pragma once

#include <cstdint>
#include <vector>

#include "fake_agent.h"

namespace netrov::test {

// The unauthenticated Report (usmStatsUnknownEngineIDs) an SNMPv3 agent sends
// back to a discovery probe, naming engineId with boots and time; empty when
// probe is no SNMPv3 message.
std::vector<uint8_t> discoveryReport(const std::vector<uint8_t>& probe, const std::vector<uint8_t>& engineId,
                                     uint32_t boots = 1, uint32_t time = 100);

// Turns agent into one that speaks only SNMPv3 without knowing any user: it
// answers the discovery probe with engineId and nothing else.
void answerOnlyTheProbe(FakeAgent& agent, std::vector<uint8_t> engineId);

}  // namespace netrov::test
