// Message encoding and decoding: the reference encodings, round trips and limits.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <set>
#include <string>
#include <thread>

#include "codec.h"
#include "hex.h"
#include "platform/random.h"
#include "snmp_test_util.h"

using namespace netrov::snmp;
using namespace netrov::test;

namespace {

constexpr char kSysDescrRequest[] =
    "30 82 00 28 02 01 00 04 06 74 61 72 70 6F 6E A0 1B 02 01 2A 02 01 00 02 01 00"
    " 30 10 30 82 00 0C 06 08 2B 06 01 02 01 01 01 00 05 00";

TEST(Build, GetRequestWithOneNullBinding)
{
    auto m = makeMessage(SNMP_PDU_GET, 42, "tarpon", {nullBinding("1.3.6.1.2.1.1.1.0")});
    EXPECT_EQ(toHex(encode(*m)), toHex(hexBytes(kSysDescrRequest)));
}

TEST(Build, ValueEncodingsInsideABinding)
{
    struct Case {
        TestBinding binding;
        const char* valueHex;
    };
    const Case cases[] = {
        {intBinding("1.3", 127), "02 01 7F"},
        {intBinding("1.3", 128), "02 02 00 80"},
        {intBinding("1.3", -1), "02 01 FF"},
        {wordBinding("1.3", SNMP_TYPE_TIMETICKS, 4294967295u), "43 05 00 FF FF FF FF"},
        {wordBinding("1.3", SNMP_TYPE_COUNTER, 128), "41 02 00 80"},
        {oidBinding("1.3", "1.3.6.1.2.1.1.2.0"), "06 08 2B 06 01 02 01 01 02 00"},
        {octetsBinding("1.3", std::string_view("\x0A\x00\x00\x01", 4), SNMP_TYPE_IPADDRESS), "40 04 0A 00 00 01"},
        {octetsBinding("1.3", ""), "04 00"},
    };
    for (const auto& c : cases) {
        auto bytes = encode(*makeMessage(SNMP_PDU_SET, 1, "c", {c.binding}));
        std::string hex = toHex(bytes);
        std::string tail = toHex(hexBytes(c.valueHex));
        ASSERT_GE(hex.size(), tail.size());
        EXPECT_EQ(hex.substr(hex.size() - tail.size()), tail);
    }
}

TEST(Build, RejectsWhatCannotBeEncoded)
{
    uint8_t out[SNMP_DATAGRAM_SIZE];
    auto fails = [&](SnmpMessage& m) { return !build(m, out).has_value(); };

    auto version = makeMessage(SNMP_PDU_GET, 1, "c", {});
    version->version = 1;
    EXPECT_TRUE(fails(*version));

    EXPECT_TRUE(fails(*makeMessage(SNMP_PDU_GET, 1, std::string(128, 'c'), {})));
    EXPECT_FALSE(fails(*makeMessage(SNMP_PDU_GET, 1, std::string(127, 'c'), {})));

    TestBinding opaque = octetsBinding("1.3", "x", 0x44);
    EXPECT_TRUE(fails(*makeMessage(SNMP_PDU_SET, 1, "c", {opaque})));
    TestBinding narrowInt = intBinding("1.3", 5);
    narrowInt.value.resize(2);
    EXPECT_TRUE(fails(*makeMessage(SNMP_PDU_SET, 1, "c", {narrowInt})));
    TestBinding firstArcs = nullBinding("1.3");
    firstArcs.name = {200000000u, 0u};
    EXPECT_TRUE(fails(*makeMessage(SNMP_PDU_GET, 1, "c", {firstArcs})));
}

TEST(Build, NeedsExactlyTheRoomOfTheMessage)
{
    auto m = makeMessage(SNMP_PDU_GET, 42, "tarpon", {nullBinding("1.3.6.1.2.1.1.1.0")});
    const auto expected = hexBytes(kSysDescrRequest);
    std::vector<uint8_t> out(expected.size());
    for (size_t size = 0; size < expected.size(); ++size)
        EXPECT_FALSE(build(*m, std::span(out.data(), size)).has_value()) << size;
    EXPECT_EQ(build(*m, out), expected.size());
}

TEST(Build, LongBindingsKeepTheFixedHeader)
{
    auto m = makeMessage(SNMP_PDU_SET, 9, "tarpon", {octetsBinding("1.3.6.1.4.1.99.1", std::string(1000, 'z'))});
    auto bytes = encode(*m);
    auto back = parse(bytes, 0);
    ASSERT_TRUE(back);
    ASSERT_EQ(bindingsOf(*back).size(), 1u);
    EXPECT_EQ(back->variables->valueLength, 1000u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(back->variables->value)), std::string(1000, 'z'));
}

