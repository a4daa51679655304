// The report and the check.
#include "fleet_commands.h"

#include <algorithm>
#include <thread>

#include "device_list.h"
#include "report.h"
#include "search_settings.h"

namespace netrov::cli {

std::vector<core::DeviceReport> readReports(const std::vector<core::DeviceListEntry>& devices, int jobs,
                                            const std::atomic<int>& interrupted)
{
    std::vector<core::DeviceReport> reports(devices.size());
    std::atomic<size_t> next{0};
    const auto work = [&] {
        for (size_t i = next++; i < devices.size(); i = next++) {
            if (interrupted.load()) {
                reports[i].address = core::addressToText(core::loadAddress(devices[i].identity.address));
                reports[i].problems.push_back("not read: interrupted");
                continue;
            }
            reports[i] = core::readDeviceReport(devices[i]);
        }
    };
    const size_t threads = std::clamp<size_t>(static_cast<size_t>(std::max(jobs, 1)), 1, std::max<size_t>(devices.size(), 1));
    std::vector<std::thread> pool;
    for (size_t t = 1; t < threads; ++t) {
        try {
            pool.emplace_back(work);
        } catch (const std::system_error&) {
            break;  // fewer threads: the rest is read by those that run
        }
    }
    work();
    for (std::thread& t : pool) t.join();
    return reports;
}

namespace {

// The status text ends at the first "|" and the check at the first line
// break: a device text can bring neither.
std::string statusSafe(const std::string& text)
{
    std::string out = terminalSafe(text);
    std::replace(out.begin(), out.end(), '|', '/');
    return out;
}

// Performance labels keep to lower-case letters, digits and "_".
std::string labelSafe(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        const bool fits = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
        out += fits ? c : '_';
    }
    return out;
}

}  // namespace

CheckVerdict checkVerdict(const core::DeviceReport& report, int warningPercent, int criticalPercent)
{
    CheckVerdict verdict;
    if (!report.answered) {
        verdict.exitCode = kCheckUnknown;
        verdict.line = "NETROV UNKNOWN - no answer from " + report.address +
                       " (off line, or another community)";
        return verdict;
    }
    int state = kCheckOk;
    std::vector<std::string> reasons;
    switch (report.statusCode) {
    case core::kStatusWarning: state = kCheckWarning; break;
    case core::kStatusError: state = kCheckCritical; break;
    case core::kStatusUnknown: state = kCheckUnknown; break;
    default: break;
    }
    std::string perf;
    size_t labels = 0;
    for (const core::TonerLevel& t : report.toner) {
        // A level the device cannot tell is never a warning, let alone critical.
        if (!t.percent) continue;
        if (labels++ < kMaxCheckLabels) {
            perf += " toner_" + labelSafe(t.colour) + "=" + std::to_string(*t.percent) + "%;" +
                    std::to_string(warningPercent) + ";" + std::to_string(criticalPercent) + ";0;100";
        }
        int level = kCheckOk;
        if (*t.percent <= criticalPercent)
            level = kCheckCritical;
        else if (*t.percent <= warningPercent)
            level = kCheckWarning;
        if (level == kCheckOk) continue;
        reasons.push_back("toner " + statusSafe(t.colour) + " " + std::to_string(*t.percent) + "%");
        // Unknown stays unknown only when nothing worse was seen.
        if (state == kCheckUnknown || level > state) state = level;
    }
    if (report.suppliesFailed) {
        reasons.push_back("toner not read");
        // A check that could not see the supplies never says OK.
        if (state == kCheckOk) state = report.statusRead ? kCheckWarning : kCheckUnknown;
    }
    for (const std::string& a : report.alerts) reasons.push_back(statusSafe(a));
    if (reasons.size() > kMaxCheckReasons) {
        const size_t more = reasons.size() - kMaxCheckReasons;
        reasons.resize(kMaxCheckReasons);
        reasons.push_back(std::to_string(more) + " more");
    }

    static const char* const words[] = {"OK", "WARNING", "CRITICAL", "UNKNOWN"};
    verdict.exitCode = state;
    verdict.line = std::string("NETROV ") + words[state] + " - " + statusSafe(report.model) + ": " + statusSafe(report.status);
    if (!reasons.empty()) {
        verdict.line += ";";
        for (size_t i = 0; i < reasons.size(); ++i) verdict.line += (i ? ", " : " ") + reasons[i];
    }
    if (!perf.empty()) verdict.line += " |" + perf;
    if (report.pageCount) verdict.line += (perf.empty() ? " | " : " ") + std::string("pages=") + std::to_string(*report.pageCount) + "c";
    return verdict;
}

}  // namespace netrov::cli
