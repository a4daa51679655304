// Peers that take notices on loopback and keep what arrived: an SMTP server (Debian's aiosmtpd) and an HTTP server.
// Header-only, so only the tests that use them link cpp-httplib.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <httplib.h>

#include "temp_dir.h"

namespace netrov::test {

// A loopback port free now (the kernel's choice).
inline int freeLoopbackPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof a;
    int port = 0;
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size) == 0)
        port = ntohs(a.sin_port);
    if (fd >= 0) ::close(fd);
    return port;
}

inline bool loopbackAccepts(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    if (fd >= 0) ::close(fd);
    return ok;
}

// aiosmtpd with its printing handler, run by Debian's own Python (not
// whichever python3 comes first on PATH), its output in a file that
// received() reads. Stopped and started again on the same port.
class SmtpSink {
public:
    static constexpr const char* kPython = "/usr/bin/python3";

    SmtpSink() : port_(freeLoopbackPort()), log_(dir_.file("smtp.txt")) {}
    ~SmtpSink() { stop(); }
    SmtpSink(const SmtpSink&) = delete;
    SmtpSink& operator=(const SmtpSink&) = delete;

    static bool available()
    {
        return std::filesystem::exists(kPython) &&
               std::system((std::string(kPython) + " -c 'import aiosmtpd' 2>/dev/null").c_str()) == 0;
    }

    bool start()
    {
        if (pid_ > 0) return true;
        const std::string listen = "127.0.0.1:" + std::to_string(port_);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, log_.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        std::vector<std::string> args = {kPython, "-u", "-m", "aiosmtpd", "-n", "-l", listen};
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        const int rc = posix_spawn(&pid_, kPython, &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (rc != 0) {
            pid_ = 0;
            return false;
        }
        for (int i = 0; i < 200; ++i) {
            if (loopbackAccepts(port_)) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
        return false;
    }

    void stop()
    {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = 0;
    }

    int port() const { return port_; }
    std::string received() const { return std::filesystem::exists(log_) ? readFile(log_) : std::string(); }

private:
    TempDir dir_;
    int port_;
    std::string log_;
    pid_t pid_ = 0;
};

// An HTTP server on loopback that keeps each POST's body, or answers 500 while failing.
class HttpSink {
public:
    HttpSink()
    {
        server_.Post("/hook", [this](const httplib::Request& request, httplib::Response& response) {
            std::lock_guard lock(mutex_);
            if (failing_) {
                response.status = 500;
                return;
            }
            bodies_.push_back(request.body);
            response.status = 204;
        });
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        while (!server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ~HttpSink()
    {
        server_.stop();
        if (thread_.joinable()) thread_.join();
    }
    HttpSink(const HttpSink&) = delete;
    HttpSink& operator=(const HttpSink&) = delete;

    std::string url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/hook"; }
    void setFailing(bool failing)
    {
        std::lock_guard lock(mutex_);
        failing_ = failing;
    }
    std::vector<std::string> bodies()
    {
        std::lock_guard lock(mutex_);
        return bodies_;
    }

private:
    httplib::Server server_;
    int port_ = 0;
    std::thread thread_;
    std::mutex mutex_;
    bool failing_ = false;
    std::vector<std::string> bodies_;
};

}  // namespace netrov::test
