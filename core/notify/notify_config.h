// The notification settings: the rules (lead time, grace, reminder, quiet hours, digest) and the channels of notify.ini.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "reading.h"

namespace netrov::notify {

// What a notice is about. The keys (noticeKindKey) are the words of the
// webhook's "kind" field, the command's NETROV_KIND and a channel's "kinds".
enum class NoticeKind : uint8_t {
    SupplyLow,
    SupplyEmpty,
    SupplyForecast,    // empties within the lead time
    CartridgeChanged,
    AttentionStarted,  // a jam, a cover open, a service request: the one judgement
    AttentionEnded,
    Silent,            // not answering for longer than the grace time
    Back,
    Test,
};
const char* noticeKindKey(NoticeKind kind);
std::optional<NoticeKind> noticeKindOf(std::string_view key);

enum class Severity : int32_t { Info = 0, Warning = 1, Critical = 2 };
// "info", "warning", "critical".
const char* severityKey(Severity severity);
std::optional<Severity> severityOf(std::string_view key);

enum class ChannelType : uint8_t { Smtp, Webhook, Command, Journal };
const char* channelTypeKey(ChannelType type);

// What a channel is told: every kind when kinds is empty, from minSeverity
// up, of devices within one of the address ranges (all when none) whose
// location holds location (any when empty, compared without case).
struct ChannelFilter {
    std::vector<NoticeKind> kinds;
    Severity minSeverity = Severity::Info;
    std::vector<std::pair<uint32_t, uint32_t>> ranges;  // host order, inclusive
    std::string location;
    bool passes(NoticeKind kind, Severity severity, std::string_view address, std::string_view location) const;
};

// One channel, named by its section. keys holds the section's other keys as
// written (server, user, password, from, to, url, command, ...); secrets
// among them are never printed (secretKey).
struct Channel {
    std::string name;
    ChannelType type = ChannelType::Webhook;
    ChannelFilter filter;
    std::map<std::string, std::string, std::less<>> keys;
    std::string key(std::string_view name) const;
};

// Keys whose values are secrets: a pass word, a token, and a webhook's
// address (chat tools put the token in it).
bool secretKey(ChannelType type, std::string_view key);

struct Rules {
    std::array<int32_t, core::kSupplyKindCount> leadDays{};  // by core::SupplyKind; 0: no forecast notice
    int64_t graceSeconds = 30 * 60;
    int64_t reminderSeconds = 3 * 86400;  // 0: no reminders
    std::optional<std::pair<int32_t, int32_t>> quiet;  // minutes of the day (local time), start and end
    std::optional<int32_t> digestMinute;               // minute of the day of the daily digest; none: single notices
    Rules();  // 7 days for every kind with a level
};

struct NotifyConfig {
    Rules rules;
    std::vector<Channel> channels;
    const Channel* channel(std::string_view name) const;
};

// $XDG_CONFIG_HOME/netrov/notify.ini, else ~/.config/netrov/notify.ini,
// beside the profiles; empty when neither is known.
std::filesystem::path defaultNotifyPath();

// Reads a notify.ini text; false with error (line number and what is
// wrong, never a secret's value) on the first fault.
bool parseNotifyConfig(std::string_view text, NotifyConfig& out, std::string& error);
// Reads the file at path. A file that holds a secret and that others may
// read or change is refused; a missing file is an error too.
bool loadNotifyConfig(const std::filesystem::path& path, NotifyConfig& out, std::string& error);

// "30m", "2h", "3d", "90s" or seconds; none when it is not one.
std::optional<int64_t> parseDuration(std::string_view text);
// Whether time (seconds since 1970) falls within the quiet hours, in local
// time; when it does, until gives the end of them.
bool inQuietHours(const Rules& rules, int64_t time, int64_t* until = nullptr);

}  // namespace netrov::notify
