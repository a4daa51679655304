// netrov-cli's device reading commands: toner, supplies, trays, marker,
// counters, versions, jobs and logs, fax and scanner, network settings and
// statistics, any query by name, and the inventory of every described query.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

#include <nlohmann/json.hpp>

#include "net_address.h"
#include "query_reading.h"
#include "record_schema.h"
#include "source_reading.h"

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
    // Where the facts come from. Toner, supplies, trays and counters of a
    // printer SNMP does not answer are read over IPP where the source allows
    // it; the other commands refuse a source other than SNMP (or auto).
    core::SourceOptions source = core::snmpOnly();
};

// Runs the command against the device, starting and releasing the front
// library; returns the program's exit code: kExitOk, kExitFailed when the
// device failed, kExitBadInput for an unknown query name or a source that
// does not carry the command's facts.
int runReadCommand(ReadCommand command, const core::NetAddress& address, const ReadOptions& options, std::ostream& out,
                   std::ostream& err);

// Every present field of every record as "Label: value" lines: human labels,
// standard codes in words, and one line where a code and the device's text
// for it share a label.
std::string recordText(const core::QuerySchema& query, const core::QueryReading& reading);

// Adds to each record of a reading's JSON the words of its standard codes
// under "<key>Text" beside the number, and for a record with a remaining
// percentage "level" (0..100 or null) and "levelState" ("ok", "low",
// "empty", "unknown", "some_remaining", "not_reported").
void addWords(const core::RecordSchema& schema, nlohmann::json& reading);

// "[#####     ]  50%" (width 10), or the remaining text for a level code.
std::string percentCell(bool present, int32_t percent, const std::string& remainingText, bool bar);

}  // namespace netrov::cli
