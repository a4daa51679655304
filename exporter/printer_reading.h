// One printer read for one scrape: the credentials tried in order, then the
// core's one reading of it, within the scrape's time.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <netrov/result_codes.h>

#include "device_list.h"
#include "fleet_report.h"
#include "net_address.h"
#include "source_reading.h"

namespace netrov::exporter {

struct ProbeSettings {
    std::string community;       // with SNMPv3, the profile's name
    int32_t timeOutSeconds = 3;  // per exchange, whole seconds as the front library takes them
    int32_t retries = 0;         // further attempts of the first exchange when nothing answers
    int32_t snmpVersion = 0;     // include/netrov/snmp_version.h
    // Tried in order after community when it gets no answer (never with SNMPv3).
    std::vector<std::string> moreCommunities;
    // No query starts after the deadline, nor once stop turns true (nobody
    // waits for the answer any more); the reading keeps what it has.
    core::Deadline deadline = core::Deadline::max();
    const std::atomic<bool>* stop = nullptr;
    bool stopped() const;
    // Where the printer is read from (&source=); IPP's port from the configuration.
    core::SourceOptions source{};
};

// SNMPv3 results that end a probe, each with the reason it is counted and
// shown under.
struct ProbeFailure {
    int32_t result;
    const char* reason;
};
inline constexpr ProbeFailure kProbeFailures[] = {
    {NETROV_V3_UNKNOWN_USER, "unknown_user"},
    {NETROV_V3_WRONG_DIGEST, "wrong_auth_passphrase"},
    {NETROV_V3_UNSUPPORTED_LEVEL, "unsupported_level"},
    {NETROV_V3_DECRYPTION_ERROR, "wrong_priv_passphrase"},
    {NETROV_V3_UNKNOWN_ENGINE, "unknown_engine"},
    {NETROV_V3_NOT_IN_TIME_WINDOW, "not_in_time_window"},
    {NETROV_V3_UNKNOWN_CONTEXT, "unknown_context"},
    {NETROV_V3_UNAVAILABLE, "v3_unavailable"},
    {NETROV_V3_UNKNOWN_PROFILE, "unknown_profile"},
    {NETROV_V3_PROFILE_REFUSED, "profile_refused"},
};
// The reason of a result among kProbeFailures; null for any other.
const char* probeFailureReason(int32_t result);

// What one probe read: the core's reading of the printer, which every
// surface renders, with what only the exporter shows beside it.
struct PrinterReading {
    bool up = false;
    int32_t result = NETROV_OK;  // the first exchange's: why the printer was not read
    size_t community = 0;  // the one read by: 0 the settings' community, N its moreCommunities[N - 1]
    double durationSeconds = 0;
    core::DeviceReport report;  // judged (core::judgeReading) when up
    std::optional<uint32_t> monoImpressions, colourImpressions;
};

// Reads the printer at the address, IPv4 or IPv6. The front library must be
// started. Safe on many threads at once.
PrinterReading readPrinter(const core::NetAddress& address, const ProbeSettings& settings);


}  // namespace netrov::exporter
