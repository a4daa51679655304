// The user-based security model's key derivation, message digests and ciphers over libcrypto.
#include "usm.h"

#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/params.h>
#include <openssl/provider.h>

#include <algorithm>
#include <array>
#include <memory>
#include <mutex>
#include <vector>

namespace netrov::snmp::usm {

namespace {

constexpr size_t kPassphraseExpansion = 1048576;
constexpr size_t kExpansionBlock = 4096;

struct AuthRow {
    Auth auth;
    const char* digest;
    size_t digestLength;
    size_t macLength;
};

// RFC 3414 truncates MD5 and SHA-1 to 96 bits; RFC 7860 truncates SHA-2 to about half.
constexpr AuthRow kAuthRows[] = {
    {Auth::Md5, "MD5", 16, 12},       {Auth::Sha1, "SHA1", 20, 12},     {Auth::Sha224, "SHA224", 28, 16},
    {Auth::Sha256, "SHA256", 32, 24}, {Auth::Sha384, "SHA384", 48, 32}, {Auth::Sha512, "SHA512", 64, 48},
};

enum class Extension : uint8_t { None, Hash, Repeat };

struct PrivRow {
    Priv priv;
    const char* cipher;
    size_t keyLength;  // with DES, key and pre-IV
    Extension extension;
};

constexpr PrivRow kPrivRows[] = {
    {Priv::Des, "DES-CBC", 16, Extension::None},
    {Priv::Aes128, "AES-128-CFB", 16, Extension::None},
    {Priv::Aes192, "AES-192-CFB", 24, Extension::Hash},
    {Priv::Aes256, "AES-256-CFB", 32, Extension::Hash},
    {Priv::Aes192C, "AES-192-CFB", 24, Extension::Repeat},
    {Priv::Aes256C, "AES-256-CFB", 32, Extension::Repeat},
};

const AuthRow* authRow(Auth auth)
{
    for (const AuthRow& row : kAuthRows)
        if (row.auth == auth) return &row;
    return nullptr;
}

const PrivRow* privRow(Priv priv)
{
    for (const PrivRow& row : kPrivRows)
        if (row.priv == priv) return &row;
    return nullptr;
}

struct DigestCtxFree {
    void operator()(EVP_MD_CTX* ctx) const noexcept { EVP_MD_CTX_free(ctx); }
};
struct CipherCtxFree {
    void operator()(EVP_CIPHER_CTX* ctx) const noexcept { EVP_CIPHER_CTX_free(ctx); }
};
struct CipherFree {
    void operator()(EVP_CIPHER* cipher) const noexcept { EVP_CIPHER_free(cipher); }
};
struct MdFree {
    void operator()(EVP_MD* md) const noexcept { EVP_MD_free(md); }
};

// A library context of our own holds the legacy module single DES needs, so
// loading it changes nothing for other users of libcrypto in the process.
class CryptoContext {
public:
    CryptoContext()
    {
        ctx_ = OSSL_LIB_CTX_new();
        if (!ctx_) return;
        default_ = OSSL_PROVIDER_load(ctx_, "default");
        legacy_ = OSSL_PROVIDER_load(ctx_, "legacy");
    }
    ~CryptoContext()
    {
        if (legacy_) OSSL_PROVIDER_unload(legacy_);
        if (default_) OSSL_PROVIDER_unload(default_);
        OSSL_LIB_CTX_free(ctx_);
    }
    CryptoContext(const CryptoContext&) = delete;
    CryptoContext& operator=(const CryptoContext&) = delete;

