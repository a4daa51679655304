// Fuzzes XML document loading and element searches over the loaded tree.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <span>

#include "xml_document.h"

namespace xml = netrov::xml;

namespace {

size_t countAndCheck(ZomXmlElementList* list, const char* tag)
{
    size_t count = 0;
    for (ZomXmlElementList* cell = list; cell; cell = cell->next) {
        if (std::strcmp(cell->element->name, tag) != 0) std::abort();
        ++count;
    }
    xml::freeElements(list);
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    xml::DocumentPtr document;
    try {
        document = xml::loadFromMemory(std::span<const uint8_t>(data, size), "fuzz.xml");
    } catch (const std::bad_alloc&) {
        return 0;
    }
    if (!document) return 0;
    const ZomXmlNode* top = document->top;
    if (top == nullptr || top->parent != nullptr) std::abort();

    // Touch every field a caller reads, and search from every first child.
    size_t elements = 0;
    for (const ZomXmlNode& node : document->nodes) {
        ++elements;
        if (node.text != nullptr && node.text[0] == '\0') std::abort();
        for (const ZomXmlAttribute* a = node.attributes; a; a = a->next) {
            if (a->owner != &node || a->name == nullptr) std::abort();
            if (a->value != nullptr && a->value[0] == '\0') std::abort();
        }
        if (node.firstChild != nullptr) countAndCheck(xml::findElements(node.firstChild, node.name), node.name);
    }
    // Every element with the top's tag is found from the top, and nothing more.
    size_t sameTag = 0;
    for (const ZomXmlNode& node : document->nodes) sameTag += std::strcmp(node.name, top->name) == 0;
    if (countAndCheck(xml::findElements(top, top->name), top->name) != sameTag) std::abort();
    if (elements != document->nodes.size()) std::abort();
    return 0;
}
