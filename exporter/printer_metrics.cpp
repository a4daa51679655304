// The metrics of one probe.
#include "printer_metrics.h"

#include <array>
#include <set>
#include <tuple>

#include "device_list.h"
#include "fleet_report.h"
#include "reading.h"
#include "mib_names.h"
#include "words.h"

namespace netrov::exporter {

namespace {

struct StatusState {
    const char* name;
    bool (*holds)(int32_t code);
};

// The simple status codes as states; a code outside them is "unknown".
constexpr std::array<StatusState, 5> kStatusStates = {{
    {"ready", [](int32_t c) { return core::isReadyStatus(c); }},
    {"warning", [](int32_t c) { return c == core::kStatusWarning; }},
    {"error", [](int32_t c) { return c == core::kStatusError; }},
    {"power_save", [](int32_t c) { return c == core::kStatusPowerSave; }},
    {"unknown", [](int32_t c) { return c < core::kStatusReady || c > core::kStatusPowerSave; }},
}};

struct ReasonName {
    core::AttentionReason reason;
    const char* name;
};

constexpr ReasonName kReasons[] = {
    {core::kAttentionSupplyLow, "supply_low"},
    {core::kAttentionSupplyEmpty, "supply_empty"},
    {core::kAttentionErrorState, "error_state"},
    {core::kAttentionAlert, "alert"},
};

// The bits hrPrinterDetectedErrorState names: lowPaper (0) to
// overduePreventMaint (14); the last bit of the second octet has no name.
constexpr int32_t kErrorStateBitCount = 15;

// A level's ratio only when it is a number: unknown and "some remaining"
// are states, never values.
void addLevel(Exposition& out, const std::string& prefix, const Labels& labels, std::optional<int32_t> percent,
              core::LevelState state)
{
    if (percent && *percent >= 0 && *percent <= 100 &&
        (state == core::LevelState::Ok || state == core::LevelState::Low || state == core::LevelState::Empty))
        out.sample(prefix + "_level_ratio", labels, *percent / 100.0);
    for (const core::LevelState s : core::kLevelStates) {
        Labels withState = labels;
        withState.emplace_back("state", core::levelStateName(s));
        out.sample(prefix + "_state", withState, s == state ? 1 : 0);
    }
}

// The kind's levels of the one threshold table, for the alert rules to
// compare against; none where the kind has none.
void addThresholds(Exposition& out, const Labels& labels, core::SupplyKind kind)
{
    const core::LevelThreshold& level = core::activeThresholds().of(kind);
    if (level.warning >= 0) out.sample("netrov_supply_warning_ratio", labels, level.warning / 100.0);
    if (level.critical >= 0) out.sample("netrov_supply_critical_ratio", labels, level.critical / 100.0);
}

}  // namespace

void addPrinterMetrics(const PrinterReading& reading, Exposition& out)
{
    out.family("netrov_up", "gauge", "Whether the printer answered the probe (1) or not (0).");
    out.family("netrov_probe_duration_seconds", "gauge", "How long the probe of the printer took.");
    out.sample("netrov_up", {}, reading.up ? 1 : 0);
    out.sample("netrov_probe_duration_seconds", {}, reading.durationSeconds);
    if (const char* reason = reading.up ? nullptr : probeFailureReason(reading.result)) {
        out.family("netrov_probe_failure", "gauge", "Why the printer refused the probe; the value is always 1.");
        out.sample("netrov_probe_failure", {{"reason", reason}}, 1);
    }
    if (!reading.up) return;
    const core::DeviceReport& r = reading.report;

    out.family("netrov_printer_info", "gauge", "The printer's identity; the value is always 1.");
    out.family("netrov_status", "gauge", "The printer's status as a state set: 1 for the current state.");
    out.family("netrov_attention", "gauge", "Whether the printer needs attention, as a state set.");
    out.family("netrov_attention_reason", "gauge", "Each reason the printer needs attention: 1 when it holds.");
    out.family("netrov_pages_total", "counter", "The marker's life count in its counter unit, usually impressions.");
    out.family("netrov_impressions_total", "counter", "Impressions counted by the device, by colour kind.");
    out.family("netrov_supply_level_ratio", "gauge",
               "Remaining level of a supply from 0 to 1; absent when the level is unknown or only \"some remaining\".");
    out.family("netrov_supply_state", "gauge", "A supply's level state as a state set.");
    out.family("netrov_supply_warning_ratio", "gauge",
               "The level below which a supply of its kind is low, from the one threshold table.");
    out.family("netrov_supply_critical_ratio", "gauge",
               "The level below which a supply of its kind is critical, from the one threshold table.");
    out.family("netrov_tray_level_ratio", "gauge", "Media left in an input tray from 0 to 1, when the tray reports it.");
    out.family("netrov_tray_state", "gauge", "An input tray's level state as a state set.");
    out.family("netrov_alerts", "gauge", "Number of alerts the printer reports.");
    out.family("netrov_alert", "gauge", "One series per alert the printer reports; the value is always 1.");
    out.family("netrov_printer_error_state", "gauge",
               "The printer's detected error state as a state set: 1 for each condition that holds.");

    out.sample("netrov_printer_info",
               {{"model", r.model}, {"serial", r.serialNumber}, {"name", r.name}, {"location", r.location},
                {"mac", r.macAddress}, {"address", r.address}},
               1);
    for (const StatusState& s : kStatusStates) out.sample("netrov_status", {{"state", s.name}}, s.holds(r.statusCode));
    const core::Attention attention = core::deviceAttention(r);
    out.sample("netrov_attention", {{"state", "none"}}, attention.needed() ? 0 : 1);
    out.sample("netrov_attention", {{"state", "needed"}}, attention.needed() ? 1 : 0);
    for (const ReasonName& reason : kReasons)
        out.sample("netrov_attention_reason", {{"reason", reason.name}}, (attention.reasons & reason.reason) ? 1 : 0);
    // Absent rather than all 0 when the device does not report the bits.
    if (r.errorBitsRead) {
        for (int32_t bit = 0; bit < kErrorStateBitCount; ++bit) {
            out.sample("netrov_printer_error_state", {{"state", core::enumKey(core::Enumeration::ErrorStateBit, bit)}},
                       (r.errorBits >> bit) & 1u);
        }
    }
    if (r.pageCount) out.sample("netrov_pages_total", {}, *r.pageCount);
    if (reading.monoImpressions) out.sample("netrov_impressions_total", {{"kind", "mono"}}, *reading.monoImpressions);
    if (reading.colourImpressions)
        out.sample("netrov_impressions_total", {{"kind", "colour"}}, *reading.colourImpressions);

    // Toner and ink first, then the other supplies, numbered in that order.
    int32_t index = 0;
    for (const core::TonerLevel& t : r.toner) {
        const Labels labels = {{"index", std::to_string(++index)}, {"kind", supplyKindName(t.supplyType)},
                               {"colour", t.colour}, {"description", t.name}};
        addLevel(out, "netrov_supply", labels, t.percent, t.state);
        addThresholds(out, labels, t.kind);
    }
    for (const core::SupplyLevel& s : r.supplies) {
        if (s.kind == core::SupplyKind::Paper) continue;
        const Labels labels = {{"index", std::to_string(++index)}, {"kind", supplyKindName(s.supplyType)},
                               {"colour", ""}, {"description", s.name}};
        addLevel(out, "netrov_supply", labels, s.percent, s.state);
        addThresholds(out, labels, s.kind);
    }
    int32_t tray = 0;
    for (const core::SupplyLevel& s : r.supplies) {
        if (s.kind != core::SupplyKind::Paper) continue;
        addLevel(out, "netrov_tray", {{"index", std::to_string(++tray)}, {"name", s.name}, {"media", s.media}}, s.percent,
                 s.state);
    }

    out.sample("netrov_alerts", {}, static_cast<double>(r.alertReadings.size()));
    // A device may list one alert twice; one series stands for both.
    std::set<std::tuple<int32_t, int32_t, int32_t, std::string>> seen;
    for (const core::AlertReading& a : r.alertReadings) {
        const core::AlertFacts& f = a.facts;
        if (!seen.emplace(f.code, f.group, f.index, a.message).second) continue;
        out.sample("netrov_alert",
                   {{"code", std::to_string(f.code)}, {"name", alertCodeName(f.code)}, {"group", alertGroupName(f.group)},
                    {"group_index", std::to_string(f.index)}, {"description", a.message}},
                   1);
    }
}

std::string printerMetricsText(const PrinterReading& reading)
{
    Exposition out;
    addPrinterMetrics(reading, out);
    return out.text();
}

}  // namespace netrov::exporter
