// BER primitives: a bounds-checked reader over received bytes and a writer
// that is handed exact sizes computed beforehand.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace netrov::snmp {

inline constexpr uint8_t kTagInteger = 0x02;
inline constexpr uint8_t kTagOctets = 0x04;
inline constexpr uint8_t kTagNull = 0x05;
inline constexpr uint8_t kTagOid = 0x06;
inline constexpr uint8_t kTagSequence = 0x30;
inline constexpr uint8_t kTagIpAddress = 0x40;
inline constexpr uint8_t kTagCounter = 0x41;
inline constexpr uint8_t kTagGauge = 0x42;
inline constexpr uint8_t kTagTimeTicks = 0x43;
inline constexpr uint8_t kTagCounter64 = 0x46;
// The exception values of SNMPv2 replies, in place of a value; no content.
inline constexpr uint8_t kTagNoSuchObject = 0x80;
inline constexpr uint8_t kTagNoSuchInstance = 0x81;
inline constexpr uint8_t kTagEndOfMibView = 0x82;
inline constexpr size_t kMaxArcs = 128;
inline constexpr size_t kMaxEncodedOid = 512;

// Reads elements front to back. Every read checks that it stays inside the
// bytes the reader was given; after the first failure every read fails, so
// callers may test once at the end of a group of reads.
class BerReader {
public:
    BerReader() = default;
    explicit BerReader(std::span<const uint8_t> data) : p_(data.data()), end_(data.data() + data.size()) {}

    [[nodiscard]] bool ok() const { return !failed_; }
    [[nodiscard]] bool atEnd() const { return p_ == end_; }
    [[nodiscard]] size_t remaining() const { return static_cast<size_t>(end_ - p_); }

    // One identifier octet; high tag numbers (low five bits all set) fail.
    [[nodiscard]] bool readTag(uint8_t& tag);
    // Definite length, short or long form with 1 to 4 bytes; the length must
    // fit in what remains.
    [[nodiscard]] bool readLength(uint32_t& length);
    // Tag and length of the next element, and a view of its content.
    [[nodiscard]] bool readElement(uint8_t& tag, std::span<const uint8_t>& content);
    // The next element must carry the expected tag.
    [[nodiscard]] bool readContent(uint8_t tag, std::span<const uint8_t>& content);
    [[nodiscard]] bool readInt(int32_t& value);
    [[nodiscard]] bool readUnsigned(uint8_t tag, uint32_t& value);
    [[nodiscard]] bool readOctets(uint8_t tag, size_t maxLength, std::span<const uint8_t>& out);
    // Decodes into arcs (room for maxArcs); count is the number of arcs.
    [[nodiscard]] bool readOid(uint32_t* arcs, size_t maxArcs, size_t& count);
    // A reader over the content of the next element, which must carry tag.
    // On failure the child reader is failed as well.
    [[nodiscard]] BerReader enter(uint8_t tag);

    // Content decoders, shared with the element readers.
    [[nodiscard]] static bool decodeInt(std::span<const uint8_t> content, int32_t& value);
    [[nodiscard]] static bool decodeUnsigned(std::span<const uint8_t> content, uint32_t& value);
    // Counter64: up to eight value bytes, a ninth only as a leading zero.
    [[nodiscard]] static bool decodeUnsigned64(std::span<const uint8_t> content, uint64_t& value);
    [[nodiscard]] static bool decodeOid(std::span<const uint8_t> content, uint32_t* arcs, size_t maxArcs,
                                        size_t& count);

private:
    // A failed reader has nothing left, so every later read fails on its
    // bounds check alone.
    bool fail()
    {
        failed_ = true;
        p_ = end_;
        return false;
    }

    const uint8_t* p_ = nullptr;
    const uint8_t* end_ = nullptr;
    bool failed_ = false;
};

inline bool BerReader::readTag(uint8_t& tag)
{
    if (p_ == end_ || (*p_ & 0x1F) == 0x1F) return fail();
    tag = *p_++;
    return true;
}

inline bool BerReader::readLength(uint32_t& length)
{
    if (p_ == end_) return fail();
    uint32_t value = *p_++;
    if (value >= 0x80) {
        size_t count = value & 0x7F;
        // 0x80 is the indefinite form, which SNMP never uses.
        if (count == 0 || count > 4 || static_cast<size_t>(end_ - p_) < count) return fail();
        value = 0;
        for (size_t i = 0; i < count; ++i) value = (value << 8) | *p_++;
    }
    if (value > static_cast<size_t>(end_ - p_)) return fail();
    length = value;
    return true;
}

inline bool BerReader::readElement(uint8_t& tag, std::span<const uint8_t>& content)
{
    uint32_t length = 0;
    if (!readTag(tag) || !readLength(length)) return false;
    content = {p_, length};
    p_ += length;
    return true;
}

