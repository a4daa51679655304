// The fleet store: one SQLite file that keeps every device across address changes and its readings as changes.
#include "fleet_store.h"

#include "forecast.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>

namespace netrov::store {

namespace {

// Version 1 is the first layout ever written; later steps only add to it.
// Text columns of supply_values hold a value only where it changes (NULL: as
// the row before), since descriptions repeat in nearly every row.
constexpr Migration kMigrations[] = {
    {1,
     "CREATE TABLE devices(id INTEGER PRIMARY KEY, address TEXT NOT NULL, mac TEXT, serial TEXT, model TEXT,"
     " first_seen INTEGER NOT NULL, last_seen INTEGER NOT NULL, answering INTEGER NOT NULL DEFAULT 1);"
     "CREATE TABLE supplies(id INTEGER PRIMARY KEY, device_id INTEGER NOT NULL REFERENCES devices(id),"
     " idx INTEGER NOT NULL, kind INTEGER NOT NULL, colour TEXT NOT NULL, UNIQUE(device_id, idx));"
     "CREATE TABLE supply_values(supply_id INTEGER NOT NULL, seq INTEGER NOT NULL, time INTEGER NOT NULL,"
     " state INTEGER NOT NULL, level INTEGER, maximum INTEGER, unit INTEGER NOT NULL, description TEXT,"
     " serial TEXT, pages INTEGER, PRIMARY KEY(supply_id, seq)) WITHOUT ROWID;"
     "CREATE TABLE events(device_id INTEGER NOT NULL, time INTEGER NOT NULL, kind INTEGER NOT NULL);"},
    {2,
     "ALTER TABLE devices ADD COLUMN page_count INTEGER;"
     "ALTER TABLE devices ADD COLUMN status INTEGER NOT NULL DEFAULT 0;"
     "ALTER TABLE supplies ADD COLUMN state INTEGER NOT NULL DEFAULT 2;"
     "ALTER TABLE supplies ADD COLUMN state_since INTEGER NOT NULL DEFAULT 0;"
     "CREATE TABLE counter_values(device_id INTEGER NOT NULL, time INTEGER NOT NULL, pages INTEGER NOT NULL,"
     " PRIMARY KEY(device_id, time)) WITHOUT ROWID;"
     "CREATE TABLE status_values(device_id INTEGER NOT NULL, time INTEGER NOT NULL, status INTEGER NOT NULL,"
     " PRIMARY KEY(device_id, time)) WITHOUT ROWID;"
     "CREATE INDEX devices_mac ON devices(mac);"
     "CREATE INDEX devices_serial ON devices(serial);"
     "CREATE INDEX devices_address ON devices(address);"
     "CREATE INDEX events_device ON events(device_id, time);"},
    {3,
     "ALTER TABLE devices ADD COLUMN name TEXT;"
     "ALTER TABLE devices ADD COLUMN location TEXT;"
     "ALTER TABLE devices ADD COLUMN alerts TEXT;"
     "CREATE TABLE alert_values(device_id INTEGER NOT NULL, time INTEGER NOT NULL, alerts TEXT NOT NULL,"
     " PRIMARY KEY(device_id, time)) WITHOUT ROWID;"},
    // Devices stored before this step may have come from either program: none counts as the desktop's.
    {4, "ALTER TABLE devices ADD COLUMN found_by_desktop INTEGER NOT NULL DEFAULT 0;"},
    // The alerts' codes (comma-separated, in the order of the alerts) and the
    // error-state bits, so the attention judgement reads a stored device as it reads a live one.
    {5, "ALTER TABLE devices ADD COLUMN error_bits INTEGER;"
        "ALTER TABLE devices ADD COLUMN alert_codes TEXT;"},
    // The device's own alert texts (as the alerts, joined), words on events,
    // and the notices with the messages still to be delivered.
    {6, "ALTER TABLE devices ADD COLUMN alert_texts TEXT;"
        "ALTER TABLE events ADD COLUMN detail TEXT;"
        "CREATE TABLE notices(id INTEGER PRIMARY KEY, device_id INTEGER NOT NULL, subject TEXT NOT NULL,"
        " opened INTEGER NOT NULL, resolved INTEGER, severity INTEGER NOT NULL, text TEXT NOT NULL,"
        " last_told INTEGER NOT NULL);"
        "CREATE INDEX notices_open ON notices(resolved, device_id);"
        "CREATE TABLE outbox(id INTEGER PRIMARY KEY, notice_id INTEGER NOT NULL, channel TEXT NOT NULL,"
        " created INTEGER NOT NULL, body TEXT NOT NULL, attempts INTEGER NOT NULL DEFAULT 0,"
        " next_try INTEGER NOT NULL, sent INTEGER, error TEXT);"
        "CREATE INDEX outbox_pending ON outbox(sent, id);"
        "CREATE INDEX events_time ON events(time);"},
};

constexpr std::pair<DeviceEventKind, const char*> kEventNames[] = {
    {DeviceEventKind::WentSilent, "silent"},
    {DeviceEventKind::CameBack, "back"},
    {DeviceEventKind::Replaced, "replaced"},
    {DeviceEventKind::Replacing, "replacing"},
    {DeviceEventKind::CartridgeChanged, "cartridge changed"},
    {DeviceEventKind::AttentionStarted, "attention started"},
    {DeviceEventKind::AttentionEnded, "attention ended"},
    {DeviceEventKind::NoticeSent, "notice sent"},
    {DeviceEventKind::ChannelFailing, "channel failing"},
};

// Alerts are kept as one text, separated by a character no alert text keeps.
constexpr char kAlertSeparator = '\x1e';

std::string joinAlerts(const std::vector<std::string>& alerts) {
    std::string out;
    for (const std::string& alert : alerts) {
        if (!out.empty())
            out += kAlertSeparator;
        for (char c : alert)
            out += c == kAlertSeparator ? ' ' : c;
    }
    return out;
}

std::string joinCodes(const std::vector<int32_t>& codes) {
    std::string out;
    for (int32_t code : codes)
        out += (out.empty() ? "" : ",") + std::to_string(code);
    return out;
}

std::vector<int32_t> splitCodes(const std::string& text) {
    std::vector<int32_t> out;
    size_t from = 0;
    while (from < text.size()) {
        size_t at = text.find(',', from);
        if (at == std::string::npos)
            at = text.size();
        const std::string part = text.substr(from, at - from);
        char* end = nullptr;
        const long value = std::strtol(part.c_str(), &end, 10);
        // A damaged list is no list: the codes are then not known.
        if (part.empty() || *end != '\0' || value < INT32_MIN || value > INT32_MAX)
            return {};
        out.push_back(static_cast<int32_t>(value));
        from = at + 1;
    }
    return out;
}

std::vector<std::string> splitAlerts(const std::string& text) {
    std::vector<std::string> out;
    if (text.empty())
        return out;
    size_t from = 0;
    for (size_t at; (at = text.find(kAlertSeparator, from)) != std::string::npos; from = at + 1)
        out.push_back(text.substr(from, at - from));
    out.push_back(text.substr(from));
    return out;
}

// Every statement the store runs, prepared once when it opens.
struct NamedSql {
    const char* name;
    const char* sql;
};
constexpr NamedSql kStatements[] = {
    {"device by serial", "SELECT id FROM devices WHERE serial = ?1 ORDER BY last_seen DESC LIMIT 1"},
    {"device by mac", "SELECT id FROM devices WHERE mac = ?1 ORDER BY last_seen DESC LIMIT 1"},
    {"device by address", "SELECT id FROM devices WHERE address = ?1 ORDER BY last_seen DESC LIMIT 1"},
    {"device by key",
     "SELECT id FROM devices WHERE address = ?1 OR serial = ?1 OR mac = lower(?1) ORDER BY last_seen DESC LIMIT 1"},
    {"device",
     "SELECT id, address, mac, serial, model, first_seen, last_seen, answering, page_count, status, name, location,"
     " alerts, found_by_desktop, error_bits, alert_codes, alert_texts FROM devices WHERE id = ?1"},
    {"all devices",
     "SELECT id, address, mac, serial, model, first_seen, last_seen, answering, page_count, status, name, location,"
     " alerts, found_by_desktop, error_bits, alert_codes, alert_texts FROM devices ORDER BY id"},
    {"insert device",
     "INSERT INTO devices(address, mac, serial, model, first_seen, last_seen, answering)"
     " VALUES(?1, ?2, ?3, ?4, ?5, ?5, 1)"},
    {"update device",
     "UPDATE devices SET address = ?2, mac = ?3, serial = ?4, model = ?5, last_seen = ?6, answering = 1,"
     " page_count = ?7, status = ?8, name = ?9, location = ?10, alerts = ?11,"
     " found_by_desktop = max(found_by_desktop, ?12), error_bits = ?13, alert_codes = ?14, alert_texts = ?15"
     " WHERE id = ?1"},
    {"device silent", "UPDATE devices SET answering = 0 WHERE id = ?1"},
    {"release mac", "UPDATE devices SET mac = NULL WHERE mac = ?1 AND id <> ?2"},
    {"insert event", "INSERT INTO events(device_id, time, kind, detail) VALUES(?1, ?2, ?3, ?4)"},
    {"events", "SELECT time, kind, detail, device_id FROM events WHERE device_id = ?1 ORDER BY rowid"},
    {"events since", "SELECT time, kind, detail, device_id FROM events WHERE time >= ?1 ORDER BY time, rowid"},
    {"open notices",
     "SELECT id, device_id, subject, opened, resolved, severity, text, last_told FROM notices"
     " WHERE resolved IS NULL ORDER BY id"},
    {"insert notice",
     "INSERT INTO notices(device_id, subject, opened, severity, text, last_told) VALUES(?1, ?2, ?3, ?4, ?5, ?3)"},
    {"resolve notice", "UPDATE notices SET resolved = ?2 WHERE id = ?1"},
    {"notice told", "UPDATE notices SET last_told = ?2 WHERE id = ?1"},
    {"insert outbox",
     "INSERT INTO outbox(notice_id, channel, created, body, next_try) VALUES(?1, ?2, ?3, ?4, ?3)"},
    {"pending outbox",
     "SELECT o.id, o.notice_id, o.channel, o.created, o.body, o.attempts, o.next_try, o.sent, o.error, n.device_id"
     " FROM outbox o LEFT JOIN notices n ON n.id = o.notice_id WHERE o.sent IS NULL ORDER BY o.id"},
    {"outbox sent", "UPDATE outbox SET sent = ?2, attempts = attempts + 1, error = NULL WHERE id = ?1"},
    {"outbox failed", "UPDATE outbox SET attempts = attempts + 1, error = ?2, next_try = ?3 WHERE id = ?1"},
    {"replacing since",
     "SELECT count(*) FROM events WHERE device_id = ?1 AND kind = 4 AND time >= ?2"},
    {"supply id", "SELECT id, kind, colour, state FROM supplies WHERE device_id = ?1 AND idx = ?2"},
    {"insert supply",
     "INSERT INTO supplies(device_id, idx, kind, colour, state, state_since) VALUES(?1, ?2, ?3, ?4, ?5, ?6)"},
    {"update supply", "UPDATE supplies SET kind = ?2, colour = ?3 WHERE id = ?1"},
    {"supply state", "UPDATE supplies SET state = ?2, state_since = ?3 WHERE id = ?1"},
    {"supplies",
     "SELECT id, device_id, idx, kind, colour, state, state_since FROM supplies WHERE device_id = ?1 ORDER BY idx"},
    {"last supply value",
     "SELECT seq, time, state, level, maximum, unit, pages FROM supply_values WHERE supply_id = ?1"
     " ORDER BY seq DESC LIMIT 1"},
    {"last description",
     "SELECT description FROM supply_values WHERE supply_id = ?1 AND description IS NOT NULL"
     " ORDER BY seq DESC LIMIT 1"},
    {"last supply serial",
     "SELECT serial FROM supply_values WHERE supply_id = ?1 AND serial IS NOT NULL ORDER BY seq DESC LIMIT 1"},
    {"insert supply value",
     "INSERT INTO supply_values(supply_id, seq, time, state, level, maximum, unit, description, serial, pages)"
     " VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)"},
    {"supply history",
     "SELECT time, state, level, maximum, unit, description, serial, pages FROM supply_values"
     " WHERE supply_id = ?1 ORDER BY seq"},
    {"last counter", "SELECT time, pages FROM counter_values WHERE device_id = ?1 ORDER BY time DESC LIMIT 1"},
    {"insert counter", "INSERT OR REPLACE INTO counter_values(device_id, time, pages) VALUES(?1, ?2, ?3)"},
    {"counters", "SELECT time, pages FROM counter_values WHERE device_id = ?1 ORDER BY time"},
    {"insert status", "INSERT OR REPLACE INTO status_values(device_id, time, status) VALUES(?1, ?2, ?3)"},
    {"insert alerts", "INSERT OR REPLACE INTO alert_values(device_id, time, alerts) VALUES(?1, ?2, ?3)"},
    {"stats",
     "SELECT (SELECT count(*) FROM devices), (SELECT count(*) FROM supplies), (SELECT count(*) FROM supply_values),"
     " (SELECT count(*) FROM counter_values), (SELECT count(*) FROM status_values), (SELECT count(*) FROM events),"
     " (SELECT count(*) FROM alert_values)"},
};

constexpr std::pair<StoreResult, const char*> kResultNames[] = {
    {StoreResult::Ok, "ok"},
    {StoreResult::CannotOpen, "cannot open"},
    {StoreResult::NotSqlite, "not a store"},
    {StoreResult::NewerSchema, "newer schema"},
    {StoreResult::OlderSchema, "older schema"},
    {StoreResult::Locked, "locked"},
    {StoreResult::ReadOnly, "read-only"},
    {StoreResult::DiskFull, "disk full"},
    {StoreResult::NotFound, "not found"},
    {StoreResult::Failed, "failed"},
    {StoreResult::Foreign, "another program's file"},
};

StoreResult resultOfSqlite(int code) {
    switch (code & 0xff) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE:
        return StoreResult::Ok;
    case SQLITE_FULL:
        return StoreResult::DiskFull;
    case SQLITE_READONLY:
    case SQLITE_PERM:
        return StoreResult::ReadOnly;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return StoreResult::Locked;
    case SQLITE_NOTADB:
        return StoreResult::NotSqlite;
    case SQLITE_CANTOPEN:
        return StoreResult::CannotOpen;
    default:
        return StoreResult::Failed;
    }
}

bool failed(int code) { return code != SQLITE_OK && code != SQLITE_ROW && code != SQLITE_DONE; }

constexpr char kSqliteMagic[] = "SQLite format 3";  // 16 bytes with its NUL

// What the first bytes of an existing file say: a store when it is empty
// (SQLite makes one of it) or starts with the magic; its schema version
// sits at byte 60, big-endian.
struct FileHead {
    bool sqlite = false;
    int32_t version = 0;
};

FileHead readHead(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::array<unsigned char, 64> head{};
    in.read(reinterpret_cast<char*>(head.data()), head.size());
    const auto got = in.gcount();
    FileHead out;
    if (got == 0) {
        out.sqlite = true;
        return out;
    }
    out.sqlite = got >= static_cast<std::streamsize>(sizeof kSqliteMagic) &&
                 std::memcmp(head.data(), kSqliteMagic, sizeof kSqliteMagic) == 0;
    if (out.sqlite && got == static_cast<std::streamsize>(head.size())) {
        // A page size that is a power of two from 512 (1 stands for 65536) and the fixed payload fractions.
        const uint32_t pageSize = (uint32_t{head[16]} << 8) | head[17];
        const bool pageSizeValid = pageSize == 1 || (pageSize >= 512 && (pageSize & (pageSize - 1)) == 0);
        if (!pageSizeValid || head[21] != 64 || head[22] != 32 || head[23] != 32) {
            out.sqlite = false;
            return out;
        }
        out.version = static_cast<int32_t>((uint32_t{head[60]} << 24) | (uint32_t{head[61]} << 16) |
                                           (uint32_t{head[62]} << 8) | uint32_t{head[63]});
    }
    return out;
}

// Write bits matter even to root: a file made read-only is not written to.
bool writable(const std::string& path, const struct stat& st) {
    if ((st.st_mode & 0222) == 0 || access(path.c_str(), W_OK) != 0)
        return false;
    struct statvfs fs {};
    return statvfs(path.c_str(), &fs) != 0 || (fs.f_flag & ST_RDONLY) == 0;
}

bool folderWritable(const std::string& path) {
    const std::string folder = std::filesystem::absolute(path).parent_path().string();
    struct stat st {};
    return ::stat(folder.c_str(), &st) == 0 && writable(folder, st);
}

// An SQLite URI that opens path as a file nobody changes: no locks, no
// shared-memory file beside it, nothing written, for a store whose folder
// the reader cannot write.
std::string immutableUri(const std::string& path) {
    std::string uri = "file:";
    const std::string absolute = std::filesystem::absolute(path).string();
    for (unsigned char c : absolute) {
        if (c == '%' || c == '?' || c == '#' || c < 0x21 || c == 0x7f) {
            constexpr char kHex[] = "0123456789ABCDEF";
            uri += '%';
            uri += kHex[c >> 4];
            uri += kHex[c & 0xf];
        } else {
            uri += static_cast<char>(c);
        }
    }
    return uri + "?immutable=1";
}

// The tables a store of version has: its migrations replayed in memory.
std::set<std::string> storeTables(int32_t version);

// The tables of db, SQLite's own left out.
int tablesOf(Connection& db, std::set<std::string>& out) {
    int rc = SQLITE_OK;
    Statement list = db.prepare("SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'", &rc);
    if (rc != SQLITE_OK)
        return rc;
    while ((rc = list.step()) == SQLITE_ROW)
        out.insert(list.text(0));
    return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

// Stores open in this process, by file. Closing any descriptor of a file
// drops every POSIX lock the process holds on it, SQLite's included, so a
// file open here is not opened again outside SQLite, and a second writer
// in this process is refused before it opens anything.
struct OpenCount {
    int readers = 0;
    int writers = 0;
};
struct OpenFiles {
    std::mutex mutex;
    std::map<std::pair<uint64_t, uint64_t>, OpenCount> counts;
    // Descriptors of a store file that wait for its last connection here to close first.
    std::map<std::pair<uint64_t, uint64_t>, std::vector<int>> parked;
    pid_t pid = 0;
    // A forked child inherits the list but neither the locks nor the right to use the connections.
    std::map<std::pair<uint64_t, uint64_t>, OpenCount>& current() {
        if (pid != getpid()) {
            counts.clear();
            parked.clear();
            pid = getpid();
        }
        return counts;
    }
    // Called with the mutex held, once a file's count drops.
    void settle(const std::pair<uint64_t, uint64_t>& key) {
        auto it = current().find(key);
        if (it != counts.end() && (it->second.readers > 0 || it->second.writers > 0))
            return;
        if (it != counts.end())
            counts.erase(it);
        if (auto held = parked.find(key); held != parked.end()) {
            for (int fd : held->second)
                ::close(fd);
            parked.erase(held);
        }
    }
};

OpenFiles& openFiles() {
    static OpenFiles files;
    return files;
}

std::pair<uint64_t, uint64_t> fileKey(const struct stat& st) {
    return {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
}

}  // namespace

LevelState levelStateOf(int32_t rawLevel) {
    switch (rawLevel) {
    case -1:
        return LevelState::Other;
    case -3:
        return LevelState::SomeRemaining;
    default:
        return rawLevel >= 0 ? LevelState::Measured : LevelState::Unknown;
    }
}

const char* deviceEventName(DeviceEventKind kind) {
    for (const auto& [code, name] : kEventNames)
        if (code == kind)
            return name;
    return "event";
}

const char* storeResultName(StoreResult result) {
    for (const auto& [code, name] : kResultNames)
        if (code == result)
            return name;
    return "unknown";
}

std::span<const Migration> storeMigrations() { return kMigrations; }

namespace {

std::set<std::string> storeTables(int32_t version) {
    std::set<std::string> out;
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(":memory:", &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_MEMORY, nullptr);
    Connection memory(raw);
    if (rc != SQLITE_OK)
        return out;
    for (const Migration& step : kMigrations)
        if (step.version <= version && memory.exec(step.sql) != SQLITE_OK)
            return out;
    (void)tablesOf(memory, out);
    return out;
}

}  // namespace
int32_t storeSchemaVersion() { return kMigrations[std::size(kMigrations) - 1].version; }

// flock on a descriptor of the store file itself, so every path and hard
// link to it meets the same lock: held per open file, released by the kernel
// when the process ends, and apart from SQLite's POSIX locks. Closing any
// descriptor of the file would drop those, so while another connection of
// this process has the file open the descriptor is unlocked and parked
// until that one closes. Older watchers lock "<store>-writer" instead; it is
// taken too, so a new and an old watcher never share a store.
class FleetStore::WriterLock {
public:
    WriterLock(int storeFd, std::pair<uint64_t, uint64_t> key) : storeFd_(storeFd), key_(key) {}
    ~WriterLock() {
        if (pathFd_ >= 0)
            ::close(pathFd_);
        (void)flock(storeFd_, LOCK_UN);
        OpenFiles& files = openFiles();
        std::lock_guard<std::mutex> guard(files.mutex);
        files.parked[key_].push_back(storeFd_);
        files.settle(key_);
    }
    WriterLock(const WriterLock&) = delete;
    WriterLock& operator=(const WriterLock&) = delete;

    bool lockStore() { return flock(storeFd_, LOCK_EX | LOCK_NB) == 0; }
    // The lock file older watchers take; false when one holds it, errno set on other failures.
    bool lockPath(const std::string& lockPath, std::string& error) {
        pathFd_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (pathFd_ < 0) {
            error = lockPath + ": " + std::strerror(errno);
            return false;
        }
        return flock(pathFd_, LOCK_EX | LOCK_NB) == 0;
    }

private:
    int storeFd_;
    int pathFd_ = -1;
    std::pair<uint64_t, uint64_t> key_;
};

FleetStore::FleetStore() = default;
FleetStore::~FleetStore() { close(); }

void FleetStore::close() {
    abandonRound();
    forgetCaches();
    statements_.clear();
    // The connection goes before any descriptor of its file is closed (see OpenFiles).
    db_ = Connection();
    if (registered_) {
        OpenFiles& files = openFiles();
        std::lock_guard<std::mutex> guard(files.mutex);
        OpenCount& count = files.current()[fileKey_];
        (lock_ ? count.writers : count.readers) -= 1;
        files.settle(fileKey_);
        registered_ = false;
    }
    lock_.reset();
    version_ = 0;
}

void FleetStore::forgetCaches() {
    supplyIds_.clear();
    lastSupply_.clear();
    lastCounter_.clear();
}

Statement& FleetStore::statement(std::string_view name) { return statements_.find(name)->second; }

StoreStatus FleetStore::failure(int code, const std::string& what) {
    StoreResult result = resultOfSqlite(code);
    if (result == StoreResult::Ok)
        result = StoreResult::Failed;
    std::string message = path_ + ": " + what + ": " + (db_.valid() ? db_.lastMessage() : sqlite3_errstr(code));
    if (result == StoreResult::DiskFull)
        message = path_ + ": no room left to write the store (" + what + "); nothing of this round was kept";
    return {result, message};
}

StoreStatus FleetStore::open(const std::string& path, const StoreOptions& options) {
    close();
    path_ = path;
    const bool writer = options.mode == OpenMode::Writer;
    bool created = false;
    auto refuse = [&](StoreResult result, std::string message) {
        // A store this call made and refused is taken away again while still empty.
        struct stat now {};
        if (created && ::stat(path.c_str(), &now) == 0 && now.st_size == 0)
            ::unlink(path.c_str());
        close();
        return StoreStatus{result, path + ": " + std::move(message)};
    };
    auto fail = [&](StoreStatus status) {
        struct stat now {};
        if (created && ::stat(path.c_str(), &now) == 0 && now.st_size == 0)
            ::unlink(path.c_str());
        close();
        return status;
    };

    struct stat st {};
    const bool exists = ::stat(path.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode))
        return refuse(StoreResult::CannotOpen, "not a regular file");
    // A file this process already has open is a store, and must not be opened outside SQLite (see OpenFiles).
    bool openHere = false;
    if (exists) {
        OpenFiles& files = openFiles();
        std::lock_guard<std::mutex> guard(files.mutex);
        auto it = files.current().find(fileKey(st));
        openHere = it != files.current().end();
        if (openHere && writer && it->second.writers > 0)
            return refuse(StoreResult::Locked, "another watcher is writing this store");
    }
    const FileHead head = exists && !openHere ? readHead(path) : FileHead{true, 0};
    if (!head.sqlite)
        return refuse(StoreResult::NotSqlite, "not a NetRov store (not an SQLite file); left as it is");
    // Checked again once open (the log may hold a later version); this one keeps SQLite off a newer file.
    if (head.version > storeSchemaVersion())
        return refuse(StoreResult::NewerSchema, "written by a newer NetRov (schema " + std::to_string(head.version) +
                                                    ", this one reads up to " +
                                                    std::to_string(storeSchemaVersion()) + "); left as it is");
    if (!exists && !writer)
        return refuse(StoreResult::CannotOpen, "no such store");
    if (writer) {
        std::filesystem::path folder = std::filesystem::absolute(path).parent_path();
        struct stat dirSt {};
        if (::stat(folder.c_str(), &dirSt) != 0)
            return refuse(StoreResult::CannotOpen, "its folder does not exist");
        if ((exists && !writable(path, st)) || !writable(folder.string(), dirSt))
            return refuse(StoreResult::ReadOnly, "the store or its folder is read-only; open it for reading only");
        // The lock is taken on the file itself; a new store is made empty for it, as SQLite would.
        int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | (exists ? 0 : O_CREAT | O_EXCL), 0644);
        if (fd < 0)
            return refuse(StoreResult::CannotOpen, std::strerror(errno));
        created = !exists;
        struct stat opened {};
        if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
            ::close(fd);
            return refuse(StoreResult::CannotOpen, "not a regular file");
        }
        lock_ = std::make_unique<WriterLock>(fd, fileKey(opened));
        {
            // Another path to a file this process writes: the same file, the same refusal.
            OpenFiles& files = openFiles();
            std::lock_guard<std::mutex> guard(files.mutex);
            auto it = files.current().find(fileKey(opened));
            if (it != files.current().end() && it->second.writers > 0)
                return refuse(StoreResult::Locked, "another watcher is writing this store");
        }
        std::string error;
        if (!lock_->lockStore())
            return refuse(StoreResult::Locked, "another watcher is writing this store");
        if (!lock_->lockPath(path + "-writer", error))
            return error.empty() ? refuse(StoreResult::Locked, "another watcher is writing this store")
                                 : refuse(StoreResult::CannotOpen, error);
    }

    sqlite3* raw = nullptr;
    int flags = (writer ? SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE : SQLITE_OPEN_READONLY) | SQLITE_OPEN_NOMUTEX;
    std::string target = path;
    // A reader that cannot write the folder cannot make SQLite's shared-memory
    // file either; with no log beside the store there is nothing newer to
    // read than the file, so it is read as a file nobody changes.
    std::error_code ec;
    if (!writer && !folderWritable(path) && !std::filesystem::exists(path + "-wal", ec)) {
        target = immutableUri(path);
        flags |= SQLITE_OPEN_URI;
    }
    int rc = sqlite3_open_v2(target.c_str(), &raw, flags, nullptr);
    db_ = Connection(raw);  // SQLite gives a handle even on failure; the owner closes it
    if (rc != SQLITE_OK)
        return fail(failure(rc, "cannot open"));
    sqlite3_busy_timeout(db_.get(), options.busyTimeoutMs);

    // The version is read before anything is written: a newer store stays as it is.
    Statement versionQuery = db_.prepare("PRAGMA user_version", &rc);
    if (rc == SQLITE_OK && versionQuery.step() == SQLITE_ROW)
        version_ = static_cast<int32_t>(versionQuery.integer(0));
    else {
        StoreStatus status = failure(rc == SQLITE_OK ? sqlite3_errcode(db_.get()) : rc, "cannot read the schema version");
        if (status.result == StoreResult::NotSqlite)
            status.message = path + ": not a NetRov store (not an SQLite file); left as it is";
        return fail(status);
    }
    versionQuery = Statement();
    if (version_ > storeSchemaVersion())
        return refuse(StoreResult::NewerSchema, "written by a newer NetRov (schema " + std::to_string(version_) +
                                                    ", this one reads up to " +
                                                    std::to_string(storeSchemaVersion()) + "); left as it is");
    // Another program's SQLite file: tables at version 0, or a version without
    // a store's tables. Judged before anything is written, so it stays as it was.
    {
        std::set<std::string> tables;
        if (failed(rc = tablesOf(db_, tables)))
            return fail(failure(rc, "cannot read the tables"));
        const std::set<std::string> expected = storeTables(version_);
        if (!std::includes(tables.begin(), tables.end(), expected.begin(), expected.end()) ||
            (version_ == 0 && !tables.empty()))
            return refuse(StoreResult::Foreign,
                          "an SQLite file of another program, not a NetRov store; left as it is");
    }
    if (!writer && version_ < storeSchemaVersion())
        return refuse(StoreResult::OlderSchema, "an older schema (" + std::to_string(version_) +
                                                    "); open it once for writing to bring it up to date");

    if (writer) {
        if (options.sizeLimitBytes > 0) {
            std::string limit = "PRAGMA max_page_count = " + std::to_string(std::max<int64_t>(options.sizeLimitBytes / 4096, 1));
            if (failed(rc = db_.exec(limit.c_str())))
                return fail(failure(rc, "cannot set the size limit"));
        }
        // FULL: a committed round survives a power cut, at one sync per round.
        if (failed(rc = db_.exec("PRAGMA journal_mode = WAL")) || failed(rc = db_.exec("PRAGMA synchronous = FULL")))
            return fail(failure(rc, "cannot switch to write-ahead logging"));
        if (StoreStatus status = migrate(); !status.ok())
            return fail(status);
    }
    if (StoreStatus status = prepareStatements(); !status.ok())
        return fail(status);
    if (::stat(path.c_str(), &st) == 0) {
        OpenFiles& files = openFiles();
        std::lock_guard<std::mutex> guard(files.mutex);
        fileKey_ = fileKey(st);
        OpenCount& count = files.current()[fileKey_];
        (writer ? count.writers : count.readers) += 1;
        registered_ = true;
    }
    return {};
}

