// netrov-cli's choice of the source a device is read from (--source,
// --ipp-port), checked into the core's options.
#pragma once

#include <cstdint>
#include <string>

#include "source_reading.h"

namespace netrov::cli {

struct SourceChoice {
    std::string source = "auto";
    int64_t ippPort = 631;
};

inline constexpr const char* kSourceHelp =
    "where the device is read from: auto (SNMP first, IPP when SNMP does not answer or lacks a reading; the "
    "default), snmp, ipp, or both (merged, with where they disagree)";
inline constexpr const char* kIppPortHelp = "the printer's IPP port (default 631); IPPS is used where it offers TLS";

// Fills out from the choice; the error in words, empty when it is sound.
// IPP in a build without it is an error, not a silent SNMP reading.
std::string checkSourceChoice(const SourceChoice& given, core::SourceOptions& out);

}  // namespace netrov::cli
