// The record and query tables, and the generic reading of a described field.
#include "record_schema.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include <netrov/consumable_records.h>
#include <netrov/device_records.h>
#include <netrov/tuva.h>

namespace netrov::core {

namespace {

#define F NETROV_FIELD
#define A NETROV_FIELD_ALWAYS

constexpr FieldSchema kDeviceInfoFields[] = {
    F(DeviceInfo, name, nameValid, "name"),
    F(DeviceInfo, location, locationValid, "location"),
    F(DeviceInfo, macAddress, macAddressValid, "macAddress"),
};

constexpr FieldSchema kDeviceStatusFields[] = {
    A(DeviceStatus, failed, "failed"),
    F(DeviceStatus, alertGroup, alertGroupValid, "alertGroup"),
    F(DeviceStatus, alertIndex, alertIndexValid, "alertIndex"),
    F(DeviceStatus, alertCode, alertCodeValid, "alertCode"),
    F(DeviceStatus, simpleStatus, simpleStatusValid, "simpleStatus"),
};

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

#undef F
#undef A

#define NETROV_RECORD(Type, fields) constexpr RecordSchema k##Type##Schema{#Type, sizeof(Type), fields}
NETROV_RECORD(DeviceInfo, kDeviceInfoFields);
NETROV_RECORD(DeviceStatus, kDeviceStatusFields);
NETROV_RECORD(TonerEntry, kTonerFields);
NETROV_RECORD(TrayEntry, kTrayFields);
NETROV_RECORD(SupplyEntry, kSupplyFields);
NETROV_RECORD(TonerCapEntry, kTonerCapFields);
NETROV_RECORD(CodedSetting, kCodedSettingFields);
NETROV_RECORD(MarkerInfo, kMarkerFields);
NETROV_RECORD(ImageAreaInfo, kImageAreaFields);
NETROV_RECORD(ColorCalibInfo, kColourCalibFields);
#undef NETROV_RECORD

constexpr const RecordSchema* kRecordSchemas[] = {
    &kDeviceInfoSchema, &kDeviceStatusSchema, &kTonerEntrySchema,    &kTrayEntrySchema,     &kSupplyEntrySchema,
    &kTonerCapEntrySchema, &kCodedSettingSchema, &kMarkerInfoSchema, &kImageAreaInfoSchema, &kColorCalibInfoSchema,
};

// Status first: it is what people ask for most, and it tells whether the
// device answers at all.
constexpr QuerySchema kQueries[] = {
    {"GetDevStatus", &kDeviceStatusSchema, TUVA_GetDevStatus, 16},
    {"GetDevInfo", &kDeviceInfoSchema, TUVA_GetDevInfo, 1},
    {"GetDevToner", &kTonerEntrySchema, TUVA_GetDevToner, 8},
    {"GetDevTonerCap", &kTonerCapEntrySchema, TUVA_GetDevTonerCap, 8},
    {"GetDevTonerSave", &kCodedSettingSchema, TUVA_GetDevTonerSave, 1},
    {"GetDevSupplies", &kSupplyEntrySchema, TUVA_GetDevSupplies, 8},
    {"GetDevMarker", &kMarkerInfoSchema, TUVA_GetDevMarker, 1},
    {"GetDevTray", &kTrayEntrySchema, TUVA_GetDevTray, 8},
    {"GetDevImageArea", &kImageAreaInfoSchema, TUVA_GetDevImageArea, 1},
    {"GetDevColorCalib", &kColorCalibInfoSchema, TUVA_GetDevColorCalib, 1},
};

const uint8_t* at(const void* record, uint32_t offset)
{
    return static_cast<const uint8_t*>(record) + offset;
}

template <class T>
T load(const void* record, uint32_t offset)
{
    T value;
    memcpy(&value, at(record, offset), sizeof value);
    return value;
}

std::string textOf(const FieldSchema& field, const void* record)
{
    const char* text = reinterpret_cast<const char*>(at(record, field.offset));
    return std::string(text, strnlen(text, field.size));
}

std::string hexPairs(const FieldSchema& field, const void* record, char separator)
{
    std::string out;
    for (uint32_t i = 0; i < field.size; ++i) {
        char pair[4];
        snprintf(pair, sizeof pair, "%02X", at(record, field.offset)[i]);
        if (i) out += separator;
        out += pair;
    }
    return out;
}

}  // namespace

bool fieldPresent(const FieldSchema& field, const void* record)
{
    return field.presentOffset == kAlwaysPresent || *at(record, field.presentOffset) != 0;
}

nlohmann::json fieldJson(const FieldSchema& field, const void* record)
{
    if (!fieldPresent(field, record)) return nullptr;
    switch (field.kind) {
    case FieldKind::Int32: return load<int32_t>(record, field.offset);
    case FieldKind::UInt32: return load<uint32_t>(record, field.offset);
    case FieldKind::Double: return load<double>(record, field.offset);
    case FieldKind::Flag: return *at(record, field.offset) != 0;
    case FieldKind::Text: return textOf(field, record);
    case FieldKind::Bytes: return hexPairs(field, record, ':');
    case FieldKind::Int32List: {
        nlohmann::json list = nlohmann::json::array();
        for (uint32_t i = 0; i + sizeof(int32_t) <= field.size; i += sizeof(int32_t)) {
            list.push_back(load<int32_t>(record, field.offset + i));
        }
        return list;
    }
    }
    return nullptr;
}

std::string fieldText(const FieldSchema& field, const void* record)
{
    if (!fieldPresent(field, record)) return {};
    switch (field.kind) {
    case FieldKind::Text: return textOf(field, record);
    case FieldKind::Bytes: return hexPairs(field, record, ':');
    case FieldKind::Flag: return *at(record, field.offset) ? "yes" : "no";
    case FieldKind::Double: {
        char number[64];
        snprintf(number, sizeof number, "%.4g", load<double>(record, field.offset));
        return number;
    }
    case FieldKind::Int32List: {
        std::string out;
        for (uint32_t i = 0; i + sizeof(int32_t) <= field.size; i += sizeof(int32_t)) {
            if (i) out += ',';
            out += std::to_string(load<int32_t>(record, field.offset + i));
        }
        return out;
    }
    case FieldKind::Int32:
    case FieldKind::UInt32: return fieldJson(field, record).dump();
    }
    return {};
}

nlohmann::json recordJson(const RecordSchema& schema, const void* record)
{
    nlohmann::json out = nlohmann::json::object();
    for (const FieldSchema& field : schema.fields) out[field.name] = fieldJson(field, record);
    return out;
}

const FieldSchema* findField(const RecordSchema& schema, std::string_view name)
{
    for (const FieldSchema& field : schema.fields) {
        if (name == field.name) return &field;
    }
    return nullptr;
}

std::span<const QuerySchema> deviceQueries()
{
    return kQueries;
}

const QuerySchema* findQuery(std::string_view name)
{
    for (const QuerySchema& query : kQueries) {
        if (name == query.name) return &query;
    }
    return nullptr;
}

std::span<const RecordSchema* const> recordSchemas()
{
    return kRecordSchemas;
}

}  // namespace netrov::core
