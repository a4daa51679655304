// The request engine against hosts that flood, repeat themselves or forge answers.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <set>
#include <thread>

#include "broadcast_list.h"
#include "engine.h"
#include "agent_test_util.h"
#include "fake_agent.h"
#include "netrov/zomsnmp.h"
#include "snmp_test_util.h"

using namespace netrov::test;
using namespace std::chrono_literals;

namespace {

constexpr char kSysDescr[] = "1.3.6.1.2.1.1.1.0";

size_t passes()
{
    return std::max<size_t>(1, netrov::snmp::broadcastAddresses(netrov::platform::localAddressTable()).size());
}

std::vector<uint8_t> answer(const AgentRequest& r, std::string_view text)
{
    return FakeAgent::encodeResponse(r.requestId, r.community, 0, 0, {{kSysDescr, AgentValue::octets(text)}});
}

// Sends datagrams with any loopback source address from one socket, so a
// test can play a thousand hosts without binding a thousand addresses.
class LoopbackSpoofer {
public:
    LoopbackSpoofer() : fd_(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {}
    ~LoopbackSpoofer()
    {
        if (fd_ >= 0) ::close(fd_);
    }
    bool ok() const { return fd_ >= 0; }

    void send(uint32_t source, uint32_t address, uint16_t port, const std::vector<uint8_t>& bytes) const
    {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = address;
        iovec data{const_cast<uint8_t*>(bytes.data()), bytes.size()};
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
        msghdr message{};
        message.msg_name = &to;
        message.msg_namelen = sizeof to;
        message.msg_iov = &data;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        cmsghdr* header = CMSG_FIRSTHDR(&message);
        header->cmsg_level = IPPROTO_IP;
        header->cmsg_type = IP_PKTINFO;
        header->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
        in_pktinfo info{};
        info.ipi_spec_dst.s_addr = source;
        std::memcpy(CMSG_DATA(header), &info, sizeof info);
        (void)::sendmsg(fd_, &message, 0);
    }

private:
    int fd_;
};

// 127.99.x.y for the n-th forged host.
uint32_t forgedHost(uint32_t n) { return htonl(0x7F630000u + 1 + n); }

// Runs flood(request, stop) on a thread of its own once the agent has seen
// the request; stops it and waits for it when destroyed.
class Flood {
public:
    Flood(FakeAgent& agent, std::function<void(const AgentRequest&, const std::atomic<bool>&)> flood)
        : thread_([this, &agent, flood] {
              if (!agent.waitForRequests(1, 5s)) return;
              flood(agent.requests()[0], stop_);
          })
    {
    }
    ~Flood()
    {
        stop_ = true;
        thread_.join();
    }

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

std::vector<std::string> sourcesOf(const SnmpMessageList* list)
{
    std::vector<std::string> out;
    for (; list; list = list->next) {
        char text[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, list->message->sourceAddress, text, sizeof text);
        out.push_back(text);
    }
    return out;
}

TEST(HostileCollect, AHostRepeatingItsAnswerIsHeldOnceAndCannotKeepThePassOpen)
{
    if (passes() > 3) GTEST_SKIP() << passes() << " local networks make this slow";
    START_AGENT(target);
    START_AGENT(repeater);
    target.setSilent(true);
    // About 2,000 copies a second of one valid answer, for longer than the search may take.
    Flood flood(target, [&](const AgentRequest& r, const std::atomic<bool>& stop) {
        const auto bytes = answer(r, "again");
        for (int i = 0; i < 20000 && !stop; ++i) {
            repeater.sendTo(r.source, r.sourcePort, bytes);
            std::this_thread::sleep_for(500us);
        }
    });
    auto request = makeMessage(SNMP_PDU_GET, 7, "public", {nullBinding(kSysDescr)});
    const auto start = Clock::now();
    SnmpMessageList* list = multi_snmp_request(target.address().c_str(), 1, request.get());
    const long elapsed = millisSince(start);
    // Without new senders the quiet period is not renewed: one time-out per pass.
    EXPECT_LE(elapsed, static_cast<long>(passes()) * 1000 + 500);
    EXPECT_EQ(sourcesOf(list), std::vector<std::string>{repeater.address()});
    free_snmp_pdu_list(list);
}

TEST(HostileCollect, NewSendersKeepArrivingButThePassEndsAtItsHardDeadline)
{
    if (passes() > 3) GTEST_SKIP() << passes() << " local networks make this slow";
    START_AGENT(target);
    target.setSilent(true);
    LoopbackSpoofer spoofer;
    ASSERT_TRUE(spoofer.ok());
    // A new host every 400 ms, always within the 1 s quiet period.
    Flood flood(target, [&](const AgentRequest& r, const std::atomic<bool>& stop) {
        for (uint32_t n = 0; n < 50 && !stop; ++n) {
            spoofer.send(forgedHost(n), r.source, r.sourcePort, answer(r, "new"));
            std::this_thread::sleep_for(400ms);
        }
    });
    auto request = makeMessage(SNMP_PDU_GET, 8, "public", {nullBinding(kSysDescr)});
    const auto start = Clock::now();
    SnmpMessageList* list = multi_snmp_request(target.address().c_str(), 1, request.get());
    const long elapsed = millisSince(start);
    const long bound = static_cast<long>(passes()) * netrov::snmp::kCollectDeadlineFactor * 1000;
    EXPECT_GE(elapsed, bound - 100);
    EXPECT_LE(elapsed, bound + 500);
    const auto sources = sourcesOf(list);
    EXPECT_GE(sources.size(), 6u);
    EXPECT_EQ(std::set<std::string>(sources.begin(), sources.end()).size(), sources.size());
    free_snmp_pdu_list(list);
}

TEST(HostileCollect, AThousandHostsAnsweringFillTheCapAndNoMore)
{
    START_AGENT(target);
    target.setSilent(true);
    LoopbackSpoofer spoofer;
    ASSERT_TRUE(spoofer.ok());
    const uint32_t hosts = netrov::snmp::kMaxCollectedReplies + 200;
    Flood flood(target, [&](const AgentRequest& r, const std::atomic<bool>& stop) {
        for (uint32_t n = 0; n < hosts && !stop; ++n) {
            spoofer.send(forgedHost(n), r.source, r.sourcePort, answer(r, "many"));
            // Paced, so the client's receive buffer never overflows.
            std::this_thread::sleep_for(200us);
        }
    });
    auto request = makeMessage(SNMP_PDU_GET, 9, "public", {nullBinding(kSysDescr)});
    SnmpMessageList* list = multi_snmp_request(target.address().c_str(), 2, request.get());
    EXPECT_EQ(sourcesOf(list).size(), netrov::snmp::kMaxCollectedReplies);
    free_snmp_pdu_list(list);
}

TEST(HostileRequest, AnAnswerWithTheRightIdFromAnotherHostIsNotTheAnswer)
{
    START_AGENT(target);
    START_AGENT(sprayer);
    LoopbackSpoofer spoofer;
    ASSERT_TRUE(spoofer.ok());
    // The target stays silent; others answer with the very id it was asked with.
    target.setHandler([&](const AgentRequest& r) -> std::vector<AgentReply> {
        sprayer.sendTo(r.source, r.sourcePort, answer(r, "forged"));
        spoofer.send(forgedHost(1), r.source, r.sourcePort, answer(r, "forged"));
        return {};
    });
    auto request = makeMessage(SNMP_PDU_GET, 10, "public", {nullBinding(kSysDescr)});
    const auto start = Clock::now();
    EXPECT_EQ(snmp_request(target.address().c_str(), 1, request.get()), nullptr);
    EXPECT_GE(millisSince(start), 990);
}

TEST(HostileRequest, ABlindSprayerCannotGuessTheRequestId)
{
    START_AGENT(target);
    target.setSilent(true);
    // Replies from the target's own address and port, carrying the first
    // ids of the C runtime's unseeded generator, sprayed at the client's port.
    std::atomic<bool> stop{false};
    std::thread spray([&] {
        std::vector<std::vector<uint8_t>> forged;
        AgentRequest guess;
        guess.community = "public";
        uint32_t state = 1;
        for (int i = 0; i < 200; ++i) {
            state = state * 214013u + 2531011u;
            guess.requestId = static_cast<int32_t>((state >> 16) & 0x7FFF);
            forged.push_back(answer(guess, "forged"));
        }
        while (!stop) {
            if (target.requestCount() == 0) {
                std::this_thread::sleep_for(1ms);
                continue;
            }
            const AgentRequest seen = target.requests()[0];
            for (const auto& bytes : forged) target.sendTo(seen.source, seen.sourcePort, bytes);
            std::this_thread::sleep_for(1ms);
        }
    });
    SnmpSimpleBinding in[1]{};
    std::strcpy(in[0].name, kSysDescr);
    SnmpSimpleMessage simple{};
    simple.pduType = SNMP_PDU_GET;
    simple.variableCount = 1;
    simple.variables = in;
    SnmpSimpleBinding out[1]{};
    SnmpSimpleMessage reply{};
    reply.variableCount = 1;
    reply.variables = out;
    const int result = snmp_request_simple(target.address().c_str(), 1, &simple, &reply);
    stop = true;
    spray.join();
    EXPECT_EQ(result, -1);
}

}  // namespace
