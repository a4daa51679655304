// Cartridge splitting and forecasts: hand-made histories for each rule, generated series for accuracy.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "forecast.h"
#include "series.h"

namespace netrov::store {
namespace {

using test::kDay;
using test::kMonday;

struct Row {
    double day;
    int32_t level;  // -1, -2, -3 as the device says
    const char* serial = "";
    const char* description = "Black toner";
    int64_t pages = -1;  // -1: no counter
    int32_t maximum = 100;
    int32_t unit = kUnitPercent;
};

std::vector<SupplyValue> history(const std::vector<Row>& rows) {
    std::vector<SupplyValue> out;
    for (const Row& r : rows) {
        SupplyValue v;
        v.time = kMonday + static_cast<int64_t>(r.day * kDay);
        v.state = levelStateOf(r.level);
        if (v.state == LevelState::Measured)
            v.level = r.level;
        if (r.maximum >= 0)
            v.maximum = r.maximum;
        v.unit = r.unit;
        v.serial = r.serial;
        v.description = r.description;
        if (r.pages >= 0)
            v.pages = r.pages;
        out.push_back(v);
    }
    return out;
}

struct SplitCase {
    const char* name;
    std::vector<Row> rows;
    std::optional<int64_t> pagesNow;
    std::vector<size_t> starts;  // first index of each cartridge
    std::vector<CartridgeStart> why;
    std::vector<std::optional<int64_t>> pages;
};

class StoreCartridgeSplit : public ::testing::TestWithParam<SplitCase> {};

TEST_P(StoreCartridgeSplit, SplitsWhereACartridgeWasChanged) {
    const SplitCase& c = GetParam();
    std::vector<SupplyValue> values = history(c.rows);
    std::vector<Cartridge> cartridges = splitCartridges(values, c.pagesNow);
    ASSERT_EQ(cartridges.size(), c.starts.size());
    for (size_t i = 0; i < cartridges.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(cartridges[i].first, c.starts[i]);
        EXPECT_EQ(cartridges[i].last, i + 1 < c.starts.size() ? c.starts[i + 1] - 1 : values.size() - 1);
        EXPECT_EQ(cartridges[i].why, c.why[i]);
        EXPECT_EQ(cartridges[i].pages, c.pages[i]);
        EXPECT_EQ(cartridges[i].counterWentBack, !c.pages[i] && c.rows[c.starts[i]].pages >= 0);
    }
}

const SplitCase kSplitCases[] = {
    {"NoiseIsNotAChange", {{0, 50, "", "T", 100}, {1, 55, "", "T", 150}, {2, 50, "", "T", 200}}, 260, {0},
     {CartridgeStart::FirstSeen}, {160}},
    {"TenPercentJitterIsNotAChange", {{0, 30}, {1, 40}, {2, 30}, {3, 20}}, std::nullopt, {0},
     {CartridgeStart::FirstSeen}, {std::nullopt}},
    {"LevelRiseBeyondNoise",
     {{0, 20, "", "T", 1000}, {1, 5, "", "T", 1750}, {2, 100, "", "T", 1800}, {3, 90, "", "T", 2300}}, 2500, {0, 2},
     {CartridgeStart::FirstSeen, CartridgeStart::LevelRose}, {800, 700}},
    {"EarlyChangeWithTonerLeft", {{0, 60}, {1, 55}, {2, 100}}, std::nullopt, {0, 2},
     {CartridgeStart::FirstSeen, CartridgeStart::LevelRose}, {std::nullopt, std::nullopt}},
    {"SerialChangeAtTheSameLevel", {{0, 100, "A"}, {1, 98, "A"}, {2, 98, "B"}}, std::nullopt, {0, 2},
     {CartridgeStart::FirstSeen, CartridgeStart::SerialChanged}, {std::nullopt, std::nullopt}},
    {"DescriptionChange", {{0, 70, "", "Black toner"}, {1, 69, "", "Black toner XL"}}, std::nullopt, {0, 1},
     {CartridgeStart::FirstSeen, CartridgeStart::DescriptionChanged}, {std::nullopt, std::nullopt}},
    {"UnmeasuredRowsCompareWithTheLastLevel", {{0, 40}, {1, -3}, {2, -2}, {3, 45}, {4, 100}}, std::nullopt, {0, 4},
     {CartridgeStart::FirstSeen, CartridgeStart::LevelRose}, {std::nullopt, std::nullopt}},
    {"CounterBackwardsLosesThePagesOfThatCartridge",
     {{0, 90, "", "T", 5000}, {1, 80, "", "T", 40}, {2, 100, "", "T", 900}}, 1000, {0, 2},
     {CartridgeStart::FirstSeen, CartridgeStart::LevelRose}, {std::nullopt, 100}},
    {"RawUnitsWithoutAMaximum", {{0, 4000, "", "T", -1, -2, 13}, {1, 3800, "", "T", -1, -2, 13},
                                 {2, 4600, "", "T", -1, -2, 13}}, std::nullopt, {0, 2},
     {CartridgeStart::FirstSeen, CartridgeStart::LevelRose}, {std::nullopt, std::nullopt}},
};

INSTANTIATE_TEST_SUITE_P(Rules, StoreCartridgeSplit, ::testing::ValuesIn(kSplitCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A forecast that must give a reason rather than a number, or a number read directly.
struct ReasonCase {
    const char* name;
    std::vector<Row> rows;
    double nowDay;
    std::optional<int64_t> pagesNow;
    std::vector<ForecastNote> notes;
    bool days;
    bool pages;
    std::optional<double> pagesValue;
    const char* words = nullptr;  // the reasons as every surface says them
};

class StoreForecastReasons : public ::testing::TestWithParam<ReasonCase> {};

TEST_P(StoreForecastReasons, GivesAReasonInsteadOfAWrongNumber) {
    const ReasonCase& c = GetParam();
    std::vector<SupplyValue> values = history(c.rows);
    Forecast f = forecastSupply(values, kMonday + static_cast<int64_t>(c.nowDay * kDay), c.pagesNow);
    for (ForecastNote n : c.notes)
        EXPECT_TRUE(f.has(n)) << forecastNoteText(n);
    EXPECT_EQ(f.notes.size(), c.notes.size());
    EXPECT_EQ(f.days.has_value(), c.days);
    EXPECT_EQ(f.pages.has_value(), c.pages);
    if (c.pagesValue && f.pages) {
        EXPECT_DOUBLE_EQ(f.pages->value, *c.pagesValue);
    }
    for (ForecastNote n : f.notes)
        EXPECT_STRNE(forecastNoteText(n), "");
    if (c.words) {
        EXPECT_EQ(forecastReasons(f), c.words);
    }
    // Pages left are never one number posing as a range.
    if (f.pages && f.pages->value > 0) {
        EXPECT_LT(f.pages->low, f.pages->value);
        EXPECT_GT(f.pages->high.value_or(0), f.pages->value);
    }
}

const ReasonCase kReasonCases[] = {
    {"NeedsThreeDays", {{0, 80, "", "T", 100}, {1, 79, "", "T", 150}, {2, 78, "", "T", 200}}, 2.5, 220,
     {ForecastNote::NeedsDays}, false, true, std::nullopt},
    {"OneLevelOnlyNeedsDays", {{0, 80}}, 2, std::nullopt, {ForecastNote::NeedsDays, ForecastNote::NoCounter}, false,
     false, std::nullopt},
    {"FlatSupplyIsNoUseForItsDays", {{0, 80}}, 16.5, std::nullopt, {ForecastNote::NoUse, ForecastNote::NoCounter}, false,
     false, std::nullopt, "no page counter; no use in 16 days"},
    {"UnknownLevelWithoutAMaximumIsNoNumber", {{0, 0, "", "T", -1, -2, 13}, {4, 0, "", "T", -1, -2, 13}}, 5,
     std::nullopt, {ForecastNote::NoMaximum}, false, false, std::nullopt, "level has no maximum"},
    {"NearlyEmptyWithoutARate", {{0, 4}}, 1, std::nullopt,
     {ForecastNote::NeedsDays, ForecastNote::NoCounter, ForecastNote::NearlyEmpty}, false, false, std::nullopt},
    {"NoUseInThirtyDays", {{0, 80}, {2, 79}, {4, 78}}, 40, std::nullopt, {ForecastNote::NoUse, ForecastNote::NoCounter},
     false, false, std::nullopt},
    {"LevelAboveMaximum", {{0, 80, "", "T", -1, 100}, {4, 130, "", "T", -1, 100}}, 5, std::nullopt,
     {ForecastNote::AboveMaximum}, false, false, std::nullopt},
    {"SomeRemainingIsNoNumber", {{0, 80}, {4, 70}, {5, -3}}, 6, std::nullopt, {ForecastNote::NotMeasured}, false, false,
     std::nullopt},
    {"ClockWentBack", {{0, 80, "", "T", 100}, {4, 70, "", "T", 600}, {2, 65, "", "T", 900}}, 6, 900,
     {ForecastNote::ClockJumped}, false, true, std::nullopt},
    {"ClockAheadOfNow", {{0, 80}, {4, 70}, {9, 65}}, 6, std::nullopt,
     {ForecastNote::ClockJumped, ForecastNote::NoCounter}, false, false, std::nullopt},
    {"CounterWentBackJustNow", {{0, 80, "", "T", 9000}, {4, 70, "", "T", 9500}, {5, 69, "", "T", 20}}, 6, 25,
     {ForecastNote::CounterWentBack}, true, false, std::nullopt},
    {"ImpressionsAreReadDirectly",
     {{0, 3000, "", "T", -1, 3000, kUnitImpressions}, {4, 2500, "", "T", -1, 3000, kUnitImpressions}}, 5, std::nullopt,
     {}, true, true, 2500.0},
    {"EmptyIsZero", {{0, 10, "", "T", 100}, {4, 0, "", "T", 600}}, 5, 600, {}, true, true, 0.0},
    {"AbsurdMaximumIsMoreThanAYear",
     {{0, 2147483647, "", "T", -1, 2147483647, 13}, {1, 2147483646, "", "T", -1, 2147483647, 13},
      {2, 2147483645, "", "T", -1, 2147483647, 13}, {4, 2147483644, "", "T", -1, 2147483647, 13}},
     5, std::nullopt, {ForecastNote::BeyondYear, ForecastNote::NoCounter}, false, false, std::nullopt},
};

INSTANTIATE_TEST_SUITE_P(Rules, StoreForecastReasons, ::testing::ValuesIn(kReasonCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Generated use with known truth, forecast 14 days before the cartridge runs out.
struct SeriesCase {
    const char* name;
    test::SeriesConfig config;
    int32_t daysBeforeEmpty;
    double toleranceDays;    // |forecast - truth|
    double tolerancePages;   // as a share of the true pages left
    std::vector<ForecastNote> notes;
    bool pages;
    size_t cartridges;
    int32_t hoursAfterRound = 0;  // the forecast is made this long after the round, with the round's counter
};

test::SeriesConfig config(void (*change)(test::SeriesConfig&)) {
    test::SeriesConfig c;
    change(c);
    return c;
}

test::SeriesConfig weekdayUnits() {
    return config([](auto& c) {
        c.readEverySeconds = 12 * 3600;
        c.sleeps = true;
        c.maximum = 3000;
        c.unit = 13;
        c.pagesPerPercent = 30;
        c.startLevel = 92;
    });
}

class StoreForecastSeries : public ::testing::TestWithParam<SeriesCase> {};

TEST_P(StoreForecastSeries, FindsTheEmptyDateWithinItsRange) {
    const SeriesCase& c = GetParam();
    test::Series series = test::generateSeries(c.config);
    ASSERT_TRUE(series.emptyAt);
    const test::Round& round = test::roundAt(series, *series.emptyAt - int64_t{c.daysBeforeEmpty} * kDay);
    std::vector<SupplyValue> values = test::valuesUntil(series, round.time);
    EXPECT_EQ(splitCartridges(values, round.pages).size(), c.cartridges);

    const int64_t now = round.time + int64_t{c.hoursAfterRound} * 3600;
    Forecast f = forecastSupply(values, now, round.pages);
    EXPECT_EQ(f.notes, c.notes);
    ASSERT_TRUE(f.days);
    const double trueDays = static_cast<double>(*series.emptyAt - now) / kDay;
    SCOPED_TRACE(::testing::Message() << "days " << f.days->value << " [" << f.days->low << ", "
                                      << f.days->high.value_or(-1) << "] true " << trueDays);
    EXPECT_NEAR(f.days->value, trueDays, c.toleranceDays);
    EXPECT_LE(f.days->low, trueDays);
    ASSERT_TRUE(f.days->high);
    EXPECT_GE(*f.days->high, trueDays);

    ASSERT_EQ(f.pages.has_value(), c.pages);
    if (f.pages) {
        const double truePages = round.trueLevel * c.config.pagesPerPercent;
        EXPECT_NEAR(f.pages->value, truePages, truePages * c.tolerancePages);
        EXPECT_LE(f.pages->low, truePages);
        EXPECT_GE(*f.pages->high, truePages);
    }
}

const SeriesCase kSeriesCases[] = {
    {"SteadyUse", config([](auto&) {}), 14, 2.0, 0.05, {}, true, 1},
    {"SteadyUseNearTheEnd", config([](auto&) {}), 4, 1.5, 0.25, {}, true, 1},
    {"TenPercentSteps", config([](auto& c) { c.step = 10; }), 14, 6.0, 0.35, {ForecastNote::CoarseSteps}, true, 1},
    {"EarlyChangeWithTonerLeft", config([](auto& c) { c.changeDay = 10; }), 14, 2.0, 0.06, {}, true, 2},
    {"EarlyChangeWithoutSerials",
     config([](auto& c) {
         c.changeDay = 10;
         c.cartridgeSerials = false;
     }),
     14, 2.0, 0.06, {}, true, 2},
    {"SleepsNightsAndWeekends", config([](auto& c) { c.sleeps = true; }), 14, 2.0, 0.05, {}, true, 1},
    {"CounterResetLongAgo", config([](auto& c) { c.counterResetDay = 12; }), 14, 2.0, 0.06, {}, true, 1},
    {"CounterResetJustNow", config([](auto& c) { c.counterResetDay = 31; }), 14, 2.0, 0.0,
     {ForecastNote::CounterWentBack}, false, 1},
    // Read at midnight (asleep) and noon for two weeks: the weekends are learned, not averaged in.
    {"WeekdaysOnlyReadTwiceADay",
     config([](auto& c) {
         c.readEverySeconds = 12 * 3600;
         c.sleeps = true;
         c.pagesPerPercent = 33;
     }),
     10, 1.0, 0.1, {}, true, 1},
    // 150 of 3,000 units a weekday, read at midnight (asleep) and noon from
    // Monday for two weeks and a half, empty on Thursday before noon. Later in
    // the day the forecast counts only the use still to come: the afternoon's
    // use happened, unseen, and the evening and night hold none.
    {"WeekdayUnitsAtTheRound", weekdayUnits(), 10, 0.6, 0.1, {}, true, 1, 0},
    {"WeekdayUnitsSixHoursLater", weekdayUnits(), 10, 0.6, 0.1, {}, true, 1, 6},
    {"WeekdayUnitsAtNight", weekdayUnits(), 10, 0.6, 0.1, {}, true, 1, 10},
    {"WeekdayUnitsNextMorning", weekdayUnits(), 10, 0.6, 0.1, {}, true, 1, 20},
    {"CountedInGramsWithAMaximum",
     config([](auto& c) {
         c.maximum = 2400;
         c.unit = 13;
     }),
     14, 2.0, 0.05, {}, true, 1},
};

INSTANTIATE_TEST_SUITE_P(Generated, StoreForecastSeries, ::testing::ValuesIn(kSeriesCases),
                         [](const auto& info) { return std::string(info.param.name); });

// An office's habits: use only on working days between 9:00 and 17:00, with
// weeks it is closed. Days are counted as days of use, so a Friday evening's
// forecast skips the weekend and a closed fortnight does not slow the rate.
struct HabitCase {
    const char* name;
    double startLevel;
    std::vector<int> closedWeeks;
    int weeks;            // of history, each ending on Friday at 17:00
    double nowDay;        // from the first Monday
    double emptyDay;      // when the level reaches 0 at 5 points a working day
    double toleranceDays;
    bool bounded;  // false: the history saw weeks without use, so no upper end
};

class StoreForecastHabits : public ::testing::TestWithParam<HabitCase> {};

TEST_P(StoreForecastHabits, CountsDaysOfUse) {
    constexpr double kPerHour = 5.0 / 8;
    const HabitCase& c = GetParam();
    std::vector<SupplyValue> values;
    double level = c.startLevel;
    for (int week = 0; week < c.weeks; ++week) {
        if (std::find(c.closedWeeks.begin(), c.closedWeeks.end(), week) != c.closedWeeks.end())
            continue;
        for (int day = 0; day < 5; ++day)
            for (int hour = 9; hour <= 16; ++hour) {
                level -= kPerHour;
                const auto shown = static_cast<int32_t>(std::floor(level));
                if (!values.empty() && values.back().level == shown)
                    continue;
                SupplyValue v;
                v.time = kMonday + (week * 7 + day) * kDay + (hour + 1) * 3600;
                v.state = LevelState::Measured;
                v.level = shown;
                v.maximum = 100;
                v.unit = kUnitPercent;
                values.push_back(v);
            }
    }
    const int64_t now = kMonday + static_cast<int64_t>(c.nowDay * kDay);
    Forecast f = forecastSupply(values, now, std::nullopt);
    ASSERT_TRUE(f.days);
    const double trueDays = c.emptyDay - c.nowDay;
    SCOPED_TRACE(::testing::Message() << "days " << f.days->value << " [" << f.days->low << ", "
                                      << f.days->high.value_or(-1) << "] true " << trueDays);
    EXPECT_NEAR(f.days->value, trueDays, c.toleranceDays);
    EXPECT_LE(f.days->low, trueDays);
    ASSERT_EQ(f.days->high.has_value(), c.bounded);
    if (f.days->high) {
        EXPECT_GE(*f.days->high, trueDays);
    }
}

// 17:00 on the day's offset from the first Monday, and 20:00 for "now".
constexpr double at17(int day) { return day + 17.0 / 24; }
constexpr double at20(int day) { return day + 20.0 / 24; }

const HabitCase kHabitCases[] = {
    // 85 - 3 weeks of 25 = 10 left on Friday evening: empty on Tuesday at 17:00.
    {"FridayEveningSkipsTheWeekend", 85, {}, 3, at20(18), at17(22), 0.6, true},
    // The same on Monday evening: 5 left, empty on Tuesday at 17:00.
    {"MondayEveningIsADayAway", 80, {}, 3, at20(21), at17(22), 0.6, true},
    // A week of use, a closed fortnight, two weeks of use: 25 left, empty the next Friday.
    {"ClosedFortnightDoesNotSlowTheRate", 100, {1, 2}, 5, at20(32), at17(39), 1.0, false},
};

INSTANTIATE_TEST_SUITE_P(Rules, StoreForecastHabits, ::testing::ValuesIn(kHabitCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace netrov::store
