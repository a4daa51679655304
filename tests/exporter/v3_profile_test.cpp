// netrov-exporter scraping by SNMPv3 profile: a v3-only snmpd in a private
// network namespace, read by a fitting profile, a profile with a wrong pass
// phrase and an unknown one; no pass phrase in any answer or in the log.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <httplib.h>

#include "promtool.h"
#include "temp_dir.h"
#include "v3_agents.h"

namespace netrov::test {
namespace {

const std::string kExporter = std::string(NETROV_OUTPUT_DIR) + "/netrov-exporter";
constexpr const char* kPrinter = "127.0.0.2";
constexpr int kPort = 10109;

// The exporter program with its standard output and error in one log file.
class ExporterProcess {
public:
    ExporterProcess(const std::string& config, const std::string& log)
    {
        pid_ = fork();
        if (pid_ == 0) {
            const int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            dup2(fd, 1);
            dup2(fd, 2);
            execl(kExporter.c_str(), "netrov-exporter", "--config.file", config.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    ~ExporterProcess() { stop(); }
    ExporterProcess(const ExporterProcess&) = delete;
    ExporterProcess& operator=(const ExporterProcess&) = delete;

    void stop()
    {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
};

class ExporterV3 : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        skipReason_ = enterPrivateNamespace();
        if (!skipReason_.empty()) return;
        if (access(kExporter.c_str(), X_OK) != 0) {
            skipReason_ = kExporter + " is not built";
            return;
        }
        dir_ = std::make_unique<TempDir>();
        const std::string dir = dir_->path().string();
        const V3User monitor{"monitor", "SHA-256", randomPassphrase(), "AES", randomPassphrase()};
        V3User wrongAuth = monitor;
        wrongAuth.authPhrase = randomPassphrase();
        phrases_ = {monitor.authPhrase, monitor.privPhrase, wrongAuth.authPhrase};
        agent_ = std::make_unique<V3Agent>(AgentSetup{kPrinter, {}, {monitor}, "bench-hardened"}, dir);
        std::filesystem::create_directories(dir_->path() / "config" / "netrov");
        profiles_ = (dir_->path() / "config" / "netrov" / "profiles.ini").string();
        writeProfiles(profiles_, profileSection("office", monitor) + profileSection("wrongauth", wrongAuth));
        setenv("XDG_CONFIG_HOME", (dir_->path() / "config").c_str(), 1);
        const std::string config = dir_->file("exporter.yml");
        writeFile(config, "listen_address: 127.0.0.1:" + std::to_string(kPort) +
                              "\ntimeout: 1\ncommunities:\n  default: tarpon\nprofile: office\n");
        log_ = dir_->file("exporter.log");
        exporter_ = std::make_unique<ExporterProcess>(config, log_);
        // Ready when the exporter answers and the agent answers it.
        for (int i = 0; i < 50; ++i) {
            const auto r = get("/probe?target=" + std::string(kPrinter) + "&profile=office");
            if (r && r->body.find("netrov_up 1\n") != std::string::npos) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
        skipReason_ = "the exporter or snmpd did not answer";
    }

    static void TearDownTestSuite()
    {
        exporter_.reset();
        agent_.reset();
        dir_.reset();
        unsetenv("XDG_CONFIG_HOME");
    }

    void SetUp() override
    {
        if (!skipReason_.empty()) GTEST_SKIP() << skipReason_;
    }

    // Every answer is kept for the search for pass phrases.
    static httplib::Result get(const std::string& path)
    {
        httplib::Client client("127.0.0.1", kPort);
        client.set_connection_timeout(2, 0);
        client.set_read_timeout(20, 0);
        httplib::Result r = client.Get(path);
        if (r) answers_ += r->body;
        return r;
    }

    static bool has(const std::string& text, const std::string& line)
    {
        return text.find(line + "\n") != std::string::npos;
    }

    static inline std::string skipReason_;
    static inline std::unique_ptr<TempDir> dir_;
    static inline std::unique_ptr<V3Agent> agent_;
    static inline std::unique_ptr<ExporterProcess> exporter_;
    static inline std::vector<std::string> phrases_;
    static inline std::string profiles_;
    static inline std::string log_;
    static inline std::string answers_;
};

TEST_F(ExporterV3, AScrapeByProfileReadsTheHardenedPrinter)
{
    const auto r = get("/probe?target=" + std::string(kPrinter) + "&profile=office");
    ASSERT_TRUE(r);
    ASSERT_EQ(r->status, 200);
    const std::string& text = r->body;
    EXPECT_TRUE(has(text, "netrov_up 1")) << text;
    EXPECT_NE(text.find("name=\"bench-hardened\""), std::string::npos) << text;
    EXPECT_NE(text.find("location=\"Bench shelf\""), std::string::npos) << text;
    EXPECT_NE(text.find("description=\"Black Toner\"} 0.42\n"), std::string::npos) << text;
    const PromtoolResult check = promtoolCheckMetrics(text);
    if (check.available) {
        EXPECT_EQ(check.status, 0) << check.output << "\n" << text;
    }
}

TEST_F(ExporterV3, TheConfiguredProfileAndTheCommunityBesideIt)
{
    auto r = get("/probe?target=" + std::string(kPrinter));
    ASSERT_TRUE(r);
    EXPECT_TRUE(has(r->body, "netrov_up 1")) << r->body;
    // The agent has no community: a scrape by community finds nobody.
    r = get("/probe?target=" + std::string(kPrinter) + "&community=default");
    ASSERT_TRUE(r);
    EXPECT_TRUE(has(r->body, "netrov_up 0")) << r->body;
}

TEST_F(ExporterV3, AWrongPassPhraseAndAnUnknownProfileHaveTheirReasons)
{
    auto r = get("/probe?target=" + std::string(kPrinter) + "&profile=wrongauth");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 200);
    EXPECT_TRUE(has(r->body, "netrov_up 0")) << r->body;
    EXPECT_TRUE(has(r->body, "netrov_probe_failure{reason=\"wrong_auth_passphrase\"} 1")) << r->body;
    r = get("/probe?target=" + std::string(kPrinter) + "&profile=nosuch");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 400);
    const auto metrics = get("/metrics");
    ASSERT_TRUE(metrics);
    EXPECT_TRUE(has(metrics->body, "netrov_exporter_probe_errors_total{reason=\"wrong_auth_passphrase\"} 1")) << metrics->body;
    EXPECT_TRUE(has(metrics->body, "netrov_exporter_probe_errors_total{reason=\"unknown_profile\"} 1")) << metrics->body;
}

// Last: it stops the exporter to read its whole log.
TEST_F(ExporterV3, ZNoPassPhraseInAnyAnswerOrTheLog)
{
    get("/probe?target=" + std::string(kPrinter) + "&profile=office");
    get("/probe?target=" + std::string(kPrinter) + "&profile=wrongauth");
    get("/metrics");
    exporter_->stop();
    const std::string log = readFile(log_);
    EXPECT_NE(log.find("listening on 127.0.0.1"), std::string::npos) << log;
    const std::string everything = answers_ + log;
    for (const std::string& phrase : phrases_) EXPECT_EQ(everything.find(phrase), std::string::npos);
    // The search itself finds a phrase where one is.
    EXPECT_NE(readFile(profiles_).find(phrases_.front()), std::string::npos);
}

}  // namespace
}  // namespace netrov::test
