// The main window: placement, toolbar modes and their persistence, menu texts, prompts, help, about box, remote end.
#include <QAction>
#include <QApplication>
#include <QTimer>

#include <optional>
#include <QStatusTipEvent>
#include <QLabel>
#include <QMenu>
#include <QSettings>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>

#include "about_dlg.h"
#include "main_frame.h"
#include "netrover_view.h"
#include "single_instance.h"
#include "ui_test_support.h"
#include "view_test_support.h"

using netrov::test::FakePrinters;
using netrov::test::TestProgram;
using namespace netrov::ui;

namespace {

struct StartedApp {
    explicit StartedApp(const TestProgram& program)
    {
        started = app.InitInstance(program.directory()) == CNetRoverApp::Start::Run;
    }
    CNetRoverApp app;
    bool started = false;
};

// Shows the frame over the fake printers and waits for the first search.
bool showAndSearch(CMainFrame& frame, FakePrinters& printers)
{
    frame.view()->setFrontLibrary(&printers.library());
    frame.show();
    return QTest::qWaitFor([&] { return !frame.statusBar()->currentMessage().isEmpty(); }, 15000);
}

int32_t stored(CNetRoverApp& app, const char* section, const char* key)
{
    return app.store().readInt(section, key, kPlacementNone);
}

}  // namespace

class MainFrameTest : public QObject {
    Q_OBJECT
private slots:
    void firstStartLetsTheSystemPlaceAndShowsTheLargeToolbar()
    {
        TestProgram program;
        StartedApp started(program);
        QVERIFY(started.started);
        FakePrinters printers(netrov::test::samplePrinters());
        CMainFrame frame(started.app);
        QVERIFY(showAndSearch(frame, printers));
        QCOMPARE(frame.statusBar()->currentMessage(), QStringLiteral("7 Devices are found."));
        QCOMPARE(frame.toolbarMode(), int32_t{kToolbarLarge});
        QVERIFY(frame.toolBar()->isVisible());
        QCOMPARE(frame.toolBar()->iconSize(), QSize(32, 32));
        frame.updateToolbarChecks();
        QVERIFY(frame.action(32790)->isChecked());
        QVERIFY(!frame.action(32789)->isChecked() && !frame.action(32791)->isChecked());
        QCOMPARE(frame.windowTitle(), QStringLiteral("Net Rover"));
        QCOMPARE(stored(started.app, "Window", "FrameX"), kPlacementNone);
    }

    // A menu prompt or a toolbar tip takes the status bar for a while; the count comes back after it.
    void searchCountComesBackAfterAPrompt()
    {
        TestProgram program;
        StartedApp started(program);
        QVERIFY(started.started);
        FakePrinters printers(netrov::test::samplePrinters());
        CMainFrame frame(started.app);
        QVERIFY(showAndSearch(frame, printers));
        const QString count = QStringLiteral("7 Devices are found.");
        QCOMPARE(frame.statusBar()->currentMessage(), count);
        for (const QString& prompt : {frame.action(IDM_MENU_SEARCH)->statusTip(), frame.action(IDM_MENU_REFRESH)->statusTip()}) {
            QStatusTipEvent show(prompt);
            QApplication::sendEvent(&frame, &show);
            QCOMPARE(frame.statusBar()->currentMessage(), prompt);
            QStatusTipEvent leave{QString()};
            QApplication::sendEvent(&frame, &leave);
            QCOMPARE(frame.statusBar()->currentMessage(), count);
        }
    }

    // The first searching dialog appears centred over the main window, wherever that is.
    void firstSearchingDialogIsCentred()
    {
        TestProgram program;
        StartedApp started(program);
        QVERIFY(started.started);
        FakePrinters printers(netrov::test::samplePrinters());
        printers.setDelay(std::chrono::milliseconds(60));
        CMainFrame frame(started.app);
        frame.view()->setFrontLibrary(&printers.library());
        frame.setGeometry(340, 260, 720, 420);
        // The dialog runs its own loop: a timer looks at it from inside.
        std::optional<QPoint> offset;
        QTimer watch;
        connect(&watch, &QTimer::timeout, &frame, [&] {
            QWidget* dialog = QApplication::activeModalWidget();
            if (!offset && dialog && dialog->isVisible()) offset = dialog->geometry().center() - frame.geometry().center();
        });
        watch.start(10);
        frame.show();
        QTRY_COMPARE_WITH_TIMEOUT(frame.statusBar()->currentMessage(), QStringLiteral("7 Devices are found."), 15000);
        QVERIFY(offset);
        QVERIFY2(offset->manhattanLength() <= 4, qPrintable(QStringLiteral("%1,%2").arg(offset->x()).arg(offset->y())));
    }

