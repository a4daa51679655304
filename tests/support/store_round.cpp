// A temporary fleet store filled by one watch round, and its readers' commands.
#include "store_round.h"

#include <utility>

namespace netrov::test {

StoreRound::StoreRound(std::string cli, std::vector<std::string> credentials)
    : cli_(std::move(cli)), credentials_(std::move(credentials)), store_(dir_.file("fleet.db"))
{
}

std::vector<std::string> StoreRound::watchOnce(const std::string& address) const
{
    std::vector<std::string> argv = {cli_, "watch", "--address", address, "--rounds", "1", "--no-v3-probe",
                                     "--store", store_};
    argv.insert(argv.end(), credentials_.begin(), credentials_.end());
    return argv;
}

std::vector<std::string> StoreRound::fleetJson() const { return {cli_, "fleet", "--json", "--store", store_}; }

std::vector<std::string> StoreRound::historyJson(const std::string& address) const
{
    return {cli_, "history", address, "--json", "--store", store_};
}

}  // namespace netrov::test
