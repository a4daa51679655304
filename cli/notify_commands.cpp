// netrov-cli's notice commands: notify --test, events and order.
#include "notify_commands.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <map>
#include <ostream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "channels.h"
#include "exit_codes.h"
#include "fleet_report.h"
#include "fleet_store.h"
#include "net_address.h"
#include "notify_config.h"
#include "reading.h"
#include "report.h"
#include "store_commands.h"

namespace netrov::cli {

namespace {

int storeFault(const store::StoreStatus& status, std::ostream& err)
{
    err << "netrov-cli: " << terminalSafe(status.message) << "\n";
    return status.result == store::StoreResult::Failed ? kExitFailed : kExitBadInput;
}

store::StoreStatus openReader(store::FleetStore& fleet, const std::string& path)
{
    store::StoreOptions options;
    options.mode = store::OpenMode::Reader;
    return fleet.open(path, options);
}

// Where a channel sends, as may be printed: never a pass word, a token or a webhook's path.
std::string channelTarget(const notify::Channel& c)
{
    switch (c.type) {
    case notify::ChannelType::Smtp: return notify::safeEndpoint(c.key("server"));
    case notify::ChannelType::Webhook: return notify::safeEndpoint(c.key("url"));
    case notify::ChannelType::Command: return "a command";
    case notify::ChannelType::Journal: return "the systemd journal";
    }
    return {};
}

std::string wholeDaysText(std::optional<double> days)
{
    return days ? std::to_string(std::max<int64_t>(0, std::llround(*days))) : std::string();
}

}  // namespace

int runNotifyTest(const NotifyTestOptions& options, std::ostream& out, std::ostream& err)
{
    notify::NotifyConfig config;
    std::string error;
    const std::filesystem::path path = options.config.empty() ? notify::defaultNotifyPath() : std::filesystem::path(options.config);
    if (!notify::loadNotifyConfig(path, config, error)) {
        err << "netrov-cli: " << terminalSafe(error) << "\n";
        return kExitBadInput;
    }
    const notify::Channel* channel = config.channel(options.channel);
    if (!channel) {
        std::string names;
        for (const notify::Channel& c : config.channels) names += (names.empty() ? "" : ", ") + c.name;
        err << "netrov-cli: no channel " << terminalSafe(options.channel) << " in " << terminalSafe(path.string())
            << " (its channels: " << terminalSafe(names.empty() ? "none" : names) << ")\n";
        return kExitBadInput;
    }
    char host[256] = {};
    if (::gethostname(host, sizeof host - 1) != 0) host[0] = '\0';
    notify::Message m;
    m.kind = notify::NoticeKind::Test;
    m.time = static_cast<int64_t>(std::time(nullptr));
    m.subject = "test";
    m.text = std::string("NetRov test notice from ") + (host[0] ? host : "this computer") + " on channel " + channel->name;
    const notify::SendResult result = notify::sendMessage(*channel, notify::messageJson(m));
    const std::string where = channel->name + " (" + notify::channelTypeKey(channel->type) + ", " + channelTarget(*channel) + ")";
    if (!result.ok) {
        err << "netrov-cli: test notice on " << terminalSafe(where) << " failed: " << terminalSafe(result.error) << "\n";
        return kExitFailed;
    }
    out << "test notice on " << terminalSafe(where) << ": accepted\n";
    return kExitOk;
}

int runEvents(const EventsOptions& options, std::ostream& out, std::ostream& err)
{
    const auto since = notify::parseDuration(options.since);
    if (!since) {
        err << "netrov-cli: --since " << terminalSafe(options.since) << " is not a time such as 90m, 12h or 7d\n";
        return kExitBadInput;
    }
    store::FleetStore fleet;
    if (store::StoreStatus status = openReader(fleet, options.store); !status.ok()) return storeFault(status, err);
    std::vector<store::DeviceRecord> devices;
    if (store::StoreStatus status = fleet.devices(devices); !status.ok()) return storeFault(status, err);
    std::map<int64_t, const store::DeviceRecord*> byId;
    for (const store::DeviceRecord& d : devices) byId[d.id] = &d;
    int64_t only = -1;
    if (!options.device.empty()) {
        store::DeviceRecord device;
        if (store::StoreStatus status = fleet.findDevice(core::storedKey(options.device), device); !status.ok()) {
            if (status.result != store::StoreResult::NotFound) return storeFault(status, err);
            err << "netrov-cli: no stored device " << terminalSafe(options.device) << " in " << terminalSafe(options.store) << "\n";
            return kExitFailed;
        }
        only = device.id;
    }
    std::vector<store::DeviceEvent> events;
    const int64_t now = static_cast<int64_t>(std::time(nullptr));
    if (store::StoreStatus status = fleet.eventsSince(now - *since, events); !status.ok()) return storeFault(status, err);
    nlohmann::json list = nlohmann::json::array();
    std::vector<std::vector<std::string>> rows;
    for (const store::DeviceEvent& e : events) {
        // A channel's failure belongs to no device; it shows with every device's events.
        if (only >= 0 && e.deviceId != only && e.deviceId != 0) continue;
        const auto it = byId.find(e.deviceId);
        const std::string address = it != byId.end() ? it->second->identity.address : std::string();
        const std::string name = it != byId.end() ? it->second->name : std::string();
        list.push_back({{"time", utcText(e.time)},
                        {"address", address},
                        {"name", name},
                        {"event", store::deviceEventName(e.kind)},
                        {"detail", e.detail}});
        rows.push_back({utcText(e.time), address.empty() ? "-" : address, name, store::deviceEventName(e.kind), e.detail});
    }
    if (options.json) {
        out << dumpJson({{"schemaVersion", 1}, {"events", list}}) << "\n";
        return kExitOk;
    }
    for (auto& row : rows)
        for (std::string& cell : row) cell = terminalSafe(cell);
    out << formatColumns({"time", "address", "name", "event", "detail"}, rows);
    return kExitOk;
}

namespace {

// empty, when given, tells whether nothing is to be ordered.
int writeOrder(store::FleetStore& fleet, const OrderOptions& options, std::ostream& out, std::ostream& err,
               bool* empty = nullptr)
{
    const int64_t now = static_cast<int64_t>(std::time(nullptr));
    std::vector<notify::DeviceFacts> facts;
    if (store::StoreStatus status = noticeFacts(fleet, now, facts); !status.ok()) return storeFault(status, err);

    struct Line {
        const notify::DeviceFacts* device;
        const notify::SupplyFacts* supply;
    };
    // Grouped by part number; a supply whose name carries none is grouped by its name.
    std::map<std::string, std::vector<Line>> groups;
    for (const notify::DeviceFacts& d : facts) {
        for (const notify::SupplyFacts& s : d.supplies) {
            const bool now_ = s.state == core::LevelState::Low || s.state == core::LevelState::Empty;
            const bool soon = s.emptyInDays && *s.emptyInDays <= static_cast<double>(options.days);
            if (!now_ && !soon) continue;
            const std::string part = core::partNumberOf(s.name);
            groups[part.empty() ? s.name : part].push_back({&d, &s});
        }
    }
    const std::vector<std::string> header = {"part_number", "count",    "address",  "name",     "location", "supply",
                                             "colour",      "level",    "state",    "days_left", "days_low", "days_high"};
    std::vector<std::vector<std::string>> rows;
    nlohmann::json list = nlohmann::json::array();
    for (const auto& [key, lines] : groups) {
        const std::string part = core::partNumberOf(lines.front().supply->name);
        nlohmann::json supplies = nlohmann::json::array();
        for (const Line& l : lines) {
            const notify::SupplyFacts& s = *l.supply;
            const std::string state = core::levelStateName(s.state);
            rows.push_back({part, std::to_string(lines.size()), l.device->address, l.device->name, l.device->location, s.name,
                            s.colour, s.percent ? std::to_string(*s.percent) : std::string(), state,
                            wholeDaysText(s.emptyInDays), wholeDaysText(s.daysLow), wholeDaysText(s.daysHigh)});
            supplies.push_back({{"address", l.device->address},
                                {"name", l.device->name},
                                {"location", l.device->location},
                                {"model", l.device->model},
                                {"supply", s.name},
                                {"colour", s.colour},
                                {"level", s.percent ? nlohmann::json(*s.percent) : nlohmann::json()},
                                {"state", state},
                                {"daysLeft", s.emptyInDays ? nlohmann::json(std::llround(*s.emptyInDays)) : nlohmann::json()},
                                {"daysLow", s.daysLow ? nlohmann::json(std::llround(*s.daysLow)) : nlohmann::json()},
                                {"daysHigh", s.daysHigh ? nlohmann::json(std::llround(*s.daysHigh)) : nlohmann::json()}});
        }
        list.push_back({{"partNumber", part}, {"count", lines.size()}, {"supplies", supplies}});
    }
    if (options.format == OrderFormat::Json) {
        out << dumpJson({{"schemaVersion", 1}, {"days", options.days}, {"groups", list}}) << "\n";
    } else if (options.format == OrderFormat::Csv) {
        out << csvColumns(header, rows);
    } else {
        for (auto& row : rows)
            for (std::string& cell : row) cell = terminalSafe(cell);
        out << formatColumns(header, rows);
    }
    if (empty) *empty = rows.empty();
    return kExitOk;
}

}  // namespace

int runOrder(const OrderOptions& options, std::ostream& out, std::ostream& err)
{
    if (options.days < 0 || options.days > 365) {
        err << "netrov-cli: --days " << options.days << " is outside 0 to 365\n";
        return kExitBadInput;
    }
    store::FleetStore fleet;
    if (store::StoreStatus status = openReader(fleet, options.store); !status.ok()) return storeFault(status, err);
    return writeOrder(fleet, options, out, err);
}

std::string orderDigest(store::FleetStore& fleet)
{
    std::ostringstream out, err;
    OrderOptions options;
    bool empty = true;
    return writeOrder(fleet, options, out, err, &empty) == kExitOk && !empty ? out.str() : std::string();
}

}  // namespace netrov::cli
