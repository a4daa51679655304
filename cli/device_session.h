// One command's use of the front library: the library is released when the
// command ends, on every path, and a device is opened by one model read.
#pragma once

#include <cstdint>
#include <string>

#include <netrov/device_identity.h>

#include "front_library.h"
#include "net_address.h"

namespace netrov::cli {

// A request identity for an SNMP device at this address (IPv4, or IPv6 as
// the record carries it: see setDeviceAddress); a community longer
// than the identity holds is cut (the command line refuses such before).
// snmpVersion goes into the identity's version byte (include/netrov/snmp_version.h).
DeviceIdentity deviceAt(const core::NetAddress& address, const std::string& community, int32_t timeOut, int32_t snmpVersion = 0);

// A device with its model read: the model name picks the support package
// that serves the device's other queries.
struct OpenedDevice {
    DeviceIdentity identity{};
    int32_t modelResult = 0;  // the model query's result; NETROV_NO_REPLY for a silent device
    std::string model;        // as the device sent it
};

// Starts the front library on first use and releases it when it goes out of
// scope. At most one per command; queries run on other threads must have
// ended before it is destroyed.
class Session {
public:
    // library: the front library this command uses; it must outlive the session.
    explicit Session(core::FrontLibrary& library) : library_(library) {}
    // The process's front library, for callers not handed one.
    Session();
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    core::FrontLibrary& library();
    // Starts the library and reads the model of the device at address.
    OpenedDevice open(const core::NetAddress& address, const std::string& community, int32_t timeOut, int32_t snmpVersion = 0);
    // The same for an IPv4 address held as a number (first octet most significant).
    OpenedDevice open(uint32_t address, const std::string& community, int32_t timeOut, int32_t snmpVersion = 0)
    {
        return open(core::ipv4Address(address), community, timeOut, snmpVersion);
    }
    // Reads the model into an identity the caller made (a device found by a search).
    int32_t identify(DeviceIdentity& device);

private:
    core::FrontLibrary& library_;
};

}  // namespace netrov::cli
