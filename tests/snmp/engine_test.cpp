// The request engine against fake agents on loopback addresses.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <dirent.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <fstream>
#include <thread>

#include "broadcast_list.h"
#include "agent_test_util.h"
#include "fake_agent.h"
#include "hex.h"
#include "netrov/zomsnmp.h"
#include "snmp_test_util.h"

using namespace netrov::test;
using namespace std::chrono_literals;

namespace {

constexpr char kSysDescr[] = "1.3.6.1.2.1.1.1.0";
constexpr char kSysName[] = "1.3.6.1.2.1.1.5.0";

size_t openFds()
{
    size_t n = 0;
    if (DIR* d = opendir("/proc/self/fd")) {
        while (readdir(d)) ++n;
        closedir(d);
    }
    return n;
}

std::string sourceOf(const SnmpMessage& m)
{
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, m.sourceAddress, text, sizeof(text));
    return text;
}

TestMessagePtr getRequest(int32_t requestId, const char* oid = kSysDescr)
{
    return makeMessage(SNMP_PDU_GET, requestId, "public", {nullBinding(oid)});
}

std::vector<uint8_t> replyTo(const AgentRequest& r, int32_t requestId, std::string_view text)
{
    return FakeAgent::encodeResponse(requestId, r.community, 0, 0, {{kSysDescr, AgentValue::octets(text)}});
}

std::vector<SnmpMessage*> messagesOf(SnmpMessageList* list)
{
    std::vector<SnmpMessage*> out;
    for (; list; list = list->next) out.push_back(list->message);
    return out;
}

// A simple request of the type carrying the bindings (their names set by the caller).
SnmpSimpleMessage simpleRequest(uint8_t pduType, SnmpSimpleBinding* bindings, int32_t count)
{
    SnmpSimpleMessage request{};
    request.pduType = pduType;
    request.variableCount = count;
    request.variables = bindings;
    return request;
}

// A simple reply with room for count bindings.
SnmpSimpleMessage simpleReply(SnmpSimpleBinding* bindings, int32_t count)
{
    SnmpSimpleMessage reply{};
    reply.variableCount = count;
    reply.variables = bindings;
    return reply;
}

TEST(Request, AnswersFromTheTable)
{
    START_AGENT(agent);
    agent.setObject(kSysDescr, AgentValue::octets("Office printer"));
    auto request = getRequest(77);
    SnmpMessage* reply = snmp_request(agent.address().c_str(), 2, request.get());
    ASSERT_NE(reply, nullptr);
    EXPECT_EQ(reply->pduType, SNMP_PDU_RESPONSE);
    EXPECT_EQ(reply->requestId, 77);
    EXPECT_EQ(sourceOf(*reply), agent.address());
    ASSERT_NE(reply->variables, nullptr);
    EXPECT_STREQ(reinterpret_cast<char*>(reply->variables->value), "Office printer");
    free_snmp_pdu(reply);
    ASSERT_EQ(agent.requestCount(), 1u);
    EXPECT_EQ(agent.requests()[0].requestId, 77);
}

TEST(Request, SilentAddressSendsOnceAndGivesUpAfterTheTimeout)
{
    START_AGENT(agent);
    agent.setSilent(true);
    auto request = getRequest(5);
    auto start = Clock::now();
    EXPECT_EQ(snmp_request(agent.address().c_str(), 1, request.get()), nullptr);
    long elapsed = millisSince(start);
    EXPECT_GE(elapsed, 990);
    EXPECT_LE(elapsed, 1200);
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(agent.requestCount(), 1u);
}

TEST(Request, IgnoresRepliesWithAnotherRequestId)
{
    START_AGENT(agent);
    START_AGENT(intruder);
    agent.setHandler([&](const AgentRequest& r) -> std::vector<AgentReply> {
        // A forged answer from elsewhere, a stale one from here, garbage, then the real one.
        intruder.sendTo(r.source, r.sourcePort, replyTo(r, r.requestId + 1, "forged"));
        return {{replyTo(r, r.requestId - 1, "stale"), 0ms},
                {{0x30, 0x03, 0x02, 0x01}, 10ms},
                {replyTo(r, r.requestId, "real"), 100ms}};
    });
    auto request = getRequest(1000);
    SnmpMessage* reply = snmp_request(agent.address().c_str(), 2, request.get());
    ASSERT_NE(reply, nullptr);
    EXPECT_EQ(reply->requestId, 1000);
    EXPECT_STREQ(reinterpret_cast<char*>(reply->variables->value), "real");
    free_snmp_pdu(reply);
}

