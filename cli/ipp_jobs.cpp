// Printing a printer's current jobs read over IPP.
#include "ipp_jobs.h"

#include <ostream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "exit_codes.h"
#include "report.h"
#include "words.h"

namespace netrov::cli {

namespace {

using core::ipp::IppJob;

template <class T>
nlohmann::json optionalJson(const std::optional<T>& value)
{
    return value ? nlohmann::json(*value) : nlohmann::json();
}

std::string reasonsText(const IppJob& job)
{
    std::string text;
    for (const std::string& reason : job.stateReasons) {
        if (reason == "none") continue;
        text += (text.empty() ? "" : ", ") + reason;
    }
    return text.empty() ? "-" : text;
}

// Each field of a job once: its text column (none: JSON only), its JSON
// key, and how each shows it.
struct JobField {
    const char* header;
    const char* key;
    std::string (*cell)(const IppJob&);
    nlohmann::json (*value)(const IppJob&);
};

constexpr JobField kJobFields[] = {
    {"Job", "jobId", [](const IppJob& j) { return j.id > 0 ? std::to_string(j.id) : std::string("-"); },
     [](const IppJob& j) { return j.id > 0 ? nlohmann::json(j.id) : nlohmann::json(); }},
    {"Name", "name", [](const IppJob& j) { return j.name.empty() ? std::string("-") : terminalSafe(j.name); },
     [](const IppJob& j) { return nlohmann::json(j.name); }},
    {"Owner", "user", [](const IppJob& j) { return j.user.empty() ? std::string("-") : terminalSafe(j.user); },
     [](const IppJob& j) { return nlohmann::json(j.user); }},
    {nullptr, "state", nullptr, [](const IppJob& j) { return j.state > 0 ? nlohmann::json(j.state) : nlohmann::json(); }},
    {"State", "stateText",
     [](const IppJob& j) { return core::capitalised(std::string(core::ipp::jobStateWord(j.state))); },
     [](const IppJob& j) { return nlohmann::json(core::ipp::jobStateWord(j.state)); }},
    {"Reasons", "stateReasons", reasonsText, [](const IppJob& j) { return nlohmann::json(j.stateReasons); }},
    {"Pages", "impressionsCompleted",
     [](const IppJob& j) { return j.impressionsCompleted ? std::to_string(*j.impressionsCompleted) : std::string("-"); },
     [](const IppJob& j) { return optionalJson(j.impressionsCompleted); }},
    // The printer's up-time when the job came, not a clock time.
    {"Came at up-time", "timeAtCreation",
     [](const IppJob& j) {
         return j.timeAtCreation && *j.timeAtCreation >= 0 ? core::formatUpTime(static_cast<uint64_t>(*j.timeAtCreation))
                                                           : std::string("-");
     },
     [](const IppJob& j) { return optionalJson(j.timeAtCreation); }},
};

}  // namespace

int printIppJobs(const core::ipp::IppJobs& jobs, bool json, std::ostream& out, std::ostream& err)
{
    if (!jobs.answered) {
        err << "netrov-cli: the current jobs of " << terminalSafe(jobs.address) << " were not read";
        for (const std::string& p : jobs.problems) err << "; " << terminalSafe(p);
        err << "\n";
        return kExitFailed;
    }
    if (json) {
        nlohmann::json records = nlohmann::json::array();
        for (const IppJob& job : jobs.jobs) {
            nlohmann::json record = nlohmann::json::object();
            for (const JobField& field : kJobFields) record[field.key] = field.value(job);
            records.push_back(std::move(record));
        }
        const nlohmann::json document = {
            {"schemaVersion", kSchemaVersion},
            {"address", jobs.address},
            {"source", "ipp"},
            {"currentJobs", {{"count", jobs.jobs.size()}, {"more", jobs.more}, {"records", records}}},
            {"problems", jobs.problems},
        };
        out << dumpJson(document) << "\n";
        return kExitOk;
    }
    std::vector<std::string> header;
    for (const JobField& field : kJobFields) {
        if (field.header) header.push_back(field.header);
    }
    std::vector<std::vector<std::string>> rows;
    for (const IppJob& job : jobs.jobs) {
        std::vector<std::string>& row = rows.emplace_back();
        for (const JobField& field : kJobFields) {
            if (field.header) row.push_back(field.cell(job));
        }
    }
    out << "Address: " << terminalSafe(jobs.address) << "\nSource: ipp\n\nCurrent jobs: " << jobs.jobs.size()
        << (jobs.jobs.size() == 1 ? " record\n" : " records\n");
    if (rows.empty()) {
        out << "(none reported)\n";
    } else {
        out << formatColumns(header, rows);
    }
    if (jobs.more) out << "(more not shown)\n";
    return kExitOk;
}

}  // namespace netrov::cli
