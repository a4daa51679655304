// SNMPv3 credential profiles: the user's netrov/profiles.ini, read strictly.
//
// One section per profile:
//   [office]
//   user = monitor
//   level = authPriv            ; noAuthNoPriv, authNoPriv or authPriv
//   auth = SHA-256              ; MD5, SHA, SHA-224, SHA-256, SHA-384, SHA-512
//   authPassphrase = ...
//   priv = AES                  ; DES, AES, AES-192, AES-256, AES-192-C, AES-256-C
//   privPassphrase = ...
//   context = printers
// A file that group or others may read is refused, as is any line that is
// not understood, with its line number. No message ever holds a value read
// from the file, so a pass phrase cannot leak through one.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "usm.h"

namespace netrov::snmp {

// Overwrites text that held a secret; the stores are not dropped as dead.
void wipeText(std::string& text) noexcept;

// Text that is overwritten before its memory is released.
class SecretText {
public:
    SecretText() = default;
    explicit SecretText(std::string_view text) : text_(text) {}
    SecretText(const SecretText&) = default;
    SecretText& operator=(const SecretText& other);
    ~SecretText();

    const std::string& text() const noexcept { return text_; }
    bool empty() const noexcept { return text_.empty(); }

private:
    std::string text_;
};

struct CredentialProfile {
    std::string name;
    std::string user;
    usm::Level level = usm::Level::NoAuthNoPriv;
    usm::Auth auth = usm::Auth::None;
    usm::Priv priv = usm::Priv::None;
    SecretText authPassphrase;
    SecretText privPassphrase;
    std::string context;
};

struct ProfileError {
    int line = 0;  // 0: the file as a whole
    std::string message;
};

// Pass phrases shorter than this are refused, as agents refuse them.
inline constexpr size_t kMinPassphrase = 8;

// $NETROV_PROFILES_FILE when set (the desktop program points its own
// process at a private copy that holds pass phrases kept in the desktop's
// secret store), else $XDG_CONFIG_HOME/netrov/profiles.ini, else
// ~/.config/netrov/profiles.ini; empty when none of these is set.
std::filesystem::path profilesPath();

// Where pass phrases are: in the file, or kept elsewhere (the desktop's
// secret store), so a level's pass phrase may be missing from the file.
enum class Passphrases : uint8_t { InFile, Elsewhere };

// Reads profiles from text; false with error filled on the first bad line
// or inconsistent profile. Throws std::bad_alloc.
bool parseProfiles(std::string_view text, std::vector<CredentialProfile>& profiles, ProfileError& error,
                   Passphrases passphrases = Passphrases::InFile);

// Reads the file at path. A missing file is no profiles and no error; a
// file group or others can read or write is refused unread.
bool loadProfiles(const std::filesystem::path& path, std::vector<CredentialProfile>& profiles, ProfileError& error,
                  Passphrases passphrases = Passphrases::InFile);

// The text of a profile file holding profiles, which parseProfiles reads
// back; with Passphrases::Elsewhere the pass phrase keys are left out.
// Throws std::bad_alloc.
std::string formatProfiles(const std::vector<CredentialProfile>& profiles, Passphrases passphrases);

// The profile named name; null when there is none.
const CredentialProfile* findProfile(const std::vector<CredentialProfile>& profiles, std::string_view name);

// The names the file uses for each protocol and level.
const char* levelName(usm::Level level) noexcept;
const char* authName(usm::Auth auth) noexcept;
const char* privName(usm::Priv priv) noexcept;

}  // namespace netrov::snmp
