// A private virtual LAN of network namespaces with real mDNS responders:
// avahi-daemon in each printer's namespace publishes static service files
// with its message bus off, and one in the searcher's namespace answers
// clients on a private bus. Nothing reaches the machine's own interfaces.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "temp_dir.h"

namespace netrov::test {

struct MdnsService {
    std::string type;  // "_ipp._tcp"
    uint16_t port = 631;
    std::vector<std::string> txt;  // "key=value", in order
};

struct MdnsHost {
    std::string instanceName;  // every service of the host is published under it
    std::string hostName;      // without ".local"
    std::string ipv4;          // "10.203.0.5", or empty for none
    std::string ipv6;          // "fd03::5", or empty for none
    std::vector<MdnsService> services;
};

// Why an mDNS LAN cannot be made here; empty when it can.
std::string mdnsLanUnavailable();

class MdnsLan {
public:
    MdnsLan();  // the LAN's bridge and the searcher at 10.203.0.100 and fd03::100
    ~MdnsLan();  // ends every daemon and removes every namespace and file
    MdnsLan(const MdnsLan&) = delete;
    MdnsLan& operator=(const MdnsLan&) = delete;

    bool ok() const { return error_.empty(); }
    const std::string& error() const { return error_; }

    // A host in a namespace of its own, its daemon started.
    bool addHost(const MdnsHost& host);
    // snmpsimd serving walkFile (community: its name without .snmprec) on
    // port 161 of host's IPv4 address, host counted from 0 in the order
    // added; waits until it answers the searcher.
    bool serveSnmp(size_t host, const std::string& walkFile, int timeoutSeconds = 20);
    // Waits until every host has published its services, then starts the
    // searcher's bus and daemon and waits for them.
    bool startSearcher(int timeoutSeconds = 20);
    // fn's text, run in a child process in the searcher's namespace with the
    // private bus as its system bus.
    std::string runInSearcher(const std::function<std::string()>& fn, int timeoutSeconds = 30);
    // argv run in the searcher's namespace with the private bus, for runProgram.
    std::vector<std::string> searcherCommand(const std::vector<std::string>& argv) const;

private:
    bool shell(const std::string& command);
    bool addNamespace(const std::string& name);
    bool attach(const std::string& ns, const std::string& ipv4, const std::string& ipv6);
    pid_t startDaemon(const std::string& ns, const std::string& dir, bool avahi);
    // args in namespace ns with its output in log; avahiServices, when
    // given, is bound over the daemon's service folder.
    pid_t startIn(const std::string& ns, std::vector<std::string> args, const std::string& log,
                  const std::string& avahiServices);
    bool waitForLog(const std::string& path, const std::string& line, int timeoutSeconds);

    TempDir dir_;  // first made, last removed
    std::string prefix_;
    std::string lanNs_;
    std::string searcherNs_;
    std::vector<std::string> namespaces_;
    std::vector<pid_t> daemons_;
    std::vector<std::string> hostLogs_;
    std::vector<std::pair<std::string, std::string>> hostAddresses_;  // namespace, IPv4
    int ports_ = 0;
    std::string error_;
};

}  // namespace netrov::test
