// The one judgement of whether a device needs attention, shared by the
// exporter, the check, the report and the desktop program.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include <netrov/printer_mib.h>

namespace netrov::core {

// The level codes a remaining percentage holds instead of 0..100.
inline constexpr int32_t kLevelOther = NETROV_LEVEL_OTHER;
inline constexpr int32_t kLevelUnknown = NETROV_LEVEL_UNKNOWN;
inline constexpr int32_t kLevelSomeRemaining = NETROV_LEVEL_SOME_REMAINING;

// At or below this percentage a supply is low, as the check's default.
inline constexpr int32_t kDefaultCriticalPercent = 5;

// What a supply's level says. Unknown and SomeRemaining are never numbers.
enum class LevelState : uint8_t { Unknown, SomeRemaining, Ok, Low, Empty };

// percent: 0..100 or a level code; none when the device gave no level.
LevelState levelState(std::optional<int32_t> percent, int32_t criticalPercent = kDefaultCriticalPercent);
// "unknown", "some_remaining", "ok", "low", "empty".
const char* levelStateName(LevelState state);
inline constexpr LevelState kLevelStates[] = {LevelState::Unknown, LevelState::SomeRemaining, LevelState::Ok,
                                              LevelState::Low, LevelState::Empty};
// The level state of a supply the device does not have at all (a mono
// printer's cyan column in a report); never one of LevelState.
inline constexpr const char* kLevelNotReported = "not_reported";

// hrPrinterDetectedErrorState as a number: bit 0 is lowPaper (the first
// octet's most significant bit), bit 15 the last bit of the second octet.
// include/netrov/printer_mib.h names every bit.
inline constexpr uint32_t kErrorLowPaper = NETROV_ERROR_LOW_PAPER;
inline constexpr uint32_t kErrorNoToner = NETROV_ERROR_NO_TONER;
inline constexpr uint32_t kErrorDoorOpen = NETROV_ERROR_DOOR_OPEN;
inline constexpr uint32_t kErrorJammed = NETROV_ERROR_JAMMED;

// Why a device needs attention; several may hold at once.
enum AttentionReason : uint8_t {
    kAttentionSupplyLow = 1,
    kAttentionSupplyEmpty = 2,
    kAttentionErrorState = 4,
    kAttentionAlert = 8,
};

struct Attention {
    uint8_t reasons = 0;  // AttentionReason bits
    bool needed() const { return reasons != 0; }
};

// Each reason with the key that JSON and CSV use and its words for people.
struct AttentionReasonName {
    AttentionReason reason;
    const char* key;
    const char* words;
};
inline constexpr AttentionReasonName kAttentionReasonNames[] = {
    {kAttentionSupplyEmpty, "supply_empty", "a supply is empty"},
    {kAttentionSupplyLow, "supply_low", "a supply is low"},
    {kAttentionErrorState, "error_state", "the printer reports an error state"},
    {kAttentionAlert, "alert", "the printer has an alert"},
};

// False for the codes that report an event or a state that asks nothing of
// anyone (core/reading.h alertInformational, which also weighs the training
// level and the device's text); an alert without a code asks for someone.
bool alertNeedsAttention(std::optional<int32_t> alertCode);

// A supply at or below its critical level or empty, any error-state bit, or
// any alert that asks for someone: the device needs attention.
Attention judgeAttention(std::span<const LevelState> supplies, uint32_t errorBits, size_t alertCount);

// The keys of the reasons that hold, most urgent first.
std::vector<std::string> attentionKeys(Attention attention);
// "a supply is empty, the printer has an alert"; "nothing" when none holds.
std::string attentionWords(Attention attention);

}  // namespace netrov::core
