// A table-serving agent that speaks SNMPv1 and SNMPv2c (Get, GetNext,
// GetBulk) on a fake agent's address, and misbehaves on request the way
// real agents do with GetBulk.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <string>
#include <vector>

#include "fake_agent.h"

namespace netrov::test {

enum class Manner : uint8_t {
    Good,             // both versions, every request answered well
    V1Only,           // SNMPv2c requests go unanswered
    V2cOnly,          // SNMPv1 requests go unanswered
    OutOfOrder,       // GetBulk answers swap the two first repetitions
    Repeated,         // GetBulk answers repeat the asked identifiers
    TooBig,           // GetBulk is always answered with tooBig
    SilentToBulk,     // GetBulk goes unanswered; GetNext is answered
    V2cAnswersV1,     // SNMPv1 requests are answered with SNMPv2c messages
};

class TableAgent {
public:
    TableAgent()
    {
        agent_.setHandler([this](const AgentRequest& r) { return answer(r); });
    }
    bool ok() const { return agent_.ok(); }
    const std::string& error() const { return agent_.error(); }
    FakeAgent& agent() { return agent_; }
    uint32_t addressValue() const { return agent_.addressValue(); }
    void setManner(Manner manner) { manner_ = manner; }
    // Every reply this late: a printer that drips its tables.
    void setReplyDelay(std::chrono::milliseconds delay) { delayMs_ = delay.count(); }
    void add(const std::string& oid, AgentValue value) { rows_[arcsOf(oid)] = {oid, std::move(value)}; }

    // The v1 encoder's message with the version field set to SNMPv2c.
    static std::vector<uint8_t> asV2c(std::vector<uint8_t> message)
    {
        const size_t header = message[1] < 0x80 ? 2 : 2 + (message[1] & 0x7F);
        message[header + 2] = 1;
        return message;
    }

    // How many requests of a PDU type (0xA1 GetNext, 0xA5 GetBulk) and version arrived.
    size_t count(uint8_t pduType, int32_t version) const
    {
        const auto all = agent_.requests();
        return static_cast<size_t>(std::count_if(all.begin(), all.end(), [&](const AgentRequest& r) {
            return r.decoded && r.pduType == pduType && r.version == version;
        }));
    }

private:
    static std::vector<uint32_t> arcsOf(const std::string& dotted)
    {
        std::vector<uint32_t> arcs;
        size_t at = 0;
        while (at < dotted.size()) {
            const size_t dot = dotted.find('.', at);
            arcs.push_back(static_cast<uint32_t>(std::stoul(dotted.substr(at, dot - at))));
            if (dot == std::string::npos) break;
            at = dot + 1;
        }
        return arcs;
    }

    // The object after oid, or none past the last.
    const AgentBinding* after(const std::string& oid) const
    {
        const auto it = rows_.upper_bound(arcsOf(oid));
        return it == rows_.end() ? nullptr : &it->second;
    }

    std::vector<AgentReply> answer(const AgentRequest& r)
    {
        if (!r.decoded) return {};
        const bool v2c = r.version == 1;
        if ((v2c && manner_ == Manner::V1Only) || (!v2c && manner_ == Manner::V2cOnly)) return {};
        const bool bulk = r.pduType == 0xA5;
        if (bulk && (!v2c || manner_ == Manner::SilentToBulk)) return {};
        std::vector<AgentBinding> out;
        int32_t status = 0;
        int32_t index = 0;
        if (bulk && manner_ == Manner::TooBig) {
            status = 1;
        } else if (bulk) {
            // No non-repeaters: each repetition advances every column once.
            std::vector<std::string> at;
            for (const AgentBinding& b : r.bindings) at.push_back(b.oid);
            for (int32_t k = 0; k < r.errorIndex; ++k) {
                for (size_t c = 0; c < at.size(); ++c) {
                    std::string& name = at[c];
                    // The second repetition names the first one's identifiers again.
                    if (manner_ == Manner::Repeated && k > 0) {
                        out.push_back(out[c]);
                        continue;
                    }
                    const AgentBinding* next = after(name);
                    out.push_back(next ? *next : AgentBinding{name, AgentValue::raw(0x82, {})});
                    if (next) name = next->oid;
                }
            }
            if (manner_ == Manner::OutOfOrder && out.size() >= 2 * r.bindings.size()) {
                for (size_t i = 0; i < r.bindings.size(); ++i) std::swap(out[i], out[i + r.bindings.size()]);
            }
        } else {
            for (size_t i = 0; i < r.bindings.size(); ++i) {
                const std::string& name = r.bindings[i].oid;
                const AgentBinding* found = nullptr;
                if (r.pduType == 0xA1) {
                    found = after(name);
                } else {
                    const auto it = rows_.find(arcsOf(name));
                    found = it == rows_.end() ? nullptr : &it->second;
                }
                if (found) {
                    out.push_back(*found);
                } else if (v2c) {
                    out.push_back({name, AgentValue::raw(r.pduType == 0xA1 ? 0x82 : 0x81, {})});
                } else {
                    // SNMPv1 says noSuchName for the whole request.
                    out = r.bindings;
                    status = 2;
                    index = static_cast<int32_t>(i) + 1;
                    break;
                }
            }
        }
        std::vector<uint8_t> bytes = FakeAgent::encodeResponse(r.requestId, r.community, status, index, out);
        if (v2c || manner_ == Manner::V2cAnswersV1) bytes = asV2c(std::move(bytes));
        return {{bytes, std::chrono::milliseconds(delayMs_.load())}};
    }

    FakeAgent agent_;
    std::atomic<Manner> manner_{Manner::Good};
    std::atomic<long long> delayMs_{0};
    std::map<std::vector<uint32_t>, AgentBinding> rows_;
};

}  // namespace netrov::test
