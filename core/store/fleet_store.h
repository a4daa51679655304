// The fleet store: one SQLite file that keeps every device across address changes and its readings as changes.
//
// A writer holds an exclusive lock on the store file itself (whatever path
// or hard link it came by) for as long as it is open, so two watchers never
// write one store; it also locks "<store>-writer" beside it, the lock older
// watchers take. Readers need no lock and write nothing: a store on
// read-only media or in a folder they cannot write is read as it is. One
// process may open a store once as a writer and any number of times as a
// reader. Every round of readings is one transaction: a crash loses at most
// the round in flight. An SQLite file that is not a store is refused before
// anything is written to it.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "sqlite_db.h"
#include "store_types.h"

namespace netrov::store {

// What opening or writing the store came to. Every failure leaves the store as it was.
enum class StoreResult : int32_t {
    Ok = 0,
    CannotOpen,   // no such folder, or SQLite could not open the file
    NotSqlite,    // the file is something else
    NewerSchema,  // written by a newer NetRov
    OlderSchema,  // a reader met a store no writer has brought up to date yet
    Locked,       // another writer holds the store
    ReadOnly,     // the file or its folder cannot be written
    DiskFull,     // no room left (or the size limit given in the options)
    NotFound,     // no such device
    Failed,       // any other SQLite error; the message says which
    Foreign,      // an SQLite file of another program: its tables are not a store's
};
const char* storeResultName(StoreResult result);

struct StoreStatus {
    StoreResult result = StoreResult::Ok;
    std::string message;  // for people: what happened and to which file; empty on success
    bool ok() const { return result == StoreResult::Ok; }
};

// The schema as ordered steps: step i brings a store from version i to i + 1.
struct Migration {
    int32_t version;  // the version the store has after this step
    const char* sql;
};
std::span<const Migration> storeMigrations();
int32_t storeSchemaVersion();  // the version this build writes

// How a device is told apart. MAC is "aa:bb:cc:dd:ee:ff" lower case or empty.
//
// Matching rule, in order: the same serial number is the same device; else
// the same MAC is the same device, unless both sides have serial numbers and
// they differ (a print server moved to another printer: a new device, and the
// MAC moves to it); else, when the reading has neither, the device last seen
// at the same address; else a new device. A matched device takes the
// reading's address, MAC and model, and its serial number when it had none.
//
// A new serial number on the same MAC at the same address is a printer
// replaced: the new device gets a Replacing event, and the old one is marked
// silent with a Replaced event. When the device that replaced another within
// kUnsteadySerialSeconds changes its serial number again, the serial number
// is unsteady, not the printer: the device takes the new one, so a printer
// that reports another serial number every round stays two devices.
struct DeviceIdentity {
    std::string address;
    std::string mac;
    std::string serial;
    std::string model;
};

// One device in one round.
struct DeviceReading {
    DeviceIdentity identity;
    bool answered = true;                // false: asked and silent; nothing but the silence is stored
    std::optional<int64_t> pageCount;    // the life page counter
    int32_t status = 0;                  // the device's status code
    std::string name;                    // the device's own name and location, as it gives them
    std::string location;
    std::vector<std::string> alerts;     // the alerts in force, in words
    std::vector<int32_t> alertCodes;     // the code of each alert, in the same order; empty when not known
    std::vector<std::string> alertTexts; // the device's own text of each alert, in the same order; empty when not known
    uint32_t errorBits = 0;              // hrPrinterDetectedErrorState bits
    std::vector<SupplyReading> supplies;
    bool foundByDesktop = false;         // the desktop program listed it (a watcher's readings leave this false)
    // False for the desktop's list, which reads neither alerts nor error
    // state: the stored ones stay, as do a name and location it lacks, and
    // a supply the store keeps in other units than the list's percentages
    // keeps its rows; the reading adds what it has and overwrites nothing.
    bool fullReading = true;
};

enum class DeviceEventKind : int32_t {
    WentSilent = 1,
    CameBack = 2,
    Replaced = 3,   // another device with a new serial number took its MAC and address
    Replacing = 4,  // it took the MAC and address of a device with another serial number
    CartridgeChanged = 5,  // a supply's cartridge was replaced; the detail names the supply
    AttentionStarted = 6,  // the detail gives the reasons
    AttentionEnded = 7,
    NoticeSent = 8,        // the detail names the channel and the notice
    ChannelFailing = 9,    // a channel that keeps failing, written once until it delivers again
};
// "silent", "back", "replaced", "replacing", "cartridge changed", ...
const char* deviceEventName(DeviceEventKind kind);

constexpr int64_t kUnsteadySerialSeconds = 86400;

struct DeviceEvent {
    int64_t time = 0;
    DeviceEventKind kind = DeviceEventKind::WentSilent;
    std::string detail;   // what the event is about, in words; empty for silent and back
    int64_t deviceId = 0;
};

// A condition of a device that people were told about (a supply low, a
// device not answering), open until it is resolved. subject is the rules'
// key of the condition; one open notice per device and subject.
struct NoticeRecord {
    int64_t id = 0;
    int64_t deviceId = 0;
    std::string subject;
    int64_t opened = 0;
    std::optional<int64_t> resolved;
    int32_t severity = 0;
    std::string text;
    int64_t lastTold = 0;  // when it was last given to the channels (opened, or a reminder)
};

// One message for one channel, kept until the channel accepted it.
struct OutboxItem {
    int64_t id = 0;
    int64_t noticeId = 0;
    std::string channel;
    int64_t created = 0;
    std::string body;  // the message as JSON, built once when it is stored
    int32_t attempts = 0;
    int64_t nextTry = 0;
    std::optional<int64_t> sent;
    std::string error;  // the last failure, in words
    int64_t deviceId = 0;  // the notice's device, read with the message
};

struct DeviceRecord {
    int64_t id = 0;
    DeviceIdentity identity;
    int64_t firstSeen = 0;
    int64_t lastSeen = 0;               // the last round it answered
    bool answering = true;
    std::optional<int64_t> pageCount;   // as of lastSeen
    int32_t status = 0;
    std::string name;
    std::string location;
    std::vector<std::string> alerts;    // as of lastSeen
    std::vector<int32_t> alertCodes;    // the code of each alert; empty when not known (stored before codes were kept)
    std::vector<std::string> alertTexts;  // the device's text of each alert; empty when not known
    std::optional<uint32_t> errorBits;  // as of lastSeen; none when not known
    bool foundByDesktop = false;        // the desktop program has listed it answering at least once
};

struct SupplyRecord {
    int64_t id = 0;
    int64_t deviceId = 0;
    int32_t index = 0;
    int32_t kind = 0;
    std::string colour;
    LevelState state = LevelState::Unknown;  // what the last round said, even when no value row was written
    int64_t stateSince = 0;
};

struct CounterValue {
    int64_t time = 0;
    int64_t pages = 0;
};

struct StoreStats {
    int64_t devices = 0;
    int64_t supplies = 0;
    int64_t supplyValues = 0;
    int64_t counterValues = 0;
    int64_t statusValues = 0;
    int64_t events = 0;
    int64_t alertValues = 0;
    int64_t fileBytes = 0;  // the store file
    int64_t walBytes = 0;   // its write-ahead log, folded back into the file when the last connection closes
};

// What one round added.
struct RoundSummary {
    int32_t newDevices = 0;
    int32_t supplyValues = 0;
    int32_t counterValues = 0;
    int32_t events = 0;
};

enum class OpenMode { Writer, Reader };

struct StoreOptions {
    OpenMode mode = OpenMode::Writer;
    int32_t busyTimeoutMs = 5000;
    int64_t sizeLimitBytes = 0;  // 0: none; reaching it is reported as DiskFull
};

// A page counter row is written when the counter changed and the last row is
// at least this old (or the counter went backwards); the device row always
// holds the latest counter, and each supply value row the counter at its
// time, so pages per cartridge need no finer history.
constexpr int64_t kCounterSpacingSeconds = 4 * 3600;

class FleetStore {
public:
    FleetStore();
    ~FleetStore();
    FleetStore(const FleetStore&) = delete;
    FleetStore& operator=(const FleetStore&) = delete;

