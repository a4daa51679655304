// Checks of netrov-cli's command-line values: addresses, ranges, time-out, retry count.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "search_settings.h"

namespace netrov::cli {

// A check either gives its value or one line saying what is wrong.
template <typename T>
struct Checked {
    std::optional<T> value;
    std::string error;
};

Checked<uint32_t> checkAddress(const std::string& text);

// "A-B": two dotted addresses; at most 255 addresses from A up to B.
Checked<std::string> checkRange(const std::string& text);

// Checked entries (one address, or "start,end") as a search address list, in
// the order given; at most 255 addresses in all.
Checked<core::SearchAddressList> buildAddressList(const std::vector<std::string>& entries);

Checked<int32_t> checkTimeOut(int64_t seconds);
Checked<int32_t> checkRetry(int64_t retries);

}  // namespace netrov::cli
