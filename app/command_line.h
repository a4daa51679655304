// The options the desktop program answers on the terminal, before any window opens.
#pragma once

#include <cstdio>
#include <optional>

namespace netrov::ui {

// The exit code of a start refused on the terminal: an unknown option, or no display.
inline constexpr int kUsageExit = 2;

// --help and --version (also -h, -v) print their text to out and give exit
// code 0. An option that is neither these nor one of Qt's own (for example
// -platform offscreen) prints the usage to err and gives kUsageExit, and so
// does a start with no display to open a window on (no platform chosen and
// neither DISPLAY nor WAYLAND_DISPLAY set). Anything else gives none: the
// program starts.
std::optional<int> answerTerminalOptions(int argc, char** argv, std::FILE* out, std::FILE* err);

}  // namespace netrov::ui
