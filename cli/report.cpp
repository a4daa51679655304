// Device rows as a text table or JSON.
#include "report.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string_view>

#ifdef _WIN32
#  include <io.h>
#else
#  include <unistd.h>
#endif

#include "fleet_report.h"
#include "search_settings.h"
#include "words.h"
#include "net_address.h"

namespace netrov::cli {

namespace {

// Length of the well-formed UTF-8 sequence at the start of text, 0 when there is none.
size_t utf8Length(std::string_view text)
{
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    size_t length = 0;
    if (lead >= 0xC2 && lead <= 0xDF) length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4) length = 4;
    if (length == 0 || text.size() < length) return 0;
    for (size_t i = 1; i < length; ++i)
        if ((byte(i) & 0xC0) != 0x80) return 0;
    // Overlong forms and surrogates are no characters.
    if (lead == 0xE0 && byte(1) < 0xA0) return 0;
    if (lead == 0xED && byte(1) > 0x9F) return 0;
    if (lead == 0xF0 && byte(1) < 0x90) return 0;
    if (lead == 0xF4 && byte(1) > 0x8F) return 0;
    return length;
}

}  // namespace

std::string terminalSafe(const std::string& text)
{
    // C0 and C1 controls alike: a terminal acts on 0x9B as on ESC [, whether
    // it comes as a single byte or as the UTF-8 form of U+009B.
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const size_t length = byte >= 0x80 ? utf8Length(std::string_view(text).substr(i)) : 1;
        const bool c1Character = length == 2 && byte == 0xC2 && static_cast<unsigned char>(text[i + 1]) <= 0x9F;
        if (byte < 0x20 || byte == 0x7F || (length == 0 && byte <= 0x9F) || c1Character) {
            out += '?';
            i += c1Character ? 2 : 1;
        } else if (length == 0) {
            out += text[i++];  // another single-byte character
        } else {
            out.append(text, i, length);
            i += length;
        }
    }
    return out;
}

bool standardOutputIsTerminal()
{
#ifdef _WIN32
    return _isatty(_fileno(stdout)) != 0;
#else
    return isatty(STDOUT_FILENO) != 0;
#endif
}

std::string (*standardOutputCells())(const std::string&)
{
    const auto unchanged = [](const std::string& text) { return text; };
    return standardOutputIsTerminal() ? terminalSafe : +unchanged;
}

