// Hex literal helpers for byte-exact tests.
#include "hex.h"

#include <cctype>
#include <stdexcept>

namespace netrov::test {

namespace {
int digit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}
}  // namespace

std::vector<uint8_t> hexBytes(std::string_view text)
{
    std::vector<uint8_t> out;
    int high = -1;
    for (char c : text) {
        int d = digit(c);
        if (d < 0) continue;
        if (high < 0) {
            high = d;
        } else {
            out.push_back(static_cast<uint8_t>(high * 16 + d));
            high = -1;
        }
    }
    if (high >= 0) throw std::invalid_argument("odd number of hex digits");
    return out;
}

std::string toHex(const uint8_t* data, size_t size)
{
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (size_t i = 0; i < size; ++i) {
        if (i) out += ' ';
        out += kDigits[data[i] >> 4];
        out += kDigits[data[i] & 15];
    }
    return out;
}

}  // namespace netrov::test