TEST(Parse, DecodesTheReferenceRequest)
{
    auto bytes = hexBytes(kSysDescrRequest);
    auto m = parse(bytes, 0x0100007F);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->version, 0);
    EXPECT_EQ(std::memcmp(m->sourceAddress, "\x7F\x00\x00\x01", 4), 0);
    EXPECT_STREQ(m->community, "tarpon");
    EXPECT_EQ(m->communityLength, 6);
    EXPECT_EQ(m->pduType, SNMP_PDU_GET);
    EXPECT_EQ(m->requestId, 42);
    auto bindings = bindingsOf(*m);
    ASSERT_EQ(bindings.size(), 1u);
    EXPECT_EQ(nameOf(*bindings[0]), arcsOf("1.3.6.1.2.1.1.1.0"));
    EXPECT_EQ(bindings[0]->type, SNMP_TYPE_NULL);
    EXPECT_EQ(bindings[0]->value, nullptr);
    EXPECT_EQ(bindings[0]->valueLength, 0u);
}

// Datagram-sized messages decode in one pass, larger ones in two: both ways
// must give the same records.
class RoundTrip : public ::testing::TestWithParam<size_t> {};

TEST_P(RoundTrip, EveryValueType)
{
    std::vector<TestBinding> in = {
        intBinding("1.3.6.1.2.1.1.7.0", 0),
        intBinding("1.3.6.1.2.1.1.7.1", INT32_MIN),
        intBinding("1.3.6.1.2.1.1.7.2", INT32_MAX),
        octetsBinding("1.3.6.1.2.1.1.1.0", "Printer 5000"),
        octetsBinding("1.3.6.1.2.1.4.20.1.1.10.0.0.1", "\xC0\xA8\x00\x01", SNMP_TYPE_IPADDRESS),
        nullBinding("1.3.6.1.2.1.1.5.0"),
        oidBinding("1.3.6.1.2.1.1.2.0", "1.3.6.1.4.1.4294967295.128.0"),
        wordBinding("1.3.6.1.2.1.2.2.1.10.1", SNMP_TYPE_COUNTER, 4294967295u),
        wordBinding("1.3.6.1.2.1.2.2.1.5.1", SNMP_TYPE_GAUGE, 100000000u),
        wordBinding("1.3.6.1.2.1.1.3.0", SNMP_TYPE_TIMETICKS, 0),
        octetsBinding("1.3.6.1.2.1.1.4.0", std::string(GetParam(), 'p')),
    };
    auto m = makeMessage(SNMP_PDU_RESPONSE, 32767, "public", in);
    m->errorStatus = 2;
    m->errorIndex = 10;
    auto back = parse(encode(*m), 0);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->pduType, SNMP_PDU_RESPONSE);
    EXPECT_EQ(back->requestId, 32767);
    EXPECT_EQ(back->errorStatus, 2);
    EXPECT_EQ(back->errorIndex, 10);
    auto out = bindingsOf(*back);
    ASSERT_EQ(out.size(), in.size());
    for (size_t i = 0; i < in.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(nameOf(*out[i]), in[i].name);
        EXPECT_EQ(out[i]->type, in[i].type);
        ASSERT_EQ(out[i]->valueLength, in[i].value.size());
        if (in[i].value.empty()) continue;
        EXPECT_EQ(std::memcmp(out[i]->value, in[i].value.data(), in[i].value.size()), 0);
    }
    // Octet strings carry a NUL past their length.
    EXPECT_EQ(out[3]->value[out[3]->valueLength], 0);
}

INSTANTIATE_TEST_SUITE_P(Sizes, RoundTrip, ::testing::Values(size_t{0}, size_t{3000}),
                         [](const auto& info) { return "Octets" + std::to_string(info.param); });

TEST(Parse, RoundTripsATrap)
{
    auto m = makeMessage(SNMP_PDU_TRAP, 0, "public", {intBinding("1.3.6.1.2.1.25.3.5.1.1.1", 3)});
    auto enterprise = arcsOf("1.3.6.1.4.1.2435");
    m->enterprise = new uint32_t[enterprise.size()];
    std::memcpy(m->enterprise, enterprise.data(), enterprise.size() * 4);
    m->enterpriseLength = static_cast<int32_t>(enterprise.size());
    std::memcpy(m->agentAddress, "\x0A\x01\x02\x03", 4);
    m->genericTrap = 6;
    m->specificTrap = 1;
    m->timeStamp = 3000000000u;
    auto back = parse(encode(*m), 0);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->pduType, SNMP_PDU_TRAP);
    EXPECT_EQ(std::vector<uint32_t>(back->enterprise, back->enterprise + back->enterpriseLength), enterprise);
    EXPECT_EQ(std::memcmp(back->agentAddress, "\x0A\x01\x02\x03", 4), 0);
    EXPECT_EQ(back->genericTrap, 6);
    EXPECT_EQ(back->specificTrap, 1);
    EXPECT_EQ(back->timeStamp, 3000000000u);
    ASSERT_EQ(bindingsOf(*back).size(), 1u);
}

