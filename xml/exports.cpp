// The exported entry points of zomxml: thin shims over netrov::xml.
#include <netrov/zomxml.h>

#include "xml_document.h"

namespace xml = netrov::xml;

ZOMXML_API ZomXmlDocument* NETROV_CALL ZOMXML_Load(const char* path) noexcept
{
    try {
        return xml::loadFromFile(path).release();
    } catch (...) {
        return nullptr;
    }
}

ZOMXML_API int32_t NETROV_CALL ZOMXML_Free(ZomXmlDocument* document) noexcept
{
    // Every document handed out is a netrov::xml::Document.
    delete static_cast<xml::Document*>(document);
    return 0;
}

ZOMXML_API ZomXmlElementList* NETROV_CALL ZOMXML_GetElements(const ZomXmlNode* node, const char* tag) noexcept
{
    return xml::findElements(node, tag);
}

ZOMXML_API int32_t NETROV_CALL ZOMXML_FreeElements(ZomXmlElementList* list) noexcept
{
    xml::freeElements(list);
    return 0;
}
