// A short-lived per-device store of single-object answers read over SNMPv2c,
// so that one request answers the Gets and GetNexts of several queries.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <list>
#include <map>
#include <mutex>
#include <initializer_list>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "framework.h"

namespace netrov::tessel {

// One answered binding as the agent gave it, exception values included, so
// that a later read converts it exactly as it would the fresh answer.
struct CachedBinding {
    std::string name;
    uint8_t type = 0;
    std::vector<uint8_t> value;
};

// Which device an answer came from and how it was asked: answers never cross
// a community, a version or a request type.
struct ReadKey {
    std::string target;
    std::string community;
    int32_t version = 0;
    uint8_t pduType = 0;
    auto operator<=>(const ReadKey&) const = default;
};

class ReadCache {
public:
    using Clock = std::chrono::steady_clock;
    struct Limits {
        std::chrono::milliseconds lifetime{4000};  // answers older than this are asked again
        // Least recently stored device goes first. A search reads up to 255
        // addresses at once: fewer places would drop a device's answers
        // before its own next query reads them.
        size_t devices = 256;
        size_t objectsPerDevice = 512;
    };

    ReadCache() : ReadCache(Limits{}) {}
    explicit ReadCache(Limits limits) : limits_(limits) {}

    // The answer to object under key, while still fresh at now.
    std::optional<CachedBinding> find(const ReadKey& key, const std::string& object,
                                      Clock::time_point now = Clock::now()) const;
    void store(const ReadKey& key, const std::string& object, CachedBinding answer,
               Clock::time_point now = Clock::now());
    size_t devices() const;
    // Whether any answer of the key's device and request type is still fresh.
    bool holdsAny(const ReadKey& key, Clock::time_point now = Clock::now()) const;
    // Forgets every answer of the target (after a Set to it, say).
    void forget(const std::string& target);
    void clear();

private:
    struct Entry {
        Clock::time_point stored;
        CachedBinding answer;
    };
    struct Device {
        std::map<std::string, Entry> objects;
        std::list<ReadKey>::iterator age;
    };
    Limits limits_;
    mutable std::mutex mutex_;
    std::map<ReadKey, Device> devices_;
    std::list<ReadKey> order_;  // oldest stored first
};

// The process's cache, shared by every thread.
ReadCache& readCache();

// Objects single requests of the service have asked, by request type, in the
// order first asked (bounded): a request to a v2c device asks them along.
class AskedObjects {
public:
    explicit AskedObjects(size_t limit = 256) : limit_(limit) {}
    void note(uint8_t pduType, const std::vector<std::string>& objects);
    std::vector<std::string> of(uint8_t pduType) const;
    void clear();

private:
    size_t limit_;
    mutable std::mutex mutex_;
    std::map<uint8_t, std::pair<std::vector<std::string>, std::set<std::string>>> byType_;
};

AskedObjects& askedObjects();

// The key tables of the single requests (Get 0xA0, GetNext 0xA1) that a
// reading of a device makes, each registered once where its query is
// described: a request to a v2c device asks their objects along, from a
// process's first reading on.
struct ReadAhead {
    ReadAhead(uint8_t pduType, std::initializer_list<std::span<const KeyEntry>> tables);
    // Tables made at start-up (key texts stay static); shapeTable, when
    // set, names the document's keyword whose exchange ("GET", "GETNEXT")
    // overrides pduType.
    ReadAhead(uint8_t pduType, const char* shapeTable, const std::vector<std::vector<KeyEntry>>& tables);
};
struct ReadAheadTable {
    uint8_t pduType;
    std::vector<KeyEntry> keys;
    const char* shapeTable = nullptr;
    size_t group = 0;  // the registration it came with: the tables of one kind of reading
};
std::vector<ReadAheadTable> readAheadTables();

// Splits a batch of objects into the requests to send after an agent
// answered tooBig to one of batch size: halves, each never empty; none when
// a single object is too big on its own.
std::vector<std::vector<std::string>> splitBatch(const std::vector<std::string>& batch);

}  // namespace netrov::tessel
