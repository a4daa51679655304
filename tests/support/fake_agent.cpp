// A scriptable SNMPv1 agent on loopback for tests: MIB or raw mode, recording.
#include "fake_agent.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <random>

#include <arpa/inet.h>
#include <fcntl.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "ber.h"

namespace netrov::test {

namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<uint8_t>;
using Arcs = std::vector<uint32_t>;

constexpr uint8_t kGet = 0xA0;
constexpr uint8_t kGetNext = 0xA1;
constexpr uint8_t kResponse = 0xA2;
constexpr uint8_t kSet = 0xA3;
constexpr int32_t kNoSuchName = 2;

Arcs parseArcs(std::string_view text)
{
    Arcs arcs;
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] < '0' || text[i] > '9') {
            ++i;
            continue;
        }
        uint64_t v = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') v = v * 10 + static_cast<uint64_t>(text[i++] - '0');
        arcs.push_back(static_cast<uint32_t>(v));
    }
    return arcs;
}

std::string formatArcs(const Arcs& arcs)
{
    std::string out;
    for (size_t i = 0; i < arcs.size(); ++i) {
        if (i) out += '.';
        out += std::to_string(arcs[i]);
    }
    return out;
}

void append(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }

Bytes tlv(uint8_t tag, const Bytes& content)
{
    Bytes out{tag};
    size_t n = content.size();
    if (n < 0x80) {
        out.push_back(static_cast<uint8_t>(n));
    } else if (n <= 0xFF) {
        out.push_back(0x81);
        out.push_back(static_cast<uint8_t>(n));
    } else {
        out.push_back(0x82);
        out.push_back(static_cast<uint8_t>(n >> 8));
        out.push_back(static_cast<uint8_t>(n));
    }
    append(out, content);
    return out;
}

Bytes intContent(int64_t v, bool isUnsigned)
{
    Bytes bytes;
    for (int shift = 32; shift >= 0; shift -= 8) bytes.push_back(static_cast<uint8_t>(v >> shift));
    // Drop redundant leading bytes of the 40-bit two's complement form.
    while (bytes.size() > 1
           && ((bytes[0] == 0x00 && !(bytes[1] & 0x80)) || (!isUnsigned && bytes[0] == 0xFF && (bytes[1] & 0x80))))
        bytes.erase(bytes.begin());
    return bytes;
}

Bytes oidContent(const Arcs& arcs)
{
    if (arcs.size() < 2) return {0};
    Bytes out;
    auto put = [&](uint64_t v) {
        Bytes groups;
        do {
            groups.insert(groups.begin(), static_cast<uint8_t>((v & 0x7F) | (groups.empty() ? 0 : 0x80)));
            v >>= 7;
        } while (v);
        append(out, groups);
    };
    put(uint64_t{40} * arcs[0] + arcs[1]);
    for (size_t i = 2; i < arcs.size(); ++i) put(arcs[i]);
    return out;
}

std::string describe(uint32_t address)
{
    char text[INET_ADDRSTRLEN] = {};
    in_addr a{address};
    inet_ntop(AF_INET, &a, text, sizeof(text));
    return text;
}

}  // namespace

AgentValue AgentValue::integer(int32_t v) { return {0x02, intContent(v, false)}; }
AgentValue AgentValue::octets(std::string_view text) { return {0x04, Bytes(text.begin(), text.end())}; }
AgentValue AgentValue::octets(const std::vector<uint8_t>& bytes) { return {0x04, bytes}; }
AgentValue AgentValue::null() { return {0x05, {}}; }
AgentValue AgentValue::oid(std::string_view dotted) { return {0x06, oidContent(parseArcs(dotted))}; }
AgentValue AgentValue::ipAddress(std::string_view dotted)
{
    Arcs parts = parseArcs(dotted);
    Bytes bytes;
    for (uint32_t p : parts) bytes.push_back(static_cast<uint8_t>(p));
    return {0x40, bytes};
}
AgentValue AgentValue::counter(uint32_t v) { return {0x41, intContent(v, true)}; }
AgentValue AgentValue::gauge(uint32_t v) { return {0x42, intContent(v, true)}; }
AgentValue AgentValue::timeTicks(uint32_t v) { return {0x43, intContent(v, true)}; }
AgentValue AgentValue::raw(uint8_t tag, std::vector<uint8_t> content) { return {tag, std::move(content)}; }

