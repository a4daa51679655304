// The shared machinery of the SNMP device service.
#include "framework.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <strings.h>
#include <map>
#include <memory>
#include <mutex>
#include <set>

#include "broadcast_list.h"
#include "decoders.h"
#include "device_versions.h"
#include "engine.h"
#include "matching.h"
#include "message.h"
#include "netrov/result_codes.h"
#include "netrov/snmp_version.h"
#include "platform/net_interfaces.h"
#include "read_cache.h"
#include "table_walk.h"
#include "v3_sessions.h"
#include "netrov/zomini.h"
#include "netrov/zomsnmp.h"
#include "netrov/zomxml.h"

#ifdef NETROV_HAVE_USM
#include "message_v3.h"
#endif

namespace netrov::tessel {

namespace {

struct PduDeleter {
    void operator()(SnmpMessage* m) const { free_snmp_pdu(m); }
};
struct PduListDeleter {
    void operator()(SnmpMessageList* l) const { free_snmp_pdu_list(l); }
};
struct ElementsDeleter {
    void operator()(ZomXmlElementList* l) const { ZOMXML_FreeElements(l); }
};
using PduPtr = std::unique_ptr<SnmpMessage, PduDeleter>;
using PduListPtr = std::unique_ptr<SnmpMessageList, PduListDeleter>;
using ElementsPtr = std::unique_ptr<ZomXmlElementList, ElementsDeleter>;

const ZomXmlNode* documentTop(const ServiceRecord* service)
{
    return service && service->document ? service->document->top : nullptr;
}

ElementsPtr elementsNamed(const ZomXmlNode* from, const char* tag)
{
    return ElementsPtr(from ? ZOMXML_GetElements(from, tag) : nullptr);
}

std::string dottedAddress(const uint8_t address[4])
{
    char text[64];
    snprintf(text, sizeof text, "%u.%u.%u.%u", address[0], address[1], address[2], address[3]);
    return text;
}

void copyBounded(char* out, size_t size, const char* text)
{
    if (!out || size == 0) return;
    const size_t n = text ? strnlen(text, size - 1) : 0;
    if (n) memcpy(out, text, n);
    out[n] = '\0';
}

using Clock = std::chrono::steady_clock;

// The deadline of the entry point call on this thread, when one runs.
thread_local std::optional<Clock::time_point> tQueryDeadline;

// The time-out (whole seconds, as the SNMP layer takes it) of a request that
// must end by the deadline: at most the whole seconds left, rounded down;
// none when less than a second is left.
std::optional<int32_t> secondsBefore(Clock::time_point deadline, int32_t timeout)
{
    const auto left = std::chrono::floor<std::chrono::seconds>(deadline - Clock::now()).count();
    if (left <= 0) return std::nullopt;
    return left < timeout ? static_cast<int32_t>(left) : timeout;
}

// The time-out a request may still use: none left ends the query.
std::optional<int32_t> timeoutLeft(int32_t timeout)
{
    if (!tQueryDeadline) return timeout;
    return secondsBefore(*tQueryDeadline, timeout);
}

struct Exchange {
    int code = NETROV_OK;  // or NO_MEMORY, NOT_ENCODABLE, NO_REPLY
    ValueList values;
};

const std::vector<Fallback>& fallbacksOf(const QuerySetup& setup, size_t key)
{
    static const std::vector<Fallback> kNone;
    return key < setup.fallbacks.size() ? setup.fallbacks[key] : kNone;
}

// A value the query can use: of the key's kind and not empty.
bool usable(const ReplyValue& value, const QuerySetup& setup, size_t key)
{
    const uint8_t expected = key < setup.kinds.size() ? setup.kinds[key] : kKindAny;
    return kindAccepted(value.kind, expected) && value.length > 0;
}

// The same request without fallbacks: walks follow one object per key, and
// a Set must change only the object the key names.
QuerySetup ownObjectsOnly(const QuerySetup& setup)
{
    QuerySetup plain = setup;
    plain.fallbacks.clear();
    return plain;
}

// Turns one reply (already in simple form) into one value per key; a key
// with fallbacks takes the first usable of its slots.
ValueList convertReply(const QuerySetup& setup, const SnmpSimpleMessage& reply)
{
    ValueList values(setup.requested.size());
    size_t slot = 0;
    const auto take = [&](const std::string& base, ReplyValue& v) {
        const SnmpSimpleBinding& binding = reply.variables[slot++];
        if (reply.errorStatus != 0) return;
        const char* name = binding.name;
        v.identifier.assign(name, strnlen(name, sizeof binding.name));
        size_t length = binding.valueLength > 0 ? static_cast<size_t>(binding.valueLength) : 0;
        if (length > sizeof binding.value) length = sizeof binding.value;
        v.bytes.assign(binding.value, binding.value + length);
        v.bytes.push_back(0);
        v.length = static_cast<uint32_t>(length);
        v.kind = kindOfTag(binding.type);
        if (!identifierUnder(v.identifier, base)) v.kind = kKindNone;
    };
    for (size_t i = 0; i < setup.requested.size(); ++i) {
        if (!setup.requested[i] || !setup.base[i]) continue;
        take(*setup.base[i], values[i]);
        bool chosen = usable(values[i], setup, i);
        for (const Fallback& fallback : fallbacksOf(setup, i)) {
            ReplyValue candidate;
            take(fallback.base, candidate);
            if (chosen || !usable(candidate, setup, i)) continue;
            values[i] = std::move(candidate);
            chosen = true;
        }
    }
    return values;
}

// Builds the request from the given identifiers (one per key, null for a
// key without one) and, for Set, the values in the same packed order.
std::unique_ptr<SnmpMessage, PduDeleter> buildRequest(const QuerySetup& setup,
                                                     const std::vector<std::optional<std::string>>& ids,
                                                     uint8_t pduType, std::span<const SetValue> setValues,
                                                     int* code)
{
    std::vector<SnmpSimpleBinding> bindings;
    bindings.reserve(setup.slotCount());
    // False when the identifier does not fit a slot.
    const auto named = [&](const std::string& id) {
        if (id.size() >= sizeof(SnmpSimpleBinding::name)) return false;
        SnmpSimpleBinding& b = bindings.emplace_back();
        memset(&b, 0, sizeof b);
        memcpy(b.name, id.data(), id.size());
        return true;
    };
    size_t setIndex = 0;
    for (size_t i = 0; i < ids.size(); ++i) {
        if (!setup.requested[i] || !setup.base[i]) continue;
        if (!named(ids[i] ? *ids[i] : *setup.requested[i])) {
            *code = NETROV_NOT_ENCODABLE;
            return nullptr;
        }
        if (pduType == SNMP_PDU_SET) {
            SnmpSimpleBinding& b = bindings.back();
            if (setIndex >= setValues.size() || setValues[setIndex].bytes.size() > sizeof b.value) {
                *code = NETROV_NOT_ENCODABLE;
                return nullptr;
            }
            const SetValue& sv = setValues[setIndex++];
            b.type = sv.tag;
            if (!sv.bytes.empty()) memcpy(b.value, sv.bytes.data(), sv.bytes.size());
            b.valueLength = static_cast<int32_t>(sv.bytes.size());
        }
        for (const Fallback& fallback : fallbacksOf(setup, i)) {
            if (!named(fallback.requested)) {
                *code = NETROV_NOT_ENCODABLE;
                return nullptr;
            }
        }
    }
    SnmpSimpleMessage request;
    memset(&request, 0, sizeof request);
    request.pduType = pduType;
    copyBounded(request.community, sizeof request.community, setup.community.c_str());
    request.variableCount = static_cast<int32_t>(bindings.size());
    request.variables = bindings.data();
    PduPtr message(snmp_simple2standard(&request));
    if (!message) *code = NETROV_NOT_ENCODABLE;
    return message;
}

// An answer from either path: SNMPv1 through the exported request, which
// stays what it always was, or SNMPv2c and SNMPv3 through the message layer.
struct Reply {
    PduPtr v1;
    snmp::MessagePtr v2c;
    int32_t failure = NETROV_NO_REPLY;  // why there is no answer: SNMPv3 names its faults
    const SnmpMessage* get() const { return v1 ? v1.get() : v2c.get(); }
    explicit operator bool() const { return get() != nullptr; }
};

std::string_view communityOf(const SnmpMessage& request)
{
    const size_t length = request.community && request.communityLength > 0
                              ? static_cast<size_t>(request.communityLength) : 0;
    return std::string_view(request.community ? request.community : "", length);
}

snmp::CommunityModel communityModel(int32_t version, const SnmpMessage& request)
{
    return snmp::CommunityModel(version, communityOf(request));
}

// An SNMPv3 device's record carries its profile's name where a community
// goes; the name chooses the credentials and never goes on the wire.
Reply sendV3(const std::string& target, int32_t timeout, const SnmpMessage& request)
{
    Reply reply;
    const V3Session session = v3Session(target, std::string(communityOf(request)));
    if (!session.model) {
        reply.failure = session.result;
        return reply;
    }
#ifdef NETROV_HAVE_USM
    snmp::V3Reply answer = snmp::requestV3(target.c_str(), timeout, 0, *session.model, request);
    if (answer.result != NETROV_OK) reply.failure = answer.result;
    reply.v2c = std::move(answer.message);
#else
    (void)timeout;
#endif
    return reply;
}

Reply sendOnce(const std::string& target, int32_t version, int32_t timeout, const SnmpMessage& request)
{
    Reply reply;
    if (version == NETROV_SNMP_V1) {
        reply.v1.reset(snmp_request(target.c_str(), timeout, &request));
    } else if (version == NETROV_SNMP_V2C) {
        reply.v2c = snmp::request(target.c_str(), timeout, communityModel(snmp::kVersion2c, request), request);
    } else if (version == NETROV_SNMP_V3) {
        return sendV3(target, timeout, request);
    }
    return reply;
}

// The version a request to the setup's device goes out in: its record's,
// or for "auto" the one that answered last; none when "auto" has not been
// answered yet.
std::optional<int32_t> versionFor(const QuerySetup& setup)
{
    if (setup.version != NETROV_SNMP_AUTO) return setup.version;
    return rememberedVersion(setup.target);
}

// Sends request once in the device's version; "auto" not yet answered tries
// SNMPv2c, then SNMPv1 within what is left of the call, and remembers the
// one that answered. A version this service cannot speak is never sent.
Reply sendRequest(const QuerySetup& setup, const SnmpMessage& request, int32_t timeout)
{
    if (const std::optional<int32_t> version = versionFor(setup)) {
        return sendOnce(setup.target, *version, timeout, request);
    }
    for (const int32_t version : {NETROV_SNMP_V2C, NETROV_SNMP_V1}) {
        const std::optional<int32_t> left = timeoutLeft(timeout);
        if (!left) break;
        if (Reply reply = sendOnce(setup.target, version, *left, request)) {
            rememberVersion(setup.target, version);
            return reply;
        }
    }
    return {};
}

bool speakable(int32_t version)
{
    return version == NETROV_SNMP_V1 || version == NETROV_SNMP_V2C || version == NETROV_SNMP_AUTO ||
           version == NETROV_SNMP_V3;
}

// Versions whose agents answer GetBulk and each object of a request on its own.
bool speaksBulk(std::optional<int32_t> version)
{
    return version == NETROV_SNMP_V2C || version == NETROV_SNMP_V3;
}

constexpr int32_t kNoSuchName = 2;

// An SNMPv1 agent answers a GetNext past its last object with noSuchName for
// the whole request. A fallback must not cost the other keys their answers:
// when the error names a fallback's slot, this is the request without that
// fallback, to be asked again. Each step drops one, so retries are bounded.
std::optional<QuerySetup> withoutFailedFallback(const QuerySetup& setup, const SnmpMessage& reply)
{
    if (reply.errorStatus != kNoSuchName || reply.errorIndex < 1) return std::nullopt;
    size_t slot = 0;
    const size_t failed = static_cast<size_t>(reply.errorIndex) - 1;
    for (size_t i = 0; i < setup.requested.size(); ++i) {
        if (!setup.requested[i] || !setup.base[i]) continue;
        if (slot++ == failed) return std::nullopt;  // the key's own object
        const std::vector<Fallback>& fallbacks = fallbacksOf(setup, i);
        if (failed < slot + fallbacks.size()) {
            QuerySetup reduced = setup;
            reduced.fallbacks[i].erase(reduced.fallbacks[i].begin() + static_cast<std::ptrdiff_t>(failed - slot));
            return reduced;
        }
        slot += fallbacks.size();
    }
    return std::nullopt;
}

Exchange exchange(const QuerySetup& setup, const std::vector<std::optional<std::string>>& ids,
                  uint8_t pduType, std::span<const SetValue> setValues)
{
    Exchange result;
    if (!speakable(setup.version)) {
        result.code = NETROV_NOT_ENCODABLE;
        return result;
    }
    PduPtr request = buildRequest(setup, ids, pduType, setValues, &result.code);
    if (!request) return result;
    const std::optional<int32_t> timeout = timeoutLeft(setup.timeout);
    if (!timeout) {
        result.code = NETROV_NO_REPLY;
        return result;
    }
    const Reply reply = sendRequest(setup, *request, *timeout);
    request.reset();
    if (!reply) {
        result.code = reply.failure;
        return result;
    }
    if (const std::optional<QuerySetup> reduced = withoutFailedFallback(setup, *reply.get())) {
        return exchange(*reduced, ids, pduType, setValues);
    }
    if (!replyToValues(setup, *reply.get(), &result.values, nullptr)) {
        // An answer the codec cannot hand over holds nothing usable.
        result.values.assign(setup.requested.size(), ReplyValue());
    }
    return result;
}

// The identifiers of one request's slots, in slot order.
std::vector<std::string> slotObjects(const QuerySetup& setup)
{
    std::vector<std::string> objects;
    objects.reserve(setup.slotCount());
    for (size_t i = 0; i < setup.requested.size(); ++i) {
        if (!setup.requested[i] || !setup.base[i]) continue;
        objects.push_back(*setup.requested[i]);
        for (const Fallback& fallback : fallbacksOf(setup, i)) objects.push_back(fallback.requested);
    }
    return objects;
}

// At most this many objects go in one batched request, so that a reply
// rarely outgrows what an agent sends (tooBig splits what still does).
constexpr size_t kMaxBatch = 64;
constexpr int32_t kTooBig = 1;

enum class BatchOutcome : uint8_t { Stored, NoReply, Refused };

// Asks objects in one request of the device's SNMPv2c and keeps each answer;
// on tooBig asks each half on its own, down to single objects.
BatchOutcome askBatch(const QuerySetup& setup, const ReadKey& key, const std::vector<std::string>& objects)
{
    std::vector<SnmpSimpleBinding> bindings(objects.size());
    for (size_t i = 0; i < objects.size(); ++i) {
        memset(&bindings[i], 0, sizeof bindings[i]);
        if (objects[i].size() >= sizeof bindings[i].name) return BatchOutcome::Refused;
        memcpy(bindings[i].name, objects[i].data(), objects[i].size());
    }
    SnmpSimpleMessage request;
    memset(&request, 0, sizeof request);
    request.pduType = key.pduType;
    copyBounded(request.community, sizeof request.community, setup.community.c_str());
    request.variableCount = static_cast<int32_t>(bindings.size());
    request.variables = bindings.data();
    PduPtr message(snmp_simple2standard(&request));
    if (!message) return BatchOutcome::Refused;
    const std::optional<int32_t> timeout = timeoutLeft(setup.timeout);
    if (!timeout) return BatchOutcome::NoReply;
    const Reply reply = sendOnce(setup.target, key.version, *timeout, *message);
    message.reset();
    if (!reply) return BatchOutcome::NoReply;
    if (reply.get()->errorStatus == kTooBig) {
        const std::vector<std::vector<std::string>> halves = splitBatch(objects);
        if (halves.empty()) return BatchOutcome::Refused;
        for (const std::vector<std::string>& half : halves) {
            const BatchOutcome outcome = askBatch(setup, key, half);
            if (outcome != BatchOutcome::Stored) return outcome;
        }
        return BatchOutcome::Stored;
    }
    // Another error names no answer per object: nothing is kept.
    if (reply.get()->errorStatus != 0) return BatchOutcome::Refused;
    std::fill(bindings.begin(), bindings.end(), SnmpSimpleBinding{});
    SnmpSimpleMessage simple;
    memset(&simple, 0, sizeof simple);
    simple.variableCount = static_cast<int32_t>(bindings.size());
    simple.variables = bindings.data();
    if (snmp_standard2simple(reply.get(), &simple) != 0) return BatchOutcome::Refused;
    size_t answered = 0;
    for (const SnmpBinding* b = reply.get()->variables; b && answered < bindings.size(); b = b->next) ++answered;
    ReadCache& cache = readCache();
    for (size_t i = 0; i < answered; ++i) {
        const SnmpSimpleBinding& b = bindings[i];
        const size_t length = std::min<size_t>(b.valueLength > 0 ? static_cast<size_t>(b.valueLength) : 0,
                                               sizeof b.value);
        cache.store(key, objects[i],
                    CachedBinding{std::string(b.name, strnlen(b.name, sizeof b.name)), b.type,
                                  std::vector<uint8_t>(b.value, b.value + length)});
    }
    return BatchOutcome::Stored;
}

// The reply to a request as its cached answers make it; none while any of
// its objects has no fresh answer.
std::optional<ValueList> cachedReply(const QuerySetup& setup, const ReadKey& key,
                                     const std::vector<std::string>& objects)
{
    std::vector<SnmpSimpleBinding> slots(objects.size());
    for (size_t i = 0; i < objects.size(); ++i) {
        std::optional<CachedBinding> answer = readCache().find(key, objects[i]);
        if (!answer) return std::nullopt;
        SnmpSimpleBinding& b = slots[i];
        memset(&b, 0, sizeof b);
        memcpy(b.name, answer->name.data(), std::min(answer->name.size(), sizeof b.name - 1));
        b.type = answer->type;
        const size_t length = std::min(answer->value.size(), sizeof b.value - 1);
        if (length) memcpy(b.value, answer->value.data(), length);
        b.valueLength = static_cast<int32_t>(length);
    }
    SnmpSimpleMessage simple;
    memset(&simple, 0, sizeof simple);
    simple.variableCount = static_cast<int32_t>(slots.size());
    simple.variables = slots.data();
    return convertReply(setup, simple);
}

// The objects the registered single requests of this type ask, as the
// setup's document names them.
struct ReadAheadObject {
    std::string object;
    size_t group;
};

std::vector<ReadAheadObject> findReadAheadObjects(const QuerySetup& setup, uint8_t pduType)
{
    std::vector<ReadAheadObject> objects;
    const uint8_t anywhere[4] = {};
    for (const ReadAheadTable& table : readAheadTables()) {
        uint8_t asked = table.pduType;
        char shape[16];
        if (table.shapeTable && lookupExchange(setup.service, table.shapeTable, std::nullopt, std::nullopt,
                                               std::nullopt, shape, sizeof shape) == 1) {
            if (strcasecmp(shape, "GETNEXT") == 0) asked = SNMP_PDU_GETNEXT;
            if (strcasecmp(shape, "GET") == 0) asked = SNMP_PDU_GET;
        }
        if (asked != pduType) continue;
        QuerySetup other;
        if (prepareQuery(&other, anywhere, table.keys, 0, "", setup.service) != NETROV_OK) continue;
        for (std::string& object : slotObjects(other)) objects.push_back({std::move(object), table.group});
    }
    return objects;
}

// The same, found once per definition document and request type: finding
// them means selecting every registered key in the document.
using ReadAheadList = std::shared_ptr<const std::vector<ReadAheadObject>>;
ReadAheadList readAheadObjects(const QuerySetup& setup, uint8_t pduType)
{
    if (!setup.service) return std::make_shared<const std::vector<ReadAheadObject>>();
    struct Found {
        std::string definition;
        ReadAheadList objects;
    };
    static std::mutex mutex;
    static std::map<std::pair<const void*, uint8_t>, Found> found;
    const std::string definition = setup.service->definitionFile ? setup.service->definitionFile : "";
    // A document loaded from no file has nothing that tells it apart from
    // an earlier one that lay at the same address: it is not kept.
    if (definition.empty())
        return std::make_shared<const std::vector<ReadAheadObject>>(findReadAheadObjects(setup, pduType));
    const auto key = std::make_pair(static_cast<const void*>(setup.service->document), pduType);
    {
        const std::lock_guard lock(mutex);
        if (const auto known = found.find(key); known != found.end() && known->second.definition == definition)
            return known->second.objects;
    }
    auto objects = std::make_shared<const std::vector<ReadAheadObject>>(findReadAheadObjects(setup, pduType));
    const std::lock_guard lock(mutex);
    // A handful of documents in a process; a reloaded one replaces its entry.
    found.insert_or_assign(key, Found{definition, objects});
    return objects;
}

// A single Get or GetNext to a device read by SNMPv2c or v3, where each object is
// answered on its own: answered from the cache, else asked together with
// the objects other single requests ask, whose answers the cache keeps for
// the queries that follow. None when the request must go out as it is.
std::optional<Exchange> exchangeThroughCache(const QuerySetup& setup, uint8_t pduType)
{
    const std::vector<std::string> objects = slotObjects(setup);
    askedObjects().note(pduType, objects);
    const std::optional<int32_t> version = speakable(setup.version) ? versionFor(setup) : std::nullopt;
    // SNMPv3 agents answer each object on its own as v2c ones do, and each
    // exchange costs them more: they share the cache.
    if (!speaksBulk(version) || objects.empty()) return std::nullopt;
    const ReadKey key{setup.target, setup.community, *version, pduType};
    Exchange result;
    if (std::optional<ValueList> values = cachedReply(setup, key, objects)) {
        result.values = std::move(*values);
        return result;
    }
    // This request's objects first, so that they share the first request.
    const std::set<std::string> own(objects.begin(), objects.end());
    // More objects than one batch holds: asked as they are.
    if (own.size() > kMaxBatch) return std::nullopt;
    std::vector<std::string> batch;
    std::set<std::string> inBatch;
    const auto add = [&](const std::string& object) {
        if (batch.size() < kMaxBatch && inBatch.insert(object).second) batch.push_back(object);
    };
    for (const std::string& object : objects) add(object);
    // A device's first batch reads ahead only the kinds of reading this
    // request belongs to: a search, which reads no more, does not have the
    // agent answer what an inventory would ask next. Once the device has
    // answered a batch, a wider reading is under way and everything goes.
    const ReadAheadList aheadList = readAheadObjects(setup, pduType);
    const std::vector<ReadAheadObject>& ahead = *aheadList;
    const bool first = !readCache().holdsAny(key);
    // The request's kind: the registration holding most of its objects (an
    // object may be registered by two kinds, the MAC address say).
    std::set<size_t> groups;
    if (first) {
        std::map<size_t, size_t> held;
        for (const ReadAheadObject& a : ahead)
            if (own.contains(a.object)) ++held[a.group];
        size_t most = 0;
        for (const auto& [group, count] : held) most = std::max(most, count);
        for (const auto& [group, count] : held)
            if (count == most) groups.insert(group);
    }
    const bool narrow = !groups.empty();
    for (const ReadAheadObject& a : ahead) {
        if (narrow && !groups.contains(a.group)) continue;
        if (!readCache().find(key, a.object)) add(a.object);
    }
    if (!narrow) {
        for (const std::string& object : askedObjects().of(pduType)) {
            if (!readCache().find(key, object)) add(object);
        }
    }
    const BatchOutcome outcome = askBatch(setup, key, batch);
    if (outcome == BatchOutcome::NoReply && batch.size() == own.size()) {
        result.code = NETROV_NO_REPLY;
        return result;
    }
    if (outcome != BatchOutcome::Stored) return std::nullopt;
    std::optional<ValueList> values = cachedReply(setup, key, objects);
    if (!values) return std::nullopt;
    result.values = std::move(*values);
    return result;
}

bool anyUsable(const ValueList& values)
{
    for (const ReplyValue& v : values) {
        if (v.kind != kKindNone) return true;
    }
    return false;
}

const char* attributeOf(const ZomXmlNode& element, const char* name)
{
    for (const ZomXmlAttribute* a = element.attributes; a; a = a->next) {
        if (a->name && strcasecmp(a->name, name) == 0) return a->value;
    }
    return nullptr;
}

}  // namespace

QueryClock::QueryClock(std::chrono::milliseconds limit) : outer_(tQueryDeadline)
{
    const Clock::time_point now = Clock::now();
    Clock::time_point deadline = now + limit;
    // A device read under way on this thread bounds each of its queries.
    if (const int32_t readLeft = snmp_read_deadline_left(); readLeft >= 0)
        deadline = std::min(deadline, now + std::chrono::milliseconds(readLeft));
    if (!tQueryDeadline || deadline < *tQueryDeadline) tQueryDeadline = deadline;
}

QueryClock::~QueryClock() { tQueryDeadline = outer_; }

SuffixedKeys::SuffixedKeys(std::span<const KeyEntry> keys, std::string suffix)
    : suffix_(std::move(suffix)), keys_(keys.begin(), keys.end())
{
    for (KeyEntry& k : keys_) k.suffix = suffix_.c_str();
}

uint8_t kindOfTag(uint8_t tag)
{
    switch (tag) {
    case SNMP_TYPE_INTEGER: return kKindInteger;
    case SNMP_TYPE_OCTETS: return kKindOctets;
    case SNMP_TYPE_OID: return kKindOid;
    case SNMP_TYPE_IPADDRESS: return kKindIpAddress;
    case SNMP_TYPE_COUNTER:
    case SNMP_TYPE_GAUGE:
    case SNMP_TYPE_TIMETICKS: return kKindUnsigned;
    default: return kKindNone;
    }
}

bool kindAccepted(uint8_t kind, uint8_t expected)
{
    if (kind == kKindNone) return false;
    if (expected == kKindAny) return kind >= kKindInteger && kind <= kKindUnsigned;
    if (expected == kKindNumber) return kind == kKindInteger || kind == kKindUnsigned;
    return kind == expected;
}

int findKeyIndex(std::span<const KeyEntry> keys, const char* key)
{
    if (!key) return -1;
    const auto upper = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; };
    for (size_t i = 0; i < keys.size(); ++i) {
        const char* a = keys[i].key;
        const char* b = key;
        if (!a) continue;
        while (*a && *b && upper(*a) == upper(*b)) {
            ++a;
            ++b;
        }
        if (*a == '\0' && *b == '\0') return static_cast<int>(i);
    }
    return -1;
}

