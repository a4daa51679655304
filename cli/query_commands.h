// netrov-cli's device reading commands: toner, supplies, trays, marker,
// counters, versions, jobs and logs, fax and scanner, network settings and
// statistics, any query by name, and the inventory of every described query.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

namespace netrov::cli {

enum class ReadCommand { Toner, Supplies, Trays, Marker, Query, Inventory, Counters, Versions, Jobs, Fax, Scanner, Network };

struct ReadOptions {
    std::string community;
    int32_t snmpVersion = 0;  // NETROV_SNMP_* of include/netrov/snmp_version.h
    int32_t timeOut = 0;
    bool json = false;
    bool bars = false;     // draw percentages as bars (stdout is a terminal)
    std::string query;     // for ReadCommand::Query
    bool jobLog = false;   // for ReadCommand::Jobs: the job log,
    bool faxLog = false;   // the fax log, instead of the current jobs
};

// Runs the command against the device, starting and releasing the front
// library; returns the program's exit code: kExitOk, kExitFailed when the
// device failed, kExitBadInput for an unknown query name.
int runReadCommand(ReadCommand command, uint32_t address, const ReadOptions& options, std::ostream& out,
                   std::ostream& err);

// "[#####     ]  50%" (width 10), or the remaining text for a level code.
std::string percentCell(bool present, int32_t percent, const std::string& remainingText, bool bar);

}  // namespace netrov::cli
