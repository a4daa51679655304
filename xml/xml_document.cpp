// Builds zomxml's node structures from expat callbacks and searches them in document order.
#include "xml_document.h"

#include <expat.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <limits>
#include <cstring>
#include <new>
#include <vector>

#include "platform/regular_file.h"
#include "platform/text_encoding.h"

namespace netrov::xml {

Document::Document() : ZomXmlDocument{nullptr, nullptr} {}

const char* Document::keepText(std::string_view text)
{
    return texts.emplace_back(text).c_str();
}

const char* Document::keepName(std::string_view name)
{
    return names.emplace(name).first->c_str();
}

namespace {

struct ParserDeleter {
    void operator()(XML_Parser parser) const { XML_ParserFree(parser); }
};
using ParserPtr = std::unique_ptr<std::remove_pointer_t<XML_Parser>, ParserDeleter>;

bool isXmlBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && isXmlBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isXmlBlank(text.back())) text.remove_suffix(1);
    return text;
}

struct OpenElement {
    ZomXmlNode* node;
    ZomXmlNode* lastChild;
    std::string text;
};

// Collects the tree while expat parses. Handlers run inside C code, so no
// exception may leave them: failures stop the parser and are noted here.
class Builder {
public:
    Builder(XML_Parser parser, Document& document) : parser_(parser), document_(document) {}

    bool failed() const { return failed_; }

    static void XMLCALL onStart(void* self, const XML_Char* name, const XML_Char** attributes)
    {
        static_cast<Builder*>(self)->guard([&](Builder& b) { b.start(name, attributes); });
    }
    static void XMLCALL onEnd(void* self, const XML_Char*)
    {
        static_cast<Builder*>(self)->guard([](Builder& b) { b.end(); });
    }
    static void XMLCALL onText(void* self, const XML_Char* text, int length)
    {
        static_cast<Builder*>(self)->guard([&](Builder& b) {
            if (!b.open_.empty() && length > 0) b.open_.back().text.append(text, static_cast<size_t>(length));
        });
    }
    // A document type declaration may name the root and a DTD, which is never
    // read; an internal subset is refused, and with it every entity
    // declaration, which shuts out entity expansion attacks and external
    // entities at the source.
    static void XMLCALL onDoctype(void* self, const XML_Char*, const XML_Char*, const XML_Char*,
                                  int hasInternalSubset)
    {
        if (hasInternalSubset) static_cast<Builder*>(self)->refuse();
    }
    static void XMLCALL onEntity(void* self, const XML_Char*, int, const XML_Char*, int, const XML_Char*,
                                 const XML_Char*, const XML_Char*, const XML_Char*)
    {
        static_cast<Builder*>(self)->refuse();
    }
    // A reference to an entity that only an unread DTD could declare: the
    // text would silently lose it, so the document is refused.
    static void XMLCALL onSkippedEntity(void* self, const XML_Char*, int)
    {
        static_cast<Builder*>(self)->refuse();
    }

private:
    template <typename Step>
    void guard(Step step)
    {
        if (failed_) return;
        try {
            step(*this);
        } catch (...) {
            refuse();
        }
    }

    void refuse()
    {
        if (!failed_) XML_StopParser(parser_, XML_FALSE);
        failed_ = true;
    }

    void start(const XML_Char* name, const XML_Char** attributes)
    {
        ZomXmlNode& node = document_.nodes.emplace_back();
        node = ZomXmlNode{document_.keepName(name), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
        if (open_.empty()) {
            document_.top = &node;
        } else {
            OpenElement& parent = open_.back();
            node.parent = parent.node;
            node.previousSibling = parent.lastChild;
            if (parent.lastChild) parent.lastChild->nextSibling = &node;
            else parent.node->firstChild = &node;
            parent.lastChild = &node;
        }
        ZomXmlAttribute* last = nullptr;
        for (const XML_Char** pair = attributes; pair && pair[0]; pair += 2) {
            ZomXmlAttribute& attribute = document_.attributes.emplace_back();
            const char* value = pair[1] && pair[1][0] ? document_.keepText(pair[1]) : nullptr;
            attribute = ZomXmlAttribute{nullptr, &node, document_.keepName(pair[0]), value};
            if (last) last->next = &attribute;
            else node.attributes = &attribute;
            last = &attribute;
        }
        open_.push_back(OpenElement{&node, nullptr, {}});
    }

    void end()
    {
        if (open_.empty()) return;
        OpenElement& element = open_.back();
        std::string_view text = trimmed(element.text);
        if (!text.empty()) element.node->text = document_.keepText(text);
        open_.pop_back();
    }

    XML_Parser parser_;
    Document& document_;
    std::vector<OpenElement> open_;
    bool failed_ = false;
};

constexpr size_t kParseChunk = 1 << 20;

// Expat reads UTF-8, UTF-16, ISO-8859-1 and US-ASCII itself; any other
// single-byte character set the system knows (windows-1252, ISO-8859-2 to
// -16, ...) is mapped here. Texts reach the callers as UTF-8 either way.
int XMLCALL onUnknownEncoding(void*, const XML_Char* name, XML_Encoding* info)
{
    try {
        const auto table = platform::singleByteTable(name);
        if (!table) return XML_STATUS_ERROR;
        std::copy(table->begin(), table->end(), info->map);
        info->data = nullptr;
        info->convert = nullptr;
        info->release = nullptr;
        return XML_STATUS_OK;
    } catch (...) {
        return XML_STATUS_ERROR;
    }
}

}  // namespace

