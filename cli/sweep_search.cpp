// The two phases of a large search.
#include "sweep_search.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ostream>
#include <thread>
#include <utility>

#include "front_library.h"
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
               const std::vector<uint32_t>& addresses, const std::string& maker, core::DeviceList& all,
               const std::atomic<int>& interrupted, int stopAt)
{
    core::SearchAddressList list;
    for (const uint32_t a : addresses) list.append(core::addressToText(a));
    core::SearchSettings run = settings;
    run.IPSearch = list.count() > 0 ? 1 : 0;
    core::DeviceList found;
    core::SearchRun search(library, found);
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

SweepOutcome sweepSearch(const std::vector<uint32_t>& targets, const SweepSearch& search, core::DeviceList& devices,
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
    const auto progress = [&](const core::SweepProgress& p) {
        if (!search.showProgress) return;
        const std::string line = sweepProgressLine(p.sent, p.total, p.answered, p.remainingSeconds);
        err << "\r" << line << std::string(shown > line.size() ? shown - line.size() : 0, ' ') << std::flush;
        shown = line.size();
    };
    const core::SweepResult swept = core::sweep(targets, sweepSettings, &interrupted, progress);
    if (search.showProgress && shown) err << "\r" << std::string(shown, ' ') << "\r" << std::flush;
    outcome.responders = swept.responders.size();
    if (!swept.error.empty()) {
        outcome.error = swept.error;
        return outcome;
    }
    // Interrupted while sweeping: the addresses that answered are still read
    // (a second interruption stops that too), so the list is what was found.
    outcome.interrupted = swept.interrupted;
    const int stopAt = swept.interrupted ? 2 : 1;
    if (swept.interrupted && !swept.responders.empty())
        err << "interrupted; reading the " << countText(swept.responders.size(), "address", "addresses")
            << " that answered so far (interrupt again to stop)\n"
            << std::flush;

    // An address that answered only the SNMPv3 probe is asked by profile
    // alone: its silence to every community is known already, and waiting
    // for it again would cost a time-out per community.
    std::vector<uint32_t> byCommunity;
    std::vector<uint32_t> v3Only;
    for (size_t i = 0; i < swept.responders.size(); ++i)
        (swept.answeredWith[i] == communities.size() ? v3Only : byCommunity).push_back(swept.responders[i]);
    core::SearchExtent profileExtent = search.extent;
    profileExtent.askCommunities = false;
    profileExtent.probeV3 = false;

    // The broadcast, when asked for, runs with the first list.
    core::FrontLibrary& library = search.library ? *search.library : core::FrontLibrary::tuva();
    const size_t step = core::kMaxAddresses;
    const size_t total = swept.responders.size();
    bool broadcastPending = search.settings.BroadCast != 0 && !swept.interrupted;
    size_t read = 0;
    for (const bool profilesOnly : {false, true}) {
        const std::vector<uint32_t>& addresses = profilesOnly ? v3Only : byCommunity;
        if (profilesOnly && search.extent.profiles.empty()) break;
        for (size_t first = 0; first < addresses.size() || broadcastPending; first += step) {
            const size_t last = std::min(addresses.size(), first + step);
            std::vector<uint32_t> chunk(addresses.begin() + static_cast<std::ptrdiff_t>(std::min(first, last)),
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
    std::vector<uint32_t> reached;
    for (const core::DeviceListEntry& entry : devices.copyAll()) reached.push_back(core::loadAddress(entry.identity.address));
    std::sort(reached.begin(), reached.end());
    for (size_t i = 0; i < swept.responders.size() && !outcome.interrupted; ++i) {
        if (swept.answeredWith[i] != communities.size()) continue;
        if (std::binary_search(reached.begin(), reached.end(), swept.responders[i])) continue;
        core::CredentialsNeeded needed;
        needed.address = swept.responders[i];
#ifdef NETROV_HAVE_USM
        needed.enterprise = snmp::enterpriseOf(swept.engines[i]);
#endif
        outcome.credentialsNeeded.push_back(needed);
    }
    std::sort(outcome.credentialsNeeded.begin(), outcome.credentialsNeeded.end(),
              [](const auto& a, const auto& b) { return a.address < b.address; });
    return outcome;
}

}  // namespace netrov::cli
