// Alert messages from the message definition document: key texts, the
// lookup of one alert, and the whole TUVASRV_GetMsg call.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "attribute_match.h"
#include "netrov/device_identity.h"
#include "netrov/message_records.h"
#include "netrov/service_record.h"

namespace netrov::mirrel {

// Texts longer than this are cut; every text lands in a 256-byte field.
inline constexpr std::size_t kMaxText = 255;

// The text of one key value by its kind code; empty for an unknown kind.
// The present flag is not consulted.
std::string keyText(const OptionValue& value);

// The texts of the four key lists of a request, one per value.
using KeyTexts = std::array<std::vector<std::string>, NETROV_MESSAGE_KEYS>;
KeyTexts keyTexts(const MessageRequest& request);

// The messages of one call: the document's elements are listed and the
// option text (which depends on the key lists only) is found once.
class AlertLookup {
public:
    AlertLookup(const ZomXmlDocument& document, const char* imageDirectory, const KeyTexts& keys);

    // Fills the record of one alert; leaves it zero when no "alertcode"
    // element answers to the alert, and the image path empty when neither an
    // image key nor an option names a file.
    void fill(const DeviceStatus& alert, MessageRecord& record) const;

private:
    definition::ElementListOwner alertCodes_;
    definition::ElementListOwner files_;
    std::string option_;
    std::string imageDirectory_;
};

// TUVASRV_GetMsg: option1 carries the MessageRequest, option2 the number
// of alerts in it; records is an array of MessageRecord.
int32_t getMessages(const DeviceIdentity* device, intptr_t request, intptr_t alertCount, void* records,
                    int32_t capacity, int32_t* count, const ServiceRecord* service) noexcept;

}  // namespace netrov::mirrel
