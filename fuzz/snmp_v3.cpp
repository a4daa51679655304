// Fuzzes SNMPv3 unwrapping with the user-based security model: the message, its security parameters,
// digests, decryption and the scoped PDU. What is taken must wrap and unwrap again unchanged.
//
// Input: one byte choosing the user (DES, AES-128, authentication only, none), then the datagram.
#include <array>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "message_v3.h"

namespace {

using namespace netrov::snmp;

// The users and engine of the corpus, which holds replies an agent made for them.
const std::array<uint8_t, 13> kEngine = {0x80, 0x00, 0x1f, 0x88, 0x80, 0xaa, 0xbb, 0xcc, 0xdd, 0x01, 0x02, 0x03, 0x04};

std::shared_ptr<const UsmUser> makeUser(const char* name, usm::Auth auth, usm::Level level, usm::Priv priv)
{
    static const std::string kPhrase = "maplesyrup";
    UsmCredentials c;
    c.user = name;
    c.auth = auth;
    c.level = level;
    c.priv = priv;
    c.authPassphrase = usm::SecretBytes({reinterpret_cast<const uint8_t*>(kPhrase.data()), kPhrase.size()});
    c.privPassphrase = c.authPassphrase;
    return UsmUser::create(c);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Keys are derived once; every input gets fresh engine state.
    static const std::shared_ptr<const UsmUser> kUsers[] = {
        makeUser("capDES", usm::Auth::Sha1, usm::Level::AuthPriv, usm::Priv::Des),
        makeUser("capAES", usm::Auth::Sha1, usm::Level::AuthPriv, usm::Priv::Aes128),
        makeUser("capauth", usm::Auth::Sha256, usm::Level::AuthNoPriv, usm::Priv::None),
        makeUser("plain", usm::Auth::None, usm::Level::NoAuthNoPriv, usm::Priv::None),
    };
    if (size < 1) return 0;
    const auto& user = kUsers[data[0] % std::size(kUsers)];
    if (!user) std::abort();
    UsmModel model(user);
    // An odd selector leaves the engine unknown, as during discovery.
    if (data[0] < 0x80) model.restoreEngine({{kEngine.begin(), kEngine.end()}, 1, 1});
    Unwrapped reply = model.unwrap({data + 1, size - 1}, 0x0100007F);
    if (reply.status != UnwrapStatus::Ok) {
        if (reply.message) std::abort();
        return 0;
    }
    const SnmpMessage& message = *reply.message;
    if (message.version != kVersion3 || !model.engine()) std::abort();
    if (message.pduType == kPduReport) {
        (void)reportResult(reportKind(message));
        return 0;
    }
    // A PDU that was taken writes as a message its own model takes again.
    std::array<uint8_t, 70000> out{};
    const auto written = model.wrap(message, out);
    if (!written) return 0;
    UsmModel again(user);
    again.restoreEngine(*model.engine());
    Unwrapped back = again.unwrap({out.data(), *written}, 0x0100007F);
    if (back.status != UnwrapStatus::Ok || back.message->requestId != message.requestId
        || back.message->pduType != message.pduType)
        std::abort();
    return 0;
}
