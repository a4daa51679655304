// Finds printers through the Avahi daemon: one browser per printer service
// type on every interface and family, and a resolver for each instance.
#include <avahi-client/client.h>
#include <avahi-client/lookup.h>
#include <avahi-common/address.h>
#include <avahi-common/error.h>
#include <avahi-common/malloc.h>
#include <avahi-common/simple-watch.h>
#include <avahi-common/strlst.h>
#include <net/if.h>

#include <cstring>
#include <memory>

#include "mdns_printers.h"

namespace netrov::mdns {

namespace {

using Clock = std::chrono::steady_clock;

// The client owns its browsers and resolvers and frees them with itself, so
// it must go before the poll it runs on.
struct PollDeleter {
    void operator()(AvahiSimplePoll* poll) const { avahi_simple_poll_free(poll); }
};
struct ClientDeleter {
    void operator()(AvahiClient* client) const { avahi_client_free(client); }
};
struct AvahiText {
    char* text = nullptr;
    AvahiText() = default;
    AvahiText(const AvahiText&) = delete;
    AvahiText& operator=(const AvahiText&) = delete;
    ~AvahiText() { avahi_free(text); }
};

struct Search {
    AvahiClient* client = nullptr;
    Clock::time_point lastAnswer;
    std::vector<Announcement> answers;
    size_t browsers = 0;
    bool clientFailed = false;
    std::string error;
};

Address addressOf(const AvahiAddress& a, AvahiIfIndex interface)
{
    Address out;
    char text[AVAHI_ADDRESS_STR_MAX] = {};
    avahi_address_snprint(text, sizeof text, &a);
    out.text = text;
    if (a.proto == AVAHI_PROTO_INET) {
        out.family = 4;
        std::memcpy(out.bytes.data(), &a.data.ipv4.address, 4);
    } else {
        out.family = 6;
        std::memcpy(out.bytes.data(), a.data.ipv6.address, 16);
        // A link-local address means nothing without its link.
        char name[IF_NAMESIZE] = {};
        if (out.bytes[0] == 0xfe && (out.bytes[1] & 0xc0) == 0x80 && interface >= 0
            && if_indextoname(static_cast<unsigned>(interface), name))
            out.text += std::string("%") + name;
    }
    return out;
}

void resolved(AvahiServiceResolver* resolver, AvahiIfIndex interface, AvahiProtocol, AvahiResolverEvent event,
              const char* name, const char* type, const char*, const char* host, const AvahiAddress* address,
              uint16_t port, AvahiStringList* txt, AvahiLookupResultFlags, void* data)
{
    auto* search = static_cast<Search*>(data);
    if (event == AVAHI_RESOLVER_FOUND && address) {
        Announcement a;
        a.name = name ? name : "";
        a.type = type ? type : "";
        a.hostName = host ? host : "";
        a.address = addressOf(*address, interface);
        a.port = port;
        for (AvahiStringList* item = txt; item; item = avahi_string_list_get_next(item)) {
            AvahiText key, value;
            size_t size = 0;
            if (avahi_string_list_get_pair(item, &key.text, &value.text, &size) != 0) continue;
            a.txt.emplace_back(key.text, value.text ? std::string(value.text, size) : std::string());
        }
        search->answers.push_back(std::move(a));
        search->lastAnswer = Clock::now();
    }
    // One answer is all a search needs; an instance that cannot be resolved is left out.
    avahi_service_resolver_free(resolver);
}

void browsed(AvahiServiceBrowser*, AvahiIfIndex interface, AvahiProtocol protocol, AvahiBrowserEvent event,
             const char* name, const char* type, const char* domain, AvahiLookupResultFlags, void* data)
{
    auto* search = static_cast<Search*>(data);
    switch (event) {
    case AVAHI_BROWSER_NEW:
        // Resolved over the family it was seen on, so a device on both gives both addresses.
        avahi_service_resolver_new(search->client, interface, protocol, name, type, domain, protocol,
                                   static_cast<AvahiLookupFlags>(0), resolved, search);
        break;
    case AVAHI_BROWSER_FAILURE:
        search->error = avahi_strerror(avahi_client_errno(search->client));
        break;
    default:
        break;
    }
}

void clientChanged(AvahiClient*, AvahiClientState state, void* data)
{
    auto* search = static_cast<Search*>(data);
    if (state == AVAHI_CLIENT_FAILURE) search->clientFailed = true;
}

}  // namespace

BrowseResult browsePrinters(std::chrono::milliseconds window, const std::atomic<int>* interrupted)
{
    const Clock::time_point start = Clock::now();
    const Clock::time_point deadline = start + window;
    BrowseResult result;
    std::unique_ptr<AvahiSimplePoll, PollDeleter> poll(avahi_simple_poll_new());
    if (!poll) throw std::bad_alloc();
    Search search;
    search.lastAnswer = start;
    int error = 0;
    std::unique_ptr<AvahiClient, ClientDeleter> client(
        avahi_client_new(avahi_simple_poll_get(poll.get()), static_cast<AvahiClientFlags>(0), clientChanged, &search, &error));
    if (!client) {
        result.status = BrowseStatus::NotAvailable;
        result.error = std::string("no mDNS daemon answers (") + avahi_strerror(error) + "); is avahi-daemon running?";
        return result;
    }
    search.client = client.get();
    for (std::string_view type : kPrinterServiceTypes) {
        if (avahi_service_browser_new(client.get(), AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC, std::string(type).c_str(), nullptr,
                                      static_cast<AvahiLookupFlags>(0), browsed, &search))
            ++search.browsers;
        else
            search.error = avahi_strerror(avahi_client_errno(client.get()));
    }
    if (search.browsers == 0) {
        result.status = BrowseStatus::Failed;
        result.error = "the mDNS daemon refused the search: " + search.error;
        return result;
    }

    // The whole window: the daemon's "all for now" comes after about a
    // second, before a printer that multicast its records within the last
    // second may answer again. Slices keep an interruption prompt.
    constexpr auto kSlice = std::chrono::milliseconds(100);
    while (!search.clientFailed && !(interrupted && interrupted->load() > 0)) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) break;
        if (avahi_simple_poll_iterate(poll.get(), static_cast<int>(std::min(left, kSlice).count())) != 0) break;
    }
    if (search.clientFailed) {
        result.status = BrowseStatus::Failed;
        result.error = "the mDNS daemon went away during the search";
    }
    result.printers = joinAnnouncements(search.answers);
    result.elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    result.lastAnswer = std::chrono::duration_cast<std::chrono::milliseconds>(search.lastAnswer - start);
    return result;
}

}  // namespace netrov::mdns
