// The search engine over an in-process fake front library: thread order and cap, merging, filter, abort, retries, refresh.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include <arpa/inet.h>

#include <netrov/snmp_version.h>

#include "fake_agent.h"
#include "fake_devices.h"
#include "search_run.h"
#include "v3_report.h"

namespace netrov::core {
namespace {

using test::FakeDevice;
using test::FakeDevices;

uint32_t ip(const char* text) { return *parseDottedQuad(text); }

SearchSettings perAddressOnly()
{
    SearchSettings s = defaultSearchSettings();
    s.BroadCast = 0;
    s.IPSearch = 1;
    s.TimeOut = 1;
    return s;
}

struct Harness {
    FakeDevices fake;
    FrontLibrary library{fake.access()};
    DeviceList list;

    // Runs one search to its end.
    std::vector<uint32_t> run(const SearchSettings& s, const SearchAddressList& addresses, const std::string& maker = "")
    {
        SearchRun run(library, list);
        EXPECT_TRUE(run.start(s, addresses, maker));
        run.wait();
        EXPECT_TRUE(run.ended());
        return run.startedAddresses();
    }
};

SearchAddressList listOf(std::initializer_list<const char*> entries)
{
    SearchAddressList list;
    for (const char* e : entries) list.append(e);
    return list;
}

TEST(SearchRun, RangeStartsOneThreadPerAddressInOrder)
{
    Harness h;
    for (const char* a : {"127.0.0.1", "127.0.0.2", "127.0.0.3"}) h.fake.devices[ip(a)] = FakeDevice{};
    const auto started = h.run(perAddressOnly(), listOf({"127.0.0.1,127.0.0.3"}));
    EXPECT_EQ(started, (std::vector<uint32_t>{ip("127.0.0.1"), ip("127.0.0.2"), ip("127.0.0.3")}));
    EXPECT_EQ(h.list.count(), 3u);
    // The local search runs first, with address 0 and every transport bit.
    ASSERT_FALSE(h.fake.searches.empty());
    EXPECT_EQ(h.fake.searches.front().address, 0u);
    EXPECT_EQ(h.fake.searches.front().transport, -1);
    for (const auto& call : h.fake.searchesTo(ip("127.0.0.2"))) {
        EXPECT_EQ(call.transport, NETROV_TRANSPORT_SNMP);
        EXPECT_EQ(call.timeout, 1);
        EXPECT_EQ(call.community, "tarpon");
    }
    EXPECT_EQ(h.fake.initCalls.load(), 1);  // once, whatever the number of threads
}

TEST(SearchRun, AddressListOver255StartsExactly255)
{
    Harness h;
    const auto started = h.run(perAddressOnly(), listOf({"127.1.0.0,127.1.0.200", "127.1.1.0,127.1.1.200"}));
    ASSERT_EQ(started.size(), 255u);
    EXPECT_EQ(started.back(), ip("127.1.1.53"));
    EXPECT_EQ(h.fake.searches.size(), 256u);  // the local search and 255 addresses
}

TEST(SearchRun, IPSearchOffQueriesNoAddress)
{
    Harness h;
    SearchSettings s = perAddressOnly();
    s.IPSearch = 0;
    h.fake.devices[ip("127.0.0.1")] = FakeDevice{};
    EXPECT_TRUE(h.run(s, listOf({"127.0.0.1"})).empty());
    EXPECT_EQ(h.fake.searches.size(), 1u);
    EXPECT_EQ(h.list.count(), 0u);
}

TEST(SearchRun, DeviceFoundByBroadcastAndByAddressIsListedOnce)
{
    Harness h;
    h.fake.devices[ip("127.0.0.5")] = FakeDevice{};
    h.fake.devices[ip("127.0.0.6")] = FakeDevice{};
    SearchSettings s = perAddressOnly();
    s.BroadCast = 1;
    h.run(s, listOf({"127.0.0.5", "127.0.0.5,127.0.0.6"}));
    EXPECT_EQ(h.fake.searches.front().address, 0xFFFFFFFFu);
    EXPECT_EQ(h.list.count(), 2u);
}

TEST(SearchRun, MakerFilterIsExactAndCaseSensitive)
{
    Harness h;
    h.fake.devices[ip("127.0.0.1")].model = "Veltrano LX-1";
    h.fake.devices[ip("127.0.0.2")].model = "VELTRANO LX-2";
    h.fake.devices[ip("127.0.0.3")].model = "Other 3";
    SearchSettings s = perAddressOnly();
    s.Filter = 1;
    h.run(s, listOf({"127.0.0.1,127.0.0.3"}), "Veltrano");
    ASSERT_EQ(h.list.count(), 1u);
    EXPECT_STREQ(h.list.copy(0).identity.modelName, "Veltrano LX-1");

    Harness all;  // Filter 0 keeps every maker; an empty maker text matches every name
    all.fake.devices = h.fake.devices;
    all.run(perAddressOnly(), listOf({"127.0.0.1,127.0.0.3"}), "Veltrano");
    EXPECT_EQ(all.list.count(), 3u);
    Harness empty;
    empty.fake.devices = h.fake.devices;
    empty.run(s, listOf({"127.0.0.1,127.0.0.3"}), "");
    EXPECT_EQ(empty.list.count(), 3u);
}

TEST(SearchRun, AbortDuringTheLocalSearchStartsNoAddressAndEmptiesTheList)
{
    Harness h;
    h.fake.devices[ip("127.0.0.1")] = FakeDevice{};
    h.fake.searchDelay = std::chrono::milliseconds(300);
    SearchSettings s = perAddressOnly();
    s.BroadCast = 1;
    SearchRun run(h.library, h.list);
    ASSERT_TRUE(run.start(s, listOf({"127.0.0.1,127.0.0.9"}), ""));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    run.abort();
    EXPECT_TRUE(run.ended());
    EXPECT_TRUE(run.aborted());
    EXPECT_TRUE(run.startedAddresses().empty());
    EXPECT_EQ(h.fake.searches.size(), 1u);
    EXPECT_EQ(h.list.count(), 0u);  // the broadcast had found the device
}

TEST(SearchRun, AbortRightAfterStartIsNotLost)
{
    Harness h;
    h.fake.searchDelay = std::chrono::milliseconds(20);
    SearchRun run(h.library, h.list);
    ASSERT_TRUE(run.start(perAddressOnly(), listOf({"127.0.0.1,127.0.0.9"}), ""));
    run.abort();
    EXPECT_TRUE(run.startedAddresses().empty());
}

TEST(SearchRun, DeviceAnsweringSearchButNotStatusIsNotListed)
{
    Harness h;
    h.fake.devices[ip("127.0.0.1")].statusResult = NETROV_NO_REPLY;
    h.fake.devices[ip("127.0.0.2")].infoResult = NETROV_NO_VALUE;
    h.fake.devices[ip("127.0.0.3")] = FakeDevice{};
    h.run(perAddressOnly(), listOf({"127.0.0.1,127.0.0.3"}));
    ASSERT_EQ(h.list.count(), 1u);
    EXPECT_EQ(loadAddress(h.list.copy(0).identity.address), ip("127.0.0.3"));
}

// A device whose status objects give nothing (no host-resources device
// table) is listed as Unknown; one that does not answer its status is not.
TEST(SearchRun, ADeviceWithoutStatusObjectsIsListedAsUnknown)
{
    struct Case {
        int32_t statusResult;
        bool listed;
    };
    const Case cases[] = {{NETROV_NO_VALUE, true}, {NETROV_NO_REPLY, false}, {NETROV_OK, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.statusResult);
        Harness h;
        h.fake.devices[ip("127.0.0.1")].statusResult = c.statusResult;
        h.run(perAddressOnly(), listOf({"127.0.0.1"}));
        ASSERT_EQ(h.list.count(), c.listed ? 1u : 0u);
        if (c.statusResult == NETROV_NO_VALUE) {
            EXPECT_EQ(statusCode(h.list.copy(0)), kStatusUnknown);
            EXPECT_EQ(statusWordText(statusCode(h.list.copy(0))), "Unknown");
        }
    }
}

TEST(SearchRun, StatusTwoAndSixShowPowerSave)
{
    Harness h;
    h.fake.devices[ip("127.0.0.1")].simpleStatus = {2, 6};
    h.fake.devices[ip("127.0.0.2")].simpleStatus = {4, 5};
    // More alerts than the 15 records: the count runs past them, the 16th is never read.
    h.fake.devices[ip("127.0.0.3")].simpleStatus = std::vector<int32_t>(15, 3);
    h.fake.devices[ip("127.0.0.3")].simpleStatus.push_back(6);
    h.run(perAddressOnly(), listOf({"127.0.0.1,127.0.0.3"}));
    ASSERT_EQ(h.list.count(), 3u);
    for (const auto& e : h.list.copyAll()) {
        const uint32_t a = loadAddress(e.identity.address);
        EXPECT_EQ(statusCode(e), a == ip("127.0.0.1") ? 6 : a == ip("127.0.0.2") ? 4 : 3) << addressToText(a);
        EXPECT_EQ(e.identity.timeout, 3);  // found devices are queried with 3 s during a search
    }
    EXPECT_STREQ(statusWord(6).builtIn, "..Power Save");
    EXPECT_EQ(statusWord(-1).image, 6);
    EXPECT_STREQ(statusWord(0).builtIn, "--");
    EXPECT_EQ(statusWord(2).stringId, 304);
}

TEST(SearchRun, PerAddressSearchAndQueriesAreRetried)
{
    Harness h;
    h.fake.devices[ip("127.0.0.1")].infoFailuresFirst = {NETROV_NO_REPLY, NETROV_NO_REPLY};
    SearchSettings s = perAddressOnly();
    s.Retry = 2;
    h.run(s, listOf({"127.0.0.1", "127.0.0.2"}));
    EXPECT_EQ(h.list.count(), 1u);
    EXPECT_EQ(h.fake.infoCalls[ip("127.0.0.1")], 3);
    EXPECT_EQ(h.fake.searchesTo(ip("127.0.0.2")).size(), 3u);  // silent: Retry + 1 searches
    EXPECT_EQ(h.fake.searchesTo(ip("127.0.0.1")).size(), 1u);

    Harness once;  // one retry too few: the device is dropped
    once.fake.devices[ip("127.0.0.1")].infoFailuresFirst = {NETROV_NO_REPLY, NETROV_NO_REPLY};
    s.Retry = 1;
    once.run(s, listOf({"127.0.0.1"}));
    EXPECT_EQ(once.list.count(), 0u);
}

TEST(SearchRun, LocalSearchQueriesOnceAndGrowsItsArray)
{
    Harness h;
    h.fake.devices[ip("127.0.0.1")].infoFailuresFirst = {NETROV_NO_REPLY};
    h.fake.extraBroadcastDevices = 60;
    SearchSettings s = defaultSearchSettings();
    s.Retry = 3;
    h.run(s, {});
    const auto calls = h.fake.searchesTo(0xFFFFFFFFu);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].capacity, 50);
    EXPECT_EQ(calls[1].capacity, 66);  // 61 reported + 5
    EXPECT_EQ(h.fake.infoCalls[ip("127.0.0.1")], 1);
    EXPECT_EQ(h.list.count(), 0u);  // the extra devices never answer their queries
}

