// A reading's toner and ink as the store keeps them: the one conversion both writers (watch and the desktop) use.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "fleet_report.h"
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

}  // namespace netrov::store
