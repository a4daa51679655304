// Hostile datagrams: every one gives a clear failure and never reads outside the input.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "hex.h"
#include "netrov/zomsnmp.h"

using netrov::test::hexBytes;
using netrov::test::toHex;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes cat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// Tag and short or long definite length, then the content.
Bytes tlv(uint8_t tag, const Bytes& content)
{
    Bytes out{tag};
    if (content.size() < 128) {
        out.push_back(static_cast<uint8_t>(content.size()));
    } else {
        out.push_back(0x82);
        out.push_back(static_cast<uint8_t>(content.size() >> 8));
        out.push_back(static_cast<uint8_t>(content.size()));
    }
    out.insert(out.end(), content.begin(), content.end());
    return out;
}

Bytes h(const char* hex) { return hexBytes(hex); }

Bytes response(const Bytes& version, const Bytes& community, const Bytes& header, const Bytes& list)
{
    return tlv(0x30, cat({version, community, tlv(0xA2, cat({header, list}))}));
}

const Bytes kVersion = h("02 01 00");
const Bytes kCommunity = tlv(0x04, h("70 75 62 6C 69 63"));
const Bytes kHeader = h("02 02 12 34 02 01 00 02 01 00");

Bytes list(std::initializer_list<Bytes> bindings)
{
    Bytes content;
    for (const auto& b : bindings) content.insert(content.end(), b.begin(), b.end());
    return tlv(0x30, content);
}

Bytes binding(const char* name, const Bytes& value) { return tlv(0x30, cat({tlv(0x06, h(name)), value})); }

Bytes validReply()
{
    return response(kVersion, kCommunity, kHeader,
                    list({binding("2B 06 01 02 01 01 01 00", tlv(0x04, h("4C 61 73 65 72"))),
                          binding("2B 06 01 02 01 01 03 00", h("43 04 01 02 03 04")),
                          binding("2B 06 01 02 01 01 02 00", tlv(0x06, h("2B 06 01 04 01 82 37"))),
                          binding("2B 06 01 02 01 19 03 02 01 05 01", h("02 01 02")),
                          binding("2B 06 01 02 01 04 14 01 01 7F 00 00 01", h("40 04 7F 00 00 01")),
                          binding("2B 06 01 02 01 01 04 00", h("05 00"))}));
}

bool parses(const Bytes& bytes)
{
    SnmpMessage* m = snmp_parse(bytes.data(), static_cast<int32_t>(bytes.size()), 0);
    free_snmp_pdu(m);
    return m != nullptr;
}

TEST(Malformed, TheValidReplyParses)
{
    Bytes reply = validReply();
    SnmpMessage* m = snmp_parse(reply.data(), static_cast<int32_t>(reply.size()), 0);
    ASSERT_NE(m, nullptr);
    int count = 0;
    for (SnmpBinding* b = m->variables; b; b = b->next) ++count;
    EXPECT_EQ(count, 6);
    EXPECT_EQ(m->requestId, 0x1234);
    free_snmp_pdu(m);
}

TEST(Malformed, EveryTruncationFails)
{
    Bytes reply = validReply();
    for (size_t size = 0; size < reply.size(); ++size) {
        Bytes prefix(reply.begin(), reply.begin() + static_cast<ptrdiff_t>(size));
        EXPECT_FALSE(parses(prefix)) << "prefix of " << size << " bytes";
    }
}

TEST(Malformed, SingleByteMutationsNeverCrash)
{
    Bytes reply = validReply();
    for (size_t i = 0; i < reply.size(); ++i) {
        for (uint8_t v : {0x00, 0x01, 0x1F, 0x7F, 0x80, 0x81, 0x84, 0x85, 0xFF}) {
            Bytes mutated = reply;
            mutated[i] = v;
            (void)parses(mutated);
        }
    }
}

