// netrov-cli's output in words: columns padded by display width, codes in words beside their numbers, human labels, and the JSON vocabulary.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include <netrov/consumable_records.h>
#include <netrov/network_records.h>

#include "query_commands.h"
#include "report.h"
#include "words.h"

namespace netrov::cli {
namespace {

// The display column at which each line's second cell starts.
std::vector<size_t> secondColumns(const std::string& table)
{
    std::vector<size_t> columns;
    std::istringstream lines(table);
    std::string line;
    while (std::getline(lines, line)) {
        const size_t gap = line.find("  ");
        const size_t start = line.find_first_not_of(' ', gap);
        columns.push_back(core::displayWidth(line.substr(0, start)));
    }
    return columns;
}

TEST(QueryWords, ColumnsLineUpByDisplayWidth)
{
    struct Case {
        const char* what;
        const char* cell;
    };
    const Case cases[] = {
        {"ASCII", "Office"},
        {"precomposed umlaut", "B\xC3\xBCro"},
        {"combining diaeresis", "Bu\xCC\x88ro"},
        {"CJK", "\xE5\x8A\x9E\xE5\x85\xAC\xE5\xAE\xA4"},  // three wide characters, six columns
        {"full-width digits", "\xEF\xBC\x92\xEF\xBC\x93"},
    };
    std::vector<std::vector<std::string>> rows;
    for (const Case& c : cases) rows.push_back({c.cell, "next"});
    const std::string table = formatColumns({"Location", "Next"}, rows);
    const std::vector<size_t> columns = secondColumns(table);
    ASSERT_EQ(columns.size(), std::size(cases) + 1) << table;
    // The widest cell is "Location" (8 columns); every second cell starts two columns after it.
    for (size_t i = 0; i < columns.size(); ++i) EXPECT_EQ(columns[i], 10u) << "line " << i << "\n" << table;
}

core::QueryReading readingOf(const void* records, uint32_t size, int32_t count)
{
    core::QueryReading reading;
    reading.recordSize = size;
    reading.count = count;
    reading.records.assign(static_cast<const uint8_t*>(records), static_cast<const uint8_t*>(records) + size * count);
    return reading;
}

TEST(QueryWords, SuppliesKeepTheirNumbersAndGainWordsAndLevelStates)
{
    struct Case {
        int32_t type;
        bool percentValid;
        int32_t percent;
        const char* typeText;
        nlohmann::json level;
        const char* levelState;
    };
    const Case cases[] = {
        {21, true, 50, "toner cartridge", 50, "ok"},
        {9, true, 3, "photoconductor (drum)", 3, "low"},
        {4, true, 0, "waste toner", 0, "empty"},
        {3, true, -3, "toner", nullptr, "some_remaining"},
        {3, true, -2, "toner", nullptr, "unknown"},
        {77, false, 0, "other (77)", nullptr, "not_reported"},
    };
    std::vector<SupplyEntry> supplies(std::size(cases));
    for (size_t i = 0; i < supplies.size(); ++i) {
        std::memset(&supplies[i], 0, sizeof supplies[i]);
        supplies[i].typeValid = 1;
        supplies[i].supplyType = cases[i].type;
        supplies[i].remainingPercentValid = cases[i].percentValid;
        supplies[i].remainingPercent = cases[i].percent;
    }
    const core::QuerySchema* query = core::findQuery("GetDevSupplies");
    ASSERT_NE(query, nullptr);
    const core::QueryReading reading = readingOf(supplies.data(), sizeof(SupplyEntry), static_cast<int32_t>(supplies.size()));
    nlohmann::json json = core::readingJson(*query, reading);
    addWords(*query->record, json);
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        const nlohmann::json& record = json["records"][i];
        EXPECT_EQ(record["supplyType"], cases[i].type);
        EXPECT_EQ(record["supplyTypeText"], cases[i].typeText);
        EXPECT_EQ(record["level"], cases[i].level);
        EXPECT_EQ(record["levelState"], cases[i].levelState);
        // The old key keeps its code for one release.
        if (cases[i].percentValid) {
            EXPECT_EQ(record["remainingPercentage"], cases[i].percent);
        }
    }
}

TEST(QueryWords, RecordLinesUseLabelsAndWordsOnce)
{
    MarkerInfo marker;
    std::memset(&marker, 0, sizeof marker);
    marker.markTechValid = 1;
    marker.markTech = 4;
    std::strcpy(marker.markTechName, "electrophotographicLaser");
    marker.counterUnitValid = 1;
    marker.counterUnit = 7;
    std::strcpy(marker.counterUnitName, "impressions");
    const core::QuerySchema* markerQuery = core::findQuery("GetDevMarker");
    ASSERT_NE(markerQuery, nullptr);
    const std::string markerText = recordText(*markerQuery, readingOf(&marker, sizeof marker, 1));
    EXPECT_NE(markerText.find("Marking technology:"), std::string::npos) << markerText;
    EXPECT_NE(markerText.find("Electrophotographic (laser)"), std::string::npos) << markerText;
    EXPECT_NE(markerText.find("Counter unit:"), std::string::npos) << markerText;
    EXPECT_NE(markerText.find("Impressions"), std::string::npos) << markerText;
    EXPECT_EQ(markerText.find("markingTechnology"), std::string::npos) << markerText;
    EXPECT_EQ(markerText.find("electrophotographicLaser"), std::string::npos) << markerText;

    TcpSettings tcp;
    std::memset(&tcp, 0, sizeof tcp);
    tcp.enabledValid = 1;
    tcp.enabled = 1;
    std::strcpy(tcp.enabledText, "Enabled");
    const core::QuerySchema* tcpQuery = core::findQuery("GetDevTCP");
    ASSERT_NE(tcpQuery, nullptr);
    const std::string tcpText = recordText(*tcpQuery, readingOf(&tcp, sizeof tcp, 1));
    EXPECT_NE(tcpText.find("TCP/IP:"), std::string::npos) << tcpText;
    EXPECT_NE(tcpText.find("Enabled"), std::string::npos) << tcpText;
    EXPECT_EQ(tcpText.find("TCP/IP:", tcpText.find("TCP/IP:") + 1), std::string::npos) << "one line\n" << tcpText;
    EXPECT_EQ(tcpText.find("tcpIpEnabled"), std::string::npos) << tcpText;
}

TEST(QueryWords, SearchJsonSpeaksTheSharedVocabulary)
{
    DeviceRow row{"Tarnwell CL-560", "B\xC3\xBCro 2", "Floor 1", "Network", "127.0.0.2", "00:15:A3:20:05:60", "Ready", 1};
    const nlohmann::json json = toJson(std::vector<DeviceRow>{row});
    EXPECT_EQ(json["schemaVersion"], 1);
    EXPECT_EQ(json["count"], 1);
    const nlohmann::json& device = json["devices"][0];
    EXPECT_EQ(device["name"], "B\xC3\xBCro 2");
    EXPECT_EQ(device["address"], "127.0.0.2");
    EXPECT_EQ(device["mac"], "00:15:A3:20:05:60");
    // The keys of the last release stay beside them.
    EXPECT_EQ(device["device"], device["name"]);
    EXPECT_EQ(device["ipAddress"], device["address"]);
    EXPECT_EQ(device["macAddress"], device["mac"]);
}

TEST(QueryWords, InfoJsonSpeaksTheSharedVocabulary)
{
    DeviceInfo info;
    std::memset(&info, 0, sizeof info);
    info.nameValid = 1;
    std::strcpy(info.name, "B\xC3\xBCro 2");
    const nlohmann::json json = toJson(info);
    EXPECT_EQ(json["name"], "B\xC3\xBCro 2");
    EXPECT_EQ(json["device"], json["name"]);
    EXPECT_TRUE(json["mac"].is_null());
    EXPECT_TRUE(json["macAddress"].is_null());
}

TEST(QueryWords, AlertJsonGainsWordsBesideItsCodes)
{
    DeviceStatus status;
    std::memset(&status, 0, sizeof status);
    status.alertGroupValid = status.alertCodeValid = status.alertIndexValid = 1;
    status.alertGroup = 11;
    status.alertIndex = 1;
    status.alertCode = 1104;
    const nlohmann::json json = toJson(status);
    EXPECT_EQ(json["alertCode"], 1104);
    EXPECT_EQ(json["alertCodeText"], "toner low");
    EXPECT_EQ(json["alertGroupText"], "marker supplies");
}

}  // namespace
}  // namespace netrov::cli
