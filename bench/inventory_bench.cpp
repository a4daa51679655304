// Read benchmark: a whole-device inventory and a 1,000-row Printer-MIB table,
// by SNMPv1 GetNext and SNMPv2c GetBulk, at 0 ms and 20 ms per exchange
// through the delay relay, against net-snmp's snmpbulkwalk of the same table.
#include <arpa/inet.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "delay_relay.h"
#include "device_versions.h"
#include "framework.h"
#include "inventory_run.h"
#include "netrov/result_codes.h"
#include "netrov/snmp_version.h"
#include "queries.h"
#include "read_cache.h"
#include "run_child.h"
#include "service_fixture.h"
#include "snmpsim_runner.h"
#include "served_walk.h"
#include "v2c_agent.h"
#include "temp_dir.h"

namespace {

using namespace netrov;
using Clock = std::chrono::steady_clock;

constexpr const char* kRelay = "127.0.47.1";  // what the readers ask
constexpr const char* kAgent = "127.0.47.2";  // the simulator behind the relay
constexpr const char* kFastRelay = "127.0.47.3";        // before the in-process table
constexpr const char* kFastDeviceRelay = "127.0.47.4";  // before the in-process device
constexpr const char* kInventoryWalk = "mfp";
constexpr const char* kTableWalk = "alerts1000";
constexpr int kTableRows = 1000;
constexpr char kAlertTable[] = "1.3.6.1.2.1.43.18.1.1";

constexpr tessel::KeyEntry kAlertKeys[] = {
    {"def", "GETDEVSTATUS_ALERTCODE1", "", tessel::kKindInteger},
    {"def", "GETDEVSTATUS_ALERTGROUP1", "", tessel::kKindInteger},
    {"def", "GETDEVSTATUS_ALERTINDEX1", "", tessel::kKindInteger},
};

// prtAlertGroup, prtAlertGroupIndex and prtAlertCode of kTableRows alerts,
// and a sysDescr for the simulator's start-up probe.
std::string alertTableWalk()
{
    std::string text = "1.3.6.1.2.1.1.1.0|4|Alert table of a thousand rows\n";
    for (const int column : {4, 5, 7}) {
        for (int row = 1; row <= kTableRows; ++row) {
            const int value = column == 4 ? 5 : column == 5 ? row : 1100 + row % 50;
            text += std::string(kAlertTable) + "." + std::to_string(column) + ".1." + std::to_string(row) + "|2|" +
                    std::to_string(value) + "\n";
        }
    }
    return text;
}

struct Figure {
    double seconds = 0;
    size_t exchanges = 0;
    size_t items = 0;  // records or rows read
    bool ok = true;
};

uint32_t addressValue(const char* dotted)
{
    in_addr a{};
    inet_pton(AF_INET, dotted, &a);
    return a.s_addr;
}

DeviceIdentity device(const char* community, int32_t version, const char* at = kRelay)
{
    DeviceIdentity d = test::snmpDevice(addressValue(at), community, 2);
    netrovSetSnmpVersion(&d, version);
    return d;
}

// An inventory; cold: nothing learnt of which single objects the queries
// ask, as in a process's first inventory.
Figure inventory(bench::DelayRelay& relay, const char* at, ServiceRecord* service, int32_t version,
                 bool perQuery = false, bool cold = false)
{
    tessel::forgetDevices();
    if (cold) tessel::askedObjects().clear();
    const bench::InventoryRun run =
        bench::runInventory(relay, service, [&] { return device(kInventoryWalk, version, at); }, perQuery);
    Figure f;
    f.seconds = run.seconds;
    f.exchanges = run.exchanges;
    f.items = run.records;
    return f;
}

Figure table(bench::DelayRelay& relay, const char* at, ServiceRecord* service, int32_t version)
{
    tessel::forgetDevices();
    relay.resetExchanges();
    Figure f;
    const DeviceIdentity d = device(kTableWalk, version, at);
    tessel::QuerySetup setup;
    if (tessel::prepareQuery(&setup, d, kAlertKeys, service) != NETROV_OK) f.ok = false;
    const auto start = Clock::now();
    const tessel::RowsResult rows = tessel::walkTable(setup);
    f.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    f.exchanges = relay.exchanges();
    f.items = rows.rows.size();
    f.ok = f.ok && rows.code == NETROV_OK && rows.rows.size() == kTableRows;
    return f;
}

Figure snmpbulkwalk(bench::DelayRelay& relay, const char* at, int repetitions)
{
    relay.resetExchanges();
    Figure f;
    long rss = 0;
    f.ok = bench::runChild({"snmpbulkwalk", "-v2c", "-c", kTableWalk, "-r", "0", "-t", "2",
                            "-Cr" + std::to_string(repetitions), at, kAlertTable},
                           f.seconds, rss);
    f.exchanges = relay.exchanges();
    f.items = 3 * kTableRows;
    return f;
}

void print(const char* what, int delayMs, const Figure& f)
{
    std::printf("%-34s %3d ms  %8.3f s  %5zu exchanges  %5zu items%s\n", what, delayMs, f.seconds, f.exchanges,
                f.items, f.ok ? "" : "  (FAILED)");
}

}  // namespace

