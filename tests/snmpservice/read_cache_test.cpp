// The per-device answer cache: its rules (freshness, which answers a key may
// see, bounds, tooBig halves) and the exchanges it saves against scripted
// agents, with the same values as requests asked one by one.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "device_versions.h"
#include "framework.h"
#include "queries.h"
#include "read_cache.h"
#include "netrov/result_codes.h"
#include "netrov/snmp_version.h"
#include "served_walk.h"
#include "service_fixture.h"
#include "temp_dir.h"
#include "walk_files.h"

using namespace netrov::test;
using namespace netrov::tessel;
using namespace std::chrono_literals;

namespace {

constexpr uint8_t kGet = 0xA0;
constexpr uint8_t kGetNext = 0xA1;

const ReadKey kDevice{"127.0.0.9", "public", NETROV_SNMP_V2C, kGet};

ReadKey with(ReadKey key, const std::string& target, const std::string& community, int32_t version, uint8_t pdu)
{
    if (!target.empty()) key.target = target;
    if (!community.empty()) key.community = community;
    if (version >= 0) key.version = version;
    if (pdu) key.pduType = pdu;
    return key;
}

TEST(ReadCacheRules, WhichStoredAnswerAReadSees)
{
    struct Case {
        const char* rule;
        ReadKey asked;
        const char* object;
        std::chrono::milliseconds after;
        bool found;
    };
    const Case cases[] = {
        {"fresh answer of the same device", kDevice, "1.3.6.1.2.1.1.5.0", 0ms, true},
        {"still fresh just before its lifetime", kDevice, "1.3.6.1.2.1.1.5.0", 3999ms, true},
        {"expired at its lifetime", kDevice, "1.3.6.1.2.1.1.5.0", 4000ms, false},
        {"another object", kDevice, "1.3.6.1.2.1.1.6.0", 0ms, false},
        {"another community", with(kDevice, "", "private", -1, 0), "1.3.6.1.2.1.1.5.0", 0ms, false},
        {"another version", with(kDevice, "", "", NETROV_SNMP_V3, 0), "1.3.6.1.2.1.1.5.0", 0ms, false},
        {"another request type", with(kDevice, "", "", -1, kGetNext), "1.3.6.1.2.1.1.5.0", 0ms, false},
        {"another device", with(kDevice, "127.0.0.10", "", -1, 0), "1.3.6.1.2.1.1.5.0", 0ms, false},
    };
    const auto start = ReadCache::Clock::now();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rule);
        ReadCache cache;
        cache.store(kDevice, "1.3.6.1.2.1.1.5.0", CachedBinding{"1.3.6.1.2.1.1.5.0", 0x04, {'p', '1'}}, start);
        const auto found = cache.find(c.asked, c.object, start + c.after);
        ASSERT_EQ(found.has_value(), c.found);
        if (found) {
            EXPECT_EQ(found->value, (std::vector<uint8_t>{'p', '1'}));
        }
    }
}

TEST(ReadCacheRules, BoundsKeepTheNewest)
{
    const auto t0 = ReadCache::Clock::now();
    ReadCache cache(ReadCache::Limits{4000ms, 2, 2});
    const ReadKey a = with(kDevice, "127.0.0.1", "", -1, 0);
    const ReadKey b = with(kDevice, "127.0.0.2", "", -1, 0);
    const ReadKey c = with(kDevice, "127.0.0.3", "", -1, 0);
    cache.store(a, "1.1", {"1.1", 2, {1}}, t0);
    cache.store(a, "1.2", {"1.2", 2, {2}}, t0 + 1ms);
    cache.store(a, "1.3", {"1.3", 2, {3}}, t0 + 2ms);  // a's oldest object goes
    EXPECT_FALSE(cache.find(a, "1.1", t0 + 3ms));
    EXPECT_TRUE(cache.find(a, "1.3", t0 + 3ms));
    cache.store(b, "1.1", {"1.1", 2, {1}}, t0 + 3ms);
    cache.store(c, "1.1", {"1.1", 2, {1}}, t0 + 4ms);  // a, stored longest ago, goes
    EXPECT_EQ(cache.devices(), 2u);
    EXPECT_FALSE(cache.find(a, "1.3", t0 + 5ms));
    EXPECT_TRUE(cache.find(b, "1.1", t0 + 5ms));
    EXPECT_TRUE(cache.find(c, "1.1", t0 + 5ms));
}

