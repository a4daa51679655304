// A printer's current jobs over IPP without a printer: the job groups of a
// Get-Jobs answer made in memory, and what the command line prints of them.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <sstream>

#include <cups/ipp.h>
#include <nlohmann/json.hpp>

#include "cli/exit_codes.h"
#include "cli/ipp_jobs.h"
#include "ipp_exchange.h"
#include "ipp_reading.h"
#include "temp_dir.h"

namespace netrov::core::ipp {
namespace {

constexpr const char* kMarkup = "\x1b[2J<b>Q3</b> & \"notes\"";

void addJob(ipp_t* ipp, int id, const char* name, const char* user, int state, std::vector<const char*> reasons)
{
    if (ippFirstAttribute(ipp)) ippAddSeparator(ipp);
    ippAddInteger(ipp, IPP_TAG_JOB, IPP_TAG_INTEGER, "job-id", id);
    if (name) ippAddString(ipp, IPP_TAG_JOB, IPP_TAG_NAME, "job-name", nullptr, name);
    if (user) ippAddString(ipp, IPP_TAG_JOB, IPP_TAG_NAME, "job-originating-user-name", nullptr, user);
    if (state) ippAddInteger(ipp, IPP_TAG_JOB, IPP_TAG_ENUM, "job-state", state);
    if (!reasons.empty())
        ippAddStrings(ipp, IPP_TAG_JOB, IPP_TAG_KEYWORD, "job-state-reasons", static_cast<int>(reasons.size()), nullptr,
                      reasons.data());
}

struct JobRow {
    const char* name;
    std::function<void(ipp_t*)> answer;
    std::vector<IppJob> jobs;
    bool more = false;
};

TEST(IppJobs, EachJobGroupOfTheAnswerIsOneJob)
{
    IppJob printing{7, "Quarterly report", "alice", 5, {"job-printing"}, 3, 120};
    IppJob waiting{8, kMarkup, "bob", 3, {"none"}, std::nullopt, std::nullopt};
    const JobRow rows[] = {
        {"two jobs",
         [](ipp_t* ipp) {
             ippAddString(ipp, IPP_TAG_OPERATION, IPP_TAG_CHARSET, "attributes-charset", nullptr, "utf-8");
             addJob(ipp, 7, "Quarterly report", "alice", 5, {"job-printing"});
             ippAddInteger(ipp, IPP_TAG_JOB, IPP_TAG_INTEGER, "job-impressions-completed", 3);
             ippAddInteger(ipp, IPP_TAG_JOB, IPP_TAG_INTEGER, "time-at-creation", 120);
             addJob(ipp, 8, kMarkup, "bob", 3, {"none"});
         },
         {printing, waiting}},
        {"values of another kind are left out",
         [](ipp_t* ipp) {
             ippAddString(ipp, IPP_TAG_JOB, IPP_TAG_TEXT, "job-id", nullptr, "7");
             ippAddInteger(ipp, IPP_TAG_JOB, IPP_TAG_INTEGER, "job-state", 5);
             ippAddString(ipp, IPP_TAG_JOB, IPP_TAG_KEYWORD, "job-name", nullptr, "report");
             ippAddString(ipp, IPP_TAG_JOB, IPP_TAG_NAME, "job-state-reasons", nullptr, "job-printing");
             ippAddString(ipp, IPP_TAG_JOB, IPP_TAG_TEXT, "job-impressions-completed", nullptr, "3");
         },
         {IppJob{}}},
        {"operation and printer groups hold no jobs",
         [](ipp_t* ipp) {
             ippAddInteger(ipp, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", 1);
             ippAddInteger(ipp, IPP_TAG_PRINTER, IPP_TAG_INTEGER, "job-id", 2);
         },
         {}},
        {"more jobs than are kept",
         [](ipp_t* ipp) {
             for (size_t i = 0; i <= kMaxIppJobs; ++i) addJob(ipp, static_cast<int>(i + 1), nullptr, nullptr, 3, {});
         },
         {},
         true},
    };
    for (const JobRow& row : rows) {
        SCOPED_TRACE(row.name);
        const Message answer(ippNew());
        row.answer(answer.get());
        IppJobs jobs;
        fillJobs(jobs, answer.get());
        EXPECT_EQ(jobs.more, row.more);
        if (row.more) {
            ASSERT_EQ(jobs.jobs.size(), kMaxIppJobs);
            EXPECT_EQ(jobs.jobs.back().id, static_cast<int32_t>(kMaxIppJobs));
            continue;
        }
        EXPECT_EQ(jobs.jobs, row.jobs);
    }
}

struct Bytes {
    const std::string* data;
    size_t at;
};

ssize_t readBytes(void* context, ipp_uchar_t* buffer, size_t wanted)
{
    auto* bytes = static_cast<Bytes*>(context);
    const size_t n = std::min(wanted, bytes->data->size() - bytes->at);
    std::memcpy(buffer, bytes->data->data() + bytes->at, n);
    bytes->at += n;
    return static_cast<ssize_t>(n);
}

// libcups reads what it can of a cut answer; the jobs taken from it are
// never more than the whole answer's.
TEST(IppJobs, EveryCutOfAnAnswerGivesAtMostItsJobs)
{
    const std::string whole = test::readFile(std::string(NETROV_SOURCE_DIR) + "/fuzz/corpus/ipp_values/jobs_answer.ipp");
    ASSERT_FALSE(whole.empty());
    for (size_t size = 0; size <= whole.size(); ++size) {
        const std::string cut = whole.substr(0, size);
        Bytes bytes{&cut, 0};
        const Message answer(ippNew());
        IppJobs jobs;
        if (ippReadIO(&bytes, readBytes, 1, nullptr, answer.get()) == IPP_STATE_DATA) fillJobs(jobs, answer.get());
        ASSERT_LE(jobs.jobs.size(), 2u) << size;
        if (size < whole.size()) continue;
        ASSERT_EQ(jobs.jobs.size(), 2u);
        EXPECT_EQ(jobs.jobs[0].name, "Quarterly report");
        EXPECT_EQ(jobs.jobs[1].name, "\x1b[2J<b>");
        EXPECT_EQ(jobs.jobs[1].stateReasons, (std::vector<std::string>{"job-printing", "job-hold-until-specified"}));
    }
}

struct PrintRow {
    const char* name;
    IppJobs jobs;
    bool json;
    int exit;
    std::vector<std::string> holds;  // in the output, or on err when it fails
    std::vector<std::string> lacks;
};

TEST(IppJobs, TheCommandLinePrintsDeviceTextsAsData)
{
    const IppJob held{8, kMarkup, "bob", 4, {"job-hold-until-specified", "none"}, 0, 4000};
    const PrintRow rows[] = {
        {"a table",
         {"2001:db8::21", true, {held}},
         false,
         cli::kExitOk,
         {"Address: 2001:db8::21\nSource: ipp\n\nCurrent jobs: 1 record\n", "?[2J<b>Q3</b> & \"notes\"",
          "Held", "job-hold-until-specified  0", "1 hour 6 minutes"},
         {"\x1b", "none", "more not shown"}},
        {"JSON", {"::1", true, {held}, true}, true, cli::kExitOk, {"\\u001b[2J<b>Q3</b> & \\\"notes\\\""}, {"\x1b"}},
        {"no jobs", {"192.0.2.1", true}, false, cli::kExitOk, {"Current jobs: 0 records\n(none reported)\n"}, {}},
        {"more than are kept", {"192.0.2.1", true, {held}, true}, false, cli::kExitOk, {"(more not shown)\n"}, {}},
        {"no answer",
         {"192.0.2.1\x1b", false, {}, false, {"IPP: no answer on port 631 (\x1b]0;x)"}},
         false,
         cli::kExitFailed,
         {"netrov-cli: the current jobs of 192.0.2.1? were not read; IPP: no answer on port 631 (?]0;x)\n"},
         {"\x1b"}},
    };
    for (const PrintRow& row : rows) {
        SCOPED_TRACE(row.name);
        std::ostringstream out;
        std::ostringstream err;
        EXPECT_EQ(cli::printIppJobs(row.jobs, row.json, out, err), row.exit);
        const std::string shown = row.exit == cli::kExitOk ? out.str() : err.str();
        EXPECT_EQ((row.exit == cli::kExitOk ? err : out).str(), "");
        for (const std::string& text : row.holds) EXPECT_NE(shown.find(text), std::string::npos) << text << "\n" << shown;
        for (const std::string& text : row.lacks) EXPECT_EQ(shown.find(text), std::string::npos) << text << "\n" << shown;
        if (!row.json) continue;
        const nlohmann::json document = nlohmann::json::parse(shown);
        EXPECT_EQ(document["address"], "::1");
        EXPECT_EQ(document["source"], "ipp");
        EXPECT_EQ(document["currentJobs"]["count"], 1);
        EXPECT_EQ(document["currentJobs"]["more"], true);
        const nlohmann::json expected = {{"jobId", 8},           {"name", kMarkup},
                                         {"user", "bob"},        {"state", 4},
                                         {"stateText", "held"},  {"stateReasons", {"job-hold-until-specified", "none"}},
                                         {"impressionsCompleted", 0}, {"timeAtCreation", 4000}};
        EXPECT_EQ(document["currentJobs"]["records"][0], expected);
    }
}

}  // namespace
}  // namespace netrov::core::ipp