TEST(Request, OnlyWrongIdsMeanNoAnswer)
{
    START_AGENT(agent);
    agent.setHandler([](const AgentRequest& r) -> std::vector<AgentReply> {
        return {{replyTo(r, r.requestId + 1, "wrong"), 0ms}, {replyTo(r, r.requestId + 2, "wrong"), 300ms}};
    });
    auto request = getRequest(9);
    auto start = Clock::now();
    EXPECT_EQ(snmp_request(agent.address().c_str(), 1, request.get()), nullptr);
    EXPECT_GE(millisSince(start), 990);
}

TEST(Request, UnencodableRequestSendsNothing)
{
    START_AGENT(agent);
    auto request = getRequest(1);
    request->version = 1;
    EXPECT_EQ(snmp_request(agent.address().c_str(), 1, request.get()), nullptr);
    EXPECT_EQ(multi_snmp_request(agent.address().c_str(), 1, request.get()), nullptr);
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(agent.requestCount(), 0u);
}

TEST(Request, HostNamesResolve)
{
    // Only a name the hosts file knows, so the lookup sends no query anywhere.
    std::ifstream hosts("/etc/hosts");
    std::string line;
    bool known = false;
    while (std::getline(hosts, line)) known = known || (line.rfind("127.0.0.1", 0) == 0 && line.find("localhost") != std::string::npos);
    if (!known) GTEST_SKIP() << "/etc/hosts does not map localhost to 127.0.0.1";
    FakeAgent agent("127.0.0.1");
    if (!agent.ok()) GTEST_SKIP() << agent.error();
    agent.setObject(kSysDescr, AgentValue::octets("by name"));
    auto request = getRequest(3);
    SnmpMessage* reply = snmp_request("localhost", 2, request.get());
    ASSERT_NE(reply, nullptr);
    free_snmp_pdu(reply);
}

// An SNMPv1 responder on [::1]:161, in the test's own network namespace.
class Ipv6Responder {
public:
    Ipv6Responder() : fd_(socket(AF_INET6, SOCK_DGRAM | SOCK_CLOEXEC, 0))
    {
        sockaddr_in6 at{};
        at.sin6_family = AF_INET6;
        at.sin6_addr = in6addr_loopback;
        at.sin6_port = htons(161);
        if (fd_ < 0 || bind(fd_, reinterpret_cast<const sockaddr*>(&at), sizeof at) != 0) {
            error_ = std::strerror(errno);
            return;
        }
        thread_ = std::thread([this] { serve(); });
    }
    ~Ipv6Responder()
    {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        if (fd_ >= 0) close(fd_);
    }
    const std::string& error() const { return error_; }

private:
    void serve()
    {
        uint8_t buffer[2048];
        while (!stop_) {
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0) continue;
            sockaddr_in6 from{};
            socklen_t length = sizeof from;
            const ssize_t n = recvfrom(fd_, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &length);
            if (n <= 0) continue;
            const AgentRequest request = FakeAgent::decodeRequest({buffer, buffer + n});
            if (!request.decoded) continue;
            const std::vector<uint8_t> reply =
                FakeAgent::encodeResponse(request.requestId, request.community, 0, 0, {{kSysDescr, AgentValue::octets("six")}});
            sendto(fd_, reply.data(), reply.size(), 0, reinterpret_cast<const sockaddr*>(&from), length);
        }
    }

    int fd_;
    std::string error_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

TEST(Request, AnIPv6AgentIsReachedByItsAddressOrAName)
{
    Ipv6Responder agent;
    if (!agent.error().empty()) GTEST_SKIP() << "no IPv6 loopback: " << agent.error();
    // Only a name the hosts file gives ::1 alone, so the lookup sends no query anywhere.
    std::ifstream hosts("/etc/hosts");
    std::string line;
    bool named = false;
    while (std::getline(hosts, line)) named = named || (line.rfind("::1", 0) == 0 && line.find("ip6-localhost") != std::string::npos);
    for (const char* host : {"::1", "ip6-localhost"}) {
        SCOPED_TRACE(host);
        if (std::string_view(host) == "ip6-localhost" && !named) continue;
        auto request = getRequest(3);
        SnmpMessage* reply = snmp_request(host, 2, request.get());
        ASSERT_NE(reply, nullptr);
        ASSERT_NE(reply->variables, nullptr);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(reply->variables->value), reply->variables->valueLength), "six");
        free_snmp_pdu(reply);
    }
}

