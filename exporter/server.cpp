// Serving scrapes.
#include "server.h"

#include <crypt.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include <httplib.h>

#include <netrov/snmp_version.h>

#include "exposition.h"
#include "http_front.h"
#include "printer_metrics.h"
#include "search_settings.h"

#ifndef NETROV_VERSION
#  define NETROV_VERSION "0"
#endif

namespace netrov::exporter {

namespace {

constexpr const char* kContentType = "text/plain; version=0.0.4; charset=utf-8";
constexpr double kDurationBuckets[] = {0.05, 0.1, 0.25, 0.5, 1, 2.5, 5, 10, 30, 60};
// Scrape requests carry no body; anything larger is refused unread.
constexpr size_t kMaxPayload = 4096;
// The least time a probe reads for, whatever the scrape's time.
constexpr std::chrono::seconds kLeastReading{2};
// Community names one scrape may ask, each costing a time-out when wrong.
constexpr size_t kMaxCommunityNames = 8;
// Targets whose answering community is kept.
constexpr size_t kMaxKeptTargets = 65536;
// Threads beyond the probes' places.
constexpr size_t kReserveThreads = 32;
// An idle connection is kept this long for the next scrape.
constexpr time_t kKeepAliveSeconds = 5;

// The names of the parameter's values in order, commas parting names too;
// empty ones and repeats left out.
std::vector<std::string> communityNames(const httplib::Request& request, const char* key)
{
    std::vector<std::string> names;
    for (size_t i = 0; i < request.get_param_value_count(key); ++i) {
        const std::string value = request.get_param_value(key, i);
        for (size_t from = 0; from <= value.size();) {
            const size_t comma = std::min(value.find(',', from), value.size());
            std::string name = value.substr(from, comma - from);
            if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end()) names.push_back(std::move(name));
            from = comma + 1;
        }
    }
    return names;
}

// A margin for the answer to reach Prometheus before it gives up; a quarter
// of its time when that is shorter.
constexpr std::chrono::milliseconds kScrapeMargin{500};

// What a scrape whose probe ran out of time answers.
std::string timedOutText(double seconds)
{
    Exposition out;
    out.family("netrov_up", "gauge", "Whether the printer answered the probe (1) or not (0).");
    out.family("netrov_probe_duration_seconds", "gauge", "How long the probe of the printer took.");
    out.family("netrov_probe_failure", "gauge", "Why the printer refused the probe; the value is always 1.");
    out.sample("netrov_up", {}, 0);
    out.sample("netrov_probe_duration_seconds", {}, seconds);
    out.sample("netrov_probe_failure", {{"reason", "timed_out"}}, 1);
    return out.text();
}

}  // namespace

std::chrono::milliseconds scrapeBudget(const std::string& header, int32_t configuredSeconds)
{
    constexpr std::chrono::milliseconds kLeast{250};
    constexpr std::chrono::milliseconds kMost{kMaxTimeOutSeconds * 1000};
    std::chrono::milliseconds budget{static_cast<int64_t>(configuredSeconds) * 1000};
    if (!header.empty() && header.size() <= 16) {
        char* end = nullptr;
        const double seconds = std::strtod(header.c_str(), &end);
        if (end == header.c_str() + header.size() && std::isfinite(seconds) && seconds > 0 &&
            seconds <= kMaxTimeOutSeconds)
        {
            const std::chrono::milliseconds waits{static_cast<int64_t>(seconds * 1000)};
            budget = waits - std::min(kScrapeMargin, waits / 4);
        }
    }
    return std::clamp(budget, kLeast, kMost);
}

ProbeFunction deviceProbe()
{
    return [](const core::NetAddress& address, const ProbeSettings& settings, ProbeOutcome& outcome) {
        const PrinterReading reading = readPrinter(address, settings);
        outcome.up = reading.up;
        outcome.result = reading.result;
        outcome.community = reading.community;
        return printerMetricsText(reading);
    };
}

ProbeGate::~ProbeGate()
{
    std::vector<Worker> workers;
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
        for (Worker& w : workers_) w.flight->stop = true;
        workers.swap(workers_);
    }
    for (Worker& w : workers) w.thread.join();
}

void ProbeGate::reapLocked()
{
    // A finished thread has only its return left; joining it is quick.
    for (auto it = workers_.begin(); it != workers_.end();) {
        if (it->flight->done) {
            it->thread.join();
            it = workers_.erase(it);
        } else {
            ++it;
        }
    }
}

