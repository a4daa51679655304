// The search settings dialog: Add errors and acceptance, enabling, time-out field, address field keys, OK.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>

#include "dialog_controls.h"
#include "ip_address_edit.h"
#include "netrov/snmp_version.h"
#include "search_setting_dlg.h"
#include "ui_test_support.h"

using netrov::ui::CIPAddressEdit;
using netrov::ui::CSearchSettingDlg;

namespace {

// Types like a user: each key goes to the part that has the input.
void typeInto(CIPAddressEdit* field, const QString& text)
{
    for (QChar c : text) QTest::keyClicks(field->part(field->currentPart()), QString(c));
}

void typeAddress(CIPAddressEdit* field, const QString& text)
{
    field->clear();
    typeInto(field, text);
}

QString rowText(QTreeWidget* list, int row)
{
    const QTreeWidgetItem* item = list->topLevelItem(row);
    return item->text(0) + '|' + item->text(1) + '|' + item->text(2);
}

struct Fixture {
    Fixture()
    {
        settings = netrov::core::defaultSearchSettings();
        settings.IPSearch = 1;
    }
    std::unique_ptr<CSearchSettingDlg> open()
    {
        return std::make_unique<CSearchSettingDlg>(&netrov::test::englishLanguage(), settings, addresses, extent, store);
    }
    netrov::core::SearchSettings settings{};
    netrov::core::SearchAddressList addresses;
    netrov::core::SearchExtent extent;
    netrov::test::MemoryStore store;
};

}  // namespace

class SearchSettingDlgTest : public QObject {
    Q_OBJECT
private slots:
    void addRangeErrorsAndAcceptance()
    {
        Fixture fixture;
        auto dialog = fixture.open();
        netrov::test::MessageRecorder recorder;
        auto add = [&] { QTest::mouseClick(static_cast<QPushButton*>(dialog->control(netrov::ui::IDC_BUTTN_IPADD)), Qt::LeftButton); };

        // End one below start: n is 0. End further below: n wraps past 255.
        typeAddress(dialog->rangeStart(), "127.0.0.10");
        typeAddress(dialog->rangeEnd(), "127.0.0.9");
        add();
        typeAddress(dialog->rangeEnd(), "127.0.0.1");
        add();
        typeAddress(dialog->rangeEnd(), "127.0.1.9");  // 256 addresses
        add();
        QCOMPARE(recorder.messages.size(), size_t{3});
        for (const auto& [title, text] : recorder.messages) QCOMPARE(title, QStringLiteral("Net Rover"));
        // A reversed range says so (a text of its own, whatever the language file); too many is over 255.
        QCOMPARE(recorder.messages[0].second, QStringLiteral("The end of the range is below its start."));
        QCOMPARE(recorder.messages[1].second, QStringLiteral("The end of the range is below its start."));
        QCOMPARE(recorder.messages[2].second, QStringLiteral("The specified range is over 255."));
        QCOMPARE(dialog->addressList()->topLevelItemCount(), 0);

        // Exactly 255 addresses into an empty list are accepted.
        typeAddress(dialog->rangeStart(), "127.0.0.1");
        typeAddress(dialog->rangeEnd(), "127.0.0.255");
        add();
        QCOMPARE(recorder.messages.size(), size_t{3});
        QCOMPARE(dialog->addressList()->topLevelItemCount(), 1);
        QCOMPARE(rowText(dialog->addressList(), 0), QStringLiteral("127.0.0.1|-|127.0.0.255"));

        // Then any further Add is over the total; the same entry is a duplicate first.
        add();
        QCOMPARE(recorder.messages.back().second, QStringLiteral("The specified IP Address is already added."));
        static_cast<QRadioButton*>(dialog->control(netrov::ui::IDC_RADIO_IPDIRECT))->click();
        typeAddress(dialog->direct(), "127.0.1.1");
        add();
        QCOMPARE(recorder.messages.back().second, QStringLiteral("The number of added IP Address is over 255."));
        QCOMPARE(dialog->addressList()->topLevelItemCount(), 1);
        netrov::test::saveScreenshot(dialog.get(), QStringLiteral("search_settings"));
    }