StoreStatus FleetStore::migrate() {
    for (const Migration& step : kMigrations) {
        if (step.version <= version_)
            continue;
        Transaction transaction(db_);
        if (failed(transaction.beginCode()))
            return failure(transaction.beginCode(), "cannot begin the migration to schema " + std::to_string(step.version));
        std::string setVersion = "PRAGMA user_version = " + std::to_string(step.version);
        int rc = db_.exec(step.sql);
        if (rc == SQLITE_OK)
            rc = db_.exec(setVersion.c_str());
        if (rc == SQLITE_OK)
            rc = transaction.commit();
        if (rc != SQLITE_OK)
            return failure(rc, "cannot migrate to schema " + std::to_string(step.version));
        version_ = step.version;
    }
    return {};
}

StoreStatus FleetStore::prepareStatements() {
    for (const NamedSql& entry : kStatements) {
        int rc = SQLITE_OK;
        Statement stmt = db_.prepare(entry.sql, &rc);
        if (rc != SQLITE_OK)
            return failure(rc, std::string("cannot prepare ") + entry.name);
        statements_.emplace(entry.name, std::move(stmt));
    }
    return {};
}

namespace {

// Resets a statement when the caller is done with it, on every path.
class Use {
public:
    explicit Use(Statement& stmt) : stmt_(stmt) {}
    ~Use() { stmt_.reset(); }
    Use(const Use&) = delete;
    Use& operator=(const Use&) = delete;
    Statement* operator->() { return &stmt_; }
    Statement& operator*() { return stmt_; }

private:
    Statement& stmt_;
};

std::optional<std::string> nonEmpty(const std::string& text) {
    if (text.empty())
        return std::nullopt;
    return text;
}

// Reads one id with a one-parameter text query; 0 when there is none.
int findId(Statement& stmt, const std::string& key, int64_t& id) {
    Use use(stmt);
    use->bind(1, std::string_view(key));
    int rc = use->step();
    id = rc == SQLITE_ROW ? use->integer(0) : 0;
    return rc == SQLITE_ROW || rc == SQLITE_DONE ? SQLITE_OK : rc;
}

void readDevice(Statement& stmt, DeviceRecord& out) {
    out.id = stmt.integer(0);
    out.identity.address = stmt.text(1);
    out.identity.mac = stmt.text(2);
    out.identity.serial = stmt.text(3);
    out.identity.model = stmt.text(4);
    out.firstSeen = stmt.integer(5);
    out.lastSeen = stmt.integer(6);
    out.answering = stmt.integer(7) != 0;
    out.pageCount = stmt.optionalInteger(8);
    out.status = static_cast<int32_t>(stmt.integer(9));
    out.name = stmt.text(10);
    out.location = stmt.text(11);
    out.alerts = splitAlerts(stmt.text(12));
    out.foundByDesktop = stmt.integer(13) != 0;
    if (auto bits = stmt.optionalInteger(14))
        out.errorBits = static_cast<uint32_t>(*bits);
    out.alertCodes = splitCodes(stmt.text(15));
    if (out.alertCodes.size() != out.alerts.size())
        out.alertCodes.clear();
    // Texts are kept one per alert; a list that does not match them is not known.
    out.alertTexts = splitAlerts(stmt.text(16));
    if (out.alertTexts.size() != out.alerts.size())
        out.alertTexts.clear();
}

}  // namespace

