// netrov-cli: searches the network for devices, and reads one device's model, information or status.
#include <unistd.h>
#ifdef _WIN32
#  include <windows.h>
#endif

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <iostream>
#include <optional>
#include <span>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <CLI/CLI.hpp>

#include <netrov/result_codes.h>
#include <netrov/snmp_version.h>

#include "alert_report.h"
#include "cli_input.h"
#include "device_session.h"
#include "end_app.h"
#include "exit_codes.h"
#include "fleet_commands.h"
#include "platform/file_system.h"
#include "platform/module_path.h"
#include "platform/regular_file.h"
#include "profiles.h"
#include "front_library.h"
#include "query_commands.h"
#include "query_reading.h"
#include "record_schema.h"
#include "report.h"
#include "result_text.h"
#include "search_run.h"
#include "search_settings.h"
#include "source_choice.h"
#include "store_commands.h"
#include "notify_options.h"
#include "sweep.h"
#include "sweep_search.h"
#include "mdns_search.h"
#include "targets.h"
#include "words.h"
#include "trap_job.h"

namespace {

using namespace netrov;

using cli::kExitBadInput;
using cli::kExitFailed;
using cli::kExitInterrupted;
using cli::kExitOk;

std::atomic<int> gInterrupted{0};
// When the last counted interruption came, in milliseconds of a monotonic clock.
std::atomic<int64_t> gLastInterruptMs{0};
static_assert(std::atomic<int64_t>::is_always_lock_free, "the signal handler needs a lock-free clock value");

// One Ctrl-C can arrive twice: `timeout` and shells signal the program and
// then its whole process group. Signals this close to the one counted are
// the same interruption, so the second cannot stop what the first lets finish.
constexpr int64_t kSameInterruptMs = 500;

int64_t monotonicMs() noexcept
{
#ifdef _WIN32
    return static_cast<int64_t>(GetTickCount64());
#else
    // clock_gettime may be called from a signal handler.
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
#endif
}

// Counts: a sweep stops sending at the first and stops reading at the second.
extern "C" void onInterrupt(int)
{
    const int64_t now = monotonicMs();
    if (gInterrupted.load() > 0 && now - gLastInterruptMs.load() < kSameInterruptMs) return;
    gLastInterruptMs.store(now);
    gInterrupted.fetch_add(1);
}

void catchInterrupts()
{
#ifdef _WIN32
    // Ctrl+C and Ctrl+Break arrive as SIGINT and SIGBREAK.
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGBREAK, onInterrupt);
#else
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
#endif
}

// Each line of the message on a line of its own (a targets file reports
// every bad line), made safe for the terminal.
int badInput(const std::string& message)
{
    std::istringstream lines(message);
    for (std::string line; std::getline(lines, line);) std::cerr << "netrov-cli: " << cli::terminalSafe(line) << "\n";
    return kExitBadInput;
}

// CLI11 reports a word that names no command as a missing command; name the
// word instead, with the commands that exist at that level. Empty when the
// error is about something else.
std::string unknownCommand(CLI::App& app)
{
    CLI::App* level = &app;
    for (bool deeper = true; deeper;) {
        deeper = false;
        for (CLI::App* sub : level->get_subcommands({})) {
            if (!sub->parsed()) continue;
            level = sub;
            deeper = true;
            break;
        }
    }
    std::string known;
    for (const CLI::App* sub : level->get_subcommands({})) known += (known.empty() ? "" : ", ") + sub->get_name();
    if (known.empty()) return {};
    for (const std::string& word : level->remaining()) {
        if (word.empty() || word.front() == '-') continue;
        const std::string where = level == &app ? std::string() : " " + level->get_name();
        return "unknown command" + where + " \"" + word + "\" (commands: " + known + ")";
    }
    return {};
}

// The installation is the directory of the program: it must hold at least
// one support package (a folder with a readable support.ini).
std::string checkInstallation()
{
    std::error_code ec;
    const std::string exe = platform::programPath();
    if (exe.empty()) return "cannot find the program's own directory";
    const std::filesystem::path dir = std::filesystem::path(exe).parent_path();
    for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
        if (!entry.is_directory(ec)) continue;
        if (platform::isReadableFile((entry.path() / "support.ini").string())) return {};
    }
    return "unreadable installation: no support package (a folder with support.ini) in " + dir.string();
}

struct CommonOptions {
    std::vector<std::string> communities;  // none given: the default community
    std::string snmpVersion = "1";
    std::vector<std::string> profiles;  // SNMPv3 credential profiles, tried after the communities
    int64_t timeOut = core::kDefaultTimeOut;
    bool json = false;
};

// The options every command that reads a device shares, checked.
struct CheckedCommon {
    int32_t timeOut = 0;
    std::vector<std::string> communities;
    int32_t snmpVersion = 0;
    std::vector<std::string> profiles;
};

std::string checkCommon(const CommonOptions& options, CheckedCommon& checked)
{
    const auto t = cli::checkTimeOut(options.timeOut);
    if (!t.value) return t.error;
    checked.timeOut = *t.value;
    auto communities = cli::checkCommunities(options.communities);
    if (!communities.value) return communities.error;
    checked.communities = std::move(*communities.value);
    const auto version = cli::checkSnmpVersion(options.snmpVersion);
    if (!version.value) return version.error;
    checked.snmpVersion = *version.value;
    auto profiles = cli::checkProfiles(options.profiles, core::profilesPath());
    if (!profiles.value) return profiles.error;
    checked.profiles = std::move(*profiles.value);
    return {};
}

// The opening checks of every one-device command: the address, the
// community and time-out, the installation, in that order.
struct CheckedDevice {
    core::NetAddress address;
    int32_t timeOut = 0;
    std::string community;  // the one that answered, of several; else the one given
    int32_t snmpVersion = 0;
    std::string error;  // why the command cannot run; empty when it can
};

// The first community an IPv6 device answers a model read with; null when
// none does. The paced probe below sends IPv4 only.
const std::string* answeringOverIpv6(core::FrontLibrary& library, const core::NetAddress& address, const CheckedCommon& common)
{
    for (const std::string& community : common.communities) {
        if (gInterrupted.load() != 0) break;
        cli::Session probe(library);
        if (probe.open(address, community, common.timeOut, common.snmpVersion).modelResult != NETROV_NO_REPLY) return &community;
    }
    return nullptr;
}

// With several communities, one paced request per community finds the one
// the device answers; the command then reads with it. None answering keeps
// the first, so the command reports the silence as it always has.
std::string answeringCommunity(core::FrontLibrary& library, const core::NetAddress& address, const CheckedCommon& common)
{
    if (common.communities.size() < 2) return common.communities.front();
    if (address.v6) {
        const std::string* answering = answeringOverIpv6(library, address, common);
        return answering ? *answering : common.communities.front();
    }
    core::SweepSettings probe;
    probe.community = common.communities.front();
    probe.moreCommunities.assign(common.communities.begin() + 1, common.communities.end());
    probe.timeOutMs = common.timeOut * 1000;
    const core::SweepResult result = core::sweep(std::vector<uint32_t>{address.v4}, probe, &gInterrupted, {});
    if (result.answeredWith.empty() || result.answeredWith.front() >= common.communities.size())
        return common.communities.front();
    return common.communities[result.answeredWith.front()];
}

