// The request engine: one UDP socket per call, unicast, collecting or walking by GetBulk.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "codec.h"
#include "message.h"

namespace netrov::snmp {

inline constexpr uint16_t kAgentPort = 161;

// A collecting pass ends at the latest this many time-outs after its send,
// however many answers keep arriving.
inline constexpr int32_t kCollectDeadlineFactor = 3;
// Answers one collecting call holds at most; later ones are dropped.
inline constexpr size_t kMaxCollectedReplies = 1024;

// host is an IPv4 address, an IPv6 address (a link-local one with its
// "%zone") or a host name, whose IPv4 address is taken first and an IPv6 one
// when it has none (not on Windows, which speaks IPv4 only). Broadcast and
// collect() stay IPv4.
//
// Sends pdu to host once, wrapped by model, and waits at most timeout seconds
// for the reply that answers it (model.answers); datagrams of another
// version, malformed ones and other answers are dropped. Throws
// std::bad_alloc.
MessagePtr request(const char* host, int32_t timeout, const MessageModel& model, const SnmpMessage& pdu);

// The same with the community and version of an SNMPv1 record (the
// exported behaviour): none for any other version. Sends request to host
// once and waits at most timeout seconds for the reply carrying the
// request's id. The socket is connected to host's port 161, so
// datagrams from any other address or port never reach it; other datagrams
// are dropped. Throws std::bad_alloc.
MessagePtr request(const char* host, int32_t timeout, const SnmpMessage& request);

// Sends request to host (or, when host is no address or 255.255.255.255,
// to each of broadcasts in turn) and collects the replies carrying the
// request's id, in arrival order; null when there were none. Each sender
// counts once (its first answer), at most kMaxCollectedReplies are held, and
// each pass ends at once when host itself answers, after timeout seconds
// without a new sender, or kCollectDeadlineFactor time-outs after its send,
// whichever comes first. Throws std::bad_alloc.
MessageListPtr collect(const char* host, int32_t timeout, const SnmpMessage& request,
                       const std::vector<uint32_t>& broadcasts);
// The same for a PDU wrapped by model.
MessageListPtr collect(const char* host, int32_t timeout, const MessageModel& model, const SnmpMessage& pdu,
                       const std::vector<uint32_t>& broadcasts);

// ---- GetBulk walks ----

// How a walk ended. Only EndOfSubtree, RowLimit and Stopped mean the rows
// were read as asked; after any other result the caller goes on by GetNext
// from BulkWalkOutcome::lastName, so no identifier is read twice.
enum class WalkResult : uint8_t {
    EndOfSubtree,    // past the root, or endOfMibView: every row was read
    RowLimit,        // maxRows rows were delivered
    Stopped,         // the row callback asked to stop
    NoAnswer,        // kWalkMaxSilences exchanges in a row got no answer
    TooBig,          // tooBig even for a single repetition
    OutOfOrder,      // an identifier before the one read last
    Repeated,        // an identifier equal to the one read last
    Overlong,        // more bindings than asked: the reply was not used
    EmptyReply,      // no binding and no error
    Exception,       // noSuchObject or noSuchInstance where a row belongs
    AgentError,      // an error status other than tooBig (errorStatus)
    DeadlinePassed,  // the walk's deadline came first
    Unusable,        // nothing could be sent: host, socket, name or encoding
};

const char* walkResultName(WalkResult result) noexcept;

inline constexpr int32_t kWalkStartRepetitions = 25;
// Time-outs in a row after which the agent counts as not answering GetBulk.
inline constexpr int kWalkMaxSilences = 2;

struct BulkWalkSettings {
    std::chrono::milliseconds timeout{1000};  // per exchange
    std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::time_point::max();
    size_t maxRows = SIZE_MAX;
    // Repetitions start here, halve on tooBig or a time-out and double back
    // on success up to maxRepetitions; after a tooBig, only up to the half
    // of the size that got it.
    int32_t startRepetitions = kWalkStartRepetitions;
    int32_t maxRepetitions = kWalkStartRepetitions;
};

struct BulkWalkOutcome {
    WalkResult result = WalkResult::Unusable;
    std::vector<uint32_t> lastName;  // the last row delivered, else the root
    size_t rows = 0;                 // rows delivered
    size_t exchanges = 0;            // requests sent
    int32_t errorStatus = 0;         // the agent's, with AgentError
    int32_t repetitions = 0;         // the size the next request would ask
};

// What one reply to GetBulk gives: its first usable bindings are rows (under
// root, each after the one before, the first after last), and end, when set,
// is how the walk ends after them. The reply is checked whole first: one bad
// binding (out of order, repeated, noSuchObject or noSuchInstance) and no row
// is usable, so a GetNext walk from last reads them by its own rules instead
// of after a row the agent may have put out of place. Past the subtree and
// endOfMibView are no fault: the rows before them count.
struct BulkReplyRows {
    size_t usable = 0;
    std::optional<WalkResult> end;
};
BulkReplyRows checkBulkReply(const SnmpMessage& reply, int32_t asked, std::span<const uint32_t> root,
                             std::span<const uint32_t> last);

// Called once per row in identifier order; false stops the walk. The
// binding lives until the callback returns.
using RowSink = std::function<bool(const SnmpBinding& row)>;

// Reads the subtree under root from host by GetBulk (one binding, no
// non-repeaters), wrapped by model (v2c; a v1 model sends nothing and gives
// Unusable). Every row delivered lies under root and comes strictly after the
// one before it, so the walk ends: each exchange either advances or counts
// towards an end. A reply with a bad binding delivers none of its rows. One
// socket for the whole walk, connected to host's port 161. A null or
// unknown host gives Unusable. Throws std::bad_alloc (and whatever sink
// throws).
BulkWalkOutcome bulkWalk(const char* host, const MessageModel& model, std::span<const uint32_t> root,
                         const BulkWalkSettings& settings, const RowSink& sink);

}  // namespace netrov::snmp
