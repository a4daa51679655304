// netrov-cli's fleet commands: the report of every device a search finds,
// and the monitoring check of one device.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <iterator>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "device_list.h"
#include "exit_codes.h"
#include "fleet_report.h"
#include "source_reading.h"
#include "targets.h"

namespace netrov::cli {

// Runs work(i) for every i below count on up to jobs threads; when the
// system gives fewer threads, those that run do the rest.
template <class Work>
void forEachParallel(size_t count, int jobs, Work work)
{
    std::atomic<size_t> next{0};
    const auto loop = [&] {
        for (size_t i = next++; i < count; i = next++) work(i);
    };
    const size_t threads = std::clamp<size_t>(static_cast<size_t>(std::max(jobs, 1)), 1, std::max<size_t>(count, 1));
    std::vector<std::thread> pool;
    for (size_t t = 1; t < threads; ++t) {
        try {
            pool.emplace_back(loop);
        } catch (const std::system_error&) {
            break;
        }
    }
    loop();
    for (std::thread& t : pool) t.join();
}

// Reads the report of every device on up to jobs threads; the reports keep
// the devices' order. Interrupted reads leave their devices with a problem.
std::vector<core::DeviceReport> readReports(const std::vector<core::DeviceListEntry>& devices, int jobs,
                                            const std::atomic<int>& interrupted);

// With --source auto, the targets SNMP does not answer are asked over IPP
// only when there are at most this many: a silent address costs an IPP
// time-out (a connect to an address nobody holds waits it out), and a swept
// block holds mostly silent ones: a few named printers are worth the wait, a
// /24 is not.
inline constexpr size_t kMaxIppAsked = 16;

struct SourceReports {
    std::vector<core::DeviceReport> reports;  // by address
    size_t notAsked = 0;  // silent targets not asked over IPP (auto, more than kMaxIppAsked)
};
// Reads every device found from the chosen source. Where the source allows
// IPP, the targets SNMP did not answer are asked over IPP, and those that
// answer as printers are reported beside the others. SNMP alone reads as
// readReports does.
// Beside SNMP, the reports go by address: IPv4 first in numeric order, then IPv6.
SourceReports readSourceReports(const std::vector<core::DeviceListEntry>& devices, const TargetList& targets,
                                const core::SourceOptions& source, int32_t timeOut, int jobs,
                                const std::atomic<int>& interrupted);
// IPv4 targets alone.
SourceReports readSourceReports(const std::vector<core::DeviceListEntry>& devices, const std::vector<uint32_t>& targets,
                                const core::SourceOptions& source, int32_t timeOut, int jobs,
                                const std::atomic<int>& interrupted);
// The note for silent targets not asked over IPP; empty when every one was.
std::string notAskedText(size_t notAsked);

struct CheckVerdict {
    int exitCode = kCheckUnknown;
    std::string line;  // "NETROV WARNING - ... | toner_black=9%;15:;5:;0;100 ..."
};

// The kinds of level the check puts thresholds on, each with its options
// (--KIND-warning, --KIND-critical); the defaults are the core's threshold
// table (core/reading.h), so the check, the report's states and the
// desktop's colours agree. The toner options cover ink too.
enum class CheckKind : uint8_t { Toner, Drum, Fuser, Waste, Paper };
struct CheckKindInfo {
    CheckKind kind;
    const char* key;    // "toner": the options' and performance labels' word
    const char* words;  // what the help says the level is of
    core::SupplyKind supplyKind;  // whose row of the threshold table it takes
};
inline constexpr CheckKindInfo kCheckKinds[] = {
    {CheckKind::Toner, "toner", "a toner or ink", core::SupplyKind::Toner},
    {CheckKind::Drum, "drum", "a drum (photoconductor)", core::SupplyKind::Drum},
    {CheckKind::Fuser, "fuser", "a fuser", core::SupplyKind::Fuser},
    {CheckKind::Waste, "waste", "a waste container (the room left)", core::SupplyKind::Waste},
    {CheckKind::Paper, "paper", "the paper in a tray", core::SupplyKind::Paper},
};
inline constexpr size_t kCheckKindCount = std::size(kCheckKinds);
// The kind's default levels: the process's threshold table.
core::LevelThreshold defaultThreshold(const CheckKindInfo& kind);

// Warn or go critical when a level is below the number: the monitoring-plugin
// range "N:", which is how the performance data states it. -1: no threshold.
struct CheckThresholds {
    int warning[kCheckKindCount];
    int critical[kCheckKindCount];
    // Warn or go critical when the store's forecast says a supply empties in
    // fewer than this many days (the range "N:" again). -1: no threshold.
    int daysWarning = -1;
    int daysCritical = -1;
    CheckThresholds();  // the process's threshold table (core::activeThresholds)
    // The threshold table with this run's levels: toner's apply to ink too.
    core::ThresholdTable table() const;
};

// The most days a days threshold takes: ten years.
inline constexpr int kMaxThresholdDays = 3650;
// "30" or "30:" as 30 days; none for anything else.
std::optional<int> parseDaysThreshold(const std::string& text);

// "15" or "15:" as 15 (a level alerts below it); none for anything else,
// including the upper bounds and inversions a level has no use for.
std::optional<int> parseThreshold(const std::string& text);
// What is wrong with the thresholds (out of 0..100, critical above warning); empty when nothing.
std::string thresholdsError(const CheckThresholds& thresholds);

// A check line holds at most this many level labels (and the page count),
// and names at most this many reasons in its status text.
inline constexpr size_t kMaxCheckLabels = 16;
inline constexpr size_t kMaxCheckReasons = 16;

// Errors are critical and warnings warnings; a level below a kind's critical
// or warning threshold is the same, and an empty supply always critical. A
// device that needs attention (core::deviceAttention) is never OK. A silent
// device is unknown, and so is one with no printer object or whose toner
// could not be read (a warning when its status is known). The status text
// holds no "|" and no line break; labels keep to [a-z0-9_]. With a stored
// view (report.stored), each colour's forecast adds days_left_<colour> to the
// performance data and is judged by the days thresholds; a device with no
// forecast, or a store that could not be read, is said so in the text and
// changes nothing.
CheckVerdict checkVerdict(const core::DeviceReport& report, const CheckThresholds& thresholds);

}  // namespace netrov::cli
