// TUVASRV_GetMsg over a small message document: element choice, options,
// file names, image paths, the output array and the argument checks.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "message_service.h"
#include "temp_dir.h"

using namespace netrov;
using netrov::test::alert;

namespace {

const std::string kLongText(300, 'x');

const std::string kDocument = R"(<?xml version="1.0"?>
<messages>
  <alertcode value="#"><stat>Unreadable</stat><rcvr>Check the cable</rcvr><imageKey>offline</imageKey></alertcode>
  <alertcode value="12" group="8"><stat>Paper low</stat><rcvr>Add paper</rcvr><imageKey>paper</imageKey></alertcode>
  <alertcode value="12"><rcvr>Refill</rcvr><stat>Almost empty</stat><stat>second</stat><imageKey>supply</imageKey></alertcode>
  <alertcode value="5*"><stat>Five hundred and more</stat><rcvr>Wait</rcvr></alertcode>
  <alertcode value="8" index="2"><stat>Jam at tray 2</stat><rcvr>Open tray 2</rcvr><imageKey>jam</imageKey></alertcode>
  <alertcode value="60"><stat>Door open</stat><rcvr>Close it</rcvr><picture><side><imageKey>door</imageKey></side></picture></alertcode>
  <alertcode value="61"><stat>Cover open</stat><help><imageKey>cover</imageKey></help><imageKey>later</imageKey></alertcode>
  <alertcode value="40"><stat>)" + kLongText + R"(</stat><rcvr>)" + kLongText + R"(</rcvr><imageKey>long</imageKey></alertcode>
  <option key1="A4">_a4</option>
  <option key1="*" key2="1?">_ten</option>
  <option>_bare</option>
  <option key1="Letter"></option>
  <file imageKey="paper" option="_a4">paper_a4_file</file>
  <file imageKey="supply">supply_file</file>
</messages>
)";

OptionValue octets(const std::string& text)
{
    OptionValue v;
    std::memset(&v, 0, sizeof v);
    v.kind = NETROV_OPTION_OCTETS;
    std::memcpy(v.value, text.data(), text.size());
    v.length = static_cast<int32_t>(text.size());
    return v;
}

OptionValue number(int32_t n)
{
    OptionValue v;
    std::memset(&v, 0, sizeof v);
    v.kind = NETROV_OPTION_INT32;
    std::memcpy(v.value, &n, sizeof n);
    v.length = 4;
    return v;
}

class GetMsg : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::writeFile(dir_.file("msg.xml"), kDocument);
        msg_ = std::make_unique<test::MessageService>(dir_.file("msg.xml"), "pictures");
        ASSERT_TRUE(msg_->loaded());
    }
    std::vector<MessageRecord> messages(const std::vector<DeviceStatus>& alerts,
                                        const std::vector<std::vector<OptionValue>>& keys = {})
    {
        return msg_->messages(alerts, keys);
    }

    test::TempDir dir_;
    std::unique_ptr<test::MessageService> msg_;
};

bool allZero(const MessageRecord& r)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(&r);
    for (size_t i = 0; i < sizeof r; ++i) {
        if (bytes[i] != 0) return false;
    }
    return true;
}

}  // namespace

TEST_F(GetMsg, FirstAlertcodeElementThatPassesValueGroupAndIndexGivesTheTexts)
{
    const auto out = messages({alert(12, 8), alert(12, 11), alert(512, 5), alert(55, 5), alert(8, 13, 2),
                               alert(12, 8, 1, 1)});
    EXPECT_STREQ(out[0].status, "Paper low");
    EXPECT_STREQ(out[0].recovery, "Add paper");
    EXPECT_STREQ(out[0].imagePath, "pictures/paper.jpg");
    // The first child of each name counts, in whatever order they stand.
    EXPECT_STREQ(out[1].status, "Almost empty");
    EXPECT_STREQ(out[1].recovery, "Refill");
    EXPECT_STREQ(out[1].imagePath, "pictures/supply_file.jpg");
    EXPECT_STREQ(out[2].status, "Five hundred and more");
    EXPECT_STREQ(out[3].status, "Five hundred and more");
    EXPECT_STREQ(out[4].status, "Jam at tray 2");
    // A failed status read is looked up as "#", whatever its code.
    EXPECT_STREQ(out[5].status, "Unreadable");
    EXPECT_STREQ(out[5].imagePath, "pictures/offline.jpg");
    for (const MessageRecord& r : out) {
        EXPECT_EQ(r.reserved0, 0);
        EXPECT_STREQ(r.third, "");
    }
}