// The first profile the device answers a model read with; else the first
// profile, so the command reports that profile's fault by its name.
std::string answeringProfile(core::FrontLibrary& library, const core::NetAddress& address, const CheckedCommon& common)
{
    for (const std::string& profile : common.profiles) {
        if (gInterrupted.load() != 0) break;
        cli::Session probe(library);
        if (probe.open(address, profile, common.timeOut, NETROV_SNMP_V3).modelResult == NETROV_OK) return profile;
    }
    return common.profiles.front();
}

// Whether any community reaches the device, by one paced request each; the
// SNMPv3 probe in the same exchange ends the wait as soon as the device
// shows that it speaks only SNMPv3.
bool anyCommunityAnswers(core::FrontLibrary& library, const core::NetAddress& address, const CheckedCommon& common)
{
    if (address.v6) return answeringOverIpv6(library, address, common) != nullptr;
    core::SweepSettings probe;
    probe.community = common.communities.front();
    probe.moreCommunities.assign(common.communities.begin() + 1, common.communities.end());
    probe.timeOutMs = common.timeOut * 1000;
    probe.probeV3 = true;
    const core::SweepResult swept = core::sweep(std::vector<uint32_t>{address.v4}, probe, &gInterrupted, {});
    return !swept.responders.empty() && (swept.engines.empty() || swept.engines.front().empty());
}

CheckedDevice checkDevice(core::FrontLibrary& library, const std::string& addressText, const CommonOptions& options)
{
    CheckedDevice checked;
    const auto address = cli::resolveAddress(addressText);
    if (!address.value) {
        checked.error = address.error;
        return checked;
    }
    checked.address = *address.value;
    CheckedCommon common;
    checked.error = checkCommon(options, common);
    if (!checked.error.empty()) return checked;
    checked.timeOut = common.timeOut;
    checked.snmpVersion = common.snmpVersion;
    checked.error = checkInstallation();
    if (!checked.error.empty()) return checked;
    // Profiles come after the communities: a device no community reaches is
    // read by SNMPv3 with the first profile it answers.
    if (!common.profiles.empty() && !anyCommunityAnswers(library, checked.address, common)) {
        checked.community = answeringProfile(library, checked.address, common);
        checked.snmpVersion = NETROV_SNMP_V3;
        return checked;
    }
    checked.community = answeringCommunity(library, checked.address, common);
    return checked;
}

void drawProgress(int position, bool final)
{
    constexpr int kWidth = 30;
    const int filled = position * kWidth / 100;
    std::string bar = "\rsearching [" + std::string(static_cast<size_t>(filled), '#') +
                      std::string(static_cast<size_t>(kWidth - filled), ' ') + "] " + std::to_string(position) + "%";
    if (final) bar = "\r" + std::string(bar.size(), ' ') + "\r";
    std::cerr << bar << std::flush;
}

// Waits for the run, drawing the bar on every tick of the clock; false when interrupted.
bool waitForRun(core::SearchRun& run, const core::SearchSettings& settings, bool showProgress)
{
    constexpr auto kSlice = std::chrono::milliseconds(10);
    core::ProgressClock clock(core::expectedDurationMs(settings));
    auto nextTick = std::chrono::steady_clock::now() + std::chrono::milliseconds(clock.periodMs());
    if (showProgress) drawProgress(0, false);
    for (;;) {
        if (gInterrupted.load()) {
            if (showProgress) drawProgress(0, true);
            return false;
        }
        if (!showProgress && run.ended()) return true;
        const auto now = std::chrono::steady_clock::now();
        if (showProgress && now >= nextTick) {
            nextTick += std::chrono::milliseconds(clock.periodMs());
            const bool done = clock.tick(run.ended());
            drawProgress(clock.position(), false);
            if (done) {
                drawProgress(clock.position(), true);
                return true;
            }
        }
        std::this_thread::sleep_for(kSlice);
    }
}

struct SearchOptions {
    CommonOptions common;
    bool noBroadcast = false;
    bool noV3Probe = false;
    std::vector<std::string> addresses;
    std::vector<std::string> ranges;
    int64_t retry = 0;
    std::string maker;
    bool makerGiven = false;
    bool progress = false;
    bool noProgress = false;
    // Every target expanded; a sweep runs when a block, a large range or a
    // file was given, or the targets add up to over 255 addresses.
    cli::TargetList targets;
    bool sweep = false;
    int64_t rate = core::kDefaultSweepRate;
    bool mdns = false;  // also browse for printers that announce themselves by mDNS
};

// What a search prints: the device table, or the fleet report.
struct ReportOptions {
    bool csv = false;
    bool excel = false;  // CSV with a UTF-8 byte-order mark, which spreadsheets need to read UTF-8
    int64_t jobs = 8;
    std::string output;  // a file that gets the report with the devices' texts unchanged
    std::string store;   // the fleet store that gives last_seen and days left; empty: the default one when it exists
    cli::SourceChoice source;
};

