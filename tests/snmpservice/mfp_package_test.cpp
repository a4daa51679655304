// The fax, scanner, job and log queries against snmpsim serving the test
// MFP's walk, first straight into the service, then end to end through a
// private installation of the front library with the test model's package.
// The job tables' rows are packed values built here and added to the walk.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <unistd.h>

#include <arpa/inet.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "entry_points.h"
#include "netrov/result_codes.h"
#include "netrov/tuva.h"
#include "packed_builder.h"
#include "service_fixture.h"
#include "snmpsim_runner.h"
#include "walk_files.h"

using namespace netrov::test;
namespace fs = std::filesystem;

namespace {

constexpr const char* kAddress = "127.0.45.1";
constexpr const char* kCommunity = "mfp_jobs";
constexpr const char* kModel = "Tarnwell MX-4400 MFP";
const std::string kJobs = "1.3.6.1.4.1.32473.40.3";
const std::string kFax = "1.3.6.1.4.1.32473.40.1";
const std::string kScanner = "1.3.6.1.4.1.32473.40.2";
constexpr uint32_t kLogRows = 25;
constexpr uint32_t kFirstSequence = 500;

std::string definitionPath()
{
    return std::string(NETROV_SOURCE_DIR) + "/tests/devices/mx4400_definition.xml";
}

// The document's tag definition of log notifications and fax log rows.
std::vector<PackedItem> logItems(uint32_t sequence, uint32_t result, uint32_t kind, const std::string& name)
{
    Bytes padded = textBytes(name);
    padded.resize(16, 0);
    return {{192, bigEndian(sequence, 4)}, {200, bigEndian(result, 2)}, {118, bigEndian(kind, 2)},
            {120, bigEndian(0, 2)},        {112, padded}};
}

std::string line(const std::string& oid, const std::string& type, const std::string& value)
{
    return oid + "|" + type + "|" + value + "\n";
}

// The MFP's walk plus job tables: two current jobs (rows with a tag
// definition object), a self-described job log and a fax log whose rows
// follow the device's tag definition.
std::string jobWalk()
{
    std::string walk = readFile(projectWalk("mfp"));
    walk += line(kJobs + ".1.0", "2", "2");
    const auto [currentDefinition, firstJob] =
        withDefinition({{113, textBytes("alice")}, {127, bigEndian(3, 2)}, {118, bigEndian(1, 2)}});
    const Bytes secondJob = withDefinition({{113, textBytes("bob  ")}, {127, bigEndian(0, 2)},
                                            {118, bigEndian(2, 2)}}).second;
    walk += line(kJobs + ".2.0", "4x", hexText(currentDefinition));
    walk += line(kJobs + ".3.1.2.1", "4x", hexText(firstJob));
    walk += line(kJobs + ".3.1.2.2", "4x", hexText(secondJob));
    walk += line(kJobs + ".4.0", "2", std::to_string(kLogRows));
    for (uint32_t n = 1; n <= kLogRows; ++n) {
        walk += line(kJobs + ".6.1.2." + std::to_string(n), "4x",
                     hexText(selfDescribed(logItems(kFirstSequence + n, 1 + n % 2, 1, "doc" + std::to_string(n)))));
    }
    const auto [faxDefinition, sent] = withDefinition(logItems(9, 1, 2, "to 555-0100"));
    walk += line(kJobs + ".7.0", "2", "1");
    walk += line(kJobs + ".8.0", "4x", hexText(faxDefinition));
    walk += line(kJobs + ".9.1.2.1", "4x", hexText(sent));
    return walk;
}

// snmpsim wants its records in identifier order.
std::string sortedWalk(const std::string& walk)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < walk.size()) {
        const size_t end = walk.find('\n', start);
        lines.push_back(walk.substr(start, end - start));
        start = end == std::string::npos ? walk.size() : end + 1;
    }
    std::stable_sort(lines.begin(), lines.end(), [](const std::string& a, const std::string& b) {
        return netrov::tessel::compareOids(a.substr(0, a.find('|')), b.substr(0, b.find('|'))) < 0;
    });
    std::string out;
    for (const std::string& l : lines) out += l + "\n";
    return out;
}

