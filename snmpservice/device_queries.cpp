// Device search, information, model name and status: key tables and rules.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <algorithm>
#include <new>
#include <string_view>
#include <vector>

#include "decoders.h"
#include "framework.h"
#include "netrov/result_codes.h"
#include "netrov/snmp_version.h"
#include "netrov/zomsnmp.h"
#include "queries.h"
#include "read_cache.h"

namespace netrov::tessel {

namespace {

constexpr KeyEntry kSearchKeys[] = {
    {"def", "SEARCHDEVICE_SYSID", "", kKindOid},
    {"def", "SEARCHDEVICE_MODEL", "", kKindOctets},
    {"def", "SEARCHDEVICE_FILTER", "", kKindAny},
};

constexpr KeyEntry kInfoKeys[] = {
    {"def", "GETDEVINFO_DEVICE", "", kKindOctets},
    {"def", "GETDEVINFO_LOCATION", "", kKindOctets},
    {"def", "GETDEVINFO_MACADDRESS", "", kKindOctets},
};

constexpr KeyEntry kModelKeys[] = {
    {"def", "SEARCHDEVICE_MODEL", "", kKindOctets},
};

constexpr KeyEntry kStatusKeys[] = {
    {"def", "GETDEVSTATUS_DEVSTATUS", "", kKindInteger},
    {"def", "GETDEVSTATUS_PRNSTATUS", "", kKindInteger},
};

// hrPrinterDetectedErrorState of the first printer row; its instance is the
// row's hrDeviceIndex.
constexpr KeyEntry kErrorStateKeys[] = {
    {"def", "GETDEVERRORSTATE_BITS", "", kKindOctets},
};

// The alert tables: code, group and group index, walked together.
struct AlertTable {
    KeyEntry keys[3];
};
constexpr AlertTable kAlertTables[] = {
    {{{"def", "GETDEVSTATUS_ALERTCODE1", "", kKindInteger},
      {"def", "GETDEVSTATUS_ALERTGROUP1", "", kKindInteger},
      {"def", "GETDEVSTATUS_ALERTINDEX1", "", kKindInteger}}},
    {{{"def", "GETDEVSTATUS_ALERTCODE2", "", kKindInteger},
      {"def", "GETDEVSTATUS_ALERTGROUP2", "", kKindInteger},
      {"def", "GETDEVSTATUS_ALERTINDEX2", "", kKindInteger}}},
};

// The alert table whole, walked once: what the status query leaves out
// (severity, training level, location, the device's own text) beside what
// identifies an alert (group, group index, code).
constexpr KeyEntry kAlertEntryKeys[] = {
    {"def", "GETDEVALERTS_SEVERITY", "", kKindInteger}, {"def", "GETDEVALERTS_TRAINING", "", kKindInteger},
    {"def", "GETDEVALERTS_GROUP", "", kKindInteger},    {"def", "GETDEVALERTS_GROUPINDEX", "", kKindInteger},
    {"def", "GETDEVALERTS_LOCATION", "", kKindInteger}, {"def", "GETDEVALERTS_CODE", "", kKindInteger},
    {"def", "GETDEVALERTS_DESC", "", kKindOctets},
};

// The integer columns of an alert row and the record fields they fill.
constexpr struct {
    const char* key;
    uint8_t AlertEntry::*valid;
    int32_t AlertEntry::*value;
} kAlertEntryColumns[] = {
    {"GETDEVALERTS_SEVERITY", &AlertEntry::severityValid, &AlertEntry::severity},
    {"GETDEVALERTS_TRAINING", &AlertEntry::trainingLevelValid, &AlertEntry::trainingLevel},
    {"GETDEVALERTS_GROUP", &AlertEntry::groupValid, &AlertEntry::group},
    {"GETDEVALERTS_GROUPINDEX", &AlertEntry::groupIndexValid, &AlertEntry::groupIndex},
    {"GETDEVALERTS_LOCATION", &AlertEntry::locationValid, &AlertEntry::location},
    {"GETDEVALERTS_CODE", &AlertEntry::codeValid, &AlertEntry::code},
};

// The single requests of a reading, asked together from a v2c device, and
// the first row of each alert table: a printer without alerts then needs no
// GetBulk, which would have its agent compute rows past the table's end.
const ReadAhead kReadAheadGetNexts{SNMP_PDU_GETNEXT,
                                   {kInfoKeys, kModelKeys, kStatusKeys, kAlertTables[0].keys, kAlertTables[1].keys}};

constexpr const char* kPowerSaveTable = "GETDEVSTATUSSIMPLE_POWERSAVE";
constexpr const char* kSimpleStatusTable = "GETDEVSTATUSSIMPLE_ALERT";
constexpr const char* kNoAlertTable = "GETDEVSTATUS_ALERT";

// Output of a conversion table row as a number (0 when there is no row).
int32_t convertedNumber(const ServiceRecord& service, const char* table, int32_t key1,
                        std::optional<int32_t> key2)
{
    char text[256];
    lookupExchange(&service, table, key1, key2, std::nullopt, text, sizeof text);
    return decimalValue(text);
}

void writeSysObjectId(char* field, size_t size, const ReplyValue& value)
{
    const size_t arcs = value.length / 4;
    size_t used = 0;
    field[0] = '\0';
    for (size_t i = 0; i < arcs && used < size - 1; ++i) {
        uint32_t arc;
        memcpy(&arc, value.data() + 4 * i, sizeof arc);
        const int n = snprintf(field + used, size - used, i + 1 < arcs ? "%u." : "%u", arc);
        if (n < 0) break;
        used += static_cast<size_t>(n);
    }
    field[size - 1] = '\0';
}

// A system description names the model first, then firmware, serial
// number and options after a separator: only the model is kept. Other
// model objects are the model whole.
constexpr std::string_view kSystemDescription = "1.3.6.1.2.1.1.1";
constexpr std::string_view kModelSeparators[] = {",", ";", " / ", " - ", "\r", "\n", "\t"};

size_t modelLength(const ReplyValue& model)
{
    if (!identifierUnder(model.identifier, kSystemDescription)) return model.length;
    const std::string_view text(reinterpret_cast<const char*>(model.data()), model.length);
    size_t cut = text.size();
    for (const std::string_view separator : kModelSeparators) cut = std::min(cut, text.find(separator));
    while (cut > 0 && text[cut - 1] == ' ') --cut;
    // A description that starts with a separator has no model before it.
    return cut == 0 ? model.length : cut;
}

void writeModel(char* field, size_t size, const ReplyValue& model)
{
    copyText(field, size, model.data(), modelLength(model));
}

// Interfaces looked at for a hardware address: a loopback or a tunnel may
// come first with none.
constexpr size_t kMacInterfaces = 64;

bool isHardwareAddress(const ReplyValue& v)
{
    return std::any_of(v.data(), v.data() + v.length, [](uint8_t b) { return b != 0; });
}

// The hardware address of the first interface that has one; none when the
// walk finds none (or fails).
std::optional<ReplyValue> firstHardwareAddress(const QueryCall& call)
{
    constexpr KeyEntry kMacKey[] = {{"def", "GETDEVINFO_MACADDRESS", "", kKindOctets}};
    QuerySetup setup;
    if (prepareQuery(&setup, call.device, kMacKey, &call.service) != NETROV_OK) return std::nullopt;
    const RowsResult walk = walkTable(setup, kMacInterfaces);
    if (walk.code != NETROV_OK) return std::nullopt;
    for (const ReplyRow& row : walk.rows) {
        const ReplyValue* v = KeyedValues(kMacKey, row.values).get("GETDEVINFO_MACADDRESS");
        if (v && isHardwareAddress(*v)) return *v;
    }
    return std::nullopt;
}

// One GetNext request for the keys from the device the call names; the code
// is the preparation's failure or the request's.
RequestResult readDeviceValues(const QueryCall& call, std::span<const KeyEntry> keys)
{
    QuerySetup setup;
    const int prepared = prepareQuery(&setup, call.device, keys, &call.service);
    if (prepared != NETROV_OK) return RequestResult{prepared, {}};
    return requestValues(setup, SNMP_PDU_GETNEXT);
}

}  // namespace

int32_t searchDevice(const QueryCall& call)
{
    const DeviceIdentity& request = call.device;
    static constexpr uint8_t kNoAddress[4] = {};
    const char* host = netrovDeviceHost(&request);
    if (!host && memcmp(request.address, kNoAddress, 4) == 0) return NETROV_BAD_ARGUMENT;

    QuerySetup setup;
    const int prepared = prepareQuery(&setup, request, kSearchKeys, &call.service);
    if (prepared != NETROV_OK) return prepared;
    RowsResult answers = broadcastRequest(setup);
    if (answers.code != NETROV_OK) return answers.code;

    for (const ReplyRow& answer : answers.rows) {
        const KeyedValues values(kSearchKeys, answer.values);
        const ReplyValue* model = values.get("SEARCHDEVICE_MODEL");
        const ReplyValue* filter = values.get("SEARCHDEVICE_FILTER");
        if (!model || !filter || model->length == 0) continue;

        DeviceIdentity found;
        memset(&found, 0, sizeof found);
        writeModel(found.modelName, sizeof found.modelName, *model);
        if (const ReplyValue* sysId = values.get("SEARCHDEVICE_SYSID")) {
            writeSysObjectId(found.sysObjectId, sizeof found.sysObjectId, *sysId);
        }
        found.interfaceKind = NETROV_INTERFACE_NETWORK;
        found.transport = NETROV_TRANSPORT_SNMP;
        copyText(found.community, sizeof found.community,
                 reinterpret_cast<const uint8_t*>(request.community),
                 strnlen(request.community, sizeof request.community));
        found.timeout = request.timeout;
        memcpy(found.address, answer.address, sizeof found.address);
        if (host) copyText(found.portName, sizeof found.portName, reinterpret_cast<const uint8_t*>(host), strlen(host));
        // The request's version, or with "auto" the one the device answered in.
        const int32_t version = netrovSnmpVersion(&request);
        netrovSetSnmpVersion(&found, version == NETROV_SNMP_AUTO ? answer.version : version);
        call.out.produce(found);
    }
    return NETROV_OK;
}

int32_t getDevInfo(const QueryCall& call)
{
    const RequestResult reply = readDeviceValues(call, kInfoKeys);
    if (reply.code != NETROV_OK) return reply.code;

    const KeyedValues values(kInfoKeys, reply.values);
    DeviceInfo info;
    memset(&info, 0, sizeof info);
    if (const ReplyValue* v = values.get("GETDEVINFO_DEVICE")) {
        info.nameValid = 1;
        copyText(info.name, sizeof info.name, v->data(), v->length);
    }
    if (const ReplyValue* v = values.get("GETDEVINFO_LOCATION")) {
        info.locationValid = 1;
        copyText(info.location, sizeof info.location, v->data(), v->length);
    }
    // An empty address (a loopback interface listed first) is no address;
    // flagging it would show six zero bytes as the device's address. The
    // first interface that has one gives it.
    std::optional<ReplyValue> mac;
    if (const ReplyValue* v = values.get("GETDEVINFO_MACADDRESS")) {
        mac = isHardwareAddress(*v) ? std::optional(*v) : firstHardwareAddress(call);
    }
    if (mac) {
        info.macAddressValid = 1;
        memcpy(info.macAddress, mac->data(), std::min<size_t>(mac->length, sizeof info.macAddress));
    }
    if (info.nameValid || info.locationValid || info.macAddressValid) call.out.produce(info);
    return NETROV_OK;
}

int32_t getDevErrorState(const QueryCall& call)
{
    const RequestResult reply = readDeviceValues(call, kErrorStateKeys);
    if (reply.code != NETROV_OK) return reply.code;
    const ReplyValue* v = KeyedValues(kErrorStateKeys, reply.values).get("GETDEVERRORSTATE_BITS");
    if (!v) return NETROV_OK;
    ErrorStateInfo info;
    memset(&info, 0, sizeof info);
    info.errorStateValid = 1;
    info.errorState = namedBits(v->data(), v->length);
    info.octetCount = static_cast<int32_t>(v->length);
    if (const uint32_t index = lastArcOf(v->identifier); index != 0) {
        info.deviceIndexValid = 1;
        info.deviceIndex = static_cast<int32_t>(index);
    }
    call.out.produce(info);
    return NETROV_OK;
}

int32_t getDevModelName(const QueryCall& call)
{
    const RequestResult reply = readDeviceValues(call, kModelKeys);
    if (reply.code != NETROV_OK) return reply.code;
    if (const ReplyValue* v = KeyedValues(kModelKeys, reply.values).get("SEARCHDEVICE_MODEL")) {
        // Terminated, so a shorter name does not keep the tail of a longer one.
        writeModel(call.device.modelName, sizeof call.device.modelName, *v);
    }
    return NETROV_OK;
}

namespace {

// Reads one alert table into records; a table that is undefined or cannot
// be walked gives no alerts.
void readAlertTable(const QueryCall& call, const AlertTable& table, std::vector<DeviceStatus>* alerts)
{
    QuerySetup setup;
    if (prepareQuery(&setup, call.device, table.keys, &call.service) != NETROV_OK) {
        return;
    }
    const RowsResult walk = walkTable(setup);
    if (walk.code != NETROV_OK) return;
    const std::span<const KeyEntry> keys(table.keys);
    for (const ReplyRow& row : walk.rows) {
        const KeyedValues values(keys, row.values);
        const auto code = values.integer(keys[0].key);
        const auto group = values.integer(keys[1].key);
        const auto index = values.integer(keys[2].key);
        if (code && *code == 0) continue;
        if (!code && !group && !index) continue;
        DeviceStatus alert;
        memset(&alert, 0, sizeof alert);
        if (code) {
            alert.alertCodeValid = 1;
            alert.alertCode = *code;
        }
        if (group) {
            alert.alertGroupValid = 1;
            alert.alertGroup = *group;
        }
        if (index) {
            alert.alertIndexValid = 1;
            alert.alertIndex = *index;
        }
        alerts->push_back(alert);
    }
}

bool sameAlert(const DeviceStatus& a, const DeviceStatus& b)
{
    return a.alertGroup == b.alertGroup && a.alertIndex == b.alertIndex && a.alertCode == b.alertCode;
}

// The alerts of both tables, each once; a table that cannot be read, even
// for want of memory, only lacks its alerts.
std::vector<DeviceStatus> distinctAlerts(const QueryCall& call)
{
    std::vector<DeviceStatus> alerts;
    for (const AlertTable& table : kAlertTables) {
        const size_t before = alerts.size();
        try {
            readAlertTable(call, table, &alerts);
        } catch (const std::bad_alloc&) {
            alerts.resize(before);
        }
    }
    std::vector<DeviceStatus> distinct;
    for (const DeviceStatus& alert : alerts) {
        if (std::none_of(distinct.begin(), distinct.end(), [&](const DeviceStatus& d) { return sameAlert(d, alert); }))
            distinct.push_back(alert);
    }
    return distinct;
}

// The status record of a device whose status objects gave no value: its
// alerts with an unknown status, or one record that says only that; the
// result names the missing status (NETROV_NO_VALUE). Not a failure: the
// device answered.
int32_t alertsWithoutStatus(const QueryCall& call)
{
    std::vector<DeviceStatus> alerts = distinctAlerts(call);
    if (alerts.empty()) {
        DeviceStatus none;
        memset(&none, 0, sizeof none);
        alerts.push_back(none);
    }
    for (DeviceStatus& alert : alerts) {
        alert.simpleStatusValid = 1;
        alert.simpleStatus = NETROV_SIMPLE_STATUS_UNKNOWN;
        call.out.produce(alert);
    }
    return NETROV_NO_VALUE;
}

}  // namespace

int32_t getDevStatus(const QueryCall& call)
{
    const RequestResult reply = readDeviceValues(call, kStatusKeys);
    // A printer without the host-resources device table has no status
    // objects, yet its alerts tell what it needs: they are read, its status
    // is unknown, and the call says why.
    if (reply.code == NETROV_NO_VALUE) return alertsWithoutStatus(call);
    if (reply.code != NETROV_OK) {
        DeviceStatus failure;
        memset(&failure, 0, sizeof failure);
        failure.failed = 1;
        failure.failureValue = 1;
        failure.simpleStatus = NETROV_SIMPLE_STATUS_FAILED;
        call.out.produce(failure);
        return reply.code;
    }
    const KeyedValues statusValues(kStatusKeys, reply.values);
    const int32_t deviceStatus = statusValues.integer("GETDEVSTATUS_DEVSTATUS").value_or(0);
    const int32_t printerStatus = statusValues.integer("GETDEVSTATUS_PRNSTATUS").value_or(0);

    const std::vector<DeviceStatus> alerts = distinctAlerts(call);

    const auto simpleStatus = [&](int32_t alertCode) {
        char unused[256];
        if (lookupExchange(&call.service, kPowerSaveTable, alertCode, std::nullopt, std::nullopt,
                           unused, sizeof unused)) {
            return NETROV_SIMPLE_STATUS_POWERSAVE;
        }
        return convertedNumber(call.service, kSimpleStatusTable, deviceStatus, printerStatus);
    };

    // The same alert may stand in both tables; it is reported once, and the
    // count past capacity counts distinct alerts only.
    for (const DeviceStatus& alert : alerts) {
        if (call.out.hasRoom()) {
            DeviceStatus record = alert;
            record.simpleStatusValid = 1;
            record.simpleStatus = simpleStatus(record.alertCode);
            call.out.produce(record);
        } else {
            call.out.produce(alert);
        }
    }
    if (!alerts.empty()) return NETROV_OK;

    DeviceStatus none;
    memset(&none, 0, sizeof none);
    none.alertCodeValid = 1;
    none.alertCode = convertedNumber(call.service, kNoAlertTable, deviceStatus, printerStatus);
    none.simpleStatusValid = 1;
    none.simpleStatus = convertedNumber(call.service, kSimpleStatusTable, deviceStatus, printerStatus);
    call.out.produce(none);
    return NETROV_OK;
}

int32_t getDevAlerts(const QueryCall& call)
{
    QuerySetup setup;
    const int prepared = prepareQuery(&setup, call.device, kAlertEntryKeys, &call.service);
    if (prepared != NETROV_OK) return prepared;
    const RowsResult walk = walkTable(setup);
    if (walk.code != NETROV_OK) return walk.code;
    for (const ReplyRow& row : walk.rows) {
        const KeyedValues values(kAlertEntryKeys, row.values);
        AlertEntry entry;
        memset(&entry, 0, sizeof entry);
        bool any = false;
        for (const auto& column : kAlertEntryColumns) {
            if (const auto v = values.integer(column.key)) {
                entry.*column.valid = 1;
                entry.*column.value = *v;
                any = true;
            }
        }
        // The instance is hrDeviceIndex.prtAlertIndex: any column's last arc is the row.
        for (const ReplyValue& v : row.values) {
            if (v.kind == kKindNone) continue;
            if (const uint32_t index = lastArcOf(v.identifier); index != 0 && index <= INT32_MAX) {
                entry.rowIndexValid = 1;
                entry.rowIndex = static_cast<int32_t>(index);
                break;
            }
        }
        if (const ReplyValue* text = values.get("GETDEVALERTS_DESC")) {
            entry.descriptionValid = 1;
            copyText(entry.description, sizeof entry.description, text->data(), text->length);
            any = true;
        }
        if (any) call.out.produce(entry);
    }
    return NETROV_OK;
}

}  // namespace netrov::tessel
