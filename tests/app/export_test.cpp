// The device list export: keys per model, values, which devices, the file's location.
#include <algorithm>
#include <cstring>

#include <QDir>
#include <QTest>

#include <netrov/snmp_version.h>

#include "device_export.h"
#include "report_export.h"
#include "platform/profile_file.h"
#include "temp_dir.h"
#include "ui_test_support.h"

using netrov::core::DeviceList;
using netrov::core::DeviceListEntry;

namespace {

DeviceListEntry device(const char* model, int interfaceKind, uint8_t last, const char* location = "")
{
    DeviceListEntry entry;
    memset(&entry, 0, sizeof entry);
    snprintf(entry.identity.modelName, sizeof entry.identity.modelName, "%s", model);
    entry.identity.interfaceKind = interfaceKind;
    entry.identity.transport = interfaceKind;
    if (interfaceKind == NETROV_INTERFACE_NETWORK) {
        entry.identity.address[0] = 127;
        entry.identity.address[3] = last;
    } else {
        snprintf(entry.identity.portName, sizeof entry.identity.portName, "USB%03d", last);
    }
    snprintf(entry.info.location, sizeof entry.info.location, "%s", location);
    return entry;
}

// Sets an environment variable for the life of the object, then puts the old value back.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const QByteArray& value) : name_(name), had_(qEnvironmentVariableIsSet(name))
    {
        if (had_) old_ = qgetenv(name);
        qputenv(name, value);
    }
    ~ScopedVariable()
    {
        if (had_) qputenv(name_, old_);
        else qunsetenv(name_);
    }

private:
    const char* name_;
    bool had_;
    QByteArray old_;
};

}  // namespace

class ExportTest : public QObject {
    Q_OBJECT
private slots:
    // Export report offers the user's documents folder, and the home folder when there is none.
    void reportDefaultsToTheDocumentsFolder()
    {
        netrov::test::TempDir home;
        const QString homePath = QString::fromStdString(home.path().string());
        QVERIFY(QDir(homePath).mkpath(QStringLiteral("config")));
        netrov::test::writeFile(home.file("config/user-dirs.dirs"), "XDG_DOCUMENTS_DIR=\"$HOME/Papers\"\n");
        ScopedVariable homeVariable("HOME", homePath.toLocal8Bit());
        ScopedVariable config("XDG_CONFIG_HOME", (homePath + QStringLiteral("/config")).toLocal8Bit());
        // The folder is not there yet: the home folder.
        QCOMPARE(netrov::ui::defaultReportPath(), homePath + QStringLiteral("/netrov-report.csv"));
        QVERIFY(QDir(homePath).mkpath(QStringLiteral("Papers")));
        QCOMPARE(netrov::ui::defaultReportPath(), homePath + QStringLiteral("/Papers/netrov-report.csv"));
    }

    void threeDevicesOfOneModel()
    {
        netrov::test::TempDir dir;
        DeviceList devices;
        devices.append(device("Tarnwell CL-560 Color", 2, 1, "Hall"));
        devices.append(device("Tarnwell CL-560 Color", 2, 2, "Lab"));
        devices.append(device("Tarnwell ML-210", 2, 3));
        devices.append(device("Tarnwell CL-560 Color", 2, 4, "Office 4"));
        const std::string path = dir.file("MfpList.ini");
        netrov::ui::ExportDeviceList(path, devices);
        QCOMPARE(netrov::test::readFile(path),
                 std::string("[Devices]\r\n"
                             "\"Tarnwell CL-560 Color\"=3,,127.0.0.1,\"Hall\",\"tarpon\",\r\n"
                             "\"Tarnwell CL-560 Color(1)\"=3,,127.0.0.2,\"Lab\",\"tarpon\",\r\n"
                             "\"Tarnwell ML-210\"=3,,127.0.0.3,\"\",\"tarpon\",\r\n"
                             "\"Tarnwell CL-560 Color(2)\"=3,,127.0.0.4,\"Office 4\",\"tarpon\",\r\n"));
    }

    void usbDeviceCountsButIsNotWritten()
    {
        netrov::test::TempDir dir;
        DeviceList devices;
        devices.append(device("Tarnwell ML-210", NETROV_INTERFACE_USB, 1));
        devices.append(device("Tarnwell ML-210", NETROV_INTERFACE_NETWORK, 9, "Desk"));
        const std::string path = dir.file("MfpList.ini");
        netrov::ui::ExportDeviceList(path, devices);
        QCOMPARE(netrov::test::readFile(path),
                 std::string("[Devices]\r\n\"Tarnwell ML-210(1)\"=3,,127.0.0.9,\"Desk\",\"tarpon\",\r\n"));
    }

    void sectionIsReplacedAndOtherSectionsStay()
    {
        netrov::test::TempDir dir;
        const std::string path = dir.file("MfpList.ini");
        netrov::test::writeFile(path, "[Reader]\r\nOwner=other program\r\n[Devices]\r\n\"Old\"=3,,1.2.3.4,\"\",\"\",\r\n");
        DeviceList devices;
        devices.append(device("Tarnwell ML-210", NETROV_INTERFACE_USB, 1));
        netrov::ui::ExportDeviceList(path, devices);
        QCOMPARE(netrov::test::readFile(path), std::string("[Reader]\r\nOwner=other program\r\n"));
        QCOMPARE(netrov::platform::getPrivateProfileString("Devices", "\"Old\"", "gone", path), std::string("gone"));
    }

