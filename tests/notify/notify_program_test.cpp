// notify --test and watch --notify as a user runs them, and what a notice looks like in a mail and in the journal.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <ctime>
#include <sstream>

#include <nlohmann/json.hpp>

#include "channels.h"
#include "fleet_store.h"
#include "notify_commands.h"
#include "store_commands.h"
#include "notice_sinks.h"
#include "run_program.h"
#include "temp_dir.h"

using namespace netrov;

namespace {

const std::string kCli = std::string(NETROV_OUTPUT_DIR) + "/netrov-cli";

struct ProgramCase {
    const char* name;
    std::string config;  // "@HOOK" stands for the sink's address
    mode_t mode;
    std::vector<std::string> args;  // "@CONFIG" and "@STORE" stand for the files
    bool hookFails;
    int status;
    std::string says;     // in the output or the errors
    std::string secret;   // never in either
};

const ProgramCase kProgramCases[] = {
    {"a webhook that accepts", "[chat]\ntype = webhook\nurl = @HOOK?token=s3cret\n", 0600,
     {"notify", "--test", "chat", "--notify-config", "@CONFIG"}, false, 0, "accepted", "s3cret"},
    {"a webhook that answers 500", "[chat]\ntype = webhook\nurl = @HOOK?token=s3cret\n", 0600,
     {"notify", "--test", "chat", "--notify-config", "@CONFIG"}, true, 1, "HTTP 500", "s3cret"},
    {"a command that fails", "[run]\ntype = command\ncommand = exit 3\n", 0644,
     {"notify", "--test", "run", "--notify-config", "@CONFIG"}, false, 1, "status 3", ""},
    {"a command others can change", "[run]\ntype = command\ncommand = true\n", 0664,
     {"notify", "--test", "run", "--notify-config", "@CONFIG"}, false, 2, "writable by you only", ""},
    {"a pass word others can read",
     "[mail]\ntype = smtp\nserver = smtp://127.0.0.1:1\nfrom = a@example.org\nto = b@example.org\npassword = pa55word\n",
     0644, {"notify", "--test", "mail", "--notify-config", "@CONFIG"}, false, 2, "chmod 600", "pa55word"},
    {"a webhook token others can read", "[chat]\ntype = webhook\nurl = @HOOK?token=s3cret\n", 0640,
     {"notify", "--test", "chat", "--notify-config", "@CONFIG"}, false, 2, "chmod 600", "s3cret"},
    {"watch refuses the same before a round",
     "[mail]\ntype = smtp\nserver = smtp://127.0.0.1:1\nfrom = a@example.org\nto = b@example.org\npassword = pa55word\n",
     0604, {"watch", "--address", "127.0.0.1", "--rounds", "1", "--notify", "--notify-config", "@CONFIG", "--store", "@STORE"},
     false, 2, "chmod 600", "pa55word"},
    {"no such channel", "[chat]\ntype = webhook\nurl = @HOOK\n", 0600,
     {"notify", "--test", "mail", "--notify-config", "@CONFIG"}, false, 2, "its channels: chat", ""},
    {"a channel without its keys", "[mail]\ntype = smtp\nserver = smtp://127.0.0.1:1\nfrom = a@example.org\n", 0600,
     {"notify", "--test", "mail", "--notify-config", "@CONFIG"}, false, 2, "[mail] has no to", ""},
    {"a rule that is no rule", "[rules]\nquiet = 25:00-07:00\n", 0600,
     {"notify", "--test", "mail", "--notify-config", "@CONFIG"}, false, 2, "line 2: quiet is two times of day", ""},
    {"no settings at all", "", 0, {"notify", "--test", "mail", "--notify-config", "@CONFIG"}, false, 2,
     "no notification settings", ""},
};

std::string replaced(std::string text, const std::string& from, const std::string& to)
{
    for (size_t at; (at = text.find(from)) != std::string::npos;) text.replace(at, from.size(), to);
    return text;
}

class NotifyProgram : public ::testing::TestWithParam<ProgramCase> {};

}  // namespace

