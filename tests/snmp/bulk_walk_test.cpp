// GetBulk walks against fake agents: adaptive repetitions, the ends of a
// subtree, and every way a bad agent ends a walk with a named result.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <mutex>
#include <string>

#include "agent_test_util.h"
#include "engine.h"
#include "fake_agent.h"
#include "message.h"
#include "netrov/zomsnmp.h"
#include "snmp_test_util.h"

using namespace netrov::snmp;
using namespace netrov::test;
using namespace std::chrono_literals;

namespace {

using Bytes = std::vector<uint8_t>;

// A Printer-MIB style column, 60 rows under kRoot, and a next column after it.
constexpr char kRoot[] = "1.3.6.1.2.1.43.11.1.1.6.1";
constexpr char kNextColumn[] = "1.3.6.1.2.1.43.11.1.1.7.1";
constexpr int kRows = 60;

std::string rowName(int row) { return std::string(kRoot) + "." + std::to_string(row); }

// The table of an agent: dotted names in identifier order.
class Table {
public:
    explicit Table(bool nextColumn = true)
    {
        for (int i = 1; i <= kRows; ++i) add(rowName(i), AgentValue::octets("Supply " + std::to_string(i)));
        if (nextColumn) {
            for (int i = 1; i <= 5; ++i) add(std::string(kNextColumn) + "." + std::to_string(i), AgentValue::integer(i));
        }
    }
    void add(const std::string& oid, AgentValue value) { rows_[arcsOf(oid)] = {oid, std::move(value)}; }

    // What a v2c agent answers to GetBulk of one name: the next rows, and
    // endOfMibView in place of the rows past the last one.
    std::vector<AgentBinding> after(const std::string& oid, int count) const
    {
        std::vector<AgentBinding> out;
        auto it = rows_.upper_bound(arcsOf(oid));
        for (; it != rows_.end() && static_cast<int>(out.size()) < count; ++it) out.push_back(it->second);
        if (static_cast<int>(out.size()) < count) out.push_back({out.empty() ? oid : out.back().oid, AgentValue::raw(0x82, {})});
        return out;
    }

private:
    std::map<std::vector<uint32_t>, AgentBinding> rows_;
};

Bytes tlv(uint8_t tag, const Bytes& content)
{
    Bytes out{tag};
    const size_t n = content.size();
    if (n < 0x80) {
        out.push_back(static_cast<uint8_t>(n));
    } else if (n <= 0xFF) {
        out.insert(out.end(), {0x81, static_cast<uint8_t>(n)});
    } else {
        out.insert(out.end(), {0x82, static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n)});
    }
    out.insert(out.end(), content.begin(), content.end());
    return out;
}

Bytes concat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// An SNMPv2c Response, encoded without the library under test.
Bytes v2cResponse(int32_t requestId, const std::string& community, int32_t status, int32_t index,
                  const std::vector<AgentBinding>& bindings)
{
    Bytes list;
    for (const AgentBinding& b : bindings) {
        Bytes binding = concat({tlv(0x06, AgentValue::oid(b.oid).content), tlv(b.value.tag, b.value.content)});
        list = concat({list, tlv(0x30, binding)});
    }
    Bytes pdu = concat({tlv(0x02, AgentValue::integer(requestId).content), tlv(0x02, AgentValue::integer(status).content),
                        tlv(0x02, AgentValue::integer(index).content), tlv(0x30, list)});
    Bytes message = concat({tlv(0x02, {0x01}), tlv(0x04, Bytes(community.begin(), community.end())), tlv(0xA2, pdu)});
    return tlv(0x30, message);
}

bool isBulk(const AgentRequest& r) { return r.decoded && r.version == 1 && r.pduType == kPduGetBulk && r.bindings.size() == 1; }

// The usual answer to a GetBulk request, after the test changed the rows.
std::vector<AgentReply> reply(const AgentRequest& r, const std::vector<AgentBinding>& rows, int32_t status = 0)
{
    return {{v2cResponse(r.requestId, r.community, status, 0, rows)}};
}

std::vector<AgentReply> answerBulk(const AgentRequest& r, const Table& table)
{
    if (!isBulk(r)) return {};
    return reply(r, table.after(r.bindings[0].oid, r.errorIndex));
}

struct Walk {
    BulkWalkOutcome outcome;
    std::vector<AgentBinding> rows;  // as delivered, values re-encoded for comparison
};

