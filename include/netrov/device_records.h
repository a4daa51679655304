/* Output records of the SNMP device service's queries (fixed layouts). */
#ifndef NETROV_DEVICE_RECORDS_H
#define NETROV_DEVICE_RECORDS_H

#include <stddef.h>
#include <stdint.h>

#include "export.h"

/* Records are written into the caller's array, which the service zeroes
   first; a flag of 1 says that the value after it was read. Texts keep at
   most their size less one byte, so they stay NUL-terminated. */

/* TUVASRV_GetDevInfo: one record. */
typedef struct DeviceInfo {
    int32_t reserved0;
    uint8_t nameValid;
    char name[256];
    uint8_t locationValid;
    char location[256];
    uint8_t macAddressValid;
    uint8_t macAddress[6];
    uint8_t reserved1[3];
} DeviceInfo;

NETROV_STATIC_ASSERT(sizeof(DeviceInfo) == 528, "DeviceInfo size");
NETROV_STATIC_ASSERT(offsetof(DeviceInfo, reserved0) == 0, "reserved0");
NETROV_STATIC_ASSERT(offsetof(DeviceInfo, nameValid) == 4, "nameValid");
NETROV_STATIC_ASSERT(offsetof(DeviceInfo, name) == 5, "name");
NETROV_STATIC_ASSERT(offsetof(DeviceInfo, locationValid) == 261, "locationValid");
NETROV_STATIC_ASSERT(offsetof(DeviceInfo, location) == 262, "location");
NETROV_STATIC_ASSERT(offsetof(DeviceInfo, macAddressValid) == 518, "macAddressValid");
NETROV_STATIC_ASSERT(offsetof(DeviceInfo, macAddress) == 519, "macAddress");
NETROV_STATIC_ASSERT(offsetof(DeviceInfo, reserved1) == 525, "reserved1");

/* Simple status codes of DeviceStatus.simpleStatus. */
#define NETROV_SIMPLE_STATUS_FAILED (-1)
#define NETROV_SIMPLE_STATUS_POWERSAVE 6
#define NETROV_SIMPLE_STATUS_UNKNOWN 7

/* TUVASRV_GetDevStatus: one record per distinct alert, or one when there is
   none. A failed read gives one record with failed = 1, failureValue = 1
   and simpleStatus = -1. */
typedef struct DeviceStatus {
    int32_t reserved0;
    uint8_t failed;
    uint8_t padding0[3];
    int32_t failureValue;
    uint8_t alertGroupValid;
    uint8_t padding1[3];
    int32_t alertGroup;
    uint8_t alertIndexValid;
    uint8_t padding2[3];
    int32_t alertIndex;
    uint8_t alertCodeValid;
    uint8_t padding3[3];
    int32_t alertCode;
    uint8_t simpleStatusValid;
    uint8_t padding4[3];
    int32_t simpleStatus;  /* 1-3 ready, 4 warning, 5 error, 6 power save, 7 unknown */
} DeviceStatus;

NETROV_STATIC_ASSERT(sizeof(DeviceStatus) == 44, "DeviceStatus size");
NETROV_STATIC_ASSERT(offsetof(DeviceStatus, reserved0) == 0, "reserved0");
NETROV_STATIC_ASSERT(offsetof(DeviceStatus, failed) == 4, "failed");
NETROV_STATIC_ASSERT(offsetof(DeviceStatus, failureValue) == 8, "failureValue");
NETROV_STATIC_ASSERT(offsetof(DeviceStatus, alertGroupValid) == 12, "alertGroupValid");
NETROV_STATIC_ASSERT(offsetof(DeviceStatus, alertGroup) == 16, "alertGroup");
NETROV_STATIC_ASSERT(offsetof(DeviceStatus, alertIndexValid) == 20, "alertIndexValid");
NETROV_STATIC_ASSERT(offsetof(DeviceStatus, alertIndex) == 24, "alertIndex");
NETROV_STATIC_ASSERT(offsetof(DeviceStatus, alertCodeValid) == 28, "alertCodeValid");
NETROV_STATIC_ASSERT(offsetof(DeviceStatus, alertCode) == 32, "alertCode");
NETROV_STATIC_ASSERT(offsetof(DeviceStatus, simpleStatusValid) == 36, "simpleStatusValid");
NETROV_STATIC_ASSERT(offsetof(DeviceStatus, simpleStatus) == 40, "simpleStatus");

/* TUVASRV_GetDevErrorState: at most one record, for the first printer row.
   errorState holds hrPrinterDetectedErrorState as a number: bit 0 is the
   first octet's most significant bit (lowPaper), bit 15 the last bit of the
   second octet; octets past the second are not kept. */