std::string countText(size_t n, const std::string& one, const std::string& many)
{
    if (n == 0) return "no " + many;
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

bool containsIgnoringCase(std::string_view text, std::string_view part)
{
    const auto same = [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    };
    return part.empty() || std::search(text.begin(), text.end(), part.begin(), part.end(), same) != text.end();
}

std::string macText(const DeviceInfo& info)
{
    return info.macAddressValid ? core::hardwareAddressText(info.macAddress) : std::string();
}

std::string statusText(int32_t code)
{
    // The list shows one word for the three ready states; here there is room to tell them apart.
    if (code == core::kStatusPrinting) return "Ready (printing)";
    if (code == core::kStatusWarmingUp) return "Ready (warming up)";
    return core::statusWordText(code);
}

std::string noAnswerText(const std::string& address)
{
    return "no answer from " + address + " (a wrong community looks the same as an offline device)";
}

std::string interfaceText(int32_t kind)
{
    switch (kind) {
    case NETROV_INTERFACE_NETWORK:
        return "Network";
    case NETROV_INTERFACE_PARALLEL:
        return "Parallel";
    case NETROV_INTERFACE_USB:
        return "USB";
    default:
        return "--";
    }
}

DeviceRow rowOf(const core::DeviceListEntry& entry)
{
    DeviceRow row;
    row.model = core::fieldText(entry.identity.modelName, sizeof entry.identity.modelName);
    row.device = entry.info.nameValid ? core::fieldText(entry.info.name, sizeof entry.info.name) : std::string();
    row.location = entry.info.locationValid ? core::fieldText(entry.info.location, sizeof entry.info.location) : std::string();
    row.interface = interfaceText(entry.identity.interfaceKind);
    row.ipAddress = core::deviceAddressText(entry.identity);
    row.macAddress = macText(entry.info);
    row.statusCode = core::statusCode(entry);
    row.status = statusText(row.statusCode);
    return row;
}

std::string csvColumns(const std::vector<std::string>& header, const std::vector<std::vector<std::string>>& rows)
{
    std::string text;
    for (size_t i = 0; i < header.size(); ++i) text += (i ? "," : "") + header[i];
    text += "\r\n";
    for (const auto& row : rows) {
        for (size_t i = 0; i < row.size(); ++i) text += (i ? "," : "") + core::csvField(terminalSafe(row[i]));
        text += "\r\n";
    }
    return text;
}

std::string formatColumns(const std::vector<std::string>& header, const std::vector<std::vector<std::string>>& rows)
{
    size_t columns = header.size();
    for (const auto& row : rows) columns = std::max(columns, row.size());
    std::vector<size_t> width(columns, 0);
    auto measure = [&](const std::vector<std::string>& row) {
        for (size_t i = 0; i < row.size(); ++i) width[i] = std::max(width[i], core::displayWidth(row[i]));
    };
    measure(header);
    for (const auto& row : rows) measure(row);
    std::string out;
    auto line = [&](const std::vector<std::string>& row) {
        std::string text;
        for (size_t i = 0; i < row.size(); ++i) {
            text += row[i];
            if (i + 1 < row.size()) text += std::string(width[i] - core::displayWidth(row[i]) + 2, ' ');
        }
        out += text + "\n";
    };
    if (!header.empty()) line(header);
    for (const auto& row : rows) line(row);
    return out;
}

std::string formatTable(const std::vector<DeviceRow>& rows)
{
    std::vector<std::vector<std::string>> cells;
    for (const DeviceRow& r : rows)
        cells.push_back({terminalSafe(r.model), terminalSafe(r.device), terminalSafe(r.location), r.interface, r.ipAddress,
                         r.macAddress, r.status});
    return formatColumns({"Model", "Device", "Location", "Interface", "IP address", "MAC address", "Status"}, cells);
}

nlohmann::json toJson(const DeviceRow& row)
{
    // "name" and "address" are the keys every document shares; "device" and
    // "ipAddress" stay one release for the scripts that read them.
    return {{"model", row.model},         {"name", row.device},         {"address", row.ipAddress},
            {"device", row.device},       {"location", row.location},   {"interface", row.interface},
            {"ipAddress", row.ipAddress}, {"mac", row.macAddress},      {"macAddress", row.macAddress},
            {"status", row.status},       {"statusCode", row.statusCode}};
}

nlohmann::json toJson(const std::vector<DeviceRow>& rows)
{
    nlohmann::json devices = nlohmann::json::array();
    for (const DeviceRow& r : rows) devices.push_back(toJson(r));
    return {{"schemaVersion", kSchemaVersion}, {"count", rows.size()}, {"devices", devices}};
}

nlohmann::json toJson(const DeviceInfo& info)
{
    nlohmann::json out = nlohmann::json::object();
    out["name"] = info.nameValid ? nlohmann::json(core::fieldText(info.name, sizeof info.name)) : nlohmann::json();
    out["location"] = info.locationValid ? nlohmann::json(core::fieldText(info.location, sizeof info.location)) : nlohmann::json();
    out["mac"] = info.macAddressValid ? nlohmann::json(macText(info)) : nlohmann::json();
    // The keys of the last release, for one more.
    out["device"] = out["name"];
    out["macAddress"] = out["mac"];
    return out;
}

nlohmann::json toJson(const DeviceStatus& s)
{
    auto optional = [](uint8_t valid, int32_t value) { return valid ? nlohmann::json(value) : nlohmann::json(); };
    nlohmann::json out = nlohmann::json::object();
    out["failed"] = s.failed != 0;
    auto words = [](uint8_t valid, core::Enumeration e, int32_t value) {
        return valid ? nlohmann::json(core::enumWord(e, value)) : nlohmann::json();
    };
    out["alertGroup"] = optional(s.alertGroupValid, s.alertGroup);
    out["alertGroupText"] = words(s.alertGroupValid, core::Enumeration::AlertGroup, s.alertGroup);
    out["alertIndex"] = optional(s.alertIndexValid, s.alertIndex);
    out["alertCode"] = optional(s.alertCodeValid, s.alertCode);
    out["alertCodeText"] = words(s.alertCodeValid, core::Enumeration::AlertCode, s.alertCode);
    out["statusCode"] = optional(s.simpleStatusValid, s.simpleStatus);
    out["status"] = s.simpleStatusValid ? nlohmann::json(statusText(s.simpleStatus)) : nlohmann::json();
    return out;
}

std::string dumpJson(const nlohmann::json& value)
{
    // Everything outside ASCII as \u escapes: the same data for a JSON reader,
    // and no control character of any kind for a terminal.
    return value.dump(2, ' ', true, nlohmann::json::error_handler_t::replace);
}

}  // namespace netrov::cli
