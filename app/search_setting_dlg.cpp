// The search settings dialog: maker filter, address list with its Add rules, time-out.
#include "search_setting_dlg.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QToolButton>
#include <QTreeWidget>

#include "local_text.h"
#include "plain_text.h"
#include "dialog_controls.h"
#include "ip_address_edit.h"
#include "language_file.h"
#include "message_box.h"
#include "profile_book.h"
#include "profile_dialog.h"
#include "netrov/snmp_version.h"

namespace netrov::ui {

namespace {

constexpr const char* kSection = "IDD_SEARCHSETTING";

constexpr ControlTemplate kControls[] = {
    {IDC_GROUP_SEARCHKIND, "IDC_GROUP_SEARCHKIND", 7, 5, 246, 30, "..Kind of searching printer"},
    {IDC_RADIO_NOFILTER, "IDC_RADIO_NOFILTER", 16, 18, 100, 10, "..All Printer"},
    {IDC_RADIO_FILTER, "IDC_RADIO_FILTER", 126, 18, 120, 10, "..Veltrano Printer"},
    {IDC_GROUP_IP, "IDC_GROUP_IP", 7, 42, 246, 122, ""},
    {IDC_CHECK_IPRANGE, "IDC_CHECK_IPRANGE", 13, 40, 140, 10, "..Search following IP Address"},
    {IDC_RADIO_IPRANGE, "IDC_RADIO_IPRANGE", 16, 55, 110, 10, "..IP Address (Range)"},
    {IDC_EDITB_IPRANGESTART, "IDC_EDITB_IPRANGESTART", 26, 67, 74, 13, nullptr},
    {IDC_LABEL_IPSEPALATOR, "IDC_LABEL_IPSEPALATOR", 103, 69, 10, 8, "..-"},
    {IDC_EDITB_IPRANGEEND, "IDC_EDITB_IPRANGEEND", 116, 67, 74, 13, nullptr},
    {IDC_RADIO_IPDIRECT, "IDC_RADIO_IPDIRECT", 16, 85, 110, 10, "..IP Address(Direct)"},
    {IDC_EDITB_IPDIRECT, "IDC_EDITB_IPDIRECT", 26, 97, 74, 13, nullptr},
    {IDC_BUTTN_IPADD, "IDC_BUTTN_IPADD", 198, 67, 48, 14, "..Add"},
    {IDC_BUTTN_IPDEL, "IDC_BUTTN_IPDEL", 198, 116, 48, 14, "..Delete"},
    {IDC_LISTB_SEARCHIP, "IDC_LISTB_SEARCHIP", 16, 116, 174, 42, nullptr},
    {IDC_LABEL_TIMEOUT, "IDC_LABEL_TIMEOUT", 9, 173, 40, 8, "..Time Out"},
    {IDC_EDITB_TIMEOUT, "IDC_EDITB_TIMEOUT", 52, 171, 20, 12, nullptr},
    {IDC_SUPIN_TIMEOUT, "IDC_SUPIN_TIMEOUT", 72, 171, 9, 12, nullptr},
    {IDC_LABEL_SECOND, "IDC_LABEL_SECOND", 85, 173, 60, 8, "..Sec (1-60)"},
    {IDC_LABEL_COMMUNITY, "IDC_LABEL_COMMUNITY", 150, 173, 40, 8, "..Community"},
    {IDC_EDITB_COMMUNITY, "IDC_EDITB_COMMUNITY", 192, 171, 61, 12, nullptr},
    {IDOK, "IDOK", 146, 190, 50, 14, "..OK"},
    {IDCANCEL, "IDCANCEL", 203, 190, 50, 14, "..Cancel"},
};

constexpr DialogTemplate kLayout{303, kSection, "..Search settings", 260, 211, kControls};

// Column widths of the address list when the language file has none.
constexpr int kDefaultColumnWidths[] = {110, 16, 110};
constexpr const char* kColumnKeys[] = {"IDC_LISTB_SEARCHIP_STARTIP", "IDC_LISTB_SEARCHIP_DIV",
                                       "IDC_LISTB_SEARCHIP_ENDIP"};

// The extent band in dialog units, from the top of where the buttons were;
// the buttons move down by its height.
constexpr int kBandHeight = 160;
struct BandControl {
    int32_t id;
    int x, y, cx, cy;
    const char* text;
};
constexpr BandControl kBand[] = {
    {IDC_LABEL_MORECOMMUNITIES, 9, 2, 74, 8, "More communities"},
    {IDC_EDITB_MORECOMMUNITIES, 84, 0, 169, 12, nullptr},
    {IDC_LABEL_SNMPVERSION, 9, 18, 74, 8, "SNMP version"},
    {IDC_COMBO_SNMPVERSION, 84, 16, 50, 12, nullptr},
    {IDC_LABEL_BLOCKS, 9, 34, 74, 8, "Blocks"},
    {IDC_EDITB_BLOCKS, 84, 32, 169, 12, nullptr},
    {IDC_LABEL_BLOCKSHINT, 84, 46, 169, 8, "For example 10.1.0.0/22, 10.2.0.1-10.2.7.254"},
    {IDC_LABEL_PROFILES, 9, 60, 74, 8, "SNMPv3 profiles"},
    {IDC_LISTB_PROFILES, 84, 58, 110, 40, nullptr},
    {IDC_BUTTN_PROFILES, 198, 58, 55, 14, "Profiles..."},
    {IDC_CHECK_V3PROBE, 84, 102, 169, 10, "Send SNMPv3 discovery probe"},
    {IDC_CHECK_MDNS, 84, 114, 169, 10, "Also find printers by mDNS"},
    {IDC_LABEL_SOURCE, 9, 130, 74, 8, "Read printers by"},
    {IDC_COMBO_SOURCE, 84, 128, 110, 12, nullptr},
    {IDC_LABEL_IPV6, 9, 146, 74, 8, "IPv6 addresses"},
    {IDC_EDITB_IPV6, 84, 144, 169, 12, nullptr},
};

// The source box's choices, in its order.
struct SourceChoice {
    core::Source source;
    const char* text;
};
constexpr SourceChoice kSources[] = {
    {core::Source::Auto, "Automatic (SNMP, else IPP)"},
    {core::Source::Snmp, "SNMP"},
    {core::Source::Ipp, "IPP"},
    {core::Source::Both, "SNMP and IPP"},
};
constexpr const char* kSourceKey = "ReadSource";
constexpr const char* kIpv6CountKey = "Ipv6Num";
constexpr const char* kIpv6Key = "Ipv6Address";

constexpr const char* kProfileSection = "SearchOption";

// The versions the box offers, in its order.
constexpr int32_t kVersions[] = {NETROV_SNMP_V1, NETROV_SNMP_V2C, NETROV_SNMP_AUTO};

// The spin control: two arrow buttons that step the time-out field.
class SpinButtons : public QWidget {
public:
    SpinButtons(QLineEdit* buddy, int minimum, int maximum, QWidget* parent) : QWidget(parent)
    {
        up_ = new QToolButton(this);
        down_ = new QToolButton(this);
        up_->setArrowType(Qt::UpArrow);
        down_->setArrowType(Qt::DownArrow);
        for (QToolButton* button : {up_, down_}) {
            button->setAutoRepeat(true);
            button->setFocusPolicy(Qt::NoFocus);
        }
        auto step = [buddy, minimum, maximum](int delta) {
            const int value = std::clamp(buddy->text().toInt() + delta, minimum, maximum);
            buddy->setText(QString::number(value));
        };
        connect(up_, &QToolButton::clicked, this, [step] { step(1); });
        connect(down_, &QToolButton::clicked, this, [step] { step(-1); });
    }

protected:
    void resizeEvent(QResizeEvent*) override
    {
        const int half = height() / 2;
        up_->setGeometry(0, 0, width(), half);
        down_->setGeometry(0, half, width(), height() - half);
    }

private:
    QToolButton* up_;
    QToolButton* down_;
};

}  // namespace

CSearchSettingDlg::CSearchSettingDlg(const LanguageFile* language, core::SearchSettings& settings,
                                     core::SearchAddressList& addresses, core::SearchExtent& extent,
                                     core::SettingsStore& store, QWidget* parent)
    : QDialog(parent), language_(language), settings_(settings), addresses_(addresses), extent_(extent), store_(store)
{
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    buildControls();
    // The band's units are the template's: the dialog's own font, not the language file's.
    const DialogUnits units = dialogUnits(font());
    applyDialogTemplate(this, kLayout, controls_, language_);
    placeExtentControls(units);
    fill();
}

std::vector<std::string> splitBlocks(const QString& text)
{
    static const QRegularExpression dash(QStringLiteral("\\s*-\\s*"));
    static const QRegularExpression separators(QStringLiteral("[\\s,;]+"));
    std::vector<std::string> blocks;
    for (const QString& block : QString(text).replace(dash, QStringLiteral("-")).split(separators, Qt::SkipEmptyParts))
        blocks.push_back(block.toStdString());
    return blocks;
}

void CSearchSettingDlg::placeExtentControls(const DialogUnits& units)
{
    QWidget* ok = control(IDOK);
    QWidget* cancel = control(IDCANCEL);
    const int top = std::min(ok->y(), cancel->y());
    const int band = units.toY(kBandHeight);
    for (const BandControl& c : kBand) {
        QWidget* widget = control(c.id);
        const QRect area = units.toRect(c.x, c.y, c.cx, c.cy);
        widget->setGeometry(area.translated(0, top));
        if (c.text) setWidgetText(widget, QString::fromLatin1(c.text));
    }
    ok->move(ok->x(), ok->y() + band);
    cancel->move(cancel->x(), cancel->y() + band);
    setFixedSize(width(), height() + band);
}

QWidget* CSearchSettingDlg::control(int32_t id) const
{
    const auto found = controls_.find(id);
    return found != controls_.end() ? found->second : nullptr;
}

QString CSearchSettingDlg::string(int32_t id) const
{
    return local(language_ ? language_->String(id) : std::string(builtInString(id)));
}

void CSearchSettingDlg::buildControls()
{
    // Group boxes first, so that the controls inside them lie on top.
    controls_[IDC_GROUP_SEARCHKIND] = new QGroupBox(this);
    controls_[IDC_GROUP_IP] = new QGroupBox(this);

    auto* noFilter = new QRadioButton(this);
    auto* filter = new QRadioButton(this);
    filterGroup_ = new QButtonGroup(this);
    filterGroup_->addButton(noFilter, IDC_RADIO_NOFILTER);
    filterGroup_->addButton(filter, IDC_RADIO_FILTER);
    controls_[IDC_RADIO_NOFILTER] = noFilter;
    controls_[IDC_RADIO_FILTER] = filter;

    auto* check = new QCheckBox(this);
    check->setAutoFillBackground(true);  // hides the group box line behind it
    controls_[IDC_CHECK_IPRANGE] = check;
    auto* range = new QRadioButton(this);
    auto* directMode = new QRadioButton(this);
    modeGroup_ = new QButtonGroup(this);
    modeGroup_->addButton(range, IDC_RADIO_IPRANGE);
    modeGroup_->addButton(directMode, IDC_RADIO_IPDIRECT);
    controls_[IDC_RADIO_IPRANGE] = range;
    controls_[IDC_RADIO_IPDIRECT] = directMode;

    rangeStart_ = new CIPAddressEdit(this);
    rangeEnd_ = new CIPAddressEdit(this);
    direct_ = new CIPAddressEdit(this);
    controls_[IDC_EDITB_IPRANGESTART] = rangeStart_;
    controls_[IDC_EDITB_IPRANGEEND] = rangeEnd_;
    controls_[IDC_EDITB_IPDIRECT] = direct_;
    controls_[IDC_LABEL_IPSEPALATOR] = new PlainLabel(this);

    auto* addButton = new QPushButton(this);
    auto* deleteButton = new QPushButton(this);
    addButton->setAutoDefault(false);
    deleteButton->setAutoDefault(false);
    controls_[IDC_BUTTN_IPADD] = addButton;
    controls_[IDC_BUTTN_IPDEL] = deleteButton;

    list_ = new QTreeWidget(this);
    list_->setColumnCount(3);
    list_->setHeaderHidden(true);
    list_->setRootIsDecorated(false);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->header()->setStretchLastSection(false);
    for (int column = 0; column < 3; ++column) {
        int width = kDefaultColumnWidths[column];
        if (language_)
            if (auto value = language_->GetTextAndNumber(kSection, kColumnKeys[column])) width = value->second;
        list_->setColumnWidth(column, width);
    }
    controls_[IDC_LISTB_SEARCHIP] = list_;

    controls_[IDC_LABEL_TIMEOUT] = new PlainLabel(this);
    timeOut_ = new QLineEdit(this);
    timeOut_->setMaxLength(2);
    timeOut_->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), timeOut_));
    controls_[IDC_EDITB_TIMEOUT] = timeOut_;
    controls_[IDC_SUPIN_TIMEOUT] = new SpinButtons(timeOut_, core::kMinTimeOut, core::kMaxTimeOut, this);
    controls_[IDC_LABEL_SECOND] = new PlainLabel(this);
    controls_[IDC_LABEL_COMMUNITY] = new PlainLabel(this);
    community_ = new QLineEdit(this);
    community_->setMaxLength(static_cast<int>(sizeof settings_.ComName) - 1);
    controls_[IDC_EDITB_COMMUNITY] = community_;

    controls_[IDC_LABEL_MORECOMMUNITIES] = new PlainLabel(this);
    moreCommunities_ = new QLineEdit(this);
    moreCommunities_->setToolTip(QStringLiteral("Tried in this order for devices that do not answer the first community"));
    controls_[IDC_EDITB_MORECOMMUNITIES] = moreCommunities_;
    controls_[IDC_LABEL_SNMPVERSION] = new PlainLabel(this);
    version_ = new QComboBox(this);
    for (int32_t version : kVersions) version_->addItem(QString::fromStdString(core::snmpVersionText(version)), version);
    controls_[IDC_COMBO_SNMPVERSION] = version_;
    controls_[IDC_LABEL_BLOCKS] = new PlainLabel(this);
    blocks_ = new QLineEdit(this);
    blocks_->setToolTip(QStringLiteral("Blocks and ranges of any size, searched with the address list"));
    controls_[IDC_EDITB_BLOCKS] = blocks_;
    controls_[IDC_LABEL_BLOCKSHINT] = new PlainLabel(this);
    controls_[IDC_LABEL_PROFILES] = new PlainLabel(this);
    profiles_ = new QListWidget(this);
    profiles_->setToolTip(QStringLiteral("Tried by SNMPv3, in this order, for devices no community reaches"));
    controls_[IDC_LISTB_PROFILES] = profiles_;
    auto* profilesButton = new QPushButton(this);
    profilesButton->setAutoDefault(false);
    controls_[IDC_BUTTN_PROFILES] = profilesButton;
    connect(profilesButton, &QPushButton::clicked, this, &CSearchSettingDlg::editProfiles);
    probe_ = new QCheckBox(this);
    probe_->setToolTip(QStringLiteral("Finds printers that answer only SNMPv3, before anyone has their credentials"));
    controls_[IDC_CHECK_V3PROBE] = probe_;
    mdns_ = new QCheckBox(this);
    mdns_->setToolTip(QStringLiteral("Lists printers that announce themselves on the local links, also those SNMP does not reach"));
    controls_[IDC_CHECK_MDNS] = mdns_;
    controls_[IDC_LABEL_SOURCE] = new PlainLabel(this);
    source_ = new QComboBox(this);
    for (const SourceChoice& choice : kSources)
        source_->addItem(QString::fromLatin1(choice.text), static_cast<int>(choice.source));
    if (core::ippAvailable()) {
        source_->setToolTip(QStringLiteral("Automatic reads a printer over IPP when SNMP does not answer it"));
    } else {
        source_->setEnabled(false);
        source_->setToolTip(QStringLiteral("IPP is not available in this build: printers are read by SNMP"));
    }
    controls_[IDC_COMBO_SOURCE] = source_;
    controls_[IDC_LABEL_IPV6] = new PlainLabel(this);
    ipv6_ = new QLineEdit(this);
    ipv6_->setToolTip(QStringLiteral("Searched one by one with the address list, for example 2001:db8::17, fe80::1%eth0"));
    controls_[IDC_EDITB_IPV6] = ipv6_;

    auto* ok = new QPushButton(this);
    auto* cancel = new QPushButton(this);
    ok->setDefault(true);
    controls_[IDOK] = ok;
    controls_[IDCANCEL] = cancel;

    connect(check, &QCheckBox::clicked, this, &CSearchSettingDlg::applyEnablingRule);
    connect(range, &QRadioButton::clicked, this, &CSearchSettingDlg::applyEnablingRule);
    connect(directMode, &QRadioButton::clicked, this, &CSearchSettingDlg::applyEnablingRule);
    connect(addButton, &QPushButton::clicked, this, &CSearchSettingDlg::add);
    connect(deleteButton, &QPushButton::clicked, this, &CSearchSettingDlg::deleteSelected);
    connect(timeOut_, &QLineEdit::textChanged, this, &CSearchSettingDlg::timeOutEdited);
    connect(ok, &QPushButton::clicked, this, &CSearchSettingDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CSearchSettingDlg::reject);
}

