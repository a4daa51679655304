// The HTTP paths over a fake probe: refusals with their status codes and
// counters, one probe per printer at a time, the limit of parallel probes,
// basic authentication and bounded requests.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <httplib.h>

#include "promtool.h"
#include "server.h"

namespace netrov::exporter {
namespace {

// A probe that holds until released, counting its calls.
struct HeldProbe {
    std::atomic<int> calls{0};
    std::atomic<int> running{0};
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();

    ProbeFunction function()
    {
        return [this](const core::NetAddress& address, const ProbeSettings& settings, ProbeOutcome& outcome) {
            ++calls;
            ++running;
            released.wait();
            --running;
            outcome.up = core::netAddressText(address) != "127.0.0.99";  // silent
            if (!outcome.up) outcome.result = NETROV_NO_REPLY;
            return "netrov_up " + std::string(outcome.up ? "1" : "0") + "\n# community " + settings.community + "\n";
        };
    }
    void waitRunning(int n)
    {
        for (int i = 0; i < 500 && running.load() < n; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
};

// A server on a free loopback port, served on its own thread.
struct Served {
    std::unique_ptr<ExporterServer> server;
    std::thread thread;

    Served(Config config, ProbeFunction probe, WebConfig web = {}, NameResolver resolver = resolveTarget)
        : server(std::make_unique<ExporterServer>(std::move(config), std::move(web), std::move(probe),
                                                  std::move(resolver)))
    {
        ListenAddress listen = *parseListenAddress("127.0.0.1:1");
        listen.port = 0;
        const std::string error = server->bind(listen);
        EXPECT_EQ(error, "");
        thread = std::thread([this] { server->serve(); });
    }
    ~Served()
    {
        server->stop();
        thread.join();
    }
    httplib::Client client() const
    {
        httplib::Client c("127.0.0.1", server->port());
        c.set_read_timeout(20, 0);
        return c;
    }
};

ProbeFunction fixedProbe()
{
    return [](const core::NetAddress& address, const ProbeSettings& settings, ProbeOutcome& outcome) {
        outcome.up = true;
        return "netrov_up 1\n# community " + settings.community + "\n# version " +
               std::to_string(settings.snmpVersion) + "\n# address " + core::netAddressText(address) + "\n";
    };
}

int statusOf(const httplib::Result& r)
{
    return r ? r->status : -1;
}

bool hasLine(const std::string& text, const std::string& line)
{
    return text.find(line + "\n") != std::string::npos;
}

TEST(ExporterServer, Refusals)
{
    Config config;
    config.communities = {{"default", "tarpon"}, {"office", "s3cret"}};
    config.allowedNetworks = {*parseNetwork("127.0.0.0/8"), *parseNetwork("192.0.2.0/24"), *parseNetwork("2001:db8::/32"),
                              *parseNetwork("fe80::/10")};
    Served served(config, fixedProbe());
    httplib::Client c = served.client();
    const struct {
        const char* path;
        int status;
        const char* reason;
    } cases[] = {
        {"/probe", 400, "bad_target"},
        {"/probe?target=", 400, "bad_target"},
        {"/probe?target=300.1.1.1", 400, "bad_target"},
        {"/probe?target=not%20a%20name", 400, "bad_target"},
        {"/probe?target=127.0.0.5:161", 400, "bad_target"},
        {"/probe?target=2001:db8::zz", 400, "bad_target"},
        {"/probe?target=%5B2001:db8::17%5D:161", 400, "bad_target"},
        {"/probe?target=2001:db8::17%25eth0", 400, "bad_target"},
        {"/probe?target=2001:db9::1", 403, "forbidden"},
        {"/probe?target=::ffff:10.0.0.1", 403, "forbidden"},
        {"/probe?target=127.0.0.5&community=public", 400, "unknown_community"},
        {"/probe?target=198.51.100.1", 403, "forbidden"},
        {"/probe?target=10.0.0.1&module=office", 403, "forbidden"},
        {"/probe?target=127.0.0.5&version=3", 400, "bad_version"},
        {"/probe?target=127.0.0.5&version=", 400, "bad_version"},
        {"/probe?target=127.0.0.5&source=IPP", 400, "bad_source"},
    };
    for (const auto& k : cases) EXPECT_EQ(statusOf(c.Get(k.path)), k.status) << k.path;

    auto ok = c.Get("/probe?target=127.0.0.5&community=office");
    ASSERT_EQ(statusOf(ok), 200);
    EXPECT_NE(ok->body.find("# community s3cret"), std::string::npos);
    EXPECT_EQ(ok->get_header_value("Content-Type"), "text/plain; version=0.0.4; charset=utf-8");
    ok = c.Get("/probe?target=192.0.2.9&module=office");
    EXPECT_EQ(statusOf(ok), 200);
    ok = c.Get("/probe?target=localhost");
    ASSERT_EQ(statusOf(ok), 200);
    EXPECT_NE(ok->body.find("# community tarpon"), std::string::npos);
    EXPECT_NE(ok->body.find("# version 0"), std::string::npos);
    ok = c.Get("/probe?target=127.0.0.5&version=2c");
    ASSERT_EQ(statusOf(ok), 200);
    EXPECT_NE(ok->body.find("# version 1"), std::string::npos);

    // IPv6 targets as Prometheus sends them, shown in one form.
    for (const char* target : {"2001:DB8:0::17", "%5B2001:db8::17%5D", "fe80::1%25lo", "%5Bfe80::1%2525lo%5D"}) {
        ok = c.Get(std::string("/probe?target=") + target);
        ASSERT_EQ(statusOf(ok), 200) << target;
        EXPECT_TRUE(hasLine(ok->body, std::string("# address ") + (target[0] == 'f' || target[3] == 'f' ? "fe80::1%lo" : "2001:db8::17")))
            << target << "\n" << ok->body;
    }

    const auto metrics = c.Get("/metrics");
    ASSERT_EQ(statusOf(metrics), 200);
    const std::string& text = metrics->body;
    EXPECT_TRUE(hasLine(text, "netrov_exporter_scrapes_total 24"));
    EXPECT_TRUE(hasLine(text, "netrov_exporter_probe_errors_total{reason=\"bad_target\"} 8"));
    EXPECT_TRUE(hasLine(text, "netrov_exporter_probe_errors_total{reason=\"unknown_community\"} 1"));
    EXPECT_TRUE(hasLine(text, "netrov_exporter_probe_errors_total{reason=\"forbidden\"} 4"));
    EXPECT_TRUE(hasLine(text, "netrov_exporter_probe_errors_total{reason=\"overloaded\"} 0"));
    EXPECT_TRUE(hasLine(text, "netrov_exporter_probe_errors_total{reason=\"bad_version\"} 2"));
    EXPECT_TRUE(hasLine(text, "netrov_exporter_probe_errors_total{reason=\"bad_source\"} 1"));
    EXPECT_TRUE(hasLine(text, "netrov_exporter_probe_duration_seconds_count 8"));
    EXPECT_TRUE(hasLine(text, "netrov_exporter_probes_in_flight 0"));
    const test::PromtoolResult check = test::promtoolCheckMetrics(text);
    if (check.available) {
        EXPECT_EQ(check.status, 0) << check.output << text;
    }
}

TEST(ExporterServer, CommunitiesTriedInOrder)
{
    Config config;
    config.communities = {{"default", "tarpon"}, {"office", "s3cret"}, {"lab", "l4b"}};
    // A printer that answers "s3cret" only; the text says the order to try.
    const ProbeFunction probe = [](const core::NetAddress&, const ProbeSettings& settings, ProbeOutcome& outcome) {
        std::vector<std::string> order = {settings.community};
        order.insert(order.end(), settings.moreCommunities.begin(), settings.moreCommunities.end());
        std::string text = "# order";
        for (size_t i = 0; i < order.size(); ++i) {
            text += " " + order[i];
            if (order[i] != "s3cret" || outcome.up) continue;
            outcome.up = true;
            outcome.community = i;
        }
        if (!outcome.up) outcome.result = NETROV_NO_REPLY;
        return text + "\n";
    };
    Served served(config, probe);
    const struct {
        const char* query;
        int status;
        const char* line;
    } cases[] = {
        {"target=127.0.0.5&community=default,office", 200, "# order tarpon s3cret"},
        {"target=127.0.0.5&community=default,office", 200, "# order s3cret tarpon"},  // the one that answered first
        {"target=127.0.0.5&community=lab,default,office", 200, "# order s3cret l4b tarpon"},
        {"target=127.0.0.6&community=lab&community=office", 200, "# order l4b s3cret"},
        {"target=127.0.0.7&module=default,,default", 200, "# order tarpon"},
        // An IPv6 printer is kept by its one text, however the target writes it.
        {"target=2001:db8::5&community=default,office", 200, "# order tarpon s3cret"},
        {"target=%5B2001:DB8:0::5%5D&community=default,office", 200, "# order s3cret tarpon"},
        {"target=2001:db8::6&community=default,office", 200, "# order tarpon s3cret"},
        {"target=127.0.0.7&community=default,public", 400, "unknown community name"},
        {"target=127.0.0.7&community=a,b,c,d,e,f,g,h,i", 400, "at most 8 community names"},
    };
    httplib::Client c = served.client();
    for (const auto& k : cases) {
        const auto r = c.Get(std::string("/probe?") + k.query);
        ASSERT_EQ(statusOf(r), k.status) << k.query;
        EXPECT_TRUE(hasLine(r->body, k.line)) << k.query << "\n" << r->body;
    }
}

TEST(ExporterServer, OneProbePerPrinterAndALimit)
{
    Config config;
    config.maxParallelProbes = 3;
    HeldProbe probe;
    Served served(config, probe.function());
    // Two scrapes of one printer share one probe, the waiting one holding a
    // place of its own; a second printer takes the third place; a third
    // printer finds none.
    auto first = std::async(std::launch::async, [&] { return statusOf(served.client().Get("/probe?target=127.0.0.7")); });
    probe.waitRunning(1);
    auto same = std::async(std::launch::async, [&] { return served.client().Get("/probe?target=127.0.0.7"); });
    auto other = std::async(std::launch::async, [&] { return statusOf(served.client().Get("/probe?target=127.0.0.99")); });
    probe.waitRunning(2);
    EXPECT_EQ(statusOf(served.client().Get("/probe?target=127.0.0.8")), 503);
    const auto during = served.client().Get("/metrics");
    ASSERT_EQ(statusOf(during), 200);
    EXPECT_TRUE(hasLine(during->body, "netrov_exporter_probes_in_flight 2"));
    probe.release.set_value();
    EXPECT_EQ(first.get(), 200);
    const auto shared = same.get();
    ASSERT_EQ(statusOf(shared), 200);
    EXPECT_TRUE(hasLine(shared->body, "netrov_up 1"));
    EXPECT_EQ(other.get(), 200);
    EXPECT_EQ(probe.calls.load(), 2);
    const auto after = served.client().Get("/metrics");
    ASSERT_EQ(statusOf(after), 200);
    EXPECT_TRUE(hasLine(after->body, "netrov_exporter_shared_probes_total 1"));
    EXPECT_TRUE(hasLine(after->body, "netrov_exporter_probe_errors_total{reason=\"overloaded\"} 1"));
    EXPECT_TRUE(hasLine(after->body, "netrov_exporter_probe_errors_total{reason=\"no_answer\"} 1"));
    // Places are free again.
    EXPECT_EQ(statusOf(served.client().Get("/probe?target=127.0.0.8")), 200);
    EXPECT_EQ(probe.calls.load(), 3);
}

TEST(ExporterServer, GateWaitsForAnotherCommunity)
{
    ProbeGate gate(4);
    std::promise<void> go;
    std::shared_future<void> released = go.get_future().share();
    std::atomic<int> calls{0};
    std::string a, b;
    const core::Deadline later = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    auto first = std::async(std::launch::async, [&] {
        return gate.run("2001:db8::1", "x", later, [&](const std::atomic<bool>&) { ++calls; released.wait(); return std::string("x"); }, a);
    });
    for (int i = 0; i < 500 && gate.running() == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    auto second = std::async(std::launch::async, [&] {
        return gate.run("2001:db8::1", "y", later, [&](const std::atomic<bool>&) { ++calls; return std::string("y"); }, b);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(calls.load(), 1);  // the other community waits its turn
    EXPECT_EQ(gate.taken(), 2u);  // and holds a place while it waits
    go.set_value();
    EXPECT_EQ(first.get(), ProbeGate::Outcome::Probed);
    EXPECT_EQ(second.get(), ProbeGate::Outcome::Probed);
    EXPECT_EQ(a, "x");
    EXPECT_EQ(b, "y");
    for (int i = 0; i < 500 && gate.taken() != 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(gate.taken(), 0u);
}

// A probe that ends only when nobody waits for it any more, as a printer
// whose table never ends; counts the probes that were told to stop.
ProbeFunction endlessProbe(std::atomic<int>& stopped)
{
    return [&stopped](const core::NetAddress&, const ProbeSettings& settings, ProbeOutcome& outcome) {
        while (!(settings.stop && settings.stop->load())) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ++stopped;
        outcome.up = true;
        return std::string("netrov_up 1\n");
    };
}

TEST(ExporterServer, HostileTargetsEndWithinTheScrapesTime)
{
    Config config;
    config.scrapeTimeOutSeconds = 2;
    config.maxParallelProbes = 4;
    std::atomic<int> stopped{0};
    // A resolver that does not answer within any scrape.
    const NameResolver silentResolver = [](const std::string&) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2500));
        return TargetCheck{};
    };
    Served served(config, endlessProbe(stopped), {}, silentResolver);
    const struct {
        const char* what;
        const char* path;
        const char* budget;  // the scrape's header; none: the configured time
        int status;
        const char* line;
        double seconds;  // the answer comes within this
    } cases[] = {
        {"endless table, Prometheus's time", "/probe?target=127.0.0.9", "1.5", 200,
         "netrov_probe_failure{reason=\"timed_out\"} 1", 1.9},
        {"endless table, configured time", "/probe?target=127.0.0.9", nullptr, 200, "netrov_up 0", 2.4},
        {"absurd header, configured time", "/probe?target=127.0.0.9", "1e9", 200, "netrov_up 0", 2.4},
        {"silent resolver", "/probe?target=printer.example", "1.5", 504, "target name was not resolved in time", 1.9},
    };
    for (const auto& k : cases) {
        httplib::Client c = served.client();
        httplib::Headers headers;
        if (k.budget) headers.emplace("X-Prometheus-Scrape-Timeout-Seconds", k.budget);
        const auto began = std::chrono::steady_clock::now();
        const auto r = c.Get(k.path, headers);
        const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
        ASSERT_EQ(statusOf(r), k.status) << k.what;
        EXPECT_TRUE(hasLine(r->body, k.line)) << k.what << "\n" << r->body;
        EXPECT_LT(took, k.seconds) << k.what;
    }
    // Each abandoned probe was told to stop.
    for (int i = 0; i < 500 && stopped.load() < 3; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(stopped.load(), 3);

    // Forty scrapes of one printer, cycling the version so none shares
    // another's probe: the places fill, the rest get 503, /metrics answers.
    std::vector<std::future<int>> storm;
    for (int i = 0; i < 40; ++i) {
        static const char* const kVersions[] = {"1", "2c", "auto"};
        storm.push_back(std::async(std::launch::async, [&, i] {
            return statusOf(served.client().Get("/probe?target=127.0.0.9&version=" + std::string(kVersions[i % 3]),
                                                {{"X-Prometheus-Scrape-Timeout-Seconds", "1.5"}}));
        }));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const auto began = std::chrono::steady_clock::now();
    EXPECT_EQ(statusOf(served.client().Get("/metrics")), 200);
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count(), 0.5);
    int refused = 0;
    for (auto& f : storm) refused += f.get() == 503;
    EXPECT_GE(refused, 30);
}

TEST(ExporterServer, BasicAuthAndBounds)
{
    WebConfig web;
    web.basicAuthUsers["prometheus"] = "$2b$04$nd/3Yllw1UPfUecnUzrQCuMeFWqDwb3nhnzlcqoLoJfEF41/moWhS";
    Served served(Config{}, fixedProbe(), web);
    httplib::Client c = served.client();
    EXPECT_EQ(statusOf(c.Get("/probe?target=127.0.0.5")), 401);
    c.set_basic_auth("prometheus", "wrong");
    EXPECT_EQ(statusOf(c.Get("/metrics")), 401);
    c.set_basic_auth("prometheus", "s3cret");
    EXPECT_EQ(statusOf(c.Get("/probe?target=127.0.0.5")), 200);
    const auto metrics = c.Get("/metrics");
    ASSERT_EQ(statusOf(metrics), 200);
    EXPECT_TRUE(hasLine(metrics->body, "netrov_exporter_probe_errors_total{reason=\"unauthorised\"} 2"));
    // An over-long URL is refused by the HTTP layer, unread.
    EXPECT_EQ(statusOf(c.Get("/probe?target=" + std::string(10000, 'a'))), 414);
    // So is a request body.
    EXPECT_EQ(statusOf(c.Post("/probe?target=127.0.0.5", std::string(8192, 'x'), "text/plain")), 413);
}

// A raw connection to the server: sends head in pieces of step bytes, pause
// apart, and gives the status line of the answer and when it came.
struct RawAnswer {
    std::string statusLine;
    double seconds = 0;
};
RawAnswer rawRequest(int port, const std::string& head, size_t step, std::chrono::milliseconds pause)
{
    RawAnswer answer;
    const int sock = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const auto began = std::chrono::steady_clock::now();
    if (::connect(sock, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0) {
        // The server may close before all is sent: what it answered counts.
        for (size_t at = 0; at < head.size(); at += step) {
            if (::send(sock, head.data() + at, std::min(step, head.size() - at), MSG_NOSIGNAL) <= 0) break;
            if (pause.count()) std::this_thread::sleep_for(pause);
        }
        timeval wait{20, 0};
        ::setsockopt(sock, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
        char buffer[512];
        const ssize_t got = ::recv(sock, buffer, sizeof buffer, 0);
        const std::string text(buffer, got > 0 ? static_cast<size_t>(got) : 0);
        answer.statusLine = text.substr(0, text.find("\r\n"));
    }
    answer.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    ::close(sock);
    return answer;
}

TEST(ExporterServer, HostileRequestHeads)
{
    Served served(Config{}, fixedProbe());
    const int port = served.server->port();
    std::string manyHeaders = "GET /metrics HTTP/1.1\r\n";
    for (int i = 0; i < 1000; ++i) manyHeaders += "X-" + std::to_string(i) + ": 1\r\n";
    const struct {
        const char* what;
        std::string head;
        size_t step;
        std::chrono::milliseconds pause;
        const char* status;
        double seconds;  // the answer comes within this
    } cases[] = {
        {"plain scrape", "GET /metrics HTTP/1.1\r\nHost: x\r\n\r\n", 4096, std::chrono::milliseconds(0), "HTTP/1.1 200 OK", 1},
        {"long header line", "GET /metrics HTTP/1.1\r\nX-Long: " + std::string(128 * 1024, 'a') + "\r\n\r\n", 4096,
         std::chrono::milliseconds(0), "HTTP/1.1 431 Request Header Fields Too Large", 1},
        {"a thousand headers", manyHeaders + "\r\n", 4096, std::chrono::milliseconds(0),
         "HTTP/1.1 431 Request Header Fields Too Large", 1},
        {"a byte every 400 ms", "GET /metrics HTTP/1.1\r\nHost: x\r\n\r\n", 1, std::chrono::milliseconds(400),
         "HTTP/1.1 408 Request Timeout", 8},
    };
    for (const auto& k : cases) {
        const RawAnswer answer = rawRequest(port, k.head, k.step, k.pause);
        EXPECT_EQ(answer.statusLine, k.status) << k.what;
        EXPECT_LT(answer.seconds, k.seconds) << k.what;
    }

    // Slow heads take threads from the reserve only, for a bounded time:
    // /metrics answers while they drip.
    std::vector<std::future<RawAnswer>> slow;
    for (int i = 0; i < 24; ++i) {
        slow.push_back(std::async(std::launch::async, [port] {
            return rawRequest(port, "GET /metrics HTTP/1.1\r\nHost: x\r\n\r\n", 1, std::chrono::milliseconds(1000));
        }));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const auto began = std::chrono::steady_clock::now();
    EXPECT_EQ(statusOf(served.client().Get("/metrics")), 200);
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count(), 1.0);
    for (auto& f : slow) EXPECT_EQ(f.get().statusLine, "HTTP/1.1 408 Request Timeout");
}

}  // namespace
}  // namespace netrov::exporter
