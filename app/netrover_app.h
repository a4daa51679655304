// CNetRoverApp: start-up configuration, the objects that live for the whole run, and the exit.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <QString>

#include "device_list.h"
#include "language_file.h"
#include "search_settings.h"
#include "settings_store.h"
#include "single_instance.h"
#include "source_reading.h"

namespace netrov::ui {

inline constexpr const char* kStartupFileName = "NetRov.ini";
inline constexpr const char* kHelpFileName = "NetRov.hlp";

class CNetRoverApp {
public:
    enum class Start { Run, AlreadyRunning, Failed };

    CNetRoverApp() = default;
    ~CNetRoverApp();
    CNetRoverApp(const CNetRoverApp&) = delete;
    CNetRoverApp& operator=(const CNetRoverApp&) = delete;

    // Reads the start-up file of programDirectory, the per-user store, the
    // language file and the settings, then applies the single-instance rule.
    Start InitInstance(const std::string& programDirectory);
    // Frees the lists and releases the front library.
    void ExitInstance();

    // The failure exit's title and text.
    QString failureTitle() const { return messageBoxTitle_; }
    static QString failureText();

    const std::string& programDirectory() const { return programDirectory_; }
    const std::string& startupFilePath() const { return startupFilePath_; }
    const std::string& languageFilePath() const { return languageFilePath_; }
    // The fleet store the list remembers its devices in: the start-up file's
    // FleetStore (beside the program when relative), else the user's data folder.
    const std::string& fleetStorePath() const { return fleetStorePath_; }
    const std::string& helpFilePath() const { return helpFilePath_; }
    const std::string& manufacturer() const { return manufacturer_; }
    const std::string& company() const { return company_; }
    const std::string& mutexName() const { return mutexName_; }
    const std::string& exportFilePath() const { return exportFilePath_; }

    core::DeviceList& devices() { return devices_; }
    core::SearchSettings& searchSettings() { return settings_; }
    core::SearchAddressList& searchAddresses() { return addresses_; }
    // More communities, the SNMP version and the blocks, stored beside the settings.
    core::SearchExtent& searchExtent() { return extent_; }
    // Where the listed printers are read from: the search settings' choice,
    // IPP on its usual port.
    core::SourceOptions& readSource() { return readSource_; }
    // The IPv6 addresses the search asks one by one, as text.
    std::vector<std::string>& searchIpv6() { return ipv6_; }
    UserSettingsStore& store() { return *store_; }
    const LanguageFile& language() const { return language_; }
    // Present once the start got past the single-instance rule.
    SingleInstance* instance() const { return instance_.get(); }

private:
    QString messageBoxTitle_;
    std::string programDirectory_;
    std::string startupFilePath_;
    std::string languageFilePath_;
    std::string fleetStorePath_;
    std::string helpFilePath_;
    std::string manufacturer_;
    std::string company_;
    std::string mutexName_;
    std::string exportFilePath_;
    core::DeviceList devices_;
    core::SearchSettings settings_{};
    core::SearchAddressList addresses_;
    core::SearchExtent extent_;
    core::SourceOptions readSource_;
    std::vector<std::string> ipv6_;
    std::unique_ptr<UserSettingsStore> store_;
    LanguageFile language_;
    std::unique_ptr<SingleInstance> instance_;
    bool exited_ = true;  // nothing to free until a start succeeds
};

// The directory of the running program, symbolic links resolved.
std::string programDirectory();

}  // namespace netrov::ui
