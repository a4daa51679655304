// Runs a program with arguments and collects its exit status, standard output and standard error.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace netrov::test {

struct ProgramResult {
    int status = -1;  // exit status, or -1 when it did not exit normally
    std::string out;
    std::string err;
};

// argv[0] is the program path; no shell is involved.
ProgramResult runProgram(const std::vector<std::string>& argv, int timeoutSeconds = 120);

// As runProgram, started in directory (its current directory; argv[0] must
// not be relative).
ProgramResult runProgramIn(const std::string& directory, const std::vector<std::string>& argv, int timeoutSeconds = 120);

// As runProgram, with standard output on a terminal; out holds what the
// terminal received.
ProgramResult runOnTerminal(const std::vector<std::string>& argv, int timeoutSeconds = 120);

// As runProgram, and sends SIGINT once the program's standard error satisfies
// ready (signals times at once, as a shell or `timeout` signals the program
// and then its process group); status is -1 when it was never ready or did
// not exit.
ProgramResult interruptWhen(const std::vector<std::string>& argv, const std::function<bool(const std::string&)>& ready,
                            int timeoutSeconds = 60, int signals = 1);

// Lines of text (a final line without line feed counts).
size_t lineCount(const std::string& text);

}  // namespace netrov::test
