// Alert codes to messages, hints and image paths through the message definition document.
#include "message_lookup.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "netrov/result_codes.h"

namespace netrov::mirrel {

namespace {

using definition::elementsNamed;
using definition::ElementListOwner;
using definition::Requirement;
using definition::requirementHolds;
using definition::selectElement;

constexpr const char* kKeyAttributes[NETROV_MESSAGE_KEYS] = {"key1", "key2", "key3", "key4"};

int32_t firstWord(const OptionValue& value)
{
    int32_t word;
    std::memcpy(&word, value.value, sizeof word);
    return word;
}

std::size_t valueLength(const OptionValue& value)
{
    return static_cast<std::size_t>(std::clamp<int32_t>(value.length, 0, static_cast<int32_t>(sizeof value.value)));
}

std::string cut(std::string text)
{
    if (text.size() > kMaxText) text.resize(kMaxText);
    return text;
}

// The text of the first child element named tag; empty when absent.
const char* childText(const ZomXmlNode& element, const char* tag)
{
    for (const ZomXmlNode* child = element.firstChild; child; child = child->nextSibling) {
        if (child->name && std::strcmp(child->name, tag) == 0) return child->text ? child->text : "";
    }
    return "";
}

// The text of the first element named tag anywhere below element, in
// document order (a child, or deeper); empty when absent.
std::string textBelow(const ZomXmlNode& element, const char* tag)
{
    const ElementListOwner found = elementsNamed(element.firstChild, tag);
    if (!found || !found->element || !found->element->text) return {};
    return found->element->text;
}

template <std::size_t N>
void copyText(char (&field)[N], const char* text)
{
    std::strncpy(field, text, N - 1);
    field[N - 1] = '\0';
}

// The first "option" element with attributes and text whose every key
// attribute accepts one of that key's texts (an empty list offers "").
std::string optionText(const ZomXmlNode* top, const KeyTexts& keys)
{
    ElementListOwner options = elementsNamed(top, "option");
    for (const ZomXmlElementList* cell = options.get(); cell; cell = cell->next) {
        const ZomXmlNode* option = cell->element;
        if (!option || !option->attributes || !option->text || !*option->text) continue;
        bool passes = true;
        for (std::size_t k = 0; k < keys.size() && passes; ++k) {
            if (keys[k].empty()) {
                passes = requirementHolds(*option, {kKeyAttributes[k], ""});
                continue;
            }
            passes = std::any_of(keys[k].begin(), keys[k].end(), [&](const std::string& text) {
                return requirementHolds(*option, {kKeyAttributes[k], text.c_str()});
            });
        }
        if (passes) return option->text;
    }
    return {};
}

}  // namespace

std::string keyText(const OptionValue& value)
{
    char number[16];
    switch (value.kind) {
    case NETROV_OPTION_INT32:
        std::snprintf(number, sizeof number, "%" PRId32, firstWord(value));
        return number;
    case NETROV_OPTION_UINT32:
        std::snprintf(number, sizeof number, "%" PRIu32, static_cast<uint32_t>(firstWord(value)));
        return number;
    case NETROV_OPTION_OCTETS:
        return std::string(reinterpret_cast<const char*>(value.value), valueLength(value));
    case NETROV_OPTION_OID: {
        std::string text;
        for (std::size_t at = 0; at + 4 <= valueLength(value); at += 4) {
            int32_t arc;
            std::memcpy(&arc, value.value + at, sizeof arc);
            if (!text.empty()) text += '.';
            text += std::to_string(arc);
        }
        return cut(std::move(text));
    }
    case NETROV_OPTION_IPV4:
        std::snprintf(number, sizeof number, "%u.%u.%u.%u", value.value[0], value.value[1], value.value[2],
                      value.value[3]);
        return number;
    default:
        return {};
    }
}

KeyTexts keyTexts(const MessageRequest& request)
{
    KeyTexts texts;
    for (std::size_t k = 0; k < texts.size(); ++k) {
        const MessageKeyList& list = request.keys[k];
        if (list.count <= 0 || !list.values) continue;
        texts[k].reserve(static_cast<std::size_t>(list.count));
        for (int32_t i = 0; i < list.count; ++i) texts[k].push_back(keyText(list.values[i]));
    }
    return texts;
}

AlertLookup::AlertLookup(const ZomXmlDocument& document, const char* imageDirectory, const KeyTexts& keys)
    : alertCodes_(elementsNamed(document.top, "alertcode")), files_(elementsNamed(document.top, "file")),
      option_(optionText(document.top, keys)), imageDirectory_(imageDirectory ? imageDirectory : "")
{
}

void AlertLookup::fill(const DeviceStatus& alert, MessageRecord& record) const
{
    const std::string value = alert.failureValue != 0 ? "#" : std::to_string(alert.alertCode);
    const std::string group = std::to_string(alert.alertGroup);
    const std::string index = std::to_string(alert.alertIndex);
    const Requirement tests[] = {{"value", value.c_str()}, {"group", group.c_str()}, {"index", index.c_str()}};
    const ZomXmlNode* element = selectElement(alertCodes_.get(), tests);
    if (!element) return;

    copyText(record.status, childText(*element, "stat"));
    copyText(record.recovery, childText(*element, "rcvr"));
    const std::string imageKey = textBelow(*element, "imageKey");
    const Requirement fileTests[] = {{"imageKey", imageKey.c_str()}, {"option", option_.c_str()}};
    const ZomXmlNode* fileElement = selectElement(files_.get(), fileTests);
    const std::string file = fileElement && fileElement->text ? fileElement->text : imageKey + option_;
    // An empty name would make a path to ".jpg", which no document means.
    if (file.empty()) return;
    const std::string path = imageDirectory_.empty() ? "./" + file + ".jpg" : imageDirectory_ + "/" + file + ".jpg";
    copyText(record.imagePath, path.c_str());
}

int32_t getMessages(const DeviceIdentity* device, intptr_t request, intptr_t alertCount, void* records,
                    int32_t capacity, int32_t* count, const ServiceRecord* service) noexcept
{
    if (count) *count = 0;
    if (!records) capacity = 0;
    if (capacity > 0) std::memset(records, 0, static_cast<std::size_t>(capacity) * sizeof(MessageRecord));
    const auto* messageRequest = reinterpret_cast<const MessageRequest*>(request);
    if (!device || !service || !messageRequest || !messageRequest->alerts || !service->document)
        return NETROV_BAD_ARGUMENT;
    if (device->transport != NETROV_TRANSPORT_MSG) return NETROV_OTHER_TRANSPORT;
    // The count must be able to say how many alerts there were.
    if (alertCount > INT32_MAX) return NETROV_BAD_ARGUMENT;

    auto* out = static_cast<MessageRecord*>(records);
    int32_t stored = 0;
    try {
        const AlertLookup lookup(*service->document, service->imageDirectory, keyTexts(*messageRequest));
        // A negative number of alerts is an empty list.
        for (intptr_t i = 0; i < alertCount; ++i) {
            if (stored < capacity) lookup.fill(messageRequest->alerts[i], out[stored]);
            ++stored;
        }
    } catch (...) {
        // Only allocation can throw inside: no records, the heap is exhausted.
        if (capacity > 0) std::memset(records, 0, static_cast<std::size_t>(capacity) * sizeof(MessageRecord));
        return NETROV_NO_MEMORY;
    }
    if (count) *count = stored;
    return NETROV_OK;
}

}  // namespace netrov::mirrel
