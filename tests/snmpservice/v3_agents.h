// net-snmp's snmpd agents with SNMPv3 users, and the profile file that reaches them, for tests in a private network namespace.
#pragma once

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace netrov::test {

inline constexpr const char* kSnmpdProgram = "/usr/sbin/snmpd";

// Pass phrases drawn at random, so a search for one in the files a run
// wrote finds only a leak, never a chance match.
inline std::string randomPassphrase()
{
    static std::random_device device;
    static const char kDigits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string phrase = "pp";
    for (int i = 0; i < 22; ++i) phrase += kDigits[device() % (sizeof(kDigits) - 1)];
    return phrase;
}

// One SNMPv3 user as the agent's configuration and the profile file name it.
struct V3User {
    std::string name;
    std::string auth;  // "SHA-256", ...; empty at noAuthNoPriv
    std::string authPhrase;
    std::string priv;  // "AES", ...; empty below authPriv
    std::string privPhrase;
};

// Printer objects that make snmpd a printer to the search: a printer name,
// one toner row with its capacity and level.
inline constexpr const char* kPrinterObjects =
    "override .1.3.6.1.2.1.43.5.1.1.16.1 octet_str \"Bench printer\"\n"
    "override .1.3.6.1.2.1.43.11.1.1.4.1.1 integer 3\n"
    "override .1.3.6.1.2.1.43.11.1.1.5.1.1 integer 3\n"
    "override .1.3.6.1.2.1.43.11.1.1.6.1.1 octet_str \"Black Toner\"\n"
    "override .1.3.6.1.2.1.43.11.1.1.7.1.1 integer 13\n"
    "override .1.3.6.1.2.1.43.11.1.1.8.1.1 integer 1000\n"
    "override .1.3.6.1.2.1.43.11.1.1.9.1.1 integer 420\n";

// An agent on a loopback address: communities for SNMPv1/v2c (none for a
// v3-only agent) and its users.
struct AgentSetup {
    std::string address;
    std::vector<std::string> communities;
    std::vector<V3User> users;
    std::string sysName;
};

// snmpd serving setup from a configuration written into dir (private to
// its owner before any pass phrase goes in), ended when destroyed. It serves
// objects (snmpd configuration lines) beside its own, and answers on
// moreAddresses too.
class V3Agent {
public:
    V3Agent(const AgentSetup& setup, const std::string& dir, const std::string& objects = kPrinterObjects,
            const std::vector<std::string>& moreAddresses = {})
        : address_(setup.address)
    {
        const std::string config = dir + "/snmpd-" + setup.address + ".conf";
        const std::string state = dir + "/state-" + setup.address;
        mkdir(state.c_str(), 0700);
        const int fd = open(config.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fd < 0) return;
        close(fd);
        {
            std::ofstream conf(config);
            conf << "agentAddress udp:" << setup.address << ":161";
            for (const std::string& more : moreAddresses) conf << ",udp:" << more << ":161";
            conf << "\nmaster no\n";
            conf << "agentXSocket " << dir << "/agentx-" << setup.address << "\n";
            conf << "sysName " << setup.sysName << "\nsysLocation Bench shelf\n";
            conf << objects;
            for (const std::string& c : setup.communities) conf << "rocommunity " << c << " 127.0.0.0/8\n";
            for (const V3User& u : setup.users) {
                conf << "createUser " << u.name;
                if (!u.auth.empty()) conf << ' ' << u.auth << " \"" << u.authPhrase << '"';
                if (!u.priv.empty()) conf << ' ' << u.priv << " \"" << u.privPhrase << '"';
                conf << "\nrouser " << u.name << (u.priv.empty() ? (u.auth.empty() ? " noauth" : " auth") : " priv")
                     << '\n';
            }
        }
        pid_ = fork();
        if (pid_ == 0) {
            setenv("SNMP_PERSISTENT_DIR", state.c_str(), 1);
            setenv("SNMPCONFPATH", dir.c_str(), 1);
            const int null = open("/dev/null", O_RDWR);
            dup2(null, 1);
            dup2(null, 2);
            execl(kSnmpdProgram, "snmpd", "-f", "-C", "-c", config.c_str(), "-Lf", "/dev/null",
                  static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    ~V3Agent()
    {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
    }
    V3Agent(const V3Agent&) = delete;
    V3Agent& operator=(const V3Agent&) = delete;

    bool started() const { return pid_ > 0; }
    const std::string& address() const { return address_; }

private:
    std::string address_;
    pid_t pid_ = -1;
};

// One profile section naming user with its own phrases, or others given.
inline std::string profileSection(const std::string& profile, const V3User& user)
{
    std::string s = "[" + profile + "]\nuser = " + user.name + "\n";
    s += std::string("level = ") + (user.priv.empty() ? (user.auth.empty() ? "noAuthNoPriv" : "authNoPriv") : "authPriv") + "\n";
    if (!user.auth.empty()) s += "auth = " + user.auth + "\nauthPassphrase = " + user.authPhrase + "\n";
    if (!user.priv.empty()) s += "priv = " + user.priv + "\nprivPassphrase = " + user.privPhrase + "\n";
    return s;
}

// Writes a profile file private to its owner.
inline bool writeProfiles(const std::string& path, const std::string& text, mode_t mode = 0600)
{
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, mode);
    if (fd < 0) return false;
    const bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    fchmod(fd, mode);
    close(fd);
    return written;
}

// Moves the calling process into a network namespace of its own with its
// loopback up; the reason when that is not possible.
inline std::string enterPrivateNamespace()
{
    if (geteuid() != 0) return "a private network namespace needs root";
    if (access(kSnmpdProgram, X_OK) != 0) return "net-snmp's snmpd is not installed";
    if (unshare(CLONE_NEWNET) != 0) return "cannot create a private network namespace";
    if (std::system("ip link set lo up") != 0) return "cannot bring up the namespace's loopback interface";
    return {};
}

}  // namespace netrov::test
