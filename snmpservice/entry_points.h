// Declarations of the service's exported entry points; the front library
// binds them by name with the TuvaServiceFn signature.
#pragma once

#include "netrov/device_identity.h"
#include "netrov/consumable_records.h"
#include "netrov/device_records.h"
#include "netrov/network_records.h"
#include "netrov/service_record.h"

#ifdef TESSEL_BUILD
#  define TESSEL_API NETROV_EXTERN_C NETROV_EXPORT
#else
#  define TESSEL_API NETROV_EXTERN_C NETROV_IMPORT
#endif

/* Finds devices at an address or broadcast address: records are
   DeviceIdentity (1296 bytes each). */
TESSEL_API int32_t NETROV_CALL TUVASRV_SearchDevice(DeviceIdentity* request, intptr_t option1, intptr_t option2,
                                                    DeviceIdentity* records, int32_t capacity, int32_t* count,
                                                    ServiceRecord* service) NETROV_NOEXCEPT;
/* Current alerts, one DeviceStatus each, or one record when there is none. */
TESSEL_API int32_t NETROV_CALL TUVASRV_GetDevStatus(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                                    void* records, int32_t capacity, int32_t* count,
                                                    ServiceRecord* service) NETROV_NOEXCEPT;
/* Device name, location and hardware address: at most one DeviceInfo. */
TESSEL_API int32_t NETROV_CALL TUVASRV_GetDevInfo(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                                  void* records, int32_t capacity, int32_t* count,
                                                  ServiceRecord* service) NETROV_NOEXCEPT;
/* Writes the model name into device->modelName; produces no records. */
TESSEL_API int32_t NETROV_CALL TUVASRV_GetDevModelName(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                                       void* records, int32_t capacity, int32_t* count,
                                                       ServiceRecord* service) NETROV_NOEXCEPT;
/* The Set operations write one fixed INTEGER to the object that the
   definition document names; they use only the device record (address,
   community, time-out) and the service record: records and count are ignored
   and left untouched. 0 when the device confirmed with an INTEGER value. */
/* Device notifications (traps) on: writes 3 to SETDEVICETRAP_SWITCH. */
TESSEL_API int32_t NETROV_CALL TUVASRV_SetDeviceTrap(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                                     void* records, int32_t capacity, int32_t* count,
                                                     ServiceRecord* service) NETROV_NOEXCEPT;
/* Job notifications (traps) on: writes 3 to SETJOBTRAP_SWITCH. */
TESSEL_API int32_t NETROV_CALL TUVASRV_SetJobTrap(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                                  void* records, int32_t capacity, int32_t* count,
                                                  ServiceRecord* service) NETROV_NOEXCEPT;
/* Continues the held job: writes 3 to SETJOBCONTINUE_VAL. */
TESSEL_API int32_t NETROV_CALL TUVASRV_SetJobContinue(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                                      void* records, int32_t capacity, int32_t* count,
                                                      ServiceRecord* service) NETROV_NOEXCEPT;
/* Cancels the current job: writes 5 to SETJOBCANCEL_VAL. */
TESSEL_API int32_t NETROV_CALL TUVASRV_SetJobCancel(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                                    void* records, int32_t capacity, int32_t* count,
                                                    ServiceRecord* service) NETROV_NOEXCEPT;
/* Toner and ink: one TonerEntry per supply the document counts as toner. */
TESSEL_API int32_t NETROV_CALL TUVASRV_GetDevToner(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                        void* records, int32_t capacity, int32_t* count,
                                        ServiceRecord* service) NETROV_NOEXCEPT;
/* Toner capacities the model offers: TonerCapEntry records. */
TESSEL_API int32_t NETROV_CALL TUVASRV_GetDevTonerCap(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                        void* records, int32_t capacity, int32_t* count,
                                        ServiceRecord* service) NETROV_NOEXCEPT;