    void addDirectAndDuplicates()
    {
        Fixture fixture;
        fixture.addresses.append("127.0.0.1,127.0.0.5");
        fixture.addresses.append("127.0.0.AB");
        auto dialog = fixture.open();
        netrov::test::MessageRecorder recorder;
        QCOMPARE(rowText(dialog->addressList(), 0), QStringLiteral("127.0.0.1|-|127.0.0.5"));
        QCOMPARE(rowText(dialog->addressList(), 1), QStringLiteral("127.0.0.AB||"));

        static_cast<QRadioButton*>(dialog->control(netrov::ui::IDC_RADIO_IPDIRECT))->click();
        // The start of an existing range is a different entry.
        typeAddress(dialog->direct(), "127.0.0.1");
        dialog->add();
        QCOMPARE(recorder.messages.size(), size_t{0});
        QCOMPARE(rowText(dialog->addressList(), 2), QStringLiteral("127.0.0.1||"));
        dialog->add();
        QCOMPARE(recorder.messages.size(), size_t{1});
        QCOMPARE(recorder.messages.back().second, QStringLiteral("The specified IP Address is already added."));

        // A listed single address is a duplicate too (entry texts hold no letters, so case never differs).
        dialog->addressList()->topLevelItem(1)->setText(0, QStringLiteral("127.0.0.2"));
        typeAddress(dialog->direct(), "127.0.0.2");
        dialog->add();
        QCOMPARE(recorder.messages.size(), size_t{2});
        QCOMPARE(recorder.messages.back().second, QStringLiteral("The specified IP Address is already added."));

        // An empty field adds nothing and says nothing.
        dialog->direct()->clear();
        dialog->add();
        QCOMPARE(recorder.messages.size(), size_t{2});
        QCOMPARE(dialog->addressList()->topLevelItemCount(), 3);

        dialog->addressList()->setCurrentItem(dialog->addressList()->topLevelItem(0));
        dialog->deleteSelected();
        QCOMPARE(dialog->addressList()->topLevelItemCount(), 2);
        QCOMPARE(rowText(dialog->addressList(), 0), QStringLiteral("127.0.0.2||"));
    }

    void enablingRule()
    {
        Fixture fixture;
        fixture.settings.IPSearch = 0;
        auto dialog = fixture.open();
        auto* check = static_cast<QCheckBox*>(dialog->control(netrov::ui::IDC_CHECK_IPRANGE));
        QVERIFY(!check->isChecked());
        QVERIFY(static_cast<QRadioButton*>(dialog->control(netrov::ui::IDC_RADIO_IPRANGE))->isChecked());
        for (int id : {1035, 1036, 1037, 1039, 1040, 1041, 1042, 1043})
            QVERIFY2(!dialog->control(id)->isEnabled(), qPrintable(QString::number(id)));
        check->click();
        QVERIFY(dialog->rangeStart()->isEnabled() && dialog->rangeEnd()->isEnabled());
        QVERIFY(!dialog->direct()->isEnabled());
        QVERIFY(!dialog->direct()->part(2)->isEnabled());
        static_cast<QRadioButton*>(dialog->control(netrov::ui::IDC_RADIO_IPDIRECT))->click();
        QVERIFY(!dialog->rangeStart()->isEnabled() && !dialog->rangeEnd()->isEnabled());
        QVERIFY(dialog->direct()->isEnabled());
        QVERIFY(dialog->control(netrov::ui::IDC_LISTB_SEARCHIP)->isEnabled());
    }

    void timeOutField()
    {
        Fixture fixture;
        fixture.settings.TimeOut = 7;
        auto dialog = fixture.open();
        QLineEdit* field = dialog->timeOutEdit();
        QCOMPARE(field->text(), QStringLiteral("7"));
        QCOMPARE(field->maxLength(), 2);
        field->clear();
        QCOMPARE(field->text(), QStringLiteral("1"));
        field->selectAll();
        QTest::keyClicks(field, "99");
        QCOMPARE(field->text(), QStringLiteral("60"));
        field->setText(QStringLiteral("05"));
        QCOMPARE(field->text(), QStringLiteral("5"));
        field->setText(QStringLiteral("00"));
        QCOMPARE(field->text(), QStringLiteral("1"));
        field->selectAll();
        QTest::keyClicks(field, "a");
        QCOMPARE(field->text(), QStringLiteral("1"));
    }

