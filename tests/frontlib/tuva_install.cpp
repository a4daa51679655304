// Loading private copies of tuva and of the fake services for the tests.
#include "tuva_install.h"

#include <cstring>
#include <stdexcept>

#include "platform/dynamic_library.h"
#include "platform/file_system.h"

namespace netrov::test {

namespace fs = std::filesystem;

namespace {

void* requireSymbol(void* handle, const char* name)
{
    void* address = platform::findSymbol(handle, name);
    if (address == nullptr) throw std::runtime_error(std::string("missing symbol ") + name);
    return address;
}

}  // namespace

FakeService::FakeService(void* handle)
    : handle_(handle),
      callCount_(reinterpret_cast<FakeCallCountFn>(requireSymbol(handle, "FAKESRV_CallCount"))),
      call_(reinterpret_cast<FakeCallFn>(requireSymbol(handle, "FAKESRV_Call"))),
      setSearchResult_(reinterpret_cast<FakeSetSearchResultFn>(requireSymbol(handle, "FAKESRV_SetSearchResult")))
{
}

FakeService::~FakeService()
{
    platform::DynamicLibrary(handle_).reset();
}

const FakeCall& FakeService::call(int32_t index) const
{
    const FakeCall* call = call_(index);
    if (call == nullptr) throw std::out_of_range("no such call");
    return *call;
}

int32_t FakeService::countOf(const std::string& entry) const
{
    int32_t n = 0;
    for (int32_t i = 0; i < callCount(); ++i) n += entry == call(i).entry;
    return n;
}

TuvaInstall::TuvaInstall() : savedDirectory_(platform::currentDirectory())
{
    for (const char* library : {TUVA_LIBRARY, ZOMINI_LIBRARY, ZOMXML_LIBRARY}) {
        fs::copy_file(library, dir() / fs::path(library).filename());
    }
    std::string path = (dir() / fs::path(TUVA_LIBRARY).filename()).string();
    // Each test's copy keeps its globals apart from the others'.
    tuva_ = platform::DynamicLibrary::openPath(path).release();
    if (tuva_ == nullptr) throw std::runtime_error("cannot load tuva from " + path);
    init = get<decltype(init)>("TUVA_Init");
    freeAll = get<decltype(freeAll)>("TUVA_Free");
    search = get<decltype(search)>("TUVA_SearchDevice");
    getDevInfo = get<decltype(getDevInfo)>("TUVA_GetDevInfo");
    getMsg = get<decltype(getMsg)>("TUVA_GetMsg");
    supportModel = get<decltype(supportModel)>("TUVA_SupportModel");
    modelNameFromSysOid = get<decltype(modelNameFromSysOid)>("TUVA_GetModelNameFromSysOID");
    isDeviceTrap = get<decltype(isDeviceTrap)>("TUVA_IsDeviceTrap");
    isJobTrap = get<decltype(isJobTrap)>("TUVA_IsJobTrap");
    isFaxTrap = get<decltype(isFaxTrap)>("TUVA_IsFaxTrap");
    help = get<decltype(help)>("TUVA_Vigil_Help");
    showDevicePage = get<decltype(showDevicePage)>("TUVA_Vigil_IsShowDevicePage");
    showNetworkPage = get<decltype(showNetworkPage)>("TUVA_Vigil_IsShowNetworkPage");
    showLinksPage = get<decltype(showLinksPage)>("TUVA_Vigil_IsShowLinksPage");
}

TuvaInstall::~TuvaInstall()
{
    if (tuva_ != nullptr) {
        freeAll();
        platform::DynamicLibrary(tuva_).reset();
    }
    // The current directory is the caller's: the library never moves it, and
    // a test that does puts it back.
    std::error_code ec;
    fs::current_path(savedDirectory_, ec);
    if (ec) ADD_FAILURE() << "cannot restore the current directory";
}

void* TuvaInstall::symbol(const char* name) const
{
    return requireSymbol(tuva_, name);
}

void TuvaInstall::writeFile(const std::string& relativePath, const std::string& text) const
{
    fs::path path = dir() / relativePath;
    fs::create_directories(path.parent_path());
    netrov::test::writeFile(path.string(), text);
}

void TuvaInstall::addPackage(const std::string& name, const std::string& supportIni) const
{
    writeFile(name + "/support.ini", supportIni);
}

void TuvaInstall::addService(const std::string& relativePath, bool bare) const
{
    fs::path path = dir() / relativePath;
    fs::create_directories(path.parent_path());
    fs::copy_file(bare ? FAKE_SERVICE_BARE_LIBRARY : FAKE_SERVICE_LIBRARY, path);
}

std::unique_ptr<FakeService> TuvaInstall::service(const std::string& relativePath) const
{
    std::string path = (dir() / relativePath).string();
    void* handle = platform::DynamicLibrary::openLoaded(path).release();
    return handle != nullptr ? std::make_unique<FakeService>(handle) : nullptr;
}

bool TuvaInstall::isLoaded(const std::string& relativePath) const
{
    return service(relativePath) != nullptr;
}

std::vector<std::string> TuvaInstall::listingOrder() const
{
    std::vector<std::string> names;
    for (const platform::DirectoryEntry& entry : platform::listDirectory(dir().string())) {
        if (entry.isDirectory) names.push_back(entry.name);
    }
    return names;
}

DeviceIdentity deviceOf(const std::string& model, int32_t transport, int32_t timeout)
{
    DeviceIdentity device {};
    std::strncpy(device.modelName, model.c_str(), sizeof device.modelName - 1);
    device.transport = transport;
    device.interfaceKind = NETROV_INTERFACE_NETWORK;
    device.timeout = timeout;
    std::strcpy(device.community, "public");
    return device;
}

DeviceIdentity foundDevice(int index, const std::string& model)
{
    DeviceIdentity device = deviceOf(model, NETROV_TRANSPORT_SNMP, 0);
    device.address[0] = 127;
    device.address[1] = 0;
    device.address[2] = static_cast<uint8_t>(index / 256);
    device.address[3] = static_cast<uint8_t>(index % 256);
    return device;
}

}  // namespace netrov::test
