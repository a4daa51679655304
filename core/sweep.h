// The first phase of a large unicast sweep: one non-blocking socket sends a
// small SNMP request to every address at a paced rate, retries the silent
// ones once, and keeps the addresses that answered. Only those then go
// through the front library's normal search, so what is found is exactly
// what a per-address search reports.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "net_address.h"

namespace netrov::core {

// New requests per second when the user does not say: gentle enough for
// routers and firewalls on real networks (a /16 takes about two minutes).
inline constexpr uint32_t kDefaultSweepRate = 500;
inline constexpr uint32_t kMaxSweepRate = 1000000;

struct SweepSettings {
    std::string community;
    // Asked too, in order, with the same identifier: an address answering any
    // of them counts.
    std::vector<std::string> moreCommunities;
    int32_t timeOutMs = 1000;  // how long an address may take to answer
    // A silent address gets its request again half a time-out after the
    // first. Without the retry an address has one request and one time-out,
    // the cost of a single query: what a search that asks one address before
    // reading it wants.
    bool retry = true;
    uint32_t rate = kDefaultSweepRate;
    // Also sends the SNMPv3 discovery probe (it carries no secret): an agent
    // that answers only it counts too, its answeredWith one past the last
    // community.
    bool probeV3 = false;
    // include/netrov/snmp_version.h: v1 (0) asks by SNMPv1, v2c by SNMPv2c,
    // auto by both.
    int32_t snmpVersion = 0;
};

struct SweepProgress {
    size_t sent = 0;      // first requests sent
    size_t total = 0;     // addresses to send to
    size_t answered = 0;  // addresses that answered so far
    double elapsedSeconds = 0;
    double remainingSeconds = 0;  // estimate
};

struct SweepResult {
    std::vector<uint32_t> responders;  // in the order of the targets
    // The IPv6 sweep's responders, in the order of the targets (responders
    // then stays empty).
    std::vector<NetAddress> responders6;
    // For each responder, the community its first answer carried: 0 for
    // SweepSettings::community, 1 + i for moreCommunities[i].
    std::vector<uint32_t> answeredWith;
    // For each responder, the engine identifier its SNMPv3 report named;
    // empty for one that answered a community.
    std::vector<std::vector<uint8_t>> engines;
    bool interrupted = false;
    std::string error;  // non-empty: the sweep could not run (no socket...)
};

// Addresses are 32-bit numbers, first octet most significant. Each address
// gets its first request at the paced rate; one that has not answered half a
// time-out later gets its retry (retries are paced at the same rate), and
// every address is given the full time-out after its last request. A reply
// counts only when it comes from the address asked, on port 161, with the
// request identifier drawn for that address. Progress is reported about ten
// times a second; abort (may be null) ends the sweep early with what was
// found.
SweepResult sweep(std::span<const uint32_t> targets, const SweepSettings& settings, const std::atomic<int>* abort,
                  const std::function<void(const SweepProgress&)>& progress);
// The same for IPv6 addresses over one IPv6 socket, at the same rate with the
// same requests and the same reply rules; a link-local address is asked on
// the interface its zone names. answeredWith and engines go with
// responders6. An IPv4 target is refused (error set). Builds without IPv6
// sockets (Windows) give an error for any target.
SweepResult sweep(std::span<const NetAddress> targets, const SweepSettings& settings, const std::atomic<int>* abort,
                  const std::function<void(const SweepProgress&)>& progress);

}  // namespace netrov::core
