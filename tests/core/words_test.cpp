// The word tables against the MIB reference sheet, the unit formats, the field labels and display widths.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "alert_messages.h"
#include "attention.h"
#include "record_schema.h"
#include "words.h"

#include <netrov/consumable_records.h>

namespace netrov::core {
namespace {

using E = Enumeration;

// The reference sheet lies beside the source tree; a checkout without it skips.
std::filesystem::path referenceSheet()
{
    std::vector<std::filesystem::path> candidates;
    if (const char* dir = std::getenv("NETROV_REFERENCE_DIR")) candidates.emplace_back(dir);
    candidates.emplace_back(std::string(NETROV_SOURCE_DIR) + "/../shared/reference");
    candidates.emplace_back(std::string(NETROV_SOURCE_DIR) + "/../../shared/reference");
    for (const auto& dir : candidates) {
        const auto sheet = dir / "standard-mibs.md";
        if (std::filesystem::exists(sheet)) return sheet;
    }
    return {};
}

// Where the sheet lists an enumeration: a heading, bold line or table row
// holding this name, and the enumeration it lists.
struct SheetSection {
    const char* name;
    Enumeration enumeration;
};
constexpr SheetSection kSections[] = {
    {"hrDeviceStatus (", E::DeviceStatus},
    {"hrPrinterStatus (", E::PrinterStatus},
    {"hrPrinterDetectedErrorState bits", E::ErrorStateBit},
    {"PrtAlertCodeTC (", E::AlertCode},
    {"All finisher alert codes", E::AlertCode},
    {"PrtAlertGroupTC", E::AlertGroup},
    {"PrtAlertSeverityLevelTC", E::AlertSeverity},
    {"PrtAlertTrainingLevelTC", E::AlertTrainingLevel},
    {"PrtMarkerSuppliesTypeTC", E::SupplyType},
    {"PrtMarkerSuppliesSupplyUnitTC", E::SupplyUnit},
    {"PrtMarkerSuppliesClassTC", E::SupplyClass},
    {"PrtMediaUnitTC", E::MediaUnit},
    {"PrtCapacityUnitTC", E::CapacityUnit},
    {"PrtMarkerMarkTechTC", E::MarkingTechnology},
    {"PrtMarkerCounterUnitTC", E::CounterUnit},
    {"PrtMarkerAddressabilityUnitTC", E::AddressabilityUnit},
    {"PrtInterpreterLangFamilyTC", E::InterpreterLanguage},
    {"PrtMediaPathTypeTC", E::MediaPathType},
    {"PrtMediaPathMaxSpeedPrintUnitTC", E::MediaPathSpeedUnit},
    {"PrtInputTypeTC", E::InputType},
    {"PrtOutputTypeTC", E::OutputType},
    {"PrtChannelTypeTC", E::ChannelType},
    {"PrtConsoleColorTC", E::ConsoleColour},
    {"PrtPrintOrientationTC", E::Orientation},
    {"**PresentOnOff**", E::PresentOnOff},
    {"PrtCoverStatusTC", E::CoverStatus},
    {"PrtMarkerColorantRoleTC", E::ColorantRole},
    {"FinDeviceTypeTC", E::FinisherDeviceType},
    {"hrStorageType values", E::StorageType},
    {"hrDeviceType values", E::HostDeviceType},
    {"| ifType", E::InterfaceType},
    {"| ifOperStatus", E::InterfaceStatus},
    {"| ipAddressOrigin", E::AddressOrigin},
    {"JmJobStateTC", E::JobState},
};

// Sections of the sheet no query of the standard package reads, and headings
// whose enumerations are read from the lines under them.
constexpr const char* kNotRead[] = {
    "PrtGeneralResetTC", "PrtChannelStateTC", "PrtConsoleDisableTC", "PrtOutputStackingOrderTC",
    "PrtOutputPageDeliveryOrientationTC", "PrtInterpreterTwoWayTC", "PrtSubUnitStatusTC", "FinAttributeTypeTC",
    "FinStitchingTypeTC", "FinFoldingTypeTC", "FinPunchHoleTypeTC", "FinPunchPatternTC", "FinStackOutputTypeTC",
    "Special values", "hrDiskStorageMedia",
    "Smaller Printer-MIB enumerations", "Finisher enumerations", "Host Resources type OIDs",
    "Other network enumerations", "Job Monitoring enumerations",
};

struct SheetValue {
    int32_t code;
    std::string label;
    bool exactLabel;  // a table's label column; inline lists shorten some labels
};

std::vector<std::string> cells(const std::string& line)
{
    std::vector<std::string> out;
    size_t start = line.find('|');
    while (start != std::string::npos) {
        const size_t end = line.find('|', start + 1);
        if (end == std::string::npos) break;
        std::string cell = line.substr(start + 1, end - start - 1);
        cell.erase(0, cell.find_first_not_of(' '));
        cell.erase(cell.find_last_not_of(' ') + 1);
        out.push_back(cell);
        start = end;
    }
    return out;
}

// "1 up, 2 down, 71 ieee80211 (Wi-Fi)": every code and its label.
void inlineValues(const std::string& text, std::vector<SheetValue>& values)
{
    static const std::regex pair(R"((?:^|[:,]\s*)(-?\d+) ([A-Za-z][A-Za-z0-9]*))");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), pair); it != std::sregex_iterator(); ++it)
        values.push_back({std::stoi((*it)[1]), (*it)[2], false});
}

