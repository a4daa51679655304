// The judgement of a whole device over what a report reads, one table per rule.
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "attention.h"
#include "fleet_report.h"

namespace netrov::core {
namespace {

// A level as a test writes it: a percentage, or a device's level code.
struct Level {
    std::optional<int32_t> percent;
    std::optional<int32_t> code;
};
constexpr Level pct(int32_t p) { return {p, std::nullopt}; }
constexpr Level code(int32_t c) { return {std::nullopt, c}; }

struct Supply {
    SupplyKind kind;
    Level level;
};

DeviceReport deviceWith(const std::vector<Level>& toner, const std::vector<Supply>& supplies, uint32_t errorBits,
                        size_t alerts)
{
    DeviceReport report;
    for (const Level& l : toner) report.toner.push_back({"black", "Black", l.percent, "", l.code});
    for (const Supply& s : supplies) report.supplies.push_back({s.kind, "unit", s.level.percent, s.level.code});
    report.errorBits = errorBits;
    report.alerts.assign(alerts, "Cover open");
    return report;
}

TEST(DeviceAttention, LevelsErrorBitsAndAlerts)
{
    const struct {
        const char* what;
        std::vector<Level> toner;
        std::vector<Supply> supplies;
        uint32_t errorBits;
        size_t alerts;
        uint8_t reasons;
    } cases[] = {
        {"a full toner", {pct(81)}, {}, 0, 0, 0},
        {"no supplies at all", {}, {}, 0, 0, 0},
        {"toner at its warning level", {pct(15)}, {}, 0, 0, 0},
        {"toner below its warning level", {pct(14)}, {}, 0, 0, kAttentionSupplyLow},
        {"an empty ink among full ones", {pct(72), pct(15), pct(0)}, {}, 0, 0, kAttentionSupplyEmpty},
        {"some remaining is no reason", {code(kLevelSomeRemaining)}, {}, 0, 0, 0},
        {"an unknown level is no reason", {code(kLevelUnknown), code(kLevelOther), {}}, {}, 0, 0, 0},
        {"a drum near its end", {pct(50)}, {{SupplyKind::Drum, pct(3)}}, 0, 0, kAttentionSupplyLow},
        {"a fuser at its end", {}, {{SupplyKind::Fuser, pct(0)}}, 0, 0, kAttentionSupplyEmpty},
        {"a full waste box (no room left)", {}, {{SupplyKind::Waste, pct(0)}}, 0, 0, kAttentionSupplyEmpty},
        {"an empty tray is the paper, not a supply", {pct(90)}, {{SupplyKind::Paper, pct(0)}}, 0, 0, 0},
        {"a jam bit", {pct(90)}, {}, kErrorJammed, 0, kAttentionErrorState},
        {"a low-paper bit", {}, {}, kErrorLowPaper, 0, kAttentionErrorState},
        {"one alert", {pct(90)}, {}, 0, 1, kAttentionAlert},
        {"everything at once", {pct(0), pct(2)}, {{SupplyKind::Other, pct(1)}}, kErrorDoorOpen, 3,
         kAttentionSupplyEmpty | kAttentionSupplyLow | kAttentionErrorState | kAttentionAlert},
    };
    for (const auto& c : cases) {
        const Attention a = deviceAttention(deviceWith(c.toner, c.supplies, c.errorBits, c.alerts));
        EXPECT_EQ(a.reasons, c.reasons) << c.what;
        EXPECT_EQ(a.needed(), c.reasons != 0) << c.what;
    }
}

TEST(DeviceAttention, OnlyAlertsThatAskForSomeoneCount)
{
    const struct {
        std::vector<int32_t> codes;  // of two alerts; a missing code counts as asking
        bool needed;
    } cases[] = {
        {{23, 24}, false},   // power saver, warming up
        {{507, 502}, false}, // ready to print, door closed
        {{23, 8}, true},     // and a jam
        {{1101}, true},      // toner empty, and an alert without a code
        {{3, 23}, true},     // cover open
    };
    for (const auto& c : cases) {
        DeviceReport report = deviceWith({pct(90)}, {}, 0, 2);
        report.alertCodes = c.codes;
        EXPECT_EQ(deviceAttention(report).needed(), c.needed) << c.codes.front();
    }
    EXPECT_FALSE(alertNeedsAttention(23));
    EXPECT_TRUE(alertNeedsAttention(1104));
    EXPECT_TRUE(alertNeedsAttention(std::nullopt));
}

TEST(DeviceAttention, TheLevelsAreTheThresholdTables)
{
    const DeviceReport report = deviceWith({pct(15)}, {{SupplyKind::Drum, pct(20)}}, 0, 0);
    EXPECT_FALSE(deviceAttention(report).needed());
    const ThresholdTable defaults = activeThresholds();
    ThresholdTable raised = defaults;
    raised.of(SupplyKind::Drum) = {25, 5};
    setActiveThresholds(raised);
    EXPECT_EQ(deviceAttention(report).reasons, kAttentionSupplyLow);
    setActiveThresholds(defaults);
}

TEST(DeviceAttention, ReasonKeysAndWords)
{
    const struct {
        uint8_t reasons;
        std::vector<std::string> keys;
        const char* words;
    } cases[] = {
        {0, {}, "nothing"},
        {kAttentionAlert, {"alert"}, "the printer has an alert"},
        {kAttentionSupplyLow | kAttentionSupplyEmpty, {"supply_empty", "supply_low"},
         "a supply is empty, a supply is low"},
        {kAttentionErrorState | kAttentionSupplyEmpty, {"supply_empty", "error_state"},
         "a supply is empty, the printer reports an error state"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(attentionKeys(Attention{c.reasons}), c.keys) << int{c.reasons};
        EXPECT_EQ(attentionWords(Attention{c.reasons}), c.words) << int{c.reasons};
    }
}

TEST(DeviceAttention, LevelStateTakesThePercentageBeforeTheCode)
{
    const struct {
        Level level;
        LevelState state;
    } cases[] = {
        {pct(40), LevelState::Ok},
        {pct(0), LevelState::Empty},
        {code(kLevelSomeRemaining), LevelState::SomeRemaining},
        {code(kLevelUnknown), LevelState::Unknown},
        {{}, LevelState::Unknown},
        {{7, kLevelSomeRemaining}, LevelState::Ok},
    };
    for (const auto& c : cases) EXPECT_EQ(levelStateOf(c.level.percent, c.level.code), c.state);
}

TEST(DeviceAttention, SupplyKindsOfTheSupplyTypes)
{
    const struct {
        int32_t type;
        const char* key;
    } cases[] = {
        {9, "drum"}, {15, "fuser"}, {4, "waste"}, {8, "waste"}, {3, "toner"}, {21, "toner"}, {6, "ink"}, {20, "other"}, {-1, "other"},
    };
    for (const auto& c : cases) EXPECT_STREQ(supplyKindKey(supplyKindOf(c.type)), c.key) << c.type;
    EXPECT_STREQ(supplyKindKey(SupplyKind::Paper), "paper");
}

}  // namespace
}  // namespace netrov::core