void ProbeGate::launch(std::shared_ptr<Flight> flight, std::optional<std::string> address, Probe probe)
{
    ++running_;
    std::thread thread;
    try {
        thread = std::thread([this, flight, address, probe = std::move(probe)] {
        std::string text;
        try {
            text = probe(flight->stop);
        } catch (...) {
            // Nothing escapes a probe's thread; its scrapes get no text.
        }
        std::lock_guard lock(mutex_);
        flight->text = std::move(text);
        flight->done = true;
        if (address) {
            const auto it = flights_.find(*address);
            if (it != flights_.end() && it->second == flight) flights_.erase(it);
        }
        --running_;
        --taken_;
        ended_.notify_all();
        });
    } catch (const std::system_error&) {
        // No thread to be had: the probe ends at once with no text.
        --running_;
        --taken_;
        flight->done = true;
        if (address) flights_.erase(*address);
        return;
    }
    workers_.push_back({std::move(thread), std::move(flight)});
}

bool ProbeGate::await(std::unique_lock<std::mutex>& lock, const std::shared_ptr<Flight>& flight, core::Deadline deadline)
{
    ++flight->waiters;
    const bool ended = ended_.wait_until(lock, deadline, [&] { return flight->done; });
    if (--flight->waiters == 0 && !ended) flight->stop = true;
    return ended;
}

ProbeGate::Outcome ProbeGate::run(const std::string& address, const std::string& key, core::Deadline deadline, Probe probe,
                                  std::string& text)
{
    std::unique_lock lock(mutex_);
    reapLocked();
    if (closing_) return Outcome::Overloaded;
    // A scrape waiting on another's probe holds a place of its own.
    bool holding = false;
    const auto take = [&] {
        if (holding) return true;
        if (taken_ >= limit_) return false;
        ++taken_;
        holding = true;
        return true;
    };
    const auto leave = [&](Outcome outcome) {
        if (holding) --taken_;
        return outcome;
    };
    for (;;) {
        const auto it = flights_.find(address);
        if (it == flights_.end()) break;
        const std::shared_ptr<Flight> flight = it->second;
        if (!take()) return Outcome::Overloaded;
        const bool share = flight->key == key && !flight->stop;
        if (!await(lock, flight, deadline)) return leave(Outcome::TimedOut);
        if (share) {
            text = flight->text;
            return leave(Outcome::Shared);
        }
    }
    // The waiting scrape's place becomes the probe's.
    if (!take()) return Outcome::Overloaded;
    auto flight = std::make_shared<Flight>();
    flight->key = key;
    flights_[address] = flight;
    launch(flight, address, std::move(probe));
    if (!await(lock, flight, deadline)) return Outcome::TimedOut;
    text = flight->text;
    return Outcome::Probed;
}

ProbeGate::Outcome ProbeGate::runAlone(core::Deadline deadline, std::function<void(const std::atomic<bool>& stop)> work)
{
    std::unique_lock lock(mutex_);
    reapLocked();
    if (closing_ || taken_ >= limit_) return Outcome::Overloaded;
    ++taken_;
    auto flight = std::make_shared<Flight>();
    launch(flight, std::nullopt, [work = std::move(work)](const std::atomic<bool>& stop) {
        work(stop);
        return std::string();
    });
    return await(lock, flight, deadline) ? Outcome::Probed : Outcome::TimedOut;
}

size_t ProbeGate::taken() const
{
    std::lock_guard lock(mutex_);
    return taken_;
}

size_t ProbeGate::running() const
{
    std::lock_guard lock(mutex_);
    return running_;
}

const char* scrapeErrorName(ScrapeError error)
{
    switch (error) {
    case ScrapeError::BadTarget: return "bad_target";
    case ScrapeError::UnknownCommunity: return "unknown_community";
    case ScrapeError::Forbidden: return "forbidden";
    case ScrapeError::Overloaded: return "overloaded";
    case ScrapeError::Unauthorised: return "unauthorised";
    case ScrapeError::NoAnswer: return "no_answer";
    case ScrapeError::BadVersion: return "bad_version";
    case ScrapeError::UnknownProfile: return "unknown_profile";
    case ScrapeError::ProfileRefused: return "profile_refused";
    case ScrapeError::TimedOut: return "timed_out";
    case ScrapeError::NameTimeout: return "name_timeout";
    case ScrapeError::BadSource: return "bad_source";
    case ScrapeError::Count: break;
    }
    return "other";
}

