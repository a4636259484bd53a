// Per-channel getters, State-only setters, file locations and the display image.
#include "control.h"

#include "buffer_display_data.h"
#include "system_registry.h"
#include "transform_raw_display.h"

bool Control::getChannelOnOff(int ch) const { return validChannel(ch) && p_state->d_channel[ch].channelOnOff; }
int Control::getChannelCoupling(int ch) const { return validChannel(ch) ? p_state->d_channel[ch].channelCoupling : 0; }
int Control::getVoltageDiv(int ch) const { return validChannel(ch) ? p_state->d_channel[ch].voltageDiv : 0; }
double Control::getVoltageOffset(int ch) const { return validChannel(ch) ? p_state->d_channel[ch].voltageOffset : 0; }
int Control::getProbeAttenuation(int ch) const {
    return validChannel(ch) ? p_state->d_channel[ch].probeAttenuation : 0;
}
double Control::getScaleFactor(int ch) const { return validChannel(ch) ? p_state->d_channel[ch].scaleFactor : 0; }
bool Control::getInvertOnOff(int ch) const { return validChannel(ch) && p_state->d_channel[ch].invertOnOff; }
bool Control::getBandwidthLimitOnOff(int ch) const {
    return validChannel(ch) && p_state->d_channel[ch].bandwidthLimitOnOff;
}
double Control::getTriggerOffset(int ch) const { return validChannel(ch) ? p_state->d_channel[ch].triggerOffset : 0; }

bool Control::setLineJoinMode(int mode) {
    p_state->setLineJoinMode(mode);
    return true;
}
bool Control::setPersistence(int level) {
    p_state->setPersistence(level);
    return true;
}
bool Control::setXYPlotOnOff(bool on) {
    p_state->setXYPlotOnOff(on);
    return true;
}
bool Control::setXYPlot(std::function<void(unsigned char*, int, int, float)> plot) {
    if (!p_transformRawDisplay) return false;
    p_transformRawDisplay->setXYPlot(std::move(plot));
    return true;
}
bool Control::setMathSource1(int source) {
    p_state->setMathSource1(source);
    return true;
}
bool Control::setMathSource2(int source) {
    p_state->setMathSource2(source);
    return true;
}
bool Control::setMathOperation(int operation) {
    p_state->setMathOperation(operation);
    return true;
}
bool Control::setETSOffsetMargin(int margin) {
    p_state->d_ETSOffsetMargin = margin;
    return true;
}
bool Control::updateBufferBar() { return p_state->updateBufferBar(); }

const char* Control::getEnvironmentPath() const { return p_systemRegistry->getEnvironmentPath(); }
const char* Control::getCalibrationPath() const { return p_systemRegistry->getCalibrationPath(); }
const char* Control::getAdvancedTriggerPath() const { return p_systemRegistry->getAdvancedTriggerPath(); }
const char* Control::getMainDirectory() const { return p_systemRegistry->getMainDirectory(); }
bool Control::savesSettings() const { return p_systemRegistry && p_systemRegistry->savesSettings(); }
int Control::getGraphicMode() const { return p_systemRegistry->getGraphicMode(); }

unsigned char* Control::getDisplayBuffer(int ch) {
    if (!validChannel(ch)) return nullptr;
    p_transformRawDisplay->transform(ch);
    return p_bufferDisplayData->getImage(ch);
}
