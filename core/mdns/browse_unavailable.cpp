// The search by mDNS where this build has no mDNS client: it says so.
#include "mdns_printers.h"

namespace netrov::mdns {

BrowseResult browsePrinters(std::chrono::milliseconds, const std::atomic<int>*)
{
    BrowseResult result;
    result.status = BrowseStatus::NotAvailable;
    result.error = "this build of NetRov has no mDNS support (it needs the Avahi client library, on Linux)";
    return result;
}

}  // namespace netrov::mdns
