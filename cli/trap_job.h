// netrov-cli trap on / job cancel / job continue: one Set request per switch through the front library.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "front_library.h"
#include "net_address.h"

namespace netrov::cli {

enum class SetCommand { TrapOn, JobCancel, JobContinue };

// Runs the command against the checked address (job commands then print the
// number of current jobs the device reports afterwards) with the community and
// time-out already checked, through library's access; starts the library and
// releases it at the end. Returns the exit code: kExitOk done, kExitFailed the
// device or its definition did not allow it. snmpVersion is a NETROV_SNMP_* of
// include/netrov/snmp_version.h.
int runSetCommand(core::FrontLibrary& library, SetCommand command, const core::NetAddress& address, const std::string& community,
                  int32_t timeOut, bool json, std::ostream& out, std::ostream& err, int32_t snmpVersion = 0);

}  // namespace netrov::cli
