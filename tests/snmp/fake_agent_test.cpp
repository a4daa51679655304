// The shared fake agent behaves like an SNMPv1 agent, since other suites rely on it.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

#include "fake_agent.h"
#include "netrov/zomsnmp.h"
#include "snmp_test_util.h"

using namespace netrov::test;
using namespace std::chrono_literals;

namespace {

class FakeAgentTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!agent.ok()) GTEST_SKIP() << agent.error();
        agent.setObject("1.3.6.1.2.1.1.1.0", AgentValue::octets("descr"));
        agent.setObject("1.3.6.1.2.1.1.3.0", AgentValue::timeTicks(4294967295u));
        agent.setObject("1.3.6.1.2.1.1.7.0", AgentValue::integer(-72));
    }
    netrov::snmp::MessagePtr ask(uint8_t pdu, std::vector<TestBinding> bindings)
    {
        auto request = makeMessage(pdu, 17, "public", bindings);
        return netrov::snmp::MessagePtr(snmp_request(agent.address().c_str(), 1, request.get()));
    }
    FakeAgent agent;
};

TEST_F(FakeAgentTest, GetAndNoSuchName)
{
    auto reply = ask(SNMP_PDU_GET, {nullBinding("1.3.6.1.2.1.1.3.0"), nullBinding("1.3.6.1.2.1.1.7.0")});
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->errorStatus, 0);
    uint32_t ticks = 0;
    std::memcpy(&ticks, reply->variables->value, 4);
    EXPECT_EQ(ticks, 4294967295u);
    int32_t services = 0;
    std::memcpy(&services, reply->variables->next->value, 4);
    EXPECT_EQ(services, -72);

    reply = ask(SNMP_PDU_GET, {nullBinding("1.3.6.1.2.1.1.1.0"), nullBinding("1.3.6.1.2.1.1.2.0")});
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->errorStatus, 2);
    EXPECT_EQ(reply->errorIndex, 2);
    EXPECT_EQ(reply->variables->type, SNMP_TYPE_NULL);  // the request's bindings come back
}

TEST_F(FakeAgentTest, GetNextWalksAndEnds)
{
    auto reply = ask(SNMP_PDU_GETNEXT, {nullBinding("1.3.6.1.2.1.1.1.0")});
    ASSERT_TRUE(reply);
    EXPECT_EQ(nameOf(*reply->variables), arcsOf("1.3.6.1.2.1.1.3.0"));
    reply = ask(SNMP_PDU_GETNEXT, {nullBinding("1.3.6.1.2.1.1.7.0")});
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->errorStatus, 2);
    EXPECT_EQ(reply->errorIndex, 1);

    agent.setLoop(true);
    reply = ask(SNMP_PDU_GETNEXT, {nullBinding("1.3.6.1.2.1.1.1.0")});
    ASSERT_TRUE(reply);
    EXPECT_EQ(nameOf(*reply->variables), arcsOf("1.3.6.1.2.1.1.1.0"));
}

TEST_F(FakeAgentTest, SetStoresAndForcedErrorsDoNot)
{
    auto reply = ask(SNMP_PDU_SET, {octetsBinding("1.3.6.1.2.1.1.5.0", "new name")});
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->errorStatus, 0);
    EXPECT_EQ(agent.object("1.3.6.1.2.1.1.5.0"), AgentValue::octets("new name"));

    agent.setErrorStatus(4, 1);
    reply = ask(SNMP_PDU_SET, {intBinding("1.3.6.1.2.1.1.7.0", 1)});
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->errorStatus, 4);
    EXPECT_EQ(agent.object("1.3.6.1.2.1.1.7.0")->asInteger(), -72);
    EXPECT_EQ(agent.requestCount(), 2u);
}

TEST_F(FakeAgentTest, CommunityDelayAndSilence)
{
    agent.setCommunity("secret");
    EXPECT_FALSE(ask(SNMP_PDU_GET, {nullBinding("1.3.6.1.2.1.1.1.0")}));
    agent.setCommunity("");
    agent.setReplyDelay(300ms);
    auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(ask(SNMP_PDU_GET, {nullBinding("1.3.6.1.2.1.1.1.0")}));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 290ms);
    agent.setSilent(true);
    EXPECT_FALSE(ask(SNMP_PDU_GET, {nullBinding("1.3.6.1.2.1.1.1.0")}));
    EXPECT_EQ(agent.requestCount(), 3u);
    EXPECT_EQ(agent.requests()[0].community, "public");
    EXPECT_TRUE(agent.requests()[0].decoded);
}

TEST(AgentValueTest, Encodings)
{
    EXPECT_EQ(AgentValue::integer(128).content, (std::vector<uint8_t>{0x00, 0x80}));
    EXPECT_EQ(AgentValue::integer(-1).content, (std::vector<uint8_t>{0xFF}));
    EXPECT_EQ(AgentValue::counter(4294967295u).content, (std::vector<uint8_t>{0x00, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(AgentValue::oid("1.3.6.1.4.1.200").content, (std::vector<uint8_t>{0x2B, 6, 1, 4, 1, 0x81, 0x48}));
    EXPECT_EQ(AgentValue::ipAddress("203.0.113.3").content, (std::vector<uint8_t>{203, 0, 113, 3}));
    EXPECT_EQ(AgentValue::gauge(300).asInteger(), 300);
    EXPECT_EQ(AgentValue::octets("x").asInteger(), std::nullopt);
}

}  // namespace
