// IPv6 addresses on a private namespace's loopback interface.
#include "loopback6.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <string>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace netrov::test {

namespace {

// The kernel's request to add an IPv6 address (struct in6_ifreq).
struct Ipv6InterfaceRequest {
    in6_addr address;
    uint32_t prefixLength;
    int interfaceIndex;
};

// A namespace the process made itself differs from the one its parent runs in.
bool inOwnNamespace()
{
    struct stat own {};
    struct stat parent {};
    const std::string parentNamespace = "/proc/" + std::to_string(getppid()) + "/ns/net";
    if (stat("/proc/self/ns/net", &own) != 0 || stat(parentNamespace.c_str(), &parent) != 0) return false;
    return own.st_ino != parent.st_ino || own.st_dev != parent.st_dev;
}

}  // namespace

std::string addLoopbackIpv6(const std::vector<std::string>& addresses)
{
    if (!inOwnNamespace()) return "no private network namespace: IPv6 test addresses need one (run as root)";
    const unsigned index = if_nametoindex("lo");
    if (index == 0) return "no loopback interface";
    const int fd = socket(AF_INET6, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return std::string("no IPv6 here: ") + std::strerror(errno);
    std::string whyNot;
    for (const std::string& text : addresses) {
        Ipv6InterfaceRequest request{};
        request.prefixLength = 128;
        request.interfaceIndex = static_cast<int>(index);
        if (inet_pton(AF_INET6, text.c_str(), &request.address) != 1) {
            whyNot = "not an IPv6 address: " + text;
            break;
        }
        if (ioctl(fd, SIOCSIFADDR, &request) != 0 && errno != EEXIST) {
            whyNot = "cannot add " + text + " to lo: " + std::strerror(errno);
            break;
        }
    }
    close(fd);
    return whyNot;
}

}  // namespace netrov::test
