// The device list and the status code table.
#include "device_list.h"

#include <cstdio>
#include <cstring>

namespace netrov::core {

size_t DeviceList::count() const
{
    std::lock_guard lock(mutex_);
    return entries_.size();
}

DeviceListEntry DeviceList::copy(size_t i) const
{
    std::lock_guard lock(mutex_);
    if (i < entries_.size()) return entries_[i];
    DeviceListEntry zero;
    std::memset(&zero, 0, sizeof zero);
    return zero;
}

std::vector<DeviceListEntry> DeviceList::copyAll() const
{
    std::lock_guard lock(mutex_);
    return entries_;
}

void DeviceList::append(const DeviceListEntry& entry)
{
    std::lock_guard lock(mutex_);
    entries_.push_back(entry);
}

bool DeviceList::appendUnique(const DeviceListEntry& entry)
{
    std::lock_guard lock(mutex_);
    for (const DeviceListEntry& listed : entries_)
        if (deviceIdentityEqual(&listed.identity, &entry.identity)) return false;
    entries_.push_back(entry);
    return true;
}

bool DeviceList::replace(size_t i, const DeviceInfo& info, const DeviceStatus& firstStatus)
{
    std::lock_guard lock(mutex_);
    if (i >= entries_.size()) return false;
    entries_[i].info = info;
    entries_[i].status[0] = firstStatus;
    return true;
}

void DeviceList::clear()
{
    std::lock_guard lock(mutex_);
    entries_.clear();
    entries_.shrink_to_fit();
}

std::string statusWordText(int32_t code)
{
    if (code == kStatusNoAnswer) return "No answer";
    std::string word = statusWord(code).builtIn;
    // The built-in words carry two leading dots that a language file would replace.
    if (word.rfind("..", 0) == 0) word.erase(0, 2);
    return word;
}

std::string dottedQuad(const uint8_t address[4])
{
    char text[16];
    snprintf(text, sizeof text, "%u.%u.%u.%u", address[0], address[1], address[2], address[3]);
    return text;
}

std::string fieldText(const char* field, size_t size) { return std::string(field, strnlen(field, size)); }

std::string hardwareAddressText(const uint8_t address[6])
{
    char text[18];
    snprintf(text, sizeof text, "%02X:%02X:%02X:%02X:%02X:%02X", address[0], address[1], address[2], address[3],
             address[4], address[5]);
    return text;
}

StatusWord statusWord(int32_t code)
{
    if (isReadyStatus(code)) return {"IDS_STR_READY", 304, "..Ready", 1};
    switch (code) {
    case kStatusWarning:
        return {"IDS_STR_WARNING", 305, "..Warning", 2};
    case kStatusError:
        return {"IDS_STR_ERROR", 306, "..Error", 3};
    case kStatusPowerSave:
        return {"IDS_STR_POWER_SAVE", 314, "..Power Save", 4};
    case kStatusUnknown:
        return {"IDS_STR_UNKNOWN", 307, "..Unknown", 5};
    case kStatusNoAnswer:
        return {"IDS_STR_POWER_OFF", 315, "", 6};
    default:
        return {nullptr, 0, "--", 5};
    }
}

}  // namespace netrov::core
