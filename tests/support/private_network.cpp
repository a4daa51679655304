// Agent tests serve port 161 on loopback addresses. Each test process gets a
// network namespace of its own when it may create one, so agent tests of
// different processes run side by side without meeting on a port; where no
// namespace can be made, the processes take turns through a lock file.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <net/if.h>
#include <sched.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

namespace {

bool bringLoopbackUp()
{
    const int s = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (s < 0) return false;
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    bool up = ioctl(s, SIOCGIFFLAGS, &request) == 0;
    if (up && !(request.ifr_flags & IFF_UP)) {
        request.ifr_flags |= IFF_UP;
        up = ioctl(s, SIOCSIFFLAGS, &request) == 0;
    }
    close(s);
    return up;
}

class PrivateNetwork : public ::testing::Environment {
public:
    // Runs before the first test, not when the tests are only listed.
    void SetUp() override
    {
        if (geteuid() == 0 && unshare(CLONE_NEWNET) == 0 && bringLoopbackUp()) return;
        // Held until the process ends; the kernel lets it go then.
        const int lock = open("/tmp/netrov-agent-tests.lock", O_CREAT | O_RDWR | O_CLOEXEC, 0666);
        if (lock >= 0) flock(lock, LOCK_EX);
    }
};

[[maybe_unused]] ::testing::Environment* const kPrivateNetwork = ::testing::AddGlobalTestEnvironment(new PrivateNetwork);

}  // namespace