TEST_P(NotifyProgram, SaysWhatHappenedAndNeverASecret)
{
    const ProgramCase& c = GetParam();
    test::TempDir dir;
    test::HttpSink hook;
    hook.setFailing(c.hookFails);
    const std::string config = dir.file("notify.ini");
    if (c.mode != 0) {
        test::writeFile(config, replaced(c.config, "@HOOK", hook.url()));
        ASSERT_EQ(chmod(config.c_str(), c.mode), 0);
    }
    std::vector<std::string> argv = {kCli};
    for (const std::string& a : c.args) argv.push_back(replaced(replaced(a, "@CONFIG", config), "@STORE", dir.file("fleet.db")));
    const test::ProgramResult r = test::runProgram(argv, 60);
    EXPECT_EQ(r.status, c.status) << r.out << r.err;
    EXPECT_NE((r.out + r.err).find(c.says), std::string::npos) << r.out << r.err;
    if (!c.secret.empty()) {
        EXPECT_EQ((r.out + r.err).find(c.secret), std::string::npos) << r.out << r.err;
    }
    EXPECT_EQ(hook.bodies().size(), c.status == 0 && c.config.find("webhook") != std::string::npos ? 1u : 0u);
    // A refused setting leaves nothing behind, no store either.
    if (c.status == 2) {
        EXPECT_FALSE(std::filesystem::exists(dir.file("fleet.db")));
    }
}

