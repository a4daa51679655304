// Settings and the start shared by the benchmarks that search loopback addresses.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>

#include "search_settings.h"

namespace netrov::bench {

// Broadcast off (a benchmark never leaves loopback), the address list on, and
// a short time-out.
inline core::SearchSettings loopbackSearchSettings(int32_t timeOut = 1)
{
    core::SearchSettings settings = core::defaultSearchSettings();
    settings.BroadCast = 0;
    settings.IPSearch = 1;
    settings.TimeOut = timeOut;
    return settings;
}

// Runs the registered benchmarks; false on an unknown argument. The caller
// prints its own figures afterwards.
inline bool runBenchmarks(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return false;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return true;
}

}  // namespace netrov::bench
