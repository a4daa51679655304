// Unpredictable numbers from the operating system, for values a remote host must not guess.
#pragma once

#include <cstddef>
#include <cstdint>

namespace netrov::platform {

// 32 bits from the kernel's random source; never blocks once the system has booted.
uint32_t randomBits() noexcept;
// Fills size bytes from the same source, in one call where the system allows.
void randomFill(void* out, size_t size) noexcept;

// A ChaCha20 keystream (the block function of RFC 8439) read 32 bits at a
// time. Values that many messages need (request ids) come from here: as hard
// to guess as the key, which comes from the system once, and a few
// nanoseconds each instead of a system call.
class RandomStream {
public:
    // Keyed from randomBits().
    RandomStream() noexcept { rekey(); }
    // A fixed key, nonce and first block counter, for checking the block function.
    RandomStream(const uint32_t (&key)[8], const uint32_t (&nonce)[3], uint32_t counter) noexcept
    {
        for (size_t i = 0; i < 8; ++i) state_[4 + i] = key[i];
        state_[12] = counter;
        for (size_t i = 0; i < 3; ++i) state_[13 + i] = nonce[i];
    }

    uint32_t next() noexcept
    {
        if (used_ == 16) refill();
        return block_[used_++];
    }

private:
    static constexpr uint32_t kConstants[4] = {0x61707865, 0x3320646e, 0x79622d32, 0x6b206574};

    static uint32_t rotate(uint32_t v, int n) { return (v << n) | (v >> (32 - n)); }
    static void quarterRound(uint32_t* x, int a, int b, int c, int d)
    {
        x[a] += x[b]; x[d] = rotate(x[d] ^ x[a], 16);
        x[c] += x[d]; x[b] = rotate(x[b] ^ x[c], 12);
        x[a] += x[b]; x[d] = rotate(x[d] ^ x[a], 8);
        x[c] += x[d]; x[b] = rotate(x[b] ^ x[c], 7);
    }

    void rekey() noexcept
    {
        randomFill(state_ + 4, 12 * sizeof(uint32_t));
        state_[12] = 0;
    }

    void refill() noexcept
    {
        for (size_t i = 0; i < 4; ++i) state_[i] = kConstants[i];
        uint32_t x[16];
        for (size_t i = 0; i < 16; ++i) x[i] = state_[i];
        for (int round = 0; round < 10; ++round) {
            quarterRound(x, 0, 4, 8, 12);
            quarterRound(x, 1, 5, 9, 13);
            quarterRound(x, 2, 6, 10, 14);
            quarterRound(x, 3, 7, 11, 15);
            quarterRound(x, 0, 5, 10, 15);
            quarterRound(x, 1, 6, 11, 12);
            quarterRound(x, 2, 7, 8, 13);
            quarterRound(x, 3, 4, 9, 14);
        }
        for (size_t i = 0; i < 16; ++i) block_[i] = x[i] + state_[i];
        used_ = 0;
        // A block counter that wraps would repeat the stream: a fresh key instead.
        if (++state_[12] == 0) rekey();
    }

    uint32_t state_[16] = {};
    uint32_t block_[16] = {};
    size_t used_ = 16;
};

// 32 bits from this thread's RandomStream, keyed on the thread's first call.
inline uint32_t threadRandomBits() noexcept
{
    thread_local RandomStream stream;
    return stream.next();
}

}  // namespace netrov::platform
