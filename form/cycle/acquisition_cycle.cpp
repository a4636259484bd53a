#include "acquisition_cycle.h"

#include "acquisition_thread.h"
#include "codes.h"
#include "control_facade.h"
#include "display_change.h"
#include "environment.h"
#include "notifier.h"
#include "precondition.h"
#include "thread_flags.h"
#include "trevan_error.h"

#include <algorithm>
#include <mutex>
#include <thread>

namespace {

constexpr int TRACES = 4;
constexpr int FULL_INTENSITY = 127;
constexpr double DISPLAY_TOP = 400.0;
// A resting worker looks again this often for a change that nobody announced (a tool window
// shown, a control of the main window the cycle reads): no drawing, only the comparison.
constexpr std::chrono::milliseconds REST_LIMIT{50};
// A capture that brought nothing new is asked again after a rest of an eighth of the time
// since the last record, at most one refresh: a slow time base or a missing trigger is polled
// less often, a record every few milliseconds is fetched at once.
constexpr std::chrono::milliseconds POLL_REST_LIMIT{16};

bool channelOn(int channels, int ch) { return (channels & (ch == _CH1 ? _CH1_ON_CH2_OFF : _CH1_OFF_CH2_ON)) != 0; }

// The cycle takes a capture from the instrument (and not the stopped record).
bool capturing(int runState, int channels) {
    return (runState == _RUN || runState == _SINGLE) && channels >= _CH1_ON_CH2_OFF && channels <= _CH1_ON_CH2_ON;
}

} // namespace

AcquisitionCycle::AcquisitionCycle(CycleSetup setup)
    : d_display(*setup.display), d_environment(*setup.environment), d_graphicMode(setup.graphicMode), d_nap(setup.nap),
      d_frameInterval(setup.frameInterval), d_rest(setup.restWhenUnchanged), d_frame(std::move(setup.frame)) {
    require(static_cast<bool>(d_frame), "setup.frame", "form\\acquisition_cycle", __LINE__);
}

void AcquisitionCycle::setMainView(MainWindowView* view) {
    p_mainView = view;
    d_delivery.setMainView(view);
}

void AcquisitionCycle::setFullScreenView(FullScreenView* view) {
    p_fullScreenView = view;
    d_delivery.setFullScreenView(view);
}

void AcquisitionCycle::setMeasurementView(MeasurementView* view) { p_measurementView = view; }
void AcquisitionCycle::setSpectrumView(SpectrumView* view) { p_spectrumView = view; }