Walk walk(const FakeAgent& agent, BulkWalkSettings settings = {}, int stopAfter = -1)
{
    Walk w;
    const auto root = arcsOf(kRoot);
    CommunityModel model(kVersion2c, "public");
    w.outcome = bulkWalk(agent.address().c_str(), model, root, settings, [&](const SnmpBinding& b) {
        std::string name;
        for (int32_t i = 0; i < b.nameLength; ++i) name += (i ? "." : "") + std::to_string(b.name[i]);
        Bytes value = b.value ? Bytes(b.value, b.value + b.valueLength) : Bytes{};
        w.rows.push_back({name, AgentValue::raw(b.type, value)});
        return stopAfter < 0 || static_cast<int>(w.rows.size()) < stopAfter;
    });
    return w;
}

std::vector<int32_t> repetitionsAsked(const FakeAgent& agent)
{
    std::vector<int32_t> out;
    for (const AgentRequest& r : agent.requests()) {
        if (isBulk(r)) out.push_back(r.errorIndex);
    }
    return out;
}

std::string lastNameOf(const BulkWalkOutcome& o)
{
    std::string name;
    for (size_t i = 0; i < o.lastName.size(); ++i) name += (i ? "." : "") + std::to_string(o.lastName[i]);
    return name;
}

TEST(BulkWalk, ReadsATableInAFewExchangesAndStopsAtItsEnd)
{
    START_AGENT(agent);
    Table table;
    agent.setHandler([&](const AgentRequest& r) { return answerBulk(r, table); });
    Walk w = walk(agent);
    EXPECT_EQ(w.outcome.result, WalkResult::EndOfSubtree);
    EXPECT_EQ(w.outcome.rows, 60u);
    EXPECT_EQ(w.outcome.exchanges, 3u);  // 25 + 25 + 10, the last reply passing the end
    ASSERT_EQ(w.rows.size(), 60u);
    EXPECT_EQ(w.rows[0].oid, "1.3.6.1.2.1.43.11.1.1.6.1.1");
    EXPECT_EQ(w.rows[0].value.asString(), "Supply 1");
    EXPECT_EQ(w.rows[25].oid, "1.3.6.1.2.1.43.11.1.1.6.1.26");
    EXPECT_EQ(w.rows[25].value.asString(), "Supply 26");
    EXPECT_EQ(w.rows[59].value.asString(), "Supply 60");
    EXPECT_EQ(lastNameOf(w.outcome), "1.3.6.1.2.1.43.11.1.1.6.1.60");

    // Each request goes on from the last row, as v2c GetBulk with the community.
    auto requests = agent.requests();
    ASSERT_EQ(requests.size(), 3u);
    const char* from[] = {kRoot, "1.3.6.1.2.1.43.11.1.1.6.1.25", "1.3.6.1.2.1.43.11.1.1.6.1.50"};
    for (size_t i = 0; i < 3; ++i) {
        ASSERT_TRUE(isBulk(requests[i]));
        EXPECT_EQ(requests[i].community, "public");
        EXPECT_EQ(requests[i].errorStatus, 0);  // non-repeaters
        EXPECT_EQ(requests[i].errorIndex, 25);  // max-repetitions
        EXPECT_EQ(requests[i].bindings[0].oid, from[i]);
        EXPECT_EQ(requests[i].bindings[0].value.tag, 0x05);
    }
    EXPECT_NE(requests[0].requestId, requests[1].requestId);
}

TEST(BulkWalk, GivesTheRowsAGetNextWalkGives)
{
    START_AGENT(bulk);
    START_AGENT(getNext);
    Table table;
    bulk.setHandler([&](const AgentRequest& r) { return answerBulk(r, table); });
    for (int i = 1; i <= kRows; ++i) getNext.setObject(rowName(i), AgentValue::octets("Supply " + std::to_string(i)));
    getNext.setObject(std::string(kNextColumn) + ".1", AgentValue::integer(1));

    std::vector<AgentBinding> byGetNext;
    CommunityModel v1(kVersion1, "public");
    const std::vector<uint32_t> root = arcsOf(kRoot);
    std::vector<uint32_t> cursor = root;
    for (int guard = 0; guard < 100; ++guard) {
        RequestPdu pdu(SNMP_PDU_GETNEXT, std::span<const uint32_t>(cursor));
        pdu.renewRequestId();
        MessagePtr reply = request(getNext.address().c_str(), 1, v1, pdu.pdu());
        ASSERT_TRUE(reply);
        const SnmpBinding& b = *reply->variables;
        std::vector<uint32_t> name(b.name, b.name + b.nameLength);
        if (name.size() <= root.size() || !std::equal(root.begin(), root.end(), name.begin())) break;
        cursor = name;
        byGetNext.push_back({"", AgentValue::raw(b.type, Bytes(b.value, b.value + b.valueLength))});
    }
    Walk w = walk(bulk);
    ASSERT_EQ(w.rows.size(), byGetNext.size());
    for (size_t i = 0; i < byGetNext.size(); ++i) EXPECT_EQ(w.rows[i].value, byGetNext[i].value) << i;
}

