// Line model of a settings file: parsing, lookups, edits and the bytes written back.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace netrov::ini {

enum class LineKind : uint8_t { Section = 1, Entry = 2, Other = 3 };

struct Line {
    LineKind kind;
    std::string text;  // a header holds the section name only; any other line its whole text
};

using Lines = std::vector<Line>;

// Cuts bytes into classified lines. Accepts LF, CR LF and CR CR LF line ends
// and stops at the first NUL byte. Throws std::bad_alloc.
Lines parseLines(std::string_view bytes);

// The file as written: "[name]" for a header, the stored text for any other
// line, each followed by CR CR LF.
std::string serializeLines(const Lines& lines);

// Key of an entry line: the text before the first "=", trailing blanks removed.
std::string_view entryKey(std::string_view line);
// Value of an entry line: the text after the first "=", leading blanks removed.
std::string_view entryValue(std::string_view line);

// The value of key, looked for in every occurrence of section in file order.
std::optional<std::string_view> findValue(const Lines& lines, std::string_view section,
                                          std::string_view key);

// Replaces the entry's line, or adds the entry at the end of the section's
// first occurrence, or appends a new section. Throws std::bad_alloc.
void setValue(Lines& lines, std::string_view section, std::string_view key, std::string_view value);

// Copies section names (each with its NUL) while they fit by the "+2 below
// size" rule; returns the bytes all names need. buffer may be null.
uint64_t enumSections(const Lines& lines, char* buffer, uint64_t size);

// Decimal conversion like the C runtime's atoi, saturating instead of overflowing.
int32_t parseInt(std::string_view text);

}  // namespace netrov::ini
