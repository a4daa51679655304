// The search over all packages: which services are asked and how their findings merge.
#include "tuva_install.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <limits>
#include <vector>

namespace netrov::test {
namespace {

std::vector<DeviceIdentity> devices(int first, int count)
{
    std::vector<DeviceIdentity> list;
    for (int i = first; i < first + count; ++i) list.push_back(foundDevice(i));
    return list;
}

class Search : public ::testing::Test {
protected:
    // Searches with the given mask into capacity records.
    int32_t search(int32_t mask, int32_t capacity, std::vector<DeviceIdentity>& found, int32_t timeout = 5)
    {
        found.assign(static_cast<std::size_t>(capacity), foundDevice(9999, "stale"));
        DeviceIdentity filter = deviceOf("", mask, timeout);
        int32_t count = -1;
        EXPECT_EQ(tuva.search(&filter, 7, 8, found.data(), capacity, &count), 0);
        return count;
    }

    TuvaInstall tuva;
};

TEST_F(Search, SixtyDistinctDevicesIntoFiftySlotsCountSixty)
{
    tuva.addService("liba.so");
    tuva.addService("libb.so");
    tuva.addPackage("a", "[CONFIG]\nSUPPORT1=1.1\\A\nLIB_SNMP=liba.so\n");
    tuva.addPackage("b", "[CONFIG]\nSUPPORT1=1.2\\B\nLIB_SNMP=libb.so\n");
    ASSERT_EQ(tuva.init(nullptr), 0);
    tuva.service("liba.so")->setSearchResult(devices(0, 30));
    tuva.service("libb.so")->setSearchResult(devices(100, 30));

    std::vector<DeviceIdentity> found;
    EXPECT_EQ(search(NETROV_TRANSPORT_ALL, 50, found), 60);
    bool aFirst = tuva.listingOrder().front() == "a";
    std::vector<DeviceIdentity> expected = aFirst ? devices(0, 30) : devices(100, 30);
    std::vector<DeviceIdentity> second = aFirst ? devices(100, 20) : devices(0, 20);
    expected.insert(expected.end(), second.begin(), second.end());
    ASSERT_EQ(found.size(), 50u);
    for (std::size_t i = 0; i < 50; ++i) {
        EXPECT_EQ(std::memcmp(&found[i], &expected[i], sizeof(DeviceIdentity)), 0) << i;
    }
}

TEST_F(Search, OneServiceReportingMoreThanTheCapacityIsCountedInFull)
{
    tuva.addService("liba.so");
    tuva.addPackage("a", "[CONFIG]\nLIB_SNMP=liba.so\n");
    ASSERT_EQ(tuva.init(nullptr), 0);
    auto service = tuva.service("liba.so");
    service->setSearchResult(devices(0, 60));

    std::vector<DeviceIdentity> found;
    EXPECT_EQ(search(NETROV_TRANSPORT_SNMP, 50, found), 60);
    EXPECT_EQ(service->lastCall().capacity, 50);
    EXPECT_EQ(std::memcmp(&found[49], &devices(49, 1)[0], sizeof(DeviceIdentity)), 0);

    // Records the service counted but could not store are counted, never read.
    std::vector<DeviceIdentity> twice = devices(0, 3);
    twice.insert(twice.end(), twice.begin(), twice.end());  // 0 1 2 0 1 2
    service->setSearchResult(twice);
    EXPECT_EQ(search(NETROV_TRANSPORT_SNMP, 4, found), 5);  // 0 1 2 kept, 0 dropped, two counted

    // Without an array the search only counts.
    DeviceIdentity filter = deviceOf("", NETROV_TRANSPORT_SNMP);
    int32_t count = -1;
    EXPECT_EQ(tuva.search(&filter, 0, 0, nullptr, 0, &count), 0);
    EXPECT_EQ(count, 6);
    EXPECT_EQ(tuva.search(&filter, 0, 0, nullptr, 10, &count), 0);
    EXPECT_EQ(count, 6);
    EXPECT_EQ(tuva.search(&filter, 0, 0, found.data(), 4, nullptr), 0);
    EXPECT_EQ(tuva.search(nullptr, 0, 0, found.data(), 4, &count), 0);
    EXPECT_EQ(count, 0);
}

TEST_F(Search, DuplicatesByTheEqualityRuleAreDroppedWhileThereIsRoom)
{
    tuva.addService("liba.so");
    tuva.addService("libb.so");
    tuva.addPackage("a", "[CONFIG]\nLIB_SNMP=liba.so\n");
    tuva.addPackage("b", "[CONFIG]\nLIB_SNMP=libb.so\n");
    ASSERT_EQ(tuva.init(nullptr), 0);

    DeviceIdentity same = foundDevice(1);
    DeviceIdentity sameElsewhere = same;  // differs only in fields the rule ignores
    std::strcpy(sameElsewhere.sysObjectId, "1.3.6.1.4.1.99");
    std::strcpy(sameElsewhere.community, "private");
    sameElsewhere.timeout = 42;
    DeviceIdentity otherPort = same;
    std::strcpy(otherPort.portName, "LPT2");
    DeviceIdentity otherModel = same;
    std::strcpy(otherModel.modelName, "model");  // case matters
    DeviceIdentity otherTransport = same;
    otherTransport.transport = NETROV_TRANSPORT_LPT;

    tuva.service("liba.so")->setSearchResult({same, otherPort});
    tuva.service("libb.so")->setSearchResult({sameElsewhere, otherModel, otherTransport, otherPort});
    std::vector<DeviceIdentity> found;
    EXPECT_EQ(search(NETROV_TRANSPORT_SNMP, 10, found), 4);
    bool aFirst = tuva.listingOrder().front() == "a";
    // The first copy of a device stays.
    EXPECT_STREQ(found[0].community, aFirst ? "public" : "private");
    EXPECT_STREQ(found[4].modelName, "");  // the rest of the array is cleared
}

TEST_F(Search, DuplicateTestStopsAtCapacity)
{
    tuva.addService("liba.so");
    tuva.addService("libb.so");
    tuva.addPackage("a", "[CONFIG]\nLIB_SNMP=liba.so\n");
    tuva.addPackage("b", "[CONFIG]\nLIB_SNMP=libb.so\n");
    ASSERT_EQ(tuva.init(nullptr), 0);
    tuva.service("liba.so")->setSearchResult(devices(0, 5));
    tuva.service("libb.so")->setSearchResult(devices(0, 5));

    std::vector<DeviceIdentity> found;
    EXPECT_EQ(search(NETROV_TRANSPORT_SNMP, 6, found), 5);
    // Full array: everything further counts, duplicates included.
    EXPECT_EQ(search(NETROV_TRANSPORT_SNMP, 5, found), 10);
}

TEST_F(Search, TwoPackagesNamingOneSnmpLibraryCallItOnce)
{
    tuva.addService("libshared.so");
    tuva.addService("libnodef.so");
    tuva.writeFile("def.xml", "<definitions/>");
    tuva.addPackage("a", "[CONFIG]\nSUPPORT1=1.1\\A\nLIB_SNMP=libshared.so\nCFG_SNMP=def.xml\n");
    tuva.addPackage("b", "[CONFIG]\nSUPPORT1=1.2\\B\nLIB_SNMP=libshared.so\nCFG_SNMP=def.xml\n");
    // Without a definition file the first mention does not count as a search.
    tuva.addPackage("c", "[CONFIG]\nSUPPORT1=1.3\\C\nLIB_SNMP=libnodef.so\n");
    tuva.addPackage("d", "[CONFIG]\nSUPPORT1=1.4\\D\nLIB_SNMP=libnodef.so\n");
    ASSERT_EQ(tuva.init(nullptr), 0);
    tuva.service("libshared.so")->setSearchResult(devices(0, 2));

    std::vector<DeviceIdentity> found;
    EXPECT_EQ(search(NETROV_TRANSPORT_SNMP, 10, found), 2);
    EXPECT_EQ(tuva.service("libshared.so")->countOf("TUVASRV_SearchDevice"), 1);
    EXPECT_EQ(tuva.service("libnodef.so")->countOf("TUVASRV_SearchDevice"), 2);
}

TEST_F(Search, MaskChoosesTransportsAndALibraryServesOnePackageOnce)
{
    tuva.addService("libsnmp.so");
    tuva.addService("liblpt.so");
    tuva.addService("libmsg.so");
    tuva.addService("libboth.so");
    tuva.addPackage("a", "[CONFIG]\nLIB_SNMP=libsnmp.so\nLIB_LPT=liblpt.so\nLIB_USB=liblpt.so\nLIB_MSG=libmsg.so\n");
    tuva.addPackage("b", "[CONFIG]\nLIB_SNMP=libboth.so\nLIB_LPT=libboth.so\nLIB_USB=libboth.so\n");
    ASSERT_EQ(tuva.init(nullptr), 0);
    auto calls = [&](const char* library) { return tuva.service(library)->countOf("TUVASRV_SearchDevice"); };

    std::vector<DeviceIdentity> found;
    search(NETROV_TRANSPORT_ALL, 5, found);
    EXPECT_EQ(calls("libsnmp.so"), 1);
    EXPECT_EQ(calls("liblpt.so"), 1);   // USB names the library LPT used
    EXPECT_EQ(calls("libboth.so"), 1);  // LPT and USB name the library SNMP used
    EXPECT_EQ(calls("libmsg.so"), 0);   // the message service never searches

    search(NETROV_TRANSPORT_LPT | NETROV_TRANSPORT_USB, 5, found);
    EXPECT_EQ(calls("libsnmp.so"), 1);
    EXPECT_EQ(calls("liblpt.so"), 2);
    EXPECT_EQ(calls("libboth.so"), 2);  // SNMP was not searched, so LPT asks

    search(NETROV_TRANSPORT_USB | NETROV_TRANSPORT_MSG, 5, found);
    EXPECT_EQ(calls("liblpt.so"), 3);
    EXPECT_EQ(calls("libboth.so"), 3);
    EXPECT_EQ(calls("libmsg.so"), 0);
}

TEST_F(Search, FilterOptionsAndServiceRecordReachTheServiceWithTheTimeOutDefault)
{
    tuva.addService("libsrv.so");
    tuva.writeFile("def.xml", "<definitions/>");
    tuva.addPackage("a", "[CONFIG]\nLIB_SNMP=libsrv.so\nCFG_SNMP=def.xml\nLANG_SNMP=lang.ini\nIMAGEDIR=img\n");
    ASSERT_EQ(tuva.init(nullptr), 0);
    auto service = tuva.service("libsrv.so");

    std::vector<DeviceIdentity> found;
    search(NETROV_TRANSPORT_ALL, 3, found, 0);
    FakeCall call = service->lastCall();
    EXPECT_EQ(call.device.timeout, 3);
    EXPECT_EQ(call.device.transport, NETROV_TRANSPORT_ALL);
    EXPECT_STREQ(call.device.community, "public");
    EXPECT_EQ(call.option1, 7);
    EXPECT_EQ(call.option2, 8);
    EXPECT_EQ(call.capacity, 3);
    EXPECT_NE(call.records, static_cast<void*>(found.data()));  // a scratch array, not the caller's
    EXPECT_STREQ(call.libraryFile, "libsrv.so");
    EXPECT_TRUE(call.hasDocument);
    EXPECT_EQ(call.languageFile, (tuva.dir() / "lang.ini").string());
    EXPECT_EQ(call.imageDirectory, (tuva.dir() / "img").string());
}

TEST_F(Search, ScratchArrayThatCannotBeAllocatedGivesFourAndLeavesTheArray)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's allocator aborts on a request this size instead of failing it";
#else
    int overcommit = -1;
    std::ifstream("/proc/sys/vm/overcommit_memory") >> overcommit;
    // With unlimited overcommit the allocation would succeed and the search
    // would then clear an array that is not that large.
    if (overcommit != 0 && overcommit != 2) GTEST_SKIP() << "memory overcommit is unlimited here";
    tuva.addService("liba.so");
    tuva.addPackage("a", "[CONFIG]\nLIB_SNMP=liba.so\n");
    ASSERT_EQ(tuva.init(nullptr), 0);

    DeviceIdentity found[2];
    std::memset(found, 0x77, sizeof found);
    DeviceIdentity filter = deviceOf("", NETROV_TRANSPORT_SNMP);
    int32_t count = -1;
    // 2^31 records of 1296 bytes: far beyond any machine's memory.
    EXPECT_EQ(tuva.search(&filter, 0, 0, found, std::numeric_limits<int32_t>::max(), &count), NETROV_NO_MEMORY);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(found[0].reserved0, 0x77777777);
    EXPECT_EQ(tuva.service("liba.so")->callCount(), 0);
#endif
}

}  // namespace
}  // namespace netrov::test