TEST(BulkWalk, EndOfMibViewEndsTheWalk)
{
    START_AGENT(agent);
    Table table(false);  // the column is the last thing the agent has
    agent.setHandler([&](const AgentRequest& r) { return answerBulk(r, table); });
    Walk w = walk(agent);
    EXPECT_EQ(w.outcome.result, WalkResult::EndOfSubtree);
    EXPECT_EQ(w.outcome.rows, 60u);
    EXPECT_EQ(w.outcome.exchanges, 3u);
    EXPECT_EQ(w.rows.back().value.asString(), "Supply 60");
}

TEST(BulkWalk, TooBigHalvesTheRepetitionsAndTheyStayBelow)
{
    START_AGENT(agent);
    Table table;
    agent.setHandler([&](const AgentRequest& r) -> std::vector<AgentReply> {
        if (!isBulk(r)) return {};
        if (r.errorIndex > 8) return reply(r, {r.bindings[0]}, kErrorTooBig);
        return answerBulk(r, table);
    });
    Walk w = walk(agent);
    EXPECT_EQ(w.outcome.result, WalkResult::EndOfSubtree);
    EXPECT_EQ(w.outcome.rows, 60u);
    EXPECT_EQ(w.outcome.repetitions, 6);
    auto asked = repetitionsAsked(agent);
    ASSERT_GE(asked.size(), 4u);
    EXPECT_EQ((std::vector<int32_t>(asked.begin(), asked.begin() + 4)), (std::vector<int32_t>{25, 12, 6, 6}));
    // Two refusals, then ten replies of six rows and the one past the end.
    EXPECT_EQ(w.outcome.exchanges, 13u);
}

TEST(BulkWalk, TooBigForOneRepetitionIsNamed)
{
    START_AGENT(agent);
    agent.setHandler([&](const AgentRequest& r) -> std::vector<AgentReply> {
        if (!isBulk(r)) return {};
        return reply(r, {r.bindings[0]}, kErrorTooBig);
    });
    Walk w = walk(agent);
    EXPECT_EQ(w.outcome.result, WalkResult::TooBig);
    EXPECT_EQ(w.outcome.rows, 0u);
    EXPECT_EQ(repetitionsAsked(agent), (std::vector<int32_t>{25, 12, 6, 3, 1}));
    EXPECT_EQ(lastNameOf(w.outcome), kRoot);
}

