// Switching a device's traps on and cancelling or continuing its current job from the command line.
#include "trap_job.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include <netrov/device_records.h>
#include <netrov/job_records.h>
#include <netrov/result_codes.h>
#include <netrov/tuva.h>

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

CurrentJobs currentJobs(DeviceIdentity& device)
{
    CurrentJobs jobs;
    const core::QuerySchema* query = core::findQuery("GetCurrentJobNum");
    if (!query) return jobs;
    const core::QueryReading reading = core::readQuery(*query, device);
    jobs.result = reading.result;
    if (reading.result == NETROV_OK && reading.stored() > 0) {
        const auto* count = static_cast<const JobCount*>(reading.record(0));
        if (count->valid) jobs.count = count->count;
    }
    return jobs;
}

}  // namespace

int runSetCommand(SetCommand command, uint32_t address, const std::string& community, int32_t timeOut, bool json,
                  std::ostream& out, std::ostream& err, int32_t snmpVersion)
{
    Session session;
    OpenedDevice opened = session.open(address, community, timeOut, snmpVersion);
    const std::string addressText = core::addressToText(address);
    if (opened.modelResult == NETROV_NO_REPLY) {
        err << "netrov-cli: " << noAnswerText(addressText) << "\n";
        return kExitFailed;
    }

    struct Step {
        const char* name;
        decltype(&TUVA_SetDeviceTrap) call;
    };
    std::vector<Step> steps;
    const char* done = "";
    switch (command) {
    case SetCommand::TrapOn:
        steps = {{"device traps", TUVA_SetDeviceTrap}, {"job traps", TUVA_SetJobTrap}};
        done = "traps switched on";
        break;
    case SetCommand::JobCancel:
        steps = {{"job cancel", TUVA_SetJobCancel}};
        done = "job cancelled";
        break;
    case SetCommand::JobContinue:
        steps = {{"job continue", TUVA_SetJobContinue}};
        done = "job continued";
        break;
    }
    for (const Step& step : steps) {
        int32_t count = 0;
        const int32_t result = step.call(&opened.identity, 0, 0, nullptr, 0, &count);
        if (result != NETROV_OK) {
            err << "netrov-cli: " << step.name << " of " << addressText << ": "
                << (result == NETROV_NO_REPLY ? noAnswerText(addressText) : core::setResultWords(result)) << "\n";
            return kExitFailed;
        }
    }
    const std::string& model = opened.model;
    nlohmann::json document{{"ipAddress", addressText}, {"model", model}, {"done", done}};
    std::string line = addressText + ": " + done;
    if (command == SetCommand::TrapOn) {
        // The device confirmed each switch in its reply to the Set; no query reads the switches back.
        line += " (the device confirmed both switches)";
    } else {
        // What the job queries report afterwards, not what was asked for.
        const CurrentJobs jobs = currentJobs(opened.identity);
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
