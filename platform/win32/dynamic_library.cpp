// LoadLibrary-based library loading; the search order is Windows' own.
#include "platform/dynamic_library.h"

#include "platform/file_system.h"

#include <windows.h>

#include <cstring>

namespace netrov::platform {

DynamicLibrary DynamicLibrary::openPath(const std::string& path) noexcept
{
    // With a path, the libraries this one needs are looked for beside it
    // first, as they are beside each other in the program folder. No error
    // dialog may stop a program that only asks.
    const bool hasDirectory = hasDirectoryPart(path);
    const char* file = path.c_str();
    char full[MAX_PATH * 4];
    if (hasDirectory) {
        // That search needs a full path; a relative one is taken from the
        // current directory, as any other would be.
        const DWORD length = ::GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
        if (length == 0 || length >= sizeof full) return {};
        file = full;
    }
    const UINT oldMode = ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE module = ::LoadLibraryExA(file, nullptr, hasDirectory ? LOAD_WITH_ALTERED_SEARCH_PATH : 0);
    ::SetErrorMode(oldMode);
    return DynamicLibrary(reinterpret_cast<void*>(module));
}

DynamicLibrary DynamicLibrary::openLoaded(const std::string& path) noexcept
{
    HMODULE module = nullptr;
    if (!::GetModuleHandleExA(0, path.c_str(), &module)) return {};
    return DynamicLibrary(reinterpret_cast<void*>(module));
}

void DynamicLibrary::reset() noexcept
{
    if (handle_ != nullptr) {
        ::FreeLibrary(static_cast<HMODULE>(handle_));
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
    const FARPROC procedure = ::GetProcAddress(static_cast<HMODULE>(handle), name);
    // A function address as a plain pointer, as dlsym gives it.
    void* address = nullptr;
    static_assert(sizeof address == sizeof procedure);
    std::memcpy(&address, &procedure, sizeof address);
    return address;
}

}  // namespace netrov::platform
