// Tables of single-byte character sets, from the system's converters.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace netrov::platform {

// Per byte value, the Unicode code point it stands for in the named character
// set ("windows-1252", "ISO-8859-2", ...), or -1 for a byte the set leaves
// undefined. None when the system does not know the name, or the set is not
// one byte per character.
std::optional<std::array<int32_t, 256>> singleByteTable(const char* name);

}  // namespace netrov::platform