int FleetStore::lookupDevice(const DeviceIdentity& identity, int64_t time, Match& out) {
    out = {};
    int64_t id = 0;
    int rc = SQLITE_OK;
    if (!identity.serial.empty() && (rc = findId(statement("device by serial"), identity.serial, id)) != SQLITE_OK)
        return rc;
    if (id == 0 && !identity.mac.empty() && (rc = findId(statement("device by mac"), identity.mac, id)) != SQLITE_OK)
        return rc;
    // Only a reading with neither a serial number nor a MAC falls back on its address.
    if (id == 0 && identity.mac.empty() && identity.serial.empty() &&
        (rc = findId(statement("device by address"), identity.address, id)) != SQLITE_OK)
        return rc;
    if (id == 0)
        return SQLITE_OK;
    Use use(statement("device"));
    use->bind(1, id);
    if ((rc = use->step()) != SQLITE_ROW)
        return rc == SQLITE_DONE ? SQLITE_OK : rc;
    DeviceRecord record;
    readDevice(*use, record);
    use->reset();
    // A MAC seen on a device with another serial number: the card moved to another printer.
    if (!identity.serial.empty() && !record.identity.serial.empty() && record.identity.serial != identity.serial) {
        if (record.identity.address != identity.address)
            return SQLITE_OK;
        // At the same address: a printer replaced, unless this one replaced another only just now.
        Use since(statement("replacing since"));
        since->bind(1, record.id);
        since->bind(2, time - kUnsteadySerialSeconds);
        if ((rc = since->step()) != SQLITE_ROW)
            return rc;
        if (since->integer(0) > 0) {
            out.takeSerial = true;
            out.device = std::move(record);
        } else {
            out.replaces = std::move(record);
        }
        return SQLITE_OK;
    }
    out.device = std::move(record);
    return SQLITE_OK;
}

