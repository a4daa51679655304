// Whole-file reads and replacements that no special file, link or rival writer can subvert.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace netrov::platform {

// Larger files are refused: nothing the suite reads comes near it.
inline constexpr size_t kMaxFileSize = 16u * 1024 * 1024;

enum class ReadStatus : uint8_t {
    Read,        // bytes hold the whole file
    Missing,     // no such file (or an empty path)
    Unreadable,  // not a regular file, larger than the limit, or a read failed
};

struct FileBytes {
    std::string bytes;
    ReadStatus status = ReadStatus::Missing;
};

// Opens path without blocking (a FIFO or a device never holds the caller up),
// accepts only a regular file and reads at most limit bytes of it.
// Throws std::bad_alloc.
FileBytes readRegularFile(const std::string& path, size_t limit = kMaxFileSize);

// Replaces the contents of path (of the file a symbolic link names, when path
// is one) with bytes. Normally through a new file with a unique name, created
// exclusively beside the target, and a rename, so readers see the old or the
// new contents and a failure leaves the old; the file keeps its mode and,
// where allowed, its owner. The file is rewritten in place instead when it
// has further hard links (a rename would split them) or when its directory
// is not writable. False when the target is not a regular file or cannot be
// written.
bool replaceFile(const std::string& path, std::string_view bytes);

}  // namespace netrov::platform
