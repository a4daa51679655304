/* Output records of the job and log queries (current jobs, job log, fax
   log, job and fax notifications) and of the fax and scanner capability
   queries (fixed layouts). */
#ifndef NETROV_JOB_RECORDS_H
#define NETROV_JOB_RECORDS_H

#include <stddef.h>
#include <stdint.h>

#include "export.h"

/* Every record begins with 4 reserved bytes. A flag of 1 says that the value
   after it was read; an absent value is 0. Texts always end in a NUL byte.
   Padding is spelled out, so the layout is the same for every compiler and
   word size (the two argument records, which hold a pointer, excepted). */

/* TUVASRV_GetCurrentJobNum, TUVASRV_GetJobLogNum, TUVASRV_GetFaxLogNum:
   at most one. */
typedef struct JobCount {
    int32_t reserved0;
    int32_t valid;
    int32_t count;
} JobCount;

NETROV_STATIC_ASSERT(sizeof(JobCount) == 12, "JobCount size");
NETROV_STATIC_ASSERT(offsetof(JobCount, valid) == 4, "valid");
NETROV_STATIC_ASSERT(offsetof(JobCount, count) == 8, "count");

/* TUVASRV_GetCurrentJobInfo (one per current job) and
   TUVASRV_ParseCurrentJobInfo (one per notification). Field names carry the
   tag of the packed entry they come from. */
typedef struct CurrentJobRecord {
    int32_t reserved0;
    uint8_t tag118Valid;
    uint8_t padding0[3];
    int32_t tag118;
    uint8_t tag200Valid;
    uint8_t padding1[3];
    int32_t tag200;
    uint8_t tag127Valid; /* always 1 in an unpacked record (see the default) */
    uint8_t padding2[3];
    int32_t tag127;      /* 0 from the device: the caller's default instead */
    uint8_t tag100Valid;
    uint8_t padding3[3];
    int32_t tag100;
    uint8_t tag112Valid;
    char tag112[128];
    uint8_t tag114Valid;
    char tag114[64];
    uint8_t padding4[2];
    int32_t tag114Length; /* the whole value's length, however much was kept */
    uint8_t tag113Valid;
    char tag113[128];
    uint8_t tag510Valid;
    uint8_t padding5[2];
    int32_t tag510;       /* least significant byte first on the wire */
    uint8_t reservedFlag;
    uint8_t padding6[19];
    uint8_t errorTypeValid;
    uint8_t padding7[3];
    int32_t errorType;    /* conversion CURRENTJOBINFO_ERRTYPE of tag 127 */
    uint8_t reservedTail[260];
} CurrentJobRecord;

NETROV_STATIC_ASSERT(sizeof(CurrentJobRecord) == 660, "CurrentJobRecord size");
NETROV_STATIC_ASSERT(offsetof(CurrentJobRecord, tag118Valid) == 4, "tag118Valid");
NETROV_STATIC_ASSERT(offsetof(CurrentJobRecord, tag118) == 8, "tag118");
NETROV_STATIC_ASSERT(offsetof(CurrentJobRecord, tag200Valid) == 12, "tag200Valid");
NETROV_STATIC_ASSERT(offsetof(CurrentJobRecord, tag200) == 16, "tag200");
NETROV_STATIC_ASSERT(offsetof(CurrentJobRecord, tag127Valid) == 20, "tag127Valid");
NETROV_STATIC_ASSERT(offsetof(CurrentJobRecord, tag127) == 24, "tag127");
NETROV_STATIC_ASSERT(offsetof(CurrentJobRecord, tag100Valid) == 28, "tag100Valid");
NETROV_STATIC_ASSERT(offsetof(CurrentJobRecord, tag100) == 32, "tag100");
NETROV_STATIC_ASSERT(offsetof(CurrentJobRecord, tag112Valid) == 36, "tag112Valid");
NETROV_STATIC_ASSERT(offsetof(CurrentJobRecord, tag112) == 37, "tag112");
NETROV_STATIC_ASSERT(offsetof(CurrentJobRecord, tag114Valid) == 165, "tag114Valid");
NETROV_STATIC_ASSERT(offsetof(CurrentJobRecord, tag114) == 166, "tag114");
NETROV_STATIC_ASSERT(offsetof(CurrentJobRecord, tag114Length) == 232, "tag114Length");
NETROV_STATIC_ASSERT(offsetof(CurrentJobRecord, tag113Valid) == 236, "tag113Valid");
NETROV_STATIC_ASSERT(offsetof(CurrentJobRecord, tag113) == 237, "tag113");
NETROV_STATIC_ASSERT(offsetof(CurrentJobRecord, tag510Valid) == 365, "tag510Valid");
NETROV_STATIC_ASSERT(offsetof(CurrentJobRecord, tag510) == 368, "tag510");
NETROV_STATIC_ASSERT(offsetof(CurrentJobRecord, reservedFlag) == 372, "reservedFlag");
NETROV_STATIC_ASSERT(offsetof(CurrentJobRecord, errorTypeValid) == 392, "errorTypeValid");
NETROV_STATIC_ASSERT(offsetof(CurrentJobRecord, errorType) == 396, "errorType");

