// BER reading and writing for SNMP messages.
#include "ber.h"

#include <cassert>
#include <cstring>

namespace netrov::snmp {

namespace {

// One base-128 subidentifier starting at p; false when it runs past end or
// beyond 32 bits.
inline bool readSubidentifier(const uint8_t*& p, const uint8_t* end, uint32_t& arc)
{
    uint32_t byte = *p++;
    if (byte < 0x80) {
        arc = byte;
        return true;
    }
    uint64_t v = byte & 0x7F;
    for (;;) {
        if (p == end) return false;
        byte = *p++;
        v = (v << 7) | (byte & 0x7F);
        if (v > 0xFFFFFFFFu) return false;
        if (byte < 0x80) break;
    }
    arc = static_cast<uint32_t>(v);
    return true;
}

}  // namespace

bool BerReader::decodeOid(std::span<const uint8_t> content, uint32_t* arcs, size_t maxArcs, size_t& count)
{
    if (maxArcs < 2) return false;
    if (content.empty()) {
        arcs[0] = 0;
        arcs[1] = 0;
        count = 2;
        return true;
    }
    const uint8_t* p = content.data();
    const uint8_t* end = p + content.size();
    uint32_t first = 0;
    if (!readSubidentifier(p, end, first)) return false;
    if (first == 43) {
        arcs[0] = 1;
        arcs[1] = 3;
    } else {
        arcs[0] = first / 40;
        arcs[1] = first % 40;
    }
    size_t n = 2;
    while (p < end) {
        if (n >= maxArcs) return false;
        if (*p < 0x80) {
            arcs[n++] = *p++;
        } else {
            if (!readSubidentifier(p, end, arcs[n])) return false;
            ++n;
        }
    }
    count = n;
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
    // Shortest two's complement form: a byte more for every 8 bits of magnitude.
    if (value >= -0x80 && value < 0x80) return 1;
    if (value >= -0x8000 && value < 0x8000) return 2;
    if (value >= -0x800000 && value < 0x800000) return 3;
    return 4;
}

size_t unsignedContentSize(uint32_t value)
{
    size_t size = 1;
    while (size < 4 && (value >> (8 * size)) != 0) ++size;
    // A set top bit would read back as negative: prefix a zero byte.
    if ((value >> (8 * (size - 1))) & 0x80) ++size;
    return size;
}

size_t unsigned64ContentSize(uint64_t value)
{
    size_t size = 1;
    while (size < 8 && (value >> (8 * size)) != 0) ++size;
    if ((value >> (8 * (size - 1))) & 0x80) ++size;
    return size;
}

namespace {
size_t base128Size(uint64_t value)
{
    if (value < 0x80) return 1;
    size_t size = 1;
    while (value >>= 7) ++size;
    return size;
}
}  // namespace

namespace {
// True when every arc fits one byte, as in nearly every name a printer
// is asked for: the content is then the arcs themselves, one byte each.
bool smallArcs(const uint32_t* arcs, size_t count)
{
    uint32_t any = 0;
    for (size_t i = 2; i < count; ++i) any |= arcs[i];
    return any < 0x80 && arcs[0] < 3 && arcs[1] < 40 && 40 * arcs[0] + arcs[1] < 0x80;
}
}  // namespace

size_t oidContentSize(const uint32_t* arcs, size_t count)
{
    if (count < 2) return 1;
    if (smallArcs(arcs, count)) return count - 1;
    uint64_t firstTwo = uint64_t{40} * arcs[0] + arcs[1];
    if (firstTwo > 0xFFFFFFFFu) return 0;
    size_t size = base128Size(firstTwo);
    for (size_t i = 2; i < count; ++i) {
        uint32_t a = arcs[i];
        size += a < 0x80 ? 1 : base128Size(a);
    }
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

void BerWriter::writeUnsigned64(uint8_t tag, uint64_t value)
{
    size_t size = unsigned64ContentSize(value);
    writeHeader(tag, size);
    for (size_t i = size; i > 0; --i) put(i > 8 ? 0 : static_cast<uint8_t>(value >> (8 * (i - 1))));
}

void BerWriter::writeOctets(uint8_t tag, const uint8_t* data, size_t size)
{
    writeHeader(tag, size);
    assert(pos_ + size <= out_.size());
    if (size) std::memcpy(out_.data() + pos_, data, size);
    pos_ += size;
}

void BerWriter::writeOid(uint8_t tag, const uint32_t* arcs, size_t count)
{
    if (count >= 2 && count - 1 <= kMaxEncodedOid && smallArcs(arcs, count)) {
        writeHeader(tag, count - 1);
        assert(pos_ + count - 1 <= out_.size());
        uint8_t* p = out_.data() + pos_;
        *p++ = static_cast<uint8_t>(40 * arcs[0] + arcs[1]);
        for (size_t i = 2; i < count; ++i) *p++ = static_cast<uint8_t>(arcs[i]);
        pos_ += count - 1;
        return;
    }
    // Encoded once into a scratch area, then copied behind its header; the
    // sizing pass has capped the size.
    uint8_t content[kMaxEncodedOid + 10];
    size_t n = 0;
    auto pushLong = [&](uint64_t v) {
        for (size_t i = base128Size(v); i > 1; --i) content[n++] = static_cast<uint8_t>(((v >> (7 * (i - 1))) & 0x7F) | 0x80);
        content[n++] = static_cast<uint8_t>(v & 0x7F);
    };
    if (count < 2) {
        content[n++] = 0;
    } else {
        uint64_t first = uint64_t{40} * arcs[0] + arcs[1];
        if (first < 0x80) {
            content[n++] = static_cast<uint8_t>(first);
        } else {
            pushLong(first);
        }
        for (size_t i = 2; i < count && n <= kMaxEncodedOid; ++i) {
            uint32_t a = arcs[i];
            if (a < 0x80) {
                content[n++] = static_cast<uint8_t>(a);
            } else {
                pushLong(a);
            }
        }
    }
    assert(n <= kMaxEncodedOid);
    writeOctets(tag, content, n);
}

size_t BerWriter::beginFixedSequence()
{
    size_t start = pos_;
    writeFixedSequence(0);
    return start;
}

void BerWriter::endFixedSequence(size_t start)
{
    size_t length = pos_ - start - 4;
    assert(length <= 0xFFFF);
    out_[start + 2] = static_cast<uint8_t>(length >> 8);
    out_[start + 3] = static_cast<uint8_t>(length);
}

}  // namespace netrov::snmp
