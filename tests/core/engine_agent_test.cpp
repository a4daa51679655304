// The search engine through tuva and tessel against simulated printers on loopback addresses.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

#include <netrov/result_codes.h>

#include "search_run.h"
#include "walk_agents.h"

namespace netrov::core {
namespace {

using test::WalkAgents;

uint32_t ip(const char* text) { return *parseDottedQuad(text); }

#define SERVE_OR_SKIP(agents, ...) \
    if (!(agents).serve(__VA_ARGS__)) GTEST_SKIP() << (agents).whyNot()

// Broadcast stays off: these tests only ever send to 127.x addresses.
SearchSettings loopbackSettings(int32_t timeOut = 2)
{
    SearchSettings s = defaultSearchSettings();
    s.BroadCast = 0;
    s.IPSearch = 1;
    s.TimeOut = timeOut;
    return s;
}

SearchAddressList listOf(std::initializer_list<const char*> entries)
{
    SearchAddressList list;
    for (const char* e : entries) list.append(e);
    return list;
}

std::vector<uint32_t> runToEnd(DeviceList& list, const SearchSettings& s, const SearchAddressList& addresses,
                               const std::string& maker = "")
{
    SearchRun run(FrontLibrary::tuva(), list);
    EXPECT_TRUE(run.start(s, addresses, maker));
    run.wait();
    return run.startedAddresses();
}

TEST(EngineAgents, RangeOfThreeStartsThreeThreadsInOrderAndListsEach)
{
    WalkAgents agents;
    SERVE_OR_SKIP(agents, "mono_laser", {"127.0.0.1", "127.0.0.2", "127.0.0.3"});
    DeviceList list;
    const auto started = runToEnd(list, loopbackSettings(), listOf({"127.0.0.1,127.0.0.3"}));
    EXPECT_EQ(started, (std::vector<uint32_t>{ip("127.0.0.1"), ip("127.0.0.2"), ip("127.0.0.3")}));
    ASSERT_EQ(list.count(), 3u);
    std::vector<uint32_t> found;
    for (const auto& e : list.copyAll()) {
        found.push_back(loadAddress(e.identity.address));
        EXPECT_STREQ(e.identity.modelName, "Tarnwell ML-210");
        EXPECT_EQ(e.identity.transport, NETROV_TRANSPORT_SNMP);
        EXPECT_EQ(e.info.nameValid, 1);
        EXPECT_STREQ(e.info.name, "ml210-office");
        EXPECT_GE(statusCode(e), 1);
        EXPECT_LE(statusCode(e), 7);
    }
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, started);
}

TEST(EngineAgents, AddressListOver255StartsExactly255)
{
    DeviceList list;
    const auto began = std::chrono::steady_clock::now();
    const auto started = runToEnd(list, loopbackSettings(1), listOf({"127.0.48.1,127.0.48.200", "127.0.49.1,127.0.49.200"}));
    // All at once: the run lasts about one time-out, not 255 of them.
    EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::milliseconds(2500));
    ASSERT_EQ(started.size(), 255u);
    EXPECT_EQ(started.front(), ip("127.0.48.1"));
    EXPECT_EQ(started.back(), ip("127.0.49.55"));
    EXPECT_EQ(list.count(), 0u);  // nothing answers there
}

TEST(EngineAgents, SameDeviceTwiceInTheListIsListedOnce)
{
    WalkAgents agents;
    SERVE_OR_SKIP(agents, "mono_laser", {"127.0.0.1"});
    DeviceList list;
    runToEnd(list, loopbackSettings(), listOf({"127.0.0.1", "127.0.0.1,127.0.0.2"}));
    EXPECT_EQ(list.count(), 1u);
}

TEST(EngineAgents, MakerFilterIsExactAndCaseSensitive)
{
    WalkAgents agents;
    SERVE_OR_SKIP(agents, "mono_laser", {"127.0.0.1"});
    SERVE_OR_SKIP(agents, "colour_laser", {"127.0.0.2"});
    SearchSettings s = loopbackSettings();
    s.Filter = 1;
    const auto addresses = listOf({"127.0.0.1,127.0.0.2"});

    DeviceList colour;
    runToEnd(colour, s, addresses, "CL-560");
    ASSERT_EQ(colour.count(), 1u);
    EXPECT_EQ(loadAddress(colour.copy(0).identity.address), ip("127.0.0.2"));

    DeviceList lower;
    runToEnd(lower, s, addresses, "tarnwell");
    EXPECT_EQ(lower.count(), 0u);

    DeviceList maker;
    runToEnd(maker, s, addresses, "Tarnwell");
    EXPECT_EQ(maker.count(), 2u);
}