TEST(ReadCacheRules, ForgettingATargetKeepsTheOthers)
{
    ReadCache cache;
    const ReadKey other = with(kDevice, "127.0.0.10", "", -1, 0);
    cache.store(kDevice, "1.1", {"1.1", 2, {1}});
    cache.store(with(kDevice, "", "site", -1, kGetNext), "1.1", {"1.2", 2, {1}});
    cache.store(other, "1.1", {"1.1", 2, {1}});
    cache.forget(kDevice.target);
    EXPECT_FALSE(cache.find(kDevice, "1.1"));
    EXPECT_FALSE(cache.find(with(kDevice, "", "site", -1, kGetNext), "1.1"));
    EXPECT_TRUE(cache.find(other, "1.1"));
    EXPECT_EQ(cache.devices(), 1u);
}

TEST(ReadCacheRules, TooBigSplitsIntoHalves)
{
    struct Case {
        std::vector<std::string> batch;
        std::vector<size_t> halves;
    };
    const Case cases[] = {
        {{}, {}},
        {{"1"}, {}},
        {{"1", "2"}, {1, 1}},
        {{"1", "2", "3", "4", "5"}, {2, 3}},
    };
    for (const Case& c : cases) {
        const auto halves = splitBatch(c.batch);
        ASSERT_EQ(halves.size(), c.halves.size());
        std::vector<std::string> joined;
        for (size_t i = 0; i < halves.size(); ++i) {
            EXPECT_EQ(halves[i].size(), c.halves[i]);
            joined.insert(joined.end(), halves[i].begin(), halves[i].end());
        }
        if (!halves.empty()) {
            EXPECT_EQ(joined, c.batch);
        }
    }
}

// An SNMPv2c agent answering Get per object (noSuchObject for what it lacks),
// and tooBig to any request of more than maxBindings objects.
class SmallAgent {
public:
    SmallAgent()
    {
        agent_.setHandler([this](const AgentRequest& r) -> std::vector<AgentReply> {
            if (!r.decoded || r.version != 1) return {};
            sizes_.push_back(r.bindings.size());
            if (r.bindings.size() > maxBindings) {
                return {{TableAgent::asV2c(FakeAgent::encodeResponse(r.requestId, r.community, 1, 0, r.bindings))}};
            }
            std::vector<AgentBinding> out;
            for (const AgentBinding& b : r.bindings) {
                const auto found = objects_.find(b.oid);
                out.push_back(found == objects_.end() ? AgentBinding{b.oid, AgentValue::raw(0x80, {})}
                                                      : AgentBinding{b.oid, found->second});
            }
            return {{TableAgent::asV2c(FakeAgent::encodeResponse(r.requestId, r.community, 0, 0, out))}};
        });
    }
    bool ok() const { return agent_.ok(); }
    uint32_t address() const { return agent_.addressValue(); }
    void add(const std::string& oid, AgentValue value) { objects_[oid] = std::move(value); }
    std::vector<size_t> sizes_;  // bindings per request, in order
    size_t maxBindings = 64;

private:
    std::map<std::string, AgentValue> objects_;
    FakeAgent agent_;
};

const char* const kDefinition = R"(<oid def="NAME">1.3.6.1.2.1.1.5</oid>
<oid def="PLACE">1.3.6.1.2.1.1.6</oid>
<oid def="CONTACT">1.3.6.1.2.1.1.4</oid>
<oid def="UPTIME">1.3.6.1.2.1.1.3</oid>)";

constexpr KeyEntry kNameKeys[] = {{"def", "NAME", ".0", kKindOctets}, {"def", "PLACE", ".0", kKindOctets}};
constexpr KeyEntry kOtherKeys[] = {{"def", "CONTACT", ".0", kKindOctets}, {"def", "UPTIME", ".0", kKindUnsigned}};

