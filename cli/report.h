// netrov-cli's output: device rows as a text table or as JSON.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "device_list.h"

namespace netrov::cli {

// The version of the JSON vocabulary every document of netrov-cli gives at its top level.
inline constexpr int kSchemaVersion = 1;

struct DeviceRow {
    std::string model;
    std::string device;
    std::string location;
    std::string interface;
    std::string ipAddress;
    std::string macAddress;
    std::string status;
    int32_t statusCode;
};

DeviceRow rowOf(const core::DeviceListEntry& entry);

// Table with a header line; device texts have control characters replaced,
// so a device cannot drive the terminal.
std::string formatTable(const std::vector<DeviceRow>& rows);
// Columns padded to their widest cell by display width (a wide character
// takes two columns, a combining mark none), two blanks apart; no header line
// when header is empty. Cells are printed as given.
std::string formatColumns(const std::vector<std::string>& header, const std::vector<std::vector<std::string>>& rows);
// The rows as CSV (RFC 4180, CRLF); the header as given, each cell quoted
// where it needs it and without a device's control characters.
std::string csvColumns(const std::vector<std::string>& header, const std::vector<std::vector<std::string>>& rows);

nlohmann::json toJson(const DeviceRow& row);
nlohmann::json toJson(const std::vector<DeviceRow>& rows);
nlohmann::json toJson(const DeviceInfo& info);
nlohmann::json toJson(const DeviceStatus& status);

// Serialises with invalid UTF-8 from devices replaced instead of failing, and
// everything outside ASCII escaped, so no device text drives a terminal.
std::string dumpJson(const nlohmann::json& value);

// The text with every C0 and C1 control character (single byte, or U+0080 to
// U+009F in UTF-8) and DEL replaced by "?"; other characters stay as they are.
std::string terminalSafe(const std::string& text);
// Whether standard output is a terminal, which acts on control characters.
bool standardOutputIsTerminal();
// What data written to standard output (the CSV of a report) does to a
// device's text: terminalSafe on a terminal; nothing on a pipe or a file,
// which get the data as it is (CSV quoting keeps line breaks).
std::string (*standardOutputCells())(const std::string&);
// "no devices", "1 device", "3 devices": a count in the command line's words.
std::string countText(size_t n, const std::string& one, const std::string& many);
// Whether text holds part, ignoring the case of ASCII letters (as people
// type a maker's name); an empty part is in every text.
bool containsIgnoringCase(std::string_view text, std::string_view part);
std::string macText(const DeviceInfo& info);
std::string statusText(int32_t code);
// "no answer from ADDRESS", with the reminder that a wrong community is
// silence too.
std::string noAnswerText(const std::string& address);
std::string interfaceText(int32_t kind);

}  // namespace netrov::cli
