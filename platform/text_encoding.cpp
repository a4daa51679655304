// Single-byte character set tables through iconv.
#include "platform/text_encoding.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>

namespace netrov::platform {

std::optional<std::array<int32_t, 256>> singleByteTable(const char* name)
{
    if (!name || !*name) return std::nullopt;
    const iconv_t cd = iconv_open("UTF-32LE", name);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::array<int32_t, 256> table{};
    bool singleByte = true;
    for (int b = 0; b < 256 && singleByte; ++b) {
        iconv(cd, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
        char in = static_cast<char>(b);
        unsigned char out[16] = {};
        char* inPtr = &in;
        char* outPtr = reinterpret_cast<char*>(out);
        size_t inLeft = 1;
        size_t outLeft = sizeof out;
        const size_t done = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        const size_t produced = sizeof out - outLeft;
        if (done == static_cast<size_t>(-1) && errno == EINVAL) {
            singleByte = false;  // the byte starts a longer sequence
        } else if (done == static_cast<size_t>(-1) || produced != 4) {
            table[static_cast<size_t>(b)] = -1;  // undefined, or more than one character
        } else {
            table[static_cast<size_t>(b)] = static_cast<int32_t>(out[0] | out[1] << 8 | out[2] << 16 | out[3] << 24);
        }
    }
    iconv_close(cd);
    if (!singleByte) return std::nullopt;
    return table;
}

}  // namespace netrov::platform
