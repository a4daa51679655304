// The "needs attention" judgement.
#include "attention.h"

namespace netrov::core {

LevelState levelState(std::optional<int32_t> percent, int32_t criticalPercent)
{
    if (!percent) return LevelState::Unknown;
    if (*percent == kLevelSomeRemaining) return LevelState::SomeRemaining;
    if (*percent < 0 || *percent > 100) return LevelState::Unknown;
    if (*percent == 0) return LevelState::Empty;
    if (*percent <= criticalPercent) return LevelState::Low;
    return LevelState::Ok;
}

const char* levelStateName(LevelState state)
{
    switch (state) {
    case LevelState::Unknown: return "unknown";
    case LevelState::SomeRemaining: return "some_remaining";
    case LevelState::Ok: return "ok";
    case LevelState::Low: return "low";
    case LevelState::Empty: return "empty";
    }
    return "unknown";
}

Attention judgeAttention(std::span<const LevelState> supplies, uint32_t errorBits, size_t alertCount)
{
    Attention attention;
    for (const LevelState state : supplies) {
        if (state == LevelState::Low) attention.reasons |= kAttentionSupplyLow;
        if (state == LevelState::Empty) attention.reasons |= kAttentionSupplyEmpty;
    }
    if (errorBits != 0) attention.reasons |= kAttentionErrorState;
    if (alertCount != 0) attention.reasons |= kAttentionAlert;
    return attention;
}

std::vector<std::string> attentionKeys(Attention attention)
{
    std::vector<std::string> keys;
    for (const AttentionReasonName& r : kAttentionReasonNames) {
        if (attention.reasons & r.reason) keys.emplace_back(r.key);
    }
    return keys;
}

std::string attentionWords(Attention attention)
{
    std::string words;
    for (const AttentionReasonName& r : kAttentionReasonNames) {
        if (attention.reasons & r.reason) words += (words.empty() ? "" : ", ") + std::string(r.words);
    }
    return words.empty() ? "nothing" : words;
}

}  // namespace netrov::core
