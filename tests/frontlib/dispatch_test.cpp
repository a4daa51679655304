// Choosing the package and service of a device and forwarding every query to it.
#include "tuva_install.h"

#include "netrov/tuva_queries.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

namespace netrov::test {
namespace {

struct Query {
    int ordinal;
    const char* name;
};

constexpr Query kQueries[] = {
#define QUERY_ENTRY(ordinal, Name) {ordinal, #Name},
    NETROV_FORWARDED_QUERIES(QUERY_ENTRY)
#undef QUERY_ENTRY
};

// A package whose four transports each have a service library of their own.
const char* const kFourServices =
    "[CONFIG]\n"
    "SUPPORT1=1.3.6.1.4.1.1\\Model One\n"
    "SUPPORTNOCOMP1=Model 1\n"
    "LIB_SNMP=libsnmp.so\nCFG_SNMP=snmp.xml\nLANG_SNMP=snmp.lng\n"
    "LIB_LPT=liblpt.so\nLANG_LPT=lpt.lng\n"
    "LIB_USB=libusb.so\nCFG_USB=broken.xml\n"
    "LIB_MSG=libmsg.so\nCFG_MSG=msg.xml\n"
    "IMAGEDIR=images\n";

class Dispatch : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* library : {"libsnmp.so", "liblpt.so", "libusb.so", "libmsg.so"}) tuva.addService(library);
        tuva.writeFile("snmp.xml", "<definitions><oid name='A' value='1.3.6'/></definitions>");
        tuva.writeFile("msg.xml", "<messages/>");
        tuva.writeFile("broken.xml", "<unclosed>");
    }

    TuvaInstall tuva;
};

TEST_F(Dispatch, EveryForwardedQueryReachesTheEntryPointOfItsNameUnchanged)
{
    tuva.addPackage("pkg", kFourServices);
    ASSERT_EQ(tuva.init(nullptr), 0);
    auto snmp = tuva.service("libsnmp.so");
    ASSERT_NE(snmp, nullptr);

    ASSERT_EQ(std::size(kQueries), 68u);
    int32_t expectedCalls = 0;
    for (const Query& query : kQueries) {
        SCOPED_TRACE(query.name);
        std::string exportName = std::string("TUVA_") + query.name;
        auto forward = tuva.get<TuvaQueryFn>(exportName.c_str());
        DeviceIdentity device = deviceOf("Model One");
        char records[8] {};
        int32_t count = 0;
        EXPECT_EQ(forward(&device, 11, -22, records, 8, &count), fakeResultOf(query.ordinal));
        ASSERT_EQ(snmp->callCount(), ++expectedCalls);
        FakeCall call = snmp->lastCall();
        EXPECT_STREQ(call.entry, (std::string("TUVASRV_") + query.name).c_str());
        EXPECT_EQ(call.option1, 11);
        EXPECT_EQ(call.option2, -22);
        EXPECT_EQ(call.records, static_cast<void*>(records));
        EXPECT_EQ(call.capacity, 8);
        EXPECT_EQ(call.count, &count);
        EXPECT_EQ(std::memcmp(&call.device, &device, sizeof device), 0);
    }
}

