// Every real-device capture that holds Printer-MIB objects is found by a
// unicast search, with the model and system identifier of its own walk, and
// its information and status read without error.
#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "entry_points.h"
#include "netrov/result_codes.h"
#include "service_fixture.h"
#include "snmpsim_runner.h"
#include "walk_files.h"

using namespace netrov::test;
namespace fs = std::filesystem;

namespace {

constexpr const char* kAddress = "127.0.44.2";
constexpr const char* kPrinterMib = "1.3.6.1.2.1.43";
// The model objects in the order the standard document asks them:
// hrDeviceDescr, prtGeneralPrinterName, sysDescr.
constexpr const char* kModelObjects[] = {"1.3.6.1.2.1.25.3.2.1.3", "1.3.6.1.2.1.43.5.1.1.16", "1.3.6.1.2.1.1.1"};
constexpr size_t kIdentityOnlyRecords = 6;
constexpr const char* kDeviceStatus = "1.3.6.1.2.1.25.3.2.1.5";   // hrDeviceStatus
constexpr const char* kPrinterStatus = "1.3.6.1.2.1.25.3.5.1.1";  // hrPrinterStatus

// Captures left out, and why. Each lacks every model object; the test checks that.
const std::map<std::string, std::string> kLeftOut = {
    {"jetdirect_supplies_context@Jetdirect", "supplies records of a second context; no system group, no hrDeviceTable"},
};

// The model a search reads from a walk: the first model object with a value.
const WalkRecord* modelOf(const std::vector<WalkRecord>& records)
{
    for (const char* object : kModelObjects) {
        const WalkRecord* r = firstUnder(records, object);
        if (r && !r->value.empty()) return r;
    }
    return nullptr;
}

struct Capture {
    std::string path;
    std::string community;
    std::vector<WalkRecord> records;
};

std::vector<Capture> printerCaptures(std::vector<std::string>* leftOut)
{
    std::vector<Capture> captures;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(realDeviceDir(), ec)) {
        if (entry.path().extension() != ".snmprec") continue;
        Capture c{entry.path().string(), SnmpSimRunner::communityOf(entry.path().string()), readWalk(entry.path().string())};
        if (!firstUnder(c.records, kPrinterMib)) continue;
        if (c.records.size() <= kIdentityOnlyRecords) {
            leftOut->push_back(c.community + ": identity-only capture of " + std::to_string(c.records.size()) + " records");
            continue;
        }
        if (kLeftOut.count(c.community)) {
            EXPECT_EQ(modelOf(c.records), nullptr) << c.community << " has a model object after all";
            leftOut->push_back(c.community + ": " + kLeftOut.at(c.community));
            continue;
        }
        captures.push_back(std::move(c));
    }
    std::sort(captures.begin(), captures.end(), [](const Capture& a, const Capture& b) { return a.community < b.community; });
    return captures;
}

uint32_t addressValue(const char* dotted)
{
    in_addr a{};
    inet_pton(AF_INET, dotted, &a);
    return a.s_addr;
}

}  // namespace

TEST(RealDevices, PrinterMibCapturesAreFoundAndRead)
{
    if (!fs::is_directory(realDeviceDir())) GTEST_SKIP() << "no real-device captures at " << realDeviceDir();
    std::vector<std::string> leftOut;
    const std::vector<Capture> captures = printerCaptures(&leftOut);
    ASSERT_FALSE(captures.empty());
    for (const std::string& why : leftOut) std::cout << "left out: " << why << "\n";

    std::vector<std::string> files;
    for (const Capture& c : captures) files.push_back(c.path);
    SnmpSimRunner simulator(files, {kAddress});
    if (!simulator.ready()) GTEST_SKIP() << simulator.whyNot();

    Service service(Service::FromFile{}, Service::standardDefinition());
    ASSERT_TRUE(service.loaded());
    for (const Capture& c : captures) {
        SCOPED_TRACE(c.community);
        const WalkRecord* model = modelOf(c.records);
        ASSERT_NE(model, nullptr) << "a Printer-MIB capture without a model object; list it as left out";
        const WalkRecord* sysId = firstUnder(c.records, "1.3.6.1.2.1.1.2");

        DeviceIdentity request = snmpDevice(addressValue(kAddress), c.community.c_str(), 3);
        DeviceIdentity found[2];
        int32_t count = 0;
        ASSERT_EQ(TUVASRV_SearchDevice(&request, 0, 0, found, 2, &count, service.record()), NETROV_OK);
        ASSERT_EQ(count, 1);
        // The model object whole; a system description up to its first separator.
        const std::string modelName(found[0].modelName);
        EXPECT_FALSE(modelName.empty());
        EXPECT_EQ(model->value.substr(0, modelName.size()), modelName);
        EXPECT_EQ(std::string(found[0].sysObjectId), sysId ? sysId->value : std::string());

        DeviceInfo info[2];
        EXPECT_EQ(TUVASRV_GetDevInfo(&found[0], 0, 0, info, 2, &count, service.record()), NETROV_OK);
        EXPECT_LE(count, 1);

        DeviceStatus status[32];
        const int32_t statusResult = TUVASRV_GetDevStatus(&found[0], 0, 0, status, 32, &count, service.record());
        if (!firstUnder(c.records, kDeviceStatus) && !firstUnder(c.records, kPrinterStatus)) {
            // Captures without the status objects: found, with an unknown status.
            EXPECT_EQ(statusResult, NETROV_NO_VALUE);
            ASSERT_GE(count, 1);
            EXPECT_EQ(status[0].failed, 0);
            EXPECT_EQ(status[0].simpleStatus, NETROV_SIMPLE_STATUS_UNKNOWN);
            std::cout << c.community << ": \"" << found[0].modelName << "\", no status objects\n";
            continue;
        }
        ASSERT_EQ(statusResult, NETROV_OK);
        ASSERT_GE(count, 1);
        EXPECT_EQ(status[0].failed, 0);
        EXPECT_EQ(status[0].simpleStatusValid, 1);
        std::cout << c.community << ": \"" << found[0].modelName << "\" " << found[0].sysObjectId
                  << ", status " << status[0].simpleStatus << " (alert code " << status[0].alertCode << ")\n";
    }
}
