// The paced first phase of a large sweep.
#include "sweep.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <compare>
#include <cstring>
#include <memory>
#include <random>
#include <string_view>
#include <utility>

#include <netrov/snmp_version.h>
#include <netrov/zomsnmp.h>

#ifndef _WIN32
#include <cerrno>
#include <net/if.h>
#include <sys/socket.h>
#endif

#include "platform/socket.h"
#include "snmp/message.h"
#ifdef NETROV_HAVE_USM
#include "snmp/v3_discovery.h"
#endif

namespace netrov::core {

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint16_t kSnmpPort = 161;
constexpr int kSocketBuffer = 8 << 20;
constexpr double kProgressPeriod = 0.1;

// The versions a sweep asks in: auto asks both, v2c first.
std::vector<int32_t> versionsOf(int32_t snmpVersion)
{
    switch (snmpVersion) {
    case NETROV_SNMP_V2C: return {snmp::kVersion2c};
    case NETROV_SNMP_AUTO: return {snmp::kVersion2c, snmp::kVersion1};
    default: return {snmp::kVersion1};
    }
}

// The request identifier of one address: keyed by a secret drawn per sweep,
// so another host cannot guess what to forge.
int32_t requestIdOf(uint64_t address, uint64_t key)
{
    uint64_t x = address ^ key;
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdULL;
    x ^= x >> 33;
    x *= 0xc4ceb9fe1a85ec53ULL;
    x ^= x >> 33;
    return static_cast<int32_t>(x & 0x7fffffff);
}

// GetNext of sysObjectID, wrapped by one message model (a community in one
// version): any SNMP agent with this community and version answers it.
class RequestEncoder {
public:
    RequestEncoder(int32_t version, std::string community, uint32_t communityIndex)
        : model_(version, community), communityIndex_(communityIndex)
    {
    }

    bool encode(int32_t requestId, std::vector<uint8_t>* out) const
    {
        static uint32_t arcs[] = {1, 3, 6, 1, 2, 1, 1, 2};
        SnmpBinding binding;
        memset(&binding, 0, sizeof binding);
        binding.name = arcs;
        binding.nameLength = static_cast<int32_t>(std::size(arcs));
        binding.type = SNMP_TYPE_NULL;
        SnmpMessage pdu;
        memset(&pdu, 0, sizeof pdu);
        pdu.pduType = SNMP_PDU_GETNEXT;
        pdu.requestId = requestId;
        pdu.variables = &binding;
        out->resize(512 + model_.community().size());
        const std::optional<size_t> length = model_.wrap(pdu, *out);
        if (!length) return false;
        out->resize(*length);
        return true;
    }

