// dladdr and /proc/self/exe in place of GetModuleFileName.
#include "platform/module_path.h"

#include "platform/file_system.h"

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <cstring>

namespace netrov::platform {

std::string modulePath(const void* address)
{
    Dl_info info {};
    link_map* map = nullptr;
    if (dladdr1(address, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) == 0) return {};
    // The program's own entry carries an empty name (or argv[0]); ask the
    // kernel instead.
    if (map == nullptr || map->l_name == nullptr || map->l_name[0] == '\0') return programPath();
    std::string path = map->l_name;
    if (path.front() != '/') {
        // A library opened by a relative path is reported that way; it was
        // relative to the current directory of that moment, which is the
        // best guess left.
        path = joinPath(currentDirectory(), path);
    }
    return path;
}

std::string moduleDirectory(const void* address)
{
    return directoryOf(modulePath(address));
}

std::string programPath()
{
    std::string buffer(256, '\0');
    for (;;) {
        ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) return {};
        if (static_cast<size_t>(length) < buffer.size()) {
            buffer.resize(static_cast<size_t>(length));
            return buffer;
        }
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace netrov::platform
