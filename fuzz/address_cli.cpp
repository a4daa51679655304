// Fuzzes netrov-cli's address and range checks and the address list built from what they accept.
//
// Input: lines, each an --address or --range value (a line with "-" is a range).
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli_input.h"

namespace cli = netrov::cli;
namespace core = netrov::core;

namespace {

std::optional<std::string> checkOne(const std::string& text)
{
    if (text.find('-') == std::string::npos) {
        const cli::Checked<core::NetAddress> address = cli::checkAddress(text);
        if (address.value.has_value() != address.error.empty()) std::abort();
        if (!address.value) return std::nullopt;
        // The accepted text reads back as the same address, strictly and, for IPv4, leniently.
        const std::string written = core::netAddressText(*address.value);
        const auto again = cli::checkAddress(written);
        if (!again.value || !(*again.value == *address.value)) std::abort();
        if (address.value->v6) return std::nullopt;  // the search list holds IPv4 addresses
        if (core::addressFromText(text) != address.value->v4) std::abort();
        return written;
    }

    const cli::Checked<std::string> range = cli::checkRange(text);
    if (range.value.has_value() != range.error.empty()) std::abort();
    if (!range.value) return std::nullopt;
    // An accepted range is "start,end" in canonical form, 1 to 255 addresses.
    const size_t comma = range.value->find(',');
    if (comma == std::string::npos) std::abort();
    const auto startAddress = cli::checkAddress(range.value->substr(0, comma));
    const auto endAddress = cli::checkAddress(range.value->substr(comma + 1));
    if (!startAddress.value || !endAddress.value || startAddress.value->v6 || endAddress.value->v6) std::abort();
    const uint32_t start = startAddress.value->v4;
    const uint32_t end = endAddress.value->v4;
    if (core::addressToText(start) + "," + core::addressToText(end) != *range.value) std::abort();
    const uint32_t n = core::rangeSize(start, end);
    if (n == 0 || n > core::kMaxAddresses || end < start) std::abort();
    const core::AddressEntry entry = core::splitEntry(*range.value);
    if (entry.start != start || entry.end != end) std::abort();
    // The same range written with the dash reads back the same.
    const std::string again = core::addressToText(start) + "-" + core::addressToText(end);
    if (cli::checkRange(again).value != range.value) std::abort();
    return range.value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> raw;
    std::vector<std::string> checked;
    while (!input.empty() && raw.size() < 64) {
        const size_t lf = input.find('\n');
        raw.emplace_back(input.substr(0, lf));
        input.remove_prefix(lf == std::string_view::npos ? input.size() : lf + 1);
        if (std::optional<std::string> entry = checkOne(raw.back())) checked.push_back(std::move(*entry));
    }

    // A list of checked entries is accepted exactly when it holds at most
    // 255 addresses, and then expands to all of them, in order.
    uint64_t total = 0;
    std::vector<uint32_t> expected;
    for (const std::string& entry : checked) {
        const core::AddressEntry parsed = core::splitEntry(entry);
        const uint32_t n = parsed.end ? core::rangeSize(parsed.start, *parsed.end) : 1;
        total += n;
        for (uint32_t k = 0; k < n && expected.size() <= core::kMaxAddresses; ++k) expected.push_back(parsed.start + k);
    }
    const cli::Checked<core::SearchAddressList> list = cli::buildAddressList(checked);
    if (list.value.has_value() != (total <= core::kMaxAddresses)) std::abort();
    if (list.value && core::expandAddressList(*list.value, SIZE_MAX) != expected) std::abort();

    // Unchecked entries must not crash the list building either.
    const cli::Checked<core::SearchAddressList> loose = cli::buildAddressList(raw);
    if (loose.value.has_value() != loose.error.empty()) std::abort();
    return 0;
}
