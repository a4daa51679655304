// Questions answered from the loaded packages without calling a service.
#pragma once

#include "netrov/tuva.h"

#include <cstdint>

namespace netrov::tuva {

int32_t supportModels(TUVA_SUPPORT_MODEL* records, int32_t capacity, int32_t* count) noexcept;
int32_t modelNameFromSysObjectId(const char* sysObjectId, char* buffer, int32_t size) noexcept;

enum class TrapKind { kDevice, kJob, kFax };
// 1 when the device's package names trapId as its trap of that kind, else 0.
int32_t isTrap(TrapKind kind, const DeviceIdentity* device, const char* trapId) noexcept;

// The help file text of the device's package (or of the first package);
// null when nothing is loaded.
const char* helpFile(const DeviceIdentity* device) noexcept;
int32_t showPage(int page, const DeviceIdentity* device) noexcept;

}  // namespace netrov::tuva
