/* Output records of the consumables queries: toner, toner capacities, toner
   save, other supplies, the marking engine, input trays, image area and
   colour calibration (fixed layouts). */
#ifndef NETROV_CONSUMABLE_RECORDS_H
#define NETROV_CONSUMABLE_RECORDS_H

#include <stddef.h>
#include <stdint.h>

#include "export.h"

/* Every record begins with 4 reserved bytes. A flag of 1 says that the value
   after it was read; an absent value is 0. Texts are 256-byte fields that
   always end in a NUL byte. Padding is spelled out, so the layout is the same
   for every compiler and word size. */

/* Remaining-percentage fields hold 0..100, or the device's negative level
   code: -1 other, -2 unknown, -3 some remaining. */

/* TUVASRV_GetDevToner: one per reported toner or ink. */
typedef struct TonerEntry {
    int32_t reserved0;
    uint8_t typeValid;
    uint8_t padding0[3];
    int32_t supplyType;
    uint8_t colorantIndexValid;
    uint8_t padding1[3];
    int32_t colorantIndex;
    uint8_t maxCapacityValid;
    uint8_t padding2[3];
    int32_t maxCapacity;
    uint8_t currentLevelValid;
    uint8_t padding3[3];
    int32_t currentLevel;
    uint8_t unitValid;
    uint8_t padding4[3];
    int32_t unit;
    char reservedText0[256];
    uint8_t colorValid;
    uint8_t padding5[3];
    int32_t color[3]; /* red, green, blue */
    uint8_t reservedFlag;
    char reservedText1[256];
    uint8_t nameValid;
    char name[256];
    uint8_t remainingPercentValid;
    uint8_t padding6[1];
    int32_t remainingPercent;
    char remainingText[256];
} TonerEntry;

NETROV_STATIC_ASSERT(sizeof(TonerEntry) == 1092, "TonerEntry size");
NETROV_STATIC_ASSERT(offsetof(TonerEntry, typeValid) == 4, "typeValid");
NETROV_STATIC_ASSERT(offsetof(TonerEntry, supplyType) == 8, "supplyType");
NETROV_STATIC_ASSERT(offsetof(TonerEntry, colorantIndexValid) == 12, "colorantIndexValid");
NETROV_STATIC_ASSERT(offsetof(TonerEntry, colorantIndex) == 16, "colorantIndex");
NETROV_STATIC_ASSERT(offsetof(TonerEntry, maxCapacityValid) == 20, "maxCapacityValid");
NETROV_STATIC_ASSERT(offsetof(TonerEntry, maxCapacity) == 24, "maxCapacity");
NETROV_STATIC_ASSERT(offsetof(TonerEntry, currentLevelValid) == 28, "currentLevelValid");
NETROV_STATIC_ASSERT(offsetof(TonerEntry, currentLevel) == 32, "currentLevel");
NETROV_STATIC_ASSERT(offsetof(TonerEntry, unitValid) == 36, "unitValid");
NETROV_STATIC_ASSERT(offsetof(TonerEntry, unit) == 40, "unit");
NETROV_STATIC_ASSERT(offsetof(TonerEntry, reservedText0) == 44, "reservedText0");
NETROV_STATIC_ASSERT(offsetof(TonerEntry, colorValid) == 300, "colorValid");
NETROV_STATIC_ASSERT(offsetof(TonerEntry, color) == 304, "color");
NETROV_STATIC_ASSERT(offsetof(TonerEntry, reservedFlag) == 316, "reservedFlag");
NETROV_STATIC_ASSERT(offsetof(TonerEntry, reservedText1) == 317, "reservedText1");
NETROV_STATIC_ASSERT(offsetof(TonerEntry, nameValid) == 573, "nameValid");
NETROV_STATIC_ASSERT(offsetof(TonerEntry, name) == 574, "name");
NETROV_STATIC_ASSERT(offsetof(TonerEntry, remainingPercentValid) == 830, "remainingPercentValid");
NETROV_STATIC_ASSERT(offsetof(TonerEntry, remainingPercent) == 832, "remainingPercent");
NETROV_STATIC_ASSERT(offsetof(TonerEntry, remainingText) == 836, "remainingText");

/* TUVASRV_GetDevTray: one per input tray. Sizes are in inches (unit 3),
   millimetres (4, 12) or as the unit code says. */
