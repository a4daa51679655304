// The device programs the installation registered in the system store, started detached.
#pragma once

#include <string>

#include "device_launcher.h"
#include "front_library.h"
#include "launcher.h"

namespace netrov::ui {

// Slots come from QSettings(SystemScope, <manufacturer>, "Net Rover"),
// groups Configuration/APP00 to APP15; an empty manufacturer reads nothing.
class SystemLauncher : public DeviceLauncher {
public:
    // library: the front library that switches the traps (must outlive this);
    // starter: how a program starts (the default starts it detached).
    explicit SystemLauncher(std::string manufacturer, core::FrontLibrary& library = core::FrontLibrary::tuva(),
                            core::Launcher::Starter starter = startDetached);

    void LoadLaunchers() override;
    std::string displayName(int32_t slot) const override;
    void Launch(const core::DeviceListEntry& device, int32_t slot) override;
    void LaunchDefault(const core::DeviceListEntry& device) override;
    bool hasDefault() const override { return launcher_.defaultSlot() >= 0; }

    const core::Launcher& launcher() const { return launcher_; }

    // The program with the parameter text split as a shell would; no working
    // directory is given and failures are not reported.
    static void startDetached(const std::string& program, const std::string& parameters);

private:
    std::string manufacturer_;
    core::Launcher launcher_;
};

}  // namespace netrov::ui