DocumentPtr loadFromMemory(std::span<const uint8_t> bytes, std::string_view path)
{
    auto document = std::make_unique<Document>();
    document->pathText = path;
    document->path = document->pathText.c_str();

    ParserPtr parser(XML_ParserCreate(nullptr));
    if (!parser) throw std::bad_alloc();
    Builder builder(parser.get(), *document);
    XML_SetUserData(parser.get(), &builder);
    XML_SetElementHandler(parser.get(), &Builder::onStart, &Builder::onEnd);
    XML_SetCharacterDataHandler(parser.get(), &Builder::onText);
    XML_SetStartDoctypeDeclHandler(parser.get(), &Builder::onDoctype);
    XML_SetEntityDeclHandler(parser.get(), &Builder::onEntity);
    XML_SetSkippedEntityHandler(parser.get(), &Builder::onSkippedEntity);
    XML_SetUnknownEncodingHandler(parser.get(), &onUnknownEncoding, nullptr);
    XML_SetParamEntityParsing(parser.get(), XML_PARAM_ENTITY_PARSING_NEVER);

    size_t offset = 0;
    do {
        size_t length = std::min(kParseChunk, bytes.size() - offset);
        bool last = offset + length == bytes.size();
        XML_Status status = XML_Parse(parser.get(), reinterpret_cast<const char*>(bytes.data() + offset),
                                      static_cast<int>(length), last ? XML_TRUE : XML_FALSE);
        if (status != XML_STATUS_OK || builder.failed()) return nullptr;
        offset += length;
    } while (offset < bytes.size());
    if (document->top == nullptr) return nullptr;
    return document;
}

DocumentPtr loadFromFile(const char* path)
{
    if (path == nullptr || *path == '\0') return nullptr;
    // Any size: the parser's own limits hold the document in check.
    const platform::FileBytes file = platform::readRegularFile(path, std::numeric_limits<size_t>::max());
    if (file.status != platform::ReadStatus::Read) return nullptr;
    return loadFromMemory({reinterpret_cast<const uint8_t*>(file.bytes.data()), file.bytes.size()}, path);
}

ZomXmlElementList* findElements(const ZomXmlNode* node, const char* tag)
{
    if (node == nullptr || tag == nullptr) return nullptr;
    ZomXmlElementList* head = nullptr;
    ZomXmlElementList** tail = &head;
    const ZomXmlNode* stop = node->parent;
    const ZomXmlNode* current = node;
    // Depth-first walk without recursion, so deep documents cannot exhaust the stack.
    while (current != nullptr) {
        if (current->name != nullptr && std::strcmp(current->name, tag) == 0) {
            auto* cell = new (std::nothrow) ZomXmlElementList{nullptr, const_cast<ZomXmlNode*>(current)};
            if (cell == nullptr) {
                freeElements(head);
                return nullptr;
            }
            *tail = cell;
            tail = &cell->next;
        }
        if (current->firstChild != nullptr) {
            current = current->firstChild;
            continue;
        }
        while (current != nullptr && current->nextSibling == nullptr) {
            current = current->parent;
            if (current == stop) current = nullptr;
        }
        if (current != nullptr) current = current->nextSibling;
    }
    return head;
}

void freeElements(ZomXmlElementList* list) noexcept
{
    while (list != nullptr) {
        ZomXmlElementList* next = list->next;
        delete list;
        list = next;
    }
}

}  // namespace netrov::xml
