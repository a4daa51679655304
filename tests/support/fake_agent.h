// A scriptable SNMPv1 agent on a loopback address, port 161, for tests.
//
// Each FakeAgent owns one UDP socket bound to 127.x.y.z:161 (or an IPv6
// address given to it) and one thread
// that answers it. It works in one of two modes:
//
//  - MIB mode (the default): it serves a sorted table of objects and answers
//    Get, GetNext and Set like an SNMPv1 agent: a Get of a missing object or
//    a GetNext past the last one gives error status 2 (noSuchName) with the
//    index of the binding; a Set stores the values it carries. Hooks force
//    an error status, make GetNext loop on the name it was asked for, or
//    delay every reply.
//  - Raw mode (after setHandler): a handler receives each request datagram
//    and returns the reply datagrams to send back (zero or more, each with
//    an optional delay).
//
// Either way the agent counts and records every datagram it receives, with
// the request decoded where it is an SNMP message, so a test can assert how
// many requests arrived and what they carried. setSilent(true) records
// without answering.
//
// Construction never throws on a bind failure: check ok() and skip, e.g.
//
//     netrov::test::FakeAgent agent;
//     if (!agent.ok()) GTEST_SKIP() << agent.error();
//     agent.setObject("1.3.6.1.2.1.1.1.0", AgentValue::octets("Printer"));
//     ... request agent.address() ...
//     EXPECT_EQ(agent.requestCount(), 1u);
//
// Binding port 161 needs root (or CAP_NET_BIND_SERVICE). The default
// constructor picks a random free address in 127.0.0.0/8, so test binaries
// that run in parallel do not collide. All members are thread-safe.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace netrov::test {

// A value as it travels: BER tag and content bytes.
struct AgentValue {
    uint8_t tag = 0x05;
    std::vector<uint8_t> content;

    static AgentValue integer(int32_t v);
    static AgentValue octets(std::string_view text);
    static AgentValue octets(const std::vector<uint8_t>& bytes);
    static AgentValue null();
    static AgentValue oid(std::string_view dotted);
    static AgentValue ipAddress(std::string_view dotted);
    static AgentValue counter(uint32_t v);
    static AgentValue gauge(uint32_t v);
    static AgentValue timeTicks(uint32_t v);
    // Any tag with any content, well-formed or not.
    static AgentValue raw(uint8_t tag, std::vector<uint8_t> content);

    // Decoded views; none when the tag or content does not fit.
    std::optional<int64_t> asInteger() const;  // INTEGER and the unsigned types
    std::string asString() const;              // content bytes as text
    bool operator==(const AgentValue&) const = default;
};

struct AgentBinding {
    std::string oid;  // dotted, no leading dot
    AgentValue value;
};

// One received datagram.
struct AgentRequest {
    uint32_t source = 0;      // network order
    uint16_t sourcePort = 0;  // host order
    uint32_t destination = 0; // network order: the address the datagram was sent to
    std::vector<uint8_t> bytes;
    bool decoded = false;     // false: not an SNMPv1 message; fields below empty
    int32_t version = 0;
    std::string community;
    uint8_t pduType = 0;
    int32_t requestId = 0;
    int32_t errorStatus = 0;
    int32_t errorIndex = 0;
    std::vector<AgentBinding> bindings;
};

struct AgentReply {
    std::vector<uint8_t> bytes;
    std::chrono::milliseconds delay{0};
};

class FakeAgent {
public:
    using Handler = std::function<std::vector<AgentReply>(const AgentRequest&)>;

    FakeAgent();                                   // a free random loopback address
    // e.g. "127.0.0.5"; "0.0.0.0" listens on every address, which broadcast
    // tests inside a private network namespace need. An IPv6 address ("::1",
    // "fe80::17%veth0") binds [address]:161 alone; its requests carry no
    // IPv4 source or destination, and addressValue() is 0.
    explicit FakeAgent(std::string_view address);
    ~FakeAgent();
    FakeAgent(const FakeAgent&) = delete;
    FakeAgent& operator=(const FakeAgent&) = delete;

    bool ok() const { return ok_; }
    const std::string& error() const { return error_; }  // why it could not start
    const std::string& address() const { return address_; }
    uint32_t addressValue() const { return addressValue_; }  // network order

    // Raw mode; an empty handler returns to MIB mode.
    void setHandler(Handler handler);
    // Record requests without answering.
    void setSilent(bool silent);

    // MIB mode.
    void setObject(std::string_view oid, AgentValue value);
    void removeObject(std::string_view oid);
    std::optional<AgentValue> object(std::string_view oid) const;
    void clearObjects();
    // Serves the objects of an snmprec walk file ("oid|type|value" lines:
    // 2, 4, 4x, 6, 64, 65, 66, 67); false with error() naming the first
    // line it cannot read.
    bool serveWalk(const std::string& path);
    // Non-zero: every reply carries this error status and index.
    void setErrorStatus(int32_t status, int32_t index = 1);
    // GetNext answers with the very names it was asked for (and their value,
    // or NULL), so a walk never advances.
    void setLoop(bool loop);
    // Requests with another community stay unanswered; empty accepts any.
    void setCommunity(std::string community);
    void setReplyDelay(std::chrono::milliseconds delay);

    // What arrived.
    size_t requestCount() const;
    std::vector<AgentRequest> requests() const;
    void clearRequests();
    // Waits until at least count requests arrived; false on time-out.
    bool waitForRequests(size_t count, std::chrono::milliseconds timeout) const;

    // Sends a datagram from this agent's address and port (e.g. a second
    // agent answering a request that another one received).
    void sendTo(uint32_t address, uint16_t port, const std::vector<uint8_t>& bytes);

    // An SNMPv1 GetResponse, encoded independently of the library under test.
    static std::vector<uint8_t> encodeResponse(int32_t requestId, std::string_view community,
                                               int32_t errorStatus, int32_t errorIndex,
                                               const std::vector<AgentBinding>& bindings);
    // Decodes a request datagram (decoded is false when it is not one).
    static AgentRequest decodeRequest(const std::vector<uint8_t>& bytes);

private:
    struct Pending;
    void start(uint32_t address, bool pickFree);
    void startIpv6(const std::string& text);
    void run();
    std::vector<AgentReply> answer(const AgentRequest& request);

    bool ok_ = false;
    std::string error_;
    std::string address_;
    uint32_t addressValue_ = 0;
    int fd_ = -1;
    int wakeFd_[2] = {-1, -1};

    mutable std::mutex mutex_;
    mutable std::condition_variable arrived_;
    Handler handler_;
    bool silent_ = false;
    std::map<std::vector<uint32_t>, AgentValue> objects_;
    int32_t errorStatus_ = 0;
    int32_t errorIndex_ = 0;
    bool loop_ = false;
    std::string community_;
    std::chrono::milliseconds delay_{0};
    std::vector<AgentRequest> requests_;
    std::thread thread_;
};

// True when this process has a network namespace of its own (the agent
// tests' private network): only there may a test serve or ask an IPv6
// address, which never reaches the machine's own network then.
bool inOwnNetworkNamespace();

}  // namespace netrov::test
