// The command line's session with the front library.
#include "device_session.h"

#include <algorithm>
#include <cstring>

#include <netrov/device_records.h>
#include <netrov/result_codes.h>
#include <netrov/snmp_version.h>

#include "report.h"
#include "search_settings.h"

namespace netrov::cli {

DeviceIdentity deviceAt(const core::NetAddress& address, const std::string& community, int32_t timeOut, int32_t snmpVersion)
{
    DeviceIdentity device;
    std::memset(&device, 0, sizeof device);
    device.interfaceKind = NETROV_INTERFACE_NETWORK;
    device.transport = NETROV_TRANSPORT_SNMP;
    std::memcpy(device.community, community.c_str(), std::min(community.size(), sizeof device.community - 1));
    device.timeout = timeOut;
    core::setDeviceAddress(device, address);
    netrovSetSnmpVersion(&device, snmpVersion);
    return device;
}

Session::Session() : library_(core::FrontLibrary::tuva()) {}

Session::~Session()
{
    // A no-op when nothing started the library.
    library_.release();
}

core::FrontLibrary& Session::library()
{
    library_.ensureInitialised();
    return library_;
}

int32_t Session::identify(DeviceIdentity& device)
{
    unsigned char scratch[NETROV_MODEL_NAME_RECORD_SIZE] = {};
    int32_t count = 0;
    const int32_t result = library().access().getDevModelName(&device, 0, 0, scratch, 1, &count);
    device.modelName[sizeof device.modelName - 1] = '\0';
    return result;
}

OpenedDevice Session::open(const core::NetAddress& address, const std::string& community, int32_t timeOut, int32_t snmpVersion)
{
    OpenedDevice opened;
    opened.identity = deviceAt(address, community, timeOut, snmpVersion);
    opened.modelResult = identify(opened.identity);
    opened.model = core::fieldText(opened.identity.modelName, sizeof opened.identity.modelName);
    return opened;
}

}  // namespace netrov::cli
