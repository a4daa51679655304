// Engine and configuration: counters, firmware versions, panel language,
// interpreters, finisher, speed, power save, storage and memory, panel
// settings, serial number, panel messages, service information and the
// model's option values.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

#include "attribute_query.h"
#include "decoders.h"
#include "netrov/consumable_records.h"
#include "netrov/engine_records.h"
#include "netrov/option_value.h"
#include "netrov/result_codes.h"
#include "queries.h"
#include "read_cache.h"

namespace netrov::tessel {

namespace {

// The language query's answer when the current language index is not an
// INTEGER.
constexpr int32_t kIndexNotInteger = -1;

constexpr KeyEntry kPageCounterKeys[] = {
    {"def", "GETDEVCOUNTER_MONO", "", kKindInteger},
    {"def", "GETDEVCOUNTER_COLOR", "", kKindInteger},
    {"def", "GETDEVCOUNTER_SIMMONO", "", kKindInteger},
    {"def", "GETDEVCOUNTER_SIMCOLOR", "", kKindInteger},
};
constexpr int32_t kPageCounterTypes[] = {NETROV_COUNTER_MONO, NETROV_COUNTER_COLOR, NETROV_COUNTER_SIMPLEX_MONO,
                                         NETROV_COUNTER_SIMPLEX_COLOR};
static_assert(std::size(kPageCounterKeys) == std::size(kPageCounterTypes));

// Counts come as INTEGER from some devices and as Counter32 from others
// (the Printer-MIB life count is a Counter32): both are read.
constexpr KeyEntry kCounterTableKeys[] = {
    {"def", "GETDEVCOUNTER_CLASS", "", kKindInteger},
    {"def", "GETDEVCOUNTER_ROLL", "", kKindInteger},
    {"def", "GETDEVCOUNTER_TYPE", "", kKindInteger},
    {"def", "GETDEVCOUNTER_LEVEL", "", kKindNumber},
    {"def", "GETDEVCOUNTER_MAX", "", kKindNumber},
};

constexpr KeyEntry kControllerVersionKeys[] = {{"def", "GETDEVVERSION_CONTROLLER", "", kKindOctets}};
constexpr KeyEntry kEngineVersionKeys[] = {{"def", "GETDEVVERSION_ENGINE", "", kKindOctets}};
constexpr KeyEntry kVersionTableKeys[] = {
    {"def", "GETDEVVERSION_TYPE", "", kKindInteger},
    {"def", "GETDEVVERSION_VERSION", "", kKindOctets},
    {"def", "GETDEVVERSION_NUMBER", "", kKindOctets},
};

constexpr KeyEntry kLanguageIndexKeys[] = {{"def", "GETDEVLANG_INDEX", "", kKindInteger}};
// Asked with the instance of the current language, per call.
constexpr KeyEntry kLanguageKeys[] = {
    {"def", "GETDEVLANG_LANG", "", kKindOctets},
    {"def", "GETDEVLANG_COUNTRY", "", kKindOctets},
};

constexpr KeyEntry kInterpreterKeys[] = {
    {"def", "GETDEVINTERPRETER_FAMILY", "", kKindInteger},
    {"def", "GETDEVINTERPRETER_LEVEL", "", kKindOctets},
    {"def", "GETDEVINTERPRETER_VERSION", "", kKindOctets},
    {"def", "GETDEVINTERPRETER_DESC", "", kKindOctets},
};

constexpr KeyEntry kFinisherStateKeys[] = {
    {"def", "GETDEVFININFO_STAT", "", kKindInteger},
    {"def", "GETDEVFININFO_DESC", "", kKindOctets},
};
// A finisher feature's value: unknown (2) says nothing; PresentOnOff on (3)
// or off (4) means the feature is there, whichever way it is set.
constexpr int32_t kFeatureUnknown = 2;
constexpr int32_t kPresentOn = 3;
constexpr int32_t kPresentOff = 4;
constexpr KeyEntry kFinisherFeatureKeys[] = {
    {"def", "GETDEVFININFO_FOLD", "", kKindInteger},
    {"def", "GETDEVFININFO_STITCH", "", kKindInteger},
    {"def", "GETDEVFININFO_PUNCH", "", kKindInteger},
    {"def", "GETDEVFININFO_SHIFT", "", kKindInteger},
    {"def", "GETDEVFININFO_STAPLE", "", kKindInteger},
};

constexpr KeyEntry kSpeedKeys[] = {
    {"def", "GETDEVSPEED_UNIT", "", kKindInteger},
    {"def", "GETDEVSPEED_MAXSPEED", "", kKindInteger},
};

constexpr KeyEntry kPowerSaveKeys[] = {
    {"def", "GETDEVPOWERSAVE_MODE", "", kKindInteger},
    {"def", "GETDEVPOWERSAVE_TIME", "", kKindUnsigned},
};

// hrDiskStorageMedia: a hard disk, as against RAM and optical disks.
constexpr int32_t kStorageHardDisk = 3;
constexpr KeyEntry kStorageKeys[] = {
    {"def", "GETDEVHDD_SIZE", "", kKindInteger},
    {"def", "GETDEVHDD_TYPE", "", kKindInteger},
};

constexpr KeyEntry kMemoryKeys[] = {{"def", "GETDEVMEMORY_SIZE", "", kKindInteger}};
constexpr KeyEntry kCopiesKeys[] = {{"def", "GETDEVCOPIES_VAL", "", kKindInteger}};
constexpr KeyEntry kFormLinesKeys[] = {{"def", "GETDEVFORMLINES_VAL", "", kKindInteger}};
// PrtMediaPathTypeTC: a path that prints both sides, bound on either edge.
constexpr int32_t kPathLongEdgeDuplex = 3;
constexpr int32_t kPathShortEdgeDuplex = 4;
constexpr KeyEntry kDuplexKeys[] = {{"def", "GETDEVADU_PATHTYPE", "", kKindInteger}};
constexpr KeyEntry kOrientationKeys[] = {{"def", "GETDEVORIENTATION_VAL", "", kKindInteger}};
constexpr KeyEntry kWideA4Keys[] = {{"def", "GETDEVWIDEA4_VAL", "", kKindInteger}};
constexpr KeyEntry kSerialKeys[] = {{"def", "GETDEVSERIAL_SERIAL", "", kKindOctets}};
constexpr KeyEntry kPanelMessageKeys[] = {{"def", "GETDEVDISPMSG_MSG", "", kKindOctets}};
constexpr KeyEntry kServiceInfoKeys[] = {
    {"def", "GETDEVSRVINFO_DESC", "", kKindOctets},
    {"def", "GETDEVSRVINFO_EMAIL", "", kKindOctets},
    {"def", "GETDEVSRVINFO_URL", "", kKindOctets},
};
constexpr KeyEntry kOption1Keys[] = {{"def", "GETDEVOPTION_1", "", kKindAny}};
constexpr KeyEntry kOption2Keys[] = {{"def", "GETDEVOPTION_2", "", kKindAny}};
constexpr KeyEntry kOption3Keys[] = {{"def", "GETDEVOPTION_3", "", kKindAny}};
constexpr KeyEntry kOption4Keys[] = {{"def", "GETDEVOPTION_4", "", kKindAny}};

// The single requests of a reading, asked together from a v2c device.
const ReadAhead kReadAheadGets{SNMP_PDU_GET,
                               {kPageCounterKeys, kPowerSaveKeys, kCopiesKeys, kFormLinesKeys, kOrientationKeys,
                                kWideA4Keys, kSerialKeys}};
const ReadAhead kReadAheadGetNexts{SNMP_PDU_GETNEXT, {kLanguageIndexKeys, kFinisherStateKeys, kMemoryKeys}};

// A record of a type and its names from the two counter tables.
bool namedCounter(const RowReader& row, int32_t type, CounterEntry& counter)
{
    if (!row.convert(counter.typeName, "GETDEVCOUNTER_TYPE", type)) return false;
    counter.typeValid = 1;
    counter.type = type;
    row.convert(counter.unitName, "GETDEVCOUNTER_UNIT", type);
    return true;
}

void pageCounters(RowReader& row)
{
    for (size_t i = 0; i < std::size(kPageCounterKeys); ++i) {
        const auto pages = row.integer(kPageCounterKeys[i].key);
        if (!pages) continue;
        CounterEntry counter;
        memset(&counter, 0, sizeof counter);
        if (!namedCounter(row, kPageCounterTypes[i], counter)) continue;
        counter.levelValid = 1;
        counter.level = *pages;
        row.call().out.produce(counter);
    }
}

bool counterRow(RowReader& row, CounterEntry& counter)
{
    if (!namedCounter(row, row.integer("GETDEVCOUNTER_TYPE").value_or(0), counter)) return false;
    row.read("GETDEVCOUNTER_CLASS", counter.counterClassValid, counter.counterClass);
    row.read("GETDEVCOUNTER_ROLL", counter.rollOverValid, counter.rollOver);
    row.read("GETDEVCOUNTER_LEVEL", counter.levelValid, counter.level);
    row.read("GETDEVCOUNTER_MAX", counter.maximumValid, counter.maximum);
    return true;
}

// The versions produced so far by one call, by type: a type is reported once.
class VersionTypes {
public:
    explicit VersionTypes(const QueryCall& call) : call_(call) {}
    bool seen(int32_t type) const { return std::find(types_.begin(), types_.end(), type) != types_.end(); }
    void produce(const VersionEntry& version)
    {
        call_.out.produce(version);
        types_.push_back(version.type);
    }

private:
    const QueryCall& call_;
    std::vector<int32_t> types_;
};

// The controller or engine firmware: one Get of its key. Its failures only
// mean no such record.
void firmwareVersion(const QueryCall& call, std::span<const KeyEntry> keys, int32_t type, VersionTypes& types)
{
    runRows(call, keys, RequestShape::Get, [&](RowReader& row) {
        VersionEntry version;
        memset(&version, 0, sizeof version);
        if (!row.readText(keys[0].key, version.version)) return;
        if (!row.convert(version.typeName, "GETDEVVERSION_TYPE", type)) return;
        version.typeValid = 1;
        version.type = type;
        version.versionValid = 1;
        types.produce(version);
    });
}

// A request failure is the answer only when the call produced nothing;
// records already made are the better answer.
int32_t resultUnlessProduced(const QueryCall& call, int32_t result)
{
    return call.out.count() > 0 ? NETROV_OK : result;
}

bool interpreterRow(RowReader& row, InterpreterEntry& interpreter)
{
    const ReplyValue* description = row.value("GETDEVINTERPRETER_DESC");
    row.read("GETDEVINTERPRETER_FAMILY", interpreter.familyValid, interpreter.family);
    interpreter.levelValid = row.readText("GETDEVINTERPRETER_LEVEL", interpreter.level);
    interpreter.versionValid = row.readText("GETDEVINTERPRETER_VERSION", interpreter.version);
    row.indexFrom({"GETDEVINTERPRETER_VERSION", "GETDEVINTERPRETER_LEVEL", "GETDEVINTERPRETER_FAMILY",
                   "GETDEVINTERPRETER_DESC"});
    if (row.convert(interpreter.name, "GETDEVINTERPRETER_NAME", static_cast<int32_t>(row.rowIndex()))) {
        interpreter.nameValid = 1;
    } else if (description) {
        copyText(interpreter.name, sizeof interpreter.name, description->data(), description->length);
        interpreter.nameValid = 1;
    }
    return description || interpreter.familyValid || interpreter.levelValid || interpreter.versionValid;
}

// One finisher feature over all rows of the feature walk: present when any
// row holds a value, capable when any value passes the feature's test.
struct FinisherFeature {
    const char* key;
    uint8_t FinisherInfo::*valid;
    int32_t FinisherInfo::*capable;
    bool (*capableValue)(int32_t value);
};

bool notUnknown(int32_t value)
{
    return value != kFeatureUnknown;
}

bool presentOnOrOff(int32_t value)
{
    return value == kPresentOn || value == kPresentOff;
}

constexpr FinisherFeature kFinisherFeatures[] = {
    {"GETDEVFININFO_STAPLE", &FinisherInfo::stapleValid, &FinisherInfo::stapleCapable, notUnknown},
    {"GETDEVFININFO_PUNCH", &FinisherInfo::punchValid, &FinisherInfo::punchCapable, notUnknown},
    {"GETDEVFININFO_FOLD", &FinisherInfo::foldValid, &FinisherInfo::foldCapable, notUnknown},
    {"GETDEVFININFO_SHIFT", &FinisherInfo::shiftValid, &FinisherInfo::shiftCapable, presentOnOrOff},
    {"GETDEVFININFO_STITCH", &FinisherInfo::stitchValid, &FinisherInfo::stitchCapable, presentOnOrOff},
};

bool powerSaveRow(RowReader& row, PowerSaveInfo& powerSave)
{
    row.read("GETDEVPOWERSAVE_MODE", powerSave.modeValid, powerSave.mode);
    // Hundredths of a second, unsigned, to whole seconds.
    uint32_t hundredths = 0;
    if (row.read("GETDEVPOWERSAVE_TIME", powerSave.timeValid, hundredths)) {
        powerSave.seconds = static_cast<int32_t>(hundredths / 100);
    }
    row.convert(powerSave.modeText, "GETDEVPOWERSAVE_MODE", powerSave.mode);
    return powerSave.modeValid || powerSave.timeValid;
}

// A single number setting: one record when the value was read.
template <const char* Key>
bool valueSettingRow(RowReader& row, ValueSetting& setting)
{
    const auto value = row.integer(Key);
    if (!value) return false;
    setting.valueValid = 1;
    setting.value = *value;
    return true;
}

// A coded setting with the display text of the conversion of the same name.
template <const char* Key>
bool codedSettingRow(RowReader& row, CodedSetting& setting)
{
    row.read(Key, setting.valueValid, setting.value);
    row.convert(setting.text, Key, setting.value);
    return setting.valueValid;
}

constexpr char kMemoryKey[] = "GETDEVMEMORY_SIZE";
constexpr char kCopiesKey[] = "GETDEVCOPIES_VAL";
constexpr char kFormLinesKey[] = "GETDEVFORMLINES_VAL";
constexpr char kOrientationKey[] = "GETDEVORIENTATION_VAL";
constexpr char kWideA4Key[] = "GETDEVWIDEA4_VAL";

template <const char* Key>
bool textRow(RowReader& row, TextEntry& entry)
{
    entry.textValid = row.readText(Key, entry.text);
    return entry.textValid;
}

constexpr char kSerialKey[] = "GETDEVSERIAL_SERIAL";
constexpr char kPanelMessageKey[] = "GETDEVDISPMSG_MSG";

bool serviceInfoRow(RowReader& row, ServiceInfoEntry& info)
{
    info.descriptionValid = row.readText("GETDEVSRVINFO_DESC", info.description);
    info.emailValid = row.readText("GETDEVSRVINFO_EMAIL", info.email);
    info.urlValid = row.readText("GETDEVSRVINFO_URL", info.url);
    return info.descriptionValid || info.emailValid || info.urlValid;
}

uint8_t optionKind(uint8_t kind)
{
    switch (kind) {
    case kKindInteger: return NETROV_OPTION_INT32;
    case kKindUnsigned: return NETROV_OPTION_UINT32;
    case kKindOctets: return NETROV_OPTION_OCTETS;
    case kKindOid:
    case kKindIpAddress: return NETROV_OPTION_IPV4;
    default: return 0;
    }
}

// The four option queries: one raw value per row of the model's option
// object, of whatever kind.
int32_t optionValues(const QueryCall& call, std::span<const KeyEntry> keys)
{
    return runRows(call, keys, RequestShape::Walk, [&](RowReader& row) {
        const ReplyValue* value = row.value(keys[0].key);
        if (!value) return;
        OptionValue option;
        memset(&option, 0, sizeof option);
        option.present = 1;
        option.kind = optionKind(value->kind);
        memcpy(option.value, value->data(), std::min<size_t>(value->length, sizeof option.value));
        option.length = static_cast<int32_t>(value->length);
        call.out.produce(option);
    });
}

}  // namespace

int32_t getDevCounter(const QueryCall& call)
{
    // The page counters first; a model without them, or a device that does
    // not answer them, still has its counter table.
    runRows(call, kPageCounterKeys, RequestShape::Get, pageCounters);
    return resultUnlessProduced(call, runAttributeQuery(call, kCounterTableKeys, RequestShape::Walk, counterRow));
}

int32_t getDevVersion(const QueryCall& call)
{
    VersionTypes types(call);
    // The engine record is counted like every other, also when the array is
    // already full, so a caller sizing its array from the count learns of it.
    firmwareVersion(call, kControllerVersionKeys, NETROV_VERSION_CONTROLLER, types);
    firmwareVersion(call, kEngineVersionKeys, NETROV_VERSION_ENGINE, types);
    const int32_t walked = runRows(call, kVersionTableKeys, RequestShape::Walk, [&](RowReader& row) {
        const int32_t type = row.integer("GETDEVVERSION_TYPE").value_or(0);
        if (types.seen(type)) return;
        VersionEntry version;
        memset(&version, 0, sizeof version);
        if (!row.convert(version.typeName, "GETDEVVERSION_TYPE", type) || version.typeName[0] == '\0') return;
        version.typeValid = 1;
        version.type = type;
        version.numberValid = row.readText("GETDEVVERSION_NUMBER", version.number);
        version.versionValid = row.readText("GETDEVVERSION_VERSION", version.version);
        types.produce(version);
    });
    return resultUnlessProduced(call, walked);
}

int32_t getDevLang(const QueryCall& call)
{
    std::optional<int32_t> index;
    const int32_t asked = runRows(call, kLanguageIndexKeys, RequestShape::GetNext,
                                  [&](RowReader& row) { index = row.integer("GETDEVLANG_INDEX"); });
    if (asked != NETROV_OK) return asked;
    if (!index) return kIndexNotInteger;

    char suffix[32];
    snprintf(suffix, sizeof suffix, ".1.%d", *index);
    const SuffixedKeys keys(kLanguageKeys, suffix);
    return runRows(call, keys.keys(), RequestShape::Get, [&](RowReader& row) {
        LanguageInfo language;
        memset(&language, 0, sizeof language);
        language.indexValid = 1;
        language.index = *index;
        language.languageValid = row.readText("GETDEVLANG_LANG", language.language);
        language.countryValid = row.readText("GETDEVLANG_COUNTRY", language.country);
        language.displayNameValid =
            lookupExchange(&call.service, "GETDEVLANG_CONVERT", language.language, language.country, "",
                           language.displayName, sizeof language.displayName) == 1;
        call.out.produce(language);
    });
}

int32_t getDevInterpreter(const QueryCall& call)
{
    return runAttributeQuery(call, kInterpreterKeys, RequestShape::Walk, interpreterRow);
}

int32_t getDevFinInfo(const QueryCall& call)
{
    FinisherInfo finisher;
    memset(&finisher, 0, sizeof finisher);
    const int32_t asked = runRows(call, kFinisherStateKeys, RequestShape::GetNext, [&](RowReader& row) {
        row.read("GETDEVFININFO_STAT", finisher.statusValid, finisher.status);
        finisher.descriptionValid = row.readText("GETDEVFININFO_DESC", finisher.description);
        if (finisher.statusValid) row.convert(finisher.statusText, "GETDEVFININFO_STATUS", finisher.status);
    });
    if (asked != NETROV_OK) return asked;

    bool anyRow = false;
    const int32_t walked = runRows(call, kFinisherFeatureKeys, RequestShape::Walk, [&](RowReader& row) {
        anyRow = true;
        for (const FinisherFeature& feature : kFinisherFeatures) {
            const auto value = row.integer(feature.key);
            if (!value) continue;
            finisher.*feature.valid = 1;
            if (feature.capableValue(*value)) finisher.*feature.capable = 1;
        }
    });
    if (walked != NETROV_OK || !anyRow) return walked;
    bool present = finisher.descriptionValid || finisher.statusValid;
    for (const FinisherFeature& feature : kFinisherFeatures) present |= finisher.*feature.valid != 0;
    if (present) call.out.produce(finisher);
    return NETROV_OK;
}

int32_t getDevSpeed(const QueryCall& call)
{
    SpeedInfo speed;
    memset(&speed, 0, sizeof speed);
    const int32_t walked = runRows(call, kSpeedKeys, RequestShape::Walk, [&](RowReader& row) {
        const auto top = row.integer("GETDEVSPEED_MAXSPEED");
        if (!top || *top <= speed.speed) return;
        speed.speedValid = 1;
        speed.speed = *top;
        row.read("GETDEVSPEED_UNIT", speed.unitValid, speed.unit);
    });
    if (walked != NETROV_OK) return walked;
    // Speeds are per hour; the record gives them per minute.
    if (speed.unitValid) {
        lookupExchange(&call.service, "GETDEVSPEED_UNIT", speed.unit, std::nullopt, std::nullopt, speed.unitText,
                       sizeof speed.unitText);
        speed.speed /= 60;
    }
    if (speed.speedValid || speed.unitValid) call.out.produce(speed);
    return NETROV_OK;
}

int32_t getDevPowerSave(const QueryCall& call)
{
    return runAttributeQuery(call, kPowerSaveKeys, RequestShape::Get, powerSaveRow);
}

int32_t getDevHdd(const QueryCall& call)
{
    // Hard disks' sizes add up, held in 64 bits so that several large disks
    // do not wrap round.
    int64_t total = 0;
    bool anyDisk = false;
    const int32_t walked = runRows(call, kStorageKeys, RequestShape::Walk, [&](RowReader& row) {
        if (row.integer("GETDEVHDD_TYPE") != kStorageHardDisk) return;
        anyDisk = true;
        total += row.integer("GETDEVHDD_SIZE").value_or(0);
    });
    if (walked != NETROV_OK) return walked;
    if (anyDisk) {
        const ValueSetting storage{0, 1,
                                   static_cast<int32_t>(std::clamp<int64_t>(total, std::numeric_limits<int32_t>::min(),
                                                                            std::numeric_limits<int32_t>::max()))};
        call.out.produce(storage);
    }
    return NETROV_OK;
}

int32_t getDevMemory(const QueryCall& call)
{
    return runAttributeQuery(call, kMemoryKeys, RequestShape::GetNext, valueSettingRow<kMemoryKey>);
}

int32_t getDevCopies(const QueryCall& call)
{
    return runAttributeQuery(call, kCopiesKeys, RequestShape::Get, valueSettingRow<kCopiesKey>);
}

int32_t getDevFormLines(const QueryCall& call)
{
    return runAttributeQuery(call, kFormLinesKeys, RequestShape::Get, valueSettingRow<kFormLinesKey>);
}

int32_t getDevAdu(const QueryCall& call)
{
    bool anyPath = false;
    bool duplex = false;
    const int32_t walked = runRows(call, kDuplexKeys, RequestShape::Walk, [&](RowReader& row) {
        const auto type = row.integer("GETDEVADU_PATHTYPE");
        if (!type) return;
        anyPath = true;
        duplex |= *type == kPathLongEdgeDuplex || *type == kPathShortEdgeDuplex;
    });
    if (walked != NETROV_OK) return walked;
    if (anyPath) {
        CodedSetting unit;
        memset(&unit, 0, sizeof unit);
        unit.valueValid = 1;
        unit.value = duplex ? 1 : 0;
        lookupExchange(&call.service, "GETDEVADU_INSTALL", unit.value, std::nullopt, std::nullopt, unit.text,
                       sizeof unit.text);
        call.out.produce(unit);
    }
    return NETROV_OK;
}

int32_t getDevOrientation(const QueryCall& call)
{
    return runAttributeQuery(call, kOrientationKeys, RequestShape::Get, codedSettingRow<kOrientationKey>);
}

int32_t getDevWideA4(const QueryCall& call)
{
    return runAttributeQuery(call, kWideA4Keys, RequestShape::Get, codedSettingRow<kWideA4Key>);
}

int32_t getDevSerial(const QueryCall& call)
{
    return runAttributeQuery(call, kSerialKeys, RequestShape::Get, textRow<kSerialKey>);
}

int32_t getDevDispMsg(const QueryCall& call)
{
    return runAttributeQuery(call, kPanelMessageKeys, RequestShape::Walk, textRow<kPanelMessageKey>);
}

int32_t getDevSrvInfo(const QueryCall& call)
{
    return runAttributeQuery(call, kServiceInfoKeys, RequestShape::Walk, serviceInfoRow);
}

int32_t getDevOption1(const QueryCall& call)
{
    return optionValues(call, kOption1Keys);
}

int32_t getDevOption2(const QueryCall& call)
{
    return optionValues(call, kOption2Keys);
}

int32_t getDevOption3(const QueryCall& call)
{
    return optionValues(call, kOption3Keys);
}

int32_t getDevOption4(const QueryCall& call)
{
    return optionValues(call, kOption4Keys);
}

}  // namespace netrov::tessel
