// File names of the running program and of the library that holds some code.
#pragma once

#include <string>

namespace netrov::platform {

// Full path of the module (shared library or program) that contains address,
// as it was loaded (symbolic links are not resolved); empty when unknown.
std::string modulePath(const void* address);
// Directory of that module; empty when unknown.
std::string moduleDirectory(const void* address);

// Full path of the running program, symbolic links resolved.
std::string programPath();

}  // namespace netrov::platform
