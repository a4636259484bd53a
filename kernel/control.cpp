#include "control.h"

#include "apply_state_steps.h"
#include "buffer_display_data.h"
#include "buffer_physical_data.h"
#include "buffer_raw_data.h"
#include "buffer_raw_data_stop.h"
#include "calibration.h"
#include "capture.h"
#include "firmware_download.h"
#include "notifier.h"
#include "register.h"
#include "system_registry.h"
#include "transform_hardware_raw.h"
#include "transform_raw_display.h"
#include "transform_raw_physical.h"
#include "trevan_error.h"
#include "usb.h"
#include "usb_backend_factory.h"

#include <new>

Control* g_control = nullptr;

namespace {

const char* const kSource = "kernel\\control";

// Creation that reports "no memory" as a null pointer, as init's failure codes expect.
template <class T, class... Args>
std::unique_ptr<T> create(Args&&... args) {
    return std::unique_ptr<T>(new (std::nothrow) T(std::forward<Args>(args)...));
}

void putInUse(State& s, int width, int height) {
    s.d_firstRollTimeDiv = 26;
    s.d_runState = _RUN;
    s.d_displayWidth = width;
    s.d_displayHeight = height;
}

} // namespace

Control::Control() = default;

Control::~Control() {
    // Files are written only from what was really loaded: a kernel whose init failed
    // before the calibration came from the instrument must not write constants it never had.
    // A failed save is told with the file's name, as the environment file's is.
    const auto reportFailedSave = [](const std::string& path, const std::string& why) {
        notifyUser("Cannot save " + path + " : " + why);
    };
    // A main directory that cannot be used was told at start: nothing is saved, or said.
    const bool saves = p_systemRegistry && p_systemRegistry->savesSettings();
    std::string why;
    if (saves && p_state && d_stateLoaded && !p_state->writeIni(p_state->d_fileName, 4, &why))
        reportFailedSave(p_state->d_fileName, why);
    p_state.reset();
    if (saves && p_calibration && p_calibration->d_fromHardware && !p_calibration->writeIni(nullptr, &why))
        reportFailedSave(p_calibration->d_path, why);
    p_calibration.reset();
    p_register.reset();
    p_hardware.reset();
    p_bufferRawData.reset();
    p_bufferRawDataStop.reset();
    p_bufferRawDataRef.reset();
    p_bufferPhysicalData.reset();
    p_bufferDisplayData.reset();
    p_transformHardwareRaw.reset();
    p_transformRawDisplay.reset();
    p_transformRawPhysical.reset();
    p_capture.reset();
    p_systemRegistry.reset();
    p_usbBackend.reset();
}

bool Control::takeVersions(State& s) {
    int version = s.d_hardwareVersion;
    if (p_calibration && p_calibration->d_fromHardware) {
        s.d_calibrationVersion = p_calibration->d_calibrationVersion;
        s.d_firmwareVersion = p_calibration->d_firmwareVersion;
        version = p_calibration->HardwareVersion;
    }
    // A version below 1 can only come from a state file; treat it as the first generation.
    if (version < _HW1) version = _HW1;
    if (version > _HW4) version = _HW4;
    s.d_hardwareVersion = version;
    if (version < _HW3) {
        s.d_bufferSizeMax = _10K;
    } else {
        p_hardware->setVersion(version);
        s.d_bufferSizeMax = _500K;
    }

    unsigned char fpga = 0;
    if (!p_hardware->readVersionByte(&fpga, 500)) return false;
    s.d_FPGAVersion = fpga;
    s.d_APIVersion = 1;
    if (version <= _HW2) {
        s.d_adcBits = 12;
        s.d_adcLevels = 4096;
    } else {
        s.d_adcBits = 10;
        s.d_adcLevels = 1024;
    }
    s.d_adcMaxCode = s.d_adcLevels - 1;
    if (p_calibration) p_calibration->d_adcLevels = s.d_adcLevels;
    return true;
}