    void okSavesAndCancelKeeps()
    {
        Fixture fixture;
        fixture.settings.BroadCast = 0;
        fixture.settings.Retry = 2;
        {
            auto dialog = fixture.open();
            static_cast<QRadioButton*>(dialog->control(netrov::ui::IDC_RADIO_FILTER))->click();
            dialog->timeOutEdit()->setText(QStringLiteral("12"));
            typeAddress(dialog->rangeStart(), "127.0.0.1");
            typeAddress(dialog->rangeEnd(), "127.0.0.3");
            dialog->add();
            dialog->reject();
        }
        QCOMPARE(fixture.settings.Filter, 0);
        QCOMPARE(fixture.addresses.count(), size_t{0});
        QVERIFY(fixture.store.values.empty());

        auto dialog = fixture.open();
        static_cast<QRadioButton*>(dialog->control(netrov::ui::IDC_RADIO_FILTER))->click();
        dialog->timeOutEdit()->setText(QStringLiteral("12"));
        typeAddress(dialog->rangeStart(), "127.0.0.1");
        typeAddress(dialog->rangeEnd(), "127.0.0.3");
        dialog->add();
        dialog->accept();
        QCOMPARE(fixture.settings.Filter, 1);
        QCOMPARE(fixture.settings.IPSearch, 1);
        QCOMPARE(fixture.settings.TimeOut, 12);
        QCOMPARE(fixture.settings.BroadCast, 0);
        QCOMPARE(fixture.settings.Retry, 2);
        QCOMPARE(fixture.addresses.entries(), std::vector<std::string>{"127.0.0.1,127.0.0.3"});
        QCOMPARE(fixture.store.values["SearchOption/IPList0"], std::string("127.0.0.1,127.0.0.3"));
        QCOMPARE(fixture.store.values["SearchOption/TimeOut"], std::string("12"));
    }

    // The community is the stored ComName: shown, replaced on OK, at most 127
    // characters, and an emptied field falls back to the default community.
    void communityField()
    {
        Fixture fixture;
        {
            auto dialog = fixture.open();
            QLineEdit* community = dialog->communityEdit();
            QCOMPARE(community->text(), QStringLiteral("tarpon"));
            QVERIFY(community->isEnabled());
            community->clear();
            QTest::keyClicks(community, QString(200, QLatin1Char('c')));
            QCOMPARE(community->text().size(), 127);
            dialog->accept();
        }
        QCOMPARE(std::string(fixture.settings.ComName), std::string(127, 'c'));
        QCOMPARE(fixture.store.values["SearchOption/ComName"], std::string(127, 'c'));
        {
            auto dialog = fixture.open();
            QCOMPARE(dialog->communityEdit()->text(), QString(127, QLatin1Char('c')));
            dialog->communityEdit()->setText(QStringLiteral("branch-office"));
            dialog->reject();
        }
        QCOMPARE(std::string(fixture.settings.ComName), std::string(127, 'c'));
        {
            auto dialog = fixture.open();
            dialog->communityEdit()->clear();
            dialog->accept();
        }
        QCOMPARE(std::string(fixture.settings.ComName), std::string("tarpon"));
        // A language file from before the field still shows it, with its built-in place.
        CSearchSettingDlg builtIn(nullptr, fixture.settings, fixture.addresses, fixture.extent, fixture.store);
        QVERIFY(builtIn.control(netrov::ui::IDC_EDITB_COMMUNITY)->geometry().isValid());
    }

