// The device list view: rows and cells after a search, sorting, refresh, customize rules, columns across restarts, device commands.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <cstring>
#include <optional>

#include "column_settings.h"
#include "netrov/result_codes.h"
#include "netrov/snmp_version.h"
#include "customize_dlg.h"
#include "device_window.h"
#include "netrover_view.h"
#include "ui_test_support.h"
#include "view_test_support.h"

using netrov::test::FakePrinters;
using netrov::test::TestProgram;
using namespace netrov::ui;

namespace {

// Records what the view asks the launcher to start.
class RecordingLauncher : public DeviceLauncher {
public:
    std::string displayName(int32_t slot) const override
    {
        if (slot == 0) return "Status Monitor";
        if (slot == 3) return "Web Page";
        return {};
    }
    void Launch(const netrov::core::DeviceListEntry& device, int32_t slot) override
    {
        launched.emplace_back(device.identity.modelName, slot);
    }
    void LaunchDefault(const netrov::core::DeviceListEntry& device) override
    {
        launched.emplace_back(device.identity.modelName, -1);
    }
    bool hasDefault() const override { return withDefault; }
    std::vector<std::pair<std::string, int32_t>> launched;
    bool withDefault = true;
};

QStringList column(const CNetRoverView& view, int position)
{
    QStringList texts;
    for (int row = 0; row < view.topLevelItemCount(); ++row) texts << view.topLevelItem(row)->text(position);
    return texts;
}

QStringList headers(const CNetRoverView& view)
{
    QStringList texts;
    for (int position = 0; position < view.columnCount(); ++position) texts << view.headerItem()->text(position);
    return texts;
}

// An application started from a test program directory; ended with the object.
struct StartedApp {
    explicit StartedApp(const TestProgram& program)
    {
        started = app.InitInstance(program.directory()) == CNetRoverApp::Start::Run;
    }
    CNetRoverApp app;
    bool started = false;
};

// Sets a view up over the fake printers and waits for its first search.
bool searchOnce(CNetRoverView& view, FakePrinters& printers, QMenu* menu, QString& status)
{
    QSignalSpy messages(&view, &CNetRoverView::statusMessage);
    view.setFrontLibrary(&printers.library());
    view.OnInitialUpdate(menu);
    if (!messages.wait(15000)) return false;
    status = messages.at(0).at(0).toString();
    return true;
}

// A started program with the sample printers answering, and its view after
// the first search; members end in the reverse order, the view first.
struct SearchedView {
    bool search()
    {
        view.emplace(started.app, launcher);
        return searchOnce(*view, printers, nullptr, status);
    }
    TestProgram program;
    StartedApp started{program};
    FakePrinters printers{netrov::test::samplePrinters()};
    DeviceLauncher launcher;
    std::optional<CNetRoverView> view;
    QString status;
};

}  // namespace

