// trap on, job cancel and job continue through the front library they are handed.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include <netrov/job_records.h>
#include <netrov/result_codes.h>

#include "exit_codes.h"
#include "front_library.h"
#include "record_schema.h"
#include "trap_job.h"

namespace netrov::cli {
namespace {

// An access that answers every model read and records the Set requests;
// failing names the one request that fails.
core::DeviceAccess recordingAccess(std::vector<std::string>& sent, const std::string& failing, int32_t jobs)
{
    core::DeviceAccess access;
    access.getDevModelName = [](DeviceIdentity* device, intptr_t, intptr_t, void*, int32_t, int32_t* count) {
        std::strcpy(device->modelName, "Tarnwell ML-210");
        *count = 1;
        return NETROV_OK;
    };
    const auto set = [&sent, failing](const char* name) {
        return [&sent, failing, name](DeviceIdentity*, intptr_t, intptr_t, void*, int32_t, int32_t*) {
            sent.emplace_back(name);
            return failing == name ? NETROV_NO_VALUE : NETROV_OK;
        };
    };
    access.setDeviceTrap = set("device trap");
    access.setJobTrap = set("job trap");
    access.setJobCancel = set("job cancel");
    access.setJobContinue = set("job continue");
    access.described = [jobs](const core::QuerySchema& query, DeviceIdentity*, intptr_t, intptr_t, void* records,
                              int32_t capacity, int32_t* count) {
        if (std::string(query.name) != "GetCurrentJobNum" || capacity < 1) return NETROV_NO_ENTRY_POINT;
        JobCount record{};
        record.valid = 1;
        record.count = jobs;
        std::memcpy(records, &record, sizeof record);
        *count = 1;
        return NETROV_OK;
    };
    return access;
}

TEST(SetCommands, EachSendsItsRequestsInOrderThroughTheLibraryItIsHanded)
{
    struct Case {
        SetCommand command;
        const char* failing;
        std::vector<std::string> sent;
        int exit;
        const char* said;
    };
    const Case cases[] = {
        {SetCommand::TrapOn, "", {"device trap", "job trap"}, kExitOk, "traps switched on"},
        {SetCommand::TrapOn, "device trap", {"device trap"}, kExitFailed, "device traps of 127.0.0.9"},
        {SetCommand::JobCancel, "", {"job cancel"}, kExitOk, "the device now reports no current jobs"},
        {SetCommand::JobContinue, "", {"job continue"}, kExitOk, "job continued"},
        {SetCommand::JobContinue, "job continue", {"job continue"}, kExitFailed, "job continue of 127.0.0.9"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.said));
        std::vector<std::string> sent;
        bool started = false;
        bool released = false;
        core::DeviceAccess access = recordingAccess(sent, c.failing, 0);
        access.init = [&started](DeviceIdentity*) {
            started = true;
            return NETROV_OK;
        };
        access.release = [&released] {
            released = true;
            return NETROV_OK;
        };
        core::FrontLibrary library(std::move(access));
        std::ostringstream out;
        std::ostringstream err;
        EXPECT_EQ(runSetCommand(library, c.command, core::ipv4Address(0x7F000009u), "tarpon", 1, false, out, err), c.exit);
        EXPECT_EQ(sent, c.sent);
        EXPECT_NE((out.str() + err.str()).find(c.said), std::string::npos) << out.str() << err.str();
        EXPECT_TRUE(started);
        EXPECT_TRUE(released);
    }
}

}  // namespace
}  // namespace netrov::cli
