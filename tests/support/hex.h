// Hex literals for byte-exact tests: "30 82 00 28" -> bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace netrov::test {

// Ignores blanks and separators; two hex digits make one byte.
std::vector<uint8_t> hexBytes(std::string_view text);
// Bytes as "30 82 00 28", for readable failure messages.
std::string toHex(const uint8_t* data, size_t size);
inline std::string toHex(const std::vector<uint8_t>& bytes) { return toHex(bytes.data(), bytes.size()); }

}  // namespace netrov::test
