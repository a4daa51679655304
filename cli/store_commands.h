// netrov-cli's fleet store commands: watch (read a fleet every interval into the store), history and fleet (read it back).
#pragma once

#include <atomic>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include <netrov/consumable_records.h>

#include "cli_input.h"
#include "fleet_report.h"
#include "source_reading.h"
#include "targets.h"
#ifndef _WIN32
#include "fleet_store.h"
#include "notice_rules.h"
#include "stored_views.h"
#endif

namespace netrov::cli {

// "900", "30s", "15m", "2h" or "1d": seconds from 1 to one week.
Checked<int64_t> parseInterval(const std::string& text);

// $XDG_DATA_HOME/netrov/fleet.db, else ~/.local/share/netrov/fleet.db; empty when neither is known.
std::string defaultStorePath();

struct WatchOptions {
    TargetList targets;  // every address to read, expanded
    std::vector<std::string> communities;  // tried in order; empty: the default
    int32_t snmpVersion = 0;               // include/netrov/snmp_version.h
    std::vector<std::string> profiles;     // SNMPv3 profiles, tried after the communities
    int32_t timeOut = 3;
    int32_t retry = 0;
    uint32_t rate = 500;
    int64_t intervalSeconds = 900;
    int64_t rounds = 0;  // 0: until interrupted
    int jobs = 8;
    std::string store;
    // Sends the SNMPv3 discovery probe beside the communities, so a printer
    // that speaks only SNMPv3 is recorded as needing credentials.
    bool probeV3 = true;
    bool notify = false;       // notices on the channels of notifyConfig
    std::string notifyConfig;  // empty: notify.ini in the user's configuration folder
    // Where each device is read from; a target SNMP does not answer is asked
    // over IPP where the source allows it.
    core::SourceOptions source = core::snmpOnly();
};

#ifndef _WIN32
// Every stored device after the round stored at time now, as the notice
// rules see it: the one judgement of the stored reading, each supply's
// state, forecast and current cartridge.
store::StoreStatus noticeFacts(store::FleetStore& fleet, int64_t now, std::vector<notify::DeviceFacts>& out);
#endif

// Reads the targets every interval into the store until rounds are done or
// interrupted is set; a round under way when interrupted is rolled back.
// Progress goes to out, problems to err. Exit codes of exit_codes.h; a store
// that cannot be opened (another watcher, not a store, newer, read-only) is bad input.
// A round the store cannot take (a full disk, a failed write) is named and
// skipped, and watching goes on; a given number of rounds fails only when
// its last round was not stored.
int runWatch(const WatchOptions& options, const std::atomic<int>& interrupted, std::ostream& out, std::ostream& err);

// The stored history of the device whose address, serial number or MAC is
// key: per supply its cartridges and forecast, at time now.
#ifndef _WIN32
nlohmann::json historyJson(store::FleetStore& store, const store::DeviceRecord& device, int64_t now);
#endif
int runHistory(const std::string& storePath, const std::string& key, bool json, std::ostream& out, std::ostream& err);

enum class FleetFormat { Table, Csv, Json };
// Every stored device: last seen, attention, and the supply that empties first.
int runFleet(const std::string& storePath, FleetFormat format, std::ostream& out, std::ostream& err);

// The store the report and the check read: the one given, else the default
// one when it exists (they never create one); empty: none.
std::string storeToRead(const std::string& given);

#ifndef _WIN32
// The store columns and times are the core's, as every program writes them.
using core::addStoredViews;
using core::storedDevice;
using core::utcText;
#else
// "2026-01-05T09:00:00Z"; empty in the Windows build, which has no store.
std::string utcText(int64_t time);
// Gives nothing in the Windows build, which has no store.
std::string addStoredViews(const std::string& path, std::span<core::DeviceReport> reports, int64_t now);
#endif

}  // namespace netrov::cli