TEST(SearchRun, EndCallbackRunsOnceAfterAllThreads)
{
    Harness h;
    h.fake.devices[ip("127.0.0.1")] = FakeDevice{};
    std::atomic<int> calls{0};
    std::atomic<size_t> countAtEnd{0};
    SearchRun run(h.library, h.list);
    run.start(perAddressOnly(), listOf({"127.0.0.1,127.0.0.4"}), "", [&] {
        ++calls;
        countAtEnd = h.list.count();
    });
    run.wait();
    EXPECT_EQ(calls.load(), 1);
    EXPECT_EQ(countAtEnd.load(), 1u);
    EXPECT_FALSE(run.start(perAddressOnly(), {}, ""));  // one run per object
}

TEST(SearchRun, FoundDevicesAreQueriedWithTheTimeOutTheCallerGives)
{
    for (const int32_t timeOut : {kFoundDeviceTimeOut, 1, 7}) {
        Harness h;
        h.fake.devices[ip("127.0.0.1")] = FakeDevice{};
        h.fake.devices[ip("127.0.0.2")] = FakeDevice{};
        SearchRun run(h.library, h.list);
        if (timeOut != kFoundDeviceTimeOut) run.setFoundDeviceTimeOut(timeOut);
        ASSERT_TRUE(run.start(perAddressOnly(), listOf({"127.0.0.1,127.0.0.2"}), ""));
        run.wait();
        ASSERT_EQ(h.fake.queryTimeouts.size(), 2u);  // one information query each
        for (int32_t t : h.fake.queryTimeouts) EXPECT_EQ(t, timeOut);
        EXPECT_FALSE(run.shortage().any());
    }
}

