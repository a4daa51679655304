// POSIX directory listing and current-directory handling.
#include "platform/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

namespace netrov::platform {

namespace {

struct DirCloser {
    void operator()(DIR* dir) const noexcept { closedir(dir); }
};

bool statIsDirectory(const std::string& path) noexcept
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

std::vector<DirectoryEntry> listDirectory(const std::string& directory)
{
    std::vector<DirectoryEntry> entries;
    std::unique_ptr<DIR, DirCloser> dir(opendir(directory.c_str()));
    if (!dir) return entries;
    while (const dirent* entry = readdir(dir.get())) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
        DirectoryEntry item;
        item.name = entry->d_name;
        if (entry->d_type == DT_DIR) {
            item.isDirectory = true;
        } else if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
            item.isDirectory = statIsDirectory(joinPath(directory, item.name));
        }
        entries.push_back(std::move(item));
    }
    return entries;
}

std::string currentDirectory()
{
    std::string buffer(256, '\0');
    for (;;) {
        if (getcwd(buffer.data(), buffer.size()) != nullptr) {
            buffer.resize(std::strlen(buffer.c_str()));
            return buffer;
        }
        if (errno != ERANGE) return {};
        buffer.resize(buffer.size() * 2);
    }
}

bool isReadableFile(const std::string& path) noexcept
{
    // Without O_NONBLOCK, opening a FIFO would wait for a writer for ever.
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info {};
    bool ok = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    close(fd);
    return ok;
}

bool isRegularFile(const std::string& path) noexcept
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

size_t descriptorsAvailable(size_t wanted) noexcept
{
    size_t open = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (const dirent* entry = readdir(dir))
            if (entry->d_name[0] != '.') ++open;
        closedir(dir);
        if (open > 0) --open;  // the listing's own descriptor
    }
    struct rlimit limit {};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return wanted;
    const rlim_t needed = static_cast<rlim_t>(open + wanted);
    if (limit.rlim_cur < needed && limit.rlim_cur < limit.rlim_max) {
        struct rlimit raised = limit;
        raised.rlim_cur = limit.rlim_max == RLIM_INFINITY ? needed : std::min(needed, limit.rlim_max);
        if (setrlimit(RLIMIT_NOFILE, &raised) == 0) limit = raised;
    }
    return limit.rlim_cur > open ? static_cast<size_t>(limit.rlim_cur - open) : 0;
}

}  // namespace netrov::platform
