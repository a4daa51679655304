// The application's list of found devices, shared by the search threads under one lock.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>
#include <type_traits>
#include <vector>

#include <netrov/device_identity.h>
#include <netrov/device_records.h>

namespace netrov::core {

inline constexpr int32_t kStatusRecords = 15;

// The simple status codes the status queries deliver; the first three all read as ready.
inline constexpr int32_t kStatusReady = 1;
inline constexpr int32_t kStatusPrinting = 2;
inline constexpr int32_t kStatusWarmingUp = 3;
inline constexpr int32_t kStatusWarning = 4;
inline constexpr int32_t kStatusError = 5;
inline constexpr int32_t kStatusPowerSave = 6;
inline constexpr int32_t kStatusUnknown = 7;
// Status code meaning "no answer to the last refresh".
inline constexpr int32_t kStatusNoAnswer = -1;

inline constexpr bool isReadyStatus(int32_t code) { return code >= kStatusReady && code <= kStatusWarmingUp; }

// One found device: what the search returned, then its information and
// status as the queries returned them.
struct DeviceListEntry {
    DeviceIdentity identity;
    DeviceInfo info;
    DeviceStatus status[kStatusRecords];
};

static_assert(sizeof(DeviceListEntry) == 2484);
static_assert(offsetof(DeviceListEntry, info) == 1296);
static_assert(offsetof(DeviceListEntry, status) == 1824);
static_assert(std::is_standard_layout_v<DeviceListEntry> && std::is_trivially_copyable_v<DeviceListEntry>);

// Only the first status record is shown and kept current.
inline int32_t statusCode(const DeviceListEntry& entry) { return entry.status[0].simpleStatus; }

// Insertion order is the key the views keep with each row.
class DeviceList {
public:
    size_t count() const;
    // An all-zero entry when i is out of range.
    DeviceListEntry copy(size_t i) const;
    std::vector<DeviceListEntry> copyAll() const;
    void append(const DeviceListEntry& entry);
    // Duplicate test and append as one step; false when an equal device is listed.
    bool appendUnique(const DeviceListEntry& entry);
    // Replaces the information record and the first status record; false when i is out of range.
    bool replace(size_t i, const DeviceInfo& info, const DeviceStatus& firstStatus);
    void clear();

private:
    mutable std::mutex mutex_;
    std::vector<DeviceListEntry> entries_;
};

// The word a status code is shown as: language key, string id, built-in text and image.
struct StatusWord {
    const char* key;     // nullptr for codes outside the table ("--")
    int32_t stringId;    // 0 when there is no string
    const char* builtIn; // "" when the string has no built-in text
    int32_t image;
};

StatusWord statusWord(int32_t code);
// The built-in word without its resource dots; "No answer" for a silent device.
std::string statusWordText(int32_t code);
// Six bytes as "00:1A:2B:3C:4D:5E".
std::string hardwareAddressText(const uint8_t address[6]);
// Four bytes, first on the wire first, as "192.0.2.1".
std::string dottedQuad(const uint8_t address[4]);

// A fixed text field of a record as a string: up to its first NUL, never past its end.
std::string fieldText(const char* field, size_t size);
template <size_t N>
std::string fieldText(const char (&field)[N])
{
    return fieldText(field, N);
}

// Writes text into a fixed text field of a record, cut to fit and always
// terminated.
template <size_t N>
void setFieldText(char (&field)[N], const std::string& text)
{
    const size_t size = std::min(text.size(), N - 1);
    std::memcpy(field, text.data(), size);
    field[size] = '\0';
}

}  // namespace netrov::core
