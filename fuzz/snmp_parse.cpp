// Fuzzes the SNMP datagram decoder; what it accepts must encode and decode again unchanged.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace netrov::snmp;
    MessagePtr message = parse({data, size}, 0x0100007F);
    if (!message) return 0;
    std::vector<uint8_t> first(65536);
    auto firstSize = build(*message, first);
    if (!firstSize) return 0;  // values the encoder does not write (Opaque, exceptions...)
    MessagePtr again = parse({first.data(), *firstSize}, 0x0100007F);
    if (!again) std::abort();
    std::vector<uint8_t> second(65536);
    auto secondSize = build(*again, second);
    if (!secondSize || *secondSize != *firstSize || std::memcmp(first.data(), second.data(), *firstSize) != 0)
        std::abort();
    return 0;
}
