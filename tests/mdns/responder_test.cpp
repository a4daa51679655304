// Searches by mDNS find what real responders announce on a private
// namespace LAN: avahi-daemon in each printer's namespace, the search in another.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <memory>

#include "mdns_lan.h"
#include "mdns_printers.h"
#include "printer_summary.h"
#include "run_program.h"

using namespace netrov::test;

namespace {

const std::string kCli = std::string(NETROV_OUTPUT_DIR) + "/netrov-cli";
const std::string kOfficeUuid = "5d1f3a2e-0000-4000-8000-00000000a001";

// Printers with different service sets and keys, one on both families and
// one on IPv6 only; the camera announces no printer service.
const std::vector<MdnsHost> kHosts = {
    {"Office Color", "office1", "10.203.0.1", "fd03::1",
     {{"_ipp._tcp", 631,
       {"rp=ipp/print", "ty=Tarnwell CL-560 Color", "product=(Tarnwell CL-560)", "UUID=" + kOfficeUuid,
        "adminurl=http://office1.local/", "note=2nd floor", "Color=T", "Duplex=T"}},
      {"_ipps._tcp", 443, {"rp=ipp/print", "UUID=" + kOfficeUuid, "TLS=1.2"}}}},
    {"Hall Mono", "hall2", "10.203.0.2", "",
     {{"_printer._tcp", 515, {"rp=queue1"}}, {"_pdl-datastream._tcp", 9100, {"ty=Hall Mono 1", "Duplex=F"}}}},
    {"Lab Six", "lab3", "", "fd03::3", {{"_ipp._tcp", 631, {"rp=ipp/print", "UUID=lab-3", "Color=F"}}}},
    {"Web Camera", "cam4", "10.203.0.4", "", {{"_http._tcp", 80, {}}}},
};

const char* const kExpected =
    "Office Color office1.local 10.203.0.1,fd03::1, _ipp._tcp:631/ipp/print,_ipps._tcp:443/ipp/print, "
    "ty=Tarnwell CL-560 Color product=(Tarnwell CL-560) UUID=5d1f3a2e-0000-4000-8000-00000000a001 "
    "adminurl=http://office1.local/ note=2nd floor Color=T Duplex=T TLS=1.2\n"
    "Hall Mono hall2.local 10.203.0.2, _printer._tcp:515/queue1,_pdl-datastream._tcp:9100/, ty=Hall Mono 1 Duplex=F\n"
    "Lab Six lab3.local fd03::3, _ipp._tcp:631/ipp/print, UUID=lab-3 Color=F\n";

// Why real responders cannot be searched here; empty when they can.
std::string whyNoResponders()
{
#ifndef NETROV_HAVE_AVAHI
    return "this build has no Avahi client library";
#else
    return mdnsLanUnavailable();
#endif
}

// "status elapsed-ms last-answer-ms" on the first line, then the printers.
std::string searchText()
{
    const netrov::mdns::BrowseResult result = netrov::mdns::browsePrinters();
    return std::to_string(static_cast<int>(result.status)) + " " + std::to_string(result.elapsed.count()) + " "
           + std::to_string(result.lastAnswer.count()) + " " + result.error + "\n" + printerSummary(result.printers);
}

struct Search {
    int status = -1;
    long long milliseconds = 0;
    long long lastAnswer = 0;
    std::string printers;
};

Search search(MdnsLan& lan)
{
    const std::string text = lan.runInSearcher(searchText);
    Search s;
    const size_t line = text.find('\n');
    if (std::sscanf(text.c_str(), "%d %lld %lld", &s.status, &s.milliseconds, &s.lastAnswer) != 3 || line == std::string::npos) {
        s.printers = text;
        return s;
    }
    s.printers = text.substr(line + 1);
    return s;
}

class MdnsResponders : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!(why_ = whyNoResponders()).empty()) return;
        lan_ = std::make_unique<MdnsLan>();
        for (const MdnsHost& host : kHosts)
            if (!lan_->addHost(host)) break;
        if (lan_->ok()) lan_->startSearcher();
        if (!lan_->ok()) why_ = "avahi-daemon cannot serve a namespace LAN here: " + lan_->error();
        // The office printer answers SNMP too.
        else if (!lan_->serveSnmp(0, std::string(NETROV_SOURCE_DIR) + "/tests/devices/colour_laser.snmprec"))
            snmpWhy_ = lan_->error();
    }
    static void TearDownTestSuite() { lan_.reset(); }
    void SetUp() override
    {
        if (!why_.empty()) GTEST_SKIP() << why_;
    }
    static inline std::unique_ptr<MdnsLan> lan_;
    static inline std::string why_;
    static inline std::string snmpWhy_;
};

TEST_F(MdnsResponders, EachPrinterOnceWithItsServicesKeysAndAddresses)
{
    const Search s = search(*lan_);
    EXPECT_EQ(s.status, 0) << s.printers;
    EXPECT_EQ(s.printers, kExpected);
    EXPECT_LE(s.milliseconds, 2200);
}

