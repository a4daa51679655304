// Joining and cutting paths; Windows accepts both separators.
#include "platform/file_system.h"

#include <string_view>

namespace netrov::platform {

namespace {

#ifdef _WIN32
constexpr std::string_view kSeparators = "\\/";
constexpr char kSeparator = '\\';
#else
constexpr std::string_view kSeparators = "/";
constexpr char kSeparator = '/';
#endif

}  // namespace

bool hasDirectoryPart(const std::string& path) noexcept
{
    return path.find_first_of(kSeparators) != std::string::npos;
}

std::string joinPath(const std::string& directory, const std::string& name)
{
    if (directory.empty()) return name;
    if (kSeparators.find(directory.back()) != std::string_view::npos) return directory + name;
    return directory + kSeparator + name;
}

bool isAbsolutePath(const std::string& path) noexcept
{
    if (path.empty()) return false;
    if (kSeparators.find(path.front()) != std::string_view::npos) return true;
#ifdef _WIN32
    if (path.size() >= 2 && path[1] == ':') return true;  // "C:\\x", and "C:x" is never ours to move
#endif
    return false;
}

std::string resolvePath(const std::string& directory, const std::string& path)
{
    if (path.empty() || directory.empty() || isAbsolutePath(path)) return path;
    return joinPath(directory, path);
}

std::string directoryOf(const std::string& path)
{
    std::string::size_type slash = path.find_last_of(kSeparators);
    if (slash == std::string::npos) return {};
    if (slash == 0) return path.substr(0, 1);
#ifdef _WIN32
    if (slash == 2 && path[1] == ':') return path.substr(0, 3);  // "C:\\"
#endif
    return path.substr(0, slash);
}

}  // namespace netrov::platform
