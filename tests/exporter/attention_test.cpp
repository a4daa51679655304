// The attention judgement and level states, one table per rule.
#include <gtest/gtest.h>

#include <vector>

#include "attention.h"

namespace netrov::core {
namespace {

TEST(ExporterAttention, LevelStates)
{
    const struct {
        std::optional<int32_t> percent;
        LevelState state;
    } cases[] = {
        {std::nullopt, LevelState::Unknown}, {-1, LevelState::Unknown},      {-2, LevelState::Unknown},
        {-3, LevelState::SomeRemaining},     {-4, LevelState::Unknown},      {101, LevelState::Unknown},
        {0, LevelState::Empty},              {1, LevelState::Low},           {5, LevelState::Low},
        {6, LevelState::Ok},                 {100, LevelState::Ok},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(levelState(c.percent), c.state) << (c.percent ? *c.percent : 999);
    }
    EXPECT_EQ(levelState(20, 20), LevelState::Low);
    EXPECT_EQ(levelState(21, 20), LevelState::Ok);
    EXPECT_EQ(levelState(0, 0), LevelState::Empty);
}

TEST(ExporterAttention, StateNames)
{
    EXPECT_STREQ(levelStateName(LevelState::Unknown), "unknown");
    EXPECT_STREQ(levelStateName(LevelState::SomeRemaining), "some_remaining");
    EXPECT_STREQ(levelStateName(LevelState::Ok), "ok");
    EXPECT_STREQ(levelStateName(LevelState::Low), "low");
    EXPECT_STREQ(levelStateName(LevelState::Empty), "empty");
}

TEST(ExporterAttention, Judgement)
{
    using S = LevelState;
    const struct {
        const char* what;
        std::vector<LevelState> supplies;
        uint32_t errorBits;
        size_t alerts;
        uint8_t reasons;
    } cases[] = {
        {"all fine", {S::Ok, S::Ok}, 0, 0, 0},
        {"nothing reported", {}, 0, 0, 0},
        {"unknown levels are no reason", {S::Unknown, S::SomeRemaining}, 0, 0, 0},
        {"one supply low", {S::Ok, S::Low}, 0, 0, kAttentionSupplyLow},
        {"an empty ink", {S::Ok, S::Unknown, S::Empty}, 0, 0, kAttentionSupplyEmpty},
        {"low and empty", {S::Low, S::Empty}, 0, 0, kAttentionSupplyLow | kAttentionSupplyEmpty},
        {"a jam bit", {S::Ok}, kErrorJammed, 0, kAttentionErrorState},
        {"low paper bit", {}, kErrorLowPaper, 0, kAttentionErrorState},
        {"an alert", {S::Ok}, 0, 1, kAttentionAlert},
        {"everything", {S::Empty}, kErrorDoorOpen | kErrorNoToner, 3,
         kAttentionSupplyEmpty | kAttentionErrorState | kAttentionAlert},
    };
    for (const auto& c : cases) {
        const Attention a = judgeAttention(c.supplies, c.errorBits, c.alerts);
        EXPECT_EQ(a.reasons, c.reasons) << c.what;
        EXPECT_EQ(a.needed(), c.reasons != 0) << c.what;
    }
}

}  // namespace
}  // namespace netrov::core
