// Printers served by ippeveprinter in the test's own network namespace, read
// over IPP and IPPS and checked by known values; a certificate that changes
// is reported and not trusted.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include <netrov/printer_mib.h>

#include "ipp/ipp_reading.h"
#include "ipp/ipp_trust.h"
#include "device_session.h"
#include "ipp_jobs.h"
#include "ippeveprinter_runner.h"
#include "run_program.h"
#include "printer_metrics.h"
#include "printer_reading.h"
#include "snmpsim_runner.h"
#include "store_round.h"
#include "source_reading.h"
#include "temp_dir.h"

namespace netrov::core {
namespace {

using test::IppEvePrinter;
using test::IppPrinterSetup;

// A colour laser with the newer supply table: a low cyan, an empty magenta,
// a yellow measured in its own unit, a waste box; a jam and an open cover.
IppPrinterSetup colourLaser(int port)
{
    IppPrinterSetup s;
    s.port = port;
    s.attributes = {
        "ATTR text printer-make-and-model \"Acme ColorLaser 5\"",
        "ATTR text printer-device-id \"MFG:Acme;MDL:ColorLaser 5;CMD:PWGRaster;SN:ACM123456;\"",
        "ATTR integer printer-impressions-completed 48213",
        "ATTR octetString printer-supply "
        "\"index=1;class=supplyThatIsConsumed;type=tonerCartridge;unit=percent;maxcapacity=100;level=80;colorantname=black;\","
        "\"index=2;class=supplyThatIsConsumed;type=tonerCartridge;unit=percent;maxcapacity=100;level=5;colorantname=cyan;\","
        "\"index=3;class=supplyThatIsConsumed;type=tonerCartridge;unit=percent;maxcapacity=100;level=0;colorantname=magenta;\","
        "\"index=4;class=supplyThatIsConsumed;type=tonerCartridge;unit=impressions;maxcapacity=8000;level=2400;colorantname=yellow;\","
        "\"index=5;class=receptacleThatIsFilled;type=wasteToner;unit=percent;maxcapacity=100;level=-3;\"",
        "ATTR text printer-supply-description \"Black Cartridge AC-410K\",\"Cyan Cartridge\",\"Magenta Cartridge\","
        "\"Yellow Cartridge\",\"Waste Toner Box\"",
        "ATTR octetString printer-input-tray \"type=sheetFeedAutoRemovableTray;maxcapacity=250;level=100;status=0;name=Tray 1;\"",
    };
    s.jobMessages = {
        "STATE: +media-jam,cover-open",
        "ATTR: printer-alert='code=jam;index=1;severity=critical;group=mediaPath;training=untrained;',"
        "'code=coverOpen;index=2;severity=warning;group=cover;' "
        "printer-alert-description='Paper jam in tray 2','Front cover open'",
    };
    return s;
}

// An inkjet with only the older marker attributes.
IppPrinterSetup inkjet(int port)
{
    IppPrinterSetup s;
    s.port = port;
    s.attributes = {
        "ATTR text printer-make-and-model \"Acme InkJet 2\"",
        "ATTR name marker-names \"Black Ink\",\"Tri-colour Ink\"",
        "ATTR integer marker-levels 45,-2",
        "ATTR keyword marker-types ink-cartridge,ink-cartridge",
        "ATTR name marker-colors \"#000000\",\"#00FFFF#FF00FF#FFFF00\"",
    };
    return s;
}

struct TonerRow {
    const char* colour;
    std::optional<int32_t> percent;
    LevelState state;
};

struct PrinterRow {
    const char* name;
    IppPrinterSetup (*setup)(int port);
    const char* model;
    const char* serial;
    std::optional<uint32_t> pages;
    std::vector<TonerRow> toner;
    size_t otherSupplies;  // the waste box and the trays
    uint32_t errorBits;
    std::vector<int32_t> alertCodes;
};

class IppPrinterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (const std::string why = IppEvePrinter::missing(); !why.empty()) GTEST_SKIP() << why;
        // libcups keeps what it learns of servers under HOME.
        setenv("HOME", home.path().c_str(), 1);
    }
    test::TempDir home;
};