StoreStatus FleetStore::matchDevice(const DeviceIdentity& identity, DeviceRecord& out) {
    if (!isOpen())
        return {StoreResult::CannotOpen, "the store is not open"};
    Match match;
    if (int rc = lookupDevice(identity, static_cast<int64_t>(::time(nullptr)), match); rc != SQLITE_OK)
        return failure(rc, "cannot look up a device");
    if (!match.device)
        return {StoreResult::NotFound, "no stored device matches " + identity.address};
    out = std::move(*match.device);
    return {};
}

StoreStatus FleetStore::writeRound(int64_t time, std::span<const DeviceReading> devices, RoundSummary* summary) {
    if (StoreStatus status = beginRound(time); !status.ok())
        return status;
    for (const DeviceReading& device : devices)
        if (StoreStatus status = addReading(device); !status.ok())
            return status;
    return commitRound(summary);
}

StoreStatus FleetStore::beginRound(int64_t time) {
    if (!isOpen() || !lock_)
        return {StoreResult::ReadOnly, path_ + ": opened for reading only"};
    abandonRound();
    auto transaction = std::make_unique<Transaction>(db_);
    if (int rc = transaction->beginCode(); failed(rc))
        return failure(rc, "cannot begin a round");
    round_ = std::move(transaction);
    roundTime_ = time;
    roundCounts_ = {};
    return {};
}

