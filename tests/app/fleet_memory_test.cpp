// The list remembers its fleet: silent devices stay greyed with "no answer since", the Empty-in column, the History page, the language file's words.
#include <QGroupBox>
#include <QLabel>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>

#include <algorithm>
#include <ctime>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#include "column_settings.h"
#include "device_window.h"
#include "fleet_store.h"
#include "history_page.h"
#include "netrover_view.h"
#include "ui_test_support.h"
#include "view_test_support.h"
#include "walk_agents.h"
#include "words.h"

using netrov::test::FakePrinters;
using netrov::test::TestProgram;
using namespace netrov::ui;
namespace store = netrov::store;

namespace {

constexpr int kStatusPosition = 3;  // Model, Location, IP Address, Status
constexpr int64_t kDay = 86400;

// A program over the sample printers; the view is made by search(), after the test prepared the directory.
struct FleetView {
    bool search()
    {
        app.emplace();
        if (app->InitInstance(program.directory()) != CNetRoverApp::Start::Run) return false;
        view.emplace(*app, launcher);
        QSignalSpy messages(&*view, &CNetRoverView::statusMessage);
        view->setFrontLibrary(&printers.library());
        view->OnInitialUpdate(nullptr);
        return messages.wait(15000);
    }
    int rowOf(const QString& model) const
    {
        for (int row = 0; row < view->topLevelItemCount(); ++row)
            if (view->topLevelItem(row)->text(0) == model) return row;
        return -1;
    }
    TestProgram program;
    FakePrinters printers{netrov::test::samplePrinters()};
    DeviceLauncher launcher;
    std::optional<CNetRoverApp> app;
    std::optional<CNetRoverView> view;  // goes before the program it belongs to
};

// Ten daily readings of a printer's black toner falling from 100 by perDay points, the last one a day ago
// (by default the ML-210's, 5 points a day: ten days left).
bool writeFallingToner(const std::string& path, int64_t now,
                       store::DeviceIdentity identity = {"192.0.2.11", "00:15:a3:10:02:10", "", "Tarnwell ML-210"},
                       int32_t perDay = 5)
{
    store::FleetStore fleet;
    if (!fleet.open(path).ok()) return false;
    for (int64_t day = 0; day < 10; ++day) {
        store::DeviceReading reading;
        reading.identity = identity;
        reading.pageCount = 1000 + day * 100;
        store::SupplyReading& toner = reading.supplies.emplace_back();
        toner.index = 1;
        toner.colour = "black";
        toner.level = static_cast<int32_t>(100 - perDay * day);
        toner.maximum = 100;
        toner.unit = store::kUnitPercent;
        if (!fleet.writeRound(now - (10 - day) * kDay, std::span(&reading, 1)).ok()) return false;
    }
    return true;
}

// A jammed printer with its door open as watch stores it, having gone silent
// and come back since: two events.
bool writeWatchedJam(const std::string& path, int64_t now, const store::DeviceIdentity& identity)
{
    store::FleetStore fleet;
    if (!fleet.open(path).ok()) return false;
    store::DeviceReading reading;
    reading.identity = identity;
    reading.status = 5;
    reading.alerts = {"Paper jam", "Door open"};
    reading.alertCodes = {8, 3};
    reading.alertTexts = {"Paper jam in the fuser area", "Front door open"};
    reading.errorBits = 0x0c;
    store::DeviceReading silent = reading;
    silent.answered = false;
    for (const auto& [ago, round] : {std::pair{3 * kDay, &reading}, {2 * kDay, &silent}, {kDay, &reading}})
        if (!fleet.writeRound(now - ago, std::span(round, 1)).ok()) return false;
    return true;
}

}  // namespace

