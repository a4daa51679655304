// What the front library hands the message service, built by hand: a loaded
// message document, the service record and a message-service device; and the
// alerts to ask about.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "entry_points.h"
#include "netrov/result_codes.h"
#include "netrov/zomxml.h"

namespace netrov::test {

inline DeviceStatus alert(int32_t code, int32_t group, int32_t index = 1, int32_t failure = 0)
{
    DeviceStatus s;
    std::memset(&s, 0, sizeof s);
    s.failed = failure != 0;
    s.failureValue = failure;
    s.alertCode = code;
    s.alertGroup = group;
    s.alertIndex = index;
    return s;
}

class MessageService {
public:
    MessageService(const std::string& documentPath, std::string imageDirectory)
        : imageDirectory_(std::move(imageDirectory)), document_(ZOMXML_Load(documentPath.c_str()))
    {
        service.document = document_;
        service.imageDirectory = imageDirectory_.data();
        std::memset(&device, 0, sizeof device);
        device.transport = NETROV_TRANSPORT_MSG;
    }
    ~MessageService() { ZOMXML_Free(document_); }
    MessageService(const MessageService&) = delete;
    MessageService& operator=(const MessageService&) = delete;

    bool loaded() const { return document_ != nullptr; }
    const ZomXmlDocument* document() const { return document_; }

    // One record per alert, through the entry point, with the key lists given.
    std::vector<MessageRecord> messages(const std::vector<DeviceStatus>& alerts,
                                        const std::vector<std::vector<OptionValue>>& keys = {})
    {
        MessageRequest request;
        std::memset(&request, 0, sizeof request);
        request.alerts = alerts.data();
        for (size_t k = 0; k < keys.size(); ++k) {
            request.keys[k].count = static_cast<int32_t>(keys[k].size());
            request.keys[k].values = keys[k].data();
        }
        std::vector<MessageRecord> out(alerts.size());
        int32_t count = -1;
        const auto n = static_cast<int32_t>(alerts.size());
        EXPECT_EQ(TUVASRV_GetMsg(&device, reinterpret_cast<intptr_t>(&request), n, out.data(), n, &count, &service),
                  NETROV_OK);
        EXPECT_EQ(count, n);
        return out;
    }

    ServiceRecord service{};
    DeviceIdentity device;

private:
    std::string imageDirectory_;
    ZomXmlDocument* document_;
};

}  // namespace netrov::test
