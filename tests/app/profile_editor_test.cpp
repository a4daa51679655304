// SNMPv3 profiles in the desktop program: the form's rules, saving, the secret store, the search's choice.
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>

#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include <netrov/snmp_version.h>

#include "device_export.h"
#include "profile_book.h"
#include "profile_dialog.h"
#include "search_setting_dlg.h"
#include "secret_store.h"
#include "temp_dir.h"
#include "ui_test_support.h"

using netrov::core::CredentialProfile;
using netrov::ui::ProfileEditDialog;
using snmp_auth = netrov::snmp::usm::Auth;
using snmp_level = netrov::snmp::usm::Level;
using snmp_priv = netrov::snmp::usm::Priv;

namespace {

constexpr const char* kAuthSecret = "auth-pass-4711";
constexpr const char* kPrivSecret = "priv-pass-0815";

CredentialProfile profile(const char* name, snmp_level level)
{
    CredentialProfile p;
    p.name = name;
    p.user = "monitor";
    p.level = level;
    if (level != snmp_level::NoAuthNoPriv) {
        p.auth = snmp_auth::Sha256;
        p.authPassphrase = netrov::core::SecretText(kAuthSecret);
    }
    if (level == snmp_level::AuthPriv) {
        p.priv = snmp_priv::Aes128;
        p.privPassphrase = netrov::core::SecretText(kPrivSecret);
    }
    return p;
}

bool holdsSecret(const std::string& text)
{
    return text.find(kAuthSecret) != std::string::npos || text.find(kPrivSecret) != std::string::npos;
}

// A secret store in memory, standing in for the desktop's.
class FakeSecrets : public netrov::ui::SecretStore {
public:
    bool read(const std::string& key, netrov::core::SecretText& value) override
    {
        const auto found = entries.find(key);
        if (found == entries.end()) return false;
        value = netrov::core::SecretText(found->second);
        return true;
    }
    bool write(const std::string& key, const netrov::core::SecretText& value) override
    {
        entries[key] = value.text();
        return true;
    }
    bool remove(const std::string& key) override
    {
        entries.erase(key);
        return true;
    }
    std::map<std::string, std::string> entries;
};

// A configuration folder of the test's own, and no secret store unless one is given.
struct ConfigHome {
    ConfigHome()
    {
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(dir.path().string()));
        qunsetenv("NETROV_PROFILES_FILE");
        netrov::ui::useSecretStore(nullptr);
    }
    ~ConfigHome()
    {
        qunsetenv("NETROV_PROFILES_FILE");
        netrov::ui::useSecretStore(nullptr);
    }
    std::filesystem::path profiles() const { return dir.path() / "netrov" / "profiles.ini"; }
    netrov::test::TempDir dir;
};

std::filesystem::perms access(const std::filesystem::path& path)
{
    return std::filesystem::status(path).permissions() & std::filesystem::perms::all;
}

}  // namespace

