// The request head read within bounds, under cpp-httplib's request parsing.
#include "http_front.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <type_traits>

#include <httplib.h>
#include <openssl/ssl.h>

namespace netrov::exporter {

namespace {

using Clock = std::chrono::steady_clock;

// After a refusal: how long, and how much, of the rest is read and dropped.
constexpr std::chrono::milliseconds kLinger{1000};
constexpr size_t kMaxLingerBytes = 1024 * 1024;

std::chrono::milliseconds toMilliseconds(time_t seconds, time_t microseconds)
{
    return std::chrono::milliseconds(static_cast<int64_t>(seconds) * 1000 + microseconds / 1000);
}

// Waits until the socket can do what events asks or the deadline passes.
bool waitFor(int sock, short events, Clock::time_point deadline)
{
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return false;
        pollfd p{sock, events, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(std::min<int64_t>(left, 60'000)));
        if (ready > 0) return true;
        if (ready < 0 && errno != EINTR) return false;
    }
}

// A connection's bytes, plain or through TLS, over a non-blocking socket:
// each call moves what it can and says when it has to wait.
class Transport {
public:
    Transport(int sock, SSL* ssl) : sock_(sock), ssl_(ssl) {}
    enum class Step { Moved, WaitRead, WaitWrite, Closed };
    Step receive(char* buffer, size_t size, size_t& got)
    {
        if (!ssl_) {
            const ssize_t n = ::recv(sock_, buffer, size, 0);
            if (n > 0) got = static_cast<size_t>(n);
            if (n > 0) return Step::Moved;
            return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) ? Step::WaitRead : Step::Closed;
        }
        const int n = SSL_read(ssl_, buffer, static_cast<int>(std::min<size_t>(size, INT32_MAX)));
        if (n > 0) got = static_cast<size_t>(n);
        return n > 0 ? Step::Moved : sslStep(n);
    }
    Step send(const char* data, size_t size, size_t& sent)
    {
        if (!ssl_) {
            const ssize_t n = ::send(sock_, data, size, MSG_NOSIGNAL);
            if (n >= 0) sent = static_cast<size_t>(n);
            if (n >= 0) return Step::Moved;
            return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? Step::WaitWrite : Step::Closed;
        }
        const int n = SSL_write(ssl_, data, static_cast<int>(std::min<size_t>(size, INT32_MAX)));
        if (n > 0) sent = static_cast<size_t>(n);
        return n > 0 ? Step::Moved : sslStep(n);
    }
    Step handshake() { return ssl_ ? (SSL_accept(ssl_) == 1 ? Step::Moved : sslStep(0)) : Step::Moved; }
    bool pending() const { return ssl_ && SSL_pending(ssl_) > 0; }
    int socket() const { return sock_; }
    SSL* ssl() const { return ssl_; }

private:
    Step sslStep(int result)
    {
        switch (SSL_get_error(ssl_, result)) {
        case SSL_ERROR_WANT_READ: return Step::WaitRead;
        case SSL_ERROR_WANT_WRITE: return Step::WaitWrite;
        default: return Step::Closed;
        }
    }
    int sock_;
    SSL* ssl_;
};

// Runs step until it moves, waiting as it asks, until the deadline.
template <class F>
bool until(Transport& transport, Clock::time_point deadline, F step)
{
    for (;;) {
        switch (step()) {
        case Transport::Step::Moved: return true;
        case Transport::Step::Closed: return false;
        case Transport::Step::WaitRead:
            if (!waitFor(transport.socket(), POLLIN, deadline)) return false;
            break;
        case Transport::Step::WaitWrite:
            if (!waitFor(transport.socket(), POLLOUT, deadline)) return false;
            break;
        }
    }
}

// The stream httplib parses from: it counts the head's bytes and lines as
// the parser takes them, and ends the connection with 431 or 408 when the
// head passes its bounds.
class BoundedStream : public httplib::Stream {
public:
    BoundedStream(Transport& transport, const HeadLimits& limits, std::chrono::milliseconds readTimeOut,
                  std::chrono::milliseconds writeTimeOut)
        : transport_(transport), limits_(limits), readTimeOut_(readTimeOut), writeTimeOut_(writeTimeOut)
    {
    }

    // The next bytes the parser takes begin a request head.
    void startHead()
    {
        inHead_ = true;
        headBytes_ = 0;
        headLines_ = 0;
        lineBytes_ = 0;
        headDeadline_ = Clock::now() + limits_.time;
    }
    bool refused() const { return refused_; }
    bool buffered() const { return begin_ < end_ || transport_.pending(); }

    bool is_readable() const override { return buffered() || waitFor(transport_.socket(), POLLIN, Clock::now() + readTimeOut_); }
    bool is_writable() const override
    {
        return !refused_ && waitFor(transport_.socket(), POLLOUT, Clock::now() + writeTimeOut_);
    }

    ssize_t read(char* ptr, size_t size) override
    {
        if (refused_ || size == 0) return -1;
        if (begin_ == end_ && !fill()) return -1;
        size_t n = std::min(size, end_ - begin_);
        if (inHead_) n = countHead(n);
        if (refused_) return -1;
        std::copy_n(buffer_.data() + begin_, n, ptr);
        begin_ += n;
        return static_cast<ssize_t>(n);
    }

    ssize_t write(const char* ptr, size_t size) override
    {
        // After a refusal the parser's own answer (400) is not sent.
        if (refused_) return -1;
        return writeAll(ptr, size) ? static_cast<ssize_t>(size) : -1;
    }

    void get_remote_ip_and_port(std::string& ip, int& port) const override { address(::getpeername, ip, port); }
    void get_local_ip_and_port(std::string& ip, int& port) const override { address(::getsockname, ip, port); }
    socket_t socket() const override { return transport_.socket(); }

private:
    bool fill()
    {
        const Clock::time_point readBy = Clock::now() + readTimeOut_;
        const Clock::time_point deadline = inHead_ ? std::min(readBy, headDeadline_) : readBy;
        size_t got = 0;
        const bool moved = until(transport_, deadline, [&] { return transport_.receive(buffer_.data(), buffer_.size(), got); });
        if (moved && got > 0) {
            begin_ = 0;
            end_ = got;
            return true;
        }
        if (inHead_ && headBytes_ > 0 && Clock::now() >= headDeadline_) refuse(408, "Request Timeout");
        return false;
    }

    // Of the n bytes about to be taken, those up to the head's end; refuses
    // when the head passes its bounds.
    size_t countHead(size_t n)
    {
        for (size_t i = 0; i < n; ++i) {
            const char c = buffer_[begin_ + i];
            if (++headBytes_ > limits_.maxBytes) return refuse(431, "Request Header Fields Too Large");
            if (c != '\n') {
                if (c != '\r') ++lineBytes_;
                continue;
            }
            if (lineBytes_ == 0) {
                inHead_ = false;
                return i + 1;
            }
            lineBytes_ = 0;
            if (++headLines_ > limits_.maxLines) return refuse(431, "Request Header Fields Too Large");
        }
        return n;
    }

    size_t refuse(int status, const char* words)
    {
        const std::string answer = "HTTP/1.1 " + std::to_string(status) + " " + words +
                                   "\r\nContent-Type: text/plain; charset=utf-8\r\nConnection: close\r\nContent-Length: " +
                                   std::to_string(std::char_traits<char>::length(words) + 1) + "\r\n\r\n" + words + "\n";
        writeAll(answer.data(), answer.size());
        refused_ = true;
        return 0;
    }

    bool writeAll(const char* data, size_t size)
    {
        const Clock::time_point deadline = Clock::now() + writeTimeOut_;
        while (size > 0) {
            size_t sent = 0;
            if (!until(transport_, deadline, [&] { return transport_.send(data, size, sent); })) return false;
            data += sent;
            size -= sent;
        }
        return true;
    }

    template <class Name>
    void address(Name name, std::string& ip, int& port) const
    {
        sockaddr_storage storage{};
        socklen_t length = sizeof storage;
        ip.clear();
        port = 0;
        if (name(transport_.socket(), reinterpret_cast<sockaddr*>(&storage), &length) != 0) return;
        char text[INET6_ADDRSTRLEN] = {};
        if (storage.ss_family == AF_INET) {
            const auto* in = reinterpret_cast<const sockaddr_in*>(&storage);
            if (::inet_ntop(AF_INET, &in->sin_addr, text, sizeof text)) ip = text;
            port = ntohs(in->sin_port);
        } else if (storage.ss_family == AF_INET6) {
            const auto* in = reinterpret_cast<const sockaddr_in6*>(&storage);
            if (::inet_ntop(AF_INET6, &in->sin6_addr, text, sizeof text)) ip = text;
            port = ntohs(in->sin6_port);
        }
    }

    Transport& transport_;
    const HeadLimits& limits_;
    std::chrono::milliseconds readTimeOut_, writeTimeOut_;
    std::array<char, 4096> buffer_{};
    size_t begin_ = 0, end_ = 0;
    bool inHead_ = false, refused_ = false;
    size_t headBytes_ = 0, headLines_ = 0, lineBytes_ = 0;
    Clock::time_point headDeadline_{};
};

// cpp-httplib's keep-alive loop over a BoundedStream; Base is Server or SSLServer.
template <class Base>
class BoundedServer : public Base {
public:
    template <class... Args>
    explicit BoundedServer(const HeadLimits& limits, Args&&... args) : Base(std::forward<Args>(args)...), limits_(limits)
    {
    }

private:
    bool process_and_close_socket(socket_t sock) override
    {
        SSL* ssl = nullptr;
        if constexpr (std::is_same_v<Base, httplib::SSLServer>) {
            ssl = SSL_new(this->ssl_context());
            if (ssl && SSL_set_fd(ssl, sock) != 1) {
                SSL_free(ssl);
                ssl = nullptr;
            }
            if (!ssl) return closeSocket(sock, nullptr, false);
        }
        // Every wait is bounded by poll, never by a blocking call.
        const int flags = ::fcntl(sock, F_GETFL, 0);
        ::fcntl(sock, F_SETFL, flags | O_NONBLOCK);
        Transport transport(sock, ssl);
        // The TLS handshake counts against the head's time.
        if (!until(transport, Clock::now() + limits_.time, [&] { return transport.handshake(); }))
            return closeSocket(sock, ssl, false);
        const auto readTimeOut = toMilliseconds(this->read_timeout_sec_, this->read_timeout_usec_);
        const auto writeTimeOut = toMilliseconds(this->write_timeout_sec_, this->write_timeout_usec_);
        BoundedStream stream(transport, limits_, readTimeOut, writeTimeOut);
        bool served = false;
        for (size_t left = this->keep_alive_max_count_; left > 0 && this->svr_sock_ != INVALID_SOCKET; --left) {
            if (!stream.buffered() &&
                !waitFor(sock, POLLIN, Clock::now() + std::chrono::seconds(this->keep_alive_timeout_sec_)))
                break;
            stream.startHead();
            bool closed = false;
            served = this->process_request(stream, left == 1, closed, [ssl](httplib::Request& request) {
                if (ssl) request.ssl = ssl;
            });
            if (!served || closed || stream.refused()) break;
        }
        return closeSocket(sock, ssl, served, stream.refused());
    }

    static bool closeSocket(int sock, SSL* ssl, bool result, bool refused = false)
    {
        if (ssl) {
            SSL_shutdown(ssl);
            SSL_free(ssl);
        }
        if (refused) {
            // The client may still be sending the head we refused: closing
            // on unread bytes would reset the connection before it reads
            // the refusal, so the rest is read and dropped for a moment.
            ::shutdown(sock, SHUT_WR);
            const Clock::time_point until = Clock::now() + kLinger;
            char sink[4096];
            size_t dropped = 0;
            while (dropped < kMaxLingerBytes && waitFor(sock, POLLIN, until)) {
                const ssize_t n = ::recv(sock, sink, sizeof sink, 0);
                if (n <= 0) break;
                dropped += static_cast<size_t>(n);
            }
        }
        ::shutdown(sock, SHUT_RDWR);
        ::close(sock);
        return result;
    }

    HeadLimits limits_;
};

}  // namespace

std::unique_ptr<httplib::Server> boundedServer(const HeadLimits& limits, const std::string& certFile,
                                               const std::string& keyFile)
{
    if (certFile.empty()) return std::make_unique<BoundedServer<httplib::Server>>(limits);
    return std::make_unique<BoundedServer<httplib::SSLServer>>(limits, certFile.c_str(), keyFile.c_str());
}

}  // namespace netrov::exporter
