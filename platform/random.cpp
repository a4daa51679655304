// The kernel's random source, with the standard library's device as fallback.
#include "platform/random.h"

#include <sys/random.h>

#include <cerrno>
#include <random>

namespace netrov::platform {

uint32_t randomBits() noexcept
{
    uint32_t value = 0;
    for (;;) {
        const ssize_t n = ::getrandom(&value, sizeof value, 0);
        if (n == static_cast<ssize_t>(sizeof value)) return value;
        if (n < 0 && errno == EINTR) continue;
        break;
    }
    try {
        thread_local std::random_device device;
        return static_cast<uint32_t>(device());
    } catch (...) {
        // No random device at all: the address of a fresh stack slot still
        // varies per thread and run.
        return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&value) * 2654435761u);
    }
}

}  // namespace netrov::platform