int32_t ReplyValue::integer() const
{
    int32_t value = 0;
    if (!bytes.empty()) {
        const size_t n = length < sizeof value ? length : sizeof value;
        memcpy(&value, bytes.data(), n);
    }
    return value;
}

const ReplyValue* valueAt(const ValueList& values, int index)
{
    if (index < 0 || static_cast<size_t>(index) >= values.size()) return nullptr;
    return &values[static_cast<size_t>(index)];
}

uint32_t lastArc(const ValueList& values, int index)
{
    const ReplyValue* v = valueAt(values, index);
    return v ? lastArcOf(v->identifier) : 0;
}

int prepareQuery(QuerySetup* setup, const uint8_t address[4], std::span<const KeyEntry> keys,
                 int32_t timeout, const char* community, const ServiceRecord* service)
{
    if (!service) return NETROV_BAD_ARGUMENT;
    *setup = QuerySetup();
    setup->service = service;
    setup->target = dottedAddress(address);
    if (community) setup->community.assign(community, strnlen(community, 127));
    setup->timeout = timeout;
    setup->requested.assign(keys.size(), std::nullopt);
    setup->base.assign(keys.size(), std::nullopt);
    if (!service->document) return NETROV_NOT_DEFINED;

    setup->fallbacks.assign(keys.size(), {});
    setup->kinds.resize(keys.size());
    ElementsPtr oids = elementsNamed(documentTop(service), "oid");
    for (size_t i = 0; i < keys.size(); ++i) {
        setup->kinds[i] = keys[i].kind;
        const Requirement requirement{keys[i].attribute, keys[i].key};
        const ZomXmlNode* element = selectElement(oids.get(), std::span(&requirement, 1));
        if (!element) continue;
        // The element's own identifier, then its fallbacks in document
        // order. A text without an identifier is passed over, so a field
        // stays unset rather than garbage being sent. A "from" attribute
        // names where a GetNext or a walk starts (say, after the loopback
        // rows of a table indexed by address); answers count only inside the
        // element's own identifier.
        std::vector<Fallback> objects;
        const auto add = [&](const ZomXmlNode& object) {
            Fallback o{{}, normalisedOid(object.text ? object.text : "")};
            if (o.base.empty()) return;
            const char* from = attributeOf(object, "from");
            const std::string start = from && *from ? normalisedOid(from) : o.base;
            if (start.empty()) return;
            o.requested = normalisedOid(start + (keys[i].suffix ? keys[i].suffix : ""));
            if (!o.requested.empty()) objects.push_back(std::move(o));
        };
        add(*element);
        ElementsPtr fallbacks = elementsNamed(element->firstChild, "fallback");
        for (const ZomXmlElementList* cell = fallbacks.get(); cell; cell = cell->next) {
            if (cell->element) add(*cell->element);
        }
        if (objects.empty()) continue;
        setup->base[i] = std::move(objects.front().base);
        setup->requested[i] = std::move(objects.front().requested);
        setup->fallbacks[i].assign(std::make_move_iterator(objects.begin() + 1), std::make_move_iterator(objects.end()));
        ++setup->defined;
    }
    return setup->defined == 0 ? NETROV_NOT_DEFINED : NETROV_OK;
}

