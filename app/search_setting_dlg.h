// CSearchSettingDlg: edits the search settings and the address list, and saves them on OK.
#pragma once

#include <map>
#include <string>
#include <vector>

#include <QDialog>

#include "net_address.h"
#include "search_settings.h"
#include "source_reading.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QTreeWidget;

namespace netrov::ui {

class CIPAddressEdit;
class LanguageFile;
struct DialogUnits;

enum SearchSettingControl : int32_t {
    IDC_GROUP_SEARCHKIND = 1030,
    IDC_RADIO_NOFILTER = 1031,
    IDC_RADIO_FILTER = 1032,
    IDC_GROUP_IP = 1033,
    IDC_CHECK_IPRANGE = 1034,
    IDC_RADIO_IPRANGE = 1035,
    IDC_RADIO_IPDIRECT = 1036,
    IDC_EDITB_IPRANGESTART = 1037,
    IDC_LABEL_IPSEPALATOR = 1038,
    IDC_EDITB_IPRANGEEND = 1039,
    IDC_EDITB_IPDIRECT = 1040,
    IDC_BUTTN_IPADD = 1041,
    IDC_BUTTN_IPDEL = 1042,
    IDC_LISTB_SEARCHIP = 1043,
    IDC_LABEL_TIMEOUT = 1044,
    IDC_LABEL_SECOND = 1045,
    IDC_EDITB_TIMEOUT = 1046,
    IDC_SUPIN_TIMEOUT = 1047,
    IDC_LABEL_COMMUNITY = 1048,
    IDC_EDITB_COMMUNITY = 1049,
    // Below the time-out row, in a band of their own.
    IDC_LABEL_MORECOMMUNITIES = 1050,
    IDC_EDITB_MORECOMMUNITIES = 1051,
    IDC_LABEL_SNMPVERSION = 1052,
    IDC_COMBO_SNMPVERSION = 1053,
    IDC_LABEL_BLOCKS = 1054,
    IDC_EDITB_BLOCKS = 1055,
    IDC_LABEL_BLOCKSHINT = 1056,
    IDC_LABEL_PROFILES = 1057,
    IDC_LISTB_PROFILES = 1058,
    IDC_BUTTN_PROFILES = 1059,
    IDC_CHECK_V3PROBE = 1060,
    IDC_CHECK_MDNS = 1061,
    IDC_LABEL_SOURCE = 1062,
    IDC_COMBO_SOURCE = 1063,
    IDC_LABEL_IPV6 = 1064,
    IDC_EDITB_IPV6 = 1065,
};

// Blocks and ranges as typed: separated by commas, semicolons or white
// space, with any space around a range's "-" ignored.
std::vector<std::string> splitBlocks(const QString& text);

// The SNMPv3 profiles a search tries live beside the extent's keys
// ("ProfileNum" and "Profile0"..), names only. Whether the SNMPv3 probe goes
// out is the extent's own setting, with or without profiles.
void loadSearchProfiles(core::SettingsStore& store, core::SearchExtent& extent);
void saveSearchProfiles(core::SettingsStore& store, const core::SearchExtent& extent);

// Where the desktop reads the printers it lists ("ReadSource": auto, snmp,
// ipp or both, beside the extent's keys); a file without the key, or with
// another word, reads as auto.
core::Source loadReadSource(core::SettingsStore& store);
void saveReadSource(core::SettingsStore& store, core::Source source);

// The IPv6 addresses searched one by one beside the address list, as text
// ("Ipv6Num" and "Ipv6Address0".. beside the extent's keys, so a file
// without them loads as before and the IPv4 list's keys keep their
// meaning). Entries that are no IPv6 address are dropped on loading.
std::vector<std::string> loadIpv6Addresses(core::SettingsStore& store);
void saveIpv6Addresses(core::SettingsStore& store, const std::vector<std::string>& addresses);
// The addresses as the search asks them; none that does not parse.
std::vector<core::NetAddress> parsedIpv6Addresses(const std::vector<std::string>& addresses);

class CSearchSettingDlg : public QDialog {
    Q_OBJECT
public:
    // Edits copies; OK replaces settings, addresses and extent and saves them
    // to store. language may be null (built-in texts only).
    CSearchSettingDlg(const LanguageFile* language, core::SearchSettings& settings,
                      core::SearchAddressList& addresses, core::SearchExtent& extent, core::SettingsStore& store,
                      QWidget* parent = nullptr);

    QWidget* control(int32_t id) const;
    CIPAddressEdit* rangeStart() const { return rangeStart_; }
    CIPAddressEdit* rangeEnd() const { return rangeEnd_; }
    CIPAddressEdit* direct() const { return direct_; }
    QLineEdit* timeOutEdit() const { return timeOut_; }
    QLineEdit* communityEdit() const { return community_; }
    // The communities tried after the first one, separated by commas.
    QLineEdit* moreCommunitiesEdit() const { return moreCommunities_; }
    QComboBox* versionBox() const { return version_; }
    QLineEdit* blocksEdit() const { return blocks_; }
    QTreeWidget* addressList() const { return list_; }
    // The profile names, checked for those a search tries.
    QListWidget* profileList() const { return profiles_; }
    // Sends the SNMPv3 discovery probe with every search.
    QCheckBox* probeBox() const { return probe_; }
    // Also finds printers by mDNS beside the search.
    QCheckBox* mdnsBox() const { return mdns_; }
    // Where the listed printers are read from, a core::Source as item data.
    QComboBox* sourceBox() const { return source_; }
    // The IPv6 addresses searched one by one, separated by commas.
    QLineEdit* ipv6Edit() const { return ipv6_; }

    // The list rows as address list entries, in row order.
    core::SearchAddressList rowEntries() const;

public slots:
    void accept() override;
    void add();
    void deleteSelected();
    // Opens the profile editor, then lists the profiles again keeping the checks.
    void editProfiles();

private:
    void buildControls();
    // The band of the communities, the version and the blocks, between the
    // time-out row and the buttons wherever the language file put them.
    void placeExtentControls(const DialogUnits& units);
    void fill();
    void applyEnablingRule();
    void timeOutEdited();
    void appendRow(const std::string& entry);
    void fillProfiles(const std::vector<std::string>& chosen);
    std::vector<std::string> checkedProfiles() const;
    QString string(int32_t id) const;

    const LanguageFile* language_;
    core::SearchSettings& settings_;
    core::SearchAddressList& addresses_;
    core::SearchExtent& extent_;
    core::SettingsStore& store_;
    std::map<int32_t, QWidget*> controls_;
    QButtonGroup* filterGroup_ = nullptr;
    QButtonGroup* modeGroup_ = nullptr;
    CIPAddressEdit* rangeStart_ = nullptr;
    CIPAddressEdit* rangeEnd_ = nullptr;
    CIPAddressEdit* direct_ = nullptr;
    QLineEdit* timeOut_ = nullptr;
    QLineEdit* community_ = nullptr;
    QLineEdit* moreCommunities_ = nullptr;
    QComboBox* version_ = nullptr;
    QLineEdit* blocks_ = nullptr;
    QTreeWidget* list_ = nullptr;
    QListWidget* profiles_ = nullptr;
    QCheckBox* probe_ = nullptr;
    QCheckBox* mdns_ = nullptr;
    QComboBox* source_ = nullptr;
    QLineEdit* ipv6_ = nullptr;
    bool adjustingTimeOut_ = false;
};

}  // namespace netrov::ui
