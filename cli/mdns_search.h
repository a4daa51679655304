// netrov-cli's search by mDNS: browses beside the SNMP search of the same
// run, and joins the printers found into its rows (one row per address).
#pragma once

#include <atomic>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "mdns_printers.h"
#include "report.h"

namespace netrov::cli {

// The status of a printer that only mDNS found.
inline constexpr const char* kSnmpNoAnswer = mdns::kSnmpNoAnswerText;

class MdnsSearch {
public:
    // Starts browsing on a thread of its own when wanted; otherwise every
    // call below does nothing.
    // maker: list only the printers mDNS alone found whose model holds it (any case).
    MdnsSearch(bool wanted, const std::atomic<int>& interrupted, std::string maker = {});
    ~MdnsSearch();
    MdnsSearch(const MdnsSearch&) = delete;
    MdnsSearch& operator=(const MdnsSearch&) = delete;

    // Waits for the browse. A row whose address a printer announced is that
    // printer's; each printer no row has gets a row of its own, appended,
    // with the status kSnmpNoAnswer.
    void join(std::vector<DeviceRow>& rows);
    // Adds the "mdns" object to the devices join() matched or added (null
    // for the others), and the search's own "mdns" summary to the document.
    void addJson(nlohmann::json& document) const;
    // The printers found, with their addresses and services, for standard
    // output after the table; empty when none.
    std::string detailText() const;
    // One line for standard error: how many answered, or why mDNS is not available.
    std::string note() const;
    bool available() const;

private:
    bool wanted_ = false;
    std::string maker_;
    std::thread thread_;
    mdns::BrowseResult result_;
    std::vector<int> rowPrinter_;  // per row of join(): the printer's index, or -1
    size_t snmpRows_ = 0;
};

nlohmann::json toJson(const mdns::Printer& printer);
// The row of a printer that answered only mDNS.
DeviceRow rowOf(const mdns::Printer& printer);
// The printer of each row, by address (-1: none); a printer no row has gets
// a row of its own, appended, so a device found both ways is one row. Of
// those, only the ones whose model holds maker (any case) are listed.
std::vector<int> joinRows(std::vector<DeviceRow>& rows, const std::vector<mdns::Printer>& printers,
                          std::string_view maker = {});

// search --mdns without SNMP (--no-broadcast and no address): lists what
// answered mDNS; fails when mDNS is not available.
int runMdnsOnly(bool json, const std::atomic<int>& interrupted, const std::string& maker = {});

}  // namespace netrov::cli
