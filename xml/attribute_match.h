// Attribute matching of definition documents: wildcard patterns and the
// selection of the first element that satisfies a set of requirements.
// Both services read their documents by these rules.
#pragma once

#include <memory>
#include <span>
#include <string_view>

#include "netrov/zomxml.h"

namespace netrov::definition {

// The document's attribute value is the pattern, the program's value the
// text: "*" ends the comparison with success, "?" matches any character,
// letters compare ignoring case; a forward and a backward scan must both
// succeed. A null or empty text matches only the pattern "*".
bool patternMatch(std::string_view pattern, const char* text);

struct Requirement {
    const char* attribute;  // null or empty: never satisfied
    const char* value;
};

// A requirement holds when the element's first attribute of that name (names
// ignoring case) that carries a value matches the value as a pattern, or when
// the element has no attribute of that name at all.
bool requirementHolds(const ZomXmlNode& element, const Requirement& requirement);

struct ElementListDeleter {
    void operator()(ZomXmlElementList* list) const noexcept { ZOMXML_FreeElements(list); }
};
using ElementListOwner = std::unique_ptr<ZomXmlElementList, ElementListDeleter>;

// Every element named tag at and below from, in document order; empty when
// from is null or nothing matches.
ElementListOwner elementsNamed(const ZomXmlNode* from, const char* tag);

// The first element of the list (document order) that satisfies every
// requirement, or null.
const ZomXmlNode* selectElement(const ZomXmlElementList* list,
                                std::span<const Requirement> requirements);

}  // namespace netrov::definition
