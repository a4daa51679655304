// Search benchmark: 254 loopback addresses, 20 answering simulated printers, time-out 1 s; netrov against braa and onesixtyone.
#include <benchmark/benchmark.h>


#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "run_child.h"
#include "loopback_search.h"
#include "search_run.h"
#include "snmpsim_runner.h"
#include "temp_dir.h"

namespace {

using namespace netrov;
using Clock = std::chrono::steady_clock;

constexpr const char* kCommunity = "tarpon";
constexpr const char* kFirst = "127.42.0.1";
constexpr const char* kLast = "127.42.0.254";
constexpr int kAnswering = 20;

// Answering printers spread over the range: 127.42.0.1, .13, .25, ... .229.
std::vector<std::string> answeringAddresses()
{
    std::vector<std::string> out;
    for (int i = 0; i < kAnswering; ++i) out.push_back("127.42.0." + std::to_string(1 + 12 * i));
    return out;
}

struct Lab {
    test::TempDir dir;
    std::unique_ptr<test::SnmpSimRunner> agents;
    std::string whyNot;

    Lab()
    {
        const std::string walk = dir.file(std::string(kCommunity) + ".snmprec");
        test::writeFile(walk, test::readFile(std::string(NETROV_SOURCE_DIR) + "/tests/devices/mono_laser.snmprec"));
        agents = std::make_unique<test::SnmpSimRunner>(std::vector<std::string>{walk}, answeringAddresses());
        if (!agents->ready()) whyNot = agents->whyNot();
    }
};

Lab& lab()
{
    static Lab instance;
    return instance;
}

struct Figures {
    double seconds = 0;
    int runs = 0;
    long maxRssKiB = 0;
    double mean() const { return runs ? seconds / runs : 0; }
};
Figures gEngine, gCli, gBraa, gOnesixtyone;

using bench::runChild;

void BM_NetrovEngine(benchmark::State& state)
{
    if (!lab().whyNot.empty()) {
        state.SkipWithError(lab().whyNot.c_str());
        return;
    }
    const core::SearchSettings settings = bench::loopbackSearchSettings();
    core::SearchAddressList addresses;
    addresses.append(std::string(kFirst) + "," + kLast);
    size_t found = 0;
    for (auto _ : state) {
        core::DeviceList devices;
        const auto start = Clock::now();
        core::SearchRun run(core::FrontLibrary::tuva(), devices);
        run.start(settings, addresses, "");
        run.wait();
        gEngine.seconds += std::chrono::duration<double>(Clock::now() - start).count();
        ++gEngine.runs;
        found = devices.count();
        if (found != kAnswering) {
            state.SkipWithError(("found " + std::to_string(found) + " devices instead of 20").c_str());
            break;
        }
    }
    state.counters["devices"] = static_cast<double>(found);
}

void BM_NetrovCli(benchmark::State& state)
{
    if (!lab().whyNot.empty()) {
        state.SkipWithError(lab().whyNot.c_str());
        return;
    }
    const std::string cli = std::string(NETROV_OUTPUT_DIR) + "/netrov-cli";
    for (auto _ : state) {
        double seconds = 0;
        long rss = 0;
        if (!runChild({cli, "search", "--no-broadcast", "--no-progress", "--timeout", "1", "--community", kCommunity,
                       "--range", std::string(kFirst) + "-" + kLast},
                      seconds, rss)) {
            state.SkipWithError("netrov-cli did not run");
            break;
        }
        gCli.seconds += seconds;
        ++gCli.runs;
        gCli.maxRssKiB = std::max(gCli.maxRssKiB, rss);
    }
    state.counters["maxRSS_MiB"] = static_cast<double>(gCli.maxRssKiB) / 1024.0;
}

void BM_Braa(benchmark::State& state)
{
    for (auto _ : state) {
        double seconds = 0;
        long rss = 0;
        if (!runChild({"braa", "-t", "1", std::string(kCommunity) + "@" + kFirst + "-" + kLast + ":.1.3.6.1.2.1.1.5.0"},
                      seconds, rss)) {
            state.SkipWithError("braa is not installed");
            break;
        }
        gBraa.seconds += seconds;
        ++gBraa.runs;
    }
}

void BM_Onesixtyone(benchmark::State& state)
{
    static test::TempDir files;
    const std::string hosts = files.file("hosts");
    const std::string communities = files.file("communities");
    std::string list;
    for (int i = 1; i <= 254; ++i) list += "127.42.0." + std::to_string(i) + "\n";
    test::writeFile(hosts, list);
    test::writeFile(communities, std::string(kCommunity) + "\n");
    for (auto _ : state) {
        double seconds = 0;
        long rss = 0;
        if (!runChild({"onesixtyone", "-c", communities, "-i", hosts}, seconds, rss)) {
            state.SkipWithError("onesixtyone is not installed");
            break;
        }
        gOnesixtyone.seconds += seconds;
        ++gOnesixtyone.runs;
    }
}

BENCHMARK(BM_NetrovEngine)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_NetrovCli)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Braa)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Onesixtyone)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();

void ratio(const char* ours, const Figures& a, const char* peer, const Figures& b)
{
    if (a.runs && b.runs)
        std::printf("  %-22s %.3f s / %-12s %.3f s = %.2f\n", ours, a.mean(), peer, b.mean(), a.mean() / b.mean());
}

}  // namespace

int main(int argc, char** argv)
{
    if (!netrov::bench::runBenchmarks(argc, argv)) return 1;

    std::printf("\nSearch of %s-%s (%d answering, time-out 1 s), mean wall time:\n", kFirst, kLast, kAnswering);
    std::printf("  netrov engine run       %.3f s (target: within 1.2 s)\n", gEngine.mean());
    std::printf("  netrov-cli search       %.3f s, peak resident %.1f MiB (target: below 64 MiB)\n", gCli.mean(),
                static_cast<double>(gCli.maxRssKiB) / 1024.0);
    std::printf("Ratios (ours / theirs, below 1 is faster):\n");
    ratio("netrov engine", gEngine, "braa -t 1", gBraa);
    ratio("netrov engine", gEngine, "onesixtyone", gOnesixtyone);
    ratio("netrov-cli", gCli, "braa -t 1", gBraa);
    ratio("netrov-cli", gCli, "onesixtyone", gOnesixtyone);
    return 0;
}
