// Writes the network devices of a completed search into the shared device list file.
#include "device_export.h"

#include <cstdio>
#include <cstring>

#include "platform/profile_file.h"

namespace netrov::ui {

namespace {

constexpr const char* kSection = "Devices";
// Readers of the file expect this community, whatever the search used.
constexpr const char* kCommunity = "tarpon";

std::string fieldText(const char* field, size_t size) { return std::string(field, strnlen(field, size)); }

// Model and location texts come from the devices; a line break in one would
// end the line early and let a device write lines of its own into the file.
std::string lineSafe(std::string text)
{
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 32) c = ' ';
    return text;
}

}  // namespace

std::string exportFilePath(const std::string& directory)
{
    if (directory.empty()) return {};
    std::string path = directory;
    if (path.back() != '/') path += '/';
    return path + "MfpList.ini";
}

void ExportDeviceList(const std::string& path, const core::DeviceList& devices)
{
    if (path.empty()) return;
    if (!platform::writePrivateProfileString(kSection, std::nullopt, std::nullopt, path)) return;

    const std::vector<core::DeviceListEntry> entries = devices.copyAll();
    for (size_t i = 0; i < entries.size(); ++i) {
        const core::DeviceListEntry& entry = entries[i];
        if (entry.identity.interfaceKind != NETROV_INTERFACE_NETWORK) continue;
        const std::string model = fieldText(entry.identity.modelName, sizeof entry.identity.modelName);
        int k = 0;
        for (size_t j = 0; j < entries.size(); ++j) {
            if (deviceIdentityEqual(&entries[j].identity, &entry.identity)) break;
            if (fieldText(entries[j].identity.modelName, sizeof entries[j].identity.modelName) == model) ++k;
        }
        const std::string shownModel = lineSafe(model);
        const std::string key =
            k == 0 ? "\"" + shownModel + "\"" : "\"" + shownModel + "(" + std::to_string(k) + ")\"";
        const uint8_t* a = entry.identity.address;
        char address[16];
        std::snprintf(address, sizeof address, "%d.%d.%d.%d", a[0], a[1], a[2], a[3]);
        const std::string location = lineSafe(fieldText(entry.info.location, sizeof entry.info.location));
        const std::string value = std::string("3,,") + address + ",\"" + location + "\",\"" + kCommunity + "\",";
        if (!platform::writePrivateProfileString(kSection, key, value, path)) return;
    }
}

}  // namespace netrov::ui
