// Reading one printer for a scrape.
#include "printer_reading.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include <netrov/consumable_records.h>
#include <netrov/device_records.h>
#include <netrov/engine_records.h>
#include <netrov/result_codes.h>
#include <netrov/snmp_version.h>

#include "alert_messages.h"
#include "device_list.h"
#include "fleet_report.h"
#include "front_library.h"
#include "mib_names.h"
#include "query_reading.h"
#include "search_settings.h"

namespace netrov::exporter {

namespace {

// Asks the query unless the probe's time is up; then notes it as unread.
core::QueryReading run(const char* name, DeviceIdentity& device, const ProbeSettings& settings, PrinterReading& reading)
{
    if (settings.stopped()) {
        reading.unread.emplace_back(name);
        return {};
    }
    const core::QuerySchema* query = core::findQuery(name);
    if (!query) return {};
    return core::readQuery(*query, device);
}

// The records point into the reading, which must outlive them.
template <class Record>
std::vector<const Record*> recordsOf(const core::QueryReading& reading)
{
    std::vector<const Record*> records;
    if (reading.result != NETROV_OK || reading.recordSize != sizeof(Record)) return records;
    for (int32_t i = 0; i < reading.stored(); ++i) records.push_back(static_cast<const Record*>(reading.record(i)));
    return records;
}

std::optional<int32_t> percentOf(uint8_t valid, int32_t percent)
{
    if (!valid) return std::nullopt;
    return percent;
}

}  // namespace

bool ProbeSettings::stopped() const
{
    return (stop && stop->load()) || std::chrono::steady_clock::now() >= deadline;
}

const char* probeFailureReason(int32_t result)
{
    for (const ProbeFailure& f : kProbeFailures) {
        if (f.result == result) return f.reason;
    }
    return nullptr;
}

PrinterReading readPrinter(uint32_t address, const ProbeSettings& settings)
{
    const auto start = std::chrono::steady_clock::now();
    PrinterReading reading;
    DeviceIdentity device;
    std::memset(&device, 0, sizeof device);
    device.interfaceKind = NETROV_INTERFACE_NETWORK;
    device.transport = NETROV_TRANSPORT_SNMP;
    device.timeout = settings.timeOutSeconds;
    netrovSetSnmpVersion(&device, settings.snmpVersion);
    core::storeAddress(address, device.address);

    const core::DeviceAccess& access = core::FrontLibrary::tuva().access();
    // The model name picks the support package that serves the other
    // queries; the first community it answers is the one read by.
    int32_t modelResult = NETROV_NO_REPLY;
    for (size_t which = 0; which <= settings.moreCommunities.size() && modelResult == NETROV_NO_REPLY; ++which) {
        const std::string& community = which == 0 ? settings.community : settings.moreCommunities[which - 1];
        std::memset(device.community, 0, sizeof device.community);
        std::memcpy(device.community, community.data(), std::min(community.size(), sizeof device.community - 1));
        reading.community = which;
        for (int32_t attempt = 0; attempt <= settings.retries && modelResult == NETROV_NO_REPLY && !settings.stopped();
             ++attempt) {
            unsigned char scratch[NETROV_MODEL_NAME_RECORD_SIZE] = {};
            int32_t count = 0;
            modelResult = access.getDevModelName(&device, 0, 0, scratch, 1, &count);
        }
    }
    device.modelName[sizeof device.modelName - 1] = '\0';
    const auto finish = [&] {
        reading.durationSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        return reading;
    };
    reading.result = modelResult;
    // No answer, or an answer that refuses the credentials: nothing more to read.
    if (modelResult == NETROV_NO_REPLY || probeFailureReason(modelResult)) return finish();
    reading.up = true;
    reading.model = core::fieldText(device.modelName, sizeof device.modelName);

    const core::QueryReading infoReading = run("GetDevInfo", device, settings, reading);
    for (const DeviceInfo* info : recordsOf<DeviceInfo>(infoReading)) {
        if (info->nameValid) reading.name = core::fieldText(info->name, sizeof info->name);
        if (info->locationValid) reading.location = core::fieldText(info->location, sizeof info->location);
        if (info->macAddressValid) reading.mac = core::hardwareAddressText(info->macAddress);
    }

    const core::QueryReading status = run("GetDevStatus", device, settings, reading);
    if (status.result == NETROV_OK) {
        const std::vector<DeviceStatus> records = core::statusRecords(status);
        if (!records.empty() && records[0].simpleStatusValid) reading.statusCode = records[0].simpleStatus;
        const std::vector<DeviceStatus> alerts = core::alertsAmong(records);
        const std::vector<core::AlertMessage> messages = core::alertMessages(access, device, alerts);
        for (size_t i = 0; i < alerts.size(); ++i) {
            reading.alerts.push_back({alerts[i].alertCode, alerts[i].alertGroup, alerts[i].alertIndex,
                                      i < messages.size() ? messages[i].message : std::string()});
        }
    }

    const core::QueryReading errorStateReading = run("GetDevErrorState", device, settings, reading);
    for (const ErrorStateInfo* info : recordsOf<ErrorStateInfo>(errorStateReading)) {
        reading.errorBitsRead = info->errorStateValid != 0;
        if (info->errorStateValid) reading.errorBits = info->errorState;
        break;
    }

    const core::QueryReading serialReading = run("GetDevSerial", device, settings, reading);
    for (const TextEntry* serial : recordsOf<TextEntry>(serialReading)) {
        if (serial->textValid) reading.serial = core::fieldText(serial->text, sizeof serial->text);
        break;
    }
    const core::QueryReading markerReading = run("GetDevMarker", device, settings, reading);
    for (const MarkerInfo* marker : recordsOf<MarkerInfo>(markerReading)) {
        if (marker->lifeCountValid) reading.pages = marker->lifeCount;
        break;
    }
    const core::QueryReading countersReading = run("GetDevCounter", device, settings, reading);
    for (const CounterEntry* counter : recordsOf<CounterEntry>(countersReading)) {
        if (!counter->typeValid || !counter->levelValid || counter->level < 0) continue;
        if (counter->type == NETROV_COUNTER_MONO) reading.monoImpressions = static_cast<uint32_t>(counter->level);
        if (counter->type == NETROV_COUNTER_COLOR) reading.colourImpressions = static_cast<uint32_t>(counter->level);
    }

    int32_t index = 0;
    const core::QueryReading tonerReading = run("GetDevToner", device, settings, reading);
    for (const TonerEntry* toner : recordsOf<TonerEntry>(tonerReading)) {
        SupplyReading supply;
        supply.index = ++index;
        supply.kind = toner->typeValid ? supplyKindName(toner->supplyType) : "unknown";
        supply.description = core::fieldText(toner->name, sizeof toner->name);
        supply.colour = core::tonerColumn(toner->color, toner->colorValid, supply.description,
                                          static_cast<size_t>(index - 1));
        supply.percent = percentOf(toner->remainingPercentValid, toner->remainingPercent);
        reading.supplies.push_back(std::move(supply));
    }
    const core::QueryReading suppliesReading = run("GetDevSupplies", device, settings, reading);
    for (const SupplyEntry* other : recordsOf<SupplyEntry>(suppliesReading)) {
        SupplyReading supply;
        supply.index = ++index;
        supply.kind = other->typeValid ? supplyKindName(other->supplyType) : "unknown";
        supply.description = core::fieldText(other->name, sizeof other->name);
        supply.percent = percentOf(other->remainingPercentValid, other->remainingPercent);
        reading.supplies.push_back(std::move(supply));
    }
    int32_t trayIndex = 0;
    const core::QueryReading traysReading = run("GetDevTray", device, settings, reading);
    for (const TrayEntry* t : recordsOf<TrayEntry>(traysReading)) {
        TrayReading tray;
        tray.index = ++trayIndex;
        tray.name = t->trayNameValid ? core::fieldText(t->trayName, sizeof t->trayName) : std::string();
        tray.media = t->mediaNameValid ? core::fieldText(t->mediaName, sizeof t->mediaName) : std::string();
        tray.percent = percentOf(t->remainingPercentValid, t->remainingPercent);
        reading.trays.push_back(std::move(tray));
    }
    return finish();
}

core::Attention attentionOf(const PrinterReading& reading)
{
    std::vector<core::LevelState> states;
    for (const SupplyReading& s : reading.supplies) states.push_back(core::levelState(s.percent));
    const auto asking = std::count_if(reading.alerts.begin(), reading.alerts.end(),
                                      [](const AlertReading& a) { return core::alertNeedsAttention(a.code); });
    return core::judgeAttention(states, reading.errorBits, static_cast<size_t>(asking));
}

}  // namespace netrov::exporter