typedef struct TrayEntry {
    int32_t reserved0;
    uint8_t trayNameValid;
    char trayName[256];
    uint8_t sizeXValid;
    uint8_t padding0[2];
    double sizeX;
    uint8_t sizeYValid;
    uint8_t padding1[7];
    double sizeY;
    uint8_t sizeUnitValid;
    uint8_t padding2[3];
    int32_t sizeUnit;
    char reservedText0[256];
    uint8_t sizeCodeValid;
    uint8_t padding3[3];
    int32_t sizeCode;
    uint8_t paperNameValid;
    char paperName[256];
    uint8_t mediaCodeValid;
    uint8_t padding4[2];
    int32_t mediaCode;
    uint8_t mediaNameValid;
    char mediaName[256];
    uint8_t maxCapacityValid;
    uint8_t padding5[2];
    int32_t maxCapacity;
    uint8_t currentLevelValid;
    uint8_t padding6[3];
    int32_t currentLevel;
    uint8_t capacityUnitValid;
    uint8_t padding7[3];
    int32_t capacityUnit;
    char sizeUnitName[256];
    uint8_t remainingPercentValid;
    uint8_t padding8[3];
    int32_t remainingPercent;
    char remainingText[256];
} TrayEntry;

NETROV_STATIC_ASSERT(sizeof(TrayEntry) == 1624, "TrayEntry size");
NETROV_STATIC_ASSERT(offsetof(TrayEntry, trayNameValid) == 4, "trayNameValid");
NETROV_STATIC_ASSERT(offsetof(TrayEntry, trayName) == 5, "trayName");
NETROV_STATIC_ASSERT(offsetof(TrayEntry, sizeXValid) == 261, "sizeXValid");
NETROV_STATIC_ASSERT(offsetof(TrayEntry, sizeX) == 264, "sizeX");
NETROV_STATIC_ASSERT(offsetof(TrayEntry, sizeYValid) == 272, "sizeYValid");
NETROV_STATIC_ASSERT(offsetof(TrayEntry, sizeY) == 280, "sizeY");
NETROV_STATIC_ASSERT(offsetof(TrayEntry, sizeUnitValid) == 288, "sizeUnitValid");
NETROV_STATIC_ASSERT(offsetof(TrayEntry, sizeUnit) == 292, "sizeUnit");
NETROV_STATIC_ASSERT(offsetof(TrayEntry, reservedText0) == 296, "reservedText0");
NETROV_STATIC_ASSERT(offsetof(TrayEntry, sizeCodeValid) == 552, "sizeCodeValid");
NETROV_STATIC_ASSERT(offsetof(TrayEntry, sizeCode) == 556, "sizeCode");
NETROV_STATIC_ASSERT(offsetof(TrayEntry, paperNameValid) == 560, "paperNameValid");
NETROV_STATIC_ASSERT(offsetof(TrayEntry, paperName) == 561, "paperName");
NETROV_STATIC_ASSERT(offsetof(TrayEntry, mediaCodeValid) == 817, "mediaCodeValid");
NETROV_STATIC_ASSERT(offsetof(TrayEntry, mediaCode) == 820, "mediaCode");
NETROV_STATIC_ASSERT(offsetof(TrayEntry, mediaNameValid) == 824, "mediaNameValid");
NETROV_STATIC_ASSERT(offsetof(TrayEntry, mediaName) == 825, "mediaName");
NETROV_STATIC_ASSERT(offsetof(TrayEntry, maxCapacityValid) == 1081, "maxCapacityValid");
NETROV_STATIC_ASSERT(offsetof(TrayEntry, maxCapacity) == 1084, "maxCapacity");
NETROV_STATIC_ASSERT(offsetof(TrayEntry, currentLevelValid) == 1088, "currentLevelValid");
NETROV_STATIC_ASSERT(offsetof(TrayEntry, currentLevel) == 1092, "currentLevel");
NETROV_STATIC_ASSERT(offsetof(TrayEntry, capacityUnitValid) == 1096, "capacityUnitValid");
NETROV_STATIC_ASSERT(offsetof(TrayEntry, capacityUnit) == 1100, "capacityUnit");
NETROV_STATIC_ASSERT(offsetof(TrayEntry, sizeUnitName) == 1104, "sizeUnitName");
NETROV_STATIC_ASSERT(offsetof(TrayEntry, remainingPercentValid) == 1360, "remainingPercentValid");
NETROV_STATIC_ASSERT(offsetof(TrayEntry, remainingPercent) == 1364, "remainingPercent");
NETROV_STATIC_ASSERT(offsetof(TrayEntry, remainingText) == 1368, "remainingText");

/* TUVASRV_GetDevSupplyIndex: one per row of the marker supplies table, in
   the table's order: the row's prtMarkerSuppliesIndex with its type and
   description, which place the rows of the toner and supplies queries in
   the table (an alert names a supply by this index). 280 bytes. */
