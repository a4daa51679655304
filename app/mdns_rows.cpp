// The device list's rows for printers only mDNS found.
#include "mdns_rows.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <set>
#include <optional>
#include <string>

#include "device_rows.h"
#include "net_address.h"
#include "search_settings.h"

namespace netrov::ui {

namespace {

bool containsIgnoringCase(std::string_view text, std::string_view part)
{
    return std::search(text.begin(), text.end(), part.begin(), part.end(), [](unsigned char a, unsigned char b) {
               return std::tolower(a) == std::tolower(b);
           }) != text.end();
}

// An announced address as the list shows addresses, so that one address in two spellings is one.
std::string shownAddress(const std::string& text)
{
    const std::optional<core::NetAddress> address = core::parseNetAddress(text);
    return address ? core::netAddressText(*address) : text;
}

}  // namespace

std::vector<core::DeviceListEntry> mdnsOnlyEntries(const std::vector<mdns::Printer>& printers,
                                                   const std::vector<core::DeviceListEntry>& listed,
                                                   std::string_view maker)
{
    std::set<std::string> known;
    for (const core::DeviceListEntry& entry : listed) known.insert(ipAddressText(entry));
    std::vector<core::DeviceListEntry> out;
    for (const mdns::Printer& p : printers) {
        if (std::any_of(p.addresses.begin(), p.addresses.end(),
                        [&known](const mdns::Address& a) { return known.count(shownAddress(a.text)); }))
            continue;
        // The first IPv4 address, else the first IPv6 one: the row's record holds one address.
        const auto first = [&p](int family) {
            return std::find_if(p.addresses.begin(), p.addresses.end(),
                                [family](const mdns::Address& a) { return a.family == family; });
        };
        auto chosen = first(4);
        if (chosen == p.addresses.end()) chosen = first(6);
        if (chosen == p.addresses.end()) continue;
        const std::optional<core::NetAddress> address = core::parseNetAddress(chosen->text);
        if (!address || (!maker.empty() && !containsIgnoringCase(p.modelName(), maker))) continue;
        core::DeviceListEntry entry{};
        entry.identity.interfaceKind = NETROV_INTERFACE_NETWORK;
        // An IPv6 address travels in the record only beside the SNMP transport.
        if (address->v6) entry.identity.transport = NETROV_TRANSPORT_SNMP;
        core::setDeviceAddress(entry.identity, *address);
        core::setFieldText(entry.identity.modelName, p.modelName());
        entry.info.nameValid = p.name.empty() ? 0 : 1;
        core::setFieldText(entry.info.name, p.name);
        entry.info.locationValid = p.note.empty() ? 0 : 1;
        core::setFieldText(entry.info.location, p.note);
        entry.status[0].simpleStatus = core::kStatusNoAnswer;
        known.insert(ipAddressText(entry));
        out.push_back(entry);
    }
    return out;
}

}  // namespace netrov::ui
