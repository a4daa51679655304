// netrov-cli's choice of the source a device is read from (--source,
// --ipp-port), checked into the core's options.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "source_reading.h"

namespace netrov::cli {

struct SourceChoice {
    std::string source = "auto";
    int64_t ippPort = 631;
    std::string ippCredentials;  // the path of a private "user:password" file; empty: none
};

inline constexpr const char* kSourceHelp =
    "where the device is read from: auto (SNMP first, IPP when SNMP does not answer or lacks a reading; the "
    "default), snmp, ipp, or both (merged, with where they disagree)";
inline constexpr const char* kIppPortHelp = "the printer's IPP port (default 631); IPPS is used where it offers TLS";
inline constexpr const char* kIppCredentialsHelp =
    "a file readable by you alone whose first line is user:password, for a printer that asks IPP readers to log in";

// Fills out from the choice; the error in words, empty when it is sound.
// IPP in a build without it is an error, not a silent SNMP reading. A
// credentials file must be a readable file; the IPP reading refuses one
// that others may read, and never shows what it holds.
std::string checkSourceChoice(const SourceChoice& given, core::SourceOptions& out);

// Whether the status command renders the chosen source's reading rather
// than the SNMP status records: IPP or both asked, or SNMP silent and IPP allowed.
bool statusFromReading(const core::SourceOptions& source, bool snmpAnswered);
// The status command's output from one reading: the status, each alert with
// the device's text, the attention, the source and where the sources
// disagree (text, or one JSON object). The exit: 0, or 1 when the device
// was not read.
int printReadingStatus(const core::DeviceReport& report, bool json, std::ostream& out, std::ostream& err);

// The toner command's table (toner true) or the supplies command's (the
// supplies beside toner and paper) from one reading, for a printer read by
// another source than SNMP's supply tables; JSON gives the report's
// "toners" or "supplies" list. The exit: 0, or 1 when the device was not read.
int printReadingSupplies(const core::DeviceReport& report, bool toner, bool json, bool bars, std::ostream& out,
                         std::ostream& err);

// What a read command shows from one reading of another source than SNMP's
// tables: the model, the identity, the paper trays, the page count.
enum class ReadingView { Model, Info, Trays, Counters };
// The view as text, or JSON under the keys the SNMP rendering of the same
// command uses, with "source" beside them. The exit: 0, or 1 when the
// device was not read (or, for Model, sent no model name).
int printReadingView(ReadingView view, const core::DeviceReport& report, bool json, bool bars, std::ostream& out,
                     std::ostream& err);

// The one line a command whose facts only SNMP carries gives when another
// source is asked for it.
std::string snmpOnlyText(const std::string& command);

}  // namespace netrov::cli
