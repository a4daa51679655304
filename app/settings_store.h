// The per-user settings store and the system store, over QSettings.
#pragma once

#include <memory>
#include <string>

#include "search_settings.h"

class QSettings;

namespace netrov::ui {

// Per-user store named after the company, with the fixed profile name
// "NetRover"; one group per section.
class UserSettingsStore : public core::SettingsStore {
public:
    explicit UserSettingsStore(const std::string& company);
    ~UserSettingsStore() override;

    int32_t readInt(const std::string& section, const std::string& key, int32_t fallback) override;
    std::string readString(const std::string& section, const std::string& key, const std::string& fallback) override;
    void writeInt(const std::string& section, const std::string& key, int32_t value) override;
    void writeString(const std::string& section, const std::string& key, const std::string& value) override;
    // Writes what is pending to disk.
    void sync();

private:
    std::unique_ptr<QSettings> settings_;
};

// The registered directory of the device list export, as the installation
// keeps it in the system store; empty when not configured.
std::string registeredExportDirectory();

}  // namespace netrov::ui
