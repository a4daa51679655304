// netrov-cli's notice commands: notify --test (one test notice on a channel), events (the store's event log) and order (what to order).
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

#ifndef _WIN32
#include "fleet_store.h"
#endif

namespace netrov::cli {

struct NotifyTestOptions {
    std::string channel;
    std::string config;  // empty: notify.ini in the user's configuration folder
};
// Sends a test notice on one channel and says what happened, never a secret.
int runNotifyTest(const NotifyTestOptions& options, std::ostream& out, std::ostream& err);

struct EventsOptions {
    std::string store;
    std::string device;        // address, serial number or MAC; empty: every device
    std::string since = "7d";  // a time back from now: 90m, 12h, 7d
    bool json = false;
};
// Silent and back, cartridge changes, attention started and ended, notices sent and channels failing.
int runEvents(const EventsOptions& options, std::ostream& out, std::ostream& err);

enum class OrderFormat { Table, Csv, Json };
struct OrderOptions {
    std::string store;
    int64_t days = 14;
    OrderFormat format = OrderFormat::Table;
};
// The supplies low or empty now or empty within days, grouped by part number.
int runOrder(const OrderOptions& options, std::ostream& out, std::ostream& err);

#ifndef _WIN32
// The same list from an open store, as the daily digest carries it (a table; empty when nothing is to be ordered).
std::string orderDigest(store::FleetStore& fleet);
#endif

}  // namespace netrov::cli