class ReadThroughCache : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!agent.ok()) GTEST_SKIP() << "no agent";
        forgetDevices();
        readCache().clear();
        askedObjects().clear();
        agent.add("1.3.6.1.2.1.1.5.0", AgentValue::octets("front-desk"));
        agent.add("1.3.6.1.2.1.1.4.0", AgentValue::octets("helpdesk"));
        agent.add("1.3.6.1.2.1.1.3.0", AgentValue::timeTicks(4242));
        // No 1.3.6.1.2.1.1.6.0: the agent says noSuchObject for it.
    }
    void TearDown() override
    {
        readCache().clear();
        askedObjects().clear();
    }

    RequestResult get(std::span<const KeyEntry> keys, const char* community = "public")
    {
        DeviceIdentity d = snmpDevice(agent.address(), community, 1);
        netrovSetSnmpVersion(&d, NETROV_SNMP_V2C);
        QuerySetup setup;
        EXPECT_EQ(prepareQuery(&setup, d, keys, service.record()), NETROV_OK);
        return requestValues(setup, kGet);
    }

    SmallAgent agent;
    Service service{document(kDefinition)};
};

std::string text(const RequestResult& r, size_t i)
{
    return r.values.size() > i && r.values[i].kind == kKindOctets
               ? std::string(reinterpret_cast<const char*>(r.values[i].data()), r.values[i].length)
               : "";
}

TEST_F(ReadThroughCache, LaterQueriesAskTheirObjectsTogetherAndReadThemFromTheCache)
{
    get(kNameKeys);
    get(kOtherKeys);  // both learnt by now
    readCache().clear();
    agent.sizes_.clear();
    const RequestResult names = get(kNameKeys);
    const RequestResult others = get(kOtherKeys);
    EXPECT_EQ(agent.sizes_, (std::vector<size_t>{4}));  // one request for both queries
    ASSERT_EQ(names.code, NETROV_OK);
    EXPECT_EQ(text(names, 0), "front-desk");
    EXPECT_EQ(names.values[1].kind, kKindNone);  // noSuchObject for that object only
    ASSERT_EQ(others.code, NETROV_OK);
    EXPECT_EQ(text(others, 0), "helpdesk");
    EXPECT_EQ(others.values[1].integer(), 4242);
}

TEST_F(ReadThroughCache, TooBigAsksEachHalf)
{
    get(kNameKeys);
    get(kOtherKeys);
    readCache().clear();
    agent.sizes_.clear();
    agent.maxBindings = 2;
    const RequestResult names = get(kNameKeys);
    const RequestResult others = get(kOtherKeys);
    EXPECT_EQ(agent.sizes_, (std::vector<size_t>{4, 2, 2}));
    EXPECT_EQ(text(names, 0), "front-desk");
    EXPECT_EQ(others.values[1].integer(), 4242);
}

TEST_F(ReadThroughCache, AnotherCommunityIsAskedAgain)
{
    get(kNameKeys);
    agent.sizes_.clear();
    get(kNameKeys);
    get(kNameKeys, "site");
    EXPECT_EQ(agent.sizes_, (std::vector<size_t>{2}));  // the cached read sent nothing
}

TEST_F(ReadThroughCache, ASetMakesTheNextReadAskAgain)
{
    get(kNameKeys);
    DeviceIdentity d = snmpDevice(agent.address(), "public", 1);
    netrovSetSnmpVersion(&d, NETROV_SNMP_V2C);
    QuerySetup setup;
    ASSERT_EQ(prepareQuery(&setup, d, kNameKeys, service.record()), NETROV_OK);
    const SetValue values[] = {{0x04, {'n'}}, {0x04, {'p'}}};
    requestValues(setup, 0xA3, values);
    get(kNameKeys);
    EXPECT_EQ(agent.sizes_, (std::vector<size_t>{2, 2, 2}));  // read, Set, read again
}

