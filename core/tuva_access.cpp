// The front library instance over the real TUVA_ exports.
#include <netrov/tuva.h>

#include "front_library.h"
#include "record_schema.h"

namespace netrov::core {

FrontLibrary& FrontLibrary::tuva()
{
    static FrontLibrary instance(DeviceAccess{
        TUVA_Init,
        TUVA_Free,
        TUVA_SearchDevice,
        TUVA_GetDevInfo,
        TUVA_GetDevStatus,
        TUVA_GetDevModelName,
        TUVA_SetDeviceTrap,
        TUVA_SetJobTrap,
        TUVA_SetJobCancel,
        TUVA_SetJobContinue,
        TUVA_GetMsg,
        [](const QuerySchema& query, DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records,
           int32_t capacity, int32_t* count) {
            return query.function(device, option1, option2, records, capacity, count);
        },
    });
    return instance;
}

}  // namespace netrov::core
