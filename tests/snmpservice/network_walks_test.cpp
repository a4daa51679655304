// The network queries through the standard support package against
// snmpsim: the project's walks and every real-device capture give the
// address, mask, gateway, IPv6 rows and traffic counters that the test
// computes from the walk itself, the way an SNMPv1 agent answers GetNext.
#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "decoders.h"
#include "entry_points.h"
#include "netrov/network_records.h"
#include "netrov/result_codes.h"
#include "project_walks.h"
#include "service_fixture.h"
#include "snmpsim_runner.h"
#include "walk_files.h"

using namespace netrov::test;
namespace fs = std::filesystem;

namespace {

constexpr const char* kAddress = "127.0.44.3";

uint32_t addressValue(const char* dotted)
{
    in_addr a{};
    inet_pton(AF_INET, dotted, &a);
    return a.s_addr;
}

// One GetNext of one name: the record it reads inside its object (none when
// the next record lies outside), or the end of the walk, where an SNMPv1
// agent fails the whole request.
struct Next {
    bool end = false;
    const WalkRecord* record = nullptr;
};

Next getNext(const std::vector<WalkRecord>& walk, const std::string& base, const std::string& start)
{
    for (const WalkRecord& r : walk) {
        if (netrov::tessel::compareOids(r.oid, start) > 0)
            return {false, netrov::tessel::identifierUnder(r.oid, base) ? &r : nullptr};
    }
    return {true, nullptr};
}

bool counterType(const WalkRecord& r)
{
    return r.type == "65" || r.type == "66" || r.type == "67";
}

// The first four value bytes as the service stores an address of any kind;
// nothing for a kind it does not read.
std::optional<std::vector<uint8_t>> fourBytes(const WalkRecord& r)
{
    std::vector<uint8_t> bytes(4, 0);
    if (r.type == "64") {
        if (inet_pton(AF_INET, r.value.c_str(), bytes.data()) != 1) return std::nullopt;
    } else if (r.type == "4" || r.type == "4x" || r.type == "64x") {
        memcpy(bytes.data(), r.value.data(), std::min<size_t>(4, r.value.size()));
    } else if (r.type == "2") {
        const int32_t v = std::stoi(r.value);
        memcpy(bytes.data(), &v, 4);
    } else if (counterType(r)) {
        const uint32_t v = static_cast<uint32_t>(std::stoul(r.value));
        memcpy(bytes.data(), &v, 4);
    } else {
        return std::nullopt;
    }
    return bytes;
}

struct Request {
    std::vector<Next> answers;
    bool failed() const
    {
        for (const Next& n : answers) {
            if (n.end) return true;
        }
        for (const Next& n : answers) {
            if (n.record) return false;
        }
        return true;
    }
};

Request ask(const std::vector<WalkRecord>& walk, const std::vector<std::pair<std::string, std::string>>& names)
{
    Request request;
    for (const auto& [base, start] : names) request.answers.push_back(getNext(walk, base, start));
    return request;
}

constexpr const char* kLoopbackEnd = "127.255.255.255";

struct TcpExpectation {
    int32_t result = NETROV_OK;
    std::optional<std::vector<uint8_t>> address, mask, gateway;
    std::optional<int32_t> assignment;
    bool any() const { return address || mask || gateway || assignment; }
};

TcpExpectation expectedTcp(const std::vector<WalkRecord>& walk)
{
    const std::string ip = "1.3.6.1.2.1.4.20.1.1", mask = "1.3.6.1.2.1.4.20.1.3";
    const std::string gateway = "1.3.6.1.2.1.4.21.1.7.0.0.0.0", origin = "1.3.6.1.2.1.4.34.1.6.1.4";
    const Request r = ask(walk, {{ip, ip + "." + kLoopbackEnd},
                                 {mask, mask + "." + kLoopbackEnd},
                                 {gateway, "1.3.6.1.2.1.4.21.1.7.0.0.0"},
                                 {origin, origin + "." + kLoopbackEnd}});
    TcpExpectation e;
    if (r.failed()) {
        e.result = NETROV_NO_VALUE;
        return e;
    }
    if (r.answers[0].record) e.address = fourBytes(*r.answers[0].record);
    if (r.answers[1].record) e.mask = fourBytes(*r.answers[1].record);
    if (r.answers[2].record) e.gateway = fourBytes(*r.answers[2].record);
    if (const WalkRecord* o = r.answers[3].record; o && o->type == "2") e.assignment = std::stoi(o->value);
    return e;
}

// The statistics' objects in the standard package, request by request.
const std::vector<std::vector<std::string>> kStatisticsObjects = {
    {"1.3.6.1.2.1.2.2.1.6", "1.3.6.1.2.1.1.3", "1.3.6.1.2.1.2.2.1.11", "1.3.6.1.2.1.2.2.1.17",
     "1.3.6.1.2.1.2.2.1.12", "1.3.6.1.2.1.2.2.1.18", "1.3.6.1.2.1.2.2.1.14", "1.3.6.1.2.1.2.2.1.20",
     "1.3.6.1.2.1.4.3", "1.3.6.1.2.1.4.10"},
    {"1.3.6.1.2.1.11.1", "1.3.6.1.2.1.11.2", "1.3.6.1.2.1.6.10", "1.3.6.1.2.1.6.11", "1.3.6.1.2.1.7.1",
     "1.3.6.1.2.1.7.4", "1.3.6.1.2.1.5.1", "1.3.6.1.2.1.5.14", "1.3.6.1.2.1.5.2", "1.3.6.1.2.1.5.15",
     "1.3.6.1.2.1.5.3"},
};

const FlaggedCounter* counters(const NetworkStatistics& s)
{
    return &s.inUnicast;
}

// The record the statistics query gives for a walk; nothing with the result
// code when it gives none.
std::optional<NetworkStatistics> expectedStatistics(const std::vector<WalkRecord>& walk, int32_t* result)
{
    NetworkStatistics s;
    memset(&s, 0, sizeof s);
    FlaggedCounter* counter = &s.inUnicast;
    bool any = false;
    for (size_t i = 0; i < kStatisticsObjects.size(); ++i) {
        std::vector<std::pair<std::string, std::string>> names;
        for (const std::string& o : kStatisticsObjects[i]) names.emplace_back(o, o);
        const Request r = ask(walk, names);
        if (r.failed()) {
            if (i == 0) {
                *result = NETROV_NO_VALUE;
                return std::nullopt;
            }
            break;  // a second request with nothing usable adds nothing
        }
        for (size_t k = 0; k < r.answers.size(); ++k) {
            const WalkRecord* v = r.answers[k].record;
            FlaggedCounter* c = i == 0 && k < 2 ? nullptr : counter + (i == 0 ? k - 2 : 8 + k);
            if (!v) continue;
            if (i == 0 && k == 0 && (v->type == "4" || v->type == "4x")) {
                s.macAddressValid = 1;
                memcpy(s.macAddress, v->value.data(), std::min<size_t>(6, v->value.size()));
            } else if (i == 0 && k == 1 && counterType(*v)) {
                s.upTimeValid = 1;
                s.upTime = static_cast<uint32_t>(std::stoul(v->value)) / 100;
            } else if (c && counterType(*v)) {
                c->valid = 1;
                c->value = static_cast<uint32_t>(std::stoul(v->value));
            } else {
                continue;
            }
            any = true;
        }
    }
    *result = NETROV_OK;
    if (!any) return std::nullopt;
    return s;
}

std::string dotted(const uint8_t* bytes)
{
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, bytes, text, sizeof text);
    return text;
}

