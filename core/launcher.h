// The device programs of the installation: their slots, their command lines and how one is started.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include <netrov/device_identity.h>

#include "device_list.h"
#include "front_library.h"

namespace netrov::core {

inline constexpr int32_t kLauncherSlotCount = 16;

// One registered program; all empty or zero when the slot holds none.
struct LauncherEntry {
    std::string displayName;        // menu text; empty keeps the slot out of the menus
    std::string programPath;        // empty: nothing is started
    int32_t trapSwitch = 0;         // 1: switch the device's traps on first
    int32_t defaultFlag = 0;        // 1: the program for double-click and Enter
    std::string parameterTemplate;  // empty: the built-in parameters
};

// The program's parameter text for the device. A template has its "%IP%"
// and then its "%MODEL%" replaced (an IPv6 address in brackets where "%IP%"
// is the host of a URL, else as its text); an empty template gives the built-in form
// of the device's interface kind. The quoted texts (model, driver) have each
// double quote written as three, which the command splitter reads back as
// one literal quote, so a device's text stays one argument whatever it holds.
std::string BuildLaunchParameters(const DeviceIdentity& device, std::string_view parameterTemplate);

// The 16 slots and the start sequence. The slots start empty; the caller
// fills them (the desktop program from the system store).
class Launcher {
public:
    // Starts program with the parameter text, detached; failures are not reported.
    using Starter = std::function<void(const std::string& program, const std::string& parameters)>;

    // library: whose access table switches the traps; it is started when
    // needed. Both must outlive the launcher.
    Launcher(FrontLibrary& library, Starter starter) : library_(library), starter_(std::move(starter)) {}

    std::array<LauncherEntry, kLauncherSlotCount>& entries() { return slots_; }
    const std::array<LauncherEntry, kLauncherSlotCount>& entries() const { return slots_; }

    // The lowest slot with the default flag 1; -1 when there is none.
    int32_t defaultSlot() const;

    // Switches the traps when the slot asks and the device is an SNMP device
    // that answered, then starts the slot's program. Nothing happens for a device without a
    // model name or a slot outside 0 to 15.
    void Launch(const DeviceListEntry& device, int32_t slot);
    void LaunchDefault(const DeviceListEntry& device);

private:
    FrontLibrary& library_;
    Starter starter_;
    std::array<LauncherEntry, kLauncherSlotCount> slots_{};
};

}  // namespace netrov::core
