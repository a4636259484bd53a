// Velmora2: the program entry. Everything is in programEntry; this file only makes the
// application object and reports exceptions: one out of an event handler is shown and the
// loop goes on, one out of the start or the end is shown before the program ends. The
// registry file chooses the instrument: this file hands the kernel that choice.
#include "installation_usb_backend.h"
#include "program_entry.h"
#include "usb_backend_factory.h"

#include <QApplication>

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
            showProgramException(e.what());
        } catch (...) {
            showProgramException("");
        }
        return false;
    }
};

} // namespace

int main(int argc, char** argv) {
    VelmoraApplication app(argc, argv);
    setUsbBackendFactory(installationUsbBackend);
    try {
        return programEntry();
    } catch (const std::exception& e) {
        // Before the forms, while the kernel starts: as a kernel that cannot be initialised.
        showProgramException(e.what());
    } catch (...) {
        showProgramException("");
    }
    return -1;
}