int main(int argc, char** argv)
{
    const bool perQuery = argc > 1 && std::string(argv[1]) == "--per-query";
    test::TempDir dir;
    const std::string inventoryWalk = dir.file(std::string(kInventoryWalk) + ".snmprec");
    test::writeFile(inventoryWalk,
                    test::readFile(std::string(NETROV_SOURCE_DIR) + "/tests/devices/" + kInventoryWalk + ".snmprec"));
    const std::string tableWalk = dir.file(std::string(kTableWalk) + ".snmprec");
    test::writeFile(tableWalk, alertTableWalk());
    test::SnmpSimRunner agent({inventoryWalk, tableWalk}, {kAgent});
    if (!agent.ready()) {
        std::fprintf(stderr, "inventory_bench: no simulator: %s\n", agent.whyNot().c_str());
        return 1;
    }
    bench::DelayRelay relay(kRelay, 161, kAgent, 161);
    // The same table from an agent in this process, whose own cost per
    // binding is next to nothing, behind a relay of its own.
    test::TableAgent fast;
    for (int row = 1; row <= kTableRows; ++row) {
        const std::string suffix = ".1." + std::to_string(row);
        fast.add(std::string(kAlertTable) + ".4" + suffix, test::AgentValue::integer(5));
        fast.add(std::string(kAlertTable) + ".5" + suffix, test::AgentValue::integer(row));
        fast.add(std::string(kAlertTable) + ".7" + suffix, test::AgentValue::integer(1100 + row % 50));
    }
    test::TableAgent fastDevice;
    test::serveWalk(fastDevice, test::readFile(inventoryWalk));
    bench::DelayRelay fastDeviceRelay(kFastDeviceRelay, 161, fastDevice.ok() ? fastDevice.agent().address() : kAgent, 161);
    bench::DelayRelay fastRelay(kFastRelay, 161, fast.ok() ? fast.agent().address() : kAgent, 161);
    if (!relay.ok() || !fastRelay.ok() || !fast.ok() || !fastDevice.ok() || !fastDeviceRelay.ok()) {
        std::fprintf(stderr, "inventory_bench: no relay or agent: %s %s %s\n", relay.error().c_str(),
                     fastRelay.error().c_str(), fast.error().c_str());
        return 1;
    }
    test::Service service{test::Service::FromFile{}, test::Service::standardDefinition()};
    if (perQuery) {
        relay.setDelay(std::chrono::milliseconds(argc > 2 ? std::atoi(argv[2]) : 0));
        for (const int32_t version : {NETROV_SNMP_V1, NETROV_SNMP_V2C}) {
            std::printf("inventory by %s:\n", version == NETROV_SNMP_V1 ? "v1" : "v2c");
            inventory(relay, kRelay, service.record(), version, true, true);
        }
        return 0;
    }

    std::printf("inventory of tests/devices/%s.snmprec (every reading query) and a %d-row, 3-column alert table\n",
                kInventoryWalk, kTableRows);
    for (const int delayMs : {0, 20}) {
        relay.setDelay(std::chrono::milliseconds(delayMs));
        fastRelay.setDelay(std::chrono::milliseconds(delayMs));
        fastDeviceRelay.setDelay(std::chrono::milliseconds(delayMs));
        for (const bool simulator : {true, false}) {
            bench::DelayRelay& through = simulator ? relay : fastDeviceRelay;
            const char* at = simulator ? kRelay : kFastDeviceRelay;
            std::printf("  device served by %s:\n", simulator ? "snmpsim" : "in-process agent");
            const Figure inv1 = inventory(through, at, service.record(), NETROV_SNMP_V1);
            const Figure cold = inventory(through, at, service.record(), NETROV_SNMP_V2C, false, true);
            const Figure inv2 = inventory(through, at, service.record(), NETROV_SNMP_V2C);
            print("inventory, v1 GetNext", delayMs, inv1);
            print("inventory, v2c, first in the process", delayMs, cold);
            print("inventory, v2c GetBulk", delayMs, inv2);
            std::printf("  inventory: v2c/v1 exchanges %.2f (first %.2f), v1/v2c time %.1fx (first %.1fx)\n",
                        static_cast<double>(inv2.exchanges) / static_cast<double>(inv1.exchanges ? inv1.exchanges : 1),
                        static_cast<double>(cold.exchanges) / static_cast<double>(inv1.exchanges ? inv1.exchanges : 1),
                        inv1.seconds / inv2.seconds, inv1.seconds / cold.seconds);
        }
        for (const bool simulator : {true, false}) {
            bench::DelayRelay& through = simulator ? relay : fastRelay;
            const char* at = simulator ? kRelay : kFastRelay;
            const char* who = simulator ? "snmpsim" : "in-process agent";
            const Figure tab1 = table(through, at, service.record(), NETROV_SNMP_V1);
            const Figure tab2 = table(through, at, service.record(), NETROV_SNMP_V2C);
            const Figure walk25 = snmpbulkwalk(through, at, 25);
            const Figure walk10 = snmpbulkwalk(through, at, 10);
            std::printf("  table served by %s:\n", who);
            print("1,000-row table, v1 GetNext", delayMs, tab1);
            print("1,000-row table, v2c GetBulk", delayMs, tab2);
            print("1,000-row table, snmpbulkwalk -Cr25", delayMs, walk25);
            print("1,000-row table, snmpbulkwalk -Cr10", delayMs, walk10);
            std::printf("  table: GetNext/GetBulk time %.1fx, GetBulk exchanges %zu (bound ceil(%d/25)+3 = %d),"
                        " GetBulk/snmpbulkwalk -Cr25 time %.2f\n",
                        tab1.seconds / tab2.seconds, tab2.exchanges, kTableRows,
                        static_cast<int>(std::ceil(kTableRows / 25.0)) + 3, tab2.seconds / walk25.seconds);
        }
    }
    return 0;
}
