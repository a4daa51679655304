// What the project's own device walks hold, for the agent tests.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace netrov::test {

struct Expected {
    const char* walk;
    const char* model;
    const char* sysObjectId;
    const char* name;
    const char* location;
    uint8_t mac[6];
    // (code, group, index, simple status) per record; the no-alert record has
    // group and index 0.
    std::vector<std::array<int32_t, 4>> status;
};

inline const std::vector<Expected>& printers()
{
    static const std::vector<Expected> all = {
        {"mono_laser", "Tarnwell ML-210", "1.3.6.1.4.1.32473.7.1.210", "ml210-office", "Room 101, first floor",
         {0x00, 0x15, 0xA3, 0x10, 0x02, 0x10}, {{507, 0, 0, 1}}},
        {"colour_laser", "Tarnwell CL-560 Color", "1.3.6.1.4.1.32473.7.1.560", "cl560-design",
         "Design studio, second floor", {0x00, 0x15, 0xA3, 0x20, 0x05, 0x60}, {{507, 0, 0, 2}}},
        {"mfp", "Tarnwell MX-4400 MFP", "1.3.6.1.4.1.32473.7.2.4400", "mx4400-reception", "Reception desk",
         {0x00, 0x15, 0xA3, 0x30, 0x44, 0x00}, {{1104, 11, 1, 4}}},
        {"power_save", "Tarnwell ML-330", "1.3.6.1.4.1.32473.7.1.330", "ml330-hall", "Main hall",
         {0x00, 0x15, 0xA3, 0x40, 0x03, 0x30}, {{23, 5, 1, 6}}},
        {"jam_door", "Tarnwell CL-720 Color", "1.3.6.1.4.1.32473.7.1.720", "cl720-print-room", "Print room",
         {0x00, 0x15, 0xA3, 0x50, 0x07, 0x20}, {{8, 13, 1, 5}, {3, 6, 2, 5}}},
        {"toner_empty", "Tarnwell ML-410", "1.3.6.1.4.1.32473.7.1.410", "ml410-warehouse", "Warehouse office",
         {0x00, 0x15, 0xA3, 0x60, 0x04, 0x10}, {{1101, 11, 1, 5}}},
    };
    return all;
}

}  // namespace netrov::test
