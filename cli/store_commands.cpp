// netrov-cli's fleet store commands: watch, history and fleet.
#include "store_commands.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <limits>
#include <memory>
#include <ostream>
#include <thread>

#include <netrov/consumable_records.h>
#include <netrov/result_codes.h>

#include "attention.h"
#include "device_list.h"
#include "exit_codes.h"
#include "fleet_commands.h"
#include "forecast.h"
#include "net_address.h"
#include "notifier.h"
#include "notify_commands.h"
#include "query_reading.h"
#include "report.h"
#include "search_settings.h"
#include "supply_readings.h"
#include "sweep_search.h"
#include "words.h"

namespace netrov::cli {

namespace {

using store::FleetStore;
using store::StoreStatus;

constexpr int64_t kMaxIntervalSeconds = 7 * 86400;
constexpr double kSecondsPerDay = 86400.0;

constexpr std::pair<char, int64_t> kIntervalUnits[] = {{'s', 1}, {'m', 60}, {'h', 3600}, {'d', 86400}};

constexpr std::pair<store::CartridgeStart, const char*> kStartWords[] = {
    {store::CartridgeStart::FirstSeen, "first seen"},
    {store::CartridgeStart::LevelRose, "level rose"},
    {store::CartridgeStart::SerialChanged, "serial number changed"},
    {store::CartridgeStart::DescriptionChanged, "description changed"},
};

const char* startWords(store::CartridgeStart why)
{
    for (const auto& [code, words] : kStartWords)
        if (code == why) return words;
    return "";
}

// A stored level as the percentage the attention judgement takes, or its level code.
std::optional<int32_t> percentOf(const store::SupplyValue& v)
{
    switch (v.state) {
    case store::LevelState::Measured:
        if (const auto percent = store::levelPercent(v)) return static_cast<int32_t>(std::lround(*percent));
        return std::nullopt;
    case store::LevelState::SomeRemaining: return core::kLevelSomeRemaining;
    case store::LevelState::Other: return core::kLevelOther;
    case store::LevelState::Unknown: return core::kLevelUnknown;
    }
    return std::nullopt;
}

// A stored supply type as the reading's kind; the desktop stores none, and lists only toner and ink.
core::SupplyKind storedKind(int32_t supplyType)
{
    return supplyType == 0 ? core::SupplyKind::Toner : core::supplyKindOf(supplyType);
}

struct SupplyView {
    store::SupplyRecord record;
    std::vector<store::SupplyValue> values;
    std::vector<store::Cartridge> cartridges;
    store::Forecast forecast;
    std::optional<int32_t> percent;  // the last measured percentage, when the last reading is measured
    std::optional<int32_t> levelCode;  // the device's special level, when the last reading is not measured
    const char* stateName = "not_reported";
    core::LevelState state = core::LevelState::Unknown;
};

StoreStatus viewSupplies(FleetStore& fleet, const store::DeviceRecord& device, int64_t now, std::vector<SupplyView>& out)
{
    out.clear();
    std::vector<store::SupplyRecord> supplies;
    if (StoreStatus status = fleet.supplies(device.id, supplies); !status.ok()) return status;
    for (const store::SupplyRecord& record : supplies) {
        SupplyView& view = out.emplace_back();
        view.record = record;
        if (StoreStatus status = fleet.supplyHistory(record.id, view.values); !status.ok()) return status;
        view.cartridges = store::splitCartridges(view.values, device.pageCount);
        view.forecast = store::forecastSupply(view.values, now, device.pageCount);
        if (view.values.empty()) continue;
        // The supply row holds what the last round said, even when it wrote no value row (asleep: unknown).
        store::SupplyValue last = view.values.back();
        if (record.state != store::LevelState::Measured) {
            last.state = record.state;
            last.level.reset();
        }
        view.percent = percentOf(last);
        if (last.state != store::LevelState::Measured) {
            view.levelCode = view.percent;
            view.percent.reset();
        }
        // The state by the one threshold table, as the report gives it.
        view.state = core::supplyState(storedKind(record.kind), view.percent, view.levelCode, core::PrinterSays::Nothing);
        view.stateName = core::levelStateName(view.state);
    }
    return {};
}

nlohmann::json estimateJson(const std::optional<store::Estimate>& e)
{
    if (!e) return nullptr;
    nlohmann::json out = {{"value", std::round(e->value * 10) / 10}, {"low", std::round(e->low * 10) / 10}};
    out["high"] = e->high ? nlohmann::json(std::round(*e->high * 10) / 10) : nlohmann::json();
    return out;
}

nlohmann::json forecastJson(const store::Forecast& f, int64_t now)
{
    nlohmann::json reasons = nlohmann::json::array();
    for (store::ForecastNote note : f.notes) reasons.push_back(store::forecastNoteText(f, note));
    nlohmann::json out = {{"days", estimateJson(f.days)}, {"pages", estimateJson(f.pages)}, {"reasons", reasons}};
    out["emptyDate"] = f.days ? nlohmann::json(utcText(now + static_cast<int64_t>(f.days->value * kSecondsPerDay)))
                              : nlohmann::json();
    return out;
}

std::string numberText(double value)
{
    return std::to_string(static_cast<int64_t>(std::lround(value)));
}

std::string rangeText(const store::Estimate& e, const char* unit)
{
    return numberText(e.value) + " " + unit + " (" + numberText(e.low) + " to " +
           (e.high ? numberText(*e.high) : std::string("no bound")) + ")";
}

// "in 23 days (18 to 30), 4000 pages (3500 to 4500)", or the reasons.
std::string forecastText(const store::Forecast& f)
{
    std::string text;
    if (f.days) text = "empty in " + rangeText(*f.days, "days");
    if (f.pages) text += (text.empty() ? "" : ", ") + rangeText(*f.pages, "pages left");
    const std::string reasons = store::forecastReasons(f);
    if (!reasons.empty()) text += text.empty() ? reasons : " [" + reasons + "]";
    return text;
}

int storeFailure(const StoreStatus& status, std::ostream& err)
{
    err << "netrov-cli: " << terminalSafe(status.message) << "\n";
    // A bad, newer, locked or read-only store is the command's input, not a device failing.
    return status.result == store::StoreResult::Failed ? kExitFailed : kExitBadInput;
}

int64_t nowSeconds()
{
    return static_cast<int64_t>(std::time(nullptr));
}

// The supply that empties first: the soonest forecast, a nearly empty one without a rate before all.
const SupplyView* firstEmpty(const std::vector<SupplyView>& supplies)
{
    const SupplyView* first = nullptr;
    for (const SupplyView& s : supplies) {
        const auto days = store::rankDays(s.forecast);
        if (!days) continue;
        if (!first || *days < *store::rankDays(first->forecast)) first = &s;
    }
    return first;
}

std::string upperMac(std::string mac)
{
    std::transform(mac.begin(), mac.end(), mac.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return mac;
}

// A stored device as the one reading every surface judges: its status,
// alerts with their codes, error-state bits and the last level of each supply.
core::DeviceReport storedReport(const store::DeviceRecord& d, const std::vector<SupplyView>& supplies)
{
    core::DeviceReport r;
    r.address = d.identity.address;
    r.model = d.identity.model;
    r.serialNumber = d.identity.serial;
    r.macAddress = upperMac(d.identity.mac);
    r.name = d.name;
    r.location = d.location;
    r.statusCode = d.status;
    r.alerts = d.alerts;
    r.alertCodes = d.alertCodes;
    // With the device's own texts, an alert that is information by its text alone ("Ready") counts for nothing.
    if (!d.alertTexts.empty() && d.alertCodes.size() == d.alerts.size()) {
        for (size_t i = 0; i < d.alerts.size(); ++i) {
            core::AlertReading& a = r.alertReadings.emplace_back();
            a.facts.code = d.alertCodes[i];
            a.facts.description = d.alertTexts[i] == " " ? std::string() : d.alertTexts[i];
            a.message = d.alerts[i];
            a.informational = core::alertInformational(a.facts);
        }
    }
    r.errorBits = d.errorBits.value_or(0);
    r.answered = d.answering;
    if (d.pageCount) r.pageCount = static_cast<uint32_t>(*d.pageCount);
    for (const SupplyView& s : supplies) {
        if (s.values.empty()) continue;
        const store::SupplyValue& last = s.values.back();
        const core::SupplyKind kind = storedKind(s.record.kind);
        const auto fill = [&](auto& level) {
            level.name = last.description;
            level.percent = s.percent;
            level.levelCode = s.levelCode;
            level.supplyType = s.record.kind;
            level.maximum = last.maximum;
            level.current = last.level;
            level.unit = last.unit;
            level.row = s.record.index;
        };
        if (kind == core::SupplyKind::Toner || kind == core::SupplyKind::Ink) {
            core::TonerLevel& t = r.toner.emplace_back();
            fill(t);
            t.kind = kind;
            t.colour = s.record.colour;
        } else {
            core::SupplyLevel& o = r.supplies.emplace_back();
            fill(o);
            o.kind = kind;
        }
    }
    return r;
}

// The fleet's order: devices that need attention first, then by address.
bool fleetOrder(const std::pair<bool, std::string>& a, const std::pair<bool, std::string>& b)
{
    if (a.first != b.first) return a.first;
    return core::addressTextLess(a.second, b.second);
}

nlohmann::json deviceJson(const store::DeviceRecord& d)
{
    // "macLowerCase" is the deprecated form fleet and history gave before; it goes in the next release.
    return {{"address", d.identity.address}, {"name", d.name},     {"model", d.identity.model},
            {"serial", d.identity.serial},   {"location", d.location}, {"mac", upperMac(d.identity.mac)},
            {"macLowerCase", d.identity.mac},
            {"firstSeen", utcText(d.firstSeen)}, {"lastSeen", utcText(d.lastSeen)}, {"answering", d.answering},
            {"status", d.status}, {"statusText", core::statusWordText(d.status)}, {"alerts", d.alerts}};
}

}  // namespace

store::StoreStatus noticeFacts(FleetStore& fleet, int64_t now, std::vector<notify::DeviceFacts>& out)
{
    out.clear();
    std::vector<store::DeviceRecord> devices;
    if (StoreStatus status = fleet.devices(devices); !status.ok()) return status;
    for (const store::DeviceRecord& d : devices) {
        std::vector<SupplyView> supplies;
        if (StoreStatus status = viewSupplies(fleet, d, now, supplies); !status.ok()) return status;
        core::DeviceReport report = storedReport(d, supplies);
        core::judgeReading(report);
        notify::DeviceFacts& f = out.emplace_back();
        f.id = d.id;
        f.address = d.identity.address;
        f.name = d.name;
        f.location = d.location;
        f.model = d.identity.model;
        f.serial = d.identity.serial;
        f.answering = d.answering;
        f.lastSeen = d.lastSeen;
        f.attention = core::deviceAttention(report);
        // The alerts that ask for someone, our words with the device's own beside them.
        if (!report.alertReadings.empty()) {
            for (const core::AlertReading& a : report.alertReadings) {
                if (a.informational) continue;
                const std::string& own = a.facts.description;
                f.alerts.push_back(own.empty() || own == a.message ? a.message : a.message + " (\"" + own + "\")");
                f.alertCodes.push_back(a.facts.code);
            }
        } else {
            for (size_t i = 0; i < report.alerts.size(); ++i) {
                const auto code = i < report.alertCodes.size() ? std::optional(report.alertCodes[i]) : std::nullopt;
                if (!core::alertNeedsAttention(code)) continue;
                f.alerts.push_back(report.alerts[i]);
                f.alertCodes.push_back(code.value_or(0));
            }
        }
        f.errorBits = report.errorBits;
        for (const SupplyView& s : supplies) {
            if (s.values.empty()) continue;
            notify::SupplyFacts& sf = f.supplies.emplace_back();
            sf.index = s.record.index;
            sf.name = s.values.back().description;
            sf.colour = s.record.colour;
            sf.kind = storedKind(s.record.kind);
            // The judged state: the printer's own low or empty counts as the report's does.
            sf.state = s.state;
            for (const core::TonerLevel& t : report.toner)
                if (t.row == s.record.index) sf.state = t.state;
            for (const core::SupplyLevel& o : report.supplies)
                if (o.row == s.record.index) sf.state = o.state;
            sf.percent = s.percent;
            if (s.forecast.days) {
                sf.emptyInDays = s.forecast.days->value;
                sf.daysLow = s.forecast.days->low;
                sf.daysHigh = s.forecast.days->high;
            }
            if (!s.cartridges.empty()) {
                const store::Cartridge& c = s.cartridges.back();
                sf.cartridgeStart = c.start;
                sf.cartridgeChanged = c.why != store::CartridgeStart::FirstSeen && c.start == now;
            }
        }
    }
    return {};
}

Checked<int64_t> parseInterval(const std::string& text)
{
    const std::string bad = "interval \"" + text + "\" is not seconds from 1 to 604800, or a number with s, m, h or d";
    if (text.empty() || text.size() > 12) return {std::nullopt, bad};
    int64_t scale = 1;
    std::string digits = text;
    for (const auto& [unit, seconds] : kIntervalUnits) {
        if (text.back() == unit) {
            scale = seconds;
            digits.pop_back();
        }
    }
    if (digits.empty() || !std::all_of(digits.begin(), digits.end(), [](unsigned char c) { return std::isdigit(c); }))
        return {std::nullopt, bad};
    const int64_t value = std::stoll(digits) * scale;
    if (value < 1 || value > kMaxIntervalSeconds) return {std::nullopt, bad};
    return {value, {}};
}

std::string defaultStorePath()
{
    namespace fs = std::filesystem;
    const char* data = std::getenv("XDG_DATA_HOME");
    fs::path folder;
    if (data && *data && fs::path(data).is_absolute()) {
        folder = data;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        folder = fs::path(home) / ".local" / "share";
    } else {
        return {};
    }
    return (folder / "netrov" / "fleet.db").string();
}

std::string storeToRead(const std::string& given)
{
    if (!given.empty()) return given;
    const std::string path = defaultStorePath();
    std::error_code ec;
    return !path.empty() && std::filesystem::exists(path, ec) ? path : std::string();
}

// Printers that answered only the SNMPv3 probe: named, since no community
// reads them and nothing of them is stored until a profile is given.
static std::string credentialsNeededText(const std::vector<core::CredentialsNeeded>& needed)
{
    return needed.empty() ? std::string() : "; SNMPv3 credentials needed: " + core::credentialsNeededList(needed);
}

int runWatch(const WatchOptions& options, const std::atomic<int>& interrupted, std::ostream& out, std::ostream& err)
{
    if (options.store.empty()) {
        err << "netrov-cli: no store: give --store PATH (neither XDG_DATA_HOME nor HOME is set)\n";
        return kExitBadInput;
    }
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(options.store).parent_path(), ec);
    // The settings are checked first: a refused file leaves no store behind.
    std::unique_ptr<notify::Notifier> notifier;
    if (options.notify) {
        notify::NotifyConfig config;
        std::string error;
        const std::filesystem::path path = options.notifyConfig.empty() ? notify::defaultNotifyPath() : std::filesystem::path(options.notifyConfig);
        if (!notify::loadNotifyConfig(path, config, error)) {
            err << "netrov-cli: " << terminalSafe(error) << "\n";
            return kExitBadInput;
        }
        notifier = std::make_unique<notify::Notifier>(std::move(config));
        notifier->setDigestAppendix(orderDigest);
    }
    FleetStore fleet;
    if (StoreStatus status = fleet.open(options.store); !status.ok()) return storeFailure(status, err);
    // Notices go out between rounds; the round itself never waits for a channel.
    const auto notices = [&](const StoreStatus& status) {
        if (!status.ok()) err << "netrov-cli: notices not stored: " << terminalSafe(status.message) << "\n";
        for (const std::string& line : notifier->takeLog()) err << "netrov-cli: " << terminalSafe(line) << "\n";
        err << std::flush;
    };

