// The delay relay: one thread, one upstream socket per client endpoint.
#include "delay_relay.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <map>
#include <vector>

namespace netrov::bench {

namespace {

using Clock = std::chrono::steady_clock;

struct Pending {
    Clock::time_point due;
    uint64_t client;
    std::vector<uint8_t> bytes;
};

uint64_t clientKey(const sockaddr_in& a)
{
    return (static_cast<uint64_t>(a.sin_addr.s_addr) << 16) | a.sin_port;
}

sockaddr_in endpoint(uint32_t address, uint16_t port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = address;
    a.sin_port = port;
    return a;
}

}  // namespace

DelayRelay::DelayRelay(const std::string& listenAddress, uint16_t listenPort, const std::string& upstreamAddress,
                       uint16_t upstreamPort)
{
    in_addr listenAt{}, upstream{};
    if (inet_pton(AF_INET, listenAddress.c_str(), &listenAt) != 1 || inet_pton(AF_INET, upstreamAddress.c_str(), &upstream) != 1) {
        error_ = "not a dotted address";
        return;
    }
    upstreamAddress_ = upstream.s_addr;
    upstreamPort_ = htons(upstreamPort);
    listen_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const sockaddr_in at = endpoint(listenAt.s_addr, htons(listenPort));
    if (listen_ < 0 || bind(listen_, reinterpret_cast<const sockaddr*>(&at), sizeof at) != 0) {
        error_ = std::string("cannot listen on ") + listenAddress + ": " + strerror(errno);
        return;
    }
    if (pipe2(wake_, O_CLOEXEC) != 0) {
        error_ = "no pipe";
        return;
    }
    ok_ = true;
    thread_ = std::thread([this] { run(); });
}

DelayRelay::~DelayRelay()
{
    if (thread_.joinable()) {
        const char stop = 0;
        (void)!write(wake_[1], &stop, 1);
        thread_.join();
    }
    for (int fd : {listen_, wake_[0], wake_[1]}) {
        if (fd >= 0) close(fd);
    }
}

void DelayRelay::run()
{
    struct Client {
        int upstream;
        sockaddr_in endpoint;
        Clock::time_point used;
    };
    std::map<uint64_t, Client> clients;
    std::deque<Pending> pending;                             // in due order: the delay is fixed
    std::vector<uint8_t> buffer(65535);
    for (;;) {
        std::vector<pollfd> fds{{wake_[0], POLLIN, 0}, {listen_, POLLIN, 0}};
        std::vector<uint64_t> owners{0, 0};
        for (const auto& [key, client] : clients) {
            fds.push_back({client.upstream, POLLIN, 0});
            owners.push_back(key);
        }
        int wait = -1;
        if (!pending.empty()) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(pending.front().due - Clock::now()).count();
            wait = left < 0 ? 0 : static_cast<int>(left);
        }
        if (poll(fds.data(), fds.size(), wait) < 0 && errno != EINTR) break;
        if (fds[0].revents) break;
        if (fds[1].revents & POLLIN) {
            sockaddr_in from{};
            socklen_t length = sizeof from;
            const ssize_t n = recvfrom(listen_, buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr*>(&from), &length);
            if (n > 0) {
                const uint64_t key = clientKey(from);
                if (!clients.count(key)) {
                    const int up = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
                    const sockaddr_in to = endpoint(upstreamAddress_, upstreamPort_);
                    if (up >= 0 && connect(up, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0) {
                        clients[key] = {up, from, Clock::now()};
                    } else if (up >= 0) {
                        close(up);
                    }
                }
                if (clients.count(key)) {
                    clients[key].used = Clock::now();
                    pending.push_back({Clock::now() + std::chrono::milliseconds(delayMs_.load()), key,
                                       std::vector<uint8_t>(buffer.begin(), buffer.begin() + n)});
                }
            }
        }
        for (size_t i = 2; i < fds.size(); ++i) {
            if (!(fds[i].revents & POLLIN)) continue;
            const ssize_t n = recv(fds[i].fd, buffer.data(), buffer.size(), 0);
            const auto found = clients.find(owners[i]);
            if (n > 0 && found != clients.end()) {
                const sockaddr_in& to = found->second.endpoint;
                (void)sendto(listen_, buffer.data(), static_cast<size_t>(n), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
            }
        }
        while (!pending.empty() && pending.front().due <= Clock::now()) {
            const Pending& p = pending.front();
            const auto found = clients.find(p.client);
            if (found != clients.end()) {
                (void)send(found->second.upstream, p.bytes.data(), p.bytes.size(), 0);
                ++exchanges_;
            }
            pending.pop_front();
        }
        // Each request of the engine comes from a socket of its own: a
        // client quiet for seconds has gone, and its socket goes too.
        const auto now = Clock::now();
        for (auto it = clients.begin(); it != clients.end();) {
            const bool waiting = std::any_of(pending.begin(), pending.end(),
                                             [&](const Pending& p) { return p.client == it->first; });
            if (!waiting && now - it->second.used > std::chrono::seconds(5)) {
                close(it->second.upstream);
                it = clients.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (const auto& [key, client] : clients) close(client.upstream);
}

}  // namespace netrov::bench