TEST(RequestSimple, ConvertsBothWays)
{
    START_AGENT(agent);
    agent.setObject(kSysDescr, AgentValue::octets("Office printer"));
    agent.setObject(kSysName, AgentValue::octets("lobby"));
    SnmpSimpleBinding in[2]{};
    std::strcpy(in[0].name, kSysDescr);
    std::strcpy(in[1].name, "1.3.6.1.2.1.1");
    SnmpSimpleMessage request = simpleRequest(SNMP_PDU_GETNEXT, in, 2);
    SnmpSimpleBinding out[2]{};
    SnmpSimpleMessage reply = simpleReply(out, 2);
    ASSERT_EQ(snmp_request_simple(agent.address().c_str(), 2, &request, &reply), 0);
    EXPECT_STREQ(request.community, SNMP_DEFAULT_COMMUNITY);
    EXPECT_EQ(agent.requests().at(0).community, SNMP_DEFAULT_COMMUNITY);
    EXPECT_EQ(reply.errorStatus, 0);
    EXPECT_STREQ(out[0].name, kSysName);
    EXPECT_STREQ(reinterpret_cast<char*>(out[0].value), "lobby");
    EXPECT_STREQ(out[1].name, kSysDescr);

    // GetNext past the last object: noSuchName for the first binding.
    std::strcpy(in[0].name, "1.3.6.1.2.1.1.9");
    ASSERT_EQ(snmp_request_simple(agent.address().c_str(), 2, &request, &reply), 0);
    EXPECT_EQ(reply.errorStatus, 2);
    EXPECT_EQ(reply.errorIndex, 1);
}

TEST(RequestSimple, SetCarriesTheValueBytes)
{
    START_AGENT(agent);
    SnmpSimpleBinding in[1]{};
    std::strcpy(in[0].name, "1.3.6.1.4.1.99.1.0");
    in[0].type = SNMP_TYPE_INTEGER;
    int32_t on = 1;
    std::memcpy(in[0].value, &on, 4);
    in[0].valueLength = 4;
    SnmpSimpleMessage request = simpleRequest(SNMP_PDU_SET, in, 1);
    std::strcpy(request.community, "private");
    SnmpSimpleBinding out[1]{};
    SnmpSimpleMessage reply = simpleReply(out, 1);
    ASSERT_EQ(snmp_request_simple(agent.address().c_str(), 2, &request, &reply), 0);
    EXPECT_EQ(agent.object("1.3.6.1.4.1.99.1.0"), AgentValue::integer(1));
    auto seen = agent.requests().at(0);
    EXPECT_EQ(seen.pduType, SNMP_PDU_SET);
    EXPECT_EQ(seen.community, "private");
    EXPECT_EQ(toHex(seen.bindings.at(0).value.content), "01");
}

TEST(RequestSimple, SilenceIsMinusOne)
{
    START_AGENT(agent);
    agent.setSilent(true);
    SnmpSimpleBinding in[1]{};
    std::strcpy(in[0].name, kSysDescr);
    SnmpSimpleMessage request = simpleRequest(SNMP_PDU_GET, in, 1);
    SnmpSimpleMessage reply{};
    EXPECT_EQ(snmp_request_simple(agent.address().c_str(), 1, &request, &reply), -1);
}

TEST(Collect, RepliesInArrivalOrderUntilTheAddressItselfAnswers)
{
    START_AGENT(agent);
    START_AGENT(neighbour);
    agent.setHandler([&](const AgentRequest& r) -> std::vector<AgentReply> {
        neighbour.sendTo(r.source, r.sourcePort, replyTo(r, r.requestId, "neighbour"));
        return {{replyTo(r, r.requestId, "addressed"), 100ms}};
    });
    auto request = getRequest(321);
    auto start = Clock::now();
    SnmpMessageList* list = multi_snmp_request(agent.address().c_str(), 1, request.get());
    // The addressed agent's answer ends the collection at once.
    EXPECT_LT(millisSince(start), 900);
    auto messages = messagesOf(list);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(sourceOf(*messages[0]), neighbour.address());
    EXPECT_EQ(sourceOf(*messages[1]), agent.address());
    free_snmp_pdu_list(list);
    EXPECT_EQ(agent.requestCount(), 1u);
}

TEST(Collect, StrayDatagramsNeitherCountNorEndThePass)
{
    START_AGENT(agent);
    START_AGENT(neighbour);
    agent.setHandler([&](const AgentRequest& r) -> std::vector<AgentReply> {
        neighbour.sendTo(r.source, r.sourcePort, replyTo(r, r.requestId, "neighbour"));
        return {{replyTo(r, r.requestId + 1, "stale"), 0ms}, {{0x01, 0x02}, 0ms}, {replyTo(r, r.requestId, "real"), 200ms}};
    });
    auto request = getRequest(4000);
    SnmpMessageList* list = multi_snmp_request(agent.address().c_str(), 1, request.get());
    auto messages = messagesOf(list);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_STREQ(reinterpret_cast<char*>(messages[1]->variables->value), "real");
    free_snmp_pdu_list(list);
}

