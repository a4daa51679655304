// Job counts, current jobs, the job log with its probe, notification values,
// and the fax capability bit sets, against the in-process fake agent with
// the test model's definition document.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "entry_points.h"
#include "fake_agent.h"
#include "netrov/result_codes.h"
#include "packed_builder.h"
#include "service_fixture.h"
#include "walk_files.h"

using namespace netrov::test;

namespace {

const std::string kJobLogColumn = "1.3.6.1.4.1.32473.40.3.6.1.2";
const std::string kFaxLogDefinition = "1.3.6.1.4.1.32473.40.3.8.0";
const std::string kFaxLogColumn = "1.3.6.1.4.1.32473.40.3.9.1.2";
const std::string kCurrentJobColumn = "1.3.6.1.4.1.32473.40.3.3.1.2";
const std::string kSendReso = "1.3.6.1.4.1.32473.40.1.4.0";
const std::string kSendCompMono = "1.3.6.1.4.1.32473.40.1.6.1.0";
const std::string kSendCompColour = "1.3.6.1.4.1.32473.40.1.6.3.0";

std::string definitionPath()
{
    return std::string(NETROV_SOURCE_DIR) + "/tests/devices/mx4400_definition.xml";
}

// A log entry as the test model's tag definition lays it out.
std::vector<PackedItem> logItems(uint32_t sequence, uint32_t result, uint32_t kind, uint32_t detail,
                                 const std::string& name)
{
    Bytes padded = textBytes(name);
    padded.resize(16, 0);
    return {{192, bigEndian(sequence, 4)},
            {200, bigEndian(result, 2)},
            {118, bigEndian(kind, 2)},
            {120, bigEndian(detail, 2)},
            {112, padded}};
}

class JobQueries : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!agent.ok()) GTEST_SKIP() << "fake agent: " << agent.error();
        ASSERT_TRUE(service.loaded());
        device = snmpDevice(agent.addressValue(), "public", 1);
    }
    // Job log rows 1..rows, row n with sequence identifier base + n.
    void logRows(uint32_t rows, uint32_t base)
    {
        for (uint32_t n = 1; n <= rows; ++n) {
            agent.setObject(kJobLogColumn + "." + std::to_string(n),
                            AgentValue::octets(selfDescribed(logItems(base + n, 1, 1, 0, "job"))));
        }
    }
    // "Get 1.3...", "GetNext 1.3..." per request of the first binding.
    std::vector<std::string> wire() const
    {
        std::vector<std::string> out;
        for (const AgentRequest& r : agent.requests()) {
            const std::string kind = r.pduType == 0xA0 ? "Get " : r.pduType == 0xA1 ? "GetNext " : "? ";
            out.push_back(kind + (r.bindings.empty() ? std::string() : r.bindings[0].oid));
        }
        return out;
    }

    FakeAgent agent;
    Service service{Service::FromFile{}, definitionPath(), "[STRING]\n#IDS_FAX_BUSY=Line busy\n"};
    DeviceIdentity device{};
};

}  // namespace

TEST_F(JobQueries, CountsAreOneRecordEach)
{
    agent.setObject("1.3.6.1.4.1.32473.40.3.1.0", AgentValue::integer(2));
    agent.setObject("1.3.6.1.4.1.32473.40.3.4.0", AgentValue::integer(40));
    JobCount count[2];
    int32_t n = 0;
    ASSERT_EQ(TUVASRV_GetCurrentJobNum(&device, 0, 0, count, 2, &n, service.record()), NETROV_OK);
    ASSERT_EQ(n, 1);
    EXPECT_EQ(count[0].valid, 1);
    EXPECT_EQ(count[0].count, 2);
    ASSERT_EQ(TUVASRV_GetJobLogNum(&device, 0, 0, count, 2, &n, service.record()), NETROV_OK);
    EXPECT_EQ(count[0].count, 40);
    // The fax log's count object is missing on this device.
    EXPECT_EQ(TUVASRV_GetFaxLogNum(&device, 0, 0, count, 2, &n, service.record()), NETROV_NO_VALUE);
    EXPECT_EQ(n, 0);
}

