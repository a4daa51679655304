// Detached background reads whose results arrive only while they are wanted.
#include "detached_read.h"

#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include <QMetaObject>
#include <QObject>

#include "background_reads.h"

namespace netrov::ui {

struct DetachedRead::Shared {
    std::mutex mutex;
    QObject* receiver = nullptr;  // null once abandoned
    std::atomic<bool> stop{false};
};

DetachedRead::DetachedRead(QObject* receiver) : receiver_(receiver) {}

DetachedRead::~DetachedRead() { abandon(); }

bool DetachedRead::start(Work work)
{
    abandon();
    auto shared = std::make_shared<Shared>();
    shared->receiver = receiver_;
    const Deliver deliver = [shared](std::function<void()> onReceiverThread) {
        // Under the lock the receiver cannot be abandoned, so it is alive while the call is posted.
        std::lock_guard lock(shared->mutex);
        if (!shared->receiver) return;
        QMetaObject::invokeMethod(
            shared->receiver,
            [shared, f = std::move(onReceiverThread)] {
                if (!shared->stop.load()) f();
            },
            Qt::QueuedConnection);
    };
    // The lease is taken here, before the thread runs: the program's end then
    // sees the read even when the thread has not been scheduled yet.
    auto lease = std::make_unique<core::ReadLease>();
    try {
        std::thread([shared, work = std::move(work), deliver, lease = std::move(lease)] {
            work(shared->stop, deliver);
        }).detach();
    } catch (const std::system_error&) {
        return false;
    }
    shared_ = std::move(shared);
    return true;
}

void DetachedRead::abandon()
{
    if (!shared_) return;
    {
        std::lock_guard lock(shared_->mutex);
        shared_->stop = true;
        shared_->receiver = nullptr;
    }
    shared_.reset();
}

}  // namespace netrov::ui
