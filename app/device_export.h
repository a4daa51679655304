// The device list export MfpList.ini that other programs of the installation read.
#pragma once

#include <string>

#include "device_list.h"

namespace netrov::ui {

// The export file in the registered directory, with or without its final
// separator; empty when no directory is registered.
std::string exportFilePath(const std::string& directory);

// Rewrites section "Devices" of the file with the network devices of the
// list. Does nothing for an empty path; stops silently at a failed write.
void ExportDeviceList(const std::string& path, const core::DeviceList& devices);

}  // namespace netrov::ui