class FleetMemoryTest : public QObject {
    Q_OBJECT
private slots:
    void aSilentPrinterShowsNoAnswerSinceAfterTheNextSearch()
    {
        FleetView fleet;
        QVERIFY(fleet.search());
        QCOMPARE(fleet.view->topLevelItemCount(), 7);
        QVERIFY(fleet.view->silentDevices().empty());

        fleet.printers.silence("Tarnwell ML-330");
        fleet.view->search();
        // Six answered, the seventh is kept from the store instead of vanishing.
        QCOMPARE(fleet.app->devices().count(), size_t{6});
        QCOMPARE(fleet.view->topLevelItemCount(), 7);
        const int row = fleet.rowOf(QStringLiteral("Tarnwell ML-330"));
        QVERIFY(row >= 0);
        QCOMPARE(fleet.view->deviceIndex(row), -1);
        const QTreeWidgetItem* item = fleet.view->topLevelItem(row);
        QVERIFY2(QRegularExpression(QStringLiteral("^no answer since \\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}$"))
                     .match(item->text(kStatusPosition)).hasMatch(),
                 qPrintable(item->text(kStatusPosition)));
        QCOMPARE(item->text(1), QStringLiteral("Main hall"));
        QCOMPARE(item->text(2), QStringLiteral("192.0.2.14"));
        QCOMPARE(item->foreground(0).color(), fleet.view->palette().color(QPalette::Disabled, QPalette::Text));
        // The others keep their words; the USB printer is listed but never stored.
        QCOMPARE(fleet.view->topLevelItem(fleet.rowOf(QStringLiteral("Tarnwell ML-210")))->text(kStatusPosition),
                 QStringLiteral("Ready"));

        // Back on: found again, once, with its own status.
        fleet.printers.wake("Tarnwell ML-330");
        fleet.view->search();
        QCOMPARE(fleet.view->topLevelItemCount(), 7);
        QVERIFY(fleet.view->silentDevices().empty());
        QCOMPARE(fleet.view->topLevelItem(fleet.rowOf(QStringLiteral("Tarnwell ML-330")))->text(kStatusPosition),
                 QStringLiteral("Power Save"));
    }

    void onlyDevicesTheDesktopFoundAreMarkedSilent()
    {
        TestProgram program;
        const std::string path = program.dir.file("fleet.db");
        const int64_t now = static_cast<int64_t>(std::time(nullptr));
        // One printer only a watcher reads, one the desktop found before, one the desktop lists now.
        store::DeviceReading watched;
        watched.identity = {"192.0.2.40", "00:15:a3:00:00:40", "W40", "Tarnwell ML-210"};
        store::DeviceReading found = watched;
        found.identity = {"192.0.2.41", "00:15:a3:00:00:41", "D41", "Tarnwell ML-330"};
        found.foundByDesktop = true;
        {
            store::FleetStore fleet;
            QVERIFY(fleet.open(path).ok());
            const store::DeviceReading both[] = {watched, found};
            QVERIFY(fleet.writeRound(now - kDay, both).ok());
        }
        store::DeviceReading listed = found;
        listed.identity = {"192.0.2.42", "00:15:a3:00:00:42", "D42", "Tarnwell ML-410"};
        const FleetRound round = rememberRound(path, now, {listed});
        QVERIFY2(round.status.ok(), round.status.message.c_str());
        QCOMPARE(round.silent.size(), size_t{1});
        QCOMPARE(QString::fromStdString(round.silent[0].record.identity.serial), QStringLiteral("D41"));

        store::FleetStore fleet;
        QVERIFY(fleet.open(path).ok());
        std::vector<store::DeviceRecord> devices;
        QVERIFY(fleet.devices(devices).ok());
        QCOMPARE(devices.size(), size_t{3});
        for (const store::DeviceRecord& device : devices) {
            std::vector<store::DeviceEvent> events;
            QVERIFY(fleet.events(device.id, events).ok());
            const bool silenced = device.identity.serial == "D41";
            QCOMPARE(device.answering, !silenced);
            QCOMPARE(events.size(), size_t{silenced ? 1u : 0u});
            QCOMPARE(device.foundByDesktop, device.identity.serial != "W40");
        }
    }

    void withoutAStoreTheListForgetsAndSaysSoOnce()
    {
        FleetView fleet;
        // A folder where the store file should be: it cannot be opened.
        std::filesystem::create_directories(fleet.program.dir.file("fleet.db"));
        fleet.app.emplace();
        QVERIFY(fleet.app->InitInstance(fleet.program.directory()) == CNetRoverApp::Start::Run);
        fleet.view.emplace(*fleet.app, fleet.launcher);
        QSignalSpy messages(&*fleet.view, &CNetRoverView::statusMessage);
        fleet.view->setFrontLibrary(&fleet.printers.library());
        fleet.view->OnInitialUpdate(nullptr);
        QVERIFY(messages.wait(15000));
        QCOMPARE(messages.size(), 2);
        QCOMPARE(messages.at(0).at(0).toString(), QStringLiteral("7 Devices are found."));
        QVERIFY(messages.at(1).at(0).toString().startsWith(QStringLiteral("7 Devices are found. The list is not remembered: ")));
        fleet.printers.silence("Tarnwell ML-330");
        fleet.view->search();
        QCOMPARE(fleet.view->topLevelItemCount(), 6);
        QCOMPARE(messages.size(), 3);
    }