std::optional<int64_t> AgentValue::asInteger() const
{
    if (content.empty() || content.size() > 5) return std::nullopt;
    if (tag == 0x02) {
        int32_t v = 0;
        if (!snmp::BerReader::decodeInt(content, v)) return std::nullopt;
        return v;
    }
    if (tag >= 0x41 && tag <= 0x43) {
        uint32_t v = 0;
        if (!snmp::BerReader::decodeUnsigned(content, v)) return std::nullopt;
        return v;
    }
    return std::nullopt;
}

std::string AgentValue::asString() const { return std::string(content.begin(), content.end()); }

std::vector<uint8_t> FakeAgent::encodeResponse(int32_t requestId, std::string_view community, int32_t errorStatus,
                                               int32_t errorIndex, const std::vector<AgentBinding>& bindings)
{
    Bytes list;
    for (const auto& b : bindings) {
        Bytes binding = tlv(0x06, oidContent(parseArcs(b.oid)));
        append(binding, tlv(b.value.tag, b.value.content));
        append(list, tlv(0x30, binding));
    }
    Bytes pdu = tlv(0x02, intContent(requestId, false));
    append(pdu, tlv(0x02, intContent(errorStatus, false)));
    append(pdu, tlv(0x02, intContent(errorIndex, false)));
    append(pdu, tlv(0x30, list));
    Bytes message = tlv(0x02, {0});
    append(message, tlv(0x04, Bytes(community.begin(), community.end())));
    append(message, tlv(kResponse, pdu));
    return tlv(0x30, message);
}

AgentRequest FakeAgent::decodeRequest(const std::vector<uint8_t>& bytes)
{
    AgentRequest r;
    r.bytes = bytes;
    snmp::BerReader datagram(bytes);
    snmp::BerReader message = datagram.enter(0x30);
    std::span<const uint8_t> community, pduContent;
    uint8_t pduType = 0;
    if (!message.readInt(r.version) || !message.readOctets(0x04, 65535, community)
        || !message.readElement(pduType, pduContent))
        return r;
    r.community.assign(community.begin(), community.end());
    r.pduType = pduType;
    snmp::BerReader pdu(pduContent);
    if (!pdu.readInt(r.requestId) || !pdu.readInt(r.errorStatus) || !pdu.readInt(r.errorIndex)) return r;
    snmp::BerReader list = pdu.enter(0x30);
    std::array<uint32_t, 1024> arcs{};
    while (!list.atEnd()) {
        snmp::BerReader binding = list.enter(0x30);
        size_t count = 0;
        uint8_t tag = 0;
        std::span<const uint8_t> content;
        if (!binding.readOid(arcs.data(), arcs.size(), count) || !binding.readElement(tag, content)) return r;
        r.bindings.push_back({formatArcs(Arcs(arcs.begin(), arcs.begin() + static_cast<ptrdiff_t>(count))),
                              AgentValue{tag, Bytes(content.begin(), content.end())}});
    }
    r.decoded = list.ok();
    if (!r.decoded) r.bindings.clear();
    return r;
}

FakeAgent::FakeAgent() { start(0, true); }

FakeAgent::FakeAgent(std::string_view address)
{
    std::string text(address);
    in_addr a{};
    if (inet_pton(AF_INET, text.c_str(), &a) == 1) {
        start(a.s_addr, false);
        return;
    }
    startIpv6(text);
}

