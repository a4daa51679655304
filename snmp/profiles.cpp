// Reading SNMPv3 credential profiles from the user's profile file.
#include "profiles.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

namespace netrov::snmp {

namespace {

using usm::Auth;
using usm::Level;
using usm::Priv;

template <typename T>
struct Word {
    T value;
    const char* name;
};

constexpr Word<Level> kLevels[] = {
    {Level::NoAuthNoPriv, "noAuthNoPriv"}, {Level::AuthNoPriv, "authNoPriv"}, {Level::AuthPriv, "authPriv"}};
constexpr Word<Auth> kAuths[] = {{Auth::Md5, "MD5"},       {Auth::Sha1, "SHA"},       {Auth::Sha224, "SHA-224"},
                                 {Auth::Sha256, "SHA-256"}, {Auth::Sha384, "SHA-384"}, {Auth::Sha512, "SHA-512"}};
constexpr Word<Priv> kPrivs[] = {{Priv::Des, "DES"},          {Priv::Aes128, "AES"},         {Priv::Aes192, "AES-192"},
                                 {Priv::Aes256, "AES-256"},   {Priv::Aes192C, "AES-192-C"},  {Priv::Aes256C, "AES-256-C"}};

template <typename T, size_t N>
bool lookUp(const Word<T> (&words)[N], std::string_view name, T& value)
{
    for (const Word<T>& w : words) {
        if (name == w.name) {
            value = w.value;
            return true;
        }
    }
    return false;
}

template <typename T, size_t N>
const char* nameOf(const Word<T> (&words)[N], T value)
{
    for (const Word<T>& w : words)
        if (w.value == value) return w.name;
    return "";
}

std::string_view trim(std::string_view text)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// How each key is stored, as data: a field, a protocol word, or a secret.
enum class KeyKind : uint8_t { User, Level, Auth, AuthPassphrase, Priv, PrivPassphrase, Context };
struct KeyRow {
    const char* key;
    KeyKind kind;
};
constexpr KeyRow kKeys[] = {
    {"user", KeyKind::User},       {"level", KeyKind::Level},
    {"auth", KeyKind::Auth},       {"authPassphrase", KeyKind::AuthPassphrase},
    {"priv", KeyKind::Priv},       {"privPassphrase", KeyKind::PrivPassphrase},
    {"context", KeyKind::Context},
};
constexpr size_t kKeyCount = std::size(kKeys);

bool fail(ProfileError& error, int line, std::string message)
{
    error.line = line;
    error.message = line ? "line " + std::to_string(line) + ": " + std::move(message) : std::move(message);
    return false;
}

// Sets one key; the message on failure names the key, never the value.
bool setKey(CredentialProfile& p, KeyKind kind, std::string_view key, std::string_view value, std::string& message)
{
    switch (kind) {
    case KeyKind::User:
        if (value.empty() || value.size() > 32) {
            message = "user must be 1 to 32 characters";
            return false;
        }
        p.user = value;
        return true;
    case KeyKind::Level:
        if (!lookUp(kLevels, value, p.level)) message = "level must be noAuthNoPriv, authNoPriv or authPriv";
        return message.empty();
    case KeyKind::Auth:
        if (!lookUp(kAuths, value, p.auth)) message = "auth must be MD5, SHA, SHA-224, SHA-256, SHA-384 or SHA-512";
        return message.empty();
    case KeyKind::Priv:
        if (!lookUp(kPrivs, value, p.priv))
            message = "priv must be DES, AES, AES-192, AES-256, AES-192-C or AES-256-C";
        return message.empty();
    case KeyKind::AuthPassphrase:
    case KeyKind::PrivPassphrase:
        if (value.size() < kMinPassphrase) {
            message = std::string(key) + " must have at least 8 characters";
            return false;
        }
        (kind == KeyKind::AuthPassphrase ? p.authPassphrase : p.privPassphrase) = SecretText(value);
        return true;
    case KeyKind::Context:
        if (value.size() > 255) {
            message = "context must be at most 255 characters";
            return false;
        }
        p.context = value;
        return true;
    }
    return false;
}

// What the level needs, checked once the section is complete.
bool checkProfile(const CredentialProfile& p, int line, ProfileError& error, Passphrases passphrases)
{
    const bool inFile = passphrases == Passphrases::InFile;
    const std::string where = "profile [" + p.name + "]: ";
    if (p.user.empty()) return fail(error, line, where + "user is missing");
    if (p.level == Level::NoAuthNoPriv) return true;
    if (p.auth == Auth::None) return fail(error, line, where + "auth is missing for " + levelName(p.level));
    if (inFile && p.authPassphrase.empty()) return fail(error, line, where + "authPassphrase is missing for " + levelName(p.level));
    if (p.level == Level::AuthNoPriv) return true;
    if (p.priv == Priv::None) return fail(error, line, where + "priv is missing for authPriv");
    if (inFile && p.privPassphrase.empty()) return fail(error, line, where + "privPassphrase is missing for authPriv");
    return true;
}

}  // namespace

void wipeText(std::string& text) noexcept
{
    // Volatile stores, so the compiler cannot drop them as dead.
    volatile char* p = text.data();
    for (size_t i = 0; i < text.size(); ++i) p[i] = 0;
}

SecretText& SecretText::operator=(const SecretText& other)
{
    if (this != &other) {
        wipeText(text_);
        text_ = other.text_;
    }
    return *this;
}

SecretText::~SecretText() { wipeText(text_); }

const char* levelName(Level level) noexcept { return nameOf(kLevels, level); }
const char* authName(Auth auth) noexcept { return nameOf(kAuths, auth); }
const char* privName(Priv priv) noexcept { return nameOf(kPrivs, priv); }

std::filesystem::path profilesPath()
{
    if (const char* chosen = std::getenv("NETROV_PROFILES_FILE"); chosen && *chosen) return chosen;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config)
        return std::filesystem::path(config) / "netrov" / "profiles.ini";
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::filesystem::path(home) / ".config" / "netrov" / "profiles.ini";
    return {};
}

