// Screenshots: the main window over a list of printers rendered offscreen into <build>/screenshots;
// inside the simulated printer network, the same window over the real search.
#include <cstdlib>

#include <QHeaderView>
#include <QStatusBar>
#include <QTest>

#include <sys/stat.h>

#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTabWidget>

#include "device_window.h"
#include "main_frame.h"
#include "search_run.h"
#include "walk_agents.h"
#include "netrover_view.h"
#include "ui_test_support.h"
#include "view_test_support.h"

using namespace netrov::ui;


class ScreenshotTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // The simulators run as another user: they must reach their folders below the test root.
        if (const char* root = std::getenv("TMPDIR")) chmod(root, 0711);
    }

    // A colour MFP with a paper jam and a low yellow toner: the status page
    // with the alerts in words and pictures, and the supplies as level bars.
    void deviceWindowOfAColourMfp()
    {
        netrov::test::WalkAgents agents;
        const std::map<std::string, std::string> edits{
            {"1.3.6.1.2.1.25.3.2.1.3.1", "1.3.6.1.2.1.25.3.2.1.3.1|4|Tarnwell CX-720 Color MFP"},
            {"1.3.6.1.2.1.43.11.1.1.9.1.4", "1.3.6.1.2.1.43.11.1.1.9.1.4|2|6"},
            {"1.3.6.1.2.1.43.18.1.1.4.1.9", "1.3.6.1.2.1.43.18.1.1.4.1.9|2|11"},
            {"1.3.6.1.2.1.43.18.1.1.5.1.9", "1.3.6.1.2.1.43.18.1.1.5.1.9|2|4"},
            {"1.3.6.1.2.1.43.18.1.1.7.1.9", "1.3.6.1.2.1.43.18.1.1.7.1.9|2|1104"},
            {"1.3.6.1.2.1.43.18.1.1.8.1.9", "1.3.6.1.2.1.43.18.1.1.8.1.9|4|Yellow toner low"}};
        if (!agents.serve("jam_door", {"127.0.61.30"}, edits)) QSKIP(agents.whyNot().c_str());
        netrov::core::DeviceListEntry entry;
        QVERIFY(netrov::test::searchedDevice("127.0.61.30", entry));
        RowWords words;
        words.ready = "Ready";
        words.warning = "Warning";
        words.error = "Error";
        DeviceWindow window(netrov::core::FrontLibrary::tuva(), entry, words);
        QSignalSpy loaded(&window, &DeviceWindow::loaded);
        window.resize(660, 470);
        window.show();
        QVERIFY(loaded.wait(20000));
        QCOMPARE(window.alertModel()->rowCount(), 2);
        QVERIFY(window.alertModel()->item(0)->text().startsWith(QStringLiteral("Paper jam")));
        QVERIFY(window.alertModel()->item(1)->text().contains(QStringLiteral("oner")));
        QTest::qWait(50);
        QVERIFY(!QImage(netrov::test::saveScreenshot(&window, QStringLiteral("device_window_status"))).isNull());
        window.pages()->setCurrentIndex(1);
        QTest::qWait(50);
        QVERIFY(!QImage(netrov::test::saveScreenshot(&window, QStringLiteral("device_window_supplies"))).isNull());
        window.pages()->setCurrentIndex(3);
        QTest::qWait(50);
        QVERIFY(!QImage(netrov::test::saveScreenshot(&window, QStringLiteral("device_window_device"))).isNull());
    }

    // The main window over a search of simulated printers, with the Toner and Pages columns.
    void mainWindowWithTonerColumn()
    {
        netrov::test::WalkAgents agents;
        const char* walks[] = {"mono_laser", "colour_laser", "mfp", "jam_door", "toner_empty", "inkjet"};
        for (int i = 0; i < 6; ++i)
            if (!agents.serve(walks[i], {"127.0.61." + std::to_string(41 + i)})) QSKIP(agents.whyNot().c_str());
        netrov::test::TestProgram program;
        CNetRoverApp app;
        QCOMPARE(app.InitInstance(program.directory()), CNetRoverApp::Start::Run);
        app.searchSettings().IPSearch = 1;
        app.searchSettings().TimeOut = 2;
        netrov::core::setCommunity(app.searchSettings(), agents.community());
        app.searchAddresses().append("127.0.61.41,127.0.61.46");
        // Toner and Pages after Status, as Customize would store them.
        app.store().writeInt("Window", "ColumnIndex7", 4);
        app.store().writeInt("Window", "ColumnIndex8", 5);
        {
            CMainFrame frame(app);
            frame.resize(860, 330);
            frame.show();
            QTRY_COMPARE_WITH_TIMEOUT(frame.statusBar()->currentMessage(), QStringLiteral("6 Devices are found."), 30000);
            QTRY_VERIFY_WITH_TIMEOUT(!frame.view()->gaugesRunning(), 30000);
            frame.view()->sortByPosition(4);
            frame.view()->topLevelItem(0)->setSelected(true);
            QTest::qWait(50);
            QVERIFY(!QImage(netrov::test::saveScreenshot(&frame, QStringLiteral("main_window_toner"))).isNull());
        }
        app.ExitInstance();
    }

    void mainWindowWithPrinters()
    {
        netrov::test::TestProgram program;
        CNetRoverApp app;
        QCOMPARE(app.InitInstance(program.directory()), CNetRoverApp::Start::Run);
        netrov::test::FakePrinters printers(netrov::test::samplePrinters());
        {
            CMainFrame frame(app);
            frame.view()->setFrontLibrary(&printers.library());
            frame.resize(720, 330);
            frame.show();
            QTRY_COMPARE_WITH_TIMEOUT(frame.statusBar()->currentMessage(), QStringLiteral("7 Devices are found."), 15000);
            frame.view()->topLevelItem(2)->setSelected(true);
            QTest::qWait(50);
            const QString path = netrov::test::saveScreenshot(&frame, QStringLiteral("main_window"));
            QVERIFY(QImage(path).width() == frame.width());
            qInfo("screenshot: %s", qPrintable(path));
        }
        app.ExitInstance();
    }
};

