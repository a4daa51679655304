// The rules every surface reads a printer by: a supply's colour from the
// printer's own words, one table of warning and critical levels per kind
// of supply, a supply's state from its level and the printer's own "low",
// the supply an alert points at, and which alerts are only information.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "attention.h"

namespace netrov::core {

class SettingsStore;

// What a supply is, for its thresholds. Toner and Ink are marker supplies
// with a colour; Paper is a tray. The first five keep their values, which
// reports have always had.
enum class SupplyKind : uint8_t { Drum, Fuser, Waste, Paper, Other, Toner, Ink };
inline constexpr size_t kSupplyKindCount = 7;
// "drum", "fuser", "waste", "paper", "other", "toner", "ink".
const char* supplyKindKey(SupplyKind kind);
// A prtMarkerSuppliesType value as a kind; paper never comes from it.
SupplyKind supplyKindOf(int32_t supplyType);

// The only colours a supply is labelled, counted or given a column by.
inline constexpr const char* kProcessColours[] = {"black", "cyan", "magenta", "yellow"};
inline constexpr const char* kOtherColour = "other";

// The colour of a marker supply: the colorant table's colour when the
// device gave one (an RGB triple), else the colour its name says in any of
// the languages printers use (or a lone K, C, M or Y), else "other". A name
// that says two colours, or a light or grey shade, is "other".
std::string supplyColour(const int32_t rgb[3], bool rgbValid, std::string_view name);
// The colour a supply's name says; "other" when it says none or several.
std::string colourFromName(std::string_view name);

// The order part number a supply's name carries ("CF410A" of "Black
// Cartridge HP CF410A", "006R01509" of "Black Toner, PN 006R01509;SN..."),
// empty when it carries none.
std::string partNumberOf(std::string_view name);

// Warn below warning, critical below critical (percent of the maximum);
// -1: no threshold. The same "below N" as a check's range "N:".
struct LevelThreshold {
    int32_t warning = -1;
    int32_t critical = -1;
};

// The one table of levels by kind. Every surface takes its states,
// colouring, check defaults and shipped alert rules from it.
struct ThresholdTable {
    LevelThreshold byKind[kSupplyKindCount];
    ThresholdTable();  // the defaults of kThresholdDefaults
    const LevelThreshold& of(SupplyKind kind) const { return byKind[static_cast<size_t>(kind)]; }
    LevelThreshold& of(SupplyKind kind) { return byKind[static_cast<size_t>(kind)]; }
};

struct ThresholdDefault {
    SupplyKind kind;
    const char* key;  // the settings key's stem: TonerWarning, TonerCritical
    LevelThreshold level;
};
inline constexpr ThresholdDefault kThresholdDefaults[] = {
    {SupplyKind::Toner, "Toner", {15, 5}}, {SupplyKind::Ink, "Ink", {15, 5}},
    {SupplyKind::Drum, "Drum", {10, 3}},   {SupplyKind::Fuser, "Fuser", {10, 3}},
    {SupplyKind::Waste, "Waste", {10, 3}}, {SupplyKind::Paper, "Paper", {-1, -1}},
    {SupplyKind::Other, "Other", {-1, -1}},
};
// The settings file's section of the table.
inline constexpr const char* kThresholdSection = "Thresholds";

// Reads the [Thresholds] section over the table ("TonerWarning=20"); a key
// that is absent or not within -1..100 keeps the table's value, and a
// critical level above its warning level is lowered to it.
void loadThresholds(SettingsStore& store, ThresholdTable& table);
// The same from an INI file; a missing file changes nothing.
void loadThresholds(const std::string& iniPath, ThresholdTable& table);

// The table of this process: the defaults until a program sets its own at
// start-up (from its settings, then a run's options), before any thread
// that reads devices starts.
const ThresholdTable& activeThresholds();
void setActiveThresholds(const ThresholdTable& table);
// Sets the process's table from the [Thresholds] section of the NetRov.ini
// beside the program, when there is one: every program reads the same file.
void loadProgramThresholds();

// What the printer itself says of one supply, beside its level.
enum class PrinterSays : uint8_t { Nothing, Low, Empty };

// The state of a supply: empty at 0 %, low below its kind's warning level,
// else ok; the device's level codes give unknown or some_remaining. The
// printer's own low or empty wins over a level that says more is left.
LevelState supplyState(SupplyKind kind, std::optional<int32_t> percent, std::optional<int32_t> levelCode,
                       PrinterSays printer, const ThresholdTable& table = activeThresholds());

// One alert as the device gives it. Severity, training level and
// description are kept when the device's reading carries them.
struct AlertFacts {
    int32_t code = 0;
    int32_t group = 0;
    int32_t index = 0;  // the row of the group it points at; 0: none
    std::optional<int32_t> severity;
    std::optional<int32_t> trainingLevel;
    std::string description;  // the device's own text
    std::optional<int32_t> location{};  // prtAlertLocation: the place within the row pointed at
};

// Alerts that ask nothing of anyone: a training level of "no intervention
// required", a code that reports a state or an event (ready, power save,
// warming up, switched on, a cover closed), or a device text that is one of
// kInformationalTexts. A critical alert always asks for something, whatever
// its code, text or training level say: no severity says "information", but
// "critical" says the opposite.
bool alertInformational(const AlertFacts& alert);
// Device texts of alerts that only say how the printer is, compared
// without case and surrounding blanks.
inline constexpr const char* kInformationalTexts[] = {"ready", "sleep", "sleeping", "idle", "power save",
                                                      "energy saver", "warming up", "online"};

// What an alert says of the supply it points at: Low for "almost empty",
// "almost full" (a waste container's room) or "life almost over", Empty for
// "empty", "full" and "life over"; Nothing for other codes.
PrinterSays alertSaysOfSupply(int32_t code);

// Whether the alert points at a marker supply row (prtMarkerSuppliesIndex)
// or at a colorant row (prtMarkerColorantIndex).
bool alertPointsAtSupply(const AlertFacts& alert);
bool alertPointsAtColorant(const AlertFacts& alert);

}  // namespace netrov::core
