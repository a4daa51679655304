// The device list's column kinds, cell texts and the row comparison of the sort, free of any widget.
#pragma once

#include <cstdint>
#include <string>

#include "device_list.h"

namespace netrov::ui {

// Column kinds in their fixed order; the number is the kind.
enum ColumnKind : int32_t {
    kColumnModel = 0,
    kColumnDevice = 1,
    kColumnLocation = 2,
    kColumnInterface = 3,
    kColumnIpAddress = 4,
    kColumnMacAddress = 5,
    kColumnStatus = 6,
    // Filled in the background after a search: the lowest toner level, the page count.
    kColumnToner = 7,
    kColumnPages = 8,
};
inline constexpr int32_t kColumnKinds = 9;

// The words the cells and the comparison use, from the string table.
struct RowWords {
    std::string network;
    std::string ready;
    std::string warning;
    std::string error;
    std::string powerSave;
    std::string unknown;
    std::string powerOff;
};

using core::fieldText;

// "Network" for network devices, "port (driver)" for local ones, else "".
std::string interfaceText(const core::DeviceListEntry& entry, const RowWords& words);
// Dotted address of a network device, else "--".
std::string ipAddressText(const core::DeviceListEntry& entry);
// Colon-separated MAC of a network device with a valid MAC, else "".
std::string macAddressText(const core::DeviceListEntry& entry);
// The status word of a status code as the status column shows it ("--" outside the table).
std::string statusText(int32_t code, const RowWords& words);
// A cell's text; an empty text shows as "--".
std::string cellText(const core::DeviceListEntry& entry, int32_t kind, const RowWords& words);

// The sort's row comparison: below 0 puts a before b. direction is 1
// (ascending) or -1. Equal keys give 1 whatever the direction, so it is no
// ordering: sort with stableMergeSort only.
int compareRows(const core::DeviceListEntry& a, const core::DeviceListEntry& b, int32_t kind, int32_t direction,
                const RowWords& words);

}  // namespace netrov::ui
