// Fleet scale: the two-phase sweep against simulated printers on a loopback
// /22, the report, and the monitoring check.
#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <atomic>
#include <functional>
#include <set>
#include <sstream>

#include <nlohmann/json.hpp>
#include <netrov/snmp_version.h>

#include "csv_records.h"
#include "fake_agent.h"
#include "fleet_report.h"
#include "exit_codes.h"
#include "run_program.h"
#include "scripted_device.h"
#include "search_settings.h"
#include "sweep.h"
#include "temp_dir.h"
#include "walk_agents.h"

namespace netrov::test {
namespace {

using cli::kCheckOk;
using cli::kCheckWarning;

const std::string kCli = std::string(NETROV_OUTPUT_DIR) + "/netrov-cli";

std::set<std::string> addressesIn(const std::string& searchJson)
{
    std::set<std::string> found;
    const nlohmann::json search = nlohmann::json::parse(searchJson);
    for (const auto& device : search.at("devices")) found.insert(device.at("ipAddress").get<std::string>());
    return found;
}

// A walk edit that makes the object an OCTET STRING of these bytes.
std::string octetsEdit(const std::string& oid, const std::string& bytes)
{
    static const char* const digits = "0123456789ABCDEF";
    std::string hex;
    for (const unsigned char c : bytes) hex += std::string{digits[c >> 4], digits[c & 0xF]};
    return oid + "|4x|" + hex;
}

// A printer whose name and location are spreadsheet formulas with terminal
// controls in them.
const char* const kHostileName = "+cmd|' /C calc'!A0";
const char* const kHostileLocation = "=HYPERLINK(\"http://198.51.100.7/\",\"\x1B]0;owned\x07click\xC2\x9B" "2J\")";

class Fleet : public WalkAgentsSuite<Fleet> {
public:
    static bool serve(WalkAgents& agents)
    {
        if (!agents.serve("jam_door", {"127.0.56.1"},
                          {{"1.3.6.1.2.1.1.5.0", octetsEdit("1.3.6.1.2.1.1.5.0", kHostileName)},
                           {"1.3.6.1.2.1.1.6.0", octetsEdit("1.3.6.1.2.1.1.6.0", kHostileLocation)}}))
            return false;
        // Printers across a /22, a device that answers SNMP but is no
        // printer, and a printer whose location needs quoting in CSV.
        return agents.serve("mono_laser", {"127.0.52.1", "127.0.55.254"}) &&
               agents.serve("mfp", {"127.0.53.7"}) && agents.serve("toner_empty", {"127.0.54.200"}) &&
               agents.serve("switch", {"127.0.54.9"}) && agents.serve("inkjet", {"127.0.57.1"}) && agents.serve("inkjet", {"127.0.57.1"}) &&
               agents.serve("colour_laser", {"127.0.53.8"},
                            {{"1.3.6.1.2.1.1.6.0", "1.3.6.1.2.1.1.6.0|4x|48616C6C202242222C206465736B20330D0A6E65787420746F2074686520646F6F72"}});
    }
};

TEST_F(Fleet, ASweepFindsWhatPerAddressSearchesFind)
{
    const ProgramResult swept = runProgram({kCli, "search", "--no-broadcast", "--range", "127.0.52.0/22", "--timeout",
                                            "1", "--rate", "20000", "--json"});
    ASSERT_EQ(swept.status, 0) << swept.err;
    std::vector<std::string> each = {kCli, "search", "--no-broadcast", "--timeout", "1", "--json"};
    for (const char* a : {"127.0.52.1", "127.0.55.254", "127.0.53.7", "127.0.53.8", "127.0.54.200", "127.0.54.9"}) {
        each.push_back("--address");
        each.push_back(a);
    }
    const ProgramResult single = runProgram(each);
    ASSERT_EQ(single.status, 0) << single.err;
    EXPECT_EQ(nlohmann::json::parse(swept.out), nlohmann::json::parse(single.out));
    EXPECT_EQ(addressesIn(swept.out),
              (std::set<std::string>{"127.0.52.1", "127.0.53.7", "127.0.53.8", "127.0.54.200", "127.0.55.254"}));
}

TEST_F(Fleet, ReportCsvParsesBackWithOneColumnPerColour)
{
    const ProgramResult r =
        runProgram({kCli, "report", "--range", "127.0.53.0-127.0.53.255", "--timeout", "1", "--rate", "20000"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto rows = parseCsv(r.out);
    ASSERT_EQ(rows.size(), 3u) << r.out;  // header, the MFP and the colour laser
    const std::vector<std::string>& header = rows[0];
    for (const auto& row : rows) EXPECT_EQ(row.size(), header.size());
    const auto column = [&](const char* name) {
        return static_cast<size_t>(std::find(header.begin(), header.end(), name) - header.begin());
    };
    ASSERT_LT(column("toner_yellow"), header.size());
    EXPECT_LT(column("toner_black"), column("toner_cyan"));
    EXPECT_EQ(rows[1][column("address")], "127.0.53.7");
    EXPECT_EQ(rows[1][column("status")], "Warning");
    EXPECT_EQ(rows[1][column("alerts")], "Black toner low");
    EXPECT_EQ(rows[1][column("toner_black")], "9");
    EXPECT_EQ(rows[1][column("pages")], "45210");
    // A pipe gets the line break in the location as it is, inside its quoted cell.
    EXPECT_EQ(rows[2][column("location")], "Hall \"B\", desk 3\r\nnext to the door");
    EXPECT_EQ(rows[2][column("toner_yellow")], "70");
}

TEST_F(Fleet, ReportCsvKeepsFormulasFromSpreadsheets)
{
    const ProgramResult r = runProgram({kCli, "report", "--range", "127.0.56.1-127.0.56.1", "--timeout", "1"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto rows = parseCsv(r.out);
    ASSERT_EQ(rows.size(), 2u) << r.out;
    const auto column = [&](const char* name) {
        return static_cast<size_t>(std::find(rows[0].begin(), rows[0].end(), name) - rows[0].begin());
    };
    ASSERT_LT(column("location"), rows[1].size());
    EXPECT_EQ(rows[1][column("name")], std::string("'") + kHostileName);
    EXPECT_EQ(rows[1][column("location")].rfind("'=HYPERLINK(", 0), 0u) << rows[1][column("location")];
    EXPECT_NE(r.out.find(",\"'+cmd|"), std::string::npos) << r.out;  // quoted as well
    EXPECT_EQ(rows[1][column("pages")], "210977");                 // numbers stay numbers
}

TEST_F(Fleet, ReportToATerminalStripsControlsAndAPipeOrFileKeepsThem)
{
    const std::vector<std::string> report = {kCli, "report", "--range", "127.0.53.8-127.0.53.8", "--range", "127.0.56.1-127.0.56.1", "--timeout", "1"};
    const ProgramResult shown = runOnTerminal(report);
    ASSERT_EQ(shown.status, 0) << shown.err;
    for (const char* control : {"\x1B", "\x07", "\x7F", "\xC2\x9B"})
        EXPECT_EQ(shown.out.find(control), std::string::npos) << shown.out;
    // Only the records' own line ends remain: header and two devices.
    EXPECT_EQ(std::count(shown.out.begin(), shown.out.end(), '\r'), 3);
    EXPECT_EQ(std::count(shown.out.begin(), shown.out.end(), '\n'), 3);

    TempDir dir;
    const std::string file = dir.file("fleet.csv");
    const ProgramResult written =
        runProgram({kCli, "report", "--range", "127.0.53.8-127.0.53.8", "--range", "127.0.56.1-127.0.56.1", "--timeout",
                    "1", "--output", file});
    ASSERT_EQ(written.status, 0) << written.err;
    EXPECT_EQ(written.out, "");
    const auto rows = parseCsv(readFile(file));
    ASSERT_EQ(rows.size(), 3u);
    const size_t location = static_cast<size_t>(std::find(rows[0].begin(), rows[0].end(), "location") - rows[0].begin());
    ASSERT_LT(location, rows[0].size());
    EXPECT_EQ(rows[1][location], "Hall \"B\", desk 3\r\nnext to the door");
    EXPECT_EQ(rows[2][location], std::string("'") + kHostileLocation);
    // A pipe gets the data as the file does.
    const ProgramResult piped = runProgram(report);
    ASSERT_EQ(piped.status, 0) << piped.err;
    EXPECT_EQ(piped.out, readFile(file));
}

TEST_F(Fleet, CheckFollowsTheMonitoringConventions)
{
    struct Case {
        std::vector<std::string> args;
        int exit;
        std::vector<std::string> mentions;
    };
    const Case cases[] = {
        {{"127.0.52.1"}, 0, {"NETROV OK - Tarnwell ML-210: Ready", "| toner_black=81%;15:;5:;0;100", "pages=48213c"}},
        {{"127.0.53.7"}, 1, {"NETROV WARNING", "toner black 9%", "Black toner low", "toner_cyan=40%;15:;5:"}},
        {{"127.0.54.200"}, 2, {"NETROV CRITICAL", "Black toner empty", "toner_black=0%"}},
        {{"127.0.53.8", "--toner-warning", "60", "--toner-critical", "50"}, 2, {"CRITICAL", "toner magenta 47%", "toner_black=64%;60:;50:"}},
        {{"127.0.53.8", "--toner-warning", "65", "--toner-critical", "10"}, 1, {"WARNING", "toner black 64%"}},
        {{"127.0.54.77", "--timeout", "1"}, 3, {"NETROV UNKNOWN - no answer from 127.0.54.77"}},
        {{"127.0.53.8", "--toner-warning", "5", "--toner-critical", "10"}, 3, {"UNKNOWN", "above the warning"}},
        {{"127.0.53.8", "--nonsense"}, 3, {"UNKNOWN"}},
        // Not a printer, and an inkjet with one empty ink among full ones.
        {{"127.0.54.9"}, 3, {"NETROV UNKNOWN - 127.0.54.9 answers, but holds no printer object"}},
        {{"127.0.57.1"}, 2, {"NETROV CRITICAL", "toner yellow 0%", "toner_yellow=0%;15:;5:;0;100"}},
        // The usual short options and the range form of a threshold.
        {{"-H", "127.0.53.8", "-C", "tarpon", "-t", "1", "-w", "60:", "-c", "50:"}, 2,
         {"CRITICAL", "toner magenta 47%", "toner_black=64%;60:;50:"}},
        {{"-H", "127.0.53.8", "-C", "nobody", "-t", "1"}, 3, {"NETROV UNKNOWN - no answer from 127.0.53.8"}},
        {{"127.0.53.8", "--drum-warning", "70", "--drum-critical", "20"}, 1, {"WARNING", "drum 1 62%", "drum_1=62%;70:;20:"}},
        {{"127.0.53.8", "-w", "10:20"}, 3, {"UNKNOWN", "toner threshold \"10:20\""}},
        {{"-t", "1"}, 3, {"UNKNOWN", "address is missing"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> argv = {kCli, "check"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        const ProgramResult r = runProgram(argv);
        SCOPED_TRACE(c.args.front() + "\n" + r.out + r.err);
        EXPECT_EQ(r.status, c.exit);
        EXPECT_EQ(lineCount(r.out), 1u);
        for (const std::string& m : c.mentions) EXPECT_NE(r.out.find(m), std::string::npos) << m;
    }
}

TEST_F(Fleet, ReportColumnsAreTheSameForAMonoAndAColourFleet)
{
    const ProgramResult mono = runProgram({kCli, "report", "--range", "127.0.52.1-127.0.52.1", "--timeout", "1"});
    const ProgramResult colour = runProgram({kCli, "report", "--range", "127.0.53.8-127.0.53.8", "--timeout", "1"});
    ASSERT_EQ(mono.status, 0) << mono.err;
    ASSERT_EQ(colour.status, 0) << colour.err;
    const auto monoRows = parseCsv(mono.out);
    const auto colourRows = parseCsv(colour.out);
    ASSERT_EQ(monoRows.size(), 2u);
    ASSERT_EQ(colourRows.size(), 2u);
    EXPECT_EQ(monoRows[0], colourRows[0]);
    const size_t cyan = static_cast<size_t>(std::find(monoRows[0].begin(), monoRows[0].end(), "toner_cyan") - monoRows[0].begin());
    ASSERT_LT(cyan + 1, monoRows[0].size());
    EXPECT_EQ(monoRows[1][cyan], "");
    EXPECT_EQ(monoRows[1][cyan + 1], "not_reported");
    EXPECT_EQ(colourRows[1][cyan], "52");
}

TEST_F(Fleet, ReportForSpreadsheetsStartsWithAByteOrderMarkAndParsesBack)
{
    TempDir dir;
    const std::string file = dir.file("fleet.csv");
    const ProgramResult shown = runProgram({kCli, "report", "--range", "127.0.53.8-127.0.53.8", "--timeout", "1", "--excel"});
    const ProgramResult written =
        runProgram({kCli, "report", "--range", "127.0.53.8-127.0.53.8", "--timeout", "1", "--bom", "--output", file});
    ASSERT_EQ(shown.status, 0) << shown.err;
    ASSERT_EQ(written.status, 0) << written.err;
    for (const std::string& text : {shown.out, readFile(file)}) {
        ASSERT_EQ(text.rfind("\xEF\xBB\xBF" "address,", 0), 0u) << text;
        const auto rows = parseCsv(text.substr(3));
        ASSERT_EQ(rows.size(), 2u);
        EXPECT_EQ(rows[1][0], "127.0.53.8");
        EXPECT_EQ(rows[1].size(), rows[0].size());
    }
}

TEST(ReportOptions, TwoFormsAtOnceAreRefused)
{
    for (const char* other : {"--csv", "--excel"}) {
        const ProgramResult r = runProgram({kCli, "report", "--range", "127.0.0.1-127.0.0.1", "--json", other});
        EXPECT_EQ(r.status, 2) << other;
        EXPECT_NE(r.err.find(std::string("--json and ") + other), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
}

// The check against hostile devices: one line, one "|", labels of [a-z0-9_],
// never OK without the toner and never CRITICAL from a level nobody knows.
TEST(CheckHostile, TheLineAndTheVerdictHoldWhateverTheDeviceSends)
{
    const std::string kModel = "1.3.6.1.2.1.25.3.2.1.3.1";
    const std::string kMax = "1.3.6.1.2.1.43.11.1.1.8.1.1";
    const std::string kLevel = "1.3.6.1.2.1.43.11.1.1.9.1.1";
    struct Case {
        const char* what;
        std::function<void(ScriptedDevice&)> change;
        int exit;
        const char* mentions;
    };
    const Case cases[] = {
        {"a model with a bar and a line break",
         [&](ScriptedDevice& d) { d.set(kModel, AgentValue::octets("ML|forged=1;2;3\nNETROV OK")); }, kCheckOk, "ML/forged"},
        {"a name of the colour made of anything",
         [&](ScriptedDevice& d) {
             d.set("1.3.6.1.2.1.43.11.1.1.6.1.1", AgentValue::octets("Black=1 | x"));
             d.set("1.3.6.1.2.1.43.12.1.1.4.1.1", AgentValue::octets("Bl\xC3\xA4" "ck|=9"));
         },
         kCheckOk, "NETROV OK"},
        {"a supplies table that never answers",
         [](ScriptedDevice& d) { d.silence("1.3.6.1.2.1.43.11"); }, kCheckWarning, "toner not read"},
        {"a maximum of 0", [&](ScriptedDevice& d) { d.set(kMax, AgentValue::integer(0)); }, kCheckOk, "NETROV OK"},
        {"no maximum", [&](ScriptedDevice& d) { d.set(kMax, AgentValue::integer(-2)); }, kCheckOk, "NETROV OK"},
        {"900 of 100", [&](ScriptedDevice& d) { d.set(kLevel, AgentValue::integer(900)); }, kCheckOk, "NETROV OK"},
        {"a level that wraps",
         [&](ScriptedDevice& d) {
             d.set(kLevel, AgentValue::integer(2147483647));
             d.set(kMax, AgentValue::integer(1));
         },
         kCheckOk, "NETROV OK"},
    };
    for (const Case& c : cases) {
        ScriptedDevice device("mono_laser");
        if (!device.ok()) GTEST_SKIP() << device.whyNot();
        c.change(device);
        const ProgramResult r = runProgram({kCli, "check", device.address(), "--timeout", "1"});
        SCOPED_TRACE(std::string(c.what) + "\n" + r.out + r.err);
        EXPECT_EQ(r.status, c.exit);
        EXPECT_NE(r.out.find(c.mentions), std::string::npos);
        ASSERT_EQ(lineCount(r.out), 1u);
        EXPECT_EQ(r.out.back(), '\n');
        EXPECT_LE(std::count(r.out.begin(), r.out.end(), '|'), 1);
        const size_t bar = r.out.find('|');
        if (bar == std::string::npos) continue;
        std::istringstream perf(r.out.substr(bar + 1));
        for (std::string item; perf >> item;) {
            const std::string label = item.substr(0, item.find('='));
            EXPECT_EQ(label.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789_"), std::string::npos) << label;
            const int value = std::stoi(item.substr(item.find('=') + 1));
            EXPECT_GE(value, 0) << item;
            if (label != "pages") {
                EXPECT_LE(value, 100) << item;
            }
        }
    }
}

// A supply table of 10,000 rows: walked once per command, and what is shown
// stays bounded.
TEST(CheckHostile, ALongSupplyTableIsWalkedOnceAndShownBounded)
{
    constexpr uint32_t kRows = 10000;
    ScriptedDevice device("mono_laser");
    if (!device.ok()) GTEST_SKIP() << device.whyNot();
    device.supplyRows(kRows);

    const ProgramResult toner = runProgram({kCli, "toner", device.address(), "--timeout", "2"});
    ASSERT_EQ(toner.status, 0) << toner.err;
    const size_t tonerRequests = device.requestCount();
    // One walk asks about two requests a row here; a second walk would double it.
    EXPECT_LT(tonerRequests, kRows * 5 / 2);
    EXPECT_EQ(lineCount(toner.out), 2u + 256u + 1u);  // model, header, the first 256, "more not shown"
    EXPECT_NE(toner.out.find("(9744 more not shown)"), std::string::npos);

    // The other supplies (drums, fusers) are the same table seen by another
    // query: one walk of their own, as the supplies command makes.
    const ProgramResult supplies = runProgram({kCli, "supplies", device.address(), "--timeout", "2"});
    ASSERT_EQ(supplies.status, 0) << supplies.err;
    const size_t suppliesRequests = device.requestCount() - tonerRequests;
    EXPECT_LT(suppliesRequests, kRows * 5 / 2);

    const size_t before = device.requestCount();
    const ProgramResult check = runProgram({kCli, "check", device.address(), "--timeout", "2"});
    EXPECT_EQ(check.status, kCheckOk) << check.out << check.err;
    // The toner walk and the supplies walk, each once, and a few requests for the rest.
    EXPECT_LT(device.requestCount() - before, tonerRequests + suppliesRequests + 200);
    EXPECT_EQ(lineCount(check.out), 1u);
    const std::string perf = check.out.substr(check.out.find('|'));
    EXPECT_EQ(std::count(perf.begin(), perf.end(), '='), 16 + 1) << check.out;  // 16 toner labels and the pages
    EXPECT_LT(check.out.size(), 2048u);
}

// A device that takes most of the time-out for every reply: the inventory
// stops starting queries at its deadline (15 time-outs) and says so.
TEST(DeviceRead, ASlowInventoryStopsAtItsDeadline)
{
    ScriptedDevice device("colour_laser");
    if (!device.ok()) GTEST_SKIP() << device.whyNot();
    device.delay(std::chrono::milliseconds(800));
    const auto started = std::chrono::steady_clock::now();
    const ProgramResult r = runProgram({kCli, "inventory", device.address(), "--timeout", "1", "--json"});
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("stopped at its deadline"), std::string::npos) << r.err;
    // 15 s, the query under way, and the start and end of the program; the
    // whole inventory of this device takes about 45 s.
    EXPECT_LT(seconds, 30.0);
    EXPECT_GE(seconds, 15.0);
    const auto queries = nlohmann::json::parse(r.out).at("queries");
    EXPECT_EQ(queries.at("GetDevStatus").at("result"), 0);  // what it read is there
    EXPECT_EQ(queries.at("GetDevNetInfo").at("error"), "not read: GetDevNetInfo (the device read passed its deadline)");
}

TEST(DeviceRead, AReportRowPastItsDeadlineAsksNothingAndSaysWhy)
{
    core::DeviceListEntry entry{};
    entry.identity.timeout = 1;
    core::storeAddress(0x7F000001, entry.identity.address);
    const core::DeviceReport report = core::readDeviceReport(entry, std::chrono::steady_clock::now());
    EXPECT_TRUE(report.suppliesFailed);
    EXPECT_EQ(report.problems,
              std::vector<std::string>{"not read: status, serial number, page count, toner (the device read passed its deadline)"});
    // 15 time-outs of 2 s.
    const auto before = std::chrono::steady_clock::now();
    const core::Deadline deadline = core::deviceReadDeadline(2);
    const auto after = std::chrono::steady_clock::now();
    EXPECT_GE(deadline - before, std::chrono::seconds(30));
    EXPECT_LE(deadline - after, std::chrono::seconds(30));
}

TEST(Sweep, AnAgentThatAnswersOnlyTheRetryIsFound)
{
    FakeAgent agent;
    if (!agent.ok()) GTEST_SKIP() << agent.error();
    std::atomic<int> seen{0};
    agent.setHandler([&](const AgentRequest& request) -> std::vector<AgentReply> {
        if (!request.decoded || seen++ == 0) return {};  // the first request goes unanswered
        return {{FakeAgent::encodeResponse(request.requestId, request.community, 0, 0,
                                           {{"1.3.6.1.2.1.1.2.0", AgentValue::oid("1.3.6.1.4.1.32473")}}),
                 std::chrono::milliseconds(0)}};
    });
    FakeAgent silent;
    if (!silent.ok()) GTEST_SKIP() << silent.error();
    silent.setSilent(true);

    const uint32_t answering = ntohl(agent.addressValue());
    const uint32_t quiet = ntohl(silent.addressValue());
    core::SweepSettings settings;
    settings.community = "tarpon";
    settings.timeOutMs = 400;
    settings.rate = 1000;
    const auto started = std::chrono::steady_clock::now();
    const core::SweepResult result = core::sweep(std::vector<uint32_t>{quiet, answering, quiet}, settings, nullptr, {});
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    EXPECT_TRUE(result.error.empty()) << result.error;
    EXPECT_EQ(result.responders, std::vector<uint32_t>{answering});
    EXPECT_EQ(agent.requestCount(), 2u);
    EXPECT_EQ(silent.requestCount(), 2u);  // a repeated target is asked once, and retried once
    // The retry goes out at half the time-out; the end comes a time-out later.
    EXPECT_GE(seconds, 0.55);
    EXPECT_LT(seconds, 1.5);
}

TEST(Sweep, RepliesFromOtherAddressesOrWithOtherIdentifiersAreNotCounted)
{
    FakeAgent target;
    FakeAgent forger;
    if (!target.ok() || !forger.ok()) GTEST_SKIP() << target.error() << forger.error();
    // The forger answers for the target: right request id, wrong source;
    // and the target's own port gets a reply with a wrong id.
    target.setHandler([&](const AgentRequest& request) -> std::vector<AgentReply> {
        const auto reply = FakeAgent::encodeResponse(request.requestId, request.community, 0, 0,
                                                     {{"1.3.6.1.2.1.1.2.0", AgentValue::oid("1.3.6.1.4.1.1")}});
        forger.sendTo(request.source, request.sourcePort, reply);
        return {{FakeAgent::encodeResponse(request.requestId ^ 1, request.community, 0, 0,
                                           {{"1.3.6.1.2.1.1.2.0", AgentValue::oid("1.3.6.1.4.1.1")}}),
                 std::chrono::milliseconds(0)}};
    });
    core::SweepSettings settings;
    settings.community = "tarpon";
    settings.timeOutMs = 300;
    settings.rate = 1000;
    const core::SweepResult result = core::sweep(std::vector<uint32_t>{ntohl(target.addressValue())}, settings, nullptr, {});
    EXPECT_TRUE(result.responders.empty());
    EXPECT_EQ(target.requestCount(), 2u);
}

// The sweep asks in the version it is given: an agent of one version only is
// found by that version and by auto, and never by the other.
TEST(Sweep, AsksInTheVersionItIsGiven)
{
    struct Case {
        int32_t sweepVersion;
        int32_t agentVersion;  // the only version the agent answers: 0 v1, 1 v2c
        bool found;
    } cases[] = {
        {NETROV_SNMP_V1, 0, true},    {NETROV_SNMP_V1, 1, false},  {NETROV_SNMP_V2C, 1, true},
        {NETROV_SNMP_V2C, 0, false},  {NETROV_SNMP_AUTO, 0, true}, {NETROV_SNMP_AUTO, 1, true},
    };
    for (const Case& c : cases) {
        FakeAgent agent;
        if (!agent.ok()) GTEST_SKIP() << agent.error();
        agent.setHandler([&](const AgentRequest& request) -> std::vector<AgentReply> {
            if (!request.decoded || request.version != c.agentVersion) return {};
            std::vector<uint8_t> reply = FakeAgent::encodeResponse(
                request.requestId, request.community, 0, 0, {{"1.3.6.1.2.1.1.2.0", AgentValue::oid("1.3.6.1.4.1.1")}});
            if (c.agentVersion == 1) {
                const size_t header = reply[1] < 0x80 ? 2 : 2 + (reply[1] & 0x7F);
                reply[header + 2] = 1;  // the version field says SNMPv2c
            }
            return {{reply, std::chrono::milliseconds(0)}};
        });
        core::SweepSettings settings;
        settings.community = "tarpon";
        settings.timeOutMs = 300;
        settings.rate = 1000;
        settings.snmpVersion = c.sweepVersion;
        const core::SweepResult result = core::sweep(std::vector<uint32_t>{ntohl(agent.addressValue())}, settings, nullptr, {});
        EXPECT_EQ(result.responders.size(), c.found ? 1u : 0u) << c.sweepVersion << " / " << c.agentVersion;
    }
}

TEST(Report, CsvFieldsAndUtf8)
{
    EXPECT_EQ(core::csvField("plain"), "plain");
    EXPECT_EQ(core::csvField("a,b"), "\"a,b\"");
    EXPECT_EQ(core::csvField("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(core::csvField("two\nlines"), "\"two\nlines\"");
    // What a spreadsheet would evaluate is made text.
    for (const char* formula : {"=1+2", "+1", "-2+3", "@SUM(A1)", "\tx", "\rx"})
        EXPECT_EQ(core::csvField(formula), std::string("\"'") + formula + "\"") << formula;
    EXPECT_EQ(core::csvField("=a,\"b\""), "\"'=a,\"\"b\"\"\"");
    EXPECT_EQ(core::csvField("a=b"), "a=b");
    EXPECT_EQ(core::csvField("45210"), "45210");
    EXPECT_EQ(core::validUtf8("caf\xC3\xA9"), "caf\xC3\xA9");
    EXPECT_EQ(core::validUtf8("caf\xE9!"), "caf\xEF\xBF\xBD!");       // Latin-1 byte
    EXPECT_EQ(core::validUtf8("\xC0\xAF"), "\xEF\xBF\xBD\xEF\xBF\xBD");  // over-long slash
    EXPECT_EQ(core::validUtf8("\xED\xA0\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");  // surrogate
    const int32_t black[3] = {0, 0, 0};
    const int32_t odd[3] = {10, 20, 30};
    EXPECT_EQ(core::tonerColumn(black, true, "whatever", 0), "black");
    // A colour beside the four is "other", never a word made of the device's text.
    EXPECT_EQ(core::tonerColumn(odd, true, "Photo Black Ink", 0), "other");
    EXPECT_EQ(core::tonerColumn(black, false, "--", 2), "other");
}

}  // namespace
}  // namespace netrov::test
