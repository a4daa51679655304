// The notice rules: conditions that hold now against the notices still open.
#include "notice_rules.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <map>

namespace netrov::notify {

namespace {

// The last word of a subject names its condition; supply subjects carry the
// supply's index and its cartridge's start, so a new cartridge is a new subject.
constexpr std::pair<NoticeKind, const char*> kConditionWords[] = {
    {NoticeKind::SupplyLow, "low"},
    {NoticeKind::SupplyEmpty, "empty"},
    {NoticeKind::SupplyForecast, "forecast"},
    {NoticeKind::CartridgeChanged, "changed"},
    {NoticeKind::AttentionStarted, "attention"},
    {NoticeKind::Silent, "silent"},
};

const char* conditionWord(NoticeKind kind)
{
    for (const auto& [k, word] : kConditionWords)
        if (k == kind) return word;
    return "";
}

std::optional<NoticeKind> conditionOf(const std::string& subject)
{
    const size_t colon = subject.rfind(':');
    const std::string word = colon == std::string::npos ? subject : subject.substr(colon + 1);
    for (const auto& [k, w] : kConditionWords)
        if (word == w) return k;
    return std::nullopt;
}

std::string supplyPrefix(const SupplyFacts& s)
{
    return "supply:" + std::to_string(s.index) + ":";
}

std::string supplySubject(const SupplyFacts& s, NoticeKind kind)
{
    return supplyPrefix(s) + std::to_string(s.cartridgeStart) + ":" + conditionWord(kind);
}

std::string utcText(int64_t time)
{
    const std::time_t t = static_cast<std::time_t>(time);
    std::tm tm{};
    if (!gmtime_r(&t, &tm)) return {};
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M UTC", &tm);
    return text;
}

Message baseMessage(const DeviceFacts& d, NoticeKind kind, Severity severity, int64_t now)
{
    Message m;
    m.deviceId = d.id;
    m.kind = kind;
    m.severity = severity;
    m.time = now;
    m.address = d.address;
    m.name = d.name;
    m.location = d.location;
    m.model = d.model;
    m.serial = d.serial;
    return m;
}

std::string supplyWords(const SupplyFacts& s)
{
    const bool process = std::find_if(std::begin(core::kProcessColours), std::end(core::kProcessColours),
                                      [&](const char* c) { return s.colour == c; }) != std::end(core::kProcessColours);
    std::string words = process ? s.colour + " " + core::supplyKindKey(s.kind) : std::string(core::supplyKindKey(s.kind));
    if (!s.name.empty()) words += " (" + s.name + ")";
    return words;
}

std::string percentWords(const SupplyFacts& s)
{
    return s.percent ? " at " + std::to_string(*s.percent) + " %" : std::string();
}

Message supplyMessage(const DeviceFacts& d, const SupplyFacts& s, NoticeKind kind, int64_t now)
{
    const Severity severity = kind == NoticeKind::SupplyEmpty       ? Severity::Critical
                              : kind == NoticeKind::CartridgeChanged ? Severity::Info
                                                                     : Severity::Warning;
    Message m = baseMessage(d, kind, severity, now);
    m.subject = supplySubject(s, kind);
    m.supplyIndex = s.index;
    m.supplyName = s.name;
    m.colour = s.colour;
    m.percent = s.percent;
    m.emptyInDays = s.emptyInDays;
    const std::string who = deviceLabel(m) + ": " + supplyWords(s);
    switch (kind) {
    case NoticeKind::SupplyLow: m.text = who + " is low" + percentWords(s); break;
    case NoticeKind::SupplyEmpty: m.text = who + " is empty"; break;
    case NoticeKind::SupplyForecast:
        m.text = who + " will be empty in about " + std::to_string(std::max<int64_t>(0, std::llround(*s.emptyInDays))) +
                 " days" + (s.percent ? " (now " + std::to_string(*s.percent) + " %)" : std::string());
        break;
    default: m.text = who + ": the cartridge was changed" + (s.percent ? " (now " + std::to_string(*s.percent) + " %)" : std::string()); break;
    }
    return m;
}

// The conditions of a device that hold now, by subject.
std::map<std::string, Message> conditionsOf(const DeviceFacts& d, const Rules& rules, int64_t now)
{
    std::map<std::string, Message> out;
    if (!d.answering) {
        // A printer asleep or rebooting says nothing until the grace time has passed.
        if (now - d.lastSeen >= rules.graceSeconds) {
            Message m = baseMessage(d, NoticeKind::Silent, Severity::Warning, now);
            m.subject = conditionWord(NoticeKind::Silent);
            m.text = deviceLabel(m) + " has not answered since " + utcText(d.lastSeen);
            out.emplace(m.subject, m);
        }
        return out;
    }
    for (const SupplyFacts& s : d.supplies) {
        if (s.state == core::LevelState::Empty) {
            Message m = supplyMessage(d, s, NoticeKind::SupplyEmpty, now);
            out.emplace(m.subject, m);
        } else if (s.state == core::LevelState::Low) {
            Message m = supplyMessage(d, s, NoticeKind::SupplyLow, now);
            out.emplace(m.subject, m);
        } else if (s.state == core::LevelState::Ok && s.emptyInDays) {
            const int32_t lead = rules.leadDays[static_cast<size_t>(s.kind)];
            if (lead > 0 && *s.emptyInDays <= lead) {
                Message m = supplyMessage(d, s, NoticeKind::SupplyForecast, now);
                out.emplace(m.subject, m);
            }
        }
    }
    // The supplies tell of themselves above (a toner low alert or error bit
    // among them); attention here is what else asks for a person.
    std::string what;
    for (size_t i = 0; i < d.alerts.size(); ++i) {
        const int32_t code = i < d.alertCodes.size() ? d.alertCodes[i] : 0;
        if (core::alertSaysOfSupply(code) == core::PrinterSays::Nothing) what += (what.empty() ? "" : "; ") + d.alerts[i];
    }
    const uint32_t otherBits = d.errorBits & ~(NETROV_ERROR_LOW_TONER | core::kErrorNoToner);
    if (!what.empty() || otherBits != 0) {
        Message m = baseMessage(d, NoticeKind::AttentionStarted, Severity::Critical, now);
        m.subject = conditionWord(NoticeKind::AttentionStarted);
        if (what.empty()) what = core::attentionWords(core::Attention{core::kAttentionErrorState});
        m.text = deviceLabel(m) + " needs attention: " + what;
        out.emplace(m.subject, m);
    }
    return out;
}

bool isSupplySubject(const std::string& subject)
{
    return subject.starts_with("supply:");
}

}  // namespace

std::string deviceLabel(const Message& m)
{
    std::string label = !m.name.empty() ? m.name : !m.model.empty() ? m.model : m.address;
    std::string where = m.address;
    if (!m.location.empty()) where += ", " + m.location;
    return label == m.address && m.location.empty() ? label : label + " (" + where + ")";
}

RoundPlan planRound(std::span<const DeviceFacts> devices, std::span<const store::NoticeRecord> open, const Rules& rules,
                    int64_t now)
{
    RoundPlan plan;
    std::map<int64_t, std::vector<const store::NoticeRecord*>> openByDevice;
    for (const store::NoticeRecord& n : open) openByDevice[n.deviceId].push_back(&n);

    for (const DeviceFacts& d : devices) {
        const std::map<std::string, Message> now_ = conditionsOf(d, rules, now);
        const std::vector<const store::NoticeRecord*>& stored = openByDevice[d.id];
        const auto isOpen = [&](const std::string& subject) {
            return std::any_of(stored.begin(), stored.end(), [&](const auto* n) { return n->subject == subject; });
        };
        for (const auto& [subject, message] : now_) {
            if (isOpen(subject)) continue;
            Opening& o = plan.open.emplace_back();
            o.message = message;
            o.notice.deviceId = d.id;
            o.notice.subject = subject;
            o.notice.opened = now;
            o.notice.severity = static_cast<int32_t>(message.severity);
            o.notice.text = message.text;
        }
        // A cartridge fitted this round is told once, as a change.
        for (const SupplyFacts& s : d.supplies) {
            if (!d.answering || !s.cartridgeChanged) continue;
            Opening& o = plan.open.emplace_back();
            o.message = supplyMessage(d, s, NoticeKind::CartridgeChanged, now);
            o.notice.deviceId = d.id;
            o.notice.subject = o.message.subject;
            o.notice.opened = now;
            o.notice.severity = static_cast<int32_t>(o.message.severity);
            o.notice.text = o.message.text;
            o.oneShot = true;
        }
        for (const store::NoticeRecord* n : stored) {
            if (now_.count(n->subject)) {
                if (rules.reminderSeconds > 0 && n->severity >= static_cast<int32_t>(Severity::Warning) &&
                    now - n->lastTold >= rules.reminderSeconds) {
                    Reminder& r = plan.remind.emplace_back();
                    r.noticeId = n->id;
                    r.message = now_.at(n->subject);
                    r.message.noticeId = n->id;
                    r.message.reminder = true;
                    r.message.text = "Reminder: " + r.message.text;
                }
                continue;
            }
            const std::optional<NoticeKind> kind = conditionOf(n->subject);
            if (isSupplySubject(n->subject)) {
                // One notice per cartridge and state: it holds until its cartridge goes, whatever the level does meanwhile.
                const bool sameCartridge = std::any_of(d.supplies.begin(), d.supplies.end(), [&](const SupplyFacts& s) {
                    return n->subject.starts_with(supplyPrefix(s) + std::to_string(s.cartridgeStart) + ":");
                });
                if (sameCartridge || !d.answering) continue;
                plan.resolve.push_back({n->id, std::nullopt});
                continue;
            }
            // A silent device's stored alerts stand: its attention ends only when
            // it says so. Still silent but within grace cannot be (grace only
            // grows): silence ends when it answers.
            if (kind == NoticeKind::AttentionStarted || kind == NoticeKind::Silent) {
                if (!d.answering) continue;
                const bool attention = kind == NoticeKind::AttentionStarted;
                Message m = baseMessage(d, attention ? NoticeKind::AttentionEnded : NoticeKind::Back, Severity::Info, now);
                m.noticeId = n->id;
                m.subject = n->subject;
                m.text = deviceLabel(m) + (attention ? " no longer needs attention" : " answers again");
                plan.resolve.push_back({n->id, m});
                continue;
            }
            plan.resolve.push_back({n->id, std::nullopt});
        }
    }
    return plan;
}

}  // namespace netrov::notify
