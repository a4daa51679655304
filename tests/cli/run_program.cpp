// Runs a program and collects its output, for tests of command-line programs.
#include "run_program.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace netrov::test {

namespace {

// How the program is started beyond its arguments.
struct Start {
    std::string directory;  // its current directory; empty: ours
    int signals = 1;        // SIGINTs sent when ready
    bool terminal = false;  // standard output on a terminal (raw, so bytes pass as written)
};

// A pipe, or a terminal in raw mode: [0] is what we read, [1] what the program writes.
bool outputChannel(bool terminal, int fds[2])
{
    if (!terminal) return pipe2(fds, O_CLOEXEC) == 0;
    termios raw{};
    cfmakeraw(&raw);
    if (openpty(&fds[0], &fds[1], nullptr, &raw, nullptr) != 0) return false;
    fcntl(fds[0], F_SETFD, FD_CLOEXEC);
    fcntl(fds[1], F_SETFD, FD_CLOEXEC);
    return true;
}

ProgramResult run(const std::vector<std::string>& argv, const std::function<bool(const std::string&)>& ready,
                  int timeoutSeconds, const Start& start)
{
    const std::string& directory = start.directory;
    const int signals = start.signals;
    ProgramResult result;
    int outPipe[2];
    int errPipe[2];
    if (!outputChannel(start.terminal, outPipe)) return result;
    if (pipe2(errPipe, O_CLOEXEC) != 0) {
        close(outPipe[0]);
        close(outPipe[1]);
        return result;
    }
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(outPipe[1], STDOUT_FILENO);
        dup2(errPipe[1], STDERR_FILENO);
        if (!directory.empty() && chdir(directory.c_str()) != 0) _exit(126);
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    if (pid < 0) {
        close(outPipe[0]);
        close(errPipe[0]);
        return result;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    bool sent = false;
    bool killed = false;
    int open = 2;
    while (open > 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            kill(pid, SIGKILL);
            killed = true;
            break;
        }
        if (poll(fds, 2, static_cast<int>(left.count())) <= 0) continue;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            char buffer[4096];
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<size_t>(n));
            } else {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
        if (ready && !sent && ready(result.err)) {
            for (int i = 0; i < signals; ++i) {
                // A moment apart, as two senders are: the program sees each.
                if (i > 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
                kill(pid, SIGINT);
            }
            sent = true;
        }
    }
    for (auto& f : fds)
        if (f.fd >= 0) close(f.fd);
    int status = 0;
    waitpid(pid, &status, 0);
    result.status = !killed && (sent || !ready) && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

}  // namespace

ProgramResult runProgram(const std::vector<std::string>& argv, int timeoutSeconds)
{
    return run(argv, nullptr, timeoutSeconds, {});
}

ProgramResult runProgramIn(const std::string& directory, const std::vector<std::string>& argv, int timeoutSeconds)
{
    return run(argv, nullptr, timeoutSeconds, Start{directory});
}

ProgramResult runOnTerminal(const std::vector<std::string>& argv, int timeoutSeconds)
{
    return run(argv, nullptr, timeoutSeconds, Start{{}, 1, true});
}

ProgramResult interruptWhen(const std::vector<std::string>& argv, const std::function<bool(const std::string&)>& ready,
                            int timeoutSeconds, int signals)
{
    return run(argv, ready, timeoutSeconds, Start{{}, signals});
}

size_t lineCount(const std::string& text)
{
    size_t lines = 0;
    for (char c : text) lines += c == '\n';
    if (!text.empty() && text.back() != '\n') ++lines;
    return lines;
}

}  // namespace netrov::test
