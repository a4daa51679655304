// The process-wide memory of SNMPv3 users and engines, by profile and address.
#include "v3_sessions.h"

#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "profiles.h"

#ifdef NETROV_HAVE_USM
#include "message_v3.h"
#include "netrov/zomsnmp.h"
#include "platform/socket.h"
#endif

namespace netrov::tessel {

namespace {

struct Memory {
    std::mutex mutex;
    std::filesystem::path chosenFile;  // empty: the user's profile file
    bool loaded = false;
    bool refused = false;
    std::vector<snmp::CredentialProfile> profiles;
#ifdef NETROV_HAVE_USM
    std::map<std::string, std::shared_ptr<const snmp::UsmUser>> users;
    std::map<std::pair<std::string, std::string>, std::shared_ptr<const snmp::UsmModel>> models;
#endif
};

Memory& memory()
{
    static Memory m;
    return m;
}

void forgetLocked(Memory& m)
{
    m.loaded = false;
    m.refused = false;
    m.profiles.clear();
#ifdef NETROV_HAVE_USM
    m.users.clear();
    m.models.clear();
    snmp_forget_noted_engines();
#endif
}

#ifdef NETROV_HAVE_USM

// Reads the file once; a name it lacks, or a refused file, reads it again,
// as the user may have added the profile or mended the file since.
const snmp::CredentialProfile* profileLocked(Memory& m, const std::string& name, int32_t& result)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!m.loaded) {
            snmp::ProfileError error;
            const std::filesystem::path path = m.chosenFile.empty() ? snmp::profilesPath() : m.chosenFile;
            m.refused = path.empty() ? false : !snmp::loadProfiles(path, m.profiles, error);
            m.loaded = true;
        }
        if (!m.refused) {
            if (const snmp::CredentialProfile* found = snmp::findProfile(m.profiles, name)) return found;
        }
        m.loaded = false;
    }
    result = m.refused ? NETROV_V3_PROFILE_REFUSED : NETROV_V3_UNKNOWN_PROFILE;
    return nullptr;
}

snmp::usm::SecretBytes secretOf(const snmp::SecretText& text)
{
    const std::string& t = text.text();
    return snmp::usm::SecretBytes({reinterpret_cast<const uint8_t*>(t.data()), t.size()});
}

std::shared_ptr<const snmp::UsmUser> userLocked(Memory& m, const std::string& name, int32_t& result)
{
    if (const auto known = m.users.find(name); known != m.users.end()) return known->second;
    const snmp::CredentialProfile* profile = profileLocked(m, name, result);
    if (!profile) return nullptr;
    snmp::UsmCredentials credentials;
    credentials.user = profile->user;
    credentials.level = profile->level;
    credentials.auth = profile->auth;
    credentials.priv = profile->priv;
    credentials.authPassphrase = secretOf(profile->authPassphrase);
    credentials.privPassphrase = secretOf(profile->privPassphrase);
    credentials.context = profile->context;
    std::shared_ptr<const snmp::UsmUser> user = snmp::UsmUser::create(credentials);
    if (!user) {
        result = NETROV_V3_PROFILE_REFUSED;
        return nullptr;
    }
    m.users.emplace(name, user);
    return user;
}

#endif

}  // namespace

V3Session v3Session(const std::string& address, const std::string& profile)
{
    V3Session session;
#ifdef NETROV_HAVE_USM
    Memory& m = memory();
    const std::lock_guard lock(m.mutex);
    const auto key = std::make_pair(address, profile);
    if (const auto known = m.models.find(key); known != m.models.end()) {
        session.model = known->second;
        return session;
    }
    std::shared_ptr<const snmp::UsmUser> user = userLocked(m, profile, session.result);
    if (!user) return session;
    auto model = std::make_shared<snmp::UsmModel>(std::move(user));
    // An engine a search's probe saw a moment ago spares the discovery.
    if (in_addr ipv4{}; inet_pton(AF_INET, address.c_str(), &ipv4) == 1) {
        snmp::UsmModel::Engine engine;
        uint8_t id[snmp::kMaxEngineId];
        const int32_t length = snmp_noted_engine(ipv4.s_addr, id, sizeof id, &engine.boots, &engine.time);
        if (length > 0) {
            engine.id.assign(id, id + length);
            model->restoreEngine(engine);
        }
    }
    session.model = std::move(model);
    m.models.emplace(key, session.model);
#else
    (void)address;
    (void)profile;
    session.result = NETROV_V3_UNAVAILABLE;
#endif
    return session;
}

void useProfilesFile(const std::filesystem::path& path)
{
    Memory& m = memory();
    const std::lock_guard lock(m.mutex);
    m.chosenFile = path;
    forgetLocked(m);
}

void forgetV3Sessions()
{
    Memory& m = memory();
    const std::lock_guard lock(m.mutex);
    forgetLocked(m);
}

}  // namespace netrov::tessel
