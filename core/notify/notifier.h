// The notices of a watcher: planned after each stored round, stored before they are sent, sent by a thread of their own.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "fleet_store.h"
#include "notice_rules.h"
#include "notify_config.h"

namespace netrov::notify {

// Seconds since 1970; tests give their own.
using Clock = std::function<int64_t()>;
int64_t wallClock();

// A failed message is tried again after kFirstRetrySeconds, doubling up to kLastRetrySeconds.
inline constexpr int64_t kFirstRetrySeconds = 60;
inline constexpr int64_t kLastRetrySeconds = 3600;
int64_t retryDelay(int32_t attempts);

// Owns the sender thread, which is the only one that waits for a peer: a
// round never waits for a channel. The store stays the caller's (one writer);
// the notifier writes to it only in afterRound and pump, on the caller's thread.
class Notifier {
public:
    Notifier(NotifyConfig config, Clock clock = wallClock);
    ~Notifier();  // stops the sender: a message under way is finished or given up at its time-out
    Notifier(const Notifier&) = delete;
    Notifier& operator=(const Notifier&) = delete;

    // After the round stored at time now: plans the notices from the devices
    // and the store's open ones, stores them with one message per channel
    // whose filter passes (one transaction), then pumps.
    store::StoreStatus afterRound(store::FleetStore& fleet, std::span<const DeviceFacts> devices, int64_t now);
    // Writes what the sender finished (sent, or failed with the next try) and
    // hands it the messages that are due. Never waits for a peer.
    store::StoreStatus pump(store::FleetStore& fleet);
    // Until nothing is with the sender (for a last round and the tests); false when time ran out.
    bool waitIdle(std::chrono::milliseconds limit);
    // Lines for the watcher's error output since the last call: a channel
    // that began failing (once, until it delivers again) and one that delivers again.
    std::vector<std::string> takeLog();
    // Text a digest carries after its notices (what to order); empty adds nothing.
    using DigestAppendix = std::function<std::string(store::FleetStore&)>;
    void setDigestAppendix(DigestAppendix appendix) { appendix_ = std::move(appendix); }

private:
    struct Shared;
    NotifyConfig config_;
    Clock clock_;
    std::shared_ptr<Shared> shared_;
    std::vector<std::string> log_;
    std::vector<std::string> failing_;  // channels that failed last time
    DigestAppendix appendix_;
};

}  // namespace netrov::notify