    // Opens (a writer creates and migrates) the store at path. On failure the
    // store is closed and the file untouched.
    StoreStatus open(const std::string& path, const StoreOptions& options = {});
    void close();
    bool isOpen() const { return db_.valid(); }
    int32_t schemaVersion() const { return version_; }

    // Stores one round taken at time (seconds since 1970, UTC) in one
    // transaction. Devices not in devices are left as they are. summary may be null.
    StoreStatus writeRound(int64_t time, std::span<const DeviceReading> devices, RoundSummary* summary = nullptr);
    // The same in steps, for a watcher that stores devices as they answer:
    // nothing is kept unless commitRound succeeds. A failed step abandons the round.
    StoreStatus beginRound(int64_t time);
    StoreStatus addReading(const DeviceReading& reading);
    StoreStatus commitRound(RoundSummary* summary = nullptr);
    void abandonRound();
    bool inRound() const { return round_ != nullptr; }

    // The device the matching rule gives for identity, without changing anything.
    StoreStatus matchDevice(const DeviceIdentity& identity, DeviceRecord& out);
    // The device last seen whose address, serial number or MAC is key.
    StoreStatus findDevice(std::string_view key, DeviceRecord& out);
    StoreStatus devices(std::vector<DeviceRecord>& out);
    StoreStatus supplies(int64_t deviceId, std::vector<SupplyRecord>& out);
    // Every stored value of a supply, oldest first (in the order written, which
    // a clock that jumped back does not reorder).
    StoreStatus supplyHistory(int64_t supplyId, std::vector<SupplyValue>& out);
    StoreStatus counterHistory(int64_t deviceId, std::vector<CounterValue>& out);
    StoreStatus events(int64_t deviceId, std::vector<DeviceEvent>& out);
    // Every device's events at or after since, oldest first.
    StoreStatus eventsSince(int64_t since, std::vector<DeviceEvent>& out);
    StoreStatus stats(StoreStats& out);

