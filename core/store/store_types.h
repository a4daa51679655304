// The values the fleet store keeps and the forecasts read: one supply's reading and its stored history.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace netrov::store {

// What a device said about a supply's level. Only Measured carries a number;
// the others are kept as a state, never as a level.
enum class LevelState : int32_t {
    Measured = 0,
    Other = 1,          // the device reported -1: other, or no restriction
    Unknown = 2,        // -2: unknown (a sleeping printer says this)
    SomeRemaining = 3,  // -3: at least some left
};

// The state a raw level from the device stands for.
LevelState levelStateOf(int32_t rawLevel);

// Capacity units whose level is a count of pages read directly.
constexpr int32_t kUnitImpressions = 7;
constexpr int32_t kUnitSheets = 8;
constexpr int32_t kUnitPercent = 19;
constexpr bool isPageUnit(int32_t unit) { return unit == kUnitImpressions || unit == kUnitSheets; }

// One supply as a device reports it in one round. level and maximum are the
// device's raw numbers (-1, -2, -3 included); the store turns them into states.
struct SupplyReading {
    int32_t index = 0;       // the device's supply index, stable for a device
    int32_t kind = 0;        // supply type (toner, ink, drum, ...)
    std::string colour;      // as the device names it; empty when not given
    std::string description;
    std::string serial;      // the cartridge's serial number; empty when not given
    int32_t level = -2;
    int32_t maximum = -2;
    int32_t unit = 0;
};

// One stored value of a supply: a row written when something changed.
struct SupplyValue {
    int64_t time = 0;                // seconds since 1970 (UTC), the round's time
    LevelState state = LevelState::Unknown;
    std::optional<int32_t> level;    // present exactly when state is Measured
    std::optional<int32_t> maximum;  // absent when the device gave none (-1, -2)
    int32_t unit = 0;
    std::string description;
    std::string serial;
    std::optional<int64_t> pages;    // the device's page counter at that time
};

}  // namespace netrov::store
