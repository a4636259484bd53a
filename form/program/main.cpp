// Velmora2: the program entry. Everything is in programEntry; this file only makes the
// application object, reads the command line and reports exceptions: one out of an event
// handler is shown and the loop goes on, one out of the start or the end is shown before the
// program ends. The registry file chooses the instrument: this file hands the kernel that
// choice, or makes the demo installation's registry file the one read.
#include "demo_installation.h"
#include "installation_usb_backend.h"
#include "main_widgets.h"
#include "program_entry.h"
#include "system_registry.h"
#include "usb_backend_factory.h"
#include "velmora2_version.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QEvent>
#include <QMainWindow>
#include <QTimer>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <exception>

namespace {

class VelmoraApplication : public QApplication {
public:
    VelmoraApplication(int& argc, char** argv) : QApplication(argc, argv) {
        // QApplication takes LC_NUMERIC from the environment; every file the program writes
        // keeps the C locale's numbers (printf-based libraries included).
        std::setlocale(LC_NUMERIC, "C");
    }

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

// Whether the application object can start: a display, or a platform named by the
// environment or by Qt's own -platform option.
bool displayReachable(const QStringList& arguments) {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        if (!qEnvironmentVariableIsEmpty(name)) return true;
    return arguments.contains(QStringLiteral("-platform")) || arguments.contains(QStringLiteral("--platform"));
}

// --help, --version and --demo. Returns -1 to go on, else the exit code. Before the application
// object exists (`app` null) it answers a well-formed --help or --version: they need no
// display. The rest, Qt's own options (-platform, -style, ...) among them, waits for the
// application object, which takes those out of the arguments; without a display, where that
// object would end the process, it is answered here too.
int readCommandLine(const QApplication* app, const QStringList& arguments, bool& demo) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Shows, measures and saves the signals of the two-channel USB oscilloscope.\n"
                       "Settings are kept in the main directory the registry file names\n"
                       "($XDG_CONFIG_HOME/velmora2/registry.ini, ~/.config/velmora2/registry.ini\n"
                       "by default; else /etc/velmora2/registry.ini).\n"
                       "Without an instrument, --demo starts the program on a simulated one."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    const QCommandLineOption demoOption(
        QStringLiteral("demo"),
        QStringLiteral("Start the demo installation: a simulated instrument, with its own settings in "
                       "$XDG_DATA_HOME/velmora2/demo (default ~/.local/share/velmora2/demo)."));
    parser.addOption(demoOption);
    // The usage names the command, not the path it was started by.
    const auto usage = [&] {
        QString text = parser.helpText();
        const qsizetype end = text.indexOf(QLatin1String(" [options]"));
        if (text.startsWith(QLatin1String("Usage: ")) && end > 0) text.replace(7, end - 7, QStringLiteral("velmora2"));
        return text;
    };
    const bool parsed = parser.parse(arguments) && parser.positionalArguments().isEmpty();
    // Without a display the application object would abort (status 134): what it would take
    // out of the arguments cannot be told from an unknown option, so both are answered here.
    if (!app && !displayReachable(arguments) && parser.isSet(QStringLiteral("help-all"))) {
        std::fputs(qPrintable(usage()), stdout);
        return 0;
    }
    if (!app && displayReachable(arguments) && (!parsed || parser.isSet(QStringLiteral("help-all")))) return -1;
    if (!parsed) {
        const QString error = parser.errorText().isEmpty()
                                  ? QStringLiteral("Unknown argument '%1'.").arg(parser.positionalArguments().first())
                                  : parser.errorText();
        std::fprintf(stderr, "velmora2: %s\n\n%s", qPrintable(error), qPrintable(usage()));
        return 2;
    }
    if (parser.isSet(QStringLiteral("help-all"))) parser.process(arguments); // prints, then exits 0
    if (parser.isSet(helpOption)) {
        std::fputs(qPrintable(usage()), stdout);
        return 0;
    }
    if (parser.isSet(versionOption)) {
        std::printf("velmora2 %s\n", VELMORA2_VERSION);
        return 0;
    }
    if (app) demo = parser.isSet(demoOption);
    return -1;
}

// VELMORA2_EXIT_AFTER_FIRST_FRAME=1 (the package check): the program ends as after Quit once
// the display has painted its first frame from the instrument, and says so on stderr.
class FirstFrameExit : public QObject {
public:
    explicit FirstFrameExit(DisplayPaintBox* box) : QObject(box), p_box(box) { box->installEventFilter(this); }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == p_box && event->type() == QEvent::Paint && !p_box->frame().isNull() && !d_done) {
            d_done = true;
            std::fprintf(stderr, "velmora2: first frame painted\n");
            // exit, not quit: quit would ask the windows to close, and the main window asks first.
            QTimer::singleShot(0, QCoreApplication::instance(), [] { QCoreApplication::exit(0); });
        }
        return false;
    }

private:
    DisplayPaintBox* p_box;
    bool d_done = false;
};

// Said when the kernel does not start: the first start from the menu has no instrument yet.
constexpr const char* kDemoNote = "\nWithout an instrument, try the program on a simulated one: start "
                                  "\"velmora2 --demo\", or Velmora2's \"Demo (simulated instrument)\" in the "
                                  "desktop's menu.";

ProgramEntryOptions entryOptions() {
    ProgramEntryOptions options;
    if (qEnvironmentVariableIntValue("VELMORA2_EXIT_AFTER_FIRST_FRAME") != 1) return options;
    options.runLoop = [](TFormMain& form) {
        QMainWindow& main = mainWindowWidget(form);
        auto* box = main.findChild<DisplayPaintBox*>();
        if (!box) return 1;
        new FirstFrameExit(box);
        main.show();
        return QCoreApplication::exec();
    };
    return options;
}

} // namespace

int main(int argc, char** argv) {
    // The scripts' demo installations name their registry file so; taken out of the
    // environment at once, so that no program started from here inherits it.
    if (const char* registry = std::getenv("VELMORA2_REGISTRY"); registry && *registry) {
        SystemRegistry::useRegistryFile(registry);
        ::unsetenv("VELMORA2_REGISTRY");
    }
    bool demo = false;
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    if (const int code = readCommandLine(nullptr, arguments, demo); code >= 0) return code;
    VelmoraApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(VELMORA2_VERSION));
    if (const int code = readCommandLine(&app, app.arguments(), demo); code >= 0) return code;
    if (demo && !useDemoInstallation(QCoreApplication::applicationDirPath().toStdString())) return 1;
    setUsbBackendFactory(installationUsbBackend);
    try {
        ProgramEntryOptions options = entryOptions();
        if (!demo) options.startFailureNote = kDemoNote;
        return programEntry(options);
    } catch (const std::exception& e) {
        // Before the forms, while the kernel starts: as a kernel that cannot be initialised.
        showProgramException(e.what());
    } catch (...) {
        showProgramException("");
    }
    return -1;
}