void CSearchSettingDlg::fill()
{
    for (const std::string& entry : addresses_.entries()) appendRow(entry);
    filterGroup_->button(settings_.Filter != 0 ? IDC_RADIO_FILTER : IDC_RADIO_NOFILTER)->setChecked(true);
    modeGroup_->button(IDC_RADIO_IPRANGE)->setChecked(true);
    static_cast<QCheckBox*>(control(IDC_CHECK_IPRANGE))->setChecked(settings_.IPSearch == 1);
    timeOut_->setText(QString::number(settings_.TimeOut));
    community_->setText(local(fieldText(settings_.ComName)));
    QStringList more;
    for (const std::string& community : extent_.moreCommunities) more << local(community);
    moreCommunities_->setText(more.join(QStringLiteral(", ")));
    // A version this box does not offer (set elsewhere) stays as it is.
    int at = version_->findData(extent_.snmpVersion);
    if (at < 0) {
        version_->addItem(QString::fromStdString(core::snmpVersionText(extent_.snmpVersion)), extent_.snmpVersion);
        at = version_->count() - 1;
    }
    version_->setCurrentIndex(at);
    QStringList blocks;
    for (const std::string& block : extent_.blocks) blocks << QString::fromStdString(block);
    blocks_->setText(blocks.join(QStringLiteral(", ")));
    fillProfiles(extent_.profiles);
    probe_->setChecked(extent_.probeV3);
    mdns_->setChecked(extent_.mdns);
    source_->setCurrentIndex(std::max(0, source_->findData(static_cast<int>(loadReadSource(store_)))));
    QStringList ipv6;
    for (const std::string& address : loadIpv6Addresses(store_)) ipv6 << QString::fromStdString(address);
    ipv6_->setText(ipv6.join(QStringLiteral(", ")));
    applyEnablingRule();
}

