// The exported entry points: argument checks and the in/out length of snmp_build.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "hex.h"
#include "netrov/zomsnmp.h"
#include "read_deadline.h"

namespace {

TEST(Exports, NullArgumentsFailCleanly)
{
    SnmpSimpleMessage simple{};
    SnmpMessage message{};
    uint8_t buffer[16];
    int32_t length = sizeof(buffer);
    int32_t count = 7;
    EXPECT_EQ(snmp_request(nullptr, 1, &message), nullptr);
    EXPECT_EQ(snmp_request("127.0.0.1", 1, nullptr), nullptr);
    EXPECT_EQ(snmp_request_simple("127.0.0.1", 1, nullptr, &simple), -1);
    EXPECT_EQ(snmp_request_simple("127.0.0.1", 1, &simple, nullptr), -1);
    EXPECT_EQ(multi_snmp_request("127.0.0.1", 1, nullptr), nullptr);
    // Without a host nothing is sent; these requests could not be encoded
    // either, so a regression here still sends nothing off this machine.
    SnmpMessage unencodable{};
    unencodable.version = 1;
    SnmpSimpleMessage unconvertible{};
    unconvertible.variableCount = 1;
    EXPECT_EQ(multi_snmp_request(nullptr, 1, &unencodable), nullptr);
    EXPECT_EQ(multi_snmp_request_simple(nullptr, 1, &unconvertible, &simple, 1, &count), -1);
    EXPECT_EQ(multi_snmp_request_simple("127.0.0.1", 1, &simple, nullptr, 2, &count), -1);
    EXPECT_EQ(multi_snmp_request_simple("127.0.0.1", 1, &simple, &simple, 1, nullptr), -1);
    EXPECT_EQ(count, 7);
    EXPECT_EQ(snmp_build(nullptr, buffer, &length), -1);
    EXPECT_EQ(snmp_build(&message, nullptr, &length), -1);
    EXPECT_EQ(snmp_build(&message, buffer, nullptr), -1);
    EXPECT_EQ(snmp_simple2standard(nullptr), nullptr);
    EXPECT_EQ(snmp_standard2simple(nullptr, &simple), -1);
    EXPECT_EQ(snmp_standard2simple(&message, nullptr), -1);
    free_snmp_pdu(nullptr);
    free_snmp_pdu_list(nullptr);
}

TEST(Exports, BuildReportsTheMessageLength)
{
    SnmpSimpleBinding binding{};
    std::strcpy(binding.name, "1.3.6.1.2.1.1.1.0");
    SnmpSimpleMessage simple{};
    simple.pduType = SNMP_PDU_GET;
    simple.variableCount = 1;
    simple.variables = &binding;
    SnmpMessage* request = snmp_simple2standard(&simple);
    ASSERT_NE(request, nullptr);
    request->requestId = 41;  // a random id would make the length vary by up to three bytes
    uint8_t buffer[SNMP_DATAGRAM_SIZE];
    int32_t length = sizeof(buffer);
    ASSERT_EQ(snmp_build(request, buffer, &length), 0);
    EXPECT_EQ(length, 44);
    int32_t tooSmall = 43;
    EXPECT_EQ(snmp_build(request, buffer, &tooSmall), -1);
    EXPECT_EQ(tooSmall, 43);

    SnmpMessage* back = snmp_parse(buffer, length, 0);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->requestId, request->requestId);
    SnmpSimpleBinding out[1]{};
    SnmpSimpleMessage reply{};
    reply.variableCount = 1;
    reply.variables = out;
    EXPECT_EQ(snmp_standard2simple(back, &reply), 0);
    EXPECT_STREQ(out[0].name, "1.3.6.1.2.1.1.1.0");
    EXPECT_STREQ(reply.community, SNMP_DEFAULT_COMMUNITY);
    free_snmp_pdu(back);
    free_snmp_pdu(request);
}

}  // namespace

// A read deadline lives as long as its scope, an inner one never extends an
// outer one, and other threads never see it.
TEST(Exports, AReadDeadlineHoldsForItsScopeAndThreadOnly)
{
    using netrov::snmp::ReadDeadlineScope;
    using namespace std::chrono_literals;
    const auto now = ReadDeadlineScope::Clock::now();
    ASSERT_EQ(snmp_read_deadline_left(), -1);
    {
        const ReadDeadlineScope outer(now + 10s);
        EXPECT_GT(snmp_read_deadline_left(), 9000);
        EXPECT_LE(snmp_read_deadline_left(), 10000);
        struct Case {
            ReadDeadlineScope::Clock::time_point inner;
            int32_t atMost;
            int32_t atLeast;
        };
        const Case cases[] = {
            {now + 2s, 2000, 1000},    // an earlier one counts
            {now + 60s, 10000, 9000},  // a later one does not
            {now - 1s, 0, 0},          // one already passed
            {ReadDeadlineScope::Clock::time_point::max(), 10000, 9000},
        };
        for (const Case& c : cases) {
            const ReadDeadlineScope inner(c.inner);
            EXPECT_LE(snmp_read_deadline_left(), c.atMost);
            EXPECT_GE(snmp_read_deadline_left(), c.atLeast);
        }
        EXPECT_GT(snmp_read_deadline_left(), 9000);
        int32_t elsewhere = 0;
        std::thread([&] { elsewhere = snmp_read_deadline_left(); }).join();
        EXPECT_EQ(elsewhere, -1);
    }
    EXPECT_EQ(snmp_read_deadline_left(), -1);
    snmp_set_read_deadline(-5);
    EXPECT_EQ(snmp_read_deadline_left(), -1);
}

#ifdef NETROV_HAVE_USM
// The engines a probe saw: kept by address with a valid identifier, given
// back whole only into room enough, and forgotten on request.
TEST(Exports, NotedEnginesKeepOnlyWhatIsValid)
{
    snmp_forget_noted_engines();
    const uint8_t id[] = {0x80, 0x00, 0x1f, 0x88, 0x80, 0x01, 0x02, 0x03};
    const uint8_t tooLong[33] = {0x80};
    const uint32_t address = 0x0100007F;  // 127.0.0.1, network order
    snmp_note_engine(address + 0x01000000, nullptr, 8, 1, 1);
    snmp_note_engine(address + 0x02000000, id, 4, 1, 1);
    snmp_note_engine(address + 0x03000000, tooLong, 33, 1, 1);
    snmp_note_engine(address, id, sizeof id, 7, 1000);

    uint8_t out[32] = {};
    uint32_t boots = 0;
    uint32_t time = 0;
    for (uint32_t other : {1u, 2u, 3u}) EXPECT_EQ(snmp_noted_engine(address + (other << 24), out, 32, &boots, &time), 0);
    EXPECT_EQ(snmp_noted_engine(address, out, 7, &boots, &time), 0);  // no room for all of it
    EXPECT_EQ(snmp_noted_engine(address, nullptr, 32, &boots, &time), 0);
    ASSERT_EQ(snmp_noted_engine(address, out, 32, &boots, &time), static_cast<int32_t>(sizeof id));
    EXPECT_EQ(std::memcmp(out, id, sizeof id), 0);
    EXPECT_EQ(boots, 7u);
    EXPECT_GE(time, 1000u);
    snmp_forget_noted_engines();
    EXPECT_EQ(snmp_noted_engine(address, out, 32, &boots, &time), 0);
}
#endif