TEST_F(Dispatch, TransportCodeChoosesTheServiceAndItsRecord)
{
    tuva.addPackage("pkg", kFourServices);
    ASSERT_EQ(tuva.init(nullptr), 0);

    struct Case {
        int32_t transport;
        const char* library;
    };
    for (Case c : {Case {NETROV_TRANSPORT_MSG, "libmsg.so"}, Case {NETROV_TRANSPORT_SNMP, "libsnmp.so"},
                   Case {NETROV_TRANSPORT_LPT, "liblpt.so"}, Case {NETROV_TRANSPORT_USB, "libusb.so"}}) {
        SCOPED_TRACE(c.library);
        DeviceIdentity device = deviceOf("Model 1", c.transport);  // the alternative name
        EXPECT_EQ(tuva.getMsg(&device, 0, 0, nullptr, 0, nullptr), fakeResultOf(37));
        auto service = tuva.service(c.library);
        ASSERT_NE(service, nullptr);
        ASSERT_EQ(service->callCount(), 1);
        EXPECT_EQ(service->lastCall().library, service->handle());
        EXPECT_STREQ(service->lastCall().libraryFile, c.library);
        EXPECT_EQ(service->lastCall().imageDirectory, (tuva.dir() / "images").string());
    }

    FakeCall snmp = tuva.service("libsnmp.so")->lastCall();
    EXPECT_STREQ(snmp.definitionFile, "snmp.xml");
    EXPECT_TRUE(snmp.hasDocument);
    // The services open these themselves: they get them from the installation's folder.
    EXPECT_EQ(snmp.languageFile, (tuva.dir() / "snmp.lng").string());
    FakeCall lpt = tuva.service("liblpt.so")->lastCall();
    EXPECT_FALSE(lpt.hasDefinitionFile);
    EXPECT_FALSE(lpt.hasDocument);
    EXPECT_EQ(lpt.languageFile, (tuva.dir() / "lpt.lng").string());
    FakeCall usb = tuva.service("libusb.so")->lastCall();
    EXPECT_STREQ(usb.definitionFile, "broken.xml");
    EXPECT_FALSE(usb.hasDocument);  // a malformed document stays closed
    EXPECT_STREQ(usb.languageFile, "");
    EXPECT_TRUE(tuva.service("libmsg.so")->lastCall().hasDocument);

    for (int32_t transport : {0, 3, 16, -1}) {
        DeviceIdentity device = deviceOf("Model One", transport);
        EXPECT_EQ(tuva.getDevInfo(&device, 0, 0, nullptr, 0, nullptr), NETROV_NO_SERVICE) << transport;
    }
    EXPECT_EQ(tuva.getDevInfo(nullptr, 0, 0, nullptr, 0, nullptr), NETROV_NO_SERVICE);
}

TEST_F(Dispatch, MissingLibraryAndMissingEntryPointHaveTheirOwnResults)
{
    tuva.addService("libbare.so", /*bare=*/true);
    tuva.addPackage("pkg",
                    "[CONFIG]\nSUPPORT1=1.1\\Model One\n"
                    "LIB_SNMP=libbare.so\n"          // loads, exports nothing
                    "LIB_LPT=libmissing.so\n");      // cannot be loaded
    ASSERT_EQ(tuva.init(nullptr), 0);

    DeviceIdentity device = deviceOf("Model One", NETROV_TRANSPORT_SNMP);
    EXPECT_EQ(tuva.getDevInfo(&device, 0, 0, nullptr, 0, nullptr), NETROV_NO_ENTRY_POINT);
    device.transport = NETROV_TRANSPORT_LPT;
    EXPECT_EQ(tuva.getDevInfo(&device, 0, 0, nullptr, 0, nullptr), NETROV_NO_LIBRARY);
    device.transport = NETROV_TRANSPORT_USB;  // no library key at all
    EXPECT_EQ(tuva.getDevInfo(&device, 0, 0, nullptr, 0, nullptr), NETROV_NO_LIBRARY);
    // No package lists the model and none is without models.
    DeviceIdentity unknown = deviceOf("Unknown");
    EXPECT_EQ(tuva.getDevInfo(&unknown, 0, 0, nullptr, 0, nullptr), NETROV_NO_SERVICE);
}

TEST_F(Dispatch, LibrariesAreFoundInTheLibraryDirectoryOrByRelativePath)
{
    tuva.addService("services/libnested.so");
    tuva.addPackage("pkg",
                    "[CONFIG]\nSUPPORT1=1.1\\Model One\n"
                    "LIB_SNMP=services/libnested.so\n"
                    "LIB_LPT=libnested.so\n");  // a bare name is not looked up in subfolders
    ASSERT_EQ(tuva.init(nullptr), 0);
    DeviceIdentity device = deviceOf("Model One");
    EXPECT_EQ(tuva.getDevInfo(&device, 0, 0, nullptr, 0, nullptr), fakeResultOf(10));
    device.transport = NETROV_TRANSPORT_LPT;
    EXPECT_EQ(tuva.getDevInfo(&device, 0, 0, nullptr, 0, nullptr), NETROV_NO_LIBRARY);
}

