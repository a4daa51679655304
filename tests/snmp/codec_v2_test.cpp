// SNMPv2c messages: reference encodings, GetBulk, Counter64, the exception
// values, truncated prefixes, and the line between v1 and v2c.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "ber.h"
#include "codec.h"
#include "hex.h"
#include "message.h"
#include "snmp_test_util.h"

using namespace netrov::snmp;
using namespace netrov::test;

namespace {

// GetBulk of 1.3.6.1.2.1.43, id 42, no non-repeaters, 25 repetitions.
constexpr char kBulkRequest[] =
    "30 82 00 26 02 01 01 04 06 70 75 62 6C 69 63 A5 19 02 01 2A 02 01 00 02 01 19"
    " 30 0E 30 82 00 0A 06 06 2B 06 01 02 01 2B 05 00";

// A Response as agents write it (short length forms): a Counter64, then
// noSuchObject, noSuchInstance and endOfMibView.
constexpr char kExceptionsResponse[] =
    "30 5B 02 01 01 04 06 70 75 62 6C 69 63 A2 4E 02 01 2A 02 01 00 02 01 00 30 43"
    " 30 17 06 0B 2B 06 01 02 01 1F 01 01 01 06 01 46 08 01 23 45 67 89 AB CD EF"
    " 30 0C 06 08 2B 06 01 02 01 01 01 00 80 00"
    " 30 0C 06 08 2B 06 01 02 01 01 02 00 81 00"
    " 30 0C 06 08 2B 06 01 02 01 01 03 00 82 00";

TestBinding counter64Binding(std::string_view oid, uint64_t v)
{
    std::vector<uint8_t> bytes(8);
    std::memcpy(bytes.data(), &v, 8);
    return {arcsOf(oid), kTagCounter64, bytes, true};
}

TestBinding exceptionBinding(std::string_view oid, uint8_t tag) { return {arcsOf(oid), tag, {}, false}; }

TestMessagePtr v2cMessage(uint8_t pduType, int32_t id, const std::vector<TestBinding>& bindings)
{
    auto m = makeMessage(pduType, id, "public", bindings);
    m->version = kVersion2c;
    return m;
}

std::vector<uint8_t> encodeV2(const SnmpMessage& m)
{
    std::vector<uint8_t> out(65536);
    auto size = encodeMessage(m, out);
    if (!size) {
        ADD_FAILURE() << "message does not encode";
        return {};
    }
    out.resize(*size);
    return out;
}

uint64_t counter64Of(const SnmpBinding& b)
{
    uint64_t v = 0;
    EXPECT_EQ(b.valueLength, 8u);
    if (b.valueLength == 8) std::memcpy(&v, b.value, 8);
    return v;
}

TEST(V2Build, GetBulkRequestMatchesTheReference)
{
    auto m = v2cMessage(kPduGetBulk, 42, {nullBinding("1.3.6.1.2.1.43")});
    m->errorStatus = 0;   // non-repeaters
    m->errorIndex = 25;   // max-repetitions
    EXPECT_EQ(toHex(encodeV2(*m)), toHex(hexBytes(kBulkRequest)));
    // RequestPdu and the community model give the very same bytes.
    const auto root = arcsOf("1.3.6.1.2.1.43");
    RequestPdu pdu(kPduGetBulk, std::span<const uint32_t>(root));
    pdu.setRequestId(42);
    pdu.setRepetitions(0, 25);
    std::vector<uint8_t> out(SNMP_DATAGRAM_SIZE);
    auto size = CommunityModel(kVersion2c, "public").wrap(pdu.pdu(), out);
    ASSERT_TRUE(size);
    out.resize(*size);
    EXPECT_EQ(toHex(out), toHex(hexBytes(kBulkRequest)));
}

TEST(V2Build, Counter64AndExceptionEncodings)
{
    struct Case {
        TestBinding binding;
        const char* valueHex;
    };
    const Case cases[] = {
        {counter64Binding("1.3", 0), "46 01 00"},
        {counter64Binding("1.3", 127), "46 01 7F"},
        {counter64Binding("1.3", 128), "46 02 00 80"},
        {counter64Binding("1.3", 4294967296ull), "46 05 01 00 00 00 00"},
        {counter64Binding("1.3", 0x7FFFFFFFFFFFFFFFull), "46 08 7F FF FF FF FF FF FF FF"},
        {counter64Binding("1.3", UINT64_MAX), "46 09 00 FF FF FF FF FF FF FF FF"},
        {exceptionBinding("1.3", kTagNoSuchObject), "80 00"},
        {exceptionBinding("1.3", kTagNoSuchInstance), "81 00"},
        {exceptionBinding("1.3", kTagEndOfMibView), "82 00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.valueHex);
        auto bytes = encodeV2(*v2cMessage(SNMP_PDU_RESPONSE, 1, {c.binding}));
        std::string hex = toHex(bytes);
        std::string tail = toHex(hexBytes(c.valueHex));
        ASSERT_GE(hex.size(), tail.size());
        EXPECT_EQ(hex.substr(hex.size() - tail.size()), tail);
        // And back.
        auto back = decodeMessage(bytes, 0, kVersion2c);
        ASSERT_TRUE(back);
        EXPECT_EQ(back->variables->type, c.binding.type);
        if (c.binding.type == kTagCounter64) {
            uint64_t v = 0;
            std::memcpy(&v, c.binding.value.data(), 8);
            EXPECT_EQ(counter64Of(*back->variables), v);
        } else {
            EXPECT_EQ(back->variables->value, nullptr);
            EXPECT_EQ(back->variables->valueLength, 0u);
        }
    }
}

TEST(V2Build, EachVersionRefusesWhatItCannotCarry)
{
    uint8_t out[SNMP_DATAGRAM_SIZE];
    // v1 has no Counter64 and no exceptions, neither through build nor encodeMessage.
    for (const TestBinding& b : {counter64Binding("1.3", 5), exceptionBinding("1.3", kTagEndOfMibView)}) {
        auto v1 = makeMessage(SNMP_PDU_RESPONSE, 1, "public", {b});
        EXPECT_FALSE(encodeMessage(*v1, out));
        EXPECT_FALSE(build(*v1, out));
    }
    // The exported build stays v1 only.
    EXPECT_FALSE(build(*v2cMessage(SNMP_PDU_GET, 1, {nullBinding("1.3")}), out));
    // v2c has no v1 Trap; a Counter64 value is eight bytes wide.
    EXPECT_FALSE(encodeMessage(*v2cMessage(SNMP_PDU_TRAP, 1, {}), out));
    TestBinding narrow = counter64Binding("1.3", 5);
    narrow.value.resize(4);
    EXPECT_FALSE(encodeMessage(*v2cMessage(SNMP_PDU_RESPONSE, 1, {narrow}), out));
    auto version3 = v2cMessage(SNMP_PDU_GET, 1, {});
    version3->version = 3;
    EXPECT_FALSE(encodeMessage(*version3, out));
}

TEST(V2Parse, DecodesTheExceptionsResponse)
{
    auto m = decodeMessage(hexBytes(kExceptionsResponse), 0x0100007F, kVersion2c);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->version, kVersion2c);
    EXPECT_STREQ(m->community, "public");
    EXPECT_EQ(m->pduType, SNMP_PDU_RESPONSE);
    EXPECT_EQ(m->requestId, 42);
    auto bindings = bindingsOf(*m);
    ASSERT_EQ(bindings.size(), 4u);
    EXPECT_EQ(nameOf(*bindings[0]), arcsOf("1.3.6.1.2.1.31.1.1.1.6.1"));
    EXPECT_EQ(bindings[0]->type, kTagCounter64);
    EXPECT_EQ(counter64Of(*bindings[0]), 0x0123456789ABCDEFull);
    EXPECT_EQ(bindings[1]->type, kTagNoSuchObject);
    EXPECT_EQ(bindings[2]->type, kTagNoSuchInstance);
    EXPECT_EQ(bindings[3]->type, kTagEndOfMibView);
    EXPECT_EQ(nameOf(*bindings[3]), arcsOf("1.3.6.1.2.1.1.3.0"));
    for (size_t i = 1; i < 4; ++i) EXPECT_EQ(bindings[i]->value, nullptr);
}

// Every proper prefix of a valid message is refused, for both versions'
// decoders and the exported one.
TEST(V2Parse, EveryTruncatedPrefixIsRefused)
{
    const char* references[] = {kBulkRequest, kExceptionsResponse};
    for (const char* reference : references) {
        const auto bytes = hexBytes(reference);
        ASSERT_TRUE(decodeMessage(bytes, 0, kVersion2c));
        for (size_t size = 0; size < bytes.size(); ++size) {
            std::span<const uint8_t> prefix(bytes.data(), size);
            EXPECT_FALSE(decodeMessage(prefix, 0, kVersion2c)) << size;
            EXPECT_FALSE(parse(prefix, 0)) << size;
            EXPECT_EQ(CommunityModel(kVersion2c, "public").unwrap(prefix, 0).status, UnwrapStatus::Malformed) << size;
        }
    }
}

// Round trips of every v2 PDU type, datagram-sized and larger (the two
// decoding paths), with every value type together.
class V2RoundTrip : public ::testing::TestWithParam<size_t> {};

TEST_P(V2RoundTrip, EveryPduTypeAndValueType)
{
    const std::vector<TestBinding> in = {
        intBinding("1.3.6.1.2.1.1.7.0", -5),
        octetsBinding("1.3.6.1.2.1.1.1.0", std::string(GetParam(), 'd')),
        nullBinding("1.3.6.1.2.1.1.5.0"),
        oidBinding("1.3.6.1.2.1.1.2.0", "1.3.6.1.4.1.2435.2.3.9.1"),
        wordBinding("1.3.6.1.2.1.2.2.1.10.1", SNMP_TYPE_COUNTER, 4000000000u),
        counter64Binding("1.3.6.1.2.1.31.1.1.1.6.1", 18000000000000000000ull),
        exceptionBinding("1.3.6.1.2.1.43.5.1.1.17.1", kTagNoSuchInstance),
        exceptionBinding("1.3.6.1.2.1.43.5.1.1.18", kTagEndOfMibView),
    };
    const uint8_t types[] = {SNMP_PDU_GET, SNMP_PDU_GETNEXT, SNMP_PDU_RESPONSE, SNMP_PDU_SET,
                             kPduGetBulk, kPduInform, kPduTrapV2, kPduReport};
    for (uint8_t type : types) {
        SCOPED_TRACE(int{type});
        auto m = v2cMessage(type, 0x7FFFFFFF, in);
        m->errorStatus = 3;
        m->errorIndex = 50;
        auto back = decodeMessage(encodeV2(*m), 0, kVersion2c);
        ASSERT_TRUE(back);
        EXPECT_EQ(back->version, kVersion2c);
        EXPECT_EQ(back->pduType, type);
        EXPECT_EQ(back->requestId, 0x7FFFFFFF);
        EXPECT_EQ(back->errorStatus, 3);
        EXPECT_EQ(back->errorIndex, 50);
        auto out = bindingsOf(*back);
        ASSERT_EQ(out.size(), in.size());
        for (size_t i = 0; i < in.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(nameOf(*out[i]), in[i].name);
            EXPECT_EQ(out[i]->type, in[i].type);
            ASSERT_EQ(out[i]->valueLength, in[i].value.size());
            if (!in[i].value.empty()) {
                EXPECT_EQ(std::memcmp(out[i]->value, in[i].value.data(), in[i].value.size()), 0);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, V2RoundTrip, ::testing::Values(size_t{0}, size_t{3000}),
                         [](const auto& info) { return "Octets" + std::to_string(info.param); });

TEST(V2Parse, Counter64ContentRules)
{
    struct Case {
        const char* content;
        bool accepted;
        uint64_t value;
    };
    const Case cases[] = {
        {"00", true, 0},
        {"FF", true, UINT64_MAX},  // a missing leading zero still means the unsigned value
        {"00 FF FF FF FF FF FF FF FF", true, UINT64_MAX},
        {"01 00 00 00 00 00 00 00 00", false, 0},
        {"00 00 00 00 00 00 00 00 00 01", false, 0},
        {"", false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.content);
        const auto content = hexBytes(c.content);
        // A binding of 1.3 with the Counter64 value, inside a v2c Response.
        std::vector<uint8_t> binding = {0x06, 0x01, 0x2B, 0x46, static_cast<uint8_t>(content.size())};
        binding.insert(binding.end(), content.begin(), content.end());
        std::vector<uint8_t> list = {0x30, static_cast<uint8_t>(binding.size())};
        list.insert(list.end(), binding.begin(), binding.end());
        std::vector<uint8_t> pdu = {0x02, 0x01, 0x01, 0x02, 0x01, 0x00, 0x02, 0x01, 0x00, 0x30,
                                    static_cast<uint8_t>(list.size())};
        pdu.insert(pdu.end(), list.begin(), list.end());
        std::vector<uint8_t> body = {0x02, 0x01, 0x01, 0x04, 0x01, 'p', 0xA2, static_cast<uint8_t>(pdu.size())};
        body.insert(body.end(), pdu.begin(), pdu.end());
        std::vector<uint8_t> message = {0x30, static_cast<uint8_t>(body.size())};
        message.insert(message.end(), body.begin(), body.end());

        auto m = decodeMessage(message, 0, kVersion2c);
        ASSERT_EQ(m != nullptr, c.accepted);
        if (m) {
            EXPECT_EQ(counter64Of(*m->variables), c.value);
        }
        // In a v1 message the same value is a type v1 does not know: length only.
        message[4] = 0x00;
        auto v1 = parse(message, 0);
        ASSERT_TRUE(v1);
        EXPECT_EQ(v1->variables->type, kTagCounter64);
        EXPECT_EQ(v1->variables->value, nullptr);
        EXPECT_EQ(v1->variables->valueLength, content.size());
    }
}

TEST(V2Parse, TheVersionsDoNotMix)
{
    const auto v2 = hexBytes(kExceptionsResponse);
    const auto v1 = encode(*makeMessage(SNMP_PDU_RESPONSE, 42, "public", {nullBinding("1.3.6.1.2.1.1.1.0")}));
    EXPECT_FALSE(parse(v2, 0));  // the exported decoder stays v1 only
    EXPECT_FALSE(decodeMessage(v1, 0, kVersion2c));
    EXPECT_FALSE(decodeMessage(v2, 0, kVersion1));
    EXPECT_TRUE(decodeMessage(v1, 0, kVersion1));
    EXPECT_FALSE(decodeMessage(v2, 0, 3));
    EXPECT_EQ(messageVersion(v2), kVersion2c);
    EXPECT_EQ(messageVersion(v1), kVersion1);
    EXPECT_FALSE(messageVersion(hexBytes("30 03 04 01 00")));
    // A v1 trap layout inside a v2c message is not a message.
    auto trapBytes = hexBytes("30 1E 02 01 01 04 01 70 A4 16 06 03 2B 06 01 40 04 0A 00 00 01 02 01 06 02 01 01 43 01 00 30 00");
    EXPECT_FALSE(decodeMessage(trapBytes, 0, kVersion2c));
    trapBytes[4] = 0x00;
    EXPECT_TRUE(parse(trapBytes, 0));
}

TEST(MessageModel, UnwrapNamesWhyBytesAreNoReply)
{
    const auto v2 = hexBytes(kExceptionsResponse);
    const auto v1 = encode(*makeMessage(SNMP_PDU_RESPONSE, 42, "public", {nullBinding("1.3.6.1.2.1.1.1.0")}));
    const CommunityModel modelV1(kVersion1, "public");
    const CommunityModel modelV2(kVersion2c, "public");
    struct Case {
        const MessageModel& model;
        std::vector<uint8_t> bytes;
        UnwrapStatus status;
    };
    const Case cases[] = {
        {modelV2, v2, UnwrapStatus::Ok},
        {modelV1, v1, UnwrapStatus::Ok},
        {modelV1, v2, UnwrapStatus::OtherVersion},
        {modelV2, v1, UnwrapStatus::OtherVersion},
        {modelV2, hexBytes("30 03 02 01 01"), UnwrapStatus::Malformed},
        {modelV2, {}, UnwrapStatus::Malformed},
        {CommunityModel(3, "public"), v2, UnwrapStatus::OtherVersion},
    };
    for (const auto& c : cases) {
        Unwrapped u = c.model.unwrap(c.bytes, 0);
        EXPECT_EQ(u.status, c.status);
        EXPECT_EQ(u.message != nullptr, c.status == UnwrapStatus::Ok);
    }
    // The model writes its own version and community, whatever the PDU says.
    auto pdu = makeMessage(SNMP_PDU_GET, 42, "ignored", {nullBinding("1.3.6.1.2.1.1.1.0")});
    pdu->version = 7;
    uint8_t out[SNMP_DATAGRAM_SIZE];
    auto size = modelV2.wrap(*pdu, out);
    ASSERT_TRUE(size);
    auto back = decodeMessage({out, *size}, 0, kVersion2c);
    ASSERT_TRUE(back);
    EXPECT_STREQ(back->community, "public");
    EXPECT_FALSE(CommunityModel(3, "public").wrap(*pdu, out));
}

TEST(MessageModel, UnwrapAnswerTakesOnlyTheAnswerOfItsVersion)
{
    const auto v2 = hexBytes(kExceptionsResponse);  // a v2c Response, id 42
    MessagePtr answer = unwrapAnswer(CommunityModel(kVersion2c, "public"), v2, 0x0100007F, 42);
    ASSERT_TRUE(answer);
    EXPECT_EQ(std::memcmp(answer->sourceAddress, "\x7F\x00\x00\x01", 4), 0);
    EXPECT_EQ(bindingsOf(*answer).size(), 4u);
    EXPECT_FALSE(unwrapAnswer(CommunityModel(kVersion2c, "public"), v2, 0, 43));
    EXPECT_FALSE(unwrapAnswer(CommunityModel(kVersion1, "public"), v2, 0, 42));
    EXPECT_FALSE(unwrapAnswer(CommunityModel(kVersion2c, "public"), std::span(v2.data(), v2.size() - 1), 0, 42));
}

TEST(MessageModel, WhatCountsAsTheAnswer)
{
    struct Case {
        int32_t modelVersion;
        int32_t replyVersion;
        uint8_t pduType;
        int32_t requestId;
        bool answers;
    };
    const Case cases[] = {
        {kVersion2c, kVersion2c, SNMP_PDU_RESPONSE, 42, true},
        {kVersion2c, kVersion2c, SNMP_PDU_RESPONSE, 43, false},
        {kVersion2c, kVersion1, SNMP_PDU_RESPONSE, 42, false},
        {kVersion2c, kVersion2c, kPduReport, 42, false},
        {kVersion2c, kVersion2c, kPduTrapV2, 42, false},
        {kVersion2c, kVersion2c, SNMP_PDU_GET, 42, false},
        {kVersion1, kVersion1, SNMP_PDU_RESPONSE, 42, true},
        {kVersion1, kVersion1, SNMP_PDU_GET, 42, true},  // v1 as ever: anything but a Trap
        {kVersion1, kVersion1, SNMP_PDU_TRAP, 42, false},
        {kVersion1, kVersion2c, SNMP_PDU_RESPONSE, 42, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.modelVersion << " " << c.replyVersion << " " << int{c.pduType});
        auto reply = makeMessage(c.pduType, c.requestId, "public", {});
        reply->version = c.replyVersion;
        EXPECT_EQ(CommunityModel(c.modelVersion, "public").answers(*reply, 42), c.answers);
    }
}

}  // namespace
