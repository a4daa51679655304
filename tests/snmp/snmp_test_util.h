// Builders for SNMP message records in tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "ber.h"
#include "codec.h"

namespace netrov::test {

struct TestBinding {
    std::vector<uint32_t> name;
    uint8_t type = 0x05;
    std::vector<uint8_t> value;
    bool hasValue = false;
};

inline std::vector<uint32_t> arcsOf(std::string_view text)
{
    std::vector<uint32_t> arcs(snmp::kMaxArcs + 1);
    size_t count = 0;
    if (!snmp::parseOidText(text.data(), text.size(), arcs.data(), count)) ADD_FAILURE() << "bad oid " << text;
    arcs.resize(count);
    return arcs;
}

inline TestBinding nullBinding(std::string_view oid) { return {arcsOf(oid), 0x05, {}, false}; }

inline TestBinding wordBinding(std::string_view oid, uint8_t type, uint32_t v)
{
    std::vector<uint8_t> bytes(4);
    std::memcpy(bytes.data(), &v, 4);
    return {arcsOf(oid), type, bytes, true};
}

inline TestBinding intBinding(std::string_view oid, int32_t v) { return wordBinding(oid, 0x02, static_cast<uint32_t>(v)); }

inline TestBinding octetsBinding(std::string_view oid, std::string_view text, uint8_t type = 0x04)
{
    return {arcsOf(oid), type, std::vector<uint8_t>(text.begin(), text.end()), true};
}

inline TestBinding oidBinding(std::string_view oid, std::string_view value)
{
    auto arcs = arcsOf(value);
    std::vector<uint8_t> bytes(arcs.size() * 4);
    if (!arcs.empty()) std::memcpy(bytes.data(), arcs.data(), bytes.size());
    return {arcsOf(oid), 0x06, bytes, true};
}

// Hand-built records own each part separately (decoded ones live in one
// block), so they have a deleter of their own.
struct TestMessageDeleter {
    void operator()(SnmpMessage* m) const noexcept
    {
        if (!m) return;
        for (SnmpBinding* b = m->variables; b;) {
            SnmpBinding* next = b->next;
            delete[] b->name;
            delete[] b->value;
            delete b;
            b = next;
        }
        delete[] m->enterprise;
        delete[] m->community;
        delete m;
    }
};
using TestMessagePtr = std::unique_ptr<SnmpMessage, TestMessageDeleter>;

inline TestMessagePtr makeMessage(uint8_t pduType, int32_t requestId, std::string_view community,
                                    const std::vector<TestBinding>& bindings)
{
    TestMessagePtr m(new SnmpMessage{});
    m->pduType = pduType;
    m->requestId = requestId;
    m->community = new char[community.size() + 1];
    std::memcpy(m->community, community.data(), community.size());
    m->community[community.size()] = 0;
    m->communityLength = static_cast<int32_t>(community.size());
    SnmpBinding** tail = &m->variables;
    for (const auto& tb : bindings) {
        auto* b = new SnmpBinding{};
        *tail = b;
        tail = &b->next;
        b->name = new uint32_t[tb.name.size() + 1];
        if (!tb.name.empty()) std::memcpy(b->name, tb.name.data(), tb.name.size() * 4);
        b->nameLength = static_cast<int32_t>(tb.name.size());
        b->type = tb.type;
        if (tb.hasValue) {
            b->value = new uint8_t[tb.value.size() + 1];
            if (!tb.value.empty()) std::memcpy(b->value, tb.value.data(), tb.value.size());
            b->valueLength = static_cast<uint32_t>(tb.value.size());
        }
    }
    return m;
}

inline std::vector<uint8_t> encode(const SnmpMessage& m)
{
    std::vector<uint8_t> out(SNMP_DATAGRAM_SIZE * 64);
    auto size = snmp::build(m, out);
    if (!size) {
        ADD_FAILURE() << "message does not encode";
        return {};
    }
    out.resize(*size);
    return out;
}

inline std::vector<const SnmpBinding*> bindingsOf(const SnmpMessage& m)
{
    std::vector<const SnmpBinding*> out;
    for (const SnmpBinding* b = m.variables; b; b = b->next) out.push_back(b);
    return out;
}

inline std::vector<uint32_t> nameOf(const SnmpBinding& b) { return {b.name, b.name + b.nameLength}; }

}  // namespace netrov::test
