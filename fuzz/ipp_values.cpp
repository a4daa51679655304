// Fuzzes the parsers of the texts inside a printer's IPP values: the
// "key=value;" lists of supplies, trays and alerts, the device ID's fields,
// state reasons and colours; and the same bytes as a whole answer, read by
// libcups and turned into a reading and a list of jobs.
//
// Input: any bytes, as a printer may send them in one value or as its answer.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include <cups/ipp.h>

#include "fleet_report.h"
#include "ipp_reading.h"
#include "ipp_values.h"

namespace ipp = netrov::core::ipp;

namespace {

struct Bytes {
    const uint8_t* data;
    size_t left;
};

ssize_t readBytes(void* context, ipp_uchar_t* buffer, size_t wanted)
{
    auto* bytes = static_cast<Bytes*>(context);
    const size_t n = std::min(wanted, bytes->left);
    std::memcpy(buffer, bytes->data, n);
    bytes->data += n;
    bytes->left -= n;
    return static_cast<ssize_t>(n);
}

// The bytes as a printer's whole answer: whatever libcups reads of it gives
// a bounded list of jobs and a reading.
void answer(const uint8_t* data, size_t size)
{
    Bytes bytes{data, size};
    ipp_t* message = ippNew();
    if (ippReadIO(&bytes, readBytes, 1, nullptr, message) == IPP_STATE_DATA) {
        ipp::IppJobs jobs;
        ipp::fillJobs(jobs, message);
        if (jobs.jobs.size() > ipp::kMaxIppJobs) std::abort();
        for (const ipp::IppJob& job : jobs.jobs) {
            if (job.name.size() > ipp::kMaxValueLength || job.user.size() > ipp::kMaxValueLength
                || job.stateReasons.size() > ipp::kMaxJobReasons)
                std::abort();
        }
        netrov::core::DeviceReport report;
        ipp::fillFromAttributes(report, message);
    }
    ippDelete(message);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const ipp::KeyValues pairs = ipp::parseKeyValues(text);
    if (pairs.size() > ipp::kMaxKeyValues) std::abort();
    for (const auto& [key, value] : pairs) {
        if (key.empty() || key.size() > ipp::kMaxValueLength || value.size() > ipp::kMaxValueLength) std::abort();
        // The first pair of a key is the one found.
        (void)ipp::numberOf(pairs, key);
    }
    // A key finds the first pair whose key it names, case aside.
    const auto folded = [](std::string text) {
        for (char& c : text) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
        return text;
    };
    for (const auto& [key, value] : pairs) {
        for (const auto& [k, v] : pairs) {
            if (folded(k) == folded(key)) {
                if (ipp::valueOf(pairs, key) != v) std::abort();
                break;
            }
        }
    }
    if (ipp::deviceIdField(text, {"SN", "SERIALNUMBER"}).size() > ipp::kMaxValueLength) std::abort();
    const ipp::StateReason reason = ipp::splitStateReason(text);
    if (reason.reason.size() > text.size()) std::abort();
    (void)ipp::stateReasonBits(reason.reason);
    (void)ipp::enumValueOf(netrov::core::Enumeration::SupplyType, text);
    if (const auto rgb = ipp::rgbOf(text)) {
        for (const int32_t c : *rgb) {
            if (c < 0 || c > 255) std::abort();
        }
    }
    answer(data, size);
    return 0;
}
