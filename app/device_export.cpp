// Writes the network devices of a completed search into the shared device list file.
#include "device_export.h"

#include <cstdio>
#include <cstring>
#include <set>

#include "platform/profile_file.h"

namespace netrov::ui {

namespace {

constexpr const char* kSection = "Devices";
// Readers of the file expect this community, whatever the search used.
constexpr const char* kCommunity = "tarpon";

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Model and location texts come from the devices and stand in double quotes:
// a line break would end the line early, a quote would end the text, and an
// "=" in a key would move the split between key and value, each letting a
// device write entries of its own into the file.
std::string fileSafe(std::string text)
{
    for (char& c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 32 || byte == 0x7F) c = ' ';
        else if (c == '"') c = '\'';
        else if (c == '=') c = '-';
    }
    return text;
}

// Keys match ignoring case when the file is read, so that is how they are compared here.
std::string keyIdentity(std::string key)
{
    for (char& c : key) c = lower(c);
    return key;
}

std::string modelKey(const std::string& model, int k)
{
    return k == 0 ? "\"" + model + "\"" : "\"" + model + "(" + std::to_string(k) + ")\"";
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
    std::vector<std::string> safeModels;
    for (const core::DeviceListEntry& entry : entries)
        safeModels.push_back(keyIdentity(fileSafe(core::fieldText(entry.identity.modelName))));
    std::set<std::string> usedKeys;
    for (size_t i = 0; i < entries.size(); ++i) {
        const core::DeviceListEntry& entry = entries[i];
        if (entry.identity.interfaceKind != NETROV_INTERFACE_NETWORK) continue;
        const std::string shownModel = fileSafe(core::fieldText(entry.identity.modelName));
        // Models that differ only in case, or only in what fileSafe replaced,
        // count as one model, so that no device overwrites another's line.
        int k = 0;
        for (size_t j = 0; j < entries.size(); ++j) {
            if (deviceIdentityEqual(&entries[j].identity, &entry.identity)) break;
            if (safeModels[j] == safeModels[i]) ++k;
        }
        std::string key = modelKey(shownModel, k);
        while (!usedKeys.insert(keyIdentity(key)).second) key = modelKey(shownModel, ++k);
        const uint8_t* a = entry.identity.address;
        char address[16];
        std::snprintf(address, sizeof address, "%d.%d.%d.%d", a[0], a[1], a[2], a[3]);
        const std::string location = fileSafe(core::fieldText(entry.info.location));
        const std::string value = std::string("3,,") + address + ",\"" + location + "\",\"" + kCommunity + "\",";
        if (!platform::writePrivateProfileString(kSection, key, value, path)) return;
    }
}

}  // namespace netrov::ui
