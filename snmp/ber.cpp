// BER reading and writing for SNMPv1 messages.
#include "ber.h"

#include <cassert>
#include <cstring>

namespace netrov::snmp {

bool BerReader::readTag(uint8_t& tag)
{
    if (failed_ || pos_ >= data_.size()) return fail();
    uint8_t byte = data_[pos_];
    if ((byte & 0x1F) == 0x1F) return fail();
    ++pos_;
    tag = byte;
    return true;
}

bool BerReader::readLength(uint32_t& length)
{
    if (failed_ || pos_ >= data_.size()) return fail();
    uint8_t first = data_[pos_++];
    uint32_t value = 0;
    if (first < 0x80) {
        value = first;
    } else {
        size_t count = first & 0x7F;
        // 0x80 is the indefinite form, which SNMP never uses.
        if (count == 0 || count > 4) return fail();
        if (data_.size() - pos_ < count) return fail();
        for (size_t i = 0; i < count; ++i) value = (value << 8) | data_[pos_++];
    }
    if (value > data_.size() - pos_) return fail();
    length = value;
    return true;
}

bool BerReader::readElement(uint8_t& tag, std::span<const uint8_t>& content)
{
    uint32_t length = 0;
    if (!readTag(tag) || !readLength(length)) return false;
    content = data_.subspan(pos_, length);
    pos_ += length;
    return true;
}

bool BerReader::expect(uint8_t tag, std::span<const uint8_t>& content)
{
    uint8_t actual = 0;
    if (!readElement(actual, content)) return false;
    if (actual != tag) return fail();
    return true;
}

bool BerReader::readInt(int32_t& value)
{
    std::span<const uint8_t> content;
    if (!expect(kTagInteger, content)) return false;
    if (!decodeInt(content, value)) return fail();
    return true;
}

bool BerReader::readUnsigned(uint8_t tag, uint32_t& value)
{
    std::span<const uint8_t> content;
    if (!expect(tag, content)) return false;
    if (!decodeUnsigned(content, value)) return fail();
    return true;
}

bool BerReader::readOctets(uint8_t tag, size_t maxLength, std::span<const uint8_t>& out)
{
    std::span<const uint8_t> content;
    if (!expect(tag, content)) return false;
    if (content.size() > maxLength) return fail();
    out = content;
    return true;
}

bool BerReader::readOid(uint32_t* arcs, size_t maxArcs, size_t& count)
{
    std::span<const uint8_t> content;
    if (!expect(kTagOid, content)) return false;
    if (!decodeOid(content, arcs, maxArcs, count)) return fail();
    return true;
}

BerReader BerReader::enter(uint8_t tag)
{
    std::span<const uint8_t> content;
    BerReader child(content);
    if (!expect(tag, content)) {
        child.failed_ = true;
        return child;
    }
    return BerReader(content);
}

bool BerReader::decodeInt(std::span<const uint8_t> content, int32_t& value)
{
    if (content.empty() || content.size() > 4) return false;
    // Sign-extend from the first byte, then shift the rest in.
    uint32_t v = (content[0] & 0x80) ? 0xFFFFFFFFu : 0u;
    for (uint8_t byte : content) v = (v << 8) | byte;
    value = static_cast<int32_t>(v);
    return true;
}

bool BerReader::decodeUnsigned(std::span<const uint8_t> content, uint32_t& value)
{
    if (content.empty() || content.size() > 5) return false;
    if (content.size() == 5 && content[0] != 0) return false;
    // Agents that forget the leading zero still mean the unsigned value;
    // sign extension keeps all 32 bits of what they sent.
    uint32_t v = (content[0] & 0x80) ? 0xFFFFFFFFu : 0u;
    for (uint8_t byte : content) v = (v << 8) | byte;
    value = v;
    return true;
}

bool BerReader::decodeOid(std::span<const uint8_t> content, uint32_t* arcs, size_t maxArcs, size_t& count)
{
    if (maxArcs < 2) return false;
    count = 0;
    if (content.empty()) {
        arcs[0] = 0;
        arcs[1] = 0;
        count = 2;
        return true;
    }
    size_t pos = 0;
    bool first = true;
    while (pos < content.size()) {
        uint64_t v = 0;
        bool done = false;
        while (pos < content.size()) {
            uint8_t byte = content[pos++];
            v = (v << 7) | (byte & 0x7F);
            if (v > 0xFFFFFFFFu) return false;
            if (!(byte & 0x80)) {
                done = true;
                break;
            }
        }
        if (!done) return false;
        auto arc = static_cast<uint32_t>(v);
        if (first) {
            first = false;
            if (arc == 43) {
                arcs[0] = 1;
                arcs[1] = 3;
            } else {
                arcs[0] = arc / 40;
                arcs[1] = arc % 40;
            }
            count = 2;
        } else {
            if (count >= maxArcs) return false;
            arcs[count++] = arc;
        }
    }
    return true;
}

size_t lengthSize(size_t length)
{
    if (length < 0x80) return 1;
    if (length <= 0xFF) return 2;
    if (length <= 0xFFFF) return 3;
    if (length <= 0xFFFFFF) return 4;
    return 5;
}

size_t elementSize(size_t contentLength) { return 1 + lengthSize(contentLength) + contentLength; }

size_t intContentSize(int32_t value)
{
    auto v = static_cast<uint32_t>(value);
    size_t size = 4;
    // Drop a leading byte while the top nine bits are all equal.
    while (size > 1) {
        uint32_t top = v & 0xFF800000u;
        if (top != 0 && top != 0xFF800000u) break;
        v <<= 8;
        --size;
    }
    return size;
}

size_t unsignedContentSize(uint32_t value)
{
    size_t size = 1;
    while (size < 4 && (value >> (8 * size)) != 0) ++size;
    // A set top bit would read back as negative: prefix a zero byte.
    if ((value >> (8 * (size - 1))) & 0x80) ++size;
    return size;
}

namespace {
size_t base128Size(uint64_t value)
{
    size_t size = 1;
    while (value >>= 7) ++size;
    return size;
}
}  // namespace

size_t oidContentSize(const uint32_t* arcs, size_t count)
{
    if (count < 2) return 1;
    uint64_t firstTwo = uint64_t{40} * arcs[0] + arcs[1];
    if (firstTwo > 0xFFFFFFFFu) return 0;
    size_t size = base128Size(firstTwo);
    for (size_t i = 2; i < count; ++i) size += base128Size(arcs[i]);
    return size;
}

void BerWriter::writeLength(size_t length)
{
    size_t size = lengthSize(length);
    if (size == 1) {
        put(static_cast<uint8_t>(length));
        return;
    }
    put(static_cast<uint8_t>(0x80 | (size - 1)));
    for (size_t i = size - 1; i > 0; --i) put(static_cast<uint8_t>(length >> (8 * (i - 1))));
}

void BerWriter::writeHeader(uint8_t tag, size_t contentLength)
{
    assert(pos_ + 1 + lengthSize(contentLength) <= out_.size());
    put(tag);
    writeLength(contentLength);
}

void BerWriter::writeFixedSequence(size_t contentLength)
{
    assert(contentLength <= 0xFFFF && pos_ + 4 <= out_.size());
    put(0x30);
    put(0x82);
    put(static_cast<uint8_t>(contentLength >> 8));
    put(static_cast<uint8_t>(contentLength));
}

void BerWriter::writeInt(uint8_t tag, int32_t value)
{
    size_t size = intContentSize(value);
    writeHeader(tag, size);
    auto v = static_cast<uint32_t>(value);
    for (size_t i = size; i > 0; --i) put(static_cast<uint8_t>(v >> (8 * (i - 1))));
}

void BerWriter::writeUnsigned(uint8_t tag, uint32_t value)
{
    size_t size = unsignedContentSize(value);
    writeHeader(tag, size);
    uint64_t v = value;
    for (size_t i = size; i > 0; --i) put(static_cast<uint8_t>(v >> (8 * (i - 1))));
}

void BerWriter::writeOctets(uint8_t tag, const uint8_t* data, size_t size)
{
    writeHeader(tag, size);
    assert(pos_ + size <= out_.size());
    if (size) std::memcpy(out_.data() + pos_, data, size);
    pos_ += size;
}

void BerWriter::writeBase128(uint64_t value)
{
    size_t size = base128Size(value);
    for (size_t i = size; i > 0; --i) {
        auto group = static_cast<uint8_t>((value >> (7 * (i - 1))) & 0x7F);
        put(i > 1 ? static_cast<uint8_t>(group | 0x80) : group);
    }
}

void BerWriter::writeOid(uint8_t tag, const uint32_t* arcs, size_t count)
{
    size_t size = oidContentSize(arcs, count);
    writeHeader(tag, size);
    assert(pos_ + size <= out_.size());
    if (count < 2) {
        put(0);
        return;
    }
    writeBase128(uint64_t{40} * arcs[0] + arcs[1]);
    for (size_t i = 2; i < count; ++i) writeBase128(arcs[i]);
}

}  // namespace netrov::snmp
