// The device list's rows for printers only mDNS found.
#include "mdns_rows.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <set>
#include <string>

#include "device_rows.h"
#include "search_settings.h"

namespace netrov::ui {

namespace {

bool containsIgnoringCase(std::string_view text, std::string_view part)
{
    return std::search(text.begin(), text.end(), part.begin(), part.end(), [](unsigned char a, unsigned char b) {
               return std::tolower(a) == std::tolower(b);
           }) != text.end();
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
        if (std::any_of(p.addresses.begin(), p.addresses.end(), [&known](const mdns::Address& a) { return known.count(a.text); }))
            continue;
        const auto v4 = std::find_if(p.addresses.begin(), p.addresses.end(), [](const mdns::Address& a) { return a.family == 4; });
        if (v4 == p.addresses.end()) continue;
        const auto address = core::parseDottedQuad(v4->text);
        if (!address || (!maker.empty() && !containsIgnoringCase(p.modelName(), maker))) continue;
        core::DeviceListEntry entry{};
        entry.identity.interfaceKind = NETROV_INTERFACE_NETWORK;
        core::storeAddress(*address, entry.identity.address);
        core::setFieldText(entry.identity.modelName, p.modelName());
        entry.info.nameValid = p.name.empty() ? 0 : 1;
        core::setFieldText(entry.info.name, p.name);
        entry.info.locationValid = p.note.empty() ? 0 : 1;
        core::setFieldText(entry.info.location, p.note);
        entry.status[0].simpleStatus = core::kStatusNoAnswer;
        known.insert(v4->text);
        out.push_back(entry);
    }
    return out;
}

}  // namespace netrov::ui
