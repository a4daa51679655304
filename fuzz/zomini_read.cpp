// Fuzzes the settings-file reader: parsing, lookups, enumeration, edits and the written form.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "ini_lines.h"

namespace ini = netrov::ini;

namespace {

bool sameLines(const ini::Lines& a, const ini::Lines& b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].kind != b[i].kind || a[i].text != b[i].text) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    ini::Lines lines = ini::parseLines(bytes);

    // Look up every entry under the section it follows, and something absent.
    std::string section;
    for (const ini::Line& line : lines) {
        if (line.kind == ini::LineKind::Section) section = line.text;
        if (line.kind == ini::LineKind::Entry) {
            auto value = ini::findValue(lines, section, ini::entryKey(line.text));
            (void)value;
        }
    }
    (void)ini::findValue(lines, "", "");
    (void)ini::parseInt(bytes.substr(0, 64));

    char small[16];
    uint64_t capacity = size % sizeof small;
    (void)ini::enumSections(lines, small, capacity);

    // What is written reads back as the same lines.
    if (!sameLines(ini::parseLines(ini::serializeLines(lines)), lines)) std::abort();

    ini::setValue(lines, "Fuzz", "key", "value");
    auto found = ini::findValue(lines, "Fuzz", "key");
    if (!found || *found != "value") std::abort();
    return 0;
}