std::string deviceTarget(const DeviceIdentity& device)
{
    const char* host = netrovDeviceHost(&device);
    return host ? std::string(host) : dottedAddress(device.address);
}

int prepareQuery(QuerySetup* setup, const DeviceIdentity& device, std::span<const KeyEntry> keys,
                 const ServiceRecord* service)
{
    const int prepared = prepareQuery(setup, device.address, keys, device.timeout, device.community, service);
    setup->target = deviceTarget(device);
    setup->version = netrovSnmpVersion(&device);
    return prepared;
}

bool readsByV2c(const DeviceIdentity& device)
{
    const int32_t version = netrovSnmpVersion(&device);
    if (version == NETROV_SNMP_AUTO) return rememberedVersion(deviceTarget(device)) == NETROV_SNMP_V2C;
    return speaksBulk(version);
}

size_t QuerySetup::slotCount() const
{
    size_t slots = 0;
    for (size_t i = 0; i < requested.size(); ++i) {
        if (!requested[i] || i >= base.size() || !base[i]) continue;
        slots += 1 + (i < fallbacks.size() ? fallbacks[i].size() : 0);
    }
    return slots;
}

RequestResult requestValues(const QuerySetup& setup, uint8_t pduType, std::span<const SetValue> setValues)
{
    RequestResult result;
    // A Set changes what the device would answer: its cached answers go.
    if (pduType == SNMP_PDU_SET) readCache().forget(setup.target);
    std::optional<Exchange> cached =
        pduType == SNMP_PDU_SET ? std::nullopt : exchangeThroughCache(setup, pduType);
    Exchange e = pduType == SNMP_PDU_SET ? exchange(ownObjectsOnly(setup), setup.requested, pduType, setValues)
                 : cached              ? std::move(*cached)
                                       : exchange(setup, setup.requested, pduType, setValues);
    result.code = e.code;
    result.values = std::move(e.values);
    if (result.code == NETROV_OK && !anyUsable(result.values)) result.code = NETROV_NO_VALUE;
    return result;
}