bool Control::init(int width, int height) {
    p_systemRegistry = create<SystemRegistry>();
    if (!p_systemRegistry) {
        push_error(_ERR_MEMORY, kSource, 78);
        return false;
    }
    if (!p_systemRegistry->read()) return false;
    // Told once, before anything is read: the user can mend the file before Quit.
    for (const std::string& text : p_systemRegistry->prepareMainDirectory()) notifyUser(text);

    p_state = create<State>(std::string(p_systemRegistry->getStatePath()));
    if (!p_state) {
        push_error(_ERR_MEMORY, kSource, 90);
        return false;
    }
    d_stateLoaded = true;
    putInUse(*p_state, width, height);

    p_usbBackend = createUsbBackend(*p_systemRegistry);
    // Whatever the download says, the instrument may already run its firmware.
    DownloadAllDevices(*p_usbBackend, p_systemRegistry->getFirmwarePath());

    auto usb = create<USB>(p_usbBackend);
    if (!usb) {
        push_error(_ERR_MEMORY, kSource, 120);
        return false;
    }
    usb->setState(p_state.get());
    usb->setTriggerModeQuery([this] { return p_state->d_triggerMode; });
    p_hardware = std::move(usb);
    // Start-up shows the error stack once: the transport's messages are held.
    const bool opened =
        operation(false, [&] { return p_hardware->init(_HW2, static_cast<unsigned>(p_state->d_bufferSizeHardware)); });
    if (!opened) return false;

    p_calibration = create<Calibration>();
    if (!p_calibration) {
        push_error(_ERR_MEMORY, kSource, 132);
        return false;
    }
    p_calibration->setState(p_state.get());
    if (!p_calibration->init(p_hardware.get(), p_systemRegistry->getCalibrationPath(), p_state->d_interleaveOnOff,
                             p_state->d_channelsOnOff))
        return false;
    p_state->p_calibration = p_calibration.get();

    if (!operation(false, [&] { return takeVersions(*p_state); })) return false;

    p_register = create<Register>(p_state->d_hardwareVersion);
    if (!p_register) {
        push_error(_ERR_MEMORY, kSource, 181);
        return false;
    }

    p_bufferRawData = create<BufferRawData>();
    p_bufferRawDataStop = create<BufferRawDataStop>();
    p_bufferRawDataRef = create<BufferRawDataStop>();
    p_bufferPhysicalData = create<BufferPhysicalData>();
    p_bufferDisplayData = create<BufferDisplayData>();
    if (!p_bufferRawData || !p_bufferRawDataStop || !p_bufferPhysicalData || !p_bufferDisplayData) {
        push_error(_ERR_MEMORY, kSource, 209);
        return false;
    }

    p_transformHardwareRaw = create<TransformHardwareRaw>(p_hardware.get(), p_bufferRawData.get(), p_state.get());
    p_transformRawDisplay = create<TransformRawDisplay>(p_bufferRawData.get(), p_bufferDisplayData.get(), p_state.get(),
                                                        p_bufferRawDataStop.get());
    if (!p_transformHardwareRaw || !p_transformRawDisplay || !p_transformHardwareRaw->acquisition() ||
        !p_transformRawDisplay->isComplete()) {
        push_error(_ERR_MEMORY, kSource, 217);
        return false;
    }
    p_transformRawPhysical = create<TransformRawPhysical>(p_transformRawDisplay.get(), p_bufferPhysicalData.get());
    if (!p_transformRawPhysical) {
        push_error(_ERR_MEMORY, kSource, 222);
        return false;
    }

    p_capture = create<Capture>(p_hardware.get(), p_state.get(), p_bufferRawData.get(), p_transformHardwareRaw.get());
    if (!p_capture) {
        push_error(_ERR_MEMORY, kSource, 222);
        return false;
    }
    p_capture->setRegisterBlock(p_register->getWriteBlock());
    p_capture->setSingleShotStop([this] {
        setRunState(_STOP);
        showStoppedCapture();
    });

    return applyState(*p_state);
}

bool Control::applyState(State state) {
    *p_state = state;
    const bool outer = !d_applyingState;
    d_applyingState = true;
    const bool applied = operation(false, [&] {
        sendCommand();

        State& s = *p_state;
        const bool ch1 = s.d_channel[_CH1].channelOnOff;
        const bool ch2 = s.d_channel[_CH2].channelOnOff;
        s.d_channelsOnOff = ch1 && ch2 ? _CH1_ON_CH2_ON
                            : ch1      ? _CH1_ON_CH2_OFF
                            : ch2      ? _CH1_OFF_CH2_ON
                                       : _CH1_OFF_CH2_OFF;
        for (int ch : {int(_CH1), int(_CH2)}) {
            if (!s.d_channel[ch].channelOnOff) continue;
            p_bufferDisplayData->release(ch);
            p_bufferDisplayData->create(ch, s.d_displayWidth, s.d_displayHeight);
        }
        return applyStateSteps(*this);
    });
    if (outer) d_applyingState = false;
    // What was not applied is applied again before the next capture.
    if (!applied) d_instrumentDiffers = true;
    return applied;
}

bool Control::loadState(const char* path) {
    d_fileFailure.clear();
    if (!path) return false;
    // A file that is not there or cannot be read would give every setting its default.
    State local;
    local.d_fileName = path;
    if (!local.readIni(path, 4, &d_fileFailure)) return false;

    const std::string ownFile = p_state->d_fileName;
    putInUse(local, 500, 400);
    local.p_calibration = p_calibration.get();
    // The caller shows the error stack: the transport's messages are held.
    if (!operation(false, [&] { return takeVersions(local); })) return false;

    applyState(local);
    p_state->d_fileName = ownFile;
    return true;
}

bool Control::instrumentGone() const { return p_hardware && p_hardware->instrumentGone(); }

bool Control::instrumentReturned() const {
    if (!p_hardware || d_takeBackPending) return d_takeBackPending;
    // After giving up, only a device that arrives again is tried anew.
    if (d_takeBackGaveUp && p_hardware->arrivals() == d_arrivalsAtGiveUp) return false;
    d_takeBackPending =
        p_hardware->instrumentReturned() || (p_hardware->instrumentGone() && p_hardware->controllerWaiting());
    return d_takeBackPending;
}

bool Control::reconnect() {
    if (!p_hardware || !p_calibration || !p_state) return false;
    d_takeBackPending = true;
    const bool back = takeBack();
    if (back || ++d_takeBackAttempts >= TAKE_BACK_ATTEMPTS) {
        d_takeBackPending = false;
        d_takeBackGaveUp = !back;
        d_arrivalsAtGiveUp = p_hardware->arrivals();
        d_takeBackAttempts = 0;
    }
    return back;
}

bool Control::takeBack() {
    // A unit that lost its power returns unprogrammed: its firmware first, as at start-up.
    if (p_hardware->controllerWaiting() && p_usbBackend && p_systemRegistry)
        DownloadAllDevices(*p_usbBackend, p_systemRegistry->getFirmwarePath());
    if (!p_hardware->reconnect()) return false;
    if (!p_calibration->readFromHardware()) return false;
    if (!takeVersions(*p_state)) return false;
    rebuildCalibrationTables();
    emptyRecords();
    return applyState(*p_state);
}

bool Control::saveState(const char* path, int channelCount) {
    d_fileFailure.clear();
    if (!path) return false;
    return p_state->writeIni(path, channelCount, &d_fileFailure);
}
