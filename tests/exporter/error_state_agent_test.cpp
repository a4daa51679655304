// The error-state bits of simulated printers through a scrape and through
// the fleet report: one octet, two octets, and an odd third octet.
#include <gtest/gtest.h>

#include <cstring>

#include <netrov/result_codes.h>

#include "attention.h"
#include "device_list.h"
#include "exporter_agents.h"
#include "fleet_report.h"
#include "promtool.h"
#include "query_reading.h"
#include "record_schema.h"
#include "search_settings.h"

namespace netrov::exporter {
namespace {

constexpr const char* kErrorStateOid = "1.3.6.1.2.1.25.3.5.1.2.1";
// The walk's own value: 20, low toner alone.
constexpr const char* kLowToner = "127.0.62.3";
// Edited: printer rows 3 and 4; the first, 04 80, is jammed with its input
// tray missing, the second has every bit set and is not read.
constexpr const char* kJammed = "127.0.62.4";
// Edited: 08 40 ff, door open and output tray missing; the third octet is
// no named bit.
constexpr const char* kDoorOpen = "127.0.62.5";
// The walk's own value: 0C, jammed with the door open.
constexpr const char* kJamDoor = "127.0.62.6";
// No printer table at all: no error-state series.
constexpr const char* kNoTable = "127.0.62.7";

class ErrorStateAgent : public ExporterAgentsSuite<ErrorStateAgent> {
public:
    static bool serve(test::WalkAgents& agents)
    {
        return agents.serve("mfp", {kLowToner}) &&
               agents.serve("inkjet", {kJammed},
                             {{kErrorStateOid, "1.3.6.1.2.1.25.3.5.1.2.3|4x|0480\n1.3.6.1.2.1.25.3.5.1.2.4|4x|ffff"}}) &&
               agents.serve("colour_laser", {kDoorOpen}, {{kErrorStateOid, std::string(kErrorStateOid) + "|4x|0840ff"}}) &&
               agents.serve("jam_door", {kJamDoor}) && agents.serve("no_host_table", {kNoTable});
    }
};

std::string stateLine(const char* state, int value)
{
    return std::string("netrov_printer_error_state{state=\"") + state + "\"} " + std::to_string(value) + "\n";
}

struct ScrapeCase {
    const char* address;
    std::vector<const char*> holding;
    std::vector<const char*> clear;
    bool errorStateReason;  // the judgement counts any bit
};

const ScrapeCase kScrapeCases[] = {
    {kLowToner, {"low_toner"}, {"low_paper", "jammed", "door_open", "input_tray_missing", "overdue_prevent_maint"}, true},
    {kJammed, {"jammed", "input_tray_missing"}, {"low_toner", "door_open", "no_paper"}, true},
    {kDoorOpen, {"door_open", "output_tray_missing"}, {"jammed", "low_toner", "input_tray_missing"}, true},
    {kJamDoor, {"jammed", "door_open"}, {"low_paper", "no_toner", "offline"}, true},
};

TEST_F(ErrorStateAgent, ScrapesShowTheBitsTheWalkHolds)
{
    for (const ScrapeCase& c : kScrapeCases) {
        const std::string text = scrape(c.address);
        EXPECT_EQ(text.find("state=\"value_"), std::string::npos) << "an unnamed bit has a series\n" << text;
        for (const char* state : c.holding) EXPECT_NE(text.find(stateLine(state, 1)), std::string::npos) << c.address << " " << state << "\n" << text;
        for (const char* state : c.clear) EXPECT_NE(text.find(stateLine(state, 0)), std::string::npos) << c.address << " " << state << "\n" << text;
        EXPECT_NE(text.find(std::string("netrov_attention_reason{reason=\"error_state\"} ") + (c.errorStateReason ? "1" : "0")),
                  std::string::npos)
            << c.address << "\n" << text;
        const test::PromtoolResult check = test::promtoolCheckMetrics(text);
        if (check.available) {
            EXPECT_EQ(check.status, 0) << check.output << "\n" << text;
        }
    }
    const std::string silent = scrape(kNoTable);
    EXPECT_NE(silent.find("netrov_up 1\n"), std::string::npos) << silent;
    EXPECT_EQ(silent.find("netrov_printer_error_state{"), std::string::npos) << silent;
    EXPECT_NE(silent.find("netrov_attention_reason{reason=\"error_state\"} 0\n"), std::string::npos) << silent;
}

TEST_F(ErrorStateAgent, TheFleetReportCarriesTheBits)
{
    const struct {
        const char* address;
        uint32_t bits;
        int32_t deviceIndex;  // 0: no record
        int32_t octets;
    } cases[] = {
        {kLowToner, 1u << 2, 1, 1},
        {kJammed, core::kErrorJammed | (1u << 8), 3, 2},
        {kDoorOpen, core::kErrorDoorOpen | (1u << 9), 1, 3},
        {kJamDoor, core::kErrorJammed | core::kErrorDoorOpen, 1, 1},
        {kNoTable, 0, 0, 0},
    };
    const core::DeviceAccess& access = core::FrontLibrary::tuva().access();
    for (const auto& c : cases) {
        core::DeviceListEntry entry;
        std::memset(&entry, 0, sizeof entry);
        DeviceIdentity& device = entry.identity;
        device.interfaceKind = NETROV_INTERFACE_NETWORK;
        device.transport = NETROV_TRANSPORT_SNMP;
        std::strncpy(device.community, agents_->community().c_str(), sizeof device.community - 1);
        device.timeout = 1;
        const TargetCheck target = resolveTarget(c.address);
        ASSERT_TRUE(target.address) << c.address;
        core::setDeviceAddress(device, *target.address);
        unsigned char scratch[NETROV_MODEL_NAME_RECORD_SIZE] = {};
        int32_t count = 0;
        ASSERT_EQ(access.getDevModelName(&device, 0, 0, scratch, 1, &count), NETROV_OK) << c.address;
        const core::DeviceReport report = core::readDeviceReport(entry);
        EXPECT_EQ(report.errorBits, c.bits) << c.address;

        const core::QueryReading reading = core::readQuery(*core::findQuery("GetDevErrorState"), device);
        if (c.deviceIndex == 0) {
            EXPECT_EQ(reading.stored(), 0) << c.address;
            continue;
        }
        ASSERT_EQ(reading.result, NETROV_OK) << c.address;
        ASSERT_EQ(reading.stored(), 1) << c.address;
        const auto* info = static_cast<const ErrorStateInfo*>(reading.record(0));
        EXPECT_EQ(info->errorStateValid, 1) << c.address;
        EXPECT_EQ(info->errorState, c.bits) << c.address;
        EXPECT_EQ(info->deviceIndexValid, 1) << c.address;
        EXPECT_EQ(info->deviceIndex, c.deviceIndex) << c.address;
        EXPECT_EQ(info->octetCount, c.octets) << c.address;
    }
}

}  // namespace
}  // namespace netrov::exporter