uint32_t addressValue(const char* dotted)
{
    in_addr a{};
    inet_pton(AF_INET, dotted, &a);
    return a.s_addr;
}

// The walk's records below a column, by row index.
std::map<uint32_t, std::string> column(const std::vector<WalkRecord>& walk, const std::string& base)
{
    std::map<uint32_t, std::string> rows;
    for (const WalkRecord& r : walk) {
        if (netrov::tessel::identifierUnder(r.oid, base) && r.oid != base)
            rows[netrov::tessel::lastArcOf(r.oid)] = r.value;
    }
    return rows;
}

// Bit numbers set in a capability value, bit 0 the first byte's highest.
std::vector<int32_t> setBits(const std::string& value)
{
    std::vector<int32_t> bits;
    for (int32_t bit = 0; bit < 32 && static_cast<size_t>(bit / 8) < value.size(); ++bit) {
        if (static_cast<uint8_t>(value[static_cast<size_t>(bit / 8)]) & (0x80 >> (bit % 8))) bits.push_back(bit);
    }
    return bits;
}

class MfpPackage : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        walkDir = std::make_unique<TempDir>();
        walkFile = walkDir->file(std::string(kCommunity) + ".snmprec");
        writeFile(walkFile, sortedWalk(jobWalk()));
        simulator = std::make_unique<SnmpSimRunner>(std::vector<std::string>{walkFile},
                                                    std::vector<std::string>{kAddress});
    }
    static void TearDownTestSuite()
    {
        simulator.reset();
        walkDir.reset();
    }
    void SetUp() override
    {
        if (!simulator->ready()) GTEST_SKIP() << simulator->whyNot();
        ASSERT_TRUE(service.loaded());
    }

    static std::unique_ptr<TempDir> walkDir;
    static std::string walkFile;
    static std::unique_ptr<SnmpSimRunner> simulator;
    Service service{Service::FromFile{}, definitionPath()};
    DeviceIdentity device = snmpDevice(addressValue(kAddress), kCommunity, 2);
};

std::unique_ptr<TempDir> MfpPackage::walkDir;
std::string MfpPackage::walkFile;
std::unique_ptr<SnmpSimRunner> MfpPackage::simulator;

}  // namespace

TEST_F(MfpPackage, FaxLinesAndCapabilitiesAsTheWalkHasThem)
{
    const auto walk = readWalk(walkFile);
    const auto numbers = column(walk, kFax + ".1.1.6");
    FaxChannelEntry lines[4];
    int32_t n = 0;
    ASSERT_EQ(TUVASRV_GetDevFaxChannel(&device, 0, 0, lines, 4, &n, service.record()), NETROV_OK);
    ASSERT_EQ(static_cast<size_t>(n), numbers.size());
    size_t i = 0;
    for (const auto& [row, number] : numbers) {
        SCOPED_TRACE(row);
        EXPECT_STREQ(lines[i].number, number.c_str());
        EXPECT_EQ(lines[i].type, std::stoi(column(walk, kFax + ".1.1.2").at(row)));
        EXPECT_EQ(lines[i].typeText[0] != 0, true);
        ++i;
    }

    // The document names bits 0 to 3 of the widths and resolutions (0 to 2
    // of the received resolutions).
    struct Capability {
        TuvaServiceFn query;
        std::string object;
        int32_t named;
    };
    const Capability capabilities[] = {
        {TUVASRV_GetDevFaxSendSize, kFax + ".2.0", 4}, {TUVASRV_GetDevFaxRecvSize, kFax + ".3.0", 4},
        {TUVASRV_GetDevFaxSendReso, kFax + ".4.0", 4}, {TUVASRV_GetDevFaxRecvReso, kFax + ".5.0", 3},
    };
    for (const Capability& c : capabilities) {
        SCOPED_TRACE(c.object);
        const WalkRecord* record = firstUnder(walk, c.object);
        ASSERT_NE(record, nullptr);
        std::vector<int32_t> expected;
        for (int32_t bit : setBits(record->value)) {
            if (bit < c.named) expected.push_back(bit);
        }
        FaxCapabilityEntry items[32];
        ASSERT_EQ(c.query(&device, 0, 0, items, 32, &n, service.record()), NETROV_OK);
        ASSERT_EQ(static_cast<size_t>(n), expected.size());
        for (size_t k = 0; k < expected.size(); ++k) EXPECT_EQ(items[k].bitNumber, expected[k]);
    }

    // Grey is missing for sending: monochrome, then colour.
    FaxCompressionEntry methods[32];
    ASSERT_EQ(TUVASRV_GetDevFaxSendComp(&device, 0, 0, methods, 32, &n, service.record()), NETROV_OK);
    ASSERT_EQ(n, static_cast<int32_t>(setBits(firstUnder(walk, kFax + ".6.1.0")->value).size() + 1));
    EXPECT_EQ(methods[0].colourMode, 1);
    EXPECT_EQ(methods[n - 1].colourMode, 3);
    EXPECT_STREQ(methods[n - 1].text, "JPEG");
}

