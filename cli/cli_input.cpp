// Checks of netrov-cli's command-line values.
#include "cli_input.h"

namespace netrov::cli {

Checked<uint32_t> checkAddress(const std::string& text)
{
    if (auto address = core::parseDottedQuad(text)) return {address, {}};
    return {std::nullopt, "'" + text + "' is not an IPv4 address (four numbers 0-255 joined by '.')"};
}

Checked<std::string> checkRange(const std::string& text)
{
    const size_t dash = text.find('-');
    if (dash == std::string::npos || text.find('-', dash + 1) != std::string::npos)
        return {std::nullopt, "'" + text + "' is not an address range (write START-END, e.g. 127.0.0.1-127.0.0.9)"};
    const auto start = checkAddress(text.substr(0, dash));
    if (!start.value) return {std::nullopt, start.error};
    const auto end = checkAddress(text.substr(dash + 1));
    if (!end.value) return {std::nullopt, end.error};
    const uint32_t n = core::rangeSize(*start.value, *end.value);
    if (n == 0 || n >= 256)
        return {std::nullopt, "range " + text + " is over 255 addresses (the end must not be below the start)"};
    return {core::addressToText(*start.value) + "," + core::addressToText(*end.value), {}};
}

Checked<core::SearchAddressList> buildAddressList(const std::vector<std::string>& entries)
{
    core::SearchAddressList list;
    uint64_t total = 0;
    for (const std::string& entry : entries) {
        const core::AddressEntry parsed = core::splitEntry(entry);
        total += parsed.end ? core::rangeSize(parsed.start, *parsed.end) : 1;
        if (total > core::kMaxAddresses)
            return {std::nullopt, "the addresses and ranges add up to over 255 addresses"};
        list.append(entry);
    }
    return {list, {}};
}

Checked<int32_t> checkTimeOut(int64_t seconds)
{
    if (seconds < core::kMinTimeOut || seconds > core::kMaxTimeOut)
        return {std::nullopt, "time-out " + std::to_string(seconds) + " is outside 1 to 60 seconds"};
    return {static_cast<int32_t>(seconds), {}};
}

Checked<int32_t> checkRetry(int64_t retries)
{
    if (retries < 0 || retries > 10) return {std::nullopt, "retry count " + std::to_string(retries) + " is outside 0 to 10"};
    return {static_cast<int32_t>(retries), {}};
}

}  // namespace netrov::cli