TEST_F(Dispatch, ModelChoosesThePackageElseTheFirstPackageWithoutModels)
{
    tuva.addService("libone.so");
    tuva.addService("libtwo.so");
    tuva.addService("libfallback1.so");
    tuva.addService("libfallback2.so");
    tuva.addPackage("one", "[CONFIG]\nSUPPORT1=1.1\\Shared\nSUPPORT2=1.2\\Only One\nLIB_SNMP=libone.so\n");
    tuva.addPackage("two", "[CONFIG]\nSUPPORT1=1.1\\Shared\nSUPPORT2=1.3\\Only Two\nLIB_SNMP=libtwo.so\n");
    tuva.addPackage("fallback1", "[CONFIG]\nSUPPORT1=no model here\nLIB_SNMP=libfallback1.so\n");
    tuva.addPackage("fallback2", "[CONFIG]\nLIB_SNMP=libfallback2.so\n");
    ASSERT_EQ(tuva.init(nullptr), 0);

    auto firstOf = [&](const std::string& a, const std::string& b) {
        for (const std::string& name : tuva.listingOrder()) {
            if (name == a || name == b) return name;
        }
        return std::string();
    };
    auto served = [&](const std::string& model) {
        DeviceIdentity device = deviceOf(model);
        EXPECT_GT(tuva.getDevInfo(&device, 0, 0, nullptr, 0, nullptr), 1000);
        for (const char* library : {"libone.so", "libtwo.so", "libfallback1.so", "libfallback2.so"}) {
            auto service = tuva.service(library);
            if (service && service->callCount() > 0 && std::string(service->lastCall().device.modelName) == model) {
                return std::string(library).substr(3, std::strlen(library) - 6);
            }
        }
        return std::string();
    };
    EXPECT_EQ(served("Only Two"), "two");
    EXPECT_EQ(served("Shared"), firstOf("one", "two"));
    // Model names match exactly.
    EXPECT_EQ(served("only two"), firstOf("fallback1", "fallback2"));
}

TEST_F(Dispatch, ZeroTimeOutReachesTheServiceAsThree)
{
    tuva.addPackage("pkg", kFourServices);
    ASSERT_EQ(tuva.init(nullptr), 0);
    auto snmp = tuva.service("libsnmp.so");

    DeviceIdentity device = deviceOf("Model One", NETROV_TRANSPORT_SNMP, 0);
    tuva.getDevInfo(&device, 0, 0, nullptr, 0, nullptr);
    EXPECT_EQ(snmp->lastCall().device.timeout, 3);
    EXPECT_EQ(device.timeout, 3);  // written into the caller's record

    device.timeout = 9;
    tuva.getDevInfo(&device, 0, 0, nullptr, 0, nullptr);
    EXPECT_EQ(snmp->lastCall().device.timeout, 9);

    // Even a query that finds no service applies the default.
    DeviceIdentity unserved = deviceOf("Model One", 3, 0);
    EXPECT_EQ(tuva.getDevInfo(&unserved, 0, 0, nullptr, 0, nullptr), NETROV_NO_SERVICE);
    EXPECT_EQ(unserved.timeout, 3);
}

TEST_F(Dispatch, ManyThreadsQueryTheLoadedPackagesAtOnce)
{
    tuva.addPackage("pkg", kFourServices);
    tuva.addPackage("other", "[CONFIG]\nLIB_LPT=liblpt.so\n");
    ASSERT_EQ(tuva.init(nullptr), 0);
    std::atomic<int> wrong {0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 200; ++i) {
                DeviceIdentity device = deviceOf(t % 2 ? "Model One" : "Unlisted", t % 2 ? NETROV_TRANSPORT_SNMP : NETROV_TRANSPORT_LPT, 0);
                if (tuva.getDevInfo(&device, t, i, nullptr, 0, nullptr) != fakeResultOf(10)) ++wrong;
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_EQ(tuva.service("libsnmp.so")->callCount(), 800);
    EXPECT_EQ(tuva.service("liblpt.so")->callCount(), 800);
}

}  // namespace
}  // namespace netrov::test
