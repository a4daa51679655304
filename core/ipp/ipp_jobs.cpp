// A printer's current jobs over IPP: one Get-Jobs exchange through libcups,
// each job group of the answer turned into a job.
#include <algorithm>
#include <iterator>
#include <string_view>

#include "ipp_exchange.h"
#include "ipp_reading.h"

namespace netrov::core::ipp {

namespace {

constexpr const char* kJobAttributes[] = {
    "job-id", "job-name", "job-originating-user-name", "job-state", "job-state-reasons", "job-impressions-completed",
    "time-at-creation",
};

std::optional<int32_t> integerOf(ipp_attribute_t* attribute, ipp_tag_t tag)
{
    if (ippGetValueTag(attribute) != tag || ippGetCount(attribute) < 1) return std::nullopt;
    return ippGetInteger(attribute, 0);
}

// One attribute of a job group into the job; attributes of a kind other
// than IPP gives them are left out, as if the printer had not sent them.
void takeAttribute(IppJob& job, ipp_attribute_t* attribute)
{
    const char* raw = ippGetName(attribute);
    if (!raw) return;
    const std::string_view name = raw;
    const ipp_tag_t tag = ippGetValueTag(attribute);
    const bool text = tag == IPP_TAG_NAME || tag == IPP_TAG_NAMELANG || tag == IPP_TAG_TEXT || tag == IPP_TAG_TEXTLANG;
    if (name == "job-id") {
        job.id = integerOf(attribute, IPP_TAG_INTEGER).value_or(0);
    } else if (name == "job-name" && text) {
        job.name = attributeText(attribute, 0);
    } else if (name == "job-originating-user-name" && text) {
        job.user = attributeText(attribute, 0);
    } else if (name == "job-state") {
        job.state = integerOf(attribute, IPP_TAG_ENUM).value_or(0);
    } else if (name == "job-state-reasons" && tag == IPP_TAG_KEYWORD) {
        const int count = std::min(ippGetCount(attribute), static_cast<int>(kMaxJobReasons));
        for (int i = 0; i < count; ++i) job.stateReasons.push_back(attributeText(attribute, i));
    } else if (name == "job-impressions-completed") {
        job.impressionsCompleted = integerOf(attribute, IPP_TAG_INTEGER);
    } else if (name == "time-at-creation") {
        job.timeAtCreation = integerOf(attribute, IPP_TAG_INTEGER);
    }
}

}  // namespace

void fillJobs(IppJobs& jobs, const void* response)
{
    auto* ipp = static_cast<ipp_t*>(const_cast<void*>(response));
    // A job group runs until an attribute of another group or a separator.
    bool inJob = false;
    for (ipp_attribute_t* attribute = ippFirstAttribute(ipp); attribute; attribute = ippNextAttribute(ipp)) {
        if (ippGetGroupTag(attribute) != IPP_TAG_JOB || !ippGetName(attribute)) {
            inJob = false;
            continue;
        }
        if (!inJob) {
            if (jobs.jobs.size() == kMaxIppJobs) {
                jobs.more = true;
                return;
            }
            jobs.jobs.emplace_back();
            inJob = true;
        }
        takeAttribute(jobs.jobs.back(), attribute);
    }
}

IppJobs readIppJobs(const IppTarget& target)
{
    IppJobs jobs;
    jobs.address = hostText(target.host);
    Exchange answer = exchange(target, IPP_OP_GET_JOBS, [](ipp_t* request) {
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "which-jobs", nullptr, "not-completed");
        // One more than is kept tells that there are more.
        ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "limit", static_cast<int>(kMaxIppJobs + 1));
        ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                      static_cast<int>(std::size(kJobAttributes)), nullptr, kJobAttributes);
    });
    jobs.problems = std::move(answer.problems);
    jobs.answered = answer.result == ExchangeResult::Answered;
    if (jobs.answered) fillJobs(jobs, answer.response.get());
    return jobs;
}

}  // namespace netrov::core::ipp
