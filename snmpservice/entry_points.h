// Declarations of the service's exported entry points; the front library
// binds them by name with the TuvaServiceFn signature.
#pragma once

#include "netrov/device_identity.h"
#include "netrov/consumable_records.h"
#include "netrov/engine_records.h"
#include "netrov/option_value.h"
#include "netrov/device_records.h"
#include "netrov/job_records.h"
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
/* Page counters and the counter table: CounterEntry records. */
TESSEL_API int32_t NETROV_CALL TUVASRV_GetDevCounter(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                        void* records, int32_t capacity, int32_t* count,
                                        ServiceRecord* service) NETROV_NOEXCEPT;
/* Firmware versions (controller, engine, components): VersionEntry records, one per type. */
TESSEL_API int32_t NETROV_CALL TUVASRV_GetDevVersion(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                        void* records, int32_t capacity, int32_t* count,
                                        ServiceRecord* service) NETROV_NOEXCEPT;
/* The current panel language: one LanguageInfo; -1 when the index is not an INTEGER. */
TESSEL_API int32_t NETROV_CALL TUVASRV_GetDevLang(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                        void* records, int32_t capacity, int32_t* count,
                                        ServiceRecord* service) NETROV_NOEXCEPT;
/* Page description languages: one InterpreterEntry each. */
TESSEL_API int32_t NETROV_CALL TUVASRV_GetDevInterpreter(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                        void* records, int32_t capacity, int32_t* count,
                                        ServiceRecord* service) NETROV_NOEXCEPT;
/* The finisher's state and abilities: at most one FinisherInfo. */
TESSEL_API int32_t NETROV_CALL TUVASRV_GetDevFinInfo(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                        void* records, int32_t capacity, int32_t* count,
                                        ServiceRecord* service) NETROV_NOEXCEPT;
/* The engine's top speed per minute: at most one SpeedInfo. */
TESSEL_API int32_t NETROV_CALL TUVASRV_GetDevSpeed(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                        void* records, int32_t capacity, int32_t* count,
                                        ServiceRecord* service) NETROV_NOEXCEPT;
/* The power-save mode and time-out: at most one PowerSaveInfo. */
TESSEL_API int32_t NETROV_CALL TUVASRV_GetDevPowerSave(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                        void* records, int32_t capacity, int32_t* count,
                                        ServiceRecord* service) NETROV_NOEXCEPT;
/* The size of the hard disks: at most one ValueSetting. */
TESSEL_API int32_t NETROV_CALL TUVASRV_GetDevHdd(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                        void* records, int32_t capacity, int32_t* count,
                                        ServiceRecord* service) NETROV_NOEXCEPT;
/* The size of the memory: at most one ValueSetting. */
TESSEL_API int32_t NETROV_CALL TUVASRV_GetDevMemory(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                        void* records, int32_t capacity, int32_t* count,
                                        ServiceRecord* service) NETROV_NOEXCEPT;
/* The default number of copies: at most one ValueSetting. */
TESSEL_API int32_t NETROV_CALL TUVASRV_GetDevCopies(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                        void* records, int32_t capacity, int32_t* count,
                                        ServiceRecord* service) NETROV_NOEXCEPT;
/* The lines per page: at most one ValueSetting. */
TESSEL_API int32_t NETROV_CALL TUVASRV_GetDevFormLines(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                        void* records, int32_t capacity, int32_t* count,
                                        ServiceRecord* service) NETROV_NOEXCEPT;
/* Whether a duplex unit is installed: at most one CodedSetting. */
TESSEL_API int32_t NETROV_CALL TUVASRV_GetDevADU(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                        void* records, int32_t capacity, int32_t* count,
                                        ServiceRecord* service) NETROV_NOEXCEPT;
/* The default orientation: at most one CodedSetting. */
TESSEL_API int32_t NETROV_CALL TUVASRV_GetDevOrientation(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                        void* records, int32_t capacity, int32_t* count,
                                        ServiceRecord* service) NETROV_NOEXCEPT;
/* The wide-A4 setting: at most one CodedSetting. */
TESSEL_API int32_t NETROV_CALL TUVASRV_GetDevWideA4(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                        void* records, int32_t capacity, int32_t* count,
                                        ServiceRecord* service) NETROV_NOEXCEPT;
