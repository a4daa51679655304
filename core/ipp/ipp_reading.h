// Reading a printer over IPP or IPPS (Get-Printer-Attributes through libcups)
// into the one reading that every surface renders.
#pragma once

#include <cstdint>
#include <string>

#include "fleet_report.h"
#include "ipp_job_list.h"

namespace netrov::core::ipp {

inline constexpr int kIppPort = 631;

enum class Encryption : uint8_t {
    Auto,    // TLS when the printer offers it on the port, else plain HTTP
    Never,   // plain HTTP only
    Always,  // TLS only (an ipps URI)
};

struct IppTarget {
    std::string host;  // an IPv4 or IPv6 address or a name
    int port = kIppPort;
    std::string resource = "/ipp/print";
    Encryption encryption = Encryption::Auto;
    int timeOutSeconds = 3;  // each connect and each exchange
    // The fingerprints of certificates seen (core/ipp/ipp_trust.h); empty:
    // the user's data folder's.
    std::string trustFile{};
    // A private file (owner-only) whose first line is "user:password", for
    // printers that ask for HTTP authentication; empty: none.
    std::string credentialsFile{};
};

// Reads the printer: identity, status and its reasons as error-state bits,
// alerts, supplies (printer-supply, else the marker attributes), trays and
// the page count, judged as an SNMP reading is. A printer that does not
// answer gives answered = false; a certificate that changed since it was
// first seen is not trusted and the printer is not read. Every failure is
// in problems. Safe on many threads at once.
DeviceReport readIppReport(const IppTarget& target);

// Fills the report from a Get-Printer-Attributes response (an ipp_t), the
// part of the reading that needs no connection.
void fillFromAttributes(DeviceReport& report, const void* response);

// The printer's jobs that have not ended (Get-Jobs), asked over the same
// connection, trust and credentials as the reading. A printer that does not
// answer gives answered = false; every failure is in problems. Safe on many
// threads at once.
IppJobs readIppJobs(const IppTarget& target);
// Fills the list from a Get-Jobs response (an ipp_t): one job per job group,
// at most kMaxIppJobs, more set when the response holds another.
void fillJobs(IppJobs& jobs, const void* response);

}  // namespace netrov::core::ipp
