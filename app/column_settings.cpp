// Loading and saving the device list's column settings.
#include "column_settings.h"

#include "language_file.h"

namespace netrov::ui {

namespace {

constexpr const char* kSection = "Window";
constexpr const char* kMainFrameSection = "IDR_MAINFRAME";
constexpr const char* kKeys[kColumnKinds] = {"IDC_LISTB_MODEL",     "IDC_LISTB_DEVICE",     "IDC_LISTB_LOCATION",
                                             "IDC_LISTB_INTERFACE", "IDC_LISTB_IPADDRESS", "IDC_LISTB_MACADDRESS",
                                             "IDC_LISTB_STATUS",    "IDC_LISTB_TONER",     "IDC_LISTB_PAGES",
                                             "IDC_LISTB_EMPTYIN"};
constexpr int32_t kInitialOrder[kColumnKinds] = {0, kHidden, 1, kHidden, 2, kHidden, 3, kHidden, kHidden, kHidden};

// Columns newer than the language files: their header and width when the file has none.
struct NewColumn {
    int32_t kind;
    const char* header;
    int32_t width;
};
constexpr NewColumn kNewColumns[] = {{kColumnToner, "Toner", 110}, {kColumnPages, "Pages", 70},
                                 {kColumnEmptyIn, "Empty in", 90}};

std::string widthKey(int32_t kind) { return "ColumnWidth" + std::to_string(kind); }
std::string orderKey(int32_t kind) { return "ColumnIndex" + std::to_string(kind); }

}  // namespace

const char* columnKey(int32_t kind) { return kind >= 0 && kind < kColumnKinds ? kKeys[kind] : ""; }

ColumnSettings loadColumnSettings(const LanguageFile& language, core::SettingsStore& store)
{
    ColumnSettings settings;
    for (int32_t kind = 0; kind < kColumnKinds; ++kind) {
        ColumnSetting& column = settings[static_cast<size_t>(kind)];
        if (auto value = language.GetTextAndNumber(kMainFrameSection, kKeys[kind])) {
            column.header = value->first.substr(0, 255);
            column.width = value->second;
        }
        for (const NewColumn& added : kNewColumns) {
            if (added.kind == kind && column.header.empty()) {
                column.header = added.header;
                column.width = added.width;
            }
        }
        column.width = store.readInt(kSection, widthKey(kind), column.width);
        column.order = store.readInt(kSection, orderKey(kind), kInitialOrder[kind]);
    }
    return settings;
}

void saveColumnSettings(const ColumnSettings& settings, core::SettingsStore& store)
{
    for (int32_t kind = 0; kind < kColumnKinds; ++kind) {
        store.writeInt(kSection, widthKey(kind), settings[static_cast<size_t>(kind)].width);
        store.writeInt(kSection, orderKey(kind), settings[static_cast<size_t>(kind)].order);
    }
}

std::vector<int32_t> shownKinds(const ColumnSettings& settings)
{
    std::vector<int32_t> kinds;
    for (int32_t position = 0;; ++position) {
        int32_t found = -1;
        for (int32_t kind = 0; kind < kColumnKinds && found < 0; ++kind)
            if (settings[static_cast<size_t>(kind)].order == position) found = kind;
        if (found < 0) return kinds;
        kinds.push_back(found);
    }
}

}  // namespace netrov::ui
