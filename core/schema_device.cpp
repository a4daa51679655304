// The records of the device identity queries (information and status), described for the record schema.
#include <netrov/device_records.h>
#include <netrov/tuva.h>

#include "record_schema_families.h"

namespace netrov::core {

namespace {

#define F NETROV_FIELD
#define A NETROV_FIELD_ALWAYS

constexpr FieldSchema kDeviceInfoFields[] = {
    F(DeviceInfo, name, nameValid, "name"),
    F(DeviceInfo, location, locationValid, "location"),
    F(DeviceInfo, macAddress, macAddressValid, "macAddress"),
};

constexpr FieldSchema kDeviceStatusFields[] = {
    A(DeviceStatus, failed, "failed"),
    F(DeviceStatus, alertGroup, alertGroupValid, "alertGroup"),
    F(DeviceStatus, alertIndex, alertIndexValid, "alertIndex"),
    F(DeviceStatus, alertCode, alertCodeValid, "alertCode"),
    F(DeviceStatus, simpleStatus, simpleStatusValid, "simpleStatus"),
};

constexpr FieldSchema kErrorStateInfoFields[] = {
    F(ErrorStateInfo, errorState, errorStateValid, "errorState"),
    F(ErrorStateInfo, deviceIndex, deviceIndexValid, "deviceIndex"),
    A(ErrorStateInfo, octetCount, "octetCount"),
};

constexpr FieldSchema kAlertEntryFields[] = {
    // The names of the status record's alert fields, so one label and one
    // table of enumeration words serve both.
    F(AlertEntry, rowIndex, rowIndexValid, "rowIndex"),
    F(AlertEntry, severity, severityValid, "alertSeverity"),
    F(AlertEntry, trainingLevel, trainingLevelValid, "alertTrainingLevel"),
    F(AlertEntry, group, groupValid, "alertGroup"),
    F(AlertEntry, groupIndex, groupIndexValid, "alertIndex"),
    F(AlertEntry, location, locationValid, "alertLocation"),
    F(AlertEntry, code, codeValid, "alertCode"),
    F(AlertEntry, description, descriptionValid, "alertDescription"),
};

#undef F
#undef A

constexpr RecordSchema kDeviceInfoSchema{"DeviceInfo", sizeof(DeviceInfo), kDeviceInfoFields};
constexpr RecordSchema kDeviceStatusSchema{"DeviceStatus", sizeof(DeviceStatus), kDeviceStatusFields};
constexpr RecordSchema kErrorStateInfoSchema{"ErrorStateInfo", sizeof(ErrorStateInfo), kErrorStateInfoFields};
constexpr RecordSchema kAlertEntrySchema{"AlertEntry", sizeof(AlertEntry), kAlertEntryFields};

// Status first: it is what people ask for most, and it tells whether the
// device answers at all.
constexpr QuerySchema kQueries[] = {
    {"GetDevStatus", &kDeviceStatusSchema, TUVA_GetDevStatus, 16},
    {"GetDevInfo", &kDeviceInfoSchema, TUVA_GetDevInfo, 1},
    {"GetDevErrorState", &kErrorStateInfoSchema, TUVA_GetDevErrorState, 1},
    {"GetDevAlerts", &kAlertEntrySchema, TUVA_GetDevAlerts, 16},
};

}  // namespace

std::span<const QuerySchema> deviceQuerySchemas()
{
    return kQueries;
}

}  // namespace netrov::core
