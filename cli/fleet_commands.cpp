// The report and the check.
#include "fleet_commands.h"

#include <map>

#include <algorithm>
#include <optional>
#include <string_view>
#include <thread>

#include "device_list.h"
#include "report.h"
#include "search_settings.h"
#include "net_address.h"

namespace netrov::cli {

std::vector<core::DeviceReport> readReports(const std::vector<core::DeviceListEntry>& devices, int jobs,
                                            const std::atomic<int>& interrupted)
{
    std::vector<core::DeviceReport> reports(devices.size());
    forEachParallel(devices.size(), jobs, [&](size_t i) {
        if (interrupted.load()) {
            reports[i].address = core::deviceAddressText(devices[i].identity);
            reports[i].problems.push_back("not read: interrupted");
            return;
        }
        reports[i] = core::readDeviceReport(devices[i]);
    });
    return reports;
}

SourceReports readSourceReports(const std::vector<core::DeviceListEntry>& devices, const std::vector<uint32_t>& targets,
                                const core::SourceOptions& source, int32_t timeOut, int jobs,
                                const std::atomic<int>& interrupted)
{
    TargetList list;
    list.v4 = targets;
    return readSourceReports(devices, list, source, timeOut, jobs, interrupted);
}

SourceReports readSourceReports(const std::vector<core::DeviceListEntry>& devices, const TargetList& targets,
                                const core::SourceOptions& source, int32_t timeOut, int jobs,
                                const std::atomic<int>& interrupted)
{
    SourceReports out;
    if (source.source == core::Source::Snmp) {
        out.reports = readReports(devices, jobs, interrupted);
        return out;
    }
    // The targets no device was found at: IPv4 ones as numbers (a /8 of
    // them stays small), IPv6 ones as addresses.
    std::vector<uint32_t> silent(targets.v4);
    std::sort(silent.begin(), silent.end());
    silent.erase(std::unique(silent.begin(), silent.end()), silent.end());
    std::vector<core::NetAddress> silent6(targets.v6);
    std::sort(silent6.begin(), silent6.end(), core::netAddressLess);
    silent6.erase(std::unique(silent6.begin(), silent6.end()), silent6.end());
    for (const core::DeviceListEntry& entry : devices) {
        const std::optional<core::NetAddress> address = core::deviceNetAddress(entry.identity);
        if (!address) continue;
        if (!address->v6) {
            if (auto at = std::lower_bound(silent.begin(), silent.end(), address->v4); at != silent.end() && *at == address->v4)
                silent.erase(at);
        } else if (auto at = std::lower_bound(silent6.begin(), silent6.end(), *address, core::netAddressLess);
                   at != silent6.end() && *at == *address) {
            silent6.erase(at);
        }
    }
    if (source.source == core::Source::Auto && silent.size() + silent6.size() > kMaxIppAsked) {
        out.notAsked = silent.size() + silent6.size();
        silent.clear();
        silent6.clear();
    }
    const size_t asked = devices.size() + silent.size() + silent6.size();
    std::vector<core::NetAddress> at(asked);
    std::vector<core::DeviceReport> read(asked);
    forEachParallel(asked, jobs, [&](size_t i) {
        const bool found = i < devices.size();
        if (found)
            at[i] = core::deviceNetAddress(devices[i].identity).value_or(core::NetAddress{});
        else if (i < devices.size() + silent.size())
            at[i] = core::ipv4Address(silent[i - devices.size()]);
        else
            at[i] = silent6[i - devices.size() - silent.size()];
        core::DeviceReport& report = read[i];
        if (interrupted.load()) {
            report.address = found ? core::deviceAddressText(devices[i].identity) : core::netAddressText(at[i]);
            report.problems.push_back("not read: interrupted");
        } else if (found && source.source == core::Source::Auto) {
            // SNMP's reading stays as it was unless IPP reads the printer:
            // a device that is no printer keeps its report bit for bit.
            report = core::readDeviceReport(devices[i]);
            if (!core::lacksReading(report)) return;
            core::DeviceReport ipp = core::readIpp(report.address, source, devices[i].identity.timeout);
            if (ipp.answered && ipp.printer) report = core::mergeReadings(std::move(report), ipp);
        } else if (found) {
            report = core::readFromSource(devices[i], core::deviceReadDeadline(devices[i].identity.timeout), source);
        } else {
            report = core::readIpp(core::netAddressText(at[i]), source, timeOut);
        }
    });
    // A silent address is reported only when a printer answered there over
    // IPP; the reports go by address, IPv4 first.
    std::vector<size_t> order;
    for (size_t i = 0; i < asked; ++i)
        if (i < devices.size() || (read[i].answered && read[i].printer)) order.push_back(i);
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return core::netAddressLess(at[a], at[b]); });
    for (const size_t i : order) out.reports.push_back(std::move(read[i]));
    return out;
}