/* Raw bytes of a log entry: at most 32 kept, length says how many. */
typedef struct LogBytes {
    uint8_t valid;
    uint8_t padding0[3];
    int32_t length;
    uint8_t bytes[32];
} LogBytes;

NETROV_STATIC_ASSERT(sizeof(LogBytes) == 40, "LogBytes size");

/* TUVASRV_GetJobLogInfo, TUVASRV_GetFaxLogInfo (one per log entry) and
   TUVASRV_ParseJobLogInfo, TUVASRV_ParseFaxLogInfo (one per notification). */
typedef struct LogRecord {
    int32_t reserved0;
    uint8_t tag118Valid;
    uint8_t padding0[3];
    int32_t tag118;
    uint8_t tag200Valid; /* always 1 in an unpacked record (see the default) */
    uint8_t padding1[3];
    int32_t tag200;      /* 0 from the device: the caller's default instead */
    uint8_t tag127Valid;
    uint8_t padding2[3];
    int32_t tag127;
    uint8_t tag112Valid;
    char tag112[128];
    uint8_t tag114Valid;
    char tag114[64];
    uint8_t padding3[2];
    int32_t tag114Length;
    uint8_t tag113Valid;
    char tag113[128];
    uint8_t tag510Valid;
    uint8_t padding4[2];
    int32_t tag510;
    uint8_t reservedFlag;
    uint8_t padding5[19];
    uint8_t sequenceValid;
    uint8_t padding6[3];
    int32_t sequence;     /* tag 192: the entry's sequence identifier */
    uint8_t tag193Valid;
    uint8_t padding7[3];
    int32_t tag193;
    uint8_t tag120Valid;
    uint8_t padding8[3];
    int32_t tag120;
    LogBytes bytes1;      /* tag 122 or 195 */
    LogBytes bytes2;      /* tag 123 or 196 */
    uint8_t tag144Valid;
    uint8_t padding9[3];
    int32_t tag144;
    uint8_t tag181Valid;
    uint8_t padding10[3];
    int32_t tag181;
    uint8_t tag184Valid;
    uint8_t padding11[3];
    int32_t tag184;       /* tag 184 or 189 */
    uint8_t tag183Valid;
    uint8_t padding12[3];
    int32_t tag183;       /* tag 183 or 188 */
    uint8_t tag187Valid;
    char tag187[128];
    uint8_t tag191Valid;
    uint8_t padding13[2];
    int32_t tag191;
    uint8_t notifyTypeValid;
    uint8_t padding14[3];
    int32_t notifyType;   /* conversion LOGINFO_NOTIFYTYPE */
    uint8_t messageValid;
    char message[256];    /* conversion LOGINFO_MSG */
    uint8_t padding15[3];
} LogRecord;

