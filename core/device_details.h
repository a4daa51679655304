// What the device window shows about one device: every described query read
// once, the alerts in words, and the sections the queries are shown in.
#pragma once

#include <atomic>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "alert_messages.h"
#include "device_list.h"
#include "front_library.h"
#include "query_reading.h"

namespace netrov::core {

// The window's pages and the queries each one shows, by name. A query this
// build does not describe yet shows as not reported, and fills in by itself
// once its family is described.
struct DetailSection {
    const char* title;
    std::span<const char* const> queries;
};
std::span<const DetailSection> detailSections();

struct DeviceDetails {
    DeviceListEntry entry{};
    bool answered = false;  // false: the device did not answer its information
    int32_t statusCode = 0;
    std::vector<DeviceStatus> alerts;
    std::vector<AlertMessage> messages;  // one per alert
    std::map<std::string, QueryReading> readings;  // by query name
};

// Reads the device's information and status, then every query of the
// sections, all through access; a device that does not answer is not asked
// further. stop, when set by another thread, ends the reading between two
// queries. The front library must have been started.
DeviceDetails readDeviceDetails(const DeviceAccess& access, const DeviceListEntry& entry,
                                const std::atomic<bool>& stop);
// Starts the library when it was not, then reads through its access.
DeviceDetails readDeviceDetails(FrontLibrary& library, const DeviceListEntry& entry,
                                const std::atomic<bool>& stop);

// What the list's Toner and Pages columns show of a device.
struct DeviceGauge {
    std::optional<int32_t> lowestToner;  // the lowest measured toner or ink level, 0..100
    std::optional<uint32_t> pages;       // the life page count
};
// Asks the device (through the front library's exports) for its toner levels and page count.
DeviceGauge readDeviceGauge(const DeviceListEntry& entry);

// A query's title for people: "GetDevTonerSave" gives "Toner save".
std::string queryTitle(const std::string& name);
// A field's name for people: "remainingPercent" gives "Remaining percent".
std::string fieldTitle(const std::string& name);

}  // namespace netrov::core