TEST(SearchRun, TooFewDescriptorsAreReportedAndEveryAddressIsStillAsked)
{
    // 60 addresses want 136 descriptors; the run asks fewer at a time instead
    // of letting sockets fail. With the probe each address's own exchange
    // needs a socket: one that got none would fall back to the library.
    constexpr size_t kAddresses = 60;
    for (const bool probeV3 : {false, true}) {
        SCOPED_TRACE(probeV3 ? "with the SNMPv3 probe" : "without the probe");
        // The hard limit cannot be raised again, so the run happens in a child.
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const struct rlimit low = {64, 64};
            if (setrlimit(RLIMIT_NOFILE, &low) != 0) _exit(10);
            Harness h;
            SearchRun run(h.library, h.list);
            SearchExtent extent;
            extent.probeV3 = probeV3;
            run.setExtent(extent);
            if (!run.start(perAddressOnly(), listOf({"127.0.0.1,127.0.0.60"}), "")) _exit(11);
            run.wait();
            const SearchShortage shortage = run.shortage();
            if (shortage.descriptorsMissing < kAddresses * kDescriptorsPerSearch + kDescriptorReserve - 64) _exit(12);
            const std::string text = shortageText(shortage);
            if (text.find("descriptors") == std::string::npos || text.find("missing") != std::string::npos) _exit(13);
            // Nothing answers there: the library is asked per address only without the probe.
            std::lock_guard lock(h.fake.mutex);
            const auto perAddress = std::count_if(h.fake.searches.begin(), h.fake.searches.end(),
                                                  [](const auto& call) { return call.address != 0; });
            if (static_cast<size_t>(perAddress) != (probeV3 ? 0 : kAddresses)) _exit(14);
            _exit(0);
        }
        int status = -1;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status)) << "signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
}