void CSearchSettingDlg::fillProfiles(const std::vector<std::string>& chosen)
{
    // Names only: the pass phrases are not needed here, so the secret store is not asked.
    std::vector<core::CredentialProfile> known;
    std::string error;
    loadProfileBook(desktopProfilesPath(), nullptr, known, error);
    std::vector<std::string> names;
    for (const core::CredentialProfile& p : known) names.push_back(p.name);
    // A chosen name the file lacks stays listed, so saving does not drop it unseen.
    for (const std::string& name : chosen)
        if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    profiles_->clear();
    for (const std::string& name : names) {
        auto* item = new QListWidgetItem(QString::fromStdString(name), profiles_);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        const bool on = std::find(chosen.begin(), chosen.end(), name) != chosen.end();
        item->setCheckState(on ? Qt::Checked : Qt::Unchecked);
    }
}

std::vector<std::string> CSearchSettingDlg::checkedProfiles() const
{
    std::vector<std::string> names;
    for (int i = 0; i < profiles_->count(); ++i)
        if (profiles_->item(i)->checkState() == Qt::Checked) names.push_back(profiles_->item(i)->text().toStdString());
    return names;
}

void CSearchSettingDlg::editProfiles()
{
    const std::vector<std::string> chosen = checkedProfiles();
    ProfileListDialog editor(this);
    editor.exec();
    fillProfiles(chosen);
}

