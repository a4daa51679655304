// One printer read through the front library for one scrape: identity,
// status, alerts, counters, supplies and trays, as the metrics need them.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <netrov/result_codes.h>

#include "attention.h"
#include "device_list.h"
#include "fleet_report.h"

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

struct SupplyReading {
    int32_t index = 0;  // position among the device's supplies, toner and ink first
    std::string kind;   // "toner", "ink_cartridge", "opc"...
    std::string colour; // "black", "cyan"... or a word from the description; empty for non-colorant supplies
    std::string description;
    std::optional<int32_t> percent;  // 0..100 or a level code; none when not reported
};

struct TrayReading {
    int32_t index = 0;
    std::string name;
    std::string media;
    std::optional<int32_t> percent;
};

struct AlertReading {
    int32_t code = 0;
    int32_t group = 0;
    int32_t groupIndex = 0;
    std::string description;  // the message service's words; empty when it has none
};

struct PrinterReading {
    bool up = false;
    int32_t result = NETROV_OK;  // the first exchange's: why the printer was not read
    size_t community = 0;  // the one read by: 0 the settings' community, N its moreCommunities[N - 1]
    double durationSeconds = 0;
    std::string model, serial, name, location, mac;
    int32_t statusCode = core::kStatusUnknown;  // simple status: 1-3 ready, 4 warning, 5 error, 6 power save, 7 unknown
    uint32_t errorBits = 0;  // hrPrinterDetectedErrorState (core/attention.h)
    bool errorBitsRead = false;  // the device reported them
    std::optional<uint32_t> pages;  // the marker's life count
    std::optional<uint32_t> monoImpressions, colourImpressions;
    std::vector<SupplyReading> supplies;
    std::vector<TrayReading> trays;
    std::vector<AlertReading> alerts;
    // What was left unread when the probe's time ran out; empty when all was read.
    std::vector<std::string> unread;
};

// Reads the printer at the address (first octet most significant). The
// front library must be started. Safe on many threads at once.
PrinterReading readPrinter(uint32_t address, const ProbeSettings& settings);

// The judgement over what was read.
core::Attention attentionOf(const PrinterReading& reading);

}  // namespace netrov::exporter
