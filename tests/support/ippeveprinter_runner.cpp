// Starts and stops ippeveprinter for the IPP tests.
#include "ippeveprinter_runner.h"

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
#include <filesystem>
#include <thread>

namespace netrov::test {

namespace {

namespace fs = std::filesystem;

constexpr auto kStartDeadline = std::chrono::seconds(20);

std::string installed(const char* name)
{
    for (const char* dir : {"/usr/sbin/", "/usr/bin/", "/sbin/", "/bin/"}) {
        const std::string candidate = std::string(dir) + name;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return {};
}

// Starts the program in a process group of its own, output to the log file,
// with environment additions; -1 on failure.
pid_t spawn(std::vector<std::string> args, const std::string& logPath, const std::vector<std::string>& environment = {})
{
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid != 0) {
        if (pid > 0) setpgid(pid, pid);
        return pid;
    }
    setpgid(0, 0);
    const int log = open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (log >= 0) {
        dup2(log, 1);
        dup2(log, 2);
    }
    for (const std::string& e : environment) putenv(const_cast<char*>(e.c_str()));
    execv(argv[0], argv.data());
    _exit(127);
}

void end(pid_t& pid)
{
    if (pid <= 0) return;
    kill(-pid, SIGTERM);
    for (int i = 0; i < 50; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) {
            pid = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    kill(-pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    pid = -1;
}

bool exited(pid_t& pid)
{
    if (pid > 0 && waitpid(pid, nullptr, WNOHANG) == pid) pid = -1;
    return pid <= 0;
}

}  // namespace

bool tcpAnswers(int port, int timeoutMs)
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool answered = connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0;
    if (!answered) {
        pollfd p{fd, POLLOUT, 0};
        int error = 0;
        socklen_t size = sizeof error;
        answered = poll(&p, 1, timeoutMs) == 1 && getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
    }
    close(fd);
    return answered;
}

IppEvePrinter::IppEvePrinter(IppPrinterSetup setup) : setup_(std::move(setup))
{
    ready_ = start() && printJob();
    if (!ready_) stop();
}

IppEvePrinter::~IppEvePrinter() { stop(); }

std::string IppEvePrinter::log() const
{
    return dir_ ? readFile(dir_->file("printer.log")) : std::string();
}

std::string IppEvePrinter::missing()
{
    if (installed("ippeveprinter").empty() || installed("ipptool").empty())
        return "ippeveprinter or ipptool is not installed (Debian package cups-ipp-utils)";
    if (installed("dbus-daemon").empty()) return "dbus-daemon is not installed (Debian package dbus-daemon)";
    return {};
}

bool IppEvePrinter::start()
{
    const std::string printer = installed("ippeveprinter");
    const std::string bus = installed("dbus-daemon");
    if (!missing().empty()) {
        whyNot_ = missing();
        return false;
    }
    dir_ = std::make_unique<TempDir>();
    fs::create_directory(dir_->path() / "spool");
    const std::string keys = setup_.keyDir.empty() ? (dir_->path() / "keys").string() : setup_.keyDir;
    fs::create_directories(keys);
    std::string conf;
    for (const std::string& line : setup_.attributes) conf += line + "\n";
    // The job the state reasons come through needs a format to accept.
    conf += "ATTR mimeMediaType document-format-supported application/octet-stream,text/plain\n";
    writeFile(dir_->file("printer.conf"), conf);
    // The print command says its messages and stays busy no longer than the job needs.
    std::string script = "#!/bin/sh\ncat >&2 <<'END'\n";
    for (const std::string& line : setup_.jobMessages) script += line + "\n";
    script += "END\ncat > /dev/null\ntouch '" + dir_->file("printed") + "'\n";
    writeFile(dir_->file("print.sh"), script);
    chmod(dir_->file("print.sh").c_str(), 0755);

    // Its DNS-SD client needs a message bus to connect to, even with
    // registration off; a private one keeps it away from the machine's.
    const std::string busPath = dir_->file("bus");
    bus_ = spawn({bus, "--session", "--nofork", "--address=unix:path=" + busPath}, dir_->file("printer.log"));
    const auto deadline = std::chrono::steady_clock::now() + kStartDeadline;
    while (!fs::exists(busPath)) {
        if (exited(bus_) || std::chrono::steady_clock::now() > deadline) {
            whyNot_ = "the message bus did not start: " + log();
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    printer_ = spawn({printer, "-r", "off", "-n", "localhost", "-p", std::to_string(setup_.port), "-d",
                      (dir_->path() / "spool").string(), "-K", keys, "-a", dir_->file("printer.conf"), "-c",
                      dir_->file("print.sh"), setup_.name},
                     dir_->file("printer.log"), {"DBUS_SYSTEM_BUS_ADDRESS=unix:path=" + busPath});
    while (!tcpAnswers(setup_.port, 100)) {
        if (exited(printer_) || std::chrono::steady_clock::now() > deadline) {
            whyNot_ = "ippeveprinter did not answer on port " + std::to_string(setup_.port) + ": " + log();
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

bool IppEvePrinter::printJob()
{
    if (setup_.jobMessages.empty()) return true;
    const std::string tool = installed("ipptool");
    if (tool.empty()) {
        whyNot_ = "ipptool is not installed (Debian package cups-ipp-utils)";
        return false;
    }
    writeFile(dir_->file("job.txt"), "a page\n");
    pid_t job = spawn({tool, "-f", dir_->file("job.txt"), "ipp://127.0.0.1:" + std::to_string(setup_.port) + "/ipp/print",
                       "print-job.test"},
                      dir_->file("printer.log"));
    int status = 0;
    waitpid(job, &status, 0);
    const auto deadline = std::chrono::steady_clock::now() + kStartDeadline;
    while (!fs::exists(dir_->file("printed"))) {
        if (std::chrono::steady_clock::now() > deadline) {
            whyNot_ = "the job that sets the state reasons and alerts did not run: " + log();
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    // The job ends a moment after its command.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    return true;
}

void IppEvePrinter::stop()
{
    // The printer first: it ends itself when its bus goes.
    end(printer_);
    end(bus_);
}

}  // namespace netrov::test
