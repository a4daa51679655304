// Replayed supply histories with known truth for the forecast benchmark.
#include "forecast_replay.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace netrov::bench {

namespace {

constexpr int64_t kDay = 86400;
// Days (from the first Monday of the year) every office is closed: Easter, May Day, Ascension, Whit Monday, Christmas week.
constexpr int32_t kHolidays[] = {87, 88, 90, 116, 129, 140, 353, 354, 355, 356, 357, 360};
constexpr int32_t kFirstWorkHour = 8;
constexpr int32_t kLastWorkHour = 18;
constexpr int32_t kSleepFrom = 20;  // a sleeping printer says "unknown" from 20:00 to 7:00 and at weekends
constexpr int32_t kSleepUntil = 7;

struct Habits {
    double pagesPerWorkday;
    double pagesPerPercent;
    int32_t step;
    bool roundsToNearest;  // else rounds down
    bool sleeps;
    bool serials;
    double earlyChance;           // that a cartridge is changed before it is empty
    int32_t summerClosureStart;   // a two-week closure, or -1
};

Habits drawHabits(std::mt19937_64& random)
{
    std::uniform_real_distribution<double> uniform(0, 1);
    std::lognormal_distribution<double> volume(std::log(120.0), 0.8);
    constexpr double kYields[] = {1500, 3000, 6000, 12000};
    Habits h{};
    h.pagesPerWorkday = std::clamp(volume(random), 5.0, 1500.0);
    h.pagesPerPercent = kYields[random() % 4] / 100.0;
    h.step = uniform(random) < 0.35 ? 10 : 1;
    h.roundsToNearest = uniform(random) < 0.3;
    h.sleeps = uniform(random) < 0.4;
    h.serials = uniform(random) < 0.7;
    h.earlyChance = 0.15;
    h.summerClosureStart = uniform(random) < 0.3 ? 196 + static_cast<int32_t>(random() % 28) : -1;
    return h;
}

}  // namespace

Replay replayPrinter(std::mt19937_64& random, const ReplayConfig& config)
{
    std::uniform_real_distribution<double> uniform(0, 1);
    std::lognormal_distribution<double> dayNoise(-0.125, 0.5);     // mean 1
    std::lognormal_distribution<double> coverageNoise(-0.01, 0.15);
    std::exponential_distribution<double> burst(1.0);
    const Habits h = drawHabits(random);
    Replay replay;
    replay.step = h.step;
    replay.sleeps = h.sleeps;
    replay.start = config.start;
    replay.intervalSeconds = config.intervalSeconds;

    const int32_t roundsPerDay = static_cast<int32_t>(kDay / config.intervalSeconds);
    double level = 20 + 80 * uniform(random);  // the first cartridge is part used
    double pages = 5000 + 50000 * uniform(random);
    int32_t cartridge = 0;
    double changeAt = uniform(random) < h.earlyChance ? 5 + 20 * uniform(random) : -1;
    int32_t emptyDays = -1;  // workdays a dry cartridge stays in before it is changed
    size_t firstValue = 0;
    std::vector<double> weights(static_cast<size_t>(roundsPerDay));

    for (int32_t day = 0; day < config.days; ++day) {
        const int32_t weekday = day % 7;
        const bool holiday = std::find(std::begin(kHolidays), std::end(kHolidays), day) != std::end(kHolidays) ||
                             (h.summerClosureStart >= 0 && day >= h.summerClosureStart && day < h.summerClosureStart + 14);
        double today = 0;
        if (!holiday && weekday < 5)
            today = h.pagesPerWorkday * dayNoise(random) * (weekday == 4 ? 0.8 : 1.0);
        else if (!holiday && uniform(random) < 0.05)
            today = h.pagesPerWorkday * 0.1 * uniform(random);  // someone in at the weekend
        // The day's pages come in bursts during working hours.
        double total = 0;
        for (int32_t r = 0; r < roundsPerDay; ++r) {
            const int32_t hour = r * config.intervalSeconds / 3600;
            weights[static_cast<size_t>(r)] = hour >= kFirstWorkHour && hour < kLastWorkHour ? burst(random) : 0;
            total += weights[static_cast<size_t>(r)];
        }
        const double coverage = coverageNoise(random);
        if (emptyDays >= 0 && today > 0 && --emptyDays < 0) {
            // The dry cartridge is changed at the start of a workday.
            level = 100;
            ++cartridge;
            firstValue = replay.values.size();
            changeAt = uniform(random) < h.earlyChance ? 5 + 20 * uniform(random) : -1;
        }
        for (int32_t r = 0; r < roundsPerDay; ++r) {
            const int64_t t = config.start + int64_t{day} * kDay + int64_t{r} * config.intervalSeconds;
            const int32_t hour = r * config.intervalSeconds / 3600;
            if (emptyDays < 0 && total > 0 && today > 0) {
                const double printed = today * weights[static_cast<size_t>(r)] / total;
                pages += printed;
                level -= printed / h.pagesPerPercent * coverage;
                if (changeAt >= 0 && level <= changeAt) {
                    // Changed early, with toner left: the next cartridge starts at once.
                    ++replay.earlyChanges;
                    level = 100;
                    ++cartridge;
                    firstValue = replay.values.size();
                    changeAt = uniform(random) < h.earlyChance ? 5 + 20 * uniform(random) : -1;
                } else if (level <= 0) {
                    level = 0;
                    replay.empties.push_back({t, firstValue});
                    emptyDays = static_cast<int32_t>(random() % 4);
                }
            }
            replay.pages.push_back(static_cast<int64_t>(pages));
            const bool asleep = h.sleeps && (weekday >= 5 || hour >= kSleepFrom || hour < kSleepUntil);
            if (asleep)
                continue;  // the store keeps the last level while a printer says "unknown"
            const double shown = h.roundsToNearest ? std::round(level / h.step) : std::floor(level / h.step);
            const int32_t reported = std::clamp(static_cast<int32_t>(shown) * h.step, 0, 100);
            const std::string serial = h.serials ? "CRG-" + std::to_string(cartridge) : std::string();
            if (!replay.values.empty() && replay.values.back().level == reported && replay.values.back().serial == serial)
                continue;
            store::SupplyValue v;
            v.time = t;
            v.state = store::LevelState::Measured;
            v.level = reported;
            v.maximum = 100;
            v.unit = store::kUnitPercent;
            v.description = "Black toner";
            v.serial = serial;
            v.pages = static_cast<int64_t>(pages);
            replay.values.push_back(std::move(v));
        }
    }
    return replay;
}

}  // namespace netrov::bench
