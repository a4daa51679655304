// Consumables: toner, toner capacities, toner save, other supplies, the
// marking engine, input trays, image area and colour calibration.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "attribute_query.h"
#include "decoders.h"
#include "netrov/consumable_records.h"
#include "netrov/result_codes.h"
#include "queries.h"
#include "read_cache.h"

namespace netrov::tessel {

namespace {

constexpr KeyEntry kTonerKeys[] = {
    {"def", "GETDEVTONER_COLORINDEX", "", kKindInteger},
    {"def", "GETDEVTONER_TYPE", "", kKindInteger},
    {"def", "GETDEVTONER_DESC", "", kKindOctets},
    {"def", "GETDEVTONER_UNIT", "", kKindInteger},
    {"def", "GETDEVTONER_MAX", "", kKindInteger},
    {"def", "GETDEVTONER_LEVEL", "", kKindInteger},
    {"def", "GETDEVTONER_PERCENT", "", kKindInteger},
};
// The colorant's name, asked with its own instance suffix per call.
constexpr KeyEntry kColourStringKey[] = {
    {"def", "GETDEVTONER_COLORSTRING", "", kKindOctets},
};

constexpr KeyEntry kTrayKeys[] = {
    {"def", "GETDEVTRAY_TRAYNAME", "", kKindOctets},
    {"def", "GETDEVTRAY_TRAYDESC", "", kKindOctets},
    {"def", "GETDEVTRAY_SIZEUNIT", "", kKindInteger},
    {"def", "GETDEVTRAY_SIZEX", "", kKindInteger},
    {"def", "GETDEVTRAY_SIZEY", "", kKindInteger},
    {"def", "GETDEVTRAY_SIZECODE", "", kKindInteger},
    {"def", "GETDEVTRAY_UNIT", "", kKindInteger},
    {"def", "GETDEVTRAY_MAX", "", kKindInteger},
    {"def", "GETDEVTRAY_LEVEL", "", kKindInteger},
    {"def", "GETDEVTRAY_MEDIANAME", "", kKindOctets},
    {"def", "GETDEVTRAY_MEDIATYPE", "", kKindOctets},
    {"def", "GETDEVTRAY_MEDIACODE", "", kKindInteger},
};

constexpr KeyEntry kSupplyKeys[] = {
    {"def", "GETDEVSUPPLIES_TYPE", "", kKindInteger},
    {"def", "GETDEVSUPPLIES_DESC", "", kKindOctets},
    {"def", "GETDEVSUPPLIES_UNIT", "", kKindInteger},
    {"def", "GETDEVSUPPLIES_MAX", "", kKindInteger},
    {"def", "GETDEVSUPPLIES_LEVEL", "", kKindInteger},
    {"def", "GETDEVSUPPLIES_PERCENT", "", kKindInteger},
};

constexpr KeyEntry kSupplyIndexKeys[] = {
    {"def", "GETDEVSUPPLYINDEX_TYPE", "", kKindInteger},
    {"def", "GETDEVSUPPLYINDEX_DESC", "", kKindOctets},
};

constexpr KeyEntry kTonerCapKeys[] = {
    {"def", "GETDEVTONERCAP_TYPE", "", kKindInteger},
    {"def", "GETDEVTONERCAP_OPTION", "", kKindInteger},
    {"def", "GETDEVTONERCAP_LIFE", "", kKindInteger},
};

constexpr KeyEntry kMarkerKeys[] = {
    {"def", "GETDEVMARKER_TECH", "", kKindInteger},
    {"def", "GETDEVMARKER_LIFECOUNT", "", kKindUnsigned},
    {"def", "GETDEVMARKER_ONCOUNT", "", kKindUnsigned},
    {"def", "GETDEVMARKER_CUNIT", "", kKindInteger},
    {"def", "GETDEVMARKER_PCOLOR", "", kKindInteger},
    {"def", "GETDEVMARKER_SCOLOR", "", kKindInteger},
    {"def", "GETDEVMARKER_XADSS", "", kKindInteger},
    {"def", "GETDEVMARKER_YADSS", "", kKindInteger},
    {"def", "GETDEVMARKER_AUNIT", "", kKindInteger},
};

constexpr KeyEntry kTonerSaveKeys[] = {
    {"def", "GETDEVTONERSAVE_VAL", "", kKindInteger},
};

constexpr KeyEntry kImageAreaKeys[] = {
    {"def", "GETDEVIMAGEAREA_AVECYAN", "", kKindInteger},
    {"def", "GETDEVIMAGEAREA_AVEMAGENTA", "", kKindInteger},
    {"def", "GETDEVIMAGEAREA_AVEYELLOW", "", kKindInteger},
    {"def", "GETDEVIMAGEAREA_AVEBLACK", "", kKindInteger},
    {"def", "GETDEVIMAGEAREA_LASTCYAN", "", kKindInteger},
    {"def", "GETDEVIMAGEAREA_LASTMAGENTA", "", kKindInteger},
    {"def", "GETDEVIMAGEAREA_LASTYELLOW", "", kKindInteger},
    {"def", "GETDEVIMAGEAREA_LASTBLACK", "", kKindInteger},
};

constexpr KeyEntry kColourCalibKeys[] = {
    {"def", "GETDEVCOLORCALIB_OFFSET", "", kKindInteger},
    {"def", "GETDEVCOLORCALIB_CYAN", "", kKindInteger},
    {"def", "GETDEVCOLORCALIB_MAGENTA", "", kKindInteger},
    {"def", "GETDEVCOLORCALIB_YELLOW", "", kKindInteger},
    {"def", "GETDEVCOLORCALIB_BLACK", "", kKindInteger},
};

// The single requests of a reading, asked together from a v2c device.
const ReadAhead kReadAheadGets{SNMP_PDU_GET, {kTonerSaveKeys, kImageAreaKeys, kColourCalibKeys}};
const ReadAhead kReadAheadGetNexts{SNMP_PDU_GETNEXT, {kMarkerKeys}};

// The supply's remaining percentage: the device's own when it gives one, else
// the frame's rule over the maximum and level read.
std::optional<int32_t> suppliedPercent(std::optional<int32_t> devicePercent, uint8_t maxValid, int32_t max,
                                       uint8_t levelValid, int32_t level)
{
    if (devicePercent) return reportablePercent(devicePercent);
    return remainingPercent(maxValid ? std::optional(max) : std::nullopt,
                            levelValid ? std::optional(level) : std::nullopt);
}

// Colorant names of a toner table's rows, asked all in one request the
// first time a row needs one, where the device reads by SNMPv2c; over
// SNMPv1 (or when that request gets no answer) each row asks on its own.
class ColorantNames {
public:
    void rowsAre(const QueryCall& call, const std::vector<ReplyRow>& rows)
    {
        if (!readsByV2c(call.device)) return;
        for (const ReplyRow& row : rows) {
            const int32_t index = KeyedValues(kTonerKeys, row.values).integer("GETDEVTONER_COLORINDEX").value_or(0);
            if (std::find(indices_.begin(), indices_.end(), index) == indices_.end()) indices_.push_back(index);
        }
    }

