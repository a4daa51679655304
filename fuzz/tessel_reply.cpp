// Fuzzes the service's reply handling: the input is a definition document, a
// NUL byte, and a reply datagram that is decoded and converted into values.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <new>
#include <span>

#include "framework.h"
#include "netrov/zomsnmp.h"
#include "xml_document.h"

namespace {

using namespace netrov::tessel;

constexpr KeyEntry kKeys[] = {
    {"def", "SETDEVICETRAP_SWITCH", "", kKindInteger},
    {"def", "SETJOBTRAP_SWITCH", "", kKindInteger},
    {"def", "SETJOBCONTINUE_VAL", "", kKindInteger},
    {"def", "SETJOBCANCEL_VAL", "", kKindInteger},
    {"def", "GETDEVINFO_DEVICE", "", kKindOctets},
    {"def", "SEARCHDEVICE_SYSID", "", kKindOid},
    {"def", "SEARCHDEVICE_FILTER", "", kKindAny},
};

struct PduDeleter {
    void operator()(SnmpMessage* m) const { free_snmp_pdu(m); }
};

void check(bool condition)
{
    if (!condition) std::abort();
}

void run(std::span<const uint8_t> documentBytes, std::span<const uint8_t> datagram)
{
    netrov::xml::DocumentPtr document = netrov::xml::loadFromMemory(documentBytes, "fuzz.xml");
    ServiceRecord service{};
    service.document = document.get();

    QuerySetup setup;
    const uint8_t address[4] = {127, 0, 0, 1};
    const int prepared = prepareQuery(&setup, address, kKeys, 1, "public", &service);
    check(prepared == 0 || prepared == 8);
    if (prepared != 0) return;
    check(setup.requested.size() == std::size(kKeys) && setup.base.size() == std::size(kKeys));

    std::unique_ptr<SnmpMessage, PduDeleter> reply(
        snmp_parse(datagram.data(), static_cast<int32_t>(datagram.size()), 0x0100007F));
    if (!reply) return;
    ValueList values;
    uint8_t source[4] = {};
    if (!replyToValues(setup, *reply, &values, source)) return;
    check(values.size() == std::size(kKeys));

    bool usable = false;
    for (size_t i = 0; i < values.size(); ++i) {
        const ReplyValue& v = values[i];
        if (v.kind == kKindNone) continue;
        usable = true;
        // Only a defined key of an error-free reply carries a value, and only
        // from inside its own object.
        check(setup.requested[i].has_value() && setup.base[i].has_value());
        check(reply->errorStatus == 0);
        bool inside = v.identifier.compare(0, setup.base[i]->size(), *setup.base[i]) == 0;
        for (const Fallback& f : setup.fallbacks[i]) inside = inside || v.identifier.compare(0, f.base.size(), f.base) == 0;
        check(inside);
        check(v.bytes.size() == static_cast<size_t>(v.length) + 1 && v.bytes.back() == 0);
    }

    // The Set confirmation of the first key, as the Set operations decide it.
    RequestResult result;
    result.code = usable ? 0 : 11;
    result.values = values;
    const int32_t outcome = setOutcome(std::span(kKeys, 1), result);
    check(outcome == 0 || outcome == 11 || outcome == 101);
    if (outcome == 0) check(values[0].kind == kKindInteger && values[0].length > 0);

    // Read every value as the queries do, and feed the integers to the
    // document's conversion tables.
    const KeyedValues keyed(kKeys, values);
    for (size_t i = 0; i < std::size(kKeys); ++i) {
        (void)lastArc(values, static_cast<int>(i));
        if (const auto number = keyed.integer(kKeys[i].key)) {
            char out[64];
            lookupExchange(&service, "GETDEVSTATUS_ALERT", *number, std::nullopt, std::nullopt, out, sizeof out);
            check(std::memchr(out, 0, sizeof out) != nullptr);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto* split = static_cast<const uint8_t*>(std::memchr(data, 0, size));
    const size_t documentSize = split ? static_cast<size_t>(split - data) : size;
    const std::span<const uint8_t> datagram =
        split ? std::span<const uint8_t>(split + 1, data + size) : std::span<const uint8_t>();
    try {
        run(std::span<const uint8_t>(data, documentSize), datagram);
    } catch (const std::bad_alloc&) {
    }
    return 0;
}
