// The exchanges an SNMPv3 inventory costs against snmpd in a private network namespace: as many as over v2c, plus the engine's discovery unless a probe just saw the engine.
#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/sweep.h"
#include "delay_relay.h"
#include "device_versions.h"
#include "framework.h"
#include "netrov/result_codes.h"
#include "netrov/snmp_version.h"
#include "queries.h"
#include "read_cache.h"
#include "service_fixture.h"
#include "temp_dir.h"
#include "v3_agents.h"
#include "v3_sessions.h"

namespace netrov::test {
namespace {

constexpr const char* kRelay = "127.0.0.1";  // counts the exchanges
constexpr const char* kAgent = "127.0.0.2";
constexpr const char* kCommunity = "benchread";
constexpr const char* kProfile = "office";

struct Inventory {
    size_t exchanges = 0;
    size_t records = 0;
};

// Every reading query, nothing known of the device beforehand but, with
// probed, what a search's probe of the address learns.
Inventory inventory(bench::DelayRelay& relay, Service& service, int32_t version, bool probed = false)
{
    tessel::forgetDevices();
    in_addr a{};
    inet_pton(AF_INET, kRelay, &a);
    if (probed) {
        core::SweepSettings probe;
        probe.community = "not-this-one";
        probe.probeV3 = true;
        const std::vector<uint32_t> target{ntohl(a.s_addr)};
        EXPECT_EQ(core::sweep(target, probe, nullptr, {}).engines.size(), 1u);
    }
    relay.resetExchanges();
    Inventory result;
    for (const tessel::QueryInfo& query : tessel::kQueries) {
        if (query.recordSize == 0 || std::string(query.name).find("TUVASRV_Get") != 0) continue;
        DeviceIdentity d = snmpDevice(a.s_addr, version == NETROV_SNMP_V3 ? kProfile : kCommunity, 2);
        netrovSetSnmpVersion(&d, version);
        std::vector<uint8_t> records(query.recordSize * 64);
        int32_t count = 0;
        if (tessel::runQuery(query, &d, 0, 0, records.data(), 64, &count, service.record()) == NETROV_OK)
            result.records += static_cast<size_t>(count);
    }
    result.exchanges = relay.exchanges();
    return result;
}

TEST(V3Exchanges, AnInventoryCostsWhatV2cCostsPlusTheDiscoveryThatAProbeSpares)
{
    // The namespace is this process's own for the rest of its life.
    if (const std::string why = enterPrivateNamespace(); !why.empty()) GTEST_SKIP() << why;
    TempDir dir;
    const V3User monitor{"monitor", "SHA-256", randomPassphrase(), "AES", randomPassphrase()};
    V3Agent agent(AgentSetup{kAgent, {kCommunity}, {monitor}, "exchanges-v3"}, dir.path().string());
    ASSERT_TRUE(agent.started());
    const std::string profiles = dir.file("profiles.ini");
    ASSERT_TRUE(writeProfiles(profiles, profileSection(kProfile, monitor)));
    tessel::useProfilesFile(profiles);
    bench::DelayRelay relay(kRelay, 161, kAgent, 161);
    ASSERT_TRUE(relay.ok()) << relay.error();
    Service service{Service::FromFile{}, Service::standardDefinition()};
    Inventory v2c;
    for (int attempt = 0; attempt < 50 && v2c.records == 0; ++attempt) {
        if (attempt) std::this_thread::sleep_for(std::chrono::milliseconds(100));
        v2c = inventory(relay, service, NETROV_SNMP_V2C);
    }
    ASSERT_GT(v2c.records, 0u) << "snmpd did not answer";
    v2c = inventory(relay, service, NETROV_SNMP_V2C);

    const Inventory v3 = inventory(relay, service, NETROV_SNMP_V3);
    EXPECT_EQ(v3.records, v2c.records);
    // Single objects of several queries share one request, as over v2c.
    EXPECT_LE(v3.exchanges, v2c.exchanges + 1) << "v2c " << v2c.exchanges;

    // A search's probe saw the engine a moment ago: no discovery of its own.
    const Inventory probed = inventory(relay, service, NETROV_SNMP_V3, true);
    EXPECT_EQ(probed.records, v2c.records);
    EXPECT_LE(probed.exchanges, v2c.exchanges) << "v2c " << v2c.exchanges;
    tessel::useProfilesFile({});
}

}  // namespace
}  // namespace netrov::test
