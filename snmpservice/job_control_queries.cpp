// Trap switches, job continue and job cancel: one Set of a fixed INTEGER each.
#include <cstring>
#include <vector>

#include "framework.h"
#include "netrov/zomsnmp.h"
#include "queries.h"

namespace netrov::tessel {

namespace {

// The object to write comes from the definition document; the value is
// fixed per operation.
struct FixedSet {
    KeyEntry keys[1];
    int32_t value;
};

constexpr FixedSet kDeviceTrapOn{{{"def", "SETDEVICETRAP_SWITCH", "", kKindInteger}}, 3};
constexpr FixedSet kJobTrapOn{{{"def", "SETJOBTRAP_SWITCH", "", kKindInteger}}, 3};
constexpr FixedSet kJobContinue{{{"def", "SETJOBCONTINUE_VAL", "", kKindInteger}}, 3};
constexpr FixedSet kJobCancel{{{"def", "SETJOBCANCEL_VAL", "", kKindInteger}}, 5};

int32_t writeFixed(const QueryCall& call, const FixedSet& operation)
{
    QuerySetup setup;
    const int prepared = prepareQuery(&setup, call.device, operation.keys, &call.service);
    if (prepared != NETROV_OK) return prepared;
    // The simple request form carries an INTEGER as the host's 32-bit value.
    SetValue value{SNMP_TYPE_INTEGER, std::vector<uint8_t>(sizeof operation.value)};
    memcpy(value.bytes.data(), &operation.value, sizeof operation.value);
    return setOutcome(operation.keys, requestValues(setup, SNMP_PDU_SET, std::span(&value, 1)));
}

}  // namespace

int32_t setDeviceTrap(const QueryCall& call) { return writeFixed(call, kDeviceTrapOn); }
int32_t setJobTrap(const QueryCall& call) { return writeFixed(call, kJobTrapOn); }
int32_t setJobContinue(const QueryCall& call) { return writeFixed(call, kJobContinue); }
int32_t setJobCancel(const QueryCall& call) { return writeFixed(call, kJobCancel); }

}  // namespace netrov::tessel