bool replyToValues(const QuerySetup& setup, const SnmpMessage& reply, ValueList* values, uint8_t address[4])
{
    std::vector<SnmpSimpleBinding> slots(setup.slotCount());
    memset(slots.data(), 0, slots.size() * sizeof(SnmpSimpleBinding));
    SnmpSimpleMessage simple;
    memset(&simple, 0, sizeof simple);
    simple.variableCount = static_cast<int32_t>(slots.size());
    simple.variables = slots.data();
    if (snmp_standard2simple(&reply, &simple) != 0) return false;
    *values = convertReply(setup, simple);
    if (address) memcpy(address, simple.sourceAddress, 4);
    return true;
}

int32_t setOutcome(std::span<const KeyEntry> keys, const RequestResult& result)
{
    if (result.code != NETROV_OK) return result.code;
    for (size_t i = 0; i < keys.size(); ++i) {
        const ReplyValue* v = valueAt(result.values, static_cast<int>(i));
        // An INTEGER without content bytes confirms nothing.
        if (!v || v->kind != kKindInteger || !v->hasBytes() || v->length == 0) return NETROV_SET_UNCONFIRMED;
    }
    return NETROV_OK;
}

namespace {

// One GetNext of the cursor's columns: a row when any column advanced.
// False when the walk ends here (nothing advanced, or the exchange failed,
// which sets result's code).
bool nextRowByGetNext(const QuerySetup& setup, WalkCursor& cursor, RowsResult& result)
{
    Exchange e = exchange(setup, cursor.current, SNMP_PDU_GETNEXT, {});
    if (e.code != NETROV_OK) {
        result.rows.clear();
        result.code = e.code;
        return false;
    }
    bool advanced = false;
    for (size_t i = 0; i < e.values.size(); ++i) {
        const ReplyValue& v = e.values[i];
        if (v.kind == kKindNone || !cursor.current[i]) continue;
        if (compareOids(v.identifier, *cursor.current[i]) > 0) advanced = true;
    }
    // Nothing usable, or an agent that does not move on: the table ends.
    if (!advanced) return false;
    for (size_t i = 0; i < e.values.size(); ++i) {
        if (e.values[i].kind != kKindNone) cursor.current[i] = e.values[i].identifier;
    }
    result.rows.emplace_back().values = std::move(e.values);
    return true;
}

// Reads a table by GetBulk for one device, as long as its agent answers
// GetBulk well. Repetitions start at kBulkRepetitions, halve on tooBig or a
// time-out and double back on success, never past the half of a size that
// got tooBig.
class BulkTableReader {
public:
    BulkTableReader(const QuerySetup& setup, WalkCursor& cursor, size_t maxRows)
        : setup_(setup), cursor_(cursor), maxRows_(maxRows) {}

