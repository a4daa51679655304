// Every public header, compiled as C++, with the layout promises checked.
#include <type_traits>

#include "netrov/device_identity.h"
#include "netrov/consumable_records.h"
#include "netrov/engine_records.h"
#include "netrov/option_value.h"
#include "netrov/network_records.h"
#include "netrov/printer_mib.h"
#include "netrov/device_records.h"
#include "netrov/message_records.h"
#include "netrov/job_records.h"
#include "netrov/result_codes.h"
#include "netrov/service_record.h"
#include "netrov/tuva.h"
#include "netrov/tuva_queries.h"
#include "netrov/zomini.h"
#include "netrov/zomsnmp.h"
#include "netrov/zomxml.h"

template <typename T>
constexpr bool kPlainRecord = std::is_standard_layout_v<T> && std::is_trivially_copyable_v<T>;

static_assert(kPlainRecord<DeviceIdentity>);
static_assert(kPlainRecord<TUVA_SUPPORT_MODEL>);
static_assert(kPlainRecord<SnmpSimpleBinding>);
static_assert(kPlainRecord<SnmpSimpleMessage>);
static_assert(kPlainRecord<SnmpMessage>);
static_assert(kPlainRecord<ServiceRecord>);
static_assert(kPlainRecord<DeviceInfo>);
static_assert(kPlainRecord<DeviceStatus>);
static_assert(kPlainRecord<TonerEntry>);
static_assert(kPlainRecord<TrayEntry>);
static_assert(kPlainRecord<SupplyEntry>);
static_assert(kPlainRecord<TonerCapEntry>);
static_assert(kPlainRecord<CodedSetting>);
static_assert(kPlainRecord<MarkerInfo>);
static_assert(kPlainRecord<ImageAreaInfo>);
static_assert(kPlainRecord<ColorCalibInfo>);
static_assert(kPlainRecord<OptionValue>);
static_assert(kPlainRecord<MessageRecord>);
static_assert(kPlainRecord<MessageRequest>);
static_assert(kPlainRecord<CounterEntry>);
static_assert(kPlainRecord<VersionEntry>);
static_assert(kPlainRecord<LanguageInfo>);
static_assert(kPlainRecord<InterpreterEntry>);
static_assert(kPlainRecord<FinisherInfo>);
static_assert(kPlainRecord<SpeedInfo>);
static_assert(kPlainRecord<PowerSaveInfo>);
static_assert(kPlainRecord<ValueSetting>);
static_assert(kPlainRecord<TextEntry>);
static_assert(kPlainRecord<ServiceInfoEntry>);
static_assert(kPlainRecord<JobCount>);
static_assert(kPlainRecord<CurrentJobRecord>);
static_assert(kPlainRecord<LogRecord>);
static_assert(kPlainRecord<LogPosition>);
static_assert(kPlainRecord<JobTrapValue>);
static_assert(kPlainRecord<FaxChannelEntry>);
static_assert(kPlainRecord<FaxCapabilityEntry>);
static_assert(kPlainRecord<FaxCompressionEntry>);
static_assert(kPlainRecord<ScanFeederEntry>);
static_assert(kPlainRecord<ScanSensorEntry>);
static_assert(kPlainRecord<TcpSettings>);
static_assert(kPlainRecord<TcpOptions>);
static_assert(kPlainRecord<Ipv6Settings>);
static_assert(kPlainRecord<NetWareSettings>);
static_assert(kPlainRecord<SmbSettings>);
static_assert(kPlainRecord<AppleTalkSettings>);
static_assert(kPlainRecord<RendezvousSettings>);
static_assert(kPlainRecord<NetworkStatistics>);
static_assert(kPlainRecord<ErrorStateInfo>);
static_assert(kPlainRecord<AlertEntry>);
static_assert(kPlainRecord<SupplyIndexEntry>);

#define NETROV_COUNT_QUERY(ordinal, name) +1
static_assert(0 NETROV_FORWARDED_QUERIES(NETROV_COUNT_QUERY) == 68, "68 forwarded queries besides the search");
