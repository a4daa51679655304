// netrov-cli's device reading commands: toner, supplies, trays, marker,
// counters, versions, jobs and logs, fax and scanner, network settings and
// statistics, any query by name, and the inventory of every described query.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

#include <netrov/device_identity.h>

namespace netrov::cli {

enum class ReadCommand { Toner, Supplies, Trays, Marker, Query, Inventory, Counters, Versions, Jobs, Fax, Scanner, Network };

struct ReadOptions {
    std::string community;
    int32_t timeOut = 0;
    bool json = false;
    bool bars = false;     // draw percentages as bars (stdout is a terminal)
    std::string query;     // for ReadCommand::Query
    bool jobLog = false;   // for ReadCommand::Jobs: the job log,
    bool faxLog = false;   // the fax log, instead of the current jobs
};

// A request identity for an SNMP device at this address.
DeviceIdentity deviceAt(uint32_t address, const std::string& community, int32_t timeOut);

// Reads the model name into the identity: it picks the support package that
// serves the device's other queries. The front library must be started;
// the result is the model query's (NETROV_NO_REPLY for a silent device).
int32_t identifyModel(DeviceIdentity& device);

// Runs the command against the device (front library already started);
// returns the program's exit code: 0, 1 when the device failed, 2 for an
// unknown query name.
int runReadCommand(ReadCommand command, uint32_t address, const ReadOptions& options, std::ostream& out,
                   std::ostream& err);

// "[#####     ]  50%" (width 10), or the remaining text for a level code.
std::string percentCell(bool present, int32_t percent, const std::string& remainingText, bool bar);

}  // namespace netrov::cli
