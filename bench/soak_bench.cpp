// Soak benchmark: 1,000 rounds of search and status through one tuva against a hostile agent; memory and descriptors must stay flat.
#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "fake_agent.h"
#include "loopback_search.h"
#include "search_run.h"
#include "snmpsim_runner.h"
#include "temp_dir.h"

namespace {

using namespace netrov;
using namespace std::chrono_literals;

constexpr const char* kCommunity = "tarpon";
constexpr const char* kBackend = "127.43.0.1";  // snmpsimd with a real printer walk
constexpr const char* kHostile = "127.43.0.2";  // what the client talks to
constexpr const char* kEcho = "127.43.0.3";     // a second host that repeats every answer
constexpr int kRounds = 1000;

struct Resources {
    long residentKiB = 0;
    size_t descriptors = 0;
};

Resources resources()
{
    Resources r;
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    if (statm >> pages >> resident) r.residentKiB = resident * (sysconf(_SC_PAGESIZE) / 1024);
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (const dirent* entry = readdir(dir))
            if (entry->d_name[0] != '.') ++r.descriptors;
        closedir(dir);
        --r.descriptors;  // the listing's own
    }
    return r;
}

// The backend's answer to one request, or nothing within a second.
std::vector<uint8_t> askBackend(const std::vector<uint8_t>& request)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return {};
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(161);
    to.sin_addr.s_addr = ::inet_addr(kBackend);
    std::vector<uint8_t> reply(1536);
    ssize_t n = -1;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0 &&
        ::send(fd, request.data(), request.size(), 0) == static_cast<ssize_t>(request.size())) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 1000) == 1) n = ::recv(fd, reply.data(), reply.size(), 0);
    }
    ::close(fd);
    reply.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return reply;
}

// Every answer comes with garbage, a stale copy, a forged copy from another
// host, and a burst of repeats.
struct Lab {
    test::TempDir dir;
    std::unique_ptr<test::SnmpSimRunner> backend;
    std::unique_ptr<test::FakeAgent> hostile;
    std::unique_ptr<test::FakeAgent> echo;
    std::string whyNot;

    Lab()
    {
        const std::string walk = dir.file(std::string(kCommunity) + ".snmprec");
        test::writeFile(walk, test::readFile(std::string(NETROV_SOURCE_DIR) + "/tests/devices/mono_laser.snmprec"));
        backend = std::make_unique<test::SnmpSimRunner>(std::vector<std::string>{walk}, std::vector<std::string>{kBackend});
        if (!backend->ready()) {
            whyNot = backend->whyNot();
            return;
        }
        hostile = std::make_unique<test::FakeAgent>(kHostile);
        echo = std::make_unique<test::FakeAgent>(kEcho);
        if (!hostile->ok() || !echo->ok()) {
            whyNot = hostile->ok() ? echo->error() : hostile->error();
            return;
        }
        hostile->setHandler([this](const test::AgentRequest& r) -> std::vector<test::AgentReply> {
            const std::vector<uint8_t> real = askBackend(r.bytes);
            if (real.empty()) return {};
            echo->sendTo(r.source, r.sourcePort, real);
            std::vector<test::AgentReply> out{
                {{0x30, 0x82, 0xFF, 0xFF, 0x02}, 0ms},
                {test::FakeAgent::encodeResponse(r.requestId + 1, r.community, 0, 0, {}), 0ms},
                {real, 0ms}};
            for (int i = 0; i < 20; ++i) out.push_back({real, 0ms});
            return out;
        });
    }
};

Lab& lab()
{
    static Lab instance;
    return instance;
}

Resources gStart, gAfterFirst, gEnd;
size_t gFoundEveryRound = 0;

void BM_HostileSoak(benchmark::State& state)
{
    if (!lab().whyNot.empty()) {
        state.SkipWithError(lab().whyNot.c_str());
        return;
    }
    core::SearchSettings settings = bench::loopbackSearchSettings();
    core::setCommunity(settings, kCommunity);
    core::SearchAddressList addresses;
    addresses.append(kHostile);
    core::FrontLibrary& library = core::FrontLibrary::tuva();

    gStart = resources();
    int round = 0;
    for (auto _ : state) {
        core::DeviceList devices;
        {
            core::SearchRun run(library, devices);
            run.setFoundDeviceTimeOut(1);
            run.start(settings, addresses, "");
            run.wait();
        }
        if (devices.count() >= 1) ++gFoundEveryRound;
        for (size_t i = 0; i < devices.count(); ++i) {
            core::DeviceListEntry entry = devices.copy(i);
            DeviceStatus status[core::kStatusRecords] = {};
            int32_t n = 0;
            library.access().getDevStatus(&entry.identity, 0, 0, status, core::kStatusRecords, &n);
        }
        // The agents record what they receive; that memory is theirs, not the client's.
        lab().hostile->clearRequests();
        lab().echo->clearRequests();
        if (++round == 1) gAfterFirst = resources();
    }
    gEnd = resources();
    state.counters["residentGrowthKiB"] = static_cast<double>(gEnd.residentKiB - gAfterFirst.residentKiB);
    state.counters["descriptorGrowth"] =
        static_cast<double>(static_cast<long>(gEnd.descriptors) - static_cast<long>(gAfterFirst.descriptors));
}

BENCHMARK(BM_HostileSoak)->Iterations(kRounds)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv)
{
    if (!netrov::bench::runBenchmarks(argc, argv)) return 1;

    std::printf("\n%d rounds of search and status against an agent that repeats, forges and garbles:\n", kRounds);
    std::printf("  rounds that found the device   %zu of %d\n", gFoundEveryRound, kRounds);
    std::printf("  resident memory  start %ld KiB, after round 1 %ld KiB, end %ld KiB\n", gStart.residentKiB,
                gAfterFirst.residentKiB, gEnd.residentKiB);
    std::printf("  descriptors      start %zu, after round 1 %zu, end %zu\n", gStart.descriptors,
                gAfterFirst.descriptors, gEnd.descriptors);
    std::printf("  (target: descriptors and resident memory unchanged after round 1, within a few KiB)\n");
    return 0;
}
