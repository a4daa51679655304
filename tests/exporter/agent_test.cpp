// netrov-exporter's scrapes of simulated printers: a colour MFP with a low
// toner alert, also over IPv6, an inkjet with an empty ink and unknown
// levels, and a silent address, each checked by known values from the walks
// and by promtool.
#include <gtest/gtest.h>

#include <httplib.h>

#include "exporter_agents.h"
#include "promtool.h"

namespace netrov::exporter {
namespace {

constexpr const char* kMfp = "127.0.61.3";
constexpr const char* kMfpIpv6 = "::1";  // the same walk, on the test namespace's IPv6 loopback
constexpr const char* kInkjet = "127.0.61.40";
constexpr const char* kSilent = "127.0.61.99";

class ExporterAgent : public ExporterAgentsSuite<ExporterAgent> {
public:
    static bool serve(test::WalkAgents& agents)
    {
        return agents.serve("mfp", {kMfp, kMfpIpv6}) && agents.serve("inkjet", {kInkjet});
    }

protected:
    static bool has(const std::string& text, const std::string& line)
    {
        return text.find(line + "\n") != std::string::npos;
    }

    static void expectPromtoolAccepts(const std::string& text)
    {
        const test::PromtoolResult check = test::promtoolCheckMetrics(text);
        if (!check.available) return;
        EXPECT_EQ(check.status, 0) << check.output << "\n" << text;
    }
};

TEST_F(ExporterAgent, ColourMfp)
{
    const std::string text = scrape(kMfp);
    EXPECT_TRUE(has(text, "netrov_up 1")) << text;
    EXPECT_NE(text.find("serial=\"MX4400X00007\""), std::string::npos) << text;
    EXPECT_TRUE(has(text, "netrov_pages_total 45210")) << text;
    EXPECT_TRUE(has(text, "netrov_supply_level_ratio{index=\"1\",kind=\"toner\",colour=\"black\",description=\"Black Toner\"} 0.09"))
        << text;
    EXPECT_TRUE(has(text, "netrov_supply_level_ratio{index=\"2\",kind=\"toner\",colour=\"cyan\",description=\"Cyan Toner\"} 0.4"))
        << text;
    EXPECT_TRUE(has(text, "netrov_supply_level_ratio{index=\"5\",kind=\"fuser\",colour=\"\",description=\"Fuser Unit\"} 0.6"))
        << text;
    EXPECT_TRUE(has(text, "netrov_tray_level_ratio{index=\"2\",name=\"Tray 2\",media=\"iso_a3_297x420mm\"} 0.24")) << text;
    EXPECT_TRUE(has(text, "netrov_status{state=\"warning\"} 1")) << text;
    EXPECT_NE(text.find("netrov_alert{code=\"1104\",name=\"markerTonerAlmostEmpty\",group=\"markerSupplies\",group_index=\"1\""),
              std::string::npos)
        << text;
    EXPECT_TRUE(has(text, "netrov_attention{state=\"needed\"} 1")) << text;
    expectPromtoolAccepts(text);
}

TEST_F(ExporterAgent, ColourMfpOverIpv6)
{
    // The same metrics as over IPv4 but for the address and the time taken.
    const auto comparable = [](std::string text, const std::string& address) {
        const size_t label = text.find("address=\"" + address + "\"}");
        if (label != std::string::npos) text.erase(label + 9, address.size());
        const size_t took = text.find("\nnetrov_probe_duration_seconds ");
        if (took != std::string::npos) text.erase(took, text.find('\n', took + 1) - took);
        return text;
    };
    const std::string v6 = scrape(kMfpIpv6);
    EXPECT_NE(v6.find("address=\"::1\"}"), std::string::npos) << v6;
    EXPECT_TRUE(has(v6, "netrov_up 1")) << v6;
    EXPECT_EQ(comparable(v6, kMfpIpv6), comparable(scrape(kMfp), kMfp));
}

TEST_F(ExporterAgent, InkjetWithEmptyInk)
{
    const std::string text = scrape(kInkjet);
    EXPECT_TRUE(has(text, "netrov_up 1")) << text;
    EXPECT_NE(text.find("serial=\"IJ90X00007\""), std::string::npos) << text;
    EXPECT_TRUE(has(text, "netrov_pages_total 5210")) << text;
    EXPECT_NE(text.find("description=\"Photo Black Ink\"} 0.72\n"), std::string::npos) << text;
    EXPECT_NE(text.find("description=\"Yellow Ink\"} 0\n"), std::string::npos) << text;
    EXPECT_NE(text.find("description=\"Yellow Ink\",state=\"empty\"} 1\n"), std::string::npos) << text;
    EXPECT_NE(text.find("description=\"Cyan Ink\",state=\"some_remaining\"} 1\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("netrov_supply_level_ratio{index=\"2\","), std::string::npos) << text;
    EXPECT_NE(text.find("description=\"Ink Maintenance Box\",state=\"unknown\"} 1\n"), std::string::npos) << text;
    EXPECT_TRUE(has(text, "netrov_attention_reason{reason=\"supply_empty\"} 1")) << text;
    expectPromtoolAccepts(text);
}

TEST_F(ExporterAgent, CommunitiesTriedInOrder)
{
    // The retired community gets no answer; the next one reads the printer.
    const std::string text = scrape(std::string(kMfp) + "&community=retired,default");
    EXPECT_TRUE(has(text, "netrov_up 1")) << text;
    EXPECT_NE(text.find("serial=\"MX4400X00007\""), std::string::npos) << text;
    EXPECT_TRUE(has(scrape(std::string(kMfp) + "&community=retired"), "netrov_up 0"));
}

TEST_F(ExporterAgent, SilentPrinter)
{
    const std::string text = scrape(kSilent);
    EXPECT_TRUE(has(text, "netrov_up 0")) << text;
    EXPECT_EQ(text.find("netrov_printer_info"), std::string::npos) << text;
    expectPromtoolAccepts(text);
    httplib::Client client("127.0.0.1", server_->port());
    const auto metrics = client.Get("/metrics");
    ASSERT_TRUE(metrics);
    EXPECT_TRUE(has(metrics->body, "netrov_exporter_probe_errors_total{reason=\"no_answer\"} 1")) << metrics->body;
}

}  // namespace
}  // namespace netrov::exporter
