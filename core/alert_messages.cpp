// Alert messages through TUVA_GetMsg.
#include "alert_messages.h"

#include <netrov/consumable_records.h>
#include <netrov/message_records.h>
#include <netrov/result_codes.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <climits>
#include <cstring>
#include <filesystem>
#include <optional>

#include "device_list.h"
#include "record_schema.h"
#include "search_run.h"
#include "words.h"

namespace netrov::core {

namespace {

std::string absoluteImage(const std::string& path)
{
    if (path.empty()) return {};
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    return ec ? path : absolute.lexically_normal().string();
}

// The alert groups whose index points at something people can name.
constexpr int32_t kGroupInput = 8;
constexpr int32_t kGroupSupplies = 11;
constexpr int32_t kGroupColorant = 12;

// Covers and output bins are not named: the readings give them no name, and a
// bare row number reads worse than the message service's own words.
enum class Subject : uint8_t { Toner, Tray };

// How an alert reads once its subject is known; "{}" is the subject. The
// level is the one that singles out the supply or tray when the index does
// not; Unknown when no level tells.
struct SubjectWording {
    int32_t code;
    Subject subject;
    LevelState level;
    const char* message;
    const char* hint;
};

constexpr const char* kTonerLowHint = "Printing goes on for now. Have a new {} cartridge ready and replace it when the printer asks.";
constexpr const char* kTonerEmptyHint = "Replace the {} cartridge; the printer cannot print until you do.";

constexpr SubjectWording kWordings[] = {
    {12, Subject::Toner, LevelState::Low, "{} low", kTonerLowHint},
    {1104, Subject::Toner, LevelState::Low, "{} low", kTonerLowHint},
    {1105, Subject::Toner, LevelState::Low, "{} low", kTonerLowHint},
    {1106, Subject::Toner, LevelState::Low, "{} low", kTonerLowHint},
    {13, Subject::Toner, LevelState::Empty, "{} empty", kTonerEmptyHint},
    {1101, Subject::Toner, LevelState::Empty, "{} empty", kTonerEmptyHint},
    {1102, Subject::Toner, LevelState::Empty, "{} empty", kTonerEmptyHint},
    {1103, Subject::Toner, LevelState::Empty, "{} empty", kTonerEmptyHint},
    {9, Subject::Toner, LevelState::Unknown, "{} cartridge missing", "Install the {} cartridge."},
    {1115, Subject::Toner, LevelState::Unknown, "{} cartridge missing", "Install the {} cartridge."},
    {12, Subject::Tray, LevelState::Low, "Paper low in {}", "Add paper to {} soon."},
    {807, Subject::Tray, LevelState::Low, "Paper low in {}", "Add paper to {} soon."},
    {13, Subject::Tray, LevelState::Empty, "{} empty", "Load paper into {}."},
    {808, Subject::Tray, LevelState::Empty, "{} empty", "Load paper into {}."},
    {9, Subject::Tray, LevelState::Unknown, "{} missing", "Push {} fully into the printer."},
    {801, Subject::Tray, LevelState::Unknown, "{} missing", "Push {} fully into the printer."},
    {8, Subject::Tray, LevelState::Unknown, "Paper jam at {}",
     "Pull out {}, remove any jammed or creased sheets, then push it back in."},
};

std::optional<Subject> subjectOfGroup(int32_t group)
{
    switch (group) {
    case kGroupSupplies:
    case kGroupColorant: return Subject::Toner;
    case kGroupInput: return Subject::Tray;
    default: return std::nullopt;
    }
}

const SubjectWording* wordingOf(const DeviceStatus& alert)
{
    if (!alert.alertGroupValid || !alert.alertCodeValid) return nullptr;
    const std::optional<Subject> subject = subjectOfGroup(alert.alertGroup);
    if (!subject) return nullptr;
    for (const SubjectWording& w : kWordings) {
        if (w.code == alert.alertCode && w.subject == *subject) return &w;
    }
    return nullptr;
}

// Colour names as devices write them in supply descriptions, longer ones first.
constexpr const char* kColourWords[] = {
    "light cyan", "light magenta", "light black", "light gray", "light grey", "dark yellow", "photo black",
    "matte black", "black", "cyan", "magenta", "yellow", "gray", "grey", "red", "green", "blue", "orange",
    "violet", "white", "gold", "silver",
};

struct RgbName {
    std::array<int32_t, 3> rgb;
    const char* name;
};
constexpr RgbName kRgbNames[] = {
    {{0, 0, 0}, "black"}, {{0, 255, 255}, "cyan"}, {{255, 0, 255}, "magenta"}, {{255, 255, 0}, "yellow"},
    {{255, 0, 0}, "red"}, {{0, 255, 0}, "green"}, {{0, 0, 255}, "blue"},
};

std::string colourOf(const TonerEntry& toner)
{
    std::string name = toner.nameValid ? fieldText(toner.name, sizeof toner.name) : std::string();
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const char* word : kColourWords) {
        if (name.find(word) != std::string::npos) return word;
    }
    if (toner.colorValid) {
        for (const RgbName& n : kRgbNames) {
            if (std::equal(n.rgb.begin(), n.rgb.end(), toner.color)) return n.name;
        }
    }
    return {};
}

LevelState stateOf(uint8_t valid, int32_t percent)
{
    return levelState(valid ? std::optional<int32_t>(percent) : std::nullopt);
}

// "black toner", "cyan ink": what the cartridge holds.
std::string tonerSubject(const AlertSubjects::Toner& toner)
{
    if (toner.colour.empty()) return {};
    const char* material = "toner";
    switch (toner.supplyType) {
    case 5:
    case 6:
    case 36: material = "ink"; break;
    case 7: material = "ribbon"; break;
    case 12:
    case 13: material = "wax"; break;
    default: break;
    }
    return toner.colour + " " + material;
}

// The one entry of the list the predicate singles out, or null.
template <class T, class Predicate>
const T* single(const std::vector<T>& list, Predicate predicate)
{
    const T* found = nullptr;
    for (const T& item : list) {
        if (!predicate(item)) continue;
        if (found) return nullptr;
        found = &item;
    }
    return found;
}

// The toner whose level is below every other's, or null when none is.
const AlertSubjects::Toner* lowest(const std::vector<AlertSubjects::Toner>& toners)
{
    const AlertSubjects::Toner* low = nullptr;
    bool tie = false;
    for (const AlertSubjects::Toner& t : toners) {
        if (t.percent < 0) continue;
        if (!low || t.percent < low->percent) {
            low = &t;
            tie = false;
        } else if (t.percent == low->percent) {
            tie = true;
        }
    }
    return tie ? nullptr : low;
}

std::string subjectOf(const DeviceStatus& alert, const SubjectWording& wording, const AlertSubjects& subjects)
{
    const int32_t index = alert.alertIndexValid ? alert.alertIndex : 0;
    switch (wording.subject) {
    case Subject::Toner: {
        const AlertSubjects::Toner* toner = nullptr;
        if (alert.alertGroup == kGroupColorant && index > 0) {
            toner = single(subjects.toners, [&](const auto& t) { return t.colorantIndex == index; });
        } else if (subjects.toners.size() == 1) {
            toner = &subjects.toners.front();
        } else if (wording.level != LevelState::Unknown) {
            toner = single(subjects.toners, [&](const auto& t) { return t.state == wording.level; });
            // A device may call a toner low above our threshold: then it means
            // the one toner lower than all the others.
            if (!toner && wording.level == LevelState::Low) toner = lowest(subjects.toners);
        }
        return toner ? tonerSubject(*toner) : std::string();
    }
    case Subject::Tray: {
        const AlertSubjects::Tray* tray = nullptr;
        if (wording.level != LevelState::Unknown)
            tray = single(subjects.trays, [&](const auto& t) { return t.state == wording.level; });
        // The input table is walked in index order and rarely has gaps.
        if (!tray && index > 0 && static_cast<size_t>(index) <= subjects.trays.size())
            tray = &subjects.trays[static_cast<size_t>(index) - 1];
        return tray ? tray->name : std::string();
    }
    }
    return {};
}

std::string filled(const char* pattern, const std::string& subject)
{
    std::string text = pattern;
    const size_t at = text.find("{}");
    if (at != std::string::npos) text.replace(at, 2, subject);
    return text;
}

}  // namespace