    enum class Next : uint8_t { More, Ended, GetNext, NoReply };

    // One exchange within timeout seconds.
    Next step(RowsResult& result, int32_t timeout)
    {
        if (cursor_.activeCount(setup_) == 0) return Next::Ended;
        QuerySetup asked = setup_;
        for (size_t i = 0; i < asked.requested.size(); ++i) {
            if (!cursor_.active(setup_, i)) asked.requested[i].reset();
        }
        const int32_t repetitions = static_cast<int32_t>(
            std::min<size_t>(static_cast<size_t>(repetitions_), maxRows_ - result.rows.size()));
        int code = NETROV_OK;
        PduPtr request = buildRequest(asked, cursor_.current, kPduGetBulk, {}, &code);
        if (!request) return Next::GetNext;
        request->errorStatus = 0;  // non-repeaters
        request->errorIndex = repetitions;
        const int32_t version = setup_.version == NETROV_SNMP_V3 ? NETROV_SNMP_V3 : NETROV_SNMP_V2C;
        const Reply reply = sendOnce(setup_.target, version, timeout, *request);
        if (!reply) {
            repetitions_ = std::max(repetitions_ / 2, 1);
            return ++silences_ >= 2 ? Next::NoReply : Next::More;
        }
        silences_ = 0;
        switch (takeBulkReply(setup_, cursor_, *reply.get(), repetitions, maxRows_, &result.rows)) {
        case BulkStep::More:
            repetitions_ = std::min(repetitions_ * 2, ceiling_);
            return Next::More;
        case BulkStep::Ended: return Next::Ended;
        case BulkStep::TooBig:
            if (repetitions <= 1) return Next::GetNext;
            ceiling_ = repetitions / 2;
            repetitions_ = ceiling_;
            return Next::More;
        case BulkStep::Fault: return Next::GetNext;
        }
        return Next::GetNext;
    }

private:
    const QuerySetup& setup_;
    WalkCursor& cursor_;
    size_t maxRows_;
    int32_t repetitions_ = kBulkRepetitions;
    int32_t ceiling_ = kBulkRepetitions;
    int silences_ = 0;
};

}  // namespace

