// The system's preferred random number generator.
#include "platform/random.h"

#include <windows.h>
#include <bcrypt.h>

#include <cstring>

namespace netrov::platform {

uint32_t randomBits() noexcept
{
    uint32_t value = 0;
    if (BCRYPT_SUCCESS(::BCryptGenRandom(nullptr, reinterpret_cast<PUCHAR>(&value), sizeof value,
                                         BCRYPT_USE_SYSTEM_PREFERRED_RNG)))
        return value;
    // No generator at all: the address of a fresh stack slot and the clock
    // still vary per thread and run.
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&value) * 2654435761u) ^ ::GetTickCount();
}

void randomFill(void* out, size_t size) noexcept
{
    auto* bytes = static_cast<uint8_t*>(out);
    if (size <= 0xFFFFFFFFu
        && BCRYPT_SUCCESS(::BCryptGenRandom(nullptr, bytes, static_cast<ULONG>(size), BCRYPT_USE_SYSTEM_PREFERRED_RNG)))
        return;
    while (size > 0) {
        const uint32_t value = randomBits();
        const size_t n = size < sizeof value ? size : sizeof value;
        std::memcpy(bytes, &value, n);
        bytes += n;
        size -= n;
    }
}

}  // namespace netrov::platform
