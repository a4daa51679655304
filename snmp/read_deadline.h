// The device read's deadline of the calling thread, set for the length of a scope.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>

#include "netrov/zomsnmp.h"

namespace netrov::snmp {

// Every query the thread runs while the scope lives, with each of its
// requests and table walks, ends by deadline (or an outer scope's earlier
// one); the outer deadline, or none, comes back when the scope ends.
class ReadDeadlineScope {
public:
    using Clock = std::chrono::steady_clock;

    explicit ReadDeadlineScope(Clock::time_point deadline) noexcept
    {
        const Clock::time_point now = Clock::now();
        const int32_t outerLeft = snmp_read_deadline_left();
        if (outerLeft >= 0) {
            outer_ = now + std::chrono::milliseconds(outerLeft);
            deadline = std::min(deadline, outer_);
        }
        snmp_set_read_deadline(millisecondsUntil(deadline, now));
    }
    ~ReadDeadlineScope()
    {
        snmp_set_read_deadline(outer_ == Clock::time_point::min() ? -1 : millisecondsUntil(outer_, Clock::now()));
    }
    ReadDeadlineScope(const ReadDeadlineScope&) = delete;
    ReadDeadlineScope& operator=(const ReadDeadlineScope&) = delete;

    // The milliseconds from now to deadline as the export takes them: 0 once
    // passed, at most INT32_MAX (Clock::time_point::max() among them).
    static int32_t millisecondsUntil(Clock::time_point deadline, Clock::time_point now) noexcept
    {
        if (deadline <= now) return 0;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
        return left > INT32_MAX ? INT32_MAX : static_cast<int32_t>(left);
    }

private:
    Clock::time_point outer_ = Clock::time_point::min();  // min: none was set
};

}  // namespace netrov::snmp
