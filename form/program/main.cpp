// Velmora2: the program entry. Everything is in programEntry; this file only makes the
// application object and reports exceptions: one out of an event handler is shown and the
// loop goes on, one out of the start or the end is shown before the program ends.
#include "message_box.h"
#include "program_entry.h"

#include <QApplication>

#include <cstdio>
#include <exception>

namespace {

class VelmoraApplication : public QApplication {
public:
    using QApplication::QApplication;

    // An exception that escapes a handler is shown and the loop goes on.
    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& e) {
            report(e.what());
        } catch (...) {
            report("");
        }
        return false;
    }

private:
    static void report(const char* what) {
        std::fprintf(stderr, "Velmora2: exception: %s\n", what);
        showMessage(what, "", MessageButtons::Ok, MessageIcon::Error);
    }
};

} // namespace

int main(int argc, char** argv) {
    VelmoraApplication app(argc, argv);
    try {
        return programEntry();
    } catch (const std::exception& e) {
        // Outside the event loop (while the forms are made or destroyed): shown, then the end.
        std::fprintf(stderr, "Velmora2: exception: %s\n", e.what());
        showMessage(e.what(), "", MessageButtons::Ok, MessageIcon::Error);
        return -1;
    }
}
