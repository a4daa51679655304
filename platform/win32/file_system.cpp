// Directory listing and the current directory with the Windows calls.
#include "platform/file_system.h"

#include <windows.h>

#include <memory>

namespace netrov::platform {

namespace {

struct FindCloser {
    void operator()(HANDLE find) const noexcept { ::FindClose(find); }
};

}  // namespace

std::vector<DirectoryEntry> listDirectory(const std::string& directory)
{
    std::vector<DirectoryEntry> entries;
    WIN32_FIND_DATAA data{};
    HANDLE raw = ::FindFirstFileA(joinPath(directory, "*.*").c_str(), &data);
    if (raw == INVALID_HANDLE_VALUE) return entries;
    std::unique_ptr<void, FindCloser> find(raw);
    do {
        const std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        entries.push_back({name, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    } while (::FindNextFileA(raw, &data));
    return entries;
}

std::string currentDirectory()
{
    const DWORD needed = ::GetCurrentDirectoryA(0, nullptr);
    if (needed == 0) return {};
    std::string buffer(needed, '\0');
    const DWORD length = ::GetCurrentDirectoryA(needed, buffer.data());
    if (length == 0 || length >= needed) return {};
    buffer.resize(length);
    return buffer;
}

bool isReadableFile(const std::string& path) noexcept
{
    // A directory cannot be opened this way; a device or pipe is no disk file.
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool ok = ::GetFileType(file) == FILE_TYPE_DISK;
    ::CloseHandle(file);
    return ok;
}

bool isRegularFile(const std::string& path) noexcept
{
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
}

size_t descriptorsAvailable(size_t wanted) noexcept
{
    // Sockets and handles have no small per-process limit on Windows.
    return wanted;
}

}  // namespace netrov::platform
