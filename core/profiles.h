// SNMPv3 credential profiles as the core and its programs name them; the
// reader lives in the SNMP library, which reads profiles for the service too.
#pragma once

#include "snmp/profiles.h"

namespace netrov::core {

using snmp::authName;
using snmp::CredentialProfile;
using snmp::findProfile;
using snmp::formatProfiles;
using snmp::kMinPassphrase;
using snmp::levelName;
using snmp::loadProfiles;
using snmp::parseProfiles;
using snmp::Passphrases;
using snmp::privName;
using snmp::ProfileError;
using snmp::profilesPath;
using snmp::SecretText;
using snmp::wipeText;

}  // namespace netrov::core
