// The service over SNMPv3 against net-snmp's snmpd in a private network namespace: the same records as over v2c, named faults, no pass phrase anywhere.
#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "device_versions.h"
#include "engine.h"
#include "v3_discovery.h"
#include "entry_points.h"
#include "netrov/device_records.h"
#include "netrov/result_codes.h"
#include "netrov/snmp_version.h"
#include "service_fixture.h"
#include "temp_dir.h"
#include "v3_agents.h"
#include "v3_sessions.h"

using namespace netrov::test;
using namespace netrov::tessel;

namespace {

constexpr const char* kAgentAddress = "127.0.0.1";
constexpr const char* kHardenedAddress = "127.0.0.2";
constexpr const char* kCommunity = "benchread";
// The agent answers this community too: were the service ever to send a
// profile name as a community, the unknown profile would be answered.
constexpr const char* kMissingProfile = "lostprofile";

uint32_t addressValue(const char* dotted)
{
    in_addr a{};
    inet_pton(AF_INET, dotted, &a);
    return a.s_addr;
}

DeviceIdentity deviceBy(int32_t version, const char* communityOrProfile)
{
    DeviceIdentity d = snmpDevice(addressValue(kAgentAddress), communityOrProfile, 1);
    netrovSetSnmpVersion(&d, version);
    return d;
}

using EntryPoint = int32_t(NETROV_CALL*)(DeviceIdentity*, intptr_t, intptr_t, void*, int32_t, int32_t*, ServiceRecord*);

struct Outcome {
    int32_t code = -1;
    int32_t count = -1;
    std::vector<uint8_t> records;
    std::string modelName;
};

// Records of any kind fit: capacity times the largest record.
constexpr int32_t kCapacity = 8;
constexpr size_t kRecordRoom = 4096;

class V3Snmpd : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        skipReason_ = enterPrivateNamespace();
        if (!skipReason_.empty()) return;
        dir_ = std::make_unique<TempDir>();
        monitor_ = {"monitor", "SHA-256", randomPassphrase(), "AES", randomPassphrase()};
        AgentSetup setup{kAgentAddress, {kCommunity, kMissingProfile}, {monitor_}, "bench-v3"};
        agent_ = std::make_unique<V3Agent>(setup, dir_->path().string());
        // v3 only, with a user no profile names.
        const V3User keeper{"keeper", "SHA", randomPassphrase(), "AES", randomPassphrase()};
        hardened_ = std::make_unique<V3Agent>(AgentSetup{kHardenedAddress, {}, {keeper}, "bench-hardened"},
                                              dir_->path().string());
        V3User wrongAuth = monitor_;
        wrongAuth.authPhrase = randomPassphrase();
        V3User wrongPriv = monitor_;
        wrongPriv.privPhrase = randomPassphrase();
        V3User stranger = monitor_;
        stranger.name = "stranger";
        V3User lowLevel = monitor_;
        lowLevel.priv.clear();
        lowLevel.name = "nobodyhere";
        phrases_ = {monitor_.authPhrase, monitor_.privPhrase, wrongAuth.authPhrase, wrongPriv.privPhrase};
        profiles_ = dir_->file("profiles.ini");
        writeProfiles(profiles_, profileSection("office", monitor_) + profileSection("wrongauth", wrongAuth) +
                                     profileSection("wrongpriv", wrongPriv) + profileSection("stranger", stranger));
        useProfilesFile(profiles_);
        if (!agent_->started() || !waitForAgent()) skipReason_ = "snmpd did not answer";
        waitForHardened();
    }

    static void TearDownTestSuite()
    {
        agent_.reset();
        hardened_.reset();
        useProfilesFile({});
        dir_.reset();
    }

    void SetUp() override
    {
        if (!skipReason_.empty()) GTEST_SKIP() << skipReason_;
        forgetDevices();
        useProfilesFile(profiles_);
    }

    static bool waitForAgent()
    {
        for (int attempt = 0; attempt < 50; ++attempt) {
            Service service{Service::FromFile{}, Service::standardDefinition()};
            if (run(TUVASRV_GetDevInfo, deviceBy(NETROV_SNMP_V2C, kCommunity), service).code == NETROV_OK) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    }

    // The v3-only agent starts beside the other; on a busy machine it may
    // still be reading its configuration when the first test probes it.
    static void waitForHardened()
    {
        for (int attempt = 0; attempt < 10; ++attempt) {
            if (!netrov::snmp::discoverEngines(kHardenedAddress, 1, {}).empty()) return;
        }
    }

    static Outcome run(EntryPoint entry, DeviceIdentity device, Service& service)
    {
        Outcome o;
        o.records.assign(kCapacity * kRecordRoom, 0);
        o.count = 0;
        o.code = entry(&device, 0, 0, o.records.data(), kCapacity, &o.count, service.record());
        o.modelName = device.modelName;
        return o;
    }

    static inline std::string skipReason_;
    static inline std::unique_ptr<TempDir> dir_;
    static inline std::unique_ptr<V3Agent> agent_;
    static inline std::unique_ptr<V3Agent> hardened_;
    static inline V3User monitor_;
    static inline std::vector<std::string> phrases_;
    static inline std::string profiles_;
    Service service_{Service::FromFile{}, Service::standardDefinition()};
};