void FakeAgent::startIpv6(const std::string& text)
{
    const size_t percent = text.find('%');
    sockaddr_in6 local{};
    local.sin6_family = AF_INET6;
    local.sin6_port = htons(161);
    if (inet_pton(AF_INET6, text.substr(0, percent).c_str(), &local.sin6_addr) != 1) {
        error_ = "not an IPv4 or IPv6 address: " + text;
        return;
    }
    if (percent != std::string::npos) {
        local.sin6_scope_id = if_nametoindex(text.substr(percent + 1).c_str());
        if (local.sin6_scope_id == 0) {
            error_ = "no interface " + text.substr(percent + 1);
            return;
        }
    }
    const int fd = ::socket(AF_INET6, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    int on = 1;
    if (fd < 0 || ::setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &on, sizeof(on)) != 0 ||
        ::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof(local)) != 0) {
        const int err = errno;
        if (fd >= 0) ::close(fd);
        error_ = "cannot bind the fake agent to [" + text + "]:161: " + std::strerror(err) +
                 (err == EACCES ? " (port 161 needs root)" : "");
        return;
    }
    if (::pipe2(wakeFd_, O_CLOEXEC | O_NONBLOCK) != 0) {
        error_ = std::string("cannot create a pipe: ") + std::strerror(errno);
        ::close(fd);
        return;
    }
    fd_ = fd;
    address_ = text;
    ok_ = true;
    thread_ = std::thread([this] { run(); });
}

void FakeAgent::start(uint32_t address, bool pickFree)
{
    std::mt19937 random(std::random_device{}());
    for (int attempt = 0; attempt < 64; ++attempt) {
        if (pickFree) {
            // Away from 127.0.0.x, which tests name explicitly.
            address = htonl((127u << 24) | ((64 + random() % 190) << 16) | ((random() % 256) << 8) | (1 + random() % 254));
        }
        int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (fd < 0) {
            error_ = std::string("cannot open a UDP socket: ") + std::strerror(errno);
            return;
        }
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_port = htons(161);
        local.sin_addr.s_addr = address;
        int on = 1;
        (void)::setsockopt(fd, IPPROTO_IP, IP_PKTINFO, &on, sizeof(on));
        if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof(local)) == 0) {
            fd_ = fd;
            break;
        }
        int err = errno;
        ::close(fd);
        if (!pickFree || err != EADDRINUSE) {
            error_ = "cannot bind the fake agent to " + describe(address) + ":161: " + std::strerror(err)
                     + (err == EACCES ? " (port 161 needs root)" : "");
            return;
        }
    }
    if (fd_ < 0) {
        error_ = "no free loopback address for the fake agent";
        return;
    }
    if (::pipe2(wakeFd_, O_CLOEXEC | O_NONBLOCK) != 0) {
        error_ = std::string("cannot create a pipe: ") + std::strerror(errno);
        ::close(fd_);
        fd_ = -1;
        return;
    }
    addressValue_ = address;
    address_ = describe(address);
    ok_ = true;
    thread_ = std::thread([this] { run(); });
}

FakeAgent::~FakeAgent()
{
    if (thread_.joinable()) {
        char byte = 0;
        (void)!::write(wakeFd_[1], &byte, 1);
        thread_.join();
    }
    for (int fd : {fd_, wakeFd_[0], wakeFd_[1]})
        if (fd >= 0) ::close(fd);
}

struct FakeAgent::Pending {
    Clock::time_point due;
    sockaddr_storage to;
    socklen_t toLength;
    Bytes bytes;
};

