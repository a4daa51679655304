// netrov-cli trap on and job cancel/continue: the Set requests on the wire, failures and bad input.
#include <gtest/gtest.h>

#include <filesystem>

#include "fake_agent.h"
#include "installation.h"
#include "run_program.h"
#include "temp_dir.h"
#include "trap_install.h"

namespace netrov::test {
namespace {

constexpr uint8_t kSetRequest = 0xA3;

class CliSet : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!agent.ok()) GTEST_SKIP() << "fake agent: " << agent.error();
        agent.setObject(std::string(kModelColumn) + ".1", AgentValue::octets("Veltrano LX-1"));
    }
    ProgramResult run(const TrapInstall& install, std::vector<std::string> args)
    {
        args.insert(args.begin(), install.program("netrov-cli"));
        args.insert(args.end(), {agent.address(), "--community", "private", "--timeout", "1"});
        return runProgram(args);
    }
    std::vector<AgentBinding> sets() const
    {
        std::vector<AgentBinding> out;
        for (const AgentRequest& r : agent.requests()) {
            if (r.pduType != kSetRequest) continue;
            EXPECT_EQ(r.community, "private");
            out.insert(out.end(), r.bindings.begin(), r.bindings.end());
        }
        return out;
    }

    FakeAgent agent;
};

TEST_F(CliSet, TrapOnWritesBothSwitches)
{
    TrapInstall install;
    const ProgramResult r = run(install, {"trap", "on"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("traps switched on"), std::string::npos) << r.out;
    const auto written = sets();
    ASSERT_EQ(written.size(), 2u);
    EXPECT_EQ(written[0].oid, kDeviceTrapObject);
    EXPECT_EQ(written[0].value, AgentValue::integer(3));
    EXPECT_EQ(written[1].oid, kJobTrapObject);
    EXPECT_EQ(written[1].value, AgentValue::integer(3));
}

TEST(CliSetIpv6, TrapOnReachesADeviceAtAnIPv6Address)
{
    if (!inOwnNetworkNamespace()) GTEST_SKIP() << "no network namespace of the test's own";
    FakeAgent agent("::1");
    if (!agent.ok()) GTEST_SKIP() << "fake agent: " << agent.error();
    agent.setObject(std::string(kModelColumn) + ".1", AgentValue::octets("Veltrano LX-1"));
    TrapInstall install;
    const ProgramResult r = runProgram({install.program("netrov-cli"), "trap", "on", "[::1]", "--community", "private", "--timeout", "1"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("::1: traps switched on", 0), 0u) << r.out;
    size_t sets = 0;
    for (const AgentRequest& request : agent.requests()) sets += request.pduType == kSetRequest ? request.bindings.size() : 0;
    EXPECT_EQ(sets, 2u);
}

TEST_F(CliSet, JobCancelWritesFiveAndContinueThree)
{
    TrapInstall install;
    ProgramResult r = run(install, {"job", "cancel", "--json"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\"model\""), std::string::npos) << r.out;
    r = run(install, {"job", "continue"});
    EXPECT_EQ(r.status, 0) << r.err;
    const auto written = sets();
    ASSERT_EQ(written.size(), 2u);
    EXPECT_EQ(written[0].oid, kJobCancelObject);
    EXPECT_EQ(written[0].value, AgentValue::integer(5));
    EXPECT_EQ(written[1].oid, kJobContinueObject);
    EXPECT_EQ(written[1].value, AgentValue::integer(3));
}

TEST_F(CliSet, JobCommandsPrintWhatTheDeviceReportsAfterwards)
{
    // The device's count of current jobs, as the job queries read it.
    const std::string activeJobs = "1.3.6.1.4.1.2699.1.1.1.1.1.1.2.1";
    TrapInstall install;
    agent.setObject(activeJobs, AgentValue::integer(2));
    ProgramResult r = run(install, {"job", "cancel"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, agent.address() + ": job cancelled; the device now reports 2 current jobs\n");
    // The count is read after the Set, not before.
    const auto requests = agent.requests();
    ASSERT_GE(requests.size(), 2u);
    EXPECT_EQ(requests[requests.size() - 2].pduType, kSetRequest);
    EXPECT_EQ(requests.back().bindings.at(0).oid, activeJobs);

    agent.setObject(activeJobs, AgentValue::integer(0));
    r = run(install, {"job", "continue", "--json"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\"currentJobs\": 0"), std::string::npos) << r.out;

    agent.removeObject(activeJobs);
    r = run(install, {"job", "continue"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("job continued; current jobs afterwards: "), std::string::npos) << r.out;

    r = run(install, {"trap", "on"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, agent.address() + ": traps switched on (the device confirmed both switches)\n");
}

TEST_F(CliSet, FailuresAreOneLineAndExitOne)
{
    TrapInstall withoutCancel("SETJOBCANCEL_VAL");
    ProgramResult r = run(withoutCancel, {"job", "cancel"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(lineCount(r.err), 1u) << r.err;
    EXPECT_NE(r.err.find("standard printers offer no such object"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("result 8"), std::string::npos) << r.err;
    EXPECT_TRUE(sets().empty());

    // A refused write stops before the second switch.
    agent.setErrorStatus(4, 1);
    r = run(withoutCancel, {"trap", "on"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("refused"), std::string::npos) << r.err;
    EXPECT_EQ(sets().size(), 1u);

    agent.setErrorStatus(0);
    agent.setSilent(true);
    r = run(withoutCancel, {"job", "continue"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("no answer"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("wrong community"), std::string::npos) << r.err;
}

const std::string kCli = std::string(NETROV_OUTPUT_DIR) + "/netrov-cli";

void expectBadInput(const std::vector<std::string>& args, const std::string& mention,
                    const std::string& program = kCli)
{
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), args.begin(), args.end());
    const ProgramResult r = runProgram(argv);
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_EQ(lineCount(r.err), 1u) << r.err;
    EXPECT_EQ(r.err.rfind("netrov-cli: ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find(mention), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;
}

TEST(CliSetBadInput, AddressOptionsAndUsage)
{
    expectBadInput({"trap", "on", "127.0.0"}, "127.0.0");
    expectBadInput({"job", "cancel", "300.1.1.1"}, "300.1.1.1");
    expectBadInput({"job", "continue", "127.0.0.1", "--timeout", "0"}, "time");
    expectBadInput({"trap", "on", "127.0.0.1", "--community", std::string(200, 'c')}, "community");
    expectBadInput({"trap", "off", "127.0.0.1"}, "unknown command trap \"off\" (commands: on)");
    expectBadInput({"job", "127.0.0.1"}, "unknown command job \"127.0.0.1\" (commands: cancel, continue)");
    expectBadInput({"job", "cancel"}, "ADDRESS");
}

TEST(CliSetBadInput, UnreadableInstallation)
{
    TempDir dir;
    expectBadInput({"trap", "on", "127.0.0.1"}, "installation", strippedInstallation(dir.path()));
}

}  // namespace
}  // namespace netrov::test