TEST(EngineAgents, DeviceAnsweringSearchButNotItsStatusIsListedAsUnknown)
{
    WalkAgents agents;
    SERVE_OR_SKIP(agents, "mono_laser", {"127.0.0.1"});
    // The device status object answers with an error; everything else as usual.
    SERVE_OR_SKIP(agents, "colour_laser", {"127.0.0.2"},
                  {{"1.3.6.1.2.1.25.3.2.1.5.1", "1.3.6.1.2.1.25.3.2.1.5.1|2:error|op=any,status=genError,value=2"}});
    DeviceList list;
    runToEnd(list, loopbackSettings(), listOf({"127.0.0.1,127.0.0.2"}));
    // A printer whose status objects give nothing is still a printer: listed, its status unknown.
    ASSERT_EQ(list.count(), 2u);

    // It does answer the search itself.
    DeviceIdentity request = {};
    request.transport = NETROV_TRANSPORT_SNMP;
    std::strcpy(request.community, "tarpon");
    request.timeout = 2;
    storeAddress(ip("127.0.0.2"), request.address);
    DeviceIdentity found[4] = {};
    int32_t count = 0;
    FrontLibrary::tuva().ensureInitialised();
    FrontLibrary::tuva().access().searchDevice(&request, 0, 0, found, 4, &count);
    EXPECT_EQ(count, 1);
}

TEST(EngineAgents, RefreshOfADeviceGoneSilentGivesMinusOne)
{
    WalkAgents agents;
    SERVE_OR_SKIP(agents, "mono_laser", {"127.0.0.1"});
    SERVE_OR_SKIP(agents, "colour_laser", {"127.0.0.2"});
    DeviceList list;
    runToEnd(list, loopbackSettings(), listOf({"127.0.0.1,127.0.0.2"}));
    ASSERT_EQ(list.count(), 2u);
    agents.stop("colour_laser");
    SearchSettings s = loopbackSettings(1);
    refreshDevices(FrontLibrary::tuva(), list, s);
    for (const auto& e : list.copyAll()) {
        if (loadAddress(e.identity.address) == ip("127.0.0.2"))
            EXPECT_EQ(statusCode(e), -1);
        else
            EXPECT_NE(statusCode(e), -1);
        EXPECT_NE(e.identity.modelName[0], 0);  // still listed, identity intact
    }
}

TEST(EngineAgents, StatusRecordsTwoAndSixShowPowerSave)
{
    // Printing (simple status 2) with two alerts: a cover alert first, then
    // the power saver alert (simple status 6).
    const std::string column = "1.3.6.1.2.1.43.18.1.1.";
    WalkAgents agents;
    SERVE_OR_SKIP(agents, "power_save", {"127.0.0.1"},
                  {{"1.3.6.1.2.1.25.3.5.1.1.1", "1.3.6.1.2.1.25.3.5.1.1.1|2|4"},
                   {column + "4.1.12", column + "4.1.11|2|6\n" + column + "4.1.12|2|5"},
                   {column + "5.1.12", column + "5.1.11|2|1\n" + column + "5.1.12|2|1"},
                   {column + "7.1.12", column + "7.1.11|2|8\n" + column + "7.1.12|2|23"}});
    DeviceList list;
    runToEnd(list, loopbackSettings(), listOf({"127.0.0.1"}));
    ASSERT_EQ(list.count(), 1u);
    DeviceListEntry entry = list.copy(0);
    EXPECT_EQ(statusCode(entry), kStatusPowerSave);

    // What the device itself reports: records 2 and 6, in that order.
    DeviceStatus records[kStatusRecords] = {};
    int32_t n = 0;
    ASSERT_EQ(FrontLibrary::tuva().access().getDevStatus(&entry.identity, 0, 0, records, kStatusRecords, &n), NETROV_OK);
    ASSERT_EQ(n, 2);
    EXPECT_EQ(records[0].simpleStatus, 2);
    EXPECT_EQ(records[1].simpleStatus, 6);
}

}  // namespace
}  // namespace netrov::core
