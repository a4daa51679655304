// Reading notify.ini: one section per channel, named by the user, and [rules].
#include "notify_config.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>

#include "search_settings.h"

namespace netrov::notify {

namespace {

constexpr std::pair<NoticeKind, const char*> kKindKeys[] = {
    {NoticeKind::SupplyLow, "supply_low"},
    {NoticeKind::SupplyEmpty, "supply_empty"},
    {NoticeKind::SupplyForecast, "supply_forecast"},
    {NoticeKind::CartridgeChanged, "cartridge_changed"},
    {NoticeKind::AttentionStarted, "attention_started"},
    {NoticeKind::AttentionEnded, "attention_ended"},
    {NoticeKind::Silent, "silent"},
    {NoticeKind::Back, "back"},
    {NoticeKind::Test, "test"},
};

constexpr std::pair<Severity, const char*> kSeverityKeys[] = {
    {Severity::Info, "info"}, {Severity::Warning, "warning"}, {Severity::Critical, "critical"}};

constexpr std::pair<ChannelType, const char*> kTypeKeys[] = {
    {ChannelType::Smtp, "smtp"}, {ChannelType::Webhook, "webhook"}, {ChannelType::Command, "command"},
    {ChannelType::Journal, "journal"}};

// The keys each type needs; a channel without one is refused when it is read, not when it first sends.
struct Needed {
    ChannelType type;
    std::vector<const char*> keys;
};
const Needed kNeededKeys[] = {
    {ChannelType::Smtp, {"server", "from", "to"}},
    {ChannelType::Webhook, {"url"}},
    {ChannelType::Command, {"command"}},
    {ChannelType::Journal, {}},
};

constexpr const char* kRulesSection = "rules";
constexpr size_t kMaxConfigBytes = 1 << 20;

std::string_view trim(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    return text;
}

std::string lower(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

// A value without its trailing comment: "smtp   ; smtp, webhook" is "smtp". A
// semicolon or hash inside a value (a pass word) stays when no blank is before it.
std::string_view valueOf(std::string_view text)
{
    for (size_t i = 1; i < text.size(); ++i)
        if ((text[i] == ';' || text[i] == '#') && std::isspace(static_cast<unsigned char>(text[i - 1])))
            return trim(text.substr(0, i));
    return trim(text);
}

std::vector<std::string> listOf(std::string_view text)
{
    std::vector<std::string> out;
    size_t from = 0;
    while (from <= text.size()) {
        size_t at = text.find(',', from);
        if (at == std::string_view::npos) at = text.size();
        const std::string_view item = trim(text.substr(from, at - from));
        if (!item.empty()) out.emplace_back(item);
        from = at + 1;
    }
    return out;
}

std::optional<int32_t> minuteOf(std::string_view text)
{
    text = trim(text);
    const size_t colon = text.find(':');
    if (colon == std::string_view::npos || colon == 0 || text.size() - colon != 3) return std::nullopt;
    int32_t hours = 0, minutes = 0;
    for (char c : text.substr(0, colon)) {
        if (!std::isdigit(static_cast<unsigned char>(c)) || hours > 23) return std::nullopt;
        hours = hours * 10 + (c - '0');
    }
    for (char c : text.substr(colon + 1)) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
        minutes = minutes * 10 + (c - '0');
    }
    if (hours > 23 || minutes > 59) return std::nullopt;
    return hours * 60 + minutes;
}

// "10.0.0.0/24", "10.0.0.5-10.0.0.40" or one address.
std::optional<std::pair<uint32_t, uint32_t>> rangeOf(std::string_view text)
{
    if (const size_t slash = text.find('/'); slash != std::string_view::npos) {
        const auto base = core::parseDottedQuad(text.substr(0, slash));
        const std::string_view bits = text.substr(slash + 1);
        if (!base || bits.empty() || bits.size() > 2 || !std::all_of(bits.begin(), bits.end(), ::isdigit)) return std::nullopt;
        const int prefix = std::atoi(std::string(bits).c_str());
        if (prefix > 32) return std::nullopt;
        const uint32_t mask = prefix == 0 ? 0 : ~uint32_t{0} << (32 - prefix);
        return std::pair{*base & mask, (*base & mask) | ~mask};
    }
    if (const size_t dash = text.find('-'); dash != std::string_view::npos) {
        const auto from = core::parseDottedQuad(trim(text.substr(0, dash)));
        const auto to = core::parseDottedQuad(trim(text.substr(dash + 1)));
        if (!from || !to || *from > *to) return std::nullopt;
        return std::pair{*from, *to};
    }
    const auto one = core::parseDottedQuad(text);
    if (!one) return std::nullopt;
    return std::pair{*one, *one};
}

bool readRule(Rules& rules, std::string_view key, std::string_view value, std::string& why)
{
    if (key == "lead_days" || key.starts_with("lead_days.")) {
        const std::string digits(value);
        if (digits.empty() || digits.size() > 3 || !std::all_of(digits.begin(), digits.end(), ::isdigit)) {
            why = "lead_days is a number of days from 0 to 999";
            return false;
        }
        const int32_t days = std::atoi(digits.c_str());
        if (key == "lead_days") {
            for (int32_t& d : rules.leadDays) d = days;
            rules.leadDays[static_cast<size_t>(core::SupplyKind::Paper)] = 0;
            return true;
        }
        for (size_t k = 0; k < core::kSupplyKindCount; ++k) {
            if (key.substr(10) == core::supplyKindKey(static_cast<core::SupplyKind>(k))) {
                rules.leadDays[k] = days;
                return true;
            }
        }
        why = "no such supply kind in " + std::string(key);
        return false;
    }
    if (key == "grace" || key == "reminder") {
        const auto seconds = parseDuration(value);
        const bool off = key == "reminder" && (value == "no" || value == "0");
        if (!seconds && !off) {
            why = std::string(key) + " is a time such as 30m, 2h or 3d";
            return false;
        }
        (key == "grace" ? rules.graceSeconds : rules.reminderSeconds) = off ? 0 : *seconds;
        return true;
    }
    if (key == "quiet") {
        if (value == "no" || value.empty()) {
            rules.quiet.reset();
            return true;
        }
        const size_t dash = value.find('-');
        const auto from = dash == std::string_view::npos ? std::nullopt : minuteOf(value.substr(0, dash));
        const auto to = dash == std::string_view::npos ? std::nullopt : minuteOf(value.substr(dash + 1));
        if (!from || !to) {
            why = "quiet is two times of day, such as 22:00-07:00";
            return false;
        }
        rules.quiet = std::pair{*from, *to};
        return true;
    }
    if (key == "digest") {
        if (value == "no") {
            rules.digestMinute.reset();
            return true;
        }
        rules.digestMinute = minuteOf(value);
        if (!rules.digestMinute) why = "digest is no or a time of day, such as 08:00";
        return rules.digestMinute.has_value();
    }
    why = "no such rule: " + std::string(key);
    return false;
}

bool readChannelKey(Channel& channel, bool& typed, std::string_view key, std::string_view value, std::string& why)
{
    if (key == "type") {
        for (const auto& [type, name] : kTypeKeys) {
            if (value == name) {
                channel.type = type;
                typed = true;
                return true;
            }
        }
        why = "type is smtp, webhook, command or journal";
        return false;
    }
    if (key == "kinds") {
        for (const std::string& item : listOf(value)) {
            const auto kind = noticeKindOf(item);
            if (!kind) {
                why = "no such kind of notice: " + item;
                return false;
            }
            channel.filter.kinds.push_back(*kind);
        }
        return true;
    }
    if (key == "severity") {
        const auto severity = severityOf(value);
        if (!severity) why = "severity is info, warning or critical";
        if (severity) channel.filter.minSeverity = *severity;
        return severity.has_value();
    }
    if (key == "addresses") {
        for (const std::string& item : listOf(value)) {
            const auto range = rangeOf(item);
            if (!range) {
                why = "not an address, range or network: " + item;
                return false;
            }
            channel.filter.ranges.push_back(*range);
        }
        return true;
    }
    if (key == "location") {
        channel.filter.location = lower(value);
        return true;
    }
    channel.keys[std::string(key)] = std::string(value);
    return true;
}

}  // namespace

const char* noticeKindKey(NoticeKind kind)
{
    for (const auto& [k, name] : kKindKeys)
        if (k == kind) return name;
    return "";
}

std::optional<NoticeKind> noticeKindOf(std::string_view key)
{
    for (const auto& [k, name] : kKindKeys)
        if (key == name) return k;
    return std::nullopt;
}

const char* severityKey(Severity severity)
{
    for (const auto& [s, name] : kSeverityKeys)
        if (s == severity) return name;
    return "";
}

std::optional<Severity> severityOf(std::string_view key)
{
    for (const auto& [s, name] : kSeverityKeys)
        if (key == name) return s;
    return std::nullopt;
}

const char* channelTypeKey(ChannelType type)
{
    for (const auto& [t, name] : kTypeKeys)
        if (t == type) return name;
    return "";
}

bool ChannelFilter::passes(NoticeKind kind, Severity severity, std::string_view address, std::string_view where) const
{
    // A test notice goes wherever it is sent.
    if (kind == NoticeKind::Test) return true;
    if (!kinds.empty() && std::find(kinds.begin(), kinds.end(), kind) == kinds.end()) return false;
    if (static_cast<int32_t>(severity) < static_cast<int32_t>(minSeverity)) return false;
    if (!ranges.empty()) {
        const auto a = core::parseDottedQuad(address);
        if (!a || std::none_of(ranges.begin(), ranges.end(), [&](const auto& r) { return *a >= r.first && *a <= r.second; }))
            return false;
    }
    return location.empty() || lower(where).find(location) != std::string::npos;
}

std::string Channel::key(std::string_view name) const
{
    const auto it = keys.find(name);
    return it == keys.end() ? std::string() : it->second;
}

bool secretKey(ChannelType type, std::string_view key)
{
    return key == "password" || key == "token" || key.starts_with("header.") || (type == ChannelType::Webhook && key == "url");
}

Rules::Rules()
{
    leadDays.fill(7);
    leadDays[static_cast<size_t>(core::SupplyKind::Paper)] = 0;
}

const Channel* NotifyConfig::channel(std::string_view name) const
{
    for (const Channel& c : channels)
        if (c.name == name) return &c;
    return nullptr;
}

std::filesystem::path defaultNotifyPath()
{
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config && std::filesystem::path(config).is_absolute())
        return std::filesystem::path(config) / "netrov" / "notify.ini";
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::filesystem::path(home) / ".config" / "netrov" / "notify.ini";
    return {};
}

