// Start-up: package discovery, the filter, the fallback package, model lists and release.
#include "tuva_install.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>

namespace netrov::test {
namespace {

namespace fs = std::filesystem;

class Discovery : public ::testing::Test {
protected:
    // Models with a display text give one TUVA_SupportModel record each.
    int32_t supportedModels()
    {
        TUVA_SUPPORT_MODEL records[16] {};
        int32_t count = -1;
        EXPECT_EQ(tuva.supportModel(records, 16, &count), 0);
        return count;
    }

    int32_t query(const std::string& model, int32_t transport = NETROV_TRANSPORT_SNMP)
    {
        DeviceIdentity device = deviceOf(model, transport);
        return tuva.getDevInfo(&device, 0, 0, nullptr, 0, nullptr);
    }

    TuvaInstall tuva;
};

TEST_F(Discovery, WithoutPackagesOnlyTheEmptyFallbackPackageIsLoaded)
{
    fs::create_directories(tuva.dir() / "not-a-package");
    tuva.writeFile("support.ini", "[CONFIG]\nSUPPORT1=1.2\\Top\nSUPPORTTEXT1=Top\n");
    ASSERT_EQ(tuva.init(nullptr), 0);

    // Its support.ini is missing, yet it serves every model: with no library.
    EXPECT_EQ(query("Any model"), NETROV_NO_LIBRARY);
    EXPECT_EQ(supportedModels(), 0);
    ASSERT_NE(tuva.help(nullptr), nullptr);
    EXPECT_STREQ(tuva.help(nullptr), "");
    DeviceIdentity device = deviceOf("Any model");
    EXPECT_EQ(tuva.showDevicePage(&device), 1);
}

TEST_F(Discovery, InitLeavesTheCurrentDirectoryAndFindsEverythingInItsOwn)
{
    tuva.addService("libsrv.so");
    tuva.writeFile("defs/def.xml", "<definitions/>");
    tuva.addPackage("other", "[CONFIG]\nLIB_SNMP=libsrv.so\nCFG_SNMP=defs/def.xml\nIMAGEDIR=\n");
    // A decoy where the caller stands: it is the user's folder, never searched.
    TempDir elsewhere;
    fs::create_directories(elsewhere.path() / "other");
    netrov::test::writeFile(elsewhere.file("other/support.ini"), "[CONFIG]\nSUPPORT1=1.9\\Decoy\nSUPPORTTEXT1=Decoy\n");
    fs::current_path(elsewhere.path());
    ASSERT_EQ(tuva.init(nullptr), 0);
    EXPECT_EQ(fs::canonical(fs::current_path()), fs::canonical(elsewhere.path()));
    EXPECT_EQ(supportedModels(), 0);
    EXPECT_EQ(query("Any model"), fakeResultOf(10));
    EXPECT_TRUE(tuva.isLoaded("libsrv.so"));
    const FakeCall call = tuva.service("libsrv.so")->lastCall();
    EXPECT_TRUE(call.hasDocument);
    // No image folder is the installation's own.
    EXPECT_EQ(call.imageDirectory, tuva.dir().string());
}

TEST_F(Discovery, OnlyFoldersWithAReadableSupportFileArePackages)
{
    tuva.addService("libsrv.so");
    tuva.addPackage("real", "[MAIN]\nVERSION=1\n[CONFIG]\nSUPPORT1=1.1\\Real\nSUPPORTTEXT1=Real\n");
    fs::create_directories(tuva.dir() / "dir-named-support" / "support.ini");
    tuva.writeFile("wrong-case/Support.ini", "[CONFIG]\nSUPPORT1=1.2\\Wrong\n");
    tuva.writeFile("plain-file", "x");
    ASSERT_EQ(tuva.init(nullptr), 0);
    EXPECT_EQ(supportedModels(), 1);
#ifdef _WIN32
    // File names ignore case on Windows: "Support.ini" is the support file,
    // so "Wrong" has a package, though one without a service library.
    EXPECT_EQ(query("Wrong"), NETROV_NO_LIBRARY);
#else
    // No package without models, so an unknown model has no service.
    EXPECT_EQ(query("Wrong"), NETROV_NO_SERVICE);
#endif
}

TEST_F(Discovery, FilterLoadsOnlyPackagesWithTheModel)
{
    tuva.addService("liba.so");
    tuva.addService("libb.so");
    tuva.addService("libother.so");
    tuva.addPackage("a", "[CONFIG]\nSUPPORT1=1.1\\Alpha\nSUPPORTTEXT1=Alpha\nLIB_SNMP=liba.so\n");
    tuva.addPackage("b", "[CONFIG]\nSUPPORT1=1.2\\Beta\nSUPPORTNOCOMP1=Beta Old\nSUPPORTTEXT1=Beta\nLIB_SNMP=libb.so\n");
    tuva.addPackage("other", "[CONFIG]\nLIB_SNMP=libother.so\n");

    DeviceIdentity filter = deviceOf("Beta Old");
    ASSERT_EQ(tuva.init(&filter), 0);
    EXPECT_EQ(supportedModels(), 1);
    EXPECT_EQ(query("Beta"), fakeResultOf(10));
    EXPECT_FALSE(tuva.isLoaded("liba.so"));
    EXPECT_FALSE(tuva.isLoaded("libother.so"));
    // The package without models did not pass the filter either.
    EXPECT_EQ(query("Alpha"), NETROV_NO_SERVICE);

    // A filter with neither model nor object identifier loads everything.
    DeviceIdentity blank {};
    ASSERT_EQ(tuva.init(&blank), 0);
    EXPECT_EQ(supportedModels(), 2);
    EXPECT_TRUE(tuva.isLoaded("liba.so"));
    EXPECT_TRUE(tuva.isLoaded("libother.so"));
}

TEST_F(Discovery, FilterMatchingNoPackageLoadsTheFallbackWithoutItsModels)
{
    tuva.addService("liba.so");
    tuva.addService("libother.so");
    tuva.addPackage("a", "[CONFIG]\nSUPPORT1=1.1\\Alpha\nSUPPORTTEXT1=Alpha\nLIB_SNMP=liba.so\n");
    tuva.addPackage("other", "[MAIN]\nVERSION=9\n[CONFIG]\nSUPPORT1=1.9\\Listed In Other\nLIB_SNMP=libother.so\n");

    DeviceIdentity filter = deviceOf("Zeta");
    ASSERT_EQ(tuva.init(&filter), 0);
    EXPECT_FALSE(tuva.isLoaded("liba.so"));
    // The fallback is read without its model list: it lists nothing and
    // serves every model.
    EXPECT_EQ(supportedModels(), 0);
    EXPECT_EQ(query("Alpha"), fakeResultOf(10));
    auto other = tuva.service("libother.so");
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(other->callCount(), 1);

    // A filter that names only an object identifier matches no model name either.
    DeviceIdentity byOid {};
    std::strcpy(byOid.sysObjectId, "1.1");
    ASSERT_EQ(tuva.init(&byOid), 0);
    EXPECT_EQ(supportedModels(), 0);
}

TEST_F(Discovery, ModelListSkipsValuesWithoutSeparatorAndEndsAtTheFirstMissingOrEmpty)
{
    const std::string head = "[MAIN]\nVERSION=1.0\n[CONFIG]\n";
    // Without "\" the value adds no model, but the list goes on.
    tuva.addPackage("gap", head + "SUPPORT1=no separator\nSUPPORT2=1.2\\Second\n");
    // A missing number ends the list.
    tuva.addPackage("missing", head + "SUPPORT1=1.3\\First\nSUPPORT3=1.4\\Third\n");
    // So does an empty value.
    tuva.addPackage("empty", head + "SUPPORT1=1.5\\One\nSUPPORT2=\nSUPPORT3=1.6\\Three\n");
    ASSERT_EQ(tuva.init(nullptr), 0);

    EXPECT_EQ(supportedModels(), 3);
    EXPECT_EQ(query("Second"), NETROV_NO_LIBRARY);
    EXPECT_EQ(query("First"), NETROV_NO_LIBRARY);
    EXPECT_EQ(query("One"), NETROV_NO_LIBRARY);
    // Every package lists models, so what was not listed has no service.
    EXPECT_EQ(query("no separator"), NETROV_NO_SERVICE);
    EXPECT_EQ(query("Third"), NETROV_NO_SERVICE);
    EXPECT_EQ(query("Three"), NETROV_NO_SERVICE);
}

TEST_F(Discovery, TenThousandModelsLoadInLinearTime)
{
    constexpr int kModels = 10000;
    std::string ini = "[MAIN]\nVERSION=1.0\n[CONFIG]\n";
    for (int n = 1; n <= kModels; ++n) {
        const std::string i = std::to_string(n);
        ini += "SUPPORT" + i + "=1.3.6.1.4.1.32473." + i + "\\Model " + i + "\nSUPPORTTEXT" + i + "=Text " + i + "\n";
        if (n % 2 == 0) ini += "SUPPORTNOCOMP" + i + "=Alias " + i + "\n";
    }
    tuva.addPackage("many", ini);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(tuva.init(nullptr), 0);
    EXPECT_EQ(supportedModels(), kModels);
    for (const char* model : {"Model 1", "Model 5000", "Alias 10000", "Model 10000"})
        EXPECT_EQ(query(model), NETROV_NO_LIBRARY) << model;
    EXPECT_EQ(query("Alias 9999"), NETROV_NO_SERVICE);
    char name[64] {};
    EXPECT_EQ(tuva.modelNameFromSysOid("1.3.6.1.4.1.32473.7777", name, sizeof name), 0);
    EXPECT_STREQ(name, "Text 7777");
    // Key by key, the list took seconds; in one pass it takes milliseconds.
    // Sanitizer builds run several times slower and get more room; the key
    // by key reading would still take far longer.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    constexpr auto kLimit = std::chrono::seconds(6);
#else
    constexpr auto kLimit = std::chrono::seconds(2);
#endif
    EXPECT_LT(std::chrono::steady_clock::now() - start, kLimit);
}

TEST_F(Discovery, OverlongSupportHalvesAreCutToTheirFields)
{
    const std::string oid(300, '7');
    const std::string model(400, 'M');
    tuva.addPackage("long", "[CONFIG]\nSUPPORT1=" + oid + "\\" + model + "\nSUPPORTTEXT1=Long\n");
    ASSERT_EQ(tuva.init(nullptr), 0);

    char name[64] {};
    EXPECT_EQ(tuva.modelNameFromSysOid(oid.substr(0, 255).c_str(), name, sizeof name), 0);
    EXPECT_STREQ(name, "Long");
    EXPECT_EQ(tuva.modelNameFromSysOid(oid.c_str(), name, sizeof name), NETROV_MODEL_NOT_FOUND);
    // A device record holds at most 255 characters of a model name.
    EXPECT_EQ(query(model.substr(0, 255)), NETROV_NO_LIBRARY);
}

TEST_F(Discovery, FreeAndReinitUnloadServicesAndQueriesAfterwardsFindNothing)
{
    tuva.addService("libsrv.so");
    tuva.addPackage("other", "[CONFIG]\nLIB_SNMP=libsrv.so\nCFG_SNMP=def.xml\n");
    tuva.writeFile("def.xml", "<definitions><oid name='X'/></definitions>");
    EXPECT_EQ(query("Any"), NETROV_NO_SERVICE);
    EXPECT_EQ(tuva.freeAll(), 0);

    ASSERT_EQ(tuva.init(nullptr), 0);
    EXPECT_TRUE(tuva.isLoaded("libsrv.so"));
    ASSERT_EQ(tuva.init(nullptr), 0);  // frees the first list, loads again
    EXPECT_EQ(query("Any"), fakeResultOf(10));

    EXPECT_EQ(tuva.freeAll(), 0);
    EXPECT_FALSE(tuva.isLoaded("libsrv.so"));
    EXPECT_EQ(query("Any"), NETROV_NO_SERVICE);
    EXPECT_EQ(tuva.freeAll(), 0);

    DeviceIdentity filter = deviceOf("", -1);
    DeviceIdentity found[2] {};
    int32_t count = -1;
    EXPECT_EQ(tuva.search(&filter, 0, 0, found, 2, &count), 0);
    EXPECT_EQ(count, 0);
}

}  // namespace
}  // namespace netrov::test