inline bool BerReader::readContent(uint8_t tag, std::span<const uint8_t>& content)
{
    uint8_t actual = 0;
    if (!readElement(actual, content)) return false;
    if (actual != tag) return fail();
    return true;
}

inline bool BerReader::readInt(int32_t& value)
{
    // The short form of one to four content bytes, as every agent sends it.
    if (end_ - p_ >= 3 && p_[0] == kTagInteger && p_[1] >= 1 && p_[1] <= 4 && end_ - p_ - 2 >= p_[1]) {
        const uint8_t* c = p_ + 2;
        const uint8_t* end = c + p_[1];
        uint32_t v = (*c & 0x80) ? 0xFFFFFFFFu : 0u;
        while (c < end) v = (v << 8) | *c++;
        value = static_cast<int32_t>(v);
        p_ = end;
        return true;
    }
    std::span<const uint8_t> content;
    if (!readContent(kTagInteger, content)) return false;
    if (!decodeInt(content, value)) return fail();
    return true;
}

inline bool BerReader::readUnsigned(uint8_t tag, uint32_t& value)
{
    std::span<const uint8_t> content;
    if (!readContent(tag, content)) return false;
    if (!decodeUnsigned(content, value)) return fail();
    return true;
}

inline bool BerReader::readOctets(uint8_t tag, size_t maxLength, std::span<const uint8_t>& out)
{
    std::span<const uint8_t> content;
    if (!readContent(tag, content)) return false;
    if (content.size() > maxLength) return fail();
    out = content;
    return true;
}

inline bool BerReader::readOid(uint32_t* arcs, size_t maxArcs, size_t& count)
{
    std::span<const uint8_t> content;
    if (!readContent(kTagOid, content)) return false;
    if (!decodeOid(content, arcs, maxArcs, count)) return fail();
    return true;
}

inline BerReader BerReader::enter(uint8_t tag)
{
    std::span<const uint8_t> content;
    if (!readContent(tag, content)) {
        BerReader child;
        child.failed_ = true;
        return child;
    }
    return BerReader(content);
}

inline bool BerReader::decodeInt(std::span<const uint8_t> content, int32_t& value)
{
    if (content.empty() || content.size() > 4) return false;
    // Sign-extend from the first byte, then shift the rest in.
    uint32_t v = (content[0] & 0x80) ? 0xFFFFFFFFu : 0u;
    for (uint8_t byte : content) v = (v << 8) | byte;
    value = static_cast<int32_t>(v);
    return true;
}

inline bool BerReader::decodeUnsigned(std::span<const uint8_t> content, uint32_t& value)
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

inline bool BerReader::decodeUnsigned64(std::span<const uint8_t> content, uint64_t& value)
{
    if (content.empty() || content.size() > 9) return false;
    if (content.size() == 9 && content[0] != 0) return false;
    // As decodeUnsigned: a missing leading zero still means the unsigned value.
    uint64_t v = (content[0] & 0x80) ? ~uint64_t{0} : 0u;
    for (uint8_t byte : content) v = (v << 8) | byte;
    value = v;
    return true;
}

// Sizes of encodings, so a message's size is known before a byte is written.
size_t lengthSize(size_t length);
size_t elementSize(size_t contentLength);  // header + content
size_t intContentSize(int32_t value);
size_t unsignedContentSize(uint32_t value);
size_t unsigned64ContentSize(uint64_t value);
// Zero when the identifier cannot be encoded (first arcs overflow).
size_t oidContentSize(const uint32_t* arcs, size_t count);

// Writes into a buffer already known to be large enough; the asserting
// bounds check only catches mistakes in the size computation.
class BerWriter {
public:
    explicit BerWriter(std::span<uint8_t> out) : out_(out) {}

    size_t written() const { return pos_; }
    void writeHeader(uint8_t tag, size_t contentLength);
    // 0x30 0x82 and two length bytes, whatever the length (below 65536).
    void writeFixedSequence(size_t contentLength);
    // A fixed sequence header whose length endFixedSequence fills in once
    // the content is written.
    size_t beginFixedSequence();
    void endFixedSequence(size_t start);
    void writeInt(uint8_t tag, int32_t value);
    void writeUnsigned(uint8_t tag, uint32_t value);
    void writeUnsigned64(uint8_t tag, uint64_t value);
    void writeOctets(uint8_t tag, const uint8_t* data, size_t size);
    void writeOid(uint8_t tag, const uint32_t* arcs, size_t count);

private:
    void put(uint8_t byte) { out_[pos_++] = byte; }
    void writeLength(size_t length);

    std::span<uint8_t> out_;
    size_t pos_ = 0;
};

}  // namespace netrov::snmp