TEST(Collect, ASilentAddressIsAskedOncePerLocalBroadcastAddress)
{
    START_AGENT(agent);
    agent.setSilent(true);
    size_t passes = std::max<size_t>(1, netrov::snmp::broadcastAddresses(netrov::platform::localAddressTable()).size());
    if (passes > 3) GTEST_SKIP() << passes << " local networks: the test would take " << passes << " s";
    auto request = getRequest(11);
    auto start = Clock::now();
    EXPECT_EQ(multi_snmp_request(agent.address().c_str(), 1, request.get()), nullptr);
    EXPECT_GE(millisSince(start), static_cast<long>(passes) * 1000 - 10);
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(agent.requestCount(), passes);
}

TEST(CollectSimple, CountsAnswersBeyondTheCapacity)
{
    START_AGENT(agent);
    FakeAgent others[4];
    for (auto& o : others)
        if (!o.ok()) GTEST_SKIP() << o.error();
    agent.setHandler([&](const AgentRequest& r) -> std::vector<AgentReply> {
        for (auto& o : others) o.sendTo(r.source, r.sourcePort, replyTo(r, r.requestId, o.address()));
        return {{replyTo(r, r.requestId, "addressed"), 100ms}};
    });
    SnmpSimpleBinding in[1]{};
    std::strcpy(in[0].name, kSysDescr);
    SnmpSimpleMessage request = simpleRequest(SNMP_PDU_GET, in, 1);
    SnmpSimpleBinding out[2][1]{};
    SnmpSimpleMessage replies[2] = {simpleReply(out[0], 1), simpleReply(out[1], 1)};
    int32_t count = -1;
    ASSERT_EQ(multi_snmp_request_simple(agent.address().c_str(), 1, &request, replies, 2, &count), 0);
    EXPECT_EQ(count, 5);
    EXPECT_STREQ(reinterpret_cast<char*>(out[0][0].value), others[0].address().c_str());
    EXPECT_STREQ(reinterpret_cast<char*>(out[1][0].value), others[1].address().c_str());
}

TEST(CollectSimple, NoAnswerLeavesTheCount)
{
    START_AGENT(agent);
    agent.setSilent(true);
    if (netrov::snmp::broadcastAddresses(netrov::platform::localAddressTable()).size() > 1)
        GTEST_SKIP() << "several local networks make this slow";
    SnmpSimpleBinding in[1]{};
    std::strcpy(in[0].name, kSysDescr);
    SnmpSimpleMessage request = simpleRequest(SNMP_PDU_GET, in, 1);
    SnmpSimpleMessage replies[1]{};
    int32_t count = 42;
    EXPECT_EQ(multi_snmp_request_simple(agent.address().c_str(), 1, &request, replies, 1, &count), -1);
    EXPECT_EQ(count, 42);
}

TEST(Concurrency, ManyThreadsAtOnceWithinOneTimeout)
{
    START_AGENT(answering);
    START_AGENT(silent);
    answering.setObject(kSysDescr, AgentValue::octets("here"));
    silent.setSilent(true);
    constexpr int kThreads = 255;
    const size_t fdsBefore = openFds();
    std::atomic<int> answered{0};
    std::atomic<int> unanswered{0};
    std::vector<std::thread> threads;
    threads.reserve(kThreads);
    auto start = Clock::now();
    for (int i = 0; i < kThreads; ++i) {
        const std::string& host = (i % 2 == 0) ? answering.address() : silent.address();
        threads.emplace_back([&, host] {
            SnmpSimpleBinding in[1]{};
            std::strcpy(in[0].name, kSysDescr);
            SnmpSimpleMessage request = simpleRequest(SNMP_PDU_GET, in, 1);
            SnmpSimpleBinding out[1]{};
            SnmpSimpleMessage reply = simpleReply(out, 1);
            if (snmp_request_simple(host.c_str(), 1, &request, &reply) == 0 && std::strcmp(reinterpret_cast<char*>(out[0].value), "here") == 0)
                ++answered;
            else
                ++unanswered;
        });
    }
    for (auto& t : threads) t.join();
    long elapsed = millisSince(start);
    // The requests wait side by side, not in turn: a few time-outs at most,
    // with room for a busy machine and a sanitizer's slow thread starts,
    // while a serialised engine would take over two minutes.
    constexpr long kLimit = 4000;
    EXPECT_LE(elapsed, kLimit);
    EXPECT_EQ(answered.load(), 128);
    EXPECT_EQ(unanswered.load(), 127);
    EXPECT_EQ(openFds(), fdsBefore);
    EXPECT_TRUE(silent.waitForRequests(127, 1s));
}

}  // namespace
