// The searching dialog over a fake front library: progress rule, completed run with export, abort, animation.
#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "dialog_controls.h"
#include "fake_agent.h"
#include "platform/profile_file.h"
#include "searching_dlg.h"
#include "temp_dir.h"
#include "ui_test_support.h"
#include "v3_report.h"

using netrov::ui::CSearchingDlg;

namespace {

// Answers every search with count network devices after delayMs; every
// device answers information and status.
netrov::core::DeviceAccess fakeAccess(int count, int delayMs, std::atomic<int>* searches)
{
    netrov::core::DeviceAccess access;
    access.init = [](DeviceIdentity*) { return 0; };
    access.release = [] { return 0; };
    access.searchDevice = [=](DeviceIdentity*, intptr_t, intptr_t, DeviceIdentity* found, int32_t capacity,
                              int32_t* found_count) {
        if (searches) ++*searches;
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        *found_count = 0;
        for (int i = 0; i < count; ++i) {
            if (i < capacity) {
                DeviceIdentity& device = found[i];
                memset(&device, 0, sizeof device);
                snprintf(device.modelName, sizeof device.modelName, "Tarnwell ML-210");
                device.interfaceKind = NETROV_INTERFACE_NETWORK;
                device.transport = 2;
                device.address[0] = 127;
                device.address[3] = static_cast<uint8_t>(i + 1);
            }
            ++*found_count;
        }
        return 0;
    };
    access.getDevInfo = [](DeviceIdentity*, intptr_t, intptr_t, void* records, int32_t, int32_t* n) {
        auto* info = static_cast<DeviceInfo*>(records);
        info->locationValid = 1;
        snprintf(info->location, sizeof info->location, "Floor 2");
        *n = 1;
        return 0;
    };
    access.getDevStatus = [](DeviceIdentity*, intptr_t, intptr_t, void* records, int32_t, int32_t* n) {
        static_cast<DeviceStatus*>(records)[0].simpleStatus = 3;
        *n = 1;
        return 0;
    };
    return access;
}

netrov::ui::SearchRequest request(netrov::core::FrontLibrary& library, netrov::core::DeviceList& devices,
                                  const std::string& exportPath)
{
    netrov::ui::SearchRequest request;
    request.library = &library;
    request.devices = &devices;
    request.settings = netrov::core::defaultSearchSettings();
    request.settings.BroadCast = 0;  // the fake answers anyway; nothing leaves the process
    request.settings.TimeOut = 1;
    request.exportPath = exportPath;
    return request;
}

}  // namespace

class SearchingDlgTest : public QObject {
    Q_OBJECT
private slots:
    void progressTickRule()
    {
        netrov::core::ProgressClock clock(11000);
        QCOMPARE(clock.periodMs(), int64_t{110});
        for (int i = 1; i <= 99; ++i) {
            QVERIFY(!clock.tick(false));
            QCOMPARE(clock.position(), i);
        }
        // However long the run takes, the bar waits at 99.
        for (int i = 0; i < 50; ++i) QVERIFY(!clock.tick(false));
        QCOMPARE(clock.position(), 99);
        QVERIFY(clock.tick(true));
        QCOMPARE(clock.position(), 100);

        netrov::core::ProgressClock early(6000);
        early.tick(false);
        early.tick(false);
        QVERIFY(early.tick(true));
        QCOMPARE(early.position(), 100);
    }

    void completedRunExportsAndCloses()
    {
        netrov::test::TempDir dir;
        netrov::core::FrontLibrary library(fakeAccess(3, 0, nullptr));
        netrov::core::DeviceList devices;
        CSearchingDlg dialog(&netrov::test::englishLanguage(), request(library, devices, dir.file("MfpList.ini")));
        // T = ((0 + 1) x 1 + 5) x 1000 ms with broadcast off.
        QCOMPARE(dialog.progressPeriodMs(), 60);
        dialog.show();
        QTRY_COMPARE_WITH_TIMEOUT(dialog.result(), int(QDialog::Accepted), 5000);
        QCOMPARE(dialog.progress(), 100);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(devices.count(), size_t{3});
        const std::string path = dir.file("MfpList.ini");
        QCOMPARE(netrov::platform::getPrivateProfileString("Devices", "\"Tarnwell ML-210(2)\"", "", path),
                 std::string("3,,127.0.0.3,\"Floor 2\",\"tarpon\","));
    }

