// The user-based security model's cryptography: keys from pass phrases, message digests and privacy.
//
// Everything here is computed by libcrypto; this file only arranges the
// steps. Keys live in SecretBytes, which wipes them when it goes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

struct evp_mac_ctx_st;

namespace netrov::snmp::usm {

enum class Auth : uint8_t { None, Md5, Sha1, Sha224, Sha256, Sha384, Sha512 };
// Aes192/Aes256 extend a short key by hashing it; the C variants by running
// the pass phrase steps again over it, as many agents of one maker expect.
enum class Priv : uint8_t { None, Des, Aes128, Aes192, Aes256, Aes192C, Aes256C };
enum class Level : uint8_t { NoAuthNoPriv, AuthNoPriv, AuthPriv };

// Bytes that are wiped before their memory is released.
class SecretBytes {
public:
    SecretBytes() = default;
    explicit SecretBytes(std::span<const uint8_t> bytes) : bytes_(bytes.begin(), bytes.end()) {}
    SecretBytes(const SecretBytes& other) = default;
    SecretBytes(SecretBytes&& other) noexcept = default;
    SecretBytes& operator=(const SecretBytes& other);
    SecretBytes& operator=(SecretBytes&& other) noexcept;
    ~SecretBytes();

    std::span<const uint8_t> bytes() const noexcept { return bytes_; }
    size_t size() const noexcept { return bytes_.size(); }
    bool empty() const noexcept { return bytes_.empty(); }
    void append(std::span<const uint8_t> more) { bytes_.insert(bytes_.end(), more.begin(), more.end()); }
    void truncate(size_t size);

private:
    void wipe() noexcept;
    std::vector<uint8_t> bytes_;
};

// The digest's full length and the length of the truncated code a message carries.
size_t digestLength(Auth auth) noexcept;
size_t macLength(Auth auth) noexcept;
// Key bytes the cipher takes; the pre-IV of DES follows its key.
size_t privKeyLength(Priv priv) noexcept;
// The length of msgPrivacyParameters: the salt, eight bytes for every cipher here.
inline constexpr size_t kSaltLength = 8;

// The master key of a pass phrase: the phrase repeated to one megabyte, hashed.
// Empty for Auth::None or an empty phrase.
SecretBytes passwordToKey(Auth auth, std::span<const uint8_t> passphrase);
// The key localised to one engine: H(key | engineId | key).
SecretBytes localizeKey(Auth auth, std::span<const uint8_t> masterKey, std::span<const uint8_t> engineId);
// The privacy key for one engine from the privacy master key, extended
// when the digest is shorter than the cipher needs; cut to privKeyLength.
SecretBytes localizePrivKey(Auth auth, Priv priv, std::span<const uint8_t> masterKey,
                            std::span<const uint8_t> engineId);

// The truncated HMAC of message under the localised key, written to mac
// (macLength bytes). False when libcrypto fails.
bool computeMac(Auth auth, std::span<const uint8_t> key, std::span<const uint8_t> message, uint8_t* mac);

// A localised key made ready for HMAC once: each message's code then starts
// from a copy of it instead of setting up the algorithm and the key anew.
// Safe to share between threads.
class MacKey {
public:
    MacKey(Auth auth, std::span<const uint8_t> key);
    ~MacKey();
    MacKey(const MacKey&) = delete;
    MacKey& operator=(const MacKey&) = delete;

    bool valid() const noexcept { return ctx_ != nullptr; }
    // As computeMac; false when the key is not valid or libcrypto fails.
    bool compute(std::span<const uint8_t> message, uint8_t* mac) const;

private:
    Auth auth_;
    std::shared_ptr<const void> context_;  // the providers ctx_ needs, kept until ctx_ is freed
    evp_mac_ctx_st* ctx_ = nullptr;
    mutable std::mutex mutex_;
};

// Encrypts a scoped PDU. salt is the eight bytes that travel as the privacy
// parameters; boots and time are the engine's as they travel in the message.
// DES pads to its block. None when the cipher is unavailable.
std::optional<std::vector<uint8_t>> encrypt(Priv priv, std::span<const uint8_t> key, uint32_t boots, uint32_t time,
                                            std::span<const uint8_t, kSaltLength> salt,
                                            std::span<const uint8_t> plain);
// The reverse; none when the length does not suit the cipher.
std::optional<std::vector<uint8_t>> decrypt(Priv priv, std::span<const uint8_t> key, uint32_t boots, uint32_t time,
                                            std::span<const uint8_t, kSaltLength> salt,
                                            std::span<const uint8_t> encrypted);

// Whether libcrypto offers the cipher here (single DES needs its legacy module).
bool privAvailable(Priv priv);

}  // namespace netrov::snmp::usm
