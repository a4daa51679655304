// Writing the text exposition format.
#include "exposition.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "fleet_report.h"

namespace netrov::exporter {

std::string escapeLabelValue(std::string_view value)
{
    const std::string clean = core::validUtf8(std::string(value));
    std::string out;
    out.reserve(clean.size());
    for (const char c : clean) {
        if (c == '\\') out += "\\\\";
        else if (c == '"') out += "\\\"";
        else if (c == '\n') out += "\\n";
        else out += c;
    }
    return out;
}

std::string escapeHelp(std::string_view text)
{
    std::string out;
    for (const char c : text) {
        if (c == '\\') out += "\\\\";
        else if (c == '\n') out += "\\n";
        else out += c;
    }
    return out;
}

std::string formatValue(double value)
{
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value > 0 ? "+Inf" : "-Inf";
    char text[64];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value);
    if (error != std::errc()) return "NaN";
    return std::string(text, end);
}

Exposition::Family* Exposition::find(const std::string& name)
{
    for (Family& f : families_) {
        if (f.name == name) return &f;
    }
    return nullptr;
}

void Exposition::family(const std::string& name, const char* type, const char* help)
{
    if (find(name)) return;
    families_.push_back({name, type, help, {}});
}

void Exposition::sample(const std::string& family, const Labels& labels, double value, std::string_view suffix)
{
    Family* f = find(family);
    // A sample of an undeclared family is a programming error; it would make
    // the text fail the format's checks, so it is left out.
    if (!f) return;
    std::string& out = f->samples;
    out += family;
    out += suffix;
    if (!labels.empty()) {
        out += '{';
        for (size_t i = 0; i < labels.size(); ++i) {
            if (i) out += ',';
            out += labels[i].first;
            out += "=\"";
            out += escapeLabelValue(labels[i].second);
            out += '"';
        }
        out += '}';
    }
    out += ' ';
    out += formatValue(value);
    out += '\n';
}

std::string Exposition::text() const
{
    std::string out;
    for (const Family& f : families_) {
        // A family without samples says nothing; leaving it out keeps the text short.
        if (f.samples.empty()) continue;
        out += "# HELP " + f.name + " " + escapeHelp(f.help) + "\n";
        out += "# TYPE " + f.name + " " + f.type + "\n";
        out += f.samples;
    }
    return out;
}

}  // namespace netrov::exporter
