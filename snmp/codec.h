// SNMPv1 and SNMPv2c messages: encoding, decoding and the two record forms.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "netrov/zomsnmp.h"

namespace netrov::snmp {

// The version field as it travels.
inline constexpr int32_t kVersion1 = 0;
inline constexpr int32_t kVersion2c = 1;

// SNMPv2 PDU types beside the SNMP_PDU_* ones. A GetBulk request keeps its
// non-repeaters in errorStatus and its max-repetitions in errorIndex, the
// fields in the same place on the wire.
inline constexpr uint8_t kPduGetBulk = 0xA5;
inline constexpr uint8_t kPduInform = 0xA6;
inline constexpr uint8_t kPduTrapV2 = 0xA7;
inline constexpr uint8_t kPduReport = 0xA8;

// The error statuses a walk acts on.
inline constexpr int32_t kErrorTooBig = 1;
inline constexpr int32_t kErrorNoSuchName = 2;

// Frees a message made by parse or simpleToStandard, which keep a message
// and everything it owns in one block; accepts null.
void freeMessage(SnmpMessage* message) noexcept;
void freeMessageList(SnmpMessageList* list) noexcept;

struct MessageDeleter {
    void operator()(SnmpMessage* message) const noexcept { freeMessage(message); }
};
using MessagePtr = std::unique_ptr<SnmpMessage, MessageDeleter>;

struct MessageListDeleter {
    void operator()(SnmpMessageList* list) const noexcept { freeMessageList(list); }
};
using MessageListPtr = std::unique_ptr<SnmpMessageList, MessageListDeleter>;

// Encodes an SNMPv1 message (version 0) into out; the size written, or none
// when the message is not encodable or does not fit.
std::optional<size_t> build(const SnmpMessage& message, std::span<uint8_t> out);

// Decodes one datagram; none when it is not a whole SNMPv1 message.
// sourceAddress is in network order. Throws std::bad_alloc.
MessagePtr parse(std::span<const uint8_t> data, uint32_t sourceAddress);

// Encodes an SNMPv1 or SNMPv2c message (by message.version). Beyond what
// build takes, v2c carries Counter64 values (valueLength 8, a uint64_t in
// host order) and the exception values (no value); v1 refuses both, and v2c
// refuses the v1 Trap. None when not encodable or when it does not fit.
std::optional<size_t> encodeMessage(const SnmpMessage& message, std::span<uint8_t> out);

// Decodes a whole message of exactly the given version, none otherwise.
// A v2c message holds Counter64 values as encodeMessage takes them and the
// exception values with no value; in a v1 message a Counter64 keeps only its
// length, as any type v1 does not know. Throws std::bad_alloc.
MessagePtr decodeMessage(std::span<const uint8_t> data, uint32_t sourceAddress, int32_t version);

// The version field of a datagram, when it starts like a message.
std::optional<int32_t> messageVersion(std::span<const uint8_t> data);

// Builds a request from the simple form, filling an empty community with
// the default. None when a name or value is unusable. Throws std::bad_alloc.
MessagePtr simpleToStandard(SnmpSimpleMessage& request);

// Fills simple from a decoded reply; false when a binding does not fit.
bool standardToSimple(const SnmpMessage& reply, SnmpSimpleMessage& simple);

// A fresh request id for every request: 1 to 2^31 - 1, drawn from this
// thread's keystream (keyed once from the system's random source), so that a
// host which cannot see the request cannot guess the id its answer must
// carry, and no request pays for a system call.
int32_t nextRequestId() noexcept;

// Parses dotted decimal text into arcs; none past kMaxArcs or on an arc
// beyond 32 bits. Any non-digit separates arcs.
bool parseOidText(const char* text, size_t length, uint32_t* arcs, size_t& count);

}  // namespace netrov::snmp
