// netrov-cli's search by mDNS; see mdns_search.h.
#include "mdns_search.h"

#include <algorithm>
#include <iostream>

#include "exit_codes.h"

namespace netrov::cli {

namespace {

nlohmann::json textOrNull(const std::string& text)
{
    return text.empty() ? nlohmann::json() : nlohmann::json(text);
}

// "ipp 631 ipp/print": the type without its underscores and protocol.
std::string serviceText(const mdns::Service& s)
{
    std::string type = s.type;
    if (type.starts_with("_")) type.erase(0, 1);
    if (const size_t dot = type.find("._"); dot != std::string::npos) type.erase(dot);
    std::string text = type + ":" + std::to_string(s.port);
    if (!s.resourcePath.empty()) text += "/" + s.resourcePath;
    return text;
}


}  // namespace

nlohmann::json toJson(const mdns::Printer& p)
{
    nlohmann::json addresses = nlohmann::json::array();
    for (const mdns::Address& a : p.addresses) addresses.push_back(a.text);
    nlohmann::json services = nlohmann::json::array();
    for (const mdns::Service& s : p.services)
        services.push_back({{"type", s.type}, {"port", s.port}, {"resourcePath", textOrNull(s.resourcePath)}});
    nlohmann::json out = {{"name", p.name}, {"hostName", p.hostName}, {"addresses", addresses}, {"services", services}};
    // The TXT keys under their own names.
    for (const mdns::TxtKey& key : mdns::kTxtKeys) out[std::string(key.key)] = textOrNull(p.*key.field);
    return out;
}

DeviceRow rowOf(const mdns::Printer& p)
{
    DeviceRow row{};
    row.model = p.modelName();
    row.device = p.name;
    row.location = p.note;
    row.ipAddress = p.firstAddress();
    row.status = kSnmpNoAnswer;
    row.statusCode = -1;
    return row;
}

MdnsSearch::MdnsSearch(bool wanted, const std::atomic<int>& interrupted, std::string maker)
    : wanted_(wanted), maker_(std::move(maker))
{
    if (!wanted_) return;
    thread_ = std::thread([this, &interrupted] {
        try {
            result_ = mdns::browsePrinters(mdns::kBrowseWindow, &interrupted);
        } catch (const std::bad_alloc&) {
            result_.status = mdns::BrowseStatus::Failed;
            result_.error = "out of memory";
        }
    });
}

MdnsSearch::~MdnsSearch()
{
    if (thread_.joinable()) thread_.join();
}

bool MdnsSearch::available() const
{
    return result_.status != mdns::BrowseStatus::NotAvailable;
}

std::vector<int> joinRows(std::vector<DeviceRow>& rows, const std::vector<mdns::Printer>& printers, std::string_view maker)
{
    std::vector<int> printerOfRow(rows.size(), -1);
    std::vector<bool> listed(printers.size(), false);
    for (size_t r = 0; r < rows.size(); ++r) {
        for (size_t p = 0; p < printers.size() && printerOfRow[r] < 0; ++p) {
            const auto& addresses = printers[p].addresses;
            if (std::any_of(addresses.begin(), addresses.end(),
                            [&rows, r](const mdns::Address& a) { return a.text == rows[r].ipAddress; })) {
                printerOfRow[r] = static_cast<int>(p);
                listed[p] = true;
            }
        }
    }
    for (size_t p = 0; p < printers.size(); ++p) {
        if (listed[p] || !containsIgnoringCase(printers[p].modelName(), maker)) continue;
        rows.push_back(rowOf(printers[p]));
        printerOfRow.push_back(static_cast<int>(p));
    }
    return printerOfRow;
}

void MdnsSearch::join(std::vector<DeviceRow>& rows)
{
    if (!wanted_) return;
    if (thread_.joinable()) thread_.join();
    snmpRows_ = rows.size();
    rowPrinter_ = joinRows(rows, result_.printers, maker_);
}

void MdnsSearch::addJson(nlohmann::json& document) const
{
    if (!wanted_) return;
    nlohmann::json& devices = document["devices"];
    for (size_t r = 0; r < rowPrinter_.size() && r < devices.size(); ++r) {
        const int p = rowPrinter_[r];
        devices[r]["mdns"] = p < 0 ? nlohmann::json() : toJson(result_.printers[static_cast<size_t>(p)]);
        if (r >= snmpRows_) {
            // What SNMP would have said is not known.
            for (const char* key : {"interface", "mac", "macAddress"}) devices[r][key] = nullptr;
            devices[r]["model"] = textOrNull(devices[r]["model"].get<std::string>());
            devices[r]["location"] = textOrNull(result_.printers[static_cast<size_t>(p)].note);
        }
    }
    document["mdns"] = {{"available", available()},
                        {"count", result_.printers.size()},
                        {"error", textOrNull(result_.error)},
                        {"seconds", static_cast<double>(result_.elapsed.count()) / 1000.0}};
}

std::string MdnsSearch::detailText() const
{
    if (!wanted_ || result_.printers.empty()) return {};
    std::vector<std::vector<std::string>> cells;
    for (const mdns::Printer& p : result_.printers) {
        std::string addresses, services;
        for (const mdns::Address& a : p.addresses) addresses += (addresses.empty() ? "" : " ") + a.text;
        for (const mdns::Service& s : p.services) services += (services.empty() ? "" : " ") + terminalSafe(serviceText(s));
        cells.push_back({terminalSafe(p.name), terminalSafe(p.hostName), addresses, services, terminalSafe(p.adminUrl)});
    }
    return "\nFound by mDNS:\n" + formatColumns({"Name", "Host", "Addresses", "Services", "Admin page"}, cells);
}

std::string MdnsSearch::note() const
{
    if (!wanted_) return {};
    if (result_.status == mdns::BrowseStatus::NotAvailable) return "netrov-cli: mDNS is not available: " + terminalSafe(result_.error) + "\n";
    std::string text = "mDNS: " + countText(result_.printers.size(), "printer", "printers") + " answered";
    const size_t only = rowPrinter_.size() > snmpRows_ ? rowPrinter_.size() - snmpRows_ : 0;
    if (only > 0 && snmpRows_ > 0) text += ", " + std::to_string(only) + " of them only by mDNS";
    if (result_.status == mdns::BrowseStatus::Failed) text += " (" + terminalSafe(result_.error) + ")";
    return text + "\n";
}

int runMdnsOnly(bool json, const std::atomic<int>& interrupted, const std::string& maker)
{
    MdnsSearch search(true, interrupted, maker);
    std::vector<DeviceRow> rows;
    search.join(rows);
    if (json) {
        nlohmann::json document = toJson(rows);
        search.addJson(document);
        std::cout << dumpJson(document) << "\n";
        if (!search.available()) std::cerr << search.note();
    } else if (!search.available()) {
        std::cerr << search.note();
    } else {
        std::cout << formatTable(rows) << search.detailText();
        std::cerr << search.note();
    }
    if (!search.available()) return kExitFailed;
    return interrupted.load() > 0 ? kExitInterrupted : kExitOk;
}

}  // namespace netrov::cli