// The probe looks at rows 1, 11, 21, ... and the walk goes on after the
// last row whose identifier lies below the wanted one.
TEST_F(JobQueries, LogProbeStepsByTenAndTheWalkStartsAfterTheProbedRow)
{
    struct Case {
        const char* name;
        uint32_t wanted;
        std::vector<std::string> probes;  // rows asked with Get
        uint32_t firstRow;
    };
    const Case cases[] = {
        {"first row already wanted", 50, {"1"}, 1},
        {"second step", 115, {"1", "11", "21"}, 12},
        {"exactly at row 11", 111, {"1", "11"}, 2},
        {"past the last probed row", 1000, {"1", "11", "21", "31"}, 22},
    };
    logRows(25, 100);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        agent.clearRequests();
        const LogPosition position{0, c.wanted};
        std::vector<LogRecord> records(40);
        int32_t n = 0;
        ASSERT_EQ(TUVASRV_GetJobLogInfo(&device, reinterpret_cast<intptr_t>(&position), 0, records.data(), 40, &n,
                                        service.record()),
                  NETROV_OK);
        ASSERT_EQ(n, static_cast<int32_t>(25 - c.firstRow + 1));
        EXPECT_EQ(records[0].sequence, static_cast<int32_t>(100 + c.firstRow));
        EXPECT_EQ(records[static_cast<size_t>(n) - 1].sequence, 125);

        std::vector<std::string> expected;
        for (const std::string& row : c.probes) expected.push_back("Get " + kJobLogColumn + "." + row);
        const uint32_t start = c.firstRow - 1;
        expected.push_back("GetNext " + kJobLogColumn + (start ? "." + std::to_string(start) : std::string()));
        const std::vector<std::string> sent = wire();
        ASSERT_GE(sent.size(), expected.size());
        EXPECT_EQ(std::vector<std::string>(sent.begin(), sent.begin() + static_cast<long>(expected.size())), expected);
    }
}

TEST_F(JobQueries, LogWithoutAPositionIsReadWhole)
{
    logRows(3, 0);
    LogRecord records[4];
    int32_t n = 0;
    ASSERT_EQ(TUVASRV_GetJobLogInfo(&device, 0, 0, records, 4, &n, service.record()), NETROV_OK);
    EXPECT_EQ(n, 3);
    EXPECT_EQ(wire().front(), "GetNext " + kJobLogColumn);
}

// A device that answers every row with an identifier below the wanted one
// cannot keep the probe going for ever.
TEST_F(JobQueries, LogProbeOfALyingDeviceEnds)
{
    const Bytes row = selfDescribed(logItems(0, 1, 1, 0, "job"));
    agent.setHandler([row](const AgentRequest& r) -> std::vector<AgentReply> {
        if (r.pduType == 0xA0 && !r.bindings.empty())
            return {AgentReply{FakeAgent::encodeResponse(r.requestId, r.community, 0, 0,
                                                         {{r.bindings[0].oid, AgentValue::octets(row)}})}};
        return {AgentReply{FakeAgent::encodeResponse(r.requestId, r.community, 2, 1, r.bindings)}};
    });
    const LogPosition position{0, 0xFFFFFFFFu};
    LogRecord record;
    int32_t n = 0;
    TUVASRV_GetJobLogInfo(&device, reinterpret_cast<intptr_t>(&position), 0, &record, 1, &n, service.record());
    const std::vector<std::string> sent = wire();
    ASSERT_GT(sent.size(), 2u);
    EXPECT_LE(sent.size(), 65536u / 10 + 3);
    EXPECT_EQ(sent[sent.size() - 2].rfind("Get ", 0), 0u);
    EXPECT_EQ(sent.back().rfind("GetNext " + kJobLogColumn + ".", 0), 0u);
}

