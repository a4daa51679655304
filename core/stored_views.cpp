// What the fleet store holds of a reported device, for the report's store columns in every program.
#include "stored_views.h"

#include <algorithm>
#include <cctype>
#include <ctime>
#include <vector>

#include "forecast.h"

namespace netrov::core {

namespace {

// The store keeps MAC addresses as watch writes them, in lower case.
std::string lowerMac(std::string mac)
{
    std::transform(mac.begin(), mac.end(), mac.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return mac;
}

constexpr int kFirstYear = 1000;
constexpr int kLastYear = 9999;

}  // namespace

std::string utcText(int64_t time)
{
    const std::time_t t = static_cast<std::time_t>(time);
    std::tm tm{};
    if (!gmtime_r(&t, &tm) || tm.tm_year + 1900 < kFirstYear || tm.tm_year + 1900 > kLastYear) return {};
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return text;
}

store::StoreStatus openStoreForReading(store::FleetStore& fleet, const std::string& path)
{
    store::StoreOptions options;
    options.mode = store::OpenMode::Reader;
    return fleet.open(path, options);
}

StoredDevice storedDevice(store::FleetStore& fleet, const DeviceReport& report, int64_t now)
{
    StoredDevice out;
    const store::DeviceIdentity identity{report.address, lowerMac(report.macAddress), report.serialNumber, report.model};
    store::DeviceRecord device;
    if (store::StoreStatus status = fleet.matchDevice(identity, device); !status.ok()) {
        out.missing = status.result == store::StoreResult::NotFound ? "not in the store" : "store not read: " + status.message;
        return out;
    }
    out.lastSeen = utcText(device.lastSeen);
    std::vector<store::SupplyRecord> supplies;
    if (store::StoreStatus status = fleet.supplies(device.id, supplies); !status.ok()) {
        out.missing = "store not read: " + status.message;
        return out;
    }
    // A store that fails halfway gives the device's last sighting and no colour half-read.
    std::vector<StoredDaysLeft> daysLeft;
    std::vector<store::SupplyValue> values;
    for (const store::SupplyRecord& record : supplies) {
        if (store::StoreStatus status = fleet.supplyHistory(record.id, values); !status.ok()) {
            out.missing = "store not read: " + status.message;
            return out;
        }
        if (record.colour.empty()) continue;
        StoredDaysLeft& days = daysLeft.emplace_back();
        days.colour = record.colour;
        const store::Forecast forecast = store::forecastSupply(values, now, device.pageCount);
        // Whole days, as the fleet table shows them; a supply already empty has none left.
        if (forecast.days) days.days = store::wholeDays(forecast.days->value);
        days.reason = values.empty() ? "no stored readings" : store::forecastReasons(forecast);
    }
    out.daysLeft = std::move(daysLeft);
    return out;
}

std::string addStoredViews(const std::string& path, std::span<DeviceReport> reports, int64_t now)
{
    store::FleetStore fleet;
    if (store::StoreStatus status = openStoreForReading(fleet, path); !status.ok()) {
        for (DeviceReport& r : reports) {
            r.stored.emplace();
            r.stored->missing = "store not read: " + status.message;
            r.stored->unreadable = true;
        }
        return status.message;
    }
    for (DeviceReport& r : reports) r.stored = storedDevice(fleet, r, now);
    return {};
}

}  // namespace netrov::core
