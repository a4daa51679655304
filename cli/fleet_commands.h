// netrov-cli's fleet commands: the report of every device a search finds,
// and the monitoring check of one device.
#pragma once

#include <atomic>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "device_list.h"
#include "exit_codes.h"
#include "fleet_report.h"

namespace netrov::cli {

// Reads the report of every device on up to jobs threads; the reports keep
// the devices' order. Interrupted reads leave their devices with a problem.
std::vector<core::DeviceReport> readReports(const std::vector<core::DeviceListEntry>& devices, int jobs,
                                            const std::atomic<int>& interrupted);

struct CheckVerdict {
    int exitCode = kCheckUnknown;
    std::string line;  // "NETROV WARNING - ... | toner_black=9%;15;5 ..."
};

// A check line holds at most this many toner labels (and the page count),
// and names at most this many reasons in its status text.
inline constexpr size_t kMaxCheckLabels = 16;
inline constexpr size_t kMaxCheckReasons = 16;

// Errors are critical and warnings warnings; toner at or below the
// critical or warning percentage is the same; a silent device is unknown,
// and so is one whose toner could not be read (a warning when its status is
// known). The status text holds no "|" and no line break; labels keep to
// [a-z0-9_].
CheckVerdict checkVerdict(const core::DeviceReport& report, int warningPercent, int criticalPercent);

}  // namespace netrov::cli