NETROV_STATIC_ASSERT(sizeof(LogRecord) == 924, "LogRecord size");
NETROV_STATIC_ASSERT(offsetof(LogRecord, tag118Valid) == 4, "tag118Valid");
NETROV_STATIC_ASSERT(offsetof(LogRecord, tag118) == 8, "tag118");
NETROV_STATIC_ASSERT(offsetof(LogRecord, tag200Valid) == 12, "tag200Valid");
NETROV_STATIC_ASSERT(offsetof(LogRecord, tag200) == 16, "tag200");
NETROV_STATIC_ASSERT(offsetof(LogRecord, tag127Valid) == 20, "tag127Valid");
NETROV_STATIC_ASSERT(offsetof(LogRecord, tag127) == 24, "tag127");
NETROV_STATIC_ASSERT(offsetof(LogRecord, tag112Valid) == 28, "tag112Valid");
NETROV_STATIC_ASSERT(offsetof(LogRecord, tag112) == 29, "tag112");
NETROV_STATIC_ASSERT(offsetof(LogRecord, tag114Valid) == 157, "tag114Valid");
NETROV_STATIC_ASSERT(offsetof(LogRecord, tag114) == 158, "tag114");
NETROV_STATIC_ASSERT(offsetof(LogRecord, tag114Length) == 224, "tag114Length");
NETROV_STATIC_ASSERT(offsetof(LogRecord, tag113Valid) == 228, "tag113Valid");
NETROV_STATIC_ASSERT(offsetof(LogRecord, tag113) == 229, "tag113");
NETROV_STATIC_ASSERT(offsetof(LogRecord, tag510Valid) == 357, "tag510Valid");
NETROV_STATIC_ASSERT(offsetof(LogRecord, tag510) == 360, "tag510");
NETROV_STATIC_ASSERT(offsetof(LogRecord, reservedFlag) == 364, "reservedFlag");
NETROV_STATIC_ASSERT(offsetof(LogRecord, sequenceValid) == 384, "sequenceValid");
NETROV_STATIC_ASSERT(offsetof(LogRecord, sequence) == 388, "sequence");
NETROV_STATIC_ASSERT(offsetof(LogRecord, tag193Valid) == 392, "tag193Valid");
NETROV_STATIC_ASSERT(offsetof(LogRecord, tag193) == 396, "tag193");
NETROV_STATIC_ASSERT(offsetof(LogRecord, tag120Valid) == 400, "tag120Valid");
NETROV_STATIC_ASSERT(offsetof(LogRecord, tag120) == 404, "tag120");
NETROV_STATIC_ASSERT(offsetof(LogRecord, bytes1) == 408, "bytes1");
NETROV_STATIC_ASSERT(offsetof(LogRecord, bytes1.length) == 412, "bytes1.length");
NETROV_STATIC_ASSERT(offsetof(LogRecord, bytes1.bytes) == 416, "bytes1.bytes");
NETROV_STATIC_ASSERT(offsetof(LogRecord, bytes2) == 448, "bytes2");
NETROV_STATIC_ASSERT(offsetof(LogRecord, tag144Valid) == 488, "tag144Valid");
NETROV_STATIC_ASSERT(offsetof(LogRecord, tag144) == 492, "tag144");
NETROV_STATIC_ASSERT(offsetof(LogRecord, tag181Valid) == 496, "tag181Valid");
NETROV_STATIC_ASSERT(offsetof(LogRecord, tag181) == 500, "tag181");
NETROV_STATIC_ASSERT(offsetof(LogRecord, tag184Valid) == 504, "tag184Valid");
NETROV_STATIC_ASSERT(offsetof(LogRecord, tag184) == 508, "tag184");
NETROV_STATIC_ASSERT(offsetof(LogRecord, tag183Valid) == 512, "tag183Valid");
NETROV_STATIC_ASSERT(offsetof(LogRecord, tag183) == 516, "tag183");
NETROV_STATIC_ASSERT(offsetof(LogRecord, tag187Valid) == 520, "tag187Valid");
NETROV_STATIC_ASSERT(offsetof(LogRecord, tag187) == 521, "tag187");
NETROV_STATIC_ASSERT(offsetof(LogRecord, tag191Valid) == 649, "tag191Valid");
NETROV_STATIC_ASSERT(offsetof(LogRecord, tag191) == 652, "tag191");
NETROV_STATIC_ASSERT(offsetof(LogRecord, notifyTypeValid) == 656, "notifyTypeValid");
NETROV_STATIC_ASSERT(offsetof(LogRecord, notifyType) == 660, "notifyType");
NETROV_STATIC_ASSERT(offsetof(LogRecord, messageValid) == 664, "messageValid");
NETROV_STATIC_ASSERT(offsetof(LogRecord, message) == 665, "message");

