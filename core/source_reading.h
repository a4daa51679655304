// The one place that chooses where a device's reading comes from (SNMP, IPP
// or both) and merges two readings of one device.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "fleet_report.h"
#include "ipp/ipp_job_list.h"

namespace netrov::core {

enum class Source : uint8_t {
    Auto,  // SNMP first; IPP when SNMP does not answer or lacks a reading
    Snmp,
    Ipp,
    Both,  // both, merged, so their disagreements show
};
// "auto", "snmp", "ipp", "both"; none for another word.
std::optional<Source> sourceNamed(std::string_view name);
const char* sourceName(Source source);
inline constexpr const char* kSourceWords = "auto, snmp, ipp or both";
// Whether this build reads printers over IPP (libcups on Linux).
bool ippAvailable();

struct SourceOptions {
    Source source = Source::Auto;
    int ippPort = 631;
    std::string ippResource = "/ipp/print";
    std::string ippTrustFile;        // empty: the user's data folder's
    std::string ippCredentialsFile;  // a private file, "user:password"; empty: none
};
// The options of a caller that reads by SNMP alone unless told otherwise.
inline SourceOptions snmpOnly()
{
    SourceOptions options;
    options.source = Source::Snmp;
    return options;
}

// Reads the device from the chosen source. snmpAnswered false says the
// caller already knows SNMP gives no answer, so it is not asked again.
DeviceReport readFromSource(const DeviceListEntry& entry, Deadline deadline, const SourceOptions& options,
                            bool snmpAnswered = true);
// The device at the address over IPP alone.
DeviceReport readIpp(const std::string& address, const SourceOptions& options, int32_t timeOutSeconds);
// The jobs of the printer at the address that have not ended, over IPP.
ipp::IppJobs readIppJobs(const std::string& address, const SourceOptions& options, int32_t timeOutSeconds);

// SNMP gave no answer, no printer, or neither a status nor any supply.
bool lacksReading(const DeviceReport& snmp);

enum class SameDevice : uint8_t { Yes, No, Unknown };
// By the first of UUID, MAC address and serial number that both readings
// give; Unknown when they share none.
SameDevice sameDevice(const DeviceReport& a, const DeviceReport& b);

// SNMP first, IPP fills what SNMP lacks. A toner level differing by more
// than kDisagreeingPoints, or another state, is written to
// sourceDisagreements. Readings of two different devices are not merged.
inline constexpr int32_t kDisagreeingPoints = 10;
DeviceReport mergeReadings(DeviceReport snmp, const DeviceReport& ipp);

}  // namespace netrov::core
