#include "transform_hardware_raw.h"

#include "data_acquisition_ets.h"
#include "data_acquisition_ris_rt.h"
#include "data_acquisition_roll.h"
#include "data_acquisition_rt.h"
#include "state.h"

#include <cassert>

TransformHardwareRaw::TransformHardwareRaw(Hardware* hardware_p, BufferRawData* bufferRawData_p, State* state_p)
    : p_hardware(hardware_p), p_bufferRawData(bufferRawData_p), p_state(state_p) {
    assert(hardware_p && "hardware_p");
    assert(bufferRawData_p && "bufferRawData_p");
    assert(state_p && "state_p");
    createAcquisition();
}

TransformHardwareRaw::~TransformHardwareRaw() = default;

bool TransformHardwareRaw::createAcquisition() {
    p_dataAcquisition.reset();
    switch (p_state->d_acquisitionMode) {
    case _ETS_MODE1:
    case _ETS_MODE2:
        p_dataAcquisition = std::make_unique<DataAcquisitionETS>(p_hardware, p_bufferRawData, p_state, &d_counters);
        break;
    case _RIS:
        p_dataAcquisition = std::make_unique<DataAcquisitionRISRT>(p_hardware, p_bufferRawData, p_state, &d_counters);
        break;
    case _REAL_TIME:
        p_dataAcquisition = std::make_unique<DataAcquisitionRT>(p_hardware, p_bufferRawData, p_state, &d_counters);
        break;
    case _ROLL:
    case _ROLL2:
    case _ROLL3:
        p_dataAcquisition = std::make_unique<DataAcquisitionRoll>(p_hardware, p_bufferRawData, p_state, &d_counters);
        break;
    default: break;
    }
    return p_dataAcquisition != nullptr;
}

bool TransformHardwareRaw::transform(SampleRecord record, int flag) {
    if (!p_dataAcquisition) return false;
    return p_dataAcquisition->acquire(record, flag);
}
