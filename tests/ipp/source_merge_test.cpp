// Two readings of one device, by SNMP and by IPP: SNMP first, IPP fills what
// SNMP lacks, and where they disagree the reading says so.
#include <functional>

#include <gtest/gtest.h>

#include "source_reading.h"

namespace netrov::core {
namespace {

TonerLevel toner(const char* colour, std::optional<int32_t> percent)
{
    TonerLevel t;
    t.colour = colour;
    t.name = std::string(colour) + " toner";
    t.percent = percent;
    return t;
}

DeviceReport snmpReading()
{
    DeviceReport r;
    r.address = "192.0.2.7";
    r.model = "Tarnwell ML-210";
    r.serialNumber = "ML210X1";
    r.statusRead = true;
    r.statusCode = kStatusReady;
    r.toner = {toner("black", 80), toner("cyan", 50)};
    return r;
}

DeviceReport ippReading()
{
    DeviceReport r = snmpReading();
    r.source = "ipp";
    r.uuid = "11111111-2222-3333-4444-555555555555";
    r.location = "Room 5";
    r.pageCount = 4321;
    r.statusCode = kStatusPrinting;
    return r;
}

struct MergeRow {
    const char* name;
    std::function<void(DeviceReport& snmp, DeviceReport& ipp)> change;
    const char* source;
    std::vector<std::string> disagreements;
    const char* location;  // what the merged reading has
    bool merged = true;    // false: another device, SNMP's reading alone
};

TEST(SourceMerge, SnmpFirstIppFillsAndDisagreementsAreSaid)
{
    const MergeRow rows[] = {
        {"ipp fills the location and page count; printing and ready agree", [](auto&, auto&) {}, "snmp+ipp", {}, "Room 5"},
        {"levels 10 points apart agree", [](auto&, auto& i) { i.toner[0].percent = 70; }, "snmp+ipp", {}, "Room 5"},
        {"a level 11 points apart disagrees",
         [](auto&, auto& i) { i.toner[1].percent = 61; },
         "snmp+ipp",
         {"cyan toner: 50 % by SNMP, 61 % by IPP"},
         "Room 5"},
        {"another state disagrees",
         [](auto&, auto& i) { i.statusCode = kStatusError; },
         "snmp+ipp",
         {"state: " + statusWordText(kStatusReady) + " by SNMP, " + statusWordText(kStatusError) + " by IPP"},
         "Room 5"},
        {"nothing to fill keeps snmp as the source",
         [](auto& s, auto&) {
             s.location = "Hall";
             s.pageCount = 1;
         },
         "snmp",
         {},
         "Hall"},
        {"ipp gives the toner snmp lacks",
         [](auto& s, auto& i) {
             s.toner.clear();
             s.suppliesFailed = true;
             i.toner[0].percent = 5;
         },
         "snmp+ipp",
         {},
         "Room 5"},
        {"another serial number is another device",
         [](auto&, auto& i) { i.serialNumber = "OTHER"; },
         "snmp",
         {},
         "",
         false},
        {"a serial number written otherwise is the same device", [](auto&, auto& i) { i.serialNumber = "ml210-x1"; },
         "snmp+ipp", {}, "Room 5"},
        {"snmp silent: the ipp reading",
         [](auto& s, auto&) {
             s.answered = false;
             s.problems = {"status: no answer"};
         },
         "ipp",
         {},
         "Room 5"},
    };
    for (const MergeRow& row : rows) {
        SCOPED_TRACE(row.name);
        DeviceReport snmp = snmpReading();
        DeviceReport ipp = ippReading();
        row.change(snmp, ipp);
        const DeviceReport merged = mergeReadings(snmp, ipp);
        EXPECT_EQ(merged.source, row.source);
        EXPECT_EQ(merged.sourceDisagreements, row.disagreements);
        EXPECT_EQ(merged.location, row.location);
        EXPECT_EQ(merged.pageCount.has_value(), row.merged);
        EXPECT_EQ(merged.uuid.empty(), !row.merged);
        EXPECT_FALSE(merged.toner.empty());
        EXPECT_TRUE(merged.answered);
    }
}

TEST(SourceMerge, TheFilledTonerIsJudgedAsSnmpToner)
{
    DeviceReport snmp = snmpReading();
    snmp.toner.clear();
    DeviceReport ipp = ippReading();
    ipp.toner[0].percent = 0;
    const DeviceReport merged = mergeReadings(snmp, ipp);
    ASSERT_EQ(merged.toner.size(), 2u);
    EXPECT_EQ(merged.toner[0].state, LevelState::Empty);
    EXPECT_TRUE(deviceAttention(merged).needed());
}

}  // namespace
}  // namespace netrov::core
