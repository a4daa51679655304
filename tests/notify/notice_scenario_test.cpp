// A printer over many watch rounds: exactly the expected notices arrive, once each, at a real SMTP server and an HTTP server.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <regex>
#include <sstream>

#include <nlohmann/json.hpp>

#include <netrov/printer_mib.h>

#include "channels.h"
#include "fleet_store.h"
#include "notice_sinks.h"
#include "notifier.h"
#include "notify_commands.h"
#include "store_commands.h"
#include "temp_dir.h"

using namespace netrov;

namespace {

constexpr int64_t kStart = 1767603600;  // Monday 2026-01-05 09:00 UTC
constexpr int64_t kMinute = 60, kHour = 3600, kDay = 86400;

// What the printer says in one round, whether the mail server is up, and what arrives after it.
struct Round {
    const char* what;
    int64_t at;  // since kStart
    bool answers = true;
    int32_t black = 60;
    const char* cartridge = "CART-1";
    bool jammed = false;
    bool mailUp = true;
    bool restart = false;  // watch stops before this round and starts again
    std::vector<std::string> mail = {};
    std::vector<std::string> hook = {};
    std::vector<std::string> command = {};
};

// The hook takes warnings and worse, the command supplies low and cartridges changed, the mail everything.
const Round kRounds[] = {
    {"first sight", 0},
    {"falling", 2 * kDay, true, 40},
    {"empties within the lead time", 4 * kDay, true, 25, "CART-1", false, true, false, {"supply_forecast"}, {"supply_forecast"}},
    {"watch restarted: nothing again", 4 * kDay + 15 * kMinute, true, 25, "CART-1", false, true, true},
    {"low", 5 * kDay, true, 14, "CART-1", false, true, false, {"supply_low"}, {"supply_low"}, {"supply_low"}},
    {"a jam", 5 * kDay + 15 * kMinute, true, 14, "CART-1", true, true, false, {"attention_started"}, {"attention_started"}},
    {"jam cleared", 5 * kDay + 30 * kMinute, true, 14, "CART-1", false, true, false, {"attention_ended"}},
    {"asleep, shorter than grace", 5 * kDay + 45 * kMinute, false, 14},
    {"awake again: nothing", 5 * kDay + 60 * kMinute, true, 14},
    {"level flaps above low: nothing", 5 * kDay + 65 * kMinute, true, 16},
    {"asleep longer than grace, mail down", 5 * kDay + 75 * kMinute, false, 16, "CART-1", false, false},
    {"past grace", 5 * kDay + 105 * kMinute, false, 16, "CART-1", false, false, false, {}, {"silent"}},
    {"back, mail still down", 5 * kDay + 120 * kMinute, true, 16, "CART-1", false, false},
    {"mail up: what waited arrives once", 5 * kDay + 135 * kMinute, true, 16, "CART-1", false, true, false, {"silent", "back"}},
    {"cartridge changed", 6 * kDay, true, 98, "CART-2", false, true, false, {"cartridge_changed"}, {}, {"cartridge_changed"}},
    {"new cartridge again: nothing", 6 * kDay + 15 * kMinute, true, 98, "CART-2"},
    {"a second jam", 6 * kDay + 30 * kMinute, true, 97, "CART-2", true, true, false, {"attention_started"}, {"attention_started"}},
    {"jam after the reminder time", 9 * kDay + 45 * kMinute, true, 96, "CART-2", true, true, false,
     {"reminder attention_started"}, {"reminder attention_started"}},
    {"watch restarted mid-jam: nothing", 9 * kDay + 50 * kMinute, true, 96, "CART-2", true, true, true},
    {"cleared", 9 * kDay + 60 * kMinute, true, 96, "CART-2", false, true, false, {"attention_ended"}},
};

store::DeviceReading printerAt(const Round& r)
{
    store::DeviceReading d;
    d.identity = {"127.0.0.7", "00:11:22:33:44:55", "SN-1", "Model 7"};
    d.answered = r.answers;
    if (!r.answers) return d;
    d.name = "Front desk";
    d.location = "Hall 2";
    d.pageCount = 1000 + r.at / kHour;
    // A printer says its own toner low too: that is the supply's notice, never attention besides.
    if (r.black < 15) {
        d.alerts.push_back("Black toner low");
        d.alertCodes.push_back(NETROV_ALERT_MARKER_TONER_ALMOST_EMPTY);
        d.alertTexts.push_back("Toner low");
        d.errorBits |= NETROV_ERROR_LOW_TONER;
    }
    if (r.jammed) {
        d.alerts.push_back("Paper jam");
        d.alertCodes.push_back(NETROV_ALERT_JAM);
        d.alertTexts.push_back("Jam in tray 2");
        d.errorBits |= NETROV_ERROR_JAMMED;
    }
    store::SupplyReading& s = d.supplies.emplace_back();
    s.index = 1;
    s.kind = NETROV_SUPPLY_TONER;
    s.colour = "black";
    s.description = "Black Cartridge AB-4000K";
    s.serial = r.cartridge;
    s.level = r.black;
    s.maximum = 100;
    s.unit = store::kUnitPercent;
    return d;
}

// Kinds as they arrived, "reminder " before a reminder's.
std::vector<std::string> mailKinds(const std::string& received)
{
    std::vector<std::string> out;
    const std::regex header("X-NetRov-Kind: (\\w+)\\r?\\nX-NetRov-Reminder: (\\w+)");
    for (auto it = std::sregex_iterator(received.begin(), received.end(), header); it != std::sregex_iterator(); ++it)
        out.push_back(((*it)[2] == "yes" ? "reminder " : "") + (*it)[1].str());
    return out;
}

std::vector<std::string> hookKinds(const std::vector<std::string>& bodies)
{
    std::vector<std::string> out;
    for (const std::string& b : bodies) {
        const nlohmann::json doc = nlohmann::json::parse(b);
        out.push_back((doc["reminder"].get<bool>() ? "reminder " : "") + doc["kind"].get<std::string>());
    }
    return out;
}

std::vector<std::string> since(const std::vector<std::string>& all, size_t from)
{
    return std::vector<std::string>(all.begin() + static_cast<std::ptrdiff_t>(std::min(from, all.size())), all.end());
}

}  // namespace

