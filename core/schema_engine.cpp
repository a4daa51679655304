// The records of the engine and configuration queries, described for the record schema.
#include <netrov/engine_records.h>
#include <netrov/option_value.h>
#include <netrov/tuva.h>

#include "record_schema_families.h"

namespace netrov::core {

namespace {

#define F NETROV_FIELD

constexpr FieldSchema kCounterFields[] = {
    F(CounterEntry, type, typeValid, "type"),
    F(CounterEntry, typeName, typeValid, "typeName"),
    F(CounterEntry, unitName, typeValid, "unitName"),
    F(CounterEntry, level, levelValid, "count"),
    F(CounterEntry, maximum, maximumValid, "maximum"),
    F(CounterEntry, rollOver, rollOverValid, "rollOver"),
    F(CounterEntry, counterClass, counterClassValid, "counterClass"),
};

constexpr FieldSchema kVersionFields[] = {
    F(VersionEntry, type, typeValid, "type"),
    F(VersionEntry, typeName, typeValid, "typeName"),
    F(VersionEntry, version, versionValid, "version"),
    F(VersionEntry, number, numberValid, "number"),
};

constexpr FieldSchema kLanguageFields[] = {
    F(LanguageInfo, index, indexValid, "index"),
    F(LanguageInfo, language, languageValid, "language"),
    F(LanguageInfo, country, countryValid, "country"),
    F(LanguageInfo, displayName, displayNameValid, "displayName"),
};

constexpr FieldSchema kInterpreterFields[] = {
    F(InterpreterEntry, family, familyValid, "family"),
    F(InterpreterEntry, name, nameValid, "name"),
    F(InterpreterEntry, level, levelValid, "languageLevel"),
    F(InterpreterEntry, version, versionValid, "version"),
};

constexpr FieldSchema kFinisherFields[] = {
    F(FinisherInfo, description, descriptionValid, "description"),
    F(FinisherInfo, status, statusValid, "status"),
    F(FinisherInfo, statusText, statusValid, "statusText"),
    F(FinisherInfo, stapleCapable, stapleValid, "staple"),
    F(FinisherInfo, shiftCapable, shiftValid, "shift"),
    F(FinisherInfo, punchCapable, punchValid, "punch"),
    F(FinisherInfo, foldCapable, foldValid, "fold"),
    F(FinisherInfo, stitchCapable, stitchValid, "stitch"),
};

constexpr FieldSchema kSpeedFields[] = {
    F(SpeedInfo, speed, speedValid, "speed"),
    F(SpeedInfo, unit, unitValid, "unit"),
    F(SpeedInfo, unitText, unitValid, "unitText"),
};

constexpr FieldSchema kPowerSaveFields[] = {
    F(PowerSaveInfo, seconds, timeValid, "seconds"),
    F(PowerSaveInfo, mode, modeValid, "mode"),
    F(PowerSaveInfo, modeText, modeValid, "modeText"),
};

// The flag is a whole int32 here; its first byte is the one set on every
// platform the libraries build for (little-endian).
constexpr FieldSchema kValueSettingFields[] = {
    F(ValueSetting, value, valueValid, "value"),
};

constexpr FieldSchema kTextFields[] = {
    F(TextEntry, text, textValid, "text"),
};

constexpr FieldSchema kServiceInfoFields[] = {
    F(ServiceInfoEntry, description, descriptionValid, "description"),
    F(ServiceInfoEntry, email, emailValid, "email"),
    F(ServiceInfoEntry, url, urlValid, "url"),
};

constexpr FieldSchema kOptionFields[] = {
    F(OptionValue, value, present, "value"),
    F(OptionValue, length, present, "length"),
};

#undef F

#define NETROV_RECORD(Type, fields) constexpr RecordSchema k##Type##Schema{#Type, sizeof(Type), fields}
NETROV_RECORD(CounterEntry, kCounterFields);
NETROV_RECORD(VersionEntry, kVersionFields);
NETROV_RECORD(LanguageInfo, kLanguageFields);
NETROV_RECORD(InterpreterEntry, kInterpreterFields);
NETROV_RECORD(FinisherInfo, kFinisherFields);
NETROV_RECORD(SpeedInfo, kSpeedFields);
NETROV_RECORD(PowerSaveInfo, kPowerSaveFields);
NETROV_RECORD(ValueSetting, kValueSettingFields);
NETROV_RECORD(TextEntry, kTextFields);
NETROV_RECORD(ServiceInfoEntry, kServiceInfoFields);
NETROV_RECORD(OptionValue, kOptionFields);
#undef NETROV_RECORD

const QuerySchema kQueries[] = {
    {"GetDevCounter", &kCounterEntrySchema, TUVA_GetDevCounter, 16},
    {"GetDevVersion", &kVersionEntrySchema, TUVA_GetDevVersion, 8},
    {"GetDevSerial", &kTextEntrySchema, TUVA_GetDevSerial, 1},
    {"GetDevLang", &kLanguageInfoSchema, TUVA_GetDevLang, 1},
    {"GetDevInterpreter", &kInterpreterEntrySchema, TUVA_GetDevInterpreter, 8},
    {"GetDevFinInfo", &kFinisherInfoSchema, TUVA_GetDevFinInfo, 1},
    {"GetDevSpeed", &kSpeedInfoSchema, TUVA_GetDevSpeed, 1},
    {"GetDevPowerSave", &kPowerSaveInfoSchema, TUVA_GetDevPowerSave, 1},
    {"GetDevHdd", &kValueSettingSchema, TUVA_GetDevHdd, 1},
    {"GetDevMemory", &kValueSettingSchema, TUVA_GetDevMemory, 1},
    {"GetDevCopies", &kValueSettingSchema, TUVA_GetDevCopies, 1},
    {"GetDevFormLines", &kValueSettingSchema, TUVA_GetDevFormLines, 1},
    {"GetDevADU", &codedSettingSchema(), TUVA_GetDevADU, 1},
    {"GetDevOrientation", &codedSettingSchema(), TUVA_GetDevOrientation, 1},
    {"GetDevWideA4", &codedSettingSchema(), TUVA_GetDevWideA4, 1},
    {"GetDevDispMsg", &kTextEntrySchema, TUVA_GetDevDispMsg, 8},
    {"GetDevSrvInfo", &kServiceInfoEntrySchema, TUVA_GetDevSrvInfo, 4},
    {"GetDevOption1", &kOptionValueSchema, TUVA_GetDevOption1, 8},
    {"GetDevOption2", &kOptionValueSchema, TUVA_GetDevOption2, 8},
    {"GetDevOption3", &kOptionValueSchema, TUVA_GetDevOption3, 8},
    {"GetDevOption4", &kOptionValueSchema, TUVA_GetDevOption4, 8},
};

}  // namespace

std::span<const QuerySchema> engineQuerySchemas()
{
    return kQueries;
}

}  // namespace netrov::core
