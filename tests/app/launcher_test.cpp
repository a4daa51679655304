// Device programs from the system store: menus, command lines, the default slot and the trap switches on the wire.
#include <dlfcn.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include <QAction>
#include <QMenu>
#include <QSettings>
#include <QStatusBar>
#include <QTest>

#include <netrov/tuva.h>

#include "fake_agent.h"
#include "main_frame.h"
#include "netrover_view.h"
#include "system_launcher.h"
#include "temp_dir.h"
#include "trap_install.h"
#include "ui_test_support.h"
#include "view_test_support.h"

using namespace netrov::ui;
namespace fs = std::filesystem;
namespace test = netrov::test;
namespace core = netrov::core;

namespace {

const QString kManufacturer = QStringLiteral("LaunchCo");

// A program that writes its arguments, one per line, to out once it ran.
std::string writeRecorder(const test::TempDir& dir, const std::string& name, const std::string& out)
{
    const std::string path = dir.file(name);
    test::writeFile(path, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" + out + ".part'\nmv '" + out +
                              ".part' '" + out + "'\n");
    fs::permissions(path, fs::perms::owner_all);
    return path;
}

bool waitForFile(const std::string& path) { return QTest::qWaitFor([&] { return fs::exists(path); }, 10000); }

QStringList recordedArguments(const std::string& path)
{
    QStringList lines = QString::fromStdString(test::readFile(path)).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

void registerSlot(int slot, const QString& display, const std::string& path, int trap, int isDefault, const QString& param = {})
{
    QSettings system(QSettings::SystemScope, kManufacturer, QStringLiteral("Net Rover"));
    const QString group = QStringLiteral("Configuration/APP%1/").arg(slot, 2, 10, QLatin1Char('0'));
    system.setValue(group + QStringLiteral("DISPLAY"), display);
    system.setValue(group + QStringLiteral("PATH"), QString::fromStdString(path));
    system.setValue(group + QStringLiteral("TRAP"), trap);
    system.setValue(group + QStringLiteral("DEFAULTAPP"), isDefault);
    if (!param.isNull()) system.setValue(group + QStringLiteral("PARAM"), param);
}

void clearStore()
{
    QSettings system(QSettings::SystemScope, kManufacturer, QStringLiteral("Net Rover"));
    system.clear();
}

// Counts the trap calls instead of sending them.
struct TrapCounter {
    TrapCounter()
    {
        core::DeviceAccess access;
        access.setDeviceTrap = [this](DeviceIdentity*, intptr_t, intptr_t, void*, int32_t, int32_t*) { return ++calls, 0; };
        access.setJobTrap = access.setDeviceTrap;
        library = std::make_unique<core::FrontLibrary>(access);
    }
    std::atomic<int> calls{0};
    std::unique_ptr<core::FrontLibrary> library;
};

// A private copy of tuva beside a package that defines the trap objects.
class PrivateTuva {
public:
    PrivateTuva() : directory_(fs::current_path())
    {
        const std::string path = install_.program("libtuva.so");
        handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle_ == nullptr) return;
        core::DeviceAccess access;
        access.init = reinterpret_cast<decltype(&TUVA_Init)>(dlsym(handle_, "TUVA_Init"));
        access.release = reinterpret_cast<decltype(&TUVA_Free)>(dlsym(handle_, "TUVA_Free"));
        access.setDeviceTrap = reinterpret_cast<decltype(&TUVA_SetDeviceTrap)>(dlsym(handle_, "TUVA_SetDeviceTrap"));
        access.setJobTrap = reinterpret_cast<decltype(&TUVA_SetJobTrap)>(dlsym(handle_, "TUVA_SetJobTrap"));
        library_ = std::make_unique<core::FrontLibrary>(access);
    }
    ~PrivateTuva()
    {
        if (library_) library_->release();
        library_.reset();
        if (handle_ != nullptr) dlclose(handle_);
        // The front library's start makes its own directory the current one.
        fs::current_path(directory_);
    }
    core::FrontLibrary* library() const { return library_.get(); }

private:
    fs::path directory_;
    test::TrapInstall install_;
    void* handle_ = nullptr;
    std::unique_ptr<core::FrontLibrary> library_;
};

core::DeviceListEntry deviceAt(uint32_t address, const char* model, int32_t kind)
{
    core::DeviceListEntry entry;
    std::memset(&entry, 0, sizeof entry);
    std::strcpy(entry.identity.modelName, model);
    std::strcpy(entry.identity.community, "private");
    std::strcpy(entry.identity.driverName, "Driver");
    std::strcpy(entry.identity.portName, "USB001");
    entry.identity.interfaceKind = kind;
    entry.identity.transport = kind;
    entry.identity.timeout = 2;
    std::memcpy(entry.identity.address, &address, 4);
    return entry;
}

}  // namespace

class LauncherTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { clearStore(); }

    void registeredSlotsShowInTheMenusAndStartWithTheDeviceCommandLine()
    {
        test::TempDir tools;
        const std::string panelOut = tools.file("panel.out");
        const std::string laterOut = tools.file("later.out");
        registerSlot(1, QString(), writeRecorder(tools, "hidden.sh", tools.file("hidden.out")), 0, 0);
        registerSlot(3, QStringLiteral("Panel"), writeRecorder(tools, "panel.sh", panelOut), 0, 1);
        registerSlot(5, QStringLiteral("Later"), writeRecorder(tools, "later.sh", laterOut), 1, 1);

        test::TestProgram program;
        CNetRoverApp app;
        QVERIFY(app.InitInstance(program.directory()) == CNetRoverApp::Start::Run);
        test::FakePrinters printers(test::samplePrinters());
        TrapCounter traps;
        {
            CMainFrame frame(app, std::make_unique<SystemLauncher>(kManufacturer.toStdString(), *traps.library));
            frame.view()->setFrontLibrary(&printers.library());
            frame.show();
            QVERIFY(QTest::qWaitFor([&] { return !frame.statusBar()->currentMessage().isEmpty(); }, 15000));

            const auto& actions = frame.view()->launcherActions();
            QCOMPARE(actions.size(), size_t{2});
            QCOMPARE(actions[0]->text(), QStringLiteral("Panel"));
            QCOMPARE(actions[0]->data().toInt(), 30003);
            QCOMPARE(actions[1]->data().toInt(), 30005);
            QCOMPARE(frame.topMenu(0)->actions().first(), actions[0]);

            CNetRoverView* view = frame.view();
            auto select = [&](const char* model) -> core::DeviceListEntry {
                for (int row = 0; row < view->topLevelItemCount(); ++row) {
                    const core::DeviceListEntry entry = app.devices().copy(static_cast<size_t>(view->deviceIndex(row)));
                    if (std::strcmp(entry.identity.modelName, model) != 0) continue;
                    view->clearSelection();
                    view->setCurrentItem(view->topLevelItem(row));
                    view->topLevelItem(row)->setSelected(true);
                    return entry;
                }
                return {};
            };

            // Double-click's program is the lowest default slot.
            const core::DeviceListEntry color = select("Tarnwell CL-560 Color");
            QVERIFY(color.identity.modelName[0] != '\0');
            view->launchDefault();
            QVERIFY(waitForFile(panelOut));
            const uint8_t* a = color.identity.address;
            QCOMPARE(recordedArguments(panelOut),
                     (QStringList{QStringLiteral("-MODELTarnwell CL-560 Color"),
                                  QStringLiteral("-IP%1.%2.%3.%4").arg(a[0]).arg(a[1]).arg(a[2]).arg(a[3]),
                                  QStringLiteral("-IFSNMP"),
                                  QStringLiteral("-ID") + QString::fromLatin1(color.identity.sysObjectId)}));
            QCOMPARE(traps.calls.load(), 0);

            // A trap slot for a locally connected device: started without trap calls.
            select("Tarnwell LX-100");
            actions[1]->trigger();
            QVERIFY(waitForFile(laterOut));
            QCOMPARE(recordedArguments(laterOut),
                     (QStringList{QStringLiteral("-MODELTarnwell LX-100"), QStringLiteral("-IFUSB"),
                                  QStringLiteral("-DRVTarnwell LX Driver"), QStringLiteral("-PORTUSB001")}));
            QCOMPARE(traps.calls.load(), 0);

            fs::remove(laterOut);
            select("Tarnwell ML-210");
            actions[1]->trigger();
            QVERIFY(waitForFile(laterOut));
            QCOMPARE(traps.calls.load(), 2);
        }
        app.ExitInstance();
        QVERIFY(!fs::exists(tools.file("hidden.out")));
    }

    void emptyManufacturerReadsNothing()
    {
        registerSlot(0, QStringLiteral("Tool"), "/bin/true", 0, 1);
        TrapCounter traps;
        SystemLauncher none("", *traps.library);
        none.LoadLaunchers();
        QCOMPARE(none.displayName(0), std::string());
        QCOMPARE(none.launcher().defaultSlot(), -1);
        SystemLauncher some(kManufacturer.toStdString(), *traps.library);
        some.LoadLaunchers();
        QCOMPARE(some.displayName(0), std::string("Tool"));
        // A text too long for its field counts as missing.
        registerSlot(2, QString(300, QLatin1Char('n')), "/bin/true", 0, 0);
        SystemLauncher longName(kManufacturer.toStdString(), *traps.library);
        longName.LoadLaunchers();
        QCOMPARE(longName.displayName(2), std::string());
        QCOMPARE(longName.launcher().entries()[2].programPath, std::string("/bin/true"));
    }

    void trapSlotSwitchesTheDeviceBeforeItsProgramRuns()
    {
        test::FakeAgent agent;
        if (!agent.ok()) QSKIP(("fake agent: " + agent.error()).c_str());
        test::TempDir tools;
        const std::string out = tools.file("tool.out");
        std::vector<bool> ranBeforeSet;
        std::mutex mutex;
        agent.setHandler([&](const test::AgentRequest& r) -> std::vector<test::AgentReply> {
            if (r.pduType == 0xA3) {
                std::lock_guard lock(mutex);
                ranBeforeSet.push_back(fs::exists(out));
            }
            return {test::AgentReply{test::FakeAgent::encodeResponse(r.requestId, r.community, 0, 0, r.bindings)}};
        });
        registerSlot(0, QStringLiteral("Tool"), writeRecorder(tools, "tool.sh", out), 1, 1, QStringLiteral("%MODEL% %IP%"));

        PrivateTuva tuva;
        if (tuva.library() == nullptr) QSKIP("cannot load a private copy of tuva");
        SystemLauncher launcher(kManufacturer.toStdString(), *tuva.library());
        launcher.LoadLaunchers();

        const char* model = "Veltrano \"LX\"  One";
        launcher.LaunchDefault(deviceAt(agent.addressValue(), model, NETROV_INTERFACE_NETWORK));
        QVERIFY(waitForFile(out));
        QCOMPARE(recordedArguments(out), (QStringList{QString::fromLatin1(model), QString::fromStdString(agent.address())}));
        std::vector<test::AgentBinding> sets;
        for (const test::AgentRequest& r : agent.requests()) {
            if (r.pduType != 0xA3) continue;
            QCOMPARE(r.community, std::string("private"));
            sets.insert(sets.end(), r.bindings.begin(), r.bindings.end());
        }
        QCOMPARE(sets.size(), size_t{2});
        QCOMPARE(sets[0].oid, std::string(test::kDeviceTrapObject));
        QCOMPARE(sets[1].oid, std::string(test::kJobTrapObject));
        QVERIFY(sets[0].value == test::AgentValue::integer(3) && sets[1].value == test::AgentValue::integer(3));
        {
            std::lock_guard lock(mutex);
            QCOMPARE(ranBeforeSet, (std::vector<bool>{false, false}));
        }

        // A locally connected device: the program starts, nothing is sent.
        fs::remove(out);
        agent.clearRequests();
        launcher.Launch(deviceAt(0, "Veltrano LX", NETROV_INTERFACE_USB), 0);
        QVERIFY(waitForFile(out));
        QCOMPARE(agent.requestCount(), size_t{0});
    }
};

NETROV_REGISTER_TEST(LauncherTest);

#include "launcher_test.moc"
