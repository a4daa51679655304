// Unpredictable numbers from the operating system, for values a remote host must not guess.
#pragma once

#include <cstddef>
#include <cstdint>

namespace netrov::platform {

// 32 bits from the kernel's random source; never blocks once the system has booted.
uint32_t randomBits() noexcept;
// Fills size bytes from the same source, in one call where the system allows.
void randomFill(void* out, size_t size) noexcept;

// Values that many messages need (request ids) come from a per-thread
// buffer of the kernel's random bytes: each is as unpredictable as the
// kernel's source, and one system call serves kRandomBufferWords values
// instead of one each.
inline constexpr size_t kRandomBufferWords = 128;

class RandomBuffer {
public:
    uint32_t next() noexcept
    {
        if (used_ == kRandomBufferWords) {
            randomFill(words_, sizeof(words_));
            used_ = 0;
        }
        return words_[used_++];
    }

private:
    uint32_t words_[kRandomBufferWords] = {};
    size_t used_ = kRandomBufferWords;
};

// 32 bits from this thread's RandomBuffer.
inline uint32_t threadRandomBits() noexcept
{
    thread_local RandomBuffer buffer;
    return buffer.next();
}

}  // namespace netrov::platform
