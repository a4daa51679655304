// Sweep benchmark: a /16 of loopback addresses (127.43.0.0/16) with 20
// simulated printers, time-out 1 s, 50,000 requests per second; netrov-cli
// against braa over the same block, with peak resident memory.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "run_child.h"
#include "snmpsim_runner.h"
#include "temp_dir.h"

namespace {

using namespace netrov;

constexpr const char* kCommunity = "tarpon";
constexpr int kAnswering = 20;

// Spread over the block: 127.43.0.7, 127.43.13.7, ... 127.43.247.7.
std::vector<std::string> answeringAddresses()
{
    std::vector<std::string> out;
    for (int i = 0; i < kAnswering; ++i) out.push_back("127.43." + std::to_string(13 * i) + ".7");
    return out;
}

struct Figures {
    double seconds = 0;
    long maxRssKiB = 0;
    bool ran = false;
};

Figures measure(const std::vector<std::string>& argv, int runs)
{
    Figures f;
    for (int i = 0; i < runs; ++i) {
        double seconds = 0;
        long rss = 0;
        if (!bench::runChild(argv, seconds, rss)) return f;
        f.seconds += seconds / runs;
        f.maxRssKiB = std::max(f.maxRssKiB, rss);
        f.ran = true;
    }
    return f;
}

}  // namespace

int main()
{
    test::TempDir dir;
    const std::string walk = dir.file(std::string(kCommunity) + ".snmprec");
    test::writeFile(walk, test::readFile(std::string(NETROV_SOURCE_DIR) + "/tests/devices/mono_laser.snmprec"));
    test::SnmpSimRunner agents({walk}, answeringAddresses());
    if (!agents.ready()) {
        std::printf("skipped: %s\n", agents.whyNot().c_str());
        return 0;
    }
    const std::string cli = std::string(NETROV_OUTPUT_DIR) + "/netrov-cli";
    const std::vector<std::string> sweep = {cli, "search", "--no-broadcast", "--no-progress", "--timeout", "1",
                                            "--rate", "50000", "--community", kCommunity, "--range", "127.43.0.0/16"};
    // The found count, once, outside the timing.
    const std::string listing = dir.file("found.json");
    std::string command;
    for (const auto& a : sweep) command += "'" + a + "' ";
    const int status = std::system((command + "--json > '" + listing + "'").c_str());
    const std::string found = test::readFile(listing);
    const size_t count = found.find("\"count\": " + std::to_string(kAnswering)) != std::string::npos ? kAnswering : 0;
    std::printf("netrov-cli found %zu of %d printers (exit %d)\n", count, kAnswering, status);

    const Figures ours = measure(sweep, 3);
    const Figures braa = measure({"braa", "-t", "1", std::string(kCommunity) + "@127.43.0.1-127.43.255.254:.1.3.6.1.2.1.1.5.0"}, 1);
    std::printf("\nSweep of 127.43.0.0/16 (65,534 addresses, %d answering, time-out 1 s, 50,000 requests/s):\n", kAnswering);
    std::printf("  netrov-cli search   %.3f s, peak resident %.1f MiB (targets: 3 s, 64 MiB)\n", ours.seconds,
                static_cast<double>(ours.maxRssKiB) / 1024.0);
    if (braa.ran) {
        std::printf("  braa -t 1           %.3f s, peak resident %.1f MiB\n", braa.seconds,
                    static_cast<double>(braa.maxRssKiB) / 1024.0);
        std::printf("Ratio (ours / braa, below 1 is faster): %.3f\n", ours.seconds / braa.seconds);
    } else {
        std::printf("  braa is not installed: no ratio\n");
    }
    return 0;
}