TEST_F(MfpPackage, ScannerFeedersAndSensor)
{
    const auto walk = readWalk(walkFile);
    ScanFeederEntry feeders[4];
    int32_t n = 0;
    ASSERT_EQ(TUVASRV_GetDevScnODH(&device, 0, 0, feeders, 4, &n, service.record()), NETROV_OK);
    const auto types = column(walk, kScanner + ".1.1.2");
    ASSERT_EQ(static_cast<size_t>(n), types.size());
    const auto speeds = column(walk, kScanner + ".1.1.9");
    size_t i = 0;
    for (const auto& [row, type] : types) {
        SCOPED_TRACE(row);
        const ScanFeederEntry& f = feeders[i++];
        EXPECT_EQ(f.type.value, std::stoi(type));
        EXPECT_EQ(f.speed.value, std::stoi(speeds.at(row)) / 60);
        const int32_t unit = std::stoi(column(walk, kScanner + ".1.1.3").at(row));
        const double x = std::stod(column(walk, kScanner + ".1.1.4").at(row));
        EXPECT_DOUBLE_EQ(f.maxSizeX, unit == 3 ? x * 0.0001 : x * 0.001);
        EXPECT_EQ(f.sizeNameValid, 1);
        EXPECT_EQ(f.capacityValid, column(walk, kScanner + ".1.1.6").count(row));
    }
    EXPECT_STREQ(feeders[0].sizeName, "Legal");
    EXPECT_STREQ(feeders[1].sizeName, "A3");  // 1/10000 inch, truncated to 296 x 419 mm
    EXPECT_STREQ(feeders[1].speed.text, "60 images per minute");

    ScanSensorEntry sensor[2];
    ASSERT_EQ(TUVASRV_GetDevScnSensor(&device, 0, 0, sensor, 2, &n, service.record()), NETROV_OK);
    ASSERT_EQ(n, 1);
    EXPECT_EQ(sensor[0].resolutionX, std::stoi(column(walk, kScanner + ".2.1.5").at(1)));  // unit 3: as given
    EXPECT_EQ(sensor[0].resolutionY, std::stoi(column(walk, kScanner + ".2.1.6").at(1)));
    EXPECT_EQ(sensor[0].lifeCount, std::stoul(column(walk, kScanner + ".2.1.2").at(1)));
    EXPECT_STREQ(sensor[0].resolutionUnit.text, "dpi");

    CodedSetting formats[8];
    ASSERT_EQ(TUVASRV_GetDevScnImage(&device, 0, 0, formats, 8, &n, service.record()), NETROV_OK);
    EXPECT_EQ(static_cast<size_t>(n), column(walk, kScanner + ".4.1.2").size());
    EXPECT_STREQ(formats[1].text, "PDF");
}