/* Argument 2 of TUVASRV_GetJobLogInfo and TUVASRV_GetFaxLogInfo: entries
   from this sequence identifier on are wanted (rows a little before it may
   come too). Without one the whole log is read. */
typedef struct LogPosition {
    int32_t reserved0;
    uint32_t firstSequence;
} LogPosition;

NETROV_STATIC_ASSERT(sizeof(LogPosition) == 8, "LogPosition size");
NETROV_STATIC_ASSERT(offsetof(LogPosition, firstSequence) == 4, "firstSequence");

/* Argument 2 of the TUVASRV_Parse... entry points: a packed value received
   by other means (a notification). */
typedef struct JobTrapValue {
    int32_t reserved0;
    const uint8_t* value;
    int32_t length;
    int32_t defaultValue; /* for tag 127 (current job) or tag 200 (logs) when 0 */
} JobTrapValue;

NETROV_STATIC_ASSERT(offsetof(JobTrapValue, value) == sizeof(void*), "value");
NETROV_STATIC_ASSERT(offsetof(JobTrapValue, length) == 2 * sizeof(void*), "length");
NETROV_STATIC_ASSERT(offsetof(JobTrapValue, defaultValue) == 2 * sizeof(void*) + 4, "defaultValue");

/* TUVASRV_GetDevFaxChannel: one per fax line. */
typedef struct FaxChannelEntry {
    int32_t reserved0;
    uint8_t typeValid;
    uint8_t padding0[3];
    int32_t type;
    char typeText[256];
    uint8_t statusValid;
    uint8_t padding1[3];
    int32_t status;
    char statusText[256];
    uint8_t sendSpeedValid;
    uint8_t padding2[3];
    int32_t sendSpeed;
    uint8_t receiveSpeedValid;
    uint8_t padding3[3];
    int32_t receiveSpeed;
    uint8_t numberValid;
    char number[256];
    uint8_t padding4[3];
} FaxChannelEntry;

NETROV_STATIC_ASSERT(sizeof(FaxChannelEntry) == 808, "FaxChannelEntry size");
NETROV_STATIC_ASSERT(offsetof(FaxChannelEntry, typeValid) == 4, "typeValid");
NETROV_STATIC_ASSERT(offsetof(FaxChannelEntry, type) == 8, "type");
NETROV_STATIC_ASSERT(offsetof(FaxChannelEntry, typeText) == 12, "typeText");
NETROV_STATIC_ASSERT(offsetof(FaxChannelEntry, statusValid) == 268, "statusValid");
NETROV_STATIC_ASSERT(offsetof(FaxChannelEntry, status) == 272, "status");
NETROV_STATIC_ASSERT(offsetof(FaxChannelEntry, statusText) == 276, "statusText");
NETROV_STATIC_ASSERT(offsetof(FaxChannelEntry, sendSpeedValid) == 532, "sendSpeedValid");
NETROV_STATIC_ASSERT(offsetof(FaxChannelEntry, sendSpeed) == 536, "sendSpeed");
NETROV_STATIC_ASSERT(offsetof(FaxChannelEntry, receiveSpeedValid) == 540, "receiveSpeedValid");
NETROV_STATIC_ASSERT(offsetof(FaxChannelEntry, receiveSpeed) == 544, "receiveSpeed");
NETROV_STATIC_ASSERT(offsetof(FaxChannelEntry, numberValid) == 548, "numberValid");
NETROV_STATIC_ASSERT(offsetof(FaxChannelEntry, number) == 549, "number");

/* TUVASRV_GetDevFaxSendSize, ...RecvSize, ...SendReso, ...RecvReso: one per
   supported paper width or resolution that the model's document names.
   Bit 0 is the most significant bit of the device's first byte. */
