// netrov-cli: searches the network for devices, and reads one device's model, information or status.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include <CLI/CLI.hpp>

#include <netrov/result_codes.h>

#include "cli_input.h"
#include "end_app.h"
#include "front_library.h"
#include "report.h"
#include "search_run.h"
#include "search_settings.h"
#include "trap_job.h"

namespace {

using namespace netrov;

constexpr int kExitDeviceFailed = 1;
constexpr int kExitBadInput = 2;
constexpr int kExitInterrupted = 130;

std::atomic<int> gInterrupted{0};

extern "C" void onInterrupt(int)
{
    gInterrupted.store(1);
}

void catchInterrupts()
{
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

int badInput(const std::string& message)
{
    std::cerr << "netrov-cli: " << message << "\n";
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
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return "cannot find the program's own directory";
    const std::filesystem::path dir = exe.parent_path();
    for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
        if (!entry.is_directory(ec)) continue;
        std::ifstream ini(entry.path() / "support.ini");
        if (ini.good()) return {};
    }
    return "unreadable installation: no support package (a folder with support.ini) in " + dir.string();
}

struct CommonOptions {
    std::string community = core::kDefaultCommunity;
    int64_t timeOut = core::kDefaultTimeOut;
    bool json = false;
};

std::string checkCommon(const CommonOptions& options, int32_t& timeOut)
{
    const auto t = cli::checkTimeOut(options.timeOut);
    if (!t.value) return t.error;
    timeOut = *t.value;
    if (options.community.size() >= sizeof(core::SearchSettings::ComName)) return "community is longer than 127 characters";
    return {};
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
    std::vector<std::string> addresses;
    std::vector<std::string> ranges;
    int64_t retry = 0;
    std::string maker;
    bool makerGiven = false;
    bool progress = false;
    bool noProgress = false;
};

int runSearch(const SearchOptions& options, const std::vector<std::string>& orderedEntries)
{
    core::SearchSettings settings = core::defaultSearchSettings();
    if (auto error = checkCommon(options.common, settings.TimeOut); !error.empty()) return badInput(error);
    const auto retry = cli::checkRetry(options.retry);
    if (!retry.value) return badInput(retry.error);
    const auto list = cli::buildAddressList(orderedEntries);
    if (!list.value) return badInput(list.error);
    if (options.noBroadcast && list.value->count() == 0)
        return badInput("nothing to search: --no-broadcast needs --address or --range");
    if (auto error = checkInstallation(); !error.empty()) return badInput(error);

    settings.BroadCast = options.noBroadcast ? 0 : 1;
    settings.Filter = options.makerGiven ? 1 : 0;
    settings.IPSearch = list.value->count() > 0 ? 1 : 0;
    settings.Retry = *retry.value;
    core::setCommunity(settings, options.common.community);

    core::FrontLibrary& library = core::FrontLibrary::tuva();
    core::DeviceList devices;
    int status = 0;
    {
        core::SearchRun run(library, devices);
        if (!run.start(settings, *list.value, options.maker)) {
            std::cerr << "netrov-cli: cannot start the search\n";
            return kExitDeviceFailed;
        }
        const bool showProgress = !options.noProgress && (options.progress || isatty(STDERR_FILENO));
        if (!waitForRun(run, settings, showProgress)) {
            std::cerr << "netrov-cli: aborting the search...\n";
            run.abort();
            status = kExitInterrupted;
        }
        run.wait();
    }
    if (status != 0) {
        library.release();
        std::cerr << "netrov-cli: search aborted\n";
        return status;
    }

    // Threads finish in any order; people and scripts get the devices by address.
    std::vector<core::DeviceListEntry> entries = devices.copyAll();
    std::stable_sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        return core::loadAddress(a.identity.address) < core::loadAddress(b.identity.address);
    });
    std::vector<cli::DeviceRow> rows;
    for (const auto& entry : entries) rows.push_back(cli::rowOf(entry));
    library.release();
    if (options.common.json) {
        std::cout << cli::dumpJson(cli::toJson(rows)) << "\n";
    } else {
        std::cout << cli::formatTable(rows);
        std::cerr << rows.size() << (rows.size() == 1 ? " device" : " devices") << " found\n";
    }
    return 0;
}

enum class DeviceQuery { Model, Info, Status };

