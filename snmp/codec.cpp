// SNMPv1 message encoding and decoding, and conversion between the record forms.
#include "codec.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "ber.h"

namespace netrov::snmp {

namespace {

constexpr uint8_t kPduTrap = 0xA4;
constexpr size_t kFixedSequenceHeader = 4;
constexpr size_t kMaxFixedContent = 0xFFFF;
constexpr size_t kMaxCommunityEncoded = 127;  // the community header is two bytes
constexpr size_t kMaxCommunityDecoded = 128;
constexpr size_t kNameTextCapacity = sizeof(SnmpSimpleBinding::name);
constexpr size_t kValueCapacity = sizeof(SnmpSimpleBinding::value);

uint32_t load32(const uint8_t* bytes)
{
    uint32_t v;
    std::memcpy(&v, bytes, 4);
    return v;
}

// Identifier arcs held in a value buffer, copied out because the buffer
// carries no alignment promise.
struct OidValue {
    std::array<uint32_t, kMaxEncodedOid> arcs;
    size_t count = 0;
};

bool loadOidValue(const SnmpBinding& b, OidValue& out)
{
    size_t count = b.valueLength / 4;
    // Every arc takes at least one byte, so more could never fit.
    if (count > kMaxEncodedOid) return false;
    if (count && !b.value) return false;
    if (count) std::memcpy(out.arcs.data(), b.value, count * 4);
    out.count = count;
    return true;
}

bool oidSize(const uint32_t* arcs, int64_t count, size_t& size)
{
    if (count < 0 || (count > 0 && !arcs)) return false;
    size = oidContentSize(arcs, static_cast<size_t>(count));
    return size != 0 && size <= kMaxEncodedOid;
}

// Content size of a binding's value, or false when its type or width is not encodable.
bool valueContentSize(const SnmpBinding& b, size_t& size)
{
    switch (b.type) {
    case kTagInteger:
        if (b.valueLength != 4 || !b.value) return false;
        size = intContentSize(static_cast<int32_t>(load32(b.value)));
        return true;
    case kTagOctets:
    case kTagIpAddress:
        if (b.valueLength && !b.value) return false;
        size = b.valueLength;
        return size <= kMaxFixedContent;
    case kTagNull:
        size = 0;
        return true;
    case kTagOid: {
        OidValue oid;
        return loadOidValue(b, oid) && oidSize(oid.arcs.data(), static_cast<int64_t>(oid.count), size);
    }
    case kTagCounter:
    case kTagGauge:
    case kTagTimeTicks:
        if (b.valueLength != 4 || !b.value) return false;
        size = unsignedContentSize(load32(b.value));
        return true;
    default:
        return false;
    }
}

bool bindingContentSize(const SnmpBinding& b, size_t& size)
{
    size_t name = 0;
    size_t value = 0;
    if (!oidSize(b.name, b.nameLength, name) || !valueContentSize(b, value)) return false;
    size = elementSize(name) + elementSize(value);
    return size <= kMaxFixedContent;
}

void writeValue(BerWriter& w, const SnmpBinding& b)
{
    switch (b.type) {
    case kTagInteger:
        w.writeInt(kTagInteger, static_cast<int32_t>(load32(b.value)));
        break;
    case kTagOctets:
    case kTagIpAddress:
        w.writeOctets(b.type, b.value, b.valueLength);
        break;
    case kTagNull:
        w.writeHeader(kTagNull, 0);
        break;
    case kTagOid: {
        OidValue oid;
        (void)loadOidValue(b, oid);
        w.writeOid(kTagOid, oid.arcs.data(), oid.count);
        break;
    }
    default:
        w.writeUnsigned(b.type, load32(b.value));
        break;
    }
}

uint8_t* copyBytes(std::span<const uint8_t> bytes)
{
    auto* out = new uint8_t[bytes.size() + 1];
    if (!bytes.empty()) std::memcpy(out, bytes.data(), bytes.size());
    out[bytes.size()] = 0;
    return out;
}

uint32_t* copyArcs(const uint32_t* arcs, size_t count)
{
    auto* out = new uint32_t[count ? count : 1];
    if (count) std::memcpy(out, arcs, count * sizeof(uint32_t));
    return out;
}

char* copyText(const char* text, size_t length)
{
    auto* out = new char[length + 1];
    if (length) std::memcpy(out, text, length);
    out[length] = 0;
    return out;
}

// Stores a decoded value the way the records hold it.
bool storeValue(SnmpBinding& b, uint8_t tag, std::span<const uint8_t> content)
{
    b.type = tag;
    switch (tag) {
    case kTagInteger: {
        int32_t v = 0;
        if (!BerReader::decodeInt(content, v)) return false;
        b.value = new uint8_t[4];
        std::memcpy(b.value, &v, 4);
        b.valueLength = 4;
        return true;
    }
    case kTagOctets:
    case kTagIpAddress:
        b.value = copyBytes(content);
        b.valueLength = static_cast<uint32_t>(content.size());
        return true;
    case kTagOid: {
        std::array<uint32_t, kMaxArcs> arcs;
        size_t count = 0;
        if (!BerReader::decodeOid(content, arcs.data(), arcs.size(), count)) return false;
        b.value = new uint8_t[count * 4];
        std::memcpy(b.value, arcs.data(), count * 4);
        b.valueLength = static_cast<uint32_t>(count * 4);
        return true;
    }
    case kTagCounter:
    case kTagGauge:
    case kTagTimeTicks: {
        uint32_t v = 0;
        if (!BerReader::decodeUnsigned(content, v)) return false;
        b.value = new uint8_t[4];
        std::memcpy(b.value, &v, 4);
        b.valueLength = 4;
        return true;
    }
    default:
        // NULL, Opaque and the exception values keep only their length.
        b.valueLength = static_cast<uint32_t>(content.size());
        return true;
    }
}

// Writes arcs as dotted decimal into out (room for capacity characters
// plus the NUL); false when it does not fit.
bool formatOid(const uint32_t* arcs, size_t count, char* out, size_t capacity)
{
    size_t pos = 0;
    for (size_t i = 0; i < count; ++i) {
        char digits[10];
        size_t n = 0;
        uint32_t v = arcs[i];
        do {
            digits[n++] = static_cast<char>('0' + v % 10);
            v /= 10;
        } while (v);
        if (pos + n + (i ? 1 : 0) > capacity) return false;
        if (i) out[pos++] = '.';
        while (n) out[pos++] = digits[--n];
    }
    out[pos] = 0;
    return true;
}

}  // namespace

void freeMessage(SnmpMessage* message) noexcept
{
    if (!message) return;
    SnmpBinding* b = message->variables;
    while (b) {
        SnmpBinding* next = b->next;
        delete[] b->name;
        delete[] b->value;
        delete b;
        b = next;
    }
    delete[] message->enterprise;
    delete[] message->community;
    delete message;
}

void freeMessageList(SnmpMessageList* list) noexcept
{
    while (list) {
        SnmpMessageList* next = list->next;
        freeMessage(list->message);
        delete list;
        list = next;
    }
}

std::optional<size_t> build(const SnmpMessage& m, std::span<uint8_t> out)
{
    if (m.version != 0) return std::nullopt;
    if (m.communityLength < 0 || static_cast<size_t>(m.communityLength) > kMaxCommunityEncoded) return std::nullopt;
    if (m.communityLength > 0 && !m.community) return std::nullopt;

    size_t listContent = 0;
    for (const SnmpBinding* b = m.variables; b; b = b->next) {
        size_t content = 0;
        if (!bindingContentSize(*b, content)) return std::nullopt;
        listContent += kFixedSequenceHeader + content;
        if (listContent > kMaxFixedContent) return std::nullopt;
    }

    const bool trap = m.pduType == kPduTrap;
    size_t body = 0;
    size_t enterpriseSize = 0;
    if (trap) {
        if (!oidSize(m.enterprise, m.enterpriseLength, enterpriseSize)) return std::nullopt;
        body = elementSize(enterpriseSize) + elementSize(4) + elementSize(intContentSize(m.genericTrap))
               + elementSize(intContentSize(m.specificTrap)) + elementSize(unsignedContentSize(m.timeStamp));
    } else {
        body = elementSize(intContentSize(m.requestId)) + elementSize(intContentSize(m.errorStatus))
               + elementSize(intContentSize(m.errorIndex));
    }
    const size_t pduContent = body + elementSize(listContent);
    const size_t messageContent = elementSize(pduContent) + static_cast<size_t>(m.communityLength) + 5;
    if (messageContent > kMaxFixedContent) return std::nullopt;
    const size_t total = kFixedSequenceHeader + messageContent;
    if (total > out.size()) return std::nullopt;

    BerWriter w(out);
    w.writeFixedSequence(messageContent);
    w.writeInt(kTagInteger, 0);
    w.writeOctets(kTagOctets, reinterpret_cast<const uint8_t*>(m.community), static_cast<size_t>(m.communityLength));
    w.writeHeader(m.pduType, pduContent);
    if (trap) {
        w.writeOid(kTagOid, m.enterprise, static_cast<size_t>(m.enterpriseLength));
        w.writeOctets(kTagIpAddress, m.agentAddress, 4);
        w.writeInt(kTagInteger, m.genericTrap);
        w.writeInt(kTagInteger, m.specificTrap);
        w.writeUnsigned(kTagTimeTicks, m.timeStamp);
    } else {
        w.writeInt(kTagInteger, m.requestId);
        w.writeInt(kTagInteger, m.errorStatus);
        w.writeInt(kTagInteger, m.errorIndex);
    }
    w.writeHeader(kTagSequence, listContent);
    for (const SnmpBinding* b = m.variables; b; b = b->next) {
        size_t content = 0;
        (void)bindingContentSize(*b, content);
        w.writeFixedSequence(content);
        w.writeOid(kTagOid, b->name, static_cast<size_t>(b->nameLength));
        writeValue(w, *b);
    }
    return w.written();
}

MessagePtr parse(std::span<const uint8_t> data, uint32_t sourceAddress)
{
    MessagePtr msg(new SnmpMessage{});
    std::memcpy(msg->sourceAddress, &sourceAddress, 4);

    BerReader datagram(data);
    BerReader message = datagram.enter(kTagSequence);
    int32_t version = -1;
    if (!message.readInt(version) || version != 0) return nullptr;
    std::span<const uint8_t> community;
    if (!message.readOctets(kTagOctets, kMaxCommunityDecoded, community)) return nullptr;
    msg->community = copyText(reinterpret_cast<const char*>(community.data()), community.size());
    msg->communityLength = static_cast<int32_t>(community.size());

    uint8_t pduType = 0;
    std::span<const uint8_t> pduContent;
    if (!message.readElement(pduType, pduContent)) return nullptr;
    msg->pduType = pduType;
    BerReader pdu(pduContent);
    std::array<uint32_t, kMaxArcs> arcs;
    size_t count = 0;
    if (pduType == kPduTrap) {
        std::span<const uint8_t> agent;
        if (!pdu.readOid(arcs.data(), arcs.size(), count)) return nullptr;
        msg->enterprise = copyArcs(arcs.data(), count);
        msg->enterpriseLength = static_cast<int32_t>(count);
        if (!pdu.readOctets(kTagIpAddress, 4, agent)) return nullptr;
        if (!agent.empty()) std::memcpy(msg->agentAddress, agent.data(), agent.size());
        if (!pdu.readInt(msg->genericTrap) || !pdu.readInt(msg->specificTrap)
            || !pdu.readUnsigned(kTagTimeTicks, msg->timeStamp))
            return nullptr;
    } else {
        if (!pdu.readInt(msg->requestId) || !pdu.readInt(msg->errorStatus) || !pdu.readInt(msg->errorIndex))
            return nullptr;
    }

    BerReader list = pdu.enter(kTagSequence);
    SnmpBinding** tail = &msg->variables;
    while (!list.atEnd()) {
        BerReader binding = list.enter(kTagSequence);
        uint8_t tag = 0;
        std::span<const uint8_t> content;
        if (!binding.readOid(arcs.data(), arcs.size(), count) || !binding.readElement(tag, content)) return nullptr;
        auto* b = new SnmpBinding{};
        *tail = b;  // owned by the message from here on, so a failure frees it
        tail = &b->next;
        b->name = copyArcs(arcs.data(), count);
        b->nameLength = static_cast<int32_t>(count);
        if (!storeValue(*b, tag, content)) return nullptr;
    }
    if (!list.ok()) return nullptr;
    return msg;
}

bool parseOidText(const char* text, size_t length, uint32_t* arcs, size_t& count)
{
    count = 0;
    size_t i = 0;
    while (i < length) {
        if (text[i] < '0' || text[i] > '9') {
            ++i;
            continue;
        }
        uint64_t v = 0;
        while (i < length && text[i] >= '0' && text[i] <= '9') {
            v = v * 10 + static_cast<uint64_t>(text[i] - '0');
            if (v > 0xFFFFFFFFu) return false;
            ++i;
        }
        if (count >= kMaxArcs) return false;
        arcs[count++] = static_cast<uint32_t>(v);
    }
    return true;
}

int32_t nextRequestId() noexcept
{
    // The classic C runtime generator, one state per thread.
    thread_local uint32_t state = 1;
    state = state * 214013u + 2531011u;
    return static_cast<int32_t>((state >> 16) & 0x7FFF);
}

MessagePtr simpleToStandard(SnmpSimpleMessage& request)
{
    if (request.variableCount > 0 && !request.variables) return nullptr;
    MessagePtr msg(new SnmpMessage{});
    msg->pduType = request.pduType;
    if (request.community[0] == 0) std::memcpy(request.community, SNMP_DEFAULT_COMMUNITY, sizeof(SNMP_DEFAULT_COMMUNITY));
    const size_t communityLength = strnlen(request.community, sizeof(request.community));
    msg->community = copyText(request.community, communityLength);
    msg->communityLength = static_cast<int32_t>(communityLength);
    msg->requestId = nextRequestId();

    SnmpBinding** tail = &msg->variables;
    std::array<uint32_t, kMaxArcs> arcs;
    for (int32_t i = 0; i < request.variableCount; ++i) {
        const SnmpSimpleBinding& simple = request.variables[i];
        size_t count = 0;
        if (!parseOidText(simple.name, strnlen(simple.name, kNameTextCapacity), arcs.data(), count)) return nullptr;
        auto* b = new SnmpBinding{};
        *tail = b;
        tail = &b->next;
        b->name = copyArcs(arcs.data(), count);
        b->nameLength = static_cast<int32_t>(count);
        if (simple.type == 0) {
            b->type = kTagNull;
            continue;
        }
        if (simple.valueLength < 0 || static_cast<size_t>(simple.valueLength) > kValueCapacity) return nullptr;
        b->type = simple.type;
        b->value = copyBytes({simple.value, static_cast<size_t>(simple.valueLength)});
        b->valueLength = static_cast<uint32_t>(simple.valueLength);
    }
    return msg;
}

bool standardToSimple(const SnmpMessage& reply, SnmpSimpleMessage& simple)
{
    std::memcpy(simple.sourceAddress, reply.sourceAddress, 4);
    std::memset(simple.community, 0, sizeof(simple.community));
    if (reply.community && reply.communityLength > 0) {
        // Texts in fixed fields keep their terminating NUL.
        size_t length = std::min(static_cast<size_t>(reply.communityLength), sizeof(simple.community) - 1);
        std::memcpy(simple.community, reply.community, length);
    }
    simple.errorStatus = reply.errorStatus;
    simple.errorIndex = reply.errorIndex;

    int32_t slot = 0;
    for (const SnmpBinding* b = reply.variables; b && slot < simple.variableCount; b = b->next, ++slot) {
        if (!simple.variables) return false;
        SnmpSimpleBinding& out = simple.variables[slot];
        std::memset(&out, 0, sizeof(out));
        out.type = b->type;
        if (b->valueLength >= kValueCapacity) return false;
        if (b->value && b->valueLength) std::memcpy(out.value, b->value, b->valueLength);
        out.value[b->valueLength] = 0;
        out.valueLength = static_cast<int32_t>(b->valueLength);
        if (b->nameLength < 0 || (b->nameLength > 0 && !b->name)) return false;
        if (!formatOid(b->name, static_cast<size_t>(b->nameLength), out.name, kNameTextCapacity - 1)) return false;
    }
    return true;
}

}  // namespace netrov::snmp