    OSSL_LIB_CTX* get() const { return ctx_; }

private:
    OSSL_LIB_CTX* ctx_ = nullptr;
    OSSL_PROVIDER* default_ = nullptr;
    OSSL_PROVIDER* legacy_ = nullptr;
};

// Shared, so that a key made ready for HMAC and kept in a static of another
// file keeps the providers it needs until it goes, whatever the order in
// which statics are destroyed.
const std::shared_ptr<CryptoContext>& sharedCryptoContext()
{
    static const std::shared_ptr<CryptoContext> context = std::make_shared<CryptoContext>();
    return context;
}

CryptoContext& cryptoContext() { return *sharedCryptoContext(); }

// Fetching an algorithm searches the providers under a lock, so each is
// fetched once and kept for the life of the process.
const EVP_MD* fetchDigest(Auth auth)
{
    static const auto kDigests = [] {
        std::array<std::unique_ptr<EVP_MD, MdFree>, std::size(kAuthRows)> digests;
        for (size_t i = 0; i < digests.size(); ++i)
            digests[i].reset(EVP_MD_fetch(cryptoContext().get(), kAuthRows[i].digest, nullptr));
        return digests;
    }();
    for (size_t i = 0; i < std::size(kAuthRows); ++i)
        if (kAuthRows[i].auth == auth) return kDigests[i].get();
    return nullptr;
}

const EVP_CIPHER* fetchCipher(Priv priv)
{
    static const auto kCiphers = [] {
        std::array<std::unique_ptr<EVP_CIPHER, CipherFree>, std::size(kPrivRows)> ciphers;
        for (size_t i = 0; i < ciphers.size(); ++i)
            ciphers[i].reset(EVP_CIPHER_fetch(cryptoContext().get(), kPrivRows[i].cipher, nullptr));
        return ciphers;
    }();
    for (size_t i = 0; i < std::size(kPrivRows); ++i)
        if (kPrivRows[i].priv == priv) return kCiphers[i].get();
    return nullptr;
}

// Hashes the concatenation of parts; empty on failure.
SecretBytes hashParts(Auth auth, std::initializer_list<std::span<const uint8_t>> parts)
{
    const EVP_MD* md = fetchDigest(auth);
    std::unique_ptr<EVP_MD_CTX, DigestCtxFree> ctx(EVP_MD_CTX_new());
    if (!md || !ctx || EVP_DigestInit_ex(ctx.get(), md, nullptr) != 1) return {};
    for (std::span<const uint8_t> part : parts)
        if (EVP_DigestUpdate(ctx.get(), part.data(), part.size()) != 1) return {};
    std::array<uint8_t, EVP_MAX_MD_SIZE> out{};
    unsigned length = 0;
    if (EVP_DigestFinal_ex(ctx.get(), out.data(), &length) != 1) return {};
    SecretBytes result(std::span<const uint8_t>(out.data(), length));
    OPENSSL_cleanse(out.data(), out.size());
    return result;
}

void putBig32(uint8_t* out, uint32_t value)
{
    out[0] = static_cast<uint8_t>(value >> 24);
    out[1] = static_cast<uint8_t>(value >> 16);
    out[2] = static_cast<uint8_t>(value >> 8);
    out[3] = static_cast<uint8_t>(value);
}

// Runs the cipher once over input; DES without its own padding, as the
// message layer pads and strips.
std::optional<std::vector<uint8_t>> runCipher(Priv priv, std::span<const uint8_t> key, std::span<const uint8_t> iv,
                                              std::span<const uint8_t> input, bool encrypting)
{
    const EVP_CIPHER* cipher = fetchCipher(priv);
    std::unique_ptr<EVP_CIPHER_CTX, CipherCtxFree> ctx(EVP_CIPHER_CTX_new());
    if (!cipher || !ctx) return std::nullopt;
    if (EVP_CipherInit_ex2(ctx.get(), cipher, key.data(), iv.data(), encrypting ? 1 : 0, nullptr) != 1)
        return std::nullopt;
    EVP_CIPHER_CTX_set_padding(ctx.get(), 0);
    std::vector<uint8_t> out(input.size() + 16);
    int written = 0;
    int last = 0;
    if (EVP_CipherUpdate(ctx.get(), out.data(), &written, input.data(), static_cast<int>(input.size())) != 1
        || EVP_CipherFinal_ex(ctx.get(), out.data() + written, &last) != 1)
        return std::nullopt;
    out.resize(static_cast<size_t>(written + last));
    return out;
}

// The IV of a message: DES XORs the pre-IV with the salt; AES joins boots,
// time and the salt.
bool makeIv(Priv priv, std::span<const uint8_t> key, uint32_t boots, uint32_t time,
            std::span<const uint8_t, kSaltLength> salt, std::array<uint8_t, 16>& iv, std::span<const uint8_t>& cipherKey)
{
    const PrivRow* row = privRow(priv);
    if (!row || key.size() != row->keyLength) return false;
    if (priv == Priv::Des) {
        for (size_t i = 0; i < 8; ++i) iv[i] = key[8 + i] ^ salt[i];
        cipherKey = key.first(8);
        return true;
    }
    putBig32(iv.data(), boots);
    putBig32(iv.data() + 4, time);
    for (size_t i = 0; i < 8; ++i) iv[8 + i] = salt[i];
    cipherKey = key;
    return true;
}

}  // namespace

SecretBytes& SecretBytes::operator=(const SecretBytes& other)
{
    if (this != &other) {
        wipe();
        bytes_ = other.bytes_;
    }
    return *this;
}

SecretBytes& SecretBytes::operator=(SecretBytes&& other) noexcept
{
    if (this != &other) {
        wipe();
        bytes_ = std::move(other.bytes_);
    }
    return *this;
}

SecretBytes::~SecretBytes() { wipe(); }

void SecretBytes::wipe() noexcept
{
    if (!bytes_.empty()) OPENSSL_cleanse(bytes_.data(), bytes_.size());
}

void SecretBytes::truncate(size_t size)
{
    if (size >= bytes_.size()) return;
    OPENSSL_cleanse(bytes_.data() + size, bytes_.size() - size);
    bytes_.resize(size);
}

size_t digestLength(Auth auth) noexcept
{
    const AuthRow* row = authRow(auth);
    return row ? row->digestLength : 0;
}

size_t macLength(Auth auth) noexcept
{
    const AuthRow* row = authRow(auth);
    return row ? row->macLength : 0;
}

size_t privKeyLength(Priv priv) noexcept
{
    const PrivRow* row = privRow(priv);
    return row ? row->keyLength : 0;
}

SecretBytes passwordToKey(Auth auth, std::span<const uint8_t> passphrase)
{
    if (passphrase.empty()) return {};
    const EVP_MD* md = fetchDigest(auth);
    std::unique_ptr<EVP_MD_CTX, DigestCtxFree> ctx(EVP_MD_CTX_new());
    if (!md || !ctx || EVP_DigestInit_ex(ctx.get(), md, nullptr) != 1) return {};
    // The repeated pass phrase restarts with every whole number of copies,
    // so a few kilobytes of copies fed again and again make the megabyte
    // without it ever existing in memory, in a few hundred digest calls
    // instead of sixteen thousand (key derivation is most of a first v3 read).
    const size_t copies = std::max<size_t>(1, kExpansionBlock / passphrase.size());
    std::vector<uint8_t> block(copies * passphrase.size());
    for (size_t i = 0; i < block.size(); ++i) block[i] = passphrase[i % passphrase.size()];
    bool ok = true;
    for (size_t done = 0; ok && done < kPassphraseExpansion;) {
        const size_t part = std::min(block.size(), kPassphraseExpansion - done);
        ok = EVP_DigestUpdate(ctx.get(), block.data(), part) == 1;
        done += part;
    }
    OPENSSL_cleanse(block.data(), block.size());
    std::array<uint8_t, EVP_MAX_MD_SIZE> out{};
    unsigned length = 0;
    if (!ok || EVP_DigestFinal_ex(ctx.get(), out.data(), &length) != 1) return {};
    SecretBytes key(std::span<const uint8_t>(out.data(), length));
    OPENSSL_cleanse(out.data(), out.size());
    return key;
}

SecretBytes localizeKey(Auth auth, std::span<const uint8_t> masterKey, std::span<const uint8_t> engineId)
{
    if (masterKey.empty()) return {};
    return hashParts(auth, {masterKey, engineId, masterKey});
}

SecretBytes localizePrivKey(Auth auth, Priv priv, std::span<const uint8_t> masterKey,
                            std::span<const uint8_t> engineId)
{
    const PrivRow* row = privRow(priv);
    if (!row) return {};
    SecretBytes key = localizeKey(auth, masterKey, engineId);
    while (!key.empty() && key.size() < row->keyLength) {
        SecretBytes more;
        if (row->extension == Extension::Hash) {
            more = hashParts(auth, {key.bytes()});
        } else if (row->extension == Extension::Repeat) {
            more = localizeKey(auth, passwordToKey(auth, key.bytes()).bytes(), engineId);
        }
        if (more.empty()) return {};
        key.append(more.bytes());
    }
    key.truncate(row->keyLength);
    return key;
}

namespace {

EVP_MAC* fetchHmac()
{
    struct MacFree {
        void operator()(EVP_MAC* mac) const noexcept { EVP_MAC_free(mac); }
    };
    static const std::unique_ptr<EVP_MAC, MacFree> kHmac(EVP_MAC_fetch(cryptoContext().get(), "HMAC", nullptr));
    return kHmac.get();
}

}  // namespace

MacKey::MacKey(Auth auth, std::span<const uint8_t> key) : auth_(auth), context_(sharedCryptoContext())
{
    const AuthRow* row = authRow(auth);
    EVP_MAC* hmac = fetchHmac();
    if (!row || !hmac || key.empty()) return;
    EVP_MAC_CTX* ctx = EVP_MAC_CTX_new(hmac);
    if (!ctx) return;
    OSSL_PARAM params[] = {
        OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, const_cast<char*>(row->digest), 0),
        OSSL_PARAM_construct_end(),
    };
    if (EVP_MAC_init(ctx, key.data(), key.size(), params) != 1) {
        EVP_MAC_CTX_free(ctx);
        return;
    }
    ctx_ = ctx;
}

