// The three lists of queries agree: the service's entry points, the front
// library's forwarded queries and the core's record schema.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "netrov/tuva_queries.h"
#include "queries.h"
#include "record_schema.h"

using namespace netrov;

namespace {

// Forwarded queries the schema does not describe, and why: the message
// service's query, the Set operations (no records), the Parse calls (they
// read a packed value the caller holds, not the device) and the model name
// (it fills the device record itself).
const std::set<std::string> kNotInTheSchema = {
    "GetMsg",        "SetDeviceTrap",   "SetJobTrap",      "SetJobContinue",      "SetJobCancel",
    "ParseCurrentJobInfo", "ParseJobLogInfo", "ParseFaxLogInfo", "GetDevModelName",
};
// Forwarded by the front library but served by the message service.
const std::set<std::string> kNotInTheService = {"GetMsg"};
// Served but not forwarded: the front library merges the searches itself.
const std::set<std::string> kNotForwarded = {"SearchDevice"};

std::set<std::string> forwarded()
{
    std::set<std::string> names;
#define NETROV_FORWARDED_NAME(ordinal, Name) names.insert(#Name);
    NETROV_FORWARDED_QUERIES(NETROV_FORWARDED_NAME)
#undef NETROV_FORWARDED_NAME
    return names;
}

const tessel::QueryInfo* served(const std::string& name)
{
    for (const tessel::QueryInfo& query : tessel::kQueries) {
        if (std::string(query.name) == "TUVASRV_" + name) return &query;
    }
    return nullptr;
}

}  // namespace

TEST(QueryLists, EveryForwardedQueryIsServedAndEveryServedQueryForwarded)
{
    const std::set<std::string> names = forwarded();
    for (const std::string& name : names) {
        EXPECT_EQ(served(name) != nullptr, !kNotInTheService.count(name)) << name;
    }
    for (const tessel::QueryInfo& query : tessel::kQueries) {
        const std::string name = std::string(query.name).substr(8);
        EXPECT_EQ(names.count(name) == 1, !kNotForwarded.count(name)) << name;
    }
}

TEST(QueryLists, EveryForwardedQueryIsDescribedWithItsRecordOrListedAsAnException)
{
    for (const std::string& name : forwarded()) {
        const core::QuerySchema* schema = core::findQuery(name);
        if (kNotInTheSchema.count(name)) {
            EXPECT_EQ(schema, nullptr) << name << " is described: it leaves the list of exceptions";
            continue;
        }
        ASSERT_NE(schema, nullptr) << name << " is forwarded but the schema does not describe it";
        ASSERT_NE(schema->record, nullptr) << name;
        if (const tessel::QueryInfo* query = served(name)) {
            EXPECT_EQ(schema->record->size, query->recordSize) << name << " reads " << schema->record->name;
        }
    }
    for (const core::QuerySchema& schema : core::deviceQueries()) {
        EXPECT_TRUE(forwarded().count(schema.name)) << schema.name << " is described but not forwarded";
    }
}
