// The order in which a library named without a folder is looked for.
#include "platform/dynamic_library.h"

#include "platform/file_system.h"

namespace netrov::platform {

DynamicLibrary loadLibrary(const std::string& name, const std::string& loaderDirectory)
{
    if (name.empty()) return {};
    if (hasDirectoryPart(name)) return DynamicLibrary::openPath(name);

    // dlopen never looks in the current directory for a bare name, and
    // Windows looks in the program's folder first: the first two places of
    // the documented order are tried by full path.
    const std::string here = currentDirectory();
    for (const std::string* dir : {&here, &loaderDirectory}) {
        if (dir->empty()) continue;
        std::string candidate = joinPath(*dir, name);
        if (!isRegularFile(candidate)) continue;
        if (DynamicLibrary library = DynamicLibrary::openPath(candidate)) return library;
    }
    return DynamicLibrary::openPath(name);
}

}  // namespace netrov::platform
