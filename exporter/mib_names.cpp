// The exporter's label values, from the core's table of the MIB enumerations.
#include "mib_names.h"

#include <netrov/printer_mib.h>

#include "words.h"

namespace netrov::exporter {

namespace {

// The label values predate supply types 35 and 36; above 34 they stay numbered, so series keep their names.
constexpr int32_t kLastLabelledSupplyKind = 34;

}  // namespace

std::string supplyKindName(int32_t type)
{
    // No type at all (0, or a device's nonsense below it) is what the MIB
    // calls unknown; a type is never labelled by a number it does not have.
    if (type < NETROV_SUPPLY_OTHER) return core::enumKey(core::Enumeration::SupplyType, NETROV_SUPPLY_UNKNOWN);
    if (type <= kLastLabelledSupplyKind && core::enumNamed(core::Enumeration::SupplyType, type))
        return core::enumKey(core::Enumeration::SupplyType, type);
    return "type_" + std::to_string(type);
}

std::string alertCodeName(int32_t code)
{
    const std::string label = core::enumLabel(core::Enumeration::AlertCode, code);
    return label.empty() ? "code_" + std::to_string(code) : label;
}

std::string alertGroupName(int32_t group)
{
    const std::string label = core::enumLabel(core::Enumeration::AlertGroup, group);
    return label.empty() ? "group_" + std::to_string(group) : label;
}

}  // namespace netrov::exporter
