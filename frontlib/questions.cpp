// Supported models, model names by object identifier, trap kinds and page flags.
#include "questions.h"

#include "package_list.h"

#include <algorithm>
#include <cstring>

namespace netrov::tuva {

namespace {

constexpr std::size_t kVersionLength = sizeof(TUVA_SUPPORT_MODEL::version) - 1;
constexpr std::size_t kTextLength = sizeof(TUVA_SUPPORT_MODEL::text) - 1;

void copyText(char* target, const std::string& text, std::size_t maxLength) noexcept
{
    std::size_t length = std::min(text.size(), maxLength);
    std::memcpy(target, text.data(), length);
    target[length] = '\0';
}

const Package* packageOfDevice(const DeviceIdentity* device) noexcept
{
    return device == nullptr ? nullptr : packageList().packageOfModel(fieldText(device->modelName));
}

}  // namespace

int32_t supportModels(TUVA_SUPPORT_MODEL* records, int32_t capacity, int32_t* count) noexcept
{
    if (count == nullptr) return 0;
    *count = 0;
    if (records == nullptr || capacity < 0) capacity = 0;
    for (const auto& package : packageList().packages()) {
        for (const ModelEntry& model : package->models) {
            TUVA_SUPPORT_MODEL record {};
            if (!model.displayText.empty()) {
                record.textPresent = 1;
                copyText(record.text, model.displayText, kTextLength);
            }
            if (!package->version.empty()) {
                record.versionPresent = 1;
                copyText(record.version, package->version, kVersionLength);
            }
            if (!record.textPresent && !record.versionPresent) continue;
            if (*count < capacity) records[*count] = record;
            if (*count < INT32_MAX) ++*count;
        }
    }
    return 0;
}

int32_t modelNameFromSysObjectId(const char* sysObjectId, char* buffer, int32_t size) noexcept
{
    if (buffer == nullptr || size < 0) size = 0;
    if (size > 0) std::memset(buffer, 0, static_cast<std::size_t>(size));
    if (sysObjectId == nullptr) return NETROV_MODEL_NOT_FOUND;
    for (const auto& package : packageList().packages()) {
        for (const ModelEntry& model : package->models) {
            if (model.sysObjectId != sysObjectId) continue;
            if (size > 0) copyText(buffer, model.displayText, static_cast<std::size_t>(size) - 1);
            return NETROV_OK;
        }
    }
    return NETROV_MODEL_NOT_FOUND;
}

int32_t isTrap(TrapKind kind, const DeviceIdentity* device, const char* trapId) noexcept
{
    const Package* package = packageOfDevice(device);
    if (package == nullptr || trapId == nullptr) return 0;
    const std::string& value = kind == TrapKind::kDevice ? package->deviceTrap
                             : kind == TrapKind::kJob    ? package->jobTrap
                                                         : package->faxTrap;
    return !value.empty() && value == trapId ? 1 : 0;
}

const char* helpFile(const DeviceIdentity* device) noexcept
{
    const Package* package = packageOfDevice(device);
    if (package == nullptr) package = packageList().first();
    return package == nullptr ? nullptr : package->help.c_str();
}

int32_t showPage(int page, const DeviceIdentity* device) noexcept
{
    if (device == nullptr || page < 0 || page >= kPages) return 0;
    const Package* package = packageOfDevice(device);
    if (package == nullptr) package = packageList().first();
    return package == nullptr ? 0 : package->pageFlag(static_cast<Page>(page), device->transport);
}

}  // namespace netrov::tuva
