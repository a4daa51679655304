// Namespaces, a bridge and avahi-daemons for the mDNS tests; see mdns_lan.h.
#include "mdns_lan.h"

#include "snmpsim_runner.h"

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace netrov::test {

namespace {

constexpr const char* kAvahiDaemon = "/usr/sbin/avahi-daemon";
constexpr const char* kBusDaemon = "/usr/bin/dbus-daemon";
constexpr const char* kSubnet = "10.203.0.";

std::string xmlEscaped(const std::string& text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string serviceFile(const MdnsHost& host)
{
    std::string xml = "<?xml version=\"1.0\" standalone='no'?>\n<!DOCTYPE service-group SYSTEM \"avahi-service.dtd\">\n"
                      "<service-group>\n<name replace-wildcards=\"no\">" + xmlEscaped(host.instanceName) + "</name>\n";
    for (const MdnsService& s : host.services) {
        xml += "<service><type>" + xmlEscaped(s.type) + "</type><port>" + std::to_string(s.port) + "</port>";
        for (const std::string& t : s.txt) xml += "<txt-record>" + xmlEscaped(t) + "</txt-record>";
        xml += "</service>\n";
    }
    return xml + "</service-group>\n";
}

std::string daemonConfig(const std::string& hostName, bool bus)
{
    return "[server]\nhost-name=" + hostName + "\nuse-ipv4=yes\nuse-ipv6=yes\nallow-interfaces=eth0\nenable-dbus="
           + (bus ? "yes" : "no") + "\nratelimit-interval-usec=1000000\nratelimit-burst=1000\n"
           "[publish]\npublish-workstation=no\npublish-hinfo=no\n" + (bus ? "disable-publishing=yes\n" : "");
}

// Everyone may own and call anything: the bus serves one test.
std::string busConfig(const std::string& socket)
{
    return "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
           " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
           "<busconfig><type>system</type><listen>unix:path=" + socket + "</listen><auth>EXTERNAL</auth>\n"
           "<policy context=\"default\"><allow user=\"*\"/><allow own=\"*\"/><allow send_destination=\"*\"/>"
           "<allow receive_sender=\"*\"/></policy></busconfig>\n";
}

bool enterNamespace(const std::string& ns)
{
    const int fd = open(("/var/run/netns/" + ns).c_str(), O_RDONLY | O_CLOEXEC);
    return fd >= 0 && setns(fd, CLONE_NEWNET) == 0;
}

}  // namespace

std::string mdnsLanUnavailable()
{
    if (geteuid() != 0) return "needs root to make network namespaces";
    if (access(kAvahiDaemon, X_OK) != 0) return std::string("no ") + kAvahiDaemon + " (Debian's avahi-daemon)";
    if (access(kBusDaemon, X_OK) != 0) return std::string("no ") + kBusDaemon + " (Debian's dbus-daemon)";
    if (std::system("ip netns list >/dev/null 2>&1") != 0) return "ip netns does not work here";
    return {};
}

MdnsLan::MdnsLan()
{
    static std::atomic<int> counter{0};
    prefix_ = "nrm" + std::to_string(getpid()) + "n" + std::to_string(counter++);
    lanNs_ = prefix_ + "lan";
    searcherNs_ = prefix_ + "s";
    // Multicast floods the bridge: no snooping decides who hears it.
    if (!addNamespace(lanNs_) || !shell("ip -n " + lanNs_ + " link add lan0 type bridge mcast_snooping 0")
        || !shell("ip -n " + lanNs_ + " link set lan0 up") || !addNamespace(searcherNs_)
        || !attach(searcherNs_, std::string(kSubnet) + "100", "fd03::100"))
        return;
}

MdnsLan::~MdnsLan()
{
    for (pid_t pid : daemons_) kill(pid, SIGTERM);
    for (pid_t pid : daemons_) {
        int waited = 0;
        while (waitpid(pid, nullptr, WNOHANG) == 0 && waited++ < 50) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (waited > 50) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }
    for (const std::string& ns : namespaces_) shell("ip netns del " + ns);
}

bool MdnsLan::shell(const std::string& command)
{
    FILE* p = popen((command + " 2>&1").c_str(), "r");
    if (!p) {
        if (error_.empty()) error_ = "cannot run " + command;
        return false;
    }
    std::string text;
    char buffer[256];
    while (size_t n = fread(buffer, 1, sizeof buffer, p)) text.append(buffer, n);
    if (pclose(p) == 0) return true;
    if (error_.empty()) error_ = command + ": " + text;
    return false;
}

bool MdnsLan::addNamespace(const std::string& name)
{
    // Other tests add and remove namespaces at the same time, which can fail
    // an add now and then: it is tried again.
    bool added = false;
    for (int attempt = 0; attempt < 3 && !added; ++attempt) {
        if (attempt > 0) std::this_thread::sleep_for(std::chrono::milliseconds(200));
        error_.clear();
        added = shell("ip netns add " + name);
    }
    if (!added) return false;
    namespaces_.push_back(name);
    return shell("ip -n " + name + " link set lo up");
}

bool MdnsLan::attach(const std::string& ns, const std::string& ipv4, const std::string& ipv6)
{
    const std::string port = "p" + std::to_string(++ports_);
    // No link-local address: each host has exactly the addresses it is given.
    bool done = shell("ip -n " + lanNs_ + " link add " + port + " type veth peer name eth0 netns " + ns)
                && shell("ip -n " + lanNs_ + " link set " + port + " master lan0 up")
                && shell("ip -n " + ns + " link set eth0 addrgenmode none");
    if (done && !ipv4.empty()) done = shell("ip -n " + ns + " addr add " + ipv4 + "/24 brd + dev eth0");
    if (done && !ipv6.empty()) done = shell("ip -n " + ns + " addr add " + ipv6 + "/64 dev eth0 nodad");
    return done && shell("ip -n " + ns + " link set eth0 up");
}

pid_t MdnsLan::startDaemon(const std::string& ns, const std::string& dir, bool avahi)
{
    if (avahi)
        return startIn(ns, {kAvahiDaemon, "-f", dir + "/avahi.conf", "--no-chroot", "--no-drop-root", "--no-rlimits", "--no-proc-title"},
                       dir + "/log", dir + "/services");
    return startIn(ns, {kBusDaemon, "--config-file=" + dir + "/bus.conf", "--nofork", "--nopidfile"}, dir + "/log", {});
}

pid_t MdnsLan::startIn(const std::string& ns, std::vector<std::string> args, const std::string& log,
                       const std::string& avahiServices)
{
    // Everything the child needs is made before it forks.
    const std::string bus = "DBUS_SYSTEM_BUS_ADDRESS=unix:path=" + dir_.file("bus");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid != 0) {
        if (pid > 0) daemons_.push_back(pid);
        return pid;
    }
    // The child. An avahi-daemon gets a mount namespace of its own for its
    // runtime folder and service files, so daemons of several hosts do not meet.
    const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (out < 0 || dup2(out, STDOUT_FILENO) < 0 || dup2(out, STDERR_FILENO) < 0 || !enterNamespace(ns)) _exit(126);
    if (!avahiServices.empty()
        && (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0
            || mount("tmpfs", "/run", "tmpfs", 0, "mode=0755") != 0 || mkdir("/run/avahi-daemon", 0755) != 0
            || mount(avahiServices.c_str(), "/etc/avahi/services", nullptr, MS_BIND, nullptr) != 0))
        _exit(126);
    putenv(const_cast<char*>(bus.c_str()));
    execv(argv[0], argv.data());
    _exit(127);
}

bool MdnsLan::waitForLog(const std::string& path, const std::string& line, int timeoutSeconds)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    while (std::chrono::steady_clock::now() < deadline) {
        if (readFile(path).find(line) != std::string::npos) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (error_.empty()) error_ = "no \"" + line + "\" in " + path + ":\n" + readFile(path);
    return false;
}

bool MdnsLan::addHost(const MdnsHost& host)
{
    if (!ok()) return false;
    const std::string ns = prefix_ + "h" + std::to_string(hostLogs_.size());
    const std::string dir = dir_.file(ns);
    std::error_code ignored;
    std::filesystem::create_directories(dir + "/services", ignored);
    writeFile(dir + "/services/printer.service", serviceFile(host));
    writeFile(dir + "/avahi.conf", daemonConfig(host.hostName, false));
    writeFile(dir + "/log", "");
    if (!addNamespace(ns) || !attach(ns, host.ipv4, host.ipv6)) return false;
    hostLogs_.push_back(dir + "/log");
    hostAddresses_.emplace_back(ns, host.ipv4);
    return startDaemon(ns, dir, true) > 0 || (error_ = "cannot start avahi-daemon", false);
}

bool MdnsLan::serveSnmp(size_t host, const std::string& walkFile, int timeoutSeconds)
{
    if (!ok()) return false;
    if (host >= hostAddresses_.size() || hostAddresses_[host].second.empty())
        return (error_ = "host " + std::to_string(host) + " has no IPv4 address", false);
    if (access("/usr/bin/snmpsimd", X_OK) != 0) return (error_ = "no /usr/bin/snmpsimd (Debian's snmpsim)", false);
    const auto& [ns, address] = hostAddresses_[host];
    const std::string dir = dir_.file(ns + "snmp");
    const std::string walk = std::filesystem::path(walkFile).filename().string();
    std::error_code failed;
    std::filesystem::create_directories(dir + "/data", failed);
    std::filesystem::create_directories(dir + "/cache", failed);
    std::filesystem::copy_file(walkFile, dir + "/data/" + walk, std::filesystem::copy_options::overwrite_existing, failed);
    if (failed) return (error_ = "cannot copy " + walkFile + ": " + failed.message(), false);
    // The simulator drops to nobody, which must read the data and write the cache.
    for (const std::string& path : {dir_.path().string(), dir, dir + "/data", dir + "/data/" + walk}) chmod(path.c_str(), 0755);
    chmod((dir + "/cache").c_str(), 0777);
    const std::string log = dir + "/log";
    if (startIn(ns,
                {"/usr/bin/snmpsimd", "--data-dir=" + dir + "/data", "--cache-dir=" + dir + "/cache", "--process-user=nobody",
                 "--process-group=nogroup", "--agent-udpv4-endpoint=" + address + ":161"},
                log, {})
        <= 0)
        return (error_ = "cannot start snmpsimd", false);
    // Asked from the searcher's namespace: the address exists only on the LAN.
    const std::string community = SnmpSimRunner::communityOf(walkFile);
    const std::string answered = runInSearcher([&] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
        while (std::chrono::steady_clock::now() < deadline)
            if (agentAnswers(address, community, 200)) return std::string("yes");
        return std::string("no");
    }, timeoutSeconds + 5);
    if (answered != "yes") error_ = "snmpsimd does not answer on " + address + ": " + readFile(log);
    return ok();
}

