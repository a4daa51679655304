// GetBulk replies split into the rows of a GetNext walk.
#include "table_walk.h"

#include <cstring>

#include "decoders.h"

namespace netrov::tessel {

namespace {

constexpr int32_t kTooBig = 1;

// The bindings of a reply in order.
std::vector<const SnmpBinding*> bindingsOf(const SnmpMessage& reply)
{
    std::vector<const SnmpBinding*> out;
    for (const SnmpBinding* b = reply.variables; b; b = b->next) out.push_back(b);
    return out;
}

// The values of one repetition as the setup's keys see them. The reply
// holds one binding per asked column in each repetition; a column that
// ended before this repetition gets its last answer back, as the GetNext
// walk would get it, whatever the agent put in its place. None when the
// codec cannot hand the row over (the GetNext walk ends on such a reply).
std::optional<ValueList> rowValues(const QuerySetup& setup, const WalkCursor& cursor, const std::vector<bool>& asked,
                                   const SnmpMessage& reply, const std::vector<const SnmpBinding*>& all, size_t first)
{
    const size_t slots = setup.slotCount();
    std::vector<SnmpBinding> row(slots);
    std::memset(row.data(), 0, slots * sizeof(SnmpBinding));
    size_t slot = 0;
    size_t taken = first;
    for (size_t i = 0; i < setup.requested.size(); ++i) {
        if (!setup.requested[i] || !setup.base[i]) continue;
        if (asked[i]) {
            const SnmpBinding* binding = all[taken++];
            if (!cursor.ended[i]) row[slot] = *binding;
        }
        if (!asked[i] || cursor.ended[i]) row[slot].type = 0x05;
        ++slot;
    }
    for (size_t s = 0; s < slots; ++s) row[s].next = s + 1 < slots ? &row[s + 1] : nullptr;
    SnmpMessage message = reply;
    message.variables = slots ? row.data() : nullptr;
    ValueList values;
    if (!replyToValues(setup, message, &values)) return std::nullopt;
    for (size_t i = 0; i < values.size() && i < cursor.ended.size(); ++i) {
        if (cursor.ended[i]) values[i] = *cursor.ended[i];
    }
    return values;
}

}  // namespace

size_t WalkCursor::activeCount(const QuerySetup& setup) const
{
    size_t n = 0;
    for (size_t i = 0; i < current.size(); ++i) n += active(setup, i) ? 1 : 0;
    return n;
}

BulkStep takeBulkReply(const QuerySetup& setup, WalkCursor& cursor, const SnmpMessage& reply, int32_t repetitions,
                       size_t maxRows, std::vector<ReplyRow>* rows)
{
    if (reply.errorStatus == kTooBig) return BulkStep::TooBig;
    if (reply.errorStatus != 0) return BulkStep::Fault;
    const size_t active = cursor.activeCount(setup);
    const std::vector<const SnmpBinding*> all = bindingsOf(reply);
    if (active == 0 || repetitions < 1 || all.empty()) return BulkStep::Fault;
    if (all.size() > active * static_cast<size_t>(repetitions)) return BulkStep::Fault;
    // An agent may cut the last repetition short to fit its message size.
    const size_t repeats = all.size() / active;
    if (repeats == 0) return BulkStep::Fault;

    // The columns the request asked, in the order of each repetition.
    std::vector<bool> asked(setup.requested.size());
    for (size_t i = 0; i < asked.size(); ++i) asked[i] = cursor.active(setup, i);
    // Everything is decided on a copy, so a fault leaves the cursor and the rows alone.
    WalkCursor next = cursor;
    std::vector<ValueList> taken;
    bool ended = false;
    for (size_t k = 0; k < repeats && rows->size() + taken.size() < maxRows; ++k) {
        std::optional<ValueList> values = rowValues(setup, next, asked, reply, all, k * active);
        if (!values) {
            ended = true;
            break;
        }
        bool advanced = false;
        for (size_t i = 0; i < values->size(); ++i) {
            if (!next.active(setup, i)) continue;
            ReplyValue& v = (*values)[i];
            if (v.kind == kKindNone) {
                next.ended[i] = v;
                continue;
            }
            // The GetNext walk asks after this identifier next; one that
            // does not move forward means the agent's order cannot be trusted.
            if (compareOids(v.identifier, *next.current[i]) <= 0) return BulkStep::Fault;
            next.current[i] = v.identifier;
            advanced = true;
        }
        if (!advanced) {
            ended = true;
            break;
        }
        taken.push_back(std::move(*values));
    }
    cursor = std::move(next);
    for (ValueList& values : taken) rows->emplace_back().values = std::move(values);
    return ended ? BulkStep::Ended : BulkStep::More;
}

}  // namespace netrov::tessel
