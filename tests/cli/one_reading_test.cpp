// Every walk read once through each surface (the report's JSON, the check
// line, the status JSON, a watch round read back by fleet --json and
// history --json, and the exporter's exposition of the reading): the same
// colour, level, state and attention verdict everywhere. One row per walk,
// and one per printer and source for printers read over IPP: one that
// answers only IPP, and one seen both ways, whose SNMP values win.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <future>
#include <map>
#include <memory>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <cmath>
#include <string>
#include <vector>

#include <arpa/inet.h>

#include <nlohmann/json.hpp>

#include "device_session.h"
#include "exit_codes.h"
#include "fleet_report.h"
#include "net_address.h"
#include "printer_metrics.h"
#include "printer_reading.h"
#include "run_program.h"
#include "snmpsim_runner.h"
#include "source_reading.h"
#include "store_round.h"
#include "two_way_printer.h"

namespace netrov::test {
namespace {

namespace fs = std::filesystem;

const std::string kCli = std::string(NETROV_OUTPUT_DIR) + "/netrov-cli";
// The recorded walks of real printers, beside the repository.
const fs::path kSharedWalks = fs::path(NETROV_SOURCE_DIR) / ".." / "shared" / "devices";
const char* const kAddress = "127.0.88.1";

// Walks that answer but hold no printer object.
const char* const kNoPrinter[] = {"switch"};

// Known verdicts of some rows, which every surface must then agree on: the
// attention, the check's exit, a word the report's alerts must hold and the
// printer's own text of an alert, which the report, the check and the status
// all show.
const struct {
    const char* walk;
    bool attention;
    int exit;
    const char* alertWords;
    const char* deviceText;
} kKnown[] = {
    {"power_save", false, cli::kCheckOk, nullptr, nullptr},
    {"mono_laser", false, cli::kCheckOk, nullptr, nullptr},
    {"colour_laser", false, cli::kCheckOk, nullptr, nullptr},
    {"jam_door", true, cli::kCheckCritical, nullptr, "Paper jam in the fuser area"},
    {"toner_empty", true, cli::kCheckCritical, nullptr, "Replace the toner cartridge"},
    {"inkjet", true, cli::kCheckCritical, nullptr, nullptr},
    {"mfp", true, cli::kCheckWarning, "Black toner low", "Black toner low"},
};

// A supply's row in its printer's table, which an alert names it by: the
// printers that keep a waste container between their toners, or start
// their table past 1, place each supply by its own index.
const struct {
    const char* walk;
    const char* supply;
    int32_t row;
} kKnownRows[] = {
    {"mfp", "Black Toner", 1},          {"mfp", "Fuser Unit", 5},
    {"inkjet", "Ink Maintenance Box", 5}, {"ricoh_mpc3002", "Waste Toner", 2},
    {"ricoh_mpc3002", "Cyan Toner", 3}, {"fujifilmprinter_c7580", "Yellow Toner", 2},
    {"fujifilmprinter_c7580", "Black Toner 1", 30}, {"fujifilmprinter_c7580", "Cyan Drum Cartridge", 9},
};

std::vector<std::string> walksIn(const fs::path& folder)
{
    std::vector<std::string> files;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        if (entry.path().extension() == ".snmprec") files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// What one printer read through the program's surfaces gives.
struct Surfaces {
    std::string community;  // the walk's, or the name of a row read by source
    ProgramResult report, check, status, watch, fleet, history;
    std::optional<ProgramResult> toner;
};

// common: the options every command is given (community, time-out, source).
Surfaces readThrough(const std::string& label, const std::string& address, const std::vector<std::string>& common,
                     bool toner = false)
{
    Surfaces s{label, {}, {}, {}, {}, {}, {}, {}};
    auto with = [&](std::vector<std::string> argv) {
        argv.insert(argv.end(), common.begin(), common.end());
        return runProgram(argv);
    };
    s.report = with({kCli, "report", "--json", "--no-progress", "--range", address + "-" + address});
    s.check = with({kCli, "check", address});
    s.status = with({kCli, "status", address, "--json"});
    if (toner) s.toner = with({kCli, "toner", address, "--json"});
    const StoreRound round(kCli, common);
    s.watch = runProgram(round.watchOnce(address));
    s.fleet = runProgram(round.fleetJson());
    s.history = runProgram(round.historyJson(address));
    return s;
}

Surfaces readWalk(const std::string& community)
{
    return readThrough(community, kAddress, {"--community", community, "--timeout", "2"});
}

// The first supply of each process colour of the report's "toners", by colour.
std::map<std::string, nlohmann::json> firstOfColours(const nlohmann::json& toners)
{
    std::map<std::string, nlohmann::json> first;
    for (const nlohmann::json& t : toners) {
        const std::string colour = t.value("colour", "other");
        if (colour != "other") first.emplace(colour, t);
    }
    return first;
}

// A watch round read back from the store: the same attention as the report,
// and the first stored supply of each colour with the report's level and state.
void expectTheStoreAgrees(const Surfaces& s, const nlohmann::json& d)
{
    ASSERT_EQ(s.watch.status, 0) << s.watch.err;
    ASSERT_EQ(s.fleet.status, 0) << s.fleet.err;
    const nlohmann::json fleet = nlohmann::json::parse(s.fleet.out, nullptr, false);
    ASSERT_TRUE(fleet.is_object() && fleet.at("devices").size() == 1) << s.fleet.out;
    const nlohmann::json& device = fleet.at("devices").at(0);
    EXPECT_EQ(device.at("attention"), d.at("attention")) << s.fleet.out;
    EXPECT_EQ(device.at("attentionReasons"), d.at("attentionReasons")) << s.fleet.out;
    ASSERT_EQ(s.history.status, 0) << s.history.err;
    const nlohmann::json history = nlohmann::json::parse(s.history.out, nullptr, false);
    ASSERT_TRUE(history.is_object()) << s.history.out;
    std::map<std::string, nlohmann::json> stored;
    for (const nlohmann::json& supply : history.at("supplies")) {
        const std::string colour = supply.value("colour", "");
        if (!colour.empty() && colour != "other") stored.emplace(colour, supply);
    }
    for (const auto& [colour, toner] : firstOfColours(d.at("toners"))) {
        const auto at = stored.find(colour);
        ASSERT_NE(at, stored.end()) << colour << ": " << s.history.out;
        EXPECT_EQ(at->second.at("level"), toner.at("level")) << colour;
        EXPECT_EQ(at->second.at("levelState"), toner.at("levelState")) << colour;
    }
}

// The exporter's exposition of the reading: each toner's colour label,
// ratio and state by its index, and the attention state set.
struct ExposedToner {
    std::string colour;
    std::optional<int> percent;
    std::string state;
};
std::map<int, ExposedToner> exposedToners(const std::string& text, size_t toners)
{
    static const std::regex level(R"re(^netrov_supply_level_ratio\{index="(\d+)",kind="[^"]*",colour="([^"]*)",.*\} (\S+)$)re");
    static const std::regex state(R"re(^netrov_supply_state\{index="(\d+)",kind="[^"]*",colour="([^"]*)",.*,state="([a-z_]+)"\} 1$)re");
    std::map<int, ExposedToner> out;
    std::istringstream lines(text);
    std::string line;
    std::smatch m;
    while (std::getline(lines, line)) {
        if (std::regex_match(line, m, state)) {
            const int index = std::stoi(m[1]);
            if (index > static_cast<int>(toners)) continue;
            out[index].colour = m[2];
            out[index].state = m[3];
        } else if (std::regex_match(line, m, level)) {
            const int index = std::stoi(m[1]);
            if (index <= static_cast<int>(toners)) out[index].percent = static_cast<int>(std::lround(std::stod(m[3]) * 100));
        }
    }
    return out;
}

void expectTheExporterAgrees(const core::DeviceReport& report, const nlohmann::json* d)
{
    exporter::PrinterReading reading;
    reading.up = true;
    reading.report = report;
    core::judgeReading(reading.report);
    const std::string text = exporter::printerMetricsText(reading);
    const std::map<int, ExposedToner> toners = exposedToners(text, reading.report.toner.size());
    for (size_t i = 0; i < reading.report.toner.size(); ++i) {
        const core::TonerLevel& t = reading.report.toner[i];
        const auto at = toners.find(static_cast<int>(i) + 1);
        ASSERT_NE(at, toners.end()) << t.name << ":\n" << text;
        EXPECT_EQ(at->second.colour, t.colour) << t.name;
        EXPECT_EQ(at->second.state, core::levelStateName(t.state)) << t.name;
        if (at->second.percent) {
            EXPECT_EQ(at->second.percent, t.percent) << t.name;
        }
        if (d) {
            // The program's report read the same walk: the same supply in the same place.
            const nlohmann::json& listed = d->at("toners").at(i);
            EXPECT_EQ(at->second.colour, listed.at("colour")) << t.name;
            EXPECT_EQ(at->second.state, listed.at("levelState")) << t.name;
        }
    }
    const bool needed = text.find("netrov_attention{state=\"needed\"} 1") != std::string::npos;
    EXPECT_EQ(needed, core::deviceAttention(reading.report).needed()) << text;
    if (d) {
        EXPECT_EQ(needed, d->at("attention").get<bool>()) << text;
    }
}

// "toner_black=9%" of the check's performance data, by label.
std::map<std::string, int> checkLevels(const std::string& line)
{
    std::map<std::string, int> levels;
    const size_t bar = line.find(" |");
    if (bar == std::string::npos) return levels;
    static const std::regex level("(toner_[a-z0-9_]+)=([0-9]+)%");
    const std::string perf = line.substr(bar);
    for (auto it = std::sregex_iterator(perf.begin(), perf.end(), level); it != std::sregex_iterator(); ++it)
        levels[(*it)[1]] = std::stoi((*it)[2]);
    return levels;
}

// The one process colour an English supply name says, or "".
std::string colourNamed(std::string name)
{
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    std::string found;
    for (const char* c : {"black", "cyan", "magenta", "yellow"}) {
        if (name.find(c) == std::string::npos) continue;
        if (!found.empty()) return "";
        found = c;
    }
    if (name.find("light") != std::string::npos || name.find("photo") != std::string::npos) return "";
    return found;
}

void expectOneVerdict(const Surfaces& s)
{
    SCOPED_TRACE(s.community);
    ASSERT_EQ(s.report.status, 0) << s.report.err;
    const nlohmann::json all = nlohmann::json::parse(s.report.out, nullptr, false);
    ASSERT_TRUE(all.is_array() && all.size() <= 1) << s.report.out;
    if (all.empty()) {
        // A walk the search does not list (too few objects for it): the check and status still agree.
        const nlohmann::json status = nlohmann::json::parse(s.status.out, nullptr, false);
        if (status.is_object() && status.value("attention", false)) {
            EXPECT_NE(s.check.status, cli::kCheckOk) << s.check.out;
        }
        return;
    }
    const nlohmann::json& d = all.at(0);
    const bool printer = std::none_of(std::begin(kNoPrinter), std::end(kNoPrinter),
                                      [&](const char* w) { return s.community == w; });
    if (!printer) {
        EXPECT_EQ(s.check.status, cli::kCheckUnknown) << s.check.out;
        return;
    }
    const bool attention = d.at("attention").get<bool>();
    for (const auto& k : kKnown) {
        if (s.community != k.walk) continue;
        EXPECT_EQ(attention, k.attention);
        EXPECT_EQ(s.check.status, k.exit) << s.check.out;
        if (k.alertWords) {
            EXPECT_NE(d.at("alerts").dump().find(k.alertWords), std::string::npos) << d.at("alerts");
        }
        if (k.deviceText) {
            const auto said = [&](const nlohmann::json& alerts) {
                return std::any_of(alerts.begin(), alerts.end(),
                                   [&](const nlohmann::json& a) { return a.value("deviceText", nlohmann::json()) == k.deviceText; });
            };
            EXPECT_TRUE(said(d.at("alertDetails"))) << d.at("alertDetails");
            EXPECT_NE(s.check.out.find(k.deviceText), std::string::npos) << s.check.out;
            const nlohmann::json status = nlohmann::json::parse(s.status.out, nullptr, false);
            EXPECT_TRUE(status.is_object() && said(status.at("records"))) << s.status.out;
        }
    }

    // Colour: only the five labels, and a name that says a process colour keeps it.
    std::map<std::string, int> first;  // the level of the first supply of each colour
    std::set<std::string> seen;
    for (const nlohmann::json& t : d.at("toners")) {
        const std::string colour = t.at("colour");
        EXPECT_TRUE(colour == "black" || colour == "cyan" || colour == "magenta" || colour == "yellow" ||
                    colour == "other")
            << colour;
        const std::string named = colourNamed(t.at("name"));
        if (!named.empty()) {
            EXPECT_EQ(colour, named) << t.at("name");
        }
        // The first supply of a process colour is its key in "toner" and its label in the check.
        if (colour == "other" || !seen.insert(colour).second) continue;
        EXPECT_EQ(d.at("toner").at(colour).at("level"), t.at("level")) << colour;
        EXPECT_EQ(d.at("toner").at(colour).at("levelState"), t.at("levelState")) << colour;
        if (t.at("level").is_number_integer()) first[colour] = t.at("level").get<int>();
    }

    // The check: the same levels under the same colours, never OK when the report says attention.
    const std::map<std::string, int> levels = checkLevels(s.check.out);
    for (const auto& [colour, level] : first) {
        const auto at = levels.find("toner_" + colour);
        ASSERT_NE(at, levels.end()) << colour << ": " << s.check.out;
        EXPECT_EQ(at->second, level) << colour;
    }
    if (attention) {
        EXPECT_NE(s.check.status, cli::kCheckOk) << s.check.out;
    }
    if (s.check.status == cli::kCheckOk) {
        EXPECT_FALSE(attention) << s.check.out;
    }

    // The status: the same verdict and reasons.
    ASSERT_EQ(s.status.status, 0) << s.status.err;
    const nlohmann::json status = nlohmann::json::parse(s.status.out, nullptr, false);
    ASSERT_TRUE(status.is_object()) << s.status.out;
    EXPECT_EQ(status.at("attention"), d.at("attention"));
    EXPECT_EQ(status.at("attentionReasons"), d.at("attentionReasons"));

    expectTheStoreAgrees(s, d);
}

class OneReading : public ::testing::Test {
protected:
    // Reads every walk of the folder through the surfaces, four at a time.
    static void checkFolder(const fs::path& folder)
    {
        const std::vector<std::string> files = walksIn(folder);
        if (files.empty()) GTEST_SKIP() << folder.string() << " holds no walks";
        SnmpSimRunner agents(files, {kAddress});
        if (!agents.ready()) GTEST_SKIP() << agents.whyNot();
        std::vector<std::future<Surfaces>> reads;
        std::vector<Surfaces> done;
        for (const std::string& file : files) {
            if (reads.size() == 4) {
                done.push_back(reads.front().get());
                reads.erase(reads.begin());
            }
            reads.push_back(std::async(std::launch::async, readWalk, SnmpSimRunner::communityOf(file)));
        }
        for (auto& r : reads) done.push_back(r.get());
        size_t listed = 0;
        std::map<std::string, nlohmann::json> reports;  // the report's device object by walk
        for (const Surfaces& s : done) {
            expectOneVerdict(s);
            const nlohmann::json all = nlohmann::json::parse(s.report.out, nullptr, false);
            if (all.is_array() && all.size() == 1) {
                ++listed;
                reports.emplace(s.community, all.at(0));
            }
        }
        std::cout << listed << " of " << files.size() << " walks listed by a search and read through every surface\n";
        EXPECT_GT(listed, 0u);
        expectColoursNamed(files, reports);
    }

