// The reading's rules: colour, part number, thresholds, states, alerts.
#include "reading.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <cctype>
#include <mutex>
#include <vector>

#include <netrov/printer_mib.h>

#include "platform/module_path.h"
#include "platform/profile_file.h"
#include "search_settings.h"

namespace netrov::core {

namespace {

constexpr const char* kSupplyKindKeys[kSupplyKindCount] = {"drum", "fuser", "waste", "paper", "other", "toner", "ink"};

constexpr struct {
    int32_t type;
    SupplyKind kind;
} kSupplyKinds[] = {
    {NETROV_SUPPLY_TONER, SupplyKind::Toner},        {NETROV_SUPPLY_TONER_CARTRIDGE, SupplyKind::Toner},
    {NETROV_SUPPLY_MATTE_TONER, SupplyKind::Toner},  {NETROV_SUPPLY_INK, SupplyKind::Ink},
    {NETROV_SUPPLY_INK_CARTRIDGE, SupplyKind::Ink},  {NETROV_SUPPLY_INK_RIBBON, SupplyKind::Ink},
    {NETROV_SUPPLY_MATTE_INK, SupplyKind::Ink},      {NETROV_SUPPLY_SOLID_WAX, SupplyKind::Ink},
    {NETROV_SUPPLY_RIBBON_WAX, SupplyKind::Ink},     {NETROV_SUPPLY_WASTE_TONER, SupplyKind::Waste},
    {NETROV_SUPPLY_WASTE_INK, SupplyKind::Waste},    {NETROV_SUPPLY_WASTE_WAX, SupplyKind::Waste},
    {NETROV_SUPPLY_WASTE_WATER, SupplyKind::Waste},  {NETROV_SUPPLY_OPC, SupplyKind::Drum},
    {NETROV_SUPPLY_FUSER, SupplyKind::Fuser},
};

// Words that name a process colour, lower case, in the languages of the
// printers' own supply names. CJK names carry no blanks, so their words
// are found anywhere in the name; the others only as whole words.
struct ColourWord {
    const char* word;
    const char* colour;
    bool anywhere;
};
constexpr ColourWord kColourWords[] = {
    {"black", "black", false},    {"schwarz", "black", false}, {"noir", "black", false},
    {"nero", "black", false},     {"negro", "black", false},   {"preto", "black", false},
    {"zwart", "black", false},    {"czarny", "black", false},  {"k", "black", false},
    {"bk", "black", false},       {"\xE9\xBB\x91", "black", true},  // 黑
    {"cyan", "cyan", false},      {"ciano", "cyan", false},    {"cian", "cyan", false},
    {"cyaan", "cyan", false},     {"cyjan", "cyan", false},    {"c", "cyan", false},
    {"\xE9\x9D\x92", "cyan", true},  // 青
    {"magenta", "magenta", false}, {"m", "magenta", false},
    {"\xE5\x93\x81\xE7\xBA\xA2", "magenta", true},  // 品红
    {"\xE6\xB4\x8B\xE7\xBA\xA2", "magenta", true},  // 洋红
    {"yellow", "yellow", false},  {"gelb", "yellow", false},   {"jaune", "yellow", false},
    {"giallo", "yellow", false},  {"amarillo", "yellow", false}, {"amarelo", "yellow", false},
    {"geel", "yellow", false},    {"\xC5\xBC\xC3\xB3\xC5\x82ty", "yellow", false},  // żółty
    {"y", "yellow", false},       {"\xE9\xBB\x84", "yellow", true},  // 黄
};

// Shades that are not the process colour even when a colour word follows:
// a light cyan or a grey has a colorant of its own.
constexpr const char* kShadeWords[] = {"light", "hell", "clair", "chiaro", "claro", "licht", "grey", "gray",
                                       "grau", "gris", "grigio", "photo grey", "\xE6\xB7\xA1"};  // 淡

// The name in lower case (ASCII letters only; other bytes stay) split into
// words at every ASCII byte that is no letter or digit.
std::vector<std::string> wordsOf(std::string_view name)
{
    std::vector<std::string> words(1);
    for (const char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x80 || std::isalnum(u)) {
            words.back() += static_cast<char>(u < 0x80 ? std::tolower(u) : u);
        } else if (!words.back().empty()) {
            words.emplace_back();
        }
    }
    if (words.back().empty()) words.pop_back();
    return words;
}

struct RgbColour {
    std::array<int32_t, 3> rgb;
    const char* colour;
};
constexpr RgbColour kRgbColours[] = {
    {{0, 0, 0}, "black"}, {{0, 255, 255}, "cyan"}, {{255, 0, 255}, "magenta"}, {{255, 255, 0}, "yellow"}};

// The threshold table of the process; written only before reading threads start.
ThresholdTable& processThresholds()
{
    static ThresholdTable table;
    return table;
}

// The alert codes that report a state or an event and ask nothing.
constexpr int32_t kInformationalCodes[] = {
    NETROV_ALERT_COVER_CLOSED,           NETROV_ALERT_INTERLOCK_CLOSED, NETROV_ALERT_CONFIGURATION_CHANGE,
    NETROV_ALERT_SUBUNIT_CLOSED,         NETROV_ALERT_SUBUNIT_TURNED_ON, NETROV_ALERT_SUBUNIT_POWER_SAVER,
    NETROV_ALERT_SUBUNIT_WARMING_UP,     NETROV_ALERT_SUBUNIT_ADDED,    NETROV_ALERT_SUBUNIT_RESOURCE_ADDED,
    NETROV_ALERT_DOOR_CLOSED,            NETROV_ALERT_POWER_UP,         NETROV_ALERT_PRINTER_NMS_RESET,
    NETROV_ALERT_PRINTER_MANUAL_RESET,   NETROV_ALERT_PRINTER_READY_TO_PRINT,
};

constexpr struct {
    int32_t code;
    PrinterSays says;
} kSupplyAlerts[] = {
    {NETROV_ALERT_SUBUNIT_LIFE_ALMOST_OVER, PrinterSays::Low},
    {NETROV_ALERT_SUBUNIT_LIFE_OVER, PrinterSays::Empty},
    {NETROV_ALERT_SUBUNIT_ALMOST_EMPTY, PrinterSays::Low},
    {NETROV_ALERT_SUBUNIT_EMPTY, PrinterSays::Empty},
    {NETROV_ALERT_SUBUNIT_ALMOST_FULL, PrinterSays::Low},
    {NETROV_ALERT_SUBUNIT_FULL, PrinterSays::Empty},
    {NETROV_ALERT_MARKER_TONER_EMPTY, PrinterSays::Empty},
    {NETROV_ALERT_MARKER_INK_EMPTY, PrinterSays::Empty},
    {NETROV_ALERT_MARKER_PRINT_RIBBON_EMPTY, PrinterSays::Empty},
    {NETROV_ALERT_MARKER_TONER_ALMOST_EMPTY, PrinterSays::Low},
    {NETROV_ALERT_MARKER_INK_ALMOST_EMPTY, PrinterSays::Low},
    {NETROV_ALERT_MARKER_PRINT_RIBBON_ALMOST_EMPTY, PrinterSays::Low},
};

std::string trimmedLower(std::string_view text)
{
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    const size_t last = text.find_last_not_of(" \t\r\n");
    std::string out(text.substr(first, last - first + 1));
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

}  // namespace

const char* supplyKindKey(SupplyKind kind)
{
    const auto i = static_cast<size_t>(kind);
    return i < kSupplyKindCount ? kSupplyKindKeys[i] : "other";
}

SupplyKind supplyKindOf(int32_t supplyType)
{
    for (const auto& k : kSupplyKinds) {
        if (k.type == supplyType) return k.kind;
    }
    return SupplyKind::Other;
}

std::string colourFromName(std::string_view name)
{
    const std::vector<std::string> words = wordsOf(name);
    std::string lower;
    for (const std::string& w : words) lower += (lower.empty() ? "" : " ") + w;
    for (const char* shade : kShadeWords) {
        const std::string_view s(shade);
        const bool multiWord = s.find(' ') != std::string_view::npos || static_cast<unsigned char>(s[0]) >= 0x80;
        if (multiWord ? lower.find(s) != std::string::npos : std::find(words.begin(), words.end(), s) != words.end())
            return kOtherColour;
    }
    std::string found;
    for (const ColourWord& c : kColourWords) {
        const bool present = c.anywhere ? lower.find(c.word) != std::string::npos
                                        : std::find(words.begin(), words.end(), c.word) != words.end();
        if (!present) continue;
        // A name that says two colours ("Cyan/Magenta/Yellow Drum") is no one colour.
        if (!found.empty() && found != c.colour) return kOtherColour;
        found = c.colour;
    }
    return found.empty() ? kOtherColour : found;
}

std::string supplyColour(const int32_t rgb[3], bool rgbValid, std::string_view name)
{
    if (rgbValid && rgb) {
        for (const RgbColour& c : kRgbColours) {
            if (std::equal(c.rgb.begin(), c.rgb.end(), rgb)) return c.colour;
        }
        // The colorant table names a colour of its own (a light cyan, a red).
        return kOtherColour;
    }
    return colourFromName(name);
}

std::string partNumberOf(std::string_view name)
{
    // Tokens as names write them: blanks, commas, semicolons and brackets apart.
    std::vector<std::string> tokens(1);
    for (const char c : name) {
        if (std::string_view(" \t,;()[]").find(c) != std::string_view::npos) {
            if (!tokens.back().empty()) tokens.emplace_back();
        } else {
            tokens.back() += c;
        }
    }
    if (tokens.back().empty()) tokens.pop_back();
    const auto partLike = [](const std::string& t) {
        if (t.size() < 4 || t.size() > 32) return false;
        bool digit = false;
        bool letter = false;
        for (const char c : t) {
            const auto u = static_cast<unsigned char>(c);
            if (u >= 0x80) return false;
            digit = digit || std::isdigit(u);
            letter = letter || std::isalpha(u);
            if (!std::isalnum(u) && c != '-' && c != '/' && c != '.') return false;
        }
        // A serial number, written "SN1234..." or "S/N:...", is no part.
        const std::string upper = trimmedLower(t);
        return digit && letter && upper.rfind("sn", 0) != 0 && upper.rfind("s/n", 0) != 0;
    };
    for (size_t i = 0; i + 1 < tokens.size(); ++i) {
        if ((tokens[i] == "PN" || tokens[i] == "P/N") && partLike(tokens[i + 1])) return tokens[i + 1];
    }
    for (auto t = tokens.rbegin(); t != tokens.rend(); ++t) {
        // Only a token with a digit that is not just a colour letter or a word.
        if (partLike(*t)) return *t;
    }
    return {};
}

ThresholdTable::ThresholdTable()
{
    for (const ThresholdDefault& d : kThresholdDefaults) of(d.kind) = d.level;
}

void loadThresholds(SettingsStore& store, ThresholdTable& table)
{
    for (const ThresholdDefault& d : kThresholdDefaults) {
        LevelThreshold& level = table.of(d.kind);
        const auto read = [&](const char* suffix, int32_t current) {
            const int32_t value = store.readInt(kThresholdSection, std::string(d.key) + suffix, current);
            return value >= -1 && value <= 100 ? value : current;
        };
        level.warning = read("Warning", level.warning);
        level.critical = read("Critical", level.critical);
        if (level.warning >= 0 && level.critical > level.warning) level.critical = level.warning;
    }
}

void loadThresholds(const std::string& iniPath, ThresholdTable& table)
{
    // The INI file through the same reading as the settings store's keys.
    class IniStore : public SettingsStore {
    public:
        explicit IniStore(const std::string& path) : path_(path) {}
        int32_t readInt(const std::string& section, const std::string& key, int32_t fallback) override
        {
            const std::string text = platform::getPrivateProfileString(section, key, "", path_, 32);
            if (text.empty()) return fallback;
            char* end = nullptr;
            const long value = std::strtol(text.c_str(), &end, 10);
            return end && *end == '\0' && value >= -1 && value <= 100 ? static_cast<int32_t>(value) : fallback;
        }
        std::string readString(const std::string& section, const std::string& key, const std::string& fallback) override
        {
            return platform::getPrivateProfileString(section, key, fallback, path_, 256);
        }
        void writeInt(const std::string&, const std::string&, int32_t) override {}
        void writeString(const std::string&, const std::string&, const std::string&) override {}

    private:
        std::string path_;
    } store(iniPath);
    loadThresholds(store, table);
}

const ThresholdTable& activeThresholds() { return processThresholds(); }

void setActiveThresholds(const ThresholdTable& table) { processThresholds() = table; }

LevelState supplyState(SupplyKind kind, std::optional<int32_t> percent, std::optional<int32_t> levelCode,
                       PrinterSays printer, const ThresholdTable& table)
{
    if (printer == PrinterSays::Empty) return LevelState::Empty;
    const LevelThreshold& level = table.of(kind);
    if (percent && *percent >= 0 && *percent <= 100) {
        if (*percent == 0) return LevelState::Empty;
        const bool below = (level.warning >= 0 && *percent < level.warning) ||
                           (level.critical >= 0 && *percent < level.critical);
        return below || printer == PrinterSays::Low ? LevelState::Low : LevelState::Ok;
    }
    if (printer == PrinterSays::Low) return LevelState::Low;
    return levelCode == NETROV_LEVEL_SOME_REMAINING ? LevelState::SomeRemaining : LevelState::Unknown;
}

bool alertInformational(const AlertFacts& alert)
{
    if (alert.severity == NETROV_ALERT_SEVERITY_CRITICAL) return false;
    if (alert.trainingLevel == NETROV_ALERT_TRAINING_NO_INTERVENTION) return true;
    if (std::find(std::begin(kInformationalCodes), std::end(kInformationalCodes), alert.code) !=
        std::end(kInformationalCodes))
        return true;
    const std::string text = trimmedLower(alert.description);
    return std::any_of(std::begin(kInformationalTexts), std::end(kInformationalTexts),
                       [&](const char* t) { return text == t; });
}

bool alertNeedsAttention(std::optional<int32_t> alertCode)
{
    if (!alertCode) return true;
    AlertFacts facts;
    facts.code = *alertCode;
    return !alertInformational(facts);
}

PrinterSays alertSaysOfSupply(int32_t code)
{
    for (const auto& a : kSupplyAlerts) {
        if (a.code == code) return a.says;
    }
    return PrinterSays::Nothing;
}

bool alertPointsAtSupply(const AlertFacts& alert)
{
    return alert.group == NETROV_ALERT_GROUP_MARKER_SUPPLIES && alert.index > 0;
}

bool alertPointsAtColorant(const AlertFacts& alert)
{
    return alert.group == NETROV_ALERT_GROUP_MARKER_COLORANT && alert.index > 0;
}

void loadProgramThresholds()
{
    const std::filesystem::path program = platform::programPath();
    if (program.empty()) return;
    ThresholdTable table = activeThresholds();
    loadThresholds((program.parent_path() / "NetRov.ini").string(), table);
    setActiveThresholds(table);
}

}  // namespace netrov::core
