// The device calls the search makes, and the once-per-process start-up of the front library.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>

#include <netrov/device_identity.h>

namespace netrov::core {

struct QuerySchema;

// Every device call the programs make: the search's and the launcher's own,
// and any query the record schema describes. The real ones call the TUVA_
// exports; tests put fakes in their place.
struct DeviceAccess {
    using Query = std::function<int32_t(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records,
                                        int32_t capacity, int32_t* count)>;
    std::function<int32_t(DeviceIdentity* filter)> init;
    std::function<int32_t()> release;
    std::function<int32_t(DeviceIdentity* filter, intptr_t option1, intptr_t option2, DeviceIdentity* found,
                          int32_t capacity, int32_t* count)>
        searchDevice;
    Query getDevInfo;
    Query getDevStatus;
    Query getDevModelName;
    // The device's trap switches, set before a device program starts.
    Query setDeviceTrap;
    Query setJobTrap;
    // The device's current job: cancel it, or let it go on.
    Query setJobCancel;
    Query setJobContinue;
    // Messages for a device's alerts, from the message service (transport 1).
    Query getMsg;
    // Any described query: the real one calls the export the schema names.
    // Empty when this access answers none of them (a stand-in's devices are
    // then never asked over the network).
    std::function<int32_t(const QuerySchema& query, DeviceIdentity* device, intptr_t option1, intptr_t option2,
                          void* records, int32_t capacity, int32_t* count)>
        described;
};

// Starts the front library the first time a search thread asks, and frees
// it once at the end.
class FrontLibrary {
public:
    explicit FrontLibrary(DeviceAccess access) : access_(std::move(access)) {}
    FrontLibrary(const FrontLibrary&) = delete;
    FrontLibrary& operator=(const FrontLibrary&) = delete;

    // The process's one instance over the TUVA_ exports.
    static FrontLibrary& tuva();

    // Calls init (with no filter) unless it ran already. Safe from many threads.
    void ensureInitialised();
    bool initialised() const { return initialised_.load(); }
    // Calls release when init ran; no query may be running.
    void release();

    const DeviceAccess& access() const { return access_; }

private:
    DeviceAccess access_;
    std::mutex mutex_;
    std::atomic<bool> initialised_{false};
};

}  // namespace netrov::core