    // A printer that answers only the SNMPv3 probe is not listed, but named
    // for the result line with the maker its engine gives.
    void aPrinterThatAnswersOnlyTheProbeIsNamed()
    {
        netrov::test::FakeAgent agent;
        if (!agent.ok()) QSKIP(agent.error().c_str());
        netrov::test::answerOnlyTheProbe(agent, {0x80, 0x00, 0x1F, 0x88, 0x04, 'l', 'a', 'b'});
        netrov::core::FrontLibrary library(fakeAccess(0, 0, nullptr));
        netrov::core::DeviceList devices;
        auto req = request(library, devices, "");
        req.settings.IPSearch = 1;
        req.addresses.append(agent.address());
        req.extent.probeV3 = true;
        CSearchingDlg dialog(&netrov::test::englishLanguage(), std::move(req));
        dialog.show();
        QTRY_COMPARE_WITH_TIMEOUT(dialog.result(), int(QDialog::Accepted), 5000);
        QCOMPARE(devices.count(), size_t{0});
        const auto needed = dialog.credentialsNeeded();
        QCOMPARE(needed.size(), size_t{1});
        QCOMPARE(netrov::core::credentialsNeededList(needed), agent.address() + " (enterprise 8072)");
    }

    void abortWaitsWhileTheWindowStaysResponsive()
    {
        netrov::test::TempDir dir;
        std::atomic<int> searches{0};
        netrov::core::FrontLibrary library(fakeAccess(2, 400, &searches));
        netrov::core::DeviceList devices;
        auto req = request(library, devices, dir.file("MfpList.ini"));
        req.settings.IPSearch = 1;
        req.addresses.append("127.0.0.1,127.0.0.4");
        CSearchingDlg dialog(&netrov::test::englishLanguage(), std::move(req));
        dialog.show();
        QTRY_COMPARE_WITH_TIMEOUT(searches.load(), 1, 2000);

        // Runs while reject() is still waiting for the run to end.
        bool ranDuringWait = false;
        QString textDuringWait;
        bool buttonEnabledDuringWait = true;
        QTimer::singleShot(50, &dialog, [&] {
            ranDuringWait = dialog.isVisible();
            textDuringWait = static_cast<QLabel*>(dialog.control(netrov::ui::IDC_LABEL_SEARCHINGMSG))->text();
            buttonEnabledDuringWait = dialog.control(netrov::ui::IDCANCEL)->isEnabled();
        });
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(ranDuringWait);
        QCOMPARE(textDuringWait, QStringLiteral("Canceling search..."));
        QVERIFY(!buttonEnabledDuringWait);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(dialog.progress() < 100);
        // No per-address search started after the abort, the list is empty, nothing exported.
        QCOMPARE(searches.load(), 1);
        QCOMPARE(devices.count(), size_t{0});
        QVERIFY(!std::filesystem::exists(dir.file("MfpList.ini")));
    }

    void installedLayoutMatchesTheBuiltInOne()
    {
        netrov::core::FrontLibrary library(fakeAccess(0, 0, nullptr));
        netrov::core::DeviceList devices;
        CSearchingDlg builtIn(nullptr, request(library, devices, ""));
        CSearchingDlg english(&netrov::test::englishLanguage(), request(library, devices, ""));
        QCOMPARE(builtIn.windowTitle(), QStringLiteral("..Device searching"));
        QCOMPARE(english.windowTitle(), QStringLiteral("Device searching"));
        QCOMPARE(english.size(), builtIn.size());
        for (int id : {1020, 1021, 1022, 1023, 2})
            QVERIFY2(english.control(id)->geometry() == builtIn.control(id)->geometry(), qPrintable(QString::number(id)));
        QCOMPARE(static_cast<QLabel*>(builtIn.control(1020))->text(), QStringLiteral("..Searching a device..."));
    }

    void animationCyclesSixFrames()
    {
        netrov::core::FrontLibrary library(fakeAccess(0, 0, nullptr));
        netrov::core::DeviceList devices;
        CSearchingDlg dialog(&netrov::test::englishLanguage(), request(library, devices, ""));
        auto* picture = static_cast<QLabel*>(dialog.control(netrov::ui::IDC_LABEL_SEARCHBITMAP));
        QCOMPARE(dialog.frame(), 0);
        QVERIFY(!picture->pixmap().isNull());
        const QImage first = picture->pixmap().toImage();
        dialog.animationTick();
        QCOMPARE(dialog.frame(), 1);
        QVERIFY(picture->pixmap().toImage() != first);
        for (int i = 0; i < 5; ++i) dialog.animationTick();
        QCOMPARE(dialog.frame(), 0);
        QCOMPARE(picture->pixmap().toImage(), first);
        dialog.animationTick();
        dialog.animationTick();
        netrov::test::saveScreenshot(&dialog, QStringLiteral("searching"));
    }
};

NETROV_REGISTER_TEST(SearchingDlgTest);

#include "searching_dlg_test.moc"