TEST_F(GetMsg, TheImageKeyIsTheFirstOfThatNameAnywhereBelowTheAlertcodeElement)
{
    const auto out = messages({alert(60, 5), alert(61, 5)});
    EXPECT_STREQ(out[0].status, "Door open");
    EXPECT_STREQ(out[0].imagePath, "pictures/door.jpg") << "two levels down";
    EXPECT_STREQ(out[1].imagePath, "pictures/cover.jpg") << "the first in document order, however deep";
    const auto a4 = messages({alert(60, 5)}, {{octets("A4")}});
    EXPECT_STREQ(a4[0].imagePath, "pictures/door_a4.jpg");
}

TEST_F(GetMsg, AlertsNoElementAnswersToLeaveTheirRecordEmpty)
{
    for (const MessageRecord& r : messages({alert(15, 5), alert(5, 5), alert(8, 13, 1), alert(0, 0)}))
        EXPECT_TRUE(allZero(r)) << r.status;
}

TEST_F(GetMsg, WithoutImageKeyTheOptionAloneNamesTheFileAndWithNeitherThereIsNoPath)
{
    EXPECT_STREQ(messages({alert(512, 5)}, {{octets("A4")}})[0].imagePath, "pictures/_a4.jpg");
    // Not "pictures/.jpg": no file of that name can be meant.
    const auto out = messages({alert(512, 5)});
    EXPECT_STREQ(out[0].status, "Five hundred and more");
    EXPECT_STREQ(out[0].imagePath, "");
}

TEST_F(GetMsg, OptionTextComesFromTheFirstOptionEveryKeyListAccepts)
{
    // Empty lists offer the empty text: only "*" and absent key attributes pass.
    EXPECT_STREQ(messages({alert(12, 8)})[0].imagePath, "pictures/paper.jpg");
    // One text of the list is enough; the option then picks the file.
    EXPECT_STREQ(messages({alert(12, 8)}, {{octets("Letter"), octets("a4")}})[0].imagePath,
                 "pictures/paper_a4_file.jpg");
    // No file element for this key and option: key and option are joined.
    EXPECT_STREQ(messages({alert(8, 13, 2)}, {{octets("Letter")}, {number(15)}})[0].imagePath,
                 "pictures/jam_ten.jpg");
    EXPECT_STREQ(messages({alert(8, 13, 2)}, {{octets("Letter")}, {number(150)}})[0].imagePath,
                 "pictures/jam.jpg");
}

TEST_F(GetMsg, ImagePathWithoutImageDirectoryStartsWithTheCurrentDirectory)
{
    msg_->service.imageDirectory = nullptr;
    EXPECT_STREQ(messages({alert(12, 8)})[0].imagePath, "./paper.jpg");
    char empty[] = "";
    msg_->service.imageDirectory = empty;
    EXPECT_STREQ(messages({alert(12, 8)})[0].imagePath, "./paper.jpg");
}

TEST_F(GetMsg, LongTextsAreCutToTheirFields)
{
    const MessageRecord r = messages({alert(40, 5)})[0];
    EXPECT_EQ(std::string(r.status), kLongText.substr(0, 255));
    EXPECT_EQ(std::string(r.recovery), kLongText.substr(0, 255));
}