TEST_F(IppPrinterTest, APrinterReadOverIppGivesItsKnownValues)
{
    const PrinterRow rows[] = {
        {"colour laser",
         colourLaser,
         "Acme ColorLaser 5",
         "ACM123456",
         48213,
         {{"black", 80, LevelState::Ok}, {"cyan", 5, LevelState::Low}, {"magenta", 0, LevelState::Empty},
          {"yellow", 30, LevelState::Ok}},
         2,
         NETROV_ERROR_JAMMED | NETROV_ERROR_DOOR_OPEN,
         {8, 3}},
        {"inkjet with marker attributes",
         inkjet,
         "Acme InkJet 2",
         "",
         std::nullopt,
         {{"black", 45, LevelState::Ok}, {"other", std::nullopt, LevelState::Unknown}},
         0,
         0,
         {}},
    };
    int port = 8631;
    for (const PrinterRow& row : rows) {
        SCOPED_TRACE(row.name);
        const IppEvePrinter printer(row.setup(port++));
        ASSERT_TRUE(printer.ready()) << printer.whyNot();
        ipp::IppTarget target{"127.0.0.1", printer.port()};
        target.trustFile = home.file("certificates");
        const DeviceReport report = ipp::readIppReport(target);
        EXPECT_TRUE(report.answered);
        EXPECT_TRUE(report.printer);
        EXPECT_EQ(report.source, "ipp");
        EXPECT_TRUE(report.problems.empty()) << report.problems.front();
        EXPECT_EQ(report.model, row.model);
        EXPECT_EQ(report.serialNumber, row.serial);
        EXPECT_FALSE(report.uuid.empty());
        EXPECT_EQ(report.pageCount, row.pages);
        ASSERT_EQ(report.toner.size(), row.toner.size());
        for (size_t i = 0; i < row.toner.size(); ++i) {
            SCOPED_TRACE(row.toner[i].colour);
            EXPECT_EQ(report.toner[i].colour, row.toner[i].colour);
            EXPECT_EQ(report.toner[i].percent, row.toner[i].percent);
            EXPECT_EQ(report.toner[i].state, row.toner[i].state);
        }
        EXPECT_EQ(report.supplies.size(), row.otherSupplies);
        EXPECT_EQ(report.errorBits, row.errorBits);
        EXPECT_EQ(report.alertCodes, row.alertCodes);
        EXPECT_EQ(deviceAttention(report).needed(), row.errorBits != 0);
        EXPECT_TRUE(isReadyStatus(report.statusCode)) << report.status;
    }
}

