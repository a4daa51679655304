// Scrapes by SNMPv3 profile over a fake probe: the profile's name travels
// with version 3, unknown or refused profiles are refused with their own
// status and counter, and a printer that refuses the credentials is counted
// by the reason it gave.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <thread>

#include <httplib.h>

#include <netrov/result_codes.h>

#include "printer_metrics.h"
#include "promtool.h"
#include "server.h"
#include "temp_dir.h"

namespace netrov::exporter {
namespace {

constexpr const char* kProfiles =
    "[office]\nuser = monitor\nlevel = authPriv\nauth = SHA-256\nauthPassphrase = bench-auth-phrase\n"
    "priv = AES\nprivPassphrase = bench-priv-phrase\n";

// A profile file in a configuration folder of its own, named by
// XDG_CONFIG_HOME for the test.
class ProfileFile {
public:
    explicit ProfileFile(mode_t mode = 0600)
    {
        std::filesystem::create_directories(dir_.path() / "netrov");
        path_ = (dir_.path() / "netrov" / "profiles.ini").string();
        test::writeFile(path_, kProfiles);
        chmod(path_.c_str(), mode);
        const char* old = std::getenv("XDG_CONFIG_HOME");
        if (old) old_ = old;
        hadOld_ = old != nullptr;
        setenv("XDG_CONFIG_HOME", dir_.path().c_str(), 1);
    }
    ~ProfileFile()
    {
        if (hadOld_) setenv("XDG_CONFIG_HOME", old_.c_str(), 1);
        else unsetenv("XDG_CONFIG_HOME");
    }

private:
    test::TempDir dir_;
    std::string path_;
    std::string old_;
    bool hadOld_ = false;
};

// Answers as the settings ask; 127.0.0.7 refuses the credentials.
ProbeFunction settingsProbe()
{
    return [](const core::NetAddress& address, const ProbeSettings& settings, ProbeOutcome& outcome) {
        outcome.up = core::netAddressText(address) != "127.0.0.7";
        if (!outcome.up) outcome.result = NETROV_V3_WRONG_DIGEST;
        return "netrov_up " + std::string(outcome.up ? "1" : "0") + "\n# community " + settings.community +
               "\n# version " + std::to_string(settings.snmpVersion) + "\n";
    };
}

struct Served {
    std::unique_ptr<ExporterServer> server;
    std::thread thread;

