// Screenshots: the main window over a list of printers rendered offscreen into <build>/screenshots;
// inside the simulated printer network, the same window over the real search.
#include <cstdlib>

#include <QHeaderView>
#include <QStatusBar>
#include <QTest>

#include "main_frame.h"
#include "netrover_view.h"
#include "ui_test_support.h"
#include "view_test_support.h"

using namespace netrov::ui;

class ScreenshotTest : public QObject {
    Q_OBJECT
private slots:
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