StoreStatus FleetStore::addReading(const DeviceReading& reading) {
    if (!round_)
        return {StoreResult::Failed, path_ + ": no round begun"};
    if (int rc = writeDevice(roundTime_, reading, roundCounts_); rc != SQLITE_OK) {
        StoreStatus status = failure(rc, "cannot store " + reading.identity.address);
        abandonRound();
        return status;
    }
    return {};
}

StoreStatus FleetStore::commitRound(RoundSummary* summary) {
    if (!round_)
        return {StoreResult::Failed, path_ + ": no round begun"};
    if (int rc = round_->commit(); rc != SQLITE_OK) {
        StoreStatus status = failure(rc, "cannot store the round");
        abandonRound();
        return status;
    }
    round_.reset();
    if (summary)
        *summary = roundCounts_;
    return {};
}

void FleetStore::abandonRound() {
    if (!round_)
        return;
    round_.reset();
    // The caches may hold rows that were rolled back.
    forgetCaches();
}

int FleetStore::writeDevice(int64_t time, const DeviceReading& reading, RoundSummary& summary) {
    Match match;
    int rc = lookupDevice(reading.identity, time, match);
    if (rc != SQLITE_OK)
        return rc;
    const std::optional<DeviceRecord>& found = match.device;
    auto event = [&](int64_t id, DeviceEventKind kind) {
        Use use(statement("insert event"));
        use->bind(1, id);
        use->bind(2, time);
        use->bind(3, static_cast<int64_t>(kind));
        use->bindNull(4);
        int result = use->step();
        ++summary.events;
        return result == SQLITE_DONE ? SQLITE_OK : result;
    };

    if (!reading.answered) {
        // A device never seen that does not answer leaves nothing; a known one is marked once.
        if (!found || !found->answering)
            return SQLITE_OK;
        Use use(statement("device silent"));
        use->bind(1, found->id);
        if ((rc = use->step()) != SQLITE_DONE)
            return rc;
        return event(found->id, DeviceEventKind::WentSilent);
    }

    int64_t id = 0;
    DeviceRecord previous;
    if (found) {
        previous = *found;
        id = found->id;
    } else {
        Use use(statement("insert device"));
        use->bind(1, std::string_view(reading.identity.address));
        use->bind(2, nonEmpty(reading.identity.mac));
        use->bind(3, nonEmpty(reading.identity.serial));
        use->bind(4, nonEmpty(reading.identity.model));
        use->bind(5, time);
        if ((rc = use->step()) != SQLITE_DONE)
            return rc;
        id = sqlite3_last_insert_rowid(db_.get());
        previous.id = id;
        previous.identity = reading.identity;
        ++summary.newDevices;
        if (match.replaces) {
            const int64_t old = match.replaces->id;
            if (match.replaces->answering) {
                Use use(statement("device silent"));
                use->bind(1, old);
                if ((rc = use->step()) != SQLITE_DONE)
                    return rc;
            }
            if ((rc = event(old, DeviceEventKind::Replaced)) != SQLITE_OK ||
                (rc = event(id, DeviceEventKind::Replacing)) != SQLITE_OK)
                return rc;
        }
    }
    if (!reading.identity.mac.empty() && (!found || reading.identity.mac != previous.identity.mac)) {
        Use use(statement("release mac"));
        use->bind(1, std::string_view(reading.identity.mac));
        use->bind(2, id);
        if ((rc = use->step()) != SQLITE_DONE)
            return rc;
    }
    {
        const DeviceIdentity& now = reading.identity;
        const DeviceIdentity& was = previous.identity;
        Use use(statement("update device"));
        use->bind(1, id);
        use->bind(2, std::string_view(now.address));
        use->bind(3, nonEmpty(now.mac.empty() ? was.mac : now.mac));
        use->bind(4, nonEmpty(was.serial.empty() || match.takeSerial ? now.serial : was.serial));
        use->bind(5, nonEmpty(now.model.empty() ? was.model : now.model));
        use->bind(6, time);
        use->bind(7, reading.pageCount ? reading.pageCount : previous.pageCount);
        use->bind(8, static_cast<int64_t>(reading.status));
        // A partial reading keeps what it did not read.
        const bool full = reading.fullReading;
        use->bind(9, nonEmpty(full || !reading.name.empty() ? reading.name : previous.name));
        use->bind(10, nonEmpty(full || !reading.location.empty() ? reading.location : previous.location));
        use->bind(11, nonEmpty(joinAlerts(full ? reading.alerts : previous.alerts)));
        use->bind(12, int64_t{reading.foundByDesktop ? 1 : 0});
        if (full)
            use->bind(13, int64_t{reading.errorBits});
        else
            use->bind(13, previous.errorBits ? std::optional<int64_t>(*previous.errorBits) : std::nullopt);
        use->bind(14, nonEmpty(joinCodes(full ? reading.alertCodes : previous.alertCodes)));
        // An empty text is kept as a blank, so the texts stay one per alert.
        std::vector<std::string> texts = full ? reading.alertTexts : previous.alertTexts;
        if (texts.size() != (full ? reading.alerts : previous.alerts).size())
            texts.clear();
        for (std::string& text : texts)
            if (text.empty())
                text = " ";
        use->bind(15, nonEmpty(joinAlerts(texts)));
        if ((rc = use->step()) != SQLITE_DONE)
            return rc;
    }
    // The alerts as a change row, like the status: written when they differ from the last round's.
    if (const std::string alerts = joinAlerts(reading.alerts);
        reading.fullReading && (found ? alerts != joinAlerts(previous.alerts) : !alerts.empty())) {
        Use use(statement("insert alerts"));
        use->bind(1, id);
        use->bind(2, time);
        use->bind(3, std::string_view(alerts));
        if ((rc = use->step()) != SQLITE_DONE)
            return rc;
    }
    if (found && !found->answering && (rc = event(id, DeviceEventKind::CameBack)) != SQLITE_OK)
        return rc;
    if (!found || previous.status != reading.status) {
        Use use(statement("insert status"));
        use->bind(1, id);
        use->bind(2, time);
        use->bind(3, static_cast<int64_t>(reading.status));
        if ((rc = use->step()) != SQLITE_DONE)
            return rc;
    }

    if (reading.pageCount) {
        LastCounter& last = lastCounter_[id];
        if (!last.loaded) {
            Use use(statement("last counter"));
            use->bind(1, id);
            rc = use->step();
            if (rc == SQLITE_ROW)
                last.row = CounterValue{use->integer(0), use->integer(1)};
            else if (rc != SQLITE_DONE)
                return rc;
            last.loaded = true;
        }
        const int64_t pages = *reading.pageCount;
        bool write = !last.row || (pages != last.row->pages &&
                                   (pages < last.row->pages || time - last.row->time >= kCounterSpacingSeconds ||
                                    time < last.row->time));
        if (write) {
            Use use(statement("insert counter"));
            use->bind(1, id);
            use->bind(2, time);
            use->bind(3, pages);
            if ((rc = use->step()) != SQLITE_DONE)
                return rc;
            last.row = CounterValue{time, pages};
            ++summary.counterValues;
        }
    }

    for (const SupplyReading& supply : reading.supplies)
        if ((rc = writeSupply(time, id, reading, supply, summary)) != SQLITE_OK)
            return rc;
    return SQLITE_OK;
}

