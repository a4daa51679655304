// netrov-cli trap on / job cancel / job continue: one Set request per switch through tuva.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

namespace netrov::cli {

enum class SetCommand { TrapOn, JobCancel, JobContinue };

// Why a Set result is not success, in a few words; "" for 0.
std::string setFailureText(int32_t result);

// Runs the command against the checked address with the community and
// time-out already checked. Starts and releases the front library. Returns
// the exit code: 0 done, 1 the device or its definition did not allow it.
int runSetCommand(SetCommand command, uint32_t address, const std::string& community, int32_t timeOut, bool json,
                  std::ostream& out, std::ostream& err);

}  // namespace netrov::cli