    // Communities, the SNMP version and the blocks go to the store on OK and come back from it.
    void extentRoundTrip()
    {
        Fixture fixture;
        {
            auto dialog = fixture.open();
            QCOMPARE(dialog->versionBox()->currentText(), QStringLiteral("1"));
            QCOMPARE(dialog->moreCommunitiesEdit()->text(), QString());
            QCOMPARE(dialog->blocksEdit()->text(), QString());
            QVERIFY(!dialog->mdnsBox()->isChecked());  // off until the user turns it on
            QCOMPARE(dialog->sourceBox()->currentData().toInt(), int(netrov::core::Source::Auto));
            dialog->communityEdit()->setText(QStringLiteral("public"));
            dialog->moreCommunitiesEdit()->setText(QStringLiteral(" site-a,, branch office ,public"));
            dialog->versionBox()->setCurrentIndex(dialog->versionBox()->findText(QStringLiteral("2c")));
            dialog->blocksEdit()->setText(QStringLiteral("10.1.0.0/22 ; 10.2.0.1 - 10.2.7.254,127.0.0.9"));
            dialog->probeBox()->setChecked(false);
            dialog->mdnsBox()->setChecked(true);
            dialog->sourceBox()->setCurrentIndex(dialog->sourceBox()->findData(int(netrov::core::Source::Ipp)));
            dialog->ipv6Edit()->setText(QStringLiteral("2001:DB8:0::17, fe80::1%eth0 2001:db8::17"));
            dialog->accept();
            QCOMPARE(dialog->result(), int(QDialog::Accepted));
        }
        QCOMPARE(std::string(fixture.settings.ComName), std::string("public"));
        QCOMPARE(fixture.extent.moreCommunities, (std::vector<std::string>{"site-a", "branch office"}));
        QCOMPARE(fixture.extent.snmpVersion, int32_t{NETROV_SNMP_V2C});
        QCOMPARE(fixture.extent.blocks, (std::vector<std::string>{"10.1.0.0/22", "10.2.0.1-10.2.7.254", "127.0.0.9"}));
        QCOMPARE(fixture.store.values["SearchOption/ComName"], std::string("public"));
        QCOMPARE(fixture.store.values["SearchOption/ComNameNum"], std::string("3"));
        QCOMPARE(fixture.store.values["SearchOption/ComName2"], std::string("branch office"));
        QCOMPARE(fixture.store.values["SearchOption/SnmpVersion"], std::string("2c"));
        QCOMPARE(fixture.store.values["SearchOption/Block0"], std::string("10.1.0.0/22"));
        QVERIFY(!fixture.extent.probeV3);
        QCOMPARE(fixture.store.values["SearchOption/V3Probe"], std::string("0"));
        QVERIFY(fixture.extent.mdns);
        QCOMPARE(fixture.store.values["SearchOption/Mdns"], std::string("1"));
        QCOMPARE(fixture.store.values["SearchOption/ReadSource"], std::string("ipp"));
        QCOMPARE(netrov::ui::loadReadSource(fixture.store), netrov::core::Source::Ipp);
        QCOMPARE(fixture.store.values["SearchOption/Ipv6Num"], std::string("2"));
        QCOMPARE(fixture.store.values["SearchOption/Ipv6Address0"], std::string("2001:db8::17"));
        // The address list keeps its own keys and its 255 entries.
        QVERIFY(fixture.store.values.find("SearchOption/IPList0") == fixture.store.values.end() ||
                fixture.store.values["SearchOption/IPList0"].empty());

        // Loaded again from the store, the dialog shows what was saved.
        netrov::core::SearchSettings settings = netrov::core::defaultSearchSettings();
        netrov::core::SearchAddressList addresses;
        netrov::core::SearchExtent extent;
        netrov::core::loadSearchSettings(fixture.store, {}, settings, addresses);
        netrov::core::loadSearchExtent(fixture.store, extent);
        CSearchSettingDlg again(&netrov::test::englishLanguage(), settings, addresses, extent, fixture.store);
        QCOMPARE(again.communityEdit()->text(), QStringLiteral("public"));
        QCOMPARE(again.moreCommunitiesEdit()->text(), QStringLiteral("site-a, branch office"));
        QCOMPARE(again.versionBox()->currentText(), QStringLiteral("2c"));
        QCOMPARE(again.blocksEdit()->text(), QStringLiteral("10.1.0.0/22, 10.2.0.1-10.2.7.254, 127.0.0.9"));
        QVERIFY(!again.probeBox()->isChecked());
        QVERIFY(again.mdnsBox()->isChecked());
        QCOMPARE(again.sourceBox()->currentText(), QStringLiteral("IPP"));
        QCOMPARE(again.ipv6Edit()->text(), QStringLiteral("2001:db8::17, fe80::1%eth0"));
    }