// Run by netns_view_test.sh inside the client namespace of the simulated
// printer network; skipped anywhere else, since its search broadcasts.
class NetnsViewTest : public QObject {
    Q_OBJECT
private slots:
    void firstSearchListsTheSimulatedPrinters()
    {
        const char* directory = std::getenv("NETROV_NETNS_PROGRAM_DIR");
        const char* subnet = std::getenv("NETROV_NETNS_SUBNET");
        if (!directory || !subnet) QSKIP("only inside the simulated printer network (netns_view_test.sh)");
        CNetRoverApp app;
        QCOMPARE(app.InitInstance(directory), CNetRoverApp::Start::Run);
        {
            CMainFrame frame(app);
            frame.resize(720, 330);
            frame.show();
            QTRY_VERIFY_WITH_TIMEOUT(!frame.statusBar()->currentMessage().isEmpty(), 60000);
            QCOMPARE(frame.statusBar()->currentMessage(), QStringLiteral("6 Devices are found."));
            CNetRoverView* view = frame.view();
            QCOMPARE(view->topLevelItemCount(), 6);
            // Host n of the LAN serves walk n: its model and status word.
            const QMap<QString, QPair<QString, QString>> expected{
                {"1", {"Tarnwell ML-210", "Ready"}},    {"2", {"Tarnwell CL-560 Color", "Ready"}},
                {"3", {"Tarnwell MX-4400 MFP", "Warning"}}, {"4", {"Tarnwell ML-330", "Power Save"}},
                {"5", {"Tarnwell CL-720 Color", "Error"}},   {"6", {"Tarnwell ML-410", "Error"}}};
            QSet<QString> seen;
            for (int row = 0; row < 6; ++row) {
                const QTreeWidgetItem* item = view->topLevelItem(row);
                const QString address = item->text(2);
                QVERIFY2(address.startsWith(QString::fromLatin1(subnet) + '.'), qPrintable(address));
                const QString host = address.section('.', 3);
                QVERIFY2(expected.contains(host), qPrintable(address));
                QCOMPARE(item->text(0), expected[host].first);
                QCOMPARE(item->text(3), expected[host].second);
                QVERIFY(!item->icon(3).isNull());
                seen.insert(host);
            }
            QCOMPARE(seen.size(), 6);
            view->header()->sectionClicked(2);
            netrov::test::saveScreenshot(&frame, QStringLiteral("main_window_netns"));
        }
        app.ExitInstance();
    }
};

NETROV_REGISTER_TEST(ScreenshotTest);
NETROV_REGISTER_TEST(NetnsViewTest);

#include "screenshot_test.moc"
