// The user-based security model without a network: key vectors, messages an agent encrypted, and bad input.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ber.h"
#include "message_v3.h"
#include "netrov/result_codes.h"
#include "snmp_test_util.h"

namespace {

using namespace netrov::snmp;
using usm::Auth;
using usm::Level;
using usm::Priv;
using Bytes = std::vector<uint8_t>;

Bytes hex(std::string_view text)
{
    Bytes out;
    for (size_t i = 0; i + 1 < text.size(); i += 2) out.push_back(static_cast<uint8_t>(std::stoi(std::string(text.substr(i, 2)), nullptr, 16)));
    return out;
}

std::string hexOf(std::span<const uint8_t> bytes)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    for (uint8_t b : bytes) {
        out += kDigits[b >> 4];
        out += kDigits[b & 15];
    }
    return out;
}

// The pass phrase and engine of the key examples published with the model.
const std::string kPhrase = "maplesyrup";
const Bytes kExampleEngine = hex("000000000000000000000002");

std::span<const uint8_t> bytesOf(const std::string& text) { return {reinterpret_cast<const uint8_t*>(text.data()), text.size()}; }

TEST(UsmKeys, PassPhraseToKeyAndLocalisation)
{
    struct Row {
        Auth auth;
        const char* master;
        const char* localised;
    };
    // MD5 and SHA-1 as published; the SHA-2 rows computed once by an independent implementation.
    const Row rows[] = {
        {Auth::Md5, "9faf3283884e92834ebc9847d8edd963", "526f5eed9fcce26f8964c2930787d82b"},
        {Auth::Sha1, "9fb5cc0381497b3793528939ff788d5d79145211", "6695febc9288e36282235fc7151f128497b38f3f"},
        {Auth::Sha224, "282a5867ee9aac639ad59df9572c7d3ac0fbc13a905b6df07dbbf00b",
         "0bd8827c6e29f8065e08e09237f177e410f69b90e1782be682075674"},
        {Auth::Sha256, "ab51014d1e077f6017df2b12bee5f5aa72993177e9bb569c4dff5a4ca0b4afac",
         "8982e0e549e866db361a6b625d84cccc11162d453ee8ce3a6445c2d6776f0f8b"},
        {Auth::Sha384,
         "e06eccdf2c68a06ed034723c9c26e0db3b669e1e2efed49150b55377a2e98f383c86fb836857444654b287c93f51ff64",
         "3b298f16164a11184279d5432bf169e2d2a48307de02b3d3f7e2b4f36eb6f0455a53689a3937eea07319a633d2ccba78"},
        {Auth::Sha512,
         "7e4396de5aadc77be853819b98c9406265b3a9c37cc3176569847a4e4f6fba63dd3a73d04924d31a63f95a601f9385af6be4ed1b37f87d040f7c6ed6f8d38a91",
         "22a5a36cedfcc085807a128d7bc6c2382167ad6c0dbc5fdff856740f3d84c099ad1ea87a8db096714d9788bd544047c9021e4229ce27e4c0a69250adfcffbb0b"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.master);
        const usm::SecretBytes master = usm::passwordToKey(row.auth, bytesOf(kPhrase));
        EXPECT_EQ(hexOf(master.bytes()), row.master);
        EXPECT_EQ(hexOf(usm::localizeKey(row.auth, master.bytes(), kExampleEngine).bytes()), row.localised);
    }
    EXPECT_TRUE(usm::passwordToKey(Auth::Md5, {}).empty());
    EXPECT_TRUE(usm::passwordToKey(Auth::None, bytesOf(kPhrase)).empty());
}

