// Printers that announce themselves by multicast DNS service discovery: what
// each one announces, joined into one entry per device.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace netrov::mdns {

// The service types a printer announces, in the order a device's services are listed.
inline constexpr std::array<std::string_view, 4> kPrinterServiceTypes{"_ipp._tcp", "_ipps._tcp", "_printer._tcp",
                                                                      "_pdl-datastream._tcp"};

// How long a search listens for answers.
inline constexpr std::chrono::milliseconds kBrowseWindow{2000};

struct Address {
    std::string text;                   // "10.0.0.5", "fd00::5", "fe80::1%eth0"
    uint8_t family = 4;                 // 4 or 6
    std::array<uint8_t, 16> bytes{};    // network order; the first 4 for IPv4
};

// One resolved answer: a service instance, seen on one interface over one
// address family. Every text is as the device sent it.
struct Announcement {
    std::string name;      // the instance name, "Office Printer"
    std::string type;      // "_ipp._tcp"
    std::string hostName;  // "printer1.local"
    Address address;
    uint16_t port = 0;
    std::vector<std::pair<std::string, std::string>> txt;  // keys as sent, in the order sent
};

struct Service {
    std::string type;
    uint16_t port = 0;
    std::string resourcePath;  // the TXT key rp, "ipp/print"
};

// One device, however many services and families it answered with. Texts
// are device data: escape them for whatever output they go to.
struct Printer {
    std::string name;      // the instance name of its first service
    std::string hostName;
    std::vector<Address> addresses;  // IPv4 first, each once
    std::vector<Service> services;   // in the order of kPrinterServiceTypes
    // TXT keys, empty when no service gave one.
    std::string model;     // ty
    std::string product;   // product, "(Tarnwell CL-560)"
    std::string uuid;      // UUID
    std::string adminUrl;  // adminurl
    std::string note;      // note, often where the printer stands
    std::string color;     // Color, T or F
    std::string duplex;    // Duplex, T or F
    std::string tls;       // TLS, the highest version the printer speaks

    // The first IPv4 address, else the first one; empty when none.
    std::string firstAddress() const;
    // The model it names: ty, else the product without its parentheses.
    std::string modelName() const;
};

// The status of a printer that only mDNS found, in every list that shows one.
inline constexpr const char* kSnmpNoAnswerText = "SNMP: no answer";

// The TXT keys kept, under the names the announcements give them (keys match
// ignoring case, as DNS-SD asks).
struct TxtKey {
    std::string_view key;
    std::string Printer::*field;
};
inline constexpr std::array<TxtKey, 8> kTxtKeys{{{"ty", &Printer::model},
                                                 {"product", &Printer::product},
                                                 {"UUID", &Printer::uuid},
                                                 {"adminurl", &Printer::adminUrl},
                                                 {"note", &Printer::note},
                                                 {"Color", &Printer::color},
                                                 {"Duplex", &Printer::duplex},
                                                 {"TLS", &Printer::tls}}};

// One entry per device: announcements with the same UUID are one device, and
// one without a UUID joins the device of its host name. A key's first
// non-empty value wins. Devices come in the order of their first address.
std::vector<Printer> joinAnnouncements(const std::vector<Announcement>& answers);

enum class BrowseStatus {
    Ok,
    NotAvailable,  // no mDNS on this system: no daemon, or a build without it
    Failed,        // the daemon answered, then failed
};

struct BrowseResult {
    BrowseStatus status = BrowseStatus::Ok;
    std::string error;  // why, when status is not Ok
    std::vector<Printer> printers;
    std::chrono::milliseconds elapsed{0};
    std::chrono::milliseconds lastAnswer{0};  // from the start to the last instance resolved
};

// Browses every printer service type on every local link, IPv4 and IPv6, and
// resolves each instance. Ends after window, or soon after *interrupted turns
// non-zero; returns what answered and was resolved by then.
BrowseResult browsePrinters(std::chrono::milliseconds window = kBrowseWindow,
                            const std::atomic<int>* interrupted = nullptr);

}  // namespace netrov::mdns
