// Printers only mDNS found, as rows of the device list beside the search's.
#pragma once

#include <string_view>
#include <vector>

#include "device_list.h"
#include "mdns_printers.h"

namespace netrov::ui {

// The status cell of a printer that announced itself by mDNS but answered no SNMP query.
using mdns::kSnmpNoAnswerText;

// A list entry for each printer none of whose addresses the listed devices
// have, by its first IPv4 address, else its first IPv6 address, with
// its announced model, name and note, and no SNMP status. With a maker,
// only the printers whose model names it. Every text is the device's, cut
// to its field.
std::vector<core::DeviceListEntry> mdnsOnlyEntries(const std::vector<mdns::Printer>& printers,
                                                   const std::vector<core::DeviceListEntry>& listed,
                                                   std::string_view maker);

}  // namespace netrov::ui
