// Device program command lines and the start sequence over a fake front library.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "launcher.h"
#include "net_address.h"

namespace netrov::test {
namespace {

DeviceIdentity networkDevice(const char* model)
{
    DeviceIdentity d;
    std::memset(&d, 0, sizeof d);
    std::strcpy(d.modelName, model);
    std::strcpy(d.sysObjectId, "1.3.6.1.4.1.32473.1");
    d.interfaceKind = NETROV_INTERFACE_NETWORK;
    d.transport = NETROV_TRANSPORT_SNMP;
    const uint8_t address[4] = {192, 0, 2, 5};
    std::memcpy(d.address, address, 4);
    return d;
}

DeviceIdentity localDevice(int32_t kind, const char* model)
{
    DeviceIdentity d;
    std::memset(&d, 0, sizeof d);
    std::strcpy(d.modelName, model);
    std::strcpy(d.driverName, "Veltrano LX Driver");
    std::strcpy(d.portName, "USB001");
    d.interfaceKind = kind;
    d.transport = kind;
    return d;
}

TEST(BuildLaunchParameters, TemplateReplacesAddressThenModel)
{
    const DeviceIdentity d = networkDevice("X");
    EXPECT_EQ(core::BuildLaunchParameters(d, "%MODEL% %IP% %IP%"), "\"X\" 192.0.2.5 192.0.2.5");
    EXPECT_EQ(core::BuildLaunchParameters(d, "--fixed"), "--fixed");
    // The model's own text is not searched for macros again.
    EXPECT_EQ(core::BuildLaunchParameters(networkDevice("A%IP%"), "%MODEL%"), "\"A%IP%\"");
}

TEST(BuildLaunchParameters, AnIpv6AddressIsBracketedOnlyAsTheHostOfAUrl)
{
    DeviceIdentity v6 = networkDevice("X");
    core::setDeviceAddress(v6, *core::parseNetAddress("2001:db8::17"));
    struct Row {
        const DeviceIdentity device;
        const char* parameterTemplate;
        const char* expected;
    } rows[] = {
        {v6, "%IP%", "2001:db8::17"},
        {v6, "http://%IP%/ --host %IP%", "http://[2001:db8::17]/ --host 2001:db8::17"},
        {v6, "\"ipp://admin@%IP%:631/ipp/print\"", "\"ipp://admin@[2001:db8::17]:631/ipp/print\""},
        {v6, "", "-MODEL\"X\" -IP2001:db8::17 -IFSNMP -ID1.3.6.1.4.1.32473.1"},
        {networkDevice("X"), "http://%IP%:8080/", "http://192.0.2.5:8080/"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.parameterTemplate);
        EXPECT_EQ(core::BuildLaunchParameters(row.device, row.parameterTemplate), row.expected);
    }
}

TEST(BuildLaunchParameters, BuiltInFormsByInterfaceKind)
{
    EXPECT_EQ(core::BuildLaunchParameters(networkDevice("Veltrano LX-1"), ""),
              "-MODEL\"Veltrano LX-1\" -IP192.0.2.5 -IFSNMP -ID1.3.6.1.4.1.32473.1");
    EXPECT_EQ(core::BuildLaunchParameters(localDevice(NETROV_INTERFACE_USB, "LX"), ""),
              "-MODEL\"LX\" -IFUSB -DRV\"Veltrano LX Driver\" -PORTUSB001");
    EXPECT_EQ(core::BuildLaunchParameters(localDevice(NETROV_INTERFACE_PARALLEL, "LX"), ""),
              "-MODEL\"LX\" -IFLPT -DRV\"Veltrano LX Driver\" -PORTUSB001");
    EXPECT_EQ(core::BuildLaunchParameters(localDevice(1, "LX"), ""), "");
}

TEST(BuildLaunchParameters, QuotesInTextsCannotOpenNewArguments)
{
    // Tripled quotes are the command splitter's literal quote.
    EXPECT_EQ(core::BuildLaunchParameters(networkDevice("A\" -evil \"B"), "%MODEL%"),
              "\"A\"\"\" -evil \"\"\"B\"");
    DeviceIdentity d = networkDevice("M");
    std::memset(d.modelName, 'm', sizeof d.modelName);  // no terminator
    EXPECT_EQ(core::BuildLaunchParameters(d, "%MODEL%").size(), sizeof d.modelName + 2);
}

struct Recorded {
    std::vector<std::string> calls;
};

class LauncherTest : public ::testing::Test {
protected:
    LauncherTest()
        : library(access()), launcher(library, [this](const std::string& program, const std::string& parameters) {
              record.calls.push_back("start " + program + " " + parameters);
          })
    {
    }
    core::DeviceAccess access()
    {
        core::DeviceAccess a;
        a.init = [this](DeviceIdentity*) {
            record.calls.push_back("init");
            return 0;
        };
        a.setDeviceTrap = [this](DeviceIdentity* d, intptr_t, intptr_t, void* records, int32_t capacity, int32_t*) {
            record.calls.push_back(std::string("device trap ") + d->modelName + (records == nullptr && capacity == 0 ? "" : " !"));
            return 100;
        };
        a.setJobTrap = [this](DeviceIdentity* d, intptr_t, intptr_t, void*, int32_t, int32_t*) {
            record.calls.push_back(std::string("job trap ") + d->modelName);
            return 8;
        };
        return a;
    }
    static core::DeviceListEntry entryOf(const DeviceIdentity& identity)
    {
        core::DeviceListEntry e;
        std::memset(&e, 0, sizeof e);
        e.identity = identity;
        return e;
    }