    const snmp::CommunityModel& model() const { return model_; }
    uint32_t communityIndex() const { return communityIndex_; }

private:
    snmp::CommunityModel model_;
    uint32_t communityIndex_;
};

// What the sweep needs of one address family: a key per address that
// sorts, a socket, a send and a receive naming the sender by its key.
struct Incoming {
    long size = -1;       // as platform::Received
    uint16_t port = 0;    // host order
    uint32_t v4 = 0;      // an IPv4 sender, network order (the decoder keeps it)
};

struct Ipv4Family {
    using Key = uint32_t;
    static Key keyOf(uint32_t address) { return address; }
    static uint64_t hashInput(Key address) { return address; }
    static platform::UniqueSocket open() { return platform::openUdpSocket(true); }
    static platform::SendResult send(platform::SocketHandle socket, Key address, const std::vector<uint8_t>& datagram)
    {
        return platform::sendDatagram(socket, htonl(address), htons(kSnmpPort), datagram.data(), datagram.size());
    }
    static Incoming receive(platform::SocketHandle socket, uint8_t* buffer, size_t capacity, Key* from)
    {
        const platform::Received got = platform::receiveDatagram(socket, buffer, capacity);
        *from = ntohl(got.address);
        return {got.size, ntohs(got.port), got.address};
    }
    static constexpr bool kNotesEngines = true;
};

#ifndef _WIN32
// An IPv6 address with the interface of its zone: replies name their sender so.
struct Ipv6Key {
    std::array<uint8_t, 16> bytes{};
    uint32_t scope = 0;
    auto operator<=>(const Ipv6Key&) const = default;
};

struct Ipv6Family {
    using Key = Ipv6Key;
    static Key keyOf(const NetAddress& address)
    {
        // A zone the system does not know gives 0: the send fails and the address stays silent.
        return {address.bytes, address.zone.empty() ? 0u : ::if_nametoindex(address.zone.c_str())};
    }
    static uint64_t hashInput(const Key& address)
    {
        uint64_t x = 0xcbf29ce484222325ULL;
        for (const uint8_t b : address.bytes) x = (x ^ b) * 0x100000001b3ULL;
        return (x ^ address.scope) * 0x100000001b3ULL;
    }
    static platform::UniqueSocket open()
    {
        return platform::UniqueSocket(::socket(AF_INET6, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    }
    static platform::SendResult send(platform::SocketHandle socket, const Key& address, const std::vector<uint8_t>& datagram)
    {
        sockaddr_in6 to{};
        to.sin6_family = AF_INET6;
        to.sin6_port = htons(kSnmpPort);
        std::memcpy(&to.sin6_addr, address.bytes.data(), address.bytes.size());
        to.sin6_scope_id = address.scope;
        if (::sendto(socket, datagram.data(), datagram.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to) >= 0)
            return platform::SendResult::Sent;
        return errno == EAGAIN || errno == EWOULDBLOCK || errno == ENOBUFS ? platform::SendResult::Busy
                                                                          : platform::SendResult::Failed;
    }
    static Incoming receive(platform::SocketHandle socket, uint8_t* buffer, size_t capacity, Key* from)
    {
        sockaddr_in6 sender{};
        socklen_t length = sizeof sender;
        const ssize_t n = ::recvfrom(socket, buffer, capacity, 0, reinterpret_cast<sockaddr*>(&sender), &length);
        Incoming got;
        if (n < 0) {
            // An ICMP error queued on the socket or a signal is no reason to stop waiting.
            if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK || errno == ECONNREFUSED ||
                errno == EHOSTUNREACH || errno == ENETUNREACH)
                got.size = 0;
            return got;
        }
        if (length < sizeof sender || sender.sin6_family != AF_INET6) {
            got.size = 0;
            got.port = 0;
            return got;
        }
        got.size = static_cast<long>(n);
        got.port = ntohs(sender.sin6_port);
        std::memcpy(from->bytes.data(), &sender.sin6_addr, from->bytes.size());
        // Only a link-local sender carries its interface; a target without a zone has none either.
        from->scope = linkLocal(from->bytes) ? sender.sin6_scope_id : 0;
        return got;
    }
    // The engine book of the SNMP service is keyed by IPv4 addresses: an
    // IPv6 agent's engine is discovered again when it is read.
    static constexpr bool kNotesEngines = false;
};
#endif

template <typename Family>
class Sweeper {
public:
    using Key = typename Family::Key;