// The sheet's values per enumeration; the sections read, for the coverage check.
std::map<Enumeration, std::vector<SheetValue>> readSheet(const std::filesystem::path& path, std::set<std::string>& unmapped)
{
    std::map<Enumeration, std::vector<SheetValue>> out;
    std::ifstream in(path);
    std::string line;
    const SheetSection* section = nullptr;
    size_t labelColumn = 1;
    bool codeTable = false;  // the rows under the last table header start with a code
    static const std::regex number(R"(-?\d+)");
    static const std::regex oid(R"((\d+\.)+(\d+))");
    while (std::getline(in, line)) {
        const bool heading = line.rfind("#", 0) == 0 || line.rfind("**", 0) == 0 || line.rfind("hr", 0) == 0 ||
                             line.rfind("Jm", 0) == 0;
        const SheetSection* named = nullptr;
        for (const SheetSection& s : kSections)
            if (line.find(s.name) != std::string::npos) named = &s;
        if (heading) {
            section = named;
            if (named && line.find(':') != std::string::npos && line.rfind("#", 0) != 0)
                inlineValues(line.substr(line.find("):") == std::string::npos ? line.find(':') : line.find("):") + 1),
                             out[named->enumeration]);
            if (!named && line.rfind("### 2.", 0) == 0) {
                bool known = false;
                for (const char* n : kNotRead) known = known || line.find(n) != std::string::npos;
                if (!known) unmapped.insert(line);
            }
            continue;
        }
        if (line.rfind("|", 0) != 0) continue;
        const std::vector<std::string> row = cells(line);
        if (row.size() < 2) continue;
        if (named && line.rfind(named->name, 0) == 0) {  // a "| ifType | 6 ethernetCsmacd, ..." row
            inlineValues(row[1], out[named->enumeration]);
            continue;
        }
        if (!section) continue;
        if (row[0].rfind("---", 0) == 0) continue;  // the line under a table header
        if (row[0].empty() || !std::isdigit(static_cast<unsigned char>(row[0][0]))) {
            codeTable = row[0] == "Code" || row[0] == "Bit" || row[0] == "OID";
            labelColumn = 1;
            for (size_t i = 0; i < row.size(); ++i)
                if (row[i] == "MIB label" || row[i] == "Name") labelColumn = i;
            continue;
        }
        if (!codeTable) continue;
        std::smatch m;
        int32_t code = 0;
        if (std::regex_match(row[0], m, oid)) code = std::stoi(m[2]);
        else if (std::regex_match(row[0], number)) code = std::stoi(row[0]);
        else continue;
        if (labelColumn < row.size()) out[section->enumeration].push_back({code, row[labelColumn], true});
    }
    return out;
}

bool endsWithIgnoringCase(const std::string& text, const std::string& end)
{
    if (end.size() > text.size()) return false;
    for (size_t i = 0; i < end.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[text.size() - end.size() + i])) !=
            std::tolower(static_cast<unsigned char>(end[i])))
            return false;
    return true;
}

