// SNMPv1 and SNMPv2c message encoding and decoding, and conversion between the record forms.
#include "codec.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>

#include "ber.h"
#include "platform/random.h"

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

uint64_t load64(const uint8_t* bytes)
{
    uint64_t v;
    std::memcpy(&v, bytes, 8);
    return v;
}

bool isException(uint8_t tag) { return tag >= kTagNoSuchObject && tag <= kTagEndOfMibView; }

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

// Content size of a binding's value, or false when its type or width is not
// encodable in the message's version: Counter64 and the exceptions are v2c only.
bool valueContentSize(const SnmpBinding& b, bool v2c, size_t& size)
{
    if (v2c && b.type == kTagCounter64) {
        if (b.valueLength != 8 || !b.value) return false;
        size = unsigned64ContentSize(load64(b.value));
        return true;
    }
    if (v2c && isException(b.type)) {
        size = 0;
        return true;
    }
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

bool bindingContentSize(const SnmpBinding& b, bool v2c, size_t& size)
{
    size_t name = 0;
    size_t value = 0;
    if (!oidSize(b.name, b.nameLength, name) || !valueContentSize(b, v2c, value)) return false;
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
    case kTagNoSuchObject:
    case kTagNoSuchInstance:
    case kTagEndOfMibView:
        w.writeHeader(b.type, 0);
        break;
    case kTagCounter64:
        w.writeUnsigned64(kTagCounter64, load64(b.value));
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

// A message and everything it owns share one block: records first, then
// 32-bit words (names, identifier and number values), then bytes (texts).
// Decoding then costs one allocation and freeing one release.
struct BlockSizes {
    size_t bindings = 0;
    size_t words = 0;
    size_t bytes = 0;
};

class MessageBlock {
public:
    // A block of its own, released by freeMessage.
    explicit MessageBlock(const BlockSizes& sizes)
    {
        layout(static_cast<uint8_t*>(::operator new(storageSize(sizes))), sizes);
    }
    // Over caller storage of storageSize(sizes) bytes, aligned for SnmpMessage.
    MessageBlock(const BlockSizes& sizes, uint8_t* storage) { layout(storage, sizes); }

    static constexpr size_t storageSize(const BlockSizes& sizes)
    {
        return sizeof(SnmpMessage) + sizes.bindings * sizeof(SnmpBinding) + sizes.words * 4 + sizes.bytes;
    }

    SnmpMessage* message() const { return message_; }
    SnmpBinding* binding() { return new (bindings_++) SnmpBinding{}; }
    uint32_t* nextWords() const { return words_; }
    void advanceWords(size_t count) { words_ += count; }
    uint8_t* word(uint32_t value)
    {
        *words_ = value;
        return reinterpret_cast<uint8_t*>(words_++);
    }
    // The bytes followed by a NUL.
    uint8_t* copyBytes(std::span<const uint8_t> bytes)
    {
        uint8_t* out = bytes_;
        if (!bytes.empty()) std::memcpy(out, bytes.data(), bytes.size());
        out[bytes.size()] = 0;
        bytes_ += bytes.size() + 1;
        return out;
    }

    // What was written so far, moved into a block of exactly its size.
    MessagePtr copyOut() const
    {
        const BlockSizes used{static_cast<size_t>(bindings_ - firstBinding_), static_cast<size_t>(words_ - firstWord_),
                              static_cast<size_t>(bytes_ - firstByte_)};
        MessageBlock out(used);
        MessagePtr result(out.message_);
        std::memcpy(static_cast<void*>(out.message_), message_, sizeof(SnmpMessage) + used.bindings * sizeof(SnmpBinding));
        if (used.words) std::memcpy(out.firstWord_, firstWord_, used.words * 4);
        if (used.bytes) std::memcpy(out.firstByte_, firstByte_, used.bytes);

        auto binding = [&](SnmpBinding* p) { return p ? out.firstBinding_ + (p - firstBinding_) : nullptr; };
        auto words = [&](const void* p) {
            return p ? out.firstWord_ + (static_cast<const uint32_t*>(p) - firstWord_) : nullptr;
        };
        auto bytes = [&](const void* p) {
            return p ? out.firstByte_ + (static_cast<const uint8_t*>(p) - firstByte_) : nullptr;
        };
        SnmpMessage* m = out.message_;
        m->community = reinterpret_cast<char*>(bytes(m->community));
        m->enterprise = words(m->enterprise);
        m->variables = binding(m->variables);
        for (SnmpBinding* b = m->variables; b; b = b->next) {
            b->next = binding(b->next);
            b->name = words(b->name);
            bool inBytes = b->type == kTagOctets || b->type == kTagIpAddress;
            b->value = inBytes ? bytes(b->value) : reinterpret_cast<uint8_t*>(words(b->value));
        }
        return result;
    }

private:
    void layout(uint8_t* base, const BlockSizes& sizes)
    {
        static_assert(alignof(SnmpBinding) <= alignof(SnmpMessage) && sizeof(SnmpMessage) % alignof(SnmpBinding) == 0);
        message_ = new (base) SnmpMessage{};
        bindings_ = firstBinding_ = reinterpret_cast<SnmpBinding*>(base + sizeof(SnmpMessage));
        words_ = firstWord_ = reinterpret_cast<uint32_t*>(bindings_ + sizes.bindings);
        bytes_ = firstByte_ = reinterpret_cast<uint8_t*>(words_ + sizes.words);
    }

    SnmpMessage* message_;
    SnmpBinding* firstBinding_;
    SnmpBinding* bindings_;
    uint32_t* firstWord_;
    uint32_t* words_;
    uint8_t* firstByte_;
    uint8_t* bytes_;
};

// Room for the arcs of an encoded identifier: each takes at least one byte
// and the first byte holds two.
size_t arcBound(std::span<const uint8_t> content) { return content.empty() ? 2 : content.size() + 1; }

// Room for the arcs of a dotted name: each takes a digit and a separator.
size_t arcBound(size_t textLength) { return std::min((textLength + 1) / 2, kMaxArcs); }

// Decodes an identifier's content into the block; false when it is malformed.
bool decodeOidInto(MessageBlock& block, std::span<const uint8_t> content, size_t& count)
{
    size_t limit = std::min(arcBound(content), kMaxArcs);
    if (!BerReader::decodeOid(content, block.nextWords(), limit, count)) return false;
    block.advanceWords(count);
    return true;
}

// One walk over a datagram, run twice: first (kFill false) to check the
// structure and size the block, then to decode into it.
template <bool kFill>
bool decodeMessage(std::span<const uint8_t> data, int32_t expectedVersion, BlockSizes& sizes, MessageBlock* block)
{
    SnmpMessage* msg = kFill ? block->message() : nullptr;
    BerReader datagram(data);
    BerReader message = datagram.enter(kTagSequence);
    int32_t version = -1;
    if (!message.readInt(version) || version != expectedVersion) return false;
    const bool v2c = version == kVersion2c;
    if constexpr (kFill) msg->version = version;
    std::span<const uint8_t> community;
    if (!message.readOctets(kTagOctets, kMaxCommunityDecoded, community)) return false;
    if constexpr (kFill) {
        msg->community = reinterpret_cast<char*>(block->copyBytes(community));
        msg->communityLength = static_cast<int32_t>(community.size());
    } else {
        sizes.bytes += community.size() + 1;
    }

    uint8_t pduType = 0;
    std::span<const uint8_t> pduContent;
    if (!message.readElement(pduType, pduContent)) return false;
    BerReader pdu(pduContent);
    int32_t ignored = 0;
    int32_t* requestId = kFill ? &msg->requestId : &ignored;
    int32_t* errorStatus = kFill ? &msg->errorStatus : &ignored;
    int32_t* errorIndex = kFill ? &msg->errorIndex : &ignored;
    if (pduType == kPduTrap) {
        // The v1 trap layout has no place in a v2c message.
        if (v2c) return false;
        std::span<const uint8_t> enterprise, agent;
        uint32_t timeStamp = 0;
        int32_t* genericTrap = kFill ? &msg->genericTrap : &ignored;
        int32_t* specificTrap = kFill ? &msg->specificTrap : &ignored;
        if (!pdu.readContent(kTagOid, enterprise) || !pdu.readOctets(kTagIpAddress, 4, agent)
            || !pdu.readInt(*genericTrap) || !pdu.readInt(*specificTrap) || !pdu.readUnsigned(kTagTimeTicks, timeStamp))
            return false;
        if constexpr (kFill) {
            size_t count = 0;
            msg->enterprise = block->nextWords();
            if (!decodeOidInto(*block, enterprise, count)) return false;
            msg->enterpriseLength = static_cast<int32_t>(count);
            if (!agent.empty()) std::memcpy(msg->agentAddress, agent.data(), agent.size());
            msg->timeStamp = timeStamp;
        } else {
            sizes.words += arcBound(enterprise);
        }
    } else if (!pdu.readInt(*requestId) || !pdu.readInt(*errorStatus) || !pdu.readInt(*errorIndex)) {
        return false;
    }
    if constexpr (kFill) msg->pduType = pduType;

    BerReader list = pdu.enter(kTagSequence);
    SnmpBinding** tail = kFill ? &msg->variables : nullptr;
    while (!list.atEnd()) {
        BerReader binding = list.enter(kTagSequence);
        std::span<const uint8_t> name, content;
        uint8_t tag = 0;
        if (!binding.readContent(kTagOid, name) || !binding.readElement(tag, content)) return false;
        if constexpr (!kFill) {
            ++sizes.bindings;
            sizes.words += arcBound(name);
            switch (tag) {
            case kTagInteger:
            case kTagCounter:
            case kTagGauge:
            case kTagTimeTicks:
                sizes.words += 1;
                break;
            case kTagOctets:
            case kTagIpAddress:
                sizes.bytes += content.size() + 1;
                break;
            case kTagOid:
                sizes.words += arcBound(content);
                break;
            case kTagCounter64:
                if (v2c) sizes.words += 2;
                break;
            default:
                break;
            }
        } else {
            SnmpBinding* b = block->binding();
            *tail = b;
            tail = &b->next;
            size_t count = 0;
            b->name = block->nextWords();
            if (!decodeOidInto(*block, name, count)) return false;
            b->nameLength = static_cast<int32_t>(count);
            b->type = tag;
            switch (tag) {
            case kTagInteger: {
                int32_t v = 0;
                if (!BerReader::decodeInt(content, v)) return false;
                b->value = block->word(static_cast<uint32_t>(v));
                b->valueLength = 4;
                break;
            }
            case kTagCounter:
            case kTagGauge:
            case kTagTimeTicks: {
                uint32_t v = 0;
                if (!BerReader::decodeUnsigned(content, v)) return false;
                b->value = block->word(v);
                b->valueLength = 4;
                break;
            }
            case kTagOctets:
            case kTagIpAddress:
                b->value = block->copyBytes(content);
                b->valueLength = static_cast<uint32_t>(content.size());
                break;
            case kTagOid: {
                b->value = reinterpret_cast<uint8_t*>(block->nextWords());
                if (!decodeOidInto(*block, content, count)) return false;
                b->valueLength = static_cast<uint32_t>(count * 4);
                break;
            }
            case kTagCounter64:
                if (v2c) {
                    uint64_t v = 0;
                    if (!BerReader::decodeUnsigned64(content, v)) return false;
                    b->value = block->word(0);
                    (void)block->word(0);
                    std::memcpy(b->value, &v, 8);
                    b->valueLength = 8;
                } else {
                    // SNMPv1 has no Counter64: kept as an unknown type, by length.
                    b->valueLength = static_cast<uint32_t>(content.size());
                }
                break;
            default:
                // NULL, Opaque and the exception values keep only their length.
                b->valueLength = static_cast<uint32_t>(content.size());
                break;
            }
        }
    }
    return list.ok();
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
    // The message heads the block that holds everything it owns.
    ::operator delete(static_cast<void*>(message));
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
    if (m.version != kVersion1) return std::nullopt;
    return encodeMessage(m, out);
}

std::optional<size_t> encodeMessage(const SnmpMessage& m, std::span<uint8_t> out)
{
    if (m.version != kVersion1 && m.version != kVersion2c) return std::nullopt;
    const bool v2c = m.version == kVersion2c;
    if (m.communityLength < 0 || static_cast<size_t>(m.communityLength) > kMaxCommunityEncoded) return std::nullopt;
    if (m.communityLength > 0 && !m.community) return std::nullopt;

    size_t listContent = 0;
    for (const SnmpBinding* b = m.variables; b; b = b->next) {
        size_t content = 0;
        if (!bindingContentSize(*b, v2c, content)) return std::nullopt;
        listContent += kFixedSequenceHeader + content;
        if (listContent > kMaxFixedContent) return std::nullopt;
    }

    const bool trap = m.pduType == kPduTrap;
    if (trap && v2c) return std::nullopt;
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
    // Version (three bytes) and the community's two-byte header.
    const size_t messageContent = elementSize(pduContent) + static_cast<size_t>(m.communityLength) + 5;
    if (messageContent > kMaxFixedContent) return std::nullopt;
    const size_t total = kFixedSequenceHeader + messageContent;
    if (total > out.size()) return std::nullopt;

    BerWriter w(out);
    w.writeFixedSequence(messageContent);
    w.writeInt(kTagInteger, m.version);
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
        size_t start = w.beginFixedSequence();
        w.writeOid(kTagOid, b->name, static_cast<size_t>(b->nameLength));
        writeValue(w, *b);
        w.endFixedSequence(start);
    }
    return w.written();
}

MessagePtr parse(std::span<const uint8_t> data, uint32_t sourceAddress)
{
    return decodeMessage(data, sourceAddress, kVersion1);
}

std::optional<int32_t> messageVersion(std::span<const uint8_t> data)
{
    BerReader datagram(data);
    BerReader message = datagram.enter(kTagSequence);
    int32_t version = -1;
    if (!message.readInt(version)) return std::nullopt;
    return version;
}

MessagePtr decodeMessage(std::span<const uint8_t> data, uint32_t sourceAddress, int32_t version)
{
    if (version != kVersion1 && version != kVersion2c) return nullptr;
    if (data.size() <= SNMP_DATAGRAM_SIZE) {
        // One pass into scratch storage sized for the worst case, then one
        // exact copy: every element takes at least two bytes, a binding at
        // least six, so words and bytes never outnumber the input bytes.
        constexpr BlockSizes kWorstCase{SNMP_DATAGRAM_SIZE / 6 + 1, SNMP_DATAGRAM_SIZE + 2, SNMP_DATAGRAM_SIZE + 1};
        alignas(SnmpMessage) uint8_t scratch[sizeof(SnmpMessage) + kWorstCase.bindings * sizeof(SnmpBinding)
                                             + kWorstCase.words * 4 + kWorstCase.bytes];
        static_assert(sizeof(scratch) == MessageBlock::storageSize(kWorstCase));
        BlockSizes unused;
        MessageBlock block(kWorstCase, scratch);
        if (!decodeMessage<true>(data, version, unused, &block)) return nullptr;
        MessagePtr msg = block.copyOut();
        std::memcpy(msg->sourceAddress, &sourceAddress, 4);
        return msg;
    }
    BlockSizes sizes;
    if (!decodeMessage<false>(data, version, sizes, nullptr)) return nullptr;
    MessageBlock block(sizes);
    MessagePtr msg(block.message());
    std::memcpy(msg->sourceAddress, &sourceAddress, 4);
    if (!decodeMessage<true>(data, version, sizes, &block)) return nullptr;
    return msg;
}

bool parseOidText(const char* text, size_t length, uint32_t* arcs, size_t& count)
{
    // Locals only: stores through count or arcs would make the compiler
    // reload the text after every arc.
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    const auto* end = p + length;
    size_t n = 0;
    while (p < end) {
        unsigned digit = *p - unsigned{'0'};
        if (digit > 9) {
            ++p;
            continue;
        }
        const auto* start = p;
        uint64_t v = 0;
        do {
            v = v * 10 + digit;
            ++p;
        } while (p < end && (digit = *p - unsigned{'0'}) <= 9);
        // Ten digits cannot overflow 64 bits, so one check after the run does.
        if (p - start > 10 || v > 0xFFFFFFFFu || n >= kMaxArcs) return false;
        arcs[n++] = static_cast<uint32_t>(v);
    }
    count = n;
    return true;
}

int32_t nextRequestId() noexcept
{
    for (;;) {
        const auto id = static_cast<int32_t>(platform::threadRandomBits() & 0x7FFFFFFFu);
        if (id != 0) return id;
    }
}

MessagePtr simpleToStandard(SnmpSimpleMessage& request)
{
    if (request.variableCount > 0 && !request.variables) return nullptr;
    if (request.community[0] == 0) std::memcpy(request.community, SNMP_DEFAULT_COMMUNITY, sizeof(SNMP_DEFAULT_COMMUNITY));
    const size_t communityLength = strnlen(request.community, sizeof(request.community));

    BlockSizes sizes;
    sizes.bytes = communityLength + 1;
    for (int32_t i = 0; i < request.variableCount; ++i) {
        const SnmpSimpleBinding& simple = request.variables[i];
        ++sizes.bindings;
        sizes.words += arcBound(strnlen(simple.name, kNameTextCapacity));
        if (simple.type == 0) continue;
        if (simple.valueLength < 0 || static_cast<size_t>(simple.valueLength) > kValueCapacity) return nullptr;
        sizes.bytes += static_cast<size_t>(simple.valueLength) + 1;
    }

    MessageBlock block(sizes);
    MessagePtr msg(block.message());
    msg->pduType = request.pduType;
    msg->community = reinterpret_cast<char*>(block.copyBytes({reinterpret_cast<const uint8_t*>(request.community), communityLength}));
    msg->communityLength = static_cast<int32_t>(communityLength);
    msg->requestId = nextRequestId();

    SnmpBinding** tail = &msg->variables;
    for (int32_t i = 0; i < request.variableCount; ++i) {
        const SnmpSimpleBinding& simple = request.variables[i];
        SnmpBinding* b = block.binding();
        *tail = b;
        tail = &b->next;
        size_t count = 0;
        b->name = block.nextWords();
        if (!parseOidText(simple.name, strnlen(simple.name, kNameTextCapacity), b->name, count)) return nullptr;
        block.advanceWords(count);
        b->nameLength = static_cast<int32_t>(count);
        if (simple.type == 0) {
            b->type = kTagNull;
            continue;
        }
        b->type = simple.type;
        b->value = block.copyBytes({simple.value, static_cast<size_t>(simple.valueLength)});
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