TEST_F(IppPrinterTest, TheCertificateIsTrustedOnFirstUseAndAChangeIsReported)
{
    const std::string trust = home.file("data/certificates");
    ipp::IppTarget target{"127.0.0.1", 8640};
    target.encryption = ipp::Encryption::Always;
    target.trustFile = trust;
    {
        const IppEvePrinter printer(colourLaser(8640));
        ASSERT_TRUE(printer.ready()) << printer.whyNot();
        const DeviceReport first = ipp::readIppReport(target);
        EXPECT_TRUE(first.problems.empty()) << first.problems.front();
        EXPECT_EQ(first.model, "Acme ColorLaser 5");
        const DeviceReport again = ipp::readIppReport(target);
        EXPECT_TRUE(again.problems.empty()) << again.problems.front();
    }
    const auto mode = std::filesystem::status(trust).permissions();
    EXPECT_EQ(mode & std::filesystem::perms::all, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    // A new key folder: the printer makes itself a new certificate.
    IppPrinterSetup changed = colourLaser(8640);
    changed.keyDir = home.file("other-keys");
    const IppEvePrinter printer(changed);
    ASSERT_TRUE(printer.ready()) << printer.whyNot();
    const DeviceReport report = ipp::readIppReport(target);
    ASSERT_FALSE(report.problems.empty());
    EXPECT_NE(report.problems.front().find("certificate changed"), std::string::npos) << report.problems.front();
    EXPECT_TRUE(report.answered);
    EXPECT_FALSE(report.printer);
    EXPECT_TRUE(report.model.empty());
}

TEST_F(IppPrinterTest, TheIppSourceReadsAnAddressWithoutSnmp)
{
    const IppEvePrinter printer(colourLaser(8650));
    ASSERT_TRUE(printer.ready()) << printer.whyNot();
    SourceOptions options;
    options.source = Source::Ipp;
    options.ippPort = printer.port();
    options.ippTrustFile = home.file("certificates");
    const auto started = std::chrono::steady_clock::now();
    constexpr int kReads = 5;
    for (int i = 0; i < kReads; ++i) {
        const DeviceReport report = readIpp("127.0.0.1", options, 2);
        ASSERT_EQ(report.model, "Acme ColorLaser 5");
    }
    const auto each = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started) / kReads;
    std::cout << "one IPP reading on loopback: " << each.count() / 1000.0 << " ms\n";
    const DeviceReport v6 = readIpp("::1", options, 2);
    EXPECT_EQ(v6.model, "Acme ColorLaser 5");
    EXPECT_EQ(v6.address, "::1");
    options.ippPort = printer.port() + 1;  // nothing there
    const DeviceReport none = readIpp("127.0.0.1", options, 1);
    EXPECT_FALSE(none.answered);
    EXPECT_FALSE(none.problems.empty());
}

TEST_F(IppPrinterTest, TheExporterScrapesAPrinterThatAnswersOnlyIpp)
{
    const IppEvePrinter printer(colourLaser(8670));
    ASSERT_TRUE(printer.ready()) << printer.whyNot();
    exporter::ProbeSettings settings;
    settings.timeOutSeconds = 2;
    settings.source.source = Source::Ipp;
    settings.source.ippPort = printer.port();
    settings.source.ippTrustFile = home.file("certificates");
    const exporter::PrinterReading reading = exporter::readPrinter(ipv4Address(0x7F000001), settings);
    ASSERT_TRUE(reading.up);
    const std::string text = exporter::printerMetricsText(reading);
    for (const char* line : {"netrov_up 1", "netrov_pages_total 48213"}) {
        EXPECT_NE(text.find(std::string("\n") + line + "\n"), std::string::npos) << line << "\n" << text;
    }
    EXPECT_NE(text.find("netrov_supply_level_ratio{"), std::string::npos) << text;
    EXPECT_NE(text.find("colour=\"magenta\""), std::string::npos) << text;
    const exporter::PrinterReading v6 = exporter::readPrinter(*parseNetAddress("::1"), settings);
    ASSERT_TRUE(v6.up);
    EXPECT_NE(exporter::printerMetricsText(v6).find("address=\"::1\"}"), std::string::npos);
}

struct Ipv6Row {
    const char* name;
    const char* printerAddress;  // an address of its own, or "" for ::1
    const char* host;            // as the reader is given it
    const char* shown;           // as the reading names it
    ipp::Encryption encryption;
};

