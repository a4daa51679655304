// The reading's rules, one table each: colour, part number, thresholds,
// supply state, informational alerts and the supply an alert points at.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include <netrov/printer_mib.h>

#include "fleet_report.h"
#include "reading.h"
#include "temp_dir.h"

namespace netrov::core {
namespace {

TEST(Reading, ColourFromTheName)
{
    const struct {
        const char* name;
        const char* colour;
    } cases[] = {
        {"Black Cartridge AB400X", "black"},
        {"Toner (Black)", "black"},
        {"Schwarz Toner", "black"},
        {"Cartouche noir", "black"},
        {"Toner nero", "black"},
        {"Cartucho negro", "black"},
        {"Toner preto", "black"},
        {"Zwart", "black"},
        {"Toner czarny", "black"},
        {"\xE9\xBB\x91\xE8\x89\xB2\xE7\xA2\xB3\xE7\xB2\x89", "black"},  // 黑色碳粉
        {"Toner K", "black"},
        {"TK-5240K", "other"},  // a model, not a colour
        {"Cyan Toner", "cyan"},
        {"Toner C", "cyan"},
        {"Magenta Cartridge HP CF413A", "magenta"},
        {"M", "magenta"},
        {"Yellow Toner", "yellow"},
        {"Gelb", "yellow"},
        {"Toner jaune", "yellow"},
        {"Giallo", "yellow"},
        {"Amarillo", "yellow"},
        {"Amarelo", "yellow"},
        {"Geel", "yellow"},
        {"Toner \xC5\xBC\xC3\xB3\xC5\x82ty", "yellow"},  // żółty
        {"\xE9\xBB\x84", "yellow"},                       // 黄
        {"Y", "yellow"},
        {"Light Cyan Ink", "other"},
        {"Photo Grey", "other"},
        {"Cyan/Magenta/Yellow Drum", "other"},
        {"Canon Cartridge 719/719H", "other"},
        {"", "other"},
    };
    for (const auto& c : cases) EXPECT_EQ(colourFromName(c.name), c.colour) << c.name;
}

TEST(Reading, ColorantTableBeforeTheName)
{
    const int32_t cyan[3] = {0, 255, 255};
    const int32_t lightCyan[3] = {128, 255, 255};
    EXPECT_EQ(supplyColour(cyan, true, "Black Toner"), "cyan");
    EXPECT_EQ(supplyColour(lightCyan, true, "Cyan"), "other");
    EXPECT_EQ(supplyColour(cyan, false, "Black Toner"), "black");
}

TEST(Reading, PartNumberFromTheName)
{
    const struct {
        const char* name;
        const char* part;
    } cases[] = {
        {"Black Cartridge HP CF410A", "CF410A"},
        {"Black Toner, PN 006R01509;SN48178080E0000481", "006R01509"},
        {"Black Ink Supply Unit T9441/T9451/T9461", "T9441/T9451/T9461"},
        {"Black Toner Cartridge S/N:CRUM-", ""},
        {"Drum Cartridge (R1)", ""},
        {"Black Toner", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(partNumberOf(c.name), c.part) << c.name;
}

TEST(Reading, StateFromKindLevelAndThePrintersOwnWord)
{
    const std::optional<int32_t> none;
    const struct {
        const char* what;
        SupplyKind kind;
        std::optional<int32_t> percent;
        std::optional<int32_t> code;
        PrinterSays printer;
        LevelState state;
    } cases[] = {
        {"toner above its warning level", SupplyKind::Toner, 15, none, PrinterSays::Nothing, LevelState::Ok},
        {"toner below its warning level", SupplyKind::Toner, 9, none, PrinterSays::Nothing, LevelState::Low},
        {"ink below its critical level", SupplyKind::Ink, 4, none, PrinterSays::Nothing, LevelState::Low},
        {"an empty toner", SupplyKind::Toner, 0, none, PrinterSays::Nothing, LevelState::Empty},
        {"a drum at 12 %", SupplyKind::Drum, 12, none, PrinterSays::Nothing, LevelState::Ok},
        {"a drum at 9 %", SupplyKind::Drum, 9, none, PrinterSays::Nothing, LevelState::Low},
        {"a fuser at 9 %", SupplyKind::Fuser, 9, none, PrinterSays::Nothing, LevelState::Low},
        {"a waste box with 9 % room", SupplyKind::Waste, 9, none, PrinterSays::Nothing, LevelState::Low},
        {"paper at 1 % has no threshold", SupplyKind::Paper, 1, none, PrinterSays::Nothing, LevelState::Ok},
        {"the printer's low at 80 %", SupplyKind::Toner, 80, none, PrinterSays::Low, LevelState::Low},
        {"the printer's low, level unknown", SupplyKind::Toner, none, NETROV_LEVEL_UNKNOWN, PrinterSays::Low,
         LevelState::Low},
        {"the printer's empty at 40 %", SupplyKind::Toner, 40, none, PrinterSays::Empty, LevelState::Empty},
        {"some remaining", SupplyKind::Toner, none, NETROV_LEVEL_SOME_REMAINING, PrinterSays::Nothing,
         LevelState::SomeRemaining},
        {"no level at all", SupplyKind::Toner, none, none, PrinterSays::Nothing, LevelState::Unknown},
    };
    const ThresholdTable table;
    for (const auto& c : cases) EXPECT_EQ(supplyState(c.kind, c.percent, c.code, c.printer, table), c.state) << c.what;
}

TEST(Reading, ThresholdSectionOfTheSettingsFile)
{
    const struct {
        const char* what;
        const char* section;
        LevelThreshold toner;
        LevelThreshold drum;
    } cases[] = {
        {"no section keeps the defaults", "", {15, 5}, {10, 3}},
        {"toner levels of its own", "[Thresholds]\nTonerWarning=25\nTonerCritical=10\n", {25, 10}, {10, 3}},
        {"a value out of range is ignored", "[Thresholds]\nDrumWarning=250\nTonerCritical=x\n", {15, 5}, {10, 3}},
        {"critical above warning is lowered", "[Thresholds]\nDrumWarning=4\n", {15, 5}, {4, 3}},
        {"-1 turns a level off", "[Thresholds]\nDrumCritical=-1\n", {15, 5}, {10, -1}},
    };
    test::TempDir dir;
    for (const auto& c : cases) {
        const std::string path = dir.file("NetRov.ini");
        test::writeFile(path, std::string("[Main]\nCompany=X\n") + c.section);
        ThresholdTable table;
        loadThresholds(path, table);
        EXPECT_EQ(table.of(SupplyKind::Toner).warning, c.toner.warning) << c.what;
        EXPECT_EQ(table.of(SupplyKind::Toner).critical, c.toner.critical) << c.what;
        EXPECT_EQ(table.of(SupplyKind::Drum).warning, c.drum.warning) << c.what;
        EXPECT_EQ(table.of(SupplyKind::Drum).critical, c.drum.critical) << c.what;
    }
}

TEST(Reading, InformationalAlerts)
{
    const std::optional<int32_t> none;
    const struct {
        const char* what;
        int32_t code;
        std::optional<int32_t> training;
        const char* text;
        bool informational;
        std::optional<int32_t> severity = std::nullopt;
    } cases[] = {
        {"power saver", NETROV_ALERT_SUBUNIT_POWER_SAVER, none, "", true},
        {"warming up", NETROV_ALERT_SUBUNIT_WARMING_UP, none, "", true},
        {"switched on, whatever the text", NETROV_ALERT_SUBUNIT_TURNED_ON, none, "Fuser too cold", true},
        {"ready to print", NETROV_ALERT_PRINTER_READY_TO_PRINT, none, "", true},
        {"no intervention required", NETROV_ALERT_JAM, NETROV_ALERT_TRAINING_NO_INTERVENTION, "", true},
        {"\"Ready\" as the device's text", NETROV_ALERT_OTHER, none, " Ready ", true},
        {"\"Sleep\"", NETROV_ALERT_OTHER, none, "Sleep", true},
        {"\"Idle\"", NETROV_ALERT_OTHER, none, "IDLE", true},
        {"a jam", NETROV_ALERT_JAM, NETROV_ALERT_TRAINING_UNTRAINED, "Paper jam", false},
        {"another text", NETROV_ALERT_OTHER, none, "Ready to print soon? No: call service", false},
        {"toner almost empty", NETROV_ALERT_MARKER_TONER_ALMOST_EMPTY, none, "", false},
        {"\"Ready\" but critical", NETROV_ALERT_OTHER, none, "Ready", false, NETROV_ALERT_SEVERITY_CRITICAL},
        {"critical, though no intervention", NETROV_ALERT_JAM, NETROV_ALERT_TRAINING_NO_INTERVENTION, "", false,
         NETROV_ALERT_SEVERITY_CRITICAL},
        {"power saver as a binary-change warning", NETROV_ALERT_SUBUNIT_POWER_SAVER, none, "", true,
         NETROV_ALERT_SEVERITY_BINARY_CHANGE},
        {"\"Sleep\" as a unary warning", NETROV_ALERT_OTHER, none, "Sleep", true, NETROV_ALERT_SEVERITY_WARNING},
    };
    for (const auto& c : cases) {
        AlertFacts facts;
        facts.code = c.code;
        facts.trainingLevel = c.training;
        facts.description = c.text;
        facts.severity = c.severity;
        EXPECT_EQ(alertInformational(facts), c.informational) << c.what;
    }
}

// An alert that points at a supplies row (group 11) or a colorant (group 12)
// makes that supply's state, whatever the levels; the report's name of the
// alert over real walks is a row of the cross-surface test.
TEST(Reading, AnAlertPointsAtItsSupply)
{
    const struct {
        const char* what;
        int32_t code, group, index;
        size_t toner;  // which of black, cyan, magenta (the lowest), drum
        LevelState state;
    } cases[] = {
        {"toner low at row 1", NETROV_ALERT_MARKER_TONER_ALMOST_EMPTY, NETROV_ALERT_GROUP_MARKER_SUPPLIES, 1, 0, LevelState::Low},
        {"empty by colorant 2", NETROV_ALERT_MARKER_TONER_EMPTY, NETROV_ALERT_GROUP_MARKER_COLORANT, 2, 1, LevelState::Empty},
        {"drum life over at row 4", NETROV_ALERT_SUBUNIT_LIFE_OVER, NETROV_ALERT_GROUP_MARKER_SUPPLIES, 4, 3, LevelState::Empty},
    };
    for (const auto& c : cases) {
        DeviceReport report;
        for (const int32_t percent : {40, 60, 20}) {
            TonerLevel t;
            t.percent = percent;
            t.row = static_cast<int32_t>(report.toner.size()) + 1;
            t.colorantIndex = t.row;
            report.toner.push_back(t);
        }
        SupplyLevel drum;
        drum.kind = SupplyKind::Drum;
        drum.percent = 50;
        drum.row = 4;
        report.supplies.push_back(drum);
        report.alertReadings.push_back({AlertFacts{c.code, c.group, c.index, {}, {}, ""}});
        judgeReading(report);
        const LevelState state = c.toner < 3 ? report.toner[c.toner].state : report.supplies[0].state;
        EXPECT_EQ(state, c.state) << c.what;
        EXPECT_EQ(report.toner[2].state, LevelState::Ok) << c.what;
    }
}

}  // namespace
}  // namespace netrov::core