struct NamedEntry {
    const char* name;
    EntryPoint entry;
};
// Single objects, tables walked by GetBulk, and the model name.
const NamedEntry kEntries[] = {
    {"information", TUVASRV_GetDevInfo},   {"status", TUVASRV_GetDevStatus}, {"toner", TUVASRV_GetDevToner},
    {"supplies", TUVASRV_GetDevSupplies},  {"marker", TUVASRV_GetDevMarker}, {"trays", TUVASRV_GetDevTray},
    {"counter", TUVASRV_GetDevCounter},    {"tcp", TUVASRV_GetDevTCP},       {"model", TUVASRV_GetDevModelName},
};

}  // namespace

TEST_F(V3Snmpd, EveryQueryGivesTheSameRecordsOverV3AsOverV2c)
{
    for (const NamedEntry& e : kEntries) {
        SCOPED_TRACE(e.name);
        const Outcome v2c = run(e.entry, deviceBy(NETROV_SNMP_V2C, kCommunity), service_);
        const Outcome v3 = run(e.entry, deviceBy(NETROV_SNMP_V3, "office"), service_);
        EXPECT_EQ(v3.code, v2c.code);
        EXPECT_EQ(v3.count, v2c.count);
        EXPECT_EQ(v3.modelName, v2c.modelName);
        EXPECT_TRUE(v3.records == v2c.records);
    }
    // The tables went by GetBulk over v3 too.
    EXPECT_FALSE(bulkRefused(kAgentAddress));
    // A few values the agent was given, read by v3.
    const Outcome info = run(TUVASRV_GetDevInfo, deviceBy(NETROV_SNMP_V3, "office"), service_);
    ASSERT_EQ(info.code, NETROV_OK);
    ASSERT_EQ(info.count, 1);
    DeviceInfo read;
    memcpy(&read, info.records.data(), sizeof read);
    EXPECT_STREQ(read.name, "bench-v3");
    EXPECT_STREQ(read.location, "Bench shelf");
    const Outcome toner = run(TUVASRV_GetDevToner, deviceBy(NETROV_SNMP_V3, "office"), service_);
    EXPECT_EQ(toner.code, NETROV_OK);
    EXPECT_EQ(toner.count, 1);
}

TEST_F(V3Snmpd, SearchByV3FindsThePrinterAndKeepsItsProfile)
{
    DeviceIdentity byV2c = deviceBy(NETROV_SNMP_V2C, kCommunity);
    DeviceIdentity foundByV2c[2];
    int32_t countByV2c = 0;
    ASSERT_EQ(TUVASRV_SearchDevice(&byV2c, 0, 0, foundByV2c, 2, &countByV2c, service_.record()), NETROV_OK);
    ASSERT_EQ(countByV2c, 1);

    DeviceIdentity request = deviceBy(NETROV_SNMP_V3, "office");
    DeviceIdentity found[2];
    int32_t count = 0;
    ASSERT_EQ(TUVASRV_SearchDevice(&request, 0, 0, found, 2, &count, service_.record()), NETROV_OK);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(netrovSnmpVersion(&found[0]), NETROV_SNMP_V3);
    EXPECT_STREQ(found[0].community, "office");
    EXPECT_NE(found[0].modelName[0], '\0');
    EXPECT_STREQ(found[0].modelName, foundByV2c[0].modelName);
    EXPECT_STREQ(found[0].sysObjectId, foundByV2c[0].sysObjectId);
    EXPECT_EQ(memcmp(found[0].address, request.address, 4), 0);
}

TEST_F(V3Snmpd, EachFaultOfAProfileHasItsOwnResult)
{
    struct Case {
        const char* profile;
        int32_t expected;
    };
    const Case cases[] = {
        {"wrongauth", NETROV_V3_WRONG_DIGEST},
        {"wrongpriv", NETROV_V3_DECRYPTION_ERROR},
        {"stranger", NETROV_V3_UNKNOWN_USER},
        {kMissingProfile, NETROV_V3_UNKNOWN_PROFILE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.profile);
        for (const NamedEntry& e : {kEntries[0], kEntries[2]}) {
            SCOPED_TRACE(e.name);
            forgetDevices();
            EXPECT_EQ(run(e.entry, deviceBy(NETROV_SNMP_V3, c.profile), service_).code, c.expected);
        }
        DeviceIdentity request = deviceBy(NETROV_SNMP_V3, c.profile);
        DeviceIdentity found[2];
        int32_t count = 0;
        EXPECT_EQ(TUVASRV_SearchDevice(&request, 0, 0, found, 2, &count, service_.record()), c.expected);
        EXPECT_EQ(count, 0);
    }
}

