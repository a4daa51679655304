// One search run (master, local/broadcast and per-address threads), the refresh, and the progress clock.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "device_list.h"
#include "front_library.h"
#include "net_address.h"
#include "search_settings.h"
#include "sweep.h"

namespace netrov::core {

inline constexpr int32_t kFirstResultCapacity = 50;
inline constexpr int32_t kResultCapacityMargin = 5;
// The desktop program queries found devices with this time-out during a
// search, whatever the settings say.
inline constexpr int32_t kFoundDeviceTimeOut = 3;
// File descriptors one search thread may hold at once (its socket and a file
// the service reads), and those the rest of the process keeps in reserve.
inline constexpr size_t kDescriptorsPerSearch = 2;
inline constexpr size_t kDescriptorReserve = 16;

// What a run could not do for want of system resources.
struct SearchShortage {
    size_t addressesNotSearched = 0;  // no thread could be started for them
    size_t descriptorsMissing = 0;    // parallel searches lacked this many descriptors
    bool any() const { return addressesNotSearched != 0 || descriptorsMissing != 0; }
};
// A device that answers only SNMPv3, and none of the profiles given: it is
// there, and someone must give credentials to read it.
struct CredentialsNeeded {
    uint32_t address = 0;                // first octet most significant
    std::optional<uint32_t> enterprise;  // the maker's, from the engine identifier
    std::string ipv6;                    // an IPv6 device's address text (address is then 0); empty for IPv4
};
// The device's address as shown.
std::string credentialsNeededAddress(const CredentialsNeeded& needed);
// By address: IPv4 first in numeric order, then IPv6.
void sortCredentialsNeeded(std::vector<CredentialsNeeded>& needed);

// What the desktop and the command line call such a device.
inline constexpr const char* kCredentialsNeededText = "SNMPv3: credentials needed";
// The devices for a line the user reads, in the order given: each address
// with the maker's enterprise number when the engine names one, the first
// ten named and the rest counted.
std::string credentialsNeededList(const std::vector<CredentialsNeeded>& needed);

// One line for the user, empty when nothing was short.
std::string shortageText(const SearchShortage& shortage);

// A run starts on a master thread of its own and fills the device list. The
// caller polls ended() or gets onEnded (called on the master thread).
class SearchRun {
public:
    SearchRun(FrontLibrary& library, DeviceList& devices) : library_(library), devices_(devices) {}
    // Aborts and waits when the run is still going: a thread is never left behind.
    ~SearchRun();
    SearchRun(const SearchRun&) = delete;
    SearchRun& operator=(const SearchRun&) = delete;

    // Clears the device list and starts the master thread. manufacturer is the
    // maker filter's text. One run per object; false when the master thread
    // cannot be started or a run was already started.
    bool start(const SearchSettings& settings, const SearchAddressList& addresses, std::string manufacturer,
               std::function<void()> onEnded = {});

    // The time-out of the information and status queries of found devices;
    // set before start. The desktop program keeps kFoundDeviceTimeOut.
    void setFoundDeviceTimeOut(int32_t seconds) { foundDeviceTimeOut_ = seconds; }

    // More communities, the SNMP version and blocks of any size; set before
    // start. Every search (local and per address) tries the communities in
    // order, a per-address search stopping at the first that answers, and
    // every request carries the version. When IPSearch is 1 the blocks are
    // swept by core/sweep after the address list (the addresses already
    // searched are left out) and the addresses that answered are searched
    // per address, at most 255 threads at a time; an abort ends the sweep too.
    void setExtent(SearchExtent extent) { extent_ = std::move(extent); }
    // IPv6 addresses, searched one by one after the address list when
    // IPSearch is 1 (no broadcast reaches them); set before start.
    void setIpv6Addresses(std::vector<NetAddress> addresses) { addresses6_ = std::move(addresses); }
    // Sweep requests per second; set before start.
    void setSweepRate(uint32_t rate) { sweepRate_ = rate; }

