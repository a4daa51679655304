// Alert messages through TUVA_GetMsg.
#include "alert_messages.h"

#include <netrov/consumable_records.h>
#include <netrov/message_records.h>
#include <netrov/printer_mib.h>
#include <netrov/result_codes.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <climits>
#include <cstring>
#include <filesystem>
#include <optional>

#include "device_list.h"
#include "reading.h"
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
constexpr int32_t kGroupInput = NETROV_ALERT_GROUP_INPUT;
constexpr int32_t kGroupSupplies = NETROV_ALERT_GROUP_MARKER_SUPPLIES;
constexpr int32_t kGroupColorant = NETROV_ALERT_GROUP_MARKER_COLORANT;

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
    {NETROV_ALERT_SUBUNIT_ALMOST_EMPTY, Subject::Toner, LevelState::Low, "{} low", kTonerLowHint},
    {NETROV_ALERT_MARKER_TONER_ALMOST_EMPTY, Subject::Toner, LevelState::Low, "{} low", kTonerLowHint},
    {NETROV_ALERT_MARKER_INK_ALMOST_EMPTY, Subject::Toner, LevelState::Low, "{} low", kTonerLowHint},
    {NETROV_ALERT_MARKER_PRINT_RIBBON_ALMOST_EMPTY, Subject::Toner, LevelState::Low, "{} low", kTonerLowHint},
    {NETROV_ALERT_SUBUNIT_EMPTY, Subject::Toner, LevelState::Empty, "{} empty", kTonerEmptyHint},
    {NETROV_ALERT_MARKER_TONER_EMPTY, Subject::Toner, LevelState::Empty, "{} empty", kTonerEmptyHint},
    {NETROV_ALERT_MARKER_INK_EMPTY, Subject::Toner, LevelState::Empty, "{} empty", kTonerEmptyHint},
    {NETROV_ALERT_MARKER_PRINT_RIBBON_EMPTY, Subject::Toner, LevelState::Empty, "{} empty", kTonerEmptyHint},
    {NETROV_ALERT_SUBUNIT_MISSING, Subject::Toner, LevelState::Unknown, "{} cartridge missing", "Install the {} cartridge."},
    {NETROV_ALERT_MARKER_SUPPLY_MISSING, Subject::Toner, LevelState::Unknown, "{} cartridge missing", "Install the {} cartridge."},
    {NETROV_ALERT_SUBUNIT_ALMOST_EMPTY, Subject::Tray, LevelState::Low, "Paper low in {}", "Add paper to {} soon."},
    {NETROV_ALERT_INPUT_MEDIA_SUPPLY_LOW, Subject::Tray, LevelState::Low, "Paper low in {}", "Add paper to {} soon."},
    {NETROV_ALERT_SUBUNIT_EMPTY, Subject::Tray, LevelState::Empty, "{} empty", "Load paper into {}."},
    {NETROV_ALERT_INPUT_MEDIA_SUPPLY_EMPTY, Subject::Tray, LevelState::Empty, "{} empty", "Load paper into {}."},
    {NETROV_ALERT_SUBUNIT_MISSING, Subject::Tray, LevelState::Unknown, "{} missing", "Push {} fully into the printer."},
    {NETROV_ALERT_INPUT_MEDIA_TRAY_MISSING, Subject::Tray, LevelState::Unknown, "{} missing", "Push {} fully into the printer."},
    {NETROV_ALERT_JAM, Subject::Tray, LevelState::Unknown, "Paper jam at {}",
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

// The process colour of the toner; empty for any other colorant, which
// the device's own name of the supply then stands for.
std::string colourOf(const TonerEntry& toner)
{
    const std::string name = toner.nameValid ? fieldText(toner.name, sizeof toner.name) : std::string();
    const std::string colour = supplyColour(toner.color, toner.colorValid != 0, name);
    return colour == kOtherColour ? std::string() : colour;
}

LevelState stateOf(uint8_t valid, int32_t percent)
{
    return levelState(valid ? std::optional<int32_t>(percent) : std::nullopt);
}

// "black toner", "cyan ink": what the cartridge holds.
std::string tonerSubject(const AlertSubjects::Toner& toner)
{
    if (toner.colour.empty()) return toner.name;
    const char* material = "toner";
    switch (toner.supplyType) {
    case NETROV_SUPPLY_INK:
    case NETROV_SUPPLY_INK_CARTRIDGE:
    case NETROV_SUPPLY_MATTE_INK: material = "ink"; break;
    case NETROV_SUPPLY_INK_RIBBON: material = "ribbon"; break;
    case NETROV_SUPPLY_SOLID_WAX:
    case NETROV_SUPPLY_RIBBON_WAX: material = "wax"; break;
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

std::string subjectOf(const DeviceStatus& alert, const SubjectWording& wording, const AlertSubjects& subjects)
{
    const int32_t index = alert.alertIndexValid ? alert.alertIndex : 0;
    switch (wording.subject) {
    case Subject::Toner: {
        const AlertSubjects::Toner* toner = nullptr;
        if (alert.alertGroup == kGroupColorant && index > 0) {
            toner = single(subjects.toners, [&](const auto& t) { return t.colorantIndex == index; });
        } else if (index > 0) {
            // The supplies row it points at; a row past the toner is another supply.
            toner = single(subjects.toners, [&](const auto& t) { return t.row == index; });
        } else if (subjects.toners.size() == 1) {
            toner = &subjects.toners.front();
        } else if (wording.level != LevelState::Unknown) {
            toner = single(subjects.toners, [&](const auto& t) { return t.state == wording.level; });
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
                                       percent ? t.remainingPercent : -1, i + 1,
                                       t.nameValid ? fieldText(t.name, sizeof t.name) : std::string()});
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