std::optional<int64_t> parseDuration(std::string_view text)
{
    text = trim(text);
    if (text.empty() || text.size() > 9) return std::nullopt;
    int64_t scale = 1;
    constexpr std::pair<char, int64_t> kUnits[] = {{'s', 1}, {'m', 60}, {'h', 3600}, {'d', 86400}};
    for (const auto& [unit, seconds] : kUnits) {
        if (text.back() == unit) {
            scale = seconds;
            text.remove_suffix(1);
            break;
        }
    }
    if (text.empty() || !std::all_of(text.begin(), text.end(), ::isdigit)) return std::nullopt;
    return std::atoll(std::string(text).c_str()) * scale;
}

bool inQuietHours(const Rules& rules, int64_t time, int64_t* until)
{
    if (!rules.quiet || rules.quiet->first == rules.quiet->second) return false;
    const std::time_t t = static_cast<std::time_t>(time);
    std::tm local{};
    if (!localtime_r(&t, &local)) return false;
    const int32_t minute = local.tm_hour * 60 + local.tm_min;
    const auto [from, to] = *rules.quiet;
    // 22:00-07:00 wraps past midnight; 12:00-14:00 does not.
    const bool quiet = from < to ? minute >= from && minute < to : minute >= from || minute < to;
    if (quiet && until) {
        const int32_t left = (to - minute + 24 * 60) % (24 * 60);
        *until = time - local.tm_sec + static_cast<int64_t>(left) * 60;
    }
    return quiet;
}