std::string dotted(const std::optional<std::vector<uint8_t>>& bytes)
{
    return bytes ? dotted(bytes->data()) : "-";
}

struct Walk {
    std::string community;
    std::vector<WalkRecord> records;
};

// The project's walks, and every real capture that carries the interface or
// IP groups.
std::vector<Walk> walks(std::vector<std::string>* files)
{
    std::vector<Walk> all;
    std::vector<std::string> paths;
    for (const Expected& e : printers()) paths.push_back(projectWalk(e.walk));
    paths.push_back(projectWalk("inkjet"));
    std::error_code ec;
    std::vector<std::string> real;
    for (const auto& entry : fs::directory_iterator(realDeviceDir(), ec)) {
        if (entry.path().extension() == ".snmprec") real.push_back(entry.path().string());
    }
    std::sort(real.begin(), real.end());
    for (const std::string& path : real) {
        const std::vector<WalkRecord> records = readWalk(path);
        if (firstUnder(records, "1.3.6.1.2.1.2.2") || firstUnder(records, "1.3.6.1.2.1.4")) paths.push_back(path);
    }
    for (const std::string& path : paths) {
        all.push_back({SnmpSimRunner::communityOf(path), readWalk(path)});
        files->push_back(path);
    }
    return all;
}

class NetworkWalks : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        std::vector<std::string> files;
        all = walks(&files);
        simulator = std::make_unique<SnmpSimRunner>(files, std::vector<std::string>{kAddress});
    }
    static void TearDownTestSuite() { simulator.reset(); }
    void SetUp() override
    {
        if (!simulator->ready()) GTEST_SKIP() << simulator->whyNot();
    }
    static DeviceIdentity device(const std::string& community)
    {
        return snmpDevice(addressValue(kAddress), community.c_str(), 3);
    }

    static std::vector<Walk> all;
    static std::unique_ptr<SnmpSimRunner> simulator;
    Service service{Service::FromFile{}, Service::standardDefinition()};
};

std::vector<Walk> NetworkWalks::all;
std::unique_ptr<SnmpSimRunner> NetworkWalks::simulator;

}  // namespace

