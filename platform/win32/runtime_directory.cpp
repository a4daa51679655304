// Local sockets on Windows are named pipes, which live in no folder.
#include "platform/runtime_directory.h"

namespace netrov::platform {

std::string privateRuntimeDirectory() { return {}; }

std::string runtimeSocketPath(const std::string&) { return {}; }

}  // namespace netrov::platform