/* The serial number: at most one TextEntry. */
TESSEL_API int32_t NETROV_CALL TUVASRV_GetDevSerial(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                        void* records, int32_t capacity, int32_t* count,
                                        ServiceRecord* service) NETROV_NOEXCEPT;
/* The panel's display lines: one TextEntry each. */
TESSEL_API int32_t NETROV_CALL TUVASRV_GetDevDispMsg(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                        void* records, int32_t capacity, int32_t* count,
                                        ServiceRecord* service) NETROV_NOEXCEPT;
/* Service contacts: one ServiceInfoEntry each. */
TESSEL_API int32_t NETROV_CALL TUVASRV_GetDevSrvInfo(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                        void* records, int32_t capacity, int32_t* count,
                                        ServiceRecord* service) NETROV_NOEXCEPT;
/* The model's first option object: one OptionValue per row. */
TESSEL_API int32_t NETROV_CALL TUVASRV_GetDevOption1(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                        void* records, int32_t capacity, int32_t* count,
                                        ServiceRecord* service) NETROV_NOEXCEPT;
/* The model's second option object: one OptionValue per row. */
TESSEL_API int32_t NETROV_CALL TUVASRV_GetDevOption2(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                        void* records, int32_t capacity, int32_t* count,
                                        ServiceRecord* service) NETROV_NOEXCEPT;
/* The model's third option object: one OptionValue per row. */
TESSEL_API int32_t NETROV_CALL TUVASRV_GetDevOption3(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                        void* records, int32_t capacity, int32_t* count,
                                        ServiceRecord* service) NETROV_NOEXCEPT;
/* The model's fourth option object: one OptionValue per row. */
TESSEL_API int32_t NETROV_CALL TUVASRV_GetDevOption4(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                        void* records, int32_t capacity, int32_t* count,
                                        ServiceRecord* service) NETROV_NOEXCEPT;
/* Fax lines: one FaxChannelEntry each. */
TESSEL_API int32_t NETROV_CALL TUVASRV_GetDevFaxChannel(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                        void* records, int32_t capacity, int32_t* count,
                                        ServiceRecord* service) NETROV_NOEXCEPT;
/* Paper widths the fax sends: one FaxCapabilityEntry per width the
   document names. */
TESSEL_API int32_t NETROV_CALL TUVASRV_GetDevFaxSendSize(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                        void* records, int32_t capacity, int32_t* count,
                                        ServiceRecord* service) NETROV_NOEXCEPT;
/* Paper widths the fax receives: FaxCapabilityEntry records. */
TESSEL_API int32_t NETROV_CALL TUVASRV_GetDevFaxRecvSize(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                        void* records, int32_t capacity, int32_t* count,
                                        ServiceRecord* service) NETROV_NOEXCEPT;
/* Resolutions the fax sends: FaxCapabilityEntry records. */
TESSEL_API int32_t NETROV_CALL TUVASRV_GetDevFaxSendReso(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                        void* records, int32_t capacity, int32_t* count,
                                        ServiceRecord* service) NETROV_NOEXCEPT;
/* Resolutions the fax receives: FaxCapabilityEntry records. */
TESSEL_API int32_t NETROV_CALL TUVASRV_GetDevFaxRecvReso(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                        void* records, int32_t capacity, int32_t* count,
                                        ServiceRecord* service) NETROV_NOEXCEPT;
/* Compression methods the fax sends, per colour mode:
   FaxCompressionEntry records. */
TESSEL_API int32_t NETROV_CALL TUVASRV_GetDevFaxSendComp(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                        void* records, int32_t capacity, int32_t* count,
                                        ServiceRecord* service) NETROV_NOEXCEPT;
/* Compression methods the fax receives, per colour mode:
   FaxCompressionEntry records. */
TESSEL_API int32_t NETROV_CALL TUVASRV_GetDevFaxRecvComp(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                        void* records, int32_t capacity, int32_t* count,
                                        ServiceRecord* service) NETROV_NOEXCEPT;
/* The scanner's document feeders: one ScanFeederEntry each. */
TESSEL_API int32_t NETROV_CALL TUVASRV_GetDevScnODH(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                        void* records, int32_t capacity, int32_t* count,
                                        ServiceRecord* service) NETROV_NOEXCEPT;
/* The scanner's sensors: one ScanSensorEntry each. */
TESSEL_API int32_t NETROV_CALL TUVASRV_GetDevScnSensor(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                        void* records, int32_t capacity, int32_t* count,
                                        ServiceRecord* service) NETROV_NOEXCEPT;
