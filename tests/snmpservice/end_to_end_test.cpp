// Search, information and status through the front library, from many
// threads at once against many simulated devices, as the application runs
// its per-address searches.
#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "netrov/device_records.h"
#include "netrov/result_codes.h"
#include "netrov/tuva.h"
#include "project_walks.h"
#include "snmpsim_runner.h"
#include "walk_files.h"

using namespace netrov::test;

namespace {

constexpr int kDevices = 8;
constexpr int kRounds = 3;

std::string addressOf(int i) { return "127.0.44." + std::to_string(10 + i); }

DeviceIdentity searchRequest(const std::string& address, const char* community)
{
    DeviceIdentity d;
    memset(&d, 0, sizeof d);
    d.transport = NETROV_TRANSPORT_SNMP;
    strncpy(d.community, community, sizeof d.community - 1);
    d.timeout = 2;
    inet_pton(AF_INET, address.c_str(), d.address);
    return d;
}

// Runs every query of one round for one address; returns a description of
// the first mismatch, or an empty text.
std::string queryDevice(const std::string& address)
{
    for (const Expected& e : printers()) {
        DeviceIdentity request = searchRequest(address, e.walk);
        DeviceIdentity found[4];
        int32_t count = 0;
        if (TUVA_SearchDevice(&request, 0, 0, found, 4, &count) != NETROV_OK || count != 1)
            return address + " " + e.walk + ": search count " + std::to_string(count);
        if (strcmp(found[0].modelName, e.model) != 0 || memcmp(found[0].address, request.address, 4) != 0)
            return address + " " + e.walk + ": found " + found[0].modelName;
        DeviceInfo info;
        if (TUVA_GetDevInfo(&found[0], 0, 0, &info, 1, &count) != NETROV_OK || count != 1
            || strcmp(info.name, e.name) != 0 || memcmp(info.macAddress, e.mac, 6) != 0)
            return address + " " + e.walk + ": information";
        DeviceStatus status[8];
        if (TUVA_GetDevStatus(&found[0], 0, 0, status, 8, &count) != NETROV_OK
            || static_cast<size_t>(count) != e.status.size())
            return address + " " + e.walk + ": status count " + std::to_string(count);
        for (size_t i = 0; i < e.status.size(); ++i) {
            if (status[i].alertCode != e.status[i][0] || status[i].simpleStatus != e.status[i][3])
                return address + " " + e.walk + ": alert " + std::to_string(status[i].alertCode);
        }
    }
    DeviceIdentity request = searchRequest(address, "switch");
    DeviceIdentity found[4];
    int32_t count = 0;
    if (TUVA_SearchDevice(&request, 0, 0, found, 4, &count) != NETROV_OK || count != 0)
        return address + " switch: found " + std::to_string(count);
    return {};
}

}  // namespace

TEST(EndToEnd, ManyThreadsQueryManyDevicesThroughOneFrontLibrary)
{
    const std::string output = NETROV_OUTPUT_DIR;
    if (!std::filesystem::exists(output + "/libtessel.so") || !std::filesystem::exists(output + "/other/support.ini"))
        GTEST_SKIP() << "the service or its support package is not in " << output;
    std::vector<std::string> walks;
    for (const Expected& e : printers()) walks.push_back(projectWalk(e.walk));
    walks.push_back(projectWalk("switch"));
    std::vector<std::string> addresses;
    for (int i = 0; i < kDevices; ++i) addresses.push_back(addressOf(i));
    SnmpSimRunner simulator(walks, addresses);
    if (!simulator.ready()) GTEST_SKIP() << simulator.whyNot();

    const std::filesystem::path before = std::filesystem::current_path();
    ASSERT_EQ(TUVA_Init(nullptr), 0);
    std::vector<std::string> failures(kDevices);
    std::vector<std::thread> threads;
    for (int t = 0; t < kDevices; ++t) {
        threads.emplace_back([t, &failures] {
            for (int round = 0; round < kRounds && failures[static_cast<size_t>(t)].empty(); ++round) {
                failures[static_cast<size_t>(t)] = queryDevice(addressOf(t));
            }
        });
    }
    for (std::thread& thread : threads) thread.join();

    // The Set operations reach the service by name; the standard package
    // names no object for them, so nothing is written to the device.
    DeviceIdentity request = searchRequest(addressOf(0), printers()[0].walk);
    DeviceIdentity found[4];
    int32_t count = 0;
    const int32_t searched = TUVA_SearchDevice(&request, 0, 0, found, 4, &count);
    EXPECT_EQ(searched, NETROV_OK);
    EXPECT_EQ(count, 1);
    if (searched == NETROV_OK && count == 1) {
        for (auto set : {TUVA_SetDeviceTrap, TUVA_SetJobTrap, TUVA_SetJobContinue, TUVA_SetJobCancel}) {
            EXPECT_EQ(set(&found[0], 0, 0, nullptr, 0, nullptr), NETROV_NOT_DEFINED);
        }
    }
    TUVA_Free();
    std::filesystem::current_path(before);
    for (const std::string& f : failures) EXPECT_EQ(f, "");
}
