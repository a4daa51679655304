// Reading a table by GetBulk row for row as a GetNext walk reads it: where
// each column stands, and how one GetBulk reply becomes rows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "framework.h"
#include "netrov/zomsnmp.h"

namespace netrov::tessel {

inline constexpr uint8_t kPduGetBulk = 0xA5;
inline constexpr int32_t kBulkRepetitions = 25;

// Where each key's column of a walk stands. A GetNext walk asks each column
// after its last usable identifier; a column whose answer is not usable
// (past its object, an exception, a value of no known kind) gets that same
// answer again on every later row, so it is kept here and not asked again.
struct WalkCursor {
    explicit WalkCursor(const QuerySetup& setup) : current(setup.requested), ended(setup.requested.size()) {}
    std::vector<std::optional<std::string>> current;
    std::vector<std::optional<ReplyValue>> ended;
    // Whether key i is still asked: defined and not ended.
    bool active(const QuerySetup& setup, size_t i) const
    {
        return setup.requested[i] && setup.base[i] && !ended[i];
    }
    size_t activeCount(const QuerySetup& setup) const;
};

enum class BulkStep : uint8_t {
    More,    // rows taken; the table may go on
    Ended,   // a row in which no column advanced: the table ends before it
    TooBig,  // the agent's tooBig: ask fewer repetitions
    Fault,   // out of order, repeated, empty, overlong or an agent error: no row taken
};

// Takes the rows of one reply to GetBulk of the cursor's active columns
// (in key order, no non-repeaters, `repetitions` asked) into rows, at most
// up to maxRows rows in all, and moves the cursor past them. Rows are the
// ones the GetNext walk would read from the same agent. The reply is checked
// whole first: one identifier that does not move its column forward and
// none of its rows is taken. Throws std::bad_alloc.
BulkStep takeBulkReply(const QuerySetup& setup, WalkCursor& cursor, const SnmpMessage& reply,
                       int32_t repetitions, size_t maxRows, std::vector<ReplyRow>* rows);

}  // namespace netrov::tessel
