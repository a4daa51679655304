// The machinery every query shares: object identifiers by query key, the
// three request shapes (single request, table walk, broadcast), reply values,
// conversion tables and language strings.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "netrov/device_identity.h"
#include "netrov/result_codes.h"
#include "netrov/service_record.h"
#include "netrov/zomsnmp.h"

namespace netrov::tessel {

// Value kinds derived from the ASN.1 tag of a reply value.
inline constexpr uint8_t kKindNone = 0;
inline constexpr uint8_t kKindInteger = 1;
inline constexpr uint8_t kKindOctets = 2;
inline constexpr uint8_t kKindOid = 3;
inline constexpr uint8_t kKindIpAddress = 4;
inline constexpr uint8_t kKindUnsigned = 5;
inline constexpr uint8_t kKindAny = 0xFF;
// Expected kind of a count that devices give either as an INTEGER or as a
// Counter32/Gauge32 (a page counter, its maximum).
inline constexpr uint8_t kKindNumber = 0xFE;

// A walk ends when the agent stops advancing, and in any case after this
// many rows or by this deadline (or the call's, when that comes first), so a
// misbehaving agent cannot keep a query busy for ever; the rows read by then
// are the walk's result.
inline constexpr size_t kMaxWalkRows = 65536;
inline constexpr std::chrono::milliseconds kWalkDeadline{60'000};
// One entry point call ends within this bound, its last request included,
// whatever its time-out: a request waits at most the whole seconds left
// before the deadline, and none is sent with less than a second left (it
// fails as unanswered, NETROV_NO_REPLY).
inline constexpr std::chrono::milliseconds kQueryDeadline{60'000};

// Starts the deadline of the entry point call running on this thread; ends
// it when destroyed. An inner clock keeps the earlier of the two deadlines,
// and the device read's deadline (snmp_set_read_deadline) bounds both.
class QueryClock {
public:
    explicit QueryClock(std::chrono::milliseconds limit = kQueryDeadline);
    ~QueryClock();
    QueryClock(const QueryClock&) = delete;
    QueryClock& operator=(const QueryClock&) = delete;

private:
    std::optional<std::chrono::steady_clock::time_point> outer_;
};

// One key of a query: which `oid` element names its object, what suffix
// (instance) to append for this call, which value kind the query accepts.
struct KeyEntry {
    const char* attribute;  // always "def"
    const char* key;        // e.g. "GETDEVINFO_DEVICE"
    const char* suffix;     // "" in the static tables
    uint8_t kind;
};

// A copy of a static key table whose identifiers get an instance suffix
// (e.g. ".1.3") for one call; the static table stays untouched, so calls on
// other threads are unaffected.
class SuffixedKeys {
public:
    SuffixedKeys(std::span<const KeyEntry> keys, std::string suffix);
    std::span<const KeyEntry> keys() const { return keys_; }

private:
    std::string suffix_;
    std::vector<KeyEntry> keys_;
};

uint8_t kindOfTag(uint8_t tag);
bool kindAccepted(uint8_t kind, uint8_t expected);
int findKeyIndex(std::span<const KeyEntry> keys, const char* key);

struct ReplyValue {
    uint8_t kind = kKindNone;     // kKindNone: no usable value
    std::string identifier;       // the identifier the reply named
    std::vector<uint8_t> bytes;   // value bytes followed by one NUL
    uint32_t length = 0;          // value length without the NUL
    bool hasBytes() const { return !bytes.empty(); }
    const uint8_t* data() const { return bytes.data(); }
    // The 32-bit integer in the first four value bytes (kinds 1 and 5).
    int32_t integer() const;
};
using ValueList = std::vector<ReplyValue>;

const ReplyValue* valueAt(const ValueList& values, int index);
uint32_t lastArc(const ValueList& values, int index);

struct ReplyRow {
    ValueList values;
    uint8_t address[4] = {};  // the answering device (broadcast only)
    int32_t version = 0;      // the SNMP version byte it answered in (broadcast only)
};

// A further object a definition names for a key (its `fallback` children),
// asked in the same request as the key's own.
struct Fallback {
    std::string requested;  // identifier + suffix
    std::string base;
};

// One request sequence: target, community, time-out and, per key, the
// requested identifier (element text + suffix) and its base (element text).
struct QuerySetup {
    std::string target;
    std::string community;
    int32_t timeout = 0;
    std::vector<std::optional<std::string>> requested;
    std::vector<std::optional<std::string>> base;
    int defined = 0;
    // Per key: its fallbacks in document order and the kind the query
    // accepts, which decides whether an answer is usable. Single requests and
    // broadcasts ask them; walks and Sets ask only the key's own object.
    std::vector<std::vector<Fallback>> fallbacks;
    std::vector<uint8_t> kinds;
    // The device's SNMP version byte (netrov/snmp_version.h): 0, SNMPv1,
    // is what every record written before versions existed holds.
    int32_t version = 0;
    // The service whose document named the objects.
    const ServiceRecord* service = nullptr;
    // Variable slots of one request: one per defined key and per fallback.
    size_t slotCount() const;
};

// NETROV_OK, NETROV_BAD_ARGUMENT (no service record) or NETROV_NOT_DEFINED (no
// key resolves to a usable identifier).
int prepareQuery(QuerySetup* setup, const uint8_t address[4], std::span<const KeyEntry> keys,
                 int32_t timeout, const char* community, const ServiceRecord* service);

// The same for the device a record names, in the record's SNMP version.
int prepareQuery(QuerySetup* setup, const DeviceIdentity& device, std::span<const KeyEntry> keys,
                 const ServiceRecord* service);

// Where requests to the device go: its IPv4 address as dotted text, or the
// IPv6 host text its record carries (netrovDeviceHost).
std::string deviceTarget(const DeviceIdentity& device);

// Whether requests to the device go out as SNMPv2c (its record says so, or
// it answered an "auto" exchange in it): each object of a request is then
// answered on its own, so objects of several rows can share one request.
bool readsByV2c(const DeviceIdentity& device);

struct SetValue {
    uint8_t tag;
    std::vector<uint8_t> bytes;
};

struct RequestResult {
    int code = NETROV_OK;  // or NO_MEMORY, NOT_ENCODABLE, NO_VALUE, NO_REPLY
    ValueList values;
};
// Get (0xA0), GetNext (0xA1) or Set (0xA3, one SetValue per defined key in
// key order). NETROV_NO_VALUE when no value of the reply is usable.
RequestResult requestValues(const QuerySetup& setup, uint8_t pduType,
                            std::span<const SetValue> setValues = {});

// The outcome of a Set of one key: request failures as they are, NETROV_OK
// when the device confirmed the key with an INTEGER value, else
// NETROV_SET_UNCONFIRMED.
int32_t setOutcome(std::span<const KeyEntry> keys, const RequestResult& result);

// Turns one decoded reply into one value per key of the set-up (and the
// answering address, when asked for); false when the codec cannot hand the
// reply over. Every request shape converts its answers here.
bool replyToValues(const QuerySetup& setup, const SnmpMessage& reply, ValueList* values,
                   uint8_t address[4] = nullptr);

struct RowsResult {
    int code = NETROV_OK;  // or NO_MEMORY, NOT_ENCODABLE, NO_REPLY
    std::vector<ReplyRow> rows;
};
// GetNext row by row until nothing usable comes back, the agent stops
// advancing, maxRows rows were read or no further request could end within
// limit (nor by the call's deadline). A device read by SNMPv2c is read by
// GetBulk to the same rows, many per exchange, and by GetNext from where
// GetBulk stopped once its agent answers GetBulk badly.
RowsResult walkTable(const QuerySetup& setup, size_t maxRows = kMaxWalkRows,
                     std::chrono::milliseconds limit = kWalkDeadline);
// One GetNext to the target (a broadcast address or a unicast one); one row
// per answering device. NETROV_NO_REPLY when nobody answers.
RowsResult broadcastRequest(const QuerySetup& setup);

// Conversion table lookup; 1 when a row matched (output filled, "#" texts
// resolved through the language file), else 0 with an empty output.
int lookupExchange(const ServiceRecord* service, const char* table, const char* key1,
                   const char* key2, const char* key3, char* out, size_t size);
// Same with integer keys (decimal text); unused keys are empty.
int lookupExchange(const ServiceRecord* service, const char* table, std::optional<int32_t> key1,
                   std::optional<int32_t> key2, std::optional<int32_t> key3, char* out, size_t size);

// Section "STRING" of the service's language file; empty when missing.
void readLanguageString(const ServiceRecord* service, const char* key, char* out, size_t size);

// The text of the first element of that name as hexadecimal byte pairs.
int hexTextToBytes(const char* elementName, uint8_t* out, size_t capacity, size_t* count,
                   const ServiceRecord* service);

// Reads a query's values by key: FindKeyIndex, ValueAt, KindAccepted against
// the key's own expected kind, and value bytes present. A key that is not in
// the table is a fault in the caller: it ends the program (codingFault).
class KeyedValues {
public:
    KeyedValues(std::span<const KeyEntry> keys, const ValueList& values) : keys_(keys), values_(values) {}
    const ReplyValue* get(const char* key) const;
    std::optional<int32_t> integer(const char* key) const;
    int index(const char* key) const;

private:
    std::span<const KeyEntry> keys_;
    const ValueList& values_;
};

// Reports a fault in the service's own code (a rule that reads a key outside
// its table, a record of the wrong size) on standard error and ends the
// program: such a fault would otherwise pass as "not reported" or write past
// a caller's array. No device or document can cause it.
[[noreturn]] void codingFault(const char* what, const char* detail) noexcept;

// Copies at most size - 1 bytes and terminates.
void copyText(char* field, size_t size, const uint8_t* bytes, size_t length);

}  // namespace netrov::tessel
