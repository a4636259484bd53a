#pragma once
// Hands work from any thread to the thread of a receiver as one queued call: requests made
// while a call is on its way do not queue another, so a burst of worker updates becomes one
// repaint. The caller keeps the data the call applies under its own lock and stores it before
// request(); the call clears the pending mark before it runs, so data stored after that
// brings a new call.

#include <QMetaObject>
#include <QObject>
#include <QThread>

#include <atomic>
#include <functional>
#include <utility>

class CoalescedCall {
public:
    // `receiver_` owns this object; the call is dropped when the receiver is destroyed first.
    CoalescedCall(QObject* receiver_, std::function<void()> apply_) : p_receiver(receiver_), d_apply(std::move(apply_)) {}

    // On the receiver's thread the work runs at once; from any other it is queued unless a
    // call is already on its way.
    void request() {
        if (QThread::currentThread() == p_receiver->thread()) {
            d_apply();
            return;
        }
        if (d_pending.exchange(true))
            return;
        QMetaObject::invokeMethod(p_receiver, [this] {
            d_pending = false;
            d_apply();
        }, Qt::QueuedConnection);
    }

private:
    QObject* p_receiver; // not owned
    std::function<void()> d_apply;
    std::atomic<bool> d_pending{false};
};
