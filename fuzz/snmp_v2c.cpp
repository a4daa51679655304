// Fuzzes SNMPv2c decoding through the message layer and the GetBulk reply check:
// what decodes must encode and decode again unchanged, and the rows a reply
// gives must lie under the root in strictly increasing order.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "codec.h"
#include "engine.h"
#include "message.h"

namespace {

bool under(const SnmpBinding& b, std::span<const uint32_t> root)
{
    return b.nameLength > static_cast<int32_t>(root.size()) && std::equal(root.begin(), root.end(), b.name);
}

bool after(const SnmpBinding& b, std::span<const uint32_t> name)
{
    return std::lexicographical_compare(name.begin(), name.end(), b.name, b.name + b.nameLength);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace netrov::snmp;
    const CommunityModel model(kVersion2c, "public");
    Unwrapped reply = model.unwrap({data, size}, 0x0100007F);
    if (reply.status != UnwrapStatus::Ok) {
        if (reply.message) std::abort();
        return 0;
    }
    const SnmpMessage& message = *reply.message;
    if (message.version != kVersion2c) std::abort();

    // The reply check, with the root and last name of a Printer-MIB walk.
    static constexpr std::array<uint32_t, 9> kRoot = {1, 3, 6, 1, 2, 1, 43, 11, 1};
    static constexpr std::array<uint32_t, 11> kLast = {1, 3, 6, 1, 2, 1, 43, 11, 1, 1, 5};
    for (int32_t asked : {1, 25, 1000}) {
        const BulkReplyRows rows = checkBulkReply(message, asked, kRoot, kLast);
        std::span<const uint32_t> previous = kLast;
        const SnmpBinding* b = message.variables;
        for (size_t i = 0; i < rows.usable; ++i, b = b->next) {
            if (!b || !under(*b, kRoot) || !after(*b, previous)) std::abort();
            previous = {b->name, static_cast<size_t>(b->nameLength)};
        }
        if (rows.usable == 0 && !rows.end) std::abort();  // a reply always advances or ends
    }

    std::vector<uint8_t> first(65536);
    auto firstSize = encodeMessage(message, first);
    if (!firstSize) return 0;  // values the encoder does not write (Opaque...)
    MessagePtr again = decodeMessage({first.data(), *firstSize}, 0x0100007F, kVersion2c);
    if (!again) std::abort();
    std::vector<uint8_t> second(65536);
    auto secondSize = encodeMessage(*again, second);
    if (!secondSize || *secondSize != *firstSize || std::memcmp(first.data(), second.data(), *firstSize) != 0)
        std::abort();
    return 0;
}
