// SNMPv3 in the service: a device read by v3 carries a profile name where others carry a community.
//
// The service reads the user's profile file itself and keeps, for the
// process, one user per profile (its master keys computed once) and one
// message model per address and profile (the engine, its boots and time and
// the localised keys learnt once). A profile name never reaches the wire as
// a community, and no pass phrase leaves this file's memory.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "netrov/result_codes.h"

namespace netrov::snmp {
class UsmModel;
}

namespace netrov::tessel {

struct V3Session {
    int32_t result = NETROV_OK;  // NETROV_OK with model set, else why there is none
    std::shared_ptr<const snmp::UsmModel> model;
};

// The model for reading address with the profile named profile:
// NETROV_V3_UNKNOWN_PROFILE when the file lacks it, NETROV_V3_PROFILE_REFUSED
// when the file is refused or the profile does not fit its level,
// NETROV_V3_UNAVAILABLE in a build without SNMPv3.
V3Session v3Session(const std::string& address, const std::string& profile);

// Reads profiles from path instead of the user's profile file; an empty
// path goes back to the user's file. Forgets what was read before.
void useProfilesFile(const std::filesystem::path& path);

// Forgets the profiles read and every engine learnt (tests start clean).
void forgetV3Sessions();

}  // namespace netrov::tessel