INSTANTIATE_TEST_SUITE_P(Settings, NotifyProgram, ::testing::ValuesIn(kProgramCases), [](const auto& info) {
    std::string name = info.param.name;
    for (char& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
    return name;
});

// A device's texts reach a mail's headers and the journal's fields as one line, and never as a header of their own.
TEST(NoticeRendering, DeviceTextsStayOneLineInEveryChannel)
{
    struct Row {
        const char* name;
        std::string text;
        std::string subject;  // the Subject header as written
    };
    const Row rows[] = {
        {"plain", "Front desk: black toner is low", "Subject: [NetRov warning] Front desk: black toner is low\r\n"},
        {"a header smuggled in", "Hall\r\nBcc: all@example.org", "Subject: [NetRov warning] Hall  Bcc: all@example.org\r\n"},
        {"not ASCII", "Drucker Flur: Schwarz niedrig \xc3\xbc",
         "Subject: =?UTF-8?B?W05ldFJvdiB3YXJuaW5nXSBEcnVja2VyIEZsdXI6IFNjaHdhcnogbmllZHJpZyDDvA==?=\r\n"},
    };
    notify::Channel mail;
    mail.type = notify::ChannelType::Smtp;
    mail.keys = {{"from", "printers@example.org"}, {"to", "it@example.org, desk@example.org"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        notify::Message m;
        m.kind = notify::NoticeKind::SupplyLow;
        m.severity = notify::Severity::Warning;
        m.text = row.text;
        m.address = "10.0.0.5";
        m.location = row.text;
        const nlohmann::json doc = notify::messageJson(m);
        const std::string text = notify::mailText(mail, doc, 1767603600);
        EXPECT_NE(text.find(row.subject), std::string::npos) << text;
        const std::string headers = text.substr(0, text.find("\r\n\r\n"));
        EXPECT_EQ(headers.find("\r\nBcc:"), std::string::npos);
        EXPECT_NE(headers.find("To: it@example.org, desk@example.org\r\n"), std::string::npos);
        for (const std::string& f : notify::journalFields(doc)) EXPECT_EQ(f.find_first_of("\r\n"), std::string::npos) << f;
        for (const std::string& e : notify::commandEnvironment(doc)) EXPECT_EQ(e.find_first_of("\r\n"), std::string::npos) << e;
    }
    notify::Message m;
    m.severity = notify::Severity::Critical;
    m.kind = notify::NoticeKind::AttentionStarted;
    m.text = "jam";
    m.address = "10.0.0.5";
    const std::vector<std::string> fields = notify::journalFields(notify::messageJson(m));
    EXPECT_EQ(fields[0], "MESSAGE=jam");
    EXPECT_EQ(fields[1], "PRIORITY=2");
    EXPECT_NE(std::find(fields.begin(), fields.end(), "NETROV_KIND=attention_started"), fields.end());
    EXPECT_NE(std::find(fields.begin(), fields.end(), "NETROV_ADDRESS=10.0.0.5"), fields.end());
}

// What to order: low or empty now, or empty within the days asked, one group per part number.
TEST(OrderList, GroupsBySupplyPartNumberAndTakesTheDaysAsked)
{
    struct Printer {
        const char* address;
        const char* supply;
        int32_t before;  // ten days ago
        int32_t now;
    };
    const Printer printers[] = {
        {"10.0.0.1", "Black Cartridge AB-4000K", 12, 9},   // low
        {"10.0.0.2", "Black Cartridge AB-4000K", 4, 0},    // empty
        {"10.0.0.3", "Black Cartridge AB-4000K", 81, 80},  // plenty
        {"10.0.0.4", "Cyan Toner CF411A", 70, 40},         // 3 points a day: empty in about 13 days
        {"10.0.0.5", "Black Toner", 90, 90},
    };
    struct Row {
        int64_t days;
        std::vector<std::pair<std::string, size_t>> groups;  // part number and count, in the list's order
    };
    const Row rows[] = {
        {14, {{"AB-4000K", 2}, {"CF411A", 1}}},
        {7, {{"AB-4000K", 2}}},
    };
    test::TempDir dir;
    const std::string path = dir.file("fleet.db");
    const int64_t now = static_cast<int64_t>(std::time(nullptr));
    {
        store::FleetStore fleet;
        ASSERT_TRUE(fleet.open(path).ok());
        for (int64_t back : {10 * 86400, 0}) {
            std::vector<store::DeviceReading> readings;
            for (const Printer& p : printers) {
                store::DeviceReading& d = readings.emplace_back();
                d.identity = {p.address, "", std::string("SN") + p.address, "Model"};
                d.supplies.push_back({1, 3, "", p.supply, "", back ? p.before : p.now, 100, store::kUnitPercent});
            }
            ASSERT_TRUE(fleet.writeRound(now - back, readings).ok());
        }
    }
    for (const Row& row : rows) {
        SCOPED_TRACE(row.days);
        std::ostringstream out, err;
        cli::OrderOptions options;
        options.store = path;
        options.days = row.days;
        options.format = cli::OrderFormat::Json;
        ASSERT_EQ(cli::runOrder(options, out, err), 0) << err.str();
        const nlohmann::json doc = nlohmann::json::parse(out.str());
        std::vector<std::pair<std::string, size_t>> groups;
        for (const auto& g : doc["groups"]) groups.emplace_back(g["partNumber"], g["count"]);
        EXPECT_EQ(groups, row.groups) << out.str();
    }
}

// Quiet hours in local time, past midnight or within a day, and when they end.
TEST(QuietHours, HoldAcrossMidnightAndEndOnTheMinute)
{
    setenv("TZ", "UTC", 1);
    tzset();
    constexpr int64_t kMidnight = 1767571200;  // Monday 2026-01-05 00:00 UTC
    constexpr int64_t kMinute = 60, kHour = 3600;
    struct Row {
        const char* quiet;
        int64_t at;
        std::optional<int64_t> until;  // none: not quiet
    };
    const Row rows[] = {
        {"22:00-07:00", 23 * kHour + 30 * kMinute, 31 * kHour},
        {"22:00-07:00", 6 * kHour + 59 * kMinute + 30, 7 * kHour},
        {"22:00-07:00", 7 * kHour, std::nullopt},
        {"22:00-07:00", 12 * kHour, std::nullopt},
        {"12:00-14:00", 13 * kHour, 14 * kHour},
        {"12:00-14:00", 21 * kHour, std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.quiet) + " at " + std::to_string(row.at));
        notify::NotifyConfig config;
        std::string error;
        ASSERT_TRUE(notify::parseNotifyConfig(std::string("[rules]\nquiet = ") + row.quiet + "\n", config, error)) << error;
        int64_t until = 0;
        EXPECT_EQ(notify::inQuietHours(config.rules, kMidnight + row.at, &until), row.until.has_value());
        if (row.until) {
            EXPECT_EQ(until, kMidnight + *row.until);
        }
    }
}