    void emptyInShowsTheStoredForecastAndSortsByDays()
    {
        FleetView fleet;
        const int64_t now = static_cast<int64_t>(std::time(nullptr));
        QVERIFY(writeFallingToner(fleet.program.dir.file("fleet.db"), now));
        // The CL-720 falls 9 points a day: 10 % left after ten days, about a day to go.
        QVERIFY(writeFallingToner(fleet.program.dir.file("fleet.db"), now,
                                  {"192.0.2.15", "00:15:a3:50:07:20", "", "Tarnwell CL-720 Color"}, 9));
        QVERIFY(fleet.search());
        CNetRoverView& view = *fleet.view;
        ColumnSettings settings = view.columnSettings();
        QCOMPARE(settings[kColumnEmptyIn].order, kHidden);
        QCOMPARE(QString::fromStdString(settings[kColumnEmptyIn].header), QStringLiteral("Empty in"));
        settings[kColumnEmptyIn].order = 4;
        view.applyColumnSettings(settings);
        QCOMPARE(view.headerItem()->text(4), QStringLiteral("Empty in"));
        // 50 % left at 5 points a day: ten days, give or take the fit (11.8, rounded to the nearest day).
        const QString known = view.topLevelItem(fleet.rowOf(QStringLiteral("Tarnwell ML-210")))->text(4);
        QVERIFY2(known == QStringLiteral("in 9 days") || known == QStringLiteral("in 10 days") ||
                     known == QStringLiteral("in 11 days") || known == QStringLiteral("in 12 days"),
                 qPrintable(known));
        const QString soon = view.topLevelItem(fleet.rowOf(QStringLiteral("Tarnwell CL-720 Color")))->text(4);
        QVERIFY2(soon == QStringLiteral("today") || soon == QStringLiteral("in 1 day") || soon == QStringLiteral("in 2 days") ||
                     soon == QStringLiteral("in 3 days"),
                 qPrintable(soon));
        QCOMPARE(view.topLevelItem(fleet.rowOf(QStringLiteral("Tarnwell ML-410")))->text(4), QString());
        // Sorted by the days, not the words ("in 10 days" before "in 2 days"); unknown ones last either way.
        view.sortByPosition(4);
        QCOMPARE(view.topLevelItem(0)->text(0), QStringLiteral("Tarnwell CL-720 Color"));
        QCOMPARE(view.topLevelItem(1)->text(0), QStringLiteral("Tarnwell ML-210"));
        QCOMPARE(view.topLevelItem(2)->text(4), QString());
        view.sortByPosition(4);
        QCOMPARE(view.topLevelItem(0)->text(0), QStringLiteral("Tarnwell ML-210"));
        QCOMPARE(view.topLevelItem(1)->text(0), QStringLiteral("Tarnwell CL-720 Color"));
        QCOMPARE(view.topLevelItem(2)->text(4), QString());
    }

    // The desktop writes a whole reading as watch does, and a partial one never blanks what watch stored.
    void aDesktopSearchStoresAlertsAndKeepsWatchs_data()
    {
        QTest::addColumn<bool>("served");   // the jam walk read through the real library, else the fake printers
        QTest::addColumn<bool>("watched");  // watch stored the jam before
        QTest::newRow("jammed printer searched by the desktop") << true << false;
        QTest::newRow("desktop reading after watch") << true << true;
        QTest::newRow("desktop that reads no alerts after watch") << false << true;
    }
    void aDesktopSearchStoresAlertsAndKeepsWatchs()
    {
        QFETCH(bool, served);
        QFETCH(bool, watched);
        const int64_t now = static_cast<int64_t>(std::time(nullptr));
        const store::DeviceIdentity identity = served
            ? store::DeviceIdentity{"127.0.61.40", "00:15:a3:50:07:20", "CL720X00011", "Tarnwell CL-720 Color"}
            : store::DeviceIdentity{"192.0.2.11", "00:15:a3:10:02:10", "", "Tarnwell ML-210"};
        // The simulator drops to nobody, who must reach its files below our temporary root.
        if (const char* root = std::getenv("TMPDIR"); served && root) chmod(root, 0711);
        netrov::test::WalkAgents agents;
        if (served && !agents.serve("jam_door", {identity.address})) QSKIP(agents.whyNot().c_str());
        FleetView fleet;
        const std::string path = fleet.program.dir.file("fleet.db");
        if (watched) QVERIFY(writeWatchedJam(path, now, identity));
        if (served) {
            fleet.app.emplace();
            QVERIFY(fleet.app->InitInstance(fleet.program.directory()) == CNetRoverApp::Start::Run);
            netrov::core::DeviceListEntry entry;
            QVERIFY(netrov::test::searchedDevice(identity.address.c_str(), entry));
            fleet.app->devices().append(entry);
            fleet.view.emplace(*fleet.app, fleet.launcher);
            fleet.view->OnInitialUpdate(nullptr);
            fleet.view->findChild<QTimer*>(QStringLiteral("timer1001"))->stop();
            fleet.view->removeRowsAndFill();
            // The Toner and Pages columns stay hidden: the store reads the device all the same.
            fleet.view->refresh();
            QTRY_VERIFY_WITH_TIMEOUT(!fleet.view->gaugesRunning(), 20000);
        } else {
            QVERIFY(fleet.search());
        }

        store::FleetStore stored;
        QVERIFY(stored.open(path).ok());
        std::vector<store::DeviceRecord> devices;
        QVERIFY(stored.devices(devices).ok());
        const auto device = std::find_if(devices.begin(), devices.end(), [&](const store::DeviceRecord& d) {
            return d.identity.address == identity.address;
        });
        QVERIFY(device != devices.end());
        QVERIFY(device->answering);
        QVERIFY(device->foundByDesktop);
        QVERIFY2(std::find(device->alertCodes.begin(), device->alertCodes.end(), 8) != device->alertCodes.end(),
                 qPrintable(QString::number(device->alertCodes.size())));
        QVERIFY(std::find(device->alertTexts.begin(), device->alertTexts.end(), "Paper jam in the fuser area") !=
                device->alertTexts.end());
        QVERIFY(device->errorBits && *device->errorBits != 0);
        std::vector<store::DeviceEvent> events;
        QVERIFY(stored.events(device->id, events).ok());
        QCOMPARE(events.size(), size_t{watched ? 2u : 0u});
        if (served) {
            fleet.view.reset();
            fleet.app->ExitInstance();
        }
    }

