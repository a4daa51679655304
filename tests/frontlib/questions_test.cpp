// Questions answered from the packages: supported models, names by object identifier, traps, pages.
#include "tuva_install.h"

#include <gtest/gtest.h>

#include <cstring>

namespace netrov::test {
namespace {

class Questions : public ::testing::Test {
protected:
    TuvaInstall tuva;
};

TEST_F(Questions, SupportModelCountsPastCapacityAndSkipsEmptyRecords)
{
    tuva.addPackage("three",
                    "[MAIN]\nVERSION=1.02.0003-long-version-text\n"
                    "[CONFIG]\nSUPPORT1=1.1\\M1\nSUPPORTTEXT1=Model One\n"
                    "SUPPORT2=1.2\\M2\n"
                    "SUPPORT3=1.3\\M3\nSUPPORTTEXT3=Model Three\n");
    tuva.addPackage("plain", "[CONFIG]\nSUPPORT1=2.1\\P1\nSUPPORT2=2.2\\P2\nSUPPORTTEXT2=Plain Two\n");
    ASSERT_EQ(tuva.init(nullptr), 0);
    bool threeFirst = tuva.listingOrder().front() == "three";

    TUVA_SUPPORT_MODEL records[8];
    std::memset(records, 0x55, sizeof records);
    int32_t count = -1;
    EXPECT_EQ(tuva.supportModel(records, 8, &count), 0);
    // P1 has neither a text nor a package version: no record.
    ASSERT_EQ(count, 4);
    const TUVA_SUPPORT_MODEL& plain = records[threeFirst ? 3 : 0];
    EXPECT_EQ(plain.reserved, 0);
    EXPECT_EQ(plain.textPresent, 1);
    EXPECT_STREQ(plain.text, "Plain Two");
    EXPECT_EQ(plain.versionPresent, 0);
    EXPECT_EQ(plain.version[0], '\0');
    const TUVA_SUPPORT_MODEL& untitled = records[threeFirst ? 1 : 2];  // M2: version only
    EXPECT_EQ(untitled.textPresent, 0);
    EXPECT_EQ(untitled.text[0], '\0');
    EXPECT_EQ(untitled.versionPresent, 1);
    EXPECT_STREQ(untitled.version, "1.02.0003-long-ve");  // 17 characters
    EXPECT_EQ(records[4].reserved, 0x55555555);          // nothing written past the count

    // The three-model package alone into two slots: two stored, three counted.
    DeviceIdentity filter = deviceOf("M1");
    ASSERT_EQ(tuva.init(&filter), 0);
    std::memset(records, 0x55, sizeof records);
    EXPECT_EQ(tuva.supportModel(records, 2, &count), 0);
    EXPECT_EQ(count, 3);
    EXPECT_STREQ(records[1].version, "1.02.0003-long-ve");
    EXPECT_EQ(records[2].reserved, 0x55555555);

    EXPECT_EQ(tuva.supportModel(nullptr, 5, &count), 0);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(tuva.supportModel(records, 2, nullptr), 0);
    tuva.freeAll();
    EXPECT_EQ(tuva.supportModel(records, 2, &count), 0);
    EXPECT_EQ(count, 0);
}

TEST_F(Questions, ModelNameFromSysOidTakesTheFirstPackageAndClearsTheBuffer)
{
    tuva.addPackage("p", "[CONFIG]\nSUPPORT1=1.3.6.1.4.1.5\\X\nSUPPORTTEXT1=From P\nSUPPORT2=1.3.6.1.4.1.6\\Y\n");
    tuva.addPackage("q", "[CONFIG]\nSUPPORT1=1.3.6.1.4.1.5\\X\nSUPPORTTEXT1=From Q\n");
    ASSERT_EQ(tuva.init(nullptr), 0);
    bool pFirst = tuva.listingOrder().front() == "p";

    char buffer[32];
    std::memset(buffer, 'z', sizeof buffer);
    EXPECT_EQ(tuva.modelNameFromSysOid("1.3.6.1.4.1.5", buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, pFirst ? "From P" : "From Q");
    EXPECT_EQ(buffer[31], '\0');

    // Cut to the buffer; a model without display text gives an empty name.
    char small[5];
    EXPECT_EQ(tuva.modelNameFromSysOid("1.3.6.1.4.1.5", small, sizeof small), 0);
    EXPECT_EQ(std::string(small), std::string(pFirst ? "From" : "From"));
    std::memset(buffer, 'z', sizeof buffer);
    EXPECT_EQ(tuva.modelNameFromSysOid("1.3.6.1.4.1.6", buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "");

    std::memset(buffer, 'z', sizeof buffer);
    EXPECT_EQ(tuva.modelNameFromSysOid("1.3.6.1.4.1", buffer, sizeof buffer), NETROV_MODEL_NOT_FOUND);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(buffer[31], '\0');
    EXPECT_EQ(tuva.modelNameFromSysOid(nullptr, buffer, sizeof buffer), NETROV_MODEL_NOT_FOUND);
    EXPECT_EQ(tuva.modelNameFromSysOid("1.3.6.1.4.1.5", nullptr, 10), 0);
    tuva.freeAll();
    EXPECT_EQ(tuva.modelNameFromSysOid("1.3.6.1.4.1.5", buffer, sizeof buffer), NETROV_MODEL_NOT_FOUND);
}

TEST_F(Questions, TrapKindsComeFromTheDevicesOwnPackageOnly)
{
    tuva.addPackage("a", "[CONFIG]\nSUPPORT1=1.1\\Alpha\nSUPPORTNOCOMP1=Alpha Old\n"
                         "DEVICETRAP=1.3.6.1.4.1.9.1\nJOBTRAP=1.3.6.1.4.1.9.2\n");
    tuva.addPackage("other", "[CONFIG]\nDEVICETRAP=1.3.6.1.4.1.9.1\nFAXTRAP=1.3.6.1.4.1.9.3\n");
    ASSERT_EQ(tuva.init(nullptr), 0);

    DeviceIdentity alpha = deviceOf("Alpha Old");
    EXPECT_EQ(tuva.isDeviceTrap(&alpha, "1.3.6.1.4.1.9.1"), 1);
    EXPECT_EQ(tuva.isJobTrap(&alpha, "1.3.6.1.4.1.9.2"), 1);
    EXPECT_EQ(tuva.isDeviceTrap(&alpha, "1.3.6.1.4.1.9.2"), 0);
    EXPECT_EQ(tuva.isDeviceTrap(&alpha, "1.3.6.1.4.1.9.1.0"), 0);
    // No FAXTRAP in its package: nothing is a fax trap, not even "".
    EXPECT_EQ(tuva.isFaxTrap(&alpha, "1.3.6.1.4.1.9.3"), 0);
    EXPECT_EQ(tuva.isFaxTrap(&alpha, ""), 0);
    EXPECT_EQ(tuva.isDeviceTrap(&alpha, nullptr), 0);

    // A model in no package: no fallback for traps.
    DeviceIdentity stranger = deviceOf("Stranger");
    EXPECT_EQ(tuva.isDeviceTrap(&stranger, "1.3.6.1.4.1.9.1"), 0);
    EXPECT_EQ(tuva.isJobTrap(&stranger, "1.3.6.1.4.1.9.2"), 0);
    EXPECT_EQ(tuva.isFaxTrap(&stranger, "1.3.6.1.4.1.9.3"), 0);
    EXPECT_EQ(tuva.isDeviceTrap(nullptr, "1.3.6.1.4.1.9.1"), 0);

    tuva.freeAll();
    EXPECT_EQ(tuva.isDeviceTrap(&alpha, "1.3.6.1.4.1.9.1"), 0);
}

TEST_F(Questions, PagesAndHelpComeFromTheDevicesPackageElseTheFirst)
{
    tuva.addPackage("a", "[CONFIG]\nSUPPORT1=1.1\\Alpha\n"
                         "[VIGIL]\nHELP=alpha.hlp\nDEVICEPAGE_SNMP=0\nNETWORKPAGE_LPT=0\nLINKSPAGE_USB=5\n");
    tuva.addPackage("b", "[CONFIG]\nSUPPORT1=1.2\\Beta\n"
                         "[VIGIL]\nHELP=" + std::string(80, 'h') + "\nDEVICEPAGE_LPT=0\n");
    ASSERT_EQ(tuva.init(nullptr), 0);
    bool aFirst = tuva.listingOrder().front() == "a";

    DeviceIdentity alpha = deviceOf("Alpha", NETROV_TRANSPORT_SNMP);
    EXPECT_STREQ(tuva.help(&alpha), "alpha.hlp");
    EXPECT_EQ(tuva.showDevicePage(&alpha), 0);  // hidden for SNMP only
    EXPECT_EQ(tuva.showNetworkPage(&alpha), 1);
    EXPECT_EQ(tuva.showLinksPage(&alpha), 1);
    alpha.transport = NETROV_TRANSPORT_LPT;
    EXPECT_EQ(tuva.showDevicePage(&alpha), 1);
    EXPECT_EQ(tuva.showNetworkPage(&alpha), 0);
    alpha.transport = NETROV_TRANSPORT_USB;
    EXPECT_EQ(tuva.showLinksPage(&alpha), 5);  // the value as written
    // The message service and masks have no pages.
    for (int32_t transport : {NETROV_TRANSPORT_MSG, 0, 6, -1}) {
        alpha.transport = transport;
        EXPECT_EQ(tuva.showDevicePage(&alpha), 0) << transport;
        EXPECT_EQ(tuva.showNetworkPage(&alpha), 0) << transport;
        EXPECT_EQ(tuva.showLinksPage(&alpha), 0) << transport;
    }

    DeviceIdentity beta = deviceOf("Beta", NETROV_TRANSPORT_LPT);
    EXPECT_EQ(std::string(tuva.help(&beta)), std::string(63, 'h'));
    EXPECT_EQ(tuva.showDevicePage(&beta), 0);

    // A model in no package is answered from the first package.
    DeviceIdentity stranger = deviceOf("Stranger", NETROV_TRANSPORT_SNMP);
    EXPECT_EQ(tuva.showDevicePage(&stranger), aFirst ? 0 : 1);
    EXPECT_EQ(std::string(tuva.help(&stranger)), aFirst ? std::string("alpha.hlp") : std::string(63, 'h'));
    EXPECT_EQ(std::string(tuva.help(nullptr)), std::string(tuva.help(&stranger)));
    EXPECT_EQ(tuva.showDevicePage(nullptr), 0);

    tuva.freeAll();
    EXPECT_EQ(tuva.help(&alpha), nullptr);
    EXPECT_EQ(tuva.showDevicePage(&stranger), 0);
}

}  // namespace
}  // namespace netrov::test
