// Fuzzes decoding followed by conversion into caller-owned simple records.
#include <cstdint>
#include <cstring>
#include <memory>

#include "codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace netrov::snmp;
    MessagePtr message = parse({data, size}, 0x0100007F);
    if (!message) return 0;
    constexpr int32_t kSlots = 8;
    auto slots = std::make_unique<SnmpSimpleBinding[]>(kSlots);
    SnmpSimpleMessage simple{};
    simple.variableCount = kSlots;
    simple.variables = slots.get();
    if (standardToSimple(*message, simple)) {
        // Every converted text must be terminated inside its field.
        if (std::memchr(simple.community, 0, sizeof(simple.community)) == nullptr) __builtin_trap();
        for (int32_t i = 0; i < kSlots; ++i)
            if (std::memchr(slots[i].name, 0, sizeof(slots[i].name)) == nullptr) __builtin_trap();
    }
    return 0;
}
