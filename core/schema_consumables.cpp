// The records of the device consumables queries, described for the record schema.
#include <netrov/consumable_records.h>
#include <netrov/tuva.h>

#include "record_schema_families.h"

namespace netrov::core {

namespace {

#define F NETROV_FIELD
#define A NETROV_FIELD_ALWAYS

constexpr FieldSchema kTonerFields[] = {
    F(TonerEntry, supplyType, typeValid, "supplyType"),
    F(TonerEntry, colorantIndex, colorantIndexValid, "colorantIndex"),
    F(TonerEntry, maxCapacity, maxCapacityValid, "maximumCapacity"),
    F(TonerEntry, currentLevel, currentLevelValid, "currentLevel"),
    F(TonerEntry, unit, unitValid, "capacityUnit"),
    F(TonerEntry, color, colorValid, "colour"),
    F(TonerEntry, name, nameValid, "name"),
    F(TonerEntry, remainingPercent, remainingPercentValid, "remainingPercentage"),
    F(TonerEntry, remainingText, remainingPercentValid, "remainingText"),
};

constexpr FieldSchema kTrayFields[] = {
    F(TrayEntry, trayName, trayNameValid, "trayName"),
    F(TrayEntry, sizeX, sizeXValid, "sizeX"),
    F(TrayEntry, sizeY, sizeYValid, "sizeY"),
    F(TrayEntry, sizeUnit, sizeUnitValid, "sizeUnit"),
    F(TrayEntry, sizeUnitName, sizeUnitValid, "sizeUnitName"),
    F(TrayEntry, sizeCode, sizeCodeValid, "paperSizeCode"),
    F(TrayEntry, paperName, paperNameValid, "paperName"),
    F(TrayEntry, mediaCode, mediaCodeValid, "mediaCode"),
    F(TrayEntry, mediaName, mediaNameValid, "mediaName"),
    F(TrayEntry, maxCapacity, maxCapacityValid, "maximumCapacity"),
    F(TrayEntry, currentLevel, currentLevelValid, "currentLevel"),
    F(TrayEntry, capacityUnit, capacityUnitValid, "capacityUnit"),
    F(TrayEntry, remainingPercent, remainingPercentValid, "remainingPercentage"),
    F(TrayEntry, remainingText, remainingPercentValid, "remainingText"),
};

constexpr FieldSchema kSupplyFields[] = {
    F(SupplyEntry, supplyType, typeValid, "supplyType"),
    F(SupplyEntry, name, nameValid, "name"),
    F(SupplyEntry, maxCapacity, maxCapacityValid, "maximumCapacity"),
    F(SupplyEntry, currentLevel, currentLevelValid, "currentLevel"),
    F(SupplyEntry, unit, unitValid, "capacityUnit"),
    F(SupplyEntry, remainingPercent, remainingPercentValid, "remainingPercentage"),
    F(SupplyEntry, remainingText, remainingPercentValid, "remainingText"),
};

constexpr FieldSchema kTonerCapFields[] = {
    A(TonerCapEntry, listed, "listed"),
    A(TonerCapEntry, rowIndex, "rowIndex"),
    A(TonerCapEntry, displayIndex, "displayIndex"),
    F(TonerCapEntry, type, typeValid, "type"),
    F(TonerCapEntry, name, nameValid, "name"),
    F(TonerCapEntry, option, optionValid, "option"),
    F(TonerCapEntry, life, lifeValid, "life"),
    F(TonerCapEntry, capacityText, capacityTextValid, "capacityText"),
};

constexpr FieldSchema kCodedSettingFields[] = {
    F(CodedSetting, value, valueValid, "rawValue"),
    A(CodedSetting, text, "displayText"),
};

constexpr FieldSchema kMarkerFields[] = {
    F(MarkerInfo, markTech, markTechValid, "markingTechnology"),
    F(MarkerInfo, markTechName, markTechValid, "technologyName"),
    F(MarkerInfo, processColorants, processColorantsValid, "processColorants"),
    F(MarkerInfo, spotColorants, spotColorantsValid, "spotColorants"),
    F(MarkerInfo, colorCapable, colorCapabilityValid, "colourCapable"),
    F(MarkerInfo, lifeCount, lifeCountValid, "lifeCount"),
    F(MarkerInfo, powerOnCount, powerOnCountValid, "powerOnCount"),
    F(MarkerInfo, counterUnit, counterUnitValid, "counterUnit"),
    F(MarkerInfo, counterUnitName, counterUnitValid, "counterUnitName"),
    F(MarkerInfo, xAddressability, xAddressabilityValid, "xAddressability"),
    F(MarkerInfo, yAddressability, yAddressabilityValid, "yAddressability"),
    F(MarkerInfo, addressabilityUnit, addressabilityUnitValid, "addressabilityUnit"),
    F(MarkerInfo, addressabilityUnitName, addressabilityUnitValid, "addressabilityUnitName"),
};

#define NETROV_FLAGGED(Record, member, jsonName) F(Record, member.value, member.valid, jsonName)
constexpr FieldSchema kImageAreaFields[] = {
    NETROV_FLAGGED(ImageAreaInfo, averageCyan, "averageCyan"),
    NETROV_FLAGGED(ImageAreaInfo, averageMagenta, "averageMagenta"),
    NETROV_FLAGGED(ImageAreaInfo, averageYellow, "averageYellow"),
    NETROV_FLAGGED(ImageAreaInfo, averageBlack, "averageBlack"),
    NETROV_FLAGGED(ImageAreaInfo, lastCyan, "lastCyan"),
    NETROV_FLAGGED(ImageAreaInfo, lastMagenta, "lastMagenta"),
    NETROV_FLAGGED(ImageAreaInfo, lastYellow, "lastYellow"),
    NETROV_FLAGGED(ImageAreaInfo, lastBlack, "lastBlack"),
};

#define NETROV_CALIBRATION(member, rawName, calibratedName)               \
    F(ColorCalibInfo, member.raw, member.valid, rawName),                 \
        F(ColorCalibInfo, member.calibrated, member.valid, calibratedName)
constexpr FieldSchema kColourCalibFields[] = {
    NETROV_CALIBRATION(offset, "offsetRaw", "offsetCalibrated"),
    NETROV_CALIBRATION(cyan, "cyanRaw", "cyanCalibrated"),
    NETROV_CALIBRATION(magenta, "magentaRaw", "magentaCalibrated"),
    NETROV_CALIBRATION(yellow, "yellowRaw", "yellowCalibrated"),
    NETROV_CALIBRATION(black, "blackRaw", "blackCalibrated"),
};

constexpr FieldSchema kSupplyIndexEntryFields[] = {
    F(SupplyIndexEntry, rowIndex, rowIndexValid, "rowIndex"),
    F(SupplyIndexEntry, supplyType, typeValid, "supplyType"),
    F(SupplyIndexEntry, name, nameValid, "name"),
};

#undef F
#undef A

#define NETROV_RECORD(Type, fields) constexpr RecordSchema k##Type##Schema{#Type, sizeof(Type), fields}
NETROV_RECORD(TonerEntry, kTonerFields);
NETROV_RECORD(TrayEntry, kTrayFields);
NETROV_RECORD(SupplyEntry, kSupplyFields);
NETROV_RECORD(TonerCapEntry, kTonerCapFields);
NETROV_RECORD(CodedSetting, kCodedSettingFields);
NETROV_RECORD(MarkerInfo, kMarkerFields);
NETROV_RECORD(ImageAreaInfo, kImageAreaFields);
NETROV_RECORD(ColorCalibInfo, kColourCalibFields);
NETROV_RECORD(SupplyIndexEntry, kSupplyIndexEntryFields);
#undef NETROV_RECORD

constexpr QuerySchema kQueries[] = {
    {"GetDevToner", &kTonerEntrySchema, TUVA_GetDevToner, 8},
    {"GetDevTonerCap", &kTonerCapEntrySchema, TUVA_GetDevTonerCap, 8},
    {"GetDevTonerSave", &kCodedSettingSchema, TUVA_GetDevTonerSave, 1},
    {"GetDevSupplies", &kSupplyEntrySchema, TUVA_GetDevSupplies, 8},
    {"GetDevMarker", &kMarkerInfoSchema, TUVA_GetDevMarker, 1},
    {"GetDevTray", &kTrayEntrySchema, TUVA_GetDevTray, 8},
    {"GetDevImageArea", &kImageAreaInfoSchema, TUVA_GetDevImageArea, 1},
    {"GetDevColorCalib", &kColorCalibInfoSchema, TUVA_GetDevColorCalib, 1},
    {"GetDevSupplyIndex", &kSupplyIndexEntrySchema, TUVA_GetDevSupplyIndex, 16},
};

}  // namespace

// The setting queries of the engine family share this record.
const RecordSchema& codedSettingSchema()
{
    return kCodedSettingSchema;
}

std::span<const QuerySchema> consumableQuerySchemas()
{
    return kQueries;
}

}  // namespace netrov::core
