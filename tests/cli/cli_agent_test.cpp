// netrov-cli against simulated printers on loopback addresses: search table and JSON, device queries, empty results.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "fake_agent.h"
#include "run_program.h"
#include "walk_agents.h"

namespace netrov::test {
namespace {

const std::string kCli = std::string(NETROV_OUTPUT_DIR) + "/netrov-cli";

// True once the process has a handler for SIGINT (its caught-signals mask).
bool catchesInterrupt(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("SigCgt:", 0) == 0) return (std::stoull(line.substr(7), nullptr, 16) >> (SIGINT - 1)) & 1;
    }
    return false;
}

class CliAgents : public WalkAgentsSuite<CliAgents> {
public:
    static bool serve(WalkAgents& agents)
    {
        return agents.serve("mono_laser", {"127.0.0.1", "127.0.0.3"}) && agents.serve("colour_laser", {"127.0.0.2"});
    }
};

TEST_F(CliAgents, SearchPrintsATable)
{
    const ProgramResult r = runProgram({kCli, "search", "--no-broadcast", "--range", "127.0.0.1-127.0.0.3", "--timeout", "2"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("Model", 0), 0u) << r.out;
    EXPECT_EQ(lineCount(r.out), 4u) << r.out;  // header and three devices
    for (const char* text : {"Tarnwell ML-210", "Tarnwell CL-560 Color", "ml210-office", "127.0.0.2", "Network", "MAC address"})
        EXPECT_NE(r.out.find(text), std::string::npos) << text << "\n" << r.out;
    EXPECT_NE(r.err.find("3 devices found"), std::string::npos) << r.err;
    EXPECT_LT(r.out.find("127.0.0.1"), r.out.find("127.0.0.2"));  // by address, whichever answered first
    EXPECT_LT(r.out.find("127.0.0.2"), r.out.find("127.0.0.3"));
}

TEST_F(CliAgents, SearchPrintsJson)
{
    const ProgramResult r = runProgram({kCli, "search", "--no-broadcast", "--address", "127.0.0.2", "--range",
                                        "127.0.0.1-127.0.0.1", "--json", "--timeout", "2", "--maker", "CL-"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto json = nlohmann::json::parse(r.out);
    ASSERT_EQ(json["count"], 1);
    const auto& device = json["devices"][0];
    EXPECT_EQ(device["model"], "Tarnwell CL-560 Color");
    EXPECT_EQ(device["ipAddress"], "127.0.0.2");
    EXPECT_EQ(device["interface"], "Network");
    EXPECT_TRUE(device["macAddress"].is_string());
    EXPECT_TRUE(device["statusCode"].is_number_integer());
    EXPECT_TRUE(device["status"].is_string());
}

TEST_F(CliAgents, NothingFoundIsNotAnError)
{
    const ProgramResult r = runProgram({kCli, "search", "--no-broadcast", "--address", "127.0.0.9", "--timeout", "1", "--json"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(nlohmann::json::parse(r.out)["count"], 0);
    // Without the SNMPv3 probe: an agent that also speaks SNMPv3 would be
    // listed as needing credentials.
    const ProgramResult wrongCommunity = runProgram({kCli, "search", "--no-broadcast", "--address", "127.0.0.1",
                                                     "--timeout", "1", "--community", "nope", "--no-v3-probe"});
    EXPECT_EQ(wrongCommunity.status, 0) << wrongCommunity.err;
    EXPECT_EQ(lineCount(wrongCommunity.out), 1u);  // the header only
}

TEST_F(CliAgents, ModelInfoAndStatusOfOneDevice)
{
    const ProgramResult model = runProgram({kCli, "model", "127.0.0.2"});
    EXPECT_EQ(model.status, 0) << model.err;
    EXPECT_EQ(model.out, "Tarnwell CL-560 Color\n");

    const ProgramResult info = runProgram({kCli, "info", "127.0.0.1", "--json"});
    ASSERT_EQ(info.status, 0) << info.err;
    const auto json = nlohmann::json::parse(info.out);
    EXPECT_EQ(json["device"], "ml210-office");
    EXPECT_EQ(json["location"], "Room 101, first floor");

    const ProgramResult status = runProgram({kCli, "status", "127.0.0.2", "--json"});
    ASSERT_EQ(status.status, 0) << status.err;
    const auto st = nlohmann::json::parse(status.out);
    EXPECT_GE(st["records"].size(), 1u);
    EXPECT_TRUE(st["status"].is_string());

    const ProgramResult silent = runProgram({kCli, "info", "127.0.0.9", "--timeout", "1"});
    EXPECT_EQ(silent.status, 1);
    EXPECT_NE(silent.err.find("no answer"), std::string::npos) << silent.err;
}

TEST_F(CliAgents, CountersAndVersionsAsTablesAndJson)
{
    const ProgramResult counters = runProgram({kCli, "counters", "127.0.0.2"});
    ASSERT_EQ(counters.status, 0) << counters.err;
    EXPECT_EQ(lineCount(counters.out), 4u) << counters.out;  // model, header, two markers
    for (const char* text : {"Counter", "Life count", "128734", "Impressions", "64102", "Sheets"})
        EXPECT_NE(counters.out.find(text), std::string::npos) << text << "\n" << counters.out;

    const ProgramResult json = runProgram({kCli, "counters", "127.0.0.2", "--json"});
    ASSERT_EQ(json.status, 0) << json.err;
    const auto reading = nlohmann::json::parse(json.out);
    EXPECT_EQ(reading["query"], "GetDevCounter");
    ASSERT_EQ(reading["count"], 2);
    EXPECT_EQ(reading["records"][0]["count"], 128734);
    EXPECT_EQ(reading["records"][1]["unitName"], "Sheets");

    // No component versions: an empty table, not a failure.
    const ProgramResult versions = runProgram({kCli, "versions", "127.0.0.1"});
    ASSERT_EQ(versions.status, 0) << versions.err;
    EXPECT_NE(versions.out.find("(none reported)"), std::string::npos) << versions.out;
}

TEST_F(CliAgents, NetworkShowsAddressesInTheirUsualNotationAndTheCounters)
{
    const ProgramResult text = runProgram({kCli, "network", "127.0.0.2", "--timeout", "2"});
    ASSERT_EQ(text.status, 0) << text.err;
    for (const char* shown : {"192.0.2.2", "255.255.255.0", "192.0.2.254", "2001:db8::215:a3ff:fe20:560",
                              "00:15:A3:20:05:60", "Unicast packets", "not reported by this device"})
        EXPECT_NE(text.out.find(shown), std::string::npos) << shown << "\n" << text.out;

    const ProgramResult json = runProgram({kCli, "network", "127.0.0.2", "--json", "--timeout", "2"});
    ASSERT_EQ(json.status, 0) << json.err;
    const auto queries = nlohmann::json::parse(json.out)["queries"];
    const auto& tcp = queries["GetDevTCP"]["records"][0];
    EXPECT_EQ(tcp["ipAddress"], "192.0.2.2");
    EXPECT_EQ(tcp["defaultGateway"], "192.0.2.254");
    EXPECT_EQ(queries["GetDevTCPIPv6"]["records"][0]["ipv6Address"], "2001:db8::2");
    EXPECT_TRUE(queries["GetDevNetInfo"]["records"][0]["inUnicastPackets"].is_number_unsigned());
    EXPECT_EQ(queries["GetDevSMB"]["result"], 8);
}

// A printer on IPv6 inside this test's own network namespace: on ::1, and
// on a link-local address of the namespace's loopback, named with its zone.
class CliIpv6 : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // Never on the machine's own network.
        if (!inOwnNetworkNamespace()) {
            whyNot_ = "no network namespace of the test's own";
            return;
        }
        if (std::system("ip addr add fe80::17/64 dev lo nodad 2>/dev/null") != 0) {
            whyNot_ = "cannot give the namespace's loopback a link-local address";
            return;
        }
        const std::string walk = std::string(NETROV_SOURCE_DIR) + "/tests/devices/mono_laser.snmprec";
        for (const char* address : {"::1", "fe80::17%lo"}) {
            auto agent = std::make_unique<FakeAgent>(address);
            if (agent->ok()) agent->setCommunity("tarpon");
            if (!agent->ok() || !agent->serveWalk(walk)) {
                whyNot_ = agent->error();
                return;
            }
            agents_.push_back(std::move(agent));
        }
    }
    static void TearDownTestSuite() { agents_.clear(); }
    void SetUp() override
    {
        if (!whyNot_.empty()) GTEST_SKIP() << whyNot_;
    }
    static inline std::string whyNot_;
    static inline std::vector<std::unique_ptr<FakeAgent>> agents_;
};

TEST_F(CliIpv6, DeviceCommandsReadAPrinterOnIPv6)
{
    const struct {
        std::vector<std::string> arguments;
        int status;
        std::vector<const char*> shown;  // in standard output
    } cases[] = {
        {{"model", "::1"}, 0, {"Tarnwell ML-210"}},
        {{"model", "[::1]", "--json"}, 0, {"\"ipAddress\": \"::1\""}},
        {{"model", "0:0::1", "--json"}, 0, {"\"ipAddress\": \"::1\""}},  // shown in its short form
        {{"status", "::1", "--json"}, 0, {"\"ipAddress\": \"::1\"", "\"status\""}},
        {{"toner", "::1", "--json"}, 0, {"\"address\": \"::1\"", "Black"}},
        {{"toner", "::1"}, 0, {"Toner", "Remaining"}},
        {{"check", "-H", "::1"}, 0, {"NETROV OK"}},
        {{"status", "fe80::17%lo", "--json"}, 0, {"\"ipAddress\": \"fe80::17%lo\""}},
        {{"model", "fe80::17%nosuchif9"}, 2, {}},
        {{"model", "::1", "-C", "nope", "-C", "tarpon", "--timeout", "1"}, 0, {"Tarnwell ML-210"}},  // the one it answers
        {{"model", "::1", "-C", "nope", "--timeout", "1"}, 1, {}},
        {{"model", "2001:db8::9", "--timeout", "1"}, 1, {}},  // nothing there: silence, as on IPv4
    };
    for (const auto& c : cases) {
        std::vector<std::string> argv{kCli};
        argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
        SCOPED_TRACE(argv.at(1) + " " + argv.at(2));
        const ProgramResult r = runProgram(argv);
        EXPECT_EQ(r.status, c.status) << r.out << r.err;
        for (const char* text : c.shown) EXPECT_NE(r.out.find(text), std::string::npos) << text << "\n" << r.out;
    }
}

// Facts only SNMP's tables carry: another source is refused in one line
// before anything is sent.
TEST(CliSources, CommandsReadOverSnmpOnlyRefuseAnotherSource)
{
    const struct {
        std::vector<std::string> command;
        const char* source;
        const char* named;
    } cases[] = {
        {{"marker"}, "ipp", "marker is read over SNMP only"},
        {{"fax"}, "ipp", "fax is read over SNMP only"},
        {{"scanner"}, "both", "scanner is read over SNMP only"},
        {{"network"}, "ipp", "network is read over SNMP only"},
        {{"versions"}, "ipp", "versions is read over SNMP only"},
        {{"inventory"}, "both", "inventory is read over SNMP only"},
        {{"query", "GetDevToner"}, "ipp", "query is read over SNMP only"},
        {{"jobs", "--log"}, "ipp", "the job log is read over SNMP only"},
        {{"jobs", "--fax-log"}, "both", "the fax log is read over SNMP only"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> argv{kCli};
        argv.insert(argv.end(), c.command.begin(), c.command.end());
        // A silent address: a request sent would cost the time-out and say "no answer".
        argv.insert(argv.end(), {"127.0.0.9", "--source", c.source, "--timeout", "5"});
        SCOPED_TRACE(c.named);
        const auto began = std::chrono::steady_clock::now();
        const ProgramResult r = runProgram(argv);
        EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(4));
        EXPECT_EQ(r.status, 2) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, std::string("netrov-cli: ") + c.named + " (--source snmp or auto)\n");
    }
}

// The printer's password stays in its private file: a file others may read
// is refused, and no outcome shows what the file holds.
TEST(CliSources, IppCredentialsComeOnlyFromAPrivateFile)
{
    const TempDir dir;
    const std::string kSecret = "s3cret-Pass";
    const struct {
        const char* what;
        mode_t mode;  // 0: no file
        int status;
        const char* named;
    } cases[] = {
        {"missing", 0, 2, "--ipp-credentials: cannot read"},
        {"readable by others", 0644, 1, "the credentials file is open to others"},
        {"readable by its group", 0640, 1, "the credentials file is open to others"},
        {"private, nobody there", 0600, 1, "no answer on port"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir.file(std::string("login-") + std::to_string(c.mode));
        if (c.mode != 0) {
            writeFile(path, "admin:" + kSecret + "\n");
            ASSERT_EQ(chmod(path.c_str(), c.mode), 0);
        }
        const ProgramResult r =
            runProgram({kCli, "counters", "127.0.0.9", "--source", "ipp", "--ipp-credentials", path, "--timeout", "1"});
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_NE(r.err.find(c.named), std::string::npos) << r.err;
        EXPECT_EQ((r.out + r.err).find(kSecret), std::string::npos);
    }
}

TEST(CliInterrupt, InterruptAbortsTheSearchAndListsNothing)
{
    // Silent loopback addresses keep the search busy for its whole time-out.
    TempDir dir;
    const std::string out = dir.file("out");
    const std::string err = dir.file("err");
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        dup2(open(out.c_str(), O_WRONLY | O_CREAT, 0600), STDOUT_FILENO);
        dup2(open(err.c_str(), O_WRONLY | O_CREAT, 0600), STDERR_FILENO);
        execl(kCli.c_str(), kCli.c_str(), "search", "--no-broadcast", "--range", "127.0.50.1-127.0.50.20", "--timeout", "3",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    // A busy machine or a sanitizer may start the program slowly: an
    // interrupt before its handler is set would kill it instead.
    for (int i = 0; i < 200 && !catchesInterrupt(pid); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const auto start = std::chrono::steady_clock::now();
    kill(pid, SIGINT);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130);
    EXPECT_EQ(readFile(out), "");
    EXPECT_NE(readFile(err).find("search aborted"), std::string::npos) << readFile(err);
}

TEST(CliResources, TooFewDescriptorsIsReportedAndFailsTheRun)
{
    // Silent addresses: nothing answers, but the run must say it was crippled.
    const ProgramResult r = runProgram({"/bin/sh", "-c",
                                        "ulimit -n 64 && exec \"$0\" search --no-broadcast --range 127.0.9.1-127.0.9.255 "
                                        "--timeout 1",
                                        kCli});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("too few file descriptors"), std::string::npos) << r.err;
}

TEST(CliHostile, ForgedModelsAreNotAnswersAndANonTextModelIsAnError)
{
    FakeAgent device;
    FakeAgent sprayer;
    if (!device.ok() || !sprayer.ok()) GTEST_SKIP() << device.error() << sprayer.error();
    // The device stays silent; another host answers each request it sees,
    // with the right id and to the right port.
    device.setHandler([&](const AgentRequest& r) -> std::vector<AgentReply> {
        std::vector<AgentBinding> forged;
        for (const auto& b : r.bindings) forged.push_back({b.oid + ".1", AgentValue::octets("Forged 9000")});
        sprayer.sendTo(r.source, r.sourcePort, FakeAgent::encodeResponse(r.requestId, r.community, 0, 0, forged));
        return {};
    });
    const ProgramResult forged = runProgram({kCli, "model", device.address(), "--timeout", "1"});
    EXPECT_EQ(forged.status, 1) << forged.err;
    EXPECT_EQ(forged.out.find("Forged"), std::string::npos) << forged.out;
    EXPECT_NE(forged.err.find("no answer"), std::string::npos) << forged.err;

    // A model object that holds a number instead of a name.
    device.setHandler({});
    device.setObject("1.3.6.1.2.1.25.3.2.1.3.1", AgentValue::integer(42));
    const ProgramResult number = runProgram({kCli, "model", device.address(), "--timeout", "1"});
    EXPECT_EQ(number.status, 1) << number.err;
    EXPECT_EQ(number.out, "");
    EXPECT_NE(number.err.find("no text"), std::string::npos) << number.err;
}

}  // namespace
}  // namespace netrov::test