TEST_F(MdnsResponders, CommandLineListsThemAsFoundOnlyByMdns)
{
    const ProgramResult json = runProgram(lan_->searcherCommand({kCli, "search", "--mdns", "--no-broadcast", "--json"}), 30);
    ASSERT_EQ(json.status, 0) << json.err;
    const nlohmann::json document = nlohmann::json::parse(json.out);
    EXPECT_EQ(document["count"], 3);
    EXPECT_EQ(document["mdns"]["available"], true);
    const nlohmann::json& office = document["devices"][0];
    EXPECT_EQ(office["address"], "10.203.0.1");
    EXPECT_EQ(office["name"], "Office Color");
    EXPECT_EQ(office["model"], "Tarnwell CL-560 Color");
    EXPECT_EQ(office["location"], "2nd floor");
    EXPECT_EQ(office["status"], "SNMP: no answer");
    EXPECT_TRUE(office["mac"].is_null());
    EXPECT_EQ(office["mdns"]["addresses"], nlohmann::json({"10.203.0.1", "fd03::1"}));
    EXPECT_EQ(office["mdns"]["services"][1]["type"], "_ipps._tcp");
    EXPECT_EQ(office["mdns"]["TLS"], "1.2");
    EXPECT_EQ(document["devices"][1]["model"], "Hall Mono 1");
    EXPECT_TRUE(document["devices"][1]["mdns"]["UUID"].is_null());
    EXPECT_EQ(document["devices"][2]["address"], "fd03::3");
    EXPECT_TRUE(document["devices"][2]["model"].is_null());

    const ProgramResult text = runProgram(lan_->searcherCommand({kCli, "search", "--mdns", "--no-broadcast"}), 30);
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_NE(text.out.find("Found by mDNS:"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("ipps:443/ipp/print"), std::string::npos) << text.out;
    EXPECT_NE(text.err.find("mDNS: 3 printers answered"), std::string::npos) << text.err;
}

// The office printer answers SNMP and mDNS: one row, SNMP's, with what mDNS
// announced; a printer SNMP was asked about and did not answer is mDNS's row.
TEST_F(MdnsResponders, APrinterFoundBothWaysIsOneRow)
{
    if (!snmpWhy_.empty()) GTEST_SKIP() << snmpWhy_;
    const ProgramResult r = runProgram(lan_->searcherCommand({kCli, "search", "--mdns", "--no-broadcast", "--address", "10.203.0.1",
                                                              "--address", "10.203.0.2", "--community", "colour_laser",
                                                              "--timeout", "1", "--json"}),
                                       30);
    ASSERT_EQ(r.status, 0) << r.err;
    const nlohmann::json document = nlohmann::json::parse(r.out);
    EXPECT_EQ(document["count"], 3);
    const nlohmann::json& office = document["devices"][0];
    EXPECT_EQ(office["address"], "10.203.0.1");
    EXPECT_EQ(office["name"], "cl560-design");
    EXPECT_NE(office["status"], "SNMP: no answer");
    EXPECT_EQ(office["mdns"]["name"], "Office Color");
    EXPECT_EQ(office["mdns"]["addresses"][1], "fd03::1");
    EXPECT_EQ(document["devices"][1]["address"], "10.203.0.2");
    EXPECT_EQ(document["devices"][1]["status"], "SNMP: no answer");
    EXPECT_EQ(document["devices"][2]["address"], "fd03::3");
}

// Without a daemon on the bus nothing is sent, and the command says why.
TEST(MdnsUnavailable, TheCommandSaysSoAndFails)
{
    const ProgramResult r = runProgram({"/usr/bin/env", "DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent/netrov-bus", kCli,
                                        "search", "--mdns", "--no-broadcast"},
                                       30);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("netrov-cli: mDNS is not available: "), std::string::npos) << r.err;
}

// A namespace LAN of 20 printers: all listed within 2.5 s of a search
// started after they announced, with a cold cache.
TEST(MdnsScale, TwentyPrintersWithinTwoAndAHalfSeconds)
{
    if (const std::string why = whyNoResponders(); !why.empty()) GTEST_SKIP() << why;
    MdnsLan lan;
    for (int i = 1; i <= 20 && lan.ok(); ++i) {
        const std::string n = std::to_string(i);
        lan.addHost({"Printer " + n, "prn" + n, "10.203.0." + n, "", {{"_ipp._tcp", 631, {"rp=ipp/print", "UUID=prn-" + n}}}});
    }
    if (!lan.ok() || !lan.startSearcher(30)) GTEST_SKIP() << "avahi-daemon cannot serve a namespace LAN here: " << lan.error();
    const Search s = search(lan);
    EXPECT_EQ(s.status, 0) << s.printers;
    EXPECT_EQ(std::count(s.printers.begin(), s.printers.end(), '\n'), 20) << s.printers;
    EXPECT_NE(s.printers.find("Printer 20 prn20.local 10.203.0.20, _ipp._tcp:631/ipp/print, UUID=prn-20\n"), std::string::npos);
    EXPECT_LE(s.milliseconds, 2500);
    RecordProperty("search_ms", static_cast<int>(s.milliseconds));
    RecordProperty("last_answer_ms", static_cast<int>(s.lastAnswer));
    std::printf("mDNS search of 20 printers: %lld ms, the last one resolved after %lld ms\n", s.milliseconds, s.lastAnswer);
}

}  // namespace
