// Helpers for zomxml tests: documents written to temporary files, lists as vectors.
#pragma once

#include <netrov/zomxml.h>

#include <memory>
#include <string>
#include <vector>

#include "temp_dir.h"

namespace netrov::test {

struct DocumentDeleter {
    void operator()(ZomXmlDocument* document) const { ZOMXML_Free(document); }
};
using DocumentPtr = std::unique_ptr<ZomXmlDocument, DocumentDeleter>;

inline DocumentPtr loadText(const TempDir& dir, const std::string& text, const std::string& name = "doc.xml")
{
    std::string file = dir.file(name);
    writeFile(file, text);
    return DocumentPtr(ZOMXML_Load(file.c_str()));
}

// Elements of a search, freeing the list.
inline std::vector<const ZomXmlNode*> search(const ZomXmlNode* node, const char* tag)
{
    std::vector<const ZomXmlNode*> found;
    ZomXmlElementList* list = ZOMXML_GetElements(node, tag);
    for (ZomXmlElementList* cell = list; cell; cell = cell->next) found.push_back(cell->element);
    ZOMXML_FreeElements(list);
    return found;
}

inline std::string attribute(const ZomXmlNode* node, const std::string& name)
{
    for (const ZomXmlAttribute* a = node->attributes; a; a = a->next) {
        if (name == a->name) return a->value ? a->value : "<null>";
    }
    return "<absent>";
}

}  // namespace netrov::test