void AcquisitionCycle::acquireAndDisplay() {
    // A re-plugged instrument is taken back between two captures, in the user's settings.
    if (controlInstrumentReturned()) {
        const bool back = controlReconnect();
        // A failed take-back is tried again at the next cycles; only its end is told, once,
        // with what failed.
        if (back || !controlInstrumentReturned()) {
            if (!back) notifyUser(std::string("Reconnection failed\n") + get_error_text());
            present(d_status.force(back ? "Reconnected" : "Reconnection failed") ? &d_status.text() : nullptr, false);
        }
        notifyDisplayChange(); // the settings were programmed again: the next cycle draws
        return;
    }
    // Before anything is read: a change made during the cycle is drawn by the next one.
    const unsigned generation = displayChangeCount();
    const int runState = controlGetRunState();
    if (d_rest && !d_fading) {
        // With nothing to capture the picture follows only from what it is drawn from.
        const int channels = controlGetChannelsOnOff();
        if (!capturing(runState, channels)) {
            fillContext();
            if (sameAsDrawn(generation, readInputs(runState, channels))) {
                if (d_framePending) present(nullptr, false);
                rest(generation, REST_LIMIT);
                return;
            }
        }
    }
    if (d_nap.count() > 0) std::this_thread::sleep_for(d_nap);

    const int channels = controlGetChannelsOnOff();
    const bool arrived = capture(runState, channels);
    // A record of a channel that is off has been released by the kernel.
    if (!channelOn(channels, _CH1)) d_records.p_rawDataCh1 = nullptr;
    if (!channelOn(channels, _CH2)) d_records.p_rawDataCh2 = nullptr;
    treatRecords(runState, arrived);

    const bool timedOut = triggerTimeoutFlag.load() != 0;
    fillContext();
    bool traces = arrived || timedOut;
    bool drawn = true;
    if (d_rest) {
        const Inputs now = readInputs(runState, channels);
        const bool fresh = arrived && capturing(runState, channels);
        if (!fresh && !d_fading && sameAsDrawn(generation, now)) {
            traces = false;
            drawn = false;
        } else {
            d_drawn = now;
            d_drawnGeneration = generation;
            d_drawnOnce = true;
        }
    }
    if (traces) {
        drawTraces();
        feedToolWindows(arrived && capturing(runState, channels));
    }
    if (drawn) drawOverlay();

    CycleStatus::Inputs in;
    in.runState = runState;
    in.timedOut = timedOut;
    in.triggered = controlGetTriggeredFlag();
    in.triggerMode = controlGetTriggerMode();
    in.roll = controlIsRoll();
    in.deviceTimedOut = !arrived && capturing(runState, channels) && controlGetCaptureTimedOut();
    in.statusCopiesDiffer = !arrived && capturing(runState, channels) && controlGetStatusCopiesDiffer();
    in.instrumentGone = !arrived && capturing(runState, channels) && controlGetInstrumentGone();
    const bool changed = d_status.update(in);
    const Shown shown = present(changed ? &d_status.text() : nullptr, drawn);
    if (d_rest && capturing(runState, channels)) {
        const auto now = std::chrono::steady_clock::now();
        if (arrived) {
            d_lastRecord = now;
        } else if (!drawn) {
            const auto since = std::chrono::duration_cast<std::chrono::microseconds>(now - d_lastRecord);
            rest(generation, std::min<std::chrono::microseconds>(since / 8, POLL_REST_LIMIT));
        }
    }
    if (d_rest && traces) {
        // A persistence image keeps changing after its record stopped changing: draw again
        // until a frame repeats the last.
        d_fading = d_drawn.persistence != 0 && shown != Shown::Repeat;
    }
}

QImage AcquisitionCycle::drawEmptyDisplay() {
    fillContext();
    d_display.clear();
    drawOverlay();
    return d_frame().copy();
}

AcquisitionCycle::Inputs AcquisitionCycle::readInputs(int runState, int channels) const {
    Inputs in;
    in.runState = runState;
    in.channels = channels;
    in.context = d_display.context();
    const Environment& e = d_environment; // its draw options are atomics: no lock, no pause needed
    in.grid = e.GridOnOff;
    in.cross = e.CrossOnOff;
    in.boundary = e.BoundaryOnOff;
    in.fullInfo = e.FullInfoOnOff;
    MainWindowView* view = p_mainView.load();
    in.gridColour = view ? view->gridColor() : e.GridOriginColor.load();
    in.measureSource = view ? view->measureSource() : _CH1;
    in.dragged = view && view->triggerLevelDragged();
    if (in.dragged) in.triggerLevel = controlGetTriggerLevel();
    FullScreenView* full = p_fullScreenView.load();
    in.fullScreen = full && full->visibleToCycle();
    MeasurementView* measurement = p_measurementView.load();
    in.measurement = measurement && measurement->visibleToCycle();
    SpectrumView* spectrum = p_spectrumView.load();
    in.spectrum = spectrum && spectrum->visibleToCycle();
    if (in.spectrum) in.fftChannel = spectrum->fftChannel();
    in.persistence = controlGetPersistence();
    return in;
}

bool AcquisitionCycle::sameAsDrawn(unsigned generation, const Inputs& now) const {
    const Inputs& d = d_drawn;
    return d_drawnOnce && generation == d_drawnGeneration && now.runState == d.runState && now.channels == d.channels &&
           sameContext(now.context, d.context) && now.grid == d.grid && now.cross == d.cross &&
           now.boundary == d.boundary && now.fullInfo == d.fullInfo && now.gridColour == d.gridColour &&
           now.measureSource == d.measureSource && now.dragged == d.dragged && now.triggerLevel == d.triggerLevel &&
           now.fullScreen == d.fullScreen && now.measurement == d.measurement && now.spectrum == d.spectrum &&
           now.fftChannel == d.fftChannel && now.persistence == d.persistence;
}