void loadSearchProfiles(core::SettingsStore& store, core::SearchExtent& extent)
{
    extent.profiles.clear();
    const int32_t count = store.readInt(kProfileSection, "ProfileNum", 0);
    for (int32_t i = 0; i < count; ++i) {
        const std::string name = store.readString(kProfileSection, "Profile" + std::to_string(i), "");
        if (name.empty()) break;
        extent.profiles.push_back(name);
    }
}

void saveSearchProfiles(core::SettingsStore& store, const core::SearchExtent& extent)
{
    store.writeInt(kProfileSection, "ProfileNum", static_cast<int32_t>(extent.profiles.size()));
    for (size_t i = 0; i < extent.profiles.size(); ++i)
        store.writeString(kProfileSection, "Profile" + std::to_string(i), extent.profiles[i]);
}

core::Source loadReadSource(core::SettingsStore& store)
{
    return core::sourceNamed(store.readString(kProfileSection, kSourceKey, "auto")).value_or(core::Source::Auto);
}

void saveReadSource(core::SettingsStore& store, core::Source source)
{
    store.writeString(kProfileSection, kSourceKey, core::sourceName(source));
}

std::vector<std::string> loadIpv6Addresses(core::SettingsStore& store)
{
    std::vector<std::string> addresses;
    const int32_t count = std::clamp(store.readInt(kProfileSection, kIpv6CountKey, 0), 0, int32_t{core::kMaxAddresses});
    for (int32_t i = 0; i < count; ++i) {
        const std::optional<core::NetAddress> address =
            core::parseNetAddress(store.readString(kProfileSection, kIpv6Key + std::to_string(i), ""));
        if (address && address->v6) addresses.push_back(core::netAddressText(*address));
    }
    return addresses;
}