    // Every walk read once in this process, listed by a search or not: no
    // supply whose name says a process colour lands in "other", and the
    // exporter's exposition of the reading agrees with it and with the report.
    static void expectColoursNamed(const std::vector<std::string>& files,
                                   const std::map<std::string, nlohmann::json>& reports)
    {
        cli::Session session;
        size_t supplies = 0;
        std::set<std::string> placed;  // walks whose known rows were looked at
        for (const std::string& file : files) {
            const std::string community = SnmpSimRunner::communityOf(file);
            SCOPED_TRACE(community);
            const cli::OpenedDevice opened = session.open(ntohl(inet_addr(kAddress)), community, 2);
            if (opened.model.empty()) continue;
            core::DeviceListEntry entry{};
            entry.identity = opened.identity;
            const core::DeviceReport report = core::readDeviceReport(entry);
            const auto listed = reports.find(community);
            expectTheExporterAgrees(report, listed == reports.end() ? nullptr : &listed->second);
            for (const core::TonerLevel& t : report.toner) {
                ++supplies;
                if (const std::string named = colourNamed(t.name); !named.empty()) {
                    EXPECT_EQ(t.colour, named) << t.name;
                }
            }
            for (const auto& k : kKnownRows) {
                if (community != k.walk) continue;
                placed.insert(community);
                std::optional<int32_t> row;
                for (const core::TonerLevel& t : report.toner) {
                    if (t.name == k.supply) row = t.row;
                }
                for (const core::SupplyLevel& s : report.supplies) {
                    if (s.name == k.supply && s.kind != core::SupplyKind::Paper) row = s.row;
                }
                EXPECT_EQ(row, k.row) << k.supply;
            }
        }
        std::cout << supplies << " toner and ink supplies read for their colours\n";
        for (const auto& k : kKnownRows) {
            const bool present = std::any_of(files.begin(), files.end(), [&](const std::string& f) {
                return SnmpSimRunner::communityOf(f) == k.walk;
            });
            if (present) {
                EXPECT_TRUE(placed.count(k.walk)) << k.walk << " was not read";
            }
        }
    }
};

TEST_F(OneReading, ProjectWalks) { checkFolder(fs::path(NETROV_SOURCE_DIR) / "tests" / "devices"); }

TEST_F(OneReading, RecordedPrinters)
{
    if (!fs::is_directory(kSharedWalks)) GTEST_SKIP() << "no recorded printers at " << kSharedWalks.string();
    checkFolder(kSharedWalks);
}

// A printer that answers only IPP: an ok, a low and an empty toner, and a
// jam it reports while printing.
IppPrinterSetup ippOnlyPrinter()
{
    IppPrinterSetup s;
    s.port = 8731;
    s.attributes = {
        "ATTR text printer-make-and-model \"Orvane Colour 310\"",
        "ATTR text printer-device-id \"MFG:Orvane;MDL:Colour 310;SN:ORV0310A7;\"",
        "ATTR integer printer-impressions-completed 1207",
        "ATTR octetString printer-supply "
        "\"index=1;class=supplyThatIsConsumed;type=tonerCartridge;unit=percent;maxcapacity=100;level=80;colorantname=black;\","
        "\"index=2;class=supplyThatIsConsumed;type=tonerCartridge;unit=percent;maxcapacity=100;level=5;colorantname=cyan;\","
        "\"index=3;class=supplyThatIsConsumed;type=tonerCartridge;unit=percent;maxcapacity=100;level=0;colorantname=magenta;\"",
        "ATTR text printer-supply-description \"Black Toner\",\"Cyan Toner\",\"Magenta Toner\"",
    };
    s.jobMessages = {
        "STATE: +media-jam",
        "ATTR: printer-alert='code=jam;index=1;severity=critical;group=mediaPath;' "
        "printer-alert-description='Paper jam at the fuser'",
    };
    return s;
}

// The colour laser walk's printer over IPP: its serial number, and every
// toner at the walk's level but cyan, 20 points above it.
IppPrinterSetup colourLaserOverIpp()
{
    IppPrinterSetup s;
    s.port = 8732;
    s.attributes = {
        "ATTR text printer-make-and-model \"Tarnwell CL-560 Color\"",
        "ATTR text printer-device-id \"MFG:Tarnwell;MDL:CL-560;SN:CL560X00042;\"",
        "ATTR octetString printer-supply "
        "\"index=1;type=tonerCartridge;unit=percent;maxcapacity=100;level=64;colorantname=black;\","
        "\"index=2;type=tonerCartridge;unit=percent;maxcapacity=100;level=72;colorantname=cyan;\","
        "\"index=3;type=tonerCartridge;unit=percent;maxcapacity=100;level=47;colorantname=magenta;\","
        "\"index=4;type=tonerCartridge;unit=percent;maxcapacity=100;level=70;colorantname=yellow;\"",
    };
    return s;
}

struct KnownToner {
    const char* colour;
    int level;
    const char* state;
};

// A printer read by the source each surface is told to use, and what every
// surface must then say of it.
struct SourceRow {
    const char* name;
    const char* walk;  // served by SNMP on the printer's address; none: SNMP does not answer
    IppPrinterSetup (*printer)();
    const char* source;    // --source
    const char* readFrom;  // the reading's "source": "snmp" where IPP filled nothing in
    std::vector<KnownToner> toner;
    bool attention;
    int exit;
    std::vector<std::string> disagreements;
    int pages;
};

const std::vector<KnownToner> kIppOnlyToner = {{"black", 80, "ok"}, {"cyan", 5, "low"}, {"magenta", 0, "empty"}};
// SNMP's levels, whatever IPP says.
const std::vector<KnownToner> kColourLaserToner = {
    {"black", 64, "ok"}, {"cyan", 52, "ok"}, {"magenta", 47, "ok"}, {"yellow", 70, "ok"}};

const SourceRow kSourceRows[] = {
    {"IPP only, read over IPP", nullptr, ippOnlyPrinter, "ipp", "ipp", kIppOnlyToner, true, cli::kCheckCritical, {}, 1207},
    {"IPP only, SNMP silent", nullptr, ippOnlyPrinter, "auto", "ipp", kIppOnlyToner, true, cli::kCheckCritical, {}, 1207},
    {"seen both ways, read both ways", "colour_laser", colourLaserOverIpp, "both", "snmp", kColourLaserToner, false,
     cli::kCheckOk, {"cyan toner: 52 % by SNMP, 72 % by IPP"}, 128734},
    {"seen both ways, SNMP first", "colour_laser", colourLaserOverIpp, "auto", "snmp", kColourLaserToner, false,
     cli::kCheckOk, {}, 128734},
};

// The row's known values on every surface that names them: the report's
// JSON, the check's levels and verdict, the status, the toner command, the
// store and its forecast, and the exporter reading the same source.
void expectTheRow(const SourceRow& row, const Surfaces& s, const std::string& address, int ippPort)
{
    SCOPED_TRACE(row.name);
    const nlohmann::json all = nlohmann::json::parse(s.report.out, nullptr, false);
    ASSERT_TRUE(all.is_array() && all.size() == 1) << "one device: " << s.report.out << s.report.err;
    expectOneVerdict(s);
    const nlohmann::json& d = all.at(0);
    EXPECT_EQ(d.at("source"), row.readFrom);
    EXPECT_EQ(d.at("sourceDisagreements"), nlohmann::json(row.disagreements));
    EXPECT_EQ(d.at("attention"), row.attention);
    EXPECT_EQ(s.check.status, row.exit) << s.check.out;
    const std::map<std::string, int> checked = checkLevels(s.check.out);
    const auto checkLevel = [&](const std::string& colour) {
        const auto at = checked.find("toner_" + colour);
        return at == checked.end() ? -1 : at->second;  // -1: the check names no such level
    };
    for (const KnownToner& t : row.toner) {
        SCOPED_TRACE(t.colour);
        EXPECT_EQ(d.at("toner").at(t.colour).at("level"), t.level);
        EXPECT_EQ(d.at("toner").at(t.colour).at("levelState"), t.state);
        EXPECT_EQ(checkLevel(t.colour), t.level) << s.check.out;
    }

    const nlohmann::json status = nlohmann::json::parse(s.status.out, nullptr, false);
    ASSERT_TRUE(status.is_object()) << s.status.out;
    EXPECT_EQ(status.at("source"), row.readFrom);
    EXPECT_EQ(status.at("sourceDisagreements"), d.at("sourceDisagreements"));
    // The toner command: SNMP's own records, or the reading's list with its source.
    ASSERT_TRUE(s.toner && s.toner->status == 0) << s.toner->out << s.toner->err;
    const nlohmann::json toner = nlohmann::json::parse(s.toner->out, nullptr, false);
    ASSERT_TRUE(toner.is_object()) << s.toner->out;
    if (toner.contains("toners")) {
        EXPECT_EQ(toner.at("source"), row.readFrom);
    }
    const nlohmann::json& listed = toner.contains("toners") ? toner.at("toners") : toner.at("records");
    ASSERT_EQ(listed.size(), d.at("toners").size()) << s.toner->out;
    for (size_t i = 0; i < listed.size(); ++i) {
        EXPECT_EQ(listed[i].at("name"), d.at("toners")[i].at("name"));
        EXPECT_EQ(listed[i].at("level"), d.at("toners")[i].at("level"));
        EXPECT_EQ(listed[i].at("levelState"), d.at("toners")[i].at("levelState"));
    }

    // The store keeps the reading and forecasts from it: an empty supply is empty today.
    const nlohmann::json history = nlohmann::json::parse(s.history.out, nullptr, false);
    ASSERT_TRUE(history.is_object()) << s.history.out << s.history.err;
    EXPECT_EQ(d.at("pageCount"), row.pages);
    EXPECT_EQ(history.at("pageCount"), row.pages);
    for (const nlohmann::json& supply : history.at("supplies")) {
        if (supply.at("levelState") != "empty") continue;
        EXPECT_EQ(supply.at("forecast").at("days").at("value"), 0.0) << supply.dump();
    }

    cli::Session session;
    session.library();  // the exporter reads through the started library
    exporter::ProbeSettings settings;
    settings.community = row.walk ? row.walk : "public";
    settings.timeOutSeconds = 2;
    settings.source.source = *core::sourceNamed(row.source);
    settings.source.ippPort = ippPort;
    const exporter::PrinterReading reading = exporter::readPrinter(*core::parseNetAddress(address), settings);
    ASSERT_TRUE(reading.up);
    EXPECT_EQ(reading.report.source, row.readFrom);
    EXPECT_EQ(reading.report.sourceDisagreements, row.disagreements);
    expectTheExporterAgrees(reading.report, &d);
}

// Both printers are up at once, every row read at the same time: the one
// that answers only IPP shares its address with the other's SNMP agent,
// which does not answer its community.
TEST_F(OneReading, PrintersReadBySource)
{
    if (!core::ippAvailable()) GTEST_SKIP() << "this build reads no printer over IPP";
    const auto started = std::chrono::steady_clock::now();
    std::map<IppPrinterSetup (*)(), std::unique_ptr<TwoWayPrinter>> printers;
    for (const SourceRow& row : kSourceRows) {
        std::unique_ptr<TwoWayPrinter>& printer = printers[row.printer];
        if (printer) continue;
        const fs::path walk = fs::path(NETROV_SOURCE_DIR) / "tests" / "devices" / (std::string(row.walk ? row.walk : "") + ".snmprec");
        printer = std::make_unique<TwoWayPrinter>(row.walk ? walk.string() : std::string(), row.printer());
        if (!printer->ready()) GTEST_SKIP() << printer->whyNot();
    }
    std::vector<std::future<Surfaces>> reads;
    for (const SourceRow& row : kSourceRows) {
        const TwoWayPrinter& printer = *printers.at(row.printer);
        const std::vector<std::string> common = {"--community", printer.community(), "--timeout", "2", "--source",
                                                 row.source, "--ipp-port", std::to_string(printer.ippPort())};
        reads.push_back(std::async(std::launch::async, readThrough, row.name, TwoWayPrinter::kAddress, common, true));
    }
    for (size_t i = 0; i < std::size(kSourceRows); ++i) {
        const SourceRow& row = kSourceRows[i];
        expectTheRow(row, reads[i].get(), TwoWayPrinter::kAddress, printers.at(row.printer)->ippPort());
    }
    std::cout << "printers read by source in "
              << std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count()
              << " ms\n";
}

}  // namespace
}  // namespace netrov::test
