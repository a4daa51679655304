// Fuzzes the unpacking of packed job values. The first byte chooses the
// form: even, the rest is a self-described packed value; odd, the next two
// bytes give the length of a tag definition that follows, and the remaining
// bytes are the packed value it describes.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <span>

#include "packed_value.h"

namespace {

using namespace netrov::tessel;

void check(bool condition)
{
    if (!condition) std::abort();
}

template <size_t N>
void checkTerminated(const char (&text)[N])
{
    check(std::memchr(text, 0, N) != nullptr);
}

void run(std::span<const uint8_t> packed, std::optional<std::span<const uint8_t>> definition)
{
    for (const PackedEntry& entry : packedEntries(packed, definition)) {
        if (!entry.value) continue;
        // A value lies wholly inside the packed value, where its entry says.
        check(entry.value->size() == entry.length);
        check(entry.value->data() >= packed.data());
        check(entry.value->data() + entry.value->size() <= packed.data() + packed.size());
        (void)entryInteger(entry.tag, *entry.value);
    }

    CurrentJobRecord job;
    memset(&job, 0, sizeof job);
    unpackCurrentJob(packed, definition, 7, job);
    check(job.tag127Valid == 1 && job.tag127 != 0);
    checkTerminated(job.tag112);
    checkTerminated(job.tag113);
    checkTerminated(job.tag114);

    LogRecord entry;
    memset(&entry, 0, sizeof entry);
    unpackLogEntry(packed, definition, 7, entry);
    check(entry.tag200Valid == 1 && entry.tag200 != 0);
    check(entry.bytes1.length >= 0 && entry.bytes1.length <= 32);
    check(entry.bytes2.length >= 0 && entry.bytes2.length <= 32);
    checkTerminated(entry.tag112);
    checkTerminated(entry.tag187);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    const std::span<const uint8_t> input(data + 1, size - 1);
    if ((data[0] & 1) == 0) {
        run(input, std::nullopt);
        return 0;
    }
    if (input.size() < 2) return 0;
    size_t definitionSize = static_cast<size_t>(input[0]) << 8 | input[1];
    const std::span<const uint8_t> rest = input.subspan(2);
    if (definitionSize > rest.size()) definitionSize = rest.size();
    run(rest.subspan(definitionSize), rest.first(definitionSize));
    return 0;
}