class ViewTest : public QObject {
    Q_OBJECT
private slots:
    void firstSearchFillsEveryCell()
    {
        SearchedView searched;
        QVERIFY(searched.started.started);
        QVERIFY(searched.search());
        CNetRoverView& view = *searched.view;
        QVERIFY(!view.startTimerActive());
        QCOMPARE(searched.status, QStringLiteral("7 Devices are found."));
        QCOMPARE(headers(view), (QStringList{"Model", "Location", "IP Address", "Status"}));
        QCOMPARE(view.columnWidth(0), 180);
        QCOMPARE(view.topLevelItemCount(), 7);
        // Rows in device list order, the item data naming the device.
        for (int row = 0; row < 7; ++row) QCOMPARE(view.deviceIndex(row), row);
        QCOMPARE(column(view, 2), (QStringList{"192.0.2.11", "192.0.2.12", "192.0.2.13", "192.0.2.14", "192.0.2.15",
                                               "192.0.2.16", "--"}));
        QCOMPARE(column(view, 3), (QStringList{"Ready", "Ready", "Warning", "Power Save", "Error", "Unknown", "Ready"}));
        QCOMPARE(view.topLevelItem(6)->text(1), QStringLiteral("Front desk"));
        QVERIFY(!view.topLevelItem(0)->icon(0).isNull());
        QVERIFY(!view.topLevelItem(3)->icon(3).isNull());
        QVERIFY(view.topLevelItem(3)->icon(1).isNull());

        // Every kind shown: the interface and MAC cells, "--" where empty.
        ColumnSettings all = view.columnSettings();
        for (int32_t kind = 0; kind < kColumnKinds; ++kind) all[static_cast<size_t>(kind)].order = kind;
        view.applyColumnSettings(all);
        QCOMPARE(view.columnCount(), 10);
        // Toner and Pages wait for the front library's own devices: none here.
        QCOMPARE(view.topLevelItem(0)->text(kColumnToner), QStringLiteral("--"));
        QCOMPARE(view.topLevelItem(0)->text(kColumnPages), QStringLiteral("--"));
        QCOMPARE(view.topLevelItem(0)->text(kColumnDevice), QStringLiteral("ml210-office"));
        QCOMPARE(view.topLevelItem(0)->text(kColumnInterface), QStringLiteral("Network"));
        QCOMPARE(view.topLevelItem(0)->text(kColumnMacAddress), QStringLiteral("00:15:A3:10:02:10"));
        QCOMPARE(view.topLevelItem(6)->text(kColumnInterface), QStringLiteral("USB001 (Tarnwell LX Driver)"));
        QCOMPARE(view.topLevelItem(6)->text(kColumnMacAddress), QStringLiteral("--"));
        QCOMPARE(view.topLevelItem(6)->text(kColumnDevice), QStringLiteral("--"));

        // A gap in the orders hides every kind after it.
        all[kColumnDevice].order = 5;
        view.applyColumnSettings(all);
        QCOMPARE(headers(view), (QStringList{"Model"}));
    }

    void headerClicksSortAndKeepTheSelectionInView()
    {
        SearchedView searched;
        QVERIFY(searched.started.started);
        QVERIFY(searched.search());
        CNetRoverView& view = *searched.view;
        view.resize(500, 60);
        view.show();
        view.topLevelItem(5)->setSelected(true);

        view.header()->sectionClicked(0);
        QCOMPARE(view.sortKind(), int32_t{kColumnModel});
        QCOMPARE(view.sortDirection(), 1);
        QCOMPARE(column(view, 0), (QStringList{"Tarnwell CL-560 Color", "Tarnwell CL-720 Color", "Tarnwell LX-100",
                                               "Tarnwell ML-210", "Tarnwell ML-330", "Tarnwell ML-410",
                                               "Tarnwell MX-4400 MFP"}));
        view.header()->sectionClicked(0);
        QCOMPARE(view.sortDirection(), -1);
        QCOMPARE(column(view, 0).first(), QStringLiteral("Tarnwell MX-4400 MFP"));
        QCOMPARE(column(view, 0).last(), QStringLiteral("Tarnwell CL-560 Color"));
        // The selected row (ML-410) moved and is still selected and in view.
        QTreeWidgetItem* selected = view.selectedItems().value(0);
        QVERIFY(selected);
        QCOMPARE(selected->text(0), QStringLiteral("Tarnwell ML-410"));
        QVERIFY(view.viewport()->rect().intersects(view.visualItemRect(selected)));

        // IP address: network devices by number, the local one last.
        view.header()->sectionClicked(2);
        QCOMPARE(column(view, 2), (QStringList{"192.0.2.11", "192.0.2.12", "192.0.2.13", "192.0.2.14", "192.0.2.15",
                                               "192.0.2.16", "--"}));
        // Status: equal words keep their order; words from last to first.
        view.header()->sectionClicked(3);
        QCOMPARE(column(view, 3), (QStringList{"Warning", "Ready", "Ready", "Ready", "Power Save", "Error", "Unknown"}));
        QCOMPARE(column(view, 0).mid(1, 3),
                 (QStringList{"Tarnwell ML-210", "Tarnwell CL-560 Color", "Tarnwell LX-100"}));
    }

