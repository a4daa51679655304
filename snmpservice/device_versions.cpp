// The per-address memory of versions and GetBulk faults, shared by every thread.
#include "device_versions.h"

#include "v3_sessions.h"

#include <map>
#include <mutex>

#include "read_cache.h"

namespace netrov::tessel {

namespace {

struct Learnt {
    std::optional<int32_t> version;
    bool bulkRefused = false;
};

struct Memory {
    std::mutex mutex;
    std::map<std::string, Learnt> byAddress;
};

Memory& memory()
{
    static Memory m;
    return m;
}

}  // namespace

std::optional<int32_t> rememberedVersion(const std::string& address)
{
    Memory& m = memory();
    const std::lock_guard lock(m.mutex);
    const auto found = m.byAddress.find(address);
    return found == m.byAddress.end() ? std::nullopt : found->second.version;
}

void rememberVersion(const std::string& address, int32_t version)
{
    Memory& m = memory();
    const std::lock_guard lock(m.mutex);
    m.byAddress[address].version = version;
}

bool bulkRefused(const std::string& address)
{
    Memory& m = memory();
    const std::lock_guard lock(m.mutex);
    const auto found = m.byAddress.find(address);
    return found != m.byAddress.end() && found->second.bulkRefused;
}

void refuseBulk(const std::string& address)
{
    Memory& m = memory();
    const std::lock_guard lock(m.mutex);
    m.byAddress[address].bulkRefused = true;
}

void forgetDevices()
{
    Memory& m = memory();
    const std::lock_guard lock(m.mutex);
    m.byAddress.clear();
    readCache().clear();
    forgetV3Sessions();
}

}  // namespace netrov::tessel