namespace {

// Whether the read cache shows the table empty: every column's first
// GetNext answer, read ahead a moment ago in the same version, lies past
// its column. The GetNext walk would end there with no row; a GetBulk
// walk would make the agent compute rows of whatever follows the table.
bool emptyByReadAhead(const QuerySetup& setup, const std::optional<int32_t>& version)
{
    if (!speaksBulk(version)) return false;
    const std::vector<std::string> objects = slotObjects(setup);
    if (objects.empty()) return false;
    const ReadKey key{setup.target, setup.community, *version, SNMP_PDU_GETNEXT};
    const std::optional<ValueList> first = cachedReply(setup, key, objects);
    return first && !anyUsable(*first);
}

}  // namespace

RowsResult walkTable(const QuerySetup& request, size_t maxRows, std::chrono::milliseconds limit)
{
    QuerySetup setup = ownObjectsOnly(request);
    RowsResult result;
    WalkCursor cursor(setup);
    Clock::time_point deadline = Clock::now() + limit;
    if (tQueryDeadline && *tQueryDeadline < deadline) deadline = *tQueryDeadline;
    std::optional<int32_t> version = speakable(setup.version) ? versionFor(setup) : std::nullopt;
    if (emptyByReadAhead(setup, version)) return result;
    bool bulk = speaksBulk(version) && !bulkRefused(setup.target);
    BulkTableReader reader(setup, cursor, maxRows);
    // Set when GetBulk got no answer twice: GetNext decides whether the
    // agent is silent to GetBulk alone or to everything.
    bool bulkSilent = false;
    while (result.rows.size() < maxRows) {
        // No request that could not end by the deadline: the walk ends with
        // the rows read so far, its last request included in the bound.
        const std::optional<int32_t> timeout = secondsBefore(deadline, request.timeout);
        if (!timeout) break;
        setup.timeout = *timeout;
        if (bulk) {
            const BulkTableReader::Next next = reader.step(result, *timeout);
            if (next == BulkTableReader::Next::Ended) break;
            if (next == BulkTableReader::Next::More) continue;
            // The rest of this walk, and every later one, by GetNext.
            bulk = false;
            if (next == BulkTableReader::Next::GetNext) refuseBulk(setup.target);
            bulkSilent = next == BulkTableReader::Next::NoReply;
            continue;
        }
        const bool more = nextRowByGetNext(setup, cursor, result);
        // An "auto" device answers its first GetNext in the version it speaks.
        if (!version && !bulkSilent && result.code == NETROV_OK) {
            version = versionFor(setup);
            bulk = speaksBulk(version) && !bulkRefused(setup.target);
        }
        // GetNext answered where GetBulk was not: the agent ignores GetBulk.
        if (bulkSilent && result.code == NETROV_OK) {
            refuseBulk(setup.target);
            bulkSilent = false;
        }
        if (!more) break;
    }
    return result;
}

