// Fax and scanner units of multi-function devices: fax lines, the widths,
// resolutions and compression methods the fax sends and receives, and the
// scanner's document feeders, sensor, colour spaces and image formats.
#include <cstring>

#include "attribute_query.h"
#include "decoders.h"
#include "netrov/job_records.h"
#include "netrov/result_codes.h"
#include "queries.h"

namespace netrov::tessel {

namespace {

constexpr KeyEntry kFaxChannelKeys[] = {
    {"def", "GETDEVFAXCHANNEL_TYPE", "", kKindInteger},
    {"def", "GETDEVFAXCHANNEL_STATUS", "", kKindInteger},
    {"def", "GETDEVFAXCHANNEL_SENDSPEED", "", kKindInteger},
    {"def", "GETDEVFAXCHANNEL_RECVSPEED", "", kKindInteger},
    {"def", "GETDEVFAXCHANNEL_NUMBER", "", kKindOctets},
};

constexpr KeyEntry kFaxSendSizeKeys[] = {{"def", "GETDEVFAXSENDSIZE_FEEDX", "", kKindOctets}};
constexpr KeyEntry kFaxRecvSizeKeys[] = {{"def", "GETDEVFAXRECVSIZE_FEEDX", "", kKindOctets}};
constexpr KeyEntry kFaxSendResoKeys[] = {{"def", "GETDEVFAXSENDRESO_RESO", "", kKindOctets}};
constexpr KeyEntry kFaxRecvResoKeys[] = {{"def", "GETDEVFAXRECVRESO_RESO", "", kKindOctets}};

// One key per colour mode, in the order monochrome (1), grey (2), colour (3).
constexpr KeyEntry kFaxSendCompKeys[] = {
    {"def", "GETDEVFAXSENDCOMP_MONO", "", kKindOctets},
    {"def", "GETDEVFAXSENDCOMP_GRAY", "", kKindOctets},
    {"def", "GETDEVFAXSENDCOMP_COLOR", "", kKindOctets},
};
constexpr KeyEntry kFaxRecvCompKeys[] = {
    {"def", "GETDEVFAXRECVCOMP_MONO", "", kKindOctets},
    {"def", "GETDEVFAXRECVCOMP_GRAY", "", kKindOctets},
    {"def", "GETDEVFAXRECVCOMP_COLOR", "", kKindOctets},
};

constexpr KeyEntry kFeederKeys[] = {
    {"def", "GETDEVSCNODH_TYPE", "", kKindInteger},
    {"def", "GETDEVSCNODH_SIZEUNIT", "", kKindInteger},
    {"def", "GETDEVSCNODH_MAXFEEDX", "", kKindInteger},
    {"def", "GETDEVSCNODH_MAXFEEDY", "", kKindInteger},
    {"def", "GETDEVSCNODH_MAX", "", kKindInteger},
    {"def", "GETDEVSCNODH_LEVEL", "", kKindInteger},
    {"def", "GETDEVSCNODH_UNIT", "", kKindInteger},
    {"def", "GETDEVSCNODH_MAXSPEED", "", kKindInteger},
    {"def", "GETDEVSCNODH_SPEEDUNIT", "", kKindInteger},
    {"def", "GETDEVSCNODH_DUPLEX", "", kKindInteger},
    {"def", "GETDEVSCNODH_ORDER", "", kKindInteger},
    {"def", "GETDEVSCNODH_STATUS", "", kKindInteger},
};

constexpr KeyEntry kSensorKeys[] = {
    {"def", "GETDEVSCNSENSOR_LIFECOUNT", "", kKindUnsigned},
    {"def", "GETDEVSCNSENSOR_POWERONCOUNT", "", kKindUnsigned},
    {"def", "GETDEVSCNSENSOR_RESOUNIT", "", kKindInteger},
    {"def", "GETDEVSCNSENSOR_RESOX", "", kKindInteger},
    {"def", "GETDEVSCNSENSOR_RESOY", "", kKindInteger},
};

constexpr KeyEntry kColourSpaceKey{"def", "GETDEVSCNCOLSP_TYPE", "", kKindInteger};
constexpr KeyEntry kImageFormatKey{"def", "GETDEVSCNIMAGE_FORMAT", "", kKindInteger};

bool faxChannelRow(RowReader& row, FaxChannelEntry& line)
{
    row.read("GETDEVFAXCHANNEL_TYPE", line.typeValid, line.type);
    row.read("GETDEVFAXCHANNEL_STATUS", line.statusValid, line.status);
    row.read("GETDEVFAXCHANNEL_SENDSPEED", line.sendSpeedValid, line.sendSpeed);
    row.read("GETDEVFAXCHANNEL_RECVSPEED", line.receiveSpeedValid, line.receiveSpeed);
    line.numberValid = row.readText("GETDEVFAXCHANNEL_NUMBER", line.number);
    if (line.typeValid) row.convert(line.typeText, "GETDEVFAXCHANNEL_TYPE", line.type);
    if (line.statusValid) row.convert(line.statusText, "GETDEVFAXCHANNEL_STATUS", line.status);
    return line.numberValid || line.sendSpeedValid || line.receiveSpeedValid || line.statusValid || line.typeValid;
}

// A width, resolution or compression query: one record per set bit that
// the key's own conversion table names.
int32_t capabilityQuery(const QueryCall& call, std::span<const KeyEntry> key,
                        const std::function<void(const Capability&)>& produce)
{
    return runRows(call, key, RequestShape::Get,
                   [&](RowReader& row) { forEachCapability(row, key[0].key, produce); });
}

int32_t sizeOrResolution(const QueryCall& call, std::span<const KeyEntry> key)
{
    return capabilityQuery(call, key, [&](const Capability& item) {
        FaxCapabilityEntry entry;
        memset(&entry, 0, sizeof entry);
        entry.valid = 1;
        entry.bits = item.bits;
        memcpy(entry.text, item.text, sizeof entry.text);
        entry.bitNumber = item.bitNumber;
        call.out.produce(entry);
    });
}

// The three colour modes one after the other. A mode the device cannot
// answer is skipped; only when none of the three could be read does the
// query report why.
int32_t compression(const QueryCall& call, std::span<const KeyEntry, 3> keys)
{
    int32_t firstFailure = NETROV_OK;
    bool anyRead = false;
    for (int32_t mode = 1; mode <= 3; ++mode) {
        const int32_t result = capabilityQuery(call, keys.subspan(static_cast<size_t>(mode - 1), 1),
                                               [&](const Capability& item) {
                                                   FaxCompressionEntry entry;
                                                   memset(&entry, 0, sizeof entry);
                                                   entry.colourModeValid = 1;
                                                   entry.colourMode = mode;
                                                   entry.valid = 1;
                                                   entry.bits = item.bits;
                                                   memcpy(entry.text, item.text, sizeof entry.text);
                                                   entry.bitNumber = item.bitNumber;
                                                   call.out.produce(entry);
                                               });
        if (result == NETROV_OK)
            anyRead = true;
        else if (firstFailure == NETROV_OK)
            firstFailure = result;
    }
    return anyRead ? NETROV_OK : firstFailure;
}

bool readCoded(RowReader& row, const char* key, CodedText& field)
{
    return row.read(key, field.valid, field.value);
}

void convertCoded(const RowReader& row, const char* table, CodedText& field)
{
    if (field.valid) row.convert(field.text, table, field.value);
}

bool feederRow(RowReader& row, ScanFeederEntry& feeder)
{
    int32_t sizeX = 0;
    int32_t sizeY = 0;
    readCoded(row, "GETDEVSCNODH_TYPE", feeder.type);
    readCoded(row, "GETDEVSCNODH_SIZEUNIT", feeder.sizeUnit);
    row.read("GETDEVSCNODH_MAXFEEDX", feeder.maxSizeXValid, sizeX);
    row.read("GETDEVSCNODH_MAXFEEDY", feeder.maxSizeYValid, sizeY);
    row.read("GETDEVSCNODH_MAX", feeder.capacityValid, feeder.capacity);
    readCoded(row, "GETDEVSCNODH_LEVEL", feeder.level);
    readCoded(row, "GETDEVSCNODH_UNIT", feeder.unit);
    if (readCoded(row, "GETDEVSCNODH_MAXSPEED", feeder.speed)) feeder.speed.value /= 60;
    readCoded(row, "GETDEVSCNODH_SPEEDUNIT", feeder.speedUnit);
    readCoded(row, "GETDEVSCNODH_DUPLEX", feeder.duplex);
    readCoded(row, "GETDEVSCNODH_ORDER", feeder.order);
    readCoded(row, "GETDEVSCNODH_STATUS", feeder.status);
    feeder.maxSizeX = sizeX;
    feeder.maxSizeY = sizeY;

    convertCoded(row, "GETDEVSCNODH_TYPE", feeder.type);
    if (feeder.sizeUnit.valid) {
        const int32_t unit = feeder.sizeUnit.value;
        if (feeder.maxSizeXValid && feeder.maxSizeYValid) {
            const auto x = static_cast<int32_t>(scaleLength(feeder.maxSizeX, unit));
            const auto y = static_cast<int32_t>(scaleLength(feeder.maxSizeY, unit));
            feeder.sizeNameValid = sizeByDimensions(row, "GETDEVSCNODH_SIZE", x, y, feeder.sizeName);
            feeder.maxSizeX = scaleByUnit(feeder.maxSizeX, unit);
            feeder.maxSizeY = scaleByUnit(feeder.maxSizeY, unit);
        }
        convertCoded(row, "GETDEVSCNODH_SIZEUNIT", feeder.sizeUnit);
    }
    convertCoded(row, "GETDEVSCNODH_UNIT", feeder.unit);
    convertCoded(row, "GETDEVSCNODH_LEVEL", feeder.level);
    convertCoded(row, "GETDEVSCNODH_SPEED", feeder.speed);
    convertCoded(row, "GETDEVSCNODH_SPEEDUNIT", feeder.speedUnit);
    convertCoded(row, "GETDEVSCNODH_DUPLEX", feeder.duplex);
    convertCoded(row, "GETDEVSCNODH_ORDER", feeder.order);
    convertCoded(row, "GETDEVSCNODH_STATUS", feeder.status);
    return feeder.type.valid || feeder.sizeUnit.valid || feeder.maxSizeXValid || feeder.maxSizeYValid ||
           feeder.sizeNameValid || feeder.capacityValid || feeder.level.valid || feeder.unit.valid ||
           feeder.speedUnit.valid || feeder.speed.valid || feeder.duplex.valid || feeder.order.valid ||
           feeder.status.valid;
}

bool sensorRow(RowReader& row, ScanSensorEntry& sensor)
{
    row.read("GETDEVSCNSENSOR_LIFECOUNT", sensor.lifeCountValid, sensor.lifeCount);
    row.read("GETDEVSCNSENSOR_POWERONCOUNT", sensor.powerOnCountValid, sensor.powerOnCount);
    readCoded(row, "GETDEVSCNSENSOR_RESOUNIT", sensor.resolutionUnit);
    row.read("GETDEVSCNSENSOR_RESOX", sensor.resolutionXValid, sensor.resolutionX);
    row.read("GETDEVSCNSENSOR_RESOY", sensor.resolutionYValid, sensor.resolutionY);
    if (sensor.resolutionUnit.valid) {
        const int32_t unit = sensor.resolutionUnit.value;
        if (sensor.resolutionXValid) sensor.resolutionX = dotsPerUnit(sensor.resolutionX, unit);
        if (sensor.resolutionYValid) sensor.resolutionY = dotsPerUnit(sensor.resolutionY, unit);
        row.convert(sensor.resolutionUnit.text, "GETDEVSCNSENSOR_RUNIT", unit);
    }
    return sensor.lifeCountValid || sensor.powerOnCountValid || sensor.resolutionUnit.valid ||
           sensor.resolutionXValid || sensor.resolutionYValid;
}

// A coded setting whose text comes from the conversion table of its key.
template <const KeyEntry& Key>
bool codedRow(RowReader& row, CodedSetting& setting)
{
    if (!row.read(Key.key, setting.valueValid, setting.value)) return false;
    row.convert(setting.text, Key.key, setting.value);
    return true;
}

template <const KeyEntry& Key>
int32_t codedSettings(const QueryCall& call)
{
    return runAttributeQuery(call, std::span(&Key, 1), RequestShape::Walk, codedRow<Key>);
}

}  // namespace

int32_t getDevFaxChannel(const QueryCall& call)
{
    return runAttributeQuery(call, kFaxChannelKeys, RequestShape::Walk, faxChannelRow);
}

int32_t getDevFaxSendSize(const QueryCall& call)
{
    return sizeOrResolution(call, kFaxSendSizeKeys);
}

int32_t getDevFaxRecvSize(const QueryCall& call)
{
    return sizeOrResolution(call, kFaxRecvSizeKeys);
}

int32_t getDevFaxSendReso(const QueryCall& call)
{
    return sizeOrResolution(call, kFaxSendResoKeys);
}

int32_t getDevFaxRecvReso(const QueryCall& call)
{
    return sizeOrResolution(call, kFaxRecvResoKeys);
}

int32_t getDevFaxSendComp(const QueryCall& call)
{
    return compression(call, kFaxSendCompKeys);
}

int32_t getDevFaxRecvComp(const QueryCall& call)
{
    return compression(call, kFaxRecvCompKeys);
}

int32_t getDevScnODH(const QueryCall& call)
{
    return runAttributeQuery(call, kFeederKeys, RequestShape::Walk, feederRow);
}

int32_t getDevScnSensor(const QueryCall& call)
{
    return runAttributeQuery(call, kSensorKeys, RequestShape::Walk, sensorRow);
}

int32_t getDevScnColSp(const QueryCall& call)
{
    return codedSettings<kColourSpaceKey>(call);
}

int32_t getDevScnImage(const QueryCall& call)
{
    return codedSettings<kImageFormatKey>(call);
}

}  // namespace netrov::tessel
