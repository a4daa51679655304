// Service choice, dispatch by entry-point name, and the search over all packages.
#include "dispatch.h"

#include "netrov/result_codes.h"
#include "package_list.h"

#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

namespace netrov::tuva {

namespace {

constexpr const char* kSearchEntry = "TUVASRV_SearchDevice";

void applyTimeoutDefault(DeviceIdentity* device) noexcept
{
    if (device != nullptr && device->timeout == 0) device->timeout = NETROV_DEFAULT_TIMEOUT;
}

void countOne(int32_t& total) noexcept
{
    if (total < std::numeric_limits<int32_t>::max()) ++total;
}

// True when a package before index names the library for a service that has
// a definition file: that library has searched already.
bool searchedByEarlierPackage(const PackageList& list, std::size_t index, const std::string& library) noexcept
{
    if (library.empty()) return false;
    for (std::size_t i = 0; i < index; ++i) {
        for (const Service& service : list.packages()[i]->services) {
            if (service.hasDefinitionFile() && service.libraryFile() == library) return true;
        }
    }
    return false;
}

bool sameUsedLibrary(const std::string& library, const std::string* used) noexcept
{
    return used != nullptr && !library.empty() && library == *used;
}

class Search {
public:
    Search(DeviceIdentity* filter, intptr_t option1, intptr_t option2, DeviceIdentity* found, int32_t capacity,
           DeviceIdentity* scratch)
        : filter_(filter), option1_(option1), option2_(option2), found_(found), capacity_(capacity),
          scratch_(scratch)
    {
    }

    // Calls the service's search when it can; true when it was called.
    bool run(const Service& service) noexcept
    {
        TuvaServiceFn entry = service.entryPoint(kSearchEntry);
        if (entry == nullptr) return false;
        std::memset(static_cast<void*>(scratch_), 0, sizeof(DeviceIdentity) * static_cast<std::size_t>(capacity_));
        int32_t reported = 0;
        entry(filter_, option1_, option2_, scratch_, capacity_, &reported, service.record());
        mergeFound(scratch_, reported, found_, capacity_, total_);
        return true;
    }

    int32_t total() const noexcept { return total_; }

private:
    DeviceIdentity* filter_;
    intptr_t option1_;
    intptr_t option2_;
    DeviceIdentity* found_;
    int32_t capacity_;
    DeviceIdentity* scratch_;
    int32_t total_ = 0;
};

}  // namespace

int32_t forwardQuery(const char* entryName, DeviceIdentity* device, intptr_t option1, intptr_t option2,
                     void* records, int32_t capacity, int32_t* count) noexcept
{
    if (device == nullptr) return NETROV_NO_SERVICE;
    applyTimeoutDefault(device);
    const Package* package = packageList().packageServing(fieldText(device->modelName));
    if (package == nullptr) return NETROV_NO_SERVICE;
    const Service* service = package->serviceFor(device->transport);
    if (service == nullptr) return NETROV_NO_SERVICE;
    if (!service->libraryLoaded()) return NETROV_NO_LIBRARY;
    TuvaServiceFn entry = service->entryPoint(entryName);
    if (entry == nullptr) return NETROV_NO_ENTRY_POINT;
    return entry(device, option1, option2, records, capacity, count, service->record());
}

void mergeFound(const DeviceIdentity* scratch, int32_t reported, DeviceIdentity* found, int32_t capacity,
                int32_t& total) noexcept
{
    for (int32_t i = 0; i < reported; ++i) {
        if (total >= capacity || i >= capacity) {
            countOne(total);
            continue;
        }
        bool duplicate = false;
        for (int32_t j = 0; j < total && !duplicate; ++j) {
            duplicate = deviceIdentityEqual(&scratch[i], &found[j]) != 0;
        }
        if (duplicate) continue;
        found[total] = scratch[i];
        ++total;
    }
}

int32_t searchDevices(DeviceIdentity* filter, intptr_t option1, intptr_t option2, DeviceIdentity* found,
                      int32_t capacity, int32_t* count) noexcept
{
    if (count != nullptr) *count = 0;
    if (filter == nullptr) return NETROV_OK;
    applyTimeoutDefault(filter);
    // Without an array the search can still count.
    if (found == nullptr || capacity < 0) capacity = 0;
    // A 32-bit size cannot say how large some capacities are; the compiler
    // throws instead of failing such a request, even for std::nothrow.
    if (static_cast<std::size_t>(capacity) > SIZE_MAX / sizeof(DeviceIdentity)) return NETROV_NO_MEMORY;
    std::unique_ptr<DeviceIdentity[]> scratch(new (std::nothrow) DeviceIdentity[static_cast<std::size_t>(capacity)]);
    if (!scratch) return NETROV_NO_MEMORY;
    if (capacity > 0) std::memset(static_cast<void*>(found), 0, sizeof(DeviceIdentity) * static_cast<std::size_t>(capacity));

    const PackageList& list = packageList();
    const int32_t mask = filter->transport;
    Search search(filter, option1, option2, found, capacity, scratch.get());
    for (std::size_t index = 0; index < list.packages().size(); ++index) {
        const Package& package = *list.packages()[index];
        const std::string* usedForSnmp = nullptr;
        const std::string* usedForLpt = nullptr;
        if (mask & NETROV_TRANSPORT_SNMP) {
            const Service& snmp = package.services[kSnmpSlot];
            if (!searchedByEarlierPackage(list, index, snmp.libraryFile()) && search.run(snmp)) {
                usedForSnmp = &snmp.libraryFile();
            }
        }
        if (mask & NETROV_TRANSPORT_LPT) {
            const Service& lpt = package.services[kLptSlot];
            if (!sameUsedLibrary(lpt.libraryFile(), usedForSnmp) && search.run(lpt)) {
                usedForLpt = &lpt.libraryFile();
            }
        }
        if (mask & NETROV_TRANSPORT_USB) {
            const Service& usb = package.services[kUsbSlot];
            if (!sameUsedLibrary(usb.libraryFile(), usedForSnmp) && !sameUsedLibrary(usb.libraryFile(), usedForLpt)) {
                search.run(usb);
            }
        }
    }
    if (count != nullptr) *count = search.total();
    return NETROV_OK;
}

}  // namespace netrov::tuva