typedef struct FaxCapabilityEntry {
    int32_t reserved0;
    uint8_t valid;
    uint8_t padding0[3];
    uint32_t bits;      /* the whole bit set, first byte most significant */
    char text[256];
    int32_t bitNumber;  /* 0 to 31 */
} FaxCapabilityEntry;

NETROV_STATIC_ASSERT(sizeof(FaxCapabilityEntry) == 272, "FaxCapabilityEntry size");
NETROV_STATIC_ASSERT(offsetof(FaxCapabilityEntry, valid) == 4, "valid");
NETROV_STATIC_ASSERT(offsetof(FaxCapabilityEntry, bits) == 8, "bits");
NETROV_STATIC_ASSERT(offsetof(FaxCapabilityEntry, text) == 12, "text");
NETROV_STATIC_ASSERT(offsetof(FaxCapabilityEntry, bitNumber) == 268, "bitNumber");

/* TUVASRV_GetDevFaxSendComp, ...RecvComp: one per supported compression
   method and colour mode (1 monochrome, 2 grey, 3 colour). */
typedef struct FaxCompressionEntry {
    int32_t reserved0;
    uint8_t colourModeValid;
    uint8_t padding0[3];
    int32_t colourMode;
    uint8_t valid;
    uint8_t padding1[3];
    uint32_t bits;
    char text[256];
    int32_t bitNumber;
} FaxCompressionEntry;

NETROV_STATIC_ASSERT(sizeof(FaxCompressionEntry) == 280, "FaxCompressionEntry size");
NETROV_STATIC_ASSERT(offsetof(FaxCompressionEntry, colourModeValid) == 4, "colourModeValid");
NETROV_STATIC_ASSERT(offsetof(FaxCompressionEntry, colourMode) == 8, "colourMode");
NETROV_STATIC_ASSERT(offsetof(FaxCompressionEntry, valid) == 12, "valid");
NETROV_STATIC_ASSERT(offsetof(FaxCompressionEntry, bits) == 16, "bits");
NETROV_STATIC_ASSERT(offsetof(FaxCompressionEntry, text) == 20, "text");
NETROV_STATIC_ASSERT(offsetof(FaxCompressionEntry, bitNumber) == 276, "bitNumber");

/* A coded value with its display text. */
typedef struct CodedText {
    uint8_t valid;
    uint8_t padding0[3];
    int32_t value;
    char text[256];
} CodedText;

NETROV_STATIC_ASSERT(sizeof(CodedText) == 264, "CodedText size");

/* TUVASRV_GetDevScnODH: one per document feeder. Sizes are in inches
   (unit 3), millimetres (4) or as the unit code says. */
typedef struct ScanFeederEntry {
    int32_t reserved0;
    CodedText type;
    CodedText sizeUnit;
    uint8_t maxSizeXValid;
    uint8_t padding0[3];
    double maxSizeX;
    uint8_t maxSizeYValid;
    uint8_t padding1[7];
    double maxSizeY;
    uint8_t sizeNameValid;
    char sizeName[256];
    uint8_t capacityValid;
    uint8_t padding2[2];
    int32_t capacity;
    CodedText level;
    CodedText unit;
    CodedText speedUnit;
    CodedText speed;      /* pages per minute: the device's value / 60 */
    CodedText duplex;
    CodedText order;
    CodedText status;
} ScanFeederEntry;