void AcquisitionCycle::rest(unsigned generation, std::chrono::microseconds limit) {
    // A frame waiting for its step is taken at the step.
    if (d_framePending && d_nextFrame) {
        const auto untilStep =
            std::chrono::duration_cast<std::chrono::microseconds>(*d_nextFrame - std::chrono::steady_clock::now());
        limit = std::clamp(untilStep, std::chrono::microseconds(0), limit);
    }
    restAfterCycle(generation, limit);
}

bool AcquisitionCycle::capture(int runState, int channels) {
    short** ch1 = &d_records.p_rawDataCh1;
    short** ch2 = &d_records.p_rawDataCh2;
    if (channels < _CH1_ON_CH2_OFF || channels > _CH1_ON_CH2_ON) return true;
    const int sel = channels == _CH1_ON_CH2_ON ? 0 : channels == _CH1_ON_CH2_OFF ? _CH1 : _CH2;
    switch (runState) {
    case _SINGLE: return controlAcquireSingle(sel, ch1, ch2);
    case _RUN:
        if (sel == _CH2) return controlAcquire(_CH2, ch2, nullptr);
        return controlAcquire(sel, ch1, sel == 0 ? ch2 : nullptr);
    case _STOP: {
        bool result = true;
        if (sel != _CH2) result = controlGetStoppedData(_CH1, ch1);
        if (sel != _CH1) result = controlGetStoppedData(_CH2, ch2);
        return result;
    }
    default: return true;
    }
}

void AcquisitionCycle::treatRecords(int runState, bool arrived) {
    if ((runState == _SINGLE || runState == _RUN) && arrived) {
        bool inverted = false;
        for (int ch : {int(_CH1), int(_CH2)}) {
            if (!controlGetChannelOnOff(ch)) continue;
            if (controlGetChannelCoupling(ch) == _GND) controlFillGroundLevel(ch);
            if (controlGetInvertOnOff(ch)) {
                controlInvertChannel(ch);
                inverted = true;
            }
        }
        // A triggered single shot has switched to stop with the record as captured; stop
        // again so that the snapshot holds the inverted record. An untriggered record leaves
        // single shot running.
        if (runState == _SINGLE && inverted && controlGetRunState() != _SINGLE) controlSetRunState(_STOP);
    }
    if (controlGetChannelOnOff(_REFERENCE)) controlUpdateReference();
    if (controlGetChannelOnOff(_MATH)) controlUpdateMath();
}

void AcquisitionCycle::fillContext() {
    DisplayContext& c = d_display.context();
    for (int t = 0; t < TRACES; ++t) {
        c.channelOn[t] = controlGetChannelOnOff(t + 1);
        c.voltageOffset[t] = controlGetVoltageOffset(t + 1);
    }
    c.triggerSource = controlGetTriggerSource();
    c.triggerOffset = controlGetTriggerOffset(c.triggerSource);
    c.triggerInverted = controlGetInvertOnOff(c.triggerSource);
    c.horizontalPosition = controlGetHorizontalPosition();
    {
        std::lock_guard lock(d_environment.toolStateLock);
        c.selectedObject = d_environment.selectedObject;
        c.cursorA = d_environment.cursorA;
        c.cursorB = d_environment.cursorB;
        c.labels = d_environment.labelList;
    }
    if (MainWindowView* view = p_mainView.load()) view->comboTexts(c.voltDivText, c.timeDivText);

    // An image of a trace that is off has been released by the kernel.
    unsigned char** images[TRACES] = {&d_records.p_displayBufferCh1, &d_records.p_displayBufferCh2,
                                      &d_records.p_displayBufferMath, &d_records.p_displayBufferRef};
    for (int t = 0; t < TRACES; ++t)
        if (!c.channelOn[t]) *images[t] = nullptr;
}

void AcquisitionCycle::drawTraces() {
    d_display.clear();
    const DisplayContext& c = d_display.context();
    const struct {
        int trace;
        unsigned char** image;
    } order[TRACES] = {{_CH1, &d_records.p_displayBufferCh1},
                       {_CH2, &d_records.p_displayBufferCh2},
                       {_REFERENCE, &d_records.p_displayBufferRef},
                       {_MATH, &d_records.p_displayBufferMath}};
    for (const auto& o : order) {
        if (!c.channelOn[o.trace - 1]) continue;
        *o.image = controlGetDisplayBuffer(o.trace);
        d_display.drawChannel(o.trace, *o.image);
    }
}

