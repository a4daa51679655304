// Agent tests serve port 161 on loopback addresses. Each test process gets a
// network namespace of its own when it may create one, so agent tests of
// different processes run side by side without meeting on a port; where no
// namespace can be made, the processes take turns through a lock file.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>

#include "own_network.h"

namespace {

class PrivateNetwork : public ::testing::Environment {
public:
    // Runs before the first test, not when the tests are only listed.
    void SetUp() override
    {
        if (netrov::test::enterOwnNetwork().empty()) return;
        // Held until the process ends; the kernel lets it go then.
        const int lock = open("/tmp/netrov-agent-tests.lock", O_CREAT | O_RDWR | O_CLOEXEC, 0666);
        if (lock >= 0) flock(lock, LOCK_EX);
    }
};

[[maybe_unused]] ::testing::Environment* const kPrivateNetwork = ::testing::AddGlobalTestEnvironment(new PrivateNetwork);

}  // namespace
