// UDP exchange of SNMP requests and replies.
#include "engine.h"

#include "ber.h"
#include "platform/socket.h"

#include <algorithm>
#include <climits>
#include <chrono>
#include <memory>
#include <cstring>
#include <optional>
#include <span>
#include <unordered_set>

#ifndef _WIN32
#  include <netdb.h>
#endif

namespace netrov::snmp {

namespace {

using Clock = std::chrono::steady_clock;

using platform::UniqueSocket;

// Replies to GetBulk may be as large as a datagram can be.
constexpr size_t kLargestDatagram = 65535;

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
// dropped, so a stray or forged datagram, or one of another version, cannot
// pose as the answer.
MessagePtr acceptReply(const uint8_t* data, size_t size, uint32_t source, const MessageModel& model,
                       const SnmpMessage& request)
{
    if (size == 0) return nullptr;
    return unwrapAnswer(model, {data, size}, source, request.requestId);
}

// The model an SNMPv1 record describes; none for any other version or a
// community the record cannot hold.
std::optional<CommunityModel> recordModel(const SnmpMessage& record)
{
    if (record.version != kVersion1 || record.communityLength < 0) return std::nullopt;
    if (record.communityLength > 0 && !record.community) return std::nullopt;
    return CommunityModel(kVersion1, {record.community, static_cast<size_t>(record.communityLength)});
}

int32_t clampTimeout(int32_t timeout) { return timeout < 0 ? 0 : timeout; }

// A receive buffer as large as a datagram, one per thread and never
// cleared: a reply touches only the bytes it fills. A buffer made and
// zeroed for every exchange cost a search of many addresses more than
// the exchanges themselves.
std::span<uint8_t> largeReceiveBuffer()
{
    thread_local std::unique_ptr<uint8_t[]> buffer;
    if (!buffer) buffer = std::make_unique_for_overwrite<uint8_t[]>(kLargestDatagram);
    return {buffer.get(), kLargestDatagram};
}

// An agent's address in either family. IPv4 keeps the paths it always had
// (the address compared on every reply, broadcast); an IPv6 agent is reached
// through a socket connected to it, which lets only its datagrams in.
struct Peer {
    bool v6 = false;
    uint32_t v4 = 0;  // network order
    sockaddr_in6 address6{};
};

#ifndef _WIN32
// An IPv6 literal (a zone after '%' allowed) or a name with only an IPv6 address.
std::optional<sockaddr_in6> resolveHost6(const char* host)
{
    addrinfo hints{};
    hints.ai_family = AF_INET6;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host, nullptr, &hints, &found) != 0 || !found) return std::nullopt;
    std::optional<sockaddr_in6> address;
    if (found->ai_family == AF_INET6 && found->ai_addrlen >= sizeof(sockaddr_in6)) {
        sockaddr_in6 a{};
        std::memcpy(&a, found->ai_addr, sizeof a);
        a.sin6_port = htons(kAgentPort);
        address = a;
    }
    ::freeaddrinfo(found);
    return address;
}
#endif

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

// IPv4 first, as always; IPv6 only for what has no IPv4 address. The
// Windows builds speak IPv4 only.
std::optional<Peer> resolvePeer(const char* host)
{
    Peer peer;
    if (resolveHost(host, peer.v4)) return peer;
#ifndef _WIN32
    if (host) {
        if (std::optional<sockaddr_in6> address = resolveHost6(host)) {
            peer.v6 = true;
            peer.address6 = *address;
            return peer;
        }
    }
#endif
    return std::nullopt;
}

// A socket connected to the agent: only its datagrams reach it.
UniqueSocket connectedSocket(const Peer& peer)
{
#ifndef _WIN32
    if (peer.v6) {
        UniqueSocket socket(::socket(AF_INET6, SOCK_DGRAM | SOCK_CLOEXEC, 0));
        if (!socket.valid() ||
            ::connect(socket.get(), reinterpret_cast<const sockaddr*>(&peer.address6), sizeof peer.address6) != 0)
            return UniqueSocket();
        return socket;
    }
#endif
    UniqueSocket socket = platform::openUdpSocket();
    if (!socket.valid() || !connectTo(socket, peer.v4)) return UniqueSocket();
    return socket;
}

void sendToPeer(const UniqueSocket& socket, const Peer& peer, const uint8_t* data, size_t size)
{
#ifndef _WIN32
    if (peer.v6) {
        // A failed send shows up as a missing reply.
        (void)::send(socket.get(), data, size, 0);
        return;
    }
#endif
    sendTo(socket, peer.v4, data, size);
}

// Whether a datagram comes from the agent: the connected socket has checked
// an IPv6 sender already.
bool fromPeer(const platform::Received& got, const Peer& peer) { return peer.v6 || got.address == peer.v4; }

}  // namespace

MessagePtr request(const char* host, int32_t timeout, const SnmpMessage& req)
{
    const std::optional<CommunityModel> model = recordModel(req);
    if (!model) return nullptr;
    return request(host, timeout, *model, req);
}

