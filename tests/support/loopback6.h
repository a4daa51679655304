// More IPv6 addresses on the loopback interface of a test's own network
// namespace, so that several IPv6 agents can be served and swept there.
#pragma once

#include <string>
#include <vector>

namespace netrov::test {

// Adds each address as a /128 to "lo". Done only inside a network namespace
// of the test process's own (the private network of the agent tests): the
// machine's interfaces are never changed. Empty when every address is
// there, else why not.
std::string addLoopbackIpv6(const std::vector<std::string>& addresses);

}  // namespace netrov::test
