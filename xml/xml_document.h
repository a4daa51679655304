// In-memory XML documents built with libexpat, and element searches over them.
#pragma once

#include <netrov/zomxml.h>

#include <deque>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_set>

namespace netrov::xml {

// Owns every node, attribute and text that the public structures point to.
// Nothing changes after loading, so any number of threads may search it.
struct Document : ZomXmlDocument {
    Document();
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    // Stable copies for the public const char* fields.
    const char* keepText(std::string_view text);
    const char* keepName(std::string_view name);

    std::string pathText;
    std::deque<ZomXmlNode> nodes;
    std::deque<ZomXmlAttribute> attributes;
    std::deque<std::string> texts;
    std::unordered_set<std::string> names;  // tag and attribute names repeat, keep each once
};

using DocumentPtr = std::unique_ptr<Document>;

// Parses a whole document; null when it is malformed, has no root element, or
// declares a DTD or entities. Throws std::bad_alloc.
DocumentPtr loadFromMemory(std::span<const uint8_t> bytes, std::string_view path);
// Reads a regular file and parses it; null when it cannot be read or parsed.
DocumentPtr loadFromFile(const char* path);

// The result cells are allocated here and freed by freeElements.
ZomXmlElementList* findElements(const ZomXmlNode* node, const char* tag);
void freeElements(ZomXmlElementList* list) noexcept;

}  // namespace netrov::xml
