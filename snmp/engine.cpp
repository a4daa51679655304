// UDP exchange of SNMP requests and replies.
#include "engine.h"

#include "platform/socket.h"

#include <algorithm>
#include <climits>
#include <chrono>
#include <cstring>
#include <unordered_set>

#ifndef _WIN32
#  include <netdb.h>
#endif

namespace netrov::snmp {

namespace {

using Clock = std::chrono::steady_clock;
constexpr uint8_t kPduTrap = 0xA4;

using platform::UniqueSocket;

void sendTo(const UniqueSocket& socket, uint32_t address, const uint8_t* data, size_t size)
{
    // A failed send shows up as a missing reply.
    (void)platform::sendDatagram(socket.get(), address, htons(kAgentPort), data, size);
}

// Only the agent's own datagrams reach a socket connected to it.
bool connectTo(const UniqueSocket& socket, uint32_t address)
{
    return platform::connectSocket(socket.get(), address, htons(kAgentPort));
}

// True when the socket is readable before deadline.
bool waitReadable(const UniqueSocket& socket, Clock::time_point deadline)
{
    for (;;) {
        auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left < 0) left = 0;
        if (left > INT_MAX) left = INT_MAX;  // the wait takes an int; the loop waits on
        switch (platform::waitSocket(socket.get(), static_cast<int>(left))) {
        case platform::WaitResult::Ready: return true;
        case platform::WaitResult::Failed: return false;
        case platform::WaitResult::TimedOut:
            if (Clock::now() >= deadline) return false;
            break;
        }
    }
}

struct Datagram {
    long size = -1;  // negative: the receive failed for good
    uint32_t source = 0;
};

// One datagram (longer ones are cut to the buffer); an empty one when there
// was nothing to take after all.
Datagram receive(const UniqueSocket& socket, uint8_t* buffer)
{
    const platform::Received got = platform::receiveDatagram(socket.get(), buffer, SNMP_DATAGRAM_SIZE);
    return {got.size, got.address};
}

// The decoded reply when the datagram answers request; anything else is
// dropped, so a stray or forged datagram cannot pose as the answer.
MessagePtr acceptReply(const uint8_t* data, size_t size, uint32_t source, const SnmpMessage& request)
{
    if (size == 0) return nullptr;
    MessagePtr reply = parse({data, size}, source);
    if (!reply || reply->pduType == kPduTrap || reply->requestId != request.requestId) return nullptr;
    return reply;
}

int32_t clampTimeout(int32_t timeout) { return timeout < 0 ? 0 : timeout; }

bool resolveHost(const char* host, uint32_t& address)
{
    if (!host) return false;
    address = ::inet_addr(host);
    if (address != INADDR_NONE) return true;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host, nullptr, &hints, &found) != 0 || !found) return false;
    address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
    ::freeaddrinfo(found);
    return true;
}

}  // namespace

MessagePtr request(const char* host, int32_t timeout, const SnmpMessage& req)
{
    uint8_t out[SNMP_DATAGRAM_SIZE];
    auto size = build(req, out);
    if (!size) return nullptr;
    UniqueSocket fd = platform::openUdpSocket();
    if (!fd.valid()) return nullptr;
    uint32_t address = 0;
    if (!resolveHost(host, address)) return nullptr;
    // The broadcast address cannot be connected to; it never names one agent anyway.
    if (!connectTo(fd, address)) return nullptr;
    sendTo(fd, address, out, *size);

    uint8_t in[SNMP_DATAGRAM_SIZE];
    const auto deadline = Clock::now() + std::chrono::seconds(clampTimeout(timeout));
    while (waitReadable(fd, deadline)) {
        Datagram d = receive(fd, in);
        if (d.size < 0) break;
        if (d.source != address) continue;
        if (MessagePtr reply = acceptReply(in, static_cast<size_t>(d.size), d.source, req)) return reply;
    }
    return nullptr;
}

MessageListPtr collect(const char* host, int32_t timeout, const SnmpMessage& req,
                       const std::vector<uint32_t>& broadcasts)
{
    uint8_t out[SNMP_DATAGRAM_SIZE];
    auto size = build(req, out);
    if (!size) return nullptr;

    MessageListPtr head;
    SnmpMessageList* tail = nullptr;
    size_t held = 0;
    std::unordered_set<uint32_t> senders;
    const uint32_t hostAddress = host ? ::inet_addr(host) : INADDR_NONE;
    const auto wait = std::chrono::seconds(clampTimeout(timeout));
    const auto passLimit = wait * kCollectDeadlineFactor;
    uint8_t in[SNMP_DATAGRAM_SIZE];
    bool keepGoing = true;
    size_t pass = 0;
    do {
        // A pass that cannot get its socket ends the call; earlier answers still count.
        UniqueSocket fd = platform::openUdpSocket();
        if (!fd.valid()) break;
        if (!platform::allowBroadcast(fd.get())) break;
        uint32_t destination = hostAddress;
        if (destination == INADDR_NONE && !broadcasts.empty()) destination = broadcasts[pass];
        sendTo(fd, destination, out, *size);

        // The quiet period starts afresh only when a new sender answers, so
        // neither stray datagrams nor one host repeating itself keep the pass
        // open, and the pass ends at its hard deadline whatever arrives.
        const auto hardDeadline = Clock::now() + passLimit;
        auto deadline = std::min(Clock::now() + wait, hardDeadline);
        while (waitReadable(fd, deadline)) {
            Datagram d = receive(fd, in);
            if (d.size < 0) break;
            if (d.size == 0 || senders.count(d.source) != 0) continue;
            MessagePtr reply = acceptReply(in, static_cast<size_t>(d.size), d.source, req);
            if (!reply) continue;
            const bool fromDestination = d.source == destination;
            if (held < kMaxCollectedReplies) {
                senders.insert(d.source);
                auto* cell = new SnmpMessageList{nullptr, reply.release()};
                if (tail) {
                    tail->next = cell;
                } else {
                    head.reset(cell);
                }
                tail = cell;
                ++held;
            } else if (!fromDestination) {
                continue;  // full: nothing more is held, and nothing extends the pass
            }
            if (fromDestination) {
                keepGoing = false;
                break;
            }
            deadline = std::min(Clock::now() + wait, hardDeadline);
        }
        ++pass;
    } while (keepGoing && pass < broadcasts.size());
    return head;
}

}  // namespace netrov::snmp
