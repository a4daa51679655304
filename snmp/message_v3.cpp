// SNMPv3 message wrapping and unwrapping under the user-based security model, and the v3 exchange.
#include "message_v3.h"

#include "platform/random.h"

#include <openssl/crypto.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "ber.h"
#include "engine.h"
#include "netrov/result_codes.h"

namespace netrov::snmp {

namespace {

constexpr uint8_t kFlagAuth = 0x01;
constexpr uint8_t kFlagPriv = 0x02;
constexpr uint8_t kFlagReportable = 0x04;
constexpr int32_t kSecurityModelUsm = 3;
constexpr int32_t kMaxMessageSize = 65507;
constexpr int32_t kMinMessageSize = 484;
constexpr uint32_t kMaxBoots = 0x7FFFFFFF;
constexpr uint32_t kTimeWindow = 150;
constexpr size_t kMaxContextName = 255;
// The largest code any digest here writes (SHA-512's 48 bytes).
constexpr size_t kMaxMac = 48;

// usmStats counters (1.3.6.1.6.3.15.1.1.N.0) and the context counters of
// the message dispatcher (1.3.6.1.6.3.12.1.N.0), by the last-but-one arc.
constexpr uint32_t kUsmStats[] = {1, 3, 6, 1, 6, 3, 15, 1, 1};
constexpr uint32_t kMpdStats[] = {1, 3, 6, 1, 6, 3, 12, 1};

struct ReportRow {
    ReportKind kind;
    int32_t result;
};
constexpr ReportRow kReportRows[] = {
    {ReportKind::UnsupportedLevel, NETROV_V3_UNSUPPORTED_LEVEL},
    {ReportKind::NotInTimeWindow, NETROV_V3_NOT_IN_TIME_WINDOW},
    {ReportKind::UnknownUser, NETROV_V3_UNKNOWN_USER},
    {ReportKind::UnknownEngine, NETROV_V3_UNKNOWN_ENGINE},
    {ReportKind::WrongDigest, NETROV_V3_WRONG_DIGEST},
    {ReportKind::DecryptionError, NETROV_V3_DECRYPTION_ERROR},
    {ReportKind::UnknownContext, NETROV_V3_UNKNOWN_CONTEXT},
    {ReportKind::Other, NETROV_NO_VALUE},
};

using Bytes = std::vector<uint8_t>;

std::span<const uint8_t> textBytes(std::string_view text)
{
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

void appendHeader(Bytes& out, uint8_t tag, size_t length)
{
    out.push_back(tag);
    if (length < 0x80) {
        out.push_back(static_cast<uint8_t>(length));
        return;
    }
    size_t bytes = length < 0x100 ? 1 : length < 0x10000 ? 2 : 3;
    out.push_back(static_cast<uint8_t>(0x80 | bytes));
    for (size_t i = bytes; i-- > 0;) out.push_back(static_cast<uint8_t>(length >> (8 * i)));
}

void appendTlv(Bytes& out, uint8_t tag, std::span<const uint8_t> content)
{
    appendHeader(out, tag, content.size());
    out.insert(out.end(), content.begin(), content.end());
}

void appendInt(Bytes& out, int64_t value)
{
    // Shortest two's complement form.
    std::array<uint8_t, 8> bytes{};
    size_t n = 0;
    int64_t v = value;
    do {
        bytes[n++] = static_cast<uint8_t>(v & 0xFF);
        v >>= 8;
    } while (!((v == 0 && !(bytes[n - 1] & 0x80)) || (v == -1 && (bytes[n - 1] & 0x80))));
    out.push_back(kTagInteger);
    out.push_back(static_cast<uint8_t>(n));
    while (n) out.push_back(bytes[--n]);
}

size_t headerSize(size_t length) { return length < 0x80 ? 2 : length < 0x100 ? 3 : length < 0x10000 ? 4 : 5; }

// The PDU element as the community codec writes it, cut out of a v2c
// message with an empty community, so both versions share one PDU encoder.
// limit bounds the whole PDU, which can never be larger than the message.
std::optional<Bytes> encodePdu(const SnmpMessage& pdu, size_t limit)
{
    SnmpMessage message = pdu;
    message.version = kVersion2c;
    char empty[1] = {0};
    message.community = empty;
    message.communityLength = 0;
    // Room for the v2c header around the PDU; left uninitialised, as the encoder writes every byte it reports.
    const size_t room = std::min<size_t>(limit, kMaxMessageSize) + 16;
    std::unique_ptr<uint8_t[]> scratch(new uint8_t[room]);
    const std::optional<size_t> size = encodeMessage(message, {scratch.get(), room});
    if (!size) return std::nullopt;
    BerReader datagram(std::span<const uint8_t>(scratch.get(), *size));
    BerReader body = datagram.enter(kTagSequence);
    int32_t version = 0;
    std::span<const uint8_t> community;
    if (!body.readInt(version) || !body.readOctets(kTagOctets, 0, community)) return std::nullopt;
    const size_t pduSize = body.remaining();
    return Bytes(scratch.get() + (*size - pduSize), scratch.get() + *size);
}

// The reverse: a whole PDU element decoded by the community codec inside a
// v2c wrapper made for it.
MessagePtr decodePdu(std::span<const uint8_t> pduElement, uint32_t sourceAddress)
{
    constexpr uint8_t kPrefix[] = {0x02, 0x01, 0x01, 0x04, 0x00};
    const size_t content = sizeof(kPrefix) + pduElement.size();
    if (content > 0xFFFF) return nullptr;
    Bytes wrapped;
    wrapped.reserve(content + 4);
    wrapped.push_back(kTagSequence);
    wrapped.push_back(0x82);
    wrapped.push_back(static_cast<uint8_t>(content >> 8));
    wrapped.push_back(static_cast<uint8_t>(content));
    wrapped.insert(wrapped.end(), std::begin(kPrefix), std::end(kPrefix));
    wrapped.insert(wrapped.end(), pduElement.begin(), pduElement.end());
    MessagePtr message = decodeMessage(wrapped, sourceAddress, kVersion2c);
    if (message) message->version = kVersion3;
    return message;
}

bool isRequest(uint8_t pduType)
{
    return pduType == SNMP_PDU_GET || pduType == SNMP_PDU_GETNEXT || pduType == SNMP_PDU_SET
           || pduType == kPduGetBulk;
}

// The USM security parameters of a received message, as views into it.
struct SecurityParameters {
    std::span<const uint8_t> engineId;
    int32_t boots = 0;
    int32_t time = 0;
    std::span<const uint8_t> user;
    std::span<const uint8_t> authParams;
    std::span<const uint8_t> privParams;
};

bool readSecurityParameters(std::span<const uint8_t> octets, SecurityParameters& out)
{
    BerReader outer(octets);
    BerReader seq = outer.enter(kTagSequence);
    if (!outer.atEnd()) return false;
    const bool read = seq.readOctets(kTagOctets, kMaxEngineId, out.engineId) && seq.readInt(out.boots)
                      && seq.readInt(out.time) && seq.readOctets(kTagOctets, kMaxUserName, out.user)
                      && seq.readOctets(kTagOctets, kMaxMac, out.authParams)
                      && seq.readOctets(kTagOctets, usm::kSaltLength, out.privParams);
    return read && seq.atEnd() && out.boots >= 0 && out.time >= 0;
}

}  // namespace

ReportKind reportKind(const SnmpMessage& report) noexcept
{
    const SnmpBinding* b = report.variables;
    if (!b || !b->name) return ReportKind::Other;
    const std::span<const uint32_t> name(b->name, static_cast<size_t>(std::max(b->nameLength, 0)));
    auto under = [&](std::span<const uint32_t> prefix) {
        return name.size() == prefix.size() + 2 && std::equal(prefix.begin(), prefix.end(), name.begin())
               && name.back() == 0;
    };
    if (under(kUsmStats)) {
        switch (name[name.size() - 2]) {
        case 1: return ReportKind::UnsupportedLevel;
        case 2: return ReportKind::NotInTimeWindow;
        case 3: return ReportKind::UnknownUser;
        case 4: return ReportKind::UnknownEngine;
        case 5: return ReportKind::WrongDigest;
        case 6: return ReportKind::DecryptionError;
        default: return ReportKind::Other;
        }
    }
    // snmpUnavailableContexts and snmpUnknownContexts.
    if (under(kMpdStats) && (name[name.size() - 2] == 4 || name[name.size() - 2] == 5))
        return ReportKind::UnknownContext;
    return ReportKind::Other;
}

int32_t reportResult(ReportKind kind) noexcept
{
    for (const ReportRow& row : kReportRows)
        if (row.kind == kind) return row.result;
    return NETROV_NO_VALUE;
}

std::shared_ptr<const UsmUser> UsmUser::create(const UsmCredentials& c)
{
    if (c.user.empty() || c.user.size() > kMaxUserName || c.context.size() > kMaxContextName) return nullptr;
    std::shared_ptr<UsmUser> user(new UsmUser());
    user->name_ = c.user;
    user->context_ = c.context;
    user->level_ = c.level;
    if (c.level == usm::Level::NoAuthNoPriv) return user;
    if (c.auth == usm::Auth::None || c.authPassphrase.empty()) return nullptr;
    user->auth_ = c.auth;
    user->authMaster_ = usm::passwordToKey(c.auth, c.authPassphrase.bytes());
    if (user->authMaster_.empty()) return nullptr;
    if (c.level == usm::Level::AuthNoPriv) return user;
    if (c.priv == usm::Priv::None || c.privPassphrase.empty() || !usm::privAvailable(c.priv)) return nullptr;
    user->priv_ = c.priv;
    // The privacy key comes from its own pass phrase through the digest of authentication.
    user->privMaster_ = usm::passwordToKey(c.auth, c.privPassphrase.bytes());
    if (user->privMaster_.empty()) return nullptr;
    return user;
}

std::shared_ptr<const UsmUser> UsmUser::variant(usm::Level level, std::string_view context) const
{
    if (level == usm::Level::AuthPriv && level_ != usm::Level::AuthPriv) return nullptr;
    if (level == usm::Level::AuthNoPriv && level_ == usm::Level::NoAuthNoPriv) return nullptr;
    std::shared_ptr<UsmUser> user(new UsmUser());
    user->name_ = name_;
    user->context_ = context;
    user->level_ = level;
    user->auth_ = level == usm::Level::NoAuthNoPriv ? usm::Auth::None : auth_;
    user->priv_ = level == usm::Level::AuthPriv ? priv_ : usm::Priv::None;
    if (level != usm::Level::NoAuthNoPriv) user->authMaster_ = authMaster_;
    if (level == usm::Level::AuthPriv) user->privMaster_ = privMaster_;
    return user;
}

std::shared_ptr<const UsmUser::LocalKeys> UsmUser::keysFor(std::span<const uint8_t> engineId) const
{
    std::vector<uint8_t> id(engineId.begin(), engineId.end());
    {
        std::lock_guard lock(mutex_);
        auto found = keys_.find(id);
        if (found != keys_.end()) return found->second;
    }
    auto keys = std::make_shared<LocalKeys>();
    if (level_ != usm::Level::NoAuthNoPriv) {
        keys->auth = usm::localizeKey(auth_, authMaster_.bytes(), engineId);
        if (keys->auth.empty()) return nullptr;
        keys->mac = std::make_shared<const usm::MacKey>(auth_, keys->auth.bytes());
        if (!keys->mac->valid()) return nullptr;
    }
    if (level_ == usm::Level::AuthPriv) {
        keys->priv = usm::localizePrivKey(auth_, priv_, privMaster_.bytes(), engineId);
        if (keys->priv.empty()) return nullptr;
    }
    std::lock_guard lock(mutex_);
    return keys_.emplace(std::move(id), std::move(keys)).first->second;
}

std::optional<size_t> UsmModel::wrap(const SnmpMessage& pdu, std::span<uint8_t> out) const
{
    State state;
    uint64_t salt = 0;
    {
        std::lock_guard lock(mutex_);
        if (state_.known && state_.salt == 0) {
            // A random start, so salts do not repeat across runs under one
            // key. From the kernel: libcrypto's generator would first set up
            // its own state for this thread, which costs a search of many
            // addresses, one thread each, more than the messages themselves.
            platform::randomFill(&state_.salt, sizeof(state_.salt));
        }
        salt = state_.salt++;
        state = state_;
    }
    const bool discovery = !state.known;
    const usm::Level level = discovery ? usm::Level::NoAuthNoPriv : user_->level();
    const bool auth = level != usm::Level::NoAuthNoPriv;
    const bool priv = level == usm::Level::AuthPriv;

    uint32_t boots = 0;
    uint32_t time = 0;
    std::shared_ptr<const UsmUser::LocalKeys> keys;
    std::optional<Bytes> pduBytes;
    if (discovery) {
        SnmpMessage probe{};
        probe.pduType = SNMP_PDU_GET;
        probe.requestId = pdu.requestId;
        pduBytes = encodePdu(probe, out.size());
    } else {
        boots = state.engine.boots;
        time = static_cast<uint32_t>(std::min<uint64_t>(estimatedTime(state), kMaxBoots));
        keys = user_->keysFor(state.engine.id);
        if (!keys) return std::nullopt;
        pduBytes = encodePdu(pdu, out.size());
    }
    if (!pduBytes) return std::nullopt;

    Bytes scoped;
    {
        Bytes content;
        appendTlv(content, kTagOctets, state.engine.id);
        appendTlv(content, kTagOctets, discovery ? std::span<const uint8_t>() : textBytes(user_->context()));
        content.insert(content.end(), pduBytes->begin(), pduBytes->end());
        appendTlv(scoped, kTagSequence, content);
    }

    std::array<uint8_t, usm::kSaltLength> saltBytes{};
    Bytes msgData;
    if (priv) {
        if (user_->priv() == usm::Priv::Des) {
            // DES: boots and a counter; the AES ciphers take the counter whole.
            saltBytes = {static_cast<uint8_t>(boots >> 24), static_cast<uint8_t>(boots >> 16),
                         static_cast<uint8_t>(boots >> 8), static_cast<uint8_t>(boots),
                         static_cast<uint8_t>(salt >> 24), static_cast<uint8_t>(salt >> 16),
                         static_cast<uint8_t>(salt >> 8), static_cast<uint8_t>(salt)};
        } else {
            for (size_t i = 0; i < 8; ++i) saltBytes[i] = static_cast<uint8_t>(salt >> (56 - 8 * i));
        }
        auto encrypted = usm::encrypt(user_->priv(), keys->priv.bytes(), boots, time, saltBytes, scoped);
        if (!encrypted) return std::nullopt;
        appendTlv(msgData, kTagOctets, *encrypted);
    } else {
        msgData = std::move(scoped);
    }

    Bytes global;
    {
        Bytes content;
        appendInt(content, pdu.requestId);
        appendInt(content, kMaxMessageSize);
        const uint8_t flags = static_cast<uint8_t>((auth ? kFlagAuth : 0) | (priv ? kFlagPriv : 0)
                                                   | (discovery || isRequest(pdu.pduType) ? kFlagReportable : 0));
        appendTlv(content, kTagOctets, std::span<const uint8_t>(&flags, 1));
        appendInt(content, kSecurityModelUsm);
        appendTlv(global, kTagSequence, content);
    }

    const size_t macSize = auth ? usm::macLength(user_->auth()) : 0;
    Bytes security;
    size_t macOffsetInSecurity = 0;
    {
        Bytes content;
        appendTlv(content, kTagOctets, state.engine.id);
        appendInt(content, boots);
        appendInt(content, time);
        appendTlv(content, kTagOctets, discovery ? std::span<const uint8_t>() : textBytes(user_->name()));
        appendHeader(content, kTagOctets, macSize);
        const size_t macInContent = content.size();
        content.resize(content.size() + macSize, 0);
        appendTlv(content, kTagOctets, priv ? std::span<const uint8_t>(saltBytes) : std::span<const uint8_t>());
        Bytes sequence;
        appendTlv(sequence, kTagSequence, content);
        appendTlv(security, kTagOctets, sequence);
        macOffsetInSecurity = headerSize(sequence.size()) + headerSize(content.size()) + macInContent;
    }

    Bytes version;
    appendInt(version, kVersion3);
    const size_t contentSize = version.size() + global.size() + security.size() + msgData.size();
    Bytes message;
    message.reserve(contentSize + 5);
    appendHeader(message, kTagSequence, contentSize);
    const size_t macOffset = message.size() + version.size() + global.size() + macOffsetInSecurity;
    for (const Bytes* part : {&version, &global, &security, &msgData}) message.insert(message.end(), part->begin(), part->end());
    if (auth) {
        std::array<uint8_t, kMaxMac> mac{};
        if (!keys->mac->compute(message, mac.data())) return std::nullopt;
        std::copy_n(mac.data(), macSize, message.begin() + static_cast<std::ptrdiff_t>(macOffset));
    }
    if (message.size() > out.size()) return std::nullopt;
    std::copy(message.begin(), message.end(), out.begin());
    return message.size();
}

uint64_t UsmModel::estimatedTime(const State& state)
{
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - state.receivedAt);
    return uint64_t{state.engine.time} + static_cast<uint64_t>(std::max<int64_t>(elapsed.count(), 0));
}

Unwrapped UsmModel::drop(int32_t reason) const
{
    // A malformed datagram leaves a reason given earlier in place.
    if (reason == NETROV_OK) return {};
    std::lock_guard lock(mutex_);
    state_.lastDrop = reason;
    return {};
}

Unwrapped UsmModel::unwrap(std::span<const uint8_t> data, uint32_t sourceAddress) const
{
    Unwrapped result;
    BerReader datagram(data);
    BerReader message = datagram.enter(kTagSequence);
    int32_t version = -1;
    if (!message.readInt(version)) return result;
    if (version != kVersion3) {
        result.status = UnwrapStatus::OtherVersion;
        return result;
    }
    BerReader global = message.enter(kTagSequence);
    int32_t msgId = 0;
    int32_t maxSize = 0;
    int32_t model = 0;
    std::span<const uint8_t> flagBytes;
    if (!global.readInt(msgId) || !global.readInt(maxSize) || !global.readOctets(kTagOctets, 1, flagBytes)
        || !global.readInt(model) || !global.atEnd() || flagBytes.size() != 1 || model != kSecurityModelUsm
        || msgId < 0 || maxSize < kMinMessageSize)
        return result;
    const uint8_t flags = flagBytes[0];
    const bool auth = flags & kFlagAuth;
    const bool priv = flags & kFlagPriv;
    if (priv && !auth) return result;

    std::span<const uint8_t> securityOctets;
    SecurityParameters sp;
    if (!message.readOctets(kTagOctets, 0xFFFF, securityOctets) || !readSecurityParameters(securityOctets, sp))
        return result;
    // An engine identifier is 5 to 32 bytes.
    if (sp.engineId.size() < kMinEngineId) return result;

    uint8_t dataTag = 0;
    std::span<const uint8_t> dataContent;
    if (!message.readElement(dataTag, dataContent) || !message.atEnd() || !datagram.atEnd()) return result;
    if (dataTag != (priv ? kTagOctets : kTagSequence)) return result;

    State state;
    {
        std::lock_guard lock(mutex_);
        state = state_;
    }
    const usm::Level level = user_->level();
    std::shared_ptr<const UsmUser::LocalKeys> keys;
    if (auth) {
        // Only a message for our user from the engine we talk to can be checked.
        if (level == usm::Level::NoAuthNoPriv || !state.known) return result;
        if (!std::equal(sp.user.begin(), sp.user.end(), textBytes(user_->name()).begin(), textBytes(user_->name()).end()))
            return result;
        if (!std::equal(sp.engineId.begin(), sp.engineId.end(), state.engine.id.begin(), state.engine.id.end()))
            return drop(NETROV_V3_UNKNOWN_ENGINE);
        if (sp.authParams.size() != usm::macLength(user_->auth())) return drop(NETROV_V3_WRONG_DIGEST);
        if (priv && (level != usm::Level::AuthPriv || sp.privParams.size() != usm::kSaltLength)) return result;
        keys = user_->keysFor(state.engine.id);
        if (!keys) return result;
        Bytes zeroed(data.begin(), data.end());
        const size_t macOffset = static_cast<size_t>(sp.authParams.data() - data.data());
        std::fill_n(zeroed.begin() + static_cast<std::ptrdiff_t>(macOffset), sp.authParams.size(), 0);
        std::array<uint8_t, kMaxMac> mac{};
        if (!keys->mac->compute(zeroed, mac.data())
            || CRYPTO_memcmp(mac.data(), sp.authParams.data(), sp.authParams.size()) != 0)
            return drop(NETROV_V3_WRONG_DIGEST);
        // Replays and stale messages stay out: the time must be near our
        // estimate of the engine's clock; a later clock is taken below.
        const auto boots = static_cast<uint32_t>(sp.boots);
        const auto time = static_cast<uint32_t>(sp.time);
        if (boots == kMaxBoots || boots < state.engine.boots
            || (boots == state.engine.boots && uint64_t{time} + kTimeWindow < estimatedTime(state)))
            return drop(NETROV_V3_NOT_IN_TIME_WINDOW);
    } else if (!sp.authParams.empty() || !sp.privParams.empty()) {
        return result;
    }

    Bytes plain;
    std::span<const uint8_t> scopedContent = dataContent;
    if (priv) {
        auto decrypted = usm::decrypt(user_->priv(), keys->priv.bytes(), static_cast<uint32_t>(sp.boots),
                                      static_cast<uint32_t>(sp.time),
                                      std::span<const uint8_t, usm::kSaltLength>(sp.privParams.data(), usm::kSaltLength),
                                      dataContent);
        if (!decrypted) return drop(NETROV_V3_DECRYPTION_ERROR);
        plain = std::move(*decrypted);
        // Only the scoped PDU's own length counts: DES pads after it.
        BerReader padded(plain);
        if (!padded.readContent(kTagSequence, scopedContent)) return drop(NETROV_V3_DECRYPTION_ERROR);
    }
    const int32_t malformed = priv ? NETROV_V3_DECRYPTION_ERROR : NETROV_OK;

    BerReader scoped(scopedContent);
    std::span<const uint8_t> contextEngine, contextName;
    if (!scoped.readOctets(kTagOctets, kMaxEngineId, contextEngine)
        || !scoped.readOctets(kTagOctets, kMaxContextName, contextName))
        return drop(malformed);
    const std::span<const uint8_t> pduElement = scopedContent.last(scoped.remaining());
    uint8_t pduType = 0;
    std::span<const uint8_t> pduContent;
    if (!scoped.readElement(pduType, pduContent) || !scoped.atEnd()) return drop(malformed);
    MessagePtr decoded = decodePdu(pduElement, sourceAddress);
    if (!decoded) return drop(malformed);

    // A manager takes answers only; before discovery, only the discovery report.
    const bool report = decoded->pduType == kPduReport;
    if (!report && (decoded->pduType != SNMP_PDU_RESPONSE || !state.known)) return result;
    if (report) {
        decoded->requestId = msgId;
    } else {
        // Every answer but a report needs the level asked for and echoes the message id.
        if (decoded->requestId != msgId) return result;
        if (level != usm::Level::NoAuthNoPriv && !auth) return result;
        if (level == usm::Level::AuthPriv && !priv) return result;
    }

    std::lock_guard lock(mutex_);
    if (auth) {
        const auto boots = static_cast<uint32_t>(sp.boots);
        const auto time = static_cast<uint32_t>(sp.time);
        if (boots > state_.engine.boots || (boots == state_.engine.boots && time > state_.engine.time)) {
            state_.engine.boots = boots;
            state_.engine.time = time;
            state_.receivedAt = std::chrono::steady_clock::now();
        }
    } else if (report && !state_.known) {
        // Discovery: the engine answers unauthenticated with its identifier and clock.
        state_.known = true;
        state_.engine.id.assign(sp.engineId.begin(), sp.engineId.end());
        state_.engine.boots = static_cast<uint32_t>(sp.boots);
        state_.engine.time = static_cast<uint32_t>(sp.time);
        state_.receivedAt = std::chrono::steady_clock::now();
    }
    if (report) state_.reportAuthenticated = auth;
    result.status = UnwrapStatus::Ok;
    result.message = std::move(decoded);
    return result;
}

bool UsmModel::answers(const SnmpMessage& reply, int32_t requestId) const noexcept
{
    return reply.version == kVersion3 && reply.requestId == requestId
           && (reply.pduType == SNMP_PDU_RESPONSE || reply.pduType == kPduReport);
}

std::optional<UsmModel::Engine> UsmModel::engine() const
{
    std::lock_guard lock(mutex_);
    if (!state_.known) return std::nullopt;
    return state_.engine;
}

void UsmModel::restoreEngine(const Engine& engine)
{
    std::lock_guard lock(mutex_);
    state_.known = true;
    state_.engine = engine;
    state_.receivedAt = std::chrono::steady_clock::now();
}

void UsmModel::forgetEngine() const
{
    std::lock_guard lock(mutex_);
    state_.known = false;
    state_.engine = Engine{};
}

int32_t UsmModel::lastDrop() const
{
    std::lock_guard lock(mutex_);
    return state_.lastDrop;
}

void UsmModel::clearDrop() const
{
    std::lock_guard lock(mutex_);
    state_.lastDrop = NETROV_OK;
}

bool UsmModel::lastReportAuthenticated() const
{
    std::lock_guard lock(mutex_);
    return state_.reportAuthenticated;
}

namespace {

// One empty Get as user variant; the reply, or null after a silence.
MessagePtr probeAs(const char* host, int32_t timeout, const UsmModel& model, std::shared_ptr<const UsmUser> variant,
                   int32_t& dropped)
{
    if (!variant) return nullptr;
    UsmModel probe(std::move(variant));
    probe.restoreEngine(*model.engine());
    SnmpMessage empty{};
    empty.pduType = SNMP_PDU_GET;
    empty.requestId = nextRequestId();
    MessagePtr reply = request(host, timeout, probe, empty);
    dropped = probe.lastDrop();
    return reply;
}

// Why an agent whose engine answered ignores the user's requests.
int32_t diagnoseSilence(const char* host, int32_t timeout, const UsmModel& model)
{
    const UsmUser& user = model.user();
    int32_t dropped = NETROV_OK;
    MessagePtr plain = probeAs(host, timeout, model, user.variant(usm::Level::AuthNoPriv, {}), dropped);
    if (!plain) return dropped != NETROV_OK ? dropped : NETROV_NO_REPLY;
    if (plain->pduType == kPduReport) {
        const ReportKind kind = reportKind(*plain);
        // These say the user or its authentication key is at fault; other reports still prove both right.
        if (kind == ReportKind::WrongDigest || kind == ReportKind::UnknownUser || kind == ReportKind::UnknownEngine)
            return reportResult(kind);
    }
    // Authentication holds: the fault is the privacy key or the context.
    if (user.context().empty()) return user.level() == usm::Level::AuthPriv ? NETROV_V3_DECRYPTION_ERROR : NETROV_NO_REPLY;
    if (user.level() != usm::Level::AuthPriv) return NETROV_V3_UNKNOWN_CONTEXT;
    MessagePtr full = probeAs(host, timeout, model, user.variant(usm::Level::AuthPriv, {}), dropped);
    return full ? NETROV_V3_UNKNOWN_CONTEXT : NETROV_V3_DECRYPTION_ERROR;
}

}  // namespace

V3Reply requestV3(const char* host, int32_t timeout, int32_t retries, const UsmModel& model, const SnmpMessage& pdu)
{
    SnmpMessage current = pdu;
    bool discovered = false;
    bool rediscovered = false;
    bool resynchronised = false;
    int32_t silences = 0;
    while (silences <= retries) {
        const bool engineKnown = model.engine().has_value();
        model.clearDrop();
        MessagePtr reply = request(host, timeout, model, current);
        if (!reply) {
            if (model.lastDrop() != NETROV_OK) return {model.lastDrop(), nullptr};
            ++silences;
            continue;
        }
        if (reply->pduType != kPduReport) return {NETROV_OK, std::move(reply)};
        const ReportKind kind = reportKind(*reply);
        current.requestId = nextRequestId();
        if (kind == ReportKind::UnknownEngine && !engineKnown && !discovered && model.engine()) {
            discovered = true;
            continue;
        }
        // An unauthenticated report that the engine we hold is unknown: the
        // agent at this address is not the one learnt. Discover it once.
        if (kind == ReportKind::UnknownEngine && engineKnown && !model.lastReportAuthenticated() && !rediscovered) {
            rediscovered = true;
            model.forgetEngine();
            continue;
        }
        if (kind == ReportKind::NotInTimeWindow && model.lastReportAuthenticated() && !resynchronised) {
            resynchronised = true;
            continue;
        }
        return {reportResult(kind), nullptr};
    }
    if (model.engine() && model.user().level() != usm::Level::NoAuthNoPriv)
        return {diagnoseSilence(host, timeout, model), nullptr};
    return {NETROV_NO_REPLY, nullptr};
}

}  // namespace netrov::snmp
