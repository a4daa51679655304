// A copy of the build's command-line program and libraries, for tests that change an installation.
#pragma once

#include <filesystem>
#include <string>

namespace netrov::test {

// Copies netrov-cli and the build's libraries into dir without any support
// package beside them (an unreadable installation); returns the program's path.
std::string strippedInstallation(const std::filesystem::path& dir);

}  // namespace netrov::test