// The second job waits in the printer's print command, so Get-Jobs finds it
// processing while the first has ended. libcups names the TLS server by a
// literal address other than a loopback one, which ippeveprinter refuses:
// the unique local address is read in plain, and TLS to it is reported.
TEST_F(IppPrinterTest, APrinterOnAnIpv6AddressIsReadWithItsCurrentJobs)
{
    static constexpr const char* kHeld = "Q3 <report> & notes";
    const Ipv6Row rows[] = {
        {"loopback over TLS", "", "::1", "::1", ipp::Encryption::Always},
        {"a unique local address", "fd00::21", "fd00:0:0::21", "fd00::21", ipp::Encryption::Never},
        // The source's reading, which asks TLS where the printer offers it.
        {"the same through the source", "fd00::21", "[fd00::21]", "fd00::21", ipp::Encryption::Auto},
        {"the same over TLS only", "fd00::21", "fd00::21", nullptr, ipp::Encryption::Always},
    };
    int port = 8690;
    for (const Ipv6Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (*row.printerAddress && !test::inOwnNetwork()) {
            std::cout << "skipped " << row.name << ": no network namespace of the test's own\n";
            continue;
        }
        IppPrinterSetup setup = colourLaser(port++);
        setup.ipv6Address = row.printerAddress;
        setup.jobs = {{"alice", "Ended before"}, {"bob", kHeld}};
        const IppEvePrinter printer(setup);
        ASSERT_TRUE(printer.ready()) << printer.whyNot();
        ipp::IppTarget target{row.host, printer.port()};
        target.encryption = row.encryption;
        target.trustFile = home.file("certificates");
        SourceOptions options;
        options.ippPort = printer.port();
        options.ippTrustFile = target.trustFile;
        const bool viaSource = row.encryption == ipp::Encryption::Auto;
        const DeviceReport report = viaSource ? readIpp(row.host, options, 2) : ipp::readIppReport(target);
        if (!row.shown) {
            EXPECT_FALSE(report.answered);
            ASSERT_EQ(report.problems.size(), 1u);
            EXPECT_NE(report.problems[0].find("a printer may refuse TLS to an IPv6 address"), std::string::npos)
                << report.problems[0];
            EXPECT_FALSE(ipp::readIppJobs(target).answered);
            continue;
        }
        EXPECT_TRUE(report.problems.empty()) << report.problems.front();
        EXPECT_EQ(report.model, "Acme ColorLaser 5");
        EXPECT_EQ(report.address, row.shown);
        const auto started = std::chrono::steady_clock::now();
        const ipp::IppJobs jobs = viaSource ? readIppJobs(row.host, options, 2) : ipp::readIppJobs(target);
        const auto took = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started);
        std::cout << "Get-Jobs, " << row.name << ": " << took.count() / 1000.0 << " ms\n";
        ASSERT_TRUE(jobs.answered) << jobs.problems.front();
        EXPECT_EQ(jobs.address, row.shown);
        ASSERT_EQ(jobs.jobs.size(), 1u);
        EXPECT_EQ(jobs.jobs[0].id, 2);
        EXPECT_EQ(jobs.jobs[0].name, kHeld);
        EXPECT_EQ(jobs.jobs[0].user, "bob");
        EXPECT_EQ(ipp::jobStateWord(jobs.jobs[0].state), "processing");
        EXPECT_NE(std::find(jobs.jobs[0].stateReasons.begin(), jobs.jobs[0].stateReasons.end(), "job-printing"),
                  jobs.jobs[0].stateReasons.end());
        std::ostringstream out;
        std::ostringstream err;
        ASSERT_EQ(cli::printIppJobs(jobs, false, out, err), 0) << err.str();
        EXPECT_NE(out.str().find("Current jobs: 1 record\n"), std::string::npos) << out.str();
        EXPECT_NE(out.str().find("Q3 <report> & notes  bob    Processing  job-printing"), std::string::npos) << out.str();
        if (row.encryption == ipp::Encryption::Always) {
            const std::string key = std::string("[") + row.shown + "]:" + std::to_string(printer.port()) + " sha256:";
            EXPECT_NE(test::readFile(target.trustFile).find(key), std::string::npos) << test::readFile(target.trustFile);
        }
    }
}

struct MergeAgentRow {
    const char* name;
    const char* serial;  // the IPP printer's
    int cyan;            // its cyan level; SNMP's is 52
    std::vector<std::string> disagreements;
    bool merged;
};