std::optional<std::string> decodeBase64(const std::string& text)
{
    std::string out;
    uint32_t bits = 0;
    int count = 0;
    size_t padding = 0;
    for (const char c : text) {
        int value;
        if (c >= 'A' && c <= 'Z') value = c - 'A';
        else if (c >= 'a' && c <= 'z') value = c - 'a' + 26;
        else if (c >= '0' && c <= '9') value = c - '0' + 52;
        else if (c == '+') value = 62;
        else if (c == '/') value = 63;
        else if (c == '=') {
            ++padding;
            continue;
        } else return std::nullopt;
        if (padding) return std::nullopt;  // data after padding
        bits = bits << 6 | static_cast<uint32_t>(value);
        if (++count == 4) {
            out += static_cast<char>(bits >> 16);
            out += static_cast<char>(bits >> 8 & 0xFF);
            out += static_cast<char>(bits & 0xFF);
            bits = 0;
            count = 0;
        }
    }
    if (count == 1 || padding > 2) return std::nullopt;
    if (count == 2) out += static_cast<char>(bits >> 4);
    if (count == 3) {
        out += static_cast<char>(bits >> 10);
        out += static_cast<char>(bits >> 2 & 0xFF);
    }
    return out;
}

namespace {

// The bcrypt hash ("$2b$NN$...") of the highest cost NN among the users'.
const std::string* costliestHash(const std::map<std::string, std::string>& users)
{
    const std::string* costliest = nullptr;
    int highest = -1;
    for (const auto& [name, hash] : users) {
        if (hash.size() < 7 || hash[0] != '$' || hash[1] != '2' || hash[3] != '$' || hash[6] != '$') continue;
        if (!std::isdigit(static_cast<unsigned char>(hash[4])) || !std::isdigit(static_cast<unsigned char>(hash[5])))
            continue;
        const int cost = (hash[4] - '0') * 10 + (hash[5] - '0');
        if (cost > highest) {
            highest = cost;
            costliest = &hash;
        }
    }
    return costliest;
}

}  // namespace

bool checkBasicAuth(const std::map<std::string, std::string>& users, const std::string& header)
{
    constexpr std::string_view kScheme = "Basic ";
    if (header.compare(0, kScheme.size(), kScheme) != 0) return false;
    const auto decoded = decodeBase64(header.substr(kScheme.size()));
    if (!decoded) return false;
    const size_t colon = decoded->find(':');
    if (colon == std::string::npos) return false;
    const auto user = users.find(decoded->substr(0, colon));
    const std::string password = decoded->substr(colon + 1);
    // crypt_r's data is large; it lives on the heap, one per check.
    auto data = std::make_unique<crypt_data>();
    std::memset(data.get(), 0, sizeof(crypt_data));
    if (user == users.end()) {
        // An unknown user costs a full hash too, so the time of a refusal
        // does not tell which users exist.
        if (const std::string* costliest = costliestHash(users)) crypt_r(password.c_str(), costliest->c_str(), data.get());
        return false;
    }
    const char* hashed = crypt_r(password.c_str(), user->second.c_str(), data.get());
    // A failed hashing gives null or a text starting with '*'.
    if (!hashed || hashed[0] == '*') return false;
    const std::string& expected = user->second;
    const size_t length = std::strlen(hashed);
    if (length != expected.size()) return false;
    unsigned char difference = 0;
    for (size_t i = 0; i < length; ++i) difference |= static_cast<unsigned char>(hashed[i] ^ expected[i]);
    return difference == 0;
}

