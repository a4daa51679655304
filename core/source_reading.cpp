// Choosing the source of a reading and merging two readings of one device.
#include "source_reading.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

#include <netrov/result_codes.h>

#include "device_list.h"
#include "net_address.h"
#include "query_reading.h"
#include "record_schema.h"
#include "search_settings.h"

#ifdef NETROV_HAVE_IPP
#include "ipp/ipp_reading.h"
#endif

namespace netrov::core {

namespace {

constexpr std::pair<const char*, Source> kSources[] = {
    {"auto", Source::Auto}, {"snmp", Source::Snmp}, {"ipp", Source::Ipp}, {"both", Source::Both}};

std::string folded(std::string text)
{
    std::erase_if(text, [](char c) { return c == ' ' || c == ':' || c == '-'; });
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// Ready, printing and warming up are one state for the comparison.
std::string stateWord(int32_t code)
{
    return statusWordText(isReadyStatus(code) ? kStatusReady : code);
}

std::string levelText(const TonerLevel& t)
{
    return std::to_string(*t.percent) + " %";
}

// A device opened by its address alone lacks the name, place and MAC
// address a search reads with it. Before both sources are merged SNMP is
// asked for them, so IPP's own do not stand in for SNMP's.
DeviceListEntry withSnmpInfo(const DeviceListEntry& entry)
{
    DeviceListEntry read = entry;
    const QuerySchema* query = findQuery("GetDevInfo");
    if (entry.info.nameValid || entry.info.locationValid || entry.info.macAddressValid || !query) return read;
    const QueryReading info = readQuery(*query, read.identity);
    if (info.result == NETROV_OK && info.stored() > 0 && info.recordSize == sizeof(DeviceInfo))
        std::memcpy(&read.info, info.record(0), sizeof(DeviceInfo));
    return read;
}

}  // namespace

std::optional<Source> sourceNamed(std::string_view name)
{
    for (const auto& [word, source] : kSources) {
        if (name == word) return source;
    }
    return std::nullopt;
}

const char* sourceName(Source source)
{
    for (const auto& [word, s] : kSources) {
        if (s == source) return word;
    }
    return "auto";
}

bool ippAvailable()
{
#ifdef NETROV_HAVE_IPP
    return true;
#else
    return false;
#endif
}

#ifdef NETROV_HAVE_IPP
namespace {

ipp::IppTarget targetOf(const std::string& address, const SourceOptions& options, int32_t timeOutSeconds)
{
    ipp::IppTarget target;
    target.host = address;
    target.port = options.ippPort;
    target.resource = options.ippResource;
    target.timeOutSeconds = timeOutSeconds > 0 ? timeOutSeconds : 3;
    target.trustFile = options.ippTrustFile;
    target.credentialsFile = options.ippCredentialsFile;
    return target;
}

}  // namespace
#else
constexpr const char* kIppMissing = "IPP: not available in this build";
#endif

DeviceReport readIpp(const std::string& address, const SourceOptions& options, int32_t timeOutSeconds)
{
#ifdef NETROV_HAVE_IPP
    return ipp::readIppReport(targetOf(address, options, timeOutSeconds));
#else
    (void)timeOutSeconds;
    (void)options;
    DeviceReport report;
    report.source = "ipp";
    report.address = address;
    report.answered = false;
    report.statusCode = kStatusNoAnswer;
    report.status = statusWordText(report.statusCode);
    report.problems.push_back(kIppMissing);
    return report;
#endif
}

ipp::IppJobs readIppJobs(const std::string& address, const SourceOptions& options, int32_t timeOutSeconds)
{
#ifdef NETROV_HAVE_IPP
    return ipp::readIppJobs(targetOf(address, options, timeOutSeconds));
#else
    (void)timeOutSeconds;
    (void)options;
    ipp::IppJobs jobs;
    jobs.address = address;
    jobs.problems.push_back(kIppMissing);
    return jobs;
#endif
}

bool lacksReading(const DeviceReport& snmp)
{
    return !snmp.answered || !snmp.printer || (!snmp.statusRead && snmp.toner.empty() && snmp.supplies.empty());
}

SameDevice sameDevice(const DeviceReport& a, const DeviceReport& b)
{
    for (const auto field : {&DeviceReport::uuid, &DeviceReport::macAddress, &DeviceReport::serialNumber}) {
        const std::string left = folded(a.*field);
        const std::string right = folded(b.*field);
        if (!left.empty() && !right.empty()) return left == right ? SameDevice::Yes : SameDevice::No;
    }
    return SameDevice::Unknown;
}

DeviceReport mergeReadings(DeviceReport snmp, const DeviceReport& ipp)
{
    const auto withProblems = [](DeviceReport into, const DeviceReport& from) {
        into.problems.insert(into.problems.end(), from.problems.begin(), from.problems.end());
        return into;
    };
    if (!ipp.answered || !ipp.printer) return withProblems(std::move(snmp), ipp);
    if (!snmp.answered) return withProblems(ipp, snmp);
    if (sameDevice(snmp, ipp) == SameDevice::No) {
        snmp.problems.push_back("IPP: the printer there is another device (its UUID, MAC address or serial number differs)");
        return snmp;
    }
    bool filled = false;
    for (const auto field : {&DeviceReport::model, &DeviceReport::name, &DeviceReport::location,
                             &DeviceReport::serialNumber, &DeviceReport::uuid, &DeviceReport::macAddress}) {
        if ((snmp.*field).empty() && !(ipp.*field).empty()) {
            snmp.*field = ipp.*field;
            filled = filled || field != &DeviceReport::uuid;
        }
    }
    if (!snmp.pageCount && ipp.pageCount) {
        snmp.pageCount = ipp.pageCount;
        filled = true;
    }
    if (!snmp.statusRead && ipp.statusRead) {
        snmp.statusRead = true;
        snmp.statusCode = ipp.statusCode;
        snmp.status = ipp.status;
        snmp.alerts = ipp.alerts;
        snmp.alertCodes = ipp.alertCodes;
        snmp.alertReadings = ipp.alertReadings;
        filled = true;
    } else if (snmp.statusRead && ipp.statusRead && stateWord(snmp.statusCode) != stateWord(ipp.statusCode)) {
        snmp.sourceDisagreements.push_back("state: " + stateWord(snmp.statusCode) + " by SNMP, " +
                                           stateWord(ipp.statusCode) + " by IPP");
    }
    if (!snmp.errorBitsRead && ipp.errorBitsRead) {
        snmp.errorBits = ipp.errorBits;
        snmp.errorBitsRead = true;
        filled = true;
    }
    if (snmp.toner.empty() && !ipp.toner.empty()) {
        snmp.toner = ipp.toner;
        snmp.suppliesFailed = false;
        filled = true;
    } else {
        for (const TonerLevel& s : snmp.toner) {
            for (const TonerLevel& i : ipp.toner) {
                // Colours pair the supplies; two of one colour cannot be told apart.
                if (s.colour != i.colour || s.colour == kOtherColour || s.kind != i.kind || !s.percent || !i.percent) continue;
                if (std::abs(*s.percent - *i.percent) > kDisagreeingPoints)
                    snmp.sourceDisagreements.push_back(s.colour + " " + supplyKindKey(s.kind) + ": " + levelText(s) +
                                                       " by SNMP, " + levelText(i) + " by IPP");
                break;
            }
        }
    }
    if (snmp.supplies.empty() && !ipp.supplies.empty()) {
        snmp.supplies = ipp.supplies;
        filled = true;
    }
    snmp.printer = snmp.printer || filled;
    if (filled) snmp.source = "snmp+ipp";
    judgeReading(snmp);
    return snmp;
}

DeviceReport readFromSource(const DeviceListEntry& entry, Deadline deadline, const SourceOptions& options, bool snmpAnswered)
{
    std::string address = deviceAddressText(entry.identity);
    // A caller that fills only the IPv4 field of a record made for the
    // reading (no interface kind) still names that address, as it always has.
    if (address.empty() && loadAddress(entry.identity.address) != 0) address = addressToText(loadAddress(entry.identity.address));
    const int32_t timeOut = entry.identity.timeout;
    if (options.source == Source::Ipp) return readIpp(address, options, timeOut);
    DeviceReport snmp;
    if (snmpAnswered) {
        snmp = readDeviceReport(options.source == Source::Both ? withSnmpInfo(entry) : entry, deadline);
    } else {
        snmp.address = address;
        snmp.answered = false;
        snmp.statusCode = kStatusNoAnswer;
        snmp.status = statusWordText(snmp.statusCode);
        snmp.problems.push_back("SNMP: no answer");
    }
    if (options.source == Source::Snmp) return snmp;
    if (options.source == Source::Auto && !lacksReading(snmp)) return snmp;
    if (std::chrono::steady_clock::now() >= deadline) {
        snmp.problems.push_back(pastDeadlineText("IPP"));
        return snmp;
    }
    return mergeReadings(std::move(snmp), readIpp(address, options, timeOut));
}

}  // namespace netrov::core
