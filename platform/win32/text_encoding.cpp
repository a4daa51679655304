// Single-byte character set tables through the Windows code pages.
#include "platform/text_encoding.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace netrov::platform {

namespace {

// The code page of a character set name, 0 when it names none we map.
UINT codePageOf(const char* name)
{
    std::string lower(name);
    for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    auto numberAfter = [&lower](const char* prefix) -> long {
        const size_t length = std::strlen(prefix);
        if (lower.compare(0, length, prefix) != 0 || lower.size() == length) return -1;
        char* end = nullptr;
        const long number = std::strtol(lower.c_str() + length, &end, 10);
        return *end == '\0' && number > 0 ? number : -1;
    };
    if (long n = numberAfter("windows-"); n >= 874 && n <= 1258) return static_cast<UINT>(n);
    if (long n = numberAfter("cp"); n >= 437 && n <= 1258) return static_cast<UINT>(n);
    if (long n = numberAfter("iso-8859-"); n >= 1 && n <= 16) return static_cast<UINT>(28590 + n);
    if (long n = numberAfter("iso8859-"); n >= 1 && n <= 16) return static_cast<UINT>(28590 + n);
    if (lower == "us-ascii" || lower == "ascii") return 20127;
    if (lower == "koi8-r") return 20866;
    if (lower == "koi8-u") return 21866;
    return 0;
}

}  // namespace

std::optional<std::array<int32_t, 256>> singleByteTable(const char* name)
{
    if (!name || !*name) return std::nullopt;
    const UINT codePage = codePageOf(name);
    CPINFO info{};
    if (codePage == 0 || !::GetCPInfo(codePage, &info) || info.MaxCharSize != 1) return std::nullopt;
    const bool windowsSet = codePage == 874 || (codePage >= 1250 && codePage <= 1258);
    std::array<int32_t, 256> table{};
    for (int b = 0; b < 256; ++b) {
        const char in = static_cast<char>(b);
        wchar_t out[2] = {};
        const int produced = ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, &in, 1, out, 2);
        // Code pages map every byte into the basic plane; none maps to a pair.
        int32_t code = produced == 1 ? static_cast<int32_t>(out[0]) : -1;
        // The Windows code pages pass the bytes they leave undefined (0x81 in
        // windows-1252) through as C1 controls; those sets have none.
        if (windowsSet && code >= 0x80 && code <= 0x9F) code = -1;
        table[static_cast<size_t>(b)] = code;
    }
    return table;
}

}  // namespace netrov::platform
