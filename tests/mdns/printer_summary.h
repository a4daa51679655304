// One line per printer found by mDNS, for tests that check searches by known values.
#pragma once

#include <string>
#include <vector>

#include "mdns_printers.h"

namespace netrov::test {

// "name host address,... type:port/rp,... key=value..." per printer.
inline std::string printerSummary(const std::vector<mdns::Printer>& printers)
{
    std::string text;
    for (const auto& p : printers) {
        text += p.name + " " + p.hostName + " ";
        for (const auto& a : p.addresses) text += a.text + ",";
        text += " ";
        for (const auto& s : p.services) text += s.type + ":" + std::to_string(s.port) + "/" + s.resourcePath + ",";
        for (const auto& key : mdns::kTxtKeys)
            if (!(p.*key.field).empty()) text += " " + std::string(key.key) + "=" + p.*key.field;
        text += "\n";
    }
    return text;
}

}  // namespace netrov::test
