// netrov-cli's search of any number of addresses: the paced sweep finds the
// addresses that answer SNMP, and the front library's normal search then
// reads those, 255 at a time, so every device found is what a per-address
// search reports.
#pragma once

#include <atomic>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "device_list.h"
#include "front_library.h"
#include "search_run.h"
#include "search_settings.h"
#include "targets.h"

namespace netrov::cli {

struct SweepSearch {
    core::SearchSettings settings{};  // community, time-out, retry, maker filter, broadcast
    core::SearchExtent extent;        // more communities and the SNMP version; its blocks are not read
    std::string maker;
    uint32_t rate = 0;
    bool showProgress = false;
    // The front library that reads the devices found; null: the process's own.
    core::FrontLibrary* library = nullptr;
};

struct SweepOutcome {
    bool interrupted = false;
    std::string error;
    size_t responders = 0;
    // Addresses that answered only the SNMPv3 probe and no profile given
    // reached, by address.
    std::vector<core::CredentialsNeeded> credentialsNeeded;
};

// Found devices are added to devices; an interruption keeps what was found.
// interrupted counts interruptions: the first one during the sweep ends the
// sweep and the addresses that answered so far are still read, so they can
// be listed; the next one (or the first once reading has begun) ends the
// reading, keeping the devices read to the end.
// IPv4 targets are swept first, then IPv6 ones over an IPv6 socket; the
// progress counts both as one sweep.
SweepOutcome sweepSearch(const TargetList& targets, const SweepSearch& search, core::DeviceList& devices,
                         const std::atomic<int>& interrupted, std::ostream& err);

// "sweeping  12034/65534 sent, 3 answered, about 2 s left" for stderr.
std::string sweepProgressLine(size_t sent, size_t total, size_t answered, double remainingSeconds);

}  // namespace netrov::cli
