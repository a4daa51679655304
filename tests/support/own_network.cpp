// The test process's own network namespace.
#include "own_network.h"

#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace netrov::test {

std::string enterOwnNetwork()
{
    if (geteuid() != 0) return "a network namespace of its own needs root";
    if (unshare(CLONE_NEWNET) != 0) return std::string("unshare(CLONE_NEWNET): ") + std::strerror(errno);
    const int s = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (s < 0) return std::string("socket: ") + std::strerror(errno);
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    bool up = ioctl(s, SIOCGIFFLAGS, &request) == 0;
    if (up && !(request.ifr_flags & IFF_UP)) {
        request.ifr_flags |= IFF_UP;
        up = ioctl(s, SIOCSIFFLAGS, &request) == 0;
    }
    close(s);
    return up ? std::string() : "the namespace's loopback does not come up";
}

}  // namespace netrov::test
