// netrov-cli's current jobs of a printer read over IPP, as a text table like
// the SNMP jobs' or as JSON.
#pragma once

#include <iosfwd>

#include "ipp/ipp_job_list.h"

namespace netrov::cli {

// Prints the jobs (device texts made terminal-safe, JSON escaped); returns
// kExitOk, or kExitFailed with the problems on err when the printer gave no
// list.
int printIppJobs(const core::ipp::IppJobs& jobs, bool json, std::ostream& out, std::ostream& err);

}  // namespace netrov::cli
