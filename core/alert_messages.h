// What a device's alerts mean to a person: message, hint and picture, from
// the message service of the package that serves the device.
#pragma once

#include <span>
#include <string>
#include <vector>

#include <netrov/device_identity.h>
#include <netrov/device_records.h>

#include "front_library.h"
#include "query_reading.h"

namespace netrov::core {

struct AlertMessage {
    std::string message;  // what happened, e.g. "Toner low"
    std::string hint;     // what to do about it
    std::string image;    // absolute path of the picture; empty when none
};

// One entry per alert, in order. An alert the package's message document
// does not know, or a package without a message service, gives empty
// entries. The front library must be initialised: its start-up makes the
// installation directory current, which the relative picture paths of the
// message service are resolved against.
std::vector<AlertMessage> alertMessages(const DeviceAccess& access, const DeviceIdentity& device,
                                        std::span<const DeviceStatus> alerts);

// The status records of a GetDevStatus reading, with power save promoted to
// the first record as the list shows it.
std::vector<DeviceStatus> statusRecords(const QueryReading& reading);
// The records that are alerts: not the one record that a device without
// alerts gives.
std::vector<DeviceStatus> alertsAmong(std::span<const DeviceStatus> records);

}  // namespace netrov::core
