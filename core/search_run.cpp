// The search threads, the refresh and the progress clock.
#include "search_run.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <semaphore>
#include <string_view>
#include <system_error>

#include <netrov/result_codes.h>
#include <netrov/snmp_version.h>

#include "platform/file_system.h"
#ifdef NETROV_HAVE_USM
#include "snmp/v3_discovery.h"
#endif

namespace netrov::core {

namespace {

constexpr uint32_t kBroadcastAddress = 0xFFFFFFFFu;

// Calls query again while it answers "no reply", at most tries calls in all;
// none once stop is set.
template <typename Call>
int32_t withRetries(int tries, Call call, const std::atomic<bool>* stop = nullptr)
{
    int32_t result = NETROV_NO_REPLY;
    for (int i = 0; i < std::max(tries, 1) && !(stop && stop->load()); ++i) {
        result = call();
        if (result != NETROV_NO_REPLY) break;
    }
    return result;
}

// Whether a status call gave records to list: a device without status
// objects (no host-resources device table) answers with its alerts and an
// unknown status, and is listed as such.
bool statusGiven(int32_t result)
{
    return result == NETROV_OK || result == NETROV_NO_VALUE;
}

}  // namespace

SearchRun::~SearchRun()
{
    if (master_.joinable()) {
        abort_.store(1);
        master_.join();
    }
}

bool SearchRun::start(const SearchSettings& settings, const SearchAddressList& addresses, std::string manufacturer,
                      std::function<void()> onEnded)
{
    if (started_.exchange(true)) return false;
    devices_.clear();
    settings_ = settings;
    addresses_ = addresses;
    communities_ = communityList(settings_, extent_);
    // An empty ComName (too long in the store) is still what the search sends.
    if (communities_.empty()) communities_.emplace_back();
    manufacturer_ = std::move(manufacturer);
    onEnded_ = std::move(onEnded);
    // Cleared here, before the master thread exists, so that an abort asked
    // for at once is not undone by the thread starting late.
    abort_.store(0);
    ended_.store(false);
    try {
        master_ = std::thread(&SearchRun::master, this);
    } catch (const std::system_error&) {
        ended_.store(true);
        return false;
    }
    return true;
}

void SearchRun::wait()
{
    if (master_.joinable()) master_.join();
}

void SearchRun::abort()
{
    abort_.store(1);
    wait();
    devices_.clear();
    std::lock_guard lock(startedMutex_);
    credentialsNeeded_.clear();
}

std::string shortageText(const SearchShortage& shortage)
{
    std::string text;
    if (shortage.descriptorsMissing != 0)
        text = "too few file descriptors for the parallel searches (" + std::to_string(shortage.descriptorsMissing) +
               " more needed); fewer addresses were asked at a time";
    if (shortage.addressesNotSearched != 0) {
        if (!text.empty()) text += "; ";
        text += std::to_string(shortage.addressesNotSearched) + " addresses not searched: no thread could be started";
    }
    if (shortage.addressesNotSearched != 0) text += "; devices may be missing";
    return text;
}

std::string credentialsNeededAddress(const CredentialsNeeded& needed)
{
    return needed.ipv6.empty() ? addressToText(needed.address) : needed.ipv6;
}

void sortCredentialsNeeded(std::vector<CredentialsNeeded>& needed)
{
    std::stable_sort(needed.begin(), needed.end(), [](const auto& a, const auto& b) {
        if (a.ipv6.empty() != b.ipv6.empty()) return a.ipv6.empty();
        return a.ipv6.empty() ? a.address < b.address : addressTextLess(a.ipv6, b.ipv6);
    });
}

std::string credentialsNeededList(const std::vector<CredentialsNeeded>& needed)
{
    constexpr size_t kNamed = 10;
    std::string text;
    for (size_t i = 0; i < needed.size() && i < kNamed; ++i) {
        if (i) text += ", ";
        text += credentialsNeededAddress(needed[i]);
        if (needed[i].enterprise) text += " (enterprise " + std::to_string(*needed[i].enterprise) + ")";
    }
    if (needed.size() > kNamed) text += " and " + std::to_string(needed.size() - kNamed) + " more";
    return text;
}

SearchShortage SearchRun::shortage() const
{
    std::lock_guard lock(startedMutex_);
    return shortage_;
}

std::vector<uint32_t> SearchRun::startedAddresses() const
{
    std::lock_guard lock(startedMutex_);
    return startedAddresses_;
}

std::vector<CredentialsNeeded> SearchRun::credentialsNeeded() const
{
    std::lock_guard lock(startedMutex_);
    std::vector<CredentialsNeeded> sorted = credentialsNeeded_;
    sortCredentialsNeeded(sorted);
    return sorted;
}

void SearchRun::master()
{
    localAddress_ = settings_.BroadCast != 0 ? kBroadcastAddress : 0;
    try {
        std::thread local(&SearchRun::searchThread, this, ipv4Address(localAddress_), false);
        local.join();
    } catch (const std::system_error&) {
        // No thread for the local search: the per-address searches still run.
    }

    if (abort_.load() != 1 && settings_.IPSearch == 1) {
        std::vector<uint32_t> targets;
        try {
            targets = expandAddressList(addresses_, kMaxAddresses);
        } catch (const std::bad_alloc&) {
        }
        searchAddresses(targets);
    }
    if (abort_.load() != 1 && settings_.IPSearch == 1 && !addresses6_.empty()) searchAddresses(addresses6_);
    if (abort_.load() != 1 && settings_.IPSearch == 1 && !extent_.blocks.empty()) {
        try {
            sweepBlocks();
        } catch (const std::bad_alloc&) {
            // Blocks too large for this machine's memory add nothing.
        }
    }

    ended_.store(true);
    if (onEnded_) {
        try {
            onEnded_();
        } catch (...) {
        }
    }
}

void SearchRun::sweepBlocks()
{
    std::vector<uint32_t> listed = startedAddresses();
    std::sort(listed.begin(), listed.end());
    std::vector<uint32_t> targets = expandBlocks(extent_.blocks);
    std::erase_if(targets, [&](uint32_t a) { return std::binary_search(listed.begin(), listed.end(), a); });
    SweepSettings sweepSettings = byCommunities();
    sweepSettings.rate = sweepRate_;
    sweepSettings.probeV3 = extent_.probeV3;
    sweepSettings.snmpVersion = extent_.snmpVersion;
    const SweepResult swept = sweep(targets, sweepSettings, &abort_, {});
    for (size_t first = 0; first < swept.responders.size() && abort_.load() != 1; first += kMaxAddresses) {
        const size_t last = std::min(swept.responders.size(), first + kMaxAddresses);
        searchAddresses(std::vector<uint32_t>(swept.responders.begin() + static_cast<std::ptrdiff_t>(first),
                                              swept.responders.begin() + static_cast<std::ptrdiff_t>(last)));
    }
}

void SearchRun::searchAddresses(const std::vector<uint32_t>& targets)
{
    std::vector<NetAddress> addresses;
    addresses.reserve(targets.size());
    for (const uint32_t address : targets) addresses.push_back(ipv4Address(address));
    searchAddresses(addresses);
}

void SearchRun::searchAddresses(const std::vector<NetAddress>& targets)
{
    const size_t wanted = targets.size() * kDescriptorsPerSearch + kDescriptorReserve;
    const size_t available = platform::descriptorsAvailable(wanted);
    {
        std::lock_guard lock(startedMutex_);
        shortage_.descriptorsMissing = std::max(shortage_.descriptorsMissing, available < wanted ? wanted - available : 0);
    }
    // Short of descriptors, fewer addresses are asked at a time, so that no
    // search fails for want of a socket and the rest of the process (and the
    // sanitizers' own checks) keeps the reserve; every address is still asked.
    const size_t parallel =
        available >= wanted ? targets.size()
                            : std::max<size_t>(1, (available > kDescriptorReserve ? available - kDescriptorReserve : 0) /
                                                      kDescriptorsPerSearch);
    std::counting_semaphore<> slots(static_cast<std::ptrdiff_t>(std::min<size_t>(parallel, PTRDIFF_MAX)));
    const auto bounded = [this, &slots](const NetAddress& address) {
        slots.acquire();
        searchThread(address, true);
        slots.release();
    };
    std::vector<std::thread> threads;
    threads.reserve(targets.size());
    for (const NetAddress& address : targets) {
        try {
            threads.emplace_back(bounded, address);
        } catch (const std::system_error&) {
            // Out of threads: the rest is reported, the ones that run are waited for.
            std::lock_guard lock(startedMutex_);
            shortage_.addressesNotSearched += targets.size() - threads.size();
            break;
        }
        std::lock_guard lock(startedMutex_);
        if (!address.v6) startedAddresses_.push_back(address.v4);
    }
    for (std::thread& thread : threads)
        thread.join();
}

std::vector<DeviceIdentity> SearchRun::searchWith(DeviceIdentity& request, int tries)
{
    const DeviceAccess& access = library_.access();
    std::vector<DeviceIdentity> found(kFirstResultCapacity);
    int32_t capacity = kFirstResultCapacity;
    int32_t count = 0;
    for (int i = 0; i < tries && count == 0 && abort_.load() != 1; ++i) {
        count = 0;
        access.searchDevice(&request, 0, 0, found.data(), capacity, &count);
    }
    if (count > capacity) {
        const int64_t larger = int64_t{count} + kResultCapacityMargin;
        if (larger > INT32_MAX) return {};
        found = std::vector<DeviceIdentity>();
        found.resize(static_cast<size_t>(larger));
        capacity = static_cast<int32_t>(larger);
        count = 0;
        access.searchDevice(&request, 0, 0, found.data(), capacity, &count);
    }
    found.resize(static_cast<size_t>(std::clamp(count, 0, capacity)));
    return found;
}

void SearchRun::searchThread(const NetAddress& address, bool perAddress)
{
    try {
        library_.ensureInitialised();
        DeviceIdentity request;
        std::memset(&request, 0, sizeof request);
        request.transport = perAddress ? NETROV_TRANSPORT_SNMP : NETROV_TRANSPORT_ALL;
        request.timeout = settings_.TimeOut;
        netrovSetSnmpVersion(&request, extent_.snmpVersion);
        setDeviceAddress(request, address);

        const int tries = perAddress ? attempts(settings_) : 1;
        // An address stops at the first community, then profile, that
        // answers; the local search asks every community, since each may
        // reach other devices. Profiles go to one address at a time, as
        // SNMPv3 has no broadcast.
        struct Try {
            const std::string* name;
            int32_t version;
        };
        bool askCommunities = !perAddress || extent_.askCommunities;
        std::optional<std::vector<uint8_t>> engine;
        std::optional<size_t> answeredCommunity;
        if (perAddress && extent_.probeV3 && askCommunities) {
            // One exchange tells how the address speaks: by which community,
            // by SNMPv3 only, or not at all. It takes the place of the first
            // community's query: a silent address costs one time-out in all,
            // a printer that speaks only SNMPv3 waits none per community
            // before its profiles, and one that answered a later community
            // is asked with it first.
            Precheck checked = precheck(address);
            switch (checked.reached) {
            case Reached::Silent: return;
            case Reached::ByV3Only:
                askCommunities = false;
                engine = std::move(checked.engine);
                break;
            case Reached::ByCommunity: answeredCommunity = checked.community; break;
            }
        }
        std::vector<Try> order;
        if (askCommunities) {
            if (answeredCommunity && *answeredCommunity < communities_.size())
                order.push_back({&communities_[*answeredCommunity], extent_.snmpVersion});
            for (size_t i = 0; i < communities_.size(); ++i)
                if (i != answeredCommunity) order.push_back({&communities_[i], extent_.snmpVersion});
        }
        if (perAddress)
            for (const std::string& profile : extent_.profiles) order.push_back({&profile, NETROV_SNMP_V3});
        for (const Try& t : order) {
            if (abort_.load() == 1) break;
            std::memset(request.community, 0, sizeof request.community);
            std::memcpy(request.community, t.name->data(), std::min(t.name->size(), sizeof request.community - 1));
            netrovSetSnmpVersion(&request, t.version);
            const std::vector<DeviceIdentity> found = searchWith(request, tries);
            for (const DeviceIdentity& device : found) processFound(device, perAddress, t.version);
            if (perAddress && !found.empty()) return;
        }
        // Only the precheck knows an engine: an address that answered
        // nothing but the probe, and no profile reached.
        if (engine && abort_.load() != 1) noteCredentialsNeeded(address, *engine);
    } catch (const std::bad_alloc&) {
        // A result array that cannot be had ends this thread without results.
    }
}

SweepSettings SearchRun::byCommunities() const
{
    SweepSettings settings;
    settings.community = communities_.front();
    settings.moreCommunities.assign(communities_.begin() + 1, communities_.end());
    settings.timeOutMs = settings_.TimeOut * 1000;
    return settings;
}

SearchRun::Precheck SearchRun::precheck(const NetAddress& address)
{
    SweepSettings settings = byCommunities();
    settings.probeV3 = true;
    settings.snmpVersion = extent_.snmpVersion;
    // The search's own tries: a second request only when the user allows one.
    settings.retry = attempts(settings_) > 1;
    SweepResult swept = address.v6 ? sweep(std::vector<NetAddress>{address}, settings, &abort_, {})
                                   : sweep(std::vector<uint32_t>{address.v4}, settings, &abort_, {});
    Precheck checked;
    if (!swept.error.empty()) return checked;  // no answer either way: ask as before
    if (swept.responders.empty() && swept.responders6.empty()) {
        checked.reached = Reached::Silent;
        return checked;
    }
    if (swept.engines.empty() || swept.engines.front().empty()) {
        // The sweep asks each distinct community once, under the index of its first place.
        if (!swept.answeredWith.empty()) checked.community = swept.answeredWith.front();
        return checked;
    }
    checked.reached = Reached::ByV3Only;
    checked.engine = std::move(swept.engines.front());
    return checked;
}

void SearchRun::noteCredentialsNeeded(const NetAddress& address, const std::vector<uint8_t>& engine)
{
    CredentialsNeeded needed;
    if (address.v6)
        needed.ipv6 = netAddressText(address);
    else
        needed.address = address.v4;
#ifdef NETROV_HAVE_USM
    needed.enterprise = snmp::enterpriseOf(engine);
#else
    (void)engine;
#endif
    std::lock_guard lock(startedMutex_);
    credentialsNeeded_.push_back(needed);
}

void SearchRun::processFound(const DeviceIdentity& found, bool perAddress, int32_t version)
{
    DeviceListEntry entry;
    std::memset(&entry, 0, sizeof entry);
    entry.identity = found;
    entry.identity.timeout = foundDeviceTimeOut_;
    // A fixed version is what the device was asked with; with "auto" the
    // service writes the one that answered.
    if (version != NETROV_SNMP_AUTO) netrovSetSnmpVersion(&entry.identity, version);

    if (settings_.Filter == 1) {
        if (fieldText(entry.identity.modelName).find(manufacturer_) == std::string::npos) return;
    }

    const DeviceAccess& access = library_.access();
    const int tries = perAddress ? attempts(settings_) : 1;
    int32_t count = 1;
    if (withRetries(tries, [&] { return access.getDevInfo(&entry.identity, 0, 0, &entry.info, 1, &count); }) != NETROV_OK)
        return;
    int32_t n = 0;
    if (!statusGiven(withRetries(tries, [&] {
            return access.getDevStatus(&entry.identity, 0, 0, entry.status, kStatusRecords, &n);
        })))
        return;
    promotePowerSave(entry.status, n);
    devices_.appendUnique(entry);
}

void promotePowerSave(DeviceStatus* status, int32_t n)
{
    // n counts past the 15 records there is room for; only those are read.
    const int32_t delivered = std::clamp(n, 0, kStatusRecords);
    for (int32_t i = 0; i < delivered; ++i) {
        if (status[i].simpleStatus == kStatusPowerSave) {
            status[0].simpleStatus = kStatusPowerSave;
            return;
        }
    }
}

void refreshDevices(FrontLibrary& library, DeviceList& devices, const SearchSettings& settings,
                    const std::atomic<bool>* stop)
{
    refreshDevices(library.access(), devices, settings, stop);
}

void refreshDevices(const DeviceAccess& access, DeviceList& devices, const SearchSettings& settings,
                    const std::atomic<bool>* stop)
{
    const int tries = attempts(settings);
    const auto stopped = [stop] { return stop && stop->load(); };
    const auto ask = [&](auto call) { return withRetries(tries, call, stop); };
    const size_t total = devices.count();
    for (size_t i = 0; i < total && !stopped(); ++i) {
        DeviceListEntry entry = devices.copy(i);
        entry.identity.timeout = settings.TimeOut;
        int32_t count = 1;
        int32_t n = 0;
        // The service clears the record of a device that does not answer: a
        // silent device keeps the name, location and address it had.
        DeviceInfo info{};
        if (ask([&] { return access.getDevInfo(&entry.identity, 0, 0, &info, 1, &count); }) != NETROV_OK) {
            if (stopped()) return;  // not asked to the end: no verdict
            entry.status[0].simpleStatus = kStatusNoAnswer;
        } else {
            entry.info = info;
            if (!statusGiven(
                    ask([&] { return access.getDevStatus(&entry.identity, 0, 0, entry.status, kStatusRecords, &n); }))) {
                if (stopped()) return;
                entry.status[0].simpleStatus = kStatusNoAnswer;
            } else {
                promotePowerSave(entry.status, n);
            }
        }
        devices.replace(i, entry.info, entry.status[0]);
    }
}

int64_t ProgressClock::periodMs() const
{
    return std::max<int64_t>(expectedMs_ / 100, 1);
}

bool ProgressClock::tick(bool runEnded)
{
    if (position_ <= 98) {
        ++position_;
        if (runEnded) position_ = 100;
    } else if (runEnded) {
        position_ = 100;
    }
    return position_ == 100;
}

}  // namespace netrov::core
