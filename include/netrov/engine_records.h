/* Output records of the engine and configuration queries: counters,
   firmware versions, panel language, interpreters, finisher, speed, power
   save, storage and memory, panel settings, serial number, panel messages
   and service information (fixed layouts). The coded settings (duplex unit,
   orientation, wide A4) use CodedSetting of consumable_records.h; the option
   values use OptionValue of option_value.h. */
#ifndef NETROV_ENGINE_RECORDS_H
#define NETROV_ENGINE_RECORDS_H

#include <stddef.h>
#include <stdint.h>

#include "export.h"

/* Every record begins with 4 reserved bytes. A flag of 1 says that the value
   after it was read; an absent value is 0. Texts are 256-byte fields that
   always end in a NUL byte. Padding is spelled out. */

/* Counter types of the page counters; other types are the device's codes. */
#define NETROV_COUNTER_MONO 1000
#define NETROV_COUNTER_COLOR 1001
#define NETROV_COUNTER_SIMPLEX_MONO 1002
#define NETROV_COUNTER_SIMPLEX_COLOR 1003

/* TUVASRV_GetDevCounter: one per page counter and counter table row. */
typedef struct CounterEntry {
    int32_t reserved0;
    uint8_t typeValid;
    uint8_t padding0[3];
    int32_t type;
    char typeName[256];
    char unitName[256];
    uint8_t levelValid;
    uint8_t padding1[3];
    int32_t level;
    uint8_t maximumValid;
    uint8_t padding2[3];
    int32_t maximum;
    uint8_t rollOverValid;
    uint8_t padding3[3];
    int32_t rollOver;
    uint8_t counterClassValid;
    uint8_t padding4[3];
    int32_t counterClass;
} CounterEntry;

NETROV_STATIC_ASSERT(sizeof(CounterEntry) == 556, "CounterEntry size");
NETROV_STATIC_ASSERT(offsetof(CounterEntry, typeValid) == 4, "typeValid");
NETROV_STATIC_ASSERT(offsetof(CounterEntry, type) == 8, "type");
NETROV_STATIC_ASSERT(offsetof(CounterEntry, typeName) == 12, "typeName");
NETROV_STATIC_ASSERT(offsetof(CounterEntry, unitName) == 268, "unitName");
NETROV_STATIC_ASSERT(offsetof(CounterEntry, levelValid) == 524, "levelValid");
NETROV_STATIC_ASSERT(offsetof(CounterEntry, level) == 528, "level");
NETROV_STATIC_ASSERT(offsetof(CounterEntry, maximumValid) == 532, "maximumValid");
NETROV_STATIC_ASSERT(offsetof(CounterEntry, maximum) == 536, "maximum");
NETROV_STATIC_ASSERT(offsetof(CounterEntry, rollOverValid) == 540, "rollOverValid");
NETROV_STATIC_ASSERT(offsetof(CounterEntry, rollOver) == 544, "rollOver");
NETROV_STATIC_ASSERT(offsetof(CounterEntry, counterClassValid) == 548, "counterClassValid");
NETROV_STATIC_ASSERT(offsetof(CounterEntry, counterClass) == 552, "counterClass");

/* Version types of the controller and engine firmware; other types are the
   device's codes. */
#define NETROV_VERSION_CONTROLLER 3
#define NETROV_VERSION_ENGINE 4

/* TUVASRV_GetDevVersion: one per firmware or component version. */
typedef struct VersionEntry {
    int32_t reserved0;
    uint8_t typeValid;
    uint8_t padding0[3];
    int32_t type;
    char typeName[256];
    uint8_t versionValid;
    char version[256];
    uint8_t numberValid;
    char number[256];
    uint8_t padding1[2];
} VersionEntry;

NETROV_STATIC_ASSERT(sizeof(VersionEntry) == 784, "VersionEntry size");
NETROV_STATIC_ASSERT(offsetof(VersionEntry, typeValid) == 4, "typeValid");
NETROV_STATIC_ASSERT(offsetof(VersionEntry, type) == 8, "type");
NETROV_STATIC_ASSERT(offsetof(VersionEntry, typeName) == 12, "typeName");
NETROV_STATIC_ASSERT(offsetof(VersionEntry, versionValid) == 268, "versionValid");
NETROV_STATIC_ASSERT(offsetof(VersionEntry, version) == 269, "version");
NETROV_STATIC_ASSERT(offsetof(VersionEntry, numberValid) == 525, "numberValid");
NETROV_STATIC_ASSERT(offsetof(VersionEntry, number) == 526, "number");

/* TUVASRV_GetDevLang: the current panel language, one record. */
typedef struct LanguageInfo {
    int32_t reserved0;
    uint8_t indexValid;
    uint8_t padding0[3];
    int32_t index;
    uint8_t languageValid;
    char language[256];
    uint8_t countryValid;
    char country[256];
    uint8_t displayNameValid;
    char displayName[256];
    uint8_t padding1[1];
} LanguageInfo;

