// Target expansion for large sweeps.
#include "targets.h"

#include <istream>
#include <utility>

#include "search_settings.h"

namespace netrov::cli {

namespace {

std::string trimmed(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    const size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

Checked<std::vector<uint32_t>> sequence(uint32_t first, uint64_t count)
{
    std::vector<uint32_t> addresses;
    addresses.reserve(static_cast<size_t>(count));
    for (uint64_t i = 0; i < count; ++i) addresses.push_back(static_cast<uint32_t>(first + i));
    return {std::move(addresses), {}};
}

}  // namespace

bool isBlockOrRange(const std::string& text)
{
    return text.find('/') != std::string::npos || text.find('-') != std::string::npos;
}

namespace {

// A target's text is read by the core's one rule for blocks and ranges.
using TargetSpan = core::AddressSpan;

Checked<TargetSpan> parseTarget(const std::string& raw)
{
    core::ParsedSpan parsed = core::parseAddressSpan(raw);
    return {parsed.span, std::move(parsed.error)};
}

const char* const kTooMany = "the targets add up to more than a /8 (16,777,216 addresses)";

}  // namespace

Checked<std::vector<uint32_t>> expandTarget(const std::string& text)
{
    const auto span = parseTarget(text);
    if (!span.value) return {std::nullopt, span.error};
    return sequence(span.value->first, span.value->count);
}

bool appendTargets(std::vector<uint32_t>* all, const std::vector<uint32_t>& more, std::string* error)
{
    if (all->size() + more.size() > kMaxTargets) {
        *error = kTooMany;
        return false;
    }
    all->insert(all->end(), more.begin(), more.end());
    return true;
}

Checked<std::vector<uint32_t>> readTargets(std::istream& in, const std::string& name)
{
    std::vector<uint32_t> all;
    uint64_t total = 0;
    std::string errors;
    std::string line;
    size_t number = 0;
    size_t bad = 0;
    while (std::getline(in, line)) {
        ++number;
        if (const size_t hash = line.find('#'); hash != std::string::npos) line.erase(hash);
        line = trimmed(line);
        if (line.empty()) continue;
        // The limit is checked before a line is expanded, and nothing is
        // expanded once a line is bad: a file of blocks past the limit costs
        // no more than its first /8.
        const auto span = parseTarget(line);
        std::string error = span.error;
        const bool fits = span.value && total + span.value->count <= kMaxTargets;
        if (span.value && !fits) error = kTooMany;
        if (fits) {
            total += span.value->count;
            for (uint64_t i = 0; bad == 0 && i < span.value->count; ++i)
                all.push_back(static_cast<uint32_t>(span.value->first + i));
        } else {
            // Enough lines to fix a file, never a flood.
            if (++bad <= 20) errors += name + ":" + std::to_string(number) + ": " + error + "\n";
        }
    }
    if (in.bad()) return {std::nullopt, "cannot read " + name};
    if (bad > 20) errors += "(" + std::to_string(bad - 20) + " more bad lines)\n";
    if (bad) {
        errors.pop_back();
        return {std::nullopt, errors};
    }
    return {std::move(all), {}};
}

}  // namespace netrov::cli