TEST(UsmKeys, ShortPrivacyKeysExtendByEitherRule)
{
    struct Row {
        Auth auth;
        Priv priv;
        const char* key;
    };
    // Computed once by an independent implementation of each extension.
    const Row rows[] = {
        {Auth::Md5, Priv::Aes256, "526f5eed9fcce26f8964c2930787d82bfa24a92467426c2f4b09192be10dfaec"},
        {Auth::Md5, Priv::Aes256C, "526f5eed9fcce26f8964c2930787d82b79eff44a90650ee0a3a40abfac5acc12"},
        {Auth::Sha1, Priv::Aes256, "6695febc9288e36282235fc7151f128497b38f3f505e07eb9af25568fa1f5dbe"},
        {Auth::Sha1, Priv::Aes256C, "6695febc9288e36282235fc7151f128497b38f3f9b8b6d78936ba6e7d19dfd9c"},
        {Auth::Md5, Priv::Aes192, "526f5eed9fcce26f8964c2930787d82bfa24a92467426c2f"},
        {Auth::Sha1, Priv::Aes192C, "6695febc9288e36282235fc7151f128497b38f3f9b8b6d78"},
        {Auth::Sha1, Priv::Aes128, "6695febc9288e36282235fc7151f1284"},
        {Auth::Md5, Priv::Des, "526f5eed9fcce26f8964c2930787d82b"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.key);
        const usm::SecretBytes master = usm::passwordToKey(row.auth, bytesOf(kPhrase));
        EXPECT_EQ(hexOf(usm::localizePrivKey(row.auth, row.priv, master.bytes(), kExampleEngine).bytes()), row.key);
    }
}

// Replies net-snmp's snmpd encrypted and signed for users whose pass
// phrases were the example phrase, to requests for sysDescr.0.
const Bytes kAgentEngine = hex("80001f8880aabbccdd01020304");
struct AgentMessage {
    const char* user;
    Auth auth;
    Level level;
    Priv priv;
    int32_t requestId;
    const char* message;
};
const AgentMessage kAgentMessages[] = {
    {"capDES", Auth::Sha1, Level::AuthPriv, Priv::Des, 0x1234,
     "30818f020103300f02021234020300ffe304010302010304373035040d80001f8880aabbccdd010203040201010201010406636170444553"
     "040c16c356bd10f27a0e9698fe9d0408000000014ab4b13f0440c8fe1df4545b7cbca97c01066a0db75442c92028f6c671671d5a85be5b8e"
     "6bbcea02ffb69ef950d62e02699b7e2c7ea5ab5e4f87108eccd43ebf165dae6704c3"},
    {"capAES", Auth::Sha1, Level::AuthPriv, Priv::Aes128, 0x1235,
     "30818f020103300f02021235020300ffe304010302010304373035040d80001f8880aabbccdd010203040201010201010406636170414553"
     "040c44a5de7640b3764cef26c1cf0408f2d7d259e3f886a50440772c51415364a7fe77286417b9438c4f7d8d3201fe88abbc3ff5743bf19f"
     "bf17440a82ca574ada1ca2cc46876ecd96027f4a27c2c9491c4e85737e81d034a953"},
    {"capAES-192", Auth::Sha1, Level::AuthPriv, Priv::Aes192, 0x1236,
     "308193020103300f02021236020300ffe3040103020103043b3039040d80001f8880aabbccdd01020304020101020101040a636170414553"
     "2d313932040c3dabdf7e65f882e009091a640408f2d7d259e3f886a60440fcc0f4120fc03e96a77a9c7274405c92bd82170409340e3eecf5"
     "38d097c7839712e188277f3ea02ce18d1a223c2972cc7827502b71b4423f1d2776fb752b41cb"},
    {"capAES-256", Auth::Sha1, Level::AuthPriv, Priv::Aes256, 0x1237,
     "308193020103300f02021237020300ffe3040103020103043b3039040d80001f8880aabbccdd01020304020101020101040a636170414553"
     "2d323536040c52e60d468130ebd8eafe36590408f2d7d259e3f886a70440e11b49f8480d58ee71d832b16eaeb75f756dec4455706ba8045b"
     "a9254c0861df8da7ef85d61be2ea520c6c205037dea20675128d2527f0ddb4e74a9a0ac17d7e"},
    {"capauth", Auth::Sha256, Level::AuthNoPriv, Priv::None, 0x1238,
     "308192020103300f02021238020300ffe3040101020103043c303a040d80001f8880aabbccdd0102030402010102010104076361706175"
     "746804189927ef30c83c514979648bd20b6245ed19d0d1bfd81f32b10400303e040d80001f8880aabbccdd010203040400a22b0202123802"
     "0100020100301f301d06082b0601020101010004114e6574526f762074657374206167656e74"},
};
const AgentMessage& agentMessage(Priv priv)
{
    for (const AgentMessage& m : kAgentMessages)
        if (m.priv == priv) return m;
    return kAgentMessages[0];
}

