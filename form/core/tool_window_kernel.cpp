#include "tool_window_kernel.h"

#include "control_facade.h"

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
