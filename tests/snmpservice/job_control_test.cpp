// Trap switches, job continue and job cancel against the in-process fake agent.
#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "entry_points.h"
#include "fake_agent.h"
#include "framework.h"
#include "netrov/result_codes.h"
#include "service_fixture.h"

using namespace netrov::test;
using namespace netrov::tessel;

namespace {

struct SetOperation {
    const char* name;
    TuvaServiceFn call;
    const char* key;
    const char* object;  // where the test document points the key
    int32_t value;
};

const SetOperation kOperations[] = {
    {"SetDeviceTrap", TUVASRV_SetDeviceTrap, "SETDEVICETRAP_SWITCH", "1.3.6.1.4.1.32473.8.1.0", 3},
    {"SetJobTrap", TUVASRV_SetJobTrap, "SETJOBTRAP_SWITCH", "1.3.6.1.4.1.32473.8.2.0", 3},
    {"SetJobContinue", TUVASRV_SetJobContinue, "SETJOBCONTINUE_VAL", "1.3.6.1.4.1.32473.8.3.1", 3},
    {"SetJobCancel", TUVASRV_SetJobCancel, "SETJOBCANCEL_VAL", "1.3.6.1.4.1.32473.8.4.1", 5},
};

void PrintTo(const SetOperation& op, std::ostream* os) { *os << op.name; }

// Every operation's object defined, apart from the one named.
std::string definitions(const char* without = nullptr)
{
    std::string body;
    for (const SetOperation& op : kOperations) {
        if (without && strcmp(op.key, without) == 0) continue;
        body += std::string("<oid def=\"") + op.key + "\">" + op.object + "</oid>\n";
    }
    return document(body);
}

class SetRequest : public ::testing::TestWithParam<SetOperation> {
protected:
    void SetUp() override
    {
        if (!agent.ok()) GTEST_SKIP() << "fake agent: " << agent.error();
        device = snmpDevice(agent.addressValue(), "private");
    }
    int32_t run(ServiceRecord* service) { return GetParam().call(&device, 0, 0, nullptr, 0, nullptr, service); }
    // Answers every request with the given bindings and error status.
    void answerWith(int32_t errorStatus, std::vector<AgentBinding> bindings)
    {
        agent.setHandler([=](const AgentRequest& r) -> std::vector<AgentReply> {
            return {AgentReply{FakeAgent::encodeResponse(r.requestId, r.community, errorStatus,
                                                         errorStatus ? 1 : 0, bindings)}};
        });
    }

    FakeAgent agent;
    DeviceIdentity device{};
};

}  // namespace

TEST_P(SetRequest, WritesTheFixedIntegerToTheDefinedObject)
{
    const SetOperation& op = GetParam();
    Service service(definitions());
    ASSERT_TRUE(service.loaded());
    agent.setObject(op.object, AgentValue::integer(1));

    // Arguments 2 to 6 are not the operation's: nothing is read or written there.
    std::vector<uint8_t> records(64, 0x5A);
    int32_t count = 77;
    EXPECT_EQ(op.call(&device, 0x1234, -1, records.data(), 8, &count, service.record()), NETROV_OK);
    EXPECT_EQ(count, 77);
    for (uint8_t b : records) ASSERT_EQ(b, 0x5A);

    ASSERT_EQ(agent.requestCount(), 1u);
    const AgentRequest request = agent.requests()[0];
    ASSERT_TRUE(request.decoded);
    EXPECT_EQ(request.pduType, 0xA3);
    EXPECT_EQ(request.community, "private");
    ASSERT_EQ(request.bindings.size(), 1u);
    EXPECT_EQ(request.bindings[0].oid, op.object);
    EXPECT_EQ(request.bindings[0].value, AgentValue::integer(op.value));
    // The value is the last thing in the datagram: INTEGER, one content byte.
    ASSERT_GE(request.bytes.size(), 3u);
    const std::vector<uint8_t> tail(request.bytes.end() - 3, request.bytes.end());
    EXPECT_EQ(tail, (std::vector<uint8_t>{0x02, 0x01, static_cast<uint8_t>(op.value)}));
    EXPECT_EQ(agent.object(op.object), AgentValue::integer(op.value));
}

