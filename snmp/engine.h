// The request engine: one UDP socket per call, unicast or collecting.
#pragma once

#include <cstdint>
#include <vector>

#include "codec.h"

namespace netrov::snmp {

inline constexpr uint16_t kAgentPort = 161;

// A collecting pass ends at the latest this many time-outs after its send,
// however many answers keep arriving.
inline constexpr int32_t kCollectDeadlineFactor = 3;
// Answers one collecting call holds at most; later ones are dropped.
inline constexpr size_t kMaxCollectedReplies = 1024;

// Sends request to host once and waits at most timeout seconds for the reply
// carrying the request's id. The socket is connected to host's port 161, so
// datagrams from any other address or port never reach it; other datagrams
// are dropped. Throws std::bad_alloc.
MessagePtr request(const char* host, int32_t timeout, const SnmpMessage& request);

// Sends request to host (or, when host is no address or 255.255.255.255,
// to each of broadcasts in turn) and collects the replies carrying the
// request's id, in arrival order; null when there were none. Each sender
// counts once (its first answer), at most kMaxCollectedReplies are held, and
// each pass ends at once when host itself answers, after timeout seconds
// without a new sender, or kCollectDeadlineFactor time-outs after its send,
// whichever comes first. Throws std::bad_alloc.
MessageListPtr collect(const char* host, int32_t timeout, const SnmpMessage& request,
                       const std::vector<uint32_t>& broadcasts);

}  // namespace netrov::snmp