void FakeAgent::run()
{
    std::vector<Pending> pending;
    std::array<uint8_t, 65536> buffer{};
    for (;;) {
        auto now = Clock::now();
        for (auto it = pending.begin(); it != pending.end();) {
            if (it->due <= now) {
                (void)::sendto(fd_, it->bytes.data(), it->bytes.size(), 0, reinterpret_cast<sockaddr*>(&it->to),
                               it->toLength);
                it = pending.erase(it);
            } else {
                ++it;
            }
        }
        int wait = -1;
        for (const auto& p : pending) {
            auto ms = std::chrono::ceil<std::chrono::milliseconds>(p.due - now).count();
            if (wait < 0 || ms < wait) wait = static_cast<int>(ms);
        }
        pollfd fds[2] = {{fd_, POLLIN, 0}, {wakeFd_[0], POLLIN, 0}};
        int rc = ::poll(fds, 2, wait);
        if (rc < 0 && errno != EINTR) return;
        if (fds[1].revents) return;
        if (rc <= 0 || !(fds[0].revents & POLLIN)) continue;

        sockaddr_storage from{};
        iovec io{buffer.data(), buffer.size()};
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
        msghdr header{};
        header.msg_name = &from;
        header.msg_namelen = sizeof(from);
        header.msg_iov = &io;
        header.msg_iovlen = 1;
        header.msg_control = control;
        header.msg_controllen = sizeof(control);
        ssize_t n = ::recvmsg(fd_, &header, 0);
        if (n < 0) continue;
        AgentRequest request = decodeRequest(Bytes(buffer.begin(), buffer.begin() + n));
        if (from.ss_family == AF_INET) {
            const auto& from4 = reinterpret_cast<const sockaddr_in&>(from);
            request.source = from4.sin_addr.s_addr;
            request.sourcePort = ntohs(from4.sin_port);
        } else {
            request.sourcePort = ntohs(reinterpret_cast<const sockaddr_in6&>(from).sin6_port);
        }
        const socklen_t fromLength = header.msg_namelen;
        for (cmsghdr* c = CMSG_FIRSTHDR(&header); c; c = CMSG_NXTHDR(&header, c)) {
            if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
                in_pktinfo info{};
                std::memcpy(&info, CMSG_DATA(c), sizeof(info));
                request.destination = info.ipi_addr.s_addr;
            }
        }

        std::vector<AgentReply> replies = answer(request);
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(std::move(request));
        }
        arrived_.notify_all();
        for (auto& reply : replies) {
            if (reply.delay.count() <= 0) {
                (void)::sendto(fd_, reply.bytes.data(), reply.bytes.size(), 0, reinterpret_cast<sockaddr*>(&from),
                               fromLength);
            } else {
                pending.push_back({Clock::now() + reply.delay, from, fromLength, std::move(reply.bytes)});
            }
        }
    }
}

std::vector<AgentReply> FakeAgent::answer(const AgentRequest& request)
{
    Handler handler;
    {
        std::lock_guard lock(mutex_);
        if (silent_) return {};
        handler = handler_;
    }
    if (handler) return handler(request);

    std::lock_guard lock(mutex_);
    if (!request.decoded || request.version != 0) return {};
    if (!community_.empty() && request.community != community_) return {};
    std::vector<AgentBinding> bindings = request.bindings;
    int32_t status = 0;
    int32_t index = 0;
    for (size_t i = 0; i < bindings.size() && status == 0; ++i) {
        Arcs name = parseArcs(bindings[i].oid);
        if (request.pduType == kGet) {
            auto it = objects_.find(name);
            if (it == objects_.end()) {
                status = kNoSuchName;
                index = static_cast<int32_t>(i + 1);
            } else {
                bindings[i].value = it->second;
            }
        } else if (request.pduType == kGetNext) {
            if (loop_) {
                auto it = objects_.find(name);
                bindings[i].value = it == objects_.end() ? AgentValue::null() : it->second;
                continue;
            }
            auto it = objects_.upper_bound(name);
            if (it == objects_.end()) {
                status = kNoSuchName;
                index = static_cast<int32_t>(i + 1);
            } else {
                bindings[i] = {formatArcs(it->first), it->second};
            }
        } else if (request.pduType != kSet) {
            return {};
        }
    }
    if (status != 0) {
        bindings = request.bindings;  // an error answers with the request's bindings
    } else if (request.pduType == kSet && errorStatus_ == 0) {
        for (const auto& b : request.bindings) objects_[parseArcs(b.oid)] = b.value;
    }
    if (errorStatus_ != 0) {
        status = errorStatus_;
        index = errorIndex_;
        bindings = request.bindings;
    }
    return {{encodeResponse(request.requestId, request.community, status, index, bindings), delay_}};
}

void FakeAgent::setHandler(Handler handler)
{
    std::lock_guard lock(mutex_);
    handler_ = std::move(handler);
}

void FakeAgent::setSilent(bool silent)
{
    std::lock_guard lock(mutex_);
    silent_ = silent;
}

void FakeAgent::setObject(std::string_view oid, AgentValue value)
{
    std::lock_guard lock(mutex_);
    objects_[parseArcs(oid)] = std::move(value);
}

