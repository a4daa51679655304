// Runs a program with arguments and collects its exit status, standard output and standard error.
#pragma once

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

// Lines of text (a final line without line feed counts).
size_t lineCount(const std::string& text);

}  // namespace netrov::test
