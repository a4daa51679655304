// The request engine: one UDP socket per call, unicast or collecting.
#pragma once

#include <cstdint>
#include <vector>

#include "codec.h"

namespace netrov::snmp {

inline constexpr uint16_t kAgentPort = 161;

// Sends request to host once and waits at most timeout seconds for the reply
// carrying the request's id; other datagrams are dropped. Throws std::bad_alloc.
MessagePtr request(const char* host, int32_t timeout, const SnmpMessage& request);

// Sends request to host (or, when host is no address or 255.255.255.255,
// to each of broadcasts in turn) and collects the replies carrying the
// request's id, in arrival order; null when there were none.
// Throws std::bad_alloc.
MessageListPtr collect(const char* host, int32_t timeout, const SnmpMessage& request,
                       const std::vector<uint32_t>& broadcasts);

}  // namespace netrov::snmp