TEST(NoticeScenario, EveryNoticeArrivesOnceWhereItsChannelTakesIt)
{
    if (!test::SmtpSink::available()) GTEST_SKIP() << "Debian's python3-aiosmtpd is not installed";
    setenv("TZ", "UTC", 1);
    test::TempDir dir;
    test::SmtpSink mail;
    test::HttpSink hook;
    ASSERT_TRUE(mail.start());
    notify::NotifyConfig config;
    std::string error;
    ASSERT_TRUE(notify::parseNotifyConfig("[rules]\ngrace = 30m\nreminder = 3d\nlead_days = 7\n"
                                          "[office-mail]\ntype = smtp\nserver = smtp://127.0.0.1:" + std::to_string(mail.port()) +
                                              "\nfrom = printers@example.org\nto = it@example.org, desk@example.org\n"
                                              "timeout = 5s\n"
                                              "[chat]\ntype = webhook\nurl = " + hook.url() + "\nseverity = warning\n"
                                              "[script]\ntype = command\nkinds = supply_low, cartridge_changed\n"
                                              "command = printf '%s ' \"$NETROV_KIND\" >> " + dir.file("command.txt") +
                                              "; cat >> " + dir.file("stdin.txt") + "\n",
                                          config, error))
        << error;

    const std::string path = dir.file("fleet.db");
    int64_t now = kStart;
    auto fleet = std::make_unique<store::FleetStore>();
    auto notifier = std::make_unique<notify::Notifier>(config, [&] { return now; });
    ASSERT_TRUE(fleet->open(path).ok());
    size_t mailSeen = 0, hookSeen = 0, commandSeen = 0;
    const auto commandKinds = [&] {
        std::vector<std::string> out;
        std::istringstream in(std::filesystem::exists(dir.file("command.txt")) ? test::readFile(dir.file("command.txt")) : "");
        for (std::string kind; in >> kind;) out.push_back(kind);
        return out;
    };
    for (const Round& r : kRounds) {
        SCOPED_TRACE(r.what);
        now = kStart + r.at;
        if (r.restart) {
            notifier.reset();
            fleet = std::make_unique<store::FleetStore>();
            ASSERT_TRUE(fleet->open(path).ok());
            notifier = std::make_unique<notify::Notifier>(config, [&] { return now; });
        }
        if (r.mailUp) ASSERT_TRUE(mail.start());
        else mail.stop();
        const store::DeviceReading reading = printerAt(r);
        ASSERT_TRUE(fleet->writeRound(now, std::span(&reading, 1)).ok());
        std::vector<notify::DeviceFacts> facts;
        ASSERT_TRUE(cli::noticeFacts(*fleet, now, facts).ok());
        ASSERT_TRUE(notifier->afterRound(*fleet, facts, now).ok());
        // What the sender finished is written, and what became due goes out, as watch does between rounds.
        for (int i = 0; i < 3; ++i) {
            ASSERT_TRUE(notifier->waitIdle(std::chrono::seconds(20)));
            ASSERT_TRUE(notifier->pump(*fleet).ok());
        }
        const std::vector<std::string> mailNow = mailKinds(mail.received());
        const std::vector<std::string> hookNow = hookKinds(hook.bodies());
        EXPECT_EQ(since(mailNow, mailSeen), r.mail);
        EXPECT_EQ(since(hookNow, hookSeen), r.hook);
        const std::vector<std::string> commandNow = commandKinds();
        EXPECT_EQ(since(commandNow, commandSeen), r.command);
        mailSeen = mailNow.size();
        hookSeen = hookNow.size();
        commandSeen = commandNow.size();
    }

    // The event log holds the changes, the notices sent and the mail's failure once.
    std::ostringstream out, err;
    cli::EventsOptions events;
    events.store = path;
    events.since = "3650d";
    events.json = true;
    notifier.reset();
    fleet.reset();
    ASSERT_EQ(cli::runEvents(events, out, err), 0) << err.str();
    std::map<std::string, int> counts;
    const nlohmann::json log = nlohmann::json::parse(out.str());
    for (const auto& e : log["events"]) counts[e["event"].get<std::string>()] += 1;
    EXPECT_EQ(counts["channel failing"], 1);
    EXPECT_EQ(counts["cartridge changed"], 1);
    EXPECT_EQ(counts["attention started"], 2);
    EXPECT_EQ(counts["attention ended"], 2);
    EXPECT_EQ(counts["notice sent"], static_cast<int>(mailSeen + hookSeen + commandSeen));
    // The command read each notice whole on its input, one JSON document a line.
    std::istringstream lines(test::readFile(dir.file("stdin.txt")));
    std::vector<std::string> read;
    for (std::string line; std::getline(lines, line);) read.push_back(nlohmann::json::parse(line)["kind"]);
    EXPECT_EQ(read, commandKinds());
}

