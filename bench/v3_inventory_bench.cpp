// SNMPv3 inventory benchmark: every reading query by v3 authPriv (SHA-256, AES-128) against the same over v2c, one snmpd behind the delay relay.
#include <arpa/inet.h>

#include <chrono>
#include <cstdio>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "delay_relay.h"
#include "device_versions.h"
#include "framework.h"
#include "inventory_run.h"
#include "netrov/result_codes.h"
#include "netrov/snmp_version.h"
#include "queries.h"
#include "read_cache.h"
#include "service_fixture.h"
#include "v3_sessions.h"
#include "v3_lab.h"

namespace {

using namespace netrov;
using Clock = std::chrono::steady_clock;

constexpr const char* kRelay = "127.0.0.1";  // what the readers ask
constexpr const char* kAgent = "127.0.0.2";  // snmpd behind the relay
constexpr int kRuns = 5;

struct Figure {
    double seconds = 0;
    size_t exchanges = 0;
    size_t records = 0;
};

// snmpd configuration lines serving the printer objects of a device walk
// that snmpd has none of its own for (the Printer MIB, makers' subtrees);
// types snmpd cannot serve this way are left out.
std::string printerObjects(const std::string& walk)
{
    struct Type {
        const char* tag;
        const char* word;
    };
    static constexpr Type kTypes[] = {{"2", "integer"},   {"4", "octet_str"}, {"4x", "octet_str"}, {"6", "object_id"},
                                      {"65", "counter"}, {"66", "uinteger"},  {"67", "timeticks"}};
    std::string out;
    std::istringstream lines(walk);
    std::string line;
    while (std::getline(lines, line)) {
        const size_t a = line.find('|');
        const size_t b = a == std::string::npos ? a : line.find('|', a + 1);
        if (b == std::string::npos) continue;
        const std::string oid = line.substr(0, a);
        const std::string tag = line.substr(a + 1, b - a - 1);
        const std::string value = line.substr(b + 1);
        const bool printer = oid.starts_with("1.3.6.1.2.1.43.") ||
                             (oid.starts_with("1.3.6.1.4.1.") && !oid.starts_with("1.3.6.1.4.1.8072.") &&
                              !oid.starts_with("1.3.6.1.4.1.2021."));
        if (!printer || value.find('"') != std::string::npos) continue;
        for (const Type& t : kTypes) {
            if (tag != t.tag) continue;
            const std::string shown = tag == "4" ? "\"" + value + "\"" : tag == "4x" ? "0x" + value : tag == "6" ? "." + value : value;
            out += "override ." + oid + " " + t.word + " " + shown + "\n";
        }
    }
    return out;
}

DeviceIdentity device(int32_t version)
{
    in_addr a{};
    inet_pton(AF_INET, kRelay, &a);
    DeviceIdentity d = test::snmpDevice(a.s_addr, version == NETROV_SNMP_V3 ? bench::kBenchProfile : bench::kBenchCommunity, 2);
    netrovSetSnmpVersion(&d, version);
    return d;
}

// An inventory; first: nothing known of the device (for v3: engine, boots,
// time, keys), as in a process's first inventory of it.
Figure inventory(bench::DelayRelay& relay, ServiceRecord* service, int32_t version, bool first, bool perQuery = false)
{
    if (first) tessel::forgetDevices();
    const bench::InventoryRun run = bench::runInventory(relay, service, [&] { return device(version); }, perQuery);
    return {run.seconds, run.exchanges, run.records};
}

}  // namespace

int main(int argc, char** argv)
{
    const bool perQuery = argc > 1 && std::string(argv[1]) == "--per-query";
    const std::string walk = test::readFile(std::string(NETROV_SOURCE_DIR) + "/tests/devices/mfp.snmprec");
    bench::V3Lab lab({kAgent}, 1, printerObjects(walk));
    if (!lab.whyNot.empty()) {
        std::printf("v3_inventory_bench: skipped: %s\n", lab.whyNot.c_str());
        return 0;
    }
    tessel::useProfilesFile(lab.profiles);
    bench::DelayRelay relay(kRelay, 161, kAgent, 161);
    if (!relay.ok()) {
        std::printf("v3_inventory_bench: skipped: no relay: %s\n", relay.error().c_str());
        return 0;
    }
    test::Service service{test::Service::FromFile{}, test::Service::standardDefinition()};
    // Up once a v2c inventory reads records.
    bool up = false;
    for (int attempt = 0; attempt < 50 && !up; ++attempt) {
        up = inventory(relay, service.record(), NETROV_SNMP_V2C, true).records > 0;
        if (!up) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (!up) {
        std::printf("v3_inventory_bench: skipped: snmpd did not answer\n");
        return 0;
    }

    if (perQuery) {
        for (const int32_t version : {NETROV_SNMP_V2C, NETROV_SNMP_V3}) {
            std::printf("inventory by %s, first read:\n", version == NETROV_SNMP_V3 ? "v3" : "v2c");
            inventory(relay, service.record(), version, true, true);
        }
        return 0;
    }
    std::printf("inventory (every reading query) of snmpd serving tests/devices/mfp.snmprec's printer objects,"
                " through the delay relay, mean of %d:\n", kRuns);
    for (const int delayMs : {0, 20}) {
        relay.setDelay(std::chrono::milliseconds(delayMs));
        for (const bool first : {true, false}) {
            Figure v2c, v3;
            // Interleaved, so a busy moment of the machine falls on both alike.
            for (int run = 0; run < kRuns; ++run) {
                for (const int32_t version : {NETROV_SNMP_V2C, NETROV_SNMP_V3}) {
                    if (!first) inventory(relay, service.record(), version, true);
                    const Figure f = inventory(relay, service.record(), version, first);
                    Figure& sum = version == NETROV_SNMP_V3 ? v3 : v2c;
                    sum.seconds += f.seconds / kRuns;
                    sum.exchanges = f.exchanges;
                    sum.records = f.records;
                }
            }
            const char* when = first ? "first read" : "engine known";
            std::printf("  %2d ms, %-12s v2c %.3f s (%zu exchanges, %zu records), v3 authPriv %.3f s (%zu exchanges,"
                        " %zu records)%s\n",
                        delayMs, when, v2c.seconds, v2c.exchanges, v2c.records, v3.seconds, v3.exchanges, v3.records,
                        v3.records == v2c.records ? "" : "  FAULT: the records differ");
            std::printf("  %2d ms, %-12s ratio v3/v2c %.2f (target at most 1.2)\n", delayMs, when, v3.seconds / v2c.seconds);
        }
    }
    return 0;
}
