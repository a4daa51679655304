// Start-up of the real program: the failure exit's message, and one instance per user and mutex name.
#include <filesystem>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <QStatusBar>

#include "about_dlg.h"
#include "main_frame.h"
#include "netrover_app.h"
#include "single_instance.h"
#include "temp_dir.h"
#include "ui_test_support.h"

namespace {

// The environment of this run without any display or platform choice, so
// each case sets exactly what it tests.
QProcessEnvironment environmentWithoutDisplay()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    return environment;
}

const QString kFailure = QStringLiteral(
    "Net Rover\nFailed to load the setup file.\r\nThe application will now close. Perform installation again.\n");

// A program directory of its own: a copy of the program (the program
// directory is where the resolved executable lies), libraries from the build.
struct ProgramDir {
    ProgramDir()
    {
        std::filesystem::copy_file(NETROV_PROGRAM, dir.file("NetRov"));
    }
    void writeStartupFile(const std::string& main)
    {
        netrov::test::writeFile(dir.file("NetRov.ini"), "[Main]\r\n" + main);
    }
    void writeLanguageFile()
    {
        netrov::test::writeFile(dir.file("lang.ini"),
                                netrov::test::readFile(NETROV_SOURCE_DIR "/data/lang/NetRovEnglish.ini"));
    }
    void prepare(QProcess& process) const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("NETROV_MESSAGES_TO_STDERR"), QStringLiteral("1"));
        environment.insert(QStringLiteral("LD_LIBRARY_PATH"), QStringLiteral(NETROV_OUTPUT_DIR));
        process.setProcessEnvironment(environment);
        process.setProgram(QString::fromStdString(dir.file("NetRov")));
    }
    netrov::test::TempDir dir;
};

// Runs the program to its end; false when it does not end within 20 s.
bool runToEnd(const ProgramDir& program, int& exitCode, QString& errors)
{
    QProcess process;
    program.prepare(process);
    process.start();
    if (!process.waitForFinished(20000)) {
        process.kill();
        process.waitForFinished();
        return false;
    }
    exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    errors = QString::fromLocal8Bit(process.readAllStandardError());
    return true;
}

// Broadcast off and no address list: the first search stays inside the process.
const std::string kQuietMain = "Company=StartupCo\r\nMutexName=StartupTest\r\nLanguage=lang.ini\r\nBroadCast=0\r\n";

}  // namespace

