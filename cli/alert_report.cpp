// An alert's message, hint and picture as text lines or JSON.
#include "alert_report.h"

#include "report.h"

namespace netrov::cli {

namespace {

nlohmann::json textOrNull(const std::string& text)
{
    return text.empty() ? nlohmann::json() : nlohmann::json(text);
}

}  // namespace

nlohmann::json toJson(const DeviceStatus& status, const core::AlertMessage& message)
{
    nlohmann::json out = toJson(status);
    out["message"] = textOrNull(message.message);
    out["hint"] = textOrNull(message.hint);
    out["image"] = textOrNull(message.image);
    return out;
}

std::string messageLines(const core::AlertMessage& message)
{
    std::string lines;
    if (!message.message.empty()) lines += "    " + terminalSafe(message.message) + "\n";
    if (!message.hint.empty()) lines += "    " + terminalSafe(message.hint) + "\n";
    if (!message.image.empty()) lines += "    Picture: " + terminalSafe(message.image) + "\n";
    return lines;
}

}  // namespace netrov::cli