MessagePtr request(const char* host, int32_t timeout, const MessageModel& model, const SnmpMessage& req)
{
    uint8_t out[SNMP_DATAGRAM_SIZE];
    auto size = model.wrap(req, out);
    if (!size) return nullptr;
    const std::optional<Peer> peer = resolvePeer(host);
    if (!peer) return nullptr;
    // The broadcast address cannot be connected to; it never names one agent anyway.
    UniqueSocket fd = connectedSocket(*peer);
    if (!fd.valid()) return nullptr;
    sendToPeer(fd, *peer, out, *size);

    // SNMPv1 replies keep the datagram size they always had; a GetBulk
    // reply may fill a whole datagram.
    uint8_t small[SNMP_DATAGRAM_SIZE];
    const std::span<uint8_t> in = model.version() == kVersion1 ? std::span<uint8_t>(small) : largeReceiveBuffer();
    const auto deadline = Clock::now() + std::chrono::seconds(clampTimeout(timeout));
    while (waitReadable(fd, deadline)) {
        const platform::Received got = platform::receiveDatagram(fd.get(), in.data(), in.size());
        if (got.size < 0) break;
        if (!fromPeer(got, *peer)) continue;
        if (MessagePtr reply = acceptReply(in.data(), static_cast<size_t>(got.size), got.address, model, req))
            return reply;
    }
    return nullptr;
}

MessageListPtr collect(const char* host, int32_t timeout, const SnmpMessage& req,
                       const std::vector<uint32_t>& broadcasts)
{
    const std::optional<CommunityModel> model = recordModel(req);
    if (!model) return nullptr;
    return collect(host, timeout, *model, req, broadcasts);
}

