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
inline constexpr size_t kMaxArcs = 128;
inline constexpr size_t kMaxEncodedOid = 512;

// Reads elements front to back. Every read checks that it stays inside the
// bytes the reader was given; after the first failure every read fails, so
// callers may test once at the end of a group of reads.
class BerReader {
public:
    BerReader() = default;
    explicit BerReader(std::span<const uint8_t> data) : data_(data) {}

    [[nodiscard]] bool ok() const { return !failed_; }
    [[nodiscard]] bool atEnd() const { return failed_ || pos_ == data_.size(); }
    [[nodiscard]] size_t remaining() const { return failed_ ? 0 : data_.size() - pos_; }

    // One identifier octet; high tag numbers (low five bits all set) fail.
    [[nodiscard]] bool readTag(uint8_t& tag);
    // Definite length, short or long form with 1 to 4 bytes; the length must
    // fit in what remains.
    [[nodiscard]] bool readLength(uint32_t& length);
    // Tag and length of the next element, and a view of its content.
    [[nodiscard]] bool readElement(uint8_t& tag, std::span<const uint8_t>& content);
    // The next element must carry the expected tag.
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
    [[nodiscard]] static bool decodeOid(std::span<const uint8_t> content, uint32_t* arcs, size_t maxArcs,
                                        size_t& count);

private:
    bool fail()
    {
        failed_ = true;
        return false;
    }
    [[nodiscard]] bool expect(uint8_t tag, std::span<const uint8_t>& content);

    std::span<const uint8_t> data_;
    size_t pos_ = 0;
    bool failed_ = false;
};

// Sizes of encodings, so a message's size is known before a byte is written.
size_t lengthSize(size_t length);
size_t elementSize(size_t contentLength);  // header + content
size_t intContentSize(int32_t value);
size_t unsignedContentSize(uint32_t value);
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
    void writeInt(uint8_t tag, int32_t value);
    void writeUnsigned(uint8_t tag, uint32_t value);
    void writeOctets(uint8_t tag, const uint8_t* data, size_t size);
    void writeOid(uint8_t tag, const uint32_t* arcs, size_t count);

private:
    void put(uint8_t byte) { out_[pos_++] = byte; }
    void writeLength(size_t length);
    void writeBase128(uint64_t value);

    std::span<uint8_t> out_;
    size_t pos_ = 0;
};

}  // namespace netrov::snmp
