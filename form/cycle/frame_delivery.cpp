#include "frame_delivery.h"

#include <algorithm>
#include <cstring>

FrameDelivery::FrameDelivery(QObject* parent) : QObject(parent) {}

int FrameDelivery::posts() const {
    std::lock_guard lock(d_mutex);
    return d_posts;
}

int FrameDelivery::freeBuffer(const QImage& frame) {
    for (int i = 0; i < POOL_SIZE; ++i) {
        if (i == d_pending) continue;
        QImage& buffer = d_pool[i];
        if (buffer.isNull() || buffer.size() != frame.size() || buffer.format() != frame.format() ||
            buffer.bytesPerLine() != frame.bytesPerLine()) {
            // First use, or the renderer changed size: a window may still hold the old one.
            // Rows as long as the frame's (a surface pads them), so one copy takes a frame.
            const size_t bytes = static_cast<size_t>(frame.sizeInBytes());
            auto* memory = new uchar[bytes];
            buffer = QImage(
                memory, frame.width(), frame.height(), frame.bytesPerLine(), frame.format(),
                [](void* p) { delete[] static_cast<uchar*>(p); }, memory);
            return i;
        }
        if (buffer.isDetached()) return i;
    }
    // Every other buffer is on screen: replace the frame that is still waiting.
    if (d_pending >= 0 && d_pool[d_pending].isDetached()) return d_pending;
    return -1;
}

bool FrameDelivery::repeatsLast(const QImage& frame, Target target) const {
    if (d_last < 0 || target != d_lastTarget) return false;
    const QImage& last = d_pool[d_last];
    return last.size() == frame.size() && last.format() == frame.format() &&
           last.bytesPerLine() == frame.bytesPerLine() && last.sizeInBytes() == frame.sizeInBytes() &&
           std::memcmp(last.constBits(), frame.constBits(), static_cast<size_t>(frame.sizeInBytes())) == 0;
}

bool FrameDelivery::post(const QImage& frame, Target target, const std::string* statusText, Repeat repeat) {
    int buffer = -1;
    // Only the worker writes the pool, so reading the last frame here needs no lock.
    const bool skip = repeat == Repeat::Skip && !frame.isNull() && repeatsLast(frame, target);
    if (!frame.isNull() && !skip) {
        std::lock_guard lock(d_mutex);
        buffer = freeBuffer(frame);
    }
    // The GUI thread takes references only to the pending buffer, so the chosen one can be
    // written without the lock.
    if (buffer >= 0) {
        QImage& to = d_pool[buffer];
        if (to.bytesPerLine() == frame.bytesPerLine()) {
            std::memcpy(to.bits(), frame.constBits(), static_cast<size_t>(frame.sizeInBytes()));
        } else {
            const size_t row = static_cast<size_t>(std::min(to.bytesPerLine(), frame.bytesPerLine()));
            for (int y = 0; y < frame.height(); ++y) std::memcpy(to.scanLine(y), frame.constScanLine(y), row);
        }
    }

    bool post = false;
    {
        std::lock_guard lock(d_mutex);
        if (buffer >= 0) {
            d_pending = buffer;
            d_pendingTarget = target;
            d_last = buffer;
            d_lastTarget = target;
        }
        if (statusText) d_pendingText = *statusText;
        if (!d_posted && (d_pending >= 0 || d_pendingText)) {
            d_posted = true;
            ++d_posts;
            post = true;
        }
    }
    // By name rather than by functor: nothing of ours crosses the thread inside Qt's event
    // (a functor's slot object, made here and read by Qt's uninstrumented dispatch, is a race
    // to ThreadSanitizer).
    if (post) QMetaObject::invokeMethod(this, "flush", Qt::QueuedConnection);
    return !skip;
}

void FrameDelivery::flush() {
    QImage frame;
    Target target = Target::Main;
    std::optional<std::string> text;
    {
        std::lock_guard lock(d_mutex);
        if (d_pending >= 0) {
            frame = d_pool[d_pending];
            target = d_pendingTarget;
            d_pending = -1;
        }
        text.swap(d_pendingText);
        d_posted = false;
    }
    if (text && p_mainView) p_mainView->setStatusText(*text);
    if (!frame.isNull()) {
        if (target == Target::FullScreen) {
            if (p_fullScreenView) p_fullScreenView->showFrame(frame);
        } else if (p_mainView) {
            p_mainView->showFrame(frame);
        }
    }
    frame = QImage();
    // Publishes the references dropped above to the worker's next choice of a buffer.
    std::lock_guard lock(d_mutex);
}