NETROV_STATIC_ASSERT(sizeof(LanguageInfo) == 784, "LanguageInfo size");
NETROV_STATIC_ASSERT(offsetof(LanguageInfo, indexValid) == 4, "indexValid");
NETROV_STATIC_ASSERT(offsetof(LanguageInfo, index) == 8, "index");
NETROV_STATIC_ASSERT(offsetof(LanguageInfo, languageValid) == 12, "languageValid");
NETROV_STATIC_ASSERT(offsetof(LanguageInfo, language) == 13, "language");
NETROV_STATIC_ASSERT(offsetof(LanguageInfo, countryValid) == 269, "countryValid");
NETROV_STATIC_ASSERT(offsetof(LanguageInfo, country) == 270, "country");
NETROV_STATIC_ASSERT(offsetof(LanguageInfo, displayNameValid) == 526, "displayNameValid");
NETROV_STATIC_ASSERT(offsetof(LanguageInfo, displayName) == 527, "displayName");

/* TUVASRV_GetDevInterpreter: one per page description language. */
typedef struct InterpreterEntry {
    int32_t reserved0;
    uint8_t familyValid;
    uint8_t padding0[3];
    int32_t family;
    uint8_t nameValid;
    char name[256];
    uint8_t levelValid;
    char level[256];
    uint8_t versionValid;
    char version[256];
    uint8_t padding1[1];
} InterpreterEntry;

NETROV_STATIC_ASSERT(sizeof(InterpreterEntry) == 784, "InterpreterEntry size");
NETROV_STATIC_ASSERT(offsetof(InterpreterEntry, familyValid) == 4, "familyValid");
NETROV_STATIC_ASSERT(offsetof(InterpreterEntry, family) == 8, "family");
NETROV_STATIC_ASSERT(offsetof(InterpreterEntry, nameValid) == 12, "nameValid");
NETROV_STATIC_ASSERT(offsetof(InterpreterEntry, name) == 13, "name");
NETROV_STATIC_ASSERT(offsetof(InterpreterEntry, levelValid) == 269, "levelValid");
NETROV_STATIC_ASSERT(offsetof(InterpreterEntry, level) == 270, "level");
NETROV_STATIC_ASSERT(offsetof(InterpreterEntry, versionValid) == 526, "versionValid");
NETROV_STATIC_ASSERT(offsetof(InterpreterEntry, version) == 527, "version");

/* TUVASRV_GetDevFinInfo: the finisher, one record. Each capability is 0 or 1. */
typedef struct FinisherInfo {
    int32_t reserved0;
    uint8_t descriptionValid;
    char description[256];
    uint8_t statusValid;
    uint8_t padding0[2];
    int32_t status;
    char statusText[256];
    uint8_t stapleValid;
    uint8_t padding1[3];
    int32_t stapleCapable;
    uint8_t shiftValid;
    uint8_t padding2[3];
    int32_t shiftCapable;
    uint8_t punchValid;
    uint8_t padding3[3];
    int32_t punchCapable;
    uint8_t foldValid;
    uint8_t padding4[3];
    int32_t foldCapable;
    uint8_t stitchValid;
    uint8_t padding5[3];
    int32_t stitchCapable;
} FinisherInfo;

NETROV_STATIC_ASSERT(sizeof(FinisherInfo) == 564, "FinisherInfo size");
NETROV_STATIC_ASSERT(offsetof(FinisherInfo, descriptionValid) == 4, "descriptionValid");
NETROV_STATIC_ASSERT(offsetof(FinisherInfo, description) == 5, "description");
NETROV_STATIC_ASSERT(offsetof(FinisherInfo, statusValid) == 261, "statusValid");
NETROV_STATIC_ASSERT(offsetof(FinisherInfo, status) == 264, "status");
NETROV_STATIC_ASSERT(offsetof(FinisherInfo, statusText) == 268, "statusText");
NETROV_STATIC_ASSERT(offsetof(FinisherInfo, stapleValid) == 524, "stapleValid");
NETROV_STATIC_ASSERT(offsetof(FinisherInfo, stapleCapable) == 528, "stapleCapable");
NETROV_STATIC_ASSERT(offsetof(FinisherInfo, shiftValid) == 532, "shiftValid");
NETROV_STATIC_ASSERT(offsetof(FinisherInfo, shiftCapable) == 536, "shiftCapable");
NETROV_STATIC_ASSERT(offsetof(FinisherInfo, punchValid) == 540, "punchValid");
NETROV_STATIC_ASSERT(offsetof(FinisherInfo, punchCapable) == 544, "punchCapable");
NETROV_STATIC_ASSERT(offsetof(FinisherInfo, foldValid) == 548, "foldValid");
NETROV_STATIC_ASSERT(offsetof(FinisherInfo, foldCapable) == 552, "foldCapable");
NETROV_STATIC_ASSERT(offsetof(FinisherInfo, stitchValid) == 556, "stitchValid");
NETROV_STATIC_ASSERT(offsetof(FinisherInfo, stitchCapable) == 560, "stitchCapable");