std::string notAskedText(size_t notAsked)
{
    if (notAsked == 0) return {};
    return std::to_string(notAsked) + " addresses did not answer SNMP and were not asked over IPP (more than " +
           std::to_string(kMaxIppAsked) + "; --source ipp asks every one)";
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

core::LevelThreshold defaultThreshold(const CheckKindInfo& kind)
{
    return core::activeThresholds().of(kind.supplyKind);
}

CheckThresholds::CheckThresholds()
{
    for (size_t k = 0; k < kCheckKindCount; ++k) {
        warning[k] = defaultThreshold(kCheckKinds[k]).warning;
        critical[k] = defaultThreshold(kCheckKinds[k]).critical;
    }
}

core::ThresholdTable CheckThresholds::table() const
{
    core::ThresholdTable table = core::activeThresholds();
    for (size_t k = 0; k < kCheckKindCount; ++k) table.of(kCheckKinds[k].supplyKind) = {warning[k], critical[k]};
    table.of(core::SupplyKind::Ink) = table.of(core::SupplyKind::Toner);
    return table;
}

std::optional<int> parseThreshold(const std::string& text)
{
    std::string digits = text;
    if (!digits.empty() && digits.back() == ':') digits.pop_back();
    if (digits.empty() || digits.size() > 3 || digits.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const int value = std::stoi(digits);
    if (value > 100) return std::nullopt;
    return value;
}

std::optional<int> parseDaysThreshold(const std::string& text)
{
    std::string digits = text;
    if (!digits.empty() && digits.back() == ':') digits.pop_back();
    if (digits.empty() || digits.size() > 4 || digits.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const int value = std::stoi(digits);
    if (value > kMaxThresholdDays) return std::nullopt;
    return value;
}

std::string thresholdsError(const CheckThresholds& thresholds)
{
    const int dw = thresholds.daysWarning;
    const int dc = thresholds.daysCritical;
    if (dw > kMaxThresholdDays || dc > kMaxThresholdDays || dw < -1 || dc < -1)
        return "days thresholds are days from 0 to " + std::to_string(kMaxThresholdDays);
    // Fewer days left is worse: the critical number is the smaller one.
    if (dw >= 0 && dc > dw) return "the critical days threshold is above the warning one";
    for (size_t k = 0; k < kCheckKindCount; ++k) {
        const int w = thresholds.warning[k];
        const int c = thresholds.critical[k];
        if (w > 100 || c > 100 || w < -1 || c < -1)
            return std::string(kCheckKinds[k].key) + " thresholds are percentages from 0 to 100";
        if (w >= 0 && c > w)
            return std::string("the critical ") + kCheckKinds[k].key + " threshold is above the warning one";
    }
    return {};
}

namespace {

// One level the check judges: its label, its words and its kind.
struct CheckedLevel {
    size_t kind;
    std::string label;  // performance label
    std::string words;  // "toner black", "drum 1"
    std::optional<int32_t> percent;
    core::LevelState state;
};

std::vector<CheckedLevel> checkedLevels(const core::DeviceReport& report)
{
    std::vector<CheckedLevel> levels;
    // One label per colour; a second toner of a colour, or a fifth colour, is numbered: toner_other_2.
    std::map<std::string, size_t> colours;
    for (const core::TonerLevel& t : report.toner) {
        const size_t n = ++colours[t.colour];
        const std::string colour = n > 1 ? t.colour + "_" + std::to_string(n) : t.colour;
        levels.push_back({static_cast<size_t>(CheckKind::Toner), "toner_" + labelSafe(colour), "toner " + colour,
                          t.percent, t.state});
    }
    // The other kinds are numbered in the device's order: drum_1, drum_2.
    size_t counts[kCheckKindCount] = {};
    for (const core::SupplyLevel& s : report.supplies) {
        size_t kind = kCheckKindCount;
        for (size_t k = 0; k < kCheckKindCount; ++k) {
            if (kCheckKinds[k].supplyKind == s.kind) kind = k;
        }
        if (kind == kCheckKindCount) continue;  // no thresholds for this kind of supply
        const std::string number = std::to_string(++counts[kind]);
        levels.push_back({kind, std::string(kCheckKinds[kind].key) + "_" + number,
                          std::string(kCheckKinds[kind].key) + " " + number, s.percent, s.state});
    }
    return levels;
}

// "15:" for a threshold, nothing for none.
std::string rangeText(int threshold) { return threshold < 0 ? std::string() : std::to_string(threshold) + ":"; }

}  // namespace

CheckVerdict checkVerdict(const core::DeviceReport& read, const CheckThresholds& thresholds)
{
    // The states and the attention by this run's thresholds.
    core::DeviceReport report = read;
    core::judgeReading(report, thresholds.table());
    CheckVerdict verdict;
    if (!report.answered) {
        verdict.exitCode = kCheckUnknown;
        verdict.line = "NETROV UNKNOWN - no answer from " + report.address +
                       " (off line, or another community)";
        return verdict;
    }
    if (!report.printer) {
        verdict.exitCode = kCheckUnknown;
        verdict.line = "NETROV UNKNOWN - " + report.address + " answers, but holds no printer object (" +
                       statusSafe(report.model.empty() ? std::string("no model name") : report.model) + ")";
        return verdict;
    }
    int state = kCheckOk;
    // Unknown stays unknown only when nothing worse is seen.
    const auto raise = [&state](int level) {
        if (level == kCheckOk) return;
        if (state == kCheckUnknown || level > state) state = level;
    };
    std::vector<std::string> reasons;
    switch (report.statusCode) {
    case core::kStatusWarning: state = kCheckWarning; break;
    case core::kStatusError: state = kCheckCritical; break;
    case core::kStatusUnknown: state = kCheckUnknown; break;
    default: break;
    }
    std::string perf;
    size_t labels = 0;
    for (const CheckedLevel& l : checkedLevels(report)) {
        const int warning = thresholds.warning[l.kind];
        const int critical = thresholds.critical[l.kind];
        const bool judged = warning >= 0 || critical >= 0;
        // A level the device cannot tell is never a warning, let alone critical.
        if (!l.percent || !judged) continue;
        if (labels++ < kMaxCheckLabels) {
            perf += " " + l.label + "=" + std::to_string(*l.percent) + "%;" + rangeText(warning) + ";" +
                    rangeText(critical) + ";0;100";
        }
        int level = kCheckOk;
        // An empty supply stops the printer whatever the thresholds; an empty tray only when asked.
        if ((l.state == core::LevelState::Empty && l.kind != static_cast<size_t>(CheckKind::Paper)) ||
            (critical >= 0 && *l.percent < critical))
            level = kCheckCritical;
        else if (warning >= 0 && *l.percent < warning)
            level = kCheckWarning;
        if (level == kCheckOk) continue;
        reasons.push_back(l.words + " " + std::to_string(*l.percent) + "%");
        raise(level);
    }
    std::vector<std::string> storeNotes;
    if (!report.stored && (thresholds.daysWarning >= 0 || thresholds.daysCritical >= 0))
        storeNotes.push_back("no forecast: no fleet store (give --store PATH)");
    if (report.stored) {
        const core::StoredDevice& stored = *report.stored;
        const int warning = thresholds.daysWarning;
        const int critical = thresholds.daysCritical;
        bool forecast = false;
        std::string why = stored.missing;
        for (const core::StoredDaysLeft& d : stored.daysLeft) {
            if (!d.days) {
                if (why.empty()) why = d.colour + ": " + d.reason;
                continue;
            }
            forecast = true;
            if (labels++ < kMaxCheckLabels) {
                perf += " days_left_" + labelSafe(d.colour) + "=" + std::to_string(*d.days) + ";" + rangeText(warning) +
                        ";" + rangeText(critical);
            }
            int level = kCheckOk;
            if (critical >= 0 && *d.days < critical)
                level = kCheckCritical;
            else if (warning >= 0 && *d.days < warning)
                level = kCheckWarning;
            if (level == kCheckOk) continue;
            reasons.push_back(statusSafe(d.colour) + " empty in " + std::to_string(*d.days) +
                              (*d.days == 1 ? " day" : " days"));
            raise(level);
        }
        // Said, never judged: a store that cannot tell leaves the verdict to the device.
        const bool asked = warning >= 0 || critical >= 0;
        if (stored.unreadable)
            storeNotes.push_back(statusSafe(stored.missing));
        else if (asked && !forecast)
            storeNotes.push_back("no forecast in the store (" + statusSafe(why.empty() ? "no stored supplies" : why) + ")");
    }
    if (report.suppliesFailed) {
        // The first thing that failed says why (a wrong pass phrase, no answer).
        reasons.push_back(report.problems.empty() ? std::string("toner not read")
                                                  : "toner not read: " + statusSafe(report.problems.front()));
        // A check that could not see the supplies never says OK.
        if (state == kCheckOk) state = report.statusRead ? kCheckWarning : kCheckUnknown;
    }
    // The judgement the report and the desktop list show: what needs
    // attention there is never OK here.
    const core::Attention attention = core::deviceAttention(report);
    if (attention.reasons & core::kAttentionSupplyEmpty) raise(kCheckCritical);
    if (attention.needed()) raise(kCheckWarning);
    for (size_t i = 0; i < report.alerts.size(); ++i) {
        // Information the printer gives (ready, power save) is no reason.
        if (i < report.alertReadings.size() && report.alertReadings[i].informational) continue;
        reasons.push_back(statusSafe(i < report.alertReadings.size()
                                         ? core::alertWords(report.alertReadings[i].facts, report.alerts[i])
                                         : report.alerts[i]));
    }
    if (reasons.empty() && attention.needed()) reasons.push_back(core::attentionWords(attention));
    reasons.insert(reasons.end(), storeNotes.begin(), storeNotes.end());
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
