// SNMPv1 messages: encoding, decoding and the two record forms.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "netrov/zomsnmp.h"

namespace netrov::snmp {

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

// Encodes message into out; the size written, or none when the message is
// not encodable or does not fit.
std::optional<size_t> build(const SnmpMessage& message, std::span<uint8_t> out);

// Decodes one datagram; none when it is not a whole SNMPv1 message.
// sourceAddress is in network order. Throws std::bad_alloc.
MessagePtr parse(std::span<const uint8_t> data, uint32_t sourceAddress);

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
