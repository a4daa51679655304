// A reading as the store keeps it: the one conversion both writers (watch and the desktop) use.
#pragma once

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <span>
#include <vector>

#include "fleet_report.h"
#include "fleet_store.h"
#include "store_types.h"

namespace netrov::store {

// Raw levels, maxima and units, so "unknown" and "some remaining" stay
// states; a supply's index is its row in the device's table, as stores have
// always kept it. Header-only: the store library stays below the core.
inline std::vector<SupplyReading> supplyReadings(std::span<const core::TonerLevel> toner)
{
    std::vector<SupplyReading> out;
    for (size_t i = 0; i < toner.size(); ++i) {
        const core::TonerLevel& t = toner[i];
        SupplyReading& s = out.emplace_back();
        s.index = t.row > 0 ? t.row : static_cast<int32_t>(i + 1);
        s.kind = t.supplyType;
        s.colour = t.colour;
        s.description = t.name;
        s.level = t.current.value_or(core::kLevelUnknown);
        s.maximum = t.maximum.value_or(core::kLevelUnknown);
        s.unit = t.unit.value_or(0);
    }
    return out;
}

// One device's reading as the store keeps it: its identity (the MAC in
// lower case, as the store matches it), its toner and ink as above, its
// alerts with their codes and the device's own texts, and its error-state bits.
inline DeviceReading readingOf(const core::DeviceReport& report)
{
    DeviceReading reading;
    reading.identity.address = report.address;
    reading.identity.mac = report.macAddress;
    std::transform(reading.identity.mac.begin(), reading.identity.mac.end(), reading.identity.mac.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    reading.identity.serial = report.serialNumber;
    reading.identity.model = report.model;
    reading.answered = report.answered;
    reading.name = report.name;
    reading.location = report.location;
    reading.alerts = report.alerts;
    if (report.alertCodes.size() == report.alerts.size()) reading.alertCodes = report.alertCodes;
    if (report.alertReadings.size() == report.alerts.size())
        for (const core::AlertReading& alert : report.alertReadings) reading.alertTexts.push_back(alert.facts.description);
    reading.errorBits = report.errorBits;
    reading.status = report.statusCode;
    if (report.pageCount) reading.pageCount = *report.pageCount;
    reading.supplies = supplyReadings(report.toner);
    return reading;
}

}  // namespace netrov::store