    template <typename Address>
    Sweeper(std::span<const Address> targets, const SweepSettings& settings)
        : settings_(settings)
    {
        communities_.push_back(settings.community);
        communities_.insert(communities_.end(), settings.moreCommunities.begin(), settings.moreCommunities.end());
        for (size_t i = 0; i < communities_.size(); ++i) {
            // A repeated community is asked once.
            if (std::find(communities_.begin(), communities_.begin() + static_cast<std::ptrdiff_t>(i), communities_[i]) ==
                communities_.begin() + static_cast<std::ptrdiff_t>(i))
                for (const int32_t version : versionsOf(settings.snmpVersion))
                    encoders_.emplace_back(version, communities_[i], static_cast<uint32_t>(i));
        }
        // Sorted (address, position) pairs find the sender of a reply; they
        // also drop repeated targets, the first one keeping its place.
        index_.reserve(targets.size());
        for (size_t i = 0; i < targets.size(); ++i) index_.emplace_back(Family::keyOf(targets[i]), static_cast<uint32_t>(i));
        std::stable_sort(index_.begin(), index_.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        index_.erase(std::unique(index_.begin(), index_.end(), [](const auto& a, const auto& b) { return a.first == b.first; }),
                     index_.end());
        std::vector<uint8_t> kept(targets.size(), 0);
        for (const auto& [address, position] : index_) kept[position] = 1;
        addresses_.reserve(index_.size());
        std::vector<uint32_t> renumber(targets.size(), 0);
        for (size_t i = 0; i < targets.size(); ++i) {
            if (!kept[i]) continue;
            renumber[i] = static_cast<uint32_t>(addresses_.size());
            addresses_.push_back(Family::keyOf(targets[i]));
            origin_.push_back(static_cast<uint32_t>(i));
        }
        for (auto& entry : index_) entry.second = renumber[entry.second];
        firstSent_.assign(addresses_.size(), 0.0f);
        answered_.assign(addresses_.size(), 0);
        answeredWith_.assign(addresses_.size(), 0);
        engines_.assign(addresses_.size(), {});
        key_ = (static_cast<uint64_t>(std::random_device{}()) << 32) ^ std::random_device{}();
    }

    SweepResult run(const std::atomic<int>* abort, const std::function<void(const SweepProgress&)>& progress)
    {
        SweepResult result;
        if (addresses_.empty()) return result;
        socket_ = Family::open();
        if (!socket_.valid()) {
            result.error = "cannot open a socket: " + platform::socketErrorText();
            return result;
        }
        platform::setBufferSizes(socket_.get(), kSocketBuffer);

        const double timeOut = std::max(settings_.timeOutMs, 1) / 1000.0;
        const double retryDelay = timeOut / 2;
        const double rate = std::clamp<double>(settings_.rate, 1, kMaxSweepRate);
        const size_t n = addresses_.size();
        start_ = Clock::now();
        double nextProgress = 0;
        for (;;) {
            if (abort && abort->load()) {
                result.interrupted = true;
                break;
            }
            const double now = elapsed();
            bool blocked = false;
            const size_t firstAllowed = std::min<size_t>(n, static_cast<size_t>(rate * now) + 1);
            while (nextFirst_ < firstAllowed && !blocked) {
                if (!send(addresses_[nextFirst_], &blocked)) break;
                firstSent_[nextFirst_++] = static_cast<float>(now);
                lastSend_ = now;
            }
            const size_t retriesAllowed = now < retryDelay ? 0 : static_cast<size_t>(rate * (now - retryDelay)) + 1;
            while (settings_.retry && !blocked && nextRetry_ < nextFirst_ && firstSent_[nextRetry_] + retryDelay <= now &&
                   retriesSent_ < retriesAllowed) {
                if (!answered_[nextRetry_]) {
                    if (!send(addresses_[nextRetry_], &blocked)) break;
                    ++retriesSent_;
                    lastSend_ = now;
                }
                ++nextRetry_;
            }
            receive();

            if (progress && now >= nextProgress) {
                nextProgress = now + kProgressPeriod;
                progress(progressAt(now, rate, timeOut));
            }
            const bool allSent = nextFirst_ == n && (nextRetry_ == n || !settings_.retry);
            if (answeredCount_ == n || (allSent && now >= lastSend_ + timeOut)) break;

            // Sleep until the next send is due, a reply arrives or the last
            // wait is over; never longer than a progress period.
            double wait = kProgressPeriod;
            if (nextFirst_ < n) wait = std::min(wait, (nextFirst_ + 1) / rate - now);
            if (settings_.retry && nextRetry_ < nextFirst_) wait = std::min(wait, firstSent_[nextRetry_] + retryDelay - now);
            if (allSent) wait = std::min(wait, lastSend_ + timeOut - now);
            const int waitMs = std::max(0, static_cast<int>(std::ceil(wait * 1000)));
            platform::waitSocket(socket_.get(), blocked ? std::min(waitMs, 1) : waitMs, blocked);
        }
        receive();
        if (progress) progress(progressAt(elapsed(), rate, timeOut));
        for (size_t i = 0; i < n; ++i) {
            if (!answered_[i]) continue;
            result.responders.push_back(origin_[i]);
            result.answeredWith.push_back(answeredWith_[i]);
            result.engines.push_back(std::move(engines_[i]));
        }
        return result;
    }

private:
    double elapsed() const { return std::chrono::duration<double>(Clock::now() - start_).count(); }

    // False when the socket cannot take more now (blocked is set) and the
    // request must be sent again later; an address the system refuses to
    // reach counts as sent.
    // With several communities the request goes out once per community; a
    // busy socket part-way sends them all again later, which an agent
    // answers at most once per community and the first answer counts.
    bool send(const Key& address, bool* blocked)
    {
        for (const RequestEncoder& encoder : encoders_) {
            if (!encoder.encode(requestIdOf(Family::hashInput(address), key_), &datagram_)) continue;
            if (Family::send(socket_.get(), address, datagram_) == platform::SendResult::Busy) {
                *blocked = true;
                return false;
            }
        }
#ifdef NETROV_HAVE_USM
        if (settings_.probeV3) {
            const std::vector<uint8_t> probe = snmp::discoveryProbe(requestIdOf(Family::hashInput(address), key_));
            if (!probe.empty() && Family::send(socket_.get(), address, probe) == platform::SendResult::Busy) {
                *blocked = true;
                return false;
            }
        }
#endif
        return true;
    }

    void receive()
    {
        uint8_t buffer[65536];
        for (;;) {
            Key address{};
            const Incoming got = Family::receive(socket_.get(), buffer, sizeof buffer, &address);
            // Nothing more now, or an error report of an earlier send.
            if (got.size <= 0) return;
            if (got.port != kSnmpPort) continue;
            const int32_t requestId = requestIdOf(Family::hashInput(address), key_);
            const auto found = std::lower_bound(index_.begin(), index_.end(), address,
                                                [](const auto& entry, const Key& a) { return entry.first < a; });
            if (found == index_.end() || found->first != address) continue;
            const uint32_t at = found->second;
            // An agent that gave its SNMPv3 report first may still answer a
            // community: that answer wins, as it needs no credentials.
            const bool reportedOnly = answered_[at] && answeredWith_[at] == communities_.size();
            if (answered_[at] && !reportedOnly) continue;
            const std::span<const uint8_t> data(buffer, static_cast<size_t>(got.size));
#ifdef NETROV_HAVE_USM
            if (settings_.probeV3 && !answered_[at]) {
                if (auto engine = snmp::reportedEngine(data, requestId)) {
                    // A reading by profile that follows, in the service, starts from this engine.
                    if constexpr (Family::kNotesEngines)
                        snmp_note_engine(got.v4, engine->id.data(), static_cast<int32_t>(engine->id.size()),
                                         engine->boots, engine->time);
                    answered_[at] = 1;
                    answeredWith_[at] = static_cast<uint32_t>(communities_.size());
                    engines_[at] = std::move(engine->id);
                    ++answeredCount_;
                    continue;
                }
            }
#endif
            // Only a reply of a version and community asked, to this
            // address's identifier, counts.
            // Agents echo the community they were asked with; one that
            // does not still counts, as the first community.
            const RequestEncoder* answering = nullptr;
            for (const RequestEncoder& encoder : encoders_) {
                const snmp::MessagePtr reply = snmp::unwrapAnswer(encoder.model(), data, got.v4, requestId);
                if (!reply) continue;
                const std::string_view community(reply->community ? reply->community : "",
                                                  reply->community ? static_cast<size_t>(std::max(reply->communityLength, 0)) : 0);
                if (community == encoder.model().community()) {
                    answering = &encoder;
                    break;
                }
                if (!answering) answering = &encoders_.front();
            }
            if (!answering) continue;
            answeredWith_[at] = answering->communityIndex();
            engines_[at].clear();
            if (reportedOnly) continue;
            answered_[at] = 1;
            ++answeredCount_;
        }
    }

    SweepProgress progressAt(double now, double rate, double timeOut) const
    {
        SweepProgress p;
        p.sent = nextFirst_;
        p.total = addresses_.size();
        p.answered = answeredCount_;
        p.elapsedSeconds = now;
        const double firstDone = static_cast<double>(addresses_.size()) / rate;
        p.remainingSeconds = std::max(0.0, std::max(firstDone, lastSend_) + (settings_.retry ? timeOut / 2 : 0) + timeOut - now);
        return p;
    }

    SweepSettings settings_;
    std::vector<std::string> communities_;
    std::vector<RequestEncoder> encoders_;
    std::vector<Key> addresses_;
    std::vector<uint32_t> origin_;  // each address's place among the targets
    std::vector<std::pair<Key, uint32_t>> index_;
    std::vector<float> firstSent_;
    std::vector<uint8_t> answered_;
    std::vector<uint32_t> answeredWith_;
    std::vector<std::vector<uint8_t>> engines_;
    uint64_t key_ = 0;
    platform::UniqueSocket socket_;
    std::vector<uint8_t> datagram_;
    Clock::time_point start_;
    size_t nextFirst_ = 0;
    size_t nextRetry_ = 0;
    size_t retriesSent_ = 0;
    size_t answeredCount_ = 0;
    double lastSend_ = 0;
};

}  // namespace

SweepResult sweep(std::span<const uint32_t> targets, const SweepSettings& settings, const std::atomic<int>* abort,
                  const std::function<void(const SweepProgress&)>& progress)
{
    try {
        Sweeper<Ipv4Family> sweeper(targets, settings);
        SweepResult result = sweeper.run(abort, progress);
        for (uint32_t& responder : result.responders) responder = targets[responder];
        return result;
    } catch (const std::bad_alloc&) {
        SweepResult result;
        result.error = "out of memory";
        return result;
    }
}

SweepResult sweep(std::span<const NetAddress> targets, const SweepSettings& settings, const std::atomic<int>* abort,
                  const std::function<void(const SweepProgress&)>& progress)
{
    SweepResult result;
    if (std::any_of(targets.begin(), targets.end(), [](const NetAddress& a) { return !a.v6; })) {
        result.error = "an IPv4 address among the IPv6 targets";
        return result;
    }
#ifdef _WIN32
    (void)settings;
    (void)abort;
    (void)progress;
    if (!targets.empty()) result.error = "IPv6 addresses are not searched in this build";
    return result;
#else
    try {
        Sweeper<Ipv6Family> sweeper(targets, settings);
        result = sweeper.run(abort, progress);
        for (const uint32_t at : result.responders) result.responders6.push_back(targets[at]);
        result.responders.clear();
        return result;
    } catch (const std::bad_alloc&) {
        result = SweepResult();
        result.error = "out of memory";
        return result;
    }
#endif
}

}  // namespace netrov::core