class ProfileEditorTest : public QObject {
    Q_OBJECT
private slots:
    // One row per rule; the message names the field and never holds a pass phrase.
    void formRefusesBadProfiles()
    {
        struct Row {
            const char* what;
            std::function<void(ProfileEditDialog&)> change;
            const char* message;  // empty: accepted
        };
        const auto text = [](QLineEdit* (ProfileEditDialog::*field)() const, QString value) {
            return [field, value](ProfileEditDialog& d) { (d.*field)()->setText(value); };
        };
        const auto level = [](snmp_level value) {
            return [value](ProfileEditDialog& d) { d.levelBox()->setCurrentIndex(d.levelBox()->findData(int(value))); };
        };
        const std::vector<Row> rows = {
            {"complete authPriv", [](ProfileEditDialog&) {}, ""},
            {"noAuthNoPriv needs no pass phrase",
             [&](ProfileEditDialog& d) {
                 level(snmp_level::NoAuthNoPriv)(d);
                 d.authPassphraseEdit()->clear();
                 d.privPassphraseEdit()->clear();
             },
             ""},
            {"empty name", text(&ProfileEditDialog::nameEdit, ""), "name is missing"},
            {"repeated name", text(&ProfileEditDialog::nameEdit, "lab"), "a profile named lab exists already"},
            {"bracket in name", text(&ProfileEditDialog::nameEdit, "of]fice"), "name must not hold [ or ]"},
            {"space after name", text(&ProfileEditDialog::nameEdit, "office "), "name must not hold line breaks"},
            {"long name", text(&ProfileEditDialog::nameEdit, QString(128, 'n')), "name must be at most 127"},
            {"empty user", text(&ProfileEditDialog::userEdit, ""), "user must be 1 to 32 characters"},
            {"long user", text(&ProfileEditDialog::userEdit, QString(33, 'u')), "user must be 1 to 32 characters"},
            {"short auth pass phrase", text(&ProfileEditDialog::authPassphraseEdit, "7-chars"),
             "authPassphrase must have at least 8 characters"},
            {"authNoPriv without pass phrase",
             [&](ProfileEditDialog& d) {
                 level(snmp_level::AuthNoPriv)(d);
                 d.authPassphraseEdit()->clear();
             },
             "authPassphrase must have at least 8 characters"},
            {"authPriv without priv pass phrase", text(&ProfileEditDialog::privPassphraseEdit, ""),
             "privPassphrase must have at least 8 characters"},
            {"space before pass phrase", text(&ProfileEditDialog::privPassphraseEdit, " priv-pass-0815"),
             "privPassphrase must not hold line breaks"},
            {"long context", text(&ProfileEditDialog::contextEdit, QString(256, 'c')),
             "context must be at most 255 characters"},
        };
        for (const Row& row : rows) {
            netrov::test::MessageRecorder recorder;
            ProfileEditDialog dialog(profile("office", snmp_level::AuthPriv), {profile("lab", snmp_level::AuthNoPriv)});
            row.change(dialog);
            dialog.accept();
            const bool wanted = *row.message == '\0';
            QVERIFY2((dialog.result() == QDialog::Accepted) == wanted, row.what);
            QVERIFY2(recorder.messages.size() == (wanted ? 0u : 1u), row.what);
            if (wanted) continue;
            const std::string shown = recorder.messages[0].second.toStdString();
            QVERIFY2(shown.find(row.message) != std::string::npos, (std::string(row.what) + ": " + shown).c_str());
            QVERIFY2(!holdsSecret(shown), row.what);
        }
    }

    // The form shows pass phrases as password fields and leaves out what the level does not use.
    void formHidesPassphrasesAndDropsUnusedOnes()
    {
        ProfileEditDialog dialog(profile("office", snmp_level::AuthPriv), {});
        netrov::test::saveScreenshot(&dialog, QStringLiteral("profile_form"));
        QCOMPARE(dialog.authPassphraseEdit()->echoMode(), QLineEdit::Password);
        QCOMPARE(dialog.privPassphraseEdit()->echoMode(), QLineEdit::Password);
        QVERIFY(dialog.privBox()->isEnabled());
        dialog.levelBox()->setCurrentIndex(dialog.levelBox()->findData(int(snmp_level::AuthNoPriv)));
        QVERIFY(!dialog.privPassphraseEdit()->isEnabled());
        const CredentialProfile edited = dialog.profile();
        QCOMPARE(edited.authPassphrase.text(), std::string(kAuthSecret));
        QVERIFY(edited.privPassphrase.empty());
        QVERIFY(edited.priv == snmp_priv::None);
        QCOMPARE(dialog.authBox()->currentText(), QStringLiteral("SHA-256"));
        QCOMPARE(dialog.authBox()->count(), 6);
        QCOMPARE(dialog.privBox()->count(), 6);
    }

    // Without a secret store the file holds everything, private to the user, and reads back.
    void savedProfilesRoundTripThroughTheFile()
    {
        ConfigHome home;
        CredentialProfile office = profile("office", snmp_level::AuthPriv);
        office.auth = snmp_auth::Md5;
        office.priv = snmp_priv::Aes256C;
        office.context = "printers";
        const std::vector<CredentialProfile> saved = {office, profile("lab", snmp_level::AuthNoPriv),
                                                      profile("open", snmp_level::NoAuthNoPriv)};
        std::string error;
        QVERIFY(netrov::ui::saveProfileBook(netrov::ui::desktopProfilesPath(), saved, {}, nullptr, error));
        QCOMPARE(netrov::ui::desktopProfilesPath(), home.profiles());
        QVERIFY(access(home.profiles()) == (std::filesystem::perms::owner_read | std::filesystem::perms::owner_write));
        QVERIFY(qgetenv("NETROV_PROFILES_FILE").isEmpty());

        std::vector<CredentialProfile> read;
        netrov::core::ProfileError refused;
        QVERIFY(netrov::core::loadProfiles(home.profiles(), read, refused));
        QCOMPARE(read.size(), size_t{3});
        QCOMPARE(read[0].name, std::string("office"));
        QVERIFY(read[0].auth == snmp_auth::Md5 && read[0].priv == snmp_priv::Aes256C);
        QCOMPARE(read[0].privPassphrase.text(), std::string(kPrivSecret));
        QCOMPARE(read[0].context, std::string("printers"));
        QVERIFY(read[1].level == snmp_level::AuthNoPriv && read[1].priv == snmp_priv::None);
        QCOMPARE(read[1].authPassphrase.text(), std::string(kAuthSecret));
        QVERIFY(read[2].level == snmp_level::NoAuthNoPriv && read[2].authPassphrase.empty());
        QVERIFY(netrov::test::readFile(home.profiles().string()).find("[open]\nuser = monitor\nlevel = noAuthNoPriv\n") !=
                std::string::npos);
    }

