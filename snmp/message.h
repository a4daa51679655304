// The message layer: how a PDU travels in one version with one security model.
//
// The engine, the walks and the sweep hand a PDU (an SnmpMessage whose
// pduType, requestId, errorStatus, errorIndex and variables are set) to a
// MessageModel, which wraps it into the bytes of a message and unwraps the
// bytes of a reply into a PDU or a named reason why they are none. The
// community-based v1 and v2c share CommunityModel; the user-based model of
// v3 is another MessageModel with the same three calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "codec.h"

namespace netrov::snmp {

enum class UnwrapStatus {
    Ok,
    Malformed,     // not a whole message
    OtherVersion,  // a whole message of another version than the model's
};

struct Unwrapped {
    UnwrapStatus status = UnwrapStatus::Malformed;
    MessagePtr message;  // set exactly when status is Ok
};

class MessageModel {
public:
    virtual ~MessageModel() = default;

    // The version field of the messages this model writes and accepts.
    virtual int32_t version() const noexcept = 0;
    // Writes pdu as a message into out; the model supplies version and
    // security (pdu.version and pdu.community are not read). None when the
    // PDU is not encodable in this version or does not fit.
    virtual std::optional<size_t> wrap(const SnmpMessage& pdu, std::span<uint8_t> out) const = 0;
    // Reads one datagram; sourceAddress is in network order. Throws
    // std::bad_alloc.
    virtual Unwrapped unwrap(std::span<const uint8_t> data, uint32_t sourceAddress) const = 0;
    // Whether an unwrapped reply answers the request that carried
    // requestId: a v2c Response; in v1 any PDU but a Trap, as agents of old
    // answer with what they have.
    virtual bool answers(const SnmpMessage& reply, int32_t requestId) const noexcept = 0;
};

// The decoded reply when a datagram is a message of model's version that
// answers the request which carried requestId; null for anything else, so a
// stray or forged datagram, or one of the other version, cannot pose as the
// answer. What the engine and a paced sweep both check. Throws std::bad_alloc.
MessagePtr unwrapAnswer(const MessageModel& model, std::span<const uint8_t> data, uint32_t sourceAddress,
                        int32_t requestId);

// SNMPv1 or SNMPv2c with a community string.
class CommunityModel final : public MessageModel {
public:
    // version is kVersion1 or kVersion2c; anything else wraps nothing and
    // unwraps nothing. The community is copied.
    CommunityModel(int32_t version, std::string_view community) : version_(version), community_(community) {}

    int32_t version() const noexcept override { return version_; }
    const std::string& community() const noexcept { return community_; }
    std::optional<size_t> wrap(const SnmpMessage& pdu, std::span<uint8_t> out) const override;
    Unwrapped unwrap(std::span<const uint8_t> data, uint32_t sourceAddress) const override;
    bool answers(const SnmpMessage& reply, int32_t requestId) const noexcept override;

private:
    int32_t version_;
    std::string community_;
};

// A request PDU over identifiers the caller keeps alive, every value NULL:
// what Get, GetNext and GetBulk send. Copying is not allowed because the
// record points into the object.
class RequestPdu {
public:
    // names are spans of arcs, each at most kMaxArcs long.
    RequestPdu(uint8_t pduType, std::span<const std::span<const uint32_t>> names);
    RequestPdu(uint8_t pduType, std::span<const uint32_t> name)
        : RequestPdu(pduType, std::span<const std::span<const uint32_t>>(&name, 1))
    {
    }
    RequestPdu(const RequestPdu&) = delete;
    RequestPdu& operator=(const RequestPdu&) = delete;

    // A fresh request id from nextRequestId().
    void renewRequestId() noexcept { message_.requestId = nextRequestId(); }
    void setRequestId(int32_t id) noexcept { message_.requestId = id; }
    // GetBulk's two counts, in the fields that carry them on the wire.
    void setRepetitions(int32_t nonRepeaters, int32_t maxRepetitions) noexcept
    {
        message_.errorStatus = nonRepeaters;
        message_.errorIndex = maxRepetitions;
    }
    const SnmpMessage& pdu() const noexcept { return message_; }

private:
    SnmpMessage message_{};
    std::vector<SnmpBinding> bindings_;
};

}  // namespace netrov::snmp
