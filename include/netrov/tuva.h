/* tuva: the front library through which programs reach every device. */
#ifndef NETROV_TUVA_H
#define NETROV_TUVA_H

#include <stddef.h>
#include <stdint.h>

#include "device_identity.h"
#include "export.h"
#include "result_codes.h"

#ifdef TUVA_BUILD
#  define TUVA_API NETROV_EXTERN_C NETROV_EXPORT
#else
#  define TUVA_API NETROV_EXTERN_C NETROV_IMPORT
#endif

/* One supported model of an installed support package. */
typedef struct TUVA_SUPPORT_MODEL {
    int32_t reserved;
    uint8_t textPresent;
    char text[256];            /* display text of the model */
    uint8_t versionPresent;
    char version[18];          /* package version, at most 17 characters */
} TUVA_SUPPORT_MODEL;

NETROV_STATIC_ASSERT(sizeof(TUVA_SUPPORT_MODEL) == 280, "TUVA_SUPPORT_MODEL size");
NETROV_STATIC_ASSERT(offsetof(TUVA_SUPPORT_MODEL, textPresent) == 4, "textPresent");
NETROV_STATIC_ASSERT(offsetof(TUVA_SUPPORT_MODEL, text) == 5, "text");
NETROV_STATIC_ASSERT(offsetof(TUVA_SUPPORT_MODEL, versionPresent) == 261, "versionPresent");
NETROV_STATIC_ASSERT(offsetof(TUVA_SUPPORT_MODEL, version) == 262, "version");

/* Start-up and release. TUVA_Init and TUVA_Free must not overlap queries.
   filter may be null. TUVA_Init makes the library's directory the process's
   current directory. */
/* 1 */ TUVA_API int32_t NETROV_CALL TUVA_Init(DeviceIdentity* filter) NETROV_NOEXCEPT;
/* 2 */ TUVA_API int32_t NETROV_CDECL TUVA_Free(void) NETROV_NOEXCEPT;