int runSearch(core::FrontLibrary& library, const SearchOptions& options, const std::vector<std::string>& orderedEntries,
              const ReportOptions* report = nullptr)
{
    if (report && (report->jobs < 1 || report->jobs > 64))
        return badInput("jobs " + std::to_string(report->jobs) + " is outside 1 to 64");
    if (report && options.common.json && (report->csv || report->excel))
        return badInput(std::string("--json and ") + (report->csv ? "--csv" : "--excel") + " ask for two forms; give one");
    core::SourceOptions source;
    if (report) {
        if (const std::string error = cli::checkSourceChoice(report->source, source); !error.empty()) return badInput(error);
    }
    core::SearchSettings settings = core::defaultSearchSettings();
    CheckedCommon common;
    if (auto error = checkCommon(options.common, common); !error.empty()) return badInput(error);
    settings.TimeOut = common.timeOut;
    const auto retry = cli::checkRetry(options.retry);
    if (!retry.value) return badInput(retry.error);
    if (options.rate < 1 || options.rate > core::kMaxSweepRate)
        return badInput("rate " + std::to_string(options.rate) + " is outside 1 to 1000000 requests per second");
    const bool sweep = options.sweep || options.targets.size() > core::kMaxAddresses;
    const auto list = sweep ? cli::Checked<core::SearchAddressList>{core::SearchAddressList{}, {}}
                            : cli::buildAddressList(orderedEntries);
    if (!list.value) return badInput(list.error);
    if (options.mdns && options.noBroadcast && options.targets.empty() && list.value->count() == 0)
        return cli::runMdnsOnly(options.common.json, gInterrupted, options.maker);
    if (options.noBroadcast && options.targets.empty() && list.value->count() == 0)
        return badInput("nothing to search: --no-broadcast needs --address or --range");
    if (auto error = checkInstallation(); !error.empty()) return badInput(error);

    settings.BroadCast = options.noBroadcast ? 0 : 1;
    // The maker is matched here, ignoring case, once the devices are read:
    // the library's own filter is exact.
    settings.Filter = 0;
    settings.IPSearch = list.value->count() > 0 || (!sweep && !options.targets.v6.empty()) ? 1 : 0;
    settings.Retry = *retry.value;
    core::SearchExtent extent;
    core::setCommunityList(settings, extent, common.communities);
    extent.snmpVersion = common.snmpVersion;
    extent.profiles = common.profiles;
    // Printers that speak only SNMPv3 are listed, with or without a profile that fits.
    extent.probeV3 = !options.noV3Probe;
    std::vector<core::CredentialsNeeded> credentialsNeeded;

    cli::Session session(library);
    cli::MdnsSearch mdns(options.mdns, gInterrupted, options.maker);
    core::DeviceList devices;
    int status = kExitOk;
    core::SearchShortage shortage;
    const bool showProgress = !options.noProgress && (options.progress || isatty(STDERR_FILENO));
    if (sweep) {
        cli::SweepSearch search{settings, extent, options.maker, static_cast<uint32_t>(options.rate), showProgress, &library};
        const cli::SweepOutcome outcome = cli::sweepSearch(options.targets, search, devices, gInterrupted, std::cerr);
        credentialsNeeded = outcome.credentialsNeeded;
        if (!outcome.error.empty()) {
            std::cerr << "netrov-cli: " << outcome.error << "\n";
            return kExitFailed;
        }
        if (outcome.interrupted) {
            std::cerr << "netrov-cli: interrupted; listing what was found so far\n";
            status = kExitInterrupted;
        }
    } else {
        core::SearchRun run(library, devices);
        // The user's time-out also bounds the queries of the devices found.
        run.setFoundDeviceTimeOut(settings.TimeOut);
        run.setExtent(extent);
        run.setIpv6Addresses(options.targets.v6);
        if (!run.start(settings, *list.value, options.maker)) {
            std::cerr << "netrov-cli: cannot start the search\n";
            return kExitFailed;
        }
        if (!waitForRun(run, settings, showProgress)) {
            std::cerr << "netrov-cli: aborting the search...\n";
            run.abort();
            status = kExitInterrupted;
        }
        run.wait();
        shortage = run.shortage();
        credentialsNeeded = run.credentialsNeeded();
    }
    if (status != kExitOk && !sweep) {
        std::cerr << "netrov-cli: search aborted\n";
        return status;
    }

    // Threads finish in any order; people and scripts get the devices by address.
    std::vector<core::DeviceListEntry> entries = devices.copyAll();
    if (options.makerGiven) {
        std::erase_if(entries, [&options](const core::DeviceListEntry& entry) {
            const auto& model = entry.identity.modelName;
            return !cli::containsIgnoringCase(core::fieldText(model, sizeof model), options.maker);
        });
    }
    std::stable_sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        return core::addressTextLess(core::deviceAddressText(a.identity), core::deviceAddressText(b.identity));
    });
    if (report) {
        cli::SourceReports read =
            cli::readSourceReports(entries, options.targets, source, settings.TimeOut, static_cast<int>(report->jobs), gInterrupted);
        if (const std::string note = cli::notAskedText(read.notAsked); !note.empty()) std::cerr << "netrov-cli: " << note << "\n";
        auto& reports = read.reports;
        if (const std::string path = cli::storeToRead(report->store); !path.empty()) {
            // The report goes on without the store: its columns stay, empty.
            if (const std::string error = cli::addStoredViews(path, reports, std::time(nullptr)); !error.empty())
                std::cerr << "netrov-cli: " << cli::terminalSafe(error) << "; last_seen and days_left stay empty\n";
        }
        const bool json = options.common.json;
        const std::string mark = report->excel ? core::kUtf8ByteOrderMark : "";
        if (!report->output.empty()) {
            // A file keeps the devices' texts as they are, as a pipe does; a terminal never gets their controls.
            const std::string text = json ? cli::dumpJson(core::reportJson(reports)) + "\n" : mark + core::reportCsv(reports);
            if (!platform::replaceFile(report->output, text)) {
                std::cerr << "netrov-cli: cannot write the report to " << cli::terminalSafe(report->output) << "\n";
                return kExitFailed;
            }
        } else if (json) {
            std::cout << cli::dumpJson(core::reportJson(reports)) << "\n";
        } else {
            std::cout << mark << core::reportCsv(reports, cli::standardOutputCells());
        }
        std::cerr << cli::countText(reports.size(), "device", "devices") << " reported\n";
        if (reports.empty() && status == kExitOk)
            std::cerr << "netrov-cli: " << cli::terminalSafe(cli::nothingAnsweredHint(common.communities, common.snmpVersion)) << "\n";
        return status;
    }
    std::vector<cli::DeviceRow> rows;
    for (const auto& entry : entries) rows.push_back(cli::rowOf(entry));
    mdns.join(rows);
    // Devices that answer only SNMPv3, with no profile that fits, are listed
    // after the ones read: they are there, and need credentials.
    std::vector<cli::DeviceRow> hardened;
    for (const core::CredentialsNeeded& needed : credentialsNeeded) {
        cli::DeviceRow& row = hardened.emplace_back();
        row.ipAddress = core::credentialsNeededAddress(needed);
        row.status = core::kCredentialsNeededText;
        if (needed.enterprise) row.model = "enterprise " + std::to_string(*needed.enterprise);
        row.statusCode = -1;
    }
    if (options.common.json) {
        nlohmann::json document = cli::toJson(rows);
        // A device read by SNMPv3 names the profile that reached it (a name, never a secret).
        for (size_t i = 0; i < entries.size() && i < document["devices"].size(); ++i) {
            const DeviceIdentity& identity = entries[i].identity;
            if (netrovSnmpVersion(&identity) == NETROV_SNMP_V3)
                document["devices"][i]["profile"] = core::fieldText(identity.community, sizeof identity.community);
        }
        for (size_t i = 0; i < hardened.size(); ++i) {
            nlohmann::json device = cli::toJson(hardened[i]);
            device["model"] = nullptr;
            device["credentialsNeeded"] = true;
            device["enterprise"] = credentialsNeeded[i].enterprise ? nlohmann::json(*credentialsNeeded[i].enterprise)
                                                                    : nlohmann::json();
            document["devices"].push_back(std::move(device));
        }
        mdns.addJson(document);
        document["count"] = rows.size() + hardened.size();
        std::cout << cli::dumpJson(document) << "\n";
    } else {
        std::vector<cli::DeviceRow> all = rows;
        all.insert(all.end(), hardened.begin(), hardened.end());
        std::cout << cli::formatTable(all) << mdns.detailText();
        std::cerr << cli::countText(rows.size(), "device", "devices") << " found";
        if (!hardened.empty())
            std::cerr << ", " << hardened.size() << (hardened.size() == 1 ? " more that needs" : " more that need")
                      << " SNMPv3 credentials";
        std::cerr << "\n";
    }
    std::cerr << mdns.note();
    if (rows.empty() && status == kExitOk)
        std::cerr << "netrov-cli: " << cli::terminalSafe(cli::nothingAnsweredHint(common.communities, common.snmpVersion)) << "\n";
    if (shortage.any()) {
        std::cerr << "netrov-cli: " << core::shortageText(shortage) << "\n";
        return kExitFailed;
    }
    return status;
}

enum class DeviceQuery { Model, Info, Status };