    Recorded record;
    core::FrontLibrary library;
    core::Launcher launcher;
};

TEST_F(LauncherTest, TrapsBeforeStartForSnmpDevicesOnly)
{
    launcher.entries()[3] = {"Tool", "/opt/tool", 1, 0, "%IP%"};
    launcher.Launch(entryOf(networkDevice("LX")), 3);
    // Failed trap calls do not stop the start.
    EXPECT_EQ(record.calls, (std::vector<std::string>{"init", "device trap LX", "job trap LX", "start /opt/tool 192.0.2.5"}));

    record.calls.clear();
    launcher.Launch(entryOf(localDevice(NETROV_INTERFACE_USB, "LX")), 3);
    EXPECT_EQ(record.calls, (std::vector<std::string>{"start /opt/tool 0.0.0.0"}));

    // A device SNMP left silent is started without waiting on the switch.
    record.calls.clear();
    core::DeviceListEntry silent = entryOf(networkDevice("LX"));
    silent.status[0].simpleStatus = core::kStatusNoAnswer;
    launcher.Launch(silent, 3);
    EXPECT_EQ(record.calls, (std::vector<std::string>{"start /opt/tool 192.0.2.5"}));
}

TEST_F(LauncherTest, NothingWithoutModelPathOrSlot)
{
    launcher.entries()[0] = {"Tool", "/opt/tool", 1, 1, ""};
    launcher.Launch(entryOf(networkDevice("")), 0);
    launcher.Launch(entryOf(networkDevice("LX")), -1);
    launcher.Launch(entryOf(networkDevice("LX")), 16);
    EXPECT_TRUE(record.calls.empty());

    launcher.entries()[1] = {"Traps only", "", 1, 0, ""};
    launcher.Launch(entryOf(networkDevice("LX")), 1);
    EXPECT_EQ(record.calls, (std::vector<std::string>{"init", "device trap LX", "job trap LX"}));
}

TEST_F(LauncherTest, DefaultIsTheLowestFlaggedSlot)
{
    EXPECT_EQ(launcher.defaultSlot(), -1);
    launcher.LaunchDefault(entryOf(networkDevice("LX")));
    EXPECT_TRUE(record.calls.empty());

    launcher.entries()[9] = {"Nine", "/opt/nine", 0, 1, ""};
    launcher.entries()[4] = {"Four", "/opt/four", 0, 1, "%MODEL%"};
    launcher.entries()[2] = {"Two", "/opt/two", 0, 2, ""};
    EXPECT_EQ(launcher.defaultSlot(), 4);
    launcher.LaunchDefault(entryOf(networkDevice("LX")));
    EXPECT_EQ(record.calls, (std::vector<std::string>{"start /opt/four \"LX\""}));
}

}  // namespace
}  // namespace netrov::test
