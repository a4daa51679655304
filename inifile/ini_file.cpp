// File access of the settings library: bounded whole-file reads and safe replacements.
#include "ini_file.h"

#include "platform/regular_file.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

namespace netrov::ini {

namespace {

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
    platform::FileBytes file = platform::readRegularFile(path);
    switch (file.status) {
    case platform::ReadStatus::Missing: return {{}, LoadStatus::Missing};
    case platform::ReadStatus::Unreadable: return {{}, LoadStatus::Unreadable};
    case platform::ReadStatus::Read: break;
    }
    return {parseLines(file.bytes), LoadStatus::Read};
}

bool storeFile(const char* path, const Lines& lines)
{
    if (path == nullptr || *path == '\0') return false;
    return platform::replaceFile(path, serializeLines(lines));
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
