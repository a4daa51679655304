// Broadcast passes inside private network namespaces that each test creates.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "broadcast_list.h"
#include "fake_agent.h"
#include "netrov/zomsnmp.h"
#include "snmp_test_util.h"

using namespace netrov::test;

namespace {

std::string dotted(uint32_t address)
{
    char text[INET_ADDRSTRLEN] = {};
    in_addr a{address};
    inet_ntop(AF_INET, &a, text, sizeof(text));
    return text;
}

bool shell(const std::string& command, std::string* output = nullptr)
{
    FILE* p = popen((command + " 2>&1").c_str(), "r");
    if (!p) return false;
    std::string text;
    char buffer[256];
    while (size_t n = fread(buffer, 1, sizeof(buffer), p)) text.append(buffer, n);
    int status = pclose(p);
    if (output) *output = text;
    return status == 0;
}

// Namespaces named after this process, removed (with their links) whatever
// way the test ends.
class Namespaces {
public:
    Namespaces()
    {
        static std::atomic<int> counter{0};
        prefix_ = "nrv" + std::to_string(getpid()) + "n" + std::to_string(counter++);
    }
    ~Namespaces()
    {
        for (const auto& ns : created_) shell("ip netns del " + ns);
    }
    Namespaces(const Namespaces&) = delete;
    Namespaces& operator=(const Namespaces&) = delete;

    // The full name of namespace tag, created on first use; empty on failure.
    std::string add(const std::string& tag, std::string* error)
    {
        std::string name = prefix_ + tag;
        if (!shell("ip netns add " + name, error)) return {};
        created_.push_back(name);
        if (!shell("ip -n " + name + " link set lo up", error)) return {};
        return name;
    }
    // A veth pair between two namespaces, each end with an address and its broadcast.
    bool link(const std::string& a, const std::string& addressA, const std::string& b, const std::string& addressB,
              std::string* error)
    {
        std::string ifA = "v" + std::to_string(links_) + "a";
        std::string ifB = "v" + std::to_string(links_) + "b";
        ++links_;
        return shell("ip link add name " + ifA + " netns " + a + " type veth peer name " + ifB + " netns " + b, error)
               && shell("ip -n " + a + " addr add " + addressA + " brd + dev " + ifA, error)
               && shell("ip -n " + b + " addr add " + addressB + " brd + dev " + ifB, error)
               && shell("ip -n " + a + " link set " + ifA + " up", error)
               && shell("ip -n " + b + " link set " + ifB + " up", error);
    }

private:
    std::string prefix_;
    std::vector<std::string> created_;
    int links_ = 0;
};

// A forked child inside a namespace. Its body writes a text back; the
// parent may hold it until release() closes the stop pipe.
class Child {
public:
    using Body = std::function<std::string(int readyFd, int stopFd)>;

    Child(const std::string& ns, Body body)
    {
        int out[2], stop[2];
        if (pipe2(out, O_CLOEXEC) != 0 || pipe2(stop, O_CLOEXEC) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            alarm(30);  // never outlive a stuck test
            close(out[0]);
            close(stop[1]);
            int nsFd = open(("/var/run/netns/" + ns).c_str(), O_RDONLY | O_CLOEXEC);
            std::string text;
            if (nsFd < 0 || setns(nsFd, CLONE_NEWNET) != 0) {
                text = "error: cannot enter " + ns;
            } else {
                text = body(out[1], stop[0]);
            }
            (void)!write(out[1], text.data(), text.size());
            _exit(0);
        }
        close(out[1]);
        close(stop[0]);
        out_ = out[0];
        stop_ = stop[1];
    }
    ~Child()
    {
        release();
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (out_ >= 0) close(out_);
    }

