// SNMPv3 against net-snmp's snmpd, started in a private network namespace with users this test creates.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "engine.h"
#include "message_v3.h"
#include "netrov/result_codes.h"
#include "snmp_test_util.h"

namespace {

using namespace netrov::snmp;
using usm::Auth;
using usm::Level;
using usm::Priv;

constexpr const char* kSnmpd = "/usr/sbin/snmpd";
constexpr const char* kAgent = "127.0.0.1";
constexpr const char* kSysDescr = "1.3.6.1.2.1.1.1.0";
// A named context the agent serves by passing its requests to itself over
// v2c on the namespace's loopback.
constexpr const char* kContext = "printers";

struct AuthName {
    Auth auth;
    const char* name;
};
constexpr AuthName kAuths[] = {{Auth::Md5, "MD5"},       {Auth::Sha1, "SHA"},       {Auth::Sha224, "SHA-224"},
                               {Auth::Sha256, "SHA-256"}, {Auth::Sha384, "SHA-384"}, {Auth::Sha512, "SHA-512"}};
struct PrivName {
    Priv priv;
    const char* name;
};
// The C key extension is not offered by this agent.
constexpr PrivName kPrivs[] = {{Priv::Des, "DES"}, {Priv::Aes128, "AES"}, {Priv::Aes192, "AES-192"}, {Priv::Aes256, "AES-256"}};

// A user the agent knows; the pass phrases are drawn at random and written
// only into the agent's configuration.
struct AgentUser {
    std::string name;
    Level level = Level::NoAuthNoPriv;
    Auth auth = Auth::None;
    Priv priv = Priv::None;
    std::string authPhrase;
    std::string privPhrase;
    std::string context;  // served beside the default context
};

std::string randomPhrase()
{
    static std::random_device device;
    static const char kDigits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string phrase;
    for (int i = 0; i < 20; ++i) phrase += kDigits[device() % (sizeof(kDigits) - 1)];
    return phrase;
}

usm::SecretBytes secret(const std::string& text)
{
    return usm::SecretBytes({reinterpret_cast<const uint8_t*>(text.data()), text.size()});
}

class UsmAgent : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        skipReason_.clear();
        if (geteuid() != 0) {
            skipReason_ = "needs root for a private network namespace";
            return;
        }
        if (access(kSnmpd, X_OK) != 0) {
            skipReason_ = "net-snmp's snmpd is not installed";
            return;
        }
        // The whole test program moves into a namespace of its own, so the
        // agent on its loopback port 161 is seen by nothing else.
        if (unshare(CLONE_NEWNET) != 0 || std::system("ip link set lo up") != 0) {
            skipReason_ = "cannot create a private network namespace";
            return;
        }
        char dir[] = "/tmp/netrov-usm-XXXXXX";
        if (!mkdtemp(dir)) {
            skipReason_ = "no temporary folder";
            return;
        }
        dir_ = dir;
        makeUsers();
        if (!startAgent()) skipReason_ = "snmpd did not start";
    }

    static void TearDownTestSuite()
    {
        stopAgent();
        if (!dir_.empty()) std::filesystem::remove_all(dir_);
        dir_.clear();
        users_.clear();
    }

    void SetUp() override
    {
        if (!skipReason_.empty()) GTEST_SKIP() << skipReason_;
    }

    static void makeUsers()
    {
        for (const AuthName& a : kAuths) {
            for (const PrivName& p : kPrivs) {
                users_.push_back({std::string("p_") + a.name + "_" + p.name, Level::AuthPriv, a.auth, p.priv,
                                  randomPhrase(), randomPhrase(), {}});
            }
            users_.push_back({std::string("a_") + a.name, Level::AuthNoPriv, a.auth, Priv::None, randomPhrase(), {}, {}});
        }
        users_.push_back({"plain", Level::NoAuthNoPriv, Auth::None, Priv::None, {}, {}, {}});
        users_.push_back({"ctx", Level::AuthPriv, Auth::Sha512, Priv::Aes256, randomPhrase(), randomPhrase(), kContext});
    }

    static const AgentUser& user(const std::string& name)
    {
        for (const AgentUser& u : users_)
            if (u.name == name) return u;
        ADD_FAILURE() << "no user " << name;
        return users_.front();
    }

    static bool writeConfig()
    {
        const std::string path = dir_ + "/snmpd.conf";
        // Created private before the pass phrases go in.
        int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fd < 0) return false;
        close(fd);
        std::ofstream conf(path);
        conf << "agentAddress udp:" << kAgent << ":161\n";
        conf << "exactEngineID 0x80001f8880aabbccdd01020304\n";
        conf << "sysDescr NetRov test agent\n";
        conf << "view all included .1\n";
        conf << "rocommunity ctxread " << kAgent << "\n";
        conf << "proxy -Cn " << kContext << " -v 2c -c ctxread " << kAgent << " .1.3.6.1.2.1.1\n";
        const char* levelWord[] = {"noauth", "auth", "priv"};
        for (const AgentUser& u : users_) {
            conf << "createUser " << u.name;
            if (u.level != Level::NoAuthNoPriv) conf << ' ' << authName(u.auth) << " \"" << u.authPhrase << '"';
            if (u.level == Level::AuthPriv) conf << ' ' << privName(u.priv) << " \"" << u.privPhrase << '"';
            conf << "\nrouser " << u.name << ' ' << levelWord[static_cast<int>(u.level)] << '\n';
            if (!u.context.empty())
                conf << "rouser " << u.name << ' ' << levelWord[static_cast<int>(u.level)] << " -V all " << u.context << '\n';
        }
        return static_cast<bool>(conf.flush());
    }

    static const char* authName(Auth auth)
    {
        for (const AuthName& a : kAuths)
            if (a.auth == auth) return a.name;
        return "";
    }
    static const char* privName(Priv priv)
    {
        for (const PrivName& p : kPrivs)
            if (p.priv == priv) return p.name;
        return "";
    }

    static bool startAgent()
    {
        if (!writeConfig()) return false;
        const std::string conf = dir_ + "/snmpd.conf";
        const std::string persist = dir_ + "/state";
        mkdir(persist.c_str(), 0700);
        pid_t pid = fork();
        if (pid < 0) return false;
        if (pid == 0) {
            setenv("SNMP_PERSISTENT_DIR", persist.c_str(), 1);
            setenv("SNMPCONFPATH", dir_.c_str(), 1);
            int null = open("/dev/null", O_RDWR);
            dup2(null, 1);
            dup2(null, 2);
            execl(kSnmpd, "snmpd", "-f", "-C", "-c", conf.c_str(), "-Lf", "/dev/null",
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        agentPid_ = pid;
        // Ready once it answers a discovery probe.
        for (int attempt = 0; attempt < 20; ++attempt) {
            UsmCredentials none;
            none.user = "plain";
            UsmModel model(UsmUser::create(none));
            if (get(model, kSysDescr, 1).result == NETROV_OK) return true;
            usleep(100000);
        }
        return false;
    }

    static void stopAgent()
    {
        if (agentPid_ <= 0) return;
        kill(agentPid_, SIGTERM);
        int status = 0;
        waitpid(agentPid_, &status, 0);
        agentPid_ = -1;
    }

    static V3Reply get(const UsmModel& model, std::string_view oid, int32_t retries = 0)
    {
        const std::vector<uint32_t> name = netrov::test::arcsOf(oid);
        RequestPdu pdu(SNMP_PDU_GET, name);
        pdu.renewRequestId();
        return requestV3(kAgent, 1, retries, model, pdu.pdu());
    }

    static std::shared_ptr<const UsmUser> credentialsOf(const AgentUser& u, const std::string& context = {})
    {
        UsmCredentials c;
        c.user = u.name;
        c.level = u.level;
        c.auth = u.auth;
        c.priv = u.priv;
        c.authPassphrase = secret(u.authPhrase);
        c.privPassphrase = secret(u.privPhrase);
        c.context = context;
        return UsmUser::create(c);
    }

    static std::string valueText(const V3Reply& reply)
    {
        if (!reply.message || !reply.message->variables) return {};
        const SnmpBinding& b = *reply.message->variables;
        return std::string(reinterpret_cast<const char*>(b.value), b.valueLength);
    }

    static inline std::string skipReason_;
    static inline std::string dir_;
    static inline std::vector<AgentUser> users_;
    static inline pid_t agentPid_ = -1;
};

TEST_F(UsmAgent, EveryAuthenticationAndPrivacyProtocolAtEveryLevelReadsTheAgent)
{
    for (const AgentUser& u : users_) {
        SCOPED_TRACE(u.name);
        auto credentials = credentialsOf(u);
        ASSERT_TRUE(credentials);
        UsmModel model(credentials);
        const V3Reply reply = get(model, kSysDescr);
        EXPECT_EQ(reply.result, NETROV_OK);
        EXPECT_EQ(valueText(reply), "NetRov test agent");
        ASSERT_TRUE(model.engine());
        EXPECT_EQ(model.engine()->id.size(), 13u);
        // A second request reuses the engine and its keys without discovery.
        const V3Reply again = get(model, kSysDescr);
        EXPECT_EQ(again.result, NETROV_OK);
    }
}

TEST_F(UsmAgent, AContextNameReachesTheContext)
{
    const AgentUser& u = user("ctx");
    for (const char* context : {kContext, ""}) {
        SCOPED_TRACE(context);
        UsmModel model(credentialsOf(u, context));
        const V3Reply reply = get(model, kSysDescr);
        EXPECT_EQ(reply.result, NETROV_OK);
        EXPECT_EQ(valueText(reply), "NetRov test agent");
    }
    UsmModel elsewhere(credentialsOf(u, "copiers"));
    EXPECT_EQ(get(elsewhere, kSysDescr).result, NETROV_V3_UNKNOWN_CONTEXT);
}

TEST_F(UsmAgent, EachCredentialFaultHasItsOwnResult)
{
    struct Case {
        const char* what;
        const char* user;
        void (*spoil)(AgentUser&);
        std::string context;
        int32_t expected;
    };
    const Case cases[] = {
        {"wrong authentication pass phrase", "p_SHA-256_AES", [](AgentUser& u) { u.authPhrase += "x"; }, {},
         NETROV_V3_WRONG_DIGEST},
        {"wrong privacy pass phrase", "p_SHA_AES", [](AgentUser& u) { u.privPhrase += "x"; }, {},
         NETROV_V3_DECRYPTION_ERROR},
        {"wrong cipher", "p_MD5_DES", [](AgentUser& u) { u.priv = Priv::Aes128; }, {}, NETROV_V3_DECRYPTION_ERROR},
        {"unknown user", "a_SHA", [](AgentUser& u) { u.name = "nobody"; }, {}, NETROV_V3_UNKNOWN_USER},
        {"level the user lacks", "a_MD5",
         [](AgentUser& u) {
             u.level = Level::AuthPriv;
             u.priv = Priv::Aes128;
             u.privPhrase = randomPhrase();
         },
         {}, NETROV_V3_UNSUPPORTED_LEVEL},
        {"unknown context", "p_SHA-512_AES-256", [](AgentUser&) {}, "no-such-context", NETROV_V3_UNKNOWN_CONTEXT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        AgentUser u = user(c.user);
        c.spoil(u);
        UsmModel model(credentialsOf(u, c.context));
        const auto started = std::chrono::steady_clock::now();
        EXPECT_EQ(get(model, kSysDescr, 1).result, c.expected);
        // Within the time-out times the tries, and a little for the probes after a silence.
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(2500));
    }
}

TEST_F(UsmAgent, AStaleClockIsResynchronisedOnce)
{
    const AgentUser& u = user("p_SHA-256_AES-256");
    UsmModel first(credentialsOf(u));
    ASSERT_EQ(get(first, kSysDescr).result, NETROV_OK);
    const UsmModel::Engine engine = *first.engine();
    ASSERT_GE(engine.boots, 1u);

    // As kept from before the agent restarted: one boot behind.
    UsmModel stale(credentialsOf(u));
    stale.restoreEngine({engine.id, engine.boots - 1, engine.time + 500});
    const V3Reply reply = get(stale, kSysDescr);
    EXPECT_EQ(reply.result, NETROV_OK);
    EXPECT_EQ(valueText(reply), "NetRov test agent");
    EXPECT_EQ(stale.engine()->boots, engine.boots);
}

// An engine the agent does not know (another agent now answers at the
// address, or a probe's sighting was wrong) is discovered again, once.
TEST_F(UsmAgent, AnEngineTheAgentDoesNotKnowIsDiscoveredAgain)
{
    const AgentUser& u = user("a_SHA-384");
    UsmModel first(credentialsOf(u));
    ASSERT_EQ(get(first, kSysDescr).result, NETROV_OK);

    UsmModel model(credentialsOf(u));
    model.restoreEngine({{0x80, 0x00, 0x00, 0x01, 0x02, 0x03}, 1, 0});
    const V3Reply reply = get(model, kSysDescr);
    EXPECT_EQ(reply.result, NETROV_OK);
    EXPECT_EQ(valueText(reply), "NetRov test agent");
    EXPECT_EQ(model.engine()->id, first.engine()->id);
}

}  // namespace
