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
#include "snmp/read_deadline.h"

namespace netrov::exporter {

namespace {

// Asks the query unless the probe's time is up.
std::optional<core::QueryReading> run(const char* name, DeviceIdentity& device, const ProbeSettings& settings)
{
    const core::QuerySchema* query = core::findQuery(name);
    if (!query || settings.stopped()) return std::nullopt;
    return core::readQuery(*query, device);
}

// The printer over IPP alone: up when it answered as a printer.
void readOverIpp(const core::NetAddress& address, const ProbeSettings& settings, PrinterReading& reading)
{
    reading.report = core::readIpp(core::netAddressText(address), settings.source, settings.timeOutSeconds);
    reading.up = reading.report.answered && reading.report.printer;
    if (reading.up) reading.result = NETROV_OK;
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

PrinterReading readPrinter(const core::NetAddress& address, const ProbeSettings& settings)
{
    const auto start = std::chrono::steady_clock::now();
    // Every request of the probe, the credentials' first ones among them,
    // ends by its deadline.
    const snmp::ReadDeadlineScope budget(settings.deadline);
    PrinterReading reading;
    const auto finish = [&] {
        reading.durationSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        return reading;
    };
    if (settings.source.source == core::Source::Ipp) {
        reading.result = NETROV_NO_REPLY;
        readOverIpp(address, settings, reading);
        return finish();
    }
    core::DeviceListEntry entry;
    std::memset(&entry, 0, sizeof entry);
    DeviceIdentity& device = entry.identity;
    device.interfaceKind = NETROV_INTERFACE_NETWORK;
    device.transport = NETROV_TRANSPORT_SNMP;
    device.timeout = settings.timeOutSeconds;
    netrovSetSnmpVersion(&device, settings.snmpVersion);
    core::setDeviceAddress(device, address);

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
    reading.result = modelResult;
    // A printer whose SNMP is silent may still answer IPP.
    if (modelResult == NETROV_NO_REPLY && settings.source.source != core::Source::Snmp && !settings.stopped()) {
        readOverIpp(address, settings, reading);
        return finish();
    }
    // No answer, or an answer that refuses the credentials: nothing more to read.
    if (modelResult == NETROV_NO_REPLY || probeFailureReason(modelResult)) return finish();
    reading.up = true;

    // The information a search would have found, then the one reading.
    if (const auto info = run("GetDevInfo", device, settings); info && info->result == NETROV_OK && info->stored() > 0 &&
                                                                 info->recordSize == sizeof(DeviceInfo))
        std::memcpy(&entry.info, info->record(0), sizeof(DeviceInfo));
    entry.status[0].simpleStatus = core::kStatusUnknown;
    reading.report = core::readFromSource(entry, settings.stopped() ? core::Deadline::min() : settings.deadline, settings.source);

    // The impression counters are the exporter's own series.
    if (const auto counters = run("GetDevCounter", device, settings);
        counters && counters->result == NETROV_OK && counters->recordSize == sizeof(CounterEntry)) {
        for (int32_t i = 0; i < counters->stored(); ++i) {
            const auto* counter = static_cast<const CounterEntry*>(counters->record(i));
            if (!counter->typeValid || !counter->levelValid || counter->level < 0) continue;
            if (counter->type == NETROV_COUNTER_MONO) reading.monoImpressions = static_cast<uint32_t>(counter->level);
            if (counter->type == NETROV_COUNTER_COLOR) reading.colourImpressions = static_cast<uint32_t>(counter->level);
        }
    }
    return finish();
}

}  // namespace netrov::exporter
