// The device window against simulated printers: status and alerts in words,
// toner levels with their colours, pages drawn from the record schema.
#include <QLabel>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTemporaryDir>

#include <nlohmann/json.hpp>

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include <netrov/result_codes.h>

#include "device_window.h"
#include "column_settings.h"
#include "csv_records.h"
#include "netrover_view.h"
#include "result_text.h"
#include "view_test_support.h"
#include "ui_test_support.h"
#include "walk_agents.h"

using namespace netrov::ui;
using netrov::test::englishWords;
using netrov::test::parseCsv;
using netrov::test::sectionIndex;
namespace core = netrov::core;

namespace {

// The walk's values by object identifier.
std::map<std::string, std::string> walkValues(const std::string& walk)
{
    std::map<std::string, std::string> values;
    std::istringstream in(netrov::test::readFile(std::string(NETROV_SOURCE_DIR) + "/tests/devices/" + walk + ".snmprec"));
    for (std::string line; std::getline(in, line);) {
        const size_t first = line.find('|');
        const size_t second = line.find('|', first + 1);
        if (first != std::string::npos && second != std::string::npos) values[line.substr(0, first)] = line.substr(second + 1);
    }
    return values;
}

// Rows of one table column: index suffix -> value.
std::map<std::string, std::string> column(const std::map<std::string, std::string>& values, const std::string& prefix)
{
    std::map<std::string, std::string> rows;
    for (const auto& [oid, value] : values)
        if (oid.rfind(prefix, 0) == 0) rows[oid.substr(prefix.size())] = value;
    return rows;
}

// The message document's words for an alert: the entry of its code and group, else of its code.
QString documentedMessage(int code, int group)
{
    const QString document = QString::fromStdString(netrov::test::readFile(NETROV_SOURCE_DIR "/data/other/standard_msg.xml"));
    for (const QString& pattern : {QStringLiteral("<alertcode value=\"%1\" group=\"%2\"><stat>([^<]*)</stat>").arg(code).arg(group),
                                   QStringLiteral("<alertcode value=\"%1\"><stat>([^<]*)</stat>").arg(code)}) {
        const QRegularExpressionMatch match = QRegularExpression(pattern).match(document);
        if (match.hasMatch()) return match.captured(1);
    }
    return {};
}

const QStandardItem* findRow(const QStandardItem* parent, const QString& text)
{
    for (int row = 0; row < parent->rowCount(); ++row) {
        const QStandardItem* child = parent->child(row, 0);
        if (child->text() == text) return child;
        if (const QStandardItem* below = findRow(child, text)) return below;
    }
    return nullptr;
}

QStandardItem* valueOf(const QStandardItem* row)
{
    const QStandardItem* parent = row->parent() ? row->parent() : row->model()->invisibleRootItem();
    return parent->child(row->row(), 1);
}

std::string hexOf(const std::string& text)
{
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : text) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex;
}


}  // namespace

class DeviceWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // The simulator runs as another user: it must reach its folder below the test root.
        if (const char* root = std::getenv("TMPDIR")) chmod(root, 0711);
    }

    void walksInWords_data()
    {
        QTest::addColumn<QString>("walk");
        QTest::addColumn<QString>("status");
        QTest::newRow("colour laser") << "colour_laser" << "Ready";
        QTest::newRow("mfp, toner low") << "mfp" << "Warning";
        QTest::newRow("jam and open door") << "jam_door" << "Error";
        QTest::newRow("inkjet") << "inkjet" << "Ready";
        QTest::newRow("toner empty") << "toner_empty" << "Error";
    }

    void walksInWords()
    {
        QFETCH(QString, walk);
        QFETCH(QString, status);
        netrov::test::WalkAgents agents;
        if (!agents.serve(walk.toStdString(), {"127.0.61.1"})) QSKIP(agents.whyNot().c_str());
        core::DeviceListEntry entry;
        QVERIFY(netrov::test::searchedDevice("127.0.61.1", entry));

        DeviceWindow window(core::FrontLibrary::tuva(), entry, englishWords());
        QSignalSpy loaded(&window, &DeviceWindow::loaded);
        QVERIFY(window.loading());
        QVERIFY(loaded.wait(20000));
        QVERIFY(!window.loading());
        QCOMPARE(window.statusText(), QStringLiteral("Status: ") + status);
        QCOMPARE(window.webPage(), QStringLiteral("http://127.0.61.1/"));

        const auto values = walkValues(walk.toStdString());
        // Every alert of the walk, in the message document's words, with its picture.
        const auto codes = column(values, "1.3.6.1.2.1.43.18.1.1.7.1.");
        const auto groups = column(values, "1.3.6.1.2.1.43.18.1.1.4.1.");
        QStandardItemModel* alerts = window.alertModel();
        QCOMPARE(alerts->rowCount(), codes.empty() ? 1 : static_cast<int>(codes.size()));
        int row = 0;
        for (const auto& [index, code] : codes) {
            const QString expected = documentedMessage(std::stoi(code), std::stoi(groups.at(index)));
            QVERIFY2(!expected.isEmpty(), code.c_str());
            const QStandardItem* item = alerts->item(row++);
            // The first line may name what the alert concerns before the words ("Black toner low").
            const QString first = item->text().section(QLatin1Char('\n'), 0, 0);
            QVERIFY2(item->text().contains(QLatin1Char('\n')) && first.endsWith(expected, Qt::CaseInsensitive),
                     qPrintable(item->text()));
            QVERIFY(!item->icon().isNull());
        }

        // Every supply with a measured level shows it as a bar; the colorant names its colour.
        const QStandardItem* supplies = window.sectionModel(sectionIndex("Supplies"))->invisibleRootItem();
        const auto names = column(values, "1.3.6.1.2.1.43.11.1.1.6.1.");
        const auto maxima = column(values, "1.3.6.1.2.1.43.11.1.1.8.1.");
        const auto levels = column(values, "1.3.6.1.2.1.43.11.1.1.9.1.");
        const auto colorants = column(values, "1.3.6.1.2.1.43.11.1.1.3.1.");
        const auto colourNames = column(values, "1.3.6.1.2.1.43.12.1.1.4.1.");
        int bars = 0;
        for (const auto& [index, name] : names) {
            const QStandardItem* supply = findRow(supplies, QString::fromStdString(name));
            QVERIFY2(supply, name.c_str());
            const QStandardItem* value = valueOf(supply);
            const int level = std::stoi(levels.at(index));
            if (maxima.at(index) == "100" && level >= 0) {
                QCOMPARE(value->data(kLevelRole).toInt(), level);
                QCOMPARE(value->text(), QStringLiteral("%1 %").arg(level));
                ++bars;
            } else if (level < 0) {
                QVERIFY(value->data(kLevelRole).toInt() < 0);
                QVERIFY(!value->text().isEmpty());
            }
            const auto colorant = colorants.find(index);
            if (colorant != colorants.end() && colourNames.count(colorant->second)) {
                const QColor colour(QString::fromStdString(colourNames.at(colorant->second)));
                if (colour.isValid()) QCOMPARE(value->data(kColourRole).value<QColor>(), colour);
            }
        }
        QVERIFY(bars > 0);

        // Every page labels its lines in words, never with a field's name.
        // (Product names such as NetWare are spelt that way; they are no field names.)
        const QRegularExpression fieldName(QStringLiteral("\\b(?!(?:NetWare|AppleTalk)\\b)\\w*[a-z][A-Z]|\\b(Text|Show)\\b"));
        for (const QLabel* label : window.findChildren<QLabel*>(QStringLiteral("FieldLabel")))
            QVERIFY2(!fieldName.match(label->text()).hasMatch(), qPrintable(label->text()));
        QVERIFY(!window.findChildren<QLabel*>(QStringLiteral("LevelName")).isEmpty());

        // Trays with their names; the page counter; each query of a page answers or says why not.
        const QStandardItem* paper = window.sectionModel(sectionIndex("Paper"))->invisibleRootItem();
        for (const auto& [index, tray] : column(values, "1.3.6.1.2.1.43.8.2.1.13.1."))
            QVERIFY2(findRow(paper, QString::fromStdString(tray)), tray.c_str());
        const QStandardItem* device = window.sectionModel(sectionIndex("Device"))->invisibleRootItem();
        QVERIFY(findRow(device, QStringLiteral("Page counters")));
        const QStandardItem* network = window.sectionModel(sectionIndex("Network"))->invisibleRootItem();
        for (int query = 0; query < network->rowCount(); ++query) {
            const std::string name = network->child(query, 0)->data(Qt::UserRole).toString().toStdString();
            const QString value = network->child(query, 1)->text();
            if (!core::findQuery(name)) QCOMPARE(value, QString::fromLatin1(kNotReported));
            else QVERIFY(network->child(query, 0)->hasChildren() || !value.isEmpty());
        }
    }

    void silentDeviceSaysSo()
    {
        netrov::test::WalkAgents agents;
        if (!agents.serve("mono_laser", {"127.0.61.2"})) QSKIP(agents.whyNot().c_str());
        core::DeviceListEntry entry;
        QVERIFY(netrov::test::searchedDevice("127.0.61.2", entry));
        agents.stop("mono_laser");
        entry.identity.timeout = 1;
        DeviceWindow window(core::FrontLibrary::tuva(), entry, englishWords());
        QSignalSpy loaded(&window, &DeviceWindow::loaded);
        QVERIFY(loaded.wait(20000));
        QCOMPARE(window.statusText(), QStringLiteral("Status: No Answer"));
        // The name it had stays; every page says why it is empty.
        QVERIFY(window.device().info.nameValid);
        const QStandardItem* supplies = window.sectionModel(sectionIndex("Supplies"))->invisibleRootItem();
        QCOMPARE(supplies->child(0, 1)->text(), QString::fromUtf8(core::resultWords(NETROV_NO_REPLY)));
        QCOMPARE(window.alertModel()->rowCount(), 0);
    }

    void closingWhileLoadingEndsAtOnce()
    {
        netrov::test::WalkAgents agents;
        if (!agents.serve("mfp", {"127.0.61.3"})) QSKIP(agents.whyNot().c_str());
        core::DeviceListEntry entry;
        QVERIFY(netrov::test::searchedDevice("127.0.61.3", entry));
        QElapsedTimer clock;
        {
            DeviceWindow window(core::FrontLibrary::tuva(), entry, englishWords());
            QVERIFY(window.loading());
            clock.start();
        }
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
    }

    void titlesForPeople()
    {
        QCOMPARE(QString::fromStdString(queryTitle("GetDevTonerSave")), QStringLiteral("Toner saving"));
        QCOMPARE(QString::fromStdString(queryTitle("GetDevTCPIPv6")), QStringLiteral("IPv6"));
        QCOMPARE(QString::fromStdString(queryTitle("GetDevADU")), QStringLiteral("Two-sided printing"));
        QCOMPARE(QString::fromStdString(queryTitle("GetJobLogInfo")), QStringLiteral("Job log"));
        QCOMPARE(QString::fromStdString(fieldTitle("remainingPercent")), QStringLiteral("Remaining percent"));
        QCOMPARE(QString::fromStdString(fieldTitle("ipAddress")), QStringLiteral("Ip address"));
        QCOMPARE(QString::fromStdString(fieldTitle("sysObjectID")), QStringLiteral("Sys object ID"));
    }
};

