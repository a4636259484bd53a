#pragma once
// Hands work from any thread to the thread of a receiver as one queued call: requests made
// while a call is on its way do not queue another, so a burst of worker updates becomes one
// repaint. The caller keeps the data the call applies under its own lock and stores it before
// request(); the call clears the pending mark before it runs, so data stored after that
// brings a new call.

#include <QObject>

#include <atomic>
#include <functional>

class CoalescedCall : public QObject {
    Q_OBJECT
public:
    // Create it on the receiver's thread. `receiver_` owns this object; the call is dropped
    // when the receiver is destroyed first.
    CoalescedCall(QObject* receiver_, std::function<void()> apply_);

    // On the receiver's thread the work runs at once; from any other it is queued unless a
    // call is already on its way.
    void request();

signals:
    // Connected to the receiver at construction, queued: the call's functor is made on the
    // receiver's thread and nothing of ours is built on the requesting thread for Qt to hand
    // over (a sanitizer does not see Qt's own locks).
    void requested();

private:
    QObject* p_receiver; // not owned
    std::function<void()> d_apply;
    std::atomic<bool> d_pending{false};
};
