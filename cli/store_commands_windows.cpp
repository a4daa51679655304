// netrov-cli's fleet store commands in the Windows build, which has no
// store (SQLite is built for Linux only): they say so, and the report and the
// check read no store.
#include "store_commands.h"
#include "notify_commands.h"

#include <ostream>

#include "exit_codes.h"

namespace netrov::cli {

namespace {

constexpr const char* kNoStore = "the fleet store is not part of the Windows build";

int noStore(std::ostream& err)
{
    err << "netrov-cli: " << kNoStore << "\n";
    return kExitBadInput;
}

}  // namespace

Checked<int64_t> parseInterval(const std::string&) { return {std::nullopt, kNoStore}; }
std::string defaultStorePath() { return {}; }
std::string utcText(int64_t) { return {}; }
std::string storeToRead(const std::string&) { return {}; }
std::string addStoredViews(const std::string&, std::span<core::DeviceReport>, int64_t) { return {}; }

int runWatch(const WatchOptions&, const std::atomic<int>&, std::ostream&, std::ostream& err) { return noStore(err); }

int runHistory(const std::string&, const std::string&, bool, std::ostream&, std::ostream& err) { return noStore(err); }

int runFleet(const std::string&, FleetFormat, std::ostream&, std::ostream& err) { return noStore(err); }

// Notices need libcurl and the journal, and events and order the store.
int runNotifyTest(const NotifyTestOptions&, std::ostream&, std::ostream& err)
{
    err << "netrov-cli: notices are not part of the Windows build\n";
    return kExitBadInput;
}

int runEvents(const EventsOptions&, std::ostream&, std::ostream& err) { return noStore(err); }

int runOrder(const OrderOptions&, std::ostream&, std::ostream& err) { return noStore(err); }

}  // namespace netrov::cli