    void lineBreaksFromDevicesStayInsideTheirLine()
    {
        netrov::test::TempDir dir;
        DeviceList devices;
        devices.append(device("Evil\r\n[Other]\r\nx", NETROV_INTERFACE_NETWORK, 1, "Hall\n[Devices]"));
        const std::string path = dir.file("MfpList.ini");
        netrov::ui::ExportDeviceList(path, devices);
        QCOMPARE(netrov::test::readFile(path),
                 std::string("[Devices]\r\n\"Evil  [Other]  x\"=3,,127.0.0.1,\"Hall [Devices]\",\"tarpon\",\r\n"));
    }

    void deviceTextsCannotForgeOrOverwriteEntries()
    {
        netrov::test::TempDir dir;
        DeviceList devices;
        devices.append(device("Evil\"=3,,198.51.100.66,\"x\",\"tarpon\",;", NETROV_INTERFACE_NETWORK, 1, "a\",\"b"));
        devices.append(device("Tarnwell ML-210", NETROV_INTERFACE_NETWORK, 2));
        devices.append(device("TARNWELL ml-210", NETROV_INTERFACE_NETWORK, 3));
        devices.append(device("Tarnwell ML-210(1)", NETROV_INTERFACE_NETWORK, 4));
        const std::string path = dir.file("MfpList.ini");
        netrov::ui::ExportDeviceList(path, devices);

        // Read back as the file's readers read it: one entry per device, no more.
        const std::string text = netrov::test::readFile(path);
        QCOMPARE(std::count(text.begin(), text.end(), '\n'), std::ptrdiff_t(5));
        using netrov::platform::getPrivateProfileString;
        QCOMPARE(getPrivateProfileString("Devices", "\"Evil\"", "none", path), std::string("none"));
        QCOMPARE(getPrivateProfileString("Devices", "\"Evil'-3,,198.51.100.66,'x','tarpon',;\"", "none", path),
                 std::string("3,,127.0.0.1,\"a','b\",\"tarpon\","));
        QCOMPARE(getPrivateProfileString("Devices", "\"Tarnwell ML-210\"", "", path),
                 std::string("3,,127.0.0.2,\"\",\"tarpon\","));
        QCOMPARE(getPrivateProfileString("Devices", "\"TARNWELL ml-210(1)\"", "", path),
                 std::string("3,,127.0.0.3,\"\",\"tarpon\","));
        // "(1)" is taken by the case twin, so the model named so gets the next free key.
        QCOMPARE(getPrivateProfileString("Devices", "\"Tarnwell ML-210(1)(1)\"", "", path),
                 std::string("3,,127.0.0.4,\"\",\"tarpon\","));
    }

    void theVersionByteAndCommunityOfADeviceLeaveItsLineAsItWas()
    {
        // The file's format is fixed: a device read by SNMPv2c with another
        // community is written exactly as one read by v1 with tarpon, and the
        // list keeps the byte for the next query.
        netrov::test::TempDir dir;
        DeviceList devices;
        DeviceListEntry v2c = device("Tarnwell ML-210", NETROV_INTERFACE_NETWORK, 1, "Desk");
        netrovSetSnmpVersion(&v2c.identity, NETROV_SNMP_V2C);
        snprintf(v2c.identity.community, sizeof v2c.identity.community, "%s", "site7");
        devices.append(v2c);
        const std::string path = dir.file("MfpList.ini");
        netrov::ui::ExportDeviceList(path, devices);
        QCOMPARE(netrov::test::readFile(path),
                 std::string("[Devices]\r\n\"Tarnwell ML-210\"=3,,127.0.0.1,\"Desk\",\"tarpon\",\r\n"));
        const DeviceListEntry kept = devices.copy(0);
        QCOMPARE(netrovSnmpVersion(&kept.identity), NETROV_SNMP_V2C);
    }

    void pathWithOrWithoutFinalSeparator()
    {
        QCOMPARE(netrov::ui::exportFilePath("/srv/shared"), std::string("/srv/shared/MfpList.ini"));
        QCOMPARE(netrov::ui::exportFilePath("/srv/shared/"), std::string("/srv/shared/MfpList.ini"));
        QCOMPARE(netrov::ui::exportFilePath(""), std::string());
    }

    void noPathOrUnwritableDirectoryWritesNothing()
    {
        DeviceList devices;
        devices.append(device("Tarnwell ML-210", NETROV_INTERFACE_NETWORK, 1));
        netrov::ui::ExportDeviceList("", devices);
        netrov::test::TempDir dir;
        netrov::ui::ExportDeviceList(dir.file("missing/MfpList.ini"), devices);
        QVERIFY(!std::filesystem::exists(dir.file("missing")));
    }
};

NETROV_REGISTER_TEST(ExportTest);

#include "export_test.moc"