/* TUVASRV_GetDevSpeed: the engine's top speed per minute, one record. */
typedef struct SpeedInfo {
    int32_t reserved0;
    uint8_t speedValid;
    uint8_t padding0[3];
    int32_t speed;
    uint8_t unitValid;
    uint8_t padding1[3];
    int32_t unit;
    char unitText[256];
} SpeedInfo;

NETROV_STATIC_ASSERT(sizeof(SpeedInfo) == 276, "SpeedInfo size");
NETROV_STATIC_ASSERT(offsetof(SpeedInfo, speedValid) == 4, "speedValid");
NETROV_STATIC_ASSERT(offsetof(SpeedInfo, speed) == 8, "speed");
NETROV_STATIC_ASSERT(offsetof(SpeedInfo, unitValid) == 12, "unitValid");
NETROV_STATIC_ASSERT(offsetof(SpeedInfo, unit) == 16, "unit");
NETROV_STATIC_ASSERT(offsetof(SpeedInfo, unitText) == 20, "unitText");

/* TUVASRV_GetDevPowerSave: the power-save time-out and mode, one record. */
typedef struct PowerSaveInfo {
    int32_t reserved0;
    uint8_t timeValid;
    uint8_t padding0[3];
    int32_t seconds;
    uint8_t modeValid;
    uint8_t padding1[3];
    int32_t mode;
    char modeText[256];
} PowerSaveInfo;

NETROV_STATIC_ASSERT(sizeof(PowerSaveInfo) == 276, "PowerSaveInfo size");
NETROV_STATIC_ASSERT(offsetof(PowerSaveInfo, timeValid) == 4, "timeValid");
NETROV_STATIC_ASSERT(offsetof(PowerSaveInfo, seconds) == 8, "seconds");
NETROV_STATIC_ASSERT(offsetof(PowerSaveInfo, modeValid) == 12, "modeValid");
NETROV_STATIC_ASSERT(offsetof(PowerSaveInfo, mode) == 16, "mode");
NETROV_STATIC_ASSERT(offsetof(PowerSaveInfo, modeText) == 20, "modeText");

/* One number: storage size (TUVASRV_GetDevHdd), memory size
   (TUVASRV_GetDevMemory), default copies and form lines. The present flag is
   a whole int32 here (1 in every reported record). */
typedef struct ValueSetting {
    int32_t reserved0;
    int32_t valueValid;
    int32_t value;
} ValueSetting;

NETROV_STATIC_ASSERT(sizeof(ValueSetting) == 12, "ValueSetting size");
NETROV_STATIC_ASSERT(offsetof(ValueSetting, valueValid) == 4, "valueValid");
NETROV_STATIC_ASSERT(offsetof(ValueSetting, value) == 8, "value");

/* One device text: the serial number (TUVASRV_GetDevSerial), a panel
   display line (TUVASRV_GetDevDispMsg). */
typedef struct TextEntry {
    int32_t reserved0;
    uint8_t textValid;
    char text[256];
    uint8_t padding0[3];
} TextEntry;

NETROV_STATIC_ASSERT(sizeof(TextEntry) == 264, "TextEntry size");
NETROV_STATIC_ASSERT(offsetof(TextEntry, textValid) == 4, "textValid");
NETROV_STATIC_ASSERT(offsetof(TextEntry, text) == 5, "text");

/* TUVASRV_GetDevSrvInfo: one per service contact. */
typedef struct ServiceInfoEntry {
    int32_t reserved0;
    uint8_t descriptionValid;
    char description[256];
    uint8_t emailValid;
    char email[256];
    uint8_t urlValid;
    char url[256];
    uint8_t padding0[1];
} ServiceInfoEntry;

NETROV_STATIC_ASSERT(sizeof(ServiceInfoEntry) == 776, "ServiceInfoEntry size");
NETROV_STATIC_ASSERT(offsetof(ServiceInfoEntry, descriptionValid) == 4, "descriptionValid");
NETROV_STATIC_ASSERT(offsetof(ServiceInfoEntry, description) == 5, "description");
NETROV_STATIC_ASSERT(offsetof(ServiceInfoEntry, emailValid) == 261, "emailValid");
NETROV_STATIC_ASSERT(offsetof(ServiceInfoEntry, email) == 262, "email");
NETROV_STATIC_ASSERT(offsetof(ServiceInfoEntry, urlValid) == 518, "urlValid");
NETROV_STATIC_ASSERT(offsetof(ServiceInfoEntry, url) == 519, "url");

#endif
