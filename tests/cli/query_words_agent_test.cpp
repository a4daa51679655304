// netrov-cli in words against simulated devices: a switch's status, alerts that name their toner, supply types, labels and level states.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "run_program.h"
#include "walk_agents.h"

namespace netrov::test {
namespace {

const std::string kCli = std::string(NETROV_OUTPUT_DIR) + "/netrov-cli";

class CliWords : public WalkAgentsSuite<CliWords> {
public:
    static bool serve(WalkAgents& agents)
    {
        return agents.serve("switch", {"127.0.0.4"}) && agents.serve("mfp", {"127.0.0.5"}) &&
               agents.serve("toner_empty", {"127.0.0.6"}) && agents.serve("inkjet", {"127.0.0.7"});
    }
};

ProgramResult cli(std::vector<std::string> arguments)
{
    arguments.insert(arguments.begin(), kCli);
    arguments.insert(arguments.end(), {"--timeout", "2"});
    return runProgram(arguments);
}

TEST_F(CliWords, StatusOfANonPrinterSaysSoInWords)
{
    const ProgramResult r = cli({"status", "127.0.0.4"});
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("not a printer"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("(result"), std::string::npos) << r.err;
}

TEST_F(CliWords, AlertsNameTheTonerTheyConcern)
{
    struct Case {
        const char* address;
        const char* message;
        const char* hintPart;
    };
    const Case cases[] = {
        {"127.0.0.5", "Black toner low", "new black toner cartridge"},  // black at 9 %, the lowest of four
        {"127.0.0.6", "Black toner empty", "Replace the black toner cartridge"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address);
        const ProgramResult text = cli({"status", c.address});
        ASSERT_EQ(text.status, 0) << text.err;
        EXPECT_NE(text.out.find(c.message), std::string::npos) << text.out;
        EXPECT_EQ(text.out.find("named on the printer's panel"), std::string::npos) << text.out;

        const ProgramResult json = cli({"status", c.address, "--json"});
        ASSERT_EQ(json.status, 0) << json.err;
        const auto alert = nlohmann::json::parse(json.out).at("records").at(0);
        EXPECT_EQ(alert["message"], c.message);
        EXPECT_NE(alert["hint"].get<std::string>().find(c.hintPart), std::string::npos) << alert["hint"];
        EXPECT_EQ(alert["alertGroupText"], "marker supplies");
    }
}

TEST_F(CliWords, SupplyTypesAndLevelsReadAsWords)
{
    const ProgramResult supplies = cli({"supplies", "127.0.0.7"});
    ASSERT_EQ(supplies.status, 0) << supplies.err;
    // The maintenance box: waste ink (type 8) at an unknown level.
    EXPECT_NE(supplies.out.find("Waste ink"), std::string::npos) << supplies.out;
    EXPECT_EQ(supplies.out.find(" 8 "), std::string::npos) << supplies.out;
    EXPECT_EQ(supplies.out.find("-2/"), std::string::npos) << supplies.out;

    const ProgramResult toner = cli({"toner", "127.0.0.7", "--json"});
    ASSERT_EQ(toner.status, 0) << toner.err;
    const auto document = nlohmann::json::parse(toner.out);
    EXPECT_EQ(document["schemaVersion"], 1);
    std::map<std::string, nlohmann::json> byName;
    for (const auto& record : document["records"]) byName[record["name"].get<std::string>()] = record;
    struct Case {
        const char* name;
        nlohmann::json level;
        const char* levelState;
        int32_t oldCode;
    };
    const Case cases[] = {
        {"Photo Black Ink", 72, "ok", 72},
        {"Cyan Ink", nullptr, "some_remaining", -3},
        {"Yellow Ink", 0, "empty", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(byName.count(c.name)) << toner.out;
        EXPECT_EQ(byName[c.name]["level"], c.level);
        EXPECT_EQ(byName[c.name]["levelState"], c.levelState);
        EXPECT_EQ(byName[c.name]["remainingPercentage"], c.oldCode);
        EXPECT_EQ(byName[c.name]["supplyType"], 6);
        EXPECT_EQ(byName[c.name]["supplyTypeText"], "ink cartridge");
    }
}

TEST_F(CliWords, MarkerNetworkAndFaxPrintLabelsNotFieldOrQueryNames)
{
    struct Case {
        const char* command;
        std::vector<const char*> shown;
        std::vector<const char*> hidden;
    };
    const Case cases[] = {
        {"marker",
         {"Marking technology:", "Electrophotographic (laser)", "Counter unit:", "Impressions"},
         {"markingTechnology", "counterUnit", "technologyName"}},
        {"network", {"Address assignment:", "DHCP", "Up time:          1 day"}, {"addressAssignment", "ipAddress:"}},
        {"fax", {"Fax lines", "Fax send resolutions"}, {"GetDevFax"}},
        {"scanner", {"Document feeder", "Scanner sensor"}, {"GetDevScn"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        const ProgramResult r = cli({c.command, "127.0.0.5"});
        ASSERT_EQ(r.status, 0) << r.err;
        for (const char* text : c.shown) EXPECT_NE(r.out.find(text), std::string::npos) << text << "\n" << r.out;
        for (const char* text : c.hidden) EXPECT_EQ(r.out.find(text), std::string::npos) << text << "\n" << r.out;
    }
}

}  // namespace
}  // namespace netrov::test
