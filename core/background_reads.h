// Device reads on threads that nobody waits for, counted so that the process end knows whether they still run.
#pragma once

#include <chrono>
#include <cstddef>

namespace netrov::core {

// Held by a detached reader for as long as it may call the front library.
// While any is held, the front library is not freed: a release would pull
// the library out from under a query still waiting on the network.
class ReadLease {
public:
    ReadLease();
    ~ReadLease();
    ReadLease(const ReadLease&) = delete;
    ReadLease& operator=(const ReadLease&) = delete;
};

// Leases held at this moment.
size_t readsRunning();
// Waits at most timeout for every lease to end; true when none is left.
bool waitForReads(std::chrono::milliseconds timeout);

}  // namespace netrov::core