int runDeviceQuery(core::FrontLibrary& library, DeviceQuery query, const std::string& addressText, const CommonOptions& options,
                   const cli::SourceChoice& sourceChoice = {})
{
    core::SourceOptions source;
    if (const std::string error = cli::checkSourceChoice(sourceChoice, source); !error.empty()) return badInput(error);
    const CheckedDevice checked = checkDevice(library, addressText, options);
    if (!checked.error.empty()) return badInput(checked.error);

    cli::Session session(library);
    // IPP alone asks nothing over SNMP.
    cli::OpenedDevice opened =
        source.source == core::Source::Ipp
            ? cli::OpenedDevice{cli::deviceAt(checked.address, checked.community, checked.timeOut, checked.snmpVersion), NETROV_NO_REPLY, {}}
            : session.open(checked.address, checked.community, checked.timeOut, checked.snmpVersion);
    DeviceIdentity& device = opened.identity;
    const std::string& model = opened.model;
    const auto failed = [&](const char* what, int32_t result) {
        if (result == NETROV_NO_REPLY)
            std::cerr << "netrov-cli: " << cli::noAnswerText(addressText) << "\n";
        else if (result == NETROV_NO_VALUE && query == DeviceQuery::Status)
            // A switch or a computer answers, but has no printer objects to report.
            std::cerr << "netrov-cli: " << addressText << " answered, but reports no printer status: it is not a printer\n";
        else
            std::cerr << "netrov-cli: cannot read the " << what << " of " << addressText << ": "
                      << core::resultWords(result) << "\n";
        return kExitFailed;
    };
    nlohmann::json out = {{"ipAddress", core::netAddressText(checked.address)}, {"model", model}};
    const bool answered = opened.modelResult != NETROV_NO_REPLY;
    if (query != DeviceQuery::Status && cli::statusFromReading(source, answered)) {
        // The identity of the one reading of the chosen source.
        core::DeviceListEntry entry{};
        entry.identity = device;
        const core::DeviceReport report = core::readFromSource(entry, core::deviceReadDeadline(checked.timeOut), source, answered);
        // Where neither source answers, auto says what SNMP's silence says.
        if (source.source == core::Source::Auto && !(report.answered && report.printer)) return failed("model", opened.modelResult);
        const auto view = query == DeviceQuery::Model ? cli::ReadingView::Model : cli::ReadingView::Info;
        return cli::printReadingView(view, report, options.json, false, std::cout, std::cerr);
    }

    if (query == DeviceQuery::Model) {
        if (opened.modelResult != NETROV_OK) return failed("model", opened.modelResult);
        if (model.empty()) {
            std::cerr << "netrov-cli: " << addressText << " answered, but its model object holds no text\n";
            return kExitFailed;
        }
        if (options.json)
            std::cout << cli::dumpJson(out) << "\n";
        else
            std::cout << cli::terminalSafe(model) << "\n";
        return kExitOk;
    }
    if (query == DeviceQuery::Status) {
        if (!answered && !cli::statusFromReading(source, answered)) return failed("model", opened.modelResult);
        // The one reading the report and the check make, from the chosen
        // source; its status records, alerts and attention are what is shown.
        core::DeviceListEntry entry{};
        entry.identity = device;
        const core::DeviceReport report = core::readFromSource(entry, core::deviceReadDeadline(checked.timeOut), source, answered);
        if (report.source != "snmp") return cli::printReadingStatus(report, options.json, std::cout, std::cerr);
        // A printer without the host-resources device table gives its alerts with
        // an unknown status and says its status objects held nothing: it is shown
        // when alerts or supplies make it a printer (a switch answers with neither).
        const bool withoutStatus = report.statusResult == NETROV_NO_VALUE && !report.statusRecords.empty();
        if (report.statusResult != NETROV_OK && !withoutStatus) return failed("status", report.statusResult);
        const bool anyAlert = std::any_of(report.statusRecords.begin(), report.statusRecords.end(),
                                          [](const core::StatusRecord& r) { return r.record.alertCodeValid && r.record.alertCode != 0; });
        if (withoutStatus && !anyAlert && report.toner.empty() && report.supplies.empty())
            return failed("status", report.statusResult);
        if (options.json) {
            cli::addStatusJson(report, out);
            std::cout << cli::dumpJson(out) << "\n";
        } else {
            std::cout << cli::statusLines(report);
        }
        return kExitOk;
    }
    if (opened.modelResult == NETROV_NO_REPLY) return failed("model", opened.modelResult);

    // Information is read as every other described query is.
    const core::QuerySchema* schema = core::findQuery("GetDevInfo");
    if (!schema) return failed("information", NETROV_NO_ENTRY_POINT);
    const core::QueryReading reading = core::readQuery(session.library().access(), *schema, device);

    if (reading.result != NETROV_OK) return failed("information", reading.result);
    DeviceInfo info{};
    if (reading.stored() > 0) info = *static_cast<const DeviceInfo*>(reading.record(0));
    if (options.json) {
        out.update(cli::toJson(info));
        std::cout << cli::dumpJson(out) << "\n";
    } else {
        const cli::DeviceRow row = cli::rowOf(core::DeviceListEntry{device, info, {}});
        std::cout << "Model:       " << cli::terminalSafe(model) << "\n"
                  << "Device:      " << cli::terminalSafe(row.device) << "\n"
                  << "Location:    " << cli::terminalSafe(row.location) << "\n"
                  << "IP address:  " << row.ipAddress << "\n"
                  << "MAC address: " << row.macAddress << "\n";
    }
    return kExitOk;
}

int runSet(core::FrontLibrary& library, cli::SetCommand command, const std::string& addressText, const CommonOptions& options)
{
    const CheckedDevice checked = checkDevice(library, addressText, options);
    if (!checked.error.empty()) return badInput(checked.error);
    return cli::runSetCommand(library, command, checked.address, checked.community, checked.timeOut,
                              options.json, std::cout, std::cerr, checked.snmpVersion);
}

int runRead(core::FrontLibrary& library, cli::ReadCommand command, const std::string& addressText, const CommonOptions& options,
            cli::ReadOptions read, const cli::SourceChoice& sourceChoice)
{
    if (const std::string error = cli::checkSourceChoice(sourceChoice, read.source); !error.empty()) return badInput(error);
    const CheckedDevice checked = checkDevice(library, addressText, options);
    if (!checked.error.empty()) return badInput(checked.error);
    read.community = checked.community;
    read.snmpVersion = checked.snmpVersion;
    read.timeOut = checked.timeOut;
    read.json = options.json;
    read.bars = cli::standardOutputIsTerminal();
    return cli::runReadCommand(command, checked.address, read, std::cout, std::cerr);
}

// The check's options beyond a device's: thresholds as given, and the store.
struct CheckOptions {
    std::vector<std::string> warnings = std::vector<std::string>(cli::kCheckKindCount);
    std::vector<std::string> criticals = std::vector<std::string>(cli::kCheckKindCount);
    std::string daysWarning;
    std::string daysCritical;
    std::string store;
    cli::SourceChoice source;
};

