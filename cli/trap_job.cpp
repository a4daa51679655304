// Switching a device's traps on and cancelling or continuing its current job from the command line.
#include "trap_job.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include <netrov/device_records.h>
#include <netrov/job_records.h>
#include <netrov/result_codes.h>

#include "device_session.h"
#include "exit_codes.h"
#include "query_reading.h"
#include "record_schema.h"
#include "report.h"
#include "result_text.h"
#include "search_settings.h"

namespace netrov::cli {

namespace {

// What the device reports about its current jobs, through the jobs query.
struct CurrentJobs {
    int32_t result = NETROV_NO_ENTRY_POINT;
    std::optional<int32_t> count;
};

CurrentJobs currentJobs(const core::DeviceAccess& access, DeviceIdentity& device)
{
    CurrentJobs jobs;
    const core::QuerySchema* query = core::findQuery("GetCurrentJobNum");
    if (!query) return jobs;
    const core::QueryReading reading = core::readQuery(access, *query, device);
    jobs.result = reading.result;
    if (reading.result == NETROV_OK && reading.stored() > 0) {
        const auto* count = static_cast<const JobCount*>(reading.record(0));
        if (count->valid) jobs.count = count->count;
    }
    return jobs;
}

// One Set request of a command, by the access entry that sends it.
struct SetStep {
    const char* name;
    core::DeviceAccess::Query core::DeviceAccess::*call;
};

// What each command sends, in order, and what it says when all went through.
struct SetPlan {
    SetCommand command;
    const char* done;
    std::array<SetStep, 2> steps;  // a null call ends the list
};

constexpr SetPlan kSetPlans[] = {
    {SetCommand::TrapOn, "traps switched on",
     {{{"device traps", &core::DeviceAccess::setDeviceTrap}, {"job traps", &core::DeviceAccess::setJobTrap}}}},
    {SetCommand::JobCancel, "job cancelled", {{{"job cancel", &core::DeviceAccess::setJobCancel}, {}}}},
    {SetCommand::JobContinue, "job continued", {{{"job continue", &core::DeviceAccess::setJobContinue}, {}}}},
};

}  // namespace

int runSetCommand(core::FrontLibrary& library, SetCommand command, const core::NetAddress& address, const std::string& community,
                  int32_t timeOut, bool json, std::ostream& out, std::ostream& err, int32_t snmpVersion)
{
    Session session(library);
    OpenedDevice opened = session.open(address, community, timeOut, snmpVersion);
    const std::string addressText = core::netAddressText(address);
    if (opened.modelResult == NETROV_NO_REPLY) {
        err << "netrov-cli: " << noAnswerText(addressText) << "\n";
        return kExitFailed;
    }

    const core::DeviceAccess& access = session.library().access();
    const SetPlan& plan = *std::find_if(std::begin(kSetPlans), std::end(kSetPlans),
                                        [command](const SetPlan& p) { return p.command == command; });
    for (const SetStep& step : plan.steps) {
        if (step.call == nullptr) break;
        const core::DeviceAccess::Query& call = access.*step.call;
        int32_t count = 0;
        const int32_t result = call ? call(&opened.identity, 0, 0, nullptr, 0, &count) : NETROV_NO_ENTRY_POINT;
        if (result != NETROV_OK) {
            err << "netrov-cli: " << step.name << " of " << addressText << ": "
                << (result == NETROV_NO_REPLY ? noAnswerText(addressText) : core::setResultWords(result)) << "\n";
            return kExitFailed;
        }
    }
    const char* done = plan.done;
    const std::string& model = opened.model;
    nlohmann::json document{{"ipAddress", addressText}, {"model", model}, {"done", done}};
    std::string line = addressText + ": " + done;
    if (command == SetCommand::TrapOn) {
        // The device confirmed each switch in its reply to the Set; no query reads the switches back.
        line += " (the device confirmed both switches)";
    } else {
        // What the job queries report afterwards, not what was asked for.
        const CurrentJobs jobs = currentJobs(access, opened.identity);
        document["currentJobs"] = jobs.count ? nlohmann::json(*jobs.count) : nlohmann::json();
        if (jobs.count) {
            line += "; the device now reports " +
                    countText(static_cast<size_t>(std::max(*jobs.count, 0)), "current job", "current jobs");
        } else {
            line += std::string("; current jobs afterwards: ") +
                    (jobs.result == NETROV_OK ? "not reported by this device" : core::resultWords(jobs.result));
        }
    }
    if (json)
        out << dumpJson(document) << "\n";
    else
        out << line << "\n";
    return kExitOk;
}

}  // namespace netrov::cli