MacKey::~MacKey() { EVP_MAC_CTX_free(ctx_); }

bool MacKey::compute(std::span<const uint8_t> message, uint8_t* mac) const
{
    const AuthRow* row = authRow(auth_);
    if (!ctx_ || !row) return false;
    EVP_MAC_CTX* ctx = nullptr;
    {
        const std::lock_guard lock(mutex_);
        ctx = EVP_MAC_CTX_dup(ctx_);
    }
    if (!ctx) return false;
    std::array<uint8_t, EVP_MAX_MD_SIZE> full{};
    size_t length = 0;
    const bool ok = EVP_MAC_update(ctx, message.data(), message.size()) == 1
                    && EVP_MAC_final(ctx, full.data(), &length, full.size()) == 1 && length >= row->macLength;
    EVP_MAC_CTX_free(ctx);
    if (ok) std::copy_n(full.data(), row->macLength, mac);
    return ok;
}

bool computeMac(Auth auth, std::span<const uint8_t> key, std::span<const uint8_t> message, uint8_t* mac)
{
    return MacKey(auth, key).compute(message, mac);
}

std::optional<std::vector<uint8_t>> encrypt(Priv priv, std::span<const uint8_t> key, uint32_t boots, uint32_t time,
                                            std::span<const uint8_t, kSaltLength> salt, std::span<const uint8_t> plain)
{
    std::array<uint8_t, 16> iv{};
    std::span<const uint8_t> cipherKey;
    if (!makeIv(priv, key, boots, time, salt, iv, cipherKey)) return std::nullopt;
    if (priv != Priv::Des) return runCipher(priv, cipherKey, iv, plain, true);
    // The padding bytes carry no meaning: the scoped PDU's own length ends it.
    std::vector<uint8_t> padded(plain.begin(), plain.end());
    padded.resize((plain.size() + 7) / 8 * 8, 0);
    return runCipher(priv, cipherKey, iv, padded, true);
}

std::optional<std::vector<uint8_t>> decrypt(Priv priv, std::span<const uint8_t> key, uint32_t boots, uint32_t time,
                                            std::span<const uint8_t, kSaltLength> salt,
                                            std::span<const uint8_t> encrypted)
{
    if (priv == Priv::Des && encrypted.size() % 8 != 0) return std::nullopt;
    std::array<uint8_t, 16> iv{};
    std::span<const uint8_t> cipherKey;
    if (!makeIv(priv, key, boots, time, salt, iv, cipherKey)) return std::nullopt;
    return runCipher(priv, cipherKey, iv, encrypted, false);
}

bool privAvailable(Priv priv) { return fetchCipher(priv) != nullptr; }

}  // namespace netrov::snmp::usm
