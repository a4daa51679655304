// The per-device answer cache and the list of objects single requests ask.
#include "read_cache.h"

#include <algorithm>
#include <iterator>

namespace netrov::tessel {

std::optional<CachedBinding> ReadCache::find(const ReadKey& key, const std::string& object,
                                             Clock::time_point now) const
{
    const std::lock_guard lock(mutex_);
    const auto device = devices_.find(key);
    if (device == devices_.end()) return std::nullopt;
    const auto entry = device->second.objects.find(object);
    if (entry == device->second.objects.end()) return std::nullopt;
    if (now - entry->second.stored >= limits_.lifetime || now < entry->second.stored) return std::nullopt;
    return entry->second.answer;
}

void ReadCache::store(const ReadKey& key, const std::string& object, CachedBinding answer, Clock::time_point now)
{
    const std::lock_guard lock(mutex_);
    auto device = devices_.find(key);
    if (device == devices_.end()) {
        while (!order_.empty() && devices_.size() >= limits_.devices) {
            devices_.erase(order_.front());
            order_.pop_front();
        }
        if (limits_.devices == 0) return;
        device = devices_.emplace(key, Device{}).first;
        device->second.age = order_.insert(order_.end(), key);
    } else {
        order_.splice(order_.end(), order_, device->second.age);
    }
    auto& objects = device->second.objects;
    if (!objects.contains(object) && objects.size() >= limits_.objectsPerDevice) {
        // Full: stale answers go first, then the oldest one.
        std::erase_if(objects, [&](const auto& e) { return now - e.second.stored >= limits_.lifetime; });
        if (objects.size() >= limits_.objectsPerDevice) {
            const auto oldest = std::min_element(objects.begin(), objects.end(), [](const auto& a, const auto& b) {
                return a.second.stored < b.second.stored;
            });
            if (oldest != objects.end()) objects.erase(oldest);
        }
        if (limits_.objectsPerDevice == 0) return;
    }
    objects[object] = Entry{now, std::move(answer)};
}

bool ReadCache::holdsAny(const ReadKey& key, Clock::time_point now) const
{
    const std::lock_guard lock(mutex_);
    const auto device = devices_.find(key);
    if (device == devices_.end()) return false;
    return std::any_of(device->second.objects.begin(), device->second.objects.end(), [&](const auto& e) {
        return now - e.second.stored < limits_.lifetime && now >= e.second.stored;
    });
}

size_t ReadCache::devices() const
{
    const std::lock_guard lock(mutex_);
    return devices_.size();
}

void ReadCache::forget(const std::string& target)
{
    const std::lock_guard lock(mutex_);
    for (auto it = devices_.begin(); it != devices_.end();) {
        if (it->first.target != target) {
            ++it;
            continue;
        }
        order_.erase(it->second.age);
        it = devices_.erase(it);
    }
}

void ReadCache::clear()
{
    const std::lock_guard lock(mutex_);
    devices_.clear();
    order_.clear();
}

ReadCache& readCache()
{
    static ReadCache cache;
    return cache;
}

void AskedObjects::note(uint8_t pduType, const std::vector<std::string>& objects)
{
    const std::lock_guard lock(mutex_);
    auto& [ordered, known] = byType_[pduType];
    for (const std::string& object : objects) {
        if (ordered.size() >= limit_) return;
        if (known.insert(object).second) ordered.push_back(object);
    }
}

std::vector<std::string> AskedObjects::of(uint8_t pduType) const
{
    const std::lock_guard lock(mutex_);
    const auto found = byType_.find(pduType);
    return found == byType_.end() ? std::vector<std::string>{} : found->second.first;
}

void AskedObjects::clear()
{
    const std::lock_guard lock(mutex_);
    byType_.clear();
}

AskedObjects& askedObjects()
{
    static AskedObjects asked;
    return asked;
}

namespace {

struct Registry {
    std::mutex mutex;
    std::vector<ReadAheadTable> tables;
    size_t groups = 0;
};

// Reached from static initialisers of other files: made on first use.
Registry& registry()
{
    static Registry r;
    return r;
}

}  // namespace

ReadAhead::ReadAhead(uint8_t pduType, std::initializer_list<std::span<const KeyEntry>> tables)
{
    Registry& r = registry();
    const std::lock_guard lock(r.mutex);
    const size_t group = r.groups++;
    for (const std::span<const KeyEntry> keys : tables)
        r.tables.push_back({pduType, {keys.begin(), keys.end()}, nullptr, group});
}

ReadAhead::ReadAhead(uint8_t pduType, const char* shapeTable, const std::vector<std::vector<KeyEntry>>& tables)
{
    Registry& r = registry();
    const std::lock_guard lock(r.mutex);
    const size_t group = r.groups++;
    for (const std::vector<KeyEntry>& keys : tables) r.tables.push_back({pduType, keys, shapeTable, group});
}

std::vector<ReadAheadTable> readAheadTables()
{
    Registry& r = registry();
    const std::lock_guard lock(r.mutex);
    return r.tables;
}

std::vector<std::vector<std::string>> splitBatch(const std::vector<std::string>& batch)
{
    if (batch.size() < 2) return {};
    const auto middle = batch.begin() + static_cast<std::ptrdiff_t>(batch.size() / 2);
    return {std::vector<std::string>(batch.begin(), middle), std::vector<std::string>(middle, batch.end())};
}

}  // namespace netrov::tessel