TEST_F(JobQueries, FaxLogRowsUseTheDevicesTagDefinition)
{
    const auto [definition, first] = withDefinition(logItems(7, 1, 2, 0, "to 555-0100"));
    const Bytes second = withDefinition(logItems(8, 2, 2, 5, "to 555-0199")).second;
    agent.setObject(kFaxLogDefinition, AgentValue::octets(definition));
    agent.setObject(kFaxLogColumn + ".1", AgentValue::octets(first));
    agent.setObject(kFaxLogColumn + ".2", AgentValue::octets(second));
    const LogPosition position{0, 0};
    LogRecord records[3];
    int32_t n = 0;
    ASSERT_EQ(TUVASRV_GetFaxLogInfo(&device, reinterpret_cast<intptr_t>(&position), 0, records, 3, &n,
                                    service.record()),
              NETROV_OK);
    ASSERT_EQ(n, 2);
    EXPECT_EQ(records[0].sequence, 7);
    EXPECT_STREQ(records[0].tag112, "to 555-0100");
    EXPECT_EQ(records[0].notifyTypeValid, 1);
    EXPECT_EQ(records[0].notifyType, 3);
    EXPECT_STREQ(records[0].message, "Fax sent");
    EXPECT_EQ(records[1].notifyTypeValid, 0);
    EXPECT_EQ(records[1].messageValid, 1);
    EXPECT_STREQ(records[1].message, "Line busy");  // through the language file
}

TEST_F(JobQueries, CurrentJobsWithErrorType)
{
    agent.setObject(kCurrentJobColumn + ".1",
                    AgentValue::octets(selfDescribed({{127, bigEndian(3, 2)}, {113, textBytes("bob")}})));
    agent.setObject(kCurrentJobColumn + ".2", AgentValue::integer(5));  // not a packed value: no record
    agent.setObject(kCurrentJobColumn + ".3", AgentValue::octets(selfDescribed({{118, bigEndian(1, 2)}})));
    CurrentJobRecord jobs[3];
    int32_t n = 0;
    ASSERT_EQ(TUVASRV_GetCurrentJobInfo(&device, 0, 0, jobs, 3, &n, service.record()), NETROV_OK);
    ASSERT_EQ(n, 2);
    EXPECT_STREQ(jobs[0].tag113, "bob");
    EXPECT_EQ(jobs[0].errorTypeValid, 1);
    EXPECT_EQ(jobs[0].errorType, 1);
    EXPECT_EQ(jobs[1].tag127Valid, 1);  // absent: the default 0
    EXPECT_EQ(jobs[1].errorTypeValid, 0);
}

// Notification values: the document's tag definition when it has one, the
// value's own table otherwise; the caller's default; 5 without a value record.
TEST_F(JobQueries, NotificationValuesAreUnpackedIntoOneRecord)
{
    const Bytes jobLog = withDefinition(logItems(31, 0, 1, 0, "minutes.odt")).second;
    const JobTrapValue logTrap{0, jobLog.data(), static_cast<int32_t>(jobLog.size()), 2};
    LogRecord entry;
    int32_t n = 0;
    ASSERT_EQ(TUVASRV_ParseJobLogInfo(&device, reinterpret_cast<intptr_t>(&logTrap), 0, &entry, 1, &n,
                                      service.record()),
              NETROV_OK);
    ASSERT_EQ(n, 1);
    EXPECT_EQ(entry.sequence, 31);
    EXPECT_EQ(entry.tag200, 2);  // 0 in the value: the caller's default
    EXPECT_STREQ(entry.tag112, "minutes.odt");
    EXPECT_STREQ(entry.message, "Cancelled");

    const Bytes job = selfDescribed({{118, bigEndian(9, 2)}});
    const JobTrapValue jobTrap{0, job.data(), static_cast<int32_t>(job.size()), 4};
    CurrentJobRecord current;
    ASSERT_EQ(TUVASRV_ParseCurrentJobInfo(&device, reinterpret_cast<intptr_t>(&jobTrap), 0, &current, 1, &n,
                                          service.record()),
              NETROV_OK);
    EXPECT_EQ(current.tag118, 9);
    EXPECT_EQ(current.tag127, 4);
    EXPECT_EQ(current.errorType, 2);

    // No bytes at all still gives the record with the default.
    const JobTrapValue empty{0, nullptr, 100, 7};
    ASSERT_EQ(TUVASRV_ParseFaxLogInfo(&device, reinterpret_cast<intptr_t>(&empty), 0, &entry, 1, &n,
                                      service.record()),
              NETROV_OK);
    EXPECT_EQ(n, 1);
    EXPECT_EQ(entry.tag200, 7);
    for (auto parse : {TUVASRV_ParseCurrentJobInfo, TUVASRV_ParseJobLogInfo, TUVASRV_ParseFaxLogInfo}) {
        EXPECT_EQ(parse(&device, 0, 0, &entry, 1, &n, service.record()), NETROV_BAD_ARGUMENT);
    }
    EXPECT_EQ(agent.requestCount(), 0u);
}

