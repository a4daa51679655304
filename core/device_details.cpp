// Reading a device for its window.
#include "device_details.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include <netrov/consumable_records.h>
#include <netrov/result_codes.h>

#include "fleet_report.h"
#include "search_run.h"

namespace netrov::core {

namespace {

constexpr const char* kStatusQueries[] = {"GetDevStatus"};
constexpr const char* kSupplyQueries[] = {"GetDevToner", "GetDevSupplies", "GetDevMarker", "GetDevTonerSave"};
constexpr const char* kPaperQueries[] = {"GetDevTray", "GetDevImageArea"};
constexpr const char* kDeviceQueries[] = {
    "GetDevInfo",    "GetDevSerial",  "GetDevVersion", "GetDevInterpreter", "GetDevLang",
    "GetDevMemory",  "GetDevHdd",     "GetDevFinInfo", "GetDevCounter",     "GetDevSpeed",
    "GetDevPowerSave", "GetDevDispMsg", "GetDevSrvInfo"};
constexpr const char* kNetworkQueries[] = {"GetDevTCP",    "GetDevTCPIPv6", "GetDevTCPOpt",    "GetDevNetInfo",
                                           "GetDevNetWare", "GetDevSMB",    "GetDevAppleTalk", "GetDevRendezvous"};

constexpr DetailSection kSections[] = {
    {"Status", kStatusQueries}, {"Supplies", kSupplyQueries}, {"Paper", kPaperQueries},
    {"Device", kDeviceQueries}, {"Network", kNetworkQueries},
};

// Names the word splitting would not make readable.
struct Title {
    const char* query;
    const char* title;
};
constexpr Title kTitles[] = {
    {"GetDevInfo", "Identity"},         {"GetDevLang", "Languages"},        {"GetDevHdd", "Disk"},
    {"GetDevFinInfo", "Finisher"},      {"GetDevCounter", "Page counters"}, {"GetDevDispMsg", "Panel messages"},
    {"GetDevSrvInfo", "Service contact"}, {"GetDevTCP", "TCP/IP"},          {"GetDevTCPIPv6", "IPv6"},
    {"GetDevTCPOpt", "TCP/IP options"}, {"GetDevNetInfo", "Statistics"},    {"GetDevSMB", "SMB"},
    {"GetDevMarker", "Marking engine"}, {"GetDevTray", "Trays"},            {"GetDevSerial", "Serial number"},
    {"GetDevVersion", "Firmware versions"}, {"GetDevStatus", "Alerts"},
};

std::string sentence(const std::string& words)
{
    std::string out;
    for (size_t i = 0; i < words.size(); ++i) {
        const auto c = static_cast<unsigned char>(words[i]);
        const bool upper = std::isupper(c) != 0;
        const bool prevLower = i > 0 && std::islower(static_cast<unsigned char>(words[i - 1]));
        const bool nextLower = i + 1 < words.size() && std::islower(static_cast<unsigned char>(words[i + 1]));
        const bool prevUpper = i > 0 && std::isupper(static_cast<unsigned char>(words[i - 1]));
        // A new word starts at an upper-case letter after a lower-case one, or
        // at the last capital of an abbreviation that a word follows.
        if (upper && i > 0 && (prevLower || (prevUpper && nextLower))) out += ' ';
        const bool abbreviation = upper && ((i + 1 < words.size() && std::isupper(static_cast<unsigned char>(words[i + 1]))) || prevUpper);
        out += static_cast<char>(abbreviation || out.empty() ? c : std::tolower(c));
    }
    if (!out.empty()) out[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(out[0])));
    return out;
}

}  // namespace

std::span<const DetailSection> detailSections() { return kSections; }

std::string queryTitle(const std::string& name)
{
    for (const Title& t : kTitles) {
        if (name == t.query) return t.title;
    }
    std::string rest = name;
    for (const char* prefix : {"GetDev", "Get"}) {
        if (rest.rfind(prefix, 0) == 0 && rest.size() > std::strlen(prefix)) {
            rest.erase(0, std::strlen(prefix));
            break;
        }
    }
    return sentence(rest);
}

std::string fieldTitle(const std::string& name) { return sentence(name); }

DeviceGauge readDeviceGauge(const DeviceListEntry& entry)
{
    DeviceGauge gauge;
    DeviceIdentity device = entry.identity;
    DeviceReport report;
    readSupplyLevels(device, report);
    for (const TonerLevel& toner : report.toner) {
        if (toner.percent) gauge.lowestToner = std::min(gauge.lowestToner.value_or(100), *toner.percent);
    }
    gauge.pages = report.pageCount;
    return gauge;
}

DeviceDetails readDeviceDetails(FrontLibrary& library, const DeviceListEntry& entry,
                                const std::atomic<bool>& stop)
{
    library.ensureInitialised();
    return readDeviceDetails(library.access(), entry, stop);
}

DeviceDetails readDeviceDetails(const DeviceAccess& access, const DeviceListEntry& entry,
                                const std::atomic<bool>& stop)
{
    DeviceDetails details;
    details.entry = entry;
    details.statusCode = kStatusNoAnswer;
    DeviceIdentity device = entry.identity;

    // Information and status through the search's own calls, as the list read them.
    QueryReading info;
    info.recordSize = sizeof(DeviceInfo);
    info.records.assign(sizeof(DeviceInfo), 0);
    info.result = access.getDevInfo ? access.getDevInfo(&device, 0, 0, info.records.data(), 1, &info.count)
                                    : NETROV_NO_ENTRY_POINT;
    if (info.result != NETROV_OK || info.count < 1) {
        info.records.clear();
        details.readings["GetDevInfo"] = std::move(info);
        return details;
    }
    info.count = 1;
    details.answered = true;
    std::memcpy(&details.entry.info, info.record(0), sizeof(DeviceInfo));
    details.readings["GetDevInfo"] = std::move(info);

    QueryReading status;
    status.recordSize = sizeof(DeviceStatus);
    status.records.assign(sizeof(DeviceStatus) * kStatusRecords, 0);
    status.result = access.getDevStatus ? access.getDevStatus(&device, 0, 0, status.records.data(), kStatusRecords,
                                                              &status.count)
                                        : NETROV_NO_ENTRY_POINT;
    status.records.resize(sizeof(DeviceStatus) *
                          static_cast<size_t>(status.result == NETROV_OK ? std::clamp(status.count, 0, kStatusRecords) : 0));
    details.readings["GetDevStatus"] = std::move(status);

    // An access without described queries (a stand-in's) leaves them not reported.
    for (const DetailSection& section : kSections) {
        for (const char* name : section.queries) {
            if (stop.load()) return details;
            if (details.readings.count(name) || !access.described) continue;
            const QuerySchema* query = findQuery(name);
            if (!query) continue;
            details.readings[name] = readQuery(access, *query, device);
        }
    }

    const QueryReading& read = details.readings["GetDevStatus"];
    if (read.result == NETROV_OK && read.stored() > 0) {
        const std::vector<DeviceStatus> records = statusRecords(read);
        if (records[0].simpleStatusValid) details.statusCode = records[0].simpleStatus;
        details.alerts = alertsAmong(records);
        details.entry.status[0] = records[0];
    } else {
        details.statusCode = statusCode(entry);
    }
    details.messages = alertMessages(access, device, details.alerts);
    return details;
}

}  // namespace netrov::core