typedef struct SupplyIndexEntry {
    int32_t reserved0;
    uint8_t rowIndexValid;
    uint8_t padding0[3];
    int32_t rowIndex;
    uint8_t typeValid;
    uint8_t padding1[3];
    int32_t supplyType;
    uint8_t nameValid;
    char name[256];  /* prtMarkerSuppliesDescription */
    uint8_t padding2[3];
} SupplyIndexEntry;

NETROV_STATIC_ASSERT(sizeof(SupplyIndexEntry) == 280, "SupplyIndexEntry size");
NETROV_STATIC_ASSERT(offsetof(SupplyIndexEntry, rowIndexValid) == 4, "rowIndexValid");
NETROV_STATIC_ASSERT(offsetof(SupplyIndexEntry, rowIndex) == 8, "rowIndex");
NETROV_STATIC_ASSERT(offsetof(SupplyIndexEntry, typeValid) == 12, "typeValid");
NETROV_STATIC_ASSERT(offsetof(SupplyIndexEntry, supplyType) == 16, "supplyType");
NETROV_STATIC_ASSERT(offsetof(SupplyIndexEntry, nameValid) == 20, "nameValid");
NETROV_STATIC_ASSERT(offsetof(SupplyIndexEntry, name) == 21, "name");

/* TUVASRV_GetDevSupplies: one per supply that the toner query does not
   report (drums, fusers, waste containers...). */
typedef struct SupplyEntry {
    int32_t reserved0;
    uint8_t typeValid;
    uint8_t padding0[3];
    int32_t supplyType;
    uint8_t nameValid;
    char name[256];
    uint8_t maxCapacityValid;
    uint8_t padding1[2];
    int32_t maxCapacity;
    uint8_t currentLevelValid;
    uint8_t padding2[3];
    int32_t currentLevel;
    uint8_t unitValid;
    uint8_t padding3[3];
    int32_t unit;
    char reservedText0[256];
    uint8_t remainingPercentValid;
    uint8_t padding4[3];
    int32_t remainingPercent;
    char remainingText[256];
} SupplyEntry;

NETROV_STATIC_ASSERT(sizeof(SupplyEntry) == 812, "SupplyEntry size");
NETROV_STATIC_ASSERT(offsetof(SupplyEntry, typeValid) == 4, "typeValid");
NETROV_STATIC_ASSERT(offsetof(SupplyEntry, supplyType) == 8, "supplyType");
NETROV_STATIC_ASSERT(offsetof(SupplyEntry, nameValid) == 12, "nameValid");
NETROV_STATIC_ASSERT(offsetof(SupplyEntry, name) == 13, "name");
NETROV_STATIC_ASSERT(offsetof(SupplyEntry, maxCapacityValid) == 269, "maxCapacityValid");
NETROV_STATIC_ASSERT(offsetof(SupplyEntry, maxCapacity) == 272, "maxCapacity");
NETROV_STATIC_ASSERT(offsetof(SupplyEntry, currentLevelValid) == 276, "currentLevelValid");
NETROV_STATIC_ASSERT(offsetof(SupplyEntry, currentLevel) == 280, "currentLevel");
NETROV_STATIC_ASSERT(offsetof(SupplyEntry, unitValid) == 284, "unitValid");
NETROV_STATIC_ASSERT(offsetof(SupplyEntry, unit) == 288, "unit");
NETROV_STATIC_ASSERT(offsetof(SupplyEntry, reservedText0) == 292, "reservedText0");
NETROV_STATIC_ASSERT(offsetof(SupplyEntry, remainingPercentValid) == 548, "remainingPercentValid");
NETROV_STATIC_ASSERT(offsetof(SupplyEntry, remainingPercent) == 552, "remainingPercent");
NETROV_STATIC_ASSERT(offsetof(SupplyEntry, remainingText) == 556, "remainingText");

/* TUVASRV_GetDevTonerCap: one per toner capacity the model offers. */
typedef struct TonerCapEntry {
    int32_t reserved0;
    uint8_t listed;
    uint8_t padding0[3];
    int32_t rowIndex;
    int32_t displayIndex;
    uint8_t typeValid;
    uint8_t padding1[3];
    int32_t type;
    uint8_t nameValid;
    char name[256];
    uint8_t optionValid;
    uint8_t padding2[2];
    int32_t option;
    uint8_t lifeValid;
    uint8_t padding3[3];
    int32_t life;
    uint8_t capacityTextValid;
    char capacityText[256];
    uint8_t padding4[3];
} TonerCapEntry;

