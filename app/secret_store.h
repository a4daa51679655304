// Where the desktop keeps SNMPv3 pass phrases: the desktop's secret store when one answers.
#pragma once

#include <memory>
#include <string>

#include "profiles.h"

namespace netrov::ui {

// A store of secrets by key. Implementations never log or show a value.
class SecretStore {
public:
    virtual ~SecretStore() = default;
    // True when found; false when the key is missing or the store fails.
    virtual bool read(const std::string& key, core::SecretText& value) = 0;
    virtual bool write(const std::string& key, const core::SecretText& value) = 0;
    // True when the key is gone afterwards, also when it was never there.
    virtual bool remove(const std::string& key) = 0;
};

// The service name the desktop's entries stand under.
inline constexpr const char* kSecretService = "netrov";

// The keys of a profile's pass phrases: "<profile>/auth" and "<profile>/priv".
std::string authSecretKey(const std::string& profile);
std::string privSecretKey(const std::string& profile);

// The desktop's secret store when the program is built with it and a secret
// service answers; null otherwise, so pass phrases stay in the profile file.
std::unique_ptr<SecretStore> desktopSecretStore();

// The store the program uses, asked for once: desktopSecretStore() on first
// use, or what useSecretStore set. Null when none answers.
SecretStore* desktopSecrets();
// Replaces the program's store (tests give a fake one, or null for none).
void useSecretStore(std::unique_ptr<SecretStore> store);

}  // namespace netrov::ui