/* The toner-save setting: at most one CodedSetting. */
TESSEL_API int32_t NETROV_CALL TUVASRV_GetDevTonerSave(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                        void* records, int32_t capacity, int32_t* count,
                                        ServiceRecord* service) NETROV_NOEXCEPT;
/* Supplies other than toner: one SupplyEntry each. */
TESSEL_API int32_t NETROV_CALL TUVASRV_GetDevSupplies(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                        void* records, int32_t capacity, int32_t* count,
                                        ServiceRecord* service) NETROV_NOEXCEPT;
/* The marking engine: at most one MarkerInfo. */
TESSEL_API int32_t NETROV_CALL TUVASRV_GetDevMarker(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                        void* records, int32_t capacity, int32_t* count,
                                        ServiceRecord* service) NETROV_NOEXCEPT;
/* Input trays: one TrayEntry each. */
TESSEL_API int32_t NETROV_CALL TUVASRV_GetDevTray(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                        void* records, int32_t capacity, int32_t* count,
                                        ServiceRecord* service) NETROV_NOEXCEPT;
/* Average and last image area per colour: at most one ImageAreaInfo. */
TESSEL_API int32_t NETROV_CALL TUVASRV_GetDevImageArea(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                        void* records, int32_t capacity, int32_t* count,
                                        ServiceRecord* service) NETROV_NOEXCEPT;
/* Colour calibration values: at most one ColorCalibInfo. */
TESSEL_API int32_t NETROV_CALL TUVASRV_GetDevColorCalib(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                        void* records, int32_t capacity, int32_t* count,
                                        ServiceRecord* service) NETROV_NOEXCEPT;
/* TCP/IP switch, address assignment, IPv4 address, mask and gateway: at most one TcpSettings. */
TESSEL_API int32_t NETROV_CALL TUVASRV_GetDevTCP(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                        void* records, int32_t capacity, int32_t* count,
                                        ServiceRecord* service) NETROV_NOEXCEPT;
/* DNS and WINS settings: at most one TcpOptions. */
TESSEL_API int32_t NETROV_CALL TUVASRV_GetDevTCPOpt(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                        void* records, int32_t capacity, int32_t* count,
                                        ServiceRecord* service) NETROV_NOEXCEPT;
/* IPv6 settings and addresses: one Ipv6Settings per row of the device's table. */
TESSEL_API int32_t NETROV_CALL TUVASRV_GetDevTCPIPv6(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                        void* records, int32_t capacity, int32_t* count,
                                        ServiceRecord* service) NETROV_NOEXCEPT;
/* NetWare settings: at most one NetWareSettings. */
TESSEL_API int32_t NETROV_CALL TUVASRV_GetDevNetWare(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                        void* records, int32_t capacity, int32_t* count,
                                        ServiceRecord* service) NETROV_NOEXCEPT;
/* SMB (Windows networking) settings: at most one SmbSettings. */
TESSEL_API int32_t NETROV_CALL TUVASRV_GetDevSMB(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                        void* records, int32_t capacity, int32_t* count,
                                        ServiceRecord* service) NETROV_NOEXCEPT;
/* AppleTalk settings: at most one AppleTalkSettings. */
TESSEL_API int32_t NETROV_CALL TUVASRV_GetDevAppleTalk(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                        void* records, int32_t capacity, int32_t* count,
                                        ServiceRecord* service) NETROV_NOEXCEPT;
/* Rendezvous settings: at most one RendezvousSettings. */
TESSEL_API int32_t NETROV_CALL TUVASRV_GetDevRendezvous(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                        void* records, int32_t capacity, int32_t* count,
                                        ServiceRecord* service) NETROV_NOEXCEPT;
/* Traffic counters, hardware address and time since start: at most one NetworkStatistics. */
TESSEL_API int32_t NETROV_CALL TUVASRV_GetDevNetInfo(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                        void* records, int32_t capacity, int32_t* count,
                                        ServiceRecord* service) NETROV_NOEXCEPT;
