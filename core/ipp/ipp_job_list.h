// A printer's current jobs as IPP's Get-Jobs gives them: the jobs that have
// not ended, each by its number, name, owner, state and pages. Plain data,
// so a build without IPP still names them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "query_reading.h"

namespace netrov::core::ipp {

// As many as the SNMP current jobs query shows at most.
inline constexpr size_t kMaxIppJobs = static_cast<size_t>(kMaxQueryRecords);
// A job keeps at most this many state reasons.
inline constexpr size_t kMaxJobReasons = 32;

// IPP's job-state values with their words.
inline constexpr std::pair<int32_t, const char*> kJobStates[] = {
    {3, "pending"},  {4, "held"},    {5, "processing"}, {6, "stopped"},
    {7, "canceled"}, {8, "aborted"}, {9, "completed"},
};
inline std::string_view jobStateWord(int32_t state)
{
    for (const auto& [value, word] : kJobStates) {
        if (value == state) return word;
    }
    return "unknown";
}

struct IppJob {
    int32_t id = 0;             // job-id; 0 when the printer gave none
    std::string name;           // job-name, the device's text
    std::string user;           // job-originating-user-name, the device's text
    int32_t state = 0;          // job-state; 0 when the printer gave none
    std::vector<std::string> stateReasons;  // job-state-reasons keywords
    std::optional<int32_t> impressionsCompleted;
    std::optional<int32_t> timeAtCreation;  // the printer's up-time in seconds when the job came

    bool operator==(const IppJob&) const = default;
};

struct IppJobs {
    std::string address;       // as read, an IPv6 address in RFC 5952 text
    bool answered = false;     // the printer gave its list
    std::vector<IppJob> jobs{};  // in the printer's order, at most kMaxIppJobs
    bool more = false;           // the printer holds more than were kept
    std::vector<std::string> problems{};
};

}  // namespace netrov::core::ipp
