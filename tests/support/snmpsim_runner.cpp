// Starts and stops snmpsimd for agent tests.
#include "snmpsim_runner.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <thread>

namespace netrov::test {

namespace {

namespace fs = std::filesystem;

constexpr auto kStartDeadline = std::chrono::seconds(90);

std::string findProgram(const char* name)
{
    const char* path = getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        const size_t end = dirs.find(':', start);
        const std::string dir = dirs.substr(start, end == std::string::npos ? std::string::npos : end - start);
        const std::string candidate = (dir.empty() ? "." : dir) + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return {};
}

// A GetRequest for sysDescr.0 with the given community (short BER forms;
// the community is below 100 bytes in every test).
std::vector<uint8_t> sysDescrGet(const std::string& community)
{
    static constexpr uint8_t kPdu[] = {0xA0, 0x19, 0x02, 0x01, 0x2A, 0x02, 0x01, 0x00, 0x02, 0x01,
                                       0x00, 0x30, 0x0E, 0x30, 0x0C, 0x06, 0x08, 0x2B, 0x06, 0x01,
                                       0x02, 0x01, 0x01, 0x01, 0x00, 0x05, 0x00};
    const size_t body = 3 + 2 + community.size() + sizeof kPdu;
    std::vector<uint8_t> message;
    message.reserve(2 + body);
    for (uint8_t b : {uint8_t{0x30}, static_cast<uint8_t>(body), uint8_t{0x02}, uint8_t{0x01}, uint8_t{0x00},
                      uint8_t{0x04}, static_cast<uint8_t>(community.size())}) {
        message.push_back(b);
    }
    for (char c : community) message.push_back(static_cast<uint8_t>(c));
    for (uint8_t b : kPdu) message.push_back(b);
    return message;
}

}  // namespace

bool agentAnswers(const std::string& address, const std::string& community, int timeoutMs)
{
    const bool v6 = address.find(':') != std::string::npos;
    const int fd = socket(v6 ? AF_INET6 : AF_INET, SOCK_DGRAM, 0);
    if (fd < 0) return false;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(161);
    sockaddr_in6 to6{};
    to6.sin6_family = AF_INET6;
    to6.sin6_port = htons(161);
    bool answered = false;
    if (v6 ? inet_pton(AF_INET6, address.c_str(), &to6.sin6_addr) == 1 : inet_pton(AF_INET, address.c_str(), &to.sin_addr) == 1) {
        const std::vector<uint8_t> request = sysDescrGet(community);
        if (v6)
            sendto(fd, request.data(), request.size(), 0, reinterpret_cast<sockaddr*>(&to6), sizeof to6);
        else
            sendto(fd, request.data(), request.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, timeoutMs) == 1) {
            uint8_t buffer[2048];
            answered = recv(fd, buffer, sizeof buffer, 0) > 0;
        }
    }
    close(fd);
    return answered;
}

std::string SnmpSimRunner::communityOf(const std::string& walkFile)
{
    return fs::path(walkFile).stem().string();
}

SnmpSimRunner::SnmpSimRunner(const std::vector<std::string>& walkFiles,
                             const std::vector<std::string>& addresses)
{
    ready_ = start(walkFiles, addresses);
    if (!ready_) stop();
}

SnmpSimRunner::~SnmpSimRunner() { stop(); }

std::string SnmpSimRunner::log() const
{
    return dir_ ? readFile(dir_->file("snmpsimd.log")) : std::string();
}

bool SnmpSimRunner::start(const std::vector<std::string>& walkFiles,
                          const std::vector<std::string>& addresses)
{
    const std::string program = findProgram("snmpsimd");
    if (program.empty()) {
        whyNot_ = "snmpsimd is not installed (Debian package snmpsim)";
        return false;
    }
    if (walkFiles.empty() || addresses.empty()) {
        whyNot_ = "no walk files or no addresses to serve";
        return false;
    }
    if (geteuid() != 0) {
        whyNot_ = "serving port 161 needs root";
        return false;
    }
    try {
        dir_ = std::make_unique<TempDir>();
        // The simulator drops to nobody; it must read the data and write
        // its index cache.
        chmod(dir_->path().c_str(), 0755);
        fs::create_directory(dir_->path() / "data");
        fs::create_directory(dir_->path() / "cache");
        chmod((dir_->path() / "data").c_str(), 0755);
        chmod((dir_->path() / "cache").c_str(), 0777);
        for (const std::string& walk : walkFiles) {
            const fs::path target = dir_->path() / "data" / fs::path(walk).filename();
            fs::copy_file(walk, target, fs::copy_options::overwrite_existing);
            chmod(target.c_str(), 0644);
        }
    } catch (const std::exception& e) {
        whyNot_ = std::string("cannot prepare the simulator's data: ") + e.what();
        return false;
    }

    std::vector<std::string> args = {program,
                                      "--data-dir=" + (dir_->path() / "data").string(),
                                      "--cache-dir=" + (dir_->path() / "cache").string(),
                                      "--process-user=nobody", "--process-group=nogroup"};
    for (const std::string& a : addresses) {
        const bool v6 = a.find(':') != std::string::npos;
        args.push_back(v6 ? "--agent-udpv6-endpoint=[" + a + "]:161" : "--agent-udpv4-endpoint=" + a + ":161");
    }
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const std::string logPath = dir_->file("snmpsimd.log");

    pid_ = fork();
    if (pid_ < 0) {
        whyNot_ = "fork failed";
        return false;
    }
    if (pid_ == 0) {
        setpgid(0, 0);
        const int log = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (log >= 0) {
            dup2(log, 1);
            dup2(log, 2);
        }
        execv(argv[0], argv.data());
        _exit(127);
    }
    setpgid(pid_, pid_);

    const std::string community = communityOf(walkFiles.front());
    const auto deadline = std::chrono::steady_clock::now() + kStartDeadline;
    for (const std::string& address : addresses) {
        while (!agentAnswers(address, community, 200)) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                whyNot_ = "snmpsimd exited: " + log();
                return false;
            }
            if (std::chrono::steady_clock::now() > deadline) {
                whyNot_ = "snmpsimd did not answer on " + address + ": " + log();
                return false;
            }
        }
    }
    return true;
}

void SnmpSimRunner::stop()
{
    if (pid_ <= 0) return;
    kill(-pid_, SIGTERM);
    for (int i = 0; i < 50; ++i) {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    kill(-pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

}  // namespace netrov::test