namespace {

bool parseInto(std::string_view text, std::vector<CredentialProfile>& profiles, ProfileError& error,
               Passphrases passphrases)
{
    CredentialProfile* current = nullptr;
    int currentLine = 0;
    bool seen[kKeyCount] = {};
    int number = 0;
    while (!text.empty()) {
        ++number;
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        line = trim(line);
        if (line.empty() || line.front() == '#' || line.front() == ';') continue;
        if (line.front() == '[') {
            if (line.back() != ']') return fail(error, number, "a section header must end with ]");
            const std::string_view name = trim(line.substr(1, line.size() - 2));
            if (name.empty()) return fail(error, number, "a profile needs a name");
            if (findProfile(profiles, name)) return fail(error, number, "profile [" + std::string(name) + "] appears twice");
            if (current && !checkProfile(*current, currentLine, error, passphrases)) return false;
            current = &profiles.emplace_back();
            current->name = name;
            currentLine = number;
            std::fill(std::begin(seen), std::end(seen), false);
            continue;
        }
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos) return fail(error, number, "not a key = value line");
        if (!current) return fail(error, number, "a key before the first [profile]");
        const std::string_view key = trim(line.substr(0, equals));
        const std::string_view value = trim(line.substr(equals + 1));
        size_t row = 0;
        while (row < kKeyCount && key != kKeys[row].key) ++row;
        if (row == kKeyCount) return fail(error, number, "unknown key");
        if (seen[row]) return fail(error, number, std::string(key) + " appears twice");
        seen[row] = true;
        std::string message;
        if (!setKey(*current, kKeys[row].kind, key, value, message)) return fail(error, number, message);
    }
    if (current && !checkProfile(*current, currentLine, error, passphrases)) return false;
    return true;
}

}  // namespace

bool parseProfiles(std::string_view text, std::vector<CredentialProfile>& profiles, ProfileError& error,
                   Passphrases passphrases)
{
    profiles.clear();
    if (parseInto(text, profiles, error, passphrases)) return true;
    // Nothing half read is handed out.
    profiles.clear();
    return false;
}

bool loadProfiles(const std::filesystem::path& path, std::vector<CredentialProfile>& profiles, ProfileError& error,
                  Passphrases passphrases)
{
    profiles.clear();
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(path, ec);
    if (status.type() == std::filesystem::file_type::not_found) return true;
    if (ec || status.type() != std::filesystem::file_type::regular)
        return fail(error, 0, path.string() + " is not a readable file");
#ifndef _WIN32
    using std::filesystem::perms;
    const perms open = perms::group_read | perms::group_write | perms::others_read | perms::others_write;
    if ((status.permissions() & open) != perms::none)
        return fail(error, 0, path.string() + " may be read or changed by others; make it private (chmod 600)");
#endif
    std::ifstream in(path, std::ios::binary);
    if (!in) return fail(error, 0, path.string() + " cannot be read");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const bool ok = parseProfiles(text, profiles, error, passphrases);
    wipeText(text);
    if (!ok) error.message = path.string() + ": " + error.message;
    return ok;
}

std::string formatProfiles(const std::vector<CredentialProfile>& profiles, Passphrases passphrases)
{
    std::string text;
    if (passphrases == Passphrases::Elsewhere) text += "# Pass phrases are kept in the desktop's secret store.\n";
    for (const CredentialProfile& p : profiles) {
        if (&p != profiles.data()) text += '\n';
        text += '[' + p.name + "]\nuser = " + p.user + "\nlevel = " + levelName(p.level) + '\n';
        // Keys a level does not use stay out, so the file reads back as the profile.
        if (p.level != Level::NoAuthNoPriv) {
            text += std::string("auth = ") + authName(p.auth) + '\n';
            if (passphrases == Passphrases::InFile) text += "authPassphrase = " + p.authPassphrase.text() + '\n';
        }
        if (p.level == Level::AuthPriv) {
            text += std::string("priv = ") + privName(p.priv) + '\n';
            if (passphrases == Passphrases::InFile) text += "privPassphrase = " + p.privPassphrase.text() + '\n';
        }
        if (!p.context.empty()) text += "context = " + p.context + '\n';
    }
    return text;
}

const CredentialProfile* findProfile(const std::vector<CredentialProfile>& profiles, std::string_view name)
{
    for (const CredentialProfile& p : profiles)
        if (p.name == name) return &p;
    return nullptr;
}

}  // namespace netrov::snmp
