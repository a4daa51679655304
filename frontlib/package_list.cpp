// Package discovery next to the library and the lookups shared by all queries.
#include "package_list.h"

#include "platform/file_system.h"
#include "platform/module_path.h"

namespace netrov::tuva {

namespace {

constexpr const char* kSupportFile = "support.ini";
constexpr const char* kFallbackPackage = "other";
// Longest support.ini path the packages were laid out for.
constexpr std::size_t kMaxSupportPath = 259;

bool filterAccepts(const DeviceIdentity* filter, const std::vector<ModelEntry>& models) noexcept
{
    if (filter == nullptr) return true;
    std::string_view model = fieldText(filter->modelName);
    if (model.empty() && fieldText(filter->sysObjectId).empty()) return true;
    for (const ModelEntry& entry : models) {
        if (entry.answersTo(model)) return true;
    }
    return false;
}

}  // namespace

void PackageList::init(const DeviceIdentity* filter)
{
    clear();

    // Relative paths in support.ini and the library search start from here.
    // The caller's current directory stays as it is: the program's user
    // names files relative to it. Only when the library cannot find itself
    // are the packages looked for there.
    std::string ownDirectory = platform::moduleDirectory(reinterpret_cast<const void*>(&packageList));
    if (ownDirectory.empty()) ownDirectory = platform::currentDirectory();

    for (const platform::DirectoryEntry& entry : platform::listDirectory(ownDirectory.empty() ? "." : ownDirectory)) {
        if (!entry.isDirectory) continue;
        // The length limit is the packages' own, of the path as they write it.
        std::string iniName = entry.name + "/" + kSupportFile;
        if (iniName.size() > kMaxSupportPath) continue;
        std::string iniPath = platform::resolvePath(ownDirectory, iniName);
        if (!platform::isReadableFile(iniPath)) continue;
        std::vector<ModelEntry> models = readModelList(iniPath);
        if (!filterAccepts(filter, models)) continue;
        packages_.push_back(loadPackage(iniPath, std::move(models), ownDirectory));
    }

    if (packages_.empty()) {
        const std::string fallback = std::string(kFallbackPackage) + "/" + kSupportFile;
        packages_.push_back(loadPackage(platform::resolvePath(ownDirectory, fallback), {}, ownDirectory));
    }
}

const Package* PackageList::packageOfModel(std::string_view modelName) const noexcept
{
    for (const auto& package : packages_) {
        if (package->servesModel(modelName)) return package.get();
    }
    return nullptr;
}

const Package* PackageList::packageServing(std::string_view modelName) const noexcept
{
    if (const Package* package = packageOfModel(modelName)) return package;
    for (const auto& package : packages_) {
        if (package->models.empty()) return package.get();
    }
    return nullptr;
}

PackageList& packageList() noexcept
{
    static PackageList list;
    return list;
}

}  // namespace netrov::tuva
