// What the fleet store holds of a reported device: when it was last seen and each colour's days left, as the report's store columns give them.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "fleet_report.h"
#include "fleet_store.h"

namespace netrov::core {

// A time as the store columns write it, "2026-01-05T09:00:00Z"; empty for a
// time outside four-digit years (no date at all rather than a wrong one).
std::string utcText(int64_t time);

// Opens the store at path for reading only: a reader never creates, changes
// or locks out a store.
store::StoreStatus openStoreForReading(store::FleetStore& fleet, const std::string& path);

// What fleet holds of the device report describes, matched as watch matches
// it (serial number, MAC, then address), with each colour's whole days left
// at time now (seconds since 1970). A device the store does not hold, or
// cannot give, has an empty lastSeen and says why in missing.
StoredDevice storedDevice(store::FleetStore& fleet, const DeviceReport& report, int64_t now);

// Opens the store at path for reading and gives every report its stored view.
// A store that cannot be read gives each report a view that says so; the
// store's message is returned, empty when the store was read.
std::string addStoredViews(const std::string& path, std::span<DeviceReport> reports, int64_t now);

}  // namespace netrov::core