int FleetStore::writeSupply(int64_t time, int64_t deviceId, const DeviceReading& device, const SupplyReading& supply,
                            RoundSummary& summary) {
    int rc = SQLITE_OK;
    const LevelState state = levelStateOf(supply.level);
    auto key = std::make_pair(deviceId, supply.index);
    auto idIt = supplyIds_.find(key);
    int64_t supplyId = 0;
    if (idIt != supplyIds_.end()) {
        supplyId = idIt->second;
    } else {
        Use use(statement("supply id"));
        use->bind(1, deviceId);
        use->bind(2, static_cast<int64_t>(supply.index));
        rc = use->step();
        if (rc == SQLITE_ROW) {
            supplyId = use->integer(0);
            bool same = use->integer(1) == supply.kind && use->text(2) == supply.colour;
            LastSupply& last = lastSupply_[supplyId];
            last.reportedState = static_cast<LevelState>(use->integer(3));
            if (!same && device.fullReading) {
                Use update(statement("update supply"));
                update->bind(1, supplyId);
                update->bind(2, static_cast<int64_t>(supply.kind));
                update->bind(3, std::string_view(supply.colour));
                if ((rc = update->step()) != SQLITE_DONE)
                    return rc;
            }
            // The last row and the texts in force, which may sit in earlier rows.
            Use lastRow(statement("last supply value"));
            lastRow->bind(1, supplyId);
            if ((rc = lastRow->step()) == SQLITE_ROW) {
                last.seq = lastRow->integer(0);
                last.value.time = lastRow->integer(1);
                last.value.state = static_cast<LevelState>(lastRow->integer(2));
                auto level = lastRow->optionalInteger(3);
                auto maximum = lastRow->optionalInteger(4);
                last.value.level = level ? std::optional<int32_t>(static_cast<int32_t>(*level)) : std::nullopt;
                last.value.maximum = maximum ? std::optional<int32_t>(static_cast<int32_t>(*maximum)) : std::nullopt;
                last.value.unit = static_cast<int32_t>(lastRow->integer(5));
                last.value.pages = lastRow->optionalInteger(6);
                for (auto [name, field] : {std::pair{"last description", &SupplyValue::description},
                                           std::pair{"last supply serial", &SupplyValue::serial}}) {
                    Use text(statement(name));
                    text->bind(1, supplyId);
                    int textRc = text->step();
                    if (textRc == SQLITE_ROW)
                        last.value.*field = text->text(0);
                    else if (textRc != SQLITE_DONE)
                        return textRc;
                }
            } else if (rc != SQLITE_DONE) {
                return rc;
            }
        } else if (rc == SQLITE_DONE) {
            Use insert(statement("insert supply"));
            insert->bind(1, deviceId);
            insert->bind(2, static_cast<int64_t>(supply.index));
            insert->bind(3, static_cast<int64_t>(supply.kind));
            insert->bind(4, std::string_view(supply.colour));
            insert->bind(5, static_cast<int64_t>(state));
            insert->bind(6, time);
            if ((rc = insert->step()) != SQLITE_DONE)
                return rc;
            supplyId = sqlite3_last_insert_rowid(db_.get());
            lastSupply_[supplyId].reportedState = state;
        } else {
            return rc;
        }
        supplyIds_.emplace(key, supplyId);
    }

    LastSupply& last = lastSupply_[supplyId];
    // The desktop's percentages never overwrite a supply kept in the device's own units.
    if (!device.fullReading && last.seq != 0 &&
        (supply.unit != last.value.unit || (supply.maximum >= 0 ? std::optional<int32_t>(supply.maximum) : std::nullopt) !=
                                               last.value.maximum))
        return SQLITE_OK;
    if (last.reportedState != state) {
        Use use(statement("supply state"));
        use->bind(1, supplyId);
        use->bind(2, static_cast<int64_t>(state));
        use->bind(3, time);
        if ((rc = use->step()) != SQLITE_DONE)
            return rc;
        last.reportedState = state;
    }

    SupplyValue value;
    value.time = time;
    value.state = state;
    if (state == LevelState::Measured)
        value.level = supply.level;
    if (supply.maximum >= 0)
        value.maximum = supply.maximum;
    value.unit = supply.unit;
    value.description = supply.description;
    value.serial = supply.serial;
    value.pages = device.pageCount;

    const bool first = last.seq == 0;
    if (!device.fullReading && value.description.empty())
        value.description = last.value.description;
    // A sleeping printer's "unknown" keeps the last measured level; the supply row notes the state.
    if (!first && state == LevelState::Unknown && last.value.state == LevelState::Measured)
        return SQLITE_OK;
    const bool textsChanged = first || value.description != last.value.description || value.serial != last.value.serial;
    const bool changed = first || textsChanged || value.state != last.value.state || value.level != last.value.level ||
                         value.maximum != last.value.maximum || value.unit != last.value.unit;
    if (!changed)
        return SQLITE_OK;
    // A new cartridge by the forecasts' own rule (a serial number, a name, a level that rose), written once as it is seen.
    if (!first) {
        const SupplyValue pair[] = {last.value, value};
        if (splitCartridges(pair, std::nullopt).size() > 1) {
            Use event(statement("insert event"));
            event->bind(1, deviceId);
            event->bind(2, time);
            event->bind(3, static_cast<int64_t>(DeviceEventKind::CartridgeChanged));
            const std::string what = supply.colour.empty() ? value.description : supply.colour;
            const std::string detail = "supply " + std::to_string(supply.index) + (what.empty() ? "" : " (" + what + ")");
            event->bind(4, std::string_view(detail));
            if ((rc = event->step()) != SQLITE_DONE)
                return rc;
            ++summary.events;
        }
    }

    Use use(statement("insert supply value"));
    use->bind(1, supplyId);
    use->bind(2, last.seq + 1);
    use->bind(3, time);
    use->bind(4, static_cast<int64_t>(value.state));
    use->bind(5, value.level ? std::optional<int64_t>(*value.level) : std::nullopt);
    use->bind(6, value.maximum ? std::optional<int64_t>(*value.maximum) : std::nullopt);
    use->bind(7, static_cast<int64_t>(value.unit));
    bool descriptionChanged = first || value.description != last.value.description;
    bool serialChanged = first || value.serial != last.value.serial;
    use->bind(8, descriptionChanged ? std::optional<std::string>(value.description) : std::nullopt);
    use->bind(9, serialChanged ? std::optional<std::string>(value.serial) : std::nullopt);
    use->bind(10, value.pages);
    if ((rc = use->step()) != SQLITE_DONE)
        return rc;
    last.seq += 1;
    last.value = std::move(value);
    ++summary.supplyValues;
    return SQLITE_OK;
}