int runDeviceQuery(DeviceQuery query, const std::string& addressText, const CommonOptions& options)
{
    int32_t timeOut = 0;
    const auto address = cli::checkAddress(addressText);
    if (!address.value) return badInput(address.error);
    if (auto error = checkCommon(options, timeOut); !error.empty()) return badInput(error);
    if (auto error = checkInstallation(); !error.empty()) return badInput(error);

    DeviceIdentity device;
    std::memset(&device, 0, sizeof device);
    device.interfaceKind = NETROV_INTERFACE_NETWORK;
    device.transport = NETROV_TRANSPORT_SNMP;
    std::memcpy(device.community, options.community.c_str(), options.community.size());
    device.timeout = timeOut;
    core::storeAddress(*address.value, device.address);

    core::FrontLibrary& library = core::FrontLibrary::tuva();
    library.ensureInitialised();
    const core::DeviceAccess& access = library.access();
    auto failed = [&](const char* what, int32_t result) {
        library.release();
        if (result == NETROV_NO_REPLY)
            std::cerr << "netrov-cli: " << cli::noAnswerText(addressText) << "\n";
        else
            std::cerr << "netrov-cli: cannot read the " << what << " of " << addressText << " (result " << result << ")\n";
        return kExitDeviceFailed;
    };

    // The model name picks the support package that serves the other queries.
    unsigned char scratch[NETROV_MODEL_NAME_RECORD_SIZE] = {};
    int32_t count = 0;
    const int32_t modelResult = access.getDevModelName(&device, 0, 0, scratch, 1, &count);
    device.modelName[sizeof device.modelName - 1] = '\0';
    const std::string model = cli::fieldText(device.modelName, sizeof device.modelName);
    nlohmann::json out = {{"ipAddress", core::addressToText(*address.value)}, {"model", model}};

    if (query == DeviceQuery::Model) {
        if (modelResult != NETROV_OK) return failed("model", modelResult);
        library.release();
        if (options.json)
            std::cout << cli::dumpJson(out) << "\n";
        else
            std::cout << cli::terminalSafe(model) << "\n";
        return 0;
    }
    if (modelResult == NETROV_NO_REPLY) return failed("model", modelResult);

    if (query == DeviceQuery::Info) {
        DeviceInfo info;
        std::memset(&info, 0, sizeof info);
        count = 1;
        const int32_t result = access.getDevInfo(&device, 0, 0, &info, 1, &count);
        if (result != NETROV_OK) return failed("information", result);
        library.release();
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
        return 0;
    }

    DeviceStatus records[core::kStatusRecords];
    std::memset(records, 0, sizeof records);
    int32_t n = 0;
    const int32_t result = access.getDevStatus(&device, 0, 0, records, core::kStatusRecords, &n);
    if (result != NETROV_OK) return failed("status", result);
    library.release();
    const int32_t delivered = std::clamp(n, 0, core::kStatusRecords);
    core::promotePowerSave(records, delivered);
    if (options.json) {
        out["status"] = delivered > 0 ? cli::statusText(records[0].simpleStatus) : std::string();
        out["statusCode"] = delivered > 0 ? records[0].simpleStatus : 0;
        nlohmann::json alerts = nlohmann::json::array();
        for (int32_t i = 0; i < delivered; ++i) alerts.push_back(cli::toJson(records[i]));
        out["records"] = alerts;
        out["recordCount"] = n;
        std::cout << cli::dumpJson(out) << "\n";
    } else {
        std::cout << "Status: " << (delivered > 0 ? cli::statusText(records[0].simpleStatus) : std::string("--")) << "\n";
        for (int32_t i = 0; i < delivered; ++i) {
            const DeviceStatus& r = records[i];
            std::cout << "  alert";
            if (r.alertCodeValid) std::cout << " code " << r.alertCode;
            if (r.alertGroupValid) std::cout << " group " << r.alertGroup;
            if (r.alertIndexValid) std::cout << " index " << r.alertIndex;
            std::cout << ": " << (r.simpleStatusValid ? cli::statusText(r.simpleStatus) : std::string("--")) << "\n";
        }
        if (n > delivered) std::cout << "  (" << (n - delivered) << " more not shown)\n";
    }
    return 0;
}

int runSet(cli::SetCommand command, const std::string& addressText, const CommonOptions& options)
{
    int32_t timeOut = 0;
    const auto address = cli::checkAddress(addressText);
    if (!address.value) return badInput(address.error);
    if (auto error = checkCommon(options, timeOut); !error.empty()) return badInput(error);
    if (auto error = checkInstallation(); !error.empty()) return badInput(error);
    return cli::runSetCommand(command, *address.value, options.community, timeOut, options.json, std::cout, std::cerr);
}

void addCommonOptions(CLI::App* command, CommonOptions& options)
{
    command->add_option("--community", options.community, "SNMP read community (default tarpon)");
    command->add_option("--timeout", options.timeOut, "reply time-out in seconds, 1 to 60 (default 3)");
    command->add_flag("--json", options.json, "print JSON instead of text");
}

}  // namespace