void saveIpv6Addresses(core::SettingsStore& store, const std::vector<std::string>& addresses)
{
    store.writeInt(kProfileSection, kIpv6CountKey, static_cast<int32_t>(addresses.size()));
    for (size_t i = 0; i < addresses.size(); ++i)
        store.writeString(kProfileSection, kIpv6Key + std::to_string(i), addresses[i]);
}

std::vector<core::NetAddress> parsedIpv6Addresses(const std::vector<std::string>& addresses)
{
    std::vector<core::NetAddress> parsed;
    for (const std::string& text : addresses)
        if (const std::optional<core::NetAddress> address = core::parseNetAddress(text); address && address->v6)
            parsed.push_back(*address);
    return parsed;
}

void CSearchSettingDlg::appendRow(const std::string& entry)
{
    auto* row = new QTreeWidgetItem(list_);
    const size_t comma = entry.find(',');
    if (comma == std::string::npos) {
        row->setText(0, local(entry));
    } else {
        row->setText(0, local(entry.substr(0, comma)));
        row->setText(1, QStringLiteral("-"));
        row->setText(2, local(entry.substr(comma + 1)));
    }
}

void CSearchSettingDlg::applyEnablingRule()
{
    const bool on = static_cast<QCheckBox*>(control(IDC_CHECK_IPRANGE))->isChecked();
    const bool rangeMode = modeGroup_->checkedId() == IDC_RADIO_IPRANGE;
    for (int32_t id : {IDC_LISTB_SEARCHIP, IDC_BUTTN_IPADD, IDC_BUTTN_IPDEL, IDC_RADIO_IPRANGE, IDC_RADIO_IPDIRECT,
                       IDC_LABEL_BLOCKS, IDC_EDITB_BLOCKS, IDC_LABEL_BLOCKSHINT, IDC_LABEL_IPV6, IDC_EDITB_IPV6})
        control(id)->setEnabled(on);
    rangeStart_->setEnabled(on && rangeMode);
    rangeEnd_->setEnabled(on && rangeMode);
    direct_->setEnabled(on && !rangeMode);
}