    // With a secret store the pass phrases go there under "<profile>/auth" and
    // "<profile>/priv"; the file holds none, and the service reads a private whole copy.
    void secretStoreHoldsThePassphrases()
    {
        ConfigHome home;
        auto owned = std::make_unique<FakeSecrets>();
        FakeSecrets* secrets = owned.get();
        netrov::ui::useSecretStore(std::move(owned));

        netrov::ui::ProfileListDialog editor;
        QVERIFY(editor.loaded());
        editor.put(profile("office", snmp_level::AuthPriv), -1);
        editor.put(profile("lab", snmp_level::AuthNoPriv), -1);
        editor.accept();
        QCOMPARE(editor.result(), int(QDialog::Accepted));
        QCOMPARE(secrets->entries.size(), size_t{3});
        QCOMPARE(secrets->entries["office/auth"], std::string(kAuthSecret));
        QCOMPARE(secrets->entries["office/priv"], std::string(kPrivSecret));
        QCOMPARE(secrets->entries["lab/auth"], std::string(kAuthSecret));
        const std::string file = netrov::test::readFile(home.profiles().string());
        QVERIFY(!holdsSecret(file));
        QVERIFY(file.find("[office]") != std::string::npos);

        // The service's copy: named by the variable, private, whole; the editor still edits the user's file.
        const std::filesystem::path copy = qgetenv("NETROV_PROFILES_FILE").toStdString();
        QCOMPARE(copy, netrov::ui::serviceProfilesPath());
        QCOMPARE(netrov::core::profilesPath(), copy);
        QCOMPARE(netrov::ui::desktopProfilesPath(), home.profiles());
        QVERIFY(access(copy) == (std::filesystem::perms::owner_read | std::filesystem::perms::owner_write));
        std::vector<CredentialProfile> served;
        netrov::core::ProfileError refused;
        QVERIFY(netrov::core::loadProfiles(copy, served, refused));
        QCOMPARE(served.size(), size_t{2});
        QCOMPARE(served[0].privPassphrase.text(), std::string(kPrivSecret));

        // Read back through the store; removing a profile and lowering a level remove their entries.
        netrov::ui::ProfileListDialog again;
        QCOMPARE(again.profiles().size(), size_t{2});
        QCOMPARE(again.profiles()[0].authPassphrase.text(), std::string(kAuthSecret));
        QCOMPARE(again.profiles()[0].privPassphrase.text(), std::string(kPrivSecret));
        again.removeRow(1);
        again.put(profile("office", snmp_level::NoAuthNoPriv), 0);
        again.accept();
        QCOMPARE(again.result(), int(QDialog::Accepted));
        QVERIFY(secrets->entries.empty());
        std::filesystem::remove(copy);
    }

    // A refused file (others may read it) is reported and left as it was.
    void refusedFileIsNotOverwritten()
    {
        ConfigHome home;
        std::filesystem::create_directories(home.profiles().parent_path());
        netrov::test::writeFile(home.profiles().string(), "[old]\nuser = someone\n");
        std::filesystem::permissions(home.profiles(), std::filesystem::perms::others_read, std::filesystem::perm_options::add);
        netrov::test::MessageRecorder recorder;
        netrov::ui::ProfileListDialog editor;
        QVERIFY(!editor.loaded());
        editor.put(profile("office", snmp_level::AuthPriv), -1);
        editor.accept();
        QVERIFY(editor.result() != QDialog::Accepted);
        QCOMPARE(recorder.messages.size(), size_t{2});
        QCOMPARE(netrov::test::readFile(home.profiles().string()), std::string("[old]\nuser = someone\n"));
    }

