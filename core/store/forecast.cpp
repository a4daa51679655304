// A supply's history split into cartridges, and "empty in N days / N pages" from the current cartridge only.
#include "forecast.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <utility>
#include <vector>

namespace netrov::store {

namespace {

constexpr std::pair<ForecastNote, const char*> kNoteTexts[] = {
    {ForecastNote::NeedsDays, "needs readings over 3 days"},
    {ForecastNote::CoarseSteps, "level reported in steps of 5 % or more — range widened"},
    {ForecastNote::NoUse, "no use in 30 days"},
    {ForecastNote::CounterWentBack, "page counter went backwards"},
    {ForecastNote::NoCounter, "no page counter"},
    {ForecastNote::ClockJumped, "clock jumped"},
    {ForecastNote::AboveMaximum, "level above maximum"},
    {ForecastNote::NotMeasured, "level not measured"},
    {ForecastNote::BeyondYear, "more than a year"},
    {ForecastNote::NoMaximum, "level has no maximum"},
    {ForecastNote::NearlyEmpty, "below 5 %, no rate yet"},
};

constexpr double kSecondsPerDay = 86400.0;
// Sen's interval for the slope: 95 % two-sided.
constexpr double kSlopeZ = 1.96;
// Pairwise slopes grow as the square of the points; a long cartridge is thinned to this many.
constexpr size_t kMaxFitPoints = 200;
constexpr double kWeekDays = 7;
constexpr int kMinDropsForSteps = 3;
constexpr double kMinRateSpread = 0.1;
// How far above the reported level the true one sits on average, in steps:
// a half for devices that round down, none for those that round.
constexpr double kStepOffset = 0.4;
// Where the true level is, in steps above the new level, when a device steps
// down: one step for devices that round down, a half for those that round.
constexpr double kCrossingOffset = 0.8;
// A level within this share of a step of a multiple of it is on the step.
constexpr double kOnStep = 0.01;
// Rows that usually move the level by this many steps or more are reads apart, not steps.
constexpr double kSparseRowSteps = 2;
// Reads apart by this much of a day of use or more are too few for a grid of days.
constexpr double kDailyRowGap = 0.5;

// The level as points of the maximum; without a maximum, of scale.
double percentOf(const SupplyValue& v, double scale) {
    if (v.maximum && *v.maximum > 0)
        return 100.0 * *v.level / *v.maximum;
    return 100.0 * *v.level / scale;
}

// Without a maximum, a level is measured against the percent unit's 100 or the highest level seen.
double scaleOf(std::span<const SupplyValue> values) {
    double scale = 1;
    for (const SupplyValue& v : values) {
        if (v.unit == kUnitPercent)
            return 100;
        if (v.level)
            scale = std::max(scale, static_cast<double>(*v.level));
    }
    return scale;
}

struct Point {
    double day;
    double percent;
};

double median(std::vector<double>& xs) {
    auto mid = xs.begin() + static_cast<std::ptrdiff_t>(xs.size() / 2);
    std::nth_element(xs.begin(), mid, xs.end());
    double m = *mid;
    if (xs.size() % 2 == 0)
        m = (m + *std::max_element(xs.begin(), mid)) / 2;
    return m;
}

struct Fit {
    double slope = 0;  // percent per day
    double lower = 0;  // Sen's interval
    double upper = 0;
    double intercept = 0;
};

// Theil–Sen: the median of pairwise slopes, robust to a few wild readings.
std::optional<Fit> theilSen(std::vector<Point> points) {
    if (points.size() > kMaxFitPoints) {
        std::vector<Point> thin;
        for (size_t i = 0; i < kMaxFitPoints; ++i)
            thin.push_back(points[i * (points.size() - 1) / (kMaxFitPoints - 1)]);
        points = std::move(thin);
    }
    // Pairs closer than a week see a working day or a weekend, not the weekly
    // mean; once there is more than two weeks, only pairs a week apart count.
    const double span = points.back().day - points.front().day;
    const double minGap = span >= 2 * kWeekDays ? kWeekDays : 0;
    std::vector<double> slopes;
    for (size_t i = 0; i < points.size(); ++i)
        for (size_t j = i + 1; j < points.size(); ++j)
            if (points[j].day > points[i].day && points[j].day - points[i].day >= minGap)
                slopes.push_back((points[j].percent - points[i].percent) / (points[j].day - points[i].day));
    if (slopes.empty())
        return std::nullopt;
    std::sort(slopes.begin(), slopes.end());
    Fit fit;
    std::vector<double> copy = slopes;
    fit.slope = median(copy);
    const double n = static_cast<double>(points.size());
    const double total = static_cast<double>(slopes.size());
    const double spread = kSlopeZ * std::sqrt(n * (n - 1) * (2 * n + 5) / 18);
    auto at = [&](double rank) {
        auto i = static_cast<ptrdiff_t>(std::clamp(rank, 1.0, total)) - 1;
        return slopes[static_cast<size_t>(i)];
    };
    fit.lower = at(std::floor((total - spread) / 2));
    fit.upper = at(std::ceil((total + spread) / 2 + 1));
    std::vector<double> intercepts;
    for (const Point& p : points)
        intercepts.push_back(p.percent - fit.slope * p.day);
    fit.intercept = median(intercepts);
    return fit;
}

// Use over the weeks ahead varies more than the fit's interval says (busy
// weeks, holidays): the range also takes the slowest and fastest use seen
// over windows as long as the forecast reaches, within this cartridge.
constexpr double kWindowQuantile = 0.05;
constexpr double kMinWindowDays = 3;
constexpr double kWindowStepDays = 0.5;
constexpr size_t kMinWindows = 4;

struct RateSpread {
    double slow = 0;
    double fast = 0;
};

std::optional<RateSpread> windowRates(const std::vector<Point>& points, double horizonDays) {
    const double span = points.back().day - points.front().day;
    const double window = std::clamp(horizonDays, kMinWindowDays, span);
    std::vector<double> rates;
    size_t at = 0;  // the last point at or before a window's start
    size_t end = 0; // the last point at or before its end
    for (double from = points.front().day; from + window <= points.back().day; from += kWindowStepDays) {
        while (at + 1 < points.size() && points[at + 1].day <= from)
            ++at;
        end = std::max(end, at);
        while (end + 1 < points.size() && points[end + 1].day <= from + window)
            ++end;
        rates.push_back((points[at].percent - points[end].percent) / window);
    }
    if (rates.size() < kMinWindows)
        return std::nullopt;
    std::sort(rates.begin(), rates.end());
    const auto rank = [&](double q) { return rates[static_cast<size_t>(q * static_cast<double>(rates.size() - 1))]; };
    return RateSpread{rank(kWindowQuantile), rank(1 - kWindowQuantile)};
}

// Offices print on working days and in working hours: a day's worth of use
// comes in a few busy hours, none at night or at weekends. Days counted as
// "days of use" instead of calendar days keep a rate measured over Monday to
// Wednesday from being projected onto a weekend. The shape is learned from
// when the level dropped over the supply's whole history (the printer's
// habits outlive a cartridge), in the clock the device's rounds keep, so no
// time zone is assumed.
//
// Each drop is known only to lie between two rows: a row a day after the one
// before says a day's use came somewhere in that day, a Monday row after a
// Friday one that a weekend and a Monday together held one day's use. The
// hours of the week are fitted to all those stretches at once (expectation
// maximisation, as for counts known only in sums): each drop is shared over
// its stretch by the current shape, and each hour's use is what it was given
// over how often a stretch covered it. Two weeks of daily rows already show
// the weekly pattern.
//
// Rows read once a day (a printer read at noon and asleep at midnight) say
// how much went from noon to noon, not how a stretch from Friday to Monday
// splits between Friday, the weekend and Monday: many shapes fit them alike.
// Where the rows leave a day's use open, it leans to the use of an open day
// or to none, as an office's days are, not to the week's mean: a weekend
// that ten working days' drops already account for is closed.
constexpr int64_t kFirstMonday = 4 * 86400;  // 5 January 1970, 00:00 UTC
constexpr int kWeekHours = 168;
// The shape counts as if this share of a week had been seen at the use each
// day leans to: with less than a week of rows it stays near flat.
constexpr double kProfilePriorWeeks = 0.5;
// A stretch longer than this (a closed office, a printer unplugged) tells little of when.
constexpr int64_t kProfileGapSeconds = 8 * 86400;
constexpr int kProfileRounds = 30;
// Only the latest weeks are fitted: they hold the habits of now, and bound the work.
constexpr int64_t kProfileSpanSeconds = 8 * 7 * 86400;
// A profile never lets an hour count for less than this share of an even one,
// so a night of use the history never saw cannot stretch a forecast without end.
constexpr double kProfileFloor = 0.02;
// A day with less than this share of an open day's use counts as a closed one.
constexpr double kClosedDayShare = 0.5;
constexpr int kOpenDayPasses = 3;

// The use of a day the office is open: the mean of the days at or above
// kClosedDayShare of it, found from the mean of all days in a few passes.
double openDayUse(const double (&day)[7]) {
    double open = 0;
    for (double d : day)
        open += d / 7;
    for (int pass = 0; pass < kOpenDayPasses; ++pass) {
        double sum = 0;
        int count = 0;
        for (double d : day)
            if (d >= open * kClosedDayShare) {
                sum += d;
                ++count;
            }
        open = sum / count;  // the largest day always counts
    }
    return open;
}

class UseProfile {
public:
    explicit UseProfile(std::span<const SupplyValue> values) {
        // The stretches between measured rows where the level fell, and what each hour of them covers.
        struct Stretch {
            int64_t from;
            int64_t to;
            double drop;
        };
        std::vector<Stretch> stretches;
        double exposure[kWeekHours] = {};
        const double scale = scaleOf(values);
        std::optional<double> before;
        int64_t beforeTime = 0;
        double dropped = 0;
        const int64_t since = values.empty() ? 0 : values.back().time - kProfileSpanSeconds;
        for (const SupplyValue& v : values) {
            if (!v.level)
                continue;
            const double percent = percentOf(v, scale);
            if (before && beforeTime >= since && v.time > beforeTime && v.time - beforeTime <= kProfileGapSeconds &&
                *before - percent < kCartridgeRisePercent && percent <= *before) {
                stretches.push_back({beforeTime, v.time, *before - percent});
                dropped += *before - percent;
                forEachHour(beforeTime, v.time, [&](int h, double part) { exposure[h] += part; });
            }
            before = percent;
            beforeTime = v.time;
        }
        double seen = 0;
        for (double e : exposure)
            seen += e;
        for (double& d : density_)
            d = 1;
        if (dropped > 0 && seen > 0) {
            // Use in an hour is the day's weight times the hour's shape: the
            // day boundaries that stretches cross tie a weekend's share to
            // the weekdays the same stretches hold.
            const double even = dropped / seen;  // use per hour at the even rate
            double day[7];
            double hour[24];
            std::fill(std::begin(day), std::end(day), even);
            std::fill(std::begin(hour), std::end(hour), 1.0);
            std::vector<double> given(kWeekHours);
            for (int round = 0; round < kProfileRounds; ++round) {
                std::fill(given.begin(), given.end(), 0.0);
                for (const Stretch& s : stretches) {
                    double weight = 0;
                    forEachHour(s.from, s.to, [&](int h, double part) { weight += part * day[h / 24] * hour[h % 24]; });
                    if (weight <= 0)
                        continue;
                    forEachHour(s.from, s.to, [&](int h, double part) {
                        given[h] += s.drop * part * day[h / 24] * hour[h % 24] / weight;
                    });
                }
                const double open = openDayUse(day);
                for (int d = 0; d < 7; ++d) {
                    double use = 0;
                    double covered = 0;
                    for (int h = 0; h < 24; ++h) {
                        use += given[d * 24 + h];
                        covered += exposure[d * 24 + h] * hour[h];
                    }
                    const double lean = day[d] >= open * kClosedDayShare ? open : 0.0;
                    day[d] = (use + kProfilePriorWeeks * 24 * lean) / (covered + kProfilePriorWeeks * 24);
                }
                double mean = 0;
                for (int h = 0; h < 24; ++h) {
                    double use = 0;
                    double covered = 0;
                    for (int d = 0; d < 7; ++d) {
                        use += given[d * 24 + h];
                        covered += exposure[d * 24 + h] * day[d];
                    }
                    const double pseudo = kProfilePriorWeeks * 7 * even;
                    hour[h] = (use + pseudo) / (covered + pseudo);
                    mean += hour[h] / 24;
                }
                for (double& h : hour)
                    h /= mean;
            }
            for (int h = 0; h < kWeekHours; ++h)
                density_[h] = std::max(day[h / 24] * hour[h % 24] / even, kProfileFloor);
        }
        // Scaled so that a week of use is seven days of use.
        double week = 0;
        for (double d : density_)
            week += d;
        cumulative_[0] = 0;
        for (int h = 0; h < kWeekHours; ++h) {
            density_[h] *= kWeekHours / week;
            cumulative_[h + 1] = cumulative_[h] + density_[h];
        }
    }