void CSearchSettingDlg::timeOutEdited()
{
    if (adjustingTimeOut_) return;
    const QString text = timeOut_->text();
    uint32_t value = 0;
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) break;
        value = value * 10 + static_cast<uint32_t>(c.unicode() - '0');
    }
    value &= 0xFFFF;
    QString wanted;
    if (value == 0) wanted = QStringLiteral("1");
    else if (value > static_cast<uint32_t>(core::kMaxTimeOut)) wanted = QString::number(core::kMaxTimeOut);
    else wanted = QString::number(value);
    if (wanted == text) return;
    adjustingTimeOut_ = true;
    timeOut_->setText(wanted);
    adjustingTimeOut_ = false;
}

core::SearchAddressList CSearchSettingDlg::rowEntries() const
{
    core::SearchAddressList entries;
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = list_->topLevelItem(i);
        QString entry = row->text(0);
        if (!row->text(2).isEmpty()) entry += ',' + row->text(2);
        entries.append(entry.toLocal8Bit().toStdString());
    }
    return entries;
}

void CSearchSettingDlg::add()
{
    std::array<uint8_t, 4> unused{};
    uint32_t start = 0;
    std::optional<uint32_t> end;
    if (modeGroup_->checkedId() == IDC_RADIO_IPRANGE) {
        if (rangeStart_->octets(unused) == 0 || rangeEnd_->octets(unused) == 0) return;
        start = rangeStart_->address();
        end = rangeEnd_->address();
        if (*end < start) {
            showErrorMessage(this, string(IDR_MSGBOXTITLE), string(IDS_STR_ERRMSG_IPRANGEREVERSED));
            return;
        }
    } else {
        if (direct_->octets(unused) == 0) return;
        start = direct_->address();
    }

    core::SearchAddressList entries = rowEntries();
    int32_t error = 0;
    switch (core::addEntry(entries, start, end)) {
    case core::AddResult::Added:
        appendRow(entries.entries().back());
        list_->scrollToItem(list_->topLevelItem(list_->topLevelItemCount() - 1));
        return;
    case core::AddResult::RangeTooLarge: error = IDS_STR_ERRMSG_IPRANGE; break;
    case core::AddResult::AlreadyAdded: error = IDS_STR_ERRMSG_ALREADYREGISTIP; break;
    case core::AddResult::TotalTooLarge: error = IDS_STR_ERRMSG_IPRANGETOTAL; break;
    }
    showErrorMessage(this, string(IDR_MSGBOXTITLE), string(error));
}

