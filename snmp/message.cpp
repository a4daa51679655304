// Community-based message models and request PDUs.
#include "message.h"

#include "ber.h"

namespace netrov::snmp {

namespace {
constexpr uint8_t kPduTrap = SNMP_PDU_TRAP;
}  // namespace

std::optional<size_t> CommunityModel::wrap(const SnmpMessage& pdu, std::span<uint8_t> out) const
{
    if (version_ != kVersion1 && version_ != kVersion2c) return std::nullopt;
    SnmpMessage message = pdu;
    message.version = version_;
    // The encoder only reads the community.
    message.community = const_cast<char*>(community_.c_str());
    message.communityLength = static_cast<int32_t>(community_.size());
    return encodeMessage(message, out);
}

Unwrapped CommunityModel::unwrap(std::span<const uint8_t> data, uint32_t sourceAddress) const
{
    Unwrapped result;
    const std::optional<int32_t> version = messageVersion(data);
    if (!version) return result;
    if (*version != version_) {
        result.status = UnwrapStatus::OtherVersion;
        return result;
    }
    result.message = decodeMessage(data, sourceAddress, version_);
    if (result.message) result.status = UnwrapStatus::Ok;
    return result;
}

bool CommunityModel::answers(const SnmpMessage& reply, int32_t requestId) const noexcept
{
    if (reply.version != version_ || reply.requestId != requestId) return false;
    if (version_ == kVersion1) return reply.pduType != kPduTrap;
    return reply.pduType == SNMP_PDU_RESPONSE;
}

MessagePtr unwrapAnswer(const MessageModel& model, std::span<const uint8_t> data, uint32_t sourceAddress,
                        int32_t requestId)
{
    Unwrapped reply = model.unwrap(data, sourceAddress);
    if (reply.status != UnwrapStatus::Ok || !model.answers(*reply.message, requestId)) return nullptr;
    return std::move(reply.message);
}

RequestPdu::RequestPdu(uint8_t pduType, std::span<const std::span<const uint32_t>> names) : bindings_(names.size())
{
    message_.pduType = pduType;
    SnmpBinding** tail = &message_.variables;
    for (size_t i = 0; i < names.size(); ++i) {
        SnmpBinding& b = bindings_[i];
        // The encoder only reads the name.
        b.name = const_cast<uint32_t*>(names[i].data());
        b.nameLength = static_cast<int32_t>(names[i].size());
        b.type = kTagNull;
        *tail = &b;
        tail = &b.next;
    }
}

}  // namespace netrov::snmp
