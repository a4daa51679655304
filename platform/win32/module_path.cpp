// GetModuleFileName for the program and for the module holding some code.
#include "platform/module_path.h"

#include "platform/file_system.h"

#include <windows.h>

namespace netrov::platform {

namespace {

std::string moduleFileName(HMODULE module)
{
    std::string buffer(MAX_PATH, '\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameA(module, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        buffer.resize(buffer.size() * 2);  // cut short: ask again with more room
    }
}

}  // namespace

std::string modulePath(const void* address)
{
    HMODULE module = nullptr;
    if (!::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              static_cast<LPCSTR>(address), &module))
        return {};
    return moduleFileName(module);
}

std::string moduleDirectory(const void* address)
{
    return directoryOf(modulePath(address));
}

std::string programPath()
{
    return moduleFileName(nullptr);
}

}  // namespace netrov::platform
