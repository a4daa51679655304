// The end command sent over the local socket on which the running NetRov listens.
#include "end_app.h"

#ifndef _WIN32
#  include <sys/socket.h>
#  include <sys/un.h>
#  include <unistd.h>
#endif

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/file_system.h"
#include "platform/profile_file.h"
#include "exit_codes.h"
#include "report.h"
#include "platform/runtime_directory.h"

namespace netrov::cli {

#ifndef _WIN32
namespace {

// Closes the socket on every path.
struct Socket {
    int fd = -1;
    ~Socket()
    {
        if (fd >= 0) ::close(fd);
    }
};

}  // namespace
#endif

std::string endpointPath(const std::string& mutexName)
{
    return platform::runtimeSocketPath(mutexName);
}

std::string installedMutexName(const std::string& programDirectory)
{
    return platform::getPrivateProfileString("Main", "MutexName", "", programDirectory + "/NetRov.ini", 256);
}

int sendEndCommand(const std::string& mutexName, std::string& error)
{
    if (mutexName.empty()) {
        error = "no MutexName: give --mutex or run beside the installation's NetRov.ini";
        return kExitFailed;
    }
#ifdef _WIN32
    // The desktop program is built for Linux only: nothing listens here.
    error = "ending NetRov is not available on Windows";
    return kExitFailed;
#else
    const std::string path = endpointPath(mutexName);
    if (path.empty()) {
        error = "no private runtime directory for this user (XDG_RUNTIME_DIR, or a folder of our own in TMPDIR)";
        return kExitFailed;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        error = "socket path too long: " + path;
        return kExitFailed;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    Socket socket;
    socket.fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (socket.fd < 0 || ::connect(socket.fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        error = "no running NetRov answers at " + path + " (" + std::strerror(errno) + ")";
        return kExitFailed;
    }
    static constexpr char kLine[] = "command 1 11\n";
    size_t sent = 0;
    while (sent < sizeof kLine - 1) {
        const ssize_t n = ::send(socket.fd, kLine + sent, sizeof kLine - 1 - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = std::string("sending failed: ") + std::strerror(errno);
            return kExitFailed;
        }
        sent += static_cast<size_t>(n);
    }
    return kExitOk;
#endif
}

}  // namespace netrov::cli

#include <iostream>

#include "platform/module_path.h"

namespace netrov::cli {

int runEndApp(const std::string& mutexName)
{
    std::string name = mutexName;
    if (name.empty()) {
        const std::string program = platform::programPath();
        name = installedMutexName(platform::directoryOf(program));
    }
    std::string error;
    const int result = sendEndCommand(name, error);
    if (result != kExitOk) std::cerr << "netrov-cli: " << terminalSafe(error) << "\n";
    return result;
}

}  // namespace netrov::cli