std::vector<std::string> communitiesAskedOf(FakeDevices& fake, uint32_t address)
{
    std::vector<std::string> asked;
    for (const auto& call : fake.searchesTo(address)) asked.push_back(call.community);
    return asked;
}

TEST(SearchRun, EachAddressTriesTheCommunitiesInOrderUntilOneAnswers)
{
    Harness h;
    h.fake.devices[ip("127.0.0.1")].community = "tarpon";
    h.fake.devices[ip("127.0.0.2")].community = "site7";
    SearchSettings s = perAddressOnly();
    SearchExtent extent;
    extent.moreCommunities = {"site7", "tarpon", "never"};  // a repeat of ComName is asked once
    extent.snmpVersion = NETROV_SNMP_V2C;
    SearchRun run(h.library, h.list);
    run.setExtent(extent);
    ASSERT_TRUE(run.start(s, listOf({"127.0.0.1,127.0.0.3"}), ""));
    run.wait();

    EXPECT_EQ(communitiesAskedOf(h.fake, ip("127.0.0.1")), (std::vector<std::string>{"tarpon"}));
    EXPECT_EQ(communitiesAskedOf(h.fake, ip("127.0.0.2")), (std::vector<std::string>{"tarpon", "site7"}));
    EXPECT_EQ(communitiesAskedOf(h.fake, ip("127.0.0.3")), (std::vector<std::string>{"tarpon", "site7", "never"}));
    ASSERT_EQ(h.list.count(), 2u);
    for (const DeviceListEntry& entry : h.list.copyAll()) {
        // The entry keeps the community that answered, for every later query.
        const bool first = loadAddress(entry.identity.address) == ip("127.0.0.1");
        EXPECT_EQ(fieldText(entry.identity.community), first ? "tarpon" : "site7");
        EXPECT_EQ(netrovSnmpVersion(&entry.identity), NETROV_SNMP_V2C);
    }
    std::lock_guard lock(h.fake.mutex);
    for (const auto& call : h.fake.searches) EXPECT_EQ(call.snmpVersion, NETROV_SNMP_V2C);
}

