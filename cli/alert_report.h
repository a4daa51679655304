// netrov-cli's output of an alert's message, hint and picture.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "alert_messages.h"
#include "fleet_report.h"

namespace netrov::cli {

// The alert's JSON with "message", "hint" and "image" added (null when the
// message document does not know the alert).
nlohmann::json toJson(const DeviceStatus& status, const core::AlertMessage& message);

// Indented lines under an alert's line: message, hint, picture; nothing for
// an unknown alert.
std::string messageLines(const core::AlertMessage& message);

// The status of a device from its one reading: the status word, each status
// record as the device gave it with our message and the device's own text,
// and the attention judgement with the supplies it concerns. JSON adds to
// out the keys status, statusCode, records, recordCount, attention and
// attentionReasons; text is what `status` prints.
void addStatusJson(const core::DeviceReport& report, nlohmann::json& out);
std::string statusLines(const core::DeviceReport& report);

}  // namespace netrov::cli
