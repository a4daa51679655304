// IPv4 UDP sockets over BSD sockets or Windows Sockets: the handful of calls
// the request engine and the sweep make, with one error model.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#ifdef _WIN32
#  include <winsock2.h>
#  include <ws2tcpip.h>
#else
#  include <arpa/inet.h>
#  include <netinet/in.h>
#endif

namespace netrov::platform {

#ifdef _WIN32
using SocketHandle = SOCKET;
inline constexpr SocketHandle kNoSocket = INVALID_SOCKET;
#else
using SocketHandle = int;
inline constexpr SocketHandle kNoSocket = -1;
#endif

// Owns one socket; closes it in the destructor.
class UniqueSocket {
public:
    UniqueSocket() noexcept = default;
    explicit UniqueSocket(SocketHandle handle) noexcept : handle_(handle) {}
    ~UniqueSocket() { reset(); }
    UniqueSocket(UniqueSocket&& other) noexcept : handle_(other.handle_) { other.handle_ = kNoSocket; }
    UniqueSocket& operator=(UniqueSocket&& other) noexcept
    {
        if (this != &other) {
            reset();
            handle_ = other.handle_;
            other.handle_ = kNoSocket;
        }
        return *this;
    }
    UniqueSocket(const UniqueSocket&) = delete;
    UniqueSocket& operator=(const UniqueSocket&) = delete;

    SocketHandle get() const noexcept { return handle_; }
    bool valid() const noexcept { return handle_ != kNoSocket; }
    void reset() noexcept;

private:
    SocketHandle handle_ = kNoSocket;
};

// A new IPv4 datagram socket that child processes do not inherit; invalid on
// failure (socketErrorText tells why). Starts Windows Sockets on first use.
UniqueSocket openUdpSocket(bool nonBlocking = false);

// Address and port in network order.
// Binds the socket to address:port (port 0: any free one); the port it got,
// in network order, or 0 on failure.
uint16_t bindSocket(SocketHandle socket, uint32_t address, uint16_t port) noexcept;
bool connectSocket(SocketHandle socket, uint32_t address, uint16_t port) noexcept;
bool allowBroadcast(SocketHandle socket) noexcept;
void setBufferSizes(SocketHandle socket, int bytes) noexcept;

enum class SendResult : uint8_t { Sent, Busy, Failed };
// Busy: the socket cannot take the datagram now (full buffers); try later.
SendResult sendDatagram(SocketHandle socket, uint32_t address, uint16_t port, const void* data, size_t size) noexcept;

struct Received {
    // Bytes taken (a longer datagram is cut to the buffer); 0 when there was
    // nothing to take after all (no datagram, an interruption, or an error
    // report of an earlier send); -1 when the socket failed for good.
    long size = -1;
    uint32_t address = 0;  // sender, network order
    uint16_t port = 0;     // sender, network order
};
Received receiveDatagram(SocketHandle socket, void* buffer, size_t capacity) noexcept;

enum class WaitResult : uint8_t { Ready, TimedOut, Failed };
// Waits at most timeoutMs for a datagram (or, with writable, for room to
// send); an interruption counts as a timeout.
WaitResult waitSocket(SocketHandle socket, int timeoutMs, bool writable = false) noexcept;

// The system's words for the last socket error of this thread.
std::string socketErrorText();

}  // namespace netrov::platform
