// A support package as loaded from its support.ini: models, services, traps and page flags.
#pragma once

#include "netrov/device_identity.h"
#include "netrov/service_record.h"
#include "netrov/zomxml.h"
#include "platform/dynamic_library.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace netrov::tuva {

// The text of a fixed record field, never reading past the field.
template <std::size_t N>
std::string_view fieldText(const char (&field)[N]) noexcept
{
    std::size_t length = 0;
    while (length < N && field[length] != '\0') ++length;
    return std::string_view(field, length);
}

struct ModelEntry {
    std::string sysObjectId;
    std::string modelName;
    std::string alternativeName;  // empty when absent
    std::string displayText;      // empty when absent

    bool answersTo(std::string_view name) const noexcept
    {
        return modelName == name || (!alternativeName.empty() && alternativeName == name);
    }
};

// The support.ini keys of one transport's service.
struct TransportKeys {
    const char* library;
    const char* definition;
    const char* language;
};

struct DocumentCloser {
    void operator()(ZomXmlDocument* document) const noexcept { ZOMXML_Free(document); }
};
using DocumentOwner = std::unique_ptr<ZomXmlDocument, DocumentCloser>;

// One transport service of a package. Its ServiceRecord points into the
// strings it owns, so a Service never moves.
class Service {
public:
    Service() = default;
    Service(const Service&) = delete;
    Service& operator=(const Service&) = delete;

    // Reads the keys, loads the library and opens the definition document;
    // whatever fails to load stays absent. Relative names are taken from
    // directory, the installation's folder. The record gives the library and
    // definition names as written, and the language file and image folder
    // as full paths, since the services open those themselves.
    void load(const std::string& iniPath, const TransportKeys& keys, const std::string& directory);

    const std::string& libraryFile() const noexcept { return libraryFile_; }
    bool hasDefinitionFile() const noexcept { return !definitionFile_.empty(); }
    bool libraryLoaded() const noexcept { return static_cast<bool>(library_); }
    // Looked up on every call, so a library can be swapped between calls.
    TuvaServiceFn entryPoint(const char* name) const noexcept { return library_.symbol<TuvaServiceFn>(name); }
    // The record handed to the service; the services' signature wants it non-const.
    ServiceRecord* record() const noexcept { return &record_; }

private:
    std::string libraryFile_;
    std::string definitionFile_;
    std::string languageFile_;    // resolved against the installation's folder
    std::string imageDirectory_;  // resolved likewise
    // Declared before the document so the document is freed first.
    platform::DynamicLibrary library_;
    DocumentOwner document_;
    mutable ServiceRecord record_ {};
};

enum ServiceSlot { kLptSlot = 0, kMsgSlot, kSnmpSlot, kUsbSlot, kServiceSlots };
enum Page { kDevicePage = 0, kNetworkPage, kLinksPage, kPages };

struct Package {
    std::vector<ModelEntry> models;
    std::array<Service, kServiceSlots> services;  // in the order LPT, message, SNMP, USB
    std::string version;                          // empty when absent
    std::string deviceTrap;
    std::string jobTrap;
    std::string faxTrap;
    // [page][SNMP, LPT, USB]
    std::array<std::array<int32_t, 3>, kPages> pageFlags {};
    std::string help;

    bool servesModel(std::string_view modelName) const noexcept;
    // The service of one transport code (1, 2, 4 or 8); null for any other value.
    const Service* serviceFor(int32_t transport) const noexcept;
    // The page flag for one transport code (2, 4 or 8); 0 for any other value.
    int32_t pageFlag(Page page, int32_t transport) const noexcept;
};

// Reads "SUPPORT1", "SUPPORT2"... up to the first missing or empty value.
std::vector<ModelEntry> readModelList(const std::string& iniPath);

// Loads everything a package names, its relative file names taken from
// directory; the model list is handed in because the caller has read it
// already to decide whether to load the package.
std::unique_ptr<Package> loadPackage(const std::string& iniPath, std::vector<ModelEntry> models,
                                     const std::string& directory);

}  // namespace netrov::tuva
