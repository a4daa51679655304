// The forecast against replayed printers with known truth: its error 14 days before empty, and how often its range holds the truth.
//
// forecast_accuracy_bench [PRINTERS] [SEED]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <map>
#include <string>
#include <random>
#include <vector>

#include "forecast.h"
#include "forecast_replay.h"

using namespace netrov;

namespace {

constexpr int64_t kDay = 86400;
constexpr int64_t kLeadDays = 14;
constexpr double kMedianTarget = 3;
constexpr double kP90Target = 7;
constexpr double kCoverageTarget = 0.8;

double percentile(std::vector<double> xs, double p)
{
    if (xs.empty())
        return std::numeric_limits<double>::quiet_NaN();
    std::sort(xs.begin(), xs.end());
    return xs[std::min(xs.size() - 1, static_cast<size_t>(p * static_cast<double>(xs.size())))];
}

struct Tally {
    std::vector<double> errors;
    double signedSum = 0;  // forecast minus truth: above 0 is too late
    int covered = 0;
    int withheld = 0;
    void print(const char* name) const
    {
        const double n = static_cast<double>(errors.size());
        std::printf("%-14s cartridges %5zu  withheld %4d  median %5.2f d  p90 %5.2f d  bias %+5.2f d  coverage %5.1f %%\n",
                    name, errors.size(), withheld, percentile(errors, 0.5), percentile(errors, 0.9),
                    n ? signedSum / n : 0.0, n ? 100 * covered / n : 0.0);
    }
};

}  // namespace

int main(int argc, char** argv)
{
    const int printers = argc > 1 ? std::atoi(argv[1]) : 1000;
    const auto seed = static_cast<uint64_t>(argc > 2 ? std::atoll(argv[2]) : 28);
    std::mt19937_64 random(seed);
    Tally all, fine, coarse, sleepers;
    std::map<std::string, int> reasons;  // why numbers were withheld
    int early = 0;
    for (int p = 0; p < printers; ++p) {
        const bench::Replay replay = bench::replayPrinter(random);
        early += replay.earlyChanges;
        for (const bench::Replay::Empty& empty : replay.empties) {
            const int64_t at = empty.time - kLeadDays * kDay;
            // Only a cartridge already in use 14 days before it ran dry is judged there.
            if (empty.firstValue >= replay.values.size() || replay.values[empty.firstValue].time > at)
                continue;
            auto end = std::upper_bound(replay.values.begin(), replay.values.end(), at,
                                        [](int64_t t, const store::SupplyValue& v) { return t < v.time; });
            const std::span<const store::SupplyValue> known(replay.values.data(),
                                                            static_cast<size_t>(end - replay.values.begin()));
            const store::Forecast f = store::forecastSupply(known, at, replay.pagesAt(at));
            for (Tally* t : {&all, replay.step > 1 ? &coarse : &fine, replay.sleeps ? &sleepers : nullptr}) {
                if (!t)
                    continue;
                if (!f.days) {
                    if (t == &all)
                        for (store::ForecastNote note : f.notes)
                            ++reasons[store::forecastNoteText(note)];
                    ++t->withheld;
                    continue;
                }
                t->errors.push_back(std::abs(f.days->value - static_cast<double>(kLeadDays)));
                t->signedSum += f.days->value - static_cast<double>(kLeadDays);
                const double truth = static_cast<double>(kLeadDays);
                if (f.days->low <= truth && (!f.days->high || truth <= *f.days->high))
                    ++t->covered;
            }
        }
    }
    std::printf("forecast 14 days before empty: %d printers, a year each, 15-minute rounds, %d early changes (seed %llu)\n",
                printers, early, static_cast<unsigned long long>(seed));
    all.print("all");
    fine.print("1 % steps");
    coarse.print("10 % steps");
    sleepers.print("sleeping");
    for (const auto& [reason, count] : reasons)
        std::printf("withheld with \"%s\": %d\n", reason.c_str(), count);
    const double median = percentile(all.errors, 0.5);
    const double p90 = percentile(all.errors, 0.9);
    const double coverage = all.errors.empty() ? 0 : all.covered / static_cast<double>(all.errors.size());
    std::printf("targets: median <= %.0f d %s, p90 <= %.0f d %s, coverage >= %.0f %% %s\n", kMedianTarget,
                median <= kMedianTarget ? "met" : "MISSED", kP90Target, p90 <= kP90Target ? "met" : "MISSED",
                100 * kCoverageTarget, coverage >= kCoverageTarget ? "met" : "MISSED");
    return 0;
}