/* Package questions, answered from the loaded support packages. */
/* 3 */ TUVA_API int32_t NETROV_CALL TUVA_SupportModel(TUVA_SUPPORT_MODEL* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 4 */ TUVA_API int32_t NETROV_CALL TUVA_GetModelNameFromSysOID(const char* sysObjectId, char* buffer, int32_t size) NETROV_NOEXCEPT;
/* 5 */ TUVA_API int32_t NETROV_CALL TUVA_IsDeviceTrap(const DeviceIdentity* device, const char* trapId) NETROV_NOEXCEPT;
/* 6 */ TUVA_API int32_t NETROV_CALL TUVA_IsJobTrap(const DeviceIdentity* device, const char* trapId) NETROV_NOEXCEPT;
/* 7 */ TUVA_API int32_t NETROV_CALL TUVA_IsFaxTrap(const DeviceIdentity* device, const char* trapId) NETROV_NOEXCEPT;
/* 70 */ TUVA_API const char* NETROV_CALL TUVA_Vigil_Help(const DeviceIdentity* device) NETROV_NOEXCEPT;
/* 72 */ TUVA_API int32_t NETROV_CALL TUVA_Vigil_IsShowDevicePage(const DeviceIdentity* device) NETROV_NOEXCEPT;
/* 73 */ TUVA_API int32_t NETROV_CALL TUVA_Vigil_IsShowNetworkPage(const DeviceIdentity* device) NETROV_NOEXCEPT;
/* 74 */ TUVA_API int32_t NETROV_CALL TUVA_Vigil_IsShowLinksPage(const DeviceIdentity* device) NETROV_NOEXCEPT;

/* Forwarded queries: each calls the TUVASRV_ entry point of the same name in
   the service that serves the device's model and transport, and returns its
   result, or NETROV_NO_SERVICE, NETROV_NO_LIBRARY, NETROV_NO_ENTRY_POINT.
   The output records belong to the caller. A count above capacity says how
   many records there were. */
/* 8 */ TUVA_API int32_t NETROV_CALL TUVA_SearchDevice(DeviceIdentity* filter, intptr_t option1, intptr_t option2, DeviceIdentity* found, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 9 */ TUVA_API int32_t NETROV_CALL TUVA_GetDevStatus(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 10 */ TUVA_API int32_t NETROV_CALL TUVA_GetDevInfo(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 11 */ TUVA_API int32_t NETROV_CALL TUVA_GetDevToner(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 12 */ TUVA_API int32_t NETROV_CALL TUVA_GetDevTray(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 13 */ TUVA_API int32_t NETROV_CALL TUVA_GetDevMemory(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 14 */ TUVA_API int32_t NETROV_CALL TUVA_GetDevHdd(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 15 */ TUVA_API int32_t NETROV_CALL TUVA_GetDevDispMsg(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 16 */ TUVA_API int32_t NETROV_CALL TUVA_GetDevADU(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 17 */ TUVA_API int32_t NETROV_CALL TUVA_GetDevSpeed(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 18 */ TUVA_API int32_t NETROV_CALL TUVA_GetDevMarker(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 19 */ TUVA_API int32_t NETROV_CALL TUVA_GetDevSupplies(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 20 */ TUVA_API int32_t NETROV_CALL TUVA_GetDevVersion(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 21 */ TUVA_API int32_t NETROV_CALL TUVA_GetDevCounter(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 22 */ TUVA_API int32_t NETROV_CALL TUVA_GetDevColorCalib(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 23 */ TUVA_API int32_t NETROV_CALL TUVA_GetDevLang(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 24 */ TUVA_API int32_t NETROV_CALL TUVA_GetDevInterpreter(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 25 */ TUVA_API int32_t NETROV_CALL TUVA_GetDevImageArea(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 26 */ TUVA_API int32_t NETROV_CALL TUVA_GetDevSerial(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 27 */ TUVA_API int32_t NETROV_CALL TUVA_GetDevPowerSave(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 28 */ TUVA_API int32_t NETROV_CALL TUVA_GetDevOrientation(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 29 */ TUVA_API int32_t NETROV_CALL TUVA_GetDevWideA4(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 30 */ TUVA_API int32_t NETROV_CALL TUVA_GetDevCopies(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 31 */ TUVA_API int32_t NETROV_CALL TUVA_GetDevFormLines(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 32 */ TUVA_API int32_t NETROV_CALL TUVA_GetDevTonerSave(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 33 */ TUVA_API int32_t NETROV_CALL TUVA_GetDevOption1(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 34 */ TUVA_API int32_t NETROV_CALL TUVA_GetDevOption2(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 35 */ TUVA_API int32_t NETROV_CALL TUVA_GetDevOption3(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 36 */ TUVA_API int32_t NETROV_CALL TUVA_GetDevOption4(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 37 */ TUVA_API int32_t NETROV_CALL TUVA_GetMsg(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 38 */ TUVA_API int32_t NETROV_CALL TUVA_GetDevNetInfo(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 39 */ TUVA_API int32_t NETROV_CALL TUVA_GetDevTCP(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 40 */ TUVA_API int32_t NETROV_CALL TUVA_GetDevNetWare(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 41 */ TUVA_API int32_t NETROV_CALL TUVA_GetDevSMB(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 42 */ TUVA_API int32_t NETROV_CALL TUVA_GetDevAppleTalk(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 43 */ TUVA_API int32_t NETROV_CALL TUVA_GetDevRendezvous(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 44 */ TUVA_API int32_t NETROV_CALL TUVA_GetDevFinInfo(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 45 */ TUVA_API int32_t NETROV_CALL TUVA_GetDevFaxChannel(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 46 */ TUVA_API int32_t NETROV_CALL TUVA_GetDevFaxSendSize(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 47 */ TUVA_API int32_t NETROV_CALL TUVA_GetDevFaxRecvSize(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 48 */ TUVA_API int32_t NETROV_CALL TUVA_GetDevFaxSendReso(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 49 */ TUVA_API int32_t NETROV_CALL TUVA_GetDevFaxRecvReso(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 50 */ TUVA_API int32_t NETROV_CALL TUVA_GetDevFaxSendComp(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 51 */ TUVA_API int32_t NETROV_CALL TUVA_GetDevFaxRecvComp(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 52 */ TUVA_API int32_t NETROV_CALL TUVA_GetDevScnODH(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 53 */ TUVA_API int32_t NETROV_CALL TUVA_GetDevScnSensor(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 54 */ TUVA_API int32_t NETROV_CALL TUVA_GetDevScnColSp(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 55 */ TUVA_API int32_t NETROV_CALL TUVA_GetDevScnImage(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 56 */ TUVA_API int32_t NETROV_CALL TUVA_GetDevSrvInfo(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 57 */ TUVA_API int32_t NETROV_CALL TUVA_GetCurrentJobNum(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 58 */ TUVA_API int32_t NETROV_CALL TUVA_GetJobLogNum(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 59 */ TUVA_API int32_t NETROV_CALL TUVA_GetFaxLogNum(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 60 */ TUVA_API int32_t NETROV_CALL TUVA_GetCurrentJobInfo(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 61 */ TUVA_API int32_t NETROV_CALL TUVA_GetJobLogInfo(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 62 */ TUVA_API int32_t NETROV_CALL TUVA_GetFaxLogInfo(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 63 */ TUVA_API int32_t NETROV_CALL TUVA_ParseCurrentJobInfo(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 64 */ TUVA_API int32_t NETROV_CALL TUVA_ParseJobLogInfo(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 65 */ TUVA_API int32_t NETROV_CALL TUVA_ParseFaxLogInfo(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 66 */ TUVA_API int32_t NETROV_CALL TUVA_SetDeviceTrap(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 67 */ TUVA_API int32_t NETROV_CALL TUVA_SetJobTrap(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 68 */ TUVA_API int32_t NETROV_CALL TUVA_SetJobContinue(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 69 */ TUVA_API int32_t NETROV_CALL TUVA_SetJobCancel(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 71 */ TUVA_API int32_t NETROV_CALL TUVA_GetDevTonerCap(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 75 */ TUVA_API int32_t NETROV_CALL TUVA_GetDevModelName(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 76 */ TUVA_API int32_t NETROV_CALL TUVA_GetDevTCPOpt(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 77 */ TUVA_API int32_t NETROV_CALL TUVA_GetDevTCPIPv6(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 78 */ TUVA_API int32_t NETROV_CALL TUVA_GetDevErrorState(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 79 */ TUVA_API int32_t NETROV_CALL TUVA_GetDevAlerts(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;
/* 80 */ TUVA_API int32_t NETROV_CALL TUVA_GetDevSupplyIndex(DeviceIdentity* device, intptr_t option1, intptr_t option2, void* records, int32_t capacity, int32_t* count) NETROV_NOEXCEPT;

#endif
