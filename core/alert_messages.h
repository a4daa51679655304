// What a device's alerts mean to a person: message, hint and picture, from
// the message service of the package that serves the device.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include <netrov/device_identity.h>
#include <netrov/device_records.h>

#include "attention.h"
#include "front_library.h"
#include "query_reading.h"

namespace netrov::core {

struct AlertMessage {
    std::string message;  // what happened, e.g. "Toner low"
    std::string hint;     // what to do about it
    std::string image;    // absolute path of the picture; empty when none
};

// What the device's supply and tray readings tell about what its alerts concern.
struct AlertSubjects {
    struct Toner {
        std::string colour;  // a process colour (core/reading.h); empty for any other
        int32_t supplyType = 0;
        int32_t colorantIndex = -1;  // -1 when the device gave none
        LevelState state = LevelState::Unknown;
        int32_t percent = -1;  // 0..100, or -1 when the level is no number
        int32_t row = 0;       // the supplies row as the reading places it (toner first)
        std::string name{};    // the device's name, which stands for a colour beside the four
    };
    struct Tray {
        std::string name;  // as the device names it, e.g. "Tray 2"
        LevelState state = LevelState::Unknown;
    };
    std::vector<Toner> toners;
    std::vector<Tray> trays;
};

// The subjects from GetDevToner and GetDevTray readings; either may be null
// or failed, which leaves its list empty.
AlertSubjects alertSubjects(const QueryReading* toners, const QueryReading* trays);
// Whether the alert points at a toner or tray, which the readings may name.
bool alertNeedsSubjects(const DeviceStatus& alert);

// Rewrites the message and hint of each alert the message service knows
// whose subject is known too ("Black toner low", "Tray 2 empty"); the others
// keep the message service's words. Covers and output bins keep them too:
// the readings give them no name. A toner alert of the supplies group names
// the toner in the row it points at (the toner rows come first); one
// without a row names the toner only when the levels single one out.
void nameSubjects(std::span<AlertMessage> messages, std::span<const DeviceStatus> alerts,
                  const AlertSubjects& subjects);

// One entry per alert, in order, with the subjects named as above (the
// toner and tray readings are asked only when an alert needs them). An
// alert the package's message document does not know, or a package without
// a message service, gives empty entries. The front library must be
// initialised: its start-up makes the installation directory current, which
// the relative picture paths of the message service are resolved against.
std::vector<AlertMessage> alertMessages(const DeviceAccess& access, const DeviceIdentity& device,
                                        std::span<const DeviceStatus> alerts);

// The status records of a GetDevStatus reading, with power save promoted to
// the first record as the list shows it.
std::vector<DeviceStatus> statusRecords(const QueryReading& reading);
// The records that are alerts: not the one record that a device without
// alerts gives.
std::vector<DeviceStatus> alertsAmong(std::span<const DeviceStatus> records);

}  // namespace netrov::core
