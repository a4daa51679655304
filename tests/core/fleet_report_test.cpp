// The report's schema: the same columns for every fleet, numbers only in
// number columns, the byte-order mark form, and the JSON vocabulary.
#include <chrono>

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "csv_records.h"
#include "fleet_report.h"

namespace netrov::core {
namespace {

TonerLevel toner(const char* colour, std::optional<int32_t> percent, std::optional<int32_t> code = std::nullopt)
{
    return {colour, std::string(colour) + " toner", percent, code ? "Some remaining" : "", code};
}

DeviceReport device(const char* address, std::vector<TonerLevel> levels)
{
    DeviceReport d;
    d.address = address;
    d.model = "Tarnwell ML-210";
    d.name = "ml210";
    d.location = "B\xC3\xBCro 2";  // "Büro 2"
    d.macAddress = "00:15:A3:00:00:01";
    d.status = "Ready";
    d.statusCode = 1;
    d.serialNumber = "ML210X1";
    d.pageCount = 48213;
    d.toner = std::move(levels);
    return d;
}

std::vector<DeviceReport> monoFleet() { return {device("192.0.2.1", {toner("black", 81)})}; }

std::vector<DeviceReport> colourFleet()
{
    return {device("192.0.2.2", {toner("black", 64), toner("cyan", std::nullopt, kLevelSomeRemaining),
                                 toner("magenta", 47), toner("yellow", 0), toner("other", 30),
                                 toner("black", std::nullopt, kLevelUnknown)})};
}

size_t column(const std::vector<std::string>& header, const char* name)
{
    const auto at = std::find(header.begin(), header.end(), name);
    EXPECT_NE(at, header.end()) << name;
    return static_cast<size_t>(at - header.begin());
}

TEST(ReportSchema, TheColumnsAreTheSameForAMonoAndAColourFleet)
{
    const auto mono = test::parseCsv(reportCsv(monoFleet()));
    const auto colour = test::parseCsv(reportCsv(colourFleet()));
    const auto none = test::parseCsv(reportCsv({}));
    ASSERT_EQ(mono.size(), 2u);
    ASSERT_EQ(colour.size(), 2u);
    EXPECT_EQ(mono[0], colour[0]);
    EXPECT_EQ(none[0], colour[0]);
    for (const auto& rows : {mono, colour}) EXPECT_EQ(rows[1].size(), rows[0].size());
    // The names scripts read, in their order.
    const std::vector<std::string>& header = colour[0];
    for (const char* name : {"address", "model", "name", "location", "mac", "status", "alerts", "serial", "pages",
                             "attention", "toner_black", "black_state", "toner_yellow", "yellow_state", "toner_other"})
        column(header, name);
    EXPECT_LT(column(header, "toner_black"), column(header, "toner_cyan"));
    EXPECT_LT(column(header, "toner_magenta"), column(header, "toner_yellow"));
}

TEST(ReportSchema, LevelColumnsHoldNumbersAndTheStateColumnsTheRest)
{
    const auto mono = test::parseCsv(reportCsv(monoFleet()));
    const auto colour = test::parseCsv(reportCsv(colourFleet()));
    const auto& h = colour[0];
    const struct {
        const std::vector<std::string>& row;
        const char* column;
        const char* value;
    } cases[] = {
        {mono[1], "toner_black", "81"},         {mono[1], "black_state", "ok"},
        {mono[1], "toner_cyan", ""},            {mono[1], "cyan_state", "not_reported"},
        {mono[1], "attention", "no"},           {mono[1], "attention_reasons", ""},
        {colour[1], "toner_cyan", ""},          {colour[1], "cyan_state", "some_remaining"},
        {colour[1], "toner_yellow", "0"},       {colour[1], "yellow_state", "empty"},
        {colour[1], "toner_magenta", "47"},     {colour[1], "attention", "yes"},
        {colour[1], "attention_reasons", "supply_empty"},
        {colour[1], "toner_other", "other toner 30; black toner unknown"},
        {colour[1], "pages", "48213"},          {colour[1], "location", "B\xC3\xBCro 2"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.row[column(h, c.column)], c.value) << c.column;
}

TEST(ReportSchema, TheByteOrderMarkFormParsesBack)
{
    const std::string text = kUtf8ByteOrderMark + reportCsv(colourFleet());
    ASSERT_EQ(text.rfind("\xEF\xBB\xBF" "address,", 0), 0u);
    const auto rows = test::parseCsv(text.substr(3));
    EXPECT_EQ(rows, test::parseCsv(reportCsv(colourFleet())));
    EXPECT_EQ(rows[1][column(rows[0], "location")], "B\xC3\xBCro 2");
}

TEST(ReportSchema, JsonKeepsTheVocabularyAndTheOldKeys)
{
    const nlohmann::json mono = reportJson(monoFleet());
    const nlohmann::json colour = reportJson(colourFleet());
    ASSERT_TRUE(mono.is_array());
    const nlohmann::json& m = mono.at(0);
    const nlohmann::json& c = colour.at(0);
    EXPECT_EQ(m.at("schemaVersion"), 1);
    const struct {
        const char* key;
        nlohmann::json value;
    } cases[] = {
        {"address", "192.0.2.1"}, {"name", "ml210"}, {"model", "Tarnwell ML-210"}, {"serial", "ML210X1"},
        {"serialNumber", "ML210X1"}, {"location", "B\xC3\xBCro 2"}, {"mac", "00:15:A3:00:00:01"},
        {"macAddress", "00:15:A3:00:00:01"}, {"attention", false}, {"pageCount", 48213},
    };
    for (const auto& k : cases) EXPECT_EQ(m.at(k.key), k.value) << k.key;
    // The four process colours are always there, present or not.
    for (const char* colourName : kProcessColours) {
        EXPECT_TRUE(m.at("toner").contains(colourName)) << colourName;
        EXPECT_EQ(m.at("toner").at(colourName).size(), c.at("toner").at(colourName).size()) << colourName;
    }
    EXPECT_EQ(m.at("toner").at("cyan").at("levelState"), "not_reported");
    EXPECT_TRUE(m.at("toner").at("cyan").at("level").is_null());
    EXPECT_EQ(c.at("toner").at("cyan").at("levelState"), "some_remaining");
    EXPECT_TRUE(c.at("toner").at("cyan").at("level").is_null());  // never a level code
    EXPECT_EQ(c.at("toner").at("yellow").at("level"), 0);
    // Only the process colours are keys; a fifth colour and a second black are in the list.
    EXPECT_EQ(c.at("toner").size(), 4u);
    ASSERT_EQ(c.at("toners").size(), 6u);
    EXPECT_EQ(c.at("toners").at(4).at("colour"), "other");
    EXPECT_EQ(c.at("toners").at(4).at("level"), 30);
    EXPECT_EQ(c.at("toners").at(5).at("levelState"), "unknown");
    EXPECT_EQ(c.at("attention"), true);
    EXPECT_EQ(c.at("attentionReasons"), nlohmann::json::array({"supply_empty"}));
}

// One device's read ends within a minute, the query under way included.
TEST(DeviceReadDeadline, FifteenTimeOutsButAMinuteInAll)
{
    struct Row {
        int32_t timeOut;
        int64_t seconds;
    };
    const Row rows[] = {{0, 45}, {1, 15}, {3, 45}, {5, 55}, {20, 40}, {30, 30}, {60, 60}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.timeOut);
        const auto left = deviceReadDeadline(row.timeOut) - std::chrono::steady_clock::now();
        EXPECT_NEAR(std::chrono::duration<double>(left).count(), static_cast<double>(row.seconds), 1.0);
    }
}

}  // namespace
}  // namespace netrov::core
