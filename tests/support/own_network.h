// A network namespace of the test process's own, with its loopback up, for
// peers that must listen on fixed ports (631) without meeting the machine's.
#pragma once

#include <string>

namespace netrov::test {

// Moves the calling thread, and every thread and process it starts later,
// into a new network namespace and brings its loopback up. Empty on
// success, else why not (it needs root).
std::string enterOwnNetwork();

}  // namespace netrov::test
