// Export report fills the store's columns (last_seen, days_left per colour) from the program's fleet store.
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <ctime>
#include <span>
#include <string>

#include "csv_records.h"
#include "netrov/result_codes.h"
#include "fleet_store.h"
#include "netrover_view.h"
#include "stored_views.h"
#include "ui_test_support.h"
#include "view_test_support.h"

using namespace netrov::ui;
namespace store = netrov::store;

namespace {

constexpr int64_t kDay = 86400;

// Ten daily readings of the sample ML-210's black falling 5 points a day, the last a day ago: ten days left.
bool writeFallingBlack(const std::string& path, int64_t now)
{
    store::FleetStore fleet;
    if (!fleet.open(path).ok()) return false;
    store::DeviceReading reading;
    reading.identity = {"192.0.2.11", "00:15:a3:10:02:10", "", "Tarnwell ML-210"};
    for (int32_t day = 0; day < 10; ++day) {
        reading.pageCount = 1000 + day * 100;
        reading.supplies = {{1, 3, "black", "Black Toner", "", 100 - 5 * day, 100, store::kUnitPercent}};
        if (!fleet.writeRound(now - (10 - day) * kDay, std::span(&reading, 1)).ok()) return false;
    }
    return true;
}

}  // namespace

class ReportExportTest : public QObject {
    Q_OBJECT
private slots:
    void theReportHasTheStoresLastSeenAndDaysLeft()
    {
        netrov::test::TestProgram program;
        const std::string storePath = program.dir.file("fleet.db");
        QVERIFY(writeFallingBlack(storePath, static_cast<int64_t>(std::time(nullptr))));
        // The report asks described queries; these printers answer none, so the columns are the store's alone.
        netrov::test::FakePrinters printers(netrov::test::samplePrinters(),
                                            [](const netrov::core::QuerySchema&, DeviceIdentity*, void*, int32_t,
                                               int32_t* count) {
                                                *count = 0;
                                                return int32_t{NETROV_OK};
                                            });
        CNetRoverApp app;
        QCOMPARE(app.InitInstance(program.directory()), CNetRoverApp::Start::Run);
        DeviceLauncher launcher;
        CNetRoverView view(app, launcher);
        QSignalSpy messages(&view, &CNetRoverView::statusMessage);
        view.setFrontLibrary(&printers.library());
        view.OnInitialUpdate(nullptr);
        QVERIFY(messages.wait(15000));

        const QString path = QString::fromStdString(program.dir.file("report.csv"));
        QVERIFY(view.exportReportTo(path, true));
        const auto rows = netrov::test::parseCsv(netrov::test::readFile(path.toStdString()));
        const std::vector<std::string>& header = rows.at(0);
        const auto column = [&](const char* name) {
            return static_cast<size_t>(std::find(header.begin(), header.end(), name) - header.begin());
        };
        const auto row = [&](const char* address) {
            const auto found = std::find_if(rows.begin(), rows.end(), [&](const auto& r) { return r[0] == address; });
            return found != rows.end() ? *found : std::vector<std::string>{};
        };
        // The store's own view of the ML-210 after the search, as the command line's report --store reads it.
        store::FleetStore fleet;
        QVERIFY(netrov::core::openStoreForReading(fleet, storePath).ok());
        netrov::core::DeviceReport ml210;
        ml210.address = "192.0.2.11";
        const netrov::core::StoredDevice expected = netrov::core::storedDevice(fleet, ml210, std::time(nullptr));
        QVERIFY(!expected.lastSeen.empty());
        QCOMPARE(row("192.0.2.11").at(column("last_seen")), expected.lastSeen);
        // Ten days left at five points a day, give or take the fit.
        const std::string days = row("192.0.2.11").at(column("days_left_black"));
        QVERIFY(expected.of("black") && expected.of("black")->days);
        QCOMPARE(days, std::to_string(*expected.of("black")->days));
        QVERIFY2(std::stoi(days) >= 9 && std::stoi(days) <= 12, days.c_str());
        // A printer the store holds without a forecast has its last sighting and no days.
        QVERIFY(!row("192.0.2.12").at(column("last_seen")).empty());
        QCOMPARE(row("192.0.2.12").at(column("days_left_black")), std::string());
    }
};

NETROV_REGISTER_TEST(ReportExportTest);

#include "report_export_test.moc"
