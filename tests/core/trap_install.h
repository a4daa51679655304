// A throw-away installation whose fallback package defines the trap and job objects, for Set tests.
#pragma once

#include <filesystem>
#include <string>

#include "temp_dir.h"

namespace netrov::test {

inline constexpr const char* kModelColumn = "1.3.6.1.2.1.25.3.2.1.3";
inline constexpr const char* kDeviceTrapObject = "1.3.6.1.4.1.32473.8.1.0";
inline constexpr const char* kJobTrapObject = "1.3.6.1.4.1.32473.8.2.0";
inline constexpr const char* kJobContinueObject = "1.3.6.1.4.1.32473.8.3.1";
inline constexpr const char* kJobCancelObject = "1.3.6.1.4.1.32473.8.4.1";

// The build's programs and libraries copied into a temporary directory with
// the standard package, whose definition document also names the four Set
// objects above (all but the one whose key is given in without).
class TrapInstall {
public:
    explicit TrapInstall(const std::string& without = {});

    const std::filesystem::path& dir() const { return temp_.path(); }
    std::string program(const std::string& name) const { return (dir() / name).string(); }

private:
    TempDir temp_;
};

}  // namespace netrov::test
