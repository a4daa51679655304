// The exporter's HTTP server: /probe reads one printer per scrape, /metrics
// shows the exporter's own counters. Safe to expose: targets outside the
// allowed networks are refused, one printer is probed at most once at a
// time, parallel probes are limited, and TLS and basic authentication come
// from the web configuration.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <iterator>

#include "config.h"
#include "printer_reading.h"

namespace httplib {
class Server;
}

namespace netrov::exporter {

// Whether the printer was read, and the result that stopped it when not.
struct ProbeOutcome {
    bool up = false;
    int32_t result = NETROV_OK;
};

// The exposition text of one probe; the real one reads the printer, tests
// put slow or fixed ones in its place.
using ProbeFunction = std::function<std::string(uint32_t address, const ProbeSettings& settings, ProbeOutcome& outcome)>;
ProbeFunction deviceProbe();

// At most one probe per printer at a time, and at most limit in all.
class ProbeGate {
public:
    explicit ProbeGate(size_t limit) : limit_(limit) {}

    enum class Outcome { Probed, Shared, Overloaded };
    // Runs probe unless one for the same printer and community runs: then
    // takes that one's text. A probe of the same printer with another
    // community waits for the running one to end first.
    Outcome run(uint32_t address, const std::string& community, const std::function<std::string()>& probe,
                std::string& text);
    size_t running() const;

private:
    struct Flight {
        std::string community;
        bool done = false;
        std::string text;
    };
    mutable std::mutex mutex_;
    std::condition_variable ended_;
    std::map<uint32_t, std::shared_ptr<Flight>> flights_;
    size_t running_ = 0;
    size_t limit_;
};

// Reasons a scrape fails, each counted.
enum class ScrapeError : uint8_t {
    BadTarget,
    UnknownCommunity,
    Forbidden,
    Overloaded,
    Unauthorised,
    NoAnswer,
    BadVersion,
    UnknownProfile,
    ProfileRefused,
    Count
};
const char* scrapeErrorName(ScrapeError error);

class ExporterServer {
public:
    ExporterServer(Config config, WebConfig web, ProbeFunction probe = deviceProbe());
    ~ExporterServer();
    ExporterServer(const ExporterServer&) = delete;
    ExporterServer& operator=(const ExporterServer&) = delete;

    // Binds the listen address (port 0 picks a free port); the error in
    // words, or empty.
    std::string bind(const ListenAddress& listen);
    int port() const { return port_; }
    // Serves until stop(); returns false when serving failed.
    bool serve();
    void stop();

    std::string metricsText() const;

private:
    void count(ScrapeError error);
    void countFailure(int32_t result);
    bool authorised(const std::string& header) const;

    Config config_;
    WebConfig web_;
    ProbeFunction probe_;
    ProbeGate gate_;
    std::unique_ptr<httplib::Server> server_;
    int port_ = 0;

    std::atomic<uint64_t> scrapes_{0};
    std::atomic<uint64_t> shared_{0};
    std::atomic<uint64_t> errors_[static_cast<size_t>(ScrapeError::Count)] = {};
    std::atomic<int64_t> inFlight_{0};
    // Probes the printer refused, by kProbeFailures.
    std::atomic<uint64_t> failures_[std::size(kProbeFailures)] = {};
    mutable std::mutex durationMutex_;
    std::vector<uint64_t> durationBuckets_;
    double durationSum_ = 0;
    uint64_t durationCount_ = 0;
};

// Checks "Basic base64(user:password)" against the users' bcrypt hashes.
bool checkBasicAuth(const std::map<std::string, std::string>& users, const std::string& header);
std::optional<std::string> decodeBase64(const std::string& text);

}  // namespace netrov::exporter
