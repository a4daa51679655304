// Runs Debian's ippeveprinter as an IPP printer for tests: on localhost
// (127.0.0.1 and ::1, or another IPv6 address of the namespace's loopback)
// of the test process's own network namespace, with no
// DNS-SD registration, attributes from a file the test writes, and the
// state reasons and alerts its print command reports for a job it prints. It answers plain IPP and TLS on
// one port, with a self-signed certificate kept in a folder of its own.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <sys/types.h>

#include "temp_dir.h"

namespace netrov::test {

struct IppJobSubmission {
    std::string user;
    std::string name;
};

struct IppPrinterSetup {
    std::string name = "NetRov IPP";
    int port = 8631;
    // Lines of its attributes file: "ATTR octetString printer-supply ...".
    std::vector<std::string> attributes;
    // What the printer's command says while it prints the one job run once
    // the printer is up: "STATE: +media-jam,cover-open" raises state reasons,
    // "ATTR: printer-alert='...' printer-alert-description='...'" sets the
    // alerts (the attributes file cannot set them).
    std::vector<std::string> jobMessages;
    // Where its certificate and key live; empty: a folder of its own. A new
    // folder makes a new certificate.
    std::string keyDir;
    // An IPv6 address (fd00::/8) it serves on instead of ::1, added to the
    // loopback of the test's own network namespace; empty: ::1.
    std::string ipv6Address;
    // Jobs submitted once it is up, in order: each but the last is printed
    // to its end, and the print command holds the last one, processing,
    // until the printer stops (it takes one job at a time).
    std::vector<IppJobSubmission> jobs;
};

class IppEvePrinter {
public:
    explicit IppEvePrinter(IppPrinterSetup setup);
    ~IppEvePrinter();
    IppEvePrinter(const IppEvePrinter&) = delete;
    IppEvePrinter& operator=(const IppEvePrinter&) = delete;

    // What of the Debian packages is not installed; empty when all are.
    static std::string missing();

    bool ready() const { return ready_; }
    const std::string& whyNot() const { return whyNot_; }
    std::string log() const;
    int port() const { return setup_.port; }

private:
    bool start();
    bool printJobs();
    bool submit(const IppJobSubmission& job, bool hold);
    void stop();

    IppPrinterSetup setup_;
    std::unique_ptr<TempDir> dir_;
    pid_t bus_ = -1;
    pid_t printer_ = -1;
    bool ready_ = false;
    std::string whyNot_;
};

// Whether something accepts a TCP connection on 127.0.0.1:port within the time.
bool tcpAnswers(int port, int timeoutMs);
// Whether the process is in a network namespace of the test's own (the
// loopback its only interface), not the machine's.
bool inOwnNetwork();

}  // namespace netrov::test
