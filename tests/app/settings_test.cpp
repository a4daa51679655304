// Loading and saving of the search settings through the per-user store and the start-up file.
#include <QSettings>
#include <QTest>

#include "netrover_app.h"
#include "settings_store.h"
#include "temp_dir.h"
#include "ui_test_support.h"

using netrov::core::SearchAddressList;
using netrov::core::SearchSettings;

namespace {

// A program directory with a start-up file and the English language file.
std::string makeProgramDir(const netrov::test::TempDir& dir, const std::string& company, const std::string& mainExtra)
{
    netrov::test::writeFile(dir.file("NetRov.ini"), "[Main]\r\nCompany=" + company +
                                                        "\r\nMutexName=SettingsTest-" + company +
                                                        "\r\nLanguage=lang.ini\r\n" + mainExtra);
    netrov::test::writeFile(dir.file("lang.ini"),
                            netrov::test::readFile(NETROV_SOURCE_DIR "/data/lang/NetRovEnglish.ini"));
    return dir.path().string();
}

}  // namespace

class SettingsTest : public QObject {
    Q_OBJECT
private slots:
    void defaultsFromAnEmptyStore()
    {
        netrov::test::MemoryStore store;
        SearchSettings settings{};
        SearchAddressList list;
        netrov::core::loadSearchSettings(store, {}, settings, list);
        QCOMPARE(settings.BroadCast, 1);
        QCOMPARE(settings.Filter, 0);
        QCOMPARE(settings.IPSearch, 0);
        QCOMPARE(settings.Retry, 0);
        QCOMPARE(settings.TimeOut, 3);
        QCOMPARE(std::string(settings.ComName), std::string("tarpon"));
        QCOMPARE(list.count(), size_t{0});
    }

    void communityOf128CharactersIsIgnored()
    {
        netrov::ui::UserSettingsStore store("CommunityCo");
        store.writeString("SearchOption", "ComName", std::string(128, 'c'));
        SearchSettings settings{};
        SearchAddressList list;
        netrov::core::loadSearchSettings(store, {}, settings, list);
        QCOMPARE(std::string(settings.ComName), std::string());
        store.writeString("SearchOption", "ComName", std::string(127, 'c'));
        netrov::core::loadSearchSettings(store, {}, settings, list);
        QCOMPARE(std::string(settings.ComName), std::string(127, 'c'));
    }

    void roundTripThroughThePerUserStore()
    {
        SearchSettings saved = netrov::core::defaultSearchSettings();
        saved.Filter = 1;
        saved.IPSearch = 1;
        saved.TimeOut = 17;
        netrov::core::setCommunity(saved, "private");
        SearchAddressList list;
        list.append("127.0.0.1,127.0.0.9");
        list.append("127.0.0.20");
        {
            netrov::ui::UserSettingsStore store("RoundTripCo");
            netrov::core::saveSearchSettings(store, saved, list);
            store.sync();
        }
        // The values land in the per-user store named after the company.
        QSettings raw(QStringLiteral("RoundTripCo"), QStringLiteral("NetRover"));
        QVERIFY(raw.fileName().startsWith(QString::fromStdString(netrov::test::testRoot())));
        QCOMPARE(raw.value(QStringLiteral("SearchOption/IPList1")).toString(), QStringLiteral("127.0.0.20"));
        QCOMPARE(raw.value(QStringLiteral("SearchOption/IPListNum")).toInt(), 2);

        netrov::ui::UserSettingsStore store("RoundTripCo");
        SearchSettings loaded{};
        SearchAddressList loadedList;
        netrov::core::loadSearchSettings(store, {1, 0}, loaded, loadedList);
        QCOMPARE(loaded.Filter, 1);
        QCOMPARE(loaded.IPSearch, 1);
        QCOMPARE(loaded.TimeOut, 17);
        QCOMPARE(std::string(loaded.ComName), std::string("private"));
        QCOMPARE(loadedList.entries(), list.entries());
    }

    void staleEntriesBeyondIPListNumAreNotLoaded()
    {
        netrov::ui::UserSettingsStore store("StaleCo");
        SearchSettings settings = netrov::core::defaultSearchSettings();
        SearchAddressList three;
        three.append("127.0.0.1");
        three.append("127.0.0.2");
        three.append("127.0.0.3");
        netrov::core::saveSearchSettings(store, settings, three);
        SearchAddressList one;
        one.append("127.0.0.7");
        netrov::core::saveSearchSettings(store, settings, one);
        QCOMPARE(store.readString("SearchOption", "IPList2", ""), std::string("127.0.0.3"));
        SearchAddressList loaded;
        netrov::core::loadSearchSettings(store, {}, settings, loaded);
        QCOMPARE(loaded.entries(), std::vector<std::string>{"127.0.0.7"});

        // A list that ends early stops at the first missing entry.
        store.writeInt("SearchOption", "IPListNum", 5);
        store.writeString("SearchOption", "IPList1", "");
        netrov::core::loadSearchSettings(store, {}, settings, loaded);
        QCOMPARE(loaded.entries(), std::vector<std::string>{"127.0.0.7"});
    }

    void broadCastAndRetryComeFromTheStartupFile()
    {
        {
            netrov::ui::UserSettingsStore store("InstallCo");
            store.writeInt("SearchOption", "BroadCast", 0);
            store.writeInt("SearchOption", "Retry", 4);
            store.writeInt("SearchOption", "TimeOut", 9);
        }
        netrov::test::TempDir dir;
        netrov::ui::CNetRoverApp app;
        QCOMPARE(app.InitInstance(makeProgramDir(dir, "InstallCo", "")), netrov::ui::CNetRoverApp::Start::Run);
        QCOMPARE(app.searchSettings().BroadCast, 1);
        QCOMPARE(app.searchSettings().Retry, 0);
        QCOMPARE(app.searchSettings().TimeOut, 9);
        app.ExitInstance();

        netrov::test::TempDir other;
        netrov::ui::CNetRoverApp second;
        QCOMPARE(second.InitInstance(makeProgramDir(other, "InstallCo", "BroadCast=0\r\nRetry=2\r\n")),
                 netrov::ui::CNetRoverApp::Start::Run);
        QCOMPARE(second.searchSettings().BroadCast, 0);
        QCOMPARE(second.searchSettings().Retry, 2);
    }

    void startupReadsPathsAndExportLocation()
    {
        QSettings system(QSettings::SystemScope, QStringLiteral("Korrin"), QStringLiteral("Veltrano-Tarn"));
        QVERIFY(system.fileName().startsWith(QString::fromStdString(netrov::test::systemConfigDir())));
        system.setValue(QStringLiteral("Network MFPList/IniFilePath"), QStringLiteral("/srv/shared"));
        system.sync();

        netrov::test::TempDir dir;
        netrov::ui::CNetRoverApp app;
        QCOMPARE(app.InitInstance(makeProgramDir(dir, "PathsCo", "Manufacturer=Tarnwell\r\n")),
                 netrov::ui::CNetRoverApp::Start::Run);
        QCOMPARE(app.manufacturer(), std::string("Tarnwell"));
        QCOMPARE(app.languageFilePath(), dir.file("lang.ini"));
        QCOMPARE(app.helpFilePath(), dir.file("NetRov.hlp"));
        QCOMPARE(app.exportFilePath(), std::string("/srv/shared/MfpList.ini"));
        QCOMPARE(app.language().String(netrov::ui::IDS_STR_READY), std::string("Ready"));
        system.remove(QStringLiteral("Network MFPList"));
        system.sync();
    }
};

NETROV_REGISTER_TEST(SettingsTest);

#include "settings_test.moc"