TEST_F(IppPrinterTest, OneDeviceReadByBothSourcesMergesAndSaysWhereTheyDisagree)
{
    const test::SnmpSimRunner agent({std::string(NETROV_SOURCE_DIR) + "/tests/devices/colour_laser.snmprec"}, {"127.0.0.1"});
    if (!agent.ready()) GTEST_SKIP() << agent.whyNot();
    const MergeAgentRow rows[] = {
        {"the same serial number, cyan 22 points apart", "CL560X00042", 30, {"cyan toner: 52 % by SNMP, 30 % by IPP"}, true},
        {"the same serial number, cyan 8 points apart", "CL560X00042", 60, {}, true},
        {"another serial number", "OTHER1", 30, {}, false},
    };
    int port = 8680;
    for (const MergeAgentRow& row : rows) {
        SCOPED_TRACE(row.name);
        IppPrinterSetup setup;
        setup.port = port++;
        const std::string level = std::to_string(row.cyan);
        setup.attributes = {
            "ATTR text printer-make-and-model \"Tarnwell CL-560 Color\"",
            std::string("ATTR text printer-device-id \"MFG:Tarnwell;MDL:CL-560;SN:") + row.serial + ";\"",
            "ATTR octetString printer-supply "
            "\"index=1;type=tonerCartridge;maxcapacity=100;level=64;colorantname=black;\","
            "\"index=2;type=tonerCartridge;maxcapacity=100;level=" + level + ";colorantname=cyan;\"",
        };
        const IppEvePrinter printer(setup);
        ASSERT_TRUE(printer.ready()) << printer.whyNot();
        cli::Session session;
        DeviceListEntry entry{};
        entry.identity = session.open(0x7F000001, "colour_laser", 2).identity;
        SourceOptions options;
        options.source = Source::Both;
        options.ippPort = printer.port();
        options.ippTrustFile = home.file("certificates");
        const DeviceReport report = readFromSource(entry, deviceReadDeadline(2), options);
        EXPECT_EQ(report.model, "Tarnwell CL-560 Color");
        EXPECT_EQ(report.serialNumber, "CL560X00042");
        // The entry comes from no search: SNMP is asked for its name, and IPP fills only the UUID SNMP lacks.
        EXPECT_EQ(report.source, "snmp");
        EXPECT_EQ(report.name, "cl560-design");
        EXPECT_EQ(report.uuid.empty(), !row.merged);
        EXPECT_EQ(report.sourceDisagreements, row.disagreements);
        EXPECT_EQ(report.toner.size(), 4u);
    }
}

struct CommandRow {
    const char* command;
    const char* source;
    int exit;            // check: 2 CRITICAL, 3 UNKNOWN; status: 0, 1 not read, 2 bad input
    const char* prefix;  // the output's beginning
    const char* holds = "";  // a text further on in the output
    std::vector<std::string> target = {"127.0.0.1"};
};

