// SNMPv3 messages with the user-based security model: a MessageModel beside CommunityModel.
//
// A UsmUser holds one set of credentials with its master keys, computed
// once, and the keys localised to each engine it meets, computed once per
// engine. A UsmModel talks to one agent with one user: it discovers the
// agent's engine, follows its boots and time, and signs, encrypts, checks
// and decrypts. requestV3 runs one exchange over the engine with discovery
// and one resynchronisation, and turns the agent's reports and the replies
// it had to drop into named results.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "message.h"
#include "usm.h"

namespace netrov::snmp {

inline constexpr int32_t kVersion3 = 3;
inline constexpr size_t kMaxEngineId = 32;
inline constexpr size_t kMinEngineId = 5;
inline constexpr size_t kMaxUserName = 32;

struct UsmCredentials {
    std::string user;
    usm::Level level = usm::Level::NoAuthNoPriv;
    usm::Auth auth = usm::Auth::None;
    usm::Priv priv = usm::Priv::None;
    usm::SecretBytes authPassphrase;
    usm::SecretBytes privPassphrase;
    std::string context;
};

class UsmUser {
public:
    struct LocalKeys {
        usm::SecretBytes auth;
        usm::SecretBytes priv;
        std::shared_ptr<const usm::MacKey> mac;  // auth made ready for HMAC
    };

    // Null when the credentials do not fit their level (a protocol or pass
    // phrase missing, a user name over 32 bytes, a cipher libcrypto lacks).
    static std::shared_ptr<const UsmUser> create(const UsmCredentials& credentials);

    const std::string& name() const noexcept { return name_; }
    const std::string& context() const noexcept { return context_; }
    usm::Level level() const noexcept { return level_; }
    usm::Auth auth() const noexcept { return auth_; }
    usm::Priv priv() const noexcept { return priv_; }
    // The same user at another level or context, sharing the master keys;
    // null when the level needs keys this user lacks.
    std::shared_ptr<const UsmUser> variant(usm::Level level, std::string_view context) const;
    // The keys for one engine, localised on first use and kept. Null when
    // localisation fails.
    std::shared_ptr<const LocalKeys> keysFor(std::span<const uint8_t> engineId) const;

private:
    UsmUser() = default;

    std::string name_;
    std::string context_;
    usm::Level level_ = usm::Level::NoAuthNoPriv;
    usm::Auth auth_ = usm::Auth::None;
    usm::Priv priv_ = usm::Priv::None;
    usm::SecretBytes authMaster_;
    usm::SecretBytes privMaster_;
    mutable std::mutex mutex_;
    mutable std::map<std::vector<uint8_t>, std::shared_ptr<const LocalKeys>> keys_;
};

// What the agent said in a report, by the counter it names.
enum class ReportKind : uint8_t {
    UnsupportedLevel,
    NotInTimeWindow,
    UnknownUser,
    UnknownEngine,
    WrongDigest,
    DecryptionError,
    UnknownContext,
    Other,
};
ReportKind reportKind(const SnmpMessage& report) noexcept;
// The NETROV_ result of a report kind.
int32_t reportResult(ReportKind kind) noexcept;

class UsmModel final : public MessageModel {
public:
    struct Engine {
        std::vector<uint8_t> id;
        uint32_t boots = 0;
        uint32_t time = 0;
    };

    explicit UsmModel(std::shared_ptr<const UsmUser> user) : user_(std::move(user)) {}

    int32_t version() const noexcept override { return kVersion3; }
    // Before the engine is known this writes the discovery probe (no
    // security, no bindings, the PDU's request id) whatever pdu holds.
    std::optional<size_t> wrap(const SnmpMessage& pdu, std::span<uint8_t> out) const override;
    // A datagram that fails its checks is Malformed and leaves its reason
    // in lastDrop. A report carries the message id as its request id, as an
    // agent that cannot read the PDU cannot know the request id.
    Unwrapped unwrap(std::span<const uint8_t> data, uint32_t sourceAddress) const override;
    // A Response or Report carrying requestId.
    bool answers(const SnmpMessage& reply, int32_t requestId) const noexcept override;

    const UsmUser& user() const noexcept { return *user_; }
    // The engine as last learnt; none before discovery.
    std::optional<Engine> engine() const;
    // Starts from an engine learnt earlier, e.g. before the agent restarted.
    void restoreEngine(const Engine& engine);
    // Back to before discovery: the next message is the discovery probe.
    void forgetEngine() const;
    // The NETROV_ reason the last datagram was dropped; NETROV_OK when none was.
    int32_t lastDrop() const;
    void clearDrop() const;
    // Whether the last report came authenticated, so its boots and time count.
    bool lastReportAuthenticated() const;

private:
    struct State {
        bool known = false;
        Engine engine;
        std::chrono::steady_clock::time_point receivedAt;
        uint64_t salt = 0;
        int32_t lastDrop = 0;
        bool reportAuthenticated = false;
    };

    Unwrapped drop(int32_t reason) const;
    // The engine's clock now: the time last received plus the seconds since.
    static uint64_t estimatedTime(const State& state);

    std::shared_ptr<const UsmUser> user_;
    mutable std::mutex mutex_;
    mutable State state_;
};

struct V3Reply {
    int32_t result = 0;  // NETROV_OK with message set, else why not
    MessagePtr message;
};

// Sends pdu to host's port 161 through the engine: discovers the engine
// when it is not known, or once more when the agent no longer knows the
// engine the model holds (another agent at the address, or an engine
// learnt from a probe), resends once after a report that resynchronised
// the clock, and tries retries more times after a silence. A report or a
// reply dropped by its checks ends with its own result, never NETROV_NO_REPLY.
// Agents drop an encrypted request they cannot decrypt, or one for a context
// they lack, without a word: when an agent whose engine answered stays
// silent, an empty request without privacy and one without the context tell
// which it was (at most two more exchanges).
// Throws std::bad_alloc.
V3Reply requestV3(const char* host, int32_t timeout, int32_t retries, const UsmModel& model, const SnmpMessage& pdu);

}  // namespace netrov::snmp
