// Background device reads that the GUI thread never waits for.
#pragma once

#include <atomic>
#include <functional>
#include <memory>

class QObject;

namespace netrov::ui {

// Runs a read on a detached thread. The work gets a stop flag and a deliver
// call; deliver(f) runs f on the receiver's thread, unless the read was
// abandoned (or the receiver is gone) by then. Abandoning never waits: the
// work ends on its own, so it must own (by value or shared_ptr) everything
// it touches and reach the receiver only through deliver. While the work
// runs it holds a core::ReadLease, which keeps the front library loaded.
class DetachedRead {
public:
    using Deliver = std::function<void(std::function<void()> onReceiverThread)>;
    using Work = std::function<void(const std::atomic<bool>& stop, const Deliver& deliver)>;

    // receiver (not null) outlives this object.
    explicit DetachedRead(QObject* receiver);
    // Abandons the read in flight.
    ~DetachedRead();
    DetachedRead(const DetachedRead&) = delete;
    DetachedRead& operator=(const DetachedRead&) = delete;

    // Abandons the read in flight and starts work; false when no thread could be started.
    bool start(Work work);
    // Tells the work to stop and drops whatever it still delivers.
    void abandon();

private:
    struct Shared;
    QObject* receiver_;
    std::shared_ptr<Shared> shared_;
};

}  // namespace netrov::ui
