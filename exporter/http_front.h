// The exporter's HTTP front: cpp-httplib's server with the request head
// bounded before any handler or password check sees it. A head longer than
// kMaxHeadBytes or with more than kMaxHeadLines lines gets 431, one not
// complete within kHeadTime gets 408, and the connection closes; the library
// alone would keep reading a header line of any length and any number of
// lines, a byte at a time, for as long as each byte comes within its read
// time-out.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>

namespace httplib {
class Server;
}

namespace netrov::exporter {

struct HeadLimits {
    size_t maxBytes = 16 * 1024;  // the request line and every header line
    size_t maxLines = 100;
    std::chrono::milliseconds time{5000};  // from the first byte's wait to the blank line
};

// A plain server, or with TLS from the certificate and key files; null when
// TLS was asked and the files cannot be loaded.
std::unique_ptr<httplib::Server> boundedServer(const HeadLimits& limits, const std::string& certFile = {},
                                               const std::string& keyFile = {});

}  // namespace netrov::exporter
