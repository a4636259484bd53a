#include "program_entry.h"

#include "acquisition_thread.h"
#include "advanced_trigger.h"
#include "control_facade.h"
#include "form_advanced_trigger.h"
#include "form_cal_tdc_offset.h"
#include "form_fft_dlg.h"
#include "form_fpga_view.h"
#include "form_full.h"
#include "form_label.h"
#include "form_main.h"
#include "form_measure.h"
#include "form_splash.h"
#include "form_state_view.h"
#include "gui_notifier.h"
#include "instance_lock.h"
#include "message_box.h"
#include "notifier.h"
#include "okbd_calib_a_dlg.h"
#include "tool_window_kernel.h"
#include "trevan_error.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPixmap>

#include <cstdio>
#include <exception>
#include <future>
#include <memory>

bool initializeEquipment() { return controlCreate(500, 400); }

namespace {

// The forms made at start-up, listed in their usual order; destroyed in the reverse order, so
// the main window, which ends the kernel, goes last. Those that read nothing of the kernel are
// made while it starts.
// The option dialog and the auto-set message window are made fresh each time they are used.
struct StartupForms {
    FacadeToolWindowKernel toolKernel; // what the tool windows read of the kernel
    std::unique_ptr<TFormMain> main;
    std::unique_ptr<TFormFPGAview> fpgaView;
    std::unique_ptr<TFormStateView> stateView;
    std::unique_ptr<TFormMeasure> measure;
    std::unique_ptr<TFormFFTDlg> spectrum;
    std::unique_ptr<TokbdCalibADlg> calibration;
    std::unique_ptr<TFormLabel> label;
    std::unique_ptr<TFormFull> full;
    std::unique_ptr<TFormCalTDCOffset> etsCalibration;

    // What needs no kernel: the main window's controls, drawn once off the screen (the first
    // paint on it then finds the style's, the fonts' and the painter's caches filled), and the
    // forms that only keep the main window.
    void buildWithoutKernel(const MainWindowLifecycle& lifecycle) {
        main = std::make_unique<TFormMain>(TFormMain::ControlsOnly{}, lifecycle);
        main->grab();
        stateView = std::make_unique<TFormStateView>(main.get());
        calibration = std::make_unique<TokbdCalibADlg>(main->calibrationHost(), main.get());
        etsCalibration = std::make_unique<TFormCalTDCOffset>(main->calibrationHost(), main.get());
    }

    // Once the kernel is up: the main window started, then the other forms.
    void create() {
        main->start();
        fpgaView = std::make_unique<TFormFPGAview>(main.get());
        measure = std::make_unique<TFormMeasure>(toolKernel, &main->environment());
        spectrum = std::make_unique<TFormFFTDlg>(toolKernel);
        label = std::make_unique<TFormLabel>(main->environment(), main.get());
        full = std::make_unique<TFormFull>(main->environment(), main->actions());
        main->attachWindows(
            {measure.get(), spectrum.get(), calibration.get(), label.get(), full.get(), etsCalibration.get()});
    }

    // In the reverse order; the main window, which ends the kernel, goes last.
    ~StartupForms() {
        if (main) main->attachWindows({});
        etsCalibration.reset();
        full.reset();
        label.reset();
        calibration.reset();
        spectrum.reset();
        measure.reset();
        stateView.reset();
        fpgaView.reset();
        main.reset();
    }
};

// Kernel messages go to message boxes on this thread while the program runs. Those of the
// kernel's start wait until the splash has closed: a box would open under it.
class ProgramServices {
public:
    ProgramServices() : p_startMessages(std::make_shared<RecordingNotifier>()) {
        setNotifier(p_startMessages);
        setGuiEventPump(processGuiEventsExceptInput);
        setAdvancedTriggerDialog(std::make_shared<FormAdvancedTriggerDialog>());
    }
    // Once the kernel's start has ended: its messages first, then every later one.
    void showMessagesFromNowOn() {
        auto boxes = std::make_shared<GuiNotifier>(QCoreApplication::instance());
        setNotifier(boxes);
        for (const std::string& text : p_startMessages->messages()) boxes->notify(text);
    }
    ~ProgramServices() {
        setAdvancedTriggerDialog(nullptr);
        setGuiEventPump({});
        setNotifier(nullptr);
    }

private:
    std::shared_ptr<RecordingNotifier> p_startMessages;
};

} // namespace

int runMainWindow(TFormMain& main) {
    // exit, not quit: quit first closes every window and gives up when one refuses.
    QObject::connect(
        &main, &TFormMain::closeConfirmed, QCoreApplication::instance(), [] { QCoreApplication::exit(0); },
        Qt::QueuedConnection);
    main.show();
    return QCoreApplication::exec();
}

int programEntry(const ProgramEntryOptions& options) {
    InstanceLock lock(options.lockPath.empty() ? InstanceLock::defaultPath("DSO_Program") : options.lockPath);
    switch (lock.acquire()) {
    case InstanceLock::Result::HeldElsewhere: showMessage("Application Already Running"); return 0;
    case InstanceLock::Result::Failed:
        // No guard is better than no program: a read-only runtime folder must not stop it.
        std::fprintf(stderr, "Velmora2: no single-instance guard (%s)\n", lock.error().c_str());
        break;
    case InstanceLock::Result::Acquired: break;
    }

    ProgramServices services;
    bool ready = false;
    auto forms = std::make_unique<StartupForms>();
    std::exception_ptr formsFailed; // building without the kernel: shown as the forms' exception
    {
        // The kernel starts on a thread of its own while the splash and what of the forms needs
        // no kernel are built: most of its start is waiting for the instrument (re-enumeration,
        // relay pulses).
        std::future<bool> kernel = std::async(std::launch::async, [&options] {
            return options.initialize ? options.initialize() : initializeEquipment();
        });
        TFormSplash splash;
        splash.showAndPaint();
        try {
            forms->buildWithoutKernel(options.lifecycle);
        } catch (...) {
            formsFailed = std::current_exception();
        }
        ready = kernel.get();
        splash.close();
    }
    services.showMessagesFromNowOn();
    if (!ready) {
        forms.reset();
        // Messages the kernel raised while starting come first.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        const std::string text = get_error_text();
        showMessage((text.empty() ? "Can not initialize equipment" : text) + options.startFailureNote);
        return -1; // the lock ends with the process
    }

    // The title message boxes show from here on.
    QCoreApplication::setApplicationName(QStringLiteral("Velmora2"));
    // An exception while the forms are made, run or destroyed is shown, and the program then
    // ends as after a normal run.
    try {
        if (formsFailed) std::rethrow_exception(formsFailed);
        forms->create();
        // The loop's own result is not the program's: a normal end is 0.
        if (options.runLoop)
            options.runLoop(*forms->main);
        else
            runMainWindow(*forms->main);
        forms.reset();
    } catch (const std::exception& e) {
        forms.reset();
        showProgramException(e.what());
    } catch (...) {
        forms.reset();
        showProgramException("");
    }
    // What the kernel's teardown reported (a settings file it could not save) is shown now,
    // before the notifier goes.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    lock.release();
    return 0;
}

void showProgramException(const char* what) {
    std::fprintf(stderr, "Velmora2: exception: %s\n", what);
    showMessage(what, "", MessageButtons::Ok, MessageIcon::Error);
}

QMainWindow& mainWindowWidget(TFormMain& main) { return main; }
