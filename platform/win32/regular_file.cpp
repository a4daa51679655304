// Bounded reads and safe replacements of regular files with the Windows calls.
#include "platform/regular_file.h"

#include <windows.h>

#include <cstdio>

#include "platform/random.h"

namespace netrov::platform {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

class Handle {
public:
    explicit Handle(HANDLE handle) : handle_(handle) {}
    ~Handle() { close(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    bool close()
    {
        HANDLE handle = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        return handle == INVALID_HANDLE_VALUE || ::CloseHandle(handle) != 0;
    }

private:
    HANDLE handle_;
};

bool writeAll(HANDLE file, std::string_view bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
        DWORD written = 0;
        if (!::WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0) return false;
        done += written;
    }
    return true;
}

bool isDiskFile(HANDLE file) { return ::GetFileType(file) == FILE_TYPE_DISK; }

bool writeInPlace(const std::string& target, std::string_view bytes)
{
    Handle file(::CreateFileA(target.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid() || !isDiskFile(file.get())) return false;
    bool ok = writeAll(file.get(), bytes) && ::SetEndOfFile(file.get()) && ::FlushFileBuffers(file.get());
    return file.close() && ok;
}

// A new file beside target with a name nobody can have planted: CREATE_NEW
// fails on anything that exists already.
HANDLE createTemporary(const std::string& target, std::string& name, DWORD& error)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".~%08x%08x", randomBits(), randomBits());
        name = target + suffix;
        HANDLE file = ::CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        error = ::GetLastError();
        if (file != INVALID_HANDLE_VALUE || (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)) return file;
    }
    return INVALID_HANDLE_VALUE;
}

// While another writer replaces the same file, or a reader holds it without
// sharing, Windows refuses for a moment what it allows a little later.
bool momentary(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED;
}

// The finished temporary takes the target's name in one step, as a rename
// does on Linux: readers see the old file or the new one.
bool putInPlace(const std::string& temporary, const std::string& target)
{
    for (int attempt = 0; attempt < 200; ++attempt) {
        if (::MoveFileExA(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        if (!momentary(::GetLastError())) return false;
        ::Sleep(attempt < 20 ? 1 : 10);  // two seconds at most in all
    }
    return false;
}

}  // namespace

FileBytes readRegularFile(const std::string& path, size_t limit)
{
    FileBytes file;
    if (path.empty()) return file;
    Handle handle(::CreateFileA(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                nullptr));
    if (!handle.valid()) {
        const DWORD error = ::GetLastError();
        file.status = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ReadStatus::Missing
                                                                                      : ReadStatus::Unreadable;
        return file;
    }
    file.status = ReadStatus::Unreadable;
    LARGE_INTEGER size{};
    if (!isDiskFile(handle.get()) || !::GetFileSizeEx(handle.get(), &size)) return file;
    if (size.QuadPart < 0 || static_cast<uint64_t>(size.QuadPart) > limit) return file;
    file.bytes.reserve(static_cast<size_t>(size.QuadPart));
    char chunk[4096];
    for (;;) {
        DWORD n = 0;
        if (!::ReadFile(handle.get(), chunk, sizeof chunk, &n, nullptr)) {
            file.bytes.clear();
            return file;
        }
        if (n == 0) break;
        // A file that grows while it is read is held to the same limit.
        if (file.bytes.size() + n > limit) {
            file.bytes.clear();
            return file;
        }
        file.bytes.append(chunk, n);
    }
    file.status = ReadStatus::Read;
    return file;
}

bool replaceFile(const std::string& path, std::string_view bytes)
{
    if (path.empty()) return false;
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    const bool existed = attributes != INVALID_FILE_ATTRIBUTES;
    // A file marked read-only is not to be replaced.
    if (existed && (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE | FILE_ATTRIBUTE_READONLY)))
        return false;
    if (existed) {
        // Devices ("NUL", "COM1") are no files to replace; a rename would
        // split a file with further hard links.
        Handle current(::CreateFileA(path.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (current.valid() && !isDiskFile(current.get())) return false;
        BY_HANDLE_FILE_INFORMATION info{};
        if (current.valid() && ::GetFileInformationByHandle(current.get(), &info) && info.nNumberOfLinks > 1)
            return writeInPlace(path, bytes);
    }

    std::string temporary;
    DWORD error = 0;
    Handle file(createTemporary(path, temporary, error));
    if (!file.valid()) return existed && error == ERROR_ACCESS_DENIED && writeInPlace(path, bytes);

    bool ok = writeAll(file.get(), bytes) && ::FlushFileBuffers(file.get());
    ok = file.close() && ok;
    // The new file keeps what the old one was marked as (hidden, system...).
    constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    if (ok && existed && (attributes & kKept)) ok = ::SetFileAttributesA(temporary.c_str(), attributes & kKept) != 0;
    if (ok) ok = putInPlace(temporary, path);
    if (!ok) ::DeleteFileA(temporary.c_str());
    return ok;
}

}  // namespace netrov::platform
