// Wildcard patterns and element selection over definition documents.
#include "attribute_match.h"

#include <cstring>

namespace netrov::definition {

namespace {

char upper(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool sameIgnoringCase(const char* a, const char* b)
{
    for (; *a && *b; ++a, ++b) {
        if (upper(*a) != upper(*b)) return false;
    }
    return *a == *b;
}

// One scan; `at(i)` gives the i-th character from the scan's starting end.
template <class PatternAt, class TextAt>
bool scan(size_t patternLength, size_t textLength, PatternAt patternAt, TextAt textAt)
{
    const size_t shorter = patternLength < textLength ? patternLength : textLength;
    for (size_t i = 0; i < shorter; ++i) {
        const char p = patternAt(i);
        if (p == '*') return true;
        if (p != '?' && upper(p) != upper(textAt(i))) return false;
    }
    return patternLength == textLength;
}

}  // namespace

bool patternMatch(std::string_view pattern, const char* text)
{
    const std::string_view t = text ? std::string_view(text) : std::string_view();
    if (t.empty()) return pattern == "*";
    const size_t lp = pattern.size();
    const size_t lt = t.size();
    const bool forward = scan(lp, lt, [&](size_t i) { return pattern[i]; },
                              [&](size_t i) { return t[i]; });
    if (!forward) return false;
    return scan(lp, lt, [&](size_t i) { return pattern[lp - 1 - i]; },
                [&](size_t i) { return t[lt - 1 - i]; });
}

bool requirementHolds(const ZomXmlNode& element, const Requirement& requirement)
{
    if (!requirement.attribute || !*requirement.attribute) return false;
    bool named = false;
    for (const ZomXmlAttribute* a = element.attributes; a; a = a->next) {
        if (!a->name || !sameIgnoringCase(a->name, requirement.attribute)) continue;
        named = true;
        if (a->value && *a->value) return patternMatch(a->value, requirement.value);
    }
    return !named;
}

ElementListOwner elementsNamed(const ZomXmlNode* from, const char* tag)
{
    return ElementListOwner(from ? ZOMXML_GetElements(from, tag) : nullptr);
}

const ZomXmlNode* selectElement(const ZomXmlElementList* list,
                                std::span<const Requirement> requirements)
{
    for (const ZomXmlElementList* cell = list; cell; cell = cell->next) {
        if (!cell->element) continue;
        bool all = true;
        for (const Requirement& r : requirements) {
            if (!requirementHolds(*cell->element, r)) {
                all = false;
                break;
            }
        }
        if (all) return cell->element;
    }
    return nullptr;
}

}  // namespace netrov::definition