AlertSubjects alertSubjects(const QueryReading* toners, const QueryReading* trays)
{
    AlertSubjects subjects;
    if (toners && toners->result == NETROV_OK && toners->recordSize == sizeof(TonerEntry)) {
        for (int32_t i = 0; i < toners->stored(); ++i) {
            TonerEntry t;
            std::memcpy(&t, toners->record(i), sizeof t);
            const bool percent = t.remainingPercentValid && t.remainingPercent >= 0 && t.remainingPercent <= 100;
            subjects.toners.push_back({colourOf(t), t.typeValid ? t.supplyType : 0,
                                       t.colorantIndexValid ? t.colorantIndex : -1,
                                       stateOf(t.remainingPercentValid, t.remainingPercent),
                                       percent ? t.remainingPercent : -1});
        }
    }
    if (trays && trays->result == NETROV_OK && trays->recordSize == sizeof(TrayEntry)) {
        for (int32_t i = 0; i < trays->stored(); ++i) {
            TrayEntry t;
            std::memcpy(&t, trays->record(i), sizeof t);
            subjects.trays.push_back({t.trayNameValid ? fieldText(t.trayName, sizeof t.trayName) : std::string(),
                                      stateOf(t.remainingPercentValid, t.remainingPercent)});
        }
    }
    return subjects;
}

