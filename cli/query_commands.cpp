// netrov-cli's device reading commands.
#include "query_commands.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ostream>
#include <string_view>
#include <vector>

#include <netrov/consumable_records.h>
#include <netrov/engine_records.h>
#include <netrov/job_records.h>
#include <netrov/network_records.h>
#include <netrov/result_codes.h>

#include "alert_messages.h"
#include "alert_report.h"
#include "attention.h"
#include "device_session.h"
#include "exit_codes.h"
#include "device_details.h"
#include "fleet_report.h"
#include "ipp_jobs.h"
#include "query_reading.h"
#include "record_schema.h"
#include "report.h"
#include "result_text.h"
#include "search_settings.h"
#include "snmp/read_deadline.h"
#include "source_choice.h"
#include "words.h"

namespace netrov::cli {

namespace {

std::string text(const char* field, size_t size)
{
    return terminalSafe(core::fieldText(field, size));
}

std::string colourCell(const TonerEntry& toner)
{
    if (!toner.colorValid) return "-";
    char hex[16];
    const auto channel = [](int32_t v) { return std::clamp(v, 0, 255); };
    snprintf(hex, sizeof hex, "#%02X%02X%02X", channel(toner.color[0]), channel(toner.color[1]),
             channel(toner.color[2]));
    return hex;
}

std::string levelCell(bool levelValid, int32_t level, bool maxValid, int32_t max)
{
    // A level code (other, unknown, some remaining) is worded in the Remaining column.
    if (!levelValid || level < 0) return "-";
    std::string cell = std::to_string(level);
    if (maxValid && max > 0) cell += "/" + std::to_string(max);
    return cell;
}

template <class Record>
std::vector<const Record*> recordsOf(const core::QueryReading& reading)
{
    std::vector<const Record*> records;
    for (int32_t i = 0; i < reading.stored(); ++i) records.push_back(static_cast<const Record*>(reading.record(i)));
    return records;
}

std::string tonerTable(const core::QueryReading& reading, bool bars)
{
    std::vector<std::vector<std::string>> rows;
    for (const TonerEntry* t : recordsOf<TonerEntry>(reading)) {
        rows.push_back({text(t->name, sizeof t->name), colourCell(*t),
                        levelCell(t->currentLevelValid, t->currentLevel, t->maxCapacityValid, t->maxCapacity),
                        percentCell(t->remainingPercentValid, t->remainingPercent,
                                    text(t->remainingText, sizeof t->remainingText), bars)});
    }
    return formatColumns({"Toner", "Colour", "Level", "Remaining"}, rows);
}

std::string suppliesTable(const core::QueryReading& reading, bool bars)
{
    std::vector<std::vector<std::string>> rows;
    for (const SupplyEntry* s : recordsOf<SupplyEntry>(reading)) {
        const std::string type =
            s->typeValid ? core::capitalised(core::enumWord(core::Enumeration::SupplyType, s->supplyType)) : "-";
        rows.push_back({text(s->name, sizeof s->name), type,
                        levelCell(s->currentLevelValid, s->currentLevel, s->maxCapacityValid, s->maxCapacity),
                        percentCell(s->remainingPercentValid, s->remainingPercent,
                                    text(s->remainingText, sizeof s->remainingText), bars)});
    }
    return formatColumns({"Supply", "Type", "Level", "Remaining"}, rows);
}

std::string sizeCell(const TrayEntry& tray)
{
    if (!tray.sizeXValid || !tray.sizeYValid || tray.sizeX <= 0 || tray.sizeY <= 0) return "-";
    char size[96];
    snprintf(size, sizeof size, "%.4g x %.4g", tray.sizeX, tray.sizeY);
    std::string cell = size;
    const std::string unit = text(tray.sizeUnitName, sizeof tray.sizeUnitName);
    if (!unit.empty()) cell += " " + unit;
    return cell;
}

std::string traysTable(const core::QueryReading& reading, bool bars)
{
    std::vector<std::vector<std::string>> rows;
    for (const TrayEntry* t : recordsOf<TrayEntry>(reading)) {
        const std::string paper = t->paperNameValid ? text(t->paperName, sizeof t->paperName) : "-";
        const std::string media = t->mediaNameValid ? text(t->mediaName, sizeof t->mediaName) : "-";
        rows.push_back({text(t->trayName, sizeof t->trayName), paper, sizeCell(*t), media,
                        levelCell(t->currentLevelValid, t->currentLevel, t->maxCapacityValid, t->maxCapacity),
                        percentCell(t->remainingPercentValid, t->remainingPercent,
                                    text(t->remainingText, sizeof t->remainingText), bars)});
    }
    return formatColumns({"Tray", "Paper", "Size", "Media", "Level", "Remaining"}, rows);
}

// A device text, or "-" when the device gave none.
std::string textOrDash(bool present, const char* field, size_t size)
{
    const std::string value = present ? text(field, size) : std::string();
    return value.empty() ? "-" : value;
}

std::string countersTable(const core::QueryReading& reading)
{
    std::vector<std::vector<std::string>> rows;
    for (const CounterEntry* c : recordsOf<CounterEntry>(reading)) {
        rows.push_back({textOrDash(c->typeValid, c->typeName, sizeof c->typeName),
                        levelCell(c->levelValid, c->level, c->maximumValid, c->maximum),
                        textOrDash(c->typeValid, c->unitName, sizeof c->unitName)});
    }
    return formatColumns({"Counter", "Count", "Unit"}, rows);
}

std::string versionsTable(const core::QueryReading& reading)
{
    std::vector<std::vector<std::string>> rows;
    for (const VersionEntry* v : recordsOf<VersionEntry>(reading)) {
        rows.push_back({textOrDash(v->typeValid, v->typeName, sizeof v->typeName),
                        textOrDash(v->versionValid, v->version, sizeof v->version),
                        textOrDash(v->numberValid, v->number, sizeof v->number)});
    }
    return formatColumns({"Component", "Version", "Number"}, rows);
}

}  // namespace

std::string recordText(const core::QuerySchema& query, const core::QueryReading& reading)
{
    // A code and the device's text for it share a label: the words of a
    // standard code come first, then the device's text, then a bare number.
    struct Line {
        std::string label;
        std::string value;
        int rank;
    };
    std::string out;
    for (int32_t i = 0; i < reading.stored(); ++i) {
        if (reading.stored() > 1) out += "[" + std::to_string(i + 1) + "]\n";
        std::vector<Line> lines;
        for (const core::FieldSchema& field : query.record->fields) {
            std::string value = core::fieldText(field, reading.record(i));
            if (value.empty()) continue;
            // A flag reads as yes or no, as on the device window's pages.
            if (core::yesNoField(query.name, field.name) && (value == "0" || value == "1")) value = value == "1" ? "yes" : "no";
            int rank = field.kind == core::FieldKind::Text ? 1 : 0;
            if (const auto enumeration = core::fieldEnumeration(query.record->name, field.name)) {
                const nlohmann::json code = core::fieldJson(field, reading.record(i));
                if (code.is_number_integer()) {
                    value = core::capitalised(core::enumWord(*enumeration, code.get<int32_t>()));
                    rank = 2;
                }
            }
            const std::string label = core::fieldLabel(field.name);
            const auto same = std::find_if(lines.begin(), lines.end(), [&](const Line& l) { return l.label == label; });
            if (same == lines.end()) {
                lines.push_back({label, terminalSafe(value), rank});
            } else if (rank > same->rank) {
                same->value = terminalSafe(value);
                same->rank = rank;
            }
        }
        std::vector<std::vector<std::string>> rows;
        for (const Line& line : lines) rows.push_back({"  " + terminalSafe(line.label) + ":", line.value});
        out += formatColumns({}, rows);
    }
    if (reading.count > reading.stored()) {
        out += "  (" + std::to_string(reading.count - reading.stored()) + " more not shown)\n";
    }
    return out;
}

void addWords(const core::RecordSchema& schema, nlohmann::json& reading)
{
    if (!reading.contains("records") || !reading["records"].is_array()) return;
    const bool levels = core::findField(schema, "remainingPercentage") != nullptr;
    for (nlohmann::json& record : reading["records"]) {
        if (!record.is_object()) continue;
        for (const core::FieldSchema& field : schema.fields) {
            const auto enumeration = core::fieldEnumeration(schema.name, field.name);
            const std::string key = std::string(field.name) + "Text";
            // A text the record has of its own keeps its key.
            if (!enumeration || core::findField(schema, key) || !record.contains(field.name)) continue;
            const nlohmann::json& code = record[field.name];
            record[key] = code.is_number_integer() ? nlohmann::json(core::enumWord(*enumeration, code.get<int32_t>()))
                                                   : nlohmann::json();
        }
        if (!levels) continue;
        // The remaining percentage keeps its codes under its old key; "level"
        // is a number only when it is one.
        const nlohmann::json percent = record.value("remainingPercentage", nlohmann::json());
        if (!percent.is_number_integer()) {
            record["level"] = nullptr;
            record["levelState"] = "not_reported";
            continue;
        }
        const auto value = percent.get<int32_t>();
        record["level"] = value >= 0 && value <= 100 ? nlohmann::json(value) : nlohmann::json();
        // The state by the threshold table, with the record's kind of supply.
        const nlohmann::json type = record.value("supplyType", nlohmann::json());
        core::SupplyKind kind = core::findField(schema, "trayName") ? core::SupplyKind::Paper
                                : type.is_number_integer()       ? core::supplyKindOf(type.get<int32_t>())
                                                                 : core::SupplyKind::Other;
        const bool measured = value >= 0 && value <= 100;
        record["levelState"] = core::levelStateName(core::supplyState(kind, measured ? std::optional(value) : std::nullopt,
                                                                      measured ? std::nullopt : std::optional(value),
                                                                      core::PrinterSays::Nothing));
    }
}

namespace {

// "A3, A4" for widths and resolutions; "monochrome: MH, MMR; colour: JPEG"
// for compression methods.
std::string capabilityList(const core::QuerySchema& query, const core::QueryReading& reading)
{
    const bool compression = std::string_view(query.record->name) == "FaxCompressionEntry";
    std::string out;
    int32_t mode = 0;
    for (int32_t i = 0; i < reading.stored(); ++i) {
        if (compression) {
            const auto* entry = static_cast<const FaxCompressionEntry*>(reading.record(i));
            if (entry->colourMode != mode) {
                mode = entry->colourMode;
                static const char* const modes[] = {"other", "monochrome", "grey", "colour"};
                out += std::string(out.empty() ? "" : "; ") + modes[mode >= 1 && mode <= 3 ? mode : 0] + ": ";
            } else {
                out += ", ";
            }
            out += text(entry->text, sizeof entry->text);
        } else {
            const auto* entry = static_cast<const FaxCapabilityEntry*>(reading.record(i));
            if (i) out += ", ";
            out += text(entry->text, sizeof entry->text);
        }
    }
    return (out.empty() ? std::string("(none)") : out) + "\n";
}

bool isCapabilityList(const core::QuerySchema& query)
{
    const std::string_view record = query.record->name;
    return record == "FaxCapabilityEntry" || record == "FaxCompressionEntry";
}

// The queries a command reads together, in the order they are shown.
std::vector<const core::QuerySchema*> queriesOf(ReadCommand command, const ReadOptions& options)
{
    std::vector<const char*> names;
    switch (command) {
    case ReadCommand::Jobs:
        if (!options.jobLog && !options.faxLog) names = {"GetCurrentJobNum", "GetCurrentJobInfo"};
        if (options.jobLog) names.insert(names.end(), {"GetJobLogNum", "GetJobLogInfo"});
        if (options.faxLog) names.insert(names.end(), {"GetFaxLogNum", "GetFaxLogInfo"});
        break;
    case ReadCommand::Fax:
        names = {"GetDevFaxChannel",  "GetDevFaxSendSize", "GetDevFaxRecvSize", "GetDevFaxSendReso",
                 "GetDevFaxRecvReso", "GetDevFaxSendComp", "GetDevFaxRecvComp"};
        break;
    case ReadCommand::Scanner: names = {"GetDevScnODH", "GetDevScnSensor", "GetDevScnColSp", "GetDevScnImage"}; break;
    default: break;
    }
    std::vector<const core::QuerySchema*> queries;
    if (command == ReadCommand::Inventory) {
        for (const core::QuerySchema& query : core::deviceQueries()) queries.push_back(&query);
    }
    for (const char* name : names) queries.push_back(core::findQuery(name));
    return queries;
}

// The network command's queries, each under its title.
constexpr const char* kNetworkQueries[] = {
    "GetDevTCP", "GetDevTCPOpt", "GetDevTCPIPv6", "GetDevNetWare", "GetDevSMB", "GetDevAppleTalk", "GetDevRendezvous",
    "GetDevNetInfo",
};

std::string counterCell(const FlaggedCounter& counter)
{
    return counter.valid ? std::to_string(counter.value) : "-";
}

// The traffic counters as a table of received and sent counts.
std::string statisticsTable(const NetworkStatistics& s)
{
    std::string out;
    if (s.macAddressValid) {
        out += "  Hardware address: " + core::hardwareAddressText(s.macAddress) + "\n";
    }
    if (s.upTimeValid) out += "  Up time:          " + core::formatUpTime(s.upTime) + "\n";
    const std::vector<std::vector<std::string>> rows = {
        {"  Unicast packets", counterCell(s.inUnicast), counterCell(s.outUnicast)},
        {"  Non-unicast packets", counterCell(s.inNonUnicast), counterCell(s.outNonUnicast)},
        {"  Interface errors", counterCell(s.inErrors), counterCell(s.outErrors)},
        {"  IP datagrams", counterCell(s.inIp), counterCell(s.outIp)},
        {"  SNMP packets", counterCell(s.inSnmp), counterCell(s.outSnmp)},
        {"  TCP segments", counterCell(s.inTcp), counterCell(s.outTcp)},
        {"  UDP datagrams", counterCell(s.inUdp), counterCell(s.outUdp)},
        {"  ICMP messages", counterCell(s.inIcmp), counterCell(s.outIcmp)},
        {"  ICMP errors", counterCell(s.inIcmpErrors), counterCell(s.outIcmpErrors)},
        {"  ICMP unreachable", counterCell(s.inIcmpUnreachable), "-"},
    };
    return out + formatColumns({"  Counter", "Received", "Sent"}, rows);
}

// A query that the device read's deadline leaves unread is named as such,
// in the document and in the text; true when the deadline has passed.
bool pastDeadline(core::Deadline deadline, const core::QuerySchema& query, nlohmann::json& queries,
                  std::string& textOut, size_t& notRead)
{
    if (std::chrono::steady_clock::now() < deadline) return false;
    const std::string why = core::pastDeadlineText(query.name);
    queries[query.name] = {{"result", nullptr}, {"error", why}};
    textOut += "\n" + core::queryTitle(query.name) + ": " + why + "\n";
    ++notRead;
    return true;
}

int stoppedAtDeadline(size_t notRead, std::ostream& err)
{
    err << "netrov-cli: the device read stopped at its deadline (" << core::kDeviceReadTimeOuts << " time-outs); "
        << notRead << (notRead == 1 ? " query" : " queries") << " not read\n";
    return kExitFailed;
}

// Every network query under its heading; a query that the device's
// definition does not serve is named with its reason.
int networkReport(DeviceIdentity& device, const std::string& model, bool json, nlohmann::json& document,
                  core::Deadline deadline, std::ostream& out, std::ostream& err)
{
    nlohmann::json queries = nlohmann::json::object();
    std::string textOut = "Model: " + terminalSafe(model) + "\n";
    bool anyRead = false;
    size_t notRead = 0;
    for (const char* name : kNetworkQueries) {
        const core::QuerySchema* query = core::findQuery(name);
        if (!query) continue;
        if (pastDeadline(deadline, *query, queries, textOut, notRead)) continue;
        const core::QueryReading reading = core::readQuery(*query, device);
        queries[query->name] = core::readingJson(*query, reading);
        addWords(*query->record, queries[query->name]);
        textOut += "\n" + core::queryTitle(query->name) + "\n";
        if (reading.result != NETROV_OK) {
            textOut += std::string("  ") + core::resultWords(reading.result) + "\n";
            continue;
        }
        anyRead = true;
        if (reading.stored() == 0) {
            textOut += "  (none reported)\n";
        } else if (std::string_view(name) == "GetDevNetInfo") {
            textOut += statisticsTable(*static_cast<const NetworkStatistics*>(reading.record(0)));
        } else {
            textOut += recordText(*query, reading);
        }
    }
    document["queries"] = queries;
    if (json)
        out << dumpJson(document) << "\n";
    else
        out << textOut;
    if (notRead > 0) return stoppedAtDeadline(notRead, err);
    return anyRead ? kExitOk : kExitFailed;
}

// How a command shows the one reading of another source; the commands
// without a row show what only SNMP's tables carry.
using ReadingPrint = int (*)(const core::DeviceReport&, const ReadOptions&, std::ostream&, std::ostream&);
struct FromReading {
    ReadCommand command;
    ReadingPrint print;
};
constexpr FromReading kFromReading[] = {
    {ReadCommand::Toner,
     [](const core::DeviceReport& r, const ReadOptions& o, std::ostream& out, std::ostream& err) {
         return printReadingSupplies(r, true, o.json, o.bars, out, err);
     }},
    {ReadCommand::Supplies,
     [](const core::DeviceReport& r, const ReadOptions& o, std::ostream& out, std::ostream& err) {
         return printReadingSupplies(r, false, o.json, o.bars, out, err);
     }},
    {ReadCommand::Trays,
     [](const core::DeviceReport& r, const ReadOptions& o, std::ostream& out, std::ostream& err) {
         return printReadingView(ReadingView::Trays, r, o.json, o.bars, out, err);
     }},
    {ReadCommand::Counters,
     [](const core::DeviceReport& r, const ReadOptions& o, std::ostream& out, std::ostream& err) {
         return printReadingView(ReadingView::Counters, r, o.json, o.bars, out, err);
     }},
};

ReadingPrint readingPrint(ReadCommand command)
{
    for (const FromReading& row : kFromReading) {
        if (row.command == command) return row.print;
    }
    return nullptr;
}

// The command as the user typed it, for the words of a refusal.
std::string commandWord(ReadCommand command, const ReadOptions& options)
{
    constexpr std::pair<ReadCommand, const char*> kWords[] = {
        {ReadCommand::Toner, "toner"},       {ReadCommand::Supplies, "supplies"},   {ReadCommand::Trays, "trays"},
        {ReadCommand::Marker, "marker"},     {ReadCommand::Query, "query"},         {ReadCommand::Inventory, "inventory"},
        {ReadCommand::Counters, "counters"}, {ReadCommand::Versions, "versions"},   {ReadCommand::Jobs, "jobs"},
        {ReadCommand::Fax, "fax"},           {ReadCommand::Scanner, "scanner"},     {ReadCommand::Network, "network"},
    };
    if (command == ReadCommand::Jobs && (options.jobLog || options.faxLog)) return options.jobLog ? "the job log" : "the fax log";
    for (const auto& [c, word] : kWords) {
        if (c == command) return word;
    }
    return "this command";
}

const char* queryOf(ReadCommand command)
{
    switch (command) {
    case ReadCommand::Toner: return "GetDevToner";
    case ReadCommand::Supplies: return "GetDevSupplies";
    case ReadCommand::Trays: return "GetDevTray";
    case ReadCommand::Marker: return "GetDevMarker";
    case ReadCommand::Counters: return "GetDevCounter";
    case ReadCommand::Versions: return "GetDevVersion";
    default: return nullptr;
    }
}

}  // namespace

std::string percentCell(bool present, int32_t percent, const std::string& remainingText, bool bar)
{
    if (!present) return remainingText.empty() ? "-" : remainingText;
    if (percent < 0) return remainingText.empty() ? "?" : remainingText;
    std::string cell;
    if (bar) {
        constexpr int kWidth = 10;
        const int filled = std::clamp(percent, 0, 100) * kWidth / 100;
        cell = "[" + std::string(static_cast<size_t>(filled), '#') + std::string(static_cast<size_t>(kWidth - filled), ' ') +
               "] ";
    }
    char number[16];
    snprintf(number, sizeof number, "%3d%%", percent);
    cell += number;
    if (!remainingText.empty()) cell += " " + remainingText;
    return cell;
}

int runReadCommand(ReadCommand command, const core::NetAddress& address, const ReadOptions& options, std::ostream& out,
                   std::ostream& err)
{
    const core::QuerySchema* single = nullptr;
    if (command == ReadCommand::Query) {
        single = core::findQuery(options.query);
        if (!single) {
            std::string known;
            for (const core::QuerySchema& q : core::deviceQueries()) known += std::string(known.empty() ? "" : ", ") + q.name;
            err << "netrov-cli: unknown query \"" << terminalSafe(options.query) << "\"; known: " << known << "\n";
            return kExitBadInput;
        }
    } else if (queryOf(command)) {
        single = core::findQuery(queryOf(command));
    }

    const core::Deadline deadline = core::deviceReadDeadline(options.timeOut);
    // The query under way, table walk included, ends a time-out after the deadline at the latest.
    const snmp::ReadDeadlineScope budget(deadline, std::chrono::seconds(options.timeOut > 0 ? options.timeOut : 3));
    const std::string addressText = core::netAddressText(address);
    const ReadingPrint fromReading = options.jobLog || options.faxLog ? nullptr : readingPrint(command);
    const bool fromSource = fromReading != nullptr;
    const auto printReading = [&](const core::DeviceReport& report) { return fromReading(report, options, out, err); };
    // The current jobs over IPP are Get-Jobs'; the logs are SNMP's alone.
    const bool ippJobs = command == ReadCommand::Jobs && !options.jobLog && !options.faxLog &&
                         options.source.source != core::Source::Snmp && options.source.source != core::Source::Both;
    const auto printIppJobsRead = [&] {
        return printIppJobs(core::readIppJobs(addressText, options.source, options.timeOut), options.json, out, err);
    };
    if (!fromSource && !ippJobs && options.source.source != core::Source::Auto &&
        options.source.source != core::Source::Snmp) {
        err << "netrov-cli: " << snmpOnlyText(commandWord(command, options)) << "\n";
        return kExitBadInput;
    }
    if (fromSource && options.source.source == core::Source::Ipp)
        return printReading(core::readIpp(addressText, options.source, options.timeOut));
    if (ippJobs && options.source.source == core::Source::Ipp) return printIppJobsRead();
    Session session;
    OpenedDevice opened = session.open(address, options.community, options.timeOut, options.snmpVersion);
    DeviceIdentity& device = opened.identity;
    const std::string& model = opened.model;
    const bool answered = opened.modelResult != NETROV_NO_REPLY;
    if (fromSource && (options.source.source == core::Source::Both || (!answered && options.source.source == core::Source::Auto))) {
        core::DeviceListEntry entry{};
        entry.identity = device;
        core::setDeviceAddress(entry.identity, address);
        entry.identity.timeout = options.timeOut;
        const core::DeviceReport report = core::readFromSource(entry, deadline, options.source, answered);
        // Where neither source answers, auto says what SNMP's silence says.
        if (answered || options.source.source == core::Source::Both || (report.answered && report.printer))
            return printReading(report);
    }
    // A printer SNMP does not answer may still give its current jobs over IPP.
    if (!answered && ippJobs && core::ippAvailable()) return printIppJobsRead();
    if (!answered) {
        err << "netrov-cli: " << noAnswerText(addressText) << "\n";
        return kExitFailed;
    }

    nlohmann::json document = {{"schemaVersion", kSchemaVersion}, {"address", addressText}, {"model", model}};
    if (command == ReadCommand::Network) {
        return networkReport(device, model, options.json, document, deadline, out, err);
    }
    if (!single) {
        nlohmann::json queries = nlohmann::json::object();
        std::string textOut = "Model: " + terminalSafe(model) + "\n";
        size_t notRead = 0;
        for (const core::QuerySchema* query : queriesOf(command, options)) {
            if (pastDeadline(deadline, *query, queries, textOut, notRead)) continue;
            const core::QueryReading reading = core::readQuery(*query, device);
            queries[query->name] = core::readingJson(*query, reading);
            addWords(*query->record, queries[query->name]);
            if (std::string_view(query->name) == "GetDevStatus" && reading.result == NETROV_OK) {
                // The alerts in words, from the message service.
                const std::vector<DeviceStatus> alerts = core::alertsAmong(core::statusRecords(reading));
                const auto messages = core::alertMessages(session.library().access(), device, alerts);
                nlohmann::json words = nlohmann::json::array();
                for (size_t i = 0; i < alerts.size(); ++i) {
                    const core::AlertMessage none;
                    const core::AlertMessage& m = i < messages.size() ? messages[i] : none;
                    words.push_back(toJson(alerts[i], m));
                    if (!m.message.empty()) textOut += "Alert: " + terminalSafe(m.message) + " - " + terminalSafe(m.hint) + "\n";
                }
                document["alerts"] = words;
            }
            // The inventory names each query as its key, for finding it in the JSON.
            textOut += "\n" + (command == ReadCommand::Inventory ? std::string(query->name) : core::queryTitle(query->name)) + ": ";
            if (reading.result != NETROV_OK) {
                textOut += std::string(core::resultWords(reading.result)) + "\n";
                continue;
            }
            if (command != ReadCommand::Inventory && isCapabilityList(*query)) {
                textOut += capabilityList(*query, reading);
                continue;
            }
            textOut += std::to_string(reading.count) + (reading.count == 1 ? " record\n" : " records\n");
            textOut += recordText(*query, reading);
        }
        document["queries"] = queries;
        if (options.json)
            out << dumpJson(document) << "\n";
        else
            out << textOut;
        return notRead > 0 ? stoppedAtDeadline(notRead, err) : kExitOk;
    }

    // A supply table is walked once, however long the device makes it.
    const bool supplyTable =
        command == ReadCommand::Toner || command == ReadCommand::Supplies || command == ReadCommand::Trays;
    const core::QueryReading reading =
        supplyTable ? core::readOnce(*single, device, core::kMaxSupplies) : core::readQuery(*single, device);
    if (options.json) {
        document["query"] = single->name;
        document.update(core::readingJson(*single, reading));
        addWords(*single->record, document);
        out << dumpJson(document) << "\n";
        return reading.result == NETROV_OK ? kExitOk : kExitFailed;
    }
    if (reading.result != NETROV_OK) {
        err << "netrov-cli: " << single->name << " of " << addressText << ": " << core::resultWords(reading.result)
            << "\n";
        return kExitFailed;
    }
    out << "Model: " << terminalSafe(model) << "\n";
    switch (command) {
    case ReadCommand::Toner: out << tonerTable(reading, options.bars); break;
    case ReadCommand::Supplies: out << suppliesTable(reading, options.bars); break;
    case ReadCommand::Trays: out << traysTable(reading, options.bars); break;
    case ReadCommand::Counters: out << countersTable(reading); break;
    case ReadCommand::Versions: out << versionsTable(reading); break;
    default: out << recordText(*single, reading); break;
    }
    if (reading.stored() == 0) out << "(none reported)\n";
    if (reading.count > reading.stored() && command != ReadCommand::Query && command != ReadCommand::Marker) {
        out << "(" << (reading.count - reading.stored()) << " more not shown)\n";
    }
    return kExitOk;
}

}  // namespace netrov::cli
