// Paths, directory listing and the current directory.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace netrov::platform {

struct DirectoryEntry {
    std::string name;
    bool isDirectory = false;  // symbolic links count as what they point to
};

// The entries of a directory in the file system's own order, without "."
// and ".."; empty when the directory cannot be read.
std::vector<DirectoryEntry> listDirectory(const std::string& directory);

// The process's current directory; empty when it cannot be determined.
// Nothing here changes it: it belongs to the program's user, and the
// relative paths the user gives are taken from it.
std::string currentDirectory();

// True when path names a regular file (not a directory, FIFO or device) that
// can be opened for reading; never blocks.
bool isReadableFile(const std::string& path) noexcept;
// True when path names a regular file, readable or not.
bool isRegularFile(const std::string& path) noexcept;

// How many more files and sockets the process can open, after raising its
// own soft limit towards the hard one when fewer than wanted are free.
size_t descriptorsAvailable(size_t wanted) noexcept;

// True when path names a folder, that is holds a separator.
bool hasDirectoryPart(const std::string& path) noexcept;
// "dir" + "/" + "name", without doubling a trailing separator.
std::string joinPath(const std::string& directory, const std::string& name);
// True when path starts at a root ("/", and on Windows also "\\" or a drive).
bool isAbsolutePath(const std::string& path) noexcept;
// path taken from directory: an absolute or empty path, or an empty
// directory, leaves path as it is.
std::string resolvePath(const std::string& directory, const std::string& path);
// Everything before the last separator ("/", and on Windows also "\\"); "" when
// there is none, the root itself for a top-level name.
std::string directoryOf(const std::string& path);

}  // namespace netrov::platform