// One record per set bit that the document names, in bit order; bit 0 is
// the most significant bit of the first byte.
TEST_F(JobQueries, CapabilityBitsGiveOneRecordPerNamedItem)
{
    struct Case {
        const char* name;
        AgentValue value;
        uint32_t bits;
        std::vector<int32_t> reported;
    };
    const Case cases[] = {
        {"one byte", AgentValue::octets(Bytes{0xA0}), 0xA0000000u, {0, 2}},
        {"named and unnamed bits", AgentValue::octets(Bytes{0xF0, 0x00, 0x00, 0x01}), 0xF0000001u, {0, 1, 2, 3}},
        {"only the first four bytes count", AgentValue::octets(Bytes{0x00, 0x00, 0x00, 0x00, 0xFF}), 0, {}},
        {"two bytes fill the upper half", AgentValue::octets(Bytes{0x10, 0x80}), 0x10800000u, {3}},
        {"not an octet string", AgentValue::integer(-1), 0, {}},
    };
    const char* texts[] = {"Standard (200 x 100 dpi)", "Fine (200 x 200 dpi)", "Super fine (400 x 400 dpi)",
                           "Ultra fine (600 x 600 dpi)"};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        agent.setObject(kSendReso, c.value);
        FaxCapabilityEntry records[40];
        int32_t n = -1;
        ASSERT_EQ(TUVASRV_GetDevFaxSendReso(&device, 0, 0, records, 40, &n, service.record()), NETROV_OK);
        ASSERT_EQ(n, static_cast<int32_t>(c.reported.size()));
        for (size_t i = 0; i < c.reported.size(); ++i) {
            EXPECT_EQ(records[i].valid, 1);
            EXPECT_EQ(records[i].bits, c.bits);
            EXPECT_EQ(records[i].bitNumber, c.reported[i]);
            EXPECT_STREQ(records[i].text, texts[c.reported[i]]);
        }
    }
}

TEST_F(JobQueries, CompressionSkipsAColourModeTheDeviceCannotAnswer)
{
    agent.setObject(kSendCompMono, AgentValue::octets(Bytes{0x20}));    // MMR
    agent.setObject(kSendCompColour, AgentValue::octets(Bytes{0x08}));  // JPEG
    FaxCompressionEntry records[4];
    int32_t n = 0;
    ASSERT_EQ(TUVASRV_GetDevFaxSendComp(&device, 0, 0, records, 4, &n, service.record()), NETROV_OK);
    ASSERT_EQ(n, 2);
    EXPECT_EQ(records[0].colourMode, 1);
    EXPECT_STREQ(records[0].text, "MMR");
    EXPECT_EQ(records[0].bitNumber, 2);
    EXPECT_EQ(records[1].colourMode, 3);
    EXPECT_EQ(records[1].colourModeValid, 1);
    EXPECT_STREQ(records[1].text, "JPEG");
    EXPECT_EQ(agent.requestCount(), 3u);

    // A device that answers none of the three is reported as silent, not as
    // one without compression methods.
    agent.setSilent(true);
    EXPECT_EQ(TUVASRV_GetDevFaxSendComp(&device, 0, 0, records, 4, &n, service.record()), NETROV_NO_REPLY);
    EXPECT_EQ(n, 0);
}
