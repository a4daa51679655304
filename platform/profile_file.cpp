// Profile-file reading and writing with the Windows rules.
#include "platform/profile_file.h"

#include <vector>

#include "platform/regular_file.h"

namespace netrov::platform {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trim(std::string_view text)
{
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && (isBlank(text.back()) || text.back() == '\r')) text.remove_suffix(1);
    return text;
}

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

// One line of the file as it stands, with what the reader sees in it.
struct Line {
    enum Kind { Section, Key, Other } kind = Other;
    std::string text;       // the line without its line end
    std::string name;       // section or key name, trimmed
    std::string value;      // key value, trimmed
};

Line classify(std::string text)
{
    Line line;
    line.text = std::move(text);
    std::string_view view = trim(std::string_view(line.text));
    if (view.empty() || view.front() == ';') return line;
    if (view.front() == '[') {
        view.remove_prefix(1);
        const size_t close = view.find(']');
        line.kind = Line::Section;
        line.name = trim(view.substr(0, close));
        return line;
    }
    const size_t equals = view.find('=');
    if (equals == std::string_view::npos) return line;
    line.kind = Line::Key;
    line.name = trim(view.substr(0, equals));
    line.value = trim(view.substr(equals + 1));
    return line;
}

using Lines = std::vector<Line>;

// Lines as std::getline gives them: split at LF, one CR before it dropped,
// nothing after a final LF.
Lines splitLines(std::string_view text)
{
    Lines lines;
    while (!text.empty()) {
        const size_t lf = text.find('\n');
        std::string_view piece = text.substr(0, lf);
        text.remove_prefix(lf == std::string_view::npos ? text.size() : lf + 1);
        if (!piece.empty() && piece.back() == '\r') piece.remove_suffix(1);
        lines.push_back(classify(std::string(piece)));
    }
    return lines;
}

// The file's text when it is a regular file within the size limit.
ReadStatus readFile(const std::string& path, std::string& text)
{
    FileBytes file = readRegularFile(path);
    text = std::move(file.bytes);
    return file.status;
}

// Index of the first section line named section, or lines.size(). The name
// asked for is trimmed like the names in the file, so what was written under
// it is found again.
size_t findSection(const Lines& lines, std::string_view section)
{
    section = trim(section);
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i].kind == Line::Section && sameName(lines[i].name, section)) return i;
    return lines.size();
}

// One past the last line of the section that starts at start.
size_t sectionEnd(const Lines& lines, size_t start)
{
    size_t i = start + 1;
    while (i < lines.size() && lines[i].kind != Line::Section) ++i;
    return i;
}

std::string_view unquote(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

std::string joinLines(const Lines& lines)
{
    std::string text;
    for (const Line& line : lines) {
        text += line.text;
        text += "\r\n";
    }
    return text;
}

}  // namespace

std::optional<std::string> findProfileValue(std::string_view text, std::string_view section, std::string_view key)
{
    const Lines lines = splitLines(text);
    const size_t start = findSection(lines, section);
    if (start == lines.size()) return std::nullopt;
    const size_t end = sectionEnd(lines, start);
    key = trim(key);
    for (size_t i = start + 1; i < end; ++i)
        if (lines[i].kind == Line::Key && sameName(lines[i].name, key)) return std::string(unquote(lines[i].value));
    return std::nullopt;
}

int32_t profileIntValue(std::string_view text)
{
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    uint32_t number = 0;  // wraps like the Windows reader instead of overflowing
    if (text.size() > 2 && text[0] == '0' && lower(text[1]) == 'x') {
        for (char c : text.substr(2)) {
            int digit;
            if (c >= '0' && c <= '9') digit = c - '0';
            else if (lower(c) >= 'a' && lower(c) <= 'f') digit = lower(c) - 'a' + 10;
            else break;
            number = number * 16 + static_cast<uint32_t>(digit);
        }
    } else {
        for (char c : text) {
            if (c < '0' || c > '9') break;
            number = number * 10 + static_cast<uint32_t>(c - '0');
        }
    }
    if (negative) number = 0u - number;
    return static_cast<int32_t>(number);
}

std::optional<std::string> editProfileText(std::string_view text, std::string_view section,
                                           std::optional<std::string_view> key,
                                           std::optional<std::string_view> value)
{
    Lines lines = splitLines(text);
    const size_t start = findSection(lines, section);

    if (!key) {
        if (start == lines.size()) return std::nullopt;
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(start),
                    lines.begin() + static_cast<std::ptrdiff_t>(sectionEnd(lines, start)));
        return joinLines(lines);
    }

    const std::string keyText(trim(*key));
    if (start == lines.size()) {
        if (!value) return std::nullopt;
        lines.push_back(classify("[" + std::string(trim(section)) + "]"));
        lines.push_back(classify(keyText + "=" + std::string(*value)));
        return joinLines(lines);
    }

    const size_t end = sectionEnd(lines, start);
    for (size_t i = start + 1; i < end; ++i) {
        if (lines[i].kind != Line::Key || !sameName(lines[i].name, keyText)) continue;
        if (value) lines[i] = classify(keyText + "=" + std::string(*value));
        else lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(i));
        return joinLines(lines);
    }
    if (!value) return std::nullopt;
    // A new key goes after the section's last non-blank line, before any
    // blank lines that separate it from the next section.
    size_t at = end;
    while (at > start + 1 && trim(lines[at - 1].text).empty()) --at;
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), classify(keyText + "=" + std::string(*value)));
    return joinLines(lines);
}

std::string getPrivateProfileString(std::string_view section, std::string_view key, std::string_view fallback,
                                    const std::string& path, size_t size)
{
    std::string result;
    std::string text;
    std::optional<std::string> value;
    if (readFile(path, text) == ReadStatus::Read) value = findProfileValue(text, section, key);
    if (value) {
        result = std::move(*value);
    } else {
        while (!fallback.empty() && isBlank(fallback.back())) fallback.remove_suffix(1);
        result = std::string(fallback);
    }
    if (size != 0 && result.size() > size - 1) result.resize(size - 1);
    return result;
}

int32_t getPrivateProfileInt(std::string_view section, std::string_view key, int32_t fallback,
                             const std::string& path)
{
    std::string text;
    if (readFile(path, text) != ReadStatus::Read) return fallback;
    const std::optional<std::string> value = findProfileValue(text, section, key);
    return value ? profileIntValue(*value) : fallback;
}

bool writePrivateProfileString(std::string_view section, std::optional<std::string_view> key,
                               std::optional<std::string_view> value, const std::string& path)
{
    std::string text;
    // A missing file is an empty one; rewriting one that exists but cannot be
    // read would lose its contents.
    if (readFile(path, text) == ReadStatus::Unreadable) return false;
    const std::optional<std::string> edited = editProfileText(text, section, key, value);
    return !edited || replaceFile(path, *edited);
}

}  // namespace netrov::platform
