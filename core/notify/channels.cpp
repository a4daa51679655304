// The channels: SMTP and webhooks through libcurl, a command with the message on its input, the systemd journal.
#include "channels.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <openssl/evp.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <syslog.h>
#include <systemd/sd-journal.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <ctime>
#include <memory>
#include <mutex>
#include <thread>

extern char** environ;

namespace netrov::notify {

namespace {

constexpr long kDefaultTimeoutSeconds = 20;
constexpr size_t kMaxSubjectBytes = 150;

struct CurlCleanup {
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
struct ListFree {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using CurlHandle = std::unique_ptr<CURL, CurlCleanup>;
using CurlList = std::unique_ptr<curl_slist, ListFree>;

// A list built by appending; a failed append keeps what was there.
void append(CurlList& list, const std::string& item)
{
    if (curl_slist* grown = curl_slist_append(list.get(), item.c_str())) {
        (void)list.release();
        list.reset(grown);
    }
}

CurlHandle newCurl()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    return CurlHandle(curl_easy_init());
}

long timeoutOf(const Channel& channel)
{
    const std::string text = channel.key("timeout");
    const auto seconds = parseDuration(text);
    return seconds && *seconds > 0 && *seconds <= 600 ? static_cast<long>(*seconds) : kDefaultTimeoutSeconds;
}

bool yes(const std::string& text)
{
    return text == "yes" || text == "true" || text == "1" || text == "on";
}

std::string iso(int64_t time)
{
    const std::time_t t = static_cast<std::time_t>(time);
    std::tm tm{};
    if (!gmtime_r(&t, &tm)) return {};
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return text;
}

std::string field(const nlohmann::json& doc, const char* key)
{
    const auto it = doc.find(key);
    return it != doc.end() && it->is_string() ? it->get<std::string>() : std::string();
}

std::string deviceField(const nlohmann::json& doc, const char* key)
{
    const auto it = doc.find("device");
    return it != doc.end() && it->is_object() ? field(*it, key) : std::string();
}

// One line of printable text: control characters (CR and LF among them) become blanks.
std::string oneLine(std::string text, size_t limit)
{
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = ' ';
    if (text.size() > limit) {
        text.resize(limit);
        // Never end inside a UTF-8 sequence.
        while (!text.empty() && (static_cast<unsigned char>(text.back()) & 0xc0) == 0x80) text.pop_back();
        if (!text.empty() && static_cast<unsigned char>(text.back()) >= 0xc0) text.pop_back();
    }
    return text;
}

std::string base64(const std::string& bytes)
{
    std::string out(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    const int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                                  reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size()));
    out.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return out;
}

// A header value as RFC 2047 wants it: as is when ASCII, else encoded.
std::string headerText(const std::string& text)
{
    const bool ascii = std::all_of(text.begin(), text.end(), [](unsigned char c) { return c < 0x80; });
    return ascii ? text : "=?UTF-8?B?" + base64(text) + "?=";
}

std::vector<std::string> addresses(const std::string& list)
{
    std::vector<std::string> out;
    size_t from = 0;
    while (from <= list.size()) {
        size_t at = list.find(',', from);
        if (at == std::string::npos) at = list.size();
        std::string item = list.substr(from, at - from);
        item.erase(0, item.find_first_not_of(" \t"));
        item.erase(item.find_last_not_of(" \t") + 1);
        if (!item.empty()) out.push_back(item);
        from = at + 1;
    }
    return out;
}

struct Upload {
    const std::string* text;
    size_t offset = 0;
};

size_t readUpload(char* buffer, size_t size, size_t count, void* user)
{
    Upload* up = static_cast<Upload*>(user);
    const size_t n = std::min(size * count, up->text->size() - up->offset);
    std::memcpy(buffer, up->text->data() + up->offset, n);
    up->offset += n;
    return n;
}

size_t discard(char*, size_t size, size_t count, void*)
{
    return size * count;
}

SendResult curlResult(CURLcode code, const char* what, const Channel& channel, const char* endpointKey)
{
    if (code != CURLE_OK)
        return {false, std::string(what) + " to " + safeEndpoint(channel.key(endpointKey)) + ": " + curl_easy_strerror(code)};
    return {true, {}};
}

SendResult sendWebhook(const Channel& channel, const nlohmann::json& message)
{
    CurlHandle curl = newCurl();
    if (!curl) return {false, "cannot start libcurl"};
    const std::string url = channel.key("url");
    const std::string body = message.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    CurlList headers;
    append(headers, "Content-Type: application/json");
    // Header keys ("header.Authorization = Bearer ...") for services that take a token that way.
    for (const auto& [key, value] : channel.keys)
        if (key.starts_with("header.") && key.size() > 7) append(headers, key.substr(7) + ": " + oneLine(value, 4096));
    curl_easy_setopt(curl.get(), CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl.get(), CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl.get(), CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(curl.get(), CURLOPT_POSTFIELDS, body.c_str());
    curl_easy_setopt(curl.get(), CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
    curl_easy_setopt(curl.get(), CURLOPT_TIMEOUT, timeoutOf(channel));
    curl_easy_setopt(curl.get(), CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, discard);
    const CURLcode code = curl_easy_perform(curl.get());
    if (code != CURLE_OK) return curlResult(code, "posting", channel, "url");
    long status = 0;
    curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &status);
    if (status < 200 || status > 299)
        return {false, "posting to " + safeEndpoint(url) + ": HTTP " + std::to_string(status)};
    return {true, {}};
}

SendResult sendMail(const Channel& channel, const nlohmann::json& message)
{
    CurlHandle curl = newCurl();
    if (!curl) return {false, "cannot start libcurl"};
    const std::string server = channel.key("server");
    const std::string user = channel.key("user");
    const std::string password = channel.key("password");
    const std::string from = channel.key("from");
    const std::string text = mailText(channel, message, static_cast<int64_t>(std::time(nullptr)));
    CurlList recipients;
    for (const std::string& to : addresses(channel.key("to"))) append(recipients, "<" + to + ">");
    const std::string mailFrom = "<" + from + ">";
    curl_easy_setopt(curl.get(), CURLOPT_URL, server.c_str());
    curl_easy_setopt(curl.get(), CURLOPT_PROTOCOLS_STR, "smtp,smtps");
    curl_easy_setopt(curl.get(), CURLOPT_MAIL_FROM, mailFrom.c_str());
    curl_easy_setopt(curl.get(), CURLOPT_MAIL_RCPT, recipients.get());
    // starttls = yes insists on it; smtps:// is TLS from the start.
    const std::string starttls = channel.key("starttls");
    if (yes(starttls)) curl_easy_setopt(curl.get(), CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
    if (!user.empty()) {
        curl_easy_setopt(curl.get(), CURLOPT_USERNAME, user.c_str());
        curl_easy_setopt(curl.get(), CURLOPT_PASSWORD, password.c_str());
    }
    Upload upload{&text};
    curl_easy_setopt(curl.get(), CURLOPT_READFUNCTION, readUpload);
    curl_easy_setopt(curl.get(), CURLOPT_READDATA, &upload);
    curl_easy_setopt(curl.get(), CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(curl.get(), CURLOPT_TIMEOUT, timeoutOf(channel));
    curl_easy_setopt(curl.get(), CURLOPT_NOSIGNAL, 1L);
    return curlResult(curl_easy_perform(curl.get()), "mail", channel, "server");
}

// Blocks SIGPIPE on this thread while writing to a command that may not read, and drops one that came.
class PipeSignalBlock {
public:
    PipeSignalBlock()
    {
        sigemptyset(&pipe_);
        sigaddset(&pipe_, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipe_, &old_);
    }
    ~PipeSignalBlock()
    {
        const timespec zero{};
        while (sigtimedwait(&pipe_, nullptr, &zero) > 0) {
        }
        pthread_sigmask(SIG_SETMASK, &old_, nullptr);
    }
    PipeSignalBlock(const PipeSignalBlock&) = delete;
    PipeSignalBlock& operator=(const PipeSignalBlock&) = delete;

private:
    sigset_t pipe_{};
    sigset_t old_{};
};

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    void reset()
    {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_;
};

SendResult runCommand(const Channel& channel, const nlohmann::json& message)
{
    const std::string command = channel.key("command");
    const std::string body = message.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
    std::vector<std::string> env;
    for (char** e = environ; e && *e; ++e)
        if (std::strncmp(*e, "NETROV_", 7) != 0) env.emplace_back(*e);
    for (std::string& e : commandEnvironment(message)) env.push_back(std::move(e));
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string shell = "/bin/sh", dashC = "-c", line = command;
    char* argv[] = {shell.data(), dashC.data(), line.data(), nullptr};

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return {false, "cannot make a pipe for the command"};
    Fd readEnd(fds[0]), writeEnd(fds[1]);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, readEnd.get(), 0);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, shell.c_str(), &actions, &attr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    readEnd.reset();
    if (spawned != 0) return {false, std::string("cannot start the command: ") + std::strerror(spawned)};
    {
        PipeSignalBlock block;
        size_t written = 0;
        while (written < body.size()) {
            const ssize_t n = ::write(writeEnd.get(), body.data() + written, body.size() - written);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;  // the command does not read its input: its exit status decides
            written += static_cast<size_t>(n);
        }
        writeEnd.reset();
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutOf(channel));
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) break;
        if (done < 0 && errno != EINTR) return {false, "lost the command"};
        if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(pid, SIGKILL);
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            return {false, "the command took longer than " + std::to_string(timeoutOf(channel)) + " s and was ended"};
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return {true, {}};
    if (WIFEXITED(status)) return {false, "the command ended with status " + std::to_string(WEXITSTATUS(status))};
    return {false, "the command was ended by signal " + std::to_string(WTERMSIG(status))};
}

SendResult sendJournal(const Channel&, const nlohmann::json& message)
{
    std::vector<std::string> fields = journalFields(message);
    std::vector<iovec> iov;
    for (std::string& f : fields) iov.push_back({f.data(), f.size()});
    const int rc = sd_journal_sendv(iov.data(), static_cast<int>(iov.size()));
    if (rc < 0) return {false, std::string("the journal refused the entry: ") + std::strerror(-rc)};
    return {true, {}};
}

using Sender = SendResult (*)(const Channel&, const nlohmann::json&);
constexpr std::pair<ChannelType, Sender> kSenders[] = {
    {ChannelType::Smtp, sendMail},
    {ChannelType::Webhook, sendWebhook},
    {ChannelType::Command, runCommand},
    {ChannelType::Journal, sendJournal},
};

constexpr std::pair<Severity, int> kJournalPriorities[] = {
    {Severity::Info, LOG_INFO}, {Severity::Warning, LOG_WARNING}, {Severity::Critical, LOG_CRIT}};

}  // namespace

nlohmann::json messageJson(const Message& m)
{
    nlohmann::json doc = {{"text", m.text},
                          {"kind", noticeKindKey(m.kind)},
                          {"severity", severityKey(m.severity)},
                          {"reminder", m.reminder},
                          {"time", iso(m.time)},
                          {"notice", m.noticeId},
                          {"subject", m.subject},
                          {"device",
                           {{"address", m.address},
                            {"name", m.name},
                            {"location", m.location},
                            {"model", m.model},
                            {"serial", m.serial}}}};
    doc["supply"] = nullptr;
    if (m.supplyIndex) {
        doc["supply"] = {{"index", *m.supplyIndex},
                         {"name", m.supplyName},
                         {"colour", m.colour},
                         {"level", m.percent ? nlohmann::json(*m.percent) : nlohmann::json()},
                         {"emptyInDays", m.emptyInDays ? nlohmann::json(std::llround(*m.emptyInDays)) : nlohmann::json()}};
    }
    return doc;
}

SendResult sendMessage(const Channel& channel, const nlohmann::json& message)
{
    for (const auto& [type, send] : kSenders)
        if (type == channel.type) return send(channel, message);
    return {false, "no such channel type"};
}

std::string mailText(const Channel& channel, const nlohmann::json& message, int64_t now)
{
    const std::time_t t = static_cast<std::time_t>(now);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char date[64];
    std::strftime(date, sizeof date, "%a, %d %b %Y %H:%M:%S +0000", &tm);
    const std::string text = field(message, "text");
    std::string to;
    for (const std::string& a : addresses(channel.key("to"))) to += (to.empty() ? "" : ", ") + oneLine(a, 256);
    const std::string severity = field(message, "severity");
    std::string mail = "Date: " + std::string(date) + "\r\n" + "From: " + oneLine(channel.key("from"), 256) + "\r\n" +
                       "To: " + to + "\r\n" + "Subject: " + headerText("[NetRov " + severity + "] " + oneLine(text, kMaxSubjectBytes)) +
                       "\r\n" + "MIME-Version: 1.0\r\n" + "Content-Type: text/plain; charset=utf-8\r\n" +
                       "Content-Transfer-Encoding: 8bit\r\n" + "X-NetRov-Kind: " + oneLine(field(message, "kind"), 64) +
                       "\r\n" + "X-NetRov-Reminder: " + (message.value("reminder", false) ? "yes" : "no") + "\r\n\r\n";
    // The body's lines end in CR LF whatever the texts held.
    std::string body = text + "\n\n";
    const char* keys[] = {"address", "name", "location", "model", "serial"};
    for (const char* key : keys) {
        const std::string value = deviceField(message, key);
        if (!value.empty()) body += std::string(key) + ": " + oneLine(value, 512) + "\n";
    }
    body += "time: " + field(message, "time") + "\n";
    for (size_t i = 0; i < body.size(); ++i) {
        if (body[i] == '\r') continue;
        if (body[i] == '\n') mail += "\r\n";
        else mail += body[i];
    }
    return mail;
}

std::vector<std::string> journalFields(const nlohmann::json& message)
{
    int priority = LOG_INFO;
    const auto severity = severityOf(field(message, "severity"));
    for (const auto& [s, p] : kJournalPriorities)
        if (severity && s == *severity) priority = p;
    std::vector<std::string> out = {"MESSAGE=" + oneLine(field(message, "text"), 2048),
                                    "PRIORITY=" + std::to_string(priority), "SYSLOG_IDENTIFIER=netrov-cli",
                                    "NETROV_KIND=" + field(message, "kind"), "NETROV_SEVERITY=" + field(message, "severity"),
                                    "NETROV_NOTICE=" + std::to_string(message.value("notice", int64_t{0}))};
    constexpr std::pair<const char*, const char*> kDeviceFields[] = {
        {"address", "NETROV_ADDRESS"}, {"name", "NETROV_NAME"}, {"location", "NETROV_LOCATION"},
        {"model", "NETROV_MODEL"},     {"serial", "NETROV_SERIAL"}};
    for (const auto& [key, name] : kDeviceFields) {
        const std::string value = deviceField(message, key);
        if (!value.empty()) out.push_back(std::string(name) + "=" + oneLine(value, 512));
    }
    if (const auto s = message.find("supply"); s != message.end() && s->is_object()) {
        out.push_back("NETROV_SUPPLY=" + oneLine(field(*s, "name"), 512));
        if ((*s)["level"].is_number()) out.push_back("NETROV_LEVEL=" + std::to_string((*s)["level"].get<int>()));
    }
    return out;
}

std::vector<std::string> commandEnvironment(const nlohmann::json& message)
{
    std::vector<std::string> out = {"NETROV_KIND=" + field(message, "kind"), "NETROV_SEVERITY=" + field(message, "severity"),
                                    "NETROV_TEXT=" + oneLine(field(message, "text"), 4096),
                                    "NETROV_TIME=" + field(message, "time"),
                                    std::string("NETROV_REMINDER=") + (message.value("reminder", false) ? "yes" : "no")};
    constexpr std::pair<const char*, const char*> kDeviceFields[] = {
        {"address", "NETROV_ADDRESS"}, {"name", "NETROV_NAME"}, {"location", "NETROV_LOCATION"},
        {"model", "NETROV_MODEL"},     {"serial", "NETROV_SERIAL"}};
    for (const auto& [key, name] : kDeviceFields) out.push_back(std::string(name) + "=" + oneLine(deviceField(message, key), 512));
    return out;
}

std::string safeEndpoint(const std::string& url)
{
    const size_t scheme = url.find("://");
    if (scheme == std::string::npos) return "(an address that is not a URL)";
    size_t hostStart = scheme + 3;
    const size_t end = url.find_first_of("/?#", hostStart);
    const std::string authority = url.substr(hostStart, end == std::string::npos ? std::string::npos : end - hostStart);
    const size_t at = authority.rfind('@');
    return url.substr(0, scheme + 3) + (at == std::string::npos ? authority : authority.substr(at + 1));
}

}  // namespace netrov::notify