MessageListPtr collect(const char* host, int32_t timeout, const MessageModel& model, const SnmpMessage& req,
                       const std::vector<uint32_t>& broadcasts)
{
    uint8_t out[SNMP_DATAGRAM_SIZE];
    auto size = model.wrap(req, out);
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
            MessagePtr reply = acceptReply(in, static_cast<size_t>(d.size), d.source, model, req);
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

const char* walkResultName(WalkResult result) noexcept
{
    switch (result) {
    case WalkResult::EndOfSubtree: return "end of subtree";
    case WalkResult::RowLimit: return "row limit";
    case WalkResult::Stopped: return "stopped";
    case WalkResult::NoAnswer: return "no answer to GetBulk";
    case WalkResult::TooBig: return "too big for one repetition";
    case WalkResult::OutOfOrder: return "identifiers out of order";
    case WalkResult::Repeated: return "identifier repeated";
    case WalkResult::Overlong: return "more bindings than asked";
    case WalkResult::EmptyReply: return "reply without bindings";
    case WalkResult::Exception: return "exception value inside the subtree";
    case WalkResult::AgentError: return "agent error";
    case WalkResult::DeadlinePassed: return "deadline passed";
    case WalkResult::Unusable: return "request not sendable";
    }
    return "unknown";
}

namespace {

constexpr size_t kWalkReceiveSize = kLargestDatagram;

bool startsWith(const SnmpBinding& b, std::span<const uint32_t> root)
{
    if (b.nameLength < 0 || static_cast<size_t>(b.nameLength) <= root.size()) return false;
    return std::equal(root.begin(), root.end(), b.name);
}

// Negative, zero or positive as a's name sorts before, with or after b.
int compareNames(const SnmpBinding& a, std::span<const uint32_t> b)
{
    const std::span<const uint32_t> name(a.name, static_cast<size_t>(std::max(a.nameLength, 0)));
    const auto order = std::lexicographical_compare_three_way(name.begin(), name.end(), b.begin(), b.end());
    return order < 0 ? -1 : order > 0 ? 1 : 0;
}

}  // namespace

BulkReplyRows checkBulkReply(const SnmpMessage& reply, int32_t asked, std::span<const uint32_t> root,
                             std::span<const uint32_t> last)
{
    BulkReplyRows rows;
    size_t count = 0;
    for (const SnmpBinding* b = reply.variables; b; b = b->next) ++count;
    if (count == 0) {
        rows.end = WalkResult::EmptyReply;
        return rows;
    }
    if (asked < 0 || count > static_cast<size_t>(asked)) {
        rows.end = WalkResult::Overlong;
        return rows;
    }
    std::span<const uint32_t> previous = last;
    size_t usable = 0;
    for (const SnmpBinding* b = reply.variables; b; b = b->next) {
        // endOfMibView carries the name asked for, so it is read before the order.
        if (b->type == kTagEndOfMibView) {
            rows.end = WalkResult::EndOfSubtree;
            break;
        }
        const int order = compareNames(*b, previous);
        if (order > 0 && !startsWith(*b, root)) {
            rows.end = WalkResult::EndOfSubtree;
            break;
        }
        // From here on a fault: none of this reply's rows.
        if (b->type == kTagNoSuchObject || b->type == kTagNoSuchInstance) {
            rows.end = WalkResult::Exception;
            return rows;
        }
        if (order <= 0) {
            rows.end = order == 0 ? WalkResult::Repeated : WalkResult::OutOfOrder;
            return rows;
        }
        previous = {b->name, static_cast<size_t>(b->nameLength)};
        ++usable;
    }
    rows.usable = usable;
    return rows;
}

namespace {

class BulkWalker {
public:
    BulkWalker(const MessageModel& model, std::span<const uint32_t> root, const BulkWalkSettings& settings,
               const RowSink& sink)
        : model_(model), root_(root), settings_(settings), sink_(sink), in_(kWalkReceiveSize)
    {
        outcome_.lastName.assign(root.begin(), root.end());
        ceiling_ = std::max(settings.maxRepetitions, 1);
        outcome_.repetitions = std::clamp(settings.startRepetitions, 1, ceiling_);
    }

    BulkWalkOutcome run(const char* host)
    {
        if (model_.version() != kVersion2c || root_.size() > kMaxArcs) return std::move(outcome_);
        const std::optional<Peer> peer = resolvePeer(host);
        if (!peer) return std::move(outcome_);
        peer_ = *peer;
        socket_ = connectedSocket(peer_);
        if (!socket_.valid()) return std::move(outcome_);
        int silences = 0;
        for (;;) {
            if (outcome_.rows >= settings_.maxRows) return finish(WalkResult::RowLimit);
            if (Clock::now() >= settings_.deadline) return finish(WalkResult::DeadlinePassed);
            // Never ask for more rows than may still be delivered.
            const auto asked = static_cast<int32_t>(
                std::min<size_t>(static_cast<size_t>(outcome_.repetitions), settings_.maxRows - outcome_.rows));
            RequestPdu pdu(kPduGetBulk, std::span<const uint32_t>(outcome_.lastName));
            pdu.renewRequestId();
            pdu.setRepetitions(0, asked);
            uint8_t out[SNMP_DATAGRAM_SIZE];
            const auto size = model_.wrap(pdu.pdu(), out);
            if (!size) return finish(WalkResult::Unusable);
            sendToPeer(socket_, peer_, out, *size);
            ++outcome_.exchanges;

            MessagePtr reply = awaitReply(pdu.pdu());
            if (!reply) {
                if (Clock::now() >= settings_.deadline) return finish(WalkResult::DeadlinePassed);
                if (++silences >= kWalkMaxSilences) return finish(WalkResult::NoAnswer);
                outcome_.repetitions = std::max(outcome_.repetitions / 2, 1);
                continue;
            }
            silences = 0;
            if (reply->errorStatus == kErrorTooBig) {
                if (asked <= 1) return finish(WalkResult::TooBig);
                // The agent's message size, not chance: growing past half again
                // would only meet the same answer.
                ceiling_ = asked / 2;
                outcome_.repetitions = ceiling_;
                continue;
            }
            if (reply->errorStatus != 0) {
                outcome_.errorStatus = reply->errorStatus;
                return finish(WalkResult::AgentError);
            }
            if (std::optional<WalkResult> end = take(*reply, asked)) return finish(*end);
            outcome_.repetitions = std::min(outcome_.repetitions * 2, ceiling_);
        }
    }

private:
    BulkWalkOutcome finish(WalkResult result)
    {
        outcome_.result = result;
        return std::move(outcome_);
    }

    // The answer to pdu, or null when none came within the time-out.
    MessagePtr awaitReply(const SnmpMessage& pdu)
    {
        const auto deadline = std::min(Clock::now() + settings_.timeout, settings_.deadline);
        while (waitReadable(socket_, deadline)) {
            const platform::Received got = platform::receiveDatagram(socket_.get(), in_.data(), in_.size());
            if (got.size < 0) break;
            if (!fromPeer(got, peer_)) continue;
            if (MessagePtr reply = acceptReply(in_.data(), static_cast<size_t>(got.size), got.address, model_, pdu))
                return reply;
        }
        return nullptr;
    }

    // Delivers the usable rows of one reply; the walk's end when the reply ends it.
    std::optional<WalkResult> take(const SnmpMessage& reply, int32_t asked)
    {
        const BulkReplyRows rows = checkBulkReply(reply, asked, root_, outcome_.lastName);
        const SnmpBinding* b = reply.variables;
        for (size_t i = 0; i < rows.usable; ++i, b = b->next) {
            outcome_.lastName.assign(b->name, b->name + b->nameLength);
            ++outcome_.rows;
            if (!sink_(*b)) return WalkResult::Stopped;
            if (outcome_.rows >= settings_.maxRows) return WalkResult::RowLimit;
        }
        return rows.end;
    }

    const MessageModel& model_;
    std::span<const uint32_t> root_;
    const BulkWalkSettings& settings_;
    const RowSink& sink_;
    std::vector<uint8_t> in_;
    UniqueSocket socket_;
    Peer peer_;
    int32_t ceiling_ = kWalkStartRepetitions;
    BulkWalkOutcome outcome_;
};

}  // namespace

BulkWalkOutcome bulkWalk(const char* host, const MessageModel& model, std::span<const uint32_t> root,
                         const BulkWalkSettings& settings, const RowSink& sink)
{
    BulkWalker walker(model, root, settings, sink);
    return walker.run(host);
}

}  // namespace netrov::snmp
