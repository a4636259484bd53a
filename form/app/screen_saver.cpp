#include "screen_saver.h"

#ifdef VELMORA2_HAVE_DBUS
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusReply>
#endif

namespace {

std::function<void(bool)>& control() {
    static std::function<void(bool)> c;
    return c;
}

bool g_screenSaverHeld = false;

#ifdef VELMORA2_HAVE_DBUS
const char* const SERVICE = "org.freedesktop.ScreenSaver";
const char* const PATH = "/org/freedesktop/ScreenSaver";
constexpr int CALL_TIMEOUT_MS = 1000; // a hung service must not hold up the start
unsigned g_cookie = 0;
bool g_haveCookie = false;

void dbusControl(bool on) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface() || !bus.interface()->isServiceRegistered(QString::fromLatin1(SERVICE)))
        return;
    QDBusInterface screenSaver(QString::fromLatin1(SERVICE), QString::fromLatin1(PATH), QString::fromLatin1(SERVICE),
                               bus);
    screenSaver.setTimeout(CALL_TIMEOUT_MS);
    if (on) {
        QDBusReply<unsigned> reply = screenSaver.call(QStringLiteral("Inhibit"), QStringLiteral("Velmora2"),
                                                      QStringLiteral("Oscilloscope display running"));
        if (reply.isValid()) {
            g_cookie = reply.value();
            g_haveCookie = true;
        }
    } else if (g_haveCookie) {
        screenSaver.call(QStringLiteral("UnInhibit"), g_cookie);
        g_haveCookie = false;
    }
}
#else
void dbusControl(bool) {}
#endif

} // namespace

void inhibitScreenSaver(bool on) {
    if (on == g_screenSaverHeld) return;
    g_screenSaverHeld = on;
    if (control())
        control()(on);
    else
        dbusControl(on);
}

void setScreenSaverControl(std::function<void(bool)> c) { control() = std::move(c); }
