// Where this user's local sockets live: a directory no other user may enter.
#pragma once

#include <string>

namespace netrov::platform {

// $XDG_RUNTIME_DIR when it is an absolute path to a directory of this user
// that nobody else may enter; else the folder "netrov-<uid>" in $TMPDIR (or
// /tmp), made and kept private. Empty when neither can be had, for example
// when another user occupies that folder.
std::string privateRuntimeDirectory();

// The socket path for a name (a "/" in it becomes "_") in that directory;
// empty when there is none.
std::string runtimeSocketPath(const std::string& name);

}  // namespace netrov::platform
