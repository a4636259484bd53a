#include "tool_window_kernel.h"

#include "control_facade.h"
#include "transform_raw_display_draw.h"

bool FacadeToolWindowKernel::channelOn(int ch_) const { return controlGetChannelOnOff(ch_); }
int FacadeToolWindowKernel::channelsOnOff() const { return controlGetChannelsOnOff(); }
int FacadeToolWindowKernel::voltageDiv(int ch_) const { return controlGetVoltageDiv(ch_); }
double FacadeToolWindowKernel::voltageOffset(int ch_) const { return controlGetVoltageOffset(ch_); }
int FacadeToolWindowKernel::probeAttenuation(int ch_) const { return controlGetProbeAttenuation(ch_); }
double FacadeToolWindowKernel::scaleFactor(int ch_) const { return controlGetScaleFactor(ch_); }
int FacadeToolWindowKernel::timeDiv() const { return controlGetTimeDiv(); }
int FacadeToolWindowKernel::displayWidth() const { return controlGetDisplayWidth(); }
int FacadeToolWindowKernel::displayHeight() const { return controlGetDisplayHeight(); }
bool FacadeToolWindowKernel::isEquivalentTime() const { return controlIsEquivalentTime(); }
bool FacadeToolWindowKernel::isRIS() const { return controlIsRIS(); }
bool FacadeToolWindowKernel::isRealTime() const { return controlIsRealTime(); }
bool FacadeToolWindowKernel::isRoll() const { return controlIsRoll(); }
double FacadeToolWindowKernel::rawToVoltage(int ch_, short code_) const { return controlRawToVoltage(ch_, code_); }

int FacadeToolWindowKernel::fadedIntensityMax() const {
    if (!controlIsRealTime()) return 0;
    double decay[PERSISTENCE_LEVELS];
    fillDecayTable(decay, controlGetTimeDiv());
    const int level = controlGetPersistence();
    if (level < 0 || level >= PERSISTENCE_LEVELS) return INTENSITY_MAX;
    return static_cast<int>(INTENSITY_MAX * decay[level]);
}

// The real-time rows draw each hit with the intensity factor itself (intensity base 1).
int FacadeToolWindowKernel::hitIntensityMin() const {
    return controlIsRealTime() ? clampIntensityStep(controlGetIntensityFactor()) : 0;
}
