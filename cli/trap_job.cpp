// Switching a device's traps on and cancelling or continuing its current job from the command line.
#include "trap_job.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include <netrov/device_records.h>
#include <netrov/result_codes.h>
#include <netrov/tuva.h>

#include "front_library.h"
#include "report.h"
#include "search_settings.h"

namespace netrov::cli {

std::string setFailureText(int32_t result)
{
    switch (result) {
    case NETROV_OK: return {};
    case NETROV_NO_REPLY: return "no answer";
    case NETROV_NOT_DEFINED: return "standard printers offer no such object; only a model's own support package can name one";
    case NETROV_NO_VALUE: return "the device refused the request";
    case NETROV_SET_UNCONFIRMED: return "the device did not confirm the value";
    case NETROV_NO_SERVICE: return "no support package serves the device";
    default: return "failed (result " + std::to_string(result) + ")";
    }
}

int runSetCommand(SetCommand command, uint32_t address, const std::string& community, int32_t timeOut, bool json,
                  std::ostream& out, std::ostream& err)
{
    DeviceIdentity device;
    std::memset(&device, 0, sizeof device);
    device.interfaceKind = NETROV_INTERFACE_NETWORK;
    device.transport = NETROV_TRANSPORT_SNMP;
    std::memcpy(device.community, community.c_str(), std::min(community.size(), sizeof device.community - 1));
    device.timeout = timeOut;
    core::storeAddress(address, device.address);
    const std::string addressText = core::addressToText(address);

    core::FrontLibrary& library = core::FrontLibrary::tuva();
    library.ensureInitialised();

    // The model name picks the support package whose definition names the objects.
    unsigned char scratch[NETROV_MODEL_NAME_RECORD_SIZE] = {};
    int32_t count = 0;
    const int32_t modelResult = library.access().getDevModelName(&device, 0, 0, scratch, 1, &count);
    device.modelName[sizeof device.modelName - 1] = '\0';
    if (modelResult == NETROV_NO_REPLY) {
        library.release();
        err << "netrov-cli: " << noAnswerText(addressText) << "\n";
        return 1;
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
        count = 0;
        const int32_t result = step.call(&device, 0, 0, nullptr, 0, &count);
        if (result != NETROV_OK) {
            library.release();
            err << "netrov-cli: " << step.name << " of " << addressText << ": "
                << (result == NETROV_NO_REPLY ? noAnswerText(addressText) : setFailureText(result)) << "\n";
            return 1;
        }
    }
    library.release();
    const std::string model = fieldText(device.modelName, sizeof device.modelName);
    if (json)
        out << dumpJson(nlohmann::json{{"ipAddress", addressText}, {"model", model}, {"done", done}}) << "\n";
    else
        out << addressText << ": " << done << "\n";
    return 0;
}

}  // namespace netrov::cli