void AcquisitionCycle::feedToolWindows(bool newRecord) {
    const CycleRecords& r = d_records;
    MeasurementView* measurement = p_measurementView.load();
    if (measurement && measurement->visibleToCycle() &&
        (r.p_displayBufferCh1 || r.p_displayBufferCh2 || r.p_displayBufferMath || r.p_displayBufferRef))
        measurement->updateMeasurements(r.p_displayBufferCh1, r.p_displayBufferCh2, r.p_displayBufferMath,
                                        r.p_displayBufferRef, !newRecord);

    SpectrumView* spectrum = p_spectrumView.load();
    if (!spectrum || !spectrum->visibleToCycle()) return;
    const DisplayContext& c = d_display.context();
    const int channel = spectrum->fftChannel();
    // Before the first capture there is no record to analyse.
    if (channel == 0 && c.channelOn[_CH1 - 1] && r.p_rawDataCh1)
        spectrum->updateSpectrum(0, SPECTRUM_LENGTH, r.p_rawDataCh1);
    else if (channel == 1 && c.channelOn[_CH2 - 1] && r.p_rawDataCh2)
        spectrum->updateSpectrum(1, SPECTRUM_LENGTH, r.p_rawDataCh2);
}

void AcquisitionCycle::drawOverlay() {
    MainWindowView* view = p_mainView.load();
    const Environment& e = d_environment;
    d_display.drawGrid(e.GridOnOff, e.CrossOnOff, e.BoundaryOnOff, view ? view->gridColor() : e.GridOriginColor.load());
    d_display.drawLabels();
    d_display.drawCursors(view ? view->measureSource() : _CH1);
    if (view && view->triggerLevelDragged()) drawDraggedTriggerLevel();
}

void AcquisitionCycle::drawDraggedTriggerLevel() {
    const int source = controlGetTriggerSource();
    const double level = controlGetTriggerLevel();
    const double shown = controlGetInvertOnOff(source) ? DISPLAY_TOP - level : level;
    const int row = static_cast<int>(controlGetDisplayHeight() - shown);
    int colour;
    if (d_graphicMode == TableColor::GDI_MODE)
        colour = source == _CH1 ? GDI_GREEN : GDI_YELLOW;
    else
        colour = d_display.tableColor() ? d_display.tableColor()->get(source, FULL_INTENSITY) : 0;
    d_display.drawHorizontalLine(colour, row, 1);
}

AcquisitionCycle::Shown AcquisitionCycle::present(const std::string* statusText, bool drawn) {
    FullScreenView* full = p_fullScreenView.load();
    const bool fullScreen = full && full->visibleToCycle();
    if (fullScreen && drawn) {
        if (d_environment.FullInfoOnOff) d_display.drawInfoText();
        d_display.drawChannelMarkers();
        d_display.drawTriggerLevelMarker();
        d_display.drawTriggerPositionMarker();
    }
    const FrameDelivery::Target target = fullScreen ? FrameDelivery::Target::FullScreen : FrameDelivery::Target::Main;
    if (!drawn && !d_framePending) {
        if (statusText) d_delivery.post(QImage(), target, statusText);
        return Shown::Repeat;
    }
    if (d_frameInterval.count() > 0) {
        // Faster than the screen shows them: the frames in between are never taken. The steps
        // follow each other, so a cycle that comes late does not delay the next frame.
        const auto now = std::chrono::steady_clock::now();
        if (d_nextFrame && now < *d_nextFrame) {
            d_framePending = true;
            if (statusText) d_delivery.post(QImage(), target, statusText);
            return Shown::Deferred;
        }
        const bool onGrid = d_nextFrame && now - *d_nextFrame < d_frameInterval;
        d_nextFrame = (onGrid ? *d_nextFrame : now) + d_frameInterval;
    }
    d_framePending = false;
    const bool skipRepeat = d_frameInterval.count() > 0 || d_rest;
    const bool handed = d_delivery.post(d_frame(), target, statusText,
                                        skipRepeat ? FrameDelivery::Repeat::Skip : FrameDelivery::Repeat::Post);
    return handed ? Shown::New : Shown::Repeat;
}
