// Alert messages through TUVA_GetMsg.
#include "alert_messages.h"

#include <netrov/message_records.h>
#include <netrov/result_codes.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <filesystem>

#include "device_list.h"
#include "search_run.h"

namespace netrov::core {

namespace {

std::string absoluteImage(const std::string& path)
{
    if (path.empty()) return {};
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    return ec ? path : absolute.lexically_normal().string();
}

}  // namespace

std::vector<AlertMessage> alertMessages(const DeviceAccess& access, const DeviceIdentity& device,
                                        std::span<const DeviceStatus> alerts)
{
    std::vector<AlertMessage> messages(alerts.size());
    if (alerts.empty() || alerts.size() > INT32_MAX || !access.getMsg) return messages;

    // The same package serves the device's messages, through its message service.
    DeviceIdentity messageDevice = device;
    messageDevice.transport = NETROV_TRANSPORT_MSG;
    MessageRequest request;
    std::memset(&request, 0, sizeof request);
    request.alerts = alerts.data();
    std::vector<MessageRecord> records(alerts.size());
    int32_t count = 0;
    const auto n = static_cast<int32_t>(alerts.size());
    const int32_t result = access.getMsg(&messageDevice, reinterpret_cast<intptr_t>(&request), n, records.data(), n, &count);
    if (result != NETROV_OK) return messages;
    for (int32_t i = 0; i < std::min(count, n); ++i) {
        const MessageRecord& r = records[static_cast<std::size_t>(i)];
        messages[static_cast<std::size_t>(i)] = {fieldText(r.status), fieldText(r.recovery), absoluteImage(fieldText(r.imagePath))};
    }
    return messages;
}

std::vector<DeviceStatus> statusRecords(const QueryReading& reading)
{
    std::vector<DeviceStatus> records(static_cast<size_t>(reading.stored()));
    if (!records.empty()) memcpy(records.data(), reading.records.data(), records.size() * sizeof(DeviceStatus));
    promotePowerSave(records.data(), static_cast<int32_t>(records.size()));
    return records;
}

std::vector<DeviceStatus> alertsAmong(std::span<const DeviceStatus> records)
{
    std::vector<DeviceStatus> alerts;
    for (const DeviceStatus& r : records) {
        if (r.alertGroupValid && r.alertCodeValid) alerts.push_back(r);
    }
    return alerts;
}

}  // namespace netrov::core
