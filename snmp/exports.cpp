// The exported functions of zomsnmp: argument checks and result mapping only.
#include <chrono>
#include <cstdint>
#include <cstring>
#include <new>
#include <optional>

#include "broadcast_list.h"
#include "codec.h"
#include "engine.h"
#include "netrov/zomsnmp.h"

#ifdef NETROV_HAVE_USM
#include "platform/socket.h"
#include "v3_discovery.h"
#endif

using namespace netrov::snmp;

namespace {

// Runs body and turns any exception into the export's failure result.
template <typename Result, typename Body>
Result guarded(Result failure, Body&& body) noexcept
{
    try {
        return body();
    } catch (...) {
        return failure;
    }
}

// The device read's deadline of each thread; only this library's copy of
// the SNMP code holds it, so every module that links it sees one value.
thread_local std::optional<std::chrono::steady_clock::time_point> tReadDeadline;

}  // namespace

SnmpMessage* NETROV_CALL snmp_request(const char* host, int32_t timeout, const SnmpMessage* request) noexcept
{
    if (!host || !request) return nullptr;
    return guarded<SnmpMessage*>(nullptr, [&] { return netrov::snmp::request(host, timeout, *request).release(); });
}

int32_t NETROV_CALL snmp_request_simple(const char* host, int32_t timeout, SnmpSimpleMessage* request,
                                        SnmpSimpleMessage* reply) noexcept
{
    if (!host || !request || !reply) return -1;
    return guarded<int32_t>(-1, [&] {
        MessagePtr standard = simpleToStandard(*request);
        if (!standard) return -1;
        MessagePtr answer = netrov::snmp::request(host, timeout, *standard);
        if (!answer) return -1;
        return standardToSimple(*answer, *reply) ? 0 : -1;
    });
}

SnmpMessageList* NETROV_CALL multi_snmp_request(const char* host, int32_t timeout,
                                                const SnmpMessage* request) noexcept
{
    // No host is no request, rather than a broadcast.
    if (!host || !request) return nullptr;
    return guarded<SnmpMessageList*>(nullptr, [&] {
        auto broadcasts = broadcastAddresses(netrov::platform::localAddressTable());
        return collect(host, timeout, *request, broadcasts).release();
    });
}

int32_t NETROV_CALL multi_snmp_request_simple(const char* host, int32_t timeout, SnmpSimpleMessage* request,
                                              SnmpSimpleMessage* replies, int32_t capacity,
                                              int32_t* count) noexcept
{
    if (!host || !request || !count || capacity < 0 || (capacity > 0 && !replies)) return -1;
    return guarded<int32_t>(-1, [&] {
        MessagePtr standard = simpleToStandard(*request);
        if (!standard) return -1;
        auto broadcasts = broadcastAddresses(netrov::platform::localAddressTable());
        MessageListPtr list = collect(host, timeout, *standard, broadcasts);
        if (!list) return -1;
        int32_t n = 0;
        for (const SnmpMessageList* cell = list.get(); cell; cell = cell->next) {
            if (n >= capacity) {
                ++n;
            } else if (standardToSimple(*cell->message, replies[n])) {
                ++n;  // a failed conversion leaves the slot for the next reply
            }
        }
        *count = n;
        return 0;
    });
}

void NETROV_CALL free_snmp_pdu(SnmpMessage* message) noexcept { freeMessage(message); }

void NETROV_CALL free_snmp_pdu_list(SnmpMessageList* list) noexcept { freeMessageList(list); }

SnmpMessage* NETROV_CALL snmp_parse(const uint8_t* data, int32_t length, uint32_t sourceAddress) noexcept
{
    if (!data || length < 0) return nullptr;
    return guarded<SnmpMessage*>(nullptr, [&] {
        return parse({data, static_cast<size_t>(length)}, sourceAddress).release();
    });
}

int32_t NETROV_CALL snmp_build(const SnmpMessage* message, uint8_t* buffer, int32_t* length) noexcept
{
    if (!message || !buffer || !length || *length < 0) return -1;
    return guarded<int32_t>(-1, [&] {
        auto size = build(*message, {buffer, static_cast<size_t>(*length)});
        if (!size) return -1;
        *length = static_cast<int32_t>(*size);
        return 0;
    });
}

SnmpMessage* NETROV_CALL snmp_simple2standard(SnmpSimpleMessage* request) noexcept
{
    if (!request) return nullptr;
    return guarded<SnmpMessage*>(nullptr, [&] { return simpleToStandard(*request).release(); });
}

int32_t NETROV_CALL snmp_standard2simple(const SnmpMessage* reply, SnmpSimpleMessage* simple) noexcept
{
    if (!reply || !simple) return -1;
    return guarded<int32_t>(-1, [&] { return standardToSimple(*reply, *simple) ? 0 : -1; });
}

void NETROV_CALL snmp_note_engine(uint32_t address, const uint8_t* engineId, int32_t length, uint32_t boots,
                                  uint32_t time) noexcept
{
#ifdef NETROV_HAVE_USM
    if (!engineId || length < static_cast<int32_t>(kMinEngineId) || length > static_cast<int32_t>(kMaxEngineId)) return;
    guarded<int>(0, [&] {
        rememberEngine(ntohl(address), {{engineId, engineId + length}, boots, time});
        return 0;
    });
#else
    (void)address, (void)engineId, (void)length, (void)boots, (void)time;
#endif
}

int32_t NETROV_CALL snmp_noted_engine(uint32_t address, uint8_t* engineId, int32_t capacity, uint32_t* boots,
                                      uint32_t* time) noexcept
{
#ifdef NETROV_HAVE_USM
    if (!engineId || capacity < 0 || !boots || !time) return 0;
    return guarded<int32_t>(0, [&] {
        const std::optional<UsmModel::Engine> engine = rememberedEngine(ntohl(address));
        if (!engine || engine->id.size() > static_cast<size_t>(capacity)) return 0;
        std::memcpy(engineId, engine->id.data(), engine->id.size());
        *boots = engine->boots;
        *time = engine->time;
        return static_cast<int32_t>(engine->id.size());
    });
#else
    (void)address, (void)engineId, (void)capacity, (void)boots, (void)time;
    return 0;
#endif
}

void NETROV_CALL snmp_forget_noted_engines(void) noexcept
{
#ifdef NETROV_HAVE_USM
    forgetRememberedEngines();
#endif
}

void NETROV_CALL snmp_set_read_deadline(int32_t milliseconds) noexcept
{
    if (milliseconds < 0) {
        tReadDeadline.reset();
        return;
    }
    tReadDeadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
}

int32_t NETROV_CALL snmp_read_deadline_left(void) noexcept
{
    if (!tReadDeadline) return -1;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*tReadDeadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return 0;
    return left.count() > INT32_MAX ? INT32_MAX : static_cast<int32_t>(left.count());
}