TEST_F(MfpPackage, JobTablesAndTheLogFromAPosition)
{
    CurrentJobRecord jobs[4];
    int32_t n = 0;
    ASSERT_EQ(TUVASRV_GetCurrentJobInfo(&device, 0, 0, jobs, 4, &n, service.record()), NETROV_OK);
    ASSERT_EQ(n, 2);
    EXPECT_STREQ(jobs[0].tag113, "alice");
    EXPECT_EQ(jobs[0].errorType, 1);
    EXPECT_STREQ(jobs[1].tag113, "bob  ");
    EXPECT_EQ(jobs[1].tag127Valid, 1);

    // From sequence 515 on: the probe stops at row 11 (511), the walk gives
    // rows 12 to 25.
    const LogPosition position{0, kFirstSequence + 15};
    std::vector<LogRecord> log(kLogRows);
    ASSERT_EQ(TUVASRV_GetJobLogInfo(&device, reinterpret_cast<intptr_t>(&position), 0, log.data(),
                                    static_cast<int32_t>(log.size()), &n, service.record()),
              NETROV_OK);
    ASSERT_EQ(n, static_cast<int32_t>(kLogRows - 11));
    for (int32_t k = 0; k < n; ++k) {
        const uint32_t row = 12 + static_cast<uint32_t>(k);
        EXPECT_EQ(log[static_cast<size_t>(k)].sequence, static_cast<int32_t>(kFirstSequence + row));
        EXPECT_STREQ(log[static_cast<size_t>(k)].tag112, ("doc" + std::to_string(row)).c_str());
        EXPECT_STREQ(log[static_cast<size_t>(k)].message, row % 2 ? "Cancelled" : "Printed");
    }

    LogRecord fax[2];
    ASSERT_EQ(TUVASRV_GetFaxLogInfo(&device, 0, 0, fax, 2, &n, service.record()), NETROV_OK);
    ASSERT_EQ(n, 1);
    EXPECT_STREQ(fax[0].tag112, "to 555-0100");
    EXPECT_STREQ(fax[0].message, "Fax sent");
}

// The standard package counts the active jobs of the Job Monitoring MIB and
// knows no object of the other queries of the family.
TEST_F(MfpPackage, StandardPackageCountsActiveJobsOnly)
{
    Service standard{Service::FromFile{}, Service::standardDefinition()};
    const auto walk = readWalk(walkFile);
    const WalkRecord* active = firstUnder(walk, "1.3.6.1.4.1.2699.1.1.1.1.1.1.2");
    ASSERT_NE(active, nullptr);
    JobCount count{};
    int32_t n = 0;
    ASSERT_EQ(TUVASRV_GetCurrentJobNum(&device, 0, 0, &count, 1, &n, standard.record()), NETROV_OK);
    ASSERT_EQ(n, 1);
    EXPECT_EQ(count.count, std::stoi(active->value));
    std::vector<uint8_t> records(4 * sizeof(ScanFeederEntry));
    for (TuvaServiceFn query : {TUVASRV_GetDevFaxChannel, TUVASRV_GetDevFaxSendSize, TUVASRV_GetDevFaxRecvComp,
                                TUVASRV_GetDevScnODH, TUVASRV_GetDevScnSensor, TUVASRV_GetDevScnColSp,
                                TUVASRV_GetDevScnImage, TUVASRV_GetJobLogNum, TUVASRV_GetFaxLogNum,
                                TUVASRV_GetCurrentJobInfo, TUVASRV_GetJobLogInfo, TUVASRV_GetFaxLogInfo}) {
        EXPECT_EQ(query(&device, 0, 0, records.data(), 4, &n, standard.record()), NETROV_NOT_DEFINED);
    }
}

