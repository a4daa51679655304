// Walks against a real agent, net-snmp's snmpd, started with a configuration
// the test writes, in a private network namespace of the test's own: the
// same rows by GetBulk (SNMPv2c) as by GetNext (SNMPv1).
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <sched.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "device_versions.h"
#include "framework.h"
#include "netrov/result_codes.h"
#include "netrov/snmp_version.h"
#include "queries.h"
#include "service_fixture.h"
#include "temp_dir.h"

using namespace netrov::test;
using namespace netrov::tessel;

namespace {

constexpr const char* kSnmpd = "/usr/sbin/snmpd";

// snmpd in the calling thread's network namespace, ended when destroyed.
class Snmpd {
public:
    explicit Snmpd(const std::string& config)
    {
        pid_ = fork();
        if (pid_ == 0) {
            execl(kSnmpd, kSnmpd, "-f", "-Lf", "/dev/null", "-C", "-c", config.c_str(), "udp:127.0.0.1:161",
                  static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    ~Snmpd()
    {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
    }
    bool started() const { return pid_ > 0; }

private:
    pid_t pid_ = -1;
};

DeviceIdentity loopbackDevice(int32_t version)
{
    DeviceIdentity d = snmpDevice(htonl(INADDR_LOOPBACK), "netrovtest", 1);
    netrovSetSnmpVersion(&d, version);
    return d;
}

std::vector<std::string> texts(const RowsResult& walk)
{
    std::vector<std::string> out;
    for (const ReplyRow& row : walk.rows) {
        std::string line;
        for (const ReplyValue& v : row.values) {
            line += v.identifier + "=" + std::string(v.bytes.begin(), v.bytes.end()) + ";";
        }
        out.push_back(line);
    }
    return out;
}

// The interfaces table (ifIndex, ifDescr, ifType) and the agent's
// capabilities table (sysORID, sysORDescr) as the service walks them.
const std::string kDefinition = document(
    "<oid def=\"IFINDEX\">1.3.6.1.2.1.2.2.1.1</oid>"
    "<oid def=\"IFDESCR\">1.3.6.1.2.1.2.2.1.2</oid>"
    "<oid def=\"IFTYPE\">1.3.6.1.2.1.2.2.1.3</oid>"
    "<oid def=\"ORID\">1.3.6.1.2.1.1.9.1.2</oid>"
    "<oid def=\"ORDESCR\">1.3.6.1.2.1.1.9.1.3</oid>");
constexpr KeyEntry kInterfaceKeys[] = {
    {"def", "IFINDEX", "", kKindInteger},
    {"def", "IFDESCR", "", kKindOctets},
    {"def", "IFTYPE", "", kKindInteger},
};
constexpr KeyEntry kCapabilityKeys[] = {
    {"def", "ORID", "", kKindOid},
    {"def", "ORDESCR", "", kKindOctets},
};

// Runs body in a thread of its own inside a fresh network namespace with
// only its loopback interface up; the reason when that is not possible.
std::string inPrivateNamespace(const std::function<void()>& body)
{
    std::string whyNot;
    std::thread worker([&] {
        if (unshare(CLONE_NEWNET) != 0) {
            whyNot = "cannot create a network namespace (needs root)";
            return;
        }
        if (std::system("ip link set lo up") != 0) {
            whyNot = "cannot bring up the namespace's loopback interface";
            return;
        }
        body();
    });
    worker.join();
    return whyNot;
}

}  // namespace

TEST(BulkSnmpd, WalksGiveTheSameRowsByGetBulkAsByGetNext)
{
    if (access(kSnmpd, X_OK) != 0) GTEST_SKIP() << "net-snmp's snmpd is not installed";
    if (geteuid() != 0) GTEST_SKIP() << "a private network namespace needs root";
    TempDir dir;
    const std::string config = dir.file("snmpd.conf");
    std::ofstream(config) << "rocommunity netrovtest 127.0.0.1\n"
                          << "sysLocation Bench of the bulk tests\n"
                          << "sysName netrov-bulk\n"
                          << "agentXSocket " << dir.file("agentx") << "\n"
                          << "master no\n";
    Service service(kDefinition);
    const std::string whyNot = inPrivateNamespace([&] {
        forgetDevices();
        Snmpd snmpd(config);
        ASSERT_TRUE(snmpd.started());
        // Up when it answers a GetNext.
        bool up = false;
        for (int i = 0; i < 50 && !up; ++i) {
            QuerySetup probe;
            const DeviceIdentity d = loopbackDevice(NETROV_SNMP_V1);
            ASSERT_EQ(prepareQuery(&probe, d, kInterfaceKeys, service.record()), NETROV_OK);
            up = requestValues(probe, SNMP_PDU_GETNEXT).code == NETROV_OK;
            if (!up) std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        ASSERT_TRUE(up) << "snmpd did not answer";

        for (const std::span<const KeyEntry> keys : {std::span<const KeyEntry>(kInterfaceKeys),
                                                     std::span<const KeyEntry>(kCapabilityKeys)}) {
            SCOPED_TRACE(keys[0].key);
            RowsResult byVersion[2];
            for (const int32_t version : {NETROV_SNMP_V1, NETROV_SNMP_V2C}) {
                QuerySetup setup;
                ASSERT_EQ(prepareQuery(&setup, loopbackDevice(version), keys, service.record()), NETROV_OK);
                byVersion[version] = walkTable(setup);
                ASSERT_EQ(byVersion[version].code, NETROV_OK);
            }
            EXPECT_FALSE(byVersion[0].rows.empty());
            EXPECT_EQ(texts(byVersion[1]), texts(byVersion[0]));
        }
        // A known row: the namespace's own loopback interface comes first.
        QuerySetup setup;
        ASSERT_EQ(prepareQuery(&setup, loopbackDevice(NETROV_SNMP_V2C), kInterfaceKeys, service.record()),
                  NETROV_OK);
        const RowsResult interfaces = walkTable(setup);
        ASSERT_FALSE(interfaces.rows.empty());
        const ReplyRow& lo = interfaces.rows[0];
        EXPECT_EQ(lo.values[0].integer(), 1);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(lo.values[1].data()), lo.values[1].length), "lo");
        EXPECT_EQ(lo.values[2].integer(), 24);  // softwareLoopback
        EXPECT_FALSE(bulkRefused("127.0.0.1"));
    });
    if (!whyNot.empty()) GTEST_SKIP() << whyNot;
}