    // Days of use from 1970 to time.
    double useDays(int64_t time) const {
        const int64_t since = time - kFirstMonday;
        const int64_t weeks = floorDiv(since, int64_t{kWeekHours} * 3600);
        const int64_t inWeek = since - weeks * kWeekHours * 3600;
        const int64_t hour = inWeek / 3600;
        const double part = static_cast<double>(inWeek - hour * 3600) / 3600;
        const double hours = static_cast<double>(weeks) * kWeekHours + cumulative_[hour] + part * density_[hour];
        return hours / 24;
    }

    // The time at which useDays has grown by days after from.
    double daysUntil(int64_t from, double days) const {
        const double target = useDays(from) + days;
        int64_t low = from;
        int64_t high = from + static_cast<int64_t>(std::ceil(days / kProfileFloor * 86400)) + 86400;
        while (high - low > 60) {
            const int64_t mid = low + (high - low) / 2;
            (useDays(mid) < target ? low : high) = mid;
        }
        return static_cast<double>(high - from) / kSecondsPerDay;
    }

private:
    static int64_t floorDiv(int64_t a, int64_t b) { return a / b - (a % b != 0 && (a < 0) != (b < 0)); }
    // Calls visit(hour of the week, share of that hour) for each hour from from to to.
    template <typename Visit>
    static void forEachHour(int64_t from, int64_t to, Visit&& visit) {
        for (int64_t at = from; at < to;) {
            const int64_t hourEnd = (floorDiv(at - kFirstMonday, 3600) + 1) * 3600 + kFirstMonday;
            const int64_t end = std::min(hourEnd, to);
            visit(static_cast<int>(hourOfWeek(at)), static_cast<double>(end - at) / 3600);
            at = end;
        }
    }
    static int64_t hourOfWeek(int64_t time) {
        const int64_t since = time - kFirstMonday;
        const int64_t week = int64_t{kWeekHours} * 3600;
        return (since - floorDiv(since, week) * week) / 3600;
    }
    double density_[kWeekHours] = {};
    double cumulative_[kWeekHours + 1] = {};
};

// A closed office (a holiday week, a summer closure) stops the level for far
// longer than the printer's usual pause between drops. Those stretches are
// taken out of the time line, so the rate is the rate of an open office, the
// one the weeks ahead will mostly see; the days taken out are returned.
constexpr double kIdleMinDays = 2.5;
constexpr double kIdleGapFactor = 8;

double closeIdleStretches(std::vector<Point>& points) {
    std::vector<double> gaps;
    for (size_t i = 1; i < points.size(); ++i)
        if (points[i].percent != points[i - 1].percent)
            gaps.push_back(points[i].day - points[i - 1].day);
    if (gaps.size() < kMinDropsForSteps)
        return 0;
    const double usual = median(gaps);
    const double longest = std::max(kIdleMinDays, kIdleGapFactor * usual);
    double removed = 0;
    double before = points.front().day;
    for (Point& p : points) {
        const double gap = p.day - before;
        before = p.day;
        if (gap > longest)
            removed += gap - usual;
        p.day -= removed;
    }
    return removed;
}

// How much a day of use varies against the mean day: the spread of the drops
// from one day of use to the next over the mean drop; none without enough days.
constexpr double kRangeZ = 1.645;  // a 90 % range
constexpr size_t kMinDays = 3;
// A slow printer's days are mostly a step or nothing; the range keeps an upper end.
constexpr double kMaxDailySpread = 0.75;

std::optional<double> dailyVariation(const std::vector<Point>& daily) {
    std::vector<double> drops;
    for (size_t i = 1; i < daily.size(); ++i)
        if (daily[i].day - daily[i - 1].day > 0.5)
            drops.push_back((daily[i - 1].percent - daily[i].percent) / (daily[i].day - daily[i - 1].day));
    if (drops.size() < kMinDays)
        return std::nullopt;
    double mean = 0;
    for (double d : drops)
        mean += d;
    mean /= static_cast<double>(drops.size());
    if (mean <= 0)
        return std::nullopt;
    double squares = 0;
    for (double d : drops)
        squares += (d - mean) * (d - mean);
    return std::sqrt(squares / static_cast<double>(drops.size() - 1)) / mean;
}

// The same from rows read a day of use or more apart, over stretches of at
// least a day that end at a row: a grid of days would split one read's drop
// over two days and take the reading's rhythm for the use's. Scaled to a day.
std::optional<double> rowVariation(const std::vector<Point>& points) {
    std::vector<double> rates;
    double lengths = 0;
    size_t from = 0;
    for (size_t i = 1; i < points.size(); ++i) {
        const double length = points[i].day - points[from].day;
        if (length < 1 || points[i].percent == points[i - 1].percent)
            continue;
        rates.push_back((points[from].percent - points[i].percent) / length);
        lengths += length;
        from = i;
    }
    if (rates.size() < kMinDays)
        return std::nullopt;
    double mean = 0;
    for (double r : rates)
        mean += r;
    mean /= static_cast<double>(rates.size());
    if (mean <= 0)
        return std::nullopt;
    double squares = 0;
    for (double r : rates)
        squares += (r - mean) * (r - mean);
    const double meanLength = lengths / static_cast<double>(rates.size());
    return std::sqrt(squares / static_cast<double>(rates.size() - 1) * meanLength) / mean;
}

void note(Forecast& f, ForecastNote n) {
    if (!f.has(n))
        f.notes.push_back(n);
}

}  // namespace

const char* forecastNoteText(ForecastNote note) {
    for (const auto& [code, text] : kNoteTexts)
        if (code == note)
            return text;
    return "";
}

std::optional<double> levelPercent(const SupplyValue& v) {
    if (v.state != LevelState::Measured || !v.level)
        return std::nullopt;
    if (v.maximum && *v.maximum > 0)
        return 100.0 * *v.level / *v.maximum;
    if (v.unit == kUnitPercent)
        return static_cast<double>(*v.level);
    return std::nullopt;
}

bool Forecast::has(ForecastNote note) const { return std::find(notes.begin(), notes.end(), note) != notes.end(); }

std::string forecastNoteText(const Forecast& forecast, ForecastNote note) {
    if (note == ForecastNote::NoUse && forecast.unusedDays > 0)
        return "no use in " + std::to_string(forecast.unusedDays) + (forecast.unusedDays == 1 ? " day" : " days");
    return forecastNoteText(note);
}

std::string forecastReasons(const Forecast& forecast) {
    std::string out;
    for (ForecastNote note : forecast.notes)
        out += (out.empty() ? "" : "; ") + forecastNoteText(forecast, note);
    return out;
}

std::optional<double> rankDays(const Forecast& forecast) {
    if (forecast.days)
        return forecast.days->value;
    if (forecast.nearlyEmpty())
        return kNearlyEmptyRank;
    return std::nullopt;
}

int64_t wholeDays(double days) { return std::max<int64_t>(0, std::llround(days)); }

std::vector<Cartridge> splitCartridges(std::span<const SupplyValue> values, std::optional<int64_t> pagesNow) {
    std::vector<Cartridge> out;
    if (values.empty())
        return out;
    const double scale = scaleOf(values);
    out.push_back({0, 0, values[0].time, CartridgeStart::FirstSeen, std::nullopt, false});
    std::optional<double> lastPercent;
    for (size_t i = 0; i < values.size(); ++i) {
        const SupplyValue& v = values[i];
        std::optional<double> percent;
        if (v.level)
            percent = percentOf(v, scale);
        if (i > 0) {
            const SupplyValue& before = values[i - 1];
            std::optional<CartridgeStart> why;
            if (!v.serial.empty() && !before.serial.empty() && v.serial != before.serial)
                why = CartridgeStart::SerialChanged;
            else if (!v.description.empty() && !before.description.empty() && v.description != before.description)
                why = CartridgeStart::DescriptionChanged;
            else if (percent && lastPercent && *percent - *lastPercent >= kCartridgeRisePercent)
                why = CartridgeStart::LevelRose;
            if (why) {
                out.back().last = i - 1;
                out.push_back({i, i, v.time, *why, std::nullopt, false});
            }
        }
        if (percent)
            lastPercent = percent;
        out.back().last = i;
    }
    // Pages on a cartridge: from its first counter to the next cartridge's first (or now).
    for (size_t c = 0; c < out.size(); ++c) {
        std::vector<int64_t> counters;
        for (size_t i = out[c].first; i <= out[c].last; ++i)
            if (values[i].pages)
                counters.push_back(*values[i].pages);
        std::optional<int64_t> end = c + 1 < out.size() ? values[out[c + 1].first].pages : pagesNow;
        if (end)
            counters.push_back(*end);
        if (counters.empty())
            continue;
        out[c].counterWentBack = !std::is_sorted(counters.begin(), counters.end());
        if (!out[c].counterWentBack)
            out[c].pages = counters.back() - counters.front();
    }
    return out;
}

namespace {

Forecast forecastCartridge(std::span<const SupplyValue> values, int64_t now, std::optional<int64_t> pagesNow) {
    Forecast f;
    if (values.empty()) {
        note(f, ForecastNote::NeedsDays);
        return f;
    }
    const Cartridge current = splitCartridges(values, pagesNow).back();
    std::span<const SupplyValue> cart = values.subspan(current.first, current.last - current.first + 1);
    const SupplyValue& latest = cart.back();
    if (latest.state != LevelState::Measured) {
        note(f, ForecastNote::NotMeasured);
        return f;
    }
    if (latest.maximum && *latest.maximum > 0 && *latest.level > *latest.maximum) {
        note(f, ForecastNote::AboveMaximum);
        return f;
    }
    // A count of grams or tenths of millilitres with no maximum says nothing of how much is left.
    if (!(latest.maximum && *latest.maximum > 0) && latest.unit != kUnitPercent && !isPageUnit(latest.unit)) {
        note(f, ForecastNote::NoMaximum);
        return f;
    }
    const double scale = scaleOf(cart);
    const UseProfile profile(values.first(current.last + 1));
    const double startDays = profile.useDays(cart.front().time);

    // The measured points of this cartridge, and what they say about steps and the clock.
    std::vector<Point> points;
    std::vector<std::optional<int64_t>> pointPages;  // the counter at each point
    std::vector<std::pair<double, int64_t>> counted;  // percent, pages
    bool clockJumped = latest.time > now + 86400;
    double step = 100;
    int drops = 0;
    int64_t lastChange = cart.front().time;
    for (size_t i = 0; i < cart.size(); ++i) {
        const SupplyValue& v = cart[i];
        if (i > 0 && v.time < cart[i - 1].time)
            clockJumped = true;
        if (!v.level)
            continue;
        double percent = percentOf(v, scale);
        if (!points.empty() && percent != points.back().percent) {
            step = std::min(step, std::abs(percent - points.back().percent));
            lastChange = v.time;
            ++drops;
        }
        points.push_back({profile.useDays(v.time) - startDays, percent});
        pointPages.push_back(v.pages);
        if (v.pages)
            counted.emplace_back(percent, *v.pages);
    }
    const double level = points.back().percent;
    // A level counted in units of a larger maximum is known to a unit, a percentage to a point.
    const double resolution = latest.maximum && *latest.maximum > 100 ? 100.0 / *latest.maximum : 1.0;
    // How far the level usually moves from one row to the next. Rows further
    // apart than the device's steps (a printer read twice a day, or asleep
    // in the evening) are reads, not steps crossed: no row since the last
    // one then says only that less than this went since, not that nothing did.
    std::vector<double> moves;
    std::vector<double> gaps;  // days of use between those rows
    for (size_t i = 1; i < points.size(); ++i)
        if (points[i].percent < points[i - 1].percent) {
            moves.push_back(points[i - 1].percent - points[i].percent);
            gaps.push_back(points[i].day - points[i - 1].day);
        }
    const double rowStep = moves.empty() ? 0.0 : median(moves);
    const double rowGap = gaps.empty() ? 0.0 : median(gaps);
    // Closed days come again in the weeks ahead: the range still sees them.
    const std::vector<Point> withIdle = points;
    const double idle = closeIdleStretches(points);
    // Two or three changes may all be large by chance; steps are judged from
    // more. A device that reports in steps reports levels on them: levels off
    // them moved by more than one step between reads.
    const bool coarse = drops >= kMinDropsForSteps && step >= kCoarseStepPercent &&
                        std::all_of(points.begin(), points.end(), [&](const Point& p) {
                            return std::abs(p.percent / step - std::round(p.percent / step)) <= kOnStep;
                        });
    if (coarse)
        note(f, ForecastNote::CoarseSteps);
    else
        step = std::min(step, resolution);
    const bool sparseRows = rowStep >= kSparseRowSteps * step;
    // Devices round down, to the nearest or up: the level is within a step
    // either side of what it says, and half a step above it on the middle course.
    const double levelLow = std::max(0.0, level - step);
    const double levelHigh = level + step;
    const double levelMiddle = level + step / 2;

    // Pages: read directly for page units, else pages per point from the counter.
    if (isPageUnit(latest.unit)) {
        const double left = *latest.level;
        f.pages = Estimate{left, left * (1 - kPageCountSpread), left * (1 + kPageCountSpread)};
    } else if (level <= 0) {
        f.pages = Estimate{0, 0, 0.0};
    } else if (counted.empty()) {
        note(f, ForecastNote::NoCounter);
    } else {
        // With reads apart, pages printed since the last row went from a
        // level no row shows: they are taken from the pages left, not
        // counted at the last level (a counter that went back still counts).
        double printedSince = 0;
        if (pagesNow && sparseRows && *pagesNow >= counted.back().second)
            printedSince = static_cast<double>(*pagesNow - counted.back().second);
        else if (pagesNow)
            counted.emplace_back(level, *pagesNow);
        // Only the stretch after the last backwards step counts.
        size_t from = 0;
        for (size_t i = 1; i < counted.size(); ++i)
            if (counted[i].second < counted[i - 1].second)
                from = i;
        const double used = counted[from].first - counted.back().first;
        const double printed = static_cast<double>(counted.back().second - counted[from].second);
        const double enough = std::max(2 * step, 2.0);
        if (from > 0 && used < enough)
            note(f, ForecastNote::CounterWentBack);
        else if (used >= enough && printed > 0) {
            double perPoint = printed / used;
            // Without a newer counter, the use since the last read is unseen: the low end allows for a row's worth.
            const double lowest = sparseRows && printedSince == 0 ? std::max(0.0, std::min(levelLow, level - rowStep))
                                                                   : levelLow;
            f.pages = Estimate{std::max(0.0, levelMiddle * perPoint - printedSince),
                               std::max(0.0, lowest * printed / (used + step) - printedSince),
                               std::max(0.0, levelHigh * printed / std::max(used - step, step) - printedSince)};
        } else {
            note(f, ForecastNote::NeedsDays);  // too little used yet to tell pages per point
        }
    }

    // Days: a robust fit of the level over time.
    // A coarse "0" may still hold most of a step.
    if (level <= 0 && !coarse) {
        f.days = Estimate{0, 0, 0.0};
        return f;
    }
    if (clockJumped) {
        note(f, ForecastNote::ClockJumped);
        return f;
    }
    // A level that stood still for a month, or never moved in days, is a flat line, not a wait for readings.
    if (now - lastChange >= kNoUseSeconds ||
        (lastChange == cart.front().time && now - lastChange >= kMinForecastSpanSeconds)) {
        note(f, ForecastNote::NoUse);
        f.unusedDays = static_cast<int32_t>(std::min<int64_t>((now - lastChange) / 86400, 99999));
        return f;
    }
    if (latest.time - cart.front().time < kMinForecastSpanSeconds || lastChange == cart.front().time) {
        note(f, ForecastNote::NeedsDays);
        return f;
    }
    // The level at each turn of a day of use: rows come only when it changes, and
    // mostly in working hours, so the rows themselves over-weight busy hours.
    // The last level stands until now: no row means no change.
    const double nowDay = profile.useDays(now) - startDays - idle;
    std::vector<Point> daily;
    size_t at = 0;
    for (double day = std::ceil(points.front().day); day < std::max(nowDay, points.back().day); day += 1) {
        while (at + 1 < points.size() && points[at + 1].day <= day)
            ++at;
        daily.push_back({day, points[at].percent});
    }
    if (daily.empty() || daily.back().day < points.back().day)
        daily.push_back(points.back());
    if (daily.front().day > points.front().day)
        daily.insert(daily.begin(), points.front());
    std::optional<Fit> fit = theilSen(daily);
    // A level that steps rarely leaves most day pairs level; the rows themselves still slope.
    if (!fit || fit->slope >= 0)
        fit = theilSen(points);
    if (!fit || fit->slope >= 0) {
        note(f, ForecastNote::NeedsDays);
        return f;
    }
    // The fit runs through reported levels; the true one sits a little above.
    double estimate = std::clamp(fit->intercept + fit->slope * nowDay + step * kStepOffset, levelLow, levelHigh);
    double rate = -fit->slope;
    // The point estimate is the mean rate between the first and the last step
    // down: each is a moment the true level crossed a step, so steps, plateaus
    // and busy hours cancel out. A level that has stood still since bounds it too.
    if (points.size() >= 3 && points.back().day - points[1].day >= kMinWindowDays &&
        points[1].percent > points.back().percent) {
        const double drop = points[1].percent - points.back().percent;
        rate = drop / (points.back().day - points[1].day);
        const double sinceLast = nowDay - points.back().day;
        if (sinceLast > 0)
            rate = std::min(rate, (drop + std::max(step, rowStep)) / (nowDay - points[1].day));
        double used = rate * sinceLast;
        // Pages printed since the last step tell how far into the step the level is, better than the clock.
        const auto& first = pointPages[1];
        const auto& last = pointPages.back();
        // With reads apart, the counter may be as old as the last row: the clock still counts.
        if (pagesNow && first && last && *last > *first && *pagesNow >= *last) {
            const double printed = static_cast<double>(*pagesNow - *last) * drop / static_cast<double>(*last - *first);
            used = sparseRows ? std::max(used, printed) : printed;
        }
        const double mostUsed = sparseRows ? rowStep : step / 2;
        estimate = std::clamp(level + step * kCrossingOffset - used, std::max(0.0, level - mostUsed), level + step);
    }
    // Use comes in weekly waves, so the readings are not independent and
    // Sen's interval alone is too narrow: the rate is never surer than this.
    double fastest = std::max(rate * (1 + kMinRateSpread), -fit->lower);
    double slowest = std::min(rate * (1 - kMinRateSpread), -fit->upper);
    // A day's use varies around the rate: over the days ahead the sum varies
    // less, and the rate itself is known only from the days behind.
    // Coarse steps make most days 0 or a whole step: that spread is the
    // device's, not the use's, and the fit's intervals already widen for it.
    std::optional<double> cv;
    if (!coarse)
        cv = sparseRows && rowGap >= kDailyRowGap ? rowVariation(points) : dailyVariation(daily);
    if (cv) {
        const double ahead = std::max(estimate / rate, 1.0);
        const double behind = std::max(daily.back().day - daily.front().day, 1.0);
        const double spread = std::min(kRangeZ * *cv * std::sqrt(1 / ahead + 1 / behind), kMaxDailySpread);
        fastest = std::max(fastest, rate * (1 + spread));
        slowest = std::min(slowest, rate * (1 - spread));
    }
    if (auto spread = windowRates(withIdle, estimate / rate)) {
        fastest = std::max(fastest, spread->fast);
        slowest = std::min(slowest, spread->slow);
    }
    // Days of use and calendar days differ by less than a week's shape, so a
    // bound on days of use keeps daysUntil's search within its range.
    if (!(estimate / rate <= kMaxForecastDays + kWeekDays)) {
        note(f, ForecastNote::BeyondYear);
        return f;
    }
    Estimate days{profile.daysUntil(now, estimate / rate), profile.daysUntil(now, levelLow / fastest), std::nullopt};
    if (days.value > kMaxForecastDays) {
        note(f, ForecastNote::BeyondYear);
        return f;
    }
    if (slowest > 0 && levelHigh / slowest <= kMaxForecastDays + kWeekDays)
        days.high = std::max(profile.daysUntil(now, levelHigh / slowest), days.value);
    if (days.high && *days.high > kMaxForecastDays)
        days.high.reset();
    days.low = std::min(days.low, days.value);
    f.days = days;
    return f;
}

}  // namespace

Forecast forecastSupply(std::span<const SupplyValue> values, int64_t now, std::optional<int64_t> pagesNow) {
    Forecast f = forecastCartridge(values, now, pagesNow);
    if (f.days || values.empty())
        return f;
    // A nearly empty supply says so even before its rate is known.
    const std::optional<double> percent = levelPercent(values.back());
    if (percent && *percent < kNearlyEmptyPercent)
        note(f, ForecastNote::NearlyEmpty);
    return f;
}

}  // namespace netrov::store