typedef struct ErrorStateInfo {
    int32_t reserved0;
    uint8_t errorStateValid;
    uint8_t padding0[3];
    uint32_t errorState;
    uint8_t deviceIndexValid;
    uint8_t padding1[3];
    int32_t deviceIndex;   /* hrDeviceIndex of the printer row */
    int32_t octetCount;    /* octets the device sent, kept or not */
} ErrorStateInfo;

NETROV_STATIC_ASSERT(sizeof(ErrorStateInfo) == 24, "ErrorStateInfo size");
NETROV_STATIC_ASSERT(offsetof(ErrorStateInfo, errorStateValid) == 4, "errorStateValid");
NETROV_STATIC_ASSERT(offsetof(ErrorStateInfo, errorState) == 8, "errorState");
NETROV_STATIC_ASSERT(offsetof(ErrorStateInfo, deviceIndexValid) == 12, "deviceIndexValid");
NETROV_STATIC_ASSERT(offsetof(ErrorStateInfo, deviceIndex) == 16, "deviceIndex");
NETROV_STATIC_ASSERT(offsetof(ErrorStateInfo, octetCount) == 20, "octetCount");

/* TUVASRV_GetDevAlerts: one record per row of the printer's alert table,
   in the table's order, with what TUVASRV_GetDevStatus leaves out: the
   severity, the training level, the location and the device's own
   description. rowIndex is the row's prtAlertIndex. 320 bytes. */
typedef struct AlertEntry {
    int32_t reserved0;
    uint8_t rowIndexValid;
    uint8_t padding0[3];
    int32_t rowIndex;
    uint8_t severityValid;
    uint8_t padding1[3];
    int32_t severity;       /* PrtAlertSeverityLevelTC */
    uint8_t trainingLevelValid;
    uint8_t padding2[3];
    int32_t trainingLevel;  /* PrtAlertTrainingLevelTC */
    uint8_t groupValid;
    uint8_t padding3[3];
    int32_t group;          /* PrtAlertGroupTC */
    uint8_t groupIndexValid;
    uint8_t padding4[3];
    int32_t groupIndex;     /* the row of the group it points at */
    uint8_t locationValid;
    uint8_t padding5[3];
    int32_t location;       /* the place within that row, -1 unknown, -2 none */
    uint8_t codeValid;
    uint8_t padding6[3];
    int32_t code;           /* PrtAlertCodeTC */
    uint8_t descriptionValid;
    char description[256];  /* the device's own text, as it sent it */
    uint8_t padding7[3];
} AlertEntry;

NETROV_STATIC_ASSERT(sizeof(AlertEntry) == 320, "AlertEntry size");
NETROV_STATIC_ASSERT(offsetof(AlertEntry, rowIndexValid) == 4, "rowIndexValid");
NETROV_STATIC_ASSERT(offsetof(AlertEntry, rowIndex) == 8, "rowIndex");
NETROV_STATIC_ASSERT(offsetof(AlertEntry, severityValid) == 12, "severityValid");
NETROV_STATIC_ASSERT(offsetof(AlertEntry, severity) == 16, "severity");
NETROV_STATIC_ASSERT(offsetof(AlertEntry, trainingLevelValid) == 20, "trainingLevelValid");
NETROV_STATIC_ASSERT(offsetof(AlertEntry, trainingLevel) == 24, "trainingLevel");
NETROV_STATIC_ASSERT(offsetof(AlertEntry, groupValid) == 28, "groupValid");
NETROV_STATIC_ASSERT(offsetof(AlertEntry, group) == 32, "group");
NETROV_STATIC_ASSERT(offsetof(AlertEntry, groupIndexValid) == 36, "groupIndexValid");
NETROV_STATIC_ASSERT(offsetof(AlertEntry, groupIndex) == 40, "groupIndex");
NETROV_STATIC_ASSERT(offsetof(AlertEntry, locationValid) == 44, "locationValid");
NETROV_STATIC_ASSERT(offsetof(AlertEntry, location) == 48, "location");
NETROV_STATIC_ASSERT(offsetof(AlertEntry, codeValid) == 52, "codeValid");
NETROV_STATIC_ASSERT(offsetof(AlertEntry, code) == 56, "code");
NETROV_STATIC_ASSERT(offsetof(AlertEntry, descriptionValid) == 60, "descriptionValid");
NETROV_STATIC_ASSERT(offsetof(AlertEntry, description) == 61, "description");

/* TUVASRV_GetDevModelName writes into the DeviceIdentity itself; it only
   zeroes capacity records of this size in the caller's array. */
#define NETROV_MODEL_NAME_RECORD_SIZE 12

#endif
