// The five settings-file operations over a path: read whole, answer or edit, write back.
#pragma once

#include <cstdint>

#include "ini_lines.h"

namespace netrov::ini {

enum class LoadStatus : uint8_t {
    Read,        // the file was read (it may have been empty)
    Missing,     // no such file, or no path
    Unreadable,  // the file exists but could not be read whole
};

struct Loaded {
    Lines lines;
    LoadStatus status;
};

// Reads a regular file whole, without blocking and up to the platform's size
// limit; anything else gives no lines. Throws std::bad_alloc.
Loaded loadFile(const char* path);

// Replaces the file by a complete new copy (platform::replaceFile: a
// temporary file and a rename, or in place when the file has further hard
// links or its directory is not writable), keeping its mode.
bool storeFile(const char* path, const Lines& lines);

// Null section or key finds nothing; a null defaultText reads as "". The
// result is the length of the copied source plus one; buffer may be null.
int32_t readString(const char* section, const char* key, const char* defaultText, char* buffer,
                   uint32_t size, const char* path);
int32_t readInt(const char* section, const char* key, int32_t defaultValue, const char* path);
// 0 on success, -1 on failure with the file unchanged. Null arguments, texts
// that would break the line structure (CR or LF anywhere, "=" in the key, "]"
// in the section, a key that starts like a comment or a header) and files
// that exist but cannot be read are failures.
int32_t writeString(const char* section, const char* key, const char* value, const char* path);
int32_t writeInt(const char* section, const char* key, int32_t value, const char* path);
// Names of all sections into buffer (may be null); returns the bytes needed.
int32_t enumSectionNames(char* buffer, uint32_t size, const char* path);

}  // namespace netrov::ini