int runCheck(core::FrontLibrary& library, const std::string& addressText, const CommonOptions& options, const CheckOptions& given)
{
    const std::vector<std::string>& warnings = given.warnings;
    const std::vector<std::string>& criticals = given.criticals;
    const auto unknown = [](const std::string& why) {
        std::cout << "NETROV UNKNOWN - " << why << "\n";
        return cli::kCheckUnknown;
    };
    if (addressText.empty()) return unknown("the device's address is missing (-H ADDRESS)");
    cli::CheckThresholds thresholds;
    for (size_t k = 0; k < cli::kCheckKindCount; ++k) {
        for (const auto& [given, into] : {std::pair{&warnings[k], &thresholds.warning[k]}, std::pair{&criticals[k], &thresholds.critical[k]}}) {
            if (given->empty()) continue;
            const auto value = cli::parseThreshold(*given);
            if (!value) return unknown(std::string(cli::kCheckKinds[k].key) + " threshold \"" + cli::terminalSafe(*given) +
                                       "\" is not a percentage from 0 to 100 (N, or N: as the range)");
            *into = *value;
        }
    }
    for (const auto& [text, into] : {std::pair{&given.daysWarning, &thresholds.daysWarning},
                                     std::pair{&given.daysCritical, &thresholds.daysCritical}}) {
        if (text->empty()) continue;
        const auto value = cli::parseDaysThreshold(*text);
        if (!value) return unknown("days threshold \"" + cli::terminalSafe(*text) + "\" is not days from 0 to " +
                                   std::to_string(cli::kMaxThresholdDays) + " (N, or N: as the range)");
        *into = *value;
    }
    if (const std::string error = cli::thresholdsError(thresholds); !error.empty()) return unknown(error);
    core::setActiveThresholds(thresholds.table());
    const CheckedDevice checked = checkDevice(library, addressText, options);
    if (!checked.error.empty()) return unknown(checked.error);
    core::SourceOptions source;
    if (const std::string error = cli::checkSourceChoice(given.source, source); !error.empty()) return unknown(error);

    const core::Deadline deadline = core::deviceReadDeadline(checked.timeOut);
    cli::Session session(library);
    core::DeviceListEntry entry{};
    const cli::OpenedDevice opened = source.source == core::Source::Ipp
        ? cli::OpenedDevice{cli::deviceAt(checked.address, checked.community, checked.timeOut, checked.snmpVersion), NETROV_NO_REPLY, {}}
        : session.open(checked.address, checked.community, checked.timeOut, checked.snmpVersion);
    entry.identity = opened.identity;
    core::setDeviceAddress(entry.identity, checked.address);
    entry.identity.timeout = checked.timeOut;
    core::DeviceReport report;
    if (opened.modelResult == NETROV_NO_REPLY && source.source == core::Source::Snmp) {
        report.address = core::netAddressText(checked.address);
        report.answered = false;
    } else {
        report = core::readFromSource(entry, deadline, source, opened.modelResult != NETROV_NO_REPLY);
        if (const std::string path = cli::storeToRead(given.store); !path.empty() && report.printer)
            cli::addStoredViews(path, std::span(&report, 1), std::time(nullptr));
    }
    const cli::CheckVerdict verdict = cli::checkVerdict(report, thresholds);
    std::cout << verdict.line << "\n";
    return verdict.exitCode;
}

// Addresses, ranges, blocks and the targets file of a search, checked and
// expanded; 0, or the exit code of bad input.
int collectTargets(CLI::App* command, const CLI::Option* addressOption, const CLI::Option* rangeOption,
                   const std::string& targetsFile, SearchOptions& options, std::vector<std::string>& entries)
{
    // Addresses and ranges are searched in the order they were given.
    size_t nextAddress = 0;
    size_t nextRange = 0;
    for (const CLI::Option* option : command->parse_order()) {
        cli::TargetList expanded;
        if (option == addressOption) {
            const std::string& text = options.addresses.at(nextAddress++);
            // An IPv6 address is asked directly: no broadcast reaches it.
            if (const auto v6 = core::parseNetAddress(text); v6 && v6->v6) {
                expanded.v6.push_back(*v6);
            } else {
                const auto checked = cli::resolveAddress(text);
                if (!checked.value) return badInput(checked.error);
                if (checked.value->v6) {
                    expanded.v6.push_back(*checked.value);
                } else {
                    entries.push_back(core::addressToText(checked.value->v4));
                    expanded.v4.push_back(checked.value->v4);
                }
            }
        } else if (option == rangeOption && options.ranges.at(nextRange).find(':') != std::string::npos) {
            // IPv6 ranges and blocks go to the IPv6 sweep, or are asked one
            // by one when the targets are few.
            const auto all = cli::expandIpv6Target(options.ranges.at(nextRange++));
            if (!all.value) return badInput(all.error);
            expanded.v6 = *all.value;
        } else if (option == rangeOption) {
            const std::string& text = options.ranges.at(nextRange++);
            const auto checked = cli::checkRange(text);
            if (checked.value) entries.push_back(*checked.value);
            // Blocks and ranges of any size go to the sweep.
            if (!checked.value && !cli::isBlockOrRange(text)) return badInput(checked.error);
            const auto all = cli::expandTarget(text);
            if (!all.value) return badInput(all.error);
            // A small block is one range of the normal search.
            if (!checked.value && !all.value->empty() && all.value->size() <= core::kMaxAddresses)
                entries.push_back(core::addressToText(all.value->front()) + "," + core::addressToText(all.value->back()));
            else
                options.sweep = options.sweep || !checked.value;
            expanded.v4 = *all.value;
        } else {
            continue;
        }
        std::string error;
        if (!cli::appendTargets(&options.targets, expanded, &error)) return badInput(error);
    }
    if (!targetsFile.empty()) {
        // A named file is read like every other file: never a FIFO or a
        // device that could hold the program up, and within a size limit.
        std::istringstream named;
        if (targetsFile != "-") {
            const platform::FileBytes file = platform::readRegularFile(targetsFile);
            if (file.status != platform::ReadStatus::Read)
                return badInput("cannot read the targets file " + targetsFile + " (missing, not a regular file, or over 16 MiB)");
            named.str(file.bytes);
        }
        const auto listed = cli::readTargets(targetsFile == "-" ? static_cast<std::istream&>(std::cin) : named, targetsFile);
        if (!listed.value) return badInput(listed.error);
        std::string error;
        if (!cli::appendTargets(&options.targets, *listed.value, &error)) return badInput(error);
        options.sweep = true;
    }
    return kExitOk;
}

const std::string kTimeOutHelp = "reply time-out in seconds, 1 to 60 (default 3); a device read starts no query "
                                 "after " + std::to_string(core::kDeviceReadTimeOuts) + " time-outs";

// The options of every command that reads a device, but --json.
// -C and -t beside the long names, as monitoring plugins take them, on
// every command that reads a device alike.
void addDeviceOptions(CLI::App* command, CommonOptions& options)
{
    command
        ->add_option("-C,--community", options.communities,
                     "SNMP read community (default tarpon); repeatable: each is tried in order, and a device is read "
                     "with the one it answered")
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    command->add_option("--snmp-version", options.snmpVersion,
                        "SNMP version: 1 (the default), 2c, or auto (2c first, 1 when 2c gets no answer)");
    command
        ->add_option("--profile", options.profiles,
                     "SNMPv3 credential profile from netrov/profiles.ini in the configuration folder; repeatable: "
                     "each is tried in order after the communities, and a device is read with the one it answered")
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    command->add_option("-t,--timeout", options.timeOut, kTimeOutHelp);
}

void addCommonOptions(CLI::App* command, CommonOptions& options)
{
    addDeviceOptions(command, options);
    command->add_flag("--json", options.json, "print JSON instead of text");
}

// Two flags that say opposite things are refused rather than one silently winning.
void refuseTogether(CLI::App* command, const std::string& one, const std::string& other)
{
    command->get_option(one)->excludes(command->get_option(other));
}

// Everything the command line gives, for whichever command runs: each
// command's options fill their own part, and its runner reads that part.
struct Given {
    explicit Given(core::FrontLibrary& library) : library(library) {}

    // The one front library of this run, handed to every command that reads a device.
    core::FrontLibrary& library;

    SearchOptions search;
    std::string searchTargets;
    CLI::Option* searchAddress = nullptr;
    CLI::Option* searchRange = nullptr;
    CLI::Option* maker = nullptr;