NETROV_STATIC_ASSERT(sizeof(ScanFeederEntry) == 2672, "ScanFeederEntry size");
NETROV_STATIC_ASSERT(offsetof(ScanFeederEntry, type) == 4, "type");
NETROV_STATIC_ASSERT(offsetof(ScanFeederEntry, type.value) == 8, "type.value");
NETROV_STATIC_ASSERT(offsetof(ScanFeederEntry, type.text) == 12, "type.text");
NETROV_STATIC_ASSERT(offsetof(ScanFeederEntry, sizeUnit) == 268, "sizeUnit");
NETROV_STATIC_ASSERT(offsetof(ScanFeederEntry, maxSizeXValid) == 532, "maxSizeXValid");
NETROV_STATIC_ASSERT(offsetof(ScanFeederEntry, maxSizeX) == 536, "maxSizeX");
NETROV_STATIC_ASSERT(offsetof(ScanFeederEntry, maxSizeYValid) == 544, "maxSizeYValid");
NETROV_STATIC_ASSERT(offsetof(ScanFeederEntry, maxSizeY) == 552, "maxSizeY");
NETROV_STATIC_ASSERT(offsetof(ScanFeederEntry, sizeNameValid) == 560, "sizeNameValid");
NETROV_STATIC_ASSERT(offsetof(ScanFeederEntry, sizeName) == 561, "sizeName");
NETROV_STATIC_ASSERT(offsetof(ScanFeederEntry, capacityValid) == 817, "capacityValid");
NETROV_STATIC_ASSERT(offsetof(ScanFeederEntry, capacity) == 820, "capacity");
NETROV_STATIC_ASSERT(offsetof(ScanFeederEntry, level) == 824, "level");
NETROV_STATIC_ASSERT(offsetof(ScanFeederEntry, unit) == 1088, "unit");
NETROV_STATIC_ASSERT(offsetof(ScanFeederEntry, speedUnit) == 1352, "speedUnit");
NETROV_STATIC_ASSERT(offsetof(ScanFeederEntry, speed) == 1616, "speed");
NETROV_STATIC_ASSERT(offsetof(ScanFeederEntry, duplex) == 1880, "duplex");
NETROV_STATIC_ASSERT(offsetof(ScanFeederEntry, order) == 2144, "order");
NETROV_STATIC_ASSERT(offsetof(ScanFeederEntry, status) == 2408, "status");
NETROV_STATIC_ASSERT(offsetof(ScanFeederEntry, status.text) == 2416, "status.text");

/* TUVASRV_GetDevScnSensor: one per sensor. Resolutions in dots per unit
   length of the resolution unit. */
typedef struct ScanSensorEntry {
    int32_t reserved0;
    uint8_t lifeCountValid;
    uint8_t padding0[3];
    uint32_t lifeCount;
    uint8_t powerOnCountValid;
    uint8_t padding1[3];
    uint32_t powerOnCount;
    uint8_t resolutionXValid;
    uint8_t padding2[3];
    int32_t resolutionX;
    uint8_t resolutionYValid;
    uint8_t padding3[3];
    int32_t resolutionY;
    CodedText resolutionUnit;
} ScanSensorEntry;

NETROV_STATIC_ASSERT(sizeof(ScanSensorEntry) == 300, "ScanSensorEntry size");
NETROV_STATIC_ASSERT(offsetof(ScanSensorEntry, lifeCountValid) == 4, "lifeCountValid");
NETROV_STATIC_ASSERT(offsetof(ScanSensorEntry, lifeCount) == 8, "lifeCount");
NETROV_STATIC_ASSERT(offsetof(ScanSensorEntry, powerOnCountValid) == 12, "powerOnCountValid");
NETROV_STATIC_ASSERT(offsetof(ScanSensorEntry, powerOnCount) == 16, "powerOnCount");
NETROV_STATIC_ASSERT(offsetof(ScanSensorEntry, resolutionXValid) == 20, "resolutionXValid");
NETROV_STATIC_ASSERT(offsetof(ScanSensorEntry, resolutionX) == 24, "resolutionX");
NETROV_STATIC_ASSERT(offsetof(ScanSensorEntry, resolutionYValid) == 28, "resolutionYValid");
NETROV_STATIC_ASSERT(offsetof(ScanSensorEntry, resolutionY) == 32, "resolutionY");
NETROV_STATIC_ASSERT(offsetof(ScanSensorEntry, resolutionUnit) == 36, "resolutionUnit");
NETROV_STATIC_ASSERT(offsetof(ScanSensorEntry, resolutionUnit.text) == 44, "resolutionUnit.text");

/* Colour spaces and image formats of the scanner are CodedSetting records
   (consumable_records.h). */

#endif