ExporterServer::ExporterServer(Config config, WebConfig web, ProbeFunction probe, NameResolver resolver)
    : config_(std::move(config)),
      web_(std::move(web)),
      probe_(std::move(probe)),
      resolver_(std::move(resolver)),
      durationBuckets_(std::size(kDurationBuckets), 0),
      gate_(static_cast<size_t>(config_.maxParallelProbes))
{
    if (config_.communities.empty()) config_.communities[kDefaultCommunityName] = core::kDefaultCommunity;
    server_ = boundedServer(HeadLimits{}, web_.certFile, web_.keyFile);
    httplib::Server& s = *server_;
    // A scrape holding a place may hold a thread for its whole time; the
    // reserve serves /metrics, refusals, idle connections and heads on
    // their way, each for a bounded time.
    const size_t threads = static_cast<size_t>(config_.maxParallelProbes) + kReserveThreads;
    s.new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
    s.set_payload_max_length(kMaxPayload);
    s.set_read_timeout(5, 0);
    s.set_write_timeout(5, 0);
    s.set_keep_alive_max_count(100);
    s.set_keep_alive_timeout(kKeepAliveSeconds);

    s.set_pre_routing_handler([this](const httplib::Request& request, httplib::Response& response) {
        if (web_.basicAuthUsers.empty() || authorised(request.get_header_value("Authorization")))
            return httplib::Server::HandlerResponse::Unhandled;
        count(ScrapeError::Unauthorised);
        response.status = 401;
        response.set_header("WWW-Authenticate", "Basic realm=\"netrov-exporter\"");
        response.set_content("authentication required\n", "text/plain; charset=utf-8");
        return httplib::Server::HandlerResponse::Handled;
    });

    s.Get("/", [](const httplib::Request&, httplib::Response& response) {
        response.set_content("netrov-exporter\n\n/probe?target=ADDRESS[&community=NAME,...][&version=1|2c|auto]  reads one printer\n"
                             "/probe?target=ADDRESS&source=auto|snmp|ipp|both             reads it from that source\n"
                             "/probe?target=ADDRESS&profile=NAME                          reads it by an SNMPv3 profile\n"
                             "/metrics                                                    the exporter's own metrics\n"
                             "ADDRESS is an IPv4 or IPv6 address (2001:db8::17, [2001:db8::17], fe80::1%25eth0) or a host name\n",
                             "text/plain; charset=utf-8");
    });
    s.Get("/metrics", [this](const httplib::Request&, httplib::Response& response) {
        response.set_content(metricsText(), kContentType);
    });
    s.Get("/probe", [this](const httplib::Request& request, httplib::Response& response) {
        ++scrapes_;
        const auto refuse = [&](ScrapeError error, int status, const std::string& why) {
            count(error);
            response.status = status;
            response.set_content(why + "\n", "text/plain; charset=utf-8");
        };
        const std::string target = request.get_param_value("target");
        if (target.empty()) return refuse(ScrapeError::BadTarget, 400, "target parameter is missing");
        std::vector<std::string> names = communityNames(request, "community");
        if (names.empty()) names = communityNames(request, "module");
        // A profile asked by the scrape, else the configured one unless the
        // scrape names a community.
        std::string profile = request.get_param_value("profile");
        if (profile.empty() && names.empty()) profile = config_.profile;
        if (names.empty()) names.emplace_back(kDefaultCommunityName);
        if (names.size() > kMaxCommunityNames)
            return refuse(ScrapeError::UnknownCommunity, 400, "at most 8 community names");
        for (const std::string& name : names) {
            if (profile.empty() && !config_.communities.count(name))
                return refuse(ScrapeError::UnknownCommunity, 400, "unknown community name");
        }
        if (!profile.empty()) {
            if (request.has_param("version"))
                return refuse(ScrapeError::BadVersion, 400, "a profile reads by SNMPv3: leave version out");
            // Names the file cannot hold are unknown without reading it.
            const ProfileLookup lookup = validProfileName(profile) ? lookUpProfile(profile) : ProfileLookup::Unknown;
            if (lookup == ProfileLookup::Unknown) return refuse(ScrapeError::UnknownProfile, 400, "unknown profile name");
            if (lookup == ProfileLookup::Refused)
                return refuse(ScrapeError::ProfileRefused, 500,
                              "the profile file is refused: others may read it, or a line is not understood");
        }
        const auto start = std::chrono::steady_clock::now();
        const core::Deadline deadline =
            start + scrapeBudget(request.get_header_value("X-Prometheus-Scrape-Timeout-Seconds"), config_.scrapeTimeOutSeconds);
        std::optional<core::NetAddress> address = parseTarget(target);
        if (!address) {
            if (!validHostName(target)) return refuse(ScrapeError::BadTarget, 400, kBadTargetText);
            // A resolver that never answers holds a place, not the scrape.
            auto resolved = std::make_shared<TargetCheck>();
            const ProbeGate::Outcome looked = gate_.runAlone(
                deadline, [resolver = resolver_, target, resolved](const std::atomic<bool>&) { *resolved = resolver(target); });
            if (looked == ProbeGate::Outcome::Overloaded)
                return refuse(ScrapeError::Overloaded, 503, "too many probes at once");
            if (looked == ProbeGate::Outcome::TimedOut)
                return refuse(ScrapeError::NameTimeout, 504, "target name was not resolved in time");
            if (!resolved->address) return refuse(ScrapeError::BadTarget, 400, resolved->error);
            address = resolved->address;
        }
        bool allowed = config_.allowedNetworks.empty();
        for (const Network& n : config_.allowedNetworks) allowed = allowed || n.contains(*address);
        if (!allowed) return refuse(ScrapeError::Forbidden, 403, "target is outside the allowed networks");

        int32_t version = profile.empty() ? config_.snmpVersion : NETROV_SNMP_V3;
        if (profile.empty() && request.has_param("version")) {
            const auto asked = core::parseSnmpVersion(request.get_param_value("version"));
            if (!asked) return refuse(ScrapeError::BadVersion, 400, "version is 1, 2c or auto");
            version = *asked;
        }
        core::SourceOptions source;
        source.ippPort = config_.ippPort;
        if (request.has_param("source")) {
            const auto asked = core::sourceNamed(request.get_param_value("source"));
            if (!asked) return refuse(ScrapeError::BadSource, 400, std::string("source is ") + core::kSourceWords);
            if (*asked != core::Source::Snmp && !core::ippAvailable())
                return refuse(ScrapeError::BadSource, 400, "reading over IPP is not available in this build");
            source.source = *asked;
        }
        // No exchange waits longer than the whole scrape may.
        const auto secondsLeft = std::chrono::duration_cast<std::chrono::seconds>(deadline - start).count();
        const int32_t timeOut = static_cast<int32_t>(std::clamp<int64_t>(secondsLeft, 1, config_.timeOutSeconds));
        // A leading NUL keeps profiles apart from every community name.
        std::string sharedBy = std::string(1, '\0') + "profile/" + profile;
        if (profile.empty()) {
            sharedBy.clear();
            for (const std::string& name : names) sharedBy += name + ',';
            sharedBy += '/' + core::snmpVersionText(version);
        }
        sharedBy += std::string("/") + core::sourceName(source.source);
        // The community that answered the printer last is tried first.
        const std::string printer = core::netAddressText(*address);
        if (profile.empty()) names = keptFirst(printer, std::move(names));
        ProbeSettings settings;
        settings.community = profile.empty() ? config_.communities.at(names[0]) : profile;
        settings.timeOutSeconds = timeOut;
        settings.retries = config_.retries;
        settings.snmpVersion = version;
        settings.source = source;
        for (size_t i = 1; profile.empty() && i < names.size(); ++i)
            settings.moreCommunities.push_back(config_.communities.at(names[i]));
        // The SNMP layer sends no request with less than a second left, so a
        // reading gets two at least; the scrape still answers by its own time.
        settings.deadline = std::max(deadline, start + kLeastReading);
        std::string text;
        // The probe may outlive this scrape: it owns what it uses.
        const ProbeGate::Outcome outcome = gate_.run(
            printer, sharedBy, deadline,
            [this, address = *address, printer, settings, names, byProfile = !profile.empty()](const std::atomic<bool>& stop) mutable {
                ++inFlight_;
                struct Leave {
                    std::atomic<int64_t>& n;
                    ~Leave() { --n; }
                } leave{inFlight_};
                settings.stop = &stop;
                ProbeOutcome probed;
                const auto began = std::chrono::steady_clock::now();
                std::string result = probe_(address, settings, probed);
                countProbe(std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count(), probed);
                if (probed.up && !byProfile && probed.community < names.size()) keep(printer, names[probed.community]);
                return result;
            },
            text);
        if (outcome == ProbeGate::Outcome::Overloaded)
            return refuse(ScrapeError::Overloaded, 503, "too many probes at once");
        if (outcome == ProbeGate::Outcome::TimedOut) {
            count(ScrapeError::TimedOut);
            text = timedOutText(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        }
        if (outcome == ProbeGate::Outcome::Shared) ++shared_;
        response.set_content(text, kContentType);
    });
}

ExporterServer::~ExporterServer()
{
    stop();
}

bool ExporterServer::authorised(const std::string& header) const
{
    return checkBasicAuth(web_.basicAuthUsers, header);
}

void ExporterServer::count(ScrapeError error)
{
    ++errors_[static_cast<size_t>(error)];
}

std::vector<std::string> ExporterServer::keptFirst(const std::string& address, std::vector<std::string> names) const
{
    std::lock_guard lock(keptMutex_);
    const auto kept = kept_.find(address);
    if (kept == kept_.end()) return names;
    const auto it = std::find(names.begin(), names.end(), kept->second);
    if (it != names.end()) std::rotate(names.begin(), it, it + 1);
    return names;
}

void ExporterServer::keep(const std::string& address, const std::string& name)
{
    std::lock_guard lock(keptMutex_);
    // Bounded whatever the targets: past the bound it starts again.
    if (kept_.size() >= kMaxKeptTargets && !kept_.count(address)) kept_.clear();
    kept_[address] = name;
}

void ExporterServer::countProbe(double seconds, const ProbeOutcome& probed)
{
    {
        std::lock_guard lock(durationMutex_);
        for (size_t i = 0; i < std::size(kDurationBuckets); ++i) {
            if (seconds <= kDurationBuckets[i]) ++durationBuckets_[i];
        }
        durationSum_ += seconds;
        ++durationCount_;
    }
    if (!probed.up) countFailure(probed.result);
}

void ExporterServer::countFailure(int32_t result)
{
    // The service reads the profile file again; it may have changed since
    // the scrape's look-up.
    if (result == NETROV_V3_UNKNOWN_PROFILE) return count(ScrapeError::UnknownProfile);
    if (result == NETROV_V3_PROFILE_REFUSED) return count(ScrapeError::ProfileRefused);
    for (size_t i = 0; i < std::size(kProbeFailures); ++i) {
        if (kProbeFailures[i].result == result) {
            ++failures_[i];
            return;
        }
    }
    count(ScrapeError::NoAnswer);
}

std::string ExporterServer::bind(const ListenAddress& listen)
{
    if (!server_->is_valid()) return "cannot load the TLS certificate or key";
    if (listen.port == 0) {
        port_ = server_->bind_to_any_port(listen.host);
        if (port_ <= 0) return "cannot listen on " + listen.host;
        return {};
    }
    if (!server_->bind_to_port(listen.host, listen.port))
        return "cannot listen on " + listen.host + ":" + std::to_string(listen.port);
    port_ = listen.port;
    return {};
}

bool ExporterServer::serve()
{
    return server_->listen_after_bind();
}

void ExporterServer::stop()
{
    if (server_) server_->stop();
}

std::string ExporterServer::metricsText() const
{
    Exposition out;
    out.family("netrov_exporter_build_info", "gauge", "The exporter's version; the value is always 1.");
    out.sample("netrov_exporter_build_info", {{"version", NETROV_VERSION}}, 1);
    out.family("netrov_exporter_scrapes_total", "counter", "Probe requests received.");
    out.sample("netrov_exporter_scrapes_total", {}, static_cast<double>(scrapes_.load()));
    out.family("netrov_exporter_shared_probes_total", "counter",
               "Probe requests answered by a probe of the same printer that was already running.");
    out.sample("netrov_exporter_shared_probes_total", {}, static_cast<double>(shared_.load()));
    out.family("netrov_exporter_probe_errors_total", "counter", "Probe requests that failed, by reason.");
    for (size_t i = 0; i < static_cast<size_t>(ScrapeError::Count); ++i) {
        out.sample("netrov_exporter_probe_errors_total", {{"reason", scrapeErrorName(static_cast<ScrapeError>(i))}},
                   static_cast<double>(errors_[i].load()));
    }
    for (size_t i = 0; i < std::size(kProbeFailures); ++i) {
        const int32_t result = kProbeFailures[i].result;
        if (result == NETROV_V3_UNKNOWN_PROFILE || result == NETROV_V3_PROFILE_REFUSED) continue;
        out.sample("netrov_exporter_probe_errors_total", {{"reason", kProbeFailures[i].reason}},
                   static_cast<double>(failures_[i].load()));
    }
    out.family("netrov_exporter_probes_in_flight", "gauge", "Printers being probed now.");
    out.sample("netrov_exporter_probes_in_flight", {}, static_cast<double>(inFlight_.load()));
    out.family("netrov_exporter_probe_duration_seconds", "histogram", "How long probes took.");
    std::lock_guard lock(durationMutex_);
    for (size_t i = 0; i < std::size(kDurationBuckets); ++i) {
        out.sample("netrov_exporter_probe_duration_seconds", {{"le", formatValue(kDurationBuckets[i])}},
                   static_cast<double>(durationBuckets_[i]), "_bucket");
    }
    out.sample("netrov_exporter_probe_duration_seconds", {{"le", "+Inf"}}, static_cast<double>(durationCount_), "_bucket");
    out.sample("netrov_exporter_probe_duration_seconds", {}, durationSum_, "_sum");
    out.sample("netrov_exporter_probe_duration_seconds", {}, static_cast<double>(durationCount_), "_count");
    return out.text();
}

}  // namespace netrov::exporter