    // A block that does not parse keeps the dialog open and changes nothing.
    void badBlocksAreRefused_data()
    {
        QTest::addColumn<QString>("blocks");
        QTest::addColumn<QString>("ipv6");
        QTest::addColumn<QString>("message");
        QTest::newRow("prefix over 32") << "10.1.0.0/33" << "" << "Blocks: '10.1.0.0/33': a prefix is at most 32";
        QTest::newRow("larger than a /8") << "10.0.0.0/7" << "" << "Blocks: block 10.0.0.0/7 is larger than a /8 (16,777,216 addresses)";
        QTest::newRow("reversed range") << "10.0.0.9-10.0.0.1" << "" << "Blocks: range 10.0.0.9-10.0.0.1 is reversed: its end is below its start";
        QTest::newRow("not an address") << "10.1.0.0/22, printers" << "" << "Blocks: 'printers' is not an IPv4 address (four numbers 0-255 joined by '.')";
        QTest::newRow("IPv4 among the IPv6 addresses") << "" << "2001:db8::17, 192.0.2.1" << "IPv6 addresses: '192.0.2.1' is not an IPv6 address";
        QTest::newRow("a zone on a global address") << "" << "2001:db8::17%eth0" << "IPv6 addresses: '2001:db8::17%eth0' is not an IPv6 address";
        QTest::newRow("a range") << "" << "2001:db8::1-2001:db8::9" << "IPv6 addresses: '2001:db8::1-2001:db8::9' is not an IPv6 address";
    }

    void badBlocksAreRefused()
    {
        QFETCH(QString, blocks);
        QFETCH(QString, ipv6);
        QFETCH(QString, message);
        Fixture fixture;
        fixture.extent.blocks = {"192.0.2.0/24"};
        auto dialog = fixture.open();
        netrov::test::MessageRecorder recorder;
        dialog->blocksEdit()->setText(blocks.isEmpty() ? QStringLiteral("192.0.2.0/24") : blocks);
        dialog->ipv6Edit()->setText(ipv6);
        dialog->versionBox()->setCurrentIndex(dialog->versionBox()->findText(QStringLiteral("auto")));
        dialog->accept();
        QCOMPARE(recorder.messages.size(), size_t{1});
        QCOMPARE(recorder.messages[0].second, message);
        QVERIFY(dialog->result() != QDialog::Accepted);
        QCOMPARE(fixture.extent.blocks, std::vector<std::string>{"192.0.2.0/24"});
        QCOMPARE(fixture.extent.snmpVersion, int32_t{NETROV_SNMP_V1});
        QVERIFY(fixture.store.values.empty());
    }

    // Settings stored before there were more communities or blocks load as before; a version set elsewhere stays.
    void extentFromOlderSettings()
    {
        Fixture fixture;
        fixture.store.values["SearchOption/ComName"] = "legacy";
        fixture.store.values["SearchOption/IPListNum"] = "1";
        fixture.store.values["SearchOption/IPList0"] = "127.0.0.1,127.0.0.5";
        QCOMPARE(netrov::ui::loadReadSource(fixture.store), netrov::core::Source::Auto);
        // A word this program does not know (written by a later one) reads as auto.
        fixture.store.values["SearchOption/ReadSource"] = "carrier-pigeon";
        QCOMPARE(netrov::ui::loadReadSource(fixture.store), netrov::core::Source::Auto);
        netrov::core::loadSearchSettings(fixture.store, {}, fixture.settings, fixture.addresses);
        netrov::core::loadSearchExtent(fixture.store, fixture.extent);
        fixture.extent.snmpVersion = NETROV_SNMP_V3;
        auto dialog = fixture.open();
        QCOMPARE(dialog->communityEdit()->text(), QStringLiteral("legacy"));
        QCOMPARE(dialog->moreCommunitiesEdit()->text(), QString());
        QCOMPARE(dialog->addressList()->topLevelItemCount(), 1);
        QCOMPARE(dialog->versionBox()->currentText(), QStringLiteral("3"));
        QVERIFY(dialog->probeBox()->isChecked());  // on until the user turns it off
        dialog->accept();
        QCOMPARE(fixture.extent.snmpVersion, int32_t{NETROV_SNMP_V3});
        QCOMPARE(fixture.store.values["SearchOption/ComNameNum"], std::string("1"));
    }