    // A new search lists its rows in the order the header shows, not in the order they answered.
    void newSearchKeepsTheSort()
    {
        SearchedView searched;
        QVERIFY(searched.started.started);
        QVERIFY(searched.search());
        CNetRoverView& view = *searched.view;
        view.header()->sectionClicked(0);
        view.header()->sectionClicked(0);
        const QStringList descending{"Tarnwell MX-4400 MFP", "Tarnwell ML-410", "Tarnwell ML-330", "Tarnwell ML-210",
                                     "Tarnwell LX-100", "Tarnwell CL-720 Color", "Tarnwell CL-560 Color"};
        QCOMPARE(column(view, 0), descending);
        view.search();
        QCOMPARE(view.topLevelItemCount(), 7);
        QCOMPARE(column(view, 0), descending);
        QCOMPARE(view.header()->sortIndicatorSection(), 0);
        QCOMPARE(view.header()->sortIndicatorOrder(), Qt::DescendingOrder);

        // By status: a device that changed its status takes its new place.
        view.header()->sectionClicked(3);
        searched.printers.setStatus("Tarnwell ML-210", 5);
        view.search();
        QCOMPARE(column(view, 3), (QStringList{"Warning", "Ready", "Ready", "Power Save", "Error", "Error", "Unknown"}));
    }

    // The search asks with the SNMP version of the search settings.
    void searchCarriesTheSettingsVersion()
    {
        SearchedView searched;
        QVERIFY(searched.started.started);
        searched.started.app.searchExtent().snmpVersion = NETROV_SNMP_AUTO;
        QVERIFY(searched.search());
        const std::vector<DeviceIdentity> requests = searched.printers.searchRequests();
        QVERIFY(!requests.empty());
        for (const DeviceIdentity& request : requests) {
            QCOMPARE(netrovSnmpVersion(&request), int32_t{NETROV_SNMP_AUTO});
            QCOMPARE(std::string(request.community), std::string(searched.started.app.searchSettings().ComName));
        }
    }

    // The IPv6 addresses of the search settings are asked one by one beside the search, by the same community.
    void searchAsksTheIpv6Addresses()
    {
        SearchedView searched;
        QVERIFY(searched.started.started);
        searched.started.app.searchSettings().IPSearch = 1;
        searched.started.app.searchIpv6() = {"2001:db8::17"};
        // The probe would go to the network itself; the fake library answers the search.
        searched.started.app.searchExtent().probeV3 = false;
        QVERIFY(searched.search());
        std::vector<std::string> hosts;
        for (const DeviceIdentity& request : searched.printers.searchRequests()) {
            if (const char* host = netrovDeviceHost(&request)) {
                hosts.emplace_back(host);
                QCOMPARE(std::string(request.community), std::string(searched.started.app.searchSettings().ComName));
            }
        }
        QCOMPARE(hosts, std::vector<std::string>{"2001:db8::17"});
        // Its answer is the sample printers again: listed once each.
        QCOMPARE(searched.view->topLevelItemCount(), 7);
    }

    // A search that finds nothing says where a different community is set; one that finds something does not.
    void nothingFoundHintsAtTheCommunity()
    {
        TestProgram program;
        StartedApp started(program);
        QVERIFY(started.started);
        FakePrinters nobody({});
        DeviceLauncher launcher;
        CNetRoverView view(started.app, launcher);
        QString status;
        QVERIFY(searchOnce(view, nobody, nullptr, status));
        QVERIFY2(status.startsWith(QStringLiteral("0 Devices are found. ")), qPrintable(status));
        QVERIFY(status.contains(QStringLiteral("another SNMP community")));
        QVERIFY(status.contains(QStringLiteral("Search Range")));
    }

