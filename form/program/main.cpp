// Velmora2: the program entry. Everything is in programEntry; this file only makes the
// application object and keeps an exception from ending the event loop.
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
    return programEntry();
}
