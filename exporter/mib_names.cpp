// The MIB enumeration tables behind the label values.
#include "mib_names.h"

#include <array>
#include <cctype>
#include <string_view>

namespace netrov::exporter {

namespace {

struct Name {
    int32_t value;
    const char* name;
};

constexpr Name kSupplyKinds[] = {
    {1, "other"}, {2, "unknown"}, {3, "toner"}, {4, "waste_toner"}, {5, "ink"}, {6, "ink_cartridge"},
    {7, "ink_ribbon"}, {8, "waste_ink"}, {9, "opc"}, {10, "developer"}, {11, "fuser_oil"}, {12, "solid_wax"},
    {13, "ribbon_wax"}, {14, "waste_wax"}, {15, "fuser"}, {16, "corona_wire"}, {17, "fuser_oil_wick"},
    {18, "cleaner_unit"}, {19, "fuser_cleaning_pad"}, {20, "transfer_unit"}, {21, "toner_cartridge"},
    {22, "fuser_oiler"}, {23, "water"}, {24, "waste_water"}, {25, "glue_water_additive"},
    {26, "waste_paper"}, {27, "binding_supply"}, {28, "banding_supply"}, {29, "stitching_wire"},
    {30, "shrink_wrap"}, {31, "paper_wrap"}, {32, "staples"}, {33, "inserts"}, {34, "covers"},
};

// Codes 1 to 38 and the group-specific codes of PrtAlertCodeTC.
constexpr Name kAlertCodes[] = {
    {1, "other"}, {2, "unknown"}, {3, "coverOpen"}, {4, "coverClosed"}, {5, "interlockOpen"},
    {6, "interlockClosed"}, {7, "configurationChange"}, {8, "jam"}, {9, "subunitMissing"},
    {10, "subunitLifeAlmostOver"}, {11, "subunitLifeOver"}, {12, "subunitAlmostEmpty"}, {13, "subunitEmpty"},
    {14, "subunitAlmostFull"}, {15, "subunitFull"}, {16, "subunitNearLimit"}, {17, "subunitAtLimit"},
    {18, "subunitOpened"}, {19, "subunitClosed"}, {20, "subunitTurnedOn"}, {21, "subunitTurnedOff"},
    {22, "subunitOffline"}, {23, "subunitPowerSaver"}, {24, "subunitWarmingUp"}, {25, "subunitAdded"},
    {26, "subunitRemoved"}, {27, "subunitResourceAdded"}, {28, "subunitResourceRemoved"},
    {29, "subunitRecoverableFailure"}, {30, "subunitUnrecoverableFailure"},
    {31, "subunitRecoverableStorageError"}, {32, "subunitUnrecoverableStorageError"},
    {33, "subunitMotorFailure"}, {34, "subunitMemoryExhausted"}, {35, "subunitUnderTemperature"},
    {36, "subunitOverTemperature"}, {37, "subunitTimingFailure"}, {38, "subunitThermistorFailure"},
    {501, "doorOpen"}, {502, "doorClosed"}, {503, "powerUp"}, {504, "powerDown"}, {505, "printerNMSReset"},
    {506, "printerManualReset"}, {507, "printerReadyToPrint"}, {801, "inputMediaTrayMissing"},
    {802, "inputMediaSizeChange"}, {803, "inputMediaWeightChange"}, {804, "inputMediaTypeChange"},
    {805, "inputMediaColorChange"}, {806, "inputMediaFormPartsChange"}, {807, "inputMediaSupplyLow"},
    {808, "inputMediaSupplyEmpty"}, {809, "inputMediaChangeRequest"}, {810, "inputManualInputRequest"},
    {811, "inputTrayPositionFailure"}, {812, "inputTrayElevationFailure"}, {813, "inputCannotFeedSizeSelected"},
    {901, "outputMediaTrayMissing"}, {902, "outputMediaTrayAlmostFull"}, {903, "outputMediaTrayFull"},
    {904, "outputMailboxSelectFailure"}, {1001, "markerFuserUnderTemperature"},
    {1002, "markerFuserOverTemperature"}, {1003, "markerFuserTimingFailure"},
    {1004, "markerFuserThermistorFailure"}, {1005, "markerAdjustingPrintQuality"}, {1101, "markerTonerEmpty"},
    {1102, "markerInkEmpty"}, {1103, "markerPrintRibbonEmpty"}, {1104, "markerTonerAlmostEmpty"},
    {1105, "markerInkAlmostEmpty"}, {1106, "markerPrintRibbonAlmostEmpty"},
    {1107, "markerWasteTonerReceptacleAlmostFull"}, {1108, "markerWasteInkReceptacleAlmostFull"},
    {1109, "markerWasteTonerReceptacleFull"}, {1110, "markerWasteInkReceptacleFull"},
    {1111, "markerOpcLifeAlmostOver"}, {1112, "markerOpcLifeOver"}, {1113, "markerDeveloperAlmostEmpty"},
    {1114, "markerDeveloperEmpty"}, {1115, "markerTonerCartridgeMissing"}, {1301, "mediaPathMediaTrayMissing"},
    {1302, "mediaPathMediaTrayAlmostFull"}, {1303, "mediaPathMediaTrayFull"},
    {1304, "mediaPathCannotDuplexMediaSelected"}, {1501, "interpreterMemoryIncrease"},
    {1502, "interpreterMemoryDecrease"}, {1503, "interpreterCartridgeAdded"},
    {1504, "interpreterCartridgeDeleted"}, {1505, "interpreterResourceAdded"},
    {1506, "interpreterResourceDeleted"}, {1507, "interpreterResourceUnavailable"},
    {1509, "interpreterComplexPageEncountered"}, {1801, "alertRemovalOfBinaryChangeEntry"},
};

// The finisher codes are a device prefix (30200 + 100 x device) and a
// generic code 3 to 38 as a capitalised suffix.
constexpr std::array<const char*, 17> kFinisherDevices = {
    "stapler", "stitcher", "folder", "binder", "trimmer", "dieCutter", "puncher", "perforater", "slitter",
    "separationCutter", "imprinter", "wrapper", "bander", "makeEnvelope", "stacker", "sheetRotator", "inserter"};

constexpr Name kAlertGroups[] = {
    {1, "other"}, {2, "unknown"}, {3, "hostResourcesMIBStorageTable"}, {4, "hostResourcesMIBDeviceTable"},
    {5, "generalPrinter"}, {6, "cover"}, {7, "localization"}, {8, "input"}, {9, "output"}, {10, "marker"},
    {11, "markerSupplies"}, {12, "markerColorant"}, {13, "mediaPath"}, {14, "channel"}, {15, "interpreter"},
    {16, "consoleDisplayBuffer"}, {17, "consoleLights"}, {18, "alert"}, {30, "finDevice"}, {31, "finSupply"},
    {32, "finSupplyMediaInput"}, {33, "finAttribute"},
};

template <size_t N>
const char* lookUp(const Name (&table)[N], int32_t value)
{
    for (const Name& n : table) {
        if (n.value == value) return n.name;
    }
    return nullptr;
}

}  // namespace

std::string supplyKindName(int32_t type)
{
    const char* name = lookUp(kSupplyKinds, type);
    return name ? name : "type_" + std::to_string(type);
}

std::string alertCodeName(int32_t code)
{
    if (const char* name = lookUp(kAlertCodes, code)) return name;
    if (code >= 30203 && code <= 31838) {
        const int32_t device = code / 100 - 302;
        const int32_t generic = code % 100;
        const char* suffix = lookUp(kAlertCodes, generic);
        if (device >= 0 && static_cast<size_t>(device) < kFinisherDevices.size() && generic >= 3 && suffix) {
            std::string name = suffix;
            // "subunitJam" has no such form; the generic label loses its "subunit" prefix.
            if (name.rfind("subunit", 0) == 0) name.erase(0, 7);
            name[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
            return kFinisherDevices[static_cast<size_t>(device)] + name;
        }
    }
    return "code_" + std::to_string(code);
}

std::string alertGroupName(int32_t group)
{
    const char* name = lookUp(kAlertGroups, group);
    return name ? name : "group_" + std::to_string(group);
}

}  // namespace netrov::exporter