int main(int argc, char** argv)
{
    CLI::App app{"Finds network printers and MFPs by SNMP and reads what they report."};
    app.name("netrov-cli");
    app.set_version_flag("--version", std::string("netrov-cli ") + NETROV_VERSION);
    app.require_subcommand(1, 1);

    SearchOptions searchOptions;
    CLI::App* search = app.add_subcommand("search", "search for devices (broadcast on every local network, and by address)");
    addCommonOptions(search, searchOptions.common);
    search->add_flag("--no-broadcast", searchOptions.noBroadcast, "do not broadcast; query only the given addresses");
    CLI::Option* addressOption =
        search->add_option("--address", searchOptions.addresses, "query this address (repeatable)")
            ->expected(1)
            ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    CLI::Option* rangeOption =
        search->add_option("--range", searchOptions.ranges, "query every address from A to B, at most 255 (repeatable)")
            ->expected(1)
            ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    search->add_option("--retry", searchOptions.retry, "additional attempts per address, 0 to 10 (default 0)");
    CLI::Option* makerOption = search->add_option("--maker", searchOptions.maker, "list only models whose name contains TEXT (exact case)");
    search->add_flag("--progress", searchOptions.progress, "draw the progress bar even when stderr is not a terminal");
    search->add_flag("--no-progress", searchOptions.noProgress, "never draw the progress bar");

    CommonOptions deviceOptions;
    std::string deviceAddress;
    DeviceQuery query = DeviceQuery::Model;
    auto addDeviceCommand = [&](const char* name, const char* help, DeviceQuery which) {
        CLI::App* command = app.add_subcommand(name, help);
        command->add_option("ADDRESS", deviceAddress, "the device's IPv4 address")->required();
        addCommonOptions(command, deviceOptions);
        command->callback([&query, which] { query = which; });
    };
    addDeviceCommand("model", "read one device's model name", DeviceQuery::Model);
    addDeviceCommand("info", "read one device's name, location and MAC address", DeviceQuery::Info);
    addDeviceCommand("status", "read one device's status and alerts", DeviceQuery::Status);

    CLI::App* trap = app.add_subcommand("trap", "switch a device's notifications (traps)");
    trap->require_subcommand(1, 1);
    CLI::App* job = app.add_subcommand("job", "control a device's current job");
    job->require_subcommand(1, 1);
    CLI::App* setParsed = nullptr;
    cli::SetCommand setCommand = cli::SetCommand::TrapOn;
    auto addSetCommand = [&](CLI::App* parent, const char* name, const char* help, cli::SetCommand which) {
        CLI::App* command = parent->add_subcommand(name, help);
        command->add_option("ADDRESS", deviceAddress, "the device's IPv4 address")->required();
        addCommonOptions(command, deviceOptions);
        command->callback([&setParsed, &setCommand, command, which] {
            setParsed = command;
            setCommand = which;
        });
    };
    addSetCommand(trap, "on", "switch the device and job traps on", cli::SetCommand::TrapOn);
    addSetCommand(job, "cancel", "cancel the device's current job", cli::SetCommand::JobCancel);
    addSetCommand(job, "continue", "continue the device's current job", cli::SetCommand::JobContinue);

    std::string endMutex;
    CLI::App* endApp = app.add_subcommand("end-app", "end this user's running NetRov at once, without saving its placement");
    endApp->add_option("--mutex", endMutex, "MutexName of the NetRov to end (default: NetRov.ini beside this program)");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) return app.exit(e);
        if (const std::string unknown = unknownCommand(app); !unknown.empty()) return badInput(unknown);
        return badInput(e.what());
    }

    if (endApp->parsed()) return cli::runEndApp(endMutex);
    try {
        if (search->parsed()) {
            catchInterrupts();
            // Addresses and ranges are searched in the order they were given.
            std::vector<std::string> entries;
            size_t nextAddress = 0;
            size_t nextRange = 0;
            for (const CLI::Option* option : search->parse_order()) {
                if (option == addressOption) {
                    const auto checked = cli::checkAddress(searchOptions.addresses.at(nextAddress++));
                    if (!checked.value) return badInput(checked.error);
                    entries.push_back(core::addressToText(*checked.value));
                } else if (option == rangeOption) {
                    const auto checked = cli::checkRange(searchOptions.ranges.at(nextRange++));
                    if (!checked.value) return badInput(checked.error);
                    entries.push_back(*checked.value);
                }
            }
            searchOptions.makerGiven = makerOption->count() > 0;
            return runSearch(searchOptions, entries);
        }
        if (setParsed != nullptr) return runSet(setCommand, deviceAddress, deviceOptions);
        return runDeviceQuery(query, deviceAddress, deviceOptions);
    } catch (const std::exception& e) {
        std::cerr << "netrov-cli: " << e.what() << "\n";
        return kExitDeviceFailed;
    }
}