    // Notices and their messages. A writer's calls; inside a round they are
    // part of its transaction, outside one each is its own.
    StoreStatus addEvent(int64_t deviceId, int64_t time, DeviceEventKind kind, const std::string& detail);
    StoreStatus openNotices(std::vector<NoticeRecord>& out);
    StoreStatus addNotice(NoticeRecord& notice);  // sets notice.id
    StoreStatus resolveNotice(int64_t id, int64_t time);
    StoreStatus noticeTold(int64_t id, int64_t time);
    StoreStatus addOutbox(OutboxItem& item);  // sets item.id
    // Messages not yet accepted, oldest first.
    StoreStatus pendingOutbox(std::vector<OutboxItem>& out);
    // A message accepted at time sent, or failed with error and tried again at nextTry.
    StoreStatus outboxSent(int64_t id, int64_t sent);
    StoreStatus outboxFailed(int64_t id, const std::string& error, int64_t nextTry);

private:
    struct LastSupply {
        int64_t seq = 0;  // 0: no value row yet
        SupplyValue value;
        LevelState reportedState = LevelState::Unknown;
    };
    struct LastCounter {
        bool loaded = false;
        std::optional<CounterValue> row;
    };

    StoreStatus failure(int code, const std::string& what);
    StoreStatus runWrite(std::string_view name, const std::function<void(Statement&)>& bind, const char* what);
    StoreStatus prepareStatements();
    StoreStatus migrate();
    int writeDevice(int64_t time, const DeviceReading& reading, RoundSummary& summary);
    int writeSupply(int64_t time, int64_t deviceId, const DeviceReading& device, const SupplyReading& supply,
                    RoundSummary& summary);
    struct Match {
        std::optional<DeviceRecord> device;    // the device the reading is
        std::optional<DeviceRecord> replaces;  // the device a new one replaces
        bool takeSerial = false;               // the device's serial number is unsteady: it takes the reading's
    };
    int lookupDevice(const DeviceIdentity& identity, int64_t time, Match& out);
    void forgetCaches();

    std::string path_;
    int32_t version_ = 0;
    std::pair<uint64_t, uint64_t> fileKey_{};  // device and inode, while registered as open in this process
    bool registered_ = false;
    class WriterLock;
    std::unique_ptr<WriterLock> lock_;
    Connection db_;
    std::unique_ptr<Transaction> round_;  // the round in progress, rolled back unless committed
    int64_t roundTime_ = 0;
    RoundSummary roundCounts_;
    // Statements are declared after the connection, so they go first.
    std::map<std::string, Statement, std::less<>> statements_;
    std::map<std::pair<int64_t, int32_t>, int64_t> supplyIds_;
    std::unordered_map<int64_t, LastSupply> lastSupply_;
    std::unordered_map<int64_t, LastCounter> lastCounter_;

    Statement& statement(std::string_view name);
};

}  // namespace netrov::store