TEST_F(NetworkWalks, TcpIpGivesTheAddressMaskAndGatewayOfEachWalk)
{
    size_t withAddress = 0;
    for (const Walk& w : all) {
        SCOPED_TRACE(w.community);
        const TcpExpectation want = expectedTcp(w.records);
        DeviceIdentity d = device(w.community);
        TcpSettings tcp;
        int32_t count = -1;
        ASSERT_EQ(TUVASRV_GetDevTCP(&d, 0, 0, &tcp, 1, &count, service.record()), want.result);
        ASSERT_EQ(count, want.result == NETROV_OK && want.any() ? 1 : 0);
        if (count == 0) continue;
        EXPECT_EQ(tcp.assignmentValid, want.assignment.has_value());
        const auto shown = [](uint8_t flag, const uint8_t* bytes) { return flag ? dotted(bytes) : "-"; };
        EXPECT_EQ(shown(tcp.addressValid, tcp.address), dotted(want.address));
        EXPECT_EQ(shown(tcp.subnetMaskValid, tcp.subnetMask), dotted(want.mask));
        EXPECT_EQ(shown(tcp.gatewayValid, tcp.gateway), dotted(want.gateway));
        EXPECT_EQ(tcp.assignment, want.assignment.value_or(0));
        withAddress += want.address || want.mask;
        std::cout << w.community << ": " << dotted(want.address) << " / " << dotted(want.mask) << " via "
                  << dotted(want.gateway) << "\n";
    }
    EXPECT_GE(withAddress, printers().size());
}

TEST_F(NetworkWalks, StatisticsGiveTheCountersOfEachWalk)
{
    size_t withCounters = 0;
    for (const Walk& w : all) {
        SCOPED_TRACE(w.community);
        int32_t result = 0;
        const std::optional<NetworkStatistics> want = expectedStatistics(w.records, &result);
        DeviceIdentity d = device(w.community);
        NetworkStatistics got;
        int32_t count = -1;
        ASSERT_EQ(TUVASRV_GetDevNetInfo(&d, 0, 0, &got, 1, &count, service.record()), result);
        ASSERT_EQ(count, want ? 1 : 0);
        if (!want) continue;
        ++withCounters;
        EXPECT_EQ(got.macAddressValid, want->macAddressValid);
        EXPECT_EQ(memcmp(got.macAddress, want->macAddress, 6), 0);
        EXPECT_EQ(got.upTimeValid, want->upTimeValid);
        EXPECT_EQ(got.upTime, want->upTime);
        for (size_t i = 0; i < 19; ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(counters(got)[i].valid, counters(*want)[i].valid);
            EXPECT_EQ(counters(got)[i].value, counters(*want)[i].value);
        }
    }
    EXPECT_GE(withCounters, printers().size());
}

TEST_F(NetworkWalks, Ipv6GivesOneRecordPerAddressRowOfTheProjectWalks)
{
    const std::string addresses = "1.3.6.1.2.1.4.34.1.3.2.16", origins = "1.3.6.1.2.1.4.34.1.6.2.16";
    for (const Walk& w : all) {
        if (w.records.empty() || !firstUnder(w.records, "1.3.6.1.2.1.1.2") ||
            firstUnder(w.records, "1.3.6.1.2.1.1.2")->value.rfind("1.3.6.1.4.1.32473.", 0) != 0) {
            continue;  // the real captures carry no IPv6 rows
        }
        SCOPED_TRACE(w.community);
        std::vector<const WalkRecord*> rows, origin;
        for (const WalkRecord& r : w.records) {
            if (netrov::tessel::identifierUnder(r.oid, addresses)) rows.push_back(&r);
            if (netrov::tessel::identifierUnder(r.oid, origins)) origin.push_back(&r);
        }
        DeviceIdentity d = device(w.community);
        Ipv6Settings got[4];
        int32_t count = -1;
        ASSERT_EQ(TUVASRV_GetDevTCPIPv6(&d, 0, 0, got, 4, &count, service.record()), NETROV_OK);
        ASSERT_EQ(count, static_cast<int32_t>(rows.size()));
        for (size_t i = 0; i < rows.size(); ++i) {
            // The address is the row's index: its last 16 arcs.
            const std::string instance = rows[i]->oid.substr(addresses.size() + 1);
            uint8_t want[16] = {};
            size_t at = 0, n = 0;
            while (n < 16 && at <= instance.size()) {
                const size_t dot = instance.find('.', at);
                want[n++] = static_cast<uint8_t>(std::stoi(instance.substr(at, dot - at)));
                at = dot == std::string::npos ? instance.size() + 1 : dot + 1;
            }
            char text[INET6_ADDRSTRLEN] = {};
            inet_ntop(AF_INET6, want, text, sizeof text);
            SCOPED_TRACE(text);
            EXPECT_EQ(got[i].addressValid, 1);
            EXPECT_EQ(memcmp(got[i].address, want, 16), 0);
            ASSERT_LT(i, origin.size());
            EXPECT_EQ(got[i].autoConfig, std::stoi(origin[i]->value));
        }
    }
}