    explicit Served(Config config)
        : server(std::make_unique<ExporterServer>(std::move(config), WebConfig{}, settingsProbe()))
    {
        ListenAddress listen = *parseListenAddress("127.0.0.1:1");
        listen.port = 0;
        EXPECT_EQ(server->bind(listen), "");
        thread = std::thread([this] { server->serve(); });
    }
    ~Served()
    {
        server->stop();
        thread.join();
    }
    httplib::Result get(const std::string& path) const
    {
        httplib::Client c("127.0.0.1", server->port());
        c.set_read_timeout(20, 0);
        return c.Get(path);
    }
};

bool hasLine(const std::string& text, const std::string& line)
{
    return text.find(line + "\n") != std::string::npos;
}

TEST(ExporterProfiles, ScrapesByProfileAndRefusals)
{
    ProfileFile file;
    Config config;
    config.communities = {{"default", "tarpon"}};
    Served served(config);
    const struct {
        const char* path;
        int status;
        const char* body;  // a line of the answer
    } cases[] = {
        {"/probe?target=127.0.0.5&profile=office", 200, "# version 3"},
        {"/probe?target=127.0.0.5&profile=office", 200, "# community office"},
        {"/probe?target=127.0.0.5", 200, "# version 0"},
        {"/probe?target=127.0.0.5&profile=lab", 400, "unknown profile name"},
        {"/probe?target=127.0.0.5&profile=of%0Afice", 400, "unknown profile name"},
        {"/probe?target=127.0.0.5&profile=office&version=2c", 400, "a profile reads by SNMPv3: leave version out"},
        {"/probe?target=127.0.0.7&profile=office", 200, "netrov_up 0"},
    };
    for (const auto& k : cases) {
        const auto r = served.get(k.path);
        ASSERT_TRUE(r) << k.path;
        EXPECT_EQ(r->status, k.status) << k.path;
        EXPECT_TRUE(hasLine(r->body, k.body)) << k.path << "\n" << r->body;
        EXPECT_EQ(r->body.find("bench-"), std::string::npos) << "a pass phrase in the answer to " << k.path;
    }
    const auto metrics = served.get("/metrics");
    ASSERT_TRUE(metrics);
    const std::string& text = metrics->body;
    EXPECT_TRUE(hasLine(text, "netrov_exporter_probe_errors_total{reason=\"unknown_profile\"} 2")) << text;
    EXPECT_TRUE(hasLine(text, "netrov_exporter_probe_errors_total{reason=\"bad_version\"} 1")) << text;
    EXPECT_TRUE(hasLine(text, "netrov_exporter_probe_errors_total{reason=\"wrong_auth_passphrase\"} 1")) << text;
    EXPECT_TRUE(hasLine(text, "netrov_exporter_probe_errors_total{reason=\"no_answer\"} 0")) << text;
    EXPECT_EQ(text.find("bench-"), std::string::npos);
    const test::PromtoolResult check = test::promtoolCheckMetrics(text);
    if (check.available) {
        EXPECT_EQ(check.status, 0) << check.output << "\n" << text;
    }
}

TEST(ExporterProfiles, TheConfiguredProfileServesScrapesThatNameNoCommunity)
{
    ProfileFile file;
    Config config;
    config.communities = {{"default", "tarpon"}};
    ASSERT_EQ(parseConfig("profile: office\n", config), std::nullopt);
    EXPECT_EQ(config.profile, "office");
    Served served(config);
    auto r = served.get("/probe?target=127.0.0.5");
    ASSERT_TRUE(r);
    EXPECT_TRUE(hasLine(r->body, "# community office")) << r->body;
    EXPECT_TRUE(hasLine(r->body, "# version 3")) << r->body;
    r = served.get("/probe?target=127.0.0.5&community=default");
    ASSERT_TRUE(r);
    EXPECT_TRUE(hasLine(r->body, "# community tarpon")) << r->body;
    EXPECT_TRUE(hasLine(r->body, "# version 0")) << r->body;
}

TEST(ExporterProfiles, AFileOthersMayReadIsRefused)
{
    ProfileFile file(0644);
    Served served(Config{});
    const auto r = served.get("/probe?target=127.0.0.5&profile=office");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 500);
    EXPECT_EQ(r->body.find("bench-"), std::string::npos);
    const auto metrics = served.get("/metrics");
    ASSERT_TRUE(metrics);
    EXPECT_TRUE(hasLine(metrics->body, "netrov_exporter_probe_errors_total{reason=\"profile_refused\"} 1")) << metrics->body;
}

TEST(ExporterProfiles, ConfiguredProfileNames)
{
    const struct {
        const char* yaml;
        bool accepted;
    } cases[] = {
        {"profile: office\n", true},
        {"profile: lab-2.floor_3\n", true},
        {"profile: \"\"\n", false},
        {"profile: [office]\n", false},
        {"profile: \"two words\"\n", false},
    };
    for (const auto& c : cases) {
        Config config;
        EXPECT_EQ(!parseConfig(c.yaml, config).has_value(), c.accepted) << c.yaml;
    }
    EXPECT_FALSE(validProfileName(std::string(128, 'a')));
    EXPECT_TRUE(validProfileName(std::string(127, 'a')));
}

TEST(ExporterProfiles, ARefusedProbeShowsItsReason)
{
    PrinterReading reading;
    reading.result = NETROV_V3_DECRYPTION_ERROR;
    const std::string text = printerMetricsText(reading);
    EXPECT_TRUE(hasLine(text, "netrov_up 0")) << text;
    EXPECT_TRUE(hasLine(text, "netrov_probe_failure{reason=\"wrong_priv_passphrase\"} 1")) << text;
    reading.result = NETROV_NO_REPLY;
    EXPECT_EQ(printerMetricsText(reading).find("netrov_probe_failure"), std::string::npos);
    const test::PromtoolResult check = test::promtoolCheckMetrics(text);
    if (check.available) {
        EXPECT_EQ(check.status, 0) << check.output << "\n" << text;
    }
}

}  // namespace
}  // namespace netrov::exporter