TEST(Parse, IdentifierSpecialCases)
{
    // An empty name reads as 0.0; a name starting with 82 as 2.2.
    auto bytes = hexBytes("30 19 02 01 00 04 01 63 A2 11 02 01 01 02 01 00 02 01 00 30 06 30 04 06 00 05 00");
    auto m = parse(bytes, 0);
    ASSERT_TRUE(m);
    EXPECT_EQ(nameOf(*m->variables), (std::vector<uint32_t>{0, 0}));
    auto two = hexBytes("30 1B 02 01 00 04 01 63 A2 13 02 01 01 02 01 00 02 01 00 30 08 30 06 06 02 52 05 05 00");
    m = parse(two, 0);
    ASSERT_TRUE(m);
    EXPECT_EQ(nameOf(*m->variables), (std::vector<uint32_t>{2, 2, 5}));
}

TEST(Parse, KeepsTheLengthOfValuesItDoesNotHold)
{
    auto bytes = hexBytes("30 1B 02 01 00 04 01 63 A2 13 02 01 01 02 01 00 02 01 00 30 08 30 06 06 01 2B 44 01 FF");
    auto m = parse(bytes, 0);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->variables->type, 0x44);
    EXPECT_EQ(m->variables->value, nullptr);
    EXPECT_EQ(m->variables->valueLength, 1u);
}

TEST(Parse, ArcLimitsOfNames)
{
    auto withArcs = [](size_t n) {
        TestBinding b = nullBinding("1.3");
        b.name.resize(n, 1);
        return makeMessage(SNMP_PDU_GET, 1, "c", {b});
    };
    EXPECT_TRUE(parse(encode(*withArcs(128)), 0));
    EXPECT_FALSE(parse(encode(*withArcs(129)), 0));
}

TEST(SimpleToStandard, FillsTheDefaultCommunityAndParsesNames)
{
    SnmpSimpleBinding bindings[2]{};
    std::strcpy(bindings[0].name, ".1.3.6.1.2.1.1.1.0");
    std::strcpy(bindings[1].name, "1.3.6.1.2.1.1.7.0");
    bindings[1].type = SNMP_TYPE_INTEGER;
    int32_t seven = 7;
    std::memcpy(bindings[1].value, &seven, 4);
    bindings[1].valueLength = 4;
    SnmpSimpleMessage request{};
    request.pduType = SNMP_PDU_SET;
    request.variableCount = 2;
    request.variables = bindings;

    auto m = simpleToStandard(request);
    ASSERT_TRUE(m);
    EXPECT_STREQ(request.community, "tarpon");
    EXPECT_STREQ(m->community, "tarpon");
    EXPECT_EQ(m->pduType, SNMP_PDU_SET);
    EXPECT_GT(m->requestId, 0);  // drawn at random: RequestIds below
    auto out = bindingsOf(*m);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(nameOf(*out[0]), arcsOf("1.3.6.1.2.1.1.1.0"));
    EXPECT_EQ(out[0]->type, SNMP_TYPE_NULL);
    EXPECT_EQ(out[0]->value, nullptr);
    EXPECT_EQ(out[1]->type, SNMP_TYPE_INTEGER);
    ASSERT_EQ(out[1]->valueLength, 4u);
    auto bytes = encode(*m);
    EXPECT_EQ(toHex(bytes).substr(toHex(bytes).size() - 8), "02 01 07");
}

TEST(SimpleToStandard, RejectsUnusableNamesAndValues)
{
    SnmpSimpleBinding binding{};
    SnmpSimpleMessage request{};
    std::strcpy(request.community, "private");
    request.pduType = SNMP_PDU_GET;
    request.variableCount = 1;
    request.variables = &binding;

    // 128 one-digit arcs fill the whole field, without a terminator.
    std::string name = "1";
    for (int i = 1; i < 128; ++i) name += ".1";
    name += "2";
    ASSERT_EQ(name.size(), sizeof(binding.name));
    std::memcpy(binding.name, name.data(), name.size());
    auto full = simpleToStandard(request);
    ASSERT_TRUE(full);
    EXPECT_EQ(full->variables->nameLength, 128);
    EXPECT_EQ(full->variables->name[127], 12u);
    // The field cannot hold 129 arcs; the text parser refuses them.
    name += ".1";
    std::array<uint32_t, kMaxArcs> arcs{};
    size_t count = 0;
    EXPECT_FALSE(parseOidText(name.data(), name.size(), arcs.data(), count));

    std::strcpy(binding.name, "1.3.4294967296");
    EXPECT_FALSE(simpleToStandard(request));

    std::strcpy(binding.name, "1.3.6");
    binding.type = SNMP_TYPE_OCTETS;
    binding.valueLength = 1537;
    EXPECT_FALSE(simpleToStandard(request));
    binding.valueLength = -1;
    EXPECT_FALSE(simpleToStandard(request));
    EXPECT_STREQ(request.community, "private");
}

