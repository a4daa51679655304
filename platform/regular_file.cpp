// Non-blocking, bounded reads and link-safe replacements of regular files.
#include "platform/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "platform/random.h"
#include "platform/unique_fd.h"

namespace netrov::platform {

namespace {

bool writeAll(int fd, std::string_view bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// A path that names a symbolic link is written through to the link's target,
// so that the rename replaces the file and not the link.
std::string resolveTarget(const std::string& path)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
        if (real) return real.get();
    }
    return path;
}

bool writeInPlace(const std::string& target, std::string_view bytes)
{
    UniqueFd fd(::open(target.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!fd.valid()) return false;
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    bool ok = writeAll(fd.get(), bytes);
    if (ok) ok = ::ftruncate(fd.get(), static_cast<off_t>(bytes.size())) == 0;
    if (ok) ok = ::fsync(fd.get()) == 0;
    return fd.close() && ok;
}

// A new file beside target with a name nobody can have planted: created
// exclusively, never through a link. Invalid when the directory refuses it.
UniqueFd createTemporary(const std::string& target, std::string& name)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".~%08x%08x", randomBits(), randomBits());
        name = target + suffix;
        // 0666 lets the umask decide a new file's mode, as a plain create would.
        UniqueFd fd(::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (fd.valid() || errno != EEXIST) return fd;
    }
    return UniqueFd();
}

bool directoryRefuses(int error) { return error == EACCES || error == EPERM || error == EROFS; }

}  // namespace

FileBytes readRegularFile(const std::string& path, size_t limit)
{
    FileBytes file;
    if (path.empty()) return file;
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.valid()) {
        file.status = errno == ENOENT || errno == ENOTDIR ? ReadStatus::Missing : ReadStatus::Unreadable;
        return file;
    }
    file.status = ReadStatus::Unreadable;
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return file;
    if (info.st_size < 0 || static_cast<uint64_t>(info.st_size) > limit) return file;
    file.bytes.reserve(static_cast<size_t>(info.st_size));
    char chunk[4096];
    for (;;) {
        const ssize_t n = ::read(fd.get(), chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            file.bytes.clear();
            return file;
        }
        if (n == 0) break;
        // A file that grows while it is read is held to the same limit.
        if (file.bytes.size() + static_cast<size_t>(n) > limit) {
            file.bytes.clear();
            return file;
        }
        file.bytes.append(chunk, static_cast<size_t>(n));
    }
    file.status = ReadStatus::Read;
    return file;
}

bool replaceFile(const std::string& path, std::string_view bytes)
{
    if (path.empty()) return false;
    const std::string target = resolveTarget(path);
    struct stat old {};
    const bool existed = ::lstat(target.c_str(), &old) == 0;
    if (existed && !S_ISREG(old.st_mode)) return false;
    if (existed && old.st_nlink > 1) return writeInPlace(target, bytes);

    std::string temporary;
    UniqueFd fd = createTemporary(target, temporary);
    if (!fd.valid()) return existed && directoryRefuses(errno) && writeInPlace(target, bytes);

    bool ok = writeAll(fd.get(), bytes);
    if (ok && existed) {
        // Only a privileged writer can hand the file back to its owner; others
        // own it already. The mode comes after, as a change of owner may clear it.
        (void)!::fchown(fd.get(), old.st_uid, old.st_gid);
        ok = ::fchmod(fd.get(), old.st_mode & 07777) == 0;
    }
    if (ok) ok = ::fsync(fd.get()) == 0;
    ok = fd.close() && ok;
    if (ok) ok = ::rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok) ::unlink(temporary.c_str());
    return ok;
}

}  // namespace netrov::platform
