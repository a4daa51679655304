// Command lines of the device programs and the trap switching before one starts.
#include "launcher.h"

#include <cstring>
#include <optional>

#include "net_address.h"

namespace netrov::core {

namespace {

// A fixed text field up to its terminator or its end, whichever comes first.
// The text in double quotes, its own quotes tripled for the command splitter.
std::string quoted(std::string_view text)
{
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"')
            out += "\"\"\"";
        else
            out += c;
    }
    out += '"';
    return out;
}

// Replaces every occurrence, left to right; inserted text is not searched again.
std::string replaceAll(std::string_view text, std::string_view macro, std::string_view by)
{
    std::string out;
    size_t from = 0;
    for (size_t at = text.find(macro); at != std::string_view::npos; at = text.find(macro, from)) {
        out.append(text.substr(from, at - from));
        out.append(by);
        from = at + macro.size();
    }
    out.append(text.substr(from));
    return out;
}

// The device's address for the command line: IPv6 as its text, and the
// record's dotted quad where it names no usable address, as always.
std::string addressText(const DeviceIdentity& device)
{
    const std::optional<NetAddress> address = deviceNetAddress(device);
    return address ? netAddressText(*address) : dottedQuad(device.address);
}

// "%IP%" replaced by the address; where it stands as the host of a URL
// ("http://%IP%/", "ipp://user@%IP%:631/") an IPv6 address goes in brackets,
// so that a port after it still reads as a port.
std::string replaceAddress(std::string_view text, const DeviceIdentity& device)
{
    static constexpr std::string_view kMacro = "%IP%";
    const std::string plain = addressText(device);
    const std::optional<NetAddress> address = deviceNetAddress(device);
    const std::string host = address ? netAddressHost(*address) : plain;
    std::string out;
    size_t from = 0;
    for (size_t at = text.find(kMacro); at != std::string_view::npos; at = text.find(kMacro, from)) {
        const std::string_view before = text.substr(0, at);
        const size_t word = before.find_last_of(" \t\"");
        const std::string_view lead = word == std::string_view::npos ? before : before.substr(word + 1);
        const bool urlHost = lead.find("://") != std::string_view::npos &&
                             (lead.ends_with("://") || lead.ends_with('@'));
        out.append(text.substr(from, at - from));
        out.append(urlHost ? host : plain);
        from = at + kMacro.size();
    }
    out.append(text.substr(from));
    return out;
}

}  // namespace

std::string BuildLaunchParameters(const DeviceIdentity& device, std::string_view parameterTemplate)
{
    const std::string model = quoted(fieldText(device.modelName));
    if (!parameterTemplate.empty()) {
        return replaceAll(replaceAddress(parameterTemplate, device), "%MODEL%", model);
    }
    switch (device.interfaceKind) {
    case NETROV_INTERFACE_NETWORK:
        return "-MODEL" + model + " -IP" + addressText(device) + " -IFSNMP -ID" +
               fieldText(device.sysObjectId);
    case NETROV_INTERFACE_PARALLEL:
    case NETROV_INTERFACE_USB:
        return "-MODEL" + model + " -IF" + (device.interfaceKind == NETROV_INTERFACE_USB ? "USB" : "LPT") +
               " -DRV" + quoted(fieldText(device.driverName)) + " -PORT" +
               fieldText(device.portName);
    default:
        return {};
    }
}

int32_t Launcher::defaultSlot() const
{
    for (int32_t slot = 0; slot < kLauncherSlotCount; ++slot) {
        if (slots_[static_cast<size_t>(slot)].defaultFlag == 1) return slot;
    }
    return -1;
}

void Launcher::Launch(const DeviceListEntry& device, int32_t slot)
{
    if (slot < 0 || slot >= kLauncherSlotCount) return;
    DeviceListEntry copy = device;
    if (copy.identity.modelName[0] == '\0') return;
    const LauncherEntry& entry = slots_[static_cast<size_t>(slot)];
    // A device that gave no SNMP answer (a printer only mDNS found) cannot
    // take the switch: asking it would only hold the start for its time-outs.
    if (entry.trapSwitch == 1 && copy.identity.transport == NETROV_TRANSPORT_SNMP &&
        statusCode(copy) != kStatusNoAnswer) {
        library_.ensureInitialised();
        const DeviceAccess& access = library_.access();
        // The results do not matter: the program starts either way.
        int32_t count = 0;
        if (access.setDeviceTrap) access.setDeviceTrap(&copy.identity, 0, 0, nullptr, 0, &count);
        count = 0;
        if (access.setJobTrap) access.setJobTrap(&copy.identity, 0, 0, nullptr, 0, &count);
    }
    if (!entry.programPath.empty() && starter_) {
        starter_(entry.programPath, BuildLaunchParameters(copy.identity, entry.parameterTemplate));
    }
}

void Launcher::LaunchDefault(const DeviceListEntry& device)
{
    const int32_t slot = defaultSlot();
    if (slot >= 0) Launch(device, slot);
}

}  // namespace netrov::core