    // The band of the new fields lies between the time-out row and the buttons, inside the dialog.
    void extentBandFitsBetweenTimeOutAndButtons()
    {
        Fixture fixture;
        auto dialog = fixture.open();
        const int timeOutBottom = dialog->control(netrov::ui::IDC_EDITB_COMMUNITY)->geometry().bottom();
        const int buttonsTop = dialog->control(netrov::ui::IDOK)->geometry().top();
        for (int id = netrov::ui::IDC_LABEL_MORECOMMUNITIES; id <= netrov::ui::IDC_EDITB_IPV6; ++id) {
            const QRect area = dialog->control(id)->geometry();
            QVERIFY2(area.top() > timeOutBottom && area.bottom() < buttonsTop, qPrintable(QString::number(id)));
            QVERIFY2(dialog->rect().contains(area), qPrintable(QString::number(id)));
        }
        QVERIFY(dialog->rect().contains(dialog->control(netrov::ui::IDCANCEL)->geometry()));
        netrov::test::saveScreenshot(dialog.get(), QStringLiteral("search_settings_extent"));
    }

    void installedLayoutMatchesTheBuiltInOne()
    {
        Fixture fixture;
        CSearchSettingDlg builtIn(nullptr, fixture.settings, fixture.addresses, fixture.extent, fixture.store);
        auto english = fixture.open();
        QCOMPARE(builtIn.windowTitle(), QStringLiteral("..Search settings"));
        QCOMPARE(english->windowTitle(), QStringLiteral("Search settings"));
        QCOMPARE(english->size(), builtIn.size());
        for (int id = 1030; id <= 1049; ++id)
            QVERIFY2(english->control(id)->geometry() == builtIn.control(id)->geometry(), qPrintable(QString::number(id)));
        for (int id : {1, 2}) QCOMPARE(english->control(id)->geometry(), builtIn.control(id)->geometry());
        QCOMPARE(static_cast<QPushButton*>(builtIn.control(netrov::ui::IDC_BUTTN_IPADD))->text(), QStringLiteral("..Add"));
        QCOMPARE(static_cast<QPushButton*>(english->control(netrov::ui::IDC_BUTTN_IPADD))->text(), QStringLiteral("Add"));
    }

    void addressFieldKeys()
    {
        CIPAddressEdit field;
        field.show();
        QVERIFY(QTest::qWaitForWindowExposed(&field));
        std::array<uint8_t, 4> octets{};
        QCOMPARE(field.octets(octets), 0);

        // "." moves on only from a part that is not empty; three digits move on by themselves.
        typeInto(&field, ".");
        QCOMPARE(field.part(0)->text(), QString());
        QCOMPARE(field.currentPart(), 0);
        typeInto(&field, "10.");
        QCOMPARE(field.currentPart(), 1);
        typeInto(&field, "256");
        QCOMPARE(field.part(1)->text(), QStringLiteral("255"));
        QCOMPARE(field.currentPart(), 2);
        typeInto(&field, "x7");
        QCOMPARE(field.part(2)->text(), QStringLiteral("7"));
        QCOMPARE(field.octets(octets), 3);
        QCOMPARE(octets, (std::array<uint8_t, 4>{10, 255, 7, 0}));

        // Left at a part's first position goes back; Right after its end goes on.
        field.part(2)->setCursorPosition(1);
        QTest::keyClick(field.part(2), Qt::Key_Left);
        QCOMPARE(field.currentPart(), 2);
        QTest::keyClick(field.part(2), Qt::Key_Left);
        QCOMPARE(field.currentPart(), 1);
        QCOMPARE(field.part(1)->cursorPosition(), 3);
        QTest::keyClick(field.part(1), Qt::Key_Right);
        QCOMPARE(field.currentPart(), 2);
        QCOMPARE(field.part(2)->selectedText(), QStringLiteral("7"));
        QTest::keyClick(field.part(2), Qt::Key_End);
        QCOMPARE(field.currentPart(), 3);
        QTest::keyClick(field.part(3), Qt::Key_Home);
        QCOMPARE(field.currentPart(), 0);

        // Pasted dots and letters do not stay in a part.
        field.part(3)->setText(QStringLiteral("1.2"));
        QCOMPARE(field.part(3)->text(), QStringLiteral("12"));
        field.part(3)->setText(QStringLiteral("999"));
        QCOMPARE(field.part(3)->text(), QStringLiteral("255"));
        QCOMPARE(field.address(), 0x0AFF07FFu);

        field.setEnabled(false);
        for (int i = 0; i < 4; ++i) QVERIFY(!field.part(i)->isEnabled());
    }