namespace {

// The answers of one version to one broadcast (or unicast) GetNext.
struct Answers {
    PduListPtr v1;
    snmp::MessageListPtr v2c;
    const SnmpMessageList* get() const { return v1 ? v1.get() : v2c.get(); }
};

Answers collectAnswers(const QuerySetup& setup, int32_t version, int32_t timeout, const SnmpMessage& request)
{
    Answers answers;
    if (version == NETROV_SNMP_V1) {
        answers.v1.reset(multi_snmp_request(setup.target.c_str(), timeout, &request));
    } else {
        const std::vector<uint32_t> broadcasts = snmp::broadcastAddresses(platform::localAddressTable());
        answers.v2c = snmp::collect(setup.target.c_str(), timeout, communityModel(snmp::kVersion2c, request),
                                    request, broadcasts);
    }
    return answers;
}

// SNMPv3 has no broadcast, as each agent has its own engine and keys: a
// search by v3 asks its one address, and an answer there is its one row.
RowsResult askedDirectly(const QuerySetup& setup)
{
    RowsResult result;
    unsigned parts[4] = {};
    char rest = 0;
    const bool dotted = sscanf(setup.target.c_str(), "%u.%u.%u.%u%c", &parts[0], &parts[1], &parts[2], &parts[3],
                               &rest) == 4 &&
                        std::all_of(std::begin(parts), std::end(parts), [](unsigned p) { return p < 256; });
    if (!dotted || std::all_of(std::begin(parts), std::end(parts), [](unsigned p) { return p == 255; })) {
        result.code = NETROV_NO_REPLY;
        return result;
    }
    Exchange e = exchange(setup, setup.requested, SNMP_PDU_GETNEXT, {});
    result.code = e.code;
    if (e.code != NETROV_OK) return result;
    ReplyRow& row = result.rows.emplace_back();
    row.version = NETROV_SNMP_V3;
    row.values = std::move(e.values);
    for (size_t i = 0; i < 4; ++i) row.address[i] = static_cast<uint8_t>(parts[i]);
    return result;
}

// An IPv6 target has no broadcast either: it is asked alone, in SNMPv2c
// first under "auto", and its answer is one row without an IPv4 address.
RowsResult askedByHost(const QuerySetup& setup)
{
    RowsResult result;
    std::vector<int32_t> versions{setup.version};
    if (setup.version == NETROV_SNMP_AUTO) versions = {NETROV_SNMP_V2C, NETROV_SNMP_V1};
    result.code = NETROV_NO_REPLY;
    for (const int32_t version : versions) {
        QuerySetup asked = setup;
        asked.version = version;
        Exchange e = exchange(asked, asked.requested, SNMP_PDU_GETNEXT, {});
        if (e.code != NETROV_OK) {
            result.code = e.code;
            if (e.code != NETROV_NO_REPLY) break;
            continue;
        }
        result.code = NETROV_OK;
        ReplyRow& row = result.rows.emplace_back();
        row.version = version;
        row.values = std::move(e.values);
        if (setup.version == NETROV_SNMP_AUTO) rememberVersion(setup.target, version);
        break;
    }
    return result;
}

}  // namespace

