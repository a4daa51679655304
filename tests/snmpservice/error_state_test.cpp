// The error-state bits: octet strings of any length to the bit numbers
// core/attention.h counts.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "decoders.h"

using namespace netrov::tessel;

namespace {

struct BitsCase {
    const char* what;
    std::vector<uint8_t> octets;
    uint32_t bits;
};

// Bit n is 1u << n; lowPaper (0) is the first octet's top bit, jammed (5)
// 0x04 of the first octet, inputTrayMissing (8) the second octet's top bit.
const BitsCase kBitsCases[] = {
    {"no octets: nothing holds", {}, 0},
    {"one clear octet", {0x00}, 0},
    {"low paper alone", {0x80}, 1u << 0},
    {"low toner", {0x20}, 1u << 2},
    {"door open and jammed", {0x0C}, (1u << 4) | (1u << 5)},
    {"service requested, the first octet's last bit", {0x01}, 1u << 7},
    {"two clear octets", {0x00, 0x00}, 0},
    {"input tray missing", {0x00, 0x80}, 1u << 8},
    {"overdue maintenance, the second octet's last bit", {0x00, 0x01}, 1u << 15},
    {"jammed and output near full", {0x04, 0x10}, (1u << 5) | (1u << 11)},
    {"every named bit", {0xFF, 0xFF}, 0xFFFFu},
    {"a third octet is not kept", {0x08, 0x40, 0xFF}, (1u << 4) | (1u << 9)},
    {"five octets, the rest ignored", {0x80, 0x00, 0x01, 0x02, 0x03}, 1u << 0},
};

TEST(NamedBits, OctetsOfEveryLengthGiveTheNamedBits)
{
    for (const BitsCase& c : kBitsCases) {
        EXPECT_EQ(namedBits(c.octets.data(), c.octets.size()), c.bits) << c.what;
    }
    EXPECT_EQ(namedBits(nullptr, 2), 0u) << "no bytes at all";
}

}  // namespace
