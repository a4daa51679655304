// The desktop's SNMPv3 profiles: checked, read and saved with their pass phrases where they belong.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "profiles.h"

namespace netrov::ui {

class SecretStore;

// What is wrong with profile as an entry beside others (profiles of other
// names; one of the same name counts as a repeat); empty when nothing is.
// The text names fields, never their values.
std::string profileProblem(const core::CredentialProfile& profile, const std::vector<core::CredentialProfile>& others);

// Reads the profile file at path, taking the pass phrases it lacks from
// secrets (may be null: none to ask). A profile whose pass phrase is in
// neither place keeps it empty, for the editor to ask again. False with error
// set when the file is refused.
bool loadProfileBook(const std::filesystem::path& path, SecretStore* secrets,
                     std::vector<core::CredentialProfile>& profiles, std::string& error);

// Writes profiles to path, private to the user. With secrets the pass phrases
// go there and the file holds none (the entries of names in removed and of
// pass phrases a level no longer uses are deleted); without, they go in the
// file. False with error set when something could not be written.
bool saveProfileBook(const std::filesystem::path& path, const std::vector<core::CredentialProfile>& profiles,
                     const std::vector<std::string>& removed, SecretStore* secrets, std::string& error);

// Writes text to path through a new file of mode 0600 and a rename, making
// the folder (mode 0700) when it is missing.
bool writePrivateFile(const std::filesystem::path& path, const std::string& text);

// Lets this process's SNMP service read profiles whose pass phrases are in
// the secret store: writes them whole to a private copy in the user's runtime
// folder and points NETROV_PROFILES_FILE at it (once; the copy is removed when
// the program ends). Without secrets nothing is done, as the service reads
// the user's file. False when the copy cannot be written.
bool shareProfilesWithService(const std::vector<core::CredentialProfile>& profiles, SecretStore* secrets);

// The private copy's path for this process; empty when there is no runtime folder.
std::filesystem::path serviceProfilesPath();

// The user's profile file the desktop edits: core::profilesPath(), but never
// the private copy this process made for its service.
std::filesystem::path desktopProfilesPath();

// At start-up: when the user's profiles lack pass phrases that the secret
// store holds, shares them with the service. Asks the secret store only then.
void prepareDesktopProfiles();

}  // namespace netrov::ui