    bool ended() const { return ended_.load(); }
    // Read after the end: a run that was short of threads or descriptors may
    // have missed devices.
    SearchShortage shortage() const;
    // Blocks until the master thread has ended.
    void wait();
    // Asks the run to stop, waits for it and empties the device list.
    void abort();
    bool aborted() const { return abort_.load() != 0; }

    // Per-address search addresses in the order their threads started; read after the end.
    std::vector<uint32_t> startedAddresses() const;
    // Addresses searched one by one that answered no community nor profile
    // but the SNMPv3 discovery probe, in address order; read after the end.
    std::vector<CredentialsNeeded> credentialsNeeded() const;
    // The address the local/broadcast thread searched.
    uint32_t localAddress() const { return localAddress_; }

private:
    void master();
    // One thread per address, all waited for; the addresses are recorded as started.
    void searchAddresses(const std::vector<NetAddress>& targets);
    void searchAddresses(const std::vector<uint32_t>& targets);
    void sweepBlocks();
    void searchThread(const NetAddress& address, bool perAddress);
    // The devices one request finds; empty when none answered.
    std::vector<DeviceIdentity> searchWith(DeviceIdentity& request, int tries);
    // version is the one the device was asked in.
    void processFound(const DeviceIdentity& found, bool perAddress, int32_t version);
    // The sweep of the search's communities, with its time-out.
    SweepSettings byCommunities() const;
    enum class Reached { Silent, ByCommunity, ByV3Only };
    struct Precheck {
        Reached reached = Reached::ByCommunity;
        // ByCommunity: the position in communities_ of the one that answered,
        // when known.
        std::optional<size_t> community;
        std::vector<uint8_t> engine;  // ByV3Only: the agent's engine identifier
    };
    // Asks the communities and the SNMPv3 probe in one exchange, with the
    // search's time-out and tries.
    Precheck precheck(const NetAddress& address);
    void noteCredentialsNeeded(const NetAddress& address, const std::vector<uint8_t>& engine);

    FrontLibrary& library_;
    DeviceList& devices_;
    SearchSettings settings_{};
    SearchExtent extent_;
    std::vector<std::string> communities_;
    uint32_t sweepRate_ = kDefaultSweepRate;
    std::string manufacturer_;
    std::function<void()> onEnded_;
    std::thread master_;
    std::atomic<int> abort_{0};
    std::atomic<bool> ended_{false};
    std::atomic<bool> started_{false};
    uint32_t localAddress_ = 0;
    int32_t foundDeviceTimeOut_ = kFoundDeviceTimeOut;
    SearchShortage shortage_;
    SearchAddressList addresses_;
    std::vector<NetAddress> addresses6_;
    mutable std::mutex startedMutex_;
    std::vector<uint32_t> startedAddresses_;
    std::vector<CredentialsNeeded> credentialsNeeded_;
};

// Re-queries information and status of every listed device on the calling
// thread. A device that does not answer keeps its entry with status code -1.
// When stop is set (from another thread), the refresh ends before the next
// query; devices not asked yet keep what they had.
void refreshDevices(FrontLibrary& library, DeviceList& devices, const SearchSettings& settings,
                    const std::atomic<bool>* stop = nullptr);
// The same through a copy of a library's access, for a refresh that may be
// abandoned while the library's owner goes away.
void refreshDevices(const DeviceAccess& access, DeviceList& devices, const SearchSettings& settings,
                    const std::atomic<bool>* stop = nullptr);

// Sets the first status record to power save when any of the first n records says so.
void promotePowerSave(DeviceStatus* status, int32_t n);

// The progress display: ticks every periodMs(), never shows 100 before the run
// has ended, and jumps to 100 at the first tick after it ended.
class ProgressClock {
public:
    explicit ProgressClock(int64_t expectedMs) : expectedMs_(expectedMs) {}
    int64_t periodMs() const;
    int position() const { return position_; }
    // One tick; true once the run has ended and the bar shows 100.
    bool tick(bool runEnded);

private:
    int64_t expectedMs_;
    int position_ = 0;
};

}  // namespace netrov::core