// tuva, installed with the test model's package beside it, forwards every
// query to the service; the standard package leaves them undefined.
TEST_F(MfpPackage, EndToEndThroughTheFrontLibrary)
{
    TempDir install;
    fs::copy_file(TUVA_LIBRARY, install.path() / "libtuva.so");
    fs::create_directories(install.path() / "mx4400");
    fs::copy_file(definitionPath(), install.path() / "mx4400" / "definition.xml");
    writeFile((install.path() / "mx4400" / "support.ini").string(),
              std::string("[MAIN]\nVERSION=1.0\n[CONFIG]\nSUPPORT1=1.3.6.1.4.1.32473.7.2.4400\\") + kModel +
                  "\nLIB_SNMP=" + TESSEL_LIBRARY + "\nCFG_SNMP=mx4400/definition.xml\n");
    const fs::path before = fs::current_path();
    void* tuva = dlopen((install.path() / "libtuva.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(tuva, nullptr) << dlerror();
    const auto symbol = [tuva](const char* name) { return dlsym(tuva, name); };
    reinterpret_cast<decltype(&TUVA_Init)>(symbol("TUVA_Init"))(nullptr);

    DeviceIdentity d = device;
    strncpy(d.modelName, kModel, sizeof d.modelName - 1);
    FaxCapabilityEntry items[32];
    int32_t n = 0;
    EXPECT_EQ(reinterpret_cast<decltype(&TUVA_GetDevFaxSendReso)>(symbol("TUVA_GetDevFaxSendReso"))(
                  &d, 0, 0, items, 32, &n),
              NETROV_OK);
    EXPECT_EQ(n, 3);
    JobCount count{};
    EXPECT_EQ(reinterpret_cast<decltype(&TUVA_GetJobLogNum)>(symbol("TUVA_GetJobLogNum"))(&d, 0, 0, &count, 1, &n),
              NETROV_OK);
    EXPECT_EQ(count.count, static_cast<int32_t>(kLogRows));

    // A job log notification, with the document's tag definition.
    const Bytes packed = withDefinition(logItems(77, 1, 2, "to 555-0142")).second;
    const JobTrapValue trap{0, packed.data(), static_cast<int32_t>(packed.size()), 0};
    LogRecord entry{};
    EXPECT_EQ(reinterpret_cast<decltype(&TUVA_ParseJobLogInfo)>(symbol("TUVA_ParseJobLogInfo"))(
                  &d, reinterpret_cast<intptr_t>(&trap), 0, &entry, 1, &n),
              NETROV_OK);
    EXPECT_EQ(n, 1);
    EXPECT_EQ(entry.sequence, 77);
    EXPECT_STREQ(entry.tag112, "to 555-0142");
    EXPECT_STREQ(entry.message, "Fax sent");

    // Every query of the family is exported: none answers 3.
    for (const char* name : {"TUVA_GetDevFaxChannel", "TUVA_GetDevFaxRecvSize", "TUVA_GetDevFaxRecvReso",
                             "TUVA_GetDevFaxSendSize", "TUVA_GetDevFaxSendComp", "TUVA_GetDevFaxRecvComp",
                             "TUVA_GetDevScnODH", "TUVA_GetDevScnSensor", "TUVA_GetDevScnColSp",
                             "TUVA_GetDevScnImage", "TUVA_GetCurrentJobNum", "TUVA_GetFaxLogNum",
                             "TUVA_GetCurrentJobInfo", "TUVA_GetJobLogInfo", "TUVA_GetFaxLogInfo",
                             "TUVA_ParseCurrentJobInfo", "TUVA_ParseFaxLogInfo"}) {
        SCOPED_TRACE(name);
        std::vector<uint8_t> records(8 * sizeof(ScanFeederEntry));
        const int32_t result = reinterpret_cast<TuvaQueryFn>(symbol(name))(&d, 0, 0, records.data(), 8, &n);
        EXPECT_NE(result, NETROV_NO_ENTRY_POINT);
        EXPECT_NE(result, NETROV_NO_LIBRARY);
    }
    reinterpret_cast<decltype(&TUVA_Free)>(symbol("TUVA_Free"))();
    dlclose(tuva);
    fs::current_path(before);
}
