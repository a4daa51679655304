// Switching a device's traps on and cancelling or continuing its current job from the command line.
#include "trap_job.h"

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include <netrov/device_records.h>
#include <netrov/result_codes.h>
#include <netrov/tuva.h>

#include "device_session.h"
#include "exit_codes.h"
#include "report.h"
#include "result_text.h"
#include "search_settings.h"

namespace netrov::cli {

int runSetCommand(SetCommand command, uint32_t address, const std::string& community, int32_t timeOut, bool json,
                  std::ostream& out, std::ostream& err)
{
    Session session;
    OpenedDevice opened = session.open(address, community, timeOut);
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
    if (json)
        out << dumpJson(nlohmann::json{{"ipAddress", addressText}, {"model", model}, {"done", done}}) << "\n";
    else
        out << addressText << ": " << done << "\n";
    return kExitOk;
}

}  // namespace netrov::cli
