// The kernel's random source, with the standard library's device as fallback.
#include "platform/random.h"

#include <sys/random.h>

#include <cerrno>
#include <cstring>
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

void randomFill(void* out, size_t size) noexcept
{
    auto* bytes = static_cast<uint8_t*>(out);
    while (size > 0) {
        const ssize_t n = ::getrandom(bytes, size, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        bytes += n;
        size -= static_cast<size_t>(n);
    }
    // No kernel source: randomBits' fallbacks, four bytes at a time.
    while (size > 0) {
        const uint32_t value = randomBits();
        const size_t n = size < sizeof value ? size : sizeof value;
        std::memcpy(bytes, &value, n);
        bytes += n;
        size -= n;
    }
}

}  // namespace netrov::platform