bool MdnsLan::startSearcher(int timeoutSeconds)
{
    if (!ok()) return false;
    for (const std::string& log : hostLogs_)
        if (!waitForLog(log, "successfully established", timeoutSeconds)) return false;
    const std::string dir = dir_.file("searcher");
    std::error_code ignored;
    std::filesystem::create_directories(dir + "/services", ignored);
    writeFile(dir + "/avahi.conf", daemonConfig("searcher", true));
    const std::string busDir = dir + "/bus";
    std::filesystem::create_directories(busDir, ignored);
    writeFile(busDir + "/bus.conf", busConfig(dir_.file("bus")));
    writeFile(busDir + "/log", "");
    writeFile(dir + "/log", "");
    if (startDaemon(searcherNs_, busDir, false) <= 0) return (error_ = "cannot start dbus-daemon", false);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    while (access(dir_.file("bus").c_str(), F_OK) != 0) {
        if (std::chrono::steady_clock::now() > deadline) return (error_ = "dbus-daemon made no socket: " + readFile(busDir + "/log"), false);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (startDaemon(searcherNs_, dir, true) <= 0) return (error_ = "cannot start avahi-daemon", false);
    return waitForLog(dir + "/log", "Server startup complete", timeoutSeconds);
}

std::string MdnsLan::runInSearcher(const std::function<std::string()>& fn, int timeoutSeconds)
{
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) return "error: no pipe";
    const std::string bus = "DBUS_SYSTEM_BUS_ADDRESS=unix:path=" + dir_.file("bus");
    const pid_t pid = fork();
    if (pid == 0) {
        alarm(static_cast<unsigned>(timeoutSeconds));  // never outlive a stuck test
        close(out[0]);
        std::string text = "error: cannot enter " + searcherNs_;
        if (enterNamespace(searcherNs_)) {
            putenv(const_cast<char*>(bus.c_str()));
            text = fn();
        }
        (void)!write(out[1], text.data(), text.size());
        _exit(0);
    }
    close(out[1]);
    std::string text;
    char buffer[512];
    ssize_t n;
    while ((n = read(out[0], buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<size_t>(n));
    close(out[0]);
    if (pid > 0) waitpid(pid, nullptr, 0);
    return text;
}

std::vector<std::string> MdnsLan::searcherCommand(const std::vector<std::string>& argv) const
{
    std::vector<std::string> command{"/usr/sbin/ip", "netns", "exec", searcherNs_, "/usr/bin/env",
                                     "DBUS_SYSTEM_BUS_ADDRESS=unix:path=" + dir_.file("bus")};
    command.insert(command.end(), argv.begin(), argv.end());
    return command;
}

}  // namespace netrov::test
