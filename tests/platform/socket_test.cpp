// The UDP layer's one error model, on whichever system: what a receive
// reports for a long datagram, for nothing to take and after an ICMP error.
// Loopback only, on ports the system picks.
#include "platform/socket.h"

#include <gtest/gtest.h>

#include <string>

namespace netrov::platform {
namespace {

const uint32_t kLoopback = htonl(0x7F000001);

struct Pair {
    UniqueSocket receiver = openUdpSocket(true);
    UniqueSocket sender = openUdpSocket(true);
    uint16_t port = receiver.valid() ? bindSocket(receiver.get(), kLoopback, 0) : 0;

    bool send(const std::string& bytes) const
    {
        return sendDatagram(sender.get(), kLoopback, port, bytes.data(), bytes.size()) == SendResult::Sent;
    }
};

TEST(UdpSocket, DatagramsArriveWithTheirSenderAndLongOnesAreCutToTheBuffer)
{
    Pair pair;
    ASSERT_TRUE(pair.sender.valid()) << socketErrorText();
    ASSERT_NE(pair.port, 0) << socketErrorText();
    ASSERT_TRUE(pair.send("hello"));
    ASSERT_EQ(waitSocket(pair.receiver.get(), 2000), WaitResult::Ready);
    char buffer[16] = {};
    Received got = receiveDatagram(pair.receiver.get(), buffer, sizeof buffer);
    EXPECT_EQ(got.size, 5);
    EXPECT_EQ(std::string(buffer, 5), "hello");
    EXPECT_EQ(got.address, kLoopback);
    EXPECT_NE(got.port, 0);

    ASSERT_TRUE(pair.send(std::string(100, 'x')));
    ASSERT_EQ(waitSocket(pair.receiver.get(), 2000), WaitResult::Ready);
    got = receiveDatagram(pair.receiver.get(), buffer, 10);
    EXPECT_EQ(got.size, 10);
    // The rest of a cut datagram is gone, not read as the next one.
    EXPECT_EQ(receiveDatagram(pair.receiver.get(), buffer, sizeof buffer).size, 0);
}

TEST(UdpSocket, NothingToTakeIsATimeOutAndAnEmptyReceiveNotAFailure)
{
    Pair pair;
    ASSERT_NE(pair.port, 0) << socketErrorText();
    EXPECT_EQ(waitSocket(pair.receiver.get(), 50), WaitResult::TimedOut);
    char buffer[16];
    EXPECT_EQ(receiveDatagram(pair.receiver.get(), buffer, sizeof buffer).size, 0);
    EXPECT_EQ(waitSocket(pair.sender.get(), 0, true), WaitResult::Ready);  // room to send
    EXPECT_TRUE(allowBroadcast(pair.sender.get()));
}

TEST(UdpSocket, AnIcmpErrorForAnEarlierSendIsNoFailure)
{
    // A port that was just free: nobody answers there but the system's
    // "port unreachable".
    uint16_t closed = 0;
    {
        UniqueSocket probe = openUdpSocket();
        ASSERT_TRUE(probe.valid()) << socketErrorText();
        closed = bindSocket(probe.get(), kLoopback, 0);
    }
    ASSERT_NE(closed, 0);
    UniqueSocket socket = openUdpSocket(true);
    ASSERT_TRUE(connectSocket(socket.get(), kLoopback, closed)) << socketErrorText();
    ASSERT_EQ(sendDatagram(socket.get(), kLoopback, closed, "x", 1), SendResult::Sent);
    char buffer[16];
    for (int i = 0; i < 3; ++i) {
        const WaitResult waited = waitSocket(socket.get(), 100);
        ASSERT_NE(waited, WaitResult::Failed);
        EXPECT_EQ(receiveDatagram(socket.get(), buffer, sizeof buffer).size, 0);
    }
}

}  // namespace
}  // namespace netrov::platform