TEST_F(IppPrinterTest, CheckAndStatusFallBackToIppWhenSnmpIsSilent)
{
    const IppEvePrinter printer(colourLaser(8660));
    ASSERT_TRUE(printer.ready()) << printer.whyNot();
    // The empty magenta is critical; the jam and the open cover are named.
    static constexpr const char* kFallen = "NETROV CRITICAL - Acme ColorLaser 5: Ready; toner cyan 5%, toner magenta 0%, "
                                           "Jam (the printer says: Paper jam in tray 2), Cover open (the printer says: "
                                           "Front cover open) |";
    static constexpr const char* kStatus = "Status: Ready\n  Alert: Jam: Paper jam in tray 2\n  Alert: Cover open: Front cover open\n"
                                           "Attention: needed, ";
    const std::vector<std::string> kRange = {"--range", "127.0.0.1-127.0.0.1"};
    const CommandRow rows[] = {
        {"check", "auto", 2, kFallen},
        {"check", "ipp", 2, kFallen},
        {"check", "both", 2, kFallen},
        {"check", "snmp", 3, "NETROV UNKNOWN - no answer"},
        {"check", "IPP", 3, "NETROV UNKNOWN - --source is auto, snmp, ipp or both"},
        {"status", "auto", 0, kStatus},
        {"status", "ipp", 0, kStatus},
        {"status", "snmp", 1, ""},
        {"status", "IPP", 2, ""},
        {"report", "auto", 0, "address,", "Acme ColorLaser 5", kRange},
        {"report", "ipp", 0, "[", "\"source\": \"ipp\"", {"--json", kRange[0], kRange[1]}},
        {"report", "snmp", 0, "address,", "", kRange},
        {"toner", "auto", 0, "Model: Acme ColorLaser 5\nSource: ipp\n", "magenta  0/100"},
        {"toner", "snmp", 1, ""},
        {"supplies", "ipp", 0, "Model: Acme ColorLaser 5\nSource: ipp\n", "Waste Toner Box"},
        {"supplies", "auto", 0, "{", "\"source\": \"ipp\"", {"127.0.0.1", "--json"}},
        {"toner", "IPP", 2, ""},
        {"report", "both", 0, "[", "\"serialNumber\": \"ACM123456\"", {"--json", kRange[0], kRange[1]}},
        {"model", "ipp", 0, "Acme ColorLaser 5\n"},
        {"info", "auto", 0, "Model:       Acme ColorLaser 5\n", "Source:      ipp"},
        {"trays", "ipp", 0, "Model: Acme ColorLaser 5\nSource: ipp\n", "Tray 1"},
        {"counters", "auto", 0, "{", "\"count\": 48213", {"127.0.0.1", "--json"}},
        {"marker", "ipp", 2, ""},
        {"jobs", "ipp", 0, "Address: 127.0.0.1\nSource: ipp\n", "Current jobs: 0 records"},
        {"jobs", "auto", 0, "{", "\"currentJobs\"", {"127.0.0.1", "--json"}},
        {"jobs", "both", 2, ""},
    };
    for (const CommandRow& row : rows) {
        SCOPED_TRACE(std::string(row.command) + " " + row.source);
        std::vector<std::string> argv = {std::string(NETROV_OUTPUT_DIR) + "/netrov-cli", row.command};
        argv.insert(argv.end(), row.target.begin(), row.target.end());
        argv.insert(argv.end(), {"--source", row.source, "--ipp-port", std::to_string(printer.port()), "-t", "1"});
        const test::ProgramResult run = test::runProgram(argv);
        EXPECT_EQ(run.status, row.exit) << run.out << run.err;
        EXPECT_EQ(run.out.rfind(row.prefix, 0), 0u) << run.out;
        EXPECT_NE(run.out.find(row.holds), std::string::npos) << run.out;
    }
}

TEST_F(IppPrinterTest, AWatchRoundStoresAPrinterThatAnswersOnlyIpp)
{
    const IppEvePrinter printer(colourLaser(8680));
    ASSERT_TRUE(printer.ready()) << printer.whyNot();
    const test::StoreRound round(std::string(NETROV_OUTPUT_DIR) + "/netrov-cli",
                                 {"-t", "1", "--ipp-port", std::to_string(printer.port())});
    const test::ProgramResult watch = test::runProgram(round.watchOnce("127.0.0.1"));
    ASSERT_EQ(watch.status, 0) << watch.out << watch.err;
    EXPECT_NE(watch.out.find(": 1 answered, 0 silent, 1 new"), std::string::npos) << watch.out;
    const test::ProgramResult fleet = test::runProgram(round.fleetJson());
    ASSERT_EQ(fleet.status, 0) << fleet.err;
    const nlohmann::json devices = nlohmann::json::parse(fleet.out).at("devices");
    ASSERT_EQ(devices.size(), 1u) << fleet.out;
    EXPECT_EQ(devices[0]["address"], "127.0.0.1");
    EXPECT_EQ(devices[0]["serial"], "ACM123456");
    EXPECT_NE(fleet.out.find("magenta"), std::string::npos) << fleet.out;
}

}  // namespace
}  // namespace netrov::core
