// A temporary fleet store that one watch round of netrov-cli fills, and the
// commands that read it back: what a test of the store's surfaces sets up.
#pragma once

#include <string>
#include <vector>

#include "temp_dir.h"

namespace netrov::test {

class StoreRound {
public:
    // cli: the netrov-cli to run; credentials: the options that name the
    // community and time-out, given to watch as they are.
    StoreRound(std::string cli, std::vector<std::string> credentials);

    // One round of watch over one address, with no SNMPv3 probe.
    std::vector<std::string> watchOnce(const std::string& address) const;
    std::vector<std::string> fleetJson() const;
    std::vector<std::string> historyJson(const std::string& address) const;
    const std::string& store() const { return store_; }

private:
    TempDir dir_;
    std::string cli_;
    std::vector<std::string> credentials_;
    std::string store_;
};

}  // namespace netrov::test