    SearchOptions reportSearch;
    ReportOptions report;
    std::string reportTargets;
    CLI::Option* reportRange = nullptr;

    CommonOptions checkCommon;
    std::string checkAddress;
    CheckOptions check;

    // The one-device commands share these: only one of them runs.
    CommonOptions device;
    std::string deviceAddress;
    cli::SourceChoice statusSource;  // status, toner and supplies
    cli::ReadOptions read;

    SearchOptions watchSearch;
    std::string watchTargets;
    CLI::Option* watchAddress = nullptr;
    CLI::Option* watchRange = nullptr;
    cli::SourceChoice watchSource;
    std::string watchInterval = "15m";
    int64_t watchRounds = 0;
    int64_t watchJobs = 8;
    std::string storePath = cli::defaultStorePath();
    std::string historyKey;
    bool historyJson = false;
    bool fleetCsv = false;
    bool fleetJson = false;
    cli::NotifyGiven notify;

    std::string endMutex;
};

// One command: the group it belongs to, its words in the help, the options
// it takes and what runs when it is the one given. A group only holds
// commands and runs nothing itself.
struct Command {
    const char* group;  // null: a command of the program itself
    std::string name;
    std::string help;
    std::function<void(CLI::App&, Given&)> setup;  // empty: no options
    std::function<int(CLI::App&, Given&)> run;     // empty: a group
};

void setupSearch(CLI::App& c, Given& g)
{
    addCommonOptions(&c, g.search.common);
    c.add_flag("--no-broadcast", g.search.noBroadcast, "do not broadcast; query only the given addresses");
    c.add_flag("--no-v3-probe", g.search.noV3Probe,
               "send no SNMPv3 discovery probe: printers that speak only SNMPv3 are not listed");
    g.searchAddress = c.add_option("--address", g.search.addresses, "query this IPv4 or IPv6 address or host name (repeatable)")
                          ->expected(1)
                          ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    g.searchRange = c.add_option("--range", g.search.ranges,
                                 "query every address from A to B, or of a block A/P, IPv4 or IPv6 (repeatable; up to a "
                                 "/8 in all, an IPv6 range or block up to a /112; more than 255 addresses are swept "
                                 "first at --rate)")
                        ->expected(1)
                        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    c.add_option("--retry", g.search.retry, "additional attempts per address, 0 to 10 (default 0)");
    g.maker = c.add_option("--maker", g.search.maker, "list only models whose name contains TEXT (any case)");
    c.add_option("--targets", g.searchTargets, "also search every address, range or block listed in FILE (- for stdin)");
    c.add_option("--rate", g.search.rate,
                 "requests per second of a large sweep, 1 to 1000000 (default 500; loopback and fast LANs take far more)");
    c.add_flag("--progress", g.search.progress, "draw the progress bar even when stderr is not a terminal");
    c.add_flag("--no-progress", g.search.noProgress, "never draw the progress bar");
    refuseTogether(&c, "--progress", "--no-progress");
    c.add_flag("--mdns", g.search.mdns,
               "also list printers that announce themselves by mDNS/DNS-SD (2 s; with --no-broadcast and no address, "
               "mDNS alone)");
}

int runSearchCommand(CLI::App& c, Given& g)
{
    catchInterrupts();
    std::vector<std::string> entries;
    if (const int bad = collectTargets(&c, g.searchAddress, g.searchRange, g.searchTargets, g.search, entries)) return bad;
    g.search.makerGiven = g.maker->count() > 0;
    return runSearch(g.library, g.search, entries);
}

void setupReport(CLI::App& c, Given& g)
{
    g.reportSearch.noBroadcast = true;
    addCommonOptions(&c, g.reportSearch.common);
    g.reportRange =
        c.add_option("--range", g.reportSearch.ranges, "report on every device from A to B, or in a block A/P, IPv4 or IPv6 (repeatable)")
            ->expected(1)
            ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    c.add_option("--targets", g.reportTargets, "report on every address, range or block listed in FILE (- for stdin)");
    c.add_flag("--csv", g.report.csv, "write CSV (RFC 4180, UTF-8; the default)");
    c.add_flag("--excel,--bom", g.report.excel,
               "write CSV that starts with a UTF-8 byte-order mark, so spreadsheets read accented texts right");
    c.add_option("--jobs", g.report.jobs, "devices read at once, 1 to 64 (default 8)");
    c.add_option("--output", g.report.output,
                 "write the report to FILE with the devices' texts unchanged (as a pipe gets them; a "
                 "terminal gets control characters replaced by ?)");
    c.add_option("--retry", g.reportSearch.retry, "additional attempts per address, 0 to 10 (default 0)");
    c.add_option("--rate", g.reportSearch.rate, "requests per second of a large sweep, 1 to 1000000 (default 500)");
    c.add_flag("--progress", g.reportSearch.progress, "draw progress even when stderr is not a terminal");
    c.add_flag("--no-progress", g.reportSearch.noProgress, "never draw progress");
    refuseTogether(&c, "--progress", "--no-progress");
    c.add_option("--store", g.report.store,
                 "add last_seen and days_left_<colour> from this fleet store (default $XDG_DATA_HOME/netrov/fleet.db "
                 "when it exists; never created)");
    c.add_option("--source", g.report.source.source, cli::kSourceHelp);
    c.add_option("--ipp-port", g.report.source.ippPort, cli::kIppPortHelp);
    c.add_option("--ipp-credentials", g.report.source.ippCredentials, cli::kIppCredentialsHelp)->type_name("FILE");
}

int runReportCommand(CLI::App& c, Given& g)
{
    catchInterrupts();
    std::vector<std::string> entries;
    if (const int bad = collectTargets(&c, nullptr, g.reportRange, g.reportTargets, g.reportSearch, entries)) return bad;
    if (g.reportSearch.targets.empty()) return badInput("report needs --range or --targets");
    return runSearch(g.library, g.reportSearch, entries, &g.report);
}

void setupCheck(CLI::App& c, Given& g)
{
    c.footer("A level warns or is critical below its threshold: N and N: both mean \"below N\", as the "
             "performance data's range N: says. An empty supply is always critical, and a device that needs "
             "attention (a supply low by the threshold table, an error, an alert) is never OK. A device that is not a "
             "printer is UNKNOWN.");
    c.add_option("ADDRESS", g.checkAddress, "the device's IPv4 or IPv6 address or host name (or -H)");
    c.add_option("-H,--host", g.checkAddress, "the device's IPv4 or IPv6 address or host name");
    addDeviceOptions(&c, g.checkCommon);
    c.add_option("--source", g.check.source.source, cli::kSourceHelp);
    c.add_option("--ipp-port", g.check.source.ippPort, cli::kIppPortHelp);
    c.add_option("--ipp-credentials", g.check.source.ippCredentials, cli::kIppCredentialsHelp)->type_name("FILE");
    for (size_t k = 0; k < cli::kCheckKindCount; ++k) {
        const cli::CheckKindInfo& kind = cli::kCheckKinds[k];
        const std::string key = kind.key;
        const bool toner = kind.kind == cli::CheckKind::Toner;
        const auto given = [](int value) { return value < 0 ? std::string("none") : std::to_string(value); };
        c.add_option((toner ? "-w,--" : "--") + key + "-warning", g.check.warnings[k],
                     std::string("warn when ") + kind.words + " is below N % (default " + given(cli::defaultThreshold(kind).warning) + ")")
            ->type_name("N");
        c.add_option((toner ? "-c,--" : "--") + key + "-critical", g.check.criticals[k],
                     std::string("critical when ") + kind.words + " is below N % (default " + given(cli::defaultThreshold(kind).critical) + ")")
            ->type_name("N");
    }
    c.add_option("--days-warning", g.check.daysWarning,
                 "warn when the store's forecast says a supply empties in fewer than N days (default none)")
        ->type_name("N");
    c.add_option("--days-critical", g.check.daysCritical,
                 "critical when the store's forecast says a supply empties in fewer than N days (default none)")
        ->type_name("N");
    c.add_option("--store", g.check.store,
                 "the fleet store that gives the forecasts (default $XDG_DATA_HOME/netrov/fleet.db when it exists)");
}

