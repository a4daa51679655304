// Names of the Printer MIB's enumerations as label values: supply kinds,
// alert codes and alert groups, from the MIB's own labels.
#pragma once

#include <cstdint>
#include <string>

namespace netrov::exporter {

// prtMarkerSuppliesType in snake case ("toner_cartridge"); "type_N" for a
// value above 0 the MIB does not name, "unknown" for 0 and below (no type).
std::string supplyKindName(int32_t type);
// prtAlertCode as the MIB names it ("jam", "markerTonerEmpty",
// "staplerJam"); "code_N" for a value it does not name.
std::string alertCodeName(int32_t code);
// prtAlertGroup as the MIB names it ("markerSupplies"); "group_N" otherwise.
std::string alertGroupName(int32_t group);

}  // namespace netrov::exporter
