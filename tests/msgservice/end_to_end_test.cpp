// A simulated printer with a paper jam and an open door: its alerts through
// tuva's status and message queries, and netrov-cli status with messages.
#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "alert_messages.h"
#include "front_library.h"
#include "netrov/message_records.h"
#include "netrov/result_codes.h"
#include "netrov/tuva.h"
#include "run_program.h"
#include "snmpsim_runner.h"

using namespace netrov;
using namespace netrov::test;

namespace {

constexpr const char* kAddress = "127.0.46.1";
const std::filesystem::path kProgramDir = NETROV_OUTPUT_DIR;

// What the standard package says about the walk's two alerts: a jam in the
// media path (8, group 13) and an open cover (3, group 6).
const struct {
    int32_t code;
    const char* status;
    const char* hintStart;
    const char* image;
} kJamDoor[] = {
    {8, "Paper jam inside the printer", "Open the front cover", "other/alert_jam.jpg"},
    {3, "A cover is open", "Close all covers", "other/alert_door_open.jpg"},
};

class JamDoor : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        simulator_ = std::make_unique<SnmpSimRunner>(
            std::vector<std::string>{std::string(NETROV_SOURCE_DIR) + "/tests/devices/jam_door.snmprec"},
            std::vector<std::string>{kAddress});
    }
    static void TearDownTestSuite() { simulator_.reset(); }
    void SetUp() override
    {
        if (!std::filesystem::exists(kProgramDir / "libmirrel.so") || !std::filesystem::exists(kProgramDir / "other/support.ini"))
            GTEST_SKIP() << "the message service or its package is not in " << kProgramDir;
        if (!simulator_->ready()) GTEST_SKIP() << simulator_->whyNot();
    }

    static DeviceIdentity request()
    {
        DeviceIdentity d;
        std::memset(&d, 0, sizeof d);
        d.transport = NETROV_TRANSPORT_SNMP;
        std::strcpy(d.community, "jam_door");
        d.timeout = 2;
        inet_pton(AF_INET, kAddress, d.address);
        return d;
    }

    static std::unique_ptr<SnmpSimRunner> simulator_;
};

std::unique_ptr<SnmpSimRunner> JamDoor::simulator_;

// Initialises the front library for one test and restores the current
// directory, which its start-up changes, afterwards.
class Tuva {
public:
    Tuva() { TUVA_Init(nullptr); }
    ~Tuva()
    {
        TUVA_Free();
        std::filesystem::current_path(before_);
    }

private:
    std::filesystem::path before_ = std::filesystem::current_path();
};

}  // namespace

TEST_F(JamDoor, AlertsComeBackAsTextsAndImagePathsThroughTuva)
{
    Tuva tuva;
    DeviceIdentity search = request();
    DeviceIdentity device;
    int32_t count = 0;
    ASSERT_EQ(TUVA_SearchDevice(&search, 0, 0, &device, 1, &count), NETROV_OK);
    ASSERT_EQ(count, 1);
    DeviceStatus status[4];
    ASSERT_EQ(TUVA_GetDevStatus(&device, 0, 0, status, 4, &count), NETROV_OK);
    ASSERT_EQ(count, 2);

    // The device's own package answers for its messages, through transport 1.
    DeviceIdentity messageDevice = device;
    messageDevice.transport = NETROV_TRANSPORT_MSG;
    MessageRequest messageRequest;
    std::memset(&messageRequest, 0, sizeof messageRequest);
    messageRequest.alerts = status;
    MessageRecord records[2];
    int32_t messages = 0;
    ASSERT_EQ(TUVA_GetMsg(&messageDevice, reinterpret_cast<intptr_t>(&messageRequest), 2, records, 2, &messages),
              NETROV_OK);
    ASSERT_EQ(messages, 2);
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(kJamDoor[i].code);
        EXPECT_EQ(status[i].alertCode, kJamDoor[i].code);
        EXPECT_STREQ(records[i].status, kJamDoor[i].status);
        EXPECT_EQ(std::string(records[i].recovery).rfind(kJamDoor[i].hintStart, 0), 0u) << records[i].recovery;
        // The image folder arrives as a full path: the library no longer moves the
        // current directory to its own.
        EXPECT_EQ(std::string(records[i].imagePath), (kProgramDir / kJamDoor[i].image).string());
        EXPECT_TRUE(std::filesystem::exists(kProgramDir / records[i].imagePath));
    }

    // The application core's helper: the same texts, pictures as absolute paths.
    const auto fromCore = core::alertMessages(core::FrontLibrary::tuva().access(), device, {status, 2});
    ASSERT_EQ(fromCore.size(), 2u);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(fromCore[i].message, kJamDoor[i].status);
        EXPECT_EQ(std::filesystem::path(fromCore[i].image), kProgramDir / kJamDoor[i].image);
    }

    // The SNMP transport does not serve messages.
    EXPECT_EQ(TUVA_GetMsg(&device, reinterpret_cast<intptr_t>(&messageRequest), 2, records, 2, &messages),
              NETROV_NO_ENTRY_POINT);
}

TEST_F(JamDoor, CliStatusShowsEachAlertWithMessageHintAndPicture)
{
    const std::string cli = (kProgramDir / "netrov-cli").string();
    const ProgramResult json = runProgram({cli, "status", kAddress, "--community", "jam_door", "--timeout", "2", "--json"});
    ASSERT_EQ(json.status, 0) << json.err;
    const auto out = nlohmann::json::parse(json.out);
    ASSERT_EQ(out["records"].size(), 2u) << json.out;
    for (int i = 0; i < 2; ++i) {
        const auto& alert = out["records"][static_cast<size_t>(i)];
        EXPECT_EQ(alert["alertCode"], kJamDoor[i].code);
        EXPECT_EQ(alert["message"], kJamDoor[i].status);
        EXPECT_EQ(alert["hint"].get<std::string>().rfind(kJamDoor[i].hintStart, 0), 0u) << alert["hint"];
        EXPECT_EQ(std::filesystem::path(alert["image"].get<std::string>()), kProgramDir / kJamDoor[i].image);
    }

    const ProgramResult text = runProgram({cli, "status", kAddress, "--community", "jam_door", "--timeout", "2"});
    ASSERT_EQ(text.status, 0) << text.err;
    for (const auto& alert : kJamDoor) {
        EXPECT_NE(text.out.find(std::string("    ") + alert.status + "\n    " + alert.hintStart), std::string::npos)
            << text.out;
        EXPECT_NE(text.out.find(alert.image), std::string::npos) << text.out;
    }
}