TEST(RequestIds, DrawnAfreshForEveryRequestAndThread)
{
    auto firstThree = [] {
        std::vector<int32_t> ids;
        std::thread t([&] {
            for (int i = 0; i < 3; ++i) ids.push_back(nextRequestId());
        });
        t.join();
        return ids;
    };
    // Threads no longer start one shared, guessable sequence.
    EXPECT_NE(firstThree(), firstThree());
    std::set<int32_t> seen;
    bool above15Bits = false;
    for (int i = 0; i < 10000; ++i) {
        const int32_t id = nextRequestId();
        ASSERT_GT(id, 0);
        above15Bits = above15Bits || id > 32767;
        seen.insert(id);
    }
    EXPECT_TRUE(above15Bits);
    EXPECT_GE(seen.size(), 9990u);
}

class StandardToSimple : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::memset(slots, 0xEE, sizeof(slots));
        simple = SnmpSimpleMessage{};
        simple.pduType = 0x77;
        simple.variableCount = 3;
        simple.variables = slots;
    }
    SnmpSimpleBinding slots[3];
    SnmpSimpleMessage simple{};
};

TEST_F(StandardToSimple, CopiesBindingsAndLeavesFurtherSlots)
{
    auto reply = makeMessage(SNMP_PDU_RESPONSE, 5, "public",
                             {octetsBinding("1.3.6.1.2.1.1.5.0", "lobby"), wordBinding("1.3.6.1.2.1.1.3.0", SNMP_TYPE_TIMETICKS, 99)});
    reply->errorStatus = 0;
    reply->errorIndex = 0;
    std::memcpy(reply->sourceAddress, "\x7F\x00\x00\x09", 4);
    ASSERT_TRUE(standardToSimple(*reply, simple));
    EXPECT_EQ(std::memcmp(simple.sourceAddress, "\x7F\x00\x00\x09", 4), 0);
    EXPECT_STREQ(simple.community, "public");
    EXPECT_EQ(simple.pduType, 0x77);
    EXPECT_STREQ(slots[0].name, "1.3.6.1.2.1.1.5.0");
    EXPECT_EQ(slots[0].type, SNMP_TYPE_OCTETS);
    EXPECT_EQ(slots[0].valueLength, 5);
    EXPECT_STREQ(reinterpret_cast<char*>(slots[0].value), "lobby");
    EXPECT_EQ(slots[1].valueLength, 4);
    uint32_t ticks = 0;
    std::memcpy(&ticks, slots[1].value, 4);
    EXPECT_EQ(ticks, 99u);
    EXPECT_EQ(static_cast<uint8_t>(slots[2].name[0]), 0xEE);
}

TEST_F(StandardToSimple, ValueSlotHoldsAtMost1535Bytes)
{
    auto fits = makeMessage(SNMP_PDU_RESPONSE, 5, "public", {octetsBinding("1.3.6", std::string(1535, 'a'))});
    ASSERT_TRUE(standardToSimple(*fits, simple));
    EXPECT_EQ(slots[0].valueLength, 1535);
    EXPECT_EQ(slots[0].value[1535], 0);
    auto tooLong = makeMessage(SNMP_PDU_RESPONSE, 5, "public", {octetsBinding("1.3.6", std::string(1536, 'a'))});
    EXPECT_FALSE(standardToSimple(*tooLong, simple));
}

TEST_F(StandardToSimple, NamesMustFitTheTextField)
{
    TestBinding longName = nullBinding("1.3");
    longName.name.assign(25, 4000000000u);  // 25 * 11 - 1 = 274 characters
    EXPECT_FALSE(standardToSimple(*makeMessage(SNMP_PDU_RESPONSE, 5, "p", {longName}), simple));
    longName.name.assign(23, 4000000000u);  // 252 characters
    ASSERT_TRUE(standardToSimple(*makeMessage(SNMP_PDU_RESPONSE, 5, "p", {longName}), simple));
    EXPECT_EQ(std::strlen(slots[0].name), 252u);
}

TEST_F(StandardToSimple, CommunityKeepsItsTerminator)
{
    auto reply = makeMessage(SNMP_PDU_RESPONSE, 5, std::string(128, 'q'), {});
    ASSERT_TRUE(standardToSimple(*reply, simple));
    EXPECT_EQ(std::strlen(simple.community), 127u);
}

}  // namespace
