// ThreadSanitizer reads these when the program is built with it (nothing otherwise).
// Qt is not built with ThreadSanitizer: a queued call's event is allocated by the worker
// and freed by the GUI thread, ordered by Qt's own futex-based locks that the sanitizer
// cannot see; Qt Gui's image code and its event dispatcher's GLib hand work to their own
// threads the same way. Only calls made from inside those libraries are excused; our code is
// checked fully.
extern "C" const char* __tsan_default_suppressions() {
    return "called_from_lib:libQt6Core.so.6\n"
           "called_from_lib:libQt6Gui.so.6\n"
           "called_from_lib:libglib-2.0.so.0\n";
}
