// The exposition text: escaping, numbers, families kept together, and the
// metrics of a colour MFP, an inkjet with an empty ink and unknown levels,
// and a silent printer, each accepted by promtool.
#include <gtest/gtest.h>

#include "exposition.h"
#include "fleet_report.h"
#include "reading.h"
#include "mib_names.h"
#include "printer_metrics.h"
#include "promtool.h"

namespace netrov::exporter {
namespace {

TEST(ExporterExposition, LabelValueEscaping)
{
    const struct {
        std::string in;
        std::string out;
    } cases[] = {
        {"plain", "plain"},
        {"", ""},
        {"back\\slash", "back\\\\slash"},
        {"say \"hi\"", "say \\\"hi\\\""},
        {"two\nlines", "two\\nlines"},
        {"\\\"\n", "\\\\\\\"\\n"},
        {"tab\tand cr\r stay", "tab\tand cr\r stay"},
        {"Caf\xC3\xA9", "Caf\xC3\xA9"},                    // valid UTF-8 is kept
        {"bad \xFF byte", "bad \xEF\xBF\xBD byte"},        // a byte that is never UTF-8
        {"cut \xC3", "cut \xEF\xBF\xBD"},                  // a sequence cut short
        {"over-long \xC0\xAF", "over-long \xEF\xBF\xBD\xEF\xBF\xBD"},
        {"surrogate \xED\xA0\x80", "surrogate \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
    };
    for (const auto& c : cases) EXPECT_EQ(escapeLabelValue(c.in), c.out) << c.in;
}

TEST(ExporterExposition, HelpEscaping)
{
    EXPECT_EQ(escapeHelp("a \"quote\" stays"), "a \"quote\" stays");
    EXPECT_EQ(escapeHelp("a\\b\nc"), "a\\\\b\\nc");
}

TEST(ExporterExposition, Values)
{
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {0, "0"}, {1, "1"}, {0.09, "0.09"}, {45210, "45210"}, {4294967295.0, "4294967295"}, {-2, "-2"},
        {std::numeric_limits<double>::infinity(), "+Inf"}, {-std::numeric_limits<double>::infinity(), "-Inf"},
        {std::numeric_limits<double>::quiet_NaN(), "NaN"},
    };
    for (const auto& c : cases) EXPECT_EQ(formatValue(c.value), c.text);
}

TEST(ExporterExposition, FamiliesStayTogether)
{
    Exposition out;
    out.family("a_ratio", "gauge", "A.");
    out.family("b_total", "counter", "B.");
    out.family("c_unused", "gauge", "Never sampled.");
    out.sample("a_ratio", {{"x", "1"}}, 0.5);
    out.sample("b_total", {}, 3);
    out.sample("a_ratio", {{"x", "2"}}, 1);
    out.sample("undeclared", {}, 1);
    EXPECT_EQ(out.text(), "# HELP a_ratio A.\n# TYPE a_ratio gauge\na_ratio{x=\"1\"} 0.5\na_ratio{x=\"2\"} 1\n"
                          "# HELP b_total B.\n# TYPE b_total counter\nb_total 3\n");
}

TEST(ExporterExposition, MibNames)
{
    const struct {
        int32_t type;
        const char* kind;
    } supplies[] = {
        {3, "toner"}, {21, "toner_cartridge"}, {6, "ink_cartridge"}, {99, "type_99"},
        {2, "unknown"}, {0, "unknown"},  {-1, "unknown"},       {1, "other"},
    };
    for (const auto& k : supplies) EXPECT_EQ(supplyKindName(k.type), k.kind) << k.type;
    EXPECT_EQ(alertCodeName(8), "jam");
    EXPECT_EQ(alertCodeName(1104), "markerTonerAlmostEmpty");
    EXPECT_EQ(alertCodeName(30208), "staplerJam");
    EXPECT_EQ(alertCodeName(31603), "stackerCoverOpen");
    EXPECT_EQ(alertCodeName(31809), "inserterMissing");
    EXPECT_EQ(alertCodeName(1508), "code_1508");
    EXPECT_EQ(alertCodeName(30201), "code_30201");
    EXPECT_EQ(alertGroupName(13), "mediaPath");
    EXPECT_EQ(alertGroupName(40), "group_40");
}

// A toner or ink as the core's reading holds it; the colour from the name.
core::TonerLevel toner(int32_t type, const char* name, std::optional<int32_t> percent,
                       std::optional<int32_t> code = std::nullopt)
{
    core::TonerLevel t;
    t.name = name;
    t.colour = core::colourFromName(name);
    t.supplyType = type;
    t.kind = core::supplyKindOf(type) == core::SupplyKind::Ink ? core::SupplyKind::Ink : core::SupplyKind::Toner;
    t.percent = percent;
    t.levelCode = code;
    return t;
}

core::SupplyLevel other(core::SupplyKind kind, int32_t type, const char* name, std::optional<int32_t> percent,
                        std::optional<int32_t> code = std::nullopt)
{
    core::SupplyLevel s{kind, name, percent, code};
    s.supplyType = type;
    return s;
}

core::AlertReading alert(int32_t code, int32_t group, int32_t index, const char* message)
{
    core::AlertReading a;
    a.facts.code = code;
    a.facts.group = group;
    a.facts.index = index;
    a.message = message;
    return a;
}

PrinterReading judged(PrinterReading r)
{
    core::judgeReading(r.report);
    return r;
}

PrinterReading colourMfp()
{
    PrinterReading r;
    r.up = true;
    r.durationSeconds = 0.25;
    core::DeviceReport& d = r.report;
    d.model = "Tarnwell MX-4400";
    d.address = "2001:db8::17";
    d.serialNumber = "MX4400X00007";
    d.name = "Copier \"2nd floor\"";
    d.location = "Room 2\\14\nnear the lift";
    d.macAddress = "00:15:A3:20:05:60";
    d.statusCode = 4;
    d.pageCount = 45210;
    r.monoImpressions = 30000;
    r.colourImpressions = 15210;
    d.toner = {toner(3, "Black Toner", 9), toner(3, "Cyan Toner", 40), toner(3, "Magenta Toner", 38),
               toner(3, "Yellow Toner", 44)};
    d.supplies = {other(core::SupplyKind::Fuser, 15, "Fuser Unit", 60), other(core::SupplyKind::Paper, 0, "Tray 1", 96),
                  other(core::SupplyKind::Paper, 0, "Bypass", std::nullopt, -3)};
    d.alertReadings = {alert(1104, 11, 1, "Toner low"), alert(1104, 11, 1, "Toner low")};
    return judged(r);
}

PrinterReading inkjet()
{
    PrinterReading r;
    r.up = true;
    core::DeviceReport& d = r.report;
    d.model = "Tarnwell IJ-90";
    d.serialNumber = "IJ90X00007";
    d.statusCode = 3;
    d.pageCount = 5210;
    d.toner = {toner(6, "Photo Black Ink", 72), toner(6, "Cyan Ink", std::nullopt, -3), toner(6, "Magenta Ink", 15),
               toner(6, "Yellow Ink", 0)};
    d.supplies = {other(core::SupplyKind::Waste, 8, "Ink Maintenance Box", std::nullopt, -2),
                  other(core::SupplyKind::Other, 1, "Bad \xFF name", std::nullopt)};
    return judged(r);
}

bool has(const std::string& text, const std::string& line)
{
    return text.find(line + "\n") != std::string::npos;
}

void expectPromtoolAccepts(const std::string& text)
{
    const test::PromtoolResult check = test::promtoolCheckMetrics(text);
    if (!check.available) GTEST_SKIP() << "promtool is not installed (Debian package prometheus)";
    EXPECT_EQ(check.status, 0) << check.output << "\n" << text;
}

TEST(ExporterExposition, ColourMfp)
{
    const std::string text = printerMetricsText(colourMfp());
    EXPECT_TRUE(has(text, "netrov_up 1"));
    EXPECT_TRUE(has(text, "netrov_printer_info{model=\"Tarnwell MX-4400\",serial=\"MX4400X00007\","
                          "name=\"Copier \\\"2nd floor\\\"\",location=\"Room 2\\\\14\\nnear the lift\","
                          "mac=\"00:15:A3:20:05:60\",address=\"2001:db8::17\"} 1"));
    EXPECT_TRUE(has(text, "netrov_supply_level_ratio{index=\"1\",kind=\"toner\",colour=\"black\",description=\"Black Toner\"} 0.09"));
    // 9 % is below the toner's warning level of the one threshold table.
    EXPECT_TRUE(has(text, "netrov_supply_state{index=\"1\",kind=\"toner\",colour=\"black\",description=\"Black Toner\",state=\"low\"} 1"));
    EXPECT_TRUE(has(text, "netrov_supply_warning_ratio{index=\"1\",kind=\"toner\",colour=\"black\",description=\"Black Toner\"} 0.15"));
    EXPECT_TRUE(has(text, "netrov_supply_critical_ratio{index=\"5\",kind=\"fuser\",colour=\"\",description=\"Fuser Unit\"} 0.03"));
    EXPECT_TRUE(has(text, "netrov_supply_level_ratio{index=\"5\",kind=\"fuser\",colour=\"\",description=\"Fuser Unit\"} 0.6"));
    EXPECT_TRUE(has(text, "netrov_pages_total 45210"));
    EXPECT_TRUE(has(text, "netrov_impressions_total{kind=\"colour\"} 15210"));
    EXPECT_TRUE(has(text, "netrov_status{state=\"warning\"} 1"));
    EXPECT_TRUE(has(text, "netrov_status{state=\"ready\"} 0"));
    EXPECT_TRUE(has(text, "netrov_attention{state=\"needed\"} 1"));
    EXPECT_TRUE(has(text, "netrov_attention_reason{reason=\"alert\"} 1"));
    EXPECT_TRUE(has(text, "netrov_attention_reason{reason=\"supply_low\"} 1"));
    EXPECT_TRUE(has(text, "netrov_tray_level_ratio{index=\"1\",name=\"Tray 1\",media=\"\"} 0.96"));
    EXPECT_TRUE(has(text, "netrov_tray_state{index=\"2\",name=\"Bypass\",media=\"\",state=\"some_remaining\"} 1"));
    EXPECT_EQ(text.find("netrov_tray_level_ratio{index=\"2\""), std::string::npos);
    // The alert listed twice is one series.
    const std::string alert = "netrov_alert{code=\"1104\",name=\"markerTonerAlmostEmpty\",group=\"markerSupplies\","
                              "group_index=\"1\",description=\"Toner low\"} 1";
    EXPECT_TRUE(has(text, alert));
    EXPECT_EQ(text.find(alert), text.rfind(alert));
    expectPromtoolAccepts(text);
}

TEST(ExporterExposition, ColourLabelIsAProcessColourOrOther)
{
    const struct {
        int32_t type;
        const char* name;
        const char* colour;
    } cases[] = {
        {21, "Black Cartridge AB400X", "black"}, {3, "Toner Schwarz", "black"}, {3, "Cyan Toner", "cyan"},
        {21, "Toner Y", "yellow"},                {6, "Light Cyan Ink", "other"}, {21, "CF410A", "other"},
    };
    for (const auto& k : cases) {
        PrinterReading r;
        r.up = true;
        r.report.toner = {toner(k.type, k.name, 50)};
        const std::string text = printerMetricsText(judged(r));
        EXPECT_TRUE(has(text, "netrov_supply_level_ratio{index=\"1\",kind=\"" + supplyKindName(k.type) + "\",colour=\"" +
                                  k.colour + "\",description=\"" + k.name + "\"} 0.5"))
            << k.name << "\n" << text;
    }
}

TEST(ExporterExposition, InkjetWithEmptyInkAndUnknownLevels)
{
    const std::string text = printerMetricsText(inkjet());
    EXPECT_TRUE(has(text, "netrov_supply_level_ratio{index=\"1\",kind=\"ink_cartridge\",colour=\"black\",description=\"Photo Black Ink\"} 0.72"));
    EXPECT_TRUE(has(text, "netrov_supply_level_ratio{index=\"4\",kind=\"ink_cartridge\",colour=\"yellow\",description=\"Yellow Ink\"} 0"));
    EXPECT_TRUE(has(text, "netrov_supply_state{index=\"4\",kind=\"ink_cartridge\",colour=\"yellow\",description=\"Yellow Ink\",state=\"empty\"} 1"));
    // "Some remaining" and unknown are states, never levels.
    EXPECT_EQ(text.find("netrov_supply_level_ratio{index=\"2\""), std::string::npos);
    EXPECT_EQ(text.find("netrov_supply_level_ratio{index=\"5\""), std::string::npos);
    EXPECT_EQ(text.find("netrov_supply_level_ratio{index=\"6\""), std::string::npos);
    EXPECT_TRUE(has(text, "netrov_supply_state{index=\"2\",kind=\"ink_cartridge\",colour=\"cyan\",description=\"Cyan Ink\",state=\"some_remaining\"} 1"));
    EXPECT_TRUE(has(text, "netrov_supply_state{index=\"5\",kind=\"waste_ink\",colour=\"\",description=\"Ink Maintenance Box\",state=\"unknown\"} 1"));
    EXPECT_TRUE(has(text, "netrov_supply_state{index=\"6\",kind=\"other\",colour=\"\",description=\"Bad \xEF\xBF\xBD name\",state=\"unknown\"} 1"));
    EXPECT_TRUE(has(text, "netrov_status{state=\"ready\"} 1"));
    EXPECT_TRUE(has(text, "netrov_attention{state=\"needed\"} 1"));
    EXPECT_TRUE(has(text, "netrov_attention_reason{reason=\"supply_empty\"} 1"));
    EXPECT_TRUE(has(text, "netrov_alerts 0"));
    expectPromtoolAccepts(text);
}

TEST(ExporterExposition, SilentPrinter)
{
    PrinterReading silent;
    silent.durationSeconds = 1.5;
    const std::string text = printerMetricsText(silent);
    EXPECT_EQ(text, "# HELP netrov_up Whether the printer answered the probe (1) or not (0).\n"
                    "# TYPE netrov_up gauge\nnetrov_up 0\n"
                    "# HELP netrov_probe_duration_seconds How long the probe of the printer took.\n"
                    "# TYPE netrov_probe_duration_seconds gauge\nnetrov_probe_duration_seconds 1.5\n");
    expectPromtoolAccepts(text);
}

}  // namespace
}  // namespace netrov::exporter
