// Fuzzes the profile-file reader and editor: lookups, integers, edits, and the same through real files.
//
// Input: the file text, optionally followed by a NUL byte and "section\nkey\nvalue" naming an edit.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/profile_file.h"

namespace pf = netrov::platform;

namespace {

// One directory per process, removed at exit.
struct ScratchDir {
    std::filesystem::path path;
    ScratchDir()
    {
        // Memory-backed storage unless told otherwise: the file round trips dominate each run.
        const std::filesystem::path base = std::getenv("TMPDIR") == nullptr && std::filesystem::is_directory("/dev/shm")
                                               ? std::filesystem::path("/dev/shm")
                                               : std::filesystem::temp_directory_path();
        path = base / ("netrov_fuzz_profile_" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
    }
    ~ScratchDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

std::string scratchFile()
{
    static ScratchDir dir;
    return (dir.path / "f.ini").string();
}

void writeBytes(const std::string& path, std::string_view bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

bool hasLineEnd(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && (isBlank(s.back()) || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// Names and values for which writing and reading back must agree: nothing
// that makes the written line another kind of line or that the reader strips.
bool roundTrips(std::string_view section, std::string_view key, std::string_view value)
{
    if (hasLineEnd(section) || hasLineEnd(key) || hasLineEnd(value)) return false;
    if (section.find(']') != std::string_view::npos) return false;
    if (key.find('=') != std::string_view::npos) return false;
    const std::string_view k = trimmed(key);
    if (!k.empty() && (k.front() == ';' || k.front() == '[')) return false;
    if (trimmed(value) != value) return false;
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return false;
    return true;
}

std::string lowered(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// The keys of the first section of each name, as a reader would ask for them;
// later sections of the same name and keys before any section are unreachable.
std::vector<std::pair<std::string, std::string>> reachableNames(std::string_view text)
{
    std::vector<std::pair<std::string, std::string>> names;
    std::vector<std::string> seen;
    std::optional<std::string> section;
    while (!text.empty() && names.size() < 64) {
        const size_t lf = text.find('\n');
        std::string_view line = text.substr(0, lf);
        text.remove_prefix(lf == std::string_view::npos ? text.size() : lf + 1);
        line = trimmed(line);
        if (line.empty() || line.front() == ';') continue;
        if (line.front() == '[') {
            line.remove_prefix(1);
            const std::string name(trimmed(line.substr(0, line.find(']'))));
            section.reset();
            if (std::find(seen.begin(), seen.end(), lowered(name)) == seen.end()) {
                seen.push_back(lowered(name));
                section = name;
            }
            continue;
        }
        const size_t equals = line.find('=');
        if (section && equals != std::string_view::npos)
            names.emplace_back(*section, std::string(trimmed(line.substr(0, equals))));
    }
    return names;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t nul = input.find('\0');
    const std::string_view text = input.substr(0, nul);

    std::string section = "Devices", key = "\"M1\"", value = "3,,127.0.0.1,\"x\",\"tarpon\",";
    if (nul != std::string_view::npos) {
        std::string_view edit = input.substr(nul + 1);
        const size_t a = edit.find('\n');
        section = std::string(edit.substr(0, a));
        edit.remove_prefix(a == std::string_view::npos ? edit.size() : a + 1);
        const size_t b = edit.find('\n');
        key = std::string(edit.substr(0, b));
        value = std::string(b == std::string_view::npos ? std::string_view() : edit.substr(b + 1));
    }

    // Every name present is found, and the integer reading never misbehaves.
    for (const auto& [s, k] : reachableNames(text)) {
        const std::optional<std::string> found = pf::findProfileValue(text, s, k);
        if (!found) std::abort();
        (void)pf::profileIntValue(*found);
    }
    (void)pf::profileIntValue(text.substr(0, 80));

    // The in-memory edit holds the value it set, and doing it again changes nothing.
    const std::optional<std::string> edited = pf::editProfileText(text, section, key, value);
    if (!edited) std::abort();  // setting a value always writes
    if (roundTrips(section, key, value)) {
        const std::optional<std::string> back = pf::findProfileValue(*edited, section, key);
        if (!back || *back != value) std::abort();
        const std::optional<std::string> again = pf::editProfileText(*edited, section, key, value);
        if (!again || *again != *edited) std::abort();
    }
    const std::optional<std::string> removedKey = pf::editProfileText(text, section, key, std::nullopt);
    const std::optional<std::string> removedSection = pf::editProfileText(text, section, std::nullopt, std::nullopt);
    (void)removedKey;
    (void)removedSection;

    // The file calls agree with the in-memory ones.
    const std::string path = scratchFile();
    writeBytes(path, text);
    const std::optional<std::string> inMemory = pf::findProfileValue(text, section, key);
    const std::string fromFile = pf::getPrivateProfileString(section, key, "\x01", path);
    if (inMemory ? fromFile != *inMemory : fromFile != "\x01") std::abort();
    if (pf::getPrivateProfileInt(section, key, -7, path) != (inMemory ? pf::profileIntValue(*inMemory) : -7))
        std::abort();
    if (!pf::writePrivateProfileString(section, key, value, path)) std::abort();
    if (readBytes(path) != *edited) std::abort();
    if (roundTrips(section, key, value) && pf::getPrivateProfileString(section, key, "\x01", path) != value)
        std::abort();
    return 0;
}