void CSearchSettingDlg::deleteSelected()
{
    const QList<QTreeWidgetItem*> selected = list_->selectedItems();
    if (!selected.isEmpty()) delete selected.front();
}

void CSearchSettingDlg::accept()
{
    core::SearchSettings edited = settings_;
    edited.Filter = filterGroup_->checkedId() == IDC_RADIO_NOFILTER ? 0 : 1;
    edited.IPSearch = static_cast<QCheckBox*>(control(IDC_CHECK_IPRANGE))->isChecked() ? 1 : 0;
    const int timeOut = timeOut_->text().toInt();
    edited.TimeOut = timeOut <= 0 || timeOut > core::kMaxTimeOut ? core::kDefaultTimeOut : timeOut;
    // A block that does not parse keeps the dialog open, saying which and why.
    core::SearchExtent extent;
    extent.blocks = splitBlocks(blocks_->text());
    for (const std::string& block : extent.blocks) {
        const core::ParsedSpan parsed = core::parseAddressSpan(block);
        if (parsed.span) continue;
        showErrorMessage(this, string(IDR_MSGBOXTITLE),
                         QStringLiteral("Blocks: %1").arg(QString::fromStdString(parsed.error)));
        blocks_->setFocus();
        return;
    }
    // An IPv6 address that does not parse keeps the dialog open alike; each is kept in its usual form, once.
    std::vector<std::string> ipv6;
    for (const std::string& text : splitBlocks(ipv6_->text())) {
        const std::optional<core::NetAddress> address = core::parseNetAddress(text);
        QString error;
        if (!address || !address->v6)
            error = QStringLiteral("'%1' is not an IPv6 address").arg(QString::fromStdString(text));
        else if (ipv6.size() >= core::kMaxAddresses)
            error = QStringLiteral("at most %1 addresses").arg(core::kMaxAddresses);
        if (!error.isEmpty()) {
            showErrorMessage(this, string(IDR_MSGBOXTITLE), QStringLiteral("IPv6 addresses: %1").arg(error));
            ipv6_->setFocus();
            return;
        }
        const std::string shown = core::netAddressText(*address);
        if (std::find(ipv6.begin(), ipv6.end(), shown) == ipv6.end()) ipv6.push_back(shown);
    }
    extent.snmpVersion = version_->currentData().toInt();
    // Names only travel on: the pass phrases stay in the secret store or the profile file.
    extent.profiles = checkedProfiles();
    extent.probeV3 = probe_->isChecked();
    extent.mdns = mdns_->isChecked();
    // No device answers an empty community: with none at all the default one is used.
    // Each community once, in the order given.
    std::vector<std::string> communities;
    const auto take = [&communities](const QString& text) {
        const std::string community = text.toLocal8Bit().toStdString();
        if (!community.empty() && std::find(communities.begin(), communities.end(), community) == communities.end())
            communities.push_back(community);
    };
    take(community_->text());
    for (const QString& more : moreCommunities_->text().split(QLatin1Char(','), Qt::SkipEmptyParts)) take(more.trimmed());
    if (communities.empty()) communities.emplace_back(core::kDefaultCommunity);
    core::setCommunityList(edited, extent, communities);
    settings_ = edited;
    addresses_ = rowEntries();
    extent_ = extent;
    core::saveSearchSettings(store_, settings_, addresses_);
    core::saveSearchExtent(store_, extent_);
    saveSearchProfiles(store_, extent_);
    if (source_->isEnabled()) saveReadSource(store_, static_cast<core::Source>(source_->currentData().toInt()));
    saveIpv6Addresses(store_, ipv6);
    QDialog::accept();
}

}  // namespace netrov::ui