TEST_F(GetMsg, CountIsTheNumberOfAlertsAndRecordsStopAtTheCapacity)
{
    const std::vector<DeviceStatus> alerts = {alert(12, 8), alert(12, 11), alert(512, 5), alert(8, 13, 2)};
    MessageRequest request;
    std::memset(&request, 0, sizeof request);
    request.alerts = alerts.data();
    std::vector<MessageRecord> out(3);
    std::memset(out.data(), 0x5A, sizeof(MessageRecord) * out.size());
    int32_t count = 0;
    EXPECT_EQ(TUVASRV_GetMsg(&msg_->device, reinterpret_cast<intptr_t>(&request), 4, out.data(), 2, &count, &msg_->service),
              NETROV_OK);
    EXPECT_EQ(count, 4);
    EXPECT_STREQ(out[0].status, "Paper low");
    EXPECT_STREQ(out[1].status, "Almost empty");
    EXPECT_EQ(reinterpret_cast<const unsigned char*>(&out[2])[0], 0x5A);  // beyond the capacity
    // Without an array the call still counts.
    EXPECT_EQ(TUVASRV_GetMsg(&msg_->device, reinterpret_cast<intptr_t>(&request), 4, nullptr, 0, &count, &msg_->service),
              NETROV_OK);
    EXPECT_EQ(count, 4);
}

TEST_F(GetMsg, MissingArgumentsGive5AndOtherTransportsGive13WithAnEmptyArray)
{
    const std::vector<DeviceStatus> alerts = {alert(12, 8)};
    MessageRequest request;
    std::memset(&request, 0, sizeof request);
    request.alerts = alerts.data();
    MessageRequest noAlerts;
    std::memset(&noAlerts, 0, sizeof noAlerts);
    ServiceRecord noDocument = msg_->service;
    noDocument.document = nullptr;
    DeviceIdentity snmp = msg_->device;
    snmp.transport = NETROV_TRANSPORT_SNMP;
    DeviceIdentity mask = msg_->device;
    mask.transport = NETROV_TRANSPORT_MSG | NETROV_TRANSPORT_SNMP;
    const struct {
        const char* what;
        DeviceIdentity* device;
        const MessageRequest* request;
        ServiceRecord* service;
        int32_t result;
    } cases[] = {
        {"no device", nullptr, &request, &msg_->service, NETROV_BAD_ARGUMENT},
        {"no request", &msg_->device, nullptr, &msg_->service, NETROV_BAD_ARGUMENT},
        {"no alerts", &msg_->device, &noAlerts, &msg_->service, NETROV_BAD_ARGUMENT},
        {"no service", &msg_->device, &request, nullptr, NETROV_BAD_ARGUMENT},
        {"no document", &msg_->device, &request, &noDocument, NETROV_BAD_ARGUMENT},
        {"SNMP device", &snmp, &request, &msg_->service, NETROV_OTHER_TRANSPORT},
        {"transport mask", &mask, &request, &msg_->service, NETROV_OTHER_TRANSPORT},
    };
    for (const auto& c : cases) {
        MessageRecord out[2];
        std::memset(out, 0x5A, sizeof out);
        int32_t count = 7;
        EXPECT_EQ(TUVASRV_GetMsg(c.device, reinterpret_cast<intptr_t>(c.request), 1, out, 2, &count, c.service),
                  c.result)
            << c.what;
        EXPECT_EQ(count, 0) << c.what;
        EXPECT_TRUE(allZero(out[0]) && allZero(out[1])) << c.what;
    }
    if constexpr (sizeof(intptr_t) > sizeof(int32_t)) {
        // More alerts than a count can say.
        int32_t count = 7;
        const intptr_t tooMany = static_cast<intptr_t>(static_cast<int64_t>(INT32_MAX) + 1);
        EXPECT_EQ(TUVASRV_GetMsg(&msg_->device, reinterpret_cast<intptr_t>(&request), tooMany, nullptr, 0, &count,
                                 &msg_->service),
                  NETROV_BAD_ARGUMENT);
        EXPECT_EQ(count, 0);
    }
}