RowsResult broadcastRequest(const QuerySetup& setup)
{
    RowsResult result;
    if (!speakable(setup.version)) {
        result.code = NETROV_NOT_ENCODABLE;
        return result;
    }
    if (setup.version == NETROV_SNMP_V3) return askedDirectly(setup);
    if (setup.target.find(':') != std::string::npos) return askedByHost(setup);
    PduPtr request = buildRequest(setup, setup.requested, SNMP_PDU_GETNEXT, {}, &result.code);
    if (!request) return result;
    // "auto" asks in SNMPv2c first; SNMPv1 then finds the devices that did
    // not answer it, unless the one device asked for already did.
    std::vector<int32_t> versions{setup.version};
    if (setup.version == NETROV_SNMP_AUTO) versions = {NETROV_SNMP_V2C, NETROV_SNMP_V1};
    std::vector<std::array<uint8_t, 4>> answered;
    for (const int32_t version : versions) {
        const std::optional<int32_t> timeout = timeoutLeft(setup.timeout);
        if (!timeout) break;
        const Answers answers = collectAnswers(setup, version, *timeout, *request);
        bool targetAnswered = false;
        for (const SnmpMessageList* cell = answers.get(); cell; cell = cell->next) {
            if (!cell->message) continue;
            std::array<uint8_t, 4> from;
            memcpy(from.data(), cell->message->sourceAddress, 4);
            if (std::find(answered.begin(), answered.end(), from) != answered.end()) continue;
            answered.push_back(from);
            targetAnswered = targetAnswered || dottedAddress(from.data()) == setup.target;
            ReplyRow row;
            row.version = version;
            if (std::optional<QuerySetup> reduced = withoutFailedFallback(setup, *cell->message)) {
                // Ask that device again, directly, without the fallback it lacks.
                reduced->target = dottedAddress(cell->message->sourceAddress);
                reduced->version = version;
                Exchange again = exchange(*reduced, reduced->requested, SNMP_PDU_GETNEXT, {});
                if (again.code != NETROV_OK) continue;
                row.values = std::move(again.values);
                memcpy(row.address, cell->message->sourceAddress, sizeof row.address);
            } else if (!replyToValues(setup, *cell->message, &row.values, row.address)) {
                continue;
            }
            if (setup.version == NETROV_SNMP_AUTO) rememberVersion(dottedAddress(row.address), version);
            result.rows.push_back(std::move(row));
        }
        if (targetAnswered) break;
    }
    if (answered.empty()) result.code = NETROV_NO_REPLY;
    return result;
}

void readLanguageString(const ServiceRecord* service, const char* key, char* out, size_t size)
{
    if (!out || size == 0) return;
    memset(out, 0, size);
    if (!service || !service->languageFile || !key) return;
    const uint32_t limit = size > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(size);
    ZOMINI_IniReadString("STRING", key, "", out, limit, service->languageFile);
    out[size - 1] = '\0';
}

int lookupExchange(const ServiceRecord* service, const char* table, const char* key1,
                   const char* key2, const char* key3, char* out, size_t size)
{
    if (out && size) out[0] = '\0';
    const ZomXmlNode* top = documentTop(service);
    if (!top) return 0;
    ElementsPtr keywords = elementsNamed(top, "keyword");
    const Requirement byName{"name", table};
    const ZomXmlNode* keyword = selectElement(keywords.get(), std::span(&byName, 1));
    if (!keyword || !keyword->firstChild) return 0;
    ElementsPtr rows = elementsNamed(keyword->firstChild, "exchange");
    const Requirement keys[] = {{"key1", key1}, {"key2", key2}, {"key3", key3}};
    const ZomXmlNode* row = selectElement(rows.get(), keys);
    if (!row) return 0;
    if (row->text && out && size) {
        if (row->text[0] == '#') {
            readLanguageString(service, row->text, out, size);
        } else {
            copyBounded(out, size, row->text);
        }
    }
    return 1;
}

int lookupExchange(const ServiceRecord* service, const char* table, std::optional<int32_t> key1,
                   std::optional<int32_t> key2, std::optional<int32_t> key3, char* out, size_t size)
{
    char text[3][16] = {};
    const std::optional<int32_t>* keys[] = {&key1, &key2, &key3};
    for (int i = 0; i < 3; ++i) {
        if (*keys[i]) snprintf(text[i], sizeof text[i], "%d", **keys[i]);
    }
    return lookupExchange(service, table, text[0], text[1], text[2], out, size);
}

int hexTextToBytes(const char* elementName, uint8_t* out, size_t capacity, size_t* count,
                   const ServiceRecord* service)
{
    if (count) *count = 0;
    ElementsPtr elements = elementsNamed(documentTop(service), elementName);
    if (!elements || !elements->element) return -1;
    const char* text = elements->element->text;
    return hexPairsToBytes(text ? text : "", out, capacity, count);
}

int KeyedValues::index(const char* key) const
{
    const int found = findKeyIndex(keys_, key);
    if (found < 0) codingFault("a key is not in the query's key table", key ? key : "(null)");
    return found;
}

const ReplyValue* KeyedValues::get(const char* key) const
{
    const int index = this->index(key);
    const ReplyValue* v = valueAt(values_, index);
    if (!v || !kindAccepted(v->kind, keys_[static_cast<size_t>(index)].kind) || !v->hasBytes()) return nullptr;
    return v;
}

std::optional<int32_t> KeyedValues::integer(const char* key) const
{
    const ReplyValue* v = get(key);
    if (!v) return std::nullopt;
    return v->integer();
}

void codingFault(const char* what, const char* detail) noexcept
{
    fprintf(stderr, "tessel: %s%s%s\n", what, detail && *detail ? ": " : "", detail ? detail : "");
    fflush(stderr);
    abort();
}

void copyText(char* field, size_t size, const uint8_t* bytes, size_t length)
{
    if (size == 0) return;
    const size_t n = length < size - 1 ? length : size - 1;
    if (n) memcpy(field, bytes, n);
    field[n] = '\0';
}

}  // namespace netrov::tessel