// The commands that read or set one device: an address and the common options.
void setupDeviceCommand(CLI::App& c, Given& g)
{
    c.add_option("ADDRESS", g.deviceAddress, "the device's IPv4 or IPv6 address or host name")->required();
    addCommonOptions(&c, g.device);
}

Command deviceCommand(const char* name, const char* help, DeviceQuery which)
{
    const auto setup = [](CLI::App& c, Given& g) {
        setupDeviceCommand(c, g);
        c.add_option("--source", g.statusSource.source, cli::kSourceHelp);
        c.add_option("--ipp-port", g.statusSource.ippPort, cli::kIppPortHelp);
        c.add_option("--ipp-credentials", g.statusSource.ippCredentials, cli::kIppCredentialsHelp)->type_name("FILE");
    };
    return {nullptr, name, help, setup,
            [which](CLI::App&, Given& g) { return runDeviceQuery(g.library, which, g.deviceAddress, g.device, g.statusSource); }};
}

Command readCommand(const char* name, const std::string& help, cli::ReadCommand which)
{
    const auto setup = [which](CLI::App& c, Given& g) {
        if (which == cli::ReadCommand::Query)
            c.add_option("NAME", g.read.query, "the query, as the front library names it (e.g. GetDevToner)")->required();
        setupDeviceCommand(c, g);
        if (which == cli::ReadCommand::Jobs) {
            c.add_flag("--log", g.read.jobLog, "the job log instead of the current jobs");
            c.add_flag("--fax-log", g.read.faxLog, "the fax log instead of the current jobs");
        }
        c.add_option("--source", g.statusSource.source, cli::kSourceHelp);
        c.add_option("--ipp-port", g.statusSource.ippPort, cli::kIppPortHelp);
        c.add_option("--ipp-credentials", g.statusSource.ippCredentials, cli::kIppCredentialsHelp)->type_name("FILE");
    };
    return {nullptr, name, help, setup, [which](CLI::App&, Given& g) {
                return runRead(g.library, which, g.deviceAddress, g.device, g.read, g.statusSource);
            }};
}

Command setCommand(const char* group, const char* name, const char* help, cli::SetCommand which)
{
    return {group, name, help, setupDeviceCommand,
            [which](CLI::App&, Given& g) { return runSet(g.library, which, g.deviceAddress, g.device); }};
}

// A group of commands: one of them must follow.
Command commandGroup(const char* name, const char* help)
{
    return {nullptr, name, help, [](CLI::App& c, Given&) { c.require_subcommand(1, 1); }, {}};
}

void setupWatch(CLI::App& c, Given& g)
{
    addCommonOptions(&c, g.watchSearch.common);
    g.watchAddress = c.add_option("--address", g.watchSearch.addresses, "watch this address (repeatable)")
                         ->expected(1)
                         ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    g.watchRange =
        c.add_option("--range", g.watchSearch.ranges, "watch every device from A to B, or in a block A/P, IPv4 or IPv6 (repeatable)")
            ->expected(1)
            ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    c.add_option("--targets", g.watchTargets, "watch every address, range or block listed in FILE");
    c.add_option("--interval", g.watchInterval, "time between rounds: seconds, or with s, m, h or d (default 15m)");
    c.add_option("--rounds", g.watchRounds, "stop after N rounds (default: until SIGTERM or Ctrl+C)");
    c.add_option("--jobs", g.watchJobs, "devices read at once, 1 to 64 (default 8)");
    c.add_option("--retry", g.watchSearch.retry, "additional attempts per address, 0 to 10 (default 0)");
    c.add_option("--rate", g.watchSearch.rate, "requests per second of the sweep, 1 to 1000000 (default 500)");
    c.add_flag("--no-v3-probe", g.watchSearch.noV3Probe,
               "send no SNMPv3 discovery probe: printers that speak only SNMPv3 are not recorded");
    c.add_option("--store", g.storePath, "the store file (default $XDG_DATA_HOME/netrov/fleet.db)");
    c.add_option("--source", g.watchSource.source, cli::kSourceHelp);
    c.add_option("--ipp-port", g.watchSource.ippPort, cli::kIppPortHelp);
    c.add_option("--ipp-credentials", g.watchSource.ippCredentials, cli::kIppCredentialsHelp)->type_name("FILE");
    cli::addWatchNotifyOptions(c, g.notify);
}

int runWatchCommand(CLI::App& c, Given& g)
{
    catchInterrupts();
    std::vector<std::string> entries;
    if (const int bad = collectTargets(&c, g.watchAddress, g.watchRange, g.watchTargets, g.watchSearch, entries)) return bad;
    if (g.watchSearch.targets.empty()) return badInput("watch needs --address, --range or --targets");
    const auto interval = cli::parseInterval(g.watchInterval);
    if (!interval.value) return badInput(interval.error);
    CheckedCommon common;
    if (auto error = checkCommon(g.watchSearch.common, common); !error.empty()) return badInput(error);
    const auto retry = cli::checkRetry(g.watchSearch.retry);
    if (!retry.value) return badInput(retry.error);
    if (g.watchRounds < 0) return badInput("rounds " + std::to_string(g.watchRounds) + " is below 0");
    if (g.watchJobs < 1 || g.watchJobs > 64) return badInput("jobs " + std::to_string(g.watchJobs) + " is outside 1 to 64");
    if (g.watchSearch.rate < 1 || g.watchSearch.rate > core::kMaxSweepRate)
        return badInput("rate " + std::to_string(g.watchSearch.rate) + " is outside 1 to 1000000 requests per second");
    if (auto error = checkInstallation(); !error.empty()) return badInput(error);
    cli::Session session(g.library);
    cli::WatchOptions options{g.watchSearch.targets, common.communities, common.snmpVersion, common.profiles,
                              common.timeOut, *retry.value, static_cast<uint32_t>(g.watchSearch.rate),
                              *interval.value, g.watchRounds, static_cast<int>(g.watchJobs), g.storePath,
                              !g.watchSearch.noV3Probe, false, {}};
    if (const std::string error = cli::checkSourceChoice(g.watchSource, options.source); !error.empty()) return badInput(error);
    cli::takeWatchNotifyOptions(g.notify, options);
    return cli::runWatch(options, gInterrupted, std::cout, std::cerr);
}

