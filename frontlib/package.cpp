// Reading support.ini into a package and loading the services it names.
#include "package.h"

#include "inifile/ini_file.h"
#include "platform/file_system.h"
#include "netrov/zomini.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <unordered_map>

namespace netrov::tuva {

namespace {

// Buffer sizes of the support.ini values, as the packages are written for them.
constexpr uint32_t kSupportSize = 1024;
constexpr uint32_t kTextSize = 256;
constexpr uint32_t kPathSize = 260;
constexpr uint32_t kHelpSize = 64;
// Each half of a SUPPORT value fills a 256-byte field elsewhere.
constexpr std::size_t kModelFieldLength = 255;

constexpr TransportKeys kTransportKeys[kServiceSlots] = {
    {"LIB_LPT", "CFG_LPT", "LANG_LPT"},
    {"LIB_MSG", "CFG_MSG", "LANG_MSG"},
    {"LIB_SNMP", "CFG_SNMP", "LANG_SNMP"},
    {"LIB_USB", "CFG_USB", "LANG_USB"},
};

constexpr const char* kPageKeys[kPages][3] = {
    {"DEVICEPAGE_SNMP", "DEVICEPAGE_LPT", "DEVICEPAGE_USB"},
    {"NETWORKPAGE_SNMP", "NETWORKPAGE_LPT", "NETWORKPAGE_USB"},
    {"LINKSPAGE_SNMP", "LINKSPAGE_LPT", "LINKSPAGE_USB"},
};

// A value read into a buffer of size bytes keeps at most size - 1 characters,
// whatever the reader leaves at the end of the buffer.
std::string readText(const char* section, const std::string& key, uint32_t size, const std::string& path)
{
    std::vector<char> buffer(size, '\0');
    ZOMINI_IniReadString(section, key.c_str(), "", buffer.data(), size, path.c_str());
    return std::string(buffer.data(), strnlen(buffer.data(), size - 1));
}

std::string numberedKey(const char* key, int n)
{
    return key + std::to_string(n);
}

// Every entry of every occurrence of section, by key; the first in file
// order wins, as in the settings library's own lookup.
std::unordered_map<std::string_view, std::string_view> sectionIndex(const ini::Lines& lines,
                                                                    std::string_view section)
{
    std::unordered_map<std::string_view, std::string_view> index;
    bool inSection = false;
    for (const ini::Line& line : lines) {
        if (line.kind == ini::LineKind::Section) {
            inSection = line.text == section;
        } else if (inSection && line.kind == ini::LineKind::Entry) {
            index.emplace(ini::entryKey(line.text), ini::entryValue(line.text));
        }
    }
    return index;
}

int transportColumn(int32_t transport) noexcept
{
    switch (transport) {
    case NETROV_TRANSPORT_SNMP: return 0;
    case NETROV_TRANSPORT_LPT: return 1;
    case NETROV_TRANSPORT_USB: return 2;
    default: return -1;
    }
}

}  // namespace

void Service::load(const std::string& iniPath, const TransportKeys& keys, const std::string& directory)
{
    libraryFile_ = readText("CONFIG", keys.library, kPathSize, iniPath);
    definitionFile_ = readText("CONFIG", keys.definition, kPathSize, iniPath);
    languageFile_ = platform::resolvePath(directory, readText("CONFIG", keys.language, kPathSize, iniPath));
    // No image folder means the installation's own, where the message
    // service's "./" pointed while the installation was the current directory.
    const std::string images = readText("CONFIG", "IMAGEDIR", kPathSize, iniPath);
    imageDirectory_ = images.empty() ? directory : platform::resolvePath(directory, images);
    if (!libraryFile_.empty()) library_ = platform::loadLibrary(libraryFile_, directory);
    if (!definitionFile_.empty())
        document_.reset(ZOMXML_Load(platform::resolvePath(directory, definitionFile_).c_str()));

    record_.libraryFile = libraryFile_.empty() ? nullptr : libraryFile_.data();
    record_.library = library_.handle();
    record_.definitionFile = definitionFile_.empty() ? nullptr : definitionFile_.data();
    record_.document = document_.get();
    record_.languageFile = languageFile_.data();
    record_.imageDirectory = imageDirectory_.data();
}

bool Package::servesModel(std::string_view modelName) const noexcept
{
    for (const ModelEntry& model : models) {
        if (model.answersTo(modelName)) return true;
    }
    return false;
}

const Service* Package::serviceFor(int32_t transport) const noexcept
{
    switch (transport) {
    case NETROV_TRANSPORT_MSG: return &services[kMsgSlot];
    case NETROV_TRANSPORT_SNMP: return &services[kSnmpSlot];
    case NETROV_TRANSPORT_LPT: return &services[kLptSlot];
    case NETROV_TRANSPORT_USB: return &services[kUsbSlot];
    default: return nullptr;
    }
}

int32_t Package::pageFlag(Page page, int32_t transport) const noexcept
{
    int column = transportColumn(transport);
    return column < 0 ? 0 : pageFlags[page][column];
}

std::vector<ModelEntry> readModelList(const std::string& iniPath)
{
    // Read once and indexed: asking the settings library key by key would
    // read and search the whole file for each of thousands of models.
    const ini::Lines lines = ini::loadFile(iniPath.c_str()).lines;
    const std::unordered_map<std::string_view, std::string_view> config = sectionIndex(lines, "CONFIG");
    const auto text = [&config](const std::string& key, uint32_t size) {
        const auto found = config.find(key);
        if (found == config.end()) return std::string();
        return std::string(found->second.substr(0, size - 1));
    };
    std::vector<ModelEntry> models;
    for (int n = 1;; ++n) {
        std::string value = text(numberedKey("SUPPORT", n), kSupportSize);
        if (value.empty()) break;
        std::string::size_type separator = value.find('\\');
        if (separator == std::string::npos) continue;  // a gap, not the end of the list
        ModelEntry model;
        model.sysObjectId = value.substr(0, std::min(separator, kModelFieldLength));
        model.modelName = value.substr(separator + 1, kModelFieldLength);
        model.alternativeName = text(numberedKey("SUPPORTNOCOMP", n), kTextSize);
        model.displayText = text(numberedKey("SUPPORTTEXT", n), kTextSize);
        models.push_back(std::move(model));
    }
    return models;
}

std::unique_ptr<Package> loadPackage(const std::string& iniPath, std::vector<ModelEntry> models,
                                     const std::string& directory)
{
    auto package = std::make_unique<Package>();
    package->version = readText("MAIN", "VERSION", kTextSize, iniPath);
    package->jobTrap = readText("CONFIG", "JOBTRAP", kTextSize, iniPath);
    package->deviceTrap = readText("CONFIG", "DEVICETRAP", kTextSize, iniPath);
    package->faxTrap = readText("CONFIG", "FAXTRAP", kTextSize, iniPath);
    package->models = std::move(models);
    for (int slot = 0; slot < kServiceSlots; ++slot) {
        package->services[slot].load(iniPath, kTransportKeys[slot], directory);
    }
    package->help = readText("VIGIL", "HELP", kHelpSize, iniPath);
    for (int page = 0; page < kPages; ++page) {
        for (int column = 0; column < 3; ++column) {
            package->pageFlags[page][column] = ZOMINI_IniReadInt("VIGIL", kPageKeys[page][column], 1, iniPath.c_str());
        }
    }
    return package;
}

}  // namespace netrov::tuva