bool parseNotifyConfig(std::string_view text, NotifyConfig& out, std::string& error)
{
    out = {};
    std::string section;
    Channel* channel = nullptr;
    bool typed = false;
    int number = 0;
    const auto finish = [&]() {
        if (!channel) return true;
        if (!typed) {
            error = "[" + channel->name + "] has no type (smtp, webhook, command or journal)";
            return false;
        }
        for (const Needed& n : kNeededKeys) {
            if (n.type != channel->type) continue;
            for (const char* key : n.keys) {
                if (channel->key(key).empty()) {
                    error = "[" + channel->name + "] has no " + key;
                    return false;
                }
            }
        }
        return true;
    };
    while (!text.empty()) {
        ++number;
        const size_t end = text.find('\n');
        std::string_view line = trim(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (line.empty() || line.front() == ';' || line.front() == '#') continue;
        const std::string where = "line " + std::to_string(number) + ": ";
        if (line.front() == '[') {
            if (line.back() != ']' || line.size() < 3) {
                error = where + "a section is [name]";
                return false;
            }
            if (!finish()) return false;
            section = std::string(trim(line.substr(1, line.size() - 2)));
            channel = nullptr;
            typed = false;
            if (section == kRulesSection) continue;
            if (out.channel(section)) {
                error = where + "a second [" + section + "]";
                return false;
            }
            channel = &out.channels.emplace_back();
            channel->name = section;
            continue;
        }
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos || section.empty()) {
            error = where + (section.empty() ? "a key before any section" : "a line is key = value");
            return false;
        }
        const std::string key = lower(trim(line.substr(0, equals)));
        const std::string_view value = valueOf(line.substr(equals + 1));
        std::string why;
        const bool ok = channel ? readChannelKey(*channel, typed, key, value, why) : readRule(out.rules, key, value, why);
        if (!ok) {
            error = where + why;
            return false;
        }
    }
    return finish();
}