StoreStatus FleetStore::findDevice(std::string_view key, DeviceRecord& out) {
    if (!isOpen())
        return {StoreResult::CannotOpen, "the store is not open"};
    int64_t id = 0;
    int rc = findId(statement("device by key"), std::string(key), id);
    if (rc != SQLITE_OK)
        return failure(rc, "cannot look up a device");
    if (id == 0)
        return {StoreResult::NotFound, "no stored device is " + std::string(key)};
    Use use(statement("device"));
    use->bind(1, id);
    if ((rc = use->step()) != SQLITE_ROW)
        return failure(rc, "cannot read a device");
    readDevice(*use, out);
    return {};
}

StoreStatus FleetStore::devices(std::vector<DeviceRecord>& out) {
    out.clear();
    if (!isOpen())
        return {StoreResult::CannotOpen, "the store is not open"};
    Use use(statement("all devices"));
    int rc;
    while ((rc = use->step()) == SQLITE_ROW)
        readDevice(*use, out.emplace_back());
    return rc == SQLITE_DONE ? StoreStatus{} : failure(rc, "cannot read the devices");
}

StoreStatus FleetStore::supplies(int64_t deviceId, std::vector<SupplyRecord>& out) {
    out.clear();
    if (!isOpen())
        return {StoreResult::CannotOpen, "the store is not open"};
    Use use(statement("supplies"));
    use->bind(1, deviceId);
    int rc;
    while ((rc = use->step()) == SQLITE_ROW) {
        SupplyRecord& s = out.emplace_back();
        s.id = use->integer(0);
        s.deviceId = use->integer(1);
        s.index = static_cast<int32_t>(use->integer(2));
        s.kind = static_cast<int32_t>(use->integer(3));
        s.colour = use->text(4);
        s.state = static_cast<LevelState>(use->integer(5));
        s.stateSince = use->integer(6);
    }
    return rc == SQLITE_DONE ? StoreStatus{} : failure(rc, "cannot read the supplies");
}

StoreStatus FleetStore::supplyHistory(int64_t supplyId, std::vector<SupplyValue>& out) {
    out.clear();
    if (!isOpen())
        return {StoreResult::CannotOpen, "the store is not open"};
    Use use(statement("supply history"));
    use->bind(1, supplyId);
    int rc;
    while ((rc = use->step()) == SQLITE_ROW) {
        SupplyValue v;
        v.time = use->integer(0);
        v.state = static_cast<LevelState>(use->integer(1));
        if (auto level = use->optionalInteger(2))
            v.level = static_cast<int32_t>(*level);
        if (auto maximum = use->optionalInteger(3))
            v.maximum = static_cast<int32_t>(*maximum);
        v.unit = static_cast<int32_t>(use->integer(4));
        // Texts are stored where they change; the rest carry the one before.
        auto description = use->optionalText(5);
        auto serial = use->optionalText(6);
        v.description = description ? *description : (out.empty() ? std::string() : out.back().description);
        v.serial = serial ? *serial : (out.empty() ? std::string() : out.back().serial);
        v.pages = use->optionalInteger(7);
        out.push_back(std::move(v));
    }
    return rc == SQLITE_DONE ? StoreStatus{} : failure(rc, "cannot read a supply's history");
}

