/* zomxml: read-only XML definition documents and element searches. */
#ifndef NETROV_ZOMXML_H
#define NETROV_ZOMXML_H

#include <stdint.h>

#include "export.h"

#ifdef ZOMXML_BUILD
#  define ZOMXML_API NETROV_EXTERN_C NETROV_EXPORT
#else
#  define ZOMXML_API NETROV_EXTERN_C NETROV_IMPORT
#endif

/* Callers read these structures directly; the field order is fixed. All of
   them belong to the document and stay valid until ZOMXML_Free. Every name,
   text and value is UTF-8, whatever encoding the document declares. */
typedef struct ZomXmlAttribute {
    struct ZomXmlAttribute* next;
    struct ZomXmlNode* owner;
    const char* name;
    const char* value;              /* null when the attribute value is empty */
} ZomXmlAttribute;

typedef struct ZomXmlNode {
    const char* name;               /* tag name */
    const char* text;               /* character data, blanks trimmed; null when none */
    ZomXmlAttribute* attributes;    /* first attribute, in document order */
    struct ZomXmlNode* parent;
    struct ZomXmlNode* nextSibling;
    struct ZomXmlNode* previousSibling;
    struct ZomXmlNode* firstChild;
} ZomXmlNode;

typedef struct ZomXmlDocument {
    const char* path;
    ZomXmlNode* top;                /* the root element */
} ZomXmlDocument;

/* One cell of a search result; the list is the caller's. */
typedef struct ZomXmlElementList {
    struct ZomXmlElementList* next;
    ZomXmlNode* element;
} ZomXmlElementList;

/* Loads a document; null when the file is missing, malformed, in a character
   set other than UTF-8, UTF-16, US-ASCII or a single-byte set the system
   knows (ISO-8859-x, windows-125x), or with an internal DTD subset (where
   entities are declared). A document type declaration without internal
   subset is accepted; a DTD it names is never read, so a reference to an
   entity other than the five predefined ones is refused. */
ZOMXML_API ZomXmlDocument* NETROV_CALL ZOMXML_Load(const char* path) NETROV_NOEXCEPT;
/* Frees a whole document; null is accepted. Returns 0. */
ZOMXML_API int32_t NETROV_CALL ZOMXML_Free(ZomXmlDocument* document) NETROV_NOEXCEPT;
/* All elements named tag in document order, searching node, its following
   siblings and everything below them; null when none matches. Safe to call
   from many threads on one document. */
ZOMXML_API ZomXmlElementList* NETROV_CALL ZOMXML_GetElements(const ZomXmlNode* node,
                                                             const char* tag) NETROV_NOEXCEPT;
/* Frees the cells of a result list only; null is accepted. Returns 0. */
ZOMXML_API int32_t NETROV_CALL ZOMXML_FreeElements(ZomXmlElementList* list) NETROV_NOEXCEPT;

#endif
