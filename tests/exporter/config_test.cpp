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
        const char* address;  // with the bits past the prefix cleared
        int prefix;
    } cases[] = {
        {"192.0.2.0/24", true, "192.0.2.0", 24},        {"192.0.2.77/24", true, "192.0.2.0", 24},
        {"10.1.2.3", true, "10.1.2.3", 32},             {"0.0.0.0/0", true, "0.0.0.0", 0},
        {"127.0.0.0/8", true, "127.0.0.0", 8},          {"192.0.2.0/33", false, "", 0},
        {"192.0.2.0/", false, "", 0},                   {"192.0.2/24", false, "", 0},
        {"192.0.2.0/2x", false, "", 0},                 {"printers", false, "", 0},
        {"2001:db8::/32", true, "2001:db8::", 32},      {"2001:DB8:ff::1/33", true, "2001:db8::", 33},
        {"2001:db8::17", true, "2001:db8::17", 128},    {"::/0", true, "::", 0},
        {"2001:db8::/129", false, "", 0},               {"2001:db8::/1x", false, "", 0},
        {"[2001:db8::]/32", false, "", 0},              {"fe80::1%eth0/64", false, "", 0},
        {"/24", false, "", 0},                          {"", false, "", 0},
    };
    for (const auto& c : cases) {
        const auto n = parseNetwork(c.text);
        ASSERT_EQ(n.has_value(), c.valid) << c.text;
        if (!n) continue;
        EXPECT_EQ(core::netAddressText(n->address), c.address) << c.text;
        EXPECT_EQ(n->prefix, c.prefix) << c.text;
    }
}

TEST(ExporterConfig, NetworkHoldsAddress)
{
    const struct {
        const char* network;
        const char* address;
        bool holds;
    } cases[] = {
        {"198.51.100.0/25", "198.51.100.127", true},
        {"198.51.100.0/25", "198.51.100.128", false},
        // A mapped address reaches its IPv4 address: the IPv4 networks decide.
        {"198.51.100.0/25", "::ffff:198.51.100.1", true},
        {"::/0", "::ffff:10.0.0.1", false},
        {"0.0.0.0/0", "2001:db8::1", false},
        {"2001:db8::/33", "2001:db8:7fff::1", true},
        {"2001:db8::/33", "2001:db8:8000::1", false},
        {"2001:db8::/32", "2001:db9::", false},
        {"fe80::/10", "fe80::1%eth0", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parseNetwork(c.network)->contains(*core::parseNetAddress(c.address)), c.holds)
            << c.network << " " << c.address;
    }
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
        {"[::1]:10109", true, true, 10109},     {"[::]:10109", true, false, 10109}, {"[2001:db8::1]:80", true, false, 80},
        {"::1:10109", false, false, 0},         {"[::1]", false, false, 0},         {"[127.0.0.1]:80", false, false, 0},
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
    EXPECT_EQ(checkExposure(none, *parseListenAddress("[::1]:10109")), "");
    EXPECT_NE(checkExposure(none, *parseListenAddress("[::]:10109")), "");
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
                                   "allowed_networks:\n  - 192.0.2.0/24\n  - 198.51.100.7\n  - 2001:db8::/32\n",
                                   config);
    ASSERT_FALSE(error) << *error;
    EXPECT_EQ(config.listenAddress, "0.0.0.0:10109");
    EXPECT_EQ(config.timeOutSeconds, 2);
    EXPECT_EQ(config.scrapeTimeOutSeconds, 25);
    EXPECT_EQ(config.retries, 2);
    EXPECT_EQ(config.maxParallelProbes, 64);
    EXPECT_EQ(config.snmpVersion, 1);
    EXPECT_EQ(config.communities.at("office"), "s3cret");
    ASSERT_EQ(config.allowedNetworks.size(), 3u);
    EXPECT_TRUE(config.allowedNetworks[1].contains(core::ipv4Address(0xC6336407)));
    EXPECT_TRUE(config.allowedNetworks[2].contains(*core::parseNetAddress("2001:db8::17")));
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
        {"allowed_networks:\n  - 2001:db8::/200\n", "allowed_networks"},
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
    const struct {
        const char* target;
        const char* address;  // as shown; empty: refused
    } cases[] = {
        {"192.0.2.7", "192.0.2.7"},
        {"2001:DB8:0:0::17", "2001:db8::17"},
        {"[2001:db8::17]", "2001:db8::17"},
        {"fe80::1%eth0", "fe80::1%eth0"},
        {"[fe80::1%25eth0]", "fe80::1%eth0"},
        {"::ffff:192.0.2.7", "192.0.2.7"},  // the address it reaches
        {"", ""},
        {"300.1.1.1", ""},
        {"192.0.2.7:161", ""},
        {"[2001:db8::17]:161", ""},
        {"[192.0.2.7]", ""},
        {"2001:db8::17%eth0", ""},  // a zone only on a link-local address
        {"fe80::1%eth 0", ""},
        {"2001:db8::zz", ""},
        {"not a name", ""},
        {"1.2.3", ""},
    };
    for (const auto& c : cases) {
        const TargetCheck check = resolveTarget(c.target);
        EXPECT_EQ(check.address ? core::netAddressText(*check.address) : std::string(), c.address) << c.target;
        EXPECT_EQ(check.error.empty(), check.address.has_value()) << c.target;
    }
    // localhost comes from the hosts file: no query leaves the machine.
    const TargetCheck local = resolveTarget("localhost");
    ASSERT_TRUE(local.address) << local.error;
    EXPECT_EQ(local.address->v4 >> 24, 127u);
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
