// The options the desktop program answers on the terminal, before any window opens.
#pragma once

#include <cstdio>
#include <optional>

namespace netrov::ui {

// --help and --version (also -h, -v) print their text to out and give the
// exit code; anything else gives none, and the program starts (Qt's own
// options such as -platform pass through).
std::optional<int> answerTerminalOptions(int argc, char** argv, std::FILE* out);

}  // namespace netrov::ui
