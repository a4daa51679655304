// The records of the job, log, fax and scanner queries, described for the
// record schema. Job and log fields are named by the tag of the packed entry
// they come from: what a tag means is the model's business.
#include <netrov/job_records.h>
#include <netrov/tuva.h>

#include "record_schema_families.h"

namespace netrov::core {

namespace {

#define F NETROV_FIELD
#define A NETROV_FIELD_ALWAYS

constexpr FieldSchema kJobCountFields[] = {
    F(JobCount, count, valid, "count"),
};

constexpr FieldSchema kCurrentJobFields[] = {
    F(CurrentJobRecord, tag118, tag118Valid, "tag118"),
    F(CurrentJobRecord, tag200, tag200Valid, "tag200"),
    F(CurrentJobRecord, tag127, tag127Valid, "tag127"),
    F(CurrentJobRecord, tag100, tag100Valid, "tag100"),
    F(CurrentJobRecord, tag112, tag112Valid, "tag112"),
    F(CurrentJobRecord, tag114, tag114Valid, "tag114"),
    F(CurrentJobRecord, tag114Length, tag114Valid, "tag114Length"),
    F(CurrentJobRecord, tag113, tag113Valid, "tag113"),
    F(CurrentJobRecord, tag510, tag510Valid, "tag510"),
    F(CurrentJobRecord, errorType, errorTypeValid, "errorType"),
};

#define NETROV_LOG_BYTES(member, name, lengthName)                                  \
    F(LogRecord, member.bytes, member.valid, name),                                 \
        F(LogRecord, member.length, member.valid, lengthName)
constexpr FieldSchema kLogFields[] = {
    F(LogRecord, sequence, sequenceValid, "sequence"),
    F(LogRecord, tag118, tag118Valid, "tag118"),
    F(LogRecord, tag200, tag200Valid, "tag200"),
    F(LogRecord, tag127, tag127Valid, "tag127"),
    F(LogRecord, tag112, tag112Valid, "tag112"),
    F(LogRecord, tag114, tag114Valid, "tag114"),
    F(LogRecord, tag114Length, tag114Valid, "tag114Length"),
    F(LogRecord, tag113, tag113Valid, "tag113"),
    F(LogRecord, tag510, tag510Valid, "tag510"),
    F(LogRecord, tag193, tag193Valid, "tag193"),
    F(LogRecord, tag120, tag120Valid, "tag120"),
    NETROV_LOG_BYTES(bytes1, "bytes122", "bytes122Length"),
    NETROV_LOG_BYTES(bytes2, "bytes123", "bytes123Length"),
    F(LogRecord, tag144, tag144Valid, "tag144"),
    F(LogRecord, tag181, tag181Valid, "tag181"),
    F(LogRecord, tag184, tag184Valid, "tag184"),
    F(LogRecord, tag183, tag183Valid, "tag183"),
    F(LogRecord, tag187, tag187Valid, "tag187"),
    F(LogRecord, tag191, tag191Valid, "tag191"),
    F(LogRecord, notifyType, notifyTypeValid, "notificationType"),
    F(LogRecord, message, messageValid, "message"),
};
#undef NETROV_LOG_BYTES

constexpr FieldSchema kFaxChannelFields[] = {
    F(FaxChannelEntry, type, typeValid, "lineType"),
    F(FaxChannelEntry, typeText, typeValid, "lineTypeText"),
    F(FaxChannelEntry, status, statusValid, "status"),
    F(FaxChannelEntry, statusText, statusValid, "statusText"),
    F(FaxChannelEntry, sendSpeed, sendSpeedValid, "sendSpeed"),
    F(FaxChannelEntry, receiveSpeed, receiveSpeedValid, "receiveSpeed"),
    F(FaxChannelEntry, number, numberValid, "number"),
};

constexpr FieldSchema kFaxCapabilityFields[] = {
    F(FaxCapabilityEntry, text, valid, "item"),
    F(FaxCapabilityEntry, bits, valid, "bitSet"),
    A(FaxCapabilityEntry, bitNumber, "bitNumber"),
};

constexpr FieldSchema kFaxCompressionFields[] = {
    F(FaxCompressionEntry, colourMode, colourModeValid, "colourMode"),
    F(FaxCompressionEntry, text, valid, "method"),
    F(FaxCompressionEntry, bits, valid, "bitSet"),
    A(FaxCompressionEntry, bitNumber, "bitNumber"),
};

#define NETROV_CODED(Record, member, name, textName) \
    F(Record, member.value, member.valid, name), F(Record, member.text, member.valid, textName)
constexpr FieldSchema kScanFeederFields[] = {
    NETROV_CODED(ScanFeederEntry, type, "feederType", "feederTypeText"),
    NETROV_CODED(ScanFeederEntry, sizeUnit, "sizeUnit", "sizeUnitText"),
    F(ScanFeederEntry, maxSizeX, maxSizeXValid, "maximumSizeX"),
    F(ScanFeederEntry, maxSizeY, maxSizeYValid, "maximumSizeY"),
    F(ScanFeederEntry, sizeName, sizeNameValid, "sizeName"),
    F(ScanFeederEntry, capacity, capacityValid, "capacity"),
    NETROV_CODED(ScanFeederEntry, level, "level", "levelText"),
    NETROV_CODED(ScanFeederEntry, unit, "capacityUnit", "capacityUnitText"),
    NETROV_CODED(ScanFeederEntry, speedUnit, "speedUnit", "speedUnitText"),
    NETROV_CODED(ScanFeederEntry, speed, "speed", "speedText"),
    NETROV_CODED(ScanFeederEntry, duplex, "duplex", "duplexText"),
    NETROV_CODED(ScanFeederEntry, order, "pageOrder", "pageOrderText"),
    NETROV_CODED(ScanFeederEntry, status, "status", "statusText"),
};

constexpr FieldSchema kScanSensorFields[] = {
    F(ScanSensorEntry, lifeCount, lifeCountValid, "lifeCount"),
    F(ScanSensorEntry, powerOnCount, powerOnCountValid, "powerOnCount"),
    F(ScanSensorEntry, resolutionX, resolutionXValid, "resolutionX"),
    F(ScanSensorEntry, resolutionY, resolutionYValid, "resolutionY"),
    NETROV_CODED(ScanSensorEntry, resolutionUnit, "resolutionUnit", "resolutionUnitText"),
};
#undef NETROV_CODED

#undef F
#undef A

#define NETROV_RECORD(Type, fields) constexpr RecordSchema k##Type##Schema{#Type, sizeof(Type), fields}
NETROV_RECORD(JobCount, kJobCountFields);
NETROV_RECORD(CurrentJobRecord, kCurrentJobFields);
NETROV_RECORD(LogRecord, kLogFields);
NETROV_RECORD(FaxChannelEntry, kFaxChannelFields);
NETROV_RECORD(FaxCapabilityEntry, kFaxCapabilityFields);
NETROV_RECORD(FaxCompressionEntry, kFaxCompressionFields);
NETROV_RECORD(ScanFeederEntry, kScanFeederFields);
NETROV_RECORD(ScanSensorEntry, kScanSensorFields);
#undef NETROV_RECORD

// The notification parsers take a packed value instead of asking the
// device, so they are not among the device's queries.
const QuerySchema kQueries[] = {
    {"GetDevFaxChannel", &kFaxChannelEntrySchema, TUVA_GetDevFaxChannel, 4},
    {"GetDevFaxSendSize", &kFaxCapabilityEntrySchema, TUVA_GetDevFaxSendSize, 32},
    {"GetDevFaxRecvSize", &kFaxCapabilityEntrySchema, TUVA_GetDevFaxRecvSize, 32},
    {"GetDevFaxSendReso", &kFaxCapabilityEntrySchema, TUVA_GetDevFaxSendReso, 32},
    {"GetDevFaxRecvReso", &kFaxCapabilityEntrySchema, TUVA_GetDevFaxRecvReso, 32},
    {"GetDevFaxSendComp", &kFaxCompressionEntrySchema, TUVA_GetDevFaxSendComp, 32},
    {"GetDevFaxRecvComp", &kFaxCompressionEntrySchema, TUVA_GetDevFaxRecvComp, 32},
    {"GetDevScnODH", &kScanFeederEntrySchema, TUVA_GetDevScnODH, 4},
    {"GetDevScnSensor", &kScanSensorEntrySchema, TUVA_GetDevScnSensor, 4},
    {"GetDevScnColSp", &codedSettingSchema(), TUVA_GetDevScnColSp, 8},
    {"GetDevScnImage", &codedSettingSchema(), TUVA_GetDevScnImage, 8},
    {"GetCurrentJobNum", &kJobCountSchema, TUVA_GetCurrentJobNum, 1},
    {"GetJobLogNum", &kJobCountSchema, TUVA_GetJobLogNum, 1},
    {"GetFaxLogNum", &kJobCountSchema, TUVA_GetFaxLogNum, 1},
    {"GetCurrentJobInfo", &kCurrentJobRecordSchema, TUVA_GetCurrentJobInfo, 16},
    {"GetJobLogInfo", &kLogRecordSchema, TUVA_GetJobLogInfo, 64},
    {"GetFaxLogInfo", &kLogRecordSchema, TUVA_GetFaxLogInfo, 64},
};

}  // namespace

std::span<const QuerySchema> jobQuerySchemas()
{
    return kQueries;
}

}  // namespace netrov::core
