// UDP sockets: BSD sockets on Linux, Windows Sockets 2 on Windows.
#include "platform/socket.h"

#include <cerrno>
#include <climits>
#include <cstring>

#ifdef _WIN32
#  include <mutex>
#  include <mswsock.h>
#else
#  include <poll.h>
#  include <sys/socket.h>
#  include <unistd.h>
#endif

namespace netrov::platform {

namespace {

#ifdef _WIN32
using AddressLength = int;
#else
using AddressLength = socklen_t;
#endif

sockaddr_in ipv4(uint32_t address, uint16_t port)
{
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = port;
    to.sin_addr.s_addr = address;
    return to;
}

bool setIntOption(SocketHandle socket, int name, int value) noexcept
{
    // Windows takes the value as a char pointer, POSIX as a void pointer.
    return ::setsockopt(socket, SOL_SOCKET, name, reinterpret_cast<const char*>(&value), sizeof value) == 0;
}

// The sender of a received datagram, when it is an IPv4 address.
void noteSender(const sockaddr_in& from, AddressLength length, Received& received) noexcept
{
    if (length >= static_cast<AddressLength>(sizeof from) && from.sin_family == AF_INET) {
        received.address = from.sin_addr.s_addr;
        received.port = from.sin_port;
    }
}

}  // namespace

uint16_t bindSocket(SocketHandle socket, uint32_t address, uint16_t port) noexcept
{
    sockaddr_in local = ipv4(address, port);
    if (::bind(socket, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) return 0;
    AddressLength length = sizeof local;
    if (::getsockname(socket, reinterpret_cast<sockaddr*>(&local), &length) != 0) return 0;
    return local.sin_port;
}

bool connectSocket(SocketHandle socket, uint32_t address, uint16_t port) noexcept
{
    const sockaddr_in to = ipv4(address, port);
    return ::connect(socket, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0;
}

bool allowBroadcast(SocketHandle socket) noexcept { return setIntOption(socket, SO_BROADCAST, 1); }

void setBufferSizes(SocketHandle socket, int bytes) noexcept
{
    setIntOption(socket, SO_RCVBUF, bytes);
    setIntOption(socket, SO_SNDBUF, bytes);
}

#ifdef _WIN32

namespace {

// Windows Sockets stays started for the life of the process.
bool startSockets() noexcept
{
    static std::once_flag once;
    static bool started = false;
    std::call_once(once, [] {
        WSADATA data{};
        started = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    });
    return started;
}

bool transient(int error)
{
    // WSAECONNRESET is how Windows reports an ICMP port-unreachable for an
    // earlier send; like the others it is no reason to stop listening.
    return error == WSAEWOULDBLOCK || error == WSAEINTR || error == WSAECONNRESET || error == WSAENETRESET ||
           error == WSAEHOSTUNREACH || error == WSAENETUNREACH;
}

}  // namespace

void UniqueSocket::reset() noexcept
{
    if (handle_ != kNoSocket) ::closesocket(handle_);
    handle_ = kNoSocket;
}

UniqueSocket openUdpSocket(bool nonBlocking)
{
    if (!startSockets()) return UniqueSocket();
    UniqueSocket socket(::WSASocketW(AF_INET, SOCK_DGRAM, IPPROTO_UDP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT));
    if (!socket.valid()) {
        // Systems before Windows 7 SP1 lack the flag.
        socket = UniqueSocket(::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
        if (!socket.valid()) return socket;
        ::SetHandleInformation(reinterpret_cast<HANDLE>(socket.get()), HANDLE_FLAG_INHERIT, 0);
    }
    // Windows would report an ICMP port-unreachable for an earlier send as a
    // failed receive; a sweep would see one for every host without an agent.
    BOOL off = FALSE;
    DWORD returned = 0;
    (void)::WSAIoctl(socket.get(), SIO_UDP_CONNRESET, &off, sizeof off, nullptr, 0, &returned, nullptr, nullptr);
    if (nonBlocking) {
        u_long on = 1;
        if (::ioctlsocket(socket.get(), FIONBIO, &on) != 0) return UniqueSocket();
    }
    return socket;
}

SendResult sendDatagram(SocketHandle socket, uint32_t address, uint16_t port, const void* data, size_t size) noexcept
{
    if (size > INT_MAX) return SendResult::Failed;
    const sockaddr_in to = ipv4(address, port);
    if (::sendto(socket, static_cast<const char*>(data), static_cast<int>(size), 0,
                 reinterpret_cast<const sockaddr*>(&to), sizeof to) != SOCKET_ERROR)
        return SendResult::Sent;
    const int error = ::WSAGetLastError();
    return error == WSAEWOULDBLOCK || error == WSAENOBUFS ? SendResult::Busy : SendResult::Failed;
}

Received receiveDatagram(SocketHandle socket, void* buffer, size_t capacity) noexcept
{
    Received r;
    sockaddr_in from{};
    AddressLength fromLength = sizeof from;
    const int length = capacity > INT_MAX ? INT_MAX : static_cast<int>(capacity);
    const int n = ::recvfrom(socket, static_cast<char*>(buffer), length, 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
    int error = n == SOCKET_ERROR ? ::WSAGetLastError() : 0;
    if (n != SOCKET_ERROR || error == WSAEMSGSIZE) {
        // A longer datagram fills the buffer and reports WSAEMSGSIZE.
        r.size = n == SOCKET_ERROR ? length : n;
        noteSender(from, fromLength, r);
        return r;
    }
    if (transient(error)) r.size = 0;
    return r;
}

WaitResult waitSocket(SocketHandle socket, int timeoutMs, bool writable) noexcept
{
    WSAPOLLFD p{};
    p.fd = socket;
    p.events = static_cast<SHORT>(POLLRDNORM | (writable ? POLLWRNORM : 0));
    const int rc = ::WSAPoll(&p, 1, timeoutMs < 0 ? 0 : timeoutMs);
    if (rc > 0) return WaitResult::Ready;
    if (rc == 0 || ::WSAGetLastError() == WSAEINTR) return WaitResult::TimedOut;
    return WaitResult::Failed;
}

std::string socketErrorText()
{
    const int error = ::WSAGetLastError();
    char text[256] = {};
    const DWORD n = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                     static_cast<DWORD>(error), 0, text, sizeof text, nullptr);
    std::string words(text, n);
    while (!words.empty() && (words.back() == '\n' || words.back() == '\r' || words.back() == ' ')) words.pop_back();
    return words.empty() ? "Windows Sockets error " + std::to_string(error) : words;
}

#else

void UniqueSocket::reset() noexcept
{
    if (handle_ != kNoSocket) ::close(handle_);
    handle_ = kNoSocket;
}

UniqueSocket openUdpSocket(bool nonBlocking)
{
    return UniqueSocket(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | (nonBlocking ? SOCK_NONBLOCK : 0), 0));
}

SendResult sendDatagram(SocketHandle socket, uint32_t address, uint16_t port, const void* data, size_t size) noexcept
{
    const sockaddr_in to = ipv4(address, port);
    if (::sendto(socket, data, size, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to) >= 0) return SendResult::Sent;
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == ENOBUFS ? SendResult::Busy : SendResult::Failed;
}

Received receiveDatagram(SocketHandle socket, void* buffer, size_t capacity) noexcept
{
    Received r;
    sockaddr_in from{};
    AddressLength fromLength = sizeof from;
    const ssize_t n = ::recvfrom(socket, buffer, capacity, 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
    if (n >= 0) {
        r.size = static_cast<long>(n);
        noteSender(from, fromLength, r);
        return r;
    }
    // An ICMP error queued on the socket or a signal is no reason to stop waiting.
    if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK || errno == ECONNREFUSED || errno == EHOSTUNREACH ||
        errno == ENETUNREACH)
        r.size = 0;
    return r;
}

WaitResult waitSocket(SocketHandle socket, int timeoutMs, bool writable) noexcept
{
    pollfd p{socket, static_cast<short>(POLLIN | (writable ? POLLOUT : 0)), 0};
    const int rc = ::poll(&p, 1, timeoutMs < 0 ? 0 : timeoutMs);
    if (rc > 0) return WaitResult::Ready;
    if (rc == 0 || errno == EINTR) return WaitResult::TimedOut;
    return WaitResult::Failed;
}

std::string socketErrorText() { return std::strerror(errno); }

#endif

}  // namespace netrov::platform