StoreStatus FleetStore::counterHistory(int64_t deviceId, std::vector<CounterValue>& out) {
    out.clear();
    if (!isOpen())
        return {StoreResult::CannotOpen, "the store is not open"};
    Use use(statement("counters"));
    use->bind(1, deviceId);
    int rc;
    while ((rc = use->step()) == SQLITE_ROW)
        out.push_back({use->integer(0), use->integer(1)});
    return rc == SQLITE_DONE ? StoreStatus{} : failure(rc, "cannot read the page counters");
}

StoreStatus FleetStore::events(int64_t deviceId, std::vector<DeviceEvent>& out) {
    out.clear();
    if (!isOpen())
        return {StoreResult::CannotOpen, "the store is not open"};
    Use use(statement("events"));
    use->bind(1, deviceId);
    int rc;
    while ((rc = use->step()) == SQLITE_ROW)
        out.push_back({use->integer(0), static_cast<DeviceEventKind>(use->integer(1)), use->text(2), use->integer(3)});
    return rc == SQLITE_DONE ? StoreStatus{} : failure(rc, "cannot read the events");
}

StoreStatus FleetStore::stats(StoreStats& out) {
    out = {};
    if (!isOpen())
        return {StoreResult::CannotOpen, "the store is not open"};
    Use use(statement("stats"));
    int rc = use->step();
    if (rc != SQLITE_ROW)
        return failure(rc, "cannot count the rows");
    out.devices = use->integer(0);
    out.supplies = use->integer(1);
    out.supplyValues = use->integer(2);
    out.counterValues = use->integer(3);
    out.statusValues = use->integer(4);
    out.events = use->integer(5);
    out.alertValues = use->integer(6);
    for (auto [suffix, field] : {std::pair{"", &StoreStats::fileBytes}, std::pair{"-wal", &StoreStats::walBytes}}) {
        std::error_code ec;
        auto size = std::filesystem::file_size(path_ + suffix, ec);
        out.*field = ec ? 0 : static_cast<int64_t>(size);
    }
    return {};
}

StoreStatus FleetStore::eventsSince(int64_t since, std::vector<DeviceEvent>& out) {
    out.clear();
    if (!isOpen())
        return {StoreResult::CannotOpen, "the store is not open"};
    Use use(statement("events since"));
    use->bind(1, since);
    int rc;
    while ((rc = use->step()) == SQLITE_ROW)
        out.push_back({use->integer(0), static_cast<DeviceEventKind>(use->integer(1)), use->text(2), use->integer(3)});
    return rc == SQLITE_DONE ? StoreStatus{} : failure(rc, "cannot read the events");
}

StoreStatus FleetStore::runWrite(std::string_view name, const std::function<void(Statement&)>& bind, const char* what) {
    if (!isOpen() || !lock_)
        return {StoreResult::ReadOnly, path_ + ": opened for reading only"};
    Use use(statement(name));
    bind(*use);
    const int rc = use->step();
    return rc == SQLITE_DONE ? StoreStatus{} : failure(rc, what);
}

StoreStatus FleetStore::addEvent(int64_t deviceId, int64_t time, DeviceEventKind kind, const std::string& detail) {
    return runWrite("insert event", [&](Statement& s) {
        s.bind(1, deviceId);
        s.bind(2, time);
        s.bind(3, static_cast<int64_t>(kind));
        s.bind(4, nonEmpty(detail));
    }, "cannot write an event");
}

StoreStatus FleetStore::openNotices(std::vector<NoticeRecord>& out) {
    out.clear();
    if (!isOpen())
        return {StoreResult::CannotOpen, "the store is not open"};
    Use use(statement("open notices"));
    int rc;
    while ((rc = use->step()) == SQLITE_ROW) {
        NoticeRecord& n = out.emplace_back();
        n.id = use->integer(0);
        n.deviceId = use->integer(1);
        n.subject = use->text(2);
        n.opened = use->integer(3);
        n.resolved = use->optionalInteger(4);
        n.severity = static_cast<int32_t>(use->integer(5));
        n.text = use->text(6);
        n.lastTold = use->integer(7);
    }
    return rc == SQLITE_DONE ? StoreStatus{} : failure(rc, "cannot read the notices");
}

StoreStatus FleetStore::addNotice(NoticeRecord& notice) {
    StoreStatus status = runWrite("insert notice", [&](Statement& s) {
        s.bind(1, notice.deviceId);
        s.bind(2, std::string_view(notice.subject));
        s.bind(3, notice.opened);
        s.bind(4, static_cast<int64_t>(notice.severity));
        s.bind(5, std::string_view(notice.text));
    }, "cannot write a notice");
    if (status.ok()) {
        notice.id = sqlite3_last_insert_rowid(db_.get());
        notice.lastTold = notice.opened;
    }
    return status;
}

StoreStatus FleetStore::resolveNotice(int64_t id, int64_t time) {
    return runWrite("resolve notice", [&](Statement& s) {
        s.bind(1, id);
        s.bind(2, time);
    }, "cannot resolve a notice");
}

StoreStatus FleetStore::noticeTold(int64_t id, int64_t time) {
    return runWrite("notice told", [&](Statement& s) {
        s.bind(1, id);
        s.bind(2, time);
    }, "cannot write a notice");
}

StoreStatus FleetStore::addOutbox(OutboxItem& item) {
    StoreStatus status = runWrite("insert outbox", [&](Statement& s) {
        s.bind(1, item.noticeId);
        s.bind(2, std::string_view(item.channel));
        s.bind(3, item.created);
        s.bind(4, std::string_view(item.body));
    }, "cannot store a message");
    if (status.ok()) {
        item.id = sqlite3_last_insert_rowid(db_.get());
        item.nextTry = item.created;
    }
    return status;
}

StoreStatus FleetStore::pendingOutbox(std::vector<OutboxItem>& out) {
    out.clear();
    if (!isOpen())
        return {StoreResult::CannotOpen, "the store is not open"};
    Use use(statement("pending outbox"));
    int rc;
    while ((rc = use->step()) == SQLITE_ROW) {
        OutboxItem& item = out.emplace_back();
        item.id = use->integer(0);
        item.noticeId = use->integer(1);
        item.channel = use->text(2);
        item.created = use->integer(3);
        item.body = use->text(4);
        item.attempts = static_cast<int32_t>(use->integer(5));
        item.nextTry = use->integer(6);
        item.sent = use->optionalInteger(7);
        item.error = use->text(8);
        item.deviceId = use->optionalInteger(9).value_or(0);
    }
    return rc == SQLITE_DONE ? StoreStatus{} : failure(rc, "cannot read the messages");
}

StoreStatus FleetStore::outboxSent(int64_t id, int64_t sent) {
    return runWrite("outbox sent", [&](Statement& s) {
        s.bind(1, id);
        s.bind(2, sent);
    }, "cannot mark a message sent");
}

StoreStatus FleetStore::outboxFailed(int64_t id, const std::string& error, int64_t nextTry) {
    return runWrite("outbox failed", [&](Statement& s) {
        s.bind(1, id);
        s.bind(2, std::string_view(error));
        s.bind(3, nextTry);
    }, "cannot mark a message failed");
}

}  // namespace netrov::store