TEST_F(V3Snmpd, AProfileFileOthersCanReadIsRefused)
{
    const std::string open = dir_->file("open-profiles.ini");
    ASSERT_TRUE(writeProfiles(open, profileSection("office", monitor_), 0644));
    useProfilesFile(open);
    EXPECT_EQ(run(TUVASRV_GetDevInfo, deviceBy(NETROV_SNMP_V3, "office"), service_).code, NETROV_V3_PROFILE_REFUSED);
    std::filesystem::remove(open);
}

TEST_F(V3Snmpd, NoPassPhraseInAnyRecordOrFileButTheProfilesAndTheAgentsConfiguration)
{
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    std::string written;
    for (const char* profile : {"office", "wrongauth", "wrongpriv", "stranger"}) {
        // Every query with the fitting profile; a failing one ends alike in each.
        const size_t entries = profile == std::string("office") ? std::size(kEntries) : 3;
        for (const NamedEntry& e : std::span(kEntries, entries)) {
            const Outcome o = run(e.entry, deviceBy(NETROV_SNMP_V3, profile), service_);
            written.append(o.records.begin(), o.records.end());
            written += o.modelName;
        }
    }
    written += testing::internal::GetCapturedStdout();
    written += testing::internal::GetCapturedStderr();
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir_->path())) {
        if (!entry.is_regular_file()) continue;
        const std::string name = entry.path().filename().string();
        if (name == "profiles.ini" || name.starts_with("snmpd-")) continue;
        written += readFile(entry.path().string());
    }
    for (const std::string& phrase : phrases_) EXPECT_EQ(written.find(phrase), std::string::npos);
    // The search above would be worthless if the profile file did not hold them.
    const std::string profiles = readFile(profiles_);
    for (const std::string& phrase : phrases_) EXPECT_NE(profiles.find(phrase), std::string::npos);
}

TEST_F(V3Snmpd, TheDiscoveryProbeFindsAnAgentThatSpeaksOnlyV3AndItsMaker)
{
    // net-snmp's engine identifiers carry its own enterprise number, 8072.
    const std::vector<netrov::snmp::EngineSighting> found = netrov::snmp::discoverEngines(kHardenedAddress, 1, {});
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].address, addressValue(kHardenedAddress));
    EXPECT_EQ(netrov::snmp::enterpriseOf(found[0].engineId), 8072u);
    // The same agent is silent to every community and to a profile of another user.
    DeviceIdentity byV2c = snmpDevice(addressValue(kHardenedAddress), kCommunity, 1);
    netrovSetSnmpVersion(&byV2c, NETROV_SNMP_V2C);
    EXPECT_EQ(run(TUVASRV_GetDevInfo, byV2c, service_).code, NETROV_NO_REPLY);
    DeviceIdentity byProfile = snmpDevice(addressValue(kHardenedAddress), "office", 1);
    netrovSetSnmpVersion(&byProfile, NETROV_SNMP_V3);
    EXPECT_EQ(run(TUVASRV_GetDevInfo, byProfile, service_).code, NETROV_V3_UNKNOWN_USER);
    // An address where nothing listens gives no engine.
    EXPECT_TRUE(netrov::snmp::discoverEngines("127.0.0.9", 1, {}).empty());
}

TEST(V3Discovery, TheEnterpriseComesFromAnEngineIdentifierOfTheNewFormOnly)
{
    struct Case {
        const char* name;
        std::vector<uint8_t> engineId;
        std::optional<uint32_t> enterprise;
    };
    const Case cases[] = {
        {"an operating system maker", {0x80, 0x00, 0x01, 0x37, 0x03, 0x00, 0x11, 0x22, 0x33, 0x44, 0x55}, 311u},
        {"net-snmp", {0x80, 0x00, 0x1f, 0x88, 0x80, 0xaa, 0xbb, 0xcc, 0xdd}, 8072u},
        {"a large number", {0x81, 0x02, 0x03, 0x04, 0x05}, 0x01020304u},
        {"the old form", {0x00, 0x00, 0x00, 0x09, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08}, std::nullopt},
        {"too short", {0x80, 0x00, 0x01, 0x37}, std::nullopt},
        {"empty", {}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(netrov::snmp::enterpriseOf(c.engineId), c.enterprise);
    }
}

TEST(V3Discovery, OnlyTheAnswerToItsOwnProbeGivesAnEngine)
{
    const std::vector<uint8_t> probe = netrov::snmp::discoveryProbe(4711);
    ASSERT_FALSE(probe.empty());
    // The probe itself is a request, not a report: it names no engine.
    EXPECT_FALSE(netrov::snmp::reportedEngine(probe, 4711));
    EXPECT_FALSE(netrov::snmp::reportedEngine(std::span<const uint8_t>(probe).first(probe.size() / 2), 4711));
    EXPECT_FALSE(netrov::snmp::reportedEngine({}, 4711));
}