// Every command in the order the help lists them; a group comes before the
// commands it holds.
std::vector<Command> commandTable()
{
    const std::string shown = " (the first " + std::to_string(core::kMaxSupplies) + "; the rest counted)";
    const char* const store = "the store file (default $XDG_DATA_HOME/netrov/fleet.db)";
    return {
        {nullptr, "search", "search for devices (broadcast on every local network, and by address)", setupSearch,
         runSearchCommand},
        {nullptr, "report",
         "search addresses, then report every device's status, alerts, serial number, page count and toner levels "
         "(CSV or JSON)",
         setupReport, runReportCommand},
        {nullptr, "check",
         "monitoring check of one device (exit 0 OK, 1 WARNING, 2 CRITICAL, 3 UNKNOWN; one line, at most " +
             std::to_string(cli::kMaxCheckLabels) + " level labels)",
         setupCheck,
         [](CLI::App&, Given& g) { return runCheck(g.library, g.checkAddress, g.checkCommon, g.check); }},
        deviceCommand("model", "read one device's model name", DeviceQuery::Model),
        deviceCommand("info", "read one device's name, location and MAC address", DeviceQuery::Info),
        {nullptr, "status", "read one device's status and alerts",
         [](CLI::App& c, Given& g) {
             setupDeviceCommand(c, g);
             c.add_option("--source", g.statusSource.source, cli::kSourceHelp);
             c.add_option("--ipp-port", g.statusSource.ippPort, cli::kIppPortHelp);
             c.add_option("--ipp-credentials", g.statusSource.ippCredentials, cli::kIppCredentialsHelp)->type_name("FILE");
         },
         [](CLI::App&, Given& g) { return runDeviceQuery(g.library, DeviceQuery::Status, g.deviceAddress, g.device, g.statusSource); }},
        readCommand("toner", "read one device's toner and ink levels" + shown, cli::ReadCommand::Toner),
        readCommand("supplies", "read one device's other supplies: drums, fusers, waste containers" + shown,
                    cli::ReadCommand::Supplies),
        readCommand("trays", "read one device's paper trays" + shown, cli::ReadCommand::Trays),
        readCommand("marker", "read one device's marking engine and page count", cli::ReadCommand::Marker),
        readCommand("query", "run one query of the front library by name and print its records", cli::ReadCommand::Query),
        readCommand("inventory", "run every query and print all the device reports", cli::ReadCommand::Inventory),
        readCommand("counters", "read one device's page and life counters", cli::ReadCommand::Counters),
        readCommand("versions", "read one device's firmware and component versions", cli::ReadCommand::Versions),
        readCommand("jobs", "read one device's current jobs, or with --log / --fax-log its logs", cli::ReadCommand::Jobs),
        readCommand("fax", "read one device's fax lines and what its fax sends and receives", cli::ReadCommand::Fax),
        readCommand("scanner", "read one device's scanner: feeders, sensor, colour spaces, image formats",
                    cli::ReadCommand::Scanner),
        readCommand("network", "read one device's network settings and traffic counters", cli::ReadCommand::Network),
        commandGroup("trap", "switch a device's notifications (traps)"),
        commandGroup("job", "control a device's current job"),
        setCommand("trap", "on", "switch the device and job traps on", cli::SetCommand::TrapOn),
        setCommand("job", "cancel", "cancel the device's current job", cli::SetCommand::JobCancel),
        setCommand("job", "continue", "continue the device's current job", cli::SetCommand::JobContinue),
        // The fleet store: watch reads a fleet into it every interval; history and fleet read it back.
        {nullptr, "watch",
         "read a fleet every interval into the store: supply levels, page counts, status, alerts and when each "
         "device was last seen",
         setupWatch, runWatchCommand},
        {nullptr, "history", "one stored device's supplies: cartridges, pages printed on each, and when each empties",
         [store](CLI::App& c, Given& g) {
             c.add_option("ADDRESS", g.historyKey, "the device's address, serial number or MAC address")->required();
             c.add_option("--store", g.storePath, store);
             c.add_flag("--json", g.historyJson, "print JSON instead of text");
         },
         [](CLI::App&, Given& g) { return cli::runHistory(g.storePath, g.historyKey, g.historyJson, std::cout, std::cerr); }},
        {nullptr, "fleet", "every stored device: last seen, attention, and the supply that empties first",
         [store](CLI::App& c, Given& g) {
             c.add_option("--store", g.storePath, store);
             c.add_flag("--csv", g.fleetCsv, "write CSV (RFC 4180, UTF-8)");
             c.add_flag("--json", g.fleetJson, "print JSON instead of text");
         },
         [](CLI::App&, Given& g) {
             const auto format = g.fleetJson ? cli::FleetFormat::Json
                                 : g.fleetCsv ? cli::FleetFormat::Csv
                                              : cli::FleetFormat::Table;
             return cli::runFleet(g.storePath, format, std::cout, std::cerr);
         }},
        {nullptr, "notify", "send a test notice on one channel of notify.ini and say what happened",
         [](CLI::App& c, Given& g) { cli::setupNotify(c, g.notify); },
         [](CLI::App&, Given& g) { return cli::runNotifyCommand(g.notify); }},
        {nullptr, "events", "what the store recorded: silent and back, cartridge changes, attention, notices sent",
         [](CLI::App& c, Given& g) { cli::setupEvents(c, g.notify, g.storePath); },
         [](CLI::App&, Given& g) { return cli::runEventsCommand(g.notify, g.storePath); }},
        {nullptr, "order", "what to order: supplies low or empty now or empty within N days, by part number",
         [](CLI::App& c, Given& g) { cli::setupOrder(c, g.notify, g.storePath); },
         [](CLI::App&, Given& g) { return cli::runOrderCommand(g.notify, g.storePath); }},
        {nullptr, "end-app", "end this user's running NetRov at once, without saving its placement",
         [](CLI::App& c, Given& g) {
             c.add_option("--mutex", g.endMutex,
                          "MutexName of the NetRov to end (default: NetRov.ini beside this program)");
         },
         [](CLI::App&, Given& g) { return cli::runEndApp(g.endMutex); }},
    };
}

}  // namespace

int main(int argc, char** argv)
{
#ifdef _WIN32
    // Every text the program prints is UTF-8; a console shows it as such.
    SetConsoleOutputCP(CP_UTF8);
#endif
    core::loadProgramThresholds();
    CLI::App app{"Finds network printers and MFPs by SNMP and reads what they report."};
    app.name("netrov-cli");
    app.set_version_flag("--version", std::string("netrov-cli ") + NETROV_VERSION);
    app.require_subcommand(1, 1);

    Given given(core::FrontLibrary::tuva());
    const std::vector<Command> commands = commandTable();
    std::vector<CLI::App*> added;
    for (const Command& command : commands) {
        CLI::App* parent = command.group ? app.get_subcommand(command.group) : &app;
        CLI::App* sub = parent->add_subcommand(command.name, command.help);
        if (command.setup) command.setup(*sub, given);
        added.push_back(sub);
    }

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) return app.exit(e);
        // A monitoring system reads a usage error of the check as UNKNOWN.
        if (app.get_subcommand("check")->parsed()) {
            std::cout << "NETROV UNKNOWN - " << e.what() << "\n";
            return cli::kCheckUnknown;
        }
        if (const std::string unknown = unknownCommand(app); !unknown.empty()) return badInput(unknown);
        return badInput(e.what());
    }

    try {
        for (size_t i = 0; i < commands.size(); ++i) {
            if (commands[i].run && added[i]->parsed()) return commands[i].run(*added[i], given);
        }
        return badInput("no command given");  // the parser requires one
    } catch (const std::exception& e) {
        std::cerr << "netrov-cli: " << cli::terminalSafe(e.what()) << "\n";
        return kExitFailed;
    }
}
