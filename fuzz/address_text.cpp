// Fuzzes the address text rules: lenient and strict conversion, entry splitting, list expansion and the Add rules.
//
// Input: lines, each one address list entry as the store could hold it.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "search_settings.h"

namespace core = netrov::core;

namespace {

// A strictly parsed address written without leading zeros.
std::string canonical(std::string_view text)
{
    std::string out;
    size_t pos = 0;
    while (pos <= text.size()) {
        const size_t dot = text.find('.', pos);
        std::string_view part = text.substr(pos, dot == std::string_view::npos ? std::string_view::npos : dot - pos);
        while (part.size() > 1 && part.front() == '0') part.remove_prefix(1);
        if (!out.empty()) out += '.';
        out += part;
        if (dot == std::string_view::npos) break;
        pos = dot + 1;
    }
    return out;
}

void checkAddressText(std::string_view text)
{
    const uint32_t lenient = core::addressFromText(text);
    const std::string written = core::addressToText(lenient);
    if (written.size() > 15 || core::parseDottedQuad(written) != lenient) std::abort();
    if (core::addressFromText(written) != lenient) std::abort();

    uint8_t record[4];
    core::storeAddress(lenient, record);
    if (core::loadAddress(record) != lenient) std::abort();

    if (const std::optional<uint32_t> strict = core::parseDottedQuad(text)) {
        // On what the strict check accepts, the lenient reading agrees and
        // the written form is the canonical text.
        if (*strict != lenient) std::abort();
        if (core::addressToText(*strict) != canonical(text)) std::abort();
    }
}

uint64_t addressCount(const core::SearchAddressList& list)
{
    uint64_t total = 0;
    for (const std::string& text : list.entries()) {
        const core::AddressEntry entry = core::splitEntry(text);
        total += entry.end ? core::rangeSize(entry.start, *entry.end) : 1;
    }
    return total;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view input(reinterpret_cast<const char*>(data), size);
    core::SearchAddressList stored;
    while (!input.empty() && stored.count() < 64) {
        const size_t lf = input.find('\n');
        const std::string_view line = input.substr(0, lf);
        input.remove_prefix(lf == std::string_view::npos ? input.size() : lf + 1);
        checkAddressText(line);
        stored.append(line);
        if (stored.entries().back().size() > core::kMaxEntryLength) std::abort();
    }

    // Expansion of whatever the store held never passes its cap, and a
    // smaller cap gives a prefix of the same order.
    const std::vector<uint32_t> all = core::expandAddressList(stored);
    if (all.size() > core::kMaxAddresses) std::abort();
    const std::vector<uint32_t> few = core::expandAddressList(stored, 7);
    if (few.size() > 7 || few.size() > all.size()) std::abort();
    for (size_t i = 0; i < few.size(); ++i)
        if (few[i] != all[i]) std::abort();

    // The Add rules build a list that holds at most 255 addresses in all,
    // each range 1 to 255 addresses, and no entry twice.
    core::SearchAddressList added;
    for (const std::string& text : stored.entries()) {
        const core::AddressEntry entry = core::splitEntry(text);
        const size_t before = added.count();
        const core::AddResult result = core::addEntry(added, entry.start, entry.end);
        if ((result == core::AddResult::Added) != (added.count() == before + 1)) std::abort();
        if (result == core::AddResult::Added && entry.end) {
            const uint32_t n = core::rangeSize(entry.start, *entry.end);
            if (n == 0 || n > core::kMaxAddresses) std::abort();
        }
        if (core::addEntry(added, entry.start, entry.end) == core::AddResult::Added) std::abort();
    }
    if (addressCount(added) > core::kMaxAddresses) std::abort();
    const std::vector<uint32_t> uncapped = core::expandAddressList(added, SIZE_MAX);
    if (uncapped.size() != addressCount(added)) std::abort();

    // Adding to a list loaded as it stands never crashes, whatever it holds.
    (void)core::addEntry(stored, core::addressFromText("127.0.0.1"));
    return 0;
}