std::shared_ptr<const UsmUser> userOf(const std::string& name, Auth auth, Level level, Priv priv,
                                      const std::string& context = {})
{
    UsmCredentials c;
    c.user = name;
    c.auth = auth;
    c.level = level;
    c.priv = priv;
    c.authPassphrase = usm::SecretBytes(bytesOf(kPhrase));
    c.privPassphrase = usm::SecretBytes(bytesOf(kPhrase));
    c.context = context;
    return UsmUser::create(c);
}

std::unique_ptr<UsmModel> agentModel(const AgentMessage& m, uint32_t boots = 1, uint32_t time = 1)
{
    auto model = std::make_unique<UsmModel>(userOf(m.user, m.auth, m.level, m.priv));
    model->restoreEngine({kAgentEngine, boots, time});
    return model;
}

std::string firstValue(const SnmpMessage& message)
{
    if (!message.variables || !message.variables->value) return {};
    return {reinterpret_cast<const char*>(message.variables->value), message.variables->valueLength};
}

TEST(UsmMessages, RepliesTheAgentEncryptedDecryptWithEveryCipher)
{
    for (const AgentMessage& m : kAgentMessages) {
        SCOPED_TRACE(m.user);
        auto model = agentModel(m);
        const Bytes data = hex(m.message);
        Unwrapped reply = model->unwrap(data, 0x0100007F);
        ASSERT_EQ(reply.status, UnwrapStatus::Ok);
        EXPECT_EQ(reply.message->version, kVersion3);
        EXPECT_EQ(reply.message->pduType, SNMP_PDU_RESPONSE);
        EXPECT_EQ(reply.message->requestId, m.requestId);
        EXPECT_TRUE(model->answers(*reply.message, m.requestId));
        EXPECT_FALSE(model->answers(*reply.message, m.requestId + 1));
        EXPECT_EQ(firstValue(*reply.message), "NetRov test agent");
        EXPECT_EQ(model->lastDrop(), NETROV_OK);
    }
}

// A copy of data with one byte changed at offset.
Bytes flipped(Bytes data, size_t offset)
{
    data[offset] ^= 0x01;
    return data;
}

size_t offsetOf(const Bytes& data, const Bytes& part)
{
    return static_cast<size_t>(std::search(data.begin(), data.end(), part.begin(), part.end()) - data.begin());
}

