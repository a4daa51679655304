// The check's verdict over a device read, and its thresholds as the
// monitoring-plugin range syntax writes them; one table per rule.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "exit_codes.h"
#include "fleet_commands.h"

namespace netrov::cli {
namespace {

struct Supply {
    core::SupplyKind kind;
    std::optional<int32_t> percent;
};

core::DeviceReport printer(std::vector<std::optional<int32_t>> black, std::vector<Supply> supplies = {})
{
    core::DeviceReport r;
    r.address = "192.0.2.1";
    r.model = "Tarnwell ML-210";
    r.status = "Ready";
    r.statusCode = core::kStatusReady;
    r.statusRead = true;
    for (const auto& p : black) r.toner.push_back({"black", "Black", p, "", std::nullopt});
    for (const Supply& s : supplies) r.supplies.push_back({s.kind, "unit", s.percent, std::nullopt});
    return r;
}

CheckThresholds with(CheckKind kind, int warning, int critical)
{
    CheckThresholds t;
    t.warning[static_cast<size_t>(kind)] = warning;
    t.critical[static_cast<size_t>(kind)] = critical;
    return t;
}

TEST(CheckVerdict, ExitCodesAndPerformanceData)
{
    using K = core::SupplyKind;
    core::DeviceReport silent = printer({});
    silent.answered = false;
    core::DeviceReport aSwitch = printer({});
    aSwitch.printer = false;
    aSwitch.model = "24-port switch";
    core::DeviceReport alerted = printer({90});
    alerted.alerts = {"Cover open"};
    core::DeviceReport asleep = printer({90});
    asleep.statusCode = core::kStatusPowerSave;
    asleep.status = "Power Save";
    asleep.alerts = {"Power save"};
    asleep.alertCodes = {23};
    core::DeviceReport errorBit = printer({90});
    errorBit.errorBits = core::kErrorJammed;
    core::DeviceReport down = printer({90});
    down.statusCode = core::kStatusError;
    core::DeviceReport someLeft = printer({});
    someLeft.toner.push_back({"cyan", "Cyan", std::nullopt, "Some remaining", core::kLevelSomeRemaining});

    const struct {
        const char* what;
        core::DeviceReport report;
        CheckThresholds thresholds;
        int exit;
        std::vector<std::string> mentions;
        std::vector<std::string> absent;
    } cases[] = {
        {"no answer", silent, {}, kCheckUnknown, {"NETROV UNKNOWN - no answer from 192.0.2.1"}, {"|"}},
        {"not a printer", aSwitch, {}, kCheckUnknown, {"NETROV UNKNOWN - ", "no printer object", "24-port switch"}, {"|"}},
        {"full toner", printer({81}), {}, kCheckOk, {"NETROV OK - Tarnwell ML-210: Ready | toner_black=81%;15:;5:;0;100"}, {}},
        {"at the warning threshold is not below it", printer({15}), {}, kCheckOk, {"toner_black=15%;15:;5:"}, {}},
        {"below the warning threshold", printer({14}), {}, kCheckWarning, {"NETROV WARNING", "toner black 14%"}, {}},
        {"at the judgement's critical level", printer({5}), {}, kCheckWarning, {"toner black 5%"}, {}},
        {"below the critical threshold", printer({4}), {}, kCheckCritical, {"NETROV CRITICAL", "toner black 4%"}, {}},
        {"an empty ink with no critical threshold", printer({0}), with(CheckKind::Toner, 0, 0), kCheckCritical,
         {"NETROV CRITICAL", "toner black 0%", "toner_black=0%;0:;0:;0;100"}, {}},
        {"a worn drum", printer({80}, {{K::Drum, 8}}), {}, kCheckWarning, {"drum 1 8%", "drum_1=8%;10:;3:;0;100"}, {}},
        {"a second fuser", printer({80}, {{K::Fuser, 90}, {K::Fuser, 2}}), {}, kCheckCritical,
         {"fuser 2 2%", "fuser_1=90%", "fuser_2=2%"}, {}},
        {"a full waste box", printer({80}, {{K::Waste, 0}}), {}, kCheckCritical, {"waste 1 0%"}, {}},
        {"an empty tray without paper thresholds", printer({80}, {{K::Paper, 0}}), {}, kCheckOk, {"NETROV OK"}, {"paper"}},
        {"an empty tray with paper thresholds", printer({80}, {{K::Paper, 0}}), with(CheckKind::Paper, 20, 10),
         kCheckCritical, {"paper 1 0%", "paper_1=0%;20:;10:;0;100"}, {}},
        {"a drum threshold raised", printer({80}, {{K::Drum, 40}}), with(CheckKind::Drum, 50, 30), kCheckWarning,
         {"drum_1=40%;50:;30:"}, {}},
        {"an alert on a ready printer", alerted, {}, kCheckWarning, {"NETROV WARNING", "Cover open"}, {}},
        {"a power-saver alert asks for no one", asleep, {}, kCheckOk, {"NETROV OK - Tarnwell ML-210: Power Save; Power save"}, {}},
        {"an error bit", errorBit, {}, kCheckWarning, {"NETROV WARNING", "error state"}, {}},
        {"an error status", down, {}, kCheckCritical, {"NETROV CRITICAL - Tarnwell ML-210"}, {}},
        {"a level that is only some remaining", someLeft, {}, kCheckOk, {"NETROV OK"}, {"toner_cyan"}},
    };
    for (const auto& c : cases) {
        const CheckVerdict v = checkVerdict(c.report, c.thresholds);
        SCOPED_TRACE(std::string(c.what) + ": " + v.line);
        EXPECT_EQ(v.exitCode, c.exit);
        for (const std::string& m : c.mentions) EXPECT_NE(v.line.find(m), std::string::npos) << m;
        for (const std::string& a : c.absent) EXPECT_EQ(v.line.find(a), std::string::npos) << a;
    }
}

TEST(CheckVerdict, WhatNeedsAttentionIsNeverOk)
{
    // Thresholds so low that only the judgement can speak.
    CheckThresholds none;
    for (size_t k = 0; k < kCheckKindCount; ++k) none.warning[k] = none.critical[k] = 0;
    const struct {
        const char* what;
        core::DeviceReport report;
    } cases[] = {
        {"toner at 3%", printer({3})},
        {"an empty ink", printer({0})},
        {"a drum at 1%", printer({80}, {{core::SupplyKind::Drum, 1}})},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(core::deviceAttention(c.report).needed()) << c.what;
        EXPECT_NE(checkVerdict(c.report, none).exitCode, kCheckOk) << c.what;
    }
}

TEST(CheckThresholdText, PlainNumbersAndLowerBoundRanges)
{
    const struct {
        const char* text;
        std::optional<int> value;
    } cases[] = {
        {"15", 15},          {"15:", 15},          {"0", 0},             {"100:", 100},
        {"101", std::nullopt}, {"-5", std::nullopt}, {"10:20", std::nullopt}, {"~:10", std::nullopt},
        {"@10", std::nullopt}, {"", std::nullopt},  {":", std::nullopt},  {"1e2", std::nullopt},
        {"0015", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(parseThreshold(c.text), c.value) << c.text;
}

TEST(CheckThresholdText, CriticalAboveWarningIsRefused)
{
    EXPECT_EQ(thresholdsError(CheckThresholds{}), "");
    EXPECT_EQ(thresholdsError(with(CheckKind::Fuser, 5, 10)), "the critical fuser threshold is above the warning one");
    EXPECT_EQ(thresholdsError(with(CheckKind::Paper, 10, 10)), "");
    EXPECT_EQ(thresholdsError(with(CheckKind::Toner, 101, 5)), "toner thresholds are percentages from 0 to 100");
}

// Silent targets are asked over IPP where the source allows it; auto asks
// only a few hundred. Nothing listens on the loopback port, so none is reported.
TEST(SourceReports, AutoAsksAFewSilentTargetsOverIpp)
{
    const struct {
        core::Source source;
        size_t targets;
        size_t notAsked;
    } rows[] = {
        {core::Source::Snmp, 300, 0},
        {core::Source::Auto, 300, 300},
        {core::Source::Auto, kMaxIppAsked, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(core::sourceName(row.source)) + " " + std::to_string(row.targets));
        core::SourceOptions source;
        source.source = row.source;
        source.ippPort = 9;
        std::vector<uint32_t> targets;
        for (uint32_t i = 0; i < row.targets; ++i) targets.push_back(0x7F000101u + i);  // 127.0.1.1 on
        const std::atomic<int> interrupted{0};
        const SourceReports read = readSourceReports({}, targets, source, 1, 8, interrupted);
        EXPECT_TRUE(read.reports.empty());
        EXPECT_EQ(read.notAsked, row.notAsked);
        EXPECT_EQ(notAskedText(read.notAsked).empty(), row.notAsked == 0);
    }
}

}  // namespace
}  // namespace netrov::cli
