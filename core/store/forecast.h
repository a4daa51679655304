// A supply's history split into cartridges, and "empty in N days / N pages" from the current cartridge only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "store_types.h"

namespace netrov::store {

// A level that rises by at least this many points of its maximum is a new
// cartridge; smaller rises are the sensor's noise (a 10 % step device jitters by one step).
constexpr double kCartridgeRisePercent = 15.0;
constexpr int64_t kMinForecastSpanSeconds = 3 * 86400;
constexpr int64_t kNoUseSeconds = 30 * 86400;
// No forecast reaches further: use that slow says "more than a year", not a date.
constexpr double kMaxForecastDays = 365;
// A supply below this many points with no rate yet ranks before every forecast.
constexpr double kNearlyEmptyPercent = 5.0;
// A device's own count of pages left assumes a standard coverage; without a
// page counter to say better, the range is this share either side.
constexpr double kPageCountSpread = 0.1;
// Levels that only ever move by this many points or more are "reported in steps".
constexpr double kCoarseStepPercent = 5.0;

enum class CartridgeStart : int32_t { FirstSeen, LevelRose, SerialChanged, DescriptionChanged };

struct Cartridge {
    size_t first = 0;  // index of its first value in the history
    size_t last = 0;   // index of its last value (inclusive)
    int64_t start = 0; // time of its first value
    CartridgeStart why = CartridgeStart::FirstSeen;
    std::optional<int64_t> pages;  // pages printed on it; absent without a counter or when it went backwards
    bool counterWentBack = false;
};

// A measured level as percent of its maximum (or of 100 for the percent unit); none otherwise.
std::optional<double> levelPercent(const SupplyValue& value);

// Splits values (a supply's history, oldest first) into cartridges.
// pagesNow, the device's counter now, closes the current cartridge's pages.
std::vector<Cartridge> splitCartridges(std::span<const SupplyValue> values, std::optional<int64_t> pagesNow);

// Why a number is missing or less sure than it looks.
enum class ForecastNote : int32_t {
    NeedsDays,        // the current cartridge's readings span less than three days
    CoarseSteps,      // the level moves in steps of 5 points or more: ranges are widened
    NoUse,            // the level has not moved for days (30 within a cartridge that moved, 3 in one that never did)
    CounterWentBack,  // the page counter went backwards (a reset or a new board): no pages
    NoCounter,        // no page counter: no pages
    ClockJumped,      // times went backwards: no days
    AboveMaximum,     // the level is above its maximum: nothing
    NotMeasured,      // the device gives no number for the level: nothing
    BeyondYear,       // it would empty in more than kMaxForecastDays: no days
    NoMaximum,        // a level in units without a maximum is no share of anything: nothing
    NearlyEmpty,      // below kNearlyEmptyPercent with no rate yet
};
const char* forecastNoteText(ForecastNote note);

struct Estimate {
    double value = 0;
    double low = 0;
    std::optional<double> high;  // absent: no upper bound (use too slow to measure)
};

struct Forecast {
    std::optional<Estimate> days;   // days from now until empty
    std::optional<Estimate> pages;  // pages until empty
    std::vector<ForecastNote> notes;
    int32_t unusedDays = 0;         // with NoUse: whole days the level has stood still
    bool has(ForecastNote note) const;
    // Below kNearlyEmptyPercent with no days: it ranks before every forecast.
    bool nearlyEmpty() const { return has(ForecastNote::NearlyEmpty); }
};

// A note in words, with the forecast's numbers: "no use in 16 days".
std::string forecastNoteText(const Forecast& forecast, ForecastNote note);
// Every note in words, separated by "; ".
std::string forecastReasons(const Forecast& forecast);

// The days a forecast ranks by: its days, kNearlyEmptyRank for a nearly empty
// supply without them, none otherwise. Rounded as every surface shows days.
constexpr double kNearlyEmptyRank = -1;
std::optional<double> rankDays(const Forecast& forecast);
// Whole days as every surface shows them: rounded to the nearest, never below 0.
int64_t wholeDays(double days);

// The forecast for a supply from its history at time now (seconds since 1970),
// using only the current cartridge. A level counted in pages or impressions
// is read directly as the pages left.
Forecast forecastSupply(std::span<const SupplyValue> values, int64_t now, std::optional<int64_t> pagesNow);

}  // namespace netrov::store
