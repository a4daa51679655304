// A printer that answers only IPP and was announced on IPv6 only: the list
// shows it by its IPv6 address and reads it from the chosen source, and its
// window says where the reading came from.
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <memory>

#include "column_settings.h"
#include "device_window.h"
#include "ippeveprinter_runner.h"
#include "mdns_rows.h"
#include "netrover_view.h"
#include "own_network.h"
#include "ui_test_support.h"
#include "view_test_support.h"

using namespace netrov::ui;
namespace core = netrov::core;
namespace mdns = netrov::mdns;

Q_DECLARE_METATYPE(netrov::core::Source)

class IppListTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (const std::string why = netrov::test::IppEvePrinter::missing(); !why.empty()) QSKIP(why.c_str());
        // The printer listens on IPP's own port, 631, where only this process looks.
        if (const std::string why = netrov::test::enterOwnNetwork(); !why.empty()) QSKIP(why.c_str());
        netrov::test::IppPrinterSetup setup;
        setup.port = 631;
        setup.attributes = {
            "ATTR text printer-make-and-model \"Acme ColorLaser 5\"",
            "ATTR octetString printer-supply "
            "\"index=1;class=supplyThatIsConsumed;type=tonerCartridge;unit=percent;maxcapacity=100;level=80;colorantname=black;\","
            "\"index=2;class=supplyThatIsConsumed;type=tonerCartridge;unit=percent;maxcapacity=100;level=5;colorantname=cyan;\"",
            "ATTR text printer-supply-description \"Black Cartridge\",\"Cyan Cartridge\"",
        };
        printer_ = std::make_unique<netrov::test::IppEvePrinter>(setup);
        QVERIFY2(printer_->ready(), printer_->whyNot().c_str());
    }

    void listedAndReadBySource_data()
    {
        QTest::addColumn<core::Source>("source");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("toner");
        QTest::addColumn<QString>("windowSource");
        const RowWords words = netrov::test::englishWords();
        QTest::newRow("auto asks IPP when SNMP is silent")
            << core::Source::Auto << QString::fromStdString(words.ready) << "5 %" << "Source: IPP";
        QTest::newRow("IPP alone") << core::Source::Ipp << QString::fromStdString(words.ready) << "5 %" << "Source: IPP";
        QTest::newRow("SNMP alone reads nothing")
            << core::Source::Snmp << QString::fromStdString(words.powerOff) << "--" << "";
    }

    void listedAndReadBySource()
    {
        QFETCH(core::Source, source);
        QFETCH(QString, status);
        QFETCH(QString, toner);
        QFETCH(QString, windowSource);
        mdns::Printer announced;
        announced.name = "Hall printer";
        announced.model = "Acme ColorLaser 5";
        announced.addresses = {{"::1", 6}};
        const std::vector<core::DeviceListEntry> rows = mdnsOnlyEntries({announced}, {}, "");
        QCOMPARE(rows.size(), size_t{1});

        netrov::test::TestProgram program;
        CNetRoverApp app;
        QCOMPARE(app.InitInstance(program.directory()), CNetRoverApp::Start::Run);
        app.readSource().source = source;
        app.devices().append(rows[0]);
        DeviceLauncher launcher;
        {
            CNetRoverView view(app, launcher);
            view.OnInitialUpdate(nullptr);
            view.findChild<QTimer*>(QStringLiteral("timer1001"))->stop();  // the list above, no search
            view.removeRowsAndFill();
            ColumnSettings settings = view.columnSettings();
            settings[kColumnToner].order = 4;
            view.applyColumnSettings(settings);
            QTRY_VERIFY_WITH_TIMEOUT(!view.gaugesRunning(), 30000);
            const auto column = [&view](int32_t kind) {
                const auto& shown = view.shownColumns();
                return static_cast<int>(std::find(shown.begin(), shown.end(), kind) - shown.begin());
            };
            const QTreeWidgetItem* row = view.topLevelItem(0);
            QCOMPARE(row->text(column(kColumnIpAddress)), QStringLiteral("::1"));
            QCOMPARE(row->text(column(kColumnStatus)), status);
            QCOMPARE(row->text(column(kColumnToner)), toner);

            view.setCurrentItem(view.topLevelItem(0));
            view.properties();
            DeviceWindow* window = view.deviceWindow(0);
            QVERIFY(window);
            QTRY_VERIFY_WITH_TIMEOUT(!window->loading(), 30000);
            QCOMPARE(window->sourceText(), windowSource);
            if (windowSource.isEmpty()) {
                QVERIFY(!window->reading().answered);
            } else {
                QCOMPARE(window->statusText(), QStringLiteral("Status: %1").arg(status));
                const std::vector<core::LevelLine> levels = readingLevels(window->reading());
                QCOMPARE(levels.size(), size_t{2});
                QCOMPARE(levels[1].name, std::string("Cyan"));
                QCOMPARE(levels[1].percent, std::optional<int32_t>(5));
                QCOMPARE(levels[1].state, core::LevelState::Low);
            }
        }
        app.ExitInstance();
    }

    void cleanupTestCase() { printer_.reset(); }

private:
    std::unique_ptr<netrov::test::IppEvePrinter> printer_;
};

NETROV_REGISTER_TEST(IppListTest);

#include "ipp_list_test.moc"