bool alertNeedsSubjects(const DeviceStatus& alert)
{
    return wordingOf(alert) != nullptr;
}

void nameSubjects(std::span<AlertMessage> messages, std::span<const DeviceStatus> alerts, const AlertSubjects& subjects)
{
    for (size_t i = 0; i < std::min(messages.size(), alerts.size()); ++i) {
        const SubjectWording* wording = wordingOf(alerts[i]);
        if (!wording || messages[i].message.empty()) continue;
        const std::string subject = subjectOf(alerts[i], *wording, subjects);
        if (subject.empty()) continue;
        messages[i].message = capitalised(filled(wording->message, subject));
        // Inside the hint a tray keeps the device's own capitals and a toner reads in lower case.
        messages[i].hint = filled(wording->hint, subject);
    }
}

std::vector<AlertMessage> alertMessages(const DeviceAccess& access, const DeviceIdentity& device,
                                        std::span<const DeviceStatus> alerts)
{
    std::vector<AlertMessage> messages(alerts.size());
    if (alerts.empty() || alerts.size() > INT32_MAX || !access.getMsg) return messages;

    // The same package serves the device's messages, through its message service.
    DeviceIdentity messageDevice = device;
    messageDevice.transport = NETROV_TRANSPORT_MSG;
    MessageRequest request;
    std::memset(&request, 0, sizeof request);
    request.alerts = alerts.data();
    std::vector<MessageRecord> records(alerts.size());
    int32_t count = 0;
    const auto n = static_cast<int32_t>(alerts.size());
    const int32_t result = access.getMsg(&messageDevice, reinterpret_cast<intptr_t>(&request), n, records.data(), n, &count);
    if (result != NETROV_OK) return messages;
    for (int32_t i = 0; i < std::min(count, n); ++i) {
        const MessageRecord& r = records[static_cast<std::size_t>(i)];
        messages[static_cast<std::size_t>(i)] = {fieldText(r.status), fieldText(r.recovery), absoluteImage(fieldText(r.imagePath))};
    }

    // The supplies and trays are read only when an alert points at one.
    AlertSubjects subjects;
    if (access.described && std::any_of(alerts.begin(), alerts.end(), alertNeedsSubjects)) {
        DeviceIdentity reading = device;
        const QuerySchema* tonerQuery = findQuery("GetDevToner");
        const QuerySchema* trayQuery = findQuery("GetDevTray");
        const QueryReading toners = tonerQuery ? readQuery(access, *tonerQuery, reading) : QueryReading{};
        const QueryReading trays = trayQuery ? readQuery(access, *trayQuery, reading) : QueryReading{};
        subjects = alertSubjects(tonerQuery ? &toners : nullptr, trayQuery ? &trays : nullptr);
    }
    nameSubjects(messages, alerts, subjects);
    return messages;
}

std::vector<DeviceStatus> statusRecords(const QueryReading& reading)
{
    std::vector<DeviceStatus> records(static_cast<size_t>(reading.stored()));
    if (!records.empty()) memcpy(records.data(), reading.records.data(), records.size() * sizeof(DeviceStatus));
    promotePowerSave(records.data(), static_cast<int32_t>(records.size()));
    return records;
}

std::vector<DeviceStatus> alertsAmong(std::span<const DeviceStatus> records)
{
    std::vector<DeviceStatus> alerts;
    for (const DeviceStatus& r : records) {
        if (r.alertGroupValid && r.alertCodeValid) alerts.push_back(r);
    }
    return alerts;
}

}  // namespace netrov::core
