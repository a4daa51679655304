// Readings in words: the standard MIBs' enumerations, units, field labels and the one wording of missing data.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace netrov::core {

// Every enumeration a query of the standard package can produce.
enum class Enumeration : uint8_t {
    DeviceStatus,         // hrDeviceStatus
    PrinterStatus,        // hrPrinterStatus
    ErrorStateBit,        // hrPrinterDetectedErrorState: the value is the bit number 0..15
    AlertCode,            // PrtAlertCodeTC, finisher codes 30203..31838 included
    AlertGroup,           // PrtAlertGroupTC
    AlertSeverity,        // PrtAlertSeverityLevelTC
    AlertTrainingLevel,   // PrtAlertTrainingLevelTC
    SupplyType,           // PrtMarkerSuppliesTypeTC
    SupplyUnit,           // PrtMarkerSuppliesSupplyUnitTC
    SupplyClass,          // PrtMarkerSuppliesClassTC
    MediaUnit,            // PrtMediaUnitTC
    CapacityUnit,         // PrtCapacityUnitTC
    MarkingTechnology,    // PrtMarkerMarkTechTC
    CounterUnit,          // PrtMarkerCounterUnitTC
    AddressabilityUnit,   // PrtMarkerAddressabilityUnitTC
    InterpreterLanguage,  // PrtInterpreterLangFamilyTC
    MediaPathType,        // PrtMediaPathTypeTC
    MediaPathSpeedUnit,   // PrtMediaPathMaxSpeedPrintUnitTC
    InputType,            // PrtInputTypeTC
    OutputType,           // PrtOutputTypeTC
    ChannelType,          // PrtChannelTypeTC
    ConsoleColour,        // PrtConsoleColorTC
    Orientation,          // PrtPrintOrientationTC
    PresentOnOff,         // PresentOnOff
    CoverStatus,          // PrtCoverStatusTC
    ColorantRole,         // PrtMarkerColorantRoleTC
    FinisherDeviceType,   // FinDeviceTypeTC
    InterfaceType,        // ifType, the values printers use
    InterfaceStatus,      // ifOperStatus
    AddressOrigin,        // ipAddressOrigin: how the device's address is assigned
    StorageType,          // hrStorageType, by the last arc of its OID
    HostDeviceType,       // hrDeviceType, by the last arc of its OID
    JobState,             // JmJobStateTC
};

// One named value: the MIB's own label and the words people read.
struct EnumName {
    int32_t value;
    const char* label;  // as the MIB spells it, e.g. "tonerCartridge"
    const char* word;   // lower case unless a name, e.g. "toner cartridge"
};

// Every enumeration, for tests and for a language file's list of keys.
std::span<const Enumeration> enumerations();
// The enumeration's key, e.g. "supplyType"; also the context of its translations.
const char* enumerationKey(Enumeration enumeration);
// The named values of an enumeration in ascending order. The finisher alert
// codes are composed, so AlertCode lists only the printer's own codes.
std::span<const EnumName> enumNames(Enumeration enumeration);

// Whether the MIB names the value.
bool enumNamed(Enumeration enumeration, int32_t value);
// The MIB label ("tonerCartridge", "staplerJam"); empty when the MIB does not name the value.
std::string enumLabel(Enumeration enumeration, int32_t value);
// The words ("toner cartridge", "stapler: jam"), translated; "other (17)" for a
// value the MIB does not name, never a bare number.
std::string enumWord(Enumeration enumeration, int32_t value);
// The MIB label in snake case for machine labels ("toner_cartridge");
// "value_17" for a value the MIB does not name.
std::string enumKey(Enumeration enumeration, int32_t value);

// The words of every bit set in an hrPrinterDetectedErrorState number (bit n
// is 1u << n, as core/attention.h counts them), in bit order.
std::vector<std::string> errorStateWords(uint32_t bits);

// The first letter in upper case, for a word that starts a sentence or a cell.
std::string capitalised(std::string text);

// The one wording of a value the device did not give.
std::string notReported();

// Units. Numbers are grouped in thousands with the separator given.
std::string formatCount(int64_t value, std::string_view separator = ",");
// 1536 -> "1.5 KiB"; whole bytes below 1 KiB, one decimal below 100 of a unit.
std::string formatBytes(uint64_t bytes);
// "3 days 4 hours", "5 hours 12 minutes", "42 seconds".
std::string formatUpTime(uint64_t seconds);
std::string formatPagesPerMinute(int32_t pages);
// "600 dpi", or "600 x 1200 dpi" when the directions differ.
std::string formatDpi(int32_t across, int32_t along);

// The label people read for a record field, by its schema name
// ("markingTechnology" -> "Marking technology"), translated. A field the
// table does not know keeps its name, which the label test forbids.
std::string fieldLabel(std::string_view field);
// Whether the label table knows the field.
bool fieldLabelled(std::string_view field);

// Translation: every word and label above passes through this function with
// its key ("supplyType.21", "field.markingTechnology", "notReported") and its
// English text. The desktop program sets one that asks its language file;
// unset, the English stays. Set it before any other thread asks for words.
using WordTranslator = std::string (*)(std::string_view key, std::string_view english);
void setWordTranslator(WordTranslator translator);

// Display width in terminal columns of UTF-8 text: wide East Asian characters
// count 2, combining marks and zero-width characters 0, every byte of a
// malformed sequence 1.
size_t displayWidth(std::string_view text);

}  // namespace netrov::core