bool hasLetter(const std::string& text)
{
    for (char c : text)
        if (std::isalpha(static_cast<unsigned char>(c))) return true;
    return false;
}

TEST(Words, EveryValueOfTheReferenceSheetHasItsLabelAndWords)
{
    const auto sheet = referenceSheet();
    if (sheet.empty()) GTEST_SKIP() << "the MIB reference sheet (shared/reference/standard-mibs.md) is not beside the source tree";
    std::set<std::string> unmapped;
    const auto values = readSheet(sheet, unmapped);
    EXPECT_TRUE(unmapped.empty()) << "a section of the sheet is neither read nor listed as not read: " << *unmapped.begin();

    for (const Enumeration e : enumerations()) {
        SCOPED_TRACE(enumerationKey(e));
        const auto it = values.find(e);
        ASSERT_NE(it, values.end()) << "the sheet lists no value of this enumeration";
        std::set<int32_t> sheetCodes;
        for (const SheetValue& v : it->second) {
            SCOPED_TRACE(v.code);
            sheetCodes.insert(v.code);
            EXPECT_TRUE(enumNamed(e, v.code));
            if (v.exactLabel) EXPECT_EQ(enumLabel(e, v.code), v.label);
            else EXPECT_TRUE(endsWithIgnoringCase(enumLabel(e, v.code), v.label)) << enumLabel(e, v.code);
            const std::string word = enumWord(e, v.code);
            EXPECT_TRUE(hasLetter(word)) << word;
            EXPECT_EQ(word.find("other ("), std::string::npos) << word;
            EXPECT_FALSE(enumKey(e, v.code).empty());
            EXPECT_EQ(enumKey(e, v.code).find("value_"), std::string::npos);
        }
        // No code of the table is missing from the sheet: a typo in a code shows here.
        for (const EnumName& n : enumNames(e)) EXPECT_TRUE(sheetCodes.count(n.value)) << n.value << " " << n.label;
    }
    // All 17 x 36 finisher codes.
    size_t finisherCodes = 0;
    for (const SheetValue& v : values.at(E::AlertCode)) finisherCodes += v.code >= 30000;
    EXPECT_EQ(finisherCodes, 17u * 36u);
}

TEST(Words, KnownValuesReadAsPeopleSayThem)
{
    struct Case {
        Enumeration enumeration;
        int32_t value;
        const char* word;
        const char* key;
    };
    const Case cases[] = {
        {E::SupplyType, 21, "toner cartridge", "toner_cartridge"},
        {E::SupplyType, 9, "photoconductor (drum)", "opc"},
        {E::SupplyType, 99, "other (99)", "value_99"},
        {E::MarkingTechnology, 4, "electrophotographic (laser)", "electrophotographic_laser"},
        {E::CounterUnit, 7, "impressions", "impressions"},
        {E::AddressabilityUnit, 3, "1/10000 inch", "ten_thousandths_of_inches"},
        {E::AlertCode, 505, "reset by management station", "printer_nms_reset"},
        {E::AlertCode, 1104, "toner low", "marker_toner_almost_empty"},
        {E::AlertCode, 30213, "stapler: empty", "stapler_empty"},
        {E::AlertCode, 31838, "inserter: thermistor failure", "inserter_thermistor_failure"},
        {E::AlertCode, 30202, "other (30202)", "value_30202"},
        {E::AlertCode, 1508, "other (1508)", "value_1508"},
        {E::AlertGroup, 11, "marker supplies", "marker_supplies"},
        {E::AddressOrigin, 4, "DHCP", "dhcp"},
        {E::InterfaceType, 71, "Wi-Fi", "ieee80211"},
        {E::PrinterStatus, 5, "warming up", "warmup"},
        {E::ErrorStateBit, 3, "out of toner", "no_toner"},
        {E::ErrorStateBit, 15, "other (15)", "value_15"},
        {E::StorageType, 4, "hard disk", "hr_storage_fixed_disk"},
        {E::ChannelType, 5, "IEEE 1284 port", "ch_ieee1284_port"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(enumerationKey(c.enumeration)) + " " + std::to_string(c.value));
        EXPECT_EQ(enumWord(c.enumeration, c.value), c.word);
        EXPECT_EQ(enumKey(c.enumeration, c.value), c.key);
    }
    EXPECT_EQ(enumLabel(E::AlertCode, 30208), "staplerJam");
    EXPECT_EQ(enumLabel(E::AlertCode, 31609), "stackerMissing");
    EXPECT_EQ(errorStateWords(kErrorNoToner | kErrorDoorOpen), (std::vector<std::string>{"out of toner", "door open"}));
    EXPECT_EQ(capitalised(enumWord(E::SupplyType, 21)), "Toner cartridge");
    EXPECT_EQ(notReported(), "not reported");
}

