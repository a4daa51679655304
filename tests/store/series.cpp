// Generated supply histories with known truth: a printer's use over weeks, cartridges and counters.
#include "series.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace netrov::test {

namespace {

bool workingHour(int64_t time) {
    int64_t day = (time - kMonday) / kDay;
    int64_t hour = ((time - kMonday) % kDay) / 3600;
    return day % 7 < 5 && hour >= 8 && hour < 18;
}

}  // namespace

Series generateSeries(const SeriesConfig& c) {
    Series s;
    const double roundsPerWorkday = 10.0 * 3600 / c.intervalSeconds;
    double level = c.startLevel;
    const int64_t readEvery = c.readEverySeconds > 0 ? c.readEverySeconds : c.intervalSeconds;
    double pages = static_cast<double>(c.firstPages);
    int32_t cartridge = 0;
    for (int64_t t = kMonday; t < kMonday + int64_t{c.days} * kDay; t += c.intervalSeconds) {
        const int64_t day = (t - kMonday) / kDay;
        const bool nine = (t - kMonday) % kDay == 9 * 3600;
        if (c.changeDay && day == *c.changeDay && nine) {
            level = 100;
            ++cartridge;
        }
        if (c.counterResetDay && day == *c.counterResetDay && nine)
            pages = 0;
        if (workingHour(t)) {
            double printed = c.pagesPerWorkday / roundsPerWorkday;
            pages += printed;
            level = std::max(0.0, level - printed / c.pagesPerPercent);
            if (level <= 0 && !s.emptyAt)
                s.emptyAt = t;
        }
        if (t < kMonday + c.firstReadSeconds || (t - kMonday - c.firstReadSeconds) % readEvery != 0)
            continue;
        const bool asleep = c.sleeps && !workingHour(t);
        int32_t reported = asleep ? -2 : static_cast<int32_t>(std::floor(level / c.step)) * c.step;
        if (!asleep && c.maximum != 100)
            reported = static_cast<int32_t>(std::floor(level * c.maximum / 100.0));
        s.rounds.push_back({t, static_cast<int64_t>(pages), level, reported, cartridge});

        if (asleep)
            continue;
        const std::string serial = c.cartridgeSerials ? "CRG-" + std::to_string(cartridge) : std::string();
        if (!s.values.empty() && s.values.back().level == reported && s.values.back().serial == serial)
            continue;
        store::SupplyValue v;
        v.time = t;
        v.state = store::LevelState::Measured;
        v.level = reported;
        v.maximum = c.maximum;
        v.unit = c.unit;
        v.description = "Black toner";
        v.serial = serial;
        v.pages = static_cast<int64_t>(pages);
        s.values.push_back(v);
    }
    return s;
}

std::vector<store::SupplyValue> valuesUntil(const Series& series, int64_t time) {
    std::vector<store::SupplyValue> out;
    for (const store::SupplyValue& v : series.values)
        if (v.time <= time)
            out.push_back(v);
    return out;
}

const Round& roundAt(const Series& series, int64_t time) {
    auto it = std::lower_bound(series.rounds.begin(), series.rounds.end(), time,
                               [](const Round& r, int64_t t) { return r.time < t; });
    return it == series.rounds.end() ? series.rounds.back() : *it;
}

}  // namespace netrov::test
