// The order in which a library named without a folder is looked for.
#include "platform/dynamic_library.h"

#include "platform/file_system.h"

namespace netrov::platform {

DynamicLibrary loadLibrary(const std::string& name, const std::string& directory)
{
    if (name.empty()) return {};
    if (hasDirectoryPart(name)) return DynamicLibrary::openPath(resolvePath(directory, name));

    // dlopen never looks in a folder of ours for a bare name, and Windows
    // looks in the program's folder first: that place is tried by full path.
    // The caller's current directory is not searched: what lies there is
    // the user's, not the installation's.
    if (!directory.empty()) {
        const std::string candidate = joinPath(directory, name);
        if (isRegularFile(candidate)) {
            if (DynamicLibrary library = DynamicLibrary::openPath(candidate)) return library;
        }
    }
    return DynamicLibrary::openPath(name);
}

}  // namespace netrov::platform
