// The exporter's HTTP server: /probe reads one printer per scrape, /metrics
// shows the exporter's own counters. Safe to expose: targets outside the
// allowed networks are refused, one printer is probed at most once at a
// time, parallel probes are limited, and TLS and basic authentication come
// from the web configuration.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <iterator>
#include <optional>
#include <thread>
#include <vector>

#include "config.h"
#include "fleet_report.h"
#include "printer_reading.h"

namespace httplib {
class Server;
}

namespace netrov::exporter {

// Whether the printer was read, and the result that stopped it when not.
struct ProbeOutcome {
    bool up = false;
    int32_t result = NETROV_OK;
    size_t community = 0;  // which of the communities answered, as PrinterReading::community
};

// The exposition text of one probe; the real one reads the printer, tests
// put slow or fixed ones in its place.
using ProbeFunction =
    std::function<std::string(const core::NetAddress& address, const ProbeSettings& settings, ProbeOutcome& outcome)>;
ProbeFunction deviceProbe();

// At most one probe per printer (its address text) at a time, and at most limit places taken in
// all: a running probe, a scrape waiting on another scrape's probe and a
// name look-up each take one. Every probe runs on its own thread, so a
// scrape stops waiting at its deadline while the probe it leaves holds its
// place until it ends; a probe nobody waits for any more is asked to stop.
class ProbeGate {
public:
    explicit ProbeGate(size_t limit) : limit_(limit) {}
    // Asks every probe to stop and waits for them.
    ~ProbeGate();
    ProbeGate(const ProbeGate&) = delete;
    ProbeGate& operator=(const ProbeGate&) = delete;

    enum class Outcome { Probed, Shared, Overloaded, TimedOut };
    // The probe's text; stop turns true once nobody waits for it.
    using Probe = std::function<std::string(const std::atomic<bool>& stop)>;
    // Runs probe unless one for the same printer and key runs: then takes
    // that one's text. A probe of the same printer with another key, or one
    // already asked to stop, is waited for first.
    Outcome run(const std::string& printer, const std::string& key, core::Deadline deadline, Probe probe, std::string& text);
    // Runs work on its own thread, waiting for it until the deadline.
    Outcome runAlone(core::Deadline deadline, std::function<void(const std::atomic<bool>& stop)> work);
    // Places taken: probes and look-ups running, scrapes waiting.
    size_t taken() const;
    size_t running() const;

private:
    struct Flight {
        std::string key;
        bool done = false;
        size_t waiters = 0;
        std::string text;
        std::atomic<bool> stop{false};
    };
    struct Worker {
        std::thread thread;
        std::shared_ptr<Flight> flight;
    };
    // Starts the flight's thread; the caller holds mutex_ and a place for it.
    void launch(std::shared_ptr<Flight> flight, std::optional<std::string> printer, Probe probe);
    // Waits for the flight until the deadline; the last waiter to give up asks it to stop.
    bool await(std::unique_lock<std::mutex>& lock, const std::shared_ptr<Flight>& flight, core::Deadline deadline);
    void reapLocked();

    mutable std::mutex mutex_;
    std::condition_variable ended_;
    std::map<std::string, std::shared_ptr<Flight>> flights_;  // by the printer's address text
    std::vector<Worker> workers_;
    size_t taken_ = 0;
    size_t running_ = 0;
    size_t limit_;
    bool closing_ = false;
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
    TimedOut,     // the probe did not end within the scrape's time
    NameTimeout,  // the target's name was not resolved within it
    BadSource,    // &source= is not auto, snmp, ipp or both
    Count
};
const char* scrapeErrorName(ScrapeError error);

// A host name to an address; the real one asks the system's resolver, tests
// put slow ones in its place.
using NameResolver = std::function<TargetCheck(const std::string& name)>;

// The time a scrape may take: what Prometheus says it waits
// (X-Prometheus-Scrape-Timeout-Seconds) less a margin for the answer to
// travel, else the configured time, never more than the configured time's
// maximum nor less than a quarter second.
std::chrono::milliseconds scrapeBudget(const std::string& header, int32_t configuredSeconds);

class ExporterServer {
public:
    ExporterServer(Config config, WebConfig web, ProbeFunction probe = deviceProbe(),
                   NameResolver resolver = resolveTarget);
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
    void countProbe(double seconds, const ProbeOutcome& probed);
    // The names with the one that last answered the target first.
    std::vector<std::string> keptFirst(const std::string& printer, std::vector<std::string> names) const;
    void keep(const std::string& printer, const std::string& name);
    void countFailure(int32_t result);
    bool authorised(const std::string& header) const;

    Config config_;
    WebConfig web_;
    ProbeFunction probe_;
    NameResolver resolver_;
    std::unique_ptr<httplib::Server> server_;
    int port_ = 0;

    std::atomic<uint64_t> scrapes_{0};
    std::atomic<uint64_t> shared_{0};
    std::atomic<uint64_t> errors_[static_cast<size_t>(ScrapeError::Count)] = {};
    std::atomic<int64_t> inFlight_{0};
    // Probes the printer refused, by kProbeFailures.
    std::atomic<uint64_t> failures_[std::size(kProbeFailures)] = {};
    mutable std::mutex keptMutex_;
    // The community name that answered each target (its address text) last.
    std::map<std::string, std::string> kept_;
    mutable std::mutex durationMutex_;
    std::vector<uint64_t> durationBuckets_;
    double durationSum_ = 0;
    uint64_t durationCount_ = 0;
    // Last: its probes count into the members above until it has joined them.
    ProbeGate gate_;
};

// Checks "Basic base64(user:password)" against the users' bcrypt hashes.
bool checkBasicAuth(const std::map<std::string, std::string>& users, const std::string& header);
std::optional<std::string> decodeBase64(const std::string& text);

}  // namespace netrov::exporter
