// Replayed supply histories with known truth for the forecast benchmark: office use, holidays, steps, changes, sleep.
#pragma once

#include <cstdint>
#include <optional>
#include <random>
#include <vector>

#include "store_types.h"

namespace netrov::bench {

// One printer's black supply as the store would hold it, with the truth beside it.
struct Replay {
    std::vector<store::SupplyValue> values;  // one row per change, as the store writes them
    // When each cartridge that ran dry reached 0 (true level), with the index of its first value.
    struct Empty {
        int64_t time;
        size_t firstValue;
    };
    std::vector<Empty> empties;
    std::vector<int64_t> pages;  // the page counter at every round, for the counter a device row holds
    int64_t start = 0;
    int32_t intervalSeconds = 900;
    int64_t pagesAt(int64_t time) const { return pages[static_cast<size_t>((time - start) / intervalSeconds)]; }
    int32_t step = 1;
    bool sleeps = false;
    int earlyChanges = 0;
};

struct ReplayConfig {
    int64_t start = 1767571200;  // Monday 5 January 2026, 00:00 UTC
    int32_t days = 365;
    int32_t intervalSeconds = 900;
};

// A printer drawn from random: its use, yield, reporting step, habits and holidays.
Replay replayPrinter(std::mt19937_64& random, const ReplayConfig& config = {});

}  // namespace netrov::bench