/* The scanner's colour spaces: one CodedSetting each. */
TESSEL_API int32_t NETROV_CALL TUVASRV_GetDevScnColSp(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                        void* records, int32_t capacity, int32_t* count,
                                        ServiceRecord* service) NETROV_NOEXCEPT;
/* The scanner's image formats: one CodedSetting each. */
TESSEL_API int32_t NETROV_CALL TUVASRV_GetDevScnImage(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                        void* records, int32_t capacity, int32_t* count,
                                        ServiceRecord* service) NETROV_NOEXCEPT;
/* Number of current jobs: at most one JobCount. */
TESSEL_API int32_t NETROV_CALL TUVASRV_GetCurrentJobNum(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                        void* records, int32_t capacity, int32_t* count,
                                        ServiceRecord* service) NETROV_NOEXCEPT;
/* Number of job log entries: at most one JobCount. */
TESSEL_API int32_t NETROV_CALL TUVASRV_GetJobLogNum(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                        void* records, int32_t capacity, int32_t* count,
                                        ServiceRecord* service) NETROV_NOEXCEPT;
/* Number of fax log entries: at most one JobCount. */
TESSEL_API int32_t NETROV_CALL TUVASRV_GetFaxLogNum(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                        void* records, int32_t capacity, int32_t* count,
                                        ServiceRecord* service) NETROV_NOEXCEPT;
/* Current jobs: one CurrentJobRecord each. */
TESSEL_API int32_t NETROV_CALL TUVASRV_GetCurrentJobInfo(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                        void* records, int32_t capacity, int32_t* count,
                                        ServiceRecord* service) NETROV_NOEXCEPT;
/* Job log from option1's LogPosition on (the whole log without one):
   one LogRecord per entry. */
TESSEL_API int32_t NETROV_CALL TUVASRV_GetJobLogInfo(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                        void* records, int32_t capacity, int32_t* count,
                                        ServiceRecord* service) NETROV_NOEXCEPT;
/* Fax log from option1's LogPosition on (the whole log without one):
   one LogRecord per entry. */
TESSEL_API int32_t NETROV_CALL TUVASRV_GetFaxLogInfo(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                        void* records, int32_t capacity, int32_t* count,
                                        ServiceRecord* service) NETROV_NOEXCEPT;
/* Unpacks the job notification value that option1's JobTrapValue
   points to: one CurrentJobRecord; 5 without one. */
TESSEL_API int32_t NETROV_CALL TUVASRV_ParseCurrentJobInfo(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                        void* records, int32_t capacity, int32_t* count,
                                        ServiceRecord* service) NETROV_NOEXCEPT;
/* Unpacks a job log notification value (option1: JobTrapValue): one
   LogRecord; 5 without one. */
TESSEL_API int32_t NETROV_CALL TUVASRV_ParseJobLogInfo(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                        void* records, int32_t capacity, int32_t* count,
                                        ServiceRecord* service) NETROV_NOEXCEPT;
/* Unpacks a fax log notification value (option1: JobTrapValue): one
   LogRecord; 5 without one. */
TESSEL_API int32_t NETROV_CALL TUVASRV_ParseFaxLogInfo(DeviceIdentity* device, intptr_t option1, intptr_t option2,
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
/* hrPrinterDetectedErrorState of the first printer row as bits: at most one ErrorStateInfo. */
TESSEL_API int32_t NETROV_CALL TUVASRV_GetDevErrorState(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                        void* records, int32_t capacity, int32_t* count,
                                        ServiceRecord* service) NETROV_NOEXCEPT;
/* The printer's alert table whole, the device's own text included: one AlertEntry per row. */
TESSEL_API int32_t NETROV_CALL TUVASRV_GetDevAlerts(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                        void* records, int32_t capacity, int32_t* count,
                                        ServiceRecord* service) NETROV_NOEXCEPT;
/* Every row of the marker supplies table with its prtMarkerSuppliesIndex: one SupplyIndexEntry per row. */
TESSEL_API int32_t NETROV_CALL TUVASRV_GetDevSupplyIndex(DeviceIdentity* device, intptr_t option1, intptr_t option2,
                                        void* records, int32_t capacity, int32_t* count,
                                        ServiceRecord* service) NETROV_NOEXCEPT;
