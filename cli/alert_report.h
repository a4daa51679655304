// netrov-cli's output of an alert's message, hint and picture.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "alert_messages.h"

namespace netrov::cli {

// The alert's JSON with "message", "hint" and "image" added (null when the
// message document does not know the alert).
nlohmann::json toJson(const DeviceStatus& status, const core::AlertMessage& message);

// Indented lines under an alert's line: message, hint, picture; nothing for
// an unknown alert.
std::string messageLines(const core::AlertMessage& message);

}  // namespace netrov::cli
