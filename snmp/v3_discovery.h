// Finding SNMPv3 agents without credentials: the unauthenticated discovery probe and the engine identifier it returns.
//
// The probe carries no user, key or secret; an SNMPv3 agent answers it with
// a report naming its engine. The engine identifier's first four bytes,
// when their high bit is set, are the agent's maker's enterprise number, so
// a hardened printer is seen and told apart before anyone has credentials.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "message_v3.h"

namespace netrov::snmp {

struct EngineSighting {
    uint32_t address = 0;  // network order, as SnmpMessage::sourceAddress
    std::vector<uint8_t> engineId;
};

// The probe datagram with message id msgId; empty when it cannot be built.
std::vector<uint8_t> discoveryProbe(int32_t msgId);

// The engine (identifier, boots and time) a datagram reports in answer to
// the probe with msgId; none for anything else (another version, another id,
// a malformed or authenticated message, an identifier under 5 or over 32
// bytes).
std::optional<UsmModel::Engine> reportedEngine(std::span<const uint8_t> datagram, int32_t msgId);

// Engines that answered a probe, kept by address (host order) for a short
// while, so that a reading that follows the probe (a search's profiles)
// starts from the engine instead of discovering it again. A later sighting
// of an address replaces the earlier one; the book holds a bounded number.
void rememberEngine(uint32_t address, const UsmModel::Engine& engine);
// The engine last seen at address with its time moved on by the seconds
// since; none when none was seen within the last two minutes.
std::optional<UsmModel::Engine> rememberedEngine(uint32_t address);
// Forgets every engine seen (tests start clean).
void forgetRememberedEngines();

// The maker's enterprise number in an engine identifier (RFC 3411 form:
// high bit of the first byte set); none for an identifier of the old form.
std::optional<uint32_t> enterpriseOf(std::span<const uint8_t> engineId) noexcept;

// Sends the probe to host (or, when host is no address or
// 255.255.255.255, to each of broadcasts) and gathers the engines that
// answer within the collecting rules of collect(). Throws std::bad_alloc.
std::vector<EngineSighting> discoverEngines(const char* host, int32_t timeout, const std::vector<uint32_t>& broadcasts);

}  // namespace netrov::snmp
