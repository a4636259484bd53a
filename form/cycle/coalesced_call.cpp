#include "coalesced_call.h"

#include <QThread>

#include <utility>

CoalescedCall::CoalescedCall(QObject* receiver_, std::function<void()> apply_)
    : p_receiver(receiver_), d_apply(std::move(apply_)) {
    connect(
        this, &CoalescedCall::requested, receiver_,
        [this] {
            d_pending = false;
            d_apply();
        },
        Qt::QueuedConnection);
}

void CoalescedCall::request() {
    if (QThread::currentThread() == p_receiver->thread()) {
        d_apply();
        return;
    }
    if (d_pending.exchange(true)) return;
    emit requested();
}
