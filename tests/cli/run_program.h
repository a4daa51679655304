// Runs a program with arguments and collects its exit status, standard output and standard error.
#pragma once

#include <filesystem>
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

// Copies netrov-cli and the build's libraries into dir without any support
// package beside them (an unreadable installation); returns the program's path.
std::string strippedInstallation(const std::filesystem::path& dir);

// Lines of text (a final line without line feed counts).
size_t lineCount(const std::string& text);

}  // namespace netrov::test