NETROV_STATIC_ASSERT(sizeof(TonerCapEntry) == 556, "TonerCapEntry size");
NETROV_STATIC_ASSERT(offsetof(TonerCapEntry, listed) == 4, "listed");
NETROV_STATIC_ASSERT(offsetof(TonerCapEntry, rowIndex) == 8, "rowIndex");
NETROV_STATIC_ASSERT(offsetof(TonerCapEntry, displayIndex) == 12, "displayIndex");
NETROV_STATIC_ASSERT(offsetof(TonerCapEntry, typeValid) == 16, "typeValid");
NETROV_STATIC_ASSERT(offsetof(TonerCapEntry, type) == 20, "type");
NETROV_STATIC_ASSERT(offsetof(TonerCapEntry, nameValid) == 24, "nameValid");
NETROV_STATIC_ASSERT(offsetof(TonerCapEntry, name) == 25, "name");
NETROV_STATIC_ASSERT(offsetof(TonerCapEntry, optionValid) == 281, "optionValid");
NETROV_STATIC_ASSERT(offsetof(TonerCapEntry, option) == 284, "option");
NETROV_STATIC_ASSERT(offsetof(TonerCapEntry, lifeValid) == 288, "lifeValid");
NETROV_STATIC_ASSERT(offsetof(TonerCapEntry, life) == 292, "life");
NETROV_STATIC_ASSERT(offsetof(TonerCapEntry, capacityTextValid) == 296, "capacityTextValid");
NETROV_STATIC_ASSERT(offsetof(TonerCapEntry, capacityText) == 297, "capacityText");

/* One coded setting and its display text: TUVASRV_GetDevTonerSave and the
   setting queries of the engine family. */
typedef struct CodedSetting {
    int32_t reserved0;
    uint8_t valueValid;
    uint8_t padding0[3];
    int32_t value;
    char text[256];
} CodedSetting;

NETROV_STATIC_ASSERT(sizeof(CodedSetting) == 268, "CodedSetting size");
NETROV_STATIC_ASSERT(offsetof(CodedSetting, valueValid) == 4, "valueValid");
NETROV_STATIC_ASSERT(offsetof(CodedSetting, value) == 8, "value");
NETROV_STATIC_ASSERT(offsetof(CodedSetting, text) == 12, "text");

/* TUVASRV_GetDevMarker: one record. Addressabilities are in dots per unit
   length of the addressability unit. */
typedef struct MarkerInfo {
    int32_t reserved0;
    uint8_t markTechValid;
    uint8_t padding0[3];
    int32_t markTech;
    char markTechName[256];
    uint8_t processColorantsValid;
    uint8_t padding1[3];
    int32_t processColorants;
    uint8_t spotColorantsValid;
    uint8_t padding2[3];
    int32_t spotColorants;
    uint8_t colorCapabilityValid;
    uint8_t colorCapable;
    uint8_t lifeCountValid;
    uint8_t padding3[1];
    uint32_t lifeCount;
    uint8_t powerOnCountValid;
    uint8_t padding4[3];
    uint32_t powerOnCount;
    uint8_t counterUnitValid;
    uint8_t padding5[3];
    int32_t counterUnit;
    char counterUnitName[256];
    uint8_t xAddressabilityValid;
    uint8_t padding6[3];
    int32_t xAddressability;
    uint8_t yAddressabilityValid;
    uint8_t padding7[3];
    int32_t yAddressability;
    uint8_t addressabilityUnitValid;
    uint8_t padding8[3];
    int32_t addressabilityUnit;
    char addressabilityUnitName[256];
} MarkerInfo;