void FakeAgent::removeObject(std::string_view oid)
{
    std::lock_guard lock(mutex_);
    objects_.erase(parseArcs(oid));
}

std::optional<AgentValue> FakeAgent::object(std::string_view oid) const
{
    std::lock_guard lock(mutex_);
    auto it = objects_.find(parseArcs(oid));
    if (it == objects_.end()) return std::nullopt;
    return it->second;
}

void FakeAgent::clearObjects()
{
    std::lock_guard lock(mutex_);
    objects_.clear();
}

void FakeAgent::setErrorStatus(int32_t status, int32_t index)
{
    std::lock_guard lock(mutex_);
    errorStatus_ = status;
    errorIndex_ = index;
}

void FakeAgent::setLoop(bool loop)
{
    std::lock_guard lock(mutex_);
    loop_ = loop;
}

void FakeAgent::setCommunity(std::string community)
{
    std::lock_guard lock(mutex_);
    community_ = std::move(community);
}

void FakeAgent::setReplyDelay(std::chrono::milliseconds delay)
{
    std::lock_guard lock(mutex_);
    delay_ = delay;
}

size_t FakeAgent::requestCount() const
{
    std::lock_guard lock(mutex_);
    return requests_.size();
}

std::vector<AgentRequest> FakeAgent::requests() const
{
    std::lock_guard lock(mutex_);
    return requests_;
}

void FakeAgent::clearRequests()
{
    std::lock_guard lock(mutex_);
    requests_.clear();
}

bool inOwnNetworkNamespace()
{
    // The private network is made by this process alone, so its parent
    // (the shell or ctest) is still on the network it started on.
    std::error_code ownFailed;
    std::error_code parentFailed;
    const auto own = std::filesystem::read_symlink("/proc/self/ns/net", ownFailed);
    const auto parent = std::filesystem::read_symlink("/proc/" + std::to_string(getppid()) + "/ns/net", parentFailed);
    return !ownFailed && !parentFailed && own != parent;
}

bool FakeAgent::serveWalk(const std::string& path)
{
    std::ifstream in(path);
    if (!in) {
        error_ = "cannot read " + path;
        return false;
    }
    size_t number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        if (line.empty()) continue;
        const size_t first = line.find('|');
        const size_t second = first == std::string::npos ? first : line.find('|', first + 1);
        if (second == std::string::npos) {
            error_ = path + ":" + std::to_string(number) + ": not oid|type|value";
            return false;
        }
        const std::string oid = line.substr(0, first);
        const std::string type = line.substr(first + 1, second - first - 1);
        const std::string value = line.substr(second + 1);
        const auto number32 = [&] { return static_cast<uint32_t>(std::stoul(value)); };
        try {
            if (type == "2") setObject(oid, AgentValue::integer(static_cast<int32_t>(std::stol(value))));
            else if (type == "4") setObject(oid, AgentValue::octets(value));
            else if (type == "4x") {
                Bytes bytes;
                for (size_t i = 0; i + 1 < value.size(); i += 2) bytes.push_back(static_cast<uint8_t>(std::stoul(value.substr(i, 2), nullptr, 16)));
                setObject(oid, AgentValue::octets(bytes));
            } else if (type == "6") setObject(oid, AgentValue::oid(value));
            else if (type == "64") setObject(oid, AgentValue::ipAddress(value));
            else if (type == "65") setObject(oid, AgentValue::counter(number32()));
            else if (type == "66") setObject(oid, AgentValue::gauge(number32()));
            else if (type == "67") setObject(oid, AgentValue::timeTicks(number32()));
            else throw std::invalid_argument(type);
        } catch (const std::exception&) {
            error_ = path + ":" + std::to_string(number) + ": cannot serve type " + type + " value " + value;
            return false;
        }
    }
    return true;
}

bool FakeAgent::waitForRequests(size_t count, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(mutex_);
    return arrived_.wait_for(lock, timeout, [&] { return requests_.size() >= count; });
}

void FakeAgent::sendTo(uint32_t address, uint16_t port, const std::vector<uint8_t>& bytes)
{
    if (fd_ < 0) return;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = address;
    (void)::sendto(fd_, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof(to));
}

}  // namespace netrov::test
