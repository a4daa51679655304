// netrov-cli's exit codes: one set for every command.
#pragma once

namespace netrov::cli {

inline constexpr int kExitOk = 0;
// The device did not answer or refused, or the program could not do what was asked.
inline constexpr int kExitFailed = 1;
// The command line or the installation is wrong; nothing was sent.
inline constexpr int kExitBadInput = 2;
// Ctrl+C or SIGTERM, as a shell reports a death by SIGINT.
inline constexpr int kExitInterrupted = 130;

// The monitoring check follows the monitoring-plugin convention instead.
inline constexpr int kCheckOk = 0;
inline constexpr int kCheckWarning = 1;
inline constexpr int kCheckCritical = 2;
inline constexpr int kCheckUnknown = 3;

}  // namespace netrov::cli