    // The keys of a standard address control. Keys: characters are typed into
    // the part with the input; <sel> selects that part's text, <bs> is
    // Backspace, <all> select-all, <home>, <right>, and <paste:TEXT> pastes TEXT.
    void addressKeyTable_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("parts");
        QTest::addColumn<int>("current");
        QTest::newRow("typing over selected octets") << "203.0.113.255" << "<home><sel>198.51.100.5" << "198|51|100|5" << 3;
        QTest::newRow("typing over without dots") << "203.0.113.255" << "<home><sel>19216815" << "192|168|15|255" << 2;
        QTest::newRow("a dot after a short part moves on") << "203.0.113.255" << "<home><sel>7.8" << "7|8|113|255" << 1;
        QTest::newRow("moving on selects the next part") << "203.0.113.255" << "<home><right>7" << "203|7|113|255" << 1;
        QTest::newRow("a full part passes the digit on") << "" << "1234" << "123|4||" << 1;
        QTest::newRow("backspace at a part's start goes back") << "" << "10.2<bs><bs><bs>" << "1|||" << 0;
        QTest::newRow("backspace in the first part stays") << "" << "5<bs><bs>" << "|||" << 0;
        QTest::newRow("select-all then a digit replaces the address") << "198.51.100.3" << "<all>7" << "7|||" << 0;
        QTest::newRow("select-all then backspace empties it") << "198.51.100.3" << "<all><bs>" << "|||" << 0;
        QTest::newRow("paste of a dotted address") << "" << "<paste:192.0.2.44>" << "192|0|2|44" << 3;
        QTest::newRow("paste with blanks, capped") << "1.1.1.1" << "<home><paste: 198.300.1.2 >" << "198|255|1|2" << 3;
        QTest::newRow("paste of a partial address is refused") << "" << "<paste:10.1.2>" << "|||" << 0;
        QTest::newRow("paste of digits goes in as typed") << "" << "<paste:42>" << "42|||" << 0;
    }

    void addressKeyTable()
    {
        QFETCH(QString, start);
        QFETCH(QString, keys);
        QFETCH(QString, parts);
        QFETCH(int, current);
        QWidget window;
        auto* field = new CIPAddressEdit(&window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        field->clear();
        if (!start.isEmpty()) QVERIFY(field->pasteAddress(start));
        field->part(0)->setFocus();
        for (qsizetype i = 0; i < keys.size();) {
            QLineEdit* part = field->part(field->currentPart());
            if (keys[i] != QLatin1Char('<')) {
                QTest::keyClicks(part, QString(keys[i++]));
                continue;
            }
            const qsizetype end = keys.indexOf(QLatin1Char('>'), i);
            const QString token = keys.mid(i + 1, end - i - 1);
            i = end + 1;
            if (token == QLatin1String("sel")) part->selectAll();
            else if (token == QLatin1String("bs")) QTest::keyClick(part, Qt::Key_Backspace);
            else if (token == QLatin1String("all")) QTest::keySequence(part, QKeySequence::SelectAll);
            else if (token == QLatin1String("home")) QTest::keyClick(part, Qt::Key_Home);
            else if (token == QLatin1String("right")) {
                part->setCursorPosition(static_cast<int>(part->text().size()));
                QTest::keyClick(part, Qt::Key_Right);
            } else if (token.startsWith(QLatin1String("paste:"))) {
                QApplication::clipboard()->setText(token.mid(6));
                QTest::keySequence(part, QKeySequence::Paste);
            }
        }
        QStringList texts;
        for (int i = 0; i < 4; ++i) texts << field->part(i)->text();
        QCOMPARE(texts.join(QLatin1Char('|')), parts);
        QCOMPARE(field->currentPart(), current);
    }

    void selectAllCopiesTheWholeAddress()
    {
        CIPAddressEdit field;
        field.show();
        QVERIFY(QTest::qWaitForWindowExposed(&field));
        QVERIFY(field.pasteAddress(QStringLiteral("198.51.100.3")));
        QTest::keySequence(field.part(3), QKeySequence::SelectAll);
        QVERIFY(field.wholeAddressSelected());
        for (int i = 0; i < 4; ++i) QVERIFY(field.part(i)->hasSelectedText());
        QTest::keySequence(field.part(3), QKeySequence::Copy);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("198.51.100.3"));
        QTest::keyClick(field.part(3), Qt::Key_Left);
        QVERIFY(!field.wholeAddressSelected());
    }
};

NETROV_REGISTER_TEST(SearchSettingDlgTest);

#include "search_setting_dlg_test.moc"
