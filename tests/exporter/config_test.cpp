// Configuration files, listen addresses, allowed networks, targets and basic
// authentication, one table per rule.
#include <gtest/gtest.h>

#include <crypt.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <memory>

#include "config.h"
#include "temp_dir.h"
#include "server.h"

namespace netrov::exporter {
namespace {

TEST(ExporterConfig, Networks)
{
    const struct {
        const char* text;
        bool valid;
        uint32_t address;
        uint32_t mask;
    } cases[] = {
        {"192.0.2.0/24", true, 0xC0000200, 0xFFFFFF00}, {"192.0.2.77/24", true, 0xC0000200, 0xFFFFFF00},
        {"10.1.2.3", true, 0x0A010203, 0xFFFFFFFF},     {"0.0.0.0/0", true, 0, 0},
        {"127.0.0.0/8", true, 0x7F000000, 0xFF000000},  {"192.0.2.0/33", false, 0, 0},
        {"192.0.2.0/", false, 0, 0},                    {"192.0.2/24", false, 0, 0},
        {"192.0.2.0/2x", false, 0, 0},                  {"printers", false, 0, 0},
    };
    for (const auto& c : cases) {
        const auto n = parseNetwork(c.text);
        ASSERT_EQ(n.has_value(), c.valid) << c.text;
        if (!n) continue;
        EXPECT_EQ(n->address, c.address) << c.text;
        EXPECT_EQ(n->mask, c.mask) << c.text;
    }
    const Network block = *parseNetwork("198.51.100.0/25");
    EXPECT_TRUE(block.contains(0xC6336400 + 127));
    EXPECT_FALSE(block.contains(0xC6336400 + 128));
}

TEST(ExporterConfig, ListenAddresses)
{
    const struct {
        const char* text;
        bool valid;
        bool loopback;
        uint16_t port;
    } cases[] = {
        {"127.0.0.1:10109", true, true, 10109}, {"127.3.4.5:80", true, true, 80},  {"localhost:9", true, true, 9},
        {"0.0.0.0:10109", true, false, 10109},  {":10109", true, false, 10109},    {"192.0.2.1:1", true, false, 1},
        {"127.0.0.1", false, false, 0},         {"127.0.0.1:0", false, false, 0},  {"127.0.0.1:65536", false, false, 0},
        {"127.0.0.1:x", false, false, 0},       {"printer:80", false, false, 0},
    };
    for (const auto& c : cases) {
        const auto l = parseListenAddress(c.text);
        ASSERT_EQ(l.has_value(), c.valid) << c.text;
        if (!l) continue;
        EXPECT_EQ(l->loopback(), c.loopback) << c.text;
        EXPECT_EQ(l->port, c.port) << c.text;
    }
}

TEST(ExporterConfig, ExposureNeedsAllowedNetworks)
{
    Config none;
    EXPECT_EQ(checkExposure(none, *parseListenAddress("127.0.0.1:10109")), "");
    EXPECT_EQ(checkExposure(none, *parseListenAddress("127.9.9.9:10109")), "");
    EXPECT_NE(checkExposure(none, *parseListenAddress("0.0.0.0:10109")), "");
    EXPECT_NE(checkExposure(none, *parseListenAddress("192.0.2.1:10109")), "");
    Config some;
    some.allowedNetworks.push_back(*parseNetwork("192.0.2.0/24"));
    EXPECT_EQ(checkExposure(some, *parseListenAddress("0.0.0.0:10109")), "");
}

TEST(ExporterConfig, GoodFile)
{
    Config config;
    const auto error = parseConfig("listen_address: 0.0.0.0:10109\n"
                                   "timeout: 1500ms\n"
                                   "scrape_timeout: 25s\n"
                                   "retries: 2\n"
                                   "max_parallel_probes: 64\n"
                                   "snmp_version: 2c\n"
                                   "communities:\n  default: public\n  office: \"s3cret\"\n"
                                   "allowed_networks:\n  - 192.0.2.0/24\n  - 198.51.100.7\n",
                                   config);
    ASSERT_FALSE(error) << *error;
    EXPECT_EQ(config.listenAddress, "0.0.0.0:10109");
    EXPECT_EQ(config.timeOutSeconds, 2);
    EXPECT_EQ(config.scrapeTimeOutSeconds, 25);
    EXPECT_EQ(config.retries, 2);
    EXPECT_EQ(config.maxParallelProbes, 64);
    EXPECT_EQ(config.snmpVersion, 1);
    EXPECT_EQ(config.communities.at("office"), "s3cret");
    ASSERT_EQ(config.allowedNetworks.size(), 2u);
    EXPECT_TRUE(config.allowedNetworks[1].contains(0xC6336407));
    EXPECT_TRUE(config.fromFile);
    Config empty;
    EXPECT_FALSE(parseConfig("", empty));
}

TEST(ExporterConfig, BadFiles)
{
    const struct {
        const char* yaml;
        const char* key;  // the error names it
    } cases[] = {
        {"listen_address: printer\n", "listen_address"},
        {"timeout: 0s\n", "timeout"},
        {"timeout: 61\n", "timeout"},
        {"timeout: soon\n", "timeout"},
        {"scrape_timeout: 0\n", "scrape_timeout"},
        {"retries: 11\n", "retries"},
        {"retries: -1\n", "retries"},
        {"max_parallel_probes: 0\n", "max_parallel_probes"},
        {"max_parallel_probes: many\n", "max_parallel_probes"},
        {"snmp_version: 3\n", "snmp_version"},
        {"snmp_version: [1]\n", "snmp_version"},
        {"communities: public\n", "communities"},
        {"communities:\n  a: [1, 2]\n", "communities"},
        {"allowed_networks: 192.0.2.0/24\n", "allowed_networks"},
        {"allowed_networks:\n  - 192.0.2.0/40\n", "allowed_networks"},
        {"scrape_everything: yes\n", "scrape_everything"},
        {"- a list\n", "mapping"},
        {"key: [unclosed\n", "YAML"},
    };
    for (const auto& c : cases) {
        Config config;
        const auto error = parseConfig(c.yaml, config);
        ASSERT_TRUE(error) << c.yaml;
        EXPECT_NE(error->find(c.key), std::string::npos) << *error;
    }
    Config config;
    EXPECT_TRUE(loadConfig("/nonexistent/netrov-exporter.yml", config));
}

TEST(ExporterConfig, OnlyBoundedRegularFiles)
{
    test::TempDir dir;
    const std::string good = dir.file("private.yml"), shared = dir.file("shared.yml"), fifo = dir.file("fifo.yml"),
                      huge = dir.file("huge.yml");
    test::writeFile(good, "# read by both\n");
    ::chmod(good.c_str(), 0600);
    test::writeFile(shared, "# read by both\n");
    ::chmod(shared.c_str(), 0644);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    test::writeFile(huge, "");
    std::filesystem::resize_file(huge, uintmax_t{1} << 30);  // sparse: no disk used
    const struct {
        std::string path;
        const char* error;    // empty: read
        const char* warning;  // empty: none
    } cases[] = {
        {good, "", ""},
        {shared, "", "others may read it"},
        {"/dev/zero", "is not a regular file", ""},
        {fifo, "is not a regular file", ""},
        {huge, "is larger than 1024 KiB", ""},
        {dir.path().string(), "is not a regular file", ""},
        {dir.file("missing.yml"), "cannot read", ""},
    };
    for (const auto& c : cases) {
        Config config;
        const auto error = loadConfig(c.path, config);
        EXPECT_EQ(error.value_or("").find(c.error) != std::string::npos, true) << c.path << ": " << error.value_or("");
        EXPECT_EQ(error.has_value(), *c.error != '\0') << c.path;
        EXPECT_NE(config.warning.find(c.warning), std::string::npos) << c.path;
        EXPECT_EQ(config.warning.empty(), *c.warning == '\0') << c.path;
        WebConfig web;
        EXPECT_EQ(loadWebConfig(c.path, web).has_value(), *c.error != '\0') << c.path;
    }
}

TEST(ExporterConfig, ScrapeBudget)
{
    const struct {
        const char* header;
        int64_t milliseconds;  // with 10 s configured
    } cases[] = {
        {"", 10000},   {"15", 14500},    {"2.5", 2000},  {"1", 750},    {"0.8", 600},   {"0.2", 250}, {"60", 59500},
        {"61", 10000}, {"1e9", 10000},   {"-3", 10000},  {"nan", 10000}, {"10s", 10000},
        {"inf", 10000}, {"1.5\r\n", 10000},
    };
    for (const auto& c : cases) EXPECT_EQ(scrapeBudget(c.header, 10).count(), c.milliseconds) << c.header;
}

TEST(ExporterConfig, HostNames)
{
    const struct {
        const char* name;
        bool valid;
    } cases[] = {
        {"printer", true}, {"printer-2.example.org", true}, {"localhost", true}, {"a", true},
        {"", false}, {"-printer", false}, {"printer-", false}, {"two..dots", false}, {".lead", false},
        {"bad name", false}, {"printer:161", false}, {"300.1.1.1", false}, {"1.2.3", false},
        {"caf\xC3\xA9", false}, {"x/../y", false},
    };
    for (const auto& c : cases) EXPECT_EQ(validHostName(c.name), c.valid) << c.name;
    EXPECT_FALSE(validHostName(std::string(64, 'a')));
    EXPECT_TRUE(validHostName(std::string(63, 'a')));
}

TEST(ExporterConfig, Targets)
{
    EXPECT_EQ(resolveTarget("192.0.2.7").address, 0xC0000207u);
    // localhost comes from the hosts file: no query leaves the machine.
    const TargetCheck local = resolveTarget("localhost");
    ASSERT_TRUE(local.address) << local.error;
    EXPECT_EQ(*local.address >> 24, 127u);
    for (const char* bad : {"", "300.1.1.1", "192.0.2.7:161", "not a name", "1.2.3"}) {
        const TargetCheck check = resolveTarget(bad);
        EXPECT_FALSE(check.address) << bad;
        EXPECT_NE(check.error, "") << bad;
    }
}

TEST(ExporterConfig, WebConfig)
{
    WebConfig web;
    ASSERT_FALSE(parseWebConfig("tls_server_config:\n  cert_file: /etc/netrov/cert.pem\n  key_file: /etc/netrov/key.pem\n"
                                "basic_auth_users:\n  prometheus: $2b$04$abc\n",
                                web));
    EXPECT_TRUE(web.tls());
    EXPECT_EQ(web.keyFile, "/etc/netrov/key.pem");
    EXPECT_EQ(web.basicAuthUsers.at("prometheus"), "$2b$04$abc");
    for (const char* bad : {"tls_server_config:\n  cert_file: a.pem\n", "tls_server_config:\n  client_ca_file: ca.pem\n",
                            "users: {}\n", "basic_auth_users: [a]\n"}) {
        WebConfig w;
        EXPECT_TRUE(parseWebConfig(bad, w)) << bad;
    }
}

TEST(ExporterConfig, Base64)
{
    const struct {
        const char* in;
        std::optional<std::string> out;
    } cases[] = {
        {"", ""},           {"YQ==", "a"},         {"YWI=", "ab"},  {"YWJj", "abc"},
        {"dTpwOnE=", "u:p:q"}, {"YQ", "a"},        {"Y", std::nullopt}, {"YQ==YQ==", std::nullopt},
        {"Y!==", std::nullopt}, {"YQ===", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(decodeBase64(c.in), c.out) << c.in;
}

TEST(ExporterConfig, BasicAuth)
{
    // bcrypt of "s3cret" at cost 4.
    const std::map<std::string, std::string> users = {
        {"prometheus", "$2b$04$nd/3Yllw1UPfUecnUzrQCuMeFWqDwb3nhnzlcqoLoJfEF41/moWhS"},
        {"broken", "not a hash"},
    };
    const struct {
        const char* header;
        bool ok;
    } cases[] = {
        {"Basic cHJvbWV0aGV1czpzM2NyZXQ=", true},    // prometheus:s3cret
        {"Basic cHJvbWV0aGV1czpzM2NyZXU=", false},   // prometheus:s3creu
        {"Basic cHJvbWV0aGV1cw==", false},           // no colon
        {"Basic b3RoZXI6czNjcmV0", false},           // other:s3cret
        {"Basic YnJva2VuOg==", false},               // broken: with an empty password
        {"Bearer cHJvbWV0aGV1czpzM2NyZXQ=", false},
        {"Basic ***", false},
        {"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(checkBasicAuth(users, c.header), c.ok) << c.header;
}

TEST(ExporterConfig, UnknownUserCostsAFullHash)
{
    // A cost high enough that one hash outweighs the noise of a busy machine.
    char setting[CRYPT_GENSALT_OUTPUT_SIZE];
    ASSERT_NE(crypt_gensalt_rn("$2b$", 11, nullptr, 0, setting, sizeof setting), nullptr);
    auto data = std::make_unique<crypt_data>();
    const std::map<std::string, std::string> users = {{"prometheus", crypt_r("s3cret", setting, data.get())}};
    const auto timeOf = [&](const char* header) {
        const auto began = std::chrono::steady_clock::now();
        EXPECT_FALSE(checkBasicAuth(users, header));
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    };
    const double known = timeOf("Basic cHJvbWV0aGV1czpzM2NyZXU=");  // prometheus:s3creu
    const double unknown = timeOf("Basic b3RoZXI6czNjcmV0");         // other:s3cret
    EXPECT_GT(unknown, known / 2) << known << " s for a known user";
}

}  // namespace
}  // namespace netrov::exporter