    void maximizeThenCloseStoresTheEarlierRectangle()
    {
        TestProgram program;
        StartedApp started(program);
        QVERIFY(started.started);
        FakePrinters printers(netrov::test::samplePrinters());
        {
            CMainFrame frame(started.app);
            QVERIFY(showAndSearch(frame, printers));
            frame.setGeometry(40, 50, 610, 330);
            QTRY_COMPARE(frame.rememberedRect().size(), QSize(610, 330));
            const QRect normal = frame.rememberedRect();
            frame.showMaximized();
            QTRY_VERIFY(frame.isMaximized());
            QTest::qWait(50);
            QVERIFY(frame.size() != QSize(610, 330));
            QCOMPARE(frame.rememberedRect(), normal);
            frame.close();
            QCOMPARE(stored(started.app, "Window", "FrameX"), normal.x());
            QCOMPARE(stored(started.app, "Window", "FrameY"), normal.y());
            QCOMPARE(stored(started.app, "Window", "FrameWidth"), 610);
            QCOMPARE(stored(started.app, "Window", "FrameHeight"), 330);
            // The toolbar mode is written only when it changed.
            QCOMPARE(stored(started.app, "Settings", "ToolBar"), kPlacementNone);
        }
        // The next window opens where the last one was left.
        CMainFrame again(started.app);
        QCOMPARE(again.size(), QSize(610, 330));
    }

    void hiddenToolbarStaysHiddenAcrossARestart()
    {
        TestProgram program;
        FakePrinters printers(netrov::test::samplePrinters());
        {
            StartedApp started(program);
            QVERIFY(started.started);
            CMainFrame frame(started.app);
            QVERIFY(showAndSearch(frame, printers));
            frame.action(32789)->trigger();
            QCOMPARE(frame.toolbarMode(), int32_t{kToolbarSmall});
            QCOMPARE(frame.toolBar()->iconSize(), QSize(16, 16));
            QVERIFY(frame.action(32789)->isChecked());
            frame.action(32791)->trigger();
            QVERIFY(!frame.toolBar()->isVisible());
            QVERIFY(frame.action(32791)->isChecked() && !frame.action(32789)->isChecked());
            frame.close();
            QCOMPARE(stored(started.app, "Settings", "ToolBar"), 0);
            started.app.ExitInstance();
        }
        {
            StartedApp started(program);
            QVERIFY(started.started);
            CMainFrame frame(started.app);
            QVERIFY(showAndSearch(frame, printers));
            QVERIFY(!frame.toolBar()->isVisible());
            frame.toolbarMenu()->aboutToShow();
            QVERIFY(frame.action(32791)->isChecked());
            QVERIFY(!frame.action(32790)->isChecked());
            // A toolbar closed by other means also counts as "No Toolbar".
            frame.action(32790)->trigger();
            QVERIFY(frame.toolBar()->isVisible());
            frame.toolBar()->hide();
            frame.toolbarMenu()->aboutToShow();
            QCOMPARE(frame.toolbarMode(), int32_t{kToolbarHidden});
            QVERIFY(frame.action(32791)->isChecked());
        }
    }

    void toolbarDockingSurvivesARestart()
    {
        TestProgram program;
        FakePrinters printers(netrov::test::samplePrinters());
        {
            StartedApp started(program);
            QVERIFY(started.started);
            CMainFrame frame(started.app);
            QVERIFY(showAndSearch(frame, printers));
            QCOMPARE(frame.toolBarArea(frame.toolBar()), Qt::TopToolBarArea);
            frame.addToolBar(Qt::LeftToolBarArea, frame.toolBar());
            frame.close();
            started.app.ExitInstance();
        }
        StartedApp started(program);
        QVERIFY(started.started);
        CMainFrame frame(started.app);
        QVERIFY(showAndSearch(frame, printers));
        QCOMPARE(frame.toolBarArea(frame.toolBar()), Qt::LeftToolBarArea);
        QVERIFY(frame.toolBar()->isVisible());
    }

    void remoteEndOnlyForOneAndEleven()
    {
        TestProgram program;
        StartedApp started(program);
        QVERIFY(started.started);
        FakePrinters printers(netrov::test::samplePrinters());
        int ends = 0;
        {
            CMainFrame frame(started.app);
            frame.setEndHandler([&ends] { ++ends; });
            QVERIFY(showAndSearch(frame, printers));
            const QString server = started.app.instance()->serverName();
            QVERIFY(SingleInstance::send(server, "command 1 12"));
            QTest::qWait(200);
            QCOMPARE(ends, 0);
            QVERIFY(SingleInstance::send(server, "command 2 11"));
            QTest::qWait(200);
            QCOMPARE(ends, 0);
            // Only the low 16 bits of the second word count.
            QVERIFY(SingleInstance::send(server, "command 1 65547"));
            QTRY_COMPARE(ends, 1);
        }
        // Ending that way saves nothing.
        QCOMPARE(stored(started.app, "Window", "FrameX"), kPlacementNone);
        QCOMPARE(stored(started.app, "Window", "ColumnWidth0"), kPlacementNone);
    }

