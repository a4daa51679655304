// Fills a store with a simulated fleet read every interval and prints its size and read times against the targets.
//
// forecast_store_bench PATH [PRINTERS] [DAYS] [INTERVAL_SECONDS]
// A year of 1,000 printers takes about two hours on two cores; 100 printers
// give the same history per device and a tenth of the size.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "fleet_store.h"
#include "forecast.h"

using namespace netrov::store;

namespace {

constexpr int64_t kStart = 1767571200;  // a Monday, 00:00 UTC
constexpr int kSizeTargetMiB = 200;
constexpr int kReadTargetMs = 50;
constexpr const char* kColours[] = {"black", "cyan", "magenta", "yellow"};

struct Printer {
    DeviceIdentity identity;
    double pagesPerWorkday;
    bool sleeps;
    double pages;
    double level[4];
    double pagesPerPercent[4];
    int cartridge[4];
};

bool workingHour(int64_t t) {
    int64_t day = (t - kStart) / 86400;
    int64_t hour = ((t - kStart) % 86400) / 3600;
    return day % 7 < 5 && hour >= 8 && hour < 18;
}

double seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: forecast_store_bench PATH [PRINTERS] [DAYS] [INTERVAL_SECONDS]\n");
        return 2;
    }
    const std::string path = argv[1];
    const int printers = argc > 2 ? std::atoi(argv[2]) : 1000;
    const int days = argc > 3 ? std::atoi(argv[3]) : 365;
    const int interval = argc > 4 ? std::atoi(argv[4]) : 900;

    std::mt19937 random(28);
    std::uniform_real_distribution<double> uniform(0, 1);
    std::vector<Printer> fleet(static_cast<size_t>(printers));
    for (int i = 0; i < printers; ++i) {
        Printer& p = fleet[static_cast<size_t>(i)];
        char mac[32];
        std::snprintf(mac, sizeof mac, "00:1b:%02x:%02x:%02x:01", (i >> 16) & 0xff, (i >> 8) & 0xff, i & 0xff);
        p.identity = {"10." + std::to_string(i / 65536) + "." + std::to_string(i / 256 % 256) + "." +
                          std::to_string(i % 256),
                      mac, "SN" + std::to_string(100000 + i), "Model " + std::to_string(i % 12)};
        p.pagesPerWorkday = 20 + 480 * uniform(random);
        p.sleeps = i % 2 == 0;
        p.pages = 10000 * uniform(random);
        for (int s = 0; s < 4; ++s) {
            p.level[s] = 100 * uniform(random);
            p.pagesPerPercent[s] = s == 0 ? 60 : 40;
            p.cartridge[s] = 0;
        }
    }

    FleetStore store;
    if (StoreStatus status = store.open(path); !status.ok()) {
        std::fprintf(stderr, "%s\n", status.message.c_str());
        return 1;
    }
    const double roundsPerWorkday = 10.0 * 3600 / interval;
    std::vector<DeviceReading> round(fleet.size());
    double slowest = 0;
    auto begin = std::chrono::steady_clock::now();
    const int64_t rounds = int64_t{days} * 86400 / interval;
    for (int64_t r = 0; r < rounds; ++r) {
        const int64_t t = kStart + r * interval;
        const bool working = workingHour(t);
        for (size_t i = 0; i < fleet.size(); ++i) {
            Printer& p = fleet[i];
            DeviceReading& d = round[i];
            d.identity = p.identity;
            // One printer in a hundred is off on any given day.
            d.answered = (std::hash<int64_t>{}(t / 86400 * 7919 + static_cast<int64_t>(i)) % 100) != 0;
            d.supplies.clear();
            if (!d.answered)
                continue;
            if (working) {
                double printed = p.pagesPerWorkday / roundsPerWorkday;
                p.pages += printed;
                for (int s = 0; s < 4; ++s) {
                    p.level[s] -= printed / p.pagesPerPercent[s] * (s == 0 ? 1 : 0.3);
                    if (p.level[s] < 2 * uniform(random)) {
                        p.level[s] = 100;
                        ++p.cartridge[s];
                    }
                }
            }
            d.pageCount = static_cast<int64_t>(p.pages);
            for (int s = 0; s < 4; ++s) {
                SupplyReading supply;
                supply.index = s + 1;
                supply.kind = 3;
                supply.colour = kColours[s];
                supply.description = std::string(kColours[s]) + " toner cartridge";
                supply.serial = "C" + std::to_string(i) + "-" + std::to_string(s) + "-" + std::to_string(p.cartridge[s]);
                supply.level = p.sleeps && !working ? -2 : static_cast<int32_t>(p.level[s]);
                supply.maximum = 100;
                supply.unit = kUnitPercent;
                d.supplies.push_back(supply);
            }
        }
        auto start = std::chrono::steady_clock::now();
        if (StoreStatus status = store.writeRound(t, round); !status.ok()) {
            std::fprintf(stderr, "%s\n", status.message.c_str());
            return 1;
        }
        slowest = std::max(slowest, seconds(std::chrono::steady_clock::now() - start));
    }
    const double total = seconds(std::chrono::steady_clock::now() - begin);

    StoreStats stats;
    (void)store.stats(stats);
    store.close();
    FleetStore reader;
    StoreOptions readOnly;
    readOnly.mode = OpenMode::Reader;
    if (!reader.open(path, readOnly).ok())
        return 1;
    auto readStart = std::chrono::steady_clock::now();
    DeviceRecord device;
    std::vector<SupplyRecord> supplies;
    size_t rows = 0;
    if (!reader.findDevice(fleet[fleet.size() / 2].identity.serial, device).ok() ||
        !reader.supplies(device.id, supplies).ok())
        return 1;
    for (const SupplyRecord& s : supplies) {
        std::vector<SupplyValue> values;
        if (!reader.supplyHistory(s.id, values).ok())
            return 1;
        rows += values.size();
        (void)forecastSupply(values, kStart + rounds * interval, device.pageCount);
    }
    const double readTime = seconds(std::chrono::steady_clock::now() - readStart);

    std::printf("printers %d, days %d, interval %d s, rounds %lld\n", printers, days, interval,
                static_cast<long long>(rounds));
    std::printf("rows: devices %lld, supplies %lld, supply values %lld, counters %lld, status %lld, events %lld\n",
                static_cast<long long>(stats.devices), static_cast<long long>(stats.supplies),
                static_cast<long long>(stats.supplyValues), static_cast<long long>(stats.counterValues),
                static_cast<long long>(stats.statusValues), static_cast<long long>(stats.events));
    // Closed, the log is folded into the file: that file is the store's size.
    std::printf("store %.1f MiB closed (while open: file %.1f MiB, log %.1f MiB)\n",
                static_cast<double>(std::filesystem::file_size(path)) / (1024.0 * 1024.0),
                static_cast<double>(stats.fileBytes) / (1024.0 * 1024.0),
                static_cast<double>(stats.walBytes) / (1024.0 * 1024.0));
    std::printf("round: mean %.1f ms, slowest %.1f ms; total %.0f s\n", 1000 * total / static_cast<double>(rounds),
                1000 * slowest, total);
    std::printf("one device's history (%zu rows) read and forecast in %.2f ms\n", rows, 1000 * readTime);
    // The targets are for a year of 1,000 printers; the size grows with printers and days.
    const double scaledMiB = static_cast<double>(std::filesystem::file_size(path)) / (1024.0 * 1024.0) * 1000.0 /
                             printers * 365.0 / days;
    std::printf("targets: a year of 1,000 printers %.0f MiB (< %d MiB) %s; one history %.2f ms (< %d ms) %s\n",
                scaledMiB, kSizeTargetMiB, scaledMiB < kSizeTargetMiB ? "met" : "MISSED", 1000 * readTime,
                kReadTargetMs, 1000 * readTime < kReadTargetMs ? "met" : "MISSED");
    return 0;
}
