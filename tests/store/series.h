// Generated supply histories with known truth: a printer's use over weeks, cartridges and counters.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "store_types.h"

namespace netrov::test {

// Monday 5 January 2026, 00:00 UTC.
constexpr int64_t kMonday = 1767571200;
constexpr int64_t kDay = 86400;

struct SeriesConfig {
    int32_t days = 60;
    int32_t intervalSeconds = 900;
    double pagesPerWorkday = 150;   // printed evenly from 8 to 18 on weekdays
    double pagesPerPercent = 50;    // a 5,000-page cartridge
    int32_t step = 1;               // the device reports its level rounded down to this
    bool sleeps = false;            // nights and weekends: the level reads -2
    std::optional<int32_t> changeDay;        // a new cartridge at 9:00 that day, whatever was left
    std::optional<int32_t> counterResetDay;  // the page counter starts again from 0 at 9:00 that day
    int32_t maximum = 100;
    int32_t unit = store::kUnitPercent;
    int64_t firstPages = 12000;
    bool cartridgeSerials = true;  // false: cartridges report no serial number
    // A watcher's rounds: every readEverySeconds from firstReadSeconds after
    // the first midnight; 0: every interval. Use still comes every interval.
    int32_t readEverySeconds = 0;
    int32_t firstReadSeconds = 0;
    double startLevel = 100;  // percent left in the first cartridge
};

struct Round {
    int64_t time;
    int64_t pages;
    double trueLevel;   // percent left in the cartridge in use
    int32_t reported;   // what the device says: a level, or -2 asleep
    int32_t cartridge;  // 0, 1, ...
};

struct Series {
    std::vector<Round> rounds;  // the watcher's rounds
    std::vector<store::SupplyValue> values;  // one row per change of the reported level or cartridge
    std::optional<int64_t> emptyAt;          // when the last cartridge's true level reaches 0
};

Series generateSeries(const SeriesConfig& config);

// The rows written up to time, and the round at that time.
std::vector<store::SupplyValue> valuesUntil(const Series& series, int64_t time);
const Round& roundAt(const Series& series, int64_t time);

}  // namespace netrov::test