    core::SearchSettings settings = core::defaultSearchSettings();
    settings.BroadCast = 0;
    settings.TimeOut = options.timeOut;
    settings.Retry = options.retry;
    core::SearchExtent extent;
    core::setCommunityList(settings, extent, options.communities);
    extent.snmpVersion = options.snmpVersion;
    extent.profiles = options.profiles;
    extent.probeV3 = options.probeV3;
    const SweepSearch search{settings, extent, {}, options.rate, false};
    const TargetList& targets = options.targets;
    std::vector<uint32_t> sorted4 = targets.v4;
    std::sort(sorted4.begin(), sorted4.end());
    std::vector<core::NetAddress> sorted6 = targets.v6;
    std::sort(sorted6.begin(), sorted6.end(), core::netAddressLess);
    // A stored device's address is text in RFC 5952 form, as the round wrote it.
    const auto targeted = [&](const std::string& address) {
        const std::optional<core::NetAddress> a = core::parseNetAddress(address);
        if (!a) return false;
        return a->v6 ? std::binary_search(sorted6.begin(), sorted6.end(), *a, core::netAddressLess)
                     : std::binary_search(sorted4.begin(), sorted4.end(), a->v4);
    };

    bool lastStored = true;
    // False when no round follows: the last was done, or an interrupt came.
    const auto waitForNextRound = [&](int64_t round, std::chrono::steady_clock::time_point began) {
        if (options.rounds != 0 && round >= options.rounds) return false;
        // The next round starts an interval after this one began.
        const auto next = began + std::chrono::seconds(options.intervalSeconds);
        auto pumped = std::chrono::steady_clock::now();
        while (std::chrono::steady_clock::now() < next) {
            if (interrupted.load()) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            if (notifier && std::chrono::steady_clock::now() - pumped >= std::chrono::seconds(1)) {
                notices(notifier->pump(fleet));
                pumped = std::chrono::steady_clock::now();
            }
        }
        return true;
    };
    for (int64_t round = 1; options.rounds == 0 || round <= options.rounds; ++round) {
        const auto began = std::chrono::steady_clock::now();
        const int64_t time = nowSeconds();
        core::DeviceList found;
        const SweepOutcome outcome = sweepSearch(targets, search, found, interrupted, err);
        if (!outcome.error.empty()) {
            err << "netrov-cli: " << outcome.error << "\n";
            return kExitFailed;
        }
        const std::vector<core::DeviceListEntry> entries = found.copyAll();
        const SourceReports read = readSourceReports(entries, targets, options.source, options.timeOut, options.jobs, interrupted);
        std::vector<store::DeviceReading> readings;
        for (const core::DeviceReport& report : read.reports) readings.push_back(store::readingOf(report));
        if (const std::string note = notAskedText(read.notAsked); round == 1 && !note.empty())
            err << "netrov-cli: " << note << "\n";
        if (interrupted.load()) {
            out << "round " << round << " interrupted: nothing of it was stored\n";
            return kExitOk;
        }

        // A store that cannot take the round (a full disk, a failed write)
        // loses this round only: it is named, and the next round tries again.
        const auto skipRound = [&](const StoreStatus& status) {
            err << "netrov-cli: round " << round << " at " << utcText(time) << " not stored: "
                << terminalSafe(status.message) << "; watching on\n"
                << std::flush;
            lastStored = false;
        };
        // Stored devices within the targets that did not answer are marked silent, keeping their values.
        std::vector<store::DeviceRecord> known;
        if (StoreStatus status = fleet.devices(known); !status.ok()) {
            skipRound(status);
            if (!waitForNextRound(round, began)) break;
            continue;
        }
        int silent = 0;
        for (const store::DeviceRecord& device : known) {
            if (!targeted(device.identity.address)) continue;
            const bool answered = std::any_of(readings.begin(), readings.end(), [&](const store::DeviceReading& r) {
                return r.answered && r.identity.address == device.identity.address;
            });
            if (answered) continue;
            store::DeviceReading quiet;
            quiet.identity = device.identity;
            quiet.answered = false;
            readings.push_back(std::move(quiet));
        }
        int answered = 0;
        std::string silentNames;
        constexpr int kSilentNamed = 10;
        for (const store::DeviceReading& r : readings) {
            (r.answered ? answered : silent) += 1;
            if (!r.answered && silent <= kSilentNamed)
                silentNames += (silentNames.empty() ? "" : ", ") + r.identity.address;
        }
        if (silent > kSilentNamed) silentNames += " and " + std::to_string(silent - kSilentNamed) + " more";

        store::RoundSummary summary;
        if (StoreStatus status = fleet.writeRound(time, readings, &summary); !status.ok()) {
            skipRound(status);
            if (!waitForNextRound(round, began)) break;
            continue;
        }
        lastStored = true;
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
        // The silent devices are named after the counts, so the line's start stays as scripts read it.
        out << "round " << round << " at " << utcText(time) << ": " << answered << " answered, " << silent
            << " silent, " << summary.newDevices << " new, " << summary.supplyValues << " level changes, "
            << summary.events << " events (" << std::lround(seconds * 10) / 10.0 << " s)"
            << (silent ? "; silent: " + terminalSafe(silentNames) : std::string())
            << credentialsNeededText(outcome.credentialsNeeded) << "\n"
            << std::flush;
        if (notifier) {
            std::vector<notify::DeviceFacts> facts;
            StoreStatus status = noticeFacts(fleet, time, facts);
            if (status.ok()) status = notifier->afterRound(fleet, facts, time);
            notices(status);
        }

        if (!waitForNextRound(round, began)) break;
    }
    // The last round's notices get their chance before watching ends; what is not delivered stays stored.
    if (notifier && !interrupted.load()) {
        constexpr auto kLastSend = std::chrono::seconds(30);
        notifier->waitIdle(kLastSend);
        notices(notifier->pump(fleet));
        notifier->waitIdle(kLastSend);
        notices(notifier->pump(fleet));
    }
    // A watch of a given number of rounds fails when its last round could not be stored.
    return lastStored || interrupted.load() ? kExitOk : kExitFailed;
}

nlohmann::json historyJson(FleetStore& fleet, const store::DeviceRecord& device, int64_t now)
{
    nlohmann::json doc = deviceJson(device);
    doc["schemaVersion"] = 1;
    doc["pageCount"] = device.pageCount ? nlohmann::json(*device.pageCount) : nlohmann::json();
    std::vector<SupplyView> supplies;
    nlohmann::json list = nlohmann::json::array();
    if (viewSupplies(fleet, device, now, supplies).ok()) {
        for (const SupplyView& s : supplies) {
            nlohmann::json cartridges = nlohmann::json::array();
            for (const store::Cartridge& c : s.cartridges) {
                cartridges.push_back({{"start", utcText(c.start)},
                                      {"why", startWords(c.why)},
                                      {"pages", c.pages ? nlohmann::json(*c.pages) : nlohmann::json()}});
            }
            const std::string description = s.values.empty() ? std::string() : s.values.back().description;
            list.push_back({{"index", s.record.index},
                            {"type", s.record.kind},
                            {"typeText", core::enumWord(core::Enumeration::SupplyType, s.record.kind)},
                            {"colour", s.record.colour},
                            {"description", description},
                            {"level", s.percent ? nlohmann::json(*s.percent) : nlohmann::json()},
                            {"levelState", s.stateName},
                            {"cartridges", cartridges},
                            {"forecast", forecastJson(s.forecast, now)}});
        }
    }
    doc["supplies"] = list;
    return doc;
}

int runHistory(const std::string& storePath, const std::string& key, bool json, std::ostream& out, std::ostream& err)
{
    FleetStore fleet;
    if (StoreStatus status = core::openStoreForReading(fleet, storePath); !status.ok()) return storeFailure(status, err);
    store::DeviceRecord device;
    if (StoreStatus status = fleet.findDevice(core::storedKey(key), device); !status.ok()) {
        err << "netrov-cli: " << terminalSafe(status.message) << " in " << terminalSafe(storePath) << "\n";
        return status.result == store::StoreResult::NotFound ? kExitFailed : storeFailure(status, err);
    }
    const int64_t now = nowSeconds();
    if (json) {
        out << dumpJson(historyJson(fleet, device, now)) << "\n";
        return kExitOk;
    }
    std::vector<SupplyView> supplies;
    if (StoreStatus status = viewSupplies(fleet, device, now, supplies); !status.ok()) return storeFailure(status, err);
    out << terminalSafe(device.identity.address) << "  " << terminalSafe(device.name) << "  "
        << terminalSafe(device.identity.model) << "  serial " << terminalSafe(device.identity.serial) << "\n"
        << "last seen " << utcText(device.lastSeen) << (device.answering ? "" : " (no answer since)") << ", pages "
        << (device.pageCount ? std::to_string(*device.pageCount) : std::string("--")) << "\n";
    for (const SupplyView& s : supplies) {
        const std::string description = s.values.empty() ? std::string() : s.values.back().description;
        out << "\n" << terminalSafe(s.record.colour.empty() ? description : s.record.colour) << " ("
            << terminalSafe(description) << "): "
            << (s.percent ? std::to_string(*s.percent) + " %" : std::string(s.stateName)) << "\n";
        std::vector<std::vector<std::string>> rows;
        for (const store::Cartridge& c : s.cartridges)
            rows.push_back({"  " + utcText(c.start), startWords(c.why), c.pages ? std::to_string(*c.pages) : "--"});
        out << formatColumns({"  cartridge since", "why", "pages printed"}, rows);
        out << "  forecast: " << forecastText(s.forecast) << "\n";
    }
    return kExitOk;
}

int runFleet(const std::string& storePath, FleetFormat format, std::ostream& out, std::ostream& err)
{
    FleetStore fleet;
    if (StoreStatus status = core::openStoreForReading(fleet, storePath); !status.ok()) return storeFailure(status, err);
    std::vector<store::DeviceRecord> devices;
    if (StoreStatus status = fleet.devices(devices); !status.ok()) return storeFailure(status, err);
    const int64_t now = nowSeconds();
    const std::vector<std::string> header = {"address", "name", "model", "serial", "last_seen", "answering",
                                             "attention", "first_empty", "days_left", "empty_date"};
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> tableDays;
    nlohmann::json list = nlohmann::json::array();
    struct Judged {
        const store::DeviceRecord* device;
        std::vector<SupplyView> supplies;
        core::Attention attention;
    };
    std::vector<Judged> judged;
    for (const store::DeviceRecord& d : devices) {
        Judged& j = judged.emplace_back(Judged{&d, {}, {}});
        if (StoreStatus status = viewSupplies(fleet, d, now, j.supplies); !status.ok()) return storeFailure(status, err);
        j.attention = core::deviceAttention(storedReport(d, j.supplies));
    }
    std::stable_sort(judged.begin(), judged.end(), [](const Judged& a, const Judged& b) {
        return fleetOrder({a.attention.needed(), a.device->identity.address}, {b.attention.needed(), b.device->identity.address});
    });
    for (const Judged& j : judged) {
        const store::DeviceRecord& d = *j.device;
        const std::vector<SupplyView>& supplies = j.supplies;
        const core::Attention attention = j.attention;
        const SupplyView* first = firstEmpty(supplies);
        nlohmann::json entry = deviceJson(d);
        entry["attention"] = attention.needed();
        entry["attentionReasons"] = core::attentionKeys(attention);
        // The number fleet gave before; deprecated, it goes in the next release.
        entry["attentionReasonBits"] = attention.reasons;
        entry["firstEmpty"] = nullptr;
        if (first) {
            entry["firstEmpty"] = {{"colour", first->record.colour},
                                   {"index", first->record.index},
                                   {"forecast", forecastJson(first->forecast, now)}};
        }
        list.push_back(entry);
        const bool dated = first && first->forecast.days;
        const std::string days = dated ? std::to_string(store::wholeDays(first->forecast.days->value)) : std::string();
        const std::string date =
            dated ? utcText(now + static_cast<int64_t>(first->forecast.days->value * kSecondsPerDay)).substr(0, 10) : "";
        rows.push_back({d.identity.address, d.name, d.identity.model, d.identity.serial, utcText(d.lastSeen),
                        d.answering ? "yes" : "no answer", attention.needed() ? "yes" : "no",
                        first ? first->record.colour : std::string(), days, date});
        // The table says in words what the CSV's number column leaves empty.
        if (first && !dated) tableDays.push_back(store::forecastNoteText(store::ForecastNote::NearlyEmpty));
        else tableDays.push_back(days);
    }
    if (format == FleetFormat::Json) {
        out << dumpJson({{"schemaVersion", 1}, {"devices", list}}) << "\n";
    } else if (format == FleetFormat::Csv) {
        out << csvColumns(header, rows);
    } else {
        for (size_t i = 0; i < rows.size(); ++i) {
            rows[i][8] = tableDays[i];
            for (std::string& cell : rows[i]) cell = terminalSafe(cell);
        }
        out << formatColumns(header, rows);
    }
    return kExitOk;
}

}  // namespace netrov::cli