// The list of a real search: Device > Export report, and the Toner and Pages columns.
class FleetListTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (const char* root = std::getenv("TMPDIR")) chmod(root, 0711);
    }

    void reportReadsBackWithHostileTexts()
    {
        const std::string name = "mx \"front\", desk";
        const std::string location = "Room 2, \"north\"\r\nsecond line";
        netrov::test::WalkAgents agents;
        if (!agents.serve("mfp", {"127.0.61.4"},
                          {{"1.3.6.1.2.1.1.5.0", "1.3.6.1.2.1.1.5.0|4x|" + hexOf(name)},
                           {"1.3.6.1.2.1.1.6.0", "1.3.6.1.2.1.1.6.0|4x|" + hexOf(location)}}))
            QSKIP(agents.whyNot().c_str());
        if (!agents.serve("colour_laser", {"127.0.61.5"})) QSKIP(agents.whyNot().c_str());

        netrov::test::TestProgram program;
        CNetRoverApp app;
        QCOMPARE(app.InitInstance(program.directory()), CNetRoverApp::Start::Run);
        for (const char* address : {"127.0.61.4", "127.0.61.5"}) {
            core::DeviceListEntry entry;
            QVERIFY(netrov::test::searchedDevice(address, entry));
            app.devices().append(entry);
        }
        DeviceLauncher launcher;
        QTemporaryDir dir;
        {
            CNetRoverView view(app, launcher);
            const QString csvPath = dir.filePath(QStringLiteral("report.csv"));
            QVERIFY(view.exportReportTo(csvPath, true));
            const auto records = parseCsv(netrov::test::readFile(csvPath.toStdString()));
            QCOMPARE(records.size(), size_t{3});
            const std::vector<std::string>& header = records[0];
            const auto column = [&](const std::string& key) {
                return static_cast<size_t>(std::find(header.begin(), header.end(), key) - header.begin());
            };
            for (const char* key : {"address", "name", "location", "pages", "toner_black", "toner_cyan"})
                QVERIFY2(column(key) < header.size(), key);
            for (const auto& record : records) QCOMPARE(record.size(), header.size());
            QCOMPARE(records[1][column("address")], std::string("127.0.61.4"));
            QCOMPARE(records[1][column("name")], name);
            QCOMPARE(records[1][column("location")], location);
            QVERIFY(!records[1][column("pages")].empty());
            QCOMPARE(records[2][column("model")], std::string("Tarnwell CL-560 Color"));
            QVERIFY(!records[2][column("toner_cyan")].empty());

            const QString jsonPath = dir.filePath(QStringLiteral("report.JSON"));
            QVERIFY(view.exportReportTo(jsonPath, true));
            const nlohmann::json json = nlohmann::json::parse(netrov::test::readFile(jsonPath.toStdString()));
            QCOMPARE(json.size(), size_t{2});
            QCOMPARE(json[0]["name"].get<std::string>(), name);
            QCOMPARE(json[0]["location"].get<std::string>(), location);

            // A folder that is not there: nothing written, the reason given.
            QVERIFY(!view.exportReportTo(dir.filePath(QStringLiteral("missing/report.csv")), true));
        }
        app.ExitInstance();
    }

    void tonerAndPagesColumnsFillInTheBackground()
    {
        const std::vector<std::pair<std::string, std::string>> walks = {{"colour_laser", "127.0.61.6"}, {"mfp", "127.0.61.7"}};
        netrov::test::WalkAgents agents;
        for (const auto& [walk, address] : walks)
            if (!agents.serve(walk, {address})) QSKIP(agents.whyNot().c_str());
        netrov::test::TestProgram program;
        CNetRoverApp app;
        QCOMPARE(app.InitInstance(program.directory()), CNetRoverApp::Start::Run);
        for (const auto& [walk, address] : walks) {
            core::DeviceListEntry entry;
            QVERIFY(netrov::test::searchedDevice(address.c_str(), entry));
            app.devices().append(entry);
        }
        DeviceLauncher launcher;
        {
            CNetRoverView view(app, launcher);
            view.OnInitialUpdate(nullptr);
            // The list is the one above: no search of its own.
            view.findChild<QTimer*>(QStringLiteral("timer1001"))->stop();
            view.removeRowsAndFill();
            ColumnSettings settings = view.columnSettings();
            settings[kColumnToner].order = 4;
            settings[kColumnPages].order = 5;
            view.applyColumnSettings(settings);
            QTRY_VERIFY_WITH_TIMEOUT(!view.gaugesRunning(), 20000);
            for (int row = 0; row < 2; ++row) {
                const auto values = walkValues(walks[static_cast<size_t>(view.deviceIndex(row))].first);
                // The lowest toner level of the walk (toner rows with a level out of 100), and the life count.
                int lowest = 100;
                const auto types = column(values, "1.3.6.1.2.1.43.11.1.1.5.1.");
                const auto maxima = column(values, "1.3.6.1.2.1.43.11.1.1.8.1.");
                for (const auto& [index, level] : column(values, "1.3.6.1.2.1.43.11.1.1.9.1."))
                    if (types.at(index) == "3" && maxima.at(index) == "100" && std::stoi(level) >= 0)
                        lowest = std::min(lowest, std::stoi(level));
                const QTreeWidgetItem* item = view.topLevelItem(row);
                QCOMPARE(item->text(4), QStringLiteral("%1 %").arg(lowest));
                QCOMPARE(item->data(4, kLevelRole).toInt(), lowest);
                QCOMPARE(item->text(5), QString::fromStdString(values.at("1.3.6.1.2.1.43.10.2.1.4.1.1")));
            }
            // Sorting by Toner puts the lower level first.
            view.sortByPosition(4);
            QVERIFY(view.topLevelItem(0)->data(4, kLevelRole).toInt() <= view.topLevelItem(1)->data(4, kLevelRole).toInt());
        }
        app.ExitInstance();
    }

    void endingWhileTheTonerColumnWaitsReturnsAtOnce()
    {
        netrov::test::WalkAgents agents;
        if (!agents.serve("mfp", {"127.0.61.8"})) QSKIP(agents.whyNot().c_str());
        netrov::test::TestProgram program;
        CNetRoverApp app;
        QCOMPARE(app.InitInstance(program.directory()), CNetRoverApp::Start::Run);
        core::DeviceListEntry entry;
        QVERIFY(netrov::test::searchedDevice("127.0.61.8", entry));
        // The device falls silent: each toner query waits its whole time-out.
        agents.stop("mfp");
        entry.identity.timeout = 10;
        app.devices().append(entry);
        DeviceLauncher launcher;
        QElapsedTimer clock;
        {
            CNetRoverView view(app, launcher);
            view.OnInitialUpdate(nullptr);
            view.findChild<QTimer*>(QStringLiteral("timer1001"))->stop();
            view.removeRowsAndFill();
            ColumnSettings settings = view.columnSettings();
            settings[kColumnToner].order = 4;
            view.applyColumnSettings(settings);
            QVERIFY(view.gaugesRunning());
            QTest::qWait(300);
            clock.start();
        }
        qInfo("the list ended during a toner read in %lld ms", static_cast<long long>(clock.elapsed()));
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        app.ExitInstance();
    }
};

NETROV_REGISTER_TEST(DeviceWindowTest);
NETROV_REGISTER_TEST(FleetListTest);

#include "device_window_test.moc"
