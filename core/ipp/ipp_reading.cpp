// Reading a printer over IPP: one Get-Printer-Attributes exchange through
// libcups, its attributes turned into the reading's fields.
#include "ipp_reading.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <ctime>
#include <fstream>
#include <memory>

#include <cups/cups.h>
#include <cups/http.h>
#include <cups/ipp.h>

#include <netrov/printer_mib.h>

#include "device_list.h"
#include "ipp_trust.h"
#include "ipp_values.h"
#include "reading.h"
#include "words.h"

namespace netrov::core::ipp {

namespace {

struct HttpClose {
    void operator()(http_t* http) const { httpClose(http); }
};
using Connection = std::unique_ptr<http_t, HttpClose>;
struct IppDelete {
    void operator()(ipp_t* ipp) const { ippDelete(ipp); }
};
using Message = std::unique_ptr<ipp_t, IppDelete>;
struct CredentialsFree {
    void operator()(cups_array_t* credentials) const { httpFreeCredentials(credentials); }
};
using Credentials = std::unique_ptr<cups_array_t, CredentialsFree>;

constexpr const char* kRequested[] = {
    "printer-make-and-model", "printer-name", "printer-info", "printer-location", "printer-device-id",
    "printer-uuid", "printer-state", "printer-state-reasons", "printer-state-message", "printer-alert",
    "printer-alert-description", "printer-supply", "printer-supply-description", "marker-names",
    "marker-levels", "marker-types", "marker-colors", "printer-input-tray", "printer-impressions-completed",
};

// IPP's printer-state values.
constexpr int kStateIdle = 3;
constexpr int kStateProcessing = 4;
constexpr int kStateStopped = 5;

std::string utcNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    gmtime_r(&now, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return text;
}

ipp_attribute_t* find(ipp_t* response, const char* name)
{
    return ippFindAttribute(response, name, IPP_TAG_ZERO);
}

// The i-th value as text, whichever of the text and octet string tags it has.
std::string textAt(ipp_attribute_t* attribute, int i)
{
    if (!attribute || i >= ippGetCount(attribute)) return {};
    if (ippGetValueTag(attribute) == IPP_TAG_STRING) {
        int length = 0;
        const void* data = ippGetOctetString(attribute, i, &length);
        if (!data || length <= 0) return {};
        return std::string(static_cast<const char*>(data), static_cast<size_t>(std::min<int>(length, kMaxValueLength)));
    }
    const char* text = ippGetString(attribute, i, nullptr);
    return text ? std::string(text).substr(0, kMaxValueLength) : std::string();
}

std::string firstText(ipp_t* response, const char* name)
{
    return textAt(find(response, name), 0);
}

int countOf(ipp_attribute_t* attribute)
{
    return attribute ? std::min(ippGetCount(attribute), static_cast<int>(kMaxSupplies)) : 0;
}

// A level's percentage of its maximum when both are real and the level lies
// within it, as the SNMP reading has it.
std::optional<int32_t> percentOf(std::optional<int32_t> level, std::optional<int32_t> maximum)
{
    if (!level || !maximum || *maximum <= 0 || *level < 0 || *level > *maximum) return std::nullopt;
    return static_cast<int32_t>(static_cast<int64_t>(*level) * 100 / *maximum);
}

std::optional<int32_t> codeOf(std::optional<int32_t> level)
{
    if (level && *level >= kLevelSomeRemaining && *level <= kLevelOther) return level;
    return std::nullopt;
}

void fillIdentity(DeviceReport& report, ipp_t* response)
{
    report.model = firstText(response, "printer-make-and-model");
    report.name = firstText(response, "printer-info");
    if (report.name.empty()) report.name = firstText(response, "printer-name");
    report.location = firstText(response, "printer-location");
    report.serialNumber = deviceIdField(firstText(response, "printer-device-id"), {"SN", "SERN", "SERIALNUMBER"});
    std::string uuid = firstText(response, "printer-uuid");
    if (uuid.starts_with("urn:uuid:")) uuid.erase(0, 9);
    report.uuid = uuid;
    if (ipp_attribute_t* pages = find(response, "printer-impressions-completed");
        pages && ippGetValueTag(pages) == IPP_TAG_INTEGER && ippGetInteger(pages, 0) >= 0)
        report.pageCount = static_cast<uint32_t>(ippGetInteger(pages, 0));
}

void fillStatus(DeviceReport& report, ipp_t* response)
{
    ipp_attribute_t* state = find(response, "printer-state");
    if (!state || ippGetValueTag(state) != IPP_TAG_ENUM) {
        report.status = statusWordText(report.statusCode = kStatusUnknown);
        return;
    }
    const int value = ippGetInteger(state, 0);
    int32_t code = value == kStateIdle ? kStatusReady
                 : value == kStateProcessing ? kStatusPrinting
                 : value == kStateStopped ? kStatusError : kStatusUnknown;
    ipp_attribute_t* reasons = find(response, "printer-state-reasons");
    for (int i = 0; i < countOf(reasons); ++i) {
        const StateReason reason = splitStateReason(textAt(reasons, i));
        if (reason.reason == "none") continue;
        // The bits are the device's facts whatever their severity, as the
        // SNMP reading takes them; the severity decides the status alone.
        report.errorBits |= stateReasonBits(reason.reason);
        if (reason.severity == ReasonSeverity::Report) continue;
        if (reason.severity == ReasonSeverity::Error && reason.reason != "paused" && reason.reason != "moving-to-paused")
            code = kStatusError;
        else if (isReadyStatus(code))
            code = kStatusWarning;
    }
    report.errorBitsRead = true;
    report.statusRead = true;
    report.statusCode = code;
    report.status = statusWordText(code);
}

void fillAlerts(DeviceReport& report, ipp_t* response)
{
    ipp_attribute_t* alerts = find(response, "printer-alert");
    ipp_attribute_t* descriptions = find(response, "printer-alert-description");
    for (int i = 0; i < countOf(alerts); ++i) {
        const KeyValues pairs = parseKeyValues(textAt(alerts, i));
        AlertReading alert;
        alert.facts.code = enumValueOf(Enumeration::AlertCode, valueOf(pairs, "code")).value_or(1);
        alert.facts.group = enumValueOf(Enumeration::AlertGroup, valueOf(pairs, "group")).value_or(0);
        alert.facts.index = std::max(numberOf(pairs, "index").value_or(0), 0);
        alert.facts.severity = enumValueOf(Enumeration::AlertSeverity, valueOf(pairs, "severity"));
        alert.facts.trainingLevel = enumValueOf(Enumeration::AlertTrainingLevel, valueOf(pairs, "training"));
        alert.facts.description = textAt(descriptions, i);
        alert.message = capitalised(enumWord(Enumeration::AlertCode, alert.facts.code));
        report.alerts.push_back(alert.message);
        report.alertCodes.push_back(alert.facts.code);
        report.alertReadings.push_back(std::move(alert));
    }
}

// One supply of either form, placed as the SNMP reading places it: toner and
// ink with their colour, the rest among the other supplies.
void addSupply(DeviceReport& report, int32_t row, int32_t supplyType, std::string name, std::string colourName,
               const std::optional<std::array<int32_t, 3>>& rgb, std::optional<int32_t> level,
               std::optional<int32_t> maximum, std::optional<int32_t> unit)
{
    const SupplyKind kind = supplyKindOf(supplyType);
    if (kind == SupplyKind::Toner || kind == SupplyKind::Ink) {
        TonerLevel toner;
        toner.kind = kind;
        toner.name = name;
        const std::array<int32_t, 3> colour = rgb.value_or(std::array<int32_t, 3>{});
        toner.colour = rgb ? supplyColour(colour.data(), true, name)
                     : colourName.empty() ? colourFromName(name) : colourFromName(colourName);
        if (!rgb && !colourName.empty() && toner.colour == kOtherColour) toner.colour = colourFromName(name);
        toner.percent = percentOf(level, maximum);
        toner.levelCode = codeOf(level);
        toner.supplyType = supplyType;
        toner.maximum = maximum;
        toner.current = level;
        toner.unit = unit;
        toner.partNumber = partNumberOf(name);
        toner.row = row;
        report.toner.push_back(std::move(toner));
        return;
    }
    SupplyLevel supply{kind == SupplyKind::Paper ? SupplyKind::Other : kind, name, percentOf(level, maximum), codeOf(level)};
    supply.supplyType = supplyType;
    supply.maximum = maximum;
    supply.current = level;
    supply.unit = unit;
    supply.partNumber = partNumberOf(name);
    supply.row = row;
    report.supplies.push_back(std::move(supply));
}

void fillSupplies(DeviceReport& report, ipp_t* response)
{
    ipp_attribute_t* supplies = find(response, "printer-supply");
    ipp_attribute_t* descriptions = find(response, "printer-supply-description");
    for (int i = 0; i < countOf(supplies); ++i) {
        const KeyValues pairs = parseKeyValues(textAt(supplies, i));
        std::string name = textAt(descriptions, i);
        if (name.empty()) name = valueOf(pairs, "colorantname");
        const std::optional<int32_t> index = numberOf(pairs, "index");
        addSupply(report, index && *index > 0 ? *index : i + 1,
                  enumValueOf(Enumeration::SupplyType, valueOf(pairs, "type")).value_or(1), name,
                  valueOf(pairs, "colorantname"), std::nullopt, numberOf(pairs, "level"),
                  numberOf(pairs, "maxcapacity"), enumValueOf(Enumeration::SupplyUnit, valueOf(pairs, "unit")));
    }
    if (countOf(supplies) > 0) return;
    // The older marker attributes: levels in percent, one list per field.
    ipp_attribute_t* names = find(response, "marker-names");
    ipp_attribute_t* levels = find(response, "marker-levels");
    ipp_attribute_t* types = find(response, "marker-types");
    ipp_attribute_t* colours = find(response, "marker-colors");
    const int count = std::max(countOf(names), countOf(levels));
    for (int i = 0; i < count; ++i) {
        std::optional<int32_t> level;
        if (levels && i < ippGetCount(levels) && ippGetValueTag(levels) == IPP_TAG_INTEGER) level = ippGetInteger(levels, i);
        addSupply(report, i + 1, enumValueOf(Enumeration::SupplyType, textAt(types, i)).value_or(1), textAt(names, i), {},
                  rgbOf(textAt(colours, i)), level, 100, std::nullopt);
    }
}

void fillTrays(DeviceReport& report, ipp_t* response)
{
    ipp_attribute_t* trays = find(response, "printer-input-tray");
    for (int i = 0; i < countOf(trays); ++i) {
        const KeyValues pairs = parseKeyValues(textAt(trays, i));
        const std::optional<int32_t> level = numberOf(pairs, "level");
        const std::optional<int32_t> maximum = numberOf(pairs, "maxcapacity");
        SupplyLevel tray{SupplyKind::Paper, valueOf(pairs, "name"), percentOf(level, maximum), codeOf(level)};
        tray.maximum = maximum;
        tray.current = level;
        tray.unit = numberOf(pairs, "unit");
        tray.row = i + 1;
        report.supplies.push_back(std::move(tray));
    }
}

// The first line of an owner-only file: "user:password".
bool readCredentials(const std::string& path, std::string& user, std::string& password, std::string& why)
{
    struct stat info{};
    if (::stat(path.c_str(), &info) != 0) {
        why = "the credentials file cannot be read";
        return false;
    }
    if (info.st_mode & (S_IRWXG | S_IRWXO)) {
        why = "the credentials file is open to others (it must be owner-only)";
        return false;
    }
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    const size_t colon = line.find(':');
    if (colon == std::string::npos || colon == 0) {
        why = "the credentials file's first line is not user:password";
        return false;
    }
    user = line.substr(0, colon);
    password = line.substr(colon + 1);
    if (!password.empty() && password.back() == '\r') password.pop_back();
    return true;
}

const char* passwordOf(const char*, http_t*, const char*, const char*, void* data)
{
    const auto* password = static_cast<const std::string*>(data);
    return password && !password->empty() ? password->c_str() : nullptr;
}

// The thread's user and password callback for one exchange. libcups' own
// callback would ask on the terminal, so a printer that wants a password
// nobody configured gets none and the request fails rather than waits.
class PasswordScope {
public:
    PasswordScope(const std::string& user, const std::string* password)
    {
        cupsSetPasswordCB2(passwordOf, const_cast<std::string*>(password));
        if (!user.empty()) cupsSetUser(user.c_str());
    }
    ~PasswordScope()
    {
        cupsSetPasswordCB2(passwordOf, nullptr);
        cupsSetUser(nullptr);
    }
    PasswordScope(const PasswordScope&) = delete;
    PasswordScope& operator=(const PasswordScope&) = delete;
};

// The key of the device's fingerprint: its address and port, an IPv6
// address in brackets.
std::string deviceKey(const IppTarget& target)
{
    const bool v6 = target.host.find(':') != std::string::npos;
    return (v6 ? "[" + target.host + "]" : target.host) + ":" + std::to_string(target.port);
}

Connection connect(const IppTarget& target, bool tls)
{
    return Connection(httpConnect2(target.host.c_str(), target.port, nullptr, AF_UNSPEC,
                                   tls ? HTTP_ENCRYPTION_ALWAYS : HTTP_ENCRYPTION_NEVER, 1,
                                   std::max(target.timeOutSeconds, 1) * 1000, nullptr));
}

// Compares the certificate with the one kept for the device; false when it
// changed (the problem says so) and the printer must not be asked.
bool certificateTrusted(http_t* http, const IppTarget& target, DeviceReport& report)
{
    cups_array_t* raw = nullptr;
    if (httpCopyCredentials(http, &raw) != 0 || !raw) {
        report.problems.push_back("IPP: the printer's certificate cannot be read");
        return false;
    }
    const Credentials credentials(raw);
    const auto* first = static_cast<const http_credential_t*>(cupsArrayFirst(credentials.get()));
    if (!first || !first->data || first->datalen == 0) {
        report.problems.push_back("IPP: the printer gave no certificate");
        return false;
    }
    const std::string fingerprint = certificateFingerprint(first->data, first->datalen);
    const CertificateStore store(target.trustFile.empty() ? CertificateStore::defaultPath() : target.trustFile);
    std::string known;
    const TrustVerdict verdict = store.check(deviceKey(target), fingerprint, &known);
    if (verdict == TrustVerdict::Changed) {
        report.problems.push_back("IPP: the printer's certificate changed (kept " + known + ", now " + fingerprint +
                                  "); not trusted");
        return false;
    }
    if (verdict == TrustVerdict::NotStored)
        report.problems.push_back("IPP: the certificate's fingerprint could not be kept in " + store.path());
    return true;
}

}  // namespace

void fillFromAttributes(DeviceReport& report, const void* response)
{
    auto* ipp = static_cast<ipp_t*>(const_cast<void*>(response));
    fillIdentity(report, ipp);
    fillStatus(report, ipp);
    fillAlerts(report, ipp);
    fillSupplies(report, ipp);
    fillTrays(report, ipp);
    report.printer = true;
    judgeReading(report);
}

DeviceReport readIppReport(const IppTarget& target)
{
    DeviceReport report;
    report.source = "ipp";
    report.readAt = utcNow();
    report.address = target.host;
    const auto failed = [&](const std::string& why) {
        report.answered = false;
        report.statusCode = kStatusNoAnswer;
        report.status = statusWordText(report.statusCode);
        report.suppliesFailed = true;
        report.problems.push_back("IPP: " + why);
        return report;
    };

    std::string user;
    std::string password;
    if (!target.credentialsFile.empty()) {
        std::string why;
        if (!readCredentials(target.credentialsFile, user, password, why)) return failed(why);
    }
    bool tls = target.encryption != Encryption::Never;
    Connection http = connect(target, tls);
    if (!http && target.encryption == Encryption::Auto) {
        // A printer that spoke TLS before is not read in plain now: whoever
        // is in between could have refused the TLS to read and answer in clear.
        const CertificateStore store(target.trustFile.empty() ? CertificateStore::defaultPath() : target.trustFile);
        if (store.holds(deviceKey(target)))
            return failed("the printer spoke TLS before and does not now; not read without it");
        tls = false;
        http = connect(target, tls);
    }
    if (!http) return failed(std::string("no answer on port ") + std::to_string(target.port) + " (" + cupsLastErrorString() + ")");
    if (tls && !certificateTrusted(http.get(), target, report)) {
        report.answered = true;
        report.printer = false;
        report.suppliesFailed = true;
        report.statusCode = kStatusUnknown;
        report.status = statusWordText(report.statusCode);
        return report;
    }
    httpSetTimeout(http.get(), std::max(target.timeOutSeconds, 1), nullptr, nullptr);

    char uri[1024];
    httpAssembleURI(HTTP_URI_CODING_ALL, uri, sizeof uri, tls ? "ipps" : "ipp", nullptr, target.host.c_str(), target.port,
                    target.resource.c_str());
    ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, user.empty() ? "netrov" : user.c_str());
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                  static_cast<int>(std::size(kRequested)), nullptr, kRequested);
    Message response;
    {
        const PasswordScope scope(user, password.empty() ? nullptr : &password);
        response.reset(cupsDoRequest(http.get(), request, target.resource.c_str()));  // frees the request
    }
    if (!response || ippGetStatusCode(response.get()) > IPP_STATUS_OK_EVENTS_COMPLETE) {
        const std::string why = cupsLastErrorString();
        if (cupsLastError() == IPP_STATUS_ERROR_NOT_AUTHORIZED || cupsLastError() == IPP_STATUS_ERROR_FORBIDDEN) {
            failed("the printer refused the request (" + why + ")");
            report.answered = true;
            return report;
        }
        return failed("Get-Printer-Attributes failed (" + why + ")");
    }
    fillFromAttributes(report, response.get());
    return report;
}

}  // namespace netrov::core::ipp
