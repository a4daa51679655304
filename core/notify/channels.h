// Sending one message on one channel: mail over SMTP and a webhook through libcurl, a command, the systemd journal.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "notice_rules.h"
#include "notify_config.h"

namespace netrov::notify {

// A message as the webhook posts it, the command reads it on standard
// input and the outbox keeps it; the README lists its fields.
nlohmann::json messageJson(const Message& message);

// What a channel came to: accepted by the peer, or why not (in words,
// never with a secret).
struct SendResult {
    bool ok = false;
    std::string error;
};

// Sends message (messageJson's document) on channel; blocks for at most the
// channel's time-out (timeout = seconds, default 20).
SendResult sendMessage(const Channel& channel, const nlohmann::json& message);

// The mail as SMTP carries it: headers (device texts in them are kept to one
// line and encoded where not ASCII), a blank line and the text.
std::string mailText(const Channel& channel, const nlohmann::json& message, int64_t now);
// The journal's fields: MESSAGE, PRIORITY, SYSLOG_IDENTIFIER and NETROV_* ones.
std::vector<std::string> journalFields(const nlohmann::json& message);
// The command's environment beside its own: NETROV_KIND, NETROV_SEVERITY, NETROV_TEXT, ...
std::vector<std::string> commandEnvironment(const nlohmann::json& message);

// "smtp://mail.example.org:587" of a server or address, without any user,
// pass word or path: what may be printed of where a channel sends.
std::string safeEndpoint(const std::string& url);

}  // namespace netrov::notify
