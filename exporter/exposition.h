// The Prometheus text exposition format: families with their HELP and TYPE
// lines, samples with escaped label values, numbers as Prometheus reads them.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace netrov::exporter {

// A label value made safe: bytes that are not UTF-8 become U+FFFD, and
// backslash, double quote and line feed are escaped.
std::string escapeLabelValue(std::string_view value);
// HELP text escaping: backslash and line feed.
std::string escapeHelp(std::string_view text);
// A sample value: integers without a fraction, NaN, +Inf and -Inf by name.
std::string formatValue(double value);

using Labels = std::vector<std::pair<std::string, std::string>>;

// Collects samples by family, so every family's samples stay together in
// the text whatever order they were added in.
class Exposition {
public:
    // Declares a family once; a second call with the same name is ignored.
    void family(const std::string& name, const char* type, const char* help);
    // A sample of a declared family; suffix is "", "_bucket", "_sum"...
    void sample(const std::string& family, const Labels& labels, double value, std::string_view suffix = {});
    std::string text() const;

private:
    struct Family {
        std::string name;
        std::string type;
        std::string help;
        std::string samples;
    };
    Family* find(const std::string& name);
    std::vector<Family> families_;
};

}  // namespace netrov::exporter