TEST(Words, UnitsReadWithTheirNames)
{
    struct Case {
        std::string got;
        const char* want;
    };
    const Case cases[] = {
        {formatBytes(0), "0 bytes"},
        {formatBytes(1023), "1023 bytes"},
        {formatBytes(1024), "1 KiB"},
        {formatBytes(1536), "1.5 KiB"},
        {formatBytes(524288ull * 1024), "512 MiB"},
        {formatBytes(1610612736ull), "1.5 GiB"},
        {formatBytes(244140625ull * 1024), "233 GiB"},
        {formatUpTime(86412), "1 day 0 hours"},
        {formatUpTime(3 * 86400 + 4 * 3600 + 59), "3 days 4 hours"},
        {formatUpTime(5 * 3600 + 12 * 60), "5 hours 12 minutes"},
        {formatUpTime(60), "1 minute"},
        {formatUpTime(42), "42 seconds"},
        {formatPagesPerMinute(45), "45 pages per minute"},
        {formatDpi(600, 600), "600 dpi"},
        {formatDpi(600, 1200), "600 x 1200 dpi"},
        {formatCount(999), "999"},
        {formatCount(1000), "1,000"},
        {formatCount(1234567), "1,234,567"},
        {formatCount(-1000), "-1,000"},
        {formatCount(INT64_MIN), "-9,223,372,036,854,775,808"},
        {formatCount(1234567, "."), "1.234.567"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.got, c.want);
}

TEST(Words, EveryRecordFieldAndQueryHasALabel)
{
    std::set<std::string> enumerated;  // "Record.field" the enumeration table names and the schema has
    for (const RecordSchema* schema : recordSchemas()) {
        for (const FieldSchema& field : schema->fields)
            if (fieldEnumeration(schema->name, field.name)) enumerated.insert(std::string(schema->name) + "." + field.name);
        for (const FieldSchema& field : schema->fields) {
            SCOPED_TRACE(std::string(schema->name) + "." + field.name);
            EXPECT_TRUE(fieldLabelled(field.name));
            const std::string label = fieldLabel(field.name);
            EXPECT_TRUE(std::isupper(static_cast<unsigned char>(label[0]))) << label;
        }
    }
    // Every row of the enumeration table names a field the schema has (sixteen
    // rows). A tray's size unit has none: the record's sizes are millimetres
    // and inches, which its own unit name says, not the MIB's micrometres.
    EXPECT_EQ(enumerated.size(), 16u);
    EXPECT_EQ(fieldEnumeration("TrayEntry", "sizeUnit"), std::nullopt);
    EXPECT_TRUE(enumerated.count("MarkerInfo.markingTechnology"));
    for (const QuerySchema& query : deviceQueries()) EXPECT_NE(queryTitle(query.name), query.name);
    EXPECT_EQ(queryTitle("GetDevFaxChannel"), "Fax lines");
    EXPECT_EQ(fieldEnumeration("SupplyEntry", "supplyType"), E::SupplyType);
    EXPECT_EQ(fieldEnumeration("TrayEntry", "capacityUnit"), E::CapacityUnit);
    EXPECT_EQ(fieldEnumeration("SupplyEntry", "name"), std::nullopt);
    EXPECT_EQ(fieldLabel("markingTechnology"), "Marking technology");
    EXPECT_EQ(fieldLabel("upTimeSeconds"), "Up time");
    EXPECT_EQ(fieldLabel("tcpIpEnabledText"), "TCP/IP");
}

std::string bracketed(std::string_view key, std::string_view english)
{
    return "[" + std::string(key) + "|" + std::string(english) + "]";
}

TEST(Words, ALanguageFileReplacesWordsByKey)
{
    setWordTranslator(bracketed);
    EXPECT_EQ(enumWord(E::SupplyType, 21), "[supplyType.21|toner cartridge]");
    EXPECT_EQ(fieldLabel("location"), "[field.location|Location]");
    EXPECT_EQ(notReported(), "[notReported|not reported]");
    // Machine keys are never translated.
    EXPECT_EQ(enumKey(E::SupplyType, 21), "toner_cartridge");
    setWordTranslator(nullptr);
    EXPECT_EQ(enumWord(E::SupplyType, 21), "toner cartridge");
}

TEST(Words, DisplayWidthCountsColumnsNotBytes)
{
    struct Case {
        const char* text;
        size_t width;
    };
    const Case cases[] = {
        {"", 0},
        {"Tray 1", 6},
        {"B\xC3\xBCro", 4},                          // precomposed u with diaeresis
        {"Bu\xCC\x88ro", 4},                         // u and a combining diaeresis
        {"\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", 6},  // three CJK ideographs
        {"\xED\x95\x9C\xEA\xB5\xAD", 4},              // two Hangul syllables
        {"\xEF\xBC\xA1", 2},                          // full-width A
        {"a\xE2\x80\x8B" "b", 2},                     // zero-width space
        {"\xFF" "a", 2},                              // a stray byte counts one column
        {"\xE6\x97", 2},                              // a cut-off sequence: one column per byte
        {"\xF0\x9F\x96\xA8", 2},                      // a printer emoji
    };
    for (const Case& c : cases) EXPECT_EQ(displayWidth(c.text), c.width) << c.text;
}

DeviceStatus alertOf(int32_t group, int32_t index, int32_t code)
{
    DeviceStatus alert{};
    alert.alertGroupValid = alert.alertIndexValid = alert.alertCodeValid = 1;
    alert.alertGroup = group;
    alert.alertIndex = index;
    alert.alertCode = code;
    return alert;
}

TEST(AlertSubjects, AlertsNameTheSupplyTrayOrCoverTheyConcern)
{
    using L = LevelState;
    // A colour laser with yellow low and magenta empty, and an inkjet and a mono printer beside it.
    AlertSubjects colour;
    colour.toners = {{"black", 21, 1, L::Ok, 60, 1}, {"cyan", 21, 2, L::Ok, 70, 2}, {"magenta", 21, 3, L::Empty, 0, 3},
                     {"yellow", 21, 4, L::Low, 4, 4}};
    colour.trays = {{"Bypass Tray", L::Ok}, {"Tray 2", L::Empty}, {"Tray 3", L::Ok}};
    AlertSubjects inkjet;
    inkjet.toners = {{"black", 6, 1, L::Low, 3, 1}, {"cyan", 6, 2, L::Low, 3, 2}};
    // The device calls black low while cyan is lower: the row it points at.
    AlertSubjects early;
    early.toners = {{"black", 3, 1, L::Ok, 9, 1}, {"cyan", 3, 2, L::Ok, 4, 2}, {"yellow", 3, 3, L::Unknown, -1, 3}};
    AlertSubjects tied;
    tied.toners = {{"black", 3, 1, L::Ok, 20, 1}, {"cyan", 3, 2, L::Ok, 20, 2}};
    AlertSubjects mono;
    mono.toners = {{"black", 3, 1, L::Unknown, -1, 1}};
    AlertSubjects nothing;

    struct Case {
        const char* what;
        const AlertSubjects& subjects;
        DeviceStatus alert;
        const char* message;  // null: the message service's words stay
        const char* hint;
    };
    const Case cases[] = {
        {"supplies row, the one low toner", colour, alertOf(11, 4, 1104), "Yellow toner low",
         "Printing goes on for now. Have a new yellow toner cartridge ready and replace it when the printer asks."},
        {"supplies row, the one empty toner", colour, alertOf(11, 3, 13), "Magenta toner empty",
         "Replace the magenta toner cartridge; the printer cannot print until you do."},
        {"colorant row by its index", colour, alertOf(12, 2, 1115), "Cyan toner cartridge missing",
         "Install the cyan toner cartridge."},
        {"one toner only", mono, alertOf(11, 1, 1101), "Black toner empty",
         "Replace the black toner cartridge; the printer cannot print until you do."},
        {"two inks low, no row: no guess", inkjet, alertOf(11, 0, 1105), nullptr, nullptr},
        {"the row it points at, not the lowest", early, alertOf(11, 1, 1104), "Black toner low",
         "Printing goes on for now. Have a new black toner cartridge ready and replace it when the printer asks."},
        {"no row and no level singles one out", tied, alertOf(11, 0, 1104), nullptr, nullptr},
        {"a row past the toner is another supply", early, alertOf(11, 5, 1101), nullptr, nullptr},
        {"ink colorant", inkjet, alertOf(12, 1, 12), "Black ink low",
         "Printing goes on for now. Have a new black ink cartridge ready and replace it when the printer asks."},
        {"the empty tray", colour, alertOf(8, 2, 808), "Tray 2 empty", "Load paper into Tray 2."},
        {"tray by index", colour, alertOf(8, 3, 801), "Tray 3 missing", "Push Tray 3 fully into the printer."},
        {"jam at a tray", colour, alertOf(8, 1, 8), "Paper jam at Bypass Tray",
         "Pull out Bypass Tray, remove any jammed or creased sheets, then push it back in."},
        {"tray without readings", nothing, alertOf(8, 2, 13), nullptr, nullptr},
        {"cover: no name in the readings", colour, alertOf(6, 2, 3), nullptr, nullptr},
        {"output bin: no name either", colour, alertOf(9, 1, 903), nullptr, nullptr},
        {"toner without readings", nothing, alertOf(11, 1, 1104), nullptr, nullptr},
        {"a jam of the media path", colour, alertOf(13, 1, 8), nullptr, nullptr},
        {"tray row past the readings", colour, alertOf(8, 9, 801), nullptr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<AlertMessage> messages = {{"From the service", "Its hint", "picture.png"}};
        nameSubjects(messages, {&c.alert, 1}, c.subjects);
        EXPECT_EQ(messages[0].message, c.message ? c.message : "From the service");
        EXPECT_EQ(messages[0].hint, c.hint ? c.hint : "Its hint");
        EXPECT_EQ(messages[0].image, "picture.png");
    }
    // An alert the message service does not know stays without words.
    std::vector<AlertMessage> unknown(1);
    const DeviceStatus empty = alertOf(8, 2, 808);
    nameSubjects(unknown, {&empty, 1}, colour);
    EXPECT_TRUE(unknown[0].message.empty());
}

TEST(AlertSubjects, TheColourComesFromTheNameOrTheColourValue)
{
    struct Case {
        const char* name;
        std::array<int32_t, 3> rgb;
        bool rgbValid;
        const char* colour;
    };
    const Case cases[] = {
        {"Black Cartridge HP CF410A", {0, 0, 0}, false, "black"},
        {"Light Cyan Ink", {0, 0, 0}, false, ""},
        {"Light Cyan Ink", {0, 255, 255}, true, "cyan"},
        {"Toner 2", {255, 0, 255}, true, "magenta"},
        {"Toner 3", {10, 20, 30}, true, ""},
        {"Canon Cartridge 719/719H", {0, 0, 0}, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QueryReading reading;
        reading.recordSize = sizeof(TonerEntry);
        reading.records.assign(sizeof(TonerEntry), 0);
        TonerEntry toner{};
        toner.nameValid = 1;
        std::snprintf(toner.name, sizeof toner.name, "%s", c.name);
        toner.colorValid = c.rgbValid;
        std::copy(c.rgb.begin(), c.rgb.end(), toner.color);
        toner.remainingPercentValid = 1;
        toner.remainingPercent = 3;
        std::memcpy(reading.records.data(), &toner, sizeof toner);
        const AlertSubjects subjects = alertSubjects(&reading, nullptr);
        ASSERT_EQ(subjects.toners.size(), 1u);
        EXPECT_EQ(subjects.toners[0].colour, c.colour);
        EXPECT_EQ(subjects.toners[0].state, LevelState::Low);
    }
}

}  // namespace
}  // namespace netrov::core