TEST_P(SetRequest, RefusalsAndUnusableRepliesGive11)
{
    const SetOperation& op = GetParam();
    Service service(definitions());
    agent.setObject(op.object, AgentValue::integer(1));

    agent.setErrorStatus(4);  // readOnly
    EXPECT_EQ(run(service.record()), NETROV_NO_VALUE);
    agent.setErrorStatus(0);

    // A NULL value is no usable value at all.
    answerWith(0, {{op.object, AgentValue::null()}});
    EXPECT_EQ(run(service.record()), NETROV_NO_VALUE);
    // An identifier outside the defined object.
    answerWith(0, {{"1.3.6.1.4.1.32473.9.1.0", AgentValue::integer(op.value)}});
    EXPECT_EQ(run(service.record()), NETROV_NO_VALUE);
    // A reply without any binding.
    answerWith(0, {});
    EXPECT_EQ(run(service.record()), NETROV_NO_VALUE);
    EXPECT_EQ(agent.requestCount(), 4u);
}

TEST_P(SetRequest, TheConfirmedValueReachesACallerThatAsks)
{
    const SetOperation& op = GetParam();
    Service service(definitions());
    answerWith(0, {{op.object, AgentValue::integer(4)}});
    int32_t confirmed = -1;
    EXPECT_EQ(op.call(&device, reinterpret_cast<intptr_t>(&confirmed), 0, nullptr, 0, nullptr, service.record()), 0);
    EXPECT_EQ(confirmed, 4);  // the device's answer, not the value written
    answerWith(2, {{op.object, AgentValue::integer(4)}});
    confirmed = -1;
    EXPECT_EQ(op.call(&device, reinterpret_cast<intptr_t>(&confirmed), 0, nullptr, 0, nullptr, service.record()), 11);
    EXPECT_EQ(confirmed, -1);  // nothing confirmed, nothing written
}

TEST_P(SetRequest, ReplyWithoutAnIntegerValueGives101)
{
    const SetOperation& op = GetParam();
    Service service(definitions());
    answerWith(0, {{op.object, AgentValue::octets("3")}});
    EXPECT_EQ(run(service.record()), NETROV_SET_UNCONFIRMED);
    answerWith(0, {{op.object, AgentValue::gauge(static_cast<uint32_t>(op.value))}});
    EXPECT_EQ(run(service.record()), NETROV_SET_UNCONFIRMED);
    answerWith(0, {{op.object, AgentValue::ipAddress("127.0.0.1")}});
    EXPECT_EQ(run(service.record()), NETROV_SET_UNCONFIRMED);
    // Any INTEGER the device echoes confirms: the device decides what it made of the write.
    answerWith(0, {{op.object, AgentValue::integer(0)}});
    EXPECT_EQ(run(service.record()), NETROV_OK);
    EXPECT_EQ(agent.requestCount(), 4u);
}

TEST_P(SetRequest, MissingDefinitionGives8AndSendsNothing)
{
    const SetOperation& op = GetParam();
    Service others(definitions(op.key));
    ASSERT_TRUE(others.loaded());
    EXPECT_EQ(run(others.record()), NETROV_NOT_DEFINED);
    // A text that is no identifier defines nothing either.
    Service garbage(document(std::string("<oid def=\"") + op.key + "\">not.an.oid</oid>"));
    EXPECT_EQ(run(garbage.record()), NETROV_NOT_DEFINED);
    // The standard package has no standard object for these switches.
    Service standard(Service::FromFile{}, Service::standardDefinition());
    ASSERT_TRUE(standard.loaded());
    EXPECT_EQ(run(standard.record()), NETROV_NOT_DEFINED);
    EXPECT_EQ(agent.requestCount(), 0u);
}

TEST_P(SetRequest, ServiceRecordAndTransportAreCheckedFirst)
{
    Service service(definitions());
    int32_t count = 77;
    EXPECT_EQ(GetParam().call(&device, 0, 0, nullptr, 0, &count, nullptr), NETROV_BAD_ARGUMENT);
    EXPECT_EQ(GetParam().call(nullptr, 0, 0, nullptr, 0, &count, service.record()), NETROV_BAD_ARGUMENT);
    for (int32_t transport : {NETROV_TRANSPORT_LPT, NETROV_TRANSPORT_USB, NETROV_TRANSPORT_ALL, 0}) {
        device.transport = transport;
        EXPECT_EQ(run(service.record()), NETROV_NOT_SNMP) << transport;
    }
    EXPECT_EQ(count, 77);
    EXPECT_EQ(agent.requestCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(AllSets, SetRequest, ::testing::ValuesIn(kOperations),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SetRequestTimeout, SilentDeviceGives100)
{
    FakeAgent agent;
    if (!agent.ok()) GTEST_SKIP() << "fake agent: " << agent.error();
    agent.setSilent(true);
    Service service(definitions());
    DeviceIdentity device = snmpDevice(agent.addressValue(), "public", 1);
    EXPECT_EQ(TUVASRV_SetJobCancel(&device, 0, 0, nullptr, 0, nullptr, service.record()), NETROV_NO_REPLY);
    EXPECT_GE(agent.requestCount(), 1u);
}