// With the probe on, its exchange is the address's first query: the community
// it found is asked first, and a silent address costs one time-out in all.
TEST(SearchRun, TheProbeExchangeChoosesTheCommunityAndCostsOneTimeOut)
{
    struct Row {
        const char* name;
        const char* agentCommunity;  // null: nothing answers at the address
        bool onlyV3;                 // the agent answers the probe alone
        std::vector<std::string> asked;
        size_t listed;
    };
    const Row rows[] = {
        {"the second community answers", "site7", false, {"site7"}, 1},
        {"the first community answers", "tarpon", false, {"tarpon"}, 1},
        {"silent", nullptr, false, {}, 0},
        {"only SNMPv3", nullptr, true, {}, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        test::FakeAgent agent;
        if (!agent.ok()) GTEST_SKIP() << agent.error();
        const uint32_t address = ntohl(agent.addressValue());
        Harness h;
        if (row.agentCommunity) {
            agent.setCommunity(row.agentCommunity);
            agent.setObject("1.3.6.1.2.1.1.2.0", test::AgentValue::oid("1.3.6.1.4.1.32473"));
            h.fake.devices[address].community = row.agentCommunity;
        } else if (row.onlyV3) {
            test::answerOnlyTheProbe(agent, {0x80, 0x00, 0x1F, 0x88, 0x04, 'l', 'a', 'b'});
        } else {
            agent.setCommunity("nobody asks this");
        }
        SearchSettings s = perAddressOnly();
        s.TimeOut = 2;
        SearchExtent extent;
        extent.moreCommunities = {"site7"};
        extent.probeV3 = true;
        SearchRun run(h.library, h.list);
        run.setExtent(extent);
        const auto start = std::chrono::steady_clock::now();
        ASSERT_TRUE(run.start(s, listOf({addressToText(address).c_str()}), ""));
        run.wait();
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_EQ(communitiesAskedOf(h.fake, address), row.asked);
        EXPECT_EQ(h.list.count(), row.listed);
        const std::vector<CredentialsNeeded> needed = run.credentialsNeeded();
        ASSERT_EQ(needed.size(), row.onlyV3 ? 1u : 0u);
        if (row.onlyV3) {
            EXPECT_EQ(credentialsNeededList(needed), addressToText(address) + " (enterprise 8072)");
        }
        // A retry half a time-out in would make it three halves.
        EXPECT_LT(seconds, 2.6);
    }
}

TEST(SearchRun, TheRefreshAsksWithTheCommunityAndVersionTheSearchFound)
{
    Harness h;
    h.fake.devices[ip("127.0.0.2")].community = "site7";
    SearchExtent extent;
    extent.moreCommunities = {"site7"};
    extent.snmpVersion = NETROV_SNMP_V2C;
    SearchRun run(h.library, h.list);
    run.setExtent(extent);
    ASSERT_TRUE(run.start(perAddressOnly(), listOf({"127.0.0.2"}), ""));
    run.wait();
    ASSERT_EQ(h.list.count(), 1u);
    h.fake.devices[ip("127.0.0.2")].simpleStatus = {5};
    refreshDevices(h.library, h.list, perAddressOnly());
    const DeviceListEntry refreshed = h.list.copy(0);
    EXPECT_EQ(statusCode(refreshed), 5);  // the device answered its refresh
    EXPECT_EQ(fieldText(refreshed.identity.community), "site7");
    EXPECT_EQ(netrovSnmpVersion(&refreshed.identity), NETROV_SNMP_V2C);
}

TEST(SearchRun, TheLocalSearchAsksEveryCommunity)
{
    Harness h;
    h.fake.devices[ip("127.0.0.1")].community = "tarpon";
    h.fake.devices[ip("127.0.0.2")].community = "site7";
    SearchSettings s = defaultSearchSettings();
    SearchExtent extent;
    extent.moreCommunities = {"site7"};
    SearchRun run(h.library, h.list);
    run.setExtent(extent);
    ASSERT_TRUE(run.start(s, {}, ""));
    run.wait();
    EXPECT_EQ(communitiesAskedOf(h.fake, 0xFFFFFFFFu), (std::vector<std::string>{"tarpon", "site7"}));
    EXPECT_EQ(h.list.count(), 2u);
}

TEST(SearchRun, WithoutAnExtentOneCommunityAndVersionOneAsBefore)
{
    Harness h;
    h.fake.devices[ip("127.0.0.1")].community = "site7";
    h.run(perAddressOnly(), listOf({"127.0.0.1"}));
    EXPECT_EQ(communitiesAskedOf(h.fake, ip("127.0.0.1")), (std::vector<std::string>{"tarpon"}));
    EXPECT_EQ(h.list.count(), 0u);
    std::lock_guard lock(h.fake.mutex);
    for (const auto& call : h.fake.searches) EXPECT_EQ(call.snmpVersion, NETROV_SNMP_V1);
}

TEST(SearchRun, BlocksAreSweptAndOnlyTheAddressesThatAnswerAreSearched)
{
    test::FakeAgent agent;
    if (!agent.ok()) GTEST_SKIP() << agent.error();
    agent.setObject("1.3.6.1.2.1.1.2.0", test::AgentValue::oid("1.3.6.1.4.1.32473"));
    const uint32_t answering = ntohl(agent.addressValue());
    Harness h;
    h.fake.devices[answering] = FakeDevice{};
    // A range beside the answering address: its neighbours are silent.
    const uint32_t first = answering - 2;
    const uint32_t last = answering + 2;
    SearchExtent extent;
    extent.blocks = {addressToText(first) + "-" + addressToText(last)};
    SearchRun run(h.library, h.list);
    run.setExtent(extent);
    run.setSweepRate(10000);
    ASSERT_TRUE(run.start(perAddressOnly(), listOf({addressToText(last).c_str()}), ""));
    run.wait();
    // The listed address is searched once, by the list; the sweep adds the one that answered.
    EXPECT_EQ(run.startedAddresses(), (std::vector<uint32_t>{last, answering}));
    ASSERT_EQ(h.list.count(), 1u);
    EXPECT_EQ(loadAddress(h.list.copy(0).identity.address), answering);
}

TEST(SearchRun, BlocksAreNotSweptWhenTheAddressSearchIsOff)
{
    Harness h;
    SearchExtent extent;
    extent.blocks = {"127.0.0.0/30"};
    SearchSettings s = perAddressOnly();
    s.IPSearch = 0;
    SearchRun run(h.library, h.list);
    run.setExtent(extent);
    ASSERT_TRUE(run.start(s, {}, ""));
    run.wait();
    EXPECT_TRUE(run.startedAddresses().empty());
}

TEST(Refresh, SilentDeviceGetsMinusOneAndKeepsItsIdentity)
{
    Harness h;
    h.fake.devices[ip("127.0.0.1")].simpleStatus = {4, 3};
    h.fake.devices[ip("127.0.0.2")].simpleStatus = {3};
    h.run(perAddressOnly(), listOf({"127.0.0.1,127.0.0.2"}));
    ASSERT_EQ(h.list.count(), 2u);
    const size_t silentIndex = loadAddress(h.list.copy(0).identity.address) == ip("127.0.0.1") ? 0 : 1;

    h.fake.devices.erase(ip("127.0.0.1"));
    h.fake.devices[ip("127.0.0.2")].simpleStatus = {1, 6};
    h.fake.queryTimeouts.clear();
    SearchSettings s = perAddressOnly();
    s.TimeOut = 9;
    s.Retry = 1;
    refreshDevices(h.library, h.list, s);

    const DeviceListEntry silent = h.list.copy(silentIndex);
    EXPECT_EQ(statusCode(silent), -1);
    EXPECT_EQ(silent.status[1].simpleStatus, 3);  // only the first status record is replaced
    EXPECT_EQ(silent.identity.timeout, 3);        // the identity part stays as the search left it
    EXPECT_EQ(statusCode(h.list.copy(1 - silentIndex)), 6);
    for (int32_t t : h.fake.queryTimeouts) EXPECT_EQ(t, 9);
    EXPECT_EQ(h.fake.infoCalls[ip("127.0.0.1")], 1 + 2);  // one in the search, Retry + 1 in the refresh
}

TEST(DeviceListOps, CopyReplaceAndOutOfRange)
{
    DeviceList list;
    DeviceListEntry e{};
    e.identity = test::identityFor(ip("127.0.0.1"), "m");
    EXPECT_TRUE(list.appendUnique(e));
    EXPECT_FALSE(list.appendUnique(e));
    e.identity.portName[0] = 'x';  // a different port is a different device
    EXPECT_TRUE(list.appendUnique(e));
    const DeviceListEntry missing = list.copy(7);
    EXPECT_EQ(missing.identity.modelName[0], 0);
    DeviceInfo info{};
    DeviceStatus status{};
    status.simpleStatus = 5;
    EXPECT_FALSE(list.replace(2, info, status));
    EXPECT_TRUE(list.replace(1, info, status));
    EXPECT_EQ(statusCode(list.copy(1)), 5);
    list.clear();
    EXPECT_EQ(list.count(), 0u);
}

TEST(ProgressClockTest, NeverFullBeforeTheEndAndJumpsAfterIt)
{
    ProgressClock clock(11000);
    EXPECT_EQ(clock.periodMs(), 110);
    for (int i = 0; i < 300; ++i) EXPECT_FALSE(clock.tick(false));
    EXPECT_EQ(clock.position(), 99);
    EXPECT_TRUE(clock.tick(true));
    EXPECT_EQ(clock.position(), 100);

    ProgressClock early(11000);
    early.tick(false);
    early.tick(false);
    EXPECT_TRUE(early.tick(true));  // from 2 straight to 100
    EXPECT_EQ(early.position(), 100);
    EXPECT_EQ(ProgressClock(-5).periodMs(), 1);
}

}  // namespace
}  // namespace netrov::core
