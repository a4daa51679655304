// A throw-away installation of tuva: a copy of the library in a temporary
// directory, loaded on its own, with package folders and fake services beside it.
#pragma once

#include "fake_service.h"
#include "netrov/tuva.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace netrov::test {

// A loaded copy of a fake service library, reached through its own helpers.
class FakeService {
public:
    explicit FakeService(void* handle);
    ~FakeService();
    FakeService(const FakeService&) = delete;
    FakeService& operator=(const FakeService&) = delete;

    int32_t callCount() const { return callCount_(); }
    const FakeCall& call(int32_t index) const;
    const FakeCall& lastCall() const { return call(callCount() - 1); }
    int32_t countOf(const std::string& entry) const;
    void setSearchResult(const std::vector<DeviceIdentity>& records) const
    {
        setSearchResult_(records.data(), static_cast<int32_t>(records.size()));
    }
    void* handle() const { return handle_; }

private:
    void* handle_;
    FakeCallCountFn callCount_;
    FakeCallFn call_;
    FakeSetSearchResultFn setSearchResult_;
};

class TuvaInstall {
public:
    TuvaInstall();
    ~TuvaInstall();
    TuvaInstall(const TuvaInstall&) = delete;
    TuvaInstall& operator=(const TuvaInstall&) = delete;

    const std::filesystem::path& dir() const { return temp_.path(); }
    // Writes <dir>/<name>/support.ini.
    void addPackage(const std::string& name, const std::string& supportIni) const;
    void writeFile(const std::string& relativePath, const std::string& text) const;
    // Copies the fake service (with every entry point, or with none) to <dir>/<relativePath>.
    void addService(const std::string& relativePath, bool bare = false) const;

    // The fake service as tuva loaded it; null when it is not loaded.
    std::unique_ptr<FakeService> service(const std::string& relativePath) const;
    bool isLoaded(const std::string& relativePath) const;

    // Resolves an export of the loaded copy by name, typed from its prototype.
    template <class Fn>
    Fn get(const char* name) const
    {
        return reinterpret_cast<Fn>(symbol(name));
    }
    void* symbol(const char* name) const;

    decltype(&TUVA_Init) init = nullptr;
    decltype(&TUVA_Free) freeAll = nullptr;
    decltype(&TUVA_SearchDevice) search = nullptr;
    decltype(&TUVA_GetDevInfo) getDevInfo = nullptr;
    decltype(&TUVA_GetMsg) getMsg = nullptr;
    decltype(&TUVA_SupportModel) supportModel = nullptr;
    decltype(&TUVA_GetModelNameFromSysOID) modelNameFromSysOid = nullptr;
    decltype(&TUVA_IsDeviceTrap) isDeviceTrap = nullptr;
    decltype(&TUVA_IsJobTrap) isJobTrap = nullptr;
    decltype(&TUVA_IsFaxTrap) isFaxTrap = nullptr;
    decltype(&TUVA_Vigil_Help) help = nullptr;
    decltype(&TUVA_Vigil_IsShowDevicePage) showDevicePage = nullptr;
    decltype(&TUVA_Vigil_IsShowNetworkPage) showNetworkPage = nullptr;
    decltype(&TUVA_Vigil_IsShowLinksPage) showLinksPage = nullptr;

    // The order in which the file system lists the package folders.
    std::vector<std::string> listingOrder() const;

private:
    TempDir temp_;
    std::string savedDirectory_;
    void* tuva_ = nullptr;
};

// A device record for queries: model name, transport, time-out.
DeviceIdentity deviceOf(const std::string& model, int32_t transport = NETROV_TRANSPORT_SNMP, int32_t timeout = 5);
// A found network device: distinct per index, 2 in kind and transport.
DeviceIdentity foundDevice(int index, const std::string& model = "Model");

}  // namespace netrov::test
