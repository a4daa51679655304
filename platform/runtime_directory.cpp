// This user's private runtime directory, for the program's local socket.
#include "platform/runtime_directory.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace netrov::platform {

namespace {

// A real directory (not a link to one) of this user, closed to others.
bool isPrivateDirectory(const std::string& path)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) return false;
    return S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & 077) == 0;
}

std::string withoutTrailingSlashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

}  // namespace

std::string privateRuntimeDirectory()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && runtime[0] == '/') {
        const std::string path = withoutTrailingSlashes(runtime);
        if (isPrivateDirectory(path)) return path;
    }
    const char* temp = std::getenv("TMPDIR");
    const std::string base = withoutTrailingSlashes(temp && temp[0] == '/' ? temp : "/tmp");
    const std::string path = base + "/netrov-" + std::to_string(::geteuid());
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return {};
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::geteuid()) return {};
    // Ours, but opened up by someone: close it again.
    if ((info.st_mode & 077) != 0 && ::chmod(path.c_str(), 0700) != 0) return {};
    return isPrivateDirectory(path) ? path : std::string();
}

std::string runtimeSocketPath(const std::string& name)
{
    const std::string directory = privateRuntimeDirectory();
    if (directory.empty() || name.empty()) return {};
    std::string file = name;
    std::replace(file.begin(), file.end(), '/', '_');
    return directory + "/" + file;
}

}  // namespace netrov::platform