class StartupTest : public QObject {
    Q_OBJECT
private slots:
    // --help and --version answer on the terminal without a display, a setup file or a window.
    void terminalOptions_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("firstLine");
        QTest::newRow("--version") << QStringList{"--version"} << "NetRov %1";
        QTest::newRow("-v") << QStringList{"-v"} << "NetRov %1";
        QTest::newRow("--help") << QStringList{"--help"} << "Usage: NetRov [options]";
        QTest::newRow("-h after a Qt option") << QStringList{"-platform", "offscreen", "-h"} << "Usage: NetRov [options]";
    }

    void terminalOptions()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, firstLine);
        QProcess process;
        QProcessEnvironment environment = environmentWithoutDisplay();
        environment.insert(QStringLiteral("LD_LIBRARY_PATH"), QStringLiteral(NETROV_OUTPUT_DIR));
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(NETROV_PROGRAM), arguments);
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);
        const QStringList lines = QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\n'));
        const netrov::ui::ProgramVersion version = netrov::ui::programVersion();
        QCOMPARE(lines.value(0), firstLine.contains(QLatin1String("%1"))
                                     ? firstLine.arg(QStringLiteral("%1.%2.%3").arg(version.major).arg(version.minor).arg(version.patch))
                                     : firstLine);
        if (arguments.contains(QStringLiteral("--help")) || arguments.contains(QStringLiteral("-h")))
            QVERIFY(lines.filter(QStringLiteral("--version")).size() == 1);
    }

    // Unknown options and a start with no display are refused with the usage exit, before Qt could abort.
    void refusedStarts_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("platform");
        QTest::addColumn<QString>("display");
        QTest::addColumn<QString>("firstLine");
        QTest::newRow("unknown long option") << QStringList{"--bogus"} << "offscreen" << QString()
                                             << "NetRov: unknown option '--bogus'";
        QTest::newRow("unknown short option") << QStringList{"-x"} << "offscreen" << QString()
                                              << "NetRov: unknown option '-x'";
        QTest::newRow("a stray argument") << QStringList{"report.csv"} << "offscreen" << QString()
                                          << "NetRov: unexpected argument 'report.csv'";
        QTest::newRow("Qt option without its value") << QStringList{"-style"} << "offscreen" << QString()
                                                     << "NetRov: option '-style' needs a value";
        QTest::newRow("unknown after Qt options") << QStringList{"-platform", "offscreen", "-reverse", "--bogus"}
                                                  << QString() << QString() << "NetRov: unknown option '--bogus'";
        QTest::newRow("no display, no platform") << QStringList{} << QString() << QString()
                                                 << "NetRov: no display to open a window on: neither DISPLAY nor "
                                                    "WAYLAND_DISPLAY is set and no";
        QTest::newRow("xcb without DISPLAY") << QStringList{} << "xcb" << QString()
                                             << "NetRov: no display to open a window on: neither DISPLAY nor "
                                                "WAYLAND_DISPLAY is set and no";
        QTest::newRow("-platform xcb without DISPLAY") << QStringList{"-platform", "xcb"} << QString() << QString()
                                                       << "NetRov: no display to open a window on: neither DISPLAY "
                                                          "nor WAYLAND_DISPLAY is set and no";
    }

    void refusedStarts()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, platform);
        QFETCH(QString, display);
        QFETCH(QString, firstLine);
        QProcess process;
        QProcessEnvironment environment = environmentWithoutDisplay();
        if (!platform.isEmpty()) environment.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
        environment.insert(QStringLiteral("LD_LIBRARY_PATH"), QStringLiteral(NETROV_OUTPUT_DIR));
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(NETROV_PROGRAM), arguments);
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 2);
        QCOMPARE(process.readAllStandardOutput(), QByteArray());
        const QStringList lines = QString::fromUtf8(process.readAllStandardError()).split(QLatin1Char('\n'));
        QCOMPARE(lines.value(0), firstLine);
        // A refused option shows the usage; a missing display says where the window-less tool is.
        if (firstLine.contains(QLatin1String("display to open")))
            QVERIFY(lines.filter(QStringLiteral("netrov-cli")).size() == 1);
        else
            QCOMPARE(lines.value(2), QStringLiteral("Usage: NetRov [options]"));
    }

    void failureExits_data()
    {
        QTest::addColumn<QString>("startupFile");
        QTest::addColumn<bool>("languageFile");
        QTest::newRow("no NetRov.ini") << QString() << true;
        QTest::newRow("empty MutexName") << QStringLiteral("Company=X\r\nMutexName=\r\nLanguage=lang.ini\r\n") << true;
        QTest::newRow("no language file") << QStringLiteral("MutexName=StartupFail\r\nLanguage=lang.ini\r\n") << false;
        QTest::newRow("no Language value") << QStringLiteral("MutexName=StartupFail\r\n") << true;
    }

    void failureExits()
    {
        QFETCH(QString, startupFile);
        QFETCH(bool, languageFile);
        ProgramDir program;
        if (!startupFile.isEmpty()) program.writeStartupFile(startupFile.toStdString());
        if (languageFile) program.writeLanguageFile();
        int exitCode = 0;
        QString errors;
        QVERIFY(runToEnd(program, exitCode, errors));
        QCOMPARE(errors, kFailure);
        QCOMPARE(exitCode, 1);
    }

    void laterStartRaisesTheFirst()
    {
        netrov::ui::SingleInstance first(QStringLiteral("InProcess"));
        QVERIFY(!first.raiseExisting());
        QVERIFY(first.listen());
        QSignalSpy raised(&first, &netrov::ui::SingleInstance::raiseRequested);
        QSignalSpy commands(&first, &netrov::ui::SingleInstance::commandReceived);
        netrov::ui::SingleInstance second(QStringLiteral("InProcess"));
        QVERIFY(second.raiseExisting());
        QTRY_COMPARE(raised.count(), 1);
        QVERIFY(netrov::ui::SingleInstance::send(first.serverName(), "command 1 11"));
        QTRY_COMPARE(commands.count(), 1);
        QCOMPARE(commands.at(0).at(0).toLongLong(), 1);
        QCOMPARE(commands.at(0).at(1).toLongLong(), 11);
        // Another name is another instance.
        netrov::ui::SingleInstance other(QStringLiteral("InProcessOther"));
        QVERIFY(!other.raiseExisting());
    }

    void staleSocketDoesNotBlockTheStart()
    {
        auto* leftover = new netrov::ui::SingleInstance(QStringLiteral("Stale"));
        QVERIFY(leftover->listen());
        const QString path = leftover->serverName();
        delete leftover;
        // A crashed instance leaves its socket file; make one by hand.
        QFile(path).open(QIODevice::WriteOnly);
        netrov::ui::SingleInstance next(QStringLiteral("Stale"));
        QVERIFY(!next.raiseExisting());
        QVERIFY(next.listen());
    }

    void mainWindowRunsTheFirstSearchByItself()
    {
        netrov::test::TempDir dir;
        netrov::test::writeFile(dir.file("NetRov.ini"), "[Main]\r\nCompany=FrameCo\r\nMutexName=FrameTest\r\n"
                                                        "Language=lang.ini\r\nBroadCast=0\r\n");
        netrov::test::writeFile(dir.file("lang.ini"),
                                netrov::test::readFile(NETROV_SOURCE_DIR "/data/lang/NetRovEnglish.ini"));
        netrov::ui::CNetRoverApp app;
        QCOMPARE(app.InitInstance(dir.path().string()), netrov::ui::CNetRoverApp::Start::Run);
        QCOMPARE(app.searchSettings().BroadCast, 0);
        QCOMPARE(app.searchSettings().IPSearch, 0);
        {
            // Broadcast off and no addresses: the search asks only for address 0,
            // which the SNMP service refuses without sending anything.
            netrov::ui::CMainFrame frame(app);
            frame.show();
            QTRY_COMPARE_WITH_TIMEOUT(frame.statusBar()->currentMessage(), QStringLiteral("0 Devices are found. Printers that do not answer may use another SNMP community: "
                                                     "set it under Device > Search Range..., Community."),
                                      15000);
            QCOMPARE(frame.windowTitle(), QStringLiteral("Net Rover"));
            netrov::test::saveScreenshot(&frame, QStringLiteral("main_window_empty"));
        }
        app.ExitInstance();
    }

    void twoStartsGiveOneWindow()
    {
        ProgramDir program;
        program.writeStartupFile(kQuietMain);
        program.writeLanguageFile();
        QProcess first;
        program.prepare(first);
        first.start();
        QVERIFY(first.waitForStarted());
        const QString server = netrov::ui::SingleInstance(QStringLiteral("StartupTest")).serverName();
        QTRY_VERIFY_WITH_TIMEOUT(netrov::ui::SingleInstance::send(server, "hello"), 15000);

        int exitCode = -1;
        QString errors;
        QVERIFY(runToEnd(program, exitCode, errors));
        QCOMPARE(exitCode, 0);
        QCOMPARE(errors, QString());
        QCOMPARE(first.state(), QProcess::Running);

        // The end command of other programs ends the first at once.
        QVERIFY(netrov::ui::SingleInstance::send(server, "command 1 12"));
        QTest::qWait(300);
        QCOMPARE(first.state(), QProcess::Running);
        QVERIFY(netrov::ui::SingleInstance::send(server, "command 1 11"));
        QVERIFY(first.waitForFinished(15000));
        QCOMPARE(first.exitCode(), 0);
    }

    void endAppEndsTheProgramWithoutSavingPlacement()
    {
        const QString cli = QStringLiteral(NETROV_OUTPUT_DIR "/netrov-cli");
        if (!QFile::exists(cli)) QSKIP("netrov-cli is not built");
        ProgramDir program;
        program.writeStartupFile("Company=EndAppCo\r\nMutexName=EndAppTest\r\nLanguage=lang.ini\r\nBroadCast=0\r\n");
        program.writeLanguageFile();
        // Nobody listens yet: the sender says so.
        QCOMPARE(QProcess::execute(cli, {QStringLiteral("end-app"), QStringLiteral("--mutex"), QStringLiteral("EndAppTest")}), 1);

        QProcess running;
        program.prepare(running);
        running.start();
        QVERIFY(running.waitForStarted());
        const QString server = netrov::ui::SingleInstance(QStringLiteral("EndAppTest")).serverName();
        QTRY_VERIFY_WITH_TIMEOUT(netrov::ui::SingleInstance::send(server, "hello"), 15000);
        QCOMPARE(QProcess::execute(cli, {QStringLiteral("end-app"), QStringLiteral("--mutex"), QStringLiteral("EndAppTest")}), 0);
        QVERIFY(running.waitForFinished(15000));
        QCOMPARE(running.exitCode(), 0);
        const QString store = QString::fromStdString(netrov::test::testRoot()) + QStringLiteral("/home/.config/EndAppCo/NetRover.conf");
        QFile file(store);
        const QByteArray stored = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        QVERIFY2(!stored.contains("FrameX"), stored.constData());
        QVERIFY2(!stored.contains("ColumnWidth"), stored.constData());
    }
};

NETROV_REGISTER_TEST(StartupTest);

#include "startup_test.moc"
