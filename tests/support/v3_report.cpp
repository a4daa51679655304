// A hand-written BER encoding of the discovery Report, so a fault in the library's own cannot hide itself.
#include "v3_report.h"

#include <optional>
#include <string_view>

namespace netrov::test {

namespace {

using Bytes = std::vector<uint8_t>;

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

Bytes integer(int64_t value, uint8_t tag = 0x02)
{
    Bytes content;
    for (int shift = 56; shift >= 0; shift -= 8) content.push_back(static_cast<uint8_t>(value >> shift));
    // Minimal two's complement: drop leading bytes that only repeat the sign.
    while (content.size() > 1 && ((content[0] == 0 && !(content[1] & 0x80)) || (content[0] == 0xFF && (content[1] & 0x80))))
        content.erase(content.begin());
    return tlv(tag, content);
}

Bytes octets(std::string_view text) { return tlv(0x04, Bytes(text.begin(), text.end())); }

Bytes join(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

// A cursor over the probe's elements; short and one- or two-byte long lengths only.
struct Cursor {
    const Bytes* data;
    size_t at = 0;
    size_t end;

    // The content of the next element with this tag; none on a mismatch or a short datagram.
    std::optional<Cursor> next(uint8_t tag)
    {
        if (at + 2 > end || (*data)[at] != tag) return std::nullopt;
        size_t length = (*data)[at + 1];
        size_t start = at + 2;
        if (length == 0x81 || length == 0x82) {
            const size_t bytes = length & 0x7F;
            if (start + bytes > end) return std::nullopt;
            length = 0;
            for (size_t i = 0; i < bytes; ++i) length = length << 8 | (*data)[start + i];
            start += bytes;
        } else if (length > 0x80) {
            return std::nullopt;
        }
        if (start + length > end) return std::nullopt;
        at = start + length;
        return Cursor{data, start, start + length};
    }
    std::optional<int64_t> integer()
    {
        std::optional<Cursor> c = next(0x02);
        if (!c || c->end == c->at || c->end - c->at > 4) return std::nullopt;
        int64_t value = static_cast<int8_t>((*data)[c->at]);
        for (size_t i = c->at + 1; i < c->end; ++i) value = value * 256 + (*data)[i];
        return value;
    }
};

}  // namespace

std::vector<uint8_t> discoveryReport(const std::vector<uint8_t>& probe, const std::vector<uint8_t>& engineId,
                                     uint32_t boots, uint32_t time)
{
    Cursor datagram{&probe, 0, probe.size()};
    std::optional<Cursor> message = datagram.next(0x30);
    if (!message || message->integer() != 3) return {};
    std::optional<Cursor> global = message->next(0x30);
    if (!global) return {};
    const std::optional<int64_t> msgId = global->integer();
    std::optional<Cursor> scoped;
    if (!msgId || !message->next(0x04) || !(scoped = message->next(0x30))) return {};
    std::optional<Cursor> pdu;
    if (!scoped->next(0x04) || !scoped->next(0x04) || !(pdu = scoped->next(0xA0))) return {};
    const std::optional<int64_t> requestId = pdu->integer();
    if (!requestId) return {};

    const Bytes engine = tlv(0x04, engineId);
    const Bytes security = tlv(0x30, join({engine, integer(boots), integer(time), octets(""), octets(""), octets("")}));
    // usmStatsUnknownEngineIDs.0, a Counter32.
    const Bytes counter = tlv(0x30, join({tlv(0x06, {0x2B, 6, 1, 6, 3, 15, 1, 1, 4, 0}), integer(1, 0x41)}));
    const Bytes report = tlv(0xA8, join({integer(*requestId), integer(0), integer(0), tlv(0x30, counter)}));
    return tlv(0x30, join({integer(3), tlv(0x30, join({integer(*msgId), integer(65507), tlv(0x04, {0x00}), integer(3)})),
                           tlv(0x04, security), tlv(0x30, join({engine, octets(""), report}))}));
}

void answerOnlyTheProbe(FakeAgent& agent, std::vector<uint8_t> engineId)
{
    agent.setHandler([engineId = std::move(engineId)](const AgentRequest& request) {
        std::vector<AgentReply> replies;
        Bytes report = discoveryReport(request.bytes, engineId);
        if (!report.empty()) replies.push_back({std::move(report), {}});
        return replies;
    });
}

}  // namespace netrov::test