TEST(UsmMessages, TamperedReplayedAndForeignRepliesAreDroppedWithTheirReason)
{
    const AgentMessage& m = agentMessage(Priv::Aes128);
    const Bytes data = hex(m.message);
    const size_t mac = offsetOf(data, hex("44a5de7640b3764cef26c1cf"));
    const size_t cipher = offsetOf(data, hex("772c51415364a7fe"));
    const size_t boots = offsetOf(data, hex("040d80001f8880aabbccdd01020304")) + 17;
    ASSERT_LT(cipher, data.size());
    struct Case {
        const char* what;
        Bytes data;
        uint32_t boots;
        uint32_t time;
        Bytes engine;
        int32_t reason;
    };
    const Case cases[] = {
        {"digest changed", flipped(data, mac + 5), 1, 1, kAgentEngine, NETROV_V3_WRONG_DIGEST},
        {"encrypted PDU changed", flipped(data, cipher + 3), 1, 1, kAgentEngine, NETROV_V3_WRONG_DIGEST},
        {"boots changed", flipped(data, boots), 1, 1, kAgentEngine, NETROV_V3_WRONG_DIGEST},
        {"replayed after a reboot", data, 2, 1, kAgentEngine, NETROV_V3_NOT_IN_TIME_WINDOW},
        {"replayed long after", data, 1, 152, kAgentEngine, NETROV_V3_NOT_IN_TIME_WINDOW},
        {"from another engine", data, 1, 1, hex("80001f8880aabbccdd0102030405"), NETROV_V3_UNKNOWN_ENGINE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        UsmModel model(userOf(m.user, m.auth, m.level, m.priv));
        model.restoreEngine({c.engine, c.boots, c.time});
        EXPECT_EQ(model.unwrap(c.data, 0).status, UnwrapStatus::Malformed);
        EXPECT_EQ(model.lastDrop(), c.reason);
    }
    // Within the window the same reply is taken.
    auto model = agentModel(m, 1, 150);
    EXPECT_EQ(model->unwrap(data, 0).status, UnwrapStatus::Ok);
}

TEST(UsmMessages, NoTruncationOfAReplyIsTaken)
{
    for (const AgentMessage& m : kAgentMessages) {
        SCOPED_TRACE(m.user);
        const Bytes data = hex(m.message);
        // One user for all: its keys are derived once.
        auto user = userOf(m.user, m.auth, m.level, m.priv);
        for (size_t size = 0; size < data.size(); ++size) {
            auto model = std::make_unique<UsmModel>(user);
            model->restoreEngine({kAgentEngine, 1, 1});
            EXPECT_NE(model->unwrap({data.data(), size}, 0).status, UnwrapStatus::Ok) << size;
        }
    }
}

// The parts of a message that the structural cases change, written back
// with a digest made with the user's key, so only the changed part can be
// why a message is refused.
struct Parts {
    Bytes engine = kAgentEngine;
    int32_t boots = 1;
    int32_t time = 1;
    std::string user;
    uint8_t flags = 0x03;
    size_t macLength = 12;
    Bytes privParams;
    Bytes data;  // the msgData element, whole
};

void tlv(Bytes& out, uint8_t tag, std::span<const uint8_t> content)
{
    out.push_back(tag);
    if (content.size() >= 0x80) {
        out.push_back(0x82);
        out.push_back(static_cast<uint8_t>(content.size() >> 8));
    }
    out.push_back(static_cast<uint8_t>(content.size()));
    out.insert(out.end(), content.begin(), content.end());
}

Bytes intTlv(int32_t value)
{
    Bytes out = {0x02, 0x04, static_cast<uint8_t>(value >> 24), static_cast<uint8_t>(value >> 16),
                 static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
    return out;
}

Bytes build(const Parts& p, Auth auth, std::span<const uint8_t> key, int32_t msgId)
{
    Bytes global = intTlv(msgId);
    const Bytes size = intTlv(65507);
    global.insert(global.end(), size.begin(), size.end());
    tlv(global, 0x04, std::span<const uint8_t>(&p.flags, 1));
    const Bytes model = intTlv(3);
    global.insert(global.end(), model.begin(), model.end());
    Bytes sec;
    tlv(sec, 0x04, p.engine);
    for (int32_t v : {p.boots, p.time}) {
        const Bytes i = intTlv(v);
        sec.insert(sec.end(), i.begin(), i.end());
    }
    tlv(sec, 0x04, bytesOf(p.user));
    const Bytes zeros(p.macLength, 0);
    tlv(sec, 0x04, zeros);
    tlv(sec, 0x04, p.privParams);
    Bytes secSeq;
    tlv(secSeq, 0x30, sec);
    Bytes content = {0x02, 0x01, 0x03};
    tlv(content, 0x30, global);
    tlv(content, 0x04, secSeq);
    content.insert(content.end(), p.data.begin(), p.data.end());
    Bytes message;
    tlv(message, 0x30, content);
    if (p.macLength) {
        const size_t at = offsetOf(message, zeros);
        std::array<uint8_t, 64> mac{};
        if (usm::computeMac(auth, key, message, mac.data()) && p.macLength <= usm::macLength(auth))
            std::copy_n(mac.data(), p.macLength, message.begin() + static_cast<std::ptrdiff_t>(at));
    }
    return message;
}

// The msgData element of a message: what follows the security parameters.
Bytes msgDataOf(const Bytes& message)
{
    BerReader outer(message);
    BerReader body = outer.enter(0x30);
    int32_t version = 0;
    std::span<const uint8_t> global, sec;
    if (!body.readInt(version) || !body.readContent(0x30, global) || !body.readContent(0x04, sec)) return {};
    const size_t rest = body.remaining();
    return Bytes(message.end() - static_cast<std::ptrdiff_t>(rest), message.end());
}

TEST(UsmMessages, MalformedSecurityParametersAndUndecryptablePdusAreRefused)
{
    const AgentMessage& aes = agentMessage(Priv::Aes128);
    const AgentMessage& des = agentMessage(Priv::Des);
    const usm::SecretBytes master = usm::passwordToKey(Auth::Sha1, bytesOf(kPhrase));
    const usm::SecretBytes key = usm::localizeKey(Auth::Sha1, master.bytes(), kAgentEngine);

    Parts base;
    base.user = aes.user;
    base.privParams = hex("f2d7d259e3f886a5");
    base.data = msgDataOf(hex(aes.message));
    // The rebuilt message is taken, so each case below is refused for its change alone.
    {
        auto model = agentModel(aes);
        EXPECT_EQ(model->unwrap(build(base, Auth::Sha1, key.bytes(), aes.requestId), 0).status, UnwrapStatus::Ok);
    }

    struct Case {
        const char* what;
        void (*change)(Parts&);
        Priv priv;
        int32_t reason;
    };
    const Case cases[] = {
        {"empty engine identifier", [](Parts& p) { p.engine.clear(); }, Priv::Aes128, NETROV_OK},
        {"engine identifier of 33 bytes", [](Parts& p) { p.engine.resize(33, 7); }, Priv::Aes128, NETROV_OK},
        {"user name of 33 bytes", [](Parts& p) { p.user.resize(33, 'u'); }, Priv::Aes128, NETROV_OK},
        {"digest too long", [](Parts& p) { p.macLength = 49; }, Priv::Aes128, NETROV_OK},
        {"digest too short", [](Parts& p) { p.macLength = 11; }, Priv::Aes128, NETROV_V3_WRONG_DIGEST},
        {"privacy parameters of 7 bytes", [](Parts& p) { p.privParams.pop_back(); }, Priv::Aes128, NETROV_OK},
        {"privacy parameters of 9 bytes", [](Parts& p) { p.privParams.push_back(0); }, Priv::Aes128, NETROV_OK},
        {"privacy without authentication", [](Parts& p) { p.flags = 0x02; }, Priv::Aes128, NETROV_OK},
        {"negative boots", [](Parts& p) { p.boots = -1; }, Priv::Aes128, NETROV_OK},
        {"last boots value", [](Parts& p) { p.boots = 0x7FFFFFFF; }, Priv::Aes128, NETROV_V3_NOT_IN_TIME_WINDOW},
        {"another user", [](Parts& p) { p.user = "capAES2"; }, Priv::Aes128, NETROV_OK},
        {"encrypted PDU that decrypts to garbage",
         [](Parts& p) {
             for (size_t i = 4; i < p.data.size(); ++i) p.data[i] ^= 0x5A;
         },
         Priv::Aes128, NETROV_V3_DECRYPTION_ERROR},
        {"DES text not a whole number of blocks",
         [](Parts& p) {
             p.data.pop_back();
             p.data[1] -= 1;
         },
         Priv::Des, NETROV_V3_DECRYPTION_ERROR},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const AgentMessage& m = c.priv == Priv::Des ? des : aes;
        Parts parts = base;
        parts.user = m.user;
        if (c.priv == Priv::Des) {
            parts.privParams = hex("000000014ab4b13f");
            parts.data = msgDataOf(hex(des.message));
        }
        c.change(parts);
        auto model = agentModel(m);
        EXPECT_EQ(model->unwrap(build(parts, Auth::Sha1, key.bytes(), m.requestId), 0).status, UnwrapStatus::Malformed);
        EXPECT_EQ(model->lastDrop(), c.reason);
    }
}

// What a model writes, read back by a model of the same user as an agent would.
TEST(UsmMessages, EveryCipherReadsBackWhatItWrote)
{
    const Priv privs[] = {Priv::Des, Priv::Aes128, Priv::Aes192, Priv::Aes256, Priv::Aes192C, Priv::Aes256C};
    const std::vector<uint32_t> name = netrov::test::arcsOf("1.3.6.1.2.1.43.11.1.1.9.1.1");
    for (Priv priv : privs) {
        SCOPED_TRACE(static_cast<int>(priv));
        auto user = userOf("roundtrip", Auth::Sha256, Level::AuthPriv, priv, "printers");
        ASSERT_TRUE(user);
        UsmModel model(user);
        model.restoreEngine({kAgentEngine, 7, 1000});
        // A Response, as only answers are taken.
        RequestPdu pdu(SNMP_PDU_RESPONSE, name);
        pdu.setRequestId(4242);
        std::array<uint8_t, SNMP_DATAGRAM_SIZE> first{}, second{};
        const auto size = model.wrap(pdu.pdu(), first);
        ASSERT_TRUE(size);
        const auto again = model.wrap(pdu.pdu(), second);
        ASSERT_TRUE(again);
        // Each message has a salt of its own, so equal requests never encrypt alike.
        EXPECT_NE(hexOf({first.data(), *size}), hexOf({second.data(), *again}));
        // Nothing of the scoped PDU, and no pass phrase, is readable on the wire.
        const Bytes wire(first.begin(), first.begin() + *size);
        EXPECT_EQ(offsetOf(wire, Bytes{'p', 'r', 'i', 'n', 't'}), wire.size());
        EXPECT_EQ(offsetOf(wire, Bytes(kPhrase.begin(), kPhrase.end())), wire.size());
        Unwrapped back = model.unwrap({first.data(), *size}, 0);
        ASSERT_EQ(back.status, UnwrapStatus::Ok);
        EXPECT_EQ(back.message->pduType, SNMP_PDU_RESPONSE);
        EXPECT_EQ(back.message->requestId, 4242);
        ASSERT_TRUE(back.message->variables);
        EXPECT_EQ(back.message->variables->nameLength, 13);
    }
}

TEST(UsmMessages, TheDiscoveryProbeCarriesNoSecretAndTheContextTravels)
{
    UsmModel model(userOf("someone", Auth::Sha1, Level::AuthNoPriv, Priv::None, "printers"));
    const std::vector<uint32_t> name = netrov::test::arcsOf("1.3.6.1.2.1.1.1.0");
    RequestPdu pdu(SNMP_PDU_GET, name);
    pdu.setRequestId(77);
    std::array<uint8_t, SNMP_DATAGRAM_SIZE> out{};
    auto size = model.wrap(pdu.pdu(), out);
    ASSERT_TRUE(size);
    // Reportable only, no engine, no user, no bindings.
    const Bytes probe(out.begin(), out.begin() + *size);
    EXPECT_EQ(offsetOf(probe, Bytes{'s', 'o', 'm', 'e'}), probe.size());
    EXPECT_EQ(offsetOf(probe, Bytes{0x04, 0x01, 0x04}), 15u);  // msgFlags: reportable
    EXPECT_EQ(offsetOf(probe, Bytes{0x30, 0x00}), probe.size() - 2);

    // Once the engine is known the context name and engine travel in the scoped PDU.
    model.restoreEngine({kAgentEngine, 1, 1});
    size = model.wrap(pdu.pdu(), out);
    ASSERT_TRUE(size);
    Bytes scopedStart = {0x04, 0x0d};
    scopedStart.insert(scopedStart.end(), kAgentEngine.begin(), kAgentEngine.end());
    scopedStart.insert(scopedStart.end(), {0x04, 0x08, 'p', 'r', 'i', 'n', 't', 'e', 'r', 's', 0xa0});
    const Bytes message(out.begin(), out.begin() + *size);
    EXPECT_LT(offsetOf(message, scopedStart), message.size());
}

TEST(UsmMessages, ReportsNameTheirCounter)
{
    struct Row {
        const char* oid;
        ReportKind kind;
        int32_t result;
    };
    const Row rows[] = {
        {"1.3.6.1.6.3.15.1.1.1.0", ReportKind::UnsupportedLevel, NETROV_V3_UNSUPPORTED_LEVEL},
        {"1.3.6.1.6.3.15.1.1.2.0", ReportKind::NotInTimeWindow, NETROV_V3_NOT_IN_TIME_WINDOW},
        {"1.3.6.1.6.3.15.1.1.3.0", ReportKind::UnknownUser, NETROV_V3_UNKNOWN_USER},
        {"1.3.6.1.6.3.15.1.1.4.0", ReportKind::UnknownEngine, NETROV_V3_UNKNOWN_ENGINE},
        {"1.3.6.1.6.3.15.1.1.5.0", ReportKind::WrongDigest, NETROV_V3_WRONG_DIGEST},
        {"1.3.6.1.6.3.15.1.1.6.0", ReportKind::DecryptionError, NETROV_V3_DECRYPTION_ERROR},
        {"1.3.6.1.6.3.12.1.5.0", ReportKind::UnknownContext, NETROV_V3_UNKNOWN_CONTEXT},
        {"1.3.6.1.6.3.15.1.1.7.0", ReportKind::Other, NETROV_NO_VALUE},
        {"1.3.6.1.6.3.15.1.1.5", ReportKind::Other, NETROV_NO_VALUE},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.oid);
        std::vector<uint32_t> name = netrov::test::arcsOf(row.oid);
        SnmpBinding binding{};
        binding.name = name.data();
        binding.nameLength = static_cast<int32_t>(name.size());
        SnmpMessage report{};
        report.pduType = kPduReport;
        report.variables = &binding;
        EXPECT_EQ(reportKind(report), row.kind);
        EXPECT_EQ(reportResult(reportKind(report)), row.result);
    }
}

TEST(UsmMessages, KeysAreLocalisedOncePerEngine)
{
    auto user = userOf("cached", Auth::Sha1, Level::AuthPriv, Priv::Aes128);
    const auto first = user->keysFor(kAgentEngine);
    ASSERT_TRUE(first);
    EXPECT_EQ(user->keysFor(kAgentEngine), first);
    const auto other = user->keysFor(kExampleEngine);
    ASSERT_TRUE(other);
    EXPECT_NE(other, first);
    EXPECT_EQ(hexOf(other->auth.bytes()), "6695febc9288e36282235fc7151f128497b38f3f");
    EXPECT_EQ(hexOf(other->priv.bytes()), "6695febc9288e36282235fc7151f1284");
    // A variant shares the master keys, so its keys are the same.
    const auto lower = user->variant(Level::AuthNoPriv, {});
    ASSERT_TRUE(lower);
    EXPECT_EQ(hexOf(lower->keysFor(kExampleEngine)->auth.bytes()), hexOf(other->auth.bytes()));
    EXPECT_TRUE(lower->keysFor(kExampleEngine)->priv.empty());
    EXPECT_FALSE(lower->variant(Level::AuthPriv, {}));
}

TEST(UsmMessages, CredentialsThatDoNotFitTheirLevelAreRefused)
{
    UsmCredentials c;
    EXPECT_FALSE(UsmUser::create(c)) << "no user name";
    c.user = std::string(33, 'u');
    EXPECT_FALSE(UsmUser::create(c)) << "user name over 32 bytes";
    c.user = "u";
    EXPECT_TRUE(UsmUser::create(c));
    c.level = Level::AuthNoPriv;
    EXPECT_FALSE(UsmUser::create(c)) << "no protocol";
    c.auth = Auth::Md5;
    EXPECT_FALSE(UsmUser::create(c)) << "no pass phrase";
    c.authPassphrase = usm::SecretBytes(bytesOf(kPhrase));
    EXPECT_TRUE(UsmUser::create(c));
    c.level = Level::AuthPriv;
    EXPECT_FALSE(UsmUser::create(c)) << "no cipher";
    c.priv = Priv::Aes128;
    EXPECT_FALSE(UsmUser::create(c)) << "no privacy pass phrase";
    c.privPassphrase = usm::SecretBytes(bytesOf(kPhrase));
    EXPECT_TRUE(UsmUser::create(c));
}

}  // namespace
