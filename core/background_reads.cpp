// The count of detached device reads.
#include "background_reads.h"

#include <condition_variable>
#include <mutex>

namespace netrov::core {

namespace {

struct Count {
    std::mutex mutex;
    std::condition_variable ended;
    size_t running = 0;
};

Count& count()
{
    static Count instance;
    return instance;
}

}  // namespace

ReadLease::ReadLease()
{
    std::lock_guard lock(count().mutex);
    ++count().running;
}

ReadLease::~ReadLease()
{
    std::lock_guard lock(count().mutex);
    --count().running;
    count().ended.notify_all();
}

size_t readsRunning()
{
    std::lock_guard lock(count().mutex);
    return count().running;
}

bool waitForReads(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(count().mutex);
    return count().ended.wait_for(lock, timeout, [] { return count().running == 0; });
}

}  // namespace netrov::core