// Agents that break the rules: each ends the walk at once with its name. A
// bad reply gives none of its rows, so GetNext from lastName reads them by its
// own rules; endOfMibView is no fault and ends the walk after the rows before it.
TEST(BulkWalk, BadRepliesEndTheWalkWithTheirName)
{
    struct Case {
        const char* what;
        // Changes the rows of the reply to the request-th GetBulk (from 0).
        std::function<void(size_t request, const AgentRequest&, std::vector<AgentBinding>&)> twist;
        WalkResult result;
        size_t rows;
        const char* lastName;
    };
    const Case cases[] = {
        {"empty binding list", [](size_t n, const AgentRequest&, auto& rows) { if (n == 1) rows.clear(); },
         WalkResult::EmptyReply, 25, "1.3.6.1.2.1.43.11.1.1.6.1.25"},
        {"out of order", [](size_t n, const AgentRequest&, auto& rows) { if (n == 1) std::swap(rows[3], rows[4]); },
         WalkResult::OutOfOrder, 25, "1.3.6.1.2.1.43.11.1.1.6.1.25"},
        {"the name asked, again", [](size_t n, const AgentRequest& r, auto& rows) { if (n == 1) rows[0] = r.bindings[0]; },
         WalkResult::Repeated, 25, "1.3.6.1.2.1.43.11.1.1.6.1.25"},
        {"a row twice", [](size_t n, const AgentRequest&, auto& rows) { if (n == 0) rows[10] = rows[9]; },
         WalkResult::Repeated, 0, kRoot},
        {"a row before the root", [](size_t n, const AgentRequest&, auto& rows) { if (n == 0) rows[0].oid = "1.3.6.1.2.1.1.1.0"; },
         WalkResult::OutOfOrder, 0, kRoot},
        {"more bindings than asked", [](size_t n, const AgentRequest&, auto& rows) { if (n == 0) rows.push_back({rowName(26), AgentValue::integer(0)}); },
         WalkResult::Overlong, 0, kRoot},
        {"noSuchInstance in the table", [](size_t n, const AgentRequest&, auto& rows) { if (n == 0) rows[2].value = AgentValue::raw(0x81, {}); },
         WalkResult::Exception, 0, kRoot},
        {"noSuchObject in the table", [](size_t n, const AgentRequest&, auto& rows) { if (n == 1) rows[0].value = AgentValue::raw(0x80, {}); },
         WalkResult::Exception, 25, "1.3.6.1.2.1.43.11.1.1.6.1.25"},
        {"endOfMibView inside", [](size_t n, const AgentRequest&, auto& rows) { if (n == 0) rows[5].value = AgentValue::raw(0x82, {}); },
         WalkResult::EndOfSubtree, 5, "1.3.6.1.2.1.43.11.1.1.6.1.5"},
        {"a Counter64 where a text was", [](size_t n, const AgentRequest&, auto& rows) { if (n == 0) rows[1].value = AgentValue::raw(0x46, {0x01, 0x00, 0x00, 0x00, 0x00}); },
         WalkResult::EndOfSubtree, 60, "1.3.6.1.2.1.43.11.1.1.6.1.60"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        START_AGENT(agent);
        Table table;
        std::mutex mutex;
        size_t seen = 0;
        agent.setHandler([&](const AgentRequest& r) -> std::vector<AgentReply> {
            if (!isBulk(r)) return {};
            auto rows = table.after(r.bindings[0].oid, r.errorIndex);
            std::lock_guard lock(mutex);
            c.twist(seen++, r, rows);
            return reply(r, rows);
        });
        Walk w = walk(agent);
        EXPECT_EQ(w.outcome.result, c.result) << walkResultName(w.outcome.result);
        EXPECT_EQ(w.outcome.rows, c.rows);
        EXPECT_EQ(w.rows.size(), c.rows);
        EXPECT_EQ(lastNameOf(w.outcome), c.lastName);
        // No row twice, every row after the one before.
        for (size_t i = 1; i < w.rows.size(); ++i) EXPECT_LT(arcsOf(w.rows[i - 1].oid), arcsOf(w.rows[i].oid));
    }
}

TEST(BulkWalk, SilenceToGetBulkOnlyIsNoAnswerWhileGetNextStillWorks)
{
    START_AGENT(agent);
    agent.setHandler([&](const AgentRequest& r) -> std::vector<AgentReply> {
        if (!r.decoded || r.version != 0 || r.pduType != SNMP_PDU_GETNEXT) return {};
        return {{FakeAgent::encodeResponse(r.requestId, r.community, 0, 0, {{rowName(1), AgentValue::octets("Supply 1")}})}};
    });
    BulkWalkSettings settings;
    settings.timeout = 200ms;
    const auto start = Clock::now();
    Walk w = walk(agent, settings);
    EXPECT_EQ(w.outcome.result, WalkResult::NoAnswer);
    EXPECT_EQ(w.outcome.exchanges, 2u);
    EXPECT_EQ(repetitionsAsked(agent), (std::vector<int32_t>{25, 12}));
    EXPECT_LT(millisSince(start), 1000);

    const auto root = arcsOf(kRoot);
    RequestPdu pdu(SNMP_PDU_GETNEXT, std::span<const uint32_t>(root));
    pdu.renewRequestId();
    MessagePtr fallback = request(agent.address().c_str(), 1, CommunityModel(kVersion1, "public"), pdu.pdu());
    ASSERT_TRUE(fallback);
    EXPECT_EQ(nameOf(*fallback->variables), arcsOf(rowName(1)));
}

TEST(BulkWalk, ALostReplyHalvesThenTheRepetitionsGrowBack)
{
    START_AGENT(agent);
    Table table;
    std::atomic<int> bulks{0};
    agent.setHandler([&](const AgentRequest& r) -> std::vector<AgentReply> {
        if (!isBulk(r) || bulks++ == 0) return {};
        return answerBulk(r, table);
    });
    BulkWalkSettings settings;
    settings.timeout = 200ms;
    settings.maxRepetitions = 50;
    Walk w = walk(agent, settings);
    EXPECT_EQ(w.outcome.result, WalkResult::EndOfSubtree);
    EXPECT_EQ(w.outcome.rows, 60u);
    // Lost at 25, then 12, 24 and 48 rows.
    EXPECT_EQ(repetitionsAsked(agent), (std::vector<int32_t>{25, 12, 24, 48}));
}

TEST(BulkWalk, RepliesOfTheOtherVersionAreNoAnswer)
{
    START_AGENT(agent);
    Table table;
    // A v1 Response carrying the GetBulk's id and good rows.
    agent.setHandler([&](const AgentRequest& r) -> std::vector<AgentReply> {
        if (!isBulk(r)) return {};
        return {{FakeAgent::encodeResponse(r.requestId, r.community, 0, 0, table.after(r.bindings[0].oid, 2))}};
    });
    BulkWalkSettings settings;
    settings.timeout = 200ms;
    Walk w = walk(agent, settings);
    EXPECT_EQ(w.outcome.result, WalkResult::NoAnswer);
    EXPECT_EQ(w.outcome.rows, 0u);

    // And a v2c Response to a v1 Get, through the engine and the export.
    agent.setHandler([&](const AgentRequest& r) -> std::vector<AgentReply> {
        return {{v2cResponse(r.requestId, r.community, 0, 0, {{rowName(1), AgentValue::octets("Supply 1")}})}};
    });
    const auto name = arcsOf(rowName(1));
    RequestPdu pdu(SNMP_PDU_GET, std::span<const uint32_t>(name));
    pdu.renewRequestId();
    EXPECT_FALSE(request(agent.address().c_str(), 0, CommunityModel(kVersion1, "public"), pdu.pdu()));
    SnmpMessage record = pdu.pdu();
    char community[] = "public";
    record.community = community;
    record.communityLength = 6;
    SnmpMessage* exported = snmp_request(agent.address().c_str(), 0, &record);
    EXPECT_EQ(exported, nullptr);
    free_snmp_pdu(exported);
    // The same reply is the answer to the same request sent as v2c.
    pdu.renewRequestId();
    MessagePtr v2 = request(agent.address().c_str(), 1, CommunityModel(kVersion2c, "public"), pdu.pdu());
    ASSERT_TRUE(v2);
    EXPECT_EQ(v2->version, kVersion2c);
}

TEST(BulkWalk, RowLimitAndSinkBoundTheWalk)
{
    START_AGENT(agent);
    Table table;
    agent.setHandler([&](const AgentRequest& r) { return answerBulk(r, table); });
    BulkWalkSettings settings;
    settings.maxRows = 30;
    Walk limited = walk(agent, settings);
    EXPECT_EQ(limited.outcome.result, WalkResult::RowLimit);
    EXPECT_EQ(limited.rows.size(), 30u);
    // The second request asks only for the rows still allowed.
    EXPECT_EQ(repetitionsAsked(agent), (std::vector<int32_t>{25, 5}));

    agent.clearRequests();
    Walk stopped = walk(agent, {}, 10);
    EXPECT_EQ(stopped.outcome.result, WalkResult::Stopped);
    EXPECT_EQ(stopped.rows.size(), 10u);
    EXPECT_EQ(stopped.outcome.exchanges, 1u);
}

TEST(BulkWalk, DeadlineAndUnusableRequests)
{
    START_AGENT(agent);
    agent.setSilent(true);
    BulkWalkSettings settings;
    settings.deadline = Clock::now() + 300ms;
    const auto start = Clock::now();
    Walk late = walk(agent, settings);
    EXPECT_EQ(late.outcome.result, WalkResult::DeadlinePassed);
    EXPECT_LT(millisSince(start), 800);
    EXPECT_EQ(late.outcome.exchanges, 1u);

    agent.clearRequests();
    const auto root = arcsOf(kRoot);
    auto sink = [](const SnmpBinding&) { return true; };
    // SNMPv1 has no GetBulk: nothing is sent.
    BulkWalkOutcome v1 = bulkWalk(agent.address().c_str(), CommunityModel(kVersion1, "public"), root, {}, sink);
    EXPECT_EQ(v1.result, WalkResult::Unusable);
    BulkWalkOutcome noHost = bulkWalk("", CommunityModel(kVersion2c, "public"), root, {}, sink);
    EXPECT_EQ(noHost.result, WalkResult::Unusable);
    EXPECT_FALSE(agent.waitForRequests(1, 100ms));
}

}  // namespace