    // Reads one line the child sends before its final text.
    std::string readLine()
    {
        std::string line;
        char c;
        while (read(out_, &c, 1) == 1 && c != '\n') line += c;
        return line;
    }
    // A byte rather than end-of-file: later children inherit the write end.
    void release()
    {
        if (stop_ >= 0) {
            (void)!write(stop_, "x", 1);
            close(stop_);
        }
        stop_ = -1;
    }
    // Everything the child writes until it exits.
    std::string finish()
    {
        release();
        std::string text;
        char buffer[256];
        ssize_t n;
        while ((n = read(out_, buffer, sizeof(buffer))) > 0) text.append(buffer, static_cast<size_t>(n));
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
        return text;
    }

private:
    pid_t pid_ = -1;
    int out_ = -1;
    int stop_ = -1;
};

// An agent listening on every address of its namespace; reports the
// destinations of the requests it saw when released.
Child::Body agentBody(const std::string& name, bool silent)
{
    return [name, silent](int readyFd, int stopFd) -> std::string {
        FakeAgent agent("0.0.0.0");
        if (!agent.ok()) return "error: " + agent.error();
        agent.setObject("1.3.6.1.2.1.1.5.0", AgentValue::octets(name));
        agent.setSilent(silent);
        (void)!write(readyFd, "ready\n", 6);
        char c;
        (void)!read(stopFd, &c, 1);
        std::string text;
        for (const auto& r : agent.requests()) text += dotted(r.destination) + " ";
        return text;
    };
}

TestMessagePtr sysNameRequest()
{
    return makeMessage(SNMP_PDU_GET, 2024, "public", {nullBinding("1.3.6.1.2.1.1.5.0")});
}

// Asks 255.255.255.255 from inside the namespace: broadcast list, then the
// answering addresses in order.
std::string requesterBody(int, int)
{
    std::string text = "list:";
    for (uint32_t b : netrov::snmp::broadcastAddresses(netrov::platform::localAddressTable())) text += " " + dotted(b);
    text += "\nreplies:";
    auto request = sysNameRequest();
    SnmpMessageList* list = multi_snmp_request("255.255.255.255", 1, request.get());
    for (SnmpMessageList* cell = list; cell; cell = cell->next) {
        uint32_t source = 0;
        std::memcpy(&source, cell->message->sourceAddress, 4);
        text += " " + dotted(source) + "=" + reinterpret_cast<char*>(cell->message->variables->value);
    }
    free_snmp_pdu_list(list);
    return text;
}

#define MAKE_NAMESPACE(var, spaces, tag)                                                              \
    std::string var##Error;                                                                           \
    std::string var = spaces.add(tag, &var##Error);                                                   \
    if (var.empty()) GTEST_SKIP() << "cannot create a network namespace (needs root and ip netns): " \
                                  << var##Error

TEST(Broadcast, OncePerLocalNetworkCollectingBothAnswers)
{
    Namespaces spaces;
    MAKE_NAMESPACE(requester, spaces, "r");
    MAKE_NAMESPACE(left, spaces, "a");
    MAKE_NAMESPACE(right, spaces, "b");
    std::string error;
    ASSERT_TRUE(spaces.link(requester, "10.201.1.1/24", left, "10.201.1.2/24", &error)) << error;
    ASSERT_TRUE(spaces.link(requester, "10.201.2.1/24", right, "10.201.2.2/24", &error)) << error;

    Child agentLeft(left, agentBody("left", false));
    Child agentRight(right, agentBody("right", false));
    ASSERT_EQ(agentLeft.readLine(), "ready");
    ASSERT_EQ(agentRight.readLine(), "ready");

    Child searcher(requester, requesterBody);
    std::string result = searcher.finish();
    EXPECT_EQ(result, "list: 10.201.1.255 10.201.2.255\nreplies: 10.201.1.2=left 10.201.2.2=right");
    // One datagram per local network, to its broadcast address, none to 255.255.255.255.
    EXPECT_EQ(agentLeft.finish(), "10.201.1.255 ");
    EXPECT_EQ(agentRight.finish(), "10.201.2.255 ");
}

TEST(Broadcast, AnExplicitAddressIsAskedOncePerPassUntilItAnswers)
{
    Namespaces spaces;
    MAKE_NAMESPACE(requester, spaces, "r");
    MAKE_NAMESPACE(left, spaces, "a");
    MAKE_NAMESPACE(right, spaces, "b");
    std::string error;
    ASSERT_TRUE(spaces.link(requester, "10.202.1.1/24", left, "10.202.1.2/24", &error)) << error;
    ASSERT_TRUE(spaces.link(requester, "10.202.2.1/24", right, "10.202.2.2/24", &error)) << error;

    Child answering(left, agentBody("left", false));
    Child silent(right, agentBody("right", true));
    ASSERT_EQ(answering.readLine(), "ready");
    ASSERT_EQ(silent.readLine(), "ready");

    Child searcher(requester, [](int, int) -> std::string {
        std::string text;
        auto request = sysNameRequest();
        for (const char* host : {"10.202.1.2", "10.202.2.2"}) {
            SnmpMessageList* list = multi_snmp_request(host, 1, request.get());
            text += std::string(host) + (list ? " answered; " : " silent; ");
            free_snmp_pdu_list(list);
        }
        return text;
    });
    EXPECT_EQ(searcher.finish(), "10.202.1.2 answered; 10.202.2.2 silent; ");
    // The answer ends the passes at once; silence repeats the request in
    // every pass, one per local network.
    EXPECT_EQ(answering.finish(), "10.202.1.2 ");
    EXPECT_EQ(silent.finish(), "10.202.2.2 10.202.2.2 ");
}

TEST(Broadcast, LoopbackOnlySendsOnceToTheLimitedBroadcast)
{
    Namespaces spaces;
    MAKE_NAMESPACE(alone, spaces, "l");
    std::string error;
    // Without a route the limited broadcast could not leave; this one loops it
    // back so the agent beside the requester sees what was sent.
    ASSERT_TRUE(shell("ip -n " + alone + " route add broadcast 255.255.255.255 dev lo table local", &error)) << error;

    Child both(alone, [](int, int) -> std::string {
        FakeAgent agent("0.0.0.0");
        if (!agent.ok()) return "error: " + agent.error();
        agent.setSilent(true);
        std::string text = "list:";
        for (uint32_t b : netrov::snmp::broadcastAddresses(netrov::platform::localAddressTable())) text += " " + dotted(b);
        auto request = sysNameRequest();
        SnmpMessageList* list = multi_snmp_request("255.255.255.255", 1, request.get());
        text += list ? " replies" : " none";
        free_snmp_pdu_list(list);
        agent.waitForRequests(2, std::chrono::milliseconds(200));
        text += " sent:";
        for (const auto& r : agent.requests()) text += " " + dotted(r.destination);
        return text;
    });
    EXPECT_EQ(both.finish(), "list: none sent: 255.255.255.255");
}

}  // namespace