    // A written report says where it went; one that cannot be written does not claim it.
    void exportedReportSaysWhereItWent()
    {
        TestProgram program;
        StartedApp started(program);
        QVERIFY(started.started);
        // No device at all: the report holds its header only, and nothing is sent.
        FakePrinters nobody(std::vector<netrov::core::DeviceListEntry>{}, [](const netrov::core::QuerySchema&, DeviceIdentity*, void*, int32_t, int32_t* count) {
            *count = 0;
            return int32_t{NETROV_OK};
        });
        DeviceLauncher launcher;
        CNetRoverView view(started.app, launcher);
        QString status;
        QVERIFY(searchOnce(view, nobody, nullptr, status));
        netrov::test::TempDir dir;
        const QString path = QString::fromStdString(dir.file("fleet.csv"));
        QSignalSpy messages(&view, &CNetRoverView::statusMessage);
        QVERIFY(view.exportReportTo(path, true));
        QVERIFY(QFile::exists(path));
        QCOMPARE(messages.last().at(0).toString(),
                 QStringLiteral("The report of the listed devices was written to ") + QDir::toNativeSeparators(path));
        messages.clear();
        QVERIFY(!view.exportReportTo(QString::fromStdString(dir.file("missing/fleet.csv")), true));
        for (const QList<QVariant>& message : messages) QVERIFY(!message.at(0).toString().contains(QLatin1String("written")));
    }

