// Starts and stops ippeveprinter for the IPP tests.
#include "ippeveprinter_runner.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string_view>
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

constexpr const char* kPrinterHost = "netrov-ipp-printer";

// Starts the program in a process group of its own, output to the log file,
// with environment additions and, when hostsFile is given, that file in
// place of /etc/hosts in a mount namespace of its own; -1 on failure.
pid_t spawn(std::vector<std::string> args, const std::string& logPath, const std::vector<std::string>& environment = {},
            const std::string& hostsFile = {})
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
    if (!hostsFile.empty()
        && (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0
            || mount(hostsFile.c_str(), "/etc/hosts", nullptr, MS_BIND, nullptr) != 0))
        _exit(126);
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

// Runs the program to its end; its exit status, or -1.
int run(const std::vector<std::string>& args, const std::string& logPath)
{
    const pid_t pid = spawn(args, logPath);
    int status = 0;
    if (pid <= 0 || waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A job file for ipptool with its owner and name as variables.
constexpr const char* kJobTest = R"({
  NAME "Print a job"
  OPERATION Print-Job
  GROUP operation-attributes-tag
  ATTR charset attributes-charset utf-8
  ATTR naturalLanguage attributes-natural-language en
  ATTR uri printer-uri $uri
  ATTR name requesting-user-name "$jobuser"
  ATTR name job-name "$jobname"
  ATTR mimeMediaType document-format text/plain
  FILE $filename
  STATUS successful-ok
}
)";

}  // namespace

bool inOwnNetwork()
{
    // A namespace the test made holds its loopback alone; the machine's has more.
    struct if_nameindex* names = if_nameindex();
    if (!names) return false;
    bool loopbackOnly = true;
    for (const struct if_nameindex* n = names; n->if_index != 0; ++n)
        loopbackOnly = loopbackOnly && std::string_view(n->if_name) == "lo";
    if_freenameindex(names);
    return loopbackOnly;
}

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
    ready_ = start() && printJobs();
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
    script += "if [ -e '" + dir_->file("hold") + "' ]; then exec sleep 600; fi\n";
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
    // It serves on the addresses its host name has: another IPv6 address
    // than ::1 comes from a hosts file of its own.
    std::string host = "localhost";
    std::string hosts;
    if (!setup_.ipv6Address.empty()) {
        if (!inOwnNetwork()) {
            whyNot_ = "an IPv6 address of its own needs the test's own network namespace";
            return false;
        }
        if (run({installed("ip"), "-6", "address", "replace", setup_.ipv6Address + "/128", "dev", "lo", "nodad"},
                dir_->file("printer.log")) != 0) {
            whyNot_ = "the loopback did not take " + setup_.ipv6Address + ": " + log();
            return false;
        }
        host = kPrinterHost;
        hosts = dir_->file("hosts");
        writeFile(hosts, "127.0.0.1 " + host + "\n" + setup_.ipv6Address + " " + host + "\n");
    }
    printer_ = spawn({printer, "-r", "off", "-n", host, "-p", std::to_string(setup_.port), "-d",
                      (dir_->path() / "spool").string(), "-K", keys, "-a", dir_->file("printer.conf"), "-c",
                      dir_->file("print.sh"), setup_.name},
                     dir_->file("printer.log"), {"DBUS_SYSTEM_BUS_ADDRESS=unix:path=" + busPath}, hosts);
    while (!tcpAnswers(setup_.port, 100)) {
        if (exited(printer_) || std::chrono::steady_clock::now() > deadline) {
            whyNot_ = "ippeveprinter did not answer on port " + std::to_string(setup_.port) + ": " + log();
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

bool IppEvePrinter::printJobs()
{
    std::vector<IppJobSubmission> jobs = setup_.jobs;
    const bool holdLast = !jobs.empty();
    if (jobs.empty() && !setup_.jobMessages.empty()) jobs.push_back({"netrov", "state reasons"});
    if (jobs.empty()) return true;
    if (installed("ipptool").empty()) {
        whyNot_ = "ipptool is not installed (Debian package cups-ipp-utils)";
        return false;
    }
    writeFile(dir_->file("job.txt"), "a page\n");
    writeFile(dir_->file("job.test"), kJobTest);
    for (size_t i = 0; i < jobs.size(); ++i) {
        if (!submit(jobs[i], holdLast && i + 1 == jobs.size())) return false;
    }
    return true;
}

bool IppEvePrinter::submit(const IppJobSubmission& job, bool hold)
{
    fs::remove(dir_->file("printed"));
    if (hold) writeFile(dir_->file("hold"), "");
    if (run({installed("ipptool"), "-d", "jobuser=" + job.user, "-d", "jobname=" + job.name, "-f", dir_->file("job.txt"),
             "ipp://127.0.0.1:" + std::to_string(setup_.port) + "/ipp/print", dir_->file("job.test")},
            dir_->file("printer.log"))
        != 0) {
        whyNot_ = "the printer refused the job \"" + job.name + "\": " + log();
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + kStartDeadline;
    while (!fs::exists(dir_->file("printed"))) {
        if (std::chrono::steady_clock::now() > deadline) {
            whyNot_ = "the job \"" + job.name + "\" did not run: " + log();
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    // A printed job ends a moment after its command; a held one stays processing.
    if (!hold) std::this_thread::sleep_for(std::chrono::milliseconds(300));
    return true;
}

void IppEvePrinter::stop()
{
    // The printer first: it ends itself when its bus goes.
    end(printer_);
    end(bus_);
}

}  // namespace netrov::test
