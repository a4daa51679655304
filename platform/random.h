// Unpredictable numbers from the operating system, for values a remote host must not guess.
#pragma once

#include <cstdint>

namespace netrov::platform {

// 32 bits from the kernel's random source; never blocks once the system has booted.
uint32_t randomBits() noexcept;

}  // namespace netrov::platform
