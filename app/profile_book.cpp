// Checking, reading and saving the desktop's SNMPv3 profiles, with pass phrases in the secret store or the file.
#include "profile_book.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>

#include <QDir>
#include <QSaveFile>

#include "platform/runtime_directory.h"
#include "secret_store.h"

#ifdef _WIN32
#include <process.h>
#define NETROV_GETPID _getpid
#else
#include <unistd.h>
#define NETROV_GETPID getpid
#endif

namespace netrov::ui {

namespace {

using core::CredentialProfile;
using snmp::usm::Level;

// Texts the file holds on a line of their own, trimmed when read: a line
// break or a space at either end would not read back as typed.
struct TextField {
    const char* label;
    const std::string& (*text)(const CredentialProfile&);
};
constexpr TextField kTextFields[] = {
    {"name", [](const CredentialProfile& p) -> const std::string& { return p.name; }},
    {"user", [](const CredentialProfile& p) -> const std::string& { return p.user; }},
    {"authPassphrase", [](const CredentialProfile& p) -> const std::string& { return p.authPassphrase.text(); }},
    {"privPassphrase", [](const CredentialProfile& p) -> const std::string& { return p.privPassphrase.text(); }},
    {"context", [](const CredentialProfile& p) -> const std::string& { return p.context; }},
};

// The name travels where a community goes in a device record.
constexpr size_t kMaxNameLength = 127;

bool readsBack(std::string_view text)
{
    if (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.back() == ' ' || text.back() == '\t'))
        return false;
    return std::none_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 32 || byte == 0x7F;
    });
}

// The parser's message without its line number, which means nothing in a form.
std::string withoutLine(const core::ProfileError& error)
{
    if (error.line == 0) return error.message;
    const size_t colon = error.message.find(": ");
    return colon == std::string::npos ? error.message : error.message.substr(colon + 2);
}

// The copy this process's service reads; removed when the program ends.
struct ServiceCopy {
    std::filesystem::path path;
    std::filesystem::path userFile;  // the profile file before the service was pointed away from it
    ~ServiceCopy()
    {
        std::error_code ec;
        if (!path.empty()) std::filesystem::remove(path, ec);
    }
};

ServiceCopy& serviceCopy()
{
    static ServiceCopy copy;
    return copy;
}

bool lacksAuthPhrase(const CredentialProfile& p) { return p.level != Level::NoAuthNoPriv && p.authPassphrase.empty(); }
bool lacksPrivPhrase(const CredentialProfile& p) { return p.level == Level::AuthPriv && p.privPassphrase.empty(); }

// The pass phrases the file leaves out, from the secret store.
void fillFromSecrets(std::vector<CredentialProfile>& profiles, SecretStore& secrets)
{
    for (CredentialProfile& p : profiles) {
        if (lacksAuthPhrase(p)) secrets.read(authSecretKey(p.name), p.authPassphrase);
        if (lacksPrivPhrase(p)) secrets.read(privSecretKey(p.name), p.privPassphrase);
    }
}

}  // namespace

std::string profileProblem(const CredentialProfile& profile, const std::vector<CredentialProfile>& others)
{
    for (const TextField& field : kTextFields)
        if (!readsBack(field.text(profile)))
            return std::string(field.label) + " must not hold line breaks, or spaces at its ends";
    if (profile.name.empty()) return "name is missing";
    if (profile.name.size() > kMaxNameLength) return "name must be at most 127 characters";
    if (profile.name.find_first_of("[]") != std::string::npos) return "name must not hold [ or ]";
    if (core::findProfile(others, profile.name)) return "a profile named " + profile.name + " exists already";
    // The rest is what the file demands: the parser says it, naming keys only.
    std::string text = core::formatProfiles({profile}, core::Passphrases::InFile);
    std::vector<CredentialProfile> parsed;
    core::ProfileError error;
    const bool ok = core::parseProfiles(text, parsed, error);
    core::wipeText(text);
    return ok ? std::string() : withoutLine(error);
}

bool loadProfileBook(const std::filesystem::path& path, SecretStore* secrets, std::vector<CredentialProfile>& profiles,
                     std::string& error)
{
    core::ProfileError refused;
    if (!core::loadProfiles(path, profiles, refused, core::Passphrases::Elsewhere)) {
        error = refused.message;
        return false;
    }
    if (secrets) fillFromSecrets(profiles, *secrets);
    return true;
}

