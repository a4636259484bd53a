#pragma once
// The hand-over of finished frames and of the status text from the worker to the GUI
// thread. The worker copies each frame into a buffer of a small pool (the one copy per
// frame; no allocation once the pool is built) and posts one queued call to the GUI thread
// unless one is already pending: repaints requested by the worker coalesce into a single
// pending update that shows the newest frame. The worker never waits for the GUI thread;
// when the GUI falls behind, older frames are simply replaced.
//
// Create it on the GUI thread (its queued calls run there). post() may be called from any
// one thread at a time (the worker, or the GUI thread while the worker is stopped).

#include "cycle_view.h"

#include <QImage>
#include <QObject>

#include <array>
#include <mutex>
#include <optional>
#include <string>

class FrameDelivery : public QObject {
    Q_OBJECT
public:
    enum class Target { Main, FullScreen };

    explicit FrameDelivery(QObject* parent = nullptr);

    // GUI: where frames and texts go. Null drops what would go there.
    void setMainView(MainWindowView* view) { p_mainView = view; }
    void setFullScreenView(FullScreenView* view) { p_fullScreenView = view; }

    // Repeat::Skip: a frame equal to the last one handed over for the same target is
    // neither copied nor posted (its status text still is).
    enum class Repeat { Post, Skip };

    // worker: hands over a copy of `frame` for `target`, and the new status text when
    // `statusText` is not null. A null frame hands over the text only. False when the frame
    // was skipped as a repeat.
    bool post(const QImage& frame, Target target, const std::string* statusText, Repeat repeat = Repeat::Post);

    // Queued calls posted to the GUI thread so far (tests: coalescing).
    int posts() const;

private:
    static constexpr int POOL_SIZE = 3; // one shown, one pending, one being written

    // GUI: shows the pending frame and text.
    Q_INVOKABLE void flush();
    // A pool buffer that no window holds and that is not pending, sized for `frame` with its
    // row length (so that one copy takes it); -1 when every buffer is held.
    int freeBuffer(const QImage& frame);
    // Whether `frame` equals the last frame handed over for `target` (worker only).
    bool repeatsLast(const QImage& frame, Target target) const;

    mutable std::mutex d_mutex; // guards everything below
    std::array<QImage, POOL_SIZE> d_pool;
    int d_pending = -1; // pool index of the frame not yet shown
    int d_last = -1;    // pool index of the frame handed over last (worker only)
    Target d_lastTarget = Target::Main;
    Target d_pendingTarget = Target::Main;
    std::optional<std::string> d_pendingText;
    bool d_posted = false;
    int d_posts = 0;

    MainWindowView* p_mainView = nullptr;       // GUI thread only
    FullScreenView* p_fullScreenView = nullptr; // GUI thread only
};