    // The search settings choose profiles by name; names only reach the settings, and the SNMPv3 probe keeps its own setting.
    void searchSettingsKeepChosenProfileNames()
    {
        ConfigHome home;
        std::string error;
        QVERIFY(netrov::ui::saveProfileBook(home.profiles(),
                                            {profile("office", snmp_level::AuthPriv), profile("lab", snmp_level::AuthPriv)},
                                            {}, nullptr, error));
        netrov::core::SearchSettings settings = netrov::core::defaultSearchSettings();
        netrov::core::SearchAddressList addresses;
        netrov::core::SearchExtent extent;
        extent.profiles = {"gone"};  // chosen before, no longer in the file
        extent.probeV3 = true;       // as settings load it until the user turns it off
        netrov::test::MemoryStore store;
        {
            netrov::ui::CSearchSettingDlg dialog(&netrov::test::englishLanguage(), settings, addresses, extent, store);
            QListWidget* list = dialog.profileList();
            QCOMPARE(list->count(), 3);
            QCOMPARE(list->item(0)->text(), QStringLiteral("office"));
            QCOMPARE(list->item(1)->checkState(), Qt::Unchecked);
            QCOMPARE(list->item(2)->text(), QStringLiteral("gone"));
            QCOMPARE(list->item(2)->checkState(), Qt::Checked);
            list->item(1)->setCheckState(Qt::Checked);
            list->item(2)->setCheckState(Qt::Unchecked);
            netrov::test::saveScreenshot(&dialog, QStringLiteral("search_settings_profiles"));
            dialog.accept();
        }
        QCOMPARE(extent.profiles, std::vector<std::string>{"lab"});
        QVERIFY(extent.probeV3);
        QCOMPARE(store.values["SearchOption/ProfileNum"], std::string("1"));
        QCOMPARE(store.values["SearchOption/Profile0"], std::string("lab"));
        for (const auto& [key, value] : store.values) QVERIFY2(!holdsSecret(value), key.c_str());

        netrov::core::SearchExtent loaded;
        netrov::ui::loadSearchProfiles(store, loaded);
        QCOMPARE(loaded.profiles, std::vector<std::string>{"lab"});
        // The probe follows its own check box, not the profiles.
        {
            netrov::ui::CSearchSettingDlg dialog(&netrov::test::englishLanguage(), settings, addresses, extent, store);
            QCOMPARE(dialog.profileList()->item(1)->checkState(), Qt::Checked);
            dialog.profileList()->item(1)->setCheckState(Qt::Unchecked);
            dialog.accept();
        }
        QVERIFY(extent.profiles.empty());
        QVERIFY(extent.probeV3);
        netrov::ui::loadSearchProfiles(store, loaded);
        QVERIFY(loaded.profiles.empty());
    }

    // With no secret service to answer, the program keeps to the file, and soon.
    void noAnsweringServiceMeansTheFile()
    {
        netrov::test::TempDir dir;
        const QByteArray old = qgetenv("DBUS_SESSION_BUS_ADDRESS");
        qputenv("DBUS_SESSION_BUS_ADDRESS", QByteArray::fromStdString("unix:path=" + dir.file("no-bus")));
        QElapsedTimer clock;
        clock.start();
        const std::unique_ptr<netrov::ui::SecretStore> store = netrov::ui::desktopSecretStore();
        const qint64 took = clock.elapsed();
        if (old.isEmpty()) qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        else qputenv("DBUS_SESSION_BUS_ADDRESS", old);
        QVERIFY(!store);
        QVERIFY2(took < 6000, QByteArray::number(took).constData());
    }

    // A device found through a profile keeps the name with version 3; the shared device list gets no secret.
    void foundDeviceKeepsOnlyTheProfileName()
    {
        netrov::core::DeviceListEntry entry;
        std::memset(&entry, 0, sizeof entry);
        std::snprintf(entry.identity.modelName, sizeof entry.identity.modelName, "%s", "Tarnwell ML-210");
        entry.identity.interfaceKind = NETROV_INTERFACE_NETWORK;
        entry.identity.transport = NETROV_INTERFACE_NETWORK;
        entry.identity.address[0] = 127;
        entry.identity.address[3] = 5;
        std::snprintf(entry.identity.community, sizeof entry.identity.community, "%s", "office");
        netrovSetSnmpVersion(&entry.identity, NETROV_SNMP_V3);
        netrov::core::DeviceList devices;
        devices.append(entry);
        const netrov::core::DeviceListEntry listed = devices.copy(0);
        QCOMPARE(netrov::core::fieldText(listed.identity.community), std::string("office"));
        QCOMPARE(netrovSnmpVersion(&listed.identity), NETROV_SNMP_V3);
        netrov::test::TempDir dir;
        netrov::ui::ExportDeviceList(dir.file("MfpList.ini"), devices);
        const std::string written = netrov::test::readFile(dir.file("MfpList.ini"));
        QCOMPARE(written, std::string("[Devices]\r\n\"Tarnwell ML-210\"=3,,127.0.0.5,\"\",\"tarpon\",\r\n"));
    }
};

NETROV_REGISTER_TEST(ProfileEditorTest);

#include "profile_editor_test.moc"
