// The device list's columns: which kinds are shown, in which order and how wide, and where that is kept.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "device_rows.h"
#include "search_settings.h"

namespace netrov::ui {

class LanguageFile;

inline constexpr int32_t kHidden = -1;

struct ColumnSetting {
    int32_t order = kHidden;  // display position, or kHidden
    int32_t width = 0;        // pixels
    std::string header;
};
using ColumnSettings = std::array<ColumnSetting, kColumnKinds>;

// The language key of each kind's header ("text,width").
const char* columnKey(int32_t kind);

// Header texts and widths from the language file, then the stored widths and
// orders ("Window", "ColumnWidth<k>", "ColumnIndex<k>").
ColumnSettings loadColumnSettings(const LanguageFile& language, core::SettingsStore& store);
void saveColumnSettings(const ColumnSettings& settings, core::SettingsStore& store);

// The kinds shown, by position: order 0, 1, 2, ... up to the first gap.
std::vector<int32_t> shownKinds(const ColumnSettings& settings);

}  // namespace netrov::ui
