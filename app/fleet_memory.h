// The desktop's memory of its fleet: what a search or refresh read goes into the fleet store, and what the list shows back.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "device_list.h"
#include "device_rows.h"
#include "fleet_store.h"

namespace netrov::ui {

// The store the command line's watch writes too: <data folder>/netrov/fleet.db
// ($XDG_DATA_HOME, else ~/.local/share); empty when no data folder is known.
std::string defaultFleetStorePath();

// Whether a device's reading is whole enough to stand for it in the store:
// it answered and gave its status (so its alerts were read too).
bool wholeReading(const core::DeviceReport& report);

// A listed device as one store reading: the gauge's whole reading as watch
// writes it (store::readingOf); else its identity, words, status, and the
// levels and page count the gauge read, as a partial reading that leaves
// the stored alerts and error bits as they are.
store::DeviceReading fleetReading(const core::DeviceListEntry& entry, const ListGauge* gauge);

// A device the store knows that the last search or refresh did not list.
struct RememberedDevice {
    store::DeviceRecord record;
    core::DeviceListEntry entry;  // made from the record, for the list's cells and sort
};

struct FleetRound {
    store::StoreStatus status;
    std::vector<RememberedDevice> silent;               // stored devices that did not answer, last seen first
    std::map<std::string, double> emptyInDays;          // by address: days until the first supply empties
};

// Writes one round at time (seconds since 1970): the listed devices as read,
// every other stored device the desktop found before as silent (devices only
// a watcher reads are left alone); then reads back those silent devices and
// each device's forecast. The store is open (as its writer) only meanwhile,
// so a watcher can use it between searches. A store that cannot be opened or
// written is left as it was and named in status.
FleetRound rememberRound(const std::string& path, int64_t time, const std::vector<store::DeviceReading>& listed);

// The days until a stored device's first supply empties; none when no supply has a forecast.
std::optional<double> deviceEmptyInDays(store::FleetStore& fleet, const store::DeviceRecord& device, int64_t now);

// "no answer since 2026-12-09 14:02" (local time).
std::string noAnswerSinceText(int64_t lastSeen);

}  // namespace netrov::ui
