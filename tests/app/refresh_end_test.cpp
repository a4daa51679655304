// Refresh in the main window: progress while it runs, and an end of the
// program during a refresh that does not wait for the remaining devices.
// It ends the event loop, so it runs in a process of its own.
#include <QApplication>
#include <QElapsedTimer>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

#include "main_frame.h"
#include "netrover_view.h"
#include "ui_test_support.h"
#include "view_test_support.h"

using namespace netrov::ui;
using namespace std::chrono_literals;

namespace {

struct Seen {
    bool commandsDisabled = false;
    bool busyCursor = false;
    QString status;
};

Seen look(CMainFrame& frame)
{
    Seen seen;
    seen.commandsDisabled = true;
    for (int32_t id : {IDM_MENU_SEARCH, IDM_MENU_SEARCHSETTING, IDM_MENU_REFRESH, IDM_MENU_CUSTOMIZE})
        seen.commandsDisabled = seen.commandsDisabled && !frame.action(id)->isEnabled();
    seen.busyCursor = QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::BusyCursor;
    seen.status = frame.statusBar()->currentMessage();
    return seen;
}

}  // namespace

class RefreshEndTest : public QObject {
    Q_OBJECT
private slots:
    void refreshShowsProgressAndEndsWithTheProgram()
    {
        netrov::test::TestProgram program;
        CNetRoverApp app;
        QCOMPARE(app.InitInstance(program.directory()), CNetRoverApp::Start::Run);
        netrov::test::FakePrinters printers(netrov::test::samplePrinters());
        {
            CMainFrame frame(app);
            frame.view()->setFrontLibrary(&printers.library());
            frame.show();
            QTRY_COMPARE_WITH_TIMEOUT(frame.statusBar()->currentMessage(), QStringLiteral("7 Devices are found."), 15000);

            // While it runs: a busy cursor, a status text, the commands disabled; afterwards all back.
            printers.setDelay(20ms);
            Seen during;
            QTimer::singleShot(60, &frame, [&] { during = look(frame); });
            frame.view()->refresh();
            QVERIFY(during.commandsDisabled);
            QVERIFY(during.busyCursor);
            QCOMPARE(during.status, QStringLiteral("Refreshing the devices..."));
            const Seen after = look(frame);
            QVERIFY(!after.busyCursor);
            QVERIFY(frame.action(IDM_MENU_REFRESH)->isEnabled() && frame.action(IDM_MENU_SEARCH)->isEnabled());
            QCOMPARE(after.status, QStringLiteral("7 Devices are found."));

            // Seven devices at 2 x 5 s each: the end comes long before the refresh would,
            // and does not wait for the answer the refresh is waiting for.
            printers.setDelay(5000ms);
            QElapsedTimer clock;
            QTimer::singleShot(200, &frame, [&] {
                clock.start();
                QCoreApplication::exit(0);
            });
            frame.view()->refresh();
            QVERIFY(clock.isValid());
            qInfo("the refresh returned %lld ms after the end", static_cast<long long>(clock.elapsed()));
            QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
            QVERIFY(!QApplication::overrideCursor());
            printers.setDelay(0ms);
        }
        app.ExitInstance();
    }
};

NETROV_REGISTER_TEST(RefreshEndTest);

#include "refresh_end_test.moc"
