// The process-wide list of loaded support packages.
#pragma once

#include "package.h"

#include <memory>
#include <string_view>
#include <vector>

namespace netrov::tuva {

// Built by init, emptied by clear; between the two, queries on any thread
// only read it. init and clear must not overlap queries.
class PackageList {
public:
    // Discovers the packages next to this library and loads those that pass
    // the filter; null filter loads all. Their relative file names are taken
    // from this library's directory; the current directory is left alone.
    void init(const DeviceIdentity* filter);
    void clear() noexcept { packages_.clear(); }

    const std::vector<std::unique_ptr<Package>>& packages() const noexcept { return packages_; }
    const Package* first() const noexcept { return packages_.empty() ? nullptr : packages_.front().get(); }
    // The first package listing the model (by name or alternative name).
    const Package* packageOfModel(std::string_view modelName) const noexcept;
    // As packageOfModel, else the first package without models.
    const Package* packageServing(std::string_view modelName) const noexcept;

private:
    std::vector<std::unique_ptr<Package>> packages_;
};

PackageList& packageList() noexcept;

}  // namespace netrov::tuva
