// The services a printer announces become one entry per device.
#include <gtest/gtest.h>

#include <arpa/inet.h>

#include "mdns_printers.h"
#include "mdns_search.h"
#include "printer_summary.h"

using netrov::mdns::Announcement;

namespace {

Announcement announce(std::string name, std::string type, std::string host, std::string address,
                      std::vector<std::pair<std::string, std::string>> txt)
{
    Announcement a{std::move(name), std::move(type), std::move(host), {}, 631, std::move(txt)};
    a.address.text = address;
    const std::string bare = address.substr(0, address.find('%'));
    a.address.family = bare.find(':') == std::string::npos ? 4 : 6;
    inet_pton(a.address.family == 4 ? AF_INET : AF_INET6, bare.c_str(), a.address.bytes.data());
    return a;
}

struct JoinCase {
    const char* rule;
    std::vector<Announcement> answers;
    const char* devices;
};

TEST(JoinAnnouncements, OneEntryPerDevice)
{
    const JoinCase cases[] = {
        {"services with one UUID are one device, listed in type order, the name from the first type",
         {announce("Office IPPS", "_ipps._tcp", "p1.local", "10.0.0.5", {{"UUID", "abc"}, {"TLS", "1.2"}}),
          announce("Office", "_ipp._tcp", "p1.local", "10.0.0.5", {{"rp", "ipp/print"}, {"UUID", "abc"}, {"ty", "CL-560"}})},
         "Office p1.local 10.0.0.5, _ipp._tcp:631/ipp/print,_ipps._tcp:631/, ty=CL-560 UUID=abc TLS=1.2\n"},
        {"a UUID matches in any case and as a URN",
         {announce("A", "_ipp._tcp", "a.local", "10.0.0.7", {{"UUID", "urn:uuid:ABC-1"}}),
          announce("A", "_ipps._tcp", "a2.local", "10.0.0.7", {{"UUID", "abc-1"}})},
         "A a.local 10.0.0.7, _ipp._tcp:631/,_ipps._tcp:631/, UUID=urn:uuid:ABC-1\n"},
        {"a service without UUID joins its host's device, whatever came first",
         {announce("Lpd", "_printer._tcp", "P1.local", "10.0.0.5", {{"rp", "queue"}}),
          announce("Office", "_ipp._tcp", "p1.local", "10.0.0.5", {{"UUID", "abc"}})},
         "Office p1.local 10.0.0.5, _ipp._tcp:631/,_printer._tcp:631/queue, UUID=abc\n"},
        {"two UUIDs on one host are two devices (a print server's queues)",
         {announce("Q1", "_ipp._tcp", "srv.local", "10.0.0.9", {{"UUID", "u1"}}),
          announce("Q2", "_ipp._tcp", "srv.local", "10.0.0.9", {{"UUID", "u2"}})},
         "Q1 srv.local 10.0.0.9, _ipp._tcp:631/, UUID=u1\nQ2 srv.local 10.0.0.9, _ipp._tcp:631/, UUID=u2\n"},
        {"both families of one device, IPv4 first, each address once",
         {announce("Both", "_ipp._tcp", "b.local", "fe80::1%eth0", {}),
          announce("Both", "_ipp._tcp", "b.local", "fd03::2", {}),
          announce("Both", "_ipp._tcp", "b.local", "10.0.0.3", {}),
          announce("Both", "_ipps._tcp", "b.local", "10.0.0.3", {})},
         "Both b.local 10.0.0.3,fd03::2,fe80::1%eth0, _ipp._tcp:631/,_ipps._tcp:631/,\n"},
        {"keys in any case; a key's first non-empty value wins",
         {announce("K", "_ipp._tcp", "k.local", "10.0.0.4", {{"TY", ""}, {"NOTE", "Room 2"}, {"color", "T"}}),
          announce("K", "_ipps._tcp", "k.local", "10.0.0.4", {{"ty", "Mono 1"}, {"note", "Hall"}, {"Duplex", "F"}})},
         "K k.local 10.0.0.4, _ipp._tcp:631/,_ipps._tcp:631/, ty=Mono 1 note=Room 2 Color=T Duplex=F\n"},
        {"devices on other hosts stay apart, in address order",
         {announce("Z", "_ipp._tcp", "z.local", "10.0.0.20", {}), announce("Y", "_ipp._tcp", "y.local", "fd03::1", {}),
          announce("X", "_pdl-datastream._tcp", "x.local", "10.0.0.3", {})},
         "X x.local 10.0.0.3, _pdl-datastream._tcp:631/,\nZ z.local 10.0.0.20, _ipp._tcp:631/,\nY y.local fd03::1, _ipp._tcp:631/,\n"},
    };
    for (const JoinCase& c : cases) EXPECT_EQ(netrov::test::printerSummary(netrov::mdns::joinAnnouncements(c.answers)), c.devices) << c.rule;
}

struct RowCase {
    const char* rule;
    std::vector<std::string> snmpAddresses;
    std::vector<Announcement> answers;
    const char* rows;  // "address | status | model | printer" per row
    const char* maker = "";
};

TEST(JoinRows, OneRowPerAddress)
{
    const RowCase cases[] = {
        {"a printer found both ways is one row, whichever of its addresses SNMP answered on",
         {"10.0.0.1", "10.0.0.3"},
         {announce("P", "_ipp._tcp", "p.local", "fd03::3", {{"ty", "CL-560"}}), announce("P", "_ipp._tcp", "p.local", "10.0.0.3", {})},
         "10.0.0.1 | Ready | snmp | -1\n10.0.0.3 | Ready | snmp | 0\n"},
        {"a printer only mDNS found gets a row of its own, its model from ty",
         {"10.0.0.1"},
         {announce("Q", "_ipp._tcp", "q.local", "10.0.0.2", {{"ty", "Mono 1"}, {"product", "(Other)"}})},
         "10.0.0.1 | Ready | snmp | -1\n10.0.0.2 | SNMP: no answer | Mono 1 | 0\n"},
        {"an IPv6-only printer is listed under that address, its model from product without parentheses",
         {},
         {announce("L", "_ipp._tcp", "l.local", "fd03::9", {{"product", "(Lab 9)"}})},
         "fd03::9 | SNMP: no answer | Lab 9 | 0\n"},
        {"a maker leaves out the printers only mDNS found of other models, not the SNMP rows they join",
         {"10.0.0.1"},
         {announce("P", "_ipp._tcp", "p.local", "10.0.0.1", {{"ty", "Other 1"}}),
          announce("Q", "_ipp._tcp", "q.local", "10.0.0.2", {{"ty", "Other 2"}}),
          announce("R", "_ipp._tcp", "r.local", "10.0.0.3", {{"ty", "TARNWELL M1"}})},
         "10.0.0.1 | Ready | snmp | 0\n10.0.0.3 | SNMP: no answer | TARNWELL M1 | 2\n", "tarnwell"},
    };
    for (const RowCase& c : cases) {
        std::vector<netrov::cli::DeviceRow> rows;
        for (const std::string& address : c.snmpAddresses) rows.push_back({"snmp", "", "", "", address, "", "Ready", 3});
        const std::vector<int> printerOfRow = netrov::cli::joinRows(rows, netrov::mdns::joinAnnouncements(c.answers), c.maker);
        std::string text;
        for (size_t r = 0; r < rows.size(); ++r)
            text += rows[r].ipAddress + " | " + rows[r].status + " | " + rows[r].model + " | " + std::to_string(printerOfRow[r]) + "\n";
        EXPECT_EQ(text, c.rows) << c.rule;
    }
}

}  // namespace