NETROV_STATIC_ASSERT(sizeof(MarkerInfo) == 844, "MarkerInfo size");
NETROV_STATIC_ASSERT(offsetof(MarkerInfo, markTechValid) == 4, "markTechValid");
NETROV_STATIC_ASSERT(offsetof(MarkerInfo, markTech) == 8, "markTech");
NETROV_STATIC_ASSERT(offsetof(MarkerInfo, markTechName) == 12, "markTechName");
NETROV_STATIC_ASSERT(offsetof(MarkerInfo, processColorantsValid) == 268, "processColorantsValid");
NETROV_STATIC_ASSERT(offsetof(MarkerInfo, processColorants) == 272, "processColorants");
NETROV_STATIC_ASSERT(offsetof(MarkerInfo, spotColorantsValid) == 276, "spotColorantsValid");
NETROV_STATIC_ASSERT(offsetof(MarkerInfo, spotColorants) == 280, "spotColorants");
NETROV_STATIC_ASSERT(offsetof(MarkerInfo, colorCapabilityValid) == 284, "colorCapabilityValid");
NETROV_STATIC_ASSERT(offsetof(MarkerInfo, colorCapable) == 285, "colorCapable");
NETROV_STATIC_ASSERT(offsetof(MarkerInfo, lifeCountValid) == 286, "lifeCountValid");
NETROV_STATIC_ASSERT(offsetof(MarkerInfo, lifeCount) == 288, "lifeCount");
NETROV_STATIC_ASSERT(offsetof(MarkerInfo, powerOnCountValid) == 292, "powerOnCountValid");
NETROV_STATIC_ASSERT(offsetof(MarkerInfo, powerOnCount) == 296, "powerOnCount");
NETROV_STATIC_ASSERT(offsetof(MarkerInfo, counterUnitValid) == 300, "counterUnitValid");
NETROV_STATIC_ASSERT(offsetof(MarkerInfo, counterUnit) == 304, "counterUnit");
NETROV_STATIC_ASSERT(offsetof(MarkerInfo, counterUnitName) == 308, "counterUnitName");
NETROV_STATIC_ASSERT(offsetof(MarkerInfo, xAddressabilityValid) == 564, "xAddressabilityValid");
NETROV_STATIC_ASSERT(offsetof(MarkerInfo, xAddressability) == 568, "xAddressability");
NETROV_STATIC_ASSERT(offsetof(MarkerInfo, yAddressabilityValid) == 572, "yAddressabilityValid");
NETROV_STATIC_ASSERT(offsetof(MarkerInfo, yAddressability) == 576, "yAddressability");
NETROV_STATIC_ASSERT(offsetof(MarkerInfo, addressabilityUnitValid) == 580, "addressabilityUnitValid");
NETROV_STATIC_ASSERT(offsetof(MarkerInfo, addressabilityUnit) == 584, "addressabilityUnit");
NETROV_STATIC_ASSERT(offsetof(MarkerInfo, addressabilityUnitName) == 588, "addressabilityUnitName");

/* A raw device value with its flag. */
typedef struct FlaggedValue {
    uint8_t valid;
    uint8_t padding0[3];
    int32_t value;
} FlaggedValue;

NETROV_STATIC_ASSERT(sizeof(FlaggedValue) == 8, "FlaggedValue size");

/* TUVASRV_GetDevImageArea: average and last image area per colour. */
typedef struct ImageAreaInfo {
    int32_t reserved0;
    FlaggedValue averageCyan;
    FlaggedValue averageMagenta;
    FlaggedValue averageYellow;
    FlaggedValue averageBlack;
    FlaggedValue lastCyan;
    FlaggedValue lastMagenta;
    FlaggedValue lastYellow;
    FlaggedValue lastBlack;
} ImageAreaInfo;

NETROV_STATIC_ASSERT(sizeof(ImageAreaInfo) == 68, "ImageAreaInfo size");
NETROV_STATIC_ASSERT(offsetof(ImageAreaInfo, averageCyan) == 4, "averageCyan");
NETROV_STATIC_ASSERT(offsetof(ImageAreaInfo, lastBlack) == 60, "lastBlack");

/* A raw calibration value and its calibrated form. */
typedef struct CalibrationValue {
    uint8_t valid;
    uint8_t padding0[3];
    int32_t raw;
    int32_t calibrated;
} CalibrationValue;

NETROV_STATIC_ASSERT(sizeof(CalibrationValue) == 12, "CalibrationValue size");

/* TUVASRV_GetDevColorCalib: one record. */
typedef struct ColorCalibInfo {
    int32_t reserved0;
    CalibrationValue offset;
    CalibrationValue cyan;
    CalibrationValue magenta;
    CalibrationValue yellow;
    CalibrationValue black;
} ColorCalibInfo;

NETROV_STATIC_ASSERT(sizeof(ColorCalibInfo) == 64, "ColorCalibInfo size");
NETROV_STATIC_ASSERT(offsetof(ColorCalibInfo, offset) == 4, "offset");
NETROV_STATIC_ASSERT(offsetof(ColorCalibInfo, cyan) == 16, "cyan");
NETROV_STATIC_ASSERT(offsetof(ColorCalibInfo, magenta) == 28, "magenta");
NETROV_STATIC_ASSERT(offsetof(ColorCalibInfo, yellow) == 40, "yellow");
NETROV_STATIC_ASSERT(offsetof(ColorCalibInfo, black) == 52, "black");

#endif
