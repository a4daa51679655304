// The two phases of a large search.
#include "sweep_search.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ostream>
#include <thread>
#include <utility>

#include "front_library.h"
#include "net_address.h"
#include "report.h"
#include "search_run.h"
#include "sweep.h"
#ifdef NETROV_HAVE_USM
#include "snmp/v3_discovery.h"
#endif

namespace netrov::cli {

namespace {

// Runs one search over a list of at most 255 addresses and adds what it
// found; false when interrupted (interrupted reached stopAt), keeping the
// devices whose queries had ended.
bool searchRun(core::FrontLibrary& library, const core::SearchSettings& settings, const core::SearchExtent& extent,
               const std::vector<core::NetAddress>& addresses, const std::string& maker, core::DeviceList& all,
               const std::atomic<int>& interrupted, int stopAt)
{
    core::SearchAddressList list;
    std::vector<core::NetAddress> addresses6;
    for (const core::NetAddress& a : addresses) {
        if (a.v6)
            addresses6.push_back(a);
        else
            list.append(core::addressToText(a.v4));
    }
    core::SearchSettings run = settings;
    run.IPSearch = list.count() > 0 || !addresses6.empty() ? 1 : 0;
    core::DeviceList found;
    core::SearchRun search(library, found);
    search.setIpv6Addresses(std::move(addresses6));
    // The user's time-out also bounds the queries of the devices found.
    search.setFoundDeviceTimeOut(settings.TimeOut);
    core::SearchExtent communitiesAndVersion = extent;
    communitiesAndVersion.blocks.clear();
    search.setExtent(std::move(communitiesAndVersion));
    if (!search.start(run, list, maker)) return true;
    while (!search.ended()) {
        if (interrupted.load() >= stopAt) {
            // An entry is listed only once its queries have ended, so what
            // is listed now is complete; abort then empties the run's list.
            for (const core::DeviceListEntry& entry : found.copyAll()) all.appendUnique(entry);
            search.abort();
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    search.wait();
    for (const core::DeviceListEntry& entry : found.copyAll()) {
        all.appendUnique(entry);
    }
    return true;
}

}  // namespace

std::string sweepProgressLine(size_t sent, size_t total, size_t answered, double remainingSeconds)
{
    const int width = static_cast<int>(std::to_string(total).size());
    std::string sentText = std::to_string(sent);
    sentText.insert(0, static_cast<size_t>(std::max(0, width - static_cast<int>(sentText.size()))), ' ');
    return "sweeping " + sentText + "/" + std::to_string(total) + " sent, " + std::to_string(answered) +
           " answered, about " + std::to_string(static_cast<long>(std::ceil(remainingSeconds))) + " s left";
}

SweepOutcome sweepSearch(const TargetList& targets, const SweepSearch& search, core::DeviceList& devices,
                         const std::atomic<int>& interrupted, std::ostream& err)
{
    SweepOutcome outcome;
    core::SweepSettings sweepSettings;
    const std::vector<std::string> communities = core::communityList(search.settings, search.extent);
    sweepSettings.community = communities.empty() ? std::string() : communities.front();
    if (!communities.empty()) sweepSettings.moreCommunities.assign(communities.begin() + 1, communities.end());
    sweepSettings.timeOutMs = search.settings.TimeOut * 1000;
    sweepSettings.rate = search.rate;
    // Printers that speak only SNMPv3 answer the probe and go on to be read by profile.
    sweepSettings.probeV3 = search.extent.probeV3;
    sweepSettings.snmpVersion = search.extent.snmpVersion;
    size_t shown = 0;
    // The IPv6 sweep follows the IPv4 one: its counts go on from where that one ended.
    size_t sentBefore = 0;
    size_t answeredBefore = 0;
    const auto progress = [&](const core::SweepProgress& p) {
        if (!search.showProgress) return;
        const double rate = std::max<double>(search.rate, 1);
        const double later = static_cast<double>(targets.size() - sentBefore - p.total) / rate;
        const std::string line = sweepProgressLine(sentBefore + p.sent, targets.size(), answeredBefore + p.answered,
                                                   p.remainingSeconds + later);
        err << "\r" << line << std::string(shown > line.size() ? shown - line.size() : 0, ' ') << std::flush;
        shown = line.size();
    };
    core::SweepResult swept = core::sweep(targets.v4, sweepSettings, &interrupted, progress);
    if (swept.error.empty() && !swept.interrupted && !targets.v6.empty()) {
        sentBefore = targets.v4.size();
        answeredBefore = swept.responders.size();
        core::SweepResult swept6 = core::sweep(targets.v6, sweepSettings, &interrupted, progress);
        swept.error = std::move(swept6.error);
        swept.interrupted = swept6.interrupted;
        swept.responders6 = std::move(swept6.responders6);
        swept.answeredWith.insert(swept.answeredWith.end(), swept6.answeredWith.begin(), swept6.answeredWith.end());
        for (auto& engine : swept6.engines) swept.engines.push_back(std::move(engine));
    }
    if (search.showProgress && shown) err << "\r" << std::string(shown, ' ') << "\r" << std::flush;
    // Every responder as an address of either family, IPv4 ones first, in the
    // order answeredWith and engines keep.
    std::vector<core::NetAddress> responders;
    responders.reserve(swept.responders.size() + swept.responders6.size());
    for (const uint32_t a : swept.responders) responders.push_back(core::ipv4Address(a));
    responders.insert(responders.end(), swept.responders6.begin(), swept.responders6.end());
    outcome.responders = responders.size();
    if (!swept.error.empty()) {
        outcome.error = swept.error;
        return outcome;
    }
    // Interrupted while sweeping: the addresses that answered are still read
    // (a second interruption stops that too), so the list is what was found.
    outcome.interrupted = swept.interrupted;
    const int stopAt = swept.interrupted ? 2 : 1;
    if (swept.interrupted && !responders.empty())
        err << "interrupted; reading the " << countText(responders.size(), "address", "addresses")
            << " that answered so far (interrupt again to stop)\n"
            << std::flush;

    // An address that answered only the SNMPv3 probe is asked by profile
    // alone: its silence to every community is known already, and waiting
    // for it again would cost a time-out per community.
    std::vector<core::NetAddress> byCommunity;
    std::vector<core::NetAddress> v3Only;
    for (size_t i = 0; i < responders.size(); ++i)
        (swept.answeredWith[i] == communities.size() ? v3Only : byCommunity).push_back(responders[i]);
    core::SearchExtent profileExtent = search.extent;
    profileExtent.askCommunities = false;
    profileExtent.probeV3 = false;

    // The broadcast, when asked for, runs with the first list.
    core::FrontLibrary& library = search.library ? *search.library : core::FrontLibrary::tuva();
    const size_t step = core::kMaxAddresses;
    const size_t total = responders.size();
    bool broadcastPending = search.settings.BroadCast != 0 && !swept.interrupted;
    size_t read = 0;
    for (const bool profilesOnly : {false, true}) {
        const std::vector<core::NetAddress>& addresses = profilesOnly ? v3Only : byCommunity;
        if (profilesOnly && search.extent.profiles.empty()) break;
        for (size_t first = 0; first < addresses.size() || broadcastPending; first += step) {
            const size_t last = std::min(addresses.size(), first + step);
            std::vector<core::NetAddress> chunk(addresses.begin() + static_cast<std::ptrdiff_t>(std::min(first, last)),
                                        addresses.begin() + static_cast<std::ptrdiff_t>(last));
            core::SearchSettings settings = search.settings;
            settings.BroadCast = broadcastPending ? 1 : 0;
            broadcastPending = false;
            read += chunk.size();
            if (search.showProgress) err << "\rreading devices " << read << "/" << total << std::flush;
            if (!searchRun(library, settings, profilesOnly ? profileExtent : search.extent, chunk, search.maker, devices,
                           interrupted, stopAt)) {
                outcome.interrupted = true;
                break;
            }
        }
        if (outcome.interrupted) break;
    }
    if (search.showProgress) err << "\r" << std::string(40, ' ') << "\r" << std::flush;

    // A v3-only address that no profile reached is listed as needing
    // credentials, with the maker its engine names.
    std::vector<std::string> reached;
    for (const core::DeviceListEntry& entry : devices.copyAll()) reached.push_back(core::deviceAddressText(entry.identity));
    std::sort(reached.begin(), reached.end());
    for (size_t i = 0; i < responders.size() && !outcome.interrupted; ++i) {
        if (swept.answeredWith[i] != communities.size()) continue;
        if (std::binary_search(reached.begin(), reached.end(), core::netAddressText(responders[i]))) continue;
        core::CredentialsNeeded needed;
        if (responders[i].v6)
            needed.ipv6 = core::netAddressText(responders[i]);
        else
            needed.address = responders[i].v4;
#ifdef NETROV_HAVE_USM
        needed.enterprise = snmp::enterpriseOf(swept.engines[i]);
#endif
        outcome.credentialsNeeded.push_back(needed);
    }
    core::sortCredentialsNeeded(outcome.credentialsNeeded);
    return outcome;
}

}  // namespace netrov::cli
