// Writing the list's devices into the fleet store and reading back the silent ones and the forecasts.
#include "fleet_memory.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <set>

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "attention.h"
#include "forecast.h"
#include "search_settings.h"
#include "supply_readings.h"

namespace netrov::ui {

namespace {

std::string lowerText(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// A list entry for a device only the store knows: enough for the cells and the sort.
core::DeviceListEntry entryOf(const store::DeviceRecord& record)
{
    core::DeviceListEntry entry{};
    core::setFieldText(entry.identity.modelName, record.identity.model);
    entry.identity.interfaceKind = NETROV_INTERFACE_NETWORK;
    if (const auto address = core::parseDottedQuad(record.identity.address))
        core::storeAddress(*address, entry.identity.address);
    entry.info.nameValid = record.name.empty() ? 0 : 1;
    core::setFieldText(entry.info.name, record.name);
    entry.info.locationValid = record.location.empty() ? 0 : 1;
    core::setFieldText(entry.info.location, record.location);
    unsigned parts[6] = {};
    if (std::sscanf(record.identity.mac.c_str(), "%2x:%2x:%2x:%2x:%2x:%2x", &parts[0], &parts[1], &parts[2], &parts[3],
                    &parts[4], &parts[5]) == 6) {
        entry.info.macAddressValid = 1;
        for (size_t i = 0; i < 6; ++i) entry.info.macAddress[i] = static_cast<uint8_t>(parts[i]);
    }
    entry.status[0].simpleStatus = core::kStatusNoAnswer;
    return entry;
}

}  // namespace

std::string defaultFleetStorePath()
{
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty()) return {};
    return QDir(data).filePath(QStringLiteral("netrov/fleet.db")).toStdString();
}

bool wholeReading(const core::DeviceReport& report)
{
    return report.answered && report.statusRead && !report.address.empty();
}

store::DeviceReading fleetReading(const core::DeviceListEntry& entry, const ListGauge* gauge)
{
    // A whole reading goes in as watch writes it: alerts with their codes and
    // texts, error bits, every toner and ink in the device's own units.
    if (gauge && wholeReading(gauge->reading)) {
        store::DeviceReading reading = store::readingOf(gauge->reading);
        reading.foundByDesktop = true;
        return reading;
    }
    store::DeviceReading reading;
    reading.identity.address = ipAddressText(entry);
    reading.identity.mac = lowerText(macAddressText(entry));
    reading.identity.model = fieldText(entry.identity.modelName);
    reading.answered = core::statusCode(entry) != core::kStatusNoAnswer;
    reading.foundByDesktop = true;
    // Without a whole reading the list knows no alerts or error state: what a watcher stored of them stays.
    reading.fullReading = false;
    reading.status = core::statusCode(entry);
    if (entry.info.nameValid) reading.name = fieldText(entry.info.name);
    if (entry.info.locationValid) reading.location = fieldText(entry.info.location);
    if (!gauge) return reading;
    if (gauge->pages) reading.pageCount = static_cast<int64_t>(*gauge->pages);
    reading.supplies = store::supplyReadings(gauge->toner);
    return reading;
}

std::optional<double> deviceEmptyInDays(store::FleetStore& fleet, const store::DeviceRecord& device, int64_t now)
{
    std::vector<store::SupplyRecord> supplies;
    if (!fleet.supplies(device.id, supplies).ok()) return std::nullopt;
    std::vector<store::Forecast> forecasts;
    for (const store::SupplyRecord& supply : supplies) {
        std::vector<store::SupplyValue> values;
        if (!fleet.supplyHistory(supply.id, values).ok() || values.empty()) continue;
        forecasts.push_back(store::forecastSupply(values, now, device.pageCount));
    }
    return firstEmptyDays(forecasts);
}

std::string noAnswerSinceText(int64_t lastSeen)
{
    const QString when = QDateTime::fromSecsSinceEpoch(lastSeen).toString(QStringLiteral("yyyy-MM-dd hh:mm"));
    return "no answer since " + when.toStdString();
}

FleetRound rememberRound(const std::string& path, int64_t time, const std::vector<store::DeviceReading>& listed)
{
    FleetRound round;
    if (path.empty()) {
        round.status = {store::StoreResult::CannotOpen, "no data folder for the fleet store"};
        return round;
    }
    QDir().mkpath(QFileInfo(QString::fromStdString(path)).absolutePath());
    store::FleetStore fleet;
    round.status = fleet.open(path);
    if (!round.status.ok()) return round;

    // Every device the desktop found before that the list does not hold is silent
    // this round; devices only a watcher reads are the watcher's to judge.
    std::set<std::string> answered;
    std::vector<store::DeviceReading> readings = listed;
    for (const store::DeviceReading& reading : listed)
        if (reading.answered) answered.insert(reading.identity.address);
    std::vector<store::DeviceRecord> known;
    round.status = fleet.devices(known);
    if (!round.status.ok()) return round;
    std::set<std::string> listedAddresses;
    for (const store::DeviceReading& reading : listed) listedAddresses.insert(reading.identity.address);
    for (const store::DeviceRecord& device : known) {
        if (!device.foundByDesktop || listedAddresses.count(device.identity.address)) continue;
        store::DeviceReading quiet;
        quiet.identity = device.identity;
        quiet.answered = false;
        readings.push_back(std::move(quiet));
    }
    round.status = fleet.writeRound(time, readings);
    if (!round.status.ok()) return round;

    known.clear();
    round.status = fleet.devices(known);
    if (!round.status.ok()) return round;
    for (const store::DeviceRecord& device : known) {
        if (const auto days = deviceEmptyInDays(fleet, device, time)) round.emptyInDays[device.identity.address] = *days;
        if (device.foundByDesktop && !device.answering && !answered.count(device.identity.address) && !listedAddresses.count(device.identity.address))
            round.silent.push_back({device, entryOf(device)});
    }
    std::stable_sort(round.silent.begin(), round.silent.end(), [](const RememberedDevice& a, const RememberedDevice& b) {
        return a.record.lastSeen > b.record.lastSeen;
    });
    return round;
}

}  // namespace netrov::ui
