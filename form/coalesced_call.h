#pragma once
// Hands work from any thread to the thread of a receiver as one queued call: requests made
// while a call is on its way do not queue another, so a burst of worker updates becomes one
// repaint. The caller keeps the data the call applies under its own lock and stores it before
// request(); the call clears the pending mark before it runs, so data stored after that
// brings a new call.

#include <QMetaObject>
#include <QObject>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <functional>
#include <utility>

class CoalescedCall {
public:
    // `receiver_` owns this object; create it on the receiver's thread. The call is dropped
    // when the receiver is destroyed first.
    CoalescedCall(QObject* receiver_, std::function<void()> apply_) : p_receiver(receiver_), d_apply(std::move(apply_)) {
        d_post.setSingleShot(true);
        d_post.setInterval(0);
        QObject::connect(&d_post, &QTimer::timeout, receiver_, [this] {
            d_pending = false;
            d_apply();
        });
    }

    // On the receiver's thread the work runs at once; from any other it is queued unless a
    // call is already on its way.
    void request() {
        if (QThread::currentThread() == p_receiver->thread()) {
            d_apply();
            return;
        }
        if (d_pending.exchange(true))
            return;
        // By name, to a timer of the receiver's thread: nothing of ours is built on this
        // thread and read on the other inside Qt's event.
        QMetaObject::invokeMethod(&d_post, "start", Qt::QueuedConnection);
    }

private:
    QObject* p_receiver; // not owned
    std::function<void()> d_apply;
    std::atomic<bool> d_pending{false};
    QTimer d_post; // lives on the receiver's thread
};
