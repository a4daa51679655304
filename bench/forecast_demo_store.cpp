// Gives the demonstration's printers a year of office use, so their forecasts show at once.
//
// forecast_demo_store NOW_STORE HISTORY_STORE
// NOW_STORE holds one watch round of the printers (their identities, levels
// and counters as read); HISTORY_STORE receives a year of hourly rounds that
// end at exactly those levels and counters, one hour before the round, so
// the next reading of the same printers carries on without a jump.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "fleet_store.h"
#include "forecast.h"

using namespace netrov::store;

namespace {

constexpr int64_t kHour = 3600;
constexpr int64_t kDay = 24 * kHour;
constexpr int kDays = 365;
constexpr int kFirstWorkHour = 8;
constexpr int kWorkHours = 10;
constexpr uint32_t kSeed = 28;  // the same history every time the demonstration runs
// Pages a cartridge of each kind lasts at office coverage: black and colour toner.
constexpr double kBlackYield = 6000;
constexpr double kColourYield = 4000;

struct Supply {
    SupplyReading now;           // as read in the round
    std::optional<double> percent;
    double pagesPerPercent = 60;
    std::vector<double> levels;  // percent at each hour, oldest first
};

struct Printer {
    DeviceReading now;
    double pagesPerWorkday = 200;
    std::vector<int64_t> pages;  // the counter at each hour
    std::vector<Supply> supplies;
};

bool workingHour(int64_t time) {
    // 1970-01-01 was a Thursday: day 3 of a week that starts on Monday.
    const int64_t day = time / kDay;
    const int64_t weekday = (day + 3) % 7;
    const int64_t hour = time % kDay / kHour;
    return weekday < 5 && hour >= kFirstWorkHour && hour < kFirstWorkHour + kWorkHours;
}

// Walks back from the levels and counter read now, one hour at a time: use
// on working days, in working hours, more some days than others; a level
// that would pass 100 % is where its cartridge was put in, and the one before
// ran nearly dry.
void replayBackwards(Printer& p, int64_t end, std::mt19937& random) {
    std::lognormal_distribution<double> dayNoise(-0.125, 0.5);
    std::uniform_real_distribution<double> uniform(0, 1);
    const size_t hours = static_cast<size_t>(kDays) * 24;
    double pages = static_cast<double>(p.now.pageCount.value_or(50000));
    std::vector<double> level;
    for (Supply& s : p.supplies)
        s.levels.assign(hours, 0);
    p.pages.assign(hours, 0);
    for (const Supply& s : p.supplies)
        level.push_back(s.percent.value_or(0));
    double today = 0;
    for (size_t h = hours; h-- > 0;) {
        const int64_t time = end - static_cast<int64_t>(hours - 1 - h) * kHour;
        p.pages[h] = static_cast<int64_t>(pages);
        for (size_t i = 0; i < p.supplies.size(); ++i)
            p.supplies[i].levels[h] = level[i];
        if (time % kDay / kHour == kFirstWorkHour + kWorkHours - 1)
            today = p.pagesPerWorkday * dayNoise(random);
        if (!workingHour(time))
            continue;
        const double printed = std::min(today / kWorkHours, pages);
        pages -= printed;
        for (size_t i = 0; i < p.supplies.size(); ++i) {
            level[i] += printed / p.supplies[i].pagesPerPercent;
            if (level[i] > 100)
                level[i] = 3 * uniform(random);  // the cartridge before this one, nearly dry
        }
    }
}

SupplyReading readingAt(const Supply& s, double percent) {
    SupplyReading r = s.now;
    if (!s.percent)
        return r;  // a level the printer gives no number for stays what it said
    const double maximum = r.maximum > 0 ? r.maximum : 100;
    // The last hour gives back the level read now exactly, not one less by rounding.
    r.level = static_cast<int32_t>(std::floor(percent * maximum / 100 + 1e-6));
    return r;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: forecast_demo_store NOW_STORE HISTORY_STORE\n");
        return 2;
    }
    FleetStore source;
    StoreOptions readOnly;
    readOnly.mode = OpenMode::Reader;
    if (StoreStatus status = source.open(argv[1], readOnly); !status.ok()) {
        std::fprintf(stderr, "forecast_demo_store: %s\n", status.message.c_str());
        return 1;
    }
    std::vector<DeviceRecord> devices;
    if (!source.devices(devices).ok() || devices.empty()) {
        std::fprintf(stderr, "forecast_demo_store: %s holds no printers\n", argv[1]);
        return 1;
    }
    std::mt19937 random(kSeed);
    std::uniform_real_distribution<double> uniform(0, 1);
    std::vector<Printer> printers;
    int64_t roundTime = 0;
    for (const DeviceRecord& d : devices) {
        Printer& p = printers.emplace_back();
        p.now.identity = d.identity;
        p.now.pageCount = d.pageCount;
        p.now.status = d.status;
        p.now.name = d.name;
        p.now.location = d.location;
        p.now.alerts = d.alerts;
        p.pagesPerWorkday = 80 + 400 * uniform(random);
        roundTime = std::max(roundTime, d.lastSeen);
        std::vector<SupplyRecord> supplies;
        if (!source.supplies(d.id, supplies).ok())
            return 1;
        for (const SupplyRecord& record : supplies) {
            std::vector<SupplyValue> values;
            if (!source.supplyHistory(record.id, values).ok() || values.empty())
                continue;
            const SupplyValue& last = values.back();
            Supply& s = p.supplies.emplace_back();
            s.now.index = record.index;
            s.now.kind = record.kind;
            s.now.colour = record.colour;
            s.now.description = last.description;
            s.now.serial = last.serial;
            s.now.level = last.level ? *last.level : -static_cast<int32_t>(last.state);
            s.now.maximum = last.maximum ? *last.maximum : -2;
            s.now.unit = last.unit;
            s.percent = levelPercent(last);
            const bool black = record.colour.empty() || record.colour == "black";
            s.pagesPerPercent = (black ? kBlackYield : kColourYield) * (0.8 + 0.4 * uniform(random)) / 100;
        }
    }

    FleetStore target;
    if (StoreStatus status = target.open(argv[2]); !status.ok()) {
        std::fprintf(stderr, "forecast_demo_store: %s\n", status.message.c_str());
        return 1;
    }
    const int64_t end = roundTime - kHour;
    for (Printer& p : printers)
        replayBackwards(p, end, random);
    const size_t hours = static_cast<size_t>(kDays) * 24;
    std::vector<DeviceReading> round;
    for (size_t h = 0; h < hours; ++h) {
        const int64_t time = end - static_cast<int64_t>(hours - 1 - h) * kHour;
        // Nothing changes outside working hours; the store keeps the last values meanwhile.
        if (h != 0 && h + 1 != hours && !workingHour(time - kHour))
            continue;
        round.clear();
        for (const Printer& p : printers) {
            DeviceReading& r = round.emplace_back(p.now);
            r.pageCount = p.pages[h];
            r.supplies.clear();
            for (const Supply& s : p.supplies)
                r.supplies.push_back(readingAt(s, s.levels[h]));
        }
        if (StoreStatus status = target.writeRound(time, round); !status.ok()) {
            std::fprintf(stderr, "forecast_demo_store: %s\n", status.message.c_str());
            return 1;
        }
    }
    std::printf("forecast_demo_store: a year of hourly rounds for %zu printers in %s\n", printers.size(), argv[2]);
    return 0;
}