TEST(Malformed, EachKindOfDamageIsRejected)
{
    struct Case {
        const char* what;
        Bytes bytes;
    };
    const Bytes okList = list({binding("2B 06 01", h("05 00"))});
    const Case cases[] = {
        {"outer length past the end", cat({h("30 7F"), kVersion, kCommunity})},
        {"indefinite outer length", cat({h("30 80"), kVersion, kCommunity, tlv(0xA2, cat({kHeader, okList})), h("00 00")})},
        {"five length bytes", cat({h("30 85 00 00 00 00 08"), kVersion, kCommunity})},
        {"high tag number as value",
         response(kVersion, kCommunity, kHeader, list({binding("2B 06 01", h("1F 81 00 01 00"))}))},
        {"high tag number as PDU", tlv(0x30, cat({kVersion, kCommunity, h("BF 01 00")}))},
        {"INTEGER of five bytes", response(kVersion, kCommunity, h("02 05 00 00 00 12 34 02 01 00 02 01 00"), okList)},
        {"INTEGER value of five bytes",
         response(kVersion, kCommunity, kHeader, list({binding("2B 06 01", h("02 05 00 00 00 00 01"))}))},
        {"empty INTEGER", response(kVersion, kCommunity, h("02 00 02 01 00 02 01 00"), okList)},
        {"name arc over 32 bits", response(kVersion, kCommunity, kHeader, list({binding("2B 90 80 80 80 00", h("05 00"))}))},
        {"value arc over 32 bits",
         response(kVersion, kCommunity, kHeader, list({binding("2B 06", tlv(0x06, h("2B 90 80 80 80 00")))}))},
        {"unfinished arc", response(kVersion, kCommunity, kHeader, list({binding("2B 06 81", h("05 00"))}))},
        {"version 1", response(h("02 01 01"), kCommunity, kHeader, okList)},
        {"community of 129 bytes", response(kVersion, tlv(0x04, Bytes(129, 'a')), kHeader, okList)},
        {"community not an OCTET STRING", response(kVersion, tlv(0x02, h("01")), kHeader, okList)},
        {"unsigned of five bytes without a leading zero",
         response(kVersion, kCommunity, kHeader, list({binding("2B 06", h("41 05 01 00 00 00 00"))}))},
        {"binding longer than its list",
         response(kVersion, kCommunity, kHeader, cat({h("30 07 30 09 06 01 2B 05 00")}))},
        {"value longer than its binding",
         response(kVersion, kCommunity, kHeader, list({cat({h("30 04 06 01 2B 04 05 41 42")})}))},
        {"binding not a sequence", response(kVersion, kCommunity, kHeader, list({tlv(0x31, h("06 01 2B 05 00"))}))},
        {"name not an identifier", response(kVersion, kCommunity, kHeader, list({tlv(0x30, h("04 01 2B 05 00"))}))},
        {"binding without a value", response(kVersion, kCommunity, kHeader, list({tlv(0x30, h("06 01 2B"))}))},
        {"list missing", response(kVersion, kCommunity, kHeader, {})},
        {"message not a sequence", tlv(0x31, cat({kVersion, kCommunity, tlv(0xA2, cat({kHeader, okList}))}))},
        {"PDU shorter than its header",
         tlv(0x30, cat({kVersion, kCommunity, h("A2 05"), kHeader, okList}))},
        {"trap agent address of 5 bytes",
         tlv(0x30, cat({kVersion, kCommunity,
                        tlv(0xA4, cat({h("06 02 2B 06 40 05 01 02 03 04 05 02 01 06 02 01 01 43 01 00"), okList}))}))},
        {"empty", {}},
    };
    for (const auto& c : cases) EXPECT_FALSE(parses(c.bytes)) << c.what << ": " << toHex(c.bytes);
}

TEST(Malformed, ArgumentsOfTheExport)
{
    Bytes reply = validReply();
    EXPECT_EQ(snmp_parse(nullptr, 10, 0), nullptr);
    EXPECT_EQ(snmp_parse(reply.data(), -1, 0), nullptr);
    // Bytes after the message are not part of it.
    Bytes trailing = cat({reply, h("00 00")});
    EXPECT_TRUE(parses(trailing));
}

}  // namespace