bool saveProfileBook(const std::filesystem::path& path, const std::vector<CredentialProfile>& profiles,
                     const std::vector<std::string>& removed, SecretStore* secrets, std::string& error)
{
    if (path.empty()) {
        error = "there is no configuration folder (neither XDG_CONFIG_HOME nor HOME is set)";
        return false;
    }
    if (secrets) {
        for (const std::string& name : removed) {
            secrets->remove(authSecretKey(name));
            secrets->remove(privSecretKey(name));
        }
        for (const CredentialProfile& p : profiles) {
            const bool auth = p.level != Level::NoAuthNoPriv;
            const bool priv = p.level == Level::AuthPriv;
            const bool stored = (auth ? secrets->write(authSecretKey(p.name), p.authPassphrase)
                                      : secrets->remove(authSecretKey(p.name))) &&
                                (priv ? secrets->write(privSecretKey(p.name), p.privPassphrase)
                                      : secrets->remove(privSecretKey(p.name)));
            if (!stored) {
                error = "the secret store did not take the pass phrases of profile " + p.name;
                return false;
            }
        }
    }
    std::string text =
        core::formatProfiles(profiles, secrets ? core::Passphrases::Elsewhere : core::Passphrases::InFile);
    const bool written = writePrivateFile(path, text);
    core::wipeText(text);
    if (!written) {
        error = path.string() + " cannot be written";
        return false;
    }
    return shareProfilesWithService(profiles, secrets) || (error = "the SNMP service's copy cannot be written", false);
}

std::filesystem::path desktopProfilesPath()
{
    const ServiceCopy& copy = serviceCopy();
    std::filesystem::path chosen = core::profilesPath();
    if (!copy.path.empty() && chosen == copy.path) return copy.userFile;
    return chosen;
}

void prepareDesktopProfiles()
{
    std::vector<CredentialProfile> profiles;
    std::string error;
    if (!loadProfileBook(desktopProfilesPath(), nullptr, profiles, error)) return;
    // The secret store is asked only when the file lacks a pass phrase.
    const bool lacking = std::any_of(profiles.begin(), profiles.end(),
                                     [](const CredentialProfile& p) { return lacksAuthPhrase(p) || lacksPrivPhrase(p); });
    if (!lacking) return;
    SecretStore* secrets = desktopSecrets();
    if (!secrets) return;
    fillFromSecrets(profiles, *secrets);
    shareProfilesWithService(profiles, secrets);
}

bool writePrivateFile(const std::filesystem::path& path, const std::string& text)
{
    const QString folder = QString::fromStdString(path.parent_path().string());
    if (!QDir().mkpath(folder)) return false;
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QSaveFile file(QString::fromStdString(path.string()));
    if (!file.open(QIODevice::WriteOnly)) return false;
    // Private before the first byte goes in.
    if (!file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)) return false;
    if (file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size())) return false;
    return file.commit();
}

std::filesystem::path serviceProfilesPath()
{
    const std::string folder = platform::privateRuntimeDirectory();
    if (folder.empty()) return {};
    return std::filesystem::path(folder) / ("profiles-" + std::to_string(NETROV_GETPID()) + ".ini");
}

bool shareProfilesWithService(const std::vector<CredentialProfile>& profiles, SecretStore* secrets)
{
    if (!secrets) return true;
    ServiceCopy& copy = serviceCopy();
    if (copy.path.empty()) {
        copy.userFile = core::profilesPath();
        copy.path = serviceProfilesPath();
        if (copy.path.empty()) return false;
    }
    // A profile whose pass phrase is nowhere would make the service refuse the whole copy.
    std::vector<CredentialProfile> whole;
    for (const CredentialProfile& p : profiles)
        if (profileProblem(p, {}).empty()) whole.push_back(p);
    std::string text = core::formatProfiles(whole, core::Passphrases::InFile);
    const bool written = writePrivateFile(copy.path, text);
    core::wipeText(text);
    if (!written) return false;
    // Set once, before any search reads it; later saves only replace the file.
    const std::string chosen = copy.path.string();
    if (const char* now = std::getenv("NETROV_PROFILES_FILE"); !now || chosen != now) {
#ifdef _WIN32
        _putenv_s("NETROV_PROFILES_FILE", chosen.c_str());
#else
        ::setenv("NETROV_PROFILES_FILE", chosen.c_str(), 1);
#endif
    }
    return true;
}

}  // namespace netrov::ui