    // The sorted column shows its direction; it follows the column through Customize.
    void sortIndicatorShowsTheSortedColumn()
    {
        SearchedView searched;
        QVERIFY(searched.started.started);
        QVERIFY(searched.search());
        CNetRoverView& view = *searched.view;
        QHeaderView* header = view.header();
        QVERIFY(!header->isSortIndicatorShown());
        struct Click {
            int position;
            int indicator;
            Qt::SortOrder order;
        };
        for (const Click& click : {Click{0, 0, Qt::AscendingOrder}, Click{0, 0, Qt::DescendingOrder},
                                   Click{2, 2, Qt::AscendingOrder}, Click{2, 2, Qt::DescendingOrder}}) {
            header->sectionClicked(click.position);
            QVERIFY(header->isSortIndicatorShown());
            QCOMPARE(header->sortIndicatorSection(), click.indicator);
            QCOMPARE(header->sortIndicatorOrder(), click.order);
        }
        // The IP column (kind 4, now at position 2) moves to position 1: so does the indicator.
        ColumnSettings settings = view.columnSettings();
        settings[kColumnLocation].order = kHidden;
        settings[kColumnIpAddress].order = 1;
        settings[kColumnStatus].order = 2;
        view.applyColumnSettings(settings);
        QCOMPARE(header->sortIndicatorSection(), 1);
        QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);
        settings[kColumnIpAddress].order = kHidden;
        settings[kColumnStatus].order = 1;
        view.applyColumnSettings(settings);
        QVERIFY(!header->isSortIndicatorShown());
    }

    void refreshRewritesDeviceLocationAndStatusOnly()
    {
        SearchedView searched;
        QVERIFY(searched.started.started);
        QVERIFY(searched.search());
        CNetRoverView& view = *searched.view;
        view.header()->sectionClicked(0);
        const QStringList models = column(view, 0);
        searched.printers.setLocation("Tarnwell ML-210", "Basement");
        searched.printers.setStatus("Tarnwell ML-210", 5);
        searched.printers.silence("Tarnwell ML-330");
        view.refresh();
        QCOMPARE(column(view, 0), models);
        const int ml210 = static_cast<int>(models.indexOf(QStringLiteral("Tarnwell ML-210")));
        const int ml330 = static_cast<int>(models.indexOf(QStringLiteral("Tarnwell ML-330")));
        QCOMPARE(view.topLevelItem(ml210)->text(1), QStringLiteral("Basement"));
        QCOMPARE(view.topLevelItem(ml210)->text(3), QStringLiteral("Error"));
        // A device that went silent stays with the no-answer word.
        QCOMPARE(view.topLevelItem(ml330)->text(3), QStringLiteral("No Answer"));
        QCOMPARE(view.topLevelItem(ml330)->text(2), QStringLiteral("192.0.2.14"));
        // It keeps the location, name and MAC address it had.
        QCOMPARE(view.topLevelItem(ml330)->text(1), QStringLiteral("Main hall"));
        const netrov::core::DeviceListEntry silent = searched.started.app.devices().copy(static_cast<size_t>(view.deviceIndex(ml330)));
        QCOMPARE(QString::fromLatin1(silent.info.name), QStringLiteral("ml330-hall"));
        QCOMPARE(silent.info.macAddressValid, uint8_t{1});
        QCOMPARE(silent.info.macAddress[5], uint8_t{0x30});
    }

    // Column settings stored before Toner and Pages existed, with a language
    // file that does not know them: the stored columns stay as they were, the
    // new ones are hidden, with their own headers and widths.
    void columnSettingsFromBeforeTonerAndPages()
    {
        std::string older = netrov::test::readFile(NETROV_SOURCE_DIR "/data/lang/NetRovEnglish.ini");
        for (const char* key : {"IDC_LISTB_TONER=Toner,110\r\n", "IDC_LISTB_PAGES=Pages,70\r\n"}) {
            const size_t at = older.find(key);
            QVERIFY(at != std::string::npos);
            older.erase(at, std::strlen(key));
        }
        LanguageFile language;
        QVERIFY(language.LoadText(older));
        netrov::test::MemoryStore store;
        const int32_t stored[7][2] = {{0, 150}, {1, 120}, {-1, 90}, {-1, 80}, {2, 100}, {-1, 70}, {3, 60}};
        for (int32_t kind = 0; kind < 7; ++kind) {
            store.writeInt("Window", "ColumnIndex" + std::to_string(kind), stored[kind][0]);
            store.writeInt("Window", "ColumnWidth" + std::to_string(kind), stored[kind][1]);
        }
        const ColumnSettings settings = loadColumnSettings(language, store);
        for (int32_t kind = 0; kind < 7; ++kind) {
            QCOMPARE(settings[static_cast<size_t>(kind)].order, stored[kind][0]);
            QCOMPARE(settings[static_cast<size_t>(kind)].width, stored[kind][1]);
        }
        QCOMPARE(shownKinds(settings), (std::vector<int32_t>{kColumnModel, kColumnDevice, kColumnIpAddress, kColumnStatus}));
        QCOMPARE(settings[kColumnToner].order, kHidden);
        QCOMPARE(settings[kColumnPages].order, kHidden);
        QCOMPARE(settings[kColumnEmptyIn].order, kHidden);
        QCOMPARE(QString::fromStdString(settings[kColumnEmptyIn].header), QStringLiteral("Empty in"));
        QCOMPARE(QString::fromStdString(settings[kColumnToner].header), QStringLiteral("Toner"));
        QCOMPARE(QString::fromStdString(settings[kColumnPages].header), QStringLiteral("Pages"));
        QVERIFY(settings[kColumnToner].width > 0 && settings[kColumnPages].width > 0);
        // Saved and loaded again, nothing moves.
        saveColumnSettings(settings, store);
        const ColumnSettings again = loadColumnSettings(language, store);
        for (int32_t kind = 0; kind < kColumnKinds; ++kind)
            QCOMPARE(again[static_cast<size_t>(kind)].order, settings[static_cast<size_t>(kind)].order);
    }

    void customizeButtonRules()
    {
        netrov::test::MemoryStore store;
        ColumnSettings settings = loadColumnSettings(netrov::test::englishLanguage(), store);
        settings[kColumnStatus].order = kHidden;  // shown: Model, Location, IP Address
        CCustomizeDlg dialog(&netrov::test::englishLanguage(), settings);
        QListWidget* show = dialog.showList();
        QListWidget* hide = dialog.hideList();
        const auto enabled = [&](int32_t id) { return dialog.control(id)->isEnabled(); };
        QCOMPARE(show->count(), 3);
        QCOMPARE(hide->count(), 7);
        QCOMPARE(hide->item(0)->text(), QStringLiteral("Device Name"));
        QCOMPARE(hide->item(3)->text(), QStringLiteral("Status"));
        QCOMPARE(hide->item(4)->text(), QStringLiteral("Toner"));
        QCOMPARE(hide->item(5)->text(), QStringLiteral("Pages"));
        QCOMPARE(hide->item(6)->text(), QStringLiteral("Empty in"));
        // Nothing selected.
        QVERIFY(!enabled(IDC_BUTTN_ADDITEM) && !enabled(IDC_BUTTN_DELITEM));
        QVERIFY(!enabled(IDC_BUTTN_ITEMUP) && !enabled(IDC_BUTTN_ITEMDOWN));
        // Position 0: neither hidden nor moved.
        show->item(0)->setSelected(true);
        QVERIFY(!enabled(IDC_BUTTN_DELITEM) && !enabled(IDC_BUTTN_ITEMUP) && !enabled(IDC_BUTTN_ITEMDOWN));
        // Position 1: hidden and down, not up.
        show->setCurrentRow(1);
        QVERIFY(enabled(IDC_BUTTN_DELITEM) && !enabled(IDC_BUTTN_ITEMUP) && enabled(IDC_BUTTN_ITEMDOWN));
        // The last position: up, not down.
        show->setCurrentRow(2);
        QVERIFY(enabled(IDC_BUTTN_DELITEM) && enabled(IDC_BUTTN_ITEMUP) && !enabled(IDC_BUTTN_ITEMDOWN));

        // Up swaps and keeps the entry selected; the orders follow the list.
        QTest::mouseClick(static_cast<QPushButton*>(dialog.control(IDC_BUTTN_ITEMUP)), Qt::LeftButton);
        QCOMPARE(show->item(1)->text(), QStringLiteral("IP Address"));
        QVERIFY(show->item(1)->isSelected());
        QCOMPARE(dialog.settings()[kColumnIpAddress].order, 1);
        QCOMPARE(dialog.settings()[kColumnLocation].order, 2);
        QVERIFY(!enabled(IDC_BUTTN_ITEMUP));

        // Show: the selected hidden entry goes to the end of the show list.
        hide->setCurrentRow(3);
        QVERIFY(enabled(IDC_BUTTN_ADDITEM));
        QTest::mouseClick(static_cast<QPushButton*>(dialog.control(IDC_BUTTN_ADDITEM)), Qt::LeftButton);
        QCOMPARE(show->item(3)->text(), QStringLiteral("Status"));
        QCOMPARE(dialog.settings()[kColumnStatus].order, 3);
        QCOMPARE(hide->count(), 6);

        // Hide: to the end of the hide list, order -1, the rest renumbered.
        show->setCurrentRow(1);
        QTest::mouseClick(static_cast<QPushButton*>(dialog.control(IDC_BUTTN_DELITEM)), Qt::LeftButton);
        QCOMPARE(hide->item(hide->count() - 1)->text(), QStringLiteral("IP Address"));
        QCOMPARE(dialog.settings()[kColumnIpAddress].order, kHidden);
        QCOMPARE(dialog.settings()[kColumnLocation].order, 1);
        QCOMPARE(dialog.settings()[kColumnStatus].order, 2);
        QCOMPARE(dialog.settings()[kColumnModel].order, 0);
        QVERIFY(!enabled(IDC_BUTTN_DELITEM));
        // Cancel leaves the caller's settings as they were.
        dialog.reject();
        QCOMPARE(settings[kColumnIpAddress].order, 2);
    }

    void customizeOkRebuildsColumnsAndRows()
    {
        SearchedView searched;
        QVERIFY(searched.started.started);
        QVERIFY(searched.search());
        CNetRoverView& view = *searched.view;
        view.setColumnWidth(0, 201);
        bool seen = false;
        QTimer::singleShot(0, this, [&seen] {
            auto* dialog = qobject_cast<CCustomizeDlg*>(QApplication::activeModalWidget());
            if (!dialog) return;
            seen = true;
            // The width the user gave the column is what the dialog starts from.
            QCOMPARE(dialog->settings()[kColumnModel].width, 201);
            dialog->hideList()->setCurrentRow(0);
            QTest::mouseClick(static_cast<QPushButton*>(dialog->control(IDC_BUTTN_ADDITEM)), Qt::LeftButton);
            dialog->accept();
        });
        view.customize();
        QVERIFY(seen);
        QCOMPARE(headers(view), (QStringList{"Model", "Location", "IP Address", "Status", "Device Name"}));
        QCOMPARE(view.columnWidth(0), 201);
        QCOMPARE(view.topLevelItemCount(), 7);
        QCOMPARE(view.topLevelItem(0)->text(4), QStringLiteral("ml210-office"));
        QCOMPARE(view.columnSettings()[kColumnDevice].order, 4);
    }

    void customizeLayoutMatchesTheBuiltInOne()
    {
        netrov::test::MemoryStore store;
        const ColumnSettings settings = loadColumnSettings(netrov::test::englishLanguage(), store);
        CCustomizeDlg builtIn(nullptr, settings);
        CCustomizeDlg english(&netrov::test::englishLanguage(), settings);
        QCOMPARE(builtIn.windowTitle(), QStringLiteral("..Customize"));
        QCOMPARE(english.windowTitle(), QStringLiteral("Customize"));
        QCOMPARE(english.size(), builtIn.size());
        for (int id : {1010, 1011, 1012, 1013, 1014, 1015, 1017, 1018, 1, 2})
            QVERIFY2(english.control(id)->geometry() == builtIn.control(id)->geometry(), qPrintable(QString::number(id)));
    }

    void widthsAndOrdersSurviveARestart()
    {
        TestProgram program;
        FakePrinters printers(netrov::test::samplePrinters());
        DeviceLauncher launcher;
        {
            StartedApp started(program);
            QVERIFY(started.started);
            CNetRoverView view(started.app, launcher);
            QString status;
            QVERIFY(searchOnce(view, printers, nullptr, status));
            ColumnSettings settings = view.columnSettings();
            settings[kColumnLocation].order = kHidden;
            settings[kColumnIpAddress].order = 1;
            settings[kColumnStatus].order = 2;
            settings[kColumnMacAddress].order = 3;
            view.applyColumnSettings(settings);
            view.setColumnWidth(0, 222);
            view.setColumnWidth(3, 145);
            view.saveColumns();
            started.app.ExitInstance();
        }
        StartedApp again(program);
        QVERIFY(again.started);
        CNetRoverView view(again.app, launcher);
        QString status;
        QVERIFY(searchOnce(view, printers, nullptr, status));
        QCOMPARE(headers(view), (QStringList{"Model", "IP Address", "Status", "MAC Address"}));
        QCOMPARE(view.columnWidth(0), 222);
        QCOMPARE(view.columnWidth(3), 145);
        QCOMPARE(view.columnSettings()[kColumnLocation].order, kHidden);
        QCOMPARE(view.columnSettings()[kColumnLocation].width, 180);
    }

    void keyboardContextMenuCorner()
    {
        const QRect client(0, 0, 400, 200);
        QCOMPARE(keyboardMenuCorner(QRect(0, 40, 300, 18), client), QPoint(0, 40));
        QCOMPARE(keyboardMenuCorner(QRect(5, 40, 300, 18), client), QPoint(5, 40));
        // Above, below or wider than the client area: pulled to 0.
        QCOMPARE(keyboardMenuCorner(QRect(5, -10, 300, 18), client), QPoint(5, 0));
        QCOMPARE(keyboardMenuCorner(QRect(5, 190, 300, 18), client), QPoint(5, 0));
        QCOMPARE(keyboardMenuCorner(QRect(-20, 40, 300, 18), client), QPoint(0, 40));
        QCOMPARE(keyboardMenuCorner(QRect(5, 40, 500, 18), client), QPoint(0, 40));
    }

    void deviceCommandsNeedASelectedRow()
    {
        TestProgram program;
        StartedApp started(program);
        QVERIFY(started.started);
        FakePrinters printers(netrov::test::samplePrinters());
        RecordingLauncher launcher;
        QMenu device;
        QAction* first = device.addAction(QStringLiteral("Se&arch Range..."));
        CNetRoverView view(started.app, launcher);
        QString status;
        QVERIFY(searchOnce(view, printers, &device, status));
        // The named slots on top, in slot order, then a separator.
        const QList<QAction*> actions = device.actions();
        QCOMPARE(actions.size(), 4);
        QCOMPARE(actions[0]->text(), QStringLiteral("Status Monitor"));
        QCOMPARE(actions[0]->data().toInt(), 30000);
        QCOMPARE(actions[1]->data().toInt(), 30003);
        QVERIFY(actions[2]->isSeparator());
        QCOMPARE(actions[3], first);
        QVERIFY(!actions[0]->isEnabled());

        view.topLevelItem(2)->setSelected(true);
        QVERIFY(actions[1]->isEnabled());
        actions[1]->trigger();
        view.show();
        view.setFocus();
        QTest::keyClick(&view, Qt::Key_Return);
        QCOMPARE(launcher.launched.size(), size_t{2});
        QCOMPARE(launcher.launched[0], (std::pair<std::string, int32_t>{"Tarnwell MX-4400 MFP", 3}));
        QCOMPARE(launcher.launched[1], (std::pair<std::string, int32_t>{"Tarnwell MX-4400 MFP", -1}));
        view.clearSelection();
        QVERIFY(!actions[0]->isEnabled());
        actions[0]->trigger();
        QCOMPARE(launcher.launched.size(), size_t{2});
    }

    // Without a default program, double-click, Enter and the context menu open
    // the device window; a second request raises the same window.
    void propertiesWithoutDefaultProgram()
    {
        TestProgram program;
        StartedApp started(program);
        QVERIFY(started.started);
        FakePrinters printers(netrov::test::samplePrinters());
        RecordingLauncher launcher;
        launcher.withDefault = false;
        CNetRoverView view(started.app, launcher);
        QString status;
        QVERIFY(searchOnce(view, printers, nullptr, status));
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const int mfp = static_cast<int>(column(view, 0).indexOf(QStringLiteral("Tarnwell MX-4400 MFP")));
        view.topLevelItem(mfp)->setSelected(true);
        view.setCurrentItem(view.topLevelItem(mfp));
        view.setFocus();
        QTest::keyClick(&view, Qt::Key_Return);
        const int index = view.deviceIndex(mfp);
        DeviceWindow* window = view.deviceWindow(index);
        QVERIFY(window);
        QVERIFY(launcher.launched.empty());
        QSignalSpy loaded(window, &DeviceWindow::loaded);
        QVERIFY(window->loading() || !loaded.isEmpty() || loaded.wait(5000));
        QTRY_VERIFY(!window->loading());
        QCOMPARE(window->statusText(), QStringLiteral("Status: Warning"));
        QCOMPARE(window->webPage(), QStringLiteral("http://192.0.2.13/"));

        const QRect rect = view.visualRect(view.model()->index(mfp, 0));
        QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
        QTest::mouseDClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
        QCOMPARE(view.deviceWindow(index), window);
        QVERIFY(launcher.launched.empty());
        // Closed, it opens anew on double-click.
        window->close();
        QTRY_VERIFY(!view.deviceWindow(index));
        QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
        QTest::mouseDClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
        window = view.deviceWindow(index);
        QVERIFY(window);

        // The context menu offers it first, even with no device program at all.
        QTimer::singleShot(100, [] {
            QMenu* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            QVERIFY(menu);
            QCOMPARE(menu->actions().value(0)->data().toInt(), static_cast<int>(IDM_MENU_PROPERTIES));
            menu->close();
        });
        QContextMenuEvent menuEvent(QContextMenuEvent::Keyboard, rect.center(), view.viewport()->mapToGlobal(rect.center()));
        QApplication::sendEvent(view.viewport(), &menuEvent);

        // With a default program, double-click keeps starting it.
        launcher.withDefault = true;
        QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
        QTest::mouseDClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
        QCOMPARE(launcher.launched.size(), size_t{1});
        // A new search numbers the devices anew: the open window is not taken for another device.
        view.search();
        QVERIFY(!view.deviceWindow(index));
        window->close();
    }
};

NETROV_REGISTER_TEST(ViewTest);

#include "view_test.moc"
