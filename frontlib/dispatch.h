// Forwarding of queries to the service that serves a device, and the merged search.
#pragma once

#include "netrov/device_identity.h"

#include <cstdint>

namespace netrov::tuva {

// Chooses the package and transport service for the device and calls its
// entry point of the given name; the service's result, or -1, 2 or 3.
int32_t forwardQuery(const char* entryName, DeviceIdentity* device, intptr_t option1, intptr_t option2,
                     void* records, int32_t capacity, int32_t* count) noexcept;

// Asks every package's search services and merges what they find into found.
// 0, or 4 when the scratch array cannot be had.
int32_t searchDevices(DeviceIdentity* filter, intptr_t option1, intptr_t option2, DeviceIdentity* found,
                      int32_t capacity, int32_t* count) noexcept;

// Adds reported records from scratch to found: duplicates are dropped while
// there is room, and the total keeps counting once found is full. Records the
// service counted beyond the scratch capacity were never stored and are only
// counted.
void mergeFound(const DeviceIdentity* scratch, int32_t reported, DeviceIdentity* found, int32_t capacity,
                int32_t& total) noexcept;

}  // namespace netrov::tuva
