// The device programs the view offers for a selected device: the slots it reads and starts.
#pragma once

#include <cstdint>
#include <string>

#include "device_list.h"

namespace netrov::ui {

inline constexpr int32_t kLauncherSlots = 16;
// Menu command of slot s: kLauncherCommandBase + s.
inline constexpr int32_t kLauncherCommandBase = 30000;

// What the view asks of the launcher. This one has no programs: every slot
// is empty and starting one does nothing; the installation's registered
// programs come with an implementation over the system store.
class DeviceLauncher {
public:
    virtual ~DeviceLauncher() = default;
    // Reads the slots; called once when the view is set up.
    virtual void LoadLaunchers() {}
    // The slot's menu text; an empty name keeps the slot out of the menus.
    virtual std::string displayName(int32_t /*slot*/) const { return {}; }
    // Starts the slot's program for the device.
    virtual void Launch(const core::DeviceListEntry& /*device*/, int32_t /*slot*/) {}
    // Starts the default slot's program, if there is one.
    virtual void LaunchDefault(const core::DeviceListEntry& /*device*/) {}
    // Whether a slot is the default program (double-click and Enter start it).
    virtual bool hasDefault() const { return false; }
};

}  // namespace netrov::ui