bool loadNotifyConfig(const std::filesystem::path& path, NotifyConfig& out, std::string& error)
{
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) {
        error = (path.empty() ? std::string("no configuration folder") : path.string()) +
                ": no notification settings (see the README's notify.ini)";
        return false;
    }
    if (!S_ISREG(st.st_mode) || st.st_size > static_cast<off_t>(kMaxConfigBytes)) {
        error = path.string() + " is not a readable settings file";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) {
        error = path.string() + " cannot be read";
        return false;
    }
    if (!parseNotifyConfig(text, out, error)) {
        error = path.string() + ": " + error;
        return false;
    }
    // A secret may sit only where nobody else reads it, and a command only where nobody else can change it.
    const bool shared = (st.st_mode & (S_IRGRP | S_IWGRP | S_IROTH | S_IWOTH)) != 0;
    const bool writable = (st.st_mode & (S_IWGRP | S_IWOTH)) != 0;
    for (const Channel& c : out.channels) {
        if (writable && c.type == ChannelType::Command) {
            error = path.string() + " names a command ([" + c.name +
                    "]) and may be changed by others; make it writable by you only (chmod 644 or 600)";
            out = {};
            return false;
        }
        for (const auto& [key, value] : c.keys) {
            if (shared && secretKey(c.type, key) && !value.empty()) {
                error = path.string() + " holds a secret ([" + c.name + "] " + key +
                        ") and may be read or changed by others; make it private (chmod 600)";
                out = {};
                return false;
            }
        }
    }
    return true;
}

}  // namespace netrov::notify
