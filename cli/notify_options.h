// The command-line options of notify, events, order and watch's notices, for netrov-cli's command table.
#pragma once

#include <iostream>
#include <string>

#include <CLI/CLI.hpp>

#include "notify_commands.h"
#include "store_commands.h"

namespace netrov::cli {

struct NotifyGiven {
    bool watchNotify = false;
    std::string config;  // --notify-config, for watch and notify
    NotifyTestOptions test;
    EventsOptions events;
    OrderOptions order;
    bool orderCsv = false;
    bool orderJson = false;
};

inline constexpr const char* kNotifyConfigHelp =
    "the notification settings (default $XDG_CONFIG_HOME/netrov/notify.ini, beside the profiles)";

inline void addWatchNotifyOptions(CLI::App& c, NotifyGiven& g)
{
    c.add_flag("--notify", g.watchNotify, "send notices on the channels of notify.ini (off by default)");
    c.add_option("--notify-config", g.config, kNotifyConfigHelp);
}

inline void takeWatchNotifyOptions(const NotifyGiven& g, WatchOptions& options)
{
    options.notify = g.watchNotify;
    options.notifyConfig = g.config;
}

inline void setupNotify(CLI::App& c, NotifyGiven& g)
{
    c.add_option("--test", g.test.channel, "send a test notice on the channel of this name and say what happened")
        ->required();
    c.add_option("--notify-config", g.config, kNotifyConfigHelp);
}

inline int runNotifyCommand(NotifyGiven& g)
{
    g.test.config = g.config;
    return runNotifyTest(g.test, std::cout, std::cerr);
}

inline void setupEvents(CLI::App& c, NotifyGiven& g, std::string& storePath)
{
    c.add_option("ADDRESS", g.events.device, "only this device: its address, serial number or MAC address");
    c.add_option("--since", g.events.since, "how far back: 90m, 12h, 7d (default 7d)");
    c.add_flag("--json", g.events.json, "print JSON instead of text");
    c.add_option("--store", storePath, "the store file (default $XDG_DATA_HOME/netrov/fleet.db)");
}

inline int runEventsCommand(NotifyGiven& g, const std::string& storePath)
{
    g.events.store = storePath;
    return runEvents(g.events, std::cout, std::cerr);
}

inline void setupOrder(CLI::App& c, NotifyGiven& g, std::string& storePath)
{
    c.add_option("--days", g.order.days, "supplies empty within N days, beside those low or empty now (default 14)");
    c.add_flag("--csv", g.orderCsv, "write CSV (RFC 4180, UTF-8)");
    c.add_flag("--json", g.orderJson, "print JSON instead of text");
    c.add_option("--store", storePath, "the store file (default $XDG_DATA_HOME/netrov/fleet.db)");
}

inline int runOrderCommand(NotifyGiven& g, const std::string& storePath)
{
    g.order.store = storePath;
    g.order.format = g.orderJson ? OrderFormat::Json : g.orderCsv ? OrderFormat::Csv : OrderFormat::Table;
    return runOrder(g.order, std::cout, std::cerr);
}

}  // namespace netrov::cli