// What a search reads of each device it finds (its information and status)
// asks the agent for the objects of that reading alone, in one request: the
// first batch of a device reads ahead no other kind of reading.
TEST(InventoryExchanges, ASearchReadingAsksOnlyItsOwnObjects)
{
    TableAgent device;
    if (!device.ok()) GTEST_SKIP() << device.error();
    serveWalk(device, readFile(projectWalk("mfp")));
    Service service{Service::FromFile{}, Service::standardDefinition()};
    forgetDevices();
    askedObjects().clear();
    for (const char* name : {"TUVASRV_GetDevInfo", "TUVASRV_GetDevStatus"}) {
        const QueryInfo* query = nullptr;
        for (const QueryInfo& q : kQueries) query = std::string(q.name) == name ? &q : query;
        ASSERT_NE(query, nullptr) << name;
        DeviceIdentity d = snmpDevice(device.addressValue(), "public", 1);
        netrovSetSnmpVersion(&d, NETROV_SNMP_V2C);
        std::vector<uint8_t> out(query->recordSize * 32);
        int32_t count = 0;
        ASSERT_EQ(runQuery(*query, &d, 0, 0, out.data(), 32, &count, service.record()), NETROV_OK) << name;
    }
    const std::vector<AgentRequest> asked = device.agent().requests();
    size_t objects = 0;
    for (const AgentRequest& r : asked) {
        objects += r.bindings.size();
        for (const AgentBinding& b : r.bindings) {
            // The IP, ICMP, TCP, UDP and SNMP counters are other readings' objects.
            for (const char* other : {"1.3.6.1.2.1.4.", "1.3.6.1.2.1.5.", "1.3.6.1.2.1.6.", "1.3.6.1.2.1.7.",
                                      "1.3.6.1.2.1.11."})
                EXPECT_NE(b.oid.rfind(other, 0), 0u) << b.oid;
        }
    }
    EXPECT_LE(asked.size(), 3u);
    EXPECT_LE(objects, 24u);
    askedObjects().clear();
}

// Every reading query of the largest project walk, by SNMPv1 and by SNMPv2c
// from the scripted agent: the same records, in at most half the exchanges,
// from the first reading of the process on.
TEST(InventoryExchanges, V2cReadsTheSameRecordsInHalfTheExchanges)
{
    TableAgent device;
    if (!device.ok()) GTEST_SKIP() << device.error();
    serveWalk(device, readFile(projectWalk("mfp")));
    Service service{Service::FromFile{}, Service::standardDefinition()};
    const auto inventory = [&](int32_t version, std::vector<std::vector<uint8_t>>& records) {
        forgetDevices();
        askedObjects().clear();  // as in a process's first reading
        const size_t before = device.agent().requests().size();
        for (const QueryInfo& query : kQueries) {
            if (query.recordSize == 0 || std::string(query.name).rfind("TUVASRV_Get", 0) != 0) continue;
            DeviceIdentity d = snmpDevice(device.addressValue(), "public", 1);
            netrovSetSnmpVersion(&d, version);
            std::vector<uint8_t> out(query.recordSize * 32);
            int32_t count = 0;
            const int32_t code = runQuery(query, &d, 0, 0, out.data(), 32, &count, service.record());
            out.resize(code == NETROV_OK ? query.recordSize * static_cast<size_t>(count) : 0);
            records.push_back(std::move(out));
        }
        return device.agent().requests().size() - before;
    };
    std::vector<std::vector<uint8_t>> v1Records;
    std::vector<std::vector<uint8_t>> v2cRecords;
    const size_t v1 = inventory(NETROV_SNMP_V1, v1Records);
    const size_t v2c = inventory(NETROV_SNMP_V2C, v2cRecords);
    EXPECT_EQ(v2cRecords, v1Records);
    EXPECT_GE(v1, 50u);  // one exchange per table row and per single request
    EXPECT_LE(v2c * 2, v1);
    // The first batch of each request type reads ahead only its own kind of
    // reading (a search stops there); the second takes the rest. The alert
    // table whole and the supplies' own row numbers are a walk each.
    EXPECT_LE(v2c, 21u);
    askedObjects().clear();
}

}  // namespace
