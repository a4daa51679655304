// When people are told: notices on transitions (a supply low, empty or soon empty, a cartridge changed, attention started and ended, silent and back), one per cartridge and state.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "attention.h"
#include "fleet_store.h"
#include "notify_config.h"
#include "reading.h"

namespace netrov::notify {

// One supply of a stored device as the rules see it: its state by the one
// threshold table and its forecast, in its current cartridge.
struct SupplyFacts {
    int32_t index = 0;
    std::string name;    // the device's name of the supply
    std::string colour;
    core::SupplyKind kind = core::SupplyKind::Other;
    core::LevelState state = core::LevelState::Unknown;
    std::optional<int32_t> percent;
    std::optional<double> emptyInDays;  // the forecast's days, when it has them
    std::optional<double> daysLow;      // and its range; no high: no upper bound
    std::optional<double> daysHigh;
    int64_t cartridgeStart = 0;         // when the current cartridge was first seen
    bool cartridgeChanged = false;      // the current cartridge replaced another in this round
};

// One stored device after a round, judged by the one attention judgement.
struct DeviceFacts {
    int64_t id = 0;
    std::string address;
    std::string name;
    std::string location;
    std::string model;
    std::string serial;
    bool answering = true;
    int64_t lastSeen = 0;
    core::Attention attention;
    std::vector<std::string> alerts;  // the alerts that ask for someone, in words (the device's own beside ours)
    std::vector<int32_t> alertCodes;  // the code of each of those; 0 when not known
    uint32_t errorBits = 0;           // hrPrinterDetectedErrorState bits
    std::vector<SupplyFacts> supplies;
};

// One message about a notice, as every channel gets it.
struct Message {
    int64_t noticeId = 0;  // 0 until the notice is stored
    int64_t deviceId = 0;
    NoticeKind kind = NoticeKind::Test;
    Severity severity = Severity::Info;
    bool reminder = false;
    int64_t time = 0;
    std::string subject;  // the rules' key of the condition
    std::string text;     // one line for people
    std::string address, name, location, model, serial;
    std::optional<int32_t> supplyIndex;
    std::string supplyName, colour;
    std::optional<int32_t> percent;
    std::optional<double> emptyInDays;
};

struct Opening {
    store::NoticeRecord notice;  // to store (its id is set then)
    Message message;
    bool oneShot = false;        // resolved as it is stored: a change, not a condition
};

struct Resolution {
    int64_t noticeId = 0;
    std::optional<Message> message;  // "back", "attention ended"; a supply's notice is resolved by its cartridge change
};

struct Reminder {
    int64_t noticeId = 0;
    Message message;
};

struct RoundPlan {
    std::vector<Opening> open;
    std::vector<Resolution> resolve;
    std::vector<Reminder> remind;
};

// What this round changes, from the devices after it and the notices still
// open before it (the store's, so a restart changes nothing). A condition
// already open is not told again until the reminder time has passed since
// it was last told; a device not answering is told only past the grace time.
RoundPlan planRound(std::span<const DeviceFacts> devices, std::span<const store::NoticeRecord> open,
                    const Rules& rules, int64_t now);

// "Front desk (10.0.0.5, Hall 2)": how a message names a device.
std::string deviceLabel(const Message& message);

}  // namespace netrov::notify
