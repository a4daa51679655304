// Joins the services one printer announces into one entry per device.
#include <algorithm>
#include <tuple>

#include "mdns_printers.h"

namespace netrov::mdns {

namespace {

char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string lowered(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), lowerAscii);
    return out;
}

bool sameIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return lowerAscii(x) == lowerAscii(y);
           });
}

// The value of a TXT key (any case); empty when absent.
std::string_view txtValue(const Announcement& a, std::string_view key)
{
    for (const auto& [k, v] : a.txt)
        if (sameIgnoringCase(k, key)) return v;
    return {};
}

// Printers write their UUID in either case, some as a URN.
std::string uuidKey(const Announcement& a)
{
    std::string uuid = lowered(txtValue(a, "UUID"));
    constexpr std::string_view kUrn = "urn:uuid:";
    if (uuid.starts_with(kUrn)) uuid.erase(0, kUrn.size());
    return uuid;
}

size_t typeRank(std::string_view type)
{
    const auto* it = std::find_if(kPrinterServiceTypes.begin(), kPrinterServiceTypes.end(),
                                  [type](std::string_view known) { return sameIgnoringCase(known, type); });
    return static_cast<size_t>(it - kPrinterServiceTypes.begin());
}

auto addressOrder(const Address& a)
{
    return std::tie(a.family, a.bytes, a.text);
}

struct Device {
    Printer printer;
    std::string uuid;
    std::string host;
    size_t nameRank = kPrinterServiceTypes.size() + 1;
};

void add(Device& device, const Announcement& a)
{
    Printer& p = device.printer;
    const size_t rank = typeRank(a.type);
    if (rank < device.nameRank) {
        device.nameRank = rank;
        p.name = a.name;
    }
    if (p.hostName.empty()) p.hostName = a.hostName;
    if (!a.address.text.empty()
        && std::none_of(p.addresses.begin(), p.addresses.end(), [&a](const Address& known) { return known.text == a.address.text; }))
        p.addresses.push_back(a.address);
    auto service = std::find_if(p.services.begin(), p.services.end(), [&a](const Service& s) { return s.type == a.type; });
    if (service == p.services.end()) service = p.services.insert(p.services.end(), Service{a.type, a.port, {}});
    if (service->resourcePath.empty()) service->resourcePath = std::string(txtValue(a, "rp"));
    for (const TxtKey& key : kTxtKeys) {
        std::string& field = p.*key.field;
        if (field.empty()) field = std::string(txtValue(a, key.key));
    }
}

}  // namespace

std::string Printer::modelName() const
{
    if (!model.empty()) return model;
    if (product.size() >= 2 && product.front() == '(' && product.back() == ')') return product.substr(1, product.size() - 2);
    return product;
}

std::string Printer::firstAddress() const
{
    if (addresses.empty()) return {};
    const auto v4 = std::find_if(addresses.begin(), addresses.end(), [](const Address& a) { return a.family == 4; });
    return v4 != addresses.end() ? v4->text : addresses.front().text;
}

std::vector<Printer> joinAnnouncements(const std::vector<Announcement>& answers)
{
    // Those with a UUID first, so a service without one (an LPD queue often
    // has none) finds its device by host name whatever order they came in.
    std::vector<const Announcement*> order;
    for (const Announcement& a : answers) order.push_back(&a);
    std::stable_partition(order.begin(), order.end(), [](const Announcement* a) { return !uuidKey(*a).empty(); });

    std::vector<Device> devices;
    for (const Announcement* a : order) {
        const std::string uuid = uuidKey(*a);
        const std::string host = lowered(a->hostName);
        auto device = std::find_if(devices.begin(), devices.end(), [&](const Device& d) {
            return uuid.empty() ? !host.empty() && d.host == host : d.uuid == uuid;
        });
        if (device == devices.end()) device = devices.insert(devices.end(), Device{{}, uuid, host});
        add(*device, *a);
    }

    std::vector<Printer> printers;
    for (Device& d : devices) {
        Printer& p = d.printer;
        std::sort(p.addresses.begin(), p.addresses.end(),
                  [](const Address& x, const Address& y) { return addressOrder(x) < addressOrder(y); });
        std::stable_sort(p.services.begin(), p.services.end(),
                         [](const Service& x, const Service& y) { return typeRank(x.type) < typeRank(y.type); });
        printers.push_back(std::move(p));
    }
    std::stable_sort(printers.begin(), printers.end(), [](const Printer& x, const Printer& y) {
        if (x.addresses.empty() || y.addresses.empty()) return !x.addresses.empty() && y.addresses.empty();
        return addressOrder(x.addresses.front()) < addressOrder(y.addresses.front());
    });
    return printers;
}

}  // namespace netrov::mdns
