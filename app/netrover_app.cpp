// Start-up and exit of the application object.
#include "netrover_app.h"

#include "background_reads.h"
#include "device_export.h"
#include "fleet_memory.h"
#include "front_library.h"
#include "platform/module_path.h"
#include "platform/profile_file.h"
#include "profile_book.h"
#include "search_setting_dlg.h"

namespace netrov::ui {

namespace {

constexpr const char* kMainSection = "Main";
// Buffer sizes of the start-up file's texts.
constexpr size_t kPathSize = 260;
constexpr size_t kNameSize = 256;

}  // namespace

std::string programDirectory()
{
    const std::string path = platform::programPath();
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

CNetRoverApp::~CNetRoverApp() { ExitInstance(); }

QString CNetRoverApp::failureText()
{
    return QStringLiteral("Failed to load the setup file.\r\nThe application will now close. Perform installation again.");
}

CNetRoverApp::Start CNetRoverApp::InitInstance(const std::string& directory)
{
    messageBoxTitle_ = QString::fromLatin1(builtInString(IDR_MSGBOXTITLE));

    programDirectory_ = directory;
    startupFilePath_ = directory + "/" + kStartupFileName;
    helpFilePath_ = directory + "/" + kHelpFileName;
    using platform::getPrivateProfileString;
    manufacturer_ = getPrivateProfileString(kMainSection, "Manufacturer", "", startupFilePath_, kPathSize);
    company_ = getPrivateProfileString(kMainSection, "Company", "", startupFilePath_, kNameSize);
    mutexName_ = getPrivateProfileString(kMainSection, "MutexName", "", startupFilePath_, kNameSize);
    languageFilePath_ =
        directory + "/" + getPrivateProfileString(kMainSection, "Language", "", startupFilePath_, kPathSize);
    if (mutexName_.empty()) return Start::Failed;
    fleetStorePath_ = getPrivateProfileString(kMainSection, "FleetStore", "", startupFilePath_, kPathSize);
    if (fleetStorePath_.empty()) fleetStorePath_ = defaultFleetStorePath();
    else if (fleetStorePath_.front() != '/') fleetStorePath_ = directory + "/" + fleetStorePath_;

    store_ = std::make_unique<UserSettingsStore>(company_);
    exportFilePath_ = netrov::ui::exportFilePath(registeredExportDirectory());

    if (!language_.Load(languageFilePath_)) return Start::Failed;

    core::InstallationSearchValues installation;
    installation.broadCast = platform::getPrivateProfileInt(kMainSection, "BroadCast", 1, startupFilePath_);
    installation.retry = platform::getPrivateProfileInt(kMainSection, "Retry", 0, startupFilePath_);
    core::loadSearchSettings(*store_, installation, settings_, addresses_);
    core::loadSearchExtent(*store_, extent_);
    loadSearchProfiles(*store_, extent_);
    readSource_.source = loadReadSource(*store_);
    ipv6_ = loadIpv6Addresses(*store_);
    prepareDesktopProfiles();

    // The core's words (enumerations, labels, "not reported") by key from the [Words] section.
    useLanguageForWords(&language_);
    language_.LoadStringTable(stringTableEntries());
    language_.LoadTipTable(tipTableEntries());

    instance_ = std::make_unique<SingleInstance>(QString::fromLocal8Bit(mutexName_.c_str()));
    if (instance_->raiseExisting()) {
        instance_.reset();
        return Start::AlreadyRunning;
    }
    instance_->listen();
    exited_ = false;
    return Start::Run;
}

void CNetRoverApp::ExitInstance()
{
    if (exited_) return;
    exited_ = true;
    forgetLanguageForWords(&language_);
    devices_.clear();
    addresses_.clear();
    settings_ = core::SearchSettings{};
    // The front library is freed whether or not a search started it, unless an
    // abandoned read still waits on a device inside it: freeing it then would
    // pull it out from under that query, so it is left to the process's end.
    core::FrontLibrary& library = core::FrontLibrary::tuva();
    if (core::readsRunning() == 0) {
        if (library.initialised()) library.release();
        else if (library.access().release) library.access().release();
    }
    instance_.reset();
    if (store_) store_->sync();
}

}  // namespace netrov::ui
