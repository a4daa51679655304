// dlopen-based library loading with the search order of Windows' loader.
#include "platform/dynamic_library.h"

#include "platform/file_system.h"

#include <dlfcn.h>

namespace netrov::platform {

DynamicLibrary DynamicLibrary::openPath(const std::string& path) noexcept
{
    // Bind everything at once, as Windows does, so a broken service library
    // fails here rather than in the middle of a query.
    return DynamicLibrary(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL));
}

DynamicLibrary DynamicLibrary::openLoaded(const std::string& path) noexcept
{
    return DynamicLibrary(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD));
}

void DynamicLibrary::reset() noexcept
{
    if (handle_ != nullptr) {
        dlclose(handle_);
        handle_ = nullptr;
    }
}

void* DynamicLibrary::rawSymbol(const char* name) const noexcept
{
    return findSymbol(handle_, name);
}

void* findSymbol(void* handle, const char* name) noexcept
{
    if (handle == nullptr || name == nullptr) return nullptr;
    return dlsym(handle, name);
}

}  // namespace netrov::platform
