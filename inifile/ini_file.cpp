// File access of the settings library: whole-file reads and replace-by-rename writes.
#include "ini_file.h"

#include "platform/unique_fd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace netrov::ini {

namespace {

using platform::UniqueFd;

bool writeAll(int fd, const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// A path that names a symbolic link is written through to the link's target,
// so that the rename replaces the file and not the link.
std::string resolveTarget(const char* path)
{
    struct stat info {};
    if (::lstat(path, &info) == 0 && S_ISLNK(info.st_mode)) {
        std::unique_ptr<char, decltype(&std::free)> real(::realpath(path, nullptr), &std::free);
        if (real) return real.get();
    }
    return path;
}

std::atomic<unsigned> tempCounter{0};

int32_t clampResult(uint64_t value)
{
    return value > static_cast<uint64_t>(INT32_MAX) ? INT32_MAX : static_cast<int32_t>(value);
}

bool hasLineBreak(std::string_view text)
{
    return text.find_first_of("\r\n") != std::string_view::npos;
}

// Texts that, written as they stand, would read back as different lines.
bool writable(std::string_view section, std::string_view key, std::string_view value)
{
    if (hasLineBreak(section) || hasLineBreak(key) || hasLineBreak(value)) return false;
    if (section.find(']') != std::string_view::npos) return false;
    if (key.find('=') != std::string_view::npos) return false;
    if (!key.empty() && (key.front() == ';' || key.front() == '[')) return false;
    return true;
}

}  // namespace

Loaded loadFile(const char* path)
{
    if (path == nullptr || *path == '\0') return {{}, LoadStatus::Missing};
    UniqueFd fd(::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd.valid()) return {{}, errno == ENOENT || errno == ENOTDIR ? LoadStatus::Missing : LoadStatus::Unreadable};
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return {{}, LoadStatus::Unreadable};
    std::string bytes;
    char chunk[4096];
    for (;;) {
        ssize_t n = ::read(fd.get(), chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return {{}, LoadStatus::Unreadable};
        if (n == 0) break;
        bytes.append(chunk, static_cast<size_t>(n));
        // Nothing past the first NUL is ever used.
        if (std::memchr(chunk, '\0', static_cast<size_t>(n)) != nullptr) break;
    }
    return {parseLines(bytes), LoadStatus::Read};
}

bool storeFile(const char* path, const Lines& lines)
{
    if (path == nullptr || *path == '\0') return false;
    std::string target = resolveTarget(path);
    std::string bytes = serializeLines(lines);

    struct stat old {};
    bool existed = ::stat(target.c_str(), &old) == 0;
    if (existed && !S_ISREG(old.st_mode)) return false;

    std::string temp;
    UniqueFd fd;
    for (int attempt = 0; attempt < 100 && !fd.valid(); ++attempt) {
        char suffix[64];
        std::snprintf(suffix, sizeof suffix, ".~%ld.%u", static_cast<long>(::getpid()), tempCounter.fetch_add(1));
        temp = target + suffix;
        // 0666 lets the umask decide a new file's mode, as a plain create would.
        fd = UniqueFd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (!fd.valid() && errno != EEXIST) return false;
    }
    if (!fd.valid()) return false;

    bool ok = writeAll(fd.get(), bytes);
    if (ok && existed) ok = ::fchmod(fd.get(), old.st_mode & 07777) == 0;
    if (ok) ok = ::fsync(fd.get()) == 0;
    ok = fd.close() && ok;
    if (ok) ok = ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) ::unlink(temp.c_str());
    return ok;
}

int32_t readString(const char* section, const char* key, const char* defaultText, char* buffer,
                   uint32_t size, const char* path)
{
    Loaded file = loadFile(path);
    std::optional<std::string_view> found;
    if (section != nullptr && key != nullptr) found = findValue(file.lines, section, key);
    std::string_view source = found ? *found : std::string_view(defaultText ? defaultText : "");
    uint64_t needed = uint64_t{source.size()} + 1;
    if (buffer != nullptr && size > 0) {
        uint64_t count = std::min<uint64_t>(size, needed);
        // The source's terminating NUL is copied when it fits; a cut copy is
        // terminated in its last byte so callers never read past the buffer.
        std::memcpy(buffer, source.data(), static_cast<size_t>(std::min<uint64_t>(count, source.size())));
        if (count == needed) buffer[source.size()] = '\0';
        else buffer[size - 1] = '\0';
    }
    return clampResult(needed);
}

int32_t readInt(const char* section, const char* key, int32_t defaultValue, const char* path)
{
    if (section == nullptr || key == nullptr) return defaultValue;
    Loaded file = loadFile(path);
    auto found = findValue(file.lines, section, key);
    return found ? parseInt(*found) : defaultValue;
}

int32_t writeString(const char* section, const char* key, const char* value, const char* path)
{
    if (section == nullptr || key == nullptr || value == nullptr || path == nullptr || *path == '\0') return -1;
    if (!writable(section, key, value)) return -1;
    Loaded file = loadFile(path);
    // Rewriting a file that exists but could not be read would lose its contents.
    if (file.status == LoadStatus::Unreadable) return -1;
    setValue(file.lines, section, key, value);
    return storeFile(path, file.lines) ? 0 : -1;
}

int32_t writeInt(const char* section, const char* key, int32_t value, const char* path)
{
    char text[128];
    std::snprintf(text, sizeof text, "%d", static_cast<int>(value));
    return writeString(section, key, text, path);
}

int32_t enumSectionNames(char* buffer, uint32_t size, const char* path)
{
    Loaded file = loadFile(path);
    return clampResult(enumSections(file.lines, buffer, size));
}

}  // namespace netrov::ini
