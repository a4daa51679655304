// A UDP relay on loopback that holds each request for a fixed delay before
// passing it to the agent behind it, so an exchange costs what it costs on a
// real network (this kernel has no netem). Replies go back at once.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <thread>

namespace netrov::bench {

class DelayRelay {
public:
    // Listens on listenAddress:listenPort (dotted, host-order port) and
    // relays to upstreamAddress:upstreamPort. Never throws on a socket
    // failure: check ok().
    DelayRelay(const std::string& listenAddress, uint16_t listenPort, const std::string& upstreamAddress,
               uint16_t upstreamPort);
    ~DelayRelay();
    DelayRelay(const DelayRelay&) = delete;
    DelayRelay& operator=(const DelayRelay&) = delete;

    bool ok() const { return ok_; }
    const std::string& error() const { return error_; }

    void setDelay(std::chrono::milliseconds delay) { delayMs_ = delay.count(); }
    // Requests relayed since the last reset: one per exchange.
    size_t exchanges() const { return exchanges_; }
    void resetExchanges() { exchanges_ = 0; }

private:
    void run();

    bool ok_ = false;
    std::string error_;
    int listen_ = -1;
    int wake_[2] = {-1, -1};
    uint32_t upstreamAddress_ = 0;  // network order
    uint16_t upstreamPort_ = 0;     // network order
    std::atomic<long long> delayMs_{0};
    std::atomic<size_t> exchanges_{0};
    std::thread thread_;
};

}  // namespace netrov::bench
