// Parsing and editing of settings-file lines with exact, case-sensitive matching.
#include "ini_lines.h"

#include <climits>
#include <cstring>

namespace netrov::ini {

namespace {

// Codes 1..32 count as blanks; bytes 128..255 never do, whatever the char signedness.
bool isBlank(char c)
{
    auto code = static_cast<unsigned char>(c);
    return code >= 1 && code <= 32;
}

Line classify(std::string_view text)
{
    if (!text.empty() && text.front() == ';') return {LineKind::Other, std::string(text)};
    if (!text.empty() && text.front() == '[') {
        size_t close = text.find(']');
        if (close != std::string_view::npos) return {LineKind::Section, std::string(text.substr(1, close - 1))};
    }
    if (text.find('=') != std::string_view::npos) return {LineKind::Entry, std::string(text)};
    return {LineKind::Other, std::string(text)};
}

std::string_view dropOneCr(std::string_view text)
{
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    return text;
}

}  // namespace

Lines parseLines(std::string_view bytes)
{
    if (size_t nul = bytes.find('\0'); nul != std::string_view::npos) bytes = bytes.substr(0, nul);
    Lines lines;
    while (!bytes.empty()) {
        size_t lf = bytes.find('\n');
        std::string_view text;
        if (lf == std::string_view::npos) {
            text = dropOneCr(bytes);
            bytes = {};
        } else {
            // The first CR stands for the CR LF pair that text-mode reading
            // folds into LF; the second for the CR the reader strips itself.
            text = dropOneCr(dropOneCr(bytes.substr(0, lf)));
            bytes.remove_prefix(lf + 1);
        }
        lines.push_back(classify(text));
    }
    return lines;
}

std::string serializeLines(const Lines& lines)
{
    std::string out;
    size_t total = 0;
    for (const Line& line : lines) total += line.text.size() + 5;
    out.reserve(total);
    for (const Line& line : lines) {
        if (line.kind == LineKind::Section) {
            out += '[';
            out += line.text;
            out += ']';
        } else {
            out += line.text;
        }
        out += "\r\r\n";
    }
    return out;
}

std::string_view entryKey(std::string_view line)
{
    std::string_view key = line.substr(0, line.find('='));
    while (!key.empty() && isBlank(key.back())) key.remove_suffix(1);
    return key;
}

std::string_view entryValue(std::string_view line)
{
    size_t eq = line.find('=');
    if (eq == std::string_view::npos) return {};
    std::string_view value = line.substr(eq + 1);
    while (!value.empty() && isBlank(value.front())) value.remove_prefix(1);
    return value;
}

namespace {

// Index of the entry line, searching every occurrence of the section.
std::optional<size_t> findEntry(const Lines& lines, std::string_view section, std::string_view key)
{
    bool inSection = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        const Line& line = lines[i];
        if (line.kind == LineKind::Section) {
            inSection = line.text == section;
        } else if (inSection && line.kind == LineKind::Entry && entryKey(line.text) == key) {
            return i;
        }
    }
    return std::nullopt;
}

std::string entryText(std::string_view key, std::string_view value)
{
    std::string text;
    text.reserve(key.size() + value.size() + 1);
    text += key;
    text += '=';
    text += value;
    return text;
}

}  // namespace

std::optional<std::string_view> findValue(const Lines& lines, std::string_view section, std::string_view key)
{
    auto index = findEntry(lines, section, key);
    if (!index) return std::nullopt;
    return entryValue(lines[*index].text);
}

void setValue(Lines& lines, std::string_view section, std::string_view key, std::string_view value)
{
    std::string text = entryText(key, value);
    if (auto index = findEntry(lines, section, key)) {
        lines[*index].text = std::move(text);
        return;
    }
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].kind != LineKind::Section || lines[i].text != section) continue;
        size_t end = i + 1;
        while (end < lines.size() && lines[end].kind != LineKind::Section) ++end;
        lines.insert(lines.begin() + static_cast<ptrdiff_t>(end), Line{LineKind::Entry, std::move(text)});
        return;
    }
    lines.reserve(lines.size() + 2);
    lines.push_back(Line{LineKind::Section, std::string(section)});
    lines.push_back(Line{LineKind::Entry, std::move(text)});
}

uint64_t enumSections(const Lines& lines, char* buffer, uint64_t size)
{
    uint64_t total = 0;
    bool copying = buffer != nullptr;
    for (const Line& line : lines) {
        if (line.kind != LineKind::Section) continue;
        uint64_t length = line.text.size();
        // Once one name does not fit, later (shorter) names are not squeezed in.
        if (copying && length + total + 2 < size) {
            std::memcpy(buffer + total, line.text.c_str(), length + 1);
        } else {
            copying = false;
        }
        total += length + 1;
    }
    return total;
}

int32_t parseInt(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int64_t magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > int64_t{INT_MAX} + 1) magnitude = int64_t{INT_MAX} + 1;
    }
    int64_t value = negative ? -magnitude : magnitude;
    if (value > INT_MAX) return INT_MAX;
    return static_cast<int32_t>(value);
}

}  // namespace netrov::ini