    // Null when the index is not known here; else the name, or none when
    // the device lacks it.
    const std::optional<std::string>* find(const QueryCall& call, int32_t index)
    {
        if (!asked_) ask(call);
        const auto found = names_.find(index);
        return found == names_.end() ? nullptr : &found->second;
    }

private:
    void ask(const QueryCall& call)
    {
        asked_ = true;
        if (indices_.empty()) return;
        std::vector<std::string> suffixes;
        for (const int32_t index : indices_) suffixes.push_back(".1." + std::to_string(index));
        std::vector<KeyEntry> keys;
        for (const std::string& suffix : suffixes) {
            keys.push_back({"def", kColourStringKey[0].key, suffix.c_str(), kKindOctets});
        }
        const RequestResult reply = requestKeys(call, keys, RequestShape::Get);
        if (reply.code != NETROV_OK && reply.code != NETROV_NO_VALUE) return;
        for (size_t i = 0; i < indices_.size(); ++i) {
            const ReplyValue* v = valueAt(reply.values, static_cast<int>(i));
            const bool usable = v && kindAccepted(v->kind, kKindOctets) && v->hasBytes();
            names_[indices_[i]] = usable ? std::optional(std::string(v->data(), v->data() + v->length)) : std::nullopt;
        }
    }

    std::vector<int32_t> indices_;
    bool asked_ = false;
    std::map<int32_t, std::optional<std::string>> names_;
};

// The name of the toner's colorant, asked from the device: best effort.
bool colourFromColorant(const RowReader& row, int32_t colorantIndex, ColorantNames& known, char (&text)[256])
{
    const QueryCall& call = row.call();
    char colorant[256];
    if (const std::optional<std::string>* name = known.find(call, colorantIndex)) {
        if (!*name) return false;
        copyText(colorant, sizeof colorant, reinterpret_cast<const uint8_t*>((*name)->data()), (*name)->size());
        return lookupExchange(&call.service, "GETDEVTONER_COLORSTRING", colorant, "", "", text, sizeof text) == 1;
    }
    char suffix[32];
    snprintf(suffix, sizeof suffix, ".1.%d", colorantIndex);
    const SuffixedKeys keys(kColourStringKey, suffix);
    const RequestResult reply = requestKeys(call, keys.keys(), RequestShape::Get);
    if (reply.code != NETROV_OK) return false;
    const ReplyValue* name = KeyedValues(keys.keys(), reply.values).get(kColourStringKey[0].key);
    if (!name) return false;
    copyText(colorant, sizeof colorant, name->data(), name->length);
    return lookupExchange(&call.service, "GETDEVTONER_COLORSTRING", colorant, "", "", text, sizeof text) == 1;
}

bool tonerRow(RowReader& row, TonerEntry& toner, ColorantNames& colorants)
{
    const int32_t type = row.integer("GETDEVTONER_TYPE").value_or(0);
    if (!row.converts("GETDEVTONER_TYPE", type)) return false;
    toner.typeValid = 1;
    toner.supplyType = type;

    row.read("GETDEVTONER_COLORINDEX", toner.colorantIndexValid, toner.colorantIndex);
    row.read("GETDEVTONER_UNIT", toner.unitValid, toner.unit);
    row.read("GETDEVTONER_MAX", toner.maxCapacityValid, toner.maxCapacity);
    row.read("GETDEVTONER_LEVEL", toner.currentLevelValid, toner.currentLevel);
    const ReplyValue* description = row.value("GETDEVTONER_DESC");
    const auto devicePercent = row.integer("GETDEVTONER_PERCENT");
    row.indexFrom({"GETDEVTONER_DESC", "GETDEVTONER_LEVEL", "GETDEVTONER_MAX", "GETDEVTONER_UNIT",
                   "GETDEVTONER_COLORINDEX"});

    if (row.rowIndex() != 0 && row.convert(toner.name, "GETDEVTONER_NAME", static_cast<int32_t>(row.rowIndex()))) {
        toner.nameValid = 1;
    } else if (description) {
        copyText(toner.name, sizeof toner.name, description->data(), description->length);
        toner.nameValid = 1;
    }

    const std::optional<int32_t> percent = suppliedPercent(devicePercent, toner.maxCapacityValid, toner.maxCapacity,
                                                           toner.currentLevelValid, toner.currentLevel);
    if (percent) {
        toner.remainingPercentValid = 1;
        toner.remainingPercent = *percent;
        row.convert(toner.remainingText, "GETDEVTONER_REMAIN", *percent, type);
    }

    // The colour: first by position from the document, else from the name
    // of the colorant the device reports.
    char colourText[256] = {};
    bool found = row.rowIndex() != 0 && row.convert(colourText, "GETDEVTONER_COLORINDEX", row.counted() + 1);
    std::optional<std::array<int32_t, 3>> colour = found ? parseColourText(colourText) : std::nullopt;
    if (!colour && colourFromColorant(row, toner.colorantIndexValid ? toner.colorantIndex : 0, colorants, colourText)) {
        colour = parseColourText(colourText);
    }
    if (colour) {
        toner.colorValid = 1;
        memcpy(toner.color, colour->data(), sizeof toner.color);
    }
    return true;
}

// Every row, whatever its type: the index is what the record is for.
bool supplyIndexRow(RowReader& row, SupplyIndexEntry& entry)
{
    row.read("GETDEVSUPPLYINDEX_TYPE", entry.typeValid, entry.supplyType);
    if (row.readText("GETDEVSUPPLYINDEX_DESC", entry.name)) entry.nameValid = 1;
    row.indexFrom({"GETDEVSUPPLYINDEX_TYPE", "GETDEVSUPPLYINDEX_DESC"});
    if (row.rowIndex() == 0 || row.rowIndex() > INT32_MAX) return false;
    entry.rowIndexValid = 1;
    entry.rowIndex = static_cast<int32_t>(row.rowIndex());
    return true;
}

bool supplyRow(RowReader& row, SupplyEntry& supply)
{
    const int32_t type = row.integer("GETDEVSUPPLIES_TYPE").value_or(0);
    // The document lists the types that other queries report (toner, ink).
    if (row.converts("GETDEVSUPPLIES_EXCEPTTYPE", type)) return false;
    supply.typeValid = 1;
    supply.supplyType = type;

    row.read("GETDEVSUPPLIES_UNIT", supply.unitValid, supply.unit);
    row.read("GETDEVSUPPLIES_MAX", supply.maxCapacityValid, supply.maxCapacity);
    row.read("GETDEVSUPPLIES_LEVEL", supply.currentLevelValid, supply.currentLevel);
    const auto devicePercent = row.integer("GETDEVSUPPLIES_PERCENT");
    const ReplyValue* description = row.value("GETDEVSUPPLIES_DESC");
    row.indexFrom({"GETDEVSUPPLIES_DESC", "GETDEVSUPPLIES_PERCENT", "GETDEVSUPPLIES_LEVEL", "GETDEVSUPPLIES_MAX",
                   "GETDEVSUPPLIES_UNIT"});

    // A name from the document wins; without one the device's description
    // names the supply, so a supply never goes nameless when the device
    // describes it.
    if (row.rowIndex() != 0 && row.convert(supply.name, "GETDEVSUPPLIES_NAME", static_cast<int32_t>(row.rowIndex()))) {
        supply.nameValid = 1;
    } else if (description) {
        copyText(supply.name, sizeof supply.name, description->data(), description->length);
        supply.nameValid = 1;
    }

    const std::optional<int32_t> percent = suppliedPercent(devicePercent, supply.maxCapacityValid,
                                                           supply.maxCapacity, supply.currentLevelValid,
                                                           supply.currentLevel);
    if (percent) {
        supply.remainingPercentValid = 1;
        supply.remainingPercent = *percent;
        row.convert(supply.remainingText, "GETDEVSUPPLIES_REMAIN", *percent, type);
    }
    return true;
}

bool trayRow(RowReader& row, TrayEntry& tray)
{
    int32_t sizeX = 0;
    int32_t sizeY = 0;
    row.read("GETDEVTRAY_SIZEUNIT", tray.sizeUnitValid, tray.sizeUnit);
    row.read("GETDEVTRAY_SIZEX", tray.sizeXValid, sizeX);
    row.read("GETDEVTRAY_SIZEY", tray.sizeYValid, sizeY);
    row.read("GETDEVTRAY_UNIT", tray.capacityUnitValid, tray.capacityUnit);
    row.read("GETDEVTRAY_MAX", tray.maxCapacityValid, tray.maxCapacity);
    row.read("GETDEVTRAY_LEVEL", tray.currentLevelValid, tray.currentLevel);
    row.read("GETDEVTRAY_SIZECODE", tray.sizeCodeValid, tray.sizeCode);
    row.read("GETDEVTRAY_MEDIACODE", tray.mediaCodeValid, tray.mediaCode);
    const ReplyValue* trayName = row.value("GETDEVTRAY_TRAYNAME");
    const ReplyValue* trayDescription = row.value("GETDEVTRAY_TRAYDESC");
    const ReplyValue* mediaType = row.value("GETDEVTRAY_MEDIATYPE");
    const ReplyValue* mediaName = row.value("GETDEVTRAY_MEDIANAME");
    row.indexFrom({"GETDEVTRAY_MEDIANAME", "GETDEVTRAY_MEDIATYPE", "GETDEVTRAY_TRAYDESC", "GETDEVTRAY_TRAYNAME",
                   "GETDEVTRAY_MEDIACODE", "GETDEVTRAY_SIZECODE", "GETDEVTRAY_LEVEL", "GETDEVTRAY_MAX",
                   "GETDEVTRAY_UNIT", "GETDEVTRAY_SIZEY", "GETDEVTRAY_SIZEX", "GETDEVTRAY_SIZEUNIT"});
    tray.sizeX = sizeX;
    tray.sizeY = sizeY;

    if (tray.sizeUnitValid) row.convert(tray.sizeUnitName, "GETDEVTRAY_UNIT", tray.sizeUnit);
    if (tray.sizeCodeValid && row.convert(tray.paperName, "GETDEVTRAY_PAPERCODE", tray.sizeCode)) {
        tray.paperNameValid = 1;
    }
    if (tray.sizeUnitValid && tray.sizeXValid && tray.sizeYValid) {
        if (!tray.paperNameValid) {
            const auto x = static_cast<int32_t>(scaleLength(tray.sizeX, tray.sizeUnit));
            const auto y = static_cast<int32_t>(scaleLength(tray.sizeY, tray.sizeUnit));
            if (sizeByDimensions(row, "GETDEVTRAY_PAPER", x, y, tray.paperName)) {
                tray.paperNameValid = 1;
            }
        }
        tray.sizeX = scaleByUnit(tray.sizeX, tray.sizeUnit);
        tray.sizeY = scaleByUnit(tray.sizeY, tray.sizeUnit);
    }

    if (tray.mediaCodeValid && row.convert(tray.mediaName, "GETDEVTRAY_MEDIACODE", tray.mediaCode)) {
        tray.mediaNameValid = 1;
    } else if (const ReplyValue* media = mediaName ? mediaName : mediaType) {
        copyText(tray.mediaName, sizeof tray.mediaName, media->data(), media->length);
        tray.mediaNameValid = 1;
    }

    if (row.rowIndex() != 0 && row.convert(tray.trayName, "GETDEVTRAY_NAME", static_cast<int32_t>(row.rowIndex()))) {
        tray.trayNameValid = 1;
    } else if (const ReplyValue* name = trayDescription ? trayDescription : trayName) {
        copyText(tray.trayName, sizeof tray.trayName, name->data(), name->length);
        tray.trayNameValid = 1;
    }

    const auto percent = suppliedPercent(std::nullopt, tray.maxCapacityValid, tray.maxCapacity,
                                         tray.currentLevelValid, tray.currentLevel);
    if (percent) {
        tray.remainingPercentValid = 1;
        tray.remainingPercent = *percent;
        row.convert(tray.remainingText, "GETDEVTRAY_REMAIN", *percent);
    }
    return tray.trayNameValid || tray.sizeXValid || tray.sizeYValid || tray.sizeUnitValid || tray.sizeCodeValid ||
           tray.paperNameValid || tray.mediaCodeValid || tray.mediaNameValid || tray.maxCapacityValid ||
           tray.currentLevelValid || tray.capacityUnitValid || tray.remainingPercentValid;
}

bool tonerCapRow(RowReader& row, TonerCapEntry& capacity)
{
    // Any value in the type column names the row; one of another kind reads
    // as type 0.
    const ReplyValue* type = row.present("GETDEVTONERCAP_TYPE");
    if (!type) return false;
    const int32_t typeCode = row.integer("GETDEVTONERCAP_TYPE").value_or(0);
    if (!row.converts("GETDEVTONERCAP_TYPE", typeCode)) return false;
    capacity.listed = 1;
    capacity.rowIndex = static_cast<int32_t>(lastArcOf(type->identifier));
    if (!row.convert(capacity.name, "GETDEVTONERCAP_NAME", capacity.rowIndex)) return false;
    capacity.nameValid = 1;
    capacity.typeValid = row.integer("GETDEVTONERCAP_TYPE").has_value();
    capacity.type = typeCode;
    row.read("GETDEVTONERCAP_OPTION", capacity.optionValid, capacity.option);
    row.read("GETDEVTONERCAP_LIFE", capacity.lifeValid, capacity.life);
    if (row.convert(capacity.capacityText, "GETDEVTONERCAP_CAP", capacity.rowIndex, capacity.option, capacity.life)) {
        capacity.capacityTextValid = 1;
    }
    char display[256];
    capacity.displayIndex = row.convert(display, "GETDEVTONERCAP_SHOWINDEX", capacity.rowIndex)
                                ? decimalValue(display)
                                : capacity.rowIndex;
    return true;
}

bool markerRow(RowReader& row, MarkerInfo& marker)
{
    row.read("GETDEVMARKER_TECH", marker.markTechValid, marker.markTech);
    row.read("GETDEVMARKER_LIFECOUNT", marker.lifeCountValid, marker.lifeCount);
    row.read("GETDEVMARKER_ONCOUNT", marker.powerOnCountValid, marker.powerOnCount);
    row.read("GETDEVMARKER_CUNIT", marker.counterUnitValid, marker.counterUnit);
    row.read("GETDEVMARKER_PCOLOR", marker.processColorantsValid, marker.processColorants);
    row.read("GETDEVMARKER_SCOLOR", marker.spotColorantsValid, marker.spotColorants);
    row.read("GETDEVMARKER_XADSS", marker.xAddressabilityValid, marker.xAddressability);
    row.read("GETDEVMARKER_YADSS", marker.yAddressabilityValid, marker.yAddressability);
    row.read("GETDEVMARKER_AUNIT", marker.addressabilityUnitValid, marker.addressabilityUnit);

    if (marker.counterUnitValid) row.convert(marker.counterUnitName, "GETDEVMARKER_CUNIT", marker.counterUnit);
    if (marker.addressabilityUnitValid) {
        row.convert(marker.addressabilityUnitName, "GETDEVMARKER_AUNIT", marker.addressabilityUnit);
        const int32_t unit = marker.addressabilityUnit;
        if (marker.xAddressabilityValid) marker.xAddressability = dotsPerUnit(marker.xAddressability, unit);
        if (marker.yAddressabilityValid) marker.yAddressability = dotsPerUnit(marker.yAddressability, unit);
    }
    if (marker.processColorantsValid && marker.spotColorantsValid) {
        marker.colorCapabilityValid = 1;
        marker.colorCapable = marker.processColorants > 1 || marker.spotColorants > 1;
    }
    if (marker.markTechValid) row.convert(marker.markTechName, "GETDEVMARKER_TECH", marker.markTech);
    return marker.markTechValid || marker.lifeCountValid || marker.powerOnCountValid || marker.counterUnitValid ||
           marker.processColorantsValid || marker.spotColorantsValid || marker.colorCapabilityValid ||
           marker.xAddressabilityValid || marker.yAddressabilityValid || marker.addressabilityUnitValid;
}

bool tonerSaveRow(RowReader& row, CodedSetting& setting)
{
    row.read("GETDEVTONERSAVE_VAL", setting.valueValid, setting.value);
    row.convert(setting.text, "GETDEVTONERSAVE_VAL", setting.value);
    return setting.valueValid;
}

bool imageAreaRow(RowReader& row, ImageAreaInfo& area)
{
    FlaggedValue* fields[] = {&area.averageCyan, &area.averageMagenta, &area.averageYellow, &area.averageBlack,
                              &area.lastCyan,    &area.lastMagenta,    &area.lastYellow,    &area.lastBlack};
    bool any = false;
    for (size_t i = 0; i < std::size(fields); ++i) {
        any |= row.read(kImageAreaKeys[i].key, fields[i]->valid, fields[i]->value);
    }
    return any;
}

bool colourCalibRow(RowReader& row, ColorCalibInfo& calibration)
{
    CalibrationValue* fields[] = {&calibration.offset, &calibration.cyan, &calibration.magenta, &calibration.yellow,
                                  &calibration.black};
    bool any = false;
    for (size_t i = 0; i < std::size(fields); ++i) {
        CalibrationValue& field = *fields[i];
        const char* key = kColourCalibKeys[i].key;
        if (!row.read(key, field.valid, field.raw)) continue;
        any = true;
        char text[256];
        field.calibrated = row.convert(text, key, field.raw) ? decimalValue(text) : field.raw;
    }
    return any;
}

}  // namespace

int32_t getDevToner(const QueryCall& call)
{
    ColorantNames colorants;
    return runRows(
        call, kTonerKeys, RequestShape::Walk,
        [&](RowReader& row) {
            TonerEntry toner;
            memset(&toner, 0, sizeof toner);
            if (tonerRow(row, toner, colorants)) call.out.produce(toner);
        },
        [&](const std::vector<ReplyRow>& rows) { colorants.rowsAre(call, rows); });
}

int32_t getDevSupplies(const QueryCall& call)
{
    return runAttributeQuery(call, kSupplyKeys, RequestShape::Walk, supplyRow);
}

int32_t getDevSupplyIndex(const QueryCall& call)
{
    return runAttributeQuery(call, kSupplyIndexKeys, RequestShape::Walk, supplyIndexRow);
}

int32_t getDevTray(const QueryCall& call)
{
    return runAttributeQuery(call, kTrayKeys, RequestShape::Walk, trayRow);
}

int32_t getDevTonerCap(const QueryCall& call)
{
    return runAttributeQuery(call, kTonerCapKeys, RequestShape::Walk, tonerCapRow);
}

int32_t getDevMarker(const QueryCall& call)
{
    return runAttributeQuery(call, kMarkerKeys, RequestShape::GetNext, markerRow);
}

int32_t getDevTonerSave(const QueryCall& call)
{
    return runAttributeQuery(call, kTonerSaveKeys, RequestShape::Get, tonerSaveRow);
}

int32_t getDevImageArea(const QueryCall& call)
{
    return runAttributeQuery(call, kImageAreaKeys, RequestShape::Get, imageAreaRow);
}

int32_t getDevColorCalib(const QueryCall& call)
{
    return runAttributeQuery(call, kColourCalibKeys, RequestShape::Get, colourCalibRow);
}

}  // namespace netrov::tessel
