// The front library instance over the real TUVA_ exports.
#include <netrov/tuva.h>

#include "front_library.h"

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
        TUVA_GetMsg,
    });
    return instance;
}

}  // namespace netrov::core
