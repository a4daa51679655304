// netrov-cli end-app: tells the running NetRov of this user to end at once.
#pragma once

#include <string>

namespace netrov::cli {

// The local socket the running NetRov listens on, in this user's private
// runtime directory; empty when there is none.
std::string endpointPath(const std::string& mutexName);

// The MutexName of NetRov.ini in programDirectory; "" when there is none.
std::string installedMutexName(const std::string& programDirectory);

// Sends the end command (1, 11). kExitOk when it was delivered, kExitFailed when no NetRov
// answered; error describes why.
int sendEndCommand(const std::string& mutexName, std::string& error);

}  // namespace netrov::cli

namespace netrov::cli {

// The end-app subcommand: mutexName, or the installation's when empty. Returns the exit code.
int runEndApp(const std::string& mutexName);

}  // namespace netrov::cli
