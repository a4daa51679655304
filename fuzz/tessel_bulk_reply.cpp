// Fuzzes the table walk's GetBulk reply path: the input is an SNMPv2c
// datagram taken as the answer to GetBulk of a three-column table, twice in
// a row, from a cursor that has already read row 3.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "decoders.h"
#include "framework.h"
#include "message.h"
#include "table_walk.h"
#include "xml_document.h"

namespace {

using namespace netrov::tessel;

constexpr char kDocument[] = R"(<?xml version="1.0"?>
<definition>
  <oid def="CODE">1.3.6.1.2.1.43.18.1.1.7</oid>
  <oid def="GROUP">1.3.6.1.2.1.43.18.1.1.4</oid>
  <oid def="INDEX">1.3.6.1.2.1.43.18.1.1.5</oid>
</definition>
)";

constexpr KeyEntry kKeys[] = {
    {"def", "CODE", "", kKindInteger},
    {"def", "GROUP", "", kKindInteger},
    {"def", "INDEX", "", kKindAny},
};

void check(bool condition)
{
    if (!condition) std::abort();
}

void run(std::span<const uint8_t> datagram)
{
    static const netrov::xml::DocumentPtr document = netrov::xml::loadFromMemory(
        std::span(reinterpret_cast<const uint8_t*>(kDocument), sizeof kDocument - 1), "bulk.xml");
    ServiceRecord service{};
    service.document = document.get();
    QuerySetup setup;
    const uint8_t address[4] = {127, 0, 0, 1};
    check(prepareQuery(&setup, address, kKeys, 1, "public", &service) == 0);

    const netrov::snmp::CommunityModel model(netrov::snmp::kVersion2c, "public");
    netrov::snmp::Unwrapped reply = model.unwrap(datagram, 0x0100007F);
    if (reply.status != netrov::snmp::UnwrapStatus::Ok) return;

    WalkCursor cursor(setup);
    cursor.current = {"1.3.6.1.2.1.43.18.1.1.7.1.3", "1.3.6.1.2.1.43.18.1.1.4.1.3", "1.3.6.1.2.1.43.18.1.1.5.1.3"};
    std::vector<ReplyRow> rows;
    for (int pass = 0; pass < 2; ++pass) {
        const std::vector<std::optional<std::string>> before = cursor.current;
        const size_t had = rows.size();
        const BulkStep step = takeBulkReply(setup, cursor, *reply.message, 25, 40, &rows);
        check(rows.size() <= 40);
        if (step == BulkStep::Fault || step == BulkStep::TooBig) {
            // Nothing taken, nothing moved.
            check(rows.size() == had && cursor.current == before);
            continue;
        }
        // Every row taken moves some column strictly forward, never back.
        for (size_t r = had; r < rows.size(); ++r) check(rows[r].values.size() == 3);
        for (size_t i = 0; i < 3; ++i) {
            if (cursor.current[i] && before[i]) check(compareOids(*cursor.current[i], *before[i]) >= 0);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    run(std::span(data, size));
    return 0;
}
