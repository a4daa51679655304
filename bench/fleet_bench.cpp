// Fleet benchmark: a report of 40 printers and one device window's full
// load, each printer an in-process agent serving the largest project walk
// behind a relay that delays every exchange, by SNMPv2c against SNMPv1.
#include <arpa/inet.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "delay_relay.h"
#include "device_details.h"
#include "device_list.h"
#include "fleet_report.h"
#include "front_library.h"
#include "netrov/result_codes.h"
#include "netrov/snmp_version.h"
#include "search_run.h"
#include "search_settings.h"
#include "served_walk.h"
#include "temp_dir.h"

namespace {

using namespace netrov;
using Clock = std::chrono::steady_clock;

constexpr int kPrinters = 40;
constexpr int kJobs = 8;  // netrov-cli report's default
constexpr auto kDelay = std::chrono::milliseconds(20);

double since(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// One printer: an agent of its own and the relay the readers ask.
struct Printer {
    std::unique_ptr<test::TableAgent> agent;
    std::unique_ptr<bench::DelayRelay> relay;
    std::string address;
};

std::vector<Printer> printers(const std::string& walk, int count, int firstHost)
{
    std::vector<Printer> all;
    for (int i = 0; i < count; ++i) {
        Printer p;
        p.agent = std::make_unique<test::TableAgent>();
        if (!p.agent->ok()) break;
        test::serveWalk(*p.agent, walk);
        p.address = "127.0.49." + std::to_string(firstHost + i);
        p.relay = std::make_unique<bench::DelayRelay>(p.address, 161, p.agent->agent().address(), 161);
        if (!p.relay->ok()) break;
        p.relay->setDelay(kDelay);
        all.push_back(std::move(p));
    }
    return all;
}

size_t exchanges(const std::vector<Printer>& all)
{
    size_t n = 0;
    for (const Printer& p : all) n += p.relay->exchanges();
    return n;
}

void resetExchanges(std::vector<Printer>& all)
{
    for (Printer& p : all) p.relay->resetExchanges();
}

std::vector<core::DeviceListEntry> search(std::vector<Printer>& all, int32_t version)
{
    core::SearchSettings settings = core::defaultSearchSettings();
    settings.BroadCast = 0;  // a benchmark never leaves loopback
    settings.IPSearch = 1;
    settings.TimeOut = 2;
    core::setCommunity(settings, "public");
    core::SearchAddressList addresses;
    for (const Printer& p : all) addresses.append(p.address);
    core::SearchExtent extent;
    extent.snmpVersion = version;
    core::DeviceList devices;
    core::SearchRun run(core::FrontLibrary::tuva(), devices);
    run.setExtent(extent);
    run.start(settings, addresses, "");
    run.wait();
    std::vector<core::DeviceListEntry> found;
    for (size_t i = 0; i < devices.count(); ++i) found.push_back(devices.copy(i));
    return found;
}

struct Figure {
    double seconds = 0;
    size_t exchanges = 0;
    size_t devices = 0;
    size_t problems = 0;
};

// The report as netrov-cli reads it: kJobs devices at once.
Figure report(std::vector<Printer>& all, const std::vector<core::DeviceListEntry>& devices)
{
    resetExchanges(all);
    Figure f;
    std::vector<core::DeviceReport> reports(devices.size());
    std::atomic<size_t> next{0};
    const auto work = [&] {
        for (size_t i = next++; i < reports.size(); i = next++) reports[i] = core::readDeviceReport(devices[i]);
    };
    const auto start = Clock::now();
    std::vector<std::thread> pool;
    for (int t = 1; t < kJobs; ++t) pool.emplace_back(work);
    work();
    for (std::thread& t : pool) t.join();
    f.seconds = since(start);
    f.exchanges = exchanges(all);
    f.devices = reports.size();
    for (const core::DeviceReport& r : reports) f.problems += r.problems.size() + (r.toner.empty() ? 1 : 0);
    return f;
}

Figure deviceWindow(std::vector<Printer>& one, const std::vector<core::DeviceListEntry>& devices)
{
    resetExchanges(one);
    Figure f;
    if (devices.empty()) return f;
    const std::atomic<bool> stop{false};
    const auto start = Clock::now();
    const core::DeviceDetails details = core::readDeviceDetails(core::FrontLibrary::tuva(), devices.front(), stop);
    f.seconds = since(start);
    f.exchanges = exchanges(one);
    f.devices = details.readings.size();
    for (const auto& [name, reading] : details.readings) f.problems += reading.result != NETROV_OK ? 1 : 0;
    return f;
}

void print(const char* what, const Figure& f)
{
    std::printf("%-36s %8.3f s  %5zu exchanges  %3zu read  %3zu not read\n", what, f.seconds, f.exchanges, f.devices,
                f.problems);
}

}  // namespace

int main()
{
    const std::string walk = test::readFile(std::string(NETROV_SOURCE_DIR) + "/tests/devices/mfp.snmprec");
    std::vector<Printer> fleet = printers(walk, kPrinters, 1);
    std::vector<Printer> window = printers(walk, 1, 100);
    if (fleet.size() != kPrinters || window.size() != 1) {
        std::fprintf(stderr, "fleet_bench: no agent or relay on 127.0.49.0/24\n");
        return 1;
    }
    core::FrontLibrary::tuva().ensureInitialised();
    std::printf("%d printers serving tests/devices/mfp.snmprec, %lld ms per exchange, %d devices read at once\n",
                kPrinters, static_cast<long long>(kDelay.count()), kJobs);
    Figure byVersion[2];
    Figure windows[2];
    // SNMPv2c first, so that it starts with nothing learnt.
    for (const int32_t version : {NETROV_SNMP_V2C, NETROV_SNMP_V1}) {
        const char* name = version == NETROV_SNMP_V1 ? "v1" : "v2c";
        const auto searchStart = Clock::now();
        const std::vector<core::DeviceListEntry> devices = search(fleet, version);
        std::printf("search by %-3s %8.3f s, %zu of %d found\n", name, since(searchStart), devices.size(), kPrinters);
        const Figure f = report(fleet, devices);
        print((std::string("fleet report, ") + name).c_str(), f);
        const std::vector<core::DeviceListEntry> one = search(window, version);
        const Figure w = deviceWindow(window, one);
        print((std::string("device window, full load, ") + name).c_str(), w);
        byVersion[version == NETROV_SNMP_V1 ? 0 : 1] = f;
        windows[version == NETROV_SNMP_V1 ? 0 : 1] = w;
    }
    std::printf("fleet report: v1/v2c time %.1fx, v2c/v1 exchanges %.2f (target: v2c at most 3 s)\n",
                byVersion[0].seconds / byVersion[1].seconds,
                static_cast<double>(byVersion[1].exchanges) / static_cast<double>(std::max<size_t>(byVersion[0].exchanges, 1)));
    std::printf("device window: v1/v2c time %.1fx, v2c/v1 exchanges %.2f (target: v2c at most 1 s)\n",
                windows[0].seconds / windows[1].seconds,
                static_cast<double>(windows[1].exchanges) / static_cast<double>(std::max<size_t>(windows[0].exchanges, 1)));
    core::FrontLibrary::tuva().release();
    return 0;
}