    void menuTextsPromptsAndTips()
    {
        TestProgram program;
        StartedApp started(program);
        QVERIFY(started.started);
        FakePrinters printers(netrov::test::samplePrinters());
        CMainFrame frame(started.app);
        QVERIFY(showAndSearch(frame, printers));
        QCOMPARE(frame.topMenu(0)->title(), QStringLiteral("&Device"));
        QCOMPARE(frame.topMenu(3)->title(), QStringLiteral("&Help"));
        QCOMPARE(frame.toolbarMenu()->title(), QStringLiteral("&ToolBar"));
        QCOMPARE(frame.action(32771)->text(), QStringLiteral("&Search..."));
        QCOMPARE(frame.action(32791)->text(), QStringLiteral("No Toolbar"));
        QCOMPARE(frame.action(32771)->statusTip(), QStringLiteral("Searches for devices."));
        QCOMPARE(frame.action(57665)->statusTip(), QStringLiteral("Quits Net Rover."));
        QCOMPARE(frame.action(32772)->toolTip(), QStringLiteral("Search Range"));
        QCOMPARE(frame.action(32779)->shortcut(), QKeySequence(Qt::Key_F5));
        QCOMPARE(frame.action(32780)->shortcut(), QKeySequence(Qt::Key_F1));
        const QList<QAction*> buttons = frame.toolBar()->actions();
        QCOMPARE(buttons.size(), 4);
        QCOMPARE(buttons[0], frame.action(32772));
        QCOMPARE(buttons[1], frame.action(32771));
        QVERIFY(buttons[2]->isSeparator());
        QCOMPARE(buttons[3], frame.action(32779));
        QVERIFY(frame.action(32780)->isEnabled());
        frame.help();
        QVERIFY(frame.findChild<QDialog*>(QStringLiteral("HelpViewer")));
        // F1 again, and the menu command: still one help window.
        QTest::keyClick(&frame, Qt::Key_F1);
        frame.action(32780)->trigger();
        QCOMPARE(frame.findChildren<QDialog*>(QStringLiteral("HelpViewer")).size(), 1);
        // Once closed, F1 opens it again.
        frame.findChild<QDialog*>(QStringLiteral("HelpViewer"))->close();
        QTRY_VERIFY(!frame.findChild<QDialog*>(QStringLiteral("HelpViewer")));
        frame.action(32780)->trigger();
        QCOMPARE(frame.findChildren<QDialog*>(QStringLiteral("HelpViewer")).size(), 1);
    }

    void helpNeedsAReadableHelpFile()
    {
        TestProgram program(false);
        StartedApp started(program);
        QVERIFY(started.started);
        FakePrinters printers(netrov::test::samplePrinters());
        CMainFrame frame(started.app);
        QVERIFY(showAndSearch(frame, printers));
        QVERIFY(!frame.helpAvailable());
        QVERIFY(!frame.action(32780)->isEnabled());
        QTest::keyClick(&frame, Qt::Key_F1);
        frame.help();
        QVERIFY(!frame.findChild<QDialog*>(QStringLiteral("HelpViewer")));
    }

    void aboutBoxVersionAndLayout()
    {
        QCOMPARE(versionText(QStringLiteral("Version %d.%d (%d.%d.%s)"), {2, 7}, QStringLiteral("beta")),
                 QStringLiteral("Version 2.7 (2.7.beta)"));
        // A format with more directives than values never reads past them.
        QCOMPARE(versionText(QStringLiteral("%d %d %d %d %d %s %s %n"), {1, 2}, QStringLiteral("x")),
                 QStringLiteral("1 2 1 2 %d x %s %n"));
        CAboutDlg builtIn(nullptr);
        CAboutDlg english(&netrov::test::englishLanguage());
        QCOMPARE(english.size(), builtIn.size());
        for (int id : {1000, 1001, 1002, 1003, 1})
            QVERIFY2(english.control(id)->geometry() == builtIn.control(id)->geometry(), qPrintable(QString::number(id)));
        const ProgramVersion version = programVersion();
        QCOMPARE(static_cast<QLabel*>(english.control(1001))->text(),
                 QStringLiteral("Version %1.%2 (%1.%2.%3)").arg(version.major).arg(version.minor).arg(version.patch));
        QVERIFY(!static_cast<QLabel*>(english.control(1001))->text().contains(QStringLiteral(".0.1.0")));
        // The build part never repeats the numbers before it.
        struct Build {
            const char* language;
            const char* shown;
        };
        for (const Build& b : {Build{"0.1.0", "0"}, Build{"0.1", "0"}, Build{"", "0"}, Build{"beta", "beta"},
                               Build{"0.1.7-rc1", "7-rc1"}, Build{"0.10.2", "0.10.2"}})
            QCOMPARE(buildText({0, 1, 0}, QString::fromLatin1(b.language)), QString::fromLatin1(b.shown));
        QCOMPARE(static_cast<QLabel*>(builtIn.control(1001))->text(), QStringLiteral("..Version 1.00"));
    }
};

NETROV_REGISTER_TEST(MainFrameTest);

#include "main_frame_test.moc"