    void theDeviceWindowHasTheHistoryPage()
    {
        FleetView fleet;
        const int64_t now = static_cast<int64_t>(std::time(nullptr));
        QVERIFY(writeFallingToner(fleet.program.dir.file("fleet.db"), now));
        QVERIFY(fleet.search());
        const int row = fleet.rowOf(QStringLiteral("Tarnwell ML-210"));
        fleet.view->setCurrentItem(fleet.view->topLevelItem(row));
        fleet.view->topLevelItem(row)->setSelected(true);
        fleet.view->properties();
        DeviceWindow* window = fleet.view->deviceWindow(fleet.view->deviceIndex(row));
        QVERIFY(window);
        HistoryPage* history = window->historyPage();
        QVERIFY(history);
        const int tab = window->pages()->indexOf(history);
        QVERIFY(tab >= 0);
        QCOMPARE(window->pages()->tabText(tab), QStringLiteral("History"));
        QCOMPARE(history->plots().size(), 1);
        // Drawn as steps from 100 % ten days ago down to 55 % a day ago.
        QCOMPARE(history->plots()[0].levels.front().y(), 100.0);
        QCOMPARE(history->plots()[0].levels.back().y(), 55.0);
        window->close();
    }

    void theLanguageFileChangesTheDeviceWindowsWords()
    {
        FleetView fleet;
        {
            std::ofstream lang(fleet.program.dir.file("lang.ini"), std::ios::app);
            lang << "\r\n[Words]\r\nnotReported=nicht gemeldet\r\n[DeviceWindow]\r\nsummaryModel=Modell\r\n";
        }
        QVERIFY(fleet.search());
        // The core's words now come from the file, by key.
        QCOMPARE(QString::fromStdString(netrov::core::notReported()), QStringLiteral("nicht gemeldet"));
        const int row = fleet.rowOf(QStringLiteral("Tarnwell ML-210"));
        fleet.view->setCurrentItem(fleet.view->topLevelItem(row));
        fleet.view->topLevelItem(row)->setSelected(true);
        fleet.view->properties();
        DeviceWindow* window = fleet.view->deviceWindow(fleet.view->deviceIndex(row));
        QVERIFY(window);
        QStringList labels;
        for (const QLabel* label : window->findChildren<QLabel*>()) labels << label->text();
        QVERIFY2(labels.contains(QStringLiteral("Modell")), qPrintable(labels.join(QLatin1Char('|'))));
        QVERIFY2(labels.contains(QStringLiteral("nicht gemeldet")), qPrintable(labels.join(QLatin1Char('|'))));
        window->close();
        // Once the program ends, the words are English again.
        fleet.view.reset();
        fleet.app.reset();
        QCOMPARE(QString::fromStdString(netrov::core::notReported()), QStringLiteral("not reported"));
    }
};

NETROV_REGISTER_TEST(FleetMemoryTest);

#include "fleet_memory_test.moc"