// With a digest time, a channel's notices wait for it and go as one message.
TEST(NoticeScenario, ADigestHoldsTheDaysNoticesAndSendsThemAsOne)
{
    setenv("TZ", "UTC", 1);
    tzset();
    test::TempDir dir;
    test::HttpSink hook;
    notify::NotifyConfig config;
    std::string error;
    ASSERT_TRUE(notify::parseNotifyConfig("[rules]\ndigest = 08:00\n[chat]\ntype = webhook\nurl = " + hook.url() + "\n",
                                          config, error))
        << error;
    int64_t now = kStart;
    store::FleetStore fleet;
    ASSERT_TRUE(fleet.open(dir.file("fleet.db")).ok());
    notify::Notifier notifier(config, [&] { return now; });
    notifier.setDigestAppendix(cli::orderDigest);
    // Rounds at 09:00 (low), 15:00 (a jam) and the next day at 07:59 and 08:00.
    const std::pair<int64_t, Round> rounds[] = {
        {0, {"low", 0, true, 12}},
        {6 * kHour, {"jam", 0, true, 12, "CART-1", true}},
        {23 * kHour - kMinute, {"before the digest", 0, true, 12, "CART-1", true}},
        {23 * kHour, {"the digest", 0, true, 12, "CART-1", true}},
    };
    const size_t sent[] = {0, 0, 0, 1};
    for (size_t i = 0; i < std::size(rounds); ++i) {
        SCOPED_TRACE(rounds[i].second.what);
        now = kStart + rounds[i].first;
        const store::DeviceReading reading = printerAt(rounds[i].second);
        ASSERT_TRUE(fleet.writeRound(now, std::span(&reading, 1)).ok());
        std::vector<notify::DeviceFacts> facts;
        ASSERT_TRUE(cli::noticeFacts(fleet, now, facts).ok());
        ASSERT_TRUE(notifier.afterRound(fleet, facts, now).ok());
        for (int k = 0; k < 2; ++k) {
            ASSERT_TRUE(notifier.waitIdle(std::chrono::seconds(20)));
            ASSERT_TRUE(notifier.pump(fleet).ok());
        }
        EXPECT_EQ(hook.bodies().size(), sent[i]);
    }
    const nlohmann::json digest = nlohmann::json::parse(hook.bodies().at(0));
    EXPECT_EQ(digest["kind"], "digest");
    ASSERT_EQ(digest["notices"].size(), 2u);
    EXPECT_EQ(digest["notices"][0]["kind"], "supply_low");
    EXPECT_EQ(digest["notices"][1]["kind"], "attention_started");
    // It carries what to order, as order lists it.
    EXPECT_NE(digest["order"].get<std::string>().find("AB-4000K"), std::string::npos) << digest["order"];
    EXPECT_NE(digest["text"].get<std::string>().find("To order:"), std::string::npos);
    std::vector<store::OutboxItem> pending;
    ASSERT_TRUE(fleet.pendingOutbox(pending).ok());
    EXPECT_TRUE(pending.empty());
}
